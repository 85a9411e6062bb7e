// Familiars and arena objects: the records of g_familiars. Slots 0-4 hold the arena's own objects
// (kinds 0-7, 9 and 10), which fire neutral shots on their own timers; slots 5-63 hold the
// familiars character 14 summons (kind 8). PlaceArenaObjects and UpdateFamiliar
// are declared in battle.h, LaunchShotNeutral in launchers.h.
//
// A familiar refers to its owner by `owner`, which indexes the player records, the power-up
// countdowns and the held buttons: a summoned familiar whose owner is not a player 0-3 is freed
// at its next update, and nothing is summoned for one.
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale {

constexpr int kSummonedKind = 8;
constexpr int kFirstSummonSlot = 5;  // slots 0-4 belong to the arena
constexpr int kSummonLimit = 8;      // live summoned familiars per owner, for most moves
constexpr int kNoFamiliar = 9999;    // FindFamiliar's answer when nothing fits
// The kind a familiar wears while it fires, so that its shot takes character 14's launcher.
constexpr int kSummonerKind = 14;
constexpr float kFamiliarShotMark = 9999.0f;  // `meter` of a familiar that fires

// The slot of a record in g_familiars, found from its address; -1 for any other record.
int FamiliarSlotOf(const BattleObject* record);

// One kind-8 familiar of `player` from the source; moves 3, 8 and 9 ignore the limit of eight.
void SpawnFamiliar(BattleObject* source, int move, int player);
// Sends every waiting familiar of the player in one of the modes 1-5; 0 when none was waiting.
int LaunchFamiliars(int mode, int player);
// Sends one familiar again with a random mode; always 1.
int RelaunchFamiliar(int slot, int player);
// The parked familiar of the player whose attackDelay v is the smallest with above < v < limit
// and v != 0 (lowest slot on ties), never excludeSlot; kNoFamiliar when none fits.
int FindFamiliar(int limit, int player, int excludeSlot, int above);
// The beams linking the player's parked familiars from startSlot on, one link more than there are
// parked familiars; the first link turns the start familiar toward the next.
void ChainFamiliarBeams(int limit, int player, int startSlot, int above);

// The two halves of UpdateFamiliar; slot is the record's place in g_familiars (-1 outside).
void UpdateArenaObject(BattleObject* object, int slot);
void UpdateSummonedFamiliar(BattleObject* familiar, int slot);

// CreateShot(object, move, owner) with the object's kind set to `kind` for the call.
void FireWearingKind(BattleObject* object, int kind, int move, int owner);

// The stateTimer's rise at the end of a frame; a timer pushed to the top of its range stays there.
void RaiseTimer(BattleObject* object);

}  // namespace veyrdale
