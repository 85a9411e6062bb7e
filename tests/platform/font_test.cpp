// The font service: the fixed-geometry font worked by hand, the real font's glyphs against its
// own character output and against FreeType's own reading of the file, the GBK conversion of one
// character, the choice of back end, and a font path that is no regular file.
#include <ft2build.h>
#include <sys/resource.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/font.h"
#include "tests/support/pipe_watch.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::GlyphFormat;
using platform::GlyphMetrics;

// The bitmap of a glyph, with its metrics.
std::vector<uint8_t> Glyph(platform::Font& font, uint32_t code, GlyphFormat format,
                           GlyphMetrics* m) {
  const int64_t size = font.GlyphOutline(code, format, m, nullptr, 0);
  EXPECT_GE(size, 0) << std::hex << code;
  std::vector<uint8_t> bits(static_cast<size_t>(size > 0 ? size : 0));
  if (size > 0) {
    EXPECT_EQ(font.GlyphOutline(code, format, m, bits.data(), bits.size()), size);
  }
  return bits;
}

platform::FontRequest Request(int height, int weight = 600, std::string face = "") {
  platform::FontRequest r;
  r.height = height;
  r.weight = weight;
  r.face = std::move(face);
  return r;
}

TEST(FakeFont, GeometryBySizeAndCode) {
  struct Case {
    int height;
    uint32_t code;
    const char* text;
    int metrics[3];  // height, ascent, maximum width
    int extent;
    int box[5];  // width, height, origin x, origin y, advance
  };
  const Case cases[] = {
      {16, 0xD6D0, "\xd6\xd0", {16, 12, 16}, 16, {14, 10, 1, 11, 16}},
      {16, 'a', "a", {16, 12, 16}, 8, {6, 10, 1, 11, 8}},
      {16, 0x20, " ", {16, 12, 16}, 8, {0, 0, 1, 11, 8}},
      {16, 0xA1A1, "\xa1\xa1", {16, 12, 16}, 16, {0, 0, 1, 11, 16}},
      {-15, 0xB0A1, "\xb0\xa1", {15, 12, 15}, 15, {13, 10, 1, 11, 15}},
      {0, 'x', "x", {16, 12, 16}, 8, {6, 10, 1, 11, 8}},
      {-2, 'x', "x", {2, 2, 2}, 1, {0, 0, 1, 1, 1}},
      {3, 0xD6D0, "\xd6\xd0", {3, 3, 3}, 3, {1, 1, 1, 2, 3}},
      {5, 0xD6D0, "\xd6\xd0", {5, 4, 5}, 5, {3, 2, 1, 3, 5}},
  };
  for (const Case& c : cases) {
    auto font = platform::CreateFakeFont(Request(c.height));
    const platform::FontMetrics fm = font->Metrics();
    EXPECT_EQ((std::vector<int>{fm.height, fm.ascent, fm.maxCharWidth}),
              (std::vector<int>(c.metrics, c.metrics + 3)))
        << c.height;
    int32_t w = 0, h = 0;
    font->TextExtent(c.text, &w, &h);
    EXPECT_EQ(w, c.extent);
    EXPECT_EQ(h, fm.height);
    GlyphMetrics m;
    const std::vector<uint8_t> grey = Glyph(*font, c.code, GlyphFormat::kGray17, &m);
    EXPECT_EQ(
        (std::vector<int>{m.blackBoxWidth, m.blackBoxHeight, m.originX, m.originY, m.cellIncX}),
        (std::vector<int>(c.box, c.box + 5)))
        << c.height << " " << std::hex << c.code;
    const int pitch = (m.blackBoxWidth + 3) / 4 * 4;
    ASSERT_EQ(grey.size(), static_cast<size_t>(pitch * m.blackBoxHeight));
    for (int j = 0; j < m.blackBoxHeight; ++j) {
      for (int i = 0; i < pitch; ++i) {
        const int want = i >= m.blackBoxWidth ? 0 : i == m.blackBoxWidth - 1 ? 8 : 16;
        ASSERT_EQ(grey[static_cast<size_t>(j * pitch + i)], want) << i << "," << j;
      }
    }
    const std::vector<uint8_t> mono = Glyph(*font, c.code, GlyphFormat::kMono1, &m);
    ASSERT_EQ(mono.size(), static_cast<size_t>((m.blackBoxWidth + 31) / 32 * 4 * m.blackBoxHeight));
  }
}

// The cell output of one character: the extent box cleared, the 1-bit glyph set at its origin,
// nothing outside the buffer, at 1 and 8 bits.
TEST(FakeFont, CharacterOutputInACellBuffer) {
  auto font = platform::CreateFakeFont(Request(16));
  std::vector<uint8_t> cell(24 * 24, 0x55);
  ASSERT_TRUE(platform::DrawCharacter(*font, "\xd6\xd0", cell.data(), 24, 8, 24, 20, 2, 3, 0xFF));
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 24; ++x) {
      uint8_t want = 0x55;
      if (y < 20 && x >= 2 && x < 18 && y >= 3 && y < 19) want = 0;
      if (x >= 3 && x < 17 && y >= 4 && y < 14) want = 0xFF;
      ASSERT_EQ(cell[static_cast<size_t>(y * 24 + x)], want) << x << "," << y;
    }
  }
  // At 1 bit, half of it past the buffer's right and bottom.
  std::vector<uint8_t> bits(4 * 8, 0xFF);
  ASSERT_TRUE(platform::DrawCharacter(*font, "a", bits.data(), 4, 1, 12, 8, 8, 2, 1));
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 32; ++x) {
      const bool set = (bits[static_cast<size_t>(y * 4 + x / 8)] >> (7 - x % 8)) & 1;
      bool want = true;
      if (x >= 8 && x < 12 && y >= 2) want = x >= 9 && y >= 3;
      ASSERT_EQ(set, want) << x << "," << y;
    }
  }
}

TEST(RealFont, AFullLevelAndTheSameBitsAsTheCharacterOutput) {
  auto font = platform::CreateFont(Request(16));
  ASSERT_NE(font, nullptr);
  const platform::FontMetrics fm = font->Metrics();
  EXPECT_GE(fm.height, 14);
  EXPECT_LE(fm.height, 20);
  EXPECT_GT(fm.ascent, 0);
  EXPECT_GE(fm.maxCharWidth, 8);
  GlyphMetrics m;
  const std::vector<uint8_t> grey = Glyph(*font, 0xD6D0, GlyphFormat::kGray17, &m);  // 中
  int top = 0;
  for (uint8_t v : grey) top = std::max<int>(top, v);
  EXPECT_EQ(top, 16);
  EXPECT_GT(m.blackBoxWidth, 4);

  // Random GBK codes: the character output and the 1-bit outline agree bit for bit.
  std::mt19937 rng(36);
  for (int k = 0; k < 50; ++k) {
    const uint8_t first = static_cast<uint8_t>(0xB0 + rng() % 0x48);
    const uint8_t second = static_cast<uint8_t>(0xA1 + rng() % 0x5E);
    const char text[3] = {static_cast<char>(first), static_cast<char>(second), 0};
    const std::vector<uint8_t> mono =
        Glyph(*font, static_cast<uint32_t>(first << 8 | second), GlyphFormat::kMono1, &m);
    constexpr int kSide = 48;
    std::vector<uint8_t> cell(kSide * kSide, 0);
    ASSERT_TRUE(platform::DrawCharacter(*font, text, cell.data(), kSide, 8, kSide, kSide, 8, 8, 1));
    const int left = 8 + m.originX, top0 = 8 + fm.ascent - m.originY;
    const int pitch = (m.blackBoxWidth + 31) / 32 * 4;
    int fromOutline = 0, fromOutput = 0;
    for (uint8_t v : cell) fromOutput += v;
    for (int j = 0; j < m.blackBoxHeight; ++j) {
      for (int i = 0; i < m.blackBoxWidth; ++i) {
        const bool set = (mono[static_cast<size_t>(j * pitch + i / 8)] >> (7 - i % 8)) & 1;
        fromOutline += set;
        ASSERT_EQ(cell[static_cast<size_t>((top0 + j) * kSide + left + i)], set ? 1 : 0)
            << std::hex << (first << 8 | second) << std::dec << " " << i << "," << j;
      }
    }
    EXPECT_EQ(fromOutline, fromOutput);
  }
}

TEST(RealFont, CodesOfNoCharacterTakeTheMissingGlyph) {
  char32_t u = 0;
  EXPECT_TRUE(platform::GbkCodeToUnicode(0xD6D0, &u));
  EXPECT_EQ(u, U'中');
  EXPECT_TRUE(platform::GbkCodeToUnicode('A', &u));
  EXPECT_EQ(u, U'A');
  for (uint32_t bad : {0xD600u, 0xFFFFu, 0x81u, 0x8120u, 0x10000u}) {
    EXPECT_FALSE(platform::GbkCodeToUnicode(bad, &u)) << std::hex << bad;
  }
  auto font = platform::CreateFont(Request(16));
  ASSERT_NE(font, nullptr);
  GlyphMetrics missing, bad;
  Glyph(*font, 0xFFFF, GlyphFormat::kGray17, &missing);
  Glyph(*font, 0xD600, GlyphFormat::kGray17, &bad);
  EXPECT_EQ(bad.blackBoxWidth, missing.blackBoxWidth);
  EXPECT_EQ(bad.cellIncX, missing.cellIncX);
  EXPECT_EQ(platform::OemCodePage(), 936);
}

TEST(FontChoice, ByEnvironmentAndFactory) {
  testsupport::TempDir dir;
  setenv("MORROW_FONT", "fake", 1);
  auto fake = platform::CreateFont(Request(30));
  ASSERT_NE(fake, nullptr);
  EXPECT_EQ(fake->Metrics().maxCharWidth, 30);
  // A file that is missing, or no font, fails every font.
  const std::string junk = dir.File("junk.ttf");
  FILE* f = std::fopen(junk.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("not a font", f);
  std::fclose(f);
  for (const std::string& path : {dir.File("missing.ttf"), junk}) {
    setenv("MORROW_FONT", path.c_str(), 1);
    EXPECT_EQ(platform::CreateFont(Request(16)), nullptr) << path;
  }
  unsetenv("MORROW_FONT");
  int calls = 0;
  platform::InstallFontFactory([&](const platform::FontRequest&) {
    ++calls;
    return platform::CreateFakeFont(Request(7));
  });
  EXPECT_EQ(platform::CreateFont(Request(16))->Metrics().height, 7);
  EXPECT_EQ(calls, 1);
  platform::InstallFontFactory(nullptr);
  // A face that is no font still finds one; huge and negative sizes are accepted.
  for (auto request : {Request(16, 400, "\xff\xfe no such face"), Request(100000), Request(-24)}) {
    EXPECT_NE(platform::CreateFont(request), nullptr);
  }
}

// A font path that is no regular file fails the font at once, with one line naming it however
// often the library asks again; a missing file fails quietly, as does a regular file that is no
// font, and a sparse one of 4 GiB is not read whole.
TEST(FontFile, AnythingButARegularFileIsRefusedAtOnce) {
  struct Case {
    const char* name;
    void (*make)(const std::string& path);
    const char* says;  // the reason the line gives; null: no line
  };
  std::vector<Case> cases = {
      {"missing", [](const std::string&) {}, nullptr},
      {"sparse", [](const std::string& p) { ASSERT_TRUE(testsupport::MakeSparseFile(p)); },
       nullptr},
      {"no_font", [](const std::string& p) { testsupport::WriteFile(p, "not a font"); }, nullptr},
  };
  for (const testsupport::NotAFile& n : testsupport::kNotAFile) {
    cases.push_back({n.name, n.make, n.reason});
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::TempDir dir;
    const std::string path = dir.File("font.ttc");
    c.make(path);
    setenv("MORROW_FONT", path.c_str(), 1);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    for (int ask = 0; ask < 2; ++ask) {
      std::unique_ptr<platform::Font> font;
      ::testing::internal::CaptureStderr();
      EXPECT_TRUE(testsupport::ReturnsWithoutThePipesOtherEnd(path, [&] {
        font = platform::CreateFont(Request(16));
      })) << "the font's open waited for a writer";
      const std::string said = ::testing::internal::GetCapturedStderr();
      EXPECT_EQ(font, nullptr);
      EXPECT_EQ(said, c.says != nullptr && ask == 0
                          ? "morrow: cannot read the font " + path + ": " + c.says + "\n"
                          : "")
          << "ask " << ask;
    }
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024) << "kilobytes more at the peak";
  }
  unsetenv("MORROW_FONT");
}

// The CJK font read through the project's own descriptor is the font FreeType makes when it opens
// the file by its name: the same size metrics and the same 1-bit glyphs at the same places.
TEST(FontFile, TheCjkFontIsTheFaceFreeTypeOpensByName) {
  const std::string path = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
  if (!std::filesystem::is_regular_file(path)) GTEST_SKIP() << "no " << path;
  setenv("MORROW_FONT", path.c_str(), 1);
  FT_Library library = nullptr;
  ASSERT_EQ(FT_Init_FreeType(&library), 0);
  FT_Face face = nullptr;
  ASSERT_EQ(FT_New_Face(library, path.c_str(), 0, &face), 0);
  std::mt19937 rng(107);
  for (int height : {12, 16, 24}) {
    SCOPED_TRACE(height);
    auto font = platform::CreateFont(Request(height, 400));
    ASSERT_NE(font, nullptr);
    FT_Size_RequestRec size{FT_SIZE_REQUEST_TYPE_CELL, 0, height * 64, 0, 0};
    ASSERT_EQ(FT_Request_Size(face, &size), 0);
    const FT_Size_Metrics& sm = face->size->metrics;
    const int ascent = static_cast<int>((sm.ascender + 63) >> 6);
    EXPECT_EQ(font->Metrics().ascent, ascent);
    EXPECT_EQ(font->Metrics().height, ascent + std::max(0, int((-sm.descender + 63) >> 6)));
    EXPECT_EQ(font->Metrics().maxCharWidth, (sm.max_advance + 63) >> 6);
    std::vector<uint32_t> codes = {'A', 'g', 0xD6D0, 0xB0A1, 0xA1A1};
    for (int k = 0; k < 30; ++k)
      codes.push_back((0xB0 + rng() % 0x48) << 8 | (0xA1 + rng() % 0x5E));
    for (uint32_t code : codes) {
      SCOPED_TRACE(code);
      GlyphMetrics m;
      const std::vector<uint8_t> ours = Glyph(*font, code, GlyphFormat::kMono1, &m);
      char32_t unicode = 0;
      ASSERT_TRUE(platform::GbkCodeToUnicode(code, &unicode));
      ASSERT_EQ(FT_Load_Glyph(face, FT_Get_Char_Index(face, unicode),
                              FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_MONO),
                0);
      ASSERT_EQ(FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO), 0);
      const FT_Bitmap& bm = face->glyph->bitmap;
      EXPECT_EQ(m.cellIncX, (face->glyph->advance.x + 32) >> 6);
      if (bm.width == 0) continue;
      ASSERT_EQ((std::vector<int>{m.blackBoxWidth, m.blackBoxHeight, m.originX, m.originY}),
                (std::vector<int>{int(bm.width), int(bm.rows), face->glyph->bitmap_left,
                                  face->glyph->bitmap_top}));
      const size_t pitch = (bm.width + 31) / 32 * 4;
      for (unsigned row = 0; row < bm.rows; ++row) {
        EXPECT_EQ(
            std::memcmp(ours.data() + row * pitch, bm.buffer + row * bm.pitch, (bm.width + 7) / 8),
            0)
            << "row " << row;
      }
    }
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  unsetenv("MORROW_FONT");
}

}  // namespace
