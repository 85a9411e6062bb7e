#include "morrow/graphics/dib.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_load.h"
#include "morrow/graphics/image_loader.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/system/log.h"
#include "morrow/system/memory.h"

namespace morrow {
namespace {

// Rows of bytes padded to a multiple of 4, as every bitmap row is.
int64_t PaddedRow(int64_t bytes) {
  return (bytes + 3) & ~int64_t{3};
}

bool SizeFits(int64_t width, int64_t height, int64_t pitch) {
  return width >= 1 && width <= kMaxImageSide && height >= 1 && height <= kMaxImageSide &&
         pitch >= 1 && pitch * height <= kMaxImageBytes;
}

// The bitmap's pixel format: masks without alpha, and no fill bits (bitmap padding is zero).
ColorFormat DibFormat(int bits, uint32_t red, uint32_t green, uint32_t blue) {
  ColorFormat f{};
  InitColorFormatFromMasks(&f, bits, red, green, blue, 0);
  f.fillMask = 0;
  return f;
}

// What the bitmap is made of for the wanted format (see CreateDIBGraph).
void ChooseDibLayout(const ColorFormat* want, const GraphImage& image, DibHeader* h) {
  h->bitCount = 24;
  h->compression = kDibRgb;
  if (want == nullptr || want->redMask == 0 || want->greenMask == 0 || want->blueMask == 0) {
    return;
  }
  const bool sixteen = want->bitsPerPixel == 16 && GetDrawState().imageConvertFlag == 0;
  const bool wide = want->bitsPerPixel == 32 && image.format.bitsPerPixel != 24;
  if (!sixteen && !wide) return;
  h->bitCount = want->bitsPerPixel;
  h->compression = kDibBitFields;
  h->masks[0] = want->redMask;
  h->masks[1] = want->greenMask;
  h->masks[2] = want->blueMask;
}

ColorFormat HeaderFormat(const DibHeader& h) {
  if (h.compression == kDibBitFields)
    return DibFormat(h.bitCount, h.masks[0], h.masks[1], h.masks[2]);
  if (h.bitCount == 16) return DibFormat(16, 0x7C00u, 0x03E0u, 0x001Fu);
  return DibFormat(h.bitCount, 0xFF0000u, 0xFF00u, 0xFFu);
}

// Index of pixel x in a row of a palette bitmap, the leftmost pixel in the highest bits.
uint32_t PaletteIndex(const uint8_t* row, int x, int bits) {
  const int perByte = 8 / bits;
  const int shift = 8 - bits * (x % perByte + 1);
  return (row[x / perByte] >> shift) & ((1u << bits) - 1u);
}

// A copy between equal channel masks takes the source's pixels as they are, bits outside the
// channels included: those are cleared, as the rows of a bitmap hold nothing else.
void KeepChannelBits(uint8_t* pixels, int pitch, int width, int height, const ColorFormat& f) {
  const uint32_t keep = f.redMask | f.greenMask | f.blueMask;
  const int bytes = f.bytesPerPixel;
  for (int y = 0; y < height; ++y) {
    uint8_t* p = pixels + static_cast<size_t>(y) * static_cast<size_t>(pitch);
    for (int x = 0; x < width; ++x, p += bytes) {
      for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(p[i] & (keep >> (8 * i)));
    }
  }
}

void WritePixel24(uint8_t* p, uint32_t rgb) {
  p[0] = static_cast<uint8_t>(rgb);
  p[1] = static_cast<uint8_t>(rgb >> 8);
  p[2] = static_cast<uint8_t>(rgb >> 16);
}

}  // namespace

Dib* CreateDIBGraph(const char* path, const void* image, int imageSize, int fromMemory, int reverse,
                    const ColorFormat* want) {
  GraphImage rgb{}, alpha{};
  if (LoadImageFileToGraphImage(path, image, imageSize, fromMemory, nullptr, 0, 2, &rgb, &alpha,
                                0) == -1) {
    return nullptr;
  }
  if (reverse == 1) MirrorGraphImage(&rgb);
  ComputeColorFormatFillMask(&rgb.format);

  DibHeader header{};
  header.width = rgb.width;
  header.height = -rgb.height;
  ChooseDibLayout(want, rgb, &header);
  const int64_t pitch = PaddedRow(int64_t{rgb.width} * (header.bitCount / 8));
  Dib* dib = nullptr;
  if (SizeFits(rgb.width, rgb.height, pitch)) {
    dib = static_cast<Dib*>(AllocateZeroMemory(sizeof(Dib)));
    if (dib != nullptr) {
      dib->pixels = std::calloc(static_cast<size_t>(pitch * rgb.height), 1);
      if (dib->pixels == nullptr) {
        FreeMemory(dib);
        dib = nullptr;
      }
    }
  }
  if (dib == nullptr) {
    WriteLog("ＤＩＢの作成に失敗しました3\n");
    FreeGraphImage(&rgb);
    return nullptr;
  }
  dib->header = header;
  dib->pitch = static_cast<int32_t>(pitch);
  const ColorFormat format = HeaderFormat(header);
  const Rect all{0, 0, rgb.width, rgb.height};
  const int converted =
      ConvertColorFormatBlt(static_cast<uint8_t*>(dib->pixels), dib->pitch, &format,
                            static_cast<const uint8_t*>(rgb.pixels), rgb.pitch, &rgb.format,
                            nullptr, 0, nullptr, 0, 0, &all, 0, 0, 0, 0, 0);
  if (converted == 0) {
    KeepChannelBits(static_cast<uint8_t*>(dib->pixels), dib->pitch, rgb.width, rgb.height, format);
  }
  FreeGraphImage(&rgb);
  if (converted != 0) {
    DeleteDIB(dib);
    return nullptr;
  }
  return dib;
}

Dib* CreateDIBForImage(const char* path, int reverse, const ColorFormat* want) {
  return CreateDIBGraph(path, nullptr, 0, 0, reverse, want);
}

void DeleteDIB(Dib* dib) {
  if (dib == nullptr) return;
  std::free(dib->pixels);
  FreeMemory(dib);
}

int ConvertDibToGraphImage(Dib* dib, GraphImage* out, int copy) {
  if (out == nullptr) return -1;
  std::memset(out, 0, sizeof *out);
  if (dib == nullptr || dib->pixels == nullptr) return -1;
  const DibHeader& h = dib->header;
  const int bits = h.bitCount;
  const bool palette = (bits == 1 || bits == 4 || bits == 8) && h.compression == kDibRgb;
  const bool direct =
      (bits == 16 || bits == 32) && (h.compression == kDibRgb || h.compression == kDibBitFields);
  const bool rgb24 = bits == 24 && h.compression == kDibRgb;
  if (!palette && !direct && !rgb24) return -1;
  if (h.compression == kDibBitFields && (h.masks[0] == 0 || h.masks[1] == 0 || h.masks[2] == 0)) {
    return -1;
  }
  const int64_t width = h.width;
  const int64_t height = h.height < 0 ? -int64_t{h.height} : h.height;
  const bool topDown = h.height < 0;
  const int64_t sourceRow = (int64_t{bits} * width + 31) / 32 * 4;
  const int outBytes = palette ? 3 : bits / 8;
  const int64_t pitch = PaddedRow(width * outBytes);
  if (!SizeFits(width, height, pitch) || dib->pitch < sourceRow) return -1;

  if (palette) {
    InitRgb24ColorFormat(&out->format);
  } else {
    out->format = HeaderFormat(h);
    ComputeColorFormatFillMask(&out->format);
  }
  out->width = static_cast<int32_t>(width);
  out->height = static_cast<int32_t>(height);
  out->pitch = static_cast<int32_t>(pitch);

  if (!palette && topDown && copy == 0 && dib->pitch == pitch) {
    out->pixels = dib->pixels;
    dib->pixels = nullptr;
    return 1;
  }
  auto* pixels = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(pitch * height)));
  if (pixels == nullptr) {
    std::memset(out, 0, sizeof *out);
    return WriteLog("２４ビットカラー化したグラフィックを格納するメモリ領域の確保に失敗しました\n");
  }
  const auto* source = static_cast<const uint8_t*>(dib->pixels);
  const uint32_t entries = h.paletteCount < 256 ? h.paletteCount : 256;
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* from = source + (topDown ? y : height - 1 - y) * dib->pitch;
    uint8_t* to = pixels + y * pitch;
    if (palette) {
      for (int x = 0; x < width; ++x) {
        const uint32_t index = PaletteIndex(from, x, bits);
        WritePixel24(to + x * 3, index < entries ? h.palette[index] : 0);
      }
    } else {
      std::memcpy(to, from, static_cast<size_t>(width * outBytes));
    }
    std::memset(to + width * outBytes, 0, static_cast<size_t>(pitch - width * outBytes));
  }
  out->pixels = pixels;
  return 0;
}

int CopyGraphForRegion(int graph, GraphImage* out) {
  if (out == nullptr) return -1;
  std::memset(out, 0, sizeof *out);
  GraphRecord* r = GetGraphRecord(graph);
  if (r == nullptr || r->flags.texture == 1 || r->pieceCount < 1) return -1;
  // Transparent pixels must read 0, so the copy carries no fill bits.
  out->format = DibFormat(32, 0xFF0000u, 0xFF00u, 0xFFu);
  out->width = r->width;
  out->height = r->height;
  out->pitch = r->width * 4;
  out->pixels = std::calloc(static_cast<size_t>(out->pitch) * r->height, 1);
  if (out->pixels == nullptr) return -1;
  const int count = r->pieceCount < kMaxGraphPieces ? r->pieceCount : kMaxGraphPieces;
  for (int i = 0; i < count; ++i) {
    const Surface2DRecord* p = GetSurface2DRecord(r->pieces[i]);
    SurfaceRecord* s = p != nullptr ? GetSurfaceRecord(p->surface) : nullptr;
    if (s == nullptr || s->surface == nullptr) {
      FreeGraphImage(out);
      return -1;
    }
    platform::PixelFormat pf;
    ColorFormat from{};
    s->surface->GetPixelFormat(&pf);
    GetSurfaceColorFormat(&pf, &from);
    if (from.bitsPerPixel == 8)
      std::memcpy(from.palette, GetScreenColorFormat()->palette, sizeof from.palette);
    const Rect area{p->xOnSurface, p->yOnSurface, p->xOnSurface + p->width,
                    p->yOnSurface + p->height};
    const Rect piece{0, 0, p->width, p->height};
    int pitch = 0;
    void* bits = nullptr;
    const int locked = LockSurface(p->surface, &pitch, &bits, 0, &area);
    if (locked == -2) UnlockSurface(p->surface);
    if (locked != 0 || p->xInGraph + p->width > r->width || p->yInGraph + p->height > r->height) {
      if (locked == 0) UnlockSurface(p->surface);
      FreeGraphImage(out);
      return -1;
    }
    const int copied =
        ConvertColorFormatBlt(static_cast<uint8_t*>(out->pixels), out->pitch, &out->format,
                              static_cast<const uint8_t*>(bits), pitch, &from, nullptr, 0, nullptr,
                              p->xInGraph, p->yInGraph, &piece, 0, 0, 0, 0, 0);
    UnlockSurface(p->surface);
    if (copied != 0) {
      FreeGraphImage(out);
      return -1;
    }
  }
  KeepChannelBits(static_cast<uint8_t*>(out->pixels), out->pitch, out->width, out->height,
                  out->format);
  return 0;
}

}  // namespace morrow
