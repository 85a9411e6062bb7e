// FontCacheStringDraw: a string laid out from the glyph cache, drawn into a locked surface on the
// software path or through the graph drawing calls on the texture path, or only measured.
//
// The string is taken in pieces of at most 256 characters (the code list), the pen carried from
// one to the next; each piece renders the glyphs it lacks in one batch before it is walked.
#include <algorithm>
#include <cstring>

#include "morrow/device/color_format.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/font.h"
#include "morrow/graphics/font_record.h"
#include "morrow/graphics/glyph_blit.h"
#include "morrow/graphics/graph.h"
#include "morrow/system/log.h"

namespace morrow {
namespace {

constexpr const char* kLockFailed = "描画先サーフェスのロックに失敗しました in FontCacheStringDraw";
constexpr const char* kCacheFailed = "テキストキャッシュの作成に失敗しました";

struct Colours {
  uint32_t colour;  // in the screen's format
  uint32_t edge;
  uint32_t colour32;  // 0xFF000000 | red << 16 | green << 8 | blue, for the draw tint
  uint32_t edge32;
};

// Both colours scaled by the draw tint (unless it is white), packed again.
Colours TintedColours(uint32_t colour, uint32_t edge) {
  int c[3] = {}, k[3] = {};
  UnpackScreenColor(colour, &c[0], &c[1], &c[2]);
  UnpackScreenColor(edge, &k[0], &k[1], &k[2]);
  const uint32_t tint = GetDrawState().drawBright;
  if ((tint & 0xFFFFFFu) != 0xFFFFFFu) {
    const int t[3] = {static_cast<int>(tint >> 16 & 0xFF), static_cast<int>(tint >> 8 & 0xFF),
                      static_cast<int>(tint & 0xFF)};
    for (int n = 0; n < 3; ++n) {
      c[n] = c[n] * t[n] / 255;
      k[n] = k[n] * t[n] / 255;
    }
    colour = PackScreenColor(c[0], c[1], c[2]);
    edge = PackScreenColor(k[0], k[1], k[2]);
  }
  auto wide = [](const int* v) {
    return 0xFF000000u | static_cast<uint32_t>(v[0] & 0xFF) << 16 |
           static_cast<uint32_t>(v[1] & 0xFF) << 8 | static_cast<uint32_t>(v[2] & 0xFF);
  };
  return Colours{colour, edge, wide(c), wide(k)};
}

bool IsSpace(const GlyphCode& code) {
  const auto b0 = static_cast<uint8_t>(code.bytes[0]), b1 = static_cast<uint8_t>(code.bytes[1]);
  return (b0 == 0x20 && b1 == 0) || (b0 == 0xA1 && b1 == 0xA1);
}

GlyphCodeSlot& SlotOf(FontRecord* r, const GlyphCode& code) {
  return r->codes[static_cast<uint8_t>(code.bytes[0]) | static_cast<uint8_t>(code.bytes[1]) << 8];
}

// Draws one glyph on the texture path: the cache graph's cell through the drawing calls, the
// edge image first, each with its tint; the caller's tint is put back.
void DrawFromCacheGraph(const FontRecord& r, const GlyphCacheEntry& e, int64_t left, int64_t top,
                        bool vertical, const Colours& colours) {
  DrawState& ds = GetDrawState();
  const uint32_t keptTint = ds.drawBright;
  const int trans = (r.fontType & kFontTypeAntialiased) != 0 ? 0 : 1;
  const bool edged = (r.fontType & kFontTypeEdged) != 0;
  const int sx = e.cellNumber / r.rowsPerColumn * r.cellSize;
  const int sy = e.cellNumber % r.rowsPerColumn * r.cellSize;
  if (!vertical) {
    const int x = SaturateToInt(left), y = SaturateToInt(top);
    if (edged) {
      ds.drawBright = colours.edge32;
      DrawGraphPart(x, y, sx + r.cacheWidth, sy, e.width, e.height, r.cacheGraph, trans, 0);
    }
    ds.drawBright = colours.colour32;
    DrawGraphPart(x, y, sx, sy, e.width, e.height, r.cacheGraph, trans, 0);
    ds.drawBright = keptTint;
    return;
  }
  // The whole graph turned a quarter turn clockwise, so that the cell falls on the turned box,
  // through a draw area of that box widened by a pixel to each side.
  const Rect keptArea = ds.drawArea;
  const int64_t right = left + e.height;
  SetClipRect(SaturateToInt(right - e.height - 1), SaturateToInt(top), SaturateToInt(right + 1),
              SaturateToInt(top + e.width));
  const GraphRecord* graph = GetGraphRecord(r.cacheGraph);
  const float gw = graph != nullptr ? graph->width : 0.0f;
  const float gh = graph != nullptr ? graph->height : 0.0f;
  auto draw = [&](float shift, uint32_t tint) {
    const float R = static_cast<float>(right), T = static_cast<float>(top) - shift;
    ds.drawBright = tint;
    DrawFloatModiGraph(R + sy - 0.5f, T - sx - 0.5f, R + sy - 0.5f, T - sx + gw - 0.5f,
                       R + sy - gh - 0.5f, T - sx + gw - 0.5f, R + sy - gh - 0.5f, T - sx - 0.5f,
                       r.cacheGraph, trans);
  };
  if (edged) draw(static_cast<float>(r.cacheWidth), colours.edge32);
  draw(0.0f, colours.colour32);
  ds.drawBright = keptTint;
  SetClipRect(keptArea.left, keptArea.top, keptArea.right, keptArea.bottom);
}

}  // namespace

int FontCacheStringDraw(int mode, int x, int y, const char* text, uint32_t colour,
                        platform::Surface* target, uint8_t* alphaPlane, int alphaPitch,
                        const Rect* clip, int bitDepth, int transparent, int font,
                        uint32_t edgeColour, int length, int vertical, int* sizeOut) {
  if (GetDrawState().graphicsOff != 0 || IsDirectDrawReady() == nullptr) return -1;
  FontRecord* r = GetFontRecord(font);
  if (r == nullptr) return -1;
  const Colours colours = TintedColours(colour, edgeColour);
  if (text == nullptr || text[0] == '\0') return 0;
  const size_t textLength = std::strlen(text);
  const size_t walked = length == -1 || (length >= 0 && static_cast<size_t>(length) > textLength)
                            ? textLength
                            : static_cast<size_t>(std::max(length, 0));
  const bool draw = mode == 1;
  const bool turned = vertical == 1;
  const bool texture = r->textureCache == 1;

  // The software path draws into the whole target locked once, clipped to the target.
  GlyphTarget locked;
  if (draw && !texture) {
    if (target == nullptr) return -1;
    platform::LockedRect lr;
    if (target->Lock(nullptr, &lr) != platform::DisplayResult::kOk) ExitWithError(kLockFailed);
    locked.bits = lr.bits;
    locked.pitch = lr.pitch;
    // A depth other than the surface's would address outside its rows: nothing is drawn then.
    locked.bitDepth = static_cast<int>(lr.format.bitCount) == bitDepth ? bitDepth : 0;
    locked.alpha = alphaPlane;
    locked.alphaPitch = alphaPitch;
    locked.format = GetScreenColorFormat();
    Rect bounds{0, 0, lr.width, lr.height};
    if (alphaPlane != nullptr) bounds.right = std::min(bounds.right, std::max(alphaPitch, 0));
    Rect area = clip != nullptr ? *clip : bounds;
    ClipRectToRect(&area, &bounds);
    locked.clip = area;
  }

  int64_t pen = 0;
  const int charSet = r->charSetIndex;
  const int missingLimit = std::min(kCodeListLength, r->entryCount);
  for (size_t i = 0; i < walked;) {
    // One piece: the code list and the glyphs it lacks, rendered in one batch.
    GlyphCode list[kCodeListLength];
    GlyphCode missing[kCodeListLength];
    int count = 0, lacking = 0;
    for (; i < walked && count < kCodeListLength; ++count) {
      const auto* p = reinterpret_cast<const unsigned char*>(text + i);
      const bool pair = IsLeadByte(p, charSet) != 0;
      GlyphCode code{{static_cast<char>(p[0]), pair ? static_cast<char>(p[1]) : '\0', '\0'}};
      list[count] = code;
      if (SlotOf(r, code).cached == 0 && lacking < missingLimit) missing[lacking++] = code;
      i += pair ? 2 : 1;
    }
    if (lacking > 0) RenderGlyphToCache(lacking, missing, font);
    for (int k = 0; k < count; ++k) {
      const GlyphCode& code = list[k];
      GlyphCodeSlot& slot = SlotOf(r, code);
      // A glyph rendered earlier in the string may have been replaced since.
      const GlyphCacheEntry* e =
          slot.cached != 0 ? slot.entry : RenderGlyphToCache(1, &list[k], font);
      if (e == nullptr) {
        if (draw && !texture) target->Unlock();
        ExitWithError(kCacheFailed);
      }
      if (draw && !IsSpace(code) && (e->width != 0 || e->height != 0)) {
        int64_t left, top;
        if (turned) {
          left = int64_t{x} + r->lineHeight - e->yOffset - e->height;
          top = int64_t{y} + pen + e->xOffset;
        } else {
          left = int64_t{x} + pen + e->xOffset;
          top = int64_t{y} + e->yOffset;
        }
        if (texture) {
          DrawFromCacheGraph(*r, *e, left, top, turned, colours);
        } else {
          BlitGlyph(*r, *e, locked, GlyphPlacement{left, top, turned}, colours.colour, colours.edge,
                    transparent);
        }
      }
      pen += e->advance;
    }
  }
  if (draw && !texture) target->Unlock();

  const int total = SaturateToInt(pen);
  if (sizeOut != nullptr) {
    sizeOut[0] = turned ? r->lineHeight : total;
    sizeOut[1] = turned ? total : r->lineHeight;
  }
  return total;
}

}  // namespace morrow
