// The connection records and their operations below the public calls.
//
// Up to 256 TCP connections, each a handle of kind 0x48000000 with a record. The socket service
// sends its notices to the network window, a message queue of the library's own that the network
// pump drains; the notices become receive, send, accept, connect and close work. A framed
// connection carries pieces of a 4-byte little-endian length and that many payload bytes, joined
// on receipt into one byte stream in the receive ring; a plain one passes straight through.
#pragma once

#include <cstdint>

#include "morrow/network/ring_buffer.h"
#include "platform/net.h"

namespace morrow {

inline constexpr int kNetWorkHandleKind = 0x48000000;
inline constexpr int kNetWorkRecordCount = 256;
// The largest piece a peer may announce, the most received bytes a connection keeps unread and
// the largest queue of bytes waiting to be sent.
inline constexpr int kMaxNetWorkPieceBytes = 16 << 20;
inline constexpr int64_t kMaxNetWorkUnreadBytes = int64_t{64} << 20;
inline constexpr int64_t kMaxNetWorkSendQueueBytes = int64_t{64} << 20;
// How long the end of the network waits, for all connections together, for data on its way.
inline constexpr uint32_t kEndNetWorkWaitMs = 1000;

struct NetWorkRecord {
  uint32_t inUse;
  uint32_t error;  // a receive ring could not grow; every later operation fails
  uint32_t connected;
  uint32_t lossReported;
  uint32_t framed;
  uint32_t autoClose;
  uint32_t checkNumber;  // 0-2047
  platform::SocketId socket;
  int32_t receivePending;  // bytes of the incoming piece still to come
  RingBuffer receiveRing;
  RingBuffer sendRing;
  uint32_t sendPieceRemaining;
  uint32_t sendHeaderRemaining;  // bytes of the outgoing piece's length not sent yet
  uint8_t peerAddress[4];        // network order
  uint32_t peerPort;             // network order in the low 16 bits
  // The error word of the peer's close notice: 0 for an orderly end, else the reset that cut the
  // stream.
  uint32_t closeError;
  // Receive and send work of this connection is under way: a notice for it that comes meanwhile
  // waits for the next one, while those of other connections are served.
  int busyRecvSocket, busySendSocket;
  // The bytes of the next piece's length that have come so far. They are taken from the socket
  // as they come: a few bytes left waiting there can keep the system from taking in the rest.
  uint8_t lengthBytes[4];
  uint32_t lengthHeld;
  uint32_t closing;  // the record is being closed: only the piece under way is still taken
};

struct NetWorkState {
  int listening;
  platform::SocketId listenSocket;
  int nextCheckNumber;
  int initialised;
  int searchedRecords;
  uintptr_t window;
  int noFraming;
  int noAutoClose;
  int windowGone;
  int closePosted;  // the close message waits in the network window
  int busyPump, busyAccept, busyClose, busyRecv, busyRecvPeek, busySend;
  // A connection was refused for want of a record; the pump asks the listener again once one is
  // free.
  int acceptRefused;
  // Accepted handles not yet taken, oldest first.
  int accepted[kNetWorkRecordCount];
  int acceptedCount;
};

// The table and the state, cleared together.
struct NetWork {
  NetWorkRecord records[kNetWorkRecordCount];
  NetWorkState state;
};
NetWork& GetNetWork();

// A new outgoing connection, as ConnectNetWork makes it but with its own auto close. A handle,
// or -1.
int OpenNetWorkConnection(const char* address, int port, int framed, int autoClose);
// True while the connection of a valid handle is still being made.
bool IsNetWorkConnecting(int handle);
// A record over a socket that is already connected (a memory socket of the socket service), as
// accepted connections are made. A handle, or -1 (the socket is then closed).
int AdoptNetWorkSocket(platform::SocketId socket, int framed, int autoClose);
// The error word of the peer's close (0 for an orderly end or while connected), or -1.
int GetNetWorkCloseError(int handle);
// Bytes queued to be sent, or -1.
int GetNetWorkSendQueueLength(int handle);
// Closes the handle at once, dropping (with a log line) what is still on its way. 0 or -1.
int DropNetWorkHandle(int handle);
// As NetWorkSend, but a plain connection queues what the socket does not take at once and sends
// it as the connection becomes writable, so the bytes go out whole and in order: 0 or -1.
int NetWorkSendAll(int handle, const void* buffer, int length);

int AcceptNetWork();
int RecvSocket(int handle);
int SendSocket(int handle);
// Always -1, after writing the text.
int LogNetWork(const char* text);
// Always -1, after writing the formatted text with the socket service's last error.
int LogNetWorkError(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace morrow
