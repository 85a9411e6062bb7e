#include "tools/lib/demoresources/rules.h"

#include <cstdint>
#include <cstdio>

#include "game/battle/arena.h"
#include "game/flow/flow.h"
#include "platform/codepage.h"
#include "tools/lib/demoresources/content.h"

namespace demo {

namespace {

std::string Hex(unsigned byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02x", byte & 0xFF);
  return text;
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool Has(size_t n) const { return bytes_.size() - pos_ >= n; }
  size_t pos() const { return pos_; }
  uint8_t Byte() { return static_cast<uint8_t>(bytes_[pos_++]); }
  uint32_t Be(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | Byte();
    return v;
  }
  std::string_view Take(size_t n) {
    std::string_view s = bytes_.substr(pos_, n);
    pos_ += n;
    return s;
  }
  // A variable-length quantity of at most four bytes.
  bool Vlq(uint32_t* out) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      if (!Has(1)) return false;
      uint8_t b = Byte();
      v = (v << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) {
        *out = v;
        return true;
      }
    }
    return false;
  }

 private:
  std::string_view bytes_;
  size_t pos_ = 0;
};

std::string CheckTrack(std::string_view track, int* notes) {
  Reader r(track);
  uint8_t status = 0;
  while (r.Has(1)) {
    uint32_t delta;
    if (!r.Vlq(&delta)) return "bad delta time";
    if (!r.Has(1)) return "event missing after a delta time";
    uint8_t b = r.Byte();
    if (b == 0xFF) {
      if (!r.Has(1)) return "truncated meta event";
      uint8_t type = r.Byte();
      uint32_t length;
      if (!r.Vlq(&length) || !r.Has(length)) return "truncated meta event";
      r.Take(length);
      if (type == 0x2F) return r.Has(1) ? "events after the end of the track" : "";
      continue;
    }
    if (b == 0xF0 || b == 0xF7) {
      uint32_t length;
      if (!r.Vlq(&length) || !r.Has(length)) return "truncated system exclusive event";
      r.Take(length);
      continue;
    }
    uint8_t first;
    if (b & 0x80) {
      if (b >= 0xF0) return "unexpected status " + Hex(b);
      status = b;
      if (!r.Has(1)) return "truncated channel event";
      first = r.Byte();
    } else {
      if (status == 0) return "data byte without a status";
      first = b;  // running status
    }
    if (first & 0x80) return "status " + Hex(first) + " where data was due";
    int kind = status & 0xF0;
    if (kind != 0xC0 && kind != 0xD0) {
      if (!r.Has(1)) return "truncated channel event";
      uint8_t second = r.Byte();
      if (second & 0x80) return "status " + Hex(second) + " where data was due";
      if (kind == 0x90 && second > 0) ++*notes;
    }
  }
  return "no end-of-track event";
}

// RIFF WAVE of the demo's one format, its data chunk exactly as long as the file says, and of a
// length from minMs to maxMs.
std::string CheckWave(std::string_view bytes, uint32_t minMs, uint32_t maxMs) {
  auto le = [&](size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
    return v;
  };
  if (bytes.size() < 44 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 8) != "WAVEfmt ") {
    return "not a RIFF WAVE file";
  }
  if (le(4, 4) != bytes.size() - 8) return "RIFF size differs from the file";
  if (le(16, 4) != 16 || le(20, 2) != 1 || le(22, 2) != 1 || le(24, 4) != kSoundRate ||
      le(34, 2) != 16) {
    return "not 16-bit mono PCM at 22050 Hz";
  }
  if (bytes.substr(36, 4) != "data" || le(40, 4) != bytes.size() - 44) {
    return "data chunk differs from the file";
  }
  uint32_t ms = (le(40, 4) / 2) * 1000 / kSoundRate;
  if (ms < minMs || ms > maxMs) return "length " + std::to_string(ms) + " ms";
  return "";
}

}  // namespace

std::string CheckSound(std::string_view bytes) {
  return CheckWave(bytes, 49, 150);
}

std::string CheckWaveMusic(std::string_view bytes) {
  return CheckWave(bytes, 1000, 10000);
}

std::string CheckMusic(std::string_view bytes) {
  Reader r(bytes);
  if (!r.Has(14) || r.Take(4) != "MThd") return "not a MIDI file";
  if (r.Be(4) != 6) return "bad header length";
  uint32_t format = r.Be(2), tracks = r.Be(2), division = r.Be(2);
  if (format > 1) return "MIDI format " + std::to_string(format);
  if (tracks == 0 || (format == 0 && tracks != 1)) return "bad track count";
  if (division == 0) return "no time division";
  int notes = 0;
  for (uint32_t t = 0; t < tracks; ++t) {
    if (!r.Has(8) || r.Take(4) != "MTrk") return "track " + std::to_string(t) + " missing";
    uint32_t length = r.Be(4);
    if (!r.Has(length)) return "track " + std::to_string(t) + " truncated";
    std::string fault = CheckTrack(r.Take(length), &notes);
    if (!fault.empty()) return "track " + std::to_string(t) + ": " + fault;
  }
  if (r.Has(1)) return "bytes after the last track";
  if (notes == 0) return "no notes";
  return "";
}

std::string CheckMapFile(std::string_view bytes, int n) {
  constexpr size_t kSize = 4 + kMapColumns * kMapRows;
  if (bytes.size() != kSize) return "size " + std::to_string(bytes.size()) + ", not 304";
  auto u16 = [&](size_t at) {
    return static_cast<uint8_t>(bytes[at]) | (static_cast<uint8_t>(bytes[at + 1]) << 8);
  };
  if (u16(0) != kMapColumns || u16(2) != kMapRows) {
    return "grid " + std::to_string(u16(0)) + " x " + std::to_string(u16(2)) + ", not 20 x 15";
  }
  int count[256] = {};
  for (size_t i = 4; i < bytes.size(); ++i) ++count[static_cast<uint8_t>(bytes[i])];
  if (count[1] + count[2] + count[3] == 0) return "no breakable cell";
  if (n == 11 && (count[3] != 1 || count[2] != 1)) {
    return "cells of 3 and 2: " + std::to_string(count[3]) + " and " + std::to_string(count[2]) +
           ", not one each";
  }
  return "";
}

std::string CheckMapStarts(const char* gamePath) {
  using namespace veyrdale;
  g_arenaMap = ArenaMap{};
  // A cell no map writes would otherwise pass as empty: mark every cell blocking first, so a
  // short file fails here as well.
  for (int32_t& cell : g_arenaMap.cells) cell = 99;
  LoadArenaMap(gamePath);
  for (const StartPoint& s : StartPoints()) {
    int col = -1, row = -1;
    // The player's own box: 32 x 32 from its y down, as the battle moves it.
    if (MapCellAt(s.x, s.y, 32, 32, 16, &col, &row) != 0) {
      return "cell " + std::to_string(col) + "," + std::to_string(row) + " blocks the start at " +
             std::to_string(s.x) + "," + std::to_string(s.y);
    }
  }
  return "";
}

std::string CheckScript(std::string_view bytes, bool finalStage) {
  const int rowLimit = finalStage ? 48 : 24;
  int row = 0, column = 0;
  bool afterCharacter = false;  // "~" and "\" belong right after a character
  // An entry keeps the page before it shown, so it belongs after a page of the script's own.
  bool afterPage = false;
  size_t i = 0;
  auto at = [&](size_t k) { return static_cast<uint8_t>(bytes[k]); };
  auto where = [&](size_t k) { return " at byte " + std::to_string(k); };
  while (i < bytes.size()) {
    uint8_t b = at(i);
    bool wasAfter = afterCharacter;
    afterCharacter = false;
    const bool wasAfterPage = afterPage;
    afterPage = false;
    switch (b) {
      case '#':
        afterPage = wasAfterPage;
        while (i < bytes.size() && at(i) != '\n') ++i;
        continue;
      case '\n':
      case '\r':
        afterPage = wasAfterPage;
        ++i;
        continue;
      case '>':
        if (i + 3 >= bytes.size()) return "truncated speaker command" + where(i);
        if (at(i + 1) != '1' && at(i + 1) != '2') return "speaker slot not 1 or 2" + where(i);
        if (!((at(i + 2) >= 'A' && at(i + 2) <= 'J') || at(i + 2) == 'P')) {
          return "portrait letter not A-J or P" + where(i);
        }
        if (at(i + 3) < '0' || at(i + 3) > '9') return "expression not a digit" + where(i);
        i += 4;
        continue;
      case 'E':
      case 'G':
      case 'N':
        ++i;
        continue;
      case 'D':
        row = column = 0;
        ++i;
        continue;
      case 'B':
        if (i + 1 >= bytes.size() || (at(i + 1) != '1' && at(i + 1) != '2')) {
          return "blackout command not B1 or B2" + where(i);
        }
        i += 2;
        continue;
      case 'S':
        if (i + 1 >= bytes.size() || at(i + 1) < '1' || at(i + 1) > '7') {
          return "effect command not S1-S7" + where(i);
        }
        i += 2;
        continue;
      case '!':
        if (finalStage) return "entry command in the final stage's text" + where(i);
        if (!wasAfterPage) return "entry command not after a page end" + where(i);
        if (i + 1 >= bytes.size() || at(i + 1) < '1' || at(i + 1) > '4') {
          return "entry command not !1-!4" + where(i);
        }
        afterPage = true;
        i += 2;
        continue;
      case '$':
      case 'M':
      case 'T':
      case 'P':
        return std::string("command ") + static_cast<char>(b) + " needs a running battle" +
               where(i);
      case '~':
        if (!wasAfter) return "row end not after a character" + where(i);
        ++row;
        column = 0;
        ++i;
        if (row == 3 && (i >= bytes.size() || at(i) != '\\')) {
          return "a fourth row on the page" + where(i);
        }
        afterCharacter = true;  // a page end may follow
        continue;
      case '\\':
        if (!wasAfter) return "page end not after a character" + where(i);
        row = column = 0;
        afterPage = true;
        ++i;
        continue;
      case '_':
        for (size_t k = i + 1; k < bytes.size(); ++k) {
          if (at(k) != '\n' && at(k) != '\r') return "bytes after the end mark" + where(k);
        }
        return "";
      default:
        break;
    }
    if (b < 0x81 || b == 0xFF) return "stray byte " + Hex(b) + where(i);
    if (i + 1 >= bytes.size()) return "character cut short" + where(i);
    uint8_t trail = at(i + 1);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return "bad second byte" + where(i);
    std::string utf8 = platform::GbkToUtf8(bytes.substr(i, 2));
    if (utf8.find('?') != std::string::npos) return "not a GBK character" + where(i);
    i += 2;
    afterCharacter = true;
    if (++column == rowLimit) {
      // The row ends by count; a "~" right after it is taken with it.
      ++row;
      column = 0;
      if (i < bytes.size() && at(i) == '~') {
        ++i;
      }
      if (row == 3 && (i >= bytes.size() || at(i) != '\\'))
        return "a fourth row on the page" + where(i);
    }
  }
  return "no end mark";
}

}  // namespace demo
