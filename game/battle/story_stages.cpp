// The story's stage tables: who fights on each stage and what follows its dialogue.
#include "game/battle/story_stages.h"

#include <cstdint>
#include <iterator>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"

namespace veyrdale {

namespace {

constexpr int kNone = -1;  // an empty cell of a stage row

// One stage: the fighters, the portraits of the dialogue (slot 0-3, by character; the flow loads
// them), the characters
// of players 0-3, who the computer plays, the entry counters and the teams. kNone leaves a value
// as it is.
struct StageRow {
  int players;
  int portraits[4];
  int characters[4];
  int cpu[4];    // 1: the computer plays this player; kNone keeps the flag
  int entry[4];  // entryFrames; kNone keeps it
  int teams[4];  // all kNone: no teams
};

constexpr int N = kNone;

// Stages 7 and 8 and the teams of 16 and 17 depend on the route flags (see SetupMainStage).
constexpr StageRow kMainStages[18] = {
    {2, {0, 9, N, N}, {0, 9, N, N}, {N, 1, N, N}, {60, 0, N, N}, {N, N, N, N}},
    {2, {0, 1, N, N}, {0, 1, N, N}, {N, 1, N, N}, {0, 60, N, N}, {N, N, N, N}},
    {2, {0, 1, N, N}, {0, 1, N, N}, {N, 1, N, N}, {N, N, N, N}, {N, N, N, N}},
    {3, {0, 1, 2, N}, {0, 1, 2, N}, {N, 1, 1, N}, {60, 60, 0, N}, {N, N, N, N}},
    {3, {0, 1, 2, N}, {0, 1, 2, N}, {N, 1, 1, N}, {N, N, N, N}, {N, N, N, N}},
    {2, {0, 4, 9, N}, {0, 4, 9, N}, {N, 1, N, N}, {0, 60, 0, N}, {N, N, N, N}},
    {2, {0, 4, 9, N}, {0, 4, 9, N}, {N, 1, N, N}, {N, N, N, N}, {N, N, N, N}},
    {2, {0, 5, N, N}, {0, 5, N, N}, {N, 1, N, N}, {60, 0, 0, N}, {N, N, N, N}},
    {2, {0, 5, N, N}, {0, 5, N, N}, {N, 1, N, N}, {N, N, N, N}, {N, N, N, N}},
    {2, {0, 7, N, N}, {0, 7, N, N}, {N, 1, N, N}, {60, 60, 0, N}, {N, N, N, N}},
    {2, {0, 7, N, N}, {0, 7, N, N}, {N, 1, N, N}, {N, N, N, N}, {N, N, N, N}},
    {3, {0, 3, 5, N}, {0, 3, 5, N}, {N, 1, 1, N}, {60, 1, 0, N}, {0, 1, 1, N}},
    {3, {0, 3, 5, N}, {0, 3, 5, N}, {N, 1, 1, N}, {N, N, N, N}, {0, 1, 1, N}},
    {2, {0, 8, 10, N}, {0, 8, 10, N}, {N, 1, N, N}, {60, 60, 0, N}, {N, N, N, N}},
    {2, {0, 8, 10, N}, {0, 8, 10, N}, {N, 1, N, N}, {N, N, N, N}, {N, N, N, N}},
    {4, {0, 10, 9, 8}, {0, 10, 9, 8}, {N, 1, N, N}, {60, 0, 1, 60}, {N, N, N, N}},
    {3, {0, 10, 9, N}, {0, 10, 9, N}, {N, 1, 1, N}, {60, 60, 60, N}, {N, N, N, N}},
    {3, {0, 10, 9, N}, {0, 10, 9, N}, {N, 1, 1, N}, {N, N, N, N}, {N, N, N, N}},
};

constexpr StageRow kExtraStages[11] = {
    {2, {0, 3, N, N}, {0, 3, N, N}, {N, 1, N, N}, {60, 60, N, N}, {N, N, N, N}},
    {2, {0, 3, N, N}, {0, 3, N, N}, {N, 1, N, N}, {N, N, N, N}, {N, N, N, N}},
    {3, {0, 7, 2, 9}, {0, 7, 2, N}, {N, 1, 1, N}, {0, 60, 60, N}, {N, N, N, N}},
    {3, {0, 7, 2, 9}, {0, 7, 2, N}, {N, 1, 1, N}, {N, N, N, N}, {N, N, N, N}},
    {4, {0, 4, 5, 6}, {0, 4, 5, 6}, {N, 1, 1, 1}, {0, 60, 60, 60}, {0, 0, 1, 1}},
    {4, {0, 4, 5, 6}, {0, 4, 5, 6}, {N, 1, 1, 1}, {N, N, N, N}, {0, 0, 1, 1}},
    {4, {0, 10, 1, 9}, {0, 10, 1, 9}, {N, 1, 1, 1}, {60, 0, 0, 0}, {N, N, N, N}},
    {4, {0, 10, 1, 9}, {0, 10, 1, 9}, {N, 1, 1, 1}, {N, N, N, N}, {N, N, N, N}},
    {4, {0, 8, 3, 11}, {0, 8, 3, 11}, {N, 1, 1, 1}, {60, 60, 0, 0}, {0, 1, 1, 1}},
    {4, {0, 8, 3, 11}, {0, 8, 3, 11}, {N, 1, 1, 1}, {N, N, N, N}, {0, 1, 1, 1}},
    {2, {9, 9, N, N}, {9, 9, N, N}, {N, N, N, N}, {1, N, N, N}, {N, N, N, N}},
};

void ApplyStageRow(const StageRow& row) {
  g_match.playerCount = row.players;
  for (int i = 0; i < 4; ++i) {
    if (row.characters[i] != kNone) g_players[i].kind = static_cast<uint16_t>(row.characters[i]);
    if (row.cpu[i] != kNone) g_match.cpuFlag[i] = row.cpu[i];
    if (row.entry[i] != kNone) g_playerState.entryFrames[i] = row.entry[i];
  }
  if (row.teams[0] != kNone) {
    g_match.teamMode = 1;
    for (int i = 0; i < 4; ++i) {
      if (row.teams[i] != kNone) g_match.team[i] = row.teams[i];
    }
  }
}

void SetTeamsZeroOneOne() {
  g_match.teamMode = 1;
  g_match.team[0] = 0;
  g_match.team[1] = 1;
  g_match.team[2] = 1;
}

void SetupMainStage(int stage) {
  ApplyStageRow(kMainStages[stage]);
  if (stage == 7 || stage == 8) {
    // The route decides whether a third fighter joins, on player 0's opponent's side.
    if (RouteFlagA == 0 || RouteFlagB == 1) {
      RouteFlagB = 1;
      g_match.playerCount = 3;
      g_players[2].kind = 6;
      g_match.cpuFlag[2] = 1;
      SetTeamsZeroOneOne();
    }
  } else if (stage == 15) {
    if (RouteFlagA == 0 || RouteFlagC == 1) RouteFlagC = 1;
  } else if (stage == 16 || stage == 17) {
    if (RouteFlagA == 0 || RouteFlagC == 1) SetTeamsZeroOneOne();
  }
}

}  // namespace

void SetStoryStageFighters(int stage, int kind) {
  g_match.teamMode = 0;
  if (kind == 1) {
    if (stage >= 0 && stage < static_cast<int>(std::size(kExtraStages))) {
      ApplyStageRow(kExtraStages[stage]);
    }
  } else if (stage >= 0 && stage < static_cast<int>(std::size(kMainStages))) {
    SetupMainStage(stage);
  }
}

int StoryStagePortrait(int stage, int kind, int slot) {
  if (slot < 0 || slot >= 4) return kNone;
  if (kind == 1) {
    if (stage < 0 || stage >= static_cast<int>(std::size(kExtraStages))) return kNone;
    return kExtraStages[stage].portraits[slot];
  }
  if (stage < 0 || stage >= static_cast<int>(std::size(kMainStages))) return kNone;
  // The third fighter the route brings to stages 7 and 8 is shown in slot 2.
  if ((stage == 7 || stage == 8) && slot == 2 && RouteFlagB == 1) return 6;
  return kMainStages[stage].portraits[slot];
}

void InitStageTypeTable(int kind) {
  if (g_match.storyMode == 0) return;
  if (kind == 1) {
    g_match.storyStageCount = kExtraStoryStages;
    g_match.versusStageCount = 5;
    for (int i = 0; i < 32; ++i) StageTypeTable[i] = i % 2 == 0 ? 1 : 0;
  } else if (kind == 0) {
    g_match.storyStageCount = kMainStoryStages;
    g_match.versusStageCount = 8;
    for (int i = 0; i < 32; ++i) StageTypeTable[i] = i % 2 == 1 ? 1 : 2;
    StageTypeTable[0] = 3;
    StageTypeTable[15] = 3;
    StageTypeTable[16] = 1;
  }
}

int StoryStageRows(int kind) {
  if (kind == 0) return static_cast<int>(std::size(kMainStages));
  if (kind == 1) return static_cast<int>(std::size(kExtraStages));
  return 0;
}

int StageTypeOf(int stage) {
  if (stage < 0 || stage >= 32) return 1;
  return StageTypeTable[stage];
}

}  // namespace veyrdale
