// Items made and claimed: CreateItem throws items out of a point, their kind drawn from what the
// player has collected so far; ClaimAllItems sends every item on the field to one player.
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/items.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

int R(int max) {
  return morrow::GetRandomNumber(max);
}

// The modes whose x and y are a map cell rather than pixels.
bool CellMode(int mode) {
  return mode == 0 || mode == 76;
}

bool SpecialMode(int mode) {
  return mode == 76 || mode == 77;
}

// The base kind of an ordinary item: s is the player's collected value scaled, r the draw. The
// richer the player, the richer the rows.
int BaseKind(int s, int r) {
  if (r < 24) return s >= 481 ? 3 : s >= 321 ? 2 : s > 98 ? 1 : 0;
  if (r < 48) return s >= 481 ? 3 : s >= 225 ? 2 : s > 128 ? 1 : 0;
  if (r < 64) return s >= 445 ? 3 : s > 144 ? 2 : 1;
  if (r < 98) return s >= 601 ? 4 : s >= 445 ? 3 : s > 320 ? 2 : 1;
  if (r < 160) return s >= 445 ? 4 : s > 320 ? 3 : 2;
  if (r < 256) return s >= 481 ? 4 : 2;
  if (r < 288) return s > 480 ? 4 : 3;
  if (r < 360) return s >= 601 ? 5 : 3;
  return r > 479 ? 5 : 4;
}

// The kind of an ordinary item; a life item now and then, except on stage 7 and in survival.
int32_t OrdinaryKind(int32_t itemCount) {
  const int s = TruncToInt(0.8 * itemCount);
  const int b = BaseKind(s, R(s + 64));
  const int t = R(b + 32);
  if (t > 32 && g_match.stage != 7 && g_match.survivalMode == 0) {
    return t == 33 ? kSmallLifeItem : kLargeLifeItem;
  }
  return b;
}

}  // namespace

void CreateItem(int x, int y, int count, int mode, int player) {
  // A player outside 0-3 (4 is nobody) has collected nothing and keeps no special count.
  const bool isPlayer = player >= 0 && player < kPlayerCount;
  if (!isPlayer && player != kNobody) ++IndexMisses;
  const int32_t collected = isPlayer ? g_playerState.itemCount[player] : 0;
  float px = static_cast<float>(x);
  float py = static_cast<float>(y);
  if (CellMode(mode)) {
    px = static_cast<float>(int64_t{kCellPixels} * x + kCellPixels / 2);
    py = static_cast<float>(int64_t{kCellPixels} * y + kCellPixels / 2);
  }
  // Counts of 0 or less make nothing.
  for (int slot = 0; slot < kItemCount && count > 0; ++slot) {
    if (g_itemFlags[slot] != 0) continue;
    ItemRecord& item = g_items[slot];
    g_itemFlags[slot] = 1;
    item.x = px;
    item.y = py;
    item.z = -0.1f;
    // Successive items go out in successive quarters.
    item.heading = WrapHeading(R(63) + int64_t{64} * (count % 4));
    const float speed = static_cast<float>(1 + 0.06 * R(24));
    item.vx = VelocityX(item.heading, speed);
    item.vy = VelocityY(item.heading, speed);
    item.vz = static_cast<float>(0.1 * R(16) - 3.0);
    item.age = R(16);
    if (SpecialMode(mode)) {
      item.vx = 0.0f;
      item.vy = 0.0f;
      item.vz = -3.0f;
      item.kind = kSpecialItemKind;
      if (isPlayer) {
        g_playerState.specialItemCount[player] =
            AddSaturated(g_playerState.specialItemCount[player], 1);
      }
    } else {
      item.kind = OrdinaryKind(collected);
    }
    --count;
  }
}

void ClaimAllItems(int player) {
  const BattleObject* claimer = PlayerOrNull(player);
  if (claimer == nullptr || claimer->state >= kStateGhost) return;
  for (int slot = 0; slot < kItemCount; ++slot) {
    if (g_itemFlags[slot] != 1 && g_itemFlags[slot] != 2) continue;
    g_itemFlags[slot] = 2;
    g_items[slot].player = player;
  }
}

}  // namespace veyrdale
