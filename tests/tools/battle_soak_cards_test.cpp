// The soak of four computer players on characters drawn per seed with full spell gauges, under
// the sanitizers: every special move and card they reach must end.
#include <gtest/gtest.h>

#include <string>

#include "tests/tools/soak_check.h"

namespace {

TEST(BattleSoakCards, FourComputersDeclaringOften) {
  testsupport::ExpectCleanSoak(
      "--seeds 1-20 --players 4 --cpu all --chars random --force-cards --jobs 4 "
      "--arena 0 --frames 6000 --check-invariants --maps " +
          std::string(SOURCE_DIR) + "/tests/data/maps",
      20, 15);
}

}  // namespace
