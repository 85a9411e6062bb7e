// The socket service's notices, followed through whole connections on 127.0.0.1: which notice
// comes when, how often, and with which error.
#include "platform/net.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/platform/loopback_peer.h"

namespace {

namespace ev = platform::sockevent;
using testsupport::LoopbackPeer;

constexpr uintptr_t kWindow = 0x77;
constexpr uint32_t kMessage = 0x505;

struct Seen {
  platform::SocketId socket;
  int kind;
  int error;
  bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& o, const Seen& s) {
  return o << "{" << s.socket << " kind " << s.kind << " error " << s.error << "}";
}

// One poll and every notice it queued for the window.
std::vector<Seen> Poll() {
  platform::PollSocketEvents();
  std::vector<Seen> seen;
  platform::SocketNotice n;
  while (platform::TakeSocketNotice(kWindow, &n)) {
    EXPECT_EQ(n.message, kMessage);
    seen.push_back({static_cast<platform::SocketId>(n.wParam), static_cast<int>(n.lParam & 0xFFFF),
                    static_cast<int>(n.lParam >> 16)});
  }
  return seen;
}

// Polls until something is queued; a failure once the peer's wait has passed without it.
std::vector<Seen> PollUntilSome() {
  std::vector<Seen> seen;
  EXPECT_TRUE(testsupport::SeenWithin("a notice", [&] { return !(seen = Poll()).empty(); }));
  return seen;
}

// The notices of one socket, polling until count have come; a failure once the peer's wait has
// passed without them.
std::vector<Seen> NoticesOf(platform::SocketId socket, size_t count) {
  std::vector<Seen> own;
  EXPECT_TRUE(testsupport::SeenWithin(std::to_string(count) + " notices of the socket", [&] {
    for (const Seen& s : Poll()) {
      if (s.socket == socket) own.push_back(s);
    }
    return own.size() >= count;
  }));
  return own;
}

// Waits until the socket shows the events: the kernel has the traffic by then. A failure once the
// peer's wait has passed without them.
void Settle(platform::SocketId s, short events) {
  pollfd p{static_cast<int>(s), events, 0};
  EXPECT_EQ(poll(&p, 1, testsupport::kPeerWaitMs), 1)
      << testsupport::NotSeen("the events " + std::to_string(events) + " of the socket");
}

class SocketServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(platform::StartSockets(), 0);
    listener_ = platform::OpenListenSocket("127.0.0.1", 0);
    ASSERT_NE(listener_, platform::kInvalidSocket);
    port_ = platform::SocketLocalPort(listener_);
    ASSERT_GT(port_, 0);
    ASSERT_EQ(platform::SelectSocketEvents(listener_, kWindow, kMessage, ev::kAccept), 0);
  }
  void TearDown() override {
    for (platform::SocketId s : open_) platform::CloseSocket(s);
    platform::CloseSocket(listener_);
    Poll();
    EXPECT_EQ(platform::CleanupSockets(), 0);
  }
  // Accepts one waiting connection and selects the usual notices for it.
  platform::SocketId Accept(LoopbackPeer* peer) {
    uint8_t address[16];
    int length = sizeof address;
    platform::SocketId s = platform::SocketAccept(listener_, address, &length);
    EXPECT_NE(s, platform::kInvalidSocket);
    EXPECT_EQ(length, 16);
    // family, port and address as the interface lays them out
    EXPECT_EQ(address[0] | address[1] << 8, 2);
    EXPECT_EQ(address[2] << 8 | address[3], peer->LocalPort());
    EXPECT_EQ(std::memcmp(address + 4, "\x7f\x00\x00\x01", 4), 0);
    EXPECT_EQ(
        platform::SelectSocketEvents(s, kWindow, kMessage, ev::kRead | ev::kWrite | ev::kClose), 0);
    open_.push_back(s);
    return s;
  }

  platform::SocketId listener_ = platform::kInvalidSocket;
  int port_ = 0;
  std::vector<platform::SocketId> open_;
};

TEST_F(SocketServiceTest, AcceptWriteReadAndCloseComeOnceEach) {
  LoopbackPeer a, b;
  ASSERT_TRUE(a.Connect(port_));
  ASSERT_TRUE(b.Connect(port_));
  // One accept notice, however many wait, until accept is called.
  EXPECT_EQ(PollUntilSome(), (std::vector<Seen>{{listener_, ev::kAccept, 0}}));
  EXPECT_TRUE(Poll().empty());
  platform::SocketId s = Accept(&a);
  EXPECT_EQ(Poll(), (std::vector<Seen>{{listener_, ev::kAccept, 0}, {s, ev::kWrite, 0}}));
  platform::SocketId t = Accept(&b);
  EXPECT_EQ(Poll(), (std::vector<Seen>{{t, ev::kWrite, 0}}));

  // Reading: one notice queued at a time while bytes wait.
  ASSERT_TRUE(a.Send("abc"));
  Settle(s, POLLIN);
  platform::PollSocketEvents();
  platform::PollSocketEvents();
  EXPECT_EQ(Poll(), (std::vector<Seen>{{s, ev::kRead, 0}}));
  EXPECT_EQ(Poll(), (std::vector<Seen>{{s, ev::kRead, 0}}));  // taken, still waiting
  char buf[8] = {};
  EXPECT_EQ(platform::SocketRecv(s, buf, 8, platform::kSocketPeek), 3);
  EXPECT_EQ(platform::SocketRecv(s, buf, 2, 0), 2);
  EXPECT_EQ(std::string(buf, 2), "ab");
  EXPECT_EQ(Poll(), (std::vector<Seen>{{s, ev::kRead, 0}}));
  EXPECT_EQ(platform::SocketRecv(s, buf, 8, 0), 1);
  EXPECT_TRUE(Poll().empty());
  EXPECT_EQ(platform::SocketRecv(s, buf, 8, 0), -1);
  EXPECT_EQ(platform::LastSocketError(), platform::sockerr::kWouldBlock);

  // The peer's close, once, after the last byte.
  ASSERT_TRUE(a.Send("z"));
  a.Close();
  Settle(s, POLLRDHUP);
  EXPECT_EQ(Poll(), (std::vector<Seen>{{s, ev::kRead, 0}}));
  EXPECT_EQ(platform::SocketRecv(s, buf, 8, 0), 1);
  EXPECT_EQ(Poll(), (std::vector<Seen>{{s, ev::kClose, 0}}));
  EXPECT_TRUE(Poll().empty());
  EXPECT_EQ(platform::SocketRecv(s, buf, 8, 0), 0);

  // A send to a peer that reads nothing fills the buffers; one write notice once there is room.
  std::string block(65536, 'x');
  for (int i = 0; i < 1000 && platform::SocketSend(t, block.data(), 65536, 0) >= 0; ++i) {
  }
  EXPECT_EQ(platform::LastSocketError(), platform::sockerr::kWouldBlock);
  EXPECT_TRUE(Poll().empty());
  std::atomic<bool> noticed{false};
  // The reader takes what comes until the notice has been looked for.
  std::thread reader([&]() {
    while (!noticed) b.Receive(65536, 1);
  });
  EXPECT_EQ(PollUntilSome(), (std::vector<Seen>{{t, ev::kWrite, 0}}));
  noticed = true;
  reader.join();
  EXPECT_TRUE(Poll().empty());
}

TEST_F(SocketServiceTest, ConnectReportsItsOutcomeThenTheEnd) {
  uint8_t peer[16] = {};
  platform::SocketId good = platform::OpenConnectSocket("127.0.0.1", port_, peer);
  ASSERT_NE(good, platform::kInvalidSocket);
  open_.push_back(good);
  EXPECT_EQ(peer[2] << 8 | peer[3], port_);
  EXPECT_TRUE(platform::IsSocketConnecting(good));
  const int32_t all = ev::kRead | ev::kWrite | ev::kClose | ev::kConnect;
  ASSERT_EQ(platform::SelectSocketEvents(good, kWindow, kMessage, all), 0);
  // The listener's accept comes beside them; the connection's own come in this order.
  EXPECT_EQ(NoticesOf(good, 2),
            (std::vector<Seen>{{good, ev::kConnect, 0}, {good, ev::kWrite, 0}}));
  EXPECT_FALSE(platform::IsSocketConnecting(good));

  platform::SocketId refused =
      platform::OpenConnectSocket("127.0.0.1", testsupport::ClosedPort(), nullptr);
  ASSERT_NE(refused, platform::kInvalidSocket);
  open_.push_back(refused);
  ASSERT_EQ(platform::SelectSocketEvents(refused, kWindow, kMessage, all), 0);
  EXPECT_EQ(NoticesOf(refused, 2),
            (std::vector<Seen>{{refused, ev::kConnect, platform::sockerr::kConnectionRefused},
                               {refused, ev::kClose, 0}}));

  // Addresses are numeric IPv4 only, and need a port.
  for (const char* bad : {"localhost", "127.0.0", "::1", ""}) {
    EXPECT_EQ(platform::OpenConnectSocket(bad, port_, nullptr), platform::kInvalidSocket) << bad;
    EXPECT_EQ(platform::LastSocketError(), platform::sockerr::kInvalidArgument);
  }
  EXPECT_EQ(platform::OpenConnectSocket("127.0.0.1", 0, nullptr), platform::kInvalidSocket);
  EXPECT_EQ(platform::OpenListenSocket("127.0.0.1", 70000), platform::kInvalidSocket);
}

TEST_F(SocketServiceTest, ClosingEndsWhatTheReaderLeavesAndReportsResets) {
  LoopbackPeer a, b, c;
  ASSERT_TRUE(a.Connect(port_));
  PollUntilSome();
  platform::SocketId s = Accept(&a);
  ASSERT_TRUE(b.Connect(port_));
  PollUntilSome();
  platform::SocketId t = Accept(&b);
  ASSERT_TRUE(c.Connect(port_));
  PollUntilSome();
  platform::SocketId u = Accept(&c);
  Poll();

  // Bytes the reader was told of and left: the close follows them.
  ASSERT_TRUE(a.Send("xyz"));
  a.Close();
  Settle(s, POLLRDHUP);
  EXPECT_EQ(Poll(), (std::vector<Seen>{{s, ev::kRead, 0}}));
  EXPECT_EQ(Poll(), (std::vector<Seen>{{s, ev::kClose, 0}}));
  EXPECT_TRUE(Poll().empty());

  // A reset after data: the data first, then the reset's close.
  ASSERT_TRUE(b.Send("q"));
  Settle(t, POLLIN);
  b.Reset();
  Settle(t, POLLRDHUP);
  EXPECT_EQ(Poll(), (std::vector<Seen>{{t, ev::kRead, 0}}));
  char buf[4];
  EXPECT_EQ(platform::SocketRecv(t, buf, 4, 0), 1);
  EXPECT_EQ(Poll(), (std::vector<Seen>{{t, ev::kClose, platform::sockerr::kConnectionReset}}));

  // A zero mask cancels and drops what was queued; a new selection starts afresh.
  ASSERT_TRUE(c.Send("w"));
  Settle(u, POLLIN);
  platform::PollSocketEvents();
  ASSERT_EQ(platform::SelectSocketEvents(u, kWindow, 0, 0), 0);
  EXPECT_TRUE(Poll().empty());
  ASSERT_EQ(platform::SelectSocketEvents(u, kWindow, kMessage, ev::kRead | ev::kWrite), 0);
  EXPECT_EQ(Poll(), (std::vector<Seen>{{u, ev::kRead, 0}, {u, ev::kWrite, 0}}));

  // Closing forgets the socket; the service then reports what the system says of it.
  platform::CloseSocket(u);
  open_.pop_back();
  EXPECT_EQ(platform::SocketRecv(u, buf, 4, 0), -1);
  EXPECT_EQ(platform::LastSocketError(), platform::sockerr::kNotSocket);
  EXPECT_EQ(platform::SocketSend(t, "x", 1, 0), -1);
  EXPECT_EQ(platform::LastSocketError(), platform::sockerr::kConnectionReset);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  EXPECT_EQ(platform::SocketRecv(static_cast<platform::SocketId>(fds[0]), buf, 4, 0), -1);
  EXPECT_EQ(platform::LastSocketError(), platform::sockerr::kNotSocket);
  close(fds[0]);
  close(fds[1]);
}

// A memory socket's sends, limited as a slow peer's buffer limits them: what is allowed goes, in
// order, kept for the peer; the rest is refused and a write notice comes once more is allowed.
TEST(MemorySocket, SendsTakeWhatIsAllowedAndNoticeWhenThereIsRoom) {
  std::string sent;
  const platform::SocketId s = platform::OpenMemorySocket(&sent);
  ASSERT_EQ(platform::SelectSocketEvents(s, kWindow, kMessage, ev::kRead | ev::kWrite), 0);
  EXPECT_EQ(Poll(), (std::vector<Seen>{{s, ev::kWrite, 0}}));
  EXPECT_EQ(platform::SocketSend(s, "whole", 5, 0), 5);
  ASSERT_EQ(platform::AllowMemorySocketSends(s, 0), 0);
  EXPECT_EQ(platform::SocketSend(s, "abc", 3, 0), -1);
  EXPECT_EQ(platform::LastSocketError(), platform::sockerr::kWouldBlock);
  EXPECT_TRUE(Poll().empty());
  ASSERT_EQ(platform::AllowMemorySocketSends(s, 2), 0);
  EXPECT_EQ(Poll(), (std::vector<Seen>{{s, ev::kWrite, 0}}));
  ASSERT_EQ(platform::AllowMemorySocketSends(s, 2), 0);
  EXPECT_EQ(platform::SocketSend(s, "abcdef", 6, 0), 4);
  EXPECT_EQ(platform::SocketSend(s, "ef", 2, 0), -1);
  EXPECT_EQ(sent, "wholeabcd");
  ASSERT_EQ(platform::AllowMemorySocketSends(s, 1), 0);
  EXPECT_EQ(Poll(), (std::vector<Seen>{{s, ev::kWrite, 0}}));
  ASSERT_EQ(platform::AllowMemorySocketSends(s, -1), 0);
  EXPECT_EQ(platform::SocketSend(s, "efgh", 4, 0), 4);
  EXPECT_EQ(sent, "wholeabcdefgh");
  EXPECT_EQ(platform::CloseSocket(s), 0);
  EXPECT_EQ(platform::AllowMemorySocketSends(s, 1), -1);
  EXPECT_EQ(platform::SocketSend(s, "x", 1, 0), -1);
  EXPECT_EQ(sent, "wholeabcdefgh");
}

}  // namespace
