// Scenario scripts: pages of in-memory scripts against the message grid, the ending's rows, the
// read position and what the commands write; the per-frame step's waits and page turns; the file
// names and loads; truncated and random scripts.
#include "game/flow/scenario.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/core/scenario_state.h"
#include "game/core/sound_entries.h"
#include "game/flow/flow.h"
#include "game/flow/glyph_text.h"
#include "morrow/recording/library_recorder.h"
#include "morrow/system/library.h"
#include "tests/support/battle_state.h"
#include "tests/support/script_files.h"

namespace {

using namespace veyrdale;
using testsupport::FullWidth;
using testsupport::Recorder;

// The script in the buffer as a load leaves it: its bytes, then zeros, read from the start.
void SetScript(const std::string& bytes) {
  ASSERT_LE(bytes.size(), static_cast<size_t>(kScriptBytes));
  std::memset(ScriptBuffer, 0, sizeof ScriptBuffer);
  std::memcpy(ScriptBuffer, bytes.data(), bytes.size());
  ScriptReadPointer = 0;
}

// Row r of the message window with full-width letters read back as ASCII, others as '?'.
std::string Row(int r) {
  std::string out;
  for (int c = 0; c < kMessageColumns; ++c) {
    const uint32_t code = MessageGrid[c * kMessageRows + r];
    if (code == 0) break;
    out.push_back(code >= 0xA3A1 && code <= 0xA3FE ? static_cast<char>(code - 0xA3A1 + 0x21) : '?');
  }
  return out;
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

class Scenario : public ::testing::Test {
 protected:
  void SetUp() override {
    Recorder().Reset();
    testsupport::ResetBattleState();
    g_match.playerCount = 2;
  }
  void TearDown() override {
    Recorder().Reset();
    testsupport::ResetBattleState();
  }

  // One frame of the battle around the step: the entry counters that have started rise, then
  // the step runs with player 0's button counts as given.
  int Step(int number, int button1 = 0, int button3 = 0) {
    for (int32_t& frames : g_playerState.entryFrames) {
      if (frames > 0) ++frames;
    }
    HeldFrameCounts[kInputButton1][0] = button1;
    HeldFrameCounts[kInputButton3][0] = button3;
    return StepScenario(number);
  }
};

// ---- One page -----------------------------------------------------------------------------

struct PageCase {
  const char* name;
  std::string script;
  int number;
  std::vector<std::string> rows;  // rows 0-2 of the message window
  int position;                   // the read position after the page
};

TEST_F(Scenario, PagesFillTheGridAndStopWhereTheyShould) {
  const std::string a = FullWidth("A");
  const PageCase cases[] = {
      {"a row of 24 and a tilde end the row once",
       FullWidth(std::string(24, 'A')) + "~" + FullWidth("B") + "\\_",
       0,
       {std::string(24, 'A'), "B", ""},
       52},
      {"a third full row takes the byte after it",
       FullWidth(std::string(72, 'C')) + "\\" + FullWidth("D") + "\\_",
       0,
       {std::string(24, 'C'), std::string(24, 'C'), std::string(24, 'C')},
       145},
      {"tildes end short rows; the third is followed by its backslash",
       FullWidth("AB") + "~" + FullWidth("C") + "~" + FullWidth("D") + "~\\" + a + "\\_",
       0,
       {"AB", "C", "D"},
       12},
      {"a backslash right after a character is taken",
       a + "\\" + FullWidth("B") + "\\_",
       0,
       {"A", "", ""},
       3},
      {"chained commands run in one pass", "GNEB1S3" + a + "\\_", 0, {"A", "", ""}, 10},
      {"a backslash at the start of a pass is taken",
       ">1A0\\" + FullWidth("B") + "\\_",
       0,
       {"", "", ""},
       5},
      {"a comment runs to its line feed", "#note ~\\_\n" + a + "\\_", 0, {"A", "", ""}, 13},
      {"a comment without a line feed ends at the end", "#note", 0, {"", "", ""}, 5},
      {"line ends inside a row do not end it",
       a + "\r\n" + FullWidth("B") + "\\_",
       0,
       {"AB", "", ""},
       7},
      {"D ends the page", a + "D" + FullWidth("B"), 0, {"A", "", ""}, 3},
      {"the end mark stays for the step", a + "_", 0, {"A", "", ""}, 2},
      {"an empty buffer is an empty page", "", 0, {"", "", ""}, 0},
      {"a code that is not full width", "\xB0\xA1\\_", 0, {"?", "", ""}, 3},
  };
  for (const PageCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetScript(c.script);
    for (uint32_t& code : MessageGrid) code = 0xB0A1;  // the previous page
    g_players[0].recovery = 0;
    RunScenarioScript(c.number);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(Row(r), c.rows[r]) << "row " << r;
    EXPECT_EQ(ScriptReadPointer, c.position);
    EXPECT_EQ(g_players[0].recovery, 10) << "the page-turning button does not fire";
    for (const auto& row : EndingTextRows) EXPECT_EQ(row[0], '\0');
  }
}

TEST_F(Scenario, TheThirdRowSkipIsOneByteWhateverItIs) {
  // The byte after three full rows is taken even when it starts a character: the next page then
  // reads its characters one byte late.
  SetScript(FullWidth(std::string(72, 'C')) + FullWidth("EF") + "\\_");
  RunScenarioScript(0);
  EXPECT_EQ(ScriptReadPointer, 145);
  RunScenarioScript(0);
  EXPECT_EQ(Row(0), "??");
  EXPECT_EQ(ScriptReadPointer, 149);
  EXPECT_EQ(ScriptBuffer[ScriptReadPointer], '_');
}

TEST_F(Scenario, TheFinalStageScriptFillsTheEndingRows) {
  struct Case {
    int kind;
    int number;
  } cases[] = {{0, 17}, {1, 9}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    g_match.storyMode = 1;
    InitStageTypeTable(c.kind);
    // 50 characters: 48 fill row 0 (96 bytes), the rest goes to row 1; then a short row.
    SetScript(FullWidth(std::string(50, 'E')) + "~" + FullWidth("XY") + "\\_");
    RunScenarioScript(c.number);
    EXPECT_EQ(std::strlen(EndingTextRows[0]), 96u);
    EXPECT_EQ(EndingTextRows[0][96], '\0');
    EXPECT_EQ(std::string(EndingTextRows[1]), FullWidth("EE"));
    EXPECT_EQ(std::string(EndingTextRows[2]), FullWidth("XY"));
    EXPECT_EQ(Row(0), "") << "the message window stays empty";
    EXPECT_EQ(ScriptReadPointer, 100 + 1 + 4 + 1);
  }
}

TEST_F(Scenario, CommandsWriteWhatTheyName) {
  struct Case {
    const char* name;
    std::string script;
    int playerCountBefore;
    int playerCount;
    int heading[3];  // of players 0-2 after, starting from 1, 1, 1
    int speaker;
    uint16_t portraits[2];
    uint16_t expressions[2];
    int entry[4];
  } cases[] = {
      {"turn player 2", "T25", 2, 2, {1, 1, 160}, 0, {99, 99}, {0, 0}, {0, 0, 0, 0}},
      {"turn player 0", "T07", 2, 2, {224, 1, 1}, 0, {99, 99}, {0, 0}, {0, 0, 0, 0}},
      {"any other player is 0, any other heading nothing",
       "T48",
       2,
       2,
       {1, 1, 1},
       0,
       {99, 99},
       {0, 0},
       {0, 0, 0, 0}},
      {"player count up to four", "P+P+P+", 3, 4, {1, 1, 1}, 0, {99, 99}, {0, 0}, {0, 0, 0, 0}},
      {"player count down to one",
       "P-P-P-P-P-",
       2,
       1,
       {1, 1, 1},
       0,
       {99, 99},
       {0, 0},
       {0, 0, 0, 0}},
      {"a long run of P+", Repeat("P+", 300), 1, 4, {1, 1, 1}, 0, {99, 99}, {0, 0}, {0, 0, 0, 0}},
      {"P with another sign", "Px", 3, 3, {1, 1, 1}, 0, {99, 99}, {0, 0}, {0, 0, 0, 0}},
      {"speaker 2", ">2C5", 2, 2, {1, 1, 1}, 1, {99, 3}, {0, 5}, {0, 0, 0, 0}},
      {"speaker 1 as P", ">1P9", 2, 2, {1, 1, 1}, 0, {0, 99}, {9, 0}, {0, 0, 0, 0}},
      {"letters past J and non-digits keep their values",
       ">1Z!",
       2,
       2,
       {1, 1, 1},
       0,
       {'Z', 99},
       {static_cast<uint16_t>('!' - '0'), 0},
       {0, 0, 0, 0}},
      {"a slot other than 1 or 2 changes nothing",
       ">9Z!",
       2,
       2,
       {1, 1, 1},
       0,
       {99, 99},
       {0, 0},
       {0, 0, 0, 0}},
      {"an entry", "!2", 2, 2, {1, 1, 1}, 0, {99, 99}, {0, 0}, {0, 1, 0, 0}},
      {"a timed hold", "$4", 2, 2, {1, 1, 1}, 0, {99, 99}, {0, 0}, {0, 0, 0, -30}},
      {"an entry of no player", "!7", 2, 2, {1, 1, 1}, 0, {99, 99}, {0, 0}, {0, 0, 0, 0}},
      {"a hold of no player", "$0", 2, 2, {1, 1, 1}, 0, {99, 99}, {0, 0}, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::ResetBattleState();
    g_match.playerCount = c.playerCountBefore;
    for (int p = 0; p < 3; ++p) g_players[p].heading = 1;
    SetScript(c.script + FullWidth("A") + "\\_");
    RunScenarioScript(0);
    EXPECT_EQ(g_match.playerCount, c.playerCount);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(g_players[p].heading, c.heading[p]) << p;
    EXPECT_EQ(SpeakerSlot, c.speaker);
    EXPECT_EQ(PortraitSlots[0], c.portraits[0]);
    EXPECT_EQ(PortraitSlots[1], c.portraits[1]);
    EXPECT_EQ(PortraitExpressions[0], c.expressions[0]);
    EXPECT_EQ(PortraitExpressions[1], c.expressions[1]);
    for (int p = 0; p < 4; ++p) EXPECT_EQ(g_playerState.entryFrames[p], c.entry[p]) << p;
    // Every command takes all its bytes; "!" and "$" end the page.
    const bool endsPage = c.script[0] == '!' || c.script[0] == '$';
    EXPECT_EQ(ScriptReadPointer, static_cast<int>(c.script.size()) + (endsPage ? 0 : 3));
  }
}

TEST_F(Scenario, EntriesAndHoldsKeepThePreviousPage) {
  for (const char* command : {"!2", "$1", "!9"}) {
    SCOPED_TRACE(command);
    SetScript(FullWidth("PQ") + "\\" + command + FullWidth("R") + "\\_");
    RunScenarioScript(0);
    ASSERT_EQ(Row(0), "PQ");
    RunScenarioScript(0);
    EXPECT_EQ(Row(0), "PQ") << "the previous page stays in the window";
    RunScenarioScript(0);
    EXPECT_EQ(Row(0), "R");
  }
}

TEST_F(Scenario, EffectsAndTheArenaEvent) {
  for (int i = 0; i < kSoundCount; ++i) SoundHandles[i] = 100 + i;
  morrow::InitLibrary();
  struct Case {
    const char* script;
    int sound;  // -1 none
    int flash, shake, slow, wait;
    int blackout;  // after, starting from 1
  } cases[] = {
      {"S1", kSoundHitB, 8, 8, 0, 0, 1},
      {"S2", kSoundZan, 8, 8, 0, 0, 1},
      {"S3", kSoundHit, 8, 12, 0, 0, 1},
      {"S4", kSoundCSpell, 24, 20, 16, -16, 1},
      {"S5", kSoundOut, 24, 20, 16, -16, 1},
      {"S6", -1, 24, 0, 0, -48, 1},
      {"S7", -1, 36, 0, 0, -48, 0},
      {"S8", -1, 0, 0, 0, 0, 1},
      {"S0", -1, 0, 0, 0, 0, 1},
      {"B2", -1, 0, 0, 0, 0, 0},
      {"B1", -1, 0, 0, 0, 0, 1},
      {"B3", -1, 0, 0, 0, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    Recorder().ClearCalls();
    FlashFrames = FlashLength = ScreenShake = SlowMotionFrames = ScriptWait = 0;
    ArenaBlackout = 1;
    SetScript(std::string(c.script) + FullWidth("A") + "\\_");
    RunScenarioScript(0);
    const auto plays = Recorder().Named("PlaySoundHandle");
    if (c.sound < 0) {
      EXPECT_TRUE(plays.empty());
    } else {
      ASSERT_EQ(plays.size(), 1u);
      EXPECT_EQ(plays[0].Text(), "PlaySoundHandle " + std::to_string(100 + c.sound) + " 1 1");
    }
    EXPECT_EQ(FlashFrames, c.flash);
    EXPECT_EQ(FlashLength, c.flash);
    EXPECT_EQ(ScreenShake, c.shake);
    EXPECT_EQ(SlowMotionFrames, c.slow);
    EXPECT_EQ(ScriptWait, c.wait);
    EXPECT_EQ(ArenaBlackout, c.blackout);
    EXPECT_EQ(Row(0), "A") << "both bytes are taken";
  }

  Recorder().ClearCalls();
  g_arenaMap.openTimer[9 + 20 * 2] = 0;
  g_players[2].recovery = 7;
  SetScript("GM" + FullWidth("A") + "\\_");
  PictureIndex = 4;
  RunScenarioScript(0);
  EXPECT_EQ(PictureIndex, 5);
  EXPECT_EQ(PreviousPictureIndex, 4);
  EXPECT_EQ(PictureFadeFrames, 12);
  EXPECT_EQ(FlashFrames, 30);
  EXPECT_EQ(ScreenShake, 20);
  EXPECT_EQ(SlowMotionFrames, 16);
  EXPECT_EQ(g_arenaMap.openTimer[9 + 20 * 2], 96);
  EXPECT_EQ(g_arenaMap.openTimer[10 + 20 * 2], 96);
  EXPECT_EQ(g_arenaMap.openTimer[11 + 20 * 2], 0);
  EXPECT_EQ(g_players[0].heading, 64);
  EXPECT_EQ(g_players[1].heading, 64);
  EXPECT_EQ(g_players[2].state, 8);
  EXPECT_EQ(g_players[2].recovery, 0);
  EXPECT_FLOAT_EQ(g_players[2].vz, -3.0f);
  std::vector<std::string> sounds;
  for (const auto& call : Recorder().Named("PlaySoundHandle")) sounds.push_back(call.Text());
  EXPECT_EQ(sounds,
            (std::vector<std::string>{"PlaySoundHandle 112 1 1", "PlaySoundHandle 101 1 1"}));
  EXPECT_EQ(Row(0), "A");
}

// ---- Truncated commands ---------------------------------------------------------------------

TEST_F(Scenario, ACommandCutByTheEndDoesNothingAndStopsThere) {
  struct Case {
    std::string script;
    int position;
  } cases[] = {
      {"B", 1}, {"S", 1}, {"T", 1},    {"T1", 2},           {">", 1}, {">1A", 3}, {"!", 1},
      {"$", 1}, {"P", 1}, {"\xB0", 1}, {"\xB0\xA1\xB0", 3}, {"G", 1}, {"#", 1},   {"GNEB", 4},
      {"M", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.script));
    testsupport::ResetBattleState();
    g_match.playerCount = 2;
    SetScript(c.script);
    RunScenarioScript(0);
    EXPECT_EQ(ScriptReadPointer, c.position);
    EXPECT_EQ(SpeakerSlot, 0);
    EXPECT_EQ(PortraitSlots[0], kNoPortrait);
    EXPECT_EQ(g_match.playerCount, 2);
    EXPECT_EQ(g_playerState.entryFrames[0], 0);
    // Once at the end, every further page is empty and stays there.
    RunScenarioScript(0);
    EXPECT_EQ(ScriptReadPointer, c.position);
    EXPECT_EQ(Row(0), "");
  }
}

// ---- The step -------------------------------------------------------------------------------

TEST_F(Scenario, AnEntryHoldsThePageUntilItsCounterReachesTwentyNine) {
  SetScript(FullWidth("A") + "\\!2" + FullWidth("B") + "\\_");
  RunScenarioScript(0);
  EXPECT_EQ(Step(0, 1), 0);
  ASSERT_EQ(g_playerState.entryFrames[1], 1);
  ASSERT_EQ(Row(0), "A");
  const int held = ScriptReadPointer;
  int frames = 0;
  while (Row(0) == "A" && frames < 100) {
    ++frames;
    // Buttons do nothing meanwhile, held or pressed.
    Step(0, frames % 2 == 0 ? 1 : 5, 1);
    if (Row(0) == "A") {
      EXPECT_EQ(ScriptReadPointer, held);
    }
  }
  EXPECT_EQ(frames, 28) << "the counter runs 2, 3, ... 29 and turns the page at 29";
  EXPECT_EQ(Row(0), "B");
}

TEST_F(Scenario, AHoldWaitsTwentyNineFramesThenClearsThePortraits) {
  SetScript(">1B2" + FullWidth("A") + "\\$1" + FullWidth("B") + "\\_");
  RunScenarioScript(0);
  ASSERT_EQ(PortraitSlots[0], 2);
  Step(0, 1);
  ASSERT_EQ(g_playerState.entryFrames[0], -30);
  for (int f = 1; f <= 29; ++f) {
    Step(0, 0, 1);
    ASSERT_EQ(Row(0), "A") << f;
  }
  EXPECT_EQ(g_playerState.entryFrames[0], -1);
  Step(0);
  EXPECT_EQ(Row(0), "B");
  EXPECT_EQ(PortraitSlots[0], kNoPortrait);
  EXPECT_EQ(g_playerState.entryFrames[0], 0);
}

TEST_F(Scenario, WaitsTurnOrBlockPages) {
  struct Case {
    const char* name;
    std::string command;
    int button3;       // held through the wait
    int framesBefore;  // steps that leave the page
    bool clearsPortraits;
  } cases[] = {
      {"D turns by itself after 31 frames", "D", 0, 31, true},
      {"S4 blocks 16 frames", "S4", 1, 16, false},
      {"S5 blocks 16 frames", "S5", 1, 16, false},
      {"S6 blocks 48 frames", "S6", 1, 48, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::ResetBattleState();
    g_match.playerCount = 1;
    const std::string page = c.command == "D" ? ">2C1" + FullWidth("A") + "D"
                                              : ">2C1" + c.command + FullWidth("A") + "\\";
    SetScript(page + FullWidth("B") + "\\_");
    RunScenarioScript(0);
    ASSERT_EQ(Row(0), "A");
    for (int f = 1; f <= c.framesBefore; ++f) {
      Step(0, 0, c.button3);
      ASSERT_EQ(Row(0), "A") << f;
    }
    EXPECT_EQ(ScriptWait, c.command == "D" ? 1 : 0);
    Step(0, 0, c.button3);
    EXPECT_EQ(Row(0), "B");
    EXPECT_EQ(PortraitSlots[1], c.clearsPortraits ? kNoPortrait : 3);
  }
}

TEST_F(Scenario, ButtonOneTurnsOnePageButtonThreeOneAFrame) {
  const std::string script = Repeat(FullWidth("A") + "\\", 30) + "_";
  struct Case {
    const char* name;
    int button;  // kInputButton1 or kInputButton3, held from the first frame
    int pages;   // pages turned in 10 frames
  } cases[] = {{"button 1 held", kInputButton1, 1}, {"button 3 held", kInputButton3, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetScript(script);
    RunScenarioScript(0);
    int count = 0;
    int pages = 0;
    for (int f = 0; f < 10; ++f) {
      // The counting of a held button, as the frame loop does it.
      count = HeldFrameCounts[c.button][0] + 1;
      HeldFrameCounts[c.button][0] = count;
      const int before = ScriptReadPointer;
      StepScenario(0);
      pages += ScriptReadPointer != before;
    }
    EXPECT_EQ(pages, c.pages);
    HeldFrameCounts[kInputButton1][0] = HeldFrameCounts[kInputButton3][0] = 0;
  }
  // A count of 2 still turns (a press during a wait), 3 no longer does.
  for (int count : {2, 3}) {
    SetScript(script);
    RunScenarioScript(0);
    HeldFrameCounts[kInputButton1][0] = count;
    StepScenario(0);
    EXPECT_EQ(ScriptReadPointer, count == 2 ? 6 : 3);
    EXPECT_EQ(HeldFrameCounts[kInputButton1][0], count == 2 ? 99 : 3);
  }
}

TEST_F(Scenario, TheEndGivesTheStageResult) {
  struct Case {
    int number;
    int type;
    int roundWinner;
    int preFight;
    int result;
    bool capture;
  } cases[] = {
      {5, 0, 2, 0, 2, false},   {5, 1, 2, 0, 1, false},  {5, 2, 0, 121, 1, true},
      {5, 3, 0, 121, 1, false}, {5, 0, 1, 121, 1, true}, {5, 0, 0, 120, 0, false},
      {40, 7, 2, 0, 2, false},  // no stage 40 in the table: type 0
      {-3, 7, 3, 0, 3, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.number << " type " << c.type);
    testsupport::ResetBattleState();
    g_match.playerCount = 1;
    // Numbers outside the table read as type 0 although every entry holds c.type.
    for (int32_t& type : StageTypeTable) type = c.type;
    RoundWinner = c.roundWinner;
    StoryPreFight = c.preFight;
    SetScript(FullWidth("A") + "_");
    RunScenarioScript(c.number);
    EXPECT_EQ(Step(c.number), 0) << "no press, no end";
    EXPECT_EQ(Step(c.number, 1), c.result);
    EXPECT_EQ(FadeCaptureRequest, c.capture ? 1 : 0);
    EXPECT_EQ(ScriptBuffer[ScriptReadPointer], '_') << "the end can be met again";
  }
}

TEST_F(Scenario, TheWindowIsDrawnExceptForTheFinalStageAndAtTheEnd) {
  morrow::InitLibrary();
  LoadFontSheets(0);
  struct Case {
    const char* name;
    int number;
    std::string script;
    bool draws;
  } cases[] = {{"a stage's dialogue", 3, FullWidth("A") + "\\" + FullWidth("B") + "\\_", true},
               {"the final stage", 17, FullWidth("A") + "\\" + FullWidth("B") + "\\_", false},
               {"after the last byte", 3, FullWidth("A"), false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_match.storyStageCount = 17;
    SetScript(c.script);
    RunScenarioScript(c.number);
    Recorder().ClearCalls();
    Step(c.number);
    EXPECT_EQ(Recorder().Count("DrawGraphPart") > 0, c.draws);
  }
  // The final stage's script turns its first page by itself at scene frame 1.
  SetScript(FullWidth("A") + "\\" + FullWidth("B") + "\\_");
  RunScenarioScript(17);
  SceneFrame = 1;
  Step(17);
  EXPECT_EQ(std::string(EndingTextRows[0]), FullWidth("B"));
}

TEST_F(Scenario, NoPlayersMeansOnlyTheButtonsDecide) {
  g_match.playerCount = 0;
  SetScript(FullWidth("A") + "D" + FullWidth("B") + "\\" + FullWidth("C") + "\\_");
  RunScenarioScript(0);
  ASSERT_EQ(ScriptWait, 32);
  Step(0);
  EXPECT_EQ(Row(0), "A");
  Step(0, 1);
  EXPECT_EQ(Row(0), "B") << "the wait is not looked at without players";
}

TEST_F(Scenario, SpeakerChangeIsFlagged) {
  SetScript(">1A0" + FullWidth("A") + "\\>1A1" + FullWidth("B") + "\\>2B0" + FullWidth("C") +
            "\\_");
  RunScenarioScript(0);
  Step(0, 1);
  EXPECT_EQ(SpeakerChanged, 0);
  Step(0, 1);
  EXPECT_EQ(SpeakerChanged, 1);
  EXPECT_EQ(SpeakerSlot, 1);
  Step(0);
  EXPECT_EQ(SpeakerChanged, 1) << "kept until the next page turn";
}

TEST(ScenarioPortraits, CellsInsideTheFortyPortraitHandles) {
  struct Case {
    uint16_t portrait;
    uint16_t expression;
    int cell;
  } cases[] = {{0, 0, 0},   {0, 9, 9},
               {3, 9, 39},  {1, 5, 15},
               {4, 0, -1},  {10, 0, -1},
               {99, 0, -1}, {'Z', 1, -1},
               {2, 10, -1}, {2, static_cast<uint16_t>('!' - '0'), -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.portrait << " " << c.expression);
    for (int slot : {0, 1}) {
      PortraitSlots[slot] = c.portrait;
      PortraitExpressions[slot] = c.expression;
      EXPECT_EQ(PortraitCell(slot), c.cell);
    }
  }
  EXPECT_EQ(PortraitCell(2), -1);
  EXPECT_EQ(PortraitCell(-1), -1);
  PortraitSlots[0] = PortraitSlots[1] = kNoPortrait;
  PortraitExpressions[0] = PortraitExpressions[1] = 0;
}

// ---- Files ----------------------------------------------------------------------------------

TEST(ScenarioFiles, NamesByNumberKindAndRoute) {
  struct Case {
    int number, kind, routeA, routeB;
    const char* name;
  } cases[] = {
      {0, 0, 0, 0, "00"},      {6, 0, 1, 1, "06"},      {7, 0, 0, 1, "07"},
      {7, 0, 1, 0, "07n"},     {8, 0, 1, 0, "08n"},     {9, 0, 1, 1, "09"},
      {14, 0, 1, 1, "14"},     {15, 0, 1, 0, "15"},     {15, 0, 0, 1, "15n"},
      {16, 0, 0, 1, "16n"},    {17, 0, 0, 1, "17n"},    {17, 0, 0, 0, "17"},
      {18, 0, 0, 1, "18"},     {99, 0, 1, 1, "02b"},    {7, 0, 2, 2, "07"},
      {0, 1, 0, 0, "ex100"},   {7, 1, 1, 1, "ex107"},   {49, 1, 0, 0, "ex149"},
      {50, 1, 0, 0, "ex100b"}, {59, 1, 0, 0, "ex109b"}, {99, 1, 0, 0, "ex149b"},
  };
  for (const auto& c : cases) {
    char name[64];
    ASSERT_TRUE(ScenarioFileName(c.number, c.kind, c.routeA, c.routeB, name, sizeof name));
    EXPECT_EQ(std::string(name), std::string("Resource\\Srd\\") + c.name + ".srd")
        << c.number << " kind " << c.kind;
  }
  char tiny[8];
  EXPECT_FALSE(ScenarioFileName(0, 0, 0, 0, tiny, sizeof tiny));
}

class ScenarioLoad : public Scenario {
 protected:
  testsupport::ScriptTree tree_;
};

TEST_F(ScenarioLoad, TheStoryKindAndRouteFlagsPickTheFile) {
  tree_.WriteAllNamed();
  struct Case {
    int number, kind, routeA, routeB;
    const char* stem;
  } cases[] = {{3, 0, 0, 0, "03"},   {8, 0, 1, 0, "08n"},   {16, 0, 0, 1, "16n"},
               {99, 0, 0, 0, "02b"}, {4, 1, 1, 1, "ex104"}, {52, 1, 0, 0, "ex102b"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stem);
    g_match.storyKind = c.kind;
    RouteFlagA = static_cast<uint8_t>(c.routeA);
    RouteFlagB = static_cast<uint8_t>(c.routeB);
    PortraitSlots[0] = 2;
    SpeakerChanged = 0;
    ScriptWait = -5;
    ScriptReadPointer = 9;
    EXPECT_EQ(LoadScenarioScript(c.number), 99);
    EXPECT_EQ(testsupport::LoadedScriptName(), c.stem);
    EXPECT_EQ(ScriptReadPointer, 0);
    EXPECT_EQ(PortraitSlots[0], kNoPortrait);
    EXPECT_EQ(SpeakerChanged, 1);
    EXPECT_EQ(ScriptWait, 0);
  }
}

TEST_F(ScenarioLoad, AMissingFileKeepsThePreviousScriptAndIsLogged) {
  tree_.WriteNamed("04");
  ASSERT_EQ(LoadScenarioScript(4), 99);
  RunScenarioScript(4);
  PortraitSlots[0] = 2;
  ScriptWait = 7;
  EXPECT_EQ(LoadScenarioScript(5), 0);
  EXPECT_EQ(ScriptReadPointer, 0);
  EXPECT_EQ(testsupport::LoadedScriptName(), "04");
  EXPECT_EQ(PortraitSlots[0], 2) << "nothing else changes";
  EXPECT_EQ(ScriptWait, 7);
  // A folder in a script's place is no script either.
  std::filesystem::create_directories(tree_.dir().File("Resource/Srd/06.srd"));
  EXPECT_EQ(LoadScenarioScript(6), 0);
  EXPECT_EQ(testsupport::LoadedScriptName(), "04");
  // Each is logged with its path, as every resource is.
  std::vector<std::string> lines;
  for (const auto& call : Recorder().Named("WriteLog")) lines.push_back(call.args[0]);
  EXPECT_EQ(lines,
            (std::vector<std::string>{"Scenario script Resource\\Srd\\05.srd cannot be read",
                                      "Scenario script Resource\\Srd\\06.srd cannot be read"}));
}

TEST_F(ScenarioLoad, AShorterScriptLeavesNothingOfTheLongerOne) {
  tree_.Write("00", std::string(5000, 'x'));
  tree_.Write("01", "ab");
  ASSERT_EQ(LoadScenarioScript(0), 99);
  ASSERT_EQ(LoadScenarioScript(1), 99);
  EXPECT_EQ(ScriptBuffer[0], 'a');
  EXPECT_EQ(ScriptBuffer[1], 'b');
  EXPECT_TRUE(std::all_of(ScriptBuffer + 2, ScriptBuffer + sizeof ScriptBuffer,
                          [](uint8_t b) { return b == 0; }));
}

TEST_F(ScenarioLoad, LineEndsArriveAsLineFeedsAndLongFilesAreCut) {
  struct Case {
    const char* name;
    std::string file;
    std::string loaded;
  } cases[] = {
      {"crlf", "A\r\nB\r\n", "A\nB\n"},
      {"lone returns stay", "A\rB\r", "A\rB\r"},
      {"a return before a return", "\r\r\n", "\r\n"},
      {"no line ends", "AB", "AB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    tree_.Write("03", c.file);
    ASSERT_EQ(LoadScenarioScript(3), 99);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(ScriptBuffer)), c.loaded);
  }
  tree_.Write("03", std::string(70000, 'y'));
  ASSERT_EQ(LoadScenarioScript(3), 99);
  EXPECT_EQ(ScriptBuffer[kScriptBytes - 1], 'y');
  EXPECT_EQ(ScriptBuffer[kScriptBytes], 0) << "the buffer always ends with a 0";
  // Carriage returns dropped before line feeds make room for more of the file.
  tree_.Write("03", std::string(kScriptBytes - 2, 'z') + "\r\nw");
  ASSERT_EQ(LoadScenarioScript(3), 99);
  EXPECT_EQ(ScriptBuffer[kScriptBytes - 2], '\n');
  EXPECT_EQ(ScriptBuffer[kScriptBytes - 1], 'w');
}

// ---- Malformed scripts ----------------------------------------------------------------------

// Steps a script with button 3 held for `frames` frames; every step returns, reads forward and
// stays inside the script, and the player count stays 1 to 4.
void StepThrough(int number, size_t length, int frames) {
  for (int f = 0; f < frames; ++f) {
    for (int32_t& entry : g_playerState.entryFrames) {
      if (entry > 0 && entry < 1000) ++entry;
    }
    HeldFrameCounts[kInputButton3][0] = 1;
    const int before = ScriptReadPointer;
    StepScenario(number);
    ASSERT_GE(ScriptReadPointer, before);
    ASSERT_LE(ScriptReadPointer, static_cast<int>(length));
    ASSERT_GE(g_match.playerCount, 1);
    ASSERT_LE(g_match.playerCount, 4);
    ASSERT_LE(std::strlen(EndingTextRows[0]), 96u);
  }
}

TEST_F(Scenario, TruncatedAfterEveryByteAndRandomBytesStayInside) {
  const std::string full = "#head\n>1A3GNEB1S4" + FullWidth("AB") + "~" + FullWidth("C") +
                           "\\T21P+P-!2$1>2P0DM" + FullWidth(std::string(30, 'D')) + "\\_";
  for (int number : {0, 17}) {
    for (size_t cut = 0; cut <= full.size(); ++cut) {
      SCOPED_TRACE(testing::Message() << number << " cut " << cut);
      testsupport::ResetBattleState();
      g_match.playerCount = 2;
      const std::string script = full.substr(0, cut);
      SetScript(script);
      RunScenarioScript(number);
      StepThrough(number, script.size(), 120);
    }
  }
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    testsupport::ResetBattleState();
    g_match.playerCount = 1 + round % 4;
    std::string script(1 + random() % 600, '\0');
    for (char& b : script) b = static_cast<char>(1 + random() % 255);
    SetScript(script);
    RunScenarioScript(round % 20);
    StepThrough(round % 20, script.size(), 60);
  }
}

TEST_F(Scenario, AFullBufferWithoutAnEndRunsOutAtItsEnd) {
  // 32,767 characters and a lone lead byte: the buffer is full and has no end mark.
  std::string script = Repeat("\xB0\xA1", 32767) + "\xB0";
  SetScript(script);
  RunScenarioScript(2);
  int frames = 0;
  for (; frames < 2000 && ScriptReadPointer < kScriptBytes; ++frames) {
    HeldFrameCounts[kInputButton3][0] = 1;
    EXPECT_EQ(StepScenario(2), 0);
  }
  EXPECT_EQ(ScriptReadPointer, kScriptBytes) << "the last byte is taken and the 0 after it stays";
  EXPECT_GT(frames, 400) << "page by page";
  HeldFrameCounts[kInputButton3][0] = 1;
  EXPECT_EQ(StepScenario(2), 0) << "an empty page, never an end";
  EXPECT_EQ(ScriptReadPointer, kScriptBytes);
  EXPECT_EQ(Row(0), "");
}

}  // namespace
