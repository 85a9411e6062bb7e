// The spell cards of characters 12 to 15: a descriptor and the windows of each card.
#include <cstdint>

#include "game/battle/battle.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/battle/spell_card.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale::spell_card {

namespace {

constexpr int32_t kNoTop = INT32_MAX;

PlayerBattleState& S() {
  return g_playerState;
}

// A player index that a catch left in a field: only 0-3 name a player. Anything else is a card
// whose shot caught nobody (or state written from outside), which the cards treat as a miss, so
// it is not counted as an index miss.
BattleObject* CaughtPlayer(int32_t index) {
  return index >= 0 && index < kPlayerCount ? &g_players[index] : nullptr;
}

// ----- 12A: the flight, the steering above the arena and the dive -----

bool Steering12A(int64_t t) {
  return t >= 180 && t < 480;
}

// The shake grows as t runs down; in 64 bits, for a timer written far below its range.
int32_t DiveShake(int32_t t) {
  return static_cast<int32_t>((480 - int64_t{t}) / 30);
}

void First12A(BattleObject& c, int) {
  c.vz = 0.0f;
  c.z = 0.0f;
  c.guard = 666;
  c.pushHeading = c.heading;
}

void Land12A(BattleObject& c, int p) {
  c.z = 0.0f;
  c.vz = 0.0f;
  Shot(c, p, 5);
  c.meter = 0.0f;
  Action(p, 180);
  Shake(36);
  SlowMotion(16);
  Flash(-10, -12);
  Effect(c, 105);
  PlaySoundEntry(kSoundShotXwBomb);
  Capture();
}

bool Windows12A(BattleObject& c, int p, int32_t t) {
  if (t == 640) {
    Shake(24);
    Effect(c, 74);
    Effect(c, 74);
    PlaySoundEntry(kSoundShotXwFly);
  }
  if (t > 580 && t < 640) {
    c.vz -= 0.5f;
    c.z += c.vz;
    if (c.z < -600.0f) c.z = -600.0f;
  }
  if (t == 540) PlaySoundEntry(kSoundShotXwVib);
  if (t > 140 && t < 540 && t % 6 == 0) Effect(c, 103);
  if (Steering12A(t)) {
    c.vz = 0.0f;
    float tx = 0.0f;
    float ty = 0.0f;
    SteerByHeldDirections(c, p, 1.5f, &tx, &ty);
    BlendVelocity(&c.vx, &c.vy, tx, ty, 8, 1);
    if (t % 3 == 0) Shake(DiveShake(t));
  }
  if (t < 180 && c.z < 0.0f) {
    if (t % 3 == 0) Shake(DiveShake(t));
    c.z += 12.0f;
    c.vz = 12.0f;
    if (t % 2 == 0) Effect(c, 104);
    if (c.z >= 0.0f) Land12A(c, p);
  }
  if (c.z >= 0.0f && t < 125) {
    c.guard = 0;
    MoveBar(p, -80);
  }
  return true;
}

// The steering window blends toward the held direction in place of the common slowing. This runs
// after the countdown, so the window's t is one above the timer.
void Slow12A(BattleObject& c, int) {
  if (!Steering12A(int64_t{c.stateTimer} + 1)) BlendVelocity(&c.vx, &c.vy, 0.0f, 0.0f, 6, 1);
}

// ----- 12B -----

void First12B(BattleObject& c, int) {
  c.pushHeading = c.heading;
  c.guard = 4;
}

bool Windows12B(BattleObject& c, int p, int32_t t) {
  if (t == 288) {
    Flash(6, 8);
    c.meter = 0.0f;
    HitEvent(c, 13);
    PlaySoundEntry(kSoundShotXwCircle);
  }
  if (t == 148) PlaySoundEntry(kSoundShotXwSword);
  if (t >= 150 && t < 200) {
    MoveBar(p, -200);
  } else {
    c.guard = 2;
  }
  return true;
}

// ----- 13A -----

void First13A(BattleObject& c, int) {
  c.guard = 129;
}

bool Windows13A(BattleObject& c, int p, int32_t t) {
  if (t == 358) PlaySoundEntry(kSoundShotN2);
  if (t >= 296 && t < 356 && t % 3 == 1) {
    Shot(c, p, 5);
    c.meter -= 30.0f;
    Action(p, 300);
  }
  if (t == 250) c.guard = -250;
  if (t == 130) {
    Flash(8, 10);
    PlaySoundEntry(kSoundShotXvBack);
  }
  return true;
}

// ----- 13B: the catch, its gate and the freeze around the caught player -----

// The catch record's player while nobody is caught.
constexpr int32_t kNobodyCaught = 9;
constexpr int kFreezeRadius = 100;
constexpr int32_t kFrozenFrames = 700;

void First13B(BattleObject& c, int p) {
  c.modifierHeld = 0;
  c.guard = 560;
  g_markerPoints[p].timer = 0;
  g_markerPoints[p].player = kNobodyCaught;
}

// Every other player in play near the caught player b, on the ground or above it, not guarded,
// not getting up and not in a guard stance or the end of a dash spin, freezes for the caster.
void FreezeAround(int p, int b) {
  const BattleObject& caught = g_players[b];
  for (int j = 0; j < PlayersInPlay(); ++j) {
    if (j == p || j == b) continue;
    if (g_match.teamMode == 1 && g_match.team[j] == g_match.team[p]) continue;
    const BattleObject& other = g_players[j];
    if (other.z > 0.0f || other.life <= 0 || other.guard > 0 || S().recoveryGuard[j] > 0) continue;
    if (other.state == kStateGuardStance) continue;
    if (other.state == kStateDashSpin && other.stateTimer < 10) continue;
    if (!CheckCircleHit(other.x, other.y, caught.x, caught.y, kFreezeRadius)) continue;
    S().freezeTimer[j] = kFrozenFrames;
    S().freezer[j] = p;
  }
}

void Caught13B(BattleObject& c, int p, int32_t t, int b) {
  BattleObject& caught = g_players[b];
  c.guard = 4;
  static constexpr struct {
    int32_t t;
    int event;
  } kEvents[] = {{524, 13}, {518, 15}, {512, 17}, {506, 14}, {500, 16}, {494, 18}};
  for (const auto& e : kEvents) {
    if (t == e.t) DispatchHitEffect(&c, &caught, e.event);
  }
  if (t == 458) {
    CreateEffect(&caught, 97);
    Flash(18, 18);
    PlaySoundEntry(kSoundShotXvGate);
    PlaySoundEntry(kSoundSpell);
  }
  if (t > 100 && t <= 458) FreezeAround(p, b);
  if (t == 380) {
    c.z = 0.0f;
    c.heading = WrapHeading(int64_t{c.heading} + 128);
  }
  if (t > 220 && t < 360 && t % 4 == 0) Shot(c, p, 9);
  if (t == 150) Effect(c, 98);
}

bool Windows13B(BattleObject& c, int p, int32_t t) {
  MarkerPoint& record = g_markerPoints[p];
  if (t == 559) {
    Shot(c, p, 6);
    c.meter = 0.0f;
    Action(p, 700);
  }
  // A count with nobody caught (the caster's move-8 shot marks a point without a player) is a miss.
  const BattleObject* caught = record.timer > 0 ? CaughtPlayer(record.player) : nullptr;
  if (caught != nullptr) {
    Caught13B(c, p, t, record.player);
    return true;
  }
  if (t == 525) {
    c.guard = 0;
    c.stateTimer = 125;
  }
  Action(p, 100);
  if (c.stateTimer < 125) MoveBar(p, -100);
  if (c.stateTimer == 26) {
    EndCard(c, 120);  // the miss ends before the countdown's own end at 0
    record.timer = 0;
  }
  return true;
}

// ----- 14A -----

void First14A(BattleObject& c, int) {
  c.pushHeading = c.heading;
  c.guard = 25;
}

bool Windows14A(BattleObject& c, int p, int32_t t) {
  c.guard = 2;
  if (t == 117) {
    Flash(8, 8);
    c.meter = 0.0f;
    Shot(c, p, 5);
    PlaySoundEntry(kSoundSpell);
  }
  if (t == 85) PlaySoundEntry(kSoundHitB);
  if (t < 80) c.guard = 0;
  return true;
}

// ----- 14B: the hop and the catching shot, then the second phase above the caught player -----

// t above this: the second phase, which the card's shot starts with pushHeading the caught player.
constexpr int32_t kSecondPhase = 2000;

void First14B(BattleObject& c, int p) {
  c.guard = 4;
  c.vz = -3.2f;
  c.pushHeading = c.heading;
  SetVelocityAlong(c, c.heading, -2.5f);
  c.modifierHeld = 0;
  c.meter -= 110.0f;
  Action(p, 56);
  PlaySoundEntry(kSoundJump);
  Effect(c, 0);
}

void SecondPhase14B(BattleObject& c, int p, int32_t t) {
  c.guard = 2;
  c.vx = 0.0f;
  c.vy = 0.0f;
  if (t > 2196 && t < 2390 && ((t <= 2300 && t % 16 == 1) || (t > 2300 && t % 20 == 1))) {
    Shot(c, p, 9);
  }
  if (t == 2172) {
    // pushHeading names a player only after the catch; otherwise the caster falls where it is.
    if (const BattleObject* caught = CaughtPlayer(c.pushHeading)) {
      c.x = caught->x;
      c.y = caught->y - 1.0f;
      c.z = caught->z - 26.0f;
    }
    c.vz = -0.2f;
  }
  if (t == 2150) {
    Shot(c, p, 10);
    Capture();
  }
  if (t < 2110) {
    c.vz += 0.2f;
    c.z += c.vz;
    if (c.z >= 0.0f) {
      c.z = 0.0f;
      c.vz = 0.0f;
      S().airborne[p] = 0;
    }
  }
  if (t < 2070) {
    MoveBar(p, -400);
    c.guard = 0;
  }
}

bool Windows14B(BattleObject& c, int p, int32_t t) {
  if (t > kSecondPhase) {
    SecondPhase14B(c, p, t);
    return true;
  }
  if (t == 59) {
    Shot(c, p, 6);
    c.meter = 0.0f;
    c.z += c.vz;
  }
  if (t > 58) return true;
  if (c.z < 0.0f) {
    c.vz += 0.3f;
    c.pushHeading = WrapHeading(int64_t{c.pushHeading} - 11);
    c.guard = 4;
    c.z += c.vz;
    if (c.z >= 0.0f) {
      c.z = 0.0f;
      c.vz = 0.0f;
      c.guard = 0;
    }
    return false;
  }
  if (t < 50) MoveBar(p, -200);
  BlendVelocity(&c.vx, &c.vy, 0.0f, 0.0f, 7, 1);
  return true;
}

// ----- 15A: the rise, a second declaration and the descent -----

constexpr int32_t kSecondDeclaration = 572;

void First15A(BattleObject& c, int p) {
  c.recovery = 0;
  c.pushHeading = c.heading;
  c.guard = 2;
  S().specialMode[p] = 0;
}

bool Windows15A(BattleObject& c, int p, int32_t t) {
  if (t == kSpecialMarker) {
    c.stateTimer = 450;
    c.recovery = 2;
    c.pushHeading = c.heading;
    c.guard = 2;
    S().specialMode[p] = 0;
    return true;
  }
  if (t >= 500) {
    c.guard = 2;
    if (t == 506) Effect(c, 110);
    // Counting up: a timer written past the declaration frame declares at once, never climbs.
    if (t < kSecondDeclaration) {
      c.stateTimer = t + 1;
      return false;
    }
    c.stateTimer = kSpecialMarker;
    c.recovery = 2;
    PlaySoundEntry(kSoundSpell);
    FreezeFrames = 60;
    S().cardChoice[p] = 0;
    S().cardBar[p] = 10000;
    S().cardBarFull[p] = 10000;
    Flash(20, 20);
    return false;
  }
  c.recovery = 2;
  c.guard = 2;
  if (t == 80) c.vz = -1.0f;
  if (t < 80) {
    c.vz += 0.1f;
    c.z += c.vz;
    if (c.z > 0.0f) {
      c.z = 0.0f;
      c.vz = 0.0f;
    }
    c.guard = 0;
  }
  return true;
}

void End15A(BattleObject& c, int) {
  c.recovery = 0;
}

// ----- 15B -----

void First15B(BattleObject& c, int p) {
  c.heading = 192;
  c.pushHeading = 192;
  c.guard = 25;
  c.modifierHeld = 0;
  S().specialMode[p] = 0;
}

bool Windows15B(BattleObject& c, int p, int32_t t) {
  if (t > 224) c.heading = WrapHeading(int64_t{c.heading} + 16);
  c.guard = 2;
  if (t == 224) {
    Flash(16, 16);
    c.meter = 0.0f;
    Shot(c, p, 6);
    PlaySoundEntry(kSoundSpell);
  }
  if (t < 125) c.guard = 0;
  return true;
}

void End15B(BattleObject&, int p) {
  Action(p, 56);
}

}  // namespace

const CardFrame kCardsOfCharacters12To15[8] = {
    // 12A
    {.duration = 666,
     .barStep = 0,
     .coolDown = 120,
     .slowing = Slowing::kOwn,
     .firstFrame = First12A,
     .windows = Windows12A,
     .slow = Slow12A},
    // 12B
    {.duration = 300, .barStep = 0, .coolDown = 100, .firstFrame = First12B, .windows = Windows12B},
    // 13A
    {.duration = 360,
     .activeFrom = 250,
     .activeTo = kNoTop,
     .barStep = -40,
     .coolDown = 90,
     .countsRecovery = false,
     .firstFrame = First13A,
     .windows = Windows13A},
    // 13B
    {.duration = 560,
     .barStep = 0,
     .coolDown = 70,
     .countsRecovery = false,
     .firstFrame = First13B,
     .windows = Windows13B},
    // 14A
    {.duration = 118,
     .activeFrom = 80,
     .activeTo = kNoTop,
     .barStep = -125,
     .coolDown = 90,
     .firstFrame = First14A,
     .windows = Windows14A},
    // 14B
    {.duration = 60,
     .barStep = 0,
     .secondEndValue = 2045,
     .coolDown = 100,
     .slowing = Slowing::kNone,
     .firstFrame = First14B,
     .windows = Windows14B},
    // 15A
    {.duration = 500,
     .activeFrom = 80,
     .activeTo = kNoTop,
     .barStep = -125,
     .coolDown = 90,
     .firstFrame = First15A,
     .windows = Windows15A,
     .end = End15A},
    // 15B
    {.duration = 240,
     .activeFrom = 125,
     .activeTo = kNoTop,
     .barStep = -80,
     .coolDown = 90,
     .firstFrame = First15B,
     .windows = Windows15B,
     .end = End15B},
};

}  // namespace veyrdale::spell_card
