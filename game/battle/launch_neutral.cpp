// The launch routine of the neutral kind: the shots of the arena objects, moves 1-12.
#include <cstdint>

#include "game/battle/launchers.h"
#include "game/battle/shots.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

namespace {

// Move 3's columns, walked from either end by the source's volley count.
constexpr float kColumnX[4] = {119.0f, 183.0f, 455.0f, 519.0f};

void SetDamage(const Launch& l, int64_t damage, int64_t stunDamage) {
  ShotDamageRecord* record = l.Damage();
  if (record == nullptr) return;
  record->damage = AddToU16(0, damage);
  record->stunDamage = AddToU16(0, stunDamage);
}

}  // namespace

int LaunchShotNeutral(BattleObject* source, BattleObject* shot, int remaining) {
  const Launch l = BeginLaunch(source, shot, remaining, 6.0f, 108);
  BattleObject& s = *source;
  switch (shot->move) {
    case 1:
    case 2:
      StillAtSource(l, -1);
      return 0;
    case 3: {
      const int n = VolleyK(l, 4, -1);
      const int k = KIndex(n, 4);
      shot->x = kColumnX[(s.attackDelay & 1) == 0 ? k - 1 : 4 - k];
      shot->speed = 0.0f;
      shot->stateTimer = 16 * n;
      shot->heading = 192;
      if (g_match.stage == 3) SetDamage(l, 48, 45);
      return n - 1;
    }
    case 4:
      PlaceAlong(l, l.h, 12.0f, 6.0f);
      SetHeading(shot, l.h);
      if (s.state == 3) SetDamage(l, 24, 38);
      return 0;
    case 5:
      shot->speed = 24.0f;
      SetHeading(shot, l.h);
      if (SceneFrame % 5 == 0) ShotHitEffect(l, 14);
      PlaySoundEntry(kSoundShot);
      return 0;
    case 6: {
      shot->x = s.x;
      shot->y = s.y - 48.0f;
      shot->speed = 4.0f;
      const int spread = Rand(24);
      SetHeading(shot, 192 + int64_t{spread} * (1 - 2 * Rand(1)));
      PlaySoundEntry(kSoundShotB);
      return 0;
    }
    case 7: {
      const int n = VolleyK(l, 7, -1);
      shot->speed = 4.5f;
      SetHeading(shot, 220 + Rand(38) + int64_t{36} * n);
      shot->recovery = static_cast<int32_t>(Variant(SceneFrame, 24) / 8);
      PlaySoundEntry(kSoundShotB);
      return n - 1;
    }
    case 8: {
      int n = remaining;
      if (l.First()) n = SceneFrame / 1000 + 4 < 8 ? SceneFrame / 1000 + 4 : 8;
      const int h = Rand(255);
      shot->x = 320.0f + CosOf(h + 128) * 480.0f / 256.0f;
      shot->y = 240.0f + NegSinOf(h + 128) * 420.0f / 256.0f;
      SetHeading(shot, int64_t{h} + 248 + Rand(16));
      shot->speed = static_cast<float>(1.75 + 0.1 * Rand(10));
      PlaySoundEntry(kSoundShotB);
      PlaySoundEntry(kSoundShotB);
      return n - 1;
    }
    case 9:
      SetDamage(l, s.recovery / 2 + 2, s.recovery / 2 + 16);
      PlaceAtSource(l, 0.0f);
      shot->heading = 0;
      return 0;
    case 10:
      shot->x = s.x + 16.0f;
      shot->y = s.y + 16.0f;
      shot->speed = 16.0f;
      SetHeading(shot, l.h);
      return 0;
    case 11:
      PlaceAtSource(l, 0.0f);
      SetHeading(shot, Rand(255));
      PlaySoundEntry(kSoundHitB);
      return 0;
    case 12: {
      const int n = (l.First() ? 6 : remaining) - 1;
      shot->recovery = n;
      shot->stun = s.stun;
      SetHeading(shot, l.h + 148);
      PlaceAlong(l, shot->heading, 30.0f * static_cast<float>(n), 0.0f);
      return n;
    }
    default:
      return remaining;
  }
}

}  // namespace veyrdale
