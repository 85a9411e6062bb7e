// The vector forms of StretchWalk (walkers.h) on cached rows (ForEachStretchStrip, walkers.h):
// four 32-bit or eight 16-bit destination columns per step, their source pixels fetched through
// the column table and prepared by the rule's Source4 / Source8 when a row shows a new source
// row, and then combined by Apply4, Apply4Alpha or Apply8 with the destination pixels of every
// row that shows it; a strip's last columns go one by one (StretchTail). A magnified source pixel
// is prepared once per lane that shows it rather than once per run of them: the lanes are
// computed side by side, and the prepared value is the same. They write exactly the pixels the
// scalar walk writes:
//  - only the source pixels (and alpha bytes) of the columns the table lists are read;
//  - a lane whose source pixel is keyed, or whose alpha byte is 0, is not stored; a group with such
//    lanes stores the others one by one;
//  - a group's destination pixels are read before its results are stored, which changes nothing:
//    they are distinct, each read only where it is about to be written, and the source is never
//    the target on these paths.
// Columns that show source pixels two by two, as a picture at twice its width does, take them
// with one load widened by an unpack.
#pragma once

#include <cstdint>

#include "morrow/raster/simd.h"
#include "morrow/raster/walkers.h"
#include "morrow/raster/walkers16.h"
#include "morrow/raster/walkers_sse2.h"

namespace morrow::raster {

#if defined(MORROW_RASTER_SSE2)

// Whether the n columns from c show source pixels two by two from c[0], as a picture drawn at
// twice its width does: then one load of n / 2 pixels, widened, fetches them all.
template <int n>
inline bool ShowsPairs(const int32_t* c) {
  for (int i = 1; i < n; ++i) {
    if (c[i] != c[0] + i / 2) return false;
  }
  return true;
}

// The source words of the four destination columns from c.
inline Vec StretchSources4(const uint8_t* row, const int32_t* c) {
  if (ShowsPairs<4>(c)) {
    const Vec pair = _mm_loadl_epi64(reinterpret_cast<const Vec*>(row + int64_t{4} * c[0]));
    return _mm_unpacklo_epi32(pair, pair);
  }
  auto word = [&](int i) { return static_cast<int>(LoadPixel<uint32_t>(row + int64_t{4} * c[i])); };
  return _mm_setr_epi32(word(0), word(1), word(2), word(3));
}

// The 16-bit source pixels of the eight destination columns from c.
inline Vec StretchSources8(const uint8_t* row, const int32_t* c) {
  if (ShowsPairs<8>(c)) {
    const Vec four = _mm_loadl_epi64(reinterpret_cast<const Vec*>(row + int64_t{2} * c[0]));
    return _mm_unpacklo_epi16(four, four);
  }
  auto pixel = [&](int i) {
    return static_cast<short>(LoadPixel<uint16_t>(row + int64_t{2} * c[i]));
  };
  return _mm_setr_epi16(pixel(0), pixel(1), pixel(2), pixel(3), pixel(4), pixel(5), pixel(6),
                        pixel(7));
}

// Combines a strip's cached groups of sixteen bytes (four 32-bit or eight 16-bit pixels) from
// column x of a row with the row's destination pixels by combine(g, u, d), group g's cached values
// u and destination pixels d. The lanes whose bits are set in skipped[g] (as the lane compares
// give them) are not stored: a group with some stores the others one by one, a group with all
// nothing. Without kMaySkip no lane is skipped, and skipped is not read.
template <int kBytes, bool kMaySkip, class Skip, class Combine>
inline void CombineCachedGroups(const StretchRow& row, int32_t x, int32_t groups,
                                const void* prepared, const Skip* skipped, Combine&& combine) {
  constexpr int kAll = kBytes == 4 ? 0xF : 0xFFFF;
  uint8_t* dest = row.dest + int64_t{kBytes} * x;
  const uint8_t* read = row.read + int64_t{kBytes} * x;
  const Vec* cached = static_cast<const Vec*>(prepared);
  for (int32_t g = 0; g < groups; ++g, dest += 16, read += 16) {
    const int skip = kMaySkip ? skipped[g] : 0;
    if (skip == kAll) continue;
    const Vec out =
        combine(g, _mm_load_si128(cached + g), _mm_loadu_si128(reinterpret_cast<const Vec*>(read)));
    if (skip == 0) {
      _mm_storeu_si128(reinterpret_cast<Vec*>(dest), out);
    } else if constexpr (kBytes == 4) {
      StoreUnskippedLanes(dest, out, skip);
    } else {
      StoreUnskippedLanes16(dest, out, skip);
    }
  }
}

template <KeyGate K, AlphaGate A, class Rule>
void StretchWalkSse2(const StretchSurfaces& r, uint32_t key, const Rule& rule) {
  constexpr bool kAlpha = A == AlphaGate::kMap;
  const Vec keys = Splat32(key);
  const Vec zero = _mm_setzero_si128();
  alignas(16) uint32_t prepared[kStretchStrip];
  alignas(16) uint32_t alphas[kAlpha ? kStretchStrip : 4];
  uint8_t skipped[kStretchStrip / 4];
  StretchTail<F32, K, A, Rule> tail;
  ForEachStretchStrip<A>(
      r, [](int32_t, int32_t) {},
      [&](const StretchRow& row, int32_t x, int32_t count) {
        const int32_t groups = count / 4;
        for (int32_t g = 0; g < groups; ++g) {
          const int32_t* c = r.columns + x + 4 * g;
          const Vec s = StretchSources4(row.src, c);
          int skip = 0;
          if constexpr (K == KeyGate::kCompare) {
            skip = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(s, keys)));
          }
          if constexpr (kAlpha) {
            const Vec a =
                _mm_setr_epi32(row.alpha[c[0]], row.alpha[c[1]], row.alpha[c[2]], row.alpha[c[3]]);
            skip |= _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(a, zero)));
            _mm_store_si128(reinterpret_cast<Vec*>(alphas + 4 * g), a);
          }
          skipped[g] = static_cast<uint8_t>(skip);
          _mm_store_si128(reinterpret_cast<Vec*>(prepared + 4 * g), rule.Source4(s));
        }
        tail.Build(r, row, x + 4 * groups, count % 4, key, rule);
      },
      [&](const StretchRow& row, int32_t x, int32_t count) {
        constexpr bool kMaySkip = K == KeyGate::kCompare || kAlpha;
        CombineCachedGroups<4, kMaySkip>(
            row, x, count / 4, prepared, skipped, [&](int32_t g, Vec u, Vec d) {
              if constexpr (kAlpha) {
                return rule.Apply4Alpha(
                    u, d, _mm_load_si128(reinterpret_cast<const Vec*>(alphas + 4 * g)));
              } else {
                return rule.Apply4(u, d);
              }
            });
        tail.Combine(row, rule);
      });
}

// Eight 16-bit pixels per step; only rules without the alpha gate.
template <class F, KeyGate K, class Rule>
void StretchWalkSse2_16(const StretchSurfaces& r, uint32_t key, const Rule& rule) {
  const Vec keys = _mm_set1_epi16(static_cast<short>(key & 0xFFFF));
  const uint16_t keyValue = static_cast<uint16_t>(key);
  alignas(16) uint16_t prepared[kStretchStrip];
  uint16_t skipped[kStretchStrip / 8];
  StretchTail<F, K, AlphaGate::kNone, Rule> tail;
  ForEachStretchStrip<AlphaGate::kNone>(
      r, [](int32_t, int32_t) {},
      [&](const StretchRow& row, int32_t x, int32_t count) {
        const int32_t groups = count / 8;
        for (int32_t g = 0; g < groups; ++g) {
          const Vec s = StretchSources8(row.src, r.columns + x + 8 * g);
          int skip = 0;
          if constexpr (K == KeyGate::kCompare) skip = _mm_movemask_epi8(_mm_cmpeq_epi16(s, keys));
          skipped[g] = static_cast<uint16_t>(skip);
          _mm_store_si128(reinterpret_cast<Vec*>(prepared + 8 * g), rule.Source8(s));
        }
        tail.Build(r, row, x + 8 * groups, count % 8, keyValue, rule);
      },
      [&](const StretchRow& row, int32_t x, int32_t count) {
        CombineCachedGroups<2, K == KeyGate::kCompare>(
            row, x, count / 8, prepared, skipped,
            [&](int32_t, Vec u, Vec d) { return rule.Apply8(u, d); });
        tail.Combine(row, rule);
      });
}

#endif

}  // namespace morrow::raster
