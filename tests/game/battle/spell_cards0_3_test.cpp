// The spell cards of characters 0 to 3 (and 10's card B), each run from its declaration to its
// end: the duration, the frames of the window events, the shots, the bar, the cool-down.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/field_table.h"
#include "game/battle/player_control.h"
#include "game/battle/spell_card.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/flow/flow.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;

PlayerBattleState& S() {
  return g_playerState;
}

// Player 0 of the character, declared with the card, the freeze over; player 1 of character 1
// stands below it.
BattleObject& Declared(int character, int card) {
  return testsupport::DeclaredCard(character, card, 2, {320.0f, 200.0f, 0.0f, 100.0f});
}

// One check after the card frame that started with t (the declaration marker for the first frame).
struct Event {
  int32_t t;
  std::function<void(const BattleObject&)> check;
};

constexpr int32_t kFirst = spell_card::kDeclaredMarker;
constexpr int32_t kUnset = std::numeric_limits<int32_t>::min();

TEST(SpellCards0To3, EachCardFromDeclarationToEnd) {
  struct Outcome {
    int32_t duration;
    int frames;  // card frames, the first included
    int bar;     // at the end
    int shots;   // shotsFired (records) at the end
    int16_t coolDown;
    // At the end: 0 for a card that counts its recovery down (from 0 at the start); for one that
    // does not, from 50 at the start, what it was left at (kUnset: the launcher's, above 0).
    int32_t recovery;
    float vx;  // after the first frame, from 7
  };
  struct Case {
    int character;
    int card;
    Outcome out;
    std::vector<Event> events;
  };
  const BattleObject& foe = g_players[1];
  const Case cases[] = {
      {0,
       0,
       {400, 401, -1600, 52, 80, 0, 6.0f},
       {{380, [](const BattleObject& c) { EXPECT_NE(c.guard, 4); }},
        {379,
         [&](const BattleObject& c) {
           EXPECT_EQ(c.guard, 4);
           EXPECT_EQ(S().shotsFired[0], 1);
           EXPECT_EQ(S().actionTimer[0], 150);
           EXPECT_FLOAT_EQ(c.meter, 699.0f);
           EXPECT_LT(foe.vy, 0.0f) << "pulled up toward the caster";
         }},
        {125, [](const BattleObject&) { EXPECT_EQ(S().shotsFired[0], 51); }},
        {124,
         [](const BattleObject& c) {
           EXPECT_EQ(S().shotsFired[0], 52);
           EXPECT_EQ(c.meter, 0.0f);
           EXPECT_EQ(ScreenShake, 30);
           EXPECT_EQ(FlashFrames, 10);
           EXPECT_EQ(FlashLength, 12);
         }}}},
      // 00B: no recovery step, its own slowing.
      {0,
       1,
       {180, 161, 100, 1, 80, 50, 5.25f},
       {{kFirst, [](const BattleObject& c) { EXPECT_EQ(c.guard, 58); }},
        {142,
         [](const BattleObject& c) {
           EXPECT_EQ(c.speed, 28.0f);
           EXPECT_FLOAT_EQ(c.vx, 21.0f) << "28 slowed by weights 3 and 1";
         }},
        {139, [](const BattleObject&) { EXPECT_EQ(S().shotsFired[0], 0); }},
        {138,
         [](const BattleObject& c) {
           EXPECT_EQ(S().shotsFired[0], 1);
           EXPECT_EQ(c.meter, 0.0f);
           EXPECT_EQ(S().actionTimer[0], 160);
           EXPECT_EQ(S().specialMode[0], 0);
         }},
        {120, [](const BattleObject&) { EXPECT_EQ(S().cardBar[0], 10000); }},
        {119, [](const BattleObject&) { EXPECT_EQ(S().cardBar[0], 9900); }}}},
      // 01A: the window opens at 219 and shoots in its first 60 frames.
      {1,
       0,
       {240, 241, 0, 8, 80, 0, 6.0f},
       {{220, [](const BattleObject& c) { EXPECT_NE(c.guard, 4); }},
        {219,
         [](const BattleObject& c) {
           EXPECT_EQ(c.guard, 4);
           EXPECT_EQ(S().shotsFired[0], 1);
           EXPECT_FLOAT_EQ(c.meter, 670.0f);
           EXPECT_EQ(S().actionTimer[0], 150);
         }},
        {159, [](const BattleObject&) { EXPECT_EQ(S().shotsFired[0], 8); }},
        {105, [](const BattleObject& c) { EXPECT_EQ(c.guard, 4); }}}},
      {1,
       1,
       {120, 121, 100, 1, 80, 0, 6.0f},
       {{kFirst,
         [](const BattleObject& c) {
           EXPECT_EQ(S().shotsFired[0], 1);
           EXPECT_EQ(c.meter, 0.0f);
           EXPECT_EQ(c.guard, 20);
           EXPECT_EQ(S().actionTimer[0], 120);
           EXPECT_EQ(FlashFrames, 8);
           EXPECT_EQ(FlashLength, 9);
           EXPECT_EQ(ScreenShake, 16);
           EXPECT_EQ(SlowMotionFrames, 16);
         }}}},
      // 02A: a volley of three records a shot.
      {2,
       0,
       {280, 281, 0, 270, 80, 0, 6.0f},
       {{220,
         [&](const BattleObject& c) {
           EXPECT_LT(foe.vy, 0.0f);
           EXPECT_NE(c.guard, 4);
           EXPECT_EQ(S().cardBar[0], 10000 - 61 * 100);
         }},
        {219,
         [](const BattleObject& c) {
           EXPECT_EQ(c.guard, 4);
           EXPECT_EQ(FlashFrames, 20);
           EXPECT_EQ(S().shotsFired[0], 3);
           EXPECT_FLOAT_EQ(c.meter, 690.0f);
           EXPECT_EQ(S().actionTimer[0], 140);
         }},
        {40, [](const BattleObject&) { EXPECT_EQ(S().cardBar[0], 10000 - 61 * 100); }}}},
      // 03A: twenty shots of two records; no recovery step.
      {3,
       0,
       {200, 201, 0, 40, 80, kUnset, 6.0f},
       {{194, [](const BattleObject&) { EXPECT_EQ(S().shotsFired[0], 0); }},
        {193,
         [](const BattleObject& c) {
           EXPECT_EQ(S().shotsFired[0], 2);
           EXPECT_EQ(c.guard, -60);
           EXPECT_FLOAT_EQ(c.meter, 670.0f);
           EXPECT_EQ(S().actionTimer[0], 130);
         }},
        {136, [](const BattleObject&) { EXPECT_EQ(S().shotsFired[0], 40); }}}},
      // 03B makes no shot; no recovery step.
      {3,
       1,
       {320, 321, 10000 - 124 * 80, 0, 80, 50, 6.0f},
       {{281, [](const BattleObject& c) { EXPECT_EQ(c.z, 0.0f); }},
        {280,
         [](const BattleObject& c) {
           EXPECT_EQ(c.z, -9999.0f);
           EXPECT_EQ(c.guard, 60);
         }},
        {240, [](const BattleObject&) { EXPECT_EQ(FreezeFrames, 48); }},
        {238,
         [](const BattleObject& c) {
           EXPECT_EQ(c.guard, 60);
           EXPECT_FLOAT_EQ(c.meter, 670.0f);
         }},
        {140,
         [](const BattleObject& c) {
           EXPECT_EQ(c.z, -48.0f);
           EXPECT_EQ(c.guard, 256);
         }},
        {139, [](const BattleObject& c) { EXPECT_LT(c.z, -47.0f); }},
        {84,
         [](const BattleObject& c) {
           EXPECT_EQ(c.z, 0.0f) << "landed";
           EXPECT_EQ(c.guard, 0);
           EXPECT_EQ(S().actionTimer[0], 100);
         }}}},
      // Character 10's card B is 0's.
      {10, 1, {180, 161, 100, 1, 80, 50, 5.25f}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.character) + (c.card == 0 ? "A" : "B"));
    BattleObject& caster = Declared(c.character, c.card);
    caster.recovery = c.out.recovery == 0 ? 0 : 50;
    caster.vx = 7.0f;
    int frames = 0;
    size_t checked = 0;
    while (caster.state == kStateSpellCard && frames < 2000) {
      const int32_t t = caster.stateTimer;
      RunSpellCard(&caster, 0);
      if (frames == 0) {
        EXPECT_EQ(caster.stateTimer, c.out.duration);
        EXPECT_FLOAT_EQ(caster.vx, c.out.vx);
      }
      ++frames;
      for (const Event& e : c.events) {
        if (e.t != t) continue;
        SCOPED_TRACE("t " + std::to_string(t));
        e.check(caster);
        ++checked;
      }
    }
    EXPECT_EQ(checked, c.events.size());
    EXPECT_EQ(frames, c.out.frames);
    EXPECT_EQ(caster.state, kStateStand);
    EXPECT_EQ(caster.guard, 0);
    EXPECT_EQ(caster.attackDelay, c.out.coolDown);
    EXPECT_EQ(S().cardBar[0], c.out.bar);
    EXPECT_EQ(S().shotsFired[0], c.out.shots);
    if (c.out.recovery != kUnset) {
      EXPECT_EQ(caster.recovery, c.out.recovery);
    } else {
      EXPECT_GT(caster.recovery, 0) << "not counted down";
    }
  }
}

// One battle frame as the frame loop runs it: the scene, then the freeze counts down.
void Step() {
  BattleScene(0);
  if (FreezeFrames > 0) --FreezeFrames;
}

// Runs the caster's card through the battle scene to its end; the frames the card took.
int RunToEnd(BattleObject& caster, const std::function<void(int32_t)>& each = nullptr) {
  int frames = 0;
  while (caster.state == kStateSpellCard && frames < 3000) {
    const int32_t t = caster.stateTimer;
    Step();
    ++frames;
    if (each) each(t);
  }
  return frames;
}

// 02B's dive reports when the caster has stopped; with no dive to report (a full pool) the caster
// recoils at once. Either way it falls, lands and ends.
TEST(SpellCards0To3, Card02BWaitsForItsDiveOrRecoilsWithout) {
  for (bool fullPool : {false, true}) {
    SCOPED_TRACE(fullPool ? "full pool" : "dive made");
    BattleObject& caster = Declared(2, 1);
    if (fullPool) {
      for (BattleObject& shot : g_shots) shot.state = 1;
    }
    int waits = 0;
    int fallFrames = 0;
    float highest = 0.0f;
    const int frames = RunToEnd(caster, [&](int32_t t) {
      if (t == 101) {
        ++waits;
        EXPECT_GT(caster.guard, 0);
      }
      if (t == 100) {
        ++fallFrames;
        highest = std::min(highest, caster.z);
        EXPECT_GT(caster.guard, 0);
      }
    });
    if (fullPool) {
      EXPECT_EQ(waits, 1) << "no dive to wait for";
      EXPECT_EQ(S().shotsFired[0], 0);
    } else {
      EXPECT_GT(waits, 20) << "waits until the caster has stopped";
    }
    EXPECT_LT(highest, -20.0f) << "the recoil throws the caster up";
    EXPECT_GT(fallFrames, 30);
    EXPECT_EQ(frames, 1 + 18 + 1 + waits + fallFrames + 99) << "t held through wait and fall";
    EXPECT_EQ(caster.state, kStateStand);
    EXPECT_EQ(caster.z, 0.0f);
    EXPECT_EQ(S().cardBar[0], 100);
    EXPECT_EQ(caster.attackDelay, 79) << "80, one frame counted";
  }
}

// 02A: a powered-up caster ends through its special move's landing and loses the power-up.
TEST(SpellCards0To3, Card02AEndsPoweredUpInTheLanding) {
  for (int powerUp : {0, 500}) {
    SCOPED_TRACE(powerUp);
    BattleObject& caster = Declared(2, 0);
    S().powerUp[0] = powerUp;
    int frames = 0;
    while (caster.state == kStateSpellCard && frames < 1000) {
      RunSpellCard(&caster, 0);
      ++frames;
    }
    EXPECT_EQ(frames, 281);
    EXPECT_EQ(caster.attackDelay, 80);
    EXPECT_EQ(S().powerUp[0], 0);
    if (powerUp == 0) {
      EXPECT_EQ(caster.state, kStateStand);
      continue;
    }
    EXPECT_EQ(caster.state, kStateSpecialMove);
    EXPECT_EQ(caster.stateTimer, 0);
    EXPECT_EQ(caster.recovery, 0);
    EXPECT_EQ(caster.vz, -3.0f);
  }
}

// 03B through the battle: gone from the arena and unhittable from 280 to 141, back on the ground
// by the end, with the 48-frame freeze at 240 holding everyone.
TEST(SpellCards0To3, Card03BVanishesUnhittableAndComesBack) {
  BattleObject& caster = Declared(3, 1);
  int vanished = 0;
  const int frames = RunToEnd(caster, [&](int32_t t) {
    if (t > 140 && t <= 280) {
      ++vanished;
      EXPECT_GT(caster.guard, 0) << t;
      EXPECT_EQ(caster.z, -9999.0f) << t;
    }
  });
  // The freeze set inside a frame holds the 47 frames after it.
  EXPECT_EQ(vanished, 140 + 47);
  EXPECT_EQ(frames, 321 + 47);
  EXPECT_EQ(caster.z, 0.0f);
  EXPECT_EQ(caster.state, kStateStand);
}

// Fields written out of range through the field table, at several moments of every card: each
// card still ends within a bound, and (under the sanitizers) reads no table outside its bounds.
TEST(SpellCards0To3, OutOfRangeFieldsNeverHang) {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  struct Write {
    const char* field;
    FieldValue value;
  };
  const std::vector<Write> sets[] = {
      {{"p0.pushHeading", {false, INT32_MIN, 0}},
       {"p0.heading", {false, INT32_MAX, 0}},
       {"specialMode[0]", {false, INT32_MIN, 0}},
       {"p0.recovery", {false, INT32_MAX, 0}},
       {"p0.z", {true, 0, -1e30f}},
       {"p0.speed", {true, 0, kInf}},
       {"mark0.x", {true, 0, kNaN}},
       {"mark0.timer", {false, INT32_MAX, 0}},
       {"mark0.player", {false, -7, 0}}},
      {{"p0.pushHeading", {false, 70000, 0}},
       {"p0.heading", {false, -1000, 0}},
       {"specialMode[0]", {false, INT32_MAX, 0}},
       {"p0.recovery", {false, INT32_MIN, 0}},
       {"p0.z", {true, 0, kNaN}},
       {"p0.vz", {true, 0, kNaN}},
       {"p0.speed", {true, 0, kNaN}},
       {"mark0.heading", {false, INT32_MIN, 0}}},
      {{"p0.z", {true, 0, -kInf}}, {"p0.stateTimer", {false, INT32_MIN, 0}}},
      {{"p0.stateTimer", {false, -5, 0}}},
      {{"p0.stateTimer", {false, 101, 0}}},
      {{"p0.stateTimer", {false, 100, 0}}},
  };
  for (int character : {0, 1, 2, 3}) {
    for (int card : {0, 1}) {
      for (int32_t at : {9999, 280, 142, 101, 100}) {
        for (size_t set = 0; set < std::size(sets); ++set) {
          SCOPED_TRACE(std::to_string(character) + " " + std::to_string(card) + " at " +
                       std::to_string(at) + " set " + std::to_string(set));
          BattleObject& caster = Declared(character, card);
          bool written = false;
          int frames = 0;
          while (caster.state == kStateSpellCard && frames < 1000) {
            if (!written && caster.stateTimer == at) {
              for (const Write& w : sets[set]) {
                FieldRef ref;
                ASSERT_TRUE(ResolveField(w.field, &ref));
                WriteField(ref, w.value);
              }
              written = true;
            }
            Step();
            ++frames;
          }
          EXPECT_LT(frames, 1000);
        }
      }
    }
  }
}

}  // namespace
