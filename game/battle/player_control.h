// The players' states and the pieces of player control that more than one routine shares: the
// direction of the held directions, the walking speeds, the power-up extra shots and the
// characters' move-start hooks.
//
// The entry points themselves (UpdatePlayerControl, UpdateHitStun, UpdateKnockBack,
// UpdateAttackInput, StartCharaMove and the shot hand-overs) are declared in battle.h.
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale {

// The `state` of a player record.
enum PlayerState : int32_t {
  kStateStand = 0,
  kStateWalk = 1,
  kStateAttackStanding = 2,  // started with no horizontal velocity
  kStateAttackMoving = 3,
  kStateFollowThrough = 4,  // the move runs out without firing further shots
  kStateDash = 5,
  kStateDashSpin = 6,     // the dash of characters 0 and 10
  kStateGuardStance = 7,  // their guard stance
  kStateSpecialMove = 8,
  kStateSpellCard = 9,
  kStateHitStun = 10,
  kStateKnockBack = 11,  // launched, lying, getting up
  kStateInert = 12,      // neither updated nor moved by the scene
  kStateKnockedOut = 13,
  kStateGhost = 14,  // out of the round, standing
  kStateGhostMove = 15,
  kStateGhostAttackStanding = 16,
  kStateGhostAttackMoving = 17,
  kStateGhostFollowThrough = 18,
};

// Attack states are a base plus 2, 3 or 4: base 0 for players in the round, this for ghosts.
constexpr int kGhostBase = kStateGhost;

// The heading of held directions, or kNoDirection. Up with down counts as neither. Beside up or
// down, left wins over right; on their own, left with right gives no direction.
constexpr int kNoDirection = -1;
int DirectionOf(bool up, bool down, bool left, bool right);
// The same for the directions player p (0-3) holds now.
int HeldDirection(int p);

// Pixels a frame a character walks, with its bonus while powered up; 0 for a character
// outside 0-15.
float WalkingSpeed(int character, bool poweredUp);

// The shots a powered-up character may fire beyond a move's limit, by attack code 1-4; 0 for any
// other move (the follow-up moves included) and any character outside 0-15.
int PowerUpExtraShots(int character, int move);

// The move-start hooks StartCharaMove chooses by the player's character: each sets the pose class
// of the moves it knows (and any jump, guard, effect or sound) and ignores the others.
void StartMoveChara0(BattleObject* player, int move);
void StartMoveChara1(BattleObject* player, int move);
void StartMoveChara2(BattleObject* player, int move);
void StartMoveChara3(BattleObject* player, int move);
void StartMoveChara4(BattleObject* player, int move);
void StartMoveChara5(BattleObject* player, int move);
void StartMoveChara6(BattleObject* player, int move);
void StartMoveChara7(BattleObject* player, int move);
void StartMoveChara8(BattleObject* player, int move);
void StartMoveChara9(BattleObject* player, int move);
void StartMoveChara10(BattleObject* player, int move);
void StartMoveChara11(BattleObject* player, int move);
void StartMoveChara12(BattleObject* player, int move);
void StartMoveChara13(BattleObject* player, int move);
void StartMoveChara14(BattleObject* player, int move);
void StartMoveChara15(BattleObject* player, int move);

}  // namespace veyrdale
