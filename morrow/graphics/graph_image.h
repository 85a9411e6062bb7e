// An image in memory: what the image loaders produce and graph creation consumes.
#pragma once

#include <cstdint>

#include "morrow/device/color_format.h"

namespace morrow {

struct GraphImage {
  ColorFormat format;
  int32_t width;
  int32_t height;
  int32_t pitch;  // bytes from one row to the next
  void* pixels;   // rows top-down, owned by the record (std::malloc)
};

// Frees the pixels and zero-fills the record. Always 0.
int FreeGraphImage(GraphImage* image);
// Swaps pixel x and width-1-x on every row (1 to 4 bytes a pixel). -1 for an image without
// pixels, of no width or height, of another pixel size, or whose pitch cannot hold a row.
int MirrorGraphImage(GraphImage* image);
// Pixel (x, y) of a 2, 3 or 4-byte image as 0xAARRGGBB, each channel widened to 8 bits from its
// mask's width; alpha 0 when the format has none. 0 for an image without pixels, another pixel
// size or a point outside the image.
uint32_t GetGraphImagePixel(const GraphImage* image, int x, int y);

}  // namespace morrow
