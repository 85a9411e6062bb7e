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

}  // namespace morrow::raster
