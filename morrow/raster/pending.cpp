// Pixel loops standing in until they exist: each draws nothing, so the draws above them run
// their whole course.
#include "morrow/raster/turned_loops.h"

namespace morrow::raster {

// TEMPORARY: replaced by the 16-bit rotated draw
void DrawRota16(const RotaWalk&, const TurnedDraw&) {}
// TEMPORARY: replaced by the 16-bit textured triangle spans
void DrawTriangle16(const TriangleSpanWalk&, const TurnedDraw&) {}

}  // namespace morrow::raster
