// The battle draw from the probe: the draw, the draw list, numbers and turned boxes, and (in
// battle-probe-rec only) the log of the library calls they make.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>

#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/flow/flow.h"
#include "game/view/draw_list.h"
#include "game/view/rota_rect.h"
#include "game/view/view.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"
#ifdef BATTLE_PROBE_RECORDING
#include "morrow/recording/library_recorder.h"
#endif

namespace battleprobe {

#ifdef BATTLE_PROBE_RECORDING
namespace {

enum class DrawLogMode { kOff, kOn, kState };
DrawLogMode g_drawLog = DrawLogMode::kOff;

// The draw state the library holds, followed through the calls that set it from the library's
// start values; the library holds the parameter and the channels within 0-255.
struct HeldDrawState {
  int64_t mode = 0;
  int64_t parameter = 0;
  int64_t red = 255;
  int64_t green = 255;
  int64_t blue = 255;
  int64_t filter = 0;
};
HeldDrawState g_drawState;

int64_t ClampByte(int64_t v) {
  return std::clamp<int64_t>(v, 0, 255);
}

void FollowDrawState(const testsupport::RecordedCall& call) {
  HeldDrawState& s = g_drawState;
  if (call.name == "SetBlendMode") {
    s.mode = call.Int(0);
    s.parameter = ClampByte(call.Int(1));
  } else if (call.name == "SetModulationColor") {
    s.red = ClampByte(call.Int(0));
    s.green = ClampByte(call.Int(1));
    s.blue = ClampByte(call.Int(2));
  } else if (call.name == "SetFilterMode") {
    s.filter = call.Int(0);
  }
}

// The calls that draw under the draw state.
bool IsDrawingCall(const std::string& name) {
  static const std::set<std::string> kDrawing = {
      "DrawGraph",     "DrawGraphPart",   "DrawRotaGraph",    "DrawModiGraph",
      "DrawRectangle", "DrawLine",        "RenderText",       "LoadAndDrawGraphFile",
      "DrawCircle",    "DrawExtendGraph", "DrawMirroredGraph"};
  return kDrawing.count(name) != 0;
}

void PrintCall(const testsupport::RecordedCall& call) {
  if (testsupport::Recorder().quiet.count(call.name) != 0) return;
  if (g_drawLog == DrawLogMode::kOn) {
    std::printf("%s\n", call.Text().c_str());
  } else if (g_drawLog == DrawLogMode::kState && IsDrawingCall(call.name)) {
    const HeldDrawState& s = g_drawState;
    std::printf("%s | %lld %lld %02llx%02llx%02llx %lld\n", call.Text().c_str(),
                static_cast<long long>(s.mode), static_cast<long long>(s.parameter),
                static_cast<long long>(s.red), static_cast<long long>(s.green),
                static_cast<long long>(s.blue), static_cast<long long>(s.filter));
  }
}

}  // namespace

void StartRecorder() {
  testsupport::Recorder().Reset();
  g_drawState = HeldDrawState{};
  testsupport::Recorder().onCall = [](const testsupport::RecordedCall& call) {
    FollowDrawState(call);
    PrintCall(call);
  };
}

// What was recorded is printed as it happens; nothing needs keeping between commands.
void ForgetRecordedCalls() {
  testsupport::Recorder().ClearCalls();
}

void DrawLog(const Args& a) {
  if (a[1] == "on") {
    g_drawLog = DrawLogMode::kOn;
  } else if (a[1] == "off") {
    g_drawLog = DrawLogMode::kOff;
  } else if (a[1] == "state") {
    g_drawLog = DrawLogMode::kState;
  } else {
    Fail("drawlog: on, off or state");
  }
}
#else
void StartRecorder() {}
void ForgetRecordedCalls() {}

void DrawLog(const Args&) {
  Fail("drawlog: only battle-probe-rec records the library calls");
}
#endif

void FillDigitTables() {
  for (int d = 0; d < 10; ++d) {
    veyrdale::DigitGraphs[d] = 1000 + d;
    veyrdale::SmallDigitGraphs[d] = 2000 + d;
    veyrdale::PictureSlots[veyrdale::kPictureDigitSlot][d] = 3000 + d;
  }
}

void Draw(const Args&) {
  veyrdale::DrawBattleFrame();
}

void DrawListCommand(const Args&) {
  veyrdale::LateEffectCount = 0;
  const int count = veyrdale::BuildDrawList(veyrdale::g_match.playerCount);
  veyrdale::CarryOutDrawList(veyrdale::g_match.playerCount);
  std::printf("%d\n", count);
  for (int i = 0; i < count; ++i) {
    const veyrdale::BattleObject& e = veyrdale::DrawList[i];
    std::printf("%d %d ", e.drawTag, e.kind);
    PrintFloat(e.x);
    std::printf(" ");
    PrintFloat(e.y);
    std::printf(" %d\n", e.move);
  }
}

void Number(const Args& a) {
  veyrdale::DrawNumber(ToInt(a[1]), ToInt(a[2]), ToInt(a[3]), ToInt(a[4]),
                       static_cast<uint8_t>(ToInteger(a[5], 0, UINT8_MAX)));
}

void RotaRect(const Args& a) {
  veyrdale::DrawRotaRectGraph(ToFloat(a[1]), ToFloat(a[2]), ToFloat(a[3]), ToFloat(a[4]),
                              ToInt(a[5]), ToInt(a[6]));
}

}  // namespace battleprobe
