// The HTTP/1.0 transfer slots below the public calls.
//
// Each transfer is a record in one of 100 slots with a small state machine per request kind that
// the pump advances one step per pass; nothing blocks. A finished transfer has released its
// connection, request body and file, and keeps its slot until it is closed.
#pragma once

#include <cstdint>
#include <cstdio>

#include "morrow/network/network.h"

namespace morrow {

struct HttpTransferRecord {
  int32_t kind;    // HttpRequestKind
  int32_t state;   // step of the request's state machine
  int32_t result;  // -1 unfinished, 0 success, 2 failure
  int32_t error;   // -1 none, 0 other status, 1 status 404, 2 no memory, 3 connection lost
  int32_t connection;
  int32_t mode;  // HttpOutputMode
  FILE* outputFile;
  void** outputPointer;
  int32_t contentLength;  // -1 when the answer gave none
  int32_t received;
  char host[128];
  char path[256];
  char* body;  // the POST data, the transfer's own
  int32_t bodyLength;
  int32_t port;
  int32_t skipping;    // 1 while the rest of a line longer than the line buffer is dropped
  int32_t fileFailed;  // 1 once the output file refused a write or its close; said once in the log
  // The start of a line whose line feed has not come yet. It is taken from the connection as it
  // comes: a few bytes left waiting there can keep the system from taking in the rest.
  char line[256];
  int32_t lineHeld;
};

struct HttpTable {
  HttpTransferRecord* slots[kHttpSlotCount];
  int count;
};
HttpTable& GetHttpTable();

// The largest body a transfer gathers in memory.
inline constexpr int kMaxHttpMemoryBody = 256 << 20;

int StepHttpTransfer(int slot);
int StepHttpGet(int slot);
int StepHttpPost(int slot);
int StepHttpHead(int slot);
// The first finish decides the result and the error; later ones only release what is left.
int FinishHttpTransfer(int slot, int result, int error);
int FreeHttpSlot(int slot);
// One line of the transfer's connection, with any carriage return before its line feed, into out
// (256 bytes, terminated after the line): its length, or -1 while it is not whole (what has come
// of it waits in the transfer's line buffer). A line whose line feed is not among the first 255
// bytes gives those 255 as the line and sets *cut: the rest up to its line feed is the caller's
// to drop. NUL bytes are part of the line.
int ReadHttpLine(HttpTransferRecord* t, char* out, bool* cut);
// A transfer as StartHttpTransfer makes it, over a plain connection already open (without auto
// close), which the transfer owns from then on, whatever the result. The slot, or -1.
int StartHttpTransferOver(int connection, int kind, const char* host, int port, const char* path,
                          int mode, void* output, const void* body, int length);

}  // namespace morrow
