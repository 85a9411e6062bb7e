#include "game/battle/access.h"

#include <cstdint>

#include "game/battle/arena.h"

namespace veyrdale {

namespace {

// Read by MoveRow for every row outside the table; never written.
const MoveTableEntry kZeroRow{};

template <typename T, int N>
T* PoolSlot(T (&pool)[N], int i) {
  if (i < 0 || i >= N) {
    ++IndexMisses;
    return nullptr;
  }
  return &pool[i];
}

}  // namespace

BattleObject* PlayerOrNull(int i) {
  if (i == kNobody) return nullptr;
  return PoolSlot(g_players, i);
}

bool PoweredUp(int p) {
  return PoolSlot(g_playerState.powerUp, p) != nullptr && g_playerState.powerUp[p] > 0;
}

BattleObject* ShotAt(int slot) {
  return PoolSlot(g_shots, slot);
}

BattleObject* FamiliarAt(int i) {
  return PoolSlot(g_familiars, i);
}

int ShotSlotOf(const BattleObject* record) {
  // Compare as integers: relational comparison of pointers into different arrays is unspecified.
  auto address = reinterpret_cast<uintptr_t>(record);
  auto first = reinterpret_cast<uintptr_t>(&g_shots[0]);
  if (address < first) return -1;
  uintptr_t offset = address - first;
  if (offset % sizeof(BattleObject) != 0) return -1;
  uintptr_t slot = offset / sizeof(BattleObject);
  return slot < static_cast<uintptr_t>(kShotCount) ? static_cast<int>(slot) : -1;
}

int CellIndex(int c, int r) {
  if (c < 0 || c >= kMapColumns || r < 0 || r >= kMapStorageRows) {
    ++IndexMisses;
    return -1;
  }
  return c + kMapColumns * r;
}

int32_t CellValue(int c, int r) {
  int i = CellIndex(c, r);
  return i < 0 ? 0 : g_arenaMap.cells[i];
}

void SetCell(int c, int r, int32_t value) {
  int i = CellIndex(c, r);
  if (i >= 0) g_arenaMap.cells[i] = value;
}

const MoveTableEntry& MoveRow(int owner, int move) {
  if (owner < 0 || owner > kNobody || move < 0 || move > 16) {
    ++IndexMisses;
    return kZeroRow;
  }
  return MoveTable[owner * 16 + move];
}

const char* CharacterCodeOf(int id) {
  if (id < 0 || id >= 16) {
    ++IndexMisses;
    return "";
  }
  return CharacterCode[id];
}

}  // namespace veyrdale
