// The story inside the battle scene: the pre-fight phase that runs a stage's dialogue before the
// fight, the end of a story round (the next stage, the lost-fight route, the continue prompt) and
// the fade that leads from the last stage to the end of the story.
#include <cstdint>

#include "game/battle/scene_parts.h"
#include "game/battle/story_stages.h"
#include "game/core/data_files.h"
#include "game/core/entry_points.h"
#include "game/core/frame_state.h"
#include "game/core/scenario_state.h"
#include "game/core/scenes.h"
#include "morrow/graphics/draw.h"
#include "morrow/sound/music.h"
#include "morrow/sound/sound.h"

namespace veyrdale::battle_scene {

namespace {

bool OnLastStoryStage() {
  return g_match.storyStage == g_match.storyStageCount - 1;
}

void GoToStoryStage(int script) {
  ++g_match.storyStage;
  StoryPreFight = 118;
  LoadScenarioScript(script);
  SetupStoryStage(g_match.storyStage, g_match.storyKind);
  StoryScriptFade = 32;
  StoryPreFight = 119;
  RunScenarioScript(g_match.storyStage);
}

void StartEndingFade() {
  EndingFade = 48;
  SlowMotionFrames = 48;
}

}  // namespace

// ---- 1. The story's pre-fight phase -------------------------------------------------------

bool RunStoryPreFight() {
  const int inPlay = PlayersInPlay();
  for (int p = 0; p < inPlay; ++p) S().recoveryGuard[p] = 4;
  for (int p = 0; p < 4; ++p) {
    if (S().entryFrames[p] > 0) ++S().entryFrames[p];
  }
  if (StoryScriptFade == 0) ++StoryPreFight;
  if (StoryPreFight == 2) StartAllPlayers();
  if (StoryPreFight == 118) {
    StoryScriptFade = 32;
    StoryPreFight = 119;
    RunScenarioScript(g_match.storyStage);
  }
  const int type = StageTypeOf(g_match.storyStage);
  if (StoryPreFight > 120 && StoryScriptFade == 1) {
    if (type == 3) {
      // Straight on to the next stage's dialogue.
      FadeCaptureRequest = 1;
      DeletePortraits();
      StoryPreFight = 1;
      AdvanceStoryStage();
      SetupStoryStage(g_match.storyStage, g_match.storyKind);
      LoadGameResources(1);
      SceneFrame = 0;
      RoundFrame = RoundEndFrames = FreezeFrames = 0;
      LoadScenarioScript(g_match.storyStage);
      StoryScriptFade = 0;
      return false;
    }
    DeletePortraits();
    StoryPreFight = 0;  // the fight begins
    if (OnLastStoryStage()) FlashFrames = FlashLength = 16;
  }
  if (StoryScriptFade > 0) {
    if (StoryScriptFade == 32 && StoryPreFight > 120 && type % 2 == 0) {
      // The dialogue leads to the story result.
      LoadGameResources(0);
      morrow::DrawGraph(0, 0, CaptureGraph, 1);
      SceneId = kSceneStoryRoundResult;
      SceneFrame = 0;
      DeleteFontSheets();
      StoryPreFight = 1;
      RoundFrame = RoundEndFrames = FreezeFrames = 0;
      StoryScriptFade = 0;
      return false;
    }
    --StoryScriptFade;
  }
  return true;
}

// ---- 5. The story's round end and the ending fade -----------------------------------------

void EndStoryRound() {
  if (RoundWinner == 1) {
    if (OnLastStoryStage()) {
      StartEndingFade();
    } else {
      GoToStoryStage(g_match.storyStage + 1);
    }
  } else if (g_match.storyKind == 1) {
    if (OnLastStoryStage()) {
      StartEndingFade();
    } else {
      // A lost extra stage goes on to the next stage with its lost-fight script.
      GoToStoryStage(g_match.storyStage + 1 + 50);
      RoundWinner = 2;
    }
  } else if (g_match.storyStage == 1) {
    // Losing the main story's second fight still leads on, to stage 2's other dialogue.
    g_match.storyStage = 2;
    LoadScenarioScript(99);
    SetupStoryStage(2, g_match.storyKind);
    StoryScriptFade = 32;
    StoryPreFight = 119;
    RunScenarioScript(2);
    RoundWinner = 1;
  } else {
    ContinuePause = 1;  // the continue prompt takes over
    --RoundNumber;
  }
}

void RunEndingFade() {
  if (EndingFade <= 0) return;
  if (EndingFade > 16) {
    morrow::SetMusicVolume(MusicVolumeSetting((EndingFade - 16) * 0.03125));
  }
  if (EndingFade == 16) morrow::StopMusicPlayback();
  --EndingFade;
  if (EndingFade != 0) return;
  const bool extra = g_match.storyKind == 1;
  DeletePortraits();
  SceneId = kSceneStoryEnd;
  g_match.storyMode = 0;
  g_match.storyStage = 0;
  RoundFrame = RoundEndFrames = FreezeFrames = SceneFrame = 0;
  for (int32_t& flag : g_match.cpuFlag) flag = 0;
  PictureIndex = 0;
  PreviousPictureIndex = 0;
  LoadGameResources(2);
  LoadScenarioScript(extra ? (RoundWinner == 1 ? 9 : 59) : 17);
  morrow::StartMusicPlayback(extra ? "Resource\\Bgm\\22.bgm" : "Resource\\Bgm\\13.bgm", 1);
  morrow::SetMusicVolume(MusicVolumeSetting());
  FadeCaptureRequest = 1;
}

}  // namespace veyrdale::battle_scene
