#include "morrow/device/color_format.h"

#include "morrow/device/screen_state.h"
#include "morrow/graphics/surface_flags.h"

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

// ---- display formats, screen colours and presets ----

namespace morrow {
namespace {

TextureFormatPreset g_texturePresets[kTextureFormatPresetCount] = {};
platform::PixelFormat g_zBufferFormat = {0, 0, 0, 0, 0, 0, 0, 0};

// One channel of r, g or b (taken as a byte) at its width and shift. Channels wider than a byte
// (never the case for a screen) keep the byte at their top.
uint32_t PackChannel(int v, int width, int shift) {
  uint32_t byte = static_cast<uint32_t>(v) & 255u;
  if (width <= 0) return 0;
  uint32_t c = width <= 8 ? byte >> (8 - width) : byte << (width - 8);
  return shift < 32 ? c << shift : 0;
}

uint32_t PackRaw(const ColorFormat& f, int r, int g, int b) {
  return PackChannel(r, f.redWidth, f.redShift) + PackChannel(g, f.greenWidth, f.greenShift) +
         PackChannel(b, f.blueWidth, f.blueShift) + f.fillMask;
}

uint32_t NearestPaletteIndex(int r, int g, int b) {
  const ScreenState& s = GetScreenState();
  int64_t best = 0xFFFFFF;
  uint32_t index = 0;
  for (uint32_t i = 0; i < 256; ++i) {
    int64_t dr = int64_t{s.paletteEntries[i].red} - r;
    int64_t dg = int64_t{s.paletteEntries[i].green} - g;
    int64_t db = int64_t{s.paletteEntries[i].blue} - b;
    int64_t d = dr * dr + dg * dg + db * db;
    if (d < best) {
      best = d;
      index = i;
    }
  }
  return index;
}

int UnpackChannel(uint32_t colour, uint32_t mask, int shift, int width) {
  if (width <= 0) return 0;
  uint64_t max = (uint64_t{1} << width) - 1;
  return static_cast<int>(uint64_t{(colour & mask) >> shift} * 255 / max);
}

}  // namespace

int GetSurfaceColorFormat(const platform::PixelFormat* pf, ColorFormat* out) {
  if (GetScreenState().directDraw == nullptr || pf == nullptr || out == nullptr) return -1;
  return InitColorFormatFromMasks(out, static_cast<int>(pf->bitCount), pf->redMask, pf->greenMask,
                                  pf->blueMask, pf->alphaMask);
}

uint32_t PackScreenColor(int r, int g, int b) {
  const ScreenState& s = GetScreenState();
  if (s.screenBitDepth == 8) return NearestPaletteIndex(r, g, b);
  return PackRaw(s.screenFormat, r, g, b);
}

uint32_t PackFormatColor(const ColorFormat* fmt, int r, int g, int b, int a) {
  if (GetScreenState().screenBitDepth == 8) return NearestPaletteIndex(r, g, b);
  if (fmt == nullptr) return 0;
  uint32_t v = PackRaw(*fmt, r, g, b);
  if (fmt->alphaWidth != 0) v += PackChannel(a, fmt->alphaWidth, fmt->alphaShift);
  return v;
}

int UnpackScreenColor(uint32_t colour, int* r, int* g, int* b) {
  const ScreenState& s = GetScreenState();
  int rr, gg, bb;
  if (s.screenBitDepth == 8) {
    if (colour > 255) return -1;
    rr = s.paletteEntries[colour].red;
    gg = s.paletteEntries[colour].green;
    bb = s.paletteEntries[colour].blue;
  } else {
    const ColorFormat& f = s.screenFormat;
    rr = UnpackChannel(colour, f.redMask, f.redShift, f.redWidth);
    gg = UnpackChannel(colour, f.greenMask, f.greenShift, f.greenWidth);
    bb = UnpackChannel(colour, f.blueMask, f.blueShift, f.blueWidth);
  }
  if (r != nullptr) *r = rr;
  if (g != nullptr) *g = gg;
  if (b != nullptr) *b = bb;
  return 0;
}

ColorFormat* SelectPresetColorFormat(uint8_t alphaChannel, uint8_t alphaTest, int is32Bit,
                                     uint8_t drawValid) {
  int kind = drawValid != 0 ? 0 : alphaChannel != 0 ? 2 : alphaTest != 0 ? 4 : 0;
  return &g_texturePresets[kind + (is32Bit != 0 ? 1 : 0)].format;
}

int GetPresetColorFormatIndex(const SurfaceFlags* flags) {
  if (flags == nullptr) return 0;
  int kind = flags->drawValid != 0      ? 0
             : flags->alphaChannel != 0 ? 2
             : flags->alphaTest != 0    ? 4
                                        : 0;
  return kind + (flags->bitDepth != 16 ? 1 : 0);
}

ColorFormat* GetPresetColorFormatForSelection(const SurfaceFlags* flags) {
  return &g_texturePresets[GetPresetColorFormatIndex(flags)].format;
}

TextureFormatPreset* GetPresetColorFormatRecord(int index) {
  if (index < 0 || index >= kTextureFormatPresetCount) return nullptr;
  return &g_texturePresets[index];
}

ColorFormat* GetPresetColorFormat(int index) {
  TextureFormatPreset* p = GetPresetColorFormatRecord(index);
  return p != nullptr ? &p->format : nullptr;
}

void ClearTextureFormatPresets() {
  for (TextureFormatPreset& p : g_texturePresets) p = TextureFormatPreset{};
}

platform::PixelFormat* GetZBufferPixelFormat() {
  return &g_zBufferFormat;
}

}  // namespace morrow
