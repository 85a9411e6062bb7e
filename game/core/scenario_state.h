// State of the scenario interpreter that other scenes reset or the battle draw shows.
#pragma once

#include <cstdint>

namespace veyrdale {

// The ending's picture sequence: the current and the previous picture number.
extern uint16_t PictureIndex;
extern uint16_t PreviousPictureIndex;
// Frames left of the opponent's name plate in the battle.
extern uint16_t NamePlateFrames;

}  // namespace veyrdale
