// Device-independent bitmaps: a picture as plain rows of pixels in a format the window code asks
// for (the window region is built from one), and the way from such rows back to a GraphImage.
#pragma once

#include <cstdint>

#include "morrow/device/color_format.h"
#include "morrow/graphics/graph_image.h"

namespace morrow {

constexpr uint32_t kDibRgb = 0;        // pixels as the bit count says (palette up to 8 bits)
constexpr uint32_t kDibBitFields = 3;  // 16 or 32-bit pixels with the header's three masks

struct DibHeader {
  int32_t width;
  int32_t height;  // negative: rows top-down; positive: bottom-up
  uint16_t bitCount;
  uint32_t compression;   // kDibRgb or kDibBitFields
  uint32_t masks[3];      // red, green and blue of kDibBitFields
  uint32_t paletteCount;  // entries of palette in use, bit counts up to 8
  uint32_t palette[256];  // 0x00RRGGBB
};

struct Dib {
  DibHeader header;
  int32_t pitch;  // bytes from one row to the next, a multiple of 4
  void* pixels;   // std::malloc, owned by the record
};

// The picture file path (or, with fromMemory 1, the image bytes), mirrored when reverse is 1, as
// a top-down bitmap in the format want asks for: 16-bit and 32-bit formats keep their masks (a
// 32-bit format only for a picture that is not 24-bit; 16 bits become 24 while image conversion
// is set); anything else, and no format, gives 24-bit rows. Null when the picture cannot be read
// ("ＤＩＢの作成に失敗しました3" when the bitmap cannot be made).
Dib* CreateDIBGraph(const char* path, const void* image, int imageSize, int fromMemory, int reverse,
                    const ColorFormat* want);
// CreateDIBGraph of a file.
Dib* CreateDIBForImage(const char* path, int reverse, const ColorFormat* want);
void DeleteDIB(Dib* dib);

// A bitmap of 16, 24 or 32 bits (plain or with bit fields; default masks 5:5:5 at 16 bits,
// 0xFF0000, 0xFF00, 0xFF above) or a palette bitmap of 1, 4 or 8 bits (widened to 24 bits) as a
// top-down GraphImage whose pitch is a multiple of 4. 1 when the bitmap's own pixels were taken
// over (copy 0, top-down rows of that pitch; the bitmap is then left without pixels), 0 when
// they were copied, -1 for a bitmap of another kind or a failed allocation
// ("２４ビットカラー化したグラフィックを格納するメモリ領域の確保に失敗しました").
int ConvertDibToGraphImage(Dib* dib, GraphImage* out, int copy);

}  // namespace morrow
