#include "morrow/system/input.h"

#include <cstring>

#include "morrow/system/library.h"
#include "morrow/system/log.h"
#include "morrow/system/time.h"
#include "morrow/system/window.h"
#include "platform/input.h"
#include "platform/window.h"

namespace morrow {
namespace {

constexpr int kMaxPads = 8;
constexpr int kKeyboardDevice = 0x1000;
// The pads' axes run from -1000 to 1000 with a dead zone of a quarter of the travel (2500 in
// ten-thousandths) around the rest position.
constexpr int32_t kAxisRange = 1000;
constexpr int32_t kDeadZone = 2500;

// A pad's state as the reads store it.
struct JoystickState {
  int32_t x, y, z, rx, ry, rz;
  int32_t sliders[2];
  uint32_t pov[4];
  uint8_t buttons[32];
};
static_assert(sizeof(JoystickState) == 80);

struct JoypadRecord {
  int device = -1;  // the service's number of the controller; -1 = none
  JoystickState state{};
  uint32_t lastPoll = 0;
};

struct InputState {
  int started = 0;        // the input system exists
  int keyboard = 0;       // the keyboard device exists
  int keyboardEvent = 0;  // it reports its changes
  uint32_t lastKeyboardPoll = 0;
  uint8_t keys[256] = {};
  int padCount = 0;
  JoypadRecord pads[kMaxPads];
};
InputState g_input;

platform::InputService& Service() {
  return platform::CurrentInputService();
}

uint32_t Now() {
  return static_cast<uint32_t>(GetMillisecondCount(0));
}

// A raw axis (-32768 .. 32767) in the pads' range, 0 inside the dead zone; the travel beyond
// the dead zone spans the whole range.
int32_t ScaleAxis(int32_t raw) {
  int64_t magnitude = raw < 0 ? -int64_t{raw} : int64_t{raw};
  if (magnitude > 32767) magnitude = 32767;
  const int64_t dead = int64_t{32767} * kDeadZone / 10000;
  if (magnitude <= dead) return 0;
  int64_t scaled = (magnitude - dead) * kAxisRange / (32767 - dead);
  if (scaled < 1) scaled = 1;
  return static_cast<int32_t>(raw < 0 ? -scaled : scaled);
}

JoystickState ConvertPadState(const platform::PadState& s) {
  JoystickState j{};
  // Without a stick of two axes and at least one button the device is no game pad: nothing held.
  if (s.axisCount < 2 || s.buttonCount < 1) {
    for (uint32_t& p : j.pov) p = 0xFFFFFFFFu;
    return j;
  }
  int32_t* axes[8] = {&j.x, &j.y, &j.z, &j.rx, &j.ry, &j.rz, &j.sliders[0], &j.sliders[1]};
  for (int a = 0; a < s.axisCount && a < 8; ++a) *axes[a] = ScaleAxis(s.axes[a]);
  for (int h = 0; h < 4; ++h) j.pov[h] = static_cast<uint32_t>(s.hats[h]);
  for (int b = 0; b < s.buttonCount && b < 32; ++b) j.buttons[b] = s.buttons[b] & 0x80;
  return j;
}

int PadBits(const JoystickState& s) {
  int bits = 0;
  if (s.y > 0) bits |= 0x1;
  if (s.x < 0) bits |= 0x2;
  if (s.x > 0) bits |= 0x4;
  if (s.y < 0) bits |= 0x8;
  for (int i = 0; i < 24; ++i) {
    if (s.buttons[i] & 0x80) bits |= 1 << (i + 4);
  }
  return bits;
}

struct KeyBit {
  uint8_t key;
  uint8_t alternative;  // 0 = none
  int bit;
};
// The keyboard's share of a pad read.
constexpr KeyBit kKeyboardMap[] = {
    {0x50, 0xD0, 0x1}, {0x4B, 0xCB, 0x2}, {0x4D, 0xCD, 0x4}, {0x48, 0xC8, 0x8}, {0x2C, 0, 0x10},
    {0x2D, 0, 0x20},   {0x2E, 0, 0x40},   {0x1E, 0, 0x80},   {0x1F, 0, 0x100},  {0x20, 0, 0x200},
    {0x10, 0, 0x400},  {0x11, 0, 0x800},  {0x01, 0, 0x1000}, {0x39, 0, 0x2000},
};

int KeyboardBits(const uint8_t keys[256]) {
  int bits = 0;
  for (const KeyBit& k : kKeyboardMap) {
    if ((keys[k.key] & 0x80) || (k.alternative != 0 && (keys[k.alternative] & 0x80))) {
      bits |= k.bit;
    }
  }
  return bits;
}

// Virtual key and key code of every key the window system's own key state is read for when the
// keyboard device is gone.
struct FallbackKey {
  uint16_t virtualKey;
  uint8_t key;
};
constexpr FallbackKey kFallbackKeys[] = {
    {0x08, 0x0E},
    {0x09, 0x0F},
    {0x0D, 0x1C},
    {0xA0, 0x2A},
    {0xA1, 0x36},
    {0xA2, 0x1D},
    {0xA3, 0x9D},
    {0x1B, 0x01},
    {0x20, 0x39},
    {0x21, 0xC9},
    {0x22, 0xD1},
    {0x23, 0xCF},
    {0x24, 0xC7},
    {0x25, 0xCB},
    {0x26, 0xC8},
    {0x27, 0xCD},
    {0x28, 0xD0},
    {0x2D, 0xD2},
    {0x2E, 0xD3},
    {0xBD, 0x0C},
    {0xDC, 0x7D},
    {0xBE, 0x34},
    {0xBF, 0x35},
    {0xA4, 0x38},
    {0xA5, 0xB8},
    {0x91, 0x46},
    {0xBB, 0x27},
    {0xBA, 0x92},
    {0xDB, 0x1A},
    {0xDD, 0x1B},
    {0xC0, 0x91},
    {0xE2, 0x2B},
    {0xBC, 0x33},
    {0x14, 0x3A},
    {0x13, 0xC5},
    {0x60, 0x52},
    {0x61, 0x4F},
    {0x62, 0x50},
    {0x63, 0x51},
    {0x64, 0x4B},
    {0x65, 0x4C},
    {0x66, 0x4D},
    {0x67, 0x47},
    {0x68, 0x48},
    {0x69, 0x49},
    {0x6A, 0x37},
    {0x6B, 0x4E},
    {0x6D, 0x4A},
    {0x6E, 0x53},
    {0x6F, 0xB5},
    {0x0D, 0x9C},
    {0x70, 0x3B},
    {0x71, 0x3C},
    {0x72, 0x3D},
    {0x73, 0x3E},
    {0x74, 0x3F},
    {0x75, 0x40},
    {0x76, 0x41},
    {0x77, 0x42},
    {0x78, 0x43},
    {0x79, 0x44},
    {0x7A, 0x57},
    {0x7B, 0x58},
    // A to Z
    {0x41, 0x1E},
    {0x42, 0x30},
    {0x43, 0x2E},
    {0x44, 0x20},
    {0x45, 0x12},
    {0x46, 0x21},
    {0x47, 0x22},
    {0x48, 0x23},
    {0x49, 0x17},
    {0x4A, 0x24},
    {0x4B, 0x25},
    {0x4C, 0x26},
    {0x4D, 0x32},
    {0x4E, 0x31},
    {0x4F, 0x18},
    {0x50, 0x19},
    {0x51, 0x10},
    {0x52, 0x13},
    {0x53, 0x1F},
    {0x54, 0x14},
    {0x55, 0x16},
    {0x56, 0x2F},
    {0x57, 0x11},
    {0x58, 0x2D},
    {0x59, 0x15},
    {0x5A, 0x2C},
    // 0 to 9
    {0x30, 0x0B},
    {0x31, 0x02},
    {0x32, 0x03},
    {0x33, 0x04},
    {0x34, 0x05},
    {0x35, 0x06},
    {0x36, 0x07},
    {0x37, 0x08},
    {0x38, 0x09},
    {0x39, 0x0A},
    {0xFFFF, 0},
};
static_assert(sizeof(kFallbackKeys) / sizeof(kFallbackKeys[0]) == 99 + 1);

void ReadFallbackKeys() {
  uint8_t system[256];
  Service().SystemKeyState(system);
  std::memset(g_input.keys, 0, sizeof g_input.keys);
  for (const FallbackKey* k = kFallbackKeys; k->virtualKey != 0xFFFF; ++k) {
    g_input.keys[k->key] = system[k->virtualKey];
  }
}

[[noreturn]] void KeyboardFailure(const char* text) {
  Service().CloseKeyboard();
  Service().Stop();
  g_input.started = 0;
  ExitWithError(text);
}

// Reads while the input system is not running start it, and read as nothing held.
bool StartInsteadOfReading() {
  if (g_input.started || IsClosePosted()) return false;
  InitDirectInput();
  return true;
}

}  // namespace

int EnumJoypadCallback(int device) {
  if (!g_input.started || g_input.padCount >= kMaxPads) return 0;
  platform::InputService& svc = Service();
  WriteLog("入力装置を見つけました\n");
  platform::PadInfo info;
  if (!svc.OpenPad(device, &info)) {
    WriteLog("入力装置の取得に失敗しました\n");
    return 1;
  }
  IncreaseLogIndent();
  WriteLogFormat("デバイスの登録名:%s", info.name.c_str());
  WriteLogFormat("デバイスの製品登録名:%s", info.product.c_str());
  DecreaseLogIndent();
  // The data format, the cooperative level (background, shared), the axis ranges and the dead
  // zones are the library's own here: it scales the raw values itself.
  if (!svc.EnablePadNotification(device)) {
    WriteLog("ジョイパッドイベントのセットアップが失敗しました\n");
    svc.ClosePad(device);
    return 1;
  }
  svc.AcquirePad(device);
  JoypadRecord& r = g_input.pads[g_input.padCount];
  r = JoypadRecord{};
  r.device = device;
  for (uint32_t& p : r.state.pov) p = 0xFFFFFFFFu;
  ++g_input.padCount;
  WriteLog("ジョイパッドの追加は正常に終了しました\n");
  return g_input.padCount < kMaxPads ? 1 : 0;
}

int InitDirectInput() {
  if (g_input.started) return 0;
  platform::InputService& svc = Service();
  g_input = InputState{};
  WriteLog("DirectInput関係初期化処理\n");
  IncreaseLogIndent();
  WriteLog("DirectInputオブジェクトの取得中... ");
  if (!svc.Start()) {
    WriteLog("取得に失敗\n");
    return -1;
  }
  WriteLog("成功\n");
  IncreaseLogIndent();
  WriteLog("引き続き初期化処理... ");
  WriteLog("初期化成功\n");
  DecreaseLogIndent();
  g_input.started = 1;

  platform::CurrentWindowService().Raise();
  PumpMessages();

  WriteLog("ジョイパッドの初期化... \n");
  int found = svc.EnumeratePads();
  for (int d = 0; d < found; ++d) {
    if (EnumJoypadCallback(d) == 0) break;
  }
  WriteLog("ジョイパッドの初期化は正常に終了しました\n");

  WriteLog("キーボードデバイスの初期化... ");
  switch (svc.OpenKeyboard()) {
    case platform::KeyboardOpen::kOk:
      break;
    case platform::KeyboardOpen::kNoDevice:
      KeyboardFailure("キーボードデバイスの取得に失敗しました");
    case platform::KeyboardOpen::kNoFormat:
      KeyboardFailure("キーボードデバイスのデータ形式の設定に失敗しました");
    case platform::KeyboardOpen::kNoCooperation:
      KeyboardFailure("キーボードデバイスの協調レベルの設定に失敗しました");
  }
  g_input.keyboard = 1;
  if (!svc.SetKeyboardBuffer(platform::kKeyBufferSize)) {
    WriteLog("キーボードのプロパティ設定に失敗しました\n");
  }
  if (!svc.EnableKeyboardNotification()) {
    WriteLog("キーボードイベントのセットアップが失敗しました\n");
    return 1;
  }
  g_input.keyboardEvent = 1;
  if (!svc.AcquireKeyboard() && !svc.AcquireKeyboard()) {
    g_input.keyboard = 0;
    KeyboardFailure("キーボードデバイスの取得に失敗しました");
  }
  WriteLog("初期化成功\n");
  g_input.lastKeyboardPoll = Now();
  DecreaseLogIndent();
  WriteLog("DirectInput 関連の初期化は正常に終了しました\n");
  return 0;
}

int TerminateDirectInput() {
  if (!g_input.started) return 0;
  platform::InputService& svc = Service();
  WriteLog("DirectInput 関連の終了処理... 完了\n");
  for (int i = 0; i < g_input.padCount; ++i) {
    if (g_input.pads[i].device >= 0) svc.ClosePad(g_input.pads[i].device);
    g_input.pads[i] = JoypadRecord{};
  }
  g_input.padCount = 0;
  if (g_input.keyboard) svc.CloseKeyboard();
  g_input.keyboard = 0;
  g_input.keyboardEvent = 0;
  svc.Stop();
  g_input.started = 0;
  return 0;
}

int UpdateKeyboardState() {
  if (!g_input.keyboard) {
    ReadFallbackKeys();
    return 1;
  }
  platform::InputService& svc = Service();
  uint32_t now = Now();
  bool signalled = g_input.keyboardEvent && svc.KeyboardSignalled();
  if (now == g_input.lastKeyboardPoll && !signalled) return 0;
  uint8_t keys[256];
  if (!svc.ReadKeyboard(keys)) {
    svc.AcquireKeyboard();
    if (!svc.ReadKeyboard(keys)) return 0;
  }
  std::memcpy(g_input.keys, keys, sizeof keys);
  g_input.lastKeyboardPoll = now;
  if (signalled) svc.ResetKeyboardSignal();
  return 1;
}

int UpdateJoypadState(int pad) {
  if (pad < 0 || pad >= g_input.padCount || g_input.pads[pad].device < 0) return 0;
  platform::InputService& svc = Service();
  JoypadRecord& r = g_input.pads[pad];
  uint32_t now = Now();
  if (now == r.lastPoll && !svc.PadSignalled(r.device)) return 0;
  r.lastPoll = now;
  platform::PadState raw;
  platform::PadRead result = svc.ReadPad(r.device, &raw);
  if (result == platform::PadRead::kFailed) {
    if (PumpMessages() != 0) return -1;
    if (svc.AcquirePad(r.device)) {
      if (PumpMessages() != 0) return -1;
      result = svc.ReadPad(r.device, &raw);
    }
  }
  if (result == platform::PadRead::kOk) {
    r.state = ConvertPadState(raw);
  } else if (result == platform::PadRead::kDetached) {
    // A controller that is gone holds nothing; a read that merely failed keeps the last state.
    r.state = ConvertPadState(platform::PadState{});
  }
  if (svc.PadSignalled(r.device)) svc.ResetPadSignal(r.device);
  return 0;
}

int GetPadInputBits(int device) {
  WaitActiveAndRestore();
  if (StartInsteadOfReading()) return 0;
  int p = (device & ~kKeyboardDevice) - 1;
  if (p < -1 || p > kMaxPads - 1) return 0;
  int bits = 0;
  if (p >= 0 && p < g_input.padCount && g_input.pads[p].device >= 0) {
    UpdateJoypadState(p);
    bits = PadBits(g_input.pads[p].state);
  }
  if ((device & kKeyboardDevice) == 0) return bits;
  UpdateKeyboardState();
  return bits | KeyboardBits(g_input.keys);
}

int IsKeyPressed(int key) {
  WaitActiveAndRestore();
  if (StartInsteadOfReading()) return 0;
  UpdateKeyboardState();
  if (key < 0 || key > 255) return 0;
  return g_input.keys[key] >> 7;
}

int GetPadCount() {
  WaitActiveAndRestore();
  if (StartInsteadOfReading()) return 0;
  return g_input.padCount;
}

int ClearKeyboardBuffer() {
  if (!g_input.keyboard) return 0;
  while (Service().DrainKeyboardEvents(5) == 5) {
  }
  return 0;
}

}  // namespace morrow
