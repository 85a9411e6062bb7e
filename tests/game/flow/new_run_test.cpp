// A new run begins as after a fresh start whichever way the last one went back to the title: a
// game over, a story's ending with its credits (and the unlock picture or the extra story's
// epilogue after them), survival's result and a versus match's statistics (back through the
// menus), and the end of the demonstration (F1's own clear is BattleDraw's). Each last run is
// played from the title through the real scenes, with spell cards declared and its end forced;
// the new run is a main story, taken to its first fight.
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/field_table.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "tests/game/flow/result_harness.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace veyrdale;
using testsupport::kB1;
using testsupport::kB2;
using testsupport::kB3;
using testsupport::kDown;
using testsupport::KnockOut;
using testsupport::kRight;
using testsupport::Pads;

constexpr int kKeyF2 = 60;

// Every element of the field table (records, per-player arrays, globals), by its name.
using TableValues = std::map<std::string, std::string>;

std::string ElementText(void* at, FieldType type) {
  const FieldValue v = ReadField(FieldRef{at, type});
  return v.isFloat ? std::to_string(v.real) : std::to_string(v.integer);
}

TableValues ReadTable() {
  TableValues out;
  for (const GlobalField& g : GlobalFields()) {
    const int width = FieldWidth(g.type);
    for (int i = 0; i < g.dims[0]; ++i) {
      for (int j = 0; j < g.dims[1]; ++j) {
        std::string name = g.name;
        if (g.dims[0] > 1) name += "[" + std::to_string(i);
        if (g.dims[1] > 1) name += "," + std::to_string(j);
        if (g.dims[0] > 1) name += "]";
        out[name] = ElementText(
            static_cast<char*>(g.address) + (i * g.strides[0] + j * g.strides[1]) * width, g.type);
      }
    }
  }
  for (const RecordPool& pool : RecordPools()) {
    for (int n = 0; n < pool.count; ++n) {
      for (const RecordField& f : pool.layout->fields) {
        for (int k = 0; k < f.count; ++k) {
          std::string name = pool.prefix + std::to_string(n) + "." + f.name;
          if (f.count > 1) name += "[" + std::to_string(k) + "]";
          out[name] = ElementText(static_cast<char*>(pool.base) + n * pool.layout->size + f.offset +
                                      k * FieldWidth(f.type),
                                  f.type);
        }
      }
    }
  }
  return out;
}

// What a new run may see differ from a fresh start's: the frame counter, the title's idle count,
// the unlocks the last run won, and the move rows of players the run has not brought in yet
// (rows owner x 16 + move: the set-up that brings a player in builds that player's rows).
bool NotBattleState(const std::string& name) {
  static const std::set<std::string> kNames = {"FrameCount", "DemoFrames", "unlockLevel"};
  if (kNames.count(name) != 0) return true;
  if (name.rfind("move", 0) != 0 || std::isdigit(static_cast<unsigned char>(name[4])) == 0) {
    return false;
  }
  const int owner = std::stoi(name.substr(4)) / 16;
  return owner >= PlayersInPlay() && owner < kPlayerCount;
}

// "name: value (fresh start: value)" for every element of the battle state that differs.
std::string Differences(const TableValues& fresh, const TableValues& now) {
  std::string out;
  for (const auto& [name, value] : fresh) {
    if (NotBattleState(name) || now.at(name) == value) continue;
    out += "\n  " + name + ": " + now.at(name) + " (fresh start: " + value + ")";
  }
  return out;
}

class NewRun : public testsupport::ResultHarness {
 public:
  void SetUp() override {
    ResultHarness::SetUp();
    tree_.WriteAllNamed();
  }

  // One frame; the scenes it ran are noted.
  void Step(const Pads& pads = {}) {
    seen_.insert(SceneId);
    Frame(pads);
    seen_.insert(SceneId);
  }
  // Until the scene is `scene`, `bits` pressed every third frame (so that a press cannot keep in
  // step with a fade of even length) by player 0, and by player 1 too when `both`, and `held`
  // held; false when it never comes.
  bool PressUntil(int scene, int bits, int held = 0, bool both = false) {
    for (int f = 0; f < 20000 && SceneId != scene; ++f) {
      const int p = (f % 3 == 0 ? bits : 0) | held;
      Step({p, both ? p : 0, 0, 0});
    }
    return SceneId == scene;
  }
  // In the menu scene now running, the cursor `downs` items down from where it stands, then
  // chosen.
  void Choose(int downs) {
    const int scene = SceneId;
    while (SceneId == scene && SceneFrame < 40) Step();
    for (int i = 0; i < downs; ++i) {
      Step({kDown, 0, 0, 0});
      Step();
    }
    Step({kB1, 0, 0, 0});
    Step();
  }

  // From the title into the first fight of a story: the main one, or the extra one.
  void StoryFight(int kind = 0) {
    ASSERT_TRUE(PressUntil(kSceneStoryKind, kB1));
    Choose(kind);
    ASSERT_TRUE(PressUntil(kSceneBattle, kB1));
    for (int f = 0; f < 5000 && StoryPreFight != 0; ++f) Step({f % 3 == 0 ? kB1 : 0, 0, 0, 0});
    ASSERT_EQ(StoryPreFight, 0) << "the dialogue before the first fight never ended";
  }
  // Players 0 and 1 declare a card each, which leaves its panel up for the rest of the match.
  void DeclareCards() {
    for (int p = 0; p < 2; ++p) {
      g_playerState.spellGauge[p] = 200.0f;
      StartSpellCard(&g_players[p], p, p);
    }
    for (int f = 0; f < 100; ++f) Step();
    for (int p = 0; p < 2; ++p) {
      EXPECT_GT(g_playerState.cardBarFull[p], 0) << "the last run's panel of player " << p;
    }
  }
  // Player p falls in every round until the battle asks player 0 to continue or is left.
  void Lose(int p) {
    for (int f = 0; f < 20000 && SceneId == kSceneBattle && ContinuePause == 0; ++f) {
      if (RoundFrame >= 0 && RoundEndFrames == 0 && g_players[p].life > 0) KnockOut(p);
      Step();
    }
  }

  // ---- The ways back ------------------------------------------------------------------------

  // A main story's fourth stage lost, and the continue prompt answered with "give up".
  void WayGameOver() {
    StoryFight();
    DeclareCards();
    GiveUp();
  }
  // In a story fight: its fourth stage lost, "give up" chosen, the run's end on to the title.
  void GiveUp() {
    g_match.storyStage = 3;
    Lose(0);
    while (ContinuePause > 0 && ContinuePause < 60) Step();
    Step({kRight | kB1, 0, 0, 0});
    PressUntil(kSceneTitle, kB1);
  }
  // The story's last stage won, its closing script and the credits, run fast with button 3;
  // `routeB` the story's other route, which a first clear rewards with the unlock picture after
  // the ending.
  void Ending(int kind, bool routeB) {
    StoryFight(kind);
    DeclareCards();
    RouteFlagB = routeB ? 1 : 0;
    g_match.storyStage = g_match.storyStageCount - 1;
    Lose(1);
    PressUntil(kSceneTitle, kB1, kB3);
  }
  void WayUnlockPicture() { Ending(0, true); }
  // The extra story cleared at unlock level 2: its epilogue after the credits.
  void WayEpilogue() {
    g_scores.unlockLevel = 2;
    Ending(1, false);
  }
  // A survival run lost in its first round; from its result back through the selection and the
  // mode menu.
  void WaySurvival() {
    SurvivalRound();
    DeclareCards();
    Lose(0);
    PressUntil(kSceneCharacterSelect, kB1);
    PressUntil(kSceneTitle, kB2);
  }
  // From the title into a survival run's first round.
  void SurvivalRound() {
    PressUntil(kSceneModeMenu, kB1);
    Choose(3);
    PressUntil(kSceneBattle, kB1);
  }
  // A versus match of two, won by player 0; from its statistics back through the menus.
  void WayVersus() {
    PressUntil(kSceneModeMenu, kB1);
    Choose(1);
    PressUntil(kSceneBattle, kB1, 0, true);
    DeclareCards();
    Lose(1);
    PressUntil(kSceneCharacterSelect, kB1);
    PressUntil(kSceneTitle, kB2);
  }
  // The demonstration, started at once with F2, to its end.
  void WayDemo() {
    while (SceneFrame < 40) Step();
    testsupport::Recorder().SetKey(kKeyF2, true);
    Step();
    testsupport::Recorder().SetKey(kKeyF2, false);
    PressUntil(kSceneBattle, 0);
    DeclareCards();
    DemoFrames = 6198;  // two frames before its end
    PressUntil(kSceneTitle, kB1);
  }

  void OptionsPageLeft();

  std::set<int> seen_;  // the scenes run since the last clear
};

struct WayBack {
  const char* name;
  void (NewRun::*play)();
  int through;  // the scene of the way back that leads to the title
  int unlock;   // the unlock level before the last run
};

const WayBack kWaysBack[] = {
    {"game over", &NewRun::WayGameOver, kSceneGameOver, 3},
    {"main story's ending, unlock picture", &NewRun::WayUnlockPicture, kSceneUnlockPicture, 0},
    {"extra story's epilogue", &NewRun::WayEpilogue, kSceneExtraEpilogue, 2},
    {"survival's result", &NewRun::WaySurvival, kSceneSurvivalResult, 3},
    {"versus statistics", &NewRun::WayVersus, kSceneWinQuote, 3},
    {"demonstration's end", &NewRun::WayDemo, kSceneTitleReturn, 3},
};

TEST_F(NewRun, StartsAsAfterAFreshStartWhicheverWayTheLastRunWentBack) {
  Enter(kSceneTitle);
  StoryFight();
  const TableValues fresh = ReadTable();
  for (const WayBack& way : kWaysBack) {
    SCOPED_TRACE(way.name);
    Restart();
    g_scores.unlockLevel = way.unlock;
    Enter(kSceneTitle);
    seen_.clear();
    (this->*way.play)();
    ASSERT_TRUE(seen_.count(way.through)) << "the last run never reached scene " << way.through;
    ASSERT_EQ(SceneId, kSceneTitle) << "the way back never reached the title";
    StoryFight();
    // The spell-card panel and its bar (cardBarFull, cardBar) among every other field.
    EXPECT_EQ(Differences(fresh, ReadTable()), "");
  }
}

// ---- The player's difficulty after survival -------------------------------------------------

constexpr int kKeyF1 = 0x3B;

// From the title: the options page (its third item), left by its last line, which saves.
void NewRun::OptionsPageLeft() {
  for (int f = 0; f < 2000 && MenuCursor == 0; ++f) Step({f % 3 == 0 ? kB1 : 0, 0, 0, 0});
  for (int f = 0; f < 2000 && MenuCursor != 3; ++f) Step({f % 3 == 0 ? kDown : 0, 0, 0, 0});
  ASSERT_TRUE(PressUntil(kSceneOptions, kB1));
  while (SceneFrame < 40) Step();
  Step({kB2, 0, 0, 0});  // to the last line
  Step();
  Step({kB1, 0, 0, 0});
  ASSERT_EQ(SceneId, kSceneTitle);
}

// Survival's rounds take a difficulty of their own; whichever way the run is left (its result,
// the selection and the mode menu, then the title or a story; F1 in the round), the player's comes
// back: on a first start the default, which no options file gives back, else the file's (Hard). A
// story then plays and keeps its score at it, and the options page saves it.
TEST_F(NewRun, ThePlayersDifficultyComesBackAfterSurvival) {
  for (const int32_t file : {-1, 2}) {
    for (const char* way : {"title", "story", "F1"}) {
      SCOPED_TRACE(std::string(way) + (file < 0 ? ", first start" : ", Hard"));
      std::filesystem::remove("Data/config.sav");
      g_options.difficulty = file;
      if (file >= 0) SaveDataFile(kOptionsFile, kSaveOptions);
      Restart();
      const int32_t want = file >= 0 ? file : OptionSettings{}.difficulty;
      g_scores.unlockLevel = 3;
      Enter(kSceneTitle);
      SurvivalRound();
      EXPECT_EQ(g_options.difficulty, 0) << "the first round's own";
      if (way[0] == 'F') {
        testsupport::Recorder().SetKey(kKeyF1, true);
        Step();
        testsupport::Recorder().SetKey(kKeyF1, false);
      } else {
        while (RoundFrame < 300) Step();  // past the entrance, where a knock-out cannot take
        Lose(0);
        ASSERT_TRUE(PressUntil(kSceneCharacterSelect, kB1));
        EXPECT_EQ(g_options.difficulty, want) << "in the selection after the result";
        ASSERT_TRUE(PressUntil(kSceneModeMenu, kB2));
        if (way[0] == 's') Choose(2);  // from survival past "back" to the story
        if (way[0] == 't') PressUntil(kSceneTitle, kB2);
      }
      StoryFight();
      EXPECT_EQ(g_options.difficulty, want) << "in the story, which the computer players read";
      g_playerState.score[0] = 777777;
      GiveUp();
      for (int t = 0; t < 4; ++t) EXPECT_EQ(g_scores.score[10 * t] >= 777777, t == want) << t;
      OptionsPageLeft();
      EXPECT_EQ(testsupport::ReadFile("Data/config.sav")[0], want) << "the options file";
    }
  }
}

}  // namespace
