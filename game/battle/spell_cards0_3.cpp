// The spell cards of characters 0 to 3: a descriptor and the windows of each card.
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/battle/spell_card.h"
#include "game/core/frame_state.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale::spell_card {

namespace {

PlayerBattleState& S() {
  return g_playerState;
}

// A bar window that never closes from above: the bar holds from `from` upward.
constexpr int32_t kOpenTop = INT32_MAX;

// --- 00A ---

bool Windows00A(BattleObject& caster, int p, int32_t t) {
  if (t >= 125 && t < 380) {
    PullOthers(caster, p, 1.5f);
    ShootPaying(caster, p, 5, 1.0f, 150);
    caster.guard = 4;
  } else if (t == 124) {
    ClosingBurst(caster, p);
  }
  return true;
}

// --- 00B, also character 10's card B ---

void First00B(BattleObject& caster, int) {
  caster.guard = 58;
}

bool Windows00B(BattleObject& caster, int p, int32_t t) {
  if (t == 142) {
    caster.speed = 28.0f;
    SetVelocityAlong(caster, caster.heading, 28.0f);
  } else if (t == 138) {
    caster.meter = 0.0f;
    Shot(caster, p, 6);
    Action(p, 160);
    if (p >= 0 && p < 4) S().specialMode[p] = 0;
  }
  return true;
}

// The lunge glides out longer than the common slowing would let it.
void Slow00B(BattleObject& caster, int) {
  BlendVelocity(&caster.vx, &caster.vy, 0.0f, 0.0f, 3, 1);
}

// --- 01A, 01B ---

bool Windows01A(BattleObject& caster, int p, int32_t t) {
  if (t >= 105 && t < 220) {
    caster.guard = 4;
    if (t >= 160) ShootPaying(caster, p, 5, 30.0f, 150);
  }
  return true;
}

void First01B(BattleObject& caster, int p) {
  Shot(caster, p, 6);
  Effect(caster, 45);
  caster.meter = 0.0f;
  caster.guard = 20;
  Action(p, 120);
  Flash(8, 9);
  Shake(16);
  SlowMotion(16);
}

// --- 02A ---

bool Windows02A(BattleObject& caster, int p, int32_t t) {
  if (t == 278) PlaySoundEntry(kSoundShotM);
  if (t >= 220) {
    PullOthers(caster, p, 2.5f);
  } else if (t >= 40) {
    if (t == 219) {
      Effect(caster, 41);
      Flash(20, 20);
      PlaySoundEntry(kSoundShotM2);
    }
    if (SceneFrame % 5 == 0) HitEvent(caster, 16);
    if (PoweredUp(p) && SceneFrame % 8 == 0) Flash(4, 8);
    ShootShaking(caster, p, 140, true);
    caster.guard = 4;
  }
  return true;
}

// A powered-up caster drops the power-up and lands through its special move.
void End02A(BattleObject& caster, int p) {
  if (!PoweredUp(p)) return;
  S().powerUp[p] = 0;
  caster.state = kStateSpecialMove;
  caster.stateTimer = 0;
  caster.recovery = 0;
  caster.vz = -3.0f;
}

// --- 02B ---

void First02B(BattleObject& caster, int) {
  caster.guard = 20;
}

bool OwnsLiveDive(int p) {
  for (const BattleObject& shot : g_shots) {
    if (shot.state == 1 && shot.kind == 2 && shot.move == 6 && shot.owner == p) return true;
  }
  return false;
}

// From this height downward no fall comes back within a round: the landing is taken at once so
// that a height written out of range (or NaN) cannot hold the card at its fall for ever.
constexpr float kHighestFall = -10000.0f;

bool Windows02B(BattleObject& caster, int p, int32_t t) {
  if (t == 102) {
    caster.speed = 12.0f;
    SetVelocityAlong(caster, caster.heading, 12.0f);
    caster.meter = 0.0f;
    Shot(caster, p, 6);
    caster.guard = 2;
    Action(p, 100);
  } else if (t == 101) {
    caster.guard = 2;
    if (OwnsLiveDive(p)) {
      // Wait here until the dive reports and moves t on to the fall.
      caster.stateTimer = 102;
      caster.recovery = 0;
    } else {
      // No dive to report (the pool was full or the shot is gone): the recoil it would have
      // given, and the fall starts next frame.
      caster.vz = -3.0f;
      SetVelocityAlong(caster, caster.heading, -4.0f);
    }
  } else if (t == 100) {
    caster.z += caster.vz;
    if (caster.z > 8.0f || !(caster.z >= kHighestFall)) {
      caster.z = 0.0f;
      caster.vz = 0.0f;
      caster.stateTimer = 99;
      Effect(caster, 0);
    } else {
      caster.vz += 0.2f;
    }
    caster.recovery = SaturateToInt(static_cast<int64_t>(caster.recovery) + 2);
    caster.guard = 2;
    return false;
  } else if (t < 100) {
    BlendVelocity(&caster.vx, &caster.vy, 0.0f, 0.0f, 6, 1);
  }
  return true;
}

// --- 03A ---

bool Windows03A(BattleObject& caster, int p, int32_t t) {
  if (t == 198) PlaySoundEntry(kSoundShotN2);
  if (t >= 136 && t < 196 && t % 3 == 1) {
    Shot(caster, p, 5);
    caster.meter -= 30.0f;
    caster.guard = -60;
    Action(p, 130);
  }
  return true;
}

// --- 03B ---

// The caster's height while it is gone from the arena.
constexpr float kGone = -9999.0f;

bool Windows03B(BattleObject& caster, int p, int32_t t) {
  if (t == 280) {
    Effect(caster, 0);
    Effect(caster, 48);
    caster.z = kGone;
    caster.guard = 60;
    PlaySoundEntry(kSoundTelepo);
  } else if (t == 240) {
    FreezeFrames = 48;
    caster.z = kGone;
    PlaySoundEntry(kSoundSpell);
  }
  if (t >= 140 && t < 240 && t % 3 == 1) {
    Effect(caster, 52);
    caster.meter -= 30.0f;
    caster.guard = 60;
    caster.z = kGone;
  }
  if (t == 140) {
    caster.z = -48.0f;
    caster.guard = 256;
    caster.vz = 0.0f;
  } else if (t < 140 && caster.z < 0.0f) {
    caster.vz += 0.05f;
    caster.z += caster.vz;
    if (caster.z >= 0.0f) {
      caster.z = 0.0f;
      Effect(caster, 0);
    }
  }
  if (t < 85) {
    caster.guard = 0;
    Action(p, 100);
  }
  return true;
}

}  // namespace

const CardFrame kCardsOfCharacters0To3[8] = {
    // 00A
    {.duration = 400, .activeFrom = 125, .activeTo = 379, .windows = Windows00A},
    // 00B and 10B
    {.duration = 180,
     .activeFrom = 120,
     .activeTo = kOpenTop,
     .barStep = -100,
     .barFloored = true,
     .endValue = 20,
     .countsRecovery = false,
     .slowing = Slowing::kOwn,
     .firstFrame = First00B,
     .windows = Windows00B,
     .slow = Slow00B},
    // 01A
    {.duration = 240, .activeFrom = 105, .activeTo = 219, .windows = Windows01A},
    // 01B
    {.duration = 120,
     .activeFrom = 100,
     .activeTo = kOpenTop,
     .barStep = -100,
     .firstFrame = First01B},
    // 02A
    {.duration = 280,
     .activeFrom = 40,
     .activeTo = 219,
     .barStep = -100,
     .windows = Windows02A,
     .end = End02A},
    // 02B
    {.duration = 120,
     .activeFrom = 100,
     .activeTo = kOpenTop,
     .barStep = -100,
     .firstFrame = First02B,
     .windows = Windows02B},
    // 03A
    {.duration = 200, .barStep = -50, .countsRecovery = false, .windows = Windows03A},
    // 03B
    {.duration = 320,
     .activeFrom = 85,
     .activeTo = 280,
     .countsRecovery = false,
     .windows = Windows03B},
};

}  // namespace veyrdale::spell_card
