// CopyScreenToGraphDDraw: a rectangle of the draw target copied into a graph held on display
// surfaces, piece by piece, with block copies only (nothing is locked). Each piece is filled at its
// full size from the rectangle's top-left corner moved by the piece's place in the graph, cut only
// where the source ends; the rectangle's far corner only bounds what is accepted.
#include <algorithm>
#include <cstdint>

#include "morrow/device/screen.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/softdraw/frame.h"
#include "morrow/softdraw/raster.h"
#include "morrow/system/window.h"

namespace morrow {

int CopyScreenToGraphDDraw(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag) {
  const ScreenState& s = GetScreenState();
  if (s.directDraw == nullptr) return -1;
  softdraw::EndSceneBeforeLock();
  platform::Surface* screen = GetDrawTargetSurface();
  if (graph == nullptr || screen == nullptr) return -1;
  // The bounds of what can be read, and where their origin lies on the draw-target surface: with
  // flag 0 in a window the front screen is read as the whole desktop.
  int boundW = 0, boundH = 0;
  int64_t originX = 0, originY = 0;
  const int target = GetDrawTargetHandle();
  if (flag == 0 && IsWindowMode() != 0 && target == kFrontScreen) {
    GetDesktopScreenInfo(&boundW, &boundH, nullptr);
  } else {
    if (QueryGraphSize(target, &boundW, &boundH) != 0) return -1;
    const DrawState& ds = GetDrawState();
    originX = ds.screenOffset.left;
    originY = ds.screenOffset.top;
  }
  const int64_t bw = boundW, bh = boundH;
  if (x1 < 0 || x1 >= x2 || y1 < 0 || y1 >= y2 || x1 > bw || y1 > bh ||
      int64_t{x2} - x1 > graph->width || int64_t{y2} - y1 > graph->height) {
    return -1;
  }
  const int count = std::min(graph->pieceCount, kMaxGraphPieces);
  for (int i = 0; i < count; ++i) {
    const Surface2DRecord* piece = GetSurface2DRecord(graph->pieces[i]);
    if (piece == nullptr) return -1;
    SurfaceRecord* record = GetSurfaceRecord(piece->surface);
    if (record == nullptr || record->surface == nullptr) return -1;
    const int64_t left = int64_t{x1} + piece->xInGraph, top = int64_t{y1} + piece->yInGraph;
    if (left > bw || top > bh) continue;
    const int64_t w = std::min<int64_t>(piece->width, bw - left);
    const int64_t h = std::min<int64_t>(piece->height, bh - top);
    if (w == 0 || h == 0) continue;
    const Rect from{SaturateToInt(originX + left), SaturateToInt(originY + top),
                    SaturateToInt(originX + left + w), SaturateToInt(originY + top + h)};
    platform::Surface* into = record->surface.get();
    if (record->flags.systemMemory == 0) {
      into->BltFast(piece->xOnSurface, piece->yOnSurface, screen, &from,
                    platform::kBltFastNoColorKey);
    } else {
      CopySurfaceRect(into, screen, piece->xOnSurface, piece->yOnSurface, &from);
    }
  }
  return 0;
}

}  // namespace morrow
