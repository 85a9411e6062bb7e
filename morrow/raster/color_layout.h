// The colour layout of a pixel buffer: its size, where each channel lies and how wide it is, and
// the palette of an 8-bit image. The kernels read it to pack and unpack the screen's pixels; the
// device's colour-format calls fill it for the screen, images, surfaces and textures.
#pragma once

#include <cstdint>

namespace morrow::raster {

struct ColorFormat {
  uint16_t bitsPerPixel;  // 8, 16, 24 or 32
  uint16_t bytesPerPixel;
  uint8_t redWidth, greenWidth, blueWidth, alphaWidth;  // 0 when absent
  uint8_t redShift, greenShift, blueShift, alphaShift;
  uint32_t redMask, greenMask, blueMask, alphaMask;
  uint32_t fillMask;      // pixel bits of no channel, set in every packed colour
  uint32_t palette[256];  // 8-bit palette images: 0x00RRGGBB (fourth byte free)
};

}  // namespace morrow::raster
