// The story's continue prompt over the frozen battle, after a lost main-story stage: a backdrop
// zooms in over a darkening screen, the title and the two choices fade in, and from its 49th
// frame player 0 chooses with left and right and confirms with button 1. Continuing replays the
// stage from a fresh round; giving up ends the run.
//
// ContinuePause counts the prompt's frames from 1; it stays above 0 until a choice is confirmed.
#include "game/view/continue_prompt.h"

#include <cstdint>

#include "game/core/entry_points.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/scenes.h"
#include "game/core/sound_entries.h"
#include "game/view/draw_conventions.h"
#include "morrow/device/color_format.h"
#include "morrow/graphics/draw.h"

namespace veyrdale {

namespace view {

namespace {

constexpr int kBackdropRow = 152;
constexpr int kTitleRow = 153;
constexpr int kLabelRow = 154;  // cell 0 continue, cell 1 give up

constexpr int kBackdropFrom = 17;
constexpr int kBackdropFull = 32;
constexpr int kDarkFull = 24;
constexpr int kTextFrom = 25;
constexpr int kTextFull = 48;
constexpr int kInputFrom = 49;

constexpr int kContinue = 0;
constexpr int kGiveUp = 1;

void Centred(int x, int y, double scale, int32_t graph) {
  morrow::DrawRotaGraph(x, y, scale, 0.0, graph, 1, 0);
}

void DrawPrompt(int32_t n) {
  const double f = n;
  if (n >= kBackdropFrom) {
    const bool zooming = n < kBackdropFull;
    morrow::SetBlendMode(kBlendAdd, zooming ? TruncToInt((f - 16) * 0.0625 * 80) : 80);
    Centred(320, 240, zooming ? 1 + (kBackdropFull - f) * 0.01 : 1.0, PictureCell(kBackdropRow, 0));
  }
  morrow::SetBlendMode(kBlendSubtract, n < kDarkFull ? TruncToInt(f * (1.0 / 24) * 255) : kOpaque);
  morrow::DrawRectangle(0, 0, 640, 480, morrow::PackScreenColor(255, 128, 32), 1);
  if (n < kTextFrom) return;
  const bool fading = n < kTextFull;
  morrow::SetBlendMode(kBlendAdd, fading ? TruncToInt((f - 24) * (1.0 / 24) * 255) : kOpaque);
  Centred(320, 190, 1.0, PictureCell(kTitleRow, 0));
  morrow::SetBlendMode(kBlendAdd, fading ? TruncToInt((f - 24) * (1.0 / 24) * 128) : 128);
  Centred(255, 238, 1.0, PictureCell(kLabelRow, 0));
  Centred(385, 238, 1.0, PictureCell(kLabelRow, 1));
  // The current choice shines twice as bright.
  const int64_t choice = ContinueChoice;
  Centred(SaturateToInt(255 + 130 * choice), 238, 1.0, PictureCell(kLabelRow, choice));
}

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

}  // namespace view

void DrawContinueOverlay() {
  using namespace view;
  const int32_t n = ContinuePause;
  DrawPrompt(n);
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

}  // namespace veyrdale
