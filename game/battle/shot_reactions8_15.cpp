// What the shots of characters 8 to 15 do when they strike a player, a familiar or an arena cell,
// and when they touch the edge of the arena: the rushes that throw their owner up, the carrier
// that catches and lets go, the catches that hold a victim for a card, and the bursts and
// bounces of the rest.
#include <cstdint>

#include "game/battle/player_control.h"
#include "game/battle/shot_behaviour.h"
#include "game/battle/shots.h"
#include "game/core/frame_state.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

constexpr int kSoundCatch = kSoundShotN2;
constexpr int kSoundCatchFromAbove = kSoundZan;
constexpr int kSoundCircleBounce = kSoundShikiRef;

bool OnPlayer(const ShotImpact& impact) {
  return impact.target == ShotTarget::kPlayer;
}

bool OnCell(const ShotImpact& impact) {
  return impact.target == ShotTarget::kCell;
}

// The victim player of an impact, or null (counted as a miss) for an index outside 0-3.
BattleObject* Victim(const ShotImpact& impact) {
  if (!OnPlayer(impact)) return nullptr;
  if (impact.victim < 0 || impact.victim >= kPlayerCount) {
    ++IndexMisses;
    return nullptr;
  }
  return &g_players[impact.victim];
}

// The lowest free slot a child of this shot would take, or -1.
int NextChildSlot(const BattleObject* shot) {
  for (int slot = 0; slot < kShotCount; ++slot) {
    if (g_shots[slot].state == 0 && &g_shots[slot] != shot) return slot;
  }
  return -1;
}

// 8/2 and 8/4: the owner, still on its feet, jumps back into its special move.
void OwnerLeapsBack(const BattleObject& shot) {
  BattleObject* owner = ShotOwner(shot);
  if (owner == nullptr || owner->state > kStateInert) return;
  owner->state = kStateSpecialMove;
  owner->stateTimer = 0;
  owner->vz = -3.5f;
  owner->z += owner->vz;
  owner->vx = VelocityX(owner->heading, -4.0f);
  owner->vy = VelocityY(owner->heading, -4.0f);
  g_playerState.specialMode[shot.owner] = 0;
}

void Chara8(BattleObject* shot, const ShotImpact& impact) {
  switch (shot->move) {
    case 1:
      ScreenShake = 8;
      shot->recovery = 0;
      ShotChild(shot, 7);
      ShotEffect(shot, 24);
      if (OnCell(impact)) shot->state = 0;
      break;
    case 2:
      if (OnPlayer(impact)) {
        ScreenShake = 20;
      } else if (OnCell(impact)) {
        shot->state = 0;
        OwnerLeapsBack(*shot);
      }
      break;
    case 3:
      ScreenShake = 6;
      ShotEffect(shot, 23);
      break;
    case 4:
      OwnerLeapsBack(*shot);
      if (OnPlayer(impact)) ScreenShake = 20;
      if (OnCell(impact)) shot->state = 0;
      break;
    case 5:
      if (OnPlayer(impact)) Flash(1, 3);
      break;
    case 9:
      if (OnPlayer(impact)) shot->state = 0;
      break;
    default:
      break;
  }
}

void Chara9(BattleObject* shot, const ShotImpact& impact) {
  if (!OnPlayer(impact)) return;
  switch (shot->move) {
    case 3:
      ScreenShake = 20;
      break;
    case 4:
    case 7:
    case 10:
    case 11:
      ScreenShake = 16;
      break;
    case 13:
      ScreenShake = 20;
      Flash(8, 12);
      break;
    default:
      break;
  }
}

// 10/7 on a victim in knock-back: the carrier picks the victim up. The victim is held only when
// the carrier could be made.
void PickUp(BattleObject* shot, const ShotImpact& impact) {
  const BattleObject* victim = Victim(impact);
  if (victim == nullptr || victim->state != kStateKnockBack || victim->life <= 0) return;
  shot->recovery = impact.victim;
  const int slot = NextChildSlot(shot);
  ShotChild(shot, 9);
  if (slot < 0 || g_shots[slot].state != 1) return;
  g_shots[slot].recovery = impact.victim;
  g_playerState.holdingShot[impact.victim] = slot;
  g_playerState.heldFlag[impact.victim] = 1;
}

void Chara10(BattleObject* shot, int slot, const ShotImpact& impact) {
  switch (shot->move) {
    case 2:
      ScreenShake = 16;
      ShotChild(shot, 7);
      if (OnPlayer(impact)) PickUp(shot, impact);
      break;
    case 4:
      ScreenShake = 20;
      if (!OnCell(impact) || g_shotDamage[slot].damage >= 70) ShotChild(shot, 7);
      if (OnPlayer(impact)) PickUp(shot, impact);
      break;
    case 6:
      if (Victim(impact) != nullptr) GiveBackDamage(impact.victim, impact.damage);
      break;
    case 7:
      PickUp(shot, impact);
      break;
    case 9:
      ScreenShake = 30;
      ReleaseHeldPlayer(*shot, slot, OnPlayer(impact));
      ShotChild(shot, 7);
      break;
    default:
      break;
  }
}

void Chara11(BattleObject* shot, const ShotImpact& impact) {
  const int move = shot->move;
  if (move >= 1 && move <= 4) {
    if (OwnerPoweredUp(*shot)) ShotChild(shot, 7);
    if (move == 1) ScreenShake = 8;
    if (move == 3) {
      ScreenShake = 6;
      if (impact.target != ShotTarget::kFamiliar) ShotEffect(shot, 23);
    }
    if (OnPlayer(impact) && move == 2) ScreenShake = 24;
    if (OnPlayer(impact) && move == 4) ScreenShake = 16;
    return;
  }
  if (!OnPlayer(impact)) return;
  if (move == 5) Flash(1, 3);
  if (move == 9) shot->state = 0;
}

void Chara12(BattleObject* shot, const ShotImpact& impact) {
  if (!OnPlayer(impact)) return;
  switch (shot->move) {
    case 2:
    case 13:
      Flash(8, 12);
      ScreenShake = 20;
      break;
    case 3:
    case 4:
      ScreenShake = 16;
      break;
    default:
      break;
  }
}

void SetMarker(const BattleObject& shot, float x, float y, int32_t timer) {
  if (ShotOwner(shot) == nullptr) return;
  MarkerPoint& marker = g_markerPoints[shot.owner];
  marker.x = x;
  marker.y = y;
  marker.timer = timer;
}

// 13/6: the victim caught and held for the owner's card, which reads the marker's player.
void CatchForCard(BattleObject* shot, const ShotImpact& impact) {
  BattleObject* victim = Victim(impact);
  BattleObject* owner = ShotOwner(*shot);
  if (victim == nullptr || owner == nullptr) return;
  SetMarker(*shot, victim->x, victim->y, 700);
  g_markerPoints[shot->owner].player = impact.victim;
  g_playerState.holdTimer[impact.victim] = 700;
  g_playerState.holder[impact.victim] = shot->owner;
  Flash(12, 12);
  FreezeFrames = 32;
  ScreenShake = 16;
  owner->z = -9999.0f;
  owner->stateTimer = 525;
  PlaySoundEntry(kSoundCatch);
  ShotEffectAt(shot, victim->x, victim->y, 3);
}

void Chara13(BattleObject* shot, const ShotImpact& impact) {
  switch (shot->move) {
    case 3:
      if (OnPlayer(impact)) ScreenShake = 20;
      break;
    case 4:
    case 7:
    case 11:
      if (OnPlayer(impact)) ScreenShake = 16;
      break;
    case 6:
      CatchForCard(shot, impact);
      break;
    case 8: {
      ScreenShake = 20;
      const BattleObject* victim = Victim(impact);
      if (OnPlayer(impact) && victim == nullptr) break;
      const BattleObject& at = victim != nullptr            ? *victim
                               : impact.familiar != nullptr ? *impact.familiar
                                                            : *shot;
      SetMarker(*shot, at.x, at.y, 32);
      break;
    }
    case 10:
      if (Victim(impact) != nullptr) g_playerState.holdTimer[impact.victim] = 0;
      if (ShotOwner(*shot) != nullptr) g_markerPoints[shot->owner].timer = 0;
      break;
    case 13:
      if (OnPlayer(impact)) {
        ScreenShake = 20;
        Flash(8, 12);
      }
      break;
    default:
      break;
  }
}

// 14/6: the victim caught for the second phase of the owner's card, the owner high above it.
void CatchFromAbove(BattleObject* shot, int slot, const ShotImpact& impact) {
  BattleObject* victim = Victim(impact);
  BattleObject* owner = ShotOwner(*shot);
  if (victim == nullptr || owner == nullptr) return;
  ScreenShake = 20;
  Flash(16, 16);
  owner->stateTimer = 2420;
  owner->x = victim->x;
  owner->y = victim->y - 600.0f;
  owner->vx = 0.0f;
  owner->vy = 0.0f;
  owner->pushHeading = impact.victim;
  g_playerState.holdTimer[impact.victim] = 420;
  g_playerState.holder[impact.victim] = shot->owner;
  g_playerState.airborne[shot->owner] = 1;
  victim->vz = -4.0f;
  victim->z -= 4.0f;
  victim->speed = 0.0f;
  FreezeFrames = 24;
  shot->stateTimer = 15;
  for (uint8_t& flag : ShotHitFlags[slot]) flag = 1;
  if (shot->life >= 0 && shot->life < kFamiliarCount) {
    g_familiars[shot->life].state = 9;
    g_familiars[shot->life].stateTimer = 0;
  } else {
    ++IndexMisses;
  }
  PlaySoundEntry(kSoundCatchFromAbove);
}

void Chara14(BattleObject* shot, int slot, const ShotImpact& impact) {
  if (!OnPlayer(impact)) return;
  BattleObject* victim = nullptr;
  switch (shot->move) {
    case 2:
    case 3:
    case 4:
    case 7:
      ScreenShake = 16;
      break;
    case 6:
      CatchFromAbove(shot, slot, impact);
      break;
    case 9:
      if ((victim = Victim(impact)) != nullptr) {
        victim->vz = -1.25f;
        victim->z -= 1.25f;
        victim->speed = 0.0f;
      }
      ScreenShake = 20;
      Flash(12, 12);
      break;
    case 10:
      if ((victim = Victim(impact)) != nullptr) {
        victim->vz = 12.0f;
        victim->speed = 0.0f;
        g_playerState.holdTimer[impact.victim] = 0;
        victim->stateTimer = 128;
      }
      ScreenShake = 32;
      SlowMotionFrames = 16;
      Flash(12, 12);
      break;
    case 11:
      ScreenShake = 20;
      break;
    default:
      break;
  }
}

// 15/2 and 15/4 burst into their follow-up on whatever stops them.
void Burst15(BattleObject* shot) {
  if (shot->move == 2) {
    ShotChild(shot, 9);
    shot->state = 0;
    ScreenShake = 16;
  } else {
    ShotChild(shot, 10);
    ShotHitEvent(shot, 13);
    shot->state = 0;
    ScreenShake = 24;
  }
}

void Chara15(BattleObject* shot, const ShotImpact& impact) {
  const int move = shot->move;
  if (!OnPlayer(impact)) {
    if (move == 2 || move == 4) Burst15(shot);
    return;
  }
  switch (move) {
    case 9:
      ScreenShake = 16;
      break;
    case 10:
      ScreenShake = 24;
      break;
    case 11:
      shot->state = 0;
      break;
    case 13:
      ScreenShake = 20;
      Flash(8, 12);
      break;
    default:
      break;
  }
}

}  // namespace

void ReleaseHeldPlayer(const BattleObject& shot, int slot, bool turn) {
  // A carrier with a player index outside 0-3 was already removed (and counted) by its own
  // update; there is nobody to let go.
  const int p = shot.recovery;
  if (p < 0 || p >= kPlayerCount) return;
  if (turn) {
    BattleObject& held = g_players[p];
    held.pushHeading = WrapHeading(int64_t{held.pushHeading} + 128);
  }
  if (g_playerState.holdingShot[p] == slot) g_playerState.heldFlag[p] = 0;
}

void RunImpactReaction8To15(BattleObject* shot, int slot, const ShotImpact& impact) {
  switch (shot->kind) {
    case 8:
      Chara8(shot, impact);
      break;
    case 9:
      Chara9(shot, impact);
      break;
    case 10:
      Chara10(shot, slot, impact);
      break;
    case 11:
      Chara11(shot, impact);
      break;
    case 12:
      Chara12(shot, impact);
      break;
    case 13:
      Chara13(shot, impact);
      break;
    case 14:
      Chara14(shot, slot, impact);
      break;
    case 15:
      Chara15(shot, impact);
      break;
    default:
      break;
  }
}

namespace {

// 9/10-11 at the edge while their owner's card is young: put back on the edge line and bounced.
void BounceBackInside(BattleObject* shot, int slot) {
  const BattleObject* owner = ShotOwner(*shot);
  if (owner == nullptr || owner->stateTimer < 95 || shot->life < 1) return;
  const int r = g_shotDamage[slot].hitRadius;
  const int x = TruncToInt(shot->x);
  const int y = TruncToInt(shot->y);
  BounceOffEdge(shot, slot);
  if (x < r - 8 || x > 648 - r) {
    shot->x = static_cast<float>(x < r - 8 ? r - 8 : 648 - r);
  } else if (y < r - 8 || y > 488 - r) {
    shot->y = static_cast<float>(y < r - 8 ? r - 8 : 488 - r);
  }
  PlaySoundEntry(kSoundCircleBounce);
  ShotEffect(shot, shot->move == 10 ? 72 : 73);
  for (uint8_t& flag : ShotHitFlags[slot]) flag = 0;
  ScreenShake = 12;
}

// 13/3 bounces with a random spread whose side the selector in `recovery` picks.
void SpreadBounce(BattleObject* shot, int slot) {
  if (shot->life == 0) {
    shot->state = 0;
    return;
  }
  const int r = g_shotDamage[slot].hitRadius;
  const int x = TruncToInt(shot->x);
  const int64_t spread = int64_t{morrow::GetRandomNumber(12)} * (1 - 2 * int64_t{shot->recovery});
  const int64_t base = x < r - 8 || x > 648 - r ? 384 : 256;
  shot->heading = WrapHeading(spread - shot->heading + base);
  shot->vx = VelocityX(shot->heading, shot->speed);
  shot->vy = VelocityY(shot->heading, shot->speed);
  ShotStrikesWall(shot);
  shot->life = AddSaturated(shot->life, -1);
}

}  // namespace

void RunEdgeReaction8To15(BattleObject* shot, int slot) {
  const int kind = shot->kind;
  const int move = shot->move;
  if (kind == 9 && (move == 10 || move == 11)) {
    BounceBackInside(shot, slot);
  } else if (kind == 10 && move == 2) {
    ScreenShake = 16;
    ShotChild(shot, 7);
    shot->state = 0;
  } else if (kind == 10 && move == 9) {
    ScreenShake = 30;
    ReleaseHeldPlayer(*shot, slot, false);
    shot->state = 0;
    ShotChild(shot, 7);
  } else if (kind == 11 && move >= 1 && move <= 4) {
    if (OwnerPoweredUp(*shot)) {
      ShotChild(shot, 7);
      shot->state = 0;
    }
  } else if (kind == 13 && move == 1) {
    BounceWhileCounting(shot, slot);
  } else if (kind == 13 && move == 3) {
    SpreadBounce(shot, slot);
  } else if (kind == 13 && move == 8) {
    SetMarker(*shot, shot->x, shot->y, 32);
  } else if (kind == 15 && (move == 2 || move == 4)) {
    Burst15(shot);
  }
}

}  // namespace veyrdale
