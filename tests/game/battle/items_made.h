// The items a test's battle code made, read from the item pool (which every test starts empty):
// how many are in it, how many are special, and the last one made.
#pragma once

#include "game/battle/items.h"
#include "game/core/records.h"

namespace testsupport {

// Items whose flag is 1 (live) or 2 (claimed).
inline int ItemsInPool() {
  int count = 0;
  for (uint16_t flag : veyrdale::g_itemFlags) count += flag == 1 || flag == 2 ? 1 : 0;
  return count;
}

inline int SpecialItems() {
  int count = 0;
  for (int slot = 0; slot < veyrdale::kItemCount; ++slot) {
    count += veyrdale::g_itemFlags[slot] != 0 &&
                     veyrdale::g_items[slot].kind == veyrdale::kSpecialItemKind
                 ? 1
                 : 0;
  }
  return count;
}

// Items claimed by player p.
inline int ItemsClaimedBy(int p) {
  int count = 0;
  for (int slot = 0; slot < veyrdale::kItemCount; ++slot) {
    count += veyrdale::g_itemFlags[slot] == 2 && veyrdale::g_items[slot].player == p ? 1 : 0;
  }
  return count;
}

// The item in the highest slot in use: with nothing freed, the last one made. Null when none is.
inline const veyrdale::ItemRecord* LastItem() {
  for (int slot = veyrdale::kItemCount - 1; slot >= 0; --slot) {
    if (veyrdale::g_itemFlags[slot] != 0) return &veyrdale::g_items[slot];
  }
  return nullptr;
}

}  // namespace testsupport
