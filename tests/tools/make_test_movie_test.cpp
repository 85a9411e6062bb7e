// make-test-movie as a program: a movie that cannot be written says why.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::Describe;
using testsupport::ProgramRun;
using testsupport::ReadFile;

const std::string kOldBytes = "an older movie\n";
constexpr const char* kTool = "make-test-movie: ";

// "R,G,B" words, one frame each, every one a colour of its own.
std::vector<std::string> Colours(int count) {
  std::vector<std::string> words;
  for (int i = 1; i <= count; ++i) {
    words.push_back(std::to_string(i * 4) + "," + std::to_string(255 - i * 3) + "," +
                    std::to_string(i * 2));
  }
  return words;
}

// The disk fills before the movie is whole: the system's reason is the line's, whether the limit
// is met in the muxer's own writes or in the flush its first seek makes; the old movie keeps its
// bytes and nothing is left beside it.
TEST(MakeTestMovie, AFullDiskSaysWhy) {
  struct Case {
    const char* name;
    int size;
    int frames;
    rlim_t fullAt;
  } cases[] = {
      {"a small movie, held back until a seek", 8, 2, 300},
      {"a movie larger than the muxer holds back", 256, 60, 5000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("out.mkv"), kOldBytes);
    std::vector<std::string> words = {"out.mkv", std::to_string(c.size), std::to_string(c.size),
                                      "10"};
    for (const std::string& colour : Colours(c.frames)) words.push_back(colour);
    const ProgramRun run = testsupport::RunWords(
        dir.path(), MAKE_TEST_MOVIE,
        {.words = words, .settings = "", .stdoutFull = false, .fullAt = c.fullAt});
    EXPECT_EQ(run.exitCode, 1) << Describe(run);
    EXPECT_EQ(run.err, std::string(kTool) + "cannot write out.mkv: File too large\n");
    EXPECT_EQ(ReadFile(dir.File("out.mkv")), kOldBytes);
    EXPECT_EQ(testsupport::Names(dir.path()), std::vector<std::string>{"out.mkv"});
  }
}

// A user's own read-only movie, written again by that user: whether the run replaces it or
// refuses it, a refusal names its reason and leaves the old bytes.
TEST(MakeTestMovie, AUsersOwnReadOnlyMovieIsRefusedAsAPlainWriteIs) {
  if (geteuid() != 0) GTEST_SKIP() << "acting as a second user takes the superuser";
  constexpr uid_t kUser = 65534;
  testsupport::TempDir dir;
  // The tool is run from the folder, which the user may reach wherever the build is.
  const std::string tool = dir.File("make-test-movie");
  fs::copy_file(MAKE_TEST_MOVIE, tool);
  testsupport::WriteFile(dir.File("out.mkv"), kOldBytes);
  for (const char* name : {".", "make-test-movie", "out.mkv"}) {
    ASSERT_EQ(chown(dir.File(name).c_str(), kUser, kUser), 0) << name;
  }
  ASSERT_EQ(chmod(dir.File("out.mkv").c_str(), 0444), 0);
  std::vector<std::string> words = {"--reuid=" + std::to_string(kUser),
                                    "--regid=" + std::to_string(kUser),
                                    "--clear-groups",
                                    tool,
                                    "out.mkv",
                                    "8",
                                    "8",
                                    "2",
                                    "255,0,0"};
  const ProgramRun run =
      testsupport::RunWords(dir.path(), "setpriv", {.words = words, .settings = ""});
  struct stat st;
  ASSERT_EQ(stat(dir.File("out.mkv").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
  EXPECT_EQ(st.st_uid, kUser);
  EXPECT_EQ(testsupport::Names(dir.path()),
            (std::vector<std::string>{"make-test-movie", "out.mkv"}));
  // A plain write into a file of mode 0444 is refused to its owner too, so the movie is.
  EXPECT_EQ(run.exitCode, 1) << Describe(run);
  EXPECT_EQ(run.err, std::string(kTool) + "cannot write out.mkv: Permission denied\n")
      << Describe(run);
  EXPECT_EQ(ReadFile(dir.File("out.mkv")), kOldBytes);
}

}  // namespace
