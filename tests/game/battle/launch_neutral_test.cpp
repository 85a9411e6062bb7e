// The neutral launcher through CreateShot, as the arena objects fire: every move's shots, where
// they start, aim and how fast they go, move 3's columns by parity and arena, move 8's count by
// the scene frame and move 12's ring, with the owner's counts only for players.
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "tests/game/battle/effects_made.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;
using testsupport::SetUpMatch;

std::vector<const BattleObject*> Fire(BattleObject& source, int move, int owner = kNobody) {
  CreateShot(&source, static_cast<int16_t>(move), owner);
  std::vector<const BattleObject*> made;
  for (const BattleObject& s : g_shots) {
    if (s.state == 1) made.push_back(&s);
  }
  return made;
}

BattleObject Source(int heading = 40) {
  BattleObject s{};
  s.kind = 51;
  s.x = 300.0f;
  s.y = 200.0f;
  s.heading = heading;
  return s;
}

TEST(LaunchNeutral, EveryMove) {
  BuildTrigTables();                                     // before the table below reads it
  const float ax = 300.0f + CosOf(40) * 16.0f / 256.0f;  // 16 ahead, +6: the common start
  const float ay = 200.0f + NegSinOf(40) * 16.0f / 256.0f + 6.0f;
  struct Case {
    int move;
    int shots;
    float x, y;
    int heading;  // -1: not checked
    float speed;
  } cases[] = {
      {1, 1, 300, 200, 40, 0},
      {2, 1, 300, 200, 40, 0},
      {4, 1, 300 + CosOf(40) * 12.0f / 256.0f, 200 + NegSinOf(40) * 12.0f / 256.0f + 6.0f, 40, 0},
      {5, 1, ax, ay, 40, 24},
      {6, 1, 300, 152, -1, 4},
      {7, 7, ax, ay, -1, 4.5f},
      {9, 1, 300, 200, 0, 0},
      {10, 1, 316, 216, 40, 16},
      {11, 1, 300, 200, -1, 0},
      {13, 1, ax, ay, 0, 0},  // no rule: only the common start
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.move);
    SetUpMatch({0, 1});
    BattleObject source = Source();
    const std::vector<const BattleObject*> made = Fire(source, c.move);
    ASSERT_EQ(static_cast<int>(made.size()), c.shots);
    const BattleObject& s = *made[0];
    EXPECT_FLOAT_EQ(s.x, c.x);
    EXPECT_FLOAT_EQ(s.y, c.y);
    if (c.heading >= 0) {
      EXPECT_EQ(s.heading, c.heading);
    }
    EXPECT_EQ(s.speed, c.speed);
    EXPECT_EQ(s.owner, kNobody);
    EXPECT_EQ(IndexMisses, 0);
  }
}

TEST(LaunchNeutral, MoveThreeColumnsByParityAndArena) {
  struct Case {
    int attackDelay;
    int stage;
    std::vector<float> xs;
    bool stageDamage;
  } cases[] = {
      {0, 2, {519, 455, 183, 119}, false},
      {1, 2, {119, 183, 455, 519}, false},
      {-3, 2, {119, 183, 455, 519}, false},
      {6, 3, {519, 455, 183, 119}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.attackDelay << " stage " << c.stage);
    SetUpMatch({0, 1}, c.stage);
    BattleObject source = Source(192);
    source.y = -32.0f;
    source.attackDelay = static_cast<int16_t>(c.attackDelay);
    const std::vector<const BattleObject*> made = Fire(source, 3);
    ASSERT_EQ(made.size(), 4u);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(made[i]->x, c.xs[i]);
      EXPECT_EQ(made[i]->y, -10.0f);
      EXPECT_EQ(made[i]->heading, 192);
      EXPECT_EQ(made[i]->stateTimer, 16 * (4 - i)) << "later columns start later";
      if (c.stageDamage) {
        EXPECT_EQ(g_shotDamage[i].damage, 48);
        EXPECT_EQ(g_shotDamage[i].stunDamage, 45);
      } else {
        EXPECT_EQ(g_shotDamage[i].damage, MoveRow(4, 3).damage);
      }
    }
  }
}

TEST(LaunchNeutral, DamageFromTheSource) {
  SetUpMatch({0, 1});
  BattleObject source = Source();
  source.state = 3;
  Fire(source, 4);
  EXPECT_EQ(g_shotDamage[0].damage, 24);
  EXPECT_EQ(g_shotDamage[0].stunDamage, 38);
  source.state = 2;
  Fire(source, 4);
  EXPECT_EQ(g_shotDamage[1].damage, MoveRow(4, 4).damage);
  source.recovery = 61;
  Fire(source, 9);
  EXPECT_EQ(g_shotDamage[2].damage, 32);
  EXPECT_EQ(g_shotDamage[2].stunDamage, 46);
  source.recovery = -500;  // held at 0, not wrapped
  Fire(source, 9);
  EXPECT_EQ(g_shotDamage[3].damage, 0);
}

TEST(LaunchNeutral, MoveEightCountBySceneFrameOnTheRim) {
  struct Case {
    int sceneFrame;
    int shots;
  } cases[] = {{0, 4}, {999, 4}, {1000, 5}, {2500, 6}, {4000, 8}, {9000, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sceneFrame);
    SetUpMatch({0, 1});
    SceneFrame = c.sceneFrame;
    BattleObject source = Source();
    const std::vector<const BattleObject*> made = Fire(source, 8);
    ASSERT_EQ(static_cast<int>(made.size()), c.shots);
    for (const BattleObject* s : made) {
      const double ex = (s->x - 320.0) / 480.0;
      const double ey = (s->y - 240.0) / 420.0;
      EXPECT_NEAR(ex * ex + ey * ey, 1.0, 1e-3) << "on the rim around the arena";
      EXPECT_GE(s->speed, 1.75f);
      EXPECT_LE(s->speed, 2.75f);
    }
  }
}

TEST(LaunchNeutral, MoveSevenAndSixAngles) {
  SetUpMatch({0, 1});
  SceneFrame = 47;  // (47 mod 24) / 8 = 2
  BattleObject source = Source();
  const std::vector<const BattleObject*> seven = Fire(source, 7);
  ASSERT_EQ(seven.size(), 7u);
  for (int i = 0; i < 7; ++i) {
    const int n = 7 - i;
    const int base = (220 + 36 * n) & 255;
    EXPECT_LE((seven[i]->heading - base + 256) & 255, 38) << n;
    EXPECT_EQ(seven[i]->recovery, 2);
  }
  for (int i = 0; i < 40; ++i) {
    SetUpMatch({0, 1});
    BattleObject six = Source();
    const BattleObject& s = *Fire(six, 6)[0];
    const int off = (s.heading - 192 + 256) & 255;
    EXPECT_TRUE(off <= 24 || off >= 256 - 24) << s.heading;
  }
}

TEST(LaunchNeutral, MoveTwelveRing) {
  SetUpMatch({0, 1});
  BattleObject source = Source(0);
  source.stun = 1.0f;
  const std::vector<const BattleObject*> made = Fire(source, 12);
  ASSERT_EQ(made.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    const int n = 5 - i;
    const BattleObject& s = *made[i];
    EXPECT_EQ(s.recovery, n);
    EXPECT_EQ(s.stun, 1.0f) << "the source's, not its slot";
    EXPECT_EQ(s.heading, 148);
    EXPECT_FLOAT_EQ(s.x, 300.0f + CosOf(148) * 30.0f * n / 256.0f);
    EXPECT_FLOAT_EQ(s.y, 200.0f + NegSinOf(148) * 30.0f * n / 256.0f);
    EXPECT_EQ(s.speed, 0.0f);
  }
}

TEST(LaunchNeutral, OwnersCountOnlyForPlayers) {
  SetUpMatch({0, 1});
  g_playerState.specialMode[1] = 300;
  BattleObject source = Source();
  Fire(source, 1, 1);
  EXPECT_EQ(g_playerState.shotsFired[1], 1);
  EXPECT_EQ(g_playerState.specialMode[1], 108);
  Fire(source, 1, kNobody);
  for (int p = 0; p < 4; ++p) EXPECT_EQ(g_playerState.shotsFired[p], p == 1 ? 1 : 0);
  EXPECT_EQ(IndexMisses, 0);
}

TEST(LaunchNeutral, MoveFiveMarksEveryFifthFrame) {
  for (int frame : {10, 11}) {
    SetUpMatch({0, 1});
    SceneFrame = frame;
    BattleObject source = Source();
    Fire(source, 5);
    EXPECT_EQ(testsupport::LiveEffects() > 0, frame % 5 == 0) << frame;
  }
}

}  // namespace
