#include "morrow/network/connection.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "morrow/network/network.h"
#include "morrow/system/log.h"
#include "morrow/system/time.h"
#include "platform/net.h"
#include "platform/window.h"

namespace morrow {
namespace {

namespace ev = platform::sockevent;

NetWork g_net;

constexpr uint32_t kNoticeMessage = platform::msg::kSocket;
constexpr uint32_t kCloseWaitMs = 1000;
// The most pieces of length 0 one receive call takes: a peer that sends nothing else cannot keep
// it for long.
constexpr int kMaxEmptyPiecesPerCall = 1 << 16;

NetWorkState& State() {
  return g_net.state;
}

int HandleOf(int index) {
  return kNetWorkHandleKind | static_cast<int>(g_net.records[index].checkNumber << 16) | index;
}

// The record behind a valid handle, or null.
NetWorkRecord* CheckedRecord(int handle) {
  if (!State().initialised || handle < 0 || (handle & 0x78000000) != kNetWorkHandleKind) {
    return nullptr;
  }
  const int index = handle & 0xFFFF;
  if (index >= kNetWorkRecordCount) return nullptr;
  NetWorkRecord& r = g_net.records[index];
  if (r.inUse != 1 || static_cast<int>(r.checkNumber << 16) != (handle & 0x07FF0000)) {
    return nullptr;
  }
  return &r;
}

// The two log lines every record operation writes for a record that is gone or broken; false
// when the operation may go on.
bool RefusedRecord(const NetWorkRecord& r, const char* operation) {
  if (r.inUse != 1) {
    WriteLogFormat("有効なネットワークハンドルではありません in %s", operation);
    return true;
  }
  if (r.error) {
    WriteLogFormat("このネットワークハンドルにはエラーが発生しています in %s", operation);
    return true;
  }
  return false;
}

// The start every record operation shares: a valid handle and a free busy flag, then the flag is
// held for the call and the pump runs; with a name, a record gone or broken meanwhile is refused
// with its log line. record() is null when the call is refused.
class RecordCall {
 public:
  // An operation with one busy flag for all connections.
  RecordCall(int handle, int* busyFlag, const char* name) : record_(CheckedRecord(handle)) {
    Enter(busyFlag, name);
  }
  // An operation with a busy flag in each record, so that serving one connection never refuses
  // another.
  RecordCall(int handle, int NetWorkRecord::*busyFlag, const char* name)
      : record_(CheckedRecord(handle)) {
    Enter(record_ != nullptr ? &(record_->*busyFlag) : nullptr, name);
  }
  ~RecordCall() {
    if (busy_ != nullptr) *busy_ = 0;
  }
  RecordCall(const RecordCall&) = delete;
  RecordCall& operator=(const RecordCall&) = delete;
  NetWorkRecord* record() const { return record_; }

 private:
  void Enter(int* busyFlag, const char* name) {
    if (record_ == nullptr || *busyFlag != 0) {
      record_ = nullptr;
      return;
    }
    busy_ = busyFlag;
    *busy_ = 1;
    PumpNetWorkMessages(0);
    if (name != nullptr && RefusedRecord(*record_, name)) record_ = nullptr;
  }

  NetWorkRecord* record_;
  int* busy_ = nullptr;
};

int FirstFreeRecord() {
  for (int i = 0; i < kNetWorkRecordCount; ++i) {
    if (g_net.records[i].inUse != 1) return i;
  }
  return -1;
}

// A fresh record for a new socket, laid out alike for accepted and outgoing connections.
NetWorkRecord& OpenRecord(int index, int framed, int connected) {
  NetWorkRecord& r = g_net.records[index];
  r = NetWorkRecord{};
  r.inUse = 1;
  r.connected = connected;
  r.framed = framed;
  r.autoClose = State().noAutoClose ? 0 : 1;
  InitRingBuffer(&r.receiveRing);
  InitRingBuffer(&r.sendRing);
  return r;
}

void StorePeer(NetWorkRecord& r, const uint8_t address[16]) {
  uint16_t port;
  std::memcpy(&port, address + 2, sizeof port);
  r.peerPort = port;
  std::memcpy(r.peerAddress, address + 4, 4);
}

// Drops a record whose socket could not be set up.
int AbandonRecord(NetWorkRecord& r) {
  if (r.socket != 0 && r.socket != platform::kInvalidSocket) platform::CloseSocket(r.socket);
  FreeRingBuffer(&r.receiveRing);
  FreeRingBuffer(&r.sendRing);
  r.inUse = 0;
  return -1;
}

// Gives the record its check number and returns its handle.
int IssueHandle(int index) {
  NetWorkState& s = State();
  g_net.records[index].checkNumber = static_cast<uint32_t>(s.nextCheckNumber);
  s.nextCheckNumber = s.nextCheckNumber >= 2047 ? 0 : s.nextCheckNumber + 1;
  return HandleOf(index);
}

void RememberAccepted(int handle) {
  NetWorkState& s = State();
  int kept = 0;
  for (int i = 0; i < s.acceptedCount; ++i) {
    if (CheckedRecord(s.accepted[i]) != nullptr) s.accepted[kept++] = s.accepted[i];
  }
  s.acceptedCount = kept;
  if (kept < kNetWorkRecordCount) s.accepted[s.acceptedCount++] = handle;
}

void PutLength(uint8_t out[4], uint32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The network window's procedure.
void NetworkWindowProc(uintptr_t window, uint32_t message, uint64_t wParam, int64_t lParam) {
  if (message == kNoticeMessage) {
    HandleSocketMessage(window, message, wParam, lParam);
  } else if (message == platform::msg::kClose) {
    State().windowGone = 1;
  }
}

// Every message waiting for the network window, in order: the library's own, then the notices.
void DrainNetworkWindow() {
  NetWorkState& s = State();
  for (;;) {
    if (s.closePosted) {
      s.closePosted = 0;
      NetworkWindowProc(s.window, platform::msg::kClose, 0, 0);
      continue;
    }
    platform::SocketNotice n;
    if (s.window == 0 || !platform::TakeSocketNotice(s.window, &n)) break;
    NetworkWindowProc(n.window, n.message, n.wParam, n.lParam);
  }
}

// Moves count bytes between the socket and the ring at a position of the ring (the write position
// to receive, the read position to send), in two pieces when they pass the end of the block; the
// position follows them. The count, or -1 when the first move failed.
template <typename Move>
int MoveAcrossRing(RingBuffer& ring, uint32_t& position, uint32_t count, Move move) {
  if (count == 0) return 0;
  const uint32_t first = ring.size - position;
  if (count <= first) {
    const int n = move(ring.data + position, count);
    if (n > 0) position += static_cast<uint32_t>(n);
    return n;
  }
  const int n = move(ring.data + position, first);
  if (n < 0) return -1;
  if (static_cast<uint32_t>(n) != first) {
    position += static_cast<uint32_t>(n);
    return n;
  }
  const int m = move(ring.data, count - first);
  position = m < 0 ? 0 : static_cast<uint32_t>(m);
  return n + (m < 0 ? 0 : m);
}

// Takes the run of length words of 0 that waits first in the socket, at most limit of them; how
// many were taken.
int TakeEmptyPieces(const NetWorkRecord& r, int limit) {
  uint8_t words[4096];
  const int peeked = platform::SocketRecv(r.socket, words, sizeof words, platform::kSocketPeek);
  int run = 0;
  while (run < limit && (run + 1) * 4 <= peeked) {
    const uint8_t* w = words + run * 4;
    if ((w[0] | w[1] | w[2] | w[3]) != 0) break;
    ++run;
  }
  if (run > 0) platform::SocketRecv(r.socket, words, run * 4, 0);
  return run;
}

// Takes the bytes of the next length that wait in the socket into the record; true, with the
// length, once all four have come.
bool TakeLength(NetWorkRecord& r, int32_t* length) {
  const int want = 4 - static_cast<int>(r.lengthHeld);
  const int n = platform::SocketRecv(r.socket, r.lengthBytes + r.lengthHeld, want, 0);
  if (n > 0) r.lengthHeld += static_cast<uint32_t>(n);
  if (r.lengthHeld < 4) return false;
  r.lengthHeld = 0;
  const uint8_t* b = r.lengthBytes;
  *length =
      static_cast<int32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24));
  return true;
}

int RecvCommon(int handle, void* buffer, int length, int peek) {
  if (length < 0) return -1;
  NetWorkState& s = State();
  RecordCall call(handle, peek ? &s.busyRecvPeek : &s.busyRecv,
                  peek ? "NetWorkRecvToPeek" : "NetWorkRecv");
  NetWorkRecord* r = call.record();
  if (r == nullptr) return -1;
  if (RecvSocket(handle) < 0) return -1;
  if (!r->framed) {
    return platform::SocketRecv(r->socket, buffer, length, peek ? platform::kSocketPeek : 0);
  }
  if (buffer == nullptr && length > 0) return -1;
  if (GetRingBufferLength(&r->receiveRing) < length) return -1;
  RingBufferRead(&r->receiveRing, buffer, length, peek);
  RecvSocket(handle);
  return 0;
}

}  // namespace

NetWork& GetNetWork() {
  return g_net;
}

int LogNetWork(const char* text) {
  return WriteLog(text);
}

int LogNetWorkError(const char* format, ...) {
  char text[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return WriteLogFormat("ネットワークログ。%s[%d]", text, platform::LastSocketError());
}

int InitNetWork() {
  NetWorkState& s = State();
  if (s.initialised) return 0;
  platform::StartSockets();
  s.window = reinterpret_cast<uintptr_t>(&g_net);
  s.windowGone = 0;
  s.searchedRecords = kNetWorkRecordCount;
  s.initialised = 1;
  return 0;
}

int SetNetWorkNoFraming(int flag) {
  State().noFraming = flag != 0 ? 1 : 0;
  return 0;
}

int SetNetWorkNoAutoClose(int flag) {
  State().noAutoClose = flag != 0 ? 1 : 0;
  return 0;
}

int ListenNetWork(const char* address, int port) {
  NetWorkState& s = State();
  if (!s.initialised || s.listening) return -1;
  platform::SocketId l = platform::OpenListenSocket(address, port);
  if (l == platform::kInvalidSocket) return LogNetWorkError("listenに失敗しました");
  if (platform::SelectSocketEvents(l, s.window, kNoticeMessage, ev::kAccept) != 0) {
    LogNetWorkError("WSAAsyncSelectのエラー in ListenNetWork");
    platform::CloseSocket(l);
    return -1;
  }
  s.listenSocket = l;
  s.listening = 1;
  return 0;
}

int GetListenNetWorkPort() {
  const NetWorkState& s = State();
  if (!s.initialised || !s.listening) return -1;
  return platform::SocketLocalPort(s.listenSocket);
}

int TakeAcceptedNetWork() {
  NetWorkState& s = State();
  while (s.acceptedCount > 0) {
    const int handle = s.accepted[0];
    --s.acceptedCount;
    std::memmove(s.accepted, s.accepted + 1, sizeof(int) * static_cast<size_t>(s.acceptedCount));
    if (CheckedRecord(handle) != nullptr) return handle;
  }
  return -1;
}

namespace {

// A record for a connection of our own making: opened (socket null) to an address, or adopted.
int MakeOutgoingRecord(const char* address, int port, const platform::SocketId* socket, int framed,
                       int autoClose) {
  NetWorkState& s = State();
  if (!s.initialised) {
    if (socket != nullptr) platform::CloseSocket(*socket);
    return -1;
  }
  PumpNetWorkMessages(0);
  const int index = FirstFreeRecord();
  if (index < 0) {
    if (socket != nullptr) platform::CloseSocket(*socket);
    return LogNetWork("空きソケットデータがなかったので connect を行いませんでした \n");
  }
  NetWorkRecord& r = OpenRecord(index, framed != 0 ? 1 : 0, socket != nullptr ? 1 : 0);
  r.autoClose = autoClose != 0 ? 1 : 0;
  uint8_t peer[16] = {};
  r.socket = socket != nullptr ? *socket : platform::OpenConnectSocket(address, port, peer);
  if (r.socket == platform::kInvalidSocket) {
    LogNetWorkError("connectに失敗しました");
    return AbandonRecord(r);
  }
  StorePeer(r, peer);
  const int32_t events = ev::kRead | ev::kWrite | ev::kClose | ev::kConnect;
  if (platform::SelectSocketEvents(r.socket, s.window, kNoticeMessage, events) != 0) {
    LogNetWorkError("WSAAsyncSelectのエラー in ConnectNetWork");
    return AbandonRecord(r);
  }
  const int handle = IssueHandle(index);
  // A connection that is made at once (as on this machine's own address) counts on return.
  PumpNetWorkMessages(0);
  return handle;
}

}  // namespace

int OpenNetWorkConnection(const char* address, int port, int framed, int autoClose) {
  return MakeOutgoingRecord(address, port, nullptr, framed, autoClose);
}

int AdoptNetWorkSocket(platform::SocketId socket, int framed, int autoClose) {
  return MakeOutgoingRecord(nullptr, 0, &socket, framed, autoClose);
}

int ConnectNetWork(const char* address, int port, int framed) {
  return OpenNetWorkConnection(address, port, framed, State().noAutoClose ? 0 : 1);
}

bool IsNetWorkConnecting(int handle) {
  const NetWorkRecord* r = CheckedRecord(handle);
  return r != nullptr && platform::IsSocketConnecting(r->socket);
}

int CountNetWorkHandles() {
  if (!State().initialised) return 0;
  int n = 0;
  for (const NetWorkRecord& r : g_net.records) n += r.inUse == 1 ? 1 : 0;
  return n;
}

int PumpNetWorkMessages(int closeLost) {
  NetWorkState& s = State();
  if (s.window == 0 || !s.initialised) return 0;
  if (s.busyPump) return -1;
  s.busyPump = 1;
  if (closeLost == 1) {
    for (int i = 0; i < kNetWorkRecordCount; ++i) {
      const NetWorkRecord& r = g_net.records[i];
      if (r.inUse != 1) continue;
      if (r.error == 1 || (r.connected == 0 && r.lossReported == 1 && r.autoClose == 1)) {
        CloseNetWorkHandle(HandleOf(i));
      }
    }
    // A connection refused for want of a record still waits, and the listener would not say
    // so again: once a record is free, ask it afresh.
    if (s.acceptRefused && s.listening && FirstFreeRecord() >= 0) {
      s.acceptRefused = 0;
      platform::SelectSocketEvents(s.listenSocket, s.window, kNoticeMessage, ev::kAccept);
    }
  }
  platform::PollSocketEvents();
  DrainNetworkWindow();
  s.busyPump = 0;
  return 0;
}

int HandleSocketMessage(uintptr_t, uint32_t, uint64_t wParam, int64_t lParam) {
  const NetWorkState& s = State();
  const int event = static_cast<int>(lParam & 0xFFFF);
  const int error = static_cast<int>((lParam >> 16) & 0xFFFF);
  // The listener holds no record; its accept notices come on their own.
  if (s.listening && wParam == s.listenSocket && event == ev::kAccept) return AcceptNetWork();
  int index = -1;
  for (int i = 0; i < s.searchedRecords && i < kNetWorkRecordCount; ++i) {
    if (g_net.records[i].inUse == 1 && g_net.records[i].socket == wParam) {
      index = i;
      break;
    }
  }
  if (index < 0 || event == 0 || event > 32) return 1;
  NetWorkRecord& r = g_net.records[index];
  switch (event) {
    case ev::kRead:
      RecvSocket(HandleOf(index));
      break;
    case ev::kWrite:
      SendSocket(HandleOf(index));
      break;
    case ev::kAccept:
      return AcceptNetWork();
    case ev::kConnect:
      if (error == 0) r.connected = 1;
      break;
    case ev::kClose:
      r.connected = 0;
      r.lossReported = 0;
      r.closeError = static_cast<uint32_t>(error);
      break;
    default:
      break;
  }
  return 1;
}

namespace {

// One waiting connection into the first free record.
int AcceptIntoRecord() {
  NetWorkState& s = State();
  PumpNetWorkMessages(0);
  if (!s.listening) return -1;
  const int index = FirstFreeRecord();
  if (index < 0) {
    s.acceptRefused = 1;
    return LogNetWork("空きソケットデータがなかったので accept を拒否しました \n");
  }
  NetWorkRecord& r = OpenRecord(index, s.noFraming ? 0 : 1, 1);
  uint8_t address[16] = {};
  int addressLength = sizeof address;
  r.socket = platform::SocketAccept(s.listenSocket, address, &addressLength);
  if (r.socket == platform::kInvalidSocket) {
    LogNetWorkError("acceptに失敗しました");
    return AbandonRecord(r);
  }
  StorePeer(r, address);
  if (platform::SelectSocketEvents(r.socket, s.window, kNoticeMessage,
                                   ev::kRead | ev::kWrite | ev::kClose) != 0) {
    LogNetWorkError("WSAAsyncSelectのエラー in AcceptNetWork");
    return AbandonRecord(r);
  }
  RememberAccepted(IssueHandle(index));
  return 1;
}

}  // namespace

int AcceptNetWork() {
  NetWorkState& s = State();
  if (!s.initialised || s.busyAccept) return -1;
  s.busyAccept = 1;
  const int result = AcceptIntoRecord();
  s.busyAccept = 0;
  return result;
}

int RecvSocket(int handle) {
  RecordCall call(handle, &NetWorkRecord::busyRecvSocket, "RecvSocket");
  NetWorkRecord* r = call.record();
  if (r == nullptr) return -1;
  if (!r->framed) return 0;
  int emptyPieces = 0;
  for (;;) {
    if (r->receivePending == 0) {
      // What comes after the piece under way at a close would only be dropped.
      if (r->closing) break;
      // Pieces of length 0 carry nothing to wait for: a run of them is taken here and now, so
      // that they cannot hold back the data behind them.
      if (r->lengthHeld == 0 && emptyPieces < kMaxEmptyPiecesPerCall) {
        const int taken = TakeEmptyPieces(*r, kMaxEmptyPiecesPerCall - emptyPieces);
        emptyPieces += taken;
        if (taken > 0) continue;
      }
      int32_t length = 0;
      if (!TakeLength(*r, &length)) break;
      if (length == 0 && emptyPieces < kMaxEmptyPiecesPerCall) {
        ++emptyPieces;
        continue;
      }
      // A length no peer of ours sends, or one past what a connection keeps unread, ends the
      // connection as a failed grow does.
      const bool sane = length >= 0 && length <= kMaxNetWorkPieceBytes &&
                        int64_t{r->receiveRing.held} + length <= kMaxNetWorkUnreadBytes;
      if (!sane || ReserveRingBuffer(&r->receiveRing, length) != 0) {
        WriteLogFormat(
            "受信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)",
            length);
        FreeRingBuffer(&r->receiveRing);
        r->error = 1;
        return -1;
      }
      r->receivePending = length;
    }
    RingBuffer& ring = r->receiveRing;
    const int received = MoveAcrossRing(
        ring, ring.write, static_cast<uint32_t>(r->receivePending), [r](uint8_t* at, uint32_t n) {
          return platform::SocketRecv(r->socket, at, static_cast<int>(n), 0);
        });
    if (received < 0) break;
    r->receiveRing.held += static_cast<uint32_t>(received);
    r->receivePending -= received;
    const int pumped = PumpNetWorkMessages(0);
    if (pumped != 0 || received == 0 || r->receivePending != 0 || r->inUse != 1) break;
  }
  return 0;
}

int SendSocket(int handle) {
  RecordCall call(handle, &NetWorkRecord::busySendSocket, "SendSocket");
  NetWorkRecord* r = call.record();
  if (r == nullptr) return -1;
  if (GetRingBufferLength(&r->sendRing) == 0) return 0;
  RingBuffer& queue = r->sendRing;
  if (!r->framed) {
    // A plain queue is the rest of what the socket did not take: no lengths, as it comes.
    if (queue.read == queue.size) queue.read = 0;
    while (queue.held > 0) {
      const int sent = MoveAcrossRing(queue, queue.read, queue.held, [r](uint8_t* at, uint32_t n) {
        return platform::SocketSend(r->socket, at, static_cast<int>(n), 0);
      });
      if (sent <= 0) break;
      queue.held -= static_cast<uint32_t>(sent);
    }
    return 0;
  }
  do {
    uint8_t header[4];
    if (r->sendHeaderRemaining != 0) {
      PutLength(header, r->sendPieceRemaining);
      const int want = static_cast<int>(r->sendHeaderRemaining);
      const int n = platform::SocketSend(r->socket, header + 4 - want, want, 0);
      // What went out of the length stays sent: the next try sends only the rest.
      if (n > 0) r->sendHeaderRemaining -= static_cast<uint32_t>(n);
      if (n < want) break;
    }
    if (r->sendPieceRemaining == 0) {
      r->sendPieceRemaining = r->sendRing.held;
      PutLength(header, r->sendPieceRemaining);
      const int n = platform::SocketSend(r->socket, header, 4, 0);
      if (n < 0) {
        r->sendPieceRemaining = 0;
        break;
      }
      if (n < 4) {
        r->sendHeaderRemaining = static_cast<uint32_t>(4 - n);
        break;
      }
    }
    RingBuffer& ring = r->sendRing;
    const int sent =
        MoveAcrossRing(ring, ring.read, r->sendPieceRemaining, [r](uint8_t* at, uint32_t n) {
          return platform::SocketSend(r->socket, at, static_cast<int>(n), 0);
        });
    if (sent < 0) break;
    r->sendRing.held -= static_cast<uint32_t>(sent);
    r->sendPieceRemaining -= static_cast<uint32_t>(sent);
    // Run from a write notice the pump is busy; the next piece still goes, as nothing else would
    // send it before the buffer fills and a new notice is asked for.
    PumpNetWorkMessages(0);
    if (sent == 0 || r->sendPieceRemaining != 0 || r->inUse != 1) break;
  } while (r->sendRing.held > 0);
  return 0;
}

namespace {

bool HasDataOnTheWay(const NetWorkRecord& r) {
  return r.receivePending != 0 || r.sendRing.held != 0;
}

// Gives the records from first to last up to waitMs in all to finish the piece coming in and
// then send what is queued, sleeping between polls. A record that fails is left as it is, and so
// is everything when the pump is busy (the caller runs inside it), as nothing would arrive.
void WaitForDataOnTheWay(int first, int last, uint32_t waitMs) {
  bool failed[kNetWorkRecordCount] = {};
  const auto start = static_cast<uint32_t>(GetMillisecondCount(0));
  while (static_cast<uint32_t>(GetMillisecondCount(0)) - start < waitMs &&
         PumpNetWorkMessages(0) == 0) {
    bool waiting = false;
    for (int i = first; i <= last; ++i) {
      const NetWorkRecord& r = g_net.records[i];
      if (r.inUse != 1 || failed[i] || !HasDataOnTheWay(r)) continue;
      const int handle = HandleOf(i);
      const int result = r.receivePending != 0 ? RecvSocket(handle) : SendSocket(handle);
      if (result < 0) {
        failed[i] = true;
      } else {
        waiting = waiting || HasDataOnTheWay(r);
      }
    }
    if (!waiting) return;
    SleepThread(1);
  }
}

// A record about to be closed no longer keeps what it holds unread, which nobody can take any
// more: the bytes are let go at once instead of being moved again as the piece under way comes
// in, and no piece after that one is taken.
void StartClosing(NetWorkRecord& r) {
  r.closing = 1;
  RingBuffer& ring = r.receiveRing;
  ring.held = 0;
  ring.read = ring.write = 0;
}

// Closes the record's socket at once; data still on its way is dropped, with a line saying so.
void DropRecord(NetWorkRecord& r) {
  if (HasDataOnTheWay(r)) {
    WriteLogFormat("データの送受信を終えずに接続を閉じました(受信待ち %d byte 送信待ち %d byte)",
                   r.receivePending, GetRingBufferLength(&r.sendRing));
  }
  platform::SelectSocketEvents(r.socket, State().window, 0, 0);
  platform::CloseSocket(r.socket);
  r.socket = 0;
  FreeRingBuffer(&r.receiveRing);
  FreeRingBuffer(&r.sendRing);
  r.inUse = 0;
  r.connected = 0;
  r.lossReported = 1;
}

}  // namespace

int CloseNetWorkHandle(int handle) {
  RecordCall call(handle, &State().busyClose, nullptr);
  NetWorkRecord* r = call.record();
  if (r == nullptr) return -1;
  const int index = handle & 0xFFFF;
  StartClosing(*r);
  WaitForDataOnTheWay(index, index, kCloseWaitMs);
  DropRecord(*r);
  return 0;
}

int DropNetWorkHandle(int handle) {
  RecordCall call(handle, &State().busyClose, nullptr);
  NetWorkRecord* r = call.record();
  if (r == nullptr) return -1;
  DropRecord(*r);
  return 0;
}

int GetNetWorkAcceptStateh(int handle) {
  if (!State().initialised) return -1;
  PumpNetWorkMessages(0);
  NetWorkRecord* r = CheckedRecord(handle);
  if (r == nullptr) return -1;
  if (r->error) {
    return WriteLog(
        "このネットワークハンドルにはエラーが発生しています in GetNetWorkAcceptStateh\n");
  }
  if (r->connected != 0) return 1;
  // An outgoing connection still being made is not lost yet.
  if (!platform::IsSocketConnecting(r->socket)) r->lossReported = 1;
  return 0;
}

int GetNetWorkDataLength(int handle) {
  if (!State().initialised) return -1;
  PumpNetWorkMessages(0);
  RecvSocket(handle);
  SendSocket(handle);
  NetWorkRecord* r = CheckedRecord(handle);
  if (r == nullptr) return -1;
  if (r->error) {
    return WriteLog("このネットワークハンドルにはエラーが発生しています in GetNetWorkDataLength\n");
  }
  if (r->framed) return GetRingBufferLength(&r->receiveRing);
  char byte;
  const int n = NetWorkRecvToPeek(handle, &byte, 1);
  if (n < 0) return n;
  return n == 1 ? 1 : 0;
}

int NetWorkRecv(int handle, void* buffer, int length) {
  return RecvCommon(handle, buffer, length, 0);
}

int NetWorkRecvToPeek(int handle, void* buffer, int length) {
  return RecvCommon(handle, buffer, length, 1);
}

namespace {

// Appends to the send queue within its limit; -1 with the line of a refused send.
int QueueToSend(NetWorkRecord& r, const void* buffer, int length) {
  const int64_t queued = int64_t{GetRingBufferLength(&r.sendRing)} + length;
  if (length < 0 || (buffer == nullptr && length > 0) || queued > kMaxNetWorkSendQueueBytes ||
      RingBufferWrite(&r.sendRing, buffer, length) != 0) {
    return WriteLogFormat("送信データ %d byte の追加に失敗しました in NewWorkSend", length);
  }
  return 0;
}

// The send of both calls; whole: a plain socket queues the rest of what it does not take.
int SendCommon(int handle, const void* buffer, int length, bool whole) {
  RecordCall call(handle, &State().busySend, "NetWorkSend");
  NetWorkRecord* r = call.record();
  if (r == nullptr) return -1;
  if (r->connected == 0) return -1;
  SendSocket(handle);
  if (!r->framed && !whole) return platform::SocketSend(r->socket, buffer, length, 0);
  if (!r->framed) {
    if (length < 0 || (buffer == nullptr && length > 0)) return -1;
    int sent = 0;
    // Bytes already waiting go first.
    if (GetRingBufferLength(&r->sendRing) == 0) {
      sent = platform::SocketSend(r->socket, buffer, length, 0);
      if (sent < 0 && platform::LastSocketError() != platform::sockerr::kWouldBlock) return -1;
      sent = sent < 0 ? 0 : sent;
    }
    return QueueToSend(*r, static_cast<const uint8_t*>(buffer) + sent, length - sent);
  }
  if (QueueToSend(*r, buffer, length) != 0) return -1;
  SendSocket(handle);
  return 0;
}

}  // namespace

int NetWorkSend(int handle, const void* buffer, int length) {
  return SendCommon(handle, buffer, length, false);
}

int NetWorkSendAll(int handle, const void* buffer, int length) {
  return SendCommon(handle, buffer, length, true);
}

int GetNetWorkCloseError(int handle) {
  const NetWorkRecord* r = CheckedRecord(handle);
  if (r == nullptr) return -1;
  return r->connected != 0 ? 0 : static_cast<int>(r->closeError);
}

int GetNetWorkSendQueueLength(int handle) {
  const NetWorkRecord* r = CheckedRecord(handle);
  return r == nullptr ? -1 : GetRingBufferLength(&r->sendRing);
}

int EndNetWork() {
  NetWorkState& s = State();
  if (!s.initialised) return 0;
  LogNetWork("ネットワーク関連の終了処理を行います \n");
  // One wait for all: peers that hold pieces back cannot hold the end a second each.
  for (NetWorkRecord& r : g_net.records) {
    if (r.inUse == 1) StartClosing(r);
  }
  WaitForDataOnTheWay(0, kNetWorkRecordCount - 1, kEndNetWorkWaitMs);
  for (NetWorkRecord& r : g_net.records) {
    if (r.inUse == 1) DropRecord(r);
  }
  if (s.listening) {
    platform::SelectSocketEvents(s.listenSocket, s.window, 0, 0);
    platform::CloseSocket(s.listenSocket);
    s.listening = 0;
  }
  if (s.window != 0) {
    s.closePosted = 1;
    int pumped = PumpNetWorkMessages(0);
    while (pumped > 0 && !s.windowGone) pumped = PumpNetWorkMessages(0);
  }
  g_net = NetWork{};
  platform::CleanupSockets();
  LogNetWork("ネットワーク関連の終了処理は完了しました\n");
  return 0;
}

}  // namespace morrow
