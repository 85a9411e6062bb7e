// The dashes under the sanitizers: twenty seeded four-player battles of 4000 frames on a dense
// arena where most cells are walls, every invariant checked after every frame (the dash lengths
// and the ways out of walls among them). The random input presses button 3 now and then, so every
// character dashes; four groups of four characters cover all sixteen.
#include <string>

#include <gtest/gtest.h>

#include "tests/tools/soak_check.h"

namespace {

// Five seeds of one group of four characters; the groups take seeds 1-5, 6-10, 11-15 and 16-20.
void SoakGroup(const std::string& chars, int firstSeed) {
  const std::string args = "--seeds " + std::to_string(firstSeed) + "-" +
                           std::to_string(firstSeed + 4) + " --players 4 --chars " + chars +
                           " --arena 1 --frames 4000 --check-invariants --maps " +
                           std::string(SOURCE_DIR) + "/tests/data/maps-dense";
  testsupport::ExpectCleanSoak(args, 5, 5);
}

TEST(BattleSoakDash, Characters0To3) {
  SoakGroup("0,1,2,3", 1);
}

TEST(BattleSoakDash, Characters4To7) {
  SoakGroup("4,5,6,7", 6);
}

TEST(BattleSoakDash, Characters8To11) {
  SoakGroup("8,9,10,11", 11);
}

TEST(BattleSoakDash, Characters12To15) {
  SoakGroup("12,13,14,15", 16);
}

}  // namespace
