// Packing and unpacking screen colours, display formats and the texture presets.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/surface_flags.h"

namespace {

using morrow::ColorFormat;
using morrow::GetScreenState;

// Puts a screen format in place for one test and clears the screen record afterwards.
class ColorPack : public ::testing::Test {
 protected:
  void TearDown() override { GetScreenState() = morrow::ScreenState{}; }
  void Screen(int bits, uint32_t r, uint32_t g, uint32_t b) {
    morrow::InitColorFormatFromMasks(&GetScreenState().screenFormat, bits, r, g, b, 0);
    GetScreenState().screenBitDepth = bits;
  }
  void Screen8(const std::vector<std::array<int, 3>>& entries) {
    GetScreenState().screenBitDepth = 8;
    morrow::InitPalette8ColorFormat(&GetScreenState().screenFormat);
    for (auto& e : GetScreenState().paletteEntries) e = platform::PaletteEntry{255, 255, 255, 0};
    for (size_t i = 0; i < entries.size(); ++i) {
      GetScreenState().paletteEntries[i] = platform::PaletteEntry{
          static_cast<uint8_t>(entries[i][0]), static_cast<uint8_t>(entries[i][1]),
          static_cast<uint8_t>(entries[i][2]), 0};
    }
  }
};

TEST_F(ColorPack, PackScreenColorPerLayout) {
  struct Case {
    int bits;
    uint32_t r, g, b;
    int cr, cg, cb;
    uint32_t packed;
  } cases[] = {
      {16, 0xF800, 0x7E0, 0x1F, 255, 255, 255, 0xFFFF},
      {16, 0xF800, 0x7E0, 0x1F, 200, 100, 50, 0xCB26},
      {16, 0xF800, 0x7E0, 0x1F, 0, 0, 0, 0x0000},
      {16, 0x7C00, 0x3E0, 0x1F, 200, 100, 50, 0xE586},  // the free top bit is set
      {16, 0x7C00, 0x3E0, 0x1F, 0, 0, 0, 0x8000},
      {16, 0xF00, 0xF0, 0xF, 255, 128, 17, 0xFF81},
      {32, 0xFF0000, 0xFF00, 0xFF, 255, 255, 255, 0xFFFFFFFF},
      {32, 0xFF0000, 0xFF00, 0xFF, 200, 100, 50, 0xFFC86432},
      {32, 0xFF0000, 0xFF00, 0xFF, 10, 20, 30, 0xFF0A141E},
      // Only the low byte of each argument counts.
      {16, 0xF800, 0x7E0, 0x1F, 256 + 200, -256 + 100, 50, 0xCB26},
  };
  for (const Case& c : cases) {
    Screen(c.bits, c.r, c.g, c.b);
    EXPECT_EQ(morrow::PackScreenColor(c.cr, c.cg, c.cb), c.packed)
        << c.bits << "-bit " << c.cr << "," << c.cg << "," << c.cb;
  }
}

TEST_F(ColorPack, UnpackScreenColorPerLayout) {
  struct Case {
    int bits;
    uint32_t r, g, b;
    uint32_t colour;
    int cr, cg, cb;
  } cases[] = {
      {16, 0xF800, 0x7E0, 0x1F, 0xF800, 255, 0, 0},
      {16, 0xF800, 0x7E0, 0x1F, 0xCB26, 205, 101, 49},  // 25*255/31, 25*255/63, 6*255/31
      {16, 0x7C00, 0x3E0, 0x1F, 0xE586, 205, 98, 49},
      {16, 0xF00, 0xF0, 0xF, 0xF81, 255, 136, 17},
      {32, 0xFF0000, 0xFF00, 0xFF, 0xFFC86432, 200, 100, 50},
  };
  for (const Case& c : cases) {
    Screen(c.bits, c.r, c.g, c.b);
    int r = -1, g = -1, b = -1;
    ASSERT_EQ(morrow::UnpackScreenColor(c.colour, &r, &g, &b), 0);
    EXPECT_EQ(r, c.cr) << std::hex << c.colour;
    EXPECT_EQ(g, c.cg) << std::hex << c.colour;
    EXPECT_EQ(b, c.cb) << std::hex << c.colour;
  }
}

TEST_F(ColorPack, UnpackBeforeAnyScreenGivesZeroInsteadOfDividing) {
  int r = -1, g = -1, b = -1;
  EXPECT_EQ(morrow::UnpackScreenColor(0xFFFF, &r, &g, &b), 0);
  EXPECT_EQ(r + g + b, 0);
}

TEST_F(ColorPack, EightBitScreenUsesNearestPaletteEntryFirstMinimumWins) {
  Screen8({{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {30, 30, 30}, {30, 30, 30}});
  struct Case {
    int r, g, b;
    uint32_t index;
  } cases[] = {
      {15, 0, 0, 1},    // 1 and 2 are both 5 away: the lower index
      {5, 0, 0, 0},     // 0 and 1 tie
      {29, 31, 30, 3},  // entries 3 and 4 are equal
      {255, 255, 255, 5}, {18, 0, 0, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(morrow::PackScreenColor(c.r, c.g, c.b), c.index) << c.r << "," << c.g << "," << c.b;
    morrow::ColorFormat any{};
    morrow::InitColorFormatFromMasks(&any, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    EXPECT_EQ(morrow::PackFormatColor(&any, c.r, c.g, c.b, 0), c.index);
  }
  int r, g, b;
  ASSERT_EQ(morrow::UnpackScreenColor(3, &r, &g, &b), 0);
  EXPECT_EQ(r, 30);
  EXPECT_EQ(morrow::UnpackScreenColor(256, &r, &g, &b), -1);
  EXPECT_EQ(morrow::UnpackScreenColor(0xFFFFFFFFu, &r, &g, &b), -1);
}

TEST_F(ColorPack, PackFormatColorAddsAlphaWhenTheFormatHasIt) {
  Screen(16, 0xF800, 0x7E0, 0x1F);
  struct Case {
    int bits;
    uint32_t r, g, b, a;
    int cr, cg, cb, ca;
    uint32_t packed;
  } cases[] = {
      {16, 0x7C00, 0x3E0, 0x1F, 0x8000, 255, 0, 0, 255, 0xFC00},
      {16, 0x7C00, 0x3E0, 0x1F, 0x8000, 255, 0, 0, 127, 0x7C00},
      {16, 0xF00, 0xF0, 0xF, 0xF000, 0, 255, 0, 0x80, 0x80F0},
      {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 1, 2, 3, 4, 0x04010203},
      {32, 0xFF0000, 0xFF00, 0xFF, 0, 1, 2, 3, 4, 0xFF010203},  // no alpha: the fill bits
  };
  for (const Case& c : cases) {
    ColorFormat f{};
    morrow::InitColorFormatFromMasks(&f, c.bits, c.r, c.g, c.b, c.a);
    EXPECT_EQ(morrow::PackFormatColor(&f, c.cr, c.cg, c.cb, c.ca), c.packed);
  }
}

TEST_F(ColorPack, SurfaceColorFormatNeedsTheDisplay) {
  platform::PixelFormat pf = platform::RgbPixelFormat(16, 0x7C00, 0x3E0, 0x1F);
  ColorFormat f{};
  f.palette[7] = 0x123456;
  EXPECT_EQ(morrow::GetSurfaceColorFormat(&pf, &f), -1);
  EXPECT_EQ(f.bitsPerPixel, 0);

  GetScreenState().directDraw = platform::Display::Create(platform::DisplayConfig{}, nullptr);
  ASSERT_EQ(morrow::GetSurfaceColorFormat(&pf, &f), 0);
  EXPECT_EQ(f.bitsPerPixel, 16);
  EXPECT_EQ(f.bytesPerPixel, 2);
  EXPECT_EQ(f.redShift, 10);
  EXPECT_EQ(f.greenWidth, 5);
  EXPECT_EQ(f.fillMask, 0x8000u);
  EXPECT_EQ(f.palette[7], 0x123456u);  // left as it was
  GetScreenState().directDraw->Release();
}

TEST_F(ColorPack, PresetSelection) {
  struct Case {
    uint8_t alphaChannel, alphaTest, drawValid, bitDepth;
    int index;
  } cases[] = {
      {0, 0, 0, 16, 0}, {0, 0, 0, 32, 1}, {1, 0, 0, 16, 2}, {1, 0, 0, 32, 3},
      {0, 1, 0, 16, 4}, {0, 1, 0, 32, 5}, {1, 1, 0, 16, 2},  // alpha channel wins over test
      {1, 1, 1, 16, 0},                                      // a draw target is plain
      {0, 1, 1, 32, 1}, {0, 0, 0, 24, 1},                    // anything but 16 is 32
      {0, 0, 0, 0, 1},
  };
  for (const Case& c : cases) {
    morrow::SurfaceFlags flags{0, c.alphaChannel, c.drawValid, 0, c.alphaTest, c.bitDepth};
    EXPECT_EQ(morrow::GetPresetColorFormatIndex(&flags), c.index);
    EXPECT_EQ(morrow::GetPresetColorFormatForSelection(&flags),
              morrow::GetPresetColorFormat(c.index));
    EXPECT_EQ(
        morrow::SelectPresetColorFormat(c.alphaChannel, c.alphaTest, c.bitDepth != 16, c.drawValid),
        morrow::GetPresetColorFormat(c.index));
  }
  EXPECT_EQ(morrow::GetPresetColorFormatRecord(-1), nullptr);
  EXPECT_EQ(morrow::GetPresetColorFormatRecord(6), nullptr);
  EXPECT_EQ(morrow::GetPresetColorFormat(6), nullptr);
  EXPECT_EQ(&morrow::GetPresetColorFormatRecord(3)->format, morrow::GetPresetColorFormat(3));
  morrow::GetPresetColorFormatRecord(2)->pixelFormat.bitCount = 16;
  morrow::ClearTextureFormatPresets();
  EXPECT_EQ(morrow::GetPresetColorFormatRecord(2)->pixelFormat.bitCount, 0u);
  EXPECT_EQ(morrow::GetZBufferPixelFormat()->bitCount, 0u);
}

}  // namespace
