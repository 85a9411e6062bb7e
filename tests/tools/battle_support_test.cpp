// One headless battle frame: input for humans and computer players, the reversal, the battle
// scene only in scene 4, and the frame loop's counters without waits.
#include "tools/lib/battlesupport/step_battle_frame.h"

#include <gtest/gtest.h>

#include "game/battle/cpu_player.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;
using testsupport::SetUpMatch;

TEST(StepBattleFrame, HumansFromPadBitsComputersFromTheirDecisions) {
  SetUpMatch({0, 1});
  g_match.cpuFlag[1] = 1;
  PendingPressCounts[kInputButton1][1] = 2;
  const int bits[4] = {kPadRight | kPadButton0, 0x7FF, 0, 0};
  StepBattleFrame(bits);
  StepBattleFrame(bits);
  EXPECT_EQ(HeldFrameCounts[kInputRight][0], 2);
  EXPECT_EQ(HeldFrameCounts[kInputButton1][0], 2);
  EXPECT_EQ(HeldFrameCounts[kInputLeft][0], 0);
  // Player 1 is the computer's: its pad is not read.
  EXPECT_EQ(HeldFrameCounts[kInputLeft][1], 0);
  EXPECT_EQ(HeldFrameCounts[kInputButton1][1], 2);
  EXPECT_EQ(RoundFrame, 2);
  EXPECT_EQ(SceneFrame, 2) << "restarted at 0 by the first battle frame";
  EXPECT_EQ(FrameCount, 2);
  // The computer waits out the round's first 10 frames, then decides.
  EXPECT_EQ(CpuCountdown[1], 0);
  RoundFrame = 10;
  StepBattleFrame(bits);
  EXPECT_GT(CpuCountdown[1], 0);
}

TEST(StepBattleFrame, ReversalAppliesToHumansWhileActive) {
  for (int active : {0, 1}) {
    SetUpMatch({0, 1});
    ReversedControlsActive = static_cast<uint8_t>(active);
    g_playerState.reverseTimer[1] = 800;
    g_players[1].state = 9;  // the card still runs, so the flag stays
    const int bits[4] = {kPadUp, 0, 0, 0};
    StepBattleFrame(bits);
    EXPECT_EQ(HeldFrameCounts[kInputDown][0], active);
    EXPECT_EQ(HeldFrameCounts[kInputUp][0], 1 - active);
  }
}

TEST(StepBattleFrame, OutsideScene4OnlyTheCountersMove) {
  SetUpMatch({0, 1});
  SceneId = 7;
  SlowMotionFrames = 2;
  FreezeFrames = 1;
  FadeCaptureRequest = 1;
  ScreenShake = 5;  // a battle draw would spend one frame of it
  const int none[4] = {};
  StepBattleFrame(none);
  EXPECT_EQ(ScreenShake, 5);
  EXPECT_EQ(RoundFrame, 0);
  EXPECT_EQ(SlowMotionFrames, 1);
  EXPECT_EQ(FreezeFrames, 0);
  EXPECT_EQ(SceneFrame, 0);
  EXPECT_EQ(FadeFrames, 30);
  EXPECT_EQ(FadeCaptureRequest, 0);
  StepBattleFrame(none);
  EXPECT_EQ(SceneFrame, 1);
  EXPECT_EQ(SlowMotionFrames, 0);
  StepBattleFrame(none);
  EXPECT_EQ(SlowMotionFrames, 0);
}

}  // namespace
