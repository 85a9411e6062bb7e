// Runs part of a test as an unprivileged user, in a child process: as nobody (user and group
// 65534, no other groups) when the test runs as the superuser, else as the test's own user, whom
// permissions bind already. The child cannot report to the test framework: its part returns what
// it saw as text, which comes back through a pipe for the test to check.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

namespace testsupport {

constexpr uid_t kNobody = 65534;

// What `part` (a callable returning std::string) returned in the child; nothing when the child
// could not give up the superuser's rights or did not end normally.
template <typename Part>
std::optional<std::string> AsUnprivileged(Part part) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    if (geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
         setresuid(kNobody, kNobody, kNobody) != 0)) {
      _exit(126);
    }
    const std::string answer = part();
    for (size_t at = 0; at < answer.size();) {
      const ssize_t n = write(fds[1], answer.data() + at, answer.size() - at);
      if (n <= 0) _exit(125);
      at += static_cast<size_t>(n);
    }
    // No exit handlers: the parent's test framework must not run a second time here.
    _exit(0);
  }
  close(fds[1]);
  std::string answer;
  char buffer[4096];
  for (ssize_t n; pid > 0 && (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
    if (n > 0) answer.append(buffer, static_cast<size_t>(n));
    if (n < 0 && errno != EINTR) break;
  }
  close(fds[0]);
  if (pid < 0) return std::nullopt;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return answer;
}

}  // namespace testsupport
