// The spell cards of characters 4 to 7, each run from its declaration to its end: the duration,
// the frames of its window events, the shots it makes, the bar it leaves, its cool-down, and the
// card-specific paths (the hold freeze, the stomp, the take-over, the computer's dodge, the
// reversal).
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/cpu_player.h"
#include "game/battle/field_table.h"
#include "game/battle/player_control.h"
#include "game/battle/spell_card.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/flow/flow.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;

constexpr int32_t kUnset = -77777;

// Player 0 plays `character` against `players` - 1 opponents of character 1, far apart.
constexpr testsupport::Spread kApart{100.0f, 100.0f, 140.0f, 90.0f};

BattleObject& Ready(int character, int players = 2) {
  return testsupport::ReadyCaster(character, players, kApart);
}

BattleObject& Declared(int character, int card, int players = 2) {
  return testsupport::DeclaredCard(character, card, players, kApart);
}

// One card frame as the scene runs it, with the scene frame advancing as the frame loop does.
void CardFrame(BattleObject& p) {
  RunSpellCard(&p, 0);
  p.x += p.vx;
  p.y += p.vy;
  ++SceneFrame;
}

TEST(SpellCards4To7, EveryCardFromDeclarationToEnd) {
  struct Case {
    int character;
    int card;
    int32_t afterFirst;  // stateTimer after the first card frame
    float vx;            // after the first frame, from 7 facing heading 0
    int frames;          // first frame to end, both included
    int shots;           // shotsFired (none of these shots makes children)
    int32_t firstShotT;  // t of the first and last frame that made a shot, kUnset for none
    int32_t lastShotT;
    const char* events;  // t of each flash (F), slow motion (S), capture (C), in order
    int32_t bar;
    int16_t coolDown;
    int32_t recovery;  // at the end: 04A never steps the one its shot set
  } cases[] = {
      {4, 0, 159, 12.0f, 140, 1, 160, 160, "F160 F158", 100, 80, 4},
      {4, 1, 250, 6.0f, 251, 12, 229, 88, "F88", 0, 80, 0},
      {5, 0, 400, 6.0f, 401, 66, 393, 133, "", -880, 80, 0},
      {5, 1, 125, 4.0f * 6.0f / 7.0f, 162, 1, 125, 125, "", 80, 90, 0},
      {6, 0, 220, 6.0f, 221, 32, 219, 191, "F120 S120", 100, 80, 0},
      {6, 1, 185, 6.0f, 186, 15, 179, 123, "", 0, 80, 0},
      {7, 0, 400, 6.0f, 401, 1, 60, 60, "F384 C61 F60 S60", 0, 120, 0},
      {7, 1, 125, 7.0f, 126, 0, kUnset, kUnset, "F109", 0, 120, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.character) + (c.card == 0 ? "A" : "B"));
    BattleObject& p = Declared(c.character, c.card);
    p.heading = 0;
    p.vx = 7.0f;
    p.recovery = 0;
    std::string events;
    int32_t firstShot = kUnset;
    int32_t lastShot = kUnset;
    int frames = 0;
    while (p.state == kStateSpellCard && frames < 2000) {
      const int32_t t = p.stateTimer == spell_card::kDeclaredMarker
                            ? spell_card::CardFrameOf(c.character * 2 + c.card).duration
                            : p.stateTimer;
      const int32_t shots = g_playerState.shotsFired[0];
      FlashLength = kUnset;
      SlowMotionFrames = kUnset;
      SpellCaptureRequest = 0;
      CardFrame(p);
      if (frames == 0) {
        EXPECT_EQ(p.stateTimer, c.afterFirst);
        EXPECT_FLOAT_EQ(p.vx, c.vx);
      }
      if (g_playerState.shotsFired[0] != shots) {
        if (firstShot == kUnset) firstShot = t;
        lastShot = t;
      }
      const auto note = [&](char what) {
        events += (events.empty() ? "" : " ") + std::string(1, what) + std::to_string(t);
      };
      if (FlashLength != kUnset) note('F');
      if (SlowMotionFrames != kUnset) note('S');
      if (SpellCaptureRequest != 0) note('C');
      ++frames;
    }
    EXPECT_EQ(frames, c.frames);
    EXPECT_EQ(g_playerState.shotsFired[0], c.shots);
    EXPECT_EQ(firstShot, c.firstShotT);
    EXPECT_EQ(lastShot, c.lastShotT);
    EXPECT_EQ(events, c.events);
    EXPECT_EQ(g_playerState.cardBar[0], c.bar);
    EXPECT_EQ(p.state, kStateStand);
    EXPECT_EQ(p.guard, 0);
    EXPECT_EQ(p.attackDelay, c.coolDown);
    EXPECT_EQ(p.recovery, c.recovery);
  }
}

// 04A: the special-move value adds 10 to the dash; the freeze comes at t 144 only when a player in
// play is held.
TEST(SpellCards4To7, DashOf4AFreezesWhenItHoldsSomeone) {
  struct Case {
    int32_t specialMode;
    int heldPlayer;  // -1 none; 2 lies beyond the player count
    float speed;
    int32_t freeze;
  } cases[] = {{80, -1, 22.0f, 0}, {70, 1, 12.0f, 48}, {0, 2, 12.0f, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.specialMode);
    BattleObject& p = Declared(4, 0);
    p.heading = 64;
    g_playerState.specialMode[0] = c.specialMode;
    CardFrame(p);
    EXPECT_FLOAT_EQ(p.speed, c.speed);
    EXPECT_FLOAT_EQ(p.vy, -c.speed);
    EXPECT_EQ(g_playerState.specialMode[0], 0);
    if (c.heldPlayer >= 0) g_playerState.holdTimer[c.heldPlayer] = 30;
    while (p.stateTimer > 144) CardFrame(p);
    const float vy = p.vy;
    CardFrame(p);
    EXPECT_FLOAT_EQ(p.vy, static_cast<float>(vy * 0.02));
    EXPECT_EQ(FreezeFrames, c.freeze);
  }
}

// 04B: the caster spins whatever it holds while the held direction moves it; afterwards it faces
// the saved heading again, read through the mask when the saved value is out of range.
TEST(SpellCards4To7, SpinOf4BAndTheSavedHeading) {
  for (int32_t saved : {40, 1000, -3}) {
    SCOPED_TRACE(saved);
    BattleObject& p = Declared(4, 1);
    p.heading = saved;
    CardFrame(p);
    EXPECT_EQ(p.pushHeading, saved);
    while (p.stateTimer > 229) CardFrame(p);
    HeldFrameCounts[kInputDown][0] = 5;
    const int before = p.heading;
    CardFrame(p);
    EXPECT_EQ(p.heading, (before + 232) & 255);
    EXPECT_GT(p.vy, 0.0f) << "down moves it down the screen";
    EXPECT_EQ(p.guard, -2);
    HeldFrameCounts[kInputDown][0] = 0;
    while (p.stateTimer > 97) CardFrame(p);
    CardFrame(p);
    EXPECT_EQ(p.heading, saved & 255);
  }
}

// One battle frame as the frame loop runs it.
void Step() {
  BattleScene(0);
  if (FreezeFrames > 0) --FreezeFrames;
}

// 05B through the battle: the jump's shot stomps a player it lands on, which freezes the battle
// and roots the caster; a miss lands and ends alone. Either way the caster is free at the end.
TEST(SpellCards4To7, StompOf5BCatchesOrMisses) {
  for (bool onTop : {true, false}) {
    SCOPED_TRACE(onTop ? "catch" : "miss");
    BattleObject& p = Ready(5);
    StartSpellCard(&p, 0, 1);
    g_playerState.specialMode[0] = 300;
    BattleObject& other = g_players[1];
    if (onTop) {
      other.x = p.x;
      other.y = p.y;
    }
    const int lifeBefore = other.life;
    int frames = 0;
    int longestFreeze = 0;
    bool rooted = false;
    while (p.state == kStateSpellCard && frames < 2000) {
      Step();
      if (FreezeFrames > longestFreeze) longestFreeze = FreezeFrames;
      if (p.rooted == 1) rooted = true;
      ++frames;
    }
    EXPECT_EQ(p.state, kStateStand);
    EXPECT_EQ(p.attackDelay, 90 - 1) << "the meter step counts it down in the same frame";
    EXPECT_EQ(p.rooted, 0);
    EXPECT_EQ(g_playerState.specialMode[0], 0);
    EXPECT_EQ(rooted, onTop);
    EXPECT_EQ(longestFreeze >= 200, onTop);
    EXPECT_EQ(other.life < lifeBefore, onTop);
  }
}

// 06A: at t 120 the other players' live shots (and a shot of nobody) become the caster's.
TEST(SpellCards4To7, FreezeOf6ATakesOverOtherShots) {
  BattleObject& p = Declared(6, 0);
  BattleObject& other = g_players[1];
  for (int i = 0; i < 3; ++i) CreateShot(&other, 1, 1);
  g_shots[300].state = 1;
  g_shots[300].kind = 51;
  g_shots[300].owner = kNobody;
  auto count = [](int owner) {
    int n = 0;
    for (const BattleObject& s : g_shots) n += s.state == 1 && s.owner == owner ? 1 : 0;
    return n;
  };
  const int others = count(1) + count(kNobody);
  ASSERT_GT(count(1), 0);
  int frames = 0;
  while (p.stateTimer != 120 && frames++ < 300) CardFrame(p);
  const int own = count(0);
  CardFrame(p);
  EXPECT_EQ(count(1), 0);
  EXPECT_EQ(count(kNobody), 0);
  EXPECT_EQ(count(0), own + others);
  EXPECT_EQ(SlowMotionFrames, 24);
}

// 07A: a computer caster's evasion presses directions from its first frame on, and the steering
// then follows them; a human caster's card presses nothing. Button 4 speeds the steering up.
TEST(SpellCards4To7, GrowOf7AEvadesForTheComputerOnly) {
  for (int cpu : {1, 0}) {
    SCOPED_TRACE(cpu);
    BattleObject& p = Declared(7, 0);
    g_match.cpuFlag[0] = cpu;
    CpuMode[0] = kCpuEvade;
    CpuCountdown[0] = 39;  // the countdown at which an evasion starts walking
    CardFrame(p);
    int pressed = 0;
    for (int input : {kInputUp, kInputDown, kInputLeft, kInputRight}) {
      pressed += PendingPressCounts[input][0];
    }
    EXPECT_EQ(pressed > 0, cpu == 1);
  }
  BattleObject& p = Declared(7, 0);
  while (p.stateTimer > 300) CardFrame(p);
  HeldFrameCounts[kInputRight][0] = 3;
  for (int i = 0; i < 60; ++i) CardFrame(p);
  const float slow = p.vx;
  EXPECT_NEAR(slow, 2.8f, 0.01f);
  HeldFrameCounts[kInputButton4][0] = 3;
  for (int i = 0; i < 60; ++i) CardFrame(p);
  EXPECT_EQ(p.modifierHeld, 1);
  EXPECT_NEAR(p.vx, 4.2f, 0.01f);
}

// 07B in a team match: the opposing team's meters are halved, the caster's team-mate keeps its
// meter, and the frame loop then turns round only the opposing humans' directions.
TEST(SpellCards4To7, MoonOf7BSparesTheTeam) {
  BattleObject& p = Declared(7, 1, 4);
  g_match.teamMode = 1;
  const int team[4] = {0, 0, 1, 1};
  for (int j = 0; j < 4; ++j) g_match.team[j] = team[j];
  g_match.cpuFlag[3] = 1;
  while (p.stateTimer != 108 && p.state == kStateSpellCard) CardFrame(p);
  EXPECT_EQ(g_playerState.reverseTimer[0], 800);
  EXPECT_EQ(ReversedControlsActive, 1);
  EXPECT_FLOAT_EQ(g_players[0].meter, 700.0f);
  EXPECT_FLOAT_EQ(g_players[1].meter, 700.0f);
  EXPECT_FLOAT_EQ(g_players[2].meter, 350.0f);
  EXPECT_FLOAT_EQ(g_players[3].meter, 350.0f);
  for (int j = 0; j < 4; ++j) HeldFrameCounts[kInputUp][j] = 7;
  ApplyReversedControls();
  const int downs[4] = {0, 0, 7, 0};
  for (int j = 0; j < 4; ++j) EXPECT_EQ(HeldFrameCounts[kInputDown][j], downs[j]) << j;
}

// Values written through the field table far out of range: every card still ends, within a bound,
// with no index outside a table (the sanitizers watch the run through the battle scene).
TEST(SpellCards4To7, OutOfRangeFieldsNeverHang) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Poke {
    const char* field;
    bool isFloat;
    int64_t integer;
    float real;
  } pokes[] = {
      {"p0.pushHeading", false, INT32_MIN, 0.0f},
      {"p0.pushHeading", false, INT32_MAX, 0.0f},
      {"specialMode[0]", false, INT32_MAX, 0.0f},
      {"specialMode[0]", false, INT32_MIN, 0.0f},
      {"p0.recovery", false, INT32_MIN, 0.0f},
      {"p0.recovery", false, INT32_MAX, 0.0f},
      {"p0.z", true, 0, -1e30f},
      {"p0.z", true, 0, nan},
      {"p0.z", true, 0, -inf},
      {"p0.vz", true, 0, nan},
      {"p0.speed", true, 0, nan},
      {"p0.stateTimer", false, INT32_MIN, 0.0f},
      {"p0.stateTimer", false, 126, 0.0f},
      {"p0.heading", false, INT32_MIN, 0.0f},
      {"mark0.timer", false, INT32_MAX, 0.0f},
      {"mark0.x", true, 0, nan},
      {"mark0.player", false, INT32_MIN, 0.0f},
      {"mark1.heading", false, INT32_MAX, 0.0f},
  };
  for (int character = 4; character < 8; ++character) {
    for (int card : {0, 1}) {
      for (const Poke& poke : pokes) {
        SCOPED_TRACE(std::to_string(character) + " " + std::to_string(card) + " " + poke.field);
        BattleObject& p = Ready(character);
        StartSpellCard(&p, 0, card);
        Step();  // the declaration freeze
        FreezeFrames = 0;
        FieldRef ref{};
        ASSERT_TRUE(ResolveField(poke.field, &ref));
        WriteField(ref, FieldValue{poke.isFloat, poke.integer, poke.real});
        int frames = 0;
        while (p.state == kStateSpellCard && frames < 3000) {
          Step();
          FreezeFrames = 0;
          ++frames;
        }
        EXPECT_NE(p.state, kStateSpellCard);
      }
    }
  }
}

}  // namespace
