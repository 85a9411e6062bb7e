#include "morrow/device/color_format.h"

#include <gtest/gtest.h>

namespace {

TEST(ColorFormat, MasksGiveWidthsShiftsAndFill) {
  struct Case {
    int bits;
    uint32_t r, g, b, a;
    int rw, rs, gw, gs, bw, bs, aw, as;
    uint32_t fill;
  } cases[] = {
      {16, 0xF800, 0x07E0, 0x001F, 0, 5, 11, 6, 5, 5, 0, 0, 0, 0},
      {16, 0x7C00, 0x03E0, 0x001F, 0, 5, 10, 5, 5, 5, 0, 0, 0, 0x8000},
      {16, 0x0F00, 0x00F0, 0x000F, 0, 4, 8, 4, 4, 4, 0, 0, 0, 0xF000},
      {32, 0xFF0000, 0xFF00, 0xFF, 0, 8, 16, 8, 8, 8, 0, 0, 0, 0xFF000000},
      {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 8, 16, 8, 8, 8, 0, 8, 24, 0},
      {16, 0x7C00, 0x03E0, 0x001F, 0x8000, 5, 10, 5, 5, 5, 0, 1, 15, 0},
  };
  for (const Case& c : cases) {
    morrow::ColorFormat f{};
    morrow::InitColorFormatFromMasks(&f, c.bits, c.r, c.g, c.b, c.a);
    EXPECT_EQ(f.bytesPerPixel, c.bits / 8);
    EXPECT_EQ(f.redWidth, c.rw);
    EXPECT_EQ(f.redShift, c.rs);
    EXPECT_EQ(f.greenWidth, c.gw);
    EXPECT_EQ(f.greenShift, c.gs);
    EXPECT_EQ(f.blueWidth, c.bw);
    EXPECT_EQ(f.blueShift, c.bs);
    EXPECT_EQ(f.alphaWidth, c.aw);
    EXPECT_EQ(f.alphaShift, c.as);
    EXPECT_EQ(f.fillMask, c.fill) << std::hex << c.r;
  }
}

TEST(ColorFormat, Presets) {
  morrow::ColorFormat f{};
  morrow::InitPalette8ColorFormat(&f);
  EXPECT_EQ(f.bitsPerPixel, 8);
  EXPECT_EQ(f.redShift, 16);
  EXPECT_EQ(f.fillMask, 0xFF000000u);
  morrow::InitRgb24ColorFormat(&f);
  EXPECT_EQ(f.bytesPerPixel, 3);
  EXPECT_EQ(f.fillMask, 0u);
  morrow::InitAlpha8ColorFormat(&f);
  EXPECT_EQ(f.alphaMask, 0xFFu);
  EXPECT_EQ(f.alphaWidth, 8);
  EXPECT_EQ(f.fillMask, 0u);
}

TEST(ColorFormat, CompareLooksAtBitsAndMasksOnly) {
  morrow::ColorFormat a{}, b{};
  morrow::InitColorFormatFromMasks(&a, 16, 0xF800, 0x7E0, 0x1F, 0);
  morrow::InitColorFormatFromMasks(&b, 16, 0xF800, 0x7E0, 0x1F, 0);
  b.palette[3] = 7;
  EXPECT_EQ(morrow::CompareColorFormat(&a, &b), 1);
  morrow::InitColorFormatFromMasks(&b, 16, 0x7C00, 0x3E0, 0x1F, 0);
  EXPECT_EQ(morrow::CompareColorFormat(&a, &b), 0);
}

TEST(ColorFormat, ChannelWidening) {
  EXPECT_EQ(morrow::ConvertChannelWidth(31, 5, 8), 255u);
  EXPECT_EQ(morrow::ConvertChannelWidth(0, 5, 8), 0u);
  EXPECT_EQ(morrow::ConvertChannelWidth(63, 6, 8), 255u);
  EXPECT_EQ(morrow::ConvertChannelWidth(16, 5, 8), 131u);  // (16 << 3) + 16 * 7 / 31
  EXPECT_EQ(morrow::ConvertChannelWidth(255, 8, 5), 31u);
  EXPECT_EQ(morrow::ConvertChannelWidth(1, 1, 8), 255u);
  EXPECT_EQ(morrow::ConvertChannelWidth(5, 0, 8), 0u);
  EXPECT_EQ(morrow::ConvertChannelWidth(200, 8, 8), 200u);
}

}  // namespace
