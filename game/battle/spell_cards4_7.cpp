// The spell cards of characters 4 to 7: a descriptor and the windows of each card.
#include <cstdint>

#include "game/battle/battle.h"
#include "game/battle/cpu_player.h"
#include "game/battle/directions.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/battle/spell_card.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale::spell_card {

namespace {

PlayerBattleState& S() {
  return g_playerState;
}

// --- 04A: the dash through the opponents, with a freeze when it caught someone. ---

bool AnyPlayerHeld() {
  for (int j = 0; j < PlayersInPlay(); ++j) {
    if (S().holdTimer[j] > 0) return true;
  }
  return false;
}

void FirstFrame04A(BattleObject& caster, int p) {
  const float extra = S().specialMode[p] > 70 ? 10.0f : 0.0f;
  caster.meter = 0.0f;
  caster.speed = 12.0f + extra;
  SetVelocityAlong(caster, caster.heading, caster.speed);
  caster.guard = 40;
  Shot(caster, p, 5);
  Effect(caster, 43);
  Action(p, 110);
  Flash(5, 5);
  S().specialMode[p] = 0;
}

bool Windows04A(BattleObject& caster, int /*p*/, int32_t t) {
  if (t == 158) Flash(-15, 0);
  if (t == 144) {
    caster.vx = static_cast<float>(caster.vx * 0.02);
    caster.vy = static_cast<float>(caster.vy * 0.02);
    if (AnyPlayerHeld()) FreezeFrames = 48;
  }
  if (t < 144) BlendVelocity(&caster.vx, &caster.vy, 0.0f, 0.0f, 3, 1);
  return true;
}

// --- 04B: the spin that fires all round, then the finishing shot the saved way. ---

void FirstFrame04B(BattleObject& caster, int /*p*/) {
  caster.pushHeading = caster.heading;
}

bool Windows04B(BattleObject& caster, int p, int32_t t) {
  if (t >= 98 && t < 230) {
    ShootPaying(caster, p, 6, 24.0f, 90);
    caster.heading = WrapHeading(int64_t{caster.heading} + 232);
    caster.guard = -2;
    // The held directions move the caster but leave its spin alone.
    float tx = 0.0f;
    float ty = 0.0f;
    const int h = HeldDirection(p);
    if (h != kNoDirection) {
      tx = CosOf(h) / 256.0f * 2.5f;
      ty = NegSinOf(h) / 256.0f * 2.5f;
    }
    BlendVelocity(&caster.vx, &caster.vy, tx, ty, 5, 1);
    return true;
  }
  caster.heading = WrapHeading(caster.pushHeading);
  if (t == 88) {
    Shot(caster, p, 8);
    Effect(caster, 3);
    Effect(caster, 3);
    Flash(10, 12);
  }
  return true;
}

// --- 05A ---

bool Windows05A(BattleObject& caster, int p, int32_t t) {
  if (t < 130 || t >= 394) return true;
  if (t == 393) PlaySoundEntry(kSoundShotD);
  ShootPaying(caster, p, 5, 1.0f, 150);
  if (t % 16 == 0) {
    Effect(caster, 17);
    Effect(caster, 18);
  }
  caster.guard = 4;
  return true;
}

// --- 05B: the jump and the stomp; the stomp itself is the move-6 shot's reaction. ---

constexpr int32_t kAirborne05B = 125;

// Only a height or fall speed written from outside the battle leaves these bounds; left as they
// were, they would keep the caster in the air, and the card at its airborne t, for ever.
void KeepJumpInReach(BattleObject& caster) {
  constexpr float kHighest = -480.0f;
  constexpr float kFastestRise = -2.5f;  // the jump's own start
  if (!(caster.z >= kHighest)) caster.z = kHighest;
  if (!(caster.vz >= kFastestRise)) caster.vz = kFastestRise;
}

void FirstFrame05B(BattleObject& caster, int p) {
  caster.recovery = 100;
  caster.speed = 4.0f;
  SetVelocityAlong(caster, caster.heading, 4.0f);
  caster.vz = -2.5f;
  caster.guard = 2;
  PlaySoundEntry(kSoundJump);
  Effect(caster, 0);
  Shot(caster, p, 6);
}

bool Windows05B(BattleObject& caster, int p, int32_t t) {
  if (t == kAirborne05B) {
    KeepJumpInReach(caster);
    caster.vz += 0.125f;
    caster.guard = 2;
    caster.z += caster.vz;
    if (caster.z >= 0.0f) {
      caster.z = 0.0f;
      caster.stateTimer = kAirborne05B - 1;
      Effect(caster, 0);
    }
  }
  if (caster.stateTimer < kAirborne05B) {
    if (caster.z < 0.0f) {
      caster.vz += 0.125f;
      caster.z += caster.vz;
      if (caster.z > 0.0f) caster.z = 0.0f;
    }
    CommonSlowing(caster);
    MoveBar(p, -80, true);
  }
  return caster.stateTimer != kAirborne05B;
}

void End05B(BattleObject& caster, int p) {
  caster.rooted = 0;
  S().specialMode[p] = 0;
}

// --- 06A: the freeze that takes every other shot over. ---

bool Windows06A(BattleObject& caster, int p, int32_t t) {
  if (t > 190 && t < 220) ShootPaying(caster, p, 5, 30.0f, 120);
  if (t == 120) {
    Effect(caster, 66);
    SlowMotion(24);
    Flash(8, 12);
    ConvertOtherShots(p);
    PlaySoundEntry(kSoundFreeze);
  }
  caster.guard = t >= 70 && t <= 190 ? 2 : -4;
  return true;
}

// --- 06B ---

bool Windows06B(BattleObject& caster, int p, int32_t t) {
  if (t >= 120 && t < 180) {
    ShootPaying(caster, p, 6, 30.0f, 120);
    caster.guard = 4;
  }
  return true;
}

// --- 07A: the caster steers itself through a growing shot; the computer dodges as it goes. ---

void EvadeIfComputer(BattleObject& caster, int p) {
  if (g_match.cpuFlag[p] == 1) CpuEvade(&caster, p);
}

void FirstFrame07A(BattleObject& caster, int p) {
  EvadeIfComputer(caster, p);
  CommonSlowing(caster);
}

bool Windows07A(BattleObject& caster, int p, int32_t t) {
  EvadeIfComputer(caster, p);
  if (t == 384) {
    Flash(16, 18);
    Effect(caster, 54);
    PlaySoundEntry(kSoundGrow);
  }
  if (t < 60 || t >= 360) {
    if (t < 60) caster.guard = 4;
    CommonSlowing(caster);
    return true;
  }
  caster.modifierHeld = HeldFrameCounts[kInputButton4][p] > 0 ? 1 : 0;
  const bool fast = caster.modifierHeld == 1;
  float tx = 0.0f;
  float ty = 0.0f;
  SteerByHeldDirections(caster, p, fast ? 4.2f : 2.8f, &tx, &ty);
  BlendVelocity(&caster.vx, &caster.vy, tx, ty, fast ? 10 : 5, 1);
  if (t == 61) {
    caster.guard = 61;
    Effect(caster, 56);
    Capture();
  }
  if (t == 60) {
    Shot(caster, p, 5);
    Flash(18, 18);
    Shake(30);
    SlowMotion(20);
  }
  if (t % 3 == 0) Shake((360 - t) / 20);
  // 34 on every third scene frame and 33 on the others: 10000 over the 300 frames.
  S().cardBar[p] -= SceneFrame % 3 == 0 ? 34 : 33;
  caster.meter -= 2.0f;
  return true;
}

// --- 07B: the others' controls turned round and their meters halved. ---

bool Windows07B(BattleObject& caster, int p, int32_t t) {
  if (t != 109) return true;
  Flash(16, 18);
  Effect(caster, 57);
  S().reverseTimer[p] = 800;
  ReversedControlsActive = 1;
  PlaySoundEntry(kSoundLuna);
  for (int j = 0; j < PlayersInPlay(); ++j) {
    if (j == p || (g_match.teamMode == 1 && g_match.team[j] == g_match.team[p])) continue;
    g_players[j].meter = static_cast<float>(g_players[j].meter / 2.0);
  }
  return true;
}

constexpr int32_t kBarHeldAbove = INT32_MAX;

}  // namespace

const CardFrame kCardsOfCharacters4To7[8] = {
    // 04A
    {.duration = 160,
     .activeFrom = 120,
     .activeTo = kBarHeldAbove,
     .barStep = -100,
     .barFloored = true,
     .endValue = 20,
     .firstFrameGoesOn = true,
     .countsRecovery = false,
     .slowing = Slowing::kNone,
     .firstFrame = FirstFrame04A,
     .windows = Windows04A},
    // 04B
    {.duration = 250, .barStep = -40, .firstFrame = FirstFrame04B, .windows = Windows04B},
    // 05A
    {.duration = 400, .activeFrom = 130, .activeTo = 393, .barStep = -80, .windows = Windows05A},
    // 05B: the bar moves only on the ground, so the window lowers it.
    {.duration = 125,
     .barStep = 0,
     .coolDown = 90,
     .firstFrameGoesOn = true,
     .firstFrame = FirstFrame05B,
     .windows = Windows05B,
     .end = End05B},
    // 06A
    {.duration = 220, .activeFrom = 70, .activeTo = 190, .barStep = -100, .windows = Windows06A},
    // 06B
    {.duration = 185, .activeFrom = 120, .activeTo = 179, .barStep = -80, .windows = Windows06B},
    // 07A: the steering or the common slowing, by t, in the window; the bar there too.
    {.duration = 400,
     .barStep = 0,
     .coolDown = 120,
     .slowing = Slowing::kNone,
     .firstFrame = FirstFrame07A,
     .windows = Windows07A},
    // 07B
    {.duration = 125,
     .barStep = -80,
     .coolDown = 120,
     .slowing = Slowing::kNone,
     .windows = Windows07B},
};

}  // namespace veyrdale::spell_card
