// Per-pixel rules of the 16-bit piece draws, named after the formulas they compute. Each rule is
// templated on a 16-bit format (F565, F555, or FGeneric16 for the screen's own masks), made once
// per call from the call's Setup16, and applied by a walker (walkers.h, walkers16.h):
//   rule(s, d)              the pixel without an alpha map
//   rule.Opaque(s, d)       alpha byte 255 (rules that run under the alpha gate)
//   rule.Partial(s, d, a)   alpha byte 1 to 254
//   rule.Apply8(s, d)       eight pixels at once, equal to eight calls of rule(s, d) (SSE2)
// s_c and d_c are the channels (pixel AND mask_c) >> shift_c; "joined" puts each value back at
// its channel's shift and ORs the three. Results keep their low 16 bits, so bit 15 of a 5:5:5
// pixel is 0 wherever a rule computes channels and the guard add leaves no carry there.
//
// Scaling by a weight that holds for the whole call goes through tables, scaling by the alpha
// byte multiplies:
//   T_c[x]  the blend product table's row of bright byte b_c, read in place: (b_c * x) >> 8
//   P[x]    a copy of the row of p:                                          (p * x) >> 8
//   Q[x]    a copy of the row of q = 255 - p:                                (q * x) >> 8
// The copies hold whole 256-entry rows, so that every channel of at most 8 bits indexes inside
// them; a wider channel of an unusual layout takes the product the row would hold.
//
// Source terms of the add and subtract rules (what is added to or taken from d):
//   PlainTerm16        P[s_c]
//   TintTerm16         P[T_c[s_c]]
//   AlphaTerm16        opaque P[s_c]; partial (s_c * a') >> 8
//   TintAlphaTerm16    (T_c[s_c] * a') >> 8, an opaque byte with a' = (255 * p) >> 8
// where a' = (a * p) >> 8.
#pragma once

#include <cstdint>
#include <type_traits>

#include "morrow/raster/pixel_format.h"
#include "morrow/raster/simd.h"

namespace morrow::raster {

// What one call's 16-bit rules are made from.
struct Setup16 {
  uint32_t p = 0;
  uint32_t q = 255;                      // 255 - p
  uint32_t bright[3] = {255, 255, 255};  // bright bytes red, green, blue
  const uint32_t* tint[3] = {};          // their rows of the blend product table
  uint32_t pRow[256] = {};
  uint32_t qRow[256] = {};
  FGeneric16 format;  // the screen's layout

  uint32_t P(uint32_t x) const { return x < 256 ? pRow[x] : (x * p) >> 8; }
  uint32_t Q(uint32_t x) const { return x < 256 ? qRow[x] : (x * q) >> 8; }
  // The plain draws brighten only the fixed layouts, whose channels have at most 6 bits; the
  // stretched draws brighten a generic layout too, whose wider channels take the product the row
  // would hold.
  uint32_t T(int c, uint32_t x) const { return x < 256 ? tint[c][x] : (x * bright[c]) >> 8; }
};

// p clamped to 0..255; bright as the draw state holds it (byte 0 blue, 1 green, 2 red);
// products: the blend product table, entry [a][b] = (a * b) >> 8.
Setup16 MakeSetup16(uint32_t p, uint32_t bright, const uint32_t (*products)[256],
                    const FGeneric16& format);

// ---- channel access for the fixed and the generic formats ----

template <class F>
inline constexpr bool kIsGeneric16 = std::is_same_v<F, FGeneric16>;

// The masks, shifts and widths of F as a generic description.
template <class F>
inline FGeneric16 Describe(const Setup16& s) {
  if constexpr (kIsGeneric16<F>) {
    return s.format;
  } else {
    (void)s;
    return LayoutOf(F{});
  }
}

// The channels of F: the fixed layouts read their compile-time constants, the generic one the
// screen's description.
template <class F>
struct Channels16 {
  FGeneric16 desc;

  uint32_t Mask(int c) const {
    if constexpr (kIsGeneric16<F>) {
      return desc.mask[c];
    } else {
      return F::kMask[c];
    }
  }
  int Shift(int c) const {
    if constexpr (kIsGeneric16<F>) {
      return desc.shift[c];
    } else {
      return F::kShift[c];
    }
  }
  uint32_t Max(int c) const {
    if constexpr (kIsGeneric16<F>) {
      return desc.Max(c);
    } else {
      return F::Max(c);
    }
  }
};

template <class F>
inline Channels16<F> FormatOf(const Setup16& s) {
  return Channels16<F>{Describe<F>(s)};
}

template <class F>
inline uint32_t MaskOf(const Channels16<F>& f, int c) {
  return f.Mask(c);
}

template <class F>
inline uint32_t ChannelOf(const Channels16<F>& f, uint32_t pixel, int c) {
  return (pixel & f.Mask(c)) >> f.Shift(c);
}

// v shifted to channel c's place; a shift beyond the word drops the value.
template <class F>
inline uint32_t Place(const Channels16<F>& f, uint32_t v, int c) {
  const int shift = f.Shift(c);
  return shift < 32 ? v << shift : 0;
}

template <class F, class Fn>
inline uint32_t JoinChannels(const Channels16<F>& f, Fn&& channel) {
  return Place(f, channel(0), 0) | Place(f, channel(1), 1) | Place(f, channel(2), 2);
}

// ---- guard constants of the whole-pixel add and subtract ----

struct GuardConstants16 {
  uint32_t guard = 0;  // G: the bit just above each channel
  uint32_t keep = 0;   // E: the channel bits the add adds
  uint32_t low = 0;    // U: the lowest bit of each channel, ORed rather than added
  int maskShift = 0;   // turns a guard bit into the mask of the channel below it
};

inline uint32_t BitAt(int n) {
  return n >= 0 && n < 32 ? 1u << n : 0;
}

// The constants of a layout known at run time, with the saturation shift given.
inline GuardConstants16 GuardConstantsOfLayout(const FGeneric16& f, int maskShift) {
  GuardConstants16 k;
  for (int c = 0; c < 3; ++c) {
    k.guard |= BitAt(f.shift[c] + f.width[c]);
    k.low |= BitAt(f.shift[c]);
  }
  k.keep = (f.mask[0] | f.mask[1] | f.mask[2]) & ~k.guard;
  k.maskShift = maskShift;
  return k;
}

template <class F>
inline GuardConstants16 GuardConstantsOf(const Setup16& s) {
  if constexpr (kIsGeneric16<F>) {
    const FGeneric16& f = s.format;
    return GuardConstantsOfLayout(f, f.width[0] < 32 ? f.width[0] : 31);
  } else {
    (void)s;
    return GuardConstants16{F::kGuard, F::kKeep, F::kLow, F::kSaturationShift};
  }
}

// t = (d AND E) + (x AND E); c = t AND G; (c - (c >> shift)) OR ((d OR x) AND U) OR t.
inline uint32_t GuardAdd16(const GuardConstants16& k, uint32_t d, uint32_t x) {
  const uint32_t t = (d & k.keep) + (x & k.keep);
  const uint32_t c = t & k.guard;
  return (c - (c >> k.maskShift)) | ((d | x) & k.low) | t;
}

// y = (d OR G) - (x AND NOT G); g = y AND G; y AND (g - (g >> shift)).
inline uint32_t GuardSub16(const GuardConstants16& k, uint32_t d, uint32_t x) {
  const uint32_t y = (d | k.guard) - (x & ~k.guard);
  const uint32_t g = y & k.guard;
  return y & (g - (g >> k.maskShift));
}

// ---- eight pixels in 16-bit lanes (SSE2) ----

#if defined(MORROW_RASTER_SSE2)

// A channel's mask, shift count and maximum, ready for 16-bit lanes.
struct Lanes16 {
  Vec mask[3];
  Vec shift[3];  // counts for _mm_srl_epi16 / _mm_sll_epi16
  Vec max[3];

  static Lanes16 Of(const FGeneric16& f) {
    Lanes16 l;
    for (int c = 0; c < 3; ++c) {
      l.mask[c] = _mm_set1_epi16(static_cast<short>(f.mask[c] & 0xFFFF));
      l.shift[c] = _mm_cvtsi32_si128(f.shift[c]);
      l.max[c] = _mm_set1_epi16(static_cast<short>(f.Max(c) & 0xFFFF));
    }
    return l;
  }
  Vec Channel(Vec v, int c) const { return _mm_srl_epi16(_mm_and_si128(v, mask[c]), shift[c]); }
  Vec Place(Vec v, int c) const { return _mm_sll_epi16(v, shift[c]); }
};

inline Vec Splat16(uint32_t v) {
  return _mm_set1_epi16(static_cast<short>(v));
}

// (x * k) >> 8 per lane, for products below 65536.
inline Vec ScaleLanes(Vec x, Vec k) {
  return _mm_srli_epi16(_mm_mullo_epi16(x, k), 8);
}

// The low 16 bits of each 32-bit lane of lo (pixels 0-3) and hi (pixels 4-7), as eight lanes.
inline Vec NarrowTo16(Vec lo, Vec hi) {
  return _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(lo, 16), 16),
                         _mm_srai_epi32(_mm_slli_epi32(hi, 16), 16));
}

// The guard-bit add and subtract of eight pixels, in 32-bit lanes: the guard of red may lie at
// bit 16.
struct GuardLanes16 {
  Vec guard, keep, low, notGuard, maskShift;
  explicit GuardLanes16(const GuardConstants16& k)
      : guard(Splat32(k.guard)),
        keep(Splat32(k.keep)),
        low(Splat32(k.low)),
        notGuard(Splat32(~k.guard)),
        maskShift(_mm_cvtsi32_si128(k.maskShift)) {}

  Vec Add4(Vec d, Vec x) const {
    const Vec t = _mm_add_epi32(_mm_and_si128(d, keep), _mm_and_si128(x, keep));
    const Vec c = _mm_and_si128(t, guard);
    return _mm_or_si128(_mm_or_si128(_mm_sub_epi32(c, _mm_srl_epi32(c, maskShift)),
                                     _mm_and_si128(_mm_or_si128(d, x), low)),
                        t);
  }
  Vec Sub4(Vec d, Vec x) const {
    const Vec y = _mm_sub_epi32(_mm_or_si128(d, guard), _mm_and_si128(x, notGuard));
    const Vec g = _mm_and_si128(y, guard);
    return _mm_and_si128(y, _mm_sub_epi32(g, _mm_srl_epi32(g, maskShift)));
  }
  template <class Op>
  static Vec Apply8(Vec d, Vec x, Op op) {
    const Vec zero = _mm_setzero_si128();
    return NarrowTo16(op(_mm_unpacklo_epi16(d, zero), _mm_unpacklo_epi16(x, zero)),
                      op(_mm_unpackhi_epi16(d, zero), _mm_unpackhi_epi16(x, zero)));
  }
};

#endif

// The vector loops of a generic layout use 16-bit lanes: they serve layouts whose channels have
// at most 8 bits and lie inside the pixel, where no lane product can overflow. Other layouts run
// the reference loops.
inline bool FitsLanes16(const FGeneric16& f) {
  for (int c = 0; c < 3; ++c) {
    if (f.width[c] > 8 || f.shift[c] + f.width[c] > 16) return false;
  }
  return true;
}

// ---- source terms ----

template <class F>
struct PlainTerm16 {
  PlainTerm16(const Setup16& s) : setup(&s), format(FormatOf<F>(s)) {
#if defined(MORROW_RASTER_SSE2)
    lanes = Lanes16::Of(Describe<F>(s));
    p = Splat16(s.p);
#endif
  }
  uint32_t operator()(uint32_t s) const {
    return JoinChannels(format, [&](int c) { return setup->P(ChannelOf(format, s, c)); });
  }
  const Setup16* setup;
  Channels16<F> format;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply8(Vec s) const {
    Vec out = _mm_setzero_si128();
    for (int c = 0; c < 3; ++c) {
      out = _mm_or_si128(out, lanes.Place(ScaleLanes(lanes.Channel(s, c), p), c));
    }
    return out;
  }
  Lanes16 lanes;
  Vec p;
#endif
};

template <class F>
struct TintTerm16 {
  TintTerm16(const Setup16& s) : setup(&s), format(FormatOf<F>(s)) {
#if defined(MORROW_RASTER_SSE2)
    lanes = Lanes16::Of(Describe<F>(s));
    p = Splat16(s.p);
    for (int c = 0; c < 3; ++c) bright[c] = Splat16(s.bright[c]);
#endif
  }
  uint32_t operator()(uint32_t s) const {
    return JoinChannels(format,
                        [&](int c) { return setup->P(setup->T(c, ChannelOf(format, s, c))); });
  }
  const Setup16* setup;
  Channels16<F> format;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply8(Vec s) const {
    Vec out = _mm_setzero_si128();
    for (int c = 0; c < 3; ++c) {
      const Vec t = ScaleLanes(lanes.Channel(s, c), bright[c]);
      out = _mm_or_si128(out, lanes.Place(ScaleLanes(t, p), c));
    }
    return out;
  }
  Lanes16 lanes;
  Vec p;
  Vec bright[3];
#endif
};

template <class F>
struct AlphaTerm16 {
  AlphaTerm16(const Setup16& s) : setup(&s), format(FormatOf<F>(s)) {}
  uint32_t Opaque(uint32_t s) const {
    return JoinChannels(format, [&](int c) { return setup->P(ChannelOf(format, s, c)); });
  }
  uint32_t Partial(uint32_t s, uint32_t a) const {
    const uint32_t weight = (a * setup->p) >> 8;
    return JoinChannels(format, [&](int c) { return (ChannelOf(format, s, c) * weight) >> 8; });
  }
  const Setup16* setup;
  Channels16<F> format;
};

template <class F>
struct TintAlphaTerm16 {
  TintAlphaTerm16(const Setup16& s) : setup(&s), format(FormatOf<F>(s)) {}
  uint32_t Opaque(uint32_t s) const { return Partial(s, 255); }
  uint32_t Partial(uint32_t s, uint32_t a) const {
    const uint32_t weight = (a * setup->p) >> 8;
    return JoinChannels(
        format, [&](int c) { return (setup->T(c, ChannelOf(format, s, c)) * weight) >> 8; });
  }
  const Setup16* setup;
  Channels16<F> format;
};

// ---- rules ----

// s written whole, bit 15 included.
struct Copy16 {
  Copy16(const Setup16&) {}
  uint32_t operator()(uint32_t s, uint32_t) const { return s; }
};

// s XOR d over all 16 bits (the keyed XOR; the unkeyed one is XorRows16 in walkers16.h).
struct Xor16 {
  Xor16(const Setup16&) {}
  uint32_t operator()(uint32_t s, uint32_t d) const { return s ^ d; }
};

// T_c[s_c] joined.
template <class F>
struct Tint16 {
  Tint16(const Setup16& s) : setup(&s), format(FormatOf<F>(s)) {}
  uint32_t operator()(uint32_t s, uint32_t) const {
    return JoinChannels(format, [&](int c) { return setup->T(c, ChannelOf(format, s, c)); });
  }
  const Setup16* setup;
  Channels16<F> format;
};

// Under the alpha map with bright: opaque T joined; partial (256 * d_c + (T_c[s_c] - d_c) * a)
// >> 8 per channel, a total that is never negative.
template <class F>
struct Coverage16 {
  Coverage16(const Setup16& s) : tint(s) {}
  uint32_t Opaque(uint32_t s, uint32_t d) const { return tint(s, d); }
  uint32_t Partial(uint32_t s, uint32_t d, uint32_t a) const {
    const Channels16<F>& f = tint.format;
    return JoinChannels(f, [&](int c) {
      const int32_t dc = static_cast<int32_t>(ChannelOf(f, d, c));
      const int32_t tc = static_cast<int32_t>(tint.setup->T(c, ChannelOf(f, s, c)));
      return static_cast<uint32_t>((256 * dc + (tc - dc) * static_cast<int32_t>(a)) >> 8);
    });
  }
  Tint16<F> tint;
};

// Weights of an alpha byte for the in-place blend.
struct AlphaWeight16 {
  explicit AlphaWeight16(const Setup16&) {}
  uint32_t operator()(uint32_t a) const { return a; }
};
struct ParamAlphaWeight16 {
  explicit ParamAlphaWeight16(const Setup16& s) : p(s.p) {}
  uint32_t operator()(uint32_t a) const { return (a * p) >> 8; }
  uint32_t p;
};

// The in-place blend with weight w: per mask M, (d + floor(((s AND M) - (d AND M)) * w / 256))
// AND M on the whole pixel d, signed; the lower fields of d take part in the truncation of the
// fields above them.
template <class F>
inline uint32_t InPlaceBlend16(const Channels16<F>& f, uint32_t s, uint32_t d, uint32_t w) {
  uint32_t out = 0;
  for (int c = 0; c < 3; ++c) {
    const uint32_t m = MaskOf(f, c);
    const int64_t diff = static_cast<int64_t>(s & m) - static_cast<int64_t>(d & m);
    const int64_t step = (diff * static_cast<int64_t>(w)) >> 8;  // floor: arithmetic shift
    out |= (d + static_cast<uint32_t>(step)) & m;
  }
  return out;
}

// Under the alpha map without bright: opaque the rule OnOpaque, partial the in-place blend with
// the weight of the byte.
template <class F, class Weight, class OnOpaque>
struct InPlace16 {
  InPlace16(const Setup16& s) : format(FormatOf<F>(s)), weight(s), opaque(s) {}
  uint32_t Opaque(uint32_t s, uint32_t d) const { return opaque(s, d); }
  uint32_t Partial(uint32_t s, uint32_t d, uint32_t a) const {
    return InPlaceBlend16(format, s, d, weight(a));
  }
  Channels16<F> format;
  Weight weight;
  OnOpaque opaque;
};

// Under the alpha map with bright: (T_c[s_c] * a' + d_c * (255 - a')) >> 8 per channel; an
// opaque byte weighs (255 * p) >> 8 like any other.
template <class F>
struct Weighted16 {
  Weighted16(const Setup16& s) : tint(s), p(s.p) {}
  uint32_t Opaque(uint32_t s, uint32_t d) const { return Partial(s, d, 255); }
  uint32_t Partial(uint32_t s, uint32_t d, uint32_t a) const {
    const uint32_t w = (a * p) >> 8;
    const Channels16<F>& f = tint.format;
    return JoinChannels(f, [&](int c) {
      return (tint.setup->T(c, ChannelOf(f, s, c)) * w + ChannelOf(f, d, c) * (255 - w)) >> 8;
    });
  }
  Tint16<F> tint;
  uint32_t p;
};

// Term selectors of the table blend: the source channel itself or brightened.
struct PlainChannel {};
struct TintChannel {};

// P[x_c] + Q[d_c] joined, x_c = s_c or T_c[s_c]; no sum exceeds its field.
template <class F, class Src = PlainChannel>
struct TableBlend16 {
  TableBlend16(const Setup16& s) : setup(&s), format(FormatOf<F>(s)) {
#if defined(MORROW_RASTER_SSE2)
    lanes = Lanes16::Of(Describe<F>(s));
    p = Splat16(s.p);
    q = Splat16(s.q);
    for (int c = 0; c < 3; ++c) bright[c] = Splat16(s.bright[c]);
#endif
  }
  uint32_t operator()(uint32_t s, uint32_t d) const {
    return JoinChannels(format, [&](int c) {
      uint32_t x = ChannelOf(format, s, c);
      if constexpr (std::is_same_v<Src, TintChannel>) x = setup->T(c, x);
      return setup->P(x) + setup->Q(ChannelOf(format, d, c));
    });
  }
  const Setup16* setup;
  Channels16<F> format;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply8(Vec s, Vec d) const {
    Vec out = _mm_setzero_si128();
    for (int c = 0; c < 3; ++c) {
      Vec x = lanes.Channel(s, c);
      if constexpr (std::is_same_v<Src, TintChannel>) x = ScaleLanes(x, bright[c]);
      const Vec sum = _mm_add_epi16(ScaleLanes(x, p), ScaleLanes(lanes.Channel(d, c), q));
      out = _mm_or_si128(out, lanes.Place(sum, c));
    }
    return out;
  }
  Lanes16 lanes;
  Vec p, q;
  Vec bright[3];
#endif
};

// The wide-register blend: per channel (s_c * p + d_c * q) >> 8 with one rounding, joined.
template <class F>
struct MmxBlend16 {
  MmxBlend16(const Setup16& s) : format(FormatOf<F>(s)), p(s.p), q(s.q) {
#if defined(MORROW_RASTER_SSE2)
    lanes = Lanes16::Of(Describe<F>(s));
    pLanes = Splat16(p);
    qLanes = Splat16(q);
#endif
  }
  uint32_t operator()(uint32_t s, uint32_t d) const {
    return JoinChannels(format, [&](int c) {
      return (ChannelOf(format, s, c) * p + ChannelOf(format, d, c) * q) >> 8;
    });
  }
  Channels16<F> format;
  uint32_t p, q;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply8(Vec s, Vec d) const {
    Vec out = _mm_setzero_si128();
    for (int c = 0; c < 3; ++c) {
      const Vec sum = _mm_add_epi16(_mm_mullo_epi16(lanes.Channel(s, c), pLanes),
                                    _mm_mullo_epi16(lanes.Channel(d, c), qLanes));
      out = _mm_or_si128(out, lanes.Place(_mm_srli_epi16(sum, 8), c));
    }
    return out;
  }
  Lanes16 lanes;
  Vec pLanes, qLanes;
#endif
};

// The guard-bit add (or, with kSubtract, subtract) of the source term and d.
template <class F, class Term, bool kSubtract>
struct GuardRule16 {
  GuardRule16(const Setup16& s)
      : term(s),
        k(GuardConstantsOf<F>(s))
#if defined(MORROW_RASTER_SSE2)
        ,
        lanes(k)
#endif
  {
  }
  uint32_t operator()(uint32_t s, uint32_t d) const {
    return Apply(d, term(s));
  }
  uint32_t Opaque(uint32_t s, uint32_t d) const {
    return Apply(d, term.Opaque(s));
  }
  uint32_t Partial(uint32_t s, uint32_t d, uint32_t a) const {
    return Apply(d, term.Partial(s, a));
  }
  uint32_t Apply(uint32_t d, uint32_t x) const {
    if constexpr (kSubtract) {
      return GuardSub16(k, d, x);
    } else {
      return GuardAdd16(k, d, x);
    }
  }
  Term term;
  GuardConstants16 k;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply8(Vec s, Vec d) const requires requires(const Term& t, Vec v) {
    t.Apply8(v);
  }
  {
    return GuardLanes16::Apply8(d, term.Apply8(s), [&](Vec dd, Vec xx) {
      if constexpr (kSubtract) {
        return lanes.Sub4(dd, xx);
      } else {
        return lanes.Add4(dd, xx);
      }
    });
  }
  GuardLanes16 lanes;
#endif
};

template <class F, class Term>
using AddGuard16 = GuardRule16<F, Term, false>;
template <class F, class Term>
using SubGuard16 = GuardRule16<F, Term, true>;

// The wide-register add: per channel min(d_c + ((s_c * p) >> 8), max_c), joined; every other bit
// is 0.
template <class F>
struct MmxAdd16 {
  MmxAdd16(const Setup16& s) : format(FormatOf<F>(s)), p(s.p) {
#if defined(MORROW_RASTER_SSE2)
    lanes = Lanes16::Of(Describe<F>(s));
    pLanes = Splat16(p);
#endif
  }
  uint32_t operator()(uint32_t s, uint32_t d) const {
    return JoinChannels(format, [&](int c) {
      const uint32_t v = ChannelOf(format, d, c) + ((ChannelOf(format, s, c) * p) >> 8);
      const uint32_t max = format.Max(c);
      return v < max ? v : max;
    });
  }
  Channels16<F> format;
  uint32_t p;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply8(Vec s, Vec d) const {
    Vec out = _mm_setzero_si128();
    for (int c = 0; c < 3; ++c) {
      const Vec v = _mm_add_epi16(lanes.Channel(d, c), ScaleLanes(lanes.Channel(s, c), pLanes));
      out = _mm_or_si128(out, lanes.Place(_mm_min_epi16(v, lanes.max[c]), c));
    }
    return out;
  }
  Lanes16 lanes;
  Vec pLanes;
#endif
};

// floor(x / 31) for x up to 31 * 31 and floor(x / 63) for x up to 63 * 63, by a reciprocal.
constexpr uint32_t DivideBy31(uint32_t x) {
  return (x * 2115u) >> 16;
}
constexpr uint32_t DivideBy63(uint32_t x) {
  return (x * 4162u) >> 18;
}

// Multiply: (v_c * d_c) / max_c per channel, v_c = s_c or T_c[s_c], joined. The fixed layouts
// divide by a reciprocal; the generic one divides, and a channel of width 0 gives 0.
template <class F, class Src = PlainChannel>
struct Multiply16 {
  Multiply16(const Setup16& s) : setup(&s), format(FormatOf<F>(s)) {}
  uint32_t operator()(uint32_t s, uint32_t d) const {
    return JoinChannels(format, [&](int c) {
      uint32_t v = ChannelOf(format, s, c);
      if constexpr (std::is_same_v<Src, TintChannel>) v = setup->T(c, v);
      const uint32_t product = v * ChannelOf(format, d, c);
      if constexpr (kIsGeneric16<F>) {
        const uint32_t max = format.Max(c);
        return max == 0 ? 0 : static_cast<uint32_t>(uint64_t{product} / max);
      } else {
        return F::Max(c) == 63 ? DivideBy63(product) : DivideBy31(product);
      }
    });
  }
  const Setup16* setup;
  Channels16<F> format;
};

}  // namespace morrow::raster
