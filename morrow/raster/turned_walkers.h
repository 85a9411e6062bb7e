// The walkers of the turned draws: shapes whose pixels read a texel at a stepped 14.18 source
// position instead of the pixel beside the last one.
//
//   RotaWalk          every pixel of a box, row by row; the row start steps by (du_row, dv_row)
//                     and each pixel by (du, dv). A position becomes a texel by trunc18, the
//                     signed division by 2^18 truncating toward zero, so positions from -1 to 0
//                     (exclusive) still read column or row 0.
//   TriangleSpanWalk  the rows of a triangle as its edge chains give them (triangle.h); the
//                     position at a span's left end comes from the texture plane, and a
//                     position becomes a texel by an unsigned shift right by 18, so any
//                     negative position is outside.
// Both hand each row to TexelSpanWalk, which visits count pixels: a pixel whose texel column is
// not below the texture's width or whose row is not below its height is left alone; the others
// pass the key and alpha gates and the rule of walkers.h (RectPixel). Positions advance in
// unsigned 32-bit arithmetic and wrap, as the 14.18 words they are.
//
// The texture's width and height bound every read: a texel is read only at a column and row
// below them, so the frame sets them to what the source really holds.
#pragma once

#include <cstdint>

#include "morrow/raster/pixel_format.h"
#include "morrow/raster/triangle.h"
#include "morrow/raster/walkers.h"
#include "platform/rect.h"

namespace morrow::raster {

enum class TexelMap : uint8_t { kTrunc18, kUnsigned18 };

// The texel index of a 14.18 position.
template <TexelMap M>
constexpr uint32_t TexelIndex(uint32_t position) {
  if constexpr (M == TexelMap::kTrunc18) {
    return static_cast<uint32_t>(static_cast<int32_t>(position) / 262144);
  } else {
    return position >> 18;
  }
}

// Where the texels are: texel (0, 0) and the bytes between rows; the alpha map's byte of texel
// (0, 0) and its pitch (only read under the alpha gate).
struct Texture {
  const uint8_t* src = nullptr;
  int32_t pitch = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  const uint8_t* alpha = nullptr;
  int32_t alphaPitch = 0;
};

// One row of a turned draw.
struct TexelSpan {
  uint8_t* dest = nullptr;
  const uint8_t* read = nullptr;
  int32_t count = 0;
  uint32_t u = 0, v = 0;    // 14.18 at the first pixel
  uint32_t du = 0, dv = 0;  // per pixel
};

template <class F, TexelMap M, KeyGate K, AlphaGate A, class Rule>
void TexelSpanWalk(const TexelSpan& span, const Texture& t, uint32_t key, const Rule& rule) {
  using Pixel = typename F::Pixel;
  constexpr int kBytes = F::kBytes;
  const Pixel keyValue = static_cast<Pixel>(key);
  uint8_t* dest = span.dest;
  const uint8_t* read = span.read;
  uint32_t u = span.u, v = span.v;
  for (int32_t i = 0; i < span.count; ++i) {
    const uint32_t column = TexelIndex<M>(u), row = TexelIndex<M>(v);
    if (column < t.width && row < t.height) {
      const uint8_t* texel = t.src + int64_t{t.pitch} * row + int64_t{kBytes} * column;
      const uint8_t* alpha = nullptr;
      if constexpr (A == AlphaGate::kMap) alpha = t.alpha + int64_t{t.alphaPitch} * row + column;
      RectPixel<F, K, A>(dest, texel, read, alpha, keyValue, rule);
    }
    u += span.du;
    v += span.dv;
    dest += kBytes;
    read += kBytes;
  }
}

// The rows of a rotated draw's box. dest and read point at the box's top-left pixel.
struct RotaWalk {
  static constexpr TexelMap kMap = TexelMap::kTrunc18;
  uint8_t* dest = nullptr;
  const uint8_t* read = nullptr;
  int32_t destPitch = 0;
  int32_t readPitch = 0;
  int32_t width = 0;  // pixels of a row
  int32_t rows = 0;
  uint32_t u = 0, v = 0;  // 14.18 at the box's top-left pixel
  uint32_t du = 0, dv = 0;
  uint32_t duRow = 0, dvRow = 0;

  // The steps along a span, the same for every span of the walk.
  uint32_t StepU() const { return du; }
  uint32_t StepV() const { return dv; }

  template <int kBytes, class Fn>
  void ForEachSpan(Fn&& fn) const {
    TexelSpan span{dest, read, width, u, v, du, dv};
    for (int32_t r = 0; r < rows; ++r) {
      fn(span);
      span.dest += destPitch;
      span.read += readPitch;
      span.u += duRow;
      span.v += dvRow;
    }
  }
};

// The rows of a set-up triangle inside area. dest and read point at pixel (0, 0) of the draw
// area's coordinates; a row's pointers are formed only when the row is drawn.
struct TriangleSpanWalk {
  static constexpr TexelMap kMap = TexelMap::kUnsigned18;
  const TriangleSetup* setup = nullptr;
  platform::Rect area{};
  uint8_t* dest = nullptr;
  const uint8_t* read = nullptr;
  int32_t destPitch = 0;
  int32_t readPitch = 0;

  uint32_t StepU() const { return setup->uStep; }
  uint32_t StepV() const { return setup->vStep; }

  // Works on copies of the set-up and the walk's fields: a store through a row's destination
  // may alias anything, and the copies stay in registers across it instead of being read back
  // every row.
  template <int kBytes, class Fn>
  void ForEachSpan(Fn&& fn) const {
    const TriangleSetup t = *setup;
    const platform::Rect clip = area;
    uint8_t* const destAt = dest;
    const uint8_t* const readAt = read;
    const int64_t destStride = destPitch, readStride = readPitch;
    WalkTriangleRows(t, clip, [&](int32_t y, int32_t lx, int32_t count, uint32_t u, uint32_t v) {
      TexelSpan span;
      span.dest = destAt + destStride * y + int64_t{kBytes} * lx;
      span.read = readAt + readStride * y + int64_t{kBytes} * lx;
      span.count = count;
      span.u = u;
      span.v = v;
      span.du = t.uStep;
      span.dv = t.vStep;
      fn(span);
    });
  }
};

}  // namespace morrow::raster
