// Where the whole battle state lies, for the layer check's rule that no data of core or the battle
// is left out unseen. Linked with every object of both archives, it prints:
//   range OFFSET SIZE   one line per range the state copy and the drawn frame's guard take (each
//                       pool, each global of the field table, each block beside it), OFFSET in
//                       bytes from veyrdale::g_players, so that the check can place it among the
//                       symbols nm lists for this program wherever the program was loaded
//   left-out SYMBOL     one line per symbol the field table leaves out, then a tab and the reason
#include <cstdint>
#include <cstdio>

#include "game/battle/field_table.h"
#include "game/battle/state_snapshot.h"
#include "game/core/records.h"

int main() {
  const auto base = reinterpret_cast<intptr_t>(&veyrdale::g_players);
  for (const veyrdale::StateRange& range : veyrdale::StateRanges()) {
    std::printf("range %lld %zu\n",
                static_cast<long long>(reinterpret_cast<intptr_t>(range.address) - base),
                range.size);
  }
  for (const veyrdale::LeftOutState& left : veyrdale::StateLeftOut()) {
    std::printf("left-out %s\t%s\n", left.symbol, left.reason);
  }
  return 0;
}
