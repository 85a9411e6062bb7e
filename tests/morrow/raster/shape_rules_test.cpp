// The rules of lines, circles and untextured triangles against the worked values of their
// formulas (the fixed layouts, the guard-bit form of a generic layout, the triangle's colour
// with and without bright), and the choice of their loops for every class, mode from -1 to 9
// and parameter at its edges.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "morrow/raster/solid_shapes.h"
#include "tests/morrow/raster/worked_value.h"

namespace {

using namespace morrow::raster;
using testsupport::PixelCase;

class ShapeRules : public ::testing::TestWithParam<PixelCase> {};

TEST_P(ShapeRules, GiveTheWorkedValue) {
  EXPECT_EQ(GetParam().compute(), GetParam().want);
}

FGeneric16 Layout(uint32_t red, uint32_t green, uint32_t blue) {
  FGeneric16 f;
  const uint32_t masks[3] = {red, green, blue};
  for (int c = 0; c < 3; ++c) {
    f.mask[c] = masks[c];
    f.shift[c] = __builtin_ctz(masks[c]);
    f.width[c] = __builtin_popcount(masks[c]);
  }
  return f;
}

const FGeneric16 k444 = Layout(0x0F00, 0x00F0, 0x000F);
// Blue in the high bits, red in the low ones.
const FGeneric16 kBgr565 = Layout(0x001F, 0x07E0, 0xF800);
// A red of 8 bits: wider than a 64-entry row copy reaches.
const FGeneric16 k844 = Layout(0xFF00, 0x00F0, 0x000F);

uint32_t Low16(uint32_t v) {
  return v & 0xFFFF;
}

using Add444 = GenericAddGuard<GuardShift::kRedWidth>;
using Sub444 = GenericSubGuard<GuardShift::kRedWidth>;

INSTANTIATE_TEST_SUITE_P(
    FixedLayouts, ShapeRules,
    ::testing::Values(
        PixelCase{"AlphaWhiteOverWhite565",
                  [] {
                    return Low16(SolidTable<F565>({0xFFFF, 128}, {})(0xFFFF));
                  },
                  0xF7DE},
        PixelCase{"AlphaBlackOverWhite565",
                  [] {
                    return Low16(SolidTable<F565>({0x0000, 128}, {})(0xFFFF));
                  },
                  0x7BEF},
        PixelCase{"AlphaP100WhiteOverBlack565",
                  [] {
                    return Low16(SolidTable<F565>({0xFFFF, 100}, {})(0x0000));
                  },
                  0x630C},
        PixelCase{"AlphaP1BlackOverWhiteLosesAStep565",
                  [] {
                    return Low16(SolidTable<F565>({0x0000, 1}, {})(0xFFFF));
                  },
                  0xF7DE},
        // S = 0xF7DE.
        PixelCase{"AddWhiteAt255OntoBlack565",
                  [] {
                    return Low16(SolidAddGuard<F565>({0xFFFF, 255}, {})(0x0000));
                  },
                  0xF7DE},
        PixelCase{"AddWhiteAt255OntoWhite565",
                  [] {
                    return Low16(SolidAddGuard<F565>({0xFFFF, 255}, {})(0xFFFF));
                  },
                  0xFFFF},
        PixelCase{"SubtractWhiteAt255FromWhite565",
                  [] {
                    return Low16(SolidSubGuard<F565>({0xFFFF, 255}, {})(0xFFFF));
                  },
                  0x0801},
        PixelCase{"SubtractBlackFromBlack565",
                  [] {
                    return Low16(SolidSubGuard<F565>({0x0000, 255}, {})(0x0000));
                  },
                  0x0800},
        PixelCase{"SubtractBlackFromBlack555",
                  [] {
                    return Low16(SolidSubGuard<F555>({0x0000, 255}, {})(0x0000));
                  },
                  0x0420},
        PixelCase{"AddWhiteAt255OntoWhite555SetsBit15",
                  [] {
                    return Low16(SolidAddGuard<F555>({0x7FFF, 255}, {})(0x7FFF));
                  },
                  0xFFFF},
        PixelCase{"Multiply565",
                  [] {
                    return Low16(SolidDivide<F565>({0x8410, 0}, {})(0x8410));
                  },
                  0x4208},
        // The guard-bit words with S as given.
        PixelCase{"AddOrsTheLowBitOfGreen", [] { return Low16(GuardAdd<F565>(0x0020, 0x0020)); },
                  0x0020},
        PixelCase{"AddBlue", [] { return Low16(GuardAdd<F565>(0x0001, 0x0001)); }, 0x0002},
        PixelCase{"BlueCarriesIntoGreen", [] { return Low16(GuardAdd<F565>(0x001F, 0x0001)); },
                  0x003F},
        PixelCase{"AddSaturates", [] { return Low16(GuardAdd<F565>(0x8410, 0x8410)); }, 0xFFFF},
        PixelCase{"SubtractBlue", [] { return Low16(GuardSub<F565>(0x0001, 0x0001)); }, 0x0800},
        PixelCase{"SubtractGreen", [] { return Low16(GuardSub<F565>(0x07E0, 0x0020)); }, 0x0FC0},
        PixelCase{"Subtract555", [] { return Low16(GuardSub<F555>(0x0021, 0x0021)); }, 0x0420},
        // The untextured triangle's words.
        PixelCase{"Add32", [] { return GuardAdd<F32>(0x00101010, 0x00202020); }, 0x00303030},
        PixelCase{"Add32CarriesRedIntoBit24", [] { return GuardAdd<F32>(0x00F0F0F0, 0x00202020); },
                  0x01FFFFFF},
        PixelCase{"Subtract32KeepsTheLowBitsOfGreenAndRed",
                  [] { return GuardSub<F32>(0x00808080, 0x00101010); }, 0x00717170},
        PixelCase{"Subtract32Borrows", [] { return GuardSub<F32>(0x00040404, 0x00050505); },
                  0x00010000},
        PixelCase{"Subtract565FromWhite", [] { return Low16(GuardSub<F565>(0xFFFF, 0x0821)); },
                  0xFFDE},
        PixelCase{"Add565OntoWhite", [] { return Low16(GuardAdd<F565>(0xFFFF, 0x0821)); }, 0xFFFF}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    GenericLayouts, ShapeRules,
    ::testing::Values(
        PixelCase{"GuardWords444",
                  [] {
                    const GuardConstants16 k = GenericGuardConstants<GuardShift::kRedWidth>(k444);
                    return k.guard << 16 | k.keep;
                  },
                  0x11100EEF},
        PixelCase{"LowBitsAndShift444",
                  [] {
                    const GuardConstants16 k = GenericGuardConstants<GuardShift::kRedWidth>(k444);
                    return k.low << 16 | static_cast<uint32_t>(k.maskShift);
                  },
                  0x01110004},
        PixelCase{"TheTriangleSaturatesByFive",
                  [] {
                    return static_cast<uint32_t>(
                        GenericGuardConstants<GuardShift::kFive>(k444).maskShift);
                  },
                  5},
        // P = 0x0888 at 255: S = 0x0777.
        PixelCase{"Add444",
                  [] {
                    return Low16(Add444({0x0888, 255}, k444)(0x0888));
                  },
                  0x0FFF},
        PixelCase{"Subtract444",
                  [] {
                    return Low16(Sub444({0x0888, 255}, k444)(0x0888));
                  },
                  0x0331},
        PixelCase{"Subtract444Small",
                  [] {
                    return Low16(Sub444({0x0222, 255}, k444)(0x0111));
                  },
                  0x0110},
        // Lo holds blue's lowest bit too: 1 + 1 with that bit ORed in.
        PixelCase{"AddBlue444",
                  [] {
                    const GuardConstants16 k = GenericGuardConstants<GuardShift::kRedWidth>(k444);
                    return Low16(GuardAdd16(k, 0x0001, 0x0001));
                  },
                  0x0003},
        // (15 * 127) >> 8 = 7 per channel plus (8 * 128) >> 8 = 4 where the colour has 8.
        PixelCase{"Alpha444",
                  [] {
                    return Low16(GenericTable({0x0808, 128}, k444)(0x0FFF));
                  },
                  0x0B7B},
        // Blue sits at 11 and is taken out and put back there: 31 * 127 >> 8 = 15 of blue,
        // nothing of green, red 0 + (31 * 128) >> 8 = 15.
        PixelCase{"AlphaBlueHigh",
                  [] {
                    return Low16(GenericTable({0x001F, 128}, kBgr565)(0xF800));
                  },
                  0x780F},
        PixelCase{"AddBlueHigh",
                  [] {
                    return Low16(Add444({0xF800, 255}, kBgr565)(0x0800));
                  },
                  0xF800},
        // 31 - 7 through the guard bits: blue's lowest bit is green's guard.
        PixelCase{"SubtractBlueHigh",
                  [] {
                    return Low16(Sub444({0x4000, 255}, kBgr565)(0xF800));
                  },
                  0xC800},
        PixelCase{"MultiplyBlueHigh",
                  [] {
                    return Low16(SolidDivide<FGeneric16>({0x801F, 0}, kBgr565)(0xF80F));
                  },
                  0x800F},
        // Red of 200 scaled by 127: 99, from the whole row where a 64-entry copy ends at 63.
        PixelCase{"AlphaOfAnEightBitChannel",
                  [] {
                    return Low16(GenericTable({0x0000, 128}, k844)(0xC800));
                  },
                  0x6300}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    UntexturedColours, ShapeRules,
    ::testing::Values(
        PixelCase{"NoBrightKeepsTheTopByte",
                  [] { return UntexturedColour(FormatClass::k32, 0xAB102030, 0xFFFFFFFF); },
                  0xAB102030},
        // Even white: 255 * c >> 8, the top byte 0.
        PixelCase{"WhiteBrightClearsTheTopByte",
                  [] { return UntexturedColour(FormatClass::k32, 0xABFF8000, 0x00FFFFFF); },
                  0x00FE7F00},
        PixelCase{"Bright565AtNativeWidth",
                  [] { return UntexturedColour(FormatClass::k565, 0xFFFF, 0xFF808080); }, 0x7BEF},
        PixelCase{"Bright555AtNativeWidth",
                  [] { return UntexturedColour(FormatClass::k555, 0xFFFF, 0xFF808080); }, 0x3DEF},
        PixelCase{"GenericIgnoresTheBright",
                  [] { return UntexturedColour(FormatClass::kGeneric16, 0xFFFF, 0xFF000000); },
                  0xFFFF},
        PixelCase{"EightBitsIgnoreTheBright",
                  [] { return UntexturedColour(FormatClass::k8, 0x07, 0xFF000000); }, 0x07}),
    [](const auto& info) { return std::string(info.param.name); });

// An alpha blend never reaches a channel's maximum: over every p from 1 to 254 white over white
// gives 29 or 30 in the 5-bit channels and 61 or 62 in the 6-bit green.
TEST(ShapeRulesAlpha, NeverReachesTheMaximum) {
  for (uint32_t p = 1; p <= 254; ++p) {
    const uint32_t out = SolidTable<F565>({0xFFFF, p}, {})(0xFFFF);
    for (int c : {0, 2}) EXPECT_TRUE(F565::Channel(out, c) == 29 || F565::Channel(out, c) == 30);
    EXPECT_TRUE(F565::Channel(out, 1) == 61 || F565::Channel(out, 1) == 62) << p;
  }
}

struct ChoiceCase {
  FormatClass format;
  int32_t mode;
  uint32_t p;
  ShapeLoop shape;       // lines and circles
  ShapeLoop untextured;  // the triangle
};

void PrintTo(const ChoiceCase& c, std::ostream* os) {
  *os << "class " << static_cast<int>(c.format) << " mode " << c.mode << " p " << c.p;
}

class ShapeChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ShapeChoice, PicksTheLoopOfThePart) {
  const ChoiceCase& c = GetParam();
  EXPECT_STREQ(ShapeLoopName(ChooseShapeLoop(c.format, c.mode, c.p)), ShapeLoopName(c.shape));
  EXPECT_STREQ(ShapeLoopName(ChooseUntexturedLoop(c.format, c.mode, c.p)),
               ShapeLoopName(c.untextured));
}

using K = FormatClass;
using S = ShapeLoop;

INSTANTIATE_TEST_SUITE_P(
    EveryMode, ShapeChoice,
    ::testing::Values(ChoiceCase{K::k8, -1, 0, S::kFill8, S::kFill8},
                      ChoiceCase{K::k8, 1, 0, S::kFill8, S::kFill8},
                      ChoiceCase{K::k8, 4, 9, S::kFill8, S::kFill8},
                      ChoiceCase{K::k8, 9, 9, S::kFill8, S::kFill8},
                      ChoiceCase{K::k32, -1, 128, S::kNothing, S::kNothing},
                      ChoiceCase{K::k32, 0, 0, S::kFill32, S::kFill32},
                      ChoiceCase{K::k32, 1, 0, S::kNothing, S::kNothing},
                      ChoiceCase{K::k32, 1, 255, S::kFill32, S::kFill32},
                      ChoiceCase{K::k32, 1, 254, S::kTable32, S::kTable32},
                      ChoiceCase{K::k32, 2, 255, S::kAddGuard32, S::kAddGuard32},
                      ChoiceCase{K::k32, 2, 0, S::kNothing, S::kNothing},
                      ChoiceCase{K::k32, 3, 1, S::kSubGuard32, S::kSubGuard32},
                      ChoiceCase{K::k32, 4, 0, S::kDivide32, S::kNothing},
                      ChoiceCase{K::k32, 5, 128, S::kNothing, S::kNothing},
                      ChoiceCase{K::k32, 9, 128, S::kNothing, S::kNothing},
                      ChoiceCase{K::k565, 0, 7, S::kFill16, S::kFill16},
                      ChoiceCase{K::k565, 1, 128, S::kTable565, S::kTable565},
                      ChoiceCase{K::k565, 4, 77, S::kDivide565, S::kNothing},
                      ChoiceCase{K::k555, 1, 255, S::kFill16, S::kFill16},
                      ChoiceCase{K::k555, 3, 128, S::kSubGuard555, S::kSubGuard555},
                      ChoiceCase{K::k555, 7, 128, S::kNothing, S::kNothing},
                      ChoiceCase{K::kGeneric16, 1, 128, S::kGenericTable, S::kGenericTable},
                      ChoiceCase{K::kGeneric16, 2, 1, S::kGenericAdd, S::kGenericAdd},
                      ChoiceCase{K::kGeneric16, 3, 255, S::kGenericSub, S::kGenericSub},
                      ChoiceCase{K::kGeneric16, 3, 0, S::kNothing, S::kNothing},
                      ChoiceCase{K::kGeneric16, 4, 0, S::kDivideGeneric, S::kNothing},
                      ChoiceCase{K::kGeneric16, 6, 0, S::kNothing, S::kNothing},
                      ChoiceCase{K::kOther, 0, 0, S::kNothing, S::kNothing},
                      ChoiceCase{K::kOther, 1, 128, S::kNothing, S::kNothing}));

}  // namespace
