// The AVX2 form of StretchWalk (walkers.h) for 32-bit pixels without the alpha gate, on cached
// rows (ForEachStretchStrip, walkers.h): a source row is prepared eight destination columns per
// step by the rule's SourceWide, and every destination row that shows it combines eight cached
// values with eight destination pixels per step by ApplyWide; a strip's last columns go one by
// one (StretchTail). It writes exactly the pixels the scalar walk writes, for the reasons the SSE2
// form gives (stretch_walkers_sse2.h): a keyed lane is not stored (a group with some stores the
// others under a lane mask), and a group's destination pixels are read before its results are
// stored.
#pragma once

#include <algorithm>
#include <cstdint>

#include "morrow/raster/simd_avx2.h"
#include "morrow/raster/walkers.h"
#include "morrow/raster/walkers_avx2.h"

namespace morrow::raster {

#if defined(MORROW_RASTER_AVX2)

// How a strip's groups of eight destination columns fetch their source pixels, the same from
// every source row: the eight source pixels from `at`, put in place by the lane permute `lanes`
// (its columns less at), or, where at is below 0, gathered at the columns `lanes`. A group that
// shows at most eight neighbouring source pixels (magnified or unscaled, either way round) takes
// the eight from its least column, or the row's last eight when fewer follow; a row of fewer than
// eight is gathered, so no pixel past the row's greatest listed column is read.
struct WideStretchFetch {
  int32_t at[kStretchStrip / 8];
  Wide lanes[kStretchStrip / 8];
};

MORROW_AVX2_INLINE void PlanWideStretchFetch(const int32_t* columns, int32_t groups, int32_t span,
                                             WideStretchFetch* plan) {
  for (int32_t g = 0; g < groups; ++g) {
    const int32_t* c = columns + 8 * g;
    const Wide lanes = _mm256_loadu_si256(reinterpret_cast<const Wide*>(c));
    const int32_t low = std::min(c[0], c[7]);
    const int32_t at = std::min(low, span - 8);
    const Wide offsets = _mm256_sub_epi32(lanes, WideSplat32(static_cast<uint32_t>(at)));
    const bool window =
        span >= 8 &&
        _mm256_testz_si256(_mm256_sub_epi32(lanes, WideSplat32(static_cast<uint32_t>(low))),
                           WideSplat32(~7u)) != 0;
    plan->at[g] = window ? at : -1;
    plan->lanes[g] = window ? offsets : lanes;
  }
}

template <KeyGate K, class Rule>
MORROW_AVX2 void StretchWalkAvx2(const StretchSurfaces& r, uint32_t key, const Rule& shared) {
  const Rule rule = shared;
  const Wide keys = WideSplat32(key);
  const int32_t span = StretchSourceSpan(r);
  alignas(32) WideStretchFetch fetch;
  alignas(32) uint32_t prepared[kStretchStrip];
  uint8_t skipped[kStretchStrip / 8];
  StretchTail<F32, K, AlphaGate::kNone, Rule> tail;
  ForEachStretchStrip<AlphaGate::kNone>(
      r,
      [&](int32_t x, int32_t count)
          MORROW_AVX2 { PlanWideStretchFetch(r.columns + x, count / 8, span, &fetch); },
      [&](const StretchRow& row, int32_t x, int32_t count) MORROW_AVX2 {
        const int32_t groups = count / 8;
        for (int32_t g = 0; g < groups; ++g) {
          const int32_t at = fetch.at[g];
          const Wide s =
              at >= 0 ? _mm256_permutevar8x32_epi32(
                            _mm256_loadu_si256(reinterpret_cast<const Wide*>(row.src + 4 * at)),
                            fetch.lanes[g])
                      : _mm256_i32gather_epi32(reinterpret_cast<const int*>(row.src),
                                               fetch.lanes[g], 4);
          if constexpr (K == KeyGate::kCompare) {
            skipped[g] = static_cast<uint8_t>(WideEqualLanes(s, keys));
          }
          _mm256_store_si256(reinterpret_cast<Wide*>(prepared + 8 * g), rule.SourceWide(s));
        }
        tail.Build(r, row, x + 8 * groups, count % 8, key, rule);
      },
      [&](const StretchRow& row, int32_t x, int32_t count) MORROW_AVX2 {
        uint8_t* dest = row.dest + int64_t{4} * x;
        const uint8_t* read = row.read + int64_t{4} * x;
        const int32_t groups = count / 8;
        for (int32_t g = 0; g < groups; ++g, dest += 32, read += 32) {
          const Wide u = _mm256_load_si256(reinterpret_cast<const Wide*>(prepared + 8 * g));
          const Wide d = _mm256_loadu_si256(reinterpret_cast<const Wide*>(read));
          if constexpr (K == KeyGate::kCompare) {
            WideStoreGroup(dest, rule.ApplyWide(u, d), skipped[g]);
          } else {
            _mm256_storeu_si256(reinterpret_cast<Wide*>(dest), rule.ApplyWide(u, d));
          }
        }
        tail.Combine(row, rule);
      });
}

#endif

}  // namespace morrow::raster
