// HTTP/1.0 transfers against a scripted server thread on 127.0.0.1: the requests byte for byte,
// the answers the steps accept and those they refuse, hostile answers, the slot table.
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "morrow/network/http.h"
#include "morrow/network/network.h"
#include "morrow/system/memory.h"
#include "tests/morrow/network/network_fixture.h"
#include "tests/morrow/network/scripted_server.h"

namespace {

using testsupport::Le32;
using testsupport::LoopbackPeer;
using testsupport::ScriptedServer;

class HttpTransfers : public testsupport::NetWorkFixture {
 protected:
  struct Outcome {
    int result = -1, error = -1, received = -1;
    std::string body;  // memory mode: the block on success
  };
  // Runs one transfer to its end and closes it.
  Outcome Run(int kind, int port, int mode, const std::string& post = "", FILE* file = nullptr) {
    void* block = nullptr;
    void* output = mode == morrow::kHttpToMemory ? static_cast<void*>(&block) : file;
    const int slot = morrow::StartHttpTransfer(kind, "127.0.0.1", port, "/p/q.txt", mode, output,
                                               post.data(), static_cast<int>(post.size()));
    Outcome o;
    if (slot < 0) {
      if (file != nullptr) std::fclose(file);
      return o;
    }
    PumpUntil([&] {
      morrow::GetHttpTransferResult(slot, &o.result, &o.error, &o.received);
      return o.result != -1;
    });
    if (block != nullptr && o.result == 0) o.body.assign(static_cast<char*>(block), o.received);
    EXPECT_EQ(morrow::CloseHttpTransfer(slot), 0);
    morrow::FreeMemory(block);
    return o;
  }
};

std::string Request(int kind, int port, const std::string& post = "") {
  const std::string p = std::to_string(port);
  switch (kind) {
    case morrow::kHttpGet:
      return "GET /p/q.txt HTTP/1.0\r\nHost: 127.0.0.1:" + p + "\r\nConnection: close\r\n\r\n";
    case morrow::kHttpPost:
      return "POST /p/q.txt HTTP/1.0\nHost: 127.0.0.1:" + p +
             "\nContent-Length: " + std::to_string(post.size()) + "\n\n" + post;
    default:
      return "HEAD /p/q.txt HTTP/1.0\n\n";
  }
}

constexpr int kAsInMemory = -9;
constexpr const char* kNegativeLength =
    "Content-Length を使えないので転送を中止しました (負の値です)";
constexpr const char* kCutLength =
    "Content-Length を使えないので転送を中止しました (行が 255 byte を超えました)";

struct AnswerCase {
  const char* name;
  int kind;
  std::string answer;
  bool bytewise;
  int result, error;
  std::string body;
  const char* logLine;  // a line the transfer must have written once, or null
  // Where the body going to a file ends otherwise.
  int fileResult = kAsInMemory, fileError = kAsInMemory;
};

// Every answer in both modes: the body into memory and into a file, which holds exactly the body
// on success.
TEST_F(HttpTransfers, AnswersEndAsTheStepsSay) {
  const std::string big(100000, 'B');
  std::string nuls("a\0b\0c", 5);
  const AnswerCase cases[] = {
      {"200 with length", morrow::kHttpGet, "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello",
       false, 0, -1, "hello", nullptr},
      {"byte by byte", morrow::kHttpGet,
       "HTTP/1.0 200 OK\r\nServer: x\r\nContent-Length: 5\r\n\r\nhello", true, 0, -1, "hello",
       nullptr},
      {"404", morrow::kHttpGet, "HTTP/1.0 404 Not Found\r\n\r\n", false, 2, 1, "",
       "接続に失敗しました (戻り値:404)"},
      {"500", morrow::kHttpGet, "HTTP/1.0 500 Oops\r\n\r\n", false, 2, 0, "",
       "接続に失敗しました (戻り値:500)"},
      {"status that does not scan", morrow::kHttpGet, "HELLO\r\n\r\n", false, 2, 0, "",
       "接続に失敗しました (戻り値:0)"},
      {"length in other case", morrow::kHttpGet,
       "HTTP/1.0 200 OK\r\ncontent-length: 3\r\n\r\nabcdef", false, 0, -1, "abcdef", nullptr},
      {"length without a space", morrow::kHttpGet,
       "HTTP/1.0 200 OK\r\nContent-Length:3\r\n\r\nabcd", false, 0, -1, "abcd", nullptr},
      {"no length, long body", morrow::kHttpGet, "HTTP/1.0 200 OK\r\n\r\n" + big, false, 0, -1, big,
       nullptr},
      {"no length, NUL bytes", morrow::kHttpGet, "HTTP/1.0 200 OK\n\n" + nuls, true, 0, -1, nuls,
       nullptr},
      {"repeated length", morrow::kHttpGet,
       "HTTP/1.0 200 OK\r\nContent-Length: 9\r\nContent-Length: 2\r\n\r\nokay", false, 0, -1, "ok",
       nullptr},
      {"negative length", morrow::kHttpGet, "HTTP/1.0 200 OK\r\nContent-Length: -1\r\n\r\nxyz",
       false, 2, 2, "", kNegativeLength},
      {"length -2147483648", morrow::kHttpGet,
       "HTTP/1.0 200 OK\r\nContent-Length: -2147483648\r\n\r\n" + big, false, 2, 2, "",
       kNegativeLength},
      // 12 after 239 zeros: the line reader holds the first 255 bytes, which read as 0.
      {"length line of 257 bytes", morrow::kHttpGet,
       "HTTP/1.0 200 OK\r\nContent-Length: " + std::string(239, '0') + "12\r\n\r\nhello world!",
       false, 2, 2, "", kCutLength},
      {"length line cut before its number", morrow::kHttpGet,
       "HTTP/1.0 200 OK\r\nContent-Length:" + std::string(250, ' ') + "5\r\n\r\nhello", true, 2, 2,
       "", kCutLength},
      {"a long line that is not the length", morrow::kHttpGet,
       "HTTP/1.0 200 OK\r\nX-Length: " + std::string(260, '0') + "\r\nContent-Length: 2\r\n\r\nok",
       false, 0, -1, "ok", nullptr},
      {"length 5, then 100,000 bytes", morrow::kHttpGet,
       "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello" + big, false, 0, -1, "hello", nullptr},
      {"length 0, then 100,000 bytes", morrow::kHttpGet,
       "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n" + big, false, 0, -1, "", nullptr},
      {"length 5 byte by byte, then more", morrow::kHttpGet,
       "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello, world", true, 0, -1, "hello", nullptr},
      // A file takes what no block in memory can hold, and the body is then cut short.
      {"length over 256 MiB", morrow::kHttpGet,
       "HTTP/1.0 200 OK\r\nContent-Length: 268435457\r\n\r\nxyz", false, 2, 2, "", nullptr, 2, 3},
      {"length past 32 bits", morrow::kHttpGet,
       "HTTP/1.0 200 OK\r\nContent-Length: 99999999999\r\n\r\nxyz", false, 2, 2, "", nullptr, 2, 3},
      {"closed inside the header", morrow::kHttpGet, "HTTP/1.0 200 OK\r\nServer: x\r\n", false, 2,
       3, "", nullptr},
      {"closed inside the body", morrow::kHttpGet,
       "HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nabc", false, 2, 3, "", nullptr},
      {"HEAD with length", morrow::kHttpHead, "HTTP/1.0 200 OK\nContent-Length: 7\n\n", false, 0,
       -1, "", nullptr},
      {"HEAD without length", morrow::kHttpHead, "HTTP/1.0 200 OK\n\n", false, 2, 3, "", nullptr},
      {"HEAD with a length line of 257 bytes", morrow::kHttpHead,
       "HTTP/1.0 200 OK\nContent-Length: " + std::string(240, '0') + "7\n\n", false, 2, 2, "",
       kCutLength},
      {"HEAD 404", morrow::kHttpHead, "HTTP/1.0 404 Not Found\n\n", false, 2, 1, "", nullptr},
      {"POST", morrow::kHttpPost, "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok", false, 0, -1,
       "ok", nullptr},
      {"POST 500", morrow::kHttpPost, "HTTP/1.0 500 Oops\r\n\r\n", false, 2, 0, "", nullptr},
  };
  const std::string path = dir_.File("body.bin");
  for (const AnswerCase& c : cases) {
    for (const int mode : {morrow::kHttpToMemory, morrow::kHttpToFile}) {
      SCOPED_TRACE(std::string(c.name) + (mode == morrow::kHttpToFile ? ", to a file" : ""));
      morrow::StartLogFile();
      const std::string post = c.kind == morrow::kHttpPost ? "a=1&b=2" : "";
      ScriptedServer server({c.answer, c.bytewise});
      FILE* file = mode == morrow::kHttpToFile ? std::fopen(path.c_str(), "wb") : nullptr;
      Outcome o = Run(c.kind, server.port(), mode, post, file);
      const bool inFile = mode == morrow::kHttpToFile && c.fileResult != kAsInMemory;
      EXPECT_EQ(o.result, inFile ? c.fileResult : c.result);
      EXPECT_EQ(o.error, inFile ? c.fileError : c.error);
      if (mode == morrow::kHttpToFile && o.result == 0) o.body = testsupport::ReadFile(path);
      EXPECT_EQ(o.body, c.body);
      if (o.result == 0) {
        EXPECT_EQ(o.received, static_cast<int>(c.body.size()));
      }
      EXPECT_EQ(server.Request(), Request(c.kind, server.port(), post));
      const bool statusLine = c.logLine != nullptr && std::strstr(c.logLine, "接続に失敗しました");
      EXPECT_EQ(Count("接続に失敗しました"), statusLine ? 1 : 0);
      EXPECT_EQ(Count("Content-Length を使えない"), c.logLine != nullptr && !statusLine ? 1 : 0);
      if (c.logLine != nullptr) {
        EXPECT_EQ(Count(c.logLine), 1);
      }
      EXPECT_EQ(Count("受信データ"), 0);
      EXPECT_EQ(morrow::CountNetWorkHandles(), 0);
    }
  }
}

struct FullFileCase {
  const char* name;
  std::string answer;
  const char* logLine;  // the one line the failure writes
};

// A body the file cannot take fails the transfer with no room for the body, whether the write
// or the close finds the device full, with one line naming the file.
TEST_F(HttpTransfers, ABodyTheFileCannotTakeFailsTheTransfer) {
  const std::string big(200000, 'F');
  const FullFileCase cases[] = {
      {"200,000 bytes with their length", "HTTP/1.0 200 OK\r\nContent-Length: 200000\r\n\r\n" + big,
       "受信データをファイル /dev/full に書き込めませんでした (No space left on device)"},
      {"200,000 bytes to the end", "HTTP/1.0 200 OK\r\n\r\n" + big,
       "受信データをファイル /dev/full に書き込めませんでした (No space left on device)"},
      {"5 bytes, found at the close", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello",
       "受信データのファイル /dev/full を閉じられませんでした (No space left on device)"},
  };
  for (const FullFileCase& c : cases) {
    SCOPED_TRACE(c.name);
    morrow::StartLogFile();
    ScriptedServer server({c.answer});
    FILE* full = std::fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    const Outcome o = Run(morrow::kHttpGet, server.port(), morrow::kHttpToFile, "", full);
    EXPECT_EQ(o.result, 2);
    EXPECT_EQ(o.error, 2);
    EXPECT_EQ(Count("受信データ"), 1);
    EXPECT_EQ(Count(c.logLine), 1) << Log();
    EXPECT_EQ(morrow::CountNetWorkHandles(), 0);
  }
}

TEST_F(HttpTransfers, FileModeWritesTheBodyAsSent) {
  std::string body(70000, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 31 + (i >> 8));
  for (const bool withLength : {true, false}) {
    SCOPED_TRACE(withLength);
    const std::string header =
        withLength ? "HTTP/1.0 200 OK\r\nContent-Length: 70000\r\n\r\n" : "HTTP/1.0 200 OK\r\n\r\n";
    ScriptedServer server({header + body});
    const std::string path = dir_.File("body.bin");
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    const Outcome o = Run(morrow::kHttpGet, server.port(), morrow::kHttpToFile, "", f);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.received, 70000);
    EXPECT_TRUE(testsupport::ReadFile(path) == body);
  }
}

TEST_F(HttpTransfers, OneHeaderLinePerPass) {
  const std::string answer = "HTTP/1.0 200 OK\r\nA: 1\r\nB: 2\r\nContent-Length: 2\r\n\r\nok";
  // The answer waits until the pass that sends the request is over: a quick server would
  // otherwise have its status line read in that pass.
  std::atomic<bool> requestSent{false};
  ScriptedServer::Script script{answer, false, true};
  script.answerWhen = &requestSent;
  ScriptedServer server(script);
  void* block = nullptr;
  const int slot = morrow::StartHttpTransfer(morrow::kHttpGet, "127.0.0.1", server.port(),
                                             "/p/q.txt", morrow::kHttpToMemory, &block, nullptr, 0);
  ASSERT_GE(slot, 0);
  morrow::ProcessHttpTransfers();  // the request goes out
  requestSent = true;
  const morrow::HttpTransferRecord* t = morrow::GetHttpTable().slots[slot];
  EXPECT_EQ(t->state, 1);
  // Without pumping.
  ASSERT_TRUE(testsupport::SeenWithin("the whole answer waiting in the socket", [&] {
    return Unread(t->connection) == static_cast<int>(answer.size());
  }));
  // The status line and the first header, then one header a pass, then the blank line and body.
  std::vector<int> states;
  for (int pass = 0; pass < 4; ++pass) {
    morrow::ProcessHttpTransfers();
    states.push_back(t->result == -1 ? t->state : 10 + t->result);
  }
  EXPECT_EQ(states, (std::vector<int>{2, 2, 2, 10}));
  EXPECT_EQ(std::string(static_cast<char*>(block), 2), "ok");
  EXPECT_EQ(morrow::CloseHttpTransfer(slot), 0);
  morrow::FreeMemory(block);
}

struct StallCase {
  const char* name;
  int kind;
  ScriptedServer::Script script;
  int result, error;
  std::string body;
  int statusLogged;  // the status a log line names, or -1 for none
};

// Peers that stop inside a line, send NUL bytes or reset. A line that is not whole waits while
// the peer holds the connection and is lost once the peer has gone; NUL bytes do not hide a line
// feed.
TEST_F(HttpTransfers, StalledAndBrokenPeersEndOrWaitForThePeer) {
  const std::string longStatus = "HTTP/1.0 200 " + std::string(287, '0');
  const std::string longHeader = "HTTP/1.0 200 OK\n" + std::string(300, 'x');
  static const char kNulStatus[] = "HTTP/1.0\0 200 OK\r\n\r\n";
  static const char kNulHeader[] = "HTTP/1.0 200 OK\r\nX: a\0b\r\nContent-Length: 2\r\n\r\nok";
  const std::string nulStatus(kNulStatus, sizeof kNulStatus - 1);
  const std::string nulHeader(kNulHeader, sizeof kNulHeader - 1);
  using Script = ScriptedServer::Script;
  const StallCase cases[] = {
      {"300 bytes without a line feed, closed", morrow::kHttpGet, Script{longStatus}, 2, 3, "", -1},
      {"300 bytes without a line feed, held", morrow::kHttpGet, Script{longStatus, false, true}, 2,
       3, "", -1},
      {"closed inside the status line", morrow::kHttpPost, Script{"HTTP/1.0 200"}, 2, 3, "", -1},
      {"HEAD header line of 300 bytes, closed", morrow::kHttpHead, Script{longHeader}, 2, 3, "",
       -1},
      {"HEAD header line of 300 bytes, held", morrow::kHttpHead, Script{longHeader, false, true}, 2,
       3, "", -1},
      {"NUL in the status line", morrow::kHttpGet, Script{nulStatus}, 2, 0, "", 0},
      {"NUL bytes before a line feed", morrow::kHttpGet, Script{std::string("\0\0\0\n", 4)}, 2, 0,
       "", 0},
      {"NUL in a header line", morrow::kHttpGet, Script{nulHeader, true}, 0, -1, "ok", -1},
      {"reset inside the status line", morrow::kHttpGet,
       Script{"HTTP/1.0 2", false, false, false, false, true}, 2, 3, "", -1},
      {"reset inside the body", morrow::kHttpGet,
       Script{"HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nabc", false, false, false, false, true},
       2, 3, "", -1},
  };
  for (const StallCase& c : cases) {
    SCOPED_TRACE(c.name);
    morrow::StartLogFile();
    ScriptedServer server(c.script);
    void* block = nullptr;
    const std::string post = c.kind == morrow::kHttpPost ? "x=1" : "";
    const int slot = morrow::StartHttpTransfer(c.kind, "127.0.0.1", server.port(), "/p/q.txt",
                                               morrow::kHttpToMemory, &block, post.data(),
                                               static_cast<int>(post.size()));
    ASSERT_GE(slot, 0);
    int result = -1, error = -1, received = 0;
    const auto finished = [&] {
      morrow::GetHttpTransferResult(slot, &result, &error, &received);
      return result != -1;
    };
    if (c.script.holdOpen) {
      // The first 255 bytes are the line; the rest is dropped up to a line feed that the peer
      // holds back.
      const int connection = morrow::GetHttpTable().slots[slot]->connection;
      PumpUntil([&] { return server.answered() && Unread(connection) == 0; });
      EXPECT_FALSE(finished());
      EXPECT_EQ(morrow::GetHttpTable().slots[slot]->state, 2);
    }
    if (c.script.holdOpen) server.Request();  // the peer lets go
    EXPECT_TRUE(PumpUntil(finished));
    EXPECT_EQ(server.Request(), Request(c.kind, server.port(), post));
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(result == 0 ? std::string(static_cast<char*>(block), received) : "", c.body);
    EXPECT_EQ(Count("接続に失敗しました"), c.statusLogged >= 0 ? 1 : 0);
    if (c.statusLogged >= 0) {
      EXPECT_EQ(Count("(戻り値:" + std::to_string(c.statusLogged) + ")"), 1);
    }
    EXPECT_EQ(morrow::CloseHttpTransfer(slot), 0);
    EXPECT_EQ(morrow::CountNetWorkHandles(), 0);
    morrow::FreeMemory(block);
  }
}

// A connection still being made holds the request back rather than losing it: a listener whose
// queue is full drops the first try, and the connection is made a second later.
TEST_F(HttpTransfers, TheRequestWaitsForTheConnectionToBeMade) {
  testsupport::FullListener listener;
  ASSERT_TRUE(listener.ok());
  const int port = listener.port();
  void* block = nullptr;
  const int slot = morrow::StartHttpTransfer(morrow::kHttpGet, "127.0.0.1", port, "/p/q.txt",
                                             morrow::kHttpToMemory, &block, nullptr, 0);
  ASSERT_GE(slot, 0);
  for (int pass = 0; pass < 50; ++pass) Pump();
  const morrow::HttpTransferRecord* t = morrow::GetHttpTable().slots[slot];
  EXPECT_EQ(t->result, -1);
  EXPECT_EQ(t->state, 0);
  testsupport::LoopbackPeer queued(accept(listener.fd(), nullptr, nullptr));
  pollfd p{listener.fd(), POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, testsupport::kPeerWaitMs), 1);
  testsupport::LoopbackPeer server(accept(listener.fd(), nullptr, nullptr));
  EXPECT_TRUE(PumpUntil([&] { return t->state != 0; }));
  const std::string request = Request(morrow::kHttpGet, port);
  EXPECT_EQ(server.Receive(request.size()), request);
  ASSERT_TRUE(server.Send("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok"));
  server.Close();
  int result = -1, error = -1, received = 0;
  EXPECT_TRUE(PumpUntil([&] {
    morrow::GetHttpTransferResult(slot, &result, &error, &received);
    return result != -1;
  }));
  EXPECT_EQ(result, 0);
  ASSERT_EQ(received, 2);
  EXPECT_EQ(std::string(static_cast<char*>(block), 2), "ok");
  morrow::CloseHttpTransfer(slot);
  morrow::FreeMemory(block);
}

TEST_F(HttpTransfers, LostAndRefusedConnectionsFailWithError3) {
  ScriptedServer silent({"", false, false, true});
  Outcome o = Run(morrow::kHttpGet, silent.port(), morrow::kHttpToMemory);
  EXPECT_EQ(o.result, 2);
  EXPECT_EQ(o.error, 3);
  o = Run(morrow::kHttpPost, testsupport::ClosedPort(), morrow::kHttpToMemory, "x=1");
  EXPECT_EQ(o.result, 2);
  EXPECT_EQ(o.error, 3);
  // A transfer closed while it runs counts as a success with no error, and keeps its block.
  ScriptedServer held({"HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabc", false, true});
  void* block = nullptr;
  const int slot = morrow::StartHttpTransfer(morrow::kHttpGet, "127.0.0.1", held.port(), "/",
                                             morrow::kHttpToMemory, &block, nullptr, 0);
  ASSERT_GE(slot, 0);
  PumpUntil([&] { return morrow::GetHttpTable().slots[slot]->received == 3; });
  ASSERT_EQ(morrow::FinishHttpTransfer(slot, 0, -1), 0);
  ASSERT_EQ(morrow::FinishHttpTransfer(slot, 2, 3), 0);  // the first finish decides
  int result = 0, error = 0, received = 0;
  morrow::GetHttpTransferResult(slot, &result, &error, &received);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(error, -1);
  EXPECT_EQ(std::string(static_cast<char*>(block), 3), "abc");
  morrow::CloseHttpTransfer(slot);
  morrow::FreeMemory(block);
}

TEST_F(HttpTransfers, TheTableAndTheArgumentsHaveLimits) {
  // A listener that never answers: a hundred transfers fill the table.
  ScriptedServer server({"", false, false, false, true});
  std::vector<int> slots;
  for (int i = 0; i < morrow::kHttpSlotCount; ++i) {
    slots.push_back(morrow::StartHttpTransfer(morrow::kHttpHead, "127.0.0.1", server.port(), "/",
                                              morrow::kHttpToFile, nullptr, nullptr, 0));
    ASSERT_EQ(slots.back(), i);
  }
  EXPECT_EQ(morrow::StartHttpTransfer(morrow::kHttpHead, "127.0.0.1", server.port(), "/",
                                      morrow::kHttpToFile, nullptr, nullptr, 0),
            -1);
  EXPECT_EQ(Count("HTTP転送の空きスロットがありませんでした in StartHttpTransfer"), 1);
  // Closing empties slots as it goes; every one is still closed.
  EXPECT_EQ(morrow::EndHttp(), 0);
  EXPECT_EQ(morrow::GetHttpTable().count, 0);
  EXPECT_EQ(morrow::CountNetWorkHandles(), 0);

  void* block = nullptr;
  const std::string host(128, '1'), path(256, '/');
  struct Bad {
    int kind;
    const char* address;
    const char* path;
    int mode;
    void* output;
    int length;
  } bad[] = {
      {3, "127.0.0.1", "/", 0, nullptr, 0},
      {0, host.c_str(), "/", 0, nullptr, 0},
      {0, "127.0.0.1", path.c_str(), 0, nullptr, 0},
      {0, "127.0.0.1", nullptr, 0, nullptr, 0},
      {0, "127.0.0.1", "/", 2, &block, 0},
      {0, "127.0.0.1", "/", 1, nullptr, 0},
      {1, "127.0.0.1", "/", 1, &block, -1},
      {1, "127.0.0.1", "/", 1, &block, 5},  // a length without a body
  };
  for (const Bad& b : bad) {
    EXPECT_EQ(morrow::StartHttpTransfer(b.kind, b.address, server.port(), b.path, b.mode, b.output,
                                        nullptr, b.length),
              -1);
  }
  EXPECT_EQ(Count("HTTP転送の指定が正しくありません in StartHttpTransfer"), 8);
  EXPECT_EQ(morrow::StepHttpTransfer(-1), -1);
  EXPECT_EQ(morrow::StepHttpTransfer(100), -1);
  EXPECT_EQ(morrow::FinishHttpTransfer(0, 0, -1), -1);
  EXPECT_EQ(morrow::CloseHttpTransfer(100), -1);
  EXPECT_EQ(morrow::GetHttpTable().count, 0);
}

// Peers that once had lost data pass for complete, or held the end of the network for minutes:
// each row runs one on 127.0.0.1 and tells how it ended.
TEST_F(HttpTransfers, HostilePeersNeverPassForCompleteNorHoldTheEnd) {
  auto fetch = [&](const ScriptedServer::Script& script, const std::string& post = "") {
    const int kind = post.empty() ? morrow::kHttpGet : morrow::kHttpPost;
    ScriptedServer server(script);
    const Outcome o = Run(kind, server.port(), morrow::kHttpToMemory, post);
    const bool whole = server.Request() == Request(kind, server.port(), post);
    return std::to_string(o.result) + " " + std::to_string(o.error) + " " + o.body +
           (whole ? "" : " (request cut)");
  };
  auto unreadPastTheCap = [&] {
    LoopbackPeer peer;
    const int h = Accept(&peer);
    const int piece = morrow::kMaxNetWorkPieceBytes;
    const auto pieces = static_cast<int>(morrow::kMaxNetWorkUnreadBytes / piece);
    std::thread sender([&] {
      for (int i = 0; i < pieces; ++i) peer.Send(Le32(piece) + std::string(piece, 'u'));
      peer.Send(Le32(1) + "!");
    });
    PumpUntil([&] { return h == -1 || RecordOf(h).error != 0; });
    const std::string outcome = "error " + std::to_string(h == -1 ? -1 : RecordOf(h).error) +
                                ", lines " +
                                std::to_string(Count("リングバッファのリサイズに失敗"));
    Pump();  // closes the connection, which ends the sender
    sender.join();
    return outcome;
  };
  auto halfOpenAtTheEnd = [&] {
    std::vector<LoopbackPeer> peers(200);
    for (LoopbackPeer& p : peers) {
      if (p.Connect(port_)) p.Send(Le32(10) + "ab");
    }
    PumpUntil([] {
      const auto& records = morrow::GetNetWork().records;
      return std::count_if(std::begin(records), std::end(records),
                           [](const auto& r) { return r.receivePending == 8; }) == 200;
    });
    const bool quick = WaitedIn([] { morrow::EndNetWork(); }) < std::chrono::seconds(3);
    return std::string(quick ? "ended within 3 s, " : "ended late, ") +
           std::to_string(Count("データの送受信を終えずに接続を閉じました")) + " dropped";
  };
  // While the caller reads one connection, 200 others each send a piece and close.
  auto piecesThenCloseWhileOneIsRead = [&] {
    constexpr int kPeers = 200;
    LoopbackPeer watched;
    const int w = Accept(&watched);
    std::vector<LoopbackPeer> peers(kPeers);
    for (LoopbackPeer& p : peers) {
      if (p.Connect(port_) && p.Send(Le32(1000) + std::string(1000, 'p'))) p.Close();
    }
    std::vector<int> handles;
    PumpUntil([&] {
      morrow::GetNetWorkDataLength(w);
      for (int h; (h = morrow::TakeAcceptedNetWork()) != -1;) handles.push_back(h);
      return handles.size() == kPeers && std::all_of(handles.begin(), handles.end(), [](int h) {
               return RecordOf(h).connected == 0;
             });
    });
    int taken = 0, left = 0;
    for (const int h : handles) {
      taken += RecordOf(h).receiveRing.held == 1000 ? 1 : 0;
      left += Unread(h) > 0 ? 1 : 0;
    }
    const int before = Count("データの送受信を終えずに接続を閉じました");
    morrow::EndNetWork();
    const int dropped = Count("データの送受信を終えずに接続を閉じました") - before;
    // The next row starts the network afresh.
    morrow::InitNetWork();
    morrow::ListenNetWork("127.0.0.1", 0);
    port_ = morrow::GetListenNetWorkPort();
    return std::to_string(taken) + " taken, " + std::to_string(left) + " left in the socket, " +
           std::to_string(dropped) + " dropped";
  };
  auto emptyPiecesThenData = [&] {
    LoopbackPeer peer;
    const int h = Accept(&peer);
    std::string empties;
    for (int i = 0; i < 30000; ++i) empties += Le32(0);
    if (h == -1 || !peer.Send(empties + Le32(5) + "hello") || !peer.Delivered())
      return std::string();
    int passes = 0;
    PumpUntil([&] {
      ++passes;
      return RecordOf(h).receiveRing.held == 5;
    });
    char got[6] = {};
    morrow::NetWorkRecv(h, got, 5);
    return std::string(got) + " after " + std::to_string(passes) + " pass";
  };
  const std::string ok = "\r\nContent-Length: 2\r\n\r\nok";
  const struct {
    const char* name;
    std::function<std::string()> run;
    const char* outcome;
  } rows[] = {
      {"NUL inside a header line",
       [&] { return fetch({std::string("HTTP/1.0 200 OK\r\nX-\0: y", 23) + ok}); }, "0 -1 ok"},
      {"a 300-byte header line",
       [&] { return fetch({"HTTP/1.0 200 OK\r\nSet-Cookie: " + std::string(288, 'a') + ok}); },
       "0 -1 ok"},
      {"40,000 bytes then a reset",
       [&] {
         return fetch({"HTTP/1.0 200 OK\n\n" + std::string(40000, 'x'), 0, 0, 0, 0, 1});
       },
       "2 3 "},
      {"a POST of 1 MiB to a slow reader",
       [&] {
         return fetch({"HTTP/1.0 200 OK" + ok, 0, 0, 0, 0, 0, 4096}, std::string(1 << 20, 'p'));
       },
       "0 -1 ok"},
      {"unread data past 64 MiB", unreadPastTheCap, "error 1, lines 1"},
      {"30,000 pieces of length 0, then data", emptyPiecesThenData, "hello after 1 pass"},
      {"200 peers send a piece and close while another is read", piecesThenCloseWhileOneIsRead,
       "200 taken, 0 left in the socket, 0 dropped"},
      {"200 half-open connections at the end", halfOpenAtTheEnd, "ended within 3 s, 200 dropped"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.run(), row.outcome);
  }
}

}  // namespace
