// The players' input as counts of consecutive frames: 0 not held, n > 0 held for the last n
// frames, so a press is a count of exactly 1. Every scene and the battle read input only here.
#pragma once

#include <cstdint>

#include "game/core/data_files.h"

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

// Pad-state bits: directions are fixed, buttons come from the ButtonMap.
constexpr int kPadDown = 0x1;
constexpr int kPadLeft = 0x2;
constexpr int kPadRight = 0x4;
constexpr int kPadUp = 0x8;
// Pad button i (0 first) is kPadButton0 << i.
constexpr int kPadButton0 = 0x10;
// The device codes of the players' pad reads: the keyboard merged into pad 1 for player 0.
constexpr int kPlayerDevice[4] = {0x1001, 2, 3, 4};

// A pad read's answer as input: a negative answer (input never started) is no input.
int PadBitsOrNone(int bits);

// The counting step: refreshes the nine counts of `player` (0-3) from a pad-state word. A held
// input counts up by one, a released one drops to 0.
void CountPadInput(int player, int bits, const ButtonMap& map);
// Reads the pad of deviceCode and counts it for `player`.
void ReadPadInput(int deviceCode, int player);
// Refreshes the counts of a computer player from its pending presses. During a spell-card freeze
// in the battle its directions stay as they are.
void ApplyCpuInput(int player);
// While a reversing spell card runs, swaps up with down and left with right for the human players
// not on the caster's side.
void ApplyReversedControls();

}  // namespace veyrdale
