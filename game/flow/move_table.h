// The characters' built-in move data and its installation into the move table.
//
// Each character has a block of 16 move rows (row r describes move r + 1; the rows of moves a
// character does not have are zero), and objects that belong to nobody have a neutral block. A
// resource load copies the block of each player's character into that player's rows of MoveTable,
// so the attack input and shot creation read move data by player and move number alone.
#pragma once

#include "game/core/records.h"

namespace veyrdale {

constexpr int kNeutralBlock = 16;
constexpr int kMovesPerBlock = 16;

// Blocks 0-15 by character, block 16 the neutral block.
extern const MoveTableEntry CharacterMoveBlocks[17][kMovesPerBlock];

// The number of moves each block has (its non-zero rows, moves 1 to n).
extern const int kBlockMoveCounts[17];

// The resource loader's move-table step: rows owner x 16 + 1 to owner x 16 + 16 of each player
// below the player count take the block of the player's character; owner 4 takes the neutral
// block. Players at or above the count keep their rows. At most four players are installed, and a
// player whose character is outside 0-15 keeps its rows.
void InstallMoveTable();

}  // namespace veyrdale
