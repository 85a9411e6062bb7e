// The numbers of the result screens and the survival record panel.
#pragma once

namespace veyrdale {

// Draws value right-aligned with the DigitGraphs sheet: the last digit at x, the others 12 pixels
// apart to its left, no leading zeros; the caller's blend mode stays in force. A negative value
// (an edited record file) draws as 0. `style` is not read.
void DrawResultNumber(int x, int y, int value, int style);

}  // namespace veyrdale
