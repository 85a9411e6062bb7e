// Writes the seeds of the reader fuzz targets, one folder per target: MIDI files of the test
// writer (plain and RIFF-wrapped, one and two tracks, cut short), arena maps of every shape the
// loader meets, the game's own Data files with their damaged forms, GBK texts and glyph codes at
// the edges of the sheets, and HTTP replies and framed streams.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "game/core/data_files.h"
#include "tests/support/midi_writer.h"

namespace {

std::filesystem::path g_root;
int g_written = 0;

bool Write(const std::string& target, const std::string& name, const std::string& bytes) {
  const std::filesystem::path dir = g_root / target;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "fuzz_reader_seeds: cannot write %s\n", (dir / name).c_str());
    return false;
  }
  ++g_written;
  return true;
}

// The file and a few cuts of it.
bool WriteWithCuts(const std::string& target, const std::string& name, const std::string& bytes) {
  if (!Write(target, name, bytes)) return false;
  const size_t n = bytes.size();
  for (size_t cut : std::set<size_t>{1, n / 3, n / 2, n - 1}) {
    if (cut == 0 || cut >= n) continue;
    if (!Write(target, name + "-cut" + std::to_string(cut), bytes.substr(0, cut))) return false;
  }
  return true;
}

std::string Le32Words(const std::vector<uint32_t>& words) {
  std::string s;
  for (uint32_t w : words) {
    for (int k = 0; k < 4; ++k) s.push_back(static_cast<char>((w >> (8 * k)) & 0xFF));
  }
  return s;
}

bool MidiSeeds() {
  using testsupport::MidiTrack;
  MidiTrack melody;
  melody.Tempo(0, 400000).Program(0, 1, 40).NoteOn(0, 1, 64, 90).NoteOff(96, 1, 64).End();
  MidiTrack drums;
  drums.NoteOn(0, 9, 36, 120).NoteOff(48, 9, 36).NoteOn(48, 9, 38, 100).NoteOff(48, 9, 38).End();
  return WriteWithCuts("midi", "one_note", testsupport::OneNoteMidi(192)) &&
         WriteWithCuts("midi", "two_tracks", testsupport::MidiFile({melody, drums})) &&
         WriteWithCuts("midi", "rmid", testsupport::RmidFile(testsupport::OneNoteMidi(96))) &&
         Write("midi", "header_only", testsupport::MidiHeader(0, 1, 96));
}

// columns and rows as the file's two 16-bit counts, then one byte per cell, column by column.
std::string MapFile(uint32_t columns, uint32_t rows, size_t cells) {
  std::string s;
  for (uint32_t v : {columns, rows}) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
  }
  for (size_t i = 0; i < cells; ++i) s.push_back(static_cast<char>((i * 7) % 5 == 0 ? 1 : 0));
  return s;
}

bool MapSeeds() {
  return WriteWithCuts("map", "arena_20x15", MapFile(20, 15, 300)) &&
         Write("map", "empty_0x0", MapFile(0, 0, 0)) &&
         Write("map", "wide_21x26", MapFile(21, 26, 21 * 26)) &&
         Write("map", "short_20x15", MapFile(20, 15, 120)) &&
         Write("map", "huge_counts", MapFile(0xFFFF, 0xFFFF, 64));
}

// The game's own files, written by its own writer from the records' defaults, and their damaged
// forms.
bool DataSeeds() {
  using namespace veyrdale;
  char pattern[] = "/tmp/reader-seeds-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return false;
  const std::filesystem::path work = pattern;
  const std::filesystem::path back = std::filesystem::current_path();
  std::filesystem::current_path(work);
  bool ok = SaveDataFile(kOptionsFile, kSaveOptions) == 0 &&
            SaveDataFile(kButtonsFile, kSaveButtons) == 0 &&
            SaveDataFile(kScoresFile, kSaveScores) == 0 &&
            SaveDataFile(kSurvivalFile, kSaveSurvival) == 0;
  std::filesystem::current_path(back);
  for (const char* name : {"config.sav", "key.inf", "score.sav", "score_s.sav"}) {
    std::ifstream in(work / "Data" / name, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ok = ok && !bytes.empty() && WriteWithCuts("data", name, bytes);
  }
  std::error_code ec;
  std::filesystem::remove_all(work, ec);
  return ok && Write("data", "window", Le32Words({1, 0, 0, 0})) &&
         Write("data", "zeros80", std::string(80, '\0')) &&
         Write("data", "out_of_range",
               Le32Words({7, 0xFFFFFFFF, 9, 2, 3, 5, 100, 21, 0x80000000, 1, 2})) &&
         Write("data", "keys_with_directions",
               Le32Words({0x1,       0x20,       0x40,  0x80, 0x100, 0x10,      0x30,
                          0x8000000, 0x10000000, 0x100, 0x10, 0x20,  0x40,      0x80,
                          0x100,     0x10,       0x20,  0x40, 0x80,  0xFFFFFFFF})) &&
         Write("data", "odd_length", std::string(7, '\x05'));
}

bool GlyphSeeds() {
  return Write("glyph", "text", "\xb5\xda\xd2\xbb\xd5\xc2 Hello~ rest") &&
         Write("glyph", "lead_byte_at_end", "abc\x81") &&
         Write("glyph", "edge_codes",
               Le32Words({0x8140, 0x813F, 0xFD47, 0xFD48, 0x8140 + 1763, 0x8140 + 1764, 0,
                          0xFFFFFFFF})) &&
         Write("glyph", "long_text", std::string(300, '\xa1'));
}

// Replies behind the HTTP target's two bytes (request, file buffering, end and POST length; the
// pieces' seed and an early end), and framed streams behind the framed target's seed byte.
bool NetworkSeeds() {
  const std::string ok = "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello";
  const std::string frames = Le32Words({3}) + "abc" + Le32Words({0, 5}) + "hello";
  return WriteWithCuts("http_reply", "get_length", std::string("\x04\x01") + ok) &&
         Write("http_reply", "get_to_close_reset", "\x0c\x07HTTP/1.0 200 OK\n\nbody to the end") &&
         Write("http_reply", "post_404", "\x05\x02HTTP/1.0 404 Not Found\r\n\r\n") &&
         Write("http_reply", "head", "\x02\x03HTTP/1.0 200 OK\nServer: s\nContent-Length: 9\n\n") &&
         Write("http_reply", "long_header",
               "\x04\x05HTTP/1.0 200 OK\r\nSet-Cookie: " + std::string(300, 'a') +
                   "\r\nContent-Length: 2\r\n\r\nok") &&
         Write("http_reply", "negative_length",
               "\x03\x0bHTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\n" + std::string(600, 'n')) &&
         Write("http_reply", "negative_length_lf",
               "\x04\x1dHTTP/1.0 200 OK\nServer: s\nContent-Length: -4096\n\n" +
                   std::string(3000, 'm')) &&
         Write("http_reply", "length_line_of_257",
               "\x03\x0eHTTP/1.0 200 OK\r\nContent-Length: " + std::string(239, '0') +
                   "12\r\n\r\nhello world!") &&
         Write(
             "http_reply", "bytes_past_the_length",
             "\x03\x0cHTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello" + std::string(600, 'x')) &&
         Write("http_reply", "length_0_then_bytes",
               "\x04\x0dHTTP/1.0 200 OK\nContent-Length: 0\n\n" + std::string(300, 'z')) &&
         Write("http_reply", "long_body_to_the_end",
               "\x04\x0eHTTP/1.0 200 OK\r\n\r\n" + std::string(3000, 'l')) &&
         Write("http_reply", "long_post", "\xf1\x0fHTTP/1.0 200 OK\nContent-Length: 2\n\nok") &&
         Write("http_reply", "peer_gone_before_the_request",
               "\x01\x85HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok") &&
         WriteWithCuts("framed", "pieces", "\x09" + frames) &&
         Write("framed", "refused_length", "\x01" + Le32Words({3}) + "abc" + Le32Words({~0u}));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_reader_seeds DIR\n");
    return 2;
  }
  g_root = argv[1];
  if (!MidiSeeds() || !MapSeeds() || !DataSeeds() || !GlyphSeeds() || !NetworkSeeds()) return 1;
  std::printf("fuzz_reader_seeds: %d files in %s\n", g_written, g_root.c_str());
  return 0;
}
