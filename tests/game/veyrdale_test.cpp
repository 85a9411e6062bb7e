// The game as a program, headless on the virtual clock: it starts, runs its frames at 60 a
// second, ends on Escape and on a window close with exit code 0, and returns -1 when the library
// does not start, 1 when it finds no display.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Without a display and with no video driver chosen, SDL would draw nowhere and the game would run
// unseen until killed: it says so in one line, on standard error and as its log's only line, and
// exits 1 at once, writing nothing in Data/ (made or not). A driver the user chose, one that draws
// nowhere among them, starts it as before. A frame limit ends a game that starts, so that one
// which wrongly does ends at once too.
TEST_F(Veyrdale, WithoutADisplayItSaysSoAndExitsOne) {
  const std::string headless = "; SDL_VIDEODRIVER=dummy runs it headless";
  const struct {
    std::string settings;
    int status;
    std::string line;  // "" for a start
  } cases[] = {
      {"env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER", 1,
       "veyrdale: no display: DISPLAY and WAYLAND_DISPLAY are unset" + headless},
      {"DISPLAY=:4711 env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER", 1,
       "veyrdale: no display: DISPLAY=:4711 cannot be opened" + headless},
      {"SDL_VIDEODRIVER=dummy env -u DISPLAY -u WAYLAND_DISPLAY", 0, ""},
      {"SDL_VIDEODRIVER=offscreen " + testsupport::kOffscreenLeaks +
           " env -u DISPLAY -u WAYLAND_DISPLAY",
       0, ""},
  };
  const std::string settings = std::string("\x01") + std::string(15, '\0');
  for (const auto& c : cases) {
    for (bool withData : {false, true}) {
      SCOPED_TRACE(c.settings + (withData ? ", with Data/" : ", no Data/"));
      std::filesystem::remove_all(dir_.File("Data"));
      std::filesystem::remove(dir_.File("AppLog.txt"));
      if (withData) {
        std::filesystem::create_directories(dir_.File("Data"));
        WriteFile(dir_.File("Data/cnf.dat"), settings);
      }
      const std::vector<std::string> before = testsupport::Listing(dir_.File("Data"));
      auto run = Run("MORROW_MAX_FRAMES=1 " + c.settings);
      EXPECT_EQ(run.exitCode, c.status) << testsupport::Describe(run);
      if (c.line.empty()) {
        EXPECT_EQ(run.err.find("no display"), std::string::npos) << run.err;
        continue;
      }
      EXPECT_EQ(run.err, c.line + "\n");
      const std::vector<std::string> lines = LogLines();
      ASSERT_EQ(lines.size(), 1u) << ReadFile(dir_.File("AppLog.txt"));
      EXPECT_EQ(lines[0].substr(lines[0].find(':') + 1), c.line);
      EXPECT_EQ(std::filesystem::exists(dir_.File("Data")), withData);
      EXPECT_EQ(testsupport::Listing(dir_.File("Data")), before);
      if (withData) {
        EXPECT_EQ(ReadFile(dir_.File("Data/cnf.dat")), settings);
      }
    }
  }
}

// What a player who starts the game in the wrong place, or with damaged settings, learns: one
// line on standard error for the missing Resource/ folder, the damaged key settings named once in
// the log, and one line when the log itself cannot be written. The game plays on.
TEST_F(Veyrdale, AStartWithoutResourcesOrWithDamageSaysSo) {
  std::filesystem::create_directories(dir_.File("Data"));
  WriteFile(dir_.File("Data/key.inf"), std::string(80, '\0'));
  // ALSA as the sound driver: on a machine without a sound card its library's complaints stay
  // off standard error (the log says the sound did not start).
  auto run = Run("SDL_AUDIODRIVER=alsa MORROW_MAX_FRAMES=5");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err.find("ALSA"), std::string::npos) << run.err;
  int resourceLines = 0;
  for (size_t at = 0; (at = run.err.find("Resource", at)) != std::string::npos; ++at) {
    ++resourceLines;
    at = run.err.find('\n', at);
    if (at == std::string::npos) break;
  }
  EXPECT_EQ(resourceLines, 1) << run.err;
  EXPECT_NE(run.err.find(dir_.path()), std::string::npos) << run.err;
  // The tool as a player who ran scripts/play.sh has it, aimed at the folder that lacks the tree.
  EXPECT_NE(run.err.find("build-release/tools/make-demo-resources " + dir_.path()),
            std::string::npos)
      << run.err;
  EXPECT_TRUE(LogHas("no Resource/ folder in " + dir_.path()));
  int keyLines = 0;
  for (const std::string& line : LogLines()) keyLines += line.find("key.inf") != std::string::npos;
  EXPECT_EQ(keyLines, 1);
  EXPECT_TRUE(LogHas("the key settings were reset"));

  // A log that cannot be written: said once, and the game still runs and ends normally.
  std::filesystem::remove(dir_.File("AppLog.txt"));
  std::filesystem::create_directories(dir_.File("AppLog.txt"));
  auto unlogged = Run("MORROW_MAX_FRAMES=5");
  EXPECT_EQ(unlogged.exitCode, 0) << unlogged.err;
  size_t said = 0;
  for (size_t at = 0; (at = unlogged.err.find("cannot write the log", at)) != std::string::npos;
       ++at) {
    ++said;
  }
  EXPECT_EQ(said, 1u) << unlogged.err;
}

// SIGTERM, SIGHUP and SIGQUIT end the game as the close button does: exit code 0, the log
// finished, the instance lock free for the next start.
TEST_F(Veyrdale, EndSignalsEndTheGameCleanly) {
  for (int sig : {SIGTERM, SIGHUP, SIGQUIT}) {
    SCOPED_TRACE(sig);
    std::filesystem::remove(dir_.File("AppLog.txt"));
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      // The signals as a terminal would leave them, whatever the test runner set.
      for (int s : {SIGTERM, SIGHUP, SIGQUIT, SIGINT}) signal(s, SIG_DFL);
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      if (chdir(dir_.path().c_str()) != 0) _exit(120);
      setenv("SDL_VIDEODRIVER", "dummy", 1);
      setenv("SDL_AUDIODRIVER", "dummy", 1);
      setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
      setenv("MORROW_CLOCK", "virtual", 1);
      setenv("MORROW_MAX_FRAMES", "100000000", 1);
      if (freopen("/dev/null", "w", stderr) == nullptr) _exit(122);
      execl(VEYRDALE_PATH, "veyrdale", static_cast<char*>(nullptr));
      _exit(121);
    }
    // Running once its start is logged (the missing Resource/ folder is reported after the
    // library start) with its handler for the signal in.
    int status = 0;
    const ::testing::AssertionResult started = testsupport::SeenWithin(
        "the game's start, its handler in,",
        [&] { return LogHas("no Resource/ folder") && testsupport::Catches(pid, sig); });
    ::testing::AssertionResult ended = started;
    if (started) {
      kill(pid, sig);
      ended = testsupport::SeenWithin("the game's end",
                                      [&] { return waitpid(pid, &status, WNOHANG) == pid; });
    }
    if (!ended) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
    }
    ASSERT_TRUE(started);
    ASSERT_TRUE(ended);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(LogHas("ＣＯＭを終了... 完了"));
    auto next = Run("MORROW_MAX_FRAMES=2");
    EXPECT_EQ(next.exitCode, 0);
    EXPECT_FALSE(LogHas("２重起動されています"));
  }
}

}  // namespace
