// The tools' shared start and end, seen from outside through morrow-probe, for the ends the table
// of every tool (tool_failures_test) does not reach: a standard output found broken before the end,
// no display service and a start the library ends itself each give a status and one line.
#include <string>

#include <gtest/gtest.h>

#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

TEST(ToolRun, EachEndGivesItsStatusAndOneLine) {
  const struct {
    const char* args;
    const char* env;
    int status;
    std::string err;  // the start of its one line
  } cases[] = {
      // The probe flushes its lines itself: the failure is found before the end.
      {"text --events text:a >/dev/full", "", 1,
       "morrow-probe: cannot write standard output: an earlier write failed\n"},
      {"start-end --window", "SDL_VIDEODRIVER=none", 1,
       "morrow-probe: the library did not start: no display service"},
      {"start-end --window", "MORROW_DESKTOP=320x200x32", 255, "morrow: ended with an error: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args + std::string(" ") + c.env);
    testsupport::TempDir dir;
    const testsupport::ProgramRun run = testsupport::RunProgram(
        dir.path(), MORROW_PROBE, c.args,
        std::string("SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy MORROW_CLOCK=virtual "
                    "XDG_RUNTIME_DIR='") +
            getenv("XDG_RUNTIME_DIR") + "' " + c.env);
    EXPECT_EQ(run.exitCode, c.status);
    EXPECT_EQ(run.err.substr(0, c.err.size()), c.err);
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  }
}

TEST(ToolRun, OnlyADashAndMoreIsAnOption) {
  for (const char* option : {"-x", "--name"}) EXPECT_TRUE(toolrun::IsOption(option)) << option;
  for (const char* path : {"-", "", "file", "a-b"}) EXPECT_FALSE(toolrun::IsOption(path)) << path;
  EXPECT_FALSE(toolrun::IsOption(nullptr));
}

}  // namespace
