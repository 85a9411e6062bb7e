// The battle's golden traces: the headless runner replays three fixed battles and its traces must
// match the committed ones line for line. A battle change that moves them regenerates them on
// purpose with UPDATE_GOLDEN=1.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_lines.h"

namespace {

using testsupport::Lines;
using testsupport::ReadFile;

const std::string kSource = SOURCE_DIR;
const std::string kCommon =
    "--date 2024-01-01T12:00:00 --arena 0 --frames 3600 --check-invariants --maps " + kSource +
    "/tests/data/maps ";

struct Golden {
  const char* file;
  std::string args;
};

const Golden kTwoPlayers{"battle_2p.trace", kCommon + "--seed 42 --players 2 --chars 0,1 --input " +
                                                kSource + "/tests/data/battle_2p.script"};
const Golden kFourPlayerTeams{
    "battle_4p_teams.trace",
    kCommon + "--seed 5 --players 4 --chars 0,1,0,1 --teams 0,1,0,1 --input-seed 11"};

// Four computer players on the hardest setting, no input at all.
const Golden kFourComputers{
    "battle_4p_cpu.trace",
    kCommon + "--seed 7 --players 4 --chars 0,1,0,1 --cpu all --difficulty 3"};

// Runs the battle; its trace, or "" with a failure recorded.
std::string RunTrace(const Golden& golden) {
  testsupport::TempDir dir;
  const testsupport::ProgramRun run =
      testsupport::RunProgram(dir.path(), BATTLE_SIM, golden.args + " --trace trace");
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  return ReadFile(dir.File("trace"));
}

// Compares with the committed golden; on a mismatch names the first differing line and writes the
// actual trace into the test's folder of the build. UPDATE_GOLDEN=1 rewrites the golden instead.
void ExpectGolden(const Golden& golden, const std::string& actual) {
  const std::string path = kSource + "/tests/golden/" + golden.file;
  const char* update = std::getenv("UPDATE_GOLDEN");
  if (update != nullptr && std::strcmp(update, "1") == 0) {
    std::ofstream(path, std::ios::binary) << actual;
    std::printf("rewrote %s\n", path.c_str());
    return;
  }
  const std::string expected = ReadFile(path);
  ASSERT_FALSE(expected.empty()) << path << " is missing";
  if (actual == expected) return;
  const std::string actualPath =
      (std::filesystem::current_path() / (std::string(golden.file) + ".actual")).string();
  std::ofstream(actualPath, std::ios::binary) << actual;
  const std::vector<std::string> want = Lines(expected);
  const std::vector<std::string> got = Lines(actual);
  size_t i = 0;
  while (i < want.size() && i < got.size() && want[i] == got[i]) ++i;
  ADD_FAILURE() << golden.file << " differs first at line " << i + 1
                << "\n  golden: " << (i < want.size() ? want[i] : "(end)")
                << "\n  actual: " << (i < got.size() ? got[i] : "(end)")
                << "\n  the actual trace is " << actualPath;
}

// The fields of one player on a trace line: state life meter gauge score wins.
std::vector<long long> PlayerFields(const std::string& line, int player) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t bar; (bar = line.find(" | ", start)) != std::string::npos; start = bar + 3) {
    parts.push_back(line.substr(start, bar - start));
  }
  parts.push_back(line.substr(start));
  std::vector<long long> fields;
  if (static_cast<size_t>(player) + 1 >= parts.size()) return fields;
  std::istringstream in(parts[static_cast<size_t>(player) + 1]);
  for (long long v; in >> v;) fields.push_back(v);
  return fields;
}

TEST(BattleGolden, TwoPlayerScript) {
  const std::string actual = RunTrace(kTwoPlayers);
  const std::vector<std::string> lines = Lines(actual);
  ASSERT_EQ(lines.size(), 60u);
  // Player 0 walks up to player 1 and fires along the open row: by the frame-480 line player 1
  // has been hit and player 0 has scored.
  ASSERT_EQ(lines[7].rfind("480 4 480 480 | ", 0), 0u) << lines[7];
  const std::vector<long long> p0 = PlayerFields(lines[7], 0);
  const std::vector<long long> p1 = PlayerFields(lines[7], 1);
  ASSERT_EQ(p0.size(), 6u);
  ASSERT_EQ(p1.size(), 6u);
  EXPECT_LT(p1[1], 350) << lines[7];
  EXPECT_GT(p0[4], 0) << lines[7];
  // Before the volley nobody is hurt.
  EXPECT_EQ(PlayerFields(lines[4], 1)[1], 350) << lines[4];
  ExpectGolden(kTwoPlayers, actual);
}

TEST(BattleGolden, FourPlayerTeams) {
  const std::string actual = RunTrace(kFourPlayerTeams);
  const std::vector<std::string> lines = Lines(actual);
  ASSERT_EQ(lines.size(), 60u);
  // Every player's line moves: the generator drives all four.
  for (int p = 0; p < 4; ++p) {
    bool moved = false;
    for (const std::string& line : lines)
      moved = moved || PlayerFields(line, p) != PlayerFields(lines[0], p);
    EXPECT_TRUE(moved) << "player " << p;
  }
  ExpectGolden(kFourPlayerTeams, actual);
}

TEST(BattleGolden, FourComputerPlayers) {
  const std::string actual = RunTrace(kFourComputers);
  const std::vector<std::string> lines = Lines(actual);
  ASSERT_EQ(lines.size(), 60u);
  // Nobody holds a pad, yet the computers find each other and score.
  long long best = 0;
  for (int p = 0; p < 4; ++p) {
    const std::vector<long long> fields = PlayerFields(lines.back(), p);
    ASSERT_EQ(fields.size(), 6u) << lines.back();
    best = std::max(best, fields[4]);
  }
  EXPECT_GT(best, 0) << lines.back();
  ExpectGolden(kFourComputers, actual);
}

}  // namespace
