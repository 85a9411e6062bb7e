// Checked accessors: the only way a value that came from data (a record field, a map, a script)
// becomes an index into a pool or table. Out of range, the caller gets null, 0 or a shared zero
// row, writes are skipped, and IndexMisses counts the case, so a fault shows in tests and soaks
// instead of corrupting memory.
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale {

// The player record 0-3. 4 means nobody: null without counting a miss.
BattleObject* PlayerOrNull(int i);
// Whether player p (0-3) is powered up; false for any other index.
bool PoweredUp(int p);
BattleObject* ShotAt(int slot);
// The shot slot of a record, found from its address; -1 for a record outside the shot pool.
int ShotSlotOf(const BattleObject* record);
BattleObject* FamiliarAt(int i);

// Map storage, 20 columns by 25 rows. Reads outside give 0, writes outside are skipped.
int CellIndex(int c, int r);  // c + 20 x r, or -1
int32_t CellValue(int c, int r);
void SetCell(int c, int r, int32_t value);

// Row owner x 16 + move for owner 0-4 and move 0-16 (move 0 is the previous owner's move 16, the
// same storage); anything else gives a shared zero row.
const MoveTableEntry& MoveRow(int owner, int move);

// The character's two-letter code; "" for an index outside 0-15.
const char* CharacterCodeOf(int id);

}  // namespace veyrdale
