#include <gtest/gtest.h>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"

namespace {

using namespace veyrdale;

// The values before anything is read or chosen; the tests run before it in one process put back
// what they change.
TEST(FlowRecords, StartValues) {
  struct Case {
    const char* name;
    int64_t value;
    int64_t want;
  } cases[] = {
      {"SceneId", SceneId, 9},
      {"SceneFrame", SceneFrame, 0},
      {"FreezeFrames", FreezeFrames, 0},
      {"playerCount", g_match.playerCount, 4},
      {"versusStageCount", g_match.versusStageCount, 8},
      {"storyStageCount", g_match.storyStageCount, 17},
      {"teamMode", g_match.teamMode, 0},
      {"stage", g_match.stage, 0},
      {"survivalMode", g_match.survivalMode, 0},
      {"SurvivalBossRound", SurvivalBossRound, 0},
      {"difficulty", g_options.difficulty, 1},
      {"winCount", g_options.winCount, 1},
      {"timeLimit", g_options.timeLimit, 1},
      {"effectLevel", g_options.effectLevel, 0},
      {"meleeLevel", g_options.meleeLevel, 0},
      {"stunRingDisplay", g_options.stunRingDisplay, 0},
      {"obstacleStrength", g_options.obstacleStrength, 1},
      {"musicVolume", g_options.musicVolume, 20},
      {"soundVolume", g_options.soundVolume, 19},
      {"spare 0", g_options.spare[0], 0},
      {"spare 1", g_options.spare[1], 0},
      {"windowMode", g_display.windowMode, 0},
      {"use16BitColor", g_display.use16BitColor, 0},
      {"halfRatePresent", g_display.halfRatePresent, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, c.want) << c.name;
  for (int p = 0; p < 4; ++p) {
    EXPECT_EQ(g_match.cpuFlag[p], 0);
    for (int input = 0; input < kInputCount; ++input) {
      EXPECT_EQ(HeldFrameCounts[input][p], 0);
      EXPECT_EQ(PendingPressCounts[input][p], 0);
    }
  }
}

TEST(FlowRecords, OptionsAreElevenWords) {
  // The options file is the plain image of the record: eleven 32-bit words.
  EXPECT_EQ(sizeof(OptionSettings), 44u);
  EXPECT_EQ(sizeof(DisplaySettings), 16u);
}

}  // namespace
