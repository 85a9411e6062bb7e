// Shot creation: slots and volleys, the generic fields, the damage record with its power-up,
// charge, low-life and handicap adjustments, the launch by kind and the finished motion.
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "tests/support/battle_state.h"
#include "tests/support/shots_made.h"

namespace {

using namespace veyrdale;
using testsupport::SetUpMatch;
using testsupport::ShotsMade;

// A move row with the five fields a shot copies.
void SetRow(int owner, int move, int damage, int stunDamage, int radius, int32_t hitClass = 0,
            int hitTag = 0) {
  MoveTableEntry& row = MoveTable[owner * 16 + move];
  row.damage = static_cast<uint16_t>(damage);
  row.stunDamage = static_cast<uint16_t>(stunDamage);
  row.hitRadius = static_cast<uint16_t>(radius);
  row.hitClass = hitClass;
  row.hitTag = static_cast<uint8_t>(hitTag);
}

BattleObject Source(int kind, float x = 100.0f, float y = 200.0f, int heading = 0) {
  BattleObject source{};
  source.kind = static_cast<uint16_t>(kind);
  source.x = x;
  source.y = y;
  source.heading = heading;
  return source;
}

int LiveShots() {
  int n = 0;
  for (const BattleObject& s : g_shots) n += s.state == 1 ? 1 : 0;
  return n;
}

TEST(ShotCreate, LowestFreeSlotAndVolleys) {
  struct Case {
    const char* name;
    std::vector<int> freeSlots;  // every other slot is live
    int volley;
    std::vector<int> made;  // slots that become live, in order
  } cases[] = {
      {"an empty pool starts at 0", {}, 1, {0}},
      {"slot 0 first even with higher ones free", {0, 3, 200}, 1, {0}},
      {"a volley of three in the free slots", {4, 9, 300}, 3, {4, 9, 300}},
      {"511 live: one shot of three", {17}, 3, {17}},
      {"a full pool: nothing", {-1}, 3, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({0, 1});
    if (!c.freeSlots.empty()) {
      for (BattleObject& s : g_shots) s.state = 1;
      for (int slot : c.freeSlots) {
        if (slot >= 0) g_shots[slot].state = 0;
      }
    }
    const int before = LiveShots();
    // Character 11's move 5 is a volley of three, its move 2 a single shot.
    BattleObject source = Source(11);
    CreateShot(&source, c.volley == 3 ? 5 : 2, 0);
    EXPECT_EQ(LiveShots() - before, static_cast<int>(c.made.size()));
    EXPECT_EQ(ShotsMade(11), static_cast<int64_t>(c.made.size()));
    for (int slot : c.made) {
      EXPECT_EQ(g_shots[slot].state, 1) << slot;
      EXPECT_EQ(g_shots[slot].stun, static_cast<float>(slot)) << "its own slot";
    }
  }
}

TEST(ShotCreate, GenericFieldsDamageRecordAndClearedFlags) {
  SetUpMatch({3, 1});
  SetRow(0, 7, 12, 16, 24, 0x30002, 9);
  BattleObject& stale = g_shots[0];
  stale.guard = 5;
  stale.stateTimer = 77;
  stale.recovery = 320280;
  stale.z = -20.0f;
  for (uint8_t& flag : ShotHitFlags[0]) flag = 1;
  BattleObject source = Source(3);
  CreateShot(&source, 7, 0);
  const BattleObject& shot = g_shots[0];
  EXPECT_EQ(shot.kind, 3);
  EXPECT_EQ(shot.move, 7);
  EXPECT_EQ(shot.state, 1);
  EXPECT_EQ(shot.guard, 0);
  EXPECT_EQ(shot.stun, 0.0f);
  EXPECT_EQ(shot.meter, 0.0f);
  EXPECT_EQ(shot.owner, 0);
  EXPECT_EQ(shot.stateTimer, 0);
  EXPECT_EQ(shot.recovery, 0);
  EXPECT_EQ(shot.z, 0.0f);
  const ShotDamageRecord& record = g_shotDamage[0];
  EXPECT_EQ(record.damage, 12);
  EXPECT_EQ(record.stunDamage, 16);
  EXPECT_EQ(record.hitRadius, 24);
  EXPECT_EQ(record.hitClass, 2) << "the low 16 bits";
  EXPECT_EQ(record.hitTag, 9);
  for (int p = 0; p < 4; ++p) EXPECT_EQ(ShotHitFlags[0][p], 0) << p;
  // A negative move is kept sign-extended and reads no row.
  const int misses = IndexMisses;
  CreateShot(&source, -3, 0);
  EXPECT_EQ(g_shots[1].move, -3);
  EXPECT_EQ(g_shotDamage[1].damage, 0);
  EXPECT_EQ(IndexMisses, misses + 1);
}

TEST(ShotCreate, SideByOwnerOrTeam) {
  struct Case {
    int teamMode;
    int owner;
    float side;
  } cases[] = {{0, 2, 2.0f}, {1, 2, 1.0f}, {1, 0, 0.0f}, {1, 4, 4.0f}, {0, 4, 4.0f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.teamMode) + " " + std::to_string(c.owner));
    SetUpMatch({0, 1, 2, 3});
    g_match.teamMode = c.teamMode;
    for (int p = 0; p < 4; ++p) g_match.team[p] = p % 2 == 0 ? 0 : 1;
    g_match.team[2] = 1;
    BattleObject source = Source(0);
    CreateShot(&source, 1, c.owner);
    EXPECT_EQ(g_shots[0].meter, c.side);
  }
}

TEST(ShotCreate, DamageAdjustments) {
  struct Case {
    const char* name;
    int kind;
    int move;
    int owner;
    int damage;  // in the row
    int powerUp;
    int lowLife;
    int handicap;
    float sourceSpeed;
    int expected;
  } cases[] = {
      {"plain", 0, 7, 0, 12, 0, 0, 2, 0, 12},
      {"handicap 4", 0, 7, 0, 10, 0, 0, 4, 0, 12},
      {"handicap 0", 0, 7, 0, 10, 0, 0, 0, 0, 8},
      {"handicap 3 keeps 7", 0, 7, 0, 7, 0, 0, 3, 0, 7},
      {"power-up bonus", 2, 8, 0, 10, 5, 0, 2, 0, 22},
      {"negative bonus stops at 0", 3, 2, 0, 2, 5, 0, 2, 0, 0},
      {"each step stops at 0, low life adds after", 3, 2, 0, 2, 5, 1, 2, 0, 8},
      {"move 11 reads the next character's row", 9, 11, 0, 10, 5, 0, 2, 0, 14},
      {"past the table nothing", 15, 11, 0, 10, 5, 0, 2, 0, 10},
      {"no power-up, no bonus", 2, 8, 0, 10, 0, 0, 2, 0, 10},
      {"low life move 4", 1, 4, 0, 10, 0, 1, 2, 0, 20},
      {"low life move 11 adds nothing", 1, 11, 0, 10, 0, 1, 2, 0, 10},
      {"all three", 0, 1, 0, 6, 5, 1, 4, 0, 7},
      {"nobody's shot is never adjusted", 0, 1, 4, 10, 5, 1, 4, 0, 10},
      {"character 4 move 5 at speed", 4, 5, 0, 10, 0, 0, 2, 16, 82},
      {"character 4 move 5 too slow", 4, 5, 0, 10, 0, 0, 2, 15, 10},
      {"65535 cap", 2, 8, 0, 65530, 5, 0, 2, 0, 65535},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({0, 1});
    SetRow(c.owner, c.move, c.damage, 0, 20);
    // The owner's state is set on every player, so that owner 4 would find it anywhere.
    for (int p = 0; p < 4; ++p) {
      g_playerState.powerUp[p] = c.powerUp;
      g_playerState.lowLifeMode[p] = static_cast<uint8_t>(c.lowLife);
      g_match.handicap[p] = c.handicap;
    }
    BattleObject source = Source(c.kind);
    source.speed = c.sourceSpeed;
    CreateShot(&source, static_cast<int16_t>(c.move), c.owner);
    EXPECT_EQ(g_shotDamage[0].damage, c.expected);
  }
}

TEST(ShotCreate, RadiusByPowerUpAndCharge) {
  struct Case {
    const char* name;
    int kind;
    int move;
    int radius;  // in the row
    int powerUp;
    int32_t held;  // the source's stateTimer
    int expected;
  } cases[] = {
      {"character 0 charge", 0, 5, 20, 0, 100, 106},
      {"its own row's 28", 0, 5, 28, 0, 100, 114},
      {"character 10 charge", 10, 5, 20, 0, 100, 126},
      {"character 5 charge", 5, 5, 20, 0, 100, 167},
      {"held past the range: 0, not a wrap", 0, 5, 20, 0, INT32_MAX, 0},
      {"a timer far below: the cap", 0, 5, 20, 0, INT32_MIN, 65535},
      {"no charge on move 4", 0, 4, 20, 0, 100, 20},
      {"character 2 move 7 powered", 2, 7, 20, 3, 0, 30},
      {"character 4 move 2 powered", 4, 2, 20, 3, 0, 35},
      {"character 5 move 7 powered truncates", 5, 7, 21, 3, 0, 31},
      {"character 2 move 6 powered: no", 2, 6, 20, 3, 0, 20},
      {"not powered", 4, 2, 20, 0, 0, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({0, 1});
    SetRow(0, c.move, 1, 0, c.radius);
    g_playerState.powerUp[0] = c.powerUp;
    BattleObject source = Source(c.kind);
    source.stateTimer = c.held;
    CreateShot(&source, static_cast<int16_t>(c.move), 0);
    EXPECT_EQ(g_shotDamage[0].hitRadius, c.expected);
  }
}

TEST(ShotCreate, LaunchByKind) {
  struct Case {
    int kind;
    int move;
    int shots;  // 0: no launcher
  } cases[] = {{11, 5, 3}, {15, 6, 8}, {16, 1, 0}, {50, 1, 0}, {52, 1, 0}, {65535, 1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    SetUpMatch({0, 1});
    BattleObject source = Source(c.kind, 50.0f, 60.0f, 64);
    CreateShot(&source, static_cast<int16_t>(c.move), 0);
    EXPECT_EQ(LiveShots(), c.shots == 0 ? 1 : c.shots) << "a kind without a launcher: one";
    EXPECT_EQ(g_playerState.shotsFired[0], c.shots) << "every launch call counts";
    if (c.shots == 0) {
      EXPECT_EQ(g_shots[0].heading, 0) << "nothing placed it";
      EXPECT_EQ(g_shots[0].speed, 0.0f);
    }
  }
}

TEST(ShotCreate, CompanionShotsStayWithTheCompanion) {
  for (int kind : {4, 3}) {
    SetUpMatch({kind, 1});
    BattleObject source = Source(kind);
    source.drawTag = 9999;
    CreateShot(&source, 3, 0);
    EXPECT_EQ(g_shots[0].guard, kind == 4 ? 1 : 0) << kind;
  }
}

TEST(ShotCreate, VelocityWithExactAxesAndTrail) {
  struct Case {
    int heading;
    bool vxZero;
    bool vyZero;
  } cases[] = {{0, false, true},   {64, true, false},  {128, false, true},
               {192, true, false}, {32, false, false}, {300, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.heading);
    SetUpMatch({0, 1});
    BattleObject source = Source(8, 100.0f, 200.0f, c.heading);
    CreateShot(&source, 9, 0);
    const BattleObject& shot = g_shots[0];
    EXPECT_EQ(shot.pushHeading, c.heading & 255) << "the second heading";
    if (c.vxZero) {
      EXPECT_EQ(shot.vx, 0.0f);
    }
    if (c.vyZero) {
      EXPECT_EQ(shot.vy, 0.0f);
    }
    if (!c.vxZero) {
      EXPECT_NE(shot.vx, 0.0f);
    }
    if (!c.vyZero) {
      EXPECT_NE(shot.vy, 0.0f);
    }
    EXPECT_NEAR(shot.vx * shot.vx + shot.vy * shot.vy, 16.0f, 0.01f) << "8/9 goes 4 a frame";
    EXPECT_FLOAT_EQ(shot.trailX[0], 100.0f - shot.vx * 2.2f);
    EXPECT_FLOAT_EQ(shot.trailY[0], 200.0f - shot.vy * 2.2f);
  }
  // Heading 0 at speed 4 from x 100: the trail starts 8.8 behind.
  SetUpMatch({0, 1});
  BattleObject source = Source(8, 100.0f, 200.0f, 0);
  CreateShot(&source, 9, 0);
  EXPECT_FLOAT_EQ(g_shots[0].vx, 4.0f);
  EXPECT_FLOAT_EQ(g_shots[0].trailX[0], 91.2f);
}

TEST(ShotCreate, RefusesWhatCannotBeAShot) {
  SetUpMatch({0, 1});
  BattleObject source = Source(8);
  const int misses = IndexMisses;
  CreateShot(nullptr, 1, 0);
  CreateShot(&source, 1, 5);
  CreateShot(&source, 1, -1);
  EXPECT_EQ(LiveShots(), 0);
  EXPECT_EQ(IndexMisses, misses + 3);
  // A freed shot record as the source is not overwritten by its own child.
  BattleObject& freed = g_shots[0];
  freed = Source(8, 40.0f, 50.0f);
  CreateShot(&freed, 9, 0);
  EXPECT_EQ(g_shots[0].state, 0);
  EXPECT_EQ(g_shots[1].state, 1);
  EXPECT_EQ(g_shots[1].x, 40.0f);
}

}  // namespace
