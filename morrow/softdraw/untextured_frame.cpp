// DrawPlainTriangleDDraw: one triangle of a plain colour, the untextured half of
// G_DDraw_RenderTexturedTriangle, inside the frame the quadrilateral draw gives its triangles:
// the corners' box widened by 2 to the left and above and by 4 to the right and below, cut to
// the draw area, staged when blending must read video memory, and locked once. No drawing call
// of the library reaches the untextured half; this entry lets tools and tests draw it.
#include <algorithm>
#include <cstdint>

#include "morrow/device/direct3d.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/raster/triangle.h"
#include "morrow/softdraw/frame.h"
#include "morrow/softdraw/raster.h"
#include "morrow/softdraw/turned_frame.h"
#include "morrow/softdraw/turned_source.h"
#include "morrow/softdraw/turned_triangle.h"

namespace morrow {
namespace {

constexpr const char* kTargetLockFailed =
    "転送先サーフェスのロックに失敗しました in DrawPlainTriangleDDraw ";
constexpr const char* kWorkLockFailed =
    "転送元サーフェスのロックに失敗しました in DrawPlainTriangleDDraw ";

}  // namespace

int DrawPlainTriangleDDraw(int x1, int y1, int x2, int y2, int x3, int y3, uint32_t colour) {
  const ScreenState& s = GetScreenState();
  if (s.directDraw == nullptr) return -1;
  Flush3DVertexBatch();
  softdraw::EndSceneBeforeLock();
  platform::Surface* target = softdraw::DestinationSurface();
  if (target == nullptr) return -1;
  for (int c : {x1, y1, x2, y2, x3, y3}) {
    if (c < -raster::kTriangleCoordinateLimit || c > raster::kTriangleCoordinateLimit) return -1;
  }

  const Rect box = softdraw::CornersBox({x1, x2, x3}, {y1, y2, y3}, softdraw::ClipArea(*target));
  if (box.Empty()) return 0;

  const DrawState& ds = GetDrawState();
  const int depth = s.screenBitDepth;
  const bool stageDestination =
      ds.blendMode != 0 && depth != 8 && softdraw::DestinationInVideoMemory();
  softdraw::TurnedSurfaces locked;
  if (!softdraw::StageAndLock(target, softdraw::TurnedSource{}, box, stageDestination,
                              {kTargetLockFailed, nullptr, kWorkLockFailed}, &locked)) {
    return -1;
  }
  int result = 0;
  if (softdraw::SurfacesMatchDepth(locked, depth)) {
    softdraw::TriangleSurfaces surfaces;
    surfaces.dest = locked.dest.At(ds.screenOffset.left, ds.screenOffset.top);
    surfaces.destPitch = locked.dest.pitch;
    surfaces.read = locked.work != nullptr ? locked.read.At(0, 0) : surfaces.dest;
    surfaces.readPitch = locked.read.pitch;
    const raster::TriangleVertex v[3] = {{x1, y1, 0, 0}, {x2, y2, 0, 0}, {x3, y3, 0, 0}};
    result = softdraw::RenderTexturedTriangle(v, nullptr, 0, surfaces, box, colour);
  }
  softdraw::UnlockTurnedSurfaces(locked);
  return result;
}

}  // namespace morrow
