// The network component started on its own (no window, no display), listening on 127.0.0.1, with
// its log in a directory of the test's own. Pumping is bounded in time everywhere.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "morrow/network/connection.h"
#include "morrow/network/network.h"
#include "morrow/system/log.h"
#include "tests/platform/loopback_peer.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

// A listener on 127.0.0.1 with a queue of one, filled by a first connection: the next
// connection's first try is dropped, and it is made a second later once first() has been taken
// with accept(fd()).
class FullListener {
 public:
  FullListener() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ok_ = bind(fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0 && listen(fd_, 0) == 0 &&
          getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0;
    port_ = ntohs(a.sin_port);
    ok_ = ok_ && first_.Connect(port_);
  }
  ~FullListener() { close(fd_); }
  FullListener(const FullListener&) = delete;
  FullListener& operator=(const FullListener&) = delete;
  bool ok() const { return ok_; }
  int fd() const { return fd_; }
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
  bool ok_ = false;
  LoopbackPeer first_;
};

class NetWorkFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    morrow::SetLogDirectory(dir_.path());
    morrow::StartLogFile();
    morrow::ClearHttpTable();
    ASSERT_EQ(morrow::InitNetWork(), 0);
    ASSERT_EQ(morrow::ListenNetWork("127.0.0.1", 0), 0);
    port_ = morrow::GetListenNetWorkPort();
    ASSERT_GT(port_, 0);
  }
  void TearDown() override {
    morrow::EndHttp();
    morrow::EndNetWork();
    morrow::SetNetWorkNoFraming(0);
    morrow::SetNetWorkNoAutoClose(0);
    morrow::SetLogDirectory("");
  }

  // One pass of what the library's pump does for the network.
  static void Pump() {
    morrow::PumpNetWorkMessages(1);
    morrow::ProcessHttpTransfers();
  }
  // Pumps every millisecond until done() holds or waitMs pass; whether it held.
  template <typename Done>
  static bool PumpUntil(Done done, int waitMs = kPeerWaitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
      Pump();
      if (done()) return true;
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  // Bytes waiting in the socket of a handle, not taken yet.
  static int Unread(int handle) {
    int n = 0;
    return ioctl(static_cast<int>(RecordOf(handle).socket), FIONREAD, &n) == 0 ? n : -1;
  }
  // A peer connected to the listener and the handle the library gave it, or -1.
  int Accept(LoopbackPeer* peer, int receiveBuffer = 0) {
    if (!peer->Connect(port_, receiveBuffer)) return -1;
    int handle = -1;
    PumpUntil([&] { return (handle = morrow::TakeAcceptedNetWork()) != -1; });
    return handle;
  }
  static morrow::NetWorkRecord& RecordOf(int handle) {
    return morrow::GetNetWork().records[handle & 0xFFFF];
  }

  std::string Log() const { return ReadFile(dir_.File("AppLog.txt")); }
  int Count(const std::string& text) const {
    const std::string log = Log();
    int n = 0;
    for (size_t p = log.find(text); p != std::string::npos; p = log.find(text, p + 1)) ++n;
    return n;
  }

  TempDir dir_;
  int port_ = 0;
};

}  // namespace testsupport
