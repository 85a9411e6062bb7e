#include "morrow/graphics/graph_image.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace morrow {

int FreeGraphImage(GraphImage* image) {
  if (image == nullptr) return 0;
  std::free(image->pixels);
  std::memset(image, 0, sizeof *image);
  return 0;
}

namespace {

// The image's rows can be walked: pixels, a size, and a pitch that holds a row.
bool RowsFit(const GraphImage* image, int bytes) {
  return image != nullptr && image->pixels != nullptr && image->width > 0 && image->height > 0 &&
         bytes >= 1 && bytes <= 4 && image->pitch > 0 &&
         int64_t{image->width} * bytes <= image->pitch;
}

}  // namespace

int MirrorGraphImage(GraphImage* image) {
  if (image == nullptr) return -1;
  const int bytes = image->format.bytesPerPixel;
  if (!RowsFit(image, bytes)) return -1;
  auto* rows = static_cast<uint8_t*>(image->pixels);
  for (int y = 0; y < image->height; ++y) {
    uint8_t* row = rows + static_cast<size_t>(y) * static_cast<size_t>(image->pitch);
    uint8_t* left = row;
    uint8_t* right = row + static_cast<size_t>(image->width - 1) * bytes;
    for (; left < right; left += bytes, right -= bytes) std::swap_ranges(left, left + bytes, right);
  }
  return 0;
}

uint32_t GetGraphImagePixel(const GraphImage* image, int x, int y) {
  if (image == nullptr) return 0;
  const ColorFormat& f = image->format;
  const int bytes = f.bytesPerPixel;
  if (bytes < 2 || !RowsFit(image, bytes)) return 0;
  if (x < 0 || y < 0 || x >= image->width || y >= image->height) return 0;
  const uint8_t* p = static_cast<const uint8_t*>(image->pixels) +
                     static_cast<size_t>(y) * static_cast<size_t>(image->pitch) +
                     static_cast<size_t>(x) * bytes;
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= uint32_t{p[i]} << (8 * i);
  auto channel = [v](uint32_t mask, int shift, int width) -> uint32_t {
    if (width == 0 || mask == 0) return 0;
    return ConvertChannelWidth((v & mask) >> shift, width, 8) & 0xFFu;
  };
  return channel(f.alphaMask, f.alphaShift, f.alphaWidth) << 24 |
         channel(f.redMask, f.redShift, f.redWidth) << 16 |
         channel(f.greenMask, f.greenShift, f.greenWidth) << 8 |
         channel(f.blueMask, f.blueShift, f.blueWidth);
}

bool ImageUsable(const GraphImage* image) {
  if (image == nullptr || image->pixels == nullptr || image->width < 1 || image->height < 1) {
    return false;
  }
  const int bits = image->format.bitsPerPixel;
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  return int64_t{image->pitch} >= int64_t{image->width} * (bits / 8);
}

ColorFormat ReadFormatOf(const GraphImage& image) {
  ColorFormat f = image.format;
  if (f.bitsPerPixel == 8 && f.redMask == 0xFFu) {
    for (uint32_t i = 0; i < 256; ++i) f.palette[i] = i;
  }
  return f;
}

bool ClipImageCopy(Rect* src, int* destX, int* destY, const Rect& readable, const Rect& writable) {
  int64_t sl = src->left, st = src->top, sr = src->right, sb = src->bottom;
  int64_t dx = *destX, dy = *destY;
  if (sl < readable.left) {
    dx += readable.left - sl;
    sl = readable.left;
  }
  if (st < readable.top) {
    dy += readable.top - st;
    st = readable.top;
  }
  sr = std::min<int64_t>(sr, readable.right);
  sb = std::min<int64_t>(sb, readable.bottom);
  if (dx < writable.left) {
    sl += writable.left - dx;
    dx = writable.left;
  }
  if (dy < writable.top) {
    st += writable.top - dy;
    dy = writable.top;
  }
  sr = std::min<int64_t>(sr, sl + (writable.right - dx));
  sb = std::min<int64_t>(sb, st + (writable.bottom - dy));
  if (sr <= sl || sb <= st) return false;
  *src = Rect{static_cast<int32_t>(sl), static_cast<int32_t>(st), static_cast<int32_t>(sr),
              static_cast<int32_t>(sb)};
  *destX = static_cast<int>(dx);
  *destY = static_cast<int>(dy);
  return true;
}

}  // namespace morrow
