#include "game/battle/arena.h"

#include <cstdint>
#include <iterator>

#include "game/battle/access.h"
#include "game/core/data_files.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"

namespace veyrdale {

namespace {

// Division by the cell size, truncating toward zero like the rest of the arena arithmetic. The
// box edges are computed in 64 bits so that no coordinate, however far off, overflows.
int64_t CellOf(int64_t pixel) {
  return pixel / kCellPixels;
}

bool Blocks(int index) {
  int32_t value = g_arenaMap.cells[index];
  return value >= 1 && value != kCellNeverBlocks && g_arenaMap.openTimer[index] <= 0;
}

// MapCellAt without the position, for the tests of the wall moves.
int CellAt(int64_t cx, int64_t cy, int w, int h, int dy) {
  return MapCellAt(SaturateToInt(cx), SaturateToInt(cy), w, h, dy, nullptr, nullptr);
}

int Sign(float value, float old) {
  return value > old ? 1 : value < old ? -1 : 0;
}

// Cell values 1-4 by arena.
constexpr int32_t kBlockStrength[][4] = {
    {280, 444, 0, 0}, {280, 444, 0, 0},   {280, 380, 0, 0}, {280, 380, 0, 0},     {280, 380, 0, 0},
    {280, 380, 0, 0}, {280, 380, 900, 0}, {128, 0, 0, 0},   {320, 280, 666, 280}, {280, 500, 0, 0},
};
static_assert(std::size(kBlockStrength) == kArenaCount, "one row of strengths per arena");

}  // namespace

int BlockStrength(int arena, int value) {
  if (arena < 0 || arena >= kArenaCount || value < 1 || value > 5) return 0;
  const int32_t strength = kBlockStrength[arena][value == 5 ? 3 : value - 1];
  if (arena == 9) return strength;
  if (g_options.obstacleStrength == 0) return strength / 2;
  if (g_options.obstacleStrength == 2) return strength * 2;
  return strength;
}

ArenaMapImage g_arenaMapFiles[kArenaMapFiles];

ArenaMapChoice ArenaMapsOf(int arena) {
  // Arena 7 draws one of maps 5-10.
  constexpr ArenaMapChoice kMaps[] = {{0, 1}, {0, 1}, {1, 1}, {1, 1},  {2, 1},
                                      {3, 1}, {4, 1}, {5, 6}, {11, 1}, {12, 1}};
  static_assert(std::size(kMaps) == kArenaCount, "one row of maps per arena");
  if (arena < 0 || arena >= kArenaCount) return {0, 0};
  return kMaps[arena];
}

void HandOnArenaMaps() {
  for (ArenaMapImage& image : g_arenaMapFiles) image.taken = false;
}

void ApplyArenaMap(const ArenaMapImage& image) {
  if (image.kind != ArenaMapImage::Kind::kRead) return;
  for (int c = 0; c < kMapColumns; ++c) {
    const int rows = image.rows[c] < kMapStorageRows ? image.rows[c] : kMapStorageRows;
    for (int r = 0; r < rows; ++r) {
      const int index = c + kMapColumns * r;
      g_arenaMap.cells[index] = image.cells[index];
    }
  }
  int16_t breakable = 0;
  for (int r = 0; r < kMapRows; ++r) {
    for (int c = 0; c < kMapColumns; ++c) {
      const int32_t value = g_arenaMap.cells[c + kMapColumns * r];
      if (value >= 1 && value <= 3) ++breakable;
    }
  }
  DestructibleCells = breakable;
}

int MapCellAt(int cx, int cy, int w, int h, int dy, int* col, int* row) {
  int64_t halfW = w / 2;
  int64_t halfH = h / 2;
  int64_t right = CellOf(halfW + cx - 1);
  int64_t bottom = CellOf(halfH + cy + dy - 1);
  if (right > kMapColumns || right < 0 || bottom > kMapRows || bottom < 0) return 0;
  int64_t left = CellOf(static_cast<int64_t>(cx) - halfW);
  int64_t top = CellOf(static_cast<int64_t>(cy) - halfH + dy);
  if (left > right) return 0;
  // A box reaching past the left or top edge would read before the grid: cells there are empty.
  if (left < 0) left = 0;
  if (top < 0) top = 0;
  // Column 20 is read as storage index 20 + 20 x row, the first cell of the next row; with
  // right <= 20 and bottom <= 15 every index stays inside the storage.
  int best = 9999;
  for (int64_t c = left; c <= right; ++c) {
    for (int64_t r = top; r <= bottom; ++r) {
      int index = static_cast<int>(c + kMapColumns * r);
      if (Blocks(index) && g_arenaMap.cells[index] < best) {
        best = g_arenaMap.cells[index];
        if (col != nullptr) *col = static_cast<int>(c);
        if (row != nullptr) *row = static_cast<int>(r);
      }
    }
  }
  return best == 9999 ? 0 : best;
}

int MoveWithWalls(float* x, float* y, float oldX, float oldY, int w, int h, int dy) {
  if (CellAt(TruncToInt(*x), TruncToInt(*y), w, h, dy) == 0) return 0;
  int64_t xi = TruncToInt(*x);
  int64_t yi = TruncToInt(*y);
  if (*x == oldX && *y == oldY) return 0;
  int sx = Sign(*x, oldX);
  int sy = Sign(*y, oldY);
  int64_t oy = TruncToInt(oldY);
  int code = 0;
  if (CellAt(xi, oy, w, h, dy) >= 1) {
    int64_t a = w / 2;
    int64_t candidate = xi;
    if (sx == 1) candidate = CellOf(xi + a) * kCellPixels - a;
    if (sx == -1) candidate = (CellOf(xi - a) + 1) * kCellPixels + a;
    if (sx != 0 && CellAt(candidate, oy, w, h, dy) == 0) {
      xi = candidate;
      code = sx == 1 ? 1 : 2;
    }
  }
  if (CellAt(xi, yi, w, h, dy) >= 1) {
    int64_t b = h / 2;
    int64_t candidate = yi;
    if (sy == 1) candidate = CellOf(yi + b + dy) * kCellPixels - b - dy;
    if (sy == -1) candidate = (CellOf(yi - b + dy) + 1) * kCellPixels - dy + b;
    if (sy != 0 && CellAt(xi, candidate, w, h, dy) == 0) {
      yi = candidate;
      code += sy == 1 ? 30 : 40;
    }
  }
  *x = static_cast<float>(SaturateToInt(xi));
  *y = static_cast<float>(SaturateToInt(yi));
  return code;
}

int SnapToWalls(float* x, float* y, float oldX, float oldY, int w, int h, int dy) {
  if (CellAt(TruncToInt(*x), TruncToInt(*y), w, h, dy) == 0) return 0;
  if (*x == oldX && *y == oldY) return 0;
  int sx = Sign(*x, oldX);
  int sy = Sign(*y, oldY);
  int64_t oy = TruncToInt(oldY);
  int code = 0;
  int64_t tx = TruncToInt(*x);
  if (CellAt(tx, oy, w, h, dy) >= 1) {
    if (sx == 1 && CellAt(tx - kCellPixels, oy, w, h, dy) == 0) {
      *x = static_cast<float>(CellOf(tx + w / 2) * 32.0 - w * 0.5);
      code = 1;
    } else if (sx == -1 && CellAt(tx + kCellPixels, oy, w, h, dy) == 0) {
      *x = static_cast<float>(CellOf(tx - w / 2) * 32.0 + w * 0.5 + 32);
      code = 2;
    }
  }
  tx = TruncToInt(*x);
  int64_t ty = TruncToInt(*y);
  if (CellAt(tx, ty, w, h, dy) >= 1) {
    // No free-cell test for y: the shot is put on the near side of the row it entered.
    if (sy == 1) {
      *y = static_cast<float>(CellOf(ty + h / 2 + dy) * 32.0 - h / 2 - dy);
      return 3;
    }
    if (sy == -1) {
      *y = static_cast<float>(CellOf(ty - h / 2 + dy) * 32.0 + h / 2 + 32 - dy);
      return 4;
    }
  }
  return code;
}

}  // namespace veyrdale
