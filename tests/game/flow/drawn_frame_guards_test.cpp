// The rules of the drawn frame held over whole battles and one story frame: the view's parts of a
// drawn frame leave the battle state and the random generator as they found them, the most
// requests a frame can make all find room, and the parts run in an order that keeps the story's
// script turns and draws the continue prompt as the frame found it.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/drawn_frame.h"
#include "game/battle/player_control.h"
#include "game/battle/state_snapshot.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "game/flow/frame_steps.h"
#include "game/flow/scenario.h"
#include "game/view/view.h"
#include "morrow/recording/library_recorder.h"
#include "morrow/system/time.h"
#include "tests/support/battle_state.h"
#include "tests/support/script_files.h"

namespace {

using namespace veyrdale;
using testsupport::Recorder;

// The whole battle state (every pool, side table, per-player array and global of the field table,
// byte for byte) and the generator's next number, as a view part found them: what it changed, or
// "" when it changed nothing.
class StateBefore {
 public:
  void Take() {
    snapshot_.Take();
    next_ = morrow::PeekRandomNumber(INT32_MAX - 1, 0);
  }
  std::string Changed() const {
    char field[96];
    if (snapshot_.FindChange(field, sizeof field)) return field;
    return morrow::PeekRandomNumber(INT32_MAX - 1, 0) == next_ ? "" : "the generator";
  }

 private:
  StateSnapshot snapshot_;
  int next_ = 0;
};

#ifdef NDEBUG
constexpr int kMatches = 8;
constexpr int kFramesPerMatch = 1500;
#else
constexpr int kMatches = 4;
constexpr int kFramesPerMatch = 750;
#endif

// A battle frame of the battle scene outside the story, with the drawn frame run part by part:
// false once the match is over.
bool StepCheckedFrame(int* viewParts) {
  for (int p = 0; p < kPlayerCount; ++p) {
    UpdateCpuPlayer(&g_players[p], p);
    ApplyCpuInput(p);
  }
  if (ReversedControlsActive == 1) ApplyReversedControls();
  if (RunRoundTiming() == BattleOutcome::kMatchOver) return false;
  StepBattleToDraw();
  if (BattleFrameIsDrawn()) {
    static StateBefore before;
    for (const DrawnFramePart& part : DrawnFrameParts()) {
      if (part.view) before.Take();
      const bool goesOn = part.run();
      if (part.view) {
        ++*viewParts;
        EXPECT_EQ(before.Changed(), "") << part.name << ", frame " << FrameCount;
      }
      if (!goesOn) break;
    }
  }
  StepBattleFromDraw();
  AdvanceFrameCounters();
  TakeCaptureRequests();
  if (SlowMotionFrames > 0) --SlowMotionFrames;
  return true;
}

TEST(DrawnFrameGuards, ViewPartsLeaveTheBattleAsTheyFoundIt) {
  Recorder().Reset();
  std::mt19937 pick(79);
  int viewParts = 0;
  for (int match = 0; match < kMatches && !HasFailure(); ++match) {
    const int players = 2 + static_cast<int>(pick() % 3);
    std::vector<int> characters;
    for (int p = 0; p < players; ++p) characters.push_back(static_cast<int>(pick() % 16));
    testsupport::SetUpMatch(characters);
    for (int p = 0; p < kPlayerCount; ++p) g_match.cpuFlag[p] = 1;
    g_display.halfRatePresent = match % 2;
    morrow::SeedRandom(static_cast<uint32_t>(pick()));
    for (int f = 0; f < kFramesPerMatch && !HasFailure(); ++f) {
      if (!StepCheckedFrame(&viewParts)) break;
      Recorder().ClearCalls();
    }
  }
  // Every match drew: at full rate every frame, at half rate every second one.
  EXPECT_GT(viewParts, kMatches * kFramesPerMatch);
}

// The most requests a drawn frame can make: character 10 declares its special move against a
// jittering character 5 on the frame its swing's shake lands, and two more players jitter. Each of
// the ten finds room in the list and is carried out: eight numbers drawn, the shake set.
TEST(DrawnFrameRequests, TheMostTheDrawCanAskForAreAllCarriedOut) {
  Recorder().Reset();
  testsupport::SetUpMatch({10, 5, 9, 5});
  for (int p = 0; p < kPlayerCount; ++p) g_players[p].owner = static_cast<int16_t>(p);
  g_players[0].state = kStateAttackStanding;
  g_players[0].stateTimer = 51;
  g_playerState.poseClass[0] = 1;
  for (int p = 1; p < kPlayerCount; ++p) {
    g_players[p].state = kStateSpecialMove;
    g_playerState.specialMode[p] = 7000;
  }
  FreezeFrames = 30;
  CutInFrames = 200;
  CutInAttacker = 0;
  CutInVictim = 1;
  morrow::SeedRandom(85);
  for (int i = 0; i < 8; ++i) morrow::GetRandomNumber(2);
  const int next = morrow::GetRandomNumber(1000000);
  morrow::SeedRandom(85);

  DrawBattleFrame();

  EXPECT_EQ(g_drawnFrame.asked, DrawnFrame::kMostRequests);
  EXPECT_EQ(g_drawnFrame.requestCount, g_drawnFrame.asked) << "a request found no room";
  EXPECT_EQ(ScreenShake, 8);
  EXPECT_EQ(morrow::GetRandomNumber(1000000), next) << "not the eight numbers looked ahead at";
}

// A story frame of stage 0 with its dialogue running: player 0 (character 0, the last frames of
// its turning swing) turns in its selection while the page that its finished entry turns to
// turns it too; the continue prompt stands at its 60th frame and player 0 presses right.
class StoryFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    Recorder().Reset();
    testsupport::SetUpMatch({0, 1});
    g_match.storyMode = 1;
    StoryPreFight = 120;
    StageTypeTable[0] = 1;
    BattleObject& player = g_players[0];
    player.state = kStateAttackStanding;
    player.heading = kSelectionFrom;
    player.stateTimer = 20;
    for (int16_t move = 1; move <= 16; ++move) {
      if (MoveRow(0, move).moveLength >= 40) g_playerState.currentMove[0] = move;
    }
    g_playerState.poseClass[0] = 1;
    g_playerState.entryFrames[0] = 29;  // its scripted entry has run: drawn, and the page turns
    g_players[1].owner = 1;
    const std::string page = "T07" + testsupport::FullWidth("A") + "\\_";
    std::fill(std::begin(ScriptBuffer), std::end(ScriptBuffer), 0);
    std::copy(page.begin(), page.end(), ScriptBuffer);
    ContinuePause = 60;
    ContinueChoice = 0;
    HeldFrameCounts[kInputRight][0] = 1;
  }

  static constexpr int kSelectionFrom = 0;  // the swing turns it to 16
  static constexpr int kScriptTurn = 224;   // T07: player 0 to heading row 7
};

TEST_F(StoryFrame, TheScriptTurnStandsAndThePromptShowsTheChoiceItFound) {
  ASSERT_GE(MoveRow(0, g_playerState.currentMove[0]).moveLength, 40);
  Recorder().ClearCalls();
  DrawContinuePrompt();
  const std::vector<testsupport::RecordedCall> prompt = Recorder().Calls();
  ASSERT_FALSE(prompt.empty());

  Recorder().ClearCalls();
  DrawBattleFrame();
  const std::vector<testsupport::RecordedCall>& calls = Recorder().Calls();

  // The selection turned player 0 and was carried out before the dialogue, whose page then
  // turned it again: the script's turn stands.
  EXPECT_EQ(g_drawnFrame.players[0].heading, kSelectionFrom + 16);
  EXPECT_EQ(g_players[0].heading, kScriptTurn);
  // The prompt was drawn as the frame found it, and the choice made after it.
  EXPECT_EQ(ContinueChoice, 1);
  std::vector<std::string> texts;
  for (const testsupport::RecordedCall& call : calls) texts.push_back(call.Text());
  bool found = false;
  for (size_t at = 0; at + prompt.size() <= texts.size() && !found; ++at) {
    found = true;
    for (size_t k = 0; k < prompt.size() && found; ++k) found = texts[at + k] == prompt[k].Text();
  }
  EXPECT_TRUE(found) << "the frame did not draw the prompt with the choice it found";
}

}  // namespace
