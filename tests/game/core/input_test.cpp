// The input counting step: pad bits to held-frame counts, computer players' pending presses, and
// the reversing spell card.
#include "game/core/input.h"

#include <climits>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "morrow/recording/library_recorder.h"

namespace {

using namespace veyrdale;

void ClearCounts() {
  for (auto& counts : HeldFrameCounts) {
    for (int32_t& c : counts) c = 0;
  }
  for (auto& counts : PendingPressCounts) {
    for (int32_t& c : counts) c = 0;
  }
}

// Each test puts back what it changed, so that a test after it in the same process finds the
// records as they were.
class InputCounting : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memcpy(held_, HeldFrameCounts, sizeof held_);
    std::memcpy(pending_, PendingPressCounts, sizeof pending_);
    std::memcpy(reverseTimers_, g_playerState.reverseTimer, sizeof reverseTimers_);
  }
  void TearDown() override {
    std::memcpy(HeldFrameCounts, held_, sizeof held_);
    std::memcpy(PendingPressCounts, pending_, sizeof pending_);
    std::memcpy(g_playerState.reverseTimer, reverseTimers_, sizeof reverseTimers_);
    SceneId = scene_;
    FreezeFrames = freeze_;
    g_match = match_;
    g_buttonMap = buttons_;
  }

 private:
  int32_t held_[kInputCount][4];
  int32_t pending_[kInputCount][4];
  int32_t reverseTimers_[4];
  int32_t scene_ = SceneId;
  int32_t freeze_ = FreezeFrames;
  MatchSetup match_ = g_match;
  ButtonMap buttons_ = g_buttonMap;
};

TEST_F(InputCounting, PadBitsBecomeHeldFrameCounts) {
  struct Case {
    const char* name;
    std::vector<int> frames;  // the pad word of each frame
    Input input;
    std::vector<int> counts;  // the count after each frame
  } cases[] = {
      {"held three frames", {0x1, 0x1, 0x1, 0}, kInputDown, {1, 2, 3, 0}},
      {"up is 0x8", {0x8, 0x9}, kInputUp, {1, 2}},
      {"left is 0x2", {0x2, 0, 0x2}, kInputLeft, {1, 0, 1}},
      {"right is 0x4", {0x4}, kInputRight, {1}},
      {"button 1", {0x10, 0x10}, kInputButton1, {1, 2}},
      {"button 5", {0x100, 0x1F0}, kInputButton5, {1, 2}},
      {"a bit of no button", {0x200, 0x1000}, kInputButton1, {0, 0}},
      {"never-started answer is no input", {-1, -1}, kInputButton3, {0, 0}},
      {"never-started answer releases", {0x1, -1}, kInputDown, {1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearCounts();
    ButtonMap map;
    for (size_t f = 0; f < c.frames.size(); ++f) {
      CountPadInput(2, c.frames[f], map);
      EXPECT_EQ(HeldFrameCounts[c.input][2], c.counts[f]) << f;
    }
    for (int p : {0, 1, 3}) EXPECT_EQ(HeldFrameCounts[c.input][p], 0) << "only player 2";
  }
}

TEST_F(InputCounting, ButtonMappedToTwoBitsIsHeldByEither) {
  ClearCounts();
  ButtonMap map;
  map.masks[1][3] = 0x400 | 0x20;  // button 4 on pad buttons 5 and 1
  const int frames[] = {0x400, 0x20, 0x420, 0x80, 0};
  const int counts[] = {1, 2, 3, 0, 0};
  for (int f = 0; f < 5; ++f) {
    CountPadInput(1, frames[f], map);
    EXPECT_EQ(HeldFrameCounts[kInputButton4][1], counts[f]) << f;
  }
}

TEST_F(InputCounting, PlayerOutsideTheFourIsIgnored) {
  ClearCounts();
  ButtonMap map;
  for (int player : {-1, 4, INT_MAX, INT_MIN}) CountPadInput(player, 0x1FF, map);
  for (auto& counts : HeldFrameCounts) {
    for (int32_t c : counts) EXPECT_EQ(c, 0);
  }
  EXPECT_EQ(PadBitsOrNone(-5), 0);
  EXPECT_EQ(PadBitsOrNone(0x1001), 0x1001);
}

TEST_F(InputCounting, ComputerPendingPressesAndTheFreeze) {
  struct Case {
    const char* name;
    int scene;
    int freeze;
    bool directionsFrozen;
  } cases[] = {
      {"battle", 4, 0, false}, {"battle frozen", 4, 60, true}, {"menu frozen", 3, 60, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearCounts();
    SceneId = c.scene;
    FreezeFrames = c.freeze;
    HeldFrameCounts[kInputLeft][3] = 7;
    PendingPressCounts[kInputLeft][3] = 2;
    PendingPressCounts[kInputButton2][3] = 2;
    const int button[] = {1, 2, 0, 0};
    for (int f = 0; f < 4; ++f) {
      ApplyCpuInput(3);
      EXPECT_EQ(HeldFrameCounts[kInputButton2][3], button[f]) << f;
    }
    if (c.directionsFrozen) {
      EXPECT_EQ(HeldFrameCounts[kInputLeft][3], 7);
      EXPECT_EQ(PendingPressCounts[kInputLeft][3], 2);
    } else {
      EXPECT_EQ(HeldFrameCounts[kInputLeft][3], 0);
      EXPECT_EQ(PendingPressCounts[kInputLeft][3], 0);
    }
  }
}

TEST_F(InputCounting, PendingPressesHoldForThatManyFrames) {
  struct Case {
    Input input;
    int32_t pending;
    std::vector<int32_t> counts;  // after each frame
  } cases[] = {
      {kInputDown, 0, {0, 0}},
      {kInputUp, 1, {1, 0, 0}},
      {kInputRight, 3, {1, 2, 3, 0, 0}},
      {kInputButton5, 5, {1, 2, 3, 4, 5, 0}},
      // Only 0 ends a wish: a negative one holds the input as it counts down, away from 0.
      {kInputButton3, -2, {1, 2, 3}},
      {kInputButton2, INT_MIN, {1, 2}},
  };
  SceneId = 2;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pending);
    ClearCounts();
    PendingPressCounts[c.input][0] = c.pending;
    for (size_t f = 0; f < c.counts.size(); ++f) {
      ApplyCpuInput(0);
      EXPECT_EQ(HeldFrameCounts[c.input][0], c.counts[f]) << f;
    }
  }
}

TEST_F(InputCounting, PadReadsUseTheDeviceAndTheButtonMap) {
  using testsupport::Recorder;
  Recorder().Reset();
  Recorder().Start(true);
  Recorder().SetPadBits(1, 0x10);   // pad 1: button 0
  Recorder().SetKeyboardBits(0x2);  // the keyboard: left
  Recorder().SetPadBits(3, 0x8 | 0x200);
  g_buttonMap = ButtonMap{};
  g_buttonMap.masks[2][4] = 0x200;  // player 2's button 5 on pad button 5
  ClearCounts();
  for (int p = 0; p < 4; ++p) ReadPadInput(kPlayerDevice[p], p);
  std::vector<int64_t> devices;
  for (const auto& call : Recorder().Named("GetPadInputBits")) devices.push_back(call.Int(0));
  EXPECT_EQ(devices, (std::vector<int64_t>{0x1001, 2, 3, 4}));
  EXPECT_EQ(HeldFrameCounts[kInputButton1][0], 1);
  EXPECT_EQ(HeldFrameCounts[kInputLeft][0], 1) << "the keyboard joins player 0";
  EXPECT_EQ(HeldFrameCounts[kInputLeft][1], 0);
  EXPECT_EQ(HeldFrameCounts[kInputUp][2], 1);
  EXPECT_EQ(HeldFrameCounts[kInputButton5][2], 1);
  EXPECT_EQ(HeldFrameCounts[kInputButton1][2], 0);
  Recorder().Reset();
}

TEST_F(InputCounting, ReversedControlsSwapOtherHumansDirections) {
  struct Case {
    const char* name;
    int playerCount;
    int teamMode;
    std::vector<int> teams;
    std::vector<int> cpu;
    std::vector<int> timers;
    std::vector<bool> swapped;
  } cases[] = {
      {"free for all", 4, 0, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 800, 0, 0}, {true, false, true, true}},
      {"computer spared",
       3,
       0,
       {0, 0, 0, 0},
       {0, 0, 1, 0},
       {0, 800, 0, 0},
       {true, false, false, false}},
      {"team-mates spared",
       4,
       1,
       {0, 1, 0, 1},
       {0, 0, 0, 0},
       {0, 800, 0, 0},
       {true, false, true, false}},
      {"highest caster counts",
       4,
       1,
       {0, 1, 0, 1},
       {0, 0, 0, 0},
       {5, 0, 9, 0},
       {false, true, false, true}},
      {"timer run out",
       4,
       0,
       {0, 0, 0, 0},
       {0, 0, 0, 0},
       {0, 0, -3, 0},
       {false, false, false, false}},
      {"player count past four",
       9,
       0,
       {0, 0, 0, 0},
       {0, 0, 0, 0},
       {0, 0, 0, 800},
       {true, true, true, false}},
      {"player count below zero",
       -2,
       0,
       {0, 0, 0, 0},
       {0, 0, 0, 0},
       {800, 0, 0, 0},
       {false, false, false, false}},
      {"caster beyond the count",
       2,
       0,
       {0, 0, 0, 0},
       {0, 0, 0, 0},
       {0, 0, 800, 0},
       {false, false, false, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearCounts();
    g_match = MatchSetup{};
    g_match.playerCount = c.playerCount;
    g_match.teamMode = c.teamMode;
    for (int p = 0; p < 4; ++p) {
      g_match.team[p] = c.teams[p];
      g_match.cpuFlag[p] = c.cpu[p];
      g_playerState.reverseTimer[p] = c.timers[p];
      HeldFrameCounts[kInputUp][p] = 1;
      HeldFrameCounts[kInputLeft][p] = 5;
    }
    ApplyReversedControls();
    for (int p = 0; p < 4; ++p) {
      EXPECT_EQ(HeldFrameCounts[kInputDown][p], c.swapped[p] ? 1 : 0) << p;
      EXPECT_EQ(HeldFrameCounts[kInputUp][p], c.swapped[p] ? 0 : 1) << p;
      EXPECT_EQ(HeldFrameCounts[kInputRight][p], c.swapped[p] ? 5 : 0) << p;
    }
  }
}

}  // namespace
