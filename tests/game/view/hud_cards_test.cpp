// The spell cards in the head-up display through the recording stand-in of the library: the
// declaration's glow, ring, circle and cut-in by freeze frame on both sides, the name panels and
// their shifts, the cut-in cells, the cards' flashes, and the special declaration of characters 0
// and 10 over their whole cut-in.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/player_control.h"
#include "tests/game/view/hud_harness.h"

namespace {

using namespace hudtest;

std::string Real(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

std::string Rota(int64_t x, int64_t y, double scale, int32_t graph, const std::string& state) {
  return "DrawRotaGraph " + std::to_string(x) + " " + std::to_string(y) + " " + Real(scale) +
         " 0 " + std::to_string(graph) + " 1 0 | " + state;
}

std::string Plain(int x, int y, int32_t graph, const std::string& state) {
  return "DrawGraph " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(graph) +
         " 1 | " + state;
}

std::string Blend(int mode, int param, const char* rgb = "ffffff", int filter = 1) {
  return std::to_string(mode) + " " + std::to_string(param) + " " + rgb + " " +
         std::to_string(filter);
}

constexpr int kCardRows[] = {94, 99, 87, 88, 170, 178, 138, 137, 169, 177};

Calls CardCalls(const Calls& calls) {
  Calls out;
  for (const std::string& c : calls) {
    const std::optional<int64_t> graph = GraphOf(c);
    if (!graph) continue;
    bool keep = *graph >= 2000 && *graph <= 2009;
    for (int row : kCardRows) {
      keep = keep || (*graph >= Picture(row, 0) && *graph < Picture(row, kPictureCells));
    }
    if (keep) out.push_back(c);
  }
  return out;
}

TEST_F(Hud, DeclarationsByFreezeFrameOnBothSides) {
  // Worked from the declaration's rules: player 0 (left, at 100, 200) declares with its button
  // (9999), player 1 (right, at 300, 100) its special card (8888).
  struct Row {
    int freeze;
    int glow;  // blend of the screen glow
    double glowScale, ringScale;
    std::vector<std::pair<int, double>> circles;  // blend, scale
    int cutLeftX, cutRightX, cutAlpha;
    double cutScale;
    int panelAlpha;    // -1: the panel is drawn plainly, the name unzoomed
    double nameScale;  // while zooming
    int nameLeftX, nameRightX;
  } rows[] = {
      {60, 255, 1, 0.1, {{192, 0.1}}, -203, 843, 0, 1, 0, 7, 792, -88},
      {45, 191, 1.15, 3.1, {{192, 0.85}}, 97, 543, 144, 1, 255, 4, 492, 212},
      {41, 174, 1.19, 3.9, {{192, 1.05}}, 177, 463, 182, 1, 255, 3.2, 412, 292},
      {40, 170, 1.2, 4.1, {{192, 1.1}}, 197, 443, 192, 1, 255, 3, 392, 312},
      {11, 46, 1.49, 9.9, {{192, 1.129}}, 226, 414, 192, 1, -1, 0, 0, 0},
      {10, 42, 1.5, 10.1, {{192, 1.13}, {160, 1.13}}, 227, 413, 192, 1, -1, 0, 0, 0},
      {1, 4, 1.59, 11.9, {{19, 2.48}, {160, 1.13}}, 236, 404, 19, 1.9, -1, 0, 0, 0},
  };
  for (const Row& r : rows) {
    for (int p = 0; p < 2; ++p) {
      SCOPED_TRACE(std::to_string(r.freeze) + " player " + std::to_string(p));
      SetUp();
      BattleObject& player = g_players[p];
      player.state = kStateSpellCard;
      player.stateTimer = p == 0 ? 9999 : 8888;
      FreezeFrames = r.freeze;
      const Calls calls = CardCalls(Draw());
      const int x = p == 0 ? 100 : 300;
      const int y = p == 0 ? 200 : 100;
      Calls want{Rota(320, 240, r.glowScale, Picture(p == 0 ? 94 : 99, 0), Blend(2, r.glow)),
                 Rota(x, y, r.ringScale, Picture(87, 0), Blend(2, 255))};
      for (const auto& [blend, scale] : r.circles) {
        want.push_back(Rota(x, y + 5, scale, Picture(88, 0), Blend(2, blend)));
      }
      // Character 0's cut-in is cell 1, character 1's cell 3 before the card's bar runs.
      want.push_back(Rota(p == 0 ? r.cutLeftX : r.cutRightX, 240, r.cutScale,
                          Picture(170 + 8 * p, p == 0 ? 1 : 3), Blend(1, r.cutAlpha)));
      const int alpha = r.panelAlpha < 0 ? 255 : r.panelAlpha;
      const int shift = p == 0 ? 0 : 360;
      want.push_back(Plain(54 + shift, 28, Picture(138, 0), Blend(1, alpha)));
      want.push_back(Plain(84 + shift, 44, Picture(137, 0), Blend(1, alpha)));
      want.push_back(Plain(192 + shift, 44, 2000, Blend(1, alpha)));
      const int32_t name = Picture(169 + 8 * p, 0);
      if (r.panelAlpha < 0) {
        want.push_back(Plain(p == 0 ? 64 : 384, 28, name, Blend(1, 255)));
      } else {
        want.push_back(
            Rota(p == 0 ? r.nameLeftX : r.nameRightX, 36, r.nameScale, name, Blend(1, alpha)));
      }
      EXPECT_EQ(calls, want);
      TearDown();
    }
  }
}

TEST_F(Hud, NamePanelsShiftLongNamesAndCutInsFollowTheBar) {
  constexpr int kRunning[16] = {1, 6, 9, 8, 3, 6, 0, 2, 4, 0, 3, 0, 3, 4, 1, 3};
  constexpr int kDeclared[16] = {1, 3, 0, 0, 2, 2, 0, 3, 0, 0, 3, 0, 0, 1, 0, 2};
  for (int character = 0; character < 16; ++character) {
    for (int card = 0; card < 4; ++card) {
      for (int bar : {0, 700}) {
        SCOPED_TRACE(std::to_string(character) + " card " + std::to_string(card) + " bar " +
                     std::to_string(bar));
        SetUp();
        BattleObject& player = g_players[1];
        player.kind = static_cast<uint16_t>(character);
        player.state = kStateSpellCard;
        player.stateTimer = 9999;
        FreezeFrames = 20;
        g_playerState.cardBar[1] = bar;
        // Card 3 is character 15's name while its recovery runs.
        g_playerState.cardChoice[1] = card == 3 ? 1 : card;
        if (card == 3) player.recovery = 5;
        const Calls calls = Draw();
        int shift = 0;
        const int shown = character == 15 && card == 3 ? 3 : (card == 3 ? 1 : card);
        if (character == 8 && shown == 2) shift = 64;
        if ((character == 11 && shown == 2) || (character == 15 && shown == 1)) shift = 56;
        if (character == 14 && shown == 0) shift = 60;
        if ((character == 15 && shown == 3) || (character == 12 && shown == 2)) shift = 48;
        EXPECT_EQ(OfRows(calls, {177}),
                  Calls{Plain(384 - shift, 28, Picture(177, shown), Blend(1, 255))});
        const Calls cutIn = OfRows(calls, {178});
        ASSERT_EQ(cutIn.size(), 1u);
        const int cell = (bar > 0 ? kRunning : kDeclared)[character];
        EXPECT_NE(cutIn[0].find(" " + Pic(178, cell) + " "), std::string::npos) << cutIn[0];
        TearDown();
      }
    }
  }
  // Character 15's special card declares without a cut-in; a running bar alone shows the panel.
  SetUp();
  g_players[1].kind = 15;
  g_players[1].state = kStateSpellCard;
  g_players[1].stateTimer = 8888;
  FreezeFrames = 20;
  EXPECT_TRUE(OfRows(Draw(), {178}).empty());
  g_players[1].state = kStateStand;
  g_players[1].stateTimer = 0;
  g_playerState.cardBar[1] = 1234;
  EXPECT_EQ(
      CardCalls(Draw()),
      (Calls{Plain(414, 28, Picture(138, 0), Blend(1, 255)),
             Plain(444, 44, Picture(137, 0), Blend(1, 255)), Plain(552, 44, 2004, Blend(1, 255)),
             Plain(543, 44, 2003, Blend(1, 255)), Plain(534, 44, 2002, Blend(1, 255)),
             Plain(525, 44, 2001, Blend(1, 255)), Plain(384, 28, Picture(177, 0), Blend(1, 255))}));
  // The story's dialogue hides every panel.
  StoryPreFight = 50;
  EXPECT_TRUE(CardCalls(Draw()).empty());
}

TEST_F(Hud, CardFlashesAtTheirMoment) {
  const std::string red = "DrawRectangle 0 0 640 480 0xffff0000 1 | " + Blend(4, 255);
  const std::string black = "DrawRectangle 0 0 640 480 0xff000000 1 | " + Blend(0, 255);
  struct Case {
    int character, card, timer, rooted, freeze;
    Calls want;
  } cases[] = {
      {3, 1, 239, 0, 5, {red}},
      {13, 1, 524, 0, 5, {red}},
      {15, 1, 180, 0, 5, {red}},
      {15, 1, 137, 0, 5, {red}},
      {5,
       1,
       123,
       1,
       5,
       {black, Rota(320, 230, 1, SheetPicture(1, 337), Blend(0, 255)),
        Rota(320, 265, 1, Picture(74, 0), Blend(0, 255))}},
      {5, 1, 123, 0, 5, {}},
      {3, 0, 239, 0, 5, {}},
      {3, 1, 238, 0, 5, {}},
      {3, 1, 239, 0, 0, {}},
      {4, 1, 239, 0, 5, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.character) + " " + std::to_string(c.timer));
    SetUp();
    g_players[1].kind = static_cast<uint16_t>(c.character);
    g_players[1].state = kStateSpellCard;
    g_players[1].stateTimer = c.timer;
    g_players[1].rooted = static_cast<uint8_t>(c.rooted);
    g_playerState.cardChoice[1] = c.card;
    FreezeFrames = c.freeze;
    Calls got;
    for (const std::string& call : Draw()) {
      const std::optional<int64_t> g = GraphOf(call);
      if (!g || (*g >= SheetPicture(1, 0) && *g <= SheetPicture(1, 399)) ||
          (*g >= Picture(74, 0) && *g < Picture(75, 0))) {
        got.push_back(call);
      }
    }
    EXPECT_EQ(got, c.want);
    TearDown();
  }
}

// The cut-in counter D from 280 to 0 with the freeze running: what each frame draws of character
// 0's and character 10's special declaration.
TEST_F(Hud, SpecialDeclarationOverItsWholeCutIn) {
  const int shake = 3;
  for (int caster : {0, 10}) {
    SCOPED_TRACE("caster " + std::to_string(caster));
    SetUp();
    g_players[0].kind = static_cast<uint16_t>(caster);
    CutInAttacker = 0;
    CutInVictim = 1;
    FreezeFrames = 1;
    g_secondEffects[3] = EffectRecord{};
    g_secondEffects[3].x = 50;
    g_secondEffects[3].y = 60;
    g_secondEffects[3].timer = 6;
    g_secondEffects[5] = g_secondEffects[3];
    g_secondEffects[5].code = 2;
    g_secondEffects[5].timer = 12;
    std::vector<int> firstPlateFrame(7, -1);
    for (int d = 280; d >= 0; --d) {
      SCOPED_TRACE(d);
      CutInFrames = d;
      const Calls calls = Draw(shake);
      const Calls silhouettes = Drawing(calls, SheetPicture(0, 0), SheetPicture(1, 399));
      const Calls boxes = Boxes(calls);
      const Calls plates = OfRows(calls, {73});
      const Calls rings = OfRows(calls, {83, 93});
      const Calls title = OfRows(calls, {75});
      if (d == 0) {
        EXPECT_TRUE(silhouettes.empty() && plates.empty() && rings.empty() && title.empty());
        continue;
      }
      ASSERT_EQ(silhouettes.size(), 2u);
      EXPECT_EQ(silhouettes[0].substr(0, 18), "DrawGraph 68 165 3");
      EXPECT_EQ(silhouettes[1].substr(0, 17), "DrawGraph 268 65 ");
      EXPECT_NE(silhouettes[1].find("| 0 255 000000 1"), std::string::npos);
      const std::string white = "DrawRectangle 0 0 640 480 0xffffffff 1 | ";
      const bool whiteOut = d < 48;
      EXPECT_EQ(std::count(boxes.begin(), boxes.end(),
                           white + Blend(1, static_cast<int>((47 - d) * (1.0 / 47) * 255))),
                whiteOut ? 1 : 0);
      EXPECT_EQ(boxes[1],
                "DrawRectangle 0 0 640 480 0xffff0000 1 | " + Blend(1, caster == 0 ? 192 : 96));
      if (caster == 0) {
        EXPECT_TRUE(rings.empty() && title.empty());
        for (size_t k = 0; k < plates.size(); ++k) {
          if (firstPlateFrame[k] < 0) firstPlateFrame[k] = d;
          const int start = 252 - 24 * static_cast<int>(k);
          const int alpha = d < start ? 255 : static_cast<int>((start - d + 7) * 0.125 * 255);
          const int x = k < 4 ? 420 : 220;
          const int y =
              k < 4 ? 80 * static_cast<int>(k) - shake + 64 : 80 * static_cast<int>(k) - shake - 96;
          EXPECT_EQ(plates[k], Rota(x, y, 1, Picture(73, static_cast<int>(k)), Blend(1, alpha)));
        }
      } else {
        EXPECT_TRUE(plates.empty());
        EXPECT_EQ(title.size(), d <= 128 ? 1u : 0u);
        if (d > 128 && d < 256) {
          EXPECT_EQ(rings, (Calls{Rota(50, 57, 0.5, Picture(93, 0), Blend(2, 255)),
                                  Rota(50, 57, 1, Picture(83, 0), Blend(2, 255))}));
        } else {
          EXPECT_TRUE(rings.empty());
        }
      }
    }
    if (caster == 0) {
      EXPECT_EQ(firstPlateFrame, (std::vector<int>{259, 235, 211, 187, 163, 139, 115}));
    }
    TearDown();
  }
  // Casters and targets that are no player draw nothing; nor does a caster of another character.
  for (const auto& [attacker, victim, kind] :
       {std::tuple{-1, 1, 0}, {4, 1, 0}, {0, 9, 10}, {0, 1, 3}}) {
    SetUp();
    g_players[0].kind = static_cast<uint16_t>(kind);
    CutInAttacker = attacker;
    CutInVictim = victim;
    FreezeFrames = 1;
    CutInFrames = 200;
    EXPECT_TRUE(Boxes(Draw()).empty());
    TearDown();
  }
}

}  // namespace
