// The tools' shared start and end: standard output that cannot take what was printed, a held
// lock, a refused start and a start the library ends itself each give a status and one line, seen
// from outside through a program made of them alone; the option and input checks in process.
#include <sys/stat.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/instance_lock.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

using testsupport::ProgramRun;
using testsupport::TempDir;

struct EndCase {
  const char* args;
  const char* env;
  bool lockHeld;
  bool toFull;  // standard output on /dev/full
  int status;
  std::string out;  // when not on /dev/full
  std::string err;  // a prefix of standard error ("" for none at all)
};

TEST(ToolRun, EachEndGivesItsStatusAndOneLine) {
  const std::string noSpace = "probe: cannot write standard output: No space left on device\n";
  const EndCase cases[] = {
      {"print hello", "", false, false, 0, "hello\n", ""},
      {"print hello", "", false, true, 1, "", noSpace},
      {"flushed hello", "", false, true, 1, "",
       "probe: cannot write standard output: an earlier write failed\n"},
      {"failed hello", "", false, true, 3, "", noSpace},
      {"exit hello", "", false, true, 1, "", noSpace},
      {"start", "SDL_VIDEODRIVER=dummy", false, false, 0, "started\n", ""},
      {"start", "SDL_VIDEODRIVER=dummy", true, false, 2, "",
       "probe: nothing done: another instance holds the library's lock\n"},
      {"start", "SDL_VIDEODRIVER=none", false, false, 7, "",
       "probe: the library did not start: no display service"},
      {"start", "SDL_VIDEODRIVER=dummy MORROW_DESKTOP=320x200x32", false, false, 255, "",
       "morrow: ended with an error: "},
  };
  for (const EndCase& c : cases) {
    SCOPED_TRACE(c.args + std::string(c.lockHeld ? " under a held lock " : " ") + c.env);
    TempDir dir;
    platform::InstanceLock held;
    if (c.lockHeld) {
      ASSERT_TRUE(held.Acquire("Morrow"));
    }
    const std::string args = std::string(c.args) + (c.toFull ? " >/dev/full" : "");
    const ProgramRun run = testsupport::RunProgram(
        dir.path(), TOOL_RUN_PROBE, args,
        std::string("MORROW_CLOCK=virtual SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR='") +
            getenv("XDG_RUNTIME_DIR") + "' " + c.env);
    EXPECT_EQ(run.exitCode, c.status);
    EXPECT_EQ(run.out, c.out);
    if (c.err.empty()) {
      EXPECT_EQ(run.err, "");
    } else {
      EXPECT_EQ(run.err.substr(0, c.err.size()), c.err) << run.err;
      // One line, whatever it says after its start.
      EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
  }
}

TEST(ToolRun, OnlyADashAndMoreIsAnOption) {
  const struct {
    const char* arg;
    bool option;
  } cases[] = {{"-x", true},    {"--name", true}, {"-", false},    {"", false},
               {"file", false}, {"a-b", false},   {nullptr, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(toolrun::IsOption(c.arg), c.option) << (c.arg != nullptr ? c.arg : "null");
  }
}

TEST(ToolRun, InputsThatCannotBeReadAreNamedWithTheirReason) {
  TempDir dir;
  testsupport::WriteFile(dir.File("in.txt"), std::string("a\0b", 3));
  ASSERT_EQ(mkdir(dir.File("folder").c_str(), 0700), 0);
  std::string bytes = "stale";
  EXPECT_TRUE(toolrun::ReadWholeFile(dir.File("in.txt"), &bytes));
  EXPECT_EQ(bytes, std::string("a\0b", 3));
  EXPECT_EQ(toolrun::InputRefusal(dir.File("in.txt")), "");
  EXPECT_EQ(toolrun::InputRefusal(dir.File("folder")),
            dir.File("folder") + ": is a folder, not a file");
  EXPECT_EQ(toolrun::InputRefusal(dir.File("missing")),
            dir.File("missing") + ": No such file or directory");
  EXPECT_FALSE(toolrun::ReadWholeFile(dir.File("folder"), &bytes));
  EXPECT_FALSE(toolrun::ReadWholeFile(dir.File("missing"), &bytes));
}

}  // namespace
