// The dashes that warp through walls (characters 3, 9 and 13) and character 4's place swap with
// its companion. Moments named by t are read before the frame's count.
#include "game/battle/arena.h"
#include "game/battle/dash.h"
#include "game/battle/player_control.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

using namespace dash;

namespace {

struct Warp {
  int character;
  int announceAt;  // the sound and the guard
  int16_t guard;
  int passAt;  // through walls from here
  float passSpeed;
  int outAt;  // back among walls, and the way out
  float heldSpeed;
  float plainSpeed;  // with no direction held
  bool avoidPlayers;
};

constexpr Warp kWarp3{3, 53, 40, 40, 9.0f, 20, 12.0f, 8.0f, true};
constexpr Warp kWarp13{13, 88, 70, 75, 4.0f, 25, 6.0f, 4.0f, true};
constexpr Warp kWarp9{9, 72, 38, 56, 7.5f, 36, 9.0f, 6.0f, false};

// One frame of a warp; true on the frame of its way out.
bool RunWarp(BattleObject& self, int p, const Warp& w) {
  const int t = self.stateTimer;
  ScaleVelocity(self, 0.9);
  if (t == w.announceAt) {
    Sound(kSoundTelepo);
    self.guard = w.guard;
  }
  if (t == w.passAt) {
    Along(self, self.heading, w.passSpeed);
    g_playerState.airborne[p] = 1;
  }
  if (t > w.outAt && t < w.passAt) {
    Along(self, self.heading, FollowHeld(self, p) ? w.heldSpeed : w.plainSpeed);
  }
  const bool out = t == w.outAt;
  if (out) {
    g_playerState.airborne[p] = 0;
    WayOutOfWalls(&self, p, w.avoidPlayers);
    self.vx = self.vy = 0.0f;
  }
  return out;
}

void WarpDash(BattleObject* player, int index, const Warp& w) {
  if (!ValidDasher(player, index) || Trigger(*player, index, w.character)) return;
  BattleObject& self = *player;
  if (self.state != kStateDash) return;
  if (RunWarp(self, index, w) && w.character == 9) {
    self.heading = 192;
    Shot(self, index, 9);
    Effect(self, 74);
  }
  CountDown(self);
}

bool CompanionCanSwap(const BattleObject& c) {
  // Strictly inside the box a way out keeps to; written so that a NaN position is refused.
  if (!(c.x > kWayOutLeft && c.x < kWayOutRight && c.y > kWayOutTop && c.y < kWayOutBottom))
    return false;
  return MapCellAt(TruncToInt(c.x), TruncToInt(c.y), 32, 32, 16, nullptr, nullptr) == 0;
}

}  // namespace

void UpdateDashChara3(BattleObject* player, int index) {
  WarpDash(player, index, kWarp3);
}

void UpdateDashChara13(BattleObject* player, int index) {
  WarpDash(player, index, kWarp13);
}

void UpdateDashChara9(BattleObject* player, int index) {
  WarpDash(player, index, kWarp9);
}

void UpdateDashChara4(BattleObject* player, int index) {
  if (!ValidDasher(player, index) || Trigger(*player, index, 4)) return;
  BattleObject& self = *player;
  if (self.state != kStateDash) return;
  ScaleVelocity(self, 0.9);
  if (self.stateTimer <= 47 && self.guard >= 20) self.guard = 22;
  if (self.stateTimer == 35) {
    BattleObject& companion = g_companions[index];
    if (CompanionCanSwap(companion)) {
      const float x = self.x;
      const float y = self.y;
      self.x = companion.x;
      self.y = companion.y;
      companion.x = x;
      companion.y = y;
    } else {
      self.guard = 0;
    }
    // The dash goes on for 20 frames after the swap.
    self.stateTimer = 520;
  }
  if (!CountDown(self)) return;
  if (self.stateTimer == 500) EndDash(self);
}

}  // namespace veyrdale
