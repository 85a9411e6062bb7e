// Pixel formats of the software rasterisers: how a pixel is loaded and stored, where its red,
// green and blue lie, and the guard-bit constants of the saturating add and subtract.
//
// The walkers (walkers.h) and rules (piece_rules32.h, solid_rules.h) are templates over one of
// these:
//   F32         X8R8G8B8: blue bits 0-7, green 8-15, red 16-23; the top byte is no channel
//   F565, F555  the two fixed 16-bit layouts
//   FGeneric16  any other 16-bit masks, known only at run time (an object, not a type)
//   F8          palette indices
// Channel index c is 0 red, 1 green, 2 blue throughout. Loads and stores go through memcpy:
// surfaces are byte buffers and need not be read as wider objects.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "morrow/raster/color_layout.h"

namespace morrow::raster {

template <class Pixel>
inline Pixel LoadPixel(const uint8_t* p) {
  Pixel v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class Pixel>
inline void StorePixel(uint8_t* p, uint32_t v) {
  const Pixel narrow = static_cast<Pixel>(v);  // 16-bit paths keep the low 16 bits
  std::memcpy(p, &narrow, sizeof narrow);
}

// A layout whose channels sit at fixed places. The guard constants serve the whole-pixel add
// and subtract: kGuard holds the bit just above each channel, kKeep the bits added (each channel
// but its lowest bit for red and green, whose lowest bit carries the channel below), kLow the
// lowest bits of red and green, kSaturationShift the width that turns a guard bit into a
// channel mask.
template <class P, int kBytesPerPixel, uint32_t kRed, uint32_t kGreen, uint32_t kBlue, int kShiftR,
          int kShiftG, int kShiftB, int kWidthR, int kWidthG, int kWidthB, uint32_t kGuardBits,
          uint32_t kKeepBits, uint32_t kLowBits, int kSatShift>
struct FixedFormat {
  using Pixel = P;
  static constexpr int kBytes = kBytesPerPixel;
  static constexpr uint32_t kMask[3] = {kRed, kGreen, kBlue};
  static constexpr int kShift[3] = {kShiftR, kShiftG, kShiftB};
  static constexpr int kWidth[3] = {kWidthR, kWidthG, kWidthB};
  static constexpr uint32_t kGuard = kGuardBits;
  static constexpr uint32_t kKeep = kKeepBits;
  static constexpr uint32_t kLow = kLowBits;
  static constexpr int kSaturationShift = kSatShift;

  static constexpr uint32_t Channel(uint32_t pixel, int c) {
    return (pixel & kMask[c]) >> kShift[c];
  }
  static constexpr uint32_t Max(int c) { return (1u << kWidth[c]) - 1; }
  static constexpr uint32_t Join(uint32_t r, uint32_t g, uint32_t b) {
    return r << kShift[0] | g << kShift[1] | b << kShift[2];
  }
};

using F32 = FixedFormat<uint32_t, 4, 0xFF0000u, 0xFF00u, 0xFFu, 16, 8, 0, 8, 8, 8, 0x1010100u,
                        0xFEFEFFu, 0x10100u, 8>;
using F565 = FixedFormat<uint16_t, 2, 0xF800u, 0x07E0u, 0x001Fu, 11, 5, 0, 5, 6, 5, 0x10820u,
                         0xF7DFu, 0x0820u, 5>;
using F555 = FixedFormat<uint16_t, 2, 0x7C00u, 0x03E0u, 0x001Fu, 10, 5, 0, 5, 5, 5, 0x8420u,
                         0x7BDFu, 0x0420u, 5>;

// Any other 16-bit layout, from the screen's ColorFormat.
struct FGeneric16 {
  using Pixel = uint16_t;
  static constexpr int kBytes = 2;
  uint32_t mask[3] = {};
  int shift[3] = {};
  int width[3] = {};

  static FGeneric16 From(const ColorFormat& f) {
    FGeneric16 g;
    g.mask[0] = f.redMask;
    g.mask[1] = f.greenMask;
    g.mask[2] = f.blueMask;
    g.shift[0] = f.redShift;
    g.shift[1] = f.greenShift;
    g.shift[2] = f.blueShift;
    g.width[0] = f.redWidth;
    g.width[1] = f.greenWidth;
    g.width[2] = f.blueWidth;
    return g;
  }
  uint32_t Channel(uint32_t pixel, int c) const { return (pixel & mask[c]) >> shift[c]; }
  // Widths above 31 cannot occur in a 16-bit pixel; the guard keeps the shift defined anyway.
  uint32_t Max(int c) const { return width[c] >= 32 ? 0xFFFFFFFFu : (1u << width[c]) - 1; }
};

// The masks, shifts and widths of a format as a layout known at run time.
template <class F>
FGeneric16 LayoutOf(const F& f) {
  if constexpr (std::is_same_v<F, FGeneric16>) {
    return f;
  } else {
    (void)f;
    FGeneric16 g;
    for (int c = 0; c < 3; ++c) {
      g.mask[c] = F::kMask[c];
      g.shift[c] = F::kShift[c];
      g.width[c] = F::kWidth[c];
    }
    return g;
  }
}

struct F8 {
  using Pixel = uint8_t;
  static constexpr int kBytes = 1;
};

// The screen formats the dispatch tells apart.
enum class FormatClass : uint8_t { k8, k565, k555, kGeneric16, k32, kOther };

// The class of a screen of this depth and format: 16-bit layouts by their three masks.
FormatClass ClassifyScreenFormat(int depth, const ColorFormat& format);

}  // namespace morrow::raster
