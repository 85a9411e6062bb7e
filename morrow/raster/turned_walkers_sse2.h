// The vector form of TexelSpanWalk for 32-bit pixels: four pixels per step, the last zero to
// three through the scalar walker. It first finds, where it can, the run of pixels whose texels
// all lie inside the texture (InsideRun): the positions along a span are linear, so when they do
// not wrap the inside pixels form one run, computed by two divisions, and the pixels outside it
// are skipped without a test. Inside the run texels are gathered four at a time (from one texel
// row when v does not change along the span). Spans whose positions wrap take the general loop,
// which tests every pixel. Either way it visits and writes exactly the pixels the scalar walker
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

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "morrow/raster/simd.h"
#include "morrow/raster/turned_walkers.h"
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

// floor(a / b) and ceil(a / b), b non-zero.
constexpr int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}
constexpr int64_t CeilDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) == (b < 0)) ? q + 1 : q;
}

// Narrows [*first, *last) to the indices i with lo <= p0 + i * d <= hi, where pn is the position
// at the last index n - 1. The positions are monotonic, so the inside indices form one run; its
// ends are found by stepping when they lie within a few pixels of the span's ends (as they do
// where a span just reaches over an edge of the texture), else by dividing.
[[gnu::always_inline]] inline void NarrowToRange(int64_t p0, int64_t pn, int64_t d, int64_t n,
                                                 int64_t lo, int64_t hi, int64_t* first,
                                                 int64_t* last) {
  const auto inside = [&](int64_t p) { return p >= lo && p <= hi; };
  const bool firstIn = inside(p0), lastIn = inside(pn);
  if (firstIn && lastIn) return;
  if (d == 0 || (p0 < lo && pn < lo) || (p0 > hi && pn > hi)) {
    *last = *first;
    return;
  }
  constexpr int64_t kSteps = 8;
  int64_t a = -1, b = -1;  // the first and the one past the last inside index, when found
  if (firstIn) a = 0;
  if (lastIn) b = n;
  for (int64_t k = 1; k <= kSteps && k < n && (a < 0 || b < 0); ++k) {
    if (a < 0 && inside(p0 + k * d)) a = k;
    if (b < 0 && inside(pn - k * d)) b = n - k;
  }
  if (a < 0) a = d > 0 ? CeilDiv(lo - p0, d) : CeilDiv(hi - p0, d);
  if (b < 0) b = (d > 0 ? FloorDiv(hi - p0, d) : FloorDiv(lo - p0, d)) + 1;
  *first = std::max(*first, a);
  *last = std::min(*last, b);
}

// The pixels [first, last) of the span whose texels lie inside the texture, all others outside;
// false when the span's positions wrap around the 32-bit word (or the texture is too large for
// the reasoning), and the caller has to test every pixel.
//
// The positions are lifted to 64 bits as signed words, p_i = p_0 + i * d. When the first and the
// last stay inside the int32 range none wraps, and with the texture's extent L = size * 2^18 at
// most 2^31 a position is inside exactly when it lies in [0, L) (the unsigned map: a negative
// word is at least 2^31 unsigned) or in (-2^18, L) (trunc18).
// InsideRunSizes is the part that depends on the texture alone, for callers that test it once
// for many spans and then call InsideRunOfSized.
inline bool InsideRunSizes(const Texture& t) {
  return t.width <= 8192 && t.height <= 8192;
}

template <TexelMap M>
[[gnu::always_inline]] inline bool InsideRunOfSized(const TexelSpan& span, const Texture& t,
                                                    int32_t* first, int32_t* last) {
  constexpr int64_t kWordMin = INT32_MIN, kWordMax = INT32_MAX;
  const int64_t n = span.count;
  const int64_t lo = M == TexelMap::kTrunc18 ? -262143 : 0;
  int64_t a = 0, b = n;
  // One axis; false when its positions leave the 32-bit word.
  const auto axis = [&](uint32_t start, uint32_t step, uint32_t size) {
    const int64_t p0 = static_cast<int32_t>(start), d = static_cast<int32_t>(step);
    const int64_t pn = p0 + (n - 1) * d;
    if (pn < kWordMin || pn > kWordMax) return false;
    const int64_t hi = int64_t{size} * 262144 - 1;
    if (p0 < lo || p0 > hi || pn < lo || pn > hi) NarrowToRange(p0, pn, d, n, lo, hi, &a, &b);
    return true;
  };
  if (!axis(span.u, span.du, t.width) || !axis(span.v, span.dv, t.height)) return false;
  *first = static_cast<int32_t>(a);
  *last = static_cast<int32_t>(std::max(a, b));
  return true;
}

template <TexelMap M>
[[gnu::always_inline]] inline bool InsideRun(const TexelSpan& span, const Texture& t,
                                             int32_t* first, int32_t* last) {
  return InsideRunSizes(t) && InsideRunOfSized<M>(span, t, first, last);
}

// Four pixels of a run that lies wholly inside the texture, s gathered by the caller.
template <KeyGate K, AlphaGate A, class Rule>
inline void RunPixels4(uint8_t* dest, const uint8_t* read, Vec s, Vec a, Vec keys,
                       const Rule& rule) {
  const Vec d = _mm_loadu_si128(reinterpret_cast<const Vec*>(read));
  int skipped = 0;
  if constexpr (K == KeyGate::kCompare) {
    skipped = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(s, keys)));
  }
  Vec out;
  if constexpr (A == AlphaGate::kMap) {
    skipped |= _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(a, _mm_setzero_si128())));
    out = rule.Apply4Alpha(s, d, a);
  } else {
    (void)a;
    out = rule.Apply4(s, d);
  }
  if (skipped == 0) {
    _mm_storeu_si128(reinterpret_cast<Vec*>(dest), out);
  } else if (skipped != 0xF) {
    StoreUnskippedLanes(dest, out, skipped);
  }
}

// The run [0, span.count) of a span that lies wholly inside the texture.
template <TexelMap M, KeyGate K, AlphaGate A, class Rule>
void InsideRunSse2(const TexelSpan& span, const Texture& t, uint32_t key, const Rule& rule) {
  uint8_t* dest = span.dest;
  const uint8_t* read = span.read;
  uint32_t u = span.u, v = span.v;
  const Vec keys = Splat32(key);
  int32_t i = 0;
  auto texel = [&](const uint8_t* row, uint32_t position) {
    uint32_t word;
    std::memcpy(&word, row + int64_t{4} * TexelIndex<M>(position), 4);
    return static_cast<int>(word);
  };
  if (span.dv == 0) {
    // One texel row for the whole span.
    const uint32_t rowIndex = TexelIndex<M>(v);
    const uint8_t* row = t.src + int64_t{t.pitch} * rowIndex;
    const uint8_t* alphaRow =
        A == AlphaGate::kMap ? t.alpha + int64_t{t.alphaPitch} * rowIndex : nullptr;
    for (; i + 4 <= span.count; i += 4) {
      const uint32_t u1 = u + span.du, u2 = u1 + span.du, u3 = u2 + span.du;
      const Vec s = _mm_setr_epi32(texel(row, u), texel(row, u1), texel(row, u2), texel(row, u3));
      Vec a = _mm_setzero_si128();
      if constexpr (A == AlphaGate::kMap) {
        a = _mm_setr_epi32(alphaRow[TexelIndex<M>(u)], alphaRow[TexelIndex<M>(u1)],
                           alphaRow[TexelIndex<M>(u2)], alphaRow[TexelIndex<M>(u3)]);
      }
      RunPixels4<K, A>(dest, read, s, a, keys, rule);
      u = u3 + span.du;
      dest += 16;
      read += 16;
    }
  } else {
    for (; i + 4 <= span.count; i += 4) {
      uint32_t us[4], vs[4];
      const uint8_t* rows[4];
      for (int lane = 0; lane < 4; ++lane) {
        us[lane] = u;
        vs[lane] = TexelIndex<M>(v);
        rows[lane] = t.src + int64_t{t.pitch} * vs[lane];
        u += span.du;
        v += span.dv;
      }
      const Vec s = _mm_setr_epi32(texel(rows[0], us[0]), texel(rows[1], us[1]),
                                   texel(rows[2], us[2]), texel(rows[3], us[3]));
      Vec a = _mm_setzero_si128();
      if constexpr (A == AlphaGate::kMap) {
        int alpha[4];
        for (int lane = 0; lane < 4; ++lane) {
          alpha[lane] = t.alpha[int64_t{t.alphaPitch} * vs[lane] + TexelIndex<M>(us[lane])];
        }
        a = _mm_setr_epi32(alpha[0], alpha[1], alpha[2], alpha[3]);
      }
      RunPixels4<K, A>(dest, read, s, a, keys, rule);
      dest += 16;
      read += 16;
    }
  }
  // The last zero to three pixels, inside like the rest.
  for (; i < span.count; ++i) {
    const uint32_t column = TexelIndex<M>(u), row = TexelIndex<M>(v);
    const uint8_t* alpha = nullptr;
    if constexpr (A == AlphaGate::kMap) alpha = t.alpha + int64_t{t.alphaPitch} * row + column;
    RectPixel<F32, K, A>(dest, t.src + int64_t{t.pitch} * row + int64_t{4} * column, read, alpha,
                         key, rule);
    u += span.du;
    v += span.dv;
    dest += 4;
    read += 4;
  }
}

// The general loop: every pixel tested against the texture.
template <TexelMap M, KeyGate K, AlphaGate A, class Rule>
void TexelSpanWalkTested(const TexelSpan& span, const Texture& t, uint32_t key, const Rule& rule) {
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

template <TexelMap M, KeyGate K, AlphaGate A, class Rule>
void TexelSpanWalkSse2(const TexelSpan& span, const Texture& t, uint32_t key, const Rule& rule) {
  int32_t first = 0, last = 0;
  if (InsideRun<M>(span, t, &first, &last)) {
    if (first >= last) return;
    TexelSpan run = span;
    run.dest += int64_t{4} * first;
    run.read += int64_t{4} * first;
    run.count = last - first;
    run.u += static_cast<uint32_t>(first) * span.du;
    run.v += static_cast<uint32_t>(first) * span.dv;
    InsideRunSse2<M, K, A>(run, t, key, rule);
    return;
  }
  TexelSpanWalkTested<M, K, A>(span, t, key, rule);
}

#endif

}  // namespace morrow::raster
