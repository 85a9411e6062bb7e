#include "morrow/network/http.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "morrow/network/connection.h"
#include "morrow/system/log.h"
#include "morrow/system/memory.h"
#include "platform/directory.h"

namespace morrow {
namespace {

HttpTable g_http;

constexpr int kHttpBodyChunk = 4096;

HttpTransferRecord* SlotRecord(int slot) {
  if (slot < 0 || slot >= kHttpSlotCount) return nullptr;
  return g_http.slots[slot];
}

// A word and a decimal number, as "%255s %d" reads them: the count of the two that were read.
// The number saturates instead of overflowing.
int ScanWordAndNumber(const char* line, char word[256], int* number) {
  auto space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  const char* p = line;
  while (*p != '\0' && space(*p)) ++p;
  int n = 0;
  while (*p != '\0' && !space(*p) && n < 255) word[n++] = *p++;
  word[n] = '\0';
  if (n == 0) return 0;
  while (*p != '\0' && space(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (!std::isdigit(static_cast<unsigned char>(*p))) return 1;
  int64_t value = 0;
  for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
    value = std::min<int64_t>(value * 10 + (*p - '0'), int64_t{INT_MAX} + 1);
  }
  value = negative ? -value : std::min<int64_t>(value, INT_MAX);
  *number = static_cast<int>(value);
  return 2;
}

// A header line's say on the body's length: 2 when it gives one ("Content-Length:", exact bytes,
// then a number after white space), 1 when it names the length without a number, else 0.
int ScanContentLength(const char* line, int* length) {
  char word[256];
  const int scanned = ScanWordAndNumber(line, word, length);
  return scanned >= 1 && std::strcmp(word, "Content-Length:") == 0 ? scanned : 0;
}

// The request goes out whole: what the socket does not take at once waits in the connection's
// queue. False when it cannot be sent.
bool SendHttpRequest(const HttpTransferRecord& t) {
  char request[768];
  switch (t.kind) {
    case kHttpGet:
      std::snprintf(request, sizeof request,
                    "GET %s HTTP/1.0\r\nHost: %s:%d\r\nConnection: close\r\n\r\n", t.path, t.host,
                    t.port);
      break;
    case kHttpPost:
      std::snprintf(request, sizeof request,
                    "POST %s HTTP/1.0\nHost: %s:%d\nContent-Length: %d\n\n", t.path, t.host, t.port,
                    t.bodyLength);
      break;
    default:
      std::snprintf(request, sizeof request, "HEAD %s HTTP/1.0\n\n", t.path);
      break;
  }
  if (NetWorkSendAll(t.connection, request, static_cast<int>(std::strlen(request))) != 0) {
    return false;
  }
  return t.kind != kHttpPost || NetWorkSendAll(t.connection, t.body, t.bodyLength) == 0;
}

// Drops bytes up to and including the next line feed; true once it has been dropped.
bool SkipRestOfLine(int connection) {
  char buffer[256];
  for (;;) {
    const int n = NetWorkRecvToPeek(connection, buffer, 255);
    if (n < 1) return false;
    const auto* end = static_cast<const char*>(std::memchr(buffer, '\n', static_cast<size_t>(n)));
    const int take = end != nullptr ? static_cast<int>(end - buffer) + 1 : n;
    NetWorkRecv(connection, buffer, take);
    if (end != nullptr) return true;
  }
}

// The next line and its length: -1 while none is whole; *cut when it was longer than the line
// buffer. Once the peer has gone, the bytes left are all there will be, so a line not among
// them never comes and the connection counts as lost; while the peer stays, the line is waited
// for.
int TakeLine(int slot, HttpTransferRecord& t, char line[256], bool* cut) {
  const bool gone = GetNetWorkAcceptStateh(t.connection) == 0;
  if (t.skipping && SkipRestOfLine(t.connection)) t.skipping = 0;
  *cut = false;
  const int length = t.skipping ? -1 : ReadHttpLine(&t, line, cut);
  if (length >= 0) {
    t.skipping = *cut ? 1 : 0;
    return length;
  }
  if (gone) FinishHttpTransfer(slot, 2, 3);
  return -1;
}

// A length the transfer cannot trust ends it as a body it cannot keep, with a line saying why.
void RefuseLength(int slot, const char* why) {
  WriteLogFormat("Content-Length を使えないので転送を中止しました (%s)", why);
  FinishHttpTransfer(slot, 2, 2);
}

// The status line: false when the line is not there yet or the transfer has finished on it.
bool TakeStatus(int slot, HttpTransferRecord& t, bool logFailure) {
  char line[256];
  bool cut = false;
  if (TakeLine(slot, t, line, &cut) < 0) return false;
  char word[256];
  int status = 0;
  // A line that gives no status counts as status 0.
  if (ScanWordAndNumber(line, word, &status) != 2) status = 0;
  if (status == 200) {
    t.state = 2;
    return true;
  }
  if (logFailure) WriteLogFormat("接続に失敗しました (戻り値:%d)", status);
  FinishHttpTransfer(slot, 2, status == 404 ? 1 : 0);
  return false;
}

// The block size for a body of unknown length: doubling, so a long body is copied few times.
size_t GrowingCapacity(int64_t bytes) {
  return bytes <= 0 ? 0
                    : std::max<size_t>(kHttpBodyChunk, std::bit_ceil(static_cast<size_t>(bytes)));
}

// The body file as the log names it.
std::string BodyFileName(const HttpTransferRecord& t) {
  std::string path;
  return platform::GetStreamPath(t.outputFile, &path) ? path : "(名前のないストリーム)";
}

const char* Reason(int error) {
  return std::strerror(error != 0 ? error : EIO);
}

// The bytes into the body file, whole; false, with the line saying why, when the file did not
// take them all.
bool WriteBodyToFile(HttpTransferRecord& t, const char* bytes, int n) {
  if (t.outputFile == nullptr) return true;
  errno = 0;
  if (std::fwrite(bytes, static_cast<size_t>(n), 1, t.outputFile) == 1) return true;
  const int reason = errno;
  WriteLogFormat("受信データをファイル %s に書き込めませんでした (%s)", BodyFileName(t).c_str(),
                 Reason(reason));
  t.fileFailed = 1;
  return false;
}

// Closes the body file; false when the file may not hold what was written to it, with a line
// saying why unless a refused write has said so already.
bool CloseBodyFile(HttpTransferRecord& t) {
  const std::string name = BodyFileName(t);
  errno = 0;
  const bool closed = std::fclose(t.outputFile) == 0;
  const int reason = errno;
  t.outputFile = nullptr;
  if (!closed && t.fileFailed == 0) {
    t.fileFailed = 1;
    WriteLogFormat("受信データのファイル %s を閉じられませんでした (%s)", name.c_str(),
                   Reason(reason));
  }
  return closed;
}

// Takes what waits into the body; the count taken, -1 when nothing could be asked for, or -2
// when the body can no longer be kept (too long, no memory, or the file refused it). With a
// length, only the bytes still due are asked for: what follows them is not the body.
int TakeBodyBytes(HttpTransferRecord& t) {
  char chunk[kHttpBodyChunk];
  if (t.mode == kHttpToFile) {
    const int due = t.contentLength >= 0 ? std::min(kHttpBodyChunk, t.contentLength - t.received)
                                         : kHttpBodyChunk;
    const int n = NetWorkRecv(t.connection, chunk, due);
    return n > 0 && !WriteBodyToFile(t, chunk, n) ? -2 : n;
  }
  auto* block = static_cast<char*>(*t.outputPointer);
  if (t.contentLength >= 0) {
    return NetWorkRecv(t.connection, block + t.received, t.contentLength - t.received);
  }
  // No length was given: the body grows until the peer has closed.
  const int n = NetWorkRecv(t.connection, chunk, kHttpBodyChunk);
  if (n <= 0) return n;
  const int64_t total = int64_t{t.received} + n;
  if (total > kMaxHttpMemoryBody) return -2;
  if (GrowingCapacity(total) != GrowingCapacity(t.received)) {
    auto* grown = static_cast<char*>(AllocateMemory(GrowingCapacity(total)));
    if (grown == nullptr) return -2;
    if (t.received > 0) std::memcpy(grown, block, static_cast<size_t>(t.received));
    FreeMemory(block);
    *t.outputPointer = block = grown;
  }
  std::memcpy(block + t.received, chunk, static_cast<size_t>(n));
  return n;
}

// The body, read while data keeps arriving within the step.
void ReceiveHttpBody(int slot, HttpTransferRecord& t) {
  for (;;) {
    // A body whose length has come whole asks the connection for nothing more.
    const bool due = t.contentLength < 0 || t.received < t.contentLength;
    const int n = due ? TakeBodyBytes(t) : 0;
    if (n == -2) {
      FinishHttpTransfer(slot, 2, 2);
      return;
    }
    if (n < 0) return;
    t.received = static_cast<int32_t>(std::min<int64_t>(int64_t{t.received} + n, INT_MAX));
    if (t.contentLength == -1) {
      const bool delivering =
          GetNetWorkAcceptStateh(t.connection) != 0 || GetNetWorkDataLength(t.connection) != 0;
      if (delivering) {
        if (n == 0) return;
        continue;
      }
      // Only the peer's close ends such a body, and a reset says it was cut.
      if (GetNetWorkCloseError(t.connection) != 0) {
        FinishHttpTransfer(slot, 2, 3);
        return;
      }
    } else if (t.received < t.contentLength) {
      if (n == 0) return;
      continue;
    }
    t.state = 4;
    FinishHttpTransfer(slot, 0, -1);
    return;
  }
}

// A header line of GET or POST: the length, when given, makes the body's block.
void TakeBodyHeaderLine(int slot, HttpTransferRecord& t, const char* line) {
  int length = 0;
  if (ScanContentLength(line, &length) != 2) return;
  t.contentLength = length;
  // No body has a negative length: both modes refuse it, as they refuse a body they cannot keep.
  if (length < 0) {
    RefuseLength(slot, "負の値です");
    return;
  }
  if (t.mode != kHttpToMemory) return;
  // A length no block can be made for fails before anything is allocated; a repeated header
  // replaces the block of the one before.
  FreeMemory(*t.outputPointer);
  *t.outputPointer = nullptr;
  if (length > kMaxHttpMemoryBody) {
    FinishHttpTransfer(slot, 2, 2);
    return;
  }
  *t.outputPointer = AllocateMemory(static_cast<size_t>(length));
  if (*t.outputPointer == nullptr) FinishHttpTransfer(slot, 2, 2);
}

// The three requests share their first two states: the request, then the status line. GET and
// POST then read the header to its blank line, one line a step, and the body; HEAD reads lines
// until one gives the length, and never notices the end of the header.
int StepHttpRequest(int slot, int kind) {
  HttpTransferRecord* t = SlotRecord(slot);
  if (t == nullptr) return -1;
  if (IsNetWorkConnecting(t->connection)) return 0;
  const bool head = kind == kHttpHead;
  char line[256];
  for (;;) {
    switch (t->state) {
      case 0:
        if (!SendHttpRequest(*t)) {
          FinishHttpTransfer(slot, 2, 3);
          return 0;
        }
        t->state = 1;
        continue;
      case 1:
        // The reply is read once the request has gone out whole; a peer gone before that
        // has lost it.
        if (GetNetWorkSendQueueLength(t->connection) > 0) {
          if (GetNetWorkAcceptStateh(t->connection) == 0) FinishHttpTransfer(slot, 2, 3);
          return 0;
        }
        if (!TakeStatus(slot, *t, kind == kHttpGet)) return 0;
        continue;
      case 2: {
        bool cut = false;
        int lineLength = TakeLine(slot, *t, line, &cut);
        if (lineLength < 0) return 0;
        // The number of a length line cut short may have lost digits.
        int length = 0;
        if (cut && ScanContentLength(line, &length) != 0) {
          RefuseLength(slot, "行が 255 byte を超えました");
          return 0;
        }
        if (head) {
          if (ScanContentLength(line, &length) != 2) return 0;
          t->contentLength = length;
          t->state = 3;
          FinishHttpTransfer(slot, 0, -1);
          return 0;
        }
        // Only the empty line ends the header; a line without a colon is a header nobody reads.
        if (lineLength > 0 && line[lineLength - 1] == '\r') --lineLength;
        if (lineLength == 0) {
          t->state = 3;
          continue;
        }
        if (std::memchr(line, ':', static_cast<size_t>(lineLength)) != nullptr) {
          TakeBodyHeaderLine(slot, *t, line);
        }
        return 0;
      }
      case 3:
        if (head) {
          FinishHttpTransfer(slot, 0, -1);
        } else {
          ReceiveHttpBody(slot, *t);
        }
        return 0;
      case 4:
        FinishHttpTransfer(slot, 0, -1);
        return 0;
      default:
        return 0;
    }
  }
}

}  // namespace

HttpTable& GetHttpTable() {
  return g_http;
}

int ClearHttpTable() {
  g_http = HttpTable{};
  return 0;
}

int EndHttp() {
  return CloseAllHttpTransfers();
}

int CloseAllHttpTransfers() {
  // Closing empties slots, so the count to meet is the one at the start.
  const int total = g_http.count;
  for (int i = 0, met = 0; i < kHttpSlotCount && met < total; ++i) {
    if (g_http.slots[i] == nullptr) continue;
    ++met;
    CloseHttpTransfer(i);
  }
  return 0;
}

int ProcessHttpTransfers() {
  const int total = g_http.count;
  for (int i = 0, met = 0; i < kHttpSlotCount && met < total; ++i) {
    if (g_http.slots[i] == nullptr) continue;
    ++met;
    StepHttpTransfer(i);
  }
  return 0;
}

int StepHttpTransfer(int slot) {
  HttpTransferRecord* t = SlotRecord(slot);
  if (t == nullptr) return -1;
  if (t->result != -1) return 0;
  // A connection still being made is neither lost nor ready for the request: the step waits.
  if (IsNetWorkConnecting(t->connection)) return 0;
  // A body without a length ends with the connection: its own step tells that from a loss.
  const bool bodyToTheEnd = t->kind != kHttpHead && t->state == 3 && t->contentLength == -1;
  if (!bodyToTheEnd && GetNetWorkAcceptStateh(t->connection) == 0 &&
      GetNetWorkDataLength(t->connection) == 0) {
    FinishHttpTransfer(slot, 2, 3);
    return 0;
  }
  switch (t->kind) {
    case kHttpGet:
      return StepHttpGet(slot);
    case kHttpPost:
      return StepHttpPost(slot);
    case kHttpHead:
      return StepHttpHead(slot);
    default:
      return 0;
  }
}

int StepHttpGet(int slot) {
  return StepHttpRequest(slot, kHttpGet);
}

int StepHttpPost(int slot) {
  return StepHttpRequest(slot, kHttpPost);
}

int StepHttpHead(int slot) {
  return StepHttpRequest(slot, kHttpHead);
}

int FinishHttpTransfer(int slot, int result, int error) {
  HttpTransferRecord* t = SlotRecord(slot);
  if (t == nullptr) return -1;
  // What the request still had to send is of no use once the transfer is over.
  if (t->connection != -1) {
    DropNetWorkHandle(t->connection);
    t->connection = -1;
  }
  FreeMemory(t->body);
  t->body = nullptr;
  // A file that cannot be closed may not hold the body: a success becomes the failure of a body
  // that could not be kept.
  if (t->outputFile != nullptr && !CloseBodyFile(*t) && result == 0) {
    result = 2;
    error = 2;
  }
  // The first finish decides both, also when it was a success that left the error at -1.
  if (t->result == -1) {
    t->result = result;
    t->error = error;
  }
  if (t->outputPointer != nullptr && t->result != 0) {
    FreeMemory(*t->outputPointer);
    *t->outputPointer = nullptr;
  }
  return 0;
}

int CloseHttpTransfer(int slot) {
  if (SlotRecord(slot) == nullptr) return -1;
  FinishHttpTransfer(slot, 0, -1);
  return FreeHttpSlot(slot);
}

int FreeHttpSlot(int slot) {
  HttpTransferRecord* t = SlotRecord(slot);
  if (t == nullptr) return 0;
  FreeMemory(t);
  g_http.slots[slot] = nullptr;
  --g_http.count;
  return 0;
}

int ReadHttpLine(HttpTransferRecord* t, char* out, bool* cut) {
  *cut = false;
  // What waits is looked at behind what has come of the line already.
  const int held = t->lineHeld;
  const int n = NetWorkRecvToPeek(t->connection, t->line + held, 255 - held);
  if (n < 1) return -1;
  // The line feed is looked for among the bytes that came, so a NUL before it does not hide it.
  auto* end = static_cast<char*>(std::memchr(t->line + held, '\n', static_cast<size_t>(n)));
  const int length = end != nullptr ? static_cast<int>(end - t->line) : 255;
  if (end == nullptr && held + n < 255) {
    const int taken = NetWorkRecv(t->connection, t->line + held, n);
    if (taken > 0) t->lineHeld = held + taken;
    return -1;
  }
  *cut = end == nullptr;
  NetWorkRecv(t->connection, t->line + held, length - held + (*cut ? 0 : 1));
  std::memcpy(out, t->line, static_cast<size_t>(length));
  out[length] = '\0';
  t->lineHeld = 0;
  return length;
}

namespace {

// A new transfer over the connection open() gives once the request has been checked and its
// record made; open() is not called when the request is refused.
template <typename Open>
int StartTransfer(int kind, const char* address, int port, const char* path, int mode, void* output,
                  const void* body, int length, Open open) {
  // The request body waits whole in the connection's queue when the socket is slow to take it.
  const bool valid = kind >= kHttpGet && kind <= kHttpHead && length <= kMaxNetWorkSendQueueBytes &&
                     (mode == kHttpToFile || (mode == kHttpToMemory && output != nullptr)) &&
                     address != nullptr &&
                     std::strlen(address) < sizeof(HttpTransferRecord::host) && path != nullptr &&
                     std::strlen(path) < sizeof(HttpTransferRecord::path) && port > 0 &&
                     port <= 65535 && length >= 0 && (body != nullptr || length == 0);
  if (!valid) return WriteLog("HTTP転送の指定が正しくありません in StartHttpTransfer\n");
  int slot = 0;
  while (slot < kHttpSlotCount && g_http.slots[slot] != nullptr) ++slot;
  if (slot == kHttpSlotCount) {
    return WriteLog("HTTP転送の空きスロットがありませんでした in StartHttpTransfer\n");
  }
  auto* t = static_cast<HttpTransferRecord*>(AllocateMemory(sizeof(HttpTransferRecord)));
  char* copy =
      length > 0 ? static_cast<char*>(AllocateMemory(static_cast<size_t>(length))) : nullptr;
  if (t == nullptr || (length > 0 && copy == nullptr)) {
    FreeMemory(t);
    FreeMemory(copy);
    return WriteLog("メモリの確保に失敗しました in StartHttpTransfer\n");
  }
  const int connection = open();
  if (connection == -1) {
    FreeMemory(t);
    FreeMemory(copy);
    return -1;
  }
  if (length > 0) std::memcpy(copy, body, static_cast<size_t>(length));
  *t = HttpTransferRecord{};
  t->kind = kind;
  t->state = 0;
  t->result = -1;
  t->error = -1;
  t->connection = connection;
  t->mode = mode;
  t->outputFile = mode == kHttpToFile ? static_cast<FILE*>(output) : nullptr;
  t->outputPointer = mode == kHttpToMemory ? static_cast<void**>(output) : nullptr;
  if (t->outputPointer != nullptr) *t->outputPointer = nullptr;
  t->contentLength = -1;
  t->received = 0;
  CopyString(t->host, sizeof t->host, address);
  CopyString(t->path, sizeof t->path, path);
  t->body = copy;
  t->bodyLength = length;
  t->port = port;
  g_http.slots[slot] = t;
  ++g_http.count;
  return slot;
}

}  // namespace

int StartHttpTransfer(int kind, const char* address, int port, const char* path, int mode,
                      void* output, const void* body, int length) {
  return StartTransfer(kind, address, port, path, mode, output, body, length, [&] {
    // The transfer lives on the connection until it finishes, so the pump must not close it
    // first.
    return OpenNetWorkConnection(address, port, 0, 0);
  });
}

int StartHttpTransferOver(int connection, int kind, const char* host, int port, const char* path,
                          int mode, void* output, const void* body, int length) {
  bool taken = false;
  const int slot = StartTransfer(kind, host, port, path, mode, output, body, length, [&] {
    taken = true;
    return connection;
  });
  if (slot < 0 && !taken) DropNetWorkHandle(connection);
  return slot;
}

int GetHttpTransferResult(int slot, int* result, int* error, int* received) {
  const HttpTransferRecord* t = SlotRecord(slot);
  if (t == nullptr) return -1;
  if (result != nullptr) *result = t->result;
  if (error != nullptr) *error = t->error;
  if (received != nullptr) *received = t->received;
  return 0;
}

}  // namespace morrow
