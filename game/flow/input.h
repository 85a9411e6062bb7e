// The players' input as counts of consecutive frames: 0 not held, n > 0 held for the last n
// frames, so a press is a count of exactly 1. Every scene and the battle read input only here.
#pragma once

#include <cstdint>

namespace veyrdale {

// The nine inputs, in the order the counters are refreshed. Button 1 and 2 attack, 3 dashes, 4 is
// the modifier, 5 declares a spell card.
enum Input : int {
  kInputDown = 0,
  kInputUp,
  kInputLeft,
  kInputRight,
  kInputButton1,
  kInputButton2,
  kInputButton3,
  kInputButton4,
  kInputButton5,
  kInputCount
};

// [input][player]
extern int32_t HeldFrameCounts[kInputCount][4];
// How many more frames the computer player wants each input held. [input][player]
extern int32_t PendingPressCounts[kInputCount][4];

}  // namespace veyrdale
