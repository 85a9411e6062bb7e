// make-demo-resources as a program, and the rule scripts/play.sh starts the game by
// (scripts/demo-resources.sh): a run that fails or is stopped leaves no tree, and the rule writes
// a tree only where none of the tool's is finished, never over real resources.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/child_program.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ChildProgram;
using testsupport::ProgramRun;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

const std::string kMark = "Resource/.make-demo-resources";

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

// Whether a run has begun writing: a file in its staging folder.
bool WritingBegun(const std::string& folder) {
  std::error_code ec;
  for (const auto& f : fs::recursive_directory_iterator(folder, ec)) {
    if (f.is_regular_file(ec) && f.path().string().find("/.make-demo-resources-") != std::string::npos) {
      return true;
    }
  }
  return false;
}

// A full disk, SIGTERM and SIGINT halfway: status 1, one line, and nothing in DIR, whether a
// tree was there before (which keeps its bytes) or not.
TEST(MakeDemoResources, AFailedOrStoppedRunLeavesNoTree) {
  TempDir made;
  ASSERT_EQ(testsupport::RunProgram(made.path(), MAKE_DEMO_RESOURCES, made.path()).exitCode, 0);
  struct Case {
    const char* name;
    long long fileSizeLimit;
    int signal;  // sent once the pictures have begun; 0 none
    bool treeBefore;
    const char* says;
  } cases[] = {
      {"full disk", 4096, 0, false, "/Resource/"},
      {"full disk over a tree", 4096, 0, true, "/Resource/"},
      {"SIGTERM", -1, SIGTERM, false, "stopped by SIGTERM"},
      {"SIGINT over a tree", -1, SIGINT, true, "stopped by SIGINT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    if (c.treeBefore) fs::copy(made.File("Resource"), dir.File("Resource"), fs::copy_options::recursive);
    ChildProgram tool(MAKE_DEMO_RESOURCES, {dir.path()}, {dir.path(), c.fileSizeLimit, {}});
    if (c.signal != 0) {
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
      while (!WritingBegun(dir.path()) && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      tool.Signal(c.signal);
    }
    const ProgramRun run = tool.Wait();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(".make-demo-resources-"), std::string::npos) << run.err;
    if (c.treeBefore) {
      EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"Resource"});
      EXPECT_EQ(ReadFile(dir.File("Resource/bst.dat")), ReadFile(made.File("Resource/bst.dat")));
      EXPECT_EQ(ReadFile(dir.File(kMark)), "complete\n");
    } else {
      EXPECT_EQ(Names(dir.path()), std::vector<std::string>{});
    }
  }
}

TEST(MakeDemoResources, OptionsAndMissingFoldersAreRefused) {
  TempDir dir;
  struct Case {
    std::string args;
    int status;
  } cases[] = {{"--help", 2}, {"-x", 2}, {"", 2}, {"a b", 2}, {"none", 1}, {"/dev/full", 1}};
  for (const Case& c : cases) {
    const ProgramRun run = testsupport::RunProgram(dir.path(), MAKE_DEMO_RESOURCES, c.args);
    EXPECT_EQ(run.exitCode, c.status) << c.args;
    EXPECT_NE(run.err, "") << c.args;
  }
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{".stderr.txt"});
}

// The rule, with a stand-in for the tool that notes its runs and exits as told.
class PlayRule : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(tool_.File("tool"),
              "#!/bin/sh\necho \"$1\" >> \"$RUNS\"\n"
              "[ \"$STATUS\" = 0 ] && mkdir -p \"$1/Resource\" && "
              "printf 'complete\\n' > \"$1/" + kMark + "\"\necho 'said by the tool' >&2\nexit $STATUS\n");
    fs::permissions(tool_.File("tool"), fs::perms::owner_all);
  }
  ProgramRun Rule(int toolStatus) {
    ChildProgram rule("/bin/bash",
                      {std::string(SOURCE_DIR) + "/scripts/demo-resources.sh", tool_.File("tool"),
                       dir_.path()},
                      {"", -1, {"RUNS=" + tool_.File("runs"), "STATUS=" + std::to_string(toolStatus)}});
    return rule.Wait();
  }
  int Runs() const {
    const std::string runs = ReadFile(tool_.File("runs"));
    return static_cast<int>(std::count(runs.begin(), runs.end(), '\n'));
  }
  TempDir tool_, dir_;
};

TEST_F(PlayRule, WritesATreeOnlyWhereNoneOfTheToolsIsFinished) {
  struct Case {
    const char* name;
    std::string mark;  // "-": no Resource/; "": a Resource/ without the mark
    int toolStatus;
    int runs;    // of the tool
    int status;  // of the rule
  } cases[] = {
      {"no tree", "-", 0, 1, 0},
      {"a finished tree", "complete\n", 0, 0, 0},
      {"a tree the tool began", "", 0, 1, 0},
      {"a mark cut short", "compl", 0, 1, 0},
      // The tool keeps a Resource/ that is not its own (3): the game starts on it.
      {"real resources", "", 3, 1, 0},
      {"a failed write", "-", 1, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir_.File("Resource"));
    fs::remove(tool_.File("runs"));
    if (c.mark != "-") {
      fs::create_directories(dir_.File("Resource"));
      if (!c.mark.empty()) WriteFile(dir_.File(kMark), c.mark);
    }
    const ProgramRun run = Rule(c.toolStatus);
    EXPECT_EQ(run.exitCode, c.status);
    EXPECT_EQ(Runs(), c.runs);
    // The tool's lines are shown unless the game starts on a tree the tool kept.
    EXPECT_EQ(run.err, c.runs == 1 && c.toolStatus != 3 ? "said by the tool\n" : "");
  }
}

// Staging folders nobody holds are a killed run's and go; one a running tool holds stays.
TEST_F(PlayRule, RemovesTheStagingFoldersOfKilledRunsOnly) {
  fs::create_directories(dir_.File("Resource"));
  WriteFile(dir_.File(kMark), "complete\n");
  for (const char* name : {".make-demo-resources-dead01", ".make-demo-resources-live01",
                           ".make-demo-resources-dead02"}) {
    fs::create_directories(dir_.File(std::string(name) + "/Resource/SE"));
  }
  const int held = open(dir_.File(".make-demo-resources-live01").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  const ProgramRun run = Rule(0);
  close(held);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(Runs(), 0);
  std::vector<std::string> names = Names(dir_.path());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".make-demo-resources-live01", "Resource"}));
}

}  // namespace
