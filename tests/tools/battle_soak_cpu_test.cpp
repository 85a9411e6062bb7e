// The soak of four computer players on characters drawn per seed, under the sanitizers: twenty
// battles of 6000 frames, several runs at a time so that the test stays well inside its timeout.
#include <gtest/gtest.h>

#include "tests/tools/battle_soak.h"

namespace {

TEST(BattleSoakCpu, FourComputersOnRandomCharacters) {
  testsupport::Soak("--players 4 --cpu all --chars random --jobs 4", 20, 6000, 15);
}

}  // namespace
