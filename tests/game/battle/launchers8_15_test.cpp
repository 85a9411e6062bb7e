// The launch routines of characters 8-15, driven through CreateShot as the attack input, the
// effects and the familiars fire them: every move's volley and where its shots go, character 9's
// target, character 10's hold, character 14's familiars, character 15's shot that hits only its
// owner, and sources that are nobody or hold odd values. The move blocks' rules are checked with
// those of characters 0-7.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/familiars.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "morrow/system/time.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;
using testsupport::SetUpMatch;

// Player 0 plays `kind` at (300, 200) facing `heading`; player 1 stands at (500, 100).
BattleObject& Shooter(int kind, int heading = 0, bool powered = false) {
  SetUpMatch({kind, 1});
  BattleObject& p = g_players[0];
  p.x = 300.0f;
  p.y = 200.0f;
  p.heading = heading;
  p.pushHeading = heading;
  g_players[1].x = 500.0f;
  g_players[1].y = 100.0f;
  g_playerState.powerUp[0] = powered ? 100 : 0;
  return p;
}

int LiveShots() {
  return static_cast<int>(
      std::count_if(std::begin(g_shots), std::end(g_shots), [](auto& s) { return s.state == 1; }));
}

// A stand-in source that carries a move on (an effect or a familiar) for player 0.
BattleObject Marked(int kind, float x, float y, int heading, int slot = 5) {
  BattleObject m{};
  m.kind = static_cast<uint16_t>(kind);
  m.x = x;
  m.y = y;
  m.heading = heading;
  m.meter = kFamiliarShotMark;
  m.stun = static_cast<float>(slot);
  return m;
}

float AlongX(float x, int heading, float n) {
  return x + CosOf(heading & 255) * n / 256.0f;
}
float AlongY(float y, int heading, float n) {
  return y + NegSinOf(heading & 255) * n / 256.0f;
}

TEST(Launchers8To15, EveryMoveMakesItsVolley) {
  // The live shots a move leaves (launch calls: `calls`, 0 for the same number), from the player
  // and while powered up, from seeded random numbers.
  struct Case {
    int kind, move;
    int shots, poweredShots;
    int calls = 0;
  } cases[] = {
      {8, 1, 1, 1},     {8, 2, 1, 1},     {8, 3, 4, 4},     {8, 4, 1, 1},     {8, 5, 4, 4},
      {8, 6, 1, 1},     {8, 7, 2, 2},     {8, 8, 1, 1},     {8, 9, 1, 1},     {8, 10, 16, 16},
      {9, 1, 0, 0, 1},  {9, 2, 1, 1},     {9, 3, 1, 3},     {9, 4, 1, 1},     {9, 5, 16, 16},
      {9, 6, 1, 1},     {9, 7, 1, 1},     {9, 8, 2, 2},     {9, 9, 1, 1},     {9, 10, 1, 1},
      {9, 11, 1, 1},    {9, 12, 1, 1},    {9, 13, 16, 16},  {10, 1, 1, 1},    {10, 2, 1, 1},
      {10, 3, 3, 3},    {10, 4, 1, 1},    {10, 5, 1, 1},    {10, 6, 1, 1},    {10, 7, 16, 16},
      {10, 8, 1, 1},    {10, 9, 1, 1},    {10, 10, 1, 1},   {10, 11, 1, 1},   {11, 1, 2, 2},
      {11, 2, 1, 1},    {11, 3, 2, 2},    {11, 4, 2, 2},    {11, 5, 3, 3},    {11, 6, 1, 1},
      {11, 7, 1, 1},    {11, 8, 2, 2},    {11, 10, 16, 16}, {12, 1, 2, 2},    {12, 2, 1, 1},
      {12, 3, 32, 32},  {12, 4, 0, 0, 1}, {12, 5, 1, 1},    {12, 6, 1, 1},    {12, 7, 1, 1},
      {12, 8, 1, 1},    {12, 9, 1, 1},    {13, 1, 1, 2},    {13, 2, 2, 4},    {13, 3, 1, 2},
      {13, 4, 4, 8},    {13, 5, 3, 3},    {13, 6, 1, 1},    {13, 7, 1, 1},    {13, 8, 1, 1},
      {13, 9, 4, 4},    {13, 10, 1, 1},   {14, 1, 0, 1, 1}, {14, 2, 0, 1, 1}, {14, 3, 0, 1, 1},
      {14, 4, 0, 1, 1}, {14, 5, 0, 1, 1}, {14, 6, 0, 1, 1}, {14, 7, 0, 1, 1}, {14, 8, 0, 1, 1},
      {14, 9, 0, 1, 1}, {14, 10, 1, 1},   {14, 11, 1, 1},   {15, 1, 1, 1},    {15, 2, 1, 2},
      {15, 3, 1, 1},    {15, 4, 1, 1},    {15, 5, 1, 1},    {15, 6, 8, 8},    {15, 7, 2, 2},
      {15, 8, 2, 2},    {15, 9, 1, 1},    {15, 10, 1, 1},   {15, 11, 1, 1},   {15, 12, 4, 4},
      {9, -1, 1, 1},    {12, 99, 1, 1},   {15, 0, 1, 1},
  };
  for (const Case& c : cases) {
    for (bool powered : {false, true}) {
      SCOPED_TRACE("character " + std::to_string(c.kind) + " move " + std::to_string(c.move) +
                   (powered ? " powered" : ""));
      BattleObject& p = Shooter(c.kind, 37, powered);
      morrow::SeedRandom(static_cast<uint32_t>(c.kind * 100 + c.move));
      const int misses = IndexMisses;
      CreateShot(&p, static_cast<int16_t>(c.move), 0);
      const int shots = powered ? c.poweredShots : c.shots;
      EXPECT_EQ(LiveShots(), shots);
      const int calls = c.calls != 0 && !(powered && c.kind == 14) ? c.calls : shots;
      EXPECT_EQ(g_playerState.shotsFired[0], calls);
      // A move outside 0-16 has no row, which shot creation counts as a miss.
      EXPECT_EQ(IndexMisses, misses + (c.move < 0 || c.move > 16 ? 1 : 0));
      for (const BattleObject& s : g_shots) {
        if (s.state != 1) continue;
        EXPECT_GE(s.heading, 0);
        EXPECT_LE(s.heading, 255);
        EXPECT_TRUE(std::isfinite(s.x) && std::isfinite(s.y));
        if (powered && c.kind == 14) {
          EXPECT_EQ(s.move, 11) << "the rush replaces every move";
        }
      }
    }
  }
}

TEST(Launchers8To15, PlacesAimsAndPaysAsDescribed) {
  // 8/3: the back fan starts 16 behind, +6, and carries the point 240 ahead of that start.
  BattleObject& p = Shooter(8);
  morrow::SeedRandom(3);
  const int r0 = morrow::GetRandomNumber(8);
  morrow::SeedRandom(3);
  CreateShot(&p, 3, 0);
  EXPECT_EQ(g_shots[0].heading, WrapHeading(-120 + r0 - 2));
  const float sx = AlongX(300.0f, 128, 16.0f);
  const float sy = AlongY(200.0f, 128, 16.0f) + 6.0f;
  EXPECT_FLOAT_EQ(g_shots[0].x, sx);
  EXPECT_EQ(g_shots[0].recovery, (static_cast<int>(sx + 240.0f) + 320) * 1000 +
                                     static_cast<int>(AlongY(sy, 0, 240.0f)) + 280);
  EXPECT_FLOAT_EQ(g_shots[0].vz, g_shots[0].speed);
  EXPECT_NEAR(p.vx, -4.0f, 1e-4);
  // 11/8: 222 along pushHeading + 4 (65 - k), +6; life by the timer's parity.
  BattleObject& q = Shooter(11);
  q.pushHeading = 10;
  q.stateTimer = -3;
  CreateShot(&q, 8, 0);
  EXPECT_FLOAT_EQ(g_shots[0].x, AlongX(300.0f, 10 + 4 * 63, 222.0f));
  EXPECT_FLOAT_EQ(g_shots[1].y, AlongY(200.0f, 10 + 4 * 64, 222.0f) + 6.0f);
  EXPECT_EQ(g_shots[0].life, 1);
  // 12/2 starts from the owner player even when another record fires it, turned away from the
  // side it faces.
  Shooter(12);
  BattleObject stand{};
  stand.kind = 12;
  stand.x = 40.0f;
  stand.y = 50.0f;
  CreateShot(&stand, 2, 0);
  EXPECT_FLOAT_EQ(g_shots[0].x, AlongX(300.0f, 200, 108.0f));
  // 13/9 around the owner's marker, falling from above.
  Shooter(13);
  g_markerPoints[0].x = 100.0f;
  g_markerPoints[0].y = 120.0f;
  CreateShot(&g_players[0], 9, 0);
  for (int slot = 0; slot < 4; ++slot) {
    EXPECT_LE(std::hypot(g_shots[slot].x - 100.0f, g_shots[slot].y - 120.0f), 102.5f);
    EXPECT_EQ(g_shots[slot].heading, 192);
    EXPECT_FLOAT_EQ(g_shots[slot].z, -512.0f);
    EXPECT_GE(g_shots[slot].attackDelay, 0);
    EXPECT_LE(g_shots[slot].attackDelay, 7);
  }
  // 10/3: the burst's first volley flashes and shoves the shooter back half a pixel.
  BattleObject& b = Shooter(10);
  CreateShot(&b, 3, 0);
  EXPECT_EQ(FlashFrames, 14);
  EXPECT_EQ(b.guard, -4);
  EXPECT_NEAR(b.vx, -0.5f, 1e-4);
  EXPECT_EQ(g_shots[0].heading, 3);
  // 12/4 from a marked source hands its attackDelay on; 9/1 from one falls from 600 above.
  Shooter(12);
  BattleObject seed = Marked(12, 80.0f, 90.0f, 0);
  seed.attackDelay = -7;
  CreateShot(&seed, 4, 0);
  EXPECT_EQ(g_shots[0].attackDelay, -7);
  EXPECT_FLOAT_EQ(g_shots[0].x, 80.0f);
  Shooter(9);
  BattleObject gap = Marked(9, 80.0f, 900.0f, 64);
  CreateShot(&gap, 1, 0);
  EXPECT_FLOAT_EQ(g_shots[0].y, 300.0f);
  EXPECT_GE(g_shots[0].speed, 6.0f);
}

TEST(Launchers8To15, NinesTargetIsTheNearestOrFarthestOpponent) {
  struct Case {
    const char* name;
    bool teams;
    bool button1;
    bool nobodyLeft;
    float x, y;  // the target
  } cases[] = {
      {"nearest", false, false, false, 350.0f, 200.0f},
      {"farthest with button 1", false, true, false, 300.0f, 500.0f},
      {"a team-mate is skipped", true, false, false, 400.0f, 200.0f},
      {"nobody left: the source itself", false, false, true, 300.0f, 200.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({9, 1, 2, 3});
    const float xs[4] = {300.0f, 350.0f, 400.0f, 300.0f};
    const float ys[4] = {200.0f, 200.0f, 200.0f, 500.0f};
    for (int i = 0; i < 4; ++i) {
      g_players[i].x = xs[i];
      g_players[i].y = ys[i];
      if (c.nobodyLeft && i > 0) g_players[i].state = kStateKnockedOut;
    }
    if (c.teams) {
      g_match.teamMode = 1;
      g_match.team[0] = g_match.team[1] = 0;
      g_match.team[2] = g_match.team[3] = 1;
    }
    HeldFrameCounts[kInputButton1][0] = c.button1 ? 5 : 0;
    CreateShot(&g_players[0], 3, 0);
    // 800 behind the target along heading 0, +6.
    EXPECT_FLOAT_EQ(g_shots[0].x, c.x - 800.0f);
    EXPECT_FLOAT_EQ(g_shots[0].y, c.y + 6.0f);
    EXPECT_EQ(g_shots[0].life, c.button1 ? 1 : 0);
    HeldFrameCounts[kInputButton1][0] = 0;
  }
}

TEST(Launchers8To15, TensHoldNamesAPlayerInRangeOnly) {
  for (int held : {0, 3, 4, -1, 7}) {
    SCOPED_TRACE(held);
    BattleObject& p = Shooter(10);
    p.recovery = held;
    for (int32_t& h : g_playerState.holdingShot) h = -5;
    const int misses = IndexMisses;
    CreateShot(&p, 9, 0);
    const bool inRange = held >= 0 && held <= 3;
    EXPECT_EQ(g_shots[0].state, inRange ? 1 : 0);
    EXPECT_EQ(IndexMisses, misses + (inRange ? 0 : 1));
    EXPECT_EQ(g_playerState.shotsFired[0], 1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(g_playerState.holdingShot[i], i == held ? 0 : -5);
  }
}

TEST(Launchers8To15, FourteenSummonsSendsAndFiresThroughItsFamiliars) {
  // Powered up, every move is the rush of move 11 with row 11's damage copied as it stands.
  BattleObject& p = Shooter(14, 0, true);
  g_match.handicap[0] = 4;
  CreateShot(&p, 2, 0);
  const MoveTableEntry& row = MoveTable[11];
  EXPECT_EQ(g_shots[0].move, 11);
  EXPECT_EQ(g_shotDamage[0].damage, row.damage) << "not the handicapped damage of row 2";
  EXPECT_EQ(g_shotDamage[0].hitRadius, row.hitRadius);
  EXPECT_EQ(g_shotDamage[0].hitClass, row.hitClass);
  EXPECT_EQ(p.recovery, 2);
  EXPECT_NEAR(p.vx, 16.0f, 1e-4);
  // The buttons: (move, buttons held, a familiar waits) -> sent, summoned, recovery.
  struct Case {
    int move;
    std::vector<int> buttons;
    bool waiting;
    bool sent, summoned;
    int recovery;
  } cases[] = {
      {1, {}, true, false, true, 0},
      {1, {kInputButton1}, true, true, false, 64},
      {1, {kInputButton1}, false, false, true, 0},
      {2, {}, true, false, true, 0},
      {2, {kInputButton2}, true, true, false, 64},
      {3, {}, true, false, true, 72},
      {3, {kInputButton1}, true, false, true, 72},
      {3, {kInputButton1, kInputButton4}, true, true, true, 72},
      {4, {kInputButton2}, true, false, true, 0},
      {4, {kInputButton2, kInputButton4}, true, true, false, 64},
      {4, {kInputButton2, kInputButton4}, false, false, true, 0},
      {5, {}, true, true, false, 0},
      {5, {}, false, false, false, 0},
      {6, {kInputButton1}, true, false, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("move " + std::to_string(c.move) + " buttons " + std::to_string(c.buttons.size()) +
                 (c.waiting ? " waiting" : ""));
    BattleObject& s = Shooter(14);
    for (int i = 0; i < kInputCount; ++i) HeldFrameCounts[i][0] = 0;
    for (int b : c.buttons) HeldFrameCounts[b][0] = 3;
    if (c.waiting) {
      CreateShot(&s, 7, 0);
      g_familiars[5].state = 1;
    }
    s.recovery = 0;
    s.stateTimer = 0;
    CreateShot(&s, static_cast<int16_t>(c.move), 0);
    EXPECT_EQ(LiveShots(), 0) << "the player's moves make no shot of their own";
    EXPECT_EQ(g_familiars[5].state >= 3 && g_familiars[5].state <= 8, c.sent);
    const int summonSlot = c.waiting ? 6 : 5;
    EXPECT_EQ(g_familiars[summonSlot].state != 0, c.summoned);
    EXPECT_EQ(s.recovery, c.recovery);
    EXPECT_EQ(s.stateTimer, c.recovery);
  }
  for (int i = 0; i < kInputCount; ++i) HeldFrameCounts[i][0] = 0;
  // The beam of a familiar: toward a parked partner, or straight on with none.
  for (bool partner : {true, false}) {
    SCOPED_TRACE(partner ? "partner" : "none");
    Shooter(14);
    SceneFrame = 1000;
    BattleObject& own = g_familiars[5];
    own = Marked(8, 100.0f, 100.0f, 0, 5);
    own.state = 4;
    own.owner = 0;
    own.attackDelay = 3;
    if (partner) {
      BattleObject& other = g_familiars[9];
      other = BattleObject{};
      other.kind = 8;
      other.owner = 0;
      other.state = 4;
      other.attackDelay = 7;
      other.x = 100.0f;
      other.y = 300.0f;
    }
    FireWearingKind(&own, 14, 3, 0);
    EXPECT_EQ(g_shots[0].life, partner ? 9 : kNoFamiliar);
    const int toward = HeadingBetween(100.0f, 94.0f, 100.0f, 294.0f);
    EXPECT_NEAR(toward, 192, 1);
    EXPECT_EQ(g_shots[0].heading, partner ? toward : 0);
    EXPECT_EQ(own.heading, partner ? toward : 0) << "the familiar turns with its beam";
    EXPECT_FLOAT_EQ(g_shots[0].speed, 20.0f);
  }
  // A familiar source that names no slot fires nothing, and the miss is counted.
  Shooter(14);
  BattleObject lost = Marked(14, 100.0f, 100.0f, 0, 0);
  lost.stun = 64.0f;
  const int misses = IndexMisses;
  CreateShot(&lost, 2, 0);
  EXPECT_EQ(LiveShots(), 0);
  EXPECT_EQ(IndexMisses, misses + 1);
  lost.stun = 12.0f;
  CreateShot(&lost, 4, 0);
  EXPECT_EQ(LiveShots(), 2);
  EXPECT_EQ(g_shots[0].life, 12);
  EXPECT_EQ(g_shots[0].recovery, 128);
}

TEST(Launchers8To15, FifteensOwnerShotClassesAndCharge) {
  BattleObject& p = Shooter(15);
  CreateShot(&p, 11, 0);
  EXPECT_FLOAT_EQ(g_shots[0].meter, 4.0f);
  const uint8_t flags[4] = {0, 1, 1, 1};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(ShotHitFlags[0][i], flags[i]);
  // Class 5 hits as 6 while powered up; the others keep theirs.
  for (bool powered : {false, true}) {
    BattleObject& q = Shooter(15, 0, powered);
    CreateShot(&q, 3, 0);
    CreateShot(&q, 1, 0);
    EXPECT_EQ(g_shotDamage[0].hitClass, powered ? 6 : 5);
    EXPECT_EQ(g_shotDamage[1].hitClass, MoveTable[1].hitClass);
  }
  // 4's recovery from the charge: (charge - 24) / 2 + 44.
  for (int charge : {0, 24, 100, 161}) {
    BattleObject& q = Shooter(15);
    g_playerState.specialMode[0] = charge;
    CreateShot(&q, 4, 0);
    EXPECT_EQ(g_shots[0].recovery, (charge - 24) / 2 + 44) << charge;
  }
  // 10's radius from the source's recovery, held inside the field.
  BattleObject& r = Shooter(15);
  r.recovery = 70000;
  CreateShot(&r, 10, 0);
  EXPECT_EQ(g_shotDamage[0].hitRadius, 65535);
}

TEST(Launchers8To15, OddSourcesAndFullPoolsStayInside) {
  for (int kind = 8; kind <= 15; ++kind) {
    for (int move = -1; move <= 14; ++move) {
      for (int variant = 0; variant < 3; ++variant) {
        SCOPED_TRACE(std::to_string(kind) + "/" + std::to_string(move) + " variant " +
                     std::to_string(variant));
        Shooter(kind);
        BattleObject source{};
        source.kind = static_cast<uint16_t>(kind);
        source.x = 100.0f;
        source.y = 100.0f;
        source.heading = 300;
        source.pushHeading = -70000;
        source.recovery = INT32_MIN;
        source.life = INT32_MAX;
        source.stateTimer = INT32_MIN;
        source.stun = variant == 1 ? -3.0f : 1e30f;
        if (variant == 1) source.meter = kFamiliarShotMark;
        if (variant == 2) {
          for (BattleObject& s : g_shots) s.state = 1;
          for (BattleObject& f : g_familiars) f.state = 1;
          g_shots[500].state = 0;
        }
        CreateShot(&source, static_cast<int16_t>(move), variant == 2 ? 0 : kNobody);
        for (int p = 0; p < 4 && variant != 2; ++p) EXPECT_EQ(g_playerState.shotsFired[p], 0);
        for (const BattleObject& s : g_shots) {
          if (s.state != 1) continue;
          EXPECT_GE(s.heading, 0);
          EXPECT_LE(s.heading, 255);
        }
      }
    }
  }
}

}  // namespace
