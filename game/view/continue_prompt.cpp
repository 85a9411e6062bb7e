// The story's continue prompt over the frozen battle, after a lost main-story stage: a backdrop
// zooms in over a darkening screen, the title and the two choices fade in, the current choice
// shining. The flow runs the choice itself after the draw (game/flow/continue_choice.cpp).
//
// ContinuePause counts the prompt's frames from 1; it stays above 0 until a choice is confirmed.
#include <cstdint>

#include "game/core/frame_state.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/view/draw_conventions.h"
#include "game/view/view.h"
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

}  // namespace

}  // namespace view

void DrawContinuePrompt() {
  view::DrawPrompt(ContinuePause);
}

}  // namespace veyrdale
