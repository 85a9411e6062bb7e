// Shots fired from records as the battle fires them, the live shots, and the characters' built-in
// move blocks.
#include <cstdio>
#include <vector>

#include "game/battle/battle.h"
#include "game/core/records.h"
#include "game/flow/move_table.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"

namespace battleprobe {

void Fire(const Args& a) {
  veyrdale::BattleObject* source = RecordArg(a[1]);
  const auto move = static_cast<int16_t>(ToInteger(a[2], INT16_MIN, INT16_MAX));
  const int owner = ToInt(a[3]);
  std::vector<bool> wasLive(veyrdale::kShotCount);
  for (int s = 0; s < veyrdale::kShotCount; ++s) wasLive[s] = veyrdale::g_shots[s].state != 0;
  veyrdale::CreateShot(source, move, owner);
  std::printf("slots");
  for (int s = 0; s < veyrdale::kShotCount; ++s) {
    if (!wasLive[s] && veyrdale::g_shots[s].state != 0) std::printf(" %d", s);
  }
  std::printf("\n");
}

void Shots(const Args&) {
  for (int s = 0; s < veyrdale::kShotCount; ++s) {
    const veyrdale::BattleObject& shot = veyrdale::g_shots[s];
    if (shot.state == 0) continue;
    std::printf("%d %d %d %.9g %.9g %d %.9g\n", s, shot.kind, shot.move,
                static_cast<double>(shot.x), static_cast<double>(shot.y), shot.heading,
                static_cast<double>(shot.speed));
  }
}

void MoveBlock(const Args& a) {
  const int block = ToInteger(a[1], 0, veyrdale::kNeutralBlock);
  for (const veyrdale::MoveTableEntry& row : veyrdale::CharacterMoveBlocks[block]) {
    PrintMoveRow(row);
  }
}

}  // namespace battleprobe
