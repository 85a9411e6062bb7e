// The draw list: what is collected from each pool, where it goes (base part, sorted part, top
// layer), the sort's tie order, the block countdown, the strengths and the bounds.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/access.h"
#include "game/battle/arena.h"
#include "game/core/data_files.h"
#include "game/view/draw_list.h"
#include "game/view/view.h"
#include "morrow/recording/library_recorder.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;

class DrawListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::Recorder().Reset();
    testsupport::ResetBattleState();
    LateEffectCount = 0;
  }
  // A match with no player in it unless a test adds some, on the given arena.
  void Arena(int arena) { g_match.stage = arena; }
  // The list as a drawn frame builds it, with the tags and block countdown carried out after.
  int Build(int players = 0) {
    LateEffectCount = 0;
    const int count = BuildDrawList(players);
    CarryOutDrawList(players);
    return count;
  }
};

// "tag:kind:y:move" per entry, from `first` on.
std::vector<std::string> Entries(int count, int first = 0) {
  std::vector<std::string> out;
  for (int i = first; i < count; ++i) {
    const BattleObject& e = DrawList[i];
    out.push_back(std::to_string(e.drawTag) + ":" + std::to_string(e.kind) + ":" +
                  std::to_string(static_cast<int>(e.y)) + ":" + std::to_string(e.move));
  }
  return out;
}

void Familiar(int i, int kind, float y) {
  g_familiars[i].state = 1;
  g_familiars[i].kind = static_cast<uint16_t>(kind);
  g_familiars[i].y = y;
}

TEST_F(DrawListTest, EqualYKeepTheOrderOfTheSwappingSelectionSort) {
  struct Case {
    const char* name;
    std::vector<float> ys;           // familiars 0.. in collection order, kind = index + 1
    std::vector<int> expectedKinds;  // the drawn order
  } cases[] = {
      {"sorted stays", {1, 2, 3}, {1, 2, 3}},
      {"a swap moves a tie behind its twin", {5, 5, 1}, {3, 2, 1}},
      {"first of equals wins", {2, 1, 1}, {2, 3, 1}},
      {"all equal", {4, 4, 4, 4}, {1, 2, 3, 4}},
      {"reversed", {3, 2, 1}, {3, 2, 1}},
      {"negative before positive", {0, -7, 9, -7}, {2, 4, 1, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Arena(5);
    for (size_t i = 0; i < c.ys.size(); ++i) {
      Familiar(static_cast<int>(i), static_cast<int>(i) + 1, c.ys[i]);
    }
    const int n = Build();
    ASSERT_EQ(n, static_cast<int>(c.ys.size()));
    std::vector<int> kinds;
    for (int i = 0; i < n; ++i) kinds.push_back(DrawList[i].kind);
    EXPECT_EQ(kinds, c.expectedKinds);
  }
}

TEST_F(DrawListTest, BaseCopiesOnlyAtEffectLevel0) {
  struct Case {
    int effectLevel;
    int arena;
    std::vector<std::string> entries;
  } cases[] = {
      // Cells (2, 3) = 1 and (4, 1) = 5, walked column by column; 4 and 44 are no blocks.
      {0, 5, {"4:1:96:0", "4:5:32:0", "4:5:32:1", "4:1:96:1"}},
      {1, 5, {"4:5:32:1", "4:1:96:1"}},
      {0,
       9,
       {"4:1:96:0", "4:5:32:0", "4:60:481:0", "4:5:32:1", "4:1:96:1", "4:60:481:1", "4:59:320:1"}},
      {1, 9, {"4:5:32:1", "4:1:96:1", "4:60:481:1", "4:59:320:1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.effectLevel) + " on arena " + std::to_string(c.arena));
    SetUp();
    Arena(c.arena);
    g_options.effectLevel = c.effectLevel;
    SetCell(2, 3, 1);
    SetCell(4, 1, 5);
    SetCell(6, 6, 4);
    SetCell(7, 7, 44);
    EXPECT_EQ(Entries(Build()), c.entries);
  }
}

TEST_F(DrawListTest, PropsByArena) {
  struct Case {
    int arena;
    std::vector<std::string> sorted;  // after the base part
  } cases[] = {
      {0, {"4:51:96:1", "4:52:480:1"}},  // and the tree tops, checked below
      {2, {"4:55:480:1"}},
      {3, {"4:55:480:1"}},
      {4, {"4:54:0:1"}},
      {5, {}},
      {6, {"4:56:0:1"}},
      {7, {}},
      {8, {"4:58:480:1", "4:57:0:1"}},
      {-1, {}},
      {10, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arena);
    SetUp();
    Arena(c.arena);
    g_options.effectLevel = 1;
    const int n = Build();
    std::vector<std::string> got = Entries(n);
    if (c.arena == 0) {
      ASSERT_EQ(n, 14);
      for (int i = 0; i < 12; ++i) {
        const BattleObject& top = DrawList[2 + i];
        EXPECT_EQ(top.kind, 53);
        EXPECT_EQ(top.x, 608 * (i / 6) - 48);
        EXPECT_EQ(top.y, 80 * (i % 6) - 30);
        EXPECT_EQ(top.move, 0);
      }
      got.resize(2);
    }
    EXPECT_EQ(got, c.sorted);
    for (int i = 0; i < n; ++i) EXPECT_EQ(DrawList[i].meter, 1.0f);
  }
}

TEST_F(DrawListTest, Arena7BlocksSortBeforeEverything) {
  for (int arena : {7, 5}) {
    SCOPED_TRACE(arena);
    SetUp();
    Arena(arena);
    g_options.effectLevel = 1;
    SetCell(3, 14, 1);  // the lowest row
    g_players[0].y = 0;
    g_players[0].kind = 3;
    const int n = Build(1);
    ASSERT_EQ(n, 2);
    if (arena == 7) {
      EXPECT_EQ(Entries(n), (std::vector<std::string>{"4:1:-1552:1", "0:3:0:0"}));
    } else {
      EXPECT_EQ(Entries(n), (std::vector<std::string>{"0:3:0:0", "4:1:448:1"}));
    }
  }
}

TEST_F(DrawListTest, BlockCountdownClearsTheCell) {
  struct Case {
    const char* name;
    int arena;
    int value;
    int timer;
    int cellAfter;
    int timerAfter;
    int copyKind;  // of the sorted copy; -1 none
  } cases[] = {
      {"1 to 0 clears", 5, 2, 1, 0, 0, 0},
      {"1 to 0 on arena 7 leaves the cleared cell", 7, 1, 1, 44, 0, 44},
      {"counting", 5, 3, 5, 3, 4, 3},
      {"standing block", 5, 5, 0, 5, 0, 5},
      {"negative timer", 5, 1, -4, 1, -4, 1},
      {"value 4 is no block", 5, 4, 1, 4, 1, -1},
      {"the cleared cell is none", 7, 44, 1, 44, 1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Arena(c.arena);
    SetCell(5, 5, c.value);
    g_arenaMap.openTimer[CellIndex(5, 5)] = c.timer;
    g_arenaMap.cellState[CellIndex(5, 5)] = 77;
    const int n = Build();
    EXPECT_EQ(CellValue(5, 5), c.cellAfter);
    EXPECT_EQ(g_arenaMap.openTimer[CellIndex(5, 5)], c.timerAfter);
    if (c.copyKind < 0) {
      EXPECT_EQ(n, 0);
      continue;
    }
    // The base copy shows the cell as it was, the sorted one as it now stands.
    ASSERT_EQ(n, 2);
    EXPECT_EQ(DrawList[0].kind, c.value);
    EXPECT_EQ(DrawList[0].recovery, c.timer);
    EXPECT_EQ(DrawList[1].kind, c.copyKind);
    EXPECT_EQ(DrawList[1].recovery, c.timerAfter);
    EXPECT_EQ(DrawList[1].life, 77);
    EXPECT_EQ(DrawList[1].x, 160);
    // A cleared cell is no block on the next frame.
    EXPECT_EQ(Build(), c.cellAfter == c.value ? 2 : 0);
  }
}

TEST_F(DrawListTest, StrengthByArenaValueAndOption) {
  struct Case {
    int arena;
    int option;
    int value;
    float meter;
  } cases[] = {
      {0, 1, 1, 280},  {0, 0, 1, 140}, {0, 2, 2, 888}, {1, 0, 2, 222}, {6, 0, 3, 450},
      {6, 2, 3, 1800}, {7, 2, 1, 256}, {7, 1, 2, 0},   {8, 1, 5, 280}, {8, 0, 3, 333},
      {9, 0, 2, 500},  {9, 2, 1, 280}, {-1, 1, 1, 0},  {10, 1, 1, 0},  {5, 1, 5, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.arena) + " " + std::to_string(c.option) + " " +
                 std::to_string(c.value));
    SetUp();
    Arena(c.arena);
    g_options.obstacleStrength = c.option;
    SetCell(0, 0, c.value);
    const int n = Build();
    ASSERT_GE(n, 2);
    EXPECT_EQ(DrawList[0].meter, c.meter) << "base copy";
    for (int i = 1; i < n; ++i) {
      if (DrawList[i].kind == c.value) {
        EXPECT_EQ(DrawList[i].meter, c.meter) << "sorted copy";
      }
    }
  }
}

TEST_F(DrawListTest, ShotsTaggedAndCopiedExceptCharacter2Move5) {
  struct Case {
    int kind, move, state, hitTag;
    int tagAfter;       // the record's drawTag afterwards
    const char* where;  // "main", "top" or "none"
  } cases[] = {
      {0, 1, 1, 0, 2, "main"}, {0, 1, 0, 0, 2, "none"}, {0, 1, 2, 0, 2, "none"},
      {0, 1, 1, 1, 2, "top"},  {0, 1, 1, 2, 2, "main"}, {2, 5, 1, 0, 9, "none"},
      {2, 5, 1, 1, 9, "none"}, {2, 4, 1, 0, 2, "main"}, {3, 5, 1, 0, 2, "main"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.kind) + " move " + std::to_string(c.move) + " state " +
                 std::to_string(c.state) + " hitTag " + std::to_string(c.hitTag));
    SetUp();
    Arena(5);
    BattleObject& shot = g_shots[300];
    shot.kind = static_cast<uint16_t>(c.kind);
    shot.move = c.move;
    shot.state = c.state;
    shot.drawTag = 9;
    shot.y = 50;
    g_shotDamage[300].hitTag = static_cast<uint8_t>(c.hitTag);
    Familiar(0, 40, 100);  // below the shot: a main-part shot sorts first, a top-layer one last
    const int n = Build();
    EXPECT_EQ(shot.drawTag, c.tagAfter);
    const std::string where = c.where;
    if (where == "none") {
      EXPECT_EQ(Entries(n), std::vector<std::string>{"6:40:100:0"});
    } else if (where == "main") {
      EXPECT_EQ(Entries(n), (std::vector<std::string>{
                                "2:" + std::to_string(c.kind) + ":50:" + std::to_string(c.move),
                                "6:40:100:0"}));
    } else {
      EXPECT_EQ(Entries(n),
                (std::vector<std::string>{"6:40:100:0", "2:" + std::to_string(c.kind) +
                                                            ":50:" + std::to_string(c.move)}));
    }
  }
  // Every other shot record is tagged too, live or not.
  EXPECT_EQ(g_shots[0].drawTag, 2);
  EXPECT_EQ(g_shots[511].drawTag, 2);
}

TEST_F(DrawListTest, TopLayerInCollectionOrder) {
  Arena(0);
  g_options.effectLevel = 1;
  // Player 0: character 12 under its card; player 1: character 6 with its dash mark; player 2:
  // character 4 with its companion.
  g_players[0].kind = 12;
  g_players[0].y = 900;
  g_playerState.cardBar[0] = 3;
  g_players[1].kind = 6;
  g_players[1].y = 200;
  g_groundMarks[1].timer = 50;
  g_groundMarks[1].y = 910;
  g_groundMarks[1].heading = 99;
  g_players[2].kind = 4;
  g_players[2].y = 300;
  g_companions[2].y = 310;
  g_companions[2].kind = 4;
  g_shots[7].state = 1;
  g_shots[7].kind = 1;
  g_shots[7].y = 920;
  g_shotDamage[7].hitTag = 1;
  g_effectInUse[3] = 1;
  g_effects[3].code = 5;  // a kind of the top layer
  g_effects[3].y = 930;
  g_effectInUse[4] = 1;
  g_effects[4].code = 19;  // a kind of the sorted part
  g_effects[4].y = 250;
  const int n = Build(3);
  // Sorted: prop 51, player 1, effect 19, player 2, companion, prop 52; then the top layer.
  std::vector<std::string> want = {"4:51:96:1", "0:6:200:0",  "3:19:250:0", "0:4:300:0",
                                   "1:4:310:0", "4:52:480:1", "0:12:900:0"};
  const std::vector<std::string> got = Entries(n);
  ASSERT_EQ(n, 6 + 1 + 1 + 1 + 12 + 1);
  EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + 7), want);
  EXPECT_EQ(DrawList[7].drawTag, kTagSpinner);
  EXPECT_EQ(DrawList[7].y, 910);
  EXPECT_EQ(DrawList[7].heading, 99);
  EXPECT_EQ(DrawList[7].stateTimer, 50);
  EXPECT_EQ(got[8], "2:1:920:0");
  for (int i = 9; i < 21; ++i) EXPECT_EQ(DrawList[i].kind, 53);
  EXPECT_EQ(got[21], "3:5:930:0");
  // The tags of the records themselves.
  EXPECT_EQ(g_players[0].drawTag, kTagPlayer);
  EXPECT_EQ(g_companions[2].drawTag, kTagCompanion);
  EXPECT_EQ(g_shots[7].drawTag, kTagShot);
}

TEST_F(DrawListTest, CopyFieldsOfEffectsItemsAndFamiliars) {
  Arena(5);
  EffectRecord& effect = g_effects[10];
  g_effectInUse[10] = 1;
  // A code past 16 bits, of no sorted kind: it goes to the top layer, after the rest.
  effect = EffectRecord{1.5f, 60.0f, -3.0f, 0, 0, 0, {}, 17, -1, 200, 0x20003, 0};
  g_effectInUse[11] = 2;  // not in use as a live effect
  g_effects[11].y = 1;
  g_itemFlags[0] = 1;
  g_items[0] = ItemRecord{7.0f, 70.0f, -1.0f, 0, 0, 0, 0, 0, 44, 3, 0, 0};
  g_itemFlags[1] = 2;
  g_items[1].y = 80;
  g_items[1].kind = 4;
  g_itemFlags[2] = 3;  // no item state
  g_items[2].y = 1;
  Familiar(63, 9, 90);
  const int n = Build();
  ASSERT_EQ(n, 4);
  const BattleObject& e = DrawList[3];
  EXPECT_EQ(e.drawTag, kTagEffect);
  EXPECT_EQ(e.kind, 65535);  // the low 16 bits of the code
  EXPECT_EQ(e.x, 1.5f);
  EXPECT_EQ(e.z, -3.0f);
  EXPECT_EQ(e.stateTimer, 17);
  EXPECT_EQ(e.heading, 200);
  EXPECT_EQ(e.owner, 3);
  EXPECT_EQ(e.meter, static_cast<float>(0x20003));
  const BattleObject& item = DrawList[0];
  EXPECT_EQ(item.drawTag, kTagItem);
  EXPECT_EQ(item.kind, 3);
  EXPECT_EQ(item.x, 7.0f);
  EXPECT_EQ(item.z, -1.0f);
  EXPECT_EQ(item.stateTimer, 44);
  EXPECT_EQ(DrawList[1].kind, 4);
  EXPECT_EQ(DrawList[1].drawTag, kTagItem);
  EXPECT_EQ(DrawList[2].drawTag, kTagFamiliar);
  EXPECT_EQ(g_familiars[63].drawTag, kTagFamiliar);
}

TEST_F(DrawListTest, FlaggedEffectsGoToTheLateListFirst32Kept) {
  Arena(5);
  for (int slot = 0; slot < kEffectCount; ++slot) {
    g_effectInUse[slot] = 1;
    g_effects[slot].flag = slot % 2 == 0 ? 1 : 0;
    g_effects[slot].code = 19;
    g_effects[slot].timer = slot;
  }
  const int n = Build();
  EXPECT_EQ(n, kEffectCount / 2);
  ASSERT_EQ(LateEffectCount, kLateEffectLimit);
  for (int i = 0; i < kLateEffectLimit; ++i) EXPECT_EQ(LateEffectList[i].timer, 2 * i);
}

TEST_F(DrawListTest, FullPoolsStayWithinTheList) {
  struct Case {
    const char* name;
    int effectCode;
    int hitTag;
    int arena;
    int count;  // the main part as far as it fits, then the top layer as far as it fits
  } cases[] = {
      // 302 base, 3 players, 64 familiars, 512 shots, 300 blocks, 2 props, 1024 effects, 128
      // items: the main part stops at 2048.
      {"all sorted", 19, 0, 0, 2048},
      // 300 base, 3 players, 64 familiars, 300 blocks, 128 items; the top layer is full at 1024
      // before its prop and most effects.
      {"top layer overfull", 5, 1, 4, 795 + 1024},
      {"top layer overfull on arena 9", 5, 1, 9, 797 + 1024},
      // 1308 in the main part, the top layer full: the list stops at 2048.
      {"top layer overfull on arena 8", 5, 0, 8, 2048},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Arena(c.arena);
    for (int i = 0; i < kMapColumns; ++i) {
      for (int r = 0; r < kMapRows; ++r) SetCell(i, r, 1 + (i + r) % 3);
    }
    for (int p = 0; p < 4; ++p) {
      g_players[p].kind = static_cast<uint16_t>(p == 0 ? 12 : 6);
      g_playerState.cardBar[p] = 1;
      g_groundMarks[p].timer = 9;
    }
    for (int s = 0; s < kShotCount; ++s) {
      g_shots[s].state = 1;
      g_shots[s].kind = 1;
      g_shotDamage[s].hitTag = static_cast<uint8_t>(c.hitTag);
    }
    for (int s = 0; s < kEffectCount; ++s) {
      g_effectInUse[s] = 1;
      g_effects[s].code = c.effectCode;
    }
    for (int s = 0; s < kItemCount; ++s) g_itemFlags[s] = 1;
    for (int s = 0; s < kFamiliarCount; ++s) g_familiars[s].state = 1;
    const int n = Build(4);
    EXPECT_EQ(n, c.count);
    for (int i = 0; i < n; ++i) ASSERT_LE(DrawList[i].drawTag, kTagSpinner) << i;
  }
}

TEST_F(DrawListTest, PlayerCountOutsideOneToFourIsBounded) {
  Arena(5);
  for (int count : {-3, 0, 5, 1000}) {
    SCOPED_TRACE(count);
    const int n = Build(count);
    EXPECT_EQ(n, count > 0 ? 4 : 0);
  }
}

}  // namespace
