#include <cstdint>
#include <random>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "morrow/system/time.h"

namespace {

// The state words of the 1998 seeding, built independently of the library.
std::vector<uint32_t> SeededState(uint32_t seed) {
  std::vector<uint32_t> mt(624);
  uint32_t x = seed;
  for (auto& w : mt) {
    w = x & 0xFFFF0000u;
    x = 69069u * x + 1u;
    w |= x >> 16;
    x = 69069u * x + 1u;
  }
  return mt;
}

// The standard library's MT19937, loaded with that state, is the reference generator.
std::mt19937 ReferenceGenerator(uint32_t seed) {
  std::stringstream s;
  for (uint32_t w : SeededState(seed)) s << w << ' ';
  s << 624;
  std::mt19937 g;
  s >> g;
  return g;
}

TEST(Random, KnownWordsForSeed4357) {
  morrow::SeedRandom(4357);
  const uint32_t want[] = {2867219139u, 1585203162u, 3113124129u, 2953900839u, 2463794868u};
  for (uint32_t w : want) EXPECT_EQ(morrow::NextRandomWord(), w);
}

TEST(Random, MatchesTheReferenceAcrossSeveralRefills) {
  for (uint32_t seed : {0u, 1u, 4357u, 19650218u, 0xFFFFFFFFu}) {
    morrow::SeedRandom(seed);
    std::mt19937 ref = ReferenceGenerator(seed);
    for (int i = 0; i < 624 * 3 + 5; ++i) {
      ASSERT_EQ(morrow::NextRandomWord(), ref()) << "seed " << seed << " word " << i;
    }
  }
}

TEST(Random, DrawRange) {
  morrow::SeedRandom(99);
  int ones = 0;
  for (int i = 0; i < 10000; ++i) {
    EXPECT_EQ(morrow::GetRandomNumber(0), 0);
    EXPECT_EQ(morrow::GetRandomNumber(-1), 0);
    int v = morrow::GetRandomNumber(1);
    ASSERT_TRUE(v == 0 || v == 1);
    ones += v;
    int n = morrow::GetRandomNumber(-2);
    ASSERT_TRUE(n == -1 || n == 0) << n;
    int big = morrow::GetRandomNumber(2147483647);
    ASSERT_GE(big, 0);
  }
  EXPECT_GT(ones, 4700);
  EXPECT_LT(ones, 5300);
}

TEST(Random, DrawIsTheUpperHalfOfTheProduct) {
  morrow::SeedRandom(7);
  std::mt19937 ref = ReferenceGenerator(7);
  for (int max : {0, 1, 5, 99, 1000000, 2147483647, -2, -100}) {
    uint32_t w = ref();
    int64_t want = (static_cast<int64_t>(w) * (static_cast<int64_t>(max) + 1)) >> 32;
    EXPECT_EQ(morrow::GetRandomNumber(max), want) << max;
  }
}

// A look ahead answers what the draws will, across the refill of the 624 words and for a generator
// never seeded, and leaves the generator as it was.
TEST(Random, PeekAnswersTheComingDrawsAndDrawsNothing) {
  // Unseeded; seeded and near the end of its words; seeded with every word made used up.
  for (int used : {-1, 600, 624}) {
    if (used >= 0) morrow::SeedRandom(11);
    for (int i = 0; i < used; ++i) morrow::GetRandomNumber(9);
    std::vector<int> ahead;
    for (int k = 0; k < 40; ++k) ahead.push_back(morrow::PeekRandomNumber(k % 7 - 2, k));
    for (int k = 0; k < 40; ++k) EXPECT_EQ(morrow::GetRandomNumber(k % 7 - 2), ahead[k]) << k;
  }
  EXPECT_EQ(morrow::PeekRandomNumber(5, -1), 0);
}

}  // namespace
