// One battle frame over full pools, in frames per second and as a multiple of the 60 frames a
// second the game runs at. Every frame starts from the same snapshot: 512 live, slow neutral shots
// (move 3, hit class 6) inside the arena, players that shots cannot hit (a large recoveryGuard),
// 64 live kind-8 familiars, 1024 live effects, 128 items, and an arena map with blocks. The timed
// frame includes putting the snapshot back; BM_SnapshotRestore times that copy alone.
//
//   BM_BattleSim          the battle scene with its draw skipped by the half-rate rule
//   BM_BattleSimDrawList  the same plus building the draw list (its tags and block countdown
//                         carried out)
//   BM_BattleFull         the whole battle frame (input, scene, draw, counters), the library's
//                         graphics never started
//   BM_BattleSimCpu       BM_BattleSim with four computer players deciding first, each in the
//                         middle of a wander, so that each scans the 512 shots for threats;
//                         reported beside BM_BattleSim as a ratio of times
//
// Targets in the release preset on one core: BM_BattleSim at least 50 times the budget,
// BM_BattleFull at least 10 times, BM_BattleSimCpu within 1.2 times the time of BM_BattleSim. A
// rate below its target is warned about, never failed.

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/run_rows.h"
#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/battle/cpu_player.h"
#include "game/battle/drawn_frame.h"
#include "game/battle/shots.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/flow/flow.h"
#include "game/view/view.h"
#include "tools/battle-sim/headless.h"
#include "tools/battle-sim/sim_state.h"
#include "tools/lib/battlesupport/step_battle_frame.h"

namespace {

constexpr double kBudgetFps = 60.0;
constexpr int kOpeningFrames = 300;  // past the round's opening, so that players act
constexpr int kNeutralMove = 3;
constexpr int kPassingHitClass = 6;  // hits, but never damages the arena
constexpr int kSummonedFamiliar = 8;
constexpr int kSortedEffectCode = 104;

battlesim::StateSnapshot g_snapshot;
battlesim::StateSnapshot g_cpuSnapshot;  // the same with four computer players mid-wander
constexpr double kCpuRatioTarget = 1.2;
const int kNoInput[4] = {};

// The full pools, laid out on grids inside the 640 x 480 arena.
void FillPools() {
  using namespace veyrdale;
  for (int s = 0; s < kShotCount; ++s) {
    BattleObject& shot = g_shots[s];
    shot = BattleObject{};
    shot.kind = kNeutralKind;
    shot.move = kNeutralMove;
    shot.owner = kNobody;
    shot.meter = static_cast<float>(kNobody);
    shot.state = 1;
    shot.stun = static_cast<float>(s);
    shot.stateTimer = 1 + s % 50;
    shot.x = 24.0f + static_cast<float>(s % 32) * 19.0f;
    shot.y = 24.0f + static_cast<float>(s / 32) * 27.0f;
    shot.heading = (s * 37) & 255;
    shot.speed = 0.25f;
    shot.vx = VelocityX(shot.heading, shot.speed);
    shot.vy = VelocityY(shot.heading, shot.speed);
    for (int k = 0; k < 5; ++k) {
      shot.trailX[k] = shot.x;
      shot.trailY[k] = shot.y;
    }
    g_shotDamage[s] = ShotDamageRecord{10, 10, 8, static_cast<uint16_t>(kPassingHitClass), 0};
    for (int p = 0; p < kPlayerCount; ++p) ShotHitFlags[s][p] = 0;
  }
  LiveShotCount = kShotCount;
  for (int p = 0; p < kPlayerCount; ++p) g_playerState.recoveryGuard[p] = 1 << 30;
  for (int f = 0; f < kFamiliarCount; ++f) {
    BattleObject& familiar = g_familiars[f];
    familiar = BattleObject{};
    familiar.kind = kSummonedFamiliar;
    familiar.state = 1;
    familiar.owner = static_cast<int16_t>(f % kPlayerCount);
    familiar.x = 40.0f + static_cast<float>(f % 8) * 75.0f;
    familiar.y = 40.0f + static_cast<float>(f / 8) * 55.0f;
  }
  for (int e = 0; e < kEffectCount; ++e) {
    EffectRecord& effect = g_effects[e];
    effect = EffectRecord{};
    effect.x = static_cast<float>(e % 64) * 10.0f;
    effect.y = static_cast<float>(e / 64) * 30.0f;
    effect.timer = 1000;
    effect.code = e % 2 == 0 ? kSortedEffectCode : 1;
    effect.player = e % kPlayerCount;
    g_effectInUse[e] = 1;
  }
  for (int i = 0; i < kItemCount; ++i) {
    ItemRecord& item = g_items[i];
    item = ItemRecord{};
    item.x = 30.0f + static_cast<float>(i % 16) * 38.0f;
    item.y = 30.0f + static_cast<float>(i / 16) * 55.0f;
    item.prevX = item.x;
    item.prevY = item.y;
    item.kind = i % 4;
    g_itemFlags[i] = 1;
  }
}

void SetRate(benchmark::State& state) {
  state.counters["frames"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The draw is skipped on odd frames while presentation runs at half rate.
void SkipTheDraw() {
  veyrdale::g_display.halfRatePresent = 1;
  veyrdale::FrameCount |= 1;
}

void BM_BattleSim(benchmark::State& state) {
  for (auto _ : state) {
    g_snapshot.Restore();
    SkipTheDraw();
    veyrdale::BattleScene(0);
    benchmark::DoNotOptimize(veyrdale::LiveShotCount);
  }
  SetRate(state);
}
BENCHMARK(BM_BattleSim);

void BM_BattleSimCpu(benchmark::State& state) {
  for (auto _ : state) {
    g_cpuSnapshot.Restore();
    SkipTheDraw();
    for (int p = 0; p < veyrdale::kPlayerCount; ++p) {
      veyrdale::UpdateCpuPlayer(&veyrdale::g_players[p], p);
      veyrdale::ApplyCpuInput(p);
    }
    veyrdale::BattleScene(0);
    benchmark::DoNotOptimize(veyrdale::LiveShotCount);
  }
  SetRate(state);
}
BENCHMARK(BM_BattleSimCpu);

void BM_BattleSimDrawList(benchmark::State& state) {
  for (auto _ : state) {
    g_snapshot.Restore();
    SkipTheDraw();
    veyrdale::BattleScene(0);
    benchmark::DoNotOptimize(veyrdale::BuildDrawList(veyrdale::g_match.playerCount));
    veyrdale::CarryOutDrawList(veyrdale::g_match.playerCount);
  }
  SetRate(state);
}
BENCHMARK(BM_BattleSimDrawList);

void BM_BattleFull(benchmark::State& state) {
  for (auto _ : state) {
    g_snapshot.Restore();
    veyrdale::g_display.halfRatePresent = 0;
    veyrdale::StepBattleFrame(kNoInput);
    benchmark::DoNotOptimize(veyrdale::LiveShotCount);
  }
  SetRate(state);
}
BENCHMARK(BM_BattleFull);

void BM_SnapshotRestore(benchmark::State& state) {
  for (auto _ : state) {
    g_snapshot.Restore();
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(g_snapshot.bytes()));
  SetRate(state);
}
BENCHMARK(BM_SnapshotRestore);

// The console report, then each frame variant's rate beside the budget and its target.
// A variant's rate is the median of its runs (its one run without repetitions).
class BudgetReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    runs_.Add(runs, [](const Run& run) {
      return run.real_accumulated_time > 0.0
                 ? static_cast<double>(run.iterations) / run.real_accumulated_time
                 : 0.0;
    });
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    const std::map<std::string, double> targets = {{"BM_BattleSim", 50.0}, {"BM_BattleFull", 10.0}};
    const std::vector<std::pair<std::string, double>> rates = runs_.Medians();
    std::printf("\n%-22s %14s %12s\n", "frame", "frames/s", "x 60 fps");
    for (const auto& [name, fps] : rates) {
      if (name == "BM_SnapshotRestore") continue;
      const double ratio = fps / kBudgetFps;
      std::printf("%-22s %14.0f %11.1fx\n", name.c_str(), fps, ratio);
      const auto target = targets.find(name);
      if (target != targets.end() && ratio < target->second) {
        std::printf("warning: %s runs at %.1fx the 60 frames/s budget, below its target of %.0fx\n",
                    name.c_str(), ratio, target->second);
      }
    }
    double plain = 0.0;
    double cpu = 0.0;
    for (const auto& [name, fps] : rates) {
      if (name == "BM_BattleSim") plain = fps;
      if (name == "BM_BattleSimCpu") cpu = fps;
    }
    if (plain > 0.0 && cpu > 0.0) {
      const double ratio = plain / cpu;
      std::printf("\nBM_BattleSimCpu takes %.2fx the time of BM_BattleSim\n", ratio);
      if (ratio > kCpuRatioTarget) {
        std::printf("warning: four computer players cost more than their %.1fx target\n",
                    kCpuRatioTarget);
      }
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
    std::fprintf(stderr, "battle_frame_bench: %s\n", error.c_str());
    return 1;
  }
  battlesim::MatchSpec match;
  match.players = 4;
  match.chars = {0, 1, 0, 1};
  match.arena = 0;
  battlesim::SetUpBattle(match, 1);
  for (int f = 0; f < kOpeningFrames; ++f) veyrdale::StepBattleFrame(kNoInput);
  if (veyrdale::SceneId != 4) {
    std::fprintf(stderr, "battle_frame_bench: the battle left scene 4 during its opening\n");
    return 1;
  }
  int blocks = 0;
  for (int32_t cell : veyrdale::g_arenaMap.cells) blocks += cell != 0 ? 1 : 0;
  if (blocks == 0) {
    std::fprintf(stderr, "battle_frame_bench: the arena map of %s has no blocks\n", MAPS_DIR);
    return 1;
  }
  FillPools();
  g_snapshot.Take();
  // Every player a computer's, mid-wander toward player 0, in a state that scans for threats.
  for (int p = 0; p < veyrdale::kPlayerCount; ++p) {
    veyrdale::g_match.cpuFlag[p] = 1;
    veyrdale::CpuMode[p] = veyrdale::kCpuWander;
    veyrdale::CpuCountdown[p] = 30;
    veyrdale::CpuTarget[p] = 0;
    veyrdale::g_players[p].state = 1;
  }
  g_cpuSnapshot.Take();
  g_snapshot.Restore();

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  BudgetReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
