// The set-up and edge walk of a triangle: vertices to 14.18 fixed point, the texture plane's
// gradients, the two edge chains, and the rows they give.
//
// Fixed point: a position is its value times 2^18; a vertex at pixel (x, y) sits at the pixel's
// centre, x * 2^18 + 2^17, while texel coordinates get no half. A 14.18 value becomes whole
// pixels by signed division by 2^18 truncating toward zero (Whole18).
//
// Fill convention: rows from the top vertex's row up to, not including, the bottom vertex's row
// are visited, so a flat bottom edge is not drawn and a flat top edge is; on a row both ends are
// drawn, each the edge position plus half a pixel truncated toward zero. Two triangles sharing an
// edge both draw its pixels. Texels are sampled at whole pixels relative to the reference point
// (the vertex first in x order), not at pixel centres.
//
// Every vertex coordinate is refused beyond +-8191, where its 14.18 form would not fit 32 bits;
// gradients are 64-bit divisions whose low 32 bits are kept; edge positions and steps are held
// in 64 bits, so an edge spanning the whole range does not wrap.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/rect.h"

namespace morrow::raster {

// One corner: destination pixel (x, y) in draw-area coordinates and texel (u, v).
struct TriangleVertex {
  int32_t x = 0;
  int32_t y = 0;
  int32_t u = 0;
  int32_t v = 0;
};

constexpr int32_t kTriangleCoordinateLimit = 8191;

constexpr int64_t Whole18(int64_t fixed) {
  return fixed / 262144;
}

// One edge segment: start position (14.18), whole rows, x step per row (14.18).
struct EdgeSegment {
  int64_t x = 0;
  int64_t y = 0;
  int32_t rows = 0;
  int64_t step = 0;
};

// One or two segments, walked in order.
struct EdgeChain {
  EdgeSegment segments[2];
  int32_t count = 0;
};

struct TriangleSetup {
  EdgeChain left;
  EdgeChain right;
  int32_t x0 = 0;  // the reference point in whole pixels
  int32_t y0 = 0;
  uint32_t u0 = 0;  // its texel position (14.18)
  uint32_t v0 = 0;
  uint32_t uStep = 0;  // per pixel to the right
  uint32_t uRow = 0;   // per row down
  uint32_t vStep = 0;
  uint32_t vRow = 0;
};

enum class TriangleRefusal : uint8_t { kNone, kZeroArea, kOutOfRange };

// Fills out from three vertices in any order and winding. kZeroArea for collinear or repeated
// vertices, kOutOfRange for a coordinate beyond +-8191; out is then unusable.
TriangleRefusal SetUpTriangle(const TriangleVertex vertices[3], TriangleSetup* out);

// Calls fn(y, lx, count, u, v) for each row of the triangle that draws inside area: lx is the
// row's first pixel after the left clip, count the pixels up to the right end or the area's
// right edge, (u, v) the texture plane at (lx, y). Rows are visited top down; after a change of
// left segment the row restarts at that segment's own row, which may visit a row twice.
template <class Fn>
void WalkTriangleRows(const TriangleSetup& t, const platform::Rect& area, Fn&& fn) {
  const EdgeChain* chains[2] = {&t.left, &t.right};
  int index[2] = {0, 0};
  int64_t x[2], step[2];
  int32_t rows[2];
  for (int side = 0; side < 2; ++side) {
    const EdgeSegment& s = chains[side]->segments[0];
    x[side] = s.x;
    step[side] = s.step;
    rows[side] = s.rows;
  }
  int64_t y = Whole18(t.left.segments[0].y);
  for (;;) {
    int64_t lx = Whole18(x[0]);
    const int64_t rx = Whole18(x[1]);
    if (lx < area.left) lx = area.left;
    const int64_t length = rx - lx + 1;
    if (y >= area.top && y < area.bottom && lx < area.right && length > 0) {
      const int64_t count = std::min<int64_t>(length, int64_t{area.right} - lx);
      // The plane in unsigned 32-bit arithmetic: it wraps instead of overflowing, and the
      // unsigned texel test bounds whatever it gives.
      const uint32_t dy = static_cast<uint32_t>(y - t.y0);
      const uint32_t dx = static_cast<uint32_t>(lx - t.x0);
      fn(static_cast<int32_t>(y), static_cast<int32_t>(lx), static_cast<int32_t>(count),
         t.u0 + dy * t.uRow + dx * t.uStep, t.v0 + dy * t.vRow + dx * t.vStep);
    }
    for (int side = 0; side < 2; ++side) x[side] += step[side];
    ++y;
    --rows[0];
    --rows[1];
    for (int side = 0; side < 2; ++side) {
      if (rows[side] > 0) continue;
      if (index[side] + 1 >= chains[side]->count) return;
      const EdgeSegment& s = chains[side]->segments[++index[side]];
      x[side] = s.x;
      step[side] = s.step;
      rows[side] = s.rows;
      if (side == 0) y = Whole18(s.y);
    }
  }
}

}  // namespace morrow::raster
