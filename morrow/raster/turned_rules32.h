// Per-pixel rules of the 32-bit turned draws: the rotated draw (turned_rota.cpp) and the textured
// triangle spans (turned_triangle.cpp). They follow the conventions of piece_rules32.h (rule(s, d),
// Opaque / Partial under the alpha gate, four-wide forms) and reuse its Copy, Tint, Add32 and
// Sub32 where the formulas are the same. What differs from the plain draw's rules:
//   - the alpha blend weighs the destination with 255 - p, not 256 - p (ComplementBlend);
//   - every alpha-weighted blend is exact per channel, (256 d + k (m - d)) >> 8, with k = a in
//     mode 0 and k = (a p) >> 8 in mode 1 (ExactCoverage);
//   - the rotated add and subtract scale the addend by p and then by a (ScaledAlphaAdd32 /
//     ScaledAlphaSub32);
//   - multiply divides by the screen format's channel maxima (MultiplyMax32).
// Four-wide alpha forms take the four alpha bytes as 32-bit lanes: Apply4Alpha(s, d, a).
#pragma once

#include <cstdint>

#include "morrow/raster/piece_rules32.h"
#include "morrow/raster/simd.h"

namespace morrow::raster {

// What one call's turned rules are made from: the blend values and the maxima 2^w - 1 of the
// screen format's red, green and blue widths.
struct TurnedBlend : BlendParams {
  uint32_t max[3] = {255, 255, 255};
};

#if defined(MORROW_RASTER_SSE2)
// Per channel (t_c * k + d_c * (256 - k)) >> 8 for four pixels, k (0 to 256) in the 32-bit lane
// of each pixel; the fourth byte is 0. Every sum is at most 255 * 256, so it fits 16 bits.
inline Vec CoverageBytes4(Vec t, Vec d, Vec k) {
  const Vec zero = _mm_setzero_si128();
  const Vec pairs = _mm_or_si128(k, _mm_slli_epi32(k, 16));
  const Vec kLo = _mm_unpacklo_epi32(pairs, pairs);
  const Vec kHi = _mm_unpackhi_epi32(pairs, pairs);
  const Vec full = _mm_set1_epi16(256);
  auto half = [&](Vec th, Vec dh, Vec kh) {
    return _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(th, kh), _mm_mullo_epi16(dh, _mm_sub_epi16(full, kh))), 8);
  };
  const Vec lo = half(_mm_unpacklo_epi8(t, zero), _mm_unpacklo_epi8(d, zero), kLo);
  const Vec hi = half(_mm_unpackhi_epi8(t, zero), _mm_unpackhi_epi8(d, zero), kHi);
  return _mm_and_si128(_mm_packus_epi16(lo, hi), Splat32(0x00FFFFFFu));
}

// Lanes of yes where mask is all ones, of no elsewhere.
inline Vec Select(Vec mask, Vec yes, Vec no) {
  return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}
#endif

// ---- weights of an alpha byte, on a total of 256 ----

// k = a.
struct ByteWeight {
  explicit ByteWeight(const BlendParams&) {}
  uint32_t operator()(uint32_t a) const { return a; }
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec a) const {
    return a;
  }
#endif
};

// k = (a * p) >> 8.
struct ParamByteWeight {
  explicit ParamByteWeight(const BlendParams& b) : p(b.p) {
#if defined(MORROW_RASTER_SSE2)
    factor = Splat32(p);
#endif
  }
  uint32_t operator()(uint32_t a) const {
    return (a * p) >> 8;
  }
  uint32_t p;
#if defined(MORROW_RASTER_SSE2)
  // a and p are bytes: the product fits the low 16-bit half of each lane.
  Vec Apply4(Vec a) const {
    return _mm_srli_epi32(_mm_mullo_epi16(a, factor), 8);
  }
  Vec factor;
#endif
};

// ---- rules ----

// The turned draws' blend: d weighs 255 - p.
template <class Src>
using ComplementBlend = SplitBlend<Src, 255>;

// Under the alpha map: a byte of 255 takes OnOpaque, any other (1 to 254) the exact blend
// (Src_c * k + d_c * (256 - k)) >> 8 with k = Weight(a), assembled.
template <class Src, class Weight, class OnOpaque>
struct ExactCoverage {
  explicit ExactCoverage(const BlendParams& b) : src(b), weight(b), opaque(b) {}
  uint32_t Opaque(uint32_t s, uint32_t d) const { return opaque(s, d); }
  uint32_t Partial(uint32_t s, uint32_t d, uint32_t a) const {
    return CoverageOf(src(s), d, weight(a), 256);
  }
  Src src;
  Weight weight;
  OnOpaque opaque;
#if defined(MORROW_RASTER_SSE2)
  // Lanes whose byte is 0 are left alone by the walker whatever this returns.
  Vec Apply4Alpha(Vec s, Vec d, Vec a) const {
    const Vec partial = CoverageBytes4(src.Apply4(s), d, weight.Apply4(a));
    return Select(_mm_cmpeq_epi32(a, Splat32(255)), opaque.Apply4(s, d), partial);
  }
#endif
};

// Add32 (with kSubtract Sub32) of the addend t_c = (p * Src_c) >> 8; for an alpha byte of 1 to
// 254 the addend is scaled once more, ((p * Src_c) >> 8) * a >> 8. A byte of 255 adds as without
// an alpha map.
template <class Src, bool kSubtract>
struct ScaledAlphaGuard32 {
  explicit ScaledAlphaGuard32(const BlendParams& b) : src(b), p(b.p) {}
  uint32_t operator()(uint32_t s, uint32_t d) const {
    return GuardStep32<kSubtract>(d, ScaleChannels(src(s), p));
  }
  uint32_t Opaque(uint32_t s, uint32_t d) const { return (*this)(s, d); }
  uint32_t Partial(uint32_t s, uint32_t d, uint32_t a) const {
    return GuardStep32<kSubtract>(d, ScaleChannels(ScaleChannels(src(s), p), a));
  }
  Src src;
  uint32_t p;
};

template <class Src>
using ScaledAlphaAdd32 = ScaledAlphaGuard32<Src, false>;
template <class Src>
using ScaledAlphaSub32 = ScaledAlphaGuard32<Src, true>;

// d_c * Src_c / max_c, unsigned and truncating, assembled. For 8-bit channels (every maximum
// 255) this is the plain draw's multiply; a maximum of 0 gives 0 instead of dividing by it, and
// a quotient above 255 keeps its low byte, so no channel reaches into the next.
template <class Src>
struct MultiplyMax32 {
  explicit MultiplyMax32(const TurnedBlend& b)
      : src(b),
        maxR(b.max[0]),
        maxG(b.max[1]),
        maxB(b.max[2]),
        bytes(b.max[0] == 255 && b.max[1] == 255 && b.max[2] == 255) {}
  uint32_t operator()(uint32_t s, uint32_t d) const {
    const uint32_t m = src(s);
    if (bytes) return MultiplyChannels(m, d);
    return Divide(m >> 16 & 0xFF, d >> 16 & 0xFF, maxR) << 16 |
           Divide(m >> 8 & 0xFF, d >> 8 & 0xFF, maxG) << 8 | Divide(m & 0xFF, d & 0xFF, maxB);
  }
  static uint32_t Divide(uint32_t m, uint32_t d, uint32_t max) {
    return max == 0 ? 0 : (m * d / max) & 0xFF;
  }
  Src src;
  uint32_t maxR, maxG, maxB;
  bool bytes;
};

}  // namespace morrow::raster
