// Shots: the pieces that creation, the shot update and the steering share, and the sounds a shot
// plays. The entry points themselves (CreateShot, UpdateShot and the steering operations) are
// declared in battle.h.
//
// A shot's own slot is the index of its record in g_shots. Per-slot tables (damage record, hit
// flags) are reached through that index, never through the float the record carries in `stun`,
// which some launchers overwrite.
#pragma once

#include <cstdint>

#include "game/battle/directions.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

// The sound entries a shot plays.
constexpr int kSoundShotTurned = kSoundBlock;       // parried, or turned by a ground mark
constexpr int kSoundObstacleBroken = kSoundBomb;    // an arena cell breaks
constexpr int kSoundShotHit = kSoundHit;            // a player or familiar is hit
constexpr int kSoundCellStruck = kSoundWall;        // an arena cell is struck
constexpr int kSoundCardBroken = kSoundSpellBreak;  // a spell card or power-up is broken

constexpr int kNeutralKind = 51;  // the kind of sources that stand for arena objects

// The velocity of `speed` pixels a frame along a heading (any int; its low 8 bits count).
inline float VelocityX(int heading, float speed) {
  return CosOf(heading) / 256.0f * speed;
}
inline float VelocityY(int heading, float speed) {
  return NegSinOf(heading) / 256.0f * speed;
}
inline void SetVelocityAlong(BattleObject& object, int heading, float speed) {
  object.vx = VelocityX(heading, speed);
  object.vy = VelocityY(heading, speed);
}

// The heading from point a to point b, on truncated coordinates: (257 - direction) mod 256.
int HeadingBetween(float ax, float ay, float bx, float by);

// A sum of headings taken modulo 256, in 64 bits so that headings some behaviour pushed far out of
// range cannot overflow.
inline int WrapHeading(int64_t heading) {
  return static_cast<int>(heading & 255);
}

// The finishing step of shot creation: the second heading takes `heading`, the velocity follows
// `heading` and `speed` (exactly 0 across the axis at headings 0, 64, 128 and 192), and the newest
// trail entry lies 2.2 frames of motion behind the source point.
void FinishShotMotion(BattleObject* shot, float sourceX, float sourceY);

// The target point a shot carries in `recovery`, packed as (x + 320) x 1000 + (y + 280); the
// division and remainder truncate toward zero.
inline int PackedPointX(int32_t packed) {
  return packed / 1000 - 320;
}
inline int PackedPointY(int32_t packed) {
  return packed % 1000 - 280;
}

// True when player p (0-3) is not on the shot's side (`meter`): by index in team mode 0, by team
// in team mode 1; in any other team mode every player is an enemy.
bool IsEnemyOfShot(const BattleObject& shot, int p);

// The shot's owner as a player index 0-3, or -1 for nobody (4). Any other value, which only a
// behaviour could have written, also counts as nobody (UpdateShot counts it as an index miss).
int ShotOwnerIndex(const BattleObject& shot);

// What losing a shot (removed, taken over or parried) undoes: a dive its owner rides throws the
// owner back, a carrying shot lets its player go. An owner or carried player outside 0-3 is
// nobody to act on.
void ApplyReleaseRules(int owner, int move, int32_t carried);

// The hit of a shot on player p, from the parry to the impact reaction. True when the victim
// parried, so that the shot goes on to the familiars; false when the update has ended.
bool HitPlayerWithShot(BattleObject* shot, int slot, int p);

// The obstacle damage of a shot: the cell under it, its damage and break, and the strike.
void DamageObstacle(BattleObject* shot, int slot);

// The special item a player earns from a hit or a break: outside survival, below 260 life, once
// its item count passes the next threshold (200, 520, 860 for 0, 1, 2 made), one item of kind 77
// at the player. p must be 0-3.
void GiveLowLifeItem(int p);

// A spell card or power-up broken by a hit in a survival run scores for player 0: (round / 5 + 1)
// x 10000, shown by effects 89 and 88 at player 0.
void AwardCardBreakBonus();

// Adds to an int32 field, saturating instead of wrapping.
inline int32_t AddSaturated(int32_t value, int64_t delta) {
  return SaturateToInt(static_cast<int64_t>(value) + delta);
}

}  // namespace veyrdale
