// Hit effects: the bursts a hit shows. DispatchHitEffect picks the burst by the hitting object's
// kind and an event number and builds it from the spawners below; DispatchHitEffect,
// SpawnHitSpark and SpawnHitRingC are called from elsewhere too and are declared in
// game/battle/battle.h.
//
// Every spawner takes a, the hitting object (or a source standing for the attacker), and b, the
// one hit (a player, or a again), and works on the point halfway between them. None keeps state:
// what it lays lives in the effect pools, and a full pool simply ends it early.
#pragma once

#include "game/core/records.h"

namespace veyrdale {

// The ring spawners: one pass over the effect pool from slot 0. Every free slot met has its flag
// cleared and counts as one of eight pieces, laid or not (the pieces are skipped at effect level
// 1); the ninth free slot takes the centre, which a pool that ends first never gets. A and B raise
// the burst by a's and b's height; D lays no pieces for a source of kind 99, and its centre is code
// 28 for the owners playing characters 8 and 14.
void SpawnHitRingA(BattleObject* a, BattleObject* b);
void SpawnHitRingB(BattleObject* a, BattleObject* b);
void SpawnHitRingD(BattleObject* a, BattleObject* b);

// The damage event n (9000 + n), for the effect update to turn into a life transfer: the victim
// (b's owner) in `heading`, the attacker (a's owner) in `player`, and in `aux` the damage of a's
// shot slot scaled by the victim's handicap. A record outside the shot pool does no damage, and a
// victim that is no player counts as the even handicap 2.
void SpawnDamageEffect(BattleObject* a, BattleObject* b, int n);

// Up to ten sparks in the second pool, around a point drawn within 160 pixels of the midpoint:
// eight pieces (skipped at effect level 1), a centre and a last spark. Only records whose timer is
// 0 are taken.
void SpawnScatterSparks(BattleObject* a, BattleObject* b);

// A beam from just above a to a second point stored in `z` (its x) and `heading` (its y): b raised
// by 6, or, when a and b are the same object, 900 pixels ahead of it. The same object is the same
// record, or a copy of it (equal stun meter and position), as a familiar's chain passes it.
void SpawnBigHitEffect(BattleObject* a, BattleObject* b);

}  // namespace veyrdale
