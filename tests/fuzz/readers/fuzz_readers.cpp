// Fuzz targets of the readers of untrusted bytes, one per FUZZ_READER_MODE:
//   1 (fuzz_midi)   the MIDI file reader: a file it takes lies inside the input, with 1 to 65535
//                   tracks of format 0 to 2
//   2 (fuzz_map)    the arena map loader, on the input stored as an arena file: every cell keeps
//                   a byte
//   3 (fuzz_data)   the Data file loader, the input stored as each of the five files in turn:
//                   what it takes is inside the ranges the game reads, and saving it and loading
//                   it back changes nothing
//   4 (fuzz_glyph)  the glyph-sheet cell lookup: each 4 bytes a code, then the input as a GBK
//                   text drawn from the sheets (the library is not started: every draw is refused)
//   5 (fuzz_http_reply)  the input as the reply of an HTTP transfer, the body into memory, into
//                   a file of memory and into a file that refuses writes past a drawn count: first
//                   byte the request (bits 0-1), an unbuffered refusing file (bit 2), a reset at
//                   the end (bit 3), the POST body's length (bits 4-7); second the seed of the
//                   pieces and the count, whose bit 7 ends the peer before it has the request.
//                   The request goes out whole and in order through sends taken a few bytes at a
//                   time; once the peer has ended the transfer finishes; a body it calls whole is
//                   the length's bytes, neither more nor fewer, or all the peer sent before an
//                   orderly end; both modes end alike; a file that refuses a write fails the
//                   transfer; a length line longer than the line reader holds never passes
//   6 (fuzz_framed) the input (after a seed byte) as a framed stream: what is taken is the
//                   payload sent, in order, up to a length the connection refuses
// Both arrive through a memory socket as a peer sends them, in pieces between pump passes.
// Anything else aborts.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "game/battle/arena.h"
#include "game/core/data_files.h"
#include "game/core/records.h"
#include "game/flow/flow.h"
#include "game/flow/glyph_text.h"
#include "morrow/network/connection.h"
#include "morrow/network/http.h"
#include "morrow/system/memory.h"
#include "platform/audio/midi_file.h"
#include "tests/fuzz/fuzz_folder.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "reader fuzz: %s\n", what);
  std::abort();
}

const std::string& Folder() {
  return fuzzsupport::FuzzFolder("reader-fuzz", {"Data", "Resource/Mpd"});
}

void Store(const std::string& local, const uint8_t* data, size_t size) {
  FILE* file = std::fopen((Folder() + "/" + local).c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);
}

[[maybe_unused]] void Midi(const uint8_t* data, size_t size) {
  platform::MidiFileInfo info;
  if (!platform::ParseMidiFile(data, size, &info)) return;
  Check(platform::HasMidiSignature(data, size), "taken without a signature");
  Check(info.offset <= size && info.size <= size - info.offset, "the file runs past the input");
  Check(info.format >= 0 && info.format <= 2, "format out of 0-2");
  Check(info.tracks >= 1 && info.tracks <= 65535, "track count out of range");
  Check(info.totalTicks >= 0, "negative length");
}

[[maybe_unused]] void Map(const uint8_t* data, size_t size) {
  using namespace veyrdale;
  Store("Resource/Mpd/00.mpd", data, size);
  g_arenaMap = ArenaMap{};
  {
    fuzzsupport::InFuzzFolder here;
    LoadArenaMap("Resource\\Mpd\\00.mpd");
  }
  for (int32_t cell : g_arenaMap.cells) Check(cell >= 0 && cell <= 255, "a cell is no byte");
}

[[maybe_unused]] void Data(const uint8_t* data, size_t size) {
  using namespace veyrdale;
  struct File {
    const char* path;
    const char* local;
    int load;
    int save;  // -1: never written
  } files[] = {
      {kDisplayFile, "Data/cnf.dat", kLoadDisplay, -1},
      {kOptionsFile, "Data/config.sav", kLoadOptions, kSaveOptions},
      {kButtonsFile, "Data/key.inf", kLoadButtons, kSaveButtons},
      {kScoresFile, "Data/score.sav", kLoadScores, kSaveScores},
      {kSurvivalFile, "Data/score_s.sav", kLoadSurvival, kSaveSurvival},
  };
  for (const File& f : files) {
    g_display = DisplaySettings{};
    g_options = OptionSettings{};
    g_buttonMap = ButtonMap{};
    g_scores = ScoreTable{};
    g_survival = SurvivalRecord{};
    Store(f.local, data, size);
    fuzzsupport::InFuzzFolder here;
    const int loaded = LoadDataFile(f.path, f.load);
    Check(loaded == 0 || loaded == -1, "load answered other than 0 or -1");
    const OptionSettings& o = g_options;
    Check(o.difficulty >= 0 && o.difficulty <= 3 && o.winCount >= 0 && o.winCount <= 2 &&
              o.timeLimit >= 0 && o.timeLimit <= 2 && o.effectLevel >= 0 && o.effectLevel <= 1 &&
              o.meleeLevel >= 0 && o.meleeLevel <= 1 && o.stunRingDisplay >= 0 &&
              o.stunRingDisplay <= 1 && o.obstacleStrength >= 0 && o.obstacleStrength <= 2 &&
              o.musicVolume >= 0 && o.musicVolume <= 20 && o.soundVolume >= 0 &&
              o.soundVolume <= 20,
          "an option out of its range");
    Check(g_scores.unlockLevel >= 0 && g_scores.unlockLevel <= kMaxUnlockLevel,
          "unlock level out of range");
    for (int row = 0; row < kScoreRows; ++row) {
      const int32_t highestStage = row >= 40 && row < 80 ? 9 : 17;  // extra story: tables 4-7
      Check(g_scores.score[row] >= 0 && g_scores.cards[row] >= 0 && g_scores.stage[row] >= 0 &&
                g_scores.stage[row] <= highestStage,
            "a score row no story run reaches");
    }
    for (int c = 0; c < kSurvivalRows; ++c) {
      const int32_t score = g_survival.bestScore[c];
      const int32_t breaks = g_survival.breaks[c];
      // Each knock-out paid 5000 into the score, unless the score stopped at the top.
      Check(score >= 0 && breaks >= 0 && g_survival.stage[c] >= 0 && g_survival.stage[c] <= 31 &&
                (score == INT32_MAX || int64_t{breaks} * 5000 <= score),
            "a survival row no run reaches");
    }
    for (const auto& player : g_buttonMap.masks) {
      for (int32_t mask : player) {
        Check(mask != 0 && (mask & ~0x0FFFFFF0) == 0, "a button names no pad button");
      }
    }
    if (f.save < 0) continue;
    const OptionSettings options = g_options;
    const ButtonMap buttons = g_buttonMap;
    const ScoreTable scores = g_scores;
    const SurvivalRecord survival = g_survival;
    Check(SaveDataFile(f.path, f.save) == 0, "the save failed");
    Check(LoadDataFile(f.path, f.load) == 0, "the saved file does not load");
    Check(std::memcmp(&options, &g_options, sizeof options) == 0 &&
              std::memcmp(&buttons, &g_buttonMap, sizeof buttons) == 0 &&
              std::memcmp(&scores, &g_scores, sizeof scores) == 0 &&
              std::memcmp(&survival, &g_survival, sizeof survival) == 0,
          "saving and loading changed the record");
  }
}

[[maybe_unused]] void Glyph(const uint8_t* data, size_t size) {
  using namespace veyrdale;
  for (size_t i = 0; i + 4 <= size; i += 4) {
    uint32_t code;
    std::memcpy(&code, data + i, 4);
    GlyphCell cell{-1, -1, -1};
    const bool found = FindGlyphCell(code, &cell);
    Check(found == (code >= kFirstGlyphCode && code <= kLastGlyphCode), "a code misjudged");
    if (!found) continue;
    Check(cell.sheet >= 0 && cell.sheet < kGlyphSheetCount, "sheet out of range");
    // 42 cells of 24 pixels after a margin of 2.
    Check(cell.sourceX >= 2 && cell.sourceX + kGlyphSize <= 2 + 42 * kGlyphSize &&
              cell.sourceY >= 2 && cell.sourceY + kGlyphSize <= 2 + 42 * kGlyphSize,
          "cell outside its sheet");
  }
  std::string text(reinterpret_cast<const char*>(data), size);
  DrawSheetString(0, 0, text.c_str());
}

uint32_t g_random = 0;

uint32_t Random(uint32_t below) {
  g_random = g_random * 1103515245u + 12345u;
  return (g_random >> 16) % below;
}

// The bytes as a peer sends them, in pieces of 1 to 64 bytes, now and then up to 512, with up to
// two passes of the network pump after each, then between() and then the next piece.
template <typename Between>
void FeedInPieces(platform::SocketId socket, const uint8_t* data, size_t size, Between between) {
  for (size_t at = 0, n; at < size; at += n) {
    n = std::min<size_t>(size - at, 1 + Random(Random(8) == 0 ? 512 : 64));
    // Refused once the library has closed the connection: the rest has nowhere to go.
    if (platform::FeedMemorySocket(socket, data + at, static_cast<int>(n)) != 0) return;
    for (uint32_t pass = Random(3); pass > 0; --pass) {
      morrow::PumpNetWorkMessages(1);
      morrow::ProcessHttpTransfers();
    }
    between();
  }
}

// Where a transfer of the reply target puts the body.
enum class BodyOutput { kMemory, kMemoryFile, kRefusingFile };

// A file that takes the first limit bytes written to it and refuses the rest, as a disk that fills
// up does. A refusal takes nothing (a stream of this kind counts a negative answer as bytes).
struct RefusingFile {
  std::string kept;
  size_t limit = 0;
  static ssize_t Write(void* cookie, const char* bytes, size_t n) {
    auto* f = static_cast<RefusingFile*>(cookie);
    const size_t taken = std::min(n, f->limit - f->kept.size());
    f->kept.append(bytes, taken);
    if (taken < n) errno = ENOSPC;
    return static_cast<ssize_t>(taken);
  }
};

// How one transfer of the reply ended, and what the peer was sent.
struct ReplyEnding {
  int result = -1, error = -1, received = 0, length = -1;
  std::string body;  // in the block or the file, on success
  std::string sent;
};

// The request of the reply target's transfers, byte for byte.
std::string RequestOf(int kind, const std::string& post) {
  switch (kind) {
    case morrow::kHttpGet:
      return "GET / HTTP/1.0\r\nHost: fuzz:80\r\nConnection: close\r\n\r\n";
    case morrow::kHttpPost:
      return "POST / HTTP/1.0\nHost: fuzz:80\nContent-Length: " + std::to_string(post.size()) +
             "\n\n" + post;
    default:
      return "HEAD / HTTP/1.0\n\n";
  }
}

// One transfer of the reply through a memory socket that takes the request in short pieces,
// the pieces drawn from seed.
ReplyEnding RunReply(int kind, bool reset, BodyOutput output, const RefusingFile& refusing,
                     bool unbuffered, const std::string& post, const uint8_t* data, size_t size,
                     uint32_t seed) {
  g_random = seed;
  morrow::InitNetWork();
  ReplyEnding e;
  const platform::SocketId socket = platform::OpenMemorySocket(&e.sent);
  platform::AllowMemorySocketSends(socket, 0);
  void* block = nullptr;
  char* memoryFile = nullptr;
  size_t memoryFileSize = 0;
  RefusingFile refused = refusing;
  FILE* file = nullptr;
  if (output == BodyOutput::kMemoryFile) {
    file = open_memstream(&memoryFile, &memoryFileSize);
  } else if (output == BodyOutput::kRefusingFile) {
    file = fopencookie(&refused, "wb", {nullptr, RefusingFile::Write, nullptr, nullptr});
    if (file != nullptr && unbuffered) std::setvbuf(file, nullptr, _IONBF, 0);
  }
  Check(output == BodyOutput::kMemory || file != nullptr, "no body file");
  const bool memory = output == BodyOutput::kMemory;
  const int slot = morrow::StartHttpTransferOver(
      morrow::AdoptNetWorkSocket(socket, 0, 0), kind, "fuzz", 80, "/", memory ? 1 : 0,
      memory ? static_cast<void*>(&block) : file, post.data(), static_cast<int>(post.size()));
  Check(slot >= 0, "the transfer did not start");
  FeedInPieces(socket, data, size,
               [&] { platform::AllowMemorySocketSends(socket, static_cast<int>(Random(48))); });
  // A peer ends once it has the whole request, unless bit 7 of the seed says it ends at once.
  const size_t whole = RequestOf(kind, post).size();
  for (int pass = (seed & 0x80) != 0 ? 8192 : 0; pass < 8192 && e.sent.size() < whole; ++pass) {
    platform::AllowMemorySocketSends(socket, static_cast<int>(1 + Random(48)));
    morrow::PumpNetWorkMessages(1);
    morrow::ProcessHttpTransfers();
    morrow::GetHttpTransferResult(slot, &e.result, nullptr, nullptr);
    if (e.result != -1) break;
  }
  platform::EndMemorySocket(socket, reset);
  // A header line a pass: the input has fewer lines than that.
  for (int pass = 0; pass < 8192 && e.result == -1; ++pass) {
    platform::AllowMemorySocketSends(socket, static_cast<int>(1 + Random(48)));
    morrow::PumpNetWorkMessages(1);
    morrow::ProcessHttpTransfers();
    morrow::GetHttpTransferResult(slot, &e.result, &e.error, &e.received);
  }
  morrow::GetHttpTransferResult(slot, &e.result, &e.error, &e.received);
  e.length = morrow::GetHttpTable().slots[slot]->contentLength;
  morrow::CloseHttpTransfer(slot);
  if (e.result == 0) {
    if (memory && block != nullptr) {
      e.body.assign(static_cast<const char*>(block), static_cast<size_t>(e.received));
    } else if (output == BodyOutput::kMemoryFile) {
      e.body.assign(memoryFile, memoryFileSize);
    } else if (output == BodyOutput::kRefusingFile) {
      e.body = refused.kept;
    }
  }
  morrow::FreeMemory(block);
  std::free(memoryFile);
  morrow::EndNetWork();
  return e;
}

// The first word of a line and whether a number follows it, as the transfer scans a header line:
// words end at white space, and the line at its first NUL.
std::string FirstWord(const std::string& line, bool* number) {
  auto at = [&](size_t p) { return p < line.size() ? line[p] : '\0'; };
  auto space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  size_t p = 0;
  while (at(p) != '\0' && space(at(p))) ++p;
  const size_t start = p;
  while (at(p) != '\0' && !space(at(p))) ++p;
  const std::string word = line.substr(start, p - start);
  while (at(p) != '\0' && space(at(p))) ++p;
  if (at(p) == '+' || at(p) == '-') ++p;
  *number = std::isdigit(static_cast<unsigned char>(at(p))) != 0;
  return word;
}

// Whether the transfer meets a Content-Length line longer than the 255 bytes its line reader
// holds. Lines end at line feeds, and one without counts once it has 255 bytes; after the status
// line, GET and POST read up to the blank line, HEAD up to the first whole length line.
bool MeetsCutLengthLine(const std::string& reply, bool head) {
  for (size_t start = reply.find('\n'); start != std::string::npos;) {
    ++start;
    const size_t end = reply.find('\n', start);
    const size_t length = (end == std::string::npos ? reply.size() : end) - start;
    if (end == std::string::npos && length < 255) return false;
    const std::string line = reply.substr(start, std::min<size_t>(length, 255));
    if (!head && (line.empty() || line == "\r")) return false;
    bool number = false;
    if (FirstWord(line, &number) == "Content-Length:") {
      if (length >= 255) return true;
      if (head && number) return false;
    }
    start = end;
  }
  return false;
}

bool SameEnding(const ReplyEnding& a, const ReplyEnding& b) {
  return a.result == b.result && a.error == b.error && a.received == b.received && a.body == b.body;
}

// The input as an HTTP reply, told to a transfer three times: its body into memory, into a file
// of memory and into a file that refuses writes past a count drawn from the seed.
[[maybe_unused]] void HttpReply(const uint8_t* data, size_t size) {
  if (size < 2) return;
  const int kind = (data[0] & 3) == 3 ? morrow::kHttpGet : data[0] & 3;
  const bool unbuffered = (data[0] & 4) != 0, reset = (data[0] & 8) != 0;
  std::string post;
  if (kind == morrow::kHttpPost) {
    for (int i = 0; i < 3 + 40 * (data[0] >> 4); ++i) post += static_cast<char>('a' + i % 26);
  }
  const std::string reply(reinterpret_cast<const char*>(data + 2), size - 2);
  g_random = data[1];
  RefusingFile refusing;
  refusing.limit = Random(static_cast<uint32_t>(size));
  ReplyEnding ends[3];
  const BodyOutput outputs[3] = {BodyOutput::kMemory, BodyOutput::kMemoryFile,
                                 BodyOutput::kRefusingFile};
  for (int i = 0; i < 3; ++i) {
    ends[i] =
        RunReply(kind, reset, outputs[i], refusing, unbuffered, post, data + 2, size - 2, data[1]);
  }
  const std::string request = RequestOf(kind, post);
  const bool cutLength = MeetsCutLengthLine(reply, kind == morrow::kHttpHead);
  for (const ReplyEnding& e : ends) {
    Check(e.result == 0 || e.result == 2, "the transfer outlived its peer");
    Check(e.result != 0 || !cutLength, "a length line cut short let pass");
    Check(request.compare(0, e.sent.size(), e.sent) == 0, "the peer was sent no request");
    if (e.result != 0) continue;
    Check(e.sent == request, "a reply read before the request went out whole");
    if (kind == morrow::kHttpHead) continue;
    if (e.length >= 0) {
      Check(e.received >= e.length, "a cut body called whole");
      Check(e.received <= e.length, "bytes past the length called the body");
    } else {
      Check(!reset, "a body cut by a reset called whole");
    }
    Check(static_cast<int>(e.body.size()) == e.received, "the body kept is not the body taken");
    // The body comes after the header's blank line: all the rest of the reply when no length was
    // given, else the length's bytes after a line feed.
    bool sent = e.length < 0 && reply.size() >= e.body.size() &&
                reply.compare(reply.size() - e.body.size(), e.body.size(), e.body) == 0;
    for (size_t at = reply.find('\n'); !sent && at != std::string::npos;
         at = reply.find('\n', at + 1)) {
      sent = reply.compare(at + 1, e.body.size(), e.body) == 0;
    }
    Check(sent, "a body the peer did not send");
  }
  // Both modes answer one reply alike, but for a length no block in memory can be made for.
  if (ends[0].length <= morrow::kMaxHttpMemoryBody) {
    Check(SameEnding(ends[0], ends[1]), "memory and file modes differ");
  }
  // The refusing file fails the transfer once the body does not fit, and only then.
  const ReplyEnding& file = ends[1];
  const ReplyEnding& refused = ends[2];
  if (file.result == 0 && static_cast<size_t>(file.received) <= refusing.limit) {
    Check(SameEnding(file, refused), "a file with room failed the transfer");
  } else if (file.result == 0) {
    Check(refused.result == 2 && refused.error == 2, "a file without room called the body");
  } else {
    Check(refused.result == 2, "a refusing file made a failed transfer succeed");
  }
}

[[maybe_unused]] void Framed(const uint8_t* data, size_t size) {
  if (size < 1) return;
  g_random = data[0];
  // The payload the pieces carry, up to a length the connection refuses.
  std::string sent;
  bool refused = false;
  for (size_t at = 1, n; at + 4 <= size && !refused; at += n) {
    uint32_t length;
    std::memcpy(&length, data + at, 4);
    at += 4;
    refused = length > static_cast<uint32_t>(morrow::kMaxNetWorkPieceBytes);
    n = refused ? 0 : std::min<size_t>(length, size - at);
    sent.append(reinterpret_cast<const char*>(data + at), n);
  }
  morrow::InitNetWork();
  const platform::SocketId socket = platform::OpenMemorySocket();
  const int handle = morrow::AdoptNetWorkSocket(socket, 1, 0);
  std::string taken;
  auto take = [&](bool all) {
    const int held = morrow::GetNetWorkDataLength(handle);
    if (held <= 0 || (!all && Random(2) == 0)) return;
    std::string bytes(static_cast<size_t>(all ? held : 1 + Random(held)), '\0');
    // A refused length puts the connection in error, and what it held is lost with it.
    if (morrow::NetWorkRecv(handle, bytes.data(), static_cast<int>(bytes.size())) == 0) {
      taken += bytes;
    } else {
      Check(refused && morrow::GetNetWorkAcceptStateh(handle) == -1, "held bytes not taken");
    }
  };
  FeedInPieces(socket, data + 1, size - 1, [&] { take(false); });
  platform::EndMemorySocket(socket, false);
  // Each pass takes at least a piece until the peer's end is told.
  for (size_t pass = 0; pass <= size && morrow::GetNetWorkAcceptStateh(handle) == 1; ++pass) {
    morrow::PumpNetWorkMessages(1);
  }
  Check(morrow::GetNetWorkAcceptStateh(handle) != 1, "the peer's end was never told");
  // What is left in the socket comes a piece a call.
  for (size_t piece = 0; piece <= size / 4; ++piece) take(true);
  Check(refused ? sent.compare(0, taken.size(), taken) == 0 : taken == sent,
        "what was taken is not the payload sent");
  Check(!refused || morrow::GetNetWorkAcceptStateh(handle) == -1, "a refused length let pass");
  morrow::DropNetWorkHandle(handle);
  morrow::EndNetWork();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
#if FUZZ_READER_MODE == 1
  Midi(data, size);
#elif FUZZ_READER_MODE == 2
  Map(data, size);
#elif FUZZ_READER_MODE == 3
  Data(data, size);
#elif FUZZ_READER_MODE == 4
  Glyph(data, size);
#elif FUZZ_READER_MODE == 5
  HttpReply(data, size);
#elif FUZZ_READER_MODE == 6
  Framed(data, size);
#else
  std::abort();
#endif
  return 0;
}
