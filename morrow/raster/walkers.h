// The walkers: the loops that visit the pixels of one shape, written once and parameterised at
// compile time by a pixel format (pixel_format.h), gates and a per-pixel rule.
//
// The software rasterisers are built in layers, one header each (the families and their words:
// loop_table.h):
//   pixel_format.h    formats F32, F565, F555, FGeneric16, F8 and the screen's format class
//   walkers.h         loops over shapes and their gates (this file); walkers_sse2.h four at a time
//   *_rules*.h        per-pixel rules of a family (piece_rules32.h, solid_rules.h, ...)
//   *_loops.h         loop ids, decision and dispatch of a family; loop_table.h their tables
//   raster_path.h     the reference or the SSE2 loops
// Around the loops, the frames in morrow/softdraw read the graph, surface and screen records,
// clip, stage and lock. A new draw adds a walker when its shape is new, its rules, a decision
// function and a loop table; a new depth adds rules for its format and rows to its table. A
// rule's vector form is a member Apply4 beside its scalar form, and the tables pick it up.
//
//   RectWalk   an unscaled rectangle of a source piece: per pixel the source word s, the present
//              destination word d (read through the destination-read pointer, which may be a
//              staged copy) and, under the alpha gate, the piece's alpha byte a.
//   SolidSpan  rows of one solid colour: per pixel only d; the colour lives in the rule.
//   StretchWalk  a rectangle showing a source stretched, shrunk or mirrored: per destination
//              pixel the source pixel of its column and row tables (below).
//   LineWalk   the pixels of a clipped line, one per step along its major axis.
//   CirclePoints / CircleWalk::ForEachSpan
//              the points of a circle's outline or the spans of a filled circle, from the
//              midpoint walk, each dropped unless it lies inside the clip limits.
//
// Gates decide per pixel whether a pixel is drawn and which outcome of the rule applies:
//   KeyGate::kCompare    a source word equal to the key value leaves the pixel alone; tested
//                        before anything else of the pixel
//   AlphaGate::kMap      alpha byte 0 leaves the pixel alone, 255 takes rule.Opaque(s, d),
//                        anything between rule.Partial(s, d, a)
// Without the alpha gate the walker takes rule(s, d). A pixel left alone is never written: d may
// come from a staged copy, and writing it back could put an old value over the target.
//
// Rows are visited top to bottom and pixels left to right; every pointer advances by one pixel
// (the alpha pointer by one byte) per column and by its row skip (pitch less the row's bytes)
// per row. Each pixel is read, computed and stored before the next one is read.
//
// The vector walkers (walkers_sse2.h) visit the same pixels four at a time with a rule's
// four-wide form and must write exactly what these write.
#pragma once

#include <algorithm>
#include <cstdint>

#include "morrow/raster/pixel_format.h"

namespace morrow::raster {

enum class KeyGate : uint8_t { kNone, kCompare };
enum class AlphaGate : uint8_t { kNone, kMap };

// The pointers one rectangle walk starts from, with their row skips in bytes.
struct RectSurfaces {
  uint8_t* dest = nullptr;
  const uint8_t* src = nullptr;
  const uint8_t* read = nullptr;   // where d is read: the destination itself or its staged copy
  const uint8_t* alpha = nullptr;  // one byte a pixel; only under AlphaGate::kMap
  int destSkip = 0;
  int srcSkip = 0;
  int readSkip = 0;
  int alphaSkip = 0;
  int width = 0;
  int height = 0;
};

// The pointers of a solid walk.
struct SolidSurfaces {
  uint8_t* dest = nullptr;
  const uint8_t* read = nullptr;
  int destSkip = 0;
  int readSkip = 0;
  int width = 0;
  int height = 0;
};

// One pixel of a rectangle walk: the gates, then the rule.
template <class F, KeyGate K, AlphaGate A, class Rule>
inline void RectPixel(uint8_t* dest, const uint8_t* src, const uint8_t* read, const uint8_t* alpha,
                      typename F::Pixel key, const Rule& rule) {
  using Pixel = typename F::Pixel;
  const Pixel s = LoadPixel<Pixel>(src);
  if constexpr (K == KeyGate::kCompare) {
    if (s == key) return;
  }
  if constexpr (A == AlphaGate::kMap) {
    const uint32_t a = *alpha;
    if (a == 0) return;
    const Pixel d = LoadPixel<Pixel>(read);
    StorePixel<Pixel>(dest, a == 255 ? rule.Opaque(s, d) : rule.Partial(s, d, a));
  } else {
    StorePixel<Pixel>(dest, rule(s, LoadPixel<Pixel>(read)));
  }
}

template <class F, KeyGate K, AlphaGate A, class Rule>
void RectWalk(const RectSurfaces& r, uint32_t key, const Rule& rule) {
  using Pixel = typename F::Pixel;
  constexpr int kBytes = F::kBytes;
  const Pixel keyValue = static_cast<Pixel>(key);  // 16-bit screens compare the low 16 bits
  uint8_t* dest = r.dest;
  const uint8_t* src = r.src;
  const uint8_t* read = r.read;
  const uint8_t* alpha = r.alpha;
  for (int y = 0; y < r.height; ++y) {
    for (int x = 0; x < r.width; ++x) {
      RectPixel<F, K, A>(dest, src, read, alpha, keyValue, rule);
      dest += kBytes;
      src += kBytes;
      read += kBytes;
      if constexpr (A == AlphaGate::kMap) ++alpha;
    }
    dest += r.destSkip;
    src += r.srcSkip;
    read += r.readSkip;
    if constexpr (A == AlphaGate::kMap) alpha += r.alphaSkip;
  }
}

template <class F, class Rule>
void SolidSpan(const SolidSurfaces& r, const Rule& rule) {
  using Pixel = typename F::Pixel;
  constexpr int kBytes = F::kBytes;
  uint8_t* dest = r.dest;
  const uint8_t* read = r.read;
  for (int y = 0; y < r.height; ++y) {
    for (int x = 0; x < r.width; ++x) {
      StorePixel<Pixel>(dest, rule(LoadPixel<Pixel>(read)));
      dest += kBytes;
      read += kBytes;
    }
    dest += r.destSkip;
    read += r.readSkip;
  }
}

// ---- the stretched rectangle ----
//
// A stretched draw shows source column floor(i * 65536 / ratio) at destination column i, counted
// from the rectangle's unclipped left edge (and from the graph's right edge when mirrored), where
// ratio is the 16.16 count of destination pixels per source pixel; rows likewise. The frame turns
// that into two tables per draw, the source column of every visible destination column and the
// source row of every visible row, as offsets from the top-left of the source rectangle it read;
// the walk only follows them.
//
// Work is hoisted to the source pixel: in a row, a source pixel is fetched, compared with the key
// and prepared by rule.Source(s) once, when the walk first reaches a destination pixel that shows
// it; each destination pixel that shows it then reads its own alpha byte (the same byte for all
// of them) and d, and takes rule(u, d), rule.Opaque(u, d) or rule.Partial(u, d, a) on the
// prepared value u. A source pixel no destination pixel shows is never read.

// The source columns shown by count destination columns, the first of them first columns in from
// the unclipped edge: the 16.16 stepping, an accumulator that starts at ratio less the part of
// a source pixel the clipped columns used, drops by 65536 per destination pixel and takes the next
// source pixel (adding ratio) whenever it is no longer above 0. ratio is at least 1.
inline void StretchSteps(int64_t first, int32_t count, uint32_t ratio, int32_t* out) {
  const int64_t skipped = first * 65536;
  int64_t column = skipped / ratio;
  int64_t accumulator = ratio - skipped % ratio;
  for (int32_t i = 0; i < count; ++i) {
    out[i] = static_cast<int32_t>(column);
    accumulator -= 65536;
    while (accumulator <= 0) {
      ++column;
      accumulator += ratio;
    }
  }
}

// The pointers of a stretched walk.
struct StretchSurfaces {
  uint8_t* dest = nullptr;  // the first visible destination pixel
  const uint8_t* read = nullptr;
  int32_t destPitch = 0;
  int32_t readPitch = 0;
  const uint8_t* src = nullptr;  // pixel (0, 0) of the source rectangle the tables index
  int32_t srcPitch = 0;
  const uint8_t* alpha = nullptr;  // its alpha byte; only under AlphaGate::kMap
  int32_t alphaPitch = 0;
  const int32_t* columns = nullptr;  // per destination column, the source column it shows
  const int32_t* rows = nullptr;     // per destination row, the source row
  int32_t width = 0;
  int32_t height = 0;
};

// Where one row of a stretched walk reads and writes.
struct StretchRow {
  uint8_t* dest;
  const uint8_t* read;
  const uint8_t* src;    // source column 0 of the row's source row
  const uint8_t* alpha;  // its alpha byte, under AlphaGate::kMap
};

template <AlphaGate A>
inline StretchRow StretchRowAt(const StretchSurfaces& r, int32_t y) {
  const int64_t row = r.rows[y];
  StretchRow out{r.dest + int64_t{r.destPitch} * y, r.read + int64_t{r.readPitch} * y,
                 r.src + int64_t{r.srcPitch} * row, nullptr};
  if constexpr (A == AlphaGate::kMap) out.alpha = r.alpha + int64_t{r.alphaPitch} * row;
  return out;
}

template <class F, KeyGate K, AlphaGate A, class Rule>
void StretchWalk(const StretchSurfaces& r, uint32_t key, const Rule& rule) {
  using Pixel = typename F::Pixel;
  constexpr int kBytes = F::kBytes;
  const Pixel keyValue = static_cast<Pixel>(key);  // 16-bit screens compare the low 16 bits
  for (int32_t y = 0; y < r.height; ++y) {
    const StretchRow row = StretchRowAt<A>(r, y);
    uint8_t* dest = row.dest;
    const uint8_t* read = row.read;
    int32_t held = -1;  // the source column whose work u holds
    bool keyed = false;
    decltype(rule.Source(0)) u{};
    for (int32_t x = 0; x < r.width; ++x, dest += kBytes, read += kBytes) {
      const int32_t column = r.columns[x];
      if (column != held) {
        held = column;
        const Pixel s = LoadPixel<Pixel>(row.src + int64_t{kBytes} * column);
        keyed = K == KeyGate::kCompare && s == keyValue;
        if (!keyed) u = rule.Source(s);
      }
      if (keyed) continue;
      if constexpr (A == AlphaGate::kMap) {
        const uint32_t a = row.alpha[column];
        if (a == 0) continue;
        const Pixel d = LoadPixel<Pixel>(read);
        StorePixel<Pixel>(dest, a == 255 ? rule.Opaque(u, d) : rule.Partial(u, d, a));
      } else {
        StorePixel<Pixel>(dest, rule(u, LoadPixel<Pixel>(read)));
      }
    }
  }
}

// ---- the vector stretched walks' cached rows ----
//
// The vector forms of StretchWalk (stretch_walkers_sse2.h, stretch_walkers_avx2.h) prepare the
// pixels of a source row once, as a cached row: for every destination column, the prepared value
// of the source pixel it shows, under the alpha gate that pixel's alpha byte, and whether the
// column is left alone (keyed, or of alpha 0). Every destination row combines the cached row of
// its source row with its own destination pixels, and a row that shows the same source row as the
// row above it finds it cached already: a magnified picture is read and prepared once per source
// row, and a copy turns into a copy of whole cached rows. The cache holds a strip of at most
// kStretchStrip columns; a wider draw is walked strip by strip, each from its top row down. The
// order of the strips changes nothing on these paths: a destination pixel is written at most once
// and read only where it is about to be written, and the source is never the target.
constexpr int32_t kStretchStrip = 512;

// For the strip of count columns from column x: strip(x, count) first, then build(row, x, count)
// for each row that shows another source row than the row above it (and for the top row), and
// combine(row, x, count) for every row.
template <AlphaGate A, class Strip, class Build, class Combine>
[[gnu::always_inline]] inline void ForEachStretchStrip(const StretchSurfaces& r, Strip&& strip,
                                                       Build&& build, Combine&& combine) {
  for (int32_t x = 0; x < r.width; x += kStretchStrip) {
    const int32_t count = std::min(kStretchStrip, r.width - x);
    strip(x, count);
    for (int32_t y = 0; y < r.height; ++y) {
      const StretchRow row = StretchRowAt<A>(r, y);
      if (y == 0 || r.rows[y] != r.rows[y - 1]) build(row, x, count);
      combine(row, x, count);
    }
  }
}

// One column past the greatest source column the walk shows: a vector walk may read any source
// pixel of its row below it.
inline int32_t StretchSourceSpan(const StretchSurfaces& r) {
  int32_t greatest = 0;
  for (int32_t x = 0; x < r.width; ++x) greatest = std::max(greatest, r.columns[x]);
  return greatest + 1;
}

// The columns of a strip that fill no vector group (fewer than 16), cached and combined one by
// one as StretchWalk treats its pixels.
template <class F, KeyGate K, AlphaGate A, class Rule>
struct StretchTail {
  using Pixel = typename F::Pixel;
  int32_t first = 0;  // the destination column of the first
  int32_t count = 0;
  uint32_t skipped = 0;  // bit i: column first + i is left alone
  uint32_t prepared[16] = {};
  uint8_t alpha[16] = {};

  [[gnu::always_inline]] void Build(const StretchSurfaces& r, const StretchRow& row, int32_t x,
                                    int32_t n, Pixel key, const Rule& rule) {
    first = x;
    count = n;
    skipped = 0;
    for (int32_t i = 0; i < n; ++i) {
      const int32_t column = r.columns[x + i];
      const Pixel s = LoadPixel<Pixel>(row.src + int64_t{F::kBytes} * column);
      if (K == KeyGate::kCompare && s == key) {
        skipped |= 1u << i;
        continue;
      }
      prepared[i] = rule.Source(s);
      if constexpr (A == AlphaGate::kMap) {
        alpha[i] = row.alpha[column];
        if (alpha[i] == 0) skipped |= 1u << i;
      }
    }
  }

  [[gnu::always_inline]] void Combine(const StretchRow& row, const Rule& rule) const {
    for (int32_t i = 0; i < count; ++i) {
      if ((skipped >> i & 1) != 0) continue;
      uint8_t* dest = row.dest + int64_t{F::kBytes} * (first + i);
      const Pixel d = LoadPixel<Pixel>(row.read + int64_t{F::kBytes} * (first + i));
      const uint32_t u = prepared[i];
      if constexpr (A == AlphaGate::kMap) {
        StorePixel<Pixel>(dest, alpha[i] == 255 ? rule.Opaque(u, d) : rule.Partial(u, d, alpha[i]));
      } else {
        StorePixel<Pixel>(dest, rule(u, d));
      }
    }
  }
};

// ---- lines ----

// A clipped line from its first pixel: `major` pixels are visited (at least 1), each a step along
// the major axis from the one before, and a step along the minor axis too whenever the error
// term (from 0, plus `minor` per step) reaches `major`, which it then loses. The steps are byte
// offsets of one pixel in the direction of the line, in each surface.
struct LineSurfaces {
  uint8_t* dest = nullptr;
  const uint8_t* read = nullptr;
  int64_t destMajor = 0;
  int64_t destMinor = 0;
  int64_t readMajor = 0;
  int64_t readMinor = 0;
  int64_t major = 0;
  int64_t minor = 0;
};

template <class F, class Rule>
void LineWalk(const LineSurfaces& l, const Rule& rule) {
  using Pixel = typename F::Pixel;
  uint8_t* dest = l.dest;
  const uint8_t* read = l.read;
  int64_t e = 0;
  for (int64_t k = 0; k < l.major; ++k) {
    if (k > 0) {
      // The step after the last pixel is never taken: it may lead off the locked surface.
      dest += l.destMajor;
      read += l.readMajor;
      e += l.minor;
      if (e >= l.major) {
        dest += l.destMinor;
        read += l.readMinor;
        e -= l.major;
      }
    }
    StorePixel<Pixel>(dest, rule(LoadPixel<Pixel>(read)));
  }
}

// ---- circles ----

// The midpoint walk of a circle of radius r: step 0 with i = 0 and j = r, then steps i = 1, 2, ...
// while j >= i. A step with d >= 0 ("shrink") moves j one nearer the centre after its pixels,
// d growing by 4 (i - j) + 10; otherwise d grows by 4 i + 6. d starts at 3 - 2 r.
//
// Whether a step can reach the clip limits depends only on i and j: the rows y +- i and y +- j and
// the columns x +- i and x +- j. The walk takes only the steps that can, jumping to the first
// of each run with j and d as the walk would have them there (MidpointStateAt), so a radius near
// 2^31 costs the steps near the area, not r * 0.71 of them; the pixels are those of the whole
// walk. Everything is 64-bit.
struct CircleWalk {
  int64_t x = 0;  // centre, draw-target coordinates
  int64_t y = 0;
  int64_t r = 0;  // below 0 there is no circle
  // The clip limits, inclusive; right < left or bottom < top: nothing is visible.
  int64_t left = 0;
  int64_t top = 0;
  int64_t right = -1;
  int64_t bottom = -1;
  // A pixel (column, row) lies at dest + destOrigin + row * destPitch + column * bytes, and is
  // read at read + readOrigin + row * readPitch + column * bytes.
  uint8_t* dest = nullptr;
  int64_t destOrigin = 0;
  int64_t destPitch = 0;
  const uint8_t* read = nullptr;
  int64_t readOrigin = 0;
  int64_t readPitch = 0;
  // Filled circles: one byte per row from top to bottom, zero at the start, set when the row has
  // its span; a marked row is not drawn again.
  uint8_t* marks = nullptr;

  bool Visible(int64_t column, int64_t row) const {
    return column >= left && column <= right && row >= top && row <= bottom;
  }
  template <int kBytes>
  uint8_t* DestAt(int64_t column, int64_t row) const {
    return dest + (destOrigin + row * destPitch + column * kBytes);
  }
  template <int kBytes>
  const uint8_t* ReadAt(int64_t column, int64_t row) const {
    return read + (readOrigin + row * readPitch + column * kBytes);
  }

  // Runs step(i, j, shrink) for step 0 and for every later step that can touch the clip limits
  // in the form (filled: its spans; outline: its points), in the walk's order.
  template <class Step>
  void ForEachStep(bool filled, Step&& step) const;

  // Calls fn(surfaces) with the one-row SolidSurfaces of each span that survives the span rule,
  // in the walk's order: a span (row, a, b) is dropped when b < left, a > right, its row is
  // outside top..bottom or already marked; otherwise it is cut to the limits and its row marked.
  template <int kBytes, class Fn>
  void ForEachSpan(Fn&& fn) const;
  // The same spans as fn(row, a, b), a and b inclusive and cut to the limits (no surfaces).
  template <class Fn>
  void ForEachClippedSpan(Fn&& fn) const;

  // Calls fn(dest, read) for each point of the outline inside the limits, in the walk's order;
  // a point the walk makes twice is visited twice.
  template <int kBytes, class Fn>
  void ForEachPoint(Fn&& fn) const;
  // The same points as fn(column, row).
  template <class Fn>
  void ForEachVisiblePoint(Fn&& fn) const;
};

// Steps i of a walk (inclusive runs, increasing and disjoint), after step 0.
struct MidpointRun {
  int64_t first = 0;
  int64_t last = -1;
};
struct MidpointPlan {
  MidpointRun runs[4];
  int count = 0;
};

// The runs of steps from 1 on that can touch the limits: a filled circle's spans lie on the rows
// y +- i (every step) and y +- j (shrink steps); an outline's points on those rows or on the
// columns x +- i.
MidpointPlan PlanMidpointSteps(const CircleWalk& c, bool filled);

// j and d at step i >= 1 of the walk of radius r, which reaches step i.
void MidpointStateAt(int64_t r, int64_t i, int64_t* j, int64_t* d);

template <class Step>
void CircleWalk::ForEachStep(bool filled, Step&& step) const {
  if (r < 0 || right < left || bottom < top) return;
  int64_t d = 3 - 2 * r;
  int64_t j = r;
  step(int64_t{0}, j, d >= 0);
  const MidpointPlan plan = PlanMidpointSteps(*this, filled);
  for (int k = 0; k < plan.count; ++k) {
    const MidpointRun& run = plan.runs[k];
    MidpointStateAt(r, run.first, &j, &d);
    for (int64_t i = run.first; i <= run.last; ++i) {
      const bool shrink = d >= 0;
      step(i, j, shrink);
      if (shrink) {
        d += 4 * (i - j) + 10;
        --j;
      } else {
        d += 4 * i + 6;
      }
    }
  }
}

template <int kBytes, class Fn>
void CircleWalk::ForEachSpan(Fn&& fn) const {
  ForEachClippedSpan([&](int64_t row, int64_t a, int64_t b) {
    SolidSurfaces s;
    s.dest = DestAt<kBytes>(a, row);
    s.read = ReadAt<kBytes>(a, row);
    s.width = static_cast<int>(b - a + 1);
    s.height = 1;
    fn(static_cast<const SolidSurfaces&>(s));
  });
}

template <class Fn>
void CircleWalk::ForEachClippedSpan(Fn&& fn) const {
  auto offer = [&](int64_t row, int64_t a, int64_t b) {
    if (b < left || a > right || row < top || row > bottom) return;
    uint8_t& mark = marks[row - top];
    if (mark != 0) return;
    mark = 1;
    if (a < left) a = left;
    if (b > right) b = right;
    fn(row, a, b);
  };
  ForEachStep(true, [&](int64_t i, int64_t j, bool shrink) {
    offer(y + i, x - j, x + j);
    if (i != 0) offer(y - i, x - j, x + j);
    if (shrink) {
      offer(y + j, x - i, x + i);
      offer(y - j, x - i, x + i);
    }
  });
}

template <int kBytes, class Fn>
void CircleWalk::ForEachPoint(Fn&& fn) const {
  ForEachVisiblePoint([&](int64_t column, int64_t row) {
    fn(DestAt<kBytes>(column, row), ReadAt<kBytes>(column, row));
  });
}

template <class Fn>
void CircleWalk::ForEachVisiblePoint(Fn&& fn) const {
  auto point = [&](int64_t column, int64_t row) {
    if (Visible(column, row)) fn(column, row);
  };
  ForEachStep(false, [&](int64_t i, int64_t j, bool) {
    if (i == 0) {
      point(x - j, y);
      point(x + j, y);
      point(x, y + j);
      point(x, y - j);
      return;
    }
    point(x - j, y + i);
    point(x + j, y + i);
    point(x - j, y - i);
    point(x + j, y - i);
    point(x - i, y + j);
    point(x + i, y + j);
    point(x - i, y - j);
    point(x + i, y - j);
  });
}

// Each point of the outline is read, computed and stored before the next is read, so a point
// the walk makes twice blends over its own first result when d is read in place.
template <class F, class Rule>
void CirclePoints(const CircleWalk& c, const Rule& rule) {
  using Pixel = typename F::Pixel;
  c.ForEachPoint<F::kBytes>([&](uint8_t* dest, const uint8_t* read) {
    StorePixel<Pixel>(dest, rule(LoadPixel<Pixel>(read)));
  });
}

}  // namespace morrow::raster
