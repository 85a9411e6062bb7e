// The spell cards of characters 8 to 11: a descriptor and the windows of each card.
//
// Character 10's card B is character 0's (routine 1); its slot here is never read. Moments named
// by t are read before the frame's count.
#include "game/battle/access.h"
#include "game/battle/arena.h"
#include "game/battle/dash.h"
#include "game/battle/player_control.h"
#include "game/battle/spell_card.h"
#include "game/core/frame_state.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"
#include "morrow/system/time.h"

namespace veyrdale::spell_card {

namespace {

// --- 08A: the beam swept round to face down, then held there. ---

// Slot 0 (a caster facing left) sweeps clockwise, slot 1 anticlockwise; once t is below 260 the
// sweep locks onto 192 as it passes. A slot other than 0 or 1 (written from outside) does not turn.
void SweepTowardDown(BattleObject& caster, int32_t t) {
  int step;
  int low;
  int high;
  if (caster.pushHeading == 0) {
    step = -16;
    low = 161;
    high = 192;
  } else if (caster.pushHeading == 1) {
    step = 16;
    low = 192;
    high = 223;
  } else {
    return;
  }
  int h = ((caster.heading & 255) + step) & 255;
  if (t < 260 && h >= low && h <= high) h = 192;
  caster.heading = h;
}

bool Windows08A(BattleObject& caster, int p, int32_t t) {
  if (t == 267) {
    const int h = caster.heading & 255;
    caster.pushHeading = h > 64 && h <= 192 ? 0 : 1;
    SlowMotion(30);
    PlaySoundEntry(kSoundShotR);
  }
  if (t >= 240) SweepTowardDown(caster, t);
  if (t >= 60 && t < 240) {
    if (t == 239) {
      Flash(20, 20);
      PlaySoundEntry(kSoundShotR2);
    }
    if (SceneFrame % 5 == 0) HitEvent(caster, 16);
    if (PoweredUp(p) && SceneFrame % 8 == 0) Flash(4, 8);
    if (ShootShaking(caster, p, 140, false)) caster.guard = 5;
  }
  return true;
}

// --- 08B ---

void First08B(BattleObject& caster, int) {
  caster.guard = -120;
}

bool Windows08B(BattleObject& caster, int p, int32_t t) {
  if (t > 290 && t < 350 && t % 10 == 9) {
    caster.meter -= 4.0f;
    Effect(caster, 53);
  }
  if (t == 250) {
    caster.guard = 220;
    HitEvent(caster, 13);
    Effect(caster, 0);
    Shot(caster, p, 10);
    caster.meter -= 128.0f;
    PlaySoundEntry(kSoundBat);
  }
  if (t == 120) HitEvent(caster, 14);
  if (t == 114) PlaySoundEntry(kSoundBat);
  if (t == 30) Effect(caster, 0);
  return true;
}

// --- 09A: three teleports, each followed by two rings of different patterns. ---

// The teleport's candidates when no drawn point was free: columns 2-18 and rows 2-13, all inside
// the drawing range x 64-620, y 64-432.
constexpr CellSpan kTeleportCells{2, 18, 2, 13};

// A drawn point whose box is on no wall; the draws are bounded so that a dense or full arena cannot
// hang the battle: then the nearest free candidate, or, with none, the caster stays.
void Teleport(BattleObject& caster, int p) {
  for (int pair = 0; pair < kWayOutMaxDraws; ++pair) {
    const float x = static_cast<float>(morrow::GetRandomNumber(556) + 64);
    const float y = static_cast<float>(morrow::GetRandomNumber(368) + 64);
    if (WayOutSpotFree(x, y, p, false)) {
      caster.x = x;
      caster.y = y;
      return;
    }
  }
  NearestFreeCell(caster.x, caster.y, p, false, kTeleportCells, &caster.x, &caster.y);
}

// The ring's pattern rides in pushHeading: one of 0-2, then a different one of 0-2 plus 3.
void TwoPatterns(BattleObject& caster, int p) {
  const int first = morrow::GetRandomNumber(2);
  caster.pushHeading = first;
  Shot(caster, p, 5);
  int second = morrow::GetRandomNumber(2);
  for (int draws = 1; second == first && draws < kWayOutMaxDraws; ++draws) {
    second = morrow::GetRandomNumber(2);
  }
  if (second == first) second = (first + 1) % 3;
  caster.pushHeading = second + 3;
  Shot(caster, p, 5);
  const float y = caster.y;
  caster.y = y + 6.0f;
  Effect(caster, 1);
  caster.y = y;
}

void First09A(BattleObject& caster, int) {
  caster.guard = 128;
  caster.pushHeading = 0;
  Effect(caster, 78);
}

bool Windows09A(BattleObject& caster, int p, int32_t t) {
  for (int32_t b : {310, 230, 150}) {
    const int32_t e = b - 70;
    if (t == b) {
      Teleport(caster, p);
      Effect(caster, 75);
    }
    if (t == b - 14) Effect(caster, 79);
    if (t == b - 30) {
      caster.guard = -80;
      Effect(caster, 74);
    }
    if (t == b - 50) TwoPatterns(caster, p);
    if (t > e && t <= b - 30) MoveBar(p, -50);
    if (t == e && b > 150) {
      caster.guard = 120;
      Effect(caster, 78);
    }
  }
  if (t <= 80) MoveBar(p, -50);
  return true;
}

void ClearPattern(BattleObject& caster, int) {
  caster.pushHeading = 0;
}

// --- 09B: the caster leaves for the centre and comes back where it stood. ---

constexpr float kHoldX = 320.0f;
constexpr float kHoldY = 248.0f;

// The way back rides in `speed` as trunc(x) x 1000 + y. A value written there from outside lands
// the caster on the arena's edge rather than off it.
void Restore(BattleObject& caster) {
  const int32_t packed = TruncToInt(caster.speed);
  const int32_t x = packed / 1000;
  const int32_t y = packed % 1000;
  caster.x = static_cast<float>(x < 0 ? 0 : x > 639 ? 639 : x);
  caster.y = static_cast<float>(y < 0 ? 0 : y > 479 ? 479 : y);
}

void First09B(BattleObject& caster, int) {
  caster.pushHeading = 0;
  caster.speed = 0.0f;
}

bool Windows09B(BattleObject& caster, int p, int32_t t) {
  if (t == 584) {
    caster.guard = 999;
    g_playerState.airborne[p] = 1;
    caster.speed = static_cast<float>(TruncToInt(caster.x) * 1000.0 + caster.y);
    Effect(caster, 78);
  }
  if (t > 64 && t <= 560) {
    caster.x = kHoldX;
    caster.y = kHoldY;
    caster.vx = 0.0f;
    caster.vy = 0.0f;
  }
  if (t == 560) {
    Effect(caster, 84);
    Effect(caster, 74);
    Capture();
  }
  if (t == 520) {
    Effect(caster, 79);
    Effect(caster, 80);
    Flash(12, 18);
  }
  if (t == 504) Effect(caster, 83);
  if (t == 480) {
    Effect(caster, 81);
    Effect(caster, 82);
  }
  if (t == 96) Effect(caster, 78);
  if (t == 64) {
    Restore(caster);
    caster.speed = 0.0f;
    g_playerState.airborne[p] = 0;
    Effect(caster, 79);
  }
  if (t == 40) caster.guard = 0;
  return true;
}

// --- 10A: 00A's pull, aimed by the held directions. ---

bool Windows10A(BattleObject& caster, int p, int32_t t) {
  if (t >= 125 && t < 380) {
    PullOthers(caster, p, 1.5f);
    if (t > 184) {
      const int h = HeldDirection(p);
      if (h != kNoDirection) caster.heading = h;
    }
    if (t > 180 && t <= 184) Effect(caster, 50);
    ShootPaying(caster, p, 5, 1.0f, 150);
    caster.guard = 8;
  } else if (t == 124) {
    ClosingBurst(caster, p);
  }
  return true;
}

// --- 11A: the beam turned slowly by the held directions. ---

// One step toward the held heading the short way round; nothing held, no turn.
void TurnOneStep(BattleObject& caster, int p) {
  const int wanted = HeldDirection(p);
  if (wanted == kNoDirection) return;
  const int h = caster.heading & 255;
  const int d = h - wanted;
  int step = 0;
  if (d >= 1 && d <= 128) step = -1;
  if (d >= 129) step = 1;
  if (d <= -1 && d >= -128) step = 1;
  if (d < -128) step = -1;
  caster.heading = (h + step) & 255;
}

bool Windows11A(BattleObject& caster, int p, int32_t t) {
  caster.guard = -2;
  if (t >= 50 && t < 290) {
    if (t % 3 == 0) TurnOneStep(caster, p);
    if (t == 289) {
      Flash(20, 20);
      PlaySoundEntry(kSoundShotRv2);
    }
    if (SceneFrame % 8 == 0) {
      HitEvent(caster, 15);
      Flash(4, 8);
    }
    if (ShootShaking(caster, p, 220, true)) caster.guard = 4;
  }
  MoveBar(p, t % 3 == 0 ? -34 : -33);
  return true;
}

// --- 11B: a fan of sixteen, then the fall back to the ground. ---

void First11B(BattleObject& caster, int) {
  caster.guard = 2;
  caster.vz = 0.0f;
  caster.pushHeading = ((caster.heading & 255) + 170) & 255;
}

bool Windows11B(BattleObject& caster, int p, int32_t t) {
  if (t > 50) {
    caster.guard = 2;
    if (t == 175) {
      Effect(caster, 61);
      PlaySoundEntry(kSoundShotL);
      Flash(8, 9);
    }
    if (t >= 160 && t < 176) {
      caster.pushHeading = ((caster.pushHeading & 255) + 8) & 255;
      Shot(caster, p, 8);
    }
    if (t >= 112 && t < 128 && t % 4 == 0) {
      Shake(32);
      Flash(12, 12);
    }
    if (t == 112) SlowMotion(20);
    return true;
  }
  if (caster.z < 0.0f) {
    caster.vz += 0.2f;
    caster.guard = 2;
    caster.z += caster.vz;
    if (caster.z > 0.0f) {
      caster.z = 0.0f;
      caster.vz = 0.0f;
    }
    return false;
  }
  MoveBar(p, -200);
  return true;
}

}  // namespace

const CardFrame kCardsOfCharacters8To11[8] = {
    // 08A
    {.duration = 268,
     .activeFrom = 60,
     .activeTo = 239,
     .barStep = -125,
     .coolDown = 90,
     .windows = Windows08A},
    // 08B
    {.duration = 350,
     .activeFrom = 25,
     .activeTo = 250,
     .barStep = -80,
     .coolDown = 110,
     .countsRecovery = false,
     .firstFrame = First08B,
     .windows = Windows08B},
    // 09A
    {.duration = 330,
     .barStep = 0,
     .firstFrame = First09A,
     .windows = Windows09A,
     .end = ClearPattern},
    // 09B
    {.duration = 644,
     .activeFrom = 41,
     .activeTo = 584,
     .barStep = -100,
     .firstFrame = First09B,
     .windows = Windows09B,
     .end = ClearPattern},
    // 10A
    {.duration = 400, .activeFrom = 125, .activeTo = 379, .barStep = -80, .windows = Windows10A},
    // 10B runs 00B.
    {},
    // 11A
    {.duration = 300, .barStep = 0, .coolDown = 108, .windows = Windows11A},
    // 11B
    {.duration = 180, .barStep = 0, .coolDown = 90, .firstFrame = First11B, .windows = Windows11B},
};

}  // namespace veyrdale::spell_card
