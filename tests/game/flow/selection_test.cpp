// Character, team and stage selection on the recording stand-in: the character and colour
// choices by unlock level, the computer slots served by the first decided human, the settings
// panel, the team check, the stage wrap, the battle and survival starts with their resets, the
// back paths, and bad input from edited files and every button at once.
#include "game/flow/selection.h"

#include <algorithm>
#include <climits>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/flow/flow.h"
#include "game/flow/menu_common.h"
#include "game/flow/result_number.h"
#include "morrow/system/time.h"
#include "tests/game/flow/menu_harness.h"
#include "tests/support/resource_loads.h"

namespace {

using namespace veyrdale;
using testsupport::kB1;
using testsupport::kB2;
using testsupport::kB3;
using testsupport::kB4;
using testsupport::kDown;
using testsupport::kLeft;
using testsupport::kRight;
using testsupport::kUp;
using testsupport::Pads;
using testsupport::Recorder;

class Selection : public testsupport::MenuHarness {
 protected:
  // A selection scene entered from its menu, run up to its first frame that reads input.
  void EnterReading(int scene, int players) {
    g_match.playerCount = players;
    Enter(scene);
    UntilSceneFrame(31);
  }
  std::vector<int> States() const {
    return std::vector<int>(g_match.selectState, g_match.selectState + 4);
  }
  std::vector<int> CpuFlags() const {
    return std::vector<int>(g_match.cpuFlag, g_match.cpuFlag + 4);
  }
};

void ClearCounts() {
  for (auto& counts : HeldFrameCounts) {
    for (int32_t& c : counts) c = 0;
  }
}

// ---- Characters and colours ---------------------------------------------------------------

TEST_F(Selection, CharacterCursorSkipsLockedCharacters) {
  struct Case {
    int unlock;
    int from;
    Input input;  // kInputCount: nothing pressed
    int to;
  } cases[] = {
      {0, 5, kInputRight, 7},   {0, 7, kInputLeft, 5},   {0, 8, kInputRight, 0},
      {0, 0, kInputLeft, 8},    {0, 4, kInputRight, 5},  {1, 8, kInputRight, 10},
      {1, 10, kInputRight, 0},  {1, 0, kInputLeft, 10},  {1, 10, kInputLeft, 8},
      {2, 5, kInputRight, 7},   {2, 0, kInputLeft, 10},  {3, 5, kInputRight, 6},
      {3, 15, kInputRight, 0},  {3, 0, kInputLeft, 15},  {3, 8, kInputRight, 9},
      {3, 9, kInputLeft, 8},    {0, 40, kInputCount, 0}, {0, -3, kInputCount, 8},
      {3, -3, kInputCount, 15}, {99, 0, kInputLeft, 15}, {-4, 5, kInputRight, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "unlock " << c.unlock << " from " << c.from);
    Recorder().ClearCalls();
    ClearCounts();
    g_scores.unlockLevel = c.unlock;
    g_match.characterCursor[2] = c.from;
    if (c.input != kInputCount) HeldFrameCounts[c.input][1] = 1;
    EXPECT_EQ(ChooseCharacter(2, 1), c.to);
    EXPECT_EQ(g_match.characterCursor[2], c.to);
    EXPECT_EQ(Recorder().Count("PlaySoundHandle"), c.input != kInputCount ? 1 : 0);
    EXPECT_TRUE(IsCharacterOpen(c.to, std::clamp(c.unlock, 0, 3)));
  }
}

TEST_F(Selection, RandomPicksStayAmongTheOpenCharacters) {
  struct Case {
    int unlock;
    int count;
  } cases[] = {{0, 8}, {1, 9}, {2, 9}, {3, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.unlock);
    int open[16];
    ASSERT_EQ(OpenCharacters(c.unlock, open), c.count);
    std::set<int> want(open, open + c.count);
    g_scores.unlockLevel = c.unlock;
    std::set<int> seen;
    ClearCounts();
    for (int seed = 0; seed < 400; ++seed) {
      morrow::SeedRandom(seed);
      HeldFrameCounts[kInputButton3][0] = 1 + seed % 5;  // every frame while held
      seen.insert(ChooseCharacter(0, 0));
    }
    EXPECT_EQ(seen, want);
  }
}

TEST_F(Selection, ColourSearchSkipsTakenColours) {
  struct Case {
    std::vector<int> taken;
    int from;
    Input input;
    int to;
  } cases[] = {
      {{1, 2}, 0, kInputDown, 3},
      {{}, 7, kInputDown, 0},
      {{}, 0, kInputUp, 7},
      {{7, 6}, 0, kInputUp, 5},
      {{0}, 0, kInputCount, 1},                      // a colour taken meanwhile is left at once
      {{0, 1, 2}, 0, kInputCount, 3},                // forward to the next free one
      {{0, 1, 2, 3, 4, 5, 6, 7}, 4, kInputDown, 4},  // nowhere to go: no endless search
      {{}, 12, kInputCount, 4},
      {{}, -1, kInputCount, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    ClearCounts();
    for (auto& row : g_match.colourTaken) {
      for (int32_t& t : row) t = 0;
    }
    for (int s : c.taken) g_match.colourTaken[5][s] = 1;
    g_match.colourTaken[4][c.to] = 1;  // another character's colours do not count
    g_players[3].kind = 5;
    g_match.colourSlot[3] = c.from;
    if (c.input != kInputCount) HeldFrameCounts[c.input][0] = 1;
    ChooseColourSlot(3, 0);
    EXPECT_EQ(g_match.colourSlot[3], c.to);
  }
}

TEST_F(Selection, ASecondPlayerOnTheSameCharacterMovesToTheNextFreeColour) {
  EnterReading(2, 2);
  Frame({kB1, kB1});  // both join, both on character 0, colour 0
  Frame();
  EXPECT_EQ(States(), (std::vector<int>{1, 1, 0, 0}));
  Press(0, kB1);
  EXPECT_EQ(g_match.selectState[0], 3);
  EXPECT_EQ(g_match.colourTaken[0][0], 1);
  EXPECT_EQ(g_match.colourSlot[1], 1) << "moved as soon as the first decided";
  Press(1, kB1);
  EXPECT_EQ(g_match.colourTaken[0][1], 1);
  EXPECT_EQ(SceneId, 3) << "both decided: the stage selection follows";
}

// ---- Computer slots -----------------------------------------------------------------------

TEST_F(Selection, DecidedHumanChoosesForTheComputerSlotsInSlotOrder) {
  for (int p = 0; p < 4; ++p) g_match.handicap[p] = 2;
  EnterReading(2, 4);
  Press(0, kB1);
  Press(0, kRight);
  Press(0, kRight);
  EXPECT_EQ(g_players[0].kind, 2);
  PressOnly(0, kB1);
  EXPECT_EQ(States(), (std::vector<int>{3, 2, 2, 2})) << "the others become computer slots";
  Frame();
  EXPECT_EQ(CpuFlags(), (std::vector<int>{0, 1, 1, 1}));
  for (int slot = 1; slot <= 3; ++slot) {
    SCOPED_TRACE(slot);
    int before[4];
    for (int j = 0; j < 4; ++j) before[j] = g_match.characterCursor[j];
    for (int k = 0; k < slot; ++k) Press(0, kRight);
    EXPECT_EQ(g_players[slot].kind, slot);
    for (int j = 0; j < 4; ++j) {
      if (j != slot) {
        EXPECT_EQ(g_match.characterCursor[j], before[j]) << "moved slot " << j;
      }
    }
    Press(0, kB4);
    EXPECT_EQ(g_match.settingsPanelOpen[slot], 1) << "player 0 opens its panel";
    Press(0, kDown);
    Press(0, kRight);
    Press(0, kB1);  // closes the panel
    EXPECT_EQ(g_match.handicap[slot], 3);
    EXPECT_EQ(g_match.selectState[slot], 2);
    if (slot < 3) {
      Press(0, kB1);
      EXPECT_EQ(g_match.selectState[slot], 4);
      EXPECT_EQ(g_match.colourTaken[slot][g_match.colourSlot[slot]], 1);
    }
  }
  PressOnly(0, kB1);
  EXPECT_EQ(States(), (std::vector<int>{3, 4, 4, 4}));
  EXPECT_TRUE(LastFrameCaptured());
  Frame();
  EXPECT_EQ(SceneId, 3);
}

TEST_F(Selection, AHumanWhoChoosesAgainReleasesTheComputerSlots) {
  struct Case {
    const char* name;
    bool joinSameFrame;  // player 3 joins in the frame player 0 decides
  } cases[] = {{"a late joiner", true}, {"the decider going back", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    EnterReading(2, 4);
    Press(0, kB1);
    Frame({kB1, 0, 0, c.joinSameFrame ? kB1 : 0});
    if (c.joinSameFrame) {
      EXPECT_EQ(States(), (std::vector<int>{3, 2, 2, 1}));
      Frame();
      EXPECT_EQ(States(), (std::vector<int>{3, 0, 0, 1}));
      EXPECT_EQ(CpuFlags(), (std::vector<int>{0, 0, 0, 0}));
      continue;
    }
    Frame();
    Press(0, kB1);  // slot 1 decided for the computer
    ASSERT_EQ(States(), (std::vector<int>{3, 4, 2, 2}));
    const int slot1Colour = g_match.colourSlot[1];
    ASSERT_EQ(g_match.colourTaken[g_players[1].kind][slot1Colour], 1);
    Press(0, kB2);
    EXPECT_EQ(States(), (std::vector<int>{1, 0, 0, 0}));
    EXPECT_EQ(CpuFlags(), (std::vector<int>{0, 0, 0, 0}));
    int taken = 0;
    for (const auto& row : g_match.colourTaken) {
      for (int32_t t : row) taken += t;
    }
    EXPECT_EQ(taken, 0) << "every released colour is free again";
  }
}

TEST_F(Selection, AnOpenComputerPanelHoldsTheDecidedHumans) {
  EnterReading(2, 2);
  Press(0, kB1);
  Press(0, kB1);
  Press(0, kB4);  // slot 1's panel
  ASSERT_EQ(g_match.settingsPanelOpen[1], 1);
  Frame({kB2, 0, 0, 0});
  EXPECT_EQ(States(), (std::vector<int>{3, 2, 0, 0})) << "button 2 closes the panel only";
  EXPECT_EQ(g_match.settingsPanelOpen[1], 0);
}

// ---- Settings panel -----------------------------------------------------------------------

TEST_F(Selection, SettingsPanelChangesGaugeAndHandicapWithinTheirRanges) {
  EnterReading(2, 2);
  g_match.startGaugeLevel[0] = 1;
  g_match.handicap[0] = 2;
  Press(0, kB1);
  Press(0, kB4);
  ASSERT_EQ(g_match.settingsPanelOpen[0], 1);
  struct Step {
    int bits;
    int row, gauge, handicap;
  } steps[] = {{kRight, 0, 2, 2}, {kRight, 0, 2, 2}, {kDown, 1, 2, 2}, {kRight, 1, 2, 3},
               {kRight, 1, 2, 4}, {kRight, 1, 2, 4}, {kLeft, 1, 2, 3}, {kUp, 0, 2, 3},
               {kLeft, 0, 1, 3},  {kLeft, 0, 0, 3},  {kLeft, 0, 0, 3}};
  for (const Step& s : steps) {
    Press(0, s.bits);
    EXPECT_EQ(g_match.settingsRow[0], s.row);
    EXPECT_EQ(g_match.startGaugeLevel[0], s.gauge);
    EXPECT_EQ(g_match.handicap[0], s.handicap);
  }
  EXPECT_EQ(g_match.characterCursor[0], 0) << "the panel takes left and right";
  Press(0, kB1);
  EXPECT_EQ(g_match.settingsPanelOpen[0], 0);
  EXPECT_EQ(g_match.selectState[0], 1) << "closing the panel decides nothing";
}

TEST_F(Selection, NoSettingsPanelInSurvival) {
  g_match.survivalMode = 1;
  EnterReading(2, 1);
  Press(0, kB1);
  Recorder().ClearCalls();
  Press(0, kB4);
  EXPECT_EQ(g_match.settingsPanelOpen[0], 0);
  EXPECT_EQ(CountContaining(" font12:0 "), 0);
  // Versus draws it.
  Fresh();
  EnterReading(2, 2);
  Press(0, kB1);
  Recorder().ClearCalls();
  Press(0, kB4);
  EXPECT_EQ(CountContaining(" font12:0 "), 2 * 2) << "plain and glowing, two frames";
}

// ---- Team assignment ----------------------------------------------------------------------

TEST_F(Selection, TeamAssignmentRefusesOneSidedTeams) {
  struct Case {
    std::vector<int> teams;
    bool accepted;
  } cases[] = {{{0, 0, 0}, false},   {{1, 1, 1}, false},    {{0, 1, 1}, true}, {{1, 0, 1}, true},
               {{0, 0, 1, 1}, true}, {{1, 1, 1, 1}, false}, {{0, 1}, true},    {{0, 0}, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.teams.size());
    Fresh();
    for (size_t i = 0; i < c.teams.size(); ++i) g_match.team[i] = c.teams[i];
    EnterReading(13, static_cast<int>(c.teams.size()));
    Press(1, kB1);  // any human may accept
    EXPECT_EQ(SceneId, c.accepted ? 3 : 13);
  }
}

TEST_F(Selection, TeamCursorIsSharedAndComputersDoNotMoveIt) {
  EnterReading(13, 3);
  g_match.team[0] = g_match.team[1] = g_match.team[2] = 0;
  g_match.cpuFlag[2] = 1;
  Press(1, kLeft);
  EXPECT_EQ(MenuCursor, 2) << "wraps within the players";
  Press(0, kDown);
  EXPECT_EQ(g_match.team[2], 1);
  Press(1, kRight);
  EXPECT_EQ(MenuCursor, 0);
  // A computer player's wishes move nothing.
  PendingPressCounts[kInputRight][2] = 1;
  PendingPressCounts[kInputButton2][2] = 1;
  Frame();
  EXPECT_EQ(MenuCursor, 0);
  EXPECT_EQ(SceneId, 13);
  Press(0, kUp);
  EXPECT_EQ(g_match.team[0], 0);
  // The cursor sign is drawn once for every player: three times a frame.
  Recorder().ClearCalls();
  Frame();
  EXPECT_EQ(CountContaining("DrawRotaGraph 95 210 1 0 font08:0"), 1 + 3);
}

// ---- Stage selection ----------------------------------------------------------------------

TEST_F(Selection, StageWrapsWithinTheVersusArenas) {
  struct Case {
    int count;
    int from;
    int bits;
    int to;
  } cases[] = {{7, 0, kLeft, 6},   {7, 6, kRight, 0}, {7, 3, kRight, 4},
               {10, 9, kRight, 0}, {8, 0, kLeft, 7},  {5, 9, kLeft, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    Fresh();
    g_match.versusStageCount = c.count;
    g_match.stage = c.from;
    EnterReading(3, 2);
    Press(1, c.bits);
    EXPECT_EQ(g_match.stage, c.to);
    Recorder().ClearCalls();
    Frame();
    EXPECT_EQ(Count("DrawRotaGraph 320 240 1 0 mapt:" + std::to_string(c.to) + " 1 0"), 1);
  }
  // Button 3 held draws a stage every frame.
  std::set<int> seen;
  g_match.versusStageCount = 7;
  for (int i = 0; i < 300; ++i) {
    Frame({kB3, 0, 0, 0});
    seen.insert(g_match.stage);
  }
  EXPECT_EQ(seen, (std::set<int>{0, 1, 2, 3, 4, 5, 6}));
}

TEST_F(Selection, CountdownStartsTheVersusBattleWithEveryReset) {
  for (int teamMode : {0, 1}) {
    SCOPED_TRACE(teamMode);
    Fresh();
    g_match.teamMode = teamMode;
    g_match.stage = 2;
    ArenaVariant = 4;
    RoundWinner = 3;
    RoundNumber = 6;
    for (int p = 0; p < 4; ++p) {
      g_match.selectState[p] = 3;
      g_playerState.wins[p] = 2;
      g_playerState.cardUsed[p] = 1;
      g_playerState.powerUp[p] = 5;
      g_playerState.itemCount[p] = 5;
      g_playerState.score[p] = 5;
      g_playerState.damageDealt[p] = 5;
      g_playerState.shotsFired[p] = 5;
      g_playerState.shotsHit[p] = 5;
      g_playerState.obstaclesBroken[p] = 5;
      g_playerState.knockOuts[p] = 5;
    }
    EnterReading(3, 2);
    Recorder().ClearCalls();
    PressOnly(1, kB1);
    int loadedAt = -1;
    int frames = 1;
    while (SceneId == 3 && frames < 200) {
      Frame({kB2 | kLeft, kB2 | kRight, 0, 0});  // ignored while the countdown runs
      ++frames;
      if (loadedAt < 0 && Recorder().Count("LoadImageAsGraph") > 0) loadedAt = frames;
      if (BattleStartCountdown == 1) {
        EXPECT_TRUE(LastFrameCaptured());
      }
    }
    EXPECT_EQ(frames, 70);
    EXPECT_EQ(loadedAt, 40) << "the loading picture comes at 30";
    EXPECT_EQ(SceneId, 4);
    EXPECT_EQ(g_match.stage, 2);
    EXPECT_EQ(ArenaVariant, teamMode == 1 ? 2 : 0);
    EXPECT_EQ(RoundWinner, 0);
    EXPECT_EQ(RoundNumber, 0);
    const PlayerBattleState& s = g_playerState;
    for (int p = 0; p < 4; ++p) {
      EXPECT_EQ(g_match.selectState[p], 0);
      EXPECT_EQ(s.wins[p] + s.cardUsed[p] + s.powerUp[p] + s.itemCount[p] + s.score[p] +
                    s.damageDealt[p] + s.shotsFired[p] + s.shotsHit[p] + s.obstaclesBroken[p] +
                    s.knockOuts[p],
                0)
          << p;
    }
    EXPECT_EQ(testsupport::ResourceLoadModes(), std::vector<int>{1});
    EXPECT_EQ(Recorder().Named("StartMusicPlayback").back().Text(),
              "StartMusicPlayback Resource\\Bgm\\05.bgm 3");
    const int loading = Recorder().Named("LoadImageAsGraph")[0].answer;
    EXPECT_EQ(Recorder().Named("FreeGraphHandle").back().Int(0), loading);
    EXPECT_FALSE(Recorder().IsLiveGraph(loading));
    EXPECT_EQ(LoadingPicture, -1);
  }
}

TEST_F(Selection, SurvivalStartsFromPlayerZerosChoice) {
  g_match.survivalMode = 1;
  RoundNumber = 4;
  SurvivalArenaCycle = 3;
  SurvivalOpponentUsed[5] = 1;
  for (int p = 0; p < 4; ++p) g_playerState.score[p] = g_playerState.knockOuts[p] = 7;
  EnterReading(2, 1);
  Press(0, kB1);
  Press(0, kRight);
  PressOnly(0, kB1);
  EXPECT_EQ(BattleStartCountdown, 69);
  Frames(69);
  EXPECT_EQ(SceneId, 4);
  EXPECT_EQ(g_players[0].kind, 1);
  EXPECT_EQ(g_players[0].life, 350);
  EXPECT_EQ(RoundNumber, 0);
  // The run starts afresh and round 0 is set up: three players in the cycle's first arena, two
  // opponents from a full pool (an uncleared flag would have made three).
  EXPECT_EQ(g_match.playerCount, 3);
  EXPECT_EQ(g_match.stage, 0);
  EXPECT_EQ(SurvivalArenaCycle, 1);
  EXPECT_EQ(std::count(std::begin(SurvivalOpponentUsed), std::end(SurvivalOpponentUsed), 1), 2);
  for (int p = 0; p < 4; ++p) {
    EXPECT_EQ(g_playerState.score[p] + g_playerState.knockOuts[p], 0);
    EXPECT_EQ(g_match.selectState[p], 0);
  }
}

// ---- Back paths ---------------------------------------------------------------------------

TEST_F(Selection, EachBackPathClearsWhatItsSceneLists) {
  struct Case {
    const char* name;
    int scene;
    int teamMode;
    int survival;
    int nextScene;
    int returnCursor;  // -1: not set
    bool clearsFlagsAndStates;
    bool clearsColours;
  } cases[] = {
      {"character selection", 2, 0, 0, 8, 0, true, false},
      {"team character selection", 12, 1, 0, 8, 0, true, false},
      {"survival selection", 2, 0, 1, 1, 3, true, false},
      {"team assignment", 13, 1, 0, 12, -1, true, true},
      {"free stage selection", 3, 0, 0, 2, -1, true, true},
      {"team stage selection", 3, 1, 0, 13, -1, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    g_match.teamMode = c.teamMode;
    g_match.survivalMode = c.survival;
    MenuReturnCursor = 7;
    EnterReading(c.scene, c.survival ? 1 : 2);
    // The choices as a finished selection leaves them; slot 0 idle so that it can go back.
    const int states[4] = {0, 4, 3, 4};
    for (int p = 1; p < 4; ++p) {
      g_match.cpuFlag[p] = p % 2;
      g_match.selectState[p] = states[p];
      g_match.colourSlot[p] = 3;
    }
    g_match.colourTaken[2][3] = 1;
    Press(0, kB2);
    EXPECT_EQ(SceneId, c.nextScene);
    if (c.returnCursor >= 0) {
      EXPECT_EQ(MenuReturnCursor, c.returnCursor);
    }
    const int flags = c.clearsFlagsAndStates ? 0 : 1;
    EXPECT_EQ(g_match.cpuFlag[1], flags);
    EXPECT_EQ(g_match.selectState[2], 3 * flags);
    EXPECT_EQ(g_match.colourSlot[1], c.clearsColours ? 0 : 3);
    EXPECT_EQ(g_match.colourTaken[2][3], c.clearsColours ? 0 : 1);
    EXPECT_EQ(g_match.survivalMode, 0);
  }
}

// ---- Drawing ------------------------------------------------------------------------------

TEST_F(Selection, IdlePulseAndPanelGlowReadInsideTheirTables) {
  struct Case {
    int frame;
    int cosEntry;
    int sinEntry;
  } cases[] = {{-9, 55, 119}, {-16, 48, 112}, {70, 6, 70}, {INT_MIN + 5, 5, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frame);
    Fresh();
    g_match.playerCount = 2;
    g_match.selectState[1] = 1;
    g_match.settingsPanelOpen[1] = 1;
    SceneId = 2;
    SceneFrame = c.frame;
    CharacterSelectScene(1);
    const std::vector<std::string> log = DrawLog();
    auto before = [&](const std::string& draw) {
      for (size_t i = 1; i < log.size(); ++i) {
        if (log[i].rfind(draw, 0) == 0) return log[i - 1];
      }
      return std::string("none");
    };
    const int pulse = static_cast<int>(g_trig.cos[c.cosEntry] / 256.0 * 192);
    EXPECT_EQ(before("DrawRotaGraph 144 124 1 0 wait:0"),
              "SetBlendMode 1 " + std::to_string(pulse));
    const int glow = static_cast<int>(g_trig.negsin[c.sinEntry] / 256.0 * 255);
    std::string second;
    int seen = 0;
    for (size_t i = 1; i < log.size(); ++i) {
      if (log[i].rfind("DrawGraph 360 48 font12:0", 0) == 0 && ++seen == 2) second = log[i - 1];
    }
    EXPECT_EQ(second, "SetBlendMode 2 " + std::to_string(glow));
  }
}

TEST_F(Selection, SurvivalPanelShowsTheRecordOfTheChosenCharacter) {
  struct Case {
    int stage, breaks, score;
    int shownStage;
    bool star;
  } cases[] = {{12, 4, 56789, 12, false},
               {31, 2, 100, 30, true},
               {-5, -1, -9, 0, false},
               {INT_MAX, INT_MAX, INT_MAX, INT_MAX, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stage);
    Fresh();
    for (int d = 0; d < 10; ++d) DigitGraphs[d] = 900 + d;
    for (int d = 0; d < 10; ++d) BigDigitGraphs[d] = 800 + d;
    g_match.survivalMode = 1;
    g_match.playerCount = 1;
    g_match.characterCursor[0] = 3;
    g_match.selectState[0] = 1;
    g_survival.stage[3] = c.stage;
    g_survival.breaks[3] = c.breaks;
    g_survival.bestScore[3] = c.score;
    SceneId = 2;
    SceneFrame = 100;  // even: the star shows
    CharacterSelectScene(1);
    const std::string last = std::to_string(900 + (c.shownStage % 10));
    EXPECT_EQ(Count("DrawGraph 488 55 " + last + " 1"), 1);
    const int scoreDigit = c.score < 0 ? 0 : c.score % 10;
    EXPECT_EQ(Count("DrawGraph 542 156 " + std::to_string(800 + scoreDigit) + " 1"), 1);
    EXPECT_EQ(CountContaining(" star:1 "), c.star ? 1 : 0);
  }
}

TEST(ResultNumber, DigitsRightAlignedWithoutLeadingZeros) {
  struct Case {
    int value;
    std::vector<int> digits;  // from the last
  } cases[] = {{0, {0}},
               {7, {7}},
               {1234567, {7, 6, 5, 4, 3, 2, 1}},
               {-5, {0}},
               {INT_MIN, {0}},
               {1000000000, {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
               {INT_MAX, {7, 4, 6, 3, 8, 4, 7, 4, 1, 2}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    Recorder().Reset();
    for (int d = 0; d < 10; ++d) DigitGraphs[d] = 100 + d;
    DrawResultNumber(300, 40, c.value, 0);
    std::vector<std::string> want = {"SetModulationColor 255 255 255"};
    for (size_t k = 0; k < c.digits.size(); ++k) {
      want.push_back("DrawGraph " + std::to_string(300 - 12 * static_cast<int>(k)) + " 40 " +
                     std::to_string(100 + c.digits[k]) + " 1");
    }
    std::vector<std::string> got;
    for (const auto& call : Recorder().Calls()) got.push_back(call.Text());
    EXPECT_EQ(got, want);
  }
  for (int32_t& d : DigitGraphs) d = -1;
}

TEST_F(Selection, LoadingPictureIsFreedBeforeTheNextIsLoaded) {
  const int live = Recorder().LiveGraphs();
  const int first = LoadLoadingPicture();
  ASSERT_NE(first, -1);
  const int second = LoadLoadingPicture();
  EXPECT_FALSE(Recorder().IsLiveGraph(first));
  EXPECT_TRUE(Recorder().IsLiveGraph(second));
  EXPECT_EQ(Recorder().LiveGraphs(), live + 1) << "a demo after another leaks nothing";
  DeleteLoadingPicture();
  EXPECT_EQ(LoadingPicture, -1);
  EXPECT_EQ(Recorder().LiveGraphs(), live);
}

// ---- Bad input ----------------------------------------------------------------------------

TEST_F(Selection, EditedValuesAndEveryButtonAtOnceStayInsideTheTables) {
  const int scenes[] = {2, 12, 13, 3, 1, 8, 11, 0};
  for (int scene : scenes) {
    for (int survival : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "scene " << scene << " survival " << survival);
      Fresh();
      g_scores.unlockLevel = survival ? 99 : -7;
      g_match.survivalMode = survival;
      g_match.teamMode = scene == 12 || scene == 13 ? 1 : 0;
      const int cursors[4] = {-7, 99, 16, 15};
      const int colours[4] = {-1, 8, 100, 7};
      const int teams[4] = {5, -2, 0, 1};
      for (int p = 0; p < 4; ++p) {
        g_match.characterCursor[p] = cursors[p];
        g_match.colourSlot[p] = colours[p];
        g_match.team[p] = teams[p];
        g_players[p].kind = static_cast<uint16_t>(40 + p);
        g_survival.stage[p] = p == 0 ? INT_MIN : INT_MAX;
        g_survival.bestScore[p] = -p;
      }
      g_match.stage = 77;
      g_match.versusStageCount = 10;
      MenuReturnCursor = 42;
      EnterReading(scene, survival ? 1 : 4);
      const int all = 0x1FF;
      std::set<int> scenesSeen;
      for (int f = 0; f < 400; ++f) {
        Frame(f % 2 == 0 ? Pads{all, all, all, all} : Pads{});
        scenesSeen.insert(SceneId);
        for (int p = 0; p < 4; ++p) {
          const int32_t state = g_match.selectState[p];
          ASSERT_TRUE(state >= 0 && state <= 4) << state;
        }
        // A countdown runs out only in the scene that started it: left running anywhere else,
        // it would lock every menu's input.
        if (SceneId != 2 && SceneId != 3 && SceneId != 11 && SceneId != 12) {
          ASSERT_EQ(BattleStartCountdown, 0) << "scene " << SceneId;
        }
      }
      for (int s : scenesSeen) {
        EXPECT_TRUE(s == 0 || s == 1 || s == 2 || s == 3 || s == 4 || s == 6 || s == 8 || s == 11 ||
                    s == 12 || s == 13 || s == 15 || s == 23)
            << s;
      }
      for (int p = 0; p < 4; ++p) {
        if (g_match.characterCursor[p] != cursors[p]) {
          EXPECT_GE(g_match.characterCursor[p], 0);
          EXPECT_LE(g_match.characterCursor[p], 15);
        }
      }
    }
  }
}

}  // namespace
