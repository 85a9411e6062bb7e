// Eight-pixel helpers of the AVX2 kernels. The rest of the library is built for the baseline
// instruction set, so every function that touches a 256-bit register carries the AVX2 target
// itself (MORROW_AVX2 for the walkers, MORROW_AVX2_INLINE for the helpers and the rules' wide
// forms) and runs only when the path chosen at start is AVX2: nothing else in the program is
// compiled for it, so no shared inline function can carry AVX2 instructions onto an older
// processor. Each helper computes exactly what its four-pixel form in simd.h does, lane by lane;
// the 128-bit halves of a register work apart, and every unpack is undone by the pack that
// follows it within its half.
#pragma once

#include <cstdint>

#include "morrow/raster/simd.h"

#if defined(MORROW_RASTER_SSE2) && (defined(__x86_64__) || defined(__i386__)) && \
    (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define MORROW_RASTER_AVX2 1
#define MORROW_AVX2 __attribute__((target("avx2")))
#define MORROW_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline
#define MORROW_AVX2_LAMBDA __attribute__((target("avx2"), always_inline))
#endif

namespace morrow::raster {

#if defined(MORROW_RASTER_AVX2)

using Wide = __m256i;

MORROW_AVX2_INLINE Wide WideSplat32(uint32_t v) {
  return _mm256_set1_epi32(static_cast<int>(v));
}

// Sixteen 16-bit lanes: the factors of bytes blue, green, red and the fourth byte, four times.
MORROW_AVX2_INLINE Wide WideByteFactors(uint32_t blue, uint32_t green, uint32_t red,
                                        uint32_t fourth) {
  const uint64_t quad =
      uint64_t{blue} | uint64_t{green} << 16 | uint64_t{red} << 32 | uint64_t{fourth} << 48;
  return _mm256_set1_epi64x(static_cast<long long>(quad));
}

// (byte * factor) >> 8 for every byte of eight pixels, factors 0 to 256: each byte is lifted
// to the high half of its 16-bit lane, where the high half of the product is the shifted one.
MORROW_AVX2_INLINE Wide WideScaleBytes(Wide x, Wide factors) {
  const Wide zero = _mm256_setzero_si256();
  const Wide lo = _mm256_mulhi_epu16(_mm256_unpacklo_epi8(zero, x), factors);
  const Wide hi = _mm256_mulhi_epu16(_mm256_unpackhi_epi8(zero, x), factors);
  return _mm256_packus_epi16(lo, hi);
}

// GuardAdd32x4 and GuardSub32x4 of simd.h on eight words.
MORROW_AVX2_INLINE Wide WideGuardAdd32(Wide d, Wide t) {
  const Wide keep = WideSplat32(0x00FEFEFFu);
  const Wide sum = _mm256_add_epi32(_mm256_and_si256(d, keep), _mm256_and_si256(t, keep));
  const Wide k = _mm256_and_si256(sum, WideSplat32(0x01010100u));
  const Wide low = _mm256_and_si256(_mm256_or_si256(d, t), WideSplat32(0x00010100u));
  return _mm256_or_si256(_mm256_or_si256(_mm256_sub_epi32(k, _mm256_srli_epi32(k, 8)), low), sum);
}

MORROW_AVX2_INLINE Wide WideGuardSub32(Wide d, Wide u) {
  const Wide guard = WideSplat32(0x01010100u);
  const Wide t =
      _mm256_sub_epi32(_mm256_or_si256(d, guard), _mm256_andnot_si256(WideSplat32(0x00010100u), u));
  const Wide k = _mm256_and_si256(t, guard);
  return _mm256_and_si256(t, _mm256_sub_epi32(k, _mm256_srli_epi32(k, 8)));
}

// One bit per 32-bit lane: set where the lane of a equals that of b.
MORROW_AVX2_INLINE int WideEqualLanes(Wide a, Wide b) {
  return _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(a, b)));
}

// Stores the lanes of out whose bit in skipped is clear; the others are not written at all.
MORROW_AVX2_INLINE void WideStoreUnskipped(uint8_t* dest, Wide out, int skipped) {
  const Wide bits = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
  const Wide keep = _mm256_cmpeq_epi32(
      _mm256_and_si256(WideSplat32(static_cast<uint32_t>(skipped)), bits), _mm256_setzero_si256());
  _mm256_maskstore_epi32(reinterpret_cast<int*>(dest), keep, out);
}

#endif

}  // namespace morrow::raster
