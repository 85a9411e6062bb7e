// Items: the pick-ups thrown out of broken walls, hits and arena objects. They bounce, slide to a
// stop, fly to a player who comes near and are collected on touch. The entry points CreateItem,
// UpdateItem and ClaimAllItems are declared in battle.h.
//
// An item's flag in g_itemFlags is its state: 0 free, 1 live, 2 claimed (flying to `player`).
// `player` is stored data: it becomes a record only through the checked accessors.
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale {

constexpr int32_t kSpecialItemKind = 77;  // fills the spell gauge
constexpr int32_t kSmallLifeItem = 10;
constexpr int32_t kLargeLifeItem = 11;
constexpr int32_t kLastItemAge = 479;  // an item older than this vanishes

// The kinds CreateItem makes: 0-5 ordinary, the two life items and the special item.
constexpr bool IsItemKind(int32_t kind) {
  return (kind >= 0 && kind <= 5) || kind == kSmallLifeItem || kind == kLargeLifeItem ||
         kind == kSpecialItemKind;
}

// The attraction and pickup of an item lying on the ground, by the players in play in order: the
// nearest player within 64 claims it, a player within 24 takes it. `slot` must be 0-127.
void CheckItemPickup(ItemRecord* item, int slot);

}  // namespace veyrdale
