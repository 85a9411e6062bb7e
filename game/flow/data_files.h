// The records behind the game's Data files that the battle reads: the display settings, the
// options and the button map. Each is a set of int32 words that live for the whole run; the values
// here are what they hold before any file is read.
#pragma once

#include <cstdint>

namespace veyrdale {

struct DisplaySettings {
  int32_t windowMode = 0;
  int32_t use16BitColor = 0;
  int32_t noVsyncWait = 0;
  int32_t halfRatePresent = 0;  // non-zero: present only every second frame
};

struct OptionSettings {
  int32_t difficulty = 1;        // 0-3
  int32_t winCount = 1;          // 0-2: rounds needed to win a match, less one
  int32_t timeLimit = 1;         // 0-2
  int32_t effectLevel = 0;       // 0-1
  int32_t meleeLevel = 0;        // 0-1
  int32_t stunRingDisplay = 0;   // 0-1
  int32_t obstacleStrength = 1;  // 0-2
  int32_t musicVolume = 20;      // 0-20
  int32_t soundVolume = 19;      // 0-20
  int32_t spare[2] = {};         // read by nothing; kept and saved as they are
};

// Per player, the pad-state bits that count as each game button 1 to 5: a button is held while the
// pad state has any bit of its mask. The default is pad buttons 0 to 4 for every player.
struct ButtonMap {
  int32_t masks[4][5] = {{0x10, 0x20, 0x40, 0x80, 0x100},
                         {0x10, 0x20, 0x40, 0x80, 0x100},
                         {0x10, 0x20, 0x40, 0x80, 0x100},
                         {0x10, 0x20, 0x40, 0x80, 0x100}};
};

extern DisplaySettings g_display;
extern OptionSettings g_options;
extern ButtonMap g_buttonMap;

}  // namespace veyrdale
