#include "game/battle/arena.h"

#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "game/core/records.h"

namespace {

using veyrdale::g_arenaMap;
using veyrdale::MapCellAt;
using veyrdale::MoveWithWalls;
using veyrdale::SnapToWalls;

struct Cell {
  int c, r, value;
};

// An empty arena with the given cells.
void ResetMap(std::initializer_list<Cell> cells = {}) {
  std::memset(&g_arenaMap, 0, sizeof g_arenaMap);
  for (const Cell& cell : cells) g_arenaMap.cells[cell.c + 20 * cell.r] = cell.value;
}

// The cell's value and its position, or "0", as one text for readable failures.
std::string Query(int cx, int cy, int w, int h, int dy) {
  int col = -1;
  int row = -1;
  int value = MapCellAt(cx, cy, w, h, dy, &col, &row);
  if (value == 0) return "0";
  return std::to_string(value) + " " + std::to_string(col) + " " + std::to_string(row);
}

TEST(Maps, SmallestBlockingValueFirstFound) {
  struct Case {
    const char* what;
    std::initializer_list<Cell> cells;
    int cx, cy, w, h, dy;
    const char* want;
  } cases[] = {
      {"smaller value wins", {{3, 4, 5}, {4, 4, 3}}, 128, 144, 32, 32, 0, "3 4 4"},
      {"tie: lower column first", {{4, 4, 2}, {3, 5, 2}}, 128, 160, 32, 64, 0, "2 3 5"},
      {"tie: lower row in a column", {{3, 5, 2}, {3, 4, 2}}, 128, 160, 32, 64, 0, "2 3 4"},
      {"44 never blocks", {{3, 4, 44}, {4, 4, 45}}, 128, 144, 32, 32, 0, "45 4 4"},
      {"only 44", {{3, 4, 44}}, 128, 144, 32, 32, 0, "0"},
      {"empty", {}, 128, 144, 32, 32, 0, "0"},
      {"dy moves the box down", {{4, 5, 9}}, 144, 144, 2, 2, 32, "9 4 5"},
      {"right column 21 is outside", {{19, 4, 1}}, 660, 144, 32, 32, 0, "0"},
      {"bottom row 16 is outside", {{4, 15, 1}}, 144, 520, 2, 2, 0, "0"},
      {"bottom row 15 is storage", {{4, 15, 8}}, 144, 490, 2, 2, 0, "8 4 15"},
  };
  for (const Case& c : cases) {
    ResetMap(c.cells);
    EXPECT_EQ(Query(c.cx, c.cy, c.w, c.h, c.dy), c.want) << c.what;
  }
}

TEST(Maps, OpenCellsNeverBlock) {
  struct Case {
    int openTimer;
    const char* want;
  } cases[] = {{96, "0"}, {1, "0"}, {0, "5 4 4"}, {-96, "5 4 4"}};
  for (const Case& c : cases) {
    ResetMap({{4, 4, 5}});
    g_arenaMap.openTimer[4 + 20 * 4] = c.openTimer;
    EXPECT_EQ(Query(144, 144, 2, 2, 0), c.want) << "openTimer " << c.openTimer;
  }
}

TEST(Maps, ColumnTwentyReadsTheNextRowsFirstCell) {
  ResetMap({{0, 5, 9}});
  veyrdale::IndexMisses = 0;
  // Columns 19-20 of row 4: column 20 is storage index 20 + 20 x 4, cell (0, 5).
  EXPECT_EQ(Query(630, 144, 32, 2, 0), "9 20 4");
  EXPECT_EQ(veyrdale::IndexMisses, 0);
}

TEST(Maps, BoxesPastTheLeftOrTopEdgeReadOnlyTheGrid) {
  // A left column of -1 would read the last cell of the row above: (19, 4) for row 5.
  ResetMap({{19, 4, 7}});
  EXPECT_EQ(Query(-46, 176, 32, 32, 0), "0");
  ResetMap({{19, 4, 7}, {0, 5, 6}});
  EXPECT_EQ(Query(-46, 176, 32, 32, 0), "6 0 5");
  // A top row of -2 would read before the grid.
  ResetMap({{10, 0, 4}});
  EXPECT_EQ(Query(330, -40, 2, 100, 0), "4 10 0");
  ResetMap();
  EXPECT_EQ(Query(330, -40, 2, 100, 0), "0");
  // Far-off boxes and extreme sizes do not overflow.
  EXPECT_EQ(Query(INT32_MIN, INT32_MIN, 32, 32, 16), "0");
  EXPECT_EQ(Query(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX), "0");
  EXPECT_EQ(Query(0, 0, INT32_MIN, INT32_MIN, INT32_MIN), "0");
}

TEST(Maps, MapCellAtAcceptsNoPositionOutputs) {
  ResetMap({{4, 4, 5}});
  EXPECT_EQ(MapCellAt(144, 144, 2, 2, 0, nullptr, nullptr), 5);
}

struct WallCase {
  const char* what;
  std::initializer_list<Cell> cells;
  float x, y, oldX, oldY;
  int w, h, dy;
  int code;
  float wantX, wantY;
};

void RunWallCases(std::initializer_list<WallCase> cases,
                  int (*move)(float*, float*, float, float, int, int, int)) {
  for (const WallCase& c : cases) {
    ResetMap(c.cells);
    float x = c.x;
    float y = c.y;
    EXPECT_EQ(move(&x, &y, c.oldX, c.oldY, c.w, c.h, c.dy), c.code) << c.what;
    EXPECT_EQ(x, c.wantX) << c.what;
    EXPECT_EQ(y, c.wantY) << c.what;
  }
}

TEST(Maps, MoveWithWallsPushesBackPerAxis) {
  RunWallCases(
      {
          {"right", {{10, 7, 1}}, 306.5f, 200, 300, 200, 32, 32, 16, 1, 304, 200},
          {"left", {{10, 7, 1}}, 365.5f, 200, 372, 200, 32, 32, 16, 2, 368, 200},
          {"right and down", {{10, 6, 1}, {9, 7, 1}}, 306, 196, 300, 190, 32, 32, 16, 31, 304, 192},
          {"left and up",
           {{9, 7, 1}, {10, 6, 1}},
           334.5f,
           220.5f,
           340,
           230,
           32,
           32,
           16,
           42,
           336,
           224},
          {"down", {{5, 7, 1}}, 176, 194.5f, 176, 190, 32, 32, 16, 30, 176, 192},
          {"a blocked push only snaps",
           {{5, 5, 1}},
           176.5f,
           190.25f,
           176.5f,
           184,
           32,
           32,
           16,
           0,
           176,
           190},
          {"up", {{5, 5, 1}}, 176.5f, 190.25f, 176.5f, 196, 32, 32, 16, 40, 176, 192},
          {"no wall keeps fractions",
           {{5, 5, 1}},
           100.5f,
           300.25f,
           99,
           300,
           32,
           32,
           16,
           0,
           100.5f,
           300.25f},
          {"standing still keeps fractions",
           {{10, 7, 1}},
           330.5f,
           210.5f,
           330.5f,
           210.5f,
           32,
           32,
           16,
           0,
           330.5f,
           210.5f},
      },
      MoveWithWalls);
}

TEST(Maps, MoveWithWallsSnapsToWholePixelsOnlyOverAWall) {
  std::initializer_list<Cell> block = {
      {8, 5, 1},  {9, 5, 1},  {10, 5, 1}, {11, 5, 1}, {12, 5, 1}, {8, 6, 1},  {9, 6, 1},
      {10, 6, 1}, {11, 6, 1}, {12, 6, 1}, {8, 7, 1},  {9, 7, 1},  {10, 7, 1}, {11, 7, 1},
      {12, 7, 1}, {8, 8, 1},  {9, 8, 1},  {10, 8, 1}, {11, 8, 1}, {12, 8, 1},
  };
  // Inside a block every candidate is a wall: nothing is pushed, but the position is truncated.
  RunWallCases({{"inside a block", block, 330.6f, 210.3f, 320.7f, 200.2f, 32, 32, 16, 0, 330, 210}},
               MoveWithWalls);
}

TEST(Maps, SnapToWallsCodes) {
  RunWallCases(
      {
          {"down", {{10, 7, 1}}, 330, 222.5f, 330, 215, 8, 8, 0, 3, 330, 220},
          {"up", {{10, 5, 1}}, 330, 193.5f, 330, 200, 8, 8, 0, 4, 330, 196},
          {"right", {{10, 6, 1}}, 317.5f, 200, 310, 200, 8, 8, 0, 1, 316, 200},
          {"left", {{9, 6, 1}}, 322.5f, 200, 330, 200, 8, 8, 0, 2, 324, 200},
          {"no wall", {}, 317.5f, 200.5f, 310, 200, 8, 8, 0, 0, 317.5f, 200.5f},
      },
      SnapToWalls);
}

}  // namespace
