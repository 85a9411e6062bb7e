// The effect update: the behaviour of each acting code over a frame or two, the common step and
// the timer-end shots, the damage events, and the records that name no player, familiar or cell.
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/records.h"
#include "morrow/system/time.h"
#include "tests/game/battle/effects_made.h"
#include "tests/support/battle_state.h"
#include "tests/support/shots_made.h"

namespace {

using namespace veyrdale;
using testsupport::EffectsWithCode;
using testsupport::ShotsMade;

// A three-player battle: player 1 at (300, 200) facing 0, the pool empty.
void Battle() {
  testsupport::SetUpMatch({0, 1, 2});
  for (int p = 0; p < 3; ++p) {
    g_players[p].owner = static_cast<int16_t>(p);
    g_players[p].x = 100.0f + 200.0f * p;
    g_players[p].y = 200.0f;
    g_players[p].life = 350;
  }
}

// A live record in slot 8 at (100, 120).
EffectRecord& Live(int code, int timer, int player = 1) {
  g_effectInUse[8] = 1;
  EffectRecord& e = g_effects[8];
  e = EffectRecord{};
  e.code = code;
  e.timer = timer;
  e.player = player;
  e.x = 100.0f;
  e.y = 120.0f;
  return e;
}

void Update(int frames = 1) {
  for (int i = 0; i < frames; ++i) UpdateEffect(&g_effects[8], 8);
}

bool InUse() {
  return g_effectInUse[8] == 1;
}

// The shot the last launcher call of a kind made: its owner and move.
const BattleObject& LastShot(int kind) {
  return *testsupport::LastShotMade(kind);
}

struct CodeCase {
  const char* name;
  std::function<void(EffectRecord&)> setUp;
  int frames;
  std::function<void(const EffectRecord&)> check;
};

TEST(UpdateEffect, BehaviourOfEachCode) {
  const CodeCase cases[] = {
      {"30 slows", [](EffectRecord& e) { e.code = 30, e.vx = 2.0f, e.vy = -1.0f; }, 1,
       [](const EffectRecord& e) {
         EXPECT_FLOAT_EQ(e.vx, 1.9f);
         EXPECT_FLOAT_EQ(e.vy, -0.95f);
         EXPECT_FLOAT_EQ(e.x, 101.9f);
         EXPECT_EQ(e.timer, 19);
       }},
      {"45 homes on the point 32 along aux from the player, 12 lower",
       [](EffectRecord& e) {
         e.code = 45, e.aux = 64.0f, e.y = 180.0f;  // the point is (300, 180): straight right
       },
       1,
       [](const EffectRecord& e) {
         // Heading 1 (257 - direction 0), blended 8 to 1 from rest.
         EXPECT_FLOAT_EQ(e.vx, CosOf(1) * 7.5f / 256.0f / 9.0f);
         EXPECT_FLOAT_EQ(e.vy, NegSinOf(1) * 7.5f / 256.0f / 9.0f);
       }},
      {"48 fires kind 8 move 6 at timer 240 in the card",
       [](EffectRecord& e) { e.code = 48, e.timer = 240, e.heading = 77, g_players[1].state = 9; },
       1,
       [](const EffectRecord&) {
         EXPECT_TRUE(InUse());
         ASSERT_EQ(ShotsMade(8), 1);
         EXPECT_EQ(LastShot(8).heading, 77) << "a shot at its source, along its heading";
         EXPECT_EQ(LastShot(8).x, 100.0f);
         EXPECT_EQ(LastShot(8).move, 6);
         EXPECT_EQ(LastShot(8).owner, 1);
       }},
      {"48 out of the card is freed", [](EffectRecord& e) { e.code = 48, e.timer = 100; }, 1,
       [](const EffectRecord& e) {
         EXPECT_FALSE(InUse());
         EXPECT_EQ(e.timer, 99) << "the common step still runs";
       }},
      {"48 fires on multiples of 3 between 21 and 240 only",
       [](EffectRecord& e) { e.code = 48, e.timer = 22, g_players[1].state = 9; }, 3,
       [](const EffectRecord&) { EXPECT_EQ(ShotsMade(8), 1) << "21 only, not 20"; }},
      {"51 ends within 10 frames once the player is not rooted",
       [](EffectRecord& e) { e.code = 51, e.timer = 50, g_players[1].rooted = 0; }, 1,
       [](const EffectRecord& e) { EXPECT_EQ(e.timer, 9); }},
      {"51 keeps its timer while its player is rooted and standing",
       [](EffectRecord& e) { e.code = 51, e.timer = 50, g_players[1].rooted = 1; }, 1,
       [](const EffectRecord& e) { EXPECT_EQ(e.timer, 49); }},
      {"51 ends when its player is hit",
       [](EffectRecord& e) {
         e.code = 51, e.timer = 50, g_players[1].rooted = 1, g_players[1].state = 13;
       },
       1, [](const EffectRecord& e) { EXPECT_EQ(e.timer, 9); }},
      {"53 hovers: aux x 0.85 from timer 60, velocity x 0.9 below 44",
       [](EffectRecord& e) { e.code = 53, e.timer = 44, e.aux = -3.0f, e.vx = 1.0f; }, 2,
       [](const EffectRecord& e) {
         EXPECT_FLOAT_EQ(e.aux, -3.0f * 0.85f * 0.85f);
         EXPECT_FLOAT_EQ(e.vx, 0.9f);
         EXPECT_FLOAT_EQ(e.z, -3.0f * 0.85f + -3.0f * 0.85f * 0.85f);
       }},
      {"53 dives at timer 12 and is freed on the ground",
       [](EffectRecord& e) { e.code = 53, e.timer = 12, e.z = -5.0f, e.heading = 0; }, 1,
       [](const EffectRecord& e) {
         EXPECT_FALSE(InUse());
         EXPECT_EQ(e.aux, 6.0f);
         EXPECT_EQ(e.z, 1.0f);
         EXPECT_FLOAT_EQ(e.vx, 14.0f);
       }},
      {"56 lives through the card", [](EffectRecord& e) { e.code = 56, g_players[1].state = 9; }, 1,
       [](const EffectRecord&) { EXPECT_TRUE(InUse()); }},
      {"60 spins by 2 and goes with the power-up",
       [](EffectRecord& e) { e.code = 60, e.heading = 255; }, 1,
       [](const EffectRecord& e) {
         EXPECT_EQ(e.heading, 1);
         EXPECT_FALSE(InUse());
       }},
      {"62 drops kind 58 every 24 frames while controls are reversed",
       [](EffectRecord& e) { e.code = 62, e.timer = 25, g_playerState.reverseTimer[1] = 5; }, 1,
       [](const EffectRecord&) {
         EXPECT_TRUE(InUse());
         EXPECT_EQ(g_effects[0].code, 63);
         EXPECT_EQ(g_effects[0].y, 120.0f - 2000.0f);
       }},
      {"62 goes with the reversal", [](EffectRecord& e) { e.code = 62, e.timer = 30; }, 1,
       [](const EffectRecord&) { EXPECT_FALSE(InUse()); }},
      {"63, 71 and 131 spin", [](EffectRecord& e) { e.code = 63, e.heading = 254; }, 1,
       [](const EffectRecord& e) { EXPECT_EQ(e.heading, 2); }},
      {"71 spins by 8", [](EffectRecord& e) { e.code = 71, e.heading = 250; }, 1,
       [](const EffectRecord& e) { EXPECT_EQ(e.heading, 2); }},
      {"131 spins by (int)z", [](EffectRecord& e) { e.code = 131, e.heading = 1, e.z = -3.7f; }, 1,
       [](const EffectRecord& e) { EXPECT_EQ(e.heading, 254); }},
      {"67 brakes hard below timer 24",
       [](EffectRecord& e) { e.code = 67, e.timer = 23, e.vx = 49.0f; }, 1,
       [](const EffectRecord& e) { EXPECT_FLOAT_EQ(e.vx, 36.0f); }},
      {"73 circles its player, 64 up",
       [](EffectRecord& e) { e.code = 73, e.heading = 0, e.vx = 1.0f; }, 1,
       [](const EffectRecord& e) {
         EXPECT_FLOAT_EQ(e.x, 300.0f + CosOf(0) / 4.0f + 1.0f);
         EXPECT_FLOAT_EQ(e.y, 200.0f - 64.0f);
       }},
      {"77 fires kind 9 move 1 every 5 frames", [](EffectRecord& e) { e.code = 77, e.timer = 50; },
       1,
       [](const EffectRecord&) {
         ASSERT_EQ(ShotsMade(9), 1);
         // The marked source's shot falls from 600 above, 6-7 pixels a frame.
         EXPECT_GE(LastShot(9).speed, 6.0f);
         EXPECT_LE(LastShot(9).speed, 7.0f);
         EXPECT_EQ(LastShot(9).owner, 1);
         EXPECT_EQ(LastShot(9).move, 1);
       }},
      {"77 every 3 frames while powered up",
       [](EffectRecord& e) { e.code = 77, e.timer = 51, g_playerState.powerUp[1] = 9; }, 1,
       [](const EffectRecord&) { EXPECT_EQ(ShotsMade(9), 1); }},
      {"77 ends when its player is knocked back",
       [](EffectRecord& e) { e.code = 77, e.timer = 50, g_players[1].state = 11; }, 1,
       [](const EffectRecord&) {
         EXPECT_FALSE(InUse());
         EXPECT_EQ(ShotsMade(9), 0);
       }},
      {"79 ends in hit-stun", [](EffectRecord& e) { e.code = 79, g_players[1].state = 10; }, 1,
       [](const EffectRecord&) { EXPECT_FALSE(InUse()); }},
      {"80 lives while its player stands", [](EffectRecord& e) { e.code = 80; }, 1,
       [](const EffectRecord&) { EXPECT_TRUE(InUse()); }},
      {"85 at 497 renews the power-up and the card bar",
       [](EffectRecord& e) { e.code = 85, e.timer = 497, g_playerState.powerUp[1] = 3; }, 1,
       [](const EffectRecord&) {
         EXPECT_EQ(g_playerState.powerUp[1], 994);
         EXPECT_EQ(g_playerState.cardBar[1], 9940);
         EXPECT_EQ(FlashFrames, 23);
         EXPECT_EQ(FlashLength, 24);
         EXPECT_EQ(ShotsMade(9), 0);
       }},
      {"85 fires kind 9 move 13 every 3 frames",
       [](EffectRecord& e) { e.code = 85, e.timer = 30, g_playerState.powerUp[1] = 3; }, 1,
       [](const EffectRecord&) { EXPECT_EQ(LastShot(9).move, 13); }},
      {"85 goes with the power-up", [](EffectRecord& e) { e.code = 85, e.timer = 30; }, 1,
       [](const EffectRecord&) { EXPECT_FALSE(InUse()); }},
      {"86 falls, capped at 4 a frame, and lies 16 frames",
       [](EffectRecord& e) { e.code = 86, e.z = -10.0f, e.aux = 3.9f, e.timer = 50; }, 2,
       [](const EffectRecord& e) {
         EXPECT_EQ(e.aux, 4.0f);
         EXPECT_EQ(e.z, -2.0f);
         EXPECT_EQ(e.timer, 48);
       }},
      {"86 on the ground moves twice its slowed velocity",
       [](EffectRecord& e) { e.code = 86, e.vx = 2.0f, e.vy = -1.0f; }, 1,
       [](const EffectRecord& e) {
         EXPECT_FLOAT_EQ(e.x, 103.2f);
         EXPECT_FLOAT_EQ(e.y, 118.4f);
       }},
      {"86 landing sets timer 16",
       [](EffectRecord& e) { e.code = 86, e.z = -1.0f, e.aux = 1.0f, e.timer = 50; }, 1,
       [](const EffectRecord& e) { EXPECT_EQ(e.timer, 15); }},
      {"91 fires at 14 in the card",
       [](EffectRecord& e) { e.code = 91, e.timer = 14, g_players[1].state = 9; }, 1,
       [](const EffectRecord&) { EXPECT_EQ(LastShot(9).move, 6); }},
      {"91 out of the card", [](EffectRecord& e) { e.code = 91, e.timer = 14; }, 1,
       [](const EffectRecord&) {
         EXPECT_FALSE(InUse());
         EXPECT_EQ(ShotsMade(9), 0);
       }},
      {"92 bursts every frame of the card",
       [](EffectRecord& e) { e.code = 92, e.timer = 33, g_players[1].state = 9; }, 1,
       [](const EffectRecord&) {
         // Character 9's event 13: three ring effects 15 around the point, by the timer.
         EXPECT_EQ(testsupport::LiveEffects(), 4);
         EXPECT_EQ(EffectsWithCode(91), 3);
         EXPECT_FLOAT_EQ(g_effects[1].x, 100.0f + CosOf(5 * (33 + 17)) * 80.0f / 256.0f);
         EXPECT_EQ(g_effects[1].player, 1);
       }},
      {"101 at timer 1 becomes kind 90",
       [](EffectRecord& e) { e.code = 101, e.timer = 1, e.heading = 70; }, 1,
       [](const EffectRecord&) {
         EXPECT_FALSE(InUse());
         EXPECT_EQ(g_effects[0].code, 100);
         EXPECT_EQ(g_effects[0].heading, 70);
         EXPECT_EQ(g_effects[0].timer, 9999);
       }},
      {"100 at timer 100 is held", [](EffectRecord& e) { e.code = 100, e.timer = 100; }, 1,
       [](const EffectRecord& e) { EXPECT_EQ(e.timer, 9998); }},
      {"102 falls and bounces", [](EffectRecord& e) { e.code = 102, e.z = -0.5f, e.aux = 0.5f; }, 1,
       [](const EffectRecord& e) {
         EXPECT_EQ(e.z, 0.0f);
         EXPECT_EQ(e.vy, 2.0f);
         EXPECT_EQ(e.y, 122.0f);
       }},
      {"102 rolls out on the ground", [](EffectRecord& e) { e.code = 102, e.vy = 0.52f; }, 1,
       [](const EffectRecord& e) { EXPECT_EQ(e.vy, 0.0f); }},
      {"103 fires the neutral kind at 102", [](EffectRecord& e) { e.code = 103, e.timer = 102; }, 1,
       [](const EffectRecord&) {
         EXPECT_EQ(ShotsMade(51), 1);
         EXPECT_EQ(LastShot(51).owner, kNobody);
         EXPECT_EQ(LastShot(51).move, 10);
       }},
      {"104 shows its first damage level as kind 95",
       [](EffectRecord& e) {
         e.code = 104, e.timer = 500, e.x = 40, e.y = 40, g_arenaMap.cellState[21] = 100;
       },
       1,
       [](const EffectRecord&) {
         EXPECT_FALSE(InUse());
         EXPECT_EQ(g_effects[0].code, 105);
         EXPECT_EQ(g_effects[0].heading, 100);
       }},
      {"104 takes smaller damage quietly",
       [](EffectRecord& e) {
         e.code = 104, e.timer = 500, e.x = 40, e.y = 40, g_arenaMap.cellState[21] = 50;
       },
       1,
       [](const EffectRecord& e) {
         EXPECT_TRUE(InUse());
         EXPECT_EQ(e.heading, 50);
       }},
      {"104 vanishes at 280", [](EffectRecord& e) { e.code = 104, e.timer = 500, e.heading = 280; },
       1, [](const EffectRecord&) { EXPECT_FALSE(InUse()); }},
      {"105 at timer 1 becomes kind 94",
       [](EffectRecord& e) { e.code = 105, e.timer = 1, e.heading = 120; }, 1,
       [](const EffectRecord&) {
         EXPECT_EQ(g_effects[0].code, 104);
         EXPECT_EQ(g_effects[0].heading, 120);
       }},
      {"107 falls with a shadow",
       [](EffectRecord& e) { e.code = 107, e.z = -600.0f, e.aux = 8.0f; }, 1,
       [](const EffectRecord& e) {
         EXPECT_FLOAT_EQ(e.aux, 8.6f);
         EXPECT_FLOAT_EQ(e.z, -591.4f);
         EXPECT_EQ(g_effects[0].code, 106);
         EXPECT_EQ(g_effects[0].z, 0.0f) << "0 while in the air";
         EXPECT_EQ(g_effects[0].heading, 192);
         EXPECT_FLOAT_EQ(g_effects[0].y, 120.0f - 591.4f + 20.0f - 600.0f);
       }},
      {"107 lands with a hit and keeps its shadow",
       [](EffectRecord& e) { e.code = 107, e.z = -5.0f, e.aux = 10.0f, e.heading = 3; }, 1,
       [](const EffectRecord& e) {
         EXPECT_EQ(e.z, 0.0f);
         EXPECT_EQ(e.aux, 0.0f);
         EXPECT_EQ(EffectsWithCode(3), 1) << "the landing's ring";
         EXPECT_EQ(testsupport::FirstEffectWithCode(3)->x, 100.0f);
         EXPECT_EQ(testsupport::FirstEffectWithCode(106)->z, 1.0f);
         EXPECT_TRUE(InUse());
       }},
      {"109 lands: a shot, flash, shake, slow motion, no shadow",
       [](EffectRecord& e) { e.code = 109, e.z = -5.0f, e.aux = 10.0f; }, 1,
       [](const EffectRecord&) {
         EXPECT_FALSE(InUse());
         EXPECT_EQ(LastShot(13).move, 10);
         EXPECT_EQ(FlashFrames, 8);
         EXPECT_EQ(FlashLength, 8);
         EXPECT_EQ(ScreenShake, 24);
         EXPECT_EQ(SlowMotionFrames, 24);
         EXPECT_EQ(EffectsWithCode(106), 0);
         EXPECT_EQ(EffectsWithCode(3), 1) << "the landing's ring";
       }},
      {"110 fires once the attack nears its end",
       [](EffectRecord& e) {
         e.code = 110, e.timer = 111, e.z = -7.5f, g_players[1].state = 3,
         g_players[1].stateTimer = 44;
       },
       1,
       [](const EffectRecord&) {
         EXPECT_FALSE(InUse());
         EXPECT_EQ(LastShot(12).attackDelay, -7) << "the marked source's, handed on";
         EXPECT_EQ(LastShot(12).move, 4);
       }},
      {"110 fades outside an attack", [](EffectRecord& e) { e.code = 110, e.timer = 300; }, 1,
       [](const EffectRecord& e) { EXPECT_EQ(e.timer, 15); }},
      {"118 puts its player back when the power-up is over",
       [](EffectRecord& e) {
         e.code = 118, e.timer = 9999, e.x = 50, e.y = 60, g_playerState.airborne[1] = 1;
       },
       1,
       [](const EffectRecord&) {
         EXPECT_FALSE(InUse());
         EXPECT_EQ(g_players[1].x, 50.0f);
         EXPECT_EQ(g_players[1].y, 60.0f);
         EXPECT_EQ(g_playerState.airborne[1], 0);
       }},
      {"118 waits through the special move's start",
       [](EffectRecord& e) {
         e.code = 118, e.timer = 9999, g_players[1].state = 8, g_players[1].stateTimer = 55,
         g_playerState.specialMode[1] = 8000;
       },
       1, [](const EffectRecord&) { EXPECT_TRUE(InUse()); }},
      {"118 in the special move from 56 at mode 8000",
       [](EffectRecord& e) {
         e.code = 118, e.timer = 9999, g_players[1].state = 8, g_players[1].stateTimer = 56,
         g_playerState.specialMode[1] = 8000;
       },
       1, [](const EffectRecord&) { EXPECT_FALSE(InUse()); }},
      {"121 slows", [](EffectRecord& e) { e.code = 121, e.vy = 5.0f; }, 1,
       [](const EffectRecord& e) { EXPECT_EQ(e.vy, 4.0f); }},
      {"125 starts at 44", [](EffectRecord& e) { e.code = 125, e.timer = 44, e.heading = 0; }, 1,
       [](const EffectRecord& e) { EXPECT_FLOAT_EQ(e.vx, CosOf(0) / 64.0f); }},
      {"125 hits at 40 while its player dashes",
       [](EffectRecord& e) { e.code = 125, e.timer = 40, g_players[1].state = 5; }, 1,
       [](const EffectRecord&) {
         // Ring A halfway to player 1.
         const EffectRecord* centre = testsupport::FirstEffectWithCode(3);
         ASSERT_NE(centre, nullptr);
         EXPECT_EQ(centre->x, 200.0f);
         EXPECT_EQ(centre->y, 160.0f);
       }},
      {"125 stops below 25", [](EffectRecord& e) { e.code = 125, e.timer = 24, e.vx = 3; }, 1,
       [](const EffectRecord& e) { EXPECT_EQ(e.vx, 0.0f); }},
      {"125 slows otherwise", [](EffectRecord& e) { e.code = 125, e.timer = 30, e.vx = 3; }, 1,
       [](const EffectRecord& e) { EXPECT_FLOAT_EQ(e.vx, 2.7f); }},
      {"126 drops in",
       [](EffectRecord& e) {
         e.code = 126, e.timer = 420, e.z = -8.0f, e.aux = 16.0f, g_players[1].state = 9;
       },
       1,
       [](const EffectRecord& e) {
         EXPECT_EQ(e.z, 0.0f);
         EXPECT_EQ(ScreenShake, 20);
         EXPECT_EQ(g_effects[0].code, 1) << "kind 0";
         EXPECT_EQ(testsupport::LiveEffects(), 2) << "character 15 has no burst for event 1";
       }},
      {"126 lands on a side at 405",
       [](EffectRecord& e) { e.code = 126, e.timer = 405, g_players[1].state = 9; }, 1,
       [](const EffectRecord& e) {
         EXPECT_TRUE((e.x == 32.0f && e.heading == 0) || (e.x == 608.0f && e.heading == 128));
       }},
      {"126 at 348 makes kind 112",
       [](EffectRecord& e) { e.code = 126, e.timer = 348, g_players[1].state = 9; }, 1,
       [](const EffectRecord&) { EXPECT_EQ(g_effects[0].code, 128); }},
      {"126 fires every other pair of frames from 300",
       [](EffectRecord& e) { e.code = 126, e.timer = 300, g_players[1].state = 9; }, 4,
       [](const EffectRecord&) {
         EXPECT_EQ(ShotsMade(15), 2) << "300 and 297: timer / 2 even";
         EXPECT_EQ(LastShot(15).move, 5);
         EXPECT_EQ(LastShot(15).owner, 1);
       }},
      {"126 ends early once its player's card is over",
       [](EffectRecord& e) { e.code = 126, e.timer = 300, g_players[1].stateTimer = 41; }, 1,
       [](const EffectRecord& e) { EXPECT_EQ(e.timer, 39); }},
      {"129 fires at once", [](EffectRecord& e) { e.code = 129, e.z = 12.9f, e.heading = 9; }, 1,
       [](const EffectRecord&) {
         EXPECT_FALSE(InUse());
         EXPECT_EQ(LastShot(15).life, 13) << "one past the source's";
         EXPECT_EQ(LastShot(15).heading, 9) << "the last of the four";
         EXPECT_EQ(LastShot(15).move, 12);
         EXPECT_EQ(FlashLength, 16);
       }},
      {"130 circles its familiar",
       [](EffectRecord& e) {
         e.code = 130, e.player = 5, e.heading = 0, g_familiars[5].x = 400, g_familiars[5].y = 300;
       },
       1,
       [](const EffectRecord& e) {
         EXPECT_EQ(e.heading, 1);
         EXPECT_FLOAT_EQ(e.x, 400.0f + CosOf(1) * 86.0f / 256.0f);
         EXPECT_FLOAT_EQ(e.y, 300.0f + NegSinOf(1) * 86.0f / 256.0f);
       }},
      {"132 drifts up and sheds kind 115 above 370",
       [](EffectRecord& e) { e.code = 132, e.timer = 371; }, 1,
       [](const EffectRecord& e) {
         EXPECT_FLOAT_EQ(e.vy, -0.001f);
         EXPECT_EQ(g_effects[0].code, 131);
       }},
      {"133 is held", [](EffectRecord& e) { e.code = 133, e.timer = 2; }, 1,
       [](const EffectRecord& e) { EXPECT_EQ(e.timer, 9998); }},
  };
  for (const CodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Battle();
    EffectRecord& e = Live(0, 20);
    c.setUp(e);
    Update(c.frames);
    c.check(e);
    EXPECT_EQ(IndexMisses, 0);
  }
}

TEST(UpdateEffect, TimerEndShotsFromTheSteppedPoint) {
  struct Case {
    int code;
    int kind;
    int move;
    int owner;
    int heading;  // of the source
  } cases[] = {{36, 51, 1, kNobody, 0}, {46, 3, 6, 2, 0}, {87, 9, 10, 2, 70}, {88, 9, 11, 2, 70}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    Battle();
    EffectRecord& e = Live(c.code, 2, 2);
    e.vx = 3.0f;
    e.vy = -2.0f;
    e.heading = 70;
    Update();
    EXPECT_EQ(ShotsMade(c.kind), 0) << "not before the end";
    Update();
    EXPECT_FALSE(InUse());
    ASSERT_EQ(ShotsMade(c.kind), 1);
    if (c.kind == testsupport::kNeutralShotKind) {
      // The neutral move 1 starts at the stepped point itself.
      EXPECT_EQ(LastShot(c.kind).x, 106.0f);
      EXPECT_EQ(LastShot(c.kind).y, 116.0f);
    } else if (c.kind == 3) {
      // 3/6 starts 16 ahead of the stepped point, +6.
      EXPECT_EQ(LastShot(c.kind).x, 106.0f + 16.0f);
      EXPECT_EQ(LastShot(c.kind).y, 116.0f + 6.0f);
    } else {
      // 9/10 and 9/11 start at the stepped point, along the source's heading.
      EXPECT_EQ(LastShot(c.kind).x, 106.0f);
      EXPECT_EQ(LastShot(c.kind).y, 116.0f);
      EXPECT_EQ(LastShot(c.kind).heading, c.heading);
    }
    EXPECT_EQ(LastShot(c.kind).move, c.move);
    EXPECT_EQ(LastShot(c.kind).owner, c.owner);
    EXPECT_EQ(ScreenShake, c.code == 36 ? 20 : 0);
  }
}

TEST(UpdateEffect, BreakableObjectsFollowTheirCell) {
  // Strength 0: a damage of 333 turns code 100 into kind 92 debris.
  struct Case {
    int strength;
    int damage;
    bool debris;
  } cases[] = {{0, 333, true},   {0, 332, false}, {1, 665, false}, {1, 666, true},
               {2, 1331, false}, {2, 1332, true}, {7, 666, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.strength) + " " + std::to_string(c.damage));
    Battle();
    g_options.obstacleStrength = c.strength;
    EffectRecord& e = Live(100, 9999);
    e.x = 170.0f;
    e.y = 170.0f;
    e.heading = c.damage;
    g_arenaMap.cellState[5 + 20 * 5] = c.damage;
    Update();
    EXPECT_EQ(InUse(), !c.debris);
    EXPECT_EQ(EffectsWithCode(102), c.debris ? 1 : 0);
  }
  // Both branches in one frame with the record in slot 0: the debris takes the record's own slot
  // back and the second free loses it; the common step then moves it.
  Battle();
  g_options.obstacleStrength = 0;
  g_effectInUse[0] = 1;
  EffectRecord& e = g_effects[0];
  e.code = 100;
  e.timer = 9999;
  e.x = 170.0f;
  e.y = 170.0f;
  g_arenaMap.cellState[5 + 20 * 5] = 400;
  UpdateEffect(&e, 0);
  EXPECT_EQ(g_effectInUse[0], 0);
  EXPECT_EQ(e.code, 102) << "the debris, lost";
  EXPECT_EQ(e.timer, 127);
  EXPECT_EQ(g_effects[1].code, 101);
  // After arena 8's empty search the objects sit at (640, 480): cell (20, 15), storage index 320,
  // read without a miss. A point past the storage is a miss and reads 0.
  Battle();
  g_arenaMap.cellState[320] = 40;
  EffectRecord& far = Live(100, 9999);
  far.x = 640.0f;
  far.y = 480.0f;
  Update();
  EXPECT_EQ(far.heading, 40);
  EXPECT_EQ(IndexMisses, 0);
  for (float x : {5000.0f, -40.0f, std::nanf("")}) {
    Battle();
    EffectRecord& off = Live(104, 9999);
    off.x = x;
    off.y = x == -40.0f ? -40.0f : 900.0f;
    Update();
    EXPECT_EQ(off.heading, 0);
    EXPECT_EQ(IndexMisses, 1) << x;
  }
}

TEST(UpdateEffect, Code116SteersThenFiresForItsCaster) {
  Battle();
  g_players[2].state = 9;  // the caster
  EffectRecord& e = Live(116, 100, 1);
  e.z = 2.0f;
  e.x = 100.0f;
  e.y = 200.0f - 1000.0f;  // the true point is (100, 200)
  e.vx = 0.0f;
  e.vy = 9.0f;
  Update();
  // Toward player 1's point 20 below it, (300, 220), blended 10 to 1 at speed 9.
  const int h = (257 - GetDirectionToPoint(100, 200, 300, 220)) & 255;
  EXPECT_EQ(e.heading, h);
  EXPECT_FLOAT_EQ(e.vx, (CosOf(h) / 256.0f * 9.0f) / 11.0f);
  EXPECT_FLOAT_EQ(e.vy, (NegSinOf(h) / 256.0f * 9.0f + 10.0f * 9.0f) / 11.0f);
  e.timer = 60;
  e.y = 200.0f - 1000.0f;
  Update();
  EXPECT_EQ(e.vx, 0.0f);
  EXPECT_EQ(g_players[2].meter, 0.0f);
  EXPECT_EQ(g_players[2].attackDelay, 150);
  EXPECT_EQ(LastShot(12).y, 200.0f);
  EXPECT_EQ(LastShot(12).owner, 2);
  EXPECT_EQ(LastShot(12).move, 6);
  EXPECT_EQ(FlashFrames, -8);
  EXPECT_EQ(FlashLength, -16);
  EXPECT_EQ(ScreenShake, 32);
  EXPECT_EQ(SlowMotionFrames, 16);
  g_players[2].state = 0;
  e.timer = 80;
  Update();
  EXPECT_EQ(e.timer, 31) << "the caster's card is over";
}

TEST(UpdateEffect, RecordsThatNameNoPlayerFamiliarOrTimeAreFreed) {
  struct Case {
    int code;
    int player;
    float z;
    int misses;
  } cases[] = {{79, 7, 0, 1},     {79, 4, 0, 0},     {45, -1, 0, 1}, {118, 9, 0, 1},
               {116, 1, 9.0f, 1}, {116, 1, 4.0f, 0}, {116, 6, 1, 1}, {130, 64, 0, 1},
               {130, -3, 0, 1},   {126, 40, 0, 1},   {85, 5, 0, 1},  {110, 4, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.code) + " player " + std::to_string(c.player));
    Battle();
    g_players[1].state = 9;
    EffectRecord& e = Live(c.code, 50, c.player);
    e.z = c.z;
    e.vx = 1.0f;
    Update();
    EXPECT_FALSE(InUse());
    EXPECT_EQ(e.x, 101.0f) << "the common step still runs";
    EXPECT_EQ(IndexMisses, c.misses);
    EXPECT_EQ(testsupport::AllShotsMade(), 0);
  }
  // A timer that is already spent ends the record instead of running on forever.
  for (int32_t timer : {0, -5, INT32_MIN}) {
    Battle();
    Live(30, timer);
    Update();
    EXPECT_FALSE(InUse()) << timer;
  }
}

// Records of every code with fields no effect is made with (indices far out of range, extreme
// timers, NaN and huge positions) run without reaching outside a table: under the sanitizers of
// the ci build any such read or overflow ends the test.
TEST(UpdateEffect, WildFieldsStayInsideEveryTable) {
  const int32_t ints[] = {INT32_MIN, -1, 0, 1, 4, 100, 255, 256, INT32_MAX};
  const float reals[] = {std::nanf(""), -INFINITY, -1e30f, -600.0f, 0.0f, 3.5f, 1e30f, INFINITY};
  std::vector<int32_t> codes;
  for (int32_t code = 0; code <= 133; ++code) codes.push_back(code);
  for (int32_t code : {201, 9001, 9002, 7777, -5}) codes.push_back(code);
  uint32_t state = 12345;
  auto pick = [&state](int n) {
    state = state * 1103515245u + 12345u;
    return static_cast<int>((state >> 16) % static_cast<uint32_t>(n));
  };
  for (int32_t code : codes) {
    for (int variant = 0; variant < 12; ++variant) {
      Battle();
      g_players[1].state = 9;
      g_arenaMap.cellState[21] = ints[pick(9)];
      EffectRecord& e = Live(code, ints[pick(9)], ints[pick(9)]);
      e.heading = ints[pick(9)];
      e.x = reals[pick(8)];
      e.y = reals[pick(8)];
      e.z = reals[pick(8)];
      e.vx = reals[pick(8)];
      e.vy = reals[pick(8)];
      e.aux = reals[pick(8)];
      FreezeFrames = 0;
      Update(3);
      for (int slot = 0; slot < kEffectCount; ++slot) ASSERT_LE(g_effectInUse[slot], 1);
      for (const BattleObject& shot : g_shots) {
        if (shot.state == 1) {
          EXPECT_TRUE(shot.owner >= 0 && shot.owner <= kNobody) << code;
        }
      }
    }
  }
}

// ---- Damage events ---------------------------------------------------------------------------

EffectRecord& Event(int code, int attacker, int victim, float damage, int timer = 9000) {
  EffectRecord& e = Live(code, timer, attacker);
  e.heading = victim;
  e.aux = damage;
  return e;
}

TEST(DamageEvent, DelayedHitWaitsForTheAttackersMoment) {
  Battle();
  g_players[1].life = 10;
  g_playerState.freezeTimer[1] = 100;
  Event(9001, 0, 1, 30.0f);
  g_players[0].stateTimer = 141;
  Update();
  EXPECT_TRUE(InUse());
  EXPECT_EQ(g_players[1].life, 10);
  g_players[0].stateTimer = 142;
  g_players[0].kind = 4;
  Update();
  EXPECT_FALSE(InUse());
  EXPECT_EQ(g_players[1].life, -20);
  EXPECT_EQ(g_players[1].state, 10) << "finished outside a hit reaction: hit-stun";
  EXPECT_EQ(g_players[1].stateTimer, 16);
  EXPECT_EQ(g_playerState.freezeTimer[1], 0);
  EXPECT_EQ(SlowMotionFrames, 16);
  EXPECT_EQ(FlashFrames, 8);
  EXPECT_EQ(FlashLength, 12);
  EXPECT_EQ(ScreenShake, 20);
  // Two rings C at the event's point, then the event-14 burst of the attacker's character 4.
  EXPECT_EQ(EffectsWithCode(8), 2);
  EXPECT_EQ(EffectsWithCode(32), 16);
  EXPECT_EQ(testsupport::FirstEffectWithCode(8)->x, 100.0f);
  EXPECT_EQ(EffectsWithCode(38), 32);

  // Never at 142: gone after 9000 frames without taking life.
  Battle();
  Event(9001, 0, 1, 30.0f);
  Update(8999);
  EXPECT_TRUE(InUse());
  Update();
  EXPECT_FALSE(InUse());
  EXPECT_EQ(g_players[1].life, 350);
  EXPECT_EQ(SlowMotionFrames, 0);
}

TEST(DamageEvent, FreezeHitHealsTheAttackerUpTo350) {
  struct Case {
    float damage;
    int attackerLife;
    int healed;
  } cases[] = {{30.7f, 340, 350}, {30.7f, 300, 315}, {31.0f, 100, 115}, {1.9f, 349, 349}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.damage);
    Battle();
    g_players[0].life = c.attackerLife;
    g_players[1].life = 100;
    g_players[1].speed = 5.0f;
    Event(9002, 0, 1, c.damage);
    FreezeFrames = 3;
    Update();
    EXPECT_TRUE(InUse());
    EXPECT_EQ(g_players[1].life, 100);
    FreezeFrames = 0;
    Update();
    EXPECT_FALSE(InUse());
    EXPECT_EQ(g_players[1].life, 100 - static_cast<int>(c.damage));
    EXPECT_EQ(g_players[0].life, c.healed);
    EXPECT_EQ(g_players[1].speed, 0.0f);
    EXPECT_EQ(g_players[1].z, 8.0f);
    EXPECT_EQ(g_players[1].stateTimer, 128);
    EXPECT_EQ(ScreenShake, 20);
  }
}

TEST(DamageEvent, RunsOnTheRecordItsLastFrameFreed) {
  Battle();
  Event(9002, 0, 1, 20.0f, 1);
  Update();
  EXPECT_FALSE(InUse());
  EXPECT_EQ(g_players[1].life, 330);
}

TEST(DamageEvent, VictimsAndAttackersThatAreNoPlayer) {
  struct Case {
    const char* name;
    int code;
    int attacker;
    int victim;
    int victimState;
    bool freed;
    int victimLife;
    int attackerLife;
    int misses;
  } cases[] = {
      {"9001 victim 6", 9001, 0, 6, 0, true, 350, 325, 1},
      {"9002 victim 4 (nobody)", 9002, 0, 4, 0, true, 350, 325, 0},
      {"9001 attacker 9 never fires", 9001, 9, 1, 0, false, 350, 350, 1},
      {"9001 attacker 4 never fires", 9001, 4, 1, 0, false, 350, 350, 0},
      {"9002 attacker -1 heals nobody", 9002, -1, 1, 0, true, 300, 350, 1},
      {"9002 on a knocked-out victim", 9002, 0, 1, 13, true, 350, 350, 0},
      {"9002 in hit-stun stays there", 9002, 0, 1, 10, true, 300, 350, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Battle();
    g_players[0].stateTimer = 142;
    g_players[0].life = 325;
    g_players[1].state = c.victimState;
    Event(c.code, c.attacker, c.victim, 50.0f);
    Update();
    EXPECT_EQ(InUse(), !c.freed);
    EXPECT_EQ(g_players[1].life, c.victimLife);
    EXPECT_EQ(g_players[0].life, c.attacker == 0 ? c.attackerLife : 325);
    EXPECT_EQ(g_players[1].state, c.victimState) << "life above 0 or a reaction already";
    EXPECT_EQ(IndexMisses, c.misses);
  }
  // Damage past the int range saturates; NaN damage takes nothing.
  Battle();
  Event(9002, 0, 1, 1e30f);
  Update();
  EXPECT_EQ(g_players[1].life, 350 - INT32_MAX);
  EXPECT_EQ(g_players[0].life, 350);
  Battle();
  Event(9002, 0, 1, std::nanf(""));
  Update();
  EXPECT_EQ(g_players[1].life, 350);
}

}  // namespace
