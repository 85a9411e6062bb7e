// The computer player run for one player and one frame, and what it decided.
#include <cstdio>

#include "game/battle/battle.h"
#include "game/battle/cpu_player.h"
#include "game/core/input.h"
#include "game/core/records.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"

namespace battleprobe {

void Cpu(const Args& a) {
  using namespace veyrdale;
  const int p = static_cast<int>(ToInteger(a[1], 0, kPlayerCount - 1));
  UpdateCpuPlayer(&g_players[p], p);
  std::printf("%d %d %d %d |", CpuMode[p], CpuCountdown[p], CpuTarget[p], g_players[p].heading);
  for (int input = 0; input < kInputCount; ++input)
    std::printf(" %d", PendingPressCounts[input][p]);
  std::printf("\n");
}

}  // namespace battleprobe
