// The round robin's tallies, with made-up match outcomes: wins, losses and draws as half points,
// both orders of a pairing together, overall shares, the worst pairing, the verdict at its exact
// bounds, failed matches and pairings without matches.
#include "tools/battle-sim/round_robin_tally.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/text_lines.h"

namespace {

using battlesim::MatchKey;
using battlesim::MatchOutcome;
using battlesim::RoundRobinPlan;
using battlesim::TallyRoundRobin;
using testsupport::Lines;

std::string NoReason(const MatchKey&) {
  return "made up";
}

RoundRobinPlan Plan(std::vector<int> chars, uint32_t seeds, int arenas) {
  RoundRobinPlan plan;
  plan.chars = std::move(chars);
  plan.firstSeed = 1;
  plan.lastSeed = seeds;
  for (int a = 0; a < arenas; ++a) plan.arenas.push_back(a);
  return plan;
}

TEST(RoundRobinTally, PlanOrderAndGameSeeds) {
  const std::vector<MatchKey> matches = battlesim::PlanMatches(Plan({3, 1, 2}, 2, 2));
  ASSERT_EQ(matches.size(), 6u * 2 * 2);
  EXPECT_EQ(matches[0].a, 3);
  EXPECT_EQ(matches[0].b, 1);
  EXPECT_EQ(matches[1].arena, 1) << "arenas nest innermost";
  EXPECT_EQ(matches[2].seed, 2u);
  EXPECT_EQ(matches[4].b, 2);
  EXPECT_EQ(matches[8].a, 1);
  EXPECT_EQ(battlesim::GameSeedOf({15, 14, 4, 9}), 4u + 1000u * 254 + 9000000u);
  EXPECT_EQ(battlesim::GameSeedOf({0, 1, 1, 0}), 1001u);
}

// Three characters, one seed, two arenas: 0 beats everyone as player 0 and draws as player 1;
// 1 against 2 splits by arena.
TEST(RoundRobinTally, HalfPointsBothOrdersAndOverall) {
  auto play = [](const MatchKey& m) {
    if (m.a == 0) return MatchOutcome::kFirstWins;
    if (m.b == 0) return MatchOutcome::kDraw;
    return m.arena == 0 ? MatchOutcome::kFirstWins : MatchOutcome::kSecondWins;
  };
  const battlesim::RoundRobinReport report = TallyRoundRobin(Plan({0, 1, 2}, 1, 2), play, NoReason);
  EXPECT_EQ(report.failures, 0);
  EXPECT_FALSE(report.balanced);
  const std::vector<std::string> want = {
      "round-robin: 6 pairs x 1 seeds x 2 arenas = 12 matches",
      "        0      1      2",
      " 0      -   75.0   75.0",
      " 1   25.0      -   50.0",
      " 2   25.0   50.0      -",
      "overall 0 75.0%",
      "overall 1 37.5%",
      "overall 2 37.5%",
      "draws 4",
      "worst pairing 1 0 25.0%",
      "balance: out (1 characters outside 35-65%, 0 pairings beyond 20/80)",
  };
  EXPECT_EQ(Lines(report.text), want);
}

// The bounds are inclusive and exact: a share of exactly 35.0, 65.0, 20.0 or 80.0 is inside,
// one match more either way is outside.
TEST(RoundRobinTally, BoundsAtExactly35And65And20And80) {
  struct Case {
    const char* name;
    int winsOf0Against1;  // of 20 matches between 0 and 1 (both orders, ten seeds)
    int winsOf0Against2;
    bool balanced;
    std::string verdict;
  } cases[] = {
      // 0 vs 1: 16/20 = 80.0%; 0 vs 2: 10/20; overall 0 = 26/40 = 65.0%, overall 1 = 35.0%.
      {"at 80 and 65", 16, 10, true, "balance: ok"},
      // 17/20 = 85% beyond 80; overall 0 = 27/40 = 67.5%, overall 1 = 13/40 = 32.5%.
      {"beyond 80 and 65", 17, 10, false,
       "balance: out (2 characters outside 35-65%, 1 pairings beyond 20/80)"},
      // 4/20 = 20.0%; overall 0 = 14/40 = 35.0%; 1 takes 16/40 + its half of 1-2 = 26/40.
      {"at 20 and 35", 4, 10, true, "balance: ok"},
      {"below 20 and 35", 3, 10, false,
       "balance: out (2 characters outside 35-65%, 1 pairings beyond 20/80)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto play = [&c](const MatchKey& m) {
      const int s = static_cast<int>(m.seed) - 1;  // 0-9
      auto zeroWins = [&](int wins) {
        // Of the 20 matches, the first ten seeds as player 0, then as player 1.
        const int index = m.a == 0 ? s : 10 + s;
        const bool zero = index < wins;
        return (m.a == 0) == zero ? MatchOutcome::kFirstWins : MatchOutcome::kSecondWins;
      };
      if (m.a + m.b == 1) return zeroWins(c.winsOf0Against1);
      if (m.a + m.b == 2) return zeroWins(c.winsOf0Against2);
      return m.seed % 2 == 0 ? MatchOutcome::kFirstWins : MatchOutcome::kSecondWins;
    };
    const battlesim::RoundRobinReport report =
        TallyRoundRobin(Plan({0, 1, 2}, 10, 1), play, NoReason);
    EXPECT_EQ(report.balanced, c.balanced);
    EXPECT_EQ(Lines(report.text).back(), c.verdict) << report.text;
  }
}

// A failed match counts for nobody and is named; a pairing whose every match failed prints "-"
// and counts for no bound.
TEST(RoundRobinTally, FailuresAndPairingsWithoutMatches) {
  auto play = [](const MatchKey& m) {
    if ((m.a == 0 && m.b == 1) || (m.a == 1 && m.b == 0)) return MatchOutcome::kFailed;
    return m.a == 2 ? MatchOutcome::kSecondWins : MatchOutcome::kFirstWins;
  };
  const battlesim::RoundRobinReport report = TallyRoundRobin(
      Plan({0, 1, 2}, 1, 1), play,
      [](const MatchKey& m) { return "ended by signal " + std::to_string(m.a + 10); });
  EXPECT_EQ(report.failures, 2);
  const std::vector<std::string> lines = Lines(report.text);
  const std::vector<std::string> want = {
      " 0      -      -  100.0",
      " 1      -      -  100.0",
      " 2    0.0    0.0      -",
      "overall 0 100.0%",
      "overall 1 100.0%",
      "overall 2 0.0%",
      "draws 0",
      "failed 0 1 seed 1 arena 0: ended by signal 10",
      "failed 1 0 seed 1 arena 0: ended by signal 11",
      "failures 2 (crashed or unfinished runs, not counted)",
      "worst pairing 2 0 0.0%",
      "balance: out (3 characters outside 35-65%, 2 pairings beyond 20/80)",
  };
  ASSERT_EQ(lines.size(), want.size() + 2);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()), want);

  const battlesim::RoundRobinReport none = TallyRoundRobin(
      Plan({4, 5}, 1, 1), [](const MatchKey&) { return MatchOutcome::kFailed; }, NoReason);
  const std::vector<std::string> empty = Lines(none.text);
  EXPECT_EQ(empty[2], " 4      -      -");
  EXPECT_EQ(empty[4], "overall 4 -");
  EXPECT_EQ(empty[empty.size() - 2], "worst pairing -");
  EXPECT_EQ(empty.back(), "balance: ok") << "nothing played, nothing out of bounds";
}

}  // namespace
