// What the drawing of players reads beside the battle's records (DrawPlayerEntry, which draws the
// draw list's players, companions and dash spinners, is declared with the entry points).
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale {

// Per player: non-zero hides the ground ring. Nothing in the battle sets it; it stays 0.
extern uint8_t NoShadowFlags[kPlayerCount];

}  // namespace veyrdale
