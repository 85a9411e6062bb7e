// One player's battle frame: its state's routine, the meter, the arena's edges and walls (with the
// bounce of a player in a hit reaction), the timers, and a running power-up.
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/battle/characters.h"
#include "game/battle/dash.h"
#include "game/battle/directions.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/battle/scene_parts.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/numeric.h"
#include "game/core/sound_entries.h"

namespace veyrdale::battle_scene {

namespace {

int Held(Input input, int p) {
  return HeldFrameCounts[input][p];
}

// Held by a player whose hold is a juggle: the hit-stun runs on through the hold.
bool HeldInJuggle(int p) {
  const BattleObject* holder = PlayerOrNull(S().holder[p]);
  return holder != nullptr && HoldJugglesVictim(holder->kind);
}

// A player's own update: false when the rest of the player's frame is skipped.
bool DispatchState(BattleObject& player, int p) {
  const bool free = S().holdTimer[p] <= 0;
  switch (player.state) {
    case kStateStand:
    case kStateWalk:
      if (free) player.rooted = 0;
      [[fallthrough]];
    case kStateAttackStanding:
    case kStateAttackMoving:
    case kStateFollowThrough:
      if (!free) break;
      S().wallBurstDone[p] = 0;
      if (player.state <= kStateWalk) player.modifierHeld = Held(kInputButton4, p) > 0 ? 1 : 0;
      UpdatePlayerControl(&player, p);
      if (StoryPreFight > 0) {
        // The dialogue runs: nobody walks.
        player.modifierHeld = 0;
        if (player.state == kStateWalk) player.state = kStateStand;
        BlendVelocity(&player.vx, &player.vy, 0.0f, 0.0f, 5, 1);
      }
      if (RoundFrame > 280 || RoundFrame < 0) UpdateAttackInput(&player, p);
      break;
    case kStateDash:
      if (free) UpdatePlayerControl(&player, p);
      break;
    case kStateDashSpin:
    case kStateGuardStance:
      if (!free) break;
      UpdateDashChara0(&player, p);
      BlendVelocity(&player.vx, &player.vy, 0.0f, 0.0f, 5, 1);
      break;
    case kStateSpecialMove:
      if (!free) break;
      UpdateSpecialMove(&player, p);
      Advance(player);
      break;
    case kStateSpellCard:
      if (!free) break;
      RunSpellCard(&player, p);
      Advance(player);
      break;
    case kStateHitStun:
      player.modifierHeld = 0;
      if (S().freezeTimer[p] > 0 || (S().holdTimer[p] > 0 && !HeldInJuggle(p))) break;
      UpdateHitStun(&player, p);
      KnockOutTest(player, p, kStateHitStun);
      break;
    case kStateKnockBack:
      player.modifierHeld = 0;
      if (S().freezeTimer[p] > 0 || S().holdTimer[p] > 0) break;
      UpdateKnockBack(&player, p);
      KnockOutTest(player, p, kStateKnockBack);
      break;
    case kStateKnockedOut:
      return UpdateKnockedOut(player, p);
    case kStateGhost:
    case kStateGhostMove:
    case kStateGhostAttackStanding:
    case kStateGhostAttackMoving:
    case kStateGhostFollowThrough:
      UpdateGhost(player, p);
      break;
    default:
      break;
  }
  return true;
}

void RefillMeter(BattleObject& player, int p) {
  if (player.meter < 0.0f) player.meter = 0.0f;
  if (player.attackDelay > 0) {
    --player.attackDelay;
  } else if (player.meter < 700.0f && S().meterRegenPause[p] == 0 && player.modifierHeld == 0 &&
             player.state != kStateSpecialMove) {
    const double handicap = static_cast<double>(g_match.handicap[p]) - 2.0;
    const double gain = player.state == kStateStand ? 4.0 + handicap * 0.5 : 2.0 + handicap * 0.25;
    player.meter = static_cast<float>(player.meter + gain);
  }
  if ((player.state == kStateStand || player.state == kStateWalk) && Held(kInputButton4, p) > 8) {
    player.meter -= 2.0f;
  }
  if (g_match.storyMode != 0 && StrongerInStory(player.kind)) player.meter = 700.0f;
  if (S().meterRegenPause[p] > 0) --S().meterRegenPause[p];
}

// A player in a hit reaction bounces off a wall: off a horizontal wall the heading mirrors
// vertically, off a vertical one horizontally.
void Bounce(BattleObject& player, int p, bool horizontalWall, float burstX, float burstY) {
  const int64_t heading = player.pushHeading;
  // Off a vertical wall while moving down the mirror is written 384 - heading; taken modulo 256
  // it is the same direction and stays inside the tables.
  player.pushHeading = static_cast<int32_t>(((horizontalWall ? 256 : 128) - heading) & 255);
  const float speed = player.speed > 9.0f ? 9.0f : player.speed;
  player.vx = CosOf(player.pushHeading) / 256.0f * speed;
  player.vy = NegSinOf(player.pushHeading) / 256.0f * speed;
  if (player.speed > 9.0f) {
    CreateEffect(&player, 1);
    if (S().wallBurstDone[p] == 0) {
      int n = TruncToInt(player.speed * 0.1111111 * 4);
      if (n > 4) n = 4;
      CreateItem(TruncToInt(burstX), TruncToInt(burstY), n, 1, p);
      S().wallBurstDone[p] = 1;
    }
  }
  if (S().heldFlag[p] == 1) {
    // The shot carrying the player lets go and breaks. Only a live shot that carries this very
    // player does; a stale slot must not take an unrelated shot with it.
    const int slot = S().holdingShot[p];
    BattleObject* shot = slot >= 0 && slot < kShotCount ? &g_shots[slot] : nullptr;
    S().heldFlag[p] = 0;
    if (shot != nullptr && shot->state == 1 && shot->recovery == p) {
      ScreenShake = 30;
      CreateShot(shot, 7, shot->owner);
      shot->state = 0;
    }
  }
}

void KeepInsideArena(BattleObject& player, int p) {
  if (player.y != player.trailY[0]) {
    if (player.y < 36.0f) {
      player.y = 36.0f;
      if (InHitReaction(player)) Bounce(player, p, true, player.x, 38.0f);
    } else if (player.y > 440.0f) {
      player.y = 440.0f;
      if (InHitReaction(player)) Bounce(player, p, true, player.x, 438.0f);
    }
  }
  if (player.x != player.trailX[0]) {
    if (player.x < 32.0f) {
      player.x = 32.0f;
      if (InHitReaction(player)) Bounce(player, p, false, 30.0f, player.y);
    } else if (player.x > 604.0f) {
      player.x = 604.0f;
      if (InHitReaction(player)) Bounce(player, p, false, 610.0f, player.y);
    }
  }
}

void CollideWithWalls(BattleObject& player, int p) {
  if (g_match.stage == 7 || S().airborne[p] == 1) return;
  const int code =
      MoveWithWalls(&player.x, &player.y, player.trailX[0], player.trailY[0], 32, 32, 16);
  if (!InHitReaction(player)) return;
  if (code / 10 > 0) Bounce(player, p, true, player.x, player.y);
  if (code % 10 > 0) Bounce(player, p, false, player.x, player.y);
}

void RunTimers(BattleObject& player, int p) {
  if (player.stun > 0.0f) {
    player.stun = static_cast<float>(player.stun - 0.1);
    if (player.stun < 0.0f) player.stun = 0.0f;
  }
  float& gauge = S().spellGauge[p];
  if (gauge < 0.0f) gauge = 0.0f;
  if (gauge > 200.0f) gauge = 200.0f;
  if (S().recoveryGuard[p] > 0) --S().recoveryGuard[p];
  if (player.guard > 0) {
    --player.guard;
  } else if (player.guard < 0) {
    ++player.guard;
  }
  if (S().freezeTimer[p] > 0) --S().freezeTimer[p];
  if (S().holdTimer[p] > 0) --S().holdTimer[p];
}

bool KeepsStoryPowerUp(const BattleObject& player) {
  if (g_match.storyMode == 0 || g_match.storyKind != 1) return false;
  const int stage = g_match.storyStage;
  return (player.kind == 2 && stage == 2) || (player.kind == 3 && stage == 0) ||
         (player.kind == 5 && stage == 4);
}

void RunPowerUp(BattleObject& player, int p) {
  int32_t& powerUp = S().powerUp[p];
  if (powerUp <= 0 || StoryPreFight != 0 || RoundFrame <= 280) return;
  const int character = player.kind;
  if (FreezeFrames == 0 && powerUp == 998 && player.state != kStateSpellCard) {
    FlashFrames = FlashLength = 16;
    const int inPlay = PlayersInPlay();
    for (int i = 0; i < inPlay; ++i) RemovePlayerShots(i);
    if (character == 1) CreateShot(&player, 7, p);
    if (character == 9) CreateEffect(&player, 76);
    if (character == 12) CreateEffect(&player, 107);
  }
  if (character == 9 && powerUp == 996) {
    powerUp = 998;
    S().cardBar[p] += 20;
  }
  const bool oddFrame = SceneFrame % 2 != 0;
  if (!(player.state == kStateSpellCard || ((character == 5 || character == 13) && oddFrame))) {
    powerUp -= 2;
    S().cardBar[p] -= 20;
  }
  player.meter = 700.0f;
  switch (character) {
    case 0:
      if (SceneFrame % 2 == 0) CreateEffect(&player, 11);
      break;
    case 1:
      if (powerUp % 32 == 30) CreateShot(&player, 7, p);
      break;
    case 2:
      if (powerUp == 0) EnterSpecialMove(player, p);
      break;
    case 5:
      if (SceneFrame % 4 == 0) CreateEffect(&player, 20);
      if (powerUp == 0) {
        EnterSpecialMove(player, p);
        S().specialMode[p] = 8000;
      }
      break;
    case 6:
      SlowNearbyOpponents(p);
      if (SceneFrame % 8 == 1) CreateEffect(&player, 63);
      break;
    case 7:
      if (powerUp == 998) {
        DispatchHitEffect(&player, &player, 15);
        if (player.guard <= 0) player.guard = -2;
      }
      break;
    case 12:
      S().airborne[p] = 1;
      if (powerUp == 0) {
        EnterSpecialMove(player, p);
        S().specialMode[p] = 8000;
      }
      break;
    default:
      break;
  }
  if (KeepsStoryPowerUp(player)) {
    powerUp += 2;
    S().cardBar[p] = 0;
    g_powerUpHeld[p] = true;
  }
}

}  // namespace

void EnterSpecialMove(BattleObject& player, int p) {
  player.state = kStateSpecialMove;
  player.stateTimer = 0;
  player.recovery = 0;
  if (player.kind == 2 || player.kind == 5) player.vz = -3.0f;
  player.rooted = 0;
  S().moveShotCount[p] = 0;
}

bool InHitReaction(const BattleObject& player) {
  return player.state == kStateHitStun || player.state == kStateKnockBack;
}

void StunIfFinished(BattleObject& player) {
  if (player.life <= 0 && player.state < kStateKnockedOut && !InHitReaction(player)) {
    player.state = kStateHitStun;
    player.stateTimer = 16;
  }
}

void UpdatePlayer(int p) {
  BattleObject& player = g_players[p];
  if (player.stateTimer == 8888 && player.state != kStateSpellCard) player.stateTimer = 0;
  if (SceneFrame % 2 == 0) ShiftTrails(player, true);
  if (!DispatchState(player, p)) return;
  RefillMeter(player, p);
  KeepInsideArena(player, p);
  CollideWithWalls(player, p);
  RunTimers(player, p);
  if (player.kind == 10 && (S().entryFrames[p] > 0 || g_match.storyMode == 0) &&
      SceneFrame % 2 == 0 && player.state != kStateKnockBack) {
    DispatchHitEffect(&player, &player, 15);
  }
  if (S().slowTimer[p] > 0) {
    if (S().slowTimer[p] % 16 == 1) CreateEffect(&player, 63);
    --S().slowTimer[p];
  }
  if (g_match.survivalMode != 0 && SurvivalBossRound != 0 && p != 0) {
    S().powerUp[p] = 3;
    S().cardChoice[p] = 2;
    S().cardBar[p] = 0;
    g_powerUpHeld[p] = true;
  }
  RunPowerUp(player, p);
  if (S().reverseTimer[p] > 0) --S().reverseTimer[p];
}

}  // namespace veyrdale::battle_scene
