// Short soaks of the battle under the sanitizers, through the runner's own soak: every seed a
// process of its own (some player fields carry over from one battle to the next), every
// invariant checked after every frame, and each run's random input following from its seed, so
// that the runs play different battles.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace {

void Soak(const std::string& match, int seeds, int frames, int leastDistinct, int arena = 0,
          const std::string& maps = std::string(SOURCE_DIR) + "/tests/data/maps") {
  testsupport::TempDir dir;
  const std::string args = "--seeds 1-" + std::to_string(seeds) + " " + match + " --arena " +
                           std::to_string(arena) + " --frames " + std::to_string(frames) +
                           " --check-invariants --maps " + maps;
  const testsupport::ProgramRun run = testsupport::RunProgram(dir.path(), BATTLE_SIM, args);
  EXPECT_EQ(run.exitCode, 0) << args << "\n" << run.out << run.err;
  unsigned runs = 0, failures = 0, distinct = 0;
  ASSERT_EQ(std::sscanf(run.out.c_str(), "soak: %u runs, %u failures, %u distinct", &runs,
                        &failures, &distinct),
            3)
      << run.out;
  EXPECT_EQ(runs, static_cast<unsigned>(seeds));
  EXPECT_EQ(failures, 0u);
  EXPECT_GE(distinct, static_cast<unsigned>(leastDistinct)) << run.out;
}

TEST(BattleSoakShort, TwoPlayers) {
  Soak("--players 2 --chars 0,1", 10, 3000, 10);
}

TEST(BattleSoakShort, FourPlayerTeams) {
  Soak("--players 4 --chars 0,1,0,1 --teams 0,1,0,1", 10, 3000, 10);
}

// Twenty short free-for-all battles: the seeds set the input, so nearly every one differs.
TEST(BattleSoakShort, TwentySeedsPlayTwentyBattles) {
  Soak("--players 4 --chars 0,1,0,1", 20, 600, 15);
}

// Characters 0-7 with their shots' behaviours, on an open arena and on one with breakable cells.
TEST(BattleSoakShort, CharactersZeroToSevenOnArenasZeroAndTwo) {
  testsupport::TempDir resources;
  const testsupport::ProgramRun made =
      testsupport::RunProgram(resources.path(), MAKE_DEMO_RESOURCES, resources.path());
  ASSERT_EQ(made.exitCode, 0) << made.err;
  for (const char* chars : {"2,3,4,5", "6,7,0,1"}) {
    for (int arena : {0, 2}) {
      SCOPED_TRACE(std::string(chars) + " on arena " + std::to_string(arena));
      Soak(std::string("--players 4 --chars ") + chars, 4, 2000, 3, arena,
           resources.path() + "/Resource/Mpd");
    }
  }
}

}  // namespace
