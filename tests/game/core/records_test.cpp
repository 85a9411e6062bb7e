#include <cstring>

#include <gtest/gtest.h>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"

namespace {

using namespace veyrdale;

// The records as the program starts, copied while it loads, before any test of the process has
// read or chosen anything: every one of them starts as a constant, set before any code runs.
struct StartRecords {
  StartRecords() {
    std::memcpy(held, HeldFrameCounts, sizeof held);
    std::memcpy(pending, PendingPressCounts, sizeof pending);
  }
  int32_t sceneId = SceneId;
  int32_t sceneFrame = SceneFrame;
  int32_t freezeFrames = FreezeFrames;
  int32_t survivalBossRound = SurvivalBossRound;
  MatchSetup match = g_match;
  OptionSettings options = g_options;
  DisplaySettings display = g_display;
  int32_t held[kInputCount][4];
  int32_t pending[kInputCount][4];
};
const StartRecords kStart;

// The values before anything is read or chosen.
TEST(FlowRecords, StartValues) {
  struct Case {
    const char* name;
    int64_t value;
    int64_t want;
  } cases[] = {
      {"SceneId", kStart.sceneId, 9},
      {"SceneFrame", kStart.sceneFrame, 0},
      {"FreezeFrames", kStart.freezeFrames, 0},
      {"playerCount", kStart.match.playerCount, 4},
      {"versusStageCount", kStart.match.versusStageCount, 8},
      {"storyStageCount", kStart.match.storyStageCount, 17},
      {"teamMode", kStart.match.teamMode, 0},
      {"stage", kStart.match.stage, 0},
      {"survivalMode", kStart.match.survivalMode, 0},
      {"SurvivalBossRound", kStart.survivalBossRound, 0},
      {"difficulty", kStart.options.difficulty, 1},
      {"winCount", kStart.options.winCount, 1},
      {"timeLimit", kStart.options.timeLimit, 1},
      {"effectLevel", kStart.options.effectLevel, 0},
      {"meleeLevel", kStart.options.meleeLevel, 0},
      {"stunRingDisplay", kStart.options.stunRingDisplay, 0},
      {"obstacleStrength", kStart.options.obstacleStrength, 1},
      {"musicVolume", kStart.options.musicVolume, 20},
      {"soundVolume", kStart.options.soundVolume, 19},
      {"spare 0", kStart.options.spare[0], 0},
      {"spare 1", kStart.options.spare[1], 0},
      {"windowMode", kStart.display.windowMode, 0},
      {"use16BitColor", kStart.display.use16BitColor, 0},
      {"halfRatePresent", kStart.display.halfRatePresent, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, c.want) << c.name;
  for (int p = 0; p < 4; ++p) {
    EXPECT_EQ(kStart.match.cpuFlag[p], 0);
    for (int input = 0; input < kInputCount; ++input) {
      EXPECT_EQ(kStart.held[input][p], 0);
      EXPECT_EQ(kStart.pending[input][p], 0);
    }
  }
}

TEST(FlowRecords, OptionsAreElevenWords) {
  // The options file is the plain image of the record: eleven 32-bit words.
  EXPECT_EQ(sizeof(OptionSettings), 44u);
  EXPECT_EQ(sizeof(DisplaySettings), 16u);
}

}  // namespace
