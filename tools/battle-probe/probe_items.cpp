// Items made and moved by the probe: CreateItem with its five arguments, and updates of an item
// slot.
#include <cstdint>

#include "game/battle/battle.h"
#include "game/core/records.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"

namespace battleprobe {

void Item(const Args& a) {
  veyrdale::CreateItem(ToInt(a[1]), ToInt(a[2]), ToInt(a[3]), ToInt(a[4]), ToInt(a[5]));
}

void UpdateItemCommand(const Args& a) {
  const int slot = static_cast<int>(ToInteger(a[1], 0, veyrdale::kItemCount - 1));
  const long long count = a.size() > 2 ? ToInteger(a[2], 0, INT32_MAX) : 1;
  for (long long i = 0; i < count && veyrdale::g_itemFlags[slot] != 0; ++i) {
    veyrdale::UpdateItem(&veyrdale::g_items[slot], slot);
  }
}

}  // namespace battleprobe
