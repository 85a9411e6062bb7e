// The win quotes on the recording stand-in: the choice at frame 100 over every special row, quote
// 6, who may advance, the statistics with their percentages and the way back to the selection.
#include "game/flow/win_quotes.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/result_state.h"
#include "game/core/scenes.h"
#include "game/flow/glyph_text.h"
#include "tests/game/flow/result_harness.h"

namespace {

using namespace veyrdale;
using testsupport::kB1;
using testsupport::Pads;
using testsupport::RecordedCall;
using testsupport::Recorder;

class WinQuotes : public testsupport::ResultHarness {
 protected:
  // A versus match of `characters` won by `winner` (1-4), as the battle hands it over.
  void Match(const std::vector<int>& characters, int winner) {
    Restart();
    g_match.playerCount = static_cast<int>(characters.size());
    for (size_t p = 0; p < characters.size(); ++p) {
      g_players[p].kind = static_cast<uint16_t>(characters[p]);
    }
    RoundWinner = winner;
    for (int i = 0; i < kGlyphSheetCount; ++i) GlyphSheetsB[i] = 7100 + i;
    Enter(kSceneWinQuote);
  }
  // The last value drawn at (x, y) with the plain digits, read right to left.
  static long long NumberAt(int x, int y) {
    long long value = 0, place = 1;
    for (int k = 0; k < 11; ++k) {
      bool found = false;
      for (const RecordedCall& call : Recorder().Named("DrawGraph")) {
        const int graph = std::stoi(call.args[2]);
        if (std::stoi(call.args[0]) == x - 12 * k && std::stoi(call.args[1]) == y &&
            graph >= 1000 && graph <= 1009) {
          value += place * (graph - 1000);
          found = true;
        }
      }
      if (!found) return k == 0 ? -1 : value;
      place *= 10;
    }
    return value;
  }
};

TEST_F(WinQuotes, TheLastKnockedOutRivalBringsTheSpecialQuote) {
  const int rivals[16][3] = {{3, 7, 10}, {4, 8, 9},  {1, 7, 14}, {0, 8, 12}, {2, 5, 8},  {6, 3, 9},
                             {0, 5, 10}, {3, 8, 14}, {1, 0, 13}, {1, 2, 4},  {1, 6, 13}, {2, 3, 8},
                             {7, 8, 11}, {0, 8, 10}, {2, 7, 10}, {5, 0, 6}};
  for (int c = 0; c < 16; ++c) {
    for (int k = 0; k < 3; ++k) {
      SCOPED_TRACE("winner " + std::to_string(c) + " quote " + std::to_string(10 + k));
      Match({c, (c + 1) % 16}, 1);
      LastKnockedOut = rivals[c][k];
      g_playerState.cardUsed[0] = static_cast<uint8_t>(k % 2);
      UntilSceneFrame(101);
      EXPECT_EQ(WinQuoteIndex, 10 + k);
      // The quote's first line and the expression's portrait cell.
      EXPECT_EQ(SpecialQuoteTable[c][k][0][0] != 0, true);
      Recorder().ClearCalls();
      Frame();
      EXPECT_EQ(CountPrefix("DrawGraphPart 32 338 "), 1);
      EXPECT_EQ(WinQuoteExpression(c, 10 + k), SpecialExpressionTable[c][k]);
    }
  }
}

TEST_F(WinQuotes, OrdinaryQuotesByChanceOrSixWithoutACard) {
  struct Case {
    int lastKnockedOut;
    int cardUsed;
    int winner;  // 1-4, or anything else for player 0
    bool six;
  } cases[] = {{1, 0, 1, true}, {1, 1, 1, false}, {-5, 0, 9, true}, {40, 1, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.lastKnockedOut) + " " + std::to_string(c.cardUsed));
    Match({0, 1}, c.winner);
    LastKnockedOut = c.lastKnockedOut;
    g_playerState.cardUsed[0] = static_cast<uint8_t>(c.cardUsed);
    g_playerState.cardUsed[1] = 0;
    UntilSceneFrame(101);
    if (c.six) {
      EXPECT_EQ(WinQuoteIndex, 6);
    } else {
      EXPECT_GE(WinQuoteIndex, 0);
      EXPECT_LE(WinQuoteIndex, 5);
    }
  }
  // No text and no portrait cell outside the tables.
  EXPECT_EQ(WinQuoteLines(16, 0), nullptr);
  EXPECT_EQ(WinQuoteLines(0, 7), nullptr);
  EXPECT_EQ(WinQuoteLines(0, 13), nullptr);
  EXPECT_EQ(WinQuoteExpression(-1, 10), 0);
  Match({200, 1}, 1);
  UntilSceneFrame(112);
  EXPECT_EQ(CountPrefix("DrawGraphPart 32 338 "), 0);
}

TEST_F(WinQuotes, PlaceholderQuotesFitTheWindow) {
  auto check = [](const QuoteLines& quote) {
    int used = 0;
    for (const char* line : quote) {
      const size_t bytes = std::strlen(line);
      EXPECT_LE(bytes, 48u);
      EXPECT_EQ(bytes % 2, 0u);
      for (size_t i = 0; i < bytes; i += 2) {
        EXPECT_GE(static_cast<unsigned char>(line[i]), 0x81) << line;
      }
      used += bytes > 0 ? 1 : 0;
    }
    EXPECT_GE(used, 1);
  };
  for (int c = 0; c < 16; ++c) {
    for (const QuoteLines& q : WinQuoteTable[c]) check(q);
    for (const QuoteLines& q : SpecialQuoteTable[c]) check(q);
    for (int e : QuoteExpressionTable[c]) EXPECT_LT(static_cast<unsigned>(e), 10u);
    for (int e : SpecialExpressionTable[c]) EXPECT_LT(static_cast<unsigned>(e), 10u);
  }
}

TEST_F(WinQuotes, AComputerWinnerIsAdvancedByAnyHuman) {
  Match({0, 1, 2}, 2);
  g_match.cpuFlag[1] = 1;
  UntilSceneFrame(130);
  PendingPressCounts[kInputButton1][1] = 1;
  Frame();
  PendingPressCounts[kInputButton1][1] = 0;
  EXPECT_EQ(StatisticsShown, 0) << "the computer's own press";
  Press(2, kB1);
  EXPECT_EQ(StatisticsShown, 1);
  EXPECT_EQ(SceneFrame, 202);
}

TEST_F(WinQuotes, StatisticsWithAndWithoutDivisors) {
  Match({4, 4}, 1);
  PlayerBattleState& s = g_playerState;
  s.score[0] = 4321;
  s.shotsHit[0] = 3;
  s.shotsFired[0] = 4;
  s.obstaclesBroken[0] = 5;
  s.knockOuts[0] = 2;
  s.damageDealt[0] = 777;
  s.roundsWonTotal[0] = 2;
  s.shotsHit[1] = 9;  // nothing fired, no cells: both percentages 0
  s.obstaclesBroken[1] = 4;
  DestructibleCells = 0;
  RoundNumber = 2;
  UntilSceneFrame(125);
  EXPECT_EQ(StatisticsShown, 0);
  Press(1, kB1);
  EXPECT_EQ(StatisticsShown, 0) << "only the winner opens the table";
  Press(0, kB1);
  ASSERT_EQ(StatisticsShown, 1);
  UntilSceneFrame(225);
  Recorder().ClearCalls();
  Frame();
  EXPECT_EQ(NumberAt(208, 135), 4321);
  EXPECT_EQ(NumberAt(208, 185), 75);
  EXPECT_EQ(NumberAt(208, 285), 0);
  EXPECT_EQ(NumberAt(208, 335), 777);
  EXPECT_EQ(NumberAt(208, 385), 2);
  EXPECT_EQ(NumberAt(336, 185), 0);
  EXPECT_EQ(NumberAt(336, 285), 0);
  // Both columns show character 4, told apart by their player numbers.
  EXPECT_EQ(Count("DrawGraph 120 80 c_bg:4 1") + Count("DrawGraph 248 80 c_bg:4 1"), 2);
  EXPECT_EQ(Count("DrawGraph 128 100 p_num:0 1") + Count("DrawGraph 256 100 p_num:1 1"), 2);
  DestructibleCells = 10;
  Recorder().ClearCalls();
  Frame();
  EXPECT_EQ(NumberAt(208, 285), 25);
  EXPECT_EQ(NumberAt(336, 285), 20);
  DestructibleCells = 0;

  // The second press leaves after 40 frames for the selection of the match's mode.
  g_match.teamMode = 1;
  g_match.colourTaken[4][0] = 1;
  UntilSceneFrame(231);
  Press(0, kB1);
  EXPECT_EQ(LeaveCountdown, 38);
  Frames(37);
  EXPECT_TRUE(LastFrameCaptured());
  Frames(1);
  EXPECT_EQ(SceneId, kSceneTeamCharacterSelect);
  EXPECT_EQ(StatisticsShown, 0);
  EXPECT_EQ(s.shotsFired[0] + s.knockOuts[0] + s.damageDealt[0], 0);
  EXPECT_EQ(s.score[0], 4321) << "scores stay";
  EXPECT_EQ(g_match.colourTaken[4][0], 0);
  EXPECT_EQ(Recorder().Named("StartMusicPlayback").back().Text(),
            "StartMusicPlayback Resource\\Bgm\\01.bgm 3");
}

}  // namespace
