// The round robin's plan (which matches, in which order) and its tallies: the shares of points
// each character took against each other and overall, the draws, the worst pairing and the
// balance verdict, as the text the tool prints. No battle runs here: the outcome of each match
// comes from a function, so that the tallies can be checked with made-up outcomes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace battlesim {

struct RoundRobinPlan {
  std::vector<int> chars;  // in the order of the table
  uint32_t firstSeed = 1;
  uint32_t lastSeed = 4;
  std::vector<int> arenas;
};

// One match: character a as player 0 against character b as player 1.
struct MatchKey {
  int a = 0;
  int b = 0;
  uint32_t seed = 0;  // the round robin's seed s, not the game seed
  int arena = 0;
};

enum class MatchOutcome { kFirstWins, kSecondWins, kDraw, kFailed };

// Every ordered pair a != b of the plan's characters, every seed and every arena, in that order
// of nesting (a, then b, then seed, then arena).
std::vector<MatchKey> PlanMatches(const RoundRobinPlan& plan);

// The seed the game is seeded with for a match: s + 1000 x (16a + b) + 1000000 x arena.
uint32_t GameSeedOf(const MatchKey& match);

struct RoundRobinReport {
  std::string text;
  int failures = 0;       // matches whose run failed: they count for nobody
  bool balanced = false;  // the last line says "balance: ok"
};

// Plays the plan (`play` is called once per match, in the order of PlanMatches) and tallies it: a
// win is a point, a draw half a point each. Shares are a character's points over the matches it
// played, over both orders of a pairing for the table; a pairing without played matches prints
// "-" and counts for no bound. Balanced: every overall share within 35-65% and every pairing
// within 20-80%, bounds included. `describe` names a failed match's cause for its report line.
RoundRobinReport TallyRoundRobin(const RoundRobinPlan& plan,
                                 const std::function<MatchOutcome(const MatchKey&)>& play,
                                 const std::function<std::string(const MatchKey&)>& describe);

}  // namespace battlesim
