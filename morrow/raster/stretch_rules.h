// Per-pixel rules of the stretched draws, at 32 and 16 bits. The stretched walk (walkers.h)
// prepares each source pixel once and then combines that value with every destination pixel that
// shows it, so a rule here comes in two halves, joined by Staged:
//   Term      the work of a source pixel: s itself, brightened (T), or brightened and scaled by
//             the parameter (P(T), P(s)); made once per source pixel
//   Combine   the work of a destination pixel on the prepared value u as its source word: one of
//             the plain and turned draws' rules where the formula is theirs (ExactCoverage,
//             ComplementBlend, TableBlend16, Multiply16, MultiplyMax32, GuardRule16), the store of
//             u, or one of the few below that take a term already scaled by the parameter
// The formulas are those of the plain and turned draws' rules (piece_rules32.h, piece_rules16.h,
// turned_rules32.h); what the stretched draws do differently:
//   - 32 bits: the alpha blend weighs d with 255 - p; every alpha-weighted blend is exact per
//     channel against 256; add and subtract scale by p and then by the alpha byte (as the rotated
//     draw does); multiply divides by the screen format's channel maxima;
//   - 16 bits: a partial alpha byte always takes the coverage blend (256 d_c + (u_c - d_c) w) >> 8,
//     with w = a in mode 0 and (a p) >> 8 in mode 1, on the raw or the brightened channel; add and
//     subtract scale the term by P and then, for a partial byte, by the byte; a generic layout
//     takes bright and the alpha map too when the surface has one.
// Vector forms: Source4 / Source8 prepare four 32-bit or eight 16-bit source pixels, Apply4 /
// Apply8 / Apply4Alpha combine them with four or eight destination pixels, and SourceWide /
// ApplyWide do the same for eight 32-bit pixels (AVX2), each equal to the scalar forms lane by
// lane.
#pragma once

#include <cstdint>

#include "morrow/raster/piece_rules16.h"
#include "morrow/raster/piece_rules32.h"
#include "morrow/raster/simd.h"
#include "morrow/raster/turned_rules32.h"
#include "morrow/raster/turned_walkers_sse2.h"
#include "morrow/raster/walkers16.h"
#include "morrow/raster/walkers_avx2.h"
#include "morrow/raster/walkers_sse2.h"

namespace morrow::raster {

#if defined(MORROW_RASTER_SSE2)
template <class T>
concept HasApply4Term = requires(const T& t, Vec v) {
  t.Apply4(v);
};
template <class T>
concept HasApply8Term = requires(const T& t, Vec v) {
  t.Apply8(v);
};
#endif
#if defined(MORROW_RASTER_AVX2)
template <class T>
concept HasWideTerm = requires(const T& t, Wide v) {
  t.ApplyWide(v);
};
#endif

// A stretched rule: Term once per source pixel, Combine per destination pixel. Blend is what the
// depth's rules are made from (TurnedBlend at 32 and 8 bits, Setup16 at 16).
template <class Term, class Combine>
struct Staged {
  template <class Blend>
  explicit Staged(const Blend& b) : term(b), combine(b) {}
  uint32_t Source(uint32_t s) const { return term(s); }
  uint32_t operator()(uint32_t u, uint32_t d) const { return combine(u, d); }
  uint32_t Opaque(uint32_t u, uint32_t d) const { return combine.Opaque(u, d); }
  uint32_t Partial(uint32_t u, uint32_t d, uint32_t a) const { return combine.Partial(u, d, a); }
  Term term;
  Combine combine;
#if defined(MORROW_RASTER_SSE2)
  Vec Source4(Vec s) const requires HasApply4Term<Term> {
    return term.Apply4(s);
  }
  Vec Apply4(Vec u, Vec d) const requires HasApply4Rect<Combine> {
    return combine.Apply4(u, d);
  }
  Vec Apply4Alpha(Vec u, Vec d, Vec a) const requires HasApply4Alpha<Combine> {
    return combine.Apply4Alpha(u, d, a);
  }
  Vec Source8(Vec s) const requires HasApply8Term<Term> {
    return term.Apply8(s);
  }
  Vec Apply8(Vec u, Vec d) const requires HasApply8Rect<Combine> {
    return combine.Apply8(u, d);
  }
#endif
#if defined(MORROW_RASTER_AVX2)
  MORROW_AVX2_INLINE Wide SourceWide(Wide s) const requires HasWideTerm<Term> {
    return term.ApplyWide(s);
  }
  MORROW_AVX2_INLINE Wide ApplyWide(Wide u, Wide d) const requires HasWideRect<Combine> {
    return combine.ApplyWide(u, d);
  }
#endif
};

// ---- terms and combines of any depth ----

// u = s.
struct SameSource {
  template <class Blend>
  explicit SameSource(const Blend&) {}
  uint32_t operator()(uint32_t s) const { return s; }
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec s) const {
    return s;
  }
  Vec Apply8(Vec s) const {
    return s;
  }
#endif
#if defined(MORROW_RASTER_AVX2)
  MORROW_AVX2_INLINE Wide ApplyWide(Wide s) const {
    return s;
  }
#endif
};

// The prepared value written whole.
struct StoreSource {
  template <class Blend>
  explicit StoreSource(const Blend&) {}
  uint32_t operator()(uint32_t u, uint32_t) const { return u; }
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec u, Vec) const {
    return u;
  }
  Vec Apply8(Vec u, Vec) const {
    return u;
  }
#endif
#if defined(MORROW_RASTER_AVX2)
  MORROW_AVX2_INLINE Wide ApplyWide(Wide u, Wide) const {
    return u;
  }
#endif
};

// ---- 32 bits ----

#if defined(MORROW_RASTER_SSE2)
// (x_b * k) >> 8 for every byte of four pixels, k (0 to 255) in the 32-bit lane of each pixel.
inline Vec ScaleBytesByLane(Vec x, Vec k) {
  const Vec zero = _mm_setzero_si128();
  const Vec pairs = _mm_or_si128(k, _mm_slli_epi32(k, 16));
  const Vec lo = _mm_srli_epi16(
      _mm_mullo_epi16(_mm_unpacklo_epi8(x, zero), _mm_unpacklo_epi32(pairs, pairs)), 8);
  const Vec hi = _mm_srli_epi16(
      _mm_mullo_epi16(_mm_unpackhi_epi8(x, zero), _mm_unpackhi_epi32(pairs, pairs)), 8);
  return _mm_packus_epi16(lo, hi);
}
#endif

// t = P(Src(s)): each channel of the source term times p, shifted down by 8, assembled.
template <class Src>
struct ParamTerm32 {
  explicit ParamTerm32(const BlendParams& b) : src(b), p(b.p) {
#if defined(MORROW_RASTER_SSE2)
    pFactors = ByteFactors(p, p, p, 0);
#endif
  }
  uint32_t operator()(uint32_t s) const {
    return ScaleChannels(src(s), p);
  }
  Src src;
  uint32_t p;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec s) const {
    return ScaleBytes(src.Apply4(s), pFactors);
  }
  Vec pFactors;
#endif
#if defined(MORROW_RASTER_AVX2)
  MORROW_AVX2_INLINE Wide ApplyWide(Wide s) const {
    return WideScaleBytes(src.ApplyWide(s), WideByteFactors(p, p, p, 0));
  }
#endif
};

// The alpha blend's second half: channel c = t_c + ((255 - p) * d_c) >> 8, t already P(x).
struct PlusComplement32 {
  explicit PlusComplement32(const BlendParams& b) : q(255 - b.p) {
#if defined(MORROW_RASTER_SSE2)
    qFactors = ByteFactors(q, q, q, 0);
#endif
  }
  uint32_t operator()(uint32_t t, uint32_t d) const {
    return t + ScaleChannels(d, q);
  }
  uint32_t q;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec t, Vec d) const {
    return _mm_add_epi8(t, ScaleBytes(d, qFactors));
  }
  Vec qFactors;
#endif
#if defined(MORROW_RASTER_AVX2)
  MORROW_AVX2_INLINE Wide ApplyWide(Wide t, Wide d) const {
    return _mm256_add_epi8(t, WideScaleBytes(d, WideByteFactors(q, q, q, 0)));
  }
#endif
};

// Add32 (with kSubtract Sub32) of a term t already scaled by p; an alpha byte of 1 to 254 scales
// it once more, (t_c * a) >> 8, and 255 adds it as it is.
template <bool kSubtract>
struct GuardTerm32 {
  explicit GuardTerm32(const BlendParams&) {}
  uint32_t operator()(uint32_t t, uint32_t d) const { return GuardStep32<kSubtract>(d, t); }
  uint32_t Opaque(uint32_t t, uint32_t d) const { return (*this)(t, d); }
  uint32_t Partial(uint32_t t, uint32_t d, uint32_t a) const {
    return GuardStep32<kSubtract>(d, ScaleChannels(t, a));
  }
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec t, Vec d) const {
    return GuardStep32x4<kSubtract>(d, t);
  }
  // Lanes whose byte is 0 are left alone by the walker whatever this returns.
  Vec Apply4Alpha(Vec t, Vec d, Vec a) const {
    const Vec opaque = _mm_cmpeq_epi32(a, Splat32(255));
    return Apply4(Select(opaque, t, ScaleBytesByLane(t, a)), d);
  }
#endif
#if defined(MORROW_RASTER_AVX2)
  MORROW_AVX2_INLINE Wide ApplyWide(Wide t, Wide d) const {
    if constexpr (kSubtract) {
      return WideGuardSub32(d, t);
    } else {
      return WideGuardAdd32(d, t);
    }
  }
#endif
};

// ---- 16 bits ----

// u = T_c[s_c] joined (the bright store's value).
template <class F>
struct TintTerm16Pack {
  explicit TintTerm16Pack(const Setup16& s) : tint(s) {
#if defined(MORROW_RASTER_SSE2)
    lanes = Lanes16::Of(Describe<F>(s));
    for (int c = 0; c < 3; ++c) bright[c] = Splat16(s.bright[c]);
#endif
  }
  uint32_t operator()(uint32_t s) const {
    return tint(s, 0);
  }
  Tint16<F> tint;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply8(Vec s) const {
    Vec out = _mm_setzero_si128();
    for (int c = 0; c < 3; ++c) {
      out = _mm_or_si128(out, lanes.Place(ScaleLanes(lanes.Channel(s, c), bright[c]), c));
    }
    return out;
  }
  Lanes16 lanes;
  Vec bright[3];
#endif
};

// Under the alpha map: an opaque byte takes OnOpaque on u; a partial one the coverage blend
// (256 * d_c + (u_c - d_c) * w) >> 8 per channel, w = Weight(a), a total never negative.
template <class F, class Weight, class OnOpaque>
struct Coverage16Of {
  explicit Coverage16Of(const Setup16& s) : format(FormatOf<F>(s)), weight(s), opaque(s) {}
  uint32_t Opaque(uint32_t u, uint32_t d) const { return opaque(u, d); }
  uint32_t Partial(uint32_t u, uint32_t d, uint32_t a) const {
    const int32_t w = static_cast<int32_t>(weight(a));
    return JoinChannels(format, [&](int c) {
      const int32_t dc = static_cast<int32_t>(ChannelOf(format, d, c));
      const int32_t uc = static_cast<int32_t>(ChannelOf(format, u, c));
      return static_cast<uint32_t>((256 * dc + (uc - dc) * w) >> 8);
    });
  }
  Channels16<F> format;
  Weight weight;
  OnOpaque opaque;
};

// The table blend's second half: t_c + Q[d_c] joined, t already P[x_c] joined.
template <class F>
struct PlusComplement16 {
  explicit PlusComplement16(const Setup16& s) : setup(&s), format(FormatOf<F>(s)) {
#if defined(MORROW_RASTER_SSE2)
    lanes = Lanes16::Of(Describe<F>(s));
    q = Splat16(s.q);
#endif
  }
  uint32_t operator()(uint32_t t, uint32_t d) const {
    return JoinChannels(
        format, [&](int c) { return ChannelOf(format, t, c) + setup->Q(ChannelOf(format, d, c)); });
  }
  const Setup16* setup;
  Channels16<F> format;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply8(Vec t, Vec d) const {
    Vec out = _mm_setzero_si128();
    for (int c = 0; c < 3; ++c) {
      const Vec sum = _mm_add_epi16(lanes.Channel(t, c), ScaleLanes(lanes.Channel(d, c), q));
      out = _mm_or_si128(out, lanes.Place(sum, c));
    }
    return out;
  }
  Lanes16 lanes;
  Vec q;
#endif
};

// A term already scaled by P, as GuardRule16 reads its terms: whole for no alpha map and for an
// opaque byte, (t_c * a) >> 8 joined for a partial one.
template <class F>
struct ScaledTerm16 {
  explicit ScaledTerm16(const Setup16& s) : format(FormatOf<F>(s)) {}
  uint32_t operator()(uint32_t t) const { return t; }
  uint32_t Opaque(uint32_t t) const { return t; }
  uint32_t Partial(uint32_t t, uint32_t a) const {
    return JoinChannels(format, [&](int c) { return (ChannelOf(format, t, c) * a) >> 8; });
  }
  Channels16<F> format;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply8(Vec t) const {
    return t;
  }
#endif
};

template <class F, bool kSubtract>
using GuardTerm16 = GuardRule16<F, ScaledTerm16<F>, kSubtract>;

}  // namespace morrow::raster
