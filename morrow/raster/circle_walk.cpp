// Where the midpoint walk of a circle can be entered (walkers.h, CircleWalk).
//
// The walk's decision value depends only on where it stands: at step i with row offset j,
//   d = 2 (i + 1)^2 + j^2 + (j - 1)^2 - 2 r^2,
// which both of its updates keep. So a step shrinks j exactly when (2 j - 1)^2 >= 4 r^2 -
// 4 (i + 1)^2 - 1, and because j never has to fall by more than one per step while the walk
// goes on (j >= i), the j of every step i >= 1 is the largest j with
// (2 j - 1)^2 < 4 r^2 - 4 i^2 - 1. With both in closed form the walk can start at any step and go
// on exactly as from the beginning. Squares of radii near 2^31 need 128 bits.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "morrow/raster/walkers.h"

namespace morrow::raster {
namespace {

using Wide = __int128;

// The largest s with s * s <= x.
uint64_t SquareRootFloor(uint64_t x) {
  uint64_t s = static_cast<uint64_t>(std::sqrt(static_cast<long double>(x)));
  while (static_cast<Wide>(s) * s > x) --s;
  while (static_cast<Wide>(s + 1) * (s + 1) <= x) ++s;
  return s;
}

// j at step i >= 1; -1 where no j >= 0 is left (the walk has ended before i).
int64_t RowOffsetAt(int64_t r, int64_t i) {
  const Wide m = Wide{4} * r * r - Wide{4} * i * i - 1;
  if (m <= 1) return -1;
  // The largest odd t with t^2 < m, then j = (t + 1) / 2.
  uint64_t t = SquareRootFloor(static_cast<uint64_t>(m - 1));
  if (t % 2 == 0) --t;
  return static_cast<int64_t>((t + 1) / 2);
}

// The largest v in lo..hi for which holds(v) is true, where it is true up to some point and false
// after; lo - 1 when it is false at lo.
template <class Holds>
int64_t LastWhere(int64_t lo, int64_t hi, Holds&& holds) {
  int64_t found = lo - 1;
  while (lo <= hi) {
    const int64_t mid = lo + (hi - lo) / 2;
    if (holds(mid)) {
      found = mid;
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return found;
}

// The last step of the walk: the largest i >= 1 with j(i) >= i, or 0.
int64_t LastStep(int64_t r) {
  return LastWhere(1, r, [&](int64_t i) { return RowOffsetAt(r, i) >= i; });
}

// The steps in 1..last whose j lies in [a, b] (j falls as i grows).
MidpointRun StepsWithRowOffset(int64_t r, int64_t last, int64_t a, int64_t b) {
  const int64_t beforeFirst = LastWhere(1, last, [&](int64_t i) { return RowOffsetAt(r, i) > b; });
  return MidpointRun{beforeFirst + 1,
                     LastWhere(1, last, [&](int64_t i) { return RowOffsetAt(r, i) >= a; })};
}

}  // namespace

void MidpointStateAt(int64_t r, int64_t i, int64_t* j, int64_t* d) {
  const int64_t row = RowOffsetAt(r, i);
  *j = row;
  *d = static_cast<int64_t>(Wide{2} * (i + 1) * (i + 1) + Wide{row} * row +
                            Wide{row - 1} * (row - 1) - Wide{2} * r * r);
}

MidpointPlan PlanMidpointSteps(const CircleWalk& c, bool filled) {
  MidpointPlan plan;
  const int64_t last = LastStep(c.r);
  if (last < 1) return plan;
  // Offsets o with centre + o inside lo..hi, or centre - o inside: two runs of offsets.
  MidpointRun runs[4];
  runs[0] = {c.top - c.y, c.bottom - c.y};  // rows y + i
  runs[1] = {c.y - c.bottom, c.y - c.top};  // rows y - i
  if (filled) {
    runs[2] = StepsWithRowOffset(c.r, last, c.top - c.y, c.bottom - c.y);  // rows y + j
    runs[3] = StepsWithRowOffset(c.r, last, c.y - c.bottom, c.y - c.top);  // rows y - j
  } else {
    runs[2] = {c.left - c.x, c.right - c.x};  // columns x + i
    runs[3] = {c.x - c.right, c.x - c.left};  // columns x - i
  }
  int n = 0;
  for (MidpointRun run : runs) {
    run.first = std::max<int64_t>(run.first, 1);
    run.last = std::min(run.last, last);
    if (run.first <= run.last) runs[n++] = run;
  }
  // At most four runs: sorted by their first step in place.
  for (int k = 1; k < n; ++k) {
    for (int m = k; m > 0 && runs[m].first < runs[m - 1].first; --m)
      std::swap(runs[m], runs[m - 1]);
  }
  for (int k = 0; k < n; ++k) {
    if (plan.count > 0 && runs[k].first <= plan.runs[plan.count - 1].last + 1) {
      MidpointRun& previous = plan.runs[plan.count - 1];
      previous.last = std::max(previous.last, runs[k].last);
    } else {
      plan.runs[plan.count++] = runs[k];
    }
  }
  return plan;
}

}  // namespace morrow::raster
