// The 32-bit piece rules against the worked values of their formulas, the properties that tie the
// two formula sets together, and the walkers' gates: key before alpha, skipped pixels never
// written, rows and tails visited exactly.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <random>
#include <vector>

#include "morrow/raster/piece_rules32.h"
#include "morrow/raster/solid_rules.h"
#include "morrow/raster/walkers.h"
#include "morrow/raster/walkers_sse2.h"
#include "tests/morrow/raster/worked_value.h"

namespace {

using namespace morrow::raster;
using testsupport::Grey;
using testsupport::PixelCase;

constexpr uint32_t kNoBright = 0xFFFFFFFFu;

BlendParams Params(uint32_t p, uint32_t bright = kNoBright) {
  return BlendParams{p, bright};
}

class Rules32 : public ::testing::TestWithParam<PixelCase> {};

TEST_P(Rules32, GivesTheWorkedValue) {
  EXPECT_EQ(GetParam().compute(), GetParam().want);
}

// Each value is worked out by hand from the formula named in the case.
INSTANTIATE_TEST_SUITE_P(
    WorkedValues, Rules32,
    ::testing::Values(
        // (200 * 128) >> 8 = 100, (128 * 100) >> 8 = 50.
        PixelCase{"TableBlendHalfOfTwoHundredOverOneHundred",
                  [] { return TableBlend<PlainSource>(Params(128))(Grey(200), Grey(100)); },
                  Grey(150)},
        // 127 + 127: each half rounded down before the sum; the fourth byte is 0.
        PixelCase{"TableBlendOfEqualWhitesLosesOne",
                  [] { return TableBlend<PlainSource>(Params(128))(0xFFFFFFFFu, 0xFFFFFFFFu); },
                  0x00FEFEFEu},
        // One rounding: (255 * 128 + 255 * 128) >> 8 = 255 in all four bytes.
        PixelCase{"MmxBlendOfEqualWhitesStays",
                  [] { return MmxBlend32(Params(128))(0xFFFFFFFFu, 0xFFFFFFFFu); }, 0xFFFFFFFFu},
        // (1 * 128 + 2 * 128) >> 8 = 1; the table gives 0 + 1 = 1.
        PixelCase{"MmxBlendOneOverTwo", [] { return MmxBlend32(Params(128))(Grey(1), Grey(2)); },
                  Grey(1)},
        PixelCase{"TableBlendOneOverTwo",
                  [] { return TableBlend<PlainSource>(Params(128))(Grey(1), Grey(2)); }, Grey(1)},
        // The tinted term: (128 * 200) >> 8 = 100 in red, (255 * 200) >> 8 = 199 in green and
        // blue; then P + Q at p = 255: (255 * 100) >> 8 = 99, (255 * 199) >> 8 = 198, plus
        // (1 * 40) >> 8 = 0.
        PixelCase{
            "TintTableBlend",
            [] { return TableBlend<TintSource>(Params(255, 0xFF80FFFFu))(Grey(200), Grey(40)); },
            0x0063C6C6u},
        // Add of white at p = 255 without MMX: 254 added to 255 overflows every channel, and
        // red's carry reaches the fourth byte.
        PixelCase{"AddWhiteOntoWhiteSetsTheFourthByte",
                  [] { return Add32<PlainSource>(Params(255))(0x00FFFFFFu, 0x00FFFFFFu); },
                  0x01FFFFFFu},
        PixelCase{"MmxAddWhiteOntoWhiteLeavesTheFourthByte",
                  [] { return MmxAdd32(Params(255))(0x00FFFFFFu, 0x00FFFFFFu); }, 0x00FFFFFFu},
        // min(255, d + (s * p >> 8)) per byte: 100 + 100, 100 + 50, 100 + 25; 255 + 127 -> 255.
        PixelCase{"MmxAddSaturatesEachByte",
                  [] { return MmxAdd32(Params(128))(0xFFC86432u, 0xFF646464u); }, 0xFFC8967Du},
        // Red 129 plus 127: (129 >> 1) + (127 >> 1) = 127 < 128, so the fourth byte stays 0
        // while red saturates through its lowest bit.
        PixelCase{"AddCarryOfRedOnlyFromItsUpperBits",
                  [] { return GuardAdd<F32>(0x00810000u, 0x007F0000u); }, 0x00FF0000u},
        // Subtracting black: D | guards, nothing taken away; the guards of green and red stay.
        PixelCase{"SubBlackSetsTheLowBitsOfGreenAndRed",
                  [] { return Sub32<PlainSource>(Params(255))(0x00000000u, 0xFF646464u); },
                  0x00656564u},
        PixelCase{"SubOfABrighterSourceIsBlack",
                  [] { return Sub32<PlainSource>(Params(255))(0x00FFFFFFu, 0x00102030u); },
                  0x00000000u},
        // (255 * 50) >> 8 = 49 per channel; 49 & 0xFE = 48 from red and green, 49 from blue.
        PixelCase{"SubFiftyFromOneHundred",
                  [] { return Sub32<PlainSource>(Params(255))(Grey(50), Grey(100)); }, 0x00353533u},
        PixelCase{"MultiplyByWhiteKeepsTheChannels",
                  [] { return Multiply32<PlainSource>(Params(0))(0x00FFFFFFu, 0xFF123456u); },
                  0x00123456u},
        PixelCase{"MultiplyByBlackIsBlack",
                  [] { return Multiply32<PlainSource>(Params(0))(0xFF000000u, 0xFF123456u); },
                  0x00000000u},
        // 200 * 128 / 255 = 100, 100 * 64 / 255 = 25, 50 * 255 / 255 = 50.
        PixelCase{"MultiplyChannels",
                  [] { return Multiply32<PlainSource>(Params(0))(0x008040FFu, 0xFFC86432u); },
                  0x00641932u},
        // W(128) of (200, 100, 50) over black: each channel halved.
        PixelCase{
            "ShiftedDiffOverBlack",
            [] { return ShiftedDiff<AlphaWeight, Copy>(Params(0)).Partial(0xFFC86432u, 0, 128); },
            0x00643219u},
        PixelCase{
            "ShiftedDiffOpaqueCopiesTheWholeWord",
            [] { return ShiftedDiff<AlphaWeight, Copy>(Params(0)).Opaque(0xFFC86432u, 0x0u); },
            0xFFC86432u},
        // Mode 1 under the alpha map: an opaque byte blends by the table.
        PixelCase{"AlphaTableBlendOpaqueIsTheTableBlend",
                  [] {
                    return ShiftedDiff<ParamAlphaWeight, TableBlend<PlainSource>>(Params(128))
                        .Opaque(Grey(200), Grey(100));
                  },
                  Grey(150)},
        // a' = (128 * 128) >> 8 = 64; W(64) of 200 over 100: ((100 * 64) >> 8) + 100 = 125.
        PixelCase{"AlphaTableBlendPartialWeighsTheScaledByte",
                  [] {
                    return ShiftedDiff<ParamAlphaWeight, TableBlend<PlainSource>>(Params(128))
                        .Partial(Grey(200), Grey(100), 128);
                  },
                  Grey(125)},
        // T = (199, 100, 199); V(T, 64, 256) over 0: (199 * 64) >> 8 = 49, (100 * 64) >> 8 = 25.
        PixelCase{"CoverageByTheByte",
                  [] {
                    return Coverage<TintSource, AlphaWeight>(Params(0, 0xFFFF80FFu))
                        .Partial(Grey(200), 0, 64);
                  },
                  0x00311931u},
        // An opaque byte weighs 256: T itself.
        PixelCase{"CoverageOpaqueIsTheTint",
                  [] {
                    return Coverage<TintSource, AlphaWeight>(Params(0, 0xFFFF80FFu))
                        .Opaque(Grey(200), Grey(7));
                  },
                  0x00C764C7u},
        // a' at an opaque byte: (255 * 128) >> 8 = 127 against 255 - 127 = 128; T of 200 is
        // 199 at bright 255 and 198 at 254: (199 * 127) >> 8 = 98, (198 * 127) >> 8 = 98.
        PixelCase{"AlphaCoverageOpaqueWeighsTheScaledParameter",
                  [] {
                    return Coverage<TintSource, ParamAlphaWeight>(Params(128, 0xFFFFFFFEu))
                        .Opaque(Grey(200), 0);
                  },
                  0x00626262u},
        // Plain add under the map: an opaque byte adds P(s) = 100, a partial one (s * a') >> 8
        // with a' = (64 * 128) >> 8 = 32: (200 * 32) >> 8 = 25.
        PixelCase{"AlphaAddOpaqueUsesTheParameter",
                  [] { return Add32<PlainSource>(Params(128)).Opaque(Grey(200), Grey(10)); },
                  Grey(110)},
        PixelCase{"AlphaAddPartialUsesTheScaledByte",
                  [] { return Add32<PlainSource>(Params(128)).Partial(Grey(200), Grey(10), 64); },
                  Grey(35)},
        // Tinted add under the map has no opaque case: 255 weighs a' = 127, which takes T
        // (199, 199, 198) to 98 in every channel.
        PixelCase{"AlphaTintAddOpaqueWeighsTheScaledParameter",
                  [] {
                    return Add32<TintSource, AlphaOpaque::kAsPartial>(Params(128, 0xFFFFFFFEu))
                        .Opaque(Grey(200), 0);
                  },
                  Grey(98)},
        PixelCase{"AlphaTintSubOpaqueWeighsTheScaledParameter",
                  [] {
                    return Sub32<TintSource, AlphaOpaque::kAsPartial>(Params(128, 0xFFFFFFFEu))
                        .Opaque(Grey(200), Grey(200));
                  },
                  // 200 - 98 = 102 in every channel; the guard bits of red and green stay.
                  0x00676766u}));

// The multiplication by 0x80808081 equals the division by 255 for every product of two bytes.
TEST(Rules32Property, MultiplyEqualsTheDivisionForEveryPair) {
  for (uint32_t x = 0; x < 256; ++x) {
    for (uint32_t d = 0; d < 256; ++d) {
      ASSERT_EQ(MultiplyChannels(x, d), x * d / 255) << x << " " << d;
    }
  }
}

// Two roundings are never above one and at most one below it.
TEST(Rules32Property, TableBlendIsAtMostOneBelowTheMmxBlend) {
  for (uint32_t p = 1; p < 255; ++p) {
    const TableBlend<PlainSource> table(Params(p));
    const MmxBlend32 mmx(Params(p));
    for (uint32_t s = 0; s < 256; s += 3) {
      for (uint32_t d = 0; d < 256; d += 5) {
        const uint32_t t = table(s, d) & 0xFF, m = mmx(s, d) & 0xFF;
        ASSERT_LE(t, m) << p << " " << s << " " << d;
        ASSERT_LE(m - t, 1u) << p << " " << s << " " << d;
      }
    }
  }
}

// Each channel alone. Red and green add their upper seven bits, take their lowest bit from the
// operands, and an overflow makes the channel 255 and carries into the bit above it (the fourth
// byte, or red's lowest bit); blue adds all eight bits and carries the same way into green.
TEST(Rules32Property, GuardAddSaturatesEachChannel) {
  for (uint32_t x = 0; x < 256; ++x) {
    for (uint32_t y = 0; y < 256; ++y) {
      const uint32_t upper = (x & 0xFE) + (y & 0xFE);
      const uint32_t kept = upper | ((x | y) & 1);
      ASSERT_EQ(GuardAdd<F32>(x << 16, y << 16), upper > 255 ? 0x01FF0000u : kept << 16)
          << x << " " << y;
      ASSERT_EQ(GuardAdd<F32>(x << 8, y << 8), upper > 255 ? 0x0001FF00u : kept << 8)
          << x << " " << y;
      ASSERT_EQ(GuardAdd<F32>(x, y), x + y > 255 ? 0x000001FFu : x + y) << x << " " << y;
    }
  }
}

// Each channel alone. The guard bits set the lowest bit of green and red before the subtraction
// and the subtrahend's lowest bit of red and green is dropped; a channel that would go below 0
// becomes 0 and takes the guard of the channel above with it.
TEST(Rules32Property, GuardSubClampsEachChannel) {
  for (uint32_t x = 0; x < 256; ++x) {
    for (uint32_t y = 0; y < 256; ++y) {
      const uint32_t even = y & 0xFE;
      const uint32_t kept = (x | 1) - even;
      ASSERT_EQ(GuardSub<F32>(x << 16, y << 16), x >= even ? kept << 16 | 0x100u : 0x100u)
          << x << " " << y;
      ASSERT_EQ(GuardSub<F32>(x << 8, y << 8), x >= even ? kept << 8 | 0x10000u : 0u)
          << x << " " << y;
      ASSERT_EQ(GuardSub<F32>(x, y), x >= y ? (x - y) | 0x10100u : 0x10000u) << x << " " << y;
    }
  }
}

// ---- walkers ----

// A buffer of w x h 32-bit pixels with a margin of guard pixels all round, so that a walk that
// strays is seen.
struct Canvas {
  static constexpr int kMargin = 3;
  static constexpr uint32_t kGuard = 0xA5A5A5A5u;
  Canvas(int w, int h, uint32_t fill) : width(w), height(h) {
    pixels.assign(static_cast<size_t>((w + 2 * kMargin) * (h + 2 * kMargin)), kGuard);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) At(x, y) = fill;
    }
  }
  int Pitch() const { return (width + 2 * kMargin) * 4; }
  uint32_t& At(int x, int y) {
    return pixels[static_cast<size_t>((y + kMargin) * (width + 2 * kMargin) + x + kMargin)];
  }
  uint8_t* Origin() { return reinterpret_cast<uint8_t*>(&At(0, 0)); }
  bool GuardsIntact() const {
    const int stride = width + 2 * kMargin;
    for (int y = 0; y < height + 2 * kMargin; ++y) {
      for (int x = 0; x < stride; ++x) {
        const bool inside =
            x >= kMargin && x < kMargin + width && y >= kMargin && y < kMargin + height;
        if (!inside && pixels[static_cast<size_t>(y * stride + x)] != kGuard) return false;
      }
    }
    return true;
  }
  int width, height;
  std::vector<uint32_t> pixels;
};

RectSurfaces Walk(Canvas& dest, Canvas& src, Canvas& read, std::vector<uint8_t>* alpha) {
  RectSurfaces r;
  r.width = dest.width;
  r.height = dest.height;
  r.dest = dest.Origin();
  r.src = src.Origin();
  r.read = read.Origin();
  r.destSkip = dest.Pitch() - dest.width * 4;
  r.srcSkip = src.Pitch() - dest.width * 4;
  r.readSkip = read.Pitch() - dest.width * 4;
  if (alpha != nullptr) {
    r.alpha = alpha->data();
    r.alphaSkip = 0;
  }
  return r;
}

// The key is tested before the alpha byte: a key-coloured pixel with an opaque byte is left
// alone; a pixel with byte 0 is left alone; 255 and partial bytes take their outcomes.
TEST(Walkers, KeyBeforeAlphaAndEveryAlphaOutcome) {
  constexpr uint32_t kKey = 0xFF00FF00u;
  Canvas dest(4, 1, 0x11111111u), src(4, 1, 0), read(4, 1, Grey(100));
  src.At(0, 0) = kKey;
  src.At(1, 0) = Grey(200);
  src.At(2, 0) = 0xFFC86432u;
  src.At(3, 0) = Grey(200);
  std::vector<uint8_t> alpha = {255, 0, 255, 128};
  RectWalk<F32, KeyGate::kCompare, AlphaGate::kMap>(Walk(dest, src, read, &alpha), kKey,
                                                    ShiftedDiff<AlphaWeight, Copy>(Params(0)));
  EXPECT_EQ(dest.At(0, 0), 0x11111111u);  // keyed, although opaque
  EXPECT_EQ(dest.At(1, 0), 0x11111111u);  // alpha 0
  EXPECT_EQ(dest.At(2, 0), 0xFFC86432u);  // opaque: s whole
  EXPECT_EQ(dest.At(3, 0), ShiftedDiffOf(Grey(200), Grey(100), 128));
  EXPECT_TRUE(dest.GuardsIntact());
}

// Skipped pixels keep the target's own value, not the staged copy's, in both walkers, for every
// tail length of the vector walker.
TEST(Walkers, SkippedPixelsAreNeverWritten) {
  constexpr uint32_t kKey = 0x00123456u;
  for (int width = 1; width <= 11; ++width) {
    SCOPED_TRACE(width);
    for (bool vector : {false, true}) {
      Canvas dest(width, 3, 0x77777777u), src(width, 3, Grey(9)), read(width, 3, Grey(200));
      for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < width; ++x) {
          if ((x + y) % 3 == 0) src.At(x, y) = kKey;
        }
      }
      const RectSurfaces r = Walk(dest, src, read, nullptr);
      const Add32<PlainSource> rule(Params(128));
      if (vector) {
#if defined(MORROW_RASTER_SSE2)
        RectWalkSse2<KeyGate::kCompare>(r, kKey, rule);
#else
        GTEST_SKIP() << "no SSE2 in this build";
#endif
      } else {
        RectWalk<F32, KeyGate::kCompare, AlphaGate::kNone>(r, kKey, rule);
      }
      for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < width; ++x) {
          const uint32_t want = (x + y) % 3 == 0 ? 0x77777777u : rule(Grey(9), Grey(200));
          ASSERT_EQ(dest.At(x, y), want) << x << "," << y << (vector ? " vector" : " scalar");
        }
      }
      EXPECT_TRUE(dest.GuardsIntact());
    }
  }
}

// A solid walk in the middle of a larger buffer writes its rectangle and nothing else.
TEST(Walkers, SolidSpanStaysInItsRows) {
  for (int width = 1; width <= 9; ++width) {
    Canvas dest(width, 2, Grey(100));
    SolidSurfaces s;
    s.width = width;
    s.height = 2;
    s.dest = dest.Origin();
    s.read = dest.Origin();
    s.destSkip = s.readSkip = dest.Pitch() - width * 4;
    SolidSpan<F32>(s, SolidSubGuard<F32>({Grey(50), 255}, {}));
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < width; ++x) ASSERT_EQ(dest.At(x, y), 0x00353533u);
    }
    EXPECT_TRUE(dest.GuardsIntact());
  }
}

// 8-bit and 16-bit walks move by their own pixel size; 16-bit keys compare the low 16 bits.
TEST(Walkers, NarrowFormatsStepByTheirPixelSize) {
  std::vector<uint8_t> bytes = {1, 2, 3, 4, 5, 6};
  SolidSurfaces s8;
  s8.width = 2;
  s8.height = 2;
  s8.dest = bytes.data() + 1;
  s8.read = s8.dest;
  s8.destSkip = s8.readSkip = 1;
  SolidSpan<F8>(s8, SolidFill<F8>({9, 0}, {}));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 9, 9, 4, 9, 9}));

  std::vector<uint16_t> dest = {1, 1, 1}, src = {0x1234, 0x5678, 0x1234};
  RectSurfaces r;
  r.width = 3;
  r.height = 1;
  r.dest = reinterpret_cast<uint8_t*>(dest.data());
  r.src = reinterpret_cast<const uint8_t*>(src.data());
  r.read = r.dest;
  RectWalk<F565, KeyGate::kCompare, AlphaGate::kNone>(r, 0xFFFF1234u, Copy(Params(0)));
  EXPECT_EQ(dest, (std::vector<uint16_t>{1, 0x5678, 1}));
}

}  // namespace
