#include "tools/lib/battlesupport/step_battle_frame.h"

#include "game/battle/battle.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "game/flow/frame_loop.h"
#include "game/flow/frame_steps.h"

namespace veyrdale {

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
  if (SceneId == kSceneBattle) BattleScene(0);
  AdvanceFrameCounters();
  TakeCaptureRequests();
  if (SlowMotionFrames > 0) --SlowMotionFrames;
}

void StepGameFrame(const int padBits[4]) {
  RunFrameBody(padBits);
  if (SlowMotionFrames > 0) --SlowMotionFrames;
}

}  // namespace veyrdale
