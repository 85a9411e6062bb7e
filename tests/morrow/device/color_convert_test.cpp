// ConvertColorFormatBlt: every route against the per-channel route, and the channel rules.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/device/screen_state.h"

namespace {

using morrow::ColorFormat;
using morrow::Rect;

ColorFormat Fmt(int bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a = 0) {
  ColorFormat f{};
  morrow::InitColorFormatFromMasks(&f, bits, r, g, b, a);
  return f;
}

ColorFormat Palette8(uint32_t seed) {
  ColorFormat f{};
  morrow::InitPalette8ColorFormat(&f);
  std::mt19937 rng(seed);
  for (uint32_t& e : f.palette) e = rng() & 0xFFFFFFu;
  return f;
}

const ColorFormat k565 = Fmt(16, 0xF800, 0x7E0, 0x1F);
const ColorFormat k555 = Fmt(16, 0x7C00, 0x3E0, 0x1F);
const ColorFormat k1555 = Fmt(16, 0x7C00, 0x3E0, 0x1F, 0x8000);
const ColorFormat k4444 = Fmt(16, 0xF00, 0xF0, 0xF, 0xF000);
const ColorFormat k888 = Fmt(24, 0xFF0000, 0xFF00, 0xFF);
const ColorFormat kX888 = Fmt(32, 0xFF0000, 0xFF00, 0xFF);
const ColorFormat k8888 = Fmt(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);

// A pixel buffer with a format; rows are padded so pitch and width differ.
struct Image {
  Image(const ColorFormat& f, int width, int height)
      : fmt(f),
        w(width),
        h(height),
        pitch(width * (f.bitsPerPixel / 8) + 5),
        px(static_cast<size_t>(pitch) * height, 0xEE) {}
  int Bytes() const { return fmt.bitsPerPixel / 8; }
  uint32_t Get(int x, int y) const {
    const uint8_t* p =
        px.data() + static_cast<size_t>(y) * pitch + static_cast<size_t>(x) * Bytes();
    uint32_t v = 0;
    for (int i = 0; i < Bytes(); ++i) v |= uint32_t{p[i]} << (8 * i);
    return v;
  }
  void Set(int x, int y, uint32_t v) {
    uint8_t* p = px.data() + static_cast<size_t>(y) * pitch + static_cast<size_t>(x) * Bytes();
    for (int i = 0; i < Bytes(); ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
  }
  void Fill(uint32_t v) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) Set(x, y, v);
  }
  ColorFormat fmt;
  int w, h, pitch;
  std::vector<uint8_t> px;
};

struct Args {
  const Image* plane = nullptr;
  int destX = 0, destY = 0;
  Rect rect{};
  int mirror = 0, keyToAlpha = 0;
  uint32_t key = 0;
  int dither = 0, black = 0;
  bool nullAlphaFmt = false;
};

int Convert(Image* dest, const Image& src, const Args& a, bool general = false) {
  Rect r = a.rect.Empty() ? Rect{0, 0, src.w, src.h} : a.rect;
  const uint8_t* plane = a.plane != nullptr ? a.plane->px.data() : nullptr;
  int planePitch = a.plane != nullptr ? a.plane->pitch : 0;
  const ColorFormat* planeFmt = (a.plane != nullptr && !a.nullAlphaFmt) ? &a.plane->fmt : nullptr;
  auto fn = general ? morrow::ConvertColorFormatBltGeneral : morrow::ConvertColorFormatBlt;
  return fn(dest->px.data(), dest->pitch, &dest->fmt, src.px.data(), src.pitch, &src.fmt, plane,
            planePitch, planeFmt, a.destX, a.destY, &r, a.mirror, a.keyToAlpha, a.key, a.dither,
            a.black);
}

Image RandomImage(const ColorFormat& f, int w, int h, uint32_t seed, uint32_t orBits = 0) {
  Image img(f, w, h);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.Set(x, y, rng() | orBits);
  return img;
}

// The faster routes must give exactly what the per-channel route gives.
TEST(ColorConvert, EveryRouteMatchesTheChannelRouteOnRandomPixels) {
  struct Case {
    const char* name;
    ColorFormat src, dest;
    uint32_t srcBits;  // bits set in every source pixel (fill bits a real image carries)
    int keyToAlpha, mirror;
  } cases[] = {
      {"palette to 565", Palette8(1), k565, 0, 0, 0},
      {"palette to 555", Palette8(2), k555, 0, 0, 0},
      {"palette to X888", Palette8(3), kX888, 0, 0, 0},
      {"24 to 565", k888, k565, 0, 0, 0},
      {"24 to 555", k888, k555, 0, 0, 0},
      {"24 to X888", k888, kX888, 0, 0, 0},
      {"palette key to 1555", Palette8(4), k1555, 0, 1, 0},
      {"palette key to 8888", Palette8(5), k8888, 0, 1, 0},
      {"24 key to 1555", k888, k1555, 0, 1, 0},
      {"24 key to 8888", k888, k8888, 0, 1, 0},
      {"straight 565", k565, k565, 0, 0, 0},
      {"straight 555 mirrored", k555, k555, 0x8000, 0, 1},
      {"straight X888", kX888, kX888, 0, 0, 0},
      {"straight 24 mirrored", k888, k888, 0, 0, 1},
      {"straight 8888", k8888, k8888, 0, 0, 0},
      {"key X888 to 8888", kX888, k8888, 0, 1, 0},
      {"key 555 to 1555 mirrored", k555, k1555, 0x8000, 1, 1},
      {"general 565 to X888", k565, kX888, 0, 0, 0},
      {"general 8888 to 4444", k8888, k4444, 0, 0, 1},
  };
  for (const Case& c : cases) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
      Image src = RandomImage(c.src, 13, 7, seed, c.srcBits);
      // Make a few pixels carry the key exactly, so both alpha outcomes occur.
      Args a;
      a.keyToAlpha = c.keyToAlpha;
      a.mirror = c.mirror;
      uint32_t keyPixel = src.Get(3, 2);
      if (c.src.bitsPerPixel == 8) {
        a.key = c.src.palette[keyPixel & 255];
      } else {
        int r = static_cast<int>(morrow::ConvertChannelWidth(
            (keyPixel & c.src.redMask) >> c.src.redShift, c.src.redWidth, 8));
        int g = static_cast<int>(morrow::ConvertChannelWidth(
            (keyPixel & c.src.greenMask) >> c.src.greenShift, c.src.greenWidth, 8));
        int b = static_cast<int>(morrow::ConvertChannelWidth(
            (keyPixel & c.src.blueMask) >> c.src.blueShift, c.src.blueWidth, 8));
        a.key = (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
      }
      src.Set(5, 5, keyPixel);
      src.Set(0, 0, keyPixel);
      Image fast(c.dest, 13, 7), slow(c.dest, 13, 7);
      ASSERT_EQ(Convert(&fast, src, a), 0) << c.name;
      ASSERT_EQ(Convert(&slow, src, a, true), 0) << c.name;
      EXPECT_EQ(fast.px, slow.px) << c.name << " seed " << seed;
    }
  }
}

TEST(ColorConvert, FastLoopsGiveTheChannelValues) {
  ColorFormat pal = Palette8(9);
  pal.palette[0] = 0x00C86432;
  pal.palette[1] = 0x00FFFFFF;
  Image src(pal, 2, 1);
  src.Set(0, 0, 0);
  src.Set(1, 0, 1);
  Image rgb(k888, 2, 1);
  rgb.Set(0, 0, 0xC86432);
  rgb.Set(1, 0, 0xFFFFFF);
  struct Case {
    ColorFormat dest;
    uint32_t first, second;
  } cases[] = {
      {k565, 0xCB26, 0xFFFF},
      {k555, 0xE586, 0xFFFF},
      {kX888, 0xFFC86432, 0xFFFFFFFF},
  };
  for (const Case& c : cases) {
    for (const Image* s : {&src, &rgb}) {
      Image d(c.dest, 2, 1);
      ASSERT_EQ(Convert(&d, *s, Args{}), 0);
      EXPECT_EQ(d.Get(0, 0), c.first) << c.dest.bitsPerPixel << " from " << s->fmt.bitsPerPixel;
      EXPECT_EQ(d.Get(1, 0), c.second);
    }
  }
}

// A 32-bit image whose top byte is zero must come out matching a key packed for the screen.
TEST(ColorConvert, StraightCopyCarriesTheFillBits) {
  struct Case {
    ColorFormat fmt;
    uint32_t in, out;
  } cases[] = {
      {kX888, 0x00C86432, 0xFFC86432},
      {k555, 0x6586, 0xE586},
      {k565, 0xCB26, 0xCB26},
      {k8888, 0x00C86432, 0x00C86432},  // alpha is a channel, not fill
  };
  for (const Case& c : cases) {
    Image src(c.fmt, 3, 2), dest(c.fmt, 3, 2);
    src.Fill(c.in);
    ASSERT_EQ(Convert(&dest, src, Args{}), 0);
    EXPECT_EQ(dest.Get(2, 1), c.out);
  }
  morrow::GetScreenState().screenFormat = kX888;
  morrow::GetScreenState().screenBitDepth = 32;
  Image src(kX888, 1, 1), dest(kX888, 1, 1);
  src.Fill(0x00C86432);
  Convert(&dest, src, Args{});
  EXPECT_EQ(dest.Get(0, 0), morrow::PackScreenColor(200, 100, 50));
  morrow::GetScreenState() = morrow::ScreenState{};
}

TEST(ColorConvert, WideningMapsFullAndEmptyExactly) {
  struct Case {
    ColorFormat src;
    uint32_t in;
    uint32_t out;  // X8R8G8B8
  } cases[] = {
      {k565, 0xF800, 0xFFFF0000},
      {k565, 0x07E0, 0xFF00FF00},
      {k565, 0x001F, 0xFF0000FF},
      {k565, 0x0000, 0xFF000000},
      {k565, 0x8000, 0xFF830000},  // 16 -> (16 << 3) + 16 * 7 / 31 = 131
      {k555, 0xFFFF, 0xFFFFFFFF},  // the top bit is no channel
      {k4444, 0x0F81, 0xFFFF8811},
      // A source without blue widens blue to 0.
      {Fmt(16, 0xF800, 0x7E0, 0), 0xFFFF, 0xFFFFFF00},
  };
  for (const Case& c : cases) {
    Image src(c.src, 1, 1), dest(kX888, 1, 1);
    src.Set(0, 0, c.in);
    ASSERT_EQ(Convert(&dest, src, Args{}), 0);
    EXPECT_EQ(dest.Get(0, 0), c.out) << std::hex << c.in;
  }
}

// Flat 4x4 tiles: a value whose dropped bits are `low` is raised where the Bayer entry m has
// (m * 8) >> 4 < low, which is 2 * low of the 16 places.
TEST(ColorConvert, OrderedDitherRaisesByTheBayerMatrix) {
  for (uint32_t low = 0; low < 8; ++low) {
    Image src(k888, 4, 4), dest(k565, 4, 4);
    src.Fill((80 + low) << 16);
    Args a;
    a.dither = 1;
    ASSERT_EQ(Convert(&dest, src, a), 0);
    int raised = 0;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) raised += (dest.Get(x, y) >> 11) == 11;
    EXPECT_EQ(raised, static_cast<int>(2 * low)) << "low " << low;
    Args plain;
    Convert(&dest, src, plain);
    EXPECT_EQ(dest.Get(0, 0) >> 11, 10u);
  }
  // The entry follows the destination position: with destX = 1 the source's first pixel lands
  // on entry 8 and its fourth on entry 0.
  Image src(k888, 4, 1), dest(k565, 8, 1);
  src.Fill(81u << 16);  // low bits 1: only entries 0 and 1 raise
  Args a;
  a.dither = 1;
  a.destX = 1;
  Convert(&dest, src, a);
  EXPECT_EQ(dest.Get(1, 0) >> 11, 10u);
  EXPECT_EQ(dest.Get(4, 0) >> 11, 11u);
}

TEST(ColorConvert, DitherNeverOverflowsIntoTheNextChannel) {
  Image src(k888, 4, 4), dest(k565, 4, 4);
  src.Fill(0xFFFFFF);
  Args a;
  a.dither = 1;
  Convert(&dest, src, a);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(dest.Get(x, y), 0xFFFFu);
}

TEST(ColorConvert, DitherOnARampKeepsTheMeanAndOrder) {
  // A 256-wide grey ramp into 5:6:5: the dithered mean of each 4x4 tile, widened back, stays
  // within one 5-bit step of the source and never falls as the ramp rises.
  Image src(k888, 256, 4), dest(k565, 256, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 256; ++x) src.Set(x, y, uint32_t(x) * 0x010101u);
  Args a;
  a.dither = 1;
  Convert(&dest, src, a);
  double last = -1;
  for (int tile = 0; tile < 64; ++tile) {
    double sum = 0, srcSum = 0;
    for (int y = 0; y < 4; ++y)
      for (int x = tile * 4; x < tile * 4 + 4; ++x) {
        sum += (dest.Get(x, y) >> 11) * 255.0 / 31.0;
        srcSum += x;
      }
    EXPECT_NEAR(sum / 16, srcSum / 16, 255.0 / 31.0) << "tile " << tile;
    EXPECT_GE(sum / 16, last);
    last = sum / 16;
  }
}

TEST(ColorConvert, KeyToAlpha) {
  struct Case {
    const char* name;
    ColorFormat src, dest;
    uint32_t keyPixel, otherPixel;
    uint32_t key;
    uint32_t keyOut, otherOut;
  } cases[] = {
      {"X888 to 8888", kX888, k8888, 0x00112233, 0x00112234, 0x112233, 0x00112233, 0xFF112234},
      {"top byte ignored", kX888, k8888, 0x5A112233, 0x5A445566, 0x112233, 0x00112233, 0xFF445566},
      {"555 to 1555", k555, k1555, 0xFC00, 0xFC01, 0xFF0000, 0x7C00, 0xFC01},
      {"565 to 8888", k565, k8888, 0xF800, 0x07E0, 0xFF0000, 0x00FF0000, 0xFF00FF00},
      {"24 to 4444", k888, k4444, 0x00FF00, 0x00FF01, 0x00FF00, 0x00F0, 0xF0F0},
  };
  for (const Case& c : cases) {
    Image src(c.src, 2, 1), dest(c.dest, 2, 1);
    src.Set(0, 0, c.keyPixel);
    src.Set(1, 0, c.otherPixel);
    Args a;
    a.keyToAlpha = 1;
    a.key = c.key;
    ASSERT_EQ(Convert(&dest, src, a), 0) << c.name;
    EXPECT_EQ(dest.Get(0, 0), c.keyOut) << c.name;
    EXPECT_EQ(dest.Get(1, 0), c.otherOut) << c.name;
  }
}

TEST(ColorConvert, AlphaSources) {
  ColorFormat planeFmt{};
  morrow::InitPalette8ColorFormat(&planeFmt);
  for (uint32_t i = 0; i < 256; ++i) planeFmt.palette[i] = i * 0x010101u;
  Image plane(planeFmt, 3, 1);
  plane.Set(0, 0, 0);
  plane.Set(1, 0, 0x80);
  plane.Set(2, 0, 0xFF);

  struct Case {
    const char* name;
    ColorFormat src, dest;
    uint32_t pixel;
    bool usePlane;
    int keyToAlpha;
    uint32_t out[3];
  } cases[] = {
      {"plane into 8888", k888, k8888, 0x102030, true, 0, {0x00102030, 0x80102030, 0xFF102030}},
      {"plane into 4444", k888, k4444, 0x102030, true, 0, {0x0123, 0x8123, 0xF123}},
      // The plane is ignored, and so is the key, when the source has alpha of its own.
      {"source alpha wins", k8888, k4444, 0x7F102030, true, 1, {0x7123, 0x7123, 0x7123}},
      // The key is ignored when a plane gives the alpha.
      {"plane beats key", k888, k8888, 0x102030, true, 1, {0x00102030, 0x80102030, 0xFF102030}},
      {"no alpha source", k888, k8888, 0x102030, false, 0, {0xFF102030, 0xFF102030, 0xFF102030}},
      {"no alpha wanted", k8888, kX888, 0x00102030, true, 1, {0xFF102030, 0xFF102030, 0xFF102030}},
  };
  for (const Case& c : cases) {
    Image src(c.src, 3, 1), dest(c.dest, 3, 1);
    src.Fill(c.pixel);
    Args a;
    a.plane = c.usePlane ? &plane : nullptr;
    a.keyToAlpha = c.keyToAlpha;
    a.key = 0x102030;
    ASSERT_EQ(Convert(&dest, src, a), 0) << c.name;
    for (int x = 0; x < 3; ++x) EXPECT_EQ(dest.Get(x, 0), c.out[x]) << c.name << " x " << x;
  }
}

TEST(ColorConvert, MirrorAndColourToBlack) {
  struct Case {
    const char* name;
    ColorFormat src, dest;
    int keyToAlpha, black;
    uint32_t in[3];
    uint32_t out[3];
  } cases[] = {
      {"straight", k565, k565, 0, 0, {1, 2, 3}, {3, 2, 1}},
      {"24 straight",
       k888,
       k888,
       0,
       0,
       {0x010203, 0x040506, 0x070809},
       {0x070809, 0x040506, 0x010203}},
      {"channels",
       k565,
       kX888,
       0,
       0,
       {0xF800, 0x07E0, 0x001F},
       {0xFF0000FF, 0xFF00FF00, 0xFFFF0000}},
      {"key",
       kX888,
       k8888,
       1,
       0,
       {0x000001, 0x000002, 0x000003},
       {0xFF000003, 0xFF000002, 0x00000001}},
      {"black",
       k8888,
       k8888,
       0,
       1,
       {0x12345678, 0xFF000000, 0x80FFFFFF},
       {0x80000000, 0xFF000000, 0x12000000}},
  };
  for (const Case& c : cases) {
    Image src(c.src, 3, 1), dest(c.dest, 3, 1);
    for (int x = 0; x < 3; ++x) src.Set(x, 0, c.in[x]);
    Args a;
    a.mirror = 1;
    a.keyToAlpha = c.keyToAlpha;
    a.key = 0x000001;
    a.black = c.black;
    ASSERT_EQ(Convert(&dest, src, a), 0) << c.name;
    for (int x = 0; x < 3; ++x) EXPECT_EQ(dest.Get(x, 0), c.out[x]) << c.name << " x " << x;
  }
}

TEST(ColorConvert, RectangleLandsAtThePositionAndNowhereElse) {
  Image src(k565, 6, 5), dest(k565, 9, 9);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) src.Set(x, y, uint32_t(y * 16 + x));
  const std::vector<uint8_t> before = dest.px;
  Args a;
  a.rect = Rect{1, 2, 4, 4};
  a.destX = 5;
  a.destY = 6;
  ASSERT_EQ(Convert(&dest, src, a), 0);
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 9; ++x) {
      bool inside = x >= 5 && x < 8 && y >= 6 && y < 8;
      if (inside) {
        EXPECT_EQ(dest.Get(x, y), uint32_t((y - 6 + 2) * 16 + (x - 5 + 1)));
      } else {
        EXPECT_EQ(dest.Get(x, y), 0xEEEEu) << x << "," << y;
      }
    }
  }
  // An empty or reversed rectangle writes nothing and is no error.
  dest.px = before;
  a.rect = Rect{4, 2, 1, 4};
  Rect reversed = a.rect;
  EXPECT_EQ(
      morrow::ConvertColorFormatBlt(dest.px.data(), dest.pitch, &dest.fmt, src.px.data(), src.pitch,
                                    &src.fmt, nullptr, 0, nullptr, 0, 0, &reversed, 0, 0, 0, 0, 0),
      0);
  EXPECT_EQ(dest.px, before);
}

TEST(ColorConvert, UnsupportedSizesAndMissingPointersWriteNothing) {
  ColorFormat odd = Fmt(15, 0x7C00, 0x3E0, 0x1F);
  ColorFormat tiny = Fmt(4, 0x8, 0x4, 0x2, 0x1);
  ColorFormat planeFmt = Fmt(12, 0xF00, 0xF0, 0xF);
  Image plane(planeFmt, 2, 2);
  struct Case {
    const char* name;
    ColorFormat src, dest;
    const Image* plane;
    bool nullAlphaFmt;
  } cases[] = {
      {"15-bit source", odd, k565, nullptr, false},
      {"4-bit destination", k565, tiny, nullptr, false},
      {"12-bit plane", k888, k8888, &plane, false},
      {"plane without a format", k888, k8888, &plane, true},
  };
  for (const Case& c : cases) {
    Image src(c.src.bitsPerPixel >= 8 ? c.src : k565, 2, 2);
    src.fmt = c.src;
    Image dest(c.dest.bitsPerPixel >= 8 ? c.dest : k565, 2, 2);
    dest.fmt = c.dest;
    const std::vector<uint8_t> before = dest.px;
    Args a;
    a.plane = c.plane;
    a.nullAlphaFmt = c.nullAlphaFmt;
    a.rect = Rect{0, 0, 1, 1};
    EXPECT_EQ(Convert(&dest, src, a), -1) << c.name;
    EXPECT_EQ(Convert(&dest, src, a, true), -1) << c.name;
    EXPECT_EQ(dest.px, before) << c.name;
  }
  Image src(k565, 1, 1), dest(k565, 1, 1);
  Rect r{0, 0, 1, 1};
  EXPECT_EQ(morrow::ConvertColorFormatBlt(nullptr, 2, &k565, src.px.data(), 2, &k565, nullptr, 0,
                                          nullptr, 0, 0, &r, 0, 0, 0, 0, 0),
            -1);
  EXPECT_EQ(morrow::ConvertColorFormatBlt(dest.px.data(), 2, &k565, src.px.data(), 2, &k565,
                                          nullptr, 0, nullptr, 0, 0, nullptr, 0, 0, 0, 0, 0),
            -1);
}

}  // namespace
