// Story stage set-up, the stage-type table, the stage music and the loading picture.
#include <climits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/story_stages.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/flow/flow.h"
#include "game/flow/stage_media.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;
using testsupport::ResetBattleState;

constexpr int kKept = 7;  // a portrait handle value no load writes

struct SetupCase {
  const char* name;
  int kind;
  int stage;
  int routeA, routeB, routeC;
  int players;
  std::vector<int> characters;
  std::vector<int> cpu;    // flags of players 0-3 after, from all 0 before
  std::vector<int> entry;  // entryFrames of players 0-3 after, from all 5 before
  int teamMode;
  std::vector<int> teams;
  int portraitSlots;  // slots 0 .. n-1 reloaded
  int routeBAfter, routeCAfter;
};

TEST(StoryStage, SetupByStageKindAndRoute) {
  const SetupCase cases[] = {
      {"main 0", 0, 0, 0, 0, 0, 2, {0, 9}, {0, 1, 0, 0}, {60, 0, 5, 5}, 0, {}, 2, 0, 0},
      {"main 3", 0, 3, 0, 0, 0, 3, {0, 1, 2}, {0, 1, 1, 0}, {60, 60, 0, 5}, 0, {}, 3, 0, 0},
      {"main 4", 0, 4, 0, 0, 0, 3, {0, 1, 2}, {0, 1, 1, 0}, {5, 5, 5, 5}, 0, {}, 3, 0, 0},
      {"main 5 shows three",
       0,
       5,
       0,
       0,
       0,
       2,
       {0, 4, 9},
       {0, 1, 0, 0},
       {0, 60, 0, 5},
       0,
       {},
       3,
       0,
       0},
      {"main 7 third fighter",
       0,
       7,
       0,
       0,
       0,
       3,
       {0, 5, 6},
       {0, 1, 1, 0},
       {60, 0, 0, 5},
       1,
       {0, 1, 1},
       3,
       1,
       0},
      {"main 7 alone", 0, 7, 1, 0, 0, 2, {0, 5}, {0, 1, 0, 0}, {60, 0, 0, 5}, 0, {}, 2, 0, 0},
      {"main 8 route B kept",
       0,
       8,
       1,
       1,
       0,
       3,
       {0, 5, 6},
       {0, 1, 1, 0},
       {5, 5, 5, 5},
       1,
       {0, 1, 1},
       3,
       1,
       0},
      {"main 11 teams",
       0,
       11,
       0,
       0,
       0,
       3,
       {0, 3, 5},
       {0, 1, 1, 0},
       {60, 1, 0, 5},
       1,
       {0, 1, 1},
       3,
       0,
       0},
      {"main 15 sets route C",
       0,
       15,
       0,
       0,
       0,
       4,
       {0, 10, 9, 8},
       {0, 1, 0, 0},
       {60, 0, 1, 60},
       0,
       {},
       4,
       0,
       1},
      {"main 15 leaves route C",
       0,
       15,
       1,
       0,
       0,
       4,
       {0, 10, 9, 8},
       {0, 1, 0, 0},
       {60, 0, 1, 60},
       0,
       {},
       4,
       0,
       0},
      {"main 16 alone",
       0,
       16,
       1,
       0,
       0,
       3,
       {0, 10, 9},
       {0, 1, 1, 0},
       {60, 60, 60, 5},
       0,
       {},
       3,
       0,
       0},
      {"main 17 teams by route C",
       0,
       17,
       1,
       0,
       1,
       3,
       {0, 10, 9},
       {0, 1, 1, 0},
       {5, 5, 5, 5},
       1,
       {0, 1, 1},
       3,
       0,
       1},
      {"extra 0", 1, 0, 0, 0, 0, 2, {0, 3}, {0, 1, 0, 0}, {60, 60, 5, 5}, 0, {}, 2, 0, 0},
      {"extra 2 four portraits",
       1,
       2,
       0,
       0,
       0,
       3,
       {0, 7, 2},
       {0, 1, 1, 0},
       {0, 60, 60, 5},
       0,
       {},
       4,
       0,
       0},
      {"extra 5 teams",
       1,
       5,
       0,
       0,
       0,
       4,
       {0, 4, 5, 6},
       {0, 1, 1, 1},
       {5, 5, 5, 5},
       1,
       {0, 0, 1, 1},
       4,
       0,
       0},
      {"extra 8 teams",
       1,
       8,
       0,
       0,
       0,
       4,
       {0, 8, 3, 11},
       {0, 1, 1, 1},
       {60, 60, 0, 0},
       1,
       {0, 1, 1, 1},
       4,
       0,
       0},
      {"extra 10 sets no computer",
       1,
       10,
       0,
       0,
       0,
       2,
       {9, 9},
       {0, 0, 0, 0},
       {1, 5, 5, 5},
       0,
       {},
       2,
       0,
       0},
  };
  for (const SetupCase& c : cases) {
    SCOPED_TRACE(c.name);
    ResetBattleState();
    RouteFlagA = static_cast<uint8_t>(c.routeA);
    RouteFlagB = static_cast<uint8_t>(c.routeB);
    RouteFlagC = static_cast<uint8_t>(c.routeC);
    g_match.teamMode = 1;
    for (int p = 0; p < 4; ++p) {
      g_match.team[p] = 1;
      g_playerState.entryFrames[p] = 5;
      g_players[p].kind = 15;
      for (int i = 0; i < 10; ++i) PortraitHandles[p][i] = kKept;
    }
    SetupStoryStage(c.stage, c.kind);
    EXPECT_EQ(g_match.playerCount, c.players);
    for (size_t p = 0; p < c.characters.size(); ++p) EXPECT_EQ(g_players[p].kind, c.characters[p]);
    for (int p = 0; p < 4; ++p) {
      EXPECT_EQ(g_match.cpuFlag[p], c.cpu[p]) << p;
      EXPECT_EQ(g_playerState.entryFrames[p], c.entry[p]) << p;
      // A failed sheet leaves its slot empty, never the old handles.
      EXPECT_EQ(PortraitHandles[p][9], p < c.portraitSlots ? -1 : kKept) << p;
    }
    EXPECT_EQ(g_match.teamMode, c.teamMode);
    for (size_t p = 0; p < c.teams.size(); ++p) EXPECT_EQ(g_match.team[p], c.teams[p]);
    EXPECT_EQ(RouteFlagB, c.routeBAfter);
    EXPECT_EQ(RouteFlagC, c.routeCAfter);
  }
}

TEST(StoryStage, ExtraStage10KeepsTheComputerFlag) {
  ResetBattleState();
  g_match.cpuFlag[1] = 1;
  SetupStoryStage(10, 1);
  EXPECT_EQ(g_match.cpuFlag[1], 1);
}

TEST(StoryStage, StagesOutsideTheTablesOnlyResetTheTeamMode) {
  struct Case {
    int stage;
    int kind;
  } cases[] = {{18, 0}, {-1, 0}, {1000, 0}, {INT_MIN, 0}, {11, 1}, {-5, 1}, {INT_MAX, 1}};
  for (const Case& c : cases) {
    ResetBattleState();
    g_match.teamMode = 1;
    g_match.playerCount = 4;
    g_players[1].kind = 12;
    PortraitHandles[0][0] = kKept;
    SetupStoryStage(c.stage, c.kind);
    EXPECT_EQ(g_match.teamMode, 0) << c.stage;
    EXPECT_EQ(g_match.playerCount, 4);
    EXPECT_EQ(g_players[1].kind, 12);
    EXPECT_EQ(PortraitHandles[0][0], kKept);
    EXPECT_EQ(IndexMisses, 0);
  }
}

TEST(StoryStage, DeletedPortraitsAreEmpty) {
  ResetBattleState();
  for (auto& slot : PortraitHandles) {
    for (int32_t& handle : slot) handle = 0x00120034;
  }
  DeletePortraits();
  for (auto& slot : PortraitHandles) {
    for (int32_t handle : slot) EXPECT_EQ(handle, -1);
  }
}

TEST(StoryStage, StageTypesByKind) {
  struct Case {
    int storyMode;
    int kind;
    std::vector<int> types;  // entries 0, 1, 2, 15, 16, 17, 30, 31
    int stageCount;
    int versusCount;
  } cases[] = {
      {1, 0, {3, 1, 2, 3, 1, 1, 2, 1}, 17, 8},
      {1, 1, {1, 0, 1, 0, 1, 0, 1, 0}, 9, 5},
      {1, 2, {-4, -4, -4, -4, -4, -4, -4, -4}, 40, 40},
      {0, 0, {-4, -4, -4, -4, -4, -4, -4, -4}, 40, 40},
  };
  const int entries[] = {0, 1, 2, 15, 16, 17, 30, 31};
  for (const Case& c : cases) {
    ResetBattleState();
    for (int32_t& type : StageTypeTable) type = -4;
    g_match.storyStageCount = g_match.versusStageCount = 40;
    g_match.storyMode = c.storyMode;
    InitStageTypeTable(c.kind);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(StageTypeTable[entries[i]], c.types[i]) << entries[i];
    EXPECT_EQ(g_match.storyStageCount, c.stageCount);
    EXPECT_EQ(g_match.versusStageCount, c.versusCount);
  }
  // A stage outside the table leads to a fight.
  ResetBattleState();
  g_match.storyMode = 1;
  InitStageTypeTable(0);
  for (int stage : {-1, 32, 1000, INT_MIN}) EXPECT_EQ(StageTypeOf(stage), 1) << stage;
  EXPECT_EQ(StageTypeOf(15), 3);
}

TEST(StageMusic, PathByArenaStoryAndForce) {
  struct Case {
    int storyMode;
    int kind;
    int stage;
    int arena;
    int force;
    const char* path;  // null: none
  } cases[] = {
      {0, 0, 0, 0, 0, "03"},
      {0, 0, 0, 1, 0, "04"},
      {0, 0, 0, 2, 0, "05"},
      {0, 0, 0, 3, 0, "06"},
      {0, 0, 0, 4, 0, "08"},
      {0, 0, 0, 5, 0, "07"},
      {0, 0, 0, 6, 0, "09"},
      {0, 0, 0, 7, 0, "10"},
      {0, 0, 0, 8, 0, "14"},
      {0, 0, 0, 9, 0, "15"},
      {0, 0, 0, 10, 0, nullptr},
      {0, 0, 0, -1, 0, nullptr},
      {0, 1, 6, 4, 0, "11"},
      {0, 0, 6, 4, 0, "08"},
      {0, 0, 16, 7, 0, "11"},
      // In the story, forced: by arena as outside it.
      {1, 1, 6, 4, 1, "11"},
      {1, 0, 16, 7, 1, "11"},
      {1, 0, 3, 1, 1, "04"},
      {1, 0, 3, 12, 1, nullptr},
      // Main story.
      {1, 0, 3, 0, 0, "27"},
      {1, 0, 3, 1, 0, nullptr},
      {1, 0, 3, 2, 0, "21"},
      {1, 0, 3, 3, 0, "22"},
      {1, 0, 3, 4, 0, "22"},
      {1, 0, 3, 5, 0, "24"},
      {1, 0, 15, 6, 0, "23"},
      {1, 0, 14, 6, 0, "25"},
      {1, 0, 3, 7, 0, "23"},
      {1, 0, 3, 8, 0, nullptr},
      {1, 0, 3, 9, 0, nullptr},
      // Extra story.
      {1, 1, 3, 0, 0, nullptr},
      {1, 1, 3, 3, 0, "22"},
      {1, 1, 6, 4, 0, "23"},
      {1, 1, 7, 4, 0, "22"},
      {1, 1, 3, 5, 0, "24"},
      {1, 1, 3, 6, 0, nullptr},
      {1, 1, 3, 7, 0, "23"},
      {1, 1, 3, 8, 0, "26"},
      {1, 1, 3, 9, 0, nullptr},
      // Another story kind.
      {1, 2, 3, 3, 0, nullptr},
      {1, 2, 3, 3, 1, "06"},
      {2, 0, 3, 0, 0, "27"},
  };
  for (const Case& c : cases) {
    ResetBattleState();
    g_match.storyMode = c.storyMode;
    g_match.storyKind = c.kind;
    g_match.storyStage = c.stage;
    const char* path = StageBgmPath(c.arena, c.force);
    SCOPED_TRACE(std::to_string(c.storyMode) + " " + std::to_string(c.kind) + " " +
                 std::to_string(c.stage) + " " + std::to_string(c.arena));
    if (c.path == nullptr) {
      EXPECT_EQ(path, nullptr);
    } else {
      ASSERT_NE(path, nullptr);
      EXPECT_EQ(std::string(path), std::string("Resource\\Bgm\\") + c.path + ".bgm");
    }
  }
}

TEST(LoadingPicture, NumberNeverNegative) {
  struct Case {
    int draw;
    int frameCount;
    int number;
  } cases[] = {{0, 0, 0},        {31, 0, 2},       {7, 100, 20},
               {31, INT_MAX, 9}, {0, INT_MIN, 21}, {30, INT_MIN, 22}};
  for (const Case& c : cases) {
    EXPECT_EQ(LoadingPictureNumber(c.draw, c.frameCount), c.number) << c.frameCount;
  }
}

TEST(LoadingPicture, AFailedLoadAndADeleteLeaveNone) {
  ResetBattleState();
  FrameCount = INT_MAX;
  LoadingPicture = 99;
  EXPECT_EQ(LoadLoadingPicture(), -1);
  EXPECT_EQ(LoadingPicture, -1);
  LoadingPicture = 0x00120034;
  DeleteLoadingPicture();
  EXPECT_EQ(LoadingPicture, -1);
}

}  // namespace
