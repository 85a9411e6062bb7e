// The whole battle state: everything the field table reaches (every pool and side table, the
// per-player arrays, the battle globals, the arena map, the frame state, the set-up and the
// options) and the blocks beside it (field_table.h), byte for byte, as a copy or as hashes. Debug
// builds hash it around each view part of a drawn frame, which must leave it as it found it; the
// tools put a copy back to start frames from the same state, and the drawn frame's guard test
// compares one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace veyrdale {

// Where that state lies: each pool's records, each global's elements, then each block beside the
// table, in that order. The layer check compares it with the data core and the battle define.
struct StateRange {
  unsigned char* address;
  size_t size;
};
std::span<const StateRange> StateRanges();

// A plain copy of the storage, padding included, because it only ever goes back into the same
// storage or is compared with it.
class StateSnapshot {
 public:
  void Take();
  void Restore() const;
  // Whether the storage holds what Take copied, byte for byte.
  bool Matches() const;
  // The first element that no longer holds what Take copied, by its field table name ("p1.life",
  // "cells[3,4]", "RoundFrame"; "shot7, padding at byte 30" for a byte no field covers) into
  // out; false when nothing changed.
  bool FindChange(char* out, size_t size) const;
  size_t bytes() const { return bytes_.size(); }

 private:
  std::vector<unsigned char> bytes_;
};

// A hash of each pool, each global and each block of the same storage (xxHash's XXH3 of its bytes,
// so that no pattern of changes cancels but by chance): far cheaper to take and compare than a
// copy, enough to tell which range a change touched.
class StateHashes {
 public:
  void Take();
  // The first range whose hash differs from Take's, by the name of its pool ("pool eff"), global
  // ("FlashFrames") or block ("g_arenaMapFiles"), into out; false when none does.
  bool FindChange(char* out, size_t size) const;

 private:
  std::vector<uint64_t> hashes_;
  mutable std::vector<uint64_t> now_;  // FindChange's own, kept to spare an allocation a call
};

}  // namespace veyrdale
