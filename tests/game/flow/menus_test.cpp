// The front-end menus on the recording stand-in: when input counts, the delayed switches with
// their captures, the cursors of the mode and story-kind menus by unlock level, the opening, the
// title's idle count and the demo start, the story stage step, and the draw log of the title items
// and the mode menu against golden lists.
#include "game/flow/menus.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/flow/menu_common.h"
#include "morrow/system/time.h"
#include "tests/game/flow/menu_harness.h"
#include "tests/support/resource_loads.h"
#include "tests/support/script_files.h"

namespace {

using namespace veyrdale;
using testsupport::kB1;
using testsupport::kB2;
using testsupport::kDown;
using testsupport::kLeft;
using testsupport::kRight;
using testsupport::kUp;
using testsupport::Recorder;

constexpr int kF2 = 60;

class Menus : public testsupport::MenuHarness {
 protected:
  // Frames of the title until the demo battle is the scene; -1 when it never comes.
  int FramesUntilDemo(int limit) {
    for (int f = 1; f <= limit; ++f) {
      Frame();
      if (SceneId == 4) return f;
    }
    return -1;
  }
};

// How often the first glyph sheet of set "a" or "b" was loaded.
int SheetLoads(const char* set) {
  const std::string path = std::string("Resource\\Fnt\\fnt_") + set + "0.dat";
  int loads = 0;
  for (const auto& call : Recorder().Named("LoadImageAsGraph")) loads += call.args[0] == path;
  return loads;
}

// ---- Shared conventions -------------------------------------------------------------------

// A menu with its cursor on an item that leaves, and what leaving looks like.
struct Leaving {
  const char* name;
  int scene;
  int cursor;
  int bits;  // pressed by player 0
  int teamMode;
  int nextScene;
};

constexpr Leaving kLeavings[] = {
    {"title play", 0, 1, kB1, 0, 1},
    {"title records", 0, 2, kB1, 0, 23},
    {"title options", 0, 3, kB1, 0, 15},
    {"title quit", 0, 4, kB1, 0, 6},
    {"mode story", 1, 0, kB1, 0, 11},
    {"mode versus", 1, 1, kB1, 0, 8},
    {"mode team versus", 1, 2, kB1, 0, 8},
    {"mode back item", 1, 4, kB1, 0, 0},
    {"mode back button", 1, 2, kB2, 0, 0},
    {"player count free", 8, 1, kB1, 0, 2},
    {"player count team", 8, 0, kB1, 1, 12},
    {"player count back", 8, 0, kB2, 0, 1},
    {"story kind back item", 11, 3, kB1, 0, 1},
    {"story kind back button", 11, 0, kB2, 0, 1},
};

TEST_F(Menus, PressesBeforeFrameThirtyOneAndHeldPressesAreIgnored) {
  for (const Leaving& c : kLeavings) {
    SCOPED_TRACE(c.name);
    // The mode and story-kind menus take their back button from frame 21.
    const bool earlyBack = c.bits == kB2 && (c.scene == 1 || c.scene == 11);
    const int lastIgnored = earlyBack ? 20 : 30;
    for (int at : {2, 17, lastIgnored}) {
      SCOPED_TRACE(at);
      Fresh();
      Enter(c.scene);
      g_match.teamMode = c.teamMode;
      MenuReturnCursor = c.cursor;
      UntilSceneFrame(at);
      Press(0, c.bits);
      Frames(3);
      EXPECT_EQ(SceneId, c.scene);
      EXPECT_TRUE(captures_.empty());
    }
    // Held from before the first frame that reads input: it never acts, however long.
    Fresh();
    Enter(c.scene);
    g_match.teamMode = c.teamMode;
    MenuReturnCursor = c.cursor;
    testsupport::Pads held{};
    held[0] = c.bits;
    Frames(lastIgnored, held);
    Frames(60, held);
    EXPECT_EQ(SceneId, c.scene) << "a held button never acts";
    EXPECT_TRUE(captures_.empty());
    // Released and pressed again: now it acts.
    Frame();
    Press(0, c.bits);
    EXPECT_EQ(SceneId, c.nextScene);
  }
}

TEST_F(Menus, SwitchComesOneFrameAfterThePressThatIsCaptured) {
  for (const Leaving& c : kLeavings) {
    SCOPED_TRACE(c.name);
    Fresh();
    Enter(c.scene);
    g_match.teamMode = c.teamMode;
    g_scores.unlockLevel = 3;
    MenuReturnCursor = c.cursor;
    UntilSceneFrame(40);
    PressOnly(0, c.bits);
    EXPECT_TRUE(LastFrameCaptured()) << "the menu's last picture is captured";
    EXPECT_EQ(FadeFrames, 30);
    EXPECT_EQ(SceneId, c.scene);
    EXPECT_LT(SceneFrame, 0);
    Frame();
    EXPECT_EQ(SceneId, c.nextScene);
    EXPECT_EQ(SceneFrame, 1) << "the next scene starts at its frame 0 in the next frame";
    EXPECT_EQ(captures_.size(), 1u);
  }
}

TEST_F(Menus, ScheduledSwitchesDoTheirSideJobs) {
  // Records and options load the glyph sheets; options reread the options file.
  struct Case {
    int cursor;
    int fontSheets;
  } cases[] = {{2, 1}, {3, 1}, {1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cursor);
    Fresh();
    Enter(0);
    MenuReturnCursor = c.cursor;
    UntilSceneFrame(40);
    // Left after the title's first frame, which clears the battle.
    StoryPreFight = 5;
    g_match.survivalMode = 1;
    SurvivalBossRound = 1;
    Press(0, kB1);
    EXPECT_EQ(SheetLoads("b"), c.fontSheets);
    EXPECT_EQ(SheetLoads("a"), 0) << "set B only";
    // Play starts from a clean story and survival state.
    const bool play = c.cursor == 1;
    EXPECT_EQ(StoryPreFight, play ? 0 : 5);
    EXPECT_EQ(g_match.survivalMode, play ? 0 : 1);
    EXPECT_EQ(SurvivalBossRound, play ? 0 : 1);
    EXPECT_EQ(MenuReturnCursor, 0);
    if (play) {
      EXPECT_EQ(MenuSlideFrames, 29) << "the mode menu enters sliding";
    }
  }
}

TEST_F(Menus, ModeMenuEntryResetsTheSettings) {
  struct Case {
    int cursor;
    int scene;
    int playerCount;
  } cases[] = {{0, 11, 4}, {1, 8, 4}, {2, 8, 4}, {3, 2, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cursor);
    Fresh();
    Enter(1);
    g_scores.unlockLevel = 3;
    g_match.stage = 5;
    g_match.colourTaken[3][2] = 1;
    for (int p = 0; p < 4; ++p) {
      g_match.startGaugeLevel[p] = 0;
      g_match.handicap[p] = 4;
      g_playerState.roundsWonTotal[p] = 7;
    }
    MenuReturnCursor = c.cursor;
    UntilSceneFrame(40);
    Press(0, kB1);
    ASSERT_EQ(SceneId, c.scene);
    EXPECT_EQ(g_match.stage, 0);
    EXPECT_EQ(g_match.playerCount, c.playerCount);
    EXPECT_EQ(g_match.teamMode, c.cursor == 2 ? 1 : 0);
    EXPECT_EQ(g_match.survivalMode, c.cursor == 3 ? 1 : 0);
    EXPECT_EQ(g_match.colourTaken[3][2], c.cursor == 3 ? 0 : 1);
    for (int p = 0; p < 4; ++p) {
      const bool inCount = p < c.playerCount;
      EXPECT_EQ(g_match.startGaugeLevel[p], inCount ? 1 : 0) << p;
      EXPECT_EQ(g_match.handicap[p], inCount ? 2 : 4) << p;
      EXPECT_EQ(g_playerState.roundsWonTotal[p], inCount ? 0 : 7) << p;
    }
  }
}

TEST_F(Menus, ModeMenuSkipsSurvivalBelowUnlockThree) {
  struct Case {
    int unlock;
    int from;
    int bits;
    int to;
    int stageCount;  // of versus, after choosing it
  } cases[] = {
      {0, 2, kDown, 4, 7},  {0, 4, kUp, 2, 7},   {1, 2, kDown, 4, 8}, {2, 4, kUp, 2, 8},
      {3, 2, kDown, 3, 10}, {3, 4, kUp, 3, 10},  {0, 4, kDown, 0, 7}, {0, 0, kUp, 4, 7},
      {3, 3, kDown, 4, 10}, {2, 1, kDown, 2, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "unlock " << c.unlock << " from " << c.from);
    Fresh();
    Enter(1);
    g_scores.unlockLevel = c.unlock;
    MenuReturnCursor = c.from;
    UntilSceneFrame(40);
    Press(1, c.bits);  // player 1 moves the cursor too
    EXPECT_EQ(MenuCursor, c.to);
    EXPECT_EQ(MenuSlideFrames, 28) << "30, less the press's frame and the release's";
    // Survival is never drawn while it is closed: its label is piece 7 of "font01".
    Recorder().ClearCalls();
    Frame();
    EXPECT_EQ(CountContaining(" font01:7 "), c.unlock >= 3 ? 1 : 0);
    MenuReturnCursor = 1;
    Enter(1);
    UntilSceneFrame(40);
    Press(0, kB1);
    EXPECT_EQ(g_match.versusStageCount, c.stageCount);
  }
}

TEST_F(Menus, StoryKindCursorKeepsToTheOpenStories) {
  struct Case {
    int unlock;
    std::vector<int> downs;  // the cursor after each press of down from 0
    std::vector<int> ups;    // and of up from 0
  } cases[] = {
      {0, {3, 0, 3}, {3, 0, 3}},
      {1, {3, 0, 3}, {3, 0, 3}},
      {2, {1, 3, 0}, {3, 1, 0}},
      {3, {1, 3, 0}, {3, 1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.unlock);
    for (int bits : {kDown, kUp}) {
      Fresh();
      Enter(11);
      g_scores.unlockLevel = c.unlock;
      MenuReturnCursor = 0;
      UntilSceneFrame(40);
      std::vector<int> seen;
      for (size_t i = 0; i < c.downs.size(); ++i) {
        Press(1, bits);
        seen.push_back(MenuCursor);
      }
      EXPECT_EQ(seen, bits == kDown ? c.downs : c.ups);
    }
    // The extra story's label (piece 16 of "font01") is not drawn while only the main is open.
    Recorder().ClearCalls();
    Frame();
    EXPECT_EQ(CountContaining(" font01:16 "), c.unlock >= 2 ? 1 : 0);
  }
}

TEST_F(Menus, PlayerCountWrapsAndGoesBackToItsItem) {
  struct Case {
    int teamMode;
    int from;
    int bits;
    int to;
  } cases[] = {{0, 2, kRight, 0}, {0, 0, kLeft, 2}, {1, 1, kRight, 2}, {1, 1, kLeft, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    Fresh();
    Enter(8);
    g_match.teamMode = c.teamMode;
    MenuReturnCursor = c.from;
    UntilSceneFrame(40);
    Press(1, c.bits);
    EXPECT_EQ(MenuCursor, c.to);
    EXPECT_EQ(MenuSlideFrames, 0) << "no slide in this menu";
    Press(0, kB2);
    EXPECT_EQ(SceneId, 1);
    EXPECT_EQ(MenuReturnCursor, c.teamMode == 1 ? 2 : 1);
    EXPECT_EQ(g_match.teamMode, 0);
  }
}

// ---- The opening --------------------------------------------------------------------------

TEST_F(Menus, OpeningSkipsToItsFadeOutFromFrameTwentyOne) {
  struct Case {
    int pressAt;  // SceneFrame of the press; -1 none
    int titleAt;  // the frame (counted from 1) after which the title is the scene
  } cases[] = {{-1, 451}, {20, 451}, {21, 122}, {200, 301}, {349, 450}, {350, 451}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pressAt);
    Fresh();
    Enter(9);
    int switchedAfter = -1;
    std::vector<int> alphas;
    Recorder().onCall = [&](const testsupport::RecordedCall& call) {
      if (call.name == "SetBlendMode" && call.Int(0) == 1) {
        alphas.push_back(static_cast<int>(call.Int(1)));
      }
    };
    for (int f = 1; f <= 460 && switchedAfter < 0; ++f) {
      testsupport::Pads pads{};
      if (SceneFrame == c.pressAt) pads[0] = kB1;
      Frame(pads);
      if (SceneId == 0) switchedAfter = f;
    }
    EXPECT_EQ(switchedAfter, c.titleAt);
    EXPECT_EQ(SceneFrame, 1);
    EXPECT_EQ(LastFrameCaptured(), true);
    EXPECT_EQ(Recorder().Count("LoadAndDrawGraphFile"), 1);
    EXPECT_EQ(Recorder().Named("StartMusicPlayback").back().Text(),
              "StartMusicPlayback Resource\\Bgm\\01.bgm 3");
    // The fade-out runs at the same speed after a skip: 4 a frame down from 255 at 350.
    ASSERT_GE(alphas.size(), 100u);
    const size_t last = alphas.size() - 1;
    EXPECT_EQ(alphas[last], 1655 - 4 * 450);
    EXPECT_EQ(alphas[last - 99], 1655 - 4 * 351);
  }
}

// ---- The title and its demo ---------------------------------------------------------------

TEST_F(Menus, IdleTitleStartsTheDemoAfterThirteenHundredFortyFrames) {
  Enter(0);
  UntilSceneFrame(31);
  EXPECT_EQ(DemoFrames, 0);
  // Frame 31 counts 1; 1340 idle frames bring the white fade, 60 more the battle.
  std::vector<int> loads;
  Recorder().onCall = [&](const testsupport::RecordedCall& call) {
    if (call.name == "LoadImageAsGraph" && call.args[0].rfind("Resource\\NLG\\", 0) == 0) {
      loads.push_back(DemoFrames);
    }
  };
  EXPECT_EQ(FramesUntilDemo(2000), 1400);
  EXPECT_EQ(DemoFrames, 1400);
  EXPECT_EQ(loads, std::vector<int>{1370}) << "the loading picture is loaded at 1370";
  EXPECT_EQ(captures_.size(), 2u) << "the capture at 1399 and the one of the start";
}

TEST_F(Menus, FTwoJumpsToTheWhiteFade) {
  Enter(0);
  UntilSceneFrame(100);
  Recorder().SetKey(kF2, true);
  Frame();
  EXPECT_EQ(DemoFrames, 1341);
  Recorder().SetKey(kF2, false);
  EXPECT_EQ(FramesUntilDemo(200), 59);
}

TEST_F(Menus, AnyItemMovementResetsTheIdleCount) {
  for (int bits : {kUp, kDown, kB2}) {
    SCOPED_TRACE(bits);
    Fresh();
    Enter(0);
    UntilSceneFrame(40);
    Frames(500);
    ASSERT_EQ(DemoFrames, 509);
    Press(0, kB1);  // the item list opens; the press's frame counts 1
    EXPECT_EQ(MenuCursor, 1);
    EXPECT_EQ(DemoFrames, 1);
    Frames(800);
    EXPECT_EQ(DemoFrames, 1) << "the idle count runs only in the press-a-button state";
    Press(0, bits);
    if (bits != kB2) {
      EXPECT_EQ(DemoFrames, 0);
      Press(0, kB2);
    }
    EXPECT_EQ(MenuCursor, 0);
    // The back press's frame and the release counted 1 and 2.
    EXPECT_EQ(DemoFrames, 2);
    EXPECT_EQ(FramesUntilDemo(2000), 1398);
  }
}

TEST_F(Menus, DemoStartResetsTheMatchAndLoadsTheBattle) {
  Enter(0);
  MenuReturnCursor = 3;
  UntilSceneFrame(40);
  // Left after the title's first frame, which clears the battle: the demonstration's own start
  // resets them.
  g_match.teamMode = 1;
  g_match.versusStageCount = 8;
  ArenaVariant = 2;
  SurvivalBossRound = 1;
  RoundWinner = 2;
  RoundNumber = 9;
  for (int p = 0; p < 4; ++p) {
    g_match.selectState[p] = 3;
    g_match.startGaugeLevel[p] = 2;
    g_match.handicap[p] = 0;
    g_playerState.wins[p] = 1;
    g_playerState.powerUp[p] = 4;
    g_playerState.itemCount[p] = 4;
    g_playerState.score[p] = 4;
    g_playerState.damageDealt[p] = 4;
    g_playerState.shotsFired[p] = 4;
    g_playerState.shotsHit[p] = 4;
    g_playerState.obstaclesBroken[p] = 4;
    g_playerState.knockOuts[p] = 4;
  }
  EXPECT_EQ(MenuCursor, 3);
  Press(0, kB2);  // back to the press-a-button state
  UntilSceneFrame(100);
  Recorder().SetKey(kF2, true);
  Frame();
  Recorder().SetKey(kF2, false);
  Recorder().ClearCalls();
  ASSERT_EQ(FramesUntilDemo(100), 59);
  EXPECT_EQ(MenuCursor, 0);
  EXPECT_EQ(MenuReturnCursor, 0);
  EXPECT_EQ(g_match.teamMode, 0);
  EXPECT_EQ(ArenaVariant, 0);
  EXPECT_EQ(SurvivalBossRound, 0);
  EXPECT_EQ(RoundWinner, 0);
  EXPECT_EQ(RoundNumber, 0);
  EXPECT_EQ(g_match.playerCount, 4);
  for (int p = 0; p < 4; ++p) {
    EXPECT_EQ(g_match.cpuFlag[p], 1);
    EXPECT_EQ(g_match.selectState[p], 0);
    EXPECT_EQ(g_match.startGaugeLevel[p], 1);
    EXPECT_EQ(g_match.handicap[p], 2);
    const PlayerBattleState& s = g_playerState;
    EXPECT_EQ(s.wins[p] + s.powerUp[p] + s.itemCount[p] + s.score[p] + s.damageDealt[p] +
                  s.shotsFired[p] + s.shotsHit[p] + s.obstaclesBroken[p] + s.knockOuts[p],
              0)
        << p;
  }
  EXPECT_EQ(testsupport::ResourceLoadModes(), std::vector<int>{1});
  std::vector<std::string> tail;
  for (const auto& call : testsupport::FoldResourceLoads(Recorder().Calls())) {
    if (call.name == "LoadAndDrawGraphFile" || call.name == "LoadGameResources" ||
        call.name == "StopMusicPlayback" || call.name == "StartMusicPlayback" ||
        call.name == "SetMusicVolume") {
      tail.push_back(call.Text());
    }
  }
  char music[64];
  static const char* const kArenaMusic[] = {"03", "04", "05", "06", "08", "07", "09", "10"};
  std::snprintf(music, sizeof music, "StartMusicPlayback Resource\\Bgm\\%s.bgm 3",
                kArenaMusic[g_match.stage]);
  EXPECT_EQ(tail, (std::vector<std::string>{"LoadAndDrawGraphFile 502 454 Resource\\loading.dat 1",
                                            "LoadGameResources 1", "StopMusicPlayback", music,
                                            "SetMusicVolume 255", "SetMusicVolume 255"}));
}

TEST(DemoBattle, CharactersStagesAndColoursOverManySeeds) {
  for (int stageCount : {7, 8, 10}) {
    std::set<int> seen;
    std::set<int> stages;
    for (int seed = 0; seed < 2000; ++seed) {
      testsupport::ResetBattleState();
      g_match.versusStageCount = stageCount;
      g_match.colourTaken[0][0] = 1;  // cleared first
      morrow::SeedRandom(seed);
      SetupDemoBattle();
      ASSERT_EQ(g_match.playerCount, 4);
      EXPECT_NE(g_match.stage, 1);
      EXPECT_GE(g_match.stage, 0);
      EXPECT_LE(g_match.stage, stageCount - 2);
      stages.insert(g_match.stage);
      int taken = 0;
      for (const auto& row : g_match.colourTaken) {
        for (int32_t t : row) taken += t;
      }
      EXPECT_EQ(taken, 4) << seed;
      for (int p = 0; p < 4; ++p) {
        const int c = g_players[p].kind;
        seen.insert(c);
        EXPECT_EQ(g_match.cpuFlag[p], 1);
        EXPECT_EQ(g_match.colourTaken[c][g_match.colourSlot[p]], 1);
        for (int q = 0; q < p; ++q) {
          if (g_players[q].kind == c) {
            EXPECT_NE(g_match.colourSlot[q], g_match.colourSlot[p]) << seed;
          }
        }
      }
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1, 2, 3, 4, 5, 7, 8}));
    std::set<int> wantStages;
    for (int s = 0; s <= stageCount - 2; ++s) {
      if (s != 1) wantStages.insert(s);
    }
    EXPECT_EQ(stages, wantStages);
  }
}

// The title on the virtual clock: the demo's draw depends only on the time the loads saw.
TEST_F(Menus, DemoIsTheSameOnEveryRunWithAFixedClock) {
  struct Demo {
    int kinds[4];
    int colours[4];
    int stage;
    bool operator==(const Demo&) const = default;
  };
  std::vector<Demo> demos;
  for (int run = 0; run < 3; ++run) {
    Fresh();  // the clock starts again at 0; the menu load seeded from its second
    Enter(0);
    UntilSceneFrame(100);
    Recorder().SetKey(kF2, true);
    ASSERT_GT(FramesUntilDemo(100), 0);
    Demo d{};
    for (int p = 0; p < 4; ++p) {
      d.kinds[p] = g_players[p].kind;
      d.colours[p] = g_match.colourSlot[p];
    }
    d.stage = g_match.stage;
    demos.push_back(d);
  }
  EXPECT_TRUE(demos[0] == demos[1]);
  EXPECT_TRUE(demos[1] == demos[2]);
}

// ---- The story ----------------------------------------------------------------------------

TEST_F(Menus, StoryStartsWhenItsCountdownRunsOut) {
  testsupport::ScriptTree scripts;
  scripts.WriteAllNamed();
  for (int kind : {0, 1}) {
    SCOPED_TRACE(kind);
    Fresh();
    Enter(11);
    g_scores.unlockLevel = 2;
    g_match.playerCount = 3;
    RouteFlagA = RouteFlagB = RouteFlagC = 1;
    g_match.storyStage = 6;
    cardsBroken = 3;
    for (int p = 0; p < 4; ++p) {
      g_match.colourSlot[p] = 5;
      g_playerState.wins[p] = 2;
      g_playerState.roundsWonTotal[p] = 2;
      g_playerState.score[p] = 2;
    }
    MenuReturnCursor = kind;
    UntilSceneFrame(40);
    PressOnly(0, kB1);
    EXPECT_EQ(BattleStartCountdown, 69);
    EXPECT_EQ(g_match.storyMode, 1);
    EXPECT_EQ(g_match.storyKind, kind);
    EXPECT_EQ(StoryPreFight, 1);
    EXPECT_EQ(RouteFlagA + RouteFlagB + RouteFlagC, 0);
    Recorder().ClearCalls();
    Frames(68, {kB2, kB2, kB2, kB2});  // no input while the countdown runs
    EXPECT_EQ(SceneId, 11);
    EXPECT_EQ(BattleStartCountdown, 1);
    EXPECT_TRUE(LastFrameCaptured());
    Frame();
    EXPECT_EQ(SceneId, 4);
    EXPECT_EQ(FrameBudget, 9900);
    EXPECT_EQ(cardsBroken, 0);
    for (int p = 0; p < 4; ++p) {
      EXPECT_EQ(g_playerState.wins[p] + g_playerState.roundsWonTotal[p] + g_playerState.score[p],
                0);
    }
    // The first stage's set-up: the stage's players and the story's arena 2.
    EXPECT_EQ(g_match.playerCount, 2);
    EXPECT_EQ(g_match.colourSlot[0], 0);
    EXPECT_EQ(g_match.colourSlot[3], 5) << "only the players of the count then";
    EXPECT_EQ(SheetLoads("a"), 1) << "both sets for the dialogue";
    EXPECT_EQ(SheetLoads("b"), 1);
    EXPECT_EQ(testsupport::LoadedScriptName(), kind == 0 ? "00" : "ex100");
    EXPECT_EQ(testsupport::ResourceLoadModes(), std::vector<int>{1});
    int loading = -1;
    for (const auto& call : Recorder().Named("LoadImageAsGraph")) {
      if (call.args[0].rfind("Resource\\NLG\\", 0) != 0) continue;
      EXPECT_EQ(loading, -1) << "one loading picture";
      EXPECT_EQ(call.args[0], "Resource\\NLG\\nl.nlg");
      loading = call.answer;
    }
    ASSERT_NE(loading, -1);
    EXPECT_EQ(Recorder().Named("FreeGraphHandle").back().Int(0), loading)
        << "the loading picture is freed last";
    EXPECT_FALSE(Recorder().IsLiveGraph(loading));
  }
}

TEST_F(Menus, AdvanceStoryStageEndsOnTheLastStage) {
  struct Case {
    int stage;
    int count;
    bool ends;
  } cases[] = {{0, 17, false}, {15, 17, false}, {16, 17, true},    {40, 17, true},
               {7, 9, false},  {8, 9, true},    {0, INT_MIN, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stage);
    Fresh();
    SceneId = 4;
    SceneFrame = 77;
    g_match.storyMode = 1;
    g_match.storyStage = c.stage;
    g_match.storyStageCount = c.count;
    for (int p = 0; p < 4; ++p) {
      g_match.cpuFlag[p] = 1;
      g_match.colourSlot[p] = 3;
      g_playerState.powerUp[p] = 9;
      g_playerState.itemCount[p] = 9;
    }
    FrameBudget = 5;
    AdvanceStoryStage();
    EXPECT_EQ(FrameBudget, 9900);
    if (c.ends) {
      EXPECT_EQ(SceneId, 21);
      EXPECT_EQ(SceneFrame, 0);
      EXPECT_EQ(g_match.storyMode, 0);
      EXPECT_EQ(g_match.storyStage, 0);
      EXPECT_EQ(g_match.cpuFlag[1], 1);
      continue;
    }
    EXPECT_EQ(SceneId, 4);
    EXPECT_EQ(g_match.storyStage, c.stage + 1);
    for (int p = 0; p < 4; ++p) {
      const int kept = p == 0 ? 1 : 0;  // player 0 is never touched
      EXPECT_EQ(g_match.cpuFlag[p], kept) << p;
      EXPECT_EQ(g_match.colourSlot[p], 3 * kept) << p;
      EXPECT_EQ(g_playerState.powerUp[p], 9 * kept) << p;
      EXPECT_EQ(g_playerState.itemCount[p], 9 * kept) << p;
    }
  }
}

// ---- Drawing ------------------------------------------------------------------------------

std::string ReadGolden(const std::string& name) {
  std::ifstream in(std::string(GOLDEN_DIR) + "/" + name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void CheckGolden(const std::string& name, const std::vector<std::string>& lines) {
  std::string got;
  for (const std::string& line : lines) got += line + "\n";
  if (std::getenv("UPDATE_GOLDEN") != nullptr) {
    std::ofstream(std::string(GOLDEN_DIR) + "/" + name, std::ios::binary) << got;
  }
  const std::string want = ReadGolden(name);
  if (got != want) std::ofstream(name + ".actual", std::ios::binary) << got;
  EXPECT_EQ(got, want) << "written beside the build as " << name << ".actual";
}

TEST_F(Menus, TitleItemsDrawAsTheGoldenList) {
  Enter(0);
  MenuReturnCursor = 0;
  UntilSceneFrame(40);
  Press(0, kB1);    // items, play highlighted
  Press(0, kDown);  // records
  Frames(2);        // MenuSlideFrames 30 -> 26 as the frame draws
  Recorder().ClearCalls();
  Frame();
  CheckGolden("menu_title_items.txt", DrawLog());
}

TEST_F(Menus, ModeMenuDrawsAsTheGoldenList) {
  Enter(0);
  g_scores.unlockLevel = 0;
  MenuReturnCursor = 1;
  UntilSceneFrame(40);
  Press(0, kB1);  // play
  Recorder().ClearCalls();
  // The mode menu's first frames: the fade of the captured title, the header sliding in, the
  // versus item sliding right.
  Frames(3);
  Recorder().ClearCalls();
  Frame();
  CheckGolden("menu_mode_menu.txt", DrawLog());
}

TEST_F(Menus, BackgroundGlowNeverReadsBeforeItsTable) {
  // Negative scene frames (a scheduled switch) take the glow from the table's end.
  struct Case {
    int scene;
    int frame;
    int entry;
  } cases[] = {{0, -9, 247}, {8, -16, 240}, {2, -1, 255}, {12, 300, 44}, {0, INT_MIN, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frame);
    Fresh();
    SceneId = c.scene;
    SceneFrame = c.frame;
    DrawMenuBackground();
    if (c.scene == 0) DrawTitleBackground();
    const int want = static_cast<int>(g_trig.negsin[c.entry] / 256.0 * 16);
    EXPECT_EQ(Recorder().Named("SetBlendMode")[0].Text(), "SetBlendMode 2 " + std::to_string(want));
  }
}

TEST(MenuHelpers, PositiveModuloStaysInTheTable) {
  struct Case {
    int value, divisor, want;
  } cases[] = {{0, 64, 0},          {63, 64, 63},   {64, 64, 0},      {-1, 64, 63},
               {-64, 64, 0},        {-65, 64, 63},  {INT_MIN, 64, 0}, {INT_MIN, 800, 352},
               {INT_MAX, 128, 127}, {-9, 256, 247}, {5, 0, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(PositiveModulo(c.value, c.divisor), c.want) << c.value << " mod " << c.divisor;
  }
}

}  // namespace
