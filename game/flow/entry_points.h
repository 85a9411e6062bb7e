// Entry points of the game flow that the battle calls: the resource loader, the glyph sheets, the
// scenario scripts, the story stage advance and the survival rounds. Each is defined once, by the
// library that builds it; until then veyrdale_battle_standins holds a stand-in that only records
// its calls.
#pragma once

namespace veyrdale {

// Frees every picture and sound and loads the set of `mode`: 0 menus, 1 battle, 2 ending.
void LoadGameResources(int mode);

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

}  // namespace veyrdale
