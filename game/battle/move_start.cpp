// The start of a move: each character's hook sets the pose class the drawing and the control read
// for the moves the character has, and any jump, guard, armour, effect or sound that goes with
// the move's first frame.
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/battle/player_control.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

namespace {

// The pose class is kept per player; a record whose owner is no player gets none.
void Pose(BattleObject* player, int poseClass) {
  const int owner = player->owner;
  if (owner < 0 || owner >= kPlayerCount) {
    ++IndexMisses;
    return;
  }
  g_playerState.poseClass[owner] = static_cast<uint16_t>(poseClass);
}

void Jump(BattleObject* player) {
  player->vz = -4.0f;
  player->z -= 4.0f;
  player->guard = 2;
  CreateEffect(player, 0);
}

// Velocity `speed` pixels a frame opposite to the player's facing.
void Recoil(BattleObject* player, float speed) {
  player->vx = CosOf(player->heading) * -speed / 256.0f;
  player->vy = NegSinOf(player->heading) * -speed / 256.0f;
}

// The four basic moves' classes of the characters whose hooks do nothing else; -1 leaves a move.
void Classes(BattleObject* player, int move, int m1, int m2, int m3, int m4) {
  const int classes[4] = {m1, m2, m3, m4};
  if (move >= 1 && move <= 4 && classes[move - 1] >= 0) Pose(player, classes[move - 1]);
}

}  // namespace

void StartCharaMove(BattleObject* player, int move) {
  if (player == nullptr) return;
  static void (*const kHooks[16])(BattleObject*, int) = {
      StartMoveChara0,  StartMoveChara1,  StartMoveChara2,  StartMoveChara3,
      StartMoveChara4,  StartMoveChara5,  StartMoveChara6,  StartMoveChara7,
      StartMoveChara8,  StartMoveChara9,  StartMoveChara10, StartMoveChara11,
      StartMoveChara12, StartMoveChara13, StartMoveChara14, StartMoveChara15,
  };
  if (player->kind >= 16) {
    ++IndexMisses;
    return;
  }
  kHooks[player->kind](player, move);
}

void StartMoveChara0(BattleObject* player, int move) {
  Classes(player, move, 0, 1, 0, 2);
  if (move == 4) Jump(player);
  if (move == 7) Pose(player, 2);
}

void StartMoveChara1(BattleObject* player, int move) {
  Classes(player, move, 0, 1, 3, 2);
  // The first move's shots fly the way the player faced when it began.
  if (move == 1) player->pushHeading = player->heading;
}

void StartMoveChara2(BattleObject* player, int move) {
  Classes(player, move, 0, 1, 1, 2);
}

void StartMoveChara3(BattleObject* player, int move) {
  Classes(player, move, 0, 1, 1, 0);
}

void StartMoveChara4(BattleObject* player, int move) {
  Classes(player, move, 0, 1, 0, 2);
  if (move == 3) {
    // The companion is launched and the player only watches the move run out.
    const int owner = player->owner;
    if (owner >= 0 && owner < kPlayerCount) {
      g_companions[owner].stateTimer = 0;
      g_companions[owner].state = 2;
    } else {
      ++IndexMisses;
    }
    player->state =
        player->state > kStateKnockedOut ? kStateGhostFollowThrough : kStateFollowThrough;
  }
  if (move == 7) Pose(player, 3);
}

void StartMoveChara5(BattleObject* player, int move) {
  Classes(player, move, 0, 2, 1, 2);
}

void StartMoveChara6(BattleObject* player, int move) {
  Classes(player, move, 0, 1, 3, 2);
  if (move == 1) {
    PlaySoundEntry(kSoundIceBack);
    DispatchHitEffect(player, player, 14);
  }
  if (move == 3) CreateEffect(player, 31);
  if (move == 7) Pose(player, 2);
}

void StartMoveChara7(BattleObject* player, int move) {
  Classes(player, move, 0, 0, 0, 0);
  if (move == 2) CreateEffect(player, 30);
  if (move == 4) {
    CreateEffect(player, 31);
    player->guard = 22;
  }
  if (move == 7) Pose(player, 2);
}

void StartMoveChara8(BattleObject* player, int move) {
  Classes(player, move, 0, 2, 1, 3);
  if (move == 2) {
    // A hop backwards, out of reach for a few frames.
    player->z -= 2.0f;
    player->vz = -2.0f;
    Recoil(player, 6.0f);
    player->guard = 8;
    PlaySoundEntry(kSoundDash);
  }
}

void StartMoveChara9(BattleObject* player, int move) {
  Classes(player, move, 0, 1, 0, 1);
  if (move == 2) CreateEffect(player, 70);
}

void StartMoveChara10(BattleObject* player, int move) {
  Classes(player, move, 0, 1, 3, 2);
  switch (move) {
    case 1:
      CreateEffect(player, 31);
      break;
    case 2:
      CreateEffect(player, 10);
      break;
    case 3:
      CreateEffect(player, 27);
      player->guard = -50;  // armour through the move
      PlaySoundEntry(kSoundShot7);
      break;
    case 4:
      Jump(player);
      break;
    case 7:
      Pose(player, 2);
      break;
    default:
      break;
  }
}

void StartMoveChara11(BattleObject* player, int move) {
  Classes(player, move, 0, 2, 1, 2);
}

void StartMoveChara12(BattleObject* player, int move) {
  Classes(player, move, 0, 2, 1, 3);
  if (move == 2) {
    player->guard = -32;
    CreateEffect(player, 101);
  }
}

void StartMoveChara13(BattleObject* player, int move) {
  Classes(player, move, 0, 3, 1, 2);
  if (move == 8) Pose(player, 0);
}

void StartMoveChara14(BattleObject* player, int move) {
  Classes(player, move, 0, 3, 1, 2);
  if (move == 8) Pose(player, 0);
  // Powered up, every move is the armoured one.
  const int owner = player->owner;
  if (move >= 1 && move <= 8 && owner >= 0 && owner < kPlayerCount &&
      g_playerState.powerUp[owner] > 0) {
    Pose(player, 4);
    player->guard = -32;
  }
}

void StartMoveChara15(BattleObject* player, int move) {
  Classes(player, move, 0, 1, 2, 3);
}

}  // namespace veyrdale
