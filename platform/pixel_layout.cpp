#include "platform/pixel_layout.h"

namespace platform {

uint8_t WidenTo8(uint32_t v, int width) {
  if (width <= 0) return 0;
  if (width >= 8) return static_cast<uint8_t>(v >> (width - 8));
  int k = 8 - width;
  return static_cast<uint8_t>((v << k) + v * ((1u << k) - 1u) / ((1u << width) - 1u));
}

LayoutCodec::Channel LayoutCodec::Of(uint32_t mask) {
  Channel c;
  c.mask = mask;
  if (mask == 0) return c;
  while (((mask >> c.shift) & 1u) == 0) ++c.shift;
  while (c.shift + c.width < 32 && ((mask >> (c.shift + c.width)) & 1u) != 0) ++c.width;
  return c;
}

LayoutCodec::LayoutCodec(const PixelFormat& format, const PaletteEntry* palette)
    : indexed_(format.bitCount == 8),
      palette_(palette),
      r_(Of(format.redMask)),
      g_(Of(format.greenMask)),
      b_(Of(format.blueMask)) {}

Rgb8 LayoutCodec::Decode(uint32_t v) const {
  if (indexed_) {
    uint8_t i = static_cast<uint8_t>(v);
    if (palette_ == nullptr) return Rgb8{i, i, i};
    return Rgb8{palette_[i].red, palette_[i].green, palette_[i].blue};
  }
  return Rgb8{WidenTo8((v & r_.mask) >> r_.shift, r_.width),
              WidenTo8((v & g_.mask) >> g_.shift, g_.width),
              WidenTo8((v & b_.mask) >> b_.shift, b_.width)};
}

uint32_t LayoutCodec::Encode(Rgb8 c) const {
  if (indexed_) {
    if (palette_ == nullptr) return 0;
    uint32_t best = 0;
    int bestDistance = 0x7FFFFFFF;
    for (uint32_t i = 0; i < 256; ++i) {
      int dr = palette_[i].red - c.r, dg = palette_[i].green - c.g, db = palette_[i].blue - c.b;
      int d = dr * dr + dg * dg + db * db;
      if (d < bestDistance) {
        bestDistance = d;
        best = i;
      }
    }
    return best;
  }
  auto narrow = [](uint8_t v, const Channel& ch) -> uint32_t {
    if (ch.width == 0) return 0;
    uint32_t n = ch.width <= 8 ? uint32_t{v} >> (8 - ch.width) : uint32_t{v} << (ch.width - 8);
    return (n << ch.shift) & ch.mask;
  };
  return narrow(c.r, r_) | narrow(c.g, g_) | narrow(c.b, b_);
}

}  // namespace platform
