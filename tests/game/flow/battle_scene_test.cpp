// The battle scene: round flow, knock-outs and awards, the story and survival branches, the
// per-player rules of one frame, cut-ins and wall bounces, each frame run as the game runs it (the
// flow's scene over the battle's step) on the recording library.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/flow/flow.h"
#include "morrow/recording/library_recorder.h"
#include "tests/game/battle/effects_made.h"
#include "tests/game/battle/items_made.h"
#include "tests/support/battle_state.h"
#include "tests/support/resource_loads.h"
#include "tests/support/script_files.h"
#include "tests/support/shots_made.h"
#include "tools/lib/battlesupport/step_battle_frame.h"

namespace {

using namespace veyrdale;
using testsupport::EffectsWithCode;
using testsupport::KnockOut;
using testsupport::LiveEffects;

// A match as the shared helper sets it up, with the library's recorded calls cleared, so that the
// resource loads of the case are counted from here.
void SetUpMatch(const std::vector<int>& characters, int arena = -1) {
  testsupport::SetUpMatch(characters, arena);
  testsupport::Recorder().ClearCalls();
}

void Frames(int n) {
  const int none[4] = {};
  for (int i = 0; i < n; ++i) StepBattleFrame(none);
}

// The resource loader is the game's own; its loads are read from the library's calls.
bool IsResourceLoad(const char* name) {
  return std::string(name) == "LoadGameResources";
}

int64_t Calls(const char* name) {
  EXPECT_TRUE(IsResourceLoad(name)) << name;
  return static_cast<int64_t>(testsupport::ResourceLoadModes().size());
}

int64_t LastIntArg(const char* name, int /*i*/) {
  EXPECT_TRUE(IsResourceLoad(name)) << name;
  std::vector<int> modes = testsupport::ResourceLoadModes();
  return modes.empty() ? -1 : modes.back();
}

// How often the first glyph sheet of set "a" or "b" was loaded.
int SheetLoads(const char* set) {
  const std::string path = std::string("Resource\\Fnt\\fnt_") + set + "0.dat";
  int loads = 0;
  for (const auto& call : testsupport::Recorder().Named("LoadImageAsGraph")) {
    loads += call.args[0] == path;
  }
  return loads;
}

// ---- Round flow -----------------------------------------------------------------------------

struct FlowCase {
  const char* name;
  std::vector<int> chars;
  std::vector<int> teams;  // empty: free for all
  int winCount;
  bool survival;
  std::vector<int> winsBefore;
  std::vector<int> lives;  // life of each player when the knock-outs happen (0: knocked out)
  std::vector<int> knockedOut;
  bool decidedAtOnce;
  std::vector<int> winsAfter;
  int roundWinner;
  int sceneAfter;  // 4: the next round starts
};

TEST(RoundFlow, KnockOutAwardThenNextRoundOrHandOver) {
  const FlowCase cases[] = {
      {"first win of one", {0, 1}, {}, 1, false, {0, 0}, {350, 0}, {1}, true, {1, 0}, 0, 4},
      {"win count 0 decides", {0, 1}, {}, 0, false, {0, 0}, {350, 0}, {1}, true, {1, 0}, 1, 7},
      {"win count 2 goes on", {0, 1}, {}, 2, false, {1, 0}, {350, 0}, {1}, true, {2, 0}, 0, 4},
      {"second win of two", {0, 1}, {}, 1, false, {1, 0}, {350, 0}, {1}, true, {2, 0}, 1, 7},
      {"player 1 wins", {0, 1}, {}, 0, false, {0, 0}, {0, 350}, {0}, true, {0, 1}, 2, 7},
      {"three, both out",
       {0, 1, 2},
       {},
       0,
       false,
       {0, 0, 0},
       {0, 9, 0},
       {0, 2},
       true,
       {0, 1, 0},
       2,
       7},
      {"team 1 out, best of team 0",
       {0, 1, 0, 1},
       {0, 1, 0, 1},
       0,
       false,
       {0, 0, 0, 0},
       {100, 0, 300, 0},
       {1, 3},
       true,
       {1, 0, 1, 0},
       3,
       7},
      {"team 0 out, first of equals",
       {0, 1, 0, 1},
       {0, 1, 0, 1},
       0,
       false,
       {0, 0, 0, 0},
       {0, 350, 0, 350},
       {0, 2},
       true,
       {0, 1, 0, 1},
       2,
       7},
      {"teams, one round of two",
       {0, 1, 0, 1},
       {0, 1, 0, 1},
       1,
       false,
       {0, 0, 0, 0},
       {0, 350, 0, 350},
       {0, 2},
       true,
       {0, 1, 0, 1},
       0,
       4},
      {"survival won", {0, 1}, {}, 1, true, {0, 0}, {350, 0}, {1}, true, {1, 0}, 1, 4},
      {"survival lost", {0, 1}, {}, 1, true, {0, 0}, {0, 350}, {0}, true, {0, 2}, 2, 29},
  };
  for (const FlowCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch(c.chars);
    if (!c.teams.empty()) {
      g_match.teamMode = 1;
      for (size_t i = 0; i < c.teams.size(); ++i) g_match.team[i] = c.teams[i];
    }
    g_options.winCount = c.winCount;
    g_match.survivalMode = c.survival ? 1 : 0;
    Frames(300);
    ASSERT_EQ(RoundFrame, 300);
    for (size_t i = 0; i < c.chars.size(); ++i) {
      g_playerState.wins[i] = c.winsBefore[i];
      g_players[i].life = c.lives[i];
    }
    for (int p : c.knockedOut) KnockOut(p);
    Frames(1);
    for (int p : c.knockedOut) {
      EXPECT_EQ(g_players[p].state, 13);
      EXPECT_EQ(g_players[p].stateTimer, 120);
    }
    EXPECT_EQ(FreezeFrames, c.decidedAtOnce ? 59 : 0);
    EXPECT_EQ(RoundEndFrames, c.decidedAtOnce ? 120 : 0);
    // 59 frozen frames, then 120 of the knock-out: it ends together with the round.
    Frames(179);
    for (int p : c.knockedOut) EXPECT_EQ(g_players[p].state, 14);
    for (size_t i = 0; i < c.chars.size(); ++i) EXPECT_EQ(g_playerState.wins[i], c.winsAfter[i]);
    EXPECT_EQ(RoundWinner, c.roundWinner);
    EXPECT_EQ(RoundFrame, -100);
    EXPECT_EQ(RoundNumber, 1);
    Frames(100);
    EXPECT_EQ(RoundFrame, 0);
    Frames(1);
    EXPECT_EQ(SceneId, c.sceneAfter);
    if (c.sceneAfter == 4 && !c.survival) {
      EXPECT_EQ(RoundFrame, 1);
      for (int p : c.knockedOut) {
        EXPECT_EQ(g_players[p].state, 0);
        EXPECT_EQ(g_players[p].life, 350);
      }
      EXPECT_EQ(Calls("LoadGameResources"), 0);
    } else if (c.sceneAfter == 7) {
      EXPECT_EQ(LastIntArg("LoadGameResources", 0), 0);
      EXPECT_EQ(SheetLoads("b"), 1) << "the glyph sheets of the win quotes";
      EXPECT_EQ(SheetLoads("a"), 0);
    }
    if (c.survival) {
      // The round counter goes back one; after a won round the next round's set-up counts it
      // again and makes the next match (round 0's three players).
      EXPECT_EQ(RoundNumber, c.roundWinner == 1 ? 1 : 0);
      EXPECT_EQ(g_match.playerCount, c.roundWinner == 1 ? 3 : 2);
    }
  }
}

TEST(RoundFlow, ThreePlayersNeedTwoKnockOuts) {
  SetUpMatch({0, 1, 2});
  Frames(300);
  KnockOut(1);
  Frames(1);
  EXPECT_EQ(g_players[1].state, 13);
  EXPECT_EQ(FreezeFrames, 0) << "two players are still in";
  EXPECT_EQ(RoundEndFrames, 0);
  KnockOut(2);
  Frames(1);
  EXPECT_EQ(FreezeFrames, 59);
  EXPECT_EQ(RoundEndFrames, 120);
  EXPECT_EQ(g_playerState.recoveryGuard[0], 100) << "the round end guards everyone";
}

TEST(RoundFlow, KnockOutEndingBetweenRoundsAwardsNothing) {
  // The scene counts the round frame up before the players run: -2 is -1 when the timer ends.
  for (int roundFrame : {-50, -2, 600}) {
    SCOPED_TRACE(roundFrame);
    SetUpMatch({0, 1});
    g_options.winCount = 0;
    RoundFrame = roundFrame;
    g_players[1].state = 13;
    g_players[1].stateTimer = 1;
    BattleScene(0);
    EXPECT_EQ(g_players[1].state, 14);
    EXPECT_EQ(LastKnockedOut, 1);
    const bool awarded = roundFrame >= 0;
    EXPECT_EQ(g_playerState.wins[0], awarded ? 1 : 0);
    EXPECT_EQ(RoundWinner, awarded ? 1 : 0);
  }
}

struct StoryCase {
  const char* name;
  int kind;
  int stage;
  std::vector<int> knockedOut;
  int stageAfter;
  int roundWinner;
  const char* script;  // the last script loaded, "" none
  int continuePause;
  int endingFade;
  int roundNumber;
};

TEST(RoundFlow, StoryRoundEnds) {
  const StoryCase cases[] = {
      {"main stage 5 won", 0, 5, {1}, 6, 1, "06", 0, 0, 1},
      {"main stage 3 won against two", 0, 3, {1, 2}, 4, 1, "04", 0, 0, 1},
      {"main stage 3 lost", 0, 3, {0}, 3, 2, "", 1, 0, 0},
      {"main stage 4 lost", 0, 4, {0}, 4, 2, "", 1, 0, 0},
      {"main stage 1 lost leads on", 0, 1, {0}, 2, 1, "02b", 0, 0, 1},
      // The fade starts at 48 and runs from the same frame.
      {"main last stage won", 0, 16, {1, 2}, 16, 1, "", 0, 47, 1},
      {"extra stage 0 lost", 1, 0, {0}, 1, 2, "ex101b", 0, 0, 1},
      {"extra stage 0 won", 1, 0, {1}, 1, 1, "ex101", 0, 0, 1},
      {"extra last stage lost", 1, 8, {0}, 8, 2, "", 0, 47, 1},
  };
  testsupport::ScriptTree scripts;
  scripts.WriteAllNamed();
  for (const StoryCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({0, 1});
    g_match.storyMode = 1;
    g_match.storyKind = c.kind;
    g_match.storyStage = c.stage;
    InitStageTypeTable(c.kind);
    SetupStoryStage(c.stage, c.kind);
    for (int p = 0; p < 4; ++p) g_match.cpuFlag[p] = 0;  // nobody decides for the tests
    InstallMoveTable();
    RoundFrame = 300;
    for (int p : c.knockedOut) KnockOut(p);
    Frames(180);
    EXPECT_EQ(RoundFrame, -100);
    EXPECT_EQ(g_match.storyStage, c.stageAfter);
    EXPECT_EQ(RoundWinner, c.roundWinner);
    EXPECT_EQ(testsupport::LoadedScriptName(), c.script);
    if (c.script[0] != '\0') {
      EXPECT_EQ(StoryPreFight, 119);
      EXPECT_EQ(StoryScriptFade, 32);
      EXPECT_EQ(testsupport::ShownPage(), c.script) << "its first page runs";
    }
    EXPECT_EQ(ContinuePause, c.continuePause);
    EXPECT_EQ(EndingFade, c.endingFade);
    EXPECT_EQ(RoundNumber, c.roundNumber);
  }
}

TEST(RoundFlow, EndingFadeLeadsToTheEndOfTheStory) {
  struct Case {
    int kind;
    int winner;
    const char* script;
  } cases[] = {{0, 1, "17"}, {1, 1, "ex109"}, {1, 2, "ex109b"}};
  testsupport::ScriptTree scripts;
  scripts.WriteAllNamed();
  for (const Case& c : cases) {
    SetUpMatch({0, 1});
    g_match.storyMode = 1;
    g_match.storyKind = c.kind;
    g_match.storyStage = 8;
    g_match.cpuFlag[1] = 1;
    PictureIndex = 4;
    RoundWinner = c.winner;
    RoundFrame = -50;
    EndingFade = 48;
    Frames(47);
    EXPECT_EQ(SceneId, 4);
    Frames(1);
    EXPECT_EQ(SceneId, 21);
    EXPECT_EQ(g_match.storyMode, 0);
    EXPECT_EQ(g_match.storyStage, 0);
    EXPECT_EQ(g_match.cpuFlag[1], 0);
    EXPECT_EQ(PictureIndex, 0);
    EXPECT_EQ(LastIntArg("LoadGameResources", 0), 2);
    EXPECT_EQ(testsupport::LoadedScriptName(), c.script);
    EXPECT_EQ(FadeFrames, 30) << "the frame asked for a cross-fade";
  }
}

// ---- The story's pre-fight phase ------------------------------------------------------------

TEST(StoryPreFight, DialogueThenFightResultOrNextStage) {
  struct Case {
    int stage;
    int type;
  } cases[] = {{0, 3}, {1, 1}, {2, 2}};
  testsupport::ScriptTree scripts;
  scripts.WriteAllNamed();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stage);
    SetUpMatch({0, 1});
    g_match.storyMode = 1;
    g_match.storyStage = c.stage;
    InitStageTypeTable(0);
    SetupStoryStage(c.stage, 0);
    for (int p = 0; p < 4; ++p) g_match.cpuFlag[p] = 0;
    ASSERT_EQ(LoadScenarioScript(c.stage), 99);
    GlyphSheetsB[5] = 4321;
    StoryPreFight = 1;
    Frames(1);
    EXPECT_EQ(testsupport::ShownPage(), "");
    EXPECT_EQ(g_players[0].life, 350) << "the players start at pre-fight 2";
    Frames(116);
    EXPECT_EQ(StoryPreFight, 119);
    EXPECT_EQ(StoryScriptFade, 31) << "32 at 118, counting from the same frame";
    EXPECT_EQ(testsupport::ShownPage(), scripts.Stem(c.stage)) << "the first page ran";
    g_players[0].state = 1;
    g_players[0].vx = 6.0f;
    // The fade runs out and the dialogue goes on, with player 0 pressing to walk and attack.
    const int pressing[4] = {kPadRight | kPadButton0};
    for (int i = 0; i < 40; ++i) StepBattleFrame(pressing);
    EXPECT_EQ(StoryScriptFade, 0);
    EXPECT_GT(StoryPreFight, 120);
    EXPECT_EQ(g_players[0].state, 0) << "nobody walks during the dialogue";
    EXPECT_LT(std::fabs(g_players[0].vx), 0.01f);
    EXPECT_EQ(g_playerState.currentMove[0], 0) << "nor attacks";
    EXPECT_EQ(testsupport::AllShotsMade(), 0);
    StoryScriptFade = 32;  // the dialogue's script has ended
    Frames(31);
    if (c.type == 2) {
      EXPECT_EQ(SceneId, 10);
      EXPECT_EQ(StoryPreFight, 1);
      EXPECT_EQ(GlyphSheetsB[5], -1) << "the glyph sheets are freed";
      continue;
    }
    EXPECT_EQ(StoryScriptFade, 1);
    for (auto& slot : PortraitHandles) slot[0] = 5;
    Frames(1);
    if (c.type == 3) {
      EXPECT_EQ(StoryPreFight, 1);
      EXPECT_EQ(g_match.storyStage, c.stage + 1) << "straight on to the next stage";
      EXPECT_EQ(LastIntArg("LoadGameResources", 0), 1);
      EXPECT_EQ(testsupport::LoadedScriptName(), scripts.Stem(c.stage + 1));
    } else {
      EXPECT_EQ(StoryPreFight, 0) << "the fight begins";
      EXPECT_EQ(g_match.storyStage, c.stage);
    }
    EXPECT_EQ(PortraitHandles[3][0], -1);
  }
}

// ---- One player's frame ---------------------------------------------------------------------

TEST(BattleFrame, MeterRefillByHandicapState) {
  struct Case {
    const char* name;
    int state;
    int handicap;
    float meter;
    int attackDelay;
    int button4;
    int regenPause;
    int story;
    int kind;
    float meterAfter;
  } cases[] = {
      {"even, standing", 0, 2, 600, 0, 0, 0, 0, 0, 604},
      {"handicap 4", 0, 4, 600, 0, 0, 0, 0, 0, 605},
      {"handicap 0", 0, 0, 600, 0, 0, 0, 0, 0, 603},
      {"moving", 3, 2, 600, 0, 0, 0, 0, 0, 602},
      {"moving, handicap 4", 3, 4, 600, 0, 0, 0, 0, 0, 602.5},
      {"moving, handicap 0", 3, 0, 600, 0, 0, 0, 0, 0, 601.5},
      {"attack delay", 0, 2, 600, 3, 0, 0, 0, 0, 600},
      {"paused", 0, 2, 600, 0, 0, 5, 0, 0, 600},
      {"modifier held", 0, 2, 600, 0, 5, 0, 0, 0, 600},
      {"modifier held long", 0, 2, 600, 0, 9, 0, 0, 0, 598},
      {"modifier held long, walking", 1, 2, 600, 0, 9, 0, 0, 0, 598},
      {"full", 0, 2, 700, 0, 0, 0, 0, 0, 700},
      {"just below full", 0, 2, 699, 0, 0, 0, 0, 0, 703},
      {"negative", 0, 2, -5, 0, 0, 0, 0, 0, 4},
      {"character 10 in the story", 3, 2, 100, 0, 9, 0, 1, 10, 700},
      {"character 10 in versus", 3, 2, 100, 0, 0, 0, 0, 10, 102},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({c.kind, 1});
    g_match.storyMode = c.story;
    RoundFrame = 400;
    BattleObject& p = g_players[0];
    p.state = c.state;
    p.stateTimer = 30;  // an attack in progress goes on through the frame
    p.meter = c.meter;
    p.attackDelay = static_cast<int16_t>(c.attackDelay);
    g_match.handicap[0] = c.handicap;
    HeldFrameCounts[kInputButton4][0] = c.button4;
    g_playerState.meterRegenPause[0] = c.regenPause;
    BattleScene(0);
    EXPECT_FLOAT_EQ(p.meter, c.meterAfter);
    EXPECT_EQ(p.attackDelay, c.attackDelay > 0 ? c.attackDelay - 1 : 0);
    EXPECT_EQ(g_playerState.meterRegenPause[0], c.regenPause > 0 ? c.regenPause - 1 : 0);
  }
}

TEST(BattleFrame, StateTimer8888SurvivesOnlyInTheSpellCard) {
  struct Case {
    int state;
    int timerAfter;
  } cases[] = {{9, 8887}, {0, 1}, {3, 0}, {12, 0}};  // the card counts down; standing from 0
  for (const Case& c : cases) {
    SetUpMatch({0, 1});
    RoundFrame = 400;
    g_players[0].state = c.state;
    g_players[0].stateTimer = 8888;
    BattleScene(0);
    EXPECT_EQ(g_players[0].stateTimer, c.timerAfter) << c.state;
  }
}

// A gauge item taken during the frame raises the gauge by 100 (held at 200): crossing 100 or 200
// within the frame shows the notice, and the gauge stays in range.
TEST(BattleFrame, GaugeStaysInRangeWithNoticesAt100And200) {
  struct Case {
    float gauge;
    bool notice;
    float after;
  } cases[] = {
      {0, true, 100},   {90, true, 190},  {99.5f, true, 199.5f}, {100, true, 200},
      {150, true, 200}, {199, true, 200}, {200, false, 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gauge);
    SetUpMatch({0, 1});
    RoundFrame = 400;
    g_players[0].x = 200;
    g_players[0].y = 200;
    g_items[0] = ItemRecord{};
    g_items[0].x = 200;
    g_items[0].y = 200;
    g_items[0].kind = kSpecialItemKind;
    g_itemFlags[0] = 1;
    g_playerState.spellGauge[0] = c.gauge;
    BattleScene(0);
    EXPECT_FLOAT_EQ(g_playerState.spellGauge[0], c.after);
    EXPECT_EQ(EffectsWithCode(0), c.notice ? 3 : 0) << "kind 1 three times";
    EXPECT_EQ(g_itemFlags[0], 0) << "taken";
  }
}

// Their directions are those of walking (PlayerControl.DirectionOfEveryCombination).
TEST(BattleFrame, GhostsDriftAndDrainMeter) {
  SetUpMatch({0, 1});
  RoundFrame = 400;
  BattleObject& ghost = g_players[0];
  ghost.state = 14;
  ghost.x = 100;
  ghost.y = 100;
  HeldFrameCounts[kInputUp][0] = 1;
  BattleScene(0);
  EXPECT_EQ(ghost.heading, 64);
  EXPECT_EQ(ghost.state, 15);
  EXPECT_FLOAT_EQ(ghost.vy, -1.2f / 6.0f);
  EXPECT_EQ(g_playerState.recoveryGuard[0], 1) << "2, lowered once";
  // The drain: other players within 64 pixels whose guard is down.
  struct Drain {
    float dx;
    int guard;
    float meter;
  } drains[] = {{30, 0, 698}, {63, 0, 698}, {64, 0, 700}, {30, 1, 700}, {30, -5, 698}};
  for (const Drain& d : drains) {
    SetUpMatch({0, 1});
    RoundFrame = 400;
    g_players[0].state = 14;
    g_players[0].x = g_players[0].trailX[0] = 100;
    g_players[0].y = g_players[0].trailY[0] = 100;
    g_players[1].x = g_players[1].trailX[0] = 100 + d.dx;
    g_players[1].y = g_players[1].trailY[0] = 100;
    g_players[1].guard = static_cast<int16_t>(d.guard);
    g_players[1].meter = 700;
    g_players[1].attackDelay = 1;  // no refill this frame
    BattleScene(0);
    EXPECT_FLOAT_EQ(g_players[1].meter, d.meter) << d.dx << " " << d.guard;
  }
}

// ---- Wall bounces ---------------------------------------------------------------------------

TEST(WallBounce, HeadingStaysInTheTablesAndSpeedIsCapped) {
  struct Case {
    const char* name;
    float x, y;
    float vy;
    int pushHeading;
    float speed;
    int headingAfter;
    int burst;  // items made, -1: none
    int burstX, burstY;
  } cases[] = {
      {"top", 300, 20, -3, 64, 12, 192, 4, 300, 38},
      {"bottom", 300, 460, 3, 200, 5, 56, -1, 0, 0},
      {"left", 10, 200, 0, 128, 9.5f, 0, 4, 30, 200},
      {"right moving down", 630, 200, 2, 20, 10, 108, 4, 610, 200},
      {"right, heading beyond the table", 630, 200, 2, 300, 10, 84, 4, 610, 200},
      {"left, negative heading", 10, 200, 0, -77, 7, 205, -1, 0, 0},
      {"top, extreme heading", 300, 20, 0, INT32_MIN, 50, 0, 4, 300, 38},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({0, 1});
    RoundFrame = 400;
    SceneFrame = 1;  // odd: the history keeps the position before the move
    BattleObject& p = g_players[1];
    p.state = 10;
    p.stateTimer = 30;
    p.life = 100;
    p.x = c.x;
    p.y = c.y;
    p.trailX[0] = 320;
    p.trailY[0] = 240;
    p.vy = c.vy;
    p.pushHeading = c.pushHeading;
    p.speed = c.speed;
    BattleScene(0);
    EXPECT_EQ(p.pushHeading, c.headingAfter);
    EXPECT_LE(std::hypot(p.vx, p.vy), 9.0f + 1e-3f);
    EXPECT_EQ(testsupport::ItemsInPool(), c.burst < 0 ? 0 : c.burst);
    if (c.burst >= 0) {
      // Made at the burst's point, then moved once by the item update of the same frame.
      EXPECT_EQ(testsupport::LastItem()->prevX, static_cast<float>(c.burstX));
      EXPECT_EQ(testsupport::LastItem()->prevY, static_cast<float>(c.burstY));
    }
    // A second bounce in the same hit-stun makes no second burst.
    p.x = c.x;
    p.y = c.y;
    SceneFrame = 3;
    BattleScene(0);
    EXPECT_EQ(testsupport::ItemsInPool(), c.burst < 0 ? 0 : c.burst);
    EXPECT_GE(p.pushHeading, 0);
    EXPECT_LE(p.pushHeading, 255);
  }
}

TEST(WallBounce, MapWallsBounceUnlessAirborneOrOnArena7) {
  struct Case {
    int arena;
    int airborne;
    bool bounced;
  } cases[] = {{0, 0, true}, {7, 0, false}, {0, 1, false}};
  for (const Case& c : cases) {
    SetUpMatch({0, 1}, c.arena);
    RoundFrame = 400;
    SceneFrame = 1;
    SetCell(6, 5, 1);  // the cell at (192-223, 160-191)
    BattleObject& p = g_players[1];
    p.state = 10;
    p.stateTimer = 30;
    p.life = 100;
    p.x = 200;
    p.y = 150;  // the box reaches into the wall below
    p.trailX[0] = 200;
    p.trailY[0] = 120;
    p.pushHeading = 192;
    p.speed = 4;
    g_playerState.airborne[1] = static_cast<uint8_t>(c.airborne);
    BattleScene(0);
    EXPECT_EQ(p.pushHeading, c.bounced ? 64 : 192) << c.arena << " " << c.airborne;
  }
}

TEST(WallBounce, HeldPlayerIsLetGoOnlyByItsOwnLiveShot) {
  struct Case {
    const char* name;
    int slot;
    int shotState;
    int carried;  // the shot's recovery
    bool release;
  } cases[] = {
      {"its carrier", 40, 1, 1, true},
      {"a dead shot", 40, 0, 1, false},
      {"another player's carrier", 40, 1, 0, false},
      {"slot past the pool", 512, 1, 1, false},
      {"negative slot", -3, 1, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({0, 1});
    RoundFrame = 400;
    SceneFrame = 1;
    BattleObject& p = g_players[1];
    p.state = 11;
    p.stateTimer = 30;
    p.life = 100;
    p.x = 300;
    p.y = 20;
    p.trailY[0] = 240;
    p.speed = 3;
    g_playerState.freezeTimer[1] = 2;  // the knock-back itself does not run
    g_playerState.heldFlag[1] = 1;
    g_playerState.holdingShot[1] = c.slot;
    BattleObject& shot = g_shots[40];
    shot.state = c.shotState;
    shot.recovery = c.carried;
    shot.owner = 0;
    BattleScene(0);
    EXPECT_EQ(g_playerState.heldFlag[1], 0);
    // The release is character 0's move 7: a volley of sixteen.
    EXPECT_EQ(testsupport::AllShotsMade(), c.release ? 16 : 0);
    EXPECT_EQ(shot.state, c.release ? 0 : c.shotState);
    // 30, less the one frame the battle draw at the end of the frame counts down.
    EXPECT_EQ(ScreenShake, c.release ? 29 : 0);
    if (c.release) {
      const BattleObject* made = testsupport::LastShotMade(shot.kind);
      ASSERT_NE(made, nullptr);
      EXPECT_EQ(made->move, 7);
      EXPECT_EQ(made->owner, 0);
    }
  }
}

// ---- Cut-ins --------------------------------------------------------------------------------

TEST(CutIn, FinalDamageByHandicapAndTheVictimWhoWouldNeverFall) {
  struct Case {
    const char* name;
    int attacker;
    int victim;
    int victimHandicap;
    int victimState;
    int life;
    int lifeAfter;
    int stateAfter;
    int timerAfter;
  } cases[] = {
      // Character 0's move 6 does 160.
      {"even handicap", 0, 1, 2, 0, 350, 190, 0, 5},
      {"handicap 0 takes more", 0, 1, 0, 0, 350, 158, 0, 5},
      {"handicap 4 takes less", 0, 1, 4, 0, 350, 222, 0, 5},
      {"finished while standing", 0, 1, 2, 0, 100, -60, 10, 16},
      {"finished while walking", 0, 1, 2, 3, 160, 0, 10, 16},
      {"finished in hit-stun", 0, 1, 2, 10, 100, -60, 10, 5},
      {"already out", 0, 1, 2, 14, 100, -60, 14, 5},
      {"attacker out of range", 7, 1, 2, 0, 350, 350, 0, 5},
      {"victim out of range", 0, -2, 2, 0, 350, 350, 0, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({0, 1});
    RoundFrame = 400;
    FreezeFrames = 5;
    CutInFrames = 1;
    CutInAttacker = c.attacker;
    CutInVictim = c.victim;
    g_match.handicap[1] = c.victimHandicap;
    g_players[1].state = c.victimState;
    g_players[1].stateTimer = 5;
    g_players[1].life = c.life;
    BattleScene(0);
    EXPECT_EQ(CutInFrames, 0);
    EXPECT_EQ(FlashFrames, 20);
    EXPECT_EQ(g_players[1].life, c.lifeAfter);
    EXPECT_EQ(g_players[1].state, c.stateAfter);
    EXPECT_EQ(g_players[1].stateTimer, c.timerAfter);
  }
  // The next unfrozen frame knocks the finished victim out, and a round without a time limit ends.
  SetUpMatch({0, 1});
  g_options.timeLimit = 2;
  RoundFrame = 400;
  FreezeFrames = 1;
  CutInFrames = 1;
  CutInAttacker = 0;
  CutInVictim = 1;
  g_players[1].life = 100;
  Frames(2);
  EXPECT_EQ(g_players[1].state, 13);
  EXPECT_EQ(RoundEndFrames, 120);
}

// ---- Power-ups ------------------------------------------------------------------------------

TEST(BattleFrame, PowerUpsByCharacter) {
  struct Case {
    const char* name;
    int kind;
    int powerUp;
    int state;
    int storyKind;  // -1 outside the story
    int storyStage;
    int powerUpAfter;
    int stateAfter;
    float vz;
    int specialMode;
  } cases[] = {
      {"counts down", 0, 100, 0, -1, 0, 98, 0, 0, 0},
      {"held in the spell card", 0, 100, 9, -1, 0, 100, 9, 0, 0},
      {"character 2 ends in the special move", 2, 2, 0, -1, 0, 0, 8, -3, 0},
      {"character 5 ends with mode 8000", 5, 2, 0, -1, 0, 0, 8, -3, 8000},
      {"character 12 ends without a jump", 12, 2, 0, -1, 0, 0, 8, 0, 8000},
      {"character 9 holds at 996", 9, 996, 0, -1, 0, 996, 0, 0, 0},
      {"extra story keeps character 3's", 3, 50, 0, 1, 0, 50, 0, 0, 0},
      {"main story does not", 3, 50, 0, 0, 0, 48, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({c.kind, 1});
    if (c.storyKind >= 0) {
      g_match.storyMode = 1;
      g_match.storyKind = c.storyKind;
      g_match.storyStage = c.storyStage;
    }
    RoundFrame = 400;
    SceneFrame = 2;
    BattleObject& p = g_players[0];
    p.state = c.state;
    p.stateTimer = 50;  // a card in its middle
    p.meter = 10;
    g_playerState.powerUp[0] = c.powerUp;
    SpellScreenActive = 1;
    BattleScene(0);
    EXPECT_EQ(g_playerState.powerUp[0], c.powerUpAfter);
    EXPECT_EQ(p.state, c.stateAfter);
    EXPECT_FLOAT_EQ(p.vz, c.vz);
    EXPECT_EQ(g_playerState.specialMode[0], c.specialMode);
    EXPECT_FLOAT_EQ(p.meter, 700);
    // The spell screen ends once no power-up runs unheld and no card is in play.
    const bool keeps = c.stateAfter == 9 || (c.powerUpAfter > 0 && !(c.storyKind == 1));
    EXPECT_EQ(SpellScreenActive, keeps ? 1 : 0);
  }
}

// ---- After the simulation -------------------------------------------------------------------

TEST(BattleFrame, DrawSkippedOnlyOnOddHalfRateFramesWithoutCapture) {
  struct Case {
    int halfRate;
    int frameCount;
    int fade;
    int spell;
    bool drawn;
  } cases[] = {{0, 1, 0, 0, true}, {1, 2, 0, 0, true}, {1, 3, 0, 0, false}, {1, 3, 1, 0, true},
               {1, 3, 0, 1, true}, {1, 2, 1, 0, true}, {1, 2, 0, 1, true}};
  for (const Case& c : cases) {
    SetUpMatch({0, 1});
    RoundFrame = 400;
    g_display.halfRatePresent = c.halfRate;
    FrameCount = c.frameCount;
    FadeCaptureRequest = static_cast<uint8_t>(c.fade);
    SpellCaptureRequest = static_cast<uint8_t>(c.spell);
    ScreenShake = 5;  // a drawn frame spends one frame of it
    BattleScene(0);
    EXPECT_EQ(ScreenShake, c.drawn ? 4 : 5) << c.frameCount;
  }
}

TEST(BattleFrame, ArenaEventsByArenaAndFrame) {
  struct Case {
    int arena;
    int sceneFrame;
    int placed;
    int effect;  // the code of the first effect made (kind 115: 131, 116 and 117: 132), -1 none
  } cases[] = {{4, 900, 1, -1},  {4, 800, 0, -1},   {4, 901, 0, -1},   {4, 2600, 1, -1},
               {4, 2700, 0, -1}, {4, 4600, 1, -1},  {9, 2400, 1, -1},  {9, 1200, 1, -1},
               {9, 17, 0, 131},  {9, 2800, 0, 132}, {9, 5500, 0, 132}, {3, 900, 0, -1}};
  for (const Case& c : cases) {
    SetUpMatch({0, 1});
    g_match.stage = c.arena;
    RoundFrame = 400;
    SceneFrame = c.sceneFrame;
    BattleScene(0);
    // Arena 4 places its walker, arena 9 its orbiters, both into slot 0.
    EXPECT_EQ(g_familiars[0].state, c.placed) << c.arena << " " << c.sceneFrame;
    if (c.placed == 1) {
      EXPECT_EQ(g_familiars[0].kind, c.arena == 4 ? 2 : 9);
    }
    EXPECT_EQ(LiveEffects() == 0 ? -1 : g_effects[0].code, c.effect);
  }
}

TEST(BattleFrame, DemonstrationEndsAt6200) {
  SetUpMatch({0, 1});
  g_match.cpuFlag[0] = g_match.cpuFlag[1] = 1;
  DemoFrames = 6198;
  RoundFrame = 500;
  BattleScene(0);
  EXPECT_EQ(DemoFrames, 6199);
  EXPECT_EQ(SceneId, 4);
  BattleScene(0);
  EXPECT_EQ(SceneId, 9);
  EXPECT_EQ(DemoFrames, 0);
  EXPECT_EQ(RoundFrame, 0);
  EXPECT_EQ(g_match.cpuFlag[1], 0);
  EXPECT_EQ(LastIntArg("LoadGameResources", 0), 0);
  // No hand-over during the demonstration, whatever the winner.
  SetUpMatch({0, 1});
  DemoFrames = 1400;
  RoundWinner = 1;
  BattleScene(0);
  EXPECT_EQ(SceneId, 4);
  EXPECT_EQ(RoundFrame, 1);
}

TEST(BattleFrame, ShotHistoriesAndLiveCount) {
  SetUpMatch({0, 1});
  RoundFrame = 400;
  SceneFrame = 2;
  g_shots[3].state = 1;
  g_shots[3].stateTimer = 5;
  g_shots[3].x = 50;
  g_shots[3].trailX[0] = 40;
  g_shots[7].state = 0;
  g_shots[7].x = 70;
  g_shots[7].trailX[0] = 60;  // a record with stateTimer 0 keeps its newest entry
  g_shots[9].state = 1;
  g_shots[9].stateTimer = 1;
  BattleScene(0);
  EXPECT_EQ(LiveShotCount, 2);
  EXPECT_EQ(g_shots[3].stateTimer, 6) << "each live shot updated once";
  EXPECT_EQ(g_shots[9].stateTimer, 2);
  EXPECT_EQ(g_shots[7].stateTimer, 0);
  EXPECT_FLOAT_EQ(g_shots[3].trailX[0], 50);
  EXPECT_FLOAT_EQ(g_shots[3].trailX[1], 40);
  EXPECT_FLOAT_EQ(g_shots[7].trailX[0], 60);
  EXPECT_FLOAT_EQ(g_shots[7].trailX[1], 60);
}

TEST(BattleFrame, PlayerCountOutsideOneToFourIsBounded) {
  for (int count : {0, -7, 9, 1000}) {
    SetUpMatch({0, 1, 0, 1});
    g_match.playerCount = count;
    RoundFrame = 400;
    ScreenShake = 5;
    BattleScene(0);
    EXPECT_EQ(ScreenShake, 4) << count << ": the frame was drawn";
    EXPECT_EQ(IndexMisses, 0);
  }
}

TEST(BattleFrame, HostileSetUpValuesNeverIndexOutside) {
  struct Case {
    const char* name;
    int storyMode;
    int storyKind;
    int storyStage;
    int stage;
    int handicap;
    int team;
    int route;
  } cases[] = {
      {"versus", 0, 0, 0, INT32_MIN, INT32_MAX, 7, 0},
      {"story past the tables", 1, 0, 1000, 99, -50, -1, 255},
      {"story below the tables", 1, 1, -7, 8, 4, 2, 1},
      {"unknown story kind", 1, 9, 3, -1, 0, 0, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({0, 1, 10, 5});
    g_match.storyMode = c.storyMode;
    g_match.storyKind = c.storyKind;
    g_match.storyStage = c.storyStage;
    g_match.stage = c.stage;
    g_match.teamMode = 1;
    RouteFlagA = RouteFlagB = RouteFlagC = static_cast<uint8_t>(c.route);
    for (int p = 0; p < 4; ++p) {
      g_match.handicap[p] = c.handicap;
      g_match.team[p] = c.team;
      g_playerState.holder[p] = 1000;
      g_playerState.holdingShot[p] = -9;
      g_playerState.heldFlag[p] = 1;
      g_players[p].pushHeading = INT32_MAX;
    }
    StoryPreFight = c.storyMode;
    Frames(400);
    g_playerState.holdTimer[2] = 5;
    KnockOut(1);
    KnockOut(2);
    CutInFrames = 1;
    CutInAttacker = 0;
    CutInVictim = 3;
    FreezeFrames = 2;
    Frames(400);
    EXPECT_EQ(IndexMisses, 5) << "the unknown holder, once a frame while the hold lasts";
    for (int p = 0; p < 4; ++p) {
      EXPECT_GE(g_players[p].pushHeading, 0);
      EXPECT_GE(g_playerState.spellGauge[p], 0.0f);
      EXPECT_LE(g_playerState.spellGauge[p], 200.0f);
    }
  }
}

}  // namespace
