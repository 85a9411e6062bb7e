// Four-pixel helpers of the SSE2 kernels. Only rules and walkers use them, each to compute
// exactly what its scalar form computes.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#define MORROW_RASTER_SSE2 1
#endif

namespace morrow::raster {

#if defined(MORROW_RASTER_SSE2)

using Vec = __m128i;

inline Vec Splat32(uint32_t v) {
  return _mm_set1_epi32(static_cast<int>(v));
}

// Eight 16-bit lanes holding the factors of bytes blue, green, red and the fourth byte of a
// pixel, for two pixels.
inline Vec ByteFactors(uint32_t blue, uint32_t green, uint32_t red, uint32_t fourth) {
  return _mm_setr_epi16(static_cast<short>(blue), static_cast<short>(green),
                        static_cast<short>(red), static_cast<short>(fourth),
                        static_cast<short>(blue), static_cast<short>(green),
                        static_cast<short>(red), static_cast<short>(fourth));
}

// (byte * factor) >> 8 for every byte of four pixels; factors from 0 to 256, so every product
// fits in 16 bits.
inline Vec ScaleBytes(Vec x, Vec factors) {
  const Vec zero = _mm_setzero_si128();
  const Vec lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(x, zero), factors), 8);
  const Vec hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(x, zero), factors), 8);
  return _mm_packus_epi16(lo, hi);
}

// floor(a_b * b_b / 255) for every byte: the product is at most 65025, where
// (x + 1 + (x >> 8)) >> 8 equals x / 255.
inline Vec DivideProductBytes(Vec a, Vec b) {
  const Vec zero = _mm_setzero_si128();
  auto half = [](Vec x, Vec y) {
    const Vec prod = _mm_mullo_epi16(x, y);
    const Vec sum = _mm_add_epi16(_mm_add_epi16(prod, _mm_set1_epi16(1)), _mm_srli_epi16(prod, 8));
    return _mm_srli_epi16(sum, 8);
  };
  const Vec lo = half(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
  const Vec hi = half(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
  return _mm_packus_epi16(lo, hi);
}

// The guard-bit add and subtract of F32 on four words (see GuardAdd / GuardSub in piece_rules32.h).
inline Vec GuardAdd32x4(Vec d, Vec t) {
  const Vec keep = Splat32(0x00FEFEFFu);
  const Vec sum = _mm_add_epi32(_mm_and_si128(d, keep), _mm_and_si128(t, keep));
  const Vec k = _mm_and_si128(sum, Splat32(0x01010100u));
  const Vec low = _mm_and_si128(_mm_or_si128(d, t), Splat32(0x00010100u));
  return _mm_or_si128(_mm_or_si128(_mm_sub_epi32(k, _mm_srli_epi32(k, 8)), low), sum);
}

inline Vec GuardSub32x4(Vec d, Vec u) {
  const Vec guard = Splat32(0x01010100u);
  const Vec t = _mm_sub_epi32(_mm_or_si128(d, guard), _mm_andnot_si128(Splat32(0x00010100u), u));
  const Vec k = _mm_and_si128(t, guard);
  return _mm_and_si128(t, _mm_sub_epi32(k, _mm_srli_epi32(k, 8)));
}

#endif

}  // namespace morrow::raster
