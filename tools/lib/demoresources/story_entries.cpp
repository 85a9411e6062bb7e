#include "tools/lib/demoresources/story_entries.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "game/battle/battle.h"
#include "game/battle/story_stages.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/flow/flow.h"
#include "game/flow/glyph_text.h"
#include "game/flow/scenario.h"
#include "tools/lib/demoresources/inventory.h"

namespace demo {

namespace {

using namespace veyrdale;

// The pre-fight phase counts from 1 to 118 before it runs a stage's first page, raising the
// counters of entering players every frame: one the set-up started at 1 has entered by then.
constexpr int kFramesBeforeFirstPage = 117;
// Far more frames than any script of the tree takes with the fast-reading button held.
constexpr int kFrameLimit = 20000;

// Everything a walk changes outside the scenario's own state, put back when it ends.
class SetupStateGuard {
 public:
  SetupStateGuard()
      : match_(g_match),
        state_(g_playerState),
        routes_{RouteFlagA, RouteFlagB, RouteFlagC},
        blackout_(ArenaBlackout),
        roundWinner_(RoundWinner),
        fadeCapture_(FadeCaptureRequest) {
    std::copy(std::begin(g_players), std::end(g_players), players_);
    std::memcpy(stageTypes_, StageTypeTable, sizeof stageTypes_);
    std::memcpy(portraits_, PortraitHandles, sizeof portraits_);
    std::memcpy(held_, HeldFrameCounts, sizeof held_);
  }
  ~SetupStateGuard() {
    g_match = match_;
    g_playerState = state_;
    RouteFlagA = routes_[0];
    RouteFlagB = routes_[1];
    RouteFlagC = routes_[2];
    ArenaBlackout = blackout_;
    RoundWinner = roundWinner_;
    FadeCaptureRequest = fadeCapture_;
    std::copy(std::begin(players_), std::end(players_), g_players);
    std::memcpy(StageTypeTable, stageTypes_, sizeof stageTypes_);
    std::memcpy(PortraitHandles, portraits_, sizeof portraits_);
    std::memcpy(HeldFrameCounts, held_, sizeof held_);
  }
  SetupStateGuard(const SetupStateGuard&) = delete;
  SetupStateGuard& operator=(const SetupStateGuard&) = delete;

 private:
  MatchSetup match_;
  PlayerBattleState state_;
  uint8_t routes_[3];
  uint8_t blackout_;
  int32_t roundWinner_;
  uint8_t fadeCapture_;
  BattleObject players_[kPlayerCount];
  int32_t stageTypes_[32];
  int32_t portraits_[4][10];
  int32_t held_[kInputCount][4];
};

// A story as the story menu starts it.
void StartStory(int kind) {
  g_match = MatchSetup{};
  g_match.storyMode = 1;
  g_match.storyKind = kind;
  g_playerState = PlayerBattleState{};
  RouteFlagA = RouteFlagB = RouteFlagC = 0;
  InitStageTypeTable(kind);
}

// The scripts the battle may load on a stage, the stage's own last.
std::vector<int> ScriptNumbers(int kind, int stage) {
  std::vector<int> numbers;
  if (kind == 1) numbers.push_back(stage + kLostFightScripts);
  if (kind == 0 && stage == kSecondFightLostStage) numbers.push_back(kSecondFightLostScript);
  numbers.push_back(stage);
  return numbers;
}

// The tree's file of a script under the current route flags, as the game names it.
std::string TreeFile(int number, int kind) {
  char name[48];
  if (!ScenarioFileName(number, kind, RouteFlagA, RouteFlagB, name, sizeof name)) return "";
  std::string file = name;
  std::replace(file.begin(), file.end(), '\\', '/');
  return file;
}

// One pre-fight frame's count: every entering or present player's counter rises.
void CountEntryFrame() {
  for (int32_t& entry : g_playerState.entryFrames) {
    if (entry > 0) ++entry;
  }
}

// The pages of a script as the reader sees them, each asked for its speaker after every run of
// the interpreter that shows it.
class PageWatch {
 public:
  PageWatch(const StageScript& s, StoryEntryReport* report) : script_(s), report_(report) {}

  // After a run of the interpreter from `from`.
  void Ran(int from) {
    if (ScriptReadPointer == from) return;  // nothing read: the page stays as it was
    // A run that stops right after an entrance ("!" n, "$" n) leaves the page before shown.
    const int end = ScriptReadPointer;
    const bool entrance =
        end >= 2 && (ScriptBuffer[end - 2] == '!' || ScriptBuffer[end - 2] == '$');
    if (page_ == 0 || !entrance) ++page_;
    if (!script_.portraitsShown) return;
    const int slot = SpeakerSlot;
    if (slot < 0 || slot > 1 || PortraitSlots[slot] == kNoPortrait) return;  // nobody speaks
    // The dialogue draws the speaker from the sheet of its cell, one the set-up loaded or none.
    const int cell = PortraitCell(slot);
    if (cell >= 0 && script_.portraits.count(cell / 10) != 0) return;
    report_->speakersWithoutPicture.insert(
        {script_.kind, script_.stage, script_.file, page_, slot + 1, PortraitSlots[slot]});
  }

 private:
  const StageScript& script_;
  StoryEntryReport* report_;
  int page_ = 0;
};

// Loads the script, lets the pre-fight frames run, shows its first page and steps it to its end
// as the battle does, then notes every fighter still absent and an arena still dark; every page
// shown on the way is asked for its speaker.
void RunToTheFight(const StageScript& s, StoryEntryReport* report) {
  g_match.storyStage = s.stage;
  ArenaBlackout = s.dark ? 1 : 0;
  if (LoadScenarioScript(s.number) != 0) {
    for (int f = 0; f < kFramesBeforeFirstPage; ++f) CountEntryFrame();
    RoundWinner = 1;  // where the script's end reports the winner, the fight has one
    PageWatch pages(s, report);
    RunScenarioScript(s.stage);
    pages.Ran(0);
    bool ended = false;
    for (int f = 0; f < kFrameLimit && !ended; ++f) {
      CountEntryFrame();
      HeldFrameCounts[kInputButton3][0] = 1;
      const int from = ScriptReadPointer;
      ended = StepScenario(s.stage) != 0;
      pages.Ran(from);
    }
    if (!ended) report->unended.insert(s.file);
  }
  // A script may change the player count: the fight has as many as it leaves.
  const int fighters = s.fighters > 0 ? PlayerCountUpToFour() : 0;
  for (int p = 0; p < fighters; ++p) {
    if (g_playerState.entryFrames[p] == 0) report->absent.insert({s.kind, s.stage, s.file, p});
  }
  if (s.dark) {
    report->darkStages.insert({s.kind, s.stage});
    if (ArenaBlackout != 0) report->unlit.insert({s.kind, s.stage, s.file});
  }
}

// "extra stage 8 (Resource/Srd/ex108.srd)"
std::string StageText(int kind, int stage, const std::string& file) {
  return std::string(kind == 0 ? "main" : "extra") + " stage " + std::to_string(stage) + " (" +
         file + ")";
}

}  // namespace

int WalkStoryScripts(const ScriptRunner& run) {
  SetupStateGuard guard;
  std::set<std::string> tree;
  for (const DemoScript& s : DemoScripts()) tree.insert(s.file);
  int stages = 0;
  for (int kind : {0, 1}) {
    const int rows = StoryStageRows(kind);
    stages += rows;
    // A continue sets route flag A for the rest of the run: before any stage's set-up, or never.
    for (int continueAt = 0; continueAt <= rows; ++continueAt) {
      StartStory(kind);
      for (int stage = 0; stage < rows; ++stage) {
        if (stage == continueAt) RouteFlagA = 1;
        g_match.storyStage = stage;
        SetupStoryStage(stage, kind);
        DeletePortraits();
        // The sheets the set-up loaded: before the library starts it loads none, so ask whom it
        // would have loaded.
        std::set<int> portraits;
        for (int slot = 0; slot < 4; ++slot) {
          if (StoryStagePortrait(stage, kind, slot) >= 0) portraits.insert(slot);
        }
        // From the story's stage count on come its ending and epilogue, outside the battle; the
        // ending shows its text without portraits.
        const int fighters = stage < g_match.storyStageCount ? PlayerCountUpToFour() : 0;
        const bool portraitsShown = stage != g_match.storyStageCount;
        const PlayerBattleState setUp = g_playerState;
        const int32_t players = g_match.playerCount;
        bool ownRan = false;
        for (int number : ScriptNumbers(kind, stage)) {
          const std::string file = TreeFile(number, kind);
          g_playerState = setUp;
          g_match.playerCount = players;
          if (tree.count(file) == 0) continue;
          // Only the stage's own script follows the loader's set-up of the stage.
          const bool dark = fighters > 0 && number == stage && StoryStageStartsDark(kind, stage);
          run({kind, stage, number, file, fighters, dark, portraitsShown, portraits});
          ownRan = number == stage;
        }
        if (!ownRan) {
          g_playerState = setUp;
          g_match.playerCount = players;
        }
      }
    }
  }
  return stages;
}

namespace {

// What the generator's scripts must do, from one walk of every stage on every route: the players
// each must bring in, those that must turn the lights on, and the portraits each may show.
struct ScriptDuties {
  std::map<std::string, std::set<int>> entrants;
  std::set<std::string> toLight;
  std::map<std::string, std::set<int>> portraits;
};

const ScriptDuties& Duties() {
  static const ScriptDuties duties = [] {
    ScriptDuties out;
    WalkStoryScripts([&](const StageScript& s) {
      if (s.dark) out.toLight.insert(s.file);
      if (s.portraitsShown) {
        // Only what every route loads.
        const auto [at, first] = out.portraits.emplace(s.file, s.portraits);
        if (!first) {
          std::erase_if(at->second, [&](int p) { return s.portraits.count(p) == 0; });
        }
      }
      std::set<int>& players = out.entrants[s.file];
      for (int p = 0; p < s.fighters; ++p) {
        int32_t& entry = g_playerState.entryFrames[p];
        if (entry != 0) continue;
        players.insert(p);
        entry = 1;  // what "!" n starts the counter at
      }
    });
    return out;
  }();
  return duties;
}

}  // namespace

const std::map<std::string, std::set<int>>& ScriptEntrants() {
  return Duties().entrants;
}

const std::set<std::string>& ScriptsToLight() {
  return Duties().toLight;
}

const std::map<std::string, std::set<int>>& ScriptPortraits() {
  return Duties().portraits;
}

char PortraitLetter(int portrait) {
  if (portrait == 0) return 'P';
  if (portrait >= 1 && portrait <= 10) return static_cast<char>('A' + portrait - 1);
  return static_cast<char>(portrait);
}

StoryEntryReport CheckStoryEntries() {
  StoryEntryReport report;
  report.stages = WalkStoryScripts([&](const StageScript& s) { RunToTheFight(s, &report); });
  return report;
}

std::vector<std::string> StoryEntryLines(const StoryEntryReport& report) {
  std::vector<std::string> lines;
  for (const AbsentFighter& a : report.absent) {
    lines.push_back("never brought in: " + StageText(a.kind, a.stage, a.file) + ": player " +
                    std::to_string(a.player));
  }
  for (const std::string& file : report.unended) lines.push_back("script never ends: " + file);
  lines.push_back("story stages: " + std::to_string(report.stages) +
                  ", fighters never brought in: " + std::to_string(report.absent.size()));
  std::set<std::pair<int, int>> unlitStages;
  for (const StoryScriptAt& s : report.unlit) {
    lines.push_back("never lit: " + StageText(s.kind, s.stage, s.file));
    unlitStages.insert({s.kind, s.stage});
  }
  lines.push_back(
      "dark stages: " + std::to_string(report.darkStages.size()) +
      ", lit by their script: " + std::to_string(report.darkStages.size() - unlitStages.size()));
  return lines;
}

std::vector<std::string> SpeakerLines(const StoryEntryReport& report) {
  std::vector<std::string> lines;
  for (const SpeakerWithoutPicture& s : report.speakersWithoutPicture) {
    lines.push_back("speaker without a picture: " + StageText(s.kind, s.stage, s.file) + " page " +
                    std::to_string(s.page) + ": speaker " + std::to_string(s.slot) + " (portrait " +
                    PortraitLetter(s.portrait) + ")");
  }
  lines.push_back("speakers without a picture: " +
                  std::to_string(report.speakersWithoutPicture.size()));
  return lines;
}

}  // namespace demo
