// Short soaks of the battle under the sanitizers, through the runner's own soak: every seed a
// process of its own (some player fields carry over from one battle to the next), every
// invariant checked after every frame, and each run's random input following from its seed, so
// that the runs play different battles.
#include <string>

#include <gtest/gtest.h>

#include "tests/tools/soak_check.h"

namespace {

void Soak(const std::string& match, int seeds, int frames, int leastDistinct, int arena = 0,
          const std::string& maps = std::string(SOURCE_DIR) + "/tests/data/maps") {
  const std::string args = "--seeds 1-" + std::to_string(seeds) + " " + match + " --arena " +
                           std::to_string(arena) + " --frames " + std::to_string(frames) +
                           " --check-invariants --maps " + maps;
  testsupport::ExpectCleanSoak(args, static_cast<unsigned>(seeds),
                               static_cast<unsigned>(leastDistinct));
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

// Every arena with its objects: turrets, walkers, corners, falling blocks and orbiters firing
// neutral shots, past the frames where each starts (the orbiters of arena 9 come at 1200).
TEST(BattleSoakShort, EveryArenaWithItsObjects) {
  for (int arena = 0; arena <= 9; ++arena) {
    SCOPED_TRACE(arena);
    Soak("--players 4 --chars 0,1,0,1", 2, 1500, 2, arena);
  }
}

// Characters 8-15 with their shots' behaviours, the carrier and the familiar-bound shots among
// them, on an open arena and on arena 8.
TEST(BattleSoakShort, CharactersEightToFifteenOnArenasZeroAndEight) {
  testsupport::TempDir resources;
  const testsupport::ProgramRun made =
      testsupport::RunProgram(resources.path(), MAKE_DEMO_RESOURCES, resources.path());
  ASSERT_EQ(made.exitCode, 0) << made.err;
  for (const char* chars : {"8,9,10,11", "12,13,14,15", "10,14,10,14"}) {
    for (int arena : {0, 8}) {
      SCOPED_TRACE(std::string(chars) + " on arena " + std::to_string(arena));
      Soak(std::string("--players 4 --chars ") + chars, 3, 2000, 2, arena,
           resources.path() + "/Resource/Mpd");
    }
  }
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

// Characters 8-15 launch for real: every one plays, alone in its match and beside the others.
TEST(BattleSoakShort, CharactersEightToFifteenOnArenasZeroAndTwo) {
  testsupport::TempDir resources;
  const testsupport::ProgramRun made =
      testsupport::RunProgram(resources.path(), MAKE_DEMO_RESOURCES, resources.path());
  ASSERT_EQ(made.exitCode, 0) << made.err;
  for (const char* chars : {"8,9,10,11", "12,13,14,15", "0,5,10,15", "3,6,9,12"}) {
    for (int arena : {0, 2}) {
      SCOPED_TRACE(std::string(chars) + " on arena " + std::to_string(arena));
      Soak(std::string("--players 4 --chars ") + chars, 4, 2000, 3, arena,
           resources.path() + "/Resource/Mpd");
    }
  }
}

}  // namespace
