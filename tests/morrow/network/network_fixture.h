// The network component started on its own (no window, no display), listening on 127.0.0.1, with
// its log in a directory of the test's own. Pumping waits on a state, bounded in time everywhere.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <source_location>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "morrow/network/connection.h"
#include "morrow/network/network.h"
#include "morrow/system/log.h"
#include "platform/clock.h"
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

// The clock `under`, adding up the time its sleeps take.
class SleepTally final : public platform::Clock {
 public:
  explicit SleepTally(platform::Clock& under) : under_(under) {}
  int64_t NowMicroseconds() override { return under_.NowMicroseconds(); }
  void SleepMicroseconds(int64_t us) override {
    Tally([&] { under_.SleepMicroseconds(us); });
  }
  void SleepUntilMicroseconds(int64_t deadline) override {
    Tally([&] { under_.SleepUntilMicroseconds(deadline); });
  }
  void Yield() override { under_.Yield(); }
  void Idle(int64_t us) override {
    Tally([&] { under_.Idle(us); });
  }
  platform::LocalDateTime LocalNow() override { return under_.LocalNow(); }
  std::chrono::microseconds slept() const { return std::chrono::microseconds(slept_); }

 private:
  template <typename Sleep>
  void Tally(Sleep sleep) {
    const int64_t start = under_.NowMicroseconds();
    sleep();
    slept_ += under_.NowMicroseconds() - start;
  }

  platform::Clock& under_;
  int64_t slept_ = 0;
};

class NetWorkFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    givenUp_ = false;
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
  // Pumps every millisecond until done() holds; whether it held. Once the peer's wait has passed
  // without it the test fails, naming the line that waited, and no later wait of the test waits
  // again: one fault costs one bound.
  template <typename Done>
  static bool PumpUntil(Done done, std::source_location where = std::source_location::current()) {
    const auto pumped = [&] {
      Pump();
      return done();
    };
    if (givenUp_) return pumped();
    const ::testing::AssertionResult seen =
        testsupport::SeenWithin(std::string("the state pumped for at ") +
                                    std::filesystem::path(where.file_name()).filename().string() +
                                    ":" + std::to_string(where.line()),
                                pumped);
    if (seen) return true;
    ADD_FAILURE() << seen.message();
    givenUp_ = true;
    return false;
  }
  // How long `call` kept the library asleep: the time its sleeps took, on the clock it runs on. The
  // work around them, which a busy machine stretches, does not count: a wait that ends by its own
  // clock counts that wait and the last sleep's overrun, however slow the machine.
  template <typename Call>
  static std::chrono::milliseconds WaitedIn(Call call) {
    SleepTally tally(platform::CurrentClock());
    platform::InstallClock(&tally);
    call();
    platform::InstallClock(nullptr);
    return std::chrono::duration_cast<std::chrono::milliseconds>(tally.slept());
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
  inline static bool givenUp_ = false;
};

}  // namespace testsupport
