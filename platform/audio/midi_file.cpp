#include "platform/audio/midi_file.h"

#include <cstring>

namespace platform {
namespace {

uint32_t Be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint16_t Be16(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// A variable-length quantity of at most four bytes, all before end.
bool ReadVarLength(const uint8_t*& p, const uint8_t* end, uint32_t* value) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) {
    if (p >= end) return false;
    uint8_t b = *p++;
    v = (v << 7) | (b & 0x7F);
    if ((b & 0x80) == 0) {
      *value = v;
      return true;
    }
  }
  return false;
}

// Walks one track's events; its length in ticks when it ends with an end-of-track event.
bool ParseTrack(const uint8_t* p, const uint8_t* end, int64_t* ticks) {
  int64_t t = 0;
  uint8_t running = 0;
  while (p < end) {
    uint32_t delta = 0;
    if (!ReadVarLength(p, end, &delta)) return false;
    t += delta;
    if (p >= end) return false;
    uint8_t status = *p;
    if ((status & 0x80) != 0) {
      ++p;
    } else {
      // A data byte: the previous channel message's status goes on.
      if (running == 0) return false;
      status = running;
    }
    if (status < 0xF0) {
      running = status;
      int count = (status & 0xE0) == 0xC0 ? 1 : 2;  // program change and channel pressure
      if (end - p < count) return false;
      for (int i = 0; i < count; ++i) {
        if ((p[i] & 0x80) != 0) return false;
      }
      p += count;
      continue;
    }
    // System exclusive and meta events end any running status.
    running = 0;
    uint8_t type = 0;
    if (status == 0xFF) {
      if (p >= end) return false;
      type = *p++;
      if ((type & 0x80) != 0) return false;
    } else if (status != 0xF0 && status != 0xF7) {
      return false;  // real-time and common messages have no place in a file
    }
    uint32_t length = 0;
    if (!ReadVarLength(p, end, &length)) return false;
    if (static_cast<uint64_t>(end - p) < length) return false;
    p += length;
    if (status == 0xFF && type == 0x2F) {
      *ticks = t;
      return true;  // whatever follows the end of the track is ignored
    }
  }
  return false;
}

bool ParseSmf(const uint8_t* data, size_t size, size_t offset, MidiFileInfo* info) {
  const uint8_t* begin = data + offset;
  size_t avail = size - offset;
  if (avail < 14 || std::memcmp(begin, "MThd", 4) != 0) return false;
  uint32_t headerLength = Be32(begin + 4);
  if (headerLength < 6 || headerLength > avail - 8) return false;
  int format = Be16(begin + 8);
  int tracks = Be16(begin + 10);
  int division = Be16(begin + 12);
  if (format > 2 || tracks == 0 || division == 0) return false;
  if ((division & 0x8000) != 0) {
    // Time code: frames per second as a negative byte, ticks per frame in the low byte.
    int fps = -static_cast<int8_t>(division >> 8);
    if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || (division & 0xFF) == 0) return false;
  }
  size_t at = 8 + size_t{headerLength};
  int found = 0;
  int64_t longest = 0;
  while (found < tracks) {
    if (avail - at < 8) return false;
    const uint8_t* chunk = begin + at;
    uint32_t length = Be32(chunk + 4);
    if (length > avail - at - 8) return false;
    if (std::memcmp(chunk, "MTrk", 4) == 0) {
      int64_t ticks = 0;
      if (!ParseTrack(chunk + 8, chunk + 8 + length, &ticks)) return false;
      if (ticks > longest) longest = ticks;
      ++found;
    }
    // Chunks of other types are skipped, as the format asks of readers.
    at += 8 + size_t{length};
  }
  info->offset = offset;
  info->size = at;
  info->format = format;
  info->tracks = tracks;
  info->division = division;
  info->totalTicks = longest;
  return true;
}

}  // namespace

bool HasMidiSignature(const uint8_t* data, size_t size) {
  if (data == nullptr) return false;
  if (size >= 4 && std::memcmp(data, "MThd", 4) == 0) return true;
  return size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "RMID", 4) == 0;
}

bool ParseMidiFile(const uint8_t* data, size_t size, MidiFileInfo* info) {
  if (data == nullptr || info == nullptr || !HasMidiSignature(data, size)) return false;
  if (data[0] == 'M') return ParseSmf(data, size, 0, info);
  // RIFF: the SMF is the "data" chunk's body; chunks are padded to even lengths.
  size_t limit = size;
  uint64_t riffEnd = uint64_t{Le32(data + 4)} + 8;
  if (riffEnd < limit) limit = static_cast<size_t>(riffEnd);
  size_t at = 12;
  while (limit >= 8 && at <= limit - 8) {
    uint32_t length = Le32(data + at + 4);
    if (length > limit - at - 8) return false;
    if (std::memcmp(data + at, "data", 4) == 0) {
      return ParseSmf(data, at + 8 + length, at + 8, info);
    }
    at += 8 + size_t{length} + (length & 1);
  }
  return false;
}

}  // namespace platform
