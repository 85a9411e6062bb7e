// G_DDraw_DrawModiGraph and G_DDraw_DrawFloatModiGraph: a whole graph mapped onto a free
// quadrilateral. The frame stages and locks the surfaces once and hands the quadrilateral to the
// triangle rasteriser as two triangles sharing the diagonal from the second to the third corner
// (the picture's top-right to bottom-left), so both draw its pixels. No ordering, winding or
// convexity test is made: a crossed quadrilateral is drawn as its two triangles. An upright
// rectangle showing the graph at an axis-aligned scale is drawn, where the pixels come out the
// same, as one stretched rectangle instead (RenderUprightQuad).
//
// Corners beyond +-8191 pixels, and graphs wider or taller than that, do not fit the triangles'
// 14.18 words: the draw refuses them with -1 before locking anything.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "morrow/device/direct3d.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/raster/triangle.h"
#include "morrow/softdraw/frame.h"
#include "morrow/softdraw/raster.h"
#include "morrow/softdraw/turned_frame.h"
#include "morrow/softdraw/turned_source.h"
#include "morrow/softdraw/turned_triangle.h"

namespace morrow {
namespace {

constexpr const char* kTargetLockFailed =
    "転送先サーフェスのロックに失敗しました in G_DDraw_DrawModiGraph ";
constexpr const char* kSourceLockFailed =
    "転送元サーフェス１のロックに失敗しました in G_DDraw_DrawModiGraph ";
constexpr const char* kWorkLockFailed =
    "転送元サーフェス２のロックに失敗しました in G_DDraw_DrawModiGraph ";

bool InRange(int64_t v) {
  return v >= -raster::kTriangleCoordinateLimit && v <= raster::kTriangleCoordinateLimit;
}

}  // namespace

int G_DDraw_DrawModiGraph(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
                          GraphRecord* graph, int keyFlag) {
  const ScreenState& s = GetScreenState();
  if (s.directDraw == nullptr) return -1;
  Flush3DVertexBatch();
  softdraw::EndSceneBeforeLock();
  platform::Surface* target = softdraw::DestinationSurface();
  softdraw::TurnedSource source;
  if (softdraw::FindTurnedSource(graph, &source) != 0 || target == nullptr) return -1;
  const int xs[4] = {x1, x2, x3, x4}, ys[4] = {y1, y2, y3, y4};
  for (int i = 0; i < 4; ++i) {
    if (!InRange(xs[i]) || !InRange(ys[i])) return -1;
  }
  if (!InRange(graph->width) || !InRange(graph->height)) return -1;

  const Rect box =
      softdraw::CornersBox({x1, x2, x3, x4}, {y1, y2, y3, y4}, softdraw::ClipArea(*target));
  if (box.Empty()) return 0;

  const DrawState& ds = GetDrawState();
  const int depth = s.screenBitDepth;
  const bool stageDestination = ds.blendMode != 0 && depth != 8 &&
                                (softdraw::DestinationInVideoMemory() || source.alphaChannel);
  softdraw::TurnedSurfaces locked;
  if (!softdraw::StageAndLock(target, source, box, stageDestination,
                              {kTargetLockFailed, kSourceLockFailed, kWorkLockFailed}, &locked)) {
    return -1;
  }
  if (softdraw::SurfacesMatchDepth(locked, depth)) {
    softdraw::TriangleSurfaces surfaces;
    surfaces.dest = locked.dest.At(ds.screenOffset.left, ds.screenOffset.top);
    surfaces.destPitch = locked.dest.pitch;
    surfaces.src = locked.sourceStaged
                       ? locked.src.At(0, 0)
                       : locked.src.At(source.piece->xOnSurface, source.piece->yOnSurface);
    surfaces.srcPitch = locked.src.pitch;
    surfaces.read = locked.work != nullptr ? locked.read.At(0, 0) : surfaces.dest;
    surfaces.readPitch = locked.read.pitch;
    surfaces.sourceIsTarget = locked.sourceIsTarget;
    const int32_t w = graph->width, h = graph->height;
    const raster::TriangleVertex v[4] = {
        {x1, y1, 0, 0}, {x2, y2, w, 0}, {x3, y3, 0, h}, {x4, y4, w, h}};
    // Each triangle draws only inside the staged and locked box.
    if (!softdraw::RenderUprightQuad(v, graph, keyFlag, surfaces, box)) {
      softdraw::RenderTexturedTriangle(&v[0], graph, keyFlag, surfaces, box, 0);
      softdraw::RenderTexturedTriangle(&v[1], graph, keyFlag, surfaces, box, 0);
    }
  }
  softdraw::UnlockTurnedSurfaces(locked);
  return 0;
}

int G_DDraw_DrawFloatModiGraph(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                               float y4, GraphRecord* graph, int keyFlag) {
  const float corners[8] = {x1, y1, x2, y2, x3, y3, x4, y4};
  int whole[8];
  for (int i = 0; i < 8; ++i) {
    // Truncation toward zero, defined only for values within the int range.
    if (!std::isfinite(corners[i]) || corners[i] <= -2147483904.0f || corners[i] >= 2147483648.0f) {
      return -1;
    }
    whole[i] = static_cast<int>(corners[i]);
  }
  return G_DDraw_DrawModiGraph(whole[0], whole[1], whole[2], whole[3], whole[4], whole[5], whole[6],
                               whole[7], graph, keyFlag);
}

}  // namespace morrow
