// The network component: connections with framed or plain byte streams, and HTTP/1.0 transfers.
//
// The library's start clears the transfer table, every pass of the pump runs the network pump and
// one step of every transfer, the window procedure hands socket notices on, and the library's end
// closes the transfers and then the connections. Nothing runs until InitNetWork, and the game
// never calls it: until then each of these calls returns at once.
//
// Calls return 0 or -1 unless said; handles are checked fully and a bad one gives -1 without a
// log line. Everything runs on the library's one thread, from the pump and from these calls.
#pragma once

#include <cstdint>

namespace morrow {

// --- start-up, listening and connecting

// Starts the socket service and the network window. 0, also when already started.
int InitNetWork();
// Closes every connection and the listener, then the network window and the socket service.
// Data still on its way is given about a second in all, then dropped with a log line for each
// connection that had some.
int EndNetWork();
// Options copied into each record made after the call: 1 = plain sockets instead of framed
// streams; 1 = lost connections stay until closed instead of being closed by the pump.
int SetNetWorkNoFraming(int flag);
int SetNetWorkNoAutoClose(int flag);
// One listener on a numeric IPv4 address; port 0 takes a free port.
int ListenNetWork(const char* address, int port);
// The listener's port, or -1.
int GetListenNetWorkPort();
// The connections accepted so far, oldest first, each once; -1 when none waits.
int TakeAcceptedNetWork();
// A connection to a numeric IPv4 address (no name lookup), framed or plain; it counts as
// connected once the connection has been made (at once on this machine's own address), and until
// then its state reads 0 without counting as a loss. A handle, or -1.
int ConnectNetWork(const char* address, int port, int framed);
// The records in use.
int CountNetWorkHandles();

// --- connections

// closeLost 1 first closes the records in error and, where auto close is on, the lost
// connections whose loss has been reported. 0; -1 when entered again while running.
int PumpNetWorkMessages(int closeLost);
// The window procedure's result for the socket notice message.
int HandleSocketMessage(uintptr_t window, uint32_t message, uint64_t wParam, int64_t lParam);
// Waits up to a second, sleeping between polls, for a piece being received and then for the bytes
// queued to send; what is still on its way then is dropped, with a log line.
int CloseNetWorkHandle(int handle);
// 1 connected, 0 not connected (the loss counts as reported), -1 error.
int GetNetWorkAcceptStateh(int handle);
// Framed: bytes waiting to be taken; plain: 1 when a byte waits, else 0; -1 error.
int GetNetWorkDataLength(int handle);
// Framed: 0 when length bytes were taken, -1 while fewer are held; plain: the socket's result.
// A framed connection keeps at most 64 MiB unread: a piece past that puts it in error.
int NetWorkRecv(int handle, void* buffer, int length);
// As NetWorkRecv, leaving the bytes where they are.
int NetWorkRecvToPeek(int handle, void* buffer, int length);
// Framed: 0 once the bytes are queued (at most 64 MiB wait at a time); plain: the socket's
// result; -1 when not connected.
int NetWorkSend(int handle, const void* buffer, int length);

// --- HTTP/1.0 transfers

inline constexpr int kHttpSlotCount = 100;
enum HttpRequestKind { kHttpGet = 0, kHttpPost = 1, kHttpHead = 2 };
enum HttpOutputMode { kHttpToFile = 0, kHttpToMemory = 1 };

int ClearHttpTable();
int EndHttp();
int CloseAllHttpTransfers();
// One step of every transfer.
int ProcessHttpTransfers();
// A transfer over a new plain connection to a numeric IPv4 address. output is the open stream
// the body is written to (kHttpToFile; null drops the body), which the transfer closes when it
// finishes, or where the address of the body block is stored (kHttpToMemory), which belongs to
// the caller once the transfer has succeeded (free it with FreeMemory). The POST body is copied.
// Refused (-1, with a log line) when the table is full, the host is over 127 bytes, the path
// over 255, the POST body over 64 MiB, or an argument is out of range; the caller then keeps its
// stream. The slot, or -1. A body that ends with the peer's close fails (error 3) when the
// connection was reset. A file gets exactly the body: with a length, what follows it is left
// unread; a write the file does not take whole, or a close that fails, fails the transfer
// (error 2, with a log line naming the file), and the file is left as it is.
int StartHttpTransfer(int kind, const char* address, int port, const char* path, int mode,
                      void* output, const void* body, int length);
// result -1 while unfinished, 0 success, 2 failure; error -1 none, 0 other status, 1 status
// 404, 2 no room for the body (a negative length or one on a line of 255 bytes or more, both
// said in the log; no memory; a file that refused it), 3 connection lost; received the body
// bytes taken. Any pointer may be null. -1 for an empty slot.
int GetHttpTransferResult(int slot, int* result, int* error, int* received);
// Finishes the transfer (result 0 when it was still running) and frees its slot.
int CloseHttpTransfer(int slot);

}  // namespace morrow
