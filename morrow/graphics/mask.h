// The mask screen: a per-pixel mask over the draw target. Only its deletion, which the graphics
// end runs, exists so far.
#pragma once

namespace morrow {

// Switches the mask off and frees the mask memory and surface. 0.
int DeleteMaskBuffer();

}  // namespace morrow
