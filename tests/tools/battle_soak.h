// The runner's own soak as a test: every seed a process of its own (some player fields carry over
// from one battle to the next), every invariant checked after every frame, each run's random input
// following from its seed. Only the summary line is read: the per-seed lines before it are the
// runner's to print.
#pragma once

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

inline void Soak(const std::string& match, int seeds, int frames, int leastDistinct) {
  testsupport::TempDir dir;
  const std::string args = "--seeds 1-" + std::to_string(seeds) + " " + match +
                           " --arena 0 --frames " + std::to_string(frames) +
                           " --check-invariants --maps " + std::string(SOURCE_DIR) +
                           "/tests/data/maps";
  const testsupport::ProgramRun run = testsupport::RunProgram(dir.path(), BATTLE_SIM, args);
  EXPECT_EQ(run.exitCode, 0) << args << "\n" << run.out << run.err;
  unsigned runs = 0, failures = 0, distinct = 0;
  const size_t summary = run.out.rfind("soak: ");
  ASSERT_NE(summary, std::string::npos) << run.out;
  ASSERT_EQ(std::sscanf(run.out.c_str() + summary, "soak: %u runs, %u failures, %u distinct", &runs,
                        &failures, &distinct),
            3)
      << run.out;
  EXPECT_EQ(runs, static_cast<unsigned>(seeds));
  EXPECT_EQ(failures, 0u);
  EXPECT_GE(distinct, static_cast<unsigned>(leastDistinct)) << run.out;
}

}  // namespace testsupport
