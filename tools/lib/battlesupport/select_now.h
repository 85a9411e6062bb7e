// The character frame selection outside a drawn frame, for the probe and the tests: one selection
// whose changes the battle carries out at once, as it does after a drawn frame.
#pragma once

#include "game/core/records.h"

namespace veyrdale {

// SelectCharaFrame of `record` with suppressTurn, on a drawn frame begun from the players as they
// stand (a player record stands for its copy there), then carried out: the player records, the
// random numbers, the sounds, the puffs and the shake end as if the draw had made the selection.
int SelectCharaFrameNow(BattleObject* record, int suppressTurn);

}  // namespace veyrdale
