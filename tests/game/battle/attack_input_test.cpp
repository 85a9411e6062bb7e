// Attack input and move starts: attack codes, the start gate, the fire step and its window, the
// follow-through, the follow-up moves, the special-move hand-off, the end of a move with its delay,
// ghosts, and every character's move-start hook.
#include <string>

#include <gtest/gtest.h>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/player_control.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "tests/game/battle/effects_made.h"
#include "tests/support/battle_state.h"
#include "tests/support/shots_made.h"
#include "tools/lib/battlesupport/step_battle_frame.h"

namespace {

using namespace veyrdale;
using testsupport::LastShotMade;
using testsupport::LiveEffects;
using testsupport::SetUpMatch;
using testsupport::ShotsMade;

// Player 0 of a two-player match past the start count, standing with a full meter.
BattleObject& Attacker(int character) {
  SetUpMatch({character, 1});
  RoundFrame = 400;
  BattleObject& p = g_players[0];
  p.owner = 0;
  p.meter = 700.0f;
  p.life = 350;
  g_playerState.poseClass[0] = 9;  // no hook has run
  return p;
}

enum Buttons { kB1 = 1, kB2 = 2, kB4 = 4 };

// One frame's buttons for player 0: held buttons count up, the others drop to 0.
void Press(int buttons) {
  const Input inputs[3] = {kInputButton1, kInputButton2, kInputButton4};
  const int bits[3] = {kB1, kB2, kB4};
  for (int i = 0; i < 3; ++i) {
    int32_t& count = HeldFrameCounts[inputs[i]][0];
    count = (buttons & bits[i]) != 0 ? count + 1 : 0;
  }
}

void Frame(BattleObject& p, int buttons) {
  Press(buttons);
  UpdateAttackInput(&p, 0);
}

// ---- Codes and the start ------------------------------------------------------------------

TEST(AttackInput, CodesFromButtonsOneTwoAndFour) {
  struct Case {
    const char* name;
    int character;
    int buttons;
    int specialMode;
    int preFight;
    int code;  // the move started, 0 none
  } cases[] = {
      {"button 1", 1, kB1, 0, 0, 1},
      {"button 2", 1, kB2, 0, 0, 2},
      {"buttons 1 and 2 give 1", 1, kB1 | kB2, 0, 0, 1},
      {"modifier and 1", 1, kB4 | kB1, 0, 0, 3},
      {"modifier, 1 and 2 give 3", 1, kB4 | kB1 | kB2, 0, 0, 3},
      {"modifier and 2", 1, kB4 | kB2, 0, 0, 4},
      {"modifier alone", 1, kB4, 0, 0, 0},
      {"nothing", 1, 0, 0, 0, 0},
      {"dialogue running", 1, kB1, 0, 5, 0},
      {"character 10 charged: 2 without buttons", 10, 0, 30, 0, 2},
      {"character 10 charged: 4 with the modifier", 10, kB4 | kB1, 30, 0, 4},
      {"character 0 charged: 2 for button 1", 0, kB1, 160, 0, 2},
      {"character 1 keeps its codes", 1, 0, 30, 0, 0},
  };
  const int poses[5] = {9, 0, 1, 3, 2};  // character 1's hook; 9: none ran
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& p = Attacker(c.character);
    g_playerState.specialMode[0] = c.specialMode;
    StoryPreFight = c.preFight;
    Frame(p, c.buttons);
    EXPECT_EQ(g_playerState.currentMove[0], c.code);
    if (c.code == 0) {
      EXPECT_EQ(p.state, kStateStand);
      EXPECT_EQ(ShotsMade(c.character), 0);
      continue;
    }
    const MoveTableEntry& row = MoveRow(0, c.code);
    EXPECT_EQ(p.state, kStateAttackStanding);
    EXPECT_EQ(p.stateTimer, row.moveLength - 1) << "started, then counted down";
    EXPECT_EQ(p.rooted, row.rootFlag);
    if (c.character == 1) {
      EXPECT_EQ(g_playerState.poseClass[0], poses[c.code]);
    }
  }
  // Moving when the attack starts.
  BattleObject& p = Attacker(1);
  p.vx = -0.5f;
  Frame(p, kB2);
  EXPECT_EQ(p.state, kStateAttackMoving);
}

TEST(AttackInput, StartGate) {
  struct Case {
    const char* name;
    int state;
    int stateTimer;
    float meter;
    int attackDelay;
    int currentMove;
    bool started;
  } cases[] = {
      {"open", 0, 0, 160, 0, 0, true},
      {"walking", 1, 30, 700, 0, 0, true},
      {"below the cost", 0, 0, 159.9f, 0, 0, false},
      {"delay", 0, 0, 700, 1, 0, false},
      {"a move still held", 0, 0, 700, 0, 3, false},
      {"dashing", 5, 5, 700, 0, 0, false},
      {"dash of character 0", 6, 5, 700, 0, 0, false},
      {"special move", 8, 5, 700, 0, 0, false},
      {"spell card", 9, 5, 700, 0, 0, false},
      {"waiting marker", 0, 8888, 700, 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& p = Attacker(1);
    p.state = c.state;
    p.stateTimer = c.stateTimer;
    p.meter = c.meter;
    p.attackDelay = static_cast<int16_t>(c.attackDelay);
    g_playerState.currentMove[0] = static_cast<int16_t>(c.currentMove);
    Frame(p, kB4 | kB2);  // move 4 costs 160
    EXPECT_EQ(g_playerState.currentMove[0], c.started ? 4 : c.currentMove);
    EXPECT_EQ(p.state, c.started ? kStateAttackStanding : c.state);
  }
}

// ---- Firing -------------------------------------------------------------------------------

TEST(AttackInput, FireStep) {
  // A companion's shot is paid once, at its row's cost, whatever the tuned data says.
  constexpr float kFullLessTheCost = -1.0f;
  struct Case {
    const char* name;
    int character;
    int state;
    int stateTimer;
    int recovery;
    float meter;
    int shots;  // moveShotCount before
    int powerUp;
    int move;
    int fired;  // shots made
    float meterAfter;
  } cases[] = {
      {"fires", 0, 2, 21, 0, 700, 0, 0, 1, 1, 679},
      {"window not open yet", 0, 2, 22, 0, 700, 0, 0, 1, 0, 700},
      {"recovering", 0, 2, 21, 3, 700, 0, 0, 1, 0, 700},
      {"meter short", 0, 2, 21, 0, 20.5f, 0, 0, 1, 0, 20.5f},
      {"the last of the meter", 0, 3, 21, 0, 21, 0, 0, 1, 1, 0},
      {"limit reached", 0, 2, 21, 0, 700, 7, 0, 1, 0, 700},
      {"powered up: 10 more", 0, 2, 21, 0, 700, 16, 1, 1, 1, 679},
      {"powered up: limit with extras", 0, 2, 21, 0, 700, 17, 1, 1, 0, 700},
      {"follow-through fires nothing", 0, 4, 21, 0, 700, 0, 0, 1, 0, 700},
      {"companion fires too", 4, 2, 11, 0, 700, 0, 1, 1, 2, kFullLessTheCost},
      {"no extra for a follow-up move", 4, 2, 11, 0, 700, 1, 1, 7, 0, 700},
      {"ghost fires", 0, 16, 21, 0, 700, 0, 0, 1, 1, 679},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& p = Attacker(c.character);
    p.state = c.state;
    p.stateTimer = c.stateTimer;
    p.recovery = c.recovery;
    p.meter = c.meter;
    g_playerState.moveShotCount[0] = static_cast<int16_t>(c.shots);
    g_playerState.powerUp[0] = c.powerUp;
    g_playerState.currentMove[0] = static_cast<int16_t>(c.move);
    g_companions[0].x = 555.0f;
    g_companions[0].kind = static_cast<uint16_t>(c.character);  // as round start leaves it
    Frame(p, c.move == 7 ? kB4 | kB2 : kB1);
    EXPECT_EQ(ShotsMade(c.character), c.fired);
    EXPECT_FLOAT_EQ(p.meter, c.meterAfter == kFullLessTheCost ? 700.0f - MoveTable[c.move].meterCost
                                                              : c.meterAfter);
    if (c.fired == 0) continue;
    const BattleObject* shot = LastShotMade(c.character);
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->move, c.move);
    EXPECT_EQ(shot->owner, 0);
    if (c.fired == 2) {
      EXPECT_EQ(g_companions[0].recovery, 3) << "the second from the companion";
    }
    EXPECT_EQ(g_playerState.moveShotCount[0], c.shots + 1);
    EXPECT_EQ(g_playerState.meterRegenPause[0], 60);
    EXPECT_EQ(p.stateTimer, MoveRow(0, c.move).timing - 2) << "window kept open, then counted";
  }
}

TEST(AttackInput, FollowThroughWhenTheCodeChangesByHitClass) {
  for (int hitClass = 0; hitClass <= 6; ++hitClass) {
    for (bool sameCode : {false, true}) {
      SCOPED_TRACE(std::to_string(hitClass) + (sameCode ? " same code" : " other code"));
      BattleObject& p = Attacker(1);
      MoveTable[1].hitClass = hitClass;  // player 0's move 1
      p.state = kStateAttackStanding;
      p.stateTimer = 11;
      g_playerState.currentMove[0] = 1;
      Frame(p, sameCode ? kB1 : kB2);
      EXPECT_EQ(ShotsMade(1), 1);
      const bool keepsFiring = sameCode || hitClass == 1 || hitClass == 3 || hitClass == 4;
      EXPECT_EQ(p.state, keepsFiring ? kStateAttackStanding : kStateFollowThrough);
      EXPECT_EQ(p.stateTimer, 10);
      // The next frame inside the window fires only while the move keeps firing.
      p.stateTimer = 11;
      p.recovery = 0;  // the launch's recovery is over
      Frame(p, sameCode ? kB1 : kB2);
      EXPECT_EQ(ShotsMade(1), keepsFiring ? 2 : 1);
    }
  }
}

// ---- Whole moves in the battle ------------------------------------------------------------

// Battle frames with player 0 holding the pad bits given.
void BattleFrames(int n, int bits) {
  const int pads[4] = {bits};
  for (int i = 0; i < n; ++i) StepBattleFrame(pads);
}

TEST(AttackInput, NoRestartWhileTheButtonIsHeld) {
  SetUpMatch({1, 0});
  BattleFrames(290, 0);
  const int b1 = kPadButton0;
  BattleFrames(100, b1);
  const BattleObject& p = g_players[0];
  EXPECT_EQ(g_playerState.shotsFired[0], 7) << "one move of seven shots";
  EXPECT_EQ(p.state, kStateStand);
  EXPECT_EQ(p.attackDelay, 0);
  EXPECT_EQ(g_playerState.currentMove[0], 1);
  BattleFrames(1, 0);
  EXPECT_EQ(g_playerState.currentMove[0], 0) << "a frame without a code";
  BattleFrames(1, b1);
  EXPECT_EQ(p.state, kStateAttackStanding);
  BattleFrames(100, b1);
  EXPECT_EQ(g_playerState.shotsFired[0], 14);
}

TEST(AttackInput, GhostAttacksWithSixTimesTheDelay) {
  struct Case {
    int state;
    float vx;
    int character;
    int buttons;
    int attackState;
  } cases[] = {
      {14, 0, 1, kB1, 16},
      {15, 1, 1, kB1, 17},
      {14, 0, 4, kB4 | kB1, 18},  // character 4's move 3 launches its companion
      {15, 0, 0, kB2, 16},        // ghosts do not charge
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attackState);
    BattleObject& p = Attacker(c.character);
    p.state = c.state;
    p.vx = c.vx;
    // The meter pays for the start and one shot: a move that keeps firing keeps its window open.
    p.meter = MoveRow(0, c.buttons == kB2 ? 2 : c.buttons == kB1 ? 1 : 3).meterCost;
    Frame(p, c.buttons);
    EXPECT_EQ(p.state, c.attackState);
    const int move = g_playerState.currentMove[0];
    int frames = 1;
    while (p.state != kGhostBase && frames < 500) {
      Frame(p, c.buttons);
      ++frames;
    }
    EXPECT_EQ(frames, MoveRow(0, move).moveLength);
    EXPECT_EQ(p.attackDelay, MoveRow(0, move).afterDelay * 6);
    EXPECT_EQ(p.rooted, 0);
  }
}

// ---- Follow-ups and the special hand-off --------------------------------------------------

TEST(AttackInput, FollowUpsOfCharacters13And4) {
  struct Case {
    const char* name;
    int character;
    int pose;
    int stateTimer;
    float meter;
    int buttons;
    int move;   // currentMove after
    int timer;  // stateTimer after
    int state;  // after
    int poseAfter;
  } cases[] = {
      {"13: move 8 by button 2", 13, 2, 33, 16, kB2, 8, 46, 2, 0},
      {"13: move 8 by modifier and 2", 13, 2, 20, 700, kB4 | kB2, 8, 46, 2, 0},
      {"13: button 1 ends the move", 13, 2, 33, 16, kB1, 4, 0, 0, 2},
      {"13: meter short", 13, 2, 33, 15.5f, kB2, 4, 32, 2, 2},
      {"13: too early", 13, 2, 34, 700, kB2, 4, 33, 2, 2},
      {"13: other pose", 13, 1, 33, 700, kB2, 4, 32, 2, 1},
      {"4: move 7 by modifier and 2", 4, 2, 27, 64, kB4 | kB2, 7, 63, 2, 3},
      {"4: button 2 alone", 4, 2, 27, 64, kB2, 4, 26, 2, 2},
      {"4: meter short", 4, 2, 27, 63, kB4 | kB2, 4, 26, 2, 2},
      {"4: too early", 4, 2, 28, 700, kB4 | kB2, 4, 27, 2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& p = Attacker(c.character);
    p.state = kStateAttackStanding;
    p.stateTimer = c.stateTimer;
    p.meter = c.meter;
    p.recovery = 5;  // nothing is fired
    g_playerState.poseClass[0] = static_cast<uint16_t>(c.pose);
    g_playerState.currentMove[0] = 4;
    g_playerState.moveShotCount[0] = 1;
    Frame(p, c.buttons);
    EXPECT_EQ(g_playerState.currentMove[0], c.move);
    EXPECT_EQ(p.stateTimer, c.timer);
    EXPECT_EQ(p.state, c.state);
    EXPECT_EQ(g_playerState.poseClass[0], c.poseAfter);
    if (c.move != 4) {
      EXPECT_EQ(p.rooted, 1);
      EXPECT_EQ(g_playerState.moveShotCount[0], 0);
    }
  }
}

TEST(AttackInput, SpecialMoveHandOff) {
  struct Case {
    const char* name;
    int character;
    int buttons;
    int button2Count;  // before the frame
    int state;         // before
    int specialMode;
    float meter;
    int stateAfter;
    int moveAfter;
  } cases[] = {
      {"0 with 2", 0, kB2, 0, 0, 0, 700, 8, 0},
      {"0 with 4", 0, kB4 | kB2, 0, 1, 0, 700, 8, 0},
      {"0 with 1 attacks", 0, kB1, 0, 0, 0, 700, 2, 1},
      {"0 without the meter for move 2", 0, kB2, 0, 0, 0, 127, 0, 0},
      {"10 with 2", 10, kB2, 0, 0, 0, 700, 8, 0},
      {"5 on the press", 5, kB2, 0, 0, 0, 700, 8, 0},
      {"5 with 4 on the press", 5, kB4 | kB2, 0, 0, 0, 700, 8, 0},
      {"5 held longer: nothing", 5, kB2, 1, 0, 0, 700, 0, 0},
      {"5 charging already attacks", 5, kB2, 0, 0, 3, 700, 2, 2},
      {"9 with 2 attacks", 9, kB2, 0, 0, 0, 700, 2, 2},
      {"9 with 4", 9, kB4 | kB2, 0, 0, 0, 700, 8, 0},
      {"15 with 2 attacks", 15, kB2, 0, 0, 0, 700, 2, 2},
      {"15 with 4", 15, kB4 | kB2, 0, 0, 0, 700, 8, 0},
      {"ghost 0 attacks", 0, kB2, 0, 14, 0, 700, 16, 2},
      {"1 never", 1, kB4 | kB2, 0, 0, 0, 700, 2, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& p = Attacker(c.character);
    p.state = c.state;
    p.stateTimer = 77;
    p.meter = c.meter;
    g_playerState.specialMode[0] = c.specialMode;
    HeldFrameCounts[kInputButton2][0] = c.button2Count;
    Frame(p, c.buttons);
    EXPECT_EQ(p.state, c.stateAfter);
    EXPECT_EQ(g_playerState.currentMove[0], c.moveAfter);
    if (c.stateAfter == kStateSpecialMove || c.moveAfter == 0) {
      EXPECT_EQ(p.stateTimer, 77) << "nothing else is set";
      EXPECT_EQ(ShotsMade(c.character), 0);
    }
  }
}

// ---- The end of a move --------------------------------------------------------------------

TEST(AttackInput, DelayAfterTheMove) {
  struct Case {
    const char* name;
    int character;
    bool powered;
    bool story;
    bool ghost;
    int delay;
  } cases[] = {
      {"plain", 0, false, false, false, 47},
      {"0 powered: two thirds", 0, true, false, false, 31},
      {"5 powered", 5, true, false, false, 31},
      {"7 powered", 7, true, false, false, 31},
      {"12 powered", 12, true, false, false, 31},
      {"13 powered", 13, true, false, false, 31},
      {"11 powered: 0.8", 11, true, false, false, 37},
      {"14 powered: 24", 14, true, false, false, 24},
      {"14 powered ghost", 14, true, false, true, 144},
      {"1 powered: unchanged", 1, true, false, false, 47},
      {"10 in the story: half", 10, false, true, false, 23},
      {"10 powered in the story", 10, true, true, false, 23},
      {"10 in versus", 10, false, false, false, 47},
      {"0 in the story", 0, false, true, false, 47},
      {"ghost", 3, false, false, true, 282},
      {"powered ghost", 0, true, false, true, 186},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& p = Attacker(c.character);
    MoveTable[1] = MoveTableEntry{10, 0, 47, 1, 0, 0, 1, 8, 8, 0, 16};
    const int base = c.ghost ? kGhostBase : 0;
    p.state = base + kStateAttackMoving;
    p.stateTimer = 1;
    p.z = -6.0f;
    p.rooted = 1;
    g_playerState.currentMove[0] = 1;
    g_playerState.moveShotCount[0] = 3;
    g_playerState.powerUp[0] = c.powered ? 300 : 0;
    g_match.storyMode = c.story ? 1 : 0;
    Frame(p, kB1);
    EXPECT_EQ(p.attackDelay, c.delay);
    EXPECT_EQ(p.state, base);
    EXPECT_EQ(g_playerState.moveShotCount[0], 0);
    EXPECT_EQ(p.z, 0.0f);
    EXPECT_EQ(p.rooted, 0);
    EXPECT_EQ(g_playerState.currentMove[0], 1) << "still held";
  }
}

TEST(AttackInput, Character14WaitsForItsRecovery) {
  BattleObject& p = Attacker(14);
  p.state = kStateAttackStanding;
  p.stateTimer = 1;
  p.recovery = 2;
  g_playerState.currentMove[0] = 1;
  Frame(p, 0);
  EXPECT_EQ(p.state, kStateAttackStanding);
  EXPECT_EQ(p.stateTimer, 0);
  EXPECT_EQ(p.recovery, 1);
  Frame(p, 0);
  EXPECT_EQ(p.state, kStateStand);
  EXPECT_EQ(p.attackDelay, MoveRow(0, 1).afterDelay);
  // Anyone else ends on time.
  BattleObject& q = Attacker(13);
  q.state = kStateAttackStanding;
  q.stateTimer = 1;
  q.recovery = 2;
  Frame(q, 0);
  EXPECT_EQ(q.state, kStateStand);
}

TEST(AttackInput, ValuesFromElsewhereNeverIndexUnchecked) {
  for (int move : {17, -1, 300, INT16_MIN}) {
    SCOPED_TRACE(move);
    BattleObject& p = Attacker(0);
    p.state = kStateAttackStanding;
    p.stateTimer = 5;
    g_playerState.currentMove[0] = static_cast<int16_t>(move);
    g_playerState.powerUp[0] = 10;
    Frame(p, kB1);
    EXPECT_EQ(ShotsMade(0), 0) << "no row, no shots";
    EXPECT_EQ(p.stateTimer, 4);
  }
  // A move timer some script set below 0 ends the move instead of holding it forever.
  BattleObject& p = Attacker(0);
  p.state = kStateAttackStanding;
  p.stateTimer = -40;
  Frame(p, 0);
  EXPECT_EQ(p.state, kStateStand);
  const int misses = IndexMisses;
  UpdateAttackInput(&p, 4);
  UpdateAttackInput(nullptr, 0);
  EXPECT_EQ(IndexMisses, misses + 2);
}

// ---- Move-start hooks ---------------------------------------------------------------------

TEST(MoveStart, PoseClassesOfTheBasicMoves) {
  const int poses[16][4] = {
      {0, 1, 0, 2}, {0, 1, 3, 2}, {0, 1, 1, 2}, {0, 1, 1, 0}, {0, 1, 0, 2}, {0, 2, 1, 2},
      {0, 1, 3, 2}, {0, 0, 0, 0}, {0, 2, 1, 3}, {0, 1, 0, 1}, {0, 1, 3, 2}, {0, 2, 1, 2},
      {0, 2, 1, 3}, {0, 3, 1, 2}, {0, 3, 1, 2}, {0, 1, 2, 3},
  };
  for (int c = 0; c < 16; ++c) {
    for (int move = 1; move <= 4; ++move) {
      BattleObject& p = Attacker(c);
      p.owner = 2;
      g_playerState.poseClass[2] = 9;
      StartCharaMove(&p, move);
      EXPECT_EQ(g_playerState.poseClass[2], poses[c][move - 1]) << c << " move " << move;
      EXPECT_EQ(g_playerState.poseClass[0], 9) << "the owner's pose, not the pool slot's";
    }
  }
}

TEST(MoveStart, JumpsGuardsEffectsAndOtherMoves) {
  struct Case {
    const char* name;
    int character;
    int move;
    bool powered;
    int pose;  // 9: unchanged
    int guard;
    float vz, z, vx;
    int effect;  // the code of the effects made (kinds 0, 10, 27, 30, 31, 70, 101, and the ring
                 // effects 13 of character 6's burst), -1 none
    int effects;
  } cases[] = {
      {"0 jumps in move 4", 0, 4, false, 2, 2, -4, -4, 0, 1, 1},
      {"0 move 7", 0, 7, false, 2, 0, 0, 0, 0, -1, 0},
      {"0 move 5 unknown", 0, 5, false, 9, 0, 0, 0, 0, -1, 0},
      {"1 move 7 unknown", 1, 7, false, 9, 0, 0, 0, 0, -1, 0},
      {"4 move 7", 4, 7, false, 3, 0, 0, 0, 0, -1, 0},
      {"6 move 1: the burst of event 14", 6, 1, false, 0, 0, 0, 0, 0, 73, 4},
      {"6 move 3", 6, 3, false, 3, 0, 0, 0, 0, 58, 1},
      {"6 move 7", 6, 7, false, 2, 0, 0, 0, 0, -1, 0},
      {"7 move 2", 7, 2, false, 0, 0, 0, 0, 0, 55, 1},
      {"7 move 4", 7, 4, false, 0, 22, 0, 0, 0, 58, 1},
      {"7 move 7", 7, 7, false, 2, 0, 0, 0, 0, -1, 0},
      {"8 hops back", 8, 2, false, 2, 8, -2, -2, -6, -1, 0},
      {"9 move 2", 9, 2, false, 1, 0, 0, 0, 0, 79, 1},
      {"10 move 1", 10, 1, false, 0, 0, 0, 0, 0, 58, 1},
      {"10 move 2", 10, 2, false, 1, 0, 0, 0, 0, 12, 1},
      {"10 move 3 armour", 10, 3, false, 3, -50, 0, 0, 0, 52, 1},
      {"10 jumps in move 4", 10, 4, false, 2, 2, -4, -4, 0, 1, 1},
      {"10 move 7", 10, 7, false, 2, 0, 0, 0, 0, -1, 0},
      {"12 move 2 armour", 12, 2, false, 2, -32, 0, 0, 0, 112, 1},
      {"13 move 8", 13, 8, false, 0, 0, 0, 0, 0, -1, 0},
      {"14 move 8", 14, 8, false, 0, 0, 0, 0, 0, -1, 0},
      {"14 powered move 2", 14, 2, true, 4, -32, 0, 0, 0, -1, 0},
      {"14 powered move 6", 14, 6, true, 4, -32, 0, 0, 0, -1, 0},
      {"14 powered move 9", 14, 9, true, 9, 0, 0, 0, 0, -1, 0},
      {"15 move 8 unknown", 15, 8, false, 9, 0, 0, 0, 0, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& p = Attacker(c.character);
    p.heading = 0;
    g_playerState.powerUp[0] = c.powered ? 50 : 0;
    StartCharaMove(&p, c.move);
    EXPECT_EQ(g_playerState.poseClass[0], c.pose);
    EXPECT_EQ(p.guard, c.guard);
    EXPECT_EQ(p.vz, c.vz);
    EXPECT_EQ(p.z, c.z);
    EXPECT_FLOAT_EQ(p.vx, c.vx);
    EXPECT_EQ(LiveEffects(), c.effects);
    if (c.effects > 0) {
      EXPECT_EQ(testsupport::EffectsWithCode(c.effect), c.effects);
    }
    if (c.effects == 1) {
      EXPECT_EQ(g_effects[0].x, p.x) << "at the player";
    }
  }
}

TEST(MoveStart, Character1FreezesItsHeadingAndCharacter4LaunchesItsCompanion) {
  BattleObject& p = Attacker(1);
  p.heading = 200;
  p.pushHeading = 3;
  StartCharaMove(&p, 2);
  EXPECT_EQ(p.pushHeading, 3);
  StartCharaMove(&p, 1);
  EXPECT_EQ(p.pushHeading, 200);

  for (int state : {2, 16}) {
    BattleObject& q = Attacker(4);
    q.state = state;
    g_companions[0].state = 1;
    g_companions[0].stateTimer = 40;
    StartCharaMove(&q, 3);
    EXPECT_EQ(g_companions[0].state, 2);
    EXPECT_EQ(g_companions[0].stateTimer, 0);
    EXPECT_EQ(q.state, state == 2 ? kStateFollowThrough : kStateGhostFollowThrough);
  }
  // Through the attack input: the follow-through state stays.
  BattleObject& r = Attacker(4);
  Frame(r, kB4 | kB1);
  EXPECT_EQ(r.state, kStateFollowThrough);
  EXPECT_EQ(g_playerState.currentMove[0], 3);
}

TEST(MoveStart, RecordsOfNoPlayerAreLeftAlone) {
  BattleObject& p = Attacker(4);
  p.owner = kNobody;
  g_companions[3].state = 1;
  int misses = IndexMisses;
  StartCharaMove(&p, 3);
  EXPECT_EQ(g_companions[3].state, 1);
  EXPECT_GT(IndexMisses, misses);
  p.kind = 16;
  p.owner = 0;
  misses = IndexMisses;
  StartCharaMove(&p, 1);
  EXPECT_EQ(g_playerState.poseClass[0], 9);
  EXPECT_EQ(IndexMisses, misses + 1);
  StartCharaMove(nullptr, 1);
}

}  // namespace
