// make-test-movie as a program: the movie takes OUT's name whole or not at all.
#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "tests/support/program_run.h"

namespace {

// A full disk (a file size limit), a missing folder and an option for OUT: a status and a line,
// and the folder as it was; then a whole movie over the old file.
TEST(MakeTestMovie, AFailedWriteLeavesOutAsItWas) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("old.mkv"), "old");
  const std::string movie = " 64 64 10 1,2,3 4,5,6 7,8,9";
  for (const auto& [script, status] :
       {std::pair{"trap \"\" XFSZ; prlimit --fsize=300 -- \"$0\" old.mkv", 1},
        {"\"$0\" none/new.mkv", 1}, {"\"$0\" --new.mkv", 2}}) {
    const auto run = testsupport::RunProgram(dir.path(), "/bin/sh",
                                             std::string("-c '") + script + movie + "' " MAKE_TEST_MOVIE);
    EXPECT_EQ(run.exitCode, status) << script;
    EXPECT_NE(run.err, "") << script;
  }
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.insert(e.path().filename());
  EXPECT_EQ(names, (std::set<std::string>{".stderr.txt", "old.mkv"}));
  EXPECT_EQ(testsupport::ReadFile(dir.File("old.mkv")), "old");
  EXPECT_EQ(testsupport::RunProgram(dir.path(), MAKE_TEST_MOVIE, "old.mkv" + movie).exitCode, 0);
  EXPECT_EQ(testsupport::ReadFile(dir.File("old.mkv")).substr(0, 4), "\x1a\x45\xdf\xa3");  // EBML
}

}  // namespace
