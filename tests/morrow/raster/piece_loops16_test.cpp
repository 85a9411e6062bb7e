// The 16-bit decision against the variant tables: which loop each combination of mode,
// parameter, alpha channel, bright, MMX flag, key flag and layout gets, and that every loop the
// decision can pick exists in the table.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

#include "morrow/raster/piece_loops16.h"

namespace morrow::raster {

// Found by argument-dependent lookup, for gtest's messages.
std::ostream& operator<<(std::ostream& os, const PieceLoop16& l) {
  return os << Rule16Name(l.rule) << "/" << Layout16Name(l.layout) << (l.keyed ? "/key" : "");
}

}  // namespace morrow::raster

namespace {

using morrow::raster::FormatClass;
using morrow::raster::Layout16;
using morrow::raster::PieceLoop16;
using morrow::raster::Rule16;

struct Case16 {
  int32_t mode;
  uint32_t p;
  bool alpha;
  bool bright;
  bool mmx;
  int key;
  FormatClass format;
  PieceLoop16 want;
};

void PrintTo(const Case16& c, std::ostream* os) {
  const char* format = c.format == FormatClass::k565   ? "565"
                       : c.format == FormatClass::k555 ? "555"
                                                       : "generic";
  *os << "mode " << c.mode << " p " << c.p << (c.alpha ? " alpha" : "")
      << (c.bright ? " bright" : "") << (c.mmx ? " mmx" : "") << " key " << c.key << " " << format
      << " -> " << c.want;
}

class PieceDispatch16 : public ::testing::TestWithParam<Case16> {};

TEST_P(PieceDispatch16, PicksTheVariantOfThePart) {
  const Case16& c = GetParam();
  const PieceLoop16 got =
      morrow::raster::ChoosePieceLoop16(c.mode, c.p, c.alpha, c.bright, c.mmx, c.key, c.format);
  EXPECT_EQ(got, c.want) << got;
  const bool drawn = got.rule != Rule16::kNothing && got.rule != Rule16::kPlainCopy;
  EXPECT_EQ(morrow::raster::PieceLoop16HasReference(got), drawn) << got;
}

constexpr bool A = true, B = true, M = true, kNo = false;
constexpr FormatClass k565 = FormatClass::k565, k555 = FormatClass::k555,
                      kGen = FormatClass::kGeneric16;
constexpr Layout16 L565 = Layout16::k565, L555 = Layout16::k555, LGen = Layout16::kGeneric;

constexpr PieceLoop16 Loop(Rule16 r, Layout16 l, bool keyed = false) {
  return PieceLoop16{r, l, keyed};
}
constexpr PieceLoop16 kNothing = Loop(Rule16::kNothing, L565);
constexpr PieceLoop16 kCopy = Loop(Rule16::kPlainCopy, L565);
constexpr PieceLoop16 NothingAt(Layout16 l) {
  return Loop(Rule16::kNothing, l);
}
constexpr PieceLoop16 CopyAt(Layout16 l) {
  return Loop(Rule16::kPlainCopy, l);
}

INSTANTIATE_TEST_SUITE_P(
    Mode0, PieceDispatch16,
    ::testing::Values(
        Case16{0, 0, A, B, M, 0, k565, Loop(Rule16::kTintCoverage, L565)},
        Case16{0, 0, A, B, kNo, 1, k555, Loop(Rule16::kTintCoverage, L555, true)},
        Case16{0, 0, A, kNo, M, 0, k565, Loop(Rule16::kInPlace, L565)},
        Case16{0, 0, A, kNo, kNo, 2, k555, Loop(Rule16::kInPlace, L555, true)},
        Case16{0, 0, kNo, B, M, 0, k565, Loop(Rule16::kTint, L565)},
        Case16{0, 0, kNo, B, kNo, -1, k555, Loop(Rule16::kTint, L555, true)},
        // The generic layout ignores the alpha map and hands everything to the block copy.
        Case16{0, 0, A, B, M, 1, kGen, CopyAt(LGen)},
        Case16{0, 0, kNo, B, kNo, 0, kGen, CopyAt(LGen)},
        Case16{0, 0, A, kNo, kNo, 0, kGen, CopyAt(LGen)}));

INSTANTIATE_TEST_SUITE_P(
    Mode1, PieceDispatch16,
    ::testing::Values(
        // p = 0 first, whatever else holds.
        Case16{1, 0, A, B, M, 1, k565, NothingAt(L565)},
        Case16{1, 0, kNo, kNo, M, 0, kGen, NothingAt(LGen)},
        // The alpha map: at 255 mode 0's rules, else by bright.
        Case16{1, 255, A, B, M, 1, k565, Loop(Rule16::kTintCoverage, L565, true)},
        Case16{1, 255, A, kNo, kNo, 0, k555, Loop(Rule16::kInPlace, L555)},
        Case16{1, 254, A, B, M, 0, k565, Loop(Rule16::kWeighted, L565)},
        Case16{1, 1, A, B, kNo, 1, k555, Loop(Rule16::kWeighted, L555, true)},
        Case16{1, 128, A, kNo, M, 0, k565, Loop(Rule16::kAlphaTableBlend, L565)},
        Case16{1, 128, A, kNo, kNo, 3, k555, Loop(Rule16::kAlphaTableBlend, L555, true)},
        // Bright without the alpha map: at 255 the tint, else the tinted table blend.
        Case16{1, 255, kNo, B, M, 0, k565, Loop(Rule16::kTint, L565)},
        Case16{1, 255, kNo, B, kNo, 1, k555, Loop(Rule16::kTint, L555, true)},
        Case16{1, 128, kNo, B, M, 0, k565, Loop(Rule16::kTintTableBlend, L565)},
        Case16{1, 128, kNo, B, kNo, 1, k555, Loop(Rule16::kTintTableBlend, L555, true)},
        // Neither: 255 is the block copy; the MMX blend has its own 5:5:5 loop, 5:6:5 takes
        // the format's masks.
        Case16{1, 255, kNo, kNo, M, 1, k565, CopyAt(L565)},
        Case16{1, 128, kNo, kNo, M, 0, k555, Loop(Rule16::kMmxBlend, L555)},
        Case16{1, 128, kNo, kNo, M, 1, k565, Loop(Rule16::kMmxBlend, LGen, true)},
        Case16{1, 128, kNo, kNo, M, 0, kGen, Loop(Rule16::kMmxBlend, LGen)},
        Case16{1, 128, kNo, kNo, kNo, 0, k565, Loop(Rule16::kTableBlend, L565)},
        Case16{1, 1, kNo, kNo, kNo, 1, k555, Loop(Rule16::kTableBlend, L555, true)},
        Case16{1, 128, kNo, kNo, kNo, 1, kGen, Loop(Rule16::kTableBlend, LGen, true)},
        // A generic layout ignores bright and the alpha map.
        Case16{1, 128, A, B, kNo, 0, kGen, Loop(Rule16::kTableBlend, LGen)},
        Case16{1, 128, A, B, M, 1, kGen, Loop(Rule16::kMmxBlend, LGen, true)},
        Case16{1, 255, A, B, M, 0, kGen, CopyAt(LGen)}));

INSTANTIATE_TEST_SUITE_P(
    Mode2, PieceDispatch16,
    ::testing::Values(Case16{2, 0, A, B, M, 1, k565, NothingAt(L565)},
                      Case16{2, 0, kNo, kNo, M, 0, kGen, NothingAt(LGen)},
                      // The alpha map comes before the MMX flag.
                      Case16{2, 255, A, B, M, 0, k565, Loop(Rule16::kAddTintWeighted, L565)},
                      Case16{2, 128, A, kNo, M, 1, k555, Loop(Rule16::kAddAlpha, L555, true)},
                      // Bright comes before the MMX flag.
                      Case16{2, 128, kNo, B, M, 0, k565, Loop(Rule16::kAddTint, L565)},
                      Case16{2, 128, kNo, B, kNo, 1, k555, Loop(Rule16::kAddTint, L555, true)},
                      Case16{2, 255, kNo, kNo, M, 0, k565, Loop(Rule16::kMmxAdd, L565)},
                      Case16{2, 255, kNo, kNo, M, 1, k555, Loop(Rule16::kMmxAdd, L555, true)},
                      Case16{2, 128, A, B, M, 0, kGen, Loop(Rule16::kMmxAdd, LGen)},
                      Case16{2, 255, kNo, kNo, kNo, 0, k565, Loop(Rule16::kAdd, L565)},
                      Case16{2, 1, kNo, kNo, kNo, 1, k555, Loop(Rule16::kAdd, L555, true)},
                      Case16{2, 128, A, B, kNo, 1, kGen, Loop(Rule16::kAdd, LGen, true)}));

INSTANTIATE_TEST_SUITE_P(
    Mode3, PieceDispatch16,
    ::testing::Values(Case16{3, 0, A, kNo, kNo, 0, k555, NothingAt(L555)},
                      Case16{3, 0, kNo, B, M, 1, k565, NothingAt(L565)},
                      Case16{3, 128, A, B, M, 0, k565, Loop(Rule16::kSubTintWeighted, L565)},
                      Case16{3, 255, A, kNo, kNo, 1, k555, Loop(Rule16::kSubAlpha, L555, true)},
                      Case16{3, 128, kNo, B, M, 1, k565, Loop(Rule16::kSubTint, L565, true)},
                      // No MMX form of the subtract.
                      Case16{3, 255, kNo, kNo, M, 0, k555, Loop(Rule16::kSub, L555)},
                      Case16{3, 128, kNo, kNo, kNo, 1, k565, Loop(Rule16::kSub, L565, true)},
                      Case16{3, 128, A, B, M, 1, kGen, Loop(Rule16::kSub, LGen, true)}));

INSTANTIATE_TEST_SUITE_P(Mode4, PieceDispatch16,
                         ::testing::Values(
                             // No test of p, no key, no alpha map.
                             Case16{4, 0, A, B, M, 1, k565, Loop(Rule16::kMultiplyTint, L565)},
                             Case16{4, 255, kNo, B, kNo, 1, k555,
                                    Loop(Rule16::kMultiplyTint, L555)},
                             Case16{4, 128, A, kNo, M, 1, k565, Loop(Rule16::kMultiply, L565)},
                             Case16{4, 0, kNo, kNo, kNo, 0, k555, Loop(Rule16::kMultiply, L555)},
                             Case16{4, 128, A, B, M, 1, kGen, Loop(Rule16::kMultiply, LGen)}));

INSTANTIATE_TEST_SUITE_P(Xor, PieceDispatch16,
                         ::testing::Values(
                             // Bright, parameter and alpha map are ignored.
                             Case16{8, 0, A, B, M, 0, k565, Loop(Rule16::kXor, L565)},
                             Case16{8, 128, kNo, kNo, kNo, 1, k555, Loop(Rule16::kXor, L555, true)},
                             Case16{8, 255, A, kNo, M, 2, kGen, Loop(Rule16::kXor, LGen, true)}));

// Modes without a rule, the mode compared unsigned.
INSTANTIATE_TEST_SUITE_P(OtherModes, PieceDispatch16,
                         ::testing::Values(Case16{-1, 128, kNo, kNo, M, 0, k565, kNothing},
                                           Case16{5, 128, kNo, B, M, 1, k565, kNothing},
                                           Case16{6, 255, A, kNo, kNo, 0, k565, kNothing},
                                           Case16{7, 128, kNo, kNo, kNo, 0, k565, kNothing},
                                           Case16{9, 128, kNo, kNo, M, 1, k565, kNothing},
                                           Case16{INT32_MIN, 128, kNo, kNo, M, 1, k565, kNothing},
                                           Case16{-1, 128, kNo, kNo, kNo, 0, k555, NothingAt(L555)},
                                           Case16{256 + 1, 128, kNo, kNo, kNo, 0, kGen,
                                                  NothingAt(LGen)}));

// The vector loops cover the members the issue gives SSE2 forms, and none under the alpha map.
TEST(PieceDispatch16Table, VectorFormsWhereTheyExist) {
#if defined(__SSE2__)
  for (Layout16 l : {L565, L555, LGen}) {
    for (bool keyed : {false, true}) {
      EXPECT_TRUE(morrow::raster::PieceLoop16HasVector(Loop(Rule16::kTableBlend, l, keyed)));
      EXPECT_TRUE(morrow::raster::PieceLoop16HasVector(Loop(Rule16::kAdd, l, keyed)));
      EXPECT_TRUE(morrow::raster::PieceLoop16HasVector(Loop(Rule16::kSub, l, keyed)));
      EXPECT_TRUE(morrow::raster::PieceLoop16HasVector(Loop(Rule16::kMmxAdd, l, keyed)));
      EXPECT_FALSE(morrow::raster::PieceLoop16HasVector(Loop(Rule16::kAddAlpha, l, keyed)));
    }
  }
  EXPECT_TRUE(morrow::raster::PieceLoop16HasVector(Loop(Rule16::kMmxBlend, L555)));
  EXPECT_TRUE(morrow::raster::PieceLoop16HasVector(Loop(Rule16::kMmxBlend, LGen, true)));
#endif
  // The decision never picks a 5:6:5 MMX blend, and the table has none.
  EXPECT_FALSE(morrow::raster::PieceLoop16HasReference(Loop(Rule16::kMmxBlend, L565)));
  EXPECT_FALSE(morrow::raster::PieceLoop16HasReference(Loop(Rule16::kMultiply, L565, true)));
}

}  // namespace
