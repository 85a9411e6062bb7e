// One whole match of the round robin per iteration: characters 0 and 1, both computer players at
// difficulty 3, arena 0, seed 1, handicap 2, the first round won decides, at most 12000 frames.
// Every iteration starts from the same state, so each plays the same match. It reports matches
// per second, frames per second and frames per second as a multiple of the 60 the game runs at.
//
// Target in the release preset on one core: at least 300 times real time, so that the full round
// robin (9600 matches) stays short. A rate below it is warned about, never failed.

#include <cstdio>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/run_rows.h"
#include "game/core/frame_state.h"
#include "game/core/scenes.h"
#include "tools/battle-sim/headless.h"
#include "tools/battle-sim/sim_state.h"
#include "tools/lib/battlesupport/step_battle_frame.h"

namespace {

constexpr double kRealTimeFps = 60.0;
constexpr double kTargetRatio = 300.0;
constexpr int64_t kCap = 12000;
const int kNoInput[4] = {};

battlesim::StateSnapshot g_start;  // the state before the match is set up

// The match as the round robin plays it; the frames it ran.
int64_t PlayMatch() {
  g_start.Restore();
  battlesim::MatchSpec match;
  match.players = 2;
  match.chars = {0, 1};
  match.cpu = {1, 1};
  match.difficulty = 3;
  match.handicaps = {2, 2};
  match.winCount = 0;
  match.timeLimit = 1;
  match.arena = 0;
  battlesim::SetUpBattle(match, 1);
  int64_t frames = 0;
  while (frames < kCap) {
    veyrdale::StepBattleFrame(kNoInput);
    ++frames;
    if (veyrdale::SceneId != veyrdale::kSceneBattle) break;
  }
  return frames;
}

void BM_CpuMatch(benchmark::State& state) {
  int64_t frames = 0;
  for (auto _ : state) frames += PlayMatch();
  using benchmark::Counter;
  state.counters["matches/s"] = Counter(static_cast<double>(state.iterations()), Counter::kIsRate);
  state.counters["frames/s"] = Counter(static_cast<double>(frames), Counter::kIsRate);
  state.counters["x_realtime"] =
      Counter(static_cast<double>(frames) / kRealTimeFps, Counter::kIsRate);
  state.counters["frames/match"] =
      Counter(static_cast<double>(frames) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_CpuMatch)->Unit(benchmark::kMillisecond)->UseRealTime();

// The console report, then a warning when a match runs below its target: the median of the
// runs' multiples of real time (the one run's without repetitions).
class TargetReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    runs_.Add(runs, [](const Run& run) {
      const auto ratio = run.counters.find("x_realtime");
      return ratio != run.counters.end() ? ratio->second.value : 0.0;
    });
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [name, ratio] : runs_.Medians()) {
      if (ratio >= kTargetRatio) continue;
      std::printf("warning: a computer match runs at %.0fx real time, below its target of %.0fx\n",
                  ratio, kTargetRatio);
    }
    std::fflush(stdout);
  }

 private:
  benchrows::RunMedians runs_;
};

}  // namespace

int main(int argc, char** argv) {
  battlesim::StartHeadless("2024-01-01T12:00:00");
  battlesim::WorkFolder work;
  std::string error;
  if (!work.Enter(MAPS_DIR, &error)) {
    std::fprintf(stderr, "battle_match_bench: %s\n", error.c_str());
    return 1;
  }
  g_start.Take();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TargetReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
