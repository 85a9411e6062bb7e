// Effects: the pieces that creation, the effect update and the damage events share. The entry
// points themselves (CreateEffect, CreateRingEffect, UpdateEffect) are declared in battle.h.
//
// An effect refers to players and familiars by the integers it stores (`player`, for one code
// `z`); those become records only through the checked accessors, so that a stored value out of
// range frees the effect instead of reaching outside a pool.
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale {

// The codes an effect record may hold: the draw and update codes, the one code kind 43 makes and
// the two damage events.
constexpr int kLastEffectCode = 133;
constexpr int kFlaggedEffectCode = 201;
constexpr int kDelayedDamageEvent = 9001;  // fires when the attacker's stateTimer is 142
constexpr int kFreezeDamageEvent = 9002;   // fires once the spell-card freeze is over
constexpr bool IsEffectCode(int32_t code) {
  return (code >= 0 && code <= kLastEffectCode) || code == kFlaggedEffectCode ||
         code == kDelayedDamageEvent || code == kFreezeDamageEvent;
}

// The timer of a record that its own rule keeps alive.
constexpr int32_t kHeldTimer = 9999;

// A source for CreateShot, CreateEffect or DispatchHitEffect at a point that is no live object:
// all zero but its kind and position.
inline BattleObject EffectSource(int kind, float x, float y) {
  BattleObject source{};
  source.kind = static_cast<uint16_t>(kind);
  source.x = x;
  source.y = y;
  return source;
}

// The first free slot of the effect pool from 0, its flag byte cleared, or -1 when all are in use.
// The slot stays free until the caller marks it.
int TakeFreeEffectSlot();

// Frees an effect slot: only the in-use value changes, the record keeps its fields. A slot outside
// the pool is counted as an index miss.
void FreeEffectSlot(int slot);

// The power-up countdown of a player index; an index outside 0-3 counts as none (4, nobody,
// without an index miss).
int32_t PowerUpOf(int player);

// The damage events 9001 and 9002 of the record in `slot`: run at the end of every effect
// update, also for a record that the update has just freed. Other codes do nothing.
void ProcessDamageEvent(EffectRecord* record, int slot);

}  // namespace veyrdale
