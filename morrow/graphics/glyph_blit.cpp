#include "morrow/graphics/glyph_blit.h"

#include <algorithm>

namespace morrow {
namespace {

// The channel fields the type-3 mix works on; a layout it does not know draws nothing.
struct MixLayout {
  bool known = false;
  uint32_t mask[3] = {};
  int shift[3] = {};
  uint32_t fill = 0;
};

MixLayout LayoutFor(const ColorFormat* f, int bitDepth) {
  MixLayout m;
  if (f == nullptr) return m;
  auto set = [&](uint32_t r, int rs, uint32_t g, int gs, uint32_t b, int bs) {
    m = MixLayout{true, {r, g, b}, {rs, gs, bs}, f->fillMask};
  };
  if (bitDepth == 32) {
    set(0xFF0000u, 16, 0xFF00u, 8, 0xFFu, 0);
  } else if (bitDepth == 16) {
    // A 5:5:5 screen also has a bit in each of the 5:6:5 fields: its own layout is tested first.
    if (f->redMask == 0x7C00u && f->greenMask == 0x03E0u && f->blueMask == 0x001Fu) {
      set(0x7C00u, 10, 0x03E0u, 5, 0x001Fu, 0);
    } else if (f->redMask == 0xF800u && f->greenMask == 0x07E0u && f->blueMask == 0x001Fu) {
      set(0xF800u, 11, 0x07E0u, 5, 0x001Fu, 0);
    }
  }
  return m;
}

// k + (c - k) x t / 256 per channel, in signed arithmetic, with the format's fill bits.
uint32_t Mix(const MixLayout& m, uint32_t c, uint32_t k, int t) {
  uint32_t out = m.fill;
  for (int n = 0; n < 3; ++n) {
    const int cc = static_cast<int>((c & m.mask[n]) >> m.shift[n]);
    const int kk = static_cast<int>((k & m.mask[n]) >> m.shift[n]);
    const int v = kk + (cc - kk) * t / 256;
    out |= (static_cast<uint32_t>(v) << m.shift[n]) & m.mask[n];
  }
  return out;
}

uint32_t CacheValue(const FontRecord& f, int64_t x, int64_t y) {
  const uint8_t* row = f.cachePixels + y * f.cachePitch;
  switch (f.cacheBits) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 8:
      return row[x];
    default:
      return static_cast<uint32_t>(row[2 * x] | row[2 * x + 1] << 8);
  }
}

void Put(const GlyphTarget& t, int64_t x, int64_t y, uint32_t v) {
  uint8_t* p = t.bits + y * t.pitch + x * (t.bitDepth / 8);
  switch (t.bitDepth) {
    case 8:
      *p = static_cast<uint8_t>(v);
      break;
    case 16:
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      break;
    default:
      for (int b = 0; b < 4; ++b) p[b] = static_cast<uint8_t>(v >> (8 * b));
      break;
  }
}

void PutAlpha(const GlyphTarget& t, int64_t x, int64_t y, uint32_t a) {
  if (t.alpha != nullptr) t.alpha[y * t.alphaPitch + x] = static_cast<uint8_t>(a);
}

}  // namespace

void BlitGlyph(const FontRecord& font, const GlyphCacheEntry& entry, const GlyphTarget& target,
               const GlyphPlacement& at, uint32_t colour, uint32_t edge, int transparent) {
  if (target.bits == nullptr || font.cachePixels == nullptr) return;
  if (target.bitDepth != 8 && target.bitDepth != 16 && target.bitDepth != 32) return;
  const int type = font.fontType;
  const MixLayout mix = LayoutFor(target.format, target.bitDepth);
  if (type == 3 && !mix.known) return;
  const int64_t boxWidth = at.vertical ? entry.height : entry.width;
  const int64_t boxHeight = at.vertical ? entry.width : entry.height;
  const int64_t x0 = std::max<int64_t>(at.left, target.clip.left);
  const int64_t x1 = std::min<int64_t>(at.left + boxWidth, target.clip.right);
  const int64_t y0 = std::max<int64_t>(at.top, target.clip.top);
  const int64_t y1 = std::min<int64_t>(at.top + boxHeight, target.clip.bottom);
  if (x0 >= x1 || y0 >= y1) return;
  const int64_t cellX = int64_t{entry.cellNumber} / font.rowsPerColumn * font.cellSize;
  const int64_t cellY = int64_t{entry.cellNumber} % font.rowsPerColumn * font.cellSize;
  // At 32 bits the edge of type 1 goes without the format's top byte.
  const uint32_t edge1 = target.bitDepth == 32 ? edge & 0x00FFFFFFu : edge;
  for (int64_t y = y0; y < y1; ++y) {
    for (int64_t x = x0; x < x1; ++x) {
      const int64_t i = at.vertical ? y - at.top : x - at.left;
      const int64_t j = at.vertical ? at.left + boxWidth - 1 - x : y - at.top;
      const uint32_t v = CacheValue(font, cellX + i, cellY + j);
      if (v == 0) {
        if (transparent == 0) {
          Put(target, x, y, 0);
          if (type >= 2) PutAlpha(target, x, y, 0);
        }
        continue;
      }
      switch (type) {
        case 0:
          Put(target, x, y, colour);
          break;
        case 1:
          Put(target, x, y, v == 0xFF ? colour : edge1);
          break;
        case 2:
          Put(target, x, y, colour);
          PutAlpha(target, x, y, v);
          break;
        default: {
          const int body = static_cast<int>(v & 0xFF), h = static_cast<int>(v >> 8);
          if (body == 0xFF) {
            Put(target, x, y, colour);
            PutAlpha(target, x, y, 0xFF);
          } else if (body == 0) {
            Put(target, x, y, edge);
            PutAlpha(target, x, y, static_cast<uint32_t>(h));
          } else {
            const int a = (body + (256 - body) * h / 256) & 0xFF;
            const int t = body * 256 / a;
            Put(target, x, y, Mix(mix, colour, edge, t));
            PutAlpha(target, x, y, static_cast<uint32_t>(a));
          }
          break;
        }
      }
    }
  }
}

}  // namespace morrow
