#include <array>
#include <climits>
#include <functional>

#include "morrow/system/log.h"
#include "tests/morrow/graphics/image_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

using imagetest::Decode;
using imagetest::Decoded;
using imagetest::Rgba;

constexpr Rgba kBlack{0, 0, 0, 255};

uint32_t Le32At(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + i]);
  return v;
}
void SetLe32(std::string* s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*s)[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void SetLe16(std::string* s, size_t at, uint32_t v) {
  (*s)[at] = static_cast<char>(v & 0xFF);
  (*s)[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

int RoundUp4(int v) {
  return (v + 3) / 4 * 4;
}

TEST(ImageBmp, ColourDepthsDecodeTopDown) {
  const imagetest::Picture pic = imagetest::MakePicture(5, 3, 11);
  struct Case {
    const char* name;
    int bits;
    uint32_t compression;
    uint32_t header;
    bool topDown;
    uint32_t masks[3];
    int bitsR, bitsG, bitsB;  // channel widths the file keeps
  } cases[] = {
      {"24 bottom-up", 24, 0, 40, false, {}, 8, 8, 8},
      {"24 top-down", 24, 0, 40, true, {}, 8, 8, 8},
      {"24 V5 header", 24, 0, 124, false, {}, 8, 8, 8},
      {"16 plain is 5:5:5", 16, 0, 40, false, {}, 5, 5, 5},
      {"16 bit fields 5:6:5", 16, 3, 40, true, {0xF800, 0x07E0, 0x001F}, 5, 6, 5},
      {"16 bit fields 4:4:4 in V4", 16, 3, 108, false, {0x0F00, 0x00F0, 0x000F}, 4, 4, 4},
      {"32 plain drops alpha", 32, 0, 40, false, {}, 8, 8, 8},
      {"32 bit fields reversed", 32, 3, 40, false, {0xFF, 0xFF00, 0xFF0000}, 8, 8, 8},
      {"32 bit fields 10 bits", 32, 3, 124, true, {0x3FF00000, 0xFFC00, 0x3FF}, 8, 8, 8},
  };
  for (const Case& c : cases) {
    imagetest::BmpOptions o;
    o.bitCount = c.bits;
    o.compression = c.compression;
    o.headerSize = c.header;
    o.topDown = c.topDown;
    for (int i = 0; i < 3; ++i) o.masks[i] = c.masks[i];
    Decoded d;
    Decode(imagetest::WriteBmp(pic, o), morrow::LoadBmpImage, &d);
    ASSERT_EQ(d.result, 0) << c.name;
    EXPECT_EQ(d.image.width, 5) << c.name;
    EXPECT_EQ(d.image.height, 3) << c.name;
    // Every depth but 24 is converted; both ways the result is 24-bit, rows padded to 4 bytes.
    imagetest::ExpectMasks(d.image, 24, 0xFF0000, 0xFF00, 0xFF, 0, c.name);
    EXPECT_EQ(d.image.pitch, RoundUp4(5 * 3)) << c.name;
    imagetest::ExpectPixels(
        d.image,
        [&](int x, int y) {
          Rgba p = pic.At(x, y);
          return Rgba{imagetest::QuantizeChannel(p.r, c.bitsR),
                      imagetest::QuantizeChannel(p.g, c.bitsG),
                      imagetest::QuantizeChannel(p.b, c.bitsB), 255};
        },
        c.name);
  }
}

TEST(ImageBmp, PaletteDepths) {
  struct Case {
    const char* name;
    int bits;
    uint32_t compression;
    uint32_t header;
    bool topDown;
    int colours;
    int width;
    bool keepsPalette;  // 8-bit palette result; else converted to 24-bit
  } cases[] = {
      {"8 plain", 8, 0, 40, false, 200, 9, true},
      {"8 plain top-down", 8, 0, 40, true, 256, 6, true},
      {"8 V5 palette after the larger header", 8, 0, 124, false, 256, 7, true},
      {"8 V4 palette after the larger header", 8, 0, 108, false, 30, 3, true},
      {"4 widened to bytes", 4, 0, 40, false, 16, 9, true},
      {"4 widened, V5, top-down", 4, 0, 124, true, 16, 5, true},
      {"1 converted", 1, 0, 40, false, 2, 19, false},
      {"1 converted, top-down", 1, 0, 40, true, 2, 8, false},
      {"RLE8", 8, 1, 40, false, 40, 23, false},
      {"RLE4", 4, 2, 40, false, 16, 17, false},
      {"RLE4 with V5 palette", 4, 2, 124, false, 16, 10, false},
  };
  for (const Case& c : cases) {
    imagetest::IndexedPicture pic = imagetest::MakeIndexedPicture(c.width, 4, c.colours, 21);
    imagetest::BmpOptions o;
    o.bitCount = c.bits;
    o.compression = c.compression;
    o.headerSize = c.header;
    o.topDown = c.topDown;
    Decoded d;
    Decode(imagetest::WriteIndexedBmp(pic, o), morrow::LoadBmpImage, &d);
    ASSERT_EQ(d.result, 0) << c.name;
    EXPECT_EQ(d.image.width, c.width) << c.name;
    EXPECT_EQ(d.image.height, 4) << c.name;
    if (c.keepsPalette) {
      imagetest::ExpectMasks(d.image, 8, 0xFF0000, 0xFF00, 0xFF, 0, c.name);
      EXPECT_EQ(d.image.pitch, RoundUp4(c.width)) << c.name;
      // The indices are kept as bytes and the table's fourth byte is cleared.
      for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < c.width; ++x) {
          EXPECT_EQ(static_cast<uint8_t*>(d.image.pixels)[y * d.image.pitch + x], pic.At(x, y))
              << c.name;
        }
      }
      for (int i = 0; i < c.colours; ++i) {
        EXPECT_EQ(d.image.format.palette[i], pic.palette[i]) << c.name << " entry " << i;
      }
    } else {
      imagetest::ExpectMasks(d.image, 24, 0xFF0000, 0xFF00, 0xFF, 0, c.name);
      EXPECT_EQ(d.image.pitch, RoundUp4(3 * c.width)) << c.name;
    }
    imagetest::ExpectPixels(
        d.image, [&](int x, int y) { return pic.ColourAt(x, y); }, c.name);
  }
}

TEST(ImageBmp, ShortColourTableLeavesTheRestBlack) {
  for (uint32_t used : {1u, 5u, 16u}) {
    imagetest::IndexedPicture pic = imagetest::MakeIndexedPicture(8, 3, 20, 31);
    imagetest::BmpOptions o;
    o.bitCount = 8;
    o.colorsUsed = used;
    Decoded d;
    Decode(imagetest::WriteIndexedBmp(pic, o), morrow::LoadBmpImage, &d);
    ASSERT_EQ(d.result, 0) << used;
    imagetest::ExpectPixels(
        d.image, [&](int x, int y) { return pic.At(x, y) < used ? pic.ColourAt(x, y) : kBlack; },
        "colours used " + std::to_string(used));
  }
}

TEST(ImageBmp, RunLengthCodesAreClampedToTheImage) {
  const std::vector<uint32_t> palette = {0x112233, 0xFF0000, 0x00FF00, 0x0000FF};
  struct Case {
    const char* name;
    bool fourBit;
    int width, height;
    std::string data;
    // Pixels that are set: (x, y top-down, palette index); every other pixel is black.
    std::vector<std::array<int, 3>> set;
  } cases[] = {
      {"delta then a run past the right edge",
       false,
       6,
       4,
       std::string("\x03\x01\x00\x02\x02\x01\x09\x02\x00\x00\x00\x01", 12),
       {{0, 3, 1}, {1, 3, 1}, {2, 3, 1}, {5, 2, 2}}},
      {"absolute run past the edge keeps its padding",
       false,
       4,
       2,
       std::string("\x00\x05\x01\x02\x03\x01\x02\x00\x00\x00\x01\x03\x00\x01", 14),
       {{0, 1, 1}, {1, 1, 2}, {2, 1, 3}, {3, 1, 1}, {0, 0, 3}}},
      {"delta past the top ends the image",
       false,
       3,
       2,
       std::string("\x01\x01\x00\x02\x00\x07\x02\x02", 8),
       {{0, 1, 1}}},
      {"delta past the right edge",
       false,
       3,
       2,
       std::string("\x00\x02\xF0\x00\x02\x03\x00\x00\x01\x02", 10),
       {{0, 0, 2}}},
      {"end of bitmap stops early",
       false,
       3,
       2,
       std::string("\x02\x02\x00\x01\x03\x03", 6),
       {{0, 1, 2}, {1, 1, 2}}},
      {"data ending inside a code",
       false,
       3,
       2,
       std::string("\x02\x03\x00", 3),
       {{0, 1, 3}, {1, 1, 3}}},
      {"data ending inside an absolute run", false, 5, 1, std::string("\x00\x04\x01\x02", 4), {}},
      {"rle4 runs alternate nibbles",
       true,
       5,
       2,
       std::string("\x05\x12\x00\x00\x03\x30", 6),
       {{0, 1, 1}, {1, 1, 2}, {2, 1, 1}, {3, 1, 2}, {4, 1, 1}, {0, 0, 3}, {1, 0, 0}, {2, 0, 3}}},
      {"rle4 absolute run with odd count",
       true,
       4,
       1,
       std::string("\x00\x03\x12\x30\x00\x01", 6),
       {{0, 0, 1}, {1, 0, 2}, {2, 0, 3}}},
      {"rle4 delta",
       true,
       4,
       2,
       std::string("\x00\x02\x02\x01\x02\x23", 6),
       {{2, 0, 2}, {3, 0, 3}}},
  };
  for (const Case& c : cases) {
    Decoded d;
    Decode(imagetest::WriteBmpWithRunLengthData(c.width, c.height, c.fourBit, palette, c.data),
           morrow::LoadBmpImage, &d);
    ASSERT_EQ(d.result, 0) << c.name;
    imagetest::ExpectPixels(
        d.image,
        [&](int x, int y) {
          for (const auto& s : c.set) {
            if (s[0] == x && s[1] == y) {
              uint32_t e = palette[s[2]];
              return Rgba{static_cast<uint8_t>(e >> 16), static_cast<uint8_t>(e >> 8),
                          static_cast<uint8_t>(e), 255};
            }
          }
          return kBlack;
        },
        c.name);
  }
}

TEST(ImageBmp, EndlessRunLengthDataEndsWithTheFile) {
  // Codes that make no progress (runs at the right edge, empty deltas) until the file ends.
  std::string data;
  for (int i = 0; i < 200000; ++i)
    data += i % 2 == 0 ? std::string("\xFF\x01", 2) : std::string("\x00\x02\x00\x00", 4);
  Decoded d;
  Decode(imagetest::WriteBmpWithRunLengthData(2, 2, false, {0, 0xFFFFFF}, data),
         morrow::LoadBmpImage, &d);
  ASSERT_EQ(d.result, 0);
  imagetest::ExpectPixels(
      d.image,
      [](int, int y) {
        return y == 1 ? Rgba{255, 255, 255, 255} : kBlack;
      },
      "endless");
}

TEST(ImageBmp, HostileHeadersAreRefused) {
  const imagetest::Picture pic = imagetest::MakePicture(4, 3, 5);
  const std::string rgb24 = imagetest::WriteBmp(pic, {});
  imagetest::BmpOptions fieldOptions;
  fieldOptions.bitCount = 16;
  fieldOptions.compression = 3;
  fieldOptions.masks[0] = 0xF800;
  fieldOptions.masks[1] = 0x07E0;
  fieldOptions.masks[2] = 0x001F;
  const std::string fields = imagetest::WriteBmp(pic, fieldOptions);
  imagetest::BmpOptions paletteOptions;
  paletteOptions.bitCount = 8;
  const std::string pal8 =
      imagetest::WriteIndexedBmp(imagetest::MakeIndexedPicture(4, 3, 256, 9), paletteOptions);
  paletteOptions.compression = 1;
  const std::string rle8 =
      imagetest::WriteIndexedBmp(imagetest::MakeIndexedPicture(4, 3, 256, 9), paletteOptions);
  paletteOptions.compression = 0;
  paletteOptions.bitCount = 4;
  const std::string pal4 =
      imagetest::WriteIndexedBmp(imagetest::MakeIndexedPicture(4, 3, 16, 9), paletteOptions);

  struct Case {
    const char* name;
    const std::string* base;
    std::function<void(std::string*)> change;
  } cases[] = {
      {"signature", &rgb24, [](std::string* s) { (*s)[1] = 'A'; }},
      {"core header of 12 bytes", &rgb24, [](std::string* s) { SetLe32(s, 14, 12); }},
      {"header of 39 bytes", &rgb24, [](std::string* s) { SetLe32(s, 14, 39); }},
      {"header longer than the file", &rgb24,
       [](std::string* s) { SetLe32(s, 14, static_cast<uint32_t>(s->size())); }},
      {"header size near 4 GiB", &rgb24, [](std::string* s) { SetLe32(s, 14, 0xFFFFFFF8u); }},
      {"width 0", &rgb24, [](std::string* s) { SetLe32(s, 18, 0); }},
      {"negative width", &rgb24, [](std::string* s) { SetLe32(s, 18, static_cast<uint32_t>(-4)); }},
      {"width 65536", &rgb24, [](std::string* s) { SetLe32(s, 18, 65536); }},
      {"height 0", &rgb24, [](std::string* s) { SetLe32(s, 22, 0); }},
      {"height INT_MIN", &rgb24,
       [](std::string* s) { SetLe32(s, 22, static_cast<uint32_t>(INT32_MIN)); }},
      {"height -65536", &rgb24,
       [](std::string* s) { SetLe32(s, 22, static_cast<uint32_t>(-65536)); }},
      {"bit count 2", &rgb24, [](std::string* s) { SetLe16(s, 28, 2); }},
      {"bit count 0", &rgb24, [](std::string* s) { SetLe16(s, 28, 0); }},
      {"bit count 64", &rgb24, [](std::string* s) { SetLe16(s, 28, 64); }},
      {"RLE8 on 24 bits", &rgb24, [](std::string* s) { SetLe32(s, 30, 1); }},
      {"RLE4 on 8 bits", &pal8, [](std::string* s) { SetLe32(s, 30, 2); }},
      {"RLE8 on 4 bits", &pal4, [](std::string* s) { SetLe32(s, 30, 1); }},
      {"bit fields on 24 bits", &rgb24, [](std::string* s) { SetLe32(s, 30, 3); }},
      {"bit fields on 8 bits", &pal8, [](std::string* s) { SetLe32(s, 30, 3); }},
      {"embedded JPEG", &rgb24, [](std::string* s) { SetLe32(s, 30, 4); }},
      {"alpha bit fields", &fields, [](std::string* s) { SetLe32(s, 30, 6); }},
      {"zero red mask", &fields, [](std::string* s) { SetLe32(s, 54, 0); }},
      {"zero blue mask", &fields, [](std::string* s) { SetLe32(s, 62, 0); }},
      {"split green mask", &fields, [](std::string* s) { SetLe32(s, 58, 0x0F0F); }},
      {"pixel offset at the end", &rgb24,
       [](std::string* s) { SetLe32(s, 10, static_cast<uint32_t>(s->size())); }},
      {"pixel offset past the end", &rgb24, [](std::string* s) { SetLe32(s, 10, 0xFFFFFF00u); }},
      {"pixel offset leaves too few rows", &rgb24,
       [](std::string* s) { SetLe32(s, 10, Le32At(*s, 10) + 1); }},
      {"last row cut", &rgb24, [](std::string* s) { s->pop_back(); }},
      {"16-bit rows cut", &fields, [](std::string* s) { s->resize(s->size() - 2); }},
      {"colour table cut", &pal8, [](std::string* s) { s->resize(54 + 4 * 200); }},
      {"4-bit rows cut", &pal4, [](std::string* s) { s->resize(54 + 4 * 16 + 5); }},
      {"65535 x 65535 at 24 bits", &rgb24,
       [](std::string* s) {
         SetLe32(s, 18, 65535);
         SetLe32(s, 22, 65535);
       }},
      {"65535 x 65535 converted", &fields,
       [](std::string* s) {
         SetLe32(s, 18, 65535);
         SetLe32(s, 22, 65535);
       }},
      // Run-length images need not carry all their data, so only the size limit stops these.
      {"RLE8 65535 x 65535", &rle8,
       [](std::string* s) {
         SetLe32(s, 18, 65535);
         SetLe32(s, 22, 65535);
       }},
      {"RLE8 20000 x 20000", &rle8,
       [](std::string* s) {
         SetLe32(s, 18, 20000);
         SetLe32(s, 22, 20000);
       }},
      {"65535 x 65535 palette", &pal8,
       [](std::string* s) {
         SetLe32(s, 18, 65535);
         SetLe32(s, 22, static_cast<uint32_t>(-65535));
       }},
  };
  for (const Case& c : cases) {
    std::string bytes = *c.base;
    c.change(&bytes);
    Decoded d;
    Decode(bytes, morrow::LoadBmpImage, &d);
    EXPECT_EQ(d.result, -1) << c.name;
    EXPECT_TRUE(imagetest::IsEmpty(d.image)) << c.name;
  }
}

TEST(ImageBmp, RefusalsWriteNoLogButTheLibraryTexts) {
  testsupport::TempDir dir;
  morrow::SetLogDirectory(dir.path());
  ASSERT_EQ(morrow::StartLogFile(), 0);
  std::string bytes = imagetest::WriteBmp(imagetest::MakePicture(3, 3, 2), {});
  bytes.pop_back();
  Decoded d;
  Decode(bytes, morrow::LoadBmpImage, &d);
  EXPECT_EQ(d.result, -1);
  std::string log = testsupport::ReadFile(dir.File("AppLog.txt"));
  morrow::SetLogDirectory("");
  EXPECT_TRUE(log.empty()) << log;
}

}  // namespace
