#include "game/core/records.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

namespace {

using namespace veyrdale;

struct Region {
  const char* name;
  void* address;
  size_t size;
  bool cleared;  // by ClearRoundPools
};

// Every pool, side table and per-player array, and whether the round-wide clear empties it.
const Region kRegions[] = {
    {"shots", g_shots, sizeof g_shots, true},
    {"familiars", g_familiars, sizeof g_familiars, true},
    {"items", g_items, sizeof g_items, true},
    {"item flags", g_itemFlags, sizeof g_itemFlags, true},
    {"effects", g_effects, sizeof g_effects, true},
    {"effect flags", g_effectInUse, sizeof g_effectInUse, true},
    {"second effects", g_secondEffects, sizeof g_secondEffects, true},
    {"ground marks", g_groundMarks, sizeof g_groundMarks, true},
    {"cell states", g_arenaMap.cellState, sizeof g_arenaMap.cellState, true},
    {"open timers", g_arenaMap.openTimer, sizeof g_arenaMap.openTimer, true},
    {"players", g_players, sizeof g_players, false},
    {"companions", g_companions, sizeof g_companions, false},
    {"shot damage", g_shotDamage, sizeof g_shotDamage, false},
    {"hit flags", ShotHitFlags, sizeof ShotHitFlags, false},
    {"marker points", g_markerPoints, sizeof g_markerPoints, false},
    {"sparks", g_knockOutSparks, sizeof g_knockOutSparks, false},
    {"move table", MoveTable, sizeof MoveTable, false},
    {"cells", g_arenaMap.cells, sizeof g_arenaMap.cells, false},
    {"player state", &g_playerState, sizeof g_playerState, false},
    {"round frame", &RoundFrame, sizeof RoundFrame, false},
};

bool AllBytes(const void* address, size_t size, unsigned char value) {
  const auto* bytes = static_cast<const unsigned char*>(address);
  for (size_t i = 0; i < size; ++i) {
    if (bytes[i] != value) return false;
  }
  return true;
}

// What the program's start leaves in the pools can only be seen in a process where no case has
// written them yet: the threadsafe style starts this binary afresh for the check, whatever ran
// before it here. The child names each region that is not zero.
TEST(RoundPoolsDeathTest, ZeroAtProgramStart) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        bool zero = true;
        for (const Region& r : kRegions) {
          if (AllBytes(r.address, r.size, 0)) continue;
          std::fprintf(stderr, "%s not zero\n", r.name);
          zero = false;
        }
        std::_Exit(zero ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(RoundPools, ClearEmptiesExactlyItsPools) {
  for (const Region& r : kRegions) std::memset(r.address, 0x5A, r.size);
  ClearRoundPools();
  for (const Region& r : kRegions) {
    EXPECT_TRUE(AllBytes(r.address, r.size, r.cleared ? 0 : 0x5A)) << r.name;
  }
}

TEST(RoundPools, ClearKeepsTheMatchTotals) {
  for (int p = 0; p < kPlayerCount; ++p) {
    g_playerState.score[p] = 1000 + p;
    g_playerState.wins[p] = p;
    g_playerState.currentMove[p] = static_cast<int16_t>(3 + p);
    g_playerState.poseClass[p] = static_cast<uint16_t>(p);
    g_playerState.cardUsed[p] = 1;
  }
  ClearRoundPools();
  for (int p = 0; p < kPlayerCount; ++p) {
    EXPECT_EQ(g_playerState.score[p], 1000 + p);
    EXPECT_EQ(g_playerState.wins[p], p);
    EXPECT_EQ(g_playerState.currentMove[p], 3 + p);
    EXPECT_EQ(g_playerState.poseClass[p], p);
    EXPECT_EQ(g_playerState.cardUsed[p], 1);
  }
}

TEST(RoundPools, CharacterCodesInIndexOrder) {
  const char* want = "qzqjqxqvqwzjzxzvzwjxjvjwxwxvzkqk";
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(std::string(CharacterCode[i]), std::string(want + 2 * i, 2)) << i;
  }
}

}  // namespace
