// The opponent's name plate of a story stage: started by the script, it fades in over 32 frames,
// stays, and fades out over its last 48. The battle spends it after each drawn frame, the dialogue
// twice as fast while it runs.
#include <cstdint>

#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/scenario_state.h"
#include "game/view/draw_conventions.h"
#include "game/view/hud_parts.h"
#include "morrow/graphics/draw.h"

namespace veyrdale::view {

namespace {

constexpr int kNameRow = 9;
constexpr int kFull = 300;
constexpr int kFadeIn = 32;
constexpr int kFadeOut = 48;

// Whose name: player 1's, but the third fighter's on stage 3, and on stage 7 while its entry
// runs, unless the run was continued.
int NamedPlayer() {
  const int stage = g_match.storyStage;
  if (stage == 3) return 2;
  if (stage == 7 && RouteFlagA == 0 && g_playerState.entryFrames[2] > 0) return 2;
  return 1;
}

}  // namespace

void DrawNamePlate() {
  if (NamePlateFrames == 0) return;
  const double n = NamePlateFrames;
  int alpha = kOpaque;
  if (n <= kFadeOut) {
    alpha = TruncToInt(n * (1.0 / kFadeOut) * 255);
  } else if (n > kFull - kFadeIn) {
    alpha = TruncToInt((kFull - n) * (1.0 / kFadeIn) * 255);
  }
  morrow::SetBlendMode(kBlendAlpha, alpha);
  morrow::DrawRotaGraph(480, 300, 1.0, 0.0, PictureCell(kNameRow, g_players[NamedPlayer()].kind), 1,
                        0);
}

}  // namespace veyrdale::view
