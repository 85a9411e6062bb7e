// Shot behaviours of characters 0 to 7 and the neutral objects: the building blocks alone, the
// lifetimes of every row at their boundary ages, the rows that steer, ride, fall, split or wait
// on their owner, and the reactions to players, familiars, cells and the arena's edge.
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/shot_behaviour.h"
#include "game/battle/shots.h"
#include "game/core/entry_points.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "morrow/system/time.h"
#include "tests/game/battle/effects_made.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;
using testsupport::LiveEffects;
using testsupport::SetUpMatch;

// Player 0 (character `kind`) at (100, 100) facing right, player 1 far away at (600, 400); the
// shot of `kind` and `move` in slot 0 at (300, 240), still, of age `age`.
BattleObject& Shot(int kind, int move, int age, int owner = 0) {
  SetUpMatch({kind < 16 ? kind : 0, 1});
  RoundFrame = 400;
  for (int p = 0; p < 2; ++p) {
    g_players[p].life = 350;
    g_players[p].owner = static_cast<int16_t>(p);
  }
  g_players[0].x = 100;
  g_players[0].y = 100;
  g_players[1].x = 600;
  g_players[1].y = 400;
  BattleObject& shot = g_shots[0];
  shot = BattleObject{};
  shot.kind = static_cast<uint16_t>(kind);
  shot.move = move;
  shot.owner = static_cast<int16_t>(owner);
  shot.meter = static_cast<float>(owner);
  shot.state = 1;
  shot.stateTimer = age;
  shot.x = 300;
  shot.y = 240;
  g_shotDamage[0] = ShotDamageRecord{12, 16, 8, 0, 0};
  return shot;
}

bool Behave() {
  return RunShotBehaviour(&g_shots[0], 0);
}

int LiveShots() {
  int n = 0;
  for (const BattleObject& s : g_shots) n += s.state == 1;
  return n;
}

int LiveChildrenOfMove(int move) {
  int n = 0;
  for (int slot = 1; slot < kShotCount; ++slot) {
    n += g_shots[slot].state == 1 && g_shots[slot].move == move;
  }
  return n;
}

// ---- The building blocks ----------------------------------------------------------------------

TEST(ShotBlocks, LifetimesAtTheirBoundaryAges) {
  struct Case {
    int age;
    bool overRemoves;  // Lifetime 10
    bool atRemoves;    // Lifetime =10
  } cases[] = {{9, false, false}, {10, false, true}, {11, true, false}, {-3, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.age);
    BattleObject& shot = Shot(0, 9, c.age);
    EXPECT_EQ(LifetimeOver(&shot, 10), c.overRemoves);
    EXPECT_EQ(shot.state, c.overRemoves ? 0 : 1);
    shot.state = 1;
    EXPECT_EQ(LifetimeAt(&shot, 10), c.atRemoves);
    EXPECT_EQ(shot.state, c.atRemoves ? 0 : 1);
  }
  EXPECT_EQ(HalfAgeWeight(Shot(0, 9, 7)), 4);
  EXPECT_EQ(HalfAgeWeight(Shot(0, 9, INT32_MAX)), INT16_MAX);
}

TEST(ShotBlocks, AttachedToTheOwnerOrItsCompanionAndCut) {
  struct Case {
    const char* name;
    int guard;
    int owner;
    int ownerState;
    bool live;
    float x, y;
  } cases[] = {
      {"the owner", 0, 0, 0, true, 116, 106},
      {"the companion", 1, 0, 0, true, 66, 56},
      {"an owner of nobody", 0, kNobody, 0, false, 300, 240},
      {"an owner index out of range", 0, 9, 0, false, 300, 240},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& shot = Shot(0, 9, 3, c.owner);
    shot.guard = static_cast<int16_t>(c.guard);
    g_companions[0].x = 50;
    g_companions[0].y = 50;
    g_companions[0].heading = 0;
    EXPECT_EQ(AttachToAnchor(&shot, 16.0f, 6.0f), c.live);
    EXPECT_EQ(shot.state, c.live ? 1 : 0);
    EXPECT_FLOAT_EQ(shot.x, c.x);
    EXPECT_FLOAT_EQ(shot.y, c.y);
  }
  for (int state : {0, 8, 10, 11, 12}) {
    SCOPED_TRACE(state);
    BattleObject& shot = Shot(4, 9, 3);
    g_players[0].state = state;
    const bool cut = state == 10 || state == 11;
    EXPECT_EQ(CutShot(&shot), cut);
    EXPECT_EQ(shot.state, cut ? 0 : 1);
  }
  EXPECT_TRUE(CutShot(&Shot(4, 9, 3, kNobody))) << "no owner to stay with";
}

TEST(ShotBlocks, FallingLandsOnceAndChildrenStopAtAFullPool) {
  BattleObject& shot = Shot(3, 6, 3);
  shot.z = -30.0f;
  shot.vz = 12.0f;
  std::vector<float> heights;
  for (int frame = 0; frame < 5; ++frame) {
    FallShot(&shot, 0, 0.6f, 28.0f);
    heights.push_back(shot.z);
  }
  EXPECT_FLOAT_EQ(heights[0], -18.0f);
  EXPECT_FLOAT_EQ(heights[1], -5.4f) << "the fall grew by 0.6";
  EXPECT_FLOAT_EQ(heights[2], 0.0f);
  EXPECT_EQ(shot.vz, 0.0f);
  EXPECT_EQ(heights[4], 0.0f);
  // The fall stops growing at its limit.
  shot.z = -1000.0f;
  shot.vz = 27.9f;
  FallShot(&shot, 0, 0.6f, 28.0f);
  FallShot(&shot, 0, 0.6f, 28.0f);
  EXPECT_FLOAT_EQ(shot.vz, 28.5f);

  // A child from a full pool is dropped quietly.
  BattleObject& parent = Shot(2, 2, 3);
  for (BattleObject& s : g_shots) s.state = 1;
  const int32_t misses = IndexMisses;
  ShotChild(&parent, 7);
  EXPECT_EQ(LiveShots(), kShotCount);
  EXPECT_EQ(IndexMisses, misses);
}

TEST(ShotBlocks, FollowUpOnTheOwnersSpecialMove) {
  struct Case {
    int ownerState;
    int ownerRecovery;
    bool fires;
  } cases[] = {{8, 5, true}, {8, 0, false}, {2, 5, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ownerState * 100 + c.ownerRecovery);
    BattleObject& shot = Shot(5, 7, 3);
    BattleObject& owner = g_players[0];
    owner.state = c.ownerState;
    owner.recovery = c.ownerRecovery;
    owner.heading = 0;
    EXPECT_EQ(Behave(), false);
    EXPECT_EQ(shot.state, c.fires ? 0 : 1);
    EXPECT_EQ(LiveChildrenOfMove(2), c.fires ? 1 : 0);
    EXPECT_EQ(owner.rooted, c.fires ? 1 : 0);
    EXPECT_FLOAT_EQ(owner.vx, c.fires ? -8.0f : 0.0f);
    EXPECT_EQ(owner.recovery, c.fires ? 0 : c.ownerRecovery);
  }
}

// ---- Behaviours ------------------------------------------------------------------------------

// Every lifetime of characters 0-7 and the neutral objects: kept at its last age, removed at the
// next (or, for Lifetime =N, removed at N and kept just before).
TEST(ShotBehaviours, EveryLifetimeAtItsBoundary) {
  struct Case {
    int kind, move;
    int last;  // the last age it lives
    bool powered;
  } cases[] = {
      {0, 1, 48, false},   {0, 2, 8, false},   {0, 3, 72, false},  {0, 5, 8, false},
      {0, 6, 8, false},    {0, 7, 32, false},  {0, 8, 32, false},  {1, 2, 107, false},
      {1, 3, 14, false},   {1, 4, 127, false}, {1, 6, 20, false},  {1, 7, 24, false},
      {1, 8, 32, false},   {2, 7, 32, false},  {2, 8, 32, false},  {2, 9, 48, false},
      {3, 6, 999, false},  {4, 2, 8, false},   {4, 4, 8, false},   {4, 5, 20, false},
      {4, 6, 11, false},   {4, 7, 24, false},  {4, 8, 8, false},   {5, 2, 96, false},
      {5, 2, 160, true},   {5, 4, 160, false}, {5, 4, 320, true},  {5, 5, 16, false},
      {5, 9, 32, false},   {6, 1, 24, false},  {6, 2, 96, false},  {6, 2, 216, true},
      {6, 3, 80, false},   {6, 3, 160, true},  {6, 8, 80, false},  {6, 8, 160, true},
      {7, 1, 240, false},  {7, 2, 24, false},  {7, 4, 32, false},  {7, 8, 32, false},
      {7, 9, 32, false},   {7, 5, 16, false},  {7, 6, 999, false}, {7, 7, 24, false},
      {51, 1, 64, false},  {51, 2, 3, false},  {51, 4, 2, false},  {51, 7, 159, false},
      {51, 8, 600, false}, {51, 9, 15, false}, {51, 10, 5, false}, {51, 11, 32, false},
      {51, 12, 2, false},
  };
  for (const Case& c : cases) {
    for (int age : {c.last, c.last + 1}) {
      SCOPED_TRACE(testing::Message()
                   << c.kind << "/" << c.move << " age " << age << (c.powered ? " powered" : ""));
      const int owner = c.kind == kNeutralKind ? kNobody : 0;
      BattleObject& shot = Shot(c.kind, c.move, age, owner);
      shot.stun = 0;  // 51/12 stands by familiar 0
      g_playerState.powerUp[0] = c.powered ? 100 : 0;
      EXPECT_FALSE(Behave());
      EXPECT_EQ(shot.state, age == c.last ? 1 : 0);
    }
  }
}

TEST(ShotBehaviours, RowsThatSteerRideAndSplit) {
  struct Case {
    const char* name;
    int kind, move, age;
    std::function<void(BattleObject&)> setUp;
    std::function<void(const BattleObject&)> check;
  } cases[] = {
      {"0/4 flies its airborne owner", 0, 4, 3,
       [](BattleObject&) {
         g_players[0].z = -10.0f;
         g_players[0].heading = 64;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 1);
         EXPECT_EQ(s.z, -10.0f);
         EXPECT_NEAR(g_players[0].vy, -9.0f, 1e-4);
         EXPECT_NEAR(s.y, 100.0f - 16.0f + 6.0f, 1e-4);
       }},
      {"0/4 landing with damage 70", 0, 4, 3, [](BattleObject&) { g_shotDamage[0].damage = 70; },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_EQ(ScreenShake, 20);
         EXPECT_EQ(LiveChildrenOfMove(7), 16) << "character 0's burst of 16";
       }},
      {"0/4 landing with damage 69", 0, 4, 3, [](BattleObject&) { g_shotDamage[0].damage = 69; },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_EQ(LiveChildrenOfMove(7), 0);
       }},
      {"1/5 slows, speeds up and starts anew at 64", 1, 5, 64,
       [](BattleObject& s) { s.speed = 9.0f; },
       [](const BattleObject& s) { EXPECT_FLOAT_EQ(s.speed, 4.5f); }},
      {"1/5 then gains 0.01 a frame", 1, 5, 65, [](BattleObject& s) { s.speed = 4.5f; },
       [](const BattleObject& s) { EXPECT_FLOAT_EQ(s.speed, 4.51f); }},
      {"1/5 brakes before 48", 1, 5, 10, [](BattleObject& s) { s.speed = 10.0f; },
       [](const BattleObject& s) { EXPECT_FLOAT_EQ(s.speed, 9.6f); }},
      {"2/2 with the power-up", 2, 2, 6,
       [](BattleObject& s) {
         s.speed = 10.0f;
         g_playerState.powerUp[0] = 5;
       },
       [](const BattleObject& s) { EXPECT_FLOAT_EQ(s.speed, 10.5f); }},
      {"2/6 stops with its owner", 2, 6, 4,
       [](BattleObject&) {
         g_players[0].trailX[0] = 100;
         g_players[0].trailY[0] = 100;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_EQ(LiveChildrenOfMove(9), 16);
         EXPECT_EQ(g_players[0].stateTimer, 100);
         EXPECT_EQ(g_players[0].vz, -3.0f);
         EXPECT_FLOAT_EQ(g_players[0].vx, -4.0f);
       }},
      {"2/6 goes on while its owner moves", 2, 6, 4,
       [](BattleObject&) { g_players[0].trailX[0] = 96; },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 1);
         EXPECT_EQ(g_players[0].stateTimer, 0);
       }},
      {"2/6 of nobody flies on", 2, 6, 4, [](BattleObject& s) { s.owner = kNobody; },
       [](const BattleObject& s) { EXPECT_EQ(s.state, 1); }},
      {"3/2 spins before its new aim", 3, 2, 30, [](BattleObject& s) { s.heading = 10; },
       [](const BattleObject& s) {
         EXPECT_EQ(s.heading, 10 + 8 * 10);
         EXPECT_EQ(s.vx, 0.0f);
       }},
      {"4/2 sweeps up while its owner faces right", 4, 2, 3,
       [](BattleObject& s) { s.heading = 250; },
       [](const BattleObject& s) {
         EXPECT_EQ(s.heading, 2);
         EXPECT_FLOAT_EQ(s.x, 136.0f);
         EXPECT_FLOAT_EQ(s.y, 106.0f);
       }},
      {"4/2 sweeps down facing left", 4, 2, 3,
       [](BattleObject& s) {
         s.heading = 4;
         g_players[0].heading = 128;
       },
       [](const BattleObject& s) { EXPECT_EQ(s.heading, 252); }},
      {"4/2 cut by a hit", 4, 2, 3, [](BattleObject&) { g_players[0].state = 10; },
       [](const BattleObject& s) { EXPECT_EQ(s.state, 0); }},
      {"4/4 drives its owner", 4, 4, 6, [](BattleObject& s) { s.heading = 64; },
       [](const BattleObject& s) {
         EXPECT_FLOAT_EQ(g_players[0].vx, 14.0f);
         EXPECT_NEAR(s.y, 100.0f - 42.0f + 6.0f, 1e-4);
         EXPECT_EQ(s.speed, 1.0f);
       }},
      {"4/4 ends and brakes its owner", 4, 4, 9, [](BattleObject&) { g_players[0].vx = 20.0f; },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_FLOAT_EQ(g_players[0].vx, 2.0f);
       }},
      {"4/6 two flashes at age 4", 4, 6, 4, [](BattleObject&) {},
       [](const BattleObject& s) {
         EXPECT_EQ(LiveEffects(), 2);
         EXPECT_FLOAT_EQ(s.x, 136.0f);
       }},
      {"5/4 powered homing from 49", 5, 4, 49, [](BattleObject&) { g_playerState.powerUp[0] = 5; },
       [](const BattleObject& s) { EXPECT_EQ(s.speed, 1.25f); }},
      {"5/6 rides its airborne owner", 5, 6, 3, [](BattleObject&) { g_players[0].z = -4.0f; },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 1);
         EXPECT_FLOAT_EQ(s.x, 116.0f);
       }},
      {"5/6 lands its owner with a hop", 5, 6, 3, [](BattleObject&) {},
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_EQ(g_players[0].vz, -1.5f);
         EXPECT_EQ(g_players[0].z, -0.01f);
       }},
      {"5/8 cut with its effect", 5, 8, 3, [](BattleObject&) { g_players[0].state = 11; },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_EQ(LiveEffects(), 1);
       }},
      {"6/1 lands once", 6, 1, 3,
       [](BattleObject& s) {
         s.z = -1.0f;
         s.vz = 0.0f;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.z, 0.0f);
         EXPECT_EQ(ScreenShake, 12);
       }},
      {"6/4 bursts at 36", 6, 4, 36, [](BattleObject&) {},
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_EQ(LiveChildrenOfMove(7), 8) << "character 6's ring of 8";
       }},
      {"6/5 drifts before the owner's 120", 6, 5, 61,
       [](BattleObject& s) {
         g_players[0].stateTimer = 119;
         s.speed = 33.0f;
       },
       [](const BattleObject& s) { EXPECT_FLOAT_EQ(s.vx, 1.0f); }},
      {"6/5 re-aims at the owner's 120", 6, 5, 30,
       [](BattleObject& s) {
         g_players[0].stateTimer = 120;
         s.speed = 2.0f;
         s.vx = 3.0f;
         s.life = 4;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.stateTimer, 0);
         EXPECT_EQ(s.speed, 9.0f);
         EXPECT_EQ(s.vx, 0.0f);
         EXPECT_EQ(s.life, 0);
         EXPECT_GE(s.heading, 0);
         EXPECT_LE(s.heading, 254);
         EXPECT_EQ(LiveEffects(), 1);
       }},
      {"6/6 holds while its owner winds up", 6, 6, 5,
       [](BattleObject& s) {
         g_players[0].stateTimer = 111;
         s.vx = 5.0f;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.vx, 0.0f);
         EXPECT_TRUE(s.life == 0 || s.life == -1);
         EXPECT_TRUE(s.recovery == 0 || s.recovery == -1);
       }},
      {"6/6 starts over at 110", 6, 6, 5, [](BattleObject&) { g_players[0].stateTimer = 110; },
       [](const BattleObject& s) { EXPECT_EQ(s.stateTimer, 0); }},
      {"6/6 bursts after 12", 6, 6, 13, [](BattleObject&) {},
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_EQ(ScreenShake, 20);
         EXPECT_EQ(SlowMotionFrames, 16);
         EXPECT_EQ(FlashFrames, 8);
         EXPECT_EQ(FlashLength, 12);
       }},
      {"6/9 still before 61", 6, 9, 60, [](BattleObject& s) { s.vx = 5.0f; },
       [](const BattleObject& s) { EXPECT_EQ(s.vx, 0.0f); }},
      {"7/3 mirrored at 11", 7, 3, 11,
       [](BattleObject& s) {
         s.heading = 10;
         s.recovery = 0;
       },
       [](const BattleObject& s) { EXPECT_EQ(s.heading, 246); }},
      {"7/3 mirrors odd stored headings into range", 7, 3, 24,
       [](BattleObject& s) {
         s.heading = -70000;
         s.recovery = INT32_MIN;
       },
       [](const BattleObject& s) {
         EXPECT_GE(s.heading, 0);
         EXPECT_LE(s.heading, 255);
       }},
      {"7/4 powered child at 8", 7, 4, 8, [](BattleObject&) { g_playerState.powerUp[0] = 1; },
       [](const BattleObject&) { EXPECT_GE(LiveChildrenOfMove(8), 1); }},
      {"51/3 on stage 2 creeps to 18", kNeutralKind, 3, 65, [](BattleObject& s) { s.y = 17.5f; },
       [](const BattleObject& s) { EXPECT_EQ(s.vy, 1.0f); }},
      {"51/3 on stage 2 lets go at 160", kNeutralKind, 3, 160, [](BattleObject&) {},
       [](const BattleObject& s) {
         EXPECT_EQ(s.vy, 11.0f);
         EXPECT_EQ(s.speed, 11.0f);
       }},
      {"51/3 elsewhere still creeps at 160", kNeutralKind, 3, 160,
       [](BattleObject& s) {
         g_match.stage = 0;
         s.y = 18.0f;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.vy, 0.0f);
         EXPECT_EQ(LiveEffects(), 1);
       }},
      {"51/3 elsewhere lets go at 224", kNeutralKind, 3, 224,
       [](BattleObject&) { g_match.stage = 0; },
       [](const BattleObject& s) { EXPECT_EQ(s.vy, 14.0f); }},
      {"51/9 at familiar 0", kNeutralKind, 9, 3,
       [](BattleObject&) {
         g_familiars[0].x = 44;
         g_familiars[0].y = 55;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.x, 44.0f);
         EXPECT_EQ(s.y, 55.0f);
       }},
      {"51/12 around its familiar", kNeutralKind, 12, 1,
       [](BattleObject& s) {
         s.stun = 5;
         s.recovery = 2;
         g_familiars[5].x = 200;
         g_familiars[5].y = 200;
         g_familiars[5].heading = 236;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.heading, 128);
         EXPECT_NEAR(s.x, 140.0f, 1e-3);
         EXPECT_NEAR(s.y, 200.0f, 1e-3);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& shot = Shot(c.kind, c.move, c.age, c.kind == kNeutralKind ? kNobody : 0);
    g_match.stage = 2;
    c.setUp(shot);
    EXPECT_FALSE(Behave());
    c.check(shot);
  }
}

TEST(ShotBehaviours, HostileRecordsStayDefined) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (float stun : {-1.0f, 64.0f, 1e9f, nan}) {
    BattleObject& shot = Shot(kNeutralKind, 12, 1, kNobody);
    shot.stun = stun;
    const int32_t misses = IndexMisses;
    Behave();
    EXPECT_EQ(shot.state, 0);
    EXPECT_EQ(IndexMisses, misses + 1);
  }
  // Every row of characters 0-7 and the neutral kind with owners out of range, odd counters and a
  // NaN position: the sanitizers watch.
  for (int kind : {0, 1, 2, 3, 4, 5, 6, 7, kNeutralKind}) {
    for (int move = 0; move <= 13; ++move) {
      for (int owner : {0, kNobody, -2, 300}) {
        for (int age : {1, 4, 8, 36, 64, 120, INT32_MAX}) {
          BattleObject& shot = Shot(kind, move, age, owner);
          shot.x = nan;
          shot.recovery = INT32_MIN;
          shot.life = INT32_MIN;
          shot.heading = INT32_MAX;
          shot.guard = 1;
          g_players[0].stateTimer = 120;
          Behave();
          RunShotImpactReaction(&shot, 0, 1, 1e30f);
          RunShotImpactReaction(&shot, 0, &g_familiars[0]);
          RunShotImpactReaction(&shot, 0, ShotCell{-1, 99});
          RunShotEdgeReaction(&shot, 0);
        }
      }
    }
  }
  RunShotImpactReaction(&Shot(0, 6, 1), 0, 7, 10.0f);
  EXPECT_GT(IndexMisses, 0);
}

// ---- Reactions ------------------------------------------------------------------------------

// The whole hit of a shot that gives its damage back, with and without armour.
TEST(ShotReactions, GiveBacksAreCappedAt350) {
  struct Case {
    int kind, move;
    int life;
    int guard;
    int lifeAfter;
  } cases[] = {
      {0, 6, 350, -1, 350}, {0, 6, 350, 0, 350},  {0, 6, 200, 0, 200},
      {0, 6, 200, -1, 206}, {4, 5, 350, -1, 350}, {4, 5, 300, 0, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.kind << "/" << c.move << " " << c.life << " " << c.guard);
    BattleObject& shot = Shot(c.kind, c.move, 0);
    g_shotDamage[0] = ShotDamageRecord{12, 0, 24, 0, 0};
    BattleObject& victim = g_players[1];
    victim.x = 300;
    victim.y = 240;
    victim.life = c.life;
    victim.guard = static_cast<int16_t>(c.guard);
    UpdateShot(&shot, 0);
    EXPECT_EQ(ShotHitFlags[0][1], 1);
    EXPECT_EQ(victim.life, c.lifeAfter);
  }
}

TEST(ShotReactions, OnPlayers) {
  struct Case {
    const char* name;
    int kind, move;
    int powerUp;
    std::function<void()> setUp;
    std::function<void(const BattleObject&)> check;
  } cases[] = {
      {"6/2 slows", 6, 2, 0, [] {},
       [](const BattleObject&) { EXPECT_EQ(g_playerState.slowTimer[1], 128); }},
      {"6/2 slows longer powered", 6, 2, 9, [] {},
       [](const BattleObject&) { EXPECT_EQ(g_playerState.slowTimer[1], 224); }},
      {"6/4 turns back and slows", 6, 4, 0, [] {},
       [](const BattleObject& s) {
         EXPECT_EQ(g_playerState.slowTimer[1], 68);
         EXPECT_EQ(s.heading, 128);
         EXPECT_EQ(LiveChildrenOfMove(7), 8);
         EXPECT_GE(LiveEffects(), 4);
       }},
      {"6/4 powered", 6, 4, 9, [] {},
       [](const BattleObject&) { EXPECT_EQ(g_playerState.slowTimer[1], 160); }},
      {"6/1 powered", 6, 1, 9, [] {},
       [](const BattleObject&) { EXPECT_EQ(g_playerState.slowTimer[1], 96); }},
      {"6/1 unpowered", 6, 1, 0, [] {},
       [](const BattleObject&) { EXPECT_EQ(g_playerState.slowTimer[1], 0); }},
      {"5/6 freezes and stops its owner", 5, 6, 0,
       [] {
         g_players[0].vx = 3.0f;
         g_players[0].z = -8.0f;
         g_players[1].life = 300;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_EQ(FreezeFrames, 240);
         EXPECT_EQ(FlashFrames, 12);
         EXPECT_EQ(g_players[0].vx, 0.0f);
         EXPECT_EQ(g_players[0].z, 0.0f);
         EXPECT_EQ(g_players[0].stateTimer, 124);
         EXPECT_EQ(g_players[0].rooted, 1);
         EXPECT_EQ(g_players[1].life, 310);
       }},
      {"5/2 returns its owner to state 0", 5, 2, 0, [] { g_players[0].state = 8; },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_EQ(g_players[0].state, 0);
         EXPECT_EQ(ScreenShake, 10);
       }},
      {"5/8 waits while its owner recovers", 5, 8, 9,
       [] {
         g_players[0].state = 8;
         g_players[0].recovery = 3;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_EQ(g_players[0].state, 8);
         EXPECT_EQ(g_players[0].attackDelay, 64);
         EXPECT_EQ(ScreenShake, 20);
         EXPECT_GE(LiveEffects(), 1);
         EXPECT_GE(LiveChildrenOfMove(9), 1);
       }},
      {"5/4 leaves a knocked-out owner", 5, 4, 0, [] { g_players[0].state = 13; },
       [](const BattleObject&) { EXPECT_EQ(g_players[0].state, 13); }},
      {"5/5 full charge", 5, 5, 0, [] { g_shotDamage[0].stunDamage = 99; },
       [](const BattleObject&) {
         EXPECT_EQ(SlowMotionFrames, 12);
         EXPECT_EQ(FlashFrames, -10);
         EXPECT_EQ(FlashLength, -11);
       }},
      {"1/3 seventh needle", 1, 3, 0, [] { g_shotDamage[0].stunDamage = 49; },
       [](const BattleObject&) { EXPECT_EQ(ScreenShake, 20); }},
      {"0/4 heavy", 0, 4, 0, [] { g_shotDamage[0].damage = 70; },
       [](const BattleObject&) {
         EXPECT_EQ(ScreenShake, 20);
         EXPECT_EQ(LiveChildrenOfMove(7), 16);
       }},
      {"4/4 brakes its owner", 4, 4, 0, [] { g_players[0].vx = 10.0f; },
       [](const BattleObject&) { EXPECT_FLOAT_EQ(g_players[0].vx, 2.0f); }},
      {"7/1 fades", 7, 1, 0, [] {},
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_EQ(ScreenShake, 4);
       }},
      {"51/2 tips its victim", kNeutralKind, 2, 0, [] {},
       [](const BattleObject&) {
         EXPECT_EQ(g_players[1].pushHeading, 192);
         EXPECT_EQ(g_playerState.airborne[1], 1);
       }},
      {"51/3 on stage 3", kNeutralKind, 3, 0, [] { g_match.stage = 3; },
       [](const BattleObject&) { EXPECT_EQ(ScreenShake, 8); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& shot = Shot(c.kind, c.move, 5, c.kind == kNeutralKind ? kNobody : 0);
    g_playerState.powerUp[0] = c.powerUp;
    c.setUp();
    RunShotImpactReaction(&shot, 0, 1, 10.0f);
    c.check(shot);
  }
}

// The familiar and cell lists differ only where marked.
TEST(ShotReactions, OnFamiliarsAndCells) {
  struct Case {
    int kind, move;
    int familiarShake, cellShake;
    bool familiarRemoves, cellRemoves;
  } cases[] = {
      {0, 2, 10, 10, false, false}, {0, 4, 20, 20, false, false}, {1, 5, 20, 20, false, false},
      {2, 4, 20, 20, false, false}, {5, 2, 10, 0, true, false},   {5, 8, 20, 0, true, false},
      {7, 1, 4, 0, true, false},    {7, 2, 0, 0, false, false},   {0, 6, 0, 0, false, false},
  };
  for (const Case& c : cases) {
    for (bool cell : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.kind << "/" << c.move << (cell ? " cell" : " fam"));
      BattleObject& shot = Shot(c.kind, c.move, 5);
      g_players[1].life = 100;
      if (cell) {
        RunShotImpactReaction(&shot, 0, ShotCell{3, 4});
      } else {
        RunShotImpactReaction(&shot, 0, &g_familiars[2]);
      }
      EXPECT_EQ(ScreenShake, cell ? c.cellShake : c.familiarShake);
      EXPECT_EQ(shot.state, (cell ? c.cellRemoves : c.familiarRemoves) ? 0 : 1);
      EXPECT_EQ(g_players[1].life, 100) << "no damage to give back";
    }
  }
  // 6/4 turns back from a familiar only.
  for (bool cell : {false, true}) {
    BattleObject& shot = Shot(6, 4, 5);
    if (cell) {
      RunShotImpactReaction(&shot, 0, ShotCell{3, 4});
    } else {
      RunShotImpactReaction(&shot, 0, &g_familiars[2]);
    }
    EXPECT_EQ(shot.heading, cell ? 0 : 128);
    EXPECT_EQ(LiveChildrenOfMove(7), cell ? 0 : 8);
  }
}

TEST(ShotReactions, EveryEdgeRow) {
  struct Case {
    const char* name;
    int kind, move;
    float x, y;
    int heading;
    int life;
    int state;
    int headingAfter;
    int lifeAfter;
    int childMove;
    int children;
  } cases[] = {
      {"1/5 bursts", 1, 5, 645, 200, 0, 0, 0, 0, 0, 8, 1},
      {"2/2 splits", 2, 2, 645, 200, 0, 0, 0, 0, 0, 7, 1},
      {"2/4 bursts", 2, 4, 200, 2, 64, 0, 0, 64, 0, 8, 1},
      {"2/6 ends its dive", 2, 6, 2, 200, 128, 0, 0, 128, 0, 9, 16},
      {"3/1 bounces off the right", 3, 1, 645, 200, 10, 2, 1, 118, 1, 0, 0},
      {"3/1 bounces off the top", 3, 1, 300, -1, 60, 2, 1, 196, 1, 0, 0},
      {"3/3 spent", 3, 3, 300, 485, 200, 0, 0, 200, 0, 0, 0},
      {"6/4 bounces, then bursts", 6, 4, 645, 200, 0, 0, 0, 128, 0, 7, 8},
      {"0/1 has no edge reaction", 0, 1, 645, 200, 0, 3, 1, 0, 3, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& shot = Shot(c.kind, c.move, 5);
    shot.x = c.x;
    shot.y = c.y;
    shot.heading = c.heading;
    shot.vx = 1.0f;
    shot.vy = 1.0f;
    shot.life = c.life;
    RunShotEdgeReaction(&shot, 0);
    EXPECT_EQ(shot.state, c.state);
    EXPECT_EQ(shot.heading, c.headingAfter);
    EXPECT_EQ(shot.life, c.lifeAfter);
    if (c.children > 0) {
      EXPECT_EQ(LiveChildrenOfMove(c.childMove), c.children);
    }
    if (c.kind == 3 && c.state == 1) {
      EXPECT_EQ(c.x > 300 ? shot.vx : shot.vy, -1.0f) << "the crossed component negated";
    }
  }
  // Launched with life 2: two bounces, removed at the third contact, through the whole update.
  BattleObject& shot = Shot(3, 1, 0);
  shot.x = 645;
  shot.life = 2;
  int contacts = 0;
  while (shot.state == 1 && contacts < 5) {
    UpdateShot(&shot, 0);
    ++contacts;
  }
  EXPECT_EQ(contacts, 3);
}

}  // namespace
