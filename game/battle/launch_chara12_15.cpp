// Launch routines of characters 12 to 15: where each move's shots start, where they aim, how fast
// they go, what the shooter pays, the launch sounds, and character 14's summoned familiars.
#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/familiars.h"
#include "game/battle/launchers.h"
#include "game/battle/shots.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/numeric.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

namespace {

int64_t Parity(int64_t value) {
  return Variant(value, 2);
}

int Chara12Move(const Launch& l) {
  BattleObject* s = l.shot;
  switch (s->move) {
    case 1: {
      const int k = VolleyK(l, 2, kSoundShotC);
      const int64_t side = l.moveShotCount % 2 == 0 ? 1 : -1;
      PlaceAlong(l, l.h - 76 * (k % 2) + 37, 24.0f, 6.0f);
      SetHeading(s, l.h + 30 * (9 - (k % 2)) + side * Rand(6));
      s->life = 1;
      s->speed = 6.5f;
      SetRecovery(l, 2);
      if (l.powered) SetHitClass(l, 6);
      return k - 1;
    }
    case 2: {
      // The slash swings toward the side the player faces, from where the player stands.
      const int64_t heading = l.h < 64 || l.h > 192 ? l.h - 56 : l.h + 56;
      const BattleObject* owner = OwnerPlayer(l);
      const BattleObject& from = owner != nullptr ? *owner : *l.source;
      PointAlong(from.x, from.y, heading, 108.0f, &s->x, &s->y);
      s->y += 6.0f;
      SetHeading(s, heading);
      SetRecovery(l, 8);
      PlaySoundEntry(kSoundPati);
      PlaySoundEntry(kSoundShotXwSlash);
      return 0;
    }
    case 3: {
      if (l.First()) CreateEffect(l.source, 74);
      const int k = VolleyK(l, 32, kSoundShotC);
      const int64_t side = k % 2;
      SetHeading(s, l.h - 20 * side + 5 + Rand(8));
      PlaceAlong(l, l.h - 72 * side + 35, 16.0f, 6.0f);
      s->x += static_cast<float>(Rand(8) - 4);
      s->y += static_cast<float>(Rand(8) - 4);
      s->life = 1;
      s->speed = 3.5f + static_cast<float>(Rand(24)) * 0.05f;
      SetRecovery(l, 2);
      Recoil(l, 8.0f);
      if (l.powered) SetHitClass(l, 6);
      return k - 1;
    }
    case 4:
      PlaceAtSource(l, 0.0f);
      SetHeading(s, l.h);
      if (FromMarkedSource(l)) {
        s->attackDelay = l.source->attackDelay;
        s->speed = 2.0f + static_cast<float>(Rand(10)) * 0.1f;
        SetRecovery(l, 2);
        const BattleObject* owner = OwnerPlayer(l);
        const int32_t timer = owner != nullptr ? owner->stateTimer : l.source->stateTimer;
        if (timer == 44) PlaySoundEntry(kSoundPati);
      } else {
        // The effect carries the move on.
        s->life = 1;
        SetRecovery(l, l.powered ? 2 : 4);
        PlaySoundEntry(kSoundShotXwCreate);
        CreateEffect(s, 99);
        ReleaseShot(l);
      }
      return 0;
    case 5:
      PlaceAtSource(l, 20.0f);
      SetHeading(s, l.h);
      s->speed = 1.0f;
      SetRecovery(l, 4);
      return 0;
    case 6:
      PlaceAtSource(l, 0.0f);
      SetHeading(s, 0);
      CreateEffect(s, 106);
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

// Character 13's fan: j = k - 1, the angle step x (j / 2) + base, added for even j.
int64_t AlternatingAngle(int k, int64_t step, int64_t base) {
  const int64_t j = k - 1;
  const int64_t angle = step * (j / 2) + base;
  return j % 2 == 0 ? angle : -angle;
}

int Chara13Move(const Launch& l) {
  BattleObject* s = l.shot;
  switch (s->move) {
    case 1:
      return TurningStream(l, l.powered ? 3.5f : 9.0f, kSoundShotXv);
    case 2: {
      const int k = VolleyK(l, l.powered ? 4 : 2, kSoundShotXv);
      if (l.powered) {
        const int64_t side = k % 2 == 0 ? 1 : -1;
        SetHeading(s, l.h + side * (14 + 28 * ((k - 1) / 2)));
      } else {
        SetHeading(s, l.h - 28 * int64_t{k} + 42);
      }
      s->speed = l.powered ? 3.0f : 6.0f;
      s->recovery = k % 2;
      SetRecovery(l, 6);
      return k - 1;
    }
    case 3: {
      int k = 0;
      if (l.powered) {
        k = VolleyK(l, 2, kSoundShotXv);
        SetHeading(s, k == 2 ? l.h + 9 : l.h - 6);
        MoveAlong(s, int64_t{s->heading} + 192 * (k % 2) + 160, 24.0f);
        s->speed = 2.5f + 0.12f * static_cast<float>(l.moveShotCount);
      } else {
        SetHeading(s, l.h);
        s->speed = 6.0f + 0.3f * static_cast<float>(l.moveShotCount);
        PlaySoundEntry(kSoundShotXv);
      }
      s->recovery = static_cast<int32_t>(Parity(l.moveShotCount));
      s->life = 1;
      SetRecovery(l, 1);
      Recoil(l, 2.0f);
      return k > 0 ? k - 1 : 0;
    }
    case 4: {
      l.source->modifierHeld = 0;
      const int k = VolleyK(l, l.powered ? 8 : 4, kSoundShotXv);
      SetHeading(s, l.h + (l.powered ? AlternatingAngle(k, 28, 48) : AlternatingAngle(k, 48, 40)));
      s->speed = l.powered ? 4.0f : 5.5f;
      SetRecovery(l, 9);
      if (l.First()) {
        const float brake = l.powered ? 0.5f : 0.4f;
        l.source->vx *= brake;
        l.source->vy *= brake;
      }
      return k - 1;
    }
    case 5: {
      const int k = VolleyK(l, 3, -1);
      const int64_t t = l.source->stateTimer;
      const int64_t heading = l.h + 3 * (t + 57) + 85 * int64_t{k};
      SetHeading(s, heading);
      PlaceAlong(l, heading, 24.0f, 0.0f);
      s->recovery = Rand(2);
      s->speed = 2.25f + 0.3f * static_cast<float>((326 - t) / 4);
      SetRecovery(l, 4);
      PlaySoundEntry(kSoundShotN);
      return k - 1;
    }
    case 6:
      SetHeading(s, l.h);
      s->speed = 16.0f;
      SetRecovery(l, 1);
      PlaySoundEntry(kSoundShotXv);
      CreateEffect(l.source, 1);
      SpawnHitSpark(s, s);
      return 0;
    case 7:
      PlaceAtSource(l, 0.0f);
      SetHeading(s, l.h + 56 * int64_t{l.source->recovery} - 28);
      s->speed = l.powered ? 1.5f : 3.0f;
      return 0;
    case 8:
      SetHeading(s, l.h);
      s->speed = l.powered ? 6.0f : 16.0f;
      Recoil(l, 5.0f);
      PlaySoundEntry(kSoundShotXv);
      CreateEffect(l.source, 1);
      return 0;
    case 9: {
      const int k = VolleyK(l, 4, -1);
      // Shots falling around the owner's marker; without an owner, around the source.
      float cx = l.source->x;
      float cy = l.source->y;
      if (l.owner >= 0) {
        cx = g_markerPoints[l.owner].x;
        cy = g_markerPoints[l.owner].y;
      }
      const float reach = static_cast<float>(Rand(102));
      PointAlong(cx, cy, Rand(63) + 64 * int64_t{k} - 64, reach, &s->x, &s->y);
      SetHeading(s, 192);
      s->z = -512.0f;
      s->vz = 28.0f;
      s->recovery = Rand(2);
      SetRecovery(l, 1);
      return k - 1;
    }
    case 10:
      PlaceAtSource(l, 0.0f);
      SetHeading(s, Rand(255));
      PlaySoundEntry(kSoundHitB);
      CreateEffect(l.source, 0);
      CreateEffect(l.source, 1);
      return 0;
    default:
      return l.count;
  }
}

// Character 14 while powered up: every move of the player becomes the rush of move 11, with the
// damage of row 11.
int Chara14PoweredRush(const Launch& l) {
  BattleObject* s = l.shot;
  s->move = 11;
  if (ShotDamageRecord* d = l.Damage()) {
    const MoveTableEntry& row = MoveRow(l.owner, 11);
    d->damage = row.damage;
    d->stunDamage = row.stunDamage;
    d->hitRadius = row.hitRadius;
    d->hitClass = static_cast<uint16_t>(row.hitClass & 0xFFFF);
    d->hitTag = row.hitTag;
  }
  PlaceAlong(l, l.h, 16.0f, 6.0f);
  SetHeading(s, l.h);
  s->speed = 1.0f;
  SetRecovery(l, 2);
  Lunge(l, 16.0f);
  PlaySoundEntry(kSoundSyun4);
  return 0;
}

void Summon(const Launch& l, int move) {
  if (l.owner < 0) return;
  SpawnFamiliar(l.source, move, l.owner);
  PlaySoundEntry(kSoundShotZkDoll);
}

// Sends the owner's waiting familiars; true when any went.
bool Send(const Launch& l, int mode) {
  return l.owner >= 0 && LaunchFamiliars(mode, l.owner) != 0;
}

// A send that falls back to a summon when nothing was waiting; a send keeps the player busy.
void SendOrSummon(const Launch& l, int move) {
  if (Send(l, move)) {
    SetRecovery(l, 64);
    l.source->stateTimer = 64;
  } else {
    Summon(l, move);
  }
}

bool Held(const Launch& l, int input) {
  return OwnerHeld(l, input) > 0;
}

int Chara14Player(const Launch& l) {
  BattleObject* s = l.shot;
  const int move = s->move;
  switch (move) {
    case 1:
      if (Held(l, kInputButton1)) {
        SendOrSummon(l, move);
      } else {
        Summon(l, move);
      }
      break;
    case 2:
      if (Held(l, kInputButton2)) {
        SendOrSummon(l, move);
      } else {
        Summon(l, move);
      }
      break;
    case 3:
      SetRecovery(l, 72);
      l.source->stateTimer = 72;
      if (Held(l, kInputButton1) && Held(l, kInputButton4)) Send(l, move);
      Summon(l, move);
      break;
    case 4:
      if (Held(l, kInputButton2) && Held(l, kInputButton4)) {
        SendOrSummon(l, move);
      } else {
        Summon(l, move);
      }
      break;
    case 5:
      Send(l, move);
      break;
    case 6:
    case 7:
    case 8:
    case 9:
      Summon(l, move);
      break;
    case 10:
      StillAtSource(l, kSoundHitB);
      SetRecovery(l, 2);
      return 0;
    default:
      return l.count;
  }
  ReleaseShot(l);
  return 0;
}

// The two blades of moves 4 and 6, turning with the familiar's firing direction.
int FamiliarBlades(const Launch& l, int familiarSlot, int sound) {
  BattleObject* s = l.shot;
  const int k = VolleyK(l, 2, sound);
  const int64_t spin = k == 2 ? 128 : 0;
  SetHeading(s, int64_t{l.source->pushHeading} + spin);
  s->recovery = static_cast<int32_t>(spin);
  PlaceAlong(l, l.source->pushHeading, 34.0f, -10.0f);
  s->life = familiarSlot;
  SetRecovery(l, 12);
  return k - 1;
}

int Chara14Familiar(const Launch& l) {
  BattleObject* s = l.shot;
  const int move = s->move;
  if (move < 1 || move > 10) return l.count;
  // The familiar's own slot, kept in `stun`, so that a copy of it still names it.
  const float kept = l.source->stun;
  const int familiarSlot =
      kept >= 0.0f && kept < static_cast<float>(kFamiliarCount) ? static_cast<int>(kept) : -1;
  const bool namesItself = move != 1 && move != 7 && move != 8 && move != 10;
  if (namesItself && familiarSlot < 0) {
    ++IndexMisses;
    ReleaseShot(l);
    return 0;
  }
  switch (move) {
    case 1:
      SetHeading(s, l.h - 14 + Rand(28));
      s->speed = 5.0f + static_cast<float>(Rand(16)) * 0.1f;
      s->recovery = Rand(5);
      PlaySoundEntry(kSoundShotC);
      return 0;
    case 2:
    case 9:
      Lunge(l, 12.0f);
      PlaceAlong(l, l.h, 42.0f, -6.0f);
      SetHeading(s, l.h);
      s->life = familiarSlot;
      PlaySoundEntry(kSoundShotZkSword);
      return 0;
    case 3: {
      PlaceAtSource(l, 0.0f);
      int64_t heading = l.h;
      if (l.source->state == 3 || l.source->state == 4) {
        const int partner = l.owner >= 0 ? FindFamiliar(SceneFrame / 10, l.owner, familiarSlot,
                                                        l.source->attackDelay)
                                         : kNoFamiliar;
        const BattleObject* found = partner == kNoFamiliar ? nullptr : FamiliarAt(partner);
        if (partner == kNoFamiliar) {
          s->life = kNoFamiliar;
        } else if (found != nullptr) {
          // The beam links the familiar to its partner and turns it that way.
          s->life = partner;
          heading = HeadingBetween(s->x, s->y - 6.0f, found->x, found->y - 6.0f);
          SetHeading(l.source, heading);
          if (BattleObject* own = FamiliarAt(familiarSlot)) SetHeading(own, heading);
        }
      }
      SetHeading(s, heading);
      PlaceAlong(l, heading, 16.0f, -6.0f);
      s->speed = 20.0f;
      if (SceneFrame % 5 == 0) ShotHitEffect(l, 15);
      PlaySoundEntry(kSoundShotZkLaser);
      return 0;
    }
    case 4:
      return FamiliarBlades(l, familiarSlot, kSoundShotZkSword2);
    case 6:
      return FamiliarBlades(l, familiarSlot, kSoundSyun4);
    case 5:
      PlaceAtSource(l, 0.0f);
      SetHeading(s, 0);
      s->life = familiarSlot;
      SetRecovery(l, 12);
      PlaySoundEntry(kSoundShotZkBomb);
      return l.count - 1;
    case 7:
    case 8:
      Summon(l, move);
      return 0;
    default:  // 10
      StillAtSource(l, kSoundHitB);
      SetRecovery(l, 2);
      return 0;
  }
}

int Chara14Move(const Launch& l) {
  if (FromMarkedSource(l)) return Chara14Familiar(l);
  if (l.powered) return Chara14PoweredRush(l);
  return Chara14Player(l);
}

int Chara15Move(const Launch& l) {
  BattleObject* s = l.shot;
  switch (s->move) {
    case 1:
      SetHeading(s, l.h);
      s->speed = 8.0f;
      SetRecovery(l, 6);
      PlaySoundEntry(kSoundShotQk);
      return 0;
    case 2: {
      const int k = l.powered ? VolleyK(l, 2, -1) : 0;
      const int64_t shots = l.moveShotCount;
      SetHeading(s, l.powered ? l.h + 4 * (shots - k) + 4 : l.h + 4 * shots - 4);
      s->speed = 9.0f;
      SetRecovery(l, 7);
      Recoil(l, 2.0f);
      PlaySoundEntry(kSoundShotQk);
      return k > 0 ? k - 1 : 0;
    }
    case 3:
      SetHeading(s, l.h);
      s->speed = l.powered ? 12.0f : 9.0f;
      SetRecovery(l, l.powered ? 10 : 12);
      if (!l.powered || l.moveShotCount == 2) Recoil(l, 4.0f);
      PlaySoundEntry(kSoundShotQk);
      return 0;
    case 4:
      SetHeading(s, l.h);
      s->recovery = (ChargeOf(l) - 24) / 2 + 44;
      s->speed = 12.0f;
      Recoil(l, 12.0f);
      PlaySoundEntry(kSoundShotB);
      return 0;
    case 5: {
      const int64_t heading = l.h - 32 + Rand(64);
      SetHeading(s, heading);
      PlaceAlong(l, heading, 32.0f, -12.0f);
      const int64_t toward = l.h - 12 + Rand(24);
      const float reachX = static_cast<float>(320 + Rand(96));
      const float reachY = static_cast<float>(320 + Rand(96));
      float px = 0.0f;
      float py = 0.0f;
      PointAlong(s->x, s->y, toward, reachX, &px, &py);
      float ignored = 0.0f;
      PointAlong(s->x, s->y, toward, reachY, &ignored, &py);
      SetPackedPoint(s, px, py);
      s->speed = 7.5f;
      if (Variant(l.source->stateTimer, 4) == 0) {
        CreateEffect(s, 1);
        CreateEffect(s, 1);
      }
      return 0;
    }
    case 6: {
      const int k = VolleyK(l, 8, -1);
      const int64_t heading = l.h + 32 * int64_t{k} - 32;
      SetHeading(s, heading);
      PlaceAlong(l, heading, 16.0f, 0.0f);
      s->speed = 2.0f;
      PlaySoundEntry(kSoundShotB);
      return k - 1;
    }
    case 7: {
      const int k = VolleyK(l, 2, -1);
      s->life = AddSaturated(l.source->life, 1);
      const int64_t heading =
          l.powered && s->life == 1 ? l.h + 32 * int64_t{k} - 48 : l.h + 48 * int64_t{k} - 72;
      SetHeading(s, heading);
      PlaceAlong(l, heading, 8.0f, 0.0f);
      s->speed = 8.0f;
      return k - 1;
    }
    case 8: {
      const int k = VolleyK(l, 2, -1);
      s->life = AddSaturated(l.source->life, 1);
      SetHeading(s, l.h);
      s->recovery = WrapHeading(l.h + 112 * int64_t{k} + 88);
      PlaceAlong(l, l.h, 32.0f, 0.0f);
      s->speed = 2.0f;
      return k - 1;
    }
    case 9:
    case 10:
      StillAtSource(l, kSoundShotC);
      if (s->move == 9) {
        SetRecovery(l, 8);
        ScreenShake = 12;
      } else {
        s->recovery = l.source->recovery;
        if (ShotDamageRecord* d = l.Damage()) d->hitRadius = AddToU16(0, int64_t{s->recovery} + 14);
        ScreenShake = 18;
      }
      return 0;
    case 11:
      // A shot that can hit only its owner.
      SetHeading(s, l.h);
      if (l.slot >= 0) {
        for (int p = 0; p < kPlayerCount; ++p) ShotHitFlags[l.slot][p] = p == l.owner ? 0 : 1;
      }
      s->meter = 4.0f;
      return 0;
    case 12: {
      const int k = VolleyK(l, 4, kSoundGyaban);
      s->life = AddSaturated(l.source->life, 1);
      const int64_t heading = l.h + 64 * int64_t{k} - 64;
      SetHeading(s, heading);
      PlaceAlong(l, heading, 8.0f, 0.0f);
      s->speed = 2.0f;
      FreezeFrames = 8;
      return k - 1;
    }
    default:
      return l.count;
  }
}

}  // namespace

int LaunchShotChara12(BattleObject* source, BattleObject* shot, int count) {
  const Launch l = BeginLaunch(source, shot, count, 6.0f, 108);
  return Chara12Move(l);
}

int LaunchShotChara13(BattleObject* source, BattleObject* shot, int count) {
  const Launch l = BeginLaunch(source, shot, count, 6.0f, 0);
  const int result = Chara13Move(l);
  // Every shot of the character wears a variant.
  if (l.shot->move >= 1 && l.shot->move <= 10) l.shot->attackDelay = static_cast<int16_t>(Rand(7));
  return result;
}

int LaunchShotChara14(BattleObject* source, BattleObject* shot, int count) {
  const Launch l = BeginLaunch(source, shot, count, -6.0f, 0);
  return Chara14Move(l);
}

int LaunchShotChara15(BattleObject* source, BattleObject* shot, int count) {
  const Launch l = BeginLaunch(source, shot, count, 12.0f, 0);
  // While powered up, shots that would break open hit as the power-up's kind instead.
  if (l.powered) {
    if (ShotDamageRecord* d = l.Damage(); d != nullptr && d->hitClass == 5) d->hitClass = 6;
  }
  return Chara15Move(l);
}

}  // namespace veyrdale
