// Decimal numbers drawn from digit pictures, right-aligned on their last digit.
#include <cstdint>

#include "game/core/frame_state.h"
#include "game/core/resource_tables.h"
#include "game/view/view.h"
#include "morrow/graphics/draw.h"

namespace veyrdale {

namespace {

constexpr int kStyleNineDigits = 7;
constexpr int kStyleCentred = 8;
constexpr int kStylePictures = 9;

}  // namespace

void DrawNumber(int x, int y, int value, int style, uint8_t small) {
  // A negative value (an edited save file) would index before the digit tables.
  int64_t v = value < 0 ? 0 : value;
  // Digits less one, counted by division: a power of ten would overflow 32 bits from 10^9.
  int n = 0;
  for (int64_t rest = v / 10; rest > 0; rest /= 10) ++n;
  if (style == kStyleNineDigits && n < 8) n = 8;

  const int32_t* digits = DigitGraphs;
  int step = 12;
  int first = x;
  if (style == kStylePictures) {
    digits = PictureSlots[kPictureDigitSlot];
  } else if (small != 0) {
    digits = SmallDigitGraphs;
    step = style == kStyleCentred ? 8 : 9;
    if (style == kStyleCentred) first = x + (8 * n) / 2;
  }
  for (int k = 0; k <= n; ++k) {
    morrow::DrawGraph(first - step * k, y, digits[v % 10], 1);
    v /= 10;
  }
}

}  // namespace veyrdale
