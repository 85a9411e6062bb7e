#include "tools/battle-sim/move_rules.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "game/battle/battle.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"

namespace battlesim {

namespace {

using veyrdale::MoveTableEntry;

constexpr int kNeutral = 16;
// Moves 1-n of each block; the rows after them are zero.
constexpr int kMoveCounts[17] = {8, 8, 9, 6, 8, 9, 9, 9, 10, 13, 11, 8, 9, 10, 11, 12, 12};

// The fixed blocks (characters 0 and 1, the neutral block), which no tuning may touch.
constexpr MoveTableEntry kGiven[3][12] = {
    {{28, 22, 28, 1, 0, 0, 7, 6, 4, 21, 16},
     {50, 36, 32, 1, 0, 0, 1, 24, 36, 128, 32},
     {50, 30, 24, 1, 0, 0, 1, 8, 7, 96, 16},
     {90, 70, 48, 1, 0, 1, 1, 40, 49, 160, 32},
     {16, 12, 16, 0, 2, 1, 1, 1, 0, 1, 28},
     {16, 12, 16, 0, 0, 0, 5, 160, 555, 1, 32},
     {72, 58, 48, 1, 0, 1, 1, 12, 16, 64, 24},
     {72, 58, 48, 1, 2, 1, 1, 108, 108, 64, 132}},
    {{24, 12, 20, 0, 0, 0, 7, 3, 1, 15, 16},
     {32, 18, 32, 1, 0, 0, 3, 10, 16, 60, 24},
     {50, 28, 42, 1, 0, 0, 7, 8, 3, 24, 23},
     {46, 26, 42, 1, 0, 0, 1, 16, 24, 160, 32},
     {16, 12, 16, 0, 0, 1, 5, 8, 1, 1, 42},
     {16, 12, 16, 0, 6, 0, 1, 92, 88, 1, 128},
     {16, 12, 0, 0, 4, 0, 1, 8, 36, 0, 43},
     {16, 12, 0, 0, 2, 1, 5, 35, 23, 0, 64}},
    {{16, 12, 0, 0, 2, 1, 5, 48, 42, 0, 72},
     {16, 12, 0, 0, 4, 1, 5, 24, 55, 0, 72},
     {48, 28, 20, 0, 6, 0, 1, 26, 36, 0, 18},
     {42, 26, 28, 0, 6, 0, 1, 8, 12, 0, 30},
     {16, 12, 16, 0, 3, 0, 1, 3, 4, 0, 20},
     {16, 12, 16, 0, 6, 1, 1, 48, 88, 0, 36},
     {16, 12, 0, 0, 6, 1, 5, 8, 4, 0, 16},
     {16, 12, 0, 0, 6, 1, 5, 16, 16, 0, 18},
     {16, 12, 0, 0, 6, 1, 5, 16, 16, 0, 36},
     {16, 12, 0, 0, 6, 1, 5, 48, 66, 0, 22},
     {16, 12, 0, 0, 2, 1, 5, 64, 99, 0, 56},
     {16, 12, 0, 0, 6, 1, 5, 7, 8, 0, 16}},
};

struct Field {
  const char* name;
  int64_t low;
  int64_t high;
};
// In the row's order, with the hard range every row keeps.
constexpr Field kFields[11] = {
    {"moveLength", 16, 90}, {"timing", 12, 70},    {"afterDelay", 0, 48}, {"rootFlag", 0, 1},
    {"hitClass", 0, 6},     {"hitTag", 0, 1},      {"shotLimit", 1, 7},   {"damage", 1, 160},
    {"stunDamage", 0, 555}, {"meterCost", 0, 160}, {"hitRadius", 16, 132}};

std::vector<int64_t> Values(const MoveTableEntry& r) {
  return {r.moveLength, r.timing, r.afterDelay, r.rootFlag,  r.hitClass, r.hitTag,
          r.shotLimit,  r.damage, r.stunDamage, r.meterCost, r.hitRadius};
}

std::string RowText(const MoveTableEntry& r) {
  std::string text;
  for (int64_t v : Values(r)) text += (text.empty() ? "" : " ") + std::to_string(v);
  return text;
}

// The hit classes each character's hit effects answer.
const std::vector<int> kClasses[16] = {
    {0, 2},       {0, 2, 4, 6}, {0, 2, 3, 4},    {0, 1, 4, 5},
    {0, 5, 6},    {0, 6},       {0, 1, 2, 4, 6}, {0, 2, 4, 6},
    {0, 4, 5, 6}, {0, 2, 6},    {0, 2, 3, 4, 6}, {0, 2, 4, 5, 6},
    {0, 2, 5, 6}, {0, 1, 4, 5}, {0, 2, 4, 5, 6}, {0, 2, 4, 5, 6}};

// Hit classes that a character's behaviours rely on: bounce counters, the damage event, the cut-in.
struct FixedClass {
  int character;
  int move;
  int hitClass;
};
constexpr FixedClass kFixedClasses[] = {
    {3, 1, 1}, {3, 3, 1}, {4, 5, 6},  {6, 4, 1},  {5, 4, 6},  {5, 5, 6},  {5, 6, 6},  {5, 8, 6},
    {9, 3, 6}, {9, 6, 6}, {9, 13, 6}, {10, 6, 0}, {13, 3, 1}, {14, 6, 6}, {14, 10, 0}};

// The shots one call of the attack move fires: player 0 plays the character with `block` as its
// move rows, and the launcher says how many shots its volley makes.
int VolleySize(int character, const MoveTableEntry (&block)[16], int move) {
  using namespace veyrdale;
  for (BattleObject& p : g_players) p = BattleObject{};
  for (BattleObject& c : g_companions) c = BattleObject{};
  ClearRoundPools();
  g_playerState = PlayerBattleState{};
  g_match.playerCount = 2;
  g_match.teamMode = 0;
  for (int i = 0; i < 4; ++i) g_match.handicap[i] = 2;
  g_players[0].kind = static_cast<uint16_t>(character);
  g_players[1].kind = static_cast<uint16_t>(character == 1 ? 0 : 1);
  g_players[0].x = 300.0f;
  g_players[0].y = 200.0f;
  for (int r = 0; r < 16; ++r) MoveTable[1 + r] = block[r];
  CreateShot(&g_players[0], static_cast<int16_t>(move), 0);
  return g_playerState.shotsFired[0];
}

class Problems {
 public:
  void Add(int block, int move, const std::string& what) {
    char head[48];
    if (block == kNeutral) {
      std::snprintf(head, sizeof head, "neutral move %d: ", move);
    } else {
      std::snprintf(head, sizeof head, "character %d move %d: ", block, move);
    }
    lines_.push_back(head + what);
  }
  std::vector<std::string> Take() { return std::move(lines_); }

 private:
  std::vector<std::string> lines_;
};

// The rules of one character's attack codes (1-4, and character 4's follow-up 7): they cost
// meter, a full move deals 20-80 in all, at 0.15-0.6 per meter point, and fires within its length.
void CheckAttack(int c, const MoveBlocks& blocks, int move, Problems* problems) {
  const MoveTableEntry& row = blocks[c][move - 1];
  if (row.timing >= row.moveLength) problems->Add(c, move, "an attack fires within its length");
  if (row.meterCost < 1 || row.meterCost * row.shotLimit > 700) {
    problems->Add(
        c, move,
        "an attack costs 1-700 meter in all, not " + std::to_string(row.meterCost * row.shotLimit));
    return;
  }
  const int total = row.damage * VolleySize(c, blocks[c], move) * row.shotLimit;
  const double perMeter = static_cast<double>(total) / (row.meterCost * row.shotLimit);
  if (total < 20 || total > 80) {
    problems->Add(c, move, "an attack deals 20-80 in all, not " + std::to_string(total));
  }
  if (perMeter < 0.15 || perMeter > 0.6) {
    char text[96];
    std::snprintf(text, sizeof text, "an attack deals 0.15-0.6 per meter point, not %.3f",
                  perMeter);
    problems->Add(c, move, text);
  }
}

}  // namespace

int CheckedMoveRows() {
  int rows = 0;
  for (int c = 2; c < 16; ++c) rows += kMoveCounts[c];
  return rows;
}

std::vector<std::string> FindMoveDataProblems(const MoveBlocks& blocks) {
  Problems problems;
  const int givenBlocks[3] = {0, 1, kNeutral};
  for (int g = 0; g < 3; ++g) {
    const int block = givenBlocks[g];
    for (int r = 0; r < kMoveCounts[block]; ++r) {
      if (RowText(blocks[block][r]) != RowText(kGiven[g][r])) {
        problems.Add(block, r + 1, "changed from the given row " + RowText(kGiven[g][r]));
      }
    }
  }
  for (int c = 0; c <= kNeutral; ++c) {
    for (int r = 0; r < 16; ++r) {
      const MoveTableEntry& row = blocks[c][r];
      const std::vector<int64_t> values = Values(row);
      const bool zero = std::all_of(values.begin(), values.end(), [](int64_t v) { return v == 0; });
      if (r >= kMoveCounts[c]) {
        if (!zero) {
          problems.Add(c, r + 1, "a row beyond the " + std::to_string(kMoveCounts[c]) + " moves");
        }
        continue;
      }
      for (int f = 0; f < 11; ++f) {
        if (values[f] < kFields[f].low || values[f] > kFields[f].high) {
          problems.Add(c, r + 1,
                       std::string(kFields[f].name) + " " + std::to_string(values[f]) +
                           " outside " + std::to_string(kFields[f].low) + "-" +
                           std::to_string(kFields[f].high));
        }
      }
      if (row.timing > row.moveLength) problems.Add(c, r + 1, "timing beyond moveLength");
      if (c == kNeutral) continue;
      const std::vector<int>& classes = kClasses[c];
      if (std::find(classes.begin(), classes.end(), row.hitClass) == classes.end()) {
        problems.Add(
            c, r + 1,
            "hitClass " + std::to_string(row.hitClass) + " is none its hit effects answer");
      }
    }
  }
  for (int c = 0; c < 16; ++c) {
    for (int move = 1; move <= 4; ++move) CheckAttack(c, blocks, move, &problems);
  }
  CheckAttack(4, blocks, 7, &problems);

  auto hitClass = [&blocks](int c, int move) { return blocks[c][move - 1].hitClass; };
  for (const FixedClass& f : kFixedClasses) {
    if (hitClass(f.character, f.move) != f.hitClass) {
      problems.Add(f.character, f.move, "hitClass must stay " + std::to_string(f.hitClass));
    }
  }
  if (blocks[4][4].damage > 88) problems.Add(4, 5, "the dash cut deals at most 88 before speed");
  int breaks = 0;
  for (int r = 0; r < 8; ++r) breaks += r != 4 && hitClass(4, r + 1) == 5 ? 1 : 0;
  if (breaks != 1) problems.Add(4, 1, "exactly one of its moves but 5 breaks (class 5)");
  for (int move : {1, 3}) {
    if (hitClass(12, move) == 6) problems.Add(12, move, "hitClass must not be 6");
  }
  for (int move : {5, 6}) {
    if (hitClass(12, move) != 5 && hitClass(12, move) != 6) {
      problems.Add(12, move, "hitClass must be 5 or 6");
    }
  }
  if (blocks[10][6].stunDamage <= 50) {
    problems.Add(10, 7, "stunDamage above 50: its carry starts on a knock-back only");
  }
  // One exempt class 3 for character 10; a break (class 5) for characters 8 and 15.
  for (int c : {8, 10, 15}) {
    int count = 0;
    for (int r = 0; r < kMoveCounts[c]; ++r) count += hitClass(c, r + 1) == (c == 10 ? 3 : 5);
    if (count == 0) problems.Add(c, 1, c == 10 ? "no move of class 3" : "no move of class 5");
  }
  return problems.Take();
}

}  // namespace battlesim
