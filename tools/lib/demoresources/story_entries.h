// Who enters each story stage, in what light, and who speaks. A stage's set-up leaves some players
// absent (entry counter 0, not drawn in a story battle) until its dialogue brings them in with "!"
// n, the resource loader starts some stages with the arena dark until a command of their script
// lights it, and the set-up loads the portrait sheets of only some speakers: a page whose speaker
// has no sheet shows nobody. The stages are walked as the game's own set-up leaves them, in story
// order and on every route a run can take; the generator asks which players each script must
// bring in, which scripts must turn the lights on and which portraits each may show, and the
// checker runs the scripts of a tree with the game's own interpreter and names every fighter still
// absent, and every arena still dark, when the fight begins, and every page whose speaker has no
// picture.
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
  // False for the story's end, whose pages show their text alone; the others show the speakers'
  // portraits, of the sheets in `portraits` (0-3, as the speaker command's P and A-C name them),
  // those the stage's set-up loaded.
  bool portraitsShown;
  std::set<int> portraits;
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

// Per script file that shows portraits, the portrait sheets (0-3) its stage loads on every route:
// those its speakers may name.
const std::map<std::string, std::set<int>>& ScriptPortraits();

// The letter a speaker command names portrait `portrait` by: P for 0, A-J for 1-10; any other
// value is the letter's own byte.
char PortraitLetter(int portrait);

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

// A page whose speaker names a portrait the stage has no sheet for: the page shows nobody.
struct SpeakerWithoutPicture {
  int kind;
  int stage;
  std::string file;
  int page;      // 1 on, as the reader sees them: an entrance ("!" n, "$" n) keeps the page shown
  int slot;      // the speaker's place, 1 or 2 as the speaker command names it
  int portrait;  // what the command set there (PortraitLetter)
  auto operator<=>(const SpeakerWithoutPicture&) const = default;
};

struct StoryEntryReport {
  int stages = 0;
  std::set<AbsentFighter> absent;  // fighters whose counter is still 0 when the fight begins
  std::set<std::string> unended;   // scripts that never reached their end mark
  std::set<std::pair<int, int>> darkStages;  // kind and stage: fights the loader starts dark
  std::set<StoryScriptAt> unlit;             // scripts that leave their arena dark for the fight
  std::set<SpeakerWithoutPicture> speakersWithoutPicture;
  bool Passed() const {
    return absent.empty() && unended.empty() && unlit.empty() && speakersWithoutPicture.empty();
  }
};

// Runs every stage's set-up and its scripts from Resource/Srd of the working folder, stepped as
// the battle's pre-fight phase steps them (the counters of entering players rising every frame,
// the reader holding the fast-reading button), up to the fight; a dark script starts from the
// blackout the loader sets. A script the game cannot load brings nobody in, lights nothing and
// shows no page. Every page shown is asked for its speaker.
StoryEntryReport CheckStoryEntries();

// One line per absent fighter ("never brought in: main stage 1 (Resource/Srd/01.srd): player 0")
// and per unended script, then "story stages: N, fighters never brought in: M"; one line per
// script that leaves its arena dark ("never lit: extra stage 8 (Resource/Srd/ex108.srd)"), then
// "dark stages: D, lit by their script: L".
std::vector<std::string> StoryEntryLines(const StoryEntryReport& report);

// One line per page whose speaker has no picture ("speaker without a picture: extra stage 10
// (Resource/Srd/ex110b.srd) page 2: speaker 2 (portrait B)"), then "speakers without a picture:
// N".
std::vector<std::string> SpeakerLines(const StoryEntryReport& report);

}  // namespace demo
