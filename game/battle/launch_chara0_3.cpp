// Launch routines of characters 0 to 3: where each move's shots start, where they aim, how fast
// they go, what the shooter pays in recovery and recoil, and the launch sounds.
#include "game/battle/battle.h"
#include "game/battle/launchers.h"
#include "game/battle/shots.h"
#include "game/core/frame_state.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

namespace {

int Chara0Move(const Launch& l) {
  BattleObject* s = l.shot;
  switch (s->move) {
    case 1: {
      const int r = Rand(14);
      SetHeading(s, l.moveShotCount % 2 == 0 ? l.h - r : l.h + r);
      s->z = static_cast<float>((SceneFrame / 5) % 7);
      s->speed = 3.0f;
      SetRecovery(l, l.powered ? 3 : 5);
      PlaySoundEntry(kSoundShot);
      return 0;
    }
    case 2:
      ChargedThrust(l);
      return 0;
    case 3: {
      const int k = VolleyK(l, 7, kSoundShot);
      SetHeading(s, l.h + 7 * k - 28);
      s->z = static_cast<float>(k - 1);
      s->speed = 2.0f;
      SetRecovery(l, 8);
      return k - 1;
    }
    case 4:
      ChargedDive(l);
      return 0;
    case 5:
      PlaceAlong(l, l.h, 32.0f, 12.0f);
      SetHeading(s, l.h);
      s->speed = 1.0f;
      SetRecovery(l, 5);
      PlaySoundEntry(kSoundShotB);
      CreateEffect(s, 47);
      ScreenShake = 4;
      return 0;
    case 6:
      StillAtSource(l, kSoundHitB);
      return 0;
    case 7: {
      const int k = VolleyK(l, 16, kSoundHitB);
      PlaceAtSource(l, 0.0f);
      SetHeading(s, Rand(31) + 32 * (k / 2));
      s->speed = 5.0f + static_cast<float>(Rand(32)) * 0.05f;
      if (l.First()) {
        CreateEffect(l.source, 7);
        CreateEffect(l.source, 7);
      }
      return k - 1;
    }
    case 8:
      PlaceAlong(l, l.h, 32.0f, 12.0f);
      SetHeading(s, l.h);
      PlaySoundEntry(kSoundHitB);
      return 0;
    default:
      return l.count;
  }
}

int Chara1Move(const Launch& l) {
  BattleObject* s = l.shot;
  switch (s->move) {
    case 1: {
      // The heading the move froze when it started, not where the player faces now.
      const int64_t frozen = l.source->pushHeading;
      int k = 0;
      if (l.powered) {
        k = VolleyK(l, 2, kSoundShot);
        PlaceAlong(l, k == 2 ? frozen - 12 : frozen + 12, 16.0f, 6.0f);
      }
      SetHeading(s, frozen);
      s->speed = 7.5f;
      SetRecovery(l, 6);
      PlaySoundEntry(kSoundNidle);
      return k > 0 ? k - 1 : 0;
    }
    case 2:
      SetHeading(s, l.h);
      s->speed = 5.0f;
      SetRecovery(l, 10);
      PlaySoundEntry(kSoundShot);
      if (l.powered) SetHitClass(l, 6);
      return 0;
    case 3:
      SetHeading(s, l.h);
      s->speed = l.powered ? 16.0f : 12.0f;
      SetRecovery(l, 4);
      Recoil(l, 1.0f);
      PlaySoundEntry(kSoundShot);
      if (l.moveShotCount == 6) {
        if (ShotDamageRecord* d = l.Damage()) d->stunDamage = 49;
      }
      return 0;
    case 4: {
      const int k = VolleyK(l, 2, kSoundShot);
      SetHeading(s, l.h - 72 * k + 108);
      s->speed = 4.5f;
      SetRecovery(l, 8);
      Recoil(l, 5.0f);
      if (l.powered) SetHitClass(l, 6);
      return k - 1;
    }
    case 5:
      SetHeading(s, l.h + 4 * int64_t{l.source->stateTimer} + 160);
      s->speed = 4.5f;
      SetRecovery(l, 8);
      s->recovery = (SceneFrame % 24) / 8;
      PlaySoundEntry(kSoundShotB);
      return 0;
    case 6:
    case 8:
      StillAtSource(l, kSoundHitB);
      return 0;
    case 7: {
      StillAtSource(l, -1);
      const BattleObject* owner = OwnerPlayer(l);
      s->z = owner == nullptr || owner->z >= 0.0f ? 0.0f : -100.0f;
      return 0;
    }
    default:
      return l.count;
  }
}

int Chara2Move(const Launch& l) {
  BattleObject* s = l.shot;
  switch (s->move) {
    case 1:
    case 3:
      SetHeading(s, l.h);
      s->speed = s->move == 1 ? 24.0f : 28.0f;
      SetRecovery(l, 1);
      if (s->move == 3) Recoil(l, 1.0f);
      PlaySoundEntry(kSoundShot);
      if (SceneFrame % 5 == 0) ShotHitEffect(l, 15);
      return 0;
    case 2:
      SetHeading(s, l.h);
      s->speed = 2.0f;
      SetRecovery(l, 8);
      Recoil(l, 5.0f);
      PlaySoundEntry(kSoundShot);
      return 0;
    case 4:
      SetHeading(s, l.h);
      s->speed = 1.5f;
      SetRecovery(l, 1);
      Recoil(l, 8.0f);
      PlaySoundEntry(kSoundShotB);
      return 0;
    case 5: {
      const int k = VolleyK(l, 3, -1);
      SetHeading(s, l.h + 4 * k - 8);
      s->speed = 24.0f;
      SetRecovery(l, 2);
      return k - 1;
    }
    case 6:
      SetHeading(s, l.h);
      s->speed = 12.0f;
      PlaySoundEntry(kSoundShotB);
      return 0;
    case 7:
    case 8:
      StillAtSource(l, kSoundShot);
      return 0;
    case 9: {
      if (l.First()) {
        ScreenShake = 20;
        SlowMotionFrames = 12;
        FlashFrames = 8;
        FlashLength = 8;
        CreateEffect(l.source, 6);
      }
      const int k = VolleyK(l, 16, kSoundHitB);
      PlaceAtSource(l, 0.0f);
      SetHeading(s, l.h + 16 * k);
      s->speed = 6.0f;
      SetRecovery(l, 2);
      PlaySoundEntry(kSoundShot);
      return k - 1;
    }
    default:
      return l.count;
  }
}

// Character 3's fan of move 4: j = k - 1, the angle 16 x (j / 2) + 42, added for even j.
int64_t FanOffset(int k) {
  const int j = k - 1;
  const int64_t angle = 16 * (j / 2) + 42;
  return j % 2 == 0 ? angle : -angle;
}

int Chara3Move(const Launch& l) {
  BattleObject* s = l.shot;
  switch (s->move) {
    case 1:
      return TurningStream(l, 6.5f, kSoundShotC);
    case 2: {
      constexpr int64_t kPair[3] = {0, 12, -12};           // by k
      constexpr int64_t kFour[5] = {0, -12, 12, -36, 36};  // by k
      const int k = VolleyK(l, l.powered ? 4 : 2, kSoundShotC);
      SetHeading(s, l.h + (l.powered ? kFour[KIndex(k, 4)] : kPair[KIndex(k, 2)]));
      s->speed = 4.5f;
      SetRecovery(l, l.powered ? 12 : 9);
      return k - 1;
    }
    case 3: {
      constexpr int64_t kFour[5] = {0, -6, 9, -12, 15};  // by k
      const int k = VolleyK(l, l.powered ? 4 : 2, kSoundShotC);
      int64_t side = 0;
      if (l.powered) {
        SetHeading(s, l.h + kFour[KIndex(k, 4)]);
        side = s->heading + 192 * (k % 2) + 160;
      } else {
        SetHeading(s, l.h - 12 * k + 18);
        side = s->heading + 192 * int64_t{k} - 32;
      }
      // Pairs side by side: each shot steps off its line of flight.
      MoveAlong(s, side, 24.0f);
      s->life = 3;
      s->speed = 7.5f;
      SetRecovery(l, 3);
      return k - 1;
    }
    case 4: {
      const int k = VolleyK(l, l.powered ? 8 : 4, kSoundShotC);
      SetHeading(s, l.h + FanOffset(k));
      s->speed = 4.5f;
      SetRecovery(l, 9);
      if (l.First()) {
        const float brake = l.powered ? 0.5f : 0.4f;
        l.source->vx *= brake;
        l.source->vy *= brake;
      }
      return k - 1;
    }
    case 5: {
      const int k = VolleyK(l, 2, -1);
      // Two opposite shots that turn with the move's timer.
      const int64_t heading = l.h + 2 * (64 * (int64_t{k} + 1) + l.source->stateTimer);
      SetHeading(s, heading);
      PlaceAlong(l, heading, 24.0f, 0.0f);
      s->speed = 4.5f;
      SetRecovery(l, 4);
      PlaySoundEntry(kSoundShotN);
      return k - 1;
    }
    case 6:
      // A shot falling from above.
      SetHeading(s, Rand(7) * 32);
      s->z = -512.0f;
      s->vz = 12.0f;
      s->life = Rand(7);
      SetRecovery(l, 1);
      return 0;
    default:
      return l.count;
  }
}

}  // namespace

int LaunchShotChara0(BattleObject* source, BattleObject* shot, int count) {
  const Launch l = BeginLaunch(source, shot, count, 12.0f, 160);
  const int result = Chara0Move(l);
  EndLaunch(l, true, true);
  return result;
}

int LaunchShotChara1(BattleObject* source, BattleObject* shot, int count) {
  const Launch l = BeginLaunch(source, shot, count, 6.0f, 0);
  const int result = Chara1Move(l);
  EndLaunch(l, true, false);
  return result;
}

int LaunchShotChara2(BattleObject* source, BattleObject* shot, int count) {
  const Launch l = BeginLaunch(source, shot, count, 6.0f, 0);
  return Chara2Move(l);
}

int LaunchShotChara3(BattleObject* source, BattleObject* shot, int count) {
  const Launch l = BeginLaunch(source, shot, count, 6.0f, 0);
  return Chara3Move(l);
}

}  // namespace veyrdale
