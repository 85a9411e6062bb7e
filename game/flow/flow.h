// What the flow offers the tools and tests beside its own scenes: the resource sets, the glyph
// sheets, the scenario scripts, the story's next stage, the survival rounds and the battle scene.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "game/battle/arena.h"
#include "game/battle/battle.h"

namespace veyrdale {

// Frees every picture and sound and loads the set of `mode`: 0 menus, 1 battle (with the arena
// maps of its stage), 2 ending. During a survival run the difficulty follows the round, the
// player's own set aside; otherwise the player's is put back and the options file read over it.
void LoadGameResources(int mode);
// Puts the player's difficulty back in the options once survival is left; nothing when no survival
// round has set one aside (or it is already back).
void RestorePlayerDifficulty();
// Whether that load starts stage `stage` of story kind `kind` (0 main, 1 extra) with the arena
// dark (ArenaBlackout 1): only a scenario command lights it again.
bool StoryStageStartsDark(int kind, int stage);

// Glyph sheets: set B always, set A unless mode is 999.
void LoadFontSheets(int mode);
void DeleteFontSheets();

// Scenario scripts: 99 when loaded, 0 when the file cannot be opened.
int LoadScenarioScript(int number);
// Interprets one page of the loaded script.
void RunScenarioScript(int number);

// The next story stage, or the end of the story after the last.
void AdvanceStoryStage();

// Prepares the next survival round, or ends the run in scene 29.
void SetupSurvivalRound();

// Scene 4, the battle: one battle frame with what it asks of the scene.
void BattleScene(int unused);
// The battle left for the title (F1 in the battle): the battle and story state cleared, the
// spell-card flags with it, the menu resources and the title music loaded, scene 0.
void ReturnToTitle();
// While StoryPreFight runs: the story's dialogue over the battle, which also steps its script.
// True when the script ends the story run.
bool DrawStoryDialogue(int shake);
// Leaves the battle for the end of the story run (scene 20): the round, freeze, dialogue and
// continue counters cleared, no computer players, the menu resources loaded, the glyph sheets and
// portraits freed.
void EndStoryRun();

// One battle frame of scene 4 after the timing: the battle's first half, the draw when the frame is
// drawn, the battle's second half; what the frame asks of the scene.
BattleOutcome RunBattleFrame();
// Whether the battle frame under way is drawn: every frame at full rate; at half rate the even
// frame counts and every frame that asks for a capture.
bool BattleFrameIsDrawn();
// One part of a drawn battle frame. A view part only reads the game and fills the battle's drawn
// frame; the others carry out what the parts before them showed and asked for. A part answers
// false when the frame ends with it (F1 leaves for the title).
struct DrawnFramePart {
  const char* name;
  bool view;
  bool (*run)();
};
// The parts of a drawn battle frame, in the order DrawBattleFrame runs them.
std::span<const DrawnFramePart> DrawnFrameParts();
// One drawn battle frame, its parts in order: the draw list, F1 (back to the title), the arena,
// then RunBattleHud; what the draw showed and worked out is carried out after each part.
void DrawBattleFrame();
// The head-up display of a drawn frame with shake offset `shake`, the draw list already built:
// its first part, the selections and the flash carried out, the story's dialogue (and the end of
// the run it asks for), the top part, the counters it showed spent, the round clock and the
// continue prompt's choice.
void RunBattleHud(int shake);
// One frame of the story's continue prompt alone: drawn, then its choice run.
void DrawContinueOverlay();

// The arena maps: ReadStageArenaMaps reads every map the round starts of arena `arena` can choose
// from into the battle's table (g_arenaMapFiles, the others forgotten); LoadGameResources does it
// for every battle. ReadArenaMap reads one map file into `image`, and LoadArenaMap writes one
// straight over the cells (the tools' way). A map that cannot be read, or ends early, is logged;
// it leaves the arena open.
void ReadStageArenaMaps(int arena);
void ReadArenaMap(const char* path, ArenaMapImage* image);
// The most ReadArenaMap reads of a map file: its header (columns and rows, two 16-bit words) and
// the cells of at most kMapColumns columns of at most 65535 rows; no byte past it is ever read.
inline constexpr size_t kMaxArenaMapBytes = 4 + size_t{kMapColumns} * 0xFFFF;
void LoadArenaMap(const char* path);
// The game path ReadStageArenaMaps reads entry n of the table from: "Resource\\Mpd\\NN.mpd".
std::string ArenaMapPath(int n);

// A story stage set up, kind 1 the extra story: its fighters (SetStoryStageFighters), then the
// portraits of its dialogue loaded slot by slot. SetupExtraStoryStage is kind 1's.
void SetupStoryStage(int stage, int kind);
void SetupExtraStoryStage(int stage);
// The story's portraits freed; the stage music started; the loading picture loaded (graph handle
// or -1), drawn and freed.
void DeletePortraits();
void PlayStageBgm(int arena, int force);
int LoadLoadingPicture();
void DrawLoadingPicture();
void DeleteLoadingPicture();

}  // namespace veyrdale
