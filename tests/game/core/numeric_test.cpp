// The one truncation rule, across its edges: every copy it replaced must answer as it does here.
#include "game/core/numeric.h"

#include <cstdint>
#include <iterator>
#include <limits>

#include <gtest/gtest.h>

namespace {

using veyrdale::SaturateToInt;
using veyrdale::TruncSaturated;
using veyrdale::TruncToInt;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int32_t kMax32 = INT32_MAX;
constexpr int32_t kMin32 = INT32_MIN;
constexpr int64_t kMax64 = INT64_MAX;
constexpr int64_t kMin64 = INT64_MIN;

TEST(Numeric, TruncationTowardZeroSaturatesAndMapsNaNToZero) {
  struct Case {
    double value;
    int32_t want32;
    int64_t want64;
  } cases[] = {
      {1.9, 1, 1},
      {-1.9, -1, -1},
      {0.5, 0, 0},
      {-0.5, 0, 0},
      {2147483647.0, kMax32, 2147483647},
      {2147483647.9, kMax32, 2147483647},
      {2147483648.0, kMax32, 2147483648},
      {-2147483648.0, kMin32, -2147483648LL},
      {-2147483648.9, kMin32, -2147483648LL},
      {-2147483649.0, kMin32, -2147483649LL},
      {9.2e18, kMax32, 9200000000000000000LL},
      {9223372036854775808.0, kMax32, kMax64},
      {-9223372036854775808.0, kMin32, kMin64},
      {1e300, kMax32, kMax64},
      {-1e300, kMin32, kMin64},
      {kInf, kMax32, kMax64},
      {-kInf, kMin32, kMin64},
      {kNaN, 0, 0},
      {-kNaN, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TruncToInt(c.value), c.want32) << c.value;
    EXPECT_EQ(TruncSaturated<int64_t>(c.value), c.want64) << c.value;
  }
}

// A float argument answers as its exact double does; the largest float below 2^31 still fits.
TEST(Numeric, FloatsTruncateAsTheirDoubles) {
  const float cases[] = {2147483520.0f,
                         2147483648.0f,
                         -2147483648.0f,
                         1e20f,
                         -1e20f,
                         std::numeric_limits<float>::infinity(),
                         std::numeric_limits<float>::quiet_NaN(),
                         0.999f,
                         -0.999f};
  const int32_t want[] = {2147483520, kMax32, kMin32, kMax32, kMin32, kMax32, 0, 0, 0};
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(TruncToInt(cases[i]), want[i]) << cases[i];
  }
}

TEST(Numeric, SaturateToIntHoldsSixtyFourBitSumsInRange) {
  struct Case {
    int64_t value;
    int32_t want;
  } cases[] = {{0, 0},
               {kMax32, kMax32},
               {int64_t{kMax32} + 1, kMax32},
               {kMin32, kMin32},
               {int64_t{kMin32} - 1, kMin32},
               {kMax64, kMax32},
               {kMin64, kMin32}};
  for (const Case& c : cases) EXPECT_EQ(SaturateToInt(c.value), c.want) << c.value;
}

}  // namespace
