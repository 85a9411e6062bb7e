// Shots and the arena: obstacle damage by hit class and scene frame, strengths, breaks and their
// outcomes, gate cells, the class-1 bounce, and the removal and edge reaction at the border.
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "game/battle/access.h"
#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/battle/player_control.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "morrow/system/time.h"
#include "tests/game/battle/effects_made.h"
#include "tests/game/battle/items_made.h"
#include "tests/support/battle_state.h"
#include "tests/support/shots_made.h"

namespace {

using namespace veyrdale;
using testsupport::EffectsWithCode;
using testsupport::FirstEffectWithCode;
using testsupport::LiveEffects;
using testsupport::SetUpMatch;

int32_t& State(int c, int r) {
  return g_arenaMap.cellState[c + kMapColumns * r];
}

int32_t& Open(int c, int r) {
  return g_arenaMap.openTimer[c + kMapColumns * r];
}

// A still shot in slot 0 of player 0 (character `kind`) at (x, y): damage 24, radius 32.
BattleObject& ShotAt(float x, float y, int hitClass = 0, int kind = 0, int owner = 0) {
  BattleObject source{};
  source.kind = static_cast<uint16_t>(kind);
  source.x = x;
  source.y = y;
  CreateShot(&source, 2, owner);
  // Only what the hit lays counts: the effects of the launch go.
  for (int i = 0; i < kEffectCount; ++i) {
    g_effects[i] = EffectRecord{};
    g_effectInUse[i] = 0;
  }
  BattleObject& shot = g_shots[0];
  // Wherever the character's launcher put it: here, still, facing right.
  shot.x = x;
  shot.y = y;
  shot.heading = 0;
  shot.vx = shot.vy = shot.speed = 0.0f;
  g_shotDamage[0] = ShotDamageRecord{24, 0, 32, static_cast<uint16_t>(hitClass), 0};
  return shot;
}

// The centre of cell (c, r).
float Centre(int index) {
  return static_cast<float>(32 * index + 16);
}

void Update() {
  UpdateShot(&g_shots[0], 0);
}

TEST(ShotObstacle, BlockStrengthByArenaValueAndOption) {
  struct Case {
    int arena;
    int value;
    int option;
    int strength;
  } cases[] = {
      {0, 1, 1, 280}, {0, 1, 0, 140}, {0, 1, 2, 560}, {0, 2, 1, 444}, {6, 3, 2, 1800},
      {7, 1, 0, 64},  {8, 4, 1, 280}, {8, 5, 1, 280}, {8, 5, 0, 140}, {9, 2, 0, 500},
      {9, 2, 2, 500}, {7, 2, 1, 0},   {0, 3, 1, 0},   {10, 1, 1, 0},  {-1, 1, 1, 0},
      {0, 0, 1, 0},   {0, 6, 1, 0},   {0, 44, 1, 0},  {5, 1, 3, 280},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.arena) + " " + std::to_string(c.value) + " " +
                 std::to_string(c.option));
    g_options.obstacleStrength = c.option;
    EXPECT_EQ(BlockStrength(c.arena, c.value), c.strength);
  }
  g_options = OptionSettings{};
}

TEST(ShotObstacle, BreaksAtTheStrengthOfTheOption) {
  struct Case {
    int option;
    int before;  // damage the cell has taken
    bool breaks;
  } cases[] = {{0, 116, true},  {0, 115, false}, {1, 256, true},
               {1, 255, false}, {2, 536, true},  {2, 535, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.option) + " " + std::to_string(c.before));
    SetUpMatch({0, 1}, 0);
    g_options.obstacleStrength = c.option;
    SetCell(5, 5, 1);
    State(5, 5) = c.before;
    ShotAt(Centre(5), Centre(5)).move = 9;  // a move that does not shake on impact
    Update();
    EXPECT_EQ(State(5, 5), c.before + 24);
    EXPECT_EQ(Open(5, 5), c.breaks ? 96 : 0);
    EXPECT_EQ(g_playerState.obstaclesBroken[0], c.breaks ? 1 : 0);
    EXPECT_EQ(ScreenShake, c.breaks ? 20 : 0);
    EXPECT_EQ(testsupport::ItemsInPool(), c.breaks ? 16 : 0);
    if (c.breaks) {
      // Thrown from the cell's centre.
      EXPECT_EQ(testsupport::LastItem()->x, Centre(5));
      EXPECT_EQ(testsupport::LastItem()->y, Centre(5));
    }
    EXPECT_EQ(g_shots[0].state, 0) << "struck";
  }
}

TEST(ShotObstacle, HitClassesBySceneFrame) {
  struct Case {
    const char* name;
    int hitClass;
    int sceneFrame;
    int ownerCharacter;
    int damage;     // taken by the cell
    int shotState;  // after
    int struck;     // sound and impact reaction ran (character 0's move 2 shakes the screen by 10)
    int effects;    // what the hit effect laid: ring A 9, character 10's class 3 a spark more
    int child = 0;  // the move the cell reaction follows up with; its launch lays effects too
  } cases[] = {
      {"class 0", 0, 1, 0, 24, 0, 1, 9},
      {"class 2 on a frame of 4", 2, 4, 0, 12, 1, 1, 9},
      {"class 2 between", 2, 5, 0, 0, 1, 0, 0},
      {"class 2 of character 8 on any frame, its rush then ends", 2, 5, 8, 12, 0, 1, 0},
      {"class 5 on a frame of 4", 5, 8, 0, 12, 0, 1, 0},
      {"class 5 between", 5, 9, 0, 0, 1, 0, 0},
      {"class 3 on an odd frame", 3, 1, 0, 48, 0, 1, 0},
      {"class 3 on an even frame: removed instead", 3, 2, 0, 0, 0, 0, 0},
      {"class 3 of character 10", 3, 2, 10, 24, 0, 1, 10, 7},
      {"class 4 on a frame of 5", 4, 10, 0, 48, 1, 1, 0},
      {"class 4 between", 4, 11, 0, 0, 1, 0, 0},
      {"class 6 never", 6, 1, 0, 0, 1, 0, 0},
      {"class 7 removed", 7, 1, 0, 24, 0, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // What one launch of the follow-up's move lays from the same shot in the same set-up.
    int followUpEffects = 0;
    if (c.child != 0) {
      SetUpMatch({c.ownerCharacter, 1}, 0);
      SceneFrame = c.sceneFrame;
      CreateShot(&ShotAt(Centre(5), Centre(5), c.hitClass, c.ownerCharacter),
                 static_cast<int16_t>(c.child), 0);
      followUpEffects = LiveEffects();
    }
    SetUpMatch({c.ownerCharacter, 1}, 0);
    SceneFrame = c.sceneFrame;
    SetCell(5, 5, 1);
    ShotAt(Centre(5), Centre(5), c.hitClass, c.ownerCharacter);
    ScreenShake = 0;
    Update();
    EXPECT_EQ(State(5, 5), c.damage);
    EXPECT_EQ(g_shots[0].state, c.shotState);
    EXPECT_EQ(LiveEffects(), c.effects + followUpEffects);
    if (c.ownerCharacter == 0) {
      EXPECT_EQ(ScreenShake, c.struck * 10);
    }
  }
}

TEST(ShotObstacle, ValueFourStopsOnlySomeClasses) {
  for (int hitClass : {0, 2, 4}) {
    SCOPED_TRACE(hitClass);
    SetUpMatch({0, 1}, 8);
    SceneFrame = 20;
    SetCell(5, 5, 4);
    ShotAt(Centre(5), Centre(5), hitClass);
    ScreenShake = 0;
    Update();
    EXPECT_EQ(State(5, 5), hitClass == 0 ? 24 : hitClass == 2 ? 12 : 48) << "arena 8's value 4";
    EXPECT_EQ(ScreenShake, hitClass == 0 ? 10 : 0) << "struck, with its reaction";
  }
}

TEST(ShotObstacle, BreakOutcomesByArena) {
  struct Case {
    const char* name;
    int arena;
    int col;
    int value;
    std::function<void()> check;
  } cases[] = {
      {"arena 0 value 2 clears its right neighbour and places objects", 0, 5, 2,
       [] {
         EXPECT_EQ(CellValue(6, 5), 0);
         EXPECT_EQ(CellValue(7, 5), 7);
         EXPECT_EQ(g_familiars[0].kind, 0) << "the pole placed";
         EXPECT_EQ(g_familiars[0].state, 1);
       }},
      {"arena 0 value 1 clears nothing", 0, 5, 1,
       [] {
         EXPECT_EQ(CellValue(6, 5), 7);
         EXPECT_EQ(g_familiars[0].state, 0) << "nothing placed";
       }},
      {"arena 2 value 2 clears two", 2, 5, 2,
       [] {
         EXPECT_EQ(CellValue(6, 5), 0);
         EXPECT_EQ(CellValue(7, 5), 0);
         EXPECT_EQ(CellValue(8, 5), 7);
       }},
      {"arena 2 value 2 at column 17", 2, 17, 2,
       [] {
         EXPECT_EQ(CellValue(18, 5), 0);
         EXPECT_EQ(CellValue(19, 5), 0);
       }},
      {"arena 2 value 2 at column 19 stays in its row", 2, 19, 2,
       [] {
         EXPECT_EQ(CellValue(0, 6), 9);
         EXPECT_EQ(CellValue(1, 6), 9);
         EXPECT_EQ(Open(19, 5), 96);
       }},
      {"arena 3 value 1", 3, 5, 1, [] { EXPECT_EQ(CellValue(6, 5), 0); }},
      {"arena 4 value 2", 4, 5, 2, [] { EXPECT_EQ(CellValue(6, 5), 0); }},
      {"arena 6 value 3 keeps blocking and seals the gates", 6, 5, 3,
       [] {
         EXPECT_EQ(Open(5, 5), -96);
         EXPECT_EQ(g_familiars[0].kind, 5) << "the cannon placed";
         EXPECT_EQ(g_familiars[0].state, 2);
         EXPECT_EQ(CellValue(14, 19), 4);
         EXPECT_EQ(CellValue(0, 0), 4);
         EXPECT_EQ(CellValue(15, 3), 33) << "columns 0-14 only";
         EXPECT_EQ(CellValue(3, 20), 33) << "rows 0-19 only";
       }},
      {"arena 8 value 3", 8, 5, 3, [] { EXPECT_EQ(CellValue(6, 5), 0); }},
      {"arena 9 value 2", 9, 5, 2,
       [] {
         EXPECT_EQ(CellValue(6, 5), 0);
         // Kind 118: code 133 at the cell's centre.
         const EffectRecord* effect = FirstEffectWithCode(133);
         ASSERT_NE(effect, nullptr);
         EXPECT_EQ(effect->x, Centre(5));
       }},
      {"arena 7 value 1 (no outcome)", 7, 5, 1, [] { EXPECT_EQ(CellValue(6, 5), 7); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({0, 1}, c.arena);
    for (int col = 0; col < kMapColumns; ++col) SetCell(col, 6, 9);
    for (int col = c.col + 1; col < kMapColumns; ++col) SetCell(col, 5, 7);
    SetCell(15, 3, 33);
    SetCell(14, 19, 33);
    SetCell(0, 0, 33);
    SetCell(3, 20, 33);
    SetCell(c.col, 5, c.value);
    State(c.col, 5) = 5000;
    ShotAt(Centre(c.col), Centre(5));
    Update();
    EXPECT_NE(Open(c.col, 5), 0) << "broken";
    c.check();
  }
}

TEST(ShotObstacle, ArenaEightRewards) {
  // In a survival run the reward is a push (k 0) or a neutral shot with two effects (k 3).
  int pushes = 0;
  int shots = 0;
  for (int seed = 1; seed <= 24; ++seed) {
    SetUpMatch({0, 1}, 8);
    g_match.survivalMode = 1;
    morrow::SeedRandom(seed);
    SetCell(5, 5, 1);
    State(5, 5) = 5000;
    BattleObject& shot = ShotAt(Centre(5) - 20, Centre(5));
    shot.heading = 0;
    Update();
    const bool push = CellValue(5, 5) == 0;
    const bool neutral = testsupport::ShotsMade(testsupport::kNeutralShotKind) == 1;
    EXPECT_NE(push, neutral) << seed;
    if (push) {
      ++pushes;
      EXPECT_EQ(Open(5, 5), 0);
      // Kind 93: code 103 with the push's heading.
      const EffectRecord* effect = FirstEffectWithCode(103);
      ASSERT_NE(effect, nullptr);
      EXPECT_EQ(effect->heading, 128) << "toward the still shot, on the axis";
    } else {
      ++shots;
      EXPECT_EQ(EffectsWithCode(1), 2) << "kind 0 twice";
    }
  }
  EXPECT_GT(pushes, 0);
  EXPECT_GT(shots, 0);
  // Melee turns the rewards off.
  SetUpMatch({0, 1}, 8);
  g_options.meleeLevel = 1;
  SetCell(5, 5, 1);
  State(5, 5) = 5000;
  ShotAt(Centre(5), Centre(5));
  Update();
  EXPECT_EQ(CellValue(5, 5), 1);
  EXPECT_EQ(LiveEffects(), 9) << "the strike's ring A only";
  EXPECT_EQ(testsupport::ItemsInPool(), 16) << "only the break's own items";
}

TEST(ShotObstacle, GateCellsDamageTheirAnchor) {
  struct Case {
    const char* name;
    int col;        // of the gate the shot stands over
    int gate;       // its value
    int leftValue;  // of the cell to its left
    int anchorCol;
    int anchorRow;
  } cases[] = {
      {"one column left", 5, 31, 2, 4, 5},
      {"two left past another gate", 5, 32, 31, 3, 5},
      {"the cell left holds 33", 5, 31, 33, 8, 7},
      {"at column 0: nothing to its left", 0, 31, 0, 0, 5},
      {"at column 1 with a gate left of it: no anchor inside", 1, 32, 31, 1, 5},
      {"at column 1", 1, 31, 0, 0, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({0, 1}, 0);
    SetCell(19, 4, 33);  // what a read before the row would find
    if (c.col > 0) SetCell(c.col - 1, 5, c.leftValue);
    SetCell(c.col, 5, c.gate);
    ShotAt(Centre(c.col), Centre(5));
    g_shotDamage[0].hitRadius = 16;  // one cell wide
    Update();
    EXPECT_EQ(State(c.anchorCol, c.anchorRow), 24);
    if (c.anchorCol != c.col || c.anchorRow != 5) {
      EXPECT_EQ(State(c.col, 5), 0);
    }
    EXPECT_EQ(IndexMisses, 0);
  }
}

TEST(ShotObstacle, ClassOneBounce) {
  struct Case {
    const char* name;
    float x, y, oldX, oldY, vx, vy;
    int heading;
    int life;
    int headingAfter;
    float vxAfter, vyAfter, xAfter, yAfter;
    int state;
  } cases[] = {
      {"moving right into a side", 162, 176, 156, 176, 4, 0, 0, 2, 128, -4, 0, 156, 176, 1},
      {"moving right and up", 162, 176, 156, 176, 4, -1, 32, 2, 96, -4, -1, 156, 176, 1},
      {"moving down onto a top", 176, 162, 176, 156, 0, 4, 192, 2, 64, 0, -4, 176, 152, 1},
      {"no bounces left", 162, 176, 156, 176, 4, 0, 0, 0, 0, 4, 0, 162, 176, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({0, 1}, -1);
    SetCell(5, 5, 1);
    BattleObject& shot = ShotAt(c.x, c.y, 1);
    g_shotDamage[0].hitRadius = 16;
    shot.trailX[0] = c.oldX;
    shot.trailY[0] = c.oldY;
    shot.vx = c.vx;
    shot.vy = c.vy;
    shot.heading = c.heading;
    shot.life = c.life;
    Update();
    EXPECT_EQ(shot.state, c.state);
    EXPECT_EQ(shot.heading, c.headingAfter);
    EXPECT_EQ(shot.vx, c.vxAfter);
    EXPECT_EQ(shot.vy, c.vyAfter);
    EXPECT_EQ(shot.x, c.xAfter);
    EXPECT_EQ(shot.y, c.yAfter);
    if (c.state == 1) {
      EXPECT_EQ(shot.life, c.life - 1);
    }
    EXPECT_EQ(State(5, 5), 0) << "no arena: no damage";
  }
}

TEST(ShotObstacle, NoDamageOutsideTheTenArenas) {
  for (int arena : {-1, 10, 255}) {
    SCOPED_TRACE(arena);
    SetUpMatch({0, 1}, arena);
    SetCell(5, 5, 1);
    State(5, 5) = 270;
    ShotAt(Centre(5), Centre(5));
    Update();
    EXPECT_EQ(State(5, 5), 270);
    EXPECT_EQ(Open(5, 5), 0);
    EXPECT_EQ(g_shots[0].state, 0) << "the cell still stops it";
  }
}

TEST(ShotObstacle, NobodysBreakCountsForNobody) {
  SetUpMatch({0, 1}, 0);
  SetCell(5, 5, 1);
  State(5, 5) = 5000;
  ShotAt(Centre(5), Centre(5), 0, 51, kNobody);
  Update();
  EXPECT_EQ(Open(5, 5), 96);
  EXPECT_EQ(ScreenShake, 20);
  EXPECT_EQ(testsupport::ItemsInPool(), 0);
  for (int p = 0; p < 4; ++p) EXPECT_EQ(g_playerState.obstaclesBroken[p], 0);
}

// ---- The border ---------------------------------------------------------------------------

TEST(ShotEdge, RemovalAndEdgeReaction) {
  struct Case {
    const char* name;
    int kind;
    int move;
    float x, y;
    int radius;
    int state;  // after
    bool edge;  // the edge reaction ran
  } cases[] = {
      {"x 705 removed", 3, 1, 705, 200, 16, 0, true},
      {"x 704 kept", 3, 1, 704, 200, 16, 1, true},
      {"x -65 removed", 3, 1, -65, 200, 16, 0, true},
      {"y 545 removed", 3, 1, 300, 545, 16, 0, true},
      {"character 8 move 6 may leave", 8, 6, 705, 200, 16, 1, true},
      {"character 9 move 13 may leave", 9, 13, 705, 200, 16, 1, true},
      {"nobody's move 8 may leave", 51, 8, 705, 200, 16, 1, true},
      {"character 9 move 4 may not", 9, 4, 705, 200, 16, 0, true},
      {"x 700 touches the edge", 3, 1, 700, 200, 10, 1, true},
      {"x 638 with radius 10 inside", 3, 1, 638, 200, 10, 1, false},
      {"x 639 with radius 10 outside", 3, 1, 639, 200, 10, 1, true},
      {"y 480 with radius 8 inside", 3, 1, 300, 480, 8, 1, false},
      {"x 0 with radius 9 inside", 3, 1, 0, 200, 9, 1, false},
      {"x 0 with radius 10 outside", 3, 1, 0, 200, 10, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({0, 1});
    BattleObject source{};
    source.kind = static_cast<uint16_t>(c.kind);
    source.x = c.x;
    source.y = c.y;
    CreateShot(&source, static_cast<int16_t>(c.move), c.kind == 51 ? kNobody : 0);
    BattleObject& shot = g_shots[0];
    shot.x = c.x;
    shot.y = c.y;
    shot.vx = shot.vy = 0.0f;
    shot.life = 3;
    g_shotDamage[0].hitRadius = static_cast<uint16_t>(c.radius);
    UpdateShot(&shot, 0);
    EXPECT_EQ(shot.state, c.state);
    // Character 3's move 1 spends a bounce at the edge; the others have no edge reaction.
    const int bounced = c.edge && c.kind == 3 ? 1 : 0;
    EXPECT_EQ(shot.life, c.state == 0 ? 0 : 3 - bounced);
    EXPECT_EQ(shot.stateTimer, 1) << "aged either way";
  }
}

TEST(ShotEdge, AgeMovementAndTheOwnersEnd) {
  struct Case {
    const char* name;
    int age;
    int ownerState;
    int ownerKind;
    int powerUp;
    int state;
    float x;
    int ageAfter;
  } cases[] = {
      {"age 0 neither runs nor moves", 0, 0, 0, 0, 1, 300, 1},
      {"a delayed shot waits", -5, 0, 0, 0, 1, 300, -4},
      {"age 1 moves", 1, 0, 0, 0, 1, 302, 2},
      {"owner out of the round at 60", 60, kStateGhost, 0, 0, 0, 302, 60},
      {"owner out of the round at 59", 59, kStateGhost, 0, 0, 1, 302, 60},
      {"owner knocked out at 60", 60, kStateKnockedOut, 0, 0, 1, 302, 61},
      {"character 13 racing with its dashing owner", 3, kStateDash, 13, 9, 1, 306, 4},
      {"character 13 waits without the power-up", 3, kStateDash, 13, 0, 1, 300, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({c.ownerKind, 1});
    g_players[0].state = c.ownerState;
    g_playerState.powerUp[0] = c.powerUp;
    BattleObject source{};
    source.kind = static_cast<uint16_t>(c.ownerKind);
    source.x = 300;
    source.y = 300;
    CreateShot(&source, 9, 0);  // a move without a behaviour
    BattleObject& shot = g_shots[0];
    shot.x = 300;
    shot.y = 300;
    shot.vx = 2.0f;
    shot.vy = 0.0f;
    shot.stateTimer = c.age;
    UpdateShot(&shot, 0);
    EXPECT_EQ(shot.state, c.state);
    EXPECT_EQ(shot.x, c.x);
    EXPECT_EQ(shot.stateTimer, c.ageAfter);
  }
}

TEST(ShotEdge, HostileValuesStayDefined) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float x, y, vx;
    int heading;
    int radius;
    int16_t owner;
    int32_t age;
  } cases[] = {
      {nan, nan, nan, 0, 24, 0, 3},
      {inf, -inf, inf, INT32_MAX, 0, 0, 3},
      {3e9f, -3e9f, 1e30f, INT32_MIN, 65535, 0, INT32_MAX},
      {300, 200, 0, 1000000000, 24, 9, 3},
      {300, 200, 0, -7, 24, -2, 3},
      {176, 176, 0, 0, 0, 0, 3},
  };
  for (const Case& c : cases) {
    SetUpMatch({0, 1}, 6);
    for (int col = 0; col < kMapColumns; ++col) SetCell(col, 5, 31 + col % 3);
    g_players[1].x = 300;
    g_players[1].y = 200;
    g_players[1].life = 350;
    BattleObject source{};
    CreateShot(&source, 1, 0);
    BattleObject& shot = g_shots[0];
    shot.x = c.x;
    shot.y = c.y;
    shot.vx = c.vx;
    shot.heading = c.heading;
    shot.owner = c.owner;
    shot.stateTimer = c.age;
    shot.recovery = INT32_MIN;
    g_shotDamage[0].hitRadius = static_cast<uint16_t>(c.radius);
    g_shotDamage[0].hitClass = 1;
    shot.life = 5;
    const int misses = IndexMisses;
    UpdateShot(&shot, 0);
    EXPECT_EQ(IndexMisses, misses + (c.owner < 0 || c.owner > kNobody ? 1 : 0));
    EXPECT_GE(shot.stateTimer, c.age == INT32_MAX ? INT32_MAX : c.age);
  }
  const int misses = IndexMisses;
  UpdateShot(&g_shots[0], -1);
  UpdateShot(&g_shots[0], kShotCount);
  UpdateShot(nullptr, 0);
  EXPECT_EQ(IndexMisses, misses + 3);
}

}  // namespace
