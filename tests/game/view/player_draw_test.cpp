// The draw list's players, companions and dash spinners through the recording stand-in of the
// library: every pass of a player in order, the story's entrance, the afterimage branches, glows,
// body blends and tints, the sheets of the body, the extra passes, companions and spinners, and
// wild entries that read nothing outside a table and leave the modulation white.
//
// The cell a player shows is the frame selection's business: the tests ask it for the cell of the
// same record first and check only which sheet, place and pass draws it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/drawn_frame.h"
#include "game/core/frame_state.h"
#include "game/core/resource_tables.h"
#include "game/view/battle_draw.h"
#include "game/view/draw_list.h"
#include "game/view/player_draw.h"
#include "game/view/view.h"
#include "morrow/recording/library_recorder.h"
#include "tests/support/battle_state.h"
#include "tools/lib/battlesupport/select_now.h"

namespace {

using namespace veyrdale;
using testsupport::RecordedCall;
using testsupport::Recorder;
using Calls = std::vector<std::string>;

// Handles that name themselves, as the probe's stubhandles makes them.
int32_t Picture(int row, int cell) {
  return 100000 + 100 * row + cell;
}
std::string SheetA(int p, int cell) {
  return std::to_string(200000 + 1000 * p + cell);
}
std::string SheetB(int p, int cell) {
  return std::to_string(300000 + 1000 * p + cell);
}

const std::string kOpaque = "SetBlendMode 0 255";
const std::string kWhite = "SetModulationColor 255 255 255";

// Player 0's ground ring at (100, y).
Calls Ring(int y, int cell = 0) {
  return {"SetFilterMode 1", "SetBlendMode 2 128",
          "DrawRotaGraph 100 " + std::to_string(y) + " 1 0 " + std::to_string(Picture(79, cell)) +
              " 1 0",
          "SetFilterMode 0"};
}

Calls Join(std::initializer_list<Calls> parts) {
  Calls all;
  for (const Calls& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::string Plain(int x, int y, const std::string& handle) {
  return "DrawGraph " + std::to_string(x) + " " + std::to_string(y) + " " + handle + " 1";
}

class PlayerEntryDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    Recorder().Reset();
    testsupport::SetUpMatch({0, 1});
    for (int row = 0; row < kPictureSlots; ++row) {
      for (int cell = 0; cell < kPictureCells; ++cell) PictureSlots[row][cell] = Picture(row, cell);
    }
    for (int p = 0; p < 4; ++p) {
      for (int c = 0; c < 400; ++c) {
        CharacterSheetCells[p][c] = 200000 + 1000 * p + c;
        CharacterSheetCellsB[p][c] = 300000 + 1000 * p + c;
      }
      g_players[p].owner = static_cast<int16_t>(p);
      g_companions[p].owner = static_cast<int16_t>(p);
    }
    g_players[1].x = 300;
    g_players[1].y = 200;
  }
  void TearDown() override {
    for (int32_t& cell : PictureSlots.cells) cell = -1;
    for (int p = 0; p < 4; ++p) {
      for (int c = 0; c < 400; ++c) CharacterSheetCells[p][c] = CharacterSheetCellsB[p][c] = -1;
      NoShadowFlags[p] = 0;
    }
    Recorder().Reset();
  }

  // Player 0 as the draw list copies it: character `kind` standing at (100, 96), facing right.
  static BattleObject Player(int kind) {
    BattleObject e = g_players[0];
    e.kind = static_cast<uint16_t>(kind);
    g_players[0].kind = e.kind;
    e.x = 100;
    e.y = 96;
    e.drawTag = kTagPlayer;
    return e;
  }

  // The cell the frame selection gives for the entry, lifted as the draw lifts it.
  static int CellOf(const BattleObject& entry) {
    BattleObject scratch = entry;
    scratch.y += scratch.z;
    return SelectCharaFrameNow(&scratch, 0);
  }

  // The entry drawn on a frame begun from the players as they stand.
  static Calls Draw(const BattleObject& entry, int shake = 0) {
    g_drawnFrame.Begin(shake, 0);
    Recorder().ClearCalls();
    DrawEntryByTag(&entry, shake, 0);
    Calls texts;
    for (const RecordedCall& call : Recorder().Calls()) texts.push_back(call.Text());
    return texts;
  }
};

// The calls after the first `from` in `calls`, `count` of them (fewer when the list ends).
Calls After(const Calls& calls, const std::string& from, size_t count) {
  Calls out;
  size_t i = 0;
  while (i < calls.size() && calls[i] != from) ++i;
  for (++i; i < calls.size() && out.size() < count; ++i) out.push_back(calls[i]);
  return out;
}

TEST_F(PlayerEntryDraw, EveryPassInOrder) {
  struct Case {
    const char* name;
    int kind;
    void (*setUp)(BattleObject& e);
    int shake;
    Calls (*want)(int c);
  } cases[] = {
      {"standing", 0, [](BattleObject&) {}, 0,
       [](int c) {
         return Join({Ring(116), {kOpaque, kOpaque, Plain(68, 64, SheetA(0, c)), kWhite}});
       }},
      // The Check's dash: stun ring, five afterimages oldest first, the frozen body twice more.
      {"frozen dash", 0,
       [](BattleObject& e) {
         e.state = 5;
         e.attackDelay = 4;
         for (int h = 0; h < 5; ++h) e.trailX[h] = 10.0f * (h + 1);
         g_playerState.freezeTimer[0] = 3;
       },
       0,
       [](int c) {
         const std::string cell = SheetA(0, c);
         return Join({Ring(116),
                      {"SetBlendMode 2 64",
                       "PackScreenColor 0 255 0",
                       "DrawCircle 100 101 12 0xff00ff00 0",
                       kOpaque,
                       "SetBlendMode 1 20",
                       Plain(18, -32, cell),
                       "SetBlendMode 1 40",
                       Plain(8, -32, cell),
                       "SetBlendMode 1 60",
                       Plain(-2, -32, cell),
                       "SetBlendMode 1 80",
                       Plain(-12, -32, cell),
                       "SetBlendMode 1 100",
                       Plain(-22, -32, cell),
                       kWhite,
                       kOpaque,
                       "SetModulationColor 64 64 255",
                       Plain(68, 64, cell),
                       "SetModulationColor 64 64 255",
                       "SetBlendMode 2 255",
                       Plain(68, 64, cell),
                       Plain(68, 64, cell),
                       kWhite,
                       kWhite}});
       }},
      // Character 2's card with the screen shaking by 4: only the aura stays where it is.
      {"card, shaking", 2,
       [](BattleObject&) { g_playerState.cardBar[0] = g_playerState.cardBarFull[0] = 100; }, 4,
       [](int c) {
         return Join(
             {Ring(112),
              {"SetFilterMode 1", "SetBlendMode 2 160", "DrawRotaGraph 100 101 1.13 0 108800 1 0",
               "SetFilterMode 0", kOpaque, "SetFilterMode 1", "SetModulationColor 255 255 0",
               "SetBlendMode 2 192", "DrawRotaGraph 100 92 1 0 " + SheetA(0, c) + " 1 0", kWhite,
               "SetFilterMode 0", kOpaque, Plain(68, 60, SheetA(0, c)), kWhite}});
       }},
      // A dash timer the sheet rule turns into cell 999: ring, stun ring and aura only.
      {"cell 999", 4,
       [](BattleObject& e) {
         e.state = 5;
         e.stateTimer = 520 + 6 * 989;
         e.attackDelay = 2;
         g_playerState.cardBar[0] = 10;
         g_playerState.cardBarFull[0] = 20;
       },
       0,
       [](int c) {
         EXPECT_EQ(c, 999);
         return Join(
             {Ring(116),
              {"SetBlendMode 2 64", "PackScreenColor 0 255 0", "DrawCircle 100 101 6 0xff00ff00 0",
               "SetFilterMode 1", "SetBlendMode 2 160", "DrawRotaGraph 100 101 0.565 0 108800 1 0",
               "SetFilterMode 0", kOpaque, kOpaque, kWhite}});
       }},
      // Past the sheet's 400 cells and below 999: every pass runs, none draws a cell.
      {"cell 500", 4,
       [](BattleObject& e) {
         e.state = 5;
         e.stateTimer = 520 + 6 * 490;
       },
       0,
       [](int c) {
         EXPECT_EQ(c, 500);
         Calls calls = Join({Ring(116), {kOpaque}});
         for (int k = 0; k < 5; ++k)
           calls.push_back("SetBlendMode 1 " + std::to_string(20 * (k + 1)));
         return Join({calls, {kWhite, kOpaque, kWhite}});
       }},
      // No ring and no aura: character 12's card above the ground, character 14's late card.
      {"character 12 lifted", 12,
       [](BattleObject& e) {
         e.state = 9;
         e.z = -1;
       },
       0,
       [](int c) {
         const std::string body = c >= 500 ? SheetB(0, c - 500) : SheetA(0, c);
         return Calls{kOpaque, kOpaque, Plain(68, 63, body), kWhite};
       }},
      {"character 14 late in its card", 14,
       [](BattleObject& e) {
         e.state = 9;
         e.stateTimer = 2200;
       },
       0,
       [](int c) {
         return Calls{kOpaque, kOpaque, Plain(68, 64, SheetA(0, c)), kWhite};
       }},
      {"NoShadowFlags", 0, [](BattleObject&) { NoShadowFlags[0] = 1; }, 0,
       [](int c) {
         return Calls{kOpaque, kOpaque, Plain(68, 64, SheetA(0, c)), kWhite};
       }},
      {"stun ring out of the round", 0,
       [](BattleObject& e) {
         e.state = 14;
         e.attackDelay = 7;
       },
       0,
       [](int c) {
         return Join(
             {Ring(116),
              {"SetBlendMode 2 64", "PackScreenColor 0 255 0", "DrawCircle 100 101 2 0xff00ff00 0",
               kOpaque, "SetBlendMode 1 64", Plain(68, 64, SheetA(0, c)), kWhite}});
       }},
      {"team ring", 0,
       [](BattleObject&) {
         g_match.teamMode = 1;
         g_match.team[0] = 1;
       },
       0,
       [](int c) {
         return Join({Ring(116, 4), {kOpaque, kOpaque, Plain(68, 64, SheetA(0, c)), kWhite}});
       }},
      {"team past the row", 0,
       [](BattleObject&) {
         g_match.teamMode = 1;
         g_match.team[0] = 16;
       },
       0,
       [](int c) {
         return Calls{"SetFilterMode 1",
                      "SetBlendMode 2 128",
                      "DrawRotaGraph 100 116 1 0 -1 1 0",
                      "SetFilterMode 0",
                      kOpaque,
                      kOpaque,
                      Plain(68, 64, SheetA(0, c)),
                      kWhite};
       }},
      // A card whose length was never set shows no aura.
      {"card of no length", 0,
       [](BattleObject& e) {
         e.state = 9;
         g_playerState.cardBar[0] = 30;
         g_playerState.cardBarFull[0] = 0;
       },
       0,
       [](int c) {
         return Join({Ring(116),
                      {kOpaque, kOpaque, Plain(68, 64, SheetA(0, c)), kWhite,
                       "SetModulationColor 255 192 0", "SetBlendMode 2 64",
                       Plain(68, 64, SheetA(0, c)), kWhite}});
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    BattleObject e = Player(c.kind);
    c.setUp(e);
    const int cell = CellOf(e);
    EXPECT_EQ(Draw(e, c.shake), c.want(cell));
    TearDown();
  }
}

TEST_F(PlayerEntryDraw, StoryPresenceStretchesAndHides) {
  struct Case {
    int presence;
    int story;
    std::string body;  // "" when no body is drawn
    bool drawn;        // false: not even the ring
  } cases[] = {
      {0, 1, "", false},
      {0, 0, "DrawGraph 68 64", true},
      {12, 1, "DrawGraph 68 64", true},
      {400, 1, "DrawGraph 68 64", true},
      {11, 1, "DrawExtendGraph 62 66 137 125", true},
      {6, 1, "DrawExtendGraph 36 79 163 112", true},  // k = 6 x 0.0833333, just short of 1/2
      {1, 1, "DrawExtendGraph 9 93 190 98", true},
      {-1, 1, "", true},
      {-10, 1, "", true},
      {-18, 1, "", true},
      {-19, 1, "DrawExtendGraph 9 93 190 98", true},
      {-24, 1, "DrawExtendGraph 36 80 164 112", true},  // k = 6/12 exactly
      {-30, 1, "DrawExtendGraph 68 64 132 128", true},
      // Below -30 the rectangle turns inside out; the library draws it mirrored.
      {-40, 1, "DrawExtendGraph 121 37 78 154", true},
      {INT32_MIN, 1, "DrawExtendGraph 2147483647 -2147483648 -2147483648 2147483647", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.presence);
    SetUp();
    g_match.storyMode = c.story;
    g_playerState.entryFrames[0] = c.presence;
    const BattleObject e = Player(0);
    const std::string cell = SheetA(0, CellOf(e));
    const Calls calls = Draw(e);
    if (!c.drawn) {
      EXPECT_TRUE(calls.empty());
      continue;
    }
    Calls want = Join({Ring(116), {kOpaque, kOpaque}});
    if (!c.body.empty()) want.push_back(c.body + " " + cell + " 1");
    want.push_back(kWhite);
    EXPECT_EQ(calls, want);
    TearDown();
  }
}

TEST_F(PlayerEntryDraw, AfterimageBranches) {
  // History entry h at (10(h+1), 50 + h) lifted by 2h, drawn with the screen shaken by 3.
  auto plainTrail = [](const std::string& cell, int alphaStep, const char* glow) {
    Calls calls;
    for (int k = 0; k < 5; ++k) {
      const int h = 4 - k;
      calls.push_back("SetBlendMode 1 " + std::to_string(alphaStep * (k + 1)));
      calls.push_back(Plain(10 * (h + 1) - 32, 50 - h - 3 - 32, cell));
      if (glow != nullptr) {
        // Character 6: 12(k+1) - 10 sin(4 SceneFrame), SceneFrame 16 giving sin = 1.
        calls.push_back("SetBlendMode 2 " + std::to_string(12 * (k + 1) - 10));
        calls.push_back(Plain(10 * (h + 1) - 32, 50 - h - 3 - 32, glow));
      }
    }
    calls.push_back(kWhite);
    return calls;
  };
  auto turnedTrail = [](const std::string& cell, const char* tint, double step) {
    Calls calls;
    for (int k = 0; k < 5; ++k) {
      const int h = 4 - k;
      char scale[32];
      std::snprintf(scale, sizeof scale, "%.9g", 1 + (4 - k) * step);
      calls.push_back(std::string("SetModulationColor ") + tint);
      calls.push_back("SetBlendMode 2 " + std::to_string(32 * (k + 1)));
      calls.push_back("DrawRotaGraph " + std::to_string(10 * (h + 1)) + " " +
                      std::to_string(50 - h - 3) + " " + scale + " 0 " + cell + " 1 0");
    }
    calls.push_back(kWhite);
    return calls;
  };
  struct Case {
    const char* name;
    int kind;
    int state;
    int timer;
    int card;
    uint8_t flag;
    int which;  // 0 plain, 1 plain with glow, 2 blue dash, 3 red, 4 purple, 5 blue, 6 none
  } cases[] = {
      {"dash", 0, 5, 0, 0, 0, 0},
      {"flag", 1, 0, 0, 0, 1, 0},
      {"character 6 with its glow", 6, 5, 0, 0, 0, 1},
      {"character 2's dash", 2, 5, 0, 0, 0, 2},
      {"character 3's card", 3, 0, 0, 30, 0, 3},
      {"character 13's card", 13, 0, 0, 30, 0, 3},
      {"character 7's card", 7, 0, 0, 30, 0, 4},
      {"character 14's card", 14, 0, 0, 30, 0, 5},
      // 61: the knock-back's own tint (every third frame of its timer) stays off.
      {"character 10 knocked back from 60", 10, 11, 61, 0, 0, 0},
      {"character 10 knocked back below 60", 10, 11, 59, 0, 0, 6},
      {"a dash of character 3 leaves none", 3, 5, 0, 0, 0, 6},
      {"character 5's card leaves none", 5, 0, 0, 30, 0, 6},
      {"out of the round", 0, 13, 0, 0, 1, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    SceneFrame = 16;
    BattleObject e = Player(c.kind);
    e.state = c.state;
    e.stateTimer = c.timer;
    e.modifierHeld = c.flag;
    for (int h = 0; h < 5; ++h) {
      e.trailX[h] = 10.0f * (h + 1);
      e.trailY[h] = 50.0f + h;
      e.trailZ[h] = -2.0f * h;
    }
    g_playerState.cardBar[0] = c.card;
    g_playerState.cardBarFull[0] = 100;
    const int cell = CellOf(e);
    const std::string a = SheetA(0, cell);
    const std::string b = SheetB(0, cell);
    Calls want;
    switch (c.which) {
      case 0:
        want = plainTrail(a, 20, nullptr);
        break;
      case 1:
        want = plainTrail(a, 20, b.c_str());
        break;
      case 2:
        for (int k = 0; k < 5; ++k) {
          const int h = 4 - k;
          want.push_back("SetBlendMode 2 " + std::to_string(32 * (k + 1)));
          want.push_back("SetModulationColor 0 128 255");
          want.push_back(Plain(10 * (h + 1) - 32, 50 - h - 3 - 32, a));
        }
        want.push_back(kWhite);
        break;
      case 3:
        want = turnedTrail(a, "255 0 0", 0.07);
        break;
      case 4:
        want = turnedTrail(a, "160 0 160", 0.03);
        break;
      case 5:
        want = turnedTrail(a, "64 64 255", 0.03);
        break;
      default:
        break;
    }
    const Calls calls = Draw(e, 3);
    if (c.which == 6) {
      // Not one afterimage's blend.
      for (const std::string& call : calls) {
        EXPECT_NE(call, "SetBlendMode 1 20");
        EXPECT_NE(call, "SetBlendMode 2 32");
      }
    } else {
      // The afterimages follow the blend reset of the lift.
      EXPECT_EQ(After(calls, kOpaque, want.size()), want);
    }
    TearDown();
  }
}

// The calls just before the body's first draw at (68, 64), as many as `want` holds.
Calls BeforeBody(const Calls& calls, const std::string& body, size_t count) {
  size_t i = 0;
  while (i < calls.size() && calls[i] != body) ++i;
  if (i == calls.size() || i < count) return {"no body " + body};
  return Calls(calls.begin() + static_cast<std::ptrdiff_t>(i - count),
               calls.begin() + static_cast<std::ptrdiff_t>(i));
}

TEST_F(PlayerEntryDraw, GlowsBodyBlendsAndTints) {
  struct Case {
    const char* name;
    int kind = 0;
    int state = 0;
    int timer = 0;
    int sceneFrame = 0;
    int card = 0;
    int lowLife = 0;
    int blink = 0;  // the hit-blink counter
    int guard = 0;
    int roundEnd = 0;
    int fade = 0;
    int frozen = 0;
    int hold = 0;
    int holder = 1;
    int holderKind = 1;
    Calls before;  // "A" stands for the body's cell
  } cases[] = {
      {.name = "plain", .before = {kOpaque, kOpaque}},
      {.name = "glow flag",
       .sceneFrame = 64,
       .lowLife = 1,
       .before = {kOpaque, "SetModulationColor 255 64 0", "SetBlendMode 2 160",
                  "DrawRotaGraph 100 96 1.3 0 A 1 0", kWhite, kOpaque}},
      {.name = "glow flag in the story's fade",
       .sceneFrame = 64,
       .lowLife = 1,
       .fade = 1,
       .before = {kOpaque, kOpaque}},
      {.name = "character 2's card",
       .kind = 2,
       .sceneFrame = 29,
       .card = 1,
       .before = {kOpaque, "SetFilterMode 1", "SetModulationColor 255 255 0", "SetBlendMode 2 192",
                  "DrawRotaGraph 100 96 1.1 0 A 1 0", kWhite, "SetFilterMode 0", kOpaque}},
      {.name = "hit blink", .blink = 4, .before = {kOpaque, "SetBlendMode 1 64"}},
      {.name = "hit blink on", .blink = 6, .before = {kOpaque, kOpaque}},
      {.name = "hit blink after the round",
       .blink = 4,
       .roundEnd = 1,
       .before = {kOpaque, kOpaque}},
      {.name = "hit blink in the story's fade",
       .blink = 4,
       .fade = 1,
       .before = {kOpaque, kOpaque}},
      {.name = "guard blink", .guard = 5, .before = {kOpaque, "SetBlendMode 1 64"}},
      {.name = "guard blink on", .guard = 2, .before = {kOpaque, kOpaque}},
      {.name = "knocked out", .state = 13, .timer = 1, .before = {kOpaque, "SetBlendMode 1 64"}},
      {.name = "frozen", .frozen = 1, .before = {kOpaque, kOpaque, "SetModulationColor 64 64 255"}},
      {.name = "frozen while blinking",
       .blink = 4,
       .frozen = 1,
       .before = {kOpaque, "SetBlendMode 1 64"}},
      {.name = "held", .hold = 633, .before = {kOpaque, kOpaque, "SetModulationColor 255 0 0"}},
      {.name = "held from 634", .hold = 634, .before = {kOpaque, kOpaque}},
      {.name = "held by character 14", .hold = 5, .holderKind = 14, .before = {kOpaque, kOpaque}},
      {.name = "held by no player", .hold = 5, .holder = 9, .before = {kOpaque, kOpaque}},
      // The hit tint again after the afterimages, for every character.
      {.name = "hit stun",
       .state = 10,
       .timer = 1,
       .sceneFrame = 3,
       .before = {kWhite, kOpaque, "SetModulationColor 255 160 160"}},
      {.name = "hit stun off beat",
       .state = 10,
       .timer = 1,
       .sceneFrame = 4,
       .before = {kWhite, kOpaque}},
      {.name = "knocked back",
       .kind = 1,
       .state = 11,
       .timer = 1,
       .before = {kWhite, kOpaque, "SetModulationColor 255 160 160"}},
      // Character 10 fades out of a knock-back and out of its card.
      {.name = "character 10 at 50",
       .kind = 10,
       .state = 11,
       .timer = 50,
       .sceneFrame = 1,
       .before = {kWhite, kOpaque, "SetBlendMode 1 95"}},
      {.name = "character 10 at 31",
       .kind = 10,
       .state = 11,
       .timer = 31,
       .sceneFrame = 1,
       .before = {kWhite, kOpaque, kOpaque}},
      {.name = "character 10 at 5",
       .kind = 10,
       .state = 11,
       .timer = 5,
       .sceneFrame = 1,
       .before = {kWhite, kOpaque}},
      {.name = "character 10's card at 250",
       .kind = 10,
       .state = 9,
       .timer = 250,
       .before = {kOpaque, kOpaque, "SetBlendMode 1 127"}},
      {.name = "character 10's card at 200",
       .kind = 10,
       .state = 9,
       .timer = 200,
       .before = {kOpaque, kOpaque, kOpaque}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    SceneFrame = c.sceneFrame;
    BattleObject e = Player(c.kind);
    e.state = c.state;
    e.stateTimer = c.timer;
    e.guard = static_cast<int16_t>(c.guard);
    g_playerState.cardBar[0] = g_playerState.cardBarFull[0] = c.card;
    g_playerState.lowLifeMode[0] = static_cast<uint8_t>(c.lowLife);
    g_playerState.recoveryGuard[0] = c.blink;
    g_playerState.freezeTimer[0] = c.frozen;
    g_playerState.holdTimer[0] = c.hold;
    g_playerState.holder[0] = c.holder;
    g_players[1].kind = static_cast<uint16_t>(c.holderKind);
    RoundEndFrames = c.roundEnd;
    StoryPreFight = c.fade;
    const std::string cell = SheetA(0, CellOf(e));
    Calls want = c.before;
    for (std::string& call : want) {
      if (const size_t at = call.find(" A "); at != std::string::npos)
        call.replace(at + 1, 1, cell);
    }
    const Calls calls = Draw(e);
    EXPECT_EQ(BeforeBody(calls, Plain(68, 64, cell), want.size()), want);
  }
}

TEST_F(PlayerEntryDraw, BodiesFromTheSecondSheet) {
  struct Case {
    const char* name;
    int kind;
    int card;
    int special;
    bool second;
  } cases[] = {
      {"character 3's card", 3, 1, 0, true},         {"character 3", 3, 0, 9000, true},
      {"character 5's card", 5, 1, 0, true},         {"character 5's special", 5, 0, 8000, true},
      {"character 5 below 8000", 5, 0, 7999, false}, {"character 4's card", 4, 1, 9000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    BattleObject e = Player(c.kind);
    g_playerState.cardBar[0] = c.card;
    g_playerState.cardBarFull[0] = 1;
    g_playerState.specialMode[0] = c.special;
    g_playerState.freezeTimer[0] = 1;
    const int cell = CellOf(e);
    const Calls calls = Draw(e);
    const std::string body = Plain(68, 64, c.second ? SheetB(0, cell) : SheetA(0, cell));
    // A second-sheet body is all there is: no frozen passes over it.
    EXPECT_EQ(std::count(calls.begin(), calls.end(), body), c.second ? 1 : 3);
  }
  // Characters 12 and 15 take cells from 500 on from the second sheet, 500 lower; beyond both
  // sheets nothing is drawn.
  for (int kind : {12, 15}) {
    for (int state : {0, 8, 9}) {
      for (int timer : {0, 20, 60, 100, 150, 200, 260, 520, 600, 650, 8888, 9999}) {
        for (int special : {0, 6000, 9000}) {
          SetUp();
          BattleObject e = Player(kind);
          e.state = state;
          e.stateTimer = timer;
          g_playerState.specialMode[0] = special;
          g_playerState.cardChoice[0] = timer % 2;
          const int cell = CellOf(e);
          const Calls calls = Draw(e);
          Calls bodies;
          for (const std::string& call : calls) {
            if (call.rfind("DrawGraph 68 63 ", 0) == 0 || call.rfind("DrawGraph 68 64 ", 0) == 0) {
              bodies.push_back(call.substr(16));
            }
          }
          Calls want;
          if (cell >= 0 && cell < 400) want.push_back(SheetA(0, cell) + " 1");
          if (cell >= 500 && cell < 900) want.push_back(SheetB(0, cell - 500) + " 1");
          EXPECT_EQ(bodies, want) << kind << " " << state << " " << timer << " cell " << cell;
        }
      }
    }
  }
}

TEST_F(PlayerEntryDraw, ExtraPassesOverTheBody) {
  struct Case {
    const char* name;
    int kind;
    int state;
    int sceneFrame;
    void (*setUp)();
    Calls after;  // "B" stands for the body's draw
  } cases[] = {
      {"character 0's special",
       0,
       8,
       15,
       [] { g_playerState.specialMode[0] = 161; },
       {kWhite, "SetBlendMode 2 255", "B"}},
      {"character 0's special off beat",
       0,
       8,
       14,
       [] { g_playerState.specialMode[0] = 161; },
       {kWhite}},
      {"character 0's special at 160",
       0,
       8,
       15,
       [] { g_playerState.specialMode[0] = 160; },
       {kWhite}},
      {"character 15 at 64",
       15,
       0,
       3,
       [] { g_playerState.specialMode[0] = 64; },
       {kWhite, "SetModulationColor 255 128 128", "SetBlendMode 2 255", "B", kWhite}},
      {"character 15 at 128",
       15,
       0,
       7,
       [] { g_playerState.specialMode[0] = 128; },
       {kWhite, "SetModulationColor 255 128 128", "SetBlendMode 2 255", "B", kWhite}},
      {"character 15 at 65", 15, 0, 3, [] { g_playerState.specialMode[0] = 65; }, {kWhite}},
      {"character 0's card",
       0,
       0,
       64,
       [] { g_playerState.cardBar[0] = 1; },
       {kWhite, "SetModulationColor 255 192 0", "SetBlendMode 2 192", "B", kWhite}},
      {"character 0's card at 0",
       0,
       0,
       0,
       [] { g_playerState.cardBar[0] = 1; },
       {kWhite, "SetModulationColor 255 192 0", "SetBlendMode 2 64", "B", kWhite}},
      {"character 0's card in the story's fade",
       0,
       0,
       64,
       [] {
         g_playerState.cardBar[0] = 1;
         StoryPreFight = 1;
       },
       {kWhite}},
      // Over a squashed body the pass draws the same squash.
      {"character 0's card arriving",
       0,
       0,
       0,
       [] {
         g_playerState.cardBar[0] = 1;
         g_playerState.entryFrames[0] = 6;
       },
       {kWhite, "SetModulationColor 255 192 0", "SetBlendMode 2 64", "S", kWhite}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    SceneFrame = c.sceneFrame;
    BattleObject e = Player(c.kind);
    e.state = c.state;
    g_playerState.cardBarFull[0] = 1;
    c.setUp();
    const std::string cell = SheetA(0, CellOf(e));
    const std::string plain = Plain(68, 64, cell);
    const std::string squashed = "DrawExtendGraph 36 79 163 112 " + cell + " 1";
    const std::string body = g_playerState.entryFrames[0] == 6 ? squashed : plain;
    Calls want = c.after;
    for (std::string& call : want) {
      if (call == "B") call = plain;
      if (call == "S") call = squashed;
    }
    const Calls calls = Draw(e);
    EXPECT_EQ(After(calls, body, 99), want);
  }
}

TEST_F(PlayerEntryDraw, CompanionsBothWaysAndHiddenInTheStoryFade) {
  struct Case {
    const char* name;
    int owner;
    int card;
    int sceneFrame;
    int story;
    int fade;
    int ownerState;
    int blend;  // 0: not drawn
    bool ghost;
    bool tinted;  // the owner's hit tint from the frame selection
  } cases[] = {
      {"ball", 0, 0, 0, 0, 0, 0, 104, false, false},
      {"ghost", 0, 50, 32, 0, 0, 0, 244, true, false},
      {"ghost at 0", 0, 50, 0, 0, 0, 0, 96, true, false},
      // (2 x -32) mod 128 taken unsigned: index 64, as for 32.
      {"ghost before the scene's start", 0, 50, -32, 0, 0, 0, 244, true, false},
      {"ghost of a stunned owner", 0, 50, 96, 0, 0, 10, 244, true, true},
      {"story fade", 0, 0, 0, 1, 5, 0, 0, false, false},
      {"fade outside the story", 0, 0, 0, 0, 5, 0, 104, false, false},
      {"story without the fade", 0, 0, 0, 1, 0, 0, 104, false, false},
      {"owner nobody", 4, 50, 32, 0, 0, 0, 0, false, false},
      {"owner below 0", -1, 0, 0, 0, 0, 0, 0, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    g_players[0].kind = 4;
    g_players[0].x = 90;
    g_players[0].y = 96;
    g_players[0].state = c.ownerState;
    g_playerState.cardBar[0] = c.card;
    SceneFrame = c.sceneFrame;
    g_match.storyMode = c.story;
    StoryPreFight = c.fade;
    BattleObject e = g_companions[0];
    e.x = 80;
    e.y = 40;
    e.owner = static_cast<int16_t>(c.owner);
    e.drawTag = kTagCompanion;
    BattleObject owner = g_players[0];
    const int cell = SelectCharaFrameNow(&owner, 1);
    const Calls calls = Draw(e, 3);
    if (c.blend == 0) {
      EXPECT_TRUE(calls.empty());
      continue;
    }
    Calls want = {"SetFilterMode 1", "SetBlendMode 2 " + std::to_string(c.blend)};
    if (c.ghost) {
      if (c.tinted) want.push_back("SetModulationColor 255 160 160");
      want.push_back("DrawRotaGraph 80 37 1 0 " + SheetA(0, cell) + " 1 0");
      want.push_back(kWhite);
    } else {
      want.push_back("DrawRotaGraph 80 37 2 0 " + std::to_string(Picture(23, 0)) + " 1 0");
    }
    want.push_back("SetFilterMode 0");
    EXPECT_EQ(calls, want);
  }
}

TEST_F(PlayerEntryDraw, DashSpinnerTurnsAndPulses) {
  struct Case {
    int timer;
    const char* angle;
    int pulse;
  } cases[] = {
      {16, "4.712388", 96},
      {0, "6.283184", 48},
      {-16, "1.570796", 0},  // indices taken unsigned: 192 and 64
      {1 << 30, "6.283184", 48},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.timer);
    BattleObject e{};
    e.x = 200;
    e.y = 300;
    e.stateTimer = c.timer;
    e.owner = 77;  // a spinner's copy carries no owner
    e.drawTag = kTagSpinner;
    const std::string mark = "DrawRotaGraph 200 297 1 " + std::string(c.angle) + " " +
                             std::to_string(Picture(57, 0)) + " 1 0";
    EXPECT_EQ(Draw(e, 3),
              (Calls{"SetFilterMode 1", "SetBlendMode 1 224", mark,
                     "SetBlendMode 2 " + std::to_string(c.pulse), mark, "SetFilterMode 0"}));
  }
}

// Seeded wild entries of every tag this file draws: any owner, kind, state, timer, counter,
// history and position, NaN and huge values among them. Nothing outside a table is read (the
// sanitizers of the ci build watch), every handle drawn is one of the tables' or -1, and each
// entry leaves the modulation white.
TEST_F(PlayerEntryDraw, WildEntriesStayInsideTheTablesAndLeaveWhite) {
  std::mt19937 rng(40);
  const float floats[] = {0.0f,
                          -1.0f,
                          100.5f,
                          -300.25f,
                          1e9f,
                          -1e9f,
                          std::numeric_limits<float>::quiet_NaN(),
                          std::numeric_limits<float>::infinity(),
                          -3e38f};
  const int32_t ints[] = {0,   1,   -1,   2,    3,    5,    7,         8,         11,
                          12,  13,  -19,  -30,  -31,  60,   160,       161,       634,
                          999, 500, 8000, 8888, 9999, 2156, INT32_MAX, INT32_MIN, -100000};
  auto f = [&] { return floats[rng() % std::size(floats)]; };
  auto i = [&] { return ints[rng() % std::size(ints)]; };
  for (int n = 0; n < 4000; ++n) {
    SetUp();
    BattleObject e{};
    e.kind = static_cast<uint16_t>(rng() % 20);
    e.x = f();
    e.y = f();
    e.z = f();
    for (int h = 0; h < 5; ++h) {
      e.trailX[h] = f();
      e.trailY[h] = f();
      e.trailZ[h] = f();
    }
    e.guard = static_cast<int16_t>(i());
    e.modifierHeld = static_cast<uint8_t>(rng() % 3);
    e.stateTimer = i();
    e.recovery = i();
    e.state = static_cast<int32_t>(rng() % 22) - 1;
    e.heading = i();
    e.pushHeading = i();
    e.attackDelay = static_cast<int16_t>(i());
    e.drawTag = static_cast<uint16_t>(rng() % 2 == 0 ? 0 : (rng() % 2 == 0 ? 1 : 7));
    e.owner = static_cast<int16_t>(static_cast<int>(rng() % 9) - 2);
    for (int p = 0; p < 4; ++p) {
      g_players[p].kind = static_cast<uint16_t>(rng() % 20);
      g_playerState.entryFrames[p] = i();
      g_playerState.freezeTimer[p] = i();
      g_playerState.recoveryGuard[p] = i();
      g_playerState.lowLifeMode[p] = static_cast<uint8_t>(rng() % 3);
      g_playerState.cardBar[p] = i();
      g_playerState.cardBarFull[p] = i();
      g_playerState.specialMode[p] = i();
      g_playerState.holdTimer[p] = i();
      g_playerState.holder[p] = i();
      g_playerState.cardChoice[p] = i();
      g_match.team[p] = i();
    }
    g_match.teamMode = static_cast<int32_t>(rng() % 3);
    g_match.storyMode = static_cast<int32_t>(rng() % 2);
    StoryPreFight = i();
    RoundEndFrames = i();
    SceneFrame = i();
    g_options.stunRingDisplay = static_cast<int32_t>(rng() % 2);
    const Calls calls = Draw(e, i());
    std::string modulation = kWhite;
    for (const std::string& call : calls) {
      if (call.rfind("SetModulationColor", 0) == 0) modulation = call;
    }
    EXPECT_EQ(modulation, kWhite) << n;
    for (const RecordedCall& call : Recorder().Calls()) {
      if (call.name != "DrawGraph" && call.name != "DrawRotaGraph" &&
          call.name != "DrawExtendGraph") {
        continue;
      }
      const int64_t handle = call.Int(call.name == "DrawGraph" ? 2 : 4);
      const bool named = handle == -1 || (handle >= 100000 && handle < 100000 + 100 * 200) ||
                         (handle >= 200000 && handle < 204000 && handle % 1000 < 400) ||
                         (handle >= 300000 && handle < 304000 && handle % 1000 < 400);
      EXPECT_TRUE(named) << call.Text();
    }
  }
}

}  // namespace
