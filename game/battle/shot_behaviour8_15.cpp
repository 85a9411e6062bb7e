// The per-frame behaviours of the shots of characters 8 to 15: rushes and spirals, shots that
// circle a point or stand by a familiar, the carrier that holds a caught player, the blade that
// sweeps, the shots that freeze while their owner dashes and the chains that split by a count.
#include <cstdint>

#include "game/battle/battle.h"
#include "game/battle/familiars.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/battle/shot_behaviour.h"
#include "game/battle/shots.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

constexpr int kSoundCircleBounce = kSoundShikiRef;
constexpr float kCircleX = 320.0f;
constexpr float kCircleY = 248.0f;
constexpr float kCircleRadius = 80.0f;
constexpr int kNoPartner = 9999;

int Age(const BattleObject& shot) {
  return shot.stateTimer;
}

void PowerUpChildEvery(BattleObject* shot, int period, int at, int move) {
  if (OwnerPoweredUp(*shot) && Age(*shot) % period == at) ShotChild(shot, move);
}

void SetVelocityAlong(BattleObject* shot, int64_t heading, float speed) {
  shot->vx = VelocityX(WrapHeading(heading), speed);
  shot->vy = VelocityY(WrapHeading(heading), speed);
}

void TurnHeading(BattleObject* shot, int64_t turn) {
  shot->heading = WrapHeading(static_cast<int64_t>(shot->heading) + turn);
}

// The heading of the velocity. The components are scaled up before the integer direction so that
// slow shots keep their direction.
int VelocityHeading(const BattleObject& shot) {
  return HeadingBetween(0.0f, 0.0f, shot.vx * 256.0f, shot.vy * 256.0f);
}

// Attached along the shot's own heading; false (and removed) without an anchor.
bool AttachAlongShot(BattleObject* shot, float r, float dy) {
  const BattleObject* anchor = ShotAnchor(*shot);
  if (anchor == nullptr) {
    shot->state = 0;
    return false;
  }
  AttachShot(shot, *anchor, shot->heading, r, dy);
  return true;
}

// The opening spiral of 8/7 and 9/8: the heading turns 6 a frame and the shot stands `step` x
// age pixels from the packed point along it.
void Spiral(BattleObject* shot, float step) {
  TurnHeading(shot, 6);
  const float r = step * static_cast<float>(Age(*shot));
  shot->x = static_cast<float>(PackedPointX(shot->recovery)) + VelocityX(shot->heading, r);
  shot->y = static_cast<float>(PackedPointY(shot->recovery)) + VelocityY(shot->heading, r);
  shot->pushHeading = VelocityHeading(*shot);
}

void ClearHitFlags(int slot) {
  for (uint8_t& flag : ShotHitFlags[slot]) flag = 0;
}

void SetHitFlags(int slot) {
  for (uint8_t& flag : ShotHitFlags[slot]) flag = 1;
}

// Character 8's rushes: the owner charges behind the shot until `until`, then slows down.
void Rush(BattleObject* shot, int until, float v) {
  BattleObject* anchor = ShotAnchor(*shot);
  if (anchor == nullptr) {
    shot->state = 0;
    return;
  }
  if (Age(*shot) >= until) {
    shot->state = 0;
    anchor->vx = static_cast<float>(anchor->vx * 0.4);
    anchor->vy = static_cast<float>(anchor->vy * 0.4);
    return;
  }
  anchor->guard = -4;
  anchor->vx = VelocityX(anchor->heading, v);
  anchor->vy = VelocityY(anchor->heading, v);
  AttachShot(shot, *anchor, shot->heading, 12.0f, 6.0f);
  PowerUpChildEvery(shot, 3, 2, 9);
}

}  // namespace

bool RunShotBehaviourChara8(BattleObject* shot, int /*slot*/) {
  const int age = Age(*shot);
  switch (shot->move) {
    case 1:
      ScaleShotSpeed(shot, 1.05f, 12, 48);
      PowerUpChildEvery(shot, 10, 9, 9);
      break;
    case 2:
      Rush(shot, 18, 22.0f);
      break;
    case 3:
      ScaleShotSpeed(shot, 1.02f, 8, 60);
      if (age == 60) shot->speed = shot->vz;
      TurnShotToPoint(shot, 2, 72, HalfAgeWeight(*shot), 32, 4);
      PowerUpChildEvery(shot, 15, 14, 9);
      break;
    case 4:
      Rush(shot, 13, 16.0f);
      break;
    case 5:
      LifetimeOver(shot, 12);
      break;
    case 6:
      LifetimeOver(shot, 42);
      break;
    case 7:
      if (LifetimeOver(shot, 64)) break;
      Spiral(shot, 2.0f);
      PowerUpChildEvery(shot, 6, 5, 9);
      break;
    case 8:
      if (!LifetimeOver(shot, 10)) AttachAlongShot(shot, 16.0f, 6.0f);
      break;
    case 9:
      if (age < 60) {
        shot->vx = 0.0f;
        shot->vy = 0.0f;
      }
      HomeShotInWindow(shot, 60, 72, 12, 1, 255);
      break;
    case 10:
      ScaleShotSpeed(shot, 1.02f, 12, 96);
      break;
    default:
      break;
  }
  return false;
}

namespace {

// 9/5 turns by the selector in `recovery`: 1 and 4 one way, 2 and 5 the other, the rest straight.
void TurnBySelector(BattleObject* shot) {
  const int half = TruncToInt(shot->speed / 2.0f);
  if (Age(*shot) < 72) {
    switch (shot->recovery) {
      case 1:
      case 4:
        TurnHeading(shot, half);
        break;
      case 2:
      case 5:
        TurnHeading(shot, -int64_t{half});
        break;
      default:
        break;
    }
  }
  SetVelocityAlong(shot, shot->heading, shot->speed);
  ScaleShotSpeed(shot, 0.95f, 4, 32);
  ScaleShotSpeed(shot, 1.05f, 48, 72);
}

// 9/7 spins out at 48 pixels from its owner and can hit the same player again every 32 frames.
void SpinAround(BattleObject* shot, int slot) {
  const int age = Age(*shot);
  TurnHeading(shot, age / 8 < 8 ? age / 8 : 8);
  if (!AttachAlongShot(shot, 48.0f, 6.0f)) return;
  if (FollowUpOwnerMove(shot, 4, 0.0f, false)) {
    ShotEffect(shot, 73);
    return;
  }
  if (CutShot(shot)) {
    ShotEffect(shot, 73);
    return;
  }
  if (age > 48 && age % 32 == 17) ClearHitFlags(slot);
}

// 9/10-11 keep out of the circle round the arena's middle while the owner's card is young: a shot
// inside is put back on the circle and bounced off it. The radial heading comes from the integer
// direction, so a shot at the very centre still gets a finite one.
void KeepOffCircle(BattleObject* shot, int slot) {
  const BattleObject* owner = ShotOwner(*shot);
  if (owner == nullptr || owner->stateTimer <= 94) return;
  const double dx = static_cast<double>(shot->x) - kCircleX;
  const double dy = static_cast<double>(shot->y) - kCircleY;
  if (!(dx * dx + dy * dy < static_cast<double>(kCircleRadius) * kCircleRadius)) return;
  const int radial = HeadingBetween(kCircleX, kCircleY, shot->x, shot->y);
  shot->x = kCircleX + VelocityX(radial, kCircleRadius);
  shot->y = kCircleY + VelocityY(radial, kCircleRadius);
  // The velocity loses its component along the radial and gains it back outward.
  const float nx = CosOf(radial) / 256.0f;
  const float ny = NegSinOf(radial) / 256.0f;
  const float along = shot->vx * nx + shot->vy * ny;
  shot->vx -= 2.0f * along * nx;
  shot->vy -= 2.0f * along * ny;
  shot->heading = WrapHeading(2 * int64_t{radial} + 128 - shot->heading);
  ClearHitFlags(slot);
  ScreenShake = 12;
  PlaySoundEntry(kSoundCircleBounce);
  ShotEffect(shot, shot->move == 10 ? 72 : 73);
  if (owner->state != kStateSpellCard) shot->life = 0;
}

}  // namespace

bool RunShotBehaviourChara9(BattleObject* shot, int slot) {
  const int age = Age(*shot);
  const bool powered = OwnerPoweredUp(*shot);
  switch (shot->move) {
    case 2:
      if (powered ? age % 16 == 15 : age % 24 == 20) ShotChild(shot, 8);
      HomeShotTurnLimited(shot, 8, 56, HalfAgeWeight(*shot), 48, 1);
      break;
    case 3:
      if (LifetimeAt(shot, 90)) break;
      if (age < 36) {
        shot->vx = 0.0f;
        shot->vy = 0.0f;
      } else if (age == 36) {
        SetVelocityAlong(shot, shot->heading, shot->speed);
      }
      break;
    case 4:
      HomeShotTurnLimited(shot, 8, 56, HalfAgeWeight(*shot), powered ? 128 : 64, 1);
      break;
    case 5:
      TurnBySelector(shot);
      break;
    case 6: {
      const BattleObject* owner = ShotOwner(*shot);
      const bool inCard = owner != nullptr && owner->state == kStateSpellCard;
      if (age >= 2 || (age == 1 && !inCard)) shot->state = 0;
      break;
    }
    case 7:
      SpinAround(shot, slot);
      break;
    case 8:
      if (!LifetimeOver(shot, 72)) Spiral(shot, 1.0f);
      break;
    case 9:
      LifetimeOver(shot, 8);
      break;
    case 10:
    case 11:
      KeepOffCircle(shot, slot);
      break;
    case 13:
      if (LifetimeAt(shot, 16)) break;
      if (!OwnerPoweredUp(*shot)) shot->state = 0;
      break;
    default:
      break;
  }
  return false;
}

bool RunShotBehaviourChara10(BattleObject* shot, int slot) {
  const int age = Age(*shot);
  switch (shot->move) {
    case 1:
      ScaleShotSpeed(shot, 0.96f, 0, 48);
      ScaleShotSpeed(shot, 1.05f, 48, 64);
      if (age == 64) shot->speed = 4.5f;
      if (age < 90) {
        shot->speed += 0.015f;
        HomeShotInWindow(shot, 64, 90, 12, 1, 255);
      }
      break;
    case 2:
      ShotEffect(shot, 8);
      if (age > 8) {
        ScreenShake = 16;
        ShotChild(shot, 7);
        shot->state = 0;
      }
      break;
    case 3:
      if (LifetimeOver(shot, 72)) break;
      ScaleShotSpeed(shot, 1.027f, 12, 64);
      break;
    case 4:
      RideWithOwner(shot, slot, true);
      break;
    case 5:
    case 6:
    case 7:
    case 8:
      return RunShotBehaviourChara0(shot, slot);
    case 9: {
      // The carrier rides with the player it caught.
      const int p = shot->recovery;
      if (p < 0 || p >= kPlayerCount) {
        ++IndexMisses;
        shot->state = 0;
        break;
      }
      shot->x = g_players[p].x;
      shot->y = g_players[p].y + 6.0f;
      break;
    }
    case 10:
      ScaleShotSpeed(shot, 0.95f, 0, 32);
      ScaleShotSpeed(shot, 1.08f, 32, 48);
      if (age == 48) shot->speed = shot->vz;
      if (age < 80) {
        shot->speed += 0.015f;
        HomeShotInWindow(shot, 48, 80, 14, 1, 255);
      }
      break;
    default:
      break;
  }
  return false;
}

namespace {

// `life` and `recovery` each take -1, 0 or 1 anew.
void Jitter(BattleObject* shot) {
  shot->life = morrow::GetRandomNumber(2) - 1;
  shot->recovery = morrow::GetRandomNumber(2) - 1;
}

// 11/4 sways from side to side, wider every frame.
void Sway(BattleObject* shot) {
  shot->vz += shot->vz < 0.0f ? -0.03f : 0.03f;
  const float side =
      shot->vz * NegSinOf(static_cast<int>(WrapHeading(3 * int64_t{Age(*shot)} + 64))) / 256.0f;
  shot->vx = VelocityX(shot->heading, shot->speed) +
             VelocityX(WrapHeading(int64_t{shot->heading} + 64), side);
  shot->vy = VelocityY(shot->heading, shot->speed) +
             VelocityY(WrapHeading(int64_t{shot->heading} + 64), side);
}

// 11/8 and 14/8: after age 42 the shot splits once when its count is 0, and goes.
void SplitOnce(BattleObject* shot) {
  if (Age(*shot) <= 42) return;
  if (shot->life == 0) ShotChild(shot, 6);
  shot->state = 0;
}

bool FacesRight(const BattleObject& object) {
  return object.heading < 64 || object.heading > 192;
}

// 12/2: the blade held 108 pixels out, sweeping across the way the owner faces.
void SweepBlade(BattleObject* shot) {
  shot->pushHeading = shot->heading;
  if (CutShot(shot)) return;
  ShotEffect(shot, 102);
  shot->speed = 0.0f;
  const bool powered = OwnerPoweredUp(*shot);
  const BattleObject* anchor = ShotAnchor(*shot);
  AttachShot(shot, *anchor, shot->heading, 108.0f, 6.0f);
  const int step = powered ? 11 : 8;
  TurnHeading(shot, FacesRight(*ShotOwner(*shot)) ? step : -step);
  LifetimeOver(shot, powered ? 24 : 15);
}

}  // namespace

bool RunShotBehaviourChara11(BattleObject* shot, int /*slot*/) {
  switch (shot->move) {
    case 1:
      ScaleShotSpeed(shot, 1.01f, 24, 91);
      AimShotAtPoint(shot, 2, 64, 16, 1);
      HomeShotInWindow(shot, 58, 76, 30, 1, 28);
      break;
    case 2:
      Jitter(shot);
      ScaleShotSpeed(shot, 0.94f, 4, 56);
      ScaleShotSpeed(shot, 1.03f, 160, 300);
      break;
    case 3:
      ScaleShotSpeed(shot, 1.03f, 34, 110);
      AimShotAtPoint(shot, 12, 64, 16, 1);
      HomeShotInWindow(shot, 58, 80, 34, 1, 32);
      break;
    case 4:
      Jitter(shot);
      Sway(shot);
      break;
    case 6:
    case 7:
      LifetimeOver(shot, 32);
      break;
    case 8:
      SplitOnce(shot);
      break;
    default:
      break;
  }
  return false;
}

bool RunShotBehaviourChara12(BattleObject* shot, int /*slot*/) {
  switch (shot->move) {
    case 2:
      SweepBlade(shot);
      break;
    case 3:
      ScaleShotSpeed(shot, 1.02f, 4, 40);
      break;
    case 4:
      ScaleShotSpeed(shot, 1.06f, 2, 36);
      break;
    case 5:
    case 6:
    case 9:
      LifetimeOver(shot, 32);
      break;
    case 7:
      WaitOnOwnerMove(shot, 2, 8.0f);
      break;
    case 8:
      if (Age(*shot) % 28 == 27) ShotEffect(shot, 13);
      WaitOnOwnerMove(shot, 4, 6.0f);
      break;
    default:
      break;
  }
  return false;
}

namespace {

// 13/9 glows where it is in the air, and on the ground every other frame.
void FallingGlow(BattleObject* shot, int slot) {
  if (shot->z < 0.0f || SceneFrame % 2 == 0) ShotEffectAt(shot, shot->x, shot->y + shot->z, 96);
  FallShot(shot, slot, 3.0f, 36.0f);
  const BattleObject* owner = ShotOwner(*shot);
  if (LifetimeOver(shot, 999)) return;
  if (owner != nullptr && owner->stateTimer == 128) shot->state = 0;
}

}  // namespace

bool RunShotBehaviourChara13(BattleObject* shot, int slot) {
  const int move = shot->move;
  const int age = Age(*shot);
  const bool powered = OwnerPoweredUp(*shot);
  if (move != 6 && move != 9 && SceneFrame % 2 == 0) ShotEffect(shot, 96);
  // While the owner dashes the shot waits where it is, its age held.
  const BattleObject* owner = ShotOwner(*shot);
  if (owner != nullptr && owner->state == kStateDash && !powered) return true;
  switch (move) {
    case 2:
      RetargetShot(shot, 42, powered ? 1.5f : 3.0f, 0, 24);
      ScaleShotSpeed(shot, 1.05f, 42, 72);
      if (age == 42) ShotChild(shot, 7);
      break;
    case 4:
      RetargetShot(shot, 154, powered ? 5.0f : 12.0f, 1, 128);
      break;
    case 5:
      if (age == 160) ClearHitFlags(slot);
      if (age < 171) {
        RetargetShot(shot, 92, 13.0f, 2, 12);
      } else {
        RetargetShot(shot, 174, 13.0f, 2, 4);
      }
      if (age > 320) shot->state = 0;
      break;
    case 6:
      ShotEffect(shot, 96);
      break;
    case 7:
      ScaleShotSpeed(shot, 1.05f, 0, 30);
      break;
    case 9:
      FallingGlow(shot, slot);
      break;
    case 10:
      LifetimeOver(shot, 32);
      break;
    default:
      break;
  }
  return false;
}

namespace {

// The familiar a character-14 shot is bound to, by the index in `life`; null (a miss counted)
// for an index outside the pool.
BattleObject* BoundFamiliar(const BattleObject& shot) {
  if (shot.life < 0 || shot.life >= kFamiliarCount) {
    ++IndexMisses;
    return nullptr;
  }
  return &g_familiars[shot.life];
}

// 14/2 and 14/9: out in front of the familiar for eight frames, then the familiar slows down.
void BoundInFront(BattleObject* shot) {
  BattleObject* familiar = BoundFamiliar(*shot);
  if (familiar == nullptr || familiar->state == 0) {
    shot->state = 0;
    return;
  }
  if (Age(*shot) > 8) {
    shot->state = 0;
    familiar->vx = static_cast<float>(familiar->vx * 0.2);
    familiar->vy = static_cast<float>(familiar->vy * 0.2);
    return;
  }
  shot->speed = 1.0f;
  AttachShot(shot, *familiar, shot->heading, 42.0f, -6.0f);
}

// 14/4 and 14/6 stand by the familiar at its heading turned by `recovery`.
void StandByFamiliar(BattleObject* shot, const BattleObject& familiar) {
  shot->speed = 1.0f;
  shot->heading = WrapHeading(int64_t{familiar.heading} + shot->recovery);
  AttachShot(shot, familiar, shot->heading, 34.0f, -10.0f);
}

// 14/3: the familiar back in its partner pose close by takes the shot over. True when it did.
// Without a partner (9999, or any index outside the pool) the test is simply not met.
bool MeetPartner(BattleObject* shot) {
  if (shot->life == kNoPartner || shot->life < 0 || shot->life >= kFamiliarCount) return false;
  BattleObject* familiar = &g_familiars[shot->life];
  if (familiar->state != 4) return false;
  if (!CheckCircleHit(familiar->x, familiar->y, shot->x, shot->y, 24)) return false;
  shot->state = 0;
  // The copy fires as the familiar does, marked, even when the partner has not fired yet: an
  // unmarked copy would be taken for the player and summon or send in its place.
  BattleObject copy = *familiar;
  copy.kind = 14;
  copy.meter = kFamiliarShotMark;
  CreateShot(&copy, 3, shot->owner);
  familiar->stateTimer = 584;
  if (SceneFrame % 6 == 0) ShotEffectAt(shot, familiar->x, familiar->y, 1);
  if (SceneFrame % 4 == 0) ShotHitEvent(shot, 4);
  return true;
}

}  // namespace

bool RunShotBehaviourChara14(BattleObject* shot, int /*slot*/) {
  const int age = Age(*shot);
  switch (shot->move) {
    case 1:
      ScaleShotSpeed(shot, 1.01f, 16, 96);
      LifetimeOver(shot, 30);
      break;
    case 2:
    case 9:
      BoundInFront(shot);
      break;
    case 3:
      return MeetPartner(shot);
    case 4: {
      const BattleObject* familiar = BoundFamiliar(*shot);
      if (familiar == nullptr || age > 15 || familiar->state == 1 || familiar->state == 9) {
        shot->state = 0;
        break;
      }
      StandByFamiliar(shot, *familiar);
      break;
    }
    case 6: {
      const BattleObject* familiar = BoundFamiliar(*shot);
      const BattleObject* owner = ShotOwner(*shot);
      if (familiar == nullptr || owner == nullptr || age == 16 || owner->stateTimer > 2000 ||
          familiar->state == 9 || owner->state != kStateSpellCard) {
        shot->state = 0;
        break;
      }
      StandByFamiliar(shot, *familiar);
      break;
    }
    case 5:
      LifetimeOver(shot, 24);
      break;
    case 7:
      LifetimeOver(shot, 32);
      break;
    case 8:
      SplitOnce(shot);
      break;
    case 11:
      if (!LifetimeOver(shot, 8)) AttachAlongShot(shot, 16.0f, 6.0f);
      break;
    default:
      break;
  }
  return false;
}

namespace {

// True when a player other than the owner, still standing in the round, is within r pixels.
bool OpponentWithin(const BattleObject& shot, int r) {
  const int inPlay = PlayersInPlay();
  for (int p = 0; p < inPlay; ++p) {
    const BattleObject& player = g_players[p];
    if (p == shot.owner || player.state >= kStateKnockedOut) continue;
    if (CheckCircleHit(player.x, player.y, shot.x, shot.y, r)) return true;
  }
  return false;
}

// The end of a link of a chain: its count reset, the next link made, the shot gone.
void NextLink(BattleObject* shot, int move) {
  shot->life = 0;
  ShotChild(shot, move);
  shot->state = 0;
}

// 15/2 and 15/4 slow down and, powered up, speed up again and burst near an opponent.
void SenseOpponents(BattleObject* shot, bool powered) {
  const bool two = shot->move == 2;
  ScaleShotSpeed(shot, two ? 0.97f : 0.96f, 0, 24);
  if (!powered) return;
  ScaleShotSpeed(shot, two ? 1.02f : 1.06f, two ? 16 : 20, 80);
  if (!OpponentWithin(*shot, two ? 64 : 72)) return;
  ShotChild(shot, two ? 9 : 10);
  if (!two) ShotHitEvent(shot, 13);
  shot->state = 0;
}

// 15/8: flying along the heading kept in `recovery` with all hits held back, then straight on
// and split while the chain is short.
void FlagPhase(BattleObject* shot, int slot, bool powered) {
  const int age = Age(*shot);
  if (age < 16) {
    SetHitFlags(slot);
    SetVelocityAlong(shot, shot->recovery, shot->speed);
  } else {
    if (age == 16) ClearHitFlags(slot);
    SetVelocityAlong(shot, shot->heading, powered ? 12.0f : 9.0f);
  }
  if (age > (powered ? 18 : 22) && shot->life < (powered ? 5 : 3)) {
    ShotChild(shot, 8);
    shot->state = 0;
  }
}

}  // namespace

bool RunShotBehaviourChara15(BattleObject* shot, int slot) {
  const int age = Age(*shot);
  const bool powered = OwnerPoweredUp(*shot);
  switch (shot->move) {
    case 1:
      ScaleShotSpeed(shot, 0.9f, 8, 24);
      if (age > (powered ? 14 : 18)) NextLink(shot, 7);
      break;
    case 2:
    case 4:
      SenseOpponents(shot, powered);
      break;
    case 3:
      if (age > (powered ? 3 : 6)) NextLink(shot, 8);
      break;
    case 5:
      ShotEffect(shot, 111);
      ScaleShotSpeed(shot, 0.95f, 1, 24);
      ScaleShotSpeed(shot, 1.04f, 24, 110);
      AimShotAtPoint(shot, 1, 48, 16, 1);
      if (age % 3 == 1) HomeShotTurnLimited(shot, 56, 128, HalfAgeWeight(*shot), 256, 1);
      break;
    case 6:
      ScaleShotSpeed(shot, 1.03f, 16, 42);
      if (age > 41) {
        shot->life = 0;
        ShotEffect(shot, 113);
        shot->state = 0;
      }
      break;
    case 7:
      if (powered && age > 12 && shot->life < 2) {
        ShotChild(shot, 7);
        shot->state = 0;
      }
      break;
    case 8:
      FlagPhase(shot, slot, powered);
      break;
    case 9:
    case 10:
      LifetimeOver(shot, 32);
      break;
    case 11:
      LifetimeOver(shot, 16);
      break;
    case 12:
      ScaleShotSpeed(shot, 1.03f, 16, 64);
      if (age > 41 && shot->life < 2) {
        ShotEffect(shot, 113);
        shot->state = 0;
      }
      break;
    default:
      break;
  }
  return false;
}

}  // namespace veyrdale
