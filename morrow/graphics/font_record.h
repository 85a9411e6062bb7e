// The record behind a font handle and its glyph cache.
//
// Every font keeps the glyphs it has rendered in square cells of its cache, so that a character
// is rendered by the font service once and afterwards only copied. A font caches in one of two
// places, chosen when it is made: on the software path in the cache bitmap (a plain buffer of 1,
// 8 or 16 bits a pixel, by font type), whose pixels FontCacheStringDraw writes into a locked
// surface; on the texture path in the cache graph, whose cells are drawn with the graph drawing
// calls.
//
// Cache bitmap values by font type: 0 one bit, 1 = glyph; 1 one byte, 0xFF body, any other
// non-zero value edge; 2 one byte, 16 x level - 1 (levels 1..16); 3 two bytes, the low one the
// body and the high one the edge, each 16 x level - 1.
#pragma once

#include <cstdint>
#include <memory>

#include "morrow/graphics/graph_image.h"
#include "morrow/graphics/handle.h"
#include "morrow/system/rect.h"
#include "platform/display.h"
#include "platform/font.h"

namespace morrow {

constexpr int kFontTypeEdged = 1;
constexpr int kFontTypeAntialiased = 2;

constexpr int kGlyphCacheEntries = 2025;  // one more than the largest entry count
constexpr int kMaxGlyphEntries = 2024;
constexpr int kGlyphCodeSlots = 65536;
constexpr int kMaxFontCell = 1024;  // a larger cell would make a cache of gigabytes
constexpr int kCodeListLength = 256;

struct GlyphCodeSlot;

struct GlyphCacheEntry {
  uint16_t inUse;
  int16_t xOffset;  // from the pen to the left of the glyph box
  int16_t yOffset;  // from the top of the line to the top of the glyph box
  int16_t advance;
  int32_t cellNumber;  // entry n owns cell n for good
  int16_t width;       // the glyph box (0 for a space)
  int16_t height;
  GlyphCodeSlot* backPointer;  // the code slot that points at this entry
};

struct GlyphCodeSlot {
  int32_t cached;
  GlyphCacheEntry* entry;
};

// A character as a zero-terminated string of one or two bytes: a code record.
struct GlyphCode {
  char bytes[3];
};

// One per font handle; made value-initialised (all zero).
struct FontRecord {
  uint32_t checkNumber;
  int* lostFlag;  // written 1 when the font is deleted; null = none
  GlyphCacheEntry entries[kGlyphCacheEntries];
  GlyphCodeSlot codes[kGlyphCodeSlots];
  int32_t nextEntry;   // the entry filled next (first in, first out)
  int32_t entryCount;  // 1..2024
  // The cache bitmap (software path): cacheWidth x cacheHeight at cacheBits a pixel, rows
  // top-down, cachePitch bytes apart (a multiple of 4).
  uint8_t* cachePixels;
  int32_t cacheBits;
  int32_t cachePitch;
  // Its colour table below 16 bits (0x00RRGGBB, 2^cacheBits entries).
  uint32_t* palette;
  char faceName[256];
  int32_t thickness;
  int32_t size;
  int32_t lineHeight;  // the font's height (+ 2 x edge when edged), even, at least 2
  int32_t cellSize;    // its widest character (+ 2 x edge when edged), even, 2..1024
  std::unique_ptr<platform::Font> font;
  int32_t fontType;
  int32_t charSetIndex;
  int32_t edgeSize;
  int32_t cacheWidth;
  int32_t cacheHeight;
  int32_t rowsPerColumn;
  // The screen-sized piece text is drawn into before it is blended (software path); -1 none.
  ResourceHandle drawScreen;
  int32_t drawScreenRebuild;
  // The graph holding the cells (texture path); -1 none. The flag is also its deleted flag.
  ResourceHandle cacheGraph;
  int32_t cacheGraphRebuild;
  // One glyph in the cache graph's format before it is copied in (texture path).
  GraphImage staging;
  int32_t textureCache;  // 1: cells in the cache graph; 0: in the cache bitmap
};

// Empties the code index and every entry; entry n takes cell n below the entry count, the entry
// at the entry count cell -1. 0 / -1.
int InitFontCache(int font);
// Makes the font draw screen and the cache graph again where their rebuild flag is set. 0; -1
// for an invalid handle or a surface that cannot be made.
int SetupFontCacheSurface(int font);
// Renders count code records into the cache, replacing the oldest entries. The entry of the
// last one, or null (drawing off, display not ready, invalid handle, count below 1). Failures of
// the font service are fatal.
GlyphCacheEntry* RenderGlyphToCache(int count, const GlyphCode* codes, int font);

// Draws (mode 1) or only measures (mode 0) a string. x, y: the line's top-left; colour and
// edgeColour in the screen's format; target and its alpha plane (may be null) on the software
// path; clip (null: the whole target) in target coordinates; bitDepth 8, 16 or 32; transparent
// 1 leaves empty pixels as they are; length in bytes (-1 or more than the text: all of it);
// vertical 1 runs downwards with each glyph turned a quarter turn clockwise; sizeOut (may be
// null) gets (width, height), or (height, width) when vertical. The total advance; -1 while
// drawing is off, the display is not ready or for an invalid handle.
int FontCacheStringDraw(int mode, int x, int y, const char* text, uint32_t colour,
                        platform::Surface* target, uint8_t* alphaPlane, int alphaPitch,
                        const Rect* clip, int bitDepth, int transparent, int font,
                        uint32_t edgeColour, int length, int vertical, int* sizeOut);

}  // namespace morrow
