// The battle's draw list: every object one drawn frame shows, as whole record copies in the order
// they are drawn. First an opaque base copy of the arena blocks (only at effect level 0), then
// every standing object sorted by y so that what stands lower on the screen covers what stands
// behind it, then a top layer drawn over everything in the order it was collected.
//
// BuildDrawList (declared with the battle's entry points) rebuilds the list once per drawn frame.
// It also carries two pieces of battle state: it writes the draw tags of players, companions,
// shots and familiars back into their records, and it counts each arena block's openTimer down,
// clearing the cell when it ends.
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale {

// What a copy is, in its drawTag field; the drawing code chooses its routine by it.
enum DrawTag : uint16_t {
  kTagPlayer = 0,
  kTagCompanion = 1,
  kTagShot = 2,
  kTagEffect = 3,
  kTagArena = 4,  // an arena block or prop
  kTagItem = 5,
  kTagFamiliar = 6,
  kTagSpinner = 7,  // character 6's dash mark
};

constexpr int kDrawListLimit = 2048;
constexpr int kTopLayerLimit = 1024;
constexpr int kLateEffectLimit = 32;

// The copies of the last BuildDrawList; its result is the count of valid entries. A copy made
// from a template carries only the fields its kind names (see draw_list.cpp); the drawing code
// reads no other.
extern BattleObject DrawList[kDrawListLimit];

// Effects flagged to be drawn after the draw list, by the end of the battle frame. The battle
// draw sets the count to 0 before it builds the list; the builder keeps the first 32.
extern EffectRecord LateEffectList[kLateEffectLimit];
extern uint16_t LateEffectCount;

// True for the effect kinds that stand in the depth-sorted part; every other kind goes to the top
// layer.
bool IsSortedEffectKind(int kind);

}  // namespace veyrdale
