// Per-pixel rules that blend one solid colour P into the destination, for every screen format:
// what filled boxes, lines, circles and untextured triangles do to a pixel. Each is made once per
// call from SolidParams and the format, and applied by a walker (walkers.h) as rule(d); the F32
// forms also offer Apply4(d) for four pixels and the 16-bit ones Apply8(d) for eight (SSE2),
// and the F32 table and guard rules ApplyWide(d) for eight (AVX2), equal to as many calls of
// rule(d).
//
// c_c are the channels of P and d_c those of the present pixel, each in its channel's own width;
// s_c = (p * c_c) >> 8 is the colour scaled by the blend parameter, computed once per call.
//   SolidFill       P unchanged (plain writes, 8-bit screens)
//   SolidTable      out_c = s_c + (((255 - p) * d_c) >> 8)                         fixed layouts
//   SolidAddGuard   the guard-bit add of S = joined s_c                            fixed layouts
//   SolidSubGuard   the guard-bit subtract of S                                   fixed layouts
//   SolidDivide     out_c = d_c * c_c / (2^w_c - 1)                                every layout
//   ChannelBlend    out_c = (d_c * (255 - p) + c_c * p) >> 8                       generic 16-bit
//   ChannelAdd      out_c = min(((d_c << 8) + c_c * p) >> 8, 2^w_c - 1)             generic 16-bit
//   ChannelSub      out_c = ((d_c << 8) - c_c * p) >> 8, 0 where that is negative   generic 16-bit
//   GenericTable    out_c = s_c + (((255 - p) * d_c) >> 8)                         generic 16-bit
//   GenericAddGuard the guard-bit add of S, constants from the layout              generic 16-bit
//   GenericSubGuard the guard-bit subtract of S                                   generic 16-bit
// The Channel forms (the filled box's) take each channel as (pixel AND mask_c) >> shift_c, kept to
// 8 bits, and put the result back at shift_c. The Generic forms (lines, circles, untextured
// triangles) keep every channel, blue included, at its own width, and work the add and subtract
// on the whole pixel with the guard bits G just above each channel, the lowest bits Lo of each
// channel and K = the channel bits without G; one saturation shift, red's width, serves all three
// channels. At 32 bits the computed pixels have a fourth byte of 0 (the add's carry out of red
// aside).
#pragma once

#include <cstdint>
#include <type_traits>

#include "morrow/raster/piece_rules16.h"
#include "morrow/raster/piece_rules32.h"
#include "morrow/raster/pixel_format.h"
#include "morrow/raster/simd.h"
#include "morrow/raster/simd_avx2.h"

namespace morrow::raster {

struct SolidParams {
  uint32_t colour = 0;  // P, a pixel of the screen format
  uint32_t p = 0;       // blend parameter, 0..255
};

template <class F>
struct SolidFill {
  SolidFill(const SolidParams& sp, const F&) : colour(sp.colour) {}
  uint32_t operator()(uint32_t) const { return colour; }
  uint32_t colour;
};

// The colour's channels scaled by p and joined in place: S of the guard-bit rules.
template <class F>
constexpr uint32_t ScaledColour(uint32_t colour, uint32_t p) {
  return F::Join((F::Channel(colour, 0) * p) >> 8, (F::Channel(colour, 1) * p) >> 8,
                 (F::Channel(colour, 2) * p) >> 8);
}

// The format object a rule of F is made with: the screen's layout for the generic 16-bit rules.
template <class F>
F FormatObject(const FGeneric16& generic) {
  if constexpr (std::is_same_v<F, FGeneric16>) {
    return generic;
  } else {
    (void)generic;
    return F{};
  }
}

#if defined(MORROW_RASTER_SSE2)
// The table-row alpha of eight 16-bit pixels: S plus each channel of d scaled by q, for layouts
// whose channels have at most 8 bits inside the pixel (FitsLanes16), where every product fits a
// lane and no sum leaves its channel.
struct TableLanes16 {
  TableLanes16() = default;
  TableLanes16(const FGeneric16& f, uint32_t q, uint32_t scaled)
      : lanes(Lanes16::Of(f)), factor(Splat16(q)), term(Splat16(scaled)) {}
  Vec Apply8(Vec d) const {
    Vec out = term;
    for (int c = 0; c < 3; ++c) {
      out = _mm_add_epi16(out, lanes.Place(ScaleLanes(lanes.Channel(d, c), factor), c));
    }
    return out;
  }
  Lanes16 lanes{};
  Vec factor{};
  Vec term{};
};

// The guard-bit add or subtract of S on eight 16-bit pixels.
struct GuardTermLanes16 {
  GuardTermLanes16(const GuardConstants16& k, uint32_t scaled) : lanes(k), term(Splat16(scaled)) {}
  Vec Add8(Vec d) const {
    return GuardLanes16::Apply8(d, term, [&](Vec a, Vec b) { return lanes.Add4(a, b); });
  }
  Vec Sub8(Vec d) const {
    return GuardLanes16::Apply8(d, term, [&](Vec a, Vec b) { return lanes.Sub4(a, b); });
  }
  GuardLanes16 lanes;
  Vec term;
};

// What a rule of F keeps for its eight-pixel form: nothing unless F has 16-bit pixels.
struct NoLanes16 {};
template <class F, class Lanes>
using Lanes16For = std::conditional_t<F::kBytes == 2, Lanes, NoLanes16>;

template <class F>
Lanes16For<F, GuardTermLanes16> GuardLanesFor(const GuardConstants16& k, uint32_t scaled) {
  if constexpr (F::kBytes == 2) {
    return GuardTermLanes16(k, scaled);
  } else {
    (void)k;
    (void)scaled;
    return NoLanes16{};
  }
}
#endif

template <class F>
constexpr GuardConstants16 FixedGuardConstants() {
  return GuardConstants16{F::kGuard, F::kKeep, F::kLow, F::kSaturationShift};
}

template <class F>
struct SolidTable {
  SolidTable(const SolidParams& sp, const F&)
      : scaled(ScaledColour<F>(sp.colour, sp.p)), q(255 - sp.p) {
#if defined(MORROW_RASTER_SSE2)
    if constexpr (std::is_same_v<F, F32>) {
      qFactors = ByteFactors(q, q, q, 0);
    } else if constexpr (F::kBytes == 2) {
      lanes16 = TableLanes16(LayoutOf(F{}), q, scaled);
    }
#endif
  }
  uint32_t operator()(uint32_t d) const {
    return scaled + F::Join((F::Channel(d, 0) * q) >> 8, (F::Channel(d, 1) * q) >> 8,
                            (F::Channel(d, 2) * q) >> 8);
  }
  uint32_t scaled;
  uint32_t q;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec d) const requires std::is_same_v<F, F32> {
    return _mm_add_epi8(Splat32(scaled), ScaleBytes(d, qFactors));
  }
#endif
#if defined(MORROW_RASTER_AVX2)
  MORROW_AVX2_INLINE Wide ApplyWide(Wide d) const requires std::is_same_v<F, F32> {
    return _mm256_add_epi8(WideSplat32(scaled), WideScaleBytes(d, WideByteFactors(q, q, q, 0)));
  }
#endif
#if defined(MORROW_RASTER_SSE2)
  Vec Apply8(Vec d) const requires(F::kBytes == 2) {
    return lanes16.Apply8(d);
  }
  Vec qFactors{};
  [[no_unique_address]] Lanes16For<F, TableLanes16> lanes16;
#endif
};

// A value put at a channel's shift; a shift beyond the word drops it.
inline uint32_t AtShift(uint32_t v, int shift) {
  return shift >= 0 && shift < 32 ? v << shift : 0;
}

// S of a generic layout: each channel of the colour, blue included, scaled by p and put back.
inline uint32_t GenericScaledColour(uint32_t colour, uint32_t p, const FGeneric16& f) {
  uint32_t out = 0;
  for (int c = 0; c < 3; ++c) out |= AtShift((f.Channel(colour, c) * p) >> 8, f.shift[c]);
  return out;
}

template <class F>
GuardConstants16 GuardConstantsFor(const F& f) {
  if constexpr (std::is_same_v<F, FGeneric16>) {
    return GuardConstantsOfLayout(f);
  } else {
    (void)f;
    return FixedGuardConstants<F>();
  }
}

template <class F>
uint32_t ScaledColourOf(const SolidParams& sp, const F& f) {
  if constexpr (std::is_same_v<F, FGeneric16>) {
    return GenericScaledColour(sp.colour, sp.p, f);
  } else {
    (void)f;
    return ScaledColour<F>(sp.colour, sp.p);
  }
}

// The guard-bit add or subtract of S: the fixed layouts with their constants, a generic layout
// with its own.
template <class F, bool kSubtract>
struct SolidGuard {
  static constexpr bool kGeneric = std::is_same_v<F, FGeneric16>;
  SolidGuard(const SolidParams& sp, const F& f)
      : k(GuardConstantsFor(f)),
        scaled(ScaledColourOf(sp, f))
#if defined(MORROW_RASTER_SSE2)
        ,
        lanes16(GuardLanesFor<F>(k, scaled))
#endif
  {
  }
  uint32_t operator()(uint32_t d) const {
    if constexpr (kGeneric) {
      return kSubtract ? GuardSub16(k, d, scaled) : GuardAdd16(k, d, scaled);
    } else {
      return kSubtract ? GuardSub<F>(d, scaled) : GuardAdd<F>(d, scaled);
    }
  }
  GuardConstants16 k;
  uint32_t scaled;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec d) const requires std::is_same_v<F, F32> {
    return kSubtract ? GuardSub32x4(d, Splat32(scaled)) : GuardAdd32x4(d, Splat32(scaled));
  }
#endif
#if defined(MORROW_RASTER_AVX2)
  MORROW_AVX2_INLINE Wide ApplyWide(Wide d) const requires std::is_same_v<F, F32> {
    if constexpr (kSubtract) {
      return WideGuardSub32(d, WideSplat32(scaled));
    } else {
      return WideGuardAdd32(d, WideSplat32(scaled));
    }
  }
#endif
#if defined(MORROW_RASTER_SSE2)
  Vec Apply8(Vec d) const requires(F::kBytes == 2) {
    return kSubtract ? lanes16.Sub8(d) : lanes16.Add8(d);
  }
  [[no_unique_address]] Lanes16For<F, GuardTermLanes16> lanes16;
#endif
};

template <class F>
using SolidAddGuard = SolidGuard<F, false>;
template <class F>
using SolidSubGuard = SolidGuard<F, true>;
using GenericAddGuard = SolidGuard<FGeneric16, false>;
using GenericSubGuard = SolidGuard<FGeneric16, true>;

// Multiply divides per pixel; a channel of width 0 (only a generic layout can have one) gives 0.
template <class F>
struct SolidDivide {
  SolidDivide(const SolidParams& sp, const F& f) : format(f) {
    for (int c = 0; c < 3; ++c) {
      colour[c] = Take(sp.colour, c);
      max[c] = format.Max(c);
    }
  }
  uint32_t Take(uint32_t pixel, int c) const {
    const uint32_t v = format.Channel(pixel, c);
    if constexpr (std::is_same_v<F, FGeneric16>) return v & 0xFF;
    return v;
  }
  uint32_t operator()(uint32_t d) const {
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
      const uint32_t v = max[c] == 0 ? 0 : Take(d, c) * colour[c] / max[c];
      if constexpr (std::is_same_v<F, FGeneric16>) {
        out |= v << format.shift[c];
      } else {
        out |= v << F::kShift[c];
      }
    }
    return out;
  }
  F format;
  uint32_t colour[3] = {};
  uint32_t max[3] = {};
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec d) const requires std::is_same_v<F, F32> {
    const Vec c = Splat32(colour[0] << 16 | colour[1] << 8 | colour[2]);
    return _mm_and_si128(DivideProductBytes(d, c), Splat32(0x00FFFFFFu));
  }
#endif
};

// The per-channel forms of a generic 16-bit layout.
struct ChannelForm {
  ChannelForm(const SolidParams& sp, const FGeneric16& f) : format(f), p(sp.p) {
    for (int c = 0; c < 3; ++c) colour[c] = format.Channel(sp.colour, c) & 0xFF;
  }
  uint32_t Take(uint32_t pixel, int c) const { return format.Channel(pixel, c) & 0xFF; }
  FGeneric16 format;
  uint32_t p;
  uint32_t colour[3] = {};
};

struct ChannelBlend : ChannelForm {
  using ChannelForm::ChannelForm;
  uint32_t operator()(uint32_t d) const {
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
      out |= ((Take(d, c) * (255 - p) + colour[c] * p) >> 8) << format.shift[c];
    }
    return out;
  }
};

struct ChannelAdd : ChannelForm {
  using ChannelForm::ChannelForm;
  uint32_t operator()(uint32_t d) const {
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
      const uint32_t v = ((Take(d, c) << 8) + colour[c] * p) >> 8;
      const uint32_t max = format.Max(c);
      out |= (v <= max ? v : max) << format.shift[c];
    }
    return out;
  }
};

struct ChannelSub : ChannelForm {
  using ChannelForm::ChannelForm;
  uint32_t operator()(uint32_t d) const {
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
      // Unsigned: a difference below 0 wraps, and bit 23 after the shift marks it.
      const uint32_t v = ((Take(d, c) << 8) - colour[c] * p) >> 8;
      out |= ((v & 0x800000u) != 0 ? 0 : v) << format.shift[c];
    }
    return out;
  }
};

// ---- the guard-bit form of a generic 16-bit layout ----

// d_c is scaled by 255 - p at whatever width the channel has: the product is what the whole row
// of the blend product table holds for it (a copy of 64 entries would serve only 6 bits).
struct GenericTable {
  GenericTable(const SolidParams& sp, const FGeneric16& f)
      : format(f), scaled(GenericScaledColour(sp.colour, sp.p, f)), q(255 - sp.p) {
#if defined(MORROW_RASTER_SSE2)
    if (FitsLanes16(f)) lanes16 = TableLanes16(f, q, scaled);
#endif
  }
  uint32_t operator()(uint32_t d) const {
    uint32_t out = scaled;
    for (int c = 0; c < 3; ++c) out += AtShift((format.Channel(d, c) * q) >> 8, format.shift[c]);
    return out;
  }
  FGeneric16 format;
  uint32_t scaled;
  uint32_t q;
#if defined(MORROW_RASTER_SSE2)
  // Only for layouts that FitsLanes16; the tables run the others in reference form.
  Vec Apply8(Vec d) const {
    return lanes16.Apply8(d);
  }
  TableLanes16 lanes16;
#endif
};

}  // namespace morrow::raster
