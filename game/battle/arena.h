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

// An arena map file as the flow read it when it set the stage up (game/flow/flow.h): the cells it
// gives, within the grid's storage. The file is two little-endian u16 counts (columns, rows),
// then one byte per cell, column by column; cells it does not reach are not in the image.
struct ArenaMapImage {
  // kNotRead: the stage's set-up did not read it (a round on it stops debug builds);
  // kUnreadable: the file could not be opened, or ended inside its header.
  enum class Kind : uint8_t { kNotRead, kUnreadable, kRead };
  Kind kind = Kind::kNotRead;
  // Debug builds: a round has taken it since the read and no round end has handed it on to the
  // next round of the same match (HandOnArenaMaps). A match's first round on a map read and taken
  // stops debug builds: its set-up left the maps of an earlier match.
  bool taken = false;
  uint8_t rows[kMapColumns] = {};  // how many rows of each column the file gives, at most 25
  uint8_t cells[kMapCells] = {};   // the file's bytes at their cells' indexes, c + 20 x r
};

// The arena maps a stage can use, read by the flow when it sets the stage up: entry n holds
// "Resource\\Mpd\\<n, two digits>.mpd". The battle never reads a file itself.
constexpr int kArenaMapFiles = 13;
extern ArenaMapImage g_arenaMapFiles[kArenaMapFiles];

// The maps the round start of arena `arena` chooses from: entries first to first + count - 1 of
// g_arenaMapFiles (arena 7 draws one of six each round); count 0 for an arena without a map.
struct ArenaMapChoice {
  int first;
  int count;
};
ArenaMapChoice ArenaMapsOf(int arena);

// A round end after which the match goes on to another round on the maps its set-up read hands
// them on to that round (only debug builds take them).
void HandOnArenaMaps();

// A map that was read, written over the cells as its file would be: the cells it does not reach
// keep their values, and the breakable cells (values 1 to 3 in the 20 x 15 field) are counted
// into DestructibleCells. A map not read, or unreadable, changes nothing.
void ApplyArenaMap(const ArenaMapImage& image);

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

// The damage that breaks a cell of value 1-5 (5 counts as 4) on an arena, as the obstacle-strength
// option sets it: halved (truncated) at 0, doubled at 2, for every arena but 9. 0 for an arena or
// value outside those ranges. Shots break cells against it and the battle draw chooses the cracked
// picture of a block by it.
int BlockStrength(int arena, int value);

// Cell values 1, 2, 3 and 5 are blocks: they are drawn, and an opening block counts down.
constexpr bool IsBlockValue(int32_t value) {
  return value == 1 || value == 2 || value == 3 || value == 5;
}

}  // namespace veyrdale
