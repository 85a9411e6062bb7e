// Box outlines, drawn as four lines through the routing table so that each line takes whatever
// line rasteriser is installed.
#include "morrow/device/direct3d.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_routes.h"
#include "morrow/softdraw/raster.h"
#include "morrow/system/rect.h"

namespace morrow {

int G_DDraw_DrawFrameBox(int x1, int y1, int x2, int y2, uint32_t colour) {
  if (IsDirectDrawReady() == nullptr) return -1;
  if (IsDirect3DUsable()) EndScene3D();
  // The lines meet without overlapping: the right and bottom edges lie one pixel inside, as the
  // right and bottom of a box are outside it.
  const DrawRoutes& routes = GetDrawRoutes();
  const int right = SaturateToInt(int64_t{x2} - 1);
  const int bottom = SaturateToInt(int64_t{y2} - 1);
  const int belowTop = SaturateToInt(int64_t{y1} + 1);
  routes.drawLineDDraw(x1, y1, x2, y1, colour);
  routes.drawLineDDraw(right, belowTop, right, y2, colour);
  routes.drawLineDDraw(x1, bottom, right, bottom, colour);
  routes.drawLineDDraw(x1, belowTop, x1, bottom, colour);
  return 0;
}

}  // namespace morrow
