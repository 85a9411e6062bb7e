// Pixel-format descriptors. Every pixel buffer of the library (the screen, a loaded image, a
// surface, a movie frame) is described by one ColorFormat.
#pragma once

#include <cstdint>

namespace morrow {

struct ColorFormat {
  uint16_t bitsPerPixel;  // 8, 16, 24 or 32
  uint16_t bytesPerPixel;
  uint8_t redWidth, greenWidth, blueWidth, alphaWidth;  // 0 when absent
  uint8_t redShift, greenShift, blueShift, alphaShift;
  uint32_t redMask, greenMask, blueMask, alphaMask;
  uint32_t fillMask;      // pixel bits of no channel, set in every packed colour
  uint32_t palette[256];  // 8-bit palette images: 0x00RRGGBB (fourth byte free)
};

}  // namespace morrow

namespace morrow {

// Widths, shifts and the fill mask from explicit masks; bytesPerPixel = bits / 8. The palette is
// left as it was. Always 0.
int InitColorFormatFromMasks(ColorFormat* f, int bits, uint32_t redMask, uint32_t greenMask,
                             uint32_t blueMask, uint32_t alphaMask);
int InitPalette8ColorFormat(ColorFormat* f);
int InitRgb24ColorFormat(ColorFormat* f);
int InitAlpha8ColorFormat(ColorFormat* f);
// fillMask = the pixel's bits outside the four masks when the widths do not add up to the size.
void ComputeColorFormatFillMask(ColorFormat* f);
// 1 when bitsPerPixel and the four masks are equal.
int CompareColorFormat(const ColorFormat* a, const ColorFormat* b);
// Shift (lowest set bit) and width (consecutive set bits from there) of a mask; 0 and 0 for 0.
void MaskShiftAndWidth(uint32_t mask, uint8_t* shift, uint8_t* width);
// A channel value v of width w widened or narrowed to width to: narrower drops low bits, wider
// gives (v << k) + v * (2^k - 1) / (2^w - 1). A zero-width source gives 0.
uint32_t ConvertChannelWidth(uint32_t v, int w, int to);

}  // namespace morrow
