// Which battle frames are drawn, and one drawn battle frame as the flow runs it, part by part. The
// view begins the frame and draws in three parts; after each, what that part showed and worked out
// is carried out in the order the draw met it: the screen shake spent, the draw list's tags and
// block countdown, the character frame selections and the flash after the arena and the first
// part of the display; the story's dialogue (the flow's own) and the end of the run it asks for;
// then the counters the top of the display showed, the round clock and the continue prompt's
// choice. F1 leaves for the title before anything is drawn. Debug builds check around each view
// part that it changed no battle state and drew no random number.
#include <cstdint>
#include <iterator>
#include <span>

#include "game/battle/battle.h"
#include "game/battle/drawn_frame.h"
#include "game/battle/round_clock.h"
#include "game/battle/state_snapshot.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/scenes.h"
#include "game/core/sound_entries.h"
#include "game/flow/flow.h"
#include "game/view/view.h"
#include "morrow/system/input.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

constexpr int kKeyF1 = 0x3B;

constexpr int kInputFrom = 49;  // the prompt's frame from which player 0 chooses
constexpr int kContinue = 0;
constexpr int kGiveUp = 1;

// The stage again from a fresh round, with player 0's tallies and everyone's wins cleared.
void ContinueRun() {
  ContinuePause = 0;
  // Scripts and set-ups of the later stages read the continue as a route.
  RouteFlagA = 1;
  FadeCaptureRequest = 1;
  RoundFrame = 0;
  RoundWinner = 0;
  PlayerBattleState& s = g_playerState;
  s.score[0] = s.damageDealt[0] = s.shotsFired[0] = s.shotsHit[0] = 0;
  s.obstaclesBroken[0] = s.knockOuts[0] = 0;
  const int players = PlayerCountUpToFour();
  for (int p = 0; p < players; ++p) s.wins[p] = 0;
  for (int p = 0; p < kPlayerCount; ++p) StartRound(&g_players[p], p);
}

bool Pressed(Input input) {
  return HeldFrameCounts[input][0] == 1;
}

// The continue prompt's frame: the battle stays frozen; from its 49th frame player 0 chooses
// with left and right and confirms with button 1. Continuing replays the stage from a fresh
// round; giving up ends the run.
void RunContinueChoice() {
  const int32_t n = ContinuePause;
  FreezeFrames = 1;
  if (n >= kInputFrom) {
    if (Pressed(kInputLeft)) {
      ContinueChoice = kContinue;
      PlaySoundEntry(kSoundSelect);
    }
    if (Pressed(kInputRight)) {
      ContinueChoice = kGiveUp;
      PlaySoundEntry(kSoundSelect);
    }
    if (Pressed(kInputButton1)) {
      if (ContinueChoice == kContinue) {
        ContinueRun();
      } else if (ContinueChoice == kGiveUp) {
        FadeCaptureRequest = 1;
        EndStoryRun();
      }
    }
  }
  if (ContinuePause > 0) ContinuePause = SaturateToInt(static_cast<int64_t>(ContinuePause) + 1);
}

}  // namespace

void EndStoryRun() {
  SceneFrame = 0;
  SceneId = kSceneGameOver;
  RoundFrame = RoundEndFrames = FreezeFrames = 0;
  StoryScriptFade = StoryPreFight = ContinuePause = 0;
  for (int32_t& cpu : g_match.cpuFlag) cpu = 0;
  LoadGameResources(0);
  DeleteFontSheets();
  DeletePortraits();
}

void DrawContinueOverlay() {
  DrawContinuePrompt();
  RunContinueChoice();
}

namespace {

// Whether the continue prompt stood when the top of the display drew it: its choice runs after
// the draw, on the frame it was drawn on.
bool g_promptDrawn = false;

bool BeginDraw() {
  PrepareBattleDraw();
  return true;
}

bool CarryOutDrawListPart() {
  SpendScreenShake();
  CarryOutDrawList(g_match.playerCount);
  // Only a pressed key answers 1: an input component that failed answers -1, which is no key.
  if (morrow::IsKeyPressed(kKeyF1) == 1 && DemoFrames < kDemoStart) {
    ReturnToTitle();
    return false;
  }
  return true;
}

bool DrawArena() {
  DrawBattleArena();
  return true;
}

bool DrawHud() {
  DrawBattleHud(g_drawnFrame.shake);
  return true;
}

bool CarryOutHud() {
  CarryOutSelections(g_drawnFrame);
  SpendFlash();
  return true;
}

bool RunDialogue() {
  if (DrawStoryDialogue(g_drawnFrame.shake)) EndStoryRun();
  return true;
}

bool DrawHudTop() {
  g_promptDrawn = ContinuePause > 0;
  DrawBattleHudTop(g_drawnFrame.shake);
  return true;
}

bool CarryOutHudTop() {
  SpendDisplayCounters();
  RunRoundClock();
  if (g_promptDrawn) RunContinueChoice();
  return true;
}

constexpr DrawnFramePart kParts[] = {
    {"begin the frame", true, &BeginDraw},
    {"the draw list carried out, F1", false, &CarryOutDrawListPart},
    {"the arena", true, &DrawArena},
    {"the display", true, &DrawHud},
    {"the selections carried out, the flash", false, &CarryOutHud},
    {"the story's dialogue", false, &RunDialogue},
    {"the top of the display", true, &DrawHudTop},
    {"its counters, the round clock, the continue choice", false, &CarryOutHudTop},
};

// The head-up display's parts start with its first drawing part.
constexpr int kHudPart = 3;
static_assert(kParts[kHudPart].run == &DrawHud);

// Debug builds: a view part leaves the whole battle state (every pool and global of the field
// table and every block beside it, each range hashed whole by xxHash's XXH3) and the random
// generator as it found them, or the program aborts naming the part, the range it changed and the
// frame. Two view parts in a row share one set of hashes: the first left the state as it found
// it. Release builds never check.
class ViewPartGuard {
 public:
#ifdef NDEBUG
  void Forget() {}
  void Before() {}
  void After(const DrawnFramePart&) {}
#else
  void Forget() {
    taken_ = false;
  }
  void Before() {
    if (taken_) return;
    state_.Take();
    next_ = morrow::PeekRandomNumber(DrawnFrame::kGeneratorMark, 0);
    taken_ = true;
  }
  void After(const DrawnFramePart& part) {
    if (morrow::PeekRandomNumber(DrawnFrame::kGeneratorMark, 0) != next_) {
      FailDrawnFrameGuard(-1, "%s drew a random number", part.name);
    }
    char field[96];
    if (state_.FindChange(field, sizeof field)) {
      FailDrawnFrameGuard(-1, "%s changed %s", part.name, field);
    }
  }

 private:
  StateHashes state_;
  int32_t next_ = 0;
  bool taken_ = false;
#endif
};
ViewPartGuard g_viewPartGuard;

void RunParts(int first) {
  g_viewPartGuard.Forget();
  for (int i = first; i < static_cast<int>(std::size(kParts)); ++i) {
    const DrawnFramePart& part = kParts[i];
    if (part.view) g_viewPartGuard.Before();
    const bool goesOn = part.run();
    if (part.view) {
      g_viewPartGuard.After(part);
    } else {
      g_viewPartGuard.Forget();
    }
    if (!goesOn) return;
  }
}

}  // namespace

std::span<const DrawnFramePart> DrawnFrameParts() {
  return kParts;
}

void RunBattleHud(int shake) {
  g_drawnFrame.shake = shake;
  RunParts(kHudPart);
}

bool BattleFrameIsDrawn() {
  return g_display.halfRatePresent == 0 || FrameCount % 2 == 0 || FadeCaptureRequest == 1 ||
         SpellCaptureRequest == 1;
}

void DrawBattleFrame() {
  RunParts(0);
}

}  // namespace veyrdale
