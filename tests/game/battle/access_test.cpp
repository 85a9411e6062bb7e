#include "game/battle/access.h"

#include <climits>
#include <cstring>

#include <gtest/gtest.h>

#include "game/battle/arena.h"
#include "game/core/records.h"

namespace {

using veyrdale::IndexMisses;

// Runs an access and reports how many misses it counted.
template <typename F>
int MissesOf(F&& access) {
  int before = IndexMisses;
  access();
  return IndexMisses - before;
}

TEST(Accessors, PoolSlots) {
  struct Case {
    const char* pool;
    veyrdale::BattleObject* (*at)(int);
    veyrdale::BattleObject* first;
    int count;
  } pools[] = {
      {"players", veyrdale::PlayerOrNull, veyrdale::g_players, 4},
      {"shots", veyrdale::ShotAt, veyrdale::g_shots, 512},
      {"familiars", veyrdale::FamiliarAt, veyrdale::g_familiars, 64},
  };
  for (const Case& p : pools) {
    for (int i : {0, p.count - 1}) {
      veyrdale::BattleObject* got = nullptr;
      EXPECT_EQ(MissesOf([&] { got = p.at(i); }), 0) << p.pool << " " << i;
      EXPECT_EQ(got, p.first + i) << p.pool << " " << i;
    }
    for (int i : {-1, p.count + 1, INT_MIN, INT_MAX}) {
      veyrdale::BattleObject* got = p.first;
      EXPECT_EQ(MissesOf([&] { got = p.at(i); }), 1) << p.pool << " " << i;
      EXPECT_EQ(got, nullptr) << p.pool << " " << i;
    }
  }
}

TEST(Accessors, PlayerFourIsNobodyNotAMiss) {
  veyrdale::BattleObject* got = veyrdale::g_players;
  EXPECT_EQ(MissesOf([&] { got = veyrdale::PlayerOrNull(4); }), 0);
  EXPECT_EQ(got, nullptr);
  // The shot pool has a slot 4, and a miss is only past its end.
  EXPECT_EQ(MissesOf([&] { got = veyrdale::ShotAt(512); }), 1);
}

TEST(Accessors, ShotSlotFromTheAddress) {
  veyrdale::BattleObject local{};
  const auto* bytes = reinterpret_cast<const unsigned char*>(&veyrdale::g_shots[3]);
  struct Case {
    const veyrdale::BattleObject* record;
    int want;
  } cases[] = {
      {&veyrdale::g_shots[0], 0},
      {&veyrdale::g_shots[511], 511},
      {veyrdale::g_shots + 512, -1},
      {&veyrdale::g_players[0], -1},
      {&veyrdale::g_familiars[5], -1},
      {&local, -1},
      {nullptr, -1},
      {reinterpret_cast<const veyrdale::BattleObject*>(bytes + 4), -1},
  };
  for (const Case& c : cases) {
    int got = 0;
    EXPECT_EQ(MissesOf([&] { got = veyrdale::ShotSlotOf(c.record); }), 0);
    EXPECT_EQ(got, c.want) << c.want;
  }
}

TEST(Accessors, CellsOutsideTheStorage) {
  for (int i = 0; i < veyrdale::kMapCells; ++i) veyrdale::g_arenaMap.cells[i] = i + 1;
  struct Case {
    int c, r, index;
  } cases[] = {{0, 0, 0},   {19, 0, 19}, {0, 1, 20},  {19, 24, 499},   {20, 0, -1},
               {0, 25, -1}, {-1, 0, -1}, {0, -1, -1}, {INT_MAX, 0, -1}};
  for (const Case& c : cases) {
    int miss = c.index < 0 ? 1 : 0;
    int index = 0;
    EXPECT_EQ(MissesOf([&] { index = veyrdale::CellIndex(c.c, c.r); }), miss);
    EXPECT_EQ(index, c.index) << c.c << "," << c.r;
    int32_t value = -1;
    EXPECT_EQ(MissesOf([&] { value = veyrdale::CellValue(c.c, c.r); }), miss);
    EXPECT_EQ(value, c.index < 0 ? 0 : c.index + 1) << c.c << "," << c.r;
    EXPECT_EQ(MissesOf([&] { veyrdale::SetCell(c.c, c.r, -7); }), miss);
  }
  // Only the cells inside were written; (20, 0) did not reach (0, 1).
  for (int i = 0; i < veyrdale::kMapCells; ++i) {
    bool written = i == 0 || i == 19 || i == 20 || i == 499;
    ASSERT_EQ(veyrdale::g_arenaMap.cells[i], written ? -7 : i + 1) << i;
  }
}

TEST(Accessors, MoveRows) {
  for (int i = 0; i < veyrdale::kMoveRowCount; ++i) veyrdale::MoveTable[i].damage = 100 + i;
  struct Case {
    int owner, move;
    int row;  // -1: the shared zero row
  } cases[] = {
      {0, 0, 0},  {0, 1, 1},  {1, 0, 16},  {0, 16, 16},  {3, 16, 64}, {4, 1, 65},       {4, 16, 80},
      {5, 1, -1}, {5, 0, -1}, {0, 17, -1}, {-1, 16, -1}, {4, -1, -1}, {INT_MAX, 0, -1},
  };
  for (const Case& c : cases) {
    const veyrdale::MoveTableEntry* row = nullptr;
    EXPECT_EQ(MissesOf([&] { row = &veyrdale::MoveRow(c.owner, c.move); }), c.row < 0 ? 1 : 0);
    if (c.row >= 0) {
      EXPECT_EQ(row, &veyrdale::MoveTable[c.row]) << c.owner << "/" << c.move;
    } else {
      veyrdale::MoveTableEntry zero{};
      EXPECT_EQ(std::memcmp(row, &zero, sizeof zero), 0) << c.owner << "/" << c.move;
      EXPECT_NE(row, &veyrdale::MoveTable[80]);
    }
  }
}

TEST(Accessors, CharacterCodes) {
  struct Case {
    int id;
    const char* code;
    int miss;
  } cases[] = {{0, "qz", 0}, {4, "qw", 0}, {9, "jx", 0}, {15, "qk", 0}, {16, "", 1}, {-1, "", 1}};
  for (const Case& c : cases) {
    const char* got = nullptr;
    EXPECT_EQ(MissesOf([&] { got = veyrdale::CharacterCodeOf(c.id); }), c.miss);
    EXPECT_STREQ(got, c.code) << c.id;
  }
}

}  // namespace
