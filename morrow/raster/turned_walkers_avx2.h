// The AVX2 form of TexelSpanWalk for 32-bit pixels without the alpha gate. A span whose texels
// all lie inside the texture along a run (InsideRun, turned_walkers_sse2.h) has that run walked
// eight pixels per step, the texels gathered at once from their byte offsets; spans whose
// positions wrap go through the SSE2 general loop. It writes exactly the pixels the scalar walker
// writes, for the reasons the SSE2 form gives: the eight positions of a group are u + i * du in
// wrapping 32-bit arithmetic, the texel maps are computed as there, only texels inside the texture
// are read, a keyed pixel is never written (a group with some stores the others under a lane mask),
// and every pixel's result comes from its destination pixel as it was before the walk wrote it.
#pragma once

#include <cstdint>

#include "morrow/raster/simd_avx2.h"
#include "morrow/raster/turned_walkers.h"
#include "morrow/raster/turned_walkers_sse2.h"
#include "morrow/raster/walkers_avx2.h"

namespace morrow::raster {

#if defined(MORROW_RASTER_AVX2)

template <TexelMap M>
MORROW_AVX2_INLINE Wide WideTexelIndex(Wide position) {
  if constexpr (M == TexelMap::kTrunc18) {
    const Wide bias = _mm256_and_si256(_mm256_srai_epi32(position, 31), WideSplat32(0x3FFFFu));
    return _mm256_srai_epi32(_mm256_add_epi32(position, bias), 18);
  } else {
    return _mm256_srli_epi32(position, 18);
  }
}

// The byte offset of every texel of the texture fits a signed 32-bit lane.
inline bool OffsetsFitLanes(const Texture& t) {
  return t.pitch >= 0 && int64_t{t.pitch} * t.height + int64_t{4} * t.width <= int64_t{INT32_MAX};
}

// What every span of one walk shares: the texture, the key and the steps along a span are the
// walk's, so what depends on them alone is made once a walk, not once a row (a triangle's rows
// are short, and their set-up costs about what their pixels do). The texture is a copy: a store
// through a destination pointer may alias anything, and the copy stays in registers across it.
struct WideTurnedShared {
  Texture texture;
  bool runs = false;    // spans may take the inside run: offsets fit lanes, sizes InsideRun takes
  bool window = false;  // along one texel row, at most one texel a pixel (InsideRunAvx2)
  bool rising = false;
  bool steady = false;  // eight pixels step a whole number of texels (InsideRunAvx2)
  uint32_t du = 0, dv = 0;
  Wide uLanes, vLanes;  // i * du and i * dv for lanes i = 0 to 7, wrapping
  Wide du8, dv8, pitch, keys;
};

MORROW_AVX2_INLINE WideTurnedShared MakeWideTurnedShared(const Texture& t, uint32_t du, uint32_t dv,
                                                         uint32_t key) {
  WideTurnedShared s;
  s.texture = t;
  s.runs = OffsetsFitLanes(t) && InsideRunSizes(t);
  const int32_t du32 = static_cast<int32_t>(du);
  s.window = dv == 0 && du32 >= -262144 && du32 <= 262144;
  s.rising = du32 >= 0;
  s.steady = s.window && (8 * du & 0x3FFFFu) == 0;
  s.du = du;
  s.dv = dv;
  const Wide lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  s.uLanes = _mm256_mullo_epi32(lanes, WideSplat32(du));
  s.vLanes = _mm256_mullo_epi32(lanes, WideSplat32(dv));
  s.du8 = WideSplat32(8 * du);
  s.dv8 = WideSplat32(8 * dv);
  s.pitch = WideSplat32(static_cast<uint32_t>(t.pitch));
  s.keys = WideSplat32(key);
  return s;
}

// The texels of eight pixels of one texel row of `width` texels, whose column indices are `low`,
// the least of them, plus `offsets` of 0 to 7: one load of eight texels, put in place by a lane
// permute. kChecked: where the row ends within the eight from `low`, the load is of the row's
// last eight texels (the offsets moved to match), or, in a row of fewer than eight, under a lane
// mask, so no texel past the row is read; without, the caller knows the eight lie inside the row.
template <bool kChecked>
MORROW_AVX2_INLINE Wide WideWindowTexels(const uint8_t* row, uint32_t width, int low,
                                         Wide offsets) {
  const int64_t left = int64_t{width} - low;
  if (!kChecked || left >= 8) {
    return _mm256_permutevar8x32_epi32(
        _mm256_loadu_si256(reinterpret_cast<const Wide*>(row + int64_t{4} * low)), offsets);
  }
  if (width >= 8) {
    const Wide last = _mm256_loadu_si256(reinterpret_cast<const Wide*>(row + 4 * (width - 8)));
    return _mm256_permutevar8x32_epi32(
        last, _mm256_add_epi32(offsets, _mm256_set1_epi32(static_cast<int>(8 - left))));
  }
  const int* at = reinterpret_cast<const int*>(row + int64_t{4} * low);
  const Wide window =
      _mm256_maskload_epi32(at, _mm256_cmpgt_epi32(_mm256_set1_epi32(static_cast<int>(left)),
                                                   _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)));
  return _mm256_permutevar8x32_epi32(window, offsets);
}

// The run [0, span.count) of a span that lies wholly inside the texture. A run of fewer than
// eight pixels reads its texels and destination pixels, and stores, under a lane mask; a longer
// one ends with an overlapping group (below). Nothing past the run is touched.
//
// A span along one texel row (dv = 0) that steps at most one texel a pixel (magnified, or shown
// at its size) reads each group's texels as one window: inside the run the positions do not
// wrap, so the column indices of a group rise (or fall, mirrored) from lane 0 to lane 7 by at
// most seven.
template <TexelMap M, KeyGate K, bool kWindow, class Rule>
MORROW_AVX2_INLINE void InsideRunAvx2(const TexelSpan& span, const WideTurnedShared& w,
                                      const Rule& rule) {
  const Texture& t = w.texture;
  uint8_t* dest = span.dest;
  const uint8_t* read = span.read;
  const int* base = reinterpret_cast<const int*>(t.src);
  const uint8_t* row = t.src + int64_t{t.pitch} * TexelIndex<M>(span.v);
  const uint32_t width = t.width;
  auto offsetsOf = [&](Wide u, Wide v) MORROW_AVX2_LAMBDA {
    return _mm256_add_epi32(_mm256_mullo_epi32(WideTexelIndex<M>(v), w.pitch),
                            _mm256_slli_epi32(WideTexelIndex<M>(u), 2));
  };
  // The texels of the eight pixels from pixel `at` of the run.
  auto texelsAt = [&](uint32_t at) MORROW_AVX2_LAMBDA {
    const Wide u = _mm256_add_epi32(WideSplat32(span.u + at * w.du), w.uLanes);
    if constexpr (!kWindow) {
      const Wide v = _mm256_add_epi32(WideSplat32(span.v + at * w.dv), w.vLanes);
      return _mm256_i32gather_epi32(base, offsetsOf(u, v), 1);
    }
    const Wide low = WideTexelIndex<M>(WideSplat32(span.u + (w.rising ? at : at + 7) * w.du));
    return WideWindowTexels<true>(row, width, _mm256_cvtsi256_si32(low),
                                  _mm256_sub_epi32(WideTexelIndex<M>(u), low));
  };
  // A run of eight pixels or more whose count is not a multiple of eight ends with the group of
  // its last eight, which overlaps the group before: that group is made first, from the
  // destination as it was, and stored last, so the pixels of the overlap get the same value
  // twice and no lane mask is needed.
  const bool overlapEnd = span.count > 8 && span.count % 8 != 0;
  Wide endOut = _mm256_setzero_si256();
  int endSkipped = 0;
  const int64_t endAt = int64_t{span.count} - 8;
  if (overlapEnd) {
    const Wide s = texelsAt(static_cast<uint32_t>(endAt));
    const Wide d = _mm256_loadu_si256(reinterpret_cast<const Wide*>(read + 4 * endAt));
    if constexpr (K == KeyGate::kCompare) endSkipped = WideEqualLanes(s, w.keys);
    endOut = rule.ApplyWide(s, d);
  }
  Wide u = _mm256_add_epi32(WideSplat32(span.u), w.uLanes);
  Wide v = _mm256_add_epi32(WideSplat32(span.v), w.vLanes);
  auto offsets = [&]() MORROW_AVX2_LAMBDA { return offsetsOf(u, v); };
  auto put = [&](Wide s) MORROW_AVX2_LAMBDA {
    const Wide d = _mm256_loadu_si256(reinterpret_cast<const Wide*>(read));
    int skipped = 0;
    if constexpr (K == KeyGate::kCompare) skipped = WideEqualLanes(s, w.keys);
    WideStoreGroup(dest, rule.ApplyWide(s, d), skipped);
    dest += 32;
    read += 32;
  };
  int32_t i = 0;
  if constexpr (kWindow) {
    // The least index of a group is lane 0's (mirrored lane 7's); it is followed in a general
    // register for the load and in every lane for the offsets, apart from the other lanes. The
    // least indices rise from group to group (mirrored fall), so the groups whose eight texels
    // from it lie inside the row, which load without the row-end test, come first (last).
    uint32_t lowPosition = w.rising ? span.u : span.u + 7 * w.du;
    Wide lowPositions = WideSplat32(lowPosition);
    Wide offsets = _mm256_sub_epi32(WideTexelIndex<M>(u), WideTexelIndex<M>(lowPositions));
    const int64_t lastLow = int64_t{width} - 8;  // the greatest least index whose window fits
    auto low = [&] { return int64_t{TexelIndex<M>(lowPosition)}; };
    const int32_t groupsEnd = span.count - span.count % 8;
    // kSteady: the positions of a lane in successive groups differ by whole texels, and so do
    // their indices, none of the positions being negative (the unsigned map's inside the run
    // never are): every group's texels lie at the first group's offsets from its least index.
    // (The rotated walk's trunc18 maps positions just below zero to index 0 too, and its runs
    // start there as often as not; it keeps the general groups.)
    auto groups = [&]<bool kSteady, bool kChecked>(auto keepOn) MORROW_AVX2_LAMBDA {
      for (; i < groupsEnd && keepOn(); i += 8) {
        if constexpr (!kSteady) {
          offsets = _mm256_sub_epi32(WideTexelIndex<M>(u), WideTexelIndex<M>(lowPositions));
          u = _mm256_add_epi32(u, w.du8);
          lowPositions = _mm256_add_epi32(lowPositions, w.du8);
        }
        put(WideWindowTexels<kChecked>(row, width, static_cast<int>(low()), offsets));
        lowPosition += 8 * w.du;
      }
    };
    auto walk = [&]<bool kSteady>() MORROW_AVX2_LAMBDA {
      if (!w.rising) groups.template operator()<kSteady, true>([&] { return low() > lastLow; });
      groups.template operator()<kSteady, false>([&] { return low() <= lastLow; });
      groups.template operator()<kSteady, true>([] { return true; });
    };
    if (M == TexelMap::kUnsigned18 && w.steady) {
      walk.template operator()<true>();
      u = _mm256_add_epi32(u, _mm256_mullo_epi32(WideSplat32(static_cast<uint32_t>(i / 8)), w.du8));
    } else {
      walk.template operator()<false>();
    }
  } else {
    for (; i + 8 <= span.count; i += 8) {
      put(_mm256_i32gather_epi32(base, offsets(), 1));
      u = _mm256_add_epi32(u, w.du8);
      v = _mm256_add_epi32(v, w.dv8);
    }
  }
  if (overlapEnd) {
    WideStoreGroup(span.dest + 4 * endAt, endOut, endSkipped);
    return;
  }
  if (i == span.count) return;
  const Wide live = _mm256_cmpgt_epi32(WideSplat32(static_cast<uint32_t>(span.count - i)),
                                       _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  Wide s;
  if constexpr (kWindow) {
    // The least index among the live lanes: lane 0's, or mirrored the last live lane's.
    const Wide columns = WideTexelIndex<M>(u);
    const int low = _mm256_cvtsi256_si32(
        _mm256_permutevar8x32_epi32(columns, _mm256_set1_epi32(w.rising ? 0 : span.count - i - 1)));
    s = WideWindowTexels<true>(row, width, low, _mm256_sub_epi32(columns, _mm256_set1_epi32(low)));
  } else {
    s = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), base, offsets(), live, 1);
  }
  const Wide d = _mm256_maskload_epi32(reinterpret_cast<const int*>(read), live);
  int skipped = ~_mm256_movemask_ps(_mm256_castsi256_ps(live)) & 0xFF;
  if constexpr (K == KeyGate::kCompare) skipped |= WideEqualLanes(s, w.keys);
  WideStoreGroup(dest, rule.ApplyWide(s, d), skipped);
}

// One span of a walk whose shared part is w: its du and dv are w's, and kWindow is w.window (a
// walk's spans are all walked one way, so the choice is made once a walk).
template <TexelMap M, KeyGate K, bool kWindow, class Rule>
MORROW_AVX2_INLINE void TexelSpanWalkAvx2(const TexelSpan& span, const WideTurnedShared& w,
                                          uint32_t key, const Rule& rule) {
  int32_t first = 0, last = 0;
  TexelSpan along = span;
  if constexpr (kWindow) along.dv = 0;  // so that the search drops the row's step
  if (w.runs && InsideRunOfSized<M>(along, w.texture, &first, &last)) {
    if (first >= last) return;
    TexelSpan run = span;
    run.dest += int64_t{4} * first;
    run.read += int64_t{4} * first;
    run.count = last - first;
    run.u += static_cast<uint32_t>(first) * w.du;
    run.v += static_cast<uint32_t>(first) * w.dv;
    InsideRunAvx2<M, K, kWindow>(run, w, rule);
    return;
  }
  // The SSE2 loop is not built for AVX2: the wide registers' upper halves are cleared before it,
  // as switching with them in use costs dearly.
  _mm256_zeroupper();
  TexelSpanWalkTested<M, K, AlphaGate::kNone>(span, w.texture, key, rule);
}

#endif

}  // namespace morrow::raster
