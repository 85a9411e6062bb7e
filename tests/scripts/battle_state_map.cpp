// Where the whole battle state lies, for the layer check's rule that no data of core or the battle
// is left out unseen. Linked with every object of both archives, it prints:
//   range OFFSET SIZE   one line per range the state copy and the drawn frame's guard take (each
//                       pool, each global of the field table, each block beside it), OFFSET in
//                       bytes from veyrdale::g_players, so that the check can place it among the
//                       symbols of this program wherever the program was loaded
//   left-out OBJECT<TAB>SYMBOL<TAB>REASON
//                       one line per datum the field table leaves out: its object file, its name
//                       and the reason
//
// Built with STATE_MAP_PLANTED and the layer check's planted battle data (game_layers_plant.cpp,
// PLANT_STATE_DATA), it is the self-test's map: it also prints a range over the first half of
// plant::g_partly and a left-out entry that names no datum.
#include <cstdint>
#include <cstdio>

#include "game/battle/field_table.h"
#include "game/battle/state_snapshot.h"
#include "game/core/records.h"

#if defined(STATE_MAP_PLANTED)
namespace plant {
extern int g_partly[4];
}
#endif

namespace {

void PrintRange(const void* address, size_t size) {
  const auto base = reinterpret_cast<intptr_t>(&veyrdale::g_players);
  std::printf("range %lld %zu\n",
              static_cast<long long>(reinterpret_cast<intptr_t>(address) - base), size);
}

}  // namespace

int main() {
  for (const veyrdale::StateRange& range : veyrdale::StateRanges()) {
    PrintRange(range.address, range.size);
  }
  for (const veyrdale::LeftOutState& left : veyrdale::StateLeftOut()) {
    std::printf("left-out %s\t%s\t%s\n", left.object, left.symbol, left.reason);
  }
#if defined(STATE_MAP_PLANTED)
  PrintRange(plant::g_partly, sizeof plant::g_partly / 2);
  std::printf("left-out game_layers_plant.cpp.o\tplant::g_gone\ta datum no object defines\n");
#endif
  return 0;
}
