// G_DDraw_DrawModiGraph, G_DDraw_DrawFloatModiGraph and G_DDraw_RenderTexturedTriangle on a
// started library: a quadrilateral of the graph's own size writes exactly its pixels, the
// shared diagonal blended twice when the target is read directly, the corners' order, float
// corners truncated, the box and its margins, absurd corners refused, the worked pixels of every
// mode (beside the rotated draw's) at 32 and 16 bits, and 8-bit index 0.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "morrow/device/screen_state.h"
#include "morrow/softdraw/raster.h"
#include "tests/morrow/softdraw/turned_fixture.h"

namespace {

using morrow::ResourceHandle;
using testsupport::TurnedFixture;

constexpr uint32_t kBackground = 0x102030;

class TurnedModi : public TurnedFixture {
 protected:
  // The graph onto the rectangle at (x, y) of its own size, corners in the draw's order.
  static int Square(int x, int y, int w, int h, ResourceHandle g, int keyFlag = 0) {
    return morrow::G_DDraw_DrawModiGraph(x, y, x + w, y, x, y + h, x + w, y + h, Record(g),
                                         keyFlag);
  }
};

// Drawn as two triangles, the rectangle's pixels x to x + w - 1 of rows y to y + h - 1 each show
// their texel, and nothing else changes: row y + h is never visited, and column x + w maps to
// texel column w, which the graph does not have.
TEST_F(TurnedModi, AQuadrilateralOfTheGraphsSizeWritesExactlyItsPixels) {
  StartAt(32);
  for (const auto& [w, h] :
       {std::pair{1, 1}, std::pair{3, 2}, std::pair{8, 8}, std::pair{5, 9}, std::pair{40, 3}}) {
    SCOPED_TRACE(::testing::Message() << w << "x" << h);
    PaintBack(Screen(kBackground));
    const ResourceHandle g = IndexedGraph(w, h);
    EXPECT_EQ(Square(20, 30, w, h, g), 0);
    EXPECT_EQ(Mismatches(10, 20, 70, 50, Screen(kBackground),
                         [&](int x, int y) -> int64_t {
                           const int u = x - 20, v = y - 30;
                           if (u < 0 || u >= w || v < 0 || v >= h) return -1;
                           return Screen(IndexedTexel(u, v));
                         }),
              0);
  }
}

// The 4 x 4 square: both triangles draw the pixels on their shared edge, (3, 1), (2, 2) and
// (1, 3). With the target read directly those are added twice; read from a staged copy, the
// second write equals the first.
TEST_F(TurnedModi, TheSharedDiagonalIsBlendedTwiceWhenTheTargetIsReadDirectly) {
  for (bool video : {true, false}) {
    SCOPED_TRACE(video ? "video" : "system");
    StartAt(32, nullptr, video);
    const ResourceHandle g = SolidGraph(4, 4, 0x101010);
    PaintBack(0);
    morrow::SetBlendMode(2, 255);
    EXPECT_EQ(Square(0, 0, 4, 4, g), 0);
    // (0x10 * 255) >> 8 = 0x0F added once; added again through the guard bits, red's and
    // green's lowest bits are the OR of both operands': 0x1C | 1, blue exactly 0x1E.
    const uint32_t once = 0x000F0F0Fu, twice = 0x001D1D1Eu;
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) {
        const bool diagonal = x + y == 4;
        EXPECT_EQ(At(x, y), diagonal && !video ? twice : once) << x << "," << y;
      }
    }
    ResetStateAfterRun();
  }
}

// The third and fourth corners first mirror the picture top to bottom: the graph's bottom rows
// land at the top.
TEST_F(TurnedModi, ThirdAndFourthCornersFirstMirrorTopToBottom) {
  StartAt(32);
  PaintBack(Screen(kBackground));
  const ResourceHandle g = IndexedGraph(8, 8);
  EXPECT_EQ(morrow::G_DDraw_DrawModiGraph(20, 28, 28, 28, 20, 20, 28, 20, Record(g), 0), 0);
  // Row 21 samples texel row 8 - 1 = 7, row 27 texel row 1.
  EXPECT_EQ(At(22, 21), Screen(IndexedTexel(2, 7)));
  EXPECT_EQ(At(22, 27), Screen(IndexedTexel(2, 1)));
}

TEST_F(TurnedModi, FloatCornersTruncateTowardZero) {
  StartAt(32);
  const ResourceHandle g = IndexedGraph(16, 16);
  PaintBack(Screen(kBackground));
  EXPECT_EQ(morrow::G_DDraw_DrawModiGraph(0, 0, 10, 2, 1, 10, 12, 13, Record(g), 0), 0);
  const uint32_t whole = Checksum(Back());
  PaintBack(Screen(kBackground));
  EXPECT_EQ(morrow::G_DDraw_DrawFloatModiGraph(-0.9f, 0.9f, 10.9f, 2.5f, 1.99f, 10.0f, 12.1f, 13.7f,
                                               Record(g), 0),
            0);
  EXPECT_EQ(Checksum(Back()), whole);
}

// Corners beyond +-8191, floats that are no number or beyond the int range, and graphs too
// large for 14.18 are refused with -1 before anything is locked; a box wholly outside the area
// draws nothing and succeeds.
TEST_F(TurnedModi, AbsurdCornersAreRefused) {
  StartAt(32);
  const ResourceHandle g = IndexedGraph(8, 8);
  const ResourceHandle wide = IndexedGraph(9000, 1);
  morrow::SetBlendMode(1, 128);
  struct Case {
    int corners[8];
    ResourceHandle graph;
    int want;
  };
  const Case cases[] = {{{0, 0, 8192, 0, 0, 8, 8, 8}, g, -1},
                        {{0, -8192, 8, 0, 0, 8, 8, 8}, g, -1},
                        {{INT_MIN, 0, 8, 0, 0, 8, 8, 8}, g, -1},
                        {{0, 0, 8, 0, 0, 8, INT_MAX, INT_MAX}, g, -1},
                        {{0, 0, 8, 0, 0, 8, 8, 8}, wide, -1},
                        {{8000, 8000, 8191, 8000, 8000, 8191, 8191, 8191}, g, 0},
                        {{-8191, -8191, -8000, -8191, -8191, -8000, -8000, -8000}, g, 0}};
  for (const Case& c : cases) {
    const int* k = c.corners;
    PaintBack(Screen(kBackground));
    const uint32_t sum = Checksum(Back());
    const uint64_t locks = Locks();
    EXPECT_EQ(morrow::G_DDraw_DrawModiGraph(k[0], k[1], k[2], k[3], k[4], k[5], k[6], k[7],
                                            Record(c.graph), 0),
              c.want)
        << k[0] << "," << k[1] << " " << k[6] << "," << k[7];
    EXPECT_EQ(Locks(), locks);
    EXPECT_EQ(Checksum(Back()), sum);
  }
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (float bad : {nan, inf, -inf, 3e9f, -3e9f, 2147483648.0f}) {
    const uint64_t locks = Locks();
    for (int i = 0; i < 8; ++i) {
      float f[8] = {0, 0, 8, 0, 0, 8, 8, 8};
      f[i] = bad;
      EXPECT_EQ(morrow::G_DDraw_DrawFloatModiGraph(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7],
                                                   Record(g), 0),
                -1)
          << bad << " at " << i;
    }
    EXPECT_EQ(Locks(), locks);
  }
  // The lowest float that still truncates into the int range passes the conversion, and is
  // then refused as a corner.
  EXPECT_EQ(morrow::G_DDraw_DrawFloatModiGraph(-2147483648.0f, 0, 8, 0, 0, 8, 8, 8, Record(g), 0),
            -1);
}

// The box is the corners' bounding box widened by 2 to the left and above and by 4 to the right
// and below: touching the area by that margin only locks (and draws nothing), beyond it nothing
// is locked.
TEST_F(TurnedModi, TheBoxMarginDecidesWhetherAnythingIsLocked) {
  StartAt(32);
  const ResourceHandle g = IndexedGraph(8, 8);
  struct Case {
    int x, y;
    bool locks;
  };
  const Case cases[] = {{-11, 10, true}, {-12, 10, false}, {10, -11, true}, {10, -12, false},
                        {641, 10, true}, {642, 10, false}, {10, 481, true}, {10, 482, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.x << "," << c.y);
    PaintBack(Screen(kBackground));
    const uint32_t sum = Checksum(Back());
    const uint64_t before = Back()->LockCount();
    EXPECT_EQ(Square(c.x, c.y, 8, 8, g), 0);
    EXPECT_EQ(Back()->LockCount() > before, c.locks);
    EXPECT_EQ(Checksum(Back()), sum);
  }
}

// Crossed, repeated and collinear corners draw their two triangles, or nothing, without fault.
TEST_F(TurnedModi, CrossedRepeatedAndCollinearCorners) {
  StartAt(32);
  const ResourceHandle g = IndexedGraph(8, 8);
  PaintBack(Screen(kBackground));
  const uint32_t start = Checksum(Back());
  EXPECT_EQ(morrow::G_DDraw_DrawModiGraph(5, 5, 5, 5, 5, 5, 5, 5, Record(g), 0), 0);
  EXPECT_EQ(morrow::G_DDraw_DrawModiGraph(0, 0, 10, 10, 20, 20, 30, 30, Record(g), 0), 0);
  EXPECT_EQ(Checksum(Back()), start);
  // Crossed: the first and second corners swapped with the third and fourth's x.
  EXPECT_EQ(morrow::G_DDraw_DrawModiGraph(40, 40, 20, 40, 40, 60, 20, 60, Record(g), 0), 0);
  EXPECT_EQ(morrow::G_DDraw_DrawModiGraph(100, 100, 140, 140, 140, 100, 100, 140, Record(g), 0), 0);
  EXPECT_NE(Checksum(Back()), start);
  EXPECT_TRUE(Back()->CanaryIntact());
}

TEST_F(TurnedModi, EightBitsLeavesIndexZeroOut) {
  StartAt(8);
  const ResourceHandle g = SolidGraph(4, 4, 0xFF0000);
  Paint(SurfaceOf(g)->surface.get(), [](int x, int) { return x == 0 ? 0u : 7u + x; });
  morrow::SetBlendMode(3, 0);
  for (int keyFlag : {0, 1, 2}) {
    SCOPED_TRACE(keyFlag);
    PaintBack(0x55);
    EXPECT_EQ(Square(10, 10, 4, 4, g, keyFlag), 0);
    EXPECT_EQ(At(10, 11), keyFlag != 0 ? 0x55u : 0u);
    EXPECT_EQ(At(11, 11), 8u);
    EXPECT_EQ(At(13, 13), 10u);
    EXPECT_EQ(At(14, 13), 0x55u);
  }
}

// One pixel of every kind of rule through both turned draws at 32 bits, in video and in system
// memory: the rotated draw at scale 1 and angle 0 and the quadrilateral of the graph's size,
// probed off the shared diagonal.
struct ModeCase {
  const char* name;
  uint32_t background;  // 0x00RRGGBB
  uint32_t source;
  int alpha;  // -1: no alpha channel
  int mode;
  int p;
  int keyFlag;                     // the source colour is the key colour
  uint32_t bright;                 // 0x00RRGGBB of the modulation colour
  uint32_t rota;                   // the pixel written by the rotated draw
  uint32_t modi;                   // and by the quadrilateral draw
  const char* layout16 = nullptr;  // a 16-bit screen of this layout; none: 32 bits
};

void PrintTo(const ModeCase& c, std::ostream* os) {
  *os << c.name;
}

class TurnedModes : public TurnedFixture, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(TurnedModes, GiveTheWorkedPixel) {
  const ModeCase& c = GetParam();
  for (bool video : {true, false}) {
    SCOPED_TRACE(video ? "video" : "system");
    StartAt(c.layout16 != nullptr ? 16 : 32, c.layout16, video);
    if (c.keyFlag != 0) morrow::GetDrawState().keyColor = c.source;
    const ResourceHandle g = SolidGraph(8, 8, c.source, c.alpha);
    morrow::SetBlendMode(c.mode, c.p);
    morrow::SetModulationColor(static_cast<int>(c.bright >> 16),
                               static_cast<int>(c.bright >> 8 & 0xFF),
                               static_cast<int>(c.bright & 0xFF));
    PaintBack(Screen(c.background));
    EXPECT_EQ(morrow::DrawRotaGraph(104, 104, 1.0, 0.0, g, c.keyFlag, 0), 0);
    EXPECT_EQ(
        morrow::G_DDraw_DrawModiGraph(200, 100, 208, 100, 200, 108, 208, 108, Record(g), c.keyFlag),
        0);
    for (int d : {1, 6}) {
      EXPECT_EQ(At(100 + d, 100 + d), c.rota) << d;
      EXPECT_EQ(At(200 + d, 100 + d), c.modi) << d;
    }
    EXPECT_EQ(At(108, 104), Screen(c.background));
    EXPECT_EQ(At(208, 104), Screen(c.background));
    ResetStateAfterRun();
  }
}

constexpr uint32_t kWhite = 0xFFFFFF;

INSTANTIATE_TEST_SUITE_P(
    ThirtyTwoBits, TurnedModes,
    ::testing::Values(
        // Mode 0 writes the texel whole, its fill bits too.
        ModeCase{"CopyKeepsTheFourthByte", kBackground, 0xC86432, -1, 0, 0, 0, kWhite, 0xFFC86432u,
                 0xFFC86432u},
        // With bright the fourth byte is 0: (200 * 128) >> 8 = 100 in red.
        ModeCase{"TintClearsTheFourthByte", kBackground, 0xC86432, -1, 0, 0, 0, 0x80FFFF,
                 0x00646331u, 0x00646331u},
        // (255 * 128) >> 8 = 127 + (0 * 127) >> 8.
        ModeCase{"AlphaHalfWhiteOverBlack", 0, kWhite, -1, 1, 128, 0, kWhite, 0x007F7F7Fu,
                 0x007F7F7Fu},
        // 126 + 127 = 253.
        ModeCase{"AlphaHalfWhiteOverWhite", kWhite, kWhite, -1, 1, 128, 0, kWhite, 0x00FDFDFDu,
                 0x00FDFDFDu},
        ModeCase{"AlphaAtFullIsACopy", kBackground, 0xC86432, -1, 1, 255, 0, kWhite, 0xFFC86432u,
                 0xFFC86432u},
        ModeCase{"AlphaAtZeroDrawsNothing", kBackground, kWhite, -1, 1, 0, 0, kWhite, 0xFF102030u,
                 0xFF102030u},
        // Mode 0 with the alpha map at 128 over black: (128 * c) >> 8.
        ModeCase{"AlphaMapHalfOverBlack", 0, 0xC86432, 128, 0, 0, 0, kWhite, 0x00643219u,
                 0x00643219u},
        ModeCase{"AlphaMapOpaqueCopiesTheWord", 0, 0xC86432, 255, 0, 0, 0, kWhite, 0xFFC86432u,
                 0xFFC86432u},
        ModeCase{"AlphaMapZeroLeavesThePixel", kBackground, kWhite, 0, 1, 128, 0, kWhite,
                 0xFF102030u, 0xFF102030u},
        // Add at 255 with the alpha map at 128: the rotated draw scales 254 by 128 (127); the
        // triangle does not read the map (254).
        ModeCase{"AddUnderTheAlphaMap", 0, kWhite, 128, 2, 255, 0, kWhite, 0x007F7F7Fu,
                 0x00FEFEFEu},
        // Green saturates and carries into the lowest bit of red.
        ModeCase{"AddCarries", 0x00FF00, 0x000300, -1, 2, 255, 0, kWhite, 0x0001FF00u, 0x0001FF00u},
        ModeCase{"AddWhiteOntoWhiteSetsTheFourthByte", kWhite, kWhite, -1, 2, 255, 0, kWhite,
                 0x01FFFFFFu, 0x01FFFFFFu},
        ModeCase{"SubtractBlackLeavesTheGuardBits", 0x646464, 0, -1, 3, 255, 0, kWhite, 0x00656564u,
                 0x00656564u},
        // Subtract under the alpha map at 128: 127 off in the rotated draw, 254 in the triangle.
        ModeCase{"SubtractUnderTheAlphaMap", kWhite, kWhite, 128, 3, 255, 0, kWhite, 0x00818180u,
                 0x00010101u},
        // keyFlag 2 is no key at 32 bits: key-coloured pixels are drawn.
        ModeCase{"KeyFlagTwoDrawsKeyColouredPixels", kBackground, 0x00FF00, -1, 0, 0, 2, kWhite,
                 0xFF00FF00u, 0xFF00FF00u},
        ModeCase{"KeyFlagOneLeavesThem", kBackground, 0x00FF00, -1, 0, 0, 1, kWhite, 0xFF102030u,
                 0xFF102030u},
        // Multiply tests neither the key nor the alpha byte.
        ModeCase{"MultiplyIgnoresKeyAndAlpha", kBackground, 0x808080, 0, 4, 0, 1, kWhite,
                 0x00081018u, 0x00081018u},
        ModeCase{"ModeFiveDrawsNothing", kBackground, kWhite, -1, 5, 128, 0, kWhite, 0xFF102030u,
                 0xFF102030u}),
    [](const auto& info) { return std::string(info.param.name); });

constexpr uint32_t kKey = 0x00FF00;

// At 16 bits, worked on channels of 5 and 6 bits (4 at 4:4:4); the background 0x102030 is 0x1106
// at 5:6:5, 0x8886 at 5:5:5 and 0xF123 at 4:4:4 (fill bits set), white 0xFFFF.
INSTANTIATE_TEST_SUITE_P(
    SixteenBits, TurnedModes,
    ::testing::Values(
        ModeCase{"AlphaAtZeroLeavesTheTarget", kBackground, kWhite, -1, 1, 0, 0, kWhite, 0x1106,
                 0x1106, "565"},
        ModeCase{"AlphaAtFullIsTheCopy", kBackground, 0xC86432, -1, 1, 255, 0, kWhite, 0xCB26,
                 0xCB26, "565"},
        // (128 * 31 >> 8) + (127 * 31 >> 8) = 30; green 31 + 31 = 62.
        ModeCase{"TableBlendOf31Over31", kWhite, kWhite, -1, 1, 128, 0, kWhite, 0xF7DE, 0xF7DE,
                 "565"},
        // Under the alpha map: 255 takes the table blend, 254 the coverage by 127.
        ModeCase{"AlphaByte255", kWhite, kWhite, 255, 1, 128, 0, kWhite, 0xF7DE, 0xF7DE, "565"},
        ModeCase{"AlphaByte254", kWhite, kWhite, 254, 1, 128, 0, kWhite, 0xFFFF, 0xFFFF, "565"},
        // (254 * 31) >> 8 = 30 of the destination at p = 1.
        ModeCase{"ParameterOne", kWhite, 0, -1, 1, 1, 0, kWhite, 0xF7DE, 0xF7DE, "565"},
        ModeCase{"BrightOf128Halves", 0, kWhite, -1, 0, 0, 0, 0x808080, 0x7BEF, 0x7BEF, "565"},
        ModeCase{"BrightNearWhiteDarkens", 0, kWhite, -1, 0, 0, 0, 0xFFFFFE, 0xF7DE, 0xF7DE, "565"},
        ModeCase{"KeyFlagTwoDrawsTheKeyColour", kBackground, kKey, -1, 0, 0, 2, kWhite, 0x07E0,
                 0x07E0, "565"},
        ModeCase{"KeyFlagOneLeavesIt", kBackground, kKey, -1, 0, 0, 1, kWhite, 0x1106, 0x1106,
                 "565"},
        ModeCase{"KeyBeforeAlpha255", kBackground, kKey, 255, 0, 0, 1, kWhite, 0x8886, 0x8886,
                 "555"},
        // Add at p = 255 of white onto black: 30, 62, 30.
        ModeCase{"AddWhiteOntoBlack", 0, kWhite, -1, 2, 255, 0, kWhite, 0xF7DE, 0xF7DE, "565"},
        // Bright (255, 255, 254) at alpha 255 and p = 128: P[T[31]] = P[30] = 15, green 31.
        ModeCase{"TintedAlphaScaledAtByte255", 0, kWhite, 255, 2, 128, 0, 0xFFFFFE, 0x7BEF, 0x7BEF,
                 "565"},
        // p first, then the byte: (P[31] * 128) >> 8 = 15.
        ModeCase{"AlphaScaledAtByte128", 0, kWhite, 128, 2, 255, 0, kWhite, 0x7BEF, 0x7BEF, "565"},
        // (30 * 254) >> 8 = 29, green (62 * 254) >> 8 = 61.
        ModeCase{"AlphaByte254Gives29", 0, kWhite, 254, 2, 255, 0, kWhite, 0xEFBD, 0xEFBD, "565"},
        ModeCase{"GenericAlphaZeroLeavesTheTarget", kBackground, kWhite, 0, 2, 255, 0, kWhite,
                 0xF123, 0xF123, "444"},
        // 5:5:5 computes with bit 15 clear and copies it.
        ModeCase{"TableBlend555", kWhite, kWhite, -1, 1, 128, 0, kWhite, 0x7BDE, 0x7BDE, "555"},
        ModeCase{"Copy555KeepsBit15", 0, kWhite, -1, 0, 0, 0, kWhite, 0xFFFF, 0xFFFF, "555"},
        ModeCase{"WhiteOverBlackAt128", 0, kWhite, -1, 1, 128, 0, kWhite, 0x7BEF, 0x7BEF, "565"},
        ModeCase{"BlackOverWhiteAt128", kWhite, 0, -1, 1, 128, 0, kWhite, 0x7BEF, 0x7BEF, "565"},
        // Red 16 over 31 at p = 254: byte 254 blends by 252 (16), byte 255 takes P[16] = 15.
        ModeCase{"AlphaScaledBlendBy252", 0xF80000, 0x800000, 254, 1, 254, 0, kWhite, 0x8000,
                 0x8000, "565"},
        ModeCase{"AlphaScaledBlendAt255", 0xF80000, 0x800000, 255, 1, 254, 0, kWhite, 0x7800,
                 0x7800, "565"},
        ModeCase{"WhiteOverWhiteAt254", kWhite, kWhite, -1, 1, 254, 0, kWhite, 0xF7DE, 0xF7DE,
                 "565"},
        // A generic layout copies without bright; without the alpha map the rotated draw blends
        // without it (P[15] = 7), the triangle with it (P[T[15]] = P[7] = 3).
        ModeCase{"GenericCopiesUnmodulated", 0, kWhite, -1, 0, 0, 0, 0x808080, 0xFFFF, 0xFFFF,
                 "444"},
        ModeCase{"GenericBlendWithBright", 0, kWhite, -1, 1, 128, 0, 0x808080, 0x0777, 0x0333,
                 "444"},
        // Subtract at p = 255: t = 0x0821 from white; nothing from 0x4228; add t = 1 onto blue
        // 31, green's lowest bits ORed, green 62 onto 62.
        ModeCase{"SubtractFromWhite", kWhite, 0x100810, -1, 3, 255, 0, kWhite, 0xFFDE, 0xFFDE,
                 "565"},
        ModeCase{"SubtractNothing", 0x404440, 0, -1, 3, 255, 0, kWhite, 0x4A08, 0x4A08, "565"},
        ModeCase{"AddCarriesOutOfBlue", 0x0000F8, 0x000010, -1, 2, 255, 0, kWhite, 0x003F, 0x003F,
                 "565"},
        ModeCase{"AddOrsGreensLowestBit", 0x000400, 0x000800, -1, 2, 255, 0, kWhite, 0x0020, 0x0020,
                 "565"},
        ModeCase{"AddGreen62Onto62", 0x00F800, 0x00FC00, -1, 2, 255, 0, kWhite, 0x0FC0, 0x0FC0,
                 "565"},
        ModeCase{"SubtractNothing555", 0xF80000, 0, -1, 3, 255, 0, kWhite, 0x7C20, 0x7C20, "555"},
        // Multiply: 0x8410 onto white, 0x0841 onto 0x8410; the key and alpha 0 are not read.
        ModeCase{"MultiplyOntoWhite", kWhite, 0x808080, -1, 4, 0, 0, kWhite, 0x8410, 0x8410, "565"},
        ModeCase{"MultiplySmall", 0x808080, 0x080808, -1, 4, 128, 0, kWhite, 0x0020, 0x0020, "565"},
        ModeCase{"MultiplyIgnoresKeyAndAlpha", kWhite, kKey, 0, 4, 0, 1, kWhite, 0x07E0, 0x07E0,
                 "565"},
        ModeCase{"ModeFiveDrawsNothing", kBackground, kWhite, -1, 5, 128, 0, kWhite, 0x1106, 0x1106,
                 "565"}),
    [](const auto& info) { return std::string(info.param.name); });

// The triangle entry on its own: -1 without a display, for a graph whose first piece is not
// live and for a triangle of no area; a null graph (the plain triangle) succeeds.
TEST_F(TurnedModi, TheTriangleEntry) {
  const int32_t v[12] = {0, 0, 0, 0, 8, 0, 8, 0, 0, 8, 0, 8};
  uint32_t pixels[64] = {};
  auto* p = reinterpret_cast<uint8_t*>(pixels);
  morrow::GraphRecord none{};
  EXPECT_EQ(morrow::G_DDraw_RenderTexturedTriangle(v, &none, 0, p, 32, p, 32, p, 32, 0), -1);
  StartAt(32);
  const ResourceHandle g = IndexedGraph(8, 8);
  const int32_t line[12] = {0, 0, 0, 0, 4, 4, 8, 0, 8, 8, 0, 8};
  EXPECT_EQ(morrow::G_DDraw_RenderTexturedTriangle(line, Record(g), 0, p, 32, p, 32, p, 32, 0), -1);
  morrow::GraphRecord copy = *Record(g);
  copy.pieces[0] = -1;
  EXPECT_EQ(morrow::G_DDraw_RenderTexturedTriangle(v, &copy, 0, p, 32, p, 32, p, 32, 0), -1);
  EXPECT_EQ(morrow::G_DDraw_RenderTexturedTriangle(v, nullptr, 0, p, 32, p, 32, p, 32, 0), 0);
  // Drawn into an 8 x 8 buffer from a buffer of texels: the identity on the upper triangle.
  uint32_t texels[64];
  for (int i = 0; i < 64; ++i) texels[i] = 0x01000000u + static_cast<uint32_t>(i);
  morrow::SetClipRect(0, 0, 8, 8);
  EXPECT_EQ(morrow::G_DDraw_RenderTexturedTriangle(
                v, Record(g), 0, p, 32, reinterpret_cast<const uint8_t*>(texels), 32, p, 32, 0),
            0);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      // Row y reaches x = 8.5 - y, truncated; column 8 would be texel 8.
      const bool inside = x <= 8 - y;
      EXPECT_EQ(pixels[y * 8 + x], inside ? texels[y * 8 + x] : 0u) << x << "," << y;
    }
  }
}

}  // namespace
