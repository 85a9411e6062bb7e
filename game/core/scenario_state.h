// State of the scenario interpreter that other scenes reset.
#pragma once

#include <cstdint>

namespace veyrdale {

// The ending's picture sequence: the current and the previous picture number.
extern uint16_t PictureIndex;
extern uint16_t PreviousPictureIndex;

}  // namespace veyrdale
