// The AVX2 forms of the rectangle and solid walkers for 32-bit pixels: eight pixels per step
// through a rule's ApplyWide, the row's last zero to seven pixels through the scalar pixel of
// walkers.h. They visit and write exactly the pixels the scalar walkers do, as the SSE2 forms
// (walkers_sse2.h) do four at a time; a group with some keyed pixels stores the others under a
// lane mask, so a skipped pixel is never written.
//
// The walkers work on their own copies of the rule and of the row width: a store through a
// destination pointer may alias anything, and the copies keep the rule's constants in registers
// across it.
#pragma once

#include <cstdint>

#include "morrow/raster/simd_avx2.h"
#include "morrow/raster/walkers.h"

namespace morrow::raster {

#if defined(MORROW_RASTER_AVX2)

template <class Rule>
concept HasWideRect = requires(const Rule& rule, Wide v) {
  rule.ApplyWide(v, v);
};

template <class Rule>
concept HasWideSolid = requires(const Rule& rule, Wide v) {
  rule.ApplyWide(v);
};

// Stores out unless every lane is skipped, under a lane mask when some are.
MORROW_AVX2_INLINE void WideStoreGroup(uint8_t* dest, Wide out, int skipped) {
  if (skipped == 0) {
    _mm256_storeu_si256(reinterpret_cast<Wide*>(dest), out);
  } else if (skipped != 0xFF) {
    WideStoreUnskipped(dest, out, skipped);
  }
}

template <KeyGate K, class Rule>
MORROW_AVX2 void RectWalkAvx2(const RectSurfaces& r, uint32_t key, const Rule& shared) {
  const Rule rule = shared;
  const int width = r.width, height = r.height;
  const Wide keys = WideSplat32(key);
  uint8_t* dest = r.dest;
  const uint8_t* src = r.src;
  const uint8_t* read = r.read;
  for (int y = 0; y < height; ++y) {
    int x = 0;
    for (; x + 8 <= width; x += 8) {
      const Wide s = _mm256_loadu_si256(reinterpret_cast<const Wide*>(src));
      const Wide d = _mm256_loadu_si256(reinterpret_cast<const Wide*>(read));
      int skipped = 0;
      if constexpr (K == KeyGate::kCompare) skipped = WideEqualLanes(s, keys);
      WideStoreGroup(dest, rule.ApplyWide(s, d), skipped);
      dest += 32;
      src += 32;
      read += 32;
    }
    for (; x < width; ++x) {
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

template <class Rule>
MORROW_AVX2 void SolidSpanAvx2(const SolidSurfaces& r, const Rule& shared) {
  const Rule rule = shared;
  const int width = r.width, height = r.height;
  uint8_t* dest = r.dest;
  const uint8_t* read = r.read;
  for (int y = 0; y < height; ++y) {
    int x = 0;
    for (; x + 8 <= width; x += 8) {
      const Wide d = _mm256_loadu_si256(reinterpret_cast<const Wide*>(read));
      _mm256_storeu_si256(reinterpret_cast<Wide*>(dest), rule.ApplyWide(d));
      dest += 32;
      read += 32;
    }
    for (; x < width; ++x) {
      StorePixel<uint32_t>(dest, rule(LoadPixel<uint32_t>(read)));
      dest += 4;
      read += 4;
    }
    dest += r.destSkip;
    read += r.readSkip;
  }
}

#endif

}  // namespace morrow::raster
