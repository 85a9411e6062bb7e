// Software routines standing in until their rasterisers exist: each draws nothing and reports
// success, so the drawing calls above them run their whole course.
#include "morrow/raster/texel_draw.h"
#include "morrow/softdraw/raster.h"

namespace morrow::raster {

// TEMPORARY: replaced by the 16-bit rotated draw
void DrawRota16(const RotaWalk&, const TexelDraw&) {}
// TEMPORARY: replaced by the 16-bit textured triangle spans
void DrawTriangle16(const TriangleSpanWalk&, const TexelDraw&) {}
// TEMPORARY: replaced by the untextured triangle spans
void DrawUntexturedTriangle(const TriangleSpanWalk&, uint32_t) {}

}  // namespace morrow::raster

namespace morrow {

// TEMPORARY: replaced by the stretched-draw rasteriser
int G_DDraw_DrawExtendGraph(int, int, int, int, GraphRecord*, int) {
  return 0;
}
// TEMPORARY: replaced by the line rasteriser
int G_DDraw_DrawLine(int, int, int, int, uint32_t) {
  return 0;
}
// TEMPORARY: replaced by the circle rasteriser
int G_DDraw_DrawCircle(int, int, int, uint32_t, int) {
  return 0;
}
// TEMPORARY: replaced by the screen capture into graphs
int CopyScreenToGraphDDraw(int, int, int, int, GraphRecord*, int) {
  return 0;
}

}  // namespace morrow
