// Scene 4, the battle: the story's pre-fight phase or the round's timing, then one battle frame
// (the battle's two halves with the draw between them on the frames that are drawn), and what the
// frame asks for: the hand-over of a finished match, the story's next stage or
// lost-fight route, the end of the story, the loading sign and the end of the demonstration. The
// return to the title clears the battle and loads the title.
#include <cstdint>

#include "game/battle/battle.h"
#include "game/battle/story_stages.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/scenario_state.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "game/flow/scenario.h"
#include "morrow/graphics/draw.h"
#include "morrow/sound/music.h"
#include "morrow/sound/sound.h"

namespace veyrdale {

namespace {

bool OnLastStoryStage() {
  return g_match.storyStage == g_match.storyStageCount - 1;
}

void StartMenuMusic() {
  morrow::StopMusicPlayback();
  morrow::StartMusicPlayback("Resource\\Bgm\\02.bgm", 1);
  morrow::SetMusicVolume(MusicVolumeSetting());
}

void HandOverMatch() {
  if (g_match.survivalMode != 0) {
    --RoundNumber;
    if (RoundWinner == 1) {
      SetupSurvivalRound();
      morrow::DrawGraph(0, 0, CaptureGraph, 1);
      if (SceneId != kSceneSurvivalResult) LoadGameResources(1);
    } else {
      LoadGameResources(0);
      StartMenuMusic();
      SceneId = kSceneSurvivalResult;
      morrow::DrawGraph(0, 0, CaptureGraph, 1);
    }
    return;
  }
  LoadGameResources(0);
  LoadFontSheets(999);
  StartMenuMusic();
  SceneId = kSceneWinQuote;
  morrow::DrawGraph(0, 0, CaptureGraph, 1);
}

// The dialogue of stage `stage` with script `script`, its first page run at once.
void StartStageDialogue(int stage, int script) {
  LoadScenarioScript(script);
  SetupStoryStage(stage, g_match.storyKind);
  StoryScriptFade = 32;
  StoryPreFight = 119;
  RunScenarioScript(stage);
}

void GoToStoryStage(int script) {
  ++g_match.storyStage;
  StoryPreFight = 118;
  StartStageDialogue(g_match.storyStage, script);
}

// False when the battle frame ends with the pre-fight phase.
bool RunStoryPreFight() {
  const int inPlay = PlayersInPlay();
  for (int p = 0; p < inPlay; ++p) g_playerState.recoveryGuard[p] = 4;
  for (int p = 0; p < 4; ++p) {
    if (g_playerState.entryFrames[p] > 0) ++g_playerState.entryFrames[p];
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

void EndStory() {
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

// The music of the ending fade, by the frames the fade had left before this frame's count-down:
// quieter by a 32nd a frame down to 16 left, where it stops.
void FadeEndingMusic() {
  const int left = EndingFade + 1;
  if (left > 16) morrow::SetMusicVolume(MusicVolumeSetting((left - 16) * 0.03125));
  if (left == 16) morrow::StopMusicPlayback();
}

void EndDemonstration() {
  SceneId = kSceneTitleReturn;
  RoundFrame = RoundEndFrames = FreezeFrames = SceneFrame = DemoFrames = 0;
  for (int32_t& flag : g_match.cpuFlag) flag = 0;
  LoadGameResources(0);
  morrow::StopMusicPlayback();
  FadeCaptureRequest = 1;
}

void CarryOut(BattleOutcome outcome) {
  switch (outcome) {
    case BattleOutcome::kStoryStageWon:
      GoToStoryStage(g_match.storyStage + 1);
      break;
    case BattleOutcome::kExtraStageLost:
      // The next stage, with its lost-fight script.
      GoToStoryStage(g_match.storyStage + 1 + kLostFightScripts);
      RoundWinner = 2;
      break;
    case BattleOutcome::kSecondStageLost:
      g_match.storyStage = kSecondFightLostStage;
      StartStageDialogue(kSecondFightLostStage, kSecondFightLostScript);
      RoundWinner = 1;
      break;
    case BattleOutcome::kEndingFades:
      FadeEndingMusic();
      break;
    case BattleOutcome::kStoryOver:
      EndStory();
      break;
    case BattleOutcome::kDemoLoading:
      morrow::LoadAndDrawGraphFile(502, 454, "Resource\\loading.dat", 1);
      break;
    case BattleOutcome::kDemoOver:
      EndDemonstration();
      break;
    case BattleOutcome::kGoesOn:
    case BattleOutcome::kMatchOver:
      break;
  }
}

}  // namespace

void BattleScene(int) {
  if (StoryPreFight > 0) {
    if (!RunStoryPreFight()) return;
  } else if (RunRoundTiming() == BattleOutcome::kMatchOver) {
    HandOverMatch();
    return;
  }
  CarryOut(RunBattleFrame());
}

BattleOutcome RunBattleFrame() {
  StepBattleToDraw();
  // Decided after the first half, which may ask for a capture (a cut-in's start).
  if (BattleFrameIsDrawn()) DrawBattleFrame();
  return StepBattleFromDraw();
}

void ReturnToTitle() {
  // At once, although the title clears again on its first frame: the rest of this battle frame
  // then finds no round end or outcome of the battle left.
  ClearBattleForTitle();
  SceneId = kSceneTitle;
  SceneFrame = 0;
  LoadGameResources(0);
  DeleteFontSheets();
  DeletePortraits();
  morrow::StopMusicPlayback();
  morrow::StartMusicPlayback("Resource\\Bgm\\01.bgm", 3);
  morrow::SetMusicVolume(MusicVolumeSetting());
  FadeCaptureRequest = 1;
}

}  // namespace veyrdale
