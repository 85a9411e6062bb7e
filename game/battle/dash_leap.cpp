// The dashes that glide (characters 5 and 12), leap (1, 7, 14 and 15) or set a ground mark (6).
// A glide's t counts down, its moments read before the frame's count; the others count t up
// first.
#include "game/battle/access.h"
#include "game/battle/dash.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"
#include "morrow/system/time.h"

namespace veyrdale {

using namespace dash;

namespace {

// A NaN height counts as on the ground, so that a corrupted leap still lands.
bool Airborne(const BattleObject& player) {
  return player.z < 0.0f;
}

void Land(BattleObject& player) {
  player.z = 0.0f;
  player.vz = 0.0f;
}

// 7's push spares the players whose own move holds them: character 8 in its spell card and
// character 15 in its special move or spell card, each while guarded.
bool Unpushable(const BattleObject& other) {
  if (other.guard <= 0) return false;
  if (other.kind == 8) return other.state == kStateSpellCard;
  if (other.kind == 15) return other.state == kStateSpecialMove || other.state == kStateSpellCard;
  return false;
}

void PushOthers(const BattleObject& self, int p) {
  const int inPlay = PlayersInPlay();
  for (int q = 0; q < inPlay; ++q) {
    if (q == p) continue;
    BattleObject& other = g_players[q];
    if (Unpushable(other) || !CheckCircleHit(self.x, self.y, other.x, other.y, 200)) continue;
    BlendAlong(other, HeadingBetween(self.x, self.y, other.x, other.y), 2.5f, 7);
  }
}

}  // namespace

void UpdateDashChara1(BattleObject* player, int index) {
  if (!ValidDasher(player, index) || Trigger(*player, index, 1)) return;
  BattleObject& self = *player;
  if (self.state != kStateDash) return;
  BlendHeld(self, index, 4.0f, 32);
  ++self.stateTimer;
  // The jump's first two frames keep it on the ground: a landing test there would end it at once.
  if (self.stateTimer < 3) return;
  self.vz = static_cast<float>(self.vz + 0.2);
  self.z += self.vz;
  if (!Airborne(self)) {
    self.state = kStateStand;
    self.z = 0.0f;
    self.guard = 0;
    self.stateTimer = 0;
  }
}

void UpdateDashChara5(BattleObject* player, int index) {
  if (!ValidDasher(player, index) || Trigger(*player, index, 5)) return;
  BattleObject& self = *player;
  if (self.state != kStateDash) return;
  const int t = self.stateTimer;
  if (t == 102) self.guard = 84;
  if (t > 26 && t < 102) {
    if (t % 4 == 1) Effect(self, 14);
    BlendHeld(self, index, PoweredUp(index) ? 9.0f : 4.5f, 8);
  } else {
    Slow(self, 8);
  }
  CountDown(self);
}

void UpdateDashChara12(BattleObject* player, int index) {
  if (!ValidDasher(player, index) || Trigger(*player, index, 12)) return;
  BattleObject& self = *player;
  if (self.state != kStateDash) return;
  const int t = self.stateTimer;
  if (t == 112) self.guard = 84;
  if (t > 48 && t < 112) {
    Effect(self, 100);
    BlendHeld(self, index, 9.0f, 12);
  } else {
    Slow(self, 12);
  }
  CountDown(self);
}

void UpdateDashChara6(BattleObject* player, int index) {
  if (!ValidDasher(player, index) || Trigger(*player, index, 6)) return;
  BattleObject& self = *player;
  if (self.state != kStateDash) return;
  ++self.stateTimer;
  if (self.stateTimer == 24) {
    // The ground mark 42 pixels ahead, turning shots by a random 20-36 either way: the size is
    // drawn first, then the sign (1 turns the other way).
    GroundMark& mark = g_groundMarks[index];
    mark.timer = 120;
    mark.x = self.x + VelocityX(self.heading, 42.0f);
    mark.y = self.y + VelocityY(self.heading, 42.0f);
    const int turn = morrow::GetRandomNumber(16) + 20;
    mark.heading = morrow::GetRandomNumber(1) == 1 ? -turn : turn;
    EffectAt(self, index, mark.x, mark.y - 20.0f, 0);
    for (int k = 0; k < 4; ++k) EffectAt(self, index, mark.x, mark.y, 63);
    Sound(kSoundIceWave);
  }
  if (self.stateTimer > 80) {
    EndDash(self);
    self.z = 0.0f;
  }
  Slow(self, 6);
}

void UpdateDashChara7(BattleObject* player, int index) {
  if (!ValidDasher(player, index) || Trigger(*player, index, 7)) return;
  BattleObject& self = *player;
  if (self.state != kStateDash) return;
  const int t = ++self.stateTimer;
  if (Airborne(self)) {
    BlendHeld(self, index, 4.0f, 24);
    if (t % 10 == 3) Effect(self, 28);
  } else {
    Slow(self, 12);
  }
  if (t == 2) self.z += self.vz;
  if (t >= 3 && Airborne(self)) {
    self.pushHeading = WrapHeading(static_cast<int64_t>(self.pushHeading) + 8);
    self.vz = static_cast<float>(self.vz + 0.06);
    self.z += self.vz;
    if (t < 80) PushOthers(self, index);
    if (!Airborne(self)) {
      self.stateTimer = 2000;
      Land(self);
      self.guard = 0;
    }
  }
  if (t >= 3) Slow(self, 7);
  if (self.stateTimer >= 2024) EndDash(self);
}

void UpdateDashChara14(BattleObject* player, int index) {
  if (!ValidDasher(player, index) || Trigger(*player, index, 14)) return;
  BattleObject& self = *player;
  if (self.state != kStateDash) return;
  const int t = ++self.stateTimer;
  if (t == 4) self.z += self.vz;
  if (t >= 5 && Airborne(self)) {
    self.vz = static_cast<float>(self.vz + 0.3);
    self.guard = 2;
    self.pushHeading = WrapHeading(static_cast<int64_t>(self.pushHeading) - 11);
    self.z += self.vz;
    if (t == 12 && !PoweredUp(index)) Shot(self, index, 7);
    if (!Airborne(self)) {
      Land(self);
      self.guard = 0;
      self.stateTimer = 2000;
    }
  }
  if (Airborne(self)) return;
  Slow(self, 7);
  if (self.stateTimer >= 2032) {
    self.attackDelay = 32;
    EndDash(self);
  }
}

void UpdateDashChara15(BattleObject* player, int index) {
  if (!ValidDasher(player, index) || Trigger(*player, index, 15)) return;
  BattleObject& self = *player;
  if (self.state != kStateDash) return;
  const int t = ++self.stateTimer;
  if (t == 16) {
    Along(self, self.heading, 3.0f);
    self.vz = -2.5f;
    self.z -= 2.5f;
    // The leap is paid with life; a life too low to pay leaves 1 and a shot instead.
    if (self.life > 0 && RoundFrame >= 300 && RoundEndFrames == 0) {
      self.life -= 4;
      if (self.life <= 0) {
        Shot(self, index, 11);
        self.z = 0.0f;
        self.state = kStateStand;
        self.life = 1;
        return;
      }
      Sound(kSoundHit);
      ScreenShake = 20;
    }
  }
  if (t >= 16) {
    self.guard = 2;
    if (Airborne(self)) {
      self.vz = static_cast<float>(self.vz + 0.2);
      self.z += self.vz;
      if (!Airborne(self)) {
        Land(self);
        Effect(self, 0);
        Sound(kSoundDown);
      }
    } else {
      Slow(self, 10);
    }
  }
  if (t > 96) {
    EndDash(self);
    self.z = 0.0f;
    self.guard = 36;
    g_playerState.recoveryGuard[index] = 36;
  }
}

}  // namespace veyrdale
