// Launch routines of characters 4 to 7: where each move's shots start, where they aim, how fast
// they go, what the shooter pays in recovery, recoil and guard, and the launch sounds.
#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/battle/launchers.h"
#include "game/battle/shots.h"
#include "game/core/frame_state.h"
#include "game/core/numeric.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

namespace {

// Character 4's companion shots start at the companion; without one, at the source.
void PlaceAtCompanion(const Launch& l) {
  const BattleObject* companion = CompanionOf(l);
  if (companion == nullptr) {
    PlaceAtSource(l, 6.0f);
    return;
  }
  l.shot->x = companion->x;
  l.shot->y = companion->y + 6.0f;
}

int Chara4Move(const Launch& l) {
  BattleObject* s = l.shot;
  switch (s->move) {
    case 1:
      PlaceAtCompanion(l);
      SetHeading(s, l.h + 4 - 2 * int64_t{l.moveShotCount});
      s->speed = 1.0f;
      SetRecovery(l, 3);
      PlaySoundEntry(kSoundShotC);
      return 0;
    case 2:
      // The cut swings toward the side the player faces.
      SetHeading(s, l.h < 64 || l.h > 192 ? l.h - 32 : l.h + 32);
      SetRecovery(l, 8);
      Lunge(l, 6.0f);
      PlaySoundEntry(kSoundSyun4);
      return 0;
    case 3: {
      PlaceAtCompanion(l);
      const BattleObject* companion = CompanionOf(l);
      const BattleObject& turning = companion != nullptr ? *companion : *l.source;
      const int64_t t = turning.stateTimer;
      SetHeading(s, int64_t{turning.heading} + 4 * ((80 - t) / 8 + (88 - t) * 8));
      s->speed = 0.5f;
      SetRecovery(l, 3);
      PlaySoundEntry(kSoundShotC);
      return 0;
    }
    case 4:
      PlaceAlong(l, l.h, 42.0f, 6.0f);
      SetHeading(s, l.h);
      SetRecovery(l, 8);
      Lunge(l, 24.0f);
      l.source->guard = -16;
      PlaySoundEntry(kSoundSyun3);
      return 0;
    case 5:
    case 8:
      SetHeading(s, l.h);
      s->speed = s->move == 8 ? 14.0f : 0.0f;
      SetRecovery(l, s->move == 8 ? 12 : 4);
      PlaySoundEntry(kSoundZan);
      return 0;
    case 6:
      SetHeading(s, l.h);
      SetRecovery(l, 12);
      PlaySoundEntry(kSoundSyun4);
      return 0;
    case 7: {
      SetHeading(l.source, l.h - 48);
      const int64_t turned = l.source->heading;
      PlaceAlong(l, turned, 36.0f, 6.0f);
      SetHeading(s, turned);
      l.source->guard = -16;
      PlaySoundEntry(kSoundSyun4);
      return 0;
    }
    default:
      return l.count;
  }
}

// The heading the owner player faces, the source's for any other owner.
int64_t OwnerHeading(const Launch& l) {
  const BattleObject* owner = OwnerPlayer(l);
  return owner != nullptr ? owner->heading : l.source->heading;
}

int Chara5Move(const Launch& l) {
  BattleObject* s = l.shot;
  switch (s->move) {
    case 1: {
      int k = 0;
      if (l.powered) {
        k = VolleyK(l, 2, kSoundShotC);
        const int64_t side = k % 2 == 0 ? 1 : -1;
        SetHeading(s, l.h - 1 + side * (Rand(18) + 18 * (l.moveShotCount % 2)));
      } else {
        SetHeading(s, l.h - 8 + Rand(16));
        PlaceAlong(l, l.h >= 64 && l.h < 193 ? l.h - 16 : l.h + 16, 16.0f, 6.0f);
        Recoil(l, 1.0f);
        PlaySoundEntry(kSoundShotC);
      }
      s->life = 1;
      s->speed = 6.5f;
      SetRecovery(l, 2);
      return k > 0 ? k - 1 : 0;
    }
    case 2:
    case 4:
      PlaceAtSource(l, 0.0f);
      SetHeading(s, OwnerHeading(l));
      s->speed = s->move == 2 ? 8.0f : 10.0f;
      SetRecovery(l, 8);
      PlaySoundEntry(kSoundSyun1);
      return 0;
    case 3: {
      const int k = VolleyK(l, 12, kSoundShotC);
      SetHeading(s, l.h - 8 + Rand(16));
      s->x += static_cast<float>(Rand(16) - 8);
      s->y += static_cast<float>(Rand(16) - 8);
      s->life = 1;
      s->speed = 3.5f + static_cast<float>(Rand(24)) * 0.05f;
      SetRecovery(l, 2);
      Recoil(l, 8.0f);
      return k - 1;
    }
    case 5:
      PlaceAtSource(l, 20.0f);
      SetHeading(s, l.h);
      s->speed = 1.0f;
      SetRecovery(l, 4);
      // Released early in its charge, the shot stuns hard.
      if (l.source->stateTimer < 135) {
        if (ShotDamageRecord* d = l.Damage()) d->stunDamage = 99;
      }
      return 0;
    case 6:
      SetHeading(s, l.h);
      PlaySoundEntry(kSoundSyun4);
      return 0;
    case 7:
    case 8:
    case 9:
      StillAtSource(l, -1);
      if (s->move == 8) SetRecovery(l, 8);
      return 0;
    default:
      return l.count;
  }
}

int Chara6Move(const Launch& l) {
  BattleObject* s = l.shot;
  switch (s->move) {
    case 1: {
      const int k = VolleyK(l, l.powered ? 8 : 4, -1);
      // The four (eight) directions.
      const int64_t heading = l.powered ? l.h + 32 * (int64_t{k} + 7) : l.h + 64 * (int64_t{k} + 3);
      SetHeading(s, heading);
      PlaceAlong(l, heading, 64.0f, 0.0f);
      s->z = -64.0f;
      s->vz = 8.0f;
      SetRecovery(l, 8);
      return k - 1;
    }
    case 2:
      SetHeading(s, l.h);
      s->speed = 1.0f;
      SetRecovery(l, 10);
      PlaySoundEntry(kSoundShot);
      return 0;
    case 3: {
      const int k = VolleyK(l, l.powered ? 4 : 2, kSoundIceWave);
      const int64_t j = k - 1;
      const int64_t heading =
          l.powered ? l.h + 32 * (4 * Variant(j, 2) - j / 2) + 16 : l.h + 128 * int64_t{k} - 128;
      SetHeading(s, heading);
      PlaceAlong(l, heading, 28.0f, 8.0f);
      PlaySoundEntry(kSoundShot);
      CreateEffect(s, 64);
      s->y -= 8.0f;
      return k - 1;
    }
    case 4:
      SetHeading(s, l.h);
      s->life = 1;
      s->speed = 8.0f;
      SetRecovery(l, 16);
      PlaySoundEntry(kSoundShot);
      return 0;
    case 5: {
      const int k = VolleyK(l, 4, kSoundShotC);
      PlaceAtSource(l, 8.0f);
      SetHeading(s, l.h + 64 * int64_t{k} - 64 + Rand(64));
      s->life = 1;
      s->z = static_cast<float>(Variant(Variant(l.source->stateTimer / 4, 4) + k, 4));
      s->speed = 2.0f + static_cast<float>(Rand(12)) * 0.025f;
      SetRecovery(l, 4);
      return k - 1;
    }
    case 6:
      // Placed far ahead, then pulled back along its own line by eight frames of its flight.
      PlaceAlong(l, l.h, 256.0f, 0.0f);
      SetHeading(s, l.h - 16 + Rand(32));
      s->speed = 18.0f + static_cast<float>(Rand(10)) * 0.5f;
      MoveAlong(s, s->heading, -s->speed * 8.0f);
      SetRecovery(l, 4);
      PlaySoundEntry(kSoundShot);
      CreateEffect(s, 64);
      return 0;
    case 7: {
      const int k = VolleyK(l, l.powered ? 24 : 8, kSoundFreezeBreak);
      PlaceAtSource(l, 0.0f);
      SetHeading(s, l.powered ? l.h - 24 + Rand(48) : l.h - 12 + Rand(24));
      s->z = static_cast<float>(k % 4);
      s->speed = l.powered ? 6.0f + static_cast<float>(Rand(8)) * 0.2f
                           : 6.0f + static_cast<float>(Rand(24)) * 0.1f;
      ScreenShake = 12;
      return k - 1;
    }
    case 8: {
      PlaceAlong(l, l.h, 32.0f, 8.0f);
      SetHeading(s, l.h);
      const ShotDamageRecord* d = l.Damage();
      const int box = d != nullptr && d->hitRadius > 12 ? d->hitRadius - 12 : 0;
      // A wave that would start inside a wall is never made.
      if (MapCellAt(TruncToInt(s->x), TruncToInt(s->y), box, box, 4, nullptr, nullptr) != 0) {
        s->state = 0;
        return 0;
      }
      PlaySoundEntry(kSoundIceWave);
      CreateEffect(s, 64);
      s->y -= 8.0f;
      return 0;
    }
    case 9:
      SetHeading(s, Rand(255));
      s->z = static_cast<float>(Rand(3));
      s->speed = 6.0f + static_cast<float>(Rand(12)) * 0.05f;
      SetRecovery(l, 16);
      CreateEffect(s, 64);
      return 0;
    default:
      return l.count;
  }
}

int Chara7Move(const Launch& l) {
  BattleObject* s = l.shot;
  switch (s->move) {
    case 1: {
      const int k = l.powered ? VolleyK(l, 3, kSoundShot) : 0;
      SetHeading(s, l.powered ? l.h + 24 * int64_t{k} - 48 : l.h);
      s->recovery = Rand(255);
      s->speed = l.powered ? 8.5f : 7.5f;
      SetRecovery(l, l.powered ? 5 : 6);
      if (!l.powered) PlaySoundEntry(kSoundShot);
      return k > 0 ? k - 1 : 0;
    }
    case 2:
      PlaceAlong(l, l.h, 144.0f, 6.0f);
      SetHeading(s, l.h);
      SetRecovery(l, 10);
      Recoil(l, 1.5f);
      PlaySoundEntry(kSoundShotB);
      ShotHitEffect(l, 14);
      ScreenShake = 16;
      return 0;
    case 3: {
      const int k = VolleyK(l, l.powered ? 6 : 2, kSoundShot);
      int64_t side = 0;
      if (l.powered) {
        // The heading the shot mirrors about every few frames.
        const int64_t mirror = l.h + 32 * ((int64_t{k} - 1) / 2 + 7);
        s->recovery = WrapHeading(mirror);
        SetHeading(s, mirror - 64 * (k % 2) + 32);
        side = s->heading + 192 * (k % 2) + 160;
      } else {
        SetHeading(s, l.h - 64 * int64_t{k} + 96);
        side = s->heading + 192 * int64_t{k} - 32;
        s->recovery = WrapHeading(l.h);
      }
      MoveAlong(s, side, 28.0f);
      s->speed = 12.0f;
      SetRecovery(l, 6);
      PlaySoundEntry(kSoundShot);
      return k - 1;
    }
    case 4: {
      const int k = VolleyK(l, 8, kSoundGra);
      const int64_t heading = l.h + 32 * (int64_t{k} + 7);
      SetHeading(s, heading);
      PlaceAlong(l, heading, 42.0f, 0.0f);
      SetRecovery(l, 8);
      if (l.First()) {
        ScreenShake = 20;
        CreateEffect(l.source, 0);
      }
      return k - 1;
    }
    case 5:
      s->x = 320.0f;
      s->y = 240.0f;
      SetHeading(s, l.h);
      SetRecovery(l, 8);
      PlaySoundEntry(kSoundGrow2);
      PlaySoundEntry(kSoundHitB);
      return 0;
    case 6:
      StillAtSource(l, kSoundHitB);
      return 0;
    case 7: {
      const int k = VolleyK(l, 6, kSoundShotB);
      const int64_t heading = l.h + 42 * int64_t{k} + (k % 2) - 42;
      SetHeading(s, heading);
      PlaceAlong(l, heading, 88.0f, 6.0f);
      ShotHitEffect(l, 14);
      ScreenShake = 16;
      return k - 1;
    }
    case 8:
    case 9:
      PlaceAlong(l, l.h + 16, 36.0f, 0.0f);
      SetHeading(s, l.h + 16);
      SetRecovery(l, 8);
      PlaySoundEntry(kSoundShot);
      ScreenShake = 20;
      return 0;
    default:
      return l.count;
  }
}

}  // namespace

int LaunchShotChara4(BattleObject* source, BattleObject* shot, int count) {
  return Chara4Move(BeginLaunch(source, shot, count, 6.0f, 0));
}

int LaunchShotChara5(BattleObject* source, BattleObject* shot, int count) {
  return Chara5Move(BeginLaunch(source, shot, count, 6.0f, 108));
}

int LaunchShotChara6(BattleObject* source, BattleObject* shot, int count) {
  return Chara6Move(BeginLaunch(source, shot, count, 6.0f, 0));
}

int LaunchShotChara7(BattleObject* source, BattleObject* shot, int count) {
  const Launch l = BeginLaunch(source, shot, count, 6.0f, 0);
  const int result = Chara7Move(l);
  EndLaunch(l, true, false);
  return result;
}

}  // namespace veyrdale
