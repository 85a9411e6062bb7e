// A scripted HTTP server on 127.0.0.1 in a thread of its own, for the transfer tests.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "tests/platform/loopback_peer.h"

namespace testsupport {

// Accepts one connection, reads the request (the header to its blank line and, for POST, the
// body its length gives), answers with a script and closes or resets, or holds the connection
// open until the request is asked for or it is destroyed. Every wait ends there too, and is
// bounded: the client is a program of the build, which a busy machine may start slowly.
class ScriptedServer {
 public:
  struct Script {
    std::string answer;
    bool bytewise = false;  // one byte a millisecond
    bool holdOpen = false;  // keep the connection after answering
    bool noAnswer = false;  // close at once after the request
    bool noAccept = false;  // only listen: connections wait in the backlog
    bool reset = false;     // reset the connection after answering
    int receiveBuffer = 0;  // when given, the socket's receive buffer: a slow reader
    // When given, the answer waits (within the peer's wait) until this is set.
    const std::atomic<bool>* answerWhen = nullptr;
    // When given, the answer goes in sends of this many bytes (each alone on the wire with
    // alone).
    size_t piece = 0;
    bool alone = false;
  };

  explicit ScriptedServer(Script script) : script_(std::move(script)) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (script_.receiveBuffer > 0) {
      setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &script_.receiveBuffer, sizeof(int));
    }
    bind(listener_, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    listen(listener_, 128);
    socklen_t len = sizeof a;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Run(); });
  }
  ~ScriptedServer() {
    Finish();
    close(listener_);
  }
  int port() const { return port_; }
  bool answered() const { return answered_; }
  // The request as it came; waits for the server to end.
  const std::string& Request() {
    Finish();
    return request_;
  }

 private:
  void Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  void Run() {
    if (script_.noAccept || !Until([this] { return Readable(listener_); })) return;
    LoopbackPeer peer(accept(listener_, nullptr, nullptr));
    // The request a byte at a time, up to its blank line.
    while (Unfolded().find("\n\n") == std::string::npos) {
      if (!Until([&] { return Readable(peer.fd()); })) return;
      const std::string byte = peer.Receive(1);
      if (byte.empty()) return;
      request_ += byte;
    }
    const size_t at = request_.find("Content-Length: ");
    if (request_.rfind("POST", 0) == 0 && at != std::string::npos) {
      request_ += peer.Receive(std::stoul(request_.substr(at + 16)));
    }
    if (script_.noAnswer) return;
    if (script_.answerWhen != nullptr && !Until([this] { return script_.answerWhen->load(); })) {
      return;
    }
    if (script_.piece > 0) {
      peer.SendInPieces(script_.answer, script_.piece, script_.alone, testsupport::kPeerWaitMs);
    } else if (script_.bytewise) {
      for (char c : script_.answer) {
        if (!peer.Send(std::string(1, c))) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    } else {
      SendWhatFits(peer.fd(), script_.answer);
    }
    answered_ = true;
    if (script_.reset) {
      peer.Reset();
      return;
    }
    if (script_.holdOpen) Until([] { return false; });
  }
  // Waits until `ready` holds; false when the server is told to stop first, or when the peer's
  // wait has passed.
  template <typename Ready>
  bool Until(Ready ready) const {
    return testsupport::SeenWithin("the server's awaited state",
                                   [&] { return ready() || stop_; }) &&
           ready();
  }
  static bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) > 0;
  }
  std::string Unfolded() const {
    std::string s;
    for (char c : request_) {
      if (c != '\r') s += c;
    }
    return s;
  }
  // As much of the answer as the client takes: a client that stops reading (a line it will never
  // take) holds the server only until it closes the connection, or the server is told to stop.
  void SendWhatFits(int fd, const std::string& bytes) const {
    size_t done = 0;
    Until([&] {
      const ssize_t n =
          send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) done += static_cast<size_t>(n);
      return done == bytes.size() || (n < 0 && errno != EAGAIN);
    });
  }

  Script script_;
  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> answered_{false};
  std::string request_;
};

}  // namespace testsupport
