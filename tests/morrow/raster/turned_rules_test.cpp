// The turned draws' rules against the worked values of their formulas, the choice of loop, the
// two texel maps, and the span walker: texels read only inside the texture, the gates, and the
// vector walker equal to the scalar one on seeded random spans.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "morrow/raster/turned_loops.h"
#include "morrow/raster/turned_rules32.h"
#include "morrow/raster/turned_walkers.h"
#include "morrow/raster/turned_walkers_sse2.h"
#include "tests/morrow/raster/worked_value.h"

namespace {

using namespace morrow::raster;
using testsupport::Grey;
using testsupport::PixelCase;

constexpr uint32_t kNoBright = 0xFFFFFFFFu;

TurnedBlend Blend(uint32_t p, uint32_t bright = kNoBright) {
  TurnedBlend b;
  b.p = p;
  b.bright = bright;
  return b;
}

using Cover = ExactCoverage<PlainSource, ByteWeight, Copy>;
using CoverTint = ExactCoverage<TintSource, ByteWeight, Tint>;
using AlphaBlend = ExactCoverage<PlainSource, ParamByteWeight, ComplementBlend<PlainSource>>;

class TurnedRules32 : public ::testing::TestWithParam<PixelCase> {};

TEST_P(TurnedRules32, GiveTheWorkedValue) {
  EXPECT_EQ(GetParam().compute(), GetParam().want);
}

// Each value is worked by hand from the formula the case names.
INSTANTIATE_TEST_SUITE_P(
    WorkedValues, TurnedRules32,
    ::testing::Values(
        // Mode 0, alpha 128 over 0: (0 + 128 * 255) >> 8 = 127.
        PixelCase{"CoverHalfOfWhiteOverBlack",
                  [] { return Cover(Blend(0)).Partial(0x00FFFFFFu, 0, 128); }, Grey(127)},
        // Alpha 255 copies the texel whole, its fourth byte too; with bright the fourth is 0.
        PixelCase{"CoverOpaqueCopiesTheWord",
                  [] { return Cover(Blend(0)).Opaque(0xABC86432u, 0x00112233u); }, 0xABC86432u},
        PixelCase{"CoverTintOpaqueDropsTheFourthByte",
                  [] { return CoverTint(Blend(0, 0xFFFFFFFEu)).Opaque(0xABC86432u, 0); },
                  0x00C76331u},
        // Mode 1, p = 128: T[127][255] + T[128][255] = 126 + 127 = 253.
        PixelCase{"BlendWhiteOverWhite",
                  [] { return ComplementBlend<PlainSource>(Blend(128))(0xFFFFFFFFu, 0xFFFFFFFFu); },
                  Grey(253)},
        // (255 * 128) >> 8 = 127; (0 * 127) >> 8 = 0.
        PixelCase{"BlendWhiteOverBlack",
                  [] { return ComplementBlend<PlainSource>(Blend(128))(0x00FFFFFFu, 0); },
                  Grey(127)},
        // Mode 1 with the alpha map at p = 200, white over black: a = 255 takes T[200][255] +
        // T[55][0] = 199; a = 254 blends by (200 * 254) >> 8 = 198: (198 * 255) >> 8 = 197.
        PixelCase{"AlphaBlendOpaqueByte",
                  [] { return AlphaBlend(Blend(200)).Opaque(0x00FFFFFFu, 0); }, Grey(199)},
        PixelCase{"AlphaBlendByte254",
                  [] { return AlphaBlend(Blend(200)).Partial(0x00FFFFFFu, 0, 254); }, Grey(197)},
        // Mode 2, p = 255: T[255][2] = 1 added to blue 255 saturates it and carries into the
        // lowest green bit.
        PixelCase{"AddCarriesIntoGreen",
                  [] { return Add32<PlainSource>(Blend(255))(0x00000002u, 0x000000FFu); },
                  0x000001FFu},
        // T[255][3] = 2 in green: green saturates and its carry sets red's lowest bit.
        PixelCase{
            "AddCarriesIntoRed",
            [] { return ScaledAlphaAdd32<PlainSource>(Blend(255))(0x00000300u, 0x0000FF00u); },
            0x0001FF00u},
        // Mode 2 at p = 255 adds (255 * 255) >> 8 = 254, not 255.
        PixelCase{"AddAtFullParameterAdds254",
                  [] { return Add32<PlainSource>(Blend(255))(0x000000FFu, 0); }, 0x000000FEu},
        // The rotated add with alpha scales by p, then by a: ((255 * 255) >> 8) * 128 >> 8 =
        // 127, where the weight (a * p) >> 8 = 127 would give (255 * 127) >> 8 = 126.
        PixelCase{"RotatedAddScalesByPThenA",
                  [] { return ScaledAlphaAdd32<PlainSource>(Blend(255)).Partial(0xFFu, 0, 128); },
                  0x0000007Fu},
        // 255 - 127 in blue; green and red do not borrow, so their lowest bits are set.
        PixelCase{
            "RotatedSubScalesByPThenA",
            [] { return ScaledAlphaSub32<PlainSource>(Blend(255)).Partial(0xFFu, 0xFFu, 128); },
            0x00010180u},
        // (50, 50, 50) at p = 255 is 49 per channel; subtracted from 100 through the guard
        // bits: red and green lose their lowest bit (53), blue is exact (51).
        PixelCase{"SubtractThroughTheGuardBits",
                  [] { return Sub32<PlainSource>(Blend(255))(Grey(50), Grey(100)); }, 0x00353533u},
        PixelCase{"SubtractBelowZeroClamps",
                  [] { return Sub32<PlainSource>(Blend(255))(Grey(200), Grey(100)); }, 0u},
        // A white texel leaves 8-bit channels unchanged under multiply.
        PixelCase{"MultiplyByWhite",
                  [] { return MultiplyMax32<PlainSource>(Blend(0))(0x00FFFFFFu, 0x00123456u); },
                  0x00123456u},
        // Other maxima divide by them; a maximum of 0 gives 0.
        PixelCase{"MultiplyByOtherMaxima",
                  [] {
                    TurnedBlend b = Blend(0);
                    b.max[0] = 127;
                    b.max[1] = 0;
                    b.max[2] = 255;
                    return MultiplyMax32<PlainSource>(b)(Grey(100), Grey(100));
                  },
                  (100u * 100 / 127) << 16 | 0u << 8 | 100u * 100 / 255}),
    [](const auto& info) { return std::string(info.param.name); });

struct ChoiceCase {
  const char* name;
  TurnedShape shape;
  int32_t mode;
  uint32_t p;
  bool alpha;
  bool bright;
  int keyFlag;
  TurnedLoop want;
  FormatClass format = FormatClass::k32;  // a 16-bit class asks the 16-bit decision
};

void PrintTo(const ChoiceCase& c, std::ostream* os) {
  *os << c.name;
}

class TurnedDispatch : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(TurnedDispatch, PicksTheLoop) {
  const ChoiceCase& c = GetParam();
  if (c.format != FormatClass::k32) {
    const TurnedLoop16 got =
        ChooseTurnedLoop16(c.shape, c.mode, c.p, c.alpha, c.bright, c.keyFlag, c.format);
    const Layout16 layout = c.format == FormatClass::k565   ? Layout16::k565
                            : c.format == FormatClass::k555 ? Layout16::k555
                                                            : Layout16::kGeneric;
    EXPECT_EQ(got, (TurnedLoop16{c.want, layout})) << TurnedLoop16Name(got);
    return;
  }
  EXPECT_EQ(ChooseTurnedLoop32(c.shape, c.mode, c.p, c.alpha, c.bright, c.keyFlag), c.want)
      << TurnedLoopName(ChooseTurnedLoop32(c.shape, c.mode, c.p, c.alpha, c.bright, c.keyFlag));
}

constexpr TurnedShape kRota = TurnedShape::kRota, kTri = TurnedShape::kTriangle;

INSTANTIATE_TEST_SUITE_P(
    Choices, TurnedDispatch,
    ::testing::Values(
        ChoiceCase{"Mode0", kRota, 0, 0, false, false, 0, TurnedLoop::kCopy},
        ChoiceCase{"Mode0Keyed", kTri, 0, 0, false, false, 1, TurnedLoop::kCopyKey},
        ChoiceCase{"KeyFlagTwoIsNoKey", kRota, 0, 0, false, false, 2, TurnedLoop::kCopy},
        ChoiceCase{"KeyFlagMinusOneIsNoKey", kTri, 1, 9, false, false, -1, TurnedLoop::kBlend},
        ChoiceCase{"Mode0Bright", kTri, 0, 0, false, true, 0, TurnedLoop::kTint},
        ChoiceCase{"Mode0AlphaIgnoresP", kRota, 0, 0, true, false, 1, TurnedLoop::kCoverKey},
        ChoiceCase{"Mode0AlphaBright", kTri, 0, 7, true, true, 0, TurnedLoop::kCoverTint},
        ChoiceCase{"Mode1AtZeroDrawsNothing", kRota, 1, 0, true, true, 1, TurnedLoop::kNothing},
        ChoiceCase{"Mode1AtFullIsMode0", kRota, 1, 255, false, false, 1, TurnedLoop::kCopyKey},
        ChoiceCase{"Mode1AtFullWithAlphaIsMode0", kTri, 1, 255, true, true, 0,
                   TurnedLoop::kCoverTint},
        ChoiceCase{"Mode1", kTri, 1, 254, false, true, 1, TurnedLoop::kBlendTintKey},
        ChoiceCase{"Mode1Alpha", kRota, 1, 1, true, false, 0, TurnedLoop::kAlphaBlend},
        ChoiceCase{"Mode2AtZero", kTri, 2, 0, false, false, 0, TurnedLoop::kNothing},
        ChoiceCase{"Mode2RotatedReadsAlpha", kRota, 2, 255, true, true, 1,
                   TurnedLoop::kAlphaAddTintKey},
        ChoiceCase{"Mode2TriangleIgnoresAlpha", kTri, 2, 255, true, true, 1,
                   TurnedLoop::kAddTintKey},
        ChoiceCase{"Mode3RotatedReadsAlpha", kRota, 3, 128, true, false, 0, TurnedLoop::kAlphaSub},
        ChoiceCase{"Mode3TriangleIgnoresAlpha", kTri, 3, 128, true, false, 0, TurnedLoop::kSub},
        ChoiceCase{"Mode3AtZero", kRota, 3, 0, true, false, 0, TurnedLoop::kNothing},
        ChoiceCase{"Mode4IgnoresKeyAlphaAndP", kRota, 4, 0, true, false, 1, TurnedLoop::kMultiply},
        ChoiceCase{"Mode4Bright", kTri, 4, 128, false, true, 1, TurnedLoop::kMultiplyTint},
        ChoiceCase{"Mode5", kRota, 5, 128, false, false, 0, TurnedLoop::kNothing},
        ChoiceCase{"Mode8", kTri, 8, 128, false, false, 0, TurnedLoop::kNothing},
        ChoiceCase{"NegativeMode", kTri, -1, 128, false, false, 0, TurnedLoop::kNothing}),
    [](const auto& info) { return std::string(info.param.name); });

constexpr FormatClass k6 = FormatClass::k565, k5 = FormatClass::k555, kG = FormatClass::kGeneric16;

INSTANTIATE_TEST_SUITE_P(
    SixteenBits, TurnedDispatch,
    ::testing::Values(
        // Mode 0: the alpha map first, bright on the fixed layouts only without it.
        ChoiceCase{"Copy", kRota, 0, 0, false, false, 0, TurnedLoop::kCopy, k6},
        ChoiceCase{"CopyKeyedOnlyByOne", kTri, 0, 0, false, false, 1, TurnedLoop::kCopyKey, k5},
        ChoiceCase{"KeyFlagTwoIsNoKey", kRota, 0, 0, false, false, 2, TurnedLoop::kCopy, k6},
        ChoiceCase{"KeyFlagMinusOneIsNoKey", kTri, 0, 0, false, false, -1, TurnedLoop::kCopy, k6},
        ChoiceCase{"Tint", kRota, 0, 0, false, true, 1, TurnedLoop::kTintKey, k5},
        ChoiceCase{"GenericCopiesWithoutBright", kTri, 0, 0, false, true, 0, TurnedLoop::kCopy, kG},
        ChoiceCase{"GenericRotatedCopiesWithoutBright", kRota, 0, 0, false, true, 1,
                   TurnedLoop::kCopyKey, kG},
        ChoiceCase{"Cover", kRota, 0, 9, true, false, 0, TurnedLoop::kCover, k6},
        ChoiceCase{"GenericCoverTakesBright", kRota, 0, 0, true, true, 1, TurnedLoop::kCoverTintKey,
                   kG},
        ChoiceCase{"GenericTriangleCoverTakesBright", kTri, 0, 0, true, true, 0,
                   TurnedLoop::kCoverTint, kG},
        // Mode 1: nothing at 0, mode 0 at 255.
        ChoiceCase{"Mode1AtZero", kRota, 1, 0, true, true, 1, TurnedLoop::kNothing, k6},
        ChoiceCase{"Mode1AtFullIsCopy", kRota, 1, 255, false, false, 1, TurnedLoop::kCopyKey, k6},
        ChoiceCase{"Mode1AtFullIsTint", kTri, 1, 255, false, true, 0, TurnedLoop::kTint, k5},
        ChoiceCase{"Mode1AtFullUnderTheMapIsCover", kRota, 1, 255, true, true, 0,
                   TurnedLoop::kCoverTint, kG},
        ChoiceCase{"Blend", kRota, 1, 128, false, false, 0, TurnedLoop::kBlend, k6},
        ChoiceCase{"BlendTint", kTri, 1, 254, false, true, 1, TurnedLoop::kBlendTintKey, k5},
        ChoiceCase{"AlphaBlend", kRota, 1, 1, true, false, 0, TurnedLoop::kAlphaBlend, k5},
        ChoiceCase{"AlphaBlendTint", kTri, 1, 128, true, true, 1, TurnedLoop::kAlphaBlendTintKey,
                   k6},
        // Generic: the rotated draw ignores bright without the map and takes it under the map;
        // the triangle takes it everywhere.
        ChoiceCase{"GenericRotatedBlendIgnoresBright", kRota, 1, 128, false, true, 0,
                   TurnedLoop::kBlend, kG},
        ChoiceCase{"GenericRotatedAlphaBlendTakesBright", kRota, 1, 128, true, true, 1,
                   TurnedLoop::kAlphaBlendTintKey, kG},
        ChoiceCase{"GenericTriangleBlendTakesBright", kTri, 1, 128, false, true, 0,
                   TurnedLoop::kBlendTint, kG},
        ChoiceCase{"GenericTriangleAlphaBlendTakesBright", kTri, 1, 200, true, true, 0,
                   TurnedLoop::kAlphaBlendTint, kG},
        ChoiceCase{"GenericAlphaBlend", kTri, 1, 200, true, false, 0, TurnedLoop::kAlphaBlend, kG},
        // Modes 2 and 3: nothing at 0, every other p; at 16 bits the triangle reads the map too.
        ChoiceCase{"AddAtZero", kTri, 2, 0, false, false, 0, TurnedLoop::kNothing, k6},
        ChoiceCase{"SubAtZero", kRota, 3, 0, true, true, 1, TurnedLoop::kNothing, kG},
        ChoiceCase{"Add", kRota, 2, 255, false, false, 1, TurnedLoop::kAddKey, k6},
        ChoiceCase{"AddTint", kTri, 2, 255, false, true, 0, TurnedLoop::kAddTint, k5},
        ChoiceCase{"AlphaAdd", kTri, 2, 128, true, false, 1, TurnedLoop::kAlphaAddKey, k6},
        ChoiceCase{"AlphaAddTint", kRota, 2, 128, true, true, 0, TurnedLoop::kAlphaAddTint, k5},
        ChoiceCase{"Sub", kTri, 3, 1, false, false, 0, TurnedLoop::kSub, k5},
        ChoiceCase{"AlphaSubTint", kTri, 3, 128, true, true, 1, TurnedLoop::kAlphaSubTintKey, k6},
        ChoiceCase{"GenericRotatedAddIgnoresBright", kRota, 2, 128, false, true, 0,
                   TurnedLoop::kAdd, kG},
        ChoiceCase{"GenericRotatedAlphaAddTakesBright", kRota, 2, 128, true, true, 0,
                   TurnedLoop::kAlphaAddTint, kG},
        ChoiceCase{"GenericTriangleSubTakesBright", kTri, 3, 128, false, true, 1,
                   TurnedLoop::kSubTintKey, kG},
        ChoiceCase{"GenericAlphaSub", kRota, 3, 128, true, false, 1, TurnedLoop::kAlphaSubKey, kG},
        // Mode 4: no p, key or map.
        ChoiceCase{"MultiplyAtZero", kRota, 4, 0, true, false, 1, TurnedLoop::kMultiply, k6},
        ChoiceCase{"MultiplyTint", kTri, 4, 77, false, true, 1, TurnedLoop::kMultiplyTint, k5},
        ChoiceCase{"GenericRotatedMultiplyIgnoresBright", kRota, 4, 0, false, true, 0,
                   TurnedLoop::kMultiply, kG},
        ChoiceCase{"GenericTriangleMultiplyTakesBright", kTri, 4, 0, true, true, 0,
                   TurnedLoop::kMultiplyTint, kG},
        // Any other mode, compared unsigned, draws nothing.
        ChoiceCase{"Mode5", kRota, 5, 128, false, false, 0, TurnedLoop::kNothing, k6},
        ChoiceCase{"Mode8", kTri, 8, 128, false, false, 0, TurnedLoop::kNothing, k5},
        ChoiceCase{"NegativeMode", kRota, -1, 128, false, false, 0, TurnedLoop::kNothing, kG}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TurnedDispatchTable, EightBitsKeysIndexZeroForAnyNonZeroFlag) {
  EXPECT_EQ(ChooseTurnedLoop8(0), TurnedLoop::kCopy8);
  for (int flag : {1, 2, -1, 255}) EXPECT_EQ(ChooseTurnedLoop8(flag), TurnedLoop::kCopy8Key);
}

TEST(TurnedDispatchTable, EveryLoopHasItsOwnName) {
  std::vector<std::string> names;
  for (int i = 0; i < static_cast<int>(TurnedLoop::kCount); ++i) {
    const std::string name = TurnedLoopName(static_cast<TurnedLoop>(i));
    EXPECT_NE(name, "?");
    for (const std::string& other : names) EXPECT_NE(name, other);
    names.push_back(name);
  }
  EXPECT_EQ(std::string(TurnedLoopName(TurnedLoop::kCount)), "?");
}

// trunc18 keeps -1 < position < 0 at index 0; the unsigned map sends every negative position
// far outside.
TEST(TexelMaps, TruncateTowardZeroOrShiftUnsigned) {
  struct Case {
    int32_t position;
    uint32_t trunc;
    uint32_t shift;
  };
  const Case cases[] = {{0, 0, 0},
                        {262143, 0, 0},
                        {262144, 1, 1},
                        {-1, 0, 0x3FFF},
                        {-262143, 0, 0x3FFF},
                        {-262144, 0xFFFFFFFFu, 0x3FFF},
                        {-262145, 0xFFFFFFFFu, 0x3FFE},
                        {INT32_MIN, static_cast<uint32_t>(-8192), 0x2000},
                        {INT32_MAX, 8191, 0x1FFF}};
  for (const Case& c : cases) {
    const uint32_t p = static_cast<uint32_t>(c.position);
    EXPECT_EQ(TexelIndex<TexelMap::kTrunc18>(p), c.trunc) << c.position;
    EXPECT_EQ(TexelIndex<TexelMap::kUnsigned18>(p), c.shift) << c.position;
  }
}

// A 6 x 5 texture whose texel at (column, row) is 0x00RRCC00 | row << 16 | column, with a
// border of guard words that must never be read.
struct SmallTexture {
  static constexpr int kW = 6, kH = 5, kPitchWords = 9;
  std::vector<uint32_t> words = std::vector<uint32_t>(kPitchWords * (kH + 2), 0xDEADBEEFu);
  std::vector<uint8_t> alpha = std::vector<uint8_t>(kPitchWords * (kH + 2), 77);
  SmallTexture() {
    for (int r = 0; r < kH; ++r) {
      for (int c = 0; c < kW; ++c) {
        words[(r + 1) * kPitchWords + c] =
            static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(c);
        alpha[(r + 1) * kPitchWords + c] = static_cast<uint8_t>((r * kW + c) * 9);
      }
    }
  }
  Texture Get() const {
    Texture t;
    t.src = reinterpret_cast<const uint8_t*>(&words[kPitchWords]);
    t.pitch = kPitchWords * 4;
    t.width = kW;
    t.height = kH;
    t.alpha = &alpha[kPitchWords];
    t.alphaPitch = kPitchWords;
    return t;
  }
};

// Copy over a span that crosses the texture: columns -2 to 8 at row 2, with trunc18 and with
// the unsigned map, starting half a texel left of column 0.
TEST(TexelSpans, ReadOnlyInsideTheTexture) {
  const SmallTexture tex;
  for (TexelMap map : {TexelMap::kTrunc18, TexelMap::kUnsigned18}) {
    std::vector<uint32_t> dest(12, 0x11111111u);
    TexelSpan span;
    span.dest = reinterpret_cast<uint8_t*>(dest.data());
    span.read = span.dest;
    span.count = 12;
    span.u = static_cast<uint32_t>(-2 * 262144 + 131072);  // -1.5, -0.5, 0.5, ...
    span.v = 2 * 262144 + 7;
    span.du = 262144;
    const Copy rule{BlendParams{}};
    if (map == TexelMap::kTrunc18) {
      TexelSpanWalk<F32, TexelMap::kTrunc18, KeyGate::kNone, AlphaGate::kNone>(span, tex.Get(), 0,
                                                                               rule);
    } else {
      TexelSpanWalk<F32, TexelMap::kUnsigned18, KeyGate::kNone, AlphaGate::kNone>(span, tex.Get(),
                                                                                  0, rule);
    }
    // Position -0.5 reads column 0 under trunc18 only.
    EXPECT_EQ(dest[0], 0x11111111u);
    EXPECT_EQ(dest[1], map == TexelMap::kTrunc18 ? 0x00020000u : 0x11111111u);
    for (int i = 2; i < 8; ++i) EXPECT_EQ(dest[i], 0x00020000u | static_cast<uint32_t>(i - 2));
    for (int i = 8; i < 12; ++i) EXPECT_EQ(dest[i], 0x11111111u);
  }
}

// Key first: a keyed texel is left whatever its alpha byte; then alpha 0 is left, and the
// others blend by their byte.
TEST(TexelSpans, KeyThenAlphaGates) {
  const SmallTexture tex;
  std::vector<uint32_t> dest(6, Grey(100));
  TexelSpan span;
  span.dest = reinterpret_cast<uint8_t*>(dest.data());
  span.read = span.dest;
  span.count = 6;
  span.v = 0;
  span.du = 262144;
  // Texel (3, 0) is the key; along row 0 texel c is blue c with alpha 9 c.
  const Cover rule{BlendParams{}};
  TexelSpanWalk<F32, TexelMap::kTrunc18, KeyGate::kCompare, AlphaGate::kMap>(span, tex.Get(), 3,
                                                                             rule);
  EXPECT_EQ(dest[0], Grey(100));  // alpha 0
  EXPECT_EQ(dest[3], Grey(100));  // keyed
  for (uint32_t c : {1u, 2u, 4u, 5u}) {
    const uint32_t a = 9 * c;
    // (256 d + a (t - d)) >> 8 with d = 100, t = 0 in red and green and c in blue.
    const uint32_t rg = (256 * 100 - a * 100) >> 8, b = (256 * 100 + a * c - a * 100) >> 8;
    EXPECT_EQ(dest[c], rg << 16 | rg << 8 | b) << c;
  }
}

#if defined(MORROW_RASTER_SSE2)
template <TexelMap M, KeyGate K, AlphaGate A, class Rule>
void BothWalks(const TexelSpan& span, const Texture& t, uint32_t key, const Rule& rule,
               std::vector<uint32_t>* scalarOut, std::vector<uint32_t>* vectorOut) {
  std::vector<uint32_t> scalar = *scalarOut, vector = *vectorOut;
  TexelSpan a = span, b = span;
  a.dest = reinterpret_cast<uint8_t*>(scalar.data());
  a.read = a.dest;
  b.dest = reinterpret_cast<uint8_t*>(vector.data());
  b.read = b.dest;
  TexelSpanWalk<F32, M, K, A>(a, t, key, rule);
  TexelSpanWalkSse2<M, K, A>(b, t, key, rule);
  *scalarOut = scalar;
  *vectorOut = vector;
}

// Seeded random spans (positions and steps of any size and sign, counts across the vector
// width) through every rule that has a vector form: both walkers leave the same pixels.
TEST(TexelSpans, VectorWalkerEqualsTheScalarOne) {
  const SmallTexture tex;
  std::mt19937 rng(2024);
  for (int n = 0; n < 6000; ++n) {
    const uint32_t p = static_cast<uint32_t>(rng() % 256);
    const uint32_t bright = rng() % 2 ? kNoBright : (rng() | 0xFF000000u);
    const TurnedBlend b = Blend(p, bright);
    TexelSpan span;
    span.count = static_cast<int32_t>(rng() % 40);
    // Mostly near the texture, now and then anywhere.
    const bool near = rng() % 4 != 0;
    span.u = near ? static_cast<uint32_t>(static_cast<int32_t>(rng() % (10 << 18)) - (2 << 18))
                  : static_cast<uint32_t>(rng());
    span.v = near ? static_cast<uint32_t>(static_cast<int32_t>(rng() % (8 << 18)) - (2 << 18))
                  : static_cast<uint32_t>(rng());
    span.du = near ? static_cast<uint32_t>(static_cast<int32_t>(rng() % (3 << 18)) - (1 << 18))
                   : static_cast<uint32_t>(rng());
    span.dv = near ? static_cast<uint32_t>(static_cast<int32_t>(rng() % (2 << 18)) - (1 << 18))
                   : static_cast<uint32_t>(rng());
    // Positions on texel edges and half texels, where the range's ends lie exactly.
    if (n % 5 == 0) {
      const auto edge = [&](int spread) {
        return static_cast<uint32_t>((static_cast<int32_t>(rng() % 14) - 4) * 262144 +
                                     (static_cast<int32_t>(rng() % 3) - 1) * spread);
      };
      span.u = edge(static_cast<int32_t>(rng() % 2));
      span.v = edge(131072);
      span.du = static_cast<uint32_t>((static_cast<int32_t>(rng() % 9) - 4) * 131072);
      span.dv = static_cast<uint32_t>((static_cast<int32_t>(rng() % 5) - 2) * 131072);
    }
    // Rows of one texel row, and columns of one texel column, take their own loops.
    if (n % 3 == 0) span.dv = 0;
    if (n % 11 == 0) span.du = 0;
    std::vector<uint32_t> start(static_cast<size_t>(span.count) + 1);
    for (uint32_t& w : start) w = static_cast<uint32_t>(rng());
    std::vector<uint32_t> scalar = start, vector = start;
    const uint32_t key = static_cast<uint32_t>(rng() % 3) << 16 | static_cast<uint32_t>(rng() % 6);
    const Texture t = tex.Get();
    switch (n % 8) {
      case 0:
        BothWalks<TexelMap::kTrunc18, KeyGate::kCompare, AlphaGate::kNone>(span, t, key, Copy(b),
                                                                           &scalar, &vector);
        break;
      case 1:
        BothWalks<TexelMap::kUnsigned18, KeyGate::kNone, AlphaGate::kNone>(span, t, key, Tint(b),
                                                                           &scalar, &vector);
        break;
      case 2:
        BothWalks<TexelMap::kTrunc18, KeyGate::kNone, AlphaGate::kNone>(
            span, t, key, ComplementBlend<TintSource>(b), &scalar, &vector);
        break;
      case 3:
        BothWalks<TexelMap::kUnsigned18, KeyGate::kCompare, AlphaGate::kNone>(
            span, t, key, ComplementBlend<PlainSource>(b), &scalar, &vector);
        break;
      case 4:
        BothWalks<TexelMap::kTrunc18, KeyGate::kCompare, AlphaGate::kMap>(span, t, key, Cover(b),
                                                                          &scalar, &vector);
        break;
      case 5:
        BothWalks<TexelMap::kUnsigned18, KeyGate::kNone, AlphaGate::kMap>(
            span, t, key, CoverTint(b), &scalar, &vector);
        break;
      case 6:
        BothWalks<TexelMap::kTrunc18, KeyGate::kNone, AlphaGate::kMap>(span, t, key, AlphaBlend(b),
                                                                       &scalar, &vector);
        break;
      default:
        BothWalks<TexelMap::kUnsigned18, KeyGate::kCompare, AlphaGate::kMap>(
            span, t, key,
            ExactCoverage<TintSource, ParamByteWeight, ComplementBlend<TintSource>>(b), &scalar,
            &vector);
        break;
    }
    ASSERT_EQ(vector, scalar) << "span " << n;
    // The word after the span is never touched.
    EXPECT_EQ(scalar.back(), start.back());
  }
}
#endif

}  // namespace
