// The spell cards of characters 8 to 11 run from their declaration to their end, frame by frame:
// the duration, the frames of their one-off events, their shots, the bar, the cool-down and the
// recovery step; then the cards with a story of their own (09A's teleports and patterns, 09B's
// hold and return, 11B's fan and fall) and values written from outside.
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/dash.h"
#include "game/battle/field_table.h"
#include "game/battle/player_control.h"
#include "game/battle/spell_card.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/records.h"
#include "morrow/system/time.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;

// Player 0 of the character declares the card; player 1 of character 1 stands 160 below it.
BattleObject& Declare(int character, int card) {
  return testsupport::DeclaredCard(character, card, 2, {320.0f, 160.0f, 0.0f, 160.0f});
}

// What one card frame did. t is the stateTimer before the frame.
struct Frame {
  int32_t t;
  int32_t sceneFrame;
  int32_t shots;  // shotsFired of the frame
  int effects;    // effects made
  int32_t flash, flashLength, shake, slow;
  bool capture;
  int16_t guard;
  int32_t recoveryBefore, recoveryAfter;
};

// Runs the caster's card to its end (at most `limit` frames) as the battle would, the pools emptied
// before each frame so that every frame's shots and effects can be counted. The scene frame counts
// on only when asked.
std::vector<Frame> RunCard(BattleObject& caster, bool sceneCounts) {
  std::vector<Frame> frames;
  while (caster.state == kStateSpellCard && frames.size() < 2000) {
    ClearRoundPools();
    FlashFrames = FlashLength = ScreenShake = SlowMotionFrames = 0;
    SpellCaptureRequest = 0;
    Frame f{};
    f.t = caster.stateTimer;
    f.sceneFrame = SceneFrame;
    f.recoveryBefore = caster.recovery;
    const int32_t shots = g_playerState.shotsFired[0];
    RunSpellCard(&caster, 0);
    caster.x += caster.vx;
    caster.y += caster.vy;
    f.shots = g_playerState.shotsFired[0] - shots;
    for (int i = 0; i < kEffectCount; ++i) f.effects += g_effectInUse[i] != 0;
    f.flash = FlashFrames;
    f.flashLength = FlashLength;
    f.shake = ScreenShake;
    f.slow = SlowMotionFrames;
    f.capture = SpellCaptureRequest != 0;
    f.guard = caster.guard;
    f.recoveryAfter = caster.recovery;
    frames.push_back(f);
    if (sceneCounts) ++SceneFrame;
  }
  return frames;
}

enum What { kSlow, kCapture, kFlash, kShake, kGuard, kEffect, kShots };
struct Mark {
  int32_t t;
  What what;
  int a;      // slow or shake frames, flash frames, guard, effects at least, shots (-1: some)
  int b = 0;  // flash length
};
struct Window {
  int32_t from, to;  // a shooting window, t inclusive
};

TEST(SpellCards8To11, EachCardRunsItsFrames) {
  struct Case {
    int character;
    int card;
    int32_t duration;
    int frames;  // first frame included
    int32_t bar;
    int16_t coolDown;
    bool stepsRecovery;
    std::vector<Mark> marks;  // every slow, capture and flash of the card; shakes, guards,
                              // effects as listed
    std::vector<Window> shooting;
  } cases[] = {
      {8,
       0,
       268,
       269,
       -1000,
       90,
       true,
       {{267, kSlow, 30}, {239, kFlash, 20, 20}, {124, kGuard, 5}},
       {{60, 239}}},
      {8,
       1,
       350,
       351,
       80,
       110,
       false,
       {{349, kEffect, 1},
        {299, kEffect, 1},
        {250, kGuard, 220},
        {250, kShots, -1},
        {250, kEffect, 1},
        {30, kEffect, 1}},
       {}},
      {9,
       0,
       330,
       331,
       0,
       80,
       true,
       {{310, kEffect, 1},
        {296, kEffect, 1},
        {280, kGuard, -80},
        {260, kShots, 32},
        {240, kGuard, 120},
        {180, kShots, 32},
        {160, kGuard, 120},
        {100, kShots, 32},
        {120, kGuard, -80}},
       {}},
      {9,
       1,
       644,
       645,
       0,
       80,
       true,
       {{584, kGuard, 999},
        {560, kCapture, 1},
        {560, kEffect, 2},
        {520, kFlash, 12, 18},
        {480, kEffect, 2},
        {64, kEffect, 1}},
       {}},
      {10,
       0,
       400,
       401,
       -1600,
       80,
       true,
       {{379, kGuard, 8},
        {182, kEffect, 1},
        {124, kShake, 30},
        {124, kFlash, 10, 12},
        {124, kShots, -1}},
       {{125, 379}}},
      {11, 0, 300, 301, 0, 108, true, {{289, kFlash, 20, 20}, {290, kGuard, -2}}, {{50, 289}}},
      // Sixteen calls of move 8, two shots each.
      {11,
       1,
       180,
       181,
       0,
       90,
       true,
       {{175, kFlash, 8, 9},
        {175, kEffect, 1},
        {124, kShake, 32},
        {124, kFlash, 12, 12},
        {120, kFlash, 12, 12},
        {116, kFlash, 12, 12},
        {112, kFlash, 12, 12},
        {112, kSlow, 20},
        {51, kGuard, 2}},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.character) + (c.card == 0 ? "A" : "B"));
    BattleObject& caster = Declare(c.character, c.card);
    // The scene frame stays 1, never a fifth or eighth, so only the listed flashes show.
    SceneFrame = 1;
    std::vector<Frame> frames = RunCard(caster, false);
    ASSERT_EQ(static_cast<int>(frames.size()), c.frames);
    EXPECT_EQ(frames[1].t, c.duration);
    EXPECT_EQ(caster.state, kStateStand);
    EXPECT_EQ(caster.guard, 0);
    EXPECT_EQ(caster.attackDelay, c.coolDown);
    EXPECT_EQ(g_playerState.cardBar[0], c.bar);
    std::map<int32_t, const Frame*> byT;
    for (size_t i = 1; i < frames.size(); ++i) byT[frames[i].t] = &frames[i];
    std::map<int32_t, int> singleShots;
    for (const Mark& m : c.marks) {
      SCOPED_TRACE(m.t);
      ASSERT_TRUE(byT.count(m.t));
      const Frame& f = *byT[m.t];
      switch (m.what) {
        case kSlow:
          EXPECT_EQ(f.slow, m.a);
          break;
        case kCapture:
          EXPECT_TRUE(f.capture);
          break;
        case kFlash:
          EXPECT_EQ(f.flash, m.a);
          EXPECT_EQ(f.flashLength, m.b);
          break;
        case kShake:
          EXPECT_EQ(f.shake, m.a);
          break;
        case kGuard:
          EXPECT_EQ(f.guard, m.a);
          break;
        case kEffect:
          EXPECT_GE(f.effects, m.a);
          break;
        case kShots:
          singleShots[m.t] = m.a;
          break;
      }
    }
    if (c.character == 11 && c.card == 1) {
      for (int32_t t = 160; t <= 175; ++t) singleShots[t] = 2;
    }
    int windowShots = 0;
    int32_t total = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
      const Frame& f = frames[i];
      SCOPED_TRACE(i == 0 ? std::string("first frame") : "t " + std::to_string(f.t));
      total += f.shots;
      auto listed = [&](What what) {
        for (const Mark& m : c.marks) {
          if (i > 0 && m.t == f.t && m.what == what) return true;
        }
        return false;
      };
      EXPECT_EQ(f.slow != 0, listed(kSlow));
      EXPECT_EQ(f.capture, listed(kCapture));
      EXPECT_EQ(f.flash != 0, listed(kFlash));
      bool inWindow = false;
      for (const Window& w : c.shooting) inWindow |= i > 0 && f.t >= w.from && f.t <= w.to;
      if (i > 0 && singleShots.count(f.t)) {
        if (singleShots[f.t] < 0) {
          EXPECT_GT(f.shots, 0);
        } else {
          EXPECT_EQ(f.shots, singleShots[f.t]);
        }
      } else if (inWindow) {
        windowShots += f.shots > 0;
        // In a shooting window a shot comes exactly when the recovery has run out.
        EXPECT_EQ(f.shots > 0, f.recoveryBefore == 0);
      } else {
        EXPECT_EQ(f.shots, 0);
      }
      if (f.shots == 0 && i > 0) {
        const int32_t step = c.stepsRecovery && f.recoveryBefore > 0 ? 1 : 0;
        EXPECT_EQ(f.recoveryAfter, f.recoveryBefore - step);
      }
    }
    EXPECT_EQ(windowShots > 1, !c.shooting.empty());
    EXPECT_EQ(total, g_playerState.shotsFired[0]);
  }
}

// The flashes and hit events on every fifth and eighth scene frame, with and without power-up.
TEST(SpellCards8To11, SceneFrameFlashes) {
  struct Case {
    int character;
    bool powered;
    int32_t from, to;  // the window
    int flashes;       // 4/8 flashes in it
  } cases[] = {
      // The scene frame of t is D + 1 - t: 30-209 for 08A's window, 12-251 for 11A's.
      {8, false, 60, 239, 0},
      {8, true, 60, 239, 23},
      {11, false, 50, 289, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.character) + (c.powered ? " powered" : ""));
    BattleObject& caster = Declare(c.character, 0);
    g_playerState.powerUp[0] = c.powered ? 5000 : 0;
    SceneFrame = 0;
    int flashes = 0;
    for (const Frame& f : RunCard(caster, true)) {
      if (f.flash == 4) {
        EXPECT_EQ(f.flashLength, 8);
        EXPECT_EQ(f.sceneFrame % 8, 0);
        EXPECT_GE(f.t, c.from);
        EXPECT_LE(f.t, c.to);
        ++flashes;
      }
    }
    EXPECT_EQ(flashes, c.flashes);
  }
}

void FillMap(int value) {
  for (int c = 0; c < kMapColumns; ++c) {
    for (int r = 0; r < kMapRows; ++r) g_arenaMap.cells[c + kMapColumns * r] = value;
  }
}

// 09A lands only where its box meets no wall: drawn on a roomy map, on a nearest free cell of a
// dense one, and not at all on a full one. Each cycle's two rings have different patterns.
TEST(SpellCards8To11, TeleportsLandFreeAndPatternsDiffer) {
  struct Case {
    const char* map;
    uint32_t seed;
  } cases[] = {{"empty", 1}, {"empty", 2},    {"dense", 3}, {"dense", 4},
               {"dense", 5}, {"one cell", 6}, {"full", 7}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.map) + " " + std::to_string(c.seed));
    BattleObject& caster = Declare(9, 0);
    morrow::SeedRandom(c.seed);
    const std::string map = c.map;
    if (map == "full" || map == "one cell") FillMap(1);
    if (map == "one cell") g_arenaMap.cells[10 + kMapColumns * 7] = 0;
    if (map == "dense") {
      // Free cells scattered so that no two touch: a box lands free only on a whole cell.
      FillMap(2);
      for (int col = 0; col < kMapColumns; ++col) {
        for (int row = 0; row < kMapRows; ++row) {
          if ((7 * col + 3 * row + static_cast<int>(c.seed)) % 11 == 0) {
            g_arenaMap.cells[col + kMapColumns * row] = 0;
          }
        }
      }
    }
    caster.x = 100.0f;
    caster.y = 100.0f;
    int teleports = 0;
    int rings = 0;
    while (caster.state == kStateSpellCard) {
      const int32_t t = caster.stateTimer;
      const float x = caster.x;
      const float y = caster.y;
      ClearRoundPools();
      RunSpellCard(&caster, 0);
      if (t == 310 || t == 230 || t == 150) {
        ++teleports;
        if (map == "full") {
          EXPECT_EQ(caster.x, x);
          EXPECT_EQ(caster.y, y);
        } else {
          EXPECT_TRUE(WayOutSpotFree(caster.x, caster.y, 0, false)) << caster.x << " " << caster.y;
          EXPECT_GE(caster.x, 64.0f);
          EXPECT_LE(caster.x, 620.0f);
          EXPECT_GE(caster.y, 64.0f);
          EXPECT_LE(caster.y, 432.0f);
        }
        if (map == "one cell") {
          EXPECT_EQ(caster.x, 336.0f);
          EXPECT_EQ(caster.y, 224.0f);
        }
      }
      if (t == 260 || t == 180 || t == 100) {
        ++rings;
        int patterns[6] = {};
        for (int slot = 0; slot < kShotCount; ++slot) {
          const BattleObject& s = g_shots[slot];
          if (s.state != 1) continue;
          ASSERT_GE(s.recovery, 0);
          ASSERT_LT(s.recovery, 6);
          ++patterns[s.recovery];
        }
        int first = -1;
        int second = -1;
        for (int k = 0; k < 6; ++k) {
          if (patterns[k] == 0) continue;
          EXPECT_EQ(patterns[k], 16);
          (k < 3 ? first : second) = k;
        }
        EXPECT_GE(first, 0);
        EXPECT_GE(second, 3);
        EXPECT_NE(second - 3, first);
      }
    }
    EXPECT_EQ(teleports, 3);
    EXPECT_EQ(rings, 3);
    EXPECT_EQ(caster.pushHeading, 0);
  }
}

// 09B holds the caster at the centre and brings it back to the whole pixels it left from.
TEST(SpellCards8To11, HoldAtTheCentreAndReturn) {
  BattleObject& caster = Declare(9, 1);
  caster.x = 150.75f;
  caster.y = 200.5f;
  while (caster.state == kStateSpellCard) {
    const int32_t t = caster.stateTimer;
    RunSpellCard(&caster, 0);
    caster.x += caster.vx;
    caster.y += caster.vy;
    if (t == 584) {
      EXPECT_EQ(caster.speed, 150200.5f);
      EXPECT_EQ(g_playerState.airborne[0], 1);
    }
    if (t > 64 && t <= 560) {
      ASSERT_EQ(caster.x, 320.0f) << t;
      ASSERT_EQ(caster.y, 248.0f) << t;
      // A push while held does not move it.
      if (t > 65) caster.vx = 3.0f;
    }
    if (t == 64) {
      EXPECT_EQ(caster.x, 150.0f);
      EXPECT_EQ(caster.y, 200.0f);
      EXPECT_EQ(caster.speed, 0.0f);
      EXPECT_EQ(g_playerState.airborne[0], 0);
    }
  }
  EXPECT_EQ(caster.x, 150.0f);
  EXPECT_EQ(caster.y, 200.0f);
}

// 11B's fall after its fan holds the count until the caster is down.
TEST(SpellCards8To11, FallHoldsTheCount) {
  BattleObject& caster = Declare(11, 1);
  int frames = 0;
  bool thrown = false;
  while (caster.state == kStateSpellCard && frames < 1000) {
    if (caster.stateTimer == 50 && !thrown) {
      caster.z = -30.0f;
      thrown = true;
    }
    const int32_t t = caster.stateTimer;
    const int32_t bar = g_playerState.cardBar[0];
    const bool airborne = t <= 50 && caster.z < 0.0f;
    RunSpellCard(&caster, 0);
    ++frames;
    if (airborne) {
      EXPECT_EQ(caster.stateTimer, t);
      EXPECT_EQ(g_playerState.cardBar[0], bar);
      EXPECT_EQ(caster.guard, 2);
    }
  }
  // 0.2 more each frame: 17 frames to fall 30 pixels, after the 181 of the card.
  EXPECT_EQ(frames, 181 + 17);
  EXPECT_EQ(caster.z, 0.0f);
  EXPECT_EQ(caster.vz, 0.0f);
  EXPECT_EQ(g_playerState.cardBar[0], 0);
}

void Write(const char* name, int64_t integer, float real, bool isFloat) {
  FieldRef ref;
  ASSERT_TRUE(ResolveField(name, &ref)) << name;
  WriteField(ref, FieldValue{isFloat, integer, real});
}

// pushHeading, heading, speed and stateTimer written through the field table in the middle of each
// card: no index leaves a table, the card ends, and a 09B return lands on the arena.
TEST(SpellCards8To11, ValuesWrittenFromOutside) {
  const int64_t ints[] = {INT32_MIN, -1, 7, 300, INT32_MAX};
  const float reals[] = {NAN, -1.0e9f, 1.0e30f, -0.5f, 639999.0f};
  const int32_t timers[] = {INT32_MIN, -5, 0, 2500};
  for (int routine : {0, 1, 2, 3, 4, 6, 7}) {
    const int character = 8 + routine / 2;
    for (int k = 0; k < 5; ++k) {
      for (int32_t timer : timers) {
        SCOPED_TRACE(std::to_string(character) + " " + std::to_string(routine % 2) + " " +
                     std::to_string(k) + " " + std::to_string(timer));
        BattleObject& caster = Declare(character, routine % 2);
        int frames = 0;
        while (caster.state == kStateSpellCard && frames < 5000) {
          const int32_t t = caster.stateTimer;
          if (t % 23 == 0 || t == 268 || t == 261 || t == 176 || t == 175) {
            Write("p0.pushHeading", ints[k], 0.0f, false);
            Write("p0.heading", ints[(k + 2) % 5], 0.0f, false);
          }
          if (t == 300) Write("p0.speed", 0, reals[k], true);
          if (t == 100 && frames < 1000) Write("p0.stateTimer", timer, 0.0f, false);
          ClearRoundPools();
          RunSpellCard(&caster, 0);
          ++frames;
        }
        EXPECT_EQ(caster.state, kStateStand);
        EXPECT_EQ(IndexMisses, 0);
        EXPECT_TRUE(caster.x >= 0.0f && caster.x < 640.0f) << caster.x;
        EXPECT_TRUE(caster.y >= 0.0f && caster.y < 480.0f) << caster.y;
      }
    }
  }
}

}  // namespace
