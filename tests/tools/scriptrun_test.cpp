// scriptrun as a program: the pages of scripts in a folder's Resource/Srd, their end, and the
// ways it refuses to run.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::RunProgram;
using testsupport::WriteFile;

class ScenarioTool : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(dir_.File("Resource/Srd")); }
  // A script written in UTF-8 here and stored in GBK, as the game's scripts are.
  void Script(const std::string& stem, const std::string& utf8) {
    WriteFile(dir_.File("Resource/Srd/" + stem + ".srd"), platform::Utf8ToGbk(utf8));
  }
  testsupport::ProgramRun Run(const std::string& args) {
    return RunProgram(dir_.path(), SCRIPTRUN_PATH, args);
  }
  testsupport::TempDir dir_;
};

struct ToolCase {
  const char* name;
  const char* stem;
  const char* script;  // UTF-8
  const char* args;
  int exitCode;
  const char* out;
};

TEST_F(ScenarioTool, PrintsEachPageAndTheEnd) {
  const ToolCase cases[] = {
      {"speakers, portraits and rows", "00", ">1A3你好~世界\\E>2P0再见\\_", "0", 0,
       "page 1: speaker 0 portraits 1 99 expressions 3 0\n"
       "  你好\n"
       "  世界\n"
       "page 2: speaker 1 portraits 99 0 expressions 3 0\n"
       "  再见\n"
       "end: result 1 players 1\n"},
      {"out-of-range operands and a clamped player count", "01", ">9Z!测试\\P+P+P+P+P+P+完\\!7_",
       "1", 0,
       "page 1: speaker 0 portraits 99 99 expressions 0 0\n"
       "  测试\n"
       "page 2: speaker 0 portraits 99 99 expressions 0 0\n"
       "  完\n"
       "page 3: speaker 0 portraits 99 99 expressions 0 0\n"
       "  完\n"
       "end: result 1 players 4\n"},
      // Stage 4 of the main story has type 2: the end gives 1.
      {"an entry of player 0 turns the page when it has run", "04", "啊\\!1吧\\_", "4", 0,
       "page 1: speaker 0 portraits 99 99 expressions 0 0\n"
       "  啊\n"
       "page 2: speaker 0 portraits 99 99 expressions 0 0\n"
       "  啊\n"
       "page 3: speaker 0 portraits 99 99 expressions 0 0\n"
       "  吧\n"
       "end: result 1 players 1\n"},
      {"the extra story's lost-fight script of stage 3", "ex103b", ">2B1败\\_", "--kind 1 53", 0,
       "page 1: speaker 1 portraits 99 2 expressions 0 1\n"
       "  败\n"
       "end: result 0 players 1\n"},
      {"the final stage's text goes to the ending rows", "ex109", "终~章\\_", "--kind 1 9", 0,
       "page 1: speaker 0 portraits 99 99 expressions 0 0\n"
       "  终\n"
       "  章\n"
       "end: result 0 players 1\n"},
      {"the main story's script after a lost first fight", "02b", "再\\_", "99", 0,
       "page 1: speaker 0 portraits 99 99 expressions 0 0\n"
       "  再\n"
       "end: result 1 players 1\n"},
      {"a missing script", "05", "啊\\_", "6", 1, "missing\n"},
  };
  for (const ToolCase& c : cases) {
    SCOPED_TRACE(c.name);
    Script(c.stem, c.script);
    const auto run = Run(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    EXPECT_EQ(run.out, c.out);
    // A script that cannot be loaded is named on stderr.
    EXPECT_EQ(run.err.find("Resource/Srd/06.srd: No such file") != std::string::npos,
              c.exitCode != 0);
  }
}

TEST_F(ScenarioTool, AScriptWithoutAnEndRunsOutOfFrames) {
  // A held page: "D" turns by itself, and the script never reaches "_".
  Script("03", "啊D吧\\");
  const auto run = Run("3");
  EXPECT_EQ(run.exitCode, 1);
  const std::string last = "unfinished after 10000 frames\n";
  ASSERT_GE(run.out.size(), last.size());
  EXPECT_EQ(run.out.substr(run.out.size() - last.size()), last);
  EXPECT_NE(run.out.find("page 2: speaker 0 portraits 99 99 expressions 0 0\n  吧\n"),
            std::string::npos);
}

TEST_F(ScenarioTool, UsageErrors) {
  for (const char* args : {"", "--kind", "--kind 2 0", "--kind x 0", "0 1", "x", "0x", "-5"}) {
    SCOPED_TRACE(args);
    const auto run = Run(args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.empty());
    EXPECT_NE(run.err.find("usage: scriptrun"), std::string::npos);
  }
}

}  // namespace
