// The computer player, driven frame by frame on a two-player match: its mode lengths at both ends
// of the random source, the frames on which it does nothing, what counts as a threat, the turn
// back at the arena box, the story rules, and the repairs of stale modes and a bad difficulty.
#include "game/battle/cpu_player.h"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/player_control.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;

// A random source of answers by the draw's maximum; any other draw answers `fallback`.
struct Answer {
  int max;
  int value;
};
std::vector<Answer> g_answers;
int g_fallback = 0;
bool g_fallbackIsMax = false;
int g_draws256 = 0;

int Scripted(int max) {
  if (max == 256) ++g_draws256;
  for (const Answer& a : g_answers) {
    if (a.max == max) return a.value;
  }
  return g_fallbackIsMax ? max : g_fallback;
}

class CpuPlayer : public ::testing::Test {
 protected:
  void SetUp() override { Fresh(1); }
  void TearDown() override { SetCpuRandomSource(nullptr); }

  // Player 1 is the computer's, 100 pixels right of player 0, in the middle of the round.
  static void Fresh(int difficulty) {
    testsupport::SetUpMatch({0, 1});
    g_options.difficulty = difficulty;
    SceneId = 4;
    RoundFrame = 300;
    SceneFrame = 1;
    Place(0, 200, 200);
    Place(1, 300, 200);
    g_answers.clear();
    g_fallback = 0;
    g_fallbackIsMax = false;
    g_draws256 = 0;
    SetCpuRandomSource(Scripted);
  }
  static void Place(int p, float x, float y) {
    g_players[p].x = x;
    g_players[p].y = y;
    g_players[p].trailX[0] = x - 1.0f;  // walking, not standing on its last sample
    g_players[p].trailY[0] = y;
  }
  static void Step() { UpdateCpuPlayer(&g_players[1], 1); }
  static int Pending(Input input) { return PendingPressCounts[input][1]; }
  static bool NothingPending() {
    for (int i = 0; i < kInputCount; ++i) {
      if (PendingPressCounts[i][1] != 0) return false;
    }
    return true;
  }
  // A live shot of player 0's above player 1 (at 320, 240), 100 pixels away.
  static BattleObject& ShotAbove(int heading, int owner = 0) {
    Place(1, 320, 240);
    BattleObject& shot = g_shots[5];
    shot.state = 1;
    shot.owner = static_cast<int16_t>(owner);
    shot.x = 320;
    shot.y = 140;
    shot.heading = heading;
    return shot;
  }
};

TEST_F(CpuPlayer, ModeLengthsPerDifficultyAtBothEndsOfTheRandomSource) {
  struct Row {
    int d;
    int wander[2];  // frames of a wander phase, the decision frame included: lowest, highest
    int attack[2];
    int attackEnd;  // the countdown at which attack goes back to wander
    int wanderAfter[2];
  } rows[] = {
      {0, {40, 75}, {50, 62}, 1, {40, 68}},
      {1, {40, 65}, {50, 60}, 10, {40, 60}},
      {2, {40, 55}, {50, 58}, 19, {40, 52}},
      {3, {40, 45}, {50, 56}, 28, {40, 44}},
  };
  for (const Row& row : rows) {
    for (int end = 0; end < 2; ++end) {
      SCOPED_TRACE("difficulty " + std::to_string(row.d) + (end == 0 ? " lowest" : " highest"));
      // Far away: wander toward the nearest of the outer opponents.
      Fresh(row.d);
      g_fallbackIsMax = end == 1;
      Place(0, 40, 40);
      Place(1, 600, 440);
      Step();
      EXPECT_EQ(CpuMode[1], kCpuWander);
      EXPECT_EQ(CpuTarget[1], 0);
      EXPECT_EQ(CpuCountdown[1] + 1, row.wander[end]);
      // Close by: attack, then wander once the countdown reaches the attack's end.
      Fresh(row.d);
      g_fallbackIsMax = end == 1;
      Step();
      EXPECT_EQ(CpuMode[1], kCpuAttack);
      EXPECT_EQ(CpuCountdown[1] + 1, row.attack[end]);
      int before = CpuCountdown[1];
      for (int frame = 0; frame < 80 && CpuMode[1] == kCpuAttack; ++frame) {
        before = CpuCountdown[1];
        Step();
      }
      EXPECT_EQ(CpuMode[1], kCpuWander);
      EXPECT_EQ(before - 1, row.attackEnd);
      EXPECT_EQ(CpuCountdown[1], row.wanderAfter[end]);
      EXPECT_EQ(CpuTarget[1], 0) << "the target carries over";
    }
  }
}

TEST_F(CpuPlayer, EasyDeclaresOrStartsTheSpecialMoveOnlyOn77) {
  struct Row {
    int d;
    int r256, r48, r64;
    int button5;
    int pair;  // buttons 1 and 2 pressed for one frame
    int draws256;
  } rows[] = {
      {0, 77, 1, 0, 1, 0, 1},  {0, 76, 1, 0, 0, 0, 1}, {0, 77, 0, 1, 0, 1, 1},
      {0, 255, 0, 1, 0, 0, 1}, {1, 76, 1, 0, 1, 0, 0}, {3, 0, 0, 1, 0, 1, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("difficulty " + std::to_string(row.d) + " draw " + std::to_string(row.r256));
    Fresh(row.d);
    g_answers = {{256, row.r256}, {48, row.r48}, {64, row.r64}};
    CpuMode[1] = kCpuAttack;
    CpuCountdown[1] = 49;  // 48 in this frame: the attack is chosen
    Step();
    EXPECT_EQ(g_draws256, row.draws256);
    EXPECT_EQ(Pending(kInputButton5), row.button5);
    if (row.pair == 1) {
      EXPECT_EQ(Pending(kInputButton1), 1);
      EXPECT_EQ(Pending(kInputButton2), 1);
    } else {
      // GetRandomNumber(1) = 0 holds button 2 for GetRandomNumber(72) + 8 frames.
      EXPECT_EQ(Pending(kInputButton1), 0);
      EXPECT_EQ(Pending(kInputButton2), 8);
    }
    EXPECT_EQ(g_players[1].heading, 128) << "faces player 0, to its left";
  }
}

TEST_F(CpuPlayer, NoPressesAndNoCountdownWhileHeld) {
  struct Row {
    const char* name;
    void (*set)();
    bool acts;
  } rows[] = {
      {"nothing", [] {}, true},
      {"round frame 9", [] { RoundFrame = 9; }, false},
      {"round frame 10", [] { RoundFrame = 10; }, true},
      {"spell-card freeze", [] { FreezeFrames = 1; }, false},
      {"frozen", [] { g_playerState.freezeTimer[1] = 1; }, false},
      {"rooted", [] { g_players[1].rooted = 1; }, false},
      {"declaring", [] { g_players[1].state = kStateSpellCard; }, false},
      {"knocked out", [] { g_players[1].state = kStateKnockedOut; }, false},
      {"a ghost acts", [] { g_players[1].state = kStateGhost; }, true},
      {"outside the battle", [] { SceneId = 7; }, false},
      {"character 9 charging at 24",
       [] {
         g_players[1].kind = 9;
         g_players[1].state = kStateSpecialMove;
         g_playerState.specialMode[1] = 24;
       },
       false},
      {"character 9 charging at 25",
       [] {
         g_players[1].kind = 9;
         g_players[1].state = kStateSpecialMove;
         g_playerState.specialMode[1] = 25;
       },
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fresh(1);
    CpuCountdown[1] = 30;
    g_players[1].heading = 0;
    row.set();
    Step();
    EXPECT_EQ(CpuCountdown[1], row.acts ? 29 : 30);
    EXPECT_EQ(NothingPending(), !row.acts);
  }
}

TEST_F(CpuPlayer, ThreatsAreShotsComingCloseFromOthers) {
  struct Row {
    const char* name;
    int heading;
    int owner;
    int teamMode;
    int team0;  // player 0's team; player 1 is on team 0
    int d;
    bool threat;
  } rows[] = {
      {"approaching", 192, 0, 0, 0, 1, true},
      {"crossing", 0, 0, 0, 0, 1, true},
      // Straight up reads 65 through (257 - direction): 97 differs by 32, 96 by 31.
      {"crossing at 32", 97, 0, 0, 0, 1, true},
      {"crossing at 31", 96, 0, 0, 0, 1, false},
      {"nearly receding", 65, 0, 0, 0, 1, false},
      {"receding", 64, 0, 0, 0, 1, false},
      {"its own", 192, 1, 0, 0, 1, false},
      {"a team-mate's", 192, 0, 1, 0, 1, false},
      {"neutral in team mode", 192, kNobody, 1, 0, 3, true},
      {"an opponent's in team mode", 192, 0, 1, 1, 2, true},
      {"on Easy", 192, 0, 0, 0, 0, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fresh(row.d);
    g_match.teamMode = row.teamMode;
    g_match.team[0] = row.team0;
    CpuCountdown[1] = 30;
    ShotAbove(row.heading, row.owner);
    Step();
    EXPECT_EQ(CpuMode[1], row.threat ? kCpuEvade : kCpuWander);
    EXPECT_EQ(CpuCountdown[1], row.threat ? 39 : 29);
    if (row.threat) {
      // GetRandomNumber(1) = 0: a quarter turn up from the shot's heading, rounded down to a
      // multiple of 32 and pressed for 39 frames.
      const int heading = ((row.heading + 64) & 255) & ~31;
      EXPECT_EQ(g_players[1].heading, heading);
      EXPECT_EQ(Pending(kInputRight), heading == 0 ? 39 : 0);
      EXPECT_EQ(Pending(kInputUp), heading == 64 ? 39 : 0);
    }
  }
  // A shot beyond 200 pixels is none.
  Fresh(1);
  CpuCountdown[1] = 30;
  ShotAbove(192).y = 40;
  Step();
  EXPECT_EQ(CpuMode[1], kCpuWander);
}

TEST_F(CpuPlayer, TurnsBackAtTheArenaBoxOnceInTheTestsOrder) {
  struct Row {
    float x, y;
    int heading;
    int turned;
  } rows[] = {
      {50, 50, 96, 224},   {50, 50, 128, 0},      {50, 50, 32, 160},    {50, 50, 0, 0},
      {600, 50, 32, 160},  {600, 50, 0, 128},     {600, 440, 224, 96},  {600, 440, 192, 64},
      {50, 440, 160, 32},  {50, 440, 192, 64},    {320, 240, 96, 96},   {95.9f, 240, 128, 0},
      {96, 240, 128, 128}, {544.5f, 240, 0, 128}, {320, 392, 192, 192}, {320, 87, 71, 64 + 128},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.x) + "," + std::to_string(row.y) + " heading " +
                 std::to_string(row.heading));
    Fresh(1);
    Place(1, row.x, row.y);
    g_players[1].heading = row.heading;
    CpuMode[1] = kCpuEvade;
    CpuCountdown[1] = 39;
    CpuEvade(&g_players[1], 1);
    EXPECT_EQ(g_players[1].heading, row.turned);
  }
}

TEST_F(CpuPlayer, WanderPressesMultiplesOf32AndTurnsWhenBlocked) {
  struct Row {
    int countdown;
    int sceneFrame;
    bool standing;
    int heading;
    int after;
    int up, right;  // pending counts
  } rows[] = {
      {36, 2, true, 0, 64, 2, 0},   {36, 3, true, 0, 0, 0, 2},    {37, 2, true, 0, 0, 0, 2},
      {36, 2, false, 32, 32, 2, 2}, {20, 0, true, 224, 32, 2, 2}, {20, 1, false, 200, 200, 0, 0},
      {0, 2, true, 0, 0, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("countdown " + std::to_string(row.countdown) + " frame " +
                 std::to_string(row.sceneFrame) + " heading " + std::to_string(row.heading));
    Fresh(1);
    SceneFrame = row.sceneFrame;
    if (row.standing) g_players[1].trailX[0] = g_players[1].x;
    g_players[1].heading = row.heading;
    CpuCountdown[1] = row.countdown;
    CpuWander(&g_players[1], 1, 0);
    EXPECT_EQ(g_players[1].heading, row.after);
    EXPECT_EQ(Pending(kInputUp), row.up);
    EXPECT_EQ(Pending(kInputRight), row.right);
  }
}

TEST_F(CpuPlayer, StoryRules) {
  struct Row {
    const char* name;
    int kind, stage, roundFrame, life, state;
    float gauge;
    bool decided;
    int pair;  // buttons 1 and 2 pending
    float gaugeAfter;
    int powered;  // the player powered up with the special card: 1 or 2, -1 none
  } rows[] = {
      {"main 13 at 280", 0, 13, 280, 300, 0, 0, true, 3, 0, -1},
      {"main 13 at 281", 0, 13, 281, 300, 0, 0, false, 0, 0, -1},
      {"extra 13", 1, 13, 280, 300, 0, 0, false, 0, 0, -1},
      {"16 hit while low", 1, 16, 300, 50, kStateHitStun, 40, false, 0, 140, -1},
      {"16 hit with gauge", 0, 16, 300, 50, kStateKnockBack, 100, false, 0, 100, -1},
      {"16 standing with gauge", 0, 16, 300, 79, kStateWalk, 101, true, 3, 101, -1},
      {"16 not low", 0, 16, 300, 80, kStateWalk, 150, false, 0, 150, -1},
      {"16 before 280", 0, 16, 279, 50, kStateWalk, 150, false, 0, 150, -1},
      {"extra 0", 1, 0, 300, 300, 0, 0, false, 0, 0, 1},
      {"extra 2", 1, 2, 300, 300, 0, 0, false, 0, 0, 2},
      {"extra 4", 1, 4, 300, 300, 0, 0, false, 0, 0, 2},
      {"main 2", 0, 2, 300, 300, 0, 0, false, 0, 0, -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fresh(1);
    g_match.storyMode = 1;
    g_match.storyKind = row.kind;
    g_match.storyStage = row.stage;
    g_match.playerCount = 3;
    RoundFrame = row.roundFrame;
    g_players[1].life = row.life;
    g_players[1].state = row.state;
    g_playerState.spellGauge[1] = row.gauge;
    EXPECT_EQ(ApplyStoryCpuRules(&g_players[1], 1), row.decided);
    EXPECT_EQ(Pending(kInputButton1), row.pair);
    EXPECT_EQ(Pending(kInputButton2), row.pair);
    EXPECT_EQ(g_playerState.spellGauge[1], row.gaugeAfter);
    for (int p = 1; p <= 2; ++p) {
      EXPECT_EQ(g_playerState.powerUp[p], p == row.powered ? 3 : 0) << p;
      EXPECT_EQ(g_playerState.cardChoice[p], p == row.powered ? 2 : 0) << p;
    }
  }
  // A decided frame runs nothing more: no countdown.
  Fresh(1);
  g_match.storyMode = 1;
  g_match.storyStage = 13;
  RoundFrame = 280;
  CpuCountdown[1] = 30;
  Step();
  EXPECT_EQ(CpuCountdown[1], 30);
  // Out of play, the extra story's opponent is not powered up.
  Fresh(1);
  g_match.storyKind = 1;
  g_players[1].state = kStateSpellCard;
  ApplyStoryCpuRules(&g_players[0], 0);
  EXPECT_EQ(g_playerState.powerUp[1], 0);
}

TEST_F(CpuPlayer, StaleModesDecideAfreshAndTheDifficultyIsClamped) {
  struct Row {
    const char* name;
    int mode, countdown, target;
    int difficulty;
    int expectCountdown;  // with the highest answers, far from player 0: a wander
  } rows[] = {
      {"target of a larger match", kCpuWander, 20, 3, 1, 64},
      {"target below 0", kCpuWander, 20, -2, 1, 64},
      {"mode -1", -1, 20, 0, 1, 64},
      {"mode 3", 3, 20, 0, 1, 64},
      {"countdown below 0", kCpuAttack, -5, 0, 1, 64},
      {"difficulty 7 reads 3", kCpuWander, 0, 0, 7, 44},
      {"difficulty -4 reads 0", kCpuWander, 0, 0, -4, 74},
      {"a valid mode runs on", kCpuWander, 20, 0, 1, 19},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fresh(row.difficulty);
    g_fallbackIsMax = true;
    Place(0, 40, 40);
    Place(1, 600, 440);
    CpuMode[1] = row.mode;
    CpuCountdown[1] = row.countdown;
    CpuTarget[1] = row.target;
    Step();
    EXPECT_EQ(CpuCountdown[1], row.expectCountdown);
    EXPECT_EQ(CpuMode[1], kCpuWander);
    EXPECT_EQ(CpuTarget[1], 0);
  }
  // Positions that are not numbers and headings out of range index nothing they should not.
  Fresh(3);
  SetCpuRandomSource(nullptr);
  g_players[1].x = std::nanf("");
  g_players[1].heading = -77;
  g_shots[3].state = 1;
  g_shots[3].heading = 1 << 30;
  for (int frame = 0; frame < 200; ++frame) Step();
  EXPECT_GE(CpuMode[1], 0);
  EXPECT_LE(CpuMode[1], 2);
}

}  // namespace
