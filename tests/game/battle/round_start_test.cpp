// Round start: the start values, survival carry-over, the arena maps with their side effects,
// the story's start positions, and the companion that follows character 4.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "morrow/system/time.h"
#include "tests/game/battle/effects_made.h"
#include "tests/support/battle_state.h"
#include "tests/support/shots_made.h"

namespace {

using namespace veyrdale;
using testsupport::SetUpMatch;

void StartAll() {
  for (int p = 0; p < 4; ++p) StartRound(&g_players[p], p);
}

// Map n of the stage's set-up, whose cell (0, 0) holds `value`.
void SetMap(int n, int value) {
  ArenaMapImage& image = g_arenaMapFiles[n];
  image = ArenaMapImage{};
  image.kind = ArenaMapImage::Kind::kRead;
  image.rows[0] = 1;
  image.cells[0] = static_cast<uint8_t>(value);
}

TEST(StartRound, StartValuesOfEachPlayer) {
  struct Case {
    int p;
    int gaugeLevel;
    float x, y;
    float gauge;
  } cases[] = {
      {0, 1, 96, 96, 100}, {1, 0, 544, 96, 0}, {2, 2, 96, 442, 200}, {3, 1, 544, 442, 100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.p);
    SetUpMatch({0, 4, 1, 4});
    g_match.startGaugeLevel[c.p] = c.gaugeLevel;
    BattleObject& player = g_players[c.p];
    player.vx = 5;
    player.stateTimer = 9;
    player.state = 10;
    player.guard = 3;
    player.rooted = 1;
    player.life = 12;
    player.move = 4;
    PlayerBattleState& s = g_playerState;
    s.wins[c.p] = 2;
    s.score[c.p] = 777;
    s.itemCount[c.p] = 40;
    s.powerUp[c.p] = 7;
    s.holdTimer[c.p] = 3;
    s.heldFlag[c.p] = 1;
    s.slowTimer[c.p] = 9;
    s.airborne[c.p] = 1;
    g_markerPoints[c.p].timer = 5;
    g_shots[10].state = 1;
    CutInFrames = 40;
    FreezeFrames = 60;
    ContinueChoice = 1;
    FlashFrames = 3;
    StartRound(&player, c.p);
    EXPECT_EQ(player.x, c.x);
    EXPECT_EQ(player.y, c.y);
    EXPECT_EQ(player.life, 350);
    EXPECT_EQ(player.meter, 700);
    EXPECT_EQ(player.heading, 192);
    EXPECT_EQ(player.owner, c.p);
    EXPECT_EQ(player.vx, 0);
    EXPECT_EQ(player.state, 0);
    EXPECT_EQ(player.stateTimer, 0);
    EXPECT_EQ(player.guard, 0);
    EXPECT_EQ(player.rooted, 0);
    EXPECT_EQ(player.move, 0);
    EXPECT_EQ(s.spellGauge[c.p], c.gauge);
    EXPECT_EQ(s.gaugeAtFrameStart[c.p], static_cast<int>(c.gauge));
    EXPECT_EQ(s.winsAtRoundStart[c.p], 2);
    EXPECT_EQ(s.score[c.p], 777) << "kept";
    EXPECT_EQ(s.itemCount[c.p], 40) << "kept outside survival";
    EXPECT_EQ(s.powerUp[c.p], 0);
    EXPECT_EQ(s.holdTimer[c.p], 0);
    EXPECT_EQ(s.heldFlag[c.p], 0);
    EXPECT_EQ(s.slowTimer[c.p], 0);
    EXPECT_EQ(s.airborne[c.p], 0);
    EXPECT_EQ(g_markerPoints[c.p].timer, 0);
    // The companion follows character 4 only.
    const BattleObject& companion = g_companions[c.p];
    EXPECT_EQ(companion.state, c.p % 2 == 1 ? 1 : 0);
    EXPECT_EQ(companion.x, c.x);
    EXPECT_EQ(companion.y, c.y - 48);
    EXPECT_EQ(companion.owner, c.p);
    // Round-wide.
    EXPECT_EQ(g_shots[10].state, 0);
    EXPECT_EQ(CutInFrames, 0);
    EXPECT_EQ(FreezeFrames, 0);
    EXPECT_EQ(ContinueChoice, 0);
    EXPECT_EQ(FlashFrames, 0);
  }
}

TEST(StartRound, SurvivalCarriesPlayer0Over) {
  struct Case {
    int roundNumber;
    int life;
    float gauge;
    int items;
    float gaugeAfter;
    int itemsAfter;
  } cases[] = {{0, 123, 150, 101, 100, 75},
               {1, 123, 150, 101, 150, 75},
               {5, 40, 0, 3, 0, 2},
               {2, 350, 200, -7, 200, -5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.roundNumber);
    SetUpMatch({0, 1});
    g_match.survivalMode = 1;
    RoundNumber = c.roundNumber;
    g_players[0].life = c.life;
    g_players[1].life = 5;
    g_playerState.spellGauge[0] = c.gauge;
    g_playerState.itemCount[0] = c.items;
    g_playerState.itemCount[1] = 8;
    StartAll();
    EXPECT_EQ(g_players[0].life, c.life);
    EXPECT_EQ(g_players[1].life, 350);
    EXPECT_EQ(g_playerState.spellGauge[0], c.gaugeAfter);
    EXPECT_EQ(g_playerState.spellGauge[1], 100);
    EXPECT_EQ(g_playerState.itemCount[0], c.itemsAfter);
    EXPECT_EQ(g_playerState.itemCount[1], 6);
  }
}

TEST(StartRound, SurvivalBossRoundPowersUpTheOpponents) {
  for (int boss : {0, 1}) {
    SetUpMatch({0, 1, 2, 3});
    g_match.survivalMode = 1;
    SurvivalBossRound = boss;
    StartAll();
    EXPECT_EQ(g_playerState.powerUp[0], 0);
    for (int p = 1; p < 4; ++p) {
      EXPECT_EQ(g_playerState.powerUp[p], boss ? 3 : 0);
      EXPECT_EQ(g_playerState.cardChoice[p], boss ? 2 : 0);
    }
  }
}

TEST(StartRound, Arena7DrawsItsMapFourTimesAndKeepsTheLast) {
  for (uint32_t seed : {1u, 42u, 977u}) {
    SCOPED_TRACE(seed);
    SetUpMatch({0, 1}, 7);
    for (int n = 5; n <= 10; ++n) SetMap(n, n);
    morrow::SeedRandom(seed);
    int last = 0;
    for (int i = 0; i < 4; ++i) last = morrow::GetRandomNumber(5) + 5;
    const int next = morrow::GetRandomNumber(1000);
    morrow::SeedRandom(seed);
    StartAll();
    EXPECT_EQ(CellValue(0, 0), last);
    EXPECT_EQ(morrow::GetRandomNumber(1000), next) << "exactly four draws";
    EXPECT_EQ(g_familiars[0].kind, 6) << "the dropper placed";
    EXPECT_EQ(g_familiars[0].recovery, 800);
  }
}

struct Made {
  int code;
  float x, y;
};
TEST(StartRound, Arena8MarksItsFirstCellsOrTheFarCorner) {
  // The maps unreadable (SetUpMatch): the cells stay as set.
  struct Case {
    std::vector<std::vector<int>> cells;  // column, row, value
    Made first, second;
  } cases[] = {
      // Kinds 90 and 94 make codes 100 and 104.
      {{}, {100, 640, 480}, {104, 640, 480}},
      {{{4, 1, 3}, {2, 5, 3}, {7, 1, 2}}, {100, 64, 160}, {104, 224, 32}},
      {{{19, 14, 3}}, {100, 608, 448}, {104, 640, 480}},
      {{{3, 0, 2}, {3, 0 + 20, 3}}, {100, 640, 480}, {104, 96, 0}},  // row 20 lies below the field
  };
  for (const Case& c : cases) {
    SetUpMatch({0, 1}, 8);
    for (const auto& cell : c.cells) SetCell(cell[0], cell[1], cell[2]);
    StartRound(&g_players[0], 0);
    ASSERT_EQ(testsupport::LiveEffects(), 2);
    const Made made[2] = {c.first, c.second};
    for (int slot = 0; slot < 2; ++slot) {
      EXPECT_EQ(g_effects[slot].code, made[slot].code);
      EXPECT_EQ(g_effects[slot].x, made[slot].x);
      EXPECT_EQ(g_effects[slot].y, made[slot].y);
    }
    EXPECT_EQ(g_familiars[0].kind, 7) << "the falling block placed";
    EXPECT_EQ(g_familiars[0].z, -640.0f);
  }
}

TEST(StartRound, Arena9PlacesTheObjectsOfArena10) {
  SetUpMatch({0, 1}, 9);
  StartRound(&g_players[0], 0);
  EXPECT_EQ(g_familiars[4].kind, 10);
  EXPECT_EQ(g_familiars[4].state, 2);
  EXPECT_EQ(g_familiars[0].state, 0) << "not the orbiters of arena 9";
  EXPECT_EQ(g_match.stage, 9);
}

struct Start {
  float x, y;
  int heading;
  float gauge;
};

struct StoryStartCase {
  const char* name;
  int kind;
  int stage;
  int routeA, routeB, routeC;
  std::vector<Start> players;
  int variant;
};

TEST(StartRound, StoryStartPositions) {
  const StoryStartCase cases[] = {
      {"main 0", 0, 0, 0, 0, 0, {{320, 310, 64, 100}, {320, 200, 192, 100}}, 4},
      {"main 1", 0, 1, 0, 0, 0, {{320, 330, 64, 100}, {320, 200, 192, 100}}, 4},
      {"main 2 keeps the defaults", 0, 2, 0, 0, 0, {{96, 96, 192, 100}, {544, 96, 192, 100}}, 9},
      {"main 3",
       0,
       3,
       0,
       0,
       0,
       {{270, 240, 0, 100}, {370, 240, 128, 100}, {320, 120, 192, 100}},
       0},
      {"main 5", 0, 5, 0, 0, 0, {{320, 330, 64, 200}, {320, 200, 192, 200}}, 3},
      {"main 7 pair", 0, 7, 1, 0, 0, {{320, 330, 64, 100}, {320, 200, 192, 100}}, 1},
      {"main 7 three",
       0,
       7,
       0,
       0,
       0,
       {{320, 300, 64, 100}, {320, 200, 192, 100}, {320, 420, 64, 100}},
       2},
      {"main 9",
       0,
       9,
       0,
       0,
       0,
       {{320, 300, 64, 100}, {320, 180, 192, 100}, {320, 220, 192, 100}},
       1},
      {"main 11",
       0,
       11,
       0,
       0,
       0,
       {{120, 240, 0, 100}, {520, 240, 128, 100}, {440, 240, 128, 100}},
       2},
      {"main 13",
       0,
       13,
       0,
       0,
       0,
       {{160, 180, 0, 100}, {480, 180, 128, 200}, {520, 280, 128, 100}},
       1},
      {"main 15",
       0,
       15,
       0,
       0,
       0,
       {{248, 100, 224, 200}, {320, 360, 64, 200}, {390, 96, 192, 100}, {480, 180, 128, 100}},
       3},
      {"main 16 on its own",
       0,
       16,
       1,
       0,
       0,
       {{120, 240, 0, 200}, {520, 240, 128, 200}, {320, 96, 192, 100}},
       3},
      {"main 16 with the team",
       0,
       16,
       1,
       0,
       1,
       {{120, 240, 0, 200}, {520, 240, 128, 200}, {320, 96, 192, 200}},
       3},
      {"extra 0", 1, 0, 0, 0, 0, {{240, 240, 0, 100}, {400, 240, 128, 100}}, 1},
      {"extra 1 keeps the defaults", 1, 1, 0, 0, 0, {{96, 96, 192, 100}, {544, 96, 192, 100}}, 9},
      {"extra 2",
       1,
       2,
       0,
       0,
       0,
       {{320, 330, 64, 100}, {300, 200, 192, 100}, {340, 200, 160, 100}},
       0},
      {"extra 4",
       1,
       4,
       0,
       0,
       0,
       {{320, 100, 192, 100}, {320, 330, 64, 100}, {320, 220, 192, 100}, {360, 190, 192, 100}},
       2},
      {"extra 6",
       1,
       6,
       0,
       0,
       0,
       {{320, 270, 0, 100}, {320, 210, 160, 100}, {40, 240, 0, 100}, {600, 240, 128, 100}},
       0},
      {"extra 8",
       1,
       8,
       0,
       0,
       0,
       {{320, 300, 64, 200}, {320, 180, 192, 200}, {280, 220, 192, 200}, {360, 220, 192, 200}},
       3},
  };
  for (const StoryStartCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({0, 1, 2, 3});
    ArenaVariant = 9;
    RouteFlagA = static_cast<uint8_t>(c.routeA);
    RouteFlagB = static_cast<uint8_t>(c.routeB);
    RouteFlagC = static_cast<uint8_t>(c.routeC);
    g_match.storyMode = 1;
    g_match.storyKind = c.kind;
    g_match.storyStage = c.stage;
    StartAll();
    for (size_t p = 0; p < c.players.size(); ++p) {
      SCOPED_TRACE(p);
      EXPECT_EQ(g_players[p].x, c.players[p].x);
      EXPECT_EQ(g_players[p].y, c.players[p].y);
      EXPECT_EQ(g_players[p].heading, c.players[p].heading);
      EXPECT_EQ(g_playerState.spellGauge[p], c.players[p].gauge);
    }
    EXPECT_EQ(ArenaVariant, c.variant);
    const bool specialCard = c.kind == 1 && c.stage == 2;
    EXPECT_EQ(g_playerState.powerUp[2], specialCard ? 3 : 0);
    EXPECT_EQ(g_playerState.cardChoice[2], specialCard ? 2 : 0);
  }
}

// ---- Companions ---------------------------------------------------------------------------

TEST(Companion, FollowSpeedStaysWithinBounds) {
  struct Case {
    float speed;
    float distance;
  } cases[] = {{0, 600}, {3.5f, 600}, {9, 600}, {20, 600}, {0, 10}, {20, 10}, {6, 160}};
  for (const Case& c : cases) {
    SetUpMatch({4, 1});
    BattleObject& owner = g_players[0];
    owner.x = 320;
    owner.y = 240;
    BattleObject& companion = g_companions[0];
    companion.state = 1;
    companion.speed = c.speed;
    companion.x = 320 - c.distance;
    companion.y = 240;
    for (int frame = 0; frame < 300; ++frame) {
      owner.heading = (frame * 7) & 255;
      UpdateCompanionFollow(&companion, 0);
      ASSERT_GE(companion.speed, 3.5f) << c.speed << " " << frame;
      ASSERT_LE(companion.speed, 9.0f) << c.speed << " " << frame;
    }
    EXPECT_EQ(companion.stateTimer, 300);
    EXPECT_EQ(companion.drawTag, 9999);
    EXPECT_EQ(companion.kind, 4);
  }
}

TEST(Companion, WaitsWhileItsOwnerDashesUnlessOnAWall) {
  struct Case {
    const char* name;
    int ownerState;
    int modifier;
    bool onWall;
    bool waits;
  } cases[] = {
      {"following", 0, 0, false, false},
      {"owner dashing", 5, 0, false, true},
      {"owner holding the modifier", 0, 1, false, true},
      {"dashing, over a wall", 5, 0, true, false},
      {"modifier, over a wall", 0, 1, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({4, 1});
    BattleObject& owner = g_players[0];
    owner.x = 500;
    owner.y = 240;
    owner.heading = 0;
    owner.state = c.ownerState;
    owner.modifierHeld = static_cast<uint8_t>(c.modifier);
    BattleObject& companion = g_companions[0];
    companion.state = 1;
    companion.speed = 5;
    companion.x = 100;
    companion.y = 240;
    companion.vx = 0;
    companion.vy = 4;
    if (c.onWall) SetCell(3, 7, 2);  // under the companion's box
    UpdateCompanionFollow(&companion, 0);
    if (c.waits) {
      EXPECT_FLOAT_EQ(companion.vx, 0.0f);
      EXPECT_FLOAT_EQ(companion.vy, 4.0f * 12 / 15) << "pulled toward rest";
      EXPECT_FLOAT_EQ(companion.speed, 5.0f);
    } else {
      EXPECT_GT(companion.vx, 0.0f) << "toward the follow point on the right";
      EXPECT_FLOAT_EQ(companion.speed, 5.15f);
    }
  }
  // In the story's dialogue nothing moves.
  SetUpMatch({4, 1});
  g_match.storyMode = 1;
  StoryPreFight = 5;
  g_companions[0].vx = 3;
  UpdateCompanionFollow(&g_companions[0], 0);
  EXPECT_EQ(g_companions[0].stateTimer, 0);
  EXPECT_EQ(g_companions[0].x, 0);
}

TEST(Companion, LaunchFiresInItsWindowFromTheOwnersMeter) {
  struct Case {
    int powerUp;
    float meter;
    int shots;
    float meterAfter;
  } cases[] = {{0, 700, 16, 540}, {5, 700, 32, 380}, {0, 35, 3, 5}, {0, 9.5f, 0, 9.5f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.powerUp);
    SetUpMatch({4, 1});
    g_players[0].meter = c.meter;
    g_players[0].heading = 64;
    g_playerState.powerUp[0] = c.powerUp;
    BattleObject& companion = g_companions[0];
    companion.state = 2;
    companion.stateTimer = 0;
    int frames = 0;
    while (companion.state == 2 && frames < 1000) {
      UpdateCompanionLaunched(&companion, 0);
      ++frames;
    }
    EXPECT_EQ(frames, 120);
    EXPECT_EQ(testsupport::ShotsMade(4), c.shots) << "fired for the owner, character 4";
    EXPECT_FLOAT_EQ(g_players[0].meter, c.meterAfter);
    EXPECT_EQ(companion.stateTimer, 0);
    EXPECT_LT(companion.y, 0) << "launched up the screen";
  }
}

}  // namespace
