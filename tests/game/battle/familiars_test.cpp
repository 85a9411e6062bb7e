// The familiars character 14 summons: the limit per owner, spawn fields by move, targeting in
// free and team modes, every launch mode, the search for a parked familiar, the beam chain, the
// endings and the owners that are no player.
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/battle/familiars.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "morrow/system/time.h"
#include "tests/game/battle/effects_made.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;
using testsupport::SetUpMatch;

int LiveSummons(int p) {
  int n = 0;
  for (const BattleObject& f : g_familiars) n += f.kind == 8 && f.owner == p && f.state > 0;
  return n;
}

// Two players of character 14 and 1: player 0 at (100, 200) facing right, player 1 at (500, 200).
void Match() {
  SetUpMatch({14, 1});
  g_players[0].x = 100.0f;
  g_players[0].y = 200.0f;
  g_players[1].x = 500.0f;
  g_players[1].y = 200.0f;
}

BattleObject& Summoned(int slot, int state, int owner = 0, float x = 100.0f, float y = 300.0f) {
  BattleObject& f = g_familiars[slot];
  f.kind = 8;
  f.state = state;
  f.owner = static_cast<int16_t>(owner);
  f.x = x;
  f.y = y;
  f.stun = static_cast<float>(slot);
  return f;
}

TEST(Familiars, TheNinthIsRefusedButForMoves3And8And9) {
  for (int move = 1; move <= 9; ++move) {
    SCOPED_TRACE(move);
    Match();
    for (int i = 0; i < 8; ++i) SpawnFamiliar(&g_players[0], 1, 0);
    ASSERT_EQ(LiveSummons(0), 8);
    SpawnFamiliar(&g_players[0], move, 0);
    const bool exempt = move == 3 || move == 8 || move == 9;
    EXPECT_EQ(LiveSummons(0), exempt ? 9 : 8);
    SpawnFamiliar(&g_players[1], move, 1);
    EXPECT_EQ(LiveSummons(1), 1) << "the limit is per owner";
  }
  // A full pool drops the spawn; an owner that is no player gets nothing.
  Match();
  for (int s = 5; s < kFamiliarCount; ++s) g_familiars[s].state = 1;
  SpawnFamiliar(&g_players[0], 3, 0);
  EXPECT_EQ(LiveSummons(0), 0);
  Match();
  for (int p : {-1, 4, 99}) SpawnFamiliar(&g_players[0], 1, p);
  for (const BattleObject& f : g_familiars) EXPECT_EQ(f.state, 0);
  EXPECT_EQ(IndexMisses, 0);
}

TEST(Familiars, SpawnFieldsByMove) {
  struct Case {
    int move;
    float vx, vy, vz, z;
    int state;
  } cases[] = {
      {1, 5.0f, 0, 0, 0, 2},          {2, 0, 0, 0, 0, 2},    {3, 0, 0, 0, 0, 2},
      {4, 4.0f, 0, 0, 0, 2},          {5, 7.0f, 0, 0, 0, 2}, {6, 3.0f, 0, 0, 0, 2},
      {7, 3.0f, 0, -0.5f, -24.0f, 2}, {8, 8.0f, 0, 0, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.move);
    Match();
    SceneFrame = 1234;
    BattleObject& old = g_familiars[5];
    old.vx = 7.0f;  // left from an earlier record: move 5 sets no velocity
    old.life = 50;
    SpawnFamiliar(&g_players[0], c.move, 0);
    const BattleObject& f = g_familiars[5];
    EXPECT_EQ(f.kind, 8);
    EXPECT_EQ(f.state, c.state);
    EXPECT_EQ(f.owner, 0);
    EXPECT_EQ(f.move, c.move);
    EXPECT_NEAR(f.x, 124.0f, 1e-4);
    EXPECT_EQ(f.y, 206.0f);
    EXPECT_EQ(f.z, c.z);
    EXPECT_NEAR(f.vx, c.vx, 1e-4);
    EXPECT_EQ(f.vy, c.vy);
    EXPECT_EQ(f.vz, c.vz);
    EXPECT_EQ(f.guard, 64);
    EXPECT_EQ(f.life, 0);
    EXPECT_EQ(f.stun, 5.0f);
    EXPECT_EQ(f.attackDelay, c.move == 3 ? 0 : 123);
  }
  // Move 3 acts at once while buttons 1 and 4 are both held.
  Match();
  HeldFrameCounts[kInputButton1][0] = 3;
  HeldFrameCounts[kInputButton4][0] = 1;
  SpawnFamiliar(&g_players[0], 3, 0);
  EXPECT_EQ(g_familiars[5].state, 3);
  HeldFrameCounts[kInputButton4][0] = 0;
  SpawnFamiliar(&g_players[0], 3, 0);
  EXPECT_EQ(g_familiars[6].state, 2);
}

TEST(Familiars, MoveNineAppearsBesideItsTargetOrWhereTheOthersDo) {
  for (uint32_t seed = 1; seed <= 8; ++seed) {
    Match();
    g_players[1].z = -10.0f;
    BattleObject source = g_players[0];
    source.pushHeading = 1;  // the target player
    morrow::SeedRandom(seed);
    const int heading = 32 * morrow::GetRandomNumber(7);
    morrow::SeedRandom(seed);
    SpawnFamiliar(&source, 9, 0);
    const BattleObject& f = g_familiars[5];
    EXPECT_EQ(f.heading, heading);
    EXPECT_NEAR(f.x, 500.0f - CosOf(heading) * 56.0f / 256.0f, 1e-3);
    EXPECT_NEAR(f.y, 206.0f - NegSinOf(heading) * 56.0f / 256.0f, 1e-3);
    EXPECT_EQ(f.z, -10.0f);
    // No player index in pushHeading: 24 along the source's heading, as the other moves.
    source.pushHeading = 200;
    SpawnFamiliar(&source, 9, 0);
    EXPECT_NEAR(g_familiars[6].x, 124.0f, 1e-4);
    EXPECT_EQ(g_familiars[6].y, 206.0f);
    EXPECT_EQ(IndexMisses, 0);
  }
}

TEST(Familiars, TargetingByTeamMode) {
  struct Case {
    const char* name;
    int players, teamMode;
    std::vector<int> teams;
    std::vector<int> states;  // of the players
    int target;               // -1: keeps its heading
  } cases[] = {
      {"free: the other player", 2, 0, {0, 0}, {0, 0}, 1},
      {"free: a knocked-out one is no target", 2, 0, {0, 0}, {0, 13}, -1},
      {"free: the nearest of three", 3, 0, {0, 0, 0}, {0, 0, 0}, 2},
      {"teams: the other team's nearest", 4, 1, {0, 0, 1, 1}, {0, 0, 0, 0}, 3},
      {"teams: a team mate is no target", 3, 1, {0, 0, 1}, {0, 0, 14}, -1},
      {"another team mode: every player, the owner too", 3, 2, {0, 0, 0}, {0, 0, 0}, 0},
  };
  // The familiar at (100, 300); the owner is the nearest, then player 3, player 2, player 1.
  const float px[4] = {100, 500, 300, 200};
  const float py[4] = {320, 200, 100, 300};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch(std::vector<int>(c.players, 14));
    g_match.teamMode = c.teamMode;
    for (int p = 0; p < c.players; ++p) {
      g_match.team[p] = c.teams[p];
      g_players[p].state = c.states[p];
      g_players[p].x = px[p];
      g_players[p].y = py[p];
    }
    BattleObject& f = Summoned(5, 1);
    f.heading = 77;
    EXPECT_EQ(LaunchFamiliars(1, 0), 1);
    const int expected =
        c.target < 0 ? 77 : HeadingBetween(100.0f, 300.0f, px[c.target], py[c.target]);
    EXPECT_EQ(f.heading, expected);
  }
}

TEST(Familiars, EveryLaunchMode) {
  struct Case {
    int mode;
    int state, move, stateTimer;
    bool moving;
    int heading;  // -1: the target heading
    int effects;
  } cases[] = {
      {1, 3, 1, 28, false, -1, 0}, {2, 3, 2, 16, false, 224, 0}, {3, 4, 7, 28, false, 90, 0},
      {4, 3, 4, 16, true, -1, 0},  {5, 3, 5, 16, false, 90, 1},  {6, 3, 6, 0, false, 90, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    Match();
    g_players[1].x = 300.0f;
    g_players[1].y = 500.0f;  // heading 225 from (100, 300): rounded to 224 in mode 2
    BattleObject& f = Summoned(5, 1);
    f.heading = 90;
    f.vx = 1.0f;
    Summoned(6, 2);     // not waiting: not sent
    Summoned(7, 1, 1);  // another owner's
    EXPECT_EQ(LaunchFamiliars(c.mode, 0), 1);
    const int target = HeadingBetween(100.0f, 300.0f, 300.0f, 500.0f);
    ASSERT_EQ(target, 225) << "257 less the direction, 32";
    EXPECT_EQ(f.state, c.state);
    EXPECT_EQ(f.move, c.move);
    EXPECT_EQ(f.guard, 64);
    EXPECT_EQ(f.stateTimer, c.stateTimer);
    EXPECT_EQ(f.heading, c.heading < 0 ? target : c.heading);
    if (c.moving) {
      EXPECT_NEAR(f.vx, CosOf(target) * 2.5f / 256.0f, 1e-5);
      EXPECT_NEAR(f.vy, NegSinOf(target) * 2.5f / 256.0f, 1e-5);
    } else if (c.mode <= 5) {
      EXPECT_EQ(f.vx, 0.0f);
    }
    EXPECT_EQ(testsupport::LiveEffects(), c.effects);
    EXPECT_EQ(g_familiars[6].state, 2);
    EXPECT_EQ(g_familiars[7].state, 1);
    EXPECT_EQ(LaunchFamiliars(c.mode, 0), 0) << "none waiting any more";
  }
}

TEST(Familiars, RelaunchDrawsItsMode) {
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    Match();
    BattleObject& f = Summoned(9, 1);
    morrow::SeedRandom(seed);
    const int r = morrow::GetRandomNumber(2);
    morrow::SeedRandom(seed);
    EXPECT_EQ(RelaunchFamiliar(9, 0), 1);
    const int moves[3] = {1, 2, 4};
    const int timers[3] = {28, 16, 16};
    EXPECT_EQ(f.state, 3);
    EXPECT_EQ(f.move, moves[r]);
    EXPECT_EQ(f.stateTimer, timers[r]);
  }
}

TEST(Familiars, FindFamiliarBoundsAndTies) {
  Match();
  Summoned(5, 4).attackDelay = 30;
  Summoned(6, 4).attackDelay = 12;
  Summoned(7, 4).attackDelay = 12;
  Summoned(8, 3).attackDelay = 11;     // not parked
  Summoned(9, 4, 1).attackDelay = 11;  // another owner's
  Summoned(10, 4).attackDelay = 0;     // never
  struct Case {
    int limit, exclude, above, slot;
  } cases[] = {
      {100, -1, 10, 6},          {100, 6, 10, 7},
      {12, -1, 10, kNoFamiliar}, {13, -1, 10, 6},
      {100, -1, 12, 5},          {30, -1, 12, kNoFamiliar},
      {100, -1, -5, 6},          {100, -1, 30, kNoFamiliar},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindFamiliar(c.limit, 0, c.exclude, c.above), c.slot)
        << c.limit << " " << c.exclude << " " << c.above;
  }
  EXPECT_EQ(FindFamiliar(100, 4, -1, 0), kNoFamiliar);
}

TEST(Familiars, ChainWithOneParkedFamiliar) {
  Match();
  SceneFrame = 1000;
  BattleObject& caller = Summoned(5, 3, 0, 100.0f, 300.0f);
  caller.move = 3;
  caller.attackDelay = 0;
  caller.heading = 5;
  BattleObject& parked = Summoned(6, 4, 0, 300.0f, 100.0f);
  parked.attackDelay = 40;
  parked.heading = 0;
  ChainFamiliarBeams(100, 0, 5, 0);
  ASSERT_EQ(testsupport::LiveEffects(), 2);
  const EffectRecord& first = g_effects[0];
  EXPECT_EQ(first.code, 120);
  EXPECT_EQ(first.x, 100.0f);
  EXPECT_EQ(first.y, 294.0f);
  EXPECT_EQ(first.z, 300.0f) << "to the parked familiar";
  EXPECT_EQ(first.heading, 94);
  const EffectRecord& second = g_effects[1];
  EXPECT_EQ(second.x, 300.0f);
  EXPECT_EQ(second.y, 94.0f);
  EXPECT_NEAR(second.z, 1200.0f, 0.01) << "900 ahead of it";
  EXPECT_EQ(second.heading, 100);
  const int direction = GetDirectionToPoint(100, 300, 300, 100);
  EXPECT_EQ(caller.heading, (256 - direction) & 255) << "turned toward it (256, not 257)";

  // Through the caller's own frame: at 24 it chains the same way.
  Match();
  SceneFrame = 1000;
  BattleObject& acting = Summoned(5, 3, 0, 100.0f, 300.0f);
  acting.move = 3;
  acting.stateTimer = 24;
  Summoned(6, 4, 0, 300.0f, 100.0f).attackDelay = 40;
  UpdateFamiliar(&acting);
  EXPECT_EQ(testsupport::EffectsWithCode(120), 2);

  // None parked: a single beam ahead of the caller, its heading kept.
  Match();
  BattleObject& alone = Summoned(5, 3, 0, 100.0f, 300.0f);
  alone.heading = 64;
  ChainFamiliarBeams(100, 0, 5, 0);
  ASSERT_EQ(testsupport::LiveEffects(), 1);
  EXPECT_EQ(g_effects[0].heading, 300 - 900);
  EXPECT_EQ(alone.heading, 64);
}

TEST(Familiars, FramesFromSpawnToEnd) {
  // Spawned: 16 frames of nothing but the timer, then the move acts; move 1 fires from 48.
  Match();
  SpawnFamiliar(&g_players[0], 1, 0);
  BattleObject& f = g_familiars[5];
  for (int i = 0; i < 16; ++i) UpdateFamiliar(&f);
  EXPECT_EQ(f.stateTimer, 16);
  EXPECT_NEAR(f.x, 124.0f, 1e-4) << "not moved while spawning";
  EXPECT_EQ(f.guard, 64);
  UpdateFamiliar(&f);
  EXPECT_EQ(f.guard, 2);
  for (int i = 0; i < 64; ++i) UpdateFamiliar(&f);
  EXPECT_EQ(f.state, 1) << "a spawned familiar waits afterwards";
  EXPECT_EQ(f.stateTimer, 1);
  EXPECT_EQ(f.meter, 9999.0f) << "marked before firing";

  // Parked: recovery counts, and at 600 it ends.
  Match();
  BattleObject& p = Summoned(5, 4);
  p.vx = 2.0f;
  p.stateTimer = 599;
  UpdateFamiliar(&p);
  EXPECT_EQ(p.vx, 0.0f);
  EXPECT_EQ(p.recovery, 1);
  UpdateFamiliar(&p);
  EXPECT_EQ(p.state, 9);
  EXPECT_EQ(p.stateTimer, 1);

  // Endings: the owner knocked back (24 frames), the power-up at 2 (12 frames).
  struct Case {
    const char* name;
    bool knockBack;
    int powerUp;
    int frames;  // updates until free
  } cases[] = {{"knocked back", true, 0, 25}, {"power-up at 2", false, 2, 13}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Match();
    BattleObject& e = Summoned(5, 1);
    if (c.knockBack) g_players[0].state = kStateKnockBack;
    g_playerState.powerUp[0] = c.powerUp;
    UpdateFamiliar(&e);  // the trigger
    g_players[0].state = 0;
    g_playerState.powerUp[0] = 0;
    for (int i = 1; i < c.frames - 1; ++i) UpdateFamiliar(&e);
    EXPECT_EQ(e.state, 9);
    UpdateFamiliar(&e);
    EXPECT_EQ(e.state, 0);
  }
}

TEST(Familiars, OddRecordsAreFreedOrLeftAlone) {
  for (int owner : {-1, 4, 5, 300}) {
    Match();
    BattleObject& f = Summoned(5, 3, owner);
    f.move = 3;
    f.stateTimer = 24;
    UpdateFamiliar(&f);
    EXPECT_EQ(f.state, 0) << owner;
    EXPECT_EQ(IndexMisses, 0);
  }
  // Odd states, moves and timers neither index outside anything nor overflow.
  for (int state : {5, 7, 10, 200, -4}) {
    for (int move : {0, 10, -1, 9999}) {
      Match();
      BattleObject& f = Summoned(63, state);
      f.move = move;
      f.stateTimer = INT32_MAX;
      f.heading = 99999;
      f.recovery = INT32_MAX;
      UpdateFamiliar(&f);
      EXPECT_EQ(f.stateTimer, INT32_MAX);
      EXPECT_EQ(IndexMisses, 0);
    }
  }
  // A chain from a slot outside the pool counts a miss and does nothing.
  Match();
  ChainFamiliarBeams(100, 0, 64, 0);
  EXPECT_EQ(testsupport::LiveEffects(), 0);
  EXPECT_EQ(IndexMisses, 1);
}

}  // namespace
