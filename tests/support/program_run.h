// Runs a program of the build in a folder, with settings in its environment, and takes its exit
// code and output. Both streams come back through pipes, which no file size limit of the run
// reaches, so a run under a full disk (see `RunWords`) still says what it has to say. A run that
// takes too long is ended, and says so.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/state_wait.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

struct ProgramRun {
  int exitCode = -1;  // -1 when it did not end normally
  std::string out;
  std::string err;
};

// The run as a failure message shows it: its status, then both streams (cut when long).
inline std::string Describe(const ProgramRun& run) {
  constexpr size_t kShown = 1500;
  auto clip = [](const std::string& text) {
    return text.size() <= kShown ? text : text.substr(0, kShown) + "...";
  };
  return "status " + std::to_string(run.exitCode) + "\n--- stdout:\n" + clip(run.out) +
         "\n--- stderr:\n" + clip(run.err);
}

// Words as the shell takes them back, each quoted.
inline std::string ShellWords(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& w : words) {
    text += " '";
    for (char c : w) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    text += "'";
  }
  return text;
}

namespace detail {

// Reads both pipes until they close or the time is up; false when it is.
inline bool Drain(int outFd, int errFd, ProgramRun* run,
                  std::chrono::steady_clock::time_point giveUp) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* sinks[2] = {&run->out, &run->err};
  for (int open = 2; open > 0;) {
    const int64_t left = std::chrono::duration_cast<std::chrono::milliseconds>(
                             giveUp - std::chrono::steady_clock::now())
                             .count();
    if (left <= 0) return false;
    if (poll(fds, 2, static_cast<int>(std::min<int64_t>(left, 1000))) < 0 && errno != EINTR) {
      return true;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        fds[i].fd = -1;
        --open;
      }
    }
  }
  return true;
}

}  // namespace detail

// What a run may have besides: its standard input from the descriptor `input` (/dev/null when
// -1), and `during`, called on a thread of its own with the child's process id once it has
// started, while the run goes on (to signal it, say). The child is not reaped before `during`
// returns, so the id stays its own.
struct RunExtras {
  int input = -1;
  std::function<void(pid_t)> during;
};

// How long a run may take before it is ended, saying so: more than any one run of the tests takes
// on a busy machine many times slower than a quiet one (four sanitizer tests to a core), and well
// inside CTest's 1800 s, so that a run that hangs fails with its line.
inline constexpr int kRunSeconds = 900;

// For a run on SDL's offscreen video driver, which draws through the system's EGL: the software
// renderer it loads keeps allocations that the leak checker finds once that library is unloaded,
// when it can no longer name it to pass them over. Leaks stay checked in every other run.
inline const std::string kOffscreenLeaks = "ASAN_OPTIONS=\"${ASAN_OPTIONS}:detect_leaks=0\"";

// `environment` is put before the command as the shell takes it ("A=1 B=2"; ending in "exec" the
// shell becomes the program, so a signal that ends it shows as -1); `args` as given.
inline ProgramRun RunProgram(const std::string& folder, const std::string& program,
                             const std::string& args, const std::string& environment = "",
                             int giveUpSeconds = kRunSeconds, const RunExtras& extras = {}) {
  const std::string command =
      "cd '" + folder + "' && " + environment + " '" + program + "' " + args;
  ProgramRun run;
  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) return run;
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    return run;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    // Between fork and exec only calls that are safe there; a group of its own, to end it whole.
    const int in = extras.input >= 0 ? extras.input : open("/dev/null", O_RDONLY);
    if (in < 0 || setpgid(0, 0) != 0 || dup2(in, 0) < 0 || dup2(outPipe[1], 1) < 0 ||
        dup2(errPipe[1], 2) < 0) {
      _exit(127);
    }
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  std::thread beside;
  if (pid > 0 && extras.during) beside = std::thread(extras.during, pid);
  const bool inTime = pid > 0 && detail::Drain(outPipe[0], errPipe[0], &run,
                                               std::chrono::steady_clock::now() +
                                                   std::chrono::seconds(giveUpSeconds));
  close(outPipe[0]);
  close(errPipe[0]);
  if (beside.joinable()) beside.join();
  if (pid < 0) return run;
  if (!inTime) kill(-pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!inTime) {
    run.err += "\n(given up after " + std::to_string(giveUpSeconds) + " s)";
  } else if (WIFEXITED(status)) {
    run.exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    run.err += "\n(ended by signal " + std::to_string(WTERMSIG(status)) + ")";
  }
  return run;
}

// A run of `program` with `words` as they are, `settings` ("A=1 B=2") in its environment, its
// standard output on a full device when `stdoutFull`, and, under a `fullAt` limit, as on a full
// disk: no file it writes grows past that many bytes, and the write fails instead of ending it.
struct WordsRun {
  std::vector<std::string> words;
  std::string settings;
  bool stdoutFull = false;
  rlim_t fullAt = RLIM_INFINITY;
  RunExtras extras = {};
};

inline ProgramRun RunWords(const std::string& folder, const std::string& program,
                           const WordsRun& run, int giveUpSeconds = kRunSeconds) {
  std::string environment = run.settings + " exec";
  if (run.fullAt != RLIM_INFINITY) {
    environment =
        "trap '' XFSZ; " + environment + " prlimit --fsize=" + std::to_string(run.fullAt) + " --";
  }
  return RunProgram(folder, program, ShellWords(run.words) + (run.stdoutFull ? " >/dev/full" : ""),
                    environment, giveUpSeconds, run.extras);
}

// Whether the two paths name one file (a named pipe among them, which std::filesystem does not
// compare); false when either names none.
inline bool SameFile(const std::string& a, const std::string& b) {
  struct stat first, second;
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// Whether the process `pid`, a child not reaped yet, has ended.
inline bool Ended(pid_t pid) {
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t end = stat.rfind(") ");
  return end == std::string::npos || stat[end + 2] == 'Z';
}

// Whether the process `pid` has a handler in for `signal`.
inline bool Catches(pid_t pid, int signal) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("SigCgt:")) {
      return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1) & 1) != 0;
    }
  }
  return false;
}

// Whether the process `pid` runs `program`, has a handler in for `signal`, sleeps, and, unless
// `path` is empty, holds the file at `path` open: a program waiting on that input, ready to be
// told to stop.
inline bool SeenWaiting(pid_t pid, const std::string& program, int signal,
                        const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path proc = "/proc/" + std::to_string(pid);
  if (!SameFile(proc / "exe", program) || !Catches(pid, signal)) return false;
  std::ifstream status(proc / "status");
  bool asleep = false;
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("State:")) {
      const size_t at = line.find_first_not_of(" \t", 6);
      asleep = at != std::string::npos && line[at] == 'S';
    }
  }
  if (!asleep) return false;
  if (path.empty()) return true;
  // The process may end while its descriptors are looked at: no step may throw.
  std::error_code error;
  for (fs::directory_iterator fd(proc / "fd", error); !error && fd != fs::directory_iterator();
       fd.increment(error)) {
    if (SameFile(fd->path(), path)) return true;
  }
  return false;
}

// Ends the run of `pid` outright: its whole group when it leads one, as a run of RunProgram does.
inline void EndRun(pid_t pid) {
  if (kill(-pid, SIGKILL) != 0) kill(pid, SIGKILL);
}

// Sends `signal` to `pid` (a child of RunProgram, not reaped while its `during` runs) once it has
// its handler for the signal in and `seen` holds: a program ready to be told to stop, in the state
// the stop is to find. Should it end first, or the bound pass, the run is ended instead (EndRun),
// so that it cannot hang, and the result says what was not seen, as "battle-sim waiting on fifo
// (its handler for SIGTERM in) was not seen within 120 s".
inline ::testing::AssertionResult SignalOnceSeen(pid_t pid, int signal, const std::string& what,
                                                 const std::function<bool()>& seen,
                                                 std::chrono::seconds bound = kSeenWithin) {
  const std::string state = what + " (its handler for SIG" + sigabbrev_np(signal) + " in)";
  ::testing::AssertionResult result = SeenWithin(
      state, [&] { return Ended(pid) || (Catches(pid, signal) && seen()); }, bound);
  if (result && Ended(pid)) {
    result = ::testing::AssertionFailure() << state << " was not seen: the run ended first";
  }
  if (result) {
    kill(pid, signal);
  } else {
    EndRun(pid);
  }
  return result;
}

// SignalOnceSeen, the state being SeenWaiting's.
inline ::testing::AssertionResult SignalOnceWaiting(pid_t pid, const std::string& program,
                                                    int signal, const std::string& path,
                                                    std::chrono::seconds bound = kSeenWithin) {
  namespace fs = std::filesystem;
  const std::string what = fs::path(program).filename().string() + " waiting" +
                           (path.empty() ? "" : " on " + fs::path(path).filename().string());
  return SignalOnceSeen(
      pid, signal, what, [&] { return SeenWaiting(pid, program, signal, path); }, bound);
}

// A user no process has, so that a limit of processes set for it counts the test's own alone.
inline uid_t UnusedUser() {
  namespace fs = std::filesystem;
  std::vector<uid_t> users;
  std::error_code error;
  for (fs::directory_iterator entry("/proc", error); !error && entry != fs::directory_iterator();
       entry.increment(error)) {
    std::istringstream status(ReadFile(entry->path() / "status"));
    for (std::string line; std::getline(status, line);) {
      unsigned long ids[4];
      if (std::sscanf(line.c_str(), "Uid: %lu %lu %lu %lu", &ids[0], &ids[1], &ids[2], &ids[3]) ==
          4) {
        users.insert(users.end(), ids, ids + 4);
      }
    }
  }
  uid_t user = 0x61000000u + static_cast<uid_t>(getpid());
  while (std::find(users.begin(), users.end(), user) != users.end()) ++user;
  return user;
}

// The processes of group `group` that have not ended, each as "PID (NAME)".
inline std::vector<std::string> GroupLeft(pid_t group) {
  namespace fs = std::filesystem;
  std::vector<std::string> left;
  std::error_code error;
  for (fs::directory_iterator entry("/proc", error); !error && entry != fs::directory_iterator();
       entry.increment(error)) {
    const std::string stat = ReadFile(entry->path() / "stat");
    const size_t end = stat.rfind(')');
    if (end == std::string::npos) continue;
    char state = 0;
    long parent = 0, pgrp = 0;
    if (std::sscanf(stat.c_str() + end + 1, " %c %ld %ld", &state, &parent, &pgrp) == 3 &&
        pgrp == group && state != 'Z') {
      left.push_back(stat.substr(0, end + 1));
    }
  }
  return left;
}

}  // namespace testsupport
