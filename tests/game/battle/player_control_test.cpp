// Player control: directions, walking speeds, the modifier and its burst, rooting, slowing and the
// special-move scaling; the spell-card and special-move triggers; hit-stun and knock-back; and the
// shot hand-overs and the slowing of nearby opponents.
#include "game/battle/player_control.h"

#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/flow/flow.h"
#include "tests/game/battle/effects_made.h"
#include "tests/game/battle/items_made.h"
#include "tests/support/battle_state.h"
#include "tests/support/shots_made.h"

namespace {

using namespace veyrdale;
using testsupport::EffectsWithCode;
using testsupport::LastShotMade;
using testsupport::LiveEffects;
using testsupport::SetUpMatch;
using testsupport::ShotsMade;

// Player 0 of a two-player match past the start count, standing at the arena's centre.
BattleObject& Standing(int character, int other = 1) {
  SetUpMatch({character, other});
  RoundFrame = 400;
  for (int p = 0; p < 2; ++p) {
    g_players[p].owner = static_cast<int16_t>(p);
    g_players[p].x = 320.0f;
    g_players[p].y = 240.0f + 100.0f * p;
    g_players[p].life = 350;
    g_players[p].meter = 700.0f;
  }
  return g_players[0];
}

void Hold(Input input, int count, int p = 0) {
  HeldFrameCounts[input][p] = count;
}

// ---- Walking ------------------------------------------------------------------------------

// Every combination of the four directions, through the helper, the held counts, a walking
// player and a ghost. Up with down cancels; left with right cancels unless up or down is held
// alone beside them, where left wins.
TEST(PlayerControl, DirectionOfEveryCombination) {
  // Bits: up 8, down 4, left 2, right 1.
  const int expected[16] = {
      kNoDirection,  // none
      0,             // right
      128,           // left
      kNoDirection,  // left and right
      192,           // down
      224,           // down right
      160,           // down left
      160,           // down, left and right: left wins
      64,            // up
      32,            // up right
      96,            // up left
      96,            // up, left and right: left wins
      kNoDirection,  // up and down
      0,             // up, down, right
      128,           // up, down, left
      kNoDirection,  // all four
  };
  for (int bits = 0; bits < 16; ++bits) {
    SCOPED_TRACE(bits);
    const bool up = bits & 8, down = bits & 4, left = bits & 2, right = bits & 1;
    const int want = expected[bits];
    EXPECT_EQ(DirectionOf(up, down, left, right), want);
    for (int ghost = 0; ghost < 2; ++ghost) {
      BattleObject& p = Standing(0);
      p.heading = 50;
      if (ghost == 1) p.state = kStateGhost;
      // Counts other than 1 count as held just the same; player 2's never reach player 0.
      Hold(kInputUp, up ? 3 : 0);
      Hold(kInputDown, down ? 1 : 0);
      Hold(kInputLeft, left ? 9 : 0);
      Hold(kInputRight, right ? 2 : 0);
      Hold(kInputLeft, 5, 2);
      EXPECT_EQ(HeldDirection(0), want);
      if (ghost == 1) {
        BattleScene(0);
        EXPECT_EQ(p.state, want == kNoDirection ? kStateGhost : kStateGhostMove) << "ghost";
      } else {
        UpdatePlayerControl(&p, 0);
        EXPECT_EQ(p.state, want == kNoDirection ? kStateStand : kStateWalk);
      }
      EXPECT_EQ(p.heading, want == kNoDirection ? 50 : want) << "ghost " << ghost;
      if (want == kNoDirection) {
        EXPECT_EQ(p.vx, 0.0f);
        EXPECT_EQ(p.vy, 0.0f);
      }
    }
  }
  EXPECT_EQ(HeldDirection(4), kNoDirection);
  EXPECT_EQ(HeldDirection(-1), kNoDirection);
}

TEST(PlayerControl, WalkingSpeedPerCharacterWithAndWithoutPowerUp) {
  const float speeds[16] = {3.5f, 3.0f, 4.0f, 3.2f, 4.0f, 3.5f, 3.8f, 2.8f,
                            4.2f, 2.7f, 3.8f, 4.2f, 3.5f, 3.5f, 3.5f, 3.5f};
  const float bonus[16] = {0.75f, -0.5f, 1.5f, 0,    0.5f, 0.5f, 0.5f, -1.3f,
                           1.6f,  0,     0.5f, 1.5f, 0.5f, 0.5f, 0.5f, 0.5f};
  for (int c = 0; c < 16; ++c) {
    for (bool powered : {false, true}) {
      SCOPED_TRACE(std::to_string(c) + (powered ? " powered" : ""));
      const float s = speeds[c] + (powered ? bonus[c] : 0.0f);
      EXPECT_FLOAT_EQ(WalkingSpeed(c, powered), s);
      BattleObject& p = Standing(c);
      g_playerState.powerUp[0] = powered ? 500 : 0;
      Hold(kInputRight, 1);
      UpdatePlayerControl(&p, 0);
      // Character 6 turns slower while powered up (weight 10 more).
      const float weight = (c == 6 && powered) ? 15.0f : 5.0f;
      EXPECT_FLOAT_EQ(p.vx, s / (weight + 1.0f));
      EXPECT_EQ(p.vy, 0.0f);
      EXPECT_FLOAT_EQ(p.x, 320.0f + p.vx);
      EXPECT_EQ(p.state, kStateWalk);
      EXPECT_EQ(p.heading, 0);
      EXPECT_EQ(p.stateTimer, 1);
    }
  }
  EXPECT_EQ(WalkingSpeed(16, false), 0.0f);
  EXPECT_EQ(WalkingSpeed(-1, true), 0.0f);
}

struct WalkCase {
  const char* name;
  int character;
  int state;
  uint8_t modifier;
  int button4;  // held count of button 4
  int slow;
  uint8_t rooted;
  uint16_t pose;
  int stateTimer;
  float vx0;  // the velocity before the frame, along x
  float expected;
  int heading;  // after the frame
};

TEST(PlayerControl, ModifierBurstRootingSlowingAndSpecialMoveScaling) {
  const WalkCase cases[] = {
      {"plain walk", 0, 0, 0, 0, 0, 0, 0, 0, 0, 3.5f / 6, 0},
      {"modifier: 1.5 times, weight 10", 0, 0, 1, 2, 0, 0, 0, 0, 0, 5.25f / 11, 0},
      {"burst on the press", 0, 0, 1, 1, 0, 0, 0, 0, 0, 0.8f * 5.25f, 0},
      {"burst on the press alone", 0, 0, 0, 1, 0, 0, 0, 0, 0, 0.8f * 3.5f, 0},
      {"no burst while attacking", 0, 2, 1, 1, 0, 0, 0, 5, 0, 5.25f / 11, 0},
      {"slowed: half the target", 0, 0, 0, 0, 10, 0, 0, 0, 0, 1.75f / 6, 0},
      {"rooted keeps the heading and glides", 0, 2, 0, 0, 0, 1, 0, 5, 3.0f, 2.5f, 64},
      {"special move, character 0", 0, 8, 0, 0, 0, 0, 0, 5, 0, 3.5f * 0.9f / 6, 0},
      {"special move, character 5 keeps the modifier", 5, 8, 1, 2, 0, 0, 0, 5, 0,
       5.25f * 0.75f / 11, 0},
      {"special move, character 9", 9, 8, 0, 0, 0, 0, 0, 5, 0, 2.7f / 6, 0},
      {"special move, character 1 drops the modifier", 1, 8, 1, 2, 0, 0, 0, 5, 0, 3.0f * 0.85f / 6,
       0},
      {"character 11 keeps its velocity at 32", 11, 2, 0, 0, 0, 0, 0, 32, 2.0f, 2.0f, 0},
      {"character 11 keeps its velocity at 48", 11, 17, 0, 0, 0, 0, 0, 48, 2.0f, 2.0f, 0},
      {"character 11 blends at 31", 11, 2, 0, 0, 0, 0, 0, 31, 2.0f, (4.2f + 10.0f) / 6, 0},
      {"character 11 blends at 49", 11, 3, 0, 0, 0, 0, 0, 49, 2.0f, (4.2f + 10.0f) / 6, 0},
      {"character 11 blends in another pose", 11, 2, 0, 0, 0, 0, 1, 40, 2.0f, (4.2f + 10.0f) / 6,
       0},
      {"character 11 blends while walking", 11, 1, 0, 0, 0, 0, 0, 40, 2.0f, (4.2f + 10.0f) / 6, 0},
  };
  for (const WalkCase& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& p = Standing(c.character);
    p.state = c.state;
    p.modifierHeld = c.modifier;
    p.rooted = c.rooted;
    p.stateTimer = c.stateTimer;
    p.vx = c.vx0;
    p.heading = 64;
    g_playerState.slowTimer[0] = c.slow;
    g_playerState.poseClass[0] = c.pose;
    g_playerState.spellGauge[0] = 0;
    Hold(kInputButton4, c.button4);
    Hold(kInputRight, 4);
    UpdatePlayerControl(&p, 0);
    EXPECT_NEAR(p.vx, c.expected, 1e-5);
    EXPECT_EQ(p.heading, c.heading);
    if (c.state == kStateSpecialMove) {
      EXPECT_EQ(p.x, 320.0f) << "no motion step in the special move";
      EXPECT_EQ(p.modifierHeld, c.character == 5 ? c.modifier : 0);
    }
  }
}

TEST(PlayerControl, StoppingDashAndPreFight) {
  BattleObject& p = Standing(0);
  p.state = kStateWalk;
  p.stateTimer = 40;
  p.vx = 0.05f;
  p.vy = -3.0f;
  UpdatePlayerControl(&p, 0);
  EXPECT_EQ(p.state, kStateStand);
  EXPECT_EQ(p.stateTimer, 1) << "reset to 0, then counted";
  EXPECT_EQ(p.vx, 0.0f) << "below 0.1 becomes 0";
  EXPECT_FLOAT_EQ(p.vy, -2.5f);
  EXPECT_FLOAT_EQ(p.y, 237.5f);

  // The dash state and the pre-fight skip the walking but run the dash and the motion.
  for (int variant = 0; variant < 2; ++variant) {
    BattleObject& q = Standing(10);
    q.vx = 2.0f;
    if (variant == 0) q.state = kStateDash;
    StoryPreFight = variant;
    Hold(kInputUp, 3);
    UpdatePlayerControl(&q, 0);
    EXPECT_EQ(q.vx, 2.0f);
    EXPECT_EQ(q.heading, 0);
    EXPECT_FLOAT_EQ(q.x, 322.0f);
  }
  // Character 10 dashes as character 0.
  BattleObject& s = Standing(10);
  Hold(kInputButton3, 1);
  UpdatePlayerControl(&s, 0);
  EXPECT_EQ(s.state, kStateDashSpin);
  // No dash before the fight begins.
  BattleObject& r = Standing(3);
  RoundFrame = 280;
  Hold(kInputButton3, 1);
  UpdatePlayerControl(&r, 0);
  EXPECT_EQ(r.state, kStateStand);
  RoundFrame = -5;
  UpdatePlayerControl(&r, 0);
  EXPECT_EQ(r.state, kStateDash);
}

TEST(PlayerControl, HeldFlagClearedAndLowLifeModeOfCharacter0) {
  struct Case {
    int character;
    int life;
    uint8_t lowLife;
  } cases[] = {{0, 79, 1}, {0, 80, 0}, {1, 10, 0}};
  for (const Case& c : cases) {
    BattleObject& p = Standing(c.character);
    p.life = c.life;
    g_playerState.heldFlag[0] = 1;
    UpdatePlayerControl(&p, 0);
    EXPECT_EQ(g_playerState.lowLifeMode[0], c.lowLife) << c.character << " " << c.life;
    EXPECT_EQ(g_playerState.heldFlag[0], 0);
  }
}

// ---- Triggers -----------------------------------------------------------------------------

// What a trigger did: "A" or "B" for a declared spell card, "S<v>" for the special move with value
// v, "-" for nothing.
std::string Outcome(const BattleObject& p) {
  if (p.state == kStateSpellCard) return g_playerState.cardChoice[0] == 0 ? "A" : "B";
  if (p.state == kStateSpecialMove) return "S" + std::to_string(g_playerState.specialMode[0]);
  return "-";
}

TEST(PlayerControl, SpellButtonPerCharacterWithAndWithoutModifier) {
  const char* const withoutModifier[16] = {"A", "A",     "A", "A",  "S0", "A",     "S0", "S0",
                                           "A", "S5000", "A", "S0", "S0", "S5000", "S0", "A"};
  const char* const withModifier[16] = {"B", "S0", "B", "B",     "B",     "S5000", "B",     "S5000",
                                        "B", "B",  "B", "S5000", "S5000", "S0",    "S5000", "B"};
  for (int c = 0; c < 16; ++c) {
    for (uint8_t modifier : {0, 1}) {
      SCOPED_TRACE(std::to_string(c) + (modifier ? " with modifier" : ""));
      BattleObject& p = Standing(c);
      p.modifierHeld = modifier;
      g_playerState.spellGauge[0] = 100;
      g_playerState.specialMode[0] = 77;
      Hold(kInputButton5, 1);
      UpdatePlayerControl(&p, 0);
      EXPECT_EQ(Outcome(p), modifier ? withModifier[c] : withoutModifier[c]);
      if (p.state == kStateSpellCard) {
        EXPECT_EQ(p.stateTimer, 9999);
        EXPECT_FLOAT_EQ(g_playerState.spellGauge[0], 0.0f);
      }
      if (p.state == kStateSpecialMove) {
        EXPECT_EQ(p.stateTimer, 0);
        EXPECT_EQ(p.x, 320.0f) << "the frame ends in the special move";
      }
      EXPECT_EQ(SlowMotionFrames, c == 13 && modifier ? 16 : 0);
    }
  }
}

TEST(PlayerControl, TriggerGating) {
  struct Case {
    const char* name;
    int character;
    int attackDelay;
    uint8_t reversed;
    int roundFrame;
    int roundEnd;
    int state;
    int count;  // of button 5
    float gauge;
    int powerUp;
    const char* outcome;
  } cases[] = {
      {"open", 0, 0, 0, 281, 0, 0, 1, 100, 0, "A"},
      {"walking", 0, 0, 0, 281, 0, 1, 1, 100, 0, "A"},
      {"attack delay", 0, 1, 0, 281, 0, 0, 1, 100, 0, "-"},
      {"reversed controls", 0, 0, 1, 281, 0, 0, 1, 100, 0, "-"},
      {"start count", 0, 0, 0, 280, 0, 0, 1, 100, 0, "-"},
      {"round over", 0, 0, 0, 400, 5, 0, 1, 100, 0, "-"},
      {"attacking", 0, 0, 0, 400, 0, 2, 1, 100, 0, "-"},
      {"held, not pressed", 0, 0, 0, 400, 0, 0, 2, 100, 0, "-"},
      {"special move needs the gauge", 4, 0, 0, 400, 0, 0, 1, 99.5f, 0, "-"},
      {"special move with the gauge", 4, 0, 0, 400, 0, 0, 1, 100, 0, "S0"},
      {"special move not while powered up", 4, 0, 0, 400, 0, 0, 1, 200, 6, "-"},
      {"the card tests its own gauge", 0, 0, 0, 400, 0, 0, 1, 99.9f, 0, "-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& p = Standing(c.character);
    p.attackDelay = static_cast<int16_t>(c.attackDelay);
    p.state = c.state;
    p.stateTimer = 10;
    ReversedControlsActive = c.reversed;
    RoundFrame = c.roundFrame;
    RoundEndFrames = c.roundEnd;
    g_playerState.spellGauge[0] = c.gauge;
    g_playerState.powerUp[0] = c.powerUp;
    Hold(kInputButton5, c.count);
    UpdatePlayerControl(&p, 0);
    EXPECT_EQ(Outcome(p), c.outcome);
  }
}

TEST(PlayerControl, BothAttackButtonsTogether) {
  struct Case {
    const char* name;
    int character;
    int life;
    int count1, count2;
    int state;
    const char* outcome;
    int specialCards;  // special cards declared
    int effect19;
  } cases[] = {
      {"character 3 at 175", 3, 175, 1, 1, 0, "S0", 0, 0},
      {"character 3 at 176", 3, 176, 1, 1, 0, "-", 0, 0},
      {"character 5 at 80", 5, 80, 2, 3, 3, "S6666", 0, 1},
      {"character 5 at 81", 5, 81, 1, 1, 0, "-", 0, 0},
      {"character 6", 6, 350, 3, 1, 2, "S5000", 0, 0},
      {"character 15", 15, 350, 1, 1, 1, "S8000", 0, 0},
      {"others: the special card", 0, 350, 1, 1, 0, "-", 1, 0},
      {"others in an attack", 12, 350, 3, 3, 3, "-", 1, 0},
      {"held too long", 6, 350, 4, 1, 0, "-", 0, 0},
      {"one button only", 6, 350, 1, 0, 0, "-", 0, 0},
      {"follow-through", 6, 350, 1, 1, 4, "-", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject& p = Standing(c.character);
    p.life = c.life;
    p.state = c.state;
    p.stateTimer = 10;
    g_playerState.spellGauge[0] = 100;
    Hold(kInputButton1, c.count1);
    Hold(kInputButton2, c.count2);
    UpdatePlayerControl(&p, 0);
    EXPECT_EQ(Outcome(p), c.outcome);
    EXPECT_EQ(p.stateTimer == 8888 ? 1 : 0, c.specialCards);
    EXPECT_EQ(LiveEffects(), c.effect19);
    EXPECT_EQ(EffectsWithCode(21), c.effect19) << "kind 19";
  }
  // Character 5's effect comes with the attempt, also when the gauge is short.
  BattleObject& p = Standing(5);
  p.life = 20;
  g_playerState.spellGauge[0] = 50;
  Hold(kInputButton1, 1);
  Hold(kInputButton2, 1);
  UpdatePlayerControl(&p, 0);
  EXPECT_EQ(p.state, kStateStand);
  EXPECT_EQ(EffectsWithCode(21), 1);
}

// ---- Hit-stun -----------------------------------------------------------------------------

// Frames of the battle scene until player 1 first moves, with its hit-stun set up.
int StillFramesOfHitStun(int slowTimer) {
  SetUpMatch({0, 1});
  RoundFrame = 400;
  BattleObject& p = g_players[1];
  p.x = p.y = 200.0f;
  p.life = 350;
  p.state = kStateHitStun;
  p.stateTimer = 16;
  p.speed = 5.0f;
  p.pushHeading = 0;
  g_playerState.slowTimer[1] = slowTimer;
  int frames = 0;
  while (p.x == 200.0f && frames < 100) {
    BattleScene(0);
    ++frames;
  }
  return frames - 1;
}

TEST(HitStun, FourStillFramesFourTimesAsLongWhileSlowed) {
  EXPECT_EQ(StillFramesOfHitStun(0), 4);
  EXPECT_EQ(StillFramesOfHitStun(64), 16);
  // The guard of the hit's first frame, and the slide's first step.
  SetUpMatch({0, 1});
  BattleObject& p = g_players[1];
  p.stateTimer = 12;
  p.speed = 5.0f;
  p.pushHeading = 64;
  UpdateHitStun(&p, 1);
  EXPECT_EQ(p.vx, 0.0f) << "cos of a quarter turn is below 1 and becomes 0";
  EXPECT_FLOAT_EQ(p.vy, -4.55f);
  EXPECT_FLOAT_EQ(p.speed, 4.55f);
  p.stateTimer = 16;
  p.guard = 0;
  UpdateHitStun(&p, 1);
  EXPECT_EQ(p.guard, 2);
  EXPECT_EQ(p.stateTimer, 15);
}

TEST(HitStun, EndConditionDecayAndFall) {
  struct Case {
    const char* name;
    int timer;
    float speed;
    float z;
    int slow;
    int state;
    float speedAfter;
  } cases[] = {
      {"ends", 1, 0.5f, 0, 0, kStateStand, 0.455f},
      {"still sliding", 1, 1.5f, 0, 0, kStateHitStun, 1.365f},
      {"in the air", 1, 0.5f, -3, 0, kStateHitStun, 0.455f},
      {"timer runs", 5, 0.05f, 0, 0, kStateHitStun, 0},
      {"slowed decays less", 5, 2.0f, 0, 8, kStateHitStun, 1.88f},
      {"slowed timer waits", 1, 0.5f, 0, 7, kStateHitStun, 0.47f},
      {"timer already out", 0, 0.5f, 0, 0, kStateStand, 0.455f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({0, 1});
    BattleObject& p = g_players[1];
    p.state = kStateHitStun;
    p.stateTimer = c.timer;
    p.speed = c.speed;
    p.z = c.z;
    p.vz = -1.0f;
    g_playerState.slowTimer[1] = c.slow;
    UpdateHitStun(&p, 1);
    EXPECT_EQ(p.state, c.state);
    EXPECT_FLOAT_EQ(p.speed, c.speedAfter);
    if (c.z < 0) {
      EXPECT_FLOAT_EQ(p.vz, -0.9f);
      EXPECT_FLOAT_EQ(p.z, -3.9f);
    }
  }
  // A fall that would end below the ground ends on it.
  SetUpMatch({0, 1});
  BattleObject& p = g_players[1];
  p.state = kStateHitStun;
  p.stateTimer = 3;
  p.z = -0.5f;
  p.vz = 2.0f;
  UpdateHitStun(&p, 1);
  EXPECT_EQ(p.z, 0.0f);
}

// ---- Knock-back ---------------------------------------------------------------------------

TEST(KnockBack, FlightLandingLyingAndGettingUp) {
  for (int character : {0, 12}) {
    SCOPED_TRACE(character);
    SetUpMatch({0, character});
    BattleObject& p = g_players[1];
    p.owner = 1;
    p.x = 300.0f;
    p.y = 200.0f;
    p.state = kStateKnockBack;
    p.stateTimer = 30;
    p.speed = 12.0f;
    p.pushHeading = 128;
    p.vz = -3.0f;
    g_playerState.airborne[1] = 1;
    int frames = 0;
    // Up and down again: vz -3 rises by 0.2 a frame until z passes 8.
    while (p.z <= 8.0f && frames < 200) {
      const float x = p.x;
      UpdateKnockBack(&p, 1);
      ++frames;
      EXPECT_EQ(p.guard, 1000);
      if (p.z <= 8.0f) {
        EXPECT_FLOAT_EQ(p.x, x - 10.0f) << "at most 10 a frame";
      }
      if (p.vz < -1.0f) {
        EXPECT_EQ(g_playerState.airborne[1], 1) << frames;
      }
    }
    EXPECT_EQ(p.recovery, frames) << "counts every frame of the flight";
    EXPECT_EQ(g_playerState.airborne[1], 0);
    EXPECT_EQ(p.speed, 0.0f);
    // Kind 0 at the player (code 1, 20 lower); character 12 adds kind 74 (code 83, 6 lower)
    // from 14 below the player.
    ASSERT_EQ(LiveEffects(), character == 12 ? 2 : 1);
    EXPECT_EQ(g_effects[0].code, 1);
    EXPECT_EQ(g_effects[0].y, p.y + 20.0f);
    if (character == 12) {
      EXPECT_EQ(g_effects[1].code, 83);
      EXPECT_EQ(g_effects[1].y, 220.0f);
      EXPECT_EQ(p.y, 200.0f) << "only for the effect";
    }
    // Lying: 30 frames, the last of which gets the player up.
    p.vx = 5.0f;
    for (int i = 0; i < 29; ++i) {
      UpdateKnockBack(&p, 1);
      EXPECT_EQ(p.state, kStateKnockBack);
      EXPECT_EQ(p.guard, 1000);
    }
    EXPECT_EQ(p.vx, 0.0f) << "damped, zeroed below 1";
    UpdateKnockBack(&p, 1);
    EXPECT_EQ(p.state, kStateStand);
    EXPECT_EQ(p.guard, 90);
    EXPECT_EQ(g_playerState.recoveryGuard[1], 90);
    EXPECT_EQ(p.z, 0.0f);
    EXPECT_EQ(p.recovery, 0);
  }
}

TEST(KnockBack, LyingDampingAndHeldCarriage) {
  SetUpMatch({0, 1});
  BattleObject& p = g_players[1];
  p.state = kStateKnockBack;
  p.z = 9.0f;
  p.stateTimer = 10;
  p.vx = 4.0f;
  p.vy = -1.5f;
  UpdateKnockBack(&p, 1);
  EXPECT_FLOAT_EQ(p.vx, 2.0f) << "x 0.6, then blended toward 0 with 5 to 1";
  EXPECT_EQ(p.vy, 0.0f) << "0.9 is below 1";
  EXPECT_EQ(p.stateTimer, 9);

  struct Case {
    float speed;
    int heading;
    float vx, vy;
  } cases[] = {{20.0f, 0, 10.5f, 0}, {6.0f, 128, -6.0f, 0}, {20.0f, 64 + 256 * 3, 0, -10.5f}};
  for (const Case& c : cases) {
    SetUpMatch({0, 1});
    BattleObject& q = g_players[1];
    q.state = kStateKnockBack;
    q.stateTimer = 10;
    q.speed = c.speed;
    q.pushHeading = c.heading;
    q.z = -5.0f;
    q.vz = -2.0f;
    g_playerState.heldFlag[1] = 1;
    UpdateKnockBack(&q, 1);
    EXPECT_FLOAT_EQ(q.vx, c.vx);
    EXPECT_FLOAT_EQ(q.vy, c.vy);
    EXPECT_FLOAT_EQ(q.x, c.vx);
    EXPECT_EQ(q.z, -5.0f) << "no fall while carried";
    EXPECT_EQ(q.vz, -2.0f);
    EXPECT_EQ(q.stateTimer, 10);
    EXPECT_EQ(q.recovery, 0);
    EXPECT_EQ(q.guard, 1000);
  }
  // A lying time already used up gets the player up instead of never.
  SetUpMatch({0, 1});
  p.state = kStateKnockBack;
  p.z = 9.0f;
  p.stateTimer = -3;
  UpdateKnockBack(&p, 1);
  EXPECT_EQ(p.state, kStateStand);
}

// ---- Shots handed over, opponents slowed -------------------------------------------------

void LiveShot(int slot, int owner, float x, float y, int move = 1, int recovery = 0) {
  BattleObject& s = g_shots[slot];
  s.state = 1;
  s.owner = static_cast<int16_t>(owner);
  s.x = x;
  s.y = y;
  s.move = move;
  s.recovery = recovery;
}

TEST(ShotHandOver, RemovePlayerShotsLeavesOneItemPerShot) {
  SetUpMatch({2, 10, 0});
  LiveShot(0, 0, 10.9f, 20.1f);
  LiveShot(7, 1, 50, 60);
  LiveShot(300, 0, -7.5f, 480.7f);
  LiveShot(511, 0, 1, 2);
  g_shots[12].owner = 0;  // a free slot is no shot
  RemovePlayerShots(0);
  EXPECT_EQ(testsupport::ItemsInPool(), 3);
  EXPECT_EQ(g_shots[0].state, 0);
  EXPECT_EQ(g_shots[300].state, 0);
  EXPECT_EQ(g_shots[511].state, 0);
  EXPECT_EQ(g_shots[7].state, 1);
  // The last item, at the truncated position.
  EXPECT_EQ(testsupport::LastItem()->x, 1.0f);
  EXPECT_EQ(testsupport::LastItem()->y, 2.0f);
  SetUpMatch({2, 10, 0});
  LiveShot(4, 0, -7.5f, 480.7f);
  RemovePlayerShots(0);
  EXPECT_EQ(testsupport::LastItem()->x, -7.0f);
  EXPECT_EQ(testsupport::LastItem()->y, 480.0f);

  RemovePlayerShots(4);
  RemovePlayerShots(-1);
  EXPECT_EQ(testsupport::ItemsInPool(), 1) << "nobody's shots are not a player's";
}

TEST(ShotHandOver, ReleaseRulesAndBadCarriedIndex) {
  // Character 2's move 6: its owner is thrown back.
  SetUpMatch({2, 10, 0});
  g_players[0].heading = 0;
  LiveShot(3, 0, 100, 100, 6);
  RemovePlayerShots(0);
  EXPECT_EQ(g_players[0].stateTimer, 100);
  EXPECT_EQ(g_players[0].vz, -3.0f);
  EXPECT_FLOAT_EQ(g_players[0].vx, -4.0f);
  // Character 10's move 9: the carried player is let go and turned round.
  for (int carried : {2, 0, 4, -1, 1000, INT32_MIN}) {
    SCOPED_TRACE(carried);
    SetUpMatch({2, 10, 0});
    g_players[2].pushHeading = 200;
    g_players[0].pushHeading = 30;
    g_playerState.heldFlag[2] = 1;
    g_playerState.heldFlag[0] = 1;
    LiveShot(9, 1, 0, 0, 9, carried);
    LiveShot(10, 1, 0, 0, 6, 2);  // character 10's move 6 releases nobody
    RemovePlayerShots(1);
    EXPECT_EQ(testsupport::ItemsInPool(), 2);
    EXPECT_EQ(g_players[2].pushHeading, carried == 2 ? 72 : 200);
    EXPECT_EQ(g_playerState.heldFlag[2], carried == 2 ? 0 : 1);
    EXPECT_EQ(g_players[0].pushHeading, carried == 0 ? 158 : 30);
    EXPECT_EQ(g_players[1].stateTimer, 0);
  }
}

TEST(ShotHandOver, ConvertOtherShotsSkipsTheShotsItMakes) {
  SetUpMatch({6, 2, 10});
  g_players[1].heading = 128;
  LiveShot(0, 1, 0, 0, 6);        // character 2's move 6: player 1 thrown back
  LiveShot(1, 0, 0, 0);           // player 0's own: kept
  LiveShot(5, 2, 0, 0, 9, 77);    // character 10's move 9 with a bad carried index
  LiveShot(6, kNobody, 0, 0, 9);  // nobody's: no owner to act on
  ConvertOtherShots(0);
  EXPECT_EQ(ShotsMade(6), 3) << "made as shots of character 6";
  ASSERT_NE(LastShotMade(6), nullptr);
  EXPECT_EQ(LastShotMade(6)->move, 9);
  EXPECT_EQ(LastShotMade(6)->owner, 0);
  EXPECT_EQ(LastShotMade(6)->kind, 6);
  int ownShots = 0;
  int others = 0;
  for (const BattleObject& s : g_shots) {
    if (s.state != 1) continue;
    (s.owner == 0 ? ownShots : others) += 1;
  }
  EXPECT_EQ(ownShots, 4);
  EXPECT_EQ(others, 0);
  EXPECT_EQ(g_shots[1].move, 1) << "player 0's own shot is untouched";
  EXPECT_EQ(g_players[1].stateTimer, 100);
  EXPECT_FLOAT_EQ(g_players[1].vx, 4.0f);
  ConvertOtherShots(7);
  EXPECT_EQ(ShotsMade(6), 3);
}

TEST(ShotHandOver, SlowNearbyOpponents) {
  struct Case {
    const char* name;
    float x;  // of player 1; player 0 stands at (96, 96)
    int state;
    bool teams;
    int slowBefore;
    int slowAfter;
  } cases[] = {
      {"inside", 167.9f, 0, false, 0, 64},     {"exactly 72", 168, 0, false, 0, 0},
      {"knocked out", 100, 13, false, 0, 0},   {"ghost", 100, 16, false, 0, 0},
      {"in hit-stun", 100, 10, false, 0, 64},  {"team-mate", 100, 0, true, 0, 0},
      {"already slowed", 100, 0, false, 5, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({6, 1, 2});
    g_players[0].x = g_players[0].y = 96;
    g_players[1].x = c.x;
    g_players[1].y = 96;
    g_players[1].state = c.state;
    g_players[2].x = 100;
    g_players[2].y = 100;
    if (c.teams) {
      g_match.teamMode = 1;
      g_match.team[2] = 1;
    }
    g_playerState.slowTimer[1] = c.slowBefore;
    SlowNearbyOpponents(0);
    EXPECT_EQ(g_playerState.slowTimer[1], c.slowAfter);
    EXPECT_EQ(g_playerState.slowTimer[2], 64) << "the opponent beside";
    EXPECT_EQ(g_playerState.slowTimer[0], 0) << "never itself";
  }
  // Player 3 is not in play; no player 9 slows anyone.
  SetUpMatch({6, 1});
  SlowNearbyOpponents(0);
  EXPECT_EQ(g_playerState.slowTimer[1], 64);
  EXPECT_EQ(g_playerState.slowTimer[3], 0);
  g_playerState.slowTimer[1] = 0;
  SlowNearbyOpponents(9);
  EXPECT_EQ(g_playerState.slowTimer[1], 0);
}

// ---- Bad input ----------------------------------------------------------------------------

TEST(PlayerControl, ValuesFromElsewhereNeverIndexUnchecked) {
  BattleObject& p = Standing(0);
  p.kind = 200;
  Hold(kInputRight, 2);
  UpdatePlayerControl(&p, 0);
  EXPECT_EQ(p.vx, 0.0f) << "no speed for an unknown character";
  // Headings far out of range still read the tables.
  for (int heading : {256, -1, 100000, INT32_MIN}) {
    SetUpMatch({0, 1});
    BattleObject& q = g_players[1];
    q.state = kStateHitStun;
    q.stateTimer = 5;
    q.speed = 3.0f;
    q.pushHeading = heading;
    UpdateHitStun(&q, 1);
    q.state = kStateKnockBack;
    UpdateKnockBack(&q, 1);
  }
  SetUpMatch({0, 1});
  g_playerState.slowTimer[1] = -8;
  g_players[1].stateTimer = 5;
  UpdateHitStun(&g_players[1], 1);
  EXPECT_EQ(g_players[1].stateTimer, 4) << "a negative slowing is no slowing";
  const int misses = IndexMisses;
  UpdatePlayerControl(&g_players[0], 4);
  UpdateHitStun(&g_players[0], -1);
  UpdateKnockBack(nullptr, 0);
  EXPECT_EQ(IndexMisses, misses + 3);
}

}  // namespace
