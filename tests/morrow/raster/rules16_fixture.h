// What the 16-bit rule tests make their rules from: the blend product table as the screen builds
// it, layouts from their masks, a set-up per call, and a rule applied to one pixel.
#pragma once

#include <cstdint>

#include "morrow/device/color_format.h"
#include "morrow/raster/piece_rules16.h"
#include "morrow/raster/pixel_format.h"

namespace testsupport {

constexpr uint32_t kNoBright = 0xFFFFFFFFu;

// [a][b] = (a * b) >> 8.
inline const uint32_t (*Products())[256] {
  static const auto* table = [] {
    auto* t = new uint32_t[256][256];
    for (uint32_t a = 0; a < 256; ++a) {
      for (uint32_t b = 0; b < 256; ++b) t[a][b] = (a * b) >> 8;
    }
    return t;
  }();
  return table;
}

inline morrow::ColorFormat Format16(uint32_t red, uint32_t green, uint32_t blue) {
  morrow::ColorFormat f{};
  morrow::InitColorFormatFromMasks(&f, 16, red, green, blue, 0);
  return f;
}

inline morrow::raster::FGeneric16 Layout(uint32_t red, uint32_t green, uint32_t blue) {
  return morrow::raster::FGeneric16::From(Format16(red, green, blue));
}

inline const morrow::raster::FGeneric16 k565 = Layout(0xF800, 0x07E0, 0x001F);
inline const morrow::raster::FGeneric16 k444 = Layout(0x0F00, 0x00F0, 0x000F);

inline morrow::raster::Setup16 Prepare(uint32_t p, uint32_t bright = kNoBright,
                                       const morrow::raster::FGeneric16& format = k565) {
  return morrow::raster::MakeSetup16(p, bright, Products(), format);
}

inline uint32_t Bright(uint32_t r, uint32_t g, uint32_t b) {
  return 0xFF000000u | r << 16 | g << 8 | b;
}

// Applies a rule made from the set-up (the set-up must outlive the rule).
template <class Rule>
uint32_t Apply(const morrow::raster::Setup16& s, uint32_t src, uint32_t dest) {
  return Rule(s)(src, dest);
}
template <class Rule>
uint32_t ApplyAlpha(const morrow::raster::Setup16& s, uint32_t src, uint32_t dest, uint32_t a) {
  const Rule rule(s);
  return a == 255 ? rule.Opaque(src, dest) : rule.Partial(src, dest, a);
}

}  // namespace testsupport
