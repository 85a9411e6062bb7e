// The front-end scenes: opening pictures, title and main menu with the demonstration battle, the
// mode, player-count and story-kind menus; the story's stage step and the demo's set-up.
#include "game/flow/menus.h"

#include <algorithm>
#include <cstdint>

#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "game/flow/menu_common.h"
#include "game/view/draw_conventions.h"
#include "morrow/graphics/draw.h"
#include "morrow/sound/music.h"
#include "morrow/sound/sound.h"
#include "morrow/system/input.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

constexpr int kKeyF2 = 60;
using view::kBlendAdd;
constexpr int kSlide = 30;

constexpr char kLoadingSign[] = "Resource\\loading.dat";
constexpr char kTitleMusic[] = "Resource\\Bgm\\01.bgm";

// The opening: skippable from frame 21 to 350, gone at 450.
constexpr int kOpeningSkipFrom = 21;
constexpr int kOpeningFadeOut = 350;
constexpr int kOpeningEnd = 450;

// The title's idle count: the white fade from 1341, the loading picture at 1370 and the battle
// at 1400.
constexpr int kDemoFadeStart = 1341;
constexpr int kDemoLoading = 1370;
constexpr int kDemoCapture = 1399;

constexpr int kFirstBackFrame = 21;

constexpr int kStoryFrameBudget = 9900;

// The title's items, below the press-a-button state (MenuCursor 1-4).
constexpr MenuItem kTitleItems[4] = {
    {25, 158, 10, 6, 0},  // play
    {35, 158, 11, 7, 1},  // records
    {28, 88, 12, 8, 2},   // options
    {40, 88, 13, 9, 3},   // quit
};
constexpr MenuItem kModeItems[5] = {
    {44, 158, 4, 0, 4},  // story
    {25, 158, 5, 1, 5},  // versus
    {35, 158, 6, 2, 6},  // team versus
    {28, 158, 7, 3, 7},  // survival
    {40, 88, 8, 4, 8},   // back
};
constexpr MenuItem kStoryKindItems[4] = {
    {25, 192, 15, 10, 9},   // main story
    {35, 246, 16, 11, 10},  // extra story
    {28, 158, 17, 12, 11},  // shown, never chosen
    {40, 88, 8, 4, 8},      // back
};
constexpr int kModeSurvival = 3;
constexpr int kModeBack = 4;
constexpr int kStoryKindBack = 3;

int UnlockLevel() {
  return std::clamp(g_scores.unlockLevel, 0, kMaxUnlockLevel);
}

bool UpPressed() {
  return Pressed(kInputUp, 0) || Pressed(kInputUp, 1);
}
bool DownPressed() {
  return Pressed(kInputDown, 0) || Pressed(kInputDown, 1);
}

// A picture again in additive blend, brightening and dimming with a period of 256 frames.
void DrawGlow(int slot) {
  const float t = g_trig.negsin[PositiveModulo(SceneFrame, 256)];
  morrow::SetBlendMode(kBlendAdd, TruncToInt(t / 256.0 * 16));
  morrow::DrawGraph(0, 0, MenuPicture(slot, 0), 1);
}

void ClearColourTable() {
  for (auto& row : g_match.colourTaken) {
    for (int32_t& taken : row) taken = 0;
  }
}

// Leaving a menu: the cross-fade capture and the delayed switch.
void ScheduleSwitch(int negativeFrame) {
  FadeCaptureRequest = 1;
  SceneFrame = negativeFrame;
}

void StartTitleMusic() {
  morrow::StartMusicPlayback(kTitleMusic, 3);
  morrow::SetMusicVolume(MusicVolumeSetting());
}

// ---- Title --------------------------------------------------------------------------------

void StartDemoBattle() {
  MenuCursor = 0;
  MenuReturnCursor = 0;
  SceneId = kSceneBattle;
  SetupDemoBattle();
  for (int p = 0; p < 4; ++p) g_playerState.wins[p] = 0;
  RoundWinner = 0;
  RoundNumber = 0;
  g_match.teamMode = 0;
  ArenaVariant = 0;
  SurvivalBossRound = 0;
  for (int p = 0; p < 4; ++p) {
    g_match.selectState[p] = 0;
    g_match.startGaugeLevel[p] = 1;
    g_match.handicap[p] = 2;
  }
  ClearBattleStatistics();
  ClearItemCounters();
  FadeCaptureRequest = 1;
  morrow::LoadAndDrawGraphFile(502, 454, kLoadingSign, 1);
  LoadGameResources(1);
  morrow::StopMusicPlayback();
  PlayStageBgm(g_match.stage, 0);
  morrow::SetMusicVolume(MusicVolumeSetting());
}

void ReadTitleInput() {
  if (MenuCursor > 0) {
    if (UpPressed()) {
      --MenuCursor;
      PlayCursorSound();
      MenuSlideFrames = kSlide;
      DemoFrames = 0;
    }
    if (DownPressed()) {
      ++MenuCursor;
      PlayCursorSound();
      MenuSlideFrames = kSlide;
      DemoFrames = 0;
    }
    if (MenuCursor > 4) MenuCursor = 1;
    if (MenuCursor < 1) MenuCursor = 4;
  }
  if (Pressed(kInputButton2, 0)) {
    MenuCursor = 0;
    DemoFrames = 0;
    PlayCancelSound();
  }
  // One case a frame: the press that opens the item list does not also choose an item.
  switch (MenuCursor) {
    case 0:
      if (DemoFrames < kDemoFadeStart) {
        if (Pressed(kInputButton1, 0)) {
          MenuCursor = 1;
          DemoFrames = 0;
          MenuSlideFrames = kSlide;
          PlayAcceptSound();
        } else if (morrow::IsKeyPressed(kKeyF2) == 1) {
          DemoFrames = kDemoFadeStart - 1;
        }
      }
      // The idle count stops at its top value instead of wrapping.
      if (DemoFrames < INT32_MAX) ++DemoFrames;
      break;
    case 1:
    case 2:
    case 3:
      if (Pressed(kInputButton1, 0)) {
        static constexpr int kLeave[4] = {0, -9, -19, -13};
        PlayAcceptSound();
        MenuReturnCursor = 0;
        if (MenuCursor == 1) {
          StoryPreFight = 0;
          g_match.survivalMode = 0;
          SurvivalBossRound = 0;
        }
        ScheduleSwitch(kLeave[MenuCursor]);
      }
      break;
    case 4:
      if (Pressed(kInputButton1, 0) || Pressed(kInputButton1, 1)) {
        PlayAcceptSound();
        ScheduleSwitch(-16);
      }
      break;
    default:
      break;
  }
}

void RunTitleSwitches() {
  switch (SceneFrame) {
    case -8:
      SceneId = kSceneModeMenu;
      MenuSlideFrames = kSlide;
      break;
    case -12:
      SceneId = kSceneOptions;
      LoadFontSheets(999);
      LoadDataFile(kOptionsFile, kLoadOptions);
      break;
    case -15:
      SceneId = kSceneQuit;
      break;
    case -18:
      SceneId = kSceneRecordsMenu;
      LoadFontSheets(999);
      break;
    default:
      return;
  }
  SceneFrame = 0;
}

void DrawTitleItems(int n) {
  if (MenuCursor > 0) {
    for (int k = 0; k < 4; ++k) DrawMenuItem(kTitleItems[k], 185 + 60 * k, MenuCursor - 1 == k);
  } else if (n % 60 > 30 && DemoFrames <= kDemoLoading) {
    SetPlainDrawing();
    DrawCentred(320, 250, MenuPicture(kPicPush, 0));
  }
}

void RunDemoSequence() {
  const int f = DemoFrames;
  if (f >= kDemoFadeStart && f < kDemoLoading) {
    SetAlphaDrawing(TruncToInt((f - 1340) * (1.0 / 29) * 255));
    DrawScreenBox(255, 255, 255);
  }
  if (f == kDemoLoading) LoadLoadingPicture();
  if (f >= kDemoLoading && f <= kDemoStart) {
    DrawLoadingPicture();
    SetAlphaDrawing(TruncToInt((kDemoStart - f) * (1.0 / 30) * 255));
    DrawScreenBox(255, 255, 255);
  }
  if (f == kDemoCapture) FadeCaptureRequest = 1;
  if (f == kDemoStart) StartDemoBattle();
}

// ---- Mode menu ----------------------------------------------------------------------------

// The switch into the story kinds, the player count or the survival selection.
void EnterFromModeMenu(SceneNumber scene) {
  SceneId = scene;
  SceneFrame = 0;
  g_match.stage = 0;
  for (int p = 0; p < PlayerCountUpToFour(); ++p) {
    g_match.startGaugeLevel[p] = 1;
    g_match.handicap[p] = 2;
    g_playerState.roundsWonTotal[p] = 0;
  }
}

void LeaveModeMenuBack() {
  PlayCancelSound();
  MenuReturnCursor = 1;
  ScheduleSwitch(-16);
}

void ChooseModeItem(bool survivalOpen) {
  const int u = UnlockLevel();
  switch (MenuCursor) {
    case 0:
      g_match.teamMode = 0;
      g_match.storyMode = 0;
      ScheduleSwitch(-26);
      break;
    case 1:
    case 2:
      g_match.teamMode = MenuCursor == 2 ? 1 : 0;
      g_match.storyMode = 0;
      g_match.versusStageCount = VersusStageCountFor(u);
      ScheduleSwitch(-9);
      break;
    case kModeSurvival:
      if (!survivalOpen) return;
      g_match.teamMode = 0;
      g_match.survivalMode = 1;
      ClearColourTable();
      ScheduleSwitch(-9);
      break;
    case kModeBack:
      LeaveModeMenuBack();
      return;
    default:
      return;
  }
  PlayAcceptSound();
  MenuReturnCursor = 0;
}

// ---- Story kinds --------------------------------------------------------------------------

void LeaveStoryKindBack() {
  PlayCancelSound();
  MenuReturnCursor = 0;
  ScheduleSwitch(-16);
}

void StartStoryRun() {
  SceneId = kSceneBattle;
  for (int p = 0; p < 4; ++p) g_playerState.wins[p] = 0;
  RoundWinner = 0;
  FrameBudget = kStoryFrameBudget;
  RoundNumber = 0;
  for (int p = 0; p < PlayerCountUpToFour(); ++p) {
    g_match.colourSlot[p] = 0;
    g_match.handicap[p] = 2;
    g_match.startGaugeLevel[p] = 1;
    g_match.selectState[p] = 0;
  }
  LoadStoryStage();
  cardsBroken = 0;
  ClearBattleStatistics();
  ClearItemCounters();
  for (int p = 0; p < 4; ++p) g_playerState.roundsWonTotal[p] = 0;
  morrow::SetMusicVolume(MusicVolumeSetting());
}

}  // namespace

int VersusStageCountFor(int unlockLevel) {
  if (unlockLevel <= 0) return 7;
  if (unlockLevel >= 3) return kArenaCount;
  return 8;
}

void DrawTitleBackground() {
  const int n = SceneFrame;
  morrow::DrawGraph(0, 0, MenuPicture(kPicBgt00, 0), 1);
  DrawGlow(kPicBgt00);
  if (n < 60) {
    SetAlphaDrawing(TruncToInt(n * (1.0 / 60) * 255));
  } else {
    SetPlainDrawing();
  }
  morrow::DrawGraph(136, 42, MenuPicture(kPicLogo00, 0), 1);
}

void DrawMenuBackground() {
  switch (SceneId) {
    case kSceneModeMenu:
    case kSceneStoryKind:
    case kSceneOptions:
    case kSceneRecordsMenu:
    case kSceneMainStoryScores:
    case kScenePicturePage:
    case kSceneExtraStoryScores:
    case kSceneSurvivalRecords:
      morrow::DrawGraph(0, 0, MenuPicture(kPicBgt02, 0), 1);
      break;
    case kSceneCharacterSelect:
    case kSceneTeamCharacterSelect:
      morrow::DrawGraph(0, 0, MenuPicture(kPicBgt01, 0), 1);
      DrawGlow(kPicBgt01);
      SetAlphaDrawing(64);
      DrawCentred(320, 240, MenuPicture(kPicFont01, 1));
      break;
    case kScenePlayerCount:
      morrow::DrawGraph(0, 0, MenuPicture(kPicBgt01, 0), 1);
      DrawGlow(kPicBgt01);
      break;
    case kSceneStageSelect:
    case kSceneTeamAssign:
      morrow::DrawGraph(0, 0, MenuPicture(kPicBgt01, 0), 1);
      break;
    default:
      break;
  }
}

void TitleReturnScene() {
  const int n = SceneFrame;
  morrow::SetModulationColor(255, 255, 255);
  SetPlainDrawing();
  if (n == kOpeningEnd - 1) morrow::LoadAndDrawGraphFile(502, 454, kLoadingSign, 1);
  if (n == kOpeningEnd) {
    SceneId = kSceneTitle;
    SceneFrame = 0;
    FadeCaptureRequest = 1;
    StartTitleMusic();
  }
  if (n >= kOpeningSkipFrom && n < kOpeningFadeOut && Pressed(kInputButton1, 0)) {
    SceneFrame = kOpeningFadeOut;
  }
  DrawScreenBox(0, 0, 0);
  // Fades in over frames 5 to 69 and out from 350 to 414; the library clamps to 0..255.
  const int64_t alpha = n < kOpeningFadeOut ? 4LL * n - 20 : 1655 - 4LL * n;
  SetAlphaDrawing(SaturateToInt(alpha));
  DrawCentred(320, 260, MenuPicture(kPicCLogo2, 0));
  DrawCentred(320, 225, MenuPicture(kPicCLogo, 0));
  DrawCrossFade();
}

void TitleScene() {
  const int n = SceneFrame;
  morrow::SetModulationColor(255, 255, 255);
  SetPlainDrawing();
  DrawTitleBackground();
  if (n == 1) {
    // Every way back lands on this frame: F1, a game over, a story's end, the demonstration's
    // end, and the menus after a match or a survival run. So the next run, whichever it is,
    // starts from the battle as the program starts with it.
    ClearBattleForTitle();
    MenuCursor = MenuReturnCursor;
  } else if (n >= kMenuFirstInputFrame) {
    ReadTitleInput();
  }
  RunTitleSwitches();
  DrawTitleItems(n);
  RunDemoSequence();
  if (SceneId != kSceneQuit) DrawCrossFade();
  EndMenuFrame();
}

void ModeMenuScene() {
  BeginMenuFrame();
  const int n = SceneFrame;
  const bool survivalOpen = UnlockLevel() >= 3;
  if (n == 1) {
    MenuCursor = MenuReturnCursor;
  } else if (n >= kMenuFirstInputFrame && BattleStartCountdown == 0) {
    if (UpPressed()) {
      int c = MenuCursor - 1;
      if (c < 0) c = kModeBack;
      if (c == kModeSurvival && !survivalOpen) c = 2;
      MenuCursor = c;
      PlayCursorSound();
      MenuSlideFrames = kSlide;
    }
    if (DownPressed()) {
      int c = MenuCursor + 1;
      if (c > kModeBack) c = 0;
      if (c == kModeSurvival && !survivalOpen) c = kModeBack;
      MenuCursor = c;
      PlayCursorSound();
      MenuSlideFrames = kSlide;
    }
    if (Pressed(kInputButton1, 0)) ChooseModeItem(survivalOpen);
  }
  // A choice made in this frame already leaves: the back button does not override it.
  if (n >= kFirstBackFrame && SceneFrame >= 0 && BattleStartCountdown == 0 &&
      Pressed(kInputButton2, 0)) {
    LeaveModeMenuBack();
  }

  switch (SceneFrame) {
    case -25:
      EnterFromModeMenu(kSceneStoryKind);
      break;
    case -8:
      if (MenuCursor == kModeSurvival) {
        g_match.playerCount = 1;
        EnterFromModeMenu(kSceneCharacterSelect);
      } else {
        EnterFromModeMenu(kScenePlayerCount);
      }
      break;
    case -15:
      SceneId = kSceneTitle;
      MenuSlideFrames = kSlide;
      SceneFrame = 0;
      break;
    default:
      break;
  }

  DrawMenuHeader(0, 6, 255);
  for (int k = 0; k < 5; ++k) {
    if (k == kModeSurvival && !survivalOpen) continue;
    DrawMenuItem(kModeItems[k], 125 + 60 * k, MenuCursor == k);
  }
  DrawCrossFade();
  EndMenuFrame();
}

void PlayerCountScene() {
  BeginMenuFrame();
  const int n = SceneFrame;
  const bool team = g_match.teamMode == 1;
  if (n == 1) {
    MenuCursor = MenuReturnCursor;
  } else if (n >= kMenuFirstInputFrame && BattleStartCountdown == 0) {
    if (Pressed(kInputLeft, 0) || Pressed(kInputLeft, 1)) {
      if (--MenuCursor < 0) MenuCursor = 2;
      PlayCursorSound();
    }
    if (Pressed(kInputRight, 0) || Pressed(kInputRight, 1)) {
      if (++MenuCursor > 2) MenuCursor = 0;
      PlayCursorSound();
    }
    if (Pressed(kInputButton1, 0) && MenuCursor >= 0 && MenuCursor <= 2) {
      PlayAcceptSound();
      ClearColourTable();
      g_match.playerCount = MenuCursor + 2;
      ScheduleSwitch(team ? -13 : -9);
    } else if (Pressed(kInputButton2, 0)) {
      PlayCancelSound();
      MenuReturnCursor = team ? 2 : 1;
      g_match.teamMode = 0;
      ScheduleSwitch(-16);
    }
  }

  switch (SceneFrame) {
    case -8:
      SceneId = kSceneCharacterSelect;
      SceneFrame = 0;
      break;
    case -12:
      SceneId = kSceneTeamCharacterSelect;
      SceneFrame = 0;
      break;
    case -15:
      SceneId = kSceneModeMenu;
      SceneFrame = 0;
      break;
    default:
      break;
  }

  DrawMenuHeader(1, 1 + std::clamp(g_match.teamMode, 0, 1), 255);
  constexpr int kX[3] = {180, 320, 460};
  SetAlphaDrawing(96);
  for (int k = 0; k < 3; ++k) DrawCentred(kX[k], 240, MenuPicture(kPicNumt, k));
  if (MenuCursor >= 0 && MenuCursor <= 2) {
    SetPlainDrawing();
    DrawCentred(kX[MenuCursor], 240, MenuPicture(kPicNumt, MenuCursor));
  }
  SetPlainDrawing();
  DrawCentred(320, 180, MenuPicture(kPicFont07, 0));
  DrawCrossFade();
  EndMenuFrame();
}

void StoryKindScene() {
  BeginMenuFrame();
  const int n = SceneFrame;
  const int openKinds = UnlockLevel() >= 2 ? 2 : 1;
  if (n == 1) {
    MenuCursor = MenuReturnCursor;
  } else if (n >= kMenuFirstInputFrame && BattleStartCountdown == 0) {
    if (UpPressed()) {
      int c = MenuCursor - 1;
      if (c < 0) c = kStoryKindBack;
      if (c == 2) c = openKinds - 1;
      MenuCursor = c;
      PlayCursorSound();
      MenuSlideFrames = kSlide;
    }
    if (DownPressed()) {
      int c = MenuCursor + 1;
      if (c == openKinds) c = kStoryKindBack;
      if (c > kStoryKindBack) c = 0;
      MenuCursor = c;
      PlayCursorSound();
      MenuSlideFrames = kSlide;
    }
    if (Pressed(kInputButton1, 0)) {
      if (MenuCursor >= 0 && MenuCursor < openKinds) {
        g_match.storyKind = MenuCursor;
        BattleStartCountdown = 70;
        g_match.teamMode = 0;
        g_match.storyMode = 1;
        g_match.storyStage = 0;
        RouteFlagA = RouteFlagB = RouteFlagC = 0;
        StoryPreFight = 1;
        PlayAcceptSound();
      } else if (MenuCursor == kStoryKindBack) {
        LeaveStoryKindBack();
      }
    }
  }
  if (n >= kFirstBackFrame && SceneFrame >= 0 && BattleStartCountdown == 0 &&
      Pressed(kInputButton2, 0)) {
    LeaveStoryKindBack();
  }
  if (StepBattleStartCountdown()) StartStoryRun();
  if (SceneFrame == -15) {
    SceneId = kSceneModeMenu;
    MenuSlideFrames = kSlide;
    SceneFrame = 0;
  }

  DrawMenuHeader(14, 0, 255);
  for (int k = 0; k < 4; ++k) {
    if (k == 1 && openKinds < 2) continue;
    DrawMenuItem(kStoryKindItems[k], 155 + 70 * k, MenuCursor == k);
  }
  DrawBattleStartCountdown(false);
  DrawCrossFade();
  EndMenuFrame();
}

void AdvanceStoryStage() {
  FrameBudget = kStoryFrameBudget;
  if (static_cast<int64_t>(g_match.storyStage) >=
      static_cast<int64_t>(g_match.storyStageCount) - 1) {
    SceneId = kSceneStoryEnd;
    g_match.storyMode = 0;
    g_match.storyStage = 0;
    SceneFrame = 0;
    return;
  }
  for (int p = 1; p < 4; ++p) {
    g_match.cpuFlag[p] = 0;
    g_match.colourSlot[p] = 0;
    g_playerState.powerUp[p] = 0;
    g_playerState.itemCount[p] = 0;
  }
  ++g_match.storyStage;
}

void SetupDemoBattle() {
  g_match.playerCount = 4;
  ClearColourTable();
  for (int i = 0; i < 4; ++i) {
    g_match.cpuFlag[i] = 1;
    int character = morrow::GetRandomNumber(8);
    // Character 6 is never in the demo: a second draw among the first six replaces it.
    if (character == 6) character = morrow::GetRandomNumber(5);
    g_players[i].kind = static_cast<uint16_t>(character);
    for (int c = 0; c < g_match.playerCount; ++c) {
      if (g_match.colourTaken[character][c] == 0) {
        g_match.colourSlot[i] = c;
        g_match.colourTaken[character][c] = 1;
        break;
      }
    }
  }
  // Arena 1 is never the demo's.
  g_match.stage = morrow::GetRandomNumber(std::max(g_match.versusStageCount - 2, 0));
  if (g_match.stage == 1) g_match.stage = 0;
}

}  // namespace veyrdale
