// A program of the build run in a child process of its own, for the tests that hold it to a file
// size limit (a full disk, without root) or signal it while it runs. What it prints comes back
// through pipes, which the limit does not touch.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "tests/support/program_run.h"

namespace testsupport {

struct ChildOptions {
  std::string folder;                    // where it runs; empty: here
  long long fileSizeLimit = -1;          // bytes any file it writes may reach; -1: no limit
  std::vector<std::string> environment;  // NAME=VALUE, over the test's own
};

class ChildProgram {
 public:
  ChildProgram(const std::string& program, const std::vector<std::string>& args,
               const ChildOptions& options = {}) {
    // Everything the child needs is made before the fork.
    std::vector<std::string> words = {program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    std::vector<std::string> settings = options.environment;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string name = std::string(*e).substr(0, std::string(*e).find('=') + 1);
      bool overridden = false;
      for (const std::string& s : options.environment) overridden |= s.rfind(name, 0) == 0;
      if (!overridden) settings.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& s : settings) envp.push_back(s.data());
    envp.push_back(nullptr);
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    if (pipe2(err, O_CLOEXEC) != 0) {
      close(out[0]);
      close(out[1]);
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      dup2(err[1], STDERR_FILENO);
      if (!options.folder.empty() && chdir(options.folder.c_str()) != 0) _exit(126);
      if (options.fileSizeLimit >= 0) {
        // A write past the limit fails with EFBIG, as one on a full disk fails with ENOSPC.
        const rlimit limit{static_cast<rlim_t>(options.fileSizeLimit),
                           static_cast<rlim_t>(options.fileSizeLimit)};
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, SIG_IGN);
      }
      execve(argv[0], argv.data(), envp.data());
      _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~ChildProgram() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Wait();
    }
  }
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;

  pid_t pid() const { return pid_; }
  void Signal(int signal) const {
    if (pid_ > 0) kill(pid_, signal);
  }

  // Reads what it prints until it ends; exitCode -1 when a signal ended it.
  ProgramRun Wait() {
    ProgramRun run;
    Drain(&run);
    int status = 0;
    while (pid_ > 0 && waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    if (pid_ > 0) run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
    return run;
  }

 private:
  void Drain(ProgramRun* run) {
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    std::string* into[2] = {&run->out, &run->err};
    int open = 2;
    while (open > 0 && out_ >= 0) {
      if (poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        char buffer[4096];
        const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
        if (n > 0) {
          into[i]->append(buffer, static_cast<size_t>(n));
        } else if (n == 0 || errno != EINTR) {
          close(fds[i].fd);
          fds[i].fd = -1;
          --open;
        }
      }
    }
    out_ = err_ = -1;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
};

}  // namespace testsupport
