// The AVX2 form of StretchWalk (walkers.h) for 32-bit pixels without the alpha gate: eight
// destination pixels per step, their source pixels gathered through eight entries of the column
// table at once, prepared by the rule's SourceWide and combined by ApplyWide; the row's last
// pixels through StretchPixel. It writes exactly the pixels the scalar walk writes, for the
// reasons the SSE2 form gives (stretch_walkers_sse2.h): only the listed columns are read, a keyed
// lane is not stored (a group with some stores the others under a lane mask), and a group's
// destination pixels are read before its results are stored.
#pragma once

#include <cstdint>

#include "morrow/raster/simd_avx2.h"
#include "morrow/raster/walkers.h"
#include "morrow/raster/walkers_avx2.h"

namespace morrow::raster {

#if defined(MORROW_RASTER_AVX2)

template <KeyGate K, class Rule>
MORROW_AVX2 void StretchWalkAvx2(const StretchSurfaces& r, uint32_t key, const Rule& shared) {
  const Rule rule = shared;
  const int32_t width = r.width, height = r.height;
  const Wide keys = WideSplat32(key);
  for (int32_t y = 0; y < height; ++y) {
    const StretchRow row = StretchRowAt<AlphaGate::kNone>(r, y);
    const int* src = reinterpret_cast<const int*>(row.src);
    uint8_t* dest = row.dest;
    const uint8_t* read = row.read;
    int32_t x = 0;
    for (; x + 8 <= width; x += 8, dest += 32, read += 32) {
      const Wide columns = _mm256_loadu_si256(reinterpret_cast<const Wide*>(r.columns + x));
      const Wide s = _mm256_i32gather_epi32(src, columns, 4);
      int skipped = 0;
      if constexpr (K == KeyGate::kCompare) {
        skipped = WideEqualLanes(s, keys);
        if (skipped == 0xFF) continue;
      }
      const Wide d = _mm256_loadu_si256(reinterpret_cast<const Wide*>(read));
      WideStoreGroup(dest, rule.ApplyWide(rule.SourceWide(s), d), skipped);
    }
    for (; x < width; ++x) StretchPixel<F32, K, AlphaGate::kNone>(r, row, x, key, rule);
  }
}

#endif

}  // namespace morrow::raster
