// A call that is given a named pipe and must not wait on it, run so that a wrong one cannot hold
// the suite: should it still be waiting when the time given is up, the pipe's other end is opened
// (and closed again) until it returns, and the result says it waited.
#pragma once

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>

namespace testsupport {

// Runs `call` on a thread of its own; true when it returned within `giveUp` with nobody at the
// other end of the pipe at `path`.
inline bool ReturnsWithoutThePipesOtherEnd(const std::string& path,
                                           const std::function<void()>& call,
                                           std::chrono::seconds giveUp = std::chrono::seconds(30)) {
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

}  // namespace testsupport
