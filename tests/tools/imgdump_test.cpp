// imgdump as a program: its output lines, computed here from the pictures the files were written
// from, and its exit codes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/morrow/graphics/image_writers.h"
#include "tests/support/temp_dir.h"

namespace {

using imagetest::Rgba;

struct ToolRun {
  int exitCode;
  std::string out;
  std::string err;
};

ToolRun RunImgdump(const testsupport::TempDir& dir, const std::string& args) {
  std::string errFile = dir.File("stderr.txt");
  std::string command =
      "cd '" + dir.path() + "' && " + IMGDUMP_PATH + " " + args + " 2>'" + errFile + "'";
  ToolRun run{-1, "", ""};
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) run.out.append(buffer, n);
  int status = pclose(p);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = testsupport::ReadFile(errFile);
  return run;
}

// The first line imgdump prints for an image whose pixels, read as RGBA, are expected(x, y).
std::string HeaderLine(const char* loader, int width, int height, int bpp, const uint32_t masks[4],
                       const std::function<Rgba(int, int)>& expected) {
  std::vector<uint8_t> rgba;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Rgba c = expected(x, y);
      rgba.insert(rgba.end(), {c.r, c.g, c.b, c.a});
    }
  }
  uLong crc = crc32(crc32(0L, Z_NULL, 0), rgba.data(), static_cast<uInt>(rgba.size()));
  char line[160];
  std::snprintf(line, sizeof line, "%s %dx%d bpp=%d masks=%08x/%08x/%08x/%08x crc32=%08lx\n",
                loader, width, height, bpp, masks[0], masks[1], masks[2], masks[3], crc);
  return line;
}

std::string PixelLine(int x, int y, Rgba c) {
  char line[64];
  std::snprintf(line, sizeof line, "%d,%d %02x%02x%02x%02x\n", x, y, c.r, c.g, c.b, c.a);
  return line;
}

TEST(Imgdump, PrintsFormatChecksumAndPixels) {
  testsupport::TempDir dir;
  const imagetest::Picture pic = imagetest::MakePicture(6, 4, 90);
  const imagetest::IndexedPicture ip = imagetest::MakeIndexedPicture(5, 3, 20, 91);
  const uint32_t rgb24[4] = {0xFF0000, 0xFF00, 0xFF, 0};
  const uint32_t argb32[4] = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  const uint32_t single[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  const uint32_t a1r5g5b5[4] = {0x7C00, 0x3E0, 0x1F, 0x8000};
  const uint32_t r3g3b2[4] = {0xE0, 0x1C, 0x3, 0};
  auto opaque = [&](int x, int y) {
    Rgba c = pic.At(x, y);
    c.a = 255;
    return c;
  };
  imagetest::PngOptions grey;
  grey.colourType = 0;
  imagetest::TgaOptions tga16;
  tga16.depth = 16;
  tga16.footer = true;
  tga16.attributesType = 3;
  imagetest::DdsOptions dds8;
  dds8.pixelFlags = 4;
  dds8.fourCc = 27;
  dds8.bits = 8;
  const uint32_t ddsMasks[4] = {0xE0, 0x1C, 0x3, 0};
  std::memcpy(dds8.masks, ddsMasks, sizeof ddsMasks);
  imagetest::BmpOptions bmp8;
  bmp8.bitCount = 8;

  struct Case {
    const char* file;
    std::string bytes;
    const char* loader;
    int width, height, bpp;
    const uint32_t* masks;
    std::function<Rgba(int, int)> expected;
  } cases[] = {
      {"a.bmp", imagetest::WriteBmp(pic, {}), "BMP", 6, 4, 24, rgb24, opaque},
      {"p.bmp", imagetest::WriteIndexedBmp(ip, bmp8), "BMP", 5, 3, 8, rgb24,
       [&](int x, int y) { return ip.ColourAt(x, y); }},
      {"g.png", imagetest::WritePng(pic, grey), "PNG", 6, 4, 8, single,
       [&](int x, int y) {
         uint8_t v = pic.At(x, y).r;
         return Rgba{v, v, v, v};
       }},
      {"rgba.png", imagetest::WritePng(pic, {6, 8, false, false}), "PNG", 6, 4, 32, argb32,
       [&](int x, int y) { return pic.At(x, y); }},
      {"a.bgra", imagetest::WriteBgra(pic, true), "BGRA", 6, 4, 32, argb32,
       [&](int x, int y) { return pic.At(x, y); }},
      {"a.tga", imagetest::WriteTga(pic, tga16), "TGA", 6, 4, 16, a1r5g5b5,
       [&](int x, int y) {
         Rgba c = pic.At(x, y);
         return Rgba{imagetest::QuantizeChannel(c.r, 5), imagetest::QuantizeChannel(c.g, 5),
                     imagetest::QuantizeChannel(c.b, 5), uint8_t(c.a >= 128 ? 255 : 0)};
       }},
      {"a.dds", imagetest::WriteDds(pic, dds8), "DDS", 6, 4, 8, r3g3b2,
       [&](int x, int y) {
         Rgba c = pic.At(x, y);
         return Rgba{imagetest::QuantizeChannel(c.r, 3), imagetest::QuantizeChannel(c.g, 3),
                     imagetest::QuantizeChannel(c.b, 2), 255};
       }},
  };
  for (const Case& c : cases) {
    testsupport::WriteFile(dir.File(c.file), c.bytes);
    ToolRun run =
        RunImgdump(dir, std::string("--pixel 0,0 --pixel ") + std::to_string(c.width - 1) + "," +
                            std::to_string(c.height - 1) + " --pixel 1,2 " + c.file);
    std::string want = HeaderLine(c.loader, c.width, c.height, c.bpp, c.masks, c.expected) +
                       PixelLine(0, 0, c.expected(0, 0)) +
                       PixelLine(c.width - 1, c.height - 1, c.expected(c.width - 1, c.height - 1)) +
                       PixelLine(1, 2, c.expected(1, 2));
    EXPECT_EQ(run.exitCode, 0) << c.file << run.err;
    EXPECT_EQ(run.out, want) << c.file;
    EXPECT_EQ(run.err, "") << c.file;
  }
}

TEST(Imgdump, ErrorsAndUsage) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("junk.bin"), std::string(64, 'j'));
  testsupport::WriteFile(dir.File("one.bgra"),
                         imagetest::WriteBgra(imagetest::MakePicture(2, 2, 1), false));
  struct Case {
    std::string args;
    int exitCode;
    std::string err;  // the first line of stderr
  } cases[] = {
      {"missing.png", 1, "imgdump: missing.png: No such file or directory\n"},
      {"junk.bin", 1, "imgdump: junk.bin: not a readable image\n"},
      {"", 2, "imgdump: no file\n"},
      {"--pixel one.bgra", 2, "imgdump: --pixel needs X,Y\n"},
      {"--pixel 1 one.bgra", 2, "imgdump: --pixel needs X,Y\n"},
      {"--pixel 1,-1 one.bgra", 2, "imgdump: --pixel needs X,Y\n"},
      {"one.bgra --pixel", 2, "imgdump: --pixel needs X,Y\n"},
      {"--pixel 2,0 one.bgra", 2, "imgdump: pixel 2,0 is outside the 2x2 image\n"},
      {"--size one.bgra", 2, "imgdump: unknown option --size\n"},
      {"one.bgra junk.bin", 2, "imgdump: more than one file\n"},
  };
  for (const Case& c : cases) {
    ToolRun run = RunImgdump(dir, c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.args;
    EXPECT_EQ(run.out, "") << c.args;
    EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1), c.err) << c.args;
  }
}

}  // namespace
