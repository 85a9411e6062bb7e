// Software routines standing in until their rasterisers exist: each draws nothing and reports
// success, so the drawing calls above them run their whole course.
#include "morrow/softdraw/raster.h"

namespace morrow {

// TEMPORARY: replaced by the stretched-draw rasteriser
int G_DDraw_DrawExtendGraph(int, int, int, int, GraphRecord*, int) {
  return 0;
}
// TEMPORARY: replaced by the screen capture into graphs
int CopyScreenToGraphDDraw(int, int, int, int, GraphRecord*, int) {
  return 0;
}

}  // namespace morrow
