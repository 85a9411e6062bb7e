// Who enters each story stage, and in what light. A stage's set-up leaves some players absent
// (entry counter 0, not drawn in a story battle) until its dialogue brings them in with "!" n, and
// the resource loader starts some stages with the arena dark until a command of their script
// lights it. The stages are walked as the game's own set-up leaves them, in story order and on
// every route a run can take; the generator asks which players each script must bring in and which
// scripts must turn the lights on, and the checker runs the scripts of a tree with the game's own
// interpreter and names every fighter still absent, and every arena still dark, when the fight
// begins.
//
// Both walk the game's set-up state (the match, the players, the route flags, the blackout) and put
// it back as they found it. Run them before the library starts: a set-up loads portrait sheets
// otherwise.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace demo {

// One script as a stage runs it.
struct StageScript {
  int kind;          // 0 the main story, 1 the extra story
  int stage;         // the stage whose set-up it runs on, and the number it is stepped by
  int number;        // the number the game loads it by
  std::string file;  // "Resource/Srd/07n.srd"
  int fighters;      // players on the arena while it runs; 0 where it runs outside the battle
  // True when it runs in the battle on an arena the loader starts dark: the stage's own script
  // on such a stage. The fight that follows shows only what it lights.
  bool dark;
};

// Runs one script on its stage's set-up. What it leaves in the entry counters and the player
// count is carried on to the next stage when the script is the stage's own (number == stage).
using ScriptRunner = std::function<void(const StageScript&)>;

// Calls `run` for every script of the inventory that a stage runs, on every route. Returns the
// number of stages of both stories.
int WalkStoryScripts(const ScriptRunner& run);

// Per script file, the players (0-3) on the arena whose entry counter is 0 when it starts, on any
// route: those it must bring in.
const std::map<std::string, std::set<int>>& ScriptEntrants();

// The scripts that run on an arena the loader starts dark, on some route: those that must turn the
// lights on.
const std::set<std::string>& ScriptsToLight();

struct AbsentFighter {
  int kind;
  int stage;
  std::string file;
  int player;
  auto operator<=>(const AbsentFighter&) const = default;
};

struct StoryScriptAt {
  int kind;
  int stage;
  std::string file;
  auto operator<=>(const StoryScriptAt&) const = default;
};

struct StoryEntryReport {
  int stages = 0;
  std::set<AbsentFighter> absent;  // fighters whose counter is still 0 when the fight begins
  std::set<std::string> unended;   // scripts that never reached their end mark
  std::set<std::pair<int, int>> darkStages;  // kind and stage: fights the loader starts dark
  std::set<StoryScriptAt> unlit;             // scripts that leave their arena dark for the fight
  bool Passed() const { return absent.empty() && unended.empty() && unlit.empty(); }
};

// Runs every stage's set-up and its scripts from Resource/Srd of the working folder, stepped as
// the battle's pre-fight phase steps them (the counters of entering players rising every frame,
// the reader holding the fast-reading button), up to the fight; a dark script starts from the
// blackout the loader sets. A script the game cannot load brings nobody in and lights nothing.
StoryEntryReport CheckStoryEntries();

// One line per absent fighter ("never brought in: main stage 1 (Resource/Srd/01.srd): player 0")
// and per unended script, then "story stages: N, fighters never brought in: M"; one line per
// script that leaves its arena dark ("never lit: extra stage 8 (Resource/Srd/ex108.srd)"), then
// "dark stages: D, lit by their script: L".
std::vector<std::string> StoryEntryLines(const StoryEntryReport& report);

}  // namespace demo
