// The story inside the battle frame: the end of a story round (the ending fade after the last
// stage, the next stage or the lost-fight route for the scene to take, the continue prompt) and
// the fade that leads from the last stage to the end of the story.
#include "game/battle/scene_parts.h"
#include "game/core/frame_state.h"

namespace veyrdale::battle_scene {

namespace {

bool OnLastStoryStage() {
  return g_match.storyStage == g_match.storyStageCount - 1;
}

BattleOutcome StartEndingFade() {
  EndingFade = 48;
  SlowMotionFrames = 48;
  return BattleOutcome::kGoesOn;
}

}  // namespace

BattleOutcome EndStoryRound() {
  if (RoundWinner == 1) {
    return OnLastStoryStage() ? StartEndingFade() : BattleOutcome::kStoryStageWon;
  }
  if (g_match.storyKind == 1) {
    return OnLastStoryStage() ? StartEndingFade() : BattleOutcome::kExtraStageLost;
  }
  // Losing the main story's second fight still leads on, to stage 2's other dialogue.
  if (g_match.storyStage == 1) return BattleOutcome::kSecondStageLost;
  ContinuePause = 1;  // the continue prompt takes over
  --RoundNumber;
  return BattleOutcome::kGoesOn;
}

BattleOutcome RunEndingFade() {
  if (EndingFade <= 0) return BattleOutcome::kGoesOn;
  --EndingFade;
  return EndingFade == 0 ? BattleOutcome::kStoryOver : BattleOutcome::kEndingFades;
}

}  // namespace veyrdale::battle_scene
