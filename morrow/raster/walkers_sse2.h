// The vector forms of the walkers for 32-bit pixels: four pixels per step through a rule's
// Apply4, the row's last zero to three pixels through the scalar pixel of walkers.h. They visit
// and write exactly the pixels the scalar walkers do:
//  - the key gate compares four source words at once; a group with some keyed pixels stores only
//    the others, one by one, so a skipped pixel is never written;
//  - the four present pixels of a group are read before its four results are stored. That
//    changes nothing: the pixels of a group are distinct, and the destination-read pointer reads
//    a pixel only at the place it is about to be written.
// Only rules without the alpha gate have a vector form.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "morrow/raster/simd.h"
#include "morrow/raster/walkers.h"

namespace morrow::raster {

#if defined(MORROW_RASTER_SSE2)

template <class Rule>
concept HasApply4Rect = requires(const Rule& rule, Vec v) {
  rule.Apply4(v, v);
};

template <class Rule>
concept HasApply4Solid = requires(const Rule& rule, Vec v) {
  rule.Apply4(v);
};

template <class Rule>
concept HasApply8Solid = requires(const Rule& rule, Vec v) {
  rule.Apply8(v);
};

// Stores the lanes of out whose bit in skipped is clear.
inline void StoreUnskippedLanes(uint8_t* dest, Vec out, int skipped) {
  alignas(16) uint32_t lanes[4];
  _mm_store_si128(reinterpret_cast<Vec*>(lanes), out);
  for (int i = 0; i < 4; ++i) {
    if ((skipped & (1 << i)) == 0) std::memcpy(dest + 4 * i, &lanes[i], 4);
  }
}

template <KeyGate K, class Rule>
void RectWalkSse2(const RectSurfaces& r, uint32_t key, const Rule& rule) {
  const Vec keys = Splat32(key);
  uint8_t* dest = r.dest;
  const uint8_t* src = r.src;
  const uint8_t* read = r.read;
  for (int y = 0; y < r.height; ++y) {
    int x = 0;
    for (; x + 4 <= r.width; x += 4) {
      const Vec s = _mm_loadu_si128(reinterpret_cast<const Vec*>(src));
      const Vec d = _mm_loadu_si128(reinterpret_cast<const Vec*>(read));
      const Vec out = rule.Apply4(s, d);
      int skipped = 0;
      if constexpr (K == KeyGate::kCompare) {
        skipped = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(s, keys)));
      }
      if (skipped == 0) {
        _mm_storeu_si128(reinterpret_cast<Vec*>(dest), out);
      } else if (skipped != 0xF) {
        StoreUnskippedLanes(dest, out, skipped);
      }
      dest += 16;
      src += 16;
      read += 16;
    }
    for (; x < r.width; ++x) {
      RectPixel<F32, K, AlphaGate::kNone>(dest, src, read, nullptr, key, rule);
      dest += 4;
      src += 4;
      read += 4;
    }
    dest += r.destSkip;
    src += r.srcSkip;
    read += r.readSkip;
  }
}

// Sixteen bytes of pixels at a time through the rule's four-wide (32-bit) or eight-wide (16-bit)
// form, the row's rest through its scalar form.
template <int kBytes, class Rule>
void SolidSpanLanes(const SolidSurfaces& r, const Rule& rule) {
  using Pixel = std::conditional_t<kBytes == 4, uint32_t, uint16_t>;
  constexpr int kLanes = 16 / kBytes;
  uint8_t* dest = r.dest;
  const uint8_t* read = r.read;
  for (int y = 0; y < r.height; ++y) {
    int x = 0;
    for (; x + kLanes <= r.width; x += kLanes) {
      const Vec d = _mm_loadu_si128(reinterpret_cast<const Vec*>(read));
      Vec out;
      if constexpr (kBytes == 4) {
        out = rule.Apply4(d);
      } else {
        out = rule.Apply8(d);
      }
      _mm_storeu_si128(reinterpret_cast<Vec*>(dest), out);
      dest += 16;
      read += 16;
    }
    for (; x < r.width; ++x) {
      StorePixel<Pixel>(dest, rule(LoadPixel<Pixel>(read)));
      dest += kBytes;
      read += kBytes;
    }
    dest += r.destSkip;
    read += r.readSkip;
  }
}

template <class Rule>
void SolidSpanSse2(const SolidSurfaces& r, const Rule& rule) {
  SolidSpanLanes<4>(r, rule);
}

#endif

}  // namespace morrow::raster
