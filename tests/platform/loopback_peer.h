// The far end of a test connection on 127.0.0.1: a plain blocking socket whose every wait is
// bounded, so no test can hang on it.
#pragma once

#include <arpa/inet.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

#include "tests/support/state_wait.h"

namespace testsupport {

// The bound of every wait on a peer; generous, as every wait's (state_wait.h).
inline constexpr int kPeerWaitMs = static_cast<int>(std::chrono::milliseconds(kSeenWithin).count());

class LoopbackPeer {
 public:
  LoopbackPeer() = default;
  explicit LoopbackPeer(int fd) : fd_(fd) { SendAtOnce(); }
  ~LoopbackPeer() { Close(); }
  LoopbackPeer(LoopbackPeer&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  LoopbackPeer& operator=(LoopbackPeer&& other) noexcept {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
    return *this;
  }

  // A connection to 127.0.0.1:port, with a receive buffer of that many bytes when given; false
  // when it is not made.
  bool Connect(int port, int receiveBuffer = 0) {
    Close();
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return false;
    if (receiveBuffer > 0) {
      setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    timeval tv{kPeerWaitMs / 1000, 0};
    setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    SendAtOnce();
    return connect(fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
  }
  // Every byte, or false.
  bool Send(std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }
  // The bytes in sends of at most piece bytes, each one on the wire on its own when alone is set
  // (it waits until the other end has every byte before it). Gives up once waitMs have passed in
  // all, so a reader that stopped taking cannot hold the sender; whether every byte went.
  bool SendInPieces(std::string_view bytes, size_t piece, bool alone, int waitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (size_t at = 0; at < bytes.size();) {
      if (std::chrono::steady_clock::now() >= end) return false;
      int queued = 0;
      if (alone && ioctl(fd_, SIOCOUTQ, &queued) == 0 && queued > 0) {
        std::this_thread::yield();
        continue;
      }
      const size_t n = bytes.size() - at < piece ? bytes.size() - at : piece;
      const ssize_t sent = send(fd_, bytes.data() + at, n, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (sent > 0) {
        at += static_cast<size_t>(sent);
      } else if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        return false;
      } else {
        pollfd p{fd_, POLLOUT, 0};
        poll(&p, 1, 1);
      }
    }
    return true;
  }
  // Up to n bytes, until they are all there, the peer closes or waitMs pass.
  std::string Receive(size_t n, int waitMs = kPeerWaitMs) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (got.size() < n) {
      // Rounded up: a short wait still looks once.
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now())
              .count();
      pollfd p{fd_, POLLIN, 0};
      if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) break;
      char buf[65536];
      const size_t want = n - got.size() < sizeof buf ? n - got.size() : sizeof buf;
      ssize_t r = recv(fd_, buf, want, 0);
      if (r <= 0) break;
      got.append(buf, static_cast<size_t>(r));
    }
    return got;
  }
  // Whether the other end has every byte sent, polled for at most waitMs.
  bool Delivered(int waitMs = kPeerWaitMs) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (int queued = 1;; std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
      if (ioctl(fd_, SIOCOUTQ, &queued) != 0 || queued == 0) return queued == 0;
      if (std::chrono::steady_clock::now() >= end) return false;
    }
  }
  // A close that resets the connection instead of ending it.
  void Reset() {
    linger l{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    Close();
  }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  int fd() const { return fd_; }
  int LocalPort() const {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    return ntohs(a.sin_port);
  }

 private:
  // Small sends leave as they are made, so a test's byte at a time reaches the other end as one.
  void SendAtOnce() {
    int on = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  }

  int fd_ = -1;
};

// A port on 127.0.0.1 that nothing listens on.
inline int ClosedPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
}

// A 32-bit little-endian length, as framed connections send it.
inline std::string Le32(int64_t v) {
  const auto u = static_cast<uint32_t>(v);
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>(u >> (8 * i));
  return s;
}

}  // namespace testsupport
