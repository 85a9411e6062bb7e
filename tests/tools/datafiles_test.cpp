// datafiles as a program: show prints the records as the game reads them, save writes the four
// records the game writes and reports a failed save by its exit code.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_lines.h"

namespace {

using testsupport::Lines;
using testsupport::ReadFile;
using testsupport::RunProgram;
using testsupport::WriteFile;

std::string Bytes(const std::vector<int32_t>& words) {
  std::string bytes;
  for (int32_t w : words) {
    for (int k = 0; k < 4; ++k)
      bytes += static_cast<char>((static_cast<uint32_t>(w) >> (8 * k)) & 0xFF);
  }
  return bytes;
}

// The record line of a default score row.
std::string DefaultRecord(int row) {
  return "record " + std::to_string(100000 - 10000 * (row % 10)) + " 0 0";
}

// The 120 record lines of the default tables.
std::string DefaultRecords() {
  std::string lines;
  for (int row = 0; row < 120; ++row) lines += DefaultRecord(row) + "\n";
  return lines;
}

class DatafilesTool : public ::testing::Test {
 protected:
  testsupport::ProgramRun Run(const std::string& args) {
    return RunProgram(dir_.path(), DATAFILES_PATH, args);
  }
  std::string Data(const std::string& name) const { return dir_.File("Data/" + name); }
  testsupport::TempDir dir_;
};

TEST_F(DatafilesTool, SaveInAnEmptyFolderWritesTheDefaults) {
  auto run = Run("save .");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(ReadFile(Data("config.sav")), Bytes({1, 1, 1, 0, 0, 0, 1, 20, 19, 0, 0}));
  EXPECT_EQ(ReadFile(Data("key.inf")).size(), 80u);
  EXPECT_EQ(ReadFile(Data("score.sav")).size(), 1444u);
  EXPECT_EQ(ReadFile(Data("score_s.sav")).size(), 192u);
  EXPECT_FALSE(std::filesystem::exists(Data("cnf.dat")));
  auto show = Run("show .");
  EXPECT_EQ(show.exitCode, 0);
  EXPECT_EQ(show.out,
            "display 0 0 0 0\n"
            "options 1 1 1 0 0 0 1 20 19 0 0\n"
            "buttons 16 32 64 128 256 16 32 64 128 256 16 32 64 128 256 16 32 64 128 256\n"
            "unlock 0\n" +
                DefaultRecords());
}

TEST_F(DatafilesTool, ShowPrintsWhatTheGameReads) {
  std::filesystem::create_directories(dir_.File("Data"));
  WriteFile(Data("cnf.dat"), Bytes({1, 5, 0, 1}));
  WriteFile(Data("config.sav"), Bytes({7, -1, 5, 2, 9, 1, 3, 99, -4, 123, -5}));
  WriteFile(Data("score.sav"), Bytes({9}));
  WriteFile(Data("key.inf"), Bytes({0x30, 0x20}) + "\x01\x02");  // two words and a part
  auto run = Run("show " + dir_.path());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out,
            "display 1 0 0 1\n"
            "options 3 0 2 1 1 1 2 20 0 123 -5\n"
            "buttons 48 32 64 128 256 16 32 64 128 256 16 32 64 128 256 16 32 64 128 256\n"
            "unlock 0\n" +
                DefaultRecords());
}

// One line a score row in file order: the stored values, or the default row marked "repaired" for
// what no story run reaches. Seeded noise with a few rows a run can write planted in it.
TEST_F(DatafilesTool, RecordLinesShowEveryRowAndItsRepair) {
  std::filesystem::create_directories(dir_.File("Data"));
  std::mt19937 rng(1444);
  std::vector<int32_t> words(361);
  for (int32_t& w : words) w = static_cast<int32_t>(rng());
  words[0] = 3;
  const std::vector<std::vector<int32_t>> planted = {
      {0, 250000, 17, 3}, {44, 1, 9, 0}, {90, 2147483647, 17, 2147483647}, {45, 1, 10, 0}};
  for (const auto& p : planted) std::copy(p.begin() + 1, p.end(), &words[1 + 3 * p[0]]);
  WriteFile(Data("score.sav"), Bytes(words));
  auto run = Run("show .");
  EXPECT_EQ(run.exitCode, 0);
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 4u + 120u);
  EXPECT_EQ(lines[3], "unlock 3");
  for (int row = 0; row < 120; ++row) {
    const int32_t* w = &words[1 + 3 * row];
    const bool inReach =
        w[0] >= 0 && w[2] >= 0 && w[1] >= 0 && w[1] <= (row >= 40 && row < 80 ? 9 : 17);
    const std::string stored =
        "record " + std::to_string(w[0]) + " " + std::to_string(w[1]) + " " + std::to_string(w[2]);
    EXPECT_EQ(lines[4 + row], inReach ? stored : DefaultRecord(row) + " repaired") << row;
  }
  EXPECT_EQ(lines[4 + 0], "record 250000 17 3");
  EXPECT_EQ(lines[4 + 45], DefaultRecord(45) + " repaired");
  EXPECT_EQ(ReadFile(Data("score.sav")), Bytes(words));
}

// A save that the disk cannot hold (score.sav, the largest) fails alone, with its reason, and keeps
// the old file; the next run writes it, and no temporary file stays.
TEST_F(DatafilesTool, FailedSaveExitsOneAndKeepsTheOldFile) {
  std::filesystem::create_directories(dir_.File("Data"));
  const std::string old = Bytes({7, -1, 5, 2, 9, 1, 3, 99, -4, 123, -5});
  WriteFile(Data("config.sav"), old);
  WriteFile(Data("score.sav"), "old scores");
  auto run = testsupport::RunWords(dir_.path(), DATAFILES_PATH,
                                   {.words = {"save", "."}, .settings = "", .fullAt = 1000});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  // After the repair of what it read, the failed save with its reason, once.
  const std::string failed =
      "datafiles: Data\\score.sav: the save failed (File too large); the old file is kept";
  const std::vector<std::string> said = Lines(run.err);
  EXPECT_EQ(said.back(), failed);
  EXPECT_EQ(std::count(said.begin(), said.end(), failed), 1) << run.err;
  EXPECT_EQ(ReadFile(Data("score.sav")), "old scores");
  // The other three were written.
  EXPECT_EQ(ReadFile(Data("config.sav")), Bytes({3, 0, 2, 1, 1, 1, 2, 20, 0, 123, -5}));
  EXPECT_EQ(ReadFile(Data("score_s.sav")).size(), 192u);
  run = Run("save .");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(ReadFile(Data("score.sav")).size(), 1444u);
  EXPECT_EQ(testsupport::Names(dir_.File("Data")),
            (std::vector<std::string>{"config.sav", "key.inf", "score.sav", "score_s.sav"}));
  std::filesystem::create_directories(Data("cnf.dat"));  // there, but not to be read: said, and 1
  run = Run("show .");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "datafiles: Data\\cnf.dat: is not a file; the defaults stay\n");
}

TEST_F(DatafilesTool, UsageErrors) {
  for (const char* args :
       {"", "show", "list .", "show . extra", "show /nonexistent/folder", "save --all"}) {
    auto run = Run(args);
    EXPECT_EQ(run.exitCode, 2) << args;
    EXPECT_EQ(run.out, "") << args;
    EXPECT_NE(run.err, "") << args;
  }
}

}  // namespace
