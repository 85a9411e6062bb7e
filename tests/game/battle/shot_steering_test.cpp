// Shot steering: open age windows, packed points, homing in a window with its seam, ties and
// targets, turning by a limited angle, aiming, and the retargeting shot.
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;
using testsupport::SetUpMatch;

// Three players; player 0 owns a shot in slot 0 at (300, 200) flying along heading 0 at speed 4.
BattleObject& Shot(int owner = 0) {
  SetUpMatch({0, 1, 2});
  g_players[0].x = 300;
  g_players[0].y = 50;
  g_players[1].x = 600;
  g_players[1].y = 450;
  g_players[2].x = 20;
  g_players[2].y = 450;
  BattleObject source{};
  source.kind = 30;  // no launcher: the test places the shot
  CreateShot(&source, 1, owner);
  BattleObject& shot = g_shots[0];
  shot.x = 300;
  shot.y = 200;
  shot.heading = 0;
  shot.speed = 4;
  shot.vx = 4;
  shot.vy = 0;
  shot.stateTimer = 5;
  return shot;
}

// (x + 320) x 1000 + (y + 280).
int32_t Pack(int x, int y) {
  return (x + 320) * 1000 + (y + 280);
}

TEST(ShotSteering, PackedPoints) {
  struct Case {
    int32_t packed;
    int x, y;
  } cases[] = {
      {320280, 0, 0}, {0, -320, -280}, {420380, 100, 100}, {959759, 639, 479}, {-5, -320, -285}};
  for (const Case& c : cases) {
    EXPECT_EQ(PackedPointX(c.packed), c.x) << c.packed;
    EXPECT_EQ(PackedPointY(c.packed), c.y) << c.packed;
  }
}

TEST(ShotSteering, WindowsAreOpenAtBothEnds) {
  struct Case {
    int age;
    bool acts;
  } cases[] = {{8, false}, {9, true}, {27, true}, {28, false}, {-1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.age);
    BattleObject& shot = Shot();
    shot.stateTimer = c.age;
    ScaleShotSpeed(&shot, 2.0f, 8, 28);
    EXPECT_EQ(shot.speed, c.acts ? 8.0f : 4.0f);
    EXPECT_EQ(shot.vx, c.acts ? 8.0f : 4.0f);
    shot.recovery = Pack(300, 0);
    AimShotAtPoint(&shot, 8, 28, 0, 1);
    EXPECT_EQ(shot.heading, c.acts ? 65 : 0);
    HomeShotInWindow(&shot, 8, 28, 0, 1, 255);
    TurnShotToPoint(&shot, 8, 28, 0, 1, 8);
    HomeShotTurnLimited(&shot, 8, 28, 0, 1, 8);
    if (!c.acts) {
      EXPECT_EQ(shot.heading, 0);
      EXPECT_EQ(shot.vx, 4.0f);
    }
  }
}

TEST(ShotSteering, HomingWindowAndItsSeam) {
  struct Case {
    const char* name;
    int heading;
    float targetX, targetY;  // player 1
    int window;
    int headingAfter;
  } cases[] = {
      {"heading 5, target at 250: across the seam", 5, 400, 218, 64, 250},
      {"heading 250, target at 5: the seam is not crossed back", 250, 400, 189, 64, 250},
      {"target straight on", 250, 400, 218, 64, 250},
      {"heading 5, target at 5", 5, 400, 189, 64, 5},
      {"a window's edge is outside", 0, 300, 100, 65, 0},
      {"one wider reaches it", 0, 300, 100, 66, 65},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& shot = Shot();
    g_match.playerCount = 2;
    g_players[1].x = c.targetX;
    g_players[1].y = c.targetY;
    shot.heading = c.heading;
    HomeShotInWindow(&shot, 0, 10, 1, 1, static_cast<int16_t>(c.window));
    EXPECT_EQ(shot.heading, c.headingAfter);
  }
}

TEST(ShotSteering, HomingChoosesTheNearestTarget) {
  struct Case {
    const char* name;
    std::function<void()> setUp;
    int headingAfter;
  } cases[] = {
      {"a tie goes to the lower player", [] {}, 1},
      {"a closer higher player", [] { g_players[2].x = 250; }, 129},
      {"one already hit is no target", [] { ShotHitFlags[0][1] = 1; }, 129},
      {"one out of the round is no target", [] { g_players[1].state = kStateKnockedOut; }, 129},
      {"one on the shot's side is no target",
       [] {
         g_match.teamMode = 1;
         g_match.team[2] = 1;
         g_shots[0].meter = 1;
       },
       1},
      {"nobody to home on keeps the heading", [] { g_players[1].state = g_players[2].state = 13; },
       65},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& shot = Shot();
    g_players[1].x = 400;
    g_players[1].y = 200;
    g_players[2].x = 200;
    g_players[2].y = 200;
    shot.heading = 65;
    c.setUp();
    HomeShotInWindow(&shot, 0, 10, 0, 1, 255);
    EXPECT_EQ(shot.heading, c.headingAfter);
    // Weights (0, 1) take the new velocity whole: speed 4 along the heading.
    EXPECT_NEAR(std::hypot(shot.vx, shot.vy), 4.0f, 1e-4f);
    EXPECT_NEAR(shot.vx, VelocityX(c.headingAfter, 4.0f), 1e-6f);
  }
  // Weights (1, 0) leave the velocity as it was.
  BattleObject& shot = Shot();
  shot.vx = 1.5f;
  shot.vy = -2.5f;
  HomeShotInWindow(&shot, 0, 10, 1, 0, 255);
  EXPECT_EQ(shot.vx, 1.5f);
  EXPECT_EQ(shot.vy, -2.5f);
}

TEST(ShotSteering, ObjectsHomeOnEnemiesOfTheirOwner) {
  struct Case {
    const char* name;
    int teamMode;
    int headingAfter;
  } cases[] = {{"the owner is never chosen", 0, 1}, {"nor its team mates", 1, 129}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Shot();
    g_match.teamMode = c.teamMode;
    g_match.team[1] = 0;
    g_match.team[2] = 1;
    g_players[0].x = 300;  // the owner, nearest of all
    g_players[0].y = 190;
    g_players[1].x = 400;
    g_players[1].y = 200;
    g_players[2].x = 180;
    g_players[2].y = 200;
    BattleObject familiar{};
    familiar.x = 300;
    familiar.y = 200;
    familiar.owner = 0;
    familiar.heading = 65;
    familiar.speed = 2;
    familiar.stateTimer = 5;
    ShotHitFlags[0][1] = 1;  // a familiar has no hit flags: this is not read
    HomeObjectInWindow(&familiar, 0, 10, 0, 1, 255);
    EXPECT_EQ(familiar.heading, c.headingAfter);
  }
}

TEST(ShotSteering, AimAtThePackedPoint) {
  struct Case {
    float x, y;
    int32_t packed;
    int heading;
  } cases[] = {{100, 0, 320280, 129}, {100, 200, Pack(100, 100), 65}, {0, 0, 0, 100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.packed);
    BattleObject& shot = Shot();
    shot.x = c.x;
    shot.y = c.y;
    shot.recovery = c.packed;
    AimShotAtPoint(&shot, 0, 10, 0, 1);
    EXPECT_EQ(shot.heading, c.heading);
    EXPECT_NEAR(std::hypot(shot.vx, shot.vy), 4.0f, 1e-4f);
  }
}

TEST(ShotSteering, TurnsAreLimited) {
  struct Case {
    const char* name;
    int toX, toY;  // the packed point
    float sign;    // of vy after: -1 up, 1 down, 0 straight on
  } cases[] = {
      {"toward a point below", 150, 400, 1.0f},
      {"toward a point above", 150, -100, -1.0f},
      {"a point ahead is within the limit", 600, 100, 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& shot = Shot();
    const float c8 = CosOf(8) / 256.0f;
    shot.x = 100;
    shot.y = 100;
    shot.speed = 100;
    shot.vx = 100;
    shot.vy = 0;
    shot.recovery = Pack(c.toX, c.toY);
    TurnShotToPoint(&shot, 0, 10, 0, 1, 8);
    EXPECT_NEAR(std::hypot(shot.vx, shot.vy), 100.0f, 0.5f) << "a turn keeps the speed";
    if (c.sign == 0.0f) {
      EXPECT_LT(std::fabs(shot.vy), 1.0f);
      continue;
    }
    EXPECT_NEAR(shot.vx, 100.0f * c8, 0.01f) << "turned by the limit exactly";
    EXPECT_GT(shot.vy * c.sign, 19.0f);
    EXPECT_EQ(shot.heading, c.sign > 0 ? 250 : 8);
  }
}

TEST(ShotSteering, HomingTurnLimitedOnTheNearestTargetOrTheOwner) {
  // The shot flies down with a stale heading 0, so the turn goes to the side of the point the
  // target (or, with none, the owner) stands on.
  struct Case {
    const char* name;
    int owner;
    float targetX;  // player 1; 0: out of the round
    float ownerX;   // player 0
    float sign;     // of vx after
  } cases[] = {
      {"a target to the right", 0, 500, 100, 1.0f},
      {"a target to the left", 0, 100, 500, -1.0f},
      {"no target: toward the owner on the right", 0, 0, 400, 1.0f},
      {"no target: toward the owner on the left", 0, 0, 200, -1.0f},
      {"nobody's shot without a target: the tie takes the second turn", kNobody, 0, 400, -1.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& shot = Shot(c.owner);
    g_match.playerCount = 2;
    shot.speed = 100;
    shot.vx = 0;
    shot.vy = 100;
    g_players[0].x = c.ownerX;
    g_players[0].y = 0;
    g_players[1].x = c.targetX;
    g_players[1].y = 200;
    if (c.targetX == 0) g_players[1].state = kStateKnockedOut;
    if (c.owner == kNobody) g_players[0].state = kStateKnockedOut;
    HomeShotTurnLimited(&shot, 0, 10, 0, 1, 8);
    EXPECT_NEAR(shot.vx * c.sign, 100.0f * -NegSinOf(8) / 256.0f, 0.01f);
    EXPECT_NEAR(shot.vy, 100.0f * CosOf(8) / 256.0f, 0.01f);
  }
}

TEST(ShotSteering, Retarget) {
  struct Case {
    const char* name;
    int age;
    int mode;
    int markerTimer;
    int owner;
    int ageAfter;
    int headingAfter;
    float vxAfter;  // NAN: not looked at
  } cases[] = {
      {"slowing, mode 0", 10, 0, 0, 0, 10, 40, 4 * 0.97f},
      {"slowing, mode 1", 10, 1, 0, 0, 10, 40, 4 * 0.95f},
      {"spinning up", 30, 0, 0, 0, 30, 120, 0},
      {"a marker calls it round at once", 10, 0, 5, 0, 44, 1, 3},
      {"at t, mode 2 goes for the nearest", 44, 2, 0, 0, 44, 1, 3},
      {"at t, mode 1 goes for the marker", 44, 1, 5, 0, 44, 193, NAN},
      {"at t, mode 1 without a marker goes for the owner", 44, 1, 0, 0, 44, 65, NAN},
      {"at t, nobody's mode 1 measures to itself", 44, 1, 0, kNobody, 44, 1, 3},
      {"at t, mode 3 keeps the second heading", 44, 3, 0, 0, 44, 77, NAN},
      {"after t nothing", 45, 0, 5, 0, 45, 40, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& shot = Shot(c.owner);
    g_match.playerCount = 2;
    g_players[0].x = 300;
    g_players[0].y = 100;
    g_players[1].x = 400;
    g_players[1].y = 200;
    g_markerPoints[0].x = 300;
    g_markerPoints[0].y = 300;
    g_markerPoints[0].timer = c.markerTimer;
    shot.heading = 40;
    shot.pushHeading = 77;
    shot.stateTimer = c.age;
    RetargetShot(&shot, 44, 3.0f, static_cast<int16_t>(c.mode), 24);
    EXPECT_EQ(shot.stateTimer, c.ageAfter);
    EXPECT_EQ(shot.heading, c.headingAfter);
    if (!std::isnan(c.vxAfter)) {
      EXPECT_NEAR(shot.vx, c.vxAfter, 1e-2f);
    }
    if (c.age < 20) {
      EXPECT_EQ(shot.pushHeading, 40) << "the heading kept while slowing";
    }
  }
}

TEST(ShotSteering, HostileValuesStayDefined) {
  for (int heading : {INT32_MIN, -1, 256, INT32_MAX}) {
    BattleObject& shot = Shot();
    shot.heading = heading;
    shot.x = NAN;
    shot.recovery = INT32_MIN;
    HomeShotInWindow(&shot, 0, 10, 1, 1, INT16_MIN);
    HomeShotInWindow(&shot, 0, 10, 1, 1, INT16_MAX);
    TurnShotToPoint(&shot, 0, 10, 1, 1, INT16_MIN);
    AimShotAtPoint(&shot, 0, 10, 0, 1);
    EXPECT_GE(shot.heading, 0) << heading;
    EXPECT_LE(shot.heading, 255) << heading;
    HomeShotTurnLimited(&shot, 0, 10, -5, 5, 300);
    RetargetShot(&shot, INT32_MIN, 1.0f, INT16_MIN, INT16_MIN);
    RetargetShot(&shot, INT32_MAX, 1.0f, 1, INT16_MAX);
  }
  // A record outside the shot pool has no hit flags to read.
  Shot();
  BattleObject loose{};
  loose.stateTimer = 5;
  loose.speed = 1;
  loose.meter = 0;
  const int misses = IndexMisses;
  HomeShotInWindow(&loose, 0, 10, 0, 1, 255);
  EXPECT_EQ(IndexMisses, misses + 1);
  ScaleShotSpeed(nullptr, 2, 0, 10);
  RetargetShot(nullptr, 1, 1, 0, 0);
}

}  // namespace
