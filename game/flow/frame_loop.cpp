// The program's run. Start-up reads the Data files and starts the library; each loop iteration
// reads the players' input, runs the scene, draws the frame rate, advances the counters, presents
// and waits out the frame; shut-down releases everything in the library's order.
#include "game/flow/frame_loop.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>

#include "game/battle/battle.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/scenes.h"
#include "game/flow/ending.h"
#include "game/flow/flow.h"
#include "game/flow/frame_steps.h"
#include "game/flow/menus.h"
#include "game/flow/options_menu.h"
#include "game/flow/records_screens.h"
#include "game/flow/selection.h"
#include "game/flow/story_results.h"
#include "game/flow/survival.h"
#include "game/flow/win_quotes.h"
#include "game/view/view.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/font.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_load.h"
#include "morrow/graphics/graph_system.h"
#include "morrow/graphics/memory_block.h"
#include "morrow/sound/music.h"
#include "morrow/sound/sound.h"
#include "morrow/system/input.h"
#include "morrow/system/library.h"
#include "morrow/system/log.h"
#include "morrow/system/stream.h"
#include "morrow/system/time.h"
#include "morrow/system/window.h"

namespace veyrdale {

FrameRateCounter g_frameRate;
PauseKeyState g_pauseKey;

namespace {

constexpr int kKeyEscape = 1;
constexpr int kKeyF5 = 63;
constexpr int kBackScreen = -2;
constexpr int kWindowIcon = 114;

// The quit sequence's frames.
constexpr int kQuitGlowEnd = 100;
constexpr int kQuitRelease = 118;
constexpr int kQuitEnd = 120;

bool KeyDown(int key) {
  // Only a plain 1 is a key: a failure answer never reads as a press.
  return morrow::IsKeyPressed(key) == 1;
}

// Each player's counts, from the pad (or the given pad word) or from the
// computer's wishes.
void ReadPlayerInput(const int* padBits) {
  for (int p = 0; p < 4; ++p) {
    if (g_match.cpuFlag[p] != 0) {
      UpdateCpuPlayer(&g_players[p], p);
      ApplyCpuInput(p);
    } else if (padBits != nullptr) {
      CountPadInput(p, padBits[p], g_buttonMap);
    } else {
      ReadPadInput(kPlayerDevice[p], p);
    }
  }
}

// Without Resource/ the game runs as it should, but shows a black window and plays nothing: the
// player hears why on standard error, not only in the log.
void ReportMissingResources() {
  std::string mapped;
  struct stat st;
  if (morrow::MapGamePath("Resource", &mapped) && stat(mapped.c_str(), &st) == 0 &&
      S_ISDIR(st.st_mode)) {
    return;
  }
  std::error_code ec;
  const std::string here = std::filesystem::current_path(ec).string();
  // The tool's path as a player has it: scripts/play.sh builds it beside the game it plays.
  const std::string line =
      "veyrdale: no Resource/ folder in " + here +
      ", so there is nothing to show or hear; write the demo resources there with "
      "'build-release/tools/make-demo-resources " +
      here + "' from the repository's folder, or start the game with 'bash scripts/play.sh'";
  morrow::WriteLogNotice(line.c_str());
}

// Start-up: the Data files, the screen mode and window, the library, the menu resources, the
// capture graph and the digit sheets; false when the library does not start.
bool StartUp() {
  morrow::SetGraphVideoMemoryFlag(0);
  morrow::SetWindowIcon(kWindowIcon);
  WriteOptionDefaults();
  // A missing file keeps its defaults; callers never look at the answers.
  LoadDataFile(kDisplayFile, kLoadDisplay);
  LoadDataFile(kOptionsFile, kLoadOptions);
  LoadDataFile(kScoresFile, kLoadScores);
  LoadDataFile(kSurvivalFile, kLoadSurvival);
  LoadDataFile(kButtonsFile, kLoadButtons);
  morrow::SelectScreenMode(640, 480, g_display.use16BitColor != 0 ? 16 : 32, -1);
  morrow::ChangeWindowMode(g_display.windowMode);
  morrow::SetWindowTitle("Veyrdale");
  morrow::SetMouseVisible(0);
  if (morrow::InitLibrary() < 0) return false;
  FlushDataFileLog();
  RemoveStaleSaveFiles();
  ReportMissingResources();
  // 1 - word, computed as the machine wraps it, so no value from the file can overflow.
  morrow::SetDDrawStartFlag(static_cast<int>(1u - static_cast<uint32_t>(g_display.noVsyncWait)));
  morrow::SetHardwareShapeDrawFlag(1);
  morrow::SetMouseVisible(0);
  LoadGameResources(0);
  morrow::SetDefaultFontSize(15);
  morrow::SetDefaultFontThickness(6);
  morrow::SetDefaultFontType(3);
  morrow::SelectDrawTarget(kBackScreen);
  CaptureGraph = morrow::CreateEmptyGraph(640, 480);
  morrow::LoadDividedGraph("Resource\\font00.dat", 10, 10, 1, 11, 16, DigitGraphs);
  morrow::LoadDividedGraph("Resource\\font00s.dat", 10, 10, 1, 10, 13, SmallDigitGraphs);
  morrow::LoadDividedGraph("Resource\\font00b.dat", 10, 10, 1, 15, 25, BigDigitGraphs);
  // Tried once as a one-shot sound and stopped at once: nothing is heard; the title starts the
  // music.
  morrow::PlayOneShotSound("Resource\\Bgm\\00.bgm", 3);
  morrow::StopOneShotSound();
  return true;
}

// The frame loop, until the quit scene ends it, the window closes or Escape is down.
void RunFrames() {
  if (KeyDown(kKeyEscape)) return;
  for (;;) {
    if (ExitRequested != 0) return;
    FrameStartTime = morrow::GetHighResolutionCount(0);
    const bool captured = RunFrameBody(nullptr);

    // Paused: nothing but the pump runs, until F5 is pressed again or the window closes. Each
    // pass holds the picture as a frame, so that scripted input (whose frames are pictures)
    // reaches its next F5 and its frame limit; the short sleep keeps a paused game from spinning
    // a whole processor.
    bool closing = false;
    while ((PollPauseKey() & 1) != 0) {
      if (morrow::PumpMessages() == -1) {
        closing = true;
        break;
      }
      morrow::HoldFrame();
      morrow::SleepThread(1);
    }

    if (captured) {
      morrow::CopyScreenToGraph(0, 0, 640, 480, CaptureGraph, 1);
      morrow::PresentFrame();
    } else if (g_display.halfRatePresent == 0 || (FrameCount & 1) != 0) {
      morrow::PresentFrame();
    }
    WaitForFrameEnd(FrameStartTime);
    if (SlowMotionFrames > 0) {
      morrow::WaitMilliseconds(51);
      --SlowMotionFrames;
    }
    if (morrow::PumpMessages() == -1 || closing) return;
    if (KeyDown(kKeyEscape)) return;
  }
}

void ShutDown() {
  morrow::StopMusicPlayback();
  morrow::DeleteAllGraphs(0);
  morrow::DeleteAllSounds(0);
  morrow::DeleteAllMemoryHandles();
  morrow::EndLibrary();
}

}  // namespace

int WinMain() {
  if (!StartUp()) {
    // Without a display the game would run unseen: the player learns what to set, on standard
    // error and in the log, and nothing else was opened.
    const std::string noDisplay = morrow::LibraryNoDisplayReason();
    if (noDisplay.empty()) return -1;
    morrow::WriteLogNotice(("veyrdale: no display: " + noDisplay).c_str());
    return 1;
  }
  RunFrames();
  ShutDown();
  return 0;
}

bool RunFrameBody(const int* padBits) {
  morrow::ClearDrawTarget();
  ReadPlayerInput(padBits);
  if (ReversedControlsActive == 1) ApplyReversedControls();
  RunScene(SceneId);
  morrow::SetBlendMode(0, 255);
  DrawNumber(320, 465, static_cast<int>(CountFramesPerSecond()), 0, 1);
  AdvanceFrameCounters();
  return TakeCaptureRequests();
}

void RunScene(int scene) {
  switch (scene) {
    case kSceneTitle:
      TitleScene();
      break;
    case kSceneModeMenu:
      ModeMenuScene();
      break;
    case kSceneCharacterSelect:
      CharacterSelectScene(1);
      break;
    case kSceneStageSelect:
      StageSelectScene();
      break;
    case kSceneBattle:
      BattleScene(0);
      break;
    case kSceneQuit:
      QuitScene();
      break;
    case kScenePlayerCount:
      PlayerCountScene();
      break;
    case kSceneTitleReturn:
      TitleReturnScene();
      break;
    case kSceneStoryKind:
      StoryKindScene();
      break;
    case kSceneTeamCharacterSelect:
      CharacterSelectScene(2);
      break;
    case kSceneTeamAssign:
      TeamAssignScene();
      break;
    case kSceneOptions:
      RunOptionMenu();
      break;
    case kSceneKeyConfig:
      RunKeyConfig();
      break;
    case kSceneStoryRoundResult:
      StoryRoundResultScene();
      break;
    case kSceneGameOver:
      StoryRunEndScene(0);
      break;
    case kSceneStoryEnd:
      StoryRunEndScene(1);
      break;
    case kSceneEnding:
      EndingSequenceScene();
      break;
    case kSceneUnlockPicture:
      UnlockPictureScene();
      break;
    case kSceneExtraEpilogue:
      ExtraEpilogueScene();
      break;
    case kSceneWinQuote:
      WinQuoteScene();
      break;
    case kSceneRecordsMenu:
      RecordsMenuScene();
      break;
    case kSceneMainStoryScores:
      ScoreTableScene(0);
      break;
    case kScenePicturePage:
      PictureScene();
      break;
    case kSceneExtraStoryScores:
      ScoreTableScene(1);
      break;
    case kSceneSurvivalResult:
      SurvivalResultScene();
      break;
    case kSceneSurvivalRecords:
      SurvivalRecordScene();
      break;
    default:
      // A number without a scene: the frame only clears, reads input, shows the frame rate and
      // presents.
      break;
  }
}

void QuitScene() {
  const int n = SceneFrame;
  if (n == kQuitRelease) {
    morrow::DeleteAllGraphs(0);
    morrow::DeleteAllSounds(0);
  }
  if (n == kQuitEnd) ExitRequested = 1;
  if (FadeFrames >= 1 && n < kQuitGlowEnd) {
    morrow::SetFilterMode(1);
    morrow::SetBlendMode(2, TruncToInt(FadeFrames * 0.05 * 255));
    morrow::DrawRotaGraph(320, 240, 1 + (30 - FadeFrames) * 0.002, 0, CaptureGraph, 1, 0);
    --FadeFrames;
    morrow::SetFilterMode(0);
  }
}

uint32_t CountFramesPerSecond() {
  FrameRateCounter& c = g_frameRate;
  ++c.frames;
  // Milliseconds in 64 bits: a 32-bit count wraps after 49 days and would stop the updates.
  const int64_t now = morrow::GetHighResolutionCount(0) / 1000;
  if (!c.updated || now >= c.lastUpdateMs + 1000) {
    c.lastValue = c.frames;
    c.frames = 0;
    c.lastUpdateMs = now;
    c.updated = true;
  }
  return c.lastValue;
}

int32_t PollPauseKey() {
  PauseKeyState& s = g_pauseKey;
  if (KeyDown(kKeyF5)) {
    if (s.framesHeld < std::numeric_limits<int32_t>::max()) ++s.framesHeld;
    // Wrapping keeps the parity, which is all that is read.
    if (s.framesHeld == 1) s.presses = static_cast<int32_t>(static_cast<uint32_t>(s.presses) + 1u);
  } else {
    s.framesHeld = 0;
  }
  return s.presses;
}

void DrawBigNumber(int x, int y, int value) {
  morrow::SetModulationColor(255, 255, 255);
  int v = value < 0 ? 0 : value;
  for (int i = 0; i < 9; ++i) {
    morrow::DrawGraph(x, y, BigDigitGraphs[v % 10], 1);
    x -= 16;
    v /= 10;
  }
}

void WaitForFrameEnd(int64_t start) {
  auto over = [start](int64_t now) {
    return static_cast<double>(now - start) >= kFrameMicroseconds;
  };
  // The first whole microsecond at which the frame time has passed.
  const int64_t end = start + static_cast<int64_t>(std::ceil(kFrameMicroseconds));
  int64_t now = morrow::GetHighResolutionCount(0);
  if (end - now > kFrameSpinMicroseconds) {
    morrow::SleepUntilHighResolutionCount(end - kFrameSpinMicroseconds);
    now = morrow::GetHighResolutionCount(0);
  }
  while (!over(now)) now = morrow::GetHighResolutionCount(0);
}

}  // namespace veyrdale
