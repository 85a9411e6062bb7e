#include "game/battle/directions.h"

#include <climits>
#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

namespace {

using veyrdale::g_trig;
using veyrdale::GetDirectionToPoint;
using veyrdale::GetSquaredDistance;

class Directions : public ::testing::Test {
 protected:
  void SetUp() override { veyrdale::BuildTrigTables(); }
};

using TrigTables = Directions;

TEST_F(TrigTables, AxisEntriesAreExact) {
  EXPECT_EQ(g_trig.negsin[64], -256.0f);
  EXPECT_EQ(g_trig.negsin[192], 256.0f);
  EXPECT_EQ(g_trig.cos[128], -256.0f);
  EXPECT_EQ(g_trig.cos[0], 256.0f);
  // The other axis entries keep the formula's small remainders.
  EXPECT_NE(g_trig.cos[64], 0.0f);
  EXPECT_GT(std::fabs(g_trig.cos[64]), 0.0f);
  EXPECT_LT(std::fabs(g_trig.cos[64]), 0.001f);
}

TEST_F(TrigTables, StepIsTheGamesNotPi) {
  // With the step 3.141592 / 128 the diagonal entries differ from each other and from pi / 128.
  EXPECT_EQ(g_trig.cos[32], 181.019363f);
  EXPECT_EQ(g_trig.negsin[32], -181.019302f);
  EXPECT_NE(g_trig.cos[32], -g_trig.negsin[32]);
  EXPECT_NE(g_trig.cos[32], static_cast<float>(std::cos(M_PI / 4) * 256.0));
}

TEST_F(TrigTables, AtanRisesFromZeroToAnEighthTurn) {
  EXPECT_EQ(g_trig.atan[0], 0);
  EXPECT_EQ(g_trig.atan[256], 18);
  EXPECT_EQ(g_trig.atan[511], 31);
  EXPECT_EQ(g_trig.atan[512], 32);
  for (int i = 1; i <= 512; ++i) {
    ASSERT_GE(g_trig.atan[i], g_trig.atan[i - 1]) << i;
    // Each entry is the angle of slope i/512 in headings, truncated.
    double exact = std::atan(i / 512.0) * 128.0 / 3.141592;
    ASSERT_NEAR(g_trig.atan[i], exact, 1.0) << i;
    ASSERT_LE(g_trig.atan[i], exact + 1e-9) << i;
  }
}

TEST_F(TrigTables, LookupsMaskTheHeading) {
  struct Case {
    int heading;
    int entry;
  } cases[] = {{0, 0},     {255, 255},     {256, 0},     {256 + 64, 64},    {-1, 255},
               {-64, 192}, {INT_MAX, 255}, {INT_MIN, 0}, {1000, 1000 & 255}};
  for (const Case& c : cases) {
    EXPECT_EQ(veyrdale::CosOf(c.heading), g_trig.cos[c.entry]) << c.heading;
    EXPECT_EQ(veyrdale::NegSinOf(c.heading), g_trig.negsin[c.entry]) << c.heading;
  }
}

TEST_F(Directions, OctantsAndBoundaries) {
  struct Case {
    int x1, y1, x2, y2, want;
  } cases[] = {
      // The axes and diagonals.
      {0, 0, 10, 0, 0},
      {0, 0, 0, 10, 64},
      {0, 0, -10, 0, 128},
      {0, 0, 0, -10, 192},
      {0, 0, 10, 10, 32},
      {0, 0, -10, 10, 96},
      {0, 0, -10, -10, 160},
      {0, 0, 10, -10, 224},
      // One point in each of the eight octants.
      {0, 0, 10, 5, 18},
      {0, 0, 5, 10, 46},
      {0, 0, -5, 10, 82},
      {0, 0, -10, 5, 110},
      {0, 0, -10, -5, 146},
      {0, 0, -5, -10, 174},
      {0, 0, 5, -10, 210},
      {0, 0, 10, -5, 238},
      // The origin does not matter.
      {100, -40, 110, -35, 18},
      // Equal points.
      {5, 5, 5, 5, 0},
      {-7, 3, -7, 3, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetDirectionToPoint(c.x1, c.y1, c.x2, c.y2), c.want)
        << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2;
  }
}

TEST_F(Directions, FollowTheTrueAngleWithinOneStep) {
  for (int dx = -40; dx <= 40; dx += 3) {
    for (int dy = -40; dy <= 40; dy += 7) {
      if (dx == 0 && dy == 0) continue;
      double turns = std::atan2(dy, dx) / (2 * M_PI);
      double exact = std::fmod(turns * 256.0 + 256.0, 256.0);
      int got = GetDirectionToPoint(0, 0, dx, dy);
      ASSERT_GE(got, 0);
      ASSERT_LE(got, 255);
      double diff = std::fabs(got - exact);
      diff = std::fmin(diff, 256.0 - diff);
      ASSERT_LT(diff, 1.5) << dx << "," << dy << " gave " << got << " for " << exact;
    }
  }
}

TEST_F(Directions, HugeCoordinatesStayExact) {
  struct Case {
    int x1, y1, x2, y2, want;
  } cases[] = {
      {0, 0, 5000000, 4999999, 31},  {INT_MIN, 0, INT_MAX, 0, 0},
      {INT_MAX, 0, INT_MIN, 0, 128}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX, 32},
      {0, INT_MAX, 0, INT_MIN, 192}, {INT_MAX, INT_MAX, INT_MAX, INT_MAX, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetDirectionToPoint(c.x1, c.y1, c.x2, c.y2), c.want)
        << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2;
  }
}

TEST(SquaredDistance, SaturatesInsteadOfWrapping) {
  struct Case {
    int x1, y1, x2, y2;
    int want;
  } cases[] = {
      {0, 0, 3, 4, 25},
      {-3, -4, 0, 0, 25},
      {46340, 0, 0, 0, 2147395600},
      {46341, 0, 0, 0, INT32_MAX},
      {0, 0, 50000, 0, INT32_MAX},
      {INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT32_MAX},
      {7, 7, 7, 7, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetSquaredDistance(c.x1, c.y1, c.x2, c.y2), c.want) << c.x1 << "," << c.y1;
  }
  EXPECT_EQ(veyrdale::GetSquaredDistance64(0, 0, 50000, 0), 2500000000ull);
  EXPECT_EQ(veyrdale::GetSquaredDistance64(INT_MIN, 0, INT_MAX, 0), 18446744065119617025ull);
  EXPECT_EQ(veyrdale::GetSquaredDistance64(INT_MIN, INT_MIN, INT_MAX, INT_MAX), UINT64_MAX);
}

}  // namespace
