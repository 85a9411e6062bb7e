// A short soak of the battle under the sanitizers: ten seeds of 3000 frames for two players and
// for two teams of two, every invariant checked after every frame. Each run is a process of its
// own, because some player fields carry over from one battle to the next. The game's own random
// numbers are drawn rarely yet, so every run also takes its own input seed.
#include <string>

#include <gtest/gtest.h>

#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int kSeeds = 10;

void Soak(const std::string& match) {
  testsupport::TempDir dir;
  const std::string base = match + " --arena 0 --frames 3000 --check-invariants --maps " +
                           std::string(SOURCE_DIR) + "/tests/data/maps";
  for (int seed = 1; seed <= kSeeds; ++seed) {
    const std::string args =
        base + " --seed " + std::to_string(seed) + " --input-seed " + std::to_string(seed * 101);
    const testsupport::ProgramRun run = testsupport::RunProgram(dir.path(), BATTLE_SIM, args);
    EXPECT_EQ(run.exitCode, 0) << args << "\n" << run.out << run.err;
    EXPECT_EQ(run.out, "") << args;
  }
}

TEST(BattleSoakShort, TwoPlayers) {
  Soak("--players 2 --chars 0,1");
}

TEST(BattleSoakShort, FourPlayerTeams) {
  Soak("--players 4 --chars 0,1,0,1 --teams 0,1,0,1");
}

}  // namespace
