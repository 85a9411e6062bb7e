// An image in memory: what the image loaders produce and graph creation consumes.
#pragma once

#include <cstdint>

#include "morrow/device/color_format.h"

namespace morrow {

struct GraphImage {
  ColorFormat format;
  int32_t width;
  int32_t height;
  int32_t pitch;   // bytes from one row to the next
  void* pixels;    // rows top-down, owned by the record (std::malloc)
};

// Frees the pixels and zero-fills the record. Always 0.
int FreeGraphImage(GraphImage* image);

}  // namespace morrow
