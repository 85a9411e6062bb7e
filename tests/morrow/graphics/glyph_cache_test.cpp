// The glyph cache and string drawing on fonts of fixed geometry: cells and replacement, layout
// and measures, worked pixels of every font type at every depth on both software paths, the
// edge masks, the texture path against the recording routing table, lost surfaces, and
// malformed texts, lengths, positions and clips.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_routes.h"
#include "morrow/graphics/font.h"
#include "morrow/graphics/font_record.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/surface2d.h"
#include "platform/font.h"
#include "tests/morrow/graphics/graphics_fixture.h"
#include "tests/morrow/graphics/route_recorder.h"

namespace {

using morrow::FontCacheStringDraw;
using morrow::FontRecord;
using morrow::GetFontRecord;

constexpr const char* kZhong = "\xd6\xd0";  // 中

// A font whose glyph boxes tell their code: (1 + code % 7) x (1 + code / 7 % 9) at (1, 1) below
// the line's top, every character 10 wide, in cells of 128 (so a cache of 20 entries).
class CodedFont : public platform::Font {
 public:
  platform::FontMetrics Metrics() const override { return {16, 12, 128}; }
  void TextExtent(const char*, int32_t* width, int32_t* height) override {
    *width = 10;
    *height = 16;
  }
  int64_t GlyphOutline(uint32_t code, platform::GlyphFormat format, platform::GlyphMetrics* m,
                       uint8_t* buffer, size_t bufferSize) override {
    const int w = Width(code), h = Height(code);
    *m = platform::GlyphMetrics{w, h, 1, 11, 10, 0};
    const int64_t pitch = platform::GlyphPitch(format, w), size = pitch * h;
    if (buffer == nullptr) return size;
    if (bufferSize < static_cast<size_t>(size)) return -1;
    for (int j = 0; j < h; ++j) {
      for (int i = 0; i < pitch; ++i) {
        if (format == platform::GlyphFormat::kMono1) {
          buffer[j * pitch + i] = i < 4 ? 0xFF : 0;
        } else {
          buffer[j * pitch + i] = i < w ? 16 : 0;
        }
      }
    }
    return size;
  }
  static int Width(uint32_t code) { return 1 + static_cast<int>(code % 7); }
  static int Height(uint32_t code) { return 1 + static_cast<int>(code / 7 % 9); }
};

class GlyphCache : public testsupport::GraphicsFixture {
 protected:
  void SetUp() override {
    GraphicsFixture::SetUp();
    platform::InstallFontFactory(platform::CreateFakeFont);
  }
  void TearDown() override {
    recorder_.Remove();
    GraphicsFixture::TearDown();
    platform::InstallFontFactory(nullptr);
    unsetenv("MORROW_PIXEL16");
    for (int i = 0; i < morrow::kTextureFormatPresetCount; ++i) {
      *morrow::GetPresetColorFormatRecord(i) = morrow::TextureFormatPreset{};
    }
  }
  // The back screen, cleared, as the target.
  void StartOn(int window, int depth, const char* layout = nullptr) {
    if (layout != nullptr) setenv("MORROW_PIXEL16", layout, 1);
    Start(window, depth, window != 0 ? depth : 32);
    morrow::SelectDrawTarget(morrow::kBackScreen);
    morrow::ClearDrawTarget();
  }
  static uint32_t Pixel(int x, int y) { return SurfacePixel(morrow::GetBackSurface(), x, y); }
  static int Font(int size, int type, int edge) {
    return morrow::CreateFontToHandle(nullptr, size, 6, type, -1, edge, -1, -1);
  }
  // Draws into the back screen as the direct path does.
  static int Draw(int x, int y, const char* text, int font, int length = -1, int vertical = 0,
                  const morrow::Rect* clip = nullptr, int* size = nullptr) {
    return FontCacheStringDraw(1, x, y, text, morrow::PackScreenColor(255, 255, 255),
                               morrow::GetBackSurface(), nullptr, 0, clip,
                               morrow::GetScreenBitDepth(), 1, font,
                               morrow::PackScreenColor(0, 0, 255), length, vertical, size);
  }
  static void FillPresets() {
    morrow::InitColorFormatFromMasks(morrow::SelectPresetColorFormat(1, 0, 0, 0), 16, 0x0F00,
                                     0x00F0, 0x000F, 0xF000);
    morrow::InitColorFormatFromMasks(morrow::SelectPresetColorFormat(0, 1, 0, 0), 16, 0x7C00,
                                     0x03E0, 0x001F, 0x8000);
  }

  testsupport::RouteRecorder recorder_;
};

TEST_F(GlyphCache, EntriesOwnTheirCellsAndAreReplacedOldestFirst) {
  StartOn(1, 32);
  platform::InstallFontFactory(
      [](const platform::FontRequest&) { return std::make_unique<CodedFont>(); });
  const int font = Font(16, 0, -1);
  FontRecord* r = GetFontRecord(font);
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(r->entryCount, 20);
  for (int n = 0; n < 20; ++n) EXPECT_EQ(r->entries[n].cellNumber, n);
  EXPECT_EQ(r->entries[20].cellNumber, -1);

  // 25 different characters through 20 entries: the first 20 come in one batch, the last 5 one
  // by one in place of the oldest, and every one is drawn with its own box.
  std::string text;
  std::vector<uint32_t> codes;
  for (int k = 0; k < 25; ++k) {
    const uint8_t first = 0xB0, second = static_cast<uint8_t>(0xA1 + 3 * k);
    text += static_cast<char>(first);
    text += static_cast<char>(second);
    codes.push_back(static_cast<uint32_t>(first << 8 | second));
  }
  EXPECT_EQ(Draw(20, 30, text.c_str(), font), 250);
  for (int k = 0; k < 25; ++k) {
    const int w = CodedFont::Width(codes[k]), h = CodedFont::Height(codes[k]);
    for (int y = 30; y < 46; ++y) {
      for (int x = 20 + 10 * k; x < 30 + 10 * k; ++x) {
        const int i = x - (21 + 10 * k), j = y - 31;
        const bool set = i >= 0 && i < w && j >= 0 && j < h;
        ASSERT_EQ(Pixel(x, y), set ? 0xFFFFFFFFu : 0u) << "character " << k << " " << i << "," << j;
      }
    }
  }
  EXPECT_EQ(r->nextEntry, 5);
  for (int k = 0; k < 25; ++k) {
    const morrow::GlyphCodeSlot& slot = r->codes[codes[k] >> 8 | (codes[k] & 0xFF) << 8];
    EXPECT_EQ(slot.cached, k >= 5 ? 1 : 0) << k;
    if (k >= 5) {
      EXPECT_EQ(slot.entry - r->entries, k % 20);
    }
  }
}

TEST_F(GlyphCache, LayoutMeasuresAndSpaces) {
  StartOn(1, 32);
  const int plain = Font(16, 0, -1), edged = Font(16, 3, 1);
  int size[2] = {0, 0};
  // Measure and draw give the same total; only the size out turns with the text.
  for (int font : {plain, edged}) {
    for (int vertical : {0, 1}) {
      const int measured =
          FontCacheStringDraw(0, 0, 0,
                              "\xd6\xd0"
                              "ab \xa1\xa1",
                              0, nullptr, nullptr, 0, nullptr, 0, 0, font, 0, -1, vertical, size);
      const int line = GetFontRecord(font)->lineHeight;
      EXPECT_EQ(size[vertical], measured);
      EXPECT_EQ(size[1 - vertical], line);
      EXPECT_EQ(Draw(100, 100,
                     "\xd6\xd0"
                     "ab \xa1\xa1",
                     font, -1, vertical),
                measured);
    }
  }
  EXPECT_EQ(FontCacheStringDraw(0, 0, 0,
                                "\xd6\xd0"
                                "ab \xa1\xa1",
                                0, nullptr, nullptr, 0, nullptr, 0, 0, plain, 0, -1, 0, nullptr),
            16 + 8 + 8 + 8 + 16);
  morrow::ClearDrawTarget();
  // Spaces only advance.
  EXPECT_EQ(Draw(10, 10, "  \xa1\xa1 ", plain), 8 + 8 + 16 + 8);
  for (int x = 0; x < 60; ++x) ASSERT_EQ(Pixel(x, 12), 0u) << x;
  // Length 3 over 中ab: 中 and a.
  EXPECT_EQ(Draw(10, 40,
                 "\xd6\xd0"
                 "ab",
                 plain, 3),
            24);
  EXPECT_EQ(Pixel(11, 41), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(27, 41), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(35, 41), 0u);
  // A glyph clipped away wholly still advances the pen.
  const morrow::Rect clip{30, 0, 640, 480};
  EXPECT_EQ(Draw(10, 70, "\xd6\xd0\xd6\xd0", plain, -1, 0, &clip), 32);
  EXPECT_EQ(Pixel(11, 71), 0u);
  EXPECT_EQ(Pixel(29, 71), 0u);
  EXPECT_EQ(Pixel(30, 71), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(40, 71), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(41, 71), 0u);
  // Vertically each glyph turns a quarter clockwise: the extent box 16 x 16 at (200, 10), glyph
  // pixel (i, j) at column 215 - j, row 10 + i.
  morrow::ClearDrawTarget();
  EXPECT_EQ(Draw(200, 10, "\xd6\xd0", plain, -1, 1), 16);
  EXPECT_EQ(Pixel(205, 11), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(214, 24), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(204, 11), 0u);
  EXPECT_EQ(Pixel(205, 25), 0u);
}

// A reused cell holds nothing of the glyph it held before, whatever the type.
TEST_F(GlyphCache, ReusedCellsLeaveNoStalePixel) {
  StartOn(1, 32);
  for (int type : {0, 1, 2, 3}) {
    const int font = Font(128, type, type & 1);
    FontRecord* r = GetFontRecord(font);
    ASSERT_NE(r, nullptr);
    std::vector<morrow::GlyphCode> codes(static_cast<size_t>(r->entryCount), {{'\xd6', '\xd0', 0}});
    morrow::RenderGlyphToCache(r->entryCount, codes.data(), font);
    const morrow::GlyphCode a{{'a', 0, 0}};
    const morrow::GlyphCacheEntry* e = morrow::RenderGlyphToCache(1, &a, font);
    ASSERT_EQ(e, &r->entries[0]);
    // 'a' is 64 - 2 wide with its edge; nothing beyond its box and edge is set in cell 0.
    const int reach = 1 + 62 + 2 * (type & 1);
    const int bytes = r->cacheBits / 8;
    for (int y = 0; y < r->cellSize; ++y) {
      for (int x = reach + 1; x < r->cellSize; ++x) {
        const uint8_t* row = r->cachePixels + y * r->cachePitch;
        const int v = r->cacheBits == 1 ? (row[x / 8] >> (7 - x % 8)) & 1
                                        : row[x * bytes] | row[x * bytes + bytes - 1];
        ASSERT_EQ(v, 0) << "type " << type << " at " << x << "," << y;
      }
    }
    morrow::DeleteFontHandle(font);
  }
}

// The edge masks of sizes 1 to 4, and the whole square from 5, around a one-pixel glyph.
TEST_F(GlyphCache, EdgeMasks) {
  StartOn(1, 32);
  const std::vector<std::vector<std::string>> golden = {
      {".+.", "+#+", ".+."},
      {".+++.", "+++++", "++#++", "+++++", ".+++."},
      {"...+...", ".+++++.", ".+++++.", "+++#+++", ".+++++.", ".+++++.", "...+..."},
      {"..+++++..", ".+++++++.", "+++++++++", "+++++++++", "++++#++++", "+++++++++", "+++++++++",
       ".+++++++.", "..+++++.."},
      {},
      {std::string(13, '+'), std::string(13, '+'), std::string(13, '+'), std::string(13, '+'),
       std::string(13, '+'), std::string(13, '+'), "++++++#++++++", std::string(13, '+'),
       std::string(13, '+'), std::string(13, '+'), std::string(13, '+'), std::string(13, '+'),
       std::string(13, '+')},
  };
  for (int edge : {1, 2, 3, 4, 6}) {
    // Size 3: a two-byte character is one pixel at (1, 1) of its box.
    const int font = Font(3, 1, edge);
    FontRecord* r = GetFontRecord(font);
    ASSERT_NE(r, nullptr);
    const morrow::GlyphCode code{{'\xd6', '\xd0', 0}};
    ASSERT_NE(morrow::RenderGlyphToCache(1, &code, font), nullptr);
    std::vector<std::string> seen;
    for (int y = 0; y < r->cellSize; ++y) {
      std::string row;
      for (int x = 0; x < r->cellSize; ++x) {
        const uint8_t v = r->cachePixels[y * r->cachePitch + x];
        const bool inside = std::abs(x - edge - 1) <= edge && std::abs(y - edge - 1) <= edge;
        if (!inside) {
          ASSERT_EQ(v, 0) << edge << " " << x << "," << y;
          continue;
        }
        row += v == 0xFF ? '#' : v != 0 ? '+' : '.';
      }
      if (!row.empty()) seen.push_back(row);
    }
    EXPECT_EQ(seen, golden[static_cast<size_t>(edge - 1)]) << "edge " << edge;
    morrow::DeleteFontHandle(font);
  }
}

struct Probe {
  int x, y;
  char kind;  // 'c' text colour, 'k' edge colour, 'K' edge colour at 24 bits, '-' untouched,
              // 'm' the type-3 mix of the two at t = 127
};

struct PixelCase {
  const char* name;
  int window, depth;
  const char* layout;
  int type, edge, blend;
  std::vector<Probe> probes;
  // Plain and edged text under a blend is read from the draw screen it was drawn into (at
  // (20, 20) less), before the piece draw blends it: untouched pixels hold the key's fill colour.
  uint32_t keyFill = 0;
};

// The glyph of 中 at (20, 20): type 0 and 2 at (21..34, 21..30), edged types one pixel further in
// with the edge around; type 3's last column is half covered and mixed with the edge.
const std::vector<Probe> kPlain = {{21, 21, 'c'}, {34, 30, 'c'}, {20, 20, '-'}, {35, 21, '-'}};
const std::vector<Probe> kEdged1 = {{22, 22, 'c'}, {21, 22, 'K'}, {36, 31, 'K'},
                                    {22, 32, 'K'}, {21, 21, '-'}, {37, 22, '-'}};
const std::vector<Probe> kAa = {{21, 21, 'c'}, {33, 30, 'c'}, {20, 21, '-'}, {21, 31, '-'}};
const std::vector<Probe> kEdged3 = {
    {22, 22, 'c'}, {21, 22, 'k'}, {35, 22, 'm'}, {22, 21, 'k'}, {21, 21, '-'}};

class TextPixels : public GlyphCache, public ::testing::WithParamInterface<PixelCase> {};

TEST_P(TextPixels, EachTypeAtEachDepth) {
  const PixelCase& c = GetParam();
  StartOn(c.window, c.depth, c.layout);
  const int font = Font(16, c.type, c.edge);
  ASSERT_EQ(GetFontRecord(font)->fontType, c.type);
  morrow::SetBlendMode(c.blend, 255);
  const uint32_t colour = morrow::PackScreenColor(255, 255, 255);
  const uint32_t edge = morrow::PackScreenColor(0, 0, 255);
  ASSERT_EQ(morrow::RenderTextToHandle(20, 20, kZhong, colour, font, edge, 0), 0);
  const morrow::ColorFormat* f = morrow::GetScreenColorFormat();
  auto mix = [&] {
    // k + (c - k) x 127 / 256 per channel: 0 -> 126 (red, green), 255 stays.
    auto field = [](uint32_t mask, int v) {
      uint8_t shift = 0, width = 0;
      morrow::MaskShiftAndWidth(mask, &shift, &width);
      return static_cast<uint32_t>(((1 << width) - 1) * 127 / 256 * (v != 0)) << shift |
             (v == 0 ? mask : 0);
    };
    return field(f->redMask, 1) | field(f->greenMask, 1) | field(f->blueMask, 0) | f->fillMask;
  };
  const bool throughDrawScreen = c.keyFill != 0;
  platform::Surface* drawScreen = nullptr;
  if (throughDrawScreen) {
    const morrow::Surface2DRecord* piece =
        morrow::GetSurface2DRecord(GetFontRecord(font)->drawScreen);
    ASSERT_NE(piece, nullptr);
    drawScreen = morrow::GetSurfaceRecord(piece->surface)->surface.get();
    EXPECT_NE(Pixel(c.probes[0].x, c.probes[0].y), 0u);  // the blend reached the screen
  }
  for (const Probe& p : c.probes) {
    uint32_t want = throughDrawScreen ? c.keyFill : 0;
    switch (p.kind) {
      case 'c':
        want = colour;
        break;
      case 'k':
        want = edge;
        break;
      case 'K':
        want = c.depth == 32 ? edge & 0xFFFFFF : edge;
        break;
      case 'm':
        want = mix();
        break;
      default:
        break;
    }
    const uint32_t seen =
        throughDrawScreen ? SurfacePixel(drawScreen, p.x - 20, p.y - 20) : Pixel(p.x, p.y);
    EXPECT_EQ(seen, want) << p.x << "," << p.y << " " << p.kind;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Depths, TextPixels,
    ::testing::Values(
        PixelCase{"Plain8", 0, 8, nullptr, 0, -1, 0, kPlain},
        PixelCase{"Edged8BlendStaysDirect", 0, 8, nullptr, 1, 1, 1, kEdged1},
        PixelCase{"Plain565", 1, 16, "565", 0, -1, 0, kPlain},
        // Key k = NOT(0xffff + 0x801f + 100) = 0xfffe7f7d: the field 0x7def (the packing of
        // fe, 7f, 7d within the masks), its fill the packing of 00, 7d, ef.
        PixelCase{"Plain555Blended", 1, 16, "555", 0, -1, 1, kPlain, 0x81FD},
        PixelCase{"Edged565", 1, 16, "565", 1, 1, 0, kEdged1},
        PixelCase{"Edged555Blended", 1, 16, "555", 1, 1, 1, kEdged1, 0x81FD},
        PixelCase{"Aa565", 1, 16, "565", 2, -1, 0, kAa},
        PixelCase{"Aa555", 1, 16, "555", 2, -1, 0, kAa},
        PixelCase{"AaEdged565", 1, 16, "565", 3, 1, 0, kEdged3},
        PixelCase{"AaEdged555", 1, 16, "555", 3, 1, 0, kEdged3},
        PixelCase{"Plain32", 1, 32, nullptr, 0, -1, 0, kPlain},
        // k = NOT(0xffffffff + 0xff0000ff + 100) = 0x00fffe9d.
        PixelCase{"Plain32Blended", 1, 32, nullptr, 0, -1, 1, kPlain, 0xFFFFFE9D},
        PixelCase{"Edged32Blended", 1, 32, nullptr, 1, 1, 1, kEdged1, 0xFFFFFE9D},
        PixelCase{"Edged32", 1, 32, nullptr, 1, 1, 0, kEdged1},
        PixelCase{"Aa32", 1, 32, nullptr, 2, -1, 0, kAa},
        PixelCase{"AaEdged32", 1, 32, nullptr, 3, 1, 0, kEdged3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GlyphCache, TheDrawTintScalesBothColours) {
  StartOn(1, 32);
  const int font = Font(16, 1, 1);
  morrow::SetModulationColor(255, 128, 128);
  ASSERT_EQ(morrow::RenderTextToHandle(20, 20, kZhong, morrow::PackScreenColor(255, 255, 255), font,
                                       morrow::PackScreenColor(200, 100, 255), 0),
            0);
  EXPECT_EQ(Pixel(22, 22), 0xFFFF8080u);
  EXPECT_EQ(Pixel(21, 22), 0x00C83280u);  // 200, 100 x 128 / 255, 255 x 128 / 255
}

// Without drawing, the texture path is seen through the routing table: each glyph's cell of the
// cache graph, the edge image first with its tint, the caller's tint and area put back.
TEST_F(GlyphCache, TexturePathDrawsCellsOfTheCacheGraph) {
  StartOn(1, 32);
  FillPresets();
  const int font = Font(16, 1, 1);
  FontRecord* r = GetFontRecord(font);
  ASSERT_EQ(r->textureCache, 1);
  const morrow::GraphRecord* graph = morrow::GetGraphRecord(r->cacheGraph);
  ASSERT_NE(graph, nullptr);
  EXPECT_EQ(graph->width, 1024);  // twice the cache width: glyphs, then their edges
  morrow::GetDrawState().maskOn = 0;
  recorder_.Install();
  const uint32_t red = morrow::PackScreenColor(255, 0, 0),
                 blue = morrow::PackScreenColor(0, 0, 255);
  ASSERT_EQ(FontCacheStringDraw(1, 100, 50, kZhong, red, nullptr, nullptr, 0, nullptr, 32, 1, font,
                                blue, -1, 0, nullptr),
            18);
  using Lines = std::vector<std::string>;
  EXPECT_EQ(testsupport::RouteRecorder::calls,
            (Lines{"DrawGraphDDraw -411 51 1", "DrawGraphDDraw 101 51 1"}));
  EXPECT_EQ(testsupport::RouteRecorder::tints, (std::vector<uint32_t>{0xFF0000FFu, 0xFFFF0000u}));
  for (const morrow::Rect& a : testsupport::RouteRecorder::areas) {
    EXPECT_EQ(a, (morrow::Rect{101, 51, 117, 63}));
  }
  recorder_.Install();
  ASSERT_EQ(FontCacheStringDraw(1, 100, 50, kZhong, red, nullptr, nullptr, 0, nullptr, 32, 1, font,
                                blue, -1, 1, nullptr),
            18);
  // The turned box: left 100 + 18 - 1 - 12 = 105, right 117, top 51; the graph 1024 x 512
  // turned a quarter clockwise with its corner at (right, top), the edge image 512 higher.
  EXPECT_EQ(testsupport::RouteRecorder::calls,
            (Lines{"G_DDraw_DrawFloatModiGraph 116.5 -461.5 116.5 562.5 -395.5 -461.5 -395.5 "
                   "562.5 1",
                   "G_DDraw_DrawFloatModiGraph 116.5 50.5 116.5 1074.5 -395.5 50.5 -395.5 1074.5 "
                   "1"}));
  for (const morrow::Rect& a : testsupport::RouteRecorder::areas) {
    EXPECT_EQ(a, (morrow::Rect{104, 51, 118, 67}));
  }
  EXPECT_EQ(morrow::GetDrawState().drawArea, (morrow::Rect{0, 0, 640, 480}));
  EXPECT_EQ(morrow::GetDrawState().drawBright, 0xFFFFFFFFu);
  // The text call leaves the mask to the graph draws: no hooks of its own around the text.
  morrow::GetDrawState().maskOn = 1;
  recorder_.Install();
  ASSERT_EQ(morrow::RenderTextToHandle(1, 2, kZhong, red, font, blue, 0), 0);
  EXPECT_EQ(testsupport::RouteRecorder::calls,
            (Lines{"RenderTextDDraw 1 2 \xd6\xd0 0xffff0000 537001986 0xff0000ff 0"}));
}

TEST_F(GlyphCache, LostSurfacesAreMadeAgainBeforeTheNextDraw) {
  StartOn(1, 32);
  const int font = Font(16, 3, 1);
  FontRecord* r = GetFontRecord(font);
  const uint32_t white = morrow::PackScreenColor(255, 255, 255);
  ASSERT_EQ(morrow::RenderTextToHandle(20, 20, kZhong, white, font, 0, 0), 0);
  morrow::DeleteSurface2D(r->drawScreen);
  EXPECT_EQ(r->drawScreenRebuild, 1);
  morrow::ClearDrawTarget();
  ASSERT_EQ(morrow::RenderTextToHandle(20, 20, kZhong, white, font, 0, 0), 0);
  EXPECT_EQ(r->drawScreenRebuild, 0);
  EXPECT_NE(morrow::GetSurface2DRecord(r->drawScreen), nullptr);
  EXPECT_EQ(Pixel(22, 22), 0xFFFFFFFFu);

  // The cache graph of the texture path: made again with an empty cache.
  FillPresets();
  const int textured = Font(16, 2, -1);
  FontRecord* t = GetFontRecord(textured);
  ASSERT_EQ(t->textureCache, 1);
  FontCacheStringDraw(0, 0, 0, kZhong, 0, nullptr, nullptr, 0, nullptr, 0, 0, textured, 0, -1, 0,
                      nullptr);
  EXPECT_EQ(t->codes[0xD0D6].cached, 1);
  morrow::FreeGraphHandle(t->cacheGraph, 0);
  EXPECT_EQ(t->cacheGraphRebuild, 1);
  ASSERT_EQ(morrow::SetupFontCacheSurface(textured), 0);
  EXPECT_NE(morrow::GetGraphRecord(t->cacheGraph), nullptr);
  EXPECT_EQ(t->codes[0xD0D6].cached, 0);
}

// Malformed texts, lengths, positions and clips on fonts of cell 2 and 1024 at every depth:
// nothing outside a buffer is touched, and the pen sums the advances.
class MalformedText : public GlyphCache, public ::testing::WithParamInterface<int> {};

TEST_P(MalformedText, TextsLengthsPlacesAndClips) {
  const int depth = GetParam();
  StartOn(depth == 8 ? 0 : 1, depth);
  const std::string alphabet =
      "a \xd6\xd0\xa1\xa1"
      "b\xb0\xa1";
  std::vector<std::string> texts = {"", "a", "\x81", "ab\xd6", "\xff\xff\xff", "\x81\x20\x80\x7f"};
  for (size_t n : {255u, 256u, 257u, 5000u}) {
    std::string t;
    while (t.size() < n) t += alphabet;
    t.resize(n);
    texts.push_back(t);
  }
  struct Place {
    int x, y, length, vertical, transparent;
    morrow::Rect clip;
    bool clipped;
  };
  const Place places[] = {
      {0, 0, -1, 0, 1, {}, false},
      {INT_MAX - 10, INT_MIN + 10, 1000000, 1, 0, {-100000, -100000, 100000, 100000}, true},
      {INT_MIN + 5, INT_MAX - 5, 3, 0, 1, {-5, -5, 700, 500}, true},
      {-40, 470, 0, 1, 0, {600, 400, 2000, 2000}, true},
      {630, -8, -7, 0, 1, {50, 50, 10, 10}, true},
      {300, 200, -1, 1, 0, {}, false},
  };
  const int fonts[] = {Font(-2, 0, -1), Font(-2, 3, 1), Font(1022, 3, 1), Font(16, 1, 0),
                       Font(16, 1, -3)};
  for (int font : fonts) {
    ASSERT_NE(GetFontRecord(font), nullptr);
    // Glyphs of the cell-1024 font are a million pixels each: it takes fewer rounds.
    const bool big = GetFontRecord(font)->cellSize == 1024;
    for (const std::string& text : texts) {
      if (big && text.size() != 0 && text.size() != 1 && text.size() != 257 &&
          text.size() != 5000) {
        continue;
      }
      for (const Place& p : places) {
        if (big && &p - places >= 3) break;
        const int measured =
            FontCacheStringDraw(0, 0, 0, text.c_str(), 0, nullptr, nullptr, 0, nullptr, 0, 0, font,
                                0, p.length, p.vertical, nullptr);
        const int drawn =
            FontCacheStringDraw(1, p.x, p.y, text.c_str(), morrow::PackScreenColor(255, 255, 255),
                                morrow::GetBackSurface(), nullptr, 0, p.clipped ? &p.clip : nullptr,
                                depth, p.transparent, font, 0, p.length, p.vertical, nullptr);
        ASSERT_EQ(drawn, measured) << text.size() << " " << p.x;
        morrow::RenderTextToHandle(p.x, p.y, text.c_str(), 0, font, 0, p.vertical);
      }
      // A depth other than the target's draws nothing rather than reading past its rows.
      FontCacheStringDraw(1, 0, 0, text.c_str(), 0, morrow::GetBackSurface(), nullptr, 0, nullptr,
                          depth == 32 ? 16 : 32, 1, font, 0, -1, 0, nullptr);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, MalformedText, ::testing::Values(8, 16, 32));

}  // namespace
