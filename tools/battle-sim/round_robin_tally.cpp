#include "tools/battle-sim/round_robin_tally.h"

#include <cstdio>

namespace battlesim {

namespace {

constexpr int kCharacters = 16;

// Points in halves, so that a draw stays a whole number and the bounds compare exactly.
struct Score {
  int64_t halfPoints = 0;
  int64_t matches = 0;

  void Add(int64_t half) {
    halfPoints += half;
    ++matches;
  }
  double Percent() const { return 50.0 * static_cast<double>(halfPoints) / matches; }
  // Within [low, high] percent, both included.
  bool Within(int low, int high) const {
    return 50 * halfPoints >= low * matches && 50 * halfPoints <= high * matches;
  }
  std::string Text() const {
    if (matches == 0) return "-";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f%%", Percent());
    return buffer;
  }
};

}  // namespace

std::vector<MatchKey> PlanMatches(const RoundRobinPlan& plan) {
  std::vector<MatchKey> matches;
  for (int a : plan.chars) {
    for (int b : plan.chars) {
      if (a == b) continue;
      for (uint64_t s = plan.firstSeed; s <= plan.lastSeed; ++s) {
        for (int arena : plan.arenas) matches.push_back({a, b, static_cast<uint32_t>(s), arena});
      }
    }
  }
  return matches;
}

uint32_t GameSeedOf(const MatchKey& m) {
  return m.seed + 1000u * static_cast<uint32_t>(16 * m.a + m.b) +
         1000000u * static_cast<uint32_t>(m.arena);
}

RoundRobinReport TallyRoundRobin(const RoundRobinPlan& plan,
                                 const std::function<MatchOutcome(const MatchKey&)>& play,
                                 const std::function<std::string(const MatchKey&)>& describe) {
  RoundRobinReport report;
  std::string& out = report.text;
  const std::vector<MatchKey> matches = PlanMatches(plan);
  const size_t n = plan.chars.size();
  char line[256];
  std::snprintf(line, sizeof line,
                "round-robin: %zu pairs x %llu seeds x %zu arenas = %zu matches\n",
                n * (n - (n > 0 ? 1 : 0)),
                static_cast<unsigned long long>(uint64_t{plan.lastSeed} - plan.firstSeed + 1),
                plan.arenas.size(), matches.size());
  out += line;

  // By character number: pairing[a][b] holds a's points against b over both orders.
  std::vector<std::vector<Score>> pairing(kCharacters, std::vector<Score>(kCharacters));
  std::vector<Score> overall(kCharacters);
  int64_t draws = 0;
  std::string failed;
  for (const MatchKey& m : matches) {
    const MatchOutcome outcome = play(m);
    if (outcome == MatchOutcome::kFailed) {
      ++report.failures;
      std::snprintf(line, sizeof line, "failed %d %d seed %u arena %d: ", m.a, m.b, m.seed,
                    m.arena);
      failed += line + describe(m) + "\n";
      continue;
    }
    const int64_t halfA = outcome == MatchOutcome::kFirstWins ? 2
                          : outcome == MatchOutcome::kDraw    ? 1
                                                              : 0;
    draws += outcome == MatchOutcome::kDraw ? 1 : 0;
    pairing[m.a][m.b].Add(halfA);
    pairing[m.b][m.a].Add(2 - halfA);
    overall[m.a].Add(halfA);
    overall[m.b].Add(2 - halfA);
  }

  out += "  ";
  for (int b : plan.chars) {
    std::snprintf(line, sizeof line, " %6d", b);
    out += line;
  }
  out += "\n";
  for (int a : plan.chars) {
    std::snprintf(line, sizeof line, "%2d", a);
    out += line;
    for (int b : plan.chars) {
      std::string cell = a == b ? "-" : pairing[a][b].Text();
      if (cell.back() == '%') cell.pop_back();
      std::snprintf(line, sizeof line, " %6s", cell.c_str());
      out += line;
    }
    out += "\n";
  }

  int outsideOverall = 0;
  for (int a : plan.chars) {
    out += "overall " + std::to_string(a) + " " + overall[a].Text() + "\n";
    if (overall[a].matches > 0 && !overall[a].Within(35, 65)) ++outsideOverall;
  }
  out += "draws " + std::to_string(draws) + "\n";
  if (report.failures > 0) {
    out += failed;
    out += "failures " + std::to_string(report.failures) +
           " (crashed or unfinished runs, not counted)\n";
  }

  int outsidePairings = 0;
  const Score* worst = nullptr;
  int worstA = 0;
  int worstB = 0;
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      const int a = plan.chars[i];
      const int b = plan.chars[j];
      const Score& s = pairing[a][b];
      if (a == b || s.matches == 0) continue;
      // Each pairing is counted once, from its first character in the table's order.
      if (i < j && !s.Within(20, 80)) ++outsidePairings;
      // The first lowest in the table's order; compared exactly, as the bounds are.
      if (worst == nullptr || s.halfPoints * worst->matches < worst->halfPoints * s.matches) {
        worst = &s;
        worstA = a;
        worstB = b;
      }
    }
  }
  if (worst == nullptr) {
    out += "worst pairing -\n";
  } else {
    out += "worst pairing " + std::to_string(worstA) + " " + std::to_string(worstB) + " " +
           worst->Text() + "\n";
  }
  report.balanced = outsideOverall == 0 && outsidePairings == 0;
  if (report.balanced) {
    out += "balance: ok\n";
  } else {
    out += "balance: out (" + std::to_string(outsideOverall) + " characters outside 35-65%, " +
           std::to_string(outsidePairings) + " pairings beyond 20/80)\n";
  }
  return report;
}

}  // namespace battlesim
