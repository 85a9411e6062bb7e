// The game as a program, headless on the virtual clock: it starts, runs its frames at 60 a
// second, ends on Escape and on a window close with exit code 0, and returns -1 when the library
// does not start.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

class Veyrdale : public ::testing::Test {
 protected:
  testsupport::ProgramRun Run(const std::string& settings) {
    const std::string env = "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR='" +
                            dir_.path() + "' MORROW_CLOCK=virtual " + settings;
    return testsupport::RunProgram(dir_.path(), VEYRDALE_PATH, "", env);
  }
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    std::string log = ReadFile(dir_.File("AppLog.txt"));
    size_t start = 0;
    while (start < log.size()) {
      size_t end = log.find('\n', start);
      if (end == std::string::npos) end = log.size();
      lines.push_back(log.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  }
  // The time stamp of the log's last line: milliseconds since the library started.
  long LastStamp() const {
    std::vector<std::string> lines = LogLines();
    return lines.empty() ? -1 : std::strtol(lines.back().c_str(), nullptr, 10);
  }
  bool LogHas(const std::string& text) const {
    return ReadFile(dir_.File("AppLog.txt")).find(text) != std::string::npos;
  }
  testsupport::TempDir dir_;
};

TEST_F(Veyrdale, EscapeAtStartEndsNormally) {
  WriteFile(dir_.File("esc.txt"), "0 key 1 1\n");
  auto run = Run("MORROW_INPUT_SCRIPT=esc.txt");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(LogHas("DirectSound の終了処理は正常に終了しました"));
  EXPECT_TRUE(LogHas("ＣＯＭを終了... 完了"));
}

// Sixty more frames take one more second of the virtual clock.
TEST_F(Veyrdale, FramesRunAtSixtyASecondUntilTheWindowCloses) {
  std::vector<long> stamps;
  for (int frames : {60, 120, 240}) {
    auto run = Run("MORROW_MAX_FRAMES=" + std::to_string(frames));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    stamps.push_back(LastStamp());
  }
  ASSERT_EQ(stamps.size(), 3u);
  EXPECT_NEAR(stamps[1] - stamps[0], 1000, 20);
  EXPECT_NEAR(stamps[2] - stamps[1], 2000, 40);
}

TEST_F(Veyrdale, EscapeDuringTheLoopEndsNormally) {
  WriteFile(dir_.File("esc.txt"), "90 key 1 1\n");
  auto run = Run("MORROW_INPUT_SCRIPT=esc.txt MORROW_MAX_FRAMES=1000");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  // Ended by the key after about 90 frames (1.5 s), long before the frame limit (16.7 s).
  const long escaped = LastStamp();
  auto limited = Run("MORROW_MAX_FRAMES=90");
  EXPECT_EQ(limited.exitCode, 0);
  EXPECT_NEAR(escaped, LastStamp(), 40);
}

// The frame limit and the frame dump count the same frames: the presents after the start.
TEST_F(Veyrdale, DumpAndFrameLimitShareTheFrameCount) {
  struct Case {
    const char* cnf;  // display settings: window, 16 bits, no vertical-sync wait, half rate
    int frames;
  } cases[] = {{"", 3}, {"1000", 1}, {"1110", 2}, {"0100", 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cnf);
    std::filesystem::remove_all(dir_.File("Data"));
    std::filesystem::remove_all(dir_.File("dump"));
    std::filesystem::create_directories(dir_.File("dump"));
    if (c.cnf[0] != '\0') {
      std::filesystem::create_directories(dir_.File("Data"));
      std::string words;
      for (const char* w = c.cnf; *w != '\0'; ++w)
        words += std::string(1, *w - '0') + std::string(3, '\0');
      WriteFile(dir_.File("Data/cnf.dat"), words);
    }
    auto run = Run("MORROW_MAX_FRAMES=" + std::to_string(c.frames) +
                   " MORROW_DUMP_DIR=dump MORROW_DUMP_FRAMES=1-9");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    for (int f = 1; f <= 9; ++f) {
      char name[32];
      std::snprintf(name, sizeof name, "dump/frame_%06d.png", f);
      EXPECT_EQ(std::filesystem::exists(dir_.File(name)), f <= c.frames) << f;
    }
    // 640 x 480 pictures.
    const std::string png = ReadFile(dir_.File("dump/frame_000001.png"));
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x02\x80\0\0\x01\xe0", 8));
  }
}

TEST_F(Veyrdale, FailedLibraryStartExitsWithMinusOne) {
  std::filesystem::create_directories(dir_.File("Data"));
  WriteFile(dir_.File("Data/cnf.dat"), std::string("\x01\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16));
  auto run = Run("MORROW_DESKTOP=1024x768x24");
  EXPECT_EQ(run.exitCode, 255);
  EXPECT_TRUE(LogHas("Morrowは２４ビットカラーモードに対応していません"));
}

}  // namespace
