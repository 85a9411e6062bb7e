#include "platform/net.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <set>
#include <string>
#include <vector>

namespace platform {
namespace {

struct Selection {
  SocketId socket = kInvalidSocket;
  uintptr_t window = 0;
  uint32_t message = 0;
  int32_t mask = 0;
  bool readQueued = false;  // a read notice waits in the queue
  bool writeArmed = false;  // a write notice is due once the socket takes data
  bool acceptArmed = true;  // an accept notice may be queued
  bool closeQueued = false;
  // Bytes the reader has taken, in all and when the last read notice was queued: a reader that
  // was told of the bytes left by a closed peer and took none of them will take none.
  uint64_t taken = 0;
  uint64_t takenAtNotice = 0;
  bool readNoticed = false;
  // A receive was told of a reset: the system tells it once, so the close notice must remember.
  bool resetSeen = false;
};

// The peer of a memory socket: what it sent and not yet taken, and how it ended.
struct MemoryPeer {
  SocketId socket = kInvalidSocket;
  std::string unread;
  bool ended = false;
  bool reset = false;
  bool resetTold = false;       // a receive has reported the reset
  std::string* sent = nullptr;  // where what the library sends goes, if anywhere
  int64_t allowed = -1;         // bytes sends may still take; -1 without a limit
};

std::vector<Selection> g_selections;
std::deque<SocketNotice> g_notices;
// Sockets whose connection has not been reported yet.
std::set<SocketId> g_connecting;
std::vector<MemoryPeer> g_memoryPeers;
// Memory sockets are numbered far above any descriptor the system hands out.
SocketId g_nextMemorySocket = 0x40000000u;
thread_local int g_lastError = 0;

int MapErrno(int e) {
  struct Row {
    int errnoValue;
    int code;
  };
  static const Row kRows[] = {
      {EAGAIN, sockerr::kWouldBlock},
      {EINPROGRESS, sockerr::kWouldBlock},
      {ECONNRESET, sockerr::kConnectionReset},
      {EPIPE, sockerr::kConnectionReset},
      {ENOTCONN, sockerr::kNotConnected},
      {ECONNREFUSED, sockerr::kConnectionRefused},
      {EBADF, sockerr::kNotSocket},
      {ENOTSOCK, sockerr::kNotSocket},
      {EADDRINUSE, sockerr::kAddressInUse},
      {ENOBUFS, sockerr::kNoBuffers},
      {ENOMEM, sockerr::kNoBuffers},
      {EMFILE, sockerr::kNoBuffers},
      {ENFILE, sockerr::kNoBuffers},
      {ETIMEDOUT, sockerr::kTimedOut},
  };
  for (const Row& r : kRows) {
    if (r.errnoValue == e) return r.code;
  }
  return sockerr::kInvalidArgument;
}

int Fail(int e) {
  g_lastError = MapErrno(e);
  return -1;
}

bool ValidId(SocketId s) {
  return s <= static_cast<SocketId>(INT_MAX);
}

int Fd(SocketId s) {
  return static_cast<int>(s);
}

MemoryPeer* FindMemoryPeer(SocketId s) {
  for (MemoryPeer& m : g_memoryPeers) {
    if (m.socket == s) return &m;
  }
  return nullptr;
}

// A receive from a memory socket, as the system answers one: -1 with errno set on failure.
ssize_t MemoryRecv(MemoryPeer& m, void* buffer, size_t length, bool peek) {
  if (!m.unread.empty()) {
    const size_t n = std::min(length, m.unread.size());
    if (n > 0) std::memcpy(buffer, m.unread.data(), n);
    if (!peek) m.unread.erase(0, n);
    return static_cast<ssize_t>(n);
  }
  if (!m.ended) {
    errno = EAGAIN;
    return -1;
  }
  if (m.reset && !m.resetTold) {
    if (!peek) m.resetTold = true;
    errno = ECONNRESET;
    return -1;
  }
  return 0;
}

// The poll's answer for a memory socket: writable while sends may take bytes.
short MemoryEvents(const MemoryPeer& m, short asked) {
  short got = m.allowed != 0 ? POLLOUT : 0;
  if (!m.unread.empty() || m.ended) got |= POLLIN;
  if (m.ended) got |= POLLRDHUP | POLLHUP;
  if (m.reset && !m.resetTold) got |= POLLERR;
  return static_cast<short>(got & (asked | POLLHUP | POLLERR));
}

// A receive without waiting from either kind of socket; -1 with errno set on failure.
ssize_t RawRecv(SocketId s, void* buffer, size_t length, bool peek) {
  if (MemoryPeer* m = FindMemoryPeer(s)) return MemoryRecv(*m, buffer, length, peek);
  return recv(static_cast<int>(s), buffer, length, MSG_DONTWAIT | (peek ? MSG_PEEK : 0));
}

int WaitingBytes(SocketId s) {
  if (const MemoryPeer* m = FindMemoryPeer(s)) return static_cast<int>(m->unread.size());
  int waiting = 0;
  if (ioctl(static_cast<int>(s), FIONREAD, &waiting) != 0) waiting = 0;
  return waiting;
}

Selection* FindSelection(SocketId s) {
  for (Selection& sel : g_selections) {
    if (sel.socket == s) return &sel;
  }
  return nullptr;
}

void DropNotices(SocketId s) {
  for (auto it = g_notices.begin(); it != g_notices.end();) {
    it = it->wParam == s ? g_notices.erase(it) : it + 1;
  }
}

void Forget(SocketId s) {
  for (auto it = g_selections.begin(); it != g_selections.end(); ++it) {
    if (it->socket == s) {
      g_selections.erase(it);
      break;
    }
  }
  DropNotices(s);
}

void Queue(const Selection& sel, int32_t kind, int error) {
  SocketNotice n;
  n.window = sel.window;
  n.message = sel.message;
  n.wParam = sel.socket;
  n.lParam = (static_cast<int64_t>(error & 0xFFFF) << 16) | kind;
  g_notices.push_back(n);
}

bool ParseAddress(const char* address, int port, sockaddr_in* out) {
  if (address == nullptr || port < 0 || port > 65535) return false;
  std::memset(out, 0, sizeof *out);
  out->sin_family = AF_INET;
  out->sin_port = htons(static_cast<uint16_t>(port));
  return inet_pton(AF_INET, address, &out->sin_addr) == 1;
}

SocketId NewStreamSocket() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    Fail(errno);
    return kInvalidSocket;
  }
  return static_cast<SocketId>(fd);
}

// The connection's outcome, once the poll says it has one.
void ReportConnect(Selection& sel) {
  int error = 0;
  socklen_t len = sizeof error;
  if (getsockopt(Fd(sel.socket), SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
  g_connecting.erase(sel.socket);
  if (sel.mask & sockevent::kConnect) Queue(sel, sockevent::kConnect, error ? MapErrno(error) : 0);
  if (error == 0 && (sel.mask & sockevent::kWrite)) sel.writeArmed = true;
}

// Bytes waiting, the end of the stream, or a failure of the connection. The close notice waits
// until the reader has taken every byte, or has been told of the last ones and left them.
void ReportReadable(Selection& sel, bool peerClosed, bool failed) {
  const int reset = sockerr::kConnectionReset;
  if (WaitingBytes(sel.socket) > 0) {
    if (sel.readQueued) return;
    bool left = peerClosed && sel.readNoticed && sel.taken == sel.takenAtNotice;
    if (!left) {
      if (sel.mask & sockevent::kRead) Queue(sel, sockevent::kRead, 0);
      sel.readQueued = true;
      sel.readNoticed = true;
      sel.takenAtNotice = sel.taken;
      return;
    }
    sel.closeQueued = true;
    if (sel.mask & sockevent::kClose) {
      Queue(sel, sockevent::kClose, failed || sel.resetSeen ? reset : 0);
    }
    return;
  }
  char byte;
  ssize_t n = RawRecv(sel.socket, &byte, 1, true);
  if (n > 0 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))) return;
  sel.closeQueued = true;
  int error = n == 0 ? 0 : MapErrno(errno);
  if (sel.resetSeen) error = reset;
  if (sel.mask & sockevent::kClose) Queue(sel, sockevent::kClose, error);
}

void ReportEvents(Selection& sel, short got) {
  if (IsSocketConnecting(sel.socket)) {
    if ((got & (POLLOUT | POLLERR | POLLHUP)) == 0) return;
    ReportConnect(sel);
  }
  if (sel.mask & sockevent::kAccept) {
    if ((got & POLLIN) && sel.acceptArmed) {
      Queue(sel, sockevent::kAccept, 0);
      sel.acceptArmed = false;
    }
    return;
  }
  if ((got & (POLLIN | POLLRDHUP | POLLHUP | POLLERR)) && !sel.closeQueued) {
    ReportReadable(sel, (got & (POLLRDHUP | POLLHUP | POLLERR)) != 0, (got & POLLERR) != 0);
  }
  if ((got & POLLOUT) && sel.writeArmed) {
    sel.writeArmed = false;
    if (sel.mask & sockevent::kWrite) Queue(sel, sockevent::kWrite, 0);
  }
}

}  // namespace

int StartSockets() {
  return 0;
}

int CleanupSockets() {
  return 0;
}

int SocketRecv(SocketId s, void* buffer, int length, int flags) {
  if (!ValidId(s) || length < 0 || (buffer == nullptr && length > 0)) return Fail(EINVAL);
  ssize_t n = RawRecv(s, buffer, static_cast<size_t>(length), (flags & kSocketPeek) != 0);
  if (n < 0) {
    const int saved = errno;
    Selection* sel = FindSelection(s);
    if (saved == ECONNRESET && sel != nullptr) sel->resetSeen = true;
    return Fail(saved);
  }
  if (!(flags & kSocketPeek)) {
    if (Selection* sel = FindSelection(s)) sel->taken += static_cast<uint64_t>(n);
  }
  return static_cast<int>(n);
}

// A send to a memory socket, as the system answers one: -1 with errno set when nothing fits.
ssize_t MemorySend(MemoryPeer& m, const void* buffer, size_t length) {
  const size_t n = m.allowed < 0 ? length : std::min(length, static_cast<size_t>(m.allowed));
  if (n == 0 && length > 0) {
    errno = EAGAIN;
    return -1;
  }
  if (m.sent != nullptr) m.sent->append(static_cast<const char*>(buffer), n);
  if (m.allowed >= 0) m.allowed -= static_cast<int64_t>(n);
  return static_cast<ssize_t>(n);
}

int SocketSend(SocketId s, const void* buffer, int length, int /*flags*/) {
  if (!ValidId(s) || length < 0 || (buffer == nullptr && length > 0)) return Fail(EINVAL);
  MemoryPeer* m = FindMemoryPeer(s);
  ssize_t n = m != nullptr
                  ? MemorySend(*m, buffer, static_cast<size_t>(length))
                  : send(Fd(s), buffer, static_cast<size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT);
  int saved = errno;
  if (n < length) {
    bool full = n >= 0 || saved == EAGAIN || saved == EWOULDBLOCK;
    Selection* sel = FindSelection(s);
    if (full && sel != nullptr && (sel->mask & sockevent::kWrite)) sel->writeArmed = true;
  }
  if (n < 0) return Fail(saved);
  return static_cast<int>(n);
}

SocketId SocketAccept(SocketId listener, void* address, int* addressLength) {
  if (Selection* sel = FindSelection(listener)) sel->acceptArmed = true;
  if (!ValidId(listener)) {
    Fail(EINVAL);
    return kInvalidSocket;
  }
  sockaddr_in peer{};
  socklen_t len = sizeof peer;
  int fd =
      accept4(Fd(listener), reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) {
    Fail(errno);
    return kInvalidSocket;
  }
  static_assert(sizeof peer == 16);
  if (address != nullptr && addressLength != nullptr && *addressLength >= 16) {
    std::memcpy(address, &peer, 16);
    *addressLength = 16;
  }
  return static_cast<SocketId>(fd);
}

int CloseSocket(SocketId s) {
  if (!ValidId(s)) return Fail(EINVAL);
  Forget(s);
  g_connecting.erase(s);
  for (auto it = g_memoryPeers.begin(); it != g_memoryPeers.end(); ++it) {
    if (it->socket == s) {
      g_memoryPeers.erase(it);
      return 0;
    }
  }
  if (close(Fd(s)) != 0) return Fail(errno);
  return 0;
}

int LastSocketError() {
  return g_lastError;
}

SocketId OpenListenSocket(const char* address, int port) {
  sockaddr_in where;
  if (!ParseAddress(address, port, &where)) {
    Fail(EINVAL);
    return kInvalidSocket;
  }
  SocketId s = NewStreamSocket();
  if (s == kInvalidSocket) return s;
  int on = 1;
  setsockopt(Fd(s), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (bind(Fd(s), reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0 ||
      listen(Fd(s), SOMAXCONN) != 0) {
    int saved = errno;
    close(Fd(s));
    Fail(saved);
    return kInvalidSocket;
  }
  return s;
}

int SocketLocalPort(SocketId s) {
  sockaddr_in local{};
  socklen_t len = sizeof local;
  if (!ValidId(s) || getsockname(Fd(s), reinterpret_cast<sockaddr*>(&local), &len) != 0) {
    return Fail(errno);
  }
  return ntohs(local.sin_port);
}

SocketId OpenConnectSocket(const char* address, int port, void* peer) {
  sockaddr_in where;
  if (!ParseAddress(address, port, &where) || port == 0) {
    Fail(EINVAL);
    return kInvalidSocket;
  }
  if (peer != nullptr) std::memcpy(peer, &where, sizeof where);
  SocketId s = NewStreamSocket();
  if (s == kInvalidSocket) return s;
  if (connect(Fd(s), reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0 &&
      errno != EINPROGRESS) {
    int saved = errno;
    close(Fd(s));
    Fail(saved);
    return kInvalidSocket;
  }
  // Even a connection made at once is reported through the poll, as every other outcome is.
  g_connecting.insert(s);
  return s;
}

bool IsSocketConnecting(SocketId s) {
  return g_connecting.count(s) != 0;
}

int SelectSocketEvents(SocketId s, uintptr_t window, uint32_t message, int32_t mask) {
  if (!ValidId(s)) return Fail(EINVAL);
  Forget(s);
  if (mask == 0) return 0;
  Selection sel;
  sel.socket = s;
  sel.window = window;
  sel.message = message;
  sel.mask = mask;
  sel.writeArmed = (mask & sockevent::kWrite) && !IsSocketConnecting(s);
  g_selections.push_back(sel);
  return 0;
}

void PollSocketEvents() {
  std::vector<pollfd> fds;
  std::vector<size_t> which;
  // The sockets of memory answer at once, in their place among the others.
  std::vector<short> got(g_selections.size(), 0);
  for (size_t i = 0; i < g_selections.size(); ++i) {
    const Selection& sel = g_selections[i];
    short events = 0;
    if (!sel.closeQueued) events |= POLLIN | POLLRDHUP;
    if (sel.writeArmed || IsSocketConnecting(sel.socket)) events |= POLLOUT;
    if (events == 0) continue;
    if (const MemoryPeer* m = FindMemoryPeer(sel.socket)) {
      got[i] = MemoryEvents(*m, events);
      continue;
    }
    fds.push_back(pollfd{Fd(sel.socket), events, 0});
    which.push_back(i);
  }
  if (!fds.empty() && poll(fds.data(), fds.size(), 0) > 0) {
    for (size_t k = 0; k < fds.size(); ++k) got[which[k]] = fds[k].revents;
  }
  for (size_t i = 0; i < got.size(); ++i) {
    if (got[i] != 0) ReportEvents(g_selections[i], got[i]);
  }
}

bool TakeSocketNotice(uintptr_t window, SocketNotice* out) {
  for (auto it = g_notices.begin(); it != g_notices.end(); ++it) {
    if (it->window != window) continue;
    *out = *it;
    g_notices.erase(it);
    if ((out->lParam & 0xFFFF) == sockevent::kRead) {
      if (Selection* sel = FindSelection(static_cast<SocketId>(out->wParam))) {
        sel->readQueued = false;
      }
    }
    return true;
  }
  return false;
}

SocketId OpenMemorySocket(std::string* sent) {
  MemoryPeer m;
  m.socket = g_nextMemorySocket++;
  m.sent = sent;
  g_memoryPeers.push_back(m);
  return m.socket;
}

int FeedMemorySocket(SocketId s, const void* bytes, int length) {
  MemoryPeer* m = FindMemoryPeer(s);
  if (m == nullptr || m->ended || length < 0 || (bytes == nullptr && length > 0))
    return Fail(EINVAL);
  m->unread.append(static_cast<const char*>(bytes), static_cast<size_t>(length));
  return 0;
}

int EndMemorySocket(SocketId s, bool reset) {
  MemoryPeer* m = FindMemoryPeer(s);
  if (m == nullptr || m->ended) return Fail(EINVAL);
  m->ended = true;
  m->reset = reset;
  return 0;
}

int AllowMemorySocketSends(SocketId s, int bytes) {
  MemoryPeer* m = FindMemoryPeer(s);
  if (m == nullptr) return Fail(EINVAL);
  m->allowed = bytes < 0 ? -1 : std::max<int64_t>(m->allowed, 0) + bytes;
  return 0;
}

}  // namespace platform
