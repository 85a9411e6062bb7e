// Items: their creation from seeded draws, their motion, their attraction and pickup with its
// scores, caps and special items, the claim of every item, and out-of-range input.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/items.h"
#include "game/battle/player_control.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "morrow/system/time.h"
#include "tests/game/battle/effects_made.h"
#include "tests/game/battle/items_made.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;
using testsupport::ItemsInPool;
using testsupport::SetUpMatch;

int R(int max) {
  return morrow::GetRandomNumber(max);
}

// One draw of the generator: its range 0..max and the value wanted (-1: any).
struct Draw {
  int max;
  int value;
};

// The first seed whose draws give the values wanted, so that a test can script the draws that
// CreateItem makes.
uint32_t SeedFor(const std::vector<Draw>& draws) {
  for (uint32_t seed = 1; seed < 4000000; ++seed) {
    morrow::SeedRandom(seed);
    bool found = true;
    for (const Draw& d : draws) {
      if (R(d.max) != d.value && d.value >= 0) {
        found = false;
        break;
      }
    }
    if (found) return seed;
  }
  ADD_FAILURE() << "no seed gives the draws";
  return 0;
}

// The draws of one ordinary item: heading, speed, vz and age, then r on s + 64 and t on b + 32.
std::vector<Draw> OrdinaryDraws(int s, int r, int b = 0, int t = -1) {
  return {{63, -1}, {24, -1}, {16, -1}, {16, -1}, {s + 64, r}, {b + 32, t}};
}

// Players 0 and 1 at (100, 100) and (400, 300) with full life and an empty meter, in arena 0.
void Arena() {
  SetUpMatch({0, 1}, 0);
  for (int p = 0; p < 2; ++p) {
    g_players[p].life = 350;
    g_players[p].owner = static_cast<int16_t>(p);
  }
  g_players[0].x = 100;
  g_players[0].y = 100;
  g_players[1].x = 400;
  g_players[1].y = 300;
}

// An item of that kind lying still on the ground.
ItemRecord& Lay(int slot, float x, float y, int kind = 0, uint16_t flag = 1) {
  ItemRecord& item = g_items[slot];
  item = ItemRecord{};
  item.x = x;
  item.y = y;
  item.kind = kind;
  g_itemFlags[slot] = flag;
  return item;
}

void Update(int slot) {
  UpdateItem(&g_items[slot], slot);
}

// ---- Creation ---------------------------------------------------------------------------------

TEST(CreateItem, KindTableAtEveryRowBound) {
  // s is (int)(0.8 x itemCount); on stage 7 the kind is the table's.
  struct Case {
    int itemCount;
    int s;
    int r;
    int kind;
  } cases[] = {
      // r below 24
      {123, 98, 23, 0},
      {124, 99, 23, 1},
      {400, 320, 23, 1},
      {402, 321, 0, 2},
      {600, 480, 23, 2},
      {602, 481, 23, 3},
      // r below 48
      {160, 128, 24, 0},
      {162, 129, 47, 1},
      {280, 224, 47, 1},
      {282, 225, 24, 2},
      {602, 481, 47, 3},
      // r below 64
      {180, 144, 48, 1},
      {182, 145, 63, 2},
      {555, 444, 63, 2},
      {557, 445, 48, 3},
      // r below 98
      {0, 0, 64, 1},
      {400, 320, 97, 1},
      {402, 321, 64, 2},
      {557, 445, 97, 3},
      {750, 600, 97, 3},
      {752, 601, 64, 4},
      // r below 160
      {43, 34, 98, 2},
      {400, 320, 159, 2},
      {402, 321, 98, 3},
      {555, 444, 159, 3},
      {557, 445, 98, 4},
      // r below 256
      {250, 200, 160, 2},
      {600, 480, 255, 2},
      {602, 481, 160, 4},
      // r below 288
      {240, 192, 256, 3},
      {600, 480, 287, 3},
      {602, 481, 256, 4},
      // r below 360
      {370, 296, 288, 3},
      {750, 600, 359, 3},
      {752, 601, 288, 5},
      // the last row
      {370, 296, 360, 4},
      {750, 600, 479, 4},
      {520, 416, 480, 5},
      {750, 600, 600, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("itemCount " + std::to_string(c.itemCount) + " r " + std::to_string(c.r));
    SetUpMatch({0, 1}, 7);
    g_playerState.itemCount[1] = c.itemCount;
    morrow::SeedRandom(SeedFor(OrdinaryDraws(c.s, c.r)));
    CreateItem(100, 100, 1, 1, 1);
    EXPECT_EQ(g_items[0].kind, c.kind);
  }
}

TEST(CreateItem, WithNothingCollectedKindZeroInFortyEightDrawsOfSixtyFive) {
  int zeros = 0;
  for (int r = 0; r <= 64; ++r) {
    SetUpMatch({0, 1}, 7);
    morrow::SeedRandom(SeedFor(OrdinaryDraws(0, r)));
    CreateItem(100, 100, 1, 1, 0);
    const int kind = g_items[0].kind;
    EXPECT_TRUE(kind == 0 || kind == 1) << r;
    zeros += kind == 0 ? 1 : 0;
  }
  EXPECT_EQ(zeros, 48);
}

TEST(CreateItem, LifeItemsOnlyOutsideStageSevenAndSurvival) {
  struct Case {
    int itemCount;
    int s, r;  // base kind 0 or 1 with nothing collected, 2 at s 34 and r 98
    int b;
    int t;
    int lifeKind;  // -1: the base kind stays
  } draws[] = {{0, 0, 50, 1, 33, 10},
               {0, 0, 50, 1, 32, -1},
               {43, 34, 98, 2, 34, 11},
               {43, 34, 98, 2, 33, 10},
               {0, 0, 10, 0, 32, -1}};
  struct Where {
    int stage;
    int survival;
    bool life;
  } places[] = {{0, 0, true}, {3, 0, true}, {7, 0, false}, {0, 1, false}};
  for (const Case& c : draws) {
    const uint32_t seed = SeedFor(OrdinaryDraws(c.s, c.r, c.b, c.t));
    for (const Where& w : places) {
      SCOPED_TRACE("t " + std::to_string(c.t) + " stage " + std::to_string(w.stage) + " survival " +
                   std::to_string(w.survival));
      SetUpMatch({0, 1}, w.stage);
      g_match.survivalMode = w.survival;
      g_playerState.itemCount[0] = c.itemCount;
      morrow::SeedRandom(seed);
      CreateItem(100, 100, 1, 1, 0);
      EXPECT_EQ(g_items[0].kind, w.life && c.lifeKind >= 0 ? c.lifeKind : c.b);
    }
  }
}

TEST(CreateItem, PlacementMotionAndTheDrawsOfEachItem) {
  struct Case {
    const char* name;
    int x, y, count, mode;
    float px, py;  // where the items start
    bool special;
  } cases[] = {
      {"a cell", 5, 6, 5, 0, 176, 208, false},
      {"pixels", 5, 6, 5, 1, 5, 6, false},
      {"a special item on a cell", 2, 3, 3, 76, 80, 112, true},
      {"special items at pixels", 300, 200, 2, 77, 300, 200, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpMatch({0, 1}, 0);
    g_itemFlags[1] = 2;  // taken: skipped by the walk
    morrow::SeedRandom(77);
    CreateItem(c.x, c.y, c.count, c.mode, 1);
    const int afterCreation = R(1 << 30);
    // Four draws per item, six for an ordinary one, in that number and nothing else.
    morrow::SeedRandom(77);
    for (int k = 0; k < c.count * (c.special ? 4 : 6); ++k) R(24);
    EXPECT_EQ(afterCreation, R(1 << 30));

    EXPECT_EQ(ItemsInPool(), c.count + 1);
    EXPECT_EQ(g_playerState.specialItemCount[1], c.special ? c.count : 0);
    for (int k = 0; k < c.count; ++k) {
      const int slot = k == 0 ? 0 : k + 1;
      const ItemRecord& item = g_items[slot];
      SCOPED_TRACE("item " + std::to_string(k));
      EXPECT_EQ(g_itemFlags[slot], 1);
      EXPECT_EQ(item.x, c.px);
      EXPECT_EQ(item.y, c.py);
      EXPECT_EQ(item.z, -0.1f);
      // Successive quarters: the items still to place, including this one, mod 4.
      EXPECT_EQ(item.heading / 64, (c.count - k) % 4);
      EXPECT_GE(item.age, 0);
      EXPECT_LE(item.age, 16);
      if (c.special) {
        EXPECT_EQ(item.kind, kSpecialItemKind);
        EXPECT_EQ(item.vx, 0.0f);
        EXPECT_EQ(item.vy, 0.0f);
        EXPECT_EQ(item.vz, -3.0f);
        continue;
      }
      const float speed = std::hypot(item.vx, item.vy);
      EXPECT_GE(speed, 0.999f);
      EXPECT_LE(speed, 2.441f);
      EXPECT_GE(item.vz, -3.0f);
      EXPECT_LE(item.vz, -1.4f);
      EXPECT_TRUE(IsItemKind(item.kind));
      EXPECT_NE(item.kind, kSpecialItemKind);
    }
  }
}

TEST(CreateItem, FullPoolsCountsAndPlayersOutOfRange) {
  // A full pool places fewer, silently.
  SetUpMatch({0, 1}, 0);
  for (int slot = 0; slot < kItemCount - 2; ++slot) g_itemFlags[slot] = 1;
  CreateItem(100, 100, 5, 1, 0);
  EXPECT_EQ(ItemsInPool(), kItemCount);
  CreateItem(100, 100, 5, 1, 0);
  EXPECT_EQ(ItemsInPool(), kItemCount);

  struct Case {
    int count;
    int mode;
    int player;
    int made;
    int misses;
  } cases[] = {
      {0, 0, 0, 0, 0},         {-5, 1, 0, 0, 0},         {1000, 1, 0, kItemCount, 0},
      {1, 76, 4, 1, 0},        {1, 1, 4, 1, 0},          {2, 77, -1, 2, 1},
      {3, 1, 99, 3, 1},        {1, 76, INT32_MIN, 1, 1}, {INT32_MAX, 77, 0, kItemCount, 0},
      {INT32_MIN, 1, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("count " + std::to_string(c.count) + " mode " + std::to_string(c.mode) +
                 " player " + std::to_string(c.player));
    SetUpMatch({0, 1}, 0);
    g_playerState.itemCount[0] = 5000;
    morrow::SeedRandom(3);
    CreateItem(INT32_MAX, INT32_MIN, c.count, c.mode, c.player);
    EXPECT_EQ(ItemsInPool(), c.made);
    EXPECT_EQ(IndexMisses, c.misses);
    for (int p = 1; p < 4; ++p) EXPECT_EQ(g_playerState.specialItemCount[p], 0);
    EXPECT_EQ(g_playerState.specialItemCount[0], c.player == 0 && c.mode >= 76 ? c.made : 0);
  }
}

// ---- Motion -----------------------------------------------------------------------------------

TEST(UpdateItem, FallSlideBouncesAndWalls) {
  struct Case {
    const char* name;
    ItemRecord item;
    uint16_t flag;
    float x, y, z, vx, vy, vz;  // after one update
  } cases[] = {
      {"falls", {200, 200, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1, 200, 200, -0.85f, 0, 0, 0.15f},
      {"the special item falls slower",
       {200, 200, -1, 0, 0, 0, 0, 0, 0, 77, 0, 0},
       1,
       200,
       200,
       -0.95f,
       0,
       0,
       0.05f},
      {"a step below the ground",
       {200, 200, -0.1f, 0, 0, 0.5f, 0, 0, 0, 0, 0, 0},
       1,
       200,
       200,
       0.55f,
       0,
       0,
       0.65f},
      {"lands", {200, 200, 0.55f, 0, 0, 0.65f, 0, 0, 0, 0, 0, 0}, 1, 200, 200, 0, 0, 0, 0},
      {"slides", {200, 200, 0, 2, -1, 0, 0, 0, 0, 0, 0, 0}, 1, 201.9f, 199.05f, 0, 1.9f, -0.95f, 0},
      {"slides in the air unslowed",
       {200, 200, -5, 2, -1, 0, 0, 0, 0, 0, 0, 0},
       1,
       202,
       199,
       -4.85f,
       2,
       -1,
       0.15f},
      {"top", {300, 25, 0, 0, -3, 0, 0, 0, 0, 0, 0, 0}, 1, 300, 24, 0, 0, 2.85f, 0},
      {"bottom", {300, 459, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0}, 1, 300, 460, 0, 0, -2.85f, 0},
      {"left", {5, 300, 0, -2, 0, 0, 0, 0, 0, 0, 0, 0}, 1, 12, 300, 0, 1.9f, 0, 0},
      {"right", {627, 300, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0}, 1, 628, 300, 0, -2.85f, 0, 0},
      {"into a wall on the right",
       {155, 300, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0},
       1,
       156,
       300,
       0,
       -3.8f,
       0,
       0},
      {"into a wall below", {300, 155, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0}, 1, 300, 156, 0, 0, -3.8f, 0},
      {"a claimed item passes walls",
       {155, 300, -5, 4, 0, 0, 0, 0, 0, 0, 0, 0},
       2,
       159,
       300,
       -4.85f,
       4,
       0,
       0.15f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Arena();
    SetCell(5, 9, 1);  // x 160-191, y 288-319
    SetCell(9, 5, 1);  // x 288-319, y 160-191
    g_items[3] = c.item;
    g_itemFlags[3] = c.flag;
    Update(3);
    const ItemRecord& item = g_items[3];
    EXPECT_EQ(item.prevX, c.item.x);
    EXPECT_EQ(item.prevY, c.item.y);
    EXPECT_FLOAT_EQ(item.x, c.x);
    EXPECT_FLOAT_EQ(item.y, c.y);
    EXPECT_FLOAT_EQ(item.z, c.z);
    EXPECT_FLOAT_EQ(item.vx, c.vx);
    EXPECT_FLOAT_EQ(item.vy, c.vy);
    EXPECT_FLOAT_EQ(item.vz, c.vz);
    EXPECT_EQ(item.age, 1);
    EXPECT_EQ(g_itemFlags[3], c.flag);
  }
}

TEST(UpdateItem, HomingReleaseAndAge) {
  // A claimed item on the ground flies at 10 toward its player: straight up the screen is
  // heading 65 (257 less the direction 192), a hair left of the axis.
  Arena();
  Lay(0, 100, 300, 0, 2).player = 0;
  Update(0);
  EXPECT_EQ(g_itemFlags[0], 2);
  EXPECT_FLOAT_EQ(g_items[0].x, 99.754593f);
  EXPECT_FLOAT_EQ(g_items[0].y, 290.00302f);
  EXPECT_FLOAT_EQ(g_items[0].vy, -9.9969883f);
  EXPECT_EQ(g_items[0].heading, 65);
  for (int k = 0; k < 17; ++k) Update(0);
  EXPECT_EQ(g_itemFlags[0], 0) << "collected on arrival";
  EXPECT_EQ(g_playerState.itemCount[0], 1);

  // Its player knocked out: let go with half the velocity (heading 129, toward the left).
  for (int state : {kStateInert, kStateKnockedOut, kStateGhost}) {
    SCOPED_TRACE(state);
    Arena();
    g_players[0].state = state;
    Lay(0, 300, 100, 0, 2).player = 0;
    Update(0);
    EXPECT_EQ(g_itemFlags[0], state > kStateInert ? 1 : 2);
    EXPECT_FLOAT_EQ(g_items[0].vx, state > kStateInert ? -4.9984941f : -9.9969883f);
  }
  Arena();
  Lay(0, 20, 100, 0, 2).heading = 77;  // straight left of its player: it turns to face right
  Update(0);
  EXPECT_EQ(g_items[0].heading, 1);

  // A stored player outside 0-3: let go as it was.
  for (int player : {4, -1, 7, INT32_MIN}) {
    SCOPED_TRACE(player);
    Arena();
    ItemRecord& item = Lay(0, 300, 200, 0, 2);
    item.player = player;
    item.vx = 2;
    Update(0);
    EXPECT_EQ(g_itemFlags[0], 1);
    EXPECT_FLOAT_EQ(item.x, 302.0f);
    EXPECT_EQ(IndexMisses, player == 4 ? 0 : 1);
  }

  // The age: freed once it passes 479.
  Arena();
  Lay(0, 300, 200).age = 478;
  Lay(1, 300, 200, 0, 2).age = 479;
  Update(0);
  Update(1);
  EXPECT_EQ(g_itemFlags[0], 1);
  EXPECT_EQ(g_itemFlags[1], 0);
  EXPECT_EQ(g_items[1].age, 480);
}

// ---- Pickup -----------------------------------------------------------------------------------

TEST(CheckItemPickup, AttractionAndClaims) {
  struct Case {
    const char* name;
    float x0, y0, x1, y1;  // players 0 and 1
    int state0;
    float x, y, z;  // the item
    uint16_t flagAfter;
    int player;  // the claimer after; 9 (as laid) when nobody claimed it
  } cases[] = {
      {"63 away", 100, 100, 400, 300, 0, 163, 100, 0, 2, 0},
      {"64 away", 100, 100, 400, 300, 0, 164, 100, 0, 1, 9},
      {"63 away in the air", 100, 100, 400, 300, 0, 163, 100, -0.5f, 1, 9},
      {"a player in hit-stun draws nothing", 100, 100, 400, 300, kStateHitStun, 163, 100, 0, 1, 9},
      {"a spell card still draws", 100, 100, 400, 300, kStateSpellCard, 163, 100, 0, 2, 0},
      {"the nearer of two", 200, 200, 300, 180, 0, 250, 180, 0, 2, 1},
      {"the first on a tie", 200, 200, 300, 200, 0, 250, 200, 0, 2, 0},
      {"the second when the first cannot", 200, 200, 300, 200, kStateKnockBack, 250, 200, 0, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Arena();
    g_players[0].x = c.x0;
    g_players[0].y = c.y0;
    g_players[1].x = c.x1;
    g_players[1].y = c.y1;
    g_players[0].state = c.state0;
    ItemRecord& item = Lay(0, c.x, c.y);
    item.z = c.z;
    item.player = 9;
    CheckItemPickup(&item, 0);
    EXPECT_EQ(g_itemFlags[0], c.flagAfter);
    EXPECT_EQ(item.player, c.player);
  }

  // Once claimed, another player near it does not take the claim, but its touch collects it.
  struct Touch {
    float itemY, playerY;  // player 1 at x 120, the item claimed by player 0 at (120, itemY)
    bool collected;
  } touches[] = {{130, 170, false}, {150, 140, true}};
  for (const Touch& t : touches) {
    SCOPED_TRACE(t.playerY);
    Arena();
    g_players[1].x = 120;
    g_players[1].y = t.playerY;
    ItemRecord& item = Lay(0, 120, t.itemY, 0, 2);
    item.player = 0;
    CheckItemPickup(&item, 0);
    EXPECT_EQ(g_itemFlags[0], t.collected ? 0 : 2);
    EXPECT_EQ(item.player, 0);
    EXPECT_EQ(g_playerState.itemCount[1], t.collected ? 1 : 0);
    EXPECT_EQ(g_playerState.itemCount[0], 0);
  }
}

TEST(CheckItemPickup, ScoresGainsCapsAndTheSpecialItem) {
  struct Case {
    const char* name;
    int kind;
    float gauge;
    float meter;
    int life;
    int score, itemCount;  // after
    float gaugeAfter, meterAfter;
    int lifeAfter;
    int claimed;  // items claimed by the taker after
  } cases[] = {
      {"kind 0", 0, 0, 100, 350, 100, 1, 0, 125, 350, 0},
      {"kind 3", 3, 0, 100, 350, 400, 4, 0, 131, 350, 0},
      {"kind 5 to the cap", 5, 0, 690, 350, 600, 6, 0, 700, 350, 0},
      {"life item 10", 10, 0, 100, 300, 1100, 11, 0, 100, 303, 0},
      {"life item 11 to the cap", 11, 0, 100, 348, 1200, 12, 0, 100, 350, 0},
      {"special at 0", 77, 0, 100, 350, 7800, 0, 100, 279, 350, 0},
      {"special at 150", 77, 150, 100, 350, 7800, 0, 200, 279, 350, 0},
      {"special at 200", 77, 200, 600, 350, 27800, 0, 200, 700, 350, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Arena();
    g_playerState.spellGauge[0] = c.gauge;
    g_players[0].meter = c.meter;
    g_players[0].life = c.life;
    Lay(0, 100, 100, c.kind);
    Lay(5, 400, 400, 1);
    Lay(6, 500, 400, 2, 2).player = 1;
    Update(0);
    EXPECT_EQ(g_itemFlags[0], 0);
    EXPECT_EQ(g_playerState.score[0], c.score);
    EXPECT_EQ(g_playerState.itemCount[0], c.itemCount);
    EXPECT_EQ(g_playerState.spellGauge[0], c.gaugeAfter);
    EXPECT_EQ(g_players[0].meter, c.meterAfter);
    EXPECT_EQ(g_players[0].life, c.lifeAfter);
    EXPECT_EQ(testsupport::ItemsClaimedBy(0), c.claimed);
    EXPECT_EQ(testsupport::LiveEffects(), 0) << "the points show only in survival";
  }

  // A player in knock-back or worse takes nothing.
  for (int state : {kStateKnockBack, kStateInert, kStateKnockedOut}) {
    SCOPED_TRACE(state);
    Arena();
    g_players[0].state = state;
    Lay(0, 100, 100);
    Update(0);
    EXPECT_EQ(g_itemFlags[0], state < kStateInert ? 0 : 1);
  }
}

TEST(CheckItemPickup, SpecialItemThresholdsOneAtATime) {
  struct Case {
    int life;
    int made;       // specialItemCount before
    int itemCount;  // before the pickup of a kind-0 item (+1)
    int survival;
    bool special;
  } cases[] = {
      {259, 0, 199, 0, false}, {259, 0, 200, 0, true},   {259, 1, 200, 0, false},
      {259, 1, 519, 0, false}, {259, 1, 520, 0, true},   {259, 2, 859, 0, false},
      {259, 2, 860, 0, true},  {259, 3, 5000, 0, false}, {260, 0, 200, 0, false},
      {1, 0, 200, 0, true},    {259, 0, 200, 1, false},  {259, -1, 5000, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("life " + std::to_string(c.life) + " made " + std::to_string(c.made) + " count " +
                 std::to_string(c.itemCount) + " survival " + std::to_string(c.survival));
    Arena();
    g_match.survivalMode = c.survival;
    g_players[0].life = c.life;
    g_playerState.specialItemCount[0] = c.made;
    g_playerState.itemCount[0] = c.itemCount;
    Lay(0, 100, 100).age = 40;
    Update(0);
    EXPECT_EQ(g_playerState.itemCount[0], c.itemCount + 1);
    EXPECT_EQ(g_playerState.specialItemCount[0], c.made + (c.special ? 1 : 0));
    // The special item takes the slot just freed, and the rest of the update ages it.
    EXPECT_EQ(g_itemFlags[0], c.special ? 1 : 0);
    if (!c.special) continue;
    const ItemRecord& item = g_items[0];
    EXPECT_EQ(item.kind, kSpecialItemKind);
    EXPECT_EQ(item.x, 100.0f);
    EXPECT_EQ(item.z, -0.1f);
    EXPECT_EQ(item.vz, -3.0f);
    EXPECT_GE(item.age, 1);
    EXPECT_LE(item.age, 17);
  }
}

TEST(CheckItemPickup, SurvivalShowsThePointsOfPlayerZero) {
  struct Case {
    int taker;
    int kind;
    int points;
  } cases[] = {{0, 3, 400}, {0, 77, 7800}, {1, 3, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.taker) + " kind " + std::to_string(c.kind));
    Arena();
    g_match.survivalMode = 1;
    g_players[c.taker].x = 250;
    g_players[c.taker].y = 250;
    Lay(0, 250, 250, c.kind);
    Update(0);
    EXPECT_EQ(g_itemFlags[0], 0);
    EXPECT_EQ(testsupport::EffectsWithCode(95), c.points != 0 ? 1 : 0);
    if (c.points == 0) continue;
    const EffectRecord* effect = testsupport::FirstEffectWithCode(95);
    EXPECT_EQ(effect->player, c.points) << "effect 85 shows its source's owner";
    EXPECT_EQ(effect->x, 256.0f);
  }
}

TEST(ClaimAllItems, EveryItemToOnePlayerStillInTheRound) {
  struct Case {
    int player;
    int state;
    bool claims;
    int misses;
  } cases[] = {{0, 0, true, 0},
               {3, kStateKnockedOut, true, 0},
               {1, kStateGhost, false, 0},
               {4, 0, false, 0},
               {-1, 0, false, 1},
               {INT32_MAX, 0, false, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.player);
    Arena();
    if (c.player >= 0 && c.player < 4) g_players[c.player].state = c.state;
    Lay(0, 300, 300);
    Lay(7, 300, 300, 2, 2).player = 2;
    Lay(9, 300, 300, 2, 3).player = 2;  // a flag no item holds
    ClaimAllItems(c.player);
    EXPECT_EQ(g_itemFlags[0], c.claims ? 2 : 1);
    EXPECT_EQ(g_items[0].player, c.claims ? c.player : 0);
    EXPECT_EQ(g_items[7].player, c.claims ? c.player : 2);
    EXPECT_EQ(g_itemFlags[9], 3);
    EXPECT_EQ(g_items[9].player, 2);
    EXPECT_EQ(IndexMisses, c.misses);
  }
}

// ---- Bad input --------------------------------------------------------------------------------

TEST(UpdateItem, FieldsOutOfRangeStayInsideThePools) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float x, y, z, vx;
    int kind;
    int player;
    int age;
  } cases[] = {
      {nan, nan, nan, nan, 0, 0, 0},
      {inf, -inf, 0, inf, 3, 0, 0},
      {100, 100, 0, 0, INT32_MIN, 0, INT32_MAX},
      {100, 100, 0, 0, INT32_MAX, 0, -5},
      {100, 100, nan, 0, 77, INT32_MAX, 0},
      {300, 300, 0, 0, -1, INT32_MIN, 0},
  };
  for (const Case& c : cases) {
    for (uint16_t flag : {1, 2}) {
      Arena();
      g_playerState.itemCount[0] = INT32_MAX;
      g_playerState.specialItemCount[0] = INT32_MAX;
      g_players[0].life = 10;
      ItemRecord& item = Lay(0, c.x, c.y, c.kind, flag);
      item.z = c.z;
      item.vx = c.vx;
      item.player = c.player;
      item.age = c.age;
      for (int k = 0; k < 3 && g_itemFlags[0] != 0; ++k) Update(0);
      EXPECT_LE(g_itemFlags[0], 2);
    }
  }
  // Slots outside the pool are refused.
  Arena();
  UpdateItem(&g_items[0], kItemCount);
  UpdateItem(&g_items[0], -1);
  CheckItemPickup(&g_items[0], kItemCount);
  EXPECT_EQ(IndexMisses, 3);
}

}  // namespace
