// A writer for a named pipe on a thread of its own, as `cat FILE > PIPE` run beside a program: once
// a reader opens the pipe it writes the bytes and closes it. While no reader comes it keeps
// looking, until Finish.
#pragma once

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <thread>
#include <utility>

namespace testsupport {

class PipeWriter {
 public:
  PipeWriter(std::string path, std::string bytes)
      : path_(std::move(path)), bytes_(std::move(bytes)), thread_([this] { fed_ = Feed(); }) {}
  ~PipeWriter() { Finish(); }
  PipeWriter(const PipeWriter&) = delete;
  PipeWriter& operator=(const PipeWriter&) = delete;

  // Stops looking for a reader; true when a reader took every byte.
  bool Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return fed_;
  }

 private:
  bool Feed() {
    // A reader that leaves early shows as EPIPE, not as a signal that would end the test.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    // Without a reader, a writer's open that does not wait fails with ENXIO.
    int fd = -1;
    while (!stop_ && (fd = open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0 &&
           errno == ENXIO) {
      usleep(2000);
    }
    if (fd < 0) return false;
    fcntl(fd, F_SETFL, 0);
    size_t done = 0;
    while (done < bytes_.size()) {
      const ssize_t n = write(fd, bytes_.data() + done, bytes_.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    close(fd);
    return done == bytes_.size();
  }

  const std::string path_;
  const std::string bytes_;
  std::atomic<bool> stop_{false};
  bool fed_ = false;
  std::thread thread_;  // last: it starts once the rest is made
};

}  // namespace testsupport
