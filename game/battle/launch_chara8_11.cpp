// Launch routines of characters 8 to 11: where each move's shots start, where they aim, how fast
// they go, what the shooter pays in recovery, recoil and guard, and the launch sounds.
#include "game/battle/battle.h"
#include "game/battle/launchers.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

namespace {

// Sixteen shots at the source, one in each sixteenth of the turn.
int RingOfSixteen(const Launch& l) {
  const int k = VolleyK(l, 16, kSoundShot);
  PlaceAtSource(l, 0.0f);
  SetHeading(l.shot, l.h + 16 * int64_t{k});
  l.shot->speed = 1.0f;
  SetRecovery(l, 1);
  return k - 1;
}

// A back fan: the shot starts 16 behind the source, +6, and carries the point `reach` ahead of
// that start along the source's heading, which it turns toward.
void BackFanStart(const Launch& l, float reach) {
  PlaceAlong(l, l.h + 128, 16.0f, 6.0f);
  float px = 0.0f;
  float py = 0.0f;
  PointAlong(l.shot->x, l.shot->y, l.h, reach, &px, &py);
  SetPackedPoint(l.shot, px, py);
}

int Chara8Move(const Launch& l) {
  BattleObject* s = l.shot;
  switch (s->move) {
    case 1:
      SetHeading(s, l.h);
      s->life = 1;
      s->speed = 2.0f;
      SetRecovery(l, 12);
      Recoil(l, 3.0f);
      PlaySoundEntry(kSoundShotC);
      return 0;
    case 2:
    case 4:
      SetHeading(s, l.h);
      s->speed = 0.1f;
      SetRecovery(l, 2);
      Lunge(l, 15.0f);
      PlaySoundEntry(kSoundDash2);
      CreateEffect(l.source, 22);
      return 0;
    case 3: {
      const int k = VolleyK(l, 4, kSoundShotC);
      const int64_t j = k - 1;
      SetHeading(s, l.h + (24 - 48 * (j % 2)) * (j / 2 + 4) + Rand(8) - 2);
      BackFanStart(l, 240.0f);
      s->speed = 2.8f + static_cast<float>(Rand(6)) * 0.1f;
      s->vz = s->speed;
      SetRecovery(l, 8);
      if (l.First()) Recoil(l, 4.0f);
      return k - 1;
    }
    case 5: {
      const int k = VolleyK(l, 4, -1);
      const int64_t heading = l.h + 64 * (int64_t{k} + 3);
      SetHeading(s, heading);
      PlaceAlong(l, heading, 50.0f, 6.0f);
      s->speed = 30.0f;
      SetRecovery(l, 4);
      PlaySoundEntry(kSoundShotR2);
      return k - 1;
    }
    case 6:
    case 9:
      PlaceAtSource(l, 0.0f);
      SetHeading(s, l.h);
      s->speed = s->move == 6 ? 28.0f : 4.0f;
      return 0;
    case 7: {
      const int k = VolleyK(l, 2, kSoundShotC);
      PlaceAtSource(l, 0.0f);
      SetHeading(s, l.h - 128 * int64_t{k} + 192);
      SetPackedPoint(s, s->x, s->y);
      return k - 1;
    }
    case 10:
      return RingOfSixteen(l);
    default:
      return l.count;
  }
}

// Character 9's target: the nearest opponent still in the fight by squared distance of the
// truncated positions, or the farthest while the owner holds button 1. With nobody left the
// source's own position stands in, so that the shot starts relative to the source.
struct Target {
  float x, y;
  bool farthest;
};

Target TargetOf(const Launch& l) {
  Target t{l.source->x, l.source->y, OwnerHeld(l, kInputButton1) > 0};
  const int sx = TruncToInt(l.source->x);
  const int sy = TruncToInt(l.source->y);
  int best = -1;
  int64_t bestDistance = 0;
  for (int i = 0; i < PlayersInPlay(); ++i) {
    if (i == l.owner) continue;
    if (l.owner >= 0 && g_match.teamMode == 1 && g_match.team[i] == g_match.team[l.owner]) continue;
    const BattleObject& p = g_players[i];
    if (p.state >= kStateKnockedOut) continue;
    const int64_t dx = int64_t{TruncToInt(p.x)} - sx;
    const int64_t dy = int64_t{TruncToInt(p.y)} - sy;
    const int64_t distance = dx * dx + dy * dy;
    if (best < 0 || (t.farthest ? distance > bestDistance : distance < bestDistance)) {
      best = i;
      bestDistance = distance;
    }
  }
  if (best >= 0) {
    t.x = g_players[best].x;
    t.y = g_players[best].y;
  }
  return t;
}

int Chara9Move(const Launch& l) {
  BattleObject* s = l.shot;
  switch (s->move) {
    case 1:
      if (FromMarkedSource(l)) {
        SetHeading(s, l.powered ? l.h - 8 + Rand(16) : l.h - 4 + Rand(8));
        PlaceAtSource(l, -600.0f);
        s->speed = 6.0f + static_cast<float>(Rand(10)) * 0.1f;
        SetRecovery(l, 2);
        PlaySoundEntry(kSoundShotC);
        return 0;
      } else {
        // The gap opens behind the target; the effect carries the move on.
        const Target t = TargetOf(l);
        SetHeading(s, l.h + 192);
        PointAlong(t.x, t.y, s->heading, -96.0f, &s->x, &s->y);
        s->life = 1;
        s->speed = 48.0f;
        SetRecovery(l, 2);
        PlaySoundEntry(kSoundSukimaOpen);
        CreateEffect(s, 67);
        ReleaseShot(l);
        return 0;
      }
    case 2:
      PlaceAlong(l, l.h, 48.0f, 6.0f);
      SetHeading(s, l.h);
      s->speed = 6.0f;
      SetRecovery(l, 8);
      PlaySoundEntry(kSoundSyun1);
      CreateEffect(s, 72);
      return 0;
    case 3: {
      const int k = l.powered ? VolleyK(l, 3, -1) : 0;
      const Target t = TargetOf(l);
      SetHeading(s, l.powered ? l.h + 96 * int64_t{k} + 64 : l.h);
      PointAlong(t.x, t.y, s->heading, -800.0f, &s->x, &s->y);
      s->y += 6.0f;
      s->life = t.farthest ? 1 : 0;
      s->speed = 48.0f;
      SetRecovery(l, 2);
      PlaySoundEntry(kSoundShotC);
      CreateEffect(s, 68 + s->life);
      return k > 0 ? k - 1 : 0;
    }
    case 4: {
      PlaceAtSource(l, 0.0f);
      SetHeading(s, l.h + 56);
      const float speed = 4.0f + 0.1f * static_cast<float>(l.source->stateTimer);
      s->speed = speed > 8.0f ? 8.0f : speed;
      SetRecovery(l, 8);
      PlaySoundEntry(kSoundSyun1);
      return 0;
    }
    case 5: {
      const int k = VolleyK(l, 16, kSoundShotB);
      PlaceAtSource(l, 8.0f);
      // The ring's pattern rides in the shots' recovery.
      SetHeading(s, 16 * int64_t{k} - 16);
      s->recovery = l.source->pushHeading;
      s->speed = 4.5f + 1.5f * static_cast<float>(l.source->pushHeading / 3);
      SetRecovery(l, 4);
      return k - 1;
    }
    case 6:
      StillAtSource(l, -1);
      return 0;
    case 7:
      PlaceAlong(l, l.h + 199, 48.0f, 6.0f);
      SetHeading(s, l.h + 199);
      return 0;
    case 8: {
      const int k = VolleyK(l, 2, kSoundShotC);
      PlaceAtSource(l, 0.0f);
      SetHeading(s, k == 2 ? l.h - 64 : l.h + 64);
      SetPackedPoint(s, s->x, s->y);
      return k - 1;
    }
    case 9:
      PlaceAtSource(l, 6.0f);
      SetHeading(s, l.h);
      return 0;
    case 10:
    case 11:
      PlaceAtSource(l, 0.0f);
      SetHeading(s, l.h);
      s->life = 999;
      s->speed = s->move == 10 ? 7.5f : 10.0f;
      SetRecovery(l, 2);
      PlaySoundEntry(kSoundSyun1);
      CreateEffect(s, s->move == 10 ? 72 : 73);
      return 0;
    case 13: {
      const int k = VolleyK(l, 16, -1);
      const int64_t j = k - 1;
      const int64_t heading = 16 * (j / 4 + 4 * (j % 4));
      SetHeading(s, heading);
      PlaceAlong(l, heading + 160, 320.0f, 0.0f);
      s->speed = 28.0f;
      return k - 1;
    }
    default:
      return l.count;
  }
}

int Chara10Move(const Launch& l) {
  BattleObject* s = l.shot;
  switch (s->move) {
    case 1:
      PlaceAtSource(l, 0.0f);
      SetHeading(s, l.h + 36 * int64_t{l.moveShotCount} - 36);
      s->recovery = (SceneFrame % 24) / 8;
      s->speed = 4.5f;
      SetRecovery(l, 6);
      PlaySoundEntry(kSoundShotB);
      CreateEffect(s, 0);
      return 0;
    case 2:
      ChargedThrust(l);
      return 0;
    case 3: {
      if (l.moveShotCount == 0) {
        CreateEffect(l.source, 49);
        FlashFrames = 14;
        FlashLength = 20;
        PlaySoundEntry(kSoundShot72);
      }
      if (l.First()) {
        Recoil(l, 0.5f);
        l.source->guard = -4;
        if (l.moveShotCount % 2 == 0) DispatchHitEffect(l.source, l.source, 16);
        ScreenShake = 4;
      }
      const int k = VolleyK(l, 3, -1);
      SetHeading(s, l.h + 3 * int64_t{k} - 6);
      s->speed = 24.0f;
      SetRecovery(l, 2);
      return k - 1;
    }
    case 4:
      ChargedDive(l);
      return 0;
    case 5:
      PlaceAtSource(l, 12.0f);
      SetHeading(s, l.h);
      SetRecovery(l, 5);
      PlaySoundEntry(kSoundShotB);
      CreateEffect(s, 47);
      ScreenShake = 4;
      return 0;
    case 6:
      StillAtSource(l, kSoundHitB);
      return 0;
    case 7: {
      const bool wide = l.source->move == 4;
      const int k = VolleyK(l, wide ? 24 : 16, kSoundHitB);
      PlaceAtSource(l, 0.0f);
      SetHeading(s, Rand(31) + 32 * (k / 2));
      s->speed = wide ? 5.5f + static_cast<float>(Rand(32)) * 0.07f
                      : 4.5f + static_cast<float>(Rand(32)) * 0.05f;
      if (l.First()) CreateEffect(l.source, 7);
      return k - 1;
    }
    case 8:
      PlaceAtSource(l, 12.0f);
      SetHeading(s, l.h);
      s->speed = 8.0f;
      PlaySoundEntry(kSoundHitB);
      return 0;
    case 9: {
      PlaceAlong(l, l.h, 32.0f, 12.0f);
      SetHeading(s, l.h);
      PlaySoundEntry(kSoundHitB);
      // The source's recovery names the player this shot holds; any other value holds nobody.
      const int32_t held = l.source->recovery;
      s->recovery = held;
      if (held < 0 || held >= kPlayerCount) {
        ++IndexMisses;
        ReleaseShot(l);
      } else if (l.slot >= 0) {
        g_playerState.holdingShot[held] = l.slot;
      }
      return 0;
    }
    case 10:
      PlaceAtSource(l, 0.0f);
      SetHeading(s, l.h - 33 + Rand(64));
      s->speed = 4.0f + static_cast<float>(Rand(10)) * 0.05f;
      s->vz = s->speed;
      PlaySoundEntry(kSoundHitB);
      return 0;
    default:
      return l.count;
  }
}

int Chara11Move(const Launch& l) {
  BattleObject* s = l.shot;
  switch (s->move) {
    case 1: {
      const int k = VolleyK(l, 2, kSoundShotE);
      SetHeading(s, ((k - 1) % 2 == 0 ? l.h + 108 : l.h - 108) + Rand(8) - 2);
      BackFanStart(l, 260.0f);
      s->life = static_cast<int32_t>(Variant(l.moveShotCount, 4)) + 1;
      s->speed = 6.0f + static_cast<float>(Rand(6)) * 0.1f;
      SetRecovery(l, 8);
      if (l.First()) {
        l.source->vx = VelocityX(WrapHeading(l.h + 192), 5.0f);
        l.source->vy = VelocityY(WrapHeading(l.h + 192), 5.0f);
      }
      return k - 1;
    }
    case 2:
      SetHeading(s, l.h);
      s->life = 0;
      s->speed = 4.5f;
      SetRecovery(l, 12);
      Recoil(l, 3.0f);
      PlaySoundEntry(kSoundShotB);
      CreateEffect(s, 32);
      ScreenShake = 16;
      return 0;
    case 3: {
      const int k = VolleyK(l, 2, kSoundShotE);
      const bool odd = l.moveShotCount % 2 != 0;
      SetHeading(s, l.h + 128);
      PlaceAlong(l, l.h - 128 * int64_t{k} + 64, odd ? 60.0f : 28.0f, 6.0f);
      float px = 0.0f;
      float py = 0.0f;
      PointAlong(s->x, s->y, l.h, 240.0f, &px, &py);
      SetPackedPoint(s, px, py);
      s->life = l.moveShotCount + k;
      s->speed = 4.0f + static_cast<float>(Rand(6)) * 0.1f;
      SetRecovery(l, odd ? 10 : 2);
      if (l.First()) Recoil(l, 1.0f);
      return k - 1;
    }
    case 4: {
      const int k = VolleyK(l, 2, kSoundShotB);
      SetHeading(s, l.h);
      s->vz = k == 2 ? -4.0f : 4.0f;
      s->life = 0;
      s->speed = 3.5f;
      SetRecovery(l, 16);
      if (l.First()) Recoil(l, 3.0f);
      CreateEffect(s, 33);
      ScreenShake = 12;
      return k - 1;
    }
    case 5: {
      const int k = VolleyK(l, 3, -1);
      PlaceAlong(l, l.h, 36.0f, 6.0f);
      SetHeading(s, l.h + 3 * int64_t{k} - 6);
      s->life = Rand(255);
      s->speed = 24.0f;
      SetRecovery(l, 2);
      return k - 1;
    }
    case 6:
    case 7:
      PlaceAtSource(l, 0.0f);
      SetHeading(s, Rand(255));
      PlaySoundEntry(kSoundHitB);
      return 0;
    case 8: {
      const int k = VolleyK(l, 2, -1);
      PlaceAlong(l, int64_t{l.source->pushHeading} + 4 * (65 - int64_t{k}), 222.0f, 6.0f);
      SetHeading(s, Rand(255));
      s->life = static_cast<int32_t>(Variant(l.source->stateTimer, 2));
      return k - 1;
    }
    case 10:
      return RingOfSixteen(l);
    default:
      return l.count;
  }
}

}  // namespace

int LaunchShotChara8(BattleObject* source, BattleObject* shot, int count) {
  const Launch l = BeginLaunch(source, shot, count, 6.0f, 0);
  return Chara8Move(l);
}

int LaunchShotChara9(BattleObject* source, BattleObject* shot, int count) {
  const Launch l = BeginLaunch(source, shot, count, 6.0f, 0);
  return Chara9Move(l);
}

int LaunchShotChara10(BattleObject* source, BattleObject* shot, int count) {
  const Launch l = BeginLaunch(source, shot, count, 12.0f, 160);
  const int result = Chara10Move(l);
  EndLaunch(l, true, true);
  return result;
}

int LaunchShotChara11(BattleObject* source, BattleObject* shot, int count) {
  const Launch l = BeginLaunch(source, shot, count, 6.0f, 0);
  return Chara11Move(l);
}

}  // namespace veyrdale
