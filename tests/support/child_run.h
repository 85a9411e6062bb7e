// Runs a program as a child process the way the failure tests need it: in a working folder of its
// own, with settings added to its environment, its standard output on /dev/full when asked, and a
// file size limit as a full disk would set one. Standard output and error come back through pipes,
// which no file size limit reaches, so a run under a full disk still says what it has to say. A
// run that takes too long is ended, and says so.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace testsupport {

struct ChildLaunch {
  std::string program;
  std::vector<std::string> args;
  std::string folder;                    // the working folder
  std::vector<std::string> environment;  // NAME=VALUE, each replacing the test's own NAME
  bool stdoutFull = false;
  rlim_t fileSizeLimit = RLIM_INFINITY;  // as a full disk: no file grows past it
  int giveUpSeconds = 60;
};

struct ChildRun {
  int status = -1;  // the exit status; -1 when a signal ended the run or it was given up
  std::string out;
  std::string err;
};

// The run as a failure message shows it: its status, then both streams (cut when long).
inline std::string Describe(const ChildRun& run) {
  constexpr size_t kShown = 1500;
  auto clip = [](const std::string& text) {
    return text.size() <= kShown ? text : text.substr(0, kShown) + "...";
  };
  return "status " + std::to_string(run.status) + "\n--- stdout:\n" + clip(run.out) +
         "\n--- stderr:\n" + clip(run.err);
}

namespace detail {

inline std::vector<char*> Pointers(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (std::string& w : words) pointers.push_back(w.data());
  pointers.push_back(nullptr);
  return pointers;
}

inline std::vector<std::string> Environment(const std::vector<std::string>& added) {
  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string_view entry = *e;
    const bool replaced = std::any_of(added.begin(), added.end(), [&](const std::string& a) {
      return entry.starts_with(a.substr(0, a.find('=') + 1));
    });
    if (!replaced) environment.emplace_back(entry);
  }
  environment.insert(environment.end(), added.begin(), added.end());
  return environment;
}

// Reads both pipes until they close or the time is up; false when it is.
inline bool Drain(int outFd, int errFd, ChildRun* run,
                  std::chrono::steady_clock::time_point giveUp) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* sinks[2] = {&run->out, &run->err};
  bool inTime = true;
  for (int open = 2; open > 0;) {
    const int64_t left = std::chrono::duration_cast<std::chrono::milliseconds>(
                             giveUp - std::chrono::steady_clock::now())
                             .count();
    if (left <= 0) {
      inTime = false;
      break;
    }
    if (poll(fds, 2, static_cast<int>(std::min<int64_t>(left, 1000))) < 0 && errno != EINTR) {
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (pollfd& f : fds) {
    if (f.fd >= 0) close(f.fd);
  }
  return inTime;
}

}  // namespace detail

inline ChildRun RunChild(const ChildLaunch& launch) {
  std::vector<std::string> words = {launch.program};
  words.insert(words.end(), launch.args.begin(), launch.args.end());
  std::vector<std::string> environment = detail::Environment(launch.environment);
  std::vector<char*> argv = detail::Pointers(words);
  std::vector<char*> envp = detail::Pointers(environment);

  ChildRun run;
  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) return run;
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    return run;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    // Between fork and exec only calls that are safe there.
    const int in = open("/dev/null", O_RDONLY);
    const int out = launch.stdoutFull ? open("/dev/full", O_WRONLY) : outPipe[1];
    if (in < 0 || out < 0 || chdir(launch.folder.c_str()) != 0 || dup2(in, 0) < 0 ||
        dup2(out, 1) < 0 || dup2(errPipe[1], 2) < 0) {
      _exit(127);
    }
    if (launch.fileSizeLimit != RLIM_INFINITY) {
      struct sigaction ignore = {};
      ignore.sa_handler = SIG_IGN;
      const rlimit limit{launch.fileSizeLimit, launch.fileSizeLimit};
      if (sigaction(SIGXFSZ, &ignore, nullptr) != 0 || setrlimit(RLIMIT_FSIZE, &limit) != 0) {
        _exit(127);
      }
    }
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  if (pid < 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    return run;
  }
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(launch.giveUpSeconds);
  bool inTime = detail::Drain(outPipe[0], errPipe[0], &run, giveUp);
  int status = 0;
  // A child that closed both streams may still be running.
  while (inTime && waitpid(pid, &status, WNOHANG) == 0) {
    inTime = std::chrono::steady_clock::now() < giveUp;
    usleep(10000);
  }
  if (!inTime) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  if (!inTime) {
    run.err += "\n(given up after " + std::to_string(launch.giveUpSeconds) + " s)";
  } else if (WIFEXITED(status)) {
    run.status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    run.err += "\n(ended by signal " + std::to_string(WTERMSIG(status)) + ")";
  }
  return run;
}

}  // namespace testsupport
