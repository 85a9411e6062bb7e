#include "game/flow/result_number.h"

#include "game/core/frame_state.h"
#include "morrow/graphics/draw.h"

namespace veyrdale {

void DrawResultNumber(int x, int y, int value, int /*style*/) {
  // Negative values would index before the digit table.
  int v = value < 0 ? 0 : value;
  // Digits are counted by division: a power of ten counted up past the value would overflow 32
  // bits from 10^9.
  int digits = 1;
  for (int rest = v / 10; rest > 0; rest /= 10) ++digits;
  morrow::SetModulationColor(255, 255, 255);
  for (int k = 0; k < digits; ++k) {
    morrow::DrawGraph(x, y, DigitGraphs[v % 10], 1);
    x -= 12;
    v /= 10;
  }
}

}  // namespace veyrdale
