// Software routines standing in until their rasterisers exist: each draws nothing and reports
// success, so the drawing calls above them run their whole course.
#include "morrow/softdraw/raster.h"

namespace morrow {

// TEMPORARY: replaced by the line rasteriser
int G_DDraw_DrawLine(int, int, int, int, uint32_t) {
  return 0;
}
// TEMPORARY: replaced by the circle rasteriser
int G_DDraw_DrawCircle(int, int, int, uint32_t, int) {
  return 0;
}

}  // namespace morrow
