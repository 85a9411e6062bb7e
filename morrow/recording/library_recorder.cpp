// The library calls of the game, answered by the recorder (see library_recorder.h).
#include "morrow/recording/library_recorder.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "morrow/device/color_format.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/font.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_load.h"
#include "morrow/graphics/graph_system.h"
#include "morrow/graphics/handle.h"
#include "morrow/graphics/memory_block.h"
#include "morrow/sound/music.h"
#include "morrow/sound/sound.h"
#include "morrow/system/input.h"
#include "morrow/system/library.h"
#include "morrow/system/log.h"
#include "morrow/system/time.h"
#include "morrow/system/window.h"
#include "platform/codepage.h"

namespace testsupport {

namespace {

struct GraphEntry {
  uint32_t checkNumber;
  int width;
  int height;
  std::string path;
};
struct SoundEntry {
  uint32_t checkNumber;
  std::string path;
};

using GraphTable = morrow::HandleTable<GraphEntry, morrow::kGraphHandle, morrow::kGraphLimit>;
using SoundTable = morrow::HandleTable<SoundEntry, morrow::kSoundHandle, morrow::kSoundLimit>;

// Static storage: the tables are large and live for the whole test program.
GraphTable g_graphs;
SoundTable g_sounds;

template <typename Table>
void FreeAll(Table& table) {
  for (int i = 0; i < Table::kLimit; ++i) delete table.slots[i];
  table.Clear();
}

template <typename Table, typename Entry>
int Add(Table& table, Entry* entry) {
  int slot = table.FreeSlot();
  if (slot < 0) {
    delete entry;
    return -1;
  }
  return table.Insert(slot, entry);
}

std::string I(int64_t v) {
  return std::to_string(v);
}
std::string R(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%.9g", v);
  return text;
}
std::string T(const char* text) {
  return text != nullptr ? std::string(text) : std::string("(null)");
}
std::string U(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", v);
  return text;
}

LibraryRecorder& Rec() {
  return Recorder();
}

bool Loads(const char* path) {
  return path != nullptr && Rec().missingFiles.count(path) == 0;
}
bool GraphicsUp() {
  return Rec().started();
}
bool SoundUp() {
  return Rec().started() && Rec().soundDevice;
}
int Draw(const char* name, std::vector<std::string> args, int graph) {
  return Rec().Record(name, std::move(args), GraphicsUp() && Rec().IsLiveGraph(graph) ? 0 : -1);
}
int Set(const char* name, std::vector<std::string> args) {
  return Rec().Record(name, std::move(args), GraphicsUp() ? 0 : -1);
}

}  // namespace

std::string RecordedCall::Text() const {
  std::string text = name;
  for (const std::string& a : args) text += " " + a;
  return text;
}

int64_t RecordedCall::Int(size_t i) const {
  return i < args.size() ? std::strtoll(args[i].c_str(), nullptr, 0) : 0;
}

LibraryRecorder& Recorder() {
  static LibraryRecorder recorder;
  return recorder;
}

void LibraryRecorder::Reset() {
  calls_.clear();
  keys_.fill(0);
  pads_.fill(0);
  keyboardBits_ = 0;
  pumpCalls_ = 0;
  closed_ = false;
  started_ = false;
  initResult = 0;
  noDisplay.clear();
  soundDevice = true;
  keysFail = false;
  missingFiles.clear();
  pumpScript = nullptr;
  onCall = nullptr;
  quiet = {"GetHighResolutionCount", "GetMillisecondCount", "SleepThread",
           "SleepUntilHighResolutionCount"};
  FreeAll(g_graphs);
  FreeAll(g_sounds);
  clock.SetNow(0);
  clock.SetStepPerRead(50);
  clock.SetDate(platform::LocalDateTime{});
  platform::InstallClock(&clock);
}

std::vector<std::string> LibraryRecorder::Names() const {
  std::vector<std::string> names;
  for (const RecordedCall& c : calls_) names.push_back(c.name);
  return names;
}

std::vector<RecordedCall> LibraryRecorder::Named(const std::string& name) const {
  std::vector<RecordedCall> named;
  for (const RecordedCall& c : calls_) {
    if (c.name == name) named.push_back(c);
  }
  return named;
}

int LibraryRecorder::Count(const std::string& name) const {
  int n = 0;
  for (const RecordedCall& c : calls_) n += c.name == name ? 1 : 0;
  return n;
}

void LibraryRecorder::SetKey(int code, bool down) {
  keys_[code & 0xFF] = down ? 1 : 0;
}

void LibraryRecorder::SetPadBits(int pad, int bits) {
  if (pad >= 1 && pad <= 8) pads_[pad] = bits;
}

void LibraryRecorder::SetKeyboardBits(int bits) {
  keyboardBits_ = bits;
}

int LibraryRecorder::LiveGraphs() const {
  return g_graphs.count;
}
int LibraryRecorder::LiveSounds() const {
  return g_sounds.count;
}
bool LibraryRecorder::IsLiveGraph(int handle) const {
  return g_graphs.Get(handle) != nullptr;
}
bool LibraryRecorder::IsLiveSound(int handle) const {
  return g_sounds.Get(handle) != nullptr;
}

int LibraryRecorder::Record(const char* name, std::vector<std::string> args, int answer) {
  RecordedCall call{name, std::move(args), answer, clock.Peek()};
  if (quiet.count(call.name) == 0) calls_.push_back(call);
  if (onCall) onCall(call);
  return answer;
}

int LibraryRecorder::Pump() {
  ++pumpCalls_;
  if (!closed_ && pumpScript && pumpScript(pumpCalls_) == -1) closed_ = true;
  return closed_ ? -1 : 0;
}

int LibraryRecorder::PadBits(int device) const {
  if (!started_) return 0;
  int pad = device & 0xFFF;
  int bits = pad >= 1 && pad <= 8 ? pads_[pad] : 0;
  if ((device & 0x1000) != 0) bits |= keyboardBits_;
  return bits;
}

void LibraryRecorder::Start(bool ok) {
  started_ = ok;
}

void LibraryRecorder::Stop() {
  started_ = false;
}

}  // namespace testsupport

namespace morrow {

using testsupport::I;
using testsupport::R;
using testsupport::Rec;
using testsupport::T;
using testsupport::U;

// System core.

int InitLibrary() {
  Rec().Start(Rec().initResult == 0);
  return Rec().Record("InitLibrary", {}, Rec().initResult == 0 ? 0 : -1);
}
const char* LibraryNoDisplayReason() {
  const char* reason = Rec().initResult == 0 ? "" : Rec().noDisplay.c_str();
  Rec().Record("LibraryNoDisplayReason", {}, 0);
  return reason;
}
int EndLibrary() {
  Rec().Stop();
  return Rec().Record("EndLibrary", {}, 0);
}
int PumpMessages() {
  return Rec().Record("PumpMessages", {}, Rec().Pump());
}
int ChangeWindowMode(int flag) {
  return Rec().Record("ChangeWindowMode", {I(flag)}, 0);
}
int SetWindowTitle(const char* text) {
  return Rec().Record("SetWindowTitle", {T(text)}, 0);
}
int SetWindowIcon(int resourceId) {
  return Rec().Record("SetWindowIcon", {I(resourceId)}, 0);
}
int SetMouseVisible(int flag) {
  return Rec().Record("SetMouseVisible", {I(flag)}, 0);
}
int WaitMilliseconds(int ms) {
  if (ms > 0) Rec().clock.SleepMicroseconds(int64_t{ms} * 1000);
  return Rec().Record("WaitMilliseconds", {I(ms)}, 0);
}
int SleepThread(int ms) {
  if (ms > 0) {
    Rec().clock.SleepMicroseconds(int64_t{ms} * 1000);
  } else {
    Rec().clock.Yield();
  }
  return Rec().Record("SleepThread", {I(ms)}, 0);
}
int SleepUntilHighResolutionCount(int64_t count) {
  Rec().clock.SleepUntilMicroseconds(count);
  return Rec().Record("SleepUntilHighResolutionCount", {I(count)}, 0);
}
int64_t GetHighResolutionCount(int useTsc) {
  int64_t now = Rec().clock.NowMicroseconds();
  Rec().Record("GetHighResolutionCount", {I(useTsc)}, 0);
  return now;
}
int32_t GetMillisecondCount(int useTsc) {
  int64_t now = Rec().clock.NowMicroseconds();
  Rec().Record("GetMillisecondCount", {I(useTsc)}, 0);
  return static_cast<int32_t>(static_cast<uint32_t>(now / 1000));
}
int GetLocalDateTime(int32_t out[6]) {
  platform::LocalDateTime d = Rec().clock.LocalNow();
  out[0] = d.year;
  out[1] = d.month;
  out[2] = d.day;
  out[3] = d.hour;
  out[4] = d.minute;
  out[5] = d.second;
  return Rec().Record("GetLocalDateTime", {}, 0);
}
int IsKeyPressed(int key) {
  int down = key >= 0 && key <= 255 && Rec().KeyDown(key) ? 1 : 0;
  if (Rec().keysFail) down = -1;
  return Rec().Record("IsKeyPressed", {I(key)}, down);
}
int GetPadInputBits(int device) {
  return Rec().Record("GetPadInputBits", {I(device)}, Rec().PadBits(device));
}

int WriteLog(const char* text) {
  return Rec().Record("WriteLog", {T(text)}, -1);
}
int WriteLogFormat(const char* format, ...) {
  char line[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  return Rec().Record("WriteLog", {line}, -1);
}
int WriteLogNotice(const char* text) {
  return Rec().Record("WriteLogNotice", {T(text)}, -1);
}
std::string LogText(const char* gbk) {
  return gbk == nullptr ? std::string() : platform::GbkToUtf8(gbk);
}

// Graphics core.

int SetGraphVideoMemoryFlag(int flag) {
  return Rec().Record("SetGraphVideoMemoryFlag", {I(flag)}, 0);
}
int SetKeyColor(int r, int g, int b) {
  return Rec().Record("SetKeyColor", {I(r), I(g), I(b)}, 0);
}
int SetImageConvertFlag(int value) {
  return Rec().Record("SetImageConvertFlag", {I(value)}, 0);
}
int SetHardwareShapeDrawFlag(int flag) {
  return Rec().Record("SetHardwareShapeDrawFlag", {I(flag)}, 0);
}
int SelectDrawTarget(int target) {
  bool ok = testsupport::GraphicsUp() &&
            (target == kFrontScreen || target == kBackScreen || Rec().IsLiveGraph(target));
  return Rec().Record("SelectDrawTarget", {I(target)}, ok ? 0 : -1);
}
int ClearDrawTarget() {
  return testsupport::Set("ClearDrawTarget", {});
}
int SetBlendMode(int mode, int parameter) {
  return testsupport::Set("SetBlendMode", {I(mode), I(parameter)});
}
int SetModulationColor(int r, int g, int b) {
  return testsupport::Set("SetModulationColor", {I(r), I(g), I(b)});
}
int SetFilterMode(int mode) {
  return testsupport::Set("SetFilterMode", {I(mode)});
}
int DrawGraph(int x, int y, int graph, int transparent) {
  return testsupport::Draw("DrawGraph", {I(x), I(y), I(graph), I(transparent)}, graph);
}
int DrawGraphPart(int x, int y, int srcX, int srcY, int width, int height, int graph,
                  int transparent, int turn) {
  return testsupport::Draw(
      "DrawGraphPart",
      {I(x), I(y), I(srcX), I(srcY), I(width), I(height), I(graph), I(transparent), I(turn)},
      graph);
}
int DrawRotaGraph(int x, int y, double scale, double angle, int graph, int transparent, int turn) {
  return testsupport::Draw(
      "DrawRotaGraph", {I(x), I(y), R(scale), R(angle), I(graph), I(transparent), I(turn)}, graph);
}
int DrawModiGraph(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, int graph,
                  int transparent) {
  return testsupport::Draw(
      "DrawModiGraph",
      {I(x1), I(y1), I(x2), I(y2), I(x3), I(y3), I(x4), I(y4), I(graph), I(transparent)}, graph);
}
int DrawRectangle(int x1, int y1, int x2, int y2, uint32_t colour, int filled) {
  return testsupport::Set("DrawRectangle", {I(x1), I(y1), I(x2), I(y2), U(colour), I(filled)});
}
int DrawLine(int x1, int y1, int x2, int y2, uint32_t colour) {
  return testsupport::Set("DrawLine", {I(x1), I(y1), I(x2), I(y2), U(colour)});
}
int DrawCircle(int x, int y, int radius, uint32_t colour, int filled) {
  return testsupport::Set("DrawCircle", {I(x), I(y), I(radius), U(colour), I(filled)});
}
int DrawExtendGraph(int x1, int y1, int x2, int y2, int graph, int transparent) {
  return testsupport::Draw("DrawExtendGraph",
                           {I(x1), I(y1), I(x2), I(y2), I(graph), I(transparent)}, graph);
}
int DrawMirroredGraph(int x, int y, int graph, int transparent) {
  return testsupport::Draw("DrawMirroredGraph", {I(x), I(y), I(graph), I(transparent)}, graph);
}
int CopyScreenToGraph(int x1, int y1, int x2, int y2, int graph, int flag) {
  return testsupport::Draw("CopyScreenToGraph", {I(x1), I(y1), I(x2), I(y2), I(graph), I(flag)},
                           graph);
}
int LoadAndDrawGraphFile(int x, int y, const char* path, int transparent) {
  bool ok = testsupport::GraphicsUp() && testsupport::Loads(path);
  return Rec().Record("LoadAndDrawGraphFile", {I(x), I(y), T(path), I(transparent)}, ok ? 0 : -1);
}
int RenderText(int x, int y, const char* text, uint32_t colour, uint32_t edgeColour) {
  return testsupport::Set("RenderText", {I(x), I(y), T(text), U(colour), U(edgeColour)});
}

int LoadImageAsGraph(const char* path) {
  int handle = -1;
  if (testsupport::GraphicsUp() && testsupport::Loads(path)) {
    handle = testsupport::Add(testsupport::g_graphs, new testsupport::GraphEntry{0, 0, 0, path});
  }
  return Rec().Record("LoadImageAsGraph", {T(path)}, handle);
}
int LoadDividedGraph(const char* path, int count, int xCount, int yCount, int cellWidth,
                     int cellHeight, int* handles) {
  bool ok = testsupport::GraphicsUp() && testsupport::Loads(path) && count >= 0 &&
            handles != nullptr && count <= morrow::kGraphLimit - testsupport::g_graphs.count;
  if (ok) {
    for (int i = 0; i < count; ++i) {
      handles[i] = testsupport::Add(testsupport::g_graphs,
                                    new testsupport::GraphEntry{0, cellWidth, cellHeight, path});
    }
  }
  return Rec().Record("LoadDividedGraph",
                      {T(path), I(count), I(xCount), I(yCount), I(cellWidth), I(cellHeight)},
                      ok ? 0 : -1);
}
int CreateEmptyGraph(int width, int height) {
  int handle = -1;
  if (testsupport::GraphicsUp() && width > 0 && height > 0) {
    handle =
        testsupport::Add(testsupport::g_graphs, new testsupport::GraphEntry{0, width, height, ""});
  }
  return Rec().Record("CreateEmptyGraph", {I(width), I(height)}, handle);
}
int FreeGraphHandle(int graph, int logFlag) {
  int answer = -1;
  if (testsupport::g_graphs.Get(graph) != nullptr) {
    delete testsupport::g_graphs.Remove(graph);
    answer = 0;
  }
  return Rec().Record("FreeGraphHandle", {I(graph), I(logFlag)}, answer);
}
int DeleteAllGraphs(int logFlag) {
  testsupport::FreeAll(testsupport::g_graphs);
  return Rec().Record("DeleteAllGraphs", {I(logFlag)}, 0);
}
int DeleteAllMemoryHandles() {
  return Rec().Record("DeleteAllMemoryHandles", {}, 0);
}
int SetDefaultFontSize(int size) {
  return Rec().Record("SetDefaultFontSize", {I(size)}, 0);
}
int SetDefaultFontThickness(int thickness) {
  return Rec().Record("SetDefaultFontThickness", {I(thickness)}, 0);
}
int SetDefaultFontType(int type) {
  return Rec().Record("SetDefaultFontType", {I(type)}, 0);
}

// Sound.

int LoadSoundFile(const char* path) {
  int handle = -1;
  if (testsupport::SoundUp() && testsupport::Loads(path)) {
    handle = testsupport::Add(testsupport::g_sounds, new testsupport::SoundEntry{0, path});
  }
  return Rec().Record("LoadSoundFile", {T(path)}, handle);
}
int SetSoundVolume(int volume, int handle) {
  bool ok = testsupport::SoundUp() && Rec().IsLiveSound(handle);
  return Rec().Record("SetSoundVolume", {I(volume), I(handle)}, ok ? 0 : -1);
}
int PlaySoundHandle(int handle, int playType, int rewind) {
  bool ok = testsupport::SoundUp() && Rec().IsLiveSound(handle);
  return Rec().Record("PlaySoundHandle", {I(handle), I(playType), I(rewind)}, ok ? 0 : -1);
}
int DeleteAllSounds(int unused) {
  if (!testsupport::SoundUp()) return Rec().Record("DeleteAllSounds", {I(unused)}, -1);
  testsupport::FreeAll(testsupport::g_sounds);
  return Rec().Record("DeleteAllSounds", {I(unused)}, 0);
}
int PlayOneShotSound(const char* path, int playType) {
  bool ok = testsupport::SoundUp() && testsupport::Loads(path);
  return Rec().Record("PlayOneShotSound", {T(path), I(playType)}, ok ? 0 : -1);
}
int StopOneShotSound() {
  return Rec().Record("StopOneShotSound", {}, testsupport::SoundUp() ? 0 : -1);
}
int StartMusicPlayback(const char* path, int playType) {
  bool ok = testsupport::SoundUp() && testsupport::Loads(path);
  return Rec().Record("StartMusicPlayback", {T(path), I(playType)}, ok ? 0 : -1);
}
int StopMusicPlayback() {
  return Rec().Record("StopMusicPlayback", {}, 0);
}
int SetMusicVolume(int volume) {
  return Rec().Record("SetMusicVolume", {I(volume)}, testsupport::SoundUp() ? 0 : -1);
}

// Device layer.

int SelectScreenMode(int width, int height, int bitDepth, int refreshRate) {
  return Rec().Record("SelectScreenMode", {I(width), I(height), I(bitDepth), I(refreshRate)}, 0);
}
int SetDDrawStartFlag(int flag) {
  return Rec().Record("SetDDrawStartFlag", {I(flag)}, 0);
}
int PresentFrame() {
  return testsupport::Set("PresentFrame", {});
}
int HoldFrame() {
  return Rec().Record("HoldFrame", {}, 0);
}
// As on a 32-bit screen: the channels at their places and the fill bits above them.
uint32_t PackScreenColor(int r, int g, int b) {
  auto byte = [](int v) { return static_cast<uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
  uint32_t colour = 0xFF000000u | byte(r) << 16 | byte(g) << 8 | byte(b);
  Rec().Record("PackScreenColor", {I(r), I(g), I(b)}, 0);
  return colour;
}

}  // namespace morrow
