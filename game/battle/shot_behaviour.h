// The building blocks every character's shot behaviour and reactions are made of, and the
// per-character parts that the three hooks (RunShotBehaviour, RunShotImpactReaction,
// RunShotEdgeReaction, declared at the end) choose by the shot's kind.
//
// Ages are tested against the age of the frame, before the shot update advances it; "removed"
// means `state` 0. The owner is reached only for owners 0-3: for any other owner an attached or
// cut shot is removed, every change or test of the owner is skipped, and the owner is never
// powered up.
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale {

// What one impact reaction struck: a player (with the damage A the hit computed, after its
// modifiers), a familiar, or an arena cell.
enum class ShotTarget { kPlayer, kFamiliar, kCell };

struct ShotImpact {
  ShotTarget target;
  int victim;              // the player struck, for kPlayer
  float damage;            // the damage A, for kPlayer
  BattleObject* familiar;  // for kFamiliar
};

// Lifetime N: removed when the age is above n. Lifetime =N: removed when the age equals n. Both
// say whether the shot was removed.
bool LifetimeOver(BattleObject* shot, int n);
bool LifetimeAt(BattleObject* shot, int n);

// The weight written age/2+1 of the steering calls: trunc(age / 2) + 1, held inside int16.
int16_t HalfAgeWeight(const BattleObject& shot);

// The owner's player record, or null for an owner outside 0-3.
BattleObject* ShotOwner(const BattleObject& shot);
// What an attached shot stands by: the owner, or its companion when the shot's `guard` is 1.
BattleObject* ShotAnchor(const BattleObject& shot);
// True while the owner's power-up runs (false for owners outside 0-3).
bool OwnerPoweredUp(const BattleObject& shot);

// Attached at R (dy): r pixels from the anchor along `heading` and dy lower.
void AttachShot(BattleObject* shot, const BattleObject& anchor, int64_t heading, float r, float dy);
// Attached along the anchor's own heading. False (and the shot removed) when there is no anchor.
bool AttachToAnchor(BattleObject* shot, float r, float dy);
// Cut: removed while the owner is in hit-stun or knock-back, or when there is no owner. True when
// removed.
bool CutShot(BattleObject* shot);

// Child(m): a follow-up shot of move m from the shot's place, for the shot's owner.
void ShotChild(BattleObject* shot, int move);
// Effect(k) from the shot.
void ShotEffect(const BattleObject* shot, int kind);
// Effect(k) from the shot's kind and owner at the point (x, y).
void ShotEffectAt(const BattleObject* shot, float x, float y, int kind);
// Hit event n: DispatchHitEffect(shot, shot, n).
void ShotHitEvent(BattleObject* shot, int n);
// Flash a of b: FlashFrames a, FlashLength b.
void Flash(int frames, int length);

// Falling: while `z` < 0 the shot drops by `vz`, which grows by `step` a frame while below
// `limit`; the step that brings it to 0 or below lands it once (z 0, vz 0, sound 5, its hit
// event).
void FallShot(BattleObject* shot, int slot, float step, float limit);

// The follow-up on the owner's special move: while the owner's `recovery` is non-zero and its
// state is 8, Child(m), the owner rooted, its recovery 0 and v backwards along its heading, and
// the shot removed. True when it fired. Without recoil the owner keeps its velocity.
bool FollowUpOwnerMove(BattleObject* shot, int move, float v, bool recoil = true);

// Character 0's dive (character 10's too, with its child made on every landing): the owner flies
// with the shot until it lands.
void RideWithOwner(BattleObject* shot, int slot, bool childAlways);
// Character 5's shots (and character 12's built on them) that stand on their owner until its
// special move calls for them: then Child(child) with the owner thrown back at v.
void WaitOnOwnerMove(BattleObject* shot, int child, float v);

// A character-10 carrying shot in `slot` lets its player go: that player's `heldFlag` is cleared
// when it is still carried by this very slot. With `turn` the player's knock direction also turns
// about. A player index outside 0-3 is nobody to let go.
void ReleaseHeldPlayer(const BattleObject& shot, int slot, bool turn);

// The owner thrown back by its lost dive: stateTimer 100, vz -3 and 4 backwards.
void OwnerRecoil(const BattleObject& shot);

// The edge bounce: x first (trunc(x) against r - 8 and 648 - r), else y (against r - 8 and
// 488 - r); the heading mirrors and the crossed velocity component is negated.
void BounceOffEdge(BattleObject* shot, int slot);

// A shot striking the arena's edge: the wall sound and hit event 0.
void ShotStrikesWall(BattleObject* shot);
// The counted bounce: removed when `life` is 0, else bounced off the edge with the wall strike and
// `life` one less.
void BounceWhileCounting(BattleObject* shot, int slot);

// The life damage A given back to player p, never above 350.
void GiveBackDamage(int p, float damage);

// The per-character parts. A behaviour says whether the update ends here.
bool RunShotBehaviourChara0(BattleObject* shot, int slot);
bool RunShotBehaviourChara1(BattleObject* shot, int slot);
bool RunShotBehaviourChara2(BattleObject* shot, int slot);
bool RunShotBehaviourChara3(BattleObject* shot, int slot);
bool RunShotBehaviourChara4(BattleObject* shot, int slot);
bool RunShotBehaviourChara5(BattleObject* shot, int slot);
bool RunShotBehaviourChara6(BattleObject* shot, int slot);
bool RunShotBehaviourChara7(BattleObject* shot, int slot);
bool RunShotBehaviourChara8(BattleObject* shot, int slot);
bool RunShotBehaviourChara9(BattleObject* shot, int slot);
bool RunShotBehaviourChara10(BattleObject* shot, int slot);
bool RunShotBehaviourChara11(BattleObject* shot, int slot);
bool RunShotBehaviourChara12(BattleObject* shot, int slot);
bool RunShotBehaviourChara13(BattleObject* shot, int slot);
bool RunShotBehaviourChara14(BattleObject* shot, int slot);
bool RunShotBehaviourChara15(BattleObject* shot, int slot);
bool RunShotBehaviourNeutral(BattleObject* shot, int slot);
void RunImpactReaction0To7(BattleObject* shot, int slot, const ShotImpact& impact);
void RunImpactReactionNeutral(BattleObject* shot, int slot, const ShotImpact& impact);
void RunImpactReaction8To15(BattleObject* shot, int slot, const ShotImpact& impact);
void RunEdgeReaction0To7(BattleObject* shot, int slot);
void RunEdgeReaction8To15(BattleObject* shot, int slot);

// Per-shot behaviour hooks, chosen by the shot's kind and move. The behaviour says whether the
// shot's update ends there (no motion, no ageing). The impact reaction runs after a hit on a player
// (with the damage A the hit computed), a familiar or an arena cell.
struct ShotCell {
  int column;
  int row;
};
bool RunShotBehaviour(BattleObject* shot, int slot);
void RunShotImpactReaction(BattleObject* shot, int slot, int victim, float damage);
void RunShotImpactReaction(BattleObject* shot, int slot, BattleObject* familiar);
void RunShotImpactReaction(BattleObject* shot, int slot, ShotCell cell);
void RunShotEdgeReaction(BattleObject* shot, int slot);

}  // namespace veyrdale
