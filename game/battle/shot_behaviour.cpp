// The building blocks of the shot behaviours and the three hooks that choose a character's part
// by the shot's kind. A kind without a part does nothing.
#include "game/battle/shot_behaviour.h"

#include <cstdint>

#include "game/battle/battle.h"
#include "game/battle/shots.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

bool LifetimeOver(BattleObject* shot, int n) {
  if (shot->stateTimer <= n) return false;
  shot->state = 0;
  return true;
}

bool LifetimeAt(BattleObject* shot, int n) {
  if (shot->stateTimer != n) return false;
  shot->state = 0;
  return true;
}

int16_t HalfAgeWeight(const BattleObject& shot) {
  const int64_t weight = shot.stateTimer / 2 + 1;
  if (weight > INT16_MAX) return INT16_MAX;
  if (weight < INT16_MIN) return INT16_MIN;
  return static_cast<int16_t>(weight);
}

BattleObject* ShotOwner(const BattleObject& shot) {
  return shot.owner >= 0 && shot.owner < kPlayerCount ? &g_players[shot.owner] : nullptr;
}

BattleObject* ShotAnchor(const BattleObject& shot) {
  if (ShotOwner(shot) == nullptr) return nullptr;
  return shot.guard == 1 ? &g_companions[shot.owner] : &g_players[shot.owner];
}

bool OwnerPoweredUp(const BattleObject& shot) {
  return ShotOwner(shot) != nullptr && g_playerState.powerUp[shot.owner] > 0;
}

void AttachShot(BattleObject* shot, const BattleObject& anchor, int64_t heading, float r,
                float dy) {
  shot->x = anchor.x + VelocityX(WrapHeading(heading), r);
  shot->y = anchor.y + VelocityY(WrapHeading(heading), r) + dy;
}

bool AttachToAnchor(BattleObject* shot, float r, float dy) {
  const BattleObject* anchor = ShotAnchor(*shot);
  if (anchor == nullptr) {
    shot->state = 0;
    return false;
  }
  AttachShot(shot, *anchor, anchor->heading, r, dy);
  return true;
}

bool CutShot(BattleObject* shot) {
  const BattleObject* owner = ShotOwner(*shot);
  if (owner != nullptr && owner->state != 10 && owner->state != 11) return false;
  shot->state = 0;
  return true;
}

void ShotChild(BattleObject* shot, int move) {
  CreateShot(shot, static_cast<int16_t>(move), shot->owner);
}

void ShotEffect(const BattleObject* shot, int kind) {
  CreateEffect(shot, kind);
}

void ShotEffectAt(const BattleObject* shot, float x, float y, int kind) {
  BattleObject source = *shot;
  source.x = x;
  source.y = y;
  CreateEffect(&source, kind);
}

void ShotHitEvent(BattleObject* shot, int n) {
  DispatchHitEffect(shot, shot, n);
}

void Flash(int frames, int length) {
  FlashFrames = frames;
  FlashLength = length;
}

void FallShot(BattleObject* shot, int slot, float step, float limit) {
  if (!(shot->z < 0.0f)) return;
  shot->z += shot->vz;
  // The fall speeds up to its limit and no further.
  if (shot->vz < limit) shot->vz += step;
  if (shot->z >= 0.0f) {
    shot->z = 0.0f;
    shot->vz = 0.0f;
    PlaySoundEntry(kSoundHit);
    ShotHitEvent(shot, g_shotDamage[slot].hitClass);
  }
}

bool FollowUpOwnerMove(BattleObject* shot, int move, float v, bool recoil) {
  BattleObject* owner = ShotOwner(*shot);
  if (owner == nullptr || owner->recovery == 0 || owner->state != 8) return false;
  ShotChild(shot, move);
  owner->rooted = 1;
  owner->recovery = 0;
  if (recoil) {
    owner->vx = VelocityX(owner->heading, -v);
    owner->vy = VelocityY(owner->heading, -v);
  }
  shot->state = 0;
  return true;
}

void OwnerRecoil(const BattleObject& shot) {
  BattleObject* owner = ShotOwner(shot);
  if (owner == nullptr) return;
  owner->stateTimer = 100;
  owner->vz = -3.0f;
  owner->vx = VelocityX(owner->heading, -4.0f);
  owner->vy = VelocityY(owner->heading, -4.0f);
}

void BounceOffEdge(BattleObject* shot, int slot) {
  const int r = g_shotDamage[slot].hitRadius;
  const int x = TruncToInt(shot->x);
  const int y = TruncToInt(shot->y);
  if (x < r - 8 || x > 648 - r) {
    shot->heading = WrapHeading(384 - static_cast<int64_t>(shot->heading));
    shot->vx = -shot->vx;
  } else if (y < r - 8 || y > 488 - r) {
    shot->heading = WrapHeading(256 - static_cast<int64_t>(shot->heading));
    shot->vy = -shot->vy;
  }
}

void ShotStrikesWall(BattleObject* shot) {
  PlaySoundEntry(kSoundWall);
  ShotHitEvent(shot, 0);
}

void BounceWhileCounting(BattleObject* shot, int slot) {
  if (shot->life == 0) {
    shot->state = 0;
    return;
  }
  BounceOffEdge(shot, slot);
  ShotStrikesWall(shot);
  shot->life = AddSaturated(shot->life, -1);
}

void GiveBackDamage(int p, float damage) {
  if (p < 0 || p >= kPlayerCount) {
    ++IndexMisses;
    return;
  }
  BattleObject& victim = g_players[p];
  // An armoured victim already had half of A back; life never rises above its full 350.
  const double life = static_cast<double>(victim.life) + damage;
  victim.life = TruncToInt(life > 350.0 ? 350.0 : life);
}

bool RunShotBehaviour(BattleObject* shot, int slot) {
  if (shot == nullptr || slot < 0 || slot >= kShotCount) {
    ++IndexMisses;
    return false;
  }
  switch (shot->kind) {
    case 0:
      return RunShotBehaviourChara0(shot, slot);
    case 1:
      return RunShotBehaviourChara1(shot, slot);
    case 2:
      return RunShotBehaviourChara2(shot, slot);
    case 3:
      return RunShotBehaviourChara3(shot, slot);
    case 4:
      return RunShotBehaviourChara4(shot, slot);
    case 5:
      return RunShotBehaviourChara5(shot, slot);
    case 6:
      return RunShotBehaviourChara6(shot, slot);
    case 7:
      return RunShotBehaviourChara7(shot, slot);
    case 8:
      return RunShotBehaviourChara8(shot, slot);
    case 9:
      return RunShotBehaviourChara9(shot, slot);
    case 10:
      return RunShotBehaviourChara10(shot, slot);
    case 11:
      return RunShotBehaviourChara11(shot, slot);
    case 12:
      return RunShotBehaviourChara12(shot, slot);
    case 13:
      return RunShotBehaviourChara13(shot, slot);
    case 14:
      return RunShotBehaviourChara14(shot, slot);
    case 15:
      return RunShotBehaviourChara15(shot, slot);
    case kNeutralKind:
      return RunShotBehaviourNeutral(shot, slot);
    default:
      return false;
  }
}

namespace {

void RunImpact(BattleObject* shot, int slot, const ShotImpact& impact) {
  if (shot == nullptr || slot < 0 || slot >= kShotCount) {
    ++IndexMisses;
    return;
  }
  if (shot->kind < 8) {
    RunImpactReaction0To7(shot, slot, impact);
  } else if (shot->kind < 16) {
    RunImpactReaction8To15(shot, slot, impact);
  } else if (shot->kind == kNeutralKind) {
    RunImpactReactionNeutral(shot, slot, impact);
  }
}

}  // namespace

void RunShotImpactReaction(BattleObject* shot, int slot, int victim, float damage) {
  RunImpact(shot, slot, {ShotTarget::kPlayer, victim, damage, nullptr});
}

void RunShotImpactReaction(BattleObject* shot, int slot, BattleObject* familiar) {
  RunImpact(shot, slot, {ShotTarget::kFamiliar, -1, 0.0f, familiar});
}

void RunShotImpactReaction(BattleObject* shot, int slot, ShotCell /*cell*/) {
  RunImpact(shot, slot, {ShotTarget::kCell, -1, 0.0f, nullptr});
}

void RunShotEdgeReaction(BattleObject* shot, int slot) {
  if (shot == nullptr || slot < 0 || slot >= kShotCount) {
    ++IndexMisses;
    return;
  }
  if (shot->kind < 8) {
    RunEdgeReaction0To7(shot, slot);
  } else if (shot->kind < 16) {
    RunEdgeReaction8To15(shot, slot);
  }
}

}  // namespace veyrdale
