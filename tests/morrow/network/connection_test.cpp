// Connections against peers on 127.0.0.1: framed streams taken apart and put together, hostile
// peers, the table's limits, handles, losses and the never-started component.
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "morrow/network/connection.h"
#include "morrow/network/network.h"
#include "morrow/system/log.h"
#include "tests/morrow/network/network_fixture.h"

namespace {

using testsupport::Le32;
using testsupport::LoopbackPeer;

constexpr const char* kResizeLine = "受信データを保存するリングバッファのリサイズに失敗しました";

class Connections : public testsupport::NetWorkFixture {};

// What a peer sends, piece by piece, and how the connection must look afterwards.
struct PeerScript {
  const char* name;
  std::vector<std::string> sends;  // pumped for a while after each
  bool bytewise;                   // each send a byte at a time
  enum End { kStayOpen, kClose, kReset } end;
  std::string stream;  // the payload bytes the library must hold
  int state;           // GetNetWorkAcceptStateh afterwards
  int resizeLines;     // log lines of a length refused
};

TEST_F(Connections, HostilePeersAreTakenApartOrRefused) {
  const std::string three = Le32(3) + "xyz";
  const std::string big(5000, 'b');
  const PeerScript scripts[] = {
      {"length split over packets",
       {"\x0a", std::string("\0\0", 2), std::string("\0", 1) + "abcd", "efghij"},
       false,
       PeerScript::kStayOpen,
       "abcdefghij",
       1,
       0},
      {"bytes one at a time",
       {Le32(4) + "abcd" + three + Le32(5000) + big},
       true,
       PeerScript::kStayOpen,
       "abcdxyz" + big,
       1,
       0},
      {"length 0 between pieces",
       {Le32(0) + three + Le32(0)},
       false,
       PeerScript::kStayOpen,
       "xyz",
       1,
       0},
      {"negative length", {three + Le32(-1) + "zz"}, false, PeerScript::kStayOpen, "", -1, 1},
      {"length over 16 MiB",
       {Le32((16 << 20) + 1) + "zz"},
       false,
       PeerScript::kStayOpen,
       "",
       -1,
       1},
      {"largest length", {Le32(0x7FFFFFFF)}, false, PeerScript::kStayOpen, "", -1, 1},
      {"16 MiB announced, 4 sent",
       {Le32(16 << 20) + "abcd"},
       false,
       PeerScript::kStayOpen,
       "abcd",
       1,
       0},
      {"close inside a length",
       {three + Le32(9).substr(0, 2)},
       false,
       PeerScript::kClose,
       "xyz",
       0,
       0},
      {"close inside a piece", {three + Le32(9) + "ab"}, false, PeerScript::kClose, "xyzab", 0, 0},
      {"reset after pieces", {three + three}, false, PeerScript::kReset, "xyzxyz", 0, 0},
  };
  for (const PeerScript& script : scripts) {
    SCOPED_TRACE(script.name);
    const int linesBefore = Count(kResizeLine);
    LoopbackPeer peer;
    const int h = Accept(&peer);
    ASSERT_NE(h, -1);
    for (const std::string& bytes : script.sends) {
      if (script.bytewise) {
        for (char c : bytes) {
          ASSERT_TRUE(peer.Send(std::string(1, c)));
          Pump();
        }
      } else {
        ASSERT_TRUE(peer.Send(bytes));
      }
      // Until the library has taken all it can of what came.
      PumpUntil([&] {
        const morrow::NetWorkRecord& r = RecordOf(h);
        const int left = Unread(h);
        return peer.Delivered(0) && (r.error || left == 0 || (r.receivePending == 0 && left < 4));
      });
    }
    PumpUntil([&] {
      const morrow::NetWorkRecord& r = RecordOf(h);
      return r.error != 0 || r.receiveRing.held >= script.stream.size();
    });
    if (script.end == PeerScript::kClose) peer.Close();
    if (script.end == PeerScript::kReset) peer.Reset();
    if (script.end != PeerScript::kStayOpen) {
      PumpUntil([&] { return RecordOf(h).connected == 0; });
    }
    EXPECT_EQ(Count(kResizeLine) - linesBefore, script.resizeLines);
    if (script.state == -1) {
      EXPECT_EQ(RecordOf(h).receivePending, 0);
      EXPECT_EQ(morrow::GetNetWorkAcceptStateh(h), -1);
      EXPECT_EQ(morrow::NetWorkRecv(h, nullptr, 0), -1);
    } else {
      EXPECT_EQ(morrow::GetNetWorkDataLength(h), static_cast<int>(script.stream.size()));
      std::string got(script.stream.size(), '\0');
      EXPECT_EQ(morrow::NetWorkRecv(h, got.data(), static_cast<int>(got.size())), 0);
      EXPECT_TRUE(got == script.stream)
          << got.size() << " bytes, first difference at "
          << (std::mismatch(got.begin(), got.end(), script.stream.begin()).first - got.begin());
      EXPECT_EQ(morrow::GetNetWorkAcceptStateh(h), script.state);
    }
    // A broken or lost connection is closed by the next pump; an open one by hand.
    Pump();
    if (script.state == 1) morrow::CloseNetWorkHandle(h);
    EXPECT_EQ(morrow::CountNetWorkHandles(), 0);
    EXPECT_EQ(morrow::GetNetWorkAcceptStateh(h), -1);
  }
}

TEST_F(Connections, APieceIsHeldUntilWholeAndALengthUntilComplete) {
  LoopbackPeer peer;
  const int h = Accept(&peer);
  ASSERT_NE(h, -1);
  // Ten announced, four sent: four held, six pending, five cannot be taken yet.
  ASSERT_TRUE(peer.Send(Le32(10) + "abcd"));
  PumpUntil([&] { return RecordOf(h).receiveRing.held == 4; });
  EXPECT_EQ(RecordOf(h).receivePending, 6);
  char buf[10] = {};
  EXPECT_EQ(morrow::NetWorkRecv(h, buf, 5), -1);
  EXPECT_EQ(morrow::GetNetWorkDataLength(h), 4);
  ASSERT_TRUE(peer.Send("efghij"));
  PumpUntil([&] { return RecordOf(h).receivePending == 0; });
  EXPECT_EQ(morrow::NetWorkRecvToPeek(h, buf, 5), 0);
  EXPECT_EQ(morrow::GetNetWorkDataLength(h), 10);
  EXPECT_EQ(morrow::NetWorkRecv(h, buf, 5), 0);
  EXPECT_EQ(std::string(buf, 5), "abcde");

  // Three bytes of a length leave the socket for the record, and no piece starts until the
  // fourth comes.
  ASSERT_TRUE(peer.Send(Le32(2).substr(0, 3)));
  PumpUntil([&] { return RecordOf(h).lengthHeld == 3; });
  EXPECT_EQ(Unread(h), 0);
  EXPECT_EQ(RecordOf(h).receivePending, 0);
  EXPECT_EQ(morrow::GetNetWorkDataLength(h), 5);
  ASSERT_TRUE(peer.Send(std::string(1, '\0') + "kl"));
  PumpUntil([&] { return morrow::GetNetWorkDataLength(h) == 7; });
  EXPECT_EQ(morrow::NetWorkRecv(h, buf, 7), 0);
  EXPECT_EQ(std::string(buf, 7), "fghijkl");
  EXPECT_EQ(morrow::NetWorkRecv(h, buf, -1), -1);
  // Nothing here was worth a log line.
  EXPECT_EQ(Log(), "");
}

// Reads framed pieces until the payload bytes come to total, for at most the peer's wait.
std::vector<std::string> ReadPieces(LoopbackPeer* peer, size_t total) {
  std::vector<std::string> pieces;
  size_t got = 0;
  while (got < total) {
    const std::string length = peer->Receive(4);
    if (length.size() < 4) break;
    const uint32_t n = static_cast<uint8_t>(length[0]) | static_cast<uint8_t>(length[1]) << 8 |
                       static_cast<uint8_t>(length[2]) << 16 |
                       static_cast<uint32_t>(static_cast<uint8_t>(length[3])) << 24;
    if (n > total - got) break;
    pieces.push_back(peer->Receive(n));
    got += pieces.back().size();
  }
  return pieces;
}

// Work on one connection runs the pump, which serves the notices of the others: a read notice
// for the second connection that comes while the first receives is served, not refused, and the
// second's close is told only once its bytes have been taken.
TEST_F(Connections, NoticesOfTwoConnectionsInterleave) {
  LoopbackPeer a, b;
  const int first = Accept(&a);
  const int second = Accept(&b);
  ASSERT_NE(first, -1);
  ASSERT_NE(second, -1);
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    const std::string piece = Le32(3) + std::string(3, static_cast<char>('a' + round));
    ASSERT_TRUE(a.Send(piece));
    ASSERT_TRUE(b.Send(piece));
    ASSERT_TRUE(a.Delivered() && b.Delivered());
    // No pass of the pump between: both notices come inside the first connection's receive.
    ASSERT_EQ(morrow::RecvSocket(first), 0);
    EXPECT_EQ(RecordOf(first).receiveRing.held, 3u * (round + 1));
    EXPECT_EQ(RecordOf(second).receiveRing.held, 3u * (round + 1));
    EXPECT_EQ(Unread(second), 0);
  }
  // Now the other way round, and the second peer closes behind its last piece.
  ASSERT_TRUE(a.Send(Le32(2) + "zz"));
  ASSERT_TRUE(b.Send(Le32(2) + "zz"));
  b.Close();
  ASSERT_TRUE(a.Delivered());
  ASSERT_EQ(morrow::RecvSocket(second), 0);
  EXPECT_EQ(RecordOf(first).receiveRing.held, 11u);
  EXPECT_EQ(RecordOf(second).receiveRing.held, 11u);
  PumpUntil([&] { return RecordOf(second).connected == 0; });
  EXPECT_EQ(Unread(second), 0);
  EXPECT_EQ(morrow::GetNetWorkDataLength(second), 11);
  std::string got(11, '\0');
  EXPECT_EQ(morrow::NetWorkRecv(second, got.data(), 11), 0);
  EXPECT_EQ(got, "aaabbbccczz");
  EXPECT_EQ(morrow::GetNetWorkAcceptStateh(second), 0);
  EXPECT_EQ(morrow::GetNetWorkAcceptStateh(first), 1);
  morrow::EndNetWork();
  EXPECT_EQ(Count("データの送受信を終えずに接続を閉じました"), 0);
}

TEST_F(Connections, SendsQueuedWhileBlockedLeaveAsOnePiece) {
  LoopbackPeer peer;
  const int h = Accept(&peer, 4096);
  ASSERT_NE(h, -1);
  int small = 4096;
  setsockopt(static_cast<int>(RecordOf(h).socket), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
  std::string first(1 << 20, '\0');
  for (size_t i = 0; i < first.size(); ++i) first[i] = static_cast<char>(i * 7);
  ASSERT_EQ(morrow::NetWorkSend(h, first.data(), static_cast<int>(first.size())), 0);
  // The peer reads nothing yet, so most of the piece waits in the ring.
  EXPECT_GT(RecordOf(h).sendRing.held, 0u);
  std::string rest;
  for (int i = 0; i < 10; ++i) {
    const std::string message(static_cast<size_t>(100 + i * 37), static_cast<char>('a' + i));
    ASSERT_EQ(morrow::NetWorkSend(h, message.data(), static_cast<int>(message.size())), 0);
    rest += message;
  }
  std::vector<std::string> pieces;
  std::thread reader([&] { pieces = ReadPieces(&peer, first.size() + rest.size()); });
  PumpUntil([&] { return RecordOf(h).sendRing.held == 0; });
  reader.join();
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_TRUE(pieces[0] == first);
  EXPECT_EQ(pieces[1], rest);

  // A queue above 64 MiB is refused whole; what waits stays.
  const std::string tiny = "x";
  ASSERT_EQ(morrow::NetWorkSend(h, tiny.data(), 1), 0);
  EXPECT_EQ(morrow::NetWorkSend(h, tiny.data(), (64 << 20) + 1), -1);
  EXPECT_EQ(Count("送信データ 67108865 byte の追加に失敗しました in NewWorkSend"), 1);
  EXPECT_EQ(morrow::NetWorkSend(h, tiny.data(), -5), -1);
  EXPECT_EQ(Count("送信データ -5 byte の追加に失敗しました in NewWorkSend"), 1);
}

TEST_F(Connections, APeerThatNeverReadsIsClosedWithinItsWait) {
  LoopbackPeer peer;
  const int h = Accept(&peer, 4096);
  ASSERT_NE(h, -1);
  const std::string block(1 << 20, 'p');
  for (int i = 0; i < 8; ++i) ASSERT_EQ(morrow::NetWorkSend(h, block.data(), 1 << 20), 0);
  EXPECT_GT(RecordOf(h).sendRing.held, 0u);
  int closed = -1;
  EXPECT_LT(WaitedIn([&] { closed = morrow::CloseNetWorkHandle(h); }), std::chrono::seconds(3));
  EXPECT_EQ(closed, 0);
  EXPECT_EQ(morrow::CountNetWorkHandles(), 0);

  // A broken connection with bytes still queued is closed at once, with one line for the try.
  LoopbackPeer broken;
  const int b = Accept(&broken, 4096);
  ASSERT_NE(b, -1);
  for (int i = 0; i < 8; ++i) ASSERT_EQ(morrow::NetWorkSend(b, block.data(), 1 << 20), 0);
  ASSERT_GT(RecordOf(b).sendRing.held, 0u);
  ASSERT_TRUE(broken.Send(Le32(-1)));
  PumpUntil([&] { return RecordOf(b).error != 0; });
  EXPECT_EQ(WaitedIn([&] { closed = morrow::CloseNetWorkHandle(b); }),
            std::chrono::milliseconds(0));
  EXPECT_EQ(closed, 0);
  EXPECT_EQ(Count("このネットワークハンドルにはエラーが発生しています in SendSocket"), 1);
}

TEST_F(Connections, APeerCloseIsReportedOnceThenThePumpFreesTheHandle) {
  LoopbackPeer a, b;
  const int h = Accept(&a);
  ASSERT_NE(h, -1);
  morrow::SetNetWorkNoAutoClose(1);
  const int kept = Accept(&b);
  ASSERT_NE(kept, -1);
  EXPECT_EQ(morrow::GetNetWorkAcceptStateh(h), 1);
  a.Close();
  b.Close();
  PumpUntil([&] { return RecordOf(h).connected == 0 && RecordOf(kept).connected == 0; });
  // Not yet reported: the pump leaves it.
  Pump();
  EXPECT_EQ(morrow::CountNetWorkHandles(), 2);
  EXPECT_EQ(morrow::GetNetWorkAcceptStateh(h), 0);
  EXPECT_EQ(morrow::GetNetWorkAcceptStateh(kept), 0);
  Pump();
  EXPECT_EQ(morrow::GetNetWorkAcceptStateh(h), -1);
  EXPECT_EQ(morrow::NetWorkSend(h, "x", 1), -1);
  // Without auto close the lost connection stays until it is closed.
  EXPECT_EQ(morrow::CountNetWorkHandles(), 1);
  EXPECT_EQ(morrow::NetWorkSend(kept, "x", 1), -1);
  EXPECT_EQ(morrow::CloseNetWorkHandle(kept), 0);
  EXPECT_EQ(morrow::CountNetWorkHandles(), 0);
  EXPECT_EQ(Log(), "");
}

TEST_F(Connections, BadHandlesAreRefusedWithoutALogLine) {
  LoopbackPeer a, b;
  const int live = Accept(&a);
  const int gone = Accept(&b);
  ASSERT_NE(live, -1);
  ASSERT_NE(gone, -1);
  ASSERT_EQ(morrow::CloseNetWorkHandle(gone), 0);
  const int index = live & 0xFFFF;
  const int handles[] = {
      -1,
      0,
      0x28000000 | (live & 0x07FFFFFF),       // another kind
      (live & ~0xFFFF) | 256,                 // past the table
      (live & ~0xFFFF) | 255,                 // a free record
      gone,                                   // closed
      (live ^ 0x00010000),                    // another check number
      static_cast<int>(0xC8000000u) | index,  // negative
  };
  char buf[4];
  for (const int h : handles) {
    SCOPED_TRACE(h);
    EXPECT_EQ(morrow::GetNetWorkAcceptStateh(h), -1);
    EXPECT_EQ(morrow::GetNetWorkDataLength(h), -1);
    EXPECT_EQ(morrow::NetWorkRecv(h, buf, 1), -1);
    EXPECT_EQ(morrow::NetWorkRecvToPeek(h, buf, 1), -1);
    EXPECT_EQ(morrow::NetWorkSend(h, "x", 1), -1);
    EXPECT_EQ(morrow::CloseNetWorkHandle(h), -1);
    EXPECT_EQ(morrow::RecvSocket(h), -1);
    EXPECT_EQ(morrow::SendSocket(h), -1);
  }
  EXPECT_EQ(morrow::GetNetWorkAcceptStateh(live), 1);
  EXPECT_EQ(Log(), "");
}

TEST_F(Connections, AFullTableRefusesOnceThenAcceptsWhenARecordFrees) {
  constexpr int kPeers = 300;
  std::vector<LoopbackPeer> peers(kPeers);
  for (LoopbackPeer& p : peers) ASSERT_TRUE(p.Connect(port_));
  std::vector<int> handles;
  auto takeAll = [&] {
    for (int h; (h = morrow::TakeAcceptedNetWork()) != -1;) handles.push_back(h);
  };
  PumpUntil([&] {
    takeAll();
    return handles.size() == morrow::kNetWorkRecordCount;
  });
  PumpUntil([&] { return Count("空きソケットデータがなかったので accept を拒否しました") == 1; });
  takeAll();
  EXPECT_EQ(handles.size(), static_cast<size_t>(morrow::kNetWorkRecordCount));
  EXPECT_EQ(Count("空きソケットデータがなかったので accept を拒否しました"), 1);
  // Each freed record lets one waiting connection in.
  for (int i = 0; i < 60; ++i) ASSERT_EQ(morrow::CloseNetWorkHandle(handles[i]), 0);
  PumpUntil([&] {
    takeAll();
    return handles.size() == kPeers;
  });
  EXPECT_EQ(handles.size(), static_cast<size_t>(kPeers));
  EXPECT_EQ(morrow::CountNetWorkHandles(), kPeers - 60);
  EXPECT_EQ(Count("空きソケットデータがなかったので accept を拒否しました"), 1);
  // Handles are issued with check numbers counting up, so every one differs.
  std::vector<int> sorted = handles;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
}

TEST_F(Connections, OutgoingConnectionsCarryBothKindsOfStream) {
  for (const int framed : {1, 0}) {
    SCOPED_TRACE(framed);
    morrow::SetNetWorkNoFraming(framed ? 0 : 1);
    const int out = morrow::ConnectNetWork("127.0.0.1", port_, framed);
    ASSERT_NE(out, -1);
    int in = -1;
    PumpUntil([&] { return (in = morrow::TakeAcceptedNetWork()) != -1; });
    ASSERT_NE(in, -1);
    EXPECT_EQ(morrow::GetNetWorkAcceptStateh(out), 1);
    EXPECT_EQ(RecordOf(out).peerAddress[0], 127);
    ASSERT_EQ(morrow::NetWorkSend(out, "hello", 5) >= 0, true);
    ASSERT_EQ(morrow::NetWorkSend(in, "back", 4) >= 0, true);
    char buf[8] = {};
    const int want = framed ? 0 : 5;
    PumpUntil([&] { return morrow::NetWorkRecv(in, buf, 5) == want; });
    EXPECT_EQ(std::string(buf, 5), "hello");
    PumpUntil([&] { return morrow::NetWorkRecv(out, buf, 4) == (framed ? 0 : 4); });
    EXPECT_EQ(std::string(buf, 4), "back");
    EXPECT_EQ(morrow::CloseNetWorkHandle(out), 0);
    PumpUntil([&] { return morrow::GetNetWorkAcceptStateh(in) == 0; });
    Pump();
    EXPECT_EQ(morrow::CountNetWorkHandles(), 0);
  }
  // A refused connection ends as a lost one.
  const int refused = morrow::ConnectNetWork("127.0.0.1", testsupport::ClosedPort(), 1);
  ASSERT_NE(refused, -1);
  PumpUntil([&] { return morrow::GetNetWorkAcceptStateh(refused) != 1; });
  PumpUntil([&] { return morrow::CountNetWorkHandles() == 0; });
  EXPECT_EQ(morrow::CountNetWorkHandles(), 0);
  // Names are not looked up.
  EXPECT_EQ(morrow::ConnectNetWork("localhost", port_, 1), -1);
  EXPECT_EQ(Count("ネットワークログ。connectに失敗しました[10022]"), 1);
}

TEST_F(Connections, AConnectionStillBeingMadeIsNotLost) {
  testsupport::FullListener listener;
  ASSERT_TRUE(listener.ok());
  const int h = morrow::ConnectNetWork("127.0.0.1", listener.port(), 1);
  ASSERT_NE(h, -1);
  EXPECT_EQ(morrow::GetNetWorkAcceptStateh(h), 0);
  Pump();
  EXPECT_EQ(morrow::CountNetWorkHandles(), 1);
  LoopbackPeer queued(accept(listener.fd(), nullptr, nullptr));
  EXPECT_TRUE(PumpUntil([&] { return morrow::GetNetWorkAcceptStateh(h) == 1; }));
}

TEST(NetWorkNeverStarted, AnswersAtOnceAndWritesNothing) {
  testsupport::TempDir dir;
  morrow::SetLogDirectory(dir.path());
  morrow::StartLogFile();
  EXPECT_EQ(morrow::EndNetWork(), 0);
  EXPECT_EQ(morrow::PumpNetWorkMessages(1), 0);
  EXPECT_EQ(morrow::HandleSocketMessage(0, 0x505, 3, 1), 1);
  EXPECT_EQ(morrow::AcceptNetWork(), -1);
  EXPECT_EQ(morrow::ListenNetWork("127.0.0.1", 0), -1);
  EXPECT_EQ(morrow::ConnectNetWork("127.0.0.1", 80, 1), -1);
  EXPECT_EQ(morrow::GetNetWorkAcceptStateh(0x48000000), -1);
  EXPECT_EQ(morrow::GetNetWorkDataLength(0x48000000), -1);
  EXPECT_EQ(morrow::NetWorkSend(0x48000000, "x", 1), -1);
  EXPECT_EQ(morrow::CountNetWorkHandles(), 0);
  EXPECT_EQ(morrow::TakeAcceptedNetWork(), -1);
  EXPECT_EQ(morrow::ClearHttpTable(), 0);
  EXPECT_EQ(morrow::ProcessHttpTransfers(), 0);
  EXPECT_EQ(morrow::EndHttp(), 0);
  EXPECT_EQ(
      morrow::StartHttpTransfer(morrow::kHttpGet, "127.0.0.1", 80, "/", 0, nullptr, nullptr, 0),
      -1);
  morrow::ClearHttpTable();
  EXPECT_EQ(morrow::GetNetWork().state.initialised, 0);
  EXPECT_EQ(testsupport::ReadFile(dir.File("AppLog.txt")), "");
  morrow::SetLogDirectory("");
}

}  // namespace
