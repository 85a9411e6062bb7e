// One headless battle, or a soak of many, each in its own process.
#pragma once

#include <cstdint>
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

// Copies the maps of `maps` once into a throw-away work folder, so that a bad --maps is reported
// once and not by every child run; false after printing why.
bool MapsUsable(const std::string& maps);

// A child run of this program: how it ended and what it wrote.
struct ChildRun {
  int status = 0;      // as waitpid gives it
  std::string output;  // stdout and stderr together
};

// Runs this program with `args` in a child process, its stdout and stderr collected, ended by an
// alarm after `seconds`. false when the child cannot be started.
bool RunChild(const std::vector<std::string>& args, unsigned seconds, ChildRun* run);

// How long a child that runs `frames` frames may take before it counts as hung.
unsigned ChildSeconds(int64_t frames);

// Why a child that did not exit cleanly failed: "did not end in time", "ended by signal N" or
// "exit status N".
std::string ChildFailure(const ChildRun& run);

// The text after the last `word` in a run's output: `length` characters, or up to the next blank
// or line end when length is -1; "?" when the word is missing.
std::string AfterWord(const std::string& output, const std::string& word, int length);

}  // namespace battlesim
