// A writer for a named pipe on a thread of its own, as `cat FILE > PIPE` run beside a program: once
// a reader opens the pipe it writes the bytes and closes it. While no reader comes it keeps
// looking, until Finish. EndlessPipeWriter is one that never ends.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>

namespace testsupport {

namespace detail {

// The write end of the named pipe at `path` once a reader has it open, or -1 once `stop` is set
// first. A reader that leaves early shows as EPIPE, not as a signal that would end the test.
inline int OpenForWriting(const std::string& path, const std::atomic<bool>& stop) {
  sigset_t pipeSignal;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
  // Without a reader, a writer's open that does not wait fails with ENXIO.
  int fd = -1;
  while (!stop && (fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0 &&
         errno == ENXIO) {
    usleep(2000);
  }
  return fd;
}

}  // namespace detail

class PipeWriter {
 public:
  PipeWriter(std::string path, std::string bytes)
      : path_(std::move(path)), bytes_(std::move(bytes)), thread_([this] { fed_ = Feed(); }) {}
  // The bytes in pieces of at most `piece`, each written once the reader has taken the one before,
  // so that it takes them in as many reads.
  PipeWriter(std::string path, std::string bytes, size_t piece)
      : path_(std::move(path)),
        bytes_(std::move(bytes)),
        piece_(piece),
        thread_([this] { fed_ = Feed(); }) {}
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
    const int fd = detail::OpenForWriting(path_, stop_);
    if (fd < 0) return false;
    fcntl(fd, F_SETFL, 0);
    size_t done = 0;
    while (done < bytes_.size()) {
      const ssize_t n = write(fd, bytes_.data() + done, std::min(bytes_.size() - done, piece_));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
      if (piece_ < bytes_.size() && done < bytes_.size() && !Taken(fd)) break;
    }
    close(fd);
    return done == bytes_.size();
  }

  // Whether the reader has taken all the pipe holds: false once it has left, or once Finish is
  // called while it takes nothing.
  bool Taken(int fd) const {
    for (int held = 0; ioctl(fd, FIONREAD, &held) == 0 && held > 0;) {
      pollfd gone{fd, 0, 0};
      if (stop_ || poll(&gone, 1, 1) != 0) return false;
    }
    return true;
  }

  const std::string path_;
  const std::string bytes_;
  const size_t piece_ = SIZE_MAX;
  std::atomic<bool> stop_{false};
  bool fed_ = false;
  std::thread thread_;  // last: it starts once the rest is made
};

// A writer that never ends, as `yes > PIPE`: once a reader opens the pipe it writes `pattern`
// over and over until the reader leaves or Finish; with no pattern it writes nothing and only
// holds the pipe open, a writer that never says anything.
class EndlessPipeWriter {
 public:
  EndlessPipeWriter(std::string path, const std::string& pattern)
      : path_(std::move(path)), pattern_(Repeated(pattern)), thread_([this] { Feed(); }) {}
  ~EndlessPipeWriter() { Finish(); }
  EndlessPipeWriter(const EndlessPipeWriter&) = delete;
  EndlessPipeWriter& operator=(const EndlessPipeWriter&) = delete;

  // Stops writing; how many bytes the reader took.
  uint64_t Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return written_;
  }

 private:
  // The pattern repeated to fill a pipe's buffer at one write.
  static std::string Repeated(const std::string& pattern) {
    std::string bytes;
    while (!pattern.empty() && bytes.size() < 65536) bytes += pattern;
    return bytes;
  }

  void Feed() {
    const int fd = detail::OpenForWriting(path_, stop_);
    if (fd < 0) return;
    size_t at = 0;
    while (!stop_) {
      // Looks at Finish now and then, also while the reader takes nothing.
      pollfd room{fd, static_cast<short>(pattern_.empty() ? 0 : POLLOUT), 0};
      if (poll(&room, 1, 50) <= 0) continue;
      if ((room.revents & (POLLERR | POLLHUP)) != 0) break;
      const ssize_t n = write(fd, pattern_.data() + at, pattern_.size() - at);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) break;
      written_ += static_cast<uint64_t>(n);
      at = (at + static_cast<size_t>(n)) % pattern_.size();
    }
    close(fd);
  }

  const std::string path_;
  const std::string pattern_;
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> written_{0};
  std::thread thread_;  // last: it starts once the rest is made
};

}  // namespace testsupport
