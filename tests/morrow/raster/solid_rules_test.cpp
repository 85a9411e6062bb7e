// The solid colour's rules against the worked values of their formulas, for every layout the
// filled box has, and the choice of its loop for every screen class, mode and parameter.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <set>
#include <string>

#include "morrow/raster/solid_loops.h"
#include "morrow/raster/solid_rules.h"
#include "tests/morrow/raster/worked_value.h"

namespace {

using namespace morrow::raster;
using testsupport::Grey;
using testsupport::PixelCase;

class SolidRules : public ::testing::TestWithParam<PixelCase> {};

TEST_P(SolidRules, GivesTheWorkedValue) {
  EXPECT_EQ(GetParam().compute(), GetParam().want);
}

FGeneric16 Layout444() {
  FGeneric16 f;
  f.mask[0] = 0xF00;
  f.mask[1] = 0x0F0;
  f.mask[2] = 0x00F;
  f.shift[0] = 8;
  f.shift[1] = 4;
  f.shift[2] = 0;
  f.width[0] = f.width[1] = f.width[2] = 4;
  return f;
}

INSTANTIATE_TEST_SUITE_P(
    WorkedValues, SolidRules,
    ::testing::Values(
        // (255 * 50) >> 8 = 49 taken from 100 through the guard bits: (53, 53, 51).
        PixelCase{"Subtract32",
                  [] {
                    return SolidSubGuard<F32>({Grey(50), 255}, {})(Grey(100));
                  },
                  0x00353533u},
        // T[254][255] = 253 plus T[1][255] = 0.
        PixelCase{"AlphaAt254OfWhiteOverWhite",
                  [] {
                    return SolidTable<F32>({0xFFFFFFFFu, 254}, {})(0xFFFFFFFFu);
                  },
                  0x00FDFDFDu},
        PixelCase{"AddWhiteOntoWhite",
                  [] {
                    return SolidAddGuard<F32>({0xFFFFFFFFu, 255}, {})(0xFFFFFFFFu);
                  },
                  0x01FFFFFFu},
        PixelCase{"MultiplyIgnoresTheParameter",
                  [] {
                    return SolidDivide<F32>({0xFF8040FFu, 0}, {})(0xFFC86432u);
                  },
                  0x00641932u},
        // 5:6:5: black minus nothing keeps the guard of red; white keeps all but green's guard.
        PixelCase{"Subtract565FromBlack",
                  [] {
                    return SolidSubGuard<F565>({0x0000u, 255}, {})(0x0000u) & 0xFFFFu;
                  },
                  0x0800u},
        PixelCase{"Subtract565FromWhite",
                  [] {
                    return SolidSubGuard<F565>({0x0000u, 255}, {})(0xFFFFu) & 0xFFFFu;
                  },
                  0xFFDFu},
        PixelCase{"Subtract555FromBlack",
                  [] {
                    return SolidSubGuard<F555>({0x0000u, 255}, {})(0x0000u) & 0xFFFFu;
                  },
                  0x0420u},
        // 0x8410 scaled at 255 is 0x7BEF; added to 0x7BEF nothing overflows and the lowest
        // bits of red and green come from the operands.
        PixelCase{"Add565",
                  [] {
                    return SolidAddGuard<F565>({0x8410u, 255}, {})(0x7BEFu) & 0xFFFFu;
                  },
                  0xEFBEu},
        // 5:5:5 white onto white: every channel overflows, red's carry sets bit 15.
        PixelCase{"Add555WhiteOntoWhite",
                  [] {
                    return SolidAddGuard<F555>({0x7FFFu, 255}, {})(0x7FFFu) & 0xFFFFu;
                  },
                  0xFFFFu},
        // Per channel: (16 * 128) >> 8 = 8 plus (127 * 31) >> 8 = 15 in red; green
        // 0 + (127 * 63) >> 8 = 31; blue 0 + 15.
        PixelCase{"Table565",
                  [] {
                    return SolidTable<F565>({0x8000u, 128}, {})(0xFFFFu) & 0xFFFFu;
                  },
                  0xBBEFu},
        // 31 * 16 / 31, 63 * 32 / 63, 31 * 16 / 31.
        PixelCase{"Divide565",
                  [] {
                    return SolidDivide<F565>({0x8410u, 0}, {})(0xFFFFu) & 0xFFFFu;
                  },
                  0x8410u},
        PixelCase{"Divide555",
                  [] {
                    return SolidDivide<F555>({0x4210u, 0}, {})(0x7FFFu) & 0xFFFFu;
                  },
                  0x4210u},
        // 4:4:4: (0 * 127 + 15 * 128) >> 8 = 7 in red, (15 * 127) >> 8 = 7 in green.
        PixelCase{"ChannelBlend444",
                  [] {
                    return ChannelBlend({0xF00u, 128}, Layout444())(0x0F0u);
                  },
                  0x770u},
        // Red: (15 * 256 + 15 * 255) >> 8 = 29, kept to 15; green 2 + (4 * 255 >> 8) = 5.
        PixelCase{"ChannelAddSaturatesAtTheChannel",
                  [] {
                    return ChannelAdd({0xF40u, 255}, Layout444())(0xF20u);
                  },
                  0xF50u},
        // Red goes below 0 and becomes 0; green: (9 * 256 - 4 * 255) >> 8 = 5.
        PixelCase{"ChannelSubClampsAtZero",
                  [] {
                    return ChannelSub({0xF40u, 255}, Layout444())(0x190u);
                  },
                  0x050u},
        PixelCase{"DivideGeneric",
                  [] {
                    return SolidDivide<FGeneric16>({0x888u, 0}, Layout444())(0xF3Fu);
                  },
                  0x818u},
        // A channel without bits divides by nothing: it stays 0.
        PixelCase{"DivideGenericEmptyChannel",
                  [] {
                    FGeneric16 f = Layout444();
                    f.mask[1] = 0;
                    f.width[1] = 0;
                    return SolidDivide<FGeneric16>({0xFFFu, 0}, f)(0xFFFu);
                  },
                  0xF0Fu}));

struct SolidCase {
  FormatClass format;
  int32_t mode;
  uint32_t p;
  SolidLoop want;
};

void PrintTo(const SolidCase& c, std::ostream* os) {
  *os << "class " << static_cast<int>(c.format) << " mode " << c.mode << " p " << c.p << " -> "
      << SolidLoopName(c.want);
}

class SolidDispatch : public ::testing::TestWithParam<SolidCase> {};

TEST_P(SolidDispatch, PicksTheVariantOfThePart) {
  const SolidCase& c = GetParam();
  EXPECT_STREQ(SolidLoopName(ChooseSolidLoop(c.format, c.mode, c.p)), SolidLoopName(c.want));
}

using K = FormatClass;
using X = SolidLoop;

INSTANTIATE_TEST_SUITE_P(EightBitsAndModeZero, SolidDispatch,
                         ::testing::Values(SolidCase{K::k8, 0, 0, X::kColourFill},
                                           SolidCase{K::k8, 1, 128, X::kColourFill},
                                           SolidCase{K::k8, 3, 0, X::kColourFill},
                                           SolidCase{K::k8, 9, 9, X::kColourFill},
                                           SolidCase{K::k32, 0, 128, X::kColourFill},
                                           SolidCase{K::kGeneric16, 0, 0, X::kColourFill},
                                           SolidCase{K::kOther, 0, 255, X::kColourFill}));

INSTANTIATE_TEST_SUITE_P(
    ThirtyTwoBits, SolidDispatch,
    ::testing::Values(SolidCase{K::k32, 1, 0, X::kNothing},
                      SolidCase{K::k32, 1, 255, X::kColourFill},
                      SolidCase{K::k32, 1, 254, X::kTable32}, SolidCase{K::k32, 2, 0, X::kNothing},
                      SolidCase{K::k32, 2, 255, X::kAddGuard32},
                      SolidCase{K::k32, 3, 1, X::kSubGuard32}, SolidCase{K::k32, 3, 0, X::kNothing},
                      SolidCase{K::k32, 4, 0, X::kDivide32}, SolidCase{K::k32, 5, 128, X::kNothing},
                      SolidCase{K::k32, 8, 128, X::kNothing},
                      SolidCase{K::k32, -3, 128, X::kNothing}));

INSTANTIATE_TEST_SUITE_P(
    SixteenBits, SolidDispatch,
    ::testing::Values(
        SolidCase{K::k565, 1, 128, X::kTable565}, SolidCase{K::k565, 1, 255, X::kColourFill},
        SolidCase{K::k565, 1, 0, X::kNothing}, SolidCase{K::k565, 2, 1, X::kAddGuard565},
        SolidCase{K::k565, 3, 255, X::kSubGuard565}, SolidCase{K::k565, 4, 0, X::kDivide565},
        SolidCase{K::k565, 6, 9, X::kNothing}, SolidCase{K::k555, 1, 128, X::kTable555},
        SolidCase{K::k555, 2, 0, X::kNothing}, SolidCase{K::k555, 2, 128, X::kAddGuard555},
        SolidCase{K::k555, 3, 128, X::kSubGuard555}, SolidCase{K::k555, 4, 77, X::kDivide555},
        SolidCase{K::kGeneric16, 1, 128, X::kChannelBlend},
        SolidCase{K::kGeneric16, 1, 255, X::kColourFill},
        SolidCase{K::kGeneric16, 1, 0, X::kNothing}, SolidCase{K::kGeneric16, 2, 5, X::kChannelAdd},
        SolidCase{K::kGeneric16, 3, 5, X::kChannelSub},
        SolidCase{K::kGeneric16, 4, 0, X::kDivideGeneric},
        SolidCase{K::kGeneric16, 5, 5, X::kNothing}));

INSTANTIATE_TEST_SUITE_P(OtherDepths, SolidDispatch,
                         ::testing::Values(SolidCase{K::kOther, 1, 255, X::kNothing},
                                           SolidCase{K::kOther, 2, 128, X::kNothing},
                                           SolidCase{K::kOther, 4, 0, X::kNothing}));

TEST(SolidDispatchTable, EveryLoopHasItsOwnName) {
  std::set<std::string> names;
  for (int i = 0; i < static_cast<int>(SolidLoop::kCount); ++i) {
    const std::string name = SolidLoopName(static_cast<SolidLoop>(i));
    EXPECT_NE(name, "?") << i;
    EXPECT_TRUE(names.insert(name).second) << name;
  }
}

}  // namespace
