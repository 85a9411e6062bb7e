// The software path's copy of one cached glyph into a locked surface: the pixel values of each
// font type at 8, 16 and 32 bits, with the coverage written into the surface's alpha plane.
#pragma once

#include <cstdint>

#include "morrow/device/color_format.h"
#include "morrow/graphics/font_record.h"
#include "morrow/system/rect.h"

namespace morrow {

struct GlyphTarget {
  uint8_t* bits = nullptr;  // pixel (0, 0) of the locked surface
  int32_t pitch = 0;
  int bitDepth = 0;          // 8, 16 or 32 (anything else draws nothing)
  uint8_t* alpha = nullptr;  // one byte a pixel, or null
  int32_t alphaPitch = 0;
  Rect clip;                            // inside the surface and the alpha plane
  const ColorFormat* format = nullptr;  // the screen's: the layout of the type-3 mix
};

// Where a glyph lands: its box on the target (left, top) and whether it is turned a quarter turn
// clockwise (its pixel (i, j) then goes to column left + height - 1 - j, row top + i).
struct GlyphPlacement {
  int64_t left = 0;
  int64_t top = 0;
  bool vertical = false;
};

// Copies the glyph of entry from the font's cache bitmap. colour and edge are in the target's
// format; transparent 0 writes colour 0 (alpha 0) where the glyph is empty.
void BlitGlyph(const FontRecord& font, const GlyphCacheEntry& entry, const GlyphTarget& target,
               const GlyphPlacement& at, uint32_t colour, uint32_t edge, int transparent);

}  // namespace morrow
