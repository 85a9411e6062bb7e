// The computer player: once a frame, before the battle update, it writes wished presses into a
// computer-flagged player's PendingPressCounts (and at times sets its heading), so that player
// control reads it exactly as it reads a pad. UpdateCpuPlayer itself is declared in
// game/battle/battle.h.
//
// Three modes per player, wander, attack and evade, each with a countdown of frames whose lengths
// follow the difficulty option. The mode arrays live for the whole program run: no round or match
// resets them, so a mode carries over into the next round.
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale {

enum CpuModeId : int32_t { kCpuWander = 0, kCpuAttack = 1, kCpuEvade = 2 };

extern int32_t CpuMode[4];       // kCpuWander, kCpuAttack or kCpuEvade
extern int32_t CpuCountdown[4];  // frames left in the mode
extern int32_t CpuTarget[4];     // the player wander walks toward and attack faces

// Zero modes, countdowns and targets, as at program start. For tests and the battle runner only:
// the game itself never resets them.
void ResetCpuPlayers();

// The modes, each for one player (index 0-3) and one frame. Wander and attack take the target's
// index; attack may go back to wander, evade goes back to wander when its countdown ends. A spell
// card also borrows the evade mode for its computer-controlled caster.
void CpuWander(BattleObject* player, int index, int target);
void CpuAttack(BattleObject* player, int index, int target);
void CpuEvade(BattleObject* player, int index);

// The story's overrides on a few stages. True when a rule took this frame's decision.
bool ApplyStoryCpuRules(BattleObject* player, int index);

// Tests replace the random source the controller draws from (GetRandomNumber(max): 0 to max);
// null restores the library's generator.
using CpuRandomSource = int (*)(int max);
void SetCpuRandomSource(CpuRandomSource source);

}  // namespace veyrdale
