// battle-sim --round-robin: every ordered pair of characters plays computer against computer on
// every seed and arena of the plan, each match in a child process of its own, and the tallies of
// round_robin_tally.h are printed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/battle-sim/round_robin_tally.h"

namespace battlesim {

struct RoundRobinOptions {
  RoundRobinPlan plan;
  int difficulty = 3;
  int64_t cap = 12000;  // frames per match; a match still running then is a draw
  int jobs = 1;
  std::string maps;  // empty: the demo resources' arena maps
};

// True when the arguments ask for a round robin.
bool WantsRoundRobin(const std::vector<std::string>& args);

// The arguments after the program name, --round-robin among them. false with a message for an
// unknown option, a missing or malformed value, repeated characters, or an empty or reversed
// range.
bool ParseRoundRobinOptions(const std::vector<std::string>& args, RoundRobinOptions* out,
                            std::string* error);

// The plain battle-sim run that plays one match: both players computer-driven, handicap 2, the
// first round won decides (win count 0), time limit 1, the arena's map, a fixed date, the match's
// game seed, at most `cap` frames, with the final hash.
std::vector<std::string> MatchArgs(const RoundRobinOptions& options, const std::string& maps,
                                   const MatchKey& match);

// How a finished child run of MatchArgs ended: a win when the battle left scene 4 with a
// winner, a draw at the cap, a failure when the run did not exit cleanly.
MatchOutcome OutcomeOfRun(int status, const std::string& output);

// Runs the round robin and prints its report on stdout; progress goes to stderr when that is a
// terminal. 0 when every match ran (whatever the balance), 1 when a match failed, 2 bad input.
int RunRoundRobin(const RoundRobinOptions& options);

const char* RoundRobinUsage();

}  // namespace battlesim
