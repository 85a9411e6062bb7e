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

// What the copies of images into surfaces and textures share.
// The image has pixels, a size, 8, 16, 24 or 32 bits a pixel and a pitch that holds a row.
bool ImageUsable(const GraphImage* image);
// The format an image is read through: an 8-bit image whose byte is its own value in every
// channel (not a palette index) reads through an identity palette.
ColorFormat ReadFormatOf(const GraphImage& image);
// Moves the source rectangle and the destination point together so that the source lies inside
// readable and the destination inside writable. False when nothing is left.
bool ClipImageCopy(Rect* src, int* destX, int* destY, const Rect& readable, const Rect& writable);

}  // namespace morrow
