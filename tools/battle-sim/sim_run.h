// One headless battle, or a soak of many, each in its own process.
#pragma once

#include <string>
#include <vector>

#include "tools/battle-sim/sim_options.h"

namespace battlesim {

// Exit codes of a run.
constexpr int kRunClean = 0;
constexpr int kRunFailed = 1;  // an invariant broke, or the battle ended on its first frame
constexpr int kRunBadInput = 2;

// Runs one battle in this process (which must not have run one before: player records and a few
// per-player values carry over between battles). Messages of failures go to stdout, of bad input
// to stderr.
int RunBattle(const SimOptions& options);

// Runs every seed of the range in a child process of its own (this program, with `args`, the
// soak's own arguments, carrying that one seed), --jobs of them at a time, and prints in seed
// order each clean seed's line "seed S chars a,b,c,d frames F winner W hash H" or each failing
// seed's output; ends with the line "soak: N runs, F failures, D distinct", D the number of
// different final states among the clean runs. 0 when every run was clean, else 1.
int RunSoak(const SimOptions& options, const std::vector<std::string>& args);

}  // namespace battlesim
