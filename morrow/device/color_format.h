// Pixel-format descriptors and colour conversion. Every pixel buffer of the library (the
// screen, a loaded image, a surface, a texture, a movie frame) is described by one ColorFormat.
// This file fills it from masks or a display pixel format, keeps the fixed presets and the table
// of texture presets, packs and unpacks colours in the screen's format (which the screen set-up
// of morrow/device/screen_state.h owns), and converts rectangles of pixels between any two
// formats (ConvertColorFormatBlt) for image loading, texture upload, capture and movies.
#pragma once

#include <cstdint>

#include "morrow/raster/color_layout.h"
#include "morrow/system/rect.h"
#include "platform/display.h"

namespace morrow {

// The layout itself belongs to the kernels, which stand below the device.
using ColorFormat = raster::ColorFormat;

}  // namespace morrow

namespace morrow {

// Widths, shifts and the fill mask from explicit masks; bytesPerPixel = bits / 8. The palette is
// left as it was. Always 0.
int InitColorFormatFromMasks(ColorFormat* f, int bits, uint32_t redMask, uint32_t greenMask,
                             uint32_t blueMask, uint32_t alphaMask);
int InitPalette8ColorFormat(ColorFormat* f);
int InitRgb24ColorFormat(ColorFormat* f);
int InitAlpha8ColorFormat(ColorFormat* f);
// fillMask = the pixel's bits outside the four masks when the widths do not add up to the size.
void ComputeColorFormatFillMask(ColorFormat* f);
// 1 when bitsPerPixel and the four masks are equal.
int CompareColorFormat(const ColorFormat* a, const ColorFormat* b);
// Shift (lowest set bit) and width (consecutive set bits from there) of a mask; 0 and 0 for 0.
void MaskShiftAndWidth(uint32_t mask, uint8_t* shift, uint8_t* width);
// A channel value v of width w widened or narrowed to width to: narrower drops low bits, wider
// gives (v << k) + v * (2^k - 1) / (2^w - 1). A zero-width source gives 0.
uint32_t ConvertChannelWidth(uint32_t v, int w, int to);

// From a display pixel format: bits, bytes = bits >> 3, the four masks, widths, shifts and the
// fill mask; the palette is left as it was. -1 (nothing written) while the display is down.
int GetSurfaceColorFormat(const platform::PixelFormat* pf, ColorFormat* out);

// A colour in the screen's format: each channel's top bits at its shift, plus the fill mask. On
// an 8-bit screen: the index of the nearest screen palette entry, the first of equal distance.
uint32_t PackScreenColor(int r, int g, int b);
// The same in fmt, plus the alpha when fmt has one; on an 8-bit screen the nearest screen
// palette index whatever fmt says. Colour keys and fills use it.
uint32_t PackFormatColor(const ColorFormat* fmt, int r, int g, int b, int a);
// A screen colour back to 0..255 channels: (channel * 255) / (2^width - 1). On an 8-bit screen
// the palette entry; -1 for an index outside 0..255.
int UnpackScreenColor(uint32_t colour, int* r, int* g, int* b);

}  // namespace morrow

namespace morrow {

struct SurfaceFlags;

// The texture formats the 3D set-up chooses, each with its display pixel format. Index:
// (bitDepth != 16) + 0 plain, + 2 alpha channel, + 4 alpha test. Empty (bit count 0) until a 3D
// device fills them.
struct TextureFormatPreset {
  platform::PixelFormat pixelFormat;
  ColorFormat format;
};
constexpr int kTextureFormatPresetCount = 6;

// Draw targets take the plain preset; else alpha channel, else alpha test, else plain; 16 or 32
// bits by is32Bit.
ColorFormat* SelectPresetColorFormat(uint8_t alphaChannel, uint8_t alphaTest, int is32Bit,
                                     uint8_t drawValid);
ColorFormat* GetPresetColorFormatForSelection(const SurfaceFlags* flags);
// 0..5 by the rule above (a bitDepth other than 16 counts as 32).
int GetPresetColorFormatIndex(const SurfaceFlags* flags);
// The record or its format; null for an index outside 0..5.
TextureFormatPreset* GetPresetColorFormatRecord(int index);
ColorFormat* GetPresetColorFormat(int index);
// Empties all six presets (the 3D set-up does this before it enumerates).
void ClearTextureFormatPresets();
// The depth-buffer format the 3D set-up chose (all zero when none).
platform::PixelFormat* GetZBufferPixelFormat();

// Copies srcRect of src (a row is right - left pixels, there are bottom - top rows) to
// (destX, destY) of dest, converting srcFmt to destFmt. Pitches are in bytes.
//  - The destination's alpha comes from alphaPlane (through alphaFmt, its red channel) when
//    given and src has no alpha, else from src's alpha channel; with neither, all alpha bits are
//    set, and keyToAlpha (honoured only then) clears them where red, green and blue equal those
//    of keyColour (0x00RRGGBB).
//  - Channels are narrowed by dropping low bits (ordered 4x4 dither when dither = 1) and widened
//    by (v << k) + v * (2^k - 1) / (2^w - 1); a channel the source lacks becomes 0.
//  - mirror writes each row from its right end; colourToBlack keeps only the alpha.
//  - Every written pixel carries destFmt's fill mask.
// 0; -1 (nothing written) when a pointer is null or a used format is not 8, 16, 24 or 32 bits.
int ConvertColorFormatBlt(uint8_t* dest, int destPitch, const ColorFormat* destFmt,
                          const uint8_t* src, int srcPitch, const ColorFormat* srcFmt,
                          const uint8_t* alphaPlane, int alphaPitch, const ColorFormat* alphaFmt,
                          int destX, int destY, const Rect* srcRect, int mirror, int keyToAlpha,
                          uint32_t keyColour, int dither, int colourToBlack);

// The per-channel path of ConvertColorFormatBlt alone, with no straight copy and no fast path:
// the reference the faster paths are held to.
int ConvertColorFormatBltGeneral(uint8_t* dest, int destPitch, const ColorFormat* destFmt,
                                 const uint8_t* src, int srcPitch, const ColorFormat* srcFmt,
                                 const uint8_t* alphaPlane, int alphaPitch,
                                 const ColorFormat* alphaFmt, int destX, int destY,
                                 const Rect* srcRect, int mirror, int keyToAlpha,
                                 uint32_t keyColour, int dither, int colourToBlack);

}  // namespace morrow
