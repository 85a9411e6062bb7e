// The design rules of the characters' move blocks, as battle-sim --check-move-data and the
// launcher tests check them: the fixed blocks (characters 0 and 1, the neutral block) exactly, the
// move counts, every field within its hard range, and the rules of the launchers (the hit classes
// each character's hit effects answer, what an attack code costs and deals).
#pragma once

#include <string>
#include <vector>

#include "game/core/records.h"

namespace battlesim {

using MoveBlocks = veyrdale::MoveTableEntry[17][16];

// One line per offending row ("character C move M: ..."; "neutral move M: ..."), empty when every
// rule holds. The volley sizes come from the launchers themselves: it fires the attack moves
// through CreateShot from player 0, so it clears the shot pool and the player records.
std::vector<std::string> FindMoveDataProblems(const MoveBlocks& blocks);

// The rows the checked blocks hold: the moves of characters 2-15.
int CheckedMoveRows();

}  // namespace battlesim
