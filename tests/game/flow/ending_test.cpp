// The ending on the recording stand-in: the credits' pictures at worked frames, button 3's five
// times speed, the unlock rules with the score file they write, the unlock picture that waits for
// button 1, and the extra story's epilogue with its portraits and its way back to the title.
#include "game/flow/ending.h"

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/core/result_state.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "game/flow/glyph_text.h"
#include "game/flow/scenario.h"
#include "tests/game/flow/result_harness.h"
#include "tests/support/script_files.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace veyrdale;
using testsupport::kB1;
using testsupport::kB3;
using testsupport::RecordedCall;
using testsupport::Recorder;

class Ending : public testsupport::ResultHarness {
 protected:
  void SetUp() override {
    ResultHarness::SetUp();
    LoadEndingSet();
  }
  void Restart() {
    ResultHarness::Restart();
    LoadEndingSet();
  }
  // The ending picture set loaded, the calls so far forgotten.
  static void LoadEndingSet() {
    LoadGameResources(2);
    Recorder().ClearCalls();
  }

  // "DrawGraph X Y NAME" for every ending picture drawn, by the name of its slot.
  static std::vector<std::string> EndingPicturesDrawn() {
    const char* names[16] = {"logo00", "ed01", "ed02", "ed03", "ed04",  "ed05",  "ed06",  "ed07",
                             "ed08",   "ed09", "bgs",  "bgs2", "stf01", "stf02", "stf03", "stf04"};
    std::vector<std::string> out;
    for (const RecordedCall& call : Recorder().Calls()) {
      const bool graph = call.name == "DrawGraph";
      if (!graph && call.name != "DrawRotaGraph") continue;
      const std::string& handle = call.args[graph ? 2 : 4];
      for (int slot = 0; slot < 16; ++slot) {
        if (handle == std::to_string(PictureSlots[slot][0])) {
          out.push_back(call.name + " " + call.args[0] + " " + call.args[1] + " " + names[slot]);
        }
      }
    }
    return out;
  }
};

// Which pictures the credits draw where, at worked frames.
TEST_F(Ending, CreditsAtWorkedFrames) {
  struct Case {
    int frame;
    std::vector<std::string> drawn;
  } cases[] = {
      {0, {"DrawGraph -384 -32 bgs", "DrawRotaGraph 320 240 logo00"}},
      {600, {"DrawGraph -348 -29 bgs"}},
      // s = 0.5: the pan is half way; k = 2590: stf01 has left, stf02 at 1504 - 2029.4.
      {3250,
       {"DrawGraph -192 -16 bgs", "DrawGraph 392 -525 stf02", "DrawGraph 392 498 stf03",
        "DrawGraph 392 1522 stf04", "DrawGraph 384 0 bgs2"}},
      {2948,
       {"DrawGraph -209 -17 bgs", "DrawGraph 392 -1312 stf01", "DrawGraph 392 -288 stf02",
        "DrawGraph 392 735 stf03", "DrawGraph 384 0 bgs2"}},
      {6499, {"DrawGraph 0 0 bgs", "DrawGraph 384 0 bgs2"}},
  };
  for (const Case& c : cases) {
    Enter(kSceneEnding);
    SceneFrame = c.frame;
    Recorder().ClearCalls();
    Frame();
    EXPECT_EQ(EndingPicturesDrawn(), c.drawn) << c.frame;
  }
}

// The unlock rules by unlock level, story kind and route flag: what the level becomes, where the
// ending leads, and the score file holding the new level.
TEST_F(Ending, UnlocksAtTheEndOfTheCredits) {
  struct Case {
    int32_t level, kind;
    uint8_t route;
    int32_t newLevel;
    int next;
  } cases[] = {
      {0, 0, 0, 1, kSceneTitleReturn},   {0, 0, 1, 2, kSceneUnlockPicture},
      {1, 0, 0, 1, kSceneTitleReturn},   {1, 1, 1, 2, kSceneUnlockPicture},
      {1, 1, 0, 1, kSceneTitleReturn},   {2, 0, 1, 2, kSceneTitleReturn},
      {2, 1, 0, 3, kSceneExtraEpilogue}, {2, 1, 1, 3, kSceneExtraEpilogue},
      {3, 1, 1, 3, kSceneTitleReturn},   {3, 0, 0, 3, kSceneTitleReturn},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.level << " " << c.kind << " " << int{c.route});
    Restart();
    g_scores.unlockLevel = c.level;
    g_match.storyKind = c.kind;
    g_match.storyMode = 1;
    g_playerState.entryFrames[1] = 60;
    RouteFlagB = c.route;
    Enter(kSceneEnding);
    SceneFrame = 6500;
    Frames(239);
    EXPECT_EQ(SceneId, kSceneEnding);
    EXPECT_EQ(LeaveCountdown, 1);
    EXPECT_EQ(g_scores.unlockLevel, c.level);
    Recorder().ClearCalls();
    Frame();
    EXPECT_TRUE(LastFrameCaptured());
    EXPECT_EQ(SceneId, c.next);
    EXPECT_EQ(SceneFrame, 1);
    EXPECT_EQ(LeaveCountdown, 0);
    EXPECT_EQ(g_scores.unlockLevel, c.newLevel);
    EXPECT_EQ(g_playerState.entryFrames[1], 0);
    EXPECT_EQ(g_match.storyMode, 0);
    const std::string file = testsupport::ReadFile(tree_.dir().File("Data/score.sav"));
    ASSERT_EQ(file.size(), 1444u);
    EXPECT_EQ(file[0], static_cast<char>(c.newLevel));
  }
}

// Button 3 held from the start: 1300 frames of credits, the end part from the next; a skip past
// 6500 runs the end part in the same frame.
TEST_F(Ending, ButtonThreeRunsTheCreditsFiveTimesAsFast) {
  struct Case {
    int from;
    int creditFrames;
  } cases[] = {{0, 1300}, {6497, 0}, {6495, 1}};
  for (const Case& c : cases) {
    Enter(kSceneEnding);
    SceneFrame = c.from;
    LeaveCountdown = 0;
    testsupport::Pads held{kB3, 0, 0, 0};
    int frames = 0;
    while (LeaveCountdown == 0 && frames < 10000) {
      Frame(held);
      ++frames;
    }
    EXPECT_EQ(frames, c.creditFrames + 1) << c.from;
    EXPECT_EQ(LeaveCountdown, 239) << c.from;
  }
}

TEST_F(Ending, UnlockPictureWaitsForButtonOne) {
  Enter(kSceneUnlockPicture);
  UntilSceneFrame(20);
  PressOnly(0, kB1);  // too early
  Frames(2000);
  EXPECT_EQ(SceneId, kSceneUnlockPicture);
  EXPECT_EQ(SceneFrame, 351);
  // Held at 350: the picture fully shown.
  Recorder().ClearCalls();
  Frame();
  EXPECT_EQ(Recorder().Named("SetBlendMode").back().Text(), "SetBlendMode 1 255");
  Recorder().ClearCalls();
  PressOnly(0, kB1);
  EXPECT_EQ(SceneFrame, 352);
  Frames(97);
  EXPECT_TRUE(Recorder().Named("LoadAndDrawGraphFile").empty());
  Frame();  // frame 449
  ASSERT_EQ(Recorder().Named("LoadAndDrawGraphFile").size(), 1u);
  EXPECT_EQ(Recorder().Named("LoadAndDrawGraphFile")[0].args[2], "Resource\\loading.dat");
  EXPECT_EQ(SceneId, kSceneUnlockPicture);
  Frame();
  EXPECT_EQ(SceneId, kSceneTitleReturn);

  // A press from frame 21 skips the fade-in.
  Enter(kSceneUnlockPicture);
  UntilSceneFrame(21);
  PressOnly(0, kB1);
  EXPECT_EQ(SceneFrame, 352);
}

class Epilogue : public Ending {
 protected:
  void SetUp() override {
    Ending::SetUp();
    // The epilogue's script: the page appears when player 0's entry has run; "_" ends it.
    tree_.Write("ex110b", ">2Z0" + testsupport::FullWidth("BYE") + "\\_");
  }
  // Portrait sheets that name their cells: 400 + 10 x sheet + cell.
  static void NamePortraits() {
    for (int p = 0; p < 4; ++p) {
      for (int e = 0; e < 10; ++e) PortraitHandles[p][e] = 400 + 10 * p + e;
    }
  }
  // The portrait draws of the last frame: "x y graph turned".
  static std::vector<std::string> PortraitsDrawn() {
    std::vector<std::string> out;
    for (const RecordedCall& call : Recorder().Named("DrawRotaGraph")) {
      const int graph = std::stoi(call.args[4]);
      if (graph >= 400 && graph < 440) {
        out.push_back(call.args[0] + " " + call.args[1] + " " + call.args[4] + " " + call.args[6]);
      }
    }
    return out;
  }
};

TEST_F(Epilogue, ScriptThenSixtyDarkeningAndSixtyBlackFrames) {
  for (bool holdButton3 : {false, true}) {
    SCOPED_TRACE(holdButton3);
    Restart();
    StageTypeTable[10] = 1;  // as the extra story leaves it: the end reports 1
    g_match.storyKind = 0;
    SpeakerSlot = 0;
    Enter(kSceneExtraEpilogue);
    Frame();
    Frame();  // frame 1: the set-up, which loads the two sheets
    NamePortraits();
    EXPECT_EQ(g_match.storyKind, 0);
    EXPECT_EQ(g_match.playerCount, 2);
    EXPECT_EQ(g_playerState.entryFrames[0], 1);
    EXPECT_EQ(PortraitSlots[0], 0);
    EXPECT_EQ(PortraitSlots[1], kNoPortrait);
    EXPECT_EQ(SpeakerChanged, 1);
    EXPECT_EQ(g_players[0].recovery, 10);
    UntilSceneFrame(60);
    // Slot 0 speaks, still in place: the counter has not run (m = 0).
    Recorder().ClearCalls();
    Frame();
    EXPECT_EQ(PortraitsDrawn(), std::vector<std::string>{"160 166 401 0"});
    // The entry counter reaches 29 at frame 87: the page opens (drawn over the portraits, which
    // have settled: m = 10), the speaker moves to slot 1 with an unknown portrait, which draws
    // nothing; slot 0 stays behind, shaded, and slides back as the counter runs again.
    Frames(26);
    EXPECT_EQ(testsupport::ShownPage(), "");
    Recorder().ClearCalls();
    Frame();
    EXPECT_EQ(testsupport::ShownPage(), "BYE");
    EXPECT_EQ(SpeakerSlot, 1);
    EXPECT_EQ(PortraitsDrawn(), std::vector<std::string>{"165 163 401 0"});
    Frames(3);
    Recorder().ClearCalls();
    Frame();  // recovery 6: m = 4, the shaded slot 0 sinks by 1.2 and moves left by 2
    EXPECT_EQ(PortraitsDrawn(), std::vector<std::string>{"158 167 401 0"});

    PressOnly(0, kB1);  // the end of the script
    EXPECT_EQ(EpilogueLeaveFrames, 2);
    const testsupport::Pads pads{holdButton3 ? kB3 : 0, 0, 0, 0};
    Frames(117, pads);
    EXPECT_EQ(SceneId, kSceneExtraEpilogue);
    EXPECT_EQ(EpilogueLeaveFrames, 119);
    Frame(pads);
    EXPECT_EQ(SceneId, kSceneTitleReturn);
    EXPECT_EQ(EpilogueLeaveFrames, 0);
    EXPECT_EQ(PortraitHandles[0][1], -1);
    EXPECT_EQ(GlyphSheetsB[0], -1);
  }
}

}  // namespace
