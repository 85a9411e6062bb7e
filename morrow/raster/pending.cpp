// Pixel loops standing in until they exist: each draws nothing, so the draws above them run
// their whole course.
#include "morrow/raster/turned_loops.h"

namespace morrow::raster {

// TEMPORARY: replaced by the untextured triangle spans
void DrawUntexturedTriangle(const TriangleSpanWalk&, uint32_t) {}

}  // namespace morrow::raster
