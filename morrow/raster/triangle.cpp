// Triangle set-up: the vertices turned into the texture plane and two edge chains (triangle.h),
// which the span walkers of every depth follow row by row.
#include <cstdint>
#include <utility>

#include "morrow/raster/triangle.h"

namespace morrow::raster {
namespace {

constexpr int64_t kOne = 262144;  // 1.0 in 14.18
constexpr int64_t kHalf = 131072;

bool InRange(int32_t c) {
  return c >= -kTriangleCoordinateLimit && c <= kTriangleCoordinateLimit;
}

// A segment from start to end position (14.18) in whole rows; the step is one truncating
// division of the x difference by the rows.
EdgeSegment Segment(int64_t startX, int64_t startY, int64_t endX, int64_t endY) {
  EdgeSegment s;
  s.x = startX;
  s.y = startY;
  s.rows = static_cast<int32_t>((endY - startY) / kOne);
  s.step = s.rows != 0 ? (endX - startX) / s.rows : 0;
  return s;
}

// The exchange sort of the three indices by key: entries i and j swap when i's key is greater
// (equal keys keep their order).
void ExchangeSort(int order[3], const int64_t key[3]) {
  for (int i = 0; i < 2; ++i) {
    for (int j = i + 1; j < 3; ++j) {
      if (key[order[i]] > key[order[j]]) std::swap(order[i], order[j]);
    }
  }
}

// 2^18 * numerator / d truncating toward zero; the low 32 bits of the quotient.
uint32_t Gradient(int64_t numerator, int64_t d) {
  return static_cast<uint32_t>(numerator * kOne / d);
}

}  // namespace

TriangleRefusal SetUpTriangle(const TriangleVertex vertices[3], TriangleSetup* out) {
  int64_t X[3], Y[3], U[3], V[3];
  for (int i = 0; i < 3; ++i) {
    const TriangleVertex& v = vertices[i];
    if (!InRange(v.x) || !InRange(v.y) || !InRange(v.u) || !InRange(v.v)) {
      return TriangleRefusal::kOutOfRange;
    }
    X[i] = v.x * kOne + kHalf;
    Y[i] = v.y * kOne + kHalf;
    U[i] = v.u * kOne;
    V[i] = v.v * kOne;
  }
  int byX[3] = {0, 1, 2}, byY[3] = {0, 1, 2};
  ExchangeSort(byX, X);
  ExchangeSort(byY, Y);

  // The texture plane, from the vertices in x order.
  const int a0 = byX[0], a1 = byX[1], a2 = byX[2];
  const int64_t dX1 = (X[a1] - X[a0]) / kOne, dX2 = (X[a2] - X[a0]) / kOne;
  const int64_t dY1 = (Y[a1] - Y[a0]) / kOne, dY2 = (Y[a2] - Y[a0]) / kOne;
  const int64_t dU1 = (U[a1] - U[a0]) / kOne, dU2 = (U[a2] - U[a0]) / kOne;
  const int64_t dV1 = (V[a1] - V[a0]) / kOne, dV2 = (V[a2] - V[a0]) / kOne;
  const int64_t d = dY1 * dX2 - dY2 * dX1;
  if (d == 0) return TriangleRefusal::kZeroArea;
  TriangleSetup t;
  t.uStep = Gradient(dY1 * dU2 - dY2 * dU1, d);
  t.uRow = Gradient(dX2 * dU1 - dX1 * dU2, d);
  t.vStep = Gradient(dY1 * dV2 - dY2 * dV1, d);
  t.vRow = Gradient(dX2 * dV1 - dX1 * dV2, d);
  t.x0 = static_cast<int32_t>(Whole18(X[a0]));
  t.y0 = static_cast<int32_t>(Whole18(Y[a0]));
  t.u0 = static_cast<uint32_t>(U[a0]);
  t.v0 = static_cast<uint32_t>(V[a0]);

  // The edges, from the vertices in y order.
  const int top = byY[0], mid = byY[1], bottom = byY[2];
  auto seg = [&](int from, int to) { return Segment(X[from], Y[from], X[to], Y[to]); };
  if (Y[top] == Y[mid]) {
    const bool topFirst = X[top] <= X[mid];
    t.left = EdgeChain{{seg(topFirst ? top : mid, bottom)}, 1};
    t.right = EdgeChain{{seg(topFirst ? mid : top, bottom)}, 1};
  } else if (Y[mid] == Y[bottom]) {
    const bool midFirst = X[mid] <= X[bottom];
    t.left = EdgeChain{{seg(top, midFirst ? mid : bottom)}, 1};
    t.right = EdgeChain{{seg(top, midFirst ? bottom : mid)}, 1};
  } else {
    const double longSlope =
        static_cast<double>(X[bottom] - X[top]) / static_cast<double>(Y[bottom] - Y[top]);
    const double upperSlope =
        static_cast<double>(X[mid] - X[top]) / static_cast<double>(Y[mid] - Y[top]);
    if (longSlope > upperSlope) {
      t.left = EdgeChain{{seg(top, mid), seg(mid, bottom)}, 2};
      t.right = EdgeChain{{seg(top, bottom)}, 1};
    } else {
      // The lower right segment starts one unit right of the middle vertex.
      t.right = EdgeChain{{seg(top, mid), Segment(X[mid] + 1, Y[mid], X[bottom], Y[bottom])}, 2};
      t.left = EdgeChain{{seg(top, bottom)}, 1};
    }
  }
  *out = t;
  return TriangleRefusal::kNone;
}

}  // namespace morrow::raster
