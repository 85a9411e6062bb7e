// The battle draw from the probe: the draw, the draw list, numbers and turned boxes, and (in
// battle-probe-rec only) the log of the library calls they make.
#include <cstdint>
#include <cstdio>

#include "game/core/entry_points.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/view/draw_list.h"
#include "game/view/rota_rect.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"
#ifdef BATTLE_PROBE_RECORDING
#include "morrow/recording/library_recorder.h"
#endif

namespace battleprobe {

#ifdef BATTLE_PROBE_RECORDING
namespace {

bool g_drawLog = false;

}  // namespace

void StartRecorder() {
  testsupport::Recorder().Reset();
  testsupport::Recorder().onCall = [](const testsupport::RecordedCall& call) {
    if (g_drawLog && testsupport::Recorder().quiet.count(call.name) == 0) {
      std::printf("%s\n", call.Text().c_str());
    }
  };
}

// What was recorded is printed as it happens; nothing needs keeping between commands.
void ForgetRecordedCalls() {
  testsupport::Recorder().ClearCalls();
}

void DrawLog(const Args& a) {
  if (a[1] != "on" && a[1] != "off") Fail("drawlog: on or off");
  g_drawLog = a[1] == "on";
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
  veyrdale::DrawBattleScene();
}

void DrawListCommand(const Args&) {
  veyrdale::LateEffectCount = 0;
  const int count = veyrdale::BuildDrawList(veyrdale::g_match.playerCount);
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
