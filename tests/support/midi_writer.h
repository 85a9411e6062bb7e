// A tiny standard MIDI file writer for tests: tracks of timed events, the header, and the RIFF
// "RMID" wrapping.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

inline void PutBe16(std::string* s, uint32_t v) {
  s->push_back(static_cast<char>((v >> 8) & 0xFF));
  s->push_back(static_cast<char>(v & 0xFF));
}
inline void PutBe32(std::string* s, uint32_t v) {
  PutBe16(s, v >> 16);
  PutBe16(s, v & 0xFFFF);
}

// A variable-length quantity (values up to 0x0FFFFFFF take at most four bytes).
inline std::string VarLength(uint32_t v) {
  std::string out(1, static_cast<char>(v & 0x7F));
  while ((v >>= 7) != 0) out.insert(out.begin(), static_cast<char>(0x80 | (v & 0x7F)));
  return out;
}

// The events of one track, each after its delta time in ticks.
class MidiTrack {
 public:
  MidiTrack& Raw(uint32_t delta, const std::string& bytes) {
    body_ += VarLength(delta) + bytes;
    return *this;
  }
  // Microseconds per quarter note.
  MidiTrack& Tempo(uint32_t delta, uint32_t microseconds) {
    return Raw(delta,
               std::string("\xFF\x51\x03", 3) +
                   Bytes({microseconds >> 16, (microseconds >> 8) & 0xFF, microseconds & 0xFF}));
  }
  MidiTrack& Program(uint32_t delta, int channel, int program) {
    return Raw(delta,
               Bytes({0xC0u | static_cast<uint32_t>(channel), static_cast<uint32_t>(program)}));
  }
  MidiTrack& NoteOn(uint32_t delta, int channel, int key, int velocity) {
    return Raw(delta, Bytes({0x90u | static_cast<uint32_t>(channel), static_cast<uint32_t>(key),
                             static_cast<uint32_t>(velocity)}));
  }
  MidiTrack& NoteOff(uint32_t delta, int channel, int key) {
    return Raw(delta,
               Bytes({0x80u | static_cast<uint32_t>(channel), static_cast<uint32_t>(key), 64}));
  }
  MidiTrack& End(uint32_t delta = 0) { return Raw(delta, std::string("\xFF\x2F\x00", 3)); }

  const std::string& body() const { return body_; }
  // The "MTrk" chunk; lengthField replaces the true length when given.
  std::string Chunk(int64_t lengthField = -1) const {
    std::string c = "MTrk";
    PutBe32(&c, lengthField >= 0 ? static_cast<uint32_t>(lengthField)
                                 : static_cast<uint32_t>(body_.size()));
    return c + body_;
  }

  static std::string Bytes(std::initializer_list<uint32_t> values) {
    std::string s;
    for (uint32_t v : values) s.push_back(static_cast<char>(v & 0xFF));
    return s;
  }

 private:
  std::string body_;
};

inline std::string MidiHeader(int format, int tracks, int division, uint32_t length = 6) {
  std::string h = "MThd";
  PutBe32(&h, length);
  PutBe16(&h, static_cast<uint32_t>(format));
  PutBe16(&h, static_cast<uint32_t>(tracks));
  PutBe16(&h, static_cast<uint32_t>(division));
  return h;
}

inline std::string MidiFile(const std::vector<MidiTrack>& tracks, int division = 96,
                            int format = -1) {
  if (format < 0) format = tracks.size() == 1 ? 0 : 1;
  std::string f = MidiHeader(format, static_cast<int>(tracks.size()), division);
  for (const MidiTrack& t : tracks) f += t.Chunk();
  return f;
}

// One piano note lasting `ticks` at 96 ticks and 500000 microseconds a quarter note, so 192
// ticks are one second.
inline std::string OneNoteMidi(uint32_t ticks) {
  MidiTrack t;
  t.Tempo(0, 500000).Program(0, 0, 0).NoteOn(0, 0, 60, 100).NoteOff(ticks, 0, 60).End();
  return MidiFile({t});
}

// The SMF inside a RIFF "RMID" file's "data" chunk.
inline std::string RmidFile(const std::string& smf) {
  std::string data = "data";
  auto le32 = [](std::string* s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s->push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  le32(&data, static_cast<uint32_t>(smf.size()));
  data += smf;
  if (smf.size() % 2 != 0) data.push_back('\0');
  std::string riff = "RIFF";
  le32(&riff, static_cast<uint32_t>(4 + data.size()));
  return riff + "RMID" + data;
}

}  // namespace testsupport
