// The CPU device's pixels: triangles, lines and points through one texture stage and the
// blender into a target, by the rules stated in platform/device3d.h. Internal to the CPU device
// (platform/device3d_cpu.cpp), which checks and assembles the primitives.
#pragma once

#include <cstdint>

#include "platform/display.h"

namespace platform::device3d_internal {

// The states the pixels depend on, as the device holds them.
struct RasterState {
  uint32_t cullMode = 0;
  uint32_t lastPixel = 0;
  uint32_t alphaBlend = 0;
  uint32_t srcBlend = 0;
  uint32_t destBlend = 0;
  uint32_t colorKey = 0;
  uint32_t colorOp = 0, colorArg1 = 0, colorArg2 = 0;
  uint32_t alphaOp = 0, alphaArg1 = 0, alphaArg2 = 0;
  uint32_t address = 0;
  uint32_t magFilter = 0;
};

struct RasterImage {
  uint8_t* pixels = nullptr;  // null: none (no texture)
  int32_t pitch = 0;
  int32_t width = 0;
  int32_t height = 0;
  PixelFormat format{};
};

struct RasterVertex {
  float x = 0, y = 0;
  uint32_t diffuse = 0;
  float u = 0, v = 0;
};

class Rasteriser {
 public:
  // scissor: the viewport inside the target. key: the texture's source key, or null.
  Rasteriser(const RasterState& state, const RasterImage& target, const Rect& scissor,
             const RasterImage& texture, const ColorKey* key, bool hasUv);
  // Each primitive takes its flat colour from its first vertex, given here as diffuse.
  void Triangle(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c,
                uint32_t diffuse);
  void Line(const RasterVertex& a, const RasterVertex& b, uint32_t diffuse);
  void Point(const RasterVertex& a);

 private:
  struct Rgba {
    int r, g, b, a;
  };
  struct Channel {
    uint32_t mask = 0;
    int shift = 0, width = 0;
  };
  struct Layout {
    int bytes = 0;
    Channel r, g, b, a;
    uint32_t fill = 0;
    uint32_t colour = 0;  // the red, green and blue bits
  };
  static Layout LayoutOf(const PixelFormat& f);
  static Rgba Decode(const Layout& l, uint32_t v);
  static uint32_t Encode(const Layout& l, const Rgba& c);
  static Rgba Unpack(uint32_t argb);
  uint32_t RawTexel(int64_t x, int64_t y) const;
  // A texel the colour key discards: keying on and its colour bits within the key.
  bool Keyed(uint32_t raw) const;
  int64_t Address(double texel, int32_t size) const;
  Rgba Sample(double u, double v) const;
  void Shade(int64_t x, int64_t y, double u, double v, const Rgba& diffuse);

  RasterState state_;
  RasterImage target_;
  Layout targetLayout_;
  Rect scissor_;
  RasterImage texture_;
  Layout textureLayout_;
  const ColorKey* key_;
  bool textured_;
};

}  // namespace platform::device3d_internal
