// The stretched draw's stepping, its choice of loop and its pixel rules: the 16.16 steps against
// floor(i * 65536 / ratio) for every size up to 300, clipped or not; the decision for every mode
// and variant; and the worked pixels of the rules at 32 bits and in the 16-bit layouts (a
// source pixel stretched over a row long enough for the vector loops, on both paths).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/raster/piece_rules32.h"
#include "morrow/raster/raster_path.h"
#include "morrow/raster/stretch_loops.h"
#include "morrow/raster/walkers.h"
#include "tests/morrow/raster/worked_value.h"

namespace morrow::raster {

// Found by argument-dependent lookup, for gtest's messages.
std::ostream& operator<<(std::ostream& os, const StretchLoop& l) {
  return os << StretchRuleName(l.rule) << "/" << StretchLayoutName(l.layout)
            << (l.keyed ? "/key" : "");
}

}  // namespace morrow::raster

namespace {

using namespace morrow::raster;
using testsupport::Grey;

std::vector<int32_t> Steps(int64_t first, int32_t count, uint32_t ratio) {
  std::vector<int32_t> out(static_cast<size_t>(count));
  StretchSteps(first, count, ratio, out.data());
  return out;
}

uint32_t Ratio(int destination, int source) {
  return static_cast<uint32_t>((uint64_t(destination) << 16) / source);
}

TEST(StretchSteps, ShowTheColumnsOfTheWorkedExamples) {
  EXPECT_EQ(Steps(0, 4, Ratio(4, 3)), (std::vector<int32_t>{0, 0, 1, 2}));
  EXPECT_EQ(Steps(1, 3, Ratio(4, 3)), (std::vector<int32_t>{0, 1, 2}));  // first column clipped
  EXPECT_EQ(Steps(0, 2, Ratio(2, 5)), (std::vector<int32_t>{0, 2}));
  EXPECT_EQ(Ratio(2, 4), 32768u);
  EXPECT_EQ(Steps(0, 2, Ratio(2, 4)), (std::vector<int32_t>{0, 2}));
  EXPECT_EQ(Steps(0, 6, Ratio(6, 3)), (std::vector<int32_t>{0, 0, 1, 1, 2, 2}));
}

// Every source size and destination size up to 300: column i shows floor(i * 65536 / ratio),
// never a column outside the source, and a walk that starts further in (clipped) shows the same
// columns as the whole walk there.
TEST(StretchSteps, EqualTheFloorOfTheRatioForEverySizeUpTo300) {
  int bad = 0;
  for (int source = 1; source <= 300; ++source) {
    for (int dest = 1; dest <= 300; ++dest) {
      const uint32_t ratio = Ratio(dest, source);
      const std::vector<int32_t> whole = Steps(0, dest, ratio);
      for (int i = 0; i < dest; ++i) {
        const int64_t want = (int64_t{i} * 65536) / ratio;
        if ((whole[static_cast<size_t>(i)] != want || want >= source) && ++bad <= 5) {
          ADD_FAILURE() << source << " -> " << dest << " column " << i;
        }
      }
      for (int first : {1, dest / 3, dest - 1}) {
        if (first <= 0 || first >= dest) continue;
        const std::vector<int32_t> clipped = Steps(first, dest - first, ratio);
        if (!std::equal(clipped.begin(), clipped.end(), whole.begin() + first) && ++bad <= 5) {
          ADD_FAILURE() << source << " -> " << dest << " clipped at " << first;
        }
      }
    }
  }
  EXPECT_EQ(bad, 0);
}

// ---- the decision ----

struct ChoiceCase {
  FormatClass format;
  int32_t mode;
  uint32_t p;
  bool alpha;
  bool bright;
  int key;
  StretchRule rule;
  bool keyed;
};

void PrintTo(const ChoiceCase& c, std::ostream* os) {
  *os << "mode " << c.mode << " p " << c.p << (c.alpha ? " alpha" : "")
      << (c.bright ? " bright" : "") << " key " << c.key << " -> " << StretchRuleName(c.rule)
      << (c.keyed ? "/key" : "");
}

class StretchChoice : public ::testing::TestWithParam<ChoiceCase> {};

// The loop of the variant, on the layout of the format; every loop that draws has its reference
// form, and the vector form exists for the 32-bit modes 0 to 3 and the 16-bit loops without alpha
// map of modes 0 to 2.
TEST_P(StretchChoice, PicksTheVariant) {
  const ChoiceCase& c = GetParam();
  const StretchLoop got = ChooseStretchLoop(c.format, c.mode, c.p, c.alpha, c.bright, c.key);
  EXPECT_EQ(StretchRuleName(got.rule), std::string(StretchRuleName(c.rule))) << got;
  EXPECT_EQ(got.keyed, c.keyed) << got;
  const bool draws = c.rule != StretchRule::kNothing;
  EXPECT_EQ(StretchLoopHasReference(got), draws) << got;
  if (draws && Sse2Available()) {
    const bool sixteen = c.format != FormatClass::k32 && c.format != FormatClass::k8;
    if (c.format == FormatClass::k32 && c.mode >= 0 && c.mode <= 3) {
      EXPECT_TRUE(StretchLoopHasVector(got)) << got;
    }
    if (sixteen && !c.alpha && c.mode >= 0 && c.mode <= 2) {
      EXPECT_TRUE(StretchLoopHasVector(got)) << got;
    }
    if (c.mode == 4) {
      EXPECT_FALSE(StretchLoopHasVector(got)) << got;
    }
  }
}

constexpr bool A = true, B = true, kNo = false;
constexpr FormatClass k32 = FormatClass::k32, k565 = FormatClass::k565, k555 = FormatClass::k555,
                      kGen = FormatClass::kGeneric16, k8 = FormatClass::k8;
using R = StretchRule;

INSTANTIATE_TEST_SUITE_P(
    Variants, StretchChoice,
    ::testing::Values(
        // Mode 0: the alpha map, then bright; the plain copy keys on the flag's lowest bit.
        ChoiceCase{k32, 0, 0, A, B, 2, R::kCoverTint, true},
        ChoiceCase{k32, 0, 0, A, kNo, 0, R::kCover, false},
        ChoiceCase{k32, 0, 0, kNo, B, 2, R::kTint, true},
        ChoiceCase{k32, 0, 0, kNo, kNo, 2, R::kCopy, false},
        ChoiceCase{k32, 0, 0, kNo, kNo, -1, R::kCopy, true},
        ChoiceCase{k565, 0, 0, kNo, B, 1, R::kTint, true},
        ChoiceCase{kGen, 0, 0, kNo, B, 3, R::kCopy, true},  // a generic layout: no bright
        ChoiceCase{kGen, 0, 0, A, B, 2, R::kCoverTint, true},
        // Mode 1: nothing at 0, mode 0 at 255, else by the alpha map and bright.
        ChoiceCase{k32, 1, 0, A, B, 1, R::kNothing, false},
        ChoiceCase{k555, 1, 255, A, kNo, 1, R::kCover, true},
        ChoiceCase{k32, 1, 255, kNo, kNo, 2, R::kCopy, false},
        ChoiceCase{k555, 1, 255, kNo, B, 2, R::kTint, true},
        ChoiceCase{kGen, 1, 255, kNo, B, 0, R::kCopy, false},
        ChoiceCase{k32, 1, 254, A, B, 0, R::kAlphaBlendTint, false},
        ChoiceCase{kGen, 1, 1, A, kNo, 4, R::kAlphaBlend, true},
        ChoiceCase{k565, 1, 128, kNo, B, 1, R::kBlendTint, true},
        ChoiceCase{kGen, 1, 128, kNo, B, 1, R::kBlend, true},
        // Modes 2 and 3: nothing at 0; the alpha map brightens every layout.
        ChoiceCase{k32, 2, 0, A, B, 1, R::kNothing, false},
        ChoiceCase{k32, 2, 255, A, B, 1, R::kAlphaAddTint, true},
        ChoiceCase{kGen, 2, 7, A, B, 0, R::kAlphaAddTint, false},
        ChoiceCase{k565, 2, 255, kNo, kNo, 2, R::kAdd, true},
        ChoiceCase{kGen, 2, 255, kNo, B, 0, R::kAdd, false},
        ChoiceCase{k555, 3, 128, kNo, B, 0, R::kSubTint, false},
        ChoiceCase{k32, 3, 3, A, kNo, 1, R::kAlphaSub, true},
        ChoiceCase{kGen, 3, 0, kNo, kNo, 1, R::kNothing, false},
        // Mode 4: bright only, never keyed, whatever p.
        ChoiceCase{k32, 4, 0, A, B, 1, R::kMultiplyTint, false},
        ChoiceCase{k565, 4, 9, A, B, 1, R::kMultiplyTint, false},
        ChoiceCase{kGen, 4, 9, A, B, 1, R::kMultiply, false},
        // Any other mode draws nothing; 8 bits copy whatever the mode, keyed on bit 0.
        ChoiceCase{k32, -1, 128, kNo, kNo, 1, R::kNothing, false},
        ChoiceCase{k565, 5, 128, kNo, kNo, 1, R::kNothing, false},
        ChoiceCase{k32, 8, 128, kNo, kNo, 1, R::kNothing, false},
        ChoiceCase{k8, 2, 0, A, B, 3, R::kCopy, true},
        ChoiceCase{k8, 9, 0, kNo, kNo, 2, R::kCopy, false}));

// ---- worked pixels ----

// The blend product table of every draw: (a * b) >> 8.
const uint32_t (*Products())[256] {
  static uint32_t table[256][256];
  static const bool made = [] {
    for (int a = 0; a < 256; ++a) {
      for (int b = 0; b < 256; ++b) table[a][b] = static_cast<uint32_t>(a * b) >> 8;
    }
    return true;
  }();
  (void)made;
  return table;
}

constexpr uint32_t kNoBright = 0xFFFFFFFFu;
constexpr int kRow = 9;  // two groups of four, one of eight, and a last pixel

struct Layout {
  const char* name;
  int bits;
  uint32_t red, green, blue;
};
constexpr Layout k32Bits{"32", 32, 0xFF0000, 0xFF00, 0xFF};
constexpr Layout k565Bits{"565", 16, 0xF800, 0x07E0, 0x001F};
constexpr Layout k555Bits{"555", 16, 0x7C00, 0x03E0, 0x001F};
constexpr Layout k444Bits{"444", 16, 0x0F00, 0x00F0, 0x000F};
constexpr Layout kBgr565Bits{"BGR565", 16, 0x001F, 0x07E0, 0xF800};  // blue at the top
constexpr Layout k178Bits{"1:7:8", 16, 0x8000, 0x7F00, 0x00FF};      // channels of 7 and 8 bits

// One source pixel s (alpha byte a, or none when a < 0) drawn over a row of destination pixels
// d: the source column shown by every one of them.
struct Draw {
  const Layout* layout;
  int mode;
  uint32_t p;
  uint32_t s;
  uint32_t d;
  int a = -1;
  uint32_t bright = kNoBright;
  int keyFlag = 0;
  uint32_t key = 0;
};

// The surfaces of walk drawn with w's mode, parameter, bright, key and layout, on the path given,
// as the draw sets a stretched draw up.
void DrawWalk(const Draw& w, const StretchSurfaces& walk, RasterPath path) {
  morrow::ColorFormat format{};
  morrow::InitColorFormatFromMasks(&format, w.layout->bits, w.layout->red, w.layout->green,
                                   w.layout->blue, 0);
  StretchDraw draw;
  draw.walk = walk;
  draw.key = w.key;
  draw.keyFlag = w.keyFlag;
  draw.mode = w.mode;
  draw.blend.p = w.p;
  draw.blend.bright = w.bright;
  draw.blend.max[0] = (1u << format.redWidth) - 1;
  draw.blend.max[1] = (1u << format.greenWidth) - 1;
  draw.blend.max[2] = (1u << format.blueWidth) - 1;
  draw.alphaChannel = w.a >= 0;
  draw.format = ClassifyScreenFormat(w.layout->bits, format);
  draw.screenFormat = &format;
  draw.products = Products();
  SetRasterPath(path);
  DrawStretch(draw);
  SetRasterPath(RasterPath::kReference);
}

// The row as the path draws it; every pixel must be the same.
std::vector<uint32_t> RunRow(const Draw& w, RasterPath path) {
  const int bytes = w.layout->bits / 8;
  std::vector<uint8_t> src(4), dest(static_cast<size_t>(kRow) * bytes);
  std::memcpy(src.data(), &w.s, static_cast<size_t>(bytes));
  for (int i = 0; i < kRow; ++i) std::memcpy(dest.data() + i * bytes, &w.d, bytes);
  const uint8_t alpha = static_cast<uint8_t>(w.a < 0 ? 0 : w.a);
  const std::vector<int32_t> zeros(kRow, 0);
  DrawWalk(w,
           {.dest = dest.data(),
            .read = dest.data(),
            .destPitch = kRow * bytes,
            .readPitch = kRow * bytes,
            .src = src.data(),
            .srcPitch = 4,
            .alpha = w.a < 0 ? nullptr : &alpha,
            .alphaPitch = 1,
            .columns = zeros.data(),
            .rows = zeros.data(),
            .width = kRow,
            .height = 1},
           path);
  std::vector<uint32_t> out(kRow, 0);
  for (int i = 0; i < kRow; ++i)
    std::memcpy(&out[static_cast<size_t>(i)], dest.data() + i * bytes, bytes);
  return out;
}

struct StretchCase {
  const char* name;
  Draw draw;
  uint32_t want;
};

void PrintTo(const StretchCase& c, std::ostream* os) {
  *os << c.name;
}

class StretchPixels : public ::testing::TestWithParam<StretchCase> {};

TEST_P(StretchPixels, GiveTheWorkedValueOnBothPaths) {
  const StretchCase& c = GetParam();
  EXPECT_EQ(RunRow(c.draw, RasterPath::kReference), std::vector<uint32_t>(kRow, c.want));
  if (Sse2Available()) {
    EXPECT_EQ(RunRow(c.draw, RasterPath::kSse2), std::vector<uint32_t>(kRow, c.want));
  }
}

// The 32-bit values, worked by hand from the formulas of the rows the cases name.
INSTANTIATE_TEST_SUITE_P(
    ThirtyTwoBits, StretchPixels,
    ::testing::Values(
        // Mode 1 weighs d with 255 - p: (128 * 200 >> 8) + (127 * 100 >> 8) = 100 + 49.
        StretchCase{
            "BlendComplementIs255MinusP", {&k32Bits, 1, 128, Grey(200), Grey(100)}, Grey(149)},
        // Opaque alpha: P(s) + N(d) = 127 + 0; 254: V(s, a') with a' = 254 * 128 >> 8 = 127,
        // (255 * 127) >> 8 = 126.
        StretchCase{"AlphaBlendOpaque", {&k32Bits, 1, 128, Grey(255), 0, 255}, Grey(127)},
        StretchCase{"AlphaBlendPartial", {&k32Bits, 1, 128, Grey(255), 0, 254}, Grey(126)},
        // Mode 0 coverage against 256: (200 * 128 + 100 * 128) >> 8 = 150; 0 leaves d.
        StretchCase{"CoverHalf", {&k32Bits, 0, 0, Grey(200), Grey(100), 128}, Grey(150)},
        StretchCase{"CoverZero", {&k32Bits, 0, 0, Grey(200), 0xFF646464u, 0}, 0xFF646464u},
        // The plain copy writes the whole word.
        StretchCase{"CopyWholeWord", {&k32Bits, 0, 0, 0xAB123456u, 0}, 0xAB123456u},
        // Add and subtract scale by p, then by a: blue 201 at p 129 is 101, at a 77 then 30
        // (the plain draw's a' = 38 gives 29); the subtract keeps the guard bits of green and
        // red.
        StretchCase{"AddScalesByPThenA", {&k32Bits, 2, 129, 201, 0, 77}, 30},
        StretchCase{"SubScalesByPThenA", {&k32Bits, 3, 129, 201, 200, 77}, 0x000101AAu},
        StretchCase{"AddOpaqueTakesPAlone", {&k32Bits, 2, 129, 201, 0, 255}, 101},
        // A keyed pixel is untouched even when its alpha byte is 255; multiply multiplies it.
        StretchCase{"KeyedOpaqueUntouched",
                    {&k32Bits, 0, 0, 0x00FF00u, 0x123456u, 255, kNoBright, 1, 0x00FF00u},
                    0x123456u},
        StretchCase{"MultiplyIgnoresTheKey",
                    {&k32Bits, 4, 0, Grey(128), Grey(255), -1, kNoBright, 1, Grey(128)},
                    Grey(128)},
        // keyFlag 2: the plain copy draws key-coloured pixels, the bright store does not.
        StretchCase{"CopyKeysOnTheLowestBit",
                    {&k32Bits, 0, 0, 0x00FF00u, 0x123456u, -1, kNoBright, 2, 0x00FF00u},
                    0x00FF00u},
        StretchCase{"TintKeysOnAnyFlag",
                    {&k32Bits, 0, 0, 0x00FF00u, 0x123456u, -1, 0xFF808080u, 2, 0x00FF00u},
                    0x123456u},
        // Bright 128 on 200 is 100, assembled with a fourth byte of 0.
        StretchCase{"Tint", {&k32Bits, 0, 0, 0xFFC8C8C8u, 0, -1, 0xFF808080u}, Grey(100)}),
    [](const auto& info) { return std::string(info.param.name); });

// The 16-bit values of the layouts.
INSTANTIATE_TEST_SUITE_P(
    SixteenBits, StretchPixels,
    ::testing::Values(
        // Add at p = 255 scales white to 30, 62, 30; onto white it saturates.
        StretchCase{"AddWhiteOntoBlack565", {&k565Bits, 2, 255, 0xFFFF, 0}, 0xF7DE},
        StretchCase{"AddWhiteOntoWhite565", {&k565Bits, 2, 255, 0xFFFF, 0xFFFF}, 0xFFFF},
        // Subtract: black from white keeps the guard of green's lowest bit off; white at 255.
        StretchCase{"SubBlackFromWhite565", {&k565Bits, 3, 255, 0, 0xFFFF}, 0xFFDF},
        StretchCase{"SubWhiteFromWhite565", {&k565Bits, 3, 255, 0xFFFF, 0xFFFF}, 0x0801},
        StretchCase{"SubBlackFromWhite555", {&k555Bits, 3, 255, 0, 0x7FFF}, 0x7FFF},
        // At 5:5:5 the carry out of red stays in bit 15.
        StretchCase{"AddWhiteOntoWhite555", {&k555Bits, 2, 255, 0x7FFF, 0x7FFF}, 0xFFFF},
        // Table blend p = 128 of 31 over 31: 15 + 15.
        StretchCase{"BlendOfEqualChannels", {&k565Bits, 1, 128, 0x001F, 0x001F}, 0x001E},
        // Bright set near white darkens: 31 -> 30, 63 -> 62.
        StretchCase{
            "BrightNearWhiteDarkens", {&k565Bits, 0, 0, 0xFFFF, 0, -1, 0xFFFFFFFEu}, 0xF7DE},
        // Mode 0 coverage: a 128, d 0, s 31: 15; mode 1 at p 128 weighs 64: 7.
        StretchCase{"CoverHalf565", {&k565Bits, 0, 0, 0x001F, 0, 128}, 0x000F},
        StretchCase{"AlphaBlendWeighsAp", {&k565Bits, 1, 128, 0x001F, 0, 128}, 0x0007},
        StretchCase{"AlphaZeroUntouched", {&k555Bits, 2, 255, 0x7FFF, 0x1234, 0}, 0x1234},
        StretchCase{"KeyedOpaqueUntouched16",
                    {&k565Bits, 1, 255, 0x07E0, 0x1234, 255, kNoBright, 1, 0x07E0},
                    0x1234},
        StretchCase{"CopyKeysOnTheLowestBit16",
                    {&k555Bits, 0, 0, 0x03E0, 0x1234, -1, kNoBright, 2, 0x03E0},
                    0x03E0},
        StretchCase{"BlendKeysOnAnyFlag",
                    {&k555Bits, 1, 128, 0x03E0, 0x1234, -1, kNoBright, 2, 0x03E0},
                    0x1234},
        // Multiply by white leaves d; by black gives black.
        StretchCase{"MultiplyByWhite", {&k565Bits, 4, 0, 0xFFFF, 0x1234}, 0x1234},
        StretchCase{"MultiplyByBlack", {&k555Bits, 4, 0, 0, 0x1234}, 0},
        // A generic layout: its add saturates with the red width (15 + 14 fills 4 bits:
        // 0x1FFF; with a shift of 5 it would be 0x1DDD); bright only under the alpha map.
        StretchCase{"AddUsesTheRedWidth444", {&k444Bits, 2, 255, 0x0FFF, 0x0FFF}, 0x1FFF},
        StretchCase{
            "GenericCopyIgnoresBright", {&k444Bits, 0, 0, 0x0FFF, 0, -1, 0xFF808080u}, 0x0FFF},
        StretchCase{
            "GenericAlphaMapTakesBright", {&k444Bits, 0, 0, 0x0FFF, 0, 255, 0xFF808080u}, 0x0777},
        // Blue at the top of the word is taken with its shift: 31 and 31 blend to 30.
        StretchCase{"GenericBlueWithItsShift", {&kBgr565Bits, 1, 128, 0xF800, 0xF800}, 0xF000},
        // An 8-bit channel indexes whole rows: 127 + 126.
        StretchCase{"GenericWideChannel", {&k178Bits, 1, 128, 0x00FF, 0x00FF}, 0x00FD}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the vector walks against the reference walk ----

// How the column table of a walk picks source columns, for destination column i of n: twice the
// picture (i / 2), either way round, at its size, shrunk by three, or scattered out of order.
enum class Columns { kDoubled, kDoubledMirrored, kUnscaled, kShrunk, kScattered };

// A walk of width x 6 rows from a picture of 3 rows, whose source rows repeat, come back after
// another (0, 0, 1, 1, 2, 2) and leave one out; the picture is exactly as wide as the columns
// read, so a read past its last row's end is out of bounds. Returns the destination's bytes.
std::vector<uint8_t> RunWalk(const Draw& w, int width, Columns kind, RasterPath path) {
  const int bytes = w.layout->bits / 8, height = 6;
  std::vector<int32_t> columns(static_cast<size_t>(width)), rows(static_cast<size_t>(height));
  for (int i = 0; i < width; ++i) {
    const int32_t half = i / 2, mirrored = (width - 1) / 2 - i / 2;
    const int32_t picked[] = {half, mirrored, i, 3 * i, (i * 7919) % (width + 3)};
    columns[static_cast<size_t>(i)] = picked[static_cast<int>(kind)];
  }
  const int rowPattern[] = {0, 0, 2, 2, 0, 1};
  for (int y = 0; y < height; ++y) rows[static_cast<size_t>(y)] = rowPattern[y];
  const int span = *std::max_element(columns.begin(), columns.end()) + 1;
  std::vector<uint8_t> src(static_cast<size_t>(span) * 3 * bytes),
      alpha(static_cast<size_t>(span) * 3);
  for (size_t i = 0; i < alpha.size(); ++i) {
    const uint32_t v = static_cast<uint32_t>(i * 2654435761u) >> 7;
    const uint32_t pixel = v % 4 == 0 ? w.key : v ^ w.s;
    std::memcpy(src.data() + i * bytes, &pixel, static_cast<size_t>(bytes));
    static constexpr uint8_t kAlphas[] = {0, 255, 128, 1, 254};
    alpha[i] = kAlphas[v % 5];
  }
  std::vector<uint8_t> dest(static_cast<size_t>(width) * height * bytes);
  for (size_t i = 0; i < dest.size(); ++i) dest[i] = static_cast<uint8_t>(i * 131 ^ w.d);
  DrawWalk(w,
           {.dest = dest.data(),
            .read = dest.data(),
            .destPitch = width * bytes,
            .readPitch = width * bytes,
            .src = src.data(),
            .srcPitch = span * bytes,
            .alpha = w.a < 0 ? nullptr : alpha.data(),
            .alphaPitch = span,
            .columns = columns.data(),
            .rows = rows.data(),
            .width = width,
            .height = height},
           path);
  return dest;
}

// Every vector walk writes what the reference walk writes, whatever the table: widths of one
// pixel, of a group and a pixel, of groups and a last few, and of a strip of cached columns and
// one more; keyed and unkeyed copies, blends, alpha maps, add, bright, at 32 and 16 bits.
TEST(StretchWalks, VectorFormsMatchTheReferenceOnAnyTable) {
  constexpr uint32_t kKey = 0x00FF00u;
  const Draw draws[] = {
      {&k32Bits, 0, 0, 0x123456u, 0, -1, kNoBright, 0, kKey},
      {&k32Bits, 0, 0, 0x123456u, 0, -1, kNoBright, 1, kKey},
      {&k32Bits, 1, 128, 0x654321u, 0x40u, -1, kNoBright, 1, kKey},
      {&k32Bits, 0, 0, 0xABCDEFu, 0x11u, 0, kNoBright, 1, kKey},
      {&k32Bits, 1, 77, 0xABCDEFu, 0x22u, 0, 0xFF80C040u, 0, kKey},
      {&k32Bits, 2, 200, 0x0F0F0Fu, 0x33u, -1, 0xFF80C040u, 1, kKey},
      {&k565Bits, 0, 0, 0x1234u, 0x55u, -1, kNoBright, 1, 0x07E0u},
      {&k565Bits, 1, 128, 0x4321u, 0x66u, -1, kNoBright, 0, 0x07E0u},
      {&k555Bits, 2, 255, 0x7FFFu, 0x77u, -1, 0xFFC0C0C0u, 1, 0x03E0u},
  };
  std::vector<RasterPath> paths;
  if (Sse2Available()) paths.push_back(RasterPath::kSse2);
  if (Avx2Available()) paths.push_back(RasterPath::kAvx2);
  for (size_t d = 0; d < std::size(draws); ++d) {
    for (int width : {1, 9, 31, 513}) {
      for (Columns kind : {Columns::kDoubled, Columns::kDoubledMirrored, Columns::kUnscaled,
                           Columns::kShrunk, Columns::kScattered}) {
        SCOPED_TRACE(::testing::Message() << "draw " << d << " width " << width << " columns "
                                          << static_cast<int>(kind));
        const std::vector<uint8_t> reference =
            RunWalk(draws[d], width, kind, RasterPath::kReference);
        for (RasterPath path : paths) {
          EXPECT_EQ(RunWalk(draws[d], width, kind, path), reference) << RasterPathName(path);
        }
      }
    }
  }
}

// The plain draw's alpha blend weighs d with 256 - p, one step above the stretched draw's.
TEST(StretchPixels, PlainDrawBlendIs256MinusP) {
  BlendParams b;
  b.p = 128;
  EXPECT_EQ(TableBlend<PlainSource>(b)(Grey(200), Grey(100)), Grey(150));
}

}  // namespace
