// The draw list's arena blocks, props, items and familiars through the recording stand-in of the
// library: the frames of every block strip at the boundaries of their rules, blocks drawn whole
// path from the map (the blink, the blends, the tints, arena 6's mirror, arena 7's sunken copies,
// the base copy's countdown), every prop, items, familiars, and wild maps and records that draw
// only cells inside the pictures they name.
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/access.h"
#include "game/battle/arena.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/resource_tables.h"
#include "game/flow/resource_lists.h"
#include "game/view/arena_draw.h"
#include "game/view/battle_draw.h"
#include "game/view/draw_list.h"
#include "game/view/view.h"
#include "morrow/recording/library_recorder.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;
using testsupport::RecordedCall;
using testsupport::Recorder;
using Calls = std::vector<std::string>;

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// Handles that name themselves, as the probe's stubhandles makes them.
int32_t Picture(int row, int cell) {
  return 100000 + 100 * row + cell;
}
std::string P(int row, int cell) {
  return std::to_string(Picture(row, cell));
}

class ArenaDraw : public ::testing::Test {
 protected:
  void SetUp() override { Start(0); }
  void TearDown() override {
    for (int32_t& cell : PictureSlots.cells) cell = -1;
    for (int32_t& layer : StageBackgrounds) layer = -1;
    Recorder().Reset();
  }

  static void Start(int arena) {
    Recorder().Reset();
    testsupport::SetUpMatch({0, 1}, arena);
    for (int row = 0; row < kPictureSlots; ++row) {
      for (int cell = 0; cell < kPictureCells; ++cell) PictureSlots[row][cell] = Picture(row, cell);
    }
    for (int i = 0; i < 3; ++i) StageBackgrounds[i] = 900 + i;
  }

  static Calls Draw(const BattleObject& entry, int shake = 0, int dark = 0) {
    Recorder().ClearCalls();
    DrawEntryByTag(&entry, shake, dark);
    Calls texts;
    for (const RecordedCall& call : Recorder().Calls()) texts.push_back(call.Text());
    return texts;
  }

  // The calls of the block copies of cell (c, r) as one frame's list has them, base copy first.
  static std::vector<Calls> BlockCopies(int c, int r, int value, int32_t damage, int32_t countdown,
                                        int shake = 0) {
    SetCell(c, r, value);
    g_arenaMap.cellState[CellIndex(c, r)] = damage;
    g_arenaMap.openTimer[CellIndex(c, r)] = countdown;
    const int count = BuildDrawList(g_match.playerCount);
    std::vector<Calls> copies;
    for (int i = 0; i < count; ++i) {
      const BattleObject& e = DrawList[i];
      if (e.drawTag == kTagArena && e.kind < 51) copies.push_back(Draw(e, shake));
    }
    return copies;
  }
};

TEST_F(ArenaDraw, BlockFramesAtEveryRuleBoundary) {
  struct Case {
    int kind, arena;
    int32_t damage;
    float strength;
    int32_t countdown;
    int frame;
  } cases[] = {
      // Crack stages while standing whole: three up to the strength, none without one.
      {1, 0, 0, 280, 0, 0},
      {1, 0, 93, 280, 0, 0},
      {1, 0, 94, 280, 0, 1},
      {1, 0, 279, 280, 0, 2},
      {1, 0, 280, 280, 0, 3},
      {1, 0, kMax, 280, 0, 3},
      {1, 0, -50, 280, 0, 0},
      {1, 0, 500, 0, 0, 0},
      {1, 0, 500, -3, 0, 0},
      {1, 0, 500, std::numeric_limits<float>::quiet_NaN(), 0, 0},
      {2, 0, 444, 444, 0, 3},
      {3, 6, 900, 900, 0, 3},
      // Arenas 0 and 1: the first frame above 80, then a frame per six counts up to 7.
      {1, 0, 0, 280, kMax, 3},
      {1, 0, 0, 280, 81, 3},
      {1, 1, 0, 280, 80, 3},
      {1, 0, 0, 280, 75, 3},
      {1, 0, 0, 280, 74, 4},
      {1, 0, 0, 280, 57, 6},
      {1, 0, 0, 280, 56, 7},
      {1, 0, 0, 280, 1, 7},
      {1, 0, 0, 280, -96, 7},
      {1, 0, 0, 280, kMin, 7},
      // Arena 5: frame 0 standing whatever the damage, from 86 a frame per five counts up to 3.
      {1, 5, 380, 280, 0, 0},
      {1, 5, 0, 280, 87, 0},
      {1, 5, 0, 280, 86, 0},
      {1, 5, 0, 280, 82, 0},
      {1, 5, 0, 280, 81, 1},
      {1, 5, 0, 280, 72, 2},
      {1, 5, 0, 280, 71, 3},
      {1, 5, 0, 280, 2, 3},
      // Arena 6: from frame 2 at 80, a frame per five counts up to 5.
      {1, 6, 280, 280, 0, 3},
      {1, 6, 0, 280, 81, 2},
      {1, 6, 0, 280, 76, 2},
      {1, 6, 0, 280, 75, 3},
      {1, 6, 0, 280, 66, 4},
      {1, 6, 0, 280, 65, 5},
      {1, 6, 0, 280, 3, 5},
      // Arena 7: frame 12 above 80, then from 18 a frame per three counts up to 23.
      {1, 7, 128, 128, 0, 3},
      {1, 7, 0, 128, 81, 12},
      {1, 7, 0, 128, 80, 18},
      {1, 7, 0, 128, 78, 18},
      {1, 7, 0, 128, 77, 19},
      {1, 7, 0, 128, 66, 22},
      {1, 7, 0, 128, 65, 23},
      {1, 7, 0, 128, 1, 23},
      // Arena 8: frame 0 standing, from 86 a frame per five counts up to 5; its kind 5 a frame per
      // four counts up to 7.
      {1, 8, 320, 320, 0, 0},
      {1, 8, 0, 320, 87, 0},
      {1, 8, 0, 320, 81, 1},
      {1, 8, 0, 320, 62, 4},
      {1, 8, 0, 320, 61, 5},
      {5, 8, 280, 280, 0, 0},
      {5, 8, 0, 280, 86, 0},
      {5, 8, 0, 280, 82, 1},
      {5, 8, 0, 280, 59, 6},
      {5, 8, 0, 280, 58, 7},
      {5, 8, 0, 280, -1, 7},
      // Kind 2 from frame 3 at 80 up to 5; kind 3 from frame 0 at 86 up to 2.
      {2, 2, 0, 380, 81, 3},
      {2, 2, 0, 380, 68, 5},
      {2, 2, 0, 380, 69, 4},
      {3, 8, 0, 666, 87, 0},
      {3, 8, 0, 666, 76, 1},
      {3, 8, 0, 666, 66, 2},
      {3, 8, 0, 666, 30, 2},
      // No strip: kind 5 off arena 8, kinds 4 and 6-50, arenas outside 0-9.
      {5, 0, 0, 280, 0, -1},
      {4, 8, 0, 280, 0, -1},
      {6, 8, 0, 280, 0, -1},
      {50, 0, 0, 280, 0, -1},
      {1, -1, 0, 280, 0, -1},
      {1, 10, 0, 280, 0, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(view::BlockFrame(c.kind, c.arena, c.damage, c.strength, c.countdown), c.frame)
        << "kind " << c.kind << " arena " << c.arena << " d " << c.damage << " s " << c.strength
        << " r " << c.countdown;
  }
}

TEST_F(ArenaDraw, BlocksFromTheMap) {
  struct Case {
    const char* name;
    int arena, column, row, value;
    int32_t damage, countdown;
    int effectLevel;
    Calls base, sorted;  // empty: the copy draws nothing
  } cases[] = {
      {"arena 0 cracked once",
       0,
       5,
       5,
       1,
       140,
       0,
       0,
       {"SetBlendMode 0 255", "DrawGraphPart 160 128 32 32 32 64 901 1 0"},
       {"SetBlendMode 1 192", "DrawGraphPart 160 128 32 32 32 64 901 1 0"}},
      {"effect level 1: one opaque copy",
       0,
       5,
       5,
       1,
       140,
       0,
       1,
       {},
       {"SetBlendMode 0 255", "DrawGraphPart 160 128 32 32 32 64 901 1 0"}},
      // The base copy is made before the countdown moves, the sorted copy after.
      {"the base copy's countdown",
       0,
       5,
       5,
       1,
       0,
       75,
       0,
       {"SetBlendMode 0 255", "DrawGraphPart 160 128 96 32 32 64 901 1 0"},
       {"SetBlendMode 1 192", "DrawGraphPart 160 128 128 32 32 64 901 1 0"}},
      {"shown at 38, hidden at 37",
       0,
       5,
       5,
       1,
       0,
       38,
       0,
       {"SetBlendMode 0 255", "DrawGraphPart 160 128 224 32 32 64 901 1 0"},
       {}},
      {"hidden at 37 and 36", 0, 5, 5, 1, 0, 37, 0, {}, {}},
      {"shown at 40 and 39",
       0,
       5,
       5,
       1,
       0,
       40,
       0,
       {"SetBlendMode 0 255", "DrawGraphPart 160 128 224 32 32 64 901 1 0"},
       {"SetBlendMode 1 192", "DrawGraphPart 160 128 224 32 32 64 901 1 0"}},
      {"arena 6 turned left of 320",
       6,
       9,
       4,
       1,
       0,
       0,
       1,
       {},
       {"SetBlendMode 0 255", "DrawGraphPart 264 90 0 288 80 70 901 1 1"}},
      {"arena 6 as drawn right of 320",
       6,
       10,
       4,
       1,
       0,
       0,
       1,
       {},
       {"SetBlendMode 0 255", "DrawGraphPart 296 90 0 288 80 70 901 1 0"}},
      // The sorted copy comes lifted by 2000 and stands on its cell again.
      {"arena 7 sunken",
       7,
       3,
       14,
       1,
       64,
       0,
       0,
       {"SetBlendMode 0 255", "DrawGraphPart 96 448 32 0 32 32 901 1 0"},
       {"SetBlendMode 1 192", "DrawGraphPart 96 448 32 0 32 32 901 1 0"}},
      {"arena 7's first frame above 80 on the third row",
       7,
       3,
       14,
       1,
       0,
       82,
       1,
       {},
       {"SetBlendMode 0 255", "DrawGraphPart 96 448 0 64 32 32 901 1 0"}},
      {"arena 8 a box",
       8,
       4,
       4,
       1,
       0,
       70,
       1,
       {},
       {"SetBlendMode 0 255", "DrawGraph 96 64 " + P(164, 3) + " 1"}},
      {"arena 8 kind 5",
       8,
       4,
       4,
       5,
       0,
       70,
       1,
       {},
       {"SetBlendMode 0 255", "DrawGraph 72 80 " + P(163, 4) + " 1"}},
      {"arena 9 from the whole picture of row 164",
       9,
       2,
       3,
       1,
       500,
       0,
       1,
       {},
       {"SetBlendMode 0 255", "DrawGraphPart 64 64 96 32 32 64 " + P(164, 0) + " 1 0"}},
      {"arena 4 from the third background",
       4,
       2,
       3,
       1,
       0,
       0,
       1,
       {},
       {"SetBlendMode 0 255", "DrawGraphPart 64 48 0 64 32 80 902 1 0"}},
      {"kind 4 draws nothing", 0, 5, 5, 4, 0, 0, 1, {}, {}},
      {"kind 5 only on arena 8", 5, 5, 5, 5, 0, 0, 1, {}, {"SetBlendMode 0 255"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Start(c.arena);
    g_options.effectLevel = c.effectLevel;
    const std::vector<Calls> copies = BlockCopies(c.column, c.row, c.value, c.damage, c.countdown);
    std::vector<Calls> want;
    if (c.effectLevel == 0) want.push_back(Calls(c.base));
    want.push_back(Calls(c.sorted));
    for (Calls& copy : want) copy.push_back("SetModulationColor 255 255 255");
    if (c.value == 4) want.clear();  // not a block: never copied
    EXPECT_EQ(copies, want);
  }
}

TEST_F(ArenaDraw, PropsAtTheirPlaces) {
  const std::string opaque = "SetBlendMode 0 255";
  const std::string white = "SetModulationColor 255 255 255";
  // At SceneFrame 16 the breathing p is the table's negated sine of 32 over 256, -0.707;
  // at 4 x 16 the table gives -1.
  const std::string dim = "SetBlendMode 2 214";
  struct Case {
    int kind;
    float x, y;
    Calls calls;  // between the copy's blend and the white modulation
  } cases[] = {
      {51, 160, 96, {"DrawGraphPart 160 -3 0 0 320 160 902 1 0"}},
      {52, 160, 480, {"DrawGraphPart 160 381 0 320 320 96 902 1 0"}},
      {53, -48, -30, {opaque, "DrawGraph -48 -33 " + P(164, 0) + " 1"}},
      {53, 560, 370, {opaque, "DrawGraph 560 367 " + P(164, 0) + " 1"}},
      {54,
       160,
       0,
       {"SetFilterMode 1", "SetBlendMode 2 207", "DrawRotaGraph 46 237 2 0 901 1 0", dim,
        "DrawRotaGraph 366 237 2 0 901 1 0", dim, "DrawRotaGraph 686 237 2 0 901 1 0", dim,
        "DrawRotaGraph -166 317 2 3.14159265 901 1 0", dim,
        "DrawRotaGraph 206 317 2 3.14159265 901 1 0", dim,
        "DrawRotaGraph 526 317 2 3.14159265 901 1 0", "SetFilterMode 0"}},
      {55, 0, 480, {opaque, "DrawGraphPart 0 -3 0 0 640 20 900 1 0"}},
      {56,
       160,
       0,
       {"SetFilterMode 1", "SetBlendMode 2 176", "DrawRotaGraph 320 237 2 0 902 1 0",
        "SetFilterMode 0"}},
      {57,
       160,
       0,
       {"SetFilterMode 1", dim, "DrawRotaGraph 112 159 2 0 902 1 0", dim,
        "DrawRotaGraph 224 159 2 0 902 1 0", dim, "DrawRotaGraph 416 159 2 0 902 1 0", dim,
        "DrawRotaGraph 528 159 2 0 902 1 0", "SetFilterMode 0"}},
      {58,
       0,
       480,
       {opaque, "DrawGraph 0 -3 " + P(160, 0) + " 1", "DrawGraph 576 -3 " + P(160, 1) + " 1"}},
      {59,
       32,
       320,
       {"SetFilterMode 1", "SetBlendMode 2 116", "DrawRotaGraph 32 237 2 0 901 1 0",
        "SetFilterMode 0"}},
      {60,
       160,
       481,
       {"DrawGraphPart 0 -3 0 0 16 480 902 1 0", "DrawGraphPart 112 -3 16 0 544 32 902 1 0",
        "DrawGraphPart 576 29 480 32 64 448 902 1 0"}},
      {50, 0, 0, {}},
      {61, 0, 0, {}},
  };
  SceneFrame = 16;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    BattleObject prop{};
    prop.drawTag = kTagArena;
    prop.kind = static_cast<uint16_t>(c.kind);
    prop.x = c.x;
    prop.y = c.y;
    prop.meter = 1.0f;
    Calls want{opaque};
    want.insert(want.end(), c.calls.begin(), c.calls.end());
    want.push_back(white);
    EXPECT_EQ(Draw(prop, 3), want);
    // Off the arenas nothing is drawn.
    g_match.stage = 10;
    EXPECT_EQ(Draw(prop, 3), (Calls{opaque, white}));
    g_match.stage = 0;
  }
  // A sorted copy is translucent; the greying flags and the silhouette tint it.
  BattleObject prop{};
  prop.drawTag = kTagArena;
  prop.kind = 51;
  prop.move = 1;
  SpellScreenActive = 1;
  EXPECT_EQ(Draw(prop, 0, 1),
            (Calls{"SetModulationColor 128 128 128", "SetModulationColor 0 0 0",
                   "SetBlendMode 1 192", "DrawGraphPart 160 0 0 0 320 160 902 1 0", white}));
}

TEST_F(ArenaDraw, ItemsShimmerAndBlink) {
  struct Case {
    int kind;
    int32_t age;
    Calls calls;  // after the item's alpha blend
  } cases[] = {
      {1, 430, {"DrawGraph 292 280 " + P(81, 11) + " 1"}},
      {1, 428, {}},
      {0, 0, {"DrawGraph 292 280 " + P(81, 0) + " 1"}},
      {0, 11, {"DrawGraph 292 280 " + P(81, 5) + " 1"}},
      {2, 12, {"DrawGraph 292 280 " + P(81, 12) + " 1"}},
      {0, -3, {"DrawGraph 292 280 " + P(81, 5) + " 1"}},
      {0, 420, {"DrawGraph 292 280 " + P(81, 0) + " 1"}},
      {0, 421, {}},
      {0, 422, {"DrawGraph 292 280 " + P(81, 1) + " 1"}},
      {0, 423, {"DrawGraph 292 280 " + P(81, 1) + " 1"}},
      {0, 424, {}},
      {0, kMax, {"DrawGraph 292 280 " + P(81, 3) + " 1"}},
      {3, 0, {"DrawGraph 292 280 " + P(81, 18) + " 1"}},
      {4, 6, {"DrawGraph 292 280 " + P(81, 22) + " 1"}},
      {5, 12, {"DrawGraph 292 280 " + P(81, 26) + " 1"}},
      {10, 18, {"DrawGraph 292 280 " + P(81, 28) + " 1"}},
      {11, 24, {"DrawGraph 292 280 " + P(81, 30) + " 1"}},
      {3, -7, {"DrawGraph 292 280 " + P(81, 19) + " 1"}},
      // The special item: its ring on the ground, then the item.
      {77,
       8,
       {"SetBlendMode 2 96", "DrawRotaGraph 300 318 1 0.785398 " + P(79, 2) + " 1 0",
        "SetBlendMode 1 192", "DrawGraph 292 280 " + P(81, 34) + " 1"}},
      {6, 0, {}},
      {76, 0, {}},
      {65535, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.kind) + " at " + std::to_string(c.age));
    BattleObject item{};
    item.drawTag = kTagItem;
    item.kind = static_cast<uint16_t>(c.kind);
    item.stateTimer = c.age;
    item.x = 300;
    item.y = 300;
    item.z = -10;
    Calls want{"SetBlendMode 1 192"};
    want.insert(want.end(), c.calls.begin(), c.calls.end());
    EXPECT_EQ(Draw(item, 2), want);
  }
}

TEST_F(ArenaDraw, Familiars) {
  const std::string opaque = "SetBlendMode 0 255";
  struct Case {
    const char* name;
    int kind, state;
    int32_t timer, heading;
    int16_t guard, owner;
    int32_t move;
    float z;
    int32_t sceneFrame;
    int shake;
    Calls calls;  // before the white modulation
  } cases[] = {
      {"kind 10 at its fixed point",
       10,
       2,
       0,
       192,
       0,
       4,
       0,
       0,
       0,
       5,
       {opaque, "DrawGraph 481 8 " + P(163, 3) + " 1"}},
      {"kind 10 later",
       10,
       2,
       16,
       192,
       0,
       4,
       0,
       0,
       0,
       5,
       {opaque, "DrawGraph 481 8 " + P(163, 4) + " 1"}},
      {"kind 10 last",
       10,
       2,
       32,
       192,
       0,
       4,
       0,
       0,
       0,
       0,
       {opaque, "DrawGraph 481 13 " + P(163, 12) + " 1"}},
      {"kind 9 appearing",
       9,
       1,
       0,
       0,
       2,
       4,
       0,
       0,
       0,
       0,
       {"SetBlendMode 1 0", "DrawGraph 184 68 " + P(160, 0) + " 1"}},
      {"kind 9 half in",
       9,
       1,
       24,
       0,
       2,
       4,
       0,
       0,
       0,
       0,
       {"SetBlendMode 1 127", "DrawGraph 184 68 " + P(160, 6) + " 1"}},
      {"kind 9 nearly in",
       9,
       1,
       47,
       0,
       2,
       4,
       0,
       0,
       0,
       0,
       {"SetBlendMode 1 249", "DrawGraph 184 68 " + P(160, 3) + " 1"}},
      {"kind 9 after 48 frames",
       9,
       1,
       48,
       0,
       2,
       4,
       0,
       0,
       0,
       0,
       {"SetBlendMode 1 254", "DrawGraph 184 68 " + P(160, 4) + " 1"}},
      {"kind 9 led up the screen",
       9,
       2,
       0,
       64,
       2,
       4,
       0,
       0,
       0,
       0,
       {"SetBlendMode 1 0", "DrawGraph 168 52 " + P(160, 0) + " 1"}},
      {"kind 9 a heading of more than a turn",
       9,
       2,
       0,
       64 + 256,
       2,
       4,
       0,
       0,
       0,
       0,
       {"SetBlendMode 1 0", "DrawGraph 168 52 " + P(160, 0) + " 1"}},
      {"kind 7 red on an odd frame while it acts",
       7,
       1,
       0,
       0,
       2,
       4,
       0,
       0,
       1,
       0,
       {"SetFilterMode 1", "SetBlendMode 3 64", "DrawRotaGraph 200 120 2 0 " + P(165, 0) + " 1 0",
        "SetFilterMode 0", opaque, "SetModulationColor 255 128 128",
        "DrawRotaGraph 200 100 1 0 " + P(161, 0) + " 1 0"}},
      {"kind 7 on an even frame",
       7,
       1,
       0,
       0,
       2,
       4,
       0,
       0,
       2,
       0,
       {"SetFilterMode 1", "SetBlendMode 3 64", "DrawRotaGraph 200 120 2 0 " + P(165, 0) + " 1 0",
        "SetFilterMode 0", opaque, "DrawRotaGraph 200 100 1 0 " + P(161, 0) + " 1 0"}},
      {"kind 7 armoured",
       7,
       1,
       0,
       0,
       4,
       4,
       0,
       0,
       1,
       0,
       {"SetFilterMode 1", "SetBlendMode 3 64", "DrawRotaGraph 200 120 2 0 " + P(165, 0) + " 1 0",
        "SetFilterMode 0", opaque, "DrawRotaGraph 200 100 1 0 " + P(161, 0) + " 1 0"}},
      {"kind 7 falling over its shadow",
       7,
       1,
       0,
       0,
       0,
       4,
       0,
       -640,
       0,
       0,
       {"SetFilterMode 1", "SetBlendMode 3 64", "DrawRotaGraph 200 120 2 0 " + P(165, 0) + " 1 0",
        "SetFilterMode 0", opaque, "DrawRotaGraph 200 -540 1 0 " + P(161, 6) + " 1 0"}},
      {"kind 0 waiting, its grey at the middle of its pulse",
       0,
       1,
       8,
       192,
       0,
       4,
       0,
       0,
       0,
       0,
       {"SetFilterMode 1", "SetBlendMode 3 128", "DrawRotaGraph 200 120 1 0 " + P(79, 0) + " 1 0",
        "SetFilterMode 0", opaque, "SetModulationColor 160 160 160",
        "DrawGraph 168 68 " + P(160, 1) + " 1"}},
      {"kind 0 hit, at the bottom of its pulse",
       0,
       3,
       8,
       192,
       0,
       4,
       0,
       0,
       32,
       0,
       {"SetFilterMode 1", "SetBlendMode 3 128",
        "DrawRotaGraph 200 120 1 0.785398 " + P(79, 0) + " 1 0", "SetFilterMode 0", opaque,
        "SetModulationColor 128 128 128", "DrawGraph 168 68 " + P(160, 7) + " 1"}},
      {"kind 8 on its owner's ring",
       8,
       1,
       8,
       0,
       0,
       2,
       1,
       0,
       0,
       0,
       {"SetFilterMode 1", "SetBlendMode 2 96", "DrawRotaGraph 200 120 0.6 0 " + P(79, 2) + " 1 0",
        "SetFilterMode 0", opaque, "DrawGraph 176 76 " + P(4, 2) + " 1"}},
      {"kind 8 of nobody has no ring",
       8,
       1,
       8,
       64,
       0,
       4,
       1,
       0,
       0,
       0,
       {opaque, "DrawGraph 176 76 " + P(4, 16) + " 1"}},
      {"kind 8 growing in",
       8,
       2,
       8,
       0,
       0,
       -1,
       1,
       0,
       0,
       0,
       {opaque, "DrawExtendGraph 188 88 212 112 " + P(4, 2) + " 1"}},
      {"kind 8 of a quick move growing in",
       8,
       2,
       6,
       0,
       0,
       4,
       7,
       0,
       0,
       0,
       {opaque, "DrawExtendGraph 188 88 211 111 " + P(7, 1) + " 1"}},
      {"kind 1 draws nothing", 1, 2, 0, 0, 0, 4, 0, 0, 0, 0, {}},
      {"kind 6 draws nothing", 6, 2, 0, 0, 0, 4, 0, 0, 0, 0, {}},
      {"kind 11 draws nothing", 11, 2, 0, 0, 0, 4, 0, 0, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BattleObject f{};
    f.drawTag = kTagFamiliar;
    f.kind = static_cast<uint16_t>(c.kind);
    f.state = c.state;
    f.stateTimer = c.timer;
    f.heading = c.heading;
    f.guard = c.guard;
    f.owner = c.owner;
    f.move = c.move;
    f.x = 200;
    f.y = 100;
    f.z = c.z;
    SceneFrame = c.sceneFrame;
    Calls want = c.calls;
    want.push_back("SetModulationColor 255 255 255");
    EXPECT_EQ(Draw(f, c.shake), want);
  }
}

// The number of cells the picture in row `row` has on `arena`, or 0 when the row holds no
// divided picture there.
int CellsOf(int row, int arena) {
  if (row < kArenaSlotBase) return kBattleList[row].grid.cells;
  for (const ArenaPicture& picture : kArenaPictures[arena].pictures) {
    if (picture.slot == row && picture.grid.name != nullptr) return picture.grid.cells;
  }
  return 0;
}

// Every picture a call draws: a divided picture's cell lies inside its grid, and a part of a
// whole picture inside its 640 x 480.
void ExpectInsidePictures(int arena, const std::string& what) {
  for (const RecordedCall& call : Recorder().Calls()) {
    int handleArg = -1;
    if (call.name == "DrawGraph" || call.name == "DrawMirroredGraph") handleArg = 2;
    if (call.name == "DrawRotaGraph") handleArg = 4;
    if (call.name == "DrawExtendGraph") handleArg = 4;
    if (call.name == "DrawGraphPart") handleArg = 6;
    if (handleArg < 0) continue;
    const int64_t handle = call.Int(handleArg);
    const bool whole = (handle >= 900 && handle <= 902) || handle == Picture(164, 0);
    if (call.name == "DrawGraphPart") {
      ASSERT_TRUE(whole) << what << ": " << call.Text();
      EXPECT_GE(call.Int(2), 0) << what << ": " << call.Text();
      EXPECT_GE(call.Int(3), 0) << what << ": " << call.Text();
      EXPECT_LE(call.Int(2) + call.Int(4), 640) << what << ": " << call.Text();
      EXPECT_LE(call.Int(3) + call.Int(5), 480) << what << ": " << call.Text();
      continue;
    }
    if (whole) continue;
    ASSERT_GE(handle, Picture(0, 0)) << what << ": " << call.Text();
    const int row = static_cast<int>((handle - Picture(0, 0)) / 100);
    const int cell = static_cast<int>((handle - Picture(0, 0)) % 100);
    EXPECT_LT(cell, CellsOf(row, arena)) << what << ": " << call.Text();
  }
}

TEST_F(ArenaDraw, WildMapsAndRecordsDrawInsideTheirPictures) {
  std::mt19937 random(45);
  const int32_t extremes[] = {0, 1, -1, 39, 40, 80, 86, 96, -96, kMax, kMin, 12345, -12345};
  auto pick = [&](int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(random);
  };
  auto wild = [&] {
    return pick(0, 1) == 0 ? extremes[pick(0, static_cast<int32_t>(std::size(extremes)) - 1)]
                           : pick(kMin, kMax);
  };
  // Every cell value on every arena and beyond, with any damage and countdown.
  for (int arena = -1; arena <= 10; ++arena) {
    for (int value = 0; value < 256; value += 20) {
      Start(arena);
      g_options.effectLevel = pick(0, 1);
      for (int c = 0; c < kMapColumns; ++c) {
        for (int r = 0; r < kMapRows; ++r) {
          const int index = CellIndex(c, r);
          g_arenaMap.cells[index] = (value + c + 20 * r) % 256;
          g_arenaMap.cellState[index] = wild();
          g_arenaMap.openTimer[index] = wild();
        }
      }
      const int count = BuildDrawList(g_match.playerCount);
      for (int i = 0; i < count; ++i) {
        if (DrawList[i].drawTag != kTagArena) continue;
        Draw(DrawList[i], pick(-20, 20), pick(0, 1));
        const std::string what = "arena " + std::to_string(arena) + " kind " +
                                 std::to_string(DrawList[i].kind) + " r " +
                                 std::to_string(DrawList[i].recovery);
        if (arena >= 0 && arena <= 9) ExpectInsidePictures(arena, what);
        EXPECT_EQ(Recorder().Calls().back().Text(), "SetModulationColor 255 255 255") << what;
      }
    }
  }
  // Items of every kind with any age and height.
  for (int n = 0; n < 3000; ++n) {
    BattleObject item{};
    item.drawTag = kTagItem;
    item.kind = static_cast<uint16_t>(n % 3 == 0 ? 77 : pick(0, 65535) % (n % 2 ? 16 : 65536));
    item.stateTimer = wild();
    item.x = static_cast<float>(pick(-1000, 1000));
    item.y = static_cast<float>(pick(-1000, 1000));
    item.z = static_cast<float>(wild());
    Draw(item, pick(-20, 20));
    ExpectInsidePictures(0, "item " + std::to_string(item.kind));
  }
  // Familiars of every kind in any state, on the arena that places them.
  const int arenaOf[11] = {0, 2, 4, 5, 5, 6, 7, 8, 0, 9, 9};
  for (int n = 0; n < 6000; ++n) {
    BattleObject f{};
    f.drawTag = kTagFamiliar;
    f.kind = static_cast<uint16_t>(n % 40 == 0 ? 65535 : n % 13);
    f.state = pick(0, 3) == 0 ? wild() : pick(0, 10);
    f.stateTimer = wild();
    f.heading = wild();
    f.guard = static_cast<int16_t>(pick(-3, 5));
    f.owner = static_cast<int16_t>(pick(-40000, 40000) % 7);
    f.move = pick(0, 1) == 0 ? wild() : pick(0, 10);
    f.stun = static_cast<float>(pick(0, 1) == 0 ? wild() : pick(0, 6));
    f.x = static_cast<float>(pick(-1000, 1000));
    f.y = static_cast<float>(pick(-1000, 1000));
    f.z = static_cast<float>(pick(-700, 0));
    SceneFrame = wild();
    Draw(f, pick(-20, 20));
    const std::string what = "familiar " + std::to_string(f.kind);
    // Kind 10's cells are fixed whatever the arena holds in row 163.
    if (f.kind <= 9) ExpectInsidePictures(arenaOf[f.kind], what);
    EXPECT_EQ(Recorder().Calls().back().Text(), "SetModulationColor 255 255 255") << what;
  }
}

}  // namespace
