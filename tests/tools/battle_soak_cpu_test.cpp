// The soak of four computer players on characters drawn per seed, under the sanitizers: twenty
// battles of 6000 frames, several runs at a time so that the test stays well inside its timeout.
#include <gtest/gtest.h>

#include <string>

#include "tests/tools/soak_check.h"

namespace {

TEST(BattleSoakCpu, FourComputersOnRandomCharacters) {
  testsupport::ExpectCleanSoak(
      "--seeds 1-20 --players 4 --cpu all --chars random --jobs 4 "
      "--arena 0 --frames 6000 --check-invariants --maps " +
          std::string(SOURCE_DIR) + "/tests/data/maps",
      20, 15);
}

}  // namespace
