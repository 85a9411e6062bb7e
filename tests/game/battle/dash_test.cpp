// Dashes: the thresholds and costs, every character's dash run to its end, the way out of walls on
// empty, dense and full maps, character 4's swap, character 15's life price, character 7's push
// and the spin of characters 0 and 10.
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/dash.h"
#include "game/battle/player_control.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "morrow/system/time.h"
#include "tests/support/battle_state.h"
#include "tests/support/shots_made.h"

namespace {

using namespace veyrdale;
using testsupport::SetUpMatch;
using testsupport::ShotsMade;

PlayerBattleState& S() {
  return g_playerState;
}

// Player 0 of the character standing at the arena's centre facing right, the round under way,
// player 1 (character 1) far below.
BattleObject& Standing(int character, float meter = 700.0f) {
  SetUpMatch({character, 1});
  RoundFrame = 400;
  for (int p = 0; p < 2; ++p) {
    BattleObject& q = g_players[p];
    q.owner = static_cast<int16_t>(p);
    q.x = 320.0f;
    q.y = 240.0f + 160.0f * p;
    q.life = 350;
  }
  g_players[0].meter = meter;
  return g_players[0];
}

void Press(Input input, int count = 1) {
  HeldFrameCounts[input][0] = count;
}

// One frame of the player's own control, as the battle runs it for states 0 to 5, with the
// buttons let go after the first.
void Step(BattleObject& p) {
  UpdatePlayerControl(&p, 0);
  for (auto& counts : HeldFrameCounts) counts[0] = 0;
}

// ---- The trigger --------------------------------------------------------------------------

TEST(Dash, ThresholdsCostsAndTheTrigger) {
  struct Row {
    int character;
    int threshold;  // -1: none
    int cost;
    int action;
    int startState;
  } rows[] = {
      {0, -1, 100, 0, kStateDashSpin},  {1, 70, 130, 56, kStateDash},
      {2, 80, 120, 40, kStateDash},     {3, 91, 160, 64, kStateDash},
      {4, 91, 100, 48, kStateDash},     {5, 91, 170, 80, kStateDash},
      {6, -1, 160, 140, kStateDash},    {7, 70, 152, 80, kStateDash},
      {8, 80, 140, 52, kStateDash},     {9, 91, 160, 80, kStateDash},
      {10, -1, 100, 0, kStateDashSpin}, {11, 80, 140, 52, kStateDash},
      {12, 91, 170, 80, kStateDash},    {13, 91, 240, 90, kStateDash},
      {14, 70, 110, 56, kStateDash},    {15, 160, 160, 160, kStateDash},
  };
  for (const Row& r : rows) {
    const std::string c = "character " + std::to_string(r.character);
    const float at = static_cast<float>(r.threshold < 0 ? 0 : r.threshold);
    BattleObject& p = Standing(r.character, at);
    Press(kInputButton3);
    UpdatePlayerControl(&p, 0);
    EXPECT_EQ(p.state, r.startState) << c;
    EXPECT_EQ(p.meter, at - static_cast<float>(r.cost)) << c << ": paid even below 0";
    if (r.startState == kStateDash) {
      EXPECT_EQ(S().actionTimer[0], r.action) << c;
    }
    if (r.threshold >= 0) {
      BattleObject& q = Standing(r.character, at - 1.0f);
      Press(kInputButton3);
      UpdatePlayerControl(&q, 0);
      EXPECT_EQ(q.state, kStateStand) << c << ": one below the threshold";
      EXPECT_EQ(q.meter, at - 1.0f) << c;
    }
    // A held button and the pre-fight start nothing.
    for (int variant = 0; variant < 2; ++variant) {
      BattleObject& q = Standing(r.character);
      Press(kInputButton3, variant == 0 ? 2 : 1);
      StoryPreFight = variant;
      UpdatePlayerControl(&q, 0);
      EXPECT_EQ(q.state, kStateStand) << c << (variant == 0 ? ": held" : ": pre-fight");
      EXPECT_EQ(q.meter, 700.0f) << c;
    }
  }
  // Character 14 also waits for its attack delay.
  BattleObject& p = Standing(14);
  p.attackDelay = 3;
  Press(kInputButton3);
  UpdatePlayerControl(&p, 0);
  EXPECT_EQ(p.state, kStateStand);
}

// ---- Every dash to its end --------------------------------------------------------------------

struct DashRun {
  int frames = 0;  // phase frames until the dash ended
  int maxGuard = -30000;
  int minGuard = 30000;
  int passOn = -1;  // the frame the wall-pass flag went up, and down
  int passOff = -1;
  float topSpeed = 0.0f;
  float minZ = 0.0f;
};

DashRun Dash(BattleObject& p, int cap = 400) {
  DashRun run;
  Press(kInputButton3);
  Step(p);
  while (p.state == kStateDash && run.frames < cap) {
    const bool pass = S().airborne[0] == 1;
    Step(p);
    ++run.frames;
    if (!pass && S().airborne[0] == 1) run.passOn = run.frames;
    if (pass && S().airborne[0] == 0) run.passOff = run.frames;
    run.maxGuard = std::max<int>(run.maxGuard, p.guard);
    run.minGuard = std::min<int>(run.minGuard, p.guard);
    run.topSpeed = std::max(run.topSpeed, std::hypot(p.vx, p.vy));
    run.minZ = std::min(run.minZ, p.z);
  }
  return run;
}

TEST(Dash, EveryCharacterFromStartToEnd) {
  struct Row {
    int character;
    int frames;
    int maxGuard;
    int passOn, passOff;
    float topSpeed;  // the fastest frame, to a tenth of a pixel
    float minZ;
  } rows[] = {
      // Rushes: 2 to 10 a frame, 8 spinning then to 20, 11 winding up then to 12.
      {2, 26, 10, -1, -1, 10.0f, 0.0f},
      {8, 60, 0, -1, -1, 20.0f, 0.0f},
      {11, 72, 32, -1, -1, 12.0f, 0.0f},
      // Warps, with nothing held: through walls at the plain speed.
      {3, 60, 40, 21, 41, 9.0f, 0.0f},
      {13, 95, 70, 21, 71, 4.0f, 0.0f},
      {9, 80, 38, 25, 45, 7.5f, 0.0f},
      // 4's companion stands at the start place beside it: the swap goes through.
      {4, 33, 22, -1, -1, 0.0f, 0.0f},
      // Glides with nothing held stand still.
      {5, 102, 84, -1, -1, 0.0f, 0.0f},
      {12, 118, 84, -1, -1, 0.0f, 0.0f},
      // Leaps.
      {1, 41, 1000, -1, -1, 0.0f, -38.0f},
      {7, 93, 1000, -1, -1, 0.0f, -34.34f},
      {14, 58, 1000, -1, -1, 2.1875f, -18.7f},
      {15, 97, 36, -1, -1, 3.0f, -16.9f},
      {6, 81, 0, -1, -1, 0.0f, 0.0f},
  };
  for (const Row& r : rows) {
    const std::string c = "character " + std::to_string(r.character);
    BattleObject& p = Standing(r.character);
    g_companions[0].x = 320.0f;
    g_companions[0].y = 192.0f;
    const DashRun run = Dash(p);
    EXPECT_EQ(run.frames, r.frames) << c;
    EXPECT_EQ(p.state, kStateStand) << c;
    EXPECT_EQ(run.maxGuard, r.maxGuard) << c;
    EXPECT_EQ(run.passOn, r.passOn) << c;
    EXPECT_EQ(run.passOff, r.passOff) << c;
    EXPECT_NEAR(run.topSpeed, r.topSpeed, 0.05f) << c;
    EXPECT_NEAR(run.minZ, r.minZ, 0.01f) << c;
    EXPECT_EQ(p.z, 0.0f) << c;
    EXPECT_EQ(S().airborne[0], 0) << c;
  }
}

TEST(Dash, HeldDirectionsSteerGlidesAndWarps) {
  // A blend at weight w toward s reaches s x (1 - (w / (w + 1))^n) after n frames; the warps set
  // their speed outright.
  struct Row {
    int character;
    int frames;  // phase frames run with up held
    float vy;    // the velocity up the screen then (negative y)
    bool doubled;
  } rows[] = {
      // 39 of the 40 frames inside the window, at weight 8.
      {5, 40, -4.5f * (1.0f - 0.010117f), false},
      {5, 40, -9.0f * (1.0f - 0.010117f), true},
      // 33 of the 40 inside, at weight 12.
      {12, 40, -9.0f * (1.0f - 0.071261f), false},
      {3, 30, -12.0f, false},
      {13, 40, -6.0f, false},
      {9, 40, -9.0f, false},
      // All 20 at weight 32.
      {1, 20, -4.0f * (1.0f - 0.540407f), false},
  };
  for (const Row& r : rows) {
    const std::string c = "character " + std::to_string(r.character);
    BattleObject& p = Standing(r.character);
    if (r.doubled) S().powerUp[0] = 500;
    Press(kInputButton3);
    Step(p);
    for (int f = 0; f < r.frames; ++f) {
      Press(kInputUp, 5);
      UpdatePlayerControl(&p, 0);
    }
    EXPECT_EQ(p.heading, 64) << c << ": the heading follows";
    EXPECT_NEAR(p.vy, r.vy, 0.002f) << c;
    EXPECT_NEAR(p.vx, 0.0f, 0.05f) << c;
  }
}

// ---- The way out of walls ------------------------------------------------------------------

void FillMap(int value) {
  for (int c = 0; c < kMapColumns; ++c) {
    for (int r = 0; r < kMapRows; ++r) g_arenaMap.cells[c + kMapColumns * r] = value;
  }
}

bool OnWall(const BattleObject& p) {
  return !WayOutSpotFree(p.x, p.y, 0, false);
}

TEST(WayOut, EndsInTheBoxOffWallsAndOtherPlayers) {
  struct Row {
    const char* name;
    int fill;           // every cell
    bool denseOpening;  // walls everywhere but every third cell of row 9
    float x, y;
    bool avoid;
    float otherX, otherY;  // player 1
  } rows[] = {
      {"empty, nothing to do", 0, false, 300.0f, 200.0f, true, 600.0f, 100.0f},
      {"empty, on a player", 0, false, 300.0f, 200.0f, true, 310.0f, 210.0f},
      {"empty, on a player, 9 stays", 0, false, 300.0f, 200.0f, false, 310.0f, 210.0f},
      {"dense", 4, true, 300.0f, 200.0f, true, 600.0f, 100.0f},
      {"dense, NaN", 4, true, std::numeric_limits<float>::quiet_NaN(), 200.0f, true, 600.0f,
       100.0f},
      {"dense, huge", 4, true, 3.0e38f, -3.0e38f, false, 600.0f, 100.0f},
      {"full", 4, false, 300.0f, 200.0f, true, 600.0f, 100.0f},
      {"full, NaN", 4, false, std::numeric_limits<float>::quiet_NaN(), 1.0e30f, true, 0.0f, 0.0f},
  };
  for (const Row& r : rows) {
    for (uint32_t seed = 1; seed <= 20; ++seed) {
      const std::string c = std::string(r.name) + ", seed " + std::to_string(seed);
      BattleObject& p = Standing(3);
      FillMap(r.fill);
      if (r.denseOpening) {
        for (int col = 1; col < kMapColumns; col += 3) g_arenaMap.cells[col + kMapColumns * 9] = 0;
      }
      p.x = r.x;
      p.y = r.y;
      g_players[1].x = r.otherX;
      g_players[1].y = r.otherY;
      morrow::SeedRandom(seed);
      const int64_t before = g_lastWayOuts[0].count;
      WayOutOfWalls(&p, 0, r.avoid);
      EXPECT_EQ(g_lastWayOuts[0].count, before + 1) << c;
      EXPECT_LE(g_lastWayOuts[0].drawPairs, kWayOutMaxDraws) << c;
      EXPECT_GE(p.x, kWayOutLeft) << c;
      EXPECT_LE(p.x, kWayOutRight) << c;
      EXPECT_GE(p.y, kWayOutTop) << c;
      EXPECT_LE(p.y, kWayOutBottom) << c;
      if (r.fill == 0 || r.denseOpening) {
        EXPECT_FALSE(OnWall(p)) << c;
      }
      if (r.fill == 0 && !r.avoid) {
        EXPECT_EQ(p.x, r.x) << c << ": character 9 may stand on a player";
        EXPECT_EQ(p.y, r.y) << c;
      }
      if (r.avoid && r.fill == 0) {
        EXPECT_TRUE(WayOutSpotFree(p.x, p.y, 0, true)) << c << " at " << p.x << " " << p.y;
      }
      if (r.fill != 0 && !r.denseOpening && !std::isnan(r.x)) {
        EXPECT_EQ(p.x, r.x) << c << ": no free cell, the player stays";
        EXPECT_EQ(p.y, r.y) << c;
      }
      EXPECT_EQ(IndexMisses, 0) << c;
    }
  }
}

TEST(WayOut, FallsBackToTheNearestFreeCell) {
  BattleObject& p = Standing(13);
  // The walk draws first and, on some states of the generator, finds a free cell itself: seeded,
  // it spends its draws on walls whatever ran before.
  morrow::SeedRandom(1);
  FillMap(4);
  // Two free cells at the same distance from (336, 240): (9, 7) and (11, 7); the first column wins.
  g_arenaMap.cells[9 + kMapColumns * 7] = 0;
  g_arenaMap.cells[11 + kMapColumns * 7] = 0;
  p.x = 336.0f;
  p.y = 224.0f;
  WayOutOfWalls(&p, 0, true);
  EXPECT_LE(g_lastWayOuts[0].drawPairs, kWayOutMaxDraws);
  EXPECT_EQ(p.x, 304.0f);
  EXPECT_EQ(p.y, 224.0f);
  // Another player on (9, 7) sends characters 3 and 13 to (11, 7), but not 9.
  g_players[1].x = 304.0f;
  g_players[1].y = 224.0f;
  p.x = 336.0f;
  p.y = 224.0f;
  WayOutOfWalls(&p, 0, true);
  EXPECT_EQ(p.x, 368.0f);
  p.x = 336.0f;
  WayOutOfWalls(&p, 0, false);
  EXPECT_EQ(p.x, 304.0f);
  // Players past the player count are stale records and are not avoided.
  g_match.playerCount = 1;
  p.x = 336.0f;
  WayOutOfWalls(&p, 0, true);
  EXPECT_EQ(p.x, 304.0f);
  WayOutOfWalls(&p, 7, true);
  EXPECT_EQ(IndexMisses, 1) << "no such player";
}

// ---- Character 4, 15 and 7 ------------------------------------------------------------------

TEST(Dash, Character4SwapsOnlyWithACompanionOnOpenGround) {
  struct Row {
    const char* name;
    float cx, cy;
    bool wall;
    bool swaps;
  } rows[] = {
      {"open", 100.0f, 100.0f, false, true},
      {"on a wall", 100.0f, 100.0f, true, false},
      {"at the left edge", 28.0f, 100.0f, false, false},
      {"just inside", 29.0f, 439.0f, false, true},
      {"at the bottom", 100.0f, 440.0f, false, false},
      {"NaN", std::numeric_limits<float>::quiet_NaN(), 100.0f, false, false},
  };
  for (const Row& r : rows) {
    BattleObject& p = Standing(4);
    BattleObject& companion = g_companions[0];
    companion.x = r.cx;
    companion.y = r.cy;
    if (r.wall) g_arenaMap.cells[3 + kMapColumns * 3] = 1;
    Press(kInputButton3);
    Step(p);
    for (int f = 0; f < 14; ++f) Step(p);
    EXPECT_EQ(p.stateTimer, 519) << r.name;
    if (r.swaps) {
      EXPECT_EQ(p.x, r.cx) << r.name;
      EXPECT_EQ(companion.x, 320.0f) << r.name;
      EXPECT_EQ(p.guard, 22) << r.name;
    } else {
      EXPECT_EQ(p.x, 320.0f) << r.name;
      EXPECT_EQ(p.guard, 0) << r.name;
    }
  }
}

TEST(Dash, Character15PaysWithLifeOrFiresInstead) {
  for (int life : {4, 5}) {
    BattleObject& p = Standing(15);
    p.life = life;
    Press(kInputButton3);
    Step(p);
    const int64_t shots = ShotsMade(15);
    for (int f = 0; f < 16; ++f) Step(p);
    if (life == 4) {
      EXPECT_EQ(p.life, 1);
      EXPECT_EQ(p.state, kStateStand);
      EXPECT_EQ(p.z, 0.0f);
      EXPECT_EQ(ShotsMade(15), shots + 1);
      EXPECT_EQ(ScreenShake, 0);
    } else {
      EXPECT_EQ(p.life, 1);
      EXPECT_EQ(p.state, kStateDash);
      EXPECT_LT(p.z, 0.0f);
      EXPECT_EQ(ShotsMade(15), shots);
      EXPECT_EQ(ScreenShake, 20);
    }
  }
  // Before frame 300 of the round the leap is free.
  BattleObject& p = Standing(15);
  RoundFrame = -50;
  Press(kInputButton3);
  Step(p);
  for (int f = 0; f < 16; ++f) Step(p);
  EXPECT_EQ(p.life, 350);
}

TEST(Dash, Character7PushesThoseInPlayExceptTheGuardedOnes) {
  struct Row {
    const char* name;
    int kind, state, guard;
    float distance;
    int playerCount;
    bool pushed;
  } rows[] = {
      {"near", 1, kStateStand, 0, 100.0f, 3, true},
      {"too far", 1, kStateStand, 0, 201.0f, 3, false},
      {"stale record", 1, kStateStand, 0, 100.0f, 2, false},
      {"8 in its card", 8, kStateSpellCard, 5, 100.0f, 3, false},
      {"8 in its card, unguarded", 8, kStateSpellCard, 0, 100.0f, 3, true},
      {"8 in its special move", 8, kStateSpecialMove, 5, 100.0f, 3, true},
      {"15 in its special move", 15, kStateSpecialMove, 5, 100.0f, 3, false},
      {"15 in its card", 15, kStateSpellCard, 5, 100.0f, 3, false},
      {"15 standing guarded", 15, kStateStand, 5, 100.0f, 3, true},
  };
  for (const Row& r : rows) {
    BattleObject& p = Standing(7);
    g_match.playerCount = r.playerCount;
    BattleObject& other = g_players[2];
    other.kind = static_cast<uint16_t>(r.kind);
    other.state = r.state;
    other.guard = static_cast<int16_t>(r.guard);
    other.x = 320.0f + r.distance;
    other.y = 240.0f;
    Press(kInputButton3);
    Step(p);
    for (int f = 0; f < 5; ++f) Step(p);
    EXPECT_EQ(other.vx > 0.0f, r.pushed) << r.name;
    EXPECT_NEAR(other.vy, 0.0f, 0.05f) << r.name;
  }
}

// ---- Characters 0 and 10 ---------------------------------------------------------------------

// The scene's own step for states 6 and 7.
void SpinStep(BattleObject& p) {
  UpdateDashChara0(&p, 0);
  for (auto& counts : HeldFrameCounts) counts[0] = 0;
}

TEST(Dash, SpinOfCharacters0And10) {
  for (int character : {0, 10}) {
    const int last = character == 0 ? 30 : 20;
    BattleObject& p = Standing(character);
    Press(kInputButton3);
    Step(p);
    EXPECT_EQ(p.state, kStateDashSpin);
    EXPECT_EQ(p.stateTimer, 1);
    int frames = 1;
    while (p.state == kStateDashSpin && frames < 100) {
      SpinStep(p);
      ++frames;
    }
    EXPECT_EQ(frames, last + 1) << character << ": ends when t exceeds " << last;
    // A parry's stance: button 3 spins again at no cost.
    p.state = kStateGuardStance;
    p.stateTimer = 5;
    p.guard = 9;
    p.meter = 0.0f;
    Press(kInputButton3);
    SpinStep(p);
    EXPECT_EQ(p.state, kStateDashSpin);
    EXPECT_EQ(p.stateTimer, 0);
    EXPECT_EQ(p.guard, 0);
    EXPECT_EQ(p.meter, 0.0f);
    // Button 2 releases character 0's charge; character 10 has none here.
    p.state = kStateGuardStance;
    p.stateTimer = 5;
    Press(kInputButton2);
    SpinStep(p);
    EXPECT_EQ(S().specialMode[0], character == 0 ? 160 : 0);
    EXPECT_EQ(p.stateTimer, character == 0 ? 29 : 6);
  }
}

TEST(Dash, BadIndicesAndCharacters) {
  BattleObject& p = Standing(3);
  UpdateDashChara3(&p, 4);
  UpdateDashChara0(&p, -1);
  UpdateDashChara7(nullptr, 0);
  EXPECT_EQ(IndexMisses, 3);
  p.kind = 16;
  Press(kInputButton3);
  UpdatePlayerControl(&p, 0);
  EXPECT_EQ(p.state, kStateStand);
  EXPECT_EQ(IndexMisses, 4);
}

}  // namespace
