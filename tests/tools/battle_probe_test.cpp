// The battle probe end to end: its output formats and its refusal of bad input.
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

struct ProbeRun {
  std::string out;
  int status;
};

// Runs the probe through the shell with the given arguments; stderr is discarded.
ProbeRun Probe(const std::string& arguments) {
  std::string command = std::string(BATTLE_PROBE) + " " + arguments + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ProbeRun run{"", -1};
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(BattleProbe, AnswersOneLinePerQuery) {
  struct Case {
    const char* commands;
    const char* out;
  } cases[] = {
      {"dir 0 0 10 10; dir 0 0 -10 5", "32\n110\n"},
      {"cos 128; negsin 32; atan 512", "-256\n-181.019302\n32\n"},
      {"dist 0 0 50000 0; moverow 4 16", "2147483647\n0 0 0 0 0 0 0 0 0 0 0\n"},
      {"circle 0 0 9.9 0 10; box 0 0 10 0 5 5", "1\n0\n"},
      {"blend 0 0 3.5 0 5 1", "0.583333313 0\n"},
      {"set p1.trailX[2] 2.5; set score[3] -7; print p1.trailX[2] score[3] p0.x", "2.5 -7 0\n"},
      {"set cells[5,5] 1; walls 176.5 190.25 176.5 196 32 32 16", "40 176 192\n"},
      {"set cells[10,5] 1; snap 330 193.5 330 200 8 8 0", "4 330 196\n"},
      {"set cells[0,5] 9; mapcell 630 144 32 2 0; mapcell 0 0 2 2 0", "9 20 4\n0\n"},
      {"calls CreateShot; args CreateShot; misses", "0\n\n0\n"},
  };
  for (const Case& c : cases) {
    ProbeRun run = Probe(std::string("-e '") + c.commands + "'");
    EXPECT_EQ(run.status, 0) << c.commands;
    EXPECT_EQ(run.out, c.out) << c.commands;
  }
}

TEST(BattleProbe, ReadsCommandsFromStdin) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("script"), "dir 0 0 0 10\ncos 0; negsin 64\n");
  ProbeRun run = Probe("< " + dir.File("script"));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "64\n256\n-256\n");
}

TEST(BattleProbe, RefusesUnknownCommandsNamesAndNumbers) {
  const char* bad[] = {
      "dir 0 0 1 1; frobnicate",  // the answers before the error are kept
      "dir 0 0 1 1; print p4.x",        "dir 0 0 1 1; print cells[20,0]",
      "dir 0 0 1 1; set nothing 3",     "dir 0 0 1 1; dir 0 0 1",
      "dir 0 0 1 1; dist 0 0 x 1",      "dir 0 0 1 1; atan 513",
      "dir 0 0 1 1; calls NotAStandIn", "dir 0 0 1 1; dir 0 0 1 99999999999",
  };
  for (const char* commands : bad) {
    ProbeRun run = Probe(std::string("-e '") + commands + "'");
    EXPECT_EQ(run.status, 2) << commands;
    EXPECT_EQ(run.out, "32\n") << commands;
  }
  EXPECT_EQ(Probe("--bogus").status, 2);
}

}  // namespace
