// Small builders of sound files for tests: RIFF WAVE images with any chunks, and integer PCM.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

inline void PutLe16(std::string* s, uint32_t v) {
  s->push_back(static_cast<char>(v & 0xFF));
  s->push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void PutLe32(std::string* s, uint32_t v) {
  PutLe16(s, v & 0xFFFF);
  PutLe16(s, v >> 16);
}

// A chunk: id, size field (the body's length unless given), body, and the pad byte after an
// odd body.
inline std::string Chunk(const std::string& id, const std::string& body, int64_t sizeField = -1,
                         bool pad = true) {
  std::string c = id;
  PutLe32(&c,
          sizeField >= 0 ? static_cast<uint32_t>(sizeField) : static_cast<uint32_t>(body.size()));
  c += body;
  if (pad && (body.size() & 1) != 0) c.push_back('\0');
  return c;
}

// The 16-byte common part of a format chunk; extraSize >= 0 appends the 18-byte form's field.
inline std::string FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign,
                              uint16_t bits, int extraSize = -1) {
  std::string f;
  PutLe16(&f, tag);
  PutLe16(&f, channels);
  PutLe32(&f, rate);
  PutLe32(&f, rate * blockAlign);
  PutLe16(&f, blockAlign);
  PutLe16(&f, bits);
  if (extraSize >= 0) PutLe16(&f, static_cast<uint32_t>(extraSize));
  return f;
}

inline std::string PcmFormatBody(uint16_t channels, uint32_t rate, uint16_t bits) {
  return FormatBody(1, channels, rate, static_cast<uint16_t>(channels * bits / 8), bits);
}

// "RIFF" size "WAVE" followed by the chunks as given.
inline std::string Riff(const std::string& chunks) {
  std::string w = "RIFF";
  PutLe32(&w, static_cast<uint32_t>(4 + chunks.size()));
  return w + "WAVE" + chunks;
}

inline std::string PcmWave(uint16_t channels, uint32_t rate, uint16_t bits,
                           const std::string& pcm) {
  return Riff(Chunk("fmt ", PcmFormatBody(channels, rate, bits)) + Chunk("data", pcm));
}

// 16-bit little-endian samples.
inline std::string Samples16(const std::vector<int16_t>& v) {
  std::string s;
  for (int16_t x : v) PutLe16(&s, static_cast<uint16_t>(x));
  return s;
}

inline std::vector<int16_t> ToSamples16(const std::string& bytes) {
  std::vector<int16_t> v(bytes.size() / 2);
  for (size_t i = 0; i < v.size(); ++i) {
    v[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
  }
  return v;
}

}  // namespace testsupport
