// One headless battle, or a soak of many, each in its own process.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
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

// Child runs that run at once, each from a thread of its own, and end together when one of them,
// or a thread for them, cannot start: every other child is then stopped (SIGTERM, as a stop
// signal stops it, so that it takes its work folder away) and reaped, and none more is started.
class ChildRuns {
 public:
  // Runs work(k) for every k below `jobs` at once (toolrun::RunAtOnce), each starting its children
  // through Run. "" once all have returned; else the line the tool ends with, with status 1 and
  // after every child has ended: "cannot start a thread: REASON" or "cannot start a run: REASON",
  // REASON in the system's words.
  std::string RunAtOnce(size_t jobs, const std::function<void(size_t)>& work);
  // Runs this program with `args` in a child process, its stdout and stderr collected, ended by an
  // alarm after `seconds`; a child is also stopped when this program ends without reaping it.
  // true once the child was reaped (stopped, when the runs were given up meanwhile); false when it
  // could not start, which gives up the others, or they had been given up before.
  bool Run(const std::vector<std::string>& args, unsigned seconds, ChildRun* run);
  // Whether the runs were given up: work takes no more.
  bool GivenUp() const { return givenUp_.load(); }

 private:
  std::atomic<bool> givenUp_{false};
  std::mutex failureLock_;
  std::string failure_;  // the first child's that could not start
};

// How long a child that runs `frames` frames may take before it counts as hung.
unsigned ChildSeconds(int64_t frames);

// Why a child that did not exit cleanly failed: "did not end in time", "ended by signal N" or
// "exit status N".
std::string ChildFailure(const ChildRun& run);

// The text after the last `word` in a run's output: `length` characters, or up to the next blank
// or line end when length is -1; "?" when the word is missing.
std::string AfterWord(const std::string& output, const std::string& word, int length);

}  // namespace battlesim
