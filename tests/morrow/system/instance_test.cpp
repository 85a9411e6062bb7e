// Two processes started in one directory with one runtime directory: the second finds the
// first, adds its check lines to the first one's log and exits with 0.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/line_match.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace {

struct Child {
  pid_t pid = -1;
  int toChild = -1;    // its standard input
  int fromChild = -1;  // its standard output
  int errors = -1;     // its standard error, when asked for
};

Child Spawn(const std::string& directory, bool captureErrors = false) {
  int in[2], out[2], err[2] = {-1, -1};
  Child c;
  if (pipe(in) != 0 || pipe(out) != 0 || (captureErrors && pipe(err) != 0)) return c;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, in[1]);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  if (captureErrors) {
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, err[0]);
  }
  posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  std::vector<std::string> env = {"SDL_VIDEODRIVER=dummy", "MORROW_CLOCK=virtual",
                                  "XDG_RUNTIME_DIR=" + directory};
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "SDL_VIDEODRIVER=", 16) != 0 && std::strncmp(*e, "MORROW_", 7) != 0 &&
        std::strncmp(*e, "XDG_RUNTIME_DIR=", 16) != 0) {
      env.emplace_back(*e);
    }
  }
  std::vector<char*> envp;
  for (std::string& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);
  char* argv[] = {const_cast<char*>(INSTANCE_HOLDER), nullptr};
  int r = posix_spawn(&c.pid, INSTANCE_HOLDER, &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  if (captureErrors) close(err[1]);
  c.errors = err[0];
  if (r != 0) {
    c.pid = -1;
    close(in[1]);
    close(out[0]);
    return c;
  }
  c.toChild = in[1];
  c.fromChild = out[0];
  return c;
}

std::string ReadAll(int fd) {
  std::string text;
  char buf[256];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
  return text;
}

int Wait(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1000;
  return WEXITSTATUS(status);
}

TEST(SingleInstance, SecondProcessExitsZeroAndLeavesTheFirstLogWhole) {
  testsupport::TempDir dir;
  Child first = Spawn(dir.path());
  ASSERT_GT(first.pid, 0);
  char line[16] = {};
  ASSERT_EQ(read(first.fromChild, line, 6), 6);
  ASSERT_STREQ(line, "ready\n");
  std::string firstLog = testsupport::ReadFile(dir.File("AppLog.txt"));
  ASSERT_NE(firstLog.find("２重起動はされていませんでした\n"), std::string::npos);

  Child second = Spawn(dir.path(), true);
  ASSERT_GT(second.pid, 0);
  close(second.toChild);
  EXPECT_EQ(ReadAll(second.fromChild), "");  // it never got as far as its start
  close(second.fromChild);
  EXPECT_EQ(ReadAll(second.errors),
            "morrow: another instance is running (it holds " + dir.File("Morrow.lock") + ")\n");
  close(second.errors);
  EXPECT_EQ(Wait(second.pid), 0);

  std::string afterSecond = testsupport::ReadFile(dir.File("AppLog.txt"));
  ASSERT_EQ(afterSecond.substr(0, firstLog.size()), firstLog);
  EXPECT_TRUE(testsupport::LineMatches(
      afterSecond.substr(firstLog.size()),
      "#:ソフトの２重起動検査... ２重起動されています、ソフトを終了します\n"))
      << afterSecond;

  close(first.toChild);
  close(first.fromChild);
  EXPECT_EQ(Wait(first.pid), 0);
  std::string finalLog = testsupport::ReadFile(dir.File("AppLog.txt"));
  EXPECT_EQ(finalLog.substr(0, afterSecond.size()), afterSecond);
  EXPECT_NE(finalLog.find("ＣＯＭを終了... 完了\n", afterSecond.size()), std::string::npos);

  // With the first gone the lock is free again: a new start truncates and runs normally.
  Child third = Spawn(dir.path());
  ASSERT_GT(third.pid, 0);
  ASSERT_EQ(read(third.fromChild, line, 6), 6);
  close(third.toChild);
  close(third.fromChild);
  EXPECT_EQ(Wait(third.pid), 0);
  EXPECT_EQ(testsupport::ReadFile(dir.File("AppLog.txt")).find("２重起動されています"),
            std::string::npos);
}

}  // namespace
