// The vector form of TexelSpanWalk for 16-bit pixels: eight pixels per step through a rule's
// Apply8 (or Apply8Alpha under the alpha gate), the last zero to seven through the scalar pixel.
// Like the 32-bit form (turned_walkers_sse2.h) it first narrows the span to the run of pixels
// whose texels lie inside the texture (InsideRun), so that the run needs no test; a span whose
// positions wrap around the 32-bit word is walked by the scalar walker instead. It writes exactly
// what the scalar walker writes:
//  - the positions of a group are stepped one pixel at a time, as the scalar walker steps them;
//  - texels and alpha bytes are read one by one (two bytes and one), only inside the texture, so
//    no read reaches past the source's rows, however narrow the texture;
//  - the eight present pixels of a group lie inside the span and are read before its results are
//    stored; keyed pixels and alpha bytes of 0 are never written.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "morrow/raster/simd.h"
#include "morrow/raster/turned_walkers.h"
#include "morrow/raster/turned_walkers_sse2.h"
#include "morrow/raster/walkers16.h"

namespace morrow::raster {

#if defined(MORROW_RASTER_SSE2)

template <class Rule>
concept HasApply8Alpha = requires(const Rule& rule, Vec v) {
  rule.Apply8Alpha(v, v, v);
};

// Eight pixels of a run inside the texture, their texels (and alpha bytes) in 16-bit lanes.
template <KeyGate K, AlphaGate A, class Rule>
inline void RunPixels8(uint8_t* dest, const uint8_t* read, Vec s, Vec a, Vec keys,
                       const Rule& rule) {
  const Vec d = _mm_loadu_si128(reinterpret_cast<const Vec*>(read));
  int skipped = 0;
  if constexpr (K == KeyGate::kCompare) skipped = _mm_movemask_epi8(_mm_cmpeq_epi16(s, keys));
  Vec out;
  if constexpr (A == AlphaGate::kMap) {
    skipped |= _mm_movemask_epi8(_mm_cmpeq_epi16(a, _mm_setzero_si128()));
    out = rule.Apply8Alpha(s, d, a);
  } else {
    (void)a;
    out = rule.Apply8(s, d);
  }
  if (skipped == 0) {
    _mm_storeu_si128(reinterpret_cast<Vec*>(dest), out);
  } else if (skipped != 0xFFFF) {
    StoreUnskippedLanes16(dest, out, skipped);
  }
}

// The texels (and alpha bytes) of the next eight pixels into 16-bit lanes, inserted one by one
// as they are read, stepping u and v as the scalar walker does.
template <TexelMap M, AlphaGate A, int... kLanes>
inline void Gather8(const Texture& t, uint32_t* u, uint32_t* v, uint32_t du, uint32_t dv, Vec* s,
                    Vec* a, std::integer_sequence<int, kLanes...>) {
  Vec texels = _mm_setzero_si128(), alphas = _mm_setzero_si128();
  auto lane = [&]<int kLane>(std::integral_constant<int, kLane>) {
    const uint32_t column = TexelIndex<M>(*u), row = TexelIndex<M>(*v);
    uint16_t texel;
    std::memcpy(&texel, t.src + int64_t{t.pitch} * row + int64_t{2} * column, 2);
    texels = _mm_insert_epi16(texels, texel, kLane);
    if constexpr (A == AlphaGate::kMap) {
      alphas = _mm_insert_epi16(alphas, t.alpha[int64_t{t.alphaPitch} * row + column], kLane);
    }
    *u += du;
    *v += dv;
  };
  (lane(std::integral_constant<int, kLanes>{}), ...);
  *s = texels;
  *a = alphas;
}

// The run [0, span.count) of a span that lies wholly inside the texture.
template <class F, TexelMap M, KeyGate K, AlphaGate A, class Rule>
void InsideRunSse2_16(const TexelSpan& span, const Texture& t, uint32_t key, const Rule& rule) {
  uint8_t* dest = span.dest;
  const uint8_t* read = span.read;
  uint32_t u = span.u, v = span.v;
  const Vec keys = _mm_set1_epi16(static_cast<short>(key & 0xFFFF));
  int32_t i = 0;
  for (; i + 8 <= span.count; i += 8) {
    Vec s, a;
    Gather8<M, A>(t, &u, &v, span.du, span.dv, &s, &a, std::make_integer_sequence<int, 8>{});
    RunPixels8<K, A>(dest, read, s, a, keys, rule);
    dest += 16;
    read += 16;
  }
  // The last zero to seven pixels, inside like the rest.
  const TexelSpan rest{dest, read, span.count - i, u, v, span.du, span.dv};
  TexelSpanWalk<F, M, K, A>(rest, t, key, rule);
}

template <class F, TexelMap M, KeyGate K, AlphaGate A, class Rule>
void TexelSpanWalkSse2_16(const TexelSpan& span, const Texture& t, uint32_t key, const Rule& rule) {
  int32_t first = 0, last = 0;
  if (!InsideRun<M>(span, t, &first, &last)) {
    TexelSpanWalk<F, M, K, A>(span, t, key, rule);
    return;
  }
  if (first >= last) return;
  TexelSpan run = span;
  run.dest += int64_t{2} * first;
  run.read += int64_t{2} * first;
  run.count = last - first;
  run.u += static_cast<uint32_t>(first) * span.du;
  run.v += static_cast<uint32_t>(first) * span.dv;
  InsideRunSse2_16<F, M, K, A>(run, t, key, rule);
}

#endif

}  // namespace morrow::raster
