// The tools' shared start and end, seen from outside through morrow-probe, for the ends the table
// of every tool (tool_failures_test) does not reach: a standard output found broken before the end,
// no display service (a driver that fails, or displays named that cannot be opened) and a start
// the library ends itself each give a status and one line, while a driver the user chose starts
// with no display at all, whatever it draws on; an
// exception nothing catches, memory that runs out among them, ends a tool with one line too. And
// the limit of a whole read, and threads started together, in process.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/pipe_writer.h"
#include "tests/support/program_run.h"
#include "tests/support/sanitizers.h"
#include "tests/support/temp_dir.h"
#include "tools/lib/toolrun/tool_run.h"
#include "tools/lib/toolrun/workers.h"

namespace {

TEST(ToolRun, EachEndGivesItsStatusAndOneLine) {
  const struct {
    const char* args;
    std::string env;
    int status;
    std::string err;  // the start of its one line, if any
  } cases[] = {
      // The probe flushes its lines itself: the failure is found before the end.
      {"text --events text:a >/dev/full", "", 1,
       "morrow-probe: cannot write standard output: an earlier write failed\n"},
      {"start-end --window", "SDL_VIDEODRIVER=none", 1,
       "morrow-probe: the library did not start: no display service"},
      {"start-end --window", "DISPLAY=:4711 WAYLAND_DISPLAY=wayland-nowhere env -u SDL_VIDEODRIVER",
       1,
       "morrow-probe: the library did not start: no display service (neither DISPLAY=:4711 nor "
       "WAYLAND_DISPLAY=wayland-nowhere can be opened; SDL_VIDEODRIVER=dummy runs it headless)\n"},
      {"start-end --window", "env -u DISPLAY -u WAYLAND_DISPLAY", 0, ""},
      {"start-end --window",
       "SDL_VIDEODRIVER=offscreen " + testsupport::kOffscreenLeaks +
           " env -u DISPLAY -u WAYLAND_DISPLAY",
       0, ""},
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
    if (c.err.empty()) {
      EXPECT_EQ(run.err, "");
    } else {
      EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
  }
}

// Exactly the limit is read whole and one byte more is refused, from a file and from a pipe whose
// writer gives its bytes in odd pieces; what ends past the limit, or never, is refused too. The
// buffer left is never larger than one byte past the limit, however its capacity grew on the way.
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
    EXPECT_LE(got.capacity(), kLimit + 1);
  }
}

// A regular file read in part, whole, or refused for its size or for what it is leaves no
// descriptor open: a tool reads hundreds of them in one run.
TEST(ToolRun, ARegularFileReadLeavesNoDescriptorOpen) {
  namespace fs = std::filesystem;
  testsupport::TempDir dir;
  const std::string path = dir.File("in");
  testsupport::WriteFile(path, "some bytes");
  const auto openNow = [] {
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
  };
  const auto whole = [](const std::string& from, size_t limit) {
    std::string bytes, refusal;
    return toolrun::ReadWholeRegularFile(from, limit, &bytes, &refusal);
  };
  const struct {
    const char* name;
    std::function<bool()> read;
    bool taken;
  } cases[] = {
      {"in part",
       [&] {
         toolrun::RegularFile file;
         std::string refusal;
         return toolrun::ReadRegularFile(path, &file, &refusal, 4);
       },
       true},
      {"whole", [&] { return whole(path, 10); }, true},
      {"past the limit", [&] { return whole(path, 9); }, false},
      {"a folder", [&] { return whole(dir.path(), 10); }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto before = openNow();
    EXPECT_EQ(c.read(), c.taken);
    EXPECT_EQ(openNow(), before);
  }
}

// How a child process ended that began as the tool "thrower", printed "before" and then ran
// `body`: its exit status (-1 when a signal ended it, `signal`) and what it printed.
struct ChildEnd {
  int status = -1;
  int signal = 0;
  std::string out, err;
};

ChildEnd EndOfChild(const std::function<void()>& body) {
  ChildEnd end;
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return end;
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    toolrun::Begin("thrower");
    std::printf("before\n");
    body();
    _exit(4);
  }
  close(out[1]);
  close(err[1]);
  for (int i = 0; i < 2; ++i) {
    const int fd = i == 0 ? out[0] : err[0];
    char buffer[256];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
      (i == 0 ? end.out : end.err).append(buffer, static_cast<size_t>(n));
    }
    close(fd);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return end;
  if (WIFEXITED(status)) end.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) end.signal = WTERMSIG(status);
  return end;
}

// Throws out of a call that may not throw, where nothing catches it either.
void Unguarded(const std::function<void()>& body) noexcept {
  body();
}

// An exception nothing catches ends the process with 1 and one line after what it had printed,
// whatever it is and wherever it is thrown (on a thread of its own, or out of a call that may not
// throw): the words of a std::exception (its line breaks made spaces), a fixed line for anything
// else. Memory that runs out says so; the address space is limited so that it runs out soon (exit
// 3 of the child: the limit could not be set).
TEST(ToolRun, AnExceptionNothingCatchesEndsWithOneLine) {
  auto onThread = [](const std::function<void()>& body) { std::thread(body).join(); };
  const struct {
    const char* name;
    std::function<void()> body;
    const char* line;
  } cases[] = {
      {"runtime_error on a thread", [&] { onThread([] { throw std::runtime_error("x"); }); },
       "thrower: x\n"},
      {"runtime_error out of a call that may not throw",
       [] { Unguarded([] { throw std::runtime_error("two\nlines"); }); }, "thrower: two lines\n"},
      {"system_error",
       [&] { onThread([] { throw std::system_error(EAGAIN, std::generic_category()); }); },
       "thrower: Resource temporarily unavailable\n"},
      {"not a std::exception", [&] { onThread([] { throw 42; }); },
       "thrower: ended by an exception of an unknown kind\n"},
      {"out of memory",
       [&] {
#ifdef UNDER_ADDRESS_SANITIZER
         // AddressSanitizer reserves more address space than a limit leaves, and ends the
         // process itself when an allocation fails.
         onThread([] { throw std::bad_alloc(); });
#else
         long pages = 0;
         std::ifstream("/proc/self/statm") >> pages;
         const rlim_t room =
             static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (rlim_t{64} << 20);
         const rlimit limit{room, room};
         if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
         onThread([] {
           std::vector<std::string> held;
           for (;;) held.emplace_back(size_t{1} << 20, 'x');
         });
#endif
       },
       "thrower: out of memory\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ChildEnd end = EndOfChild(c.body);
    EXPECT_EQ(end.signal, 0);
    EXPECT_EQ(end.status, 1);
    EXPECT_EQ(end.out, "before\n");
    EXPECT_EQ(end.err, c.line);
  }
}

// ---------------------------------------------------------------------------------------------
// Threads started together

// A share that waits for stop(), and how the shares went.
struct Shares {
  std::mutex lock;
  std::condition_variable changed;
  bool stopped = false;
  std::vector<int> ended;

  explicit Shares(size_t count) : ended(count, 0) {}
  void WaitForStop(size_t k) {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [&] { return stopped; });
    ended[k] = 1;
  }
  void Stop() {
    std::lock_guard<std::mutex> hold(lock);
    stopped = true;
    changed.notify_all();
  }
};

// A thread that cannot start: the started shares are stopped and joined, no more is started and
// the calling thread's share is not begun; the reason is the system's. The limit of processes of
// a user of its own binds the child from its second thread on. Exits of the child: 3 the user
// could not be taken, 5 the reason, 6 the shares.
TEST(ToolRunWorkers, AThreadThatCannotStartStopsAndJoinsThoseStarted) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "a process limit binds only a user other than the superuser, whom only the "
                    "superuser can become";
  }
  // A user no process has: the child's threads are all it counts.
  const uid_t user = testsupport::UnusedUser();
  const ChildEnd end = EndOfChild([user] {
    const rlimit two{2, 2};
    if (setgroups(0, nullptr) != 0 || setresgid(user, user, user) != 0 ||
        setresuid(user, user, user) != 0 || setrlimit(RLIMIT_NPROC, &two) != 0) {
      _exit(3);
    }
    Shares shares(4);
    const std::string reason = toolrun::RunAtOnce(
        4,
        [&](size_t k) {
          // A share that ran although its thread should not have started lets the first go.
          if (k > 0) shares.Stop();
          shares.WaitForStop(k);
        },
        [&] { shares.Stop(); });
    if (reason != std::strerror(EAGAIN)) _exit(5);
    _exit(shares.ended == std::vector<int>{1, 0, 0, 0} ? 0 : 6);
  });
  EXPECT_EQ(end.status, 0) << end.err;
}

// What the calling thread's share throws reaches the caller once the other shares are stopped and
// joined: no thread is left joinable.
TEST(ToolRunWorkers, TheCallingThreadsThrowComesAfterTheOthersEnded) {
  Shares shares(3);
  std::vector<int> endedAtTheThrow;
  try {
    toolrun::RunAtOnce(
        3,
        [&](size_t k) {
          if (k == 2) throw std::runtime_error("share 2");
          shares.WaitForStop(k);
        },
        [&] { shares.Stop(); });
    ADD_FAILURE() << "nothing thrown";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "share 2");
    endedAtTheThrow = shares.ended;
  }
  EXPECT_EQ(endedAtTheThrow, (std::vector<int>{1, 1, 0}));
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
