// The spell cards of characters 12 to 15 run frame by frame: their durations, the frames of their
// window events, their ends, bars and cool-downs, and the catches, flights and second phases they
// are built around.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/field_table.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/battle/spell_card.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;
using testsupport::SetUpMatch;

PlayerBattleState& S() {
  return g_playerState;
}

// Player 0 of the given character declares the card against players of character 1 placed apart.
BattleObject& Declared(int character, int card, int players = 2) {
  return testsupport::DeclaredCard(character, card, players, {200.0f, 240.0f, 100.0f, 0.0f});
}

// One card frame with the screen feedback cleared before it, so that what the frame set shows.
struct Frame {
  int32_t t;  // the timer the windows saw
  bool shot;
  bool flash;
};

Frame RunOne(BattleObject& caster) {
  FlashFrames = 0;
  const int32_t fired = S().shotsFired[0];
  const int32_t t = caster.stateTimer;
  RunSpellCard(&caster, 0);
  return {t, S().shotsFired[0] != fired, FlashFrames != 0};
}

TEST(SpellCards12To15, EveryCardRunsItsWindowsAndEnds) {
  struct Case {
    int character;
    int card;
    int32_t duration;
    int frames;  // the first frame included
    int32_t endT;
    int32_t bar;
    int coolDown;
    int32_t recoveryAfterFirst;  // from 50
    std::vector<int32_t> shots;
    std::vector<int32_t> flashes;
  };
  std::vector<int32_t> shots13A;
  for (int32_t t = 355; t >= 298; t -= 3) shots13A.push_back(t);
  const Case cases[] = {
      {12, 0, 666, 667, 0, 80, 120, 49, {130}, {130}},
      {12, 1, 300, 301, 0, 0, 100, 49, {}, {288}},
      {13, 0, 360, 361, 0, 40, 90, 50, shots13A, {130}},
      // Nothing caught: at 525 the card skips to 125 and ends at 25.
      {13, 1, 560, 136, 25, 100, 120, 50, {559}, {}},
      {14, 0, 118, 119, 0, 125, 90, 49, {117}, {117}},
      // Nothing caught: t waits at 58 for the 22 frames of the hop, then ends at 0.
      {14, 1, 60, 83, 0, 200, 100, 49, {59}, {}},
      // Up from 500 to 572, the second declaration, then down from 450.
      {15, 0, 500, 524, 0, 125, 90, 0, {}, {572}},
      {15, 1, 240, 241, 0, 80, 90, 49, {224}, {224}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.character) + (c.card == 0 ? "A" : "B"));
    BattleObject& p = Declared(c.character, c.card);
    p.recovery = 50;
    RunOne(p);
    EXPECT_EQ(p.stateTimer, c.duration);
    EXPECT_EQ(p.recovery, c.recoveryAfterFirst);
    int frames = 1;
    std::vector<int32_t> shots;
    std::vector<int32_t> flashes;
    while (p.state == kStateSpellCard && frames < 3000) {
      const Frame f = RunOne(p);
      if (f.shot) shots.push_back(f.t);
      if (f.flash) flashes.push_back(f.t);
      ++frames;
    }
    EXPECT_EQ(frames, c.frames);
    EXPECT_EQ(p.stateTimer, c.endT);
    EXPECT_EQ(S().cardBar[0], c.bar);
    EXPECT_EQ(p.attackDelay, c.coolDown);
    EXPECT_EQ(p.guard, 0);
    EXPECT_EQ(shots, c.shots);
    EXPECT_EQ(flashes, c.flashes);
    EXPECT_EQ(IndexMisses, 0);
  }
}

TEST(SpellCards12To15, TwelveAFliesSteersDivesAndLandsWithItsShot) {
  BattleObject& p = Declared(12, 0);
  p.heading = 100;
  RunOne(p);
  EXPECT_EQ(p.pushHeading, 100);
  EXPECT_EQ(p.guard, 666);
  float highest = 0.0f;
  while (p.stateTimer > 480) {
    RunOne(p);
    if (p.z < highest) highest = p.z;
  }
  EXPECT_EQ(highest, -600.0f) << "the flight stops at 600 up";
  // Steering at 1.5 to the right, blended at 8 to 1 and not slowed on top.
  HeldFrameCounts[kInputRight][0] = 5;
  while (p.stateTimer > 200) RunOne(p);
  EXPECT_EQ(p.heading, 0);
  EXPECT_NEAR(p.vx, 1.5f, 0.01f);
  EXPECT_EQ(p.vz, 0.0f);
  EXPECT_EQ(p.z, -600.0f);
  HeldFrameCounts[kInputRight][0] = 0;
  // The dive: 12 a frame from t 179, on the ground at 130 with the landing shot.
  while (p.stateTimer > 130) {
    RunOne(p);
    EXPECT_LT(p.z, 0.0f) << p.stateTimer;
  }
  const int32_t fired = S().shotsFired[0];
  RunOne(p);
  EXPECT_EQ(p.z, 0.0f);
  EXPECT_GT(S().shotsFired[0], fired);
  EXPECT_EQ(p.meter, 0.0f);
  EXPECT_EQ(S().actionTimer[0], 180);
  EXPECT_EQ(FlashFrames, -10);
  EXPECT_EQ(FlashLength, -12);
  EXPECT_EQ(SlowMotionFrames, 16);
  EXPECT_EQ(ScreenShake, 36);
  EXPECT_EQ(SpellCaptureRequest, 1);
}

// The card's own catching shot strikes player 1: the record names it, and from the gate on every
// player near it who is open to the freeze is frozen for the caster.
TEST(SpellCards13B, TheCatchFreezesNearbyPlayers) {
  BattleObject& p = Declared(13, 1, 4);
  g_match.teamMode = 1;
  g_match.team[0] = g_match.team[3] = 0;
  g_match.team[1] = g_match.team[2] = 1;
  RunOne(p);
  EXPECT_EQ(g_markerPoints[0].player, 9);
  RunOne(p);
  RunOne(p);
  int slot = -1;
  for (int s = 0; s < kShotCount; ++s) {
    if (g_shots[s].state == 1 && g_shots[s].kind == 13 && g_shots[s].move == 6) slot = s;
  }
  ASSERT_GE(slot, 0);
  HitPlayerWithShot(&g_shots[slot], slot, 1);
  EXPECT_EQ(g_markerPoints[0].player, 1);
  EXPECT_EQ(p.stateTimer, 525);
  // Near the caught player: 2 open, 3 a team-mate; each run below spares 2 for one reason.
  struct Case {
    const char* name;
    float z;
    int16_t guard;
    int32_t recoveryGuard;
    int32_t state;
    int32_t stateTimer;
    float distance;
    bool frozen;
  } cases[] = {
      {"open", 0.0f, 0, 0, kStateStand, 0, 99.0f, true},
      {"airborne (up is negative)", -30.0f, 0, 0, kStateStand, 0, 60.0f, true},
      {"below the ground", 5.0f, 0, 0, kStateStand, 0, 60.0f, false},
      {"guarded", 0.0f, 3, 0, kStateStand, 0, 60.0f, false},
      {"getting up", 0.0f, 0, 4, kStateStand, 0, 60.0f, false},
      {"guard stance", 0.0f, 0, 0, kStateGuardStance, 0, 60.0f, false},
      {"early in a dash spin", 0.0f, 0, 0, kStateDashSpin, 9, 60.0f, false},
      {"late in a dash spin", 0.0f, 0, 0, kStateDashSpin, 10, 60.0f, true},
      {"100 away", 0.0f, 0, 0, kStateStand, 0, 100.0f, false},
  };
  const BattleObject saved = p;
  const int32_t savedTimer = g_markerPoints[0].timer;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    p = saved;
    g_markerPoints[0].timer = savedTimer;
    for (int j = 2; j < 4; ++j) {
      BattleObject& other = g_players[j];
      other.x = g_players[1].x + c.distance;
      other.y = g_players[1].y;
      other.z = c.z;
      other.guard = c.guard;
      other.state = c.state;
      other.stateTimer = c.stateTimer;
      S().recoveryGuard[j] = c.recoveryGuard;
      S().freezeTimer[j] = 0;
      S().freezer[j] = -1;
    }
    while (p.stateTimer > 458) {
      RunOne(p);
      EXPECT_EQ(S().freezeTimer[2], 0);
    }
    RunOne(p);
    EXPECT_EQ(S().freezeTimer[2], c.frozen ? 700 : 0);
    EXPECT_EQ(S().freezer[2], c.frozen ? 0 : -1);
    EXPECT_EQ(S().freezeTimer[3], 0) << "a team-mate";
    EXPECT_EQ(S().freezeTimer[1], 0) << "the caught player";
  }
  // The card runs to 0 with its own cool-down, the bar untouched.
  while (p.state == kStateSpellCard) RunOne(p);
  EXPECT_EQ(p.stateTimer, 0);
  EXPECT_EQ(p.attackDelay, 70);
  EXPECT_EQ(S().cardBar[0], 10000);
  EXPECT_EQ(IndexMisses, 0);
}

// A count with nobody in the record (the caster's move-8 shot marks a point) is a miss, not an
// index: the card skips to 125 at 525 and ends at 25.
TEST(SpellCards13B, ACountWithoutACaughtPlayerIsAMiss) {
  for (int32_t player : {9, -1, 4, 2147483647}) {
    SCOPED_TRACE(player);
    BattleObject& p = Declared(13, 1);
    RunOne(p);
    g_markerPoints[0].timer = 50;
    g_markerPoints[0].player = player;
    int frames = 0;
    while (p.state == kStateSpellCard && frames < 1000) {
      RunOne(p);
      ++frames;
    }
    EXPECT_EQ(frames, 135);
    EXPECT_EQ(p.stateTimer, 25);
    EXPECT_EQ(p.attackDelay, 120);
    EXPECT_EQ(g_markerPoints[0].timer, 0);
    EXPECT_EQ(IndexMisses, 0);
  }
}

// The hop's shot catches player 1: the second phase shoots, puts the caster on the caught player
// and ends at 2045; with no player in pushHeading the caster falls where it is.
TEST(SpellCards14B, TheCatchStartsTheSecondPhase) {
  for (int32_t caught : {1, 7, -3}) {
    SCOPED_TRACE(caught);
    BattleObject& p = Declared(14, 1);
    g_players[1].x = 400.0f;
    g_players[1].y = 300.0f;
    for (int i = 0; i < 3; ++i) RunOne(p);
    ASSERT_EQ(p.stateTimer, 58);
    // The caught player is held by the catch: the test moves it no further.
    int slot = 0;
    while (g_shots[slot].state != 0) ++slot;
    BattleObject& shot = g_shots[slot];
    shot = BattleObject{};
    shot.kind = 14;
    shot.move = 6;
    shot.owner = 0;
    shot.state = 1;
    HitPlayerWithShot(&shot, slot, 1);
    ASSERT_EQ(p.stateTimer, 2420);
    ASSERT_EQ(p.pushHeading, 1);
    EXPECT_EQ(S().airborne[0], 1);
    p.pushHeading = caught;
    const float x = p.x;
    const float y = p.y;
    std::vector<int32_t> shots;
    int frames = 0;
    bool onCaught = false;
    while (p.state == kStateSpellCard && frames < 1000) {
      const Frame f = RunOne(p);
      if (f.shot) shots.push_back(f.t);
      if (f.t == 2172) {
        onCaught =
            p.x == g_players[1].x && p.y == g_players[1].y - 1.0f && p.z == g_players[1].z - 26.0f;
      }
      ++frames;
    }
    const std::vector<int32_t> expected = {2381, 2361, 2341, 2321, 2301, 2289,
                                           2273, 2257, 2241, 2225, 2209, 2150};
    EXPECT_EQ(shots, expected);
    EXPECT_EQ(frames, 2420 - 2045);
    EXPECT_EQ(p.stateTimer, 2045);
    EXPECT_EQ(p.attackDelay, 100);
    EXPECT_EQ(p.z, 0.0f);
    EXPECT_EQ(S().airborne[0], 0);
    EXPECT_EQ(S().cardBar[0], 10000 - 24 * 400);
    EXPECT_EQ(onCaught, caught == 1);
    if (caught != 1) {
      EXPECT_EQ(p.x, x);
      EXPECT_EQ(p.y, y);
    }
    EXPECT_EQ(IndexMisses, 0);
  }
}

// The rise declares a second time: a 60-frame freeze, card A again, and a full bar.
TEST(SpellCards15A, TheSecondDeclarationRefillsTheBar) {
  BattleObject& p = Declared(15, 0);
  RunOne(p);
  S().cardBar[0] = 3000;
  while (p.stateTimer != spell_card::kSpecialMarker && p.stateTimer < 600) RunOne(p);
  EXPECT_EQ(FreezeFrames, 60);
  EXPECT_EQ(S().cardBar[0], 10000);
  EXPECT_EQ(S().cardBarFull[0], 10000);
  EXPECT_EQ(FlashFrames, 20);
  EXPECT_EQ(p.state, kStateSpellCard);
  // A timer written past the declaration frame declares at once instead of climbing.
  p.stateTimer = 2147483000;
  RunOne(p);
  EXPECT_EQ(p.stateTimer, spell_card::kSpecialMarker);
  RunOne(p);
  EXPECT_EQ(p.stateTimer, 449);
}

// A pull passes over character 8 guarding in its card and character 15 guarding in its special
// move or card, and draws any of them that is not guarding.
TEST(SpellCards12To15, APullLeavesProtectedCharactersInPlace) {
  struct Case {
    int character;
    int32_t state;
    int16_t guard;
    bool pulled;
  } cases[] = {
      {8, kStateSpellCard, 2, false},    {8, kStateSpecialMove, 2, true},
      {8, kStateSpellCard, 0, true},     {15, kStateSpellCard, 2, false},
      {15, kStateSpecialMove, 2, false}, {15, kStateStand, 2, true},
      {15, kStateSpecialMove, -5, true}, {1, kStateSpellCard, 2, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.character) + " " + std::to_string(c.state));
    SetUpMatch({0, c.character});
    g_players[0].x = 100.0f;
    g_players[0].y = 240.0f;
    BattleObject& other = g_players[1];
    other.x = 300.0f;
    other.y = 240.0f;
    other.state = c.state;
    other.guard = c.guard;
    spell_card::PullOthers(g_players[0], 0, 1.5f);
    EXPECT_EQ(other.vx < 0.0f, c.pulled);
  }
}

// Values written from outside through the field table in the middle of each card: no index outside
// a table (the sanitizers watch), no miss counted, and a timer
// written to or below the end ends the card on the next frame.
TEST(SpellCards12To15, OutOfRangeFieldsWrittenMidCard) {
  struct Write {
    const char* name;
    int64_t value;
  } writes[] = {
      {"p0.stateTimer", 2147483647}, {"p0.stateTimer", -2147483647 - 1},
      {"p0.stateTimer", -5},         {"p0.pushHeading", -2147483647 - 1},
      {"p0.pushHeading", 4000},      {"p0.heading", -70000},
      {"mark0.player", 2147483647},  {"mark0.player", -2},
      {"mark0.timer", 2147483647},   {"mark0.timer", -9},
  };
  for (int character = 12; character <= 15; ++character) {
    for (int card : {0, 1}) {
      for (const Write& w : writes) {
        SCOPED_TRACE(std::to_string(character) + " " + std::to_string(card) + " " + w.name + " " +
                     std::to_string(w.value));
        BattleObject& p = Declared(character, card);
        for (int i = 0; i < 40; ++i) RunOne(p);
        FieldRef ref{};
        ASSERT_TRUE(ResolveField(w.name, &ref));
        WriteField(ref, {false, w.value, 0.0f});
        for (int i = 0; i < 700 && p.state == kStateSpellCard; ++i) RunOne(p);
        if (std::string(w.name) == "p0.stateTimer" && w.value <= 0) {
          EXPECT_NE(p.state, kStateSpellCard);
        }
        EXPECT_EQ(IndexMisses, 0);
      }
    }
  }
}

}  // namespace
