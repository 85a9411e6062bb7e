// The runner's soak run and judged: a clean exit, every run clean, and at least so many different
// battles among them. Only the summary line is read: the per-seed lines before it are the
// runner's to print.
#pragma once

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

// `args` are the runner's options after the program name, --seeds among them.
inline void ExpectCleanSoak(const std::string& args, unsigned seeds, unsigned leastDistinct) {
  TempDir dir;
  const ProgramRun run = RunProgram(dir.path(), BATTLE_SIM, args);
  EXPECT_EQ(run.exitCode, 0) << args << "\n" << run.out << run.err;
  unsigned runs = 0, failures = 0, distinct = 0;
  const size_t summary = run.out.rfind("soak: ");
  ASSERT_NE(summary, std::string::npos) << run.out;
  ASSERT_EQ(std::sscanf(run.out.c_str() + summary, "soak: %u runs, %u failures, %u distinct", &runs,
                        &failures, &distinct),
            3)
      << run.out;
  EXPECT_EQ(runs, seeds);
  EXPECT_EQ(failures, 0u);
  EXPECT_GE(distinct, leastDistinct) << run.out;
}

}  // namespace testsupport
