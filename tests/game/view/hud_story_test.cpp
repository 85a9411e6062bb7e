// The story's parts of the head-up display through the recording stand-in of the library: the
// dialogue's three forms and what the end of its script leads to, the opponent's name plate, and
// the continue prompt with its choice, continue and give-up.
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "game/core/scenes.h"
#include "game/core/sound_entries.h"
#include "tests/game/view/hud_harness.h"

namespace {

using namespace hudtest;

const std::string kBlack = "0xff000000 1 | ";

std::string Box(int x1, int y1, int x2, int y2, const std::string& state) {
  return "DrawRectangle " + std::to_string(x1) + " " + std::to_string(y1) + " " +
         std::to_string(x2) + " " + std::to_string(y2) + " " + kBlack + state;
}

int64_t CallCount(const std::string& name) {
  int64_t n = 0;
  for (const RecordedCall& call : Recorder().Calls()) n += call.name == name ? 1 : 0;
  return n;
}

class StoryHud : public Hud {
 protected:
  void SetUp() override {
    Hud::SetUp();
    g_match.storyMode = 1;
    g_match.storyStage = 4;
    g_match.stage = 4;
    // Speaker A (portrait 1) with expression 2 speaks; B (portrait 2) listens.
    PortraitSlots[0] = 1;
    PortraitExpressions[0] = 2;
    PortraitSlots[1] = 2;
    PortraitExpressions[1] = 0;
    SpeakerSlot = 0;
  }
  // The dialogue's boxes and portraits.
  static Calls Dialogue(const Calls& calls) {
    Calls out = Boxes(calls);
    const Calls portraits = Drawing(calls, PortraitPicture(0, 0), PortraitPicture(3, 9));
    out.insert(out.end(), portraits.begin(), portraits.end());
    return out;
  }
};

TEST_F(StoryHud, DialogueFormsByCounterAndSlide) {
  const std::string speaker = "DrawRotaGraph 165 160 1 0 " + std::to_string(PortraitPicture(1, 2)) +
                              " 1 0 | 0 255 ffffff 0";
  const std::string listener = "DrawRotaGraph 485 166 1 0 " +
                               std::to_string(PortraitPicture(2, 0)) + " 1 1 | 1 224 a0a0a0 0";
  const std::string bars[] = {Box(0, 0, 640, 32, "0 255 ffffff 0"),
                              Box(0, 448, 640, 480, "0 255 ffffff 0")};
  struct Case {
    const char* name;
    int counter, slide, type;
    Calls want;
  } cases[] = {
      {"before the pages: the bars alone", 50, 0, 1, {bars[0], bars[1]}},
      {"the pages",
       119,
       0,
       1,
       {bars[0], bars[1], Box(24, 330, 616, 422, "1 192 ffffff 0"), speaker, listener}},
      {"sliding in",
       100,
       8,
       1,
       {bars[0], bars[1], Box(24, 330, 616, 422, "1 144 ffffff 0"), speaker, listener}},
      {"sliding out to the next stage",
       200,
       8,
       3,
       {bars[0], bars[1], Box(24, 330, 616, 422, "1 48 ffffff 0"),
        Box(0, 0, 640, 480, "1 191 ffffff 0")}},
      {"sliding out to the fight",
       200,
       8,
       1,
       {Box(0, 0, 640, 8, "0 255 ffffff 0"), Box(0, 472, 640, 480, "0 255 ffffff 0"),
        Box(24, 330, 616, 422, "1 48 ffffff 0")}},
      {"after the dialogue", 0, 0, 1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    StageTypeTable[4] = c.type;
    StoryPreFight = c.counter;
    StoryScriptFade = c.slide;
    g_players[0].recovery = 10;
    // The portraits stand 3 higher while the shake runs; one page's text, unread.
    std::snprintf(reinterpret_cast<char*>(ScriptBuffer), 8, "#\n");
    EXPECT_EQ(Dialogue(Draw(3)), c.want);
    TearDown();
  }
}

TEST_F(StoryHud, TheScriptsEndLeadsToTheFightTheResultOrTheEndOfTheRun) {
  struct Case {
    const char* name;
    int type, winner;
    bool music;
    int slide;
    int scene;
  } cases[] = {
      {"the fight follows: the music starts again", 1, 0, true, 32, kSceneBattle},
      {"the result follows", 2, 0, false, 32, kSceneBattle},
      {"the run is lost", 0, 2, false, 0, kSceneGameOver},
      {"still reading", 0, 0, false, 0, kSceneBattle},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    StageTypeTable[4] = c.type;
    RoundWinner = c.winner;
    StoryPreFight = 150;
    RoundFrame = 7;
    FreezeFrames = 3;
    g_match.cpuFlag[1] = 1;
    NamePlateFrames = 200;
    g_players[0].recovery = 4;
    ScriptBuffer[0] = '_';
    HeldFrameCounts[kInputButton1][0] = 1;
    Draw();
    EXPECT_EQ(CallCount("StopMusicPlayback"), c.music ? 1 : 0);
    EXPECT_EQ(CallCount("StartMusicPlayback"), c.music ? 1 : 0);
    EXPECT_EQ(StoryScriptFade, c.slide);
    EXPECT_EQ(SceneId, c.scene);
    const bool ended = c.scene == kSceneGameOver;
    EXPECT_EQ(StoryPreFight, ended ? 0 : 150);
    EXPECT_EQ(RoundFrame, ended ? 0 : 7);
    EXPECT_EQ(FreezeFrames, ended ? 0 : 3);
    EXPECT_EQ(g_match.cpuFlag[1], ended ? 0 : 1);
    // The plate is cut to its fade-out when the script ends, then runs 2 + 1 a frame.
    EXPECT_EQ(NamePlateFrames, c.slide > 0 ? 45 : 197);
    EXPECT_EQ(g_players[0].recovery, 3);
    TearDown();
  }
}

TEST_F(StoryHud, NamePlateFadesInAndOutAndNamesTheStagesOpponent) {
  struct Case {
    int frames;
    int alpha;
  } cases[] = {{300, 0}, {269, 247}, {268, 255}, {49, 255}, {48, 255}, {1, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frames);
    SetUp();
    NamePlateFrames = static_cast<uint16_t>(c.frames);
    EXPECT_EQ(OfRows(Draw(), {9}), Calls{"DrawRotaGraph 480 300 1 0 " + Pic(9, 1) + " 1 0 | 1 " +
                                         std::to_string(c.alpha) + " ffffff 0"});
    EXPECT_EQ(NamePlateFrames, c.frames - 1);
    TearDown();
  }
  SetUp();
  EXPECT_TRUE(OfRows(Draw(), {9}).empty());
  struct Whose {
    int stage, route, entry, character;
  } whose[] = {{4, 0, 5, 1}, {3, 0, 0, 5}, {7, 0, 5, 5}, {7, 1, 5, 1}, {7, 0, 0, 1}};
  for (const Whose& w : whose) {
    SCOPED_TRACE(std::to_string(w.stage) + " " + std::to_string(w.route));
    SetUp();
    g_match.playerCount = 3;
    g_players[2].kind = 5;
    g_match.storyStage = w.stage;
    RouteFlagA = static_cast<uint8_t>(w.route);
    g_playerState.entryFrames[2] = w.entry;
    NamePlateFrames = 100;
    const Calls plate = OfRows(Draw(), {9});
    ASSERT_EQ(plate.size(), 1u);
    EXPECT_NE(plate[0].find(" " + Pic(9, w.character) + " "), std::string::npos);
    TearDown();
  }
}

TEST_F(StoryHud, ContinuePromptByFrame) {
  const auto title = [](int blend) {
    return "DrawRotaGraph 320 190 1 0 " + Pic(153, 0) + " 1 0 | 2 " + std::to_string(blend) +
           " ffffff 0";
  };
  const auto label = [](int x, int cell, int blend) {
    return "DrawRotaGraph " + std::to_string(x) + " 238 1 0 " + Pic(154, cell) + " 1 0 | 2 " +
           std::to_string(blend) + " ffffff 0";
  };
  const auto backdrop = [](const char* scale, int blend) {
    return "DrawRotaGraph 320 240 " + std::string(scale) + " 0 " + Pic(152, 0) + " 1 0 | 2 " +
           std::to_string(blend) + " ffffff 0";
  };
  const auto dark = [](int blend) {
    return "DrawRectangle 0 0 640 480 0xffff8020 1 | 3 " + std::to_string(blend) + " ffffff 0";
  };
  struct Case {
    int n;
    Calls want;
  } cases[] = {
      {16, {dark(170)}},
      {17, {backdrop("1.15", 5), dark(180)}},
      {24, {backdrop("1.08", 40), dark(255)}},
      {25,
       {backdrop("1.07", 45), dark(255), title(10), label(255, 0, 5), label(385, 1, 5),
        label(385, 1, 5)}},
      {48,
       {backdrop("1", 80), dark(255), title(255), label(255, 0, 128), label(385, 1, 128),
        label(385, 1, 128)}},
      {49,
       {backdrop("1", 80), dark(255), title(255), label(255, 0, 128), label(385, 1, 128),
        label(385, 1, 128)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    SetUp();
    ContinuePause = c.n;
    ContinueChoice = 1;
    EXPECT_EQ(Capture([] { DrawContinueOverlay(); }), c.want);
    EXPECT_EQ(ContinuePause, c.n + 1);
    EXPECT_EQ(FreezeFrames, 1);
    TearDown();
  }
}

TEST_F(StoryHud, ContinuePromptTakesOnlyNewPressesFromItsFortyNinthFrame) {
  struct Case {
    const char* name;
    int n, left, right, choiceBefore, choice, sounds;
  } cases[] = {
      {"left", 49, 1, 0, 1, 0, 1},
      {"right", 49, 0, 1, 0, 1, 1},
      {"both: right wins", 60, 1, 1, 0, 1, 2},
      {"held from before", 60, 2, 0, 1, 1, 0},
      {"too early", 48, 0, 1, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    SoundHandles[kSoundSelect] = 777;
    ContinuePause = c.n;
    ContinueChoice = c.choiceBefore;
    HeldFrameCounts[kInputLeft][0] = c.left;
    HeldFrameCounts[kInputRight][0] = c.right;
    Draw();
    EXPECT_EQ(ContinueChoice, c.choice);
    EXPECT_EQ(CallCount("PlaySoundHandle"), c.sounds);
    SoundHandles[kSoundSelect] = -1;
    TearDown();
  }
  // Button 1 held from an earlier frame or pressed too early decides nothing.
  for (const auto& [n, count] : {std::pair{60, 2}, {48, 1}}) {
    SetUp();
    ContinuePause = n;
    HeldFrameCounts[kInputButton1][0] = count;
    Draw();
    EXPECT_EQ(ContinuePause, n + 1);
    EXPECT_EQ(SceneId, kSceneBattle);
    TearDown();
  }
}

TEST_F(StoryHud, ContinueReplaysTheStageAndGiveUpEndsTheRun) {
  for (int choice : {0, 1}) {
    SCOPED_TRACE(choice);
    SetUp();
    g_match.cpuFlag[1] = 1;
    ContinuePause = 60;
    ContinueChoice = choice;
    RoundWinner = 2;
    RoundEndFrames = 5;
    g_playerState.score[0] = 5000;
    g_playerState.score[1] = 700;
    g_playerState.damageDealt[0] = 40;
    g_playerState.shotsFired[0] = 9;
    g_playerState.wins[1] = 1;
    g_playerState.wins[2] = 1;  // not in the match
    g_players[1].life = 20;
    HeldFrameCounts[kInputButton1][0] = 1;
    Draw();
    EXPECT_EQ(ContinuePause, 0);
    EXPECT_EQ(FadeCaptureRequest, 1);
    if (choice == 0) {
      EXPECT_EQ(RouteFlagA, 1);
      EXPECT_EQ(SceneId, kSceneBattle);
      EXPECT_EQ(RoundWinner, 0);
      EXPECT_EQ(g_playerState.score[0], 0);
      EXPECT_EQ(g_playerState.damageDealt[0], 0);
      EXPECT_EQ(g_playerState.shotsFired[0], 0);
      EXPECT_EQ(g_playerState.score[1], 700);
      EXPECT_EQ(g_playerState.wins[1], 0);
      EXPECT_EQ(g_playerState.wins[2], 1);
      EXPECT_EQ(g_players[1].life, 350);
      EXPECT_EQ(g_match.cpuFlag[1], 1);
    } else {
      EXPECT_EQ(RouteFlagA, 0);
      EXPECT_EQ(SceneId, kSceneGameOver);
      EXPECT_EQ(SceneFrame, 0);
      EXPECT_EQ(RoundFrame, 0);
      EXPECT_EQ(RoundEndFrames, 0);
      EXPECT_EQ(g_match.cpuFlag[1], 0);
      EXPECT_EQ(g_playerState.score[0], 5000);
      EXPECT_EQ(g_players[1].life, 20);
    }
    TearDown();
  }
}

}  // namespace
