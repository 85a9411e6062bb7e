// The battle's draw list: every object one drawn frame shows, as whole record copies in the order
// they are drawn. First an opaque base copy of the arena blocks (only at effect level 0), then
// every standing object sorted by y so that what stands lower on the screen covers what stands
// behind it, then a top layer drawn over everything in the order it was collected.
//
// BuildDrawList (declared in view.h) rebuilds the list once per drawn frame. The copies carry their
// draw tags and the arena blocks as the frame's countdown leaves them; the battle writes both
// back into its records after the draw (CarryOutDrawList).
#pragma once

#include <cstdint>

#include "game/battle/drawn_frame.h"
#include "game/core/records.h"

namespace veyrdale {

constexpr int kDrawListLimit = 2048;
constexpr int kTopLayerLimit = 1024;
constexpr int kLateEffectLimit = 32;

// The copies of the last BuildDrawList; its result is the count of valid entries. A copy made
// from a template carries only the fields its kind names (see draw_list.cpp); the drawing code
// reads no other.
extern BattleObject DrawList[kDrawListLimit];

// Effects flagged to be drawn after the draw list, by the end of the battle frame: the view's own
// list, emptied and filled by each BuildDrawList, which keeps the first 32.
extern EffectRecord LateEffectList[kLateEffectLimit];
extern uint16_t LateEffectCount;

// True for the effect kinds that stand in the depth-sorted part; every other kind goes to the top
// layer.
bool IsSortedEffectKind(int kind);

}  // namespace veyrdale
