// One battle frame through the recording stand-in of the library: the shake, the return to the
// title on F1, the tints, the layers in order, arena 7's pulsing background, the dispatch of the
// draw list, the knock-out bursts and character 15's red screen.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/resource_tables.h"
#include "game/flow/flow.h"
#include "game/flow/glyph_text.h"
#include "game/view/draw_list.h"
#include "game/view/view.h"
#include "morrow/recording/library_recorder.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;
using testsupport::RecordedCall;
using testsupport::Recorder;

constexpr int kF1 = 0x3B;

// The pictures that show a shot (character 1's first move) and an effect (kind 19's two layers).
constexpr int kShotPicture = 1700;
constexpr int kEffectPicture = 4100;

// "DrawShotEntry 2" or "DrawEffectEntry 3" for the call that draws a shot or an effect; "" for
// any other call.
std::string ShotOrEffectOf(const RecordedCall& call) {
  if (call.name != "DrawRotaGraph") return "";
  if (call.Int(4) == kShotPicture) return "DrawShotEntry 2";
  if (call.Int(4) == kEffectPicture) return "DrawEffectEntry 3";
  return "";
}

// Player p's ground ring, the companion's ball and the spinner's mark.
constexpr int kRingPicture = 7900;
constexpr int kCompanionPicture = 2300;
constexpr int kSpinnerPicture = 5700;

// The pictures that show an arena entry: the block sheets, a tree top, an item and the marker
// familiar.
constexpr int kBlockSheet = 501;
constexpr int kThirdBackground = 502;
constexpr int kTreeTopPicture = 16400;
constexpr int kItemPicture = 8100;
constexpr int kMarkerPicture = 16303;

// "DrawArenaEntry <tag>" for the call that draws a block or prop, an item or a familiar; "" for
// any other call.
std::string ArenaEntryOf(const RecordedCall& call) {
  if (call.name == "DrawGraphPart") {
    const int64_t picture = call.Int(6);
    return picture == kBlockSheet || picture == kThirdBackground ? "DrawArenaEntry 4" : "";
  }
  if (call.name != "DrawGraph") return "";
  switch (call.Int(2)) {
    case kTreeTopPicture:
      return "DrawArenaEntry 4";
    case kItemPicture:
      return "DrawArenaEntry 5";
    case kMarkerPicture:
      return "DrawArenaEntry 6";
    default:
      return "";
  }
}

// "DrawPlayerEntry <tag>" for the call that draws the ring of a player, the ball of a companion or
// the first mark of a spinner; "" for any other call.
std::string PlayerEntryOf(const RecordedCall& call) {
  if (call.name != "DrawRotaGraph") return "";
  const int64_t picture = call.Int(4);
  if (picture >= kRingPicture && picture < kRingPicture + 4) return "DrawPlayerEntry 0";
  if (picture == kCompanionPicture) return "DrawPlayerEntry 1";
  if (picture == kSpinnerPicture) return "DrawPlayerEntry 7";
  return "";
}

// In a story game a player who is not present draws nothing: the frame's own calls stand alone.
void HidePlayers() {
  g_match.storyMode = 1;
}

// The head-up display opens with player 0's corner badge (row 79, as the ground ring) at
// (65, 14), its blend set just before; it shows its shake offset in the cross-fade of the
// captured screen, drawn at y 240 less the offset.
constexpr char kHudBadge[] = "DrawRotaGraph 65 14 1 0 7900 1 0";
constexpr int kCapture = 8000;

class BattleDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    Recorder().Reset();
    testsupport::SetUpMatch({0, 1}, 5);
    g_players[0].x = 100;
    g_players[0].y = 200;
    g_players[1].x = 300;
    g_players[1].y = 100;
    g_players[1].owner = 1;
    for (int layer = 0; layer < 3; ++layer) StageBackgrounds[layer] = 500 + layer;
    PictureSlots[164][1] = 164;
    PictureSlots[85][0] = 850;
    for (int cell = 0; cell < 12; ++cell) PictureSlots[92][cell] = 920 + cell;
    // The pictures that show where a player, a companion and a dash spinner were drawn.
    for (int p = 0; p < 4; ++p) PictureSlots[79][p] = kRingPicture + p;
    PictureSlots[23][0] = kCompanionPicture;
    PictureSlots[57][0] = kSpinnerPicture;
    PictureSlots[164][0] = kTreeTopPicture;
    PictureSlots[81][0] = kItemPicture;
    PictureSlots[163][3] = kMarkerPicture;
    PictureSlots[17][0] = kShotPicture;
    PictureSlots[41][0] = PictureSlots[103][0] = kEffectPicture;
  }
  void TearDown() override {
    for (int32_t& layer : StageBackgrounds) layer = -1;
    PictureSlots[164][1] = PictureSlots[85][0] = -1;
    for (int cell = 0; cell < 12; ++cell) PictureSlots[92][cell] = -1;
    for (int p = 0; p < 4; ++p) PictureSlots[79][p] = -1;
    PictureSlots[23][0] = PictureSlots[57][0] = -1;
    PictureSlots[164][0] = PictureSlots[81][0] = PictureSlots[163][3] = -1;
    PictureSlots[17][0] = PictureSlots[41][0] = PictureSlots[103][0] = -1;
    CaptureGraph = 0;
    FadeFrames = 0;
    Recorder().Reset();
  }

  // The frame's calls up to the head-up display, then "DrawBattleHud <shake>" for the display
  // when it ran; the calls themselves are kept in frame_.
  std::vector<std::string> Frame() {
    Recorder().ClearCalls();
    FadeFrames = 1;
    CaptureGraph = kCapture;
    DrawBattleFrame();
    frame_.clear();
    std::vector<std::string> texts;
    std::string hud;
    for (const RecordedCall& call : Recorder().Calls()) {
      const std::string text = call.Text();
      if (text == kHudBadge && !frame_.empty()) {
        frame_.pop_back();
        texts.pop_back();
        hud = "DrawBattleHud";
      }
      if (!hud.empty()) {
        if (call.name == "DrawRotaGraph" && call.Int(4) == kCapture) {
          hud += " " + std::to_string(240 - call.Int(1));
        }
        continue;
      }
      frame_.push_back(call);
      texts.push_back(text);
    }
    if (!hud.empty()) texts.push_back(hud);
    return texts;
  }

  std::vector<RecordedCall> FrameNamed(const std::string& name) const {
    std::vector<RecordedCall> out;
    for (const RecordedCall& call : frame_) {
      if (call.name == name) out.push_back(call);
    }
    return out;
  }

  std::vector<RecordedCall> frame_;
};

std::vector<std::string> Named(const std::vector<std::string>& texts, const std::string& name) {
  std::vector<std::string> out;
  for (const std::string& t : texts) {
    if (t.rfind(name + " ", 0) == 0 || t == name) out.push_back(t);
  }
  return out;
}

int IndexOf(const std::vector<std::string>& texts, const std::string& text) {
  auto at = std::find(texts.begin(), texts.end(), text);
  return at == texts.end() ? -1 : static_cast<int>(at - texts.begin());
}

TEST_F(BattleDraw, ShakeAlternatesAndCountsDown) {
  struct Case {
    int shake;
    int roundEnd;
    int offset;  // the background's y is -offset
    int after;
  } cases[] = {
      {20, 0, 10, 19},   {19, 0, -9, 18},   {18, 0, 9, 17},
      {17, 0, -8, 16},   {2, 0, 1, 1},      {1, 0, 0, 0},
      {0, 0, 0, 0},      {-3, 0, 0, -3},    {20, 120, 0, 20},
      {20, 119, 10, 19}, {20, 121, 10, 19}, {INT32_MAX, 0, -1073741823, INT32_MAX - 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.shake) + " at round end " + std::to_string(c.roundEnd));
    ScreenShake = c.shake;
    RoundEndFrames = c.roundEnd;
    const std::vector<std::string> calls = Frame();
    EXPECT_EQ(Named(calls, "DrawGraphPart"),
              std::vector<std::string>{"DrawGraphPart 0 " + std::to_string(-c.offset) +
                                       " 0 0 640 480 500 1 0"});
    EXPECT_EQ(ScreenShake, c.after);
    EXPECT_EQ(Named(calls, "DrawBattleHud"),
              std::vector<std::string>{"DrawBattleHud " + std::to_string(c.offset)});
  }
}

TEST_F(BattleDraw, F1ReturnsToTheTitleOnlyOutsideTheDemoAndOnlyOnAnswer1) {
  struct Case {
    const char* name;
    bool down;
    bool fails;
    int demo;
    bool leaves;
  } cases[] = {
      {"pressed", true, false, 0, true},
      {"pressed late in a battle", true, false, 1399, true},
      {"not pressed", false, false, 0, false},
      {"during the demonstration", true, false, 1400, false},
      {"long into the demonstration", true, false, 6000, false},
      {"the input failed", true, true, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Recorder().SetKey(kF1, c.down);
    Recorder().keysFail = c.fails;
    Recorder().Start(true);
    DemoFrames = c.demo;
    const std::vector<std::string> calls = Frame();
    EXPECT_EQ(Named(calls, "IsKeyPressed"), std::vector<std::string>{"IsKeyPressed 59"});
    EXPECT_EQ(SceneId, c.leaves ? 0 : 4);
    EXPECT_EQ(Named(calls, "DrawGraphPart").size(), c.leaves ? 0u : 1u);
    EXPECT_EQ(Named(calls, "DrawBattleHud").size(), c.leaves ? 0u : 1u);
    EXPECT_EQ(Named(calls, "StartMusicPlayback").size(), c.leaves ? 1u : 0u);
    TearDown();
  }
}

TEST_F(BattleDraw, F1ClearsTheBattleAndStoryAndRestartsTheTitle) {
  Recorder().Start(true);
  Recorder().SetKey(kF1, true);
  g_options.musicVolume = 10;
  PortraitHandles[2][3] = 4444;
  GlyphSheetsA[0] = 3333;
  // Everything a battle or story leaves set.
  FreezeFrames = RoundEndFrames = 30;
  SpellScreenActive = ReversedControlsActive = 1;
  g_match.storyMode = 1;
  g_match.storyStage = 9;
  g_match.survivalMode = 1;
  for (int p = 0; p < 4; ++p) {
    g_match.cpuFlag[p] = 1;
    g_match.colourSlot[p] = 5;
    g_playerState.cardUsed[p] = 1;
    g_playerState.entryFrames[p] = 12;
    g_playerState.wins[p] = 2;
    g_playerState.score[p] = 9000;
    g_playerState.cardChoice[p] = 2;
  }
  cardsBroken = 3;
  RoundFrame = RoundWinner = RoundNumber = StoryPreFight = StoryScriptFade = 7;
  FrameBudget = ScreenShake = FlashFrames = FlashLength = ContinuePause = ContinueChoice = 7;
  EndingFade = CutInFrames = CutInAttacker = CutInVictim = LastKnockedOut = 7;
  SurvivalBossRound = ArenaVariant = 1;
  ArenaBlackout = RouteFlagA = RouteFlagB = RouteFlagC = 1;
  StageTypeTable[5] = 3;
  SlowMotionFrames = 40;
  SpellCaptureRequest = 1;
  SceneFrame = 555;
  const std::vector<std::string> calls = Frame();

  const int32_t* cleared[] = {
      &FreezeFrames,         &RoundEndFrames,  &g_match.storyMode, &g_match.storyStage,
      &g_match.survivalMode, &RoundFrame,      &RoundWinner,       &RoundNumber,
      &StoryPreFight,        &StoryScriptFade, &FrameBudget,       &FlashFrames,
      &FlashLength,          &ContinuePause,   &ContinueChoice,    &EndingFade,
      &CutInFrames,          &CutInAttacker,   &CutInVictim,       &LastKnockedOut,
      &SurvivalBossRound,    &ArenaVariant,    &StageTypeTable[5], &SlowMotionFrames,
      &cardsBroken,          &SceneId,         &SceneFrame};
  for (size_t i = 0; i < std::size(cleared); ++i) EXPECT_EQ(*cleared[i], 0) << i;
  const uint8_t* flags[] = {
      &SpellScreenActive, &ReversedControlsActive, &ArenaBlackout, &RouteFlagA, &RouteFlagB,
      &RouteFlagC,        &SpellCaptureRequest};
  for (size_t i = 0; i < std::size(flags); ++i) EXPECT_EQ(*flags[i], 0) << i;
  EXPECT_EQ(ScreenShake, 0);
  for (int p = 0; p < 4; ++p) {
    EXPECT_EQ(g_match.cpuFlag[p], 0);
    EXPECT_EQ(g_match.colourSlot[p], 0);
    EXPECT_EQ(g_playerState.cardUsed[p], 0);
    EXPECT_EQ(g_playerState.entryFrames[p], 0);
    EXPECT_EQ(g_playerState.wins[p], 0);
    EXPECT_EQ(g_playerState.score[p], 0);
    EXPECT_EQ(g_playerState.cardChoice[p], 0);
  }
  EXPECT_EQ(FadeCaptureRequest, 1);

  // The resources of the menus, then the glyph sheets, the portraits and the title music.
  const int firstLoad = static_cast<int>(
      std::find_if(calls.begin(), calls.end(),
                   [](const std::string& t) { return t.rfind("LoadDividedGraph ", 0) == 0; }) -
      calls.begin());
  const int sheets = IndexOf(calls, "FreeGraphHandle 3333 0");
  EXPECT_EQ(GlyphSheetsA[0], -1);
  const int portrait = IndexOf(calls, "FreeGraphHandle 4444 0");
  const int stop = IndexOf(calls, "StopMusicPlayback");
  const int start = IndexOf(calls, "StartMusicPlayback Resource\\Bgm\\01.bgm 3");
  const int volume = IndexOf(calls, "SetMusicVolume 127");
  EXPECT_EQ(IndexOf(calls, "IsKeyPressed 59"), 0);
  EXPECT_GT(firstLoad, 0);
  EXPECT_LT(firstLoad, sheets);
  EXPECT_LT(sheets, portrait);
  EXPECT_LT(portrait, stop);
  EXPECT_EQ(start, stop + 1);
  EXPECT_EQ(volume, start + 1);
  EXPECT_EQ(volume, static_cast<int>(calls.size()) - 1) << "nothing is drawn after";
  for (const char* drawing : {"SetModulationColor", "DrawGraphPart", "DrawGraph", "DrawRotaGraph",
                              "DrawRectangle", "DrawBattleHud"}) {
    EXPECT_TRUE(Named(calls, drawing).empty()) << drawing;
  }
}

TEST_F(BattleDraw, MusicVolumeOfTheTitleFromTheOption) {
  struct Case {
    int option;
    int volume;
  } cases[] = {{20, 255}, {10, 127}, {1, 12}, {0, 0}, {INT32_MAX, INT32_MAX}, {-4, -51}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.option);
    SetUp();
    Recorder().Start(true);
    Recorder().SetKey(kF1, true);
    g_options.musicVolume = c.option;
    const std::vector<std::string> calls = Frame();
    EXPECT_EQ(Named(calls, "SetMusicVolume"),
              std::vector<std::string>{"SetMusicVolume " + std::to_string(c.volume)});
    TearDown();
  }
}

TEST_F(BattleDraw, LayersInOrderOnArena0) {
  g_match.stage = 0;
  g_options.effectLevel = 1;
  g_players[0].state = 13;
  g_players[0].stateTimer = 100;
  g_shots[4].state = 1;
  g_shots[4].kind = 1;
  g_shots[4].move = 1;
  g_shots[4].y = 150;
  g_effectInUse[2] = 1;
  g_effects[2].code = 19;
  g_effects[2].y = 120;
  g_itemFlags[9] = 1;
  g_items[9].y = 110;
  const std::vector<std::string> calls = Frame();
  // Each entry and layer by the call that shows it; runs of one name count once.
  std::vector<std::string> names;
  for (const RecordedCall& call : frame_) {
    std::string name = PlayerEntryOf(call);
    if (name.empty()) name = ArenaEntryOf(call).substr(0, 14);
    if (name.empty()) name = ShotOrEffectOf(call).substr(0, ShotOrEffectOf(call).find(' '));
    if (name.empty()) {
      const bool layer = call.name == "DrawGraphPart" || call.name == "DrawRotaGraph" ||
                         call.name.find("Entry") != std::string::npos ||
                         (call.name == "DrawGraph" && call.Int(2) == 164);
      if (!layer) continue;
      name = call.name;
    }
    if (names.empty() || names.back() != name) names.push_back(name);
  }
  EXPECT_EQ(calls.back(), "DrawBattleHud 0");
  names.push_back("DrawBattleHud");
  EXPECT_EQ(names, (std::vector<std::string>{
                       "DrawGraphPart", "DrawGraph", "DrawArenaEntry", "DrawPlayerEntry 0",
                       "DrawArenaEntry", "DrawEffectEntry", "DrawShotEntry", "DrawPlayerEntry 0",
                       "DrawArenaEntry", "DrawRotaGraph", "DrawBattleHud"}));
  // The trunks: row 164 cell 1, two columns of six.
  std::vector<std::string> trunks = Named(calls, "DrawGraph");
  std::erase_if(trunks, [](const std::string& t) { return t.find(" 164 ") == std::string::npos; });
  ASSERT_EQ(trunks.size(), 12u);
  EXPECT_EQ(trunks[0], "DrawGraph -48 -30 164 1");
  EXPECT_EQ(trunks[5], "DrawGraph -48 370 164 1");
  EXPECT_EQ(trunks[6], "DrawGraph 560 -30 164 1");
  EXPECT_EQ(trunks[11], "DrawGraph 560 370 164 1");
}

TEST_F(BattleDraw, TintsAndTheSilhouette) {
  struct Case {
    const char* name;
    int spellScreen, reversed;
    int character, cardBar, stateTimer;
    std::vector<std::string> modulations;
    int dark;
  } cases[] = {
      {"plain", 0, 0, 0, 0, 0, {"255 255 255", "255 255 255"}, 0},
      {"spell screen", 1, 0, 0, 0, 0, {"96 96 96", "255 255 255"}, 0},
      {"reversed controls", 0, 1, 0, 0, 0, {"96 96 96", "255 255 255"}, 0},
      {"flag 2 is no dimming", 2, 2, 0, 0, 0, {"255 255 255", "255 255 255"}, 0},
      {"character 12's card", 1, 0, 12, 5, 0, {"96 96 96", "0 0 0", "255 255 255"}, 1},
      {"a waiting declaration", 0, 0, 12, 5, 8888, {"255 255 255", "255 255 255"}, 0},
      {"no card", 0, 0, 12, 0, 0, {"255 255 255", "255 255 255"}, 0},
      {"another character's card", 0, 0, 11, 5, 0, {"255 255 255", "255 255 255"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    SpellScreenActive = static_cast<uint8_t>(c.spellScreen);
    ReversedControlsActive = static_cast<uint8_t>(c.reversed);
    g_players[1].kind = static_cast<uint16_t>(c.character);
    g_playerState.cardBar[1] = c.cardBar;
    g_players[1].stateTimer = c.stateTimer;
    SetCell(1, 1, 2);  // a block, which the silhouette blackens too
    HidePlayers();
    const std::vector<std::string> calls = Frame();
    // The block's two copies follow: greyed by the same flags (only at 1), black in the
    // silhouette, white again after each.
    std::vector<std::string> block;
    if (c.spellScreen == 1 || c.reversed == 1) block.push_back("128 128 128");
    if (c.dark == 1) block.push_back("0 0 0");
    block.push_back("255 255 255");
    std::vector<std::string> want;
    for (const std::string& m : c.modulations) want.push_back("SetModulationColor " + m);
    for (int copy = 0; copy < 2; ++copy) {
      for (const std::string& m : block) want.push_back("SetModulationColor " + m);
    }
    EXPECT_EQ(Named(calls, "SetModulationColor"), want);
    EXPECT_EQ(Named(calls, "DrawGraphPart").size(), 3u) << "the background and two copies";
    TearDown();
  }
}

TEST_F(BattleDraw, Arena7PulsesInOppositePhase) {
  g_match.stage = 7;
  HidePlayers();
  for (int frame : {0, 1, 2, 100, 255, 256, 257, 511, 1000, -2, -3, -1001, INT32_MAX, INT32_MIN}) {
    SCOPED_TRACE(frame);
    SceneFrame = frame;
    Frame();
    const std::vector<RecordedCall> blends = FrameNamed("SetBlendMode");
    const std::vector<RecordedCall> layers = FrameNamed("DrawRotaGraph");
    ASSERT_EQ(blends.size(), 2u);
    ASSERT_EQ(layers.size(), 2u);
    const int64_t sum = blends[0].Int(1) + blends[1].Int(1);
    EXPECT_TRUE(sum == 319 || sum == 320) << sum;
    EXPECT_EQ(layers[0].Int(4), 500);
    EXPECT_EQ(layers[1].Int(4), 502);
    // The scales breathe between 1.0 and 1.1 around 1.05.
    for (const RecordedCall& layer : layers) {
      const double scale = std::stod(layer.args[2]);
      EXPECT_GE(scale, 1.0);
      EXPECT_LE(scale, 1.1);
      EXPECT_EQ(layer.Text().substr(0, 22), "DrawRotaGraph 320 240 ");
    }
    EXPECT_EQ(FrameNamed("SetFilterMode").size(), 2u);
    EXPECT_TRUE(FrameNamed("DrawGraphPart").empty());
  }
  // Half turns, where the tables are exact: t = 0 gives cos 1, so the parameters are 128 and 192
  // and the scales 1.05 and 1.1.
  struct Case {
    int frame;
    std::vector<std::string> texts;
  } cases[] = {
      {0,
       {"SetBlendMode 1 128", "DrawRotaGraph 320 240 1.05 0 500 1 0", "SetBlendMode 1 192",
        "DrawRotaGraph 320 240 1.1 0 502 1 0"}},
      // t = 128: the first parameter is 256 before the library's clamp; the table's sine of a
      // half turn is -0.000167 / 256, not 0, so the first scale falls just short of 1.05.
      {256,
       {"SetBlendMode 1 256", "DrawRotaGraph 320 240 1.04999997 0 500 1 0", "SetBlendMode 1 64",
        "DrawRotaGraph 320 240 1 0 502 1 0"}},
  };
  for (const Case& c : cases) {
    SceneFrame = c.frame;
    Frame();
    std::vector<std::string> got;
    for (const RecordedCall& call : frame_) {
      if (call.name == "SetBlendMode" || call.name == "DrawRotaGraph") got.push_back(call.Text());
    }
    EXPECT_EQ(got, c.texts) << c.frame;
  }
}

TEST_F(BattleDraw, EveryTagToItsDrawing) {
  g_options.effectLevel = 1;
  g_players[0].kind = 4;  // with its companion
  g_players[1].kind = 6;
  g_groundMarks[1].timer = 3;
  g_familiars[5].state = 1;
  g_familiars[5].kind = 10;  // the marker at the top of the screen
  g_shots[6].state = 1;
  g_shots[6].kind = 1;
  g_shots[6].move = 1;
  g_effectInUse[7] = 1;
  g_effects[7].code = 19;
  g_itemFlags[8] = 2;
  SetCell(1, 1, 2);
  const std::vector<std::string> calls = Frame();
  std::vector<std::string> tags;
  // A spinner draws its mark twice, an effect of kind 19 two layers.
  for (const RecordedCall& call : frame_) {
    const std::string entry = PlayerEntryOf(call) + ArenaEntryOf(call) + ShotOrEffectOf(call);
    const bool twice = entry == "DrawPlayerEntry 7" || entry == "DrawEffectEntry 3";
    if (!entry.empty() && (!twice || tags.empty() || tags.back() != entry)) {
      tags.push_back(entry);
    }
  }
  std::sort(tags.begin(), tags.end());
  EXPECT_EQ(tags, (std::vector<std::string>{
                      "DrawArenaEntry 4", "DrawArenaEntry 5", "DrawArenaEntry 6",
                      "DrawEffectEntry 3", "DrawPlayerEntry 0", "DrawPlayerEntry 0",
                      "DrawPlayerEntry 1", "DrawPlayerEntry 7", "DrawShotEntry 2"}));
}

TEST_F(BattleDraw, KnockOutBurstsWhileTheTimerIsBetween72And120) {
  struct Case {
    int state;
    int timer;
    bool drawn;
    std::string blend;
    std::string burst;
    std::string firstPiece;
  } cases[] = {
      {13, 96, true, "SetBlendMode 2 127", "DrawRotaGraph 100 211 2.5 0 850 1 0",
       "DrawRotaGraph 10 14 0.76 0 926 1 0"},
      {13, 119, true, "SetBlendMode 2 249", "DrawRotaGraph 100 211 0.2 0 850 1 0",
       "DrawRotaGraph 10 14 0.99 0 920 1 0"},
      {13, 73, true, "SetBlendMode 2 5", "DrawRotaGraph 100 211 4.8 0 850 1 0",
       "DrawRotaGraph 10 14 0.53 0 931 1 0"},
      {13, 72, false, "", "", ""},
      {13, 120, false, "", "", ""},
      {12, 96, false, "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.state) + " " + std::to_string(c.timer));
    SetUp();
    ScreenShake = 7;  // offset -3: the bursts sit 8 + 3 lower
    HidePlayers();
    g_players[0].state = c.state;
    g_players[0].stateTimer = c.timer;
    for (KnockOutSpark& spark : g_knockOutSparks[0]) spark = KnockOutSpark{10.5f, 3.25f, 0, 0};
    g_knockOutSparks[0][31].x = -5.5f;
    const std::vector<std::string> calls = Frame();
    const std::vector<std::string> rota = Named(calls, "DrawRotaGraph");
    if (!c.drawn) {
      EXPECT_TRUE(rota.empty());
      continue;
    }
    EXPECT_EQ(Named(calls, "SetBlendMode").front(), c.blend);
    ASSERT_EQ(rota.size(), 33u);
    EXPECT_EQ(rota[0], c.burst);
    EXPECT_EQ(rota[1], c.firstPiece);
    // Truncated toward zero.
    EXPECT_EQ(rota[32].substr(0, 20), "DrawRotaGraph -5 14 ");
    TearDown();
  }
}

TEST_F(BattleDraw, RedScreenOfCharacter15ByTheOwnersCard) {
  struct Case {
    int owner;
    int cardOf;  // the player whose card runs, -1 none
    int character;
    bool red;
  } cases[] = {
      {1, 1, 15, true},   {0, 0, 15, true},  {1, 0, 15, false},  {1, 1, 14, false},
      {1, -1, 15, false}, {4, 1, 15, false}, {-1, 1, 15, false}, {32767, 1, 15, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.owner) + " " + std::to_string(c.cardOf));
    SetUp();
    g_players[1].kind = static_cast<uint16_t>(c.character);
    g_players[1].owner = static_cast<int16_t>(c.owner);
    if (c.cardOf >= 0) g_playerState.cardBar[c.cardOf] = 40;
    HidePlayers();
    const std::vector<std::string> calls = Frame();
    const std::vector<std::string> boxes = Named(calls, "DrawRectangle");
    if (!c.red) {
      EXPECT_TRUE(boxes.empty());
      continue;
    }
    EXPECT_EQ(Named(calls, "SetBlendMode"), std::vector<std::string>{"SetBlendMode 4 255"});
    EXPECT_EQ(boxes, std::vector<std::string>{"DrawRectangle 0 0 640 480 0xffff8080 1"});
    const int packed = IndexOf(calls, "PackScreenColor 255 128 128");
    EXPECT_LT(packed, IndexOf(calls, boxes[0]));
    TearDown();
  }
}

}  // namespace
