#include "tools/lib/demoresources/glyphs.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "game/flow/glyph_text.h"
#include "platform/font.h"

namespace demo {

namespace {

using FontPtr = std::unique_ptr<platform::Font>;

// The em of the sheets' characters: an ideograph with its edge fills the 24-pixel cell but for a
// pixel on each side, so that neighbours drawn 24 pixels apart never touch.
constexpr int kGlyphEm = 20;
// The sheets' strokes are whole pixels, as a sheet drawn for a 24-pixel line would have them.
constexpr platform::GlyphFormat kCellFormat = platform::GlyphFormat::kMono1;
// A code no character has (no lead byte 0xFF in GBK): the font answers it with its missing glyph.
constexpr uint32_t kNoCharacter = 0xFFFF;
// One, and the character whose height places the sheets' line: an ideograph of full height.
constexpr uint32_t kOne = 0xD2BB;
constexpr uint32_t kCountry = 0xB9FA;

// Fonts of each size, each lent to one thread at a time. The platform's fonts share one font
// library, whose fonts may not be made or freed concurrently: that happens under the lock.
class FontShelf {
 public:
  FontPtr Take(int size) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<FontPtr>& free = free_[size];
    if (!free.empty()) {
      FontPtr font = std::move(free.back());
      free.pop_back();
      return font;
    }
    platform::FontRequest request;
    request.height = -size;
    request.charset = platform::kCharsetGb2312;
    return platform::CreateFont(request);
  }
  void Give(int size, FontPtr font) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (font != nullptr) free_[size].push_back(std::move(font));
  }

 private:
  std::mutex mutex_;
  std::map<int, std::vector<FontPtr>> free_;
};

FontShelf& Shelf() {
  static FontShelf shelf;
  return shelf;
}

// A font of one size for the length of a call; null when the platform has none.
class Lease {
 public:
  explicit Lease(int size) : size_(size), font_(Shelf().Take(size)) {}
  ~Lease() { Shelf().Give(size_, std::move(font_)); }
  Lease(const Lease&) = delete;
  Lease& operator=(const Lease&) = delete;
  platform::Font* get() const { return font_.get(); }

 private:
  int size_;
  FontPtr font_;
};

// A character's strokes and where they stand: the box's corner from the pen on the baseline (top
// counting upwards) and the pen's advance.
struct Glyph {
  int left = 0;
  int top = 0;
  int advance = 0;
  Ink ink;
  bool operator==(const Glyph& o) const {
    return left == o.left && top == o.top && advance == o.advance && ink.width == o.ink.width &&
           ink.height == o.ink.height && ink.level == o.ink.level;
  }
};

// Grey glyphs keep their anti-aliased rims; one-bit glyphs, hinted for it, are crisp at small
// sizes and come out at full coverage.
bool RenderGlyph(platform::Font& font, uint32_t code, platform::GlyphFormat format, Glyph* glyph) {
  platform::GlyphMetrics m;
  const int64_t size = font.GlyphOutline(code, format, &m, nullptr, 0);
  if (size < 0) return false;
  std::vector<uint8_t> bits(static_cast<size_t>(size));
  if (size > 0 && font.GlyphOutline(code, format, &m, bits.data(), bits.size()) < 0) return false;
  glyph->left = m.originX;
  glyph->top = m.originY;
  glyph->advance = m.cellIncX;
  Ink& ink = glyph->ink;
  ink.width = size > 0 ? m.blackBoxWidth : 0;
  ink.height = size > 0 ? m.blackBoxHeight : 0;
  ink.level.assign(static_cast<size_t>(ink.width) * static_cast<size_t>(ink.height), 0);
  const int64_t pitch = platform::GlyphPitch(format, ink.width);
  const bool mono = format == platform::GlyphFormat::kMono1;
  for (int y = 0; y < ink.height; ++y) {
    const uint8_t* row = bits.data() + y * pitch;
    for (int x = 0; x < ink.width; ++x) {
      ink.level[static_cast<size_t>(y) * static_cast<size_t>(ink.width) + static_cast<size_t>(x)] =
          mono ? ((row[x / 8] >> (7 - x % 8)) & 1) * 16 : row[x];
    }
  }
  return true;
}

// Copies src into dst with src's corner at (x, y), keeping the stronger coverage where they meet
// and nothing outside the box (x0, y0)-(x1, y1) of dst.
void Stamp(Ink* dst, const Ink& src, int x, int y, int x0, int y0, int x1, int y1) {
  for (int sy = 0; sy < src.height; ++sy) {
    const int dy = y + sy;
    if (dy < y0 || dy >= y1) continue;
    for (int sx = 0; sx < src.width; ++sx) {
      const int dx = x + sx;
      if (dx < x0 || dx >= x1) continue;
      uint8_t& d = dst->level[static_cast<size_t>(dy) * static_cast<size_t>(dst->width) +
                              static_cast<size_t>(dx)];
      d = std::max(d, static_cast<uint8_t>(src.At(sx, sy)));
    }
  }
}

// The ink cut to the columns that hold any; empty when none does.
Ink TrimColumns(const Ink& ink) {
  int x0 = ink.width, x1 = -1;
  for (int y = 0; y < ink.height; ++y) {
    for (int x = 0; x < ink.width; ++x) {
      if (ink.At(x, y) != 0) x0 = std::min(x0, x), x1 = std::max(x1, x);
    }
  }
  Ink out;
  if (x1 < 0) return out;
  out.width = x1 - x0 + 1;
  out.height = ink.height;
  out.level.assign(static_cast<size_t>(out.width) * static_cast<size_t>(out.height), 0);
  Stamp(&out, ink, -x0, 0, 0, 0, out.width, out.height);
  return out;
}

// How the sheets' cells are laid out for one font: the line every character stands on, and the
// missing glyph that marks a character the font lacks.
struct CellFrame {
  bool usable = false;  // the font holds CJK characters
  int baseline = 0;     // from the cell's top
  Glyph missing;
};

const CellFrame& Frame() {
  static const CellFrame frame = [] {
    CellFrame f;
    Lease lease(kGlyphEm);
    platform::Font* font = lease.get();
    Glyph one, country;
    if (font == nullptr || !RenderGlyph(*font, kNoCharacter, kCellFormat, &f.missing) ||
        !RenderGlyph(*font, kOne, kCellFormat, &one) ||
        !RenderGlyph(*font, kCountry, kCellFormat, &country) || one == f.missing ||
        country.ink.empty()) {
      return f;
    }
    // The full-height ideograph centred from top to bottom.
    f.baseline = (veyrdale::kGlyphSize - country.ink.height) / 2 + country.top;
    f.usable = true;
    return f;
  }();
  return frame;
}

bool CellInk(platform::Font& font, const CellFrame& frame, uint32_t code, Ink* cell) {
  char32_t unicode = 0;
  Glyph g;
  if (!platform::GbkCodeToUnicode(code, &unicode) || !RenderGlyph(font, code, kCellFormat, &g) ||
      g == frame.missing) {
    return false;
  }
  constexpr int kSize = veyrdale::kGlyphSize;
  cell->width = cell->height = kSize;
  cell->level.assign(kSize * kSize, 0);
  // Strokes stay a ring's width inside the cell, so that the edge does too.
  const int ring = kGlyphStyle.ring;
  Stamp(cell, g.ink, (kSize - g.advance) / 2 + g.left, frame.baseline - g.top, ring, ring,
        kSize - ring, kSize - ring);
  return true;
}

// Without a font: the code in two rows of two hex digits.
void DrawCode(Canvas* canvas, int x, int y, uint32_t code) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04x", static_cast<unsigned>(code));
  canvas->Text(x + 5, y + 1, std::string_view(hex, 2), 2, {255, 255, 255});
  canvas->Text(x + 5, y + 13, std::string_view(hex + 2, 2), 2, {255, 255, 255});
}

}  // namespace

int Ink::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  return level[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
}

bool HaveCjkFont() {
  return Frame().usable;
}

Ink TextInk(std::string_view gbk, int size, bool centreLines) {
  Lease lease(size);
  platform::Font* font = lease.get();
  if (font == nullptr || size <= 0) return {};
  const platform::FontMetrics metrics = font->Metrics();
  struct Placed {
    int x, y, line;
    Glyph glyph;
  };
  std::vector<Placed> placed;
  std::vector<int> lineWidths = {0};
  int pen = 0;
  for (size_t i = 0; i < gbk.size();) {
    const auto first = static_cast<unsigned char>(gbk[i]);
    if (first == '\n') {
      lineWidths.push_back(0);
      pen = 0, ++i;
      continue;
    }
    uint32_t code = first;
    if (first >= 0x81 && i + 1 < gbk.size()) {
      code = static_cast<uint32_t>(first) << 8 | static_cast<unsigned char>(gbk[i + 1]);
      ++i;
    }
    ++i;
    Glyph g;
    if (!RenderGlyph(*font, code, platform::GlyphFormat::kGray17, &g)) continue;
    const int line = static_cast<int>(lineWidths.size()) - 1;
    placed.push_back({pen + g.left, line * metrics.height + metrics.ascent - g.top, line, g});
    pen += g.advance;
    lineWidths.back() = pen;
  }
  if (placed.empty()) return {};
  if (centreLines) {
    const int widest = *std::max_element(lineWidths.begin(), lineWidths.end());
    for (Placed& p : placed) p.x += (widest - lineWidths[static_cast<size_t>(p.line)]) / 2;
  }
  // Rows reach from the capitals' top on the first line to the descenders' foot on the last, so
  // that texts of one size share their height and baseline whatever letters they hold.
  Glyph capital, descender;
  int y0 = 0, y1 = 0;
  if (RenderGlyph(*font, 'H', platform::GlyphFormat::kGray17, &capital) &&
      RenderGlyph(*font, 'g', platform::GlyphFormat::kGray17, &descender)) {
    y0 = metrics.ascent - capital.top;
    y1 = static_cast<int>(lineWidths.size() - 1) * metrics.height + metrics.ascent - descender.top +
         descender.ink.height;
  }
  int x0 = placed[0].x, x1 = x0;
  for (const Placed& p : placed) {
    x0 = std::min(x0, p.x), y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x + p.glyph.ink.width), y1 = std::max(y1, p.y + p.glyph.ink.height);
  }
  Ink all;
  all.width = x1 - x0;
  all.height = y1 - y0;
  all.level.assign(static_cast<size_t>(all.width) * static_cast<size_t>(all.height), 0);
  for (const Placed& p : placed) {
    Stamp(&all, p.glyph.ink, p.x - x0, p.y - y0, 0, 0, all.width, all.height);
  }
  return TrimColumns(all);
}

void PaintInk(Canvas* canvas, int x, int y, const Ink& ink, const InkStyle& style, int clipX,
              int clipY, int clipW, int clipH) {
  // Faint coverage at the strokes' rims is drawn but grows no edge of its own.
  constexpr int kSolid = 4;
  const int r = std::max(style.ring, 0);
  const int w = ink.width + 2 * r, h = ink.height + 2 * r;
  std::vector<uint8_t> near(
      static_cast<size_t>(std::max(w, 0)) * static_cast<size_t>(std::max(h, 0)), 0);
  for (int iy = 0; iy < ink.height; ++iy) {
    for (int ix = 0; ix < ink.width; ++ix) {
      if (ink.At(ix, iy) < kSolid) continue;
      for (int dy = 0; dy <= 2 * r; ++dy) {
        for (int dx = 0; dx <= 2 * r; ++dx) {
          near[static_cast<size_t>(iy + dy) * static_cast<size_t>(w) +
               static_cast<size_t>(ix + dx)] = 1;
        }
      }
    }
  }
  const int left = std::max({x - r, clipX, 0}), top = std::max({y - r, clipY, 0});
  const int right = std::min({x + ink.width + r, clipX + clipW, canvas->width()});
  const int bottom = std::min({y + ink.height + r, clipY + clipH, canvas->height()});
  auto mix = [](uint8_t from, uint8_t to, int level) {
    return static_cast<uint8_t>(from + (to - from) * level / 16);
  };
  for (int py = top; py < bottom; ++py) {
    for (int px = left; px < right; ++px) {
      const int level = ink.At(px - x, py - y);
      if (level > 0) {
        canvas->Fill(
            px, py, 1, 1,
            {mix(style.edge.r, style.colour.r, level), mix(style.edge.g, style.colour.g, level),
             mix(style.edge.b, style.colour.b, level)});
      } else if (near[static_cast<size_t>(py - y + r) * static_cast<size_t>(w) +
                      static_cast<size_t>(px - x + r)] != 0) {
        canvas->Fill(px, py, 1, 1, style.edge);
      }
    }
  }
}

bool GlyphCellInk(uint32_t code, Ink* cell) {
  const CellFrame& frame = Frame();
  if (!frame.usable) return false;
  Lease lease(kGlyphEm);
  return lease.get() != nullptr && CellInk(*lease.get(), frame, code, cell);
}

void DrawGlyphSheet(Canvas* canvas, int sheet) {
  const CellFrame& frame = Frame();
  Lease lease(kGlyphEm);
  platform::Font* font = frame.usable ? lease.get() : nullptr;
  for (int r = 0; r < veyrdale::kGlyphCellsPerSheet; ++r) {
    const uint32_t code = veyrdale::kFirstGlyphCode +
                          static_cast<uint32_t>(veyrdale::kGlyphCellsPerSheet * sheet + r);
    veyrdale::GlyphCell cell;
    if (!veyrdale::FindGlyphCell(code, &cell) || cell.sheet != sheet) continue;
    if (font == nullptr) {
      DrawCode(canvas, cell.sourceX, cell.sourceY, code);
      continue;
    }
    Ink ink;
    if (CellInk(*font, frame, code, &ink)) {
      PaintInk(canvas, cell.sourceX, cell.sourceY, ink, kGlyphStyle, cell.sourceX, cell.sourceY,
               veyrdale::kGlyphSize, veyrdale::kGlyphSize);
    }
  }
}

}  // namespace demo
