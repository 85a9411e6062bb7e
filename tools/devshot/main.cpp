// devshot [--window|--full] [--depth 8|16|32] [--layout 565|555|444] [--vsync] [--path soft|d3d]
//         --script NAME|FILE [--out FILE.png] [--probe X,Y]... [--state] [--trace] [--trace3d]
//
// Runs a drawing script (script.h; NAME is one of the built-in scripts) on the library, headless
// when SDL's dummy video driver is chosen. The virtual desktop is 1024x768 at the asked depth and
// 16-bit layout unless MORROW_DESKTOP says otherwise; the mode is a window at 32 bits unless
// told. After the library starts, the vertical-sync option is stored (off unless --vsync) and the
// back screen is selected, as the game does; then the script runs. A call that returns -1
// prints "line N: COMMAND -1". Then each probe prints "X,Y 0x%0Nx", the raw pixel of the back
// screen (N = 2, 4 or 8 hexadecimal digits by depth; "X,Y -1" outside it), one frame is
// presented, its picture written to --out as a PNG, and --state prints
//   state target=T area=L,T,R,B blend=M,P bright=0x%08x empty=E
// (T: -4, -2 or the graph handle as 0x%08x). --trace prints every drawing routine the script
// reaches through the routing table: its name and its arguments.
// --path soft (the default) draws without a 3D device; --path d3d offers the CPU 3D device, sets
// the hardware-shape option as the game does and ends the scene before the probes. --trace3d
// prints the draws the device receives ("DrawPrimitive TYPE 0xFVF N", "DrawIndexedPrimitive
// TYPE 0xFVF VERTICES INDICES").
// A script file is read as cat reads it, up to 64 MiB. A `load` or `loaddiv` whose file does not
// load says why on stderr too ("devshot: line N: PATH: REASON").
// Exit 0; 1 when the library does not start, the picture cannot be written (nothing is left at
// --out) or standard output cannot be written, or SIGINT, SIGTERM or SIGHUP came before the
// library started (the wait for a script among it: "devshot: stopped by SIG... while reading
// FILE"); 255 when the library ends the process itself; 2 for bad arguments, a script that cannot
// be read or has an error ("FILE:LINE: message"), or when another instance holds the library's
// lock.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/device/direct3d.h"
#include "morrow/device/pieces3d.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_routes.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/font.h"
#include "morrow/graphics/font_record.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_image.h"
#include "morrow/graphics/graph_load.h"
#include "morrow/graphics/mask.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/softdraw/raster.h"
#include "morrow/system/library.h"
#include "morrow/system/stream.h"
#include "morrow/system/window.h"
#include "platform/device3d.h"
#include "platform/pixel_layout.h"
#include "tools/devshot/script.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

struct Options {
  int window = 1;
  long depth = 32;
  std::string layout;  // empty: the display's default
  bool vsync = false;
  std::string script;
  std::string out;
  std::vector<std::pair<long, long>> probes;
  bool state = false;
  bool trace = false;
  bool trace3d = false;
  bool d3d = false;
};

int Usage(const char* problem) {
  toolrun::Say(problem);
  std::fprintf(stderr,
               "usage: devshot [--window|--full] [--depth 8|16|32] [--layout 565|555|444] "
               "[--vsync] --script NAME|FILE [--out FILE.png] [--probe X,Y]... [--state] "
               "[--trace] [--trace3d] [--path soft|d3d]\n");
  return toolrun::kUsage;
}

bool ParsePoint(const char* text, long* x, long* y) {
  char* end = nullptr;
  *x = std::strtol(text, &end, 10);
  if (end == text || *end != ',') return false;
  const char* second = end + 1;
  *y = std::strtol(second, &end, 10);
  return end != second && *end == '\0';
}

// 0 when parsed, else the exit status.
int ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--window") {
      o->window = 1;
    } else if (a == "--full") {
      o->window = 0;
    } else if (a == "--vsync") {
      o->vsync = true;
    } else if (a == "--state") {
      o->state = true;
    } else if (a == "--trace") {
      o->trace = true;
    } else if (a == "--trace3d") {
      o->trace3d = true;
    } else if (a == "--path" && hasValue) {
      const std::string v = argv[++i];
      if (v != "soft" && v != "d3d") return Usage("--path takes soft or d3d");
      o->d3d = v == "d3d";
    } else if (a == "--depth" && hasValue) {
      const std::string v = argv[++i];
      if (v != "8" && v != "16" && v != "32") return Usage("--depth takes 8, 16 or 32");
      o->depth = std::atol(v.c_str());
    } else if (a == "--layout" && hasValue) {
      o->layout = argv[++i];
      if (o->layout != "565" && o->layout != "555" && o->layout != "444") {
        return Usage("--layout takes 565, 555 or 444");
      }
    } else if (a == "--script" && hasValue) {
      o->script = argv[++i];
    } else if (a == "--out" && hasValue) {
      o->out = argv[++i];
    } else if (a == "--probe" && hasValue) {
      long x = 0, y = 0;
      if (!ParsePoint(argv[++i], &x, &y)) return Usage("--probe takes X,Y");
      o->probes.emplace_back(x, y);
    } else {
      return Usage(("bad argument: " + a).c_str());
    }
  }
  if (o->script.empty()) return Usage("--script is required");
  return 0;
}

// The script's text: a built-in one by name, else the file. False, after saying why, when the
// file cannot be read (a folder is no script, not an empty one).
bool LoadScript(const std::string& name, std::string* text) {
  for (int i = 0; i < devshot::kBuiltinScriptCount; ++i) {
    if (name == devshot::kBuiltinScripts[i].name) {
      *text = devshot::kBuiltinScripts[i].text;
      return true;
    }
  }
  return toolrun::ReadWholeFile(name, toolrun::kInputLimit, text);
}

// Why the picture file at `path`, as the game writes paths, did not load: what stands there
// instead of a regular file (the library reads nothing else), or what the file holds.
std::string WhyNotLoaded(const std::string& path, const char* holds) {
  std::string mapped;
  if (!morrow::MapGamePath(path.c_str(), &mapped)) return path + ": the path is too long";
  const std::string refusal = toolrun::RegularFileRefusal(mapped);
  if (refusal.empty()) return path + ": " + holds;
  // The reason named the file as it was found.
  return refusal.starts_with(mapped + ": ") ? path + refusal.substr(mapped.size()) : refusal;
}

// A graph from a solid image (24 bits, or 32 with alpha when alpha >= 0) whose four quadrants
// take the four colours: top-left, top-right, bottom-left, bottom-right.
int MakeGraph(int width, int height, const long colours[4][3], long alpha) {
  const int graph = morrow::CreateGraph(width, height, 1, alpha >= 0 ? 1 : 0);
  morrow::GraphRecord* record = morrow::GetGraphRecord(graph);
  if (record == nullptr) return -1;
  const int bytes = alpha >= 0 ? 4 : 3;
  morrow::GraphImage image{};
  if (alpha >= 0) {
    morrow::InitColorFormatFromMasks(&image.format, 32, 0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u);
  } else {
    morrow::InitRgb24ColorFormat(&image.format);
  }
  image.width = width;
  image.height = height;
  image.pitch = width * bytes;
  image.pixels = std::malloc(static_cast<size_t>(image.pitch) * static_cast<size_t>(height));
  if (image.pixels == nullptr) {
    morrow::FreeGraphHandle(graph, 0);
    return -1;
  }
  auto* p = static_cast<uint8_t*>(image.pixels);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const long* c = colours[(y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)];
      const uint32_t v = static_cast<uint32_t>(c[0]) << 16 | static_cast<uint32_t>(c[1]) << 8 |
                         static_cast<uint32_t>(c[2]) |
                         static_cast<uint32_t>(alpha >= 0 ? alpha : 0) << 24;
      platform::WritePixel(p + static_cast<size_t>(y) * image.pitch + x * bytes, bytes, v);
    }
  }
  const int result = record->flags.texture != 0
                         ? morrow::Set3DGraphImage(record, 0, 0, &image, nullptr)
                         : morrow::BltGraphImageToGraph(0, 0, record, &image, nullptr);
  morrow::FreeGraphImage(&image);
  return result == 0 ? graph : -1;
}

// The display's loss hook, then the pump until the window is active again: in full screen the
// activation rebuilds the display and reloads every graph from its file.
int Lose() {
  platform::Display* display = morrow::IsDirectDrawReady();
  if (display == nullptr || display->SimulateLoss() != platform::DisplayResult::kOk) return -1;
  if (morrow::PumpMessages() != 0) return -1;
  morrow::WaitActiveAndRestore();
  return 0;
}

class Runner {
 public:
  // The call's result.
  int Run(const devshot::Command& c) {
    const std::vector<long>& v = c.ints;
    auto i = [&](size_t k) { return static_cast<int>(v[k]); };
    auto colour = [&](size_t k) { return morrow::PackScreenColor(i(k), i(k + 1), i(k + 2)); };
    const int g = Handle(c.name);
    switch (c.op) {
      case devshot::Op::kClear:
        return morrow::ClearDrawTarget();
      case devshot::Op::kPresent:
        return morrow::PresentFrame();
      case devshot::Op::kTarget:
        return morrow::SelectDrawTarget(c.name == "back"    ? morrow::kBackScreen
                                        : c.name == "front" ? morrow::kFrontScreen
                                                            : g);
      case devshot::Op::kClip:
        return morrow::SetClipRect(i(0), i(1), i(2), i(3));
      case devshot::Op::kAlphaTest:
        return morrow::SetGraphAlphaTestFlag(i(0));
      case devshot::Op::kBlend:
        return morrow::SetBlendMode(i(0), i(1));
      case devshot::Op::kBright:
        return morrow::SetModulationColor(i(0), i(1), i(2));
      case devshot::Op::kKey:
        return morrow::SetKeyColor(i(0), i(1), i(2));
      case devshot::Op::kGraph: {
        const long colours[4][3] = {
            {v[2], v[3], v[4]}, {v[2], v[3], v[4]}, {v[2], v[3], v[4]}, {v[2], v[3], v[4]}};
        names_[c.name] = MakeGraph(i(0), i(1), colours, v.size() > 5 ? v[5] : -1);
        return names_[c.name];
      }
      case devshot::Op::kGraph4: {
        const long colours[4][3] = {
            {v[2], v[3], v[4]}, {v[5], v[6], v[7]}, {v[8], v[9], v[10]}, {v[11], v[12], v[13]}};
        names_[c.name] = MakeGraph(i(0), i(1), colours, -1);
        return names_[c.name];
      }
      case devshot::Op::kPaint:
        return morrow::PaintGraph(g, i(0), i(1), i(2), i(3));
      case devshot::Op::kDelete:
        return morrow::FreeGraphHandle(g, 0);
      case devshot::Op::kDraw:
        return morrow::DrawGraph(i(0), i(1), g, i(2));
      case devshot::Op::kPart:
        return morrow::DrawGraphPart(i(0), i(1), i(2), i(3), i(4), i(5), g, i(6), i(7));
      case devshot::Op::kExtend:
        return morrow::DrawExtendGraph(i(0), i(1), i(2), i(3), g, i(4));
      case devshot::Op::kRota:
        return morrow::DrawRotaGraph(i(0), i(1), c.reals[0], c.reals[1], g, i(2), i(3));
      case devshot::Op::kModi:
        return morrow::DrawModiGraph(i(0), i(1), i(2), i(3), i(4), i(5), i(6), i(7), g, i(8));
      case devshot::Op::kFloatModi: {
        float f[8];
        for (int k = 0; k < 8; ++k) f[k] = ToFloat(c.reals[static_cast<size_t>(k)]);
        return morrow::DrawFloatModiGraph(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], g, i(0));
      }
      case devshot::Op::kBox:
        return morrow::DrawRectangle(i(0), i(1), i(2), i(3), colour(4), v.size() > 7 ? i(7) : 1);
      case devshot::Op::kLine:
        return morrow::DrawLine(i(0), i(1), i(2), i(3), colour(4));
      case devshot::Op::kCircle:
        return morrow::DrawCircle(i(0), i(1), i(2), colour(3), i(6));
      case devshot::Op::kLoad:
        names_[c.name] = morrow::LoadImageAsGraph(c.path.c_str());
        if (names_[c.name] == -1) {
          SayFor(c, WhyNotLoaded(c.path, "neither a picture nor a movie the library reads"));
        }
        return names_[c.name];
      case devshot::Op::kLoadDiv: {
        std::vector<int> cells(static_cast<size_t>(v[0] > 0 ? v[0] : 0), -1);
        const int result =
            morrow::LoadDividedGraph(c.path.c_str(), i(0), i(1), i(2), i(3), i(4), cells.data());
        for (size_t k = 0; k < cells.size(); ++k) names_[c.name + std::to_string(k)] = cells[k];
        if (result == -1) {
          SayFor(c, WhyNotLoaded(c.path, "not a picture the library reads, or not of those cells"));
        }
        return result;
      }
      case devshot::Op::kLose:
        return Lose();
      case devshot::Op::kFont:
        names_[c.name] = morrow::CreateFontToHandle(nullptr, i(0), i(1), i(2), -1, i(3), -1, -1);
        return names_[c.name];
      case devshot::Op::kDefFont:
        morrow::SetDefaultFontSize(i(0));
        morrow::SetDefaultFontThickness(i(1));
        return morrow::SetDefaultFontType(i(2));
      case devshot::Op::kText:
        return morrow::RenderText(i(0), i(1), c.text.c_str(), colour(2), colour(5));
      case devshot::Op::kFText:
        return morrow::RenderTextToHandle(i(0), i(1), c.text.c_str(), colour(2), g, colour(5),
                                          i(8));
      case devshot::Op::kMeasure: {
        int size[2] = {0, 0};
        const int total = morrow::FontCacheStringDraw(0, 0, 0, c.text.c_str(), 0, nullptr, nullptr,
                                                      0, nullptr, 0, 0, g, 0, -1, i(0), size);
        if (total != -1) std::printf("measure %d %d\n", size[0], size[1]);
        return total;
      }
      case devshot::Op::kCapture:
        return morrow::CopyScreenToGraph(i(0), i(1), i(2), i(3), g, i(4));
      case devshot::Op::kTri:
        return morrow::DrawPlainTriangleDDraw(i(0), i(1), i(2), i(3), i(4), i(5), colour(6));
      case devshot::Op::kMask:
        if (c.name == "create") return morrow::CreateMaskBuffer(1, 1);
        if (c.name == "on" || c.name == "off") return morrow::SetMaskEnabled(c.name == "on");
        if (c.name == "delete") return morrow::DeleteMaskBuffer();
        return morrow::FillMaskRect(i(0), i(1), i(2), i(3), i(4));
    }
    return 0;
  }

 private:
  static void SayFor(const devshot::Command& c, const std::string& text) {
    toolrun::Say("line " + std::to_string(c.line) + ": " + text);
  }
  int Handle(const std::string& name) const {
    auto it = names_.find(name);
    return it == names_.end() ? -1 : it->second;
  }
  // A real beyond the float range becomes an infinity of its sign.
  static float ToFloat(double v) {
    if (v > 3.4028234663852886e38) return __builtin_huge_valf();
    if (v < -3.4028234663852886e38) return -__builtin_huge_valf();
    return static_cast<float>(v);
  }
  std::map<std::string, int> names_;
};

void PrintProbe(long x, long y) {
  platform::Surface* back = morrow::GetBackSurface();
  platform::LockedRect locked;
  if (back == nullptr || x < 0 || y < 0 || x >= back->width() || y >= back->height() ||
      back->Lock(nullptr, &locked) != platform::DisplayResult::kOk) {
    std::printf("%ld,%ld -1\n", x, y);
    return;
  }
  const int bytes = static_cast<int>(locked.format.bitCount / 8);
  const uint32_t v = platform::ReadPixel(locked.bits + y * locked.pitch + x * bytes, bytes);
  back->Unlock();
  std::printf("%ld,%ld 0x%0*x\n", x, y, bytes * 2, v);
}

void PrintState() {
  const morrow::DrawState& ds = morrow::GetDrawState();
  char target[16];
  if (ds.drawScreen == morrow::kFrontScreen || ds.drawScreen == morrow::kBackScreen) {
    std::snprintf(target, sizeof target, "%d", ds.drawScreen);
  } else {
    std::snprintf(target, sizeof target, "0x%08x", static_cast<uint32_t>(ds.drawScreen));
  }
  std::printf("state target=%s area=%d,%d,%d,%d blend=%d,%d bright=0x%08x empty=%d\n", target,
              ds.drawArea.left, ds.drawArea.top, ds.drawArea.right, ds.drawArea.bottom,
              ds.blendMode, ds.blendParam, ds.drawBright, ds.emptyArea);
}

// 0 when the run did what was asked, else its exit status.
int Run(int argc, char** argv) {
  Options o;
  if (int status = ParseOptions(argc, argv, &o); status != 0) return status;
  std::string text;
  if (!LoadScript(o.script, &text)) return toolrun::StopSignal() != 0 ? 1 : 2;
  std::vector<devshot::Command> commands;
  std::string error;
  if (!devshot::ParseScript(text, o.script, &commands, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }

  // The display reads these when it is made; a desktop given by the caller stays.
  const std::string desktop = "1024x768x" + std::to_string(o.depth);
  setenv("MORROW_DESKTOP", desktop.c_str(), 0);
  if (!o.layout.empty()) setenv("MORROW_PIXEL16", o.layout.c_str(), 1);
  setenv("MORROW_D3D", o.d3d ? "on" : "off", 1);
  if (o.trace3d) {
    platform::SetDirect3DRecorder([](const std::string& line) {
      if (line.rfind("DrawPrimitive ", 0) == 0 || line.rfind("DrawIndexedPrimitive ", 0) == 0) {
        std::printf("%s\n", line.c_str());
      }
    });
  }

  morrow::ChangeWindowMode(o.window);
  morrow::SelectScreenMode(640, 480, static_cast<int>(o.depth), -1);
  // Once started, the library takes the stop signals over; one that came before ends the run here.
  if (toolrun::StopSignal() != 0) {
    toolrun::Say(toolrun::StoppedBy());
    return 1;
  }
  if (toolrun::StartLibrary(1) != 0) return 1;
  morrow::SetDDrawStartFlag(o.vsync ? 1 : 0);
  morrow::SelectDrawTarget(morrow::kBackScreen);
  if (o.d3d) morrow::SetHardwareShapeDrawFlag(1);
  if (o.trace) {
    morrow::TraceDrawRoutes([](const std::string& line) { std::printf("%s\n", line.c_str()); });
  }

  Runner runner;
  for (const devshot::Command& c : commands) {
    if (runner.Run(c) == -1) std::printf("line %d: %s -1\n", c.line, c.word.c_str());
    std::fflush(stdout);
  }
  morrow::TraceDrawRoutes(nullptr);
  if (o.d3d) morrow::EndScene3D();
  std::fflush(stdout);
  platform::SetDirect3DRecorder({});

  for (const auto& [x, y] : o.probes) PrintProbe(x, y);
  morrow::PresentFrame();
  int status = 0;
  if (!o.out.empty() && !toolrun::WriteLastPicture(o.out)) status = 1;
  if (o.state) PrintState();
  std::fflush(stdout);
  morrow::EndLibrary();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  toolrun::Begin("devshot");
  toolrun::CatchStopSignals();
  return toolrun::End(Run(argc, argv));
}
