// Images in memory: mirroring rows and reading single pixels, by pixel size and channel layout,
// and the bitmaps the window code receives, both ways.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "morrow/graphics/dib.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph_image.h"
#include "tests/morrow/graphics/image_writers.h"

namespace {

using morrow::GraphImage;

// An image of width x height whose pixel (x, y) holds the bytes of raw(x, y), little-endian.
GraphImage RawImage(int width, int height, int bytes, int pitch, uint32_t (*raw)(int, int)) {
  GraphImage image{};
  image.format.bytesPerPixel = static_cast<uint16_t>(bytes);
  image.format.bitsPerPixel = static_cast<uint16_t>(bytes * 8);
  image.width = width;
  image.height = height;
  image.pitch = pitch;
  image.pixels = std::calloc(static_cast<size_t>(pitch) * height + 1, 1);
  auto* p = static_cast<uint8_t*>(image.pixels);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t v = raw(x, y);
      for (int i = 0; i < bytes; ++i)
        p[y * pitch + x * bytes + i] = static_cast<uint8_t>(v >> 8 * i);
    }
  }
  return image;
}

uint32_t Sequence(int x, int y) {
  return static_cast<uint32_t>(0x01020304u * (y * 8 + x + 1));
}

uint32_t RawAt(const GraphImage& image, int x, int y) {
  const auto* p =
      static_cast<const uint8_t*>(image.pixels) + y * image.pitch + x * image.format.bytesPerPixel;
  uint32_t v = 0;
  for (int i = 0; i < image.format.bytesPerPixel; ++i) v |= uint32_t{p[i]} << 8 * i;
  return v;
}

TEST(GraphImageMirror, EveryRowIsReversedPixelByPixel) {
  for (int bytes = 1; bytes <= 4; ++bytes) {
    for (int width = 1; width <= 5; ++width) {
      const int pitch = width * bytes + 3;  // padding after each row stays as it was
      GraphImage image = RawImage(width, 3, bytes, pitch, Sequence);
      auto* p = static_cast<uint8_t*>(image.pixels);
      for (int y = 0; y < 3; ++y) std::memset(p + y * pitch + width * bytes, 0xEE, 3);
      ASSERT_EQ(morrow::MirrorGraphImage(&image), 0);
      const uint32_t mask = bytes == 4 ? 0xFFFFFFFFu : (1u << 8 * bytes) - 1u;
      for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < width; ++x) {
          EXPECT_EQ(RawAt(image, x, y), Sequence(width - 1 - x, y) & mask)
              << bytes << " bytes, width " << width << " at " << x << "," << y;
        }
        for (int i = 0; i < 3; ++i) EXPECT_EQ(p[y * pitch + width * bytes + i], 0xEE);
      }
      morrow::FreeGraphImage(&image);
    }
  }
}

TEST(GraphImagePixel, ChannelsAreWidenedToEightBits) {
  struct Case {
    const char* what;
    int bits;
    uint32_t red, green, blue, alpha;
    uint32_t raw;
    uint32_t argb;
  } cases[] = {
      {"5:6:5 red", 16, 0xF800, 0x07E0, 0x001F, 0, 0xF800, 0x00FF0000},
      {"5:6:5 low values", 16, 0xF800, 0x07E0, 0x001F, 0, 0x0841, 0x00080808},
      {"1:5:5:5", 16, 0x7C00, 0x03E0, 0x001F, 0x8000, 0x801F, 0xFF0000FF},
      {"4:4:4:4", 16, 0x0F00, 0x00F0, 0x000F, 0xF000, 0x1234, 0x11223344},
      {"24-bit", 24, 0xFF0000, 0xFF00, 0xFF, 0, 0xABCDEF, 0x00ABCDEF},
      {"32-bit with alpha", 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 0x80123456, 0x80123456},
      {"32-bit without alpha", 32, 0xFF0000, 0xFF00, 0xFF, 0, 0xFF123456, 0x00123456},
      {"32-bit blue first", 32, 0xFF, 0xFF00, 0xFF0000, 0, 0x00123456, 0x00563412},
      {"10-bit channels", 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000, 0xFFF00000, 0xFFFF0000},
  };
  static uint32_t raw;
  for (const Case& c : cases) {
    raw = c.raw;
    GraphImage image = RawImage(3, 2, c.bits / 8, 3 * c.bits / 8,
                                [](int x, int y) { return x == 2 && y == 1 ? raw : 0u; });
    morrow::InitColorFormatFromMasks(&image.format, c.bits, c.red, c.green, c.blue, c.alpha);
    EXPECT_EQ(morrow::GetGraphImagePixel(&image, 2, 1), c.argb) << c.what;
    EXPECT_EQ(morrow::GetGraphImagePixel(&image, 0, 1), 0u) << c.what;
    ASSERT_EQ(morrow::MirrorGraphImage(&image), 0);
    EXPECT_EQ(morrow::GetGraphImagePixel(&image, 0, 1), c.argb) << c.what;
    EXPECT_EQ(morrow::GetGraphImagePixel(&image, 2, 1), 0u) << c.what;
    morrow::FreeGraphImage(&image);
  }
}

TEST(GraphImagePixel, ImagesThatCannotBeReadGiveNothing) {
  GraphImage good = RawImage(4, 3, 4, 16, Sequence);
  morrow::InitColorFormatFromMasks(&good.format, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
  struct Case {
    const char* what;
    void (*spoil)(GraphImage*);
    int x, y;
    bool mirrors;
  } cases[] = {
      {"a point left of the image", [](GraphImage*) {}, -1, 0, true},
      {"a point below the image", [](GraphImage*) {}, 0, 3, true},
      {"a point right of the image", [](GraphImage*) {}, 4, 0, true},
      {"no pixels", [](GraphImage* i) { i->pixels = nullptr; }, 0, 0, false},
      {"no width", [](GraphImage* i) { i->width = 0; }, 0, 0, false},
      {"no height", [](GraphImage* i) { i->height = -1; }, 0, 0, false},
      {"a pitch shorter than a row", [](GraphImage* i) { i->pitch = 15; }, 0, 0, false},
      {"five bytes a pixel", [](GraphImage* i) { i->format.bytesPerPixel = 5; }, 0, 0, false},
      {"no bytes a pixel", [](GraphImage* i) { i->format.bytesPerPixel = 0; }, 0, 0, false},
      {"one byte a pixel", [](GraphImage* i) { i->format.bytesPerPixel = 1; }, 0, 0, true},
  };
  for (const Case& c : cases) {
    GraphImage image = good;
    c.spoil(&image);
    EXPECT_EQ(morrow::GetGraphImagePixel(&image, c.x, c.y), 0u) << c.what;
    EXPECT_EQ(morrow::MirrorGraphImage(&image), c.mirrors ? 0 : -1) << c.what;
  }
  EXPECT_EQ(morrow::GetGraphImagePixel(nullptr, 0, 0), 0u);
  EXPECT_EQ(morrow::MirrorGraphImage(nullptr), -1);
  morrow::FreeGraphImage(&good);
}

// ---- bitmaps ----

morrow::Dib* NewDib(int width, int height, int bits, int pitch, uint32_t compression) {
  auto* dib = new morrow::Dib{};
  dib->header.width = width;
  dib->header.height = height;
  dib->header.bitCount = static_cast<uint16_t>(bits);
  dib->header.compression = compression;
  dib->pitch = pitch;
  const int rows = height < 0 ? -height : height;
  dib->pixels = std::calloc(static_cast<size_t>(pitch) * rows + 1, 1);
  return dib;
}

void Free(morrow::Dib* dib) {
  std::free(dib->pixels);
  delete dib;
}

TEST(DibToImage, RowsComeTopDownInTheirFormat) {
  // 3 x 2 at 24 bits, bottom-up: the first stored row is the bottom one.
  morrow::Dib* dib = NewDib(3, 2, 24, 12, morrow::kDibRgb);
  auto* p = static_cast<uint8_t*>(dib->pixels);
  for (int i = 0; i < 24; ++i) p[i] = static_cast<uint8_t>(i + 1);
  GraphImage image;
  ASSERT_EQ(morrow::ConvertDibToGraphImage(dib, &image, 0), 0);
  EXPECT_EQ(image.pitch, 12);
  EXPECT_EQ(morrow::GetGraphImagePixel(&image, 0, 0), 0x000F0E0Du);  // stored row 1
  EXPECT_EQ(morrow::GetGraphImagePixel(&image, 2, 1), 0x00090807u);  // stored row 0
  EXPECT_NE(dib->pixels, nullptr);
  morrow::FreeGraphImage(&image);
  Free(dib);

  // Top-down 32-bit rows of a 4-byte multiple are taken over unless a copy is asked for.
  for (int copy : {0, 1}) {
    dib = NewDib(2, -2, 32, 8, morrow::kDibRgb);
    static_cast<uint32_t*>(dib->pixels)[3] = 0x00A0B0C0;
    void* own = dib->pixels;
    ASSERT_EQ(morrow::ConvertDibToGraphImage(dib, &image, copy), copy == 0 ? 1 : 0);
    EXPECT_EQ(image.pixels == own, copy == 0);
    EXPECT_EQ(dib->pixels == nullptr, copy == 0);
    EXPECT_EQ(morrow::GetGraphImagePixel(&image, 1, 1), 0x00A0B0C0u);
    morrow::FreeGraphImage(&image);
    Free(dib);
  }
}

TEST(DibToImage, SixteenBitMasksAndPalettes) {
  struct Case {
    const char* what;
    int bits;
    uint32_t compression;
    uint32_t masks[3];
    std::vector<uint8_t> row;  // the first stored row of a bottom-up 3 x 1 bitmap
    uint32_t palette[2];
    uint32_t paletteCount;
    uint32_t want[3];
  } cases[] = {
      {"16-bit default 5:5:5",
       16,
       morrow::kDibRgb,
       {0, 0, 0},
       {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00},
       {0, 0},
       0,
       {0xFF0000, 0x00FF00, 0x0000FF}},
      {"16-bit 5:6:5 fields",
       16,
       morrow::kDibBitFields,
       {0xF800, 0x07E0, 0x001F},
       {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00},
       {0, 0},
       0,
       {0xFF0000, 0x00FF00, 0x0000FF}},
      {"4-bit palette",
       4,
       morrow::kDibRgb,
       {0, 0, 0},
       {0x01, 0x10},
       {0x123456, 0xABCDEF},
       2,
       {0x123456, 0xABCDEF, 0xABCDEF}},
      {"4-bit index past the palette",
       4,
       morrow::kDibRgb,
       {0, 0, 0},
       {0x52, 0x00},
       {0x123456, 0xABCDEF},
       2,
       {0, 0, 0x123456}},
      {"1-bit palette",
       1,
       morrow::kDibRgb,
       {0, 0, 0},
       {0xA0},
       {0x010203, 0xFFFFFF},
       2,
       {0xFFFFFF, 0x010203, 0xFFFFFF}},
      {"8-bit palette",
       8,
       morrow::kDibRgb,
       {0, 0, 0},
       {1, 0, 7},
       {0x0000FF, 0x00FF00},
       2,
       {0x00FF00, 0x0000FF, 0}},
  };
  for (const Case& c : cases) {
    morrow::Dib* dib = NewDib(3, 1, c.bits, 8, c.compression);
    std::memcpy(dib->header.masks, c.masks, sizeof c.masks);
    std::memcpy(dib->header.palette, c.palette, sizeof c.palette);
    dib->header.paletteCount = c.paletteCount;
    std::memcpy(dib->pixels, c.row.data(), c.row.size());
    GraphImage image;
    ASSERT_EQ(morrow::ConvertDibToGraphImage(dib, &image, 0), 0) << c.what;
    EXPECT_EQ(image.pitch % 4, 0) << c.what;
    for (int x = 0; x < 3; ++x) {
      const imagetest::Rgba got = imagetest::ReadPixel(image, x, 0);
      EXPECT_EQ(uint32_t{got.r} << 16 | uint32_t{got.g} << 8 | got.b, c.want[x])
          << c.what << " " << x;
    }
    morrow::FreeGraphImage(&image);
    Free(dib);
  }
}

TEST(DibToImage, OtherBitmapsAreRefused) {
  struct Case {
    const char* what;
    int width, height, bits, pitch;
    uint32_t compression;
  } cases[] = {
      {"12 bits", 2, 2, 12, 4, morrow::kDibRgb},
      {"24-bit fields", 2, 2, 24, 8, morrow::kDibBitFields},
      {"fields of no mask", 2, 2, 32, 8, morrow::kDibBitFields},
      {"run-length coded", 2, 2, 8, 4, 1},
      {"palette with fields", 2, 2, 8, 4, morrow::kDibBitFields},
      {"no width", 0, 2, 24, 4, morrow::kDibRgb},
      {"no height", 2, 0, 24, 8, morrow::kDibRgb},
      {"a pitch shorter than a row", 3, 2, 24, 8, morrow::kDibRgb},
      {"too wide", 70000, 1, 8, 70000, morrow::kDibRgb},
  };
  for (const Case& c : cases) {
    morrow::Dib* dib = NewDib(c.width, c.height, c.bits, c.pitch, c.compression);
    GraphImage image;
    EXPECT_EQ(morrow::ConvertDibToGraphImage(dib, &image, 0), -1) << c.what;
    EXPECT_EQ(image.pixels, nullptr) << c.what;
    EXPECT_NE(dib->pixels, nullptr) << c.what;
    Free(dib);
  }
  morrow::Dib empty{};
  GraphImage image;
  EXPECT_EQ(morrow::ConvertDibToGraphImage(&empty, &image, 0), -1);
  EXPECT_EQ(morrow::ConvertDibToGraphImage(nullptr, &image, 0), -1);
}

TEST(DibFromPicture, TheWantedFormatDecidesTheRows) {
  const imagetest::Picture picture = imagetest::MakePicture(5, 3, 7);
  const std::string bmp24 = imagetest::WriteBmp(picture, imagetest::BmpOptions{});
  const std::string bgra = imagetest::WriteBgra(picture, false);
  morrow::ColorFormat f565{}, fxrgb{}, f8{};
  morrow::InitColorFormatFromMasks(&f565, 16, 0xF800, 0x07E0, 0x001F, 0);
  morrow::InitColorFormatFromMasks(&fxrgb, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  morrow::InitPalette8ColorFormat(&f8);
  struct Case {
    const char* what;
    const std::string* file;
    const morrow::ColorFormat* want;
    int convertFlag;
    int bits;
    uint32_t compression;
  } cases[] = {
      {"no format", &bmp24, nullptr, 0, 24, morrow::kDibRgb},
      {"5:6:5", &bmp24, &f565, 0, 16, morrow::kDibBitFields},
      {"5:6:5 while converting", &bmp24, &f565, 1, 24, morrow::kDibRgb},
      {"32 bits of a 24-bit picture", &bmp24, &fxrgb, 0, 24, morrow::kDibRgb},
      {"32 bits of a 32-bit picture", &bgra, &fxrgb, 0, 32, morrow::kDibBitFields},
      {"8 bits", &bgra, &f8, 0, 24, morrow::kDibRgb},
  };
  for (const Case& c : cases) {
    morrow::GetDrawState().imageConvertFlag = c.convertFlag;
    for (int reverse : {0, 1}) {
      morrow::Dib* dib = morrow::CreateDIBGraph(
          nullptr, c.file->data(), static_cast<int>(c.file->size()), 1, reverse, c.want);
      ASSERT_NE(dib, nullptr) << c.what;
      EXPECT_EQ(dib->header.bitCount, c.bits) << c.what;
      EXPECT_EQ(dib->header.compression, c.compression) << c.what;
      EXPECT_EQ(dib->header.width * 100 + dib->header.height, 500 - 3) << c.what;
      EXPECT_EQ(dib->pitch % 4, 0) << c.what;
      GraphImage image;
      ASSERT_GE(morrow::ConvertDibToGraphImage(dib, &image, 0), 0) << c.what;
      for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
          const imagetest::Rgba want = picture.At(reverse == 1 ? 4 - x : x, y);
          const uint32_t got = morrow::GetGraphImagePixel(&image, x, y);
          if (c.bits == 16) {
            EXPECT_EQ(got >> 19 & 0x1F, uint32_t{want.r} >> 3) << c.what << " " << x << "," << y;
            EXPECT_EQ(got >> 10 & 0x3F, uint32_t{want.g} >> 2) << c.what << " " << x << "," << y;
          } else {
            EXPECT_EQ(got, uint32_t{want.r} << 16 | uint32_t{want.g} << 8 | want.b)
                << c.what << " " << x << "," << y;
          }
        }
      }
      morrow::FreeGraphImage(&image);
      morrow::DeleteDIB(dib);
    }
  }
  morrow::GetDrawState().imageConvertFlag = 0;
  EXPECT_EQ(morrow::CreateDIBGraph(nullptr, "junk", 4, 1, 0, nullptr), nullptr);
  EXPECT_EQ(morrow::CreateDIBForImage("no/such/file.bmp", 0, nullptr), nullptr);
}

}  // namespace
