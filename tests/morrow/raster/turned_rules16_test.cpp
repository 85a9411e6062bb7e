// The 16-bit turned draws' rules against the worked values of their formulas, the choice of loop
// at every layout, generic layouts with moved, wide and empty channels drawn through both walks
// with every mode and parameter (nothing read or written outside the pixels given), and the
// vector loops equal to the reference ones on seeded random walks.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/raster/raster_path.h"
#include "morrow/raster/triangle.h"
#include "morrow/raster/turned_loops.h"
#include "morrow/raster/turned_rules16.h"
#include "tests/morrow/raster/rules16_fixture.h"
#include "tests/morrow/raster/worked_value.h"

namespace {

using namespace morrow::raster;
using testsupport::Apply;
using testsupport::ApplyAlpha;
using testsupport::Bright;
using testsupport::kNoBright;
using testsupport::PixelCase;
using testsupport::Prepare;

const FGeneric16 k555 = testsupport::Layout(0x7C00, 0x03E0, 0x001F);
const FGeneric16 kTenBitRed = testsupport::Layout(0xFFC0, 0x0038, 0x0007);

using Plain = PlainChannel;
using Tinted = TintChannel;

class TurnedRules16 : public ::testing::TestWithParam<PixelCase> {};

TEST_P(TurnedRules16, GiveTheWorkedValue) {
  EXPECT_EQ(GetParam().compute(), GetParam().want);
}

// Each value is worked by hand from the formula the case names; 5:6:5 unless named. (Whole
// pixels through both draws are in turned_modi_test.cpp.)
INSTANTIATE_TEST_SUITE_P(
    WorkedValues, TurnedRules16,
    ::testing::Values(
        // Mode 1 under the alpha map at p = 128: (1 * 128) >> 8 = 0 gives the destination back.
        PixelCase{"AZeroWeightGivesTheDestination",
                  [] {
                    return ApplyAlpha<TurnedAlphaBlend16<F565, Plain>>(Prepare(128), 0xFFFF, 0x1234,
                                                                       1);
                  },
                  0x1234},
        // Mode 0 under the alpha map: 255 copies (tints, with bright 128: 15, 31, 15), 128 weighs
        // white over black by 128.
        PixelCase{"CoverOpaqueCopies",
                  [] { return ApplyAlpha<TurnedCover16<F565>>(Prepare(0), 0xABCD, 0, 255); },
                  0xABCD},
        PixelCase{"CoverHalfOverBlack",
                  [] { return ApplyAlpha<TurnedCover16<F565>>(Prepare(0), 0xFFFF, 0, 128); },
                  0x7BEF},
        PixelCase{"CoverTintOpaqueTints",
                  [] {
                    return ApplyAlpha<TurnedCoverTint16<F565>>(Prepare(0, Bright(128, 128, 128)),
                                                               0xFFFF, 0, 255);
                  },
                  0x7BEF},
        // The triangle's subtract and add on terms no texel scales to: t = 0xFFFF from white; at
        // 5:5:5 t = 0x7C00 onto 0x7C00, bit 15 holding red's carry.
        PixelCase{"SubtractAllFromWhite",
                  [] { return GuardSub16(GuardConstantsOf<F565>(Prepare(255)), 0xFFFF, 0xFFFF); },
                  0x0800},
        PixelCase{"Add555KeepsRedsCarry",
                  [] {
                    return GuardAdd16(GuardConstantsOf<F555>(Prepare(255, kNoBright, k555)), 0x7C00,
                                      0x7C00);
                  },
                  0xFC00},
        // The mended generic layouts. Blue taken by its shift: 5:6:5 with red and blue swapped,
        // blue 31 at p = 128 gives 15 at bits 11-15. An 8-bit red: P[200] + Q[100] = 100 + 49.
        PixelCase{"GenericBlueAboveBit0",
                  [] {
                    return Apply<TableBlend16<FGeneric16>>(
                        Prepare(128, kNoBright, testsupport::Layout(0x001F, 0x07E0, 0xF800)),
                        0xF800, 0);
                  },
                  0x7800},
        PixelCase{"GenericEightBitRed",
                  [] {
                    return Apply<TableBlend16<FGeneric16>>(
                        Prepare(128, kNoBright, testsupport::Layout(0xFF00, 0x00F0, 0x000F)),
                        0xC800, 0x6400);
                  },
                  0x9500},
        // A 10-bit red tinted by 128: (1023 * 128) >> 8 = 511, past the bright row; green and
        // blue 7 give 3. Blended at p = 128 over black: P[511] = 255 and P[3] = 1; multiplied
        // with white: 511 * 1023 / 1023.
        PixelCase{"GenericTenBitRedTinted",
                  [] {
                    return ApplyAlpha<TurnedCoverTint16<FGeneric16>>(
                        Prepare(0, Bright(128, 128, 128), kTenBitRed), 0xFFFF, 0, 255);
                  },
                  0x7FDB},
        PixelCase{"GenericTenBitRedTintedBlend",
                  [] {
                    return Apply<TurnedTableBlend16<FGeneric16, Tinted>>(
                        Prepare(128, Bright(128, 128, 128), kTenBitRed), 0xFFFF, 0);
                  },
                  0x3FC9},
        PixelCase{"GenericTenBitRedTintedMultiply",
                  [] {
                    return Apply<TurnedMultiply16<FGeneric16, Tinted>>(
                        Prepare(0, Bright(128, 128, 128), kTenBitRed), 0xFFFF, 0xFFFF);
                  },
                  0x7FDB}),
    [](const auto& info) { return std::string(info.param.name); });

// The exact coverage gives equal colours back at every weight, with or without p.
TEST(TurnedRules16Coverage, NeverDarkensEqualColours) {
  std::mt19937 rng(16);
  for (uint32_t p : {1u, 128u, 254u}) {
    const Setup16 s565 = Prepare(p), s555 = Prepare(p, kNoBright, k555);
    const TurnedCover16<F565> cover(s565);
    const TurnedAlphaBlend16<F565, Plain> blend(s565);
    const TurnedAlphaBlend16<F555, Plain> blend555(s555);
    for (int i = 0; i < 200; ++i) {
      const uint32_t pixel = rng() & 0xFFFF;
      for (uint32_t a = 1; a < 255; ++a) {
        ASSERT_EQ(cover.Partial(pixel, pixel, a), pixel) << std::hex << pixel << " " << a;
        ASSERT_EQ(blend.Partial(pixel, pixel, a), pixel);
        ASSERT_EQ(blend555.Partial(pixel, pixel, a), pixel & 0x7FFF);
      }
    }
  }
}

// ---- the choice of loop (worked choices: turned_rules_test.cpp) ----

constexpr TurnedShape kRota = TurnedShape::kRota, kTri = TurnedShape::kTriangle;
constexpr FormatClass k6 = FormatClass::k565, k5 = FormatClass::k555, kG = FormatClass::kGeneric16;
using L = TurnedLoop;

// Every draw's choice has its loop in both walks' tables, keyed exactly when keyFlag is 1 (never
// in mode 4), with a vector form at 5:6:5 and 5:5:5 in modes 0 to 3.
TEST(TurnedDispatch16Table, EveryChoiceHasItsLoop) {
  for (TurnedShape shape : {kRota, kTri}) {
    for (FormatClass format : {k6, k5, kG}) {
      for (int32_t mode = -1; mode <= 9; ++mode) {
        for (uint32_t p : {0u, 1u, 128u, 254u, 255u}) {
          for (int bits = 0; bits < 4; ++bits) {
            for (int keyFlag : {-1, 0, 1, 2}) {
              const bool alpha = (bits & 1) != 0, bright = (bits & 2) != 0;
              const TurnedLoop16 loop =
                  ChooseTurnedLoop16(shape, mode, p, alpha, bright, keyFlag, format);
              SCOPED_TRACE(::testing::Message() << mode << " p " << p << " bits " << bits << " key "
                                                << keyFlag << " " << TurnedLoop16Name(loop));
              const bool draws = mode >= 0 && mode <= 4 && (p != 0 || mode == 0 || mode == 4);
              ASSERT_EQ(loop.loop != L::kNothing, draws);
              if (!draws) continue;
              ASSERT_TRUE(TurnedLoop16HasReference(loop));
              const std::string name = TurnedLoopName(loop.loop);
              const bool keyed = name.size() > 3 && name.substr(name.size() - 3) == "Key";
              EXPECT_EQ(keyed, keyFlag == 1 && mode != 4);
              const bool fixed = format != kG;
              EXPECT_EQ(TurnedLoop16HasVector(loop), fixed && mode <= 3);
              if (mode == 1 && p == 255) {
                EXPECT_EQ(loop, ChooseTurnedLoop16(shape, 0, p, alpha, bright, keyFlag, format));
              }
            }
          }
        }
      }
    }
  }
}

// ---- both walks on pixels of their own ----

// A 16-bit target of kWidth x kHeight pixels framed by guard pixels, and a texture of exactly
// its texels and alpha bytes (any read past them is one past the allocation); one turned draw
// runs into them at a time.
class Turned16Canvas {
 public:
  static constexpr int kWidth = 40, kHeight = 24, kGuard = 3;
  static constexpr int kStride = kWidth + 2 * kGuard;

  Turned16Canvas(const morrow::ColorFormat& format, std::mt19937& rng)
      : format_(format),
        textureWidth_(1 + static_cast<int>(rng() % 17)),
        textureHeight_(1 + static_cast<int>(rng() % 11)),
        pixels_(static_cast<size_t>(kStride) * (kHeight + 2 * kGuard)),
        texels_(static_cast<size_t>(textureWidth_) * textureHeight_),
        alpha_(texels_.size()) {
    static constexpr uint8_t kAlphas[] = {0, 255, 255, 1, 128, 254, 77};
    for (uint16_t& p : pixels_) p = static_cast<uint16_t>(rng());
    key_ = static_cast<uint16_t>(rng());
    for (size_t i = 0; i < texels_.size(); ++i) {
      texels_[i] = rng() % 5 == 0 ? key_ : static_cast<uint16_t>(rng());
      alpha_[i] = kAlphas[rng() % 7];
    }
  }

  TurnedDraw Draw(int32_t mode, uint32_t p, uint32_t bright, bool alphaChannel, int keyFlag) const {
    TurnedDraw d;
    d.texture.src = reinterpret_cast<const uint8_t*>(texels_.data());
    d.texture.pitch = textureWidth_ * 2;
    d.texture.width = static_cast<uint32_t>(textureWidth_);
    d.texture.height = static_cast<uint32_t>(textureHeight_);
    d.texture.alpha = alpha_.data();
    d.texture.alphaPitch = textureWidth_;
    d.key = 0xABCD0000u | key_;  // only the low 16 bits are compared
    d.keyFlag = keyFlag;
    d.mode = mode;
    d.blend.p = p;
    d.blend.bright = bright;
    d.alphaChannel = alphaChannel;
    d.format = ClassifyScreenFormat(16, format_);
    d.screenFormat = &format_;
    d.products = testsupport::Products();
    return d;
  }

  // A box inside the target walked at a random 14.18 angle and scale, reaching past the texture.
  RotaWalk Rota(std::mt19937& rng) {
    RotaWalk w;
    const int x = static_cast<int>(rng() % kWidth), y = static_cast<int>(rng() % kHeight);
    w.width = 1 + static_cast<int>(rng() % (kWidth - x));
    w.rows = 1 + static_cast<int>(rng() % (kHeight - y));
    w.dest = Origin() + Offset(x, y);
    w.read = w.dest;
    w.destPitch = w.readPitch = kStride * 2;
    auto fixed = [&](int lo, int hi) {
      return static_cast<uint32_t>((lo + static_cast<int>(rng() % (hi - lo + 1))) * 65536);
    };
    w.u = fixed(-12, 4 * textureWidth_ + 8);
    w.v = fixed(-12, 4 * textureHeight_ + 8);
    w.du = fixed(-7, 7);
    w.dv = rng() % 3 == 0 ? 0 : fixed(-7, 7);
    w.duRow = fixed(-7, 7);
    w.dvRow = fixed(-7, 7);
    return w;
  }

  // A triangle of random corners around the area (left of it, across it, right of it).
  TriangleSpanWalk Triangle(std::mt19937& rng, TriangleSetup* setup) {
    TriangleVertex v[3];
    do {
      for (TriangleVertex& c : v) {
        c.x = static_cast<int32_t>(rng() % (kWidth + 40)) - 20;
        c.y = static_cast<int32_t>(rng() % (kHeight + 20)) - 10;
        c.u = static_cast<int32_t>(rng() % (textureWidth_ + 5)) - 2;
        c.v = static_cast<int32_t>(rng() % (textureHeight_ + 5)) - 2;
      }
    } while (SetUpTriangle(v, setup) != TriangleRefusal::kNone);
    TriangleSpanWalk w;
    w.setup = setup;
    w.area = morrow::Rect{0, 0, kWidth, kHeight};
    w.dest = Origin();
    w.read = w.dest;
    w.destPitch = w.readPitch = kStride * 2;
    return w;
  }

  // Every guard pixel as it was made.
  bool GuardsIntact(const std::vector<uint16_t>& before) const {
    for (int y = 0; y < kHeight + 2 * kGuard; ++y) {
      for (int x = 0; x < kStride; ++x) {
        const bool inside =
            x >= kGuard && x < kGuard + kWidth && y >= kGuard && y < kGuard + kHeight;
        const size_t i = static_cast<size_t>(y) * kStride + x;
        if (!inside && pixels_[i] != before[i]) return false;
      }
    }
    return true;
  }

  std::vector<uint16_t>& pixels() { return pixels_; }

 private:
  uint8_t* Origin() { return reinterpret_cast<uint8_t*>(pixels_.data()) + Offset(kGuard, kGuard); }
  static int64_t Offset(int x, int y) { return (int64_t{y} * kStride + x) * 2; }

  morrow::ColorFormat format_;
  int textureWidth_, textureHeight_;
  std::vector<uint16_t> pixels_;
  std::vector<uint16_t> texels_;
  std::vector<uint8_t> alpha_;
  uint16_t key_ = 0;
};

uint32_t RandomBright(std::mt19937& rng) {
  return rng() % 2 == 0 ? kNoBright : (0xFF000000u | (rng() & 0xFFFFFF));
}

// Every mode from -1 to 9 with every parameter through both walks, on the named layouts and on
// generic ones with blue above bit 0, channels of 8 and 10 bits, and empty channels: nothing is
// read outside the texture (the sanitizer sees to it) and nothing written outside the target.
TEST(TurnedWalks16, DrawEveryModeAtEveryLayoutInsideThePixels) {
  const morrow::ColorFormat layouts[] = {
      testsupport::Format16(0xF800, 0x07E0, 0x001F), testsupport::Format16(0x7C00, 0x03E0, 0x001F),
      testsupport::Format16(0x0F00, 0x00F0, 0x000F), testsupport::Format16(0x001F, 0x07E0, 0xF800),
      testsupport::Format16(0xFF00, 0x00F0, 0x000F), testsupport::Format16(0xFFC0, 0x0038, 0x0007),
      testsupport::Format16(0xF800, 0x07E0, 0),      testsupport::Format16(0, 0, 0)};
  std::mt19937 rng(35);
  for (const morrow::ColorFormat& format : layouts) {
    SCOPED_TRACE(::testing::Message() << std::hex << format.redMask << " " << format.greenMask
                                      << " " << format.blueMask);
    for (int32_t mode = -1; mode <= 9; ++mode) {
      for (uint32_t p = 0; p < 256; ++p) {
        Turned16Canvas canvas(format, rng);
        const std::vector<uint16_t> before = canvas.pixels();
        const TurnedDraw draw =
            canvas.Draw(mode, p, RandomBright(rng), rng() % 2 == 0, static_cast<int>(rng() % 3));
        if (p % 2 == 0) {
          DrawRota16(canvas.Rota(rng), draw);
        } else {
          TriangleSetup setup;
          DrawTriangle16(canvas.Triangle(rng, &setup), draw);
        }
        ASSERT_TRUE(canvas.GuardsIntact(before)) << mode << " " << p;
      }
    }
  }
}

// The vector loops write what the reference loops write, pixel for pixel, for every choice at
// 5:6:5 and 5:5:5 on seeded random walks of both kinds.
TEST(TurnedWalks16, VectorLoopsEqualTheReference) {
  if (!Sse2Available()) GTEST_SKIP() << "no SSE2 on this machine";
  const RasterPath start = CurrentRasterPath();
  std::mt19937 rng(1616);
  for (const morrow::ColorFormat& format : {testsupport::Format16(0xF800, 0x07E0, 0x001F),
                                            testsupport::Format16(0x7C00, 0x03E0, 0x001F)}) {
    for (int32_t mode = 0; mode <= 4; ++mode) {
      for (uint32_t p : {0u, 1u, 128u, 254u, 255u}) {
        for (int bits = 0; bits < 8; ++bits) {
          const bool alpha = (bits & 1) != 0, keyed = (bits & 4) != 0;
          const uint32_t bright = (bits & 2) != 0 ? Bright(200, 255, 31) : kNoBright;
          for (int run = 0; run < 6; ++run) {
            Turned16Canvas canvas(format, rng);
            const TurnedDraw draw = canvas.Draw(mode, p, bright, alpha, keyed ? 1 : 0);
            TriangleSetup setup;
            const RotaWalk rota = canvas.Rota(rng);
            const TriangleSpanWalk triangle = canvas.Triangle(rng, &setup);
            const std::vector<uint16_t> before = canvas.pixels();
            std::vector<uint16_t> drawn[2];
            for (RasterPath path : {RasterPath::kReference, RasterPath::kSse2}) {
              ASSERT_TRUE(SetRasterPath(path));
              canvas.pixels() = before;
              DrawRota16(rota, draw);
              DrawTriangle16(triangle, draw);
              drawn[path == RasterPath::kSse2] = canvas.pixels();
            }
            ASSERT_TRUE(drawn[1] == drawn[0]) << TurnedLoop16Name(
                ChooseTurnedLoop16(TurnedShape::kRota, mode, p, alpha, bright != kNoBright,
                                   keyed ? 1 : 0, draw.format));
          }
        }
      }
    }
  }
  SetRasterPath(start);
}

}  // namespace
