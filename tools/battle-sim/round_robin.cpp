#include "tools/battle-sim/round_robin.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "game/core/match_setup.h"
#include "platform/output_file.h"
#include "tools/battle-sim/headless.h"
#include "tools/battle-sim/sim_options.h"
#include "tools/battle-sim/sim_run.h"
#include "tools/lib/demoresources/content.h"
#include "tools/lib/demoresources/inventory.h"
#include "tools/lib/toolrun/tool_run.h"

namespace battlesim {

namespace {

namespace fs = std::filesystem;

constexpr int kCharacters = 16;
constexpr int kMaxJobs = 64;
constexpr const char* kMatchDate = "2024-01-01T12:00:00";

bool Fail(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

// A-B, both within [min, max], A not above B.
bool ParseRange(const std::string& option, const std::string& value, int64_t min, int64_t max,
                int64_t* a, int64_t* b, std::string* error) {
  if (!ParseIntegerRange(value, min, max, a, b)) {
    return Fail(error, option + " needs A-B, two whole numbers from " + std::to_string(min) +
                           " to " + std::to_string(max) + ", not '" + value + "'");
  }
  if (*a > *b) return Fail(error, option + " " + value + ": the range is reversed");
  return true;
}

bool NoRepeats(const std::string& option, const std::vector<int>& list, std::string* error) {
  for (size_t i = 0; i < list.size(); ++i) {
    for (size_t j = i + 1; j < list.size(); ++j) {
      if (list[i] == list[j]) {
        return Fail(error, option + ": " + std::to_string(list[i]) + " is given twice");
      }
    }
  }
  return true;
}

bool ParseOption(const std::string& option, const std::string& value, RoundRobinOptions* o,
                 std::string* error) {
  int64_t a = 0;
  int64_t b = 0;
  if (option == "--chars") {
    if (!ParseList(value, 0, kCharacters - 1, &o->plan.chars)) {
      return Fail(error,
                  "--chars needs comma-separated characters from 0 to 15, not '" + value + "'");
    }
    return NoRepeats(option, o->plan.chars, error);
  }
  if (option == "--seeds") {
    if (!ParseRange(option, value, 0, UINT32_MAX, &a, &b, error)) return false;
    o->plan.firstSeed = static_cast<uint32_t>(a);
    o->plan.lastSeed = static_cast<uint32_t>(b);
    return true;
  }
  if (option == "--arenas") {
    if (value.find('-', 1) != std::string::npos) {
      if (!ParseRange(option, value, 0, veyrdale::kArenaCount - 1, &a, &b, error)) return false;
      o->plan.arenas.clear();
      for (int64_t n = a; n <= b; ++n) o->plan.arenas.push_back(static_cast<int>(n));
      return true;
    }
    if (!ParseList(value, 0, veyrdale::kArenaCount - 1, &o->plan.arenas)) {
      return Fail(error,
                  "--arenas needs A-B or comma-separated arenas from 0 to 9, not '" + value + "'");
    }
    return NoRepeats(option, o->plan.arenas, error);
  }
  if (option == "--difficulty" || option == "--jobs") {
    const int64_t max = option == "--jobs" ? kMaxJobs : 3;
    const int64_t min = option == "--jobs" ? 1 : 0;
    if (!ParseInteger(value, min, max, &a)) {
      return Fail(error, option + " needs a whole number from " + std::to_string(min) + " to " +
                             std::to_string(max) + ", not '" + value + "'");
    }
    (option == "--jobs" ? o->jobs : o->difficulty) = static_cast<int>(a);
    return true;
  }
  if (option == "--cap") {
    if (!ParseInteger(value, 1, INT32_MAX, &o->cap)) {
      return Fail(error,
                  "--cap needs a whole number of frames from 1 to 2147483647, not '" + value + "'");
    }
    return true;
  }
  if (option == "--maps") {
    if (value.empty()) return Fail(error, "--maps needs a folder");
    o->maps = value;
    return true;
  }
  return Fail(error, "unknown option '" + option + "' for --round-robin");
}

// The demo resources' arena maps, written into the map folder of `folder`, made afresh.
bool WriteDemoMaps(WorkFolder* folder, std::string* error) {
  if (!folder->Create("", error)) return false;
  const fs::path maps = folder->MapFolder();
  for (int n = 0; n < demo::kMapCount; ++n) {
    const std::string bytes = demo::MakeMap(n);
    std::string why;
    if (!platform::WriteWholeFile((maps / fs::path(demo::MapFile(n)).filename()).string(),
                                  bytes.data(), bytes.size(), &why)) {
      return Fail(error, "cannot write the maps: " + why);
    }
  }
  return true;
}

}  // namespace

bool WantsRoundRobin(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "--round-robin") return true;
  }
  return false;
}

bool ParseRoundRobinOptions(const std::vector<std::string>& args, RoundRobinOptions* out,
                            std::string* error) {
  *out = RoundRobinOptions{};
  for (int c = 0; c < kCharacters; ++c) out->plan.chars.push_back(c);
  for (int n = 0; n < veyrdale::kArenaCount; ++n) out->plan.arenas.push_back(n);
  std::vector<std::string> seen;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option == "--round-robin") continue;
    if (option.rfind("--", 0) != 0) return Fail(error, "unexpected '" + option + "'");
    for (const std::string& s : seen) {
      if (s == option) return Fail(error, option + " is given twice");
    }
    seen.push_back(option);
    if (i + 1 >= args.size()) return Fail(error, option + " needs a value");
    if (!ParseOption(option, args[++i], out, error)) return false;
  }
  if (out->plan.chars.size() < 2) return Fail(error, "--chars needs at least two characters");
  return true;
}

std::vector<std::string> MatchArgs(const RoundRobinOptions& o, const std::string& maps,
                                   const MatchKey& m) {
  return {"--seed",       std::to_string(GameSeedOf(m)),
          "--date",       kMatchDate,
          "--players",    "2",
          "--chars",      std::to_string(m.a) + "," + std::to_string(m.b),
          "--cpu",        "all",
          "--difficulty", std::to_string(o.difficulty),
          "--handicap",   "2,2",
          "--arena",      std::to_string(m.arena),
          "--win-count",  "0",
          "--time-limit", "1",
          "--maps",       maps,
          "--frames",     std::to_string(o.cap),
          "--final-hash"};
}

MatchOutcome OutcomeOfRun(int status, const std::string& output) {
  if (!WIFEXITED(status) || WEXITSTATUS(status) != kRunClean) return MatchOutcome::kFailed;
  // A match still in scene 4 at the cap is a draw, even with its round decided.
  if (output.find("left scene 4") == std::string::npos) return MatchOutcome::kDraw;
  const std::string winner = AfterWord(output, "winner ", -1);
  if (winner == "0") return MatchOutcome::kFirstWins;
  if (winner == "1") return MatchOutcome::kSecondWins;
  return MatchOutcome::kDraw;
}

int RunRoundRobin(const RoundRobinOptions& o) {
  WorkFolder demoMaps;
  std::string maps = o.maps;
  if (maps.empty()) {
    std::string error;
    if (!WriteDemoMaps(&demoMaps, &error)) {
      std::fprintf(stderr, "battle-sim: %s\n", error.c_str());
      return kRunBadInput;
    }
    maps = demoMaps.MapFolder();
  }
  if (!MapsUsable(maps)) return kRunBadInput;

  const std::vector<MatchKey> matches = PlanMatches(o.plan);
  std::vector<ChildRun> runs(matches.size());
  std::atomic<size_t> next{0};
  std::atomic<size_t> done{0};
  std::mutex progressLock;
  const bool progress = isatty(STDERR_FILENO) == 1;
  ChildRuns children;
  // Each worker takes the next match not yet taken; the results are kept by match, so the report
  // does not depend on which finished first.
  auto worker = [&](size_t) {
    for (size_t i = next++; i < matches.size() && toolrun::StopSignal() == 0 && !children.GivenUp();
         i = next++) {
      if (!children.Run(MatchArgs(o, maps, matches[i]), ChildSeconds(o.cap), &runs[i])) break;
      const size_t finished = ++done;
      if (progress) {
        std::lock_guard<std::mutex> hold(progressLock);
        std::fprintf(stderr, "\rround-robin: %zu/%zu matches", finished, matches.size());
      }
    }
  };
  const std::string failure = children.RunAtOnce(static_cast<size_t>(o.jobs), worker);
  if (progress) std::fprintf(stderr, "\n");
  if (!failure.empty()) {
    // Like a stop, no report: the matches that ran say nothing of those that could not.
    toolrun::Say(failure);
    return kRunFailed;
  }
  if (toolrun::StopSignal() != 0) {
    // The matches cut short say nothing; the maps' folder goes with demoMaps.
    toolrun::Say(toolrun::StoppedBy() + " after " + std::to_string(done.load()) + " of " +
                 std::to_string(matches.size()) + " matches; no report");
    return kRunFailed;
  }

  size_t index = 0;
  const RoundRobinReport report = TallyRoundRobin(
      o.plan,
      [&](const MatchKey&) {
        const size_t i = index++;
        return OutcomeOfRun(runs[i].status, runs[i].output);
      },
      [&](const MatchKey&) {
        // Called right after the failed match's outcome.
        return ChildFailure(runs[index - 1]);
      });
  std::fputs(report.text.c_str(), stdout);
  std::fflush(stdout);
  return report.failures == 0 ? kRunClean : kRunFailed;
}

const char* RoundRobinUsage() {
  return "usage: battle-sim --round-robin [--chars A,B,..] [--seeds A-B] [--arenas A,..|A-B]\n"
         "         [--difficulty D] [--cap N] [--jobs N] [--maps DIR]\n";
}

}  // namespace battlesim
