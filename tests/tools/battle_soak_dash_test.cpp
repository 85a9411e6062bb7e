// The dashes under the sanitizers: twenty seeded four-player battles of 4000 frames on a dense
// arena where most cells are walls, every invariant checked after every frame (the dash lengths
// and the ways out of walls among them). The random input presses button 3 now and then, so every
// character drawn dashes.
#include <string>

#include <gtest/gtest.h>

#include "tests/tools/soak_check.h"

namespace {

TEST(BattleSoakDash, RandomCharactersOnADenseArena) {
  testsupport::ExpectCleanSoak(
      "--seeds 1-20 --players 4 --chars random --jobs 4 --arena 1 "
      "--frames 4000 --check-invariants --maps " +
          std::string(SOURCE_DIR) + "/tests/data/maps-dense",
      20, 15);
}

}  // namespace
