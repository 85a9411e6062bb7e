// The characters' move blocks and their installation into the move table.
#include "game/flow/move_table.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/access.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"

namespace {

using namespace veyrdale;

bool IsZero(const MoveTableEntry& row) {
  return row.moveLength == 0 && row.timing == 0 && row.afterDelay == 0 && row.rootFlag == 0 &&
         row.hitClass == 0 && row.hitTag == 0 && row.shotLimit == 0 && row.damage == 0 &&
         row.stunDamage == 0 && row.meterCost == 0 && row.hitRadius == 0;
}

bool Same(const MoveTableEntry& a, const MoveTableEntry& b) {
  return a.moveLength == b.moveLength && a.timing == b.timing && a.afterDelay == b.afterDelay &&
         a.rootFlag == b.rootFlag && a.hitClass == b.hitClass && a.hitTag == b.hitTag &&
         a.shotLimit == b.shotLimit && a.damage == b.damage && a.stunDamage == b.stunDamage &&
         a.meterCost == b.meterCost && a.hitRadius == b.hitRadius;
}

// A row of junk the installation must replace or keep.
MoveTableEntry Junk() {
  return {999, 999, 999, 9, 999, 9, 999, 999, 999, 999, 999};
}

void Prepare(int playerCount, std::initializer_list<int> characters) {
  g_match = MatchSetup{};
  g_match.playerCount = playerCount;
  for (MoveTableEntry& row : MoveTable) row = Junk();
  int p = 0;
  for (int c : characters) g_players[p++].kind = static_cast<uint16_t>(c);
}

TEST(MoveTable, EachBlockHasItsMovesFirstAndZerosAfter) {
  const int counts[17] = {8, 8, 9, 6, 8, 9, 9, 9, 10, 13, 11, 8, 9, 10, 11, 12, 12};
  for (int block = 0; block < 17; ++block) {
    SCOPED_TRACE(block);
    EXPECT_EQ(kBlockMoveCounts[block], counts[block]);
    for (int r = 0; r < 16; ++r) {
      const MoveTableEntry& row = CharacterMoveBlocks[block][r];
      EXPECT_EQ(IsZero(row), r >= counts[block]) << "move " << r + 1;
      if (r < counts[block]) {
        EXPECT_GT(row.moveLength, 0);
        EXPECT_GE(row.moveLength, row.timing) << "a move fires within its length";
        EXPECT_GE(row.shotLimit, 1);
        EXPECT_LE(row.hitClass, 6);
        EXPECT_LE(row.rootFlag, 1);
      }
    }
  }
}

// The blocks of characters 2-15 stay inside the ranges the rows of characters 0 and 1 and the
// neutral block show, field by field.
TEST(MoveTable, OtherCharactersStayInsideTheRangesOfTheGivenRows) {
  auto fields = [](const MoveTableEntry& r) {
    return std::vector<int64_t>{r.moveLength, r.timing,    r.afterDelay, r.rootFlag,
                                r.hitClass,   r.hitTag,    r.shotLimit,  r.damage,
                                r.stunDamage, r.meterCost, r.hitRadius};
  };
  std::vector<int64_t> low(11, INT64_MAX), high(11, INT64_MIN);
  for (int block : {0, 1, 16}) {
    for (int r = 0; r < kBlockMoveCounts[block]; ++r) {
      std::vector<int64_t> f = fields(CharacterMoveBlocks[block][r]);
      for (int i = 0; i < 11; ++i) {
        low[i] = std::min(low[i], f[i]);
        high[i] = std::max(high[i], f[i]);
      }
    }
  }
  for (int block = 2; block < 16; ++block) {
    for (int r = 0; r < kBlockMoveCounts[block]; ++r) {
      std::vector<int64_t> f = fields(CharacterMoveBlocks[block][r]);
      for (int i = 0; i < 11; ++i) {
        EXPECT_GE(f[i], low[i]) << "block " << block << " move " << r + 1 << " field " << i;
        EXPECT_LE(f[i], high[i]) << "block " << block << " move " << r + 1 << " field " << i;
      }
    }
  }
}

TEST(MoveTable, RowsOfCharacters0And1AndTheNeutralBlock) {
  struct Case {
    int block;
    int move;
    MoveTableEntry row;
  } cases[] = {
      {0, 1, {28, 22, 28, 1, 0, 0, 7, 6, 4, 21, 16}},
      {0, 4, {90, 70, 48, 1, 0, 1, 1, 40, 49, 160, 32}},
      {0, 6, {16, 12, 16, 0, 0, 0, 5, 160, 555, 1, 32}},
      {0, 8, {72, 58, 48, 1, 2, 1, 1, 108, 108, 64, 132}},
      {1, 1, {24, 12, 20, 0, 0, 0, 7, 3, 1, 15, 16}},
      {1, 6, {16, 12, 16, 0, 6, 0, 1, 92, 88, 1, 128}},
      {1, 7, {16, 12, 0, 0, 4, 0, 1, 8, 36, 0, 43}},
      {1, 8, {16, 12, 0, 0, 2, 1, 5, 35, 23, 0, 64}},
      {16, 1, {16, 12, 0, 0, 2, 1, 5, 48, 42, 0, 72}},
      {16, 3, {48, 28, 20, 0, 6, 0, 1, 26, 36, 0, 18}},
      {16, 5, {16, 12, 16, 0, 3, 0, 1, 3, 4, 0, 20}},
      {16, 11, {16, 12, 0, 0, 2, 1, 5, 64, 99, 0, 56}},
      {16, 12, {16, 12, 0, 0, 6, 1, 5, 7, 8, 0, 16}},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Same(CharacterMoveBlocks[c.block][c.move - 1], c.row))
        << c.block << " move " << c.move;
  }
}

TEST(MoveTable, TwoPlayersOfCharacter9) {
  Prepare(2, {9, 9, 0, 1});
  InstallMoveTable();
  for (int move = 1; move <= 16; ++move) {
    SCOPED_TRACE(move);
    EXPECT_TRUE(Same(MoveRow(0, move), MoveRow(1, move)));
    if (move <= 13) {
      EXPECT_TRUE(Same(MoveRow(0, move), CharacterMoveBlocks[9][move - 1]));
      EXPECT_FALSE(IsZero(MoveRow(0, move)));
    } else {
      EXPECT_TRUE(IsZero(MoveRow(0, move)));
    }
    // Owners at or above the count keep their rows.
    EXPECT_TRUE(Same(MoveRow(2, move), Junk()));
    EXPECT_TRUE(Same(MoveRow(3, move), Junk())) << "move 16 is row 64, which no block writes";
    EXPECT_TRUE(Same(MoveRow(4, move), CharacterMoveBlocks[16][move - 1]));
  }
  EXPECT_TRUE(Same(MoveTable[0], Junk())) << "row 0 belongs to nobody";
}

TEST(MoveTable, OddCountsAndCharactersStayInside) {
  struct Case {
    const char* name;
    int playerCount;
    int characters[4];
    bool installed[4];
  } cases[] = {
      {"no players", 0, {0, 1, 2, 3}, {false, false, false, false}},
      {"negative count", -3, {0, 1, 2, 3}, {false, false, false, false}},
      {"count past four", 9, {0, 1, 2, 3}, {true, true, true, true}},
      {"character out of range", 3, {0, 16, 65535, 3}, {true, false, false, false}},
      {"four players", 4, {15, 14, 13, 12}, {true, true, true, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Prepare(c.playerCount, {c.characters[0], c.characters[1], c.characters[2], c.characters[3]});
    InstallMoveTable();
    for (int p = 0; p < 4; ++p) {
      // Move 15: never the row another owner's block writes.
      const MoveTableEntry& want =
          c.installed[p] ? CharacterMoveBlocks[c.characters[p]][14] : Junk();
      EXPECT_TRUE(Same(MoveRow(p, 15), want)) << p;
    }
    EXPECT_TRUE(Same(MoveRow(4, 1), CharacterMoveBlocks[16][0]));
  }
}

}  // namespace
