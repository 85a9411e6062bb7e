// Reading and writing single pixels of the display's layouts, and turning them into 8-bit
// red, green and blue and back. Channels are widened as the library widens them:
// (v << k) + v * (2^k - 1) / (2^w - 1), so 5-bit 31 becomes 255 and 0 stays 0.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/display.h"

namespace platform {

inline uint32_t ReadPixel(const uint8_t* p, int bytes) {
  switch (bytes) {
    case 1:
      return p[0];
    case 2:
      return uint32_t{p[0]} | uint32_t{p[1]} << 8;
    case 3:
      return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
    default: {
      uint32_t v;
      std::memcpy(&v, p, 4);
      return v;
    }
  }
}

inline void WritePixel(uint8_t* p, int bytes, uint32_t v) {
  switch (bytes) {
    case 1:
      p[0] = static_cast<uint8_t>(v);
      break;
    case 2:
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      break;
    case 3:
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      p[2] = static_cast<uint8_t>(v >> 16);
      break;
    default:
      std::memcpy(p, &v, 4);
      break;
  }
}

// A channel value of `width` bits as 8 bits.
uint8_t WidenTo8(uint32_t v, int width);

struct Rgb8 {
  uint8_t r = 0, g = 0, b = 0;
};

// Decodes and encodes the pixels of one layout. 8-bit layouts go through the palette (a
// missing palette reads as grey levels and encodes every colour as index 0); into 8 bits a
// colour becomes the nearest entry, the first of equal distance winning. Bits of no channel
// are written as 0.
class LayoutCodec {
 public:
  LayoutCodec(const PixelFormat& format, const PaletteEntry* palette);
  Rgb8 Decode(uint32_t v) const;
  uint32_t Encode(Rgb8 c) const;

 private:
  struct Channel {
    uint32_t mask = 0;
    int shift = 0, width = 0;
  };
  static Channel Of(uint32_t mask);
  bool indexed_;
  const PaletteEntry* palette_;
  Channel r_, g_, b_;
};

}  // namespace platform
