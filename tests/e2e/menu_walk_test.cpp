// Walks through the menus with the keyboard on the virtual clock, in a generated demo tree and in
// window mode (frame n is FrameCount n): from the opening to the quit sequence, and from the
// title through a versus match against the computer, back to the title with F1 and out again.
// The frame dump shows where each walk ends: the quit scene ends the loop after its frame 120.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

class MenuWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    auto made = testsupport::RunProgram(dir_.path(), GENERATOR, "'" + dir_.path() + "'");
    ASSERT_EQ(made.exitCode, 0) << made.err;
    std::filesystem::create_directories(dir_.File("Data"));
    // Window mode, 32 bits, waiting for the blank, every frame presented.
    WriteFile(dir_.File("Data/cnf.dat"), std::string("\x01\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16));
  }

  // Runs the game on a script of this folder, dumping the frames listed, with more `settings`;
  // a run still going after the runs' bound is ended, saying so.
  testsupport::ProgramRun Walk(const std::string& script, const std::string& dumpFrames,
                               const std::string& settings = "") {
    const std::string env = "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR='" +
                            dir_.path() +
                            "' MORROW_CLOCK=virtual MORROW_MAX_FRAMES=3000 MORROW_DUMP_DIR=. "
                            "MORROW_INPUT_SCRIPT='" +
                            std::string(SCRIPT_DIR) + "/" + script +
                            "' MORROW_DUMP_FRAMES=" + dumpFrames + " " + settings;
    return testsupport::RunProgram(dir_.path(), VEYRDALE_PATH, "", env);
  }

  bool Dumped(int frame) const {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06d.png", frame);
    return std::filesystem::exists(dir_.File(name));
  }

  // The log's lines that report a file the library could not load.
  std::vector<std::string> FailedLoads() const {
    std::vector<std::string> lines;
    const std::string log = ReadFile(dir_.File("AppLog.txt"));
    size_t start = 0;
    while (start < log.size()) {
      size_t end = log.find('\n', start);
      if (end == std::string::npos) end = log.size();
      const std::string line = log.substr(start, end - start);
      if (line.find("ロードに失敗しました") != std::string::npos) lines.push_back(line);
      start = end + 1;
    }
    return lines;
  }

  testsupport::TempDir dir_;
};

// Z skips the opening at frame 41, so the title runs from frame 142; Z opens its items, up wraps
// to quit, Z at 240 chooses it: scene 6 is set in frame 241 and runs its frames 1-120 in frames
// 242-361, after which the loop ends.
TEST_F(MenuWalk, QuitFromTheTitle) {
  auto run = Walk("quit.txt", "361,362");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Dumped(361));
  EXPECT_FALSE(Dumped(362)) << "the loop ends after the quit scene's frame 120";
}

// Named pipes, which no other end ever opens, at the font file, the soundfont and the log: each is
// refused at once with one line naming it, and the game plays on as it would without that file
// (the title's music silent, the log unwritten).
TEST_F(MenuWalk, NamedPipesAtTheFilesTheLibraryOpensHoldNothing) {
  for (const char* pipe : {"font.pipe", "soundfont.pipe", "AppLog.txt"}) {
    ASSERT_EQ(mkfifo(dir_.File(pipe).c_str(), 0600), 0) << pipe;
  }
  auto run = Walk("quit.txt", "361,362",
                  "MORROW_FONT='" + dir_.File("font.pipe") + "' MORROW_SOUNDFONT='" +
                      dir_.File("soundfont.pipe") + "'");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Dumped(361));
  EXPECT_EQ(run.err, "morrow: cannot write the log " + dir_.File("AppLog.txt") +
                         ": is a named pipe, not a file\n"
                         "morrow: cannot read the font " +
                         dir_.File("font.pipe") +
                         ": is a named pipe, not a file\n"
                         "morrow: cannot read the soundfont " +
                         dir_.File("soundfont.pipe") + ": is a named pipe, not a file\n");
}

// Play, versus, two players; player 0 joins, decides, and decides for the computer slot; stage 0
// starts the battle at frame 629 or 630; F1 at 700 returns to the title, which quits as above:
// the last frame is 921. Every file the walk needs loads, the silent start-up sound included.
TEST_F(MenuWalk, VersusAgainstTheComputerAndBackToTheTitle) {
  auto run = Walk("versus.txt", "921,922");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Dumped(921));
  EXPECT_FALSE(Dumped(922)) << "F1 left the battle and the title quit";
  EXPECT_EQ(FailedLoads(), std::vector<std::string>{});
}

// F5 in frames 100-101 pauses the opening and F5 in 2950-2951 resumes it: the pause's passes are
// the script's frames 100-2949 but show no picture, and the frame limit still ends the run.
TEST_F(MenuWalk, ScriptedPauseResumesAndTheFrameLimitEndsTheRun) {
  auto run = Walk("pause.txt", "99,100,2949,2950,3000,3001");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Dumped(99) && Dumped(2950) && Dumped(3000));
  EXPECT_FALSE(Dumped(100) || Dumped(2949) || Dumped(3001));
}

}  // namespace
