// The launch routines of characters 0-7, driven through CreateShot from a player as the attack
// input fires: volleys and their sounds, where every move's first shot starts, aims and how fast it
// goes, what the shooter pays, the power-up and the charge, and owners that are nobody. The rules
// the characters' move blocks keep are battle-sim's (tools/battle-sim/move_rules.h).
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/launchers.h"
#include "game/battle/shots.h"
#include "game/core/frame_state.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"
#include "game/flow/move_table.h"
#include "morrow/recording/library_recorder.h"
#include "morrow/system/time.h"
#include "tests/game/battle/effects_made.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;
using testsupport::Recorder;
using testsupport::SetUpMatch;

using Launcher = int (*)(BattleObject*, BattleObject*, int);
constexpr Launcher kLaunchers[8] = {LaunchShotChara0, LaunchShotChara1, LaunchShotChara2,
                                    LaunchShotChara3, LaunchShotChara4, LaunchShotChara5,
                                    LaunchShotChara6, LaunchShotChara7};

// Player 0 plays `kind` at (300, 200) facing `heading`; every sound entry has a handle that names
// it, so that the recorder tells the sounds apart.
BattleObject& Shooter(int kind, int heading = 0, bool powered = false) {
  SetUpMatch({kind, kind == 1 ? 0 : 1});
  for (int i = 0; i < kSoundCount; ++i) SoundHandles[i] = 5000 + i;
  Recorder().ClearCalls();
  BattleObject& p = g_players[0];
  p.x = 300.0f;
  p.y = 200.0f;
  p.heading = heading;
  p.pushHeading = heading;
  g_playerState.powerUp[0] = powered ? 100 : 0;
  return p;
}

int Sounds(int entry) {
  int n = 0;
  for (const testsupport::RecordedCall& call : Recorder().Named("PlaySoundHandle")) {
    n += call.Int(0) == 5000 + entry ? 1 : 0;
  }
  return n;
}

constexpr float kAny = 99.0f;  // not checked

int LiveShots() {
  return static_cast<int>(
      std::count_if(std::begin(g_shots), std::end(g_shots), [](auto& s) { return s.state == 1; }));
}

TEST(Launchers, VolleysCallOncePerShotAndPlayTheirSoundOnce) {
  struct Case {
    int kind, move;
    bool powered;
    int size;
    int sound;   // the volley's sound, -1 none
    int played;  // how often it plays over the volley
  } cases[] = {
      {0, 1, false, 1, kSoundShot, 1},
      {0, 3, false, 7, kSoundShot, 1},
      {0, 7, false, 16, kSoundHitB, 1},
      {1, 1, false, 1, kSoundNidle, 1},
      {1, 1, true, 2, kSoundNidle, 2},
      {1, 4, false, 2, kSoundShot, 1},
      {2, 5, false, 3, -1, 0},
      {2, 9, false, 16, kSoundShot, 16},
      {3, 1, true, 2, kSoundShotC, 2},
      {3, 2, false, 2, kSoundShotC, 1},
      {3, 2, true, 4, kSoundShotC, 1},
      {3, 3, true, 4, kSoundShotC, 1},
      {3, 4, false, 4, kSoundShotC, 1},
      {3, 4, true, 8, kSoundShotC, 1},
      {3, 5, false, 2, kSoundShotN, 2},
      {4, 1, false, 1, kSoundShotC, 1},
      {5, 1, true, 2, kSoundShotC, 1},
      {5, 3, false, 12, kSoundShotC, 1},
      {6, 1, false, 4, -1, 0},
      {6, 1, true, 8, -1, 0},
      {6, 3, false, 2, kSoundIceWave, 1},
      {6, 3, true, 4, kSoundShot, 4},
      {6, 5, false, 4, kSoundShotC, 1},
      {6, 7, true, 24, kSoundFreezeBreak, 1},
      {7, 1, true, 3, kSoundShot, 1},
      {7, 3, false, 2, kSoundShot, 3},
      {7, 3, true, 6, kSoundShot, 7},
      {7, 4, false, 8, kSoundGra, 1},
      {7, 7, false, 6, kSoundShotB, 1},
      {7, 12, false, 1, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("character " + std::to_string(c.kind) + " move " + std::to_string(c.move) +
                 (c.powered ? " powered" : ""));
    BattleObject& p = Shooter(c.kind, 0, c.powered);
    CreateShot(&p, static_cast<int16_t>(c.move), 0);
    EXPECT_EQ(LiveShots(), c.size);
    EXPECT_EQ(g_playerState.shotsFired[0], c.size);
    if (c.sound >= 0) {
      EXPECT_EQ(Sounds(c.sound), c.played);
    }
    // Called by hand: count 0 starts the volley, each later call answers one less.
    BattleObject shot{};
    shot.move = c.move;
    shot.owner = 0;
    const int first = kLaunchers[c.kind](&p, &shot, 0);
    const int expectedFirst = c.move == 12 ? 0 : c.size - 1;
    EXPECT_EQ(first, expectedFirst);
    if (c.size > 2) {
      EXPECT_EQ(kLaunchers[c.kind](&p, &shot, first), first - 1);
    }
  }
  // A move the routine does not know hands the count back unchanged.
  BattleObject& p = Shooter(3);
  BattleObject shot{};
  shot.move = 99;
  EXPECT_EQ(LaunchShotChara3(&p, &shot, 5), 5);
  shot.move = -1;
  EXPECT_EQ(LaunchShotChara3(&p, &shot, 0), 0);
  // With 511 live shots a volley ends after one.
  Shooter(0);
  for (BattleObject& s : g_shots) s.state = 1;
  g_shots[300].state = 0;
  CreateShot(&g_players[0], 3, 0);
  EXPECT_EQ(LiveShots(), kShotCount);
  EXPECT_EQ(g_playerState.shotsFired[0], 1);
  EXPECT_EQ(Sounds(kSoundShot), 1);
}

TEST(Launchers, FirstShotOfEveryMoveStartsAimsAndPaysAsDescribed) {
  // Player 0 at (300, 200), stateTimer 20, SceneFrame 30, facing `heading`; the first shot of the
  // volley (slot 0) and the shooter after the whole volley.
  struct Case {
    int kind, move, heading;
    bool powered;
    float x, y;
    int shotHeading;
    float speed;
    int recovery;  // the shooter's
    float vx;      // the shooter's, after recoil or lunge
    float z;
    int life;
  } cases[] = {
      {0, 2, 0, false, 316, 212, 0, 12, 10, 3, 0, 0},
      {0, 3, 0, false, 316, 212, 21, 2, 8, 0, 6, 0},
      {0, 4, 0, false, 332, 212, 0, 0, 8, 6, 0, 0},
      {0, 5, 0, false, 332, 212, 0, 1, 5, 0, 0, 0},
      {0, 6, 0, false, 300, 200, 0, 0, 0, 0, 0, 0},
      {0, 8, 0, false, 332, 212, 0, 0, 0, 0, 0, 0},
      {1, 1, 0, false, 316, 206, 0, 7.5f, 6, 0, 0, 0},
      {1, 2, 0, true, 316, 206, 0, 5, 8, 0, 0, 0},
      {1, 3, 0, true, 316, 206, 0, 16, 3, -1, 0, 0},
      {1, 4, 10, false, 0, 0, 230, 4.5f, 8, kAny, 0, 0},
      {1, 5, 0, false, 316, 206, 240, 4.5f, 8, 0, 0, 0},
      {1, 7, 0, false, 300, 200, 0, 0, 0, 0, 0, 0},
      {2, 1, 0, false, 316, 206, 0, 24, 1, 0, 0, 0},
      {2, 2, 0, false, 316, 206, 0, 2, 8, -5, 0, 0},
      {2, 3, 0, false, 316, 206, 0, 28, 1, -1, 0, 0},
      {2, 4, 0, false, 316, 206, 0, 1.5f, 1, -8, 0, 0},
      {2, 5, 0, false, 316, 206, 4, 24, 2, 0, 0, 0},
      {2, 6, 0, false, 316, 206, 0, 12, 0, 0, 0, 0},
      {2, 7, 0, false, 300, 200, 0, 0, 0, 0, 0, 0},
      {2, 9, 0, false, 300, 200, 0, 6, 2, 0, 0, 0},
      {3, 1, 0, false, 316, 206, 252, 6.5f, 2, 0, 0, 1},
      {3, 2, 0, false, 316, 206, 244, 4.5f, 9, 0, 0, 0},
      {3, 2, 0, true, 316, 206, 36, 4.5f, 12, 0, 0, 0},
      {3, 4, 0, true, 316, 206, 166, 4.5f, 9, 0, 0, 0},
      {3, 5, 0, false, 0, 0, 168, 4.5f, 4, 0, 0, 0},
      {4, 1, 0, false, 555, 106, 4, 1, 3, 0, 0, 0},
      {4, 2, 0, false, 316, 206, 224, 0, 8, 6, 0, 0},
      {4, 2, 128, false, 0, 0, 160, 0, 8, -6, 0, 0},
      {4, 4, 0, false, 342, 206, 0, 0, 8, 24, 0, 0},
      {4, 5, 0, false, 316, 206, 0, 0, 4, 0, 0, 0},
      {4, 8, 0, false, 316, 206, 0, 14, 12, 0, 0, 0},
      {5, 1, 128, false, 0, 0, -1, 6.5f, 2, 1, 0, 1},
      {5, 2, 0, false, 300, 200, 0, 8, 8, 0, 0, 0},
      {5, 4, 0, false, 300, 200, 0, 10, 8, 0, 0, 0},
      {5, 5, 0, false, 300, 220, 0, 1, 4, 0, 0, 0},
      {5, 8, 0, false, 300, 200, 0, 0, 8, 0, 0, 0},
      {6, 1, 0, false, 0, 0, 192, 0, 8, 0, -64, 0},
      {6, 2, 0, false, 316, 206, 0, 1, 10, 0, 0, 0},
      {6, 4, 0, false, 316, 206, 0, 8, 16, 0, 0, 1},
      {6, 8, 0, false, 332, 200, 0, 0, 0, 0, 0, 0},
      {7, 1, 0, true, 316, 206, 24, 8.5f, 4, 0, 0, 0},
      {7, 2, 0, false, 444, 206, 0, 0, 10, -1.5f, 0, 0},
      {7, 3, 0, false, 0, 0, 224, 12, 6, 0, 0, 0},
      {7, 4, 0, false, 0, 0, 224, 0, 8, 0, 0, 0},
      {7, 5, 0, false, 320, 240, 0, 0, 8, 0, 0, 0},
      {7, 7, 0, false, 0, 0, 210, 0, 0, 0, 0, 0},
      {7, 8, 0, false, 0, 0, 16, 0, 8, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("character " + std::to_string(c.kind) + " move " + std::to_string(c.move) +
                 " heading " + std::to_string(c.heading) + (c.powered ? " powered" : ""));
    BattleObject& p = Shooter(c.kind, c.heading, c.powered);
    p.stateTimer = 20;
    SceneFrame = 30;
    g_companions[0].x = 555.0f;
    g_companions[0].y = 100.0f;
    CreateShot(&p, static_cast<int16_t>(c.move), 0);
    const BattleObject& shot = g_shots[0];
    ASSERT_EQ(shot.state, 1);
    if (c.x != 0 || c.y != 0) {
      EXPECT_FLOAT_EQ(shot.x, c.x);
      EXPECT_FLOAT_EQ(shot.y, c.y);
    }
    if (c.shotHeading >= 0) {
      EXPECT_EQ(shot.heading, c.shotHeading);
    }
    EXPECT_FLOAT_EQ(shot.speed, c.speed);
    EXPECT_EQ(p.recovery, c.recovery);
    if (c.vx != kAny) {
      EXPECT_NEAR(p.vx, c.vx, 1e-4);
    }
    EXPECT_FLOAT_EQ(shot.z, c.z);
    EXPECT_EQ(shot.life, c.life);
  }
}

TEST(Launchers, OffsetStartsAndTurnsFollowTheirHeadings) {
  // Points n along a heading from (300, 200) through the trigonometry tables.
  auto along = [](int heading, float n, float* x, float* y) {
    *x = 300.0f + CosOf(heading) * n / 256.0f;
    *y = 200.0f + NegSinOf(heading) * n / 256.0f;
  };
  float x = 0;
  float y = 0;
  // 3/5: two opposite shots turning with the timer, started 24 along their heading.
  BattleObject& p = Shooter(3);
  p.stateTimer = 20;
  CreateShot(&p, 5, 0);
  along(WrapHeading(2 * (64 * 3 + 20)), 24.0f, &x, &y);
  EXPECT_EQ(g_shots[0].heading, WrapHeading(2 * (64 * 3 + 20)));
  EXPECT_FLOAT_EQ(g_shots[0].x, x);
  EXPECT_FLOAT_EQ(g_shots[0].y, y);
  // 4/7: the shooter turns by -48 first; the cut starts 36 along the new heading, +6.
  BattleObject& q = Shooter(4, 10);
  CreateShot(&q, 7, 0);
  EXPECT_EQ(q.heading, 218);
  EXPECT_EQ(g_shots[0].heading, 218);
  along(218, 36.0f, &x, &y);
  EXPECT_FLOAT_EQ(g_shots[0].x, x);
  EXPECT_FLOAT_EQ(g_shots[0].y, y + 6.0f);
  EXPECT_EQ(q.guard, -16);
  // 6/1: four falling shots, each 64 along its own direction.
  Shooter(6);
  CreateShot(&g_players[0], 1, 0);
  for (int slot = 0; slot < 4; ++slot) {
    const int heading = WrapHeading(64 * (4 - slot + 3));
    EXPECT_EQ(g_shots[slot].heading, heading);
    along(heading, 64.0f, &x, &y);
    EXPECT_FLOAT_EQ(g_shots[slot].x, x);
    EXPECT_FLOAT_EQ(g_shots[slot].y, y);
    EXPECT_FLOAT_EQ(g_shots[slot].vz, 8.0f);
  }
  // 7/3: a pair stepped 28 sideways, each keeping the shooter's heading as its mirror.
  Shooter(7, 40);
  CreateShot(&g_players[0], 3, 0);
  const int first = WrapHeading(40 - 128 + 96);
  along(40, 16.0f, &x, &y);
  EXPECT_EQ(g_shots[0].heading, first);
  EXPECT_EQ(g_shots[0].recovery, 40);
  EXPECT_FLOAT_EQ(g_shots[0].x, x + CosOf(first + 384 - 32) * 28.0f / 256.0f);
  EXPECT_FLOAT_EQ(g_shots[0].y, y + 6.0f + NegSinOf(first + 384 - 32) * 28.0f / 256.0f);
  // 3/4: the shooter brakes at the first shot only.
  BattleObject& r = Shooter(3);
  r.vx = 10.0f;
  CreateShot(&r, 4, 0);
  EXPECT_FLOAT_EQ(r.vx, 4.0f);
}

TEST(Launchers, RandomAimsAndSpeedsDrawInTheRowsOrder) {
  // Each case draws its numbers first from the seed, then fires from the same seed.
  struct Case {
    int kind, move;
    std::vector<int> bounds;  // the rand(n) of the row, in order
  } cases[] = {
      {0, 1, {14}},     {0, 7, {31, 32}},     {3, 6, {7, 7}}, {5, 3, {16, 16, 16, 24}},
      {6, 6, {32, 10}}, {6, 9, {255, 3, 12}}, {7, 1, {255}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("character " + std::to_string(c.kind) + " move " + std::to_string(c.move));
    BattleObject& p = Shooter(c.kind, 10);
    morrow::SeedRandom(1234);
    std::vector<int> r;
    for (int bound : c.bounds) r.push_back(morrow::GetRandomNumber(bound));
    morrow::SeedRandom(1234);
    CreateShot(&p, static_cast<int16_t>(c.move), 0);
    const BattleObject& s = g_shots[0];
    switch (c.kind * 10 + c.move) {
      case 1:
        EXPECT_EQ(s.heading, WrapHeading(10 - r[0]));
        break;
      case 7:
        EXPECT_EQ(s.heading, WrapHeading(r[0] + 32 * 8));
        EXPECT_FLOAT_EQ(s.speed, 5.0f + static_cast<float>(r[1]) * 0.05f);
        break;
      case 36:
        EXPECT_EQ(s.heading, r[0] * 32);
        EXPECT_EQ(s.life, r[1]);
        EXPECT_FLOAT_EQ(s.z, -512.0f);
        break;
      case 53:
        EXPECT_EQ(s.heading, 10 - 8 + r[0]);
        EXPECT_FLOAT_EQ(s.x, 300.0f + CosOf(10) * 16.0f / 256.0f + static_cast<float>(r[1] - 8));
        EXPECT_FLOAT_EQ(s.speed, 3.5f + static_cast<float>(r[3]) * 0.05f);
        break;
      case 66: {
        const int heading = WrapHeading(10 - 16 + r[0]);
        const float speed = 18.0f + static_cast<float>(r[1]) * 0.5f;
        EXPECT_EQ(s.heading, heading);
        EXPECT_FLOAT_EQ(s.speed, speed);
        const float ahead = 300.0f + CosOf(10) * 256.0f / 256.0f;
        EXPECT_FLOAT_EQ(s.x, ahead + CosOf(heading) * (-speed * 8.0f) / 256.0f);
        break;
      }
      case 69:
        EXPECT_EQ(s.heading, r[0]);
        EXPECT_FLOAT_EQ(s.z, static_cast<float>(r[1]));
        EXPECT_FLOAT_EQ(s.speed, 6.0f + static_cast<float>(r[2]) * 0.05f);
        break;
      case 71:
        EXPECT_EQ(s.recovery, r[0]);
        break;
    }
  }
}

TEST(Launchers, PowerUpChargeAndScreenFeedback) {
  // Power-up: characters 0, 1 and 7 recover a fifth faster, truncated; others do not.
  struct Recovery {
    int kind, move, recovery;
  } recoveries[] = {{0, 1, 2}, {1, 2, 8}, {1, 3, 3}, {7, 1, 4}, {7, 3, 4}, {2, 2, 8}, {6, 4, 16}};
  for (const Recovery& c : recoveries) {
    BattleObject& p = Shooter(c.kind, 0, true);
    CreateShot(&p, static_cast<int16_t>(c.move), 0);
    EXPECT_EQ(p.recovery, c.recovery) << c.kind << "/" << c.move;
  }
  // The charge of character 0 goes to the first shot after it, then is gone.
  BattleObject& p = Shooter(0);
  g_playerState.specialMode[0] = 100;
  CreateShot(&p, 2, 0);
  const int baseDamage = MoveTable[2].damage;  // handicap 2 leaves it alone
  EXPECT_EQ(g_shotDamage[0].damage, baseDamage + 25);
  EXPECT_EQ(g_shotDamage[0].stunDamage, MoveTable[2].stunDamage + 7);
  EXPECT_FLOAT_EQ(g_shots[0].speed, 12.0f + 16.0f);
  EXPECT_EQ(g_playerState.specialMode[0], 0);
  CreateShot(&p, 2, 0);
  EXPECT_EQ(g_shotDamage[1].damage, baseDamage);
  EXPECT_FLOAT_EQ(g_shots[1].speed, 12.0f);
  // Character 5 keeps at most 108.
  BattleObject& five = Shooter(5);
  g_playerState.specialMode[0] = 500;
  CreateShot(&five, 6, 0);
  EXPECT_EQ(g_playerState.specialMode[0], 108);
  // 5/5 released early stuns hard; 1/3's seventh shot too.
  five.stateTimer = 134;
  CreateShot(&five, 5, 0);
  EXPECT_EQ(g_shotDamage[1].stunDamage, 99);
  BattleObject& one = Shooter(1);
  g_playerState.moveShotCount[0] = 6;
  CreateShot(&one, 3, 0);
  EXPECT_EQ(g_shotDamage[0].stunDamage, 49);
  // Screen feedback and effects.
  struct Feedback {
    int kind, move, shake, slow, flash;
    bool effects;
  } feedback[] = {
      {0, 5, 4, 0, 0, true},  {2, 9, 20, 12, 8, true}, {6, 7, 12, 0, 0, false},
      {7, 2, 16, 0, 0, true}, {7, 4, 20, 0, 0, true},  {7, 8, 20, 0, 0, false},
      {3, 2, 0, 0, 0, false},
  };
  for (const Feedback& c : feedback) {
    SCOPED_TRACE(std::to_string(c.kind) + "/" + std::to_string(c.move));
    BattleObject& s = Shooter(c.kind);
    CreateShot(&s, static_cast<int16_t>(c.move), 0);
    EXPECT_EQ(ScreenShake, c.shake);
    EXPECT_EQ(SlowMotionFrames, c.slow);
    EXPECT_EQ(FlashFrames, c.flash);
    EXPECT_EQ(testsupport::LiveEffects() > 0, c.effects);
  }
}

TEST(Launchers, WaveIntoAWallIsReleasedButCounted) {
  BattleObject& p = Shooter(6);
  SetCell(10, 6, 1);  // under 32 ahead +8 of (300, 200)
  CreateShot(&p, 8, 0);
  EXPECT_EQ(g_shots[0].state, 0);
  EXPECT_EQ(g_playerState.shotsFired[0], 1);
  SetCell(10, 6, 0);
  CreateShot(&p, 8, 0);
  EXPECT_EQ(g_shots[0].state, 1);
  EXPECT_FLOAT_EQ(g_shots[0].y, 200.0f);
  EXPECT_EQ(g_playerState.shotsFired[0], 2);
}

TEST(Launchers, OwnersOutsideThePlayersReadNothingOfThePlayers) {
  for (int kind = 0; kind < 8; ++kind) {
    for (int move : {-1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 99}) {
      SCOPED_TRACE(std::to_string(kind) + "/" + std::to_string(move));
      Shooter(kind);
      for (int p = 0; p < 4; ++p) g_playerState.powerUp[p] = 50;
      BattleObject source{};
      source.kind = static_cast<uint16_t>(kind);
      source.x = 100.0f;
      source.y = 100.0f;
      source.heading = 300;  // out of range: every sum is still a heading
      source.stateTimer = -7;
      CreateShot(&source, static_cast<int16_t>(move), kNobody);
      for (int p = 0; p < 4; ++p) EXPECT_EQ(g_playerState.shotsFired[p], 0);
      for (const BattleObject& s : g_shots) {
        if (s.state == 1) {
          EXPECT_GE(s.heading, 0);
          EXPECT_LE(s.heading, 255);
        }
      }
    }
  }
  // Character 4's companion shot starts at the source, 5/2 takes the source's heading and 1/7
  // stands on the ground.
  Shooter(4);
  BattleObject source{};
  source.kind = 4;
  source.x = 50.0f;
  source.y = 60.0f;
  CreateShot(&source, 1, kNobody);
  EXPECT_FLOAT_EQ(g_shots[0].x, 50.0f);
  EXPECT_FLOAT_EQ(g_shots[0].y, 66.0f);
  Shooter(5);
  source.kind = 5;
  source.heading = 77;
  CreateShot(&source, 2, kNobody);
  EXPECT_EQ(g_shots[0].heading, 77);
  Shooter(1);
  g_players[0].z = -30.0f;
  source.kind = 1;
  CreateShot(&source, 7, kNobody);
  EXPECT_FLOAT_EQ(g_shots[0].z, 0.0f);
  CreateShot(&g_players[0], 7, 0);
  EXPECT_FLOAT_EQ(g_shots[1].z, -100.0f);
}

}  // namespace
