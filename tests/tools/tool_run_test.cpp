// The tools' shared start and end, seen from outside through morrow-probe, for the ends the table
// of every tool (tool_failures_test) does not reach: a standard output found broken before the end,
// no display service and a start the library ends itself each give a status and one line; memory
// that runs out ends a tool with one line too. And the limit of a whole read, in process.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/pipe_writer.h"
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

// Exactly the limit is read whole and one byte more is refused, from a file and from a pipe whose
// writer gives its bytes in odd pieces; what ends past the limit, or never, is refused too.
TEST(ToolRun, AWholeReadEndsOneBytePastItsLimit) {
  constexpr size_t kLimit = 1000;
  const struct {
    const char* from;  // "file", "pipe" (pieces of 97 bytes) or a device
    size_t size;
    bool read;
  } cases[] = {
      {"file", kLimit, true},  {"file", kLimit + 1, false}, {"file", 0, true},
      {"pipe", kLimit, true},  {"pipe", kLimit + 1, false}, {"pipe", 5 * kLimit, false},
      {"/dev/zero", 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " of " + std::to_string(c.size));
    testsupport::TempDir dir;
    std::string path = c.from;
    std::string bytes(c.size, 'a');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>('a' + i % 26);
    std::unique_ptr<testsupport::PipeWriter> writer;
    if (path == "file") {
      path = dir.File("in");
      testsupport::WriteFile(path, bytes);
    } else if (path == "pipe") {
      path = dir.File("in");
      ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
      writer = std::make_unique<testsupport::PipeWriter>(path, bytes, 97);
    }
    std::string got = "stale", refusal;
    EXPECT_EQ(toolrun::ReadInputFile(path, kLimit, &got, &refusal), c.read) << refusal;
    if (c.read) {
      EXPECT_EQ(got, bytes);
      EXPECT_EQ(refusal, "");
    } else {
      EXPECT_EQ(got, "");
      EXPECT_EQ(refusal, path + ": larger than 1000 bytes");
    }
  }
}

// An input that never ends is held no further than one byte past the limit: the buffer the read
// leaves is no larger, however its capacity grew on the way.
TEST(ToolRun, AnEndlessInputIsHeldNoFurtherThanItsLimit) {
  constexpr size_t kLimit = size_t{3} << 20;
  std::string got, refusal;
  EXPECT_FALSE(toolrun::ReadInputFile("/dev/zero", kLimit, &got, &refusal));
  EXPECT_EQ(refusal, "/dev/zero: larger than " + std::to_string(kLimit) + " bytes");
  EXPECT_LE(got.capacity(), kLimit + 1);
}

// Memory that runs out where nothing catches it ends the process with 1 and one line, after what
// it had printed; the address space is limited so that it runs out soon. Exits 3 and 4 of the
// child: the limit could not be set, the allocations ended.
#if defined(__SANITIZE_ADDRESS__)
#define UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_ADDRESS_SANITIZER 1
#endif
#endif

TEST(ToolRun, MemoryThatRunsOutEndsWithOneLine) {
#ifdef UNDER_ADDRESS_SANITIZER
  GTEST_SKIP() << "AddressSanitizer reserves more address space than a limit leaves, and ends "
                  "the process itself when an allocation fails";
#else
  int out[2], err[2];
  ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
  ASSERT_EQ(pipe2(err, O_CLOEXEC), 0);
  std::fflush(nullptr);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    toolrun::Begin("hungry");
    std::printf("before\n");
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t room = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (rlim_t{64} << 20);
    const rlimit limit{room, room};
    if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
    // On a thread of its own, out of reach of the test's own catch.
    std::thread([] {
      std::vector<std::string> held;
      for (;;) held.emplace_back(size_t{1} << 20, 'x');
    }).join();
    _exit(4);
  }
  close(out[1]);
  close(err[1]);
  std::string said[2];
  for (int i = 0; i < 2; ++i) {
    char buffer[256];
    for (ssize_t n; (n = read(i == 0 ? out[0] : err[0], buffer, sizeof buffer)) > 0;) {
      said[i].append(buffer, static_cast<size_t>(n));
    }
    close(i == 0 ? out[0] : err[0]);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(said[0], "before\n");
  EXPECT_EQ(said[1], "hungry: out of memory\n");
#endif
}

// The library's start puts in handlers of its own only where none is, as its video start does.
// Handed over, the stop signals let it: one that comes during the start reaches its handler
// after, and one it puts nothing in for is recorded again. Run in a child, whose signals these are.
TEST(ToolRun, StopSignalsAreHandedOverToTheLibrarysStart) {
  static volatile sig_atomic_t taken = 0;
  std::fflush(nullptr);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    toolrun::CatchStopSignals();
    {
      const toolrun::StopSignalHandOver handOver;
      struct sigaction now {};
      sigaction(SIGTERM, nullptr, &now);
      if (now.sa_handler == SIG_DFL) signal(SIGTERM, [](int) { taken = 1; });
      raise(SIGTERM);
      if (taken != 0) _exit(10);
    }
    if (taken != 1 || toolrun::StopSignal() != 0) _exit(11);
    raise(SIGHUP);
    _exit(toolrun::StopSignal() == SIGHUP ? 0 : 12);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "10: not held back, 11: not handed over, 12: not recorded";
}

TEST(ToolRun, OnlyADashAndMoreIsAnOption) {
  for (const char* option : {"-x", "--name"}) EXPECT_TRUE(toolrun::IsOption(option)) << option;
  for (const char* path : {"-", "", "file", "a-b"}) EXPECT_FALSE(toolrun::IsOption(path)) << path;
  EXPECT_FALSE(toolrun::IsOption(nullptr));
}

}  // namespace
