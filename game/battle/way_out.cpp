// The way out of walls that a warp ends with. The random walk draws as it always has, so an arena
// with room gives the same positions; the walk is bounded, though, and a walk that found nothing
// falls back to the nearest free cell, so a dense or full arena cannot hang the battle.
#include <cmath>

#include "game/battle/arena.h"
#include "game/battle/dash.h"
#include "game/battle/motion.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "morrow/system/time.h"

namespace veyrdale {

WayOutNote g_lastWayOuts[kPlayerCount]{};

namespace {

constexpr int kHalfBox = 24;  // players keep 48 by 48 pixels apart

// NaN goes to the low end, so a corrupted position still lands inside.
float Clamp(float v, float low, float high) {
  if (!(v >= low)) return low;
  return v > high ? high : v;
}

bool OnWall(float x, float y) {
  return MapCellAt(TruncToInt(x), TruncToInt(y), 32, 32, 16, nullptr, nullptr) != 0;
}

bool OverlapsPlayer(float x, float y, int p, int j) {
  return j != p && CheckBoxHit(x, y, g_players[j].x, g_players[j].y, kHalfBox, kHalfBox);
}

bool OverlapsAnyPlayer(float x, float y, int p) {
  const int inPlay = PlayersInPlay();
  for (int j = 0; j < inPlay; ++j) {
    if (OverlapsPlayer(x, y, p, j)) return true;
  }
  return false;
}

struct Walk {
  float x;
  float y;
  int pairs = 0;

  bool Spent() const { return pairs >= kWayOutMaxDraws; }
  void ClampToBox() {
    y = Clamp(y, kWayOutTop, kWayOutBottom);
    x = Clamp(x, kWayOutLeft, kWayOutRight);
  }
  void OutOfWalls() {
    while (!Spent() && OnWall(x, y)) {
      ++pairs;
      x += static_cast<float>(morrow::GetRandomNumber(256) - 128);
      y += static_cast<float>(morrow::GetRandomNumber(256) - 128);
    }
    ClampToBox();
  }
  void OffPlayers(int p) {
    const int inPlay = PlayersInPlay();
    for (int j = 0; j < inPlay; ++j) {
      while (!Spent() && OverlapsPlayer(x, y, p, j)) {
        ++pairs;
        x = static_cast<float>(morrow::GetRandomNumber(588) + 32);
        y = static_cast<float>(morrow::GetRandomNumber(400) + 32);
        // The redraw reaches past the box on two sides.
        ClampToBox();
      }
    }
  }
};

}  // namespace

bool WayOutSpotFree(float x, float y, int p, bool avoidPlayers) {
  return !OnWall(x, y) && !(avoidPlayers && OverlapsAnyPlayer(x, y, p));
}

bool NearestFreeCell(float fromX, float fromY, int p, bool avoidPlayers, const CellSpan& span,
                     float* x, float* y) {
  double best = INFINITY;
  for (int c = span.firstColumn; c <= span.lastColumn; ++c) {
    for (int r = span.firstRow; r <= span.lastRow; ++r) {
      const float cx = static_cast<float>(kCellPixels * c + kCellPixels / 2);
      const float cy = static_cast<float>(kCellPixels * r);
      if (!WayOutSpotFree(cx, cy, p, avoidPlayers)) continue;
      const double dx = static_cast<double>(cx) - fromX;
      const double dy = static_cast<double>(cy) - fromY;
      const double d = dx * dx + dy * dy;
      if (d < best) {
        best = d;
        *x = cx;
        *y = cy;
      }
    }
  }
  return best < INFINITY;
}

void WayOutOfWalls(BattleObject* player, int p, bool avoidPlayers) {
  if (player == nullptr || p < 0 || p >= kPlayerCount) {
    ++IndexMisses;
    return;
  }
  const float startX = Clamp(player->x, kWayOutLeft, kWayOutRight);
  const float startY = Clamp(player->y, kWayOutTop, kWayOutBottom);
  Walk walk{player->x, player->y};
  walk.OutOfWalls();
  if (avoidPlayers) walk.OffPlayers(p);
  walk.OutOfWalls();
  if (OnWall(walk.x, walk.y) ||
      (walk.Spent() && avoidPlayers && OverlapsAnyPlayer(walk.x, walk.y, p))) {
    // The nearest free cell; with none the player stays where the warp ended.
    walk.x = startX;
    walk.y = startY;
    NearestFreeCell(startX, startY, p, avoidPlayers, kWayOutCells, &walk.x, &walk.y);
  }
  player->x = walk.x;
  player->y = walk.y;
  WayOutNote& note = g_lastWayOuts[p];
  ++note.count;
  note.avoidPlayers = avoidPlayers;
  note.drawPairs = walk.pairs;
  note.x = walk.x;
  note.y = walk.y;
}

}  // namespace veyrdale
