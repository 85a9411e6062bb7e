// Per-pixel rules of the 16-bit turned draws: the rotated draw and the textured triangle spans at
// 5:6:5, 5:5:5 and any other layout. They follow piece_rules16.h (made once per draw from its
// Setup16; rule(s, d), and Opaque / Partial under the alpha gate) and reuse its table blend, its
// guard-bit add and subtract and its multiply (on a generic layout, whose channels may be wider
// than the bright rows, their own). s'_c is the source channel, brightened through T_c when the
// loop has bright. What the turned draws do otherwise than the plain draw:
//   - every blend by an alpha byte is exact per channel, (s'_c * w + d_c * (256 - w)) >> 8, with
//     w = a in mode 0 and w = (a * p) >> 8 in mode 1, bright or not (TurnedCoverage16);
//   - mode 1 at an alpha byte of 255 takes the table blend, bright or not;
//   - add and subtract scale the source by p and then by the alpha byte, each product truncated
//     by itself: P[s'_c], and (P[s'_c] * a) >> 8 for a byte of 1 to 254 (ParamAlphaTerm16);
//   - the generic layout takes bright wherever its loop is chosen with it.
// Vector forms work on eight pixels in 16-bit lanes: Apply8(s, d), and under the alpha gate
// Apply8Alpha(s, d, a) with the alpha bytes in the lanes. They serve 5:6:5 and 5:5:5, whose
// channels keep every lane product below 65536.
#pragma once

#include <cstdint>
#include <type_traits>

#include "morrow/raster/piece_rules16.h"
#include "morrow/raster/simd.h"
#include "morrow/raster/turned_rules32.h"

namespace morrow::raster {

// s'_c of a pixel: channel c of s, through T_c with TintChannel. A channel wider than 8 bits (a
// generic layout's) takes the product its bright row would hold past its 256 entries.
template <class F, class Src>
struct SourceChannels16 {
  explicit SourceChannels16(const Setup16& s) : setup(&s), format(FormatOf<F>(s)) {
#if defined(MORROW_RASTER_SSE2)
    lanes = Lanes16::Of(Describe<F>(s));
    for (int c = 0; c < 3; ++c) bright[c] = Splat16(s.bright[c]);
#endif
  }
  uint32_t operator()(uint32_t s, int c) const {
    const uint32_t x = ChannelOf(format, s, c);
    if constexpr (std::is_same_v<Src, TintChannel>) {
      return x < 256 ? setup->tint[c][x] : (x * setup->bright[c]) >> 8;
    } else {
      return x;
    }
  }
  uint32_t Channel(uint32_t pixel, int c) const {
    return ChannelOf(format, pixel, c);
  }
  const Setup16* setup;
  Channels16<F> format;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply8(Vec s, int c) const {
    const Vec x = lanes.Channel(s, c);
    if constexpr (std::is_same_v<Src, TintChannel>) {
      return ScaleLanes(x, bright[c]);
    } else {
      return x;
    }
  }
  Lanes16 lanes;
  Vec bright[3];
#endif
};

// s written whole, bit 15 and any fill bits included.
struct TexelCopy16 : Copy16 {
  using Copy16::Copy16;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply8(Vec s, Vec) const {
    return s;
  }
#endif
};

// T_c[s_c] joined: the tinted copy.
template <class F>
struct TintCopy16 {
  explicit TintCopy16(const Setup16& s) : src(s) {}
  uint32_t operator()(uint32_t s, uint32_t) const {
    return JoinChannels(src.format, [&](int c) { return src(s, c); });
  }
  SourceChannels16<F, TintChannel> src;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply8(Vec s, Vec) const {
    Vec out = _mm_setzero_si128();
    for (int c = 0; c < 3; ++c) out = _mm_or_si128(out, src.lanes.Place(src.Apply8(s, c), c));
    return out;
  }
#endif
};

// The table blend P[s'_c] + Q[d_c] and the multiply (s'_c * d_c) / max_c of a generic layout,
// whose channels may be wider than the bright rows; the fixed layouts take piece_rules16.h's.
template <class F, class Src>
struct SourceTableBlend16 {
  explicit SourceTableBlend16(const Setup16& s) : src(s) {}
  uint32_t operator()(uint32_t s, uint32_t d) const {
    return JoinChannels(src.format, [&](int c) {
      return src.setup->P(src(s, c)) + src.setup->Q(src.Channel(d, c));
    });
  }
  SourceChannels16<F, Src> src;
};

template <class F, class Src>
struct SourceMultiply16 {
  explicit SourceMultiply16(const Setup16& s) : src(s) {}
  uint32_t operator()(uint32_t s, uint32_t d) const {
    return JoinChannels(src.format, [&](int c) {
      const uint32_t max = src.format.Max(c);
      const uint64_t product = uint64_t{src(s, c)} * src.Channel(d, c);
      return max == 0 ? 0 : static_cast<uint32_t>(product / max);
    });
  }
  SourceChannels16<F, Src> src;
};

template <class F, class Src>
using TurnedTableBlend16 =
    std::conditional_t<kIsGeneric16<F>, SourceTableBlend16<F, Src>, TableBlend16<F, Src>>;
template <class F, class Src>
using TurnedMultiply16 =
    std::conditional_t<kIsGeneric16<F>, SourceMultiply16<F, Src>, Multiply16<F, Src>>;

// Weights of an alpha byte for the exact coverage, on a total of 256: a, or (a * p) >> 8.
struct ByteWeight16 : AlphaWeight16 {
  using AlphaWeight16::AlphaWeight16;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply8(Vec a) const {
    return a;
  }
#endif
};

struct ParamWeight16 : ParamAlphaWeight16 {
  explicit ParamWeight16(const Setup16& s) : ParamAlphaWeight16(s) {
#if defined(MORROW_RASTER_SSE2)
    pLanes = Splat16(s.p);
#endif
  }
#if defined(MORROW_RASTER_SSE2)
  // a and p are bytes: the product fits a lane.
  Vec Apply8(Vec a) const {
    return ScaleLanes(a, pLanes);
  }
  Vec pLanes;
#endif
};

// Under the alpha map: a byte of 255 takes OnOpaque; 1 to 254 the exact coverage
// (s'_c * w + d_c * (256 - w)) >> 8 with w = Weight(a), which never darkens equal colours and
// gives d back where w is 0.
template <class F, class Src, class Weight, class OnOpaque>
struct TurnedCoverage16 {
  explicit TurnedCoverage16(const Setup16& s) : src(s), weight(s), opaque(s) {}
  uint32_t Opaque(uint32_t s, uint32_t d) const { return opaque(s, d); }
  uint32_t Partial(uint32_t s, uint32_t d, uint32_t a) const {
    const uint32_t w = weight(a);
    return JoinChannels(
        src.format, [&](int c) { return (src(s, c) * w + src.Channel(d, c) * (256 - w)) >> 8; });
  }
  SourceChannels16<F, Src> src;
  Weight weight;
  OnOpaque opaque;
#if defined(MORROW_RASTER_SSE2)
  // Lanes whose byte is 0 are left alone by the walker whatever this returns.
  Vec Apply8Alpha(Vec s, Vec d, Vec a) const {
    const Vec w = weight.Apply8(a);
    const Vec rest = _mm_sub_epi16(_mm_set1_epi16(256), w);
    Vec partial = _mm_setzero_si128();
    for (int c = 0; c < 3; ++c) {
      const Vec sum = _mm_add_epi16(_mm_mullo_epi16(src.Apply8(s, c), w),
                                    _mm_mullo_epi16(src.lanes.Channel(d, c), rest));
      partial = _mm_or_si128(partial, src.lanes.Place(_mm_srli_epi16(sum, 8), c));
    }
    return Select(_mm_cmpeq_epi16(a, _mm_set1_epi16(255)), opaque.Apply8(s, d), partial);
  }
#endif
};

// The source term of add and subtract: P[s'_c] joined, and under the alpha map that scaled once
// more by a byte of 1 to 254, ((P[s'_c] * a) >> 8) joined.
template <class F, class Src>
struct ParamAlphaTerm16 {
  explicit ParamAlphaTerm16(const Setup16& s) : src(s) {
#if defined(MORROW_RASTER_SSE2)
    p = Splat16(s.p);
#endif
  }
  uint32_t operator()(uint32_t s) const {
    return Opaque(s);
  }
  uint32_t Opaque(uint32_t s) const {
    return JoinChannels(src.format, [&](int c) { return src.setup->P(src(s, c)); });
  }
  uint32_t Partial(uint32_t s, uint32_t a) const {
    return JoinChannels(src.format, [&](int c) { return (src.setup->P(src(s, c)) * a) >> 8; });
  }
  SourceChannels16<F, Src> src;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply8(Vec s) const {
    Vec out = _mm_setzero_si128();
    for (int c = 0; c < 3; ++c) {
      out = _mm_or_si128(out, src.lanes.Place(ScaleLanes(src.Apply8(s, c), p), c));
    }
    return out;
  }
  Vec Apply8Alpha(Vec s, Vec a) const {
    Vec partial = _mm_setzero_si128();
    for (int c = 0; c < 3; ++c) {
      const Vec scaled = ScaleLanes(ScaleLanes(src.Apply8(s, c), p), a);
      partial = _mm_or_si128(partial, src.lanes.Place(scaled, c));
    }
    return Select(_mm_cmpeq_epi16(a, _mm_set1_epi16(255)), Apply8(s), partial);
  }
  Vec p;
#endif
};

// The guard-bit add (with kSubtract, subtract) of a term that also scales under the alpha map.
template <class F, class Term, bool kSubtract>
struct TermGuard16 : GuardRule16<F, Term, kSubtract> {
  using GuardRule16<F, Term, kSubtract>::GuardRule16;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply8Alpha(Vec s, Vec d, Vec a) const {
    return GuardLanes16::Apply8(d, this->term.Apply8Alpha(s, a), [&](Vec dd, Vec xx) {
      if constexpr (kSubtract) {
        return this->lanes.Sub4(dd, xx);
      } else {
        return this->lanes.Add4(dd, xx);
      }
    });
  }
#endif
};

template <class F, class Src>
using TurnedAdd16 = TermGuard16<F, ParamAlphaTerm16<F, Src>, false>;
template <class F, class Src>
using TurnedSub16 = TermGuard16<F, ParamAlphaTerm16<F, Src>, true>;

// Mode 0 under the alpha map: 255 copies (tints, with bright), else the coverage by a.
template <class F>
using TurnedCover16 = TurnedCoverage16<F, PlainChannel, ByteWeight16, TexelCopy16>;
template <class F>
using TurnedCoverTint16 = TurnedCoverage16<F, TintChannel, ByteWeight16, TintCopy16<F>>;
// Mode 1 under the alpha map: 255 takes the table blend, else the coverage by (a * p) >> 8.
template <class F, class Src>
using TurnedAlphaBlend16 = TurnedCoverage16<F, Src, ParamWeight16, TurnedTableBlend16<F, Src>>;

}  // namespace morrow::raster
