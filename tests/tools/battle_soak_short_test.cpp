// Short soaks of the battle under the sanitizers, through the runner's own soak: every seed a
// process of its own (some player fields carry over from one battle to the next), every
// invariant checked after every frame, and each run's random input following from its seed, so
// that the runs play different battles.
#include <gtest/gtest.h>

#include "tests/tools/battle_soak.h"

namespace {

using testsupport::Soak;

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

}  // namespace
