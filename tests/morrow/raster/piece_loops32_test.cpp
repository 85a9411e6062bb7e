// The 32-bit piece decision against the variant tables: which loop each combination of mode,
// parameter, alpha channel, bright, MMX flag and key flag gets; and the screen's format class.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <set>
#include <string>

#include "morrow/device/color_format.h"
#include "morrow/raster/piece_loops.h"

namespace {

using morrow::raster::FormatClass;
using morrow::raster::PieceLoop32;

struct PieceCase {
  int32_t mode;
  uint32_t p;
  bool alpha;
  bool bright;
  bool mmx;
  int key;
  PieceLoop32 want;
};

void PrintTo(const PieceCase& c, std::ostream* os) {
  *os << "mode " << c.mode << " p " << c.p << (c.alpha ? " alpha" : "")
      << (c.bright ? " bright" : "") << (c.mmx ? " mmx" : "") << " key " << c.key << " -> "
      << morrow::raster::PieceLoop32Name(c.want);
}

class PieceDispatch : public ::testing::TestWithParam<PieceCase> {};

TEST_P(PieceDispatch, PicksTheVariantOfThePart) {
  const PieceCase& c = GetParam();
  EXPECT_STREQ(morrow::raster::PieceLoop32Name(
                   morrow::raster::ChoosePieceLoop32(c.mode, c.p, c.alpha, c.bright, c.mmx, c.key)),
               morrow::raster::PieceLoop32Name(c.want));
}

using L = PieceLoop32;
constexpr bool A = true, B = true, M = true, kNo = false;

INSTANTIATE_TEST_SUITE_P(Mode0, PieceDispatch,
                         ::testing::Values(PieceCase{0, 0, kNo, kNo, M, 1, L::kPlainCopy},
                                           PieceCase{0, 128, kNo, B, kNo, 0, L::kTint},
                                           PieceCase{0, 0, kNo, B, M, 1, L::kTintKey},
                                           PieceCase{0, 0, A, B, kNo, 0, L::kCoverage},
                                           PieceCase{0, 255, A, B, M, 7, L::kCoverageKey},
                                           PieceCase{0, 0, A, kNo, kNo, 0, L::kShiftedDiff},
                                           PieceCase{0, 0, A, kNo, M, -1, L::kShiftedDiffKey}));

INSTANTIATE_TEST_SUITE_P(
    Mode1, PieceDispatch,
    ::testing::Values(
        // p = 0 comes first: nothing, whatever else holds.
        PieceCase{1, 0, A, B, M, 1, L::kNothing}, PieceCase{1, 0, kNo, kNo, M, 0, L::kNothing},
        // Then the alpha channel: at 255 the mode 0 rules of the alpha map.
        PieceCase{1, 255, A, kNo, M, 0, L::kShiftedDiff},
        PieceCase{1, 255, A, B, kNo, 1, L::kCoverageKey},
        PieceCase{1, 128, A, kNo, M, 0, L::kAlphaTableBlend},
        PieceCase{1, 1, A, kNo, kNo, 1, L::kAlphaTableBlendKey},
        PieceCase{1, 254, A, B, M, 0, L::kAlphaCoverage},
        PieceCase{1, 254, A, B, kNo, 1, L::kAlphaCoverageKey},
        // Then 255 and bright: the block copy for a plain piece, the tint otherwise.
        PieceCase{1, 255, kNo, kNo, M, 1, L::kPlainCopy}, PieceCase{1, 255, kNo, B, M, 0, L::kTint},
        PieceCase{1, 255, kNo, B, kNo, 1, L::kTintKey},
        PieceCase{1, 128, kNo, B, M, 0, L::kTintTableBlend},
        PieceCase{1, 128, kNo, B, kNo, 1, L::kTintTableBlendKey},
        // The MMX flag only without alpha channel and bright.
        PieceCase{1, 128, kNo, kNo, M, 0, L::kMmxBlend},
        PieceCase{1, 1, kNo, kNo, M, 1, L::kMmxBlendKey},
        PieceCase{1, 128, kNo, kNo, kNo, 0, L::kTableBlend},
        PieceCase{1, 254, kNo, kNo, kNo, 1, L::kTableBlendKey}));

INSTANTIATE_TEST_SUITE_P(Mode2, PieceDispatch,
                         ::testing::Values(PieceCase{2, 0, A, B, M, 1, L::kNothing},
                                           PieceCase{2, 0, kNo, kNo, M, 0, L::kNothing},
                                           PieceCase{2, 255, A, kNo, M, 0, L::kAlphaAdd},
                                           PieceCase{2, 1, A, kNo, kNo, 1, L::kAlphaAddKey},
                                           PieceCase{2, 128, A, B, M, 0, L::kAlphaTintAdd},
                                           PieceCase{2, 128, A, B, kNo, 1, L::kAlphaTintAddKey},
                                           PieceCase{2, 255, kNo, B, M, 0, L::kTintAdd},
                                           PieceCase{2, 128, kNo, B, kNo, 1, L::kTintAddKey},
                                           // 255 is not the full colour: it still adds.
                                           PieceCase{2, 255, kNo, kNo, M, 0, L::kMmxAdd},
                                           PieceCase{2, 128, kNo, kNo, M, 1, L::kMmxAddKey},
                                           PieceCase{2, 255, kNo, kNo, kNo, 0, L::kAdd},
                                           PieceCase{2, 128, kNo, kNo, kNo, 1, L::kAddKey}));

INSTANTIATE_TEST_SUITE_P(Mode3, PieceDispatch,
                         ::testing::Values(PieceCase{3, 0, A, kNo, M, 0, L::kNothing},
                                           PieceCase{3, 0, kNo, B, kNo, 1, L::kNothing},
                                           PieceCase{3, 128, A, kNo, M, 0, L::kAlphaSub},
                                           PieceCase{3, 255, A, kNo, kNo, 1, L::kAlphaSubKey},
                                           PieceCase{3, 128, A, B, M, 0, L::kAlphaTintSub},
                                           PieceCase{3, 1, A, B, M, 1, L::kAlphaTintSubKey},
                                           PieceCase{3, 128, kNo, B, M, 0, L::kTintSub},
                                           PieceCase{3, 128, kNo, B, kNo, 1, L::kTintSubKey},
                                           // No wide-register subtract exists.
                                           PieceCase{3, 255, kNo, kNo, M, 0, L::kSub},
                                           PieceCase{3, 128, kNo, kNo, M, 1, L::kSubKey}));

INSTANTIATE_TEST_SUITE_P(Mode4AndOthers, PieceDispatch,
                         ::testing::Values(
                             // Multiply consults neither p, the key nor the alpha channel.
                             PieceCase{4, 0, A, kNo, M, 1, L::kMultiply},
                             PieceCase{4, 255, kNo, kNo, kNo, 0, L::kMultiply},
                             PieceCase{4, 0, A, B, M, 1, L::kTintMultiply},
                             PieceCase{5, 128, kNo, kNo, M, 0, L::kNothing},
                             PieceCase{7, 128, A, B, M, 1, L::kNothing},
                             PieceCase{8, 128, kNo, kNo, M, 0, L::kNothing},
                             PieceCase{-1, 128, kNo, kNo, M, 0, L::kNothing},
                             PieceCase{1 << 30, 128, kNo, B, M, 0, L::kNothing}));

TEST(PieceDispatchTable, EveryLoopHasItsOwnName) {
  std::set<std::string> names;
  for (int i = 0; i < static_cast<int>(PieceLoop32::kCount); ++i) {
    const std::string name = morrow::raster::PieceLoop32Name(static_cast<PieceLoop32>(i));
    EXPECT_NE(name, "?") << i;
    EXPECT_TRUE(names.insert(name).second) << name;
  }
  EXPECT_STREQ(morrow::raster::PieceLoop32Name(PieceLoop32::kCount), "?");
}

using K = FormatClass;

struct ClassCase {
  const char* name;
  int depth;
  uint32_t red, green, blue;
  FormatClass want;
};

void PrintTo(const ClassCase& c, std::ostream* os) {
  *os << c.name;
}

class ScreenClass : public ::testing::TestWithParam<ClassCase> {};

TEST_P(ScreenClass, FollowsTheMasks) {
  const ClassCase& c = GetParam();
  morrow::ColorFormat f{};
  morrow::InitColorFormatFromMasks(&f, c.depth, c.red, c.green, c.blue, 0);
  EXPECT_EQ(morrow::raster::ClassifyScreenFormat(c.depth, f), c.want);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ScreenClass,
    ::testing::Values(ClassCase{"Palette", 8, 0, 0, 0, K::k8},
                      ClassCase{"X8R8G8B8", 32, 0xFF0000, 0xFF00, 0xFF, K::k32},
                      // At 32 bits the channels are the bytes, whatever the masks say.
                      ClassCase{"ThirtyTwoBitsAnyMasks", 32, 0xFF, 0xFF00, 0xFF0000, K::k32},
                      ClassCase{"FiveSixFive", 16, 0xF800, 0x07E0, 0x001F, K::k565},
                      ClassCase{"FiveFiveFive", 16, 0x7C00, 0x03E0, 0x001F, K::k555},
                      ClassCase{"FourFourFour", 16, 0x0F00, 0x00F0, 0x000F, K::kGeneric16},
                      // Red alone does not make the class: green and blue must match it.
                      ClassCase{"RedOf565GreenOf555", 16, 0xF800, 0x03E0, 0x001F, K::kGeneric16},
                      ClassCase{"BlueFirst565", 16, 0x001F, 0x07E0, 0xF800, K::kGeneric16},
                      ClassCase{"TwentyFourBits", 24, 0xFF0000, 0xFF00, 0xFF, K::kOther}));

}  // namespace
