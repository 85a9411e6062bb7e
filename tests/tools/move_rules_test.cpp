// The move blocks' design rules: the built-in blocks keep them, and a copy with one fault gets a
// line naming the row and the fault: a value outside its range, a row beyond the move count, a
// changed row of a given block, an attack that deals too much, a fixed hit class changed.
#include "tools/battle-sim/move_rules.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/flow/move_table.h"

namespace {

using veyrdale::CharacterMoveBlocks;
using veyrdale::MoveTableEntry;

struct Blocks {
  MoveTableEntry rows[17][16];
  Blocks() { std::memcpy(rows, CharacterMoveBlocks, sizeof rows); }
};

TEST(MoveRules, TheBuiltInBlocksKeepEveryRule) {
  const std::vector<std::string> problems = battlesim::FindMoveDataProblems(CharacterMoveBlocks);
  for (const std::string& line : problems) ADD_FAILURE() << line;
  EXPECT_EQ(battlesim::CheckedMoveRows(), 134);
}

TEST(MoveRules, EachFaultIsNamedByItsRow) {
  struct Case {
    const char* name;
    void (*spoil)(MoveTableEntry (&)[17][16]);
    std::string line;
  } cases[] = {
      {"hitRadius above its range", [](auto& b) { b[7][1].hitRadius = 133; },
       "character 7 move 2: hitRadius 133 outside 16-132"},
      {"timing below its range", [](auto& b) { b[12][6].timing = 11; },
       "character 12 move 7: timing 11 outside 12-70"},
      {"a row beyond the move count", [](auto& b) { b[3][6] = b[3][5]; },
       "character 3 move 7: a row beyond the 6 moves"},
      {"character 11 keeps 8 moves", [](auto& b) { b[11][8] = b[11][7]; },
       "character 11 move 9: a row beyond the 8 moves"},
      {"a changed row of character 0", [](auto& b) { b[0][5].stunDamage = 554; },
       "character 0 move 6: changed from the given row 16 12 16 0 0 0 5 160 555 1 32"},
      {"a changed neutral row", [](auto& b) { b[16][10].hitRadius = 57; },
       "neutral move 11: changed from the given row 16 12 0 0 2 1 5 64 99 0 56"},
      {"an attack dealing too much", [](auto& b) { b[13][0].damage = 12; },
       "character 13 move 1: an attack deals 20-80 in all, not 84"},
      {"a fixed hit class", [](auto& b) { b[9][2].hitClass = 0; },
       "character 9 move 3: hitClass must stay 6"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Blocks blocks;
    c.spoil(blocks.rows);
    const std::vector<std::string> problems = battlesim::FindMoveDataProblems(blocks.rows);
    bool found = false;
    for (const std::string& line : problems) found = found || line == c.line;
    EXPECT_TRUE(found) << ::testing::PrintToString(problems);
  }
}

}  // namespace
