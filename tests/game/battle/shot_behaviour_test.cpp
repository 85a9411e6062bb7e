// Shot behaviours of every character and the neutral objects: the building blocks alone, the
// lifetimes of every row at their boundary ages, the rows that steer, ride, fall, split or wait
// on their owner, and the reactions to players, familiars, cells and the arena's edge.
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/player_control.h"
#include "game/battle/shot_behaviour.h"
#include "game/battle/shots.h"
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
      {0, 1, 48, false},   {0, 2, 8, false},    {0, 3, 72, false},   {0, 5, 8, false},
      {0, 6, 8, false},    {0, 7, 32, false},   {0, 8, 32, false},   {1, 2, 107, false},
      {1, 3, 14, false},   {1, 4, 127, false},  {1, 6, 20, false},   {1, 7, 24, false},
      {1, 8, 32, false},   {2, 7, 32, false},   {2, 8, 32, false},   {2, 9, 48, false},
      {3, 6, 999, false},  {4, 2, 8, false},    {4, 4, 8, false},    {4, 5, 20, false},
      {4, 6, 11, false},   {4, 7, 24, false},   {4, 8, 8, false},    {5, 2, 96, false},
      {5, 2, 160, true},   {5, 4, 160, false},  {5, 4, 320, true},   {5, 5, 16, false},
      {5, 9, 32, false},   {6, 1, 24, false},   {6, 2, 96, false},   {6, 2, 216, true},
      {6, 3, 80, false},   {6, 3, 160, true},   {6, 8, 80, false},   {6, 8, 160, true},
      {7, 1, 240, false},  {7, 2, 24, false},   {7, 4, 32, false},   {7, 8, 32, false},
      {7, 9, 32, false},   {7, 5, 16, false},   {7, 6, 999, false},  {7, 7, 24, false},
      {51, 1, 64, false},  {51, 2, 3, false},   {51, 4, 2, false},   {51, 7, 159, false},
      {51, 8, 600, false}, {51, 9, 15, false},  {51, 10, 5, false},  {51, 11, 32, false},
      {51, 12, 2, false},  {8, 5, 12, false},   {8, 6, 42, false},   {8, 7, 64, false},
      {8, 8, 10, false},   {9, 3, 89, false},   {9, 8, 72, false},   {9, 9, 8, false},
      {9, 13, 15, true},   {10, 3, 72, false},  {10, 5, 8, false},   {10, 6, 8, false},
      {10, 7, 32, false},  {10, 8, 32, false},  {11, 6, 32, false},  {11, 7, 32, false},
      {12, 2, 15, false},  {12, 2, 24, true},   {12, 5, 32, false},  {12, 6, 32, false},
      {12, 9, 32, false},  {13, 5, 320, false}, {13, 9, 999, false}, {13, 10, 32, false},
      {14, 1, 30, false},  {14, 5, 24, false},  {14, 7, 32, false},  {14, 11, 8, false},
      {15, 9, 32, false},  {15, 10, 32, false}, {15, 11, 16, false},
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
  // Every row of every kind with owners out of range, odd counters and a
  // NaN position: the sanitizers watch.
  for (int kind : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, kNeutralKind}) {
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

// ---- Characters 8 to 15 ----------------------------------------------------------------------

constexpr int32_t Packed(int x, int y) {
  return (x + 320) * 1000 + (y + 280);
}

TEST(ShotBehaviours, RowsOfCharacters8To15) {
  struct Case {
    const char* name;
    int kind, move, age;
    std::function<void(BattleObject&)> setUp;
    std::function<void(const BattleObject&)> check;
    int child = 0;  // the move of the follow-up the row makes: one volley of it is expected
  } cases[] = {
      {"8/2 rushes its owner behind it", 8, 2, 5, [](BattleObject&) {},
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 1);
         EXPECT_EQ(g_players[0].guard, -4);
         EXPECT_FLOAT_EQ(g_players[0].vx, 22.0f);
         EXPECT_FLOAT_EQ(s.x, 112.0f);
         EXPECT_FLOAT_EQ(s.y, 106.0f);
         EXPECT_EQ(LiveShots(), 1);
       }},
      {"8/2 powered makes a child at age mod 3 = 2", 8, 2, 5,
       [](BattleObject&) { g_playerState.powerUp[0] = 9; },
       [](const BattleObject&) { EXPECT_EQ(LiveChildrenOfMove(9), 1); }},
      {"8/2 ends at 18 and slows its owner", 8, 2, 18, [](BattleObject&) { g_players[0].vx = 10; },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_FLOAT_EQ(g_players[0].vx, 4.0f);
       }},
      {"8/4 ends at 13", 8, 4, 13, [](BattleObject&) {},
       [](const BattleObject& s) { EXPECT_EQ(s.state, 0); }},
      {"8/4 rushes at 16 before", 8, 4, 12, [](BattleObject&) {},
       [](const BattleObject&) { EXPECT_FLOAT_EQ(g_players[0].vx, 16.0f); }},
      {"8/3 takes its speed from vz at 60", 8, 3, 60, [](BattleObject& s) { s.vz = 7.5f; },
       [](const BattleObject& s) { EXPECT_FLOAT_EQ(s.speed, 7.5f); }},
      {"8/7 opens a spiral round the packed point", 8, 7, 10,
       [](BattleObject& s) {
         s.recovery = Packed(300, 240);
         s.vx = 0.0f;
         s.vy = -3.0f;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.heading, 6);
         EXPECT_NEAR(s.x, 300.0f + 20.0f * std::cos(6 * 2 * M_PI / 256), 0.05);
         EXPECT_NEAR(s.y, 240.0f - 20.0f * std::sin(6 * 2 * M_PI / 256), 0.05);
         EXPECT_EQ(s.pushHeading, 65) << "the velocity's direction, up";
       }},
      {"8/9 waits before 60", 8, 9, 30, [](BattleObject& s) { s.vx = 4.0f; },
       [](const BattleObject& s) { EXPECT_EQ(s.vx, 0.0f); }},
      {"9/2 splits at age mod 24 = 20", 9, 2, 20, [](BattleObject&) {}, [](const BattleObject&) {},
       8},
      {"9/2 powered splits at age mod 16 = 15", 9, 2, 15,
       [](BattleObject&) { g_playerState.powerUp[0] = 9; }, [](const BattleObject&) {}, 8},
      {"9/3 starts at 36", 9, 3, 36, [](BattleObject& s) { s.speed = 5.0f; },
       [](const BattleObject& s) { EXPECT_FLOAT_EQ(s.vx, 5.0f); }},
      {"9/5 selector 1 turns up", 9, 5, 10,
       [](BattleObject& s) {
         s.speed = 9.0f;
         s.recovery = 1;
       },
       [](const BattleObject& s) { EXPECT_EQ(s.heading, 4); }},
      {"9/5 selector 5 turns down", 9, 5, 10,
       [](BattleObject& s) {
         s.speed = 9.0f;
         s.recovery = 5;
       },
       [](const BattleObject& s) { EXPECT_EQ(s.heading, 252); }},
      {"9/5 selector 3 and odd selectors go straight", 9, 5, 10,
       [](BattleObject& s) {
         s.speed = 9.0f;
         s.recovery = 77;
       },
       [](const BattleObject& s) { EXPECT_EQ(s.heading, 0); }},
      {"9/5 stops turning at 72", 9, 5, 72,
       [](BattleObject& s) {
         s.speed = 9.0f;
         s.recovery = 1;
       },
       [](const BattleObject& s) { EXPECT_EQ(s.heading, 0); }},
      {"9/6 lives at age 1 in a card", 9, 6, 1,
       [](BattleObject&) { g_players[0].state = kStateSpellCard; },
       [](const BattleObject& s) { EXPECT_EQ(s.state, 1); }},
      {"9/6 removed at age 1 outside a card", 9, 6, 1, [](BattleObject&) {},
       [](const BattleObject& s) { EXPECT_EQ(s.state, 0); }},
      {"9/6 removed at age 2 in a card", 9, 6, 2,
       [](BattleObject&) { g_players[0].state = kStateSpellCard; },
       [](const BattleObject& s) { EXPECT_EQ(s.state, 0); }},
      {"9/7 spins 48 out and turns by age / 8", 9, 7, 40, [](BattleObject&) {},
       [](const BattleObject& s) {
         EXPECT_EQ(s.heading, 5);
         EXPECT_NEAR(s.x, 100.0f + 48.0f * std::cos(5 * 2 * M_PI / 256), 0.05);
       }},
      {"9/7 cut with its effect", 9, 7, 40, [](BattleObject&) { g_players[0].state = 10; },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_GT(LiveEffects(), 0);
       }},
      {"9/7 follows up without recoil", 9, 7, 40,
       [](BattleObject&) {
         g_players[0].state = kStateSpecialMove;
         g_players[0].recovery = 5;
         g_players[0].vx = 3.0f;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_EQ(LiveChildrenOfMove(4), 1);
         EXPECT_FLOAT_EQ(g_players[0].vx, 3.0f);
       }},
      {"9/13 removed without the power-up", 9, 13, 3, [](BattleObject&) {},
       [](const BattleObject& s) { EXPECT_EQ(s.state, 0); }},
      {"10/2 bursts after 8", 10, 2, 9, [](BattleObject&) {},
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_EQ(ScreenShake, 16);
       },
       7},
      {"10/4 always makes its child on landing", 10, 4, 3,
       [](BattleObject&) { g_shotDamage[0].damage = 10; },
       [](const BattleObject& s) { EXPECT_EQ(s.state, 0); }, 7},
      {"10/9 rides 6 below its player", 10, 9, 3, [](BattleObject& s) { s.recovery = 1; },
       [](const BattleObject& s) {
         EXPECT_EQ(s.x, 600.0f);
         EXPECT_EQ(s.y, 406.0f);
       }},
      {"10/10 takes its speed from vz at 48 and gains", 10, 10, 48,
       [](BattleObject& s) { s.vz = 3.0f; },
       [](const BattleObject& s) { EXPECT_FLOAT_EQ(s.speed, 3.015f); }},
      {"11/2 jitters within -1..1", 11, 2, 3, [](BattleObject& s) { s.life = 50; },
       [](const BattleObject& s) {
         EXPECT_GE(s.life, -1);
         EXPECT_LE(s.life, 1);
         EXPECT_GE(s.recovery, -1);
         EXPECT_LE(s.recovery, 1);
       }},
      {"11/4 sways wider", 11, 4, 0,
       [](BattleObject& s) {
         s.vz = -1.0f;
         s.speed = 2.0f;
       },
       [](const BattleObject& s) {
         EXPECT_FLOAT_EQ(s.vz, -1.03f);
         EXPECT_NEAR(s.vx, 2.0f, 1e-4);
         EXPECT_NEAR(s.vy, -1.03f, 0.01) << "sideways along heading 64 by vz * -sin 64";
       }},
      {"11/8 splits at 43 with life 0", 11, 8, 43, [](BattleObject&) {},
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_EQ(LiveChildrenOfMove(6), 1);
       }},
      {"14/8 goes at 43 without a split when life is set", 14, 8, 43,
       [](BattleObject& s) { s.life = 2; },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_EQ(LiveChildrenOfMove(6), 0);
       }},
      {"12/2 sweeps up facing right", 12, 2, 3, [](BattleObject& s) { s.heading = 10; },
       [](const BattleObject& s) {
         EXPECT_EQ(s.heading, 18);
         EXPECT_EQ(s.pushHeading, 10);
         EXPECT_NEAR(s.x, 100.0f + 108.0f * std::cos(10 * 2 * M_PI / 256), 0.05);
         EXPECT_GT(LiveEffects(), 0);
       }},
      {"12/2 sweeps down facing left, 11 powered", 12, 2, 3,
       [](BattleObject& s) {
         s.heading = 100;
         g_players[0].heading = 128;
         g_playerState.powerUp[0] = 9;
       },
       [](const BattleObject& s) { EXPECT_EQ(s.heading, 89); }},
      {"12/8 follows up at v 6", 12, 8, 3,
       [](BattleObject&) {
         g_players[0].state = kStateSpecialMove;
         g_players[0].recovery = 5;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_FLOAT_EQ(g_players[0].vx, -6.0f);
         EXPECT_GT(LiveEffects(), 0) << "move 4 from a shot goes on through an effect";
       },
       4},
      {"13/2 makes its child at 42", 13, 2, 42, [](BattleObject&) {},
       [](const BattleObject&) { EXPECT_EQ(LiveChildrenOfMove(7), 1); }},
      {"13/5 clears its flags at 160", 13, 5, 160, [](BattleObject&) { ShotHitFlags[0][1] = 1; },
       [](const BattleObject&) { EXPECT_EQ(ShotHitFlags[0][1], 0); }},
      {"13/9 ends at the owner's timer 128", 13, 9, 5,
       [](BattleObject&) { g_players[0].stateTimer = 128; },
       [](const BattleObject& s) { EXPECT_EQ(s.state, 0); }},
      {"13/9 falls by 3 a frame past 36", 13, 9, 5,
       [](BattleObject& s) {
         s.z = -100.0f;
         s.vz = 40.0f;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.z, -60.0f);
         EXPECT_GT(LiveEffects(), 0);
       }},
      {"14/2 stands 42 before its familiar", 14, 2, 3,
       [](BattleObject& s) {
         s.life = 5;
         g_familiars[5].state = 1;
         g_familiars[5].x = 200;
         g_familiars[5].y = 200;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 1);
         EXPECT_FLOAT_EQ(s.x, 242.0f);
         EXPECT_FLOAT_EQ(s.y, 194.0f);
       }},
      {"14/9 after 8 slows its familiar", 14, 9, 9,
       [](BattleObject& s) {
         s.life = 5;
         g_familiars[5].state = 1;
         g_familiars[5].vx = 5.0f;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_FLOAT_EQ(g_familiars[5].vx, 1.0f);
       }},
      {"14/2 with its familiar freed", 14, 2, 3, [](BattleObject& s) { s.life = 5; },
       [](const BattleObject& s) { EXPECT_EQ(s.state, 0); }},
      {"14/4 gone when its familiar is parked in state 9", 14, 4, 3,
       [](BattleObject& s) {
         s.life = 5;
         g_familiars[5].state = 9;
       },
       [](const BattleObject& s) { EXPECT_EQ(s.state, 0); }},
      {"14/6 stands by its familiar in a card", 14, 6, 3,
       [](BattleObject& s) {
         s.life = 5;
         s.recovery = 64;
         g_familiars[5].state = 1;
         g_familiars[5].x = 200;
         g_familiars[5].y = 200;
         g_players[0].state = kStateSpellCard;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 1);
         EXPECT_EQ(s.heading, 64);
         EXPECT_NEAR(s.y, 200.0f - 34.0f - 10.0f, 1e-3);
       }},
      {"14/6 gone outside a card", 14, 6, 3,
       [](BattleObject& s) {
         s.life = 5;
         g_familiars[5].state = 1;
       },
       [](const BattleObject& s) { EXPECT_EQ(s.state, 0); }},
      {"15/1 ends its link after 18", 15, 1, 19, [](BattleObject& s) { s.life = 3; },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_EQ(s.life, 0);
       },
       7},
      {"15/2 powered bursts near an opponent", 15, 2, 5,
       [](BattleObject&) {
         g_playerState.powerUp[0] = 9;
         g_players[1].x = 340;
         g_players[1].y = 240;
       },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 0);
         EXPECT_EQ(LiveChildrenOfMove(9), 1);
       }},
      {"15/2 unpowered passes by", 15, 2, 5,
       [](BattleObject&) {
         g_players[1].x = 340;
         g_players[1].y = 240;
       },
       [](const BattleObject& s) { EXPECT_EQ(s.state, 1); }},
      {"15/4 powered ignores a knocked-out opponent", 15, 4, 5,
       [](BattleObject&) {
         g_playerState.powerUp[0] = 9;
         g_players[1].x = 340;
         g_players[1].y = 240;
         g_players[1].state = kStateKnockedOut;
       },
       [](const BattleObject& s) { EXPECT_EQ(s.state, 1); }},
      {"15/8 holds its hits back before 16", 15, 8, 15,
       [](BattleObject& s) {
         s.recovery = 64;
         s.speed = 3.0f;
       },
       [](const BattleObject& s) {
         for (int p = 0; p < 4; ++p) EXPECT_EQ(ShotHitFlags[0][p], 1);
         EXPECT_NEAR(s.vy, -3.0f, 1e-4);
       }},
      {"15/8 splits after 22 while the chain is short", 15, 8, 23,
       [](BattleObject& s) { s.life = 2; }, [](const BattleObject& s) { EXPECT_EQ(s.state, 0); },
       8},
      {"15/8 chain of 3 ends", 15, 8, 23, [](BattleObject& s) { s.life = 3; },
       [](const BattleObject& s) {
         EXPECT_EQ(s.state, 1);
         EXPECT_FLOAT_EQ(s.vx, 9.0f);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The follow-up is whatever the launcher makes of one CreateShot of the child's move from
    // this very shot: measured on the same set-up first.
    int volley = 0;
    if (c.child != 0) {
      BattleObject& source = Shot(c.kind, c.move, c.age);
      g_players[0].heading = 0;
      c.setUp(source);
      ShotChild(&source, c.child);
      volley = LiveChildrenOfMove(c.child);
      ASSERT_TRUE(volley > 0 || LiveEffects() > 0) << "move " << c.child << " launches nothing";
    }
    BattleObject& shot = Shot(c.kind, c.move, c.age);
    g_players[0].heading = 0;
    ScreenShake = 0;
    c.setUp(shot);
    EXPECT_FALSE(Behave());
    c.check(shot);
    if (c.child != 0) {
      EXPECT_EQ(LiveChildrenOfMove(c.child), volley) << "one volley of move " << c.child;
    }
  }
}

// Character 13's shots wait while their owner dashes without the power-up: no age, no move.
TEST(ShotBehaviours, Character13FreezesWhileItsOwnerDashes) {
  BattleObject& shot = Shot(13, 10, 0);
  shot.vx = 2.0f;
  for (int i = 0; i < 3; ++i) UpdateShot(&shot, 0);
  EXPECT_EQ(shot.stateTimer, 3);
  EXPECT_EQ(shot.x, 304.0f);
  g_players[0].state = kStateDash;
  for (int i = 0; i < 5; ++i) UpdateShot(&shot, 0);
  EXPECT_EQ(shot.stateTimer, 3);
  EXPECT_EQ(shot.x, 304.0f);
  g_players[0].state = 0;
  UpdateShot(&shot, 0);
  EXPECT_EQ(shot.stateTimer, 4);
  EXPECT_EQ(shot.x, 306.0f);
}

// 9/7 hits the same player again every 32 frames after age 48.
TEST(ShotBehaviours, Character9SpinnerHitsAgainEvery32Frames) {
  BattleObject& shot = Shot(9, 7, 0);
  std::vector<int> cleared;
  for (int age = 0; age < 150; ++age) {
    shot.stateTimer = age;
    shot.state = 1;
    ShotHitFlags[0][1] = 1;
    Behave();
    if (ShotHitFlags[0][1] == 0) cleared.push_back(age);
  }
  EXPECT_EQ(cleared, (std::vector<int>{49, 81, 113, 145}));
}

// 9/10-11 keep off the circle of 80 round (320, 248) while the owner's timer is above 94.
TEST(ShotBehaviours, Character9CircleAtTheCentreOnItAndOutside) {
  struct Case {
    const char* name;
    float x, y;
    int ownerTimer;
    bool bounced;
  } cases[] = {
      {"at the centre", 320, 248, 200, true},  {"inside", 300, 248, 200, true},
      {"on the circle", 400, 248, 200, false}, {"outside", 500, 100, 200, false},
      {"timer 94", 300, 248, 94, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& shot = Shot(9, 10, 1);
    shot.x = c.x;
    shot.y = c.y;
    shot.life = 3;
    shot.heading = 0;
    shot.vx = 4.0f;
    g_players[0].stateTimer = c.ownerTimer;
    ShotHitFlags[0][1] = 1;
    ScreenShake = 0;
    const int32_t misses = IndexMisses;
    Behave();
    EXPECT_TRUE(std::isfinite(shot.x) && std::isfinite(shot.y));
    EXPECT_TRUE(std::isfinite(shot.vx) && std::isfinite(shot.vy));
    EXPECT_EQ(IndexMisses, misses);
    EXPECT_EQ(ScreenShake, c.bounced ? 12 : 0);
    EXPECT_EQ(shot.life, c.bounced ? 0 : 3);
    EXPECT_EQ(ShotHitFlags[0][1], c.bounced ? 0 : 1);
    if (c.bounced) {
      const double d = std::hypot(shot.x - 320.0, shot.y - 248.0);
      EXPECT_NEAR(d, 80.0, 0.5) << "put back on the circle";
    }
  }
  // Inside on the left, flying right into the middle: bounced back out to the left.
  BattleObject& shot = Shot(9, 11, 1);
  shot.x = 260;
  shot.y = 248;
  shot.vx = 4.0f;
  g_players[0].stateTimer = 200;
  g_players[0].state = kStateSpellCard;
  shot.life = 2;
  Behave();
  EXPECT_EQ(shot.heading, 130) << "the radial heading of the integer direction is 129";
  EXPECT_NEAR(shot.vx, -4.0f, 0.05);
  EXPECT_NEAR(shot.x, 240.0f, 0.5);
  EXPECT_EQ(shot.life, 2) << "kept while the owner is in its card";
  EXPECT_GT(LiveEffects(), 0);
}

// 14's shots read a familiar index and 10/9 a player index: out of range they go, and count.
TEST(ShotBehaviours, IndicesOutOfRange) {
  struct Case {
    int kind, move;
    int32_t index;
    int state;
    int misses;
  } cases[] = {
      {14, 2, 99, 0, 1},   {14, 9, -1, 0, 1}, {14, 4, 64, 0, 1}, {14, 6, INT32_MIN, 0, 1},
      {14, 3, 9999, 1, 0}, {14, 3, 77, 1, 0}, {10, 9, 4, 0, 1},  {10, 9, -3, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.kind << "/" << c.move << " index " << c.index);
    BattleObject& shot = Shot(c.kind, c.move, 3);
    g_players[0].state = kStateSpellCard;
    if (c.kind == 14) {
      shot.life = c.index;
    } else {
      shot.recovery = c.index;
    }
    const int32_t misses = IndexMisses;
    Behave();
    EXPECT_EQ(shot.state, c.state);
    EXPECT_EQ(IndexMisses, misses + c.misses);
  }
}

// True when player p's held flag agrees with a live carrier naming it.
void ExpectHeldAgrees(int p) {
  const int32_t slot = g_playerState.holdingShot[p];
  const bool carried = slot >= 0 && slot < kShotCount && g_shots[slot].state == 1 &&
                       g_shots[slot].kind == 10 && g_shots[slot].move == 9 &&
                       g_shots[slot].recovery == p;
  if (g_playerState.heldFlag[p] == 1) {
    EXPECT_TRUE(carried);
  }
}

// 10/7 picks a knocked-back victim up into a carrier; every way the carrier is lost lets it go.
TEST(ShotReactions, TheCarryAndEveryRelease) {
  const std::vector<std::pair<const char*, std::function<void(BattleObject&, int)>>> releases = {
      {"the edge",
       [](BattleObject& carrier, int slot) {
         carrier.x = 645;
         RunShotEdgeReaction(&carrier, slot);
       }},
      {"an impact",
       [](BattleObject& carrier, int slot) {
         g_players[1].pushHeading = 10;
         RunShotImpactReaction(&carrier, slot, 1, 5.0f);
         EXPECT_EQ(g_players[1].pushHeading, 138);
       }},
      {"the owner out at age 60",
       [](BattleObject& carrier, int slot) {
         g_players[0].state = kStateGhost;
         carrier.stateTimer = 60;
         UpdateShot(&carrier, slot);
       }},
      {"leaving the arena",
       [](BattleObject& carrier, int slot) {
         g_players[1].x = 900;
         carrier.stateTimer = 5;
         UpdateShot(&carrier, slot);
       }},
      {"a parry",
       [](BattleObject& carrier, int slot) {
         // On the carrier itself: where the carrier was made follows the 10/7 shot's drawn flight.
         g_players[2].x = carrier.x;
         g_players[2].y = carrier.y;
         g_players[2].state = kStateGuardStance;
         g_players[2].life = 300;
         UpdateShot(&carrier, slot);
       }},
  };
  for (const auto& [name, release] : releases) {
    SCOPED_TRACE(name);
    SetUpMatch({10, 1, 0});
    g_match.teamMode = 0;
    BattleObject& victim = g_players[1];
    victim.x = 300;
    victim.y = 200;
    victim.life = 300;
    victim.stun = 50;
    BattleObject source{};
    source.kind = 10;
    source.x = 300;
    source.y = 200;
    CreateShot(&source, 7, 0);
    BattleObject& shot = g_shots[0];
    shot.x = 300;
    shot.y = 200;
    shot.vx = shot.vy = 0.0f;
    for (int i = 0; i < 6 && g_playerState.heldFlag[1] == 0; ++i) UpdateShot(&shot, 0);
    ASSERT_EQ(victim.state, kStateKnockBack);
    ASSERT_EQ(g_playerState.heldFlag[1], 1);
    const int slot = g_playerState.holdingShot[1];
    ASSERT_GE(slot, 1);
    BattleObject& carrier = g_shots[slot];
    EXPECT_EQ(carrier.move, 9);
    EXPECT_EQ(carrier.recovery, 1);
    ExpectHeldAgrees(1);
    release(carrier, slot);
    EXPECT_EQ(g_playerState.heldFlag[1], 0);
    ExpectHeldAgrees(1);
  }
  // A full pool: no carrier, so nobody is held.
  SetUpMatch({10, 1});
  BattleObject& shot = Shot(10, 7, 3);
  for (int slot = 1; slot < kShotCount; ++slot) g_shots[slot].state = 1;
  g_players[1].state = kStateKnockBack;
  RunShotImpactReaction(&shot, 0, 1, 5.0f);
  EXPECT_EQ(g_playerState.heldFlag[1], 0);
  for (int slot = 1; slot < kShotCount; ++slot) g_shots[slot].state = 0;
}

TEST(ShotReactions, TheCatchesOf13And14) {
  // 14/3 meets its partner familiar: its slot goes to the partner's shot and the update ends.
  BattleObject& meeting = Shot(14, 3, 3);
  meeting.life = 5;
  // A partner just sent, keeping its own slot, that has not fired yet.
  g_familiars[5].state = 4;
  g_familiars[5].x = 310;
  g_familiars[5].y = 240;
  g_familiars[5].stun = 5.0f;
  EXPECT_TRUE(Behave());
  EXPECT_EQ(g_familiars[5].stateTimer, 584);
  EXPECT_EQ(meeting.state, 1);
  EXPECT_EQ(meeting.move, 3);
  EXPECT_EQ(meeting.stateTimer, 0) << "a new shot";
  g_familiars[5].x = 400;
  BattleObject& alone = Shot(14, 3, 3);
  alone.life = 5;
  EXPECT_FALSE(Behave());
  EXPECT_EQ(alone.stateTimer, 3);

  // 13/6 holds its victim for the owner's card and marks where.
  BattleObject& catcher = Shot(13, 6, 3);
  g_players[1].x = 310;
  g_players[1].y = 250;
  RunShotImpactReaction(&catcher, 0, 1, 5.0f);
  EXPECT_EQ(g_markerPoints[0].x, 310.0f);
  EXPECT_EQ(g_markerPoints[0].timer, 700);
  EXPECT_EQ(g_markerPoints[0].player, 1);
  EXPECT_EQ(g_playerState.holdTimer[1], 700);
  EXPECT_EQ(g_playerState.holder[1], 0);
  EXPECT_EQ(FreezeFrames, 32);
  EXPECT_EQ(ScreenShake, 16);
  EXPECT_EQ(g_players[0].z, -9999.0f);
  EXPECT_EQ(g_players[0].stateTimer, 525);
  // 13/10 lets go.
  RunShotImpactReaction(&Shot(13, 10, 3), 0, 1, 5.0f);
  EXPECT_EQ(g_markerPoints[0].timer, 0);

  // 14/6 takes its victim for the second phase of the card.
  BattleObject& taker = Shot(14, 6, 3);
  taker.life = 5;
  g_familiars[5].state = 1;
  g_players[1].x = 310;
  g_players[1].y = 250;
  RunShotImpactReaction(&taker, 0, 1, 5.0f);
  EXPECT_EQ(g_players[0].stateTimer, 2420);
  EXPECT_EQ(g_players[0].x, 310.0f);
  EXPECT_EQ(g_players[0].y, 250.0f - 600.0f);
  EXPECT_EQ(g_players[0].pushHeading, 1);
  EXPECT_EQ(g_playerState.holdTimer[1], 420);
  EXPECT_EQ(g_playerState.holder[1], 0);
  EXPECT_EQ(g_playerState.airborne[0], 1);
  EXPECT_EQ(g_players[1].z, -4.0f);
  EXPECT_EQ(FreezeFrames, 24);
  EXPECT_EQ(taker.stateTimer, 15);
  for (int p = 0; p < 4; ++p) EXPECT_EQ(ShotHitFlags[0][p], 1);
  EXPECT_EQ(g_familiars[5].state, 9);
  // Its familiar index out of range: the catch holds, the familiar is a miss.
  BattleObject& stray = Shot(14, 6, 3);
  stray.life = 640;
  const int32_t misses = IndexMisses;
  RunShotImpactReaction(&stray, 0, 1, 5.0f);
  EXPECT_EQ(IndexMisses, misses + 1);
  EXPECT_EQ(g_playerState.holdTimer[1], 420);
}

TEST(ShotReactions, EveryEdgeRowOf8To15) {
  struct Case {
    const char* name;
    int kind, move;
    int powerUp;
    int state;
    int childMove;
    int children;
    int shake;
  } cases[] = {
      {"9/10 bounces back onto the edge line", 9, 10, 0, 1, 0, 0, 12},
      {"10/2 splits", 10, 2, 0, 0, 7, 1, 16},
      {"11/3 powered splits", 11, 3, 9, 0, 7, 1, 0},
      {"11/3 unpowered passes", 11, 3, 0, 1, 7, 0, 0},
      {"13/1 bounces", 13, 1, 0, 1, 0, 0, 0},
      {"15/2 bursts", 15, 2, 0, 0, 9, 1, 16},
      {"15/4 bursts", 15, 4, 0, 0, 10, 1, 24},
      {"12/3 has no edge reaction", 12, 3, 0, 1, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto setUp = [&c]() -> BattleObject& {
      BattleObject& shot = Shot(c.kind, c.move, 5);
      g_playerState.powerUp[0] = c.powerUp;
      g_players[0].stateTimer = 200;
      shot.x = 645;
      shot.y = 200;
      shot.vx = 1.0f;
      shot.life = 2;
      ScreenShake = 0;
      return shot;
    };
    // A split makes one volley of its child's move: what one CreateShot of it makes from the
    // same shot in the same set-up.
    int volley = 0;
    if (c.children != 0) {
      ShotChild(&setUp(), c.childMove);
      volley = LiveChildrenOfMove(c.childMove);
      ASSERT_GT(volley, 0);
    }
    BattleObject& shot = setUp();
    RunShotEdgeReaction(&shot, 0);
    EXPECT_EQ(shot.state, c.state);
    EXPECT_EQ(ScreenShake, c.shake);
    if (c.childMove != 0) {
      EXPECT_EQ(LiveChildrenOfMove(c.childMove), c.children != 0 ? volley : 0);
    }
    if (c.kind == 9) {
      EXPECT_EQ(shot.x, 640.0f) << "648 - r with r 8";
      EXPECT_EQ(shot.vx, -1.0f);
    }
  }
  // 13/3's spread: within 12 of the plain mirror, on the side `recovery` picks.
  for (int recovery : {0, 1}) {
    for (int i = 0; i < 20; ++i) {
      BattleObject& shot = Shot(13, 3, 5);
      shot.x = 645;
      shot.heading = 10;
      shot.life = 1;
      shot.recovery = recovery;
      RunShotEdgeReaction(&shot, 0);
      const int spread = WrapHeading(int64_t{shot.heading} - (384 - 10));
      EXPECT_TRUE(recovery == 0 ? spread <= 12 : (spread == 0 || spread >= 244)) << spread;
      EXPECT_EQ(shot.life, 0);
    }
  }
  // 13/8 marks where it touched.
  BattleObject& marker = Shot(13, 8, 5);
  marker.x = 645;
  RunShotEdgeReaction(&marker, 0);
  EXPECT_EQ(g_markerPoints[0].x, 645.0f);
  EXPECT_EQ(g_markerPoints[0].timer, 32);
}

}  // namespace
