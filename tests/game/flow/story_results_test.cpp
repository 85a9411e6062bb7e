// The story's result screens on the recording stand-in: the stage bonus and its count-up, the
// statistics panel's numbers, the winner's leave press and the next stage, the ending script's
// pictures and text and its way on to the ending or the game-over picture, and the high-score
// entry with the score file it writes.
#include "game/flow/story_results.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/result_state.h"
#include "game/core/scenario_state.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "game/flow/glyph_text.h"
#include "game/flow/scenario.h"
#include "morrow/device/color_format.h"
#include "tests/game/flow/result_harness.h"
#include "tests/support/resource_loads.h"
#include "tests/support/script_files.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace veyrdale;
using testsupport::kB1;
using testsupport::kB3;
using testsupport::RecordedCall;
using testsupport::Recorder;

class StoryResults : public testsupport::ResultHarness {
 protected:
  // The worked example of the stage bonus: a story at stage 4 on Normal.
  void StageStatistics() {
    g_match.storyMode = 1;
    g_match.storyStage = 4;
    g_options.difficulty = 1;
    PlayerBattleState& s = g_playerState;
    s.score[0] = 1000;
    s.shotsHit[0] = 40;
    s.shotsFired[0] = 80;
    s.obstaclesBroken[0] = 3;
    DestructibleCells = 12;
    s.knockOuts[0] = 2;
    s.powerUp[0] = 300;
    s.damageDealt[0] = 700;
    RoundWinner = 1;
  }

  // The number drawn with the plain digits on row y, read from the draw log's DrawGraph calls
  // (the last digit first); empty when none.
  static std::string DigitsAt(int y) {
    std::string reversed;
    for (const RecordedCall& call : Recorder().Named("DrawGraph")) {
      const int graph = std::stoi(call.args[2]);
      if (std::stoi(call.args[1]) == y && graph >= 1000 && graph <= 1009) {
        reversed.push_back(static_cast<char>('0' + graph - 1000));
      }
    }
    return std::string(reversed.rbegin(), reversed.rend());
  }
};

// ---- Scene 10: the tally ------------------------------------------------------------------

TEST_F(StoryResults, StageBonusCountsUpFromFrame51) {
  struct Case {
    const char* name;
    int32_t score, hits, fired, broken, cells, knockOuts, power, damage, stage, difficulty;
    int32_t target;
    int countFrames;  // frames the count-up takes; 0: ended by a press in its first frame
  } cases[] = {
      // 50 x (4 x (50 + 25 + 100) + 300 + 700) = 85000, x 2.0 for stage 4, x 1.0 on Normal.
      {"worked example", 1000, 40, 80, 3, 12, 2, 300, 700, 4, 1, 171000, 340},
      {"lunatic, last main stage", 0, 40, 80, 3, 12, 2, 300, 700, 16, 3, 850000, 0},
      // 50 x 1 = 50; x 1.25 = 62.5 -> 62; x 0.5 = 31.
      {"easy truncates", 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 31, 1},
      // No shot fired and no breakable cell: both percentages are 0, only the knock-out counts.
      {"zero divisors", 0, 5, 0, 3, 0, 1, 0, 0, 0, 1, 10000, 20},
      {"a bonus of 0 takes one frame", 7000, 0, 0, 0, 0, 0, 0, 0, 0, 1, 7000, 1},
      {"negative score counts up to 0", -700, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 2},
      // 50 x INT32_MAX wraps to 4294967246 as unsigned; the sum stops at INT32_MAX.
      {"wrapping base", 0, 0, 0, 0, 0, 0, 0, INT32_MAX, 0, 1, INT32_MAX, 0},
      {"everything at INT32_MAX", INT32_MAX, INT32_MAX, 1, INT32_MAX, 1, INT32_MAX, INT32_MAX,
       INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, 1},
      {"difficulty below any", 5000, 40, 80, 3, 12, 2, 300, 700, 4, INT32_MIN, 5000, 1},
      {"stage below any", 5000, 40, 80, 3, 12, 2, 300, 700, INT32_MIN, 1, 5000, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    PlayerBattleState& s = g_playerState;
    g_match.storyMode = 1;
    s.score[0] = c.score;
    s.shotsHit[0] = c.hits;
    s.shotsFired[0] = c.fired;
    s.obstaclesBroken[0] = c.broken;
    DestructibleCells = static_cast<int16_t>(c.cells);
    s.knockOuts[0] = c.knockOuts;
    s.powerUp[0] = c.power;
    s.damageDealt[0] = c.damage;
    g_match.storyStage = c.stage;
    g_options.difficulty = c.difficulty;
    Enter(kSceneStoryRoundResult);
    Frames(51);
    ASSERT_EQ(SceneFrame, 51);
    EXPECT_EQ(TallyTargetScore, c.target);
    EXPECT_EQ(s.score[0], c.score);
    int frames = 0;
    if (c.countFrames == 0) {
      PressOnly(0, kB1);
      frames = 1;
    }
    while (SceneFrame == 51 && frames < 100000) {
      Frame();
      ++frames;
    }
    EXPECT_EQ(frames, c.countFrames == 0 ? 1 : c.countFrames);
    EXPECT_EQ(SceneFrame, 52);
    EXPECT_EQ(s.score[0], c.target);
  }
}

TEST_F(StoryResults, OnlyANewPressEndsTheCountUp) {
  StageStatistics();
  Enter(kSceneStoryRoundResult);
  testsupport::Pads held{kB1, 0, 0, 0};
  Frames(51, held);
  Frames(10, held);  // held since frame 0: counts on
  EXPECT_EQ(SceneFrame, 51);
  EXPECT_EQ(g_playerState.score[0], 1000 + 10 * 500);
  Frame();  // released: counts on
  EXPECT_EQ(g_playerState.score[0], 1000 + 11 * 500);
  PressOnly(0, kB1);
  EXPECT_EQ(g_playerState.score[0], 171000);
  EXPECT_EQ(SceneFrame, 52);
}

// The panel's numbers: the counting score, the percentages (the destruction over cells times
// rounds), knock-outs, damage and rounds won, 0 where a divisor is 0.
TEST_F(StoryResults, PanelShowsTheStatistics) {
  struct Case {
    int32_t fired, cells, rounds;
    const char* hitPercent;
    const char* destroyedPercent;
  } cases[] = {
      {80, 12, 2, "50", "12"},  // 3 / 24 = 12.5%
      {0, 12, 0, "0", "0"},
      {80, 0, 2, "50", "0"},
      {1, 32767, INT32_MAX, "4000", "0"},
  };
  for (const auto& c : cases) {
    Restart();
    StageStatistics();
    g_playerState.shotsFired[0] = c.fired;
    DestructibleCells = static_cast<int16_t>(c.cells);
    RoundNumber = c.rounds;
    g_playerState.roundsWonTotal[0] = 3;
    Enter(kSceneStoryRoundResult);
    Frames(30);
    Recorder().ClearCalls();
    Frame();
    EXPECT_EQ(DigitsAt(385), "1000");
    EXPECT_EQ(DigitsAt(185), c.hitPercent);
    EXPECT_EQ(DigitsAt(235), "2");
    EXPECT_EQ(DigitsAt(285), c.destroyedPercent);
    EXPECT_EQ(DigitsAt(335), "700");
    EXPECT_EQ(DigitsAt(135), "3");
  }
}

// ---- Scene 10: leaving --------------------------------------------------------------------

TEST_F(StoryResults, TheWinnerLeavesFromFrame91) {
  struct Case {
    int32_t winner;
    int presser;
    int pressFrame;  // SceneFrame of the press
    bool leaves;
  } cases[] = {
      {2, 1, 91, true}, {2, 0, 91, false}, {1, 0, 90, false},
      {1, 0, 91, true}, {0, 0, 91, true},  // no winner: player 0 may leave
      {7, 0, 91, true}, {7, 3, 91, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "winner " << c.winner << " presser " << c.presser);
    Restart();
    StageStatistics();
    RoundWinner = c.winner;
    Enter(kSceneStoryRoundResult);
    UntilSceneFrame(c.pressFrame);
    PressOnly(c.presser, kB1);
    EXPECT_EQ(LeaveCountdown, c.leaves ? 69 : 0);
  }
}

TEST_F(StoryResults, LeavingSetsUpTheNextStageOrEndsTheStory) {
  tree_.WriteAllNamed();
  for (int lastStage : {0, 1}) {
    SCOPED_TRACE(lastStage);
    Restart();
    StageStatistics();
    g_match.storyStage = lastStage == 1 ? 16 : 2;
    g_match.cpuFlag[1] = 1;
    g_match.colourTaken[0][0] = 1;
    g_match.colourTaken[3][2] = 1;
    g_playerState.wins[0] = 1;
    LoadScenarioScript(g_match.storyStage);
    Enter(kSceneStoryRoundResult);
    UntilSceneFrame(91);
    PressOnly(0, kB1);
    ASSERT_EQ(LeaveCountdown, 69);
    const size_t before = Recorder().Named("LoadImageAsGraph").size();
    Frames(39);  // reaches 30: the loading picture of the story
    ASSERT_EQ(LeaveCountdown, 30);
    const auto loads = Recorder().Named("LoadImageAsGraph");
    ASSERT_EQ(loads.size(), before + 1);
    EXPECT_EQ(loads.back().args[0], "Resource\\NLG\\nl.nlg");
    Frames(29);
    EXPECT_TRUE(LastFrameCaptured());
    EXPECT_EQ(SceneId, kSceneStoryRoundResult);
    Frame();
    EXPECT_EQ(LeaveCountdown, 0);
    EXPECT_EQ(g_playerState.shotsFired[0], 0);
    EXPECT_EQ(g_playerState.damageDealt[0], 0);
    EXPECT_EQ(g_playerState.score[0], TallyTargetScore);
    EXPECT_EQ(g_match.colourTaken[0][0], 1);
    EXPECT_EQ(g_match.colourTaken[3][2], 0);
    EXPECT_EQ(g_match.cpuFlag[1], lastStage == 1 ? 0 : 1);  // the next stage's opponent
    if (lastStage == 1) {
      EXPECT_EQ(SceneId, kSceneStoryEnd);
      EXPECT_EQ(g_match.storyStage, 0);
      EXPECT_EQ(testsupport::LoadedScriptName(), "16");
    } else {
      EXPECT_EQ(SceneId, kSceneBattle);
      EXPECT_EQ(g_match.storyStage, 3);
      EXPECT_EQ(g_match.playerCount, 3);  // stage 3's three fighters
      EXPECT_EQ(g_playerState.wins[0], 0);
      EXPECT_EQ(testsupport::LoadedScriptName(), "03");
    }
  }
}

// ---- Scene 21 -----------------------------------------------------------------------------

class StoryEnd : public StoryResults {
 protected:
  void SetUp() override {
    StoryResults::SetUp();
    LoadGameResources(2);
    Recorder().ClearCalls();
  }
  // The ending picture a handle names: "ed0N", "-" for none.
  static std::string EndingName(const std::string& handle) {
    for (int slot = 1; slot <= 9; ++slot) {
      if (std::to_string(PictureSlots[slot][0]) == handle) return "ed0" + std::to_string(slot);
    }
    return handle == "-1" ? "-" : handle;
  }
  static std::vector<std::string> PicturesDrawn() {
    std::vector<std::string> out;
    for (const RecordedCall& call : Recorder().Named("DrawRotaGraph")) {
      if (call.args[4] != std::to_string(CaptureGraph)) out.push_back(EndingName(call.args[4]));
    }
    return out;
  }
};

TEST_F(StoryEnd, PicturesByStoryKindWinnerAndScriptCounter) {
  struct Case {
    int kind, winner;
    uint16_t index, previous, fade;
    std::vector<std::string> drawn;
  } cases[] = {
      {0, 1, 0, 0, 0, {"ed01"}},
      {1, 1, 0, 0, 0, {"ed07"}},
      {1, 2, 0, 0, 0, {"ed01"}},  // a lost extra story takes the main pictures
      {0, 1, 2, 1, 12, {"ed03", "ed02"}},
      {1, 1, 2, 1, 6, {"ed09", "ed08"}},
      // Past the ending set the slots hold nothing; past the table nothing is read.
      {0, 1, 17, 8, 3, {"-", "ed09"}},
      {1, 1, 65535, 65534, 1, {"-", "-"}},
  };
  for (const Case& c : cases) {
    g_match.storyKind = c.kind;
    RoundWinner = c.winner;
    PictureIndex = c.index;
    PreviousPictureIndex = c.previous;
    PictureFadeFrames = c.fade;
    Enter(kSceneStoryEnd);
    Recorder().ClearCalls();
    Frame();
    EXPECT_EQ(PicturesDrawn(), c.drawn) << c.kind << " " << c.winner << " " << c.index;
    EXPECT_EQ(PictureFadeFrames, c.fade > 0 ? c.fade - 1 : 0);
  }
}

TEST_F(StoryEnd, TextColourBySpeakersPortrait) {
  struct Case {
    int32_t slot;
    uint16_t code;
    uint32_t colour;
  } cases[] = {
      {0, 0, morrow::PackScreenColor(255, 240, 224)},
      {1, 10, morrow::PackScreenColor(224, 224, 208)},
      {1, 11, 1},
      {0, 99, 1},
      {0, 65535, 1},
      {2, 0, 1},
  };
  for (const Case& c : cases) {
    SpeakerSlot = c.slot;
    PortraitSlots[0] = PortraitSlots[1] = c.code;
    Enter(kSceneStoryEnd);
    Recorder().ClearCalls();
    Frame();
    const auto texts = Recorder().Named("RenderText");
    ASSERT_EQ(texts.size(), 3u);
    for (int r = 0; r < 3; ++r) {
      EXPECT_EQ(texts[r].args[1], std::to_string(378 + 16 * r));
      char colour[16];
      std::snprintf(colour, sizeof colour, "0x%x", c.colour);
      EXPECT_EQ(texts[r].args[3], colour) << c.slot << " " << c.code;
    }
  }
}

// The script opens at frame 60 by itself; its end whites out over 240 frames, then the ending
// (player 0 won) or the game-over picture with the menu pictures.
TEST_F(StoryEnd, ScriptEndLeadsToTheEndingOrTheGameOver) {
  struct Case {
    int kind;
    int winner;
    int next;
  } cases[] = {
      {0, 1, kSceneEnding},
      {1, 1, kSceneEnding},
      {1, 2, kSceneGameOver},
  };
  tree_.Write("17", testsupport::FullWidth("END") + "\\_");
  tree_.Write("ex109", testsupport::FullWidth("EXEND") + "\\_");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind * 10 + c.winner);
    Restart();
    g_match.storyKind = c.kind;
    g_match.storyStageCount = c.kind == 1 ? 9 : 17;
    StageTypeTable[17] = 1;  // the main story's table
    StageTypeTable[9] = 0;   // the extra story's: the result is the winner
    RoundWinner = c.winner;
    g_playerState.entryFrames[2] = 60;
    LoadScenarioScript(g_match.storyStageCount);
    Enter(kSceneStoryEnd);
    UntilSceneFrame(60);
    EXPECT_EQ(EndingTextRows[0][0], 0);
    Frame();  // the forced press
    EXPECT_EQ(std::string(EndingTextRows[0]),
              testsupport::FullWidth(c.kind == 1 ? "EXEND" : "END"));
    Frame();  // nothing pressed: the page stays
    EXPECT_EQ(LeaveCountdown, 0);
    PressOnly(0, kB1);
    EXPECT_EQ(LeaveCountdown, 239);
    Frames(238);
    EXPECT_EQ(SceneId, kSceneStoryEnd);
    EXPECT_TRUE(LastFrameCaptured());
    Recorder().ClearCalls();
    Frame();
    EXPECT_EQ(SceneId, c.next);
    EXPECT_EQ(LeaveCountdown, 0);
    const auto music = Recorder().Named("StartMusicPlayback");
    if (c.next == kSceneEnding) {
      ASSERT_EQ(music.size(), 1u);
      EXPECT_EQ(music[0].args[0], "Resource\\Bgm\\12.bgm");
      EXPECT_EQ(g_playerState.entryFrames[2], 0);
      EXPECT_EQ(g_match.storyMode, 0);
      EXPECT_TRUE(testsupport::ResourceLoadModes().empty());
    } else {
      EXPECT_TRUE(music.empty());
      EXPECT_EQ(testsupport::ResourceLoadModes(), std::vector<int>{0});
    }
  }
}

// ---- Scene 20 and the high scores ---------------------------------------------------------

TEST_F(StoryResults, GameOverLeavesOnAPressAndEntersTheScore) {
  g_options.difficulty = 1;
  g_match.storyKind = 0;
  g_match.storyMode = 1;
  g_playerState.score[0] = 75000;
  RoundNumber = 7;
  cardsBroken = 3;
  Enter(kSceneGameOver);
  UntilSceneFrame(60);
  PressOnly(0, kB1);  // frame 60: too early
  Frame();
  EXPECT_EQ(LeaveCountdown, 0);
  PressOnly(0, kB1);
  EXPECT_EQ(LeaveCountdown, 119);
  Frames(118);
  EXPECT_EQ(SceneId, kSceneGameOver);
  EXPECT_TRUE(LastFrameCaptured());
  Frame();
  EXPECT_EQ(SceneId, kSceneTitleReturn);
  EXPECT_EQ(g_match.storyMode, 0);

  // The file the Check compares: the unlock level, then the twelve default tables with 75000
  // entered fourth into table 1.
  std::string expected(4, '\0');
  auto word = [&expected](int32_t v) {
    for (int b = 0; b < 4; ++b)
      expected.push_back(static_cast<char>((uint32_t(v) >> 8 * b) & 0xFF));
  };
  for (int row = 0; row < kScoreRows; ++row) {
    int32_t score = 100000 - 10000 * (row % 10);
    int32_t stage = 0, cards = 0;
    if (row >= 10 && row < 20) {
      const int i = row - 10;
      score = i < 3 ? 100000 - 10000 * i : (i == 3 ? 75000 : 70000 - 10000 * (i - 4));
      if (i == 3) stage = 7, cards = 3;
    }
    word(score);
    word(stage);
    word(cards);
  }
  EXPECT_EQ(testsupport::ReadFile(tree_.dir().File("Data/score.sav")), expected);
}

TEST_F(StoryResults, HighScoreEntry) {
  struct Case {
    const char* name;
    int32_t difficulty, kind, score;
    int table;  // -1: no table
    int row;    // where the score lands in its table; -1: it stays out
  } cases[] = {
      {"equal to the tenth stays out", 1, 0, 10000, 1, -1},
      {"one more enters last", 1, 0, 10001, 1, 9},
      {"between rows", 0, 1, 95000, 4, 1},
      {"equal to a row goes below it", 3, 1, 90000, 7, 2},
      {"best", 2, 0, INT32_MAX, 2, 0},
      {"negative enters unsigned and sorts last", 0, 0, -5, 0, 9},
      {"tables 8-11 are reachable", 3, 2, 50001, 11, 5},
      {"story kind past the tables", 3, 3, 500000, -1, -1},
      {"negative difficulty", -1, 0, 500000, -1, -1},
      {"difficulty at the limit", INT32_MAX, INT32_MAX, 500000, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_scores = ScoreTable{};
    g_options.difficulty = c.difficulty;
    g_match.storyKind = c.kind;
    g_match.storyStage = 5;
    g_playerState.score[0] = c.score;
    RoundNumber = 12;
    cardsBroken = 4;
    InsertStoryHighScore();
    EXPECT_EQ(g_match.storyStage, 0);
    ScoreTable expected;
    if (c.table >= 0 && c.row >= 0) {
      const int first = 10 * c.table;
      for (int r = 9; r > c.row; --r) expected.score[first + r] = expected.score[first + r - 1];
      expected.score[first + c.row] = c.score;
      expected.stage[first + c.row] = 12;
      expected.cards[first + c.row] = 4;
    }
    for (int r = 0; r < kScoreRows; ++r) {
      EXPECT_EQ(g_scores.score[r], expected.score[r]) << r;
      EXPECT_EQ(g_scores.stage[r], expected.stage[r]) << r;
      EXPECT_EQ(g_scores.cards[r], expected.cards[r]) << r;
    }
    EXPECT_EQ(testsupport::ReadFile(tree_.dir().File("Data/score.sav")).size(), 1444u);
  }
}

TEST_F(StoryResults, AnUnwritableDataFolderKeepsTheTableInMemory) {
  testsupport::WriteFile(tree_.dir().File("Data"), "not a folder");
  g_options.difficulty = 0;
  g_match.storyKind = 0;
  g_playerState.score[0] = 150000;
  InsertStoryHighScore();
  EXPECT_EQ(g_scores.score[0], 150000);
  EXPECT_EQ(testsupport::ReadFile(tree_.dir().File("Data")), "not a folder");
}

}  // namespace
