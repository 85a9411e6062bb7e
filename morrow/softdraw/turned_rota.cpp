// G_DDraw_DrawRotaGraph: a whole graph turned by an angle and scaled about its centre. The frame
// inverts the rotation: it walks every pixel of the corners' bounding box (widened and clipped)
// with a 14.18 source position and draws the pixels whose position falls inside the graph
// (RotaWalk, turned_walkers.h). Mirrored, it hands the corners to the quadrilateral draw instead.
//
// Every 14.18 quantity (centre, corners, steps, walk start and end) is computed in 64 bits and
// refused when it falls outside the 32-bit word (+-8191 pixels): the draw returns -1 with nothing
// locked instead of drawing from a wrapped position. Non-finite scales and angles are refused
// the same way, and a scale of 0 draws nothing.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "morrow/device/direct3d.h"
#include "morrow/device/screen.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/raster/triangle.h"
#include "morrow/raster/turned_loops.h"
#include "morrow/softdraw/frame.h"
#include "morrow/softdraw/raster.h"
#include "morrow/softdraw/turned_frame.h"
#include "morrow/softdraw/turned_source.h"

namespace morrow {
namespace {

constexpr const char* kTargetLockFailed =
    "転送先サーフェスのロックに失敗しました in G_DDraw_DrawRotaGraph ";
constexpr const char* kSourceLockFailed =
    "転送元サーフェス１のロックに失敗しました in G_DDraw_DrawRotaGraph ";
constexpr const char* kWorkLockFailed =
    "転送元サーフェス２のロックに失敗しました in G_DDraw_DrawPloly ";

constexpr double kOne = 262144.0;
constexpr int64_t kFixedLimit = 2147483647;  // |v| for a 14.18 word: whole part within +-8191

bool InFixedRange(int64_t v) {
  return v >= -kFixedLimit && v <= kFixedLimit;
}

// trunc(v) when it is finite and its truncation lies within limit.
bool Truncate(double v, int64_t limit, int64_t* out) {
  if (!std::isfinite(v) || v <= -static_cast<double>(limit) - 1.0 ||
      v >= static_cast<double>(limit) + 1.0) {
    return false;
  }
  *out = static_cast<int64_t>(v);
  return true;
}

struct Point {
  int64_t x = 0;
  int64_t y = 0;
};

// The walk position trunc((a - b) / scale) + centre, in range.
bool WalkPosition(int64_t product, double scale, int64_t centre, uint32_t* out) {
  int64_t v = 0;
  if (!Truncate(static_cast<double>(product) / scale, kFixedLimit, &v)) return false;
  v += centre;
  if (!InFixedRange(v)) return false;
  *out = static_cast<uint32_t>(v);
  return true;
}

}  // namespace

int G_DDraw_DrawRotaGraph(int x, int y, double scale, double angle, GraphRecord* graph, int keyFlag,
                          int mirrorFlag) {
  const ScreenState& s = GetScreenState();
  if (s.directDraw == nullptr) return -1;
  softdraw::EndSceneBeforeLock();
  Flush3DVertexBatch();
  platform::Surface* target = softdraw::DestinationSurface();
  softdraw::TurnedSource source;
  if (softdraw::FindTurnedSource(graph, &source) != 0 || target == nullptr) return -1;
  if (!std::isfinite(scale) || !std::isfinite(angle)) return -1;
  if (scale == 0.0) return 0;

  // Forward (c, sn) and inverse (ci, si) rotation factors in 14.18, half extents in pixels.
  const int64_t si = static_cast<int32_t>(std::sin(-angle) * kOne);
  const int64_t ci = static_cast<int32_t>(std::cos(-angle) * kOne);
  const int64_t c = static_cast<int32_t>(std::cos(angle) * kOne);
  const int64_t sn = static_cast<int32_t>(std::sin(angle) * kOne);
  int64_t w = 0, h = 0;
  if (!Truncate(graph->width * scale * 0.5, raster::kTriangleCoordinateLimit, &w) ||
      !Truncate(graph->height * scale * 0.5, raster::kTriangleCoordinateLimit, &h) ||
      x < -raster::kTriangleCoordinateLimit || x > raster::kTriangleCoordinateLimit ||
      y < -raster::kTriangleCoordinateLimit || y > raster::kTriangleCoordinateLimit) {
    return -1;
  }
  const int64_t cx = int64_t{x} * 262144, cy = int64_t{y} * 262144;
  // Top-left, bottom-left, bottom-right, top-right of the graph.
  const Point corner[4] = {{cx - w * c + h * sn, cy - w * sn - h * c},
                           {cx - w * c - h * sn, cy - w * sn + h * c},
                           {cx + w * c - h * sn, cy + w * sn + h * c},
                           {cx + w * c + h * sn, cy + w * sn - h * c}};
  for (const Point& p : corner) {
    if (!InFixedRange(p.x) || !InFixedRange(p.y)) return -1;
  }
  auto whole = [](int64_t v) { return static_cast<int>(raster::Whole18(v)); };
  if (mirrorFlag != 0) {
    // Top-right, top-left, bottom-right, bottom-left: mirrored left to right in place.
    return G_DDraw_DrawModiGraph(whole(corner[3].x), whole(corner[3].y), whole(corner[0].x),
                                 whole(corner[0].y), whole(corner[2].x), whole(corner[2].y),
                                 whole(corner[1].x), whole(corner[1].y), graph, keyFlag);
  }
  int64_t du = 0, dv = 0;
  if (!Truncate(static_cast<double>(c) / scale, kFixedLimit, &du) ||
      !Truncate(static_cast<double>(si) / scale, kFixedLimit, &dv)) {
    return -1;
  }

  int64_t minX = corner[0].x, maxX = minX, minY = corner[0].y, maxY = minY;
  for (const Point& p : corner) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  Rect box{whole(minX) - 2, whole(minY) - 2, whole(maxX) + 4, whole(maxY) + 4};
  const Rect area = softdraw::ClipArea(*target);
  ClipRectToRect(&box, &area);
  if (box.Empty()) return 0;

  // The source position at the left end of the box's first row and of the row below the box.
  const int64_t centreU = int64_t{graph->width / 2} * 262144;
  const int64_t centreV = int64_t{graph->height / 2} * 262144;
  raster::RotaWalk walk;
  uint32_t uEnd = 0, vEnd = 0;
  const int64_t dx = int64_t{box.left} - x;
  auto start = [&](int64_t dy, uint32_t* u, uint32_t* v) {
    return WalkPosition(dx * ci - dy * si, scale, centreU, u) &&
           WalkPosition(dy * ci + dx * si, scale, centreV, v);
  };
  if (!start(int64_t{box.top} - y, &walk.u, &walk.v) ||
      !start(int64_t{box.bottom} - y, &uEnd, &vEnd)) {
    return -1;
  }
  const int32_t rows = box.Height();
  const int64_t duRow =
      (static_cast<int64_t>(static_cast<int32_t>(uEnd)) - static_cast<int32_t>(walk.u)) / rows;
  const int64_t dvRow =
      (static_cast<int64_t>(static_cast<int32_t>(vEnd)) - static_cast<int32_t>(walk.v)) / rows;
  if (!InFixedRange(duRow) || !InFixedRange(dvRow)) return -1;
  walk.du = static_cast<uint32_t>(du);
  walk.dv = static_cast<uint32_t>(dv);
  walk.duRow = static_cast<uint32_t>(duRow);
  walk.dvRow = static_cast<uint32_t>(dvRow);
  walk.width = box.Width();
  walk.rows = rows;

  const DrawState& ds = GetDrawState();
  const int depth = s.screenBitDepth;
  const int32_t mode = ds.blendMode;
  const bool stageDestination =
      mode != 0 && depth != 8 && (softdraw::DestinationInVideoMemory() || source.alphaChannel);
  softdraw::TurnedSurfaces locked;
  if (!softdraw::StageAndLock(target, source, box, stageDestination,
                              {kTargetLockFailed, kSourceLockFailed, kWorkLockFailed}, &locked)) {
    return -1;
  }
  if ((depth == 8 || depth == 16 || depth == 32) && softdraw::SurfacesMatchDepth(locked, depth)) {
    walk.dest = locked.dest.At(box.left + ds.screenOffset.left, box.top + ds.screenOffset.top);
    walk.destPitch = locked.dest.pitch;
    walk.read = locked.work != nullptr ? locked.read.At(box.left, box.top) : walk.dest;
    walk.readPitch = locked.read.pitch;
    const raster::TurnedDraw draw = softdraw::TurnedDrawOf(
        source, keyFlag,
        locked.sourceStaged ? locked.src.At(0, 0)
                            : locked.src.At(source.piece->xOnSurface, source.piece->yOnSurface),
        locked.src.pitch, locked.sourceIsTarget);
    if (depth == 32) {
      raster::DrawRota32(walk, draw);
    } else if (depth == 16) {
      raster::DrawRota16(walk, draw);
    } else {
      raster::DrawRota8(walk, draw);
    }
  }
  softdraw::UnlockTurnedSurfaces(locked);
  return 0;
}

}  // namespace morrow
