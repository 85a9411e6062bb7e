// Per-pixel rules of the 32-bit piece draws, named after the formulas they compute. Each rule
// is a small value made once per call from the blend values (BlendParams) and applied by a
// walker (walkers.h) to every pixel:
//   rule(s, d)              the pixel without an alpha map
//   rule.Opaque(s, d)       alpha byte 255 (rules that run under the alpha gate)
//   rule.Partial(s, d, a)   alpha byte 1 to 254
//   rule.Apply4(s, d)       four pixels at once, equal to four calls of rule(s, d) (SSE2)
//   rule.ApplyWide(s, d)    eight pixels at once (AVX2, simd_avx2.h)
// All arithmetic is on unsigned 32-bit words; channel products with a weight of 0 to 256 are
// brought down by a shift of 8, which equals a look-up in the blend product table. "Assembled"
// means (R << 16) | (G << 8) | B with a fourth byte of 0.
//
// Source terms say what a rule takes from the source word:
//   PlainSource   s itself
//   TintSource    T, each channel brightened: (b_c * s_c) >> 8, assembled
// Weights say what an alpha byte a of 1 to 254 weighs, and out of how much a coverage takes it:
//   AlphaWeight       k = a out of 256; a byte of 255 weighs 256 (the whole source)
//   ParamAlphaWeight  k = a' = (a * p) >> 8 out of 255; a byte of 255 weighs (255 * p) >> 8
#pragma once

#include <cstdint>
#include <initializer_list>

#include "morrow/raster/pixel_format.h"
#include "morrow/raster/simd.h"
#include "morrow/raster/simd_avx2.h"

namespace morrow::raster {

// What one call's rules are made from.
struct BlendParams {
  uint32_t p = 0;                // blend parameter, 0..255
  uint32_t bright = 0xFFFFFFFF;  // byte 0 blue, 1 green, 2 red
};

// ---- formulas on whole words ----

// Channel c of x times k, shifted down by 8, assembled (k from 0 to 256).
constexpr uint32_t ScaleChannels(uint32_t x, uint32_t k) {
  return (((x >> 16 & 0xFF) * k) >> 8) << 16 | (((x >> 8 & 0xFF) * k) >> 8) << 8 |
         (((x & 0xFF) * k) >> 8);
}

// The saturating add of three channels in one word through the guard bits above them. A
// channel's lowest bit is the OR of the operands' lowest bits and of the carry from below, as
// written; a channel that overflows becomes all ones. At 32 bits the fourth byte of the result
// is 1 when red overflowed.
template <class F>
constexpr uint32_t GuardAdd(uint32_t d, uint32_t t) {
  const uint32_t sum = (d & F::kKeep) + (t & F::kKeep);
  const uint32_t k = sum & F::kGuard;
  return (k - (k >> F::kSaturationShift)) | ((d | t) & F::kLow) | sum;
}

// The clamped subtract of three channels in one word: the lowest bit of the subtrahend's red and
// green is dropped, a channel that would go below 0 becomes 0.
template <class F>
constexpr uint32_t GuardSub(uint32_t d, uint32_t u) {
  const uint32_t t = (d | F::kGuard) - (u & ~F::kLow);
  const uint32_t k = t & F::kGuard;
  return t & (k - (k >> F::kSaturationShift));
}

// Weighted blend V(t, k, n): channel c = (t_c * k + d_c * (n - k)) >> 8, assembled.
constexpr uint32_t CoverageOf(uint32_t t, uint32_t d, uint32_t k, uint32_t n) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const uint32_t tc = t >> shift & 0xFF, dc = d >> shift & 0xFF;
    out |= ((tc * k + dc * (n - k)) >> 8) << shift;
  }
  return out;
}

// Shifted-difference blend W(k): per channel mask m, (((s & m) - (d & m)) * k >> 8) + d, taken
// AND m. The whole word d is added, so a borrow of a lower channel reaches the one above.
constexpr uint32_t ShiftedDiffOf(uint32_t s, uint32_t d, uint32_t k) {
  uint32_t out = 0;
  for (uint32_t m : {0x00FF0000u, 0x0000FF00u, 0x000000FFu}) {
    out |= ((((s & m) - (d & m)) * k >> 8) + d) & m;
  }
  return out;
}

// floor(x_c * d_c / 255) through the multiplication that equals it for every product of two
// bytes, assembled.
constexpr uint32_t MultiplyChannels(uint32_t x, uint32_t d) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const uint64_t product = uint64_t{x >> shift & 0xFF} * (d >> shift & 0xFF);
    out |= static_cast<uint32_t>((product * 0x80808081u) >> 39) << shift;
  }
  return out;
}

// ---- source terms ----

struct PlainSource {
  explicit PlainSource(const BlendParams&) {}
  uint32_t operator()(uint32_t s) const { return s; }
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec s) const {
    return s;
  }
#endif
#if defined(MORROW_RASTER_AVX2)
  MORROW_AVX2_INLINE Wide ApplyWide(Wide s) const {
    return s;
  }
#endif
};

struct TintSource {
  explicit TintSource(const BlendParams& b)
      : red(b.bright >> 16 & 0xFF), green(b.bright >> 8 & 0xFF), blue(b.bright & 0xFF) {
#if defined(MORROW_RASTER_SSE2)
    factors = ByteFactors(blue, green, red, 0);
#endif
  }
  uint32_t operator()(uint32_t s) const {
    return ((s >> 16 & 0xFF) * red >> 8) << 16 | ((s >> 8 & 0xFF) * green >> 8) << 8 |
           ((s & 0xFF) * blue >> 8);
  }
  uint32_t red, green, blue;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec s) const {
    return ScaleBytes(s, factors);
  }
  Vec factors;
#endif
#if defined(MORROW_RASTER_AVX2)
  MORROW_AVX2_INLINE Wide ApplyWide(Wide s) const {
    return WideScaleBytes(s, WideByteFactors(blue, green, red, 0));
  }
#endif
};

// ---- weights of an alpha byte ----

struct AlphaWeight {
  explicit AlphaWeight(const BlendParams&) {}
  uint32_t operator()(uint32_t a) const { return a; }
  static constexpr uint32_t kTotal = 256;
  uint32_t opaque = 256;
};

struct ParamAlphaWeight {
  explicit ParamAlphaWeight(const BlendParams& b) : p(b.p), opaque((255 * b.p) >> 8) {}
  uint32_t operator()(uint32_t a) const { return (a * p) >> 8; }
  static constexpr uint32_t kTotal = 255;
  uint32_t p;
  uint32_t opaque;
};

// What an add or subtract does with an alpha byte of 255: the same as without an alpha map, or
// what a partial byte of 255 would do.
enum class AlphaOpaque : uint8_t { kAsUnmapped, kAsPartial };

// ---- rules ----

// s written whole, its fourth byte included.
struct Copy {
  explicit Copy(const BlendParams&) {}
  uint32_t operator()(uint32_t s, uint32_t) const { return s; }
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec s, Vec) const {
    return s;
  }
#endif
#if defined(MORROW_RASTER_AVX2)
  MORROW_AVX2_INLINE Wide ApplyWide(Wide s, Wide) const {
    return s;
  }
#endif
};

// T assembled.
struct Tint {
  explicit Tint(const BlendParams& b) : tint(b) {}
  uint32_t operator()(uint32_t s, uint32_t) const { return tint(s); }
  TintSource tint;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec s, Vec) const {
    return tint.Apply4(s);
  }
#endif
#if defined(MORROW_RASTER_AVX2)
  MORROW_AVX2_INLINE Wide ApplyWide(Wide s, Wide) const {
    return tint.ApplyWide(s);
  }
#endif
};

// V(Src(s), k, n) under the alpha map, k and n from the weight.
template <class Src, class Weight>
struct Coverage {
  explicit Coverage(const BlendParams& b) : src(b), weight(b) {}
  uint32_t Opaque(uint32_t s, uint32_t d) const {
    return CoverageOf(src(s), d, weight.opaque, Weight::kTotal);
  }
  uint32_t Partial(uint32_t s, uint32_t d, uint32_t a) const {
    return CoverageOf(src(s), d, weight(a), Weight::kTotal);
  }
  Src src;
  Weight weight;
};

// W(k) under the alpha map for partial bytes; an opaque byte takes the rule OnOpaque.
template <class Weight, class OnOpaque>
struct ShiftedDiff {
  explicit ShiftedDiff(const BlendParams& b) : weight(b), opaque(b) {}
  uint32_t Opaque(uint32_t s, uint32_t d) const { return opaque(s, d); }
  uint32_t Partial(uint32_t s, uint32_t d, uint32_t a) const {
    return ShiftedDiffOf(s, d, weight(a));
  }
  Weight weight;
  OnOpaque opaque;
};

// Channel c = ((p * Src_c) >> 8) + (((kWhole - p) * d_c) >> 8), each half rounded down before
// the sum, assembled. The table blend weighs d with 256 - p; the turned draws weigh it with
// 255 - p, whose sum never exceeds 254, so no channel carries into the next.
template <class Src, uint32_t kWhole>
struct SplitBlend {
  explicit SplitBlend(const BlendParams& b) : src(b), p(b.p), q(kWhole - b.p) {
#if defined(MORROW_RASTER_SSE2)
    pFactors = ByteFactors(p, p, p, 0);
    qFactors = ByteFactors(q, q, q, 0);
#endif
  }
  uint32_t operator()(uint32_t s, uint32_t d) const {
    return ScaleChannels(src(s), p) + ScaleChannels(d, q);
  }
  Src src;
  uint32_t p, q;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec s, Vec d) const {
    return _mm_add_epi8(ScaleBytes(src.Apply4(s), pFactors), ScaleBytes(d, qFactors));
  }
  Vec pFactors, qFactors;
#endif
#if defined(MORROW_RASTER_AVX2)
  MORROW_AVX2_INLINE Wide ApplyWide(Wide s, Wide d) const {
    return _mm256_add_epi8(WideScaleBytes(src.ApplyWide(s), WideByteFactors(p, p, p, 0)),
                           WideScaleBytes(d, WideByteFactors(q, q, q, 0)));
  }
#endif
};

// P + Q of the plain draws.
template <class Src>
using TableBlend = SplitBlend<Src, 256>;

// The wide-register blend: every byte of the word, the fourth included, becomes
// (s_b * p + d_b * (256 - p)) >> 8 with one rounding.
struct MmxBlend32 {
  explicit MmxBlend32(const BlendParams& b) : p(b.p), q(256 - b.p) {
#if defined(MORROW_RASTER_SSE2)
    pFactors = _mm_set1_epi16(static_cast<short>(p));
    qFactors = _mm_set1_epi16(static_cast<short>(q));
#endif
  }
  uint32_t operator()(uint32_t s, uint32_t d) const {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      out |= (((s >> shift & 0xFF) * p + (d >> shift & 0xFF) * q) >> 8) << shift;
    }
    return out;
  }
  uint32_t p, q;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec s, Vec d) const {
    const Vec zero = _mm_setzero_si128();
    auto half = [&](Vec sh, Vec dh) {
      return _mm_srli_epi16(
          _mm_add_epi16(_mm_mullo_epi16(sh, pFactors), _mm_mullo_epi16(dh, qFactors)), 8);
    };
    return _mm_packus_epi16(half(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero)),
                            half(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero)));
  }
  Vec pFactors, qFactors;
#endif
#if defined(MORROW_RASTER_AVX2)
  // s_b * p + d_b * q is at most 255 * 256: it fits the 16-bit lane before the shift.
  MORROW_AVX2_INLINE Wide ApplyWide(Wide s, Wide d) const {
    const Wide zero = _mm256_setzero_si256();
    const Wide pw = _mm256_set1_epi16(static_cast<short>(p));
    const Wide qw = _mm256_set1_epi16(static_cast<short>(q));
    const Wide lo =
        _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(s, zero), pw),
                                           _mm256_mullo_epi16(_mm256_unpacklo_epi8(d, zero), qw)),
                          8);
    const Wide hi =
        _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(s, zero), pw),
                                           _mm256_mullo_epi16(_mm256_unpackhi_epi8(d, zero), qw)),
                          8);
    return _mm256_packus_epi16(lo, hi);
  }
#endif
};

// GuardAdd of d and t, or with kSubtract GuardSub of t from d.
template <bool kSubtract>
inline uint32_t GuardStep32(uint32_t d, uint32_t t) {
  if constexpr (kSubtract) {
    return GuardSub<F32>(d, t);
  } else {
    return GuardAdd<F32>(d, t);
  }
}

#if defined(MORROW_RASTER_SSE2)
// The same on four words.
template <bool kSubtract>
inline Vec GuardStep32x4(Vec d, Vec t) {
  if constexpr (kSubtract) {
    return GuardSub32x4(d, t);
  } else {
    return GuardAdd32x4(d, t);
  }
}
#endif

// The guard-bit add of d and t, or with kSubtract the subtract of t from d; t is the scaled
// source: t_c = (p * Src_c) >> 8 without an alpha map and for an opaque byte (unless O says
// otherwise), (a' * Src_c) >> 8 for a partial byte.
template <class Src, AlphaOpaque O, bool kSubtract>
struct GuardRule32 {
  explicit GuardRule32(const BlendParams& b) : src(b), weight(b), p(b.p) {
#if defined(MORROW_RASTER_SSE2)
    pFactors = ByteFactors(p, p, p, 0);
#endif
  }
  uint32_t operator()(uint32_t s, uint32_t d) const {
    return GuardStep32<kSubtract>(d, ScaleChannels(src(s), p));
  }
  uint32_t Opaque(uint32_t s, uint32_t d) const {
    if constexpr (O == AlphaOpaque::kAsUnmapped) return (*this)(s, d);
    return GuardStep32<kSubtract>(d, ScaleChannels(src(s), weight.opaque));
  }
  uint32_t Partial(uint32_t s, uint32_t d, uint32_t a) const {
    return GuardStep32<kSubtract>(d, ScaleChannels(src(s), weight(a)));
  }
  Src src;
  ParamAlphaWeight weight;
  uint32_t p;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec s, Vec d) const {
    return GuardStep32x4<kSubtract>(d, ScaleBytes(src.Apply4(s), pFactors));
  }
  Vec pFactors;
#endif
#if defined(MORROW_RASTER_AVX2)
  MORROW_AVX2_INLINE Wide ApplyWide(Wide s, Wide d) const {
    const Wide t = WideScaleBytes(src.ApplyWide(s), WideByteFactors(p, p, p, 0));
    if constexpr (kSubtract) {
      return WideGuardSub32(d, t);
    } else {
      return WideGuardAdd32(d, t);
    }
  }
#endif
};

template <class Src, AlphaOpaque O = AlphaOpaque::kAsUnmapped>
using Add32 = GuardRule32<Src, O, false>;
template <class Src, AlphaOpaque O = AlphaOpaque::kAsUnmapped>
using Sub32 = GuardRule32<Src, O, true>;

// The wide-register add: every byte, the fourth included, becomes min(255, d_b + ((s_b * p) >> 8)).
struct MmxAdd32 {
  explicit MmxAdd32(const BlendParams& b) : p(b.p) {
#if defined(MORROW_RASTER_SSE2)
    pFactors = _mm_set1_epi16(static_cast<short>(p));
#endif
  }
  uint32_t operator()(uint32_t s, uint32_t d) const {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const uint32_t sum = (d >> shift & 0xFF) + (((s >> shift & 0xFF) * p) >> 8);
      out |= (sum > 255 ? 255 : sum) << shift;
    }
    return out;
  }
  uint32_t p;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec s, Vec d) const {
    return _mm_adds_epu8(d, ScaleBytes(s, pFactors));
  }
  Vec pFactors;
#endif
#if defined(MORROW_RASTER_AVX2)
  MORROW_AVX2_INLINE Wide ApplyWide(Wide s, Wide d) const {
    return _mm256_adds_epu8(d, WideScaleBytes(s, WideByteFactors(p, p, p, p)));
  }
#endif
};

// floor(Src_c * d_c / 255), assembled.
template <class Src>
struct Multiply32 {
  explicit Multiply32(const BlendParams& b) : src(b) {}
  uint32_t operator()(uint32_t s, uint32_t d) const { return MultiplyChannels(src(s), d); }
  Src src;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec s, Vec d) const {
    return _mm_and_si128(DivideProductBytes(src.Apply4(s), d), Splat32(0x00FFFFFFu));
  }
#endif
};

}  // namespace morrow::raster
