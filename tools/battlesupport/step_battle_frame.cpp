#include "tools/battlesupport/step_battle_frame.h"

#include "game/battle/entry_points.h"
#include "game/battle/records.h"
#include "game/flow/data_files.h"
#include "game/flow/frame_state.h"
#include "game/flow/frame_steps.h"
#include "game/flow/input.h"
#include "game/flow/match_setup.h"

namespace veyrdale {

namespace {

constexpr int kBattleScene = 4;

}  // namespace

void StepBattleFrame(const int padBits[4]) {
  for (int p = 0; p < 4; ++p) {
    if (g_match.cpuFlag[p] != 0) {
      UpdateCpuPlayer(&g_players[p], p);
      ApplyCpuInput(p);
    } else {
      CountPadInput(p, padBits[p], g_buttonMap);
    }
  }
  if (ReversedControlsActive == 1) ApplyReversedControls();
  if (SceneId == kBattleScene) BattleScene(0);
  AdvanceFrameCounters();
  TakeCaptureRequests();
  if (SlowMotionFrames > 0) --SlowMotionFrames;
}

}  // namespace veyrdale
