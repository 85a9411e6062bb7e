// The walkers that only 16-bit pixels have:
//   XorRows16        the unkeyed XOR: each row as a head of one pixel when the first row's
//                    destination is not 4-byte aligned, then pairs of pixels as 32-bit words,
//                    then one tail pixel when what follows the head is odd. The cut is taken once,
//                    from the first row, and used for every row. Words are moved with memcpy:
//                    the pair addresses of later rows need not be aligned.
//   RectWalkSse2_16  eight pixels per step through a rule's Apply8, the row's last zero to seven
//                    pixels through the scalar pixel of walkers.h. Like the 32-bit vector walker
//                    it writes exactly the pixels the scalar walker writes: a group with keyed
//                    pixels stores only the others, one by one.
#pragma once

#include <cstdint>
#include <cstring>

#include "morrow/raster/simd.h"
#include "morrow/raster/walkers.h"

namespace morrow::raster {

inline void XorRows16(const RectSurfaces& r) {
  if (r.width <= 0 || r.height <= 0) return;
  const int head = (reinterpret_cast<uintptr_t>(r.dest) & 3) != 0 ? 1 : 0;
  const int pairs = (r.width - head) / 2;
  const bool tail = ((r.width - head) & 1) != 0;
  uint8_t* dest = r.dest;
  const uint8_t* src = r.src;
  const uint8_t* read = r.read;
  auto pixel = [&] {
    StorePixel<uint16_t>(dest, LoadPixel<uint16_t>(src) ^ LoadPixel<uint16_t>(read));
    dest += 2;
    src += 2;
    read += 2;
  };
  for (int y = 0; y < r.height; ++y) {
    if (head != 0) pixel();
    for (int i = 0; i < pairs; ++i) {
      StorePixel<uint32_t>(dest, LoadPixel<uint32_t>(src) ^ LoadPixel<uint32_t>(read));
      dest += 4;
      src += 4;
      read += 4;
    }
    if (tail) pixel();
    dest += r.destSkip;
    src += r.srcSkip;
    read += r.readSkip;
  }
}

#if defined(MORROW_RASTER_SSE2)

template <class Rule>
concept HasApply8Rect = requires(const Rule& rule, Vec v) {
  rule.Apply8(v, v);
};

// Stores the 16-bit lanes of out whose pair of bits in skipped (a byte mask) is clear.
inline void StoreUnskippedLanes16(uint8_t* dest, Vec out, int skipped) {
  alignas(16) uint16_t lanes[8];
  _mm_store_si128(reinterpret_cast<Vec*>(lanes), out);
  for (int i = 0; i < 8; ++i) {
    if ((skipped & (1 << (2 * i))) == 0) std::memcpy(dest + 2 * i, &lanes[i], 2);
  }
}

template <class F, KeyGate K, class Rule>
void RectWalkSse2_16(const RectSurfaces& r, uint32_t key, const Rule& rule) {
  const Vec keys = _mm_set1_epi16(static_cast<short>(key & 0xFFFF));
  uint8_t* dest = r.dest;
  const uint8_t* src = r.src;
  const uint8_t* read = r.read;
  const uint16_t keyValue = static_cast<uint16_t>(key);
  for (int y = 0; y < r.height; ++y) {
    int x = 0;
    for (; x + 8 <= r.width; x += 8) {
      const Vec s = _mm_loadu_si128(reinterpret_cast<const Vec*>(src));
      const Vec d = _mm_loadu_si128(reinterpret_cast<const Vec*>(read));
      const Vec out = rule.Apply8(s, d);
      int skipped = 0;
      if constexpr (K == KeyGate::kCompare) {
        skipped = _mm_movemask_epi8(_mm_cmpeq_epi16(s, keys));
      }
      if (skipped == 0) {
        _mm_storeu_si128(reinterpret_cast<Vec*>(dest), out);
      } else if (skipped != 0xFFFF) {
        StoreUnskippedLanes16(dest, out, skipped);
      }
      dest += 16;
      src += 16;
      read += 16;
    }
    for (; x < r.width; ++x) {
      RectPixel<F, K, AlphaGate::kNone>(dest, src, read, nullptr, keyValue, rule);
      dest += 2;
      src += 2;
      read += 2;
    }
    dest += r.destSkip;
    src += r.srcSkip;
    read += r.readSkip;
  }
}

#endif

}  // namespace morrow::raster
