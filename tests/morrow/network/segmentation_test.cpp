// Streams over real sockets on 127.0.0.1, cut into pieces of every awkward size: framed streams
// and HTTP replies (into memory and into a file), with and without gaps between the pieces, read
// as they come or left unread for a while, the peer closing right behind its last byte. Every
// byte and the close must arrive: bytes left waiting in the socket can keep the system from taking
// in the rest for good, which the case's bound catches.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ostream>
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

using Clock = std::chrono::steady_clock;

std::string Bytes(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  for (char& c : s) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 24);
  }
  return s;
}

// A framed stream of pieces of 1 to 2,500 payload bytes, each followed by a run of 1 to 40
// pieces of length 0 when gaps is set; the payload they carry is appended to *payload.
std::string FramedStream(size_t bytes, bool gaps, uint32_t seed, std::string* payload) {
  std::string wire;
  while (payload->size() < bytes) {
    seed = seed * 1103515245u + 12345u;
    const size_t n = std::min<size_t>(1 + (seed >> 8) % 2500, bytes - payload->size());
    const std::string piece = Bytes(n, seed);
    wire += Le32(static_cast<int64_t>(n)) + piece;
    *payload += piece;
    for (uint32_t empty = gaps ? 1 + (seed >> 20) % 40 : 0; empty > 0; --empty) wire += Le32(0);
  }
  return wire;
}

// An HTTP reply with lines header lines of 100 to 250 bytes (line feeds alone and with carriage
// returns) before its length and a body.
std::string HttpReply(int lines, const std::string& body, uint32_t seed) {
  std::string reply = "HTTP/1.0 200 OK\r\n";
  for (int i = 0; i < lines; ++i) {
    seed = seed * 1103515245u + 12345u;
    const bool crlf = i % 2 == 0;
    const size_t width = 100 + (seed >> 8) % 151 - (crlf ? 2 : 1);
    std::string line = "X-Pad-" + std::to_string(i) + ": ";
    line.append(width - line.size(), static_cast<char>('a' + i % 26));
    reply += line + (crlf ? "\r\n" : "\n");
  }
  return reply + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Where what came differs from what was sent, or "" when it is all there.
std::string Difference(const std::string& got, const std::string& sent) {
  if (got == sent) return "";
  const auto at = std::mismatch(got.begin(), got.end(), sent.begin(), sent.end()).first;
  return std::to_string(got.size()) + " of " + std::to_string(sent.size()) +
         " bytes, first difference at " + std::to_string(at - got.begin());
}

class NeverStalls : public testsupport::NetWorkFixture {
 protected:
  // Runs pass() until it says the case is over, pausing between passes; whether it ended, a
  // failure once the bound has passed without it (after which, as for PumpUntil, no later case of
  // the test waits again).
  template <typename Pass>
  static bool Drive(Pass pass, std::chrono::microseconds pause) {
    if (givenUp_) return pass();
    const ::testing::AssertionResult ended =
        testsupport::SeenWithin("the case's end", pass, testsupport::kSeenWithin, pause);
    EXPECT_TRUE(ended);
    givenUp_ = !ended;
    return static_cast<bool>(ended);
  }
  // Takes all a framed connection holds onto *taken.
  static void TakeAll(int handle, std::string* taken) {
    const int held = morrow::GetNetWorkDataLength(handle);
    if (held <= 0) return;
    std::string bytes(static_cast<size_t>(held), '\0');
    if (morrow::NetWorkRecv(handle, bytes.data(), held) == 0) *taken += bytes;
  }

  struct Framed {
    std::string wire;
    size_t piece = 0;
    // When given, the first bytes go alone on the wire, and the rest once they have arrived.
    size_t first = 0;
  };
  // Each peer sends its stream from a thread of its own and closes behind it, while the
  // application, passing as a frame loop does, reads every connection every pass (or, with
  // readLater, once the peers are done); what every connection took, and whether each one's close
  // came.
  std::vector<std::string> ReceiveFramed(const std::vector<Framed>& peers, bool readLater,
                                         bool* allClosed) {
    morrow::SetNetWorkNoAutoClose(1);
    std::vector<LoopbackPeer> ends(peers.size());
    std::vector<int> handles;
    for (LoopbackPeer& end : ends) handles.push_back(Accept(&end));
    std::vector<std::string> taken(peers.size());
    *allClosed = false;
    for (const int h : handles) {
      if (h == -1) return taken;
    }
    std::atomic<int> sending{static_cast<int>(peers.size())};
    std::atomic<bool> allSent{true};
    std::vector<std::thread> senders;
    for (size_t i = 0; i < peers.size(); ++i) {
      senders.emplace_back([&, i] {
        const Framed& f = peers[i];
        const std::string_view wire = f.wire;
        if (!ends[i].SendInPieces(wire.substr(0, f.first), f.first, false,
                                  testsupport::kPeerWaitMs) ||
            !ends[i].Delivered() ||
            !ends[i].SendInPieces(wire.substr(f.first), f.piece, false, testsupport::kPeerWaitMs)) {
          allSent = false;
        }
        ends[i].Close();
        --sending;
      });
    }
    std::vector<bool> closed(peers.size(), false);
    *allClosed = Drive(
        [&] {
          Pump();
          // Until then, a reader that reads later asks for nothing: only the pump takes data in.
          const bool reading = !readLater || sending == 0;
          bool all = reading;
          for (size_t i = 0; i < peers.size(); ++i) {
            if (reading) TakeAll(handles[i], &taken[i]);
            closed[i] = closed[i] || morrow::GetNetWorkAcceptStateh(handles[i]) == 0;
            all = all && closed[i] && morrow::GetNetWorkDataLength(handles[i]) == 0;
          }
          return all && sending == 0;
        },
        std::chrono::milliseconds(1));
    for (std::thread& t : senders) t.join();
    EXPECT_TRUE(allSent);
    for (const int h : handles) morrow::CloseNetWorkHandle(h);
    return taken;
  }

  struct Reply {
    int result = -1, error = -1, received = 0;
    std::string body;
  };
  // One GET to a server that answers in sends of piece bytes (each alone on the wire with
  // alone) and closes; with readLater the transfer takes no step between sending its request and
  // the server's last byte (or a tenth of a second, as a reader that stopped would hold it up).
  Reply Fetch(const std::string& answer, int mode, size_t piece, bool alone, bool readLater) {
    ScriptedServer::Script script{answer};
    script.piece = piece;
    script.alone = alone;
    ScriptedServer server(script);
    const std::string path = dir_.File("body.bin");
    FILE* file = mode == morrow::kHttpToFile ? std::fopen(path.c_str(), "wb") : nullptr;
    void* block = nullptr;
    void* output = mode == morrow::kHttpToMemory ? static_cast<void*>(&block) : file;
    Reply r;
    const int slot = morrow::StartHttpTransfer(morrow::kHttpGet, "127.0.0.1", server.port(), "/",
                                               mode, output, nullptr, 0);
    if (slot < 0) {
      if (file != nullptr) std::fclose(file);
      return r;
    }
    const auto start = Clock::now();
    Drive(
        [&] {
          morrow::PumpNetWorkMessages(1);
          const bool requested = morrow::GetHttpTable().slots[slot]->state > 0;
          if (!readLater || !requested || server.answered() ||
              Clock::now() - start > std::chrono::milliseconds(100)) {
            morrow::ProcessHttpTransfers();
          }
          morrow::GetHttpTransferResult(slot, &r.result, &r.error, &r.received);
          return r.result != -1;
        },
        std::chrono::microseconds(50));
    if (r.result == 0) {
      r.body = mode == morrow::kHttpToMemory
                   ? std::string(static_cast<const char*>(block), static_cast<size_t>(r.received))
                   : testsupport::ReadFile(path);
    }
    morrow::CloseHttpTransfer(slot);
    morrow::FreeMemory(block);
    return r;
  }
};

enum class Stream { kFramed, kHttpToMemory, kHttpToFile };

struct Segmentation {
  Stream stream;
  size_t piece;
};

class Segmented : public NeverStalls, public ::testing::WithParamInterface<Segmentation> {};

// Small pieces carry less, so that every case stays quick.
size_t StreamBytes(size_t piece) {
  return std::min<size_t>(piece * 4000, size_t{2} << 20);
}

TEST_P(Segmented, EveryByteAndTheCloseArrive) {
  const Segmentation s = GetParam();
  for (const bool gaps : {false, true}) {
    for (const bool readLater : {false, true}) {
      SCOPED_TRACE(std::string(gaps ? "gaps, " : "no gaps, ") +
                   (readLater ? "read later" : "read every pass"));
      const uint32_t seed = static_cast<uint32_t>(s.piece * 4 + gaps * 2 + readLater);
      if (s.stream == Stream::kFramed) {
        // Gaps are runs of pieces of length 0.
        std::string payload;
        const std::string wire = FramedStream(StreamBytes(s.piece), gaps, seed, &payload);
        bool closed = false;
        const std::vector<std::string> taken = ReceiveFramed({{wire, s.piece}}, readLater, &closed);
        EXPECT_TRUE(closed);
        EXPECT_EQ(Difference(taken[0], payload), "");
        continue;
      }
      // Gaps leave each piece alone on the wire. Lines of up to 250 bytes in pieces of a few
      // bytes fill the socket long before a line is whole; large pieces bring headers far longer
      // than the socket holds, so that it fills with lines before the body comes.
      const std::string body = Bytes(StreamBytes(s.piece) / 16, seed);
      const int lines = s.piece < 1000 ? static_cast<int>(s.piece * 4)
                                       : 1500 + static_cast<int>((seed * 2654435761u) >> 8) % 1501;
      const int mode =
          s.stream == Stream::kHttpToMemory ? morrow::kHttpToMemory : morrow::kHttpToFile;
      const Reply r = Fetch(HttpReply(lines, body, seed), mode, s.piece, gaps, readLater);
      EXPECT_EQ(r.result, 0);
      EXPECT_EQ(r.error, -1);
      EXPECT_EQ(Difference(r.body, body), "");
    }
  }
  EXPECT_EQ(morrow::CountNetWorkHandles(), 0);
}

const char* const kStreamNames[] = {"Framed", "HttpToMemory", "HttpToFile"};

void PrintTo(const Segmentation& s, std::ostream* out) {
  *out << kStreamNames[static_cast<int>(s.stream)] << " in pieces of " << s.piece;
}

std::vector<Segmentation> AllSegmentations() {
  std::vector<Segmentation> all;
  for (const Stream stream : {Stream::kFramed, Stream::kHttpToMemory, Stream::kHttpToFile}) {
    for (const size_t piece : {1, 2, 3, 4, 5, 1000, 60000}) all.push_back({stream, piece});
  }
  return all;
}

std::string SegmentationName(const ::testing::TestParamInfo<Segmentation>& info) {
  return kStreamNames[static_cast<int>(info.param.stream)] +
         ("_" + std::to_string(info.param.piece));
}

INSTANTIATE_TEST_SUITE_P(Pieces, Segmented, ::testing::ValuesIn(AllSegmentations()),
                         SegmentationName);

// A peer that stops inside a length word long enough for it to arrive alone, then sends 2,089
// pieces of 1,000 bytes at once and closes, to an application that reads nothing until then.
TEST_F(NeverStalls, AStreamCutInsideALengthWordGoesOn) {
  for (const size_t cut : {1, 2, 3}) {
    SCOPED_TRACE(cut);
    std::string payload = "abcd", rest;
    for (int i = 0; i < 2089; ++i) {
      const std::string piece(1000, static_cast<char>('A' + i % 26));
      rest += Le32(1000) + piece;
      payload += piece;
    }
    const std::string first = Le32(4) + "abcd" + rest.substr(0, cut);
    bool closed = false;
    const std::vector<std::string> taken =
        ReceiveFramed({{first + rest.substr(cut), rest.size(), first.size()}}, true, &closed);
    EXPECT_TRUE(closed);
    EXPECT_EQ(Difference(taken[0], payload), "");
  }
}

// Pieces of 100 bytes, each followed by 40,000 zero bytes (10,000 pieces of length 0), to an
// application that reads nothing until the peer is done; and two fast peers with 20,000 pieces
// of length 0 behind each of their 30 pieces, read every pass.
TEST_F(NeverStalls, RunsOfEmptyPiecesHoldNothingBack) {
  const struct {
    const char* name;
    int peers, pieces, pieceBytes, empties;
    bool readLater;
  } rows[] = {
      {"100-byte pieces and 40,000 zero bytes, read later", 1, 100, 100, 10000, true},
      {"two fast peers, read every pass", 2, 30, 1000, 20000, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<Framed> peers;
    std::vector<std::string> payloads;
    for (int p = 0; p < row.peers; ++p) {
      Framed f;
      std::string payload;
      for (int i = 0; i < row.pieces; ++i) {
        const std::string piece = Bytes(static_cast<size_t>(row.pieceBytes), 31u * p + i);
        f.wire += Le32(row.pieceBytes) + piece + std::string(4 * row.empties, '\0');
        payload += piece;
      }
      f.piece = f.wire.size();
      peers.push_back(f);
      payloads.push_back(payload);
    }
    bool closed = false;
    const std::vector<std::string> taken = ReceiveFramed(peers, row.readLater, &closed);
    EXPECT_TRUE(closed);
    for (int p = 0; p < row.peers; ++p) EXPECT_EQ(Difference(taken[p], payloads[p]), "") << p;
  }
}

}  // namespace
