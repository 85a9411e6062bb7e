// One frame of an item: its fall or slide, the flight of a claimed item to its player, the bounces
// at the arena's edge and its walls, and its attraction and pickup.
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/battle/effects.h"
#include "game/battle/items.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

namespace {

constexpr int kAttractRadius = 64;
constexpr int kPickupRadius = 24;
constexpr float kHomingSpeed = 10.0f;
constexpr int32_t kMaxMeter = 700;
constexpr int32_t kMaxLife = 350;
constexpr float kMaxGauge = 200.0f;

// The arena box an item bounces inside.
constexpr float kLeft = 12.0f;
constexpr float kRight = 628.0f;
constexpr float kTop = 24.0f;
constexpr float kBottom = 460.0f;

PlayerBattleState& S() {
  return g_playerState;
}

// A value that leaves [low, high] is put back on the edge and its velocity turned round.
void Bounce(float& position, float& velocity, float low, float high) {
  if (position < low) {
    position = low;
    velocity = -velocity;
  } else if (position > high) {
    position = high;
    velocity = -velocity;
  }
}

// The flight of a claimed item to its player: it turns to face the player and flies along that
// heading; a player once knocked out lets it go. A stored player outside 0-3 lets it go at once.
void HomeOnPlayer(ItemRecord& item, int slot) {
  const BattleObject* player = PlayerOrNull(item.player);
  if (player == nullptr) {
    g_itemFlags[slot] = 1;
    return;
  }
  item.heading = HeadingBetween(item.x, item.y, player->x, player->y);
  item.vx = VelocityX(item.heading, kHomingSpeed);
  item.vy = VelocityY(item.heading, kHomingSpeed);
  if (player->state > kStateInert) {
    g_itemFlags[slot] = 1;
    item.vx = static_cast<float>(item.vx * 0.5);
    item.vy = static_cast<float>(item.vy * 0.5);
  }
}

// Player p takes the item: gauge or collected value, survival's points effect, score, meter or
// life, and perhaps a special item for a player low on life.
void TakeItem(const ItemRecord& item, int slot, int p) {
  g_itemFlags[slot] = 0;
  BattleObject& player = g_players[p];
  const int64_t kind = item.kind;
  if (kind == kSpecialItemKind) {
    S().spellGauge[p] += 100.0f;
    if (S().spellGauge[p] >= 300.0f) {
      S().score[p] = AddSaturated(S().score[p], 20000);
      ClaimAllItems(p);
    }
    if (S().spellGauge[p] > kMaxGauge) S().spellGauge[p] = kMaxGauge;
  } else {
    S().itemCount[p] = AddSaturated(S().itemCount[p], kind + 1);
  }
  const int64_t points = kind == kSpecialItemKind ? 7800 : (kind + 1) * 100;
  if (g_match.survivalMode > 0 && p == 0) {
    // The effect shows the number it finds in its source's owner.
    BattleObject source = EffectSource(player.kind, player.x, player.y);
    source.owner = static_cast<int16_t>((kind + 1) * 100);
    CreateEffect(&source, 85);
  }
  PlaySoundEntry(kSoundItem);
  S().score[p] = AddSaturated(S().score[p], points);
  if (kind == kSmallLifeItem) {
    player.life = AddSaturated(player.life, 3);
  } else if (kind == kLargeLifeItem) {
    player.life = AddSaturated(player.life, 7);
  } else {
    player.meter += static_cast<float>(2 * kind + 25);
  }
  if (player.meter > kMaxMeter) player.meter = kMaxMeter;
  if (player.life > kMaxLife) player.life = kMaxLife;
  GiveLowLifeItem(p);
}

}  // namespace

void CheckItemPickup(ItemRecord* item, int slot) {
  if (slot < 0 || slot >= kItemCount) {
    ++IndexMisses;
    return;
  }
  if (!(item->z >= 0.0f)) return;
  int candidate = -1;
  int nearest = 0;
  for (int p = 0; p < PlayersInPlay(); ++p) {
    const BattleObject& player = g_players[p];
    if (CheckCircleHit(item->x, item->y, player.x, player.y, kAttractRadius) &&
        g_itemFlags[slot] != 2 && player.state < kStateHitStun) {
      const int d = GetSquaredDistance(TruncToInt(item->x), TruncToInt(item->y),
                                       TruncToInt(player.x), TruncToInt(player.y));
      if (candidate < 0 || d < nearest) {
        candidate = p;
        nearest = d;
      }
    }
    if (CheckCircleHit(item->x, item->y, player.x, player.y, kPickupRadius) &&
        player.state < kStateInert) {
      TakeItem(*item, slot, p);
      return;
    }
  }
  if (candidate < 0) return;
  g_itemFlags[slot] = 2;
  item->player = candidate;
}

void UpdateItem(ItemRecord* item, int slot) {
  if (item == nullptr) return;
  if (slot < 0 || slot >= kItemCount) {
    ++IndexMisses;
    return;
  }
  item->prevX = item->x;
  item->prevY = item->y;
  if (item->z < 0.0f) {
    item->vz = static_cast<float>(item->vz + (item->kind == kSpecialItemKind ? 0.05 : 0.15));
    item->z += item->vz;
  } else {
    item->z = 0.0f;
    item->vz = 0.0f;
    if (g_itemFlags[slot] == 1) {
      item->vx = static_cast<float>(item->vx * 0.95);
      item->vy = static_cast<float>(item->vy * 0.95);
    } else if (g_itemFlags[slot] == 2) {
      HomeOnPlayer(*item, slot);
    }
  }
  item->x += item->vx;
  item->y += item->vy;
  Bounce(item->y, item->vy, kTop, kBottom);
  Bounce(item->x, item->vx, kLeft, kRight);
  if (g_itemFlags[slot] == 1) {
    const int code = MoveWithWalls(&item->x, &item->y, item->prevX, item->prevY, 8, 8, 0);
    if (code / 10 % 10 > 0) item->vy = -item->vy;
    if (code % 10 > 0) item->vx = -item->vx;
  }
  CheckItemPickup(item, slot);
  // A special item the pickup made may have taken this slot: its age moves on too.
  item->age = AddSaturated(item->age, 1);
  if (item->age > kLastItemAge) g_itemFlags[slot] = 0;
}

}  // namespace veyrdale
