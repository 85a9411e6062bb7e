// The dashes that rush straight ahead (characters 2, 8 and 11) and the parrying spin of
// characters 0 and 10.
//
// A dash's t counts down from its start value: the moments named by t are read before the
// frame's count, the windows of steering after it, and the dash ends at 0.
#include "game/battle/battle.h"
#include "game/battle/dash.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/core/input.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

using namespace dash;

namespace {

void Spin(BattleObject& player) {
  player.stateTimer = 0;
  player.state = kStateDashSpin;
  Sound(kSoundBomb);
  Effect(player, 0);
}

}  // namespace

void UpdateDashChara0(BattleObject* player, int index) {
  if (!ValidDasher(player, index)) return;
  BattleObject& self = *player;
  const int p = index;
  if ((self.state == kStateStand || self.state == kStateWalk || self.state == kStateSpecialMove) &&
      Pressed(kInputButton3, p) && StoryPreFight == 0) {
    // No minimum: the battle's floor at 0 takes what the meter lacks.
    self.meter -= 100.0f;
    g_playerState.specialMode[p] = 0;
    Spin(self);
  }
  if (self.state != kStateDashSpin && self.state != kStateGuardStance) return;
  ++self.stateTimer;
  if (self.stateTimer > (self.kind == 10 ? 20 : 30)) {
    self.state = kStateStand;
    self.z = 0.0f;
    self.stateTimer = 0;
    return;
  }
  if (self.state != kStateGuardStance) return;
  // A parry lets the spin start again at no cost, or character 0 release its charge.
  if (Pressed(kInputButton3, p)) {
    self.guard = 0;
    Spin(self);
  } else if (self.kind == 0 && Pressed(kInputButton2, p)) {
    g_playerState.specialMode[p] = 160;
    self.stateTimer = 29;
    self.guard = 4;
  }
}

void UpdateDashChara2(BattleObject* player, int index) {
  if (!ValidDasher(player, index) || Trigger(*player, index, 2)) return;
  BattleObject& self = *player;
  if (self.state != kStateDash) return;
  if (self.stateTimer == 22) Along(self, self.heading, 10.0f);
  if (!CountDown(self)) return;
  if (self.stateTimer > 6) {
    BlendAlong(self, self.heading, 10.0f, 8);
    if (self.stateTimer % 2 == 1) Effect(self, 4);
  } else {
    Slow(self, 6);
  }
}

void UpdateDashChara8(BattleObject* player, int index) {
  if (!ValidDasher(player, index) || Trigger(*player, index, 8)) return;
  BattleObject& self = *player;
  if (self.state != kStateDash) return;
  const int t = self.stateTimer;
  if (t > 44) self.heading = WrapHeading(static_cast<int64_t>(self.heading) + 16);
  if (t == 48) self.guard = -14;
  if (t == 44) {
    Along(self, self.heading, 20.0f);
    Sound(kSoundDash);
    Shot(self, index, 8);
    Effect(self, 25);
  }
  if (t == 34) Effect(self, 26);
  if (t == 32) {
    ScaleVelocity(self, 0.5);
    Sound(kSoundDash);
  }
  if (!CountDown(self)) return;
  if (self.stateTimer > 32 && self.stateTimer < 44) {
    BlendAlong(self, self.heading, 20.0f, 8);
  } else {
    Slow(self, 6);
  }
}

void UpdateDashChara11(BattleObject* player, int index) {
  if (!ValidDasher(player, index) || Trigger(*player, index, 11)) return;
  BattleObject& self = *player;
  if (self.state != kStateDash) return;
  const int t = self.stateTimer;
  if (t > 46) {
    FollowHeld(self, index);
    if (t <= 60) self.pushHeading = WrapHeading(static_cast<int64_t>(self.pushHeading) + 32);
  }
  if (t == 68) self.guard = 32;
  if (t == 46) {
    self.guard = 12;
    Along(self, self.heading, 12.0f);
    Sound(kSoundDash);
    DispatchHitEffect(&self, &self, 14);
  }
  if (t == 34) {
    ScaleVelocity(self, 0.5);
    Sound(kSoundDash);
  }
  if (!CountDown(self)) return;
  if (self.stateTimer > 34 && self.stateTimer < 46) {
    BlendAlong(self, self.heading, 12.0f, 8);
  } else {
    Slow(self, 6);
  }
}

}  // namespace veyrdale
