// The records screens on the recording stand-in: the menu's cursor with its hidden item, the
// score-table rows of each page, the survival records and the ways back.
#include "game/flow/records_screens.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/option_cursors.h"
#include "game/core/scenes.h"
#include "game/flow/frame_loop.h"
#include "game/flow/glyph_text.h"
#include "tests/game/flow/result_harness.h"

namespace {

using namespace veyrdale;
using testsupport::kB1;
using testsupport::kB2;
using testsupport::kDown;
using testsupport::kUp;
using testsupport::RecordedCall;
using testsupport::Recorder;

// A number as drawn: its value and the box its digit cells cover, right and bottom exclusive.
struct DrawnNumber {
  long long value;
  int left, top, right, bottom;
};

class Records : public testsupport::ResultHarness {
 protected:
  // Every number drawn with the plain digits (1000 + d: 11 x 16 cells, 12 apart) or the small ones
  // (1100 + d: 10 x 13, 9 apart), in the order drawn: each number's digits come right to left.
  static std::vector<DrawnNumber> DrawnNumbers() {
    struct Sheet {
      int first, width, height, step;
    };
    constexpr Sheet kSheets[] = {{1000, 11, 16, 12}, {1100, 10, 13, 9}};
    std::vector<DrawnNumber> numbers;
    const Sheet* last = nullptr;
    long long place = 1;
    for (const RecordedCall& call : Recorder().Named("DrawGraph")) {
      const int graph = std::stoi(call.args[2]);
      const Sheet* sheet = nullptr;
      for (const Sheet& s : kSheets) {
        if (graph >= s.first && graph < s.first + 10) sheet = &s;
      }
      if (sheet == nullptr) continue;
      const int x = std::stoi(call.args[0]), y = std::stoi(call.args[1]);
      if (sheet != last || numbers.back().top != y || x != numbers.back().left - sheet->step) {
        numbers.push_back({0, x, y, x + sheet->width, y + sheet->height});
        place = 1;
      }
      numbers.back().value += place * (graph - sheet->first);
      numbers.back().left = x;
      place *= 10;
      last = sheet;
    }
    return numbers;
  }

  // The numbers drawn with the plain digits on row y, in the order drawn.
  static std::vector<long long> NumbersAt(int y) {
    std::vector<long long> values;
    for (const DrawnNumber& n : DrawnNumbers()) {
      if (n.top == y && n.bottom - n.top == 16) values.push_back(n.value);
    }
    return values;
  }
};

TEST_F(Records, TheSurvivalItemIsSkippedBothWaysUntilUnlocked) {
  struct Case {
    int unlock;
    std::vector<int> presses;  // pad bits, one press each
    std::vector<int> cursors;  // after each
  } cases[] = {
      {0, {kDown, kDown, kUp, kUp, kUp, kB2}, {1, 3, 1, 0, 3, 3}},
      {2, {kUp, kUp, kDown}, {3, 1, 3}},
      {3, {kDown, kDown, kDown, kUp, kB2, kDown}, {1, 2, 3, 2, 3, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("unlock " + std::to_string(c.unlock));
    Restart();
    g_scores.unlockLevel = c.unlock;
    Enter(kSceneRecordsMenu);
    UntilSceneFrame(31);
    for (size_t i = 0; i < c.presses.size(); ++i) {
      Press(0, c.presses[i]);
      EXPECT_EQ(RecordsMenuCursor, c.cursors[i]) << "press " << i;
    }
    EXPECT_EQ(SceneId, kSceneRecordsMenu) << "button 2 only moves the cursor";
    // Item 2's text (its first glyph and the glyph's shadow) is drawn only when it is open.
    for (int i = 0; i < kGlyphSheetCount; ++i) GlyphSheetsB[i] = 7100 + i;
    Recorder().ClearCalls();
    Frame();
    EXPECT_EQ(CountPrefix("DrawGraphPart 64 164 ") + CountPrefix("DrawGraphPart 65 165 "),
              c.unlock >= 3 ? 2 : 0);
  }
}

TEST_F(Records, EachItemOpensItsPageAndTheLastLeavesForTheTitle) {
  g_scores.unlockLevel = 3;
  const int pages[3] = {kSceneMainStoryScores, kSceneExtraStoryScores, kSceneSurvivalRecords};
  for (int item = 0; item < 4; ++item) {
    SCOPED_TRACE("item " + std::to_string(item));
    for (int i = 0; i < kGlyphSheetCount; ++i) GlyphSheetsB[i] = 7100 + i;
    Enter(kSceneRecordsMenu);
    RecordsMenuCursor = item;
    UntilSceneFrame(40);
    PressOnly(0, kB1);
    EXPECT_TRUE(LastFrameCaptured());
    if (item < 3) {
      EXPECT_EQ(SceneId, pages[item]);
      EXPECT_EQ(GlyphSheetsB[0], 7100);
      Press(0, kB2);
      EXPECT_EQ(SceneId, kSceneRecordsMenu);
      EXPECT_EQ(RecordsMenuCursor, 0);
    } else {
      EXPECT_EQ(SceneId, kSceneTitle);
      EXPECT_EQ(SceneFrame, 451) << "450, counted on by the frame";
      EXPECT_EQ(RecordsMenuCursor, 0);
      EXPECT_EQ(GlyphSheetsB[0], -1) << "the sheets are freed";
    }
  }
}

TEST_F(Records, ScorePagesShowTheirTablesRows) {
  for (int row = 0; row < kScoreRows; ++row) {
    g_scores.score[row] = 1000 + row;
    g_scores.stage[row] = row % 17;
    g_scores.cards[row] = row % 5;
  }
  g_scores.stage[79] = INT_MAX;
  g_scores.cards[70] = -3;
  struct Case {
    int scene, cursor, firstRow;
    std::vector<int> moves;  // presses before the page is drawn
  } cases[] = {
      {kSceneMainStoryScores, 1, 10, {}},    {kSceneExtraStoryScores, 3, 70, {}},
      {kSceneMainStoryScores, 0, 30, {kUp}}, {kSceneExtraStoryScores, 3, 40, {kDown}},
      {kSceneMainStoryScores, -9, 30, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("first row " + std::to_string(c.firstRow));
    Enter(c.scene);
    ScoreTableCursor = c.cursor;
    UntilSceneFrame(40);
    for (int bits : c.moves) Press(0, bits);
    Recorder().ClearCalls();
    Frame();
    for (int i = 0; i < 10; ++i) {
      const int row = c.firstRow + i;
      const long long stage = row == 79 ? 2147483647LL : row % 17 + 1;
      const long long cards = row == 70 ? 0 : row % 5;
      EXPECT_EQ(NumbersAt(128 + 24 * i), (std::vector<long long>{i + 1, 1000 + row, stage, cards}))
          << "row " << row;
    }
    EXPECT_EQ(CountPrefix("RenderText 390 96 Score "), 1);
  }
  // The cursor is the pages' own: the menu's way back leaves it where it was.
  Press(0, kB2);
  EXPECT_EQ(ScoreTableCursor, 3);
}

TEST_F(Records, SurvivalRecordsShowEveryCharacter) {
  for (int c = 0; c < 16; ++c) {
    g_survival.bestScore[c] = 1234 * c;
    g_survival.stage[c] = c == 3 ? 31 : c;
    g_survival.breaks[c] = c % 4;
  }
  g_survival.bestScore[15] = -1;
  Enter(kSceneSurvivalRecords);
  Frame();
  for (int c = 0; c < 16; ++c) {
    const int y = 94 + 24 * c;
    EXPECT_EQ(
        Count("DrawGraph 200 " + std::to_string(y + 4) + " names:" + std::to_string(c) + " 1"), 1);
    EXPECT_EQ(NumbersAt(y),
              (std::vector<long long>{c == 15 ? 0 : 1234 * c, c == 3 ? 31 : c, c % 4}));
  }
  // Nine digits, leading zeros included.
  EXPECT_EQ(CountPrefix("DrawGraph 349 94 1000 "), 1);
}

// A damaged file: the rows no run can leave show the default row, the others as read, and the
// file is named once in the log, however often it is read.
TEST_F(Records, ADamagedSurvivalFileShowsDefaultRows) {
  SurvivalRecord& s = g_survival;
  for (int c = 0; c < 16; ++c) s.bestScore[c] = 300000 + c, s.stage[c] = c, s.breaks[c] = c % 4;
  s.stage[5] = 1234567890, s.breaks[9] = 1234567890, s.bestScore[11] = -7, s.stage[12] = -3;
  FlushDataFileLog();
  std::filesystem::remove_all("Data");
  LoadDataFile(kSurvivalFile, kLoadSurvival);  // none: no earlier read's damage is remembered
  ASSERT_EQ(SaveDataFile(kSurvivalFile, kSaveSurvival), 0);
  Recorder().ClearCalls();
  for (int read = 0; read < 2; ++read) ASSERT_EQ(LoadDataFile(kSurvivalFile, kLoadSurvival), 0);
  int lines = 0;
  for (const RecordedCall& call : Recorder().Named("WriteLog")) {
    lines += call.args[0].find("score_s.sav: 4 of 16 survival rows") != std::string::npos;
  }
  EXPECT_EQ(lines, 1);
  Enter(kSceneSurvivalRecords);
  Frame();
  for (int c = 0; c < 16; ++c) {
    const bool shown = c != 5 && c != 9 && c != 11 && c != 12;
    EXPECT_EQ(NumbersAt(94 + 24 * c), (shown ? std::vector<long long>{300000 + c, c, c % 4}
                                             : std::vector<long long>{100000, 0, 0}))
        << c;
  }
}

// The widest values a kept record holds, on both pages: no number comes nearer another of its row
// than 6 pixels (the frame rate's among them, under the last survival row), and a column shows at
// most the digits that fit, a larger value as all nines. Each record goes through its file first,
// so the rows are ones the reader keeps.
TEST_F(Records, NoNumberComesNearerItsNeighbourThanTheGap) {
  constexpr int kGap = 6;
  constexpr int32_t kTop = INT_MAX;
  struct Case {
    const char* name;
    int scene;
    int32_t values[3];  // score, stage, cards; or best score, stage, breaks
    std::vector<long long> shown;
  } cases[] = {
      {"story at the top", kSceneMainStoryScores, {kTop, 17, kTop}, {999999999, 18, 999999}},
      {"extra story past the caps",
       kSceneExtraStoryScores,
       {1000000000, 9, 1000000},
       {999999999, 10, 999999}},
      {"story at the caps",
       kSceneMainStoryScores,
       {999999999, 17, 999999},
       {999999999, 18, 999999}},
      {"survival at the top", kSceneSurvivalRecords, {kTop, 31, kTop}, {kTop, 31, 99999}},
      {"survival below the top",
       kSceneSurvivalRecords,
       {kTop - 1, 30, (kTop - 1) / 5000},
       {kTop - 1, 30, 99999}},
      {"survival past the cap",
       kSceneSurvivalRecords,
       {500000000, 31, 100000},
       {500000000, 31, 99999}},
      {"survival at the cap", kSceneSurvivalRecords, {499995000, 0, 99999}, {499995000, 0, 99999}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    const bool survival = c.scene == kSceneSurvivalRecords;
    for (int row = 0; row < (survival ? kSurvivalRows : kScoreRows); ++row) {
      int32_t* words[3] = {&g_scores.score[row], &g_scores.stage[row], &g_scores.cards[row]};
      if (survival) {
        words[0] = &g_survival.bestScore[row];
        words[1] = &g_survival.stage[row];
        words[2] = &g_survival.breaks[row];
      }
      for (int k = 0; k < 3; ++k) *words[k] = c.values[k];
    }
    const char* file = survival ? kSurvivalFile : kScoresFile;
    ASSERT_EQ(SaveDataFile(file, survival ? kSaveSurvival : kSaveScores), 0);
    g_scores = ScoreTable{};
    g_survival = SurvivalRecord{};
    ASSERT_EQ(LoadDataFile(file, survival ? kLoadSurvival : kLoadScores), 0);
    const int32_t kept = survival ? g_survival.breaks[15]
                                  : g_scores.cards[c.scene == kSceneExtraStoryScores ? 49 : 9];
    ASSERT_EQ(kept, c.values[2]) << "the reader keeps the row";
    for (int d = 0; d < 10; ++d) SmallDigitGraphs[d] = 1100 + d;
    Enter(c.scene);
    ScoreTableCursor = 0;
    Recorder().ClearCalls();
    const int pads[4] = {};
    RunFrameBody(pads);  // the whole frame, the frame rate with it
    const std::vector<DrawnNumber> numbers = DrawnNumbers();
    for (int i = 0; i < (survival ? kSurvivalRows : 10); ++i) {
      std::vector<long long> want = c.shown;
      if (!survival) want.insert(want.begin(), i + 1);
      EXPECT_EQ(NumbersAt(survival ? 94 + 24 * i : 128 + 24 * i), want) << "row " << i;
    }
    EXPECT_EQ(std::count_if(numbers.begin(), numbers.end(),
                            [](const DrawnNumber& n) { return n.top == 465; }),
              1)
        << "the frame rate";
    for (size_t a = 0; a < numbers.size(); ++a) {
      for (size_t b = a + 1; b < numbers.size(); ++b) {
        const DrawnNumber& p = numbers[a];
        const DrawnNumber& q = numbers[b];
        if (p.top >= q.bottom || q.top >= p.bottom) continue;
        EXPECT_GE(std::max(q.left - p.right, p.left - q.right), kGap)
            << p.value << " at " << p.left << "," << p.top << " and " << q.value << " at " << q.left
            << "," << q.top;
      }
    }
  }
}

TEST_F(Records, ThePicturePageGoesBackToItemOne) {
  Enter(kScenePicturePage);
  UntilSceneFrame(40);
  PressOnly(0, kB2);
  EXPECT_EQ(SceneId, kSceneRecordsMenu);
  EXPECT_EQ(RecordsMenuCursor, 1);
  EXPECT_TRUE(LastFrameCaptured());
}

}  // namespace
