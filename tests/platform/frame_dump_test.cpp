// The frame dump: frame lists, picture conversion, PNG writing and reading back.
#include "platform/frame_dump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "platform/png_file.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

namespace {

using Ranges = std::vector<std::pair<uint64_t, uint64_t>>;

TEST(FrameDump, FrameLists) {
  struct Case {
    const char* text;
    bool ok;
    Ranges ranges;
  } cases[] = {
      {"1", true, {{1, 1}}},   {"1,100,200-210", true, {{1, 1}, {100, 100}, {200, 210}}},
      {"5-5", true, {{5, 5}}}, {"0", false, {}},
      {"3-2", false, {}},      {"1,,2", false, {}},
      {"1,", false, {}},       {"-4", false, {}},
      {"a", false, {}},        {"1-2-3", false, {}},
      {" 1", false, {}},       {"99999999999999999999", false, {}},
  };
  for (const Case& c : cases) {
    Ranges out = {{7, 7}};
    EXPECT_EQ(platform::ParseFrameList(c.text, &out), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(out, c.ranges) << c.text;
    } else {
      EXPECT_EQ(out, (Ranges{{7, 7}})) << c.text;  // untouched
    }
  }
}

TEST(FrameDump, PicturesWidenEveryLayoutToEightBits) {
  platform::PaletteEntry pal[256] = {};
  pal[3] = {1, 2, 3, 0};
  struct Case {
    platform::PixelFormat format;
    uint32_t pixel;
    uint8_t r, g, b;
  } cases[] = {
      {platform::PixelFormatForDepth(16, platform::Pixel16Layout::k565), 0xCB26, 0xCD, 0x65, 0x31},
      {platform::PixelFormatForDepth(16, platform::Pixel16Layout::k555), 0xE586, 0xCD, 0x62, 0x31},
      {platform::PixelFormatForDepth(16, platform::Pixel16Layout::k444), 0x0F81, 0xFF, 0x88, 0x11},
      {platform::PixelFormatForDepth(24, platform::Pixel16Layout::k565), 0x0A141E, 10, 20, 30},
      {platform::PixelFormatForDepth(32, platform::Pixel16Layout::k565), 0xFF0A141E, 10, 20, 30},
      {platform::Palette8PixelFormat(), 3, 1, 2, 3},
  };
  for (const Case& c : cases) {
    uint8_t bytes[8] = {};
    for (uint32_t i = 0; i < c.format.bitCount / 8; ++i) bytes[i] = uint8_t(c.pixel >> (8 * i));
    platform::PresentedPicture p;
    p.width = 1;
    p.height = 1;
    p.pitch = 8;
    p.format = c.format;
    p.pixels = bytes;
    p.palette = pal;
    std::vector<uint8_t> rgb = platform::PictureToRgb(p);
    EXPECT_EQ(rgb, (std::vector<uint8_t>{c.r, c.g, c.b})) << std::hex << c.pixel;
  }
}

TEST(FrameDump, ListedPresentsAreWrittenAndReadBack) {
  testsupport::TempDir dir;
  uint16_t pixels[2 * 3] = {0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0000, 0xCB26};
  platform::PresentedPicture p;
  p.width = 3;
  p.height = 2;
  p.pitch = 6;
  p.format = platform::PixelFormatForDepth(16, platform::Pixel16Layout::k565);
  p.pixels = reinterpret_cast<const uint8_t*>(pixels);
  platform::FrameDumpSettings s;
  s.dir = dir.path();
  ASSERT_TRUE(platform::ParseFrameList("2,4-5", &s.frames));
  for (uint64_t n = 1; n <= 6; ++n) {
    std::string error;
    EXPECT_TRUE(platform::DumpFrame(s, n, p, &error)) << error;
  }
  for (uint64_t n = 1; n <= 6; ++n) {
    char name[32];
    std::snprintf(name, sizeof(name), "frame_%06llu.png", static_cast<unsigned long long>(n));
    int32_t w = 0, h = 0;
    std::vector<uint8_t> rgb;
    std::string error;
    bool listed = n == 2 || n == 4 || n == 5;
    ASSERT_EQ(platform::ReadPngRgb(dir.File(name), &w, &h, &rgb, &error), listed) << name;
    if (!listed) continue;
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(rgb, (std::vector<uint8_t>{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0,
                                         0xCD, 0x65, 0x31}));
  }
  s.dir = dir.File("missing/deeper");
  std::string error;
  EXPECT_FALSE(platform::DumpFrame(s, 2, p, &error));
  EXPECT_FALSE(error.empty());
}

// A full disk: the frame that does not fit leaves nothing under its name or beside it, is reported
// once with its file and the reason, and no later frame is tried.
TEST(FrameDump, TheFirstFailedWriteEndsTheDumpWithOneReport) {
  testsupport::TempDir dir;
  std::vector<uint32_t> noise(4096);  // a row that fills the writer's buffer several times
  std::generate(noise.begin(), noise.end(), std::mt19937(7));
  platform::PresentedPicture p;
  p.width = 4096;
  p.height = 1;
  p.pitch = 4096 * 4;
  p.format = platform::PixelFormatForDepth(32, platform::Pixel16Layout::k565);
  p.pixels = reinterpret_cast<const uint8_t*>(noise.data());
  platform::FrameDump dump({dir.path(), {{1, 9}}});
  ::testing::internal::CaptureStderr();
  {
    testsupport::FileSizeLimit limit(4096);
    dump.Take(1, p);
  }
  dump.Take(2, p);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "morrow: frame dump stopped at frame 1 (no later frame is written): " +
                dir.File("frame_000001.png") + ": File too large\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(FrameDump, MalformedAndTruncatedPngsAreRefused) {
  testsupport::TempDir dir;
  std::vector<uint8_t> rgb(64 * 16 * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(i * 7);
  ASSERT_TRUE(platform::WritePngRgb(dir.File("good.png"), 64, 16, rgb.data(), nullptr));
  const std::string good = testsupport::ReadFile(dir.File("good.png"));
  ASSERT_GT(good.size(), 60u);
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"not a png", "hello, world, this is not a picture"},
      {"signature only", good.substr(0, 8)},
      {"header cut", good.substr(0, 20)},
      {"data cut", good.substr(0, good.size() / 2)},
      {"no end", good.substr(0, good.size() - 12)},
      {"bad header crc",
       [&] {
         std::string b = good;
         b[29] ^= 0x40;
         return b;
       }()},
      {"zero width",
       [&] {
         std::string b = good;
         b[16] = b[17] = b[18] = b[19] = 0;
         return b;
       }()},
  };
  for (const Case& c : cases) {
    testsupport::WriteFile(dir.File("bad.png"), c.bytes);
    int32_t w = -1, h = -1;
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_FALSE(platform::ReadPngRgb(dir.File("bad.png"), &w, &h, &out, &error)) << c.name;
    EXPECT_FALSE(error.empty()) << c.name;
    EXPECT_EQ(w, -1) << c.name;
  }
  int32_t w = 0, h = 0;
  std::vector<uint8_t> out;
  ASSERT_TRUE(platform::ReadPngRgb(dir.File("good.png"), &w, &h, &out, nullptr));
  EXPECT_EQ(out, rgb);
  EXPECT_FALSE(platform::ReadPngRgb(dir.File("absent.png"), &w, &h, &out, nullptr));
}

// The bytes made in memory are the file's, byte for byte, at any compression: a comparison with a
// file on disk may rely on them.
TEST(FrameDump, EncodedPngIsTheWrittenFile) {
  testsupport::TempDir dir;
  std::vector<uint8_t> rgb(37 * 23 * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t((i * i) % 251);
  const platform::PngCompression kinds[] = {{}, {1, false}, {9, true}, {0, false}};
  for (const platform::PngCompression& c : kinds) {
    const std::string trace = std::to_string(c.level) + (c.rowFilters ? " filtered" : "");
    std::string error;
    ASSERT_TRUE(platform::WritePngRgb(dir.File("p.png"), 37, 23, rgb.data(), &error, c)) << error;
    std::string bytes = "left from before";
    ASSERT_TRUE(platform::EncodePngRgb(37, 23, rgb.data(), &bytes, &error, c)) << error;
    EXPECT_EQ(bytes, testsupport::ReadFile(dir.File("p.png"))) << trace;
  }
  std::string bytes = "left from before", error;
  EXPECT_FALSE(platform::EncodePngRgb(0, 23, rgb.data(), &bytes, &error));
  EXPECT_EQ(error, "empty picture");
  EXPECT_EQ(bytes, "");
}

}  // namespace
