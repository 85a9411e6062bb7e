// The glyph cache: its entries and code index, the surfaces a font draws with, and the rendering
// of characters into the cells.
//
// A glyph is laid out in a level grid first (its own levels, and the edge grown around them),
// then written into its cell in the values of the font's type. Every cell is cleared before it
// is rendered, and nothing of a glyph reaches past its cell: a glyph larger than the cell is cut.
#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/font.h"
#include "morrow/graphics/font_record.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_load.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/system/log.h"

namespace morrow {
namespace {

constexpr const char* kRenderFailed = "テキストキャッシュサーフェスのＤＣの取得に失敗しました";
constexpr const char* kOutlineFailed = "GetGlyphOutline 関数が失敗しました";
constexpr const char* kBufferFailed = "アンチエイリアス文字取得用バッファの確保に失敗しました";

// The edge masks of sizes 2 to 4, row by row; size 1 reaches the four neighbours, sizes from 5
// the whole square.
constexpr const char* kMask2 =
    "01110"
    "11111"
    "11111"
    "11111"
    "01110";
constexpr const char* kMask3 =
    "0001000"
    "0111110"
    "0111110"
    "1111111"
    "0111110"
    "0111110"
    "0001000";
constexpr const char* kMask4 =
    "001111100"
    "011111110"
    "111111111"
    "111111111"
    "111111111"
    "111111111"
    "111111111"
    "011111110"
    "001111100";

struct Offset {
  int dx, dy;
};

std::vector<Offset> MaskOffsets(int edge) {
  if (edge == 1) return {{0, -1}, {-1, 0}, {1, 0}, {0, 1}};
  const char* rows = edge == 2 ? kMask2 : edge == 3 ? kMask3 : kMask4;
  const int side = 2 * edge + 1;
  std::vector<Offset> offsets;
  for (int j = 0; j < side; ++j) {
    for (int i = 0; i < side; ++i) {
      if (edge >= 5 || rows[j * side + i] == '1') offsets.push_back({i - edge, j - edge});
    }
  }
  return offsets;
}

// A grid of levels 0..16 (or 0 and 1) with the glyph box at (margin, margin).
struct LevelGrid {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> v;
  uint8_t& At(int x, int y) { return v[static_cast<size_t>(y) * width + x]; }
  uint8_t At(int x, int y) const { return v[static_cast<size_t>(y) * width + x]; }
};

// The largest value within `reach` of each pixel along one axis, by a monotonic queue.
void SlidingMax(const uint8_t* in, uint8_t* out, int count, size_t stride, int reach) {
  std::deque<int> window;  // indices of falling values
  int next = 0;
  for (int i = 0; i < count; ++i) {
    for (; next < count && next <= i + reach; ++next) {
      while (!window.empty() && in[window.back() * stride] <= in[next * stride]) window.pop_back();
      window.push_back(next);
    }
    while (window.front() < i - reach) window.pop_front();
    out[i * stride] = in[window.front() * stride];
  }
}

// A grid where op(v, p) has run for every pixel p under the edge mask around each glyph pixel
// of level v > 0, glyph pixels in rows from the top.
template <typename Op>
LevelGrid Spread(const LevelGrid& levels, int edge, Op op) {
  LevelGrid out{levels.width, levels.height, std::vector<uint8_t>(levels.v.size(), 0)};
  const std::vector<Offset> offsets = MaskOffsets(edge);
  for (int y = 0; y < levels.height; ++y) {
    for (int x = 0; x < levels.width; ++x) {
      const uint8_t v = levels.At(x, y);
      if (v == 0) continue;
      for (const Offset& o : offsets) {
        const int px = x + o.dx, py = y + o.dy;
        if (px >= 0 && py >= 0 && px < out.width && py < out.height) op(v, out.At(px, py));
      }
    }
  }
  return out;
}

// The largest level under the edge mask around each pixel.
LevelGrid Dilate(const LevelGrid& levels, int edge) {
  LevelGrid out{levels.width, levels.height, std::vector<uint8_t>(levels.v.size(), 0)};
  if (levels.v.empty()) return out;
  if (edge >= 5) {
    // The whole square: rows, then columns.
    LevelGrid rows = out;
    for (int y = 0; y < levels.height; ++y) {
      SlidingMax(&levels.v[static_cast<size_t>(y) * levels.width],
                 &rows.v[static_cast<size_t>(y) * levels.width], levels.width, 1, edge);
    }
    for (int x = 0; x < levels.width; ++x) {
      SlidingMax(&rows.v[x], &out.v[x], levels.height, static_cast<size_t>(levels.width), edge);
    }
    return out;
  }
  return Spread(levels, edge, [](uint8_t v, uint8_t& p) { p = std::max(p, v); });
}

// Each pixel under the mask around a glyph pixel of level v takes edge := 16 - (16 - edge) x
// (16 - v) / 16, glyph pixels taken in rows from the top.
LevelGrid BlendEdge(const LevelGrid& levels, int edge) {
  return Spread(levels, edge, [](uint8_t v, uint8_t& p) {
    p = static_cast<uint8_t>(16 - (16 - p) * (16 - v) / 16);
  });
}

int CellX(const FontRecord& r, const GlyphCacheEntry& e) {
  return e.cellNumber / r.rowsPerColumn * r.cellSize;
}
int CellY(const FontRecord& r, const GlyphCacheEntry& e) {
  return e.cellNumber % r.rowsPerColumn * r.cellSize;
}

// The edge drawn around glyphs: none for a font that is not edged or whose edge is below 1.
int DrawnEdge(const FontRecord& r) {
  return (r.fontType & kFontTypeEdged) != 0 && r.edgeSize >= 1 ? r.edgeSize : 0;
}

void ClearCell(FontRecord& r, int cx, int cy) {
  const int bytesPerPixel = r.cacheBits / 8;
  for (int y = 0; y < r.cellSize; ++y) {
    uint8_t* row = r.cachePixels + static_cast<size_t>(cy + y) * r.cachePitch;
    if (r.cacheBits == 1) {
      // Type 0 caches are one column wide: cx is 0 and the cell is the whole row.
      std::memset(row, 0, static_cast<size_t>(r.cachePitch));
    } else {
      std::memset(row + static_cast<size_t>(cx) * bytesPerPixel, 0,
                  static_cast<size_t>(r.cellSize) * bytesPerPixel);
    }
  }
}

// Types 0 and 1 on the software path: the extent and the character output into the cell, the
// edge of type 1 grown from the body (value 0xFF) by setting bit 0 around it.
void RenderByCharacterOutput(FontRecord& r, GlyphCacheEntry& entry, const GlyphCode& code,
                             int edge) {
  const int cx = CellX(r, entry), cy = CellY(r, entry);
  int32_t width = 0, height = 0;
  r.font->TextExtent(code.bytes, &width, &height);
  entry.xOffset = 0;
  entry.yOffset = 0;
  entry.width = static_cast<int16_t>(std::clamp(width, 0, 0x7FFF));
  entry.height = static_cast<int16_t>(std::clamp(height, 0, 0x7FFF));
  entry.advance = entry.width;
  const int cell = r.cellSize;
  uint8_t* origin = r.cachePixels + static_cast<size_t>(cy) * r.cachePitch +
                    (r.cacheBits == 8 ? static_cast<size_t>(cx) : 0);
  const uint32_t value = r.cacheBits == 1 ? 1 : 0xFF;
  if (!platform::DrawCharacter(*r.font, code.bytes, origin, r.cachePitch, r.cacheBits, cell, cell,
                               edge, edge, value)) {
    ExitWithError(kRenderFailed);
  }
  if (r.fontType != 1 || edge == 0) return;
  // The body inside the glyph box; its edge reaches at most the edge size past the box, and never
  // past the cell.
  const int boxRight = std::min(edge + int{entry.width}, cell);
  const int boxBottom = std::min(edge + int{entry.height}, cell);
  const int side = std::min(boxRight + edge, cell), tall = std::min(boxBottom + edge, cell);
  LevelGrid body{side, tall, std::vector<uint8_t>(static_cast<size_t>(side) * tall, 0)};
  for (int y = edge; y < boxBottom; ++y) {
    for (int x = edge; x < boxRight; ++x) body.At(x, y) = (origin[y * r.cachePitch + x] & 2) != 0;
  }
  const LevelGrid grown = Dilate(body, edge);
  for (int y = 0; y < tall; ++y) {
    for (int x = 0; x < side; ++x) {
      if (grown.At(x, y) != 0) origin[y * r.cachePitch + x] |= 1;
    }
  }
}

// The staging pixel of a level in the staging format: colour all ones, alpha by the level.
uint32_t StagingPixel(const ColorFormat& f, int level) {
  const uint32_t colour = f.redMask | f.greenMask | f.blueMask | f.fillMask;
  if (level <= 0) return colour;
  uint32_t alpha = f.alphaMask;
  if (f.alphaWidth > 1) {
    alpha =
        ((static_cast<uint32_t>(level) << (f.alphaWidth - 4)) - 1) << f.alphaShift & f.alphaMask;
  }
  return colour | alpha;
}

void PutStaging(GraphImage& s, int x, int y, int level) {
  if (x < 0 || y < 0 || x >= s.width || y >= s.height) return;
  const uint32_t p = StagingPixel(s.format, level);
  uint8_t* at = static_cast<uint8_t*>(s.pixels) + static_cast<size_t>(y) * s.pitch +
                static_cast<size_t>(x) * s.format.bytesPerPixel;
  for (int b = 0; b < s.format.bytesPerPixel; ++b) at[b] = static_cast<uint8_t>(p >> (8 * b));
}

// Writes a glyph laid out in a level grid (glyph box at (edge, edge)) into its cell.
void StoreGlyph(FontRecord& r, const GlyphCacheEntry& entry, const LevelGrid& levels, int edge) {
  const int cell = r.cellSize;
  const int cx = CellX(r, entry), cy = CellY(r, entry);
  // Only what lies inside the cell is written.
  const int w = std::min(levels.width, cell), h = std::min(levels.height, cell);
  if (r.textureCache == 1) {
    // The whole cell is written, so that no pixel of the glyph it held before is left.
    GraphImage& s = r.staging;
    auto level = [&](const LevelGrid& g, int x, int y) { return x < w && y < h ? g.At(x, y) : 0; };
    const LevelGrid edges = edge != 0 ? BlendEdge(levels, edge) : LevelGrid{};
    for (int y = 0; y < cell; ++y) {
      for (int x = 0; x < cell; ++x) {
        PutStaging(s, x, y, level(levels, x, y));
        if (edge != 0) PutStaging(s, cell + x, y, level(edges, x, y));
      }
    }
    const Rect glyph{0, 0, cell, cell};
    SetupGraphFromFile(nullptr, &s, nullptr, &glyph, cx, cy, r.cacheGraph, 0);
    if (edge != 0) {
      const Rect edgeCell{cell, 0, 2 * cell, cell};
      SetupGraphFromFile(nullptr, &s, nullptr, &edgeCell, cx + r.cacheWidth, cy, r.cacheGraph, 0);
    }
    return;
  }
  if (r.fontType == 2) {
    for (int y = 0; y < h; ++y) {
      uint8_t* row = r.cachePixels + static_cast<size_t>(cy + y) * r.cachePitch + cx;
      for (int x = 0; x < w; ++x) {
        const int v = levels.At(x, y);
        if (v > 0) row[x] = static_cast<uint8_t>(16 * v - 1);
      }
    }
    return;
  }
  // Type 3: the body in the low byte, the edge in the high one. The edge rises only outside the
  // glyph box or over a pixel the glyph does not cover fully.
  LevelGrid edges =
      edge != 0 ? Dilate(levels, edge)
                : LevelGrid{levels.width, levels.height, std::vector<uint8_t>(levels.v.size())};
  for (int y = 0; y < h; ++y) {
    uint8_t* row = r.cachePixels + static_cast<size_t>(cy + y) * r.cachePitch + 2 * cx;
    for (int x = 0; x < w; ++x) {
      const int v = levels.At(x, y);
      const int e = v >= 16 ? 0 : edges.At(x, y);
      row[2 * x] = static_cast<uint8_t>(v > 0 ? 16 * v - 1 : 0);
      row[2 * x + 1] = static_cast<uint8_t>(e > 0 ? 16 * e - 1 : 0);
    }
  }
}

// Every other case: the glyph's outline as levels (16 for a set bit of the 1-bit form). A blank
// glyph is taken as a space. False for a blank glyph.
bool RenderByOutline(FontRecord& r, GlyphCacheEntry& entry, const GlyphCode& code, int edge,
                     int ascent) {
  const auto b0 = static_cast<uint8_t>(code.bytes[0]), b1 = static_cast<uint8_t>(code.bytes[1]);
  const bool pair = IsLeadByte(&b0, r.charSetIndex) != 0;
  const uint32_t gdiCode = pair ? static_cast<uint32_t>(b0) << 8 | b1 : b0;
  const platform::GlyphFormat format = r.textureCache == 1 && (r.fontType & 2) == 0
                                           ? platform::GlyphFormat::kMono1
                                           : platform::GlyphFormat::kGray17;
  platform::GlyphMetrics m;
  const bool space = gdiCode == 0x20 || gdiCode == 0xA1A1;
  const int64_t size = r.font->GlyphOutline(gdiCode, format, &m, nullptr, 0);
  if (size < 0) ExitWithError(kOutlineFailed);
  entry.advance = static_cast<int16_t>(std::clamp(m.cellIncX, -0x8000, 0x7FFF));
  if (space || size == 0 || m.blackBoxHeight <= 0 || m.blackBoxWidth <= 0) {
    entry.xOffset = entry.yOffset = entry.width = entry.height = 0;
    return false;
  }
  std::vector<uint8_t> bits;
  try {
    bits.assign(static_cast<size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    ExitWithError(kBufferFailed);
  }
  if (r.font->GlyphOutline(gdiCode, format, &m, bits.data(), bits.size()) < 0) {
    ExitWithError(kOutlineFailed);
  }
  entry.xOffset = static_cast<int16_t>(std::clamp(m.originX, -0x8000, 0x7FFF));
  entry.yOffset = static_cast<int16_t>(std::clamp(ascent - m.originY, -0x8000, 0x7FFF));
  // The box is cut to the cell: nothing beyond it could be stored.
  const int cell = r.cellSize;
  const int w = std::min(m.blackBoxWidth, cell), h = std::min(m.blackBoxHeight, cell);
  entry.width = static_cast<int16_t>(w);
  entry.height = static_cast<int16_t>(h);
  const int64_t pitch = size / m.blackBoxHeight / 4 * 4;
  const int side = std::min(cell, w + 2 * edge), tall = std::min(cell, h + 2 * edge);
  LevelGrid levels{side, tall, std::vector<uint8_t>(static_cast<size_t>(side) * tall, 0)};
  for (int j = 0; j < h && edge + j < tall; ++j) {
    const uint8_t* row = bits.data() + j * pitch;
    for (int i = 0; i < w && edge + i < side; ++i) {
      const int v = format == platform::GlyphFormat::kMono1
                        ? ((row[i >> 3] >> (7 - (i & 7))) & 1) * 16
                        : std::min<int>(row[i], 16);
      levels.At(edge + i, edge + j) = static_cast<uint8_t>(v);
    }
  }
  StoreGlyph(r, entry, levels, edge);
  return true;
}

}  // namespace

int InitFontCache(int font) {
  FontRecord* r = GetFontRecord(font);
  if (r == nullptr) return -1;
  std::memset(r->codes, 0, sizeof r->codes);
  std::memset(r->entries, 0, sizeof r->entries);
  for (int n = 0; n < r->entryCount; ++n) r->entries[n].cellNumber = n;
  r->entries[r->entryCount].cellNumber = -1;
  r->nextEntry = 0;
  return 0;
}

int SetupFontCacheSurface(int font) {
  FontRecord* r = GetFontRecord(font);
  if (r == nullptr) return -1;
  if (r->drawScreenRebuild == 1) {
    r->drawScreenRebuild = 0;
    int width = 0, height = 0;
    GetScreenSize(&width, &height);
    SurfaceFlags flags{};
    flags.texture = 0;
    flags.alphaChannel = (r->fontType & kFontTypeAntialiased) != 0 ? 1 : 0;
    flags.drawValid = 1;
    flags.systemMemory = 1;
    flags.alphaTest = 0;
    flags.bitDepth = static_cast<uint8_t>(GetScreenBitDepth());
    r->drawScreen = AddSurface2D(static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0, 0,
                                 -1, nullptr, 0, 0, &flags);
    if (r->drawScreen == -1) return -1;
    SetSurface2DDeletedFlag(r->drawScreen, &r->drawScreenRebuild);
  }
  if (r->cacheGraphRebuild == 1) {
    r->cacheGraphRebuild = 0;
    DrawState& ds = GetDrawState();
    const DrawState kept = ds;
    const bool aa = (r->fontType & kFontTypeAntialiased) != 0;
    ds.newGraphAlphaChannel = aa ? 1 : 0;
    ds.newGraphAlphaTest = aa ? 0 : 1;
    ds.newGraphBitDepth = 16;
    ds.useDirect3D = 1;
    const int edged = (r->fontType & kFontTypeEdged) != 0 ? 2 : 1;
    const int graph = CreateEmptyGraph(r->cacheWidth * edged, r->cacheHeight);
    ds.newGraphAlphaChannel = kept.newGraphAlphaChannel;
    ds.newGraphAlphaTest = kept.newGraphAlphaTest;
    ds.newGraphBitDepth = kept.newGraphBitDepth;
    ds.useDirect3D = kept.useDirect3D;
    if (GetGraphRecord(graph) == nullptr) return -1;
    r->cacheGraph = graph;
    SetGraphDeletedFlag(graph, &r->cacheGraphRebuild);
    PaintGraph(graph, 255, 255, 255, 0);
    InitFontCache(font);
  }
  return 0;
}

GlyphCacheEntry* RenderGlyphToCache(int count, const GlyphCode* codes, int font) {
  if (GetDrawState().graphicsOff != 0 || IsDirectDrawReady() == nullptr) return nullptr;
  FontRecord* r = GetFontRecord(font);
  if (r == nullptr || codes == nullptr || count < 1) return nullptr;
  if (r->font == nullptr || (r->textureCache == 0 && r->cachePixels == nullptr)) {
    ExitWithError(kRenderFailed);
  }
  const int ascent = r->font->Metrics().ascent;
  const int edge = DrawnEdge(*r);
  GlyphCacheEntry* entry = nullptr;
  for (int k = 0; k < count; ++k) {
    const GlyphCode& code = codes[k];
    entry = &r->entries[r->nextEntry];
    if (entry->inUse != 0) {
      if (entry->backPointer != nullptr) *entry->backPointer = GlyphCodeSlot{};
      entry->inUse = 0;
    }
    const auto b0 = static_cast<uint8_t>(code.bytes[0]), b1 = static_cast<uint8_t>(code.bytes[1]);
    GlyphCodeSlot& slot = r->codes[b0 | b1 << 8];
    slot.cached = 1;
    slot.entry = entry;
    entry->backPointer = &slot;
    entry->inUse = 1;

    bool drawn = true;
    if (r->textureCache == 1) {
      drawn = RenderByOutline(*r, *entry, code, edge, ascent);
    } else {
      ClearCell(*r, CellX(*r, *entry), CellY(*r, *entry));
      if ((r->fontType & kFontTypeAntialiased) == 0) {
        RenderByCharacterOutput(*r, *entry, code, edge);
      } else {
        drawn = RenderByOutline(*r, *entry, code, edge, ascent);
      }
    }
    if (edge != 0) {
      entry->advance = static_cast<int16_t>(std::min(entry->advance + 2 * edge, 0x7FFF));
      if (drawn) {
        entry->width = static_cast<int16_t>(std::min(entry->width + 2 * edge, r->cellSize));
        entry->height = static_cast<int16_t>(std::min(entry->height + 2 * edge, r->cellSize));
      }
    }
    // Whatever the font says, the box drawn from the cell stays inside it.
    entry->width = static_cast<int16_t>(std::min<int>(entry->width, r->cellSize));
    entry->height = static_cast<int16_t>(std::min<int>(entry->height, r->cellSize));
    if (++r->nextEntry >= r->entryCount) r->nextEntry = 0;
  }
  return entry;
}

}  // namespace morrow
