// The set-up of a match: who plays, with which characters' colours and settings, in which arena,
// and whether a story or survival run is in progress.
//
// The selection scenes fill it, the battle, the results and the story read it. Nothing resets it
// as a whole: each scene resets the fields it starts. The characters themselves live in the
// `kind` field of the player records of the battle.
#pragma once

#include <cstdint>

namespace veyrdale {

// The stages of each story, as the story's stage count holds them while it runs: the run ends
// after its last one.
constexpr int32_t kMainStoryStages = 17;
constexpr int32_t kExtraStoryStages = 9;

// The arenas a match can be fought in, 0 to kArenaCount - 1 (`stage` below). Every table with a
// row per arena is checked against it where it is written.
constexpr int kArenaCount = 10;

struct MatchSetup {
  int32_t playerCount = 4;  // 1 to 4
  int32_t cpuFlag[4] = {};  // 1: the computer plays this player
  int32_t characterCursor[4] = {};
  int32_t colourSlot[4] = {};       // colour variant 0 to 7
  int32_t colourTaken[16][8] = {};  // [character][colour slot]: held by a decided player
  int32_t selectState[4] = {};      // 0 idle, 1 choosing, 2 computer being chosen, 3/4 decided
  uint8_t settingsPanelOpen[4] = {};
  uint8_t settingsRow[4] = {};      // 0 start gauge level, 1 handicap
  int32_t startGaugeLevel[4] = {};  // 0 to 2
  int32_t handicap[4] = {};         // 0 to 4, 2 is even
  int32_t teamMode = 0;             // 0 free for all, 1 two teams
  int32_t team[4] = {};             // 0 or 1
  int32_t stage = 0;                // the arena number
  int32_t versusStageCount = 8;
  int32_t storyStageCount = kMainStoryStages;
  int32_t storyMode = 0;
  int32_t storyStage = 0;
  int32_t storyKind = 0;  // 0 main story, 1 extra story
  int32_t survivalMode = 0;
};

extern MatchSetup g_match;

// The player count as a loop bound. A script may push playerCount anywhere; no loop over players
// ever goes past four. The set-up steps take 0-4 players, the battle always has 1-4.
inline int PlayerCountUpToFour() {
  return g_match.playerCount < 0 ? 0 : (g_match.playerCount > 4 ? 4 : g_match.playerCount);
}
inline int PlayersInPlay() {
  return g_match.playerCount < 1 ? 1 : (g_match.playerCount > 4 ? 4 : g_match.playerCount);
}

// 1 in the survival rounds with fixed opponents; the battle then keeps players 1 to 3 powered up.
extern int32_t SurvivalBossRound;

// The survival run's opponents so far (one flag per character) and the next arena of its cycle;
// both start again with every run.
extern int32_t SurvivalOpponentUsed[16];
extern int32_t SurvivalArenaCycle;
// The last row drawn from the pair or triple table of the survival run (0 at program start): the
// next draw of the same value takes the row beside it.
extern int32_t SurvivalLastPick;
// Frames until the survival result leaves for the character selection; 0 idle.
extern int32_t SurvivalLeaveCountdown;

}  // namespace veyrdale
