// A call that is given a named pipe and must not wait on it, run so that a wrong one cannot hold
// the suite: should it still be waiting when the time given is up, the pipe's other end is opened
// (and closed again) until it returns, and the result says it waited. And what may stand at an
// input's path in a file's place.
#pragma once

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <string>

#include "tests/support/state_wait.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

// Runs `call` on a thread of its own; true when it returned within `giveUp` with nobody at the
// other end of the pipe at `path`. The bound is generous, as every wait's (state_wait.h): a call
// that has not returned by then waits on the pipe.
inline bool ReturnsWithoutThePipesOtherEnd(const std::string& path,
                                           const std::function<void()>& call,
                                           std::chrono::seconds giveUp = kSeenWithin) {
  // A writer let through may meet the pipe closed again: EPIPE, not a signal that ends the test.
  std::future<void> done = std::async(std::launch::async, [&call] {
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    call();
  });
  if (done.wait_for(giveUp) == std::future_status::ready) return true;
  // A reader waits for a writer and a writer for a reader: each is let through, the reader to the
  // pipe's end, the writer's bytes taken.
  while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
    const int reader = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const int writer = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (writer >= 0) close(writer);
    if (reader >= 0) {
      char sink[4096];
      while (read(reader, sink, sizeof sink) > 0) {
      }
      close(reader);
    }
  }
  return false;
}

// What may stand at a path the project opens in a regular file's place, made there by `make`, and
// the reason a refusal of it gives. The system's devices are reached through a link of the test's
// own.
struct NotAFile {
  const char* name;
  void (*make)(const std::string& path);
  const char* reason;
};

inline const NotAFile kNotAFile[] = {
    {"folder", [](const std::string& p) { std::filesystem::create_directory(p); },
     "is a folder, not a file"},
    {"pipe", [](const std::string& p) { mkfifo(p.c_str(), 0600); }, "is a named pipe, not a file"},
    {"null_device", [](const std::string& p) { std::filesystem::create_symlink("/dev/null", p); },
     "is a device, not a file"},
    {"zero_device", [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); },
     "is a device, not a file"},
};

inline constexpr uint64_t kFourGiB = uint64_t{4} << 30;

// A sparse file of 4 GiB at `path`: one to open and never read whole. False when it could not be
// made.
inline bool MakeSparseFile(const std::string& path) {
  WriteFile(path, "");
  return truncate(path.c_str(), static_cast<off_t>(kFourGiB)) == 0;
}

}  // namespace testsupport
