// One frame of one shot: its behaviour and motion, the players and familiars it hits, the arena
// cells it damages, and its removal or edge reaction at the border of the arena.
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/characters.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/battle/shot_behaviour.h"
#include "game/battle/shots.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

namespace {

PlayerBattleState& S() {
  return g_playerState;
}

constexpr int kFamiliarKindPole = 0;
constexpr int kFamiliarKindWalker = 2;
constexpr int kFamiliarKindBlock = 7;
constexpr int kFamiliarKindSummoned = 8;

// The tests that keep player p out of reach of this shot, in their order.
bool OutOfReach(const BattleObject& shot, int slot, int p, int ownerKind) {
  const BattleObject& player = g_players[p];
  if (ShotHitFlags[slot][p] != 0) return true;
  if (player.guard > 0) return true;
  if (player.state == kStateKnockBack) return true;
  if (S().recoveryGuard[p] > 0) return true;
  if (player.life <= 0) return true;
  // A held player can be hit only by the holder's shots.
  if (S().holdTimer[p] > 0 && S().holder[p] != shot.owner) return true;
  // Character 14's throws reach only the player its owner picked (kept in the second heading).
  if (ownerKind == 14 && (shot.move == 9 || shot.move == 10) &&
      g_players[shot.owner].pushHeading != p) {
    return true;
  }
  return false;
}

// A dash's ground mark turns shots aside; some shots end there.
void TurnAtGroundMark(BattleObject* shot, int slot, int p, int radius) {
  const GroundMark& mark = g_groundMarks[p];
  if (mark.timer <= 0 || !CheckCircleHit(mark.x, mark.y, shot->x, shot->y, radius + 24)) return;
  shot->heading = WrapHeading(static_cast<int64_t>(mark.heading) + shot->heading + 256);
  shot->vx = VelocityX(shot->heading, shot->speed);
  shot->vy = VelocityY(shot->heading, shot->speed);
  ShotHitFlags[slot][p] = 1;
  BattleObject source{};
  source.kind = shot->kind;
  source.x = mark.x;
  source.y = mark.y;
  source.owner = shot->owner;
  CreateEffect(&source, 1);
  PlaySoundEntry(kSoundShotTurned);
  const int kind = shot->kind;
  const int move = shot->move;
  if ((kind == 2 && move == 5) || (kind == 8 && move == 6) ||
      ((kind == 9 || kind == 10) && move == 3)) {
    shot->state = 0;
  }
  if (kind == 7 && move == 3) {
    shot->recovery = WrapHeading(static_cast<int64_t>(mark.heading) + shot->recovery + 256);
  }
}

// Tests the players in order; true when the update has ended with a hit.
bool TestPlayers(BattleObject* shot, int slot) {
  const int owner = ShotOwnerIndex(*shot);
  const int ownerKind = owner >= 0 ? g_players[owner].kind : -1;
  const int inPlay = PlayersInPlay();
  for (int p = 0; p < inPlay; ++p) {
    if (OutOfReach(*shot, slot, p, ownerKind)) continue;
    int radius = g_shotDamage[slot].hitRadius;
    TurnAtGroundMark(shot, slot, p, radius);
    const BattleObject& player = g_players[p];
    // A player about to parry reaches a little further.
    if (player.state == kStateGuardStance ||
        (player.state == kStateDashSpin && player.stateTimer < 10)) {
      radius += 8;
    }
    if (!CheckCircleHit(player.x, player.y, shot->x, shot->y, radius)) continue;
    // Outside the two team modes a shot hits nobody (steering still counts everyone an enemy).
    const bool teamsKnown = g_match.teamMode == 0 || g_match.teamMode == 1;
    if (!teamsKnown || !IsEnemyOfShot(*shot, p)) continue;
    // A parried shot is gone, but the familiars are still tested in this frame.
    return !HitPlayerWithShot(shot, slot, p);
  }
  return false;
}

// The familiar's answer to a hit, by its kind. The damage counters are the record's `life` (the
// walker, the summoned familiars) and the block's armour frames in `recovery`.
void ReactToShot(BattleObject& familiar, const BattleObject& shot, int damage) {
  const int away = shot.speed == 0.0f ? HeadingBetween(shot.x, shot.y, familiar.x, familiar.y)
                                      : WrapHeading(shot.heading);
  switch (familiar.kind) {
    case kFamiliarKindPole:
      familiar.state = 3;
      familiar.stateTimer = 0;
      break;
    case kFamiliarKindWalker:
      familiar.life = AddSaturated(familiar.life, damage);
      familiar.guard = 2;
      if (familiar.life > 16) {
        familiar.state = 2;
        familiar.stateTimer = 0;
        SetVelocityAlong(familiar, away, 8.0f);
      }
      break;
    case kFamiliarKindBlock: {
      familiar.guard = 4;
      const int32_t counter = AddSaturated(familiar.recovery, damage);
      familiar.recovery = counter > 100 ? 100 : counter;
      const double speed = familiar.recovery * 0.125 + 2.0;
      familiar.speed = static_cast<float>(speed > 7.0 ? 7.0 : speed);
      familiar.heading = away;
      SetVelocityAlong(familiar, away, familiar.speed);
      break;
    }
    case kFamiliarKindSummoned:
      familiar.life = AddSaturated(familiar.life, damage);
      familiar.guard = 4;
      if (familiar.life > 96) {
        familiar.state = 9;
        familiar.stateTimer = -12;
        familiar.vx = 0.0f;
        familiar.vy = 0.0f;
      }
      break;
    default:
      break;
  }
}

// Tests the familiars in slot order; true when the update has ended with a hit.
bool TestFamiliars(BattleObject* shot, int slot) {
  const bool neutral = ShotOwnerIndex(*shot) < 0;
  const ShotDamageRecord& record = g_shotDamage[slot];
  for (BattleObject& familiar : g_familiars) {
    if (familiar.state != 1 || familiar.guard > 0) continue;
    if (neutral && familiar.kind != kFamiliarKindSummoned) continue;
    const int radius = record.hitRadius - (familiar.kind == kFamiliarKindSummoned ? 4 : 0);
    if (!CheckCircleHit(familiar.x, familiar.y, shot->x, shot->y, radius)) continue;
    ReactToShot(familiar, *shot, record.damage);
    PlaySoundEntry(kSoundShotHit);
    const int kind = shot->kind;
    const int move = shot->move;
    if (!(FightsLikeCharacter0(kind) && move == 6) && !(kind == 4 && move == 5)) {
      DispatchHitEffect(shot, shot, record.hitClass);
    }
    RunShotImpactReaction(shot, slot, &familiar);
    if (record.hitClass == 0 || record.hitClass == 1) shot->state = 0;
    return true;
  }
  return false;
}

// Shots that may fly far outside the arena and come back.
bool MayLeaveArena(int kind, int move) {
  switch (kind) {
    case 6:
    case 8:
      return move == 6;
    case 9:
      return move == 3 || move == 13;
    case 12:
      return move == 2;
    case 13:
      return move == 5;
    case 14:
      return move == 9;
    case kNeutralKind:
      return move == 8;
    default:
      return false;
  }
}

void AdvanceAge(BattleObject* shot) {
  if (shot->stateTimer < INT32_MAX) ++shot->stateTimer;
}

}  // namespace

int ShotOwnerIndex(const BattleObject& shot) {
  return shot.owner >= 0 && shot.owner < kPlayerCount ? shot.owner : -1;
}

bool IsEnemyOfShot(const BattleObject& shot, int p) {
  switch (g_match.teamMode) {
    case 0:
      return static_cast<float>(p) != shot.meter;
    case 1:
      return static_cast<float>(g_match.team[p]) != shot.meter;
    default:
      return true;
  }
}

namespace {

void RunShotFrame(BattleObject* shot, int slot) {
  // An owner outside 0-4 can only come from a behaviour's write; it is treated as nobody.
  if (shot->owner < 0 || shot->owner > kNobody) ++IndexMisses;
  int owner = ShotOwnerIndex(*shot);

  // The shots of a player who is out of the round vanish at age 60.
  if (shot->stateTimer > 0 && owner >= 0 && g_players[owner].state > kStateKnockedOut &&
      shot->stateTimer == 60) {
    shot->state = 0;
  }
  if (shot->stateTimer > 0) {
    // A behaviour that ends the update leaves the shot where it is and its age as it is.
    if (RunShotBehaviour(shot, slot)) return;
    owner = ShotOwnerIndex(*shot);
    // Character 13's shots race along while their powered-up owner dashes.
    const bool racing = shot->kind == 13 && owner >= 0 && g_players[owner].state == kStateDash &&
                        S().powerUp[owner] > 0;
    if (racing) {
      shot->x += shot->vx * 3.0f;
      shot->y += shot->vy * 3.0f;
    } else {
      shot->x += shot->vx;
      shot->y += shot->vy;
    }
  }
  if (shot->state == 0) return;

  // A shot high in the air passes over players, familiars and cells.
  if (!(shot->z <= -12.0f)) {
    const bool tooYoung = g_shotDamage[slot].hitClass == 2 && shot->stateTimer < 5;
    if (!tooYoung && TestPlayers(shot, slot)) return;
    if (!tooYoung && TestFamiliars(shot, slot)) return;
    if (g_shotDamage[slot].hitClass != 6) DamageObstacle(shot, slot);
  }

  if ((shot->x < -64.0f || shot->x > 704.0f || shot->y < -64.0f || shot->y > 544.0f) &&
      !MayLeaveArena(shot->kind, shot->move)) {
    shot->state = 0;
    shot->life = 0;
  }
  const float r = g_shotDamage[slot].hitRadius;
  const bool inside =
      r - 9.0f <= shot->x && shot->x <= 648.0f - r && r - 8.0f <= shot->y && shot->y <= 488.0f - r;
  if (!inside) RunShotEdgeReaction(shot, slot);
  AdvanceAge(shot);
}

}  // namespace

void UpdateShot(BattleObject* shot, int slot) {
  if (shot == nullptr || slot < 0 || slot >= kShotCount) {
    ++IndexMisses;
    return;
  }
  const bool carrying = shot->state == 1 && ShotCarriesPlayer(shot->kind, shot->move);
  RunShotFrame(shot, slot);
  // However the carrier was lost (its owner out, off the arena, used up), its player goes free.
  if (carrying && shot->state == 0) ReleaseHeldPlayer(*shot, slot, false);
}

}  // namespace veyrdale
