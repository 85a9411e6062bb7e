// Spell-card declarations, the state-9 dispatch, the common card frame and every special move run
// to its end, table-driven over characters and variants.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
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

BattleObject& Ready(int character) {
  return testsupport::ReadyCaster(character, 2, {320.0f, 200.0f, 0.0f, 100.0f});
}

TEST(SpellCard, DeclarationGates) {
  struct Case {
    const char* name;
    int character;
    uint8_t modifier;
    int powerUp;
    float gauge;
    int roundEnd;
    int roundFrame;
    bool declared;
  } cases[] = {
      {"a gauge of 100", 0, 0, 0, 100.0f, 0, 400, true},
      {"99.9 is short", 0, 0, 0, 99.9f, 0, 400, false},
      {"the round-end countdown", 0, 0, 0, 150.0f, 1, 400, false},
      {"before the round starts", 0, 0, 0, 150.0f, 0, -1, false},
      {"round frame 0", 0, 0, 0, 150.0f, 0, 0, true},
      {"powered up", 0, 0, 5, 150.0f, 0, 400, false},
      {"powered up, card B", 0, 1, 5, 150.0f, 0, 400, false},
      {"character 2 powered up, card A", 2, 0, 5, 150.0f, 0, 400, true},
      {"character 2 powered up with button 4", 2, 1, 5, 150.0f, 0, 400, false},
  };
  for (const Case& c : cases) {
    for (int card : {0, 1}) {
      SCOPED_TRACE(std::string(c.name) + " card " + std::to_string(card));
      BattleObject& p = Ready(c.character);
      p.modifierHeld = c.modifier;
      p.vx = 3.0f;
      g_playerState.powerUp[0] = c.powerUp;
      g_playerState.spellGauge[0] = c.gauge;
      RoundEndFrames = c.roundEnd;
      RoundFrame = c.roundFrame;
      StartSpellCard(&p, 0, card);
      EXPECT_EQ(p.state == kStateSpellCard, c.declared);
      if (!c.declared) {
        EXPECT_FLOAT_EQ(g_playerState.spellGauge[0], c.gauge);
        EXPECT_EQ(FreezeFrames, 0);
        continue;
      }
      EXPECT_EQ(p.stateTimer, 9999);
      EXPECT_EQ(p.vx, 0.0f);
      EXPECT_EQ(p.guard, 2);
      EXPECT_EQ(FreezeFrames, 60);
      EXPECT_FLOAT_EQ(g_playerState.spellGauge[0], c.gauge - 100.0f);
      EXPECT_EQ(g_playerState.cardBar[0], 10000);
      EXPECT_EQ(g_playerState.cardBarFull[0], 10000);
      EXPECT_EQ(g_playerState.cardChoice[0], card);
      EXPECT_EQ(g_playerState.cardUsed[0], 1);
      EXPECT_EQ(SpellScreenActive, 1);
      EXPECT_EQ(FlashFrames, 20);
      EXPECT_EQ(FlashLength, 20);
    }
  }
}

TEST(SpellCard, SpecialCardAnswers) {
  struct Case {
    const char* name;
    int powerUp;
    int reverse;
    float gauge;
    int answer;
    bool declared;
  } cases[] = {
      {"declares", 0, 0, 100.0f, 1, true},
      {"powered up", 1, 0, 100.0f, 0, false},
      {"reversed controls", 0, 1, 100.0f, 0, false},
      {"short gauge", 0, 0, 99.9f, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& p = Ready(3);
    p.state = kStateSpecialMove;
    p.z = -5.0f;
    g_playerState.powerUp[0] = c.powerUp;
    g_playerState.reverseTimer[0] = c.reverse;
    g_playerState.spellGauge[0] = c.gauge;
    g_playerState.specialMode[0] = 5000;
    EXPECT_EQ(StartSpecialSpellCard(&p, 0), c.answer);
    EXPECT_EQ(p.stateTimer == 8888, c.declared);
    if (!c.declared) continue;
    EXPECT_EQ(p.state, kStateStand);
    EXPECT_EQ(p.z, 0.0f);
    EXPECT_EQ(g_playerState.powerUp[0], 1000);
    EXPECT_EQ(g_playerState.cardChoice[0], 2);
    EXPECT_EQ(g_playerState.specialMode[0], 0);
    EXPECT_EQ(FreezeFrames, 60);
  }
}

// Through the battle scene: the freeze holds everyone, the card's first frame follows it, and a
// second player may declare while a card runs but not while the battle is frozen.
// One battle frame as the frame loop runs it: the scene, then the freeze counts down.
void Step() {
  BattleScene(0);
  if (FreezeFrames > 0) --FreezeFrames;
}

TEST(SpellCard, FirstFrameAfterTheFreezeAndDeclarationsDuringCards) {
  BattleObject& p = Ready(0);
  StartSpellCard(&p, 0, 0);
  int frames = 0;
  while (p.stateTimer == 9999 && frames < 100) {
    Step();
    ++frames;
  }
  EXPECT_EQ(frames, 61);
  EXPECT_EQ(p.stateTimer, spell_card::CardFrameOf(spell_card::CardRoutine(0, 0)).duration);
  EXPECT_EQ(g_playerState.cardBar[0], 10000);
  EXPECT_EQ(g_playerState.cardBarFull[0], 10000);
  // Player 1 declares in the middle of player 0's card.
  g_playerState.spellGauge[1] = 100.0f;
  StartSpellCard(&g_players[1], 1, 1);
  EXPECT_EQ(g_players[1].state, kStateSpellCard);
  // During the freeze the spell button does nothing.
  g_playerState.spellGauge[0] = 100.0f;
  const int bar = g_playerState.cardBar[0];
  HeldFrameCounts[kInputButton5][0] = 1;
  Step();
  EXPECT_EQ(g_playerState.cardBar[0], bar) << "player 0 is frozen";
  EXPECT_FLOAT_EQ(g_playerState.spellGauge[0], 100.0f);
  // The card runs to its end (the cards' own frames are told in their tests).
  for (int i = 0; i < 1000 && p.state == kStateSpellCard; ++i) Step();
  EXPECT_NE(p.state, kStateSpellCard);
  EXPECT_LT(g_playerState.cardBar[0], bar);
}

TEST(SpellCard, DispatchCoversThirtyOneRoutines) {
  std::set<int> routines;
  for (int c = 0; c < 16; ++c) {
    for (int choice : {0, 1, 2, -7}) {
      const int r = spell_card::CardRoutine(c, choice);
      ASSERT_GE(r, 0);
      ASSERT_LT(r, spell_card::kRoutineSlots);
      EXPECT_EQ(r, spell_card::CardRoutine(c, choice == 0 ? 0 : 1)) << "any other value is B";
      routines.insert(r);
    }
  }
  EXPECT_EQ(routines.size(), 31u);
  EXPECT_EQ(spell_card::CardRoutine(10, 1), spell_card::CardRoutine(0, 1));
  EXPECT_EQ(spell_card::CardRoutine(16, 0), -1);
  // A character with no card leaves the state and counts the miss.
  BattleObject& p = Ready(0);
  p.kind = 40;
  p.state = kStateSpellCard;
  p.stateTimer = 50;
  const int misses = IndexMisses;
  RunSpellCard(&p, 0);
  EXPECT_EQ(p.state, kStateStand);
  EXPECT_EQ(IndexMisses, misses + 1);
  // A frozen caster's card waits.
  p.kind = 0;
  p.state = kStateSpellCard;
  g_playerState.freezeTimer[0] = 3;
  RunSpellCard(&p, 0);
  EXPECT_EQ(p.stateTimer, 50);
}

int g_firstFrames;
int g_windowFrames;
void CountFirst(BattleObject&, int) {
  ++g_firstFrames;
}
bool CountWindow(BattleObject&, int, int32_t) {
  ++g_windowFrames;
  return true;
}
void Stop(BattleObject& caster, int) {
  caster.vx = 0.0f;
}

TEST(SpellCard, CommonFrameSwitches) {
  using spell_card::CardFrame;
  using spell_card::Slowing;
  struct Case {
    const char* name;
    CardFrame card;
    int frames;    // until the card ends, the first frame included
    int bar;       // at the end
    int recovery;  // from 50
    float vx;      // after one frame from 7
    int windows;   // window frames run
  } cases[] = {
      {"pending card", CardFrame{}, 121, 400, 0, 6.0f, 0},
      {"first frame goes on", CardFrame{.firstFrameGoesOn = true}, 120, 400, 0, 6.0f, 120},
      {"own end value and cool-down", CardFrame{.endValue = 100, .coolDown = 30}, 21, 8400, 29,
       6.0f, 0},
      {"active window holds the bar", CardFrame{.activeFrom = 1, .activeTo = 60}, 121, 5200, 0,
       6.0f, 0},
      {"floored bar", CardFrame{.barStep = -100, .barFloored = true}, 121, 0, 0, 6.0f, 0},
      {"second end value", CardFrame{.duration = 2100, .secondEndValue = 2045}, 56, 5600, 0, 6.0f,
       0},
      {"recovery kept", CardFrame{.countsRecovery = false}, 121, 400, 50, 6.0f, 0},
      {"no slowing", CardFrame{.slowing = Slowing::kNone}, 121, 400, 0, 7.0f, 0},
      {"own slowing", CardFrame{.slowing = Slowing::kOwn, .slow = Stop}, 121, 400, 0, 0.0f, 0},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.card.firstFrame = CountFirst;
    c.card.windows = CountWindow;
    g_firstFrames = g_windowFrames = 0;
    BattleObject& p = Ready(0);
    StartSpellCard(&p, 0, 0);
    p.recovery = 50;
    p.vx = 7.0f;
    int frames = 0;
    while (p.state == kStateSpellCard && frames < 1000) {
      spell_card::RunCardFrame(p, 0, c.card);
      if (frames == 0) {
        EXPECT_FLOAT_EQ(p.vx, c.vx);
      }
      ++frames;
    }
    EXPECT_EQ(frames, c.frames);
    EXPECT_EQ(g_firstFrames, 1);
    EXPECT_EQ(g_windowFrames, c.windows == 0 ? c.frames - 1 : c.windows);
    EXPECT_EQ(g_playerState.cardBar[0], c.bar);
    EXPECT_EQ(p.guard, 0);
    EXPECT_EQ(p.attackDelay, c.card.coolDown);
    EXPECT_EQ(p.recovery, c.recovery);
  }
}

// Every pose and sequence, run to its end: the frames it takes and where it leads.
TEST(SpecialMove, PosesAndSequencesEnd) {
  struct Case {
    int character;
    int mode;
    int frames;
    const char* leadsTo;  // "A", "B", "special" or "stand"
    int roundEnd = 0;
    int heading = 0;
  } cases[] = {
      {1, 0, 49, "B"},          {3, 0, 81, "special"},
      {4, 0, 49, "A"},          {5, 5000, 31, "B"},
      {5, 6665, 31, "B"},       {5, 6666, 81, "special"},
      {5, 7999, 81, "special"}, {5, 8000, 121, "stand"},
      {6, 5000, 37, "special"}, {6, 7999, 37, "special"},
      {6, 4999, 49, "A"},       {6, 8000, 601, "stand"},
      {7, 5000, 33, "B"},       {7, 4999, 33, "A"},
      {7, 8000, 601, "stand"},  {7, 5000, 601, "stand", 5},
      {8, 0, 56, "stand"},      {8, 8000, 601, "stand"},
      {9, 5000, 61, "A"},       {9, 6666, 81, "special"},
      {9, 8000, 121, "stand"},  {11, 5000, 109, "B"},
      {11, 0, 121, "A"},        {11, 8000, 601, "stand"},
      {12, 8000, 121, "stand"}, {12, 5000, 129, "B"},
      {12, 0, 221, "A"},        {13, 5000, 33, "A", 0, 192},
      {13, 0, 13, "B"},         {13, 9000, 601, "stand"},
      {14, 5000, 33, "B"},      {14, 0, 81, "A"},
      {14, 8000, 601, "stand"}, {15, 8000, 37, "special"},
      {15, 5000, 103, "A"},     {15, 7999, 103, "A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.character) + " " + std::to_string(c.mode));
    BattleObject& p = Ready(c.character);
    p.state = kStateSpecialMove;
    p.heading = c.heading;
    g_playerState.specialMode[0] = c.mode;
    RoundEndFrames = c.roundEnd;
    int frames = 0;
    while (p.state == kStateSpecialMove && frames < 1000) {
      UpdateSpecialMove(&p, 0);
      ++frames;
      // (The pose whose declaration is refused lets go of the ground on that frame.)
      if (p.state == kStateSpecialMove && c.roundEnd == 0) {
        EXPECT_EQ(p.rooted, 1);
      }
    }
    EXPECT_EQ(frames, c.frames);
    const std::string to = c.leadsTo;
    if (to == "A" || to == "B") {
      EXPECT_EQ(p.state, kStateSpellCard);
      EXPECT_EQ(p.stateTimer, 9999) << "the declaration ends the frame";
      EXPECT_EQ(g_playerState.cardChoice[0], to == "A" ? 0 : 1);
    } else if (to == "special") {
      EXPECT_EQ(p.state, kStateStand);
      EXPECT_EQ(p.stateTimer, 8888);
      EXPECT_EQ(g_playerState.powerUp[0], 1000);
    } else {
      EXPECT_EQ(p.state, kStateStand);
      EXPECT_NE(p.stateTimer, 9999);
    }
  }
}

TEST(SpecialMove, Character7StopsTurningFromEveryHeading) {
  for (int h = 0; h < 256; ++h) {
    BattleObject& p = Ready(7);
    p.state = kStateSpecialMove;
    p.heading = h;
    g_playerState.specialMode[0] = 0;
    int frames = 0;
    while (p.stateTimer == 0 && frames < 40) {
      UpdateSpecialMove(&p, 0);
      ++frames;
    }
    EXPECT_LE(frames, 17) << h;
    EXPECT_TRUE(p.heading < 6 || p.heading > 249) << h << " ends at " << p.heading;
  }
}

TEST(SpecialMove, OutOfRangeCharacterAndValuesNeverHang) {
  BattleObject& p = Ready(0);
  p.kind = 99;
  p.state = kStateSpecialMove;
  const int misses = IndexMisses;
  UpdateSpecialMove(&p, 0);
  EXPECT_EQ(p.state, kStateStand);
  EXPECT_EQ(IndexMisses, misses + 1);
  for (int c = 1; c < 16; ++c) {
    for (int mode : {-2147483647, -1, 2147483647}) {
      for (int heading : {-1000, 300, 2147483647}) {
        Ready(c);
        BattleObject& q = g_players[0];
        q.state = kStateSpecialMove;
        q.heading = heading;
        q.meter = 0.0f;
        g_playerState.specialMode[0] = mode;
        HeldFrameCounts[kInputButton2][0] = 0;
        int frames = 0;
        while (q.state == kStateSpecialMove && frames < 2000) {
          UpdateSpecialMove(&q, 0);
          ++frames;
        }
        EXPECT_EQ(q.state == kStateSpecialMove, false) << c << " " << mode << " " << heading;
      }
    }
  }
}

TEST(SpecialMove, Charges) {
  // Cancels on the first frame with too little meter: 5 and 9 drain before testing.
  struct Cancel {
    int character;
    float meter;
    bool cancelled;
  } cancels[] = {{5, 151.0f, true},  {5, 152.0f, false}, {9, 120.0f, true},
                 {9, 121.0f, false}, {15, 179.0f, true}, {15, 180.0f, false}};
  for (const Cancel& c : cancels) {
    SCOPED_TRACE(std::to_string(c.character) + " " + std::to_string(c.meter));
    BattleObject& p = Ready(c.character);
    p.state = kStateSpecialMove;
    p.meter = c.meter;
    g_playerState.specialMode[0] = 0;
    HeldFrameCounts[kInputButton2][0] = 1;
    UpdateSpecialMove(&p, 0);
    EXPECT_EQ(p.state == kStateStand, c.cancelled);
    EXPECT_EQ(g_playerState.specialMode[0], c.cancelled ? 0 : 1);
  }
  // 10 releases on its first frame with a full charge.
  BattleObject& ten = Ready(10);
  ten.state = kStateSpecialMove;
  g_playerState.specialMode[0] = 0;
  HeldFrameCounts[kInputButton2][0] = 5;
  UpdateSpecialMove(&ten, 0);
  EXPECT_EQ(g_playerState.specialMode[0], 160);
  EXPECT_NE(ten.state, kStateSpecialMove);
  // 0 releases above 24 into move 2, or 4 with button 4; at 24 or below it stands.
  struct Release {
    int charge;
    int button4;
    int state;
    int move;
  } releases[] = {
      {30, 0, kStateAttackStanding, 2}, {30, 1, kStateAttackStanding, 4}, {23, 0, kStateStand, -1}};
  for (const Release& r : releases) {
    SCOPED_TRACE(r.charge);
    BattleObject& p = Ready(0);
    p.state = kStateSpecialMove;
    g_playerState.specialMode[0] = r.charge;
    HeldFrameCounts[kInputButton2][0] = 0;
    HeldFrameCounts[kInputButton4][0] = r.button4;
    p.modifierHeld = static_cast<uint8_t>(r.button4 > 0);
    UpdateSpecialMove(&p, 0);
    EXPECT_EQ(p.state, r.state);
    if (r.move >= 0) {
      EXPECT_EQ(g_playerState.currentMove[0], r.move);
    }
  }
  // 15 aims with the directions while it charges.
  BattleObject& aim = Ready(15);
  aim.state = kStateSpecialMove;
  aim.heading = 0;
  g_playerState.specialMode[0] = 10;
  HeldFrameCounts[kInputButton2][0] = 9;
  HeldFrameCounts[kInputUp][0] = 3;
  HeldFrameCounts[kInputLeft][0] = 3;
  UpdateSpecialMove(&aim, 0);
  EXPECT_EQ(aim.heading, 96);
  EXPECT_EQ(aim.state, kStateSpecialMove);
}

}  // namespace
