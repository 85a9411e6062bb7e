// The battle frame's drawing of one draw-list entry, by its draw tag: the frame draws every entry
// through it, and the probe one entry alone.
#pragma once

#include "game/core/records.h"

namespace veyrdale {

// Draws `entry` with shake offset `shake`; `dark` is 1 while the scene is a silhouette. An entry
// whose tag names no kind of object draws nothing.
void DrawEntryByTag(const BattleObject* entry, int shake, int dark);

}  // namespace veyrdale
