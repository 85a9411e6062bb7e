// The vector form of TexelSpanWalk for 32-bit pixels: four pixels per step, the last zero to
// three through the scalar walker. It visits and writes exactly the pixels the scalar walker
// does:
//  - the four positions of a group are u + i * du (i = 0 to 3) in wrapping 32-bit arithmetic,
//    which is what four scalar steps give; trunc18 is (x + ((x >> 31) & 0x3FFFF)) >> 18 with
//    arithmetic shifts, the unsigned map a logical shift by 18;
//  - the range test compares unsigned (through the sign bit flipped on both sides);
//  - texels and alpha bytes are read one by one, only for pixels inside the texture;
//  - a pixel outside, keyed, or of alpha 0 is never written; the four present pixels of a group
//    are read before its results are stored, which changes nothing, as the pixels are distinct
//    and each is read only where it is about to be written.
#pragma once

#include <cstdint>
#include <cstring>

#include "morrow/raster/simd.h"
#include "morrow/raster/texel_walkers.h"
#include "morrow/raster/walkers_sse2.h"

namespace morrow::raster {

#if defined(MORROW_RASTER_SSE2)

template <class Rule>
concept HasApply4Alpha = requires(const Rule& rule, Vec v) {
  rule.Apply4Alpha(v, v, v);
};

template <TexelMap M>
inline Vec TexelIndex4(Vec position) {
  if constexpr (M == TexelMap::kTrunc18) {
    const Vec bias = _mm_and_si128(_mm_srai_epi32(position, 31), Splat32(0x3FFFFu));
    return _mm_srai_epi32(_mm_add_epi32(position, bias), 18);
  } else {
    return _mm_srli_epi32(position, 18);
  }
}

// All ones in the lanes where a < b, both taken as unsigned.
inline Vec LessUnsigned(Vec a, Vec b) {
  const Vec flip = Splat32(0x80000000u);
  return _mm_cmplt_epi32(_mm_xor_si128(a, flip), _mm_xor_si128(b, flip));
}

template <TexelMap M, KeyGate K, AlphaGate A, class Rule>
void TexelSpanWalkSse2(const TexelSpan& span, const Texture& t, uint32_t key, const Rule& rule) {
  uint8_t* dest = span.dest;
  const uint8_t* read = span.read;
  uint32_t u = span.u, v = span.v;
  const Vec uLanes = _mm_setr_epi32(0, static_cast<int>(span.du), static_cast<int>(2 * span.du),
                                    static_cast<int>(3 * span.du));
  const Vec vLanes = _mm_setr_epi32(0, static_cast<int>(span.dv), static_cast<int>(2 * span.dv),
                                    static_cast<int>(3 * span.dv));
  const Vec width = Splat32(t.width), height = Splat32(t.height);
  const Vec keys = Splat32(key);
  int32_t i = 0;
  for (; i + 4 <= span.count; i += 4) {
    const Vec columns = TexelIndex4<M>(_mm_add_epi32(Splat32(u), uLanes));
    const Vec rows = TexelIndex4<M>(_mm_add_epi32(Splat32(v), vLanes));
    const int inside = _mm_movemask_ps(
        _mm_castsi128_ps(_mm_and_si128(LessUnsigned(columns, width), LessUnsigned(rows, height))));
    if (inside != 0) {
      alignas(16) uint32_t column[4], row[4], texel[4] = {}, alpha[4] = {};
      _mm_store_si128(reinterpret_cast<Vec*>(column), columns);
      _mm_store_si128(reinterpret_cast<Vec*>(row), rows);
      for (int lane = 0; lane < 4; ++lane) {
        if ((inside & (1 << lane)) == 0) continue;
        std::memcpy(&texel[lane], t.src + int64_t{t.pitch} * row[lane] + int64_t{4} * column[lane],
                    4);
        if constexpr (A == AlphaGate::kMap) {
          alpha[lane] = t.alpha[int64_t{t.alphaPitch} * row[lane] + column[lane]];
        }
      }
      const Vec s = _mm_load_si128(reinterpret_cast<const Vec*>(texel));
      const Vec d = _mm_loadu_si128(reinterpret_cast<const Vec*>(read));
      int skipped = ~inside & 0xF;
      if constexpr (K == KeyGate::kCompare) {
        skipped |= _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(s, keys)));
      }
      Vec out;
      if constexpr (A == AlphaGate::kMap) {
        const Vec a = _mm_load_si128(reinterpret_cast<const Vec*>(alpha));
        skipped |= _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(a, _mm_setzero_si128())));
        out = rule.Apply4Alpha(s, d, a);
      } else {
        out = rule.Apply4(s, d);
      }
      if (skipped == 0) {
        _mm_storeu_si128(reinterpret_cast<Vec*>(dest), out);
      } else if (skipped != 0xF) {
        StoreUnskippedLanes(dest, out, skipped);
      }
    }
    u += 4 * span.du;
    v += 4 * span.dv;
    dest += 16;
    read += 16;
  }
  TexelSpan rest{dest, read, span.count - i, u, v, span.du, span.dv};
  TexelSpanWalk<F32, M, K, A>(rest, t, key, rule);
}

#endif

}  // namespace morrow::raster
