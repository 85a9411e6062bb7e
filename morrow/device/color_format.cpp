#include "morrow/device/color_format.h"

namespace morrow {

void MaskShiftAndWidth(uint32_t mask, uint8_t* shift, uint8_t* width) {
  if (mask == 0) {
    *shift = 0;
    *width = 0;
    return;
  }
  uint8_t s = 0;
  while (((mask >> s) & 1u) == 0) ++s;
  uint8_t w = 0;
  while (s + w < 32 && ((mask >> (s + w)) & 1u) != 0) ++w;
  *shift = s;
  *width = w;
}

void ComputeColorFormatFillMask(ColorFormat* f) {
  int widths = f->redWidth + f->greenWidth + f->blueWidth + f->alphaWidth;
  if (widths == f->bitsPerPixel) {
    f->fillMask = 0;
    return;
  }
  uint32_t all = f->bitsPerPixel >= 32 ? 0xFFFFFFFFu : ((1u << f->bitsPerPixel) - 1u);
  f->fillMask = all & ~(f->redMask | f->greenMask | f->blueMask | f->alphaMask);
}

int InitColorFormatFromMasks(ColorFormat* f, int bits, uint32_t redMask, uint32_t greenMask,
                             uint32_t blueMask, uint32_t alphaMask) {
  f->bitsPerPixel = static_cast<uint16_t>(bits);
  f->bytesPerPixel = static_cast<uint16_t>(bits / 8);
  f->redMask = redMask;
  f->greenMask = greenMask;
  f->blueMask = blueMask;
  f->alphaMask = alphaMask;
  MaskShiftAndWidth(redMask, &f->redShift, &f->redWidth);
  MaskShiftAndWidth(greenMask, &f->greenShift, &f->greenWidth);
  MaskShiftAndWidth(blueMask, &f->blueShift, &f->blueWidth);
  MaskShiftAndWidth(alphaMask, &f->alphaShift, &f->alphaWidth);
  ComputeColorFormatFillMask(f);
  return 0;
}

int InitPalette8ColorFormat(ColorFormat* f) {
  InitColorFormatFromMasks(f, 8, 0xFF0000u, 0xFF00u, 0xFFu, 0);
  f->fillMask = 0xFF000000u;
  return 0;
}

int InitRgb24ColorFormat(ColorFormat* f) {
  InitColorFormatFromMasks(f, 24, 0xFF0000u, 0xFF00u, 0xFFu, 0);
  f->fillMask = 0;
  return 0;
}

int InitAlpha8ColorFormat(ColorFormat* f) {
  InitColorFormatFromMasks(f, 8, 0xFFu, 0xFFu, 0xFFu, 0xFFu);
  f->fillMask = 0;
  return 0;
}

int CompareColorFormat(const ColorFormat* a, const ColorFormat* b) {
  return (a->bitsPerPixel == b->bitsPerPixel && a->redMask == b->redMask &&
          a->greenMask == b->greenMask && a->blueMask == b->blueMask &&
          a->alphaMask == b->alphaMask)
             ? 1
             : 0;
}

uint32_t ConvertChannelWidth(uint32_t v, int w, int to) {
  if (w <= 0) return 0;
  if (w == to) return v;
  if (to < w) return v >> (w - to);
  int k = to - w;
  return (v << k) + v * ((1u << k) - 1u) / ((1u << w) - 1u);
}

}  // namespace morrow
