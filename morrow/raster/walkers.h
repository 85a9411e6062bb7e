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

// A stretched rule seen as a rectangle rule: the source pixel prepared for each pixel alone.
template <class Rule>
struct PreparedEach {
  const Rule& rule;
  uint32_t operator()(uint32_t s, uint32_t d) const { return rule(rule.Source(s), d); }
  uint32_t Opaque(uint32_t s, uint32_t d) const { return rule.Opaque(rule.Source(s), d); }
  uint32_t Partial(uint32_t s, uint32_t d, uint32_t a) const {
    return rule.Partial(rule.Source(s), d, a);
  }
};

// Destination column x of a row, its source pixel fetched and prepared for it alone: the vector
// walks' last pixels.
template <class F, KeyGate K, AlphaGate A, class Rule>
inline void StretchPixel(const StretchSurfaces& r, const StretchRow& row, int32_t x,
                         typename F::Pixel key, const Rule& rule) {
  const int32_t column = r.columns[x];
  const uint8_t* alpha = nullptr;
  if constexpr (A == AlphaGate::kMap) alpha = row.alpha + column;
  RectPixel<F, K, A>(row.dest + int64_t{F::kBytes} * x, row.src + int64_t{F::kBytes} * column,
                     row.read + int64_t{F::kBytes} * x, alpha, key, PreparedEach<Rule>{rule});
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

}  // namespace morrow::raster
