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
