// The character frame selection from the probe.
#include <cstdio>

#include "game/core/records.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"
#include "tools/lib/battlesupport/select_now.h"

namespace battleprobe {

void CellCommand(const Args& a) {
  const int p = static_cast<int>(ToInteger(a[1], 0, veyrdale::kPlayerCount - 1));
  const int suppressTurn = a.size() > 2 ? ToInt(a[2]) : 0;
  std::printf("cell %d\n", veyrdale::SelectCharaFrameNow(&veyrdale::g_players[p], suppressTurn));
}

}  // namespace battleprobe
