// Resource handles and the tables behind them.
//
// Every resource the library hands out is named by one 32-bit handle: bit 31 clear, the kind in
// bits 27-30, an 11-bit check number in bits 16-26 and the slot in bits 0-15. A handle kept after
// its record was deleted and its slot reused no longer matches the new record's check number.
#pragma once

#include <cstdint>

namespace morrow {

using ResourceHandle = int32_t;

constexpr ResourceHandle kNoHandle = -1;
constexpr ResourceHandle kFrontScreen = -4;
constexpr ResourceHandle kBackScreen = -2;

enum HandleKind : int32_t {
  kGraphHandle = 0x08000000,
  kSoundHandle = 0x10000000,
  kMovieHandle = 0x18000000,
  kFontHandle = 0x20000000,
  kSurface2DHandle = 0x28000000,
  kSurface3DHandle = 0x30000000,
  kSurfaceHandle = 0x38000000,
  kMemoryBlockHandle = 0x40000000,
  kNetworkHandle = 0x48000000,
  kKeyInputHandle = 0x50000000,
  kMusicHandle = 0x58000000,
};

constexpr int kGraphLimit = 30000;
constexpr int kSoundLimit = 4096;
constexpr int kMovieLimit = 100;
constexpr int kFontLimit = 40;
constexpr int kSurface2DLimit = 30000;
constexpr int kSurface3DLimit = 65535;
constexpr int kSurfaceLimit = 65535;
constexpr int kMemoryBlockLimit = 512;
constexpr int kNetworkLimit = 256;
constexpr int kKeyInputLimit = 20;
constexpr int kMusicLimit = 256;

constexpr uint32_t kHandleKindMask = 0x78000000u;
constexpr uint32_t kHandleCheckMask = 0x07FF0000u;
constexpr uint32_t kHandleSlotMask = 0x0000FFFFu;
constexpr uint32_t kMaxCheckNumber = 2047;

constexpr ResourceHandle MakeHandle(HandleKind kind, uint32_t check, int slot) {
  return static_cast<ResourceHandle>(static_cast<uint32_t>(kind) | (check << 16) |
                                     static_cast<uint32_t>(slot));
}

// What every accessor can check without the table: the slot a value names when it is not
// negative, is of this kind and its slot is below the limit; else -1. Whether the slot is in use
// and the check number match is the table's to test.
constexpr int HandleSlotOf(ResourceHandle handle, HandleKind kind, int limit) {
  if (handle < 0) return -1;
  const uint32_t h = static_cast<uint32_t>(handle);
  if ((h & kHandleKindMask) != static_cast<uint32_t>(kind)) return -1;
  const uint32_t slot = h & kHandleSlotMask;
  if (slot >= static_cast<uint32_t>(limit)) return -1;
  return static_cast<int>(slot);
}

constexpr bool CheckNumberMatches(uint32_t checkNumber, ResourceHandle handle) {
  return (checkNumber << 16) == (static_cast<uint32_t>(handle) & kHandleCheckMask);
}

// The table of one kind. Record must start with `uint32_t checkNumber`. Slots hold pointers to
// records the caller allocates (null = free). The checks, slot choice and high-water rules are
// the same for every kind.
template <typename Record, HandleKind Kind, int Limit>
struct HandleTable {
  static constexpr HandleKind kKind = Kind;
  static constexpr int kLimit = Limit;

  Record* slots[Limit] = {};
  int count = 0;
  int highWater = 0;  // one past the highest slot in use; 0 when empty
  uint32_t checkCounter = 0;

  void Clear() {
    for (int i = 0; i < Limit; ++i) slots[i] = nullptr;
    count = 0;
    highWater = 0;
    checkCounter = 0;
  }

  // The five checks, in order: negative, kind, slot limit, empty slot, check number.
  Record* Get(ResourceHandle handle) const {
    const int slot = HandleSlotOf(handle, Kind, Limit);
    if (slot < 0) return nullptr;
    Record* r = slots[slot];
    if (r == nullptr) return nullptr;
    if (!CheckNumberMatches(r->checkNumber, handle)) return nullptr;
    return r;
  }

  bool Full() const { return count >= Limit; }

  // The slot a new record takes: the high-water index while below the limit, else the lowest
  // free slot. -1 when the table is full.
  int FreeSlot() const {
    if (Full()) return -1;
    if (highWater < Limit) return highWater;
    for (int i = 0; i < Limit; ++i) {
      if (slots[i] == nullptr) return i;
    }
    return -1;
  }

  // Puts an allocated record into a slot from FreeSlot, gives it the next check number and
  // returns its handle.
  ResourceHandle Insert(int slot, Record* record) {
    slots[slot] = record;
    record->checkNumber = checkCounter;
    ++checkCounter;
    if (checkCounter > kMaxCheckNumber) checkCounter = 0;
    ++count;
    if (slot == highWater) ++highWater;
    return MakeHandle(Kind, record->checkNumber, slot);
  }

  // Empties the slot of a handle that passed Get; returns the record for the caller to free.
  Record* Remove(ResourceHandle handle) {
    int slot = static_cast<int>(static_cast<uint32_t>(handle) & kHandleSlotMask);
    Record* r = slots[slot];
    slots[slot] = nullptr;
    --count;
    if (slot == highWater - 1) {
      int i = slot;
      while (i > 0 && slots[i - 1] == nullptr) --i;
      highWater = count == 0 ? 0 : i;
    }
    return r;
  }
};

// The table of a kind whose small records live in the table itself: each record carries a
// `uint32_t used` flag in place of a slot pointer and is zero-filled while free. Record must have
// `uint32_t checkNumber` and `uint32_t used`. Checks, slot choice, check numbers and high-water
// rules are those of HandleTable.
template <typename Record, HandleKind Kind, int Limit>
struct InlineHandleTable {
  static constexpr HandleKind kKind = Kind;
  static constexpr int kLimit = Limit;

  Record records[Limit] = {};
  int count = 0;
  int highWater = 0;
  uint32_t checkCounter = 0;

  void Clear() {
    for (int i = 0; i < Limit; ++i) records[i] = Record{};
    count = 0;
    highWater = 0;
    checkCounter = 0;
  }

  Record* Get(ResourceHandle handle) {
    const int slot = HandleSlotOf(handle, Kind, Limit);
    if (slot < 0) return nullptr;
    Record* r = &records[slot];
    if (r->used == 0) return nullptr;
    if (!CheckNumberMatches(r->checkNumber, handle)) return nullptr;
    return r;
  }

  bool Full() const { return count >= Limit; }

  int FreeSlot() const {
    if (Full()) return -1;
    if (highWater < Limit) return highWater;
    for (int i = 0; i < Limit; ++i) {
      if (records[i].used == 0) return i;
    }
    return -1;
  }

  // Marks the slot from FreeSlot used, gives it the next check number and returns its handle.
  ResourceHandle Insert(int slot) {
    Record& r = records[slot];
    r = Record{};
    r.used = 1;
    r.checkNumber = checkCounter;
    ++checkCounter;
    if (checkCounter > kMaxCheckNumber) checkCounter = 0;
    ++count;
    if (slot == highWater) ++highWater;
    return MakeHandle(Kind, r.checkNumber, slot);
  }

  // Zero-fills the record of a handle that passed Get.
  void Remove(ResourceHandle handle) {
    const int slot = static_cast<int>(static_cast<uint32_t>(handle) & kHandleSlotMask);
    records[slot] = Record{};
    --count;
    if (slot == highWater - 1) {
      int i = slot;
      while (i > 0 && records[i - 1].used == 0) --i;
      highWater = count == 0 ? 0 : i;
    }
  }
};

}  // namespace morrow
