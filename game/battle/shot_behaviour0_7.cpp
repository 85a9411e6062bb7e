// The per-frame behaviours of the shots of characters 0 to 7 and of the neutral objects: their
// lifetimes, speed curves and homing, the shots that ride with their owner, and the ones that
// fall, split or wait on the owner's move.
#include <cstdint>

#include "game/battle/battle.h"
#include "game/battle/motion.h"
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

constexpr int kSoundLanding = kSoundIcePick;     // character 6's block lands
constexpr int kSoundBurst = kSoundHitB;          // character 6's burst
constexpr int kSoundCreepRelease = kSoundShotC;  // the neutral creeper lets go

int Age(const BattleObject& shot) {
  return shot.stateTimer;
}

bool Airborne(const BattleObject& object) {
  return object.z < 0.0f;
}

// The velocity pulled toward `speed` along the heading, weights (32, 1).
void BlendTowardHeading(BattleObject* shot) {
  BlendVelocity(&shot->vx, &shot->vy, VelocityX(shot->heading, shot->speed),
                VelocityY(shot->heading, shot->speed), 32, 1);
}

void FourEffects(const BattleObject* shot, int kind) {
  for (int i = 0; i < 4; ++i) ShotEffect(shot, kind);
}

}  // namespace

// Character 0's dive (and character 10's, which is built on it): the owner flies with the shot
// until it lands.
void RideWithOwner(BattleObject* shot, int slot, bool childAlways) {
  ShotEffect(shot, 9);
  BattleObject* owner = ShotOwner(*shot);
  if (owner == nullptr) {
    shot->state = 0;
    return;
  }
  shot->z = owner->z;
  if (Airborne(*owner)) {
    owner->vx = VelocityX(owner->heading, 9.0f);
    owner->vy = VelocityY(owner->heading, 9.0f);
    AttachToAnchor(shot, 16.0f, 6.0f);
    return;
  }
  if (childAlways || g_shotDamage[slot].damage > 69) ShotChild(shot, 7);
  ScreenShake = 20;
  shot->state = 0;
}

bool RunShotBehaviourChara0(BattleObject* shot, int slot) {
  switch (shot->move) {
    case 1:
      if (LifetimeOver(shot, 48)) break;
      ScaleShotSpeed(shot, 1.024f, 8, 28);
      [[fallthrough]];
    case 3:
      if (LifetimeOver(shot, 72)) break;
      ScaleShotSpeed(shot, 1.03f, 12, 64);
      break;
    case 2:
      ShotEffect(shot, 8);
      LifetimeOver(shot, 8);
      break;
    case 4:
      RideWithOwner(shot, slot, false);
      break;
    case 5:
      LifetimeOver(shot, 8);
      break;
    case 6:
      if (!LifetimeOver(shot, 8)) AttachToAnchor(shot, 16.0f, 12.0f);
      break;
    case 7:
      ScaleShotSpeed(shot, 0.91f, 8, 32);
      LifetimeOver(shot, 32);
      break;
    case 8:
      LifetimeOver(shot, 32);
      break;
    default:
      break;
  }
  return false;
}

bool RunShotBehaviourChara1(BattleObject* shot, int /*slot*/) {
  switch (shot->move) {
    case 2:
      HomeShotInWindow(shot, 8, 64, 21, 1, 48);
      LifetimeOver(shot, 107);
      break;
    case 3:
      LifetimeOver(shot, 14);
      break;
    case 4:
      HomeShotInWindow(shot, 8, 80, 29, 2, 128);
      LifetimeOver(shot, 127);
      break;
    case 5:
      ScaleShotSpeed(shot, 0.96f, 0, 48);
      ScaleShotSpeed(shot, 1.05f, 48, 64);
      if (Age(*shot) == 64) {
        shot->speed = 4.5f;
      } else if (Age(*shot) > 64) {
        shot->speed += 0.01f;
      }
      HomeShotInWindow(shot, 64, 224, 18, 1, 255);
      break;
    case 6:
      LifetimeOver(shot, 20);
      break;
    case 7: {
      const BattleObject* owner = ShotOwner(*shot);
      if (owner == nullptr) {
        shot->state = 0;
        break;
      }
      shot->x = owner->x;
      shot->y = owner->y + 6.0f;
      shot->z = Airborne(*owner) ? -100.0f : 0.0f;
      LifetimeOver(shot, 24);
      break;
    }
    case 8:
      LifetimeOver(shot, 32);
      break;
    default:
      break;
  }
  return false;
}

bool RunShotBehaviourChara2(BattleObject* shot, int /*slot*/) {
  const bool powered = OwnerPoweredUp(*shot);
  switch (shot->move) {
    case 2:
      ScaleShotSpeed(shot, powered ? 1.05f : 1.04f, 5, 50);
      break;
    case 4:
      ScaleShotSpeed(shot, powered ? 1.07f : 1.05f, 5, 60);
      if (Age(*shot) % 2 != 0) ShotHitEvent(shot, 13);
      break;
    case 6: {
      if (Age(*shot) % 2 != 0) ShotEffect(shot, 5);
      // The dive ends when its rider has stopped: the owner stands where its history last was.
      const BattleObject* owner = ShotOwner(*shot);
      if (owner != nullptr && owner->x == owner->trailX[0] && owner->y == owner->trailY[0]) {
        ShotChild(shot, 9);
        OwnerRecoil(*shot);
        shot->state = 0;
      }
      break;
    }
    case 7:
    case 8:
      LifetimeOver(shot, 32);
      break;
    case 9:
      if (!LifetimeOver(shot, 48)) ScaleShotSpeed(shot, 0.96f, 0, 48);
      break;
    default:
      break;
  }
  return false;
}

bool RunShotBehaviourChara3(BattleObject* shot, int slot) {
  switch (shot->move) {
    case 2:
      RetargetShot(shot, 44, 3.0f, 0, 24);
      ScaleShotSpeed(shot, 1.05f, 48, 78);
      break;
    case 4:
      RetargetShot(shot, 84, 9.0f, 1, 16);
      break;
    case 5:
      RetargetShot(shot, 80, 13.0f, 2, 12);
      break;
    case 6:
      FallShot(shot, slot, 0.6f, 28.0f);
      LifetimeOver(shot, 999);
      break;
    default:
      break;
  }
  return false;
}

namespace {

bool FacesRight(const BattleObject& object) {
  return object.heading < 64 || object.heading > 192;
}

// Character 4's blade, held 36 pixels out along its owner's heading.
void HoldBlade(BattleObject* shot) {
  if (CutShot(shot)) return;
  shot->speed = 1.0f;
  const BattleObject* anchor = ShotAnchor(*shot);
  shot->heading = anchor->heading;
  AttachShot(shot, *anchor, anchor->heading, 36.0f, 6.0f);
}

void EffectAtOwner(const BattleObject* shot, int kind) {
  const BattleObject* owner = ShotOwner(*shot);
  if (owner != nullptr) ShotEffectAt(shot, owner->x, owner->y, kind);
}

}  // namespace

bool RunShotBehaviourChara4(BattleObject* shot, int /*slot*/) {
  const int age = Age(*shot);
  switch (shot->move) {
    case 1:
      ScaleShotSpeed(shot, 1.05f, 12, 50);
      break;
    case 2: {
      if (LifetimeOver(shot, 8) || CutShot(shot)) break;
      shot->speed = 0.0f;
      const BattleObject* anchor = ShotAnchor(*shot);
      AttachShot(shot, *anchor, anchor->heading, 36.0f, 6.0f);
      // The cut sweeps round in front of the way the owner faces.
      const int turn = FacesRight(*anchor) ? 8 : -8;
      shot->heading = WrapHeading(static_cast<int64_t>(shot->heading) + turn);
      break;
    }
    case 3:
      ScaleShotSpeed(shot, 1.05f, 12, 64);
      break;
    case 4: {
      BattleObject* anchor = ShotAnchor(*shot);
      if (age > 8) {
        shot->state = 0;
        if (anchor != nullptr) {
          anchor->vx = static_cast<float>(anchor->vx * 0.1);
          anchor->vy = static_cast<float>(anchor->vy * 0.1);
        }
        break;
      }
      if (CutShot(shot)) break;
      shot->speed = 1.0f;
      AttachShot(shot, *anchor, shot->heading, 42.0f, 6.0f);
      if (age < 7) {
        anchor->vx = VelocityX(anchor->heading, 14.0f);
        anchor->vy = VelocityY(anchor->heading, 14.0f);
      }
      break;
    }
    case 5:
      if (!LifetimeOver(shot, 20)) AttachToAnchor(shot, 36.0f, 6.0f);
      break;
    case 6:
      if (LifetimeAt(shot, 12)) break;
      if (age == 4) {
        EffectAtOwner(shot, 3);
        EffectAtOwner(shot, 3);
      }
      HoldBlade(shot);
      break;
    case 7:
      if (LifetimeOver(shot, 24)) break;
      if (age == 4) EffectAtOwner(shot, 3);
      HoldBlade(shot);
      break;
    case 8:
      LifetimeOver(shot, 8);
      break;
    default:
      break;
  }
  return false;
}

// Character 5's shots that stand on their owner until its special move calls for them.
void WaitOnOwnerMove(BattleObject* shot, int child, float v) {
  const BattleObject* owner = ShotOwner(*shot);
  if (owner == nullptr) {
    shot->state = 0;
    return;
  }
  shot->x = owner->x;
  shot->y = owner->y;
  if (FollowUpOwnerMove(shot, child, v)) return;
  if (CutShot(shot)) ShotEffect(shot, 13);
}

bool RunShotBehaviourChara5(BattleObject* shot, int /*slot*/) {
  const int age = Age(*shot);
  const bool powered = OwnerPoweredUp(*shot);
  switch (shot->move) {
    case 2:
      ScaleShotSpeed(shot, 0.96f, 2, 60);
      if (age > (powered ? 160 : 96)) {
        ShotEffect(shot, 12);
        shot->state = 0;
      }
      break;
    case 3:
      ScaleShotSpeed(shot, 1.02f, 4, 40);
      break;
    case 4:
      if (age % 28 == 27) ShotEffect(shot, 13);
      ScaleShotSpeed(shot, 0.96f, 2, 80);
      if (powered && age >= 49) {
        shot->speed = 1.25f;
        HomeShotInWindow(shot, 48, 320, 12, 1, 144);
      }
      if (age > (powered ? 320 : 160)) {
        ShotEffect(shot, 13);
        shot->state = 0;
      }
      break;
    case 5:
      LifetimeOver(shot, 16);
      break;
    case 6: {
      BattleObject* owner = ShotOwner(*shot);
      if (owner == nullptr) {
        shot->state = 0;
      } else if (Airborne(*owner)) {
        AttachToAnchor(shot, 16.0f, 6.0f);
      } else {
        // Back on the ground the owner hops once.
        shot->state = 0;
        owner->vz = -1.5f;
        owner->z = -0.01f;
      }
      break;
    }
    case 7:
      WaitOnOwnerMove(shot, 2, 8.0f);
      break;
    case 8:
      if (age % 28 == 27) ShotEffect(shot, 13);
      WaitOnOwnerMove(shot, 4, 10.0f);
      break;
    case 9:
      LifetimeOver(shot, 32);
      break;
    default:
      break;
  }
  return false;
}

namespace {

// Character 6's block dropped from above.
void DropBlock(BattleObject* shot) {
  if (shot->z < 0.0f) {
    shot->vz += 1.0f;
    shot->z += shot->vz;
    if (shot->z >= 0.0f) {
      shot->z = 0.0f;
      PlaySoundEntry(kSoundLanding);
      ScreenShake = 12;
    }
  }
  if (Age(*shot) > 24) {
    ShotEffect(shot, 64);
    shot->state = 0;
  }
}

// Character 6's spinning shards that wait for the owner's card timer, then fly off anew.
void SpinThenScatter(BattleObject* shot) {
  const BattleObject* owner = ShotOwner(*shot);
  if (owner == nullptr) return;
  if (owner->stateTimer < 120) {
    if (Age(*shot) > 60) BlendTowardHeading(shot);
  } else if (owner->stateTimer == 120) {
    shot->heading = morrow::GetRandomNumber(254);
    shot->vx = 0.0f;
    shot->vy = 0.0f;
    shot->speed += 7.0f;
    shot->stateTimer = 0;
    shot->life = 0;
    ShotEffect(shot, 64);
  }
}

// Character 6's bomb that trembles while its owner winds up, then bursts.
void TrembleThenBurst(BattleObject* shot) {
  const BattleObject* owner = ShotOwner(*shot);
  if (owner != nullptr && owner->stateTimer > 110) {
    shot->vx = 0.0f;
    shot->vy = 0.0f;
    shot->life = morrow::GetRandomNumber(1) - 1;
    shot->recovery = morrow::GetRandomNumber(1) - 1;
  } else if (owner != nullptr && owner->stateTimer == 110) {
    shot->life = 0;
    shot->recovery = 0;
    shot->stateTimer = 0;
  }
  if (Age(*shot) <= 12) return;
  ShotEffect(shot, 63);
  ShotEffect(shot, 65);
  shot->state = 0;
  ScreenShake = 20;
  SlowMotionFrames = 16;
  Flash(8, 12);
  ShotHitEvent(shot, 15);
  PlaySoundEntry(kSoundBurst);
}

}  // namespace

bool RunShotBehaviourChara6(BattleObject* shot, int /*slot*/) {
  const int age = Age(*shot);
  const bool powered = OwnerPoweredUp(*shot);
  switch (shot->move) {
    case 1:
      DropBlock(shot);
      break;
    case 2:
      if (age % 8 == 1) ShotEffect(shot, 64);
      // Without a power-up the lifetime is the base alone.
      LifetimeOver(shot, powered ? 96 + 120 : 96);
      break;
    case 3:
    case 8:
      if (age == 5) ShotChild(shot, 8);
      if (age > (powered ? 80 + 80 : 80)) {
        shot->y += 8.0f;
        ShotEffect(shot, 64);
        shot->state = 0;
      }
      break;
    case 4:
      ScaleShotSpeed(shot, 0.97f, 8, 36);
      if (age == 36) {
        ShotChild(shot, 7);
        FourEffects(shot, 63);
        shot->state = 0;
      }
      break;
    case 5:
      SpinThenScatter(shot);
      break;
    case 6:
      TrembleThenBurst(shot);
      break;
    case 9:
      if (age < 61) {
        shot->vx = 0.0f;
        shot->vy = 0.0f;
      } else {
        BlendTowardHeading(shot);
      }
      break;
    default:
      break;
  }
  return false;
}

bool RunShotBehaviourChara7(BattleObject* shot, int slot) {
  const int age = Age(*shot);
  const bool powered = OwnerPoweredUp(*shot);
  switch (shot->move) {
    case 1:
      if (age > 240) {
        ShotEffect(shot, 29);
        shot->state = 0;
        break;
      }
      ScaleShotSpeed(shot, 0.92f, 2, 48);
      break;
    case 2:
      if (powered && age == 16) ShotChild(shot, 7);
      LifetimeOver(shot, 24);
      break;
    case 3:
      // The zigzag: mirrored about the heading it was launched along.
      if (age % 13 == 11) {
        shot->heading = WrapHeading(2 * static_cast<int64_t>(shot->recovery) - shot->heading);
        shot->vx = VelocityX(shot->heading, shot->speed);
        shot->vy = VelocityY(shot->heading, shot->speed);
      }
      break;
    case 4:
    case 8:
      if (powered && age == 8) ShotChild(shot, shot->move == 4 ? 8 : 9);
      [[fallthrough]];
    case 9:
      if (age > 32) {
        ShotEffect(shot, 55);
        shot->state = 0;
      }
      break;
    case 5:
      LifetimeOver(shot, 16);
      break;
    case 6:
      FallShot(shot, slot, 0.6f, 28.0f);
      LifetimeOver(shot, 999);
      break;
    case 7:
      LifetimeOver(shot, 24);
      break;
    default:
      break;
  }
  return false;
}

namespace {

// The neutral creeper: it edges down to y 18 between its first and last creeping ages, then
// drops at `release` speed.
void Creep(BattleObject* shot, int last, float release) {
  const int age = Age(*shot);
  if (age >= 65 && age <= last) shot->vy = shot->y < 18.0f ? 1.0f : 0.0f;
  if (age == last + 1) {
    shot->speed = release;
    shot->vy = release;
    PlaySoundEntry(kSoundCreepRelease);
  }
}

// 51/12 stands around the familiar whose index it carries in `stun`.
void StandByFamiliar(BattleObject* shot) {
  const float index = shot->stun;
  if (!(index >= 0.0f && index < static_cast<float>(kFamiliarCount))) {
    ++IndexMisses;
    shot->state = 0;
    return;
  }
  const BattleObject& familiar = g_familiars[static_cast<int>(index)];
  shot->heading = WrapHeading(static_cast<int64_t>(familiar.heading) + 148);
  AttachShot(shot, familiar, shot->heading, static_cast<float>(shot->recovery) * 30.0f, 0.0f);
}

}  // namespace

bool RunShotBehaviourNeutral(BattleObject* shot, int /*slot*/) {
  switch (shot->move) {
    case 1:
      LifetimeOver(shot, 64);
      break;
    case 2:
      LifetimeOver(shot, 3);
      break;
    case 3:
      if (g_match.stage == 2) {
        Creep(shot, 159, 11.0f);
      } else {
        if (Age(*shot) > 72) ShotEffect(shot, 21);
        Creep(shot, 223, 14.0f);
      }
      break;
    case 4:
      LifetimeOver(shot, 2);
      break;
    case 7:
      ScaleShotSpeed(shot, 0.96f, 0, 64);
      ScaleShotSpeed(shot, 1.03f, 64, 96);
      if (Age(*shot) == 96) shot->speed = 4.5f;
      HomeShotInWindow(shot, 96, 128, 18, 1, 255);
      LifetimeAt(shot, 160);
      break;
    case 8:
      LifetimeOver(shot, 600);
      break;
    case 9:
      shot->x = g_familiars[0].x;
      shot->y = g_familiars[0].y;
      LifetimeAt(shot, 16);
      break;
    case 10:
      LifetimeAt(shot, 6);
      break;
    case 11:
      LifetimeOver(shot, 32);
      break;
    case 12:
      if (!LifetimeOver(shot, 2)) StandByFamiliar(shot);
      break;
    default:
      break;
  }
  return false;
}

}  // namespace veyrdale
