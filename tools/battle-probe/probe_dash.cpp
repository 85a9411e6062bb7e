// The way out of walls that the warps end with, for one player.
#include <cstdio>

#include "game/battle/dash.h"
#include "game/core/records.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"

namespace battleprobe {

void WayOut(const Args& a) {
  const int p = static_cast<int>(ToInteger(a[1], 0, veyrdale::kPlayerCount - 1));
  veyrdale::BattleObject& player = veyrdale::g_players[p];
  // Characters 3 and 13 keep off the other players; character 9's warp does not.
  const bool avoidPlayers = player.kind == 3 || player.kind == 13;
  veyrdale::WayOutOfWalls(&player, p, avoidPlayers);
  std::printf("%.9g %.9g\n", player.x, player.y);
}

}  // namespace battleprobe
