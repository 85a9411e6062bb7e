// Arena maps and wall collision.
//
// The grid itself (ArenaMap, g_arenaMap) is a battle record, in game/core/records.h.
//
// Box convention of the queries: a box of width w and height h centred on (cx, cy) covers pixel
// columns cx - w/2 to cx + w/2 - 1 and, moved down by dy, rows cy - h/2 + dy to cy + h/2 + dy - 1.
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale {

// Reads a map file ("Resource\\Mpd\\00.mpd"): two little-endian u16 counts (columns, rows), then
// one byte per cell, column by column. Cells the file does not reach keep their values; a file
// that cannot be opened or whose header is incomplete changes nothing. A read map counts its
// breakable cells (values 1 to 3 in the 20 x 15 field) into DestructibleCells.
void LoadArenaMap(const char* path);

// The smallest blocking cell value under the box, its column and row in *col and *row; 0 when
// nothing under the box blocks (col and row are then untouched). col and row may be null.
int MapCellAt(int cx, int cy, int w, int h, int dy, int* col, int* row);

// Moves a point back out of walls along each axis. Code 0 nothing, 1 pushed back while moving
// right, 2 while moving left, plus 30 while moving down, plus 40 while moving up. Once a wall is
// under the box the position becomes whole pixels even when nothing moved it.
int MoveWithWalls(float* x, float* y, float oldX, float oldY, int w, int h, int dy);

// The variant for shots and familiars: 0 nothing, 1 or 2 for x as above, 3 pushed back while
// moving down, 4 while moving up (3 and 4 replace the x code).
int SnapToWalls(float* x, float* y, float oldX, float oldY, int w, int h, int dy);

// The damage that breaks a cell of value 1-5 (5 counts as 4) on arena 0-9, as the obstacle-strength
// option sets it: halved (truncated) at 0, doubled at 2, for every arena but 9. 0 for an arena or
// value outside those ranges. Shots break cells against it and the battle draw chooses the cracked
// picture of a block by it.
int BlockStrength(int arena, int value);

// Cell values 1, 2, 3 and 5 are blocks: they are drawn, and an opening block counts down.
constexpr bool IsBlockValue(int32_t value) {
  return value == 1 || value == 2 || value == 3 || value == 5;
}

}  // namespace veyrdale
