// The head-up display through the recording stand-in of the library: the round clock and the
// time-up award, the status bar (life and meter bars, panels, stars, ticks, the slide of the
// dialogue), the round's announcements by phase, the knock-out and time-up display, the flashes,
// the cross-fades, and hostile counters that draw only pictures of the tables.

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/game/view/hud_harness.h"

namespace {

using namespace hudtest;

// ---- The round clock and time-up -----------------------------------------------------------

TEST_F(Hud, TimeUpAwardsTheRoundByLife) {
  struct Case {
    const char* name;
    int players;
    int teamMode;
    std::vector<int> teams;
    std::vector<int> lives;
    int story;
    std::vector<int> winsBefore;
    std::vector<int> wins;
    int winner;
    std::vector<int> tally;
  } cases[] = {
      {"the most life wins", 2, 0, {}, {200, 150}, 0, {0, 0}, {1, 0}, 0, {0, 0}},
      {"a later player only with strictly more",
       3,
       0,
       {},
       {100, 120, 60},
       0,
       {0, 0, 0},
       {0, 1, 0},
       0,
       {0, 0, 0}},
      {"the win that takes the match", 2, 0, {}, {200, 150}, 0, {1, 0}, {2, 0}, 1, {0, 0}},
      {"a win short of the match", 2, 0, {}, {100, 150}, 0, {1, 0}, {1, 1}, 0, {0, 0}},
      {"a tie for the most is a draw",
       3,
       0,
       {},
       {150, 200, 200},
       0,
       {0, 0, 0},
       {0, 0, 0},
       0,
       {0, 0, 0}},
      {"a tie below the most still wins",
       3,
       0,
       {},
       {200, 90, 90},
       0,
       {0, 0, 0},
       {1, 0, 0},
       0,
       {0, 0, 0}},
      {"everyone at 0 is a draw", 2, 0, {}, {0, 0}, 0, {0, 0}, {0, 0}, 0, {0, 0}},
      {"the most below 0 is a draw", 2, 0, {}, {-5, -10}, 0, {0, 0}, {0, 0}, 0, {0, 0}},
      {"story: the first win is the round", 2, 0, {}, {200, 150}, 1, {0, 0}, {1, 0}, 1, {1, 0}},
      {"story: the opponent's first win", 2, 0, {}, {100, 200}, 1, {0, 0}, {0, 1}, 2, {0, 1}},
      {"story: a second win by the win count", 2, 0, {}, {200, 150}, 1, {1, 0}, {2, 0}, 1, {0, 0}},
      {"teams by average life",
       3,
       1,
       {0, 1, 1},
       {100, 120, 60},
       0,
       {0, 0, 0},
       {1, 0, 0},
       0,
       {0, 0, 0}},
      {"teams: the other side's average",
       4,
       1,
       {0, 1, 0, 1},
       {100, 150, 50, 20},
       0,
       {0, 0, 0, 0},
       {0, 1, 0, 1},
       0,
       {0, 0, 0, 0}},
      {"teams: equal averages",
       3,
       1,
       {0, 1, 1},
       {100, 120, 80},
       0,
       {0, 0, 0},
       {0, 0, 0},
       0,
       {0, 0, 0}},
      {"teams: averages equal as integers",
       3,
       1,
       {0, 1, 1},
       {100, 101, 100},
       0,
       {0, 0, 0},
       {0, 0, 0},
       0,
       {0, 0, 0}},
      {"teams: an empty team leaves it to the other",
       2,
       1,
       {0, 0},
       {10, 20},
       0,
       {0, 0},
       {1, 1},
       0,
       {0, 0}},
      {"teams: both empty is a draw", 2, 1, {2, -1}, {10, 20}, 0, {0, 0}, {0, 0}, 0, {0, 0}},
      {"teams: the match by the best player",
       2,
       1,
       {0, 1},
       {200, 100},
       0,
       {1, 1},
       {2, 1},
       1,
       {0, 0}},
      {"story teams: player 0's side is player 0's round",
       4,
       1,
       {0, 1, 0, 1},
       {10, 200, 300, 100},
       1,
       {0, 0, 0, 0},
       {1, 0, 1, 0},
       1,
       {1, 0, 0, 0}},
      {"story teams: the other side's best",
       4,
       1,
       {0, 1, 0, 1},
       {10, 200, 20, 300},
       1,
       {0, 0, 0, 0},
       {0, 1, 0, 1},
       4,
       {0, 0, 0, 1}},
      {"a draw sets nothing whatever team 0 has",
       2,
       1,
       {0, 1},
       {50, 50},
       1,
       {0, 0},
       {0, 0},
       0,
       {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    g_match.playerCount = c.players;
    g_match.teamMode = c.teamMode;
    g_match.storyMode = c.story;
    for (int p = 0; p < c.players; ++p) {
      if (!c.teams.empty()) g_match.team[p] = c.teams[p];
      g_players[p].life = c.lives[p];
      g_playerState.wins[p] = c.winsBefore[p];
    }
    FrameBudget = 1;
    Draw();
    EXPECT_EQ(FrameBudget, 0);
    EXPECT_EQ(FreezeFrames, 60);
    EXPECT_EQ(RoundEndFrames, 120);
    EXPECT_EQ(RoundWinner, c.winner);
    for (int p = 0; p < c.players; ++p) {
      EXPECT_EQ(g_playerState.wins[p], c.wins[p]) << p;
      EXPECT_EQ(g_playerState.roundsWonTotal[p], c.tally[p]) << p;
    }
    TearDown();
  }
}

TEST_F(Hud, TimeUpHoldsOnlyThePlayersStillIn) {
  g_match.playerCount = 4;
  const int states[4] = {0, 12, 13, 18};
  for (int p = 0; p < 4; ++p) {
    g_players[p].state = states[p];
    g_playerState.recoveryGuard[p] = 3;
  }
  FrameBudget = 1;
  Draw();
  EXPECT_EQ(g_playerState.recoveryGuard[0], 8);
  EXPECT_EQ(g_playerState.recoveryGuard[1], 8);
  EXPECT_EQ(g_playerState.recoveryGuard[2], 3);
  EXPECT_EQ(g_playerState.recoveryGuard[3], 3);
}

TEST_F(Hud, RoundClockRunsOnlyWhileTheFightRuns) {
  struct Case {
    const char* name;
    int roundFrame, roundEnd, freeze, budget, survival, story, timeLimit;
    int after;
  } cases[] = {
      {"the fight runs", 300, 0, 0, 5000, 0, 0, 1, 4999},
      {"from phase 280", 280, 0, 0, 5000, 0, 0, 0, 4999},
      {"not during the announcement", 279, 0, 0, 5000, 0, 0, 1, 5000},
      {"not before a round", -5, 0, 0, 5000, 0, 0, 1, 5000},
      {"not while the round ends", 300, 1, 0, 5000, 0, 0, 1, 5000},
      {"not while frozen", 300, 0, 1, 5000, 0, 0, 1, 5000},
      {"not in survival", 300, 0, 0, 5000, 1, 0, 1, 5000},
      {"no limit outside the story", 300, 0, 0, 5000, 0, 0, 2, 5000},
      {"a corrupted limit counts as none", 300, 0, 0, 5000, 0, 0, 7, 5000},
      {"the story has a limit anyway", 300, 0, 0, 5000, 0, 1, 2, 4999},
      {"a spent clock stays", 300, 0, 0, 0, 0, 0, 1, 0},
      {"a negative clock stays", 300, 0, 0, -40, 0, 0, 1, -40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    RoundFrame = c.roundFrame;
    RoundEndFrames = c.roundEnd;
    FreezeFrames = c.freeze;
    FrameBudget = c.budget;
    g_match.survivalMode = c.survival;
    g_match.storyMode = c.story;
    g_options.timeLimit = c.timeLimit;
    Draw();
    EXPECT_EQ(FrameBudget, c.after);
    // Only the tick that reaches 0 ends the round.
    EXPECT_EQ(RoundEndFrames, c.roundEnd);
    TearDown();
  }
}

// ---- The status bar ------------------------------------------------------------------------

TEST_F(Hud, LifeBarsGrowFromTheirSidesAndBlinkWhenLow) {
  struct Case {
    int life;
    int frameCount;
    std::vector<std::pair<int, int>> bars;  // (cell, width), base bar first
  } cases[] = {
      {350, 0, {{1, 242}, {0, 242}}},
      {200, 0, {{1, 242}, {0, 34}}},
      {176, 0, {{1, 242}, {0, 1}}},
      {175, 0, {{1, 242}}},
      {81, 2, {{1, 112}}},
      {80, 4, {{1, 110}}},
      {80, 2, {}},
      {80, 3, {}},
      {80, 5, {{1, 110}}},
      {1, 0, {{1, 1}}},
      {0, 0, {}},
      {-30, 0, {}},
      {kMax, 0, {{1, 242}, {0, 242}}},
      {kMin, 0, {}},
      {80, -2, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.life) + " at frame " + std::to_string(c.frameCount));
    g_players[0].life = g_players[1].life = c.life;
    FrameCount = c.frameCount;
    const Calls bars = OfRows(Draw(), {77});
    Calls want;
    for (int p = 0; p < 2; ++p) {
      for (auto [cell, width] : c.bars) {
        const int x = p == 0 ? 70 : 570 - width;
        want.push_back("DrawGraphPart " + std::to_string(x) + " 3 2 3 " + std::to_string(width) +
                       " 9 " + Pic(77, cell) + " 1 " + std::to_string(p) + " | 0 255 ffffff 0");
      }
    }
    EXPECT_EQ(bars, want);
  }
}

TEST_F(Hud, MeterBarsHangAtTheTopAndRiseAtTheBottom) {
  g_match.playerCount = 4;
  struct Case {
    float meters[4];
    Calls want;
  } cases[] = {
      {{0, 700, 900, 350},
       {"DrawGraphPart 2 96 2 2 9 0 107800 1 0 | 0 255 ffffff 0",
        "DrawGraphPart 629 96 2 2 9 136 107800 1 0 | 0 255 ffffff 0",
        "DrawGraphPart 2 247 2 1 9 136 107800 1 0 | 0 255 ffffff 0",
        "DrawGraphPart 629 315 2 69 9 68 107800 1 0 | 0 255 ffffff 0"}},
      {{-50, std::numeric_limits<float>::quiet_NaN(), 1e30f, 140},
       {"DrawGraphPart 2 96 2 2 9 0 107800 1 0 | 0 255 ffffff 0",
        "DrawGraphPart 629 96 2 2 9 0 107800 1 0 | 0 255 ffffff 0",
        "DrawGraphPart 2 247 2 1 9 136 107800 1 0 | 0 255 ffffff 0",
        "DrawGraphPart 629 356 2 110 9 27 107800 1 0 | 0 255 ffffff 0"}},
  };
  for (const Case& c : cases) {
    for (int p = 0; p < 4; ++p) g_players[p].meter = c.meters[p];
    EXPECT_EQ(OfRows(Draw(), {78}), c.want);
  }
}

TEST_F(Hud, PanelFramesByStateWinsAndCard) {
  g_match.playerCount = 4;
  struct Case {
    int p;
    int state;
    int kind;
    int cardBar;
    bool wonThisRound;
    int cell;
    const char* modulation;
  } cases[] = {
      {0, 0, 0, 0, false, 0, "ffffff"},   {0, 9, 0, 0, false, 2, "ffffff"},
      {0, 10, 0, 0, false, 1, "ffffff"},  {0, 11, 0, 0, false, 1, "ffffff"},
      {0, 12, 0, 0, false, 0, "ffffff"},  {0, 13, 0, 0, false, 1, "808080"},
      {0, 18, 0, 0, false, 1, "808080"},  {0, 19, 0, 0, false, 0, "ffffff"},
      {0, 0, 0, 0, true, 3, "ffffff"},    {0, 14, 0, 0, true, 3, "808080"},
      {0, 9, 2, 50, false, 10, "ffffff"}, {0, 9, 3, 50, false, 10, "ffffff"},
      {0, 0, 5, 1, true, 11, "ffffff"},   {0, 9, 4, 50, false, 2, "ffffff"},
      {0, 9, 2, 0, false, 2, "ffffff"},   {1, 10, 1, 0, false, 1, "ffffff"},
      {2, 0, 0, 0, false, 12, "ffffff"},  {3, 13, 3, 9, false, 21, "808080"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.p) + " in state " + std::to_string(c.state));
    SetUp();
    g_match.playerCount = 4;
    g_players[c.p].state = c.state;
    g_players[c.p].kind = static_cast<uint16_t>(c.kind);
    g_playerState.cardBar[c.p] = c.cardBar;
    g_playerState.wins[c.p] = c.wonThisRound ? 2 : 1;
    g_playerState.winsAtRoundStart[c.p] = 1;
    const int row = 168 + 8 * c.p;
    const Calls frames = OfRows(Draw(), {row});
    const int h = c.p / 2;
    const std::string y = std::to_string(430 * h + 1);
    const std::string call = c.p % 2 == 0 ? "DrawGraph 1 " + y : "DrawMirroredGraph 575 " + y;
    EXPECT_EQ(frames, Calls{call + " " + Pic(row, c.cell) + " 1 | 0 255 " + c.modulation + " 0"});
    TearDown();
  }
}

TEST_F(Hud, PortraitsTicksStarsAndTheSurvivalScore) {
  g_match.playerCount = 4;
  g_players[1].kind = 7;
  g_players[3].kind = 5;
  g_players[2].kind = 40;  // no character: no name
  g_playerState.spellGauge[0] = 100;
  g_playerState.spellGauge[1] = 99.9f;
  g_playerState.spellGauge[3] = 200;
  g_playerState.wins[0] = 2;
  g_playerState.wins[3] = 2;
  g_playerState.wins[1] = kMax;  // a corrupted count draws a bounded row
  SceneFrame = 64;               // half a turn
  const Calls calls = Draw();
  EXPECT_EQ(OfRows(calls, {12}), (Calls{"DrawGraph 68 16 101200 1 | 0 255 ffffff 0",
                                        "DrawGraph 433 16 101207 1 | 0 255 ffffff 0",
                                        "DrawGraph 525 454 101205 1 | 0 255 ffffff 0"}));
  EXPECT_EQ(OfRows(calls, {11}), (Calls{"DrawGraph -5 49 101100 1 | 0 255 ffffff 0",
                                        "DrawGraph 621 407 101105 1 | 0 255 ffffff 0",
                                        "DrawGraph 621 387 101105 1 | 0 255 ffffff 0"}));
  const Calls stars = OfRows(calls, {31});
  ASSERT_EQ(stars.size(), 104u);
  EXPECT_EQ(stars[0], "DrawRotaGraph 28 58 0.5 3.14159265 103100 1 0 | 2 255 ffffff 0");
  EXPECT_EQ(stars[1], "DrawRotaGraph 22 70 0.5 3.14159265 103100 1 0 | 2 255 ffffff 0");
  EXPECT_EQ(stars[2], "DrawRotaGraph 612 58 0.5 3.14159265 103100 1 0 | 2 255 ffffff 0");
  EXPECT_EQ(stars[102], "DrawRotaGraph 612 422 0.5 3.14159265 103100 1 0 | 2 255 ffffff 0");
  EXPECT_EQ(stars[103], "DrawRotaGraph 618 410 0.5 3.14159265 103100 1 0 | 2 255 ffffff 0");

  // Survival: player 0's score in nine small digits instead of its name.
  g_match.survivalMode = 1;
  g_playerState.score[0] = 1234;
  const Calls survival = Draw();
  EXPECT_EQ(OfRows(survival, {139}), Calls{"DrawGraph 68 14 113900 1 | 0 255 ffffff 0"});
  EXPECT_EQ(OfRows(survival, {12}).size(), 2u);
  const Calls digits = Drawing(survival, 2000, 2009);
  ASSERT_EQ(digits.size(), 9u);
  EXPECT_EQ(digits[0], "DrawGraph 182 14 2004 1 | 0 255 ffffff 0");
  EXPECT_EQ(digits[8], "DrawGraph 110 14 2000 1 | 0 255 ffffff 0");
}

TEST_F(Hud, PanelsSlideOffScreenWhileTheDialogueRuns) {
  struct Case {
    int type;
    int counter;  // StoryPreFight
    int fade;     // StoryScriptFade
    int slide;
  } cases[] = {
      {1, 0, 32, 0},       {1, 121, 32, 64}, {1, 121, 17, 4},    {1, 121, 16, 0},
      {1, 121, 1, 0},      {1, 121, 0, 64},  {1, 120, 32, 64},   {1, 121, 1000, 64},
      {2, 100, 32, 0},     {2, 100, 17, 60}, {2, 100, 16, 64},   {2, 121, 32, 64},
      {0, 50, 0, 64},      {3, 100, 32, 64}, {2, 100, -900, 64}, {2, 100, kMax, 0},
      {1, kMax, kMin, 64},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.type) + " " + std::to_string(c.counter) + " " +
                 std::to_string(c.fade));
    SetUp();
    g_match.storyMode = 1;
    g_match.storyStage = 4;
    StageTypeTable[4] = c.type;
    StoryPreFight = c.counter;
    StoryScriptFade = c.fade;
    const Calls calls = Draw();
    const int f = c.slide;
    const auto at = [](int x, int y, const std::string& graph) {
      return std::to_string(x) + " " + std::to_string(y) + " " + graph;
    };
    EXPECT_EQ(OfRows(calls, {76}),
              (Calls{"DrawGraph " + at(-f, 0, Pic(76, 0)) + " 1 | 0 255 ffffff 0",
                     "DrawGraph " + at(320 + f, 0, Pic(76, 1)) + " 1 | 0 255 ffffff 0"}));
    const Calls badges = OfRows(calls, {79});
    ASSERT_EQ(badges.size(), 2u);
    EXPECT_EQ(badges[0].substr(0, badges[0].find(" 1 0 ")),
              "DrawRotaGraph " + std::to_string(65 - 2 * f) + " 14");
    EXPECT_EQ(badges[1].substr(0, badges[1].find(" 1 0 ")),
              "DrawRotaGraph " + std::to_string(575 + 2 * f) + " 14");
    EXPECT_EQ(OfRows(calls, {12}),
              (Calls{"DrawGraph " + at(68 - f, 16, Pic(12, 0)) + " 1 | 0 255 ffffff 0",
                     "DrawGraph " + at(477 + f, 16, Pic(12, 1)) + " 1 | 0 255 ffffff 0"}));
    const std::string base = "DrawGraphPart " + std::to_string(328 + f) + " 3 ";
    EXPECT_EQ(OfRows(calls, {77})[2].substr(0, base.size()), base);
    EXPECT_EQ(Drawing(calls, 1000, 1009),
              (Calls{"DrawGraph 320 " + std::to_string(1 - f) + " 1000 1 | 0 255 ffffff 0",
                     "DrawGraph 308 " + std::to_string(1 - f) + " 1005 1 | 0 255 ffffff 0"}));
    TearDown();
  }
}

// ---- Announcements and the round's end -----------------------------------------------------

TEST_F(Hud, AnnouncementsByPhase) {
  struct Case {
    int phase;
    bool won;  // somebody has won a round
    Calls want;
  } cases[] = {
      {12,
       false,
       {"DrawRotaGraph 100 170 1 0 101000 1 0 | 1 105 ffffff 1",
        "DrawRotaGraph 300 70 1 0 101001 1 0 | 1 105 ffffff 1"}},
      {13,
       false,
       {"DrawRotaGraph 100 170 1 0 101000 1 0 | 1 114 ffffff 1",
        "DrawRotaGraph 300 70 1 0 101001 1 0 | 1 114 ffffff 1",
        "DrawRotaGraph 320 240 1.7 0 101600 1 0 | 1 0 ffffff 1"}},
      {40,
       false,
       {"DrawRotaGraph 100 170 1 0 101000 1 0 | 1 87 ffffff 1",
        "DrawRotaGraph 300 70 1 0 101001 1 0 | 1 87 ffffff 1",
        "DrawRectangle 0 240 640 240 0xffff0000 1 | 4 255 ffffff 1",
        "DrawRotaGraph 320 240 1.608 1.22718463 108900 1 0 | 1 64 ffffff 1",
        "DrawRotaGraph 320 240 1 0 101600 1 0 | 1 255 ffffff 1"}},
      {64,
       false,
       {"DrawRotaGraph 100 170 1 0 101000 1 0 | 1 35 ffffff 1",
        "DrawRotaGraph 300 70 1 0 101001 1 0 | 1 35 ffffff 1",
        "DrawRectangle 0 192 640 288 0xffff0000 1 | 4 255 ffffff 1",
        "DrawRotaGraph 320 240 1.6272 1.96349541 108900 1 0 | 1 192 ffffff 1",
        "DrawRotaGraph 320 240 1 0 101600 1 0 | 1 255 ffffff 1"}},
      {65,
       false,
       {"DrawRotaGraph 100 170 1 0 101000 1 0 | 1 43 ffffff 1",
        "DrawRotaGraph 300 70 1 0 101001 1 0 | 1 43 ffffff 1",
        "DrawRectangle 0 190 640 290 0xffff0000 1 | 4 255 ffffff 1",
        "DrawRotaGraph 320 240 1.628 1.99417502 108900 1 0 | 1 192 ffffff 1",
        "DrawRotaGraph 320 240 1 0 101600 1 0 | 1 255 ffffff 1"}},
      {77,
       false,
       {"DrawRotaGraph 100 170 1 0 101000 1 0 | 1 149 ffffff 1",
        "DrawRotaGraph 300 70 1 0 101001 1 0 | 1 149 ffffff 1",
        "DrawRectangle 0 190 640 290 0xffff0000 1 | 4 255 ffffff 1",
        "DrawRotaGraph 320 240 1.6376 2.36233041 108900 1 0 | 1 192 ffffff 1",
        "DrawExtendGraph -64 238 704 241 101600 1 | 1 255 ffffff 1"}},
      {77,
       true,
       {"DrawRotaGraph 100 170 1 0 101000 1 0 | 1 149 ffffff 1",
        "DrawRotaGraph 300 70 1 0 101001 1 0 | 1 149 ffffff 1",
        "DrawRectangle 0 190 640 290 0xffff0000 1 | 4 255 ffffff 1",
        "DrawRotaGraph 320 240 1.6376 2.36233041 108900 1 0 | 1 192 ffffff 1"}},
      {78,
       false,
       {"DrawRotaGraph 100 170 1 0 101000 1 0 | 1 158 ffffff 1",
        "DrawRotaGraph 300 70 1 0 101001 1 0 | 1 158 ffffff 1",
        "DrawRectangle 0 190 640 290 0xffff0000 1 | 4 255 ffffff 1",
        "DrawRotaGraph 320 240 1.6384 2.39301003 108900 1 0 | 1 192 ffffff 1",
        "DrawRotaGraph 210 240 1 0 101400 1 0 | 1 128 ffffff 1"}},
      {170,
       false,
       {"DrawRotaGraph 100 170 1 0 101000 1 0 | 1 175 ffffff 1",
        "DrawRotaGraph 300 70 1 0 101001 1 0 | 1 175 ffffff 1",
        "DrawRectangle 0 190 640 290 0xffff0000 1 | 4 255 ffffff 1",
        "DrawRotaGraph 320 240 1.712 5.21553468 108900 1 0 | 1 192 ffffff 1",
        "DrawExtendGraph 173 205 248 276 101400 1 | 1 128 ffffff 1",
        "DrawExtendGraph 247 205 322 276 101401 1 | 1 128 ffffff 1",
        "DrawExtendGraph 321 205 396 276 101412 1 | 1 128 ffffff 1",
        "DrawExtendGraph 395 205 470 276 101413 1 | 1 128 ffffff 1",
        "DrawExtendGraph 457 229 793 251 101300 1 | 0 255 ffffff 1"}},
      {180,
       false,
       {"DrawRotaGraph 100 170 1 0 101000 1 0 | 1 0 ffffff 1",
        "DrawRotaGraph 300 70 1 0 101001 1 0 | 1 0 ffffff 1",
        "DrawRectangle 0 190 640 290 0xffff0000 1 | 4 255 ffffff 1",
        "DrawRotaGraph 320 240 1.72 5.52233084 108900 1 0 | 1 192 ffffff 1",
        "DrawRotaGraph 320 240 0.1 0 108700 1 0 | 2 255 ffffff 1",
        "DrawExtendGraph 173 240 248 240 101414 1 | 1 128 ffffff 1",
        "DrawExtendGraph 247 240 322 240 101415 1 | 1 128 ffffff 1",
        "DrawExtendGraph 321 240 396 240 101416 1 | 1 128 ffffff 1",
        "DrawExtendGraph 395 240 470 240 101417 1 | 1 128 ffffff 1"}},
      {254,
       false,
       {"DrawRotaGraph 100 170 1 0 101000 1 0 | 1 123 ffffff 1",
        "DrawRotaGraph 300 70 1 0 101001 1 0 | 1 123 ffffff 1",
        "DrawRectangle 0 190 640 290 0xffff0000 1 | 4 255 ffffff 1",
        "DrawRotaGraph 320 240 1.7792 7.7926224 108900 1 0 | 1 192 ffffff 1",
        "DrawRotaGraph 210 240 1 0 101414 1 0 | 1 128 ffffff 1",
        "DrawRotaGraph 284 240 1 0 101415 1 0 | 1 128 ffffff 1",
        "DrawRotaGraph 358 240 1 0 101416 1 0 | 1 128 ffffff 1",
        "DrawRotaGraph 432 240 1 0 101417 1 0 | 1 128 ffffff 1",
        "DrawRotaGraph 332 240 1 0 101301 1 0 | 0 255 ffffff 1"}},
      {255,
       false,
       {"DrawRotaGraph 100 170 1 0 101000 1 0 | 1 131 ffffff 1",
        "DrawRotaGraph 300 70 1 0 101001 1 0 | 1 131 ffffff 1",
        "DrawRectangle 0 190 640 290 0xffff0000 1 | 4 255 ffffff 1",
        "DrawRotaGraph 320 240 1.78 7.82330202 108900 1 0 | 1 192 ffffff 1",
        "DrawRotaGraph 210 240 1 0 101414 1 0 | 1 128 ffffff 1",
        "DrawRotaGraph 284 240 1 0 101415 1 0 | 1 128 ffffff 1",
        "DrawRotaGraph 358 240 1 0 101416 1 0 | 1 128 ffffff 1",
        "DrawRotaGraph 432 240 1 0 101417 1 0 | 1 128 ffffff 1",
        "DrawRotaGraph 332 240 1 0 101301 1 0 | 0 255 ffffff 1"}},
      {279,
       false,
       {"DrawRotaGraph 100 170 1 0 101000 1 0 | 1 79 ffffff 1",
        "DrawRotaGraph 300 70 1 0 101001 1 0 | 1 79 ffffff 1",
        "DrawRectangle 0 238 640 242 0xffff0000 1 | 4 255 ffffff 1",
        "DrawRotaGraph 320 240 4.3192 8.5596128 108900 1 0 | 1 192 ffffff 1",
        "DrawRotaGraph 210 240 1 2.74889357 101414 1 0 | 1 8 ffffff 1",
        "DrawRotaGraph 284 240 1 2.74889357 101415 1 0 | 1 8 ffffff 1",
        "DrawRotaGraph 358 240 1 2.74889357 101416 1 0 | 1 8 ffffff 1",
        "DrawRotaGraph 432 240 1 2.74889357 101417 1 0 | 1 8 ffffff 1",
        "DrawExtendGraph 781 229 1333 251 101301 1 | 0 255 ffffff 1"}},
      {280, false, {}},
      {-1, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.phase);
    RoundFrame = c.phase;
    g_playerState.wins[1] = c.won ? 1 : 0;
    const Calls calls = Draw();
    EXPECT_EQ(OfRows(calls, {10, 13, 14, 16, 87, 89}, true), c.want);
  }
}

TEST_F(Hud, RoundLettersByRoundAndMode) {
  struct Case {
    const char* name;
    int round;
    int survival;
    int story;
    int stage;
    int cells[4];
  } cases[] = {
      {"third round", 2, 0, 0, 0, {0, 3, 12, 13}},
      {"tenth round", 9, 0, 0, 0, {10, 11, 12, 13}},
      {"the story's last stage", 3, 0, 1, 16, {10, 11, 12, 13}},
      {"another story stage", 3, 0, 1, 15, {0, 4, 12, 13}},
      {"survival", 9, 1, 0, 0, {18, 19, 20, 21}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    RoundNumber = c.round;
    g_match.survivalMode = c.survival;
    g_match.storyMode = c.story;
    g_match.storyStage = c.stage;
    g_match.storyStageCount = 17;
    RoundFrame = 100;  // the last letter still settles
    Calls want;
    const double scales[4] = {1, 1, 1, 1.08};
    for (int i = 0; i < 4; ++i) {
      char text[96];
      std::snprintf(text, sizeof text, "DrawRotaGraph %d 240 %.9g 0 %s 1 0 | 1 128 ffffff 1",
                    210 + 74 * i, scales[i], Pic(14, c.cells[i]).c_str());
      want.push_back(text);
    }
    EXPECT_EQ(OfRows(Draw(), {14}), want);
    TearDown();
  }
  // A round number past every cell shows no second letter.
  SetUp();
  RoundNumber = kMax;
  RoundFrame = 100;
  EXPECT_EQ(Starting(Draw(), "DrawRotaGraph 284 240 1 0 -1 ").size(), 1u);
  // The letters zoom in as they appear.
  RoundNumber = 0;
  RoundFrame = 88;
  const Calls zoom = OfRows(Draw(), {14});
  ASSERT_EQ(zoom.size(), 3u);
  EXPECT_EQ(zoom[1], "DrawRotaGraph 284 240 1 0 101401 1 0 | 1 128 ffffff 1");
  EXPECT_EQ(zoom[2], "DrawRotaGraph 358 240 1.24 0 101412 1 0 | 1 128 ffffff 1");
}

TEST_F(Hud, KnockOutAndTimeUpDisplay) {
  struct Case {
    int freeze;
    int roundEnd;
    Calls want;
  } cases[] = {
      {60,
       120,
       {"DrawRotaGraph 320 240 0.1 0 109000 1 0 | 2 192 ffffff 1",
        "DrawRotaGraph 320 240 1.26 11.7809725 101500 1 0 | 1 0 ffffff 1"}},
      {59,
       120,
       {"DrawRectangle 0 0 640 480 0xffffffff 1 | 2 123 ffffff 1",
        "DrawRotaGraph 320 240 0.3 0 108700 1 0 | 2 123 ffffff 1",
        "DrawRotaGraph 320 240 1.258 11.3882734 101500 1 0 | 1 6 ffffff 1"}},
      {31,
       120,
       {"DrawRectangle 0 0 640 480 0xffffffff 1 | 2 4 ffffff 1",
        "DrawRotaGraph 320 240 5.9 0 108700 1 0 | 2 4 ffffff 1",
        "DrawRotaGraph 320 240 1.202 0.392699082 101500 1 0 | 1 185 ffffff 1"}},
      {30,
       120,
       {"DrawRotaGraph 320 240 1 0 109000 1 0 | 2 192 ffffff 1",
        "DrawRotaGraph 320 240 1.2 0 101500 1 0 | 1 96 ffffff 1"}},
      {27,
       120,
       {"DrawRotaGraph 320 240 1.09 0 109000 1 0 | 2 192 ffffff 1",
        "DrawRotaGraph 320 240 1.194 0 101500 1 0 | 1 105 ffffff 1"}},
      {26,
       120,
       {"DrawRotaGraph 320 240 1.92 0 109001 1 0 | 2 192 ffffff 1",
        "DrawRotaGraph 320 240 1.192 0 101500 1 0 | 1 108 ffffff 1"}},
      {0,
       120,
       {"DrawRotaGraph 320 240 22.72 0 109001 1 0 | 2 192 ffffff 1",
        "DrawRotaGraph 320 240 1.14 0 101500 1 0 | 1 192 ffffff 1",
        "DrawRotaGraph 320 240 1.2 0 101302 1 0 | 2 192 ffffff 1"}},
      {0,
       30,
       {"DrawRotaGraph 320 240 22.72 0 109001 1 0 | 2 192 ffffff 1",
        "DrawRotaGraph 320 240 0.96 0 101500 1 0 | 1 96 ffffff 1",
        "DrawRotaGraph 320 240 1.11 0 101302 1 0 | 2 96 ffffff 1"}},
      {0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.freeze) + " " + std::to_string(c.roundEnd));
    FreezeFrames = c.freeze;
    RoundEndFrames = c.roundEnd;
    EXPECT_EQ(OfRows(Draw(), {13, 15, 87, 90}, true), c.want);
  }
}

// ---- Flashes, fades and the rest of the frame ----------------------------------------------

TEST_F(Hud, FlashesFadeFromEitherSide) {
  struct Case {
    int frames;
    int length;
    Calls boxes;
    int after;
  } cases[] = {
      {10, 20, {"DrawRectangle 0 0 640 480 0xffffffff 1 | 2 127 ffffff 0"}, 9},
      {1, 16, {"DrawRectangle 0 0 640 480 0xffffffff 1 | 2 15 ffffff 0"}, 0},
      {30, 20, {"DrawRectangle 0 0 640 480 0xffffffff 1 | 2 255 ffffff 0"}, 29},
      {5, 0, {}, 4},
      {5, -20, {"DrawRectangle 0 0 640 480 0xffffffff 1 | 2 0 ffffff 0"}, 4},
      {-10, -20, {"DrawRectangle 0 0 640 480 0xff000000 1 | 1 127 ffffff 0"}, -9},
      {-10, 20, {"DrawRectangle 0 0 640 480 0xff000000 1 | 1 255 ffffff 0"}, -9},
      {-10, 0, {"DrawRectangle 0 0 640 480 0xff000000 1 | 1 255 ffffff 0"}, -9},
      {kMax, 1, {"DrawRectangle 0 0 640 480 0xffffffff 1 | 2 255 ffffff 0"}, kMax - 1},
      {kMin, -1, {"DrawRectangle 0 0 640 480 0xff000000 1 | 1 255 ffffff 0"}, kMin + 1},
      {kMin, 1, {"DrawRectangle 0 0 640 480 0xff000000 1 | 1 255 ffffff 0"}, kMin + 1},
      {0, 20, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.frames) + " over " + std::to_string(c.length));
    FlashFrames = c.frames;
    FlashLength = c.length;
    EXPECT_EQ(Boxes(Draw()), c.boxes);
    EXPECT_EQ(FlashFrames, c.after);
  }
}

TEST_F(Hud, CrossFadesCountDown) {
  struct Case {
    int fade;
    int spellFade;
    int shake;
    Calls draws;
  } cases[] = {
      {30, 0, 0, {"DrawRotaGraph 320 240 1 0 8000 1 0 | 1 255 ffffff 0"}},
      {15, 0, -4, {"DrawRotaGraph 320 244 1 0 8000 1 0 | 1 127 ffffff 0"}},
      {0,
       20,
       3,
       {"DrawRotaGraph 320 237 1 0 8000 1 0 | 2 255 ffffff 0",
        "DrawRotaGraph 320 237 1 0 8000 1 0 | 2 255 ffffff 0"}},
      {1,
       10,
       0,
       {"DrawRotaGraph 320 240 1 0 8000 1 0 | 1 8 ffffff 0",
        "DrawRotaGraph 320 240 1.1 0 8000 1 0 | 2 127 ffffff 0",
        "DrawRotaGraph 320 240 1.15 0 8000 1 0 | 2 127 ffffff 0"}},
      {0, 0, 0, {}},
      {-5, -5, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.fade) + " " + std::to_string(c.spellFade));
    FadeFrames = c.fade;
    SpellFadeFrames = c.spellFade;
    EXPECT_EQ(Drawing(Draw(c.shake), kCapture, kCapture), c.draws);
    EXPECT_EQ(FadeFrames, c.fade > 0 ? c.fade - 1 : c.fade);
    EXPECT_EQ(SpellFadeFrames, c.spellFade > 0 ? c.spellFade - 1 : c.spellFade);
  }
}

TEST_F(Hud, BadgesBlackoutBeamsAndTheWhiteFade) {
  // Team badges show the team; a team number past the row shows nothing.
  g_match.playerCount = 3;
  g_match.teamMode = 1;
  g_match.team[1] = 1;
  g_match.team[2] = 99;
  EXPECT_EQ(OfRows(Draw(), {79}), (Calls{"DrawRotaGraph 65 14 1 0 107900 1 0 | 2 160 ffffff 0",
                                         "DrawRotaGraph 575 14 1 0 107904 1 0 | 2 160 ffffff 0"}));
  EXPECT_EQ(Starting(Draw(), "DrawRotaGraph 65 466 ").size(), 1u) << "drawn with no picture";

  ArenaBlackout = 1;
  EndingFade = 12;
  LateEffectCount = 2;
  LateEffectList[0] = EffectRecord{};
  LateEffectList[0].code = 201;
  LateEffectList[0].x = 320;
  LateEffectList[0].y = 240;
  LateEffectList[0].timer = 2;
  LateEffectList[1] = LateEffectList[0];
  LateEffectList[1].code = 200;
  const Calls calls = Draw(10);
  EXPECT_EQ(Boxes(calls), (Calls{"DrawRectangle 0 0 640 480 0xff000000 1 | 0 255 ffffff 0",
                                 "DrawRectangle 0 0 640 480 0xffffffff 1 | 2 191 ffffff 0"}));
  // One beam: 2048 by 32 about (320, 230), heading 0.
  const Calls beams = OfRows(calls, {97});
  ASSERT_EQ(beams.size(), 1u);
  EXPECT_EQ(beams[0],
            "DrawModiGraph -704 214 1344 214 1344 246 -704 246 109700 1 | 2 255 ffffff 0");
}

TEST_F(Hud, SurvivalNoticeBeforeTheRound) {
  g_match.survivalMode = 1;
  RoundWinner = 1;
  RoundNumber = 4;
  struct Case {
    int phase;
    Calls want;
  } cases[] = {
      {-81, {}},
      {-72, {"DrawRectangle 0 216 320 260 0xff00ffff 1 | 3 128 ffffff 0"}},
      {-56,
       {"DrawRectangle 0 216 640 260 0xff00ffff 1 | 3 128 ffffff 0",
        "DrawGraph 180 230 114000 1 | 1 127 ffffff 0"}},
      {-16,
       {"DrawRectangle 0 216 640 260 0xff00ffff 1 | 3 128 ffffff 0",
        "DrawGraph 244 230 114000 1 | 1 255 ffffff 0",
        "DrawGraph 374 230 114105 1 | 1 127 ffffff 0"}},
      {0,
       {"DrawRectangle 0 216 640 260 0xff00ffff 1 | 3 128 ffffff 0",
        "DrawGraph 244 230 114000 1 | 1 255 ffffff 0",
        "DrawGraph 374 230 114105 1 | 1 255 ffffff 0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.phase);
    RoundFrame = c.phase;
    const Calls calls = Draw();
    Calls shown = Boxes(calls);
    for (const std::string& s : OfRows(calls, {140, 141})) shown.push_back(s);
    EXPECT_EQ(shown, c.want);
  }
  // Only after a won round, and not past the last.
  RoundFrame = -16;
  RoundWinner = 2;
  EXPECT_TRUE(OfRows(Draw(), {140}).empty());
  RoundWinner = 1;
  RoundNumber = 30;
  EXPECT_TRUE(OfRows(Draw(), {140}).empty());
}

// Hostile counters, lives, meters, wins, teams and characters draw only pictures of the tables
// (or none), never a handle computed past a row, and leave the display's counters where the
// rules put them.
TEST_F(Hud, HostileValuesDrawOnlyTablePictures) {
  std::mt19937 random(43);
  const int32_t extremes[] = {kMin, kMin + 1, -100000, -281, -1,     0,        1,
                              15,   16,       63,      64,   100000, kMax - 1, kMax};
  const auto pick = [&]() -> int32_t {
    if (random() % 2 == 0) return extremes[random() % std::size(extremes)];
    return static_cast<int32_t>(random());
  };
  for (int run = 0; run < 400; ++run) {
    SetUp();
    g_match.playerCount = pick();
    g_match.teamMode = random() % 2;
    g_match.survivalMode = random() % 2;
    g_match.storyMode = random() % 2;
    g_match.storyStage = pick();
    g_match.storyStageCount = pick();
    for (int p = 0; p < 4; ++p) {
      g_match.team[p] = pick();
      g_players[p].kind = static_cast<uint16_t>(pick());
      g_players[p].life = pick();
      g_players[p].state = pick();
      g_players[p].meter = static_cast<float>(pick()) * 0.37f;
      g_playerState.wins[p] = pick() % 300;
      g_playerState.winsAtRoundStart[p] = pick();
      g_playerState.cardBar[p] = pick();
      g_playerState.spellGauge[p] = static_cast<float>(pick());
      g_playerState.score[p] = pick();
      g_playerState.cardChoice[p] = pick();
      g_playerState.cardBarFull[p] = pick();
      g_playerState.entryFrames[p] = pick();
      const int32_t timers[] = {9999, 8888, pick()};
      g_players[p].stateTimer = timers[random() % 3];
      g_players[p].recovery = pick();
      g_players[p].rooted = static_cast<uint8_t>(pick());
      g_players[p].x = static_cast<float>(pick());
      g_players[p].y = static_cast<float>(pick()) * 0.01f;
    }
    for (EffectRecord& ring : g_secondEffects) {
      ring.timer = pick();
      ring.code = pick();
      ring.x = static_cast<float>(pick());
    }
    CutInFrames = pick();
    CutInAttacker = pick() % 6;
    CutInVictim = pick() % 6;
    NamePlateFrames = static_cast<uint16_t>(pick());
    ContinuePause = pick();
    ContinueChoice = pick();
    RouteFlagA = static_cast<uint8_t>(pick());
    for (int i = 0; i < 2; ++i) {
      PortraitSlots[i] = static_cast<uint16_t>(random() % 2 == 0 ? pick() : random() % 5);
      PortraitExpressions[i] = static_cast<uint16_t>(random() % 2 == 0 ? pick() : random() % 11);
    }
    SpeakerSlot = pick();
    SpeakerChanged = static_cast<uint8_t>(pick());
    RoundFrame = pick() % 400;
    RoundEndFrames = pick();
    FreezeFrames = pick();
    FrameBudget = pick();
    RoundNumber = pick();
    RoundWinner = pick();
    StoryPreFight = pick();
    StoryScriptFade = pick();
    FlashFrames = pick();
    FlashLength = pick();
    FadeFrames = pick();
    SpellFadeFrames = pick();
    EndingFade = pick();
    SceneFrame = pick();
    FrameCount = pick();
    ArenaVariant = pick();
    LateEffectCount = static_cast<uint16_t>(pick());
    g_options.winCount = pick();
    g_options.timeLimit = pick();
    const int32_t flash = FlashFrames;
    // Nobody presses: the continue prompt decides nothing.
    for (auto& counts : HeldFrameCounts) counts[0] = 0;
    const Calls calls = Draw(pick() % 64);
    for (const std::string& call : calls) {
      const std::optional<int64_t> graph = GraphOf(call);
      if (!graph) continue;
      const int64_t h = *graph;
      const bool picture = h >= 100000 && h < 100000 + 100 * kPictureSlots && h % 100 < 64;
      const bool digit = (h >= 1000 && h < 1010) || (h >= 2000 && h < 2010);
      const bool sheet = h >= SheetPicture(0, 0) && h < SheetPicture(3, 400) && h % 1000 < 400;
      const bool portrait = h >= PortraitPicture(0, 0) && h <= PortraitPicture(3, 9);
      EXPECT_TRUE(h == -1 || h == kCapture || picture || digit || sheet || portrait) << call;
    }
    EXPECT_EQ(FlashFrames, flash > 0 ? flash - 1 : (flash < 0 ? flash + 1 : 0));
    TearDown();
  }
}

}  // namespace
