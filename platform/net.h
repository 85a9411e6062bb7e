// The socket service: TCP over IPv4 with asynchronous notifications, no threads.
//
// The library was written against a socket interface that posts a window message when a socket
// becomes readable, writable, accepts, connects or closes. Here every socket is a non-blocking
// POSIX socket; a socket handed to SelectSocketEvents is watched by PollSocketEvents, a poll with
// no timeout that the library's network pump runs once before it drains its network window, and
// each notification that became due is queued for that window. Results and error numbers follow
// the interface the library expects: -1 (or kInvalidSocket) on failure and LastSocketError for
// the reason, as that interface numbers it.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

using SocketId = uint32_t;
inline constexpr SocketId kInvalidSocket = 0xFFFFFFFFu;

// The notification kinds, as bits of a selection mask and in the low word of a notice.
namespace sockevent {
inline constexpr int32_t kRead = 1;
inline constexpr int32_t kWrite = 2;
inline constexpr int32_t kAccept = 8;
inline constexpr int32_t kConnect = 16;
inline constexpr int32_t kClose = 32;
}  // namespace sockevent

// Error numbers of LastSocketError.
namespace sockerr {
inline constexpr int kInvalidArgument = 10022;
inline constexpr int kWouldBlock = 10035;
inline constexpr int kNotSocket = 10038;
inline constexpr int kAddressInUse = 10048;
inline constexpr int kConnectionReset = 10054;
inline constexpr int kNoBuffers = 10055;
inline constexpr int kNotConnected = 10057;
inline constexpr int kTimedOut = 10060;
inline constexpr int kConnectionRefused = 10061;
}  // namespace sockerr

// The receive flag that leaves the bytes in the socket.
inline constexpr int kSocketPeek = 2;

// Start-up and clean-up of the service; nothing to do on this system. Both return 0.
int StartSockets();
int CleanupSockets();

// At most length bytes; the count (0 once the peer has closed and nothing is left), or -1.
// kSocketPeek leaves the bytes in the socket.
int SocketRecv(SocketId s, void* buffer, int length, int flags);
// The count accepted by the system, or -1. A send that finds the system's buffer full (wholly or
// in part) arms one write notice for when it has room again. Never raises a signal.
int SocketSend(SocketId s, const void* buffer, int length, int flags);
// A pending connection of a listening socket, non-blocking. address receives the 16-byte IPv4
// address record (family, port and address in network order, 8 zero bytes) when *addressLength
// is at least 16, which it is set to. Every call lets the listener's next accept notice be queued.
SocketId SocketAccept(SocketId listener, void* address, int* addressLength);
// Closes the socket and forgets its selection and its queued notices. 0 or -1.
int CloseSocket(SocketId s);
int LastSocketError();

// A listening socket on a numeric IPv4 address; port 0 takes a free one.
SocketId OpenListenSocket(const char* address, int port);
// The local port of a socket, or -1.
int SocketLocalPort(SocketId s);
// Starts a connection to a numeric IPv4 address (port 1-65535); its outcome comes as a connect
// notice. peer, when not null, receives the 16-byte address record of the address.
SocketId OpenConnectSocket(const char* address, int port, void* peer);
// True from OpenConnectSocket until the outcome of the connection has been queued.
bool IsSocketConnecting(SocketId s);

// Selects the notices of a socket for a window: each becomes a message of the given number with
// wParam = the socket and lParam = (error << 16) | kind. A new selection replaces the old one and
// starts from a fresh state, as if nothing had been notified yet. A zero mask cancels the
// selection and drops the socket's queued notices. 0 or -1.
//  - read: while bytes wait, one queued notice at a time (the next once it has been taken);
//  - write: once when the socket becomes usable after an accept or a connect, and once more
//    after every send that found the buffer full;
//  - accept: when a connection waits on the listener, then again only after SocketAccept;
//  - connect: once, with the connection's error (0 when it succeeded);
//  - close: once, when the peer has closed (error 0) or reset (kConnectionReset, also when a
//    receive has already reported the reset) and the reader has taken every byte before it, or has
//    been told of the last bytes and taken none of them (a reader that cannot use them, such as a
//    length cut short, would otherwise wait for ever).
int SelectSocketEvents(SocketId s, uintptr_t window, uint32_t message, int32_t mask);

// One poll, without waiting, of every selected socket; queues the notices that became due.
void PollSocketEvents();

struct SocketNotice {
  uintptr_t window = 0;
  uint32_t message = 0;
  uint64_t wParam = 0;
  int64_t lParam = 0;
};
// Takes the oldest queued notice for the window; false when there is none.
bool TakeSocketNotice(uintptr_t window, SocketNotice* out);

// A connected socket of memory, for running the library's readers without the system's sockets:
// the bytes fed to it arrive as from a peer, what is sent to it is appended to *sent when given
// (which must outlive the socket) or else dropped, and the peer ends when told. It is selected,
// polled, notified, received from, sent to and closed as any other socket.
SocketId OpenMemorySocket(std::string* sent = nullptr);
// Bytes from the peer; 0, or -1 when the socket is no open memory socket or its peer has ended.
int FeedMemorySocket(SocketId s, const void* bytes, int length);
// The peer closes (reset false) or resets the connection after the bytes fed so far. 0 or -1.
int EndMemorySocket(SocketId s, bool reset);
// Sends take every byte until this is called; from then on they take at most the bytes allowed
// so far in all (a buffer that fills as a slow peer's does: what it cannot take is refused, and a
// write notice comes once more is allowed). A negative count takes every byte again. 0 or -1.
int AllowMemorySocketSends(SocketId s, int bytes);

}  // namespace platform
