// Shots and effects through the recording stand-in of the library: the live flag, direction cells,
// turning angles, trails growing with the timer and only at full effect level, character 15's
// shock ring, effect fades, bursts at every age, the beam's turned rectangle, the kinds that draw
// nothing, every move and kind drawing pictures inside their rows, and wild records read safely.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/resource_tables.h"
#include "game/view/battle_draw.h"
#include "game/view/draw_list.h"
#include "morrow/recording/library_recorder.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;
using testsupport::RecordedCall;
using testsupport::Recorder;
using Calls = std::vector<std::string>;

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

int32_t Picture(int row, int cell) {
  return 100000 + 100 * row + cell;
}

// The picture argument of a call that draws one; -2 for calls that draw none.
int64_t GraphOf(const RecordedCall& call) {
  if (call.name == "DrawRotaGraph" || call.name == "DrawExtendGraph") return call.Int(4);
  if (call.name == "DrawGraph" || call.name == "DrawMirroredGraph") return call.Int(2);
  if (call.name == "DrawModiGraph") return call.Int(8);
  if (call.name == "DrawGraphPart") return call.Int(6);
  return -2;
}

class ShotEffectDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    Recorder().Reset();
    testsupport::SetUpMatch({0, 1}, 0);
    for (int row = 0; row < kPictureSlots; ++row) {
      for (int cell = 0; cell < kPictureCells; ++cell) PictureSlots[row][cell] = Picture(row, cell);
    }
    g_options.effectLevel = 0;
    SceneFrame = 0;
  }
  void TearDown() override {
    for (int32_t& cell : PictureSlots.cells) cell = -1;
    Recorder().Reset();
  }

  static BattleObject Shot(int kind, int move, int timer = 0, int heading = 0) {
    BattleObject s{};
    s.drawTag = kTagShot;
    s.state = 1;
    s.kind = static_cast<uint16_t>(kind);
    s.move = move;
    s.stateTimer = timer;
    s.heading = heading;
    s.x = 300;
    s.y = 200;
    for (int i = 0; i < 5; ++i) {
      s.trailX[i] = static_cast<float>(290 - 10 * i);
      s.trailY[i] = 200;
    }
    return s;
  }
  static BattleObject Effect(int kind, int timer, int heading = 0) {
    BattleObject e{};
    e.drawTag = kTagEffect;
    e.kind = static_cast<uint16_t>(kind);
    e.stateTimer = timer;
    e.heading = heading;
    e.owner = 0;
    e.x = 300;
    e.y = 200;
    return e;
  }

  // The texts of the calls that draw, each after the blend it is drawn with.
  static Calls Draw(const BattleObject& entry, int shake = 0) {
    Recorder().ClearCalls();
    DrawEntryByTag(&entry, shake, 0);
    Calls texts;
    std::string blend;
    for (const RecordedCall& call : Recorder().Calls()) {
      if (call.name == "SetBlendMode") blend = call.Text().substr(12);
      if (call.name.rfind("Draw", 0) == 0) texts.push_back(call.Text() + " |" + blend);
    }
    return texts;
  }

  // Every call that draws a picture names a cell inside its row.
  static void ExpectPicturesInRange(const std::string& what) {
    for (const RecordedCall& call : Recorder().Calls()) {
      const int64_t graph = GraphOf(call);
      if (graph == -2) continue;
      EXPECT_GE(graph, Picture(0, 0)) << what << ": " << call.Text();
      EXPECT_LT(graph, Picture(kPictureSlots, 0)) << what << ": " << call.Text();
    }
  }
};

TEST_F(ShotEffectDraw, OnlyALiveShotDraws) {
  for (int state : {0, 2, -1, 256, 1}) {
    BattleObject s = Shot(1, 1);
    s.state = state;
    EXPECT_EQ(Draw(s).size(), state == 1 ? 1u : 0u) << state;
  }
  EXPECT_EQ(Draw(Shot(1, 1)), Calls{"DrawRotaGraph 300 200 1 0 101700 1 0 | 0 255"});
  EXPECT_EQ(Draw(Shot(1, 1), 3), Calls{"DrawRotaGraph 300 197 1 0 101700 1 0 | 0 255"});
}

TEST_F(ShotEffectDraw, DirectionShotsShowEightCellsAndWrapTheHeading) {
  struct Case {
    int heading;
    int cell;
  } cases[] = {{0, 0},   {32, 1},  {64, 2},  {70, 2},  {96, 3}, {128, 4},  {160, 5}, {192, 6},
               {224, 7}, {255, 7}, {256, 0}, {-32, 7}, {-1, 7}, {kMin, 0}, {kMax, 7}};
  for (const Case& c : cases) {
    const Calls calls = Draw(Shot(1, 1, 0, c.heading));
    ASSERT_EQ(calls.size(), 1u) << c.heading;
    EXPECT_NE(calls[0].find(" " + std::to_string(Picture(17, c.cell)) + " "), std::string::npos)
        << c.heading << ": " << calls[0];
  }
}

TEST_F(ShotEffectDraw, TurningAngles) {
  struct Case {
    int heading;
    const char* text;
  } cases[] = {
      {0, "DrawRotaGraph 300 200 1 6.283184 103800 1 0 | 2 192"},
      {64, "DrawRotaGraph 300 200 1 4.712388 103800 1 0 | 2 192"},
      {128, "DrawRotaGraph 300 200 1 3.141592 103800 1 0 | 2 192"},
  };
  for (const Case& c : cases) EXPECT_EQ(Draw(Shot(0, 5, 0, c.heading)), Calls{c.text});
}

TEST_F(ShotEffectDraw, TrailImagesAppearOneByOneAtFullEffectLevelOnly) {
  // Character 0's first move: three images of step 64 before glow and body, image k (from the
  // oldest kept position) while the timer is above 6 - k.
  struct Case {
    int level;
    int timer;
    Calls trail;
  } cases[] = {
      {0, 4, {}},
      {0, 5, {"DrawRotaGraph 290 200 1 6.283184 104207 1 0 | 1 192"}},
      {0,
       6,
       {"DrawRotaGraph 280 200 0.8 6.283184 104207 1 0 | 1 128",
        "DrawRotaGraph 290 200 1 6.283184 104207 1 0 | 1 192"}},
      {0,
       20,
       {"DrawRotaGraph 270 200 0.6 6.283184 104207 1 0 | 1 64",
        "DrawRotaGraph 280 200 0.8 6.283184 104207 1 0 | 1 128",
        "DrawRotaGraph 290 200 1 6.283184 104207 1 0 | 1 192"}},
      {1, 20, {}},
  };
  for (const Case& c : cases) {
    g_options.effectLevel = c.level;
    Calls calls = Draw(Shot(0, 1, c.timer));
    ASSERT_EQ(calls.size(), c.trail.size() + 2) << c.timer;
    EXPECT_EQ(calls.back(), "DrawRotaGraph 300 200 1 6.283184 104207 1 0 | 1 224");
    calls.resize(c.trail.size());
    EXPECT_EQ(calls, c.trail) << c.level << " " << c.timer;
  }
}

TEST_F(ShotEffectDraw, ShockRingRadiusAndOutline) {
  struct Case {
    int timer;
    int radius;
    int outline;
  } cases[] = {{9, 36, 128}, {10, 38, 128}, {23, 41, 128}, {24, 41, 128},
               {27, 42, 80}, {28, 42, 64},  {31, 10, 16},  {33, -10, -16}};
  for (int move : {9, 10}) {
    for (const Case& c : cases) {
      const std::string r = std::to_string(c.radius);
      EXPECT_EQ(
          Draw(Shot(15, move, c.timer)),
          (Calls{"DrawCircle 300 200 " + r + " 0xffff0000 1 | 4 255",
                 "DrawCircle 300 200 " + r + " 0xffffffff 0 | 2 " + std::to_string(c.outline)}))
          << c.timer;
    }
  }
}

TEST_F(ShotEffectDraw, EffectFadesGrowsAndBeams) {
  struct Case {
    BattleObject effect;
    Calls calls;
  } cases[] = {
      {Effect(0, 16), {"DrawRotaGraph 300 200 0.2 0 108400 1 0 | 2 255"}},
      {Effect(0, 8), {"DrawRotaGraph 300 200 1.4 0 108400 1 0 | 2 127"}},
      {Effect(0, 1), {"DrawRotaGraph 300 200 2.45 0 108400 1 0 | 2 15"}},
      // Before its last 16 frames a burst keeps its starting size (the blend saturates).
      {Effect(0, 17), {"DrawRotaGraph 300 200 0.2 0 108400 1 0 | 2 270"}},
      {Effect(0, 420), {"DrawRotaGraph 300 200 0.2 0 108400 1 0 | 2 6693"}},
      {Effect(7, 10), {"DrawModiGraph 112 155 488 155 488 245 112 245 109500 1 | 2 255"}},
      // The tables at a quarter turn are not exactly 0 and 1: two corners land a pixel off.
      {Effect(7, 10, 64), {"DrawModiGraph 254 388 255 11 345 12 344 388 109500 1 | 2 255"}},
      // Past timer 28 the beam's width is negative: the rectangle is drawn reversed.
      {Effect(7, 30), {"DrawModiGraph 312 65 288 65 288 335 312 335 109500 1 | 2 255"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Draw(c.effect), c.calls);
}

// Several effects live for hundreds of frames (arena 9 lets one drift across the field every 16
// frames for 420). Whatever its timer, no effect turns its picture about with a negative scale or
// blows it up beyond the largest burst, 2.6 times its size.
TEST_F(ShotEffectDraw, NoEffectIsDrawnReversedOrBlownUpAtAnyAge) {
  int drawn = 0;
  for (int kind = 0; kind < 134; ++kind) {
    // Every age around the burst's start, then a sample of the long lives.
    for (int timer = 1; timer <= 1000; timer += timer < 64 ? 1 : 29) {
      Draw(Effect(kind, timer, 40));
      for (const RecordedCall& call : Recorder().Calls()) {
        if (call.name != "DrawRotaGraph") continue;
        ++drawn;
        const double scale = std::stod(call.args[2]);
        ASSERT_GE(scale, 0.0) << kind << " " << timer << ": " << call.Text();
        ASSERT_LE(scale, 2.6 + 1e-9) << kind << " " << timer << ": " << call.Text();
      }
    }
  }
  EXPECT_GT(drawn, 100 * 90);
}

TEST_F(ShotEffectDraw, KindsWithoutADrawingDrawNothing) {
  for (int kind : {92, 118, 129, 134, 200, 65535}) {
    EXPECT_EQ(Draw(Effect(kind, 8)), Calls{}) << kind;
  }
  for (int kind : {16, 52, 100}) EXPECT_EQ(Draw(Shot(kind, 1, 8)), Calls{}) << kind;
}

TEST_F(ShotEffectDraw, EveryMoveAndKindDrawsPicturesInsideItsRow) {
  // The moves of each character that draw; all others draw nothing.
  const std::vector<std::pair<int, std::vector<int>>> moves = {
      {0, {1, 2, 3, 4, 5, 7, 8}},
      {1, {1, 2, 3, 4, 5, 7, 8}},
      {2, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {3, {1, 2, 3, 4, 5, 6}},
      {4, {1, 2, 3, 4, 6, 7, 8}},
      {5, {1, 2, 3, 4, 7, 8, 9}},
      {6, {1, 3, 4, 5, 6, 7, 8}},
      {7, {1, 2, 3, 4, 7, 8, 9}},
      {8, {1, 2, 3, 4, 5, 7, 9, 10}},
      {9, {1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12}},
      {10, {1, 2, 4, 5, 7, 8, 9, 10}},
      {11, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {12, {1, 2, 3, 4, 7, 8, 9, 10}},
      {13, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {14, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {15, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12}},
      {51, {1, 2, 3, 5, 6, 7, 8, 11}},
  };
  for (const auto& [character, drawn] : moves) {
    for (int move = -1; move <= 16; ++move) {
      const bool draws = std::find(drawn.begin(), drawn.end(), move) != drawn.end();
      for (int timer : {1, 8, 20, 45}) {
        const std::string what = std::to_string(character) + "/" + std::to_string(move);
        EXPECT_EQ(Draw(Shot(character, move, timer, 100)).empty(), !draws) << what;
        ExpectPicturesInRange(what);
      }
    }
  }
  for (int kind = 0; kind < 134; ++kind) {
    const bool draws = kind != 92 && kind != 118 && kind != 129;
    for (int timer : {1, 8, 16, 30}) {
      EXPECT_EQ(Draw(Effect(kind, timer, 40)).empty(), !draws) << kind;
      ExpectPicturesInRange("effect " + std::to_string(kind));
    }
  }
}

TEST_F(ShotEffectDraw, WildRecordsDrawOnlyInsideTheTables) {
  std::mt19937 rng(46);
  const int32_t timers[] = {kMin, kMin + 1, -1000, -17, -1, 0, 1, 27, 28, 32, 33, 1000, kMax};
  const float places[] = {0.0f, -1e30f, 1e30f, std::nanf(""), INFINITY, 300.0f};
  for (int i = 0; i < 20000; ++i) {
    const bool shot = (rng() & 1u) != 0;
    BattleObject o = shot ? Shot(static_cast<int>(rng() % 60), 0) : Effect(0, 0);
    o.kind = static_cast<uint16_t>(rng() % 4 == 0 ? rng() : rng() % (shot ? 60 : 140));
    o.move = static_cast<int32_t>(rng() % 4 == 0 ? rng() : rng() % 16);
    o.stateTimer = rng() % 2 ? timers[rng() % std::size(timers)] : static_cast<int32_t>(rng());
    o.heading = static_cast<int32_t>(rng());
    o.owner = static_cast<int16_t>(rng());
    o.meter = places[rng() % std::size(places)];
    o.x = places[rng() % std::size(places)];
    o.y = places[rng() % std::size(places)];
    for (float& t : o.trailX) t = places[rng() % std::size(places)];
    g_options.effectLevel = static_cast<int>(rng() % 2);
    SceneFrame = static_cast<int32_t>(rng());
    Draw(o, static_cast<int>(rng() % 9) - 4);
    for (const RecordedCall& call : Recorder().Calls()) {
      const int64_t graph = GraphOf(call);
      // An owner outside 0-3 names no player and no cell: nothing is drawn for it.
      if (graph != -2) {
        EXPECT_GE(graph, Picture(0, 0)) << call.Text();
      }
    }
  }
}

}  // namespace
