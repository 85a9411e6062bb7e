// The 16-bit pixel rules against worked values of their formulas, the properties that tie the
// table and wide-register blends together, bit 15 of 5:5:5 pixels, generic layouts with wide,
// moved and empty channels, the eight-wide forms against the scalar ones, and the 16-bit
// walkers (the unkeyed XOR's head, pairs and tail; keyed pixels never written).
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <random>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/raster/piece_rules16.h"
#include "morrow/raster/walkers.h"
#include "morrow/raster/walkers16.h"
#include "tests/morrow/raster/rules16_fixture.h"
#include "tests/morrow/raster/worked_value.h"

namespace {

using namespace morrow::raster;
using testsupport::PixelCase;

using testsupport::Apply;
using testsupport::ApplyAlpha;
using testsupport::Bright;
using testsupport::k444;
using testsupport::k565;
using testsupport::kNoBright;
using testsupport::Layout;
using testsupport::Prepare;
using testsupport::Products;

class Rules16 : public ::testing::TestWithParam<PixelCase> {};

TEST_P(Rules16, GivesTheWorkedValue) {
  EXPECT_EQ(GetParam().compute() & 0xFFFF, GetParam().want);
}

using Sub565 = SubGuard16<F565, PlainTerm16<F565>>;
using Sub555 = SubGuard16<F555, PlainTerm16<F555>>;
using Add565 = AddGuard16<F565, PlainTerm16<F565>>;
using Add555 = AddGuard16<F555, PlainTerm16<F555>>;

// Each value is worked out by hand from the formula the case names.
INSTANTIATE_TEST_SUITE_P(
    WorkedValues, Rules16,
    ::testing::Values(
        // y = 0x10820 - 0: red and green keep their guards, so their lowest bits stay set.
        PixelCase{"SubtractBlackFromBlack565", [] { return Apply<Sub565>(Prepare(255), 0, 0); },
                  0x0800},
        PixelCase{"SubtractBlackFromWhite565",
                  [] { return Apply<Sub565>(Prepare(255), 0, 0xFFFF); }, 0xFFDF},
        PixelCase{"SubtractBlackFromBlack555",
                  [] {
                    return Apply<Sub555>(Prepare(255, kNoBright, Layout(0x7C00, 0x3E0, 0x1F)), 0,
                                         0);
                  },
                  0x0420},
        // Red 2 scales to 1, whose lowest bit is a guard: red stays 31, green becomes 1.
        PixelCase{"SubtractRedTwoFrom555Red",
                  [] { return Apply<Sub555>(Prepare(255), 0x0800, 0x7C00); }, 0x7C20},
        // P[16] = 15, P[32] = 31: x = 0x7BEF; 15 + 15, 31 + 31, 15 + 15.
        PixelCase{"AddHalfGreyOntoHalfGrey565",
                  [] { return Apply<Add565>(Prepare(255), 0x8410, 0x7BEF); }, 0xEFBE},
        PixelCase{"AddAnythingOntoWhite565",
                  [] { return Apply<Add565>(Prepare(255), 0x1234, 0xFFFF); }, 0xFFFF},
        PixelCase{"AddBlackKeeps565", [] { return Apply<Add565>(Prepare(200), 0, 0xA5A5); },
                  0xA5A5},
        // The carry out of red stays in bit 15.
        PixelCase{"AddWhiteOntoWhite555",
                  [] { return Apply<Add555>(Prepare(255), 0x7FFF, 0x7FFF); }, 0xFFFF},
        PixelCase{"AddBlackClearsBit15",
                  [] { return Apply<Add555>(Prepare(128), 0, 0x8000 | 0x1234); }, 0x1234},
        // The wide-register add: (31 * 255) >> 8 = 30 onto 0; 63 gives 62.
        PixelCase{"MmxAddOfMaximaOntoBlack",
                  [] { return Apply<MmxAdd16<F565>>(Prepare(255), 0xFFFF, 0); }, 0xF7DE},
        PixelCase{"MmxAddSaturatesAtTheMaxima",
                  [] { return Apply<MmxAdd16<F565>>(Prepare(255), 0xFFFF, 0x0821); }, 0xFFFF},
        // 30 + 15 saturates at 31; green 1 + 0; blue 0 + 7.
        PixelCase{"MmxAddSaturatesOneChannel",
                  [] { return Apply<MmxAdd16<F555>>(Prepare(128), 0x7C0F, 0x7820); }, 0x7C27},
        // Bright (255, 255, 254): 31 -> 30, 63 -> 62.
        PixelCase{"TintNearWhiteDarkens",
                  [] { return Apply<Tint16<F565>>(Prepare(0, Bright(255, 255, 254)), 0xFFFF, 0); },
                  0xF7DE},
        // P[1] + Q[2] = 0 + 0; the wide-register sum (128 + 254) >> 8 = 1.
        PixelCase{"TableBlendOfOneOverTwo",
                  [] { return Apply<TableBlend16<F565>>(Prepare(128), 0x0821, 0x1042); }, 0x0000},
        PixelCase{"MmxBlendOfOneOverTwo",
                  [] { return Apply<MmxBlend16<F565>>(Prepare(128), 0x0821, 0x1042); }, 0x0821},
        // 31 over 31: P[31] + Q[31] = 15 + 15 and (31 * 128 + 31 * 127) >> 8 = 30 both.
        PixelCase{"TableBlendOfEqualMaxima",
                  [] { return Apply<TableBlend16<F555>>(Prepare(128), 0x7FFF, 0x7FFF); }, 0x7BDE},
        PixelCase{"MmxBlendOfEqualMaxima",
                  [] { return Apply<MmxBlend16<F555>>(Prepare(128), 0x7FFF, 0x7FFF); }, 0x7BDE},
        // Tinted table blend: T = 30, 62, 30 at bright 255, then P[T] + Q[0].
        PixelCase{"TintTableBlendOverBlack",
                  [] {
                    return Apply<TableBlend16<F565, TintChannel>>(
                        Prepare(255, Bright(255, 255, 255)), 0xFFFF, 0);
                  },
                  (29u << 11) | (61u << 5) | 29u},
        // Alpha 255 with p = 254 weighs a' = 253: T 30 -> 29, 62 -> 61; never s itself.
        PixelCase{"WeightedOpaqueAtTwoFiftyFour",
                  [] {
                    return ApplyAlpha<Weighted16<F565>>(Prepare(254, Bright(255, 255, 255)), 0xFFFF,
                                                        0, 255);
                  },
                  (29u << 11) | (61u << 5) | 29u},
        // Coverage of T (30, 62, 30) over black at a = 128: 15, 31, 15.
        PixelCase{"CoverageHalfOverBlack",
                  [] {
                    return ApplyAlpha<Coverage16<F565>>(Prepare(0, Bright(255, 255, 255)), 0xFFFF,
                                                        0, 128);
                  },
                  0x7BEF},
        // The in-place blend adds the whole d: red 1 + (0x800 * 128 >> 8) with green 63 and
        // blue 31 below it carries into red 2, where channel by channel it would stay 1.
        PixelCase{"InPlaceCarryLeak",
                  [] {
                    return ApplyAlpha<InPlace16<F565, AlphaWeight16, Copy16>>(Prepare(0), 0x17FF,
                                                                              0x0FFF, 128);
                  },
                  0x17FF},
        // Negative differences are floored: blue (0 - 1) * 128 >> 8 = -1 takes 1 from d's
        // blue 1 and leaves 0.
        PixelCase{"InPlaceFloorsNegativeSteps",
                  [] {
                    return ApplyAlpha<InPlace16<F565, AlphaWeight16, Copy16>>(Prepare(0), 0x0000,
                                                                              0x0001, 128);
                  },
                  0x0000},
        // Mode 1 with an alpha map and no bright: 255 is the table blend P[s] + Q[d].
        PixelCase{"AlphaTableBlendOpaque",
                  [] {
                    return ApplyAlpha<InPlace16<F565, ParamAlphaWeight16, TableBlend16<F565>>>(
                        Prepare(128), 0x0821, 0x1042, 255);
                  },
                  0x0000},
        // Add with an alpha map: 255 scales by p alone (P[31] = 15 at p = 128), a partial byte
        // by a' = (128 * 128) >> 8 = 64: (31 * 64) >> 8 = 7.
        PixelCase{"AddAlphaOpaqueScalesByP",
                  [] {
                    return ApplyAlpha<AddGuard16<F555, AlphaTerm16<F555>>>(Prepare(128), 0x001F, 0,
                                                                           255);
                  },
                  15},
        PixelCase{"AddAlphaPartialScalesByAPrime",
                  [] {
                    return ApplyAlpha<AddGuard16<F555, AlphaTerm16<F555>>>(Prepare(128), 0x001F, 0,
                                                                           128);
                  },
                  7},
        // With bright, 255 weighs (255 * 255) >> 8 = 254: T[31] = 30, (30 * 254) >> 8 = 29.
        PixelCase{"AddTintAlphaOpaqueWeighs254",
                  [] {
                    return ApplyAlpha<AddGuard16<F555, TintAlphaTerm16<F555>>>(
                        Prepare(255, Bright(255, 255, 255)), 0x001F, 0, 255);
                  },
                  29},
        // Multiply: white without bright keeps d; black gives 0; bright 255 makes white 30.
        PixelCase{"MultiplyByWhiteKeeps",
                  [] { return Apply<Multiply16<F565>>(Prepare(0), 0xFFFF, 0x5AC3); }, 0x5AC3},
        PixelCase{"MultiplyByBlack", [] { return Apply<Multiply16<F565>>(Prepare(0), 0, 0xFFFF); },
                  0x0000},
        PixelCase{"MultiplyTintedWhite",
                  [] {
                    return Apply<Multiply16<F565, TintChannel>>(Prepare(0, Bright(255, 255, 255)),
                                                                0xFFFF, 0xFFFF);
                  },
                  0xF7DE}));

// ---- generic layouts ----

INSTANTIATE_TEST_SUITE_P(
    GenericLayouts, Rules16,
    ::testing::Values(
        // 4:4:4 guard add: G = 0x1110, E = 0x0EEE, U = 0x0111, shift 4. Red 15 + 14
        // saturates and its carry stays in bit 12, free in this layout; blue (1 & 0xE) + 14
        // with the lowest bits ORed gives 15.
        PixelCase{"AddGeneric444",
                  [] {
                    return Apply<AddGuard16<FGeneric16, PlainTerm16<FGeneric16>>>(
                        Prepare(255, kNoBright, k444), 0x0F0F, 0x0F01);
                  },
                  0x1F0F},
        // Blue above red (blue 0x0F00): blue is taken with its shift, P[15] = 14 placed at bit 8.
        PixelCase{"AddGenericBlueAtTheTop",
                  [] {
                    return Apply<AddGuard16<FGeneric16, PlainTerm16<FGeneric16>>>(
                        Prepare(255, kNoBright, Layout(0x000F, 0x00F0, 0x0F00)), 0x0F00, 0);
                  },
                  0x0E00},
        // 15 - 14 in red and blue; green 0 - 0 keeps the guard of blue, its lowest bit.
        PixelCase{"SubGeneric444",
                  [] {
                    return Apply<SubGuard16<FGeneric16, PlainTerm16<FGeneric16>>>(
                        Prepare(255, kNoBright, k444), 0x0F0F, 0x0F0F);
                  },
                  0x0111},
        // A 10-bit red: P[1023] = (1023 * 255) >> 8 = 1019, past a 256-entry row.
        PixelCase{"TableBlendOfAWideChannel",
                  [] {
                    return Apply<TableBlend16<FGeneric16>>(
                        Prepare(255, kNoBright, Layout(0xFFC0, 0x0038, 0x0007)), 0xFFC0, 0);
                  },
                  1019u << 6},
        PixelCase{"MmxBlendOfAWideChannel",
                  [] {
                    return Apply<MmxBlend16<FGeneric16>>(
                        Prepare(128, kNoBright, Layout(0xFFC0, 0x0038, 0x0007)), 0xFFC0, 0xFFC0);
                  },
                  1019u << 6},
        // An empty green channel multiplies to 0 instead of dividing by 0.
        PixelCase{"MultiplyWithAnEmptyChannel",
                  [] {
                    return Apply<Multiply16<FGeneric16>>(
                        Prepare(0, kNoBright, Layout(0xF800, 0, 0x1F)), 0xFFFF, 0xFFFF);
                  },
                  0xF81F},
        PixelCase{"MultiplyGeneric444",
                  [] {
                    return Apply<Multiply16<FGeneric16>>(Prepare(0, kNoBright, k444), 0x0F05,
                                                         0x0A0F);
                  },
                  0x0A05},
        PixelCase{"MmxAddGeneric444Saturates",
                  [] {
                    return Apply<MmxAdd16<FGeneric16>>(Prepare(255, kNoBright, k444), 0x0FFF,
                                                       0x0808);
                  },
                  0x0FEF}));

TEST(Rules16Generic, ConstantsFollowTheLayout) {
  const Setup16 s = Prepare(0, kNoBright, k444);
  const GuardConstants16 k = GuardConstantsOf<FGeneric16>(s);
  EXPECT_EQ(k.guard, 0x1110u);
  EXPECT_EQ(k.keep, 0x0EEFu);  // blue's lowest bit is no guard: it is added
  EXPECT_EQ(k.low, 0x0111u);   // and ORed
  EXPECT_EQ(k.maskShift, 4);
  // On the masks of 5:6:5 the generic constants differ from the fixed ones only in blue's
  // lowest bit, which the fixed layout adds without ORing.
  const Setup16 g = Prepare(0, kNoBright, k565);
  const GuardConstants16 generic = GuardConstantsOf<FGeneric16>(g);
  const GuardConstants16 fixed = GuardConstantsOf<F565>(g);
  EXPECT_EQ(generic.guard, fixed.guard);
  EXPECT_EQ(generic.keep, fixed.keep);
  EXPECT_EQ(generic.low, fixed.low | 1u);
  EXPECT_EQ(generic.maskShift, fixed.maskShift);
  // The red width serves every channel; an empty channel leaves its guard at its shift.
  const GuardConstants16 odd =
      GuardConstantsOf<FGeneric16>(Prepare(0, kNoBright, Layout(0x7000, 0, 0x00FF)));
  EXPECT_EQ(odd.maskShift, 3);
  EXPECT_EQ(odd.guard, (1u << 15) | 1u | (1u << 8));
}

// ---- properties ----

// The table blend rounds both halves down, the wide-register blend once: never above it, at
// most one below, for every pair of channel values and every parameter.
TEST(Rules16Property, TableBlendIsAtMostOneBelowTheMmxBlend) {
  for (uint32_t p = 0; p < 256; ++p) {
    const Setup16 s = Prepare(p);
    const TableBlend16<F565> table(s);
    const MmxBlend16<F565> mmx(s);
    for (uint32_t sc = 0; sc < 64; ++sc) {
      for (uint32_t dc = 0; dc < 64; ++dc) {
        // Green carries the 6-bit values, red and blue their top five bits.
        const uint32_t src = (sc >> 1) << 11 | sc << 5 | (sc >> 1);
        const uint32_t dst = (dc >> 1) << 11 | dc << 5 | (dc >> 1);
        const uint32_t t = table(src, dst), m = mmx(src, dst);
        for (int c = 0; c < 3; ++c) {
          const uint32_t tc = F565::Channel(t, c), mc = F565::Channel(m, c);
          ASSERT_LE(tc, mc) << "p " << p << " s " << sc << " d " << dc << " channel " << c;
          ASSERT_LE(mc - tc, 1u) << "p " << p << " s " << sc << " d " << dc << " channel " << c;
        }
      }
    }
  }
}

TEST(Rules16Property, ReciprocalsDivideExactly) {
  for (uint32_t x = 0; x <= 31 * 31; ++x) ASSERT_EQ(DivideBy31(x), x / 31) << x;
  for (uint32_t x = 0; x <= 63 * 63; ++x) ASSERT_EQ(DivideBy63(x), x / 63) << x;
}

// The guard add saturates a channel that carries and never lowers one; the subtract clamps at 0
// and never raises one (the lowest bits of green and red aside, which serve as guards).
TEST(Rules16Property, GuardAddAndSubtractStayOnTheirSide) {
  std::mt19937 rng(5);
  for (int i = 0; i < 20000; ++i) {
    const uint32_t p = rng() % 256, src = rng() & 0xFFFF, dst = rng() & 0xFFFF;
    const Setup16 s = Prepare(p);
    const uint32_t x = PlainTerm16<F565>(s)(src);
    const uint32_t sum = Apply<Add565>(s, src, dst), diff = Apply<Sub565>(s, src, dst);
    for (int c = 0; c < 3; ++c) {
      const uint32_t dc = F565::Channel(dst, c), xc = F565::Channel(x, c);
      const uint32_t max = F565::Max(c);
      // A carry fills the channel above its lowest bit; that bit is the OR of d's and x's
      // (and of the carry from below), so green may stop at 62.
      if (dc + xc > max) {
        EXPECT_EQ(F565::Channel(sum, c) | 1, max) << i << " channel " << c;
      }
      EXPECT_GE(F565::Channel(sum, c) | 1, dc | 1) << i << " channel " << c;
      EXPECT_LE(F565::Channel(diff, c) & ~1u, dc | 1) << i << " channel " << c;
      if (xc > (dc | 1)) {
        EXPECT_EQ(F565::Channel(diff, c), 0u) << i << " channel " << c;
      }
    }
  }
}

// Bit 15 of a 5:5:5 pixel: a copy keeps it, the XOR combines it, a computed pixel writes 0
// unless the guard add carries out of red.
TEST(Rules16Property, BitFifteenOfFiveFiveFive) {
  const Setup16 s = Prepare(128, Bright(200, 100, 50), Layout(0x7C00, 0x03E0, 0x001F));
  const uint32_t src = 0x8000 | 0x1234, dst = 0x8000 | 0x0421;
  EXPECT_EQ(Apply<Copy16>(s, src, dst), src);
  EXPECT_EQ(Apply<Xor16>(s, src, dst) & 0x8000, 0u);
  EXPECT_EQ(Apply<Xor16>(s, src, 0x0421) & 0x8000, 0x8000u);
  const std::vector<uint32_t> computed = {
      Apply<Tint16<F555>>(s, src, dst),
      Apply<TableBlend16<F555>>(s, src, dst),
      Apply<MmxBlend16<F555>>(s, src, dst),
      Apply<MmxAdd16<F555>>(s, src, dst),
      Apply<Sub555>(s, src, dst),
      Apply<Add555>(s, src, dst),
      Apply<Multiply16<F555>>(s, src, dst),
      ApplyAlpha<Coverage16<F555>>(s, src, dst, 9),
      ApplyAlpha<Weighted16<F555>>(s, src, dst, 9),
      ApplyAlpha<InPlace16<F555, AlphaWeight16, Copy16>>(s, src, dst, 9)};
  for (size_t i = 0; i < computed.size(); ++i) EXPECT_EQ(computed[i] & 0x8000, 0u) << i;
  EXPECT_EQ(Apply<Add555>(Prepare(255), 0x7C00, 0x7C00) & 0x8000, 0x8000u);
}

// ---- the eight-wide forms ----

#if defined(MORROW_RASTER_SSE2)

template <class Rule>
void ExpectEightWideEqualsScalar(const FGeneric16& layout, uint32_t seed) {
  std::mt19937 rng(seed);
  for (int round = 0; round < 300; ++round) {
    static constexpr uint32_t kParams[] = {0, 1, 128, 254, 255};
    const uint32_t bright = round % 2 == 0 ? kNoBright : rng() | 0xFF000000u;
    const Setup16 s = MakeSetup16(kParams[round % 5], bright, Products(), layout);
    const Rule rule(s);
    alignas(16) uint16_t src[8], dst[8], out[8];
    for (int i = 0; i < 8; ++i) {
      src[i] = static_cast<uint16_t>(rng());
      dst[i] = static_cast<uint16_t>(rng());
    }
    const Vec v = rule.Apply8(_mm_load_si128(reinterpret_cast<const Vec*>(src)),
                              _mm_load_si128(reinterpret_cast<const Vec*>(dst)));
    _mm_store_si128(reinterpret_cast<Vec*>(out), v);
    for (int i = 0; i < 8; ++i) {
      ASSERT_EQ(out[i], static_cast<uint16_t>(rule(src[i], dst[i])))
          << "round " << round << " lane " << i << " s " << src[i] << " d " << dst[i];
    }
  }
}

TEST(Rules16EightWide, EqualsTheScalarForm) {
  const FGeneric16 k555 = Layout(0x7C00, 0x03E0, 0x001F);
  ExpectEightWideEqualsScalar<TableBlend16<F565>>(k565, 1);
  ExpectEightWideEqualsScalar<TableBlend16<F555>>(k555, 2);
  ExpectEightWideEqualsScalar<TableBlend16<F565, TintChannel>>(k565, 3);
  ExpectEightWideEqualsScalar<TableBlend16<F555, TintChannel>>(k555, 4);
  ExpectEightWideEqualsScalar<TableBlend16<FGeneric16>>(k444, 5);
  ExpectEightWideEqualsScalar<MmxBlend16<F555>>(k555, 6);
  ExpectEightWideEqualsScalar<MmxBlend16<FGeneric16>>(k565, 7);
  ExpectEightWideEqualsScalar<MmxBlend16<FGeneric16>>(k444, 8);
  ExpectEightWideEqualsScalar<Add565>(k565, 9);
  ExpectEightWideEqualsScalar<Add555>(k555, 10);
  ExpectEightWideEqualsScalar<AddGuard16<F565, TintTerm16<F565>>>(k565, 11);
  ExpectEightWideEqualsScalar<AddGuard16<F555, TintTerm16<F555>>>(k555, 12);
  ExpectEightWideEqualsScalar<AddGuard16<FGeneric16, PlainTerm16<FGeneric16>>>(k444, 13);
  ExpectEightWideEqualsScalar<Sub565>(k565, 14);
  ExpectEightWideEqualsScalar<Sub555>(k555, 15);
  ExpectEightWideEqualsScalar<SubGuard16<F565, TintTerm16<F565>>>(k565, 16);
  ExpectEightWideEqualsScalar<SubGuard16<FGeneric16, PlainTerm16<FGeneric16>>>(k444, 17);
  ExpectEightWideEqualsScalar<MmxAdd16<F565>>(k565, 18);
  ExpectEightWideEqualsScalar<MmxAdd16<F555>>(k555, 19);
  ExpectEightWideEqualsScalar<MmxAdd16<FGeneric16>>(k444, 20);
}

#endif

// Layouts the vector loops take, and those left to the reference loops.
TEST(Rules16EightWide, GenericLayoutsThatFitTheLanes) {
  EXPECT_TRUE(FitsLanes16(k444));
  EXPECT_TRUE(FitsLanes16(k565));
  EXPECT_FALSE(FitsLanes16(Layout(0xFFC0, 0x0038, 0x0007)));  // a 10-bit channel
}

// ---- walkers ----

// A row of 16-bit pixels in a 16-byte aligned buffer, so that pixel 1 lies at an address that
// is not a multiple of 4.
struct Rows16 {
  alignas(16) uint16_t dest[64] = {};
  alignas(16) uint16_t src[64] = {};
};

struct XorCase {
  const char* name;
  int first;  // pixel index of the first destination pixel: odd is not 4-byte aligned
  int width;
  int height;
  int pitch;  // pixels per row in all three surfaces
};

void PrintTo(const XorCase& c, std::ostream* os) {
  *os << c.name;
}

class XorRows : public ::testing::TestWithParam<XorCase> {};

// Every pixel of the rectangle becomes s XOR d, nothing outside it changes, whatever the cut.
TEST_P(XorRows, WritesExactlyTheRectangle) {
  const XorCase& c = GetParam();
  Rows16 b;
  for (int i = 0; i < 64; ++i) {
    b.dest[i] = static_cast<uint16_t>(0x1000 + i);
    b.src[i] = static_cast<uint16_t>(0xA5A5 ^ (i * 77));
  }
  const Rows16 before = b;
  RectSurfaces r;
  r.dest = reinterpret_cast<uint8_t*>(b.dest + c.first);
  r.read = r.dest;
  r.src = reinterpret_cast<const uint8_t*>(b.src + c.first);
  r.width = c.width;
  r.height = c.height;
  r.destSkip = r.srcSkip = r.readSkip = 2 * (c.pitch - c.width);
  XorRows16(r);
  for (int i = 0; i < 64; ++i) {
    const int row = (i - c.first) / c.pitch, col = (i - c.first) % c.pitch;
    const bool inside = i >= c.first && row < c.height && col < c.width;
    const uint16_t want =
        inside ? static_cast<uint16_t>(before.dest[i] ^ before.src[i]) : before.dest[i];
    EXPECT_EQ(b.dest[i], want) << "pixel " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, XorRows,
    ::testing::Values(XorCase{"WidthOneHeadOnly", 1, 1, 3, 5},
                      XorCase{"WidthOneTailOnly", 0, 1, 3, 5}, XorCase{"HeadPairsTail", 1, 6, 2, 8},
                      XorCase{"PairsOnly", 0, 6, 2, 8}, XorCase{"PairsAndTail", 0, 7, 2, 9},
                      // An odd pitch: later rows start misaligned, the first row's cut holds.
                      XorCase{"OddPitch", 0, 4, 4, 7}, XorCase{"OddPitchWithHead", 1, 5, 4, 7}));

// With the key, pixels whose source equals K keep their destination, and XOR twice restores.
TEST(Walkers16, KeyedXorLeavesKeyedPixelsAndTwiceRestores) {
  Rows16 b;
  for (int i = 0; i < 64; ++i) {
    b.dest[i] = static_cast<uint16_t>(i * 1031);
    b.src[i] = i % 3 == 0 ? 0x07E0 : static_cast<uint16_t>(0x8000 | i);
  }
  const Rows16 before = b;
  RectSurfaces r;
  r.dest = reinterpret_cast<uint8_t*>(b.dest);
  r.read = r.dest;
  r.src = reinterpret_cast<const uint8_t*>(b.src);
  r.width = 64;
  r.height = 1;
  const Setup16 s = Prepare(0);
  RectWalk<F565, KeyGate::kCompare, AlphaGate::kNone>(r, 0xFFFF07E0u, Xor16(s));
  for (int i = 0; i < 64; ++i) {
    if (i % 3 == 0) {
      EXPECT_EQ(b.dest[i], before.dest[i]) << i;
    } else {
      EXPECT_NE(b.dest[i], before.dest[i]) << i;
    }
  }
  RectWalk<F565, KeyGate::kCompare, AlphaGate::kNone>(r, 0x07E0u, Xor16(s));
  for (int i = 0; i < 64; ++i) EXPECT_EQ(b.dest[i], before.dest[i]) << i;
}

#if defined(MORROW_RASTER_SSE2)
// The eight-wide walker writes what the scalar walker writes, keyed pixels inside groups
// included, and stops at the row's end.
TEST(Walkers16, EightWideWalkerMatchesTheScalarOne) {
  std::mt19937 rng(17);
  const Setup16 s = Prepare(200, Bright(90, 180, 250));
  for (int width : {1, 7, 8, 9, 15, 16, 23}) {
    std::vector<uint16_t> src(3 * 24), scalar(3 * 24 + 1), vector;
    for (uint16_t& v : src) v = rng() % 4 == 0 ? 0x1234 : static_cast<uint16_t>(rng());
    for (uint16_t& v : scalar) v = static_cast<uint16_t>(rng());
    vector = scalar;
    auto walk = [&](std::vector<uint16_t>& dest, bool wide) {
      RectSurfaces r;
      r.dest = reinterpret_cast<uint8_t*>(dest.data());
      r.read = r.dest;
      r.src = reinterpret_cast<const uint8_t*>(src.data());
      r.width = width;
      r.height = 3;
      r.destSkip = r.srcSkip = r.readSkip = 2 * (24 - width);
      const AddGuard16<F565, TintTerm16<F565>> rule(s);
      if (wide) {
        RectWalkSse2_16<F565, KeyGate::kCompare>(r, 0x1234, rule);
      } else {
        RectWalk<F565, KeyGate::kCompare, AlphaGate::kNone>(r, 0x1234, rule);
      }
    };
    walk(scalar, false);
    walk(vector, true);
    EXPECT_EQ(vector, scalar) << "width " << width;
  }
}
#endif

}  // namespace
