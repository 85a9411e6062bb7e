// battle-sim --round-robin as a program: the report's format, the same bytes for any --jobs, a
// match that replays as a plain computer-vs-computer run, bad options, and stopped runs.
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_lines.h"

namespace {

using testsupport::Lines;
using testsupport::ProgramRun;
using testsupport::TempDir;

const std::string kMaps = std::string(SOURCE_DIR) + "/tests/data/maps";

ProgramRun Sim(const TempDir& dir, const std::string& args) {
  return testsupport::RunProgram(dir.path(), BATTLE_SIM, args);
}

// A share as the report prints it: digits, a point, one digit, then `suffix`.
bool IsShare(const std::string& text, const std::string& suffix = "") {
  if (text.size() < 3 + suffix.size() || text.substr(text.size() - suffix.size()) != suffix) {
    return false;
  }
  const std::string number = text.substr(0, text.size() - suffix.size());
  const size_t point = number.find('.');
  if (point == std::string::npos || point == 0 || point + 2 != number.size()) return false;
  for (size_t i = 0; i < number.size(); ++i) {
    if (i != point && !std::isdigit(static_cast<unsigned char>(number[i]))) return false;
  }
  return true;
}

// The text after `prefix`, or "?" when the line does not start with it.
std::string After(const std::string& line, const std::string& prefix) {
  return line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : "?";
}

// The cells of a table row after its character number.
std::vector<std::string> Cells(const std::string& row) {
  std::istringstream in(row);
  std::vector<std::string> cells;
  std::string cell;
  in >> cell;
  while (in >> cell) cells.push_back(cell);
  return cells;
}

TEST(RoundRobinSmoke, FormatAndTheSameBytesForAnyJobs) {
  TempDir dir;
  const std::string r = "--round-robin --chars 0,1,2 --seeds 1-2 --arenas 0 --cap 6000";
  const ProgramRun one = Sim(dir, r + " --jobs 1");
  const ProgramRun three = Sim(dir, r + " --jobs 3");
  ASSERT_EQ(one.exitCode, 0) << one.out << one.err;
  ASSERT_EQ(three.exitCode, 0) << three.out << three.err;
  EXPECT_EQ(one.out, three.out);

  const std::vector<std::string> lines = Lines(one.out);
  ASSERT_EQ(lines.size(), 11u) << one.out;
  EXPECT_EQ(lines[0], "round-robin: 6 pairs x 2 seeds x 1 arenas = 12 matches");
  EXPECT_EQ(lines[1], "        0      1      2");
  double share[3][3] = {};
  for (int a = 0; a < 3; ++a) {
    const std::vector<std::string> cells = Cells(lines[2 + a]);
    ASSERT_EQ(cells.size(), 3u) << lines[2 + a];
    for (int b = 0; b < 3; ++b) {
      if (a == b) {
        EXPECT_EQ(cells[b], "-");
        continue;
      }
      EXPECT_TRUE(IsShare(cells[b])) << cells[b];
      share[a][b] = std::stod(cells[b]);
    }
  }
  for (int a = 0; a < 3; ++a) {
    for (int b = 0; b < a; ++b) EXPECT_NEAR(share[a][b] + share[b][a], 100.0, 0.11);
    EXPECT_TRUE(IsShare(After(lines[5 + a], "overall " + std::to_string(a) + " "), "%"))
        << lines[5 + a];
  }
  const std::string draws = After(lines[8], "draws ");
  EXPECT_TRUE(!draws.empty() && draws.find_first_not_of("0123456789") == std::string::npos)
      << lines[8];
  const std::string worst = After(lines[9], "worst pairing ");
  ASSERT_GE(worst.size(), 4u) << lines[9];
  EXPECT_TRUE(worst[0] >= '0' && worst[0] <= '2' && worst[1] == ' ' && worst[2] >= '0' &&
              worst[2] <= '2' && worst[3] == ' ' && worst[0] != worst[2])
      << lines[9];
  EXPECT_TRUE(IsShare(worst.substr(4), "%")) << lines[9];
  const std::string verdict = After(lines[10], "balance: ");
  EXPECT_TRUE(verdict == "ok" ||
              (After(verdict, "out (").find(" characters outside 35-65%, ") != std::string::npos &&
               verdict.find(" pairings beyond 20/80)") == verdict.size() - 23))
      << lines[10];
}

// Characters 0 and 1 on one seed: the table's share is what two plain runs with the match's
// options give (seed s + 1000 x (16a + b)).
TEST(RoundRobinSmoke, AMatchReplaysAsAPlainComputerRun) {
  TempDir dir;
  const ProgramRun table =
      Sim(dir, "--round-robin --chars 0,1 --seeds 3-3 --arenas 0 --cap 6000 --maps " + kMaps);
  ASSERT_EQ(table.exitCode, 0) << table.out << table.err;
  double points = 0.0;  // character 0's
  for (const char* match : {"--seed 1003 --chars 0,1", "--seed 16003 --chars 1,0"}) {
    const ProgramRun plain =
        Sim(dir, std::string(match) +
                     " --date 2024-01-01T12:00:00 --players 2 --cpu all --difficulty 3 "
                     "--handicap 2,2 --arena 0 --win-count 0 --time-limit 1 --frames 6000 "
                     "--final-hash --maps " +
                     kMaps);
    ASSERT_EQ(plain.exitCode, 0) << plain.out << plain.err;
    const bool zeroFirst = std::string(match).find("0,1") != std::string::npos;
    const bool ended = plain.err.find("left scene 4") != std::string::npos;
    if (!ended) {
      points += 0.5;
    } else if (plain.out.find("winner 0") != std::string::npos) {
      points += zeroFirst ? 1.0 : 0.0;
    } else if (plain.out.find("winner 1") != std::string::npos) {
      points += zeroFirst ? 0.0 : 1.0;
    }
  }
  char want[16];
  std::snprintf(want, sizeof want, "%.1f", points * 50.0);
  const std::vector<std::string> lines = Lines(table.out);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(Cells(lines[2])[1], want) << table.out;
}

TEST(RoundRobinInput, BadOptionsExitTwoWithAMessage) {
  TempDir dir;
  const struct {
    const char* args;
    const char* message;
  } cases[] = {
      {"--chars 0,1,1", "--chars: 1 is given twice"},
      {"--chars 0,16", "--chars needs comma-separated characters from 0 to 15"},
      {"--chars 3", "--chars needs at least two characters"},
      {"--seeds 3-", "--seeds needs A-B"},
      {"--seeds 4-1", "--seeds 4-1: the range is reversed"},
      {"--arenas 5-2", "--arenas 5-2: the range is reversed"},
      {"--arenas ''", "--arenas needs A-B or comma-separated arenas"},
      {"--arenas 10", "--arenas needs A-B or comma-separated arenas"},
      {"--cap 0", "--cap needs a whole number of frames"},
      {"--jobs 0", "--jobs needs a whole number from 1 to 64"},
      {"--difficulty 4", "--difficulty needs a whole number from 0 to 3"},
      {"--cap 10 --cap 20", "--cap is given twice"},
      {"--frames 10", "unknown option '--frames' for --round-robin"},
      {"--maps /nonexistent/maps", "--maps /nonexistent/maps is not a folder"},
  };
  for (const auto& c : cases) {
    const ProgramRun run = Sim(dir, std::string("--round-robin ") + c.args);
    EXPECT_EQ(run.exitCode, 2) << c.args;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args << ": " << run.err;
    EXPECT_EQ(run.out, "") << c.args;
  }
}

namespace fs = std::filesystem;
using testsupport::SeenWithin;

// Players that do nothing (their input is the empty file `idle` of the run's folder), with no
// time limit: a battle that never ends of itself, in a soak as well.
const std::vector<std::string> kEndless = {"--players",    "2", "--chars",  "0,1",
                                           "--arena",      "0", "--input",  "idle",
                                           "--time-limit", "2", "--frames", "99999999"};

std::vector<std::string> Joined(std::vector<std::string> words,
                                const std::vector<std::string>& more) {
  words.insert(words.end(), more.begin(), more.end());
  return words;
}

// How many entries `folder` holds.
size_t Entries(const std::string& folder) {
  size_t n = 0;
  std::error_code error;
  for (fs::directory_iterator e(folder, error); !error && e != fs::directory_iterator();
       e.increment(error)) {
    ++n;
  }
  return n;
}

// A plain run with its trace, a soak and a round robin stopped once they and their child runs
// have their folders: no temporary folder or trace is left; status 1 and a line. None can end
// before the stop: the battles never end of themselves, and the round robin's thousands of
// matches take hours.
TEST(BattleSimStop, NoTemporaryFolderOrCutTraceIsLeft) {
  const struct {
    int signal;
    std::vector<std::string> words;
    size_t folders;
    const char* what;
    const char* says;
  } cases[] = {{SIGTERM, Joined({"--seed", "1", "--trace", "out/t"}, kEndless), 1,
                "the run's work folder", "TERM after frame"},
               {SIGINT, Joined({"--seeds", "1-4", "--jobs", "2"}, kEndless), 2,
                "the work folders of two child runs", "INT after 0 runs"},
               {SIGTERM,
                {"--round-robin", "--jobs", "3"},
                4,
                "the maps folder and three matches' work folders",
                "TERM after"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.says);
    TempDir dir;
    fs::create_directory(dir.File("t"));
    fs::create_directory(dir.File("out"));
    testsupport::WriteFile(dir.File("idle"), "");
    ::testing::AssertionResult stopped = ::testing::AssertionSuccess();
    // env gives SIGINT back its default, should the tests run with it ignored.
    const ProgramRun ran = testsupport::RunWords(
        dir.path(), "env",
        {.words = Joined({"--default-signal=INT", BATTLE_SIM}, c.words),
         .settings = "TMPDIR='" + dir.File("t") + "'",
         .extras = {.during = [&](pid_t pid) {
           stopped = testsupport::SignalOnceSeen(
               pid, c.signal, "battle-sim with " + std::string(c.what) + " in t",
               [&] { return Entries(dir.File("t")) >= c.folders; });
         }}});
    ASSERT_TRUE(stopped);
    EXPECT_EQ(ran.exitCode, 1) << testsupport::Describe(ran);
    EXPECT_NE(ran.err.find(c.says), std::string::npos) << ran.err;
    EXPECT_TRUE(fs::is_empty(dir.File("t")) && fs::is_empty(dir.File("out")))
        << ::testing::PrintToString(testsupport::Listing(dir.path()));
  }
}

// The children that the threads of `pid` have started and not reaped.
std::vector<pid_t> Children(pid_t pid) {
  std::vector<pid_t> children;
  std::error_code error;
  for (fs::directory_iterator task("/proc/" + std::to_string(pid) + "/task", error);
       !error && task != fs::directory_iterator(); task.increment(error)) {
    std::istringstream listed(testsupport::ReadFile(task->path() / "children"));
    for (pid_t child; listed >> child;) children.push_back(child);
  }
  return children;
}

// When process `pid` started (field 22 of its stat line), or 0 when it has ended: gone, or a
// zombie nobody has reaped yet.
unsigned long long StartOfLive(pid_t pid) {
  const std::string stat = testsupport::ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t end = stat.rfind(')');
  if (end == std::string::npos) return 0;
  std::istringstream fields(stat.substr(end + 1));
  char state = 0;
  fields >> state;
  std::string skipped;
  for (int field = 4; field < 22; ++field) fields >> skipped;
  unsigned long long start = 0;
  fields >> start;
  return state == 'Z' ? 0 : start;
}

// A runner killed outright (SIGKILL, which it cannot take) while its child runs go on, each of
// players that do nothing, for ever: they end all the same, as soon as they see it gone.
TEST(BattleSimStop, ChildRunsEndWithTheirRunner) {
  TempDir dir;
  testsupport::WriteFile(dir.File("idle"), "");
  ::testing::AssertionResult running = ::testing::AssertionSuccess();
  ::testing::AssertionResult ended = ::testing::AssertionSuccess();
  auto killTheRunner = [&](pid_t pid) {
    std::map<pid_t, unsigned long long> children;  // each with its start, told from a later one's
    running = SeenWithin("two child runs, their handler for SIGTERM in,", [&] {
      for (const pid_t child : Children(pid)) {
        const unsigned long long start = StartOfLive(child);
        if (start != 0 && testsupport::Catches(child, SIGTERM)) children.emplace(child, start);
      }
      return children.size() >= 2;
    });
    if (!running) {
      testsupport::EndRun(pid);
      return;
    }
    kill(pid, SIGKILL);  // the runner alone: its child runs are to see it gone
    ended = SeenWithin("the end of the killed runner's child runs", [&] {
      return std::all_of(children.begin(), children.end(), [](const auto& child) {
        return StartOfLive(child.first) != child.second;
      });
    });
    for (const auto& [child, start] : children) {
      if (!ended && StartOfLive(child) == start) kill(child, SIGKILL);
    }
  };
  testsupport::RunWords(dir.path(), BATTLE_SIM,
                        {.words = Joined({"--seeds", "1-4", "--jobs", "2"}, kEndless),
                         .settings = "TMPDIR='" + dir.path() + "'",
                         .extras = {.during = killTheRunner}});
  ASSERT_TRUE(running);
  EXPECT_TRUE(ended);
}

// Each child run of a soak stopped (once, as its runner would stop it) the moment it appears, over
// and over: each ends all the same, also one the stop reaches between its start and its exec,
// while it still has the runner's stop handler, and the soak ends counting them as failures.
TEST(BattleSimStop, ChildRunsStoppedAsTheyStartEnd) {
  constexpr int kTrials = 10;
  constexpr size_t kJobs = 8;
  TempDir dir;
  testsupport::WriteFile(dir.File("idle"), "");
  const std::vector<std::string> words =
      Joined({"--seeds", "1-" + std::to_string(kJobs), "--jobs", std::to_string(kJobs)}, kEndless);
  for (int trial = 0; trial < kTrials; ++trial) {
    ::testing::AssertionResult started = ::testing::AssertionSuccess();
    // Looks without a pause: the stop is to come as early as the child can be seen.
    auto stopEachAtItsStart = [&](pid_t pid) {
      std::set<pid_t> stopped;
      started = SeenWithin(
          std::to_string(kJobs) + " child runs",
          [&] {
            for (const pid_t child : Children(pid)) {
              if (stopped.insert(child).second) kill(child, SIGTERM);
            }
            return stopped.size() >= kJobs;
          },
          testsupport::kSeenWithin, std::chrono::microseconds(0));
      if (!started) testsupport::EndRun(pid);
    };
    const ProgramRun ran = testsupport::RunWords(dir.path(), BATTLE_SIM,
                                                 {.words = words,
                                                  .settings = "TMPDIR='" + dir.path() + "'",
                                                  .extras = {.during = stopEachAtItsStart}});
    ASSERT_TRUE(started) << "trial " << trial;
    ASSERT_EQ(ran.exitCode, 1) << "trial " << trial << "\n" << testsupport::Describe(ran);
    EXPECT_NE(ran.out.find("soak: " + std::to_string(kJobs) + " runs, " + std::to_string(kJobs) +
                           " failures"),
              std::string::npos)
        << ran.out;
  }
}

}  // namespace
