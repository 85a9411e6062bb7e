// The vector forms of StretchWalk (walkers.h): four 32-bit or eight 16-bit destination pixels per
// step, their source pixels gathered one by one through the column table, prepared by the rule's
// Source4 / Source8 and combined by Apply4, Apply4Alpha or Apply8; the row's last pixels through
// StretchPixel. A magnified source pixel is prepared once per lane that shows it rather than once
// per run of them: the lanes are computed side by side, and the prepared value is the same. They
// write exactly the pixels the scalar walk writes:
//  - only the source pixels (and alpha bytes) of the columns the table lists are read;
//  - a lane whose source pixel is keyed, or whose alpha byte is 0, is not stored; a group with such
//    lanes stores the others one by one;
//  - a group's destination pixels are read before its results are stored, which changes nothing:
//    they are distinct, each read only where it is about to be written, and the source is never
//    the target on these paths.
#pragma once

#include <cstdint>
#include <cstring>

#include "morrow/raster/simd.h"
#include "morrow/raster/walkers.h"
#include "morrow/raster/walkers16.h"
#include "morrow/raster/walkers_sse2.h"

namespace morrow::raster {

#if defined(MORROW_RASTER_SSE2)

template <KeyGate K, AlphaGate A, class Rule>
void StretchWalkSse2(const StretchSurfaces& r, uint32_t key, const Rule& rule) {
  const Vec keys = Splat32(key);
  const Vec zero = _mm_setzero_si128();
  for (int32_t y = 0; y < r.height; ++y) {
    const StretchRow row = StretchRowAt<A>(r, y);
    const uint8_t* alphaRow = row.alpha;
    uint8_t* dest = row.dest;
    const uint8_t* read = row.read;
    auto word = [&](int32_t column) {
      uint32_t v;
      std::memcpy(&v, row.src + int64_t{4} * column, 4);
      return static_cast<int>(v);
    };
    int32_t x = 0;
    for (; x + 4 <= r.width; x += 4, dest += 16, read += 16) {
      const int32_t* c = r.columns + x;
      const Vec s = _mm_setr_epi32(word(c[0]), word(c[1]), word(c[2]), word(c[3]));
      int skipped = 0;
      if constexpr (K == KeyGate::kCompare) {
        skipped = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(s, keys)));
        if (skipped == 0xF) continue;
      }
      const Vec u = rule.Source4(s);
      const Vec d = _mm_loadu_si128(reinterpret_cast<const Vec*>(read));
      Vec out;
      if constexpr (A == AlphaGate::kMap) {
        const Vec a =
            _mm_setr_epi32(alphaRow[c[0]], alphaRow[c[1]], alphaRow[c[2]], alphaRow[c[3]]);
        skipped |= _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(a, zero)));
        out = rule.Apply4Alpha(u, d, a);
      } else {
        out = rule.Apply4(u, d);
      }
      if (skipped == 0) {
        _mm_storeu_si128(reinterpret_cast<Vec*>(dest), out);
      } else if (skipped != 0xF) {
        StoreUnskippedLanes(dest, out, skipped);
      }
    }
    for (; x < r.width; ++x) StretchPixel<F32, K, A>(r, row, x, key, rule);
  }
}

// Eight 16-bit pixels per step; only rules without the alpha gate.
template <class F, KeyGate K, class Rule>
void StretchWalkSse2_16(const StretchSurfaces& r, uint32_t key, const Rule& rule) {
  const Vec keys = _mm_set1_epi16(static_cast<short>(key & 0xFFFF));
  const uint16_t keyValue = static_cast<uint16_t>(key);
  for (int32_t y = 0; y < r.height; ++y) {
    const StretchRow row = StretchRowAt<AlphaGate::kNone>(r, y);
    uint8_t* dest = row.dest;
    const uint8_t* read = row.read;
    auto pixel = [&](int32_t column) {
      uint16_t v;
      std::memcpy(&v, row.src + int64_t{2} * column, 2);
      return static_cast<short>(v);
    };
    int32_t x = 0;
    for (; x + 8 <= r.width; x += 8, dest += 16, read += 16) {
      const int32_t* c = r.columns + x;
      const Vec s = _mm_setr_epi16(pixel(c[0]), pixel(c[1]), pixel(c[2]), pixel(c[3]), pixel(c[4]),
                                   pixel(c[5]), pixel(c[6]), pixel(c[7]));
      int skipped = 0;
      if constexpr (K == KeyGate::kCompare) {
        skipped = _mm_movemask_epi8(_mm_cmpeq_epi16(s, keys));
        if (skipped == 0xFFFF) continue;
      }
      const Vec d = _mm_loadu_si128(reinterpret_cast<const Vec*>(read));
      const Vec out = rule.Apply8(rule.Source8(s), d);
      if (skipped == 0) {
        _mm_storeu_si128(reinterpret_cast<Vec*>(dest), out);
      } else {
        StoreUnskippedLanes16(dest, out, skipped);
      }
    }
    for (; x < r.width; ++x) StretchPixel<F, K, AlphaGate::kNone>(r, row, x, keyValue, rule);
  }
}

#endif

}  // namespace morrow::raster
