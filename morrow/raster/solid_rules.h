// Per-pixel rules that blend one solid colour P into the destination, for every screen format:
// what filled boxes (and later lines and circles) do to a pixel. Each is made once per call from
// SolidParams and the format, and applied by SolidSpan (walkers.h) as rule(d); the F32 forms
// also offer Apply4(d) for four pixels (SSE2), equal to four calls of rule(d).
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
// The generic forms take each channel as (pixel AND mask_c) >> shift_c, kept to 8 bits, and put
// the result back at shift_c. At 32 bits the computed pixels have a fourth byte of 0 (the add's
// carry out of red aside).
#pragma once

#include <cstdint>
#include <type_traits>

#include "morrow/raster/piece_rules32.h"
#include "morrow/raster/pixel_format.h"
#include "morrow/raster/simd.h"

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

template <class F>
struct SolidTable {
  SolidTable(const SolidParams& sp, const F&)
      : scaled(ScaledColour<F>(sp.colour, sp.p)), q(255 - sp.p) {
#if defined(MORROW_RASTER_SSE2)
    if constexpr (std::is_same_v<F, F32>) qFactors = ByteFactors(q, q, q, 0);
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
  Vec qFactors{};
#endif
};

template <class F>
struct SolidAddGuard {
  SolidAddGuard(const SolidParams& sp, const F&) : scaled(ScaledColour<F>(sp.colour, sp.p)) {}
  uint32_t operator()(uint32_t d) const { return GuardAdd<F>(d, scaled); }
  uint32_t scaled;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec d) const requires std::is_same_v<F, F32> {
    return GuardAdd32x4(d, Splat32(scaled));
  }
#endif
};

template <class F>
struct SolidSubGuard {
  SolidSubGuard(const SolidParams& sp, const F&) : scaled(ScaledColour<F>(sp.colour, sp.p)) {}
  uint32_t operator()(uint32_t d) const { return GuardSub<F>(d, scaled); }
  uint32_t scaled;
#if defined(MORROW_RASTER_SSE2)
  Vec Apply4(Vec d) const requires std::is_same_v<F, F32> {
    return GuardSub32x4(d, Splat32(scaled));
  }
#endif
};

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

}  // namespace morrow::raster
