#include "game/flow/move_table.h"

#include "game/core/match_setup.h"
#include "game/core/records.h"

namespace veyrdale {

namespace {

// Fields in order: moveLength, timing, afterDelay, rootFlag, hitClass, hitTag, shotLimit, damage,
// stunDamage, meterCost, hitRadius.
constexpr MoveTableEntry kZero{};

// The moves of characters 2-15 are shaped like the neutral rows until their launchers are designed
// with values of their own.
constexpr MoveTableEntry kPlain{16, 12, 16, 0, 0, 0, 1, 8, 8, 0, 16};

constexpr MoveTableEntry P = kPlain;
constexpr MoveTableEntry Z = kZero;

}  // namespace

const MoveTableEntry CharacterMoveBlocks[17][kMovesPerBlock] = {
    // 0
    {{28, 22, 28, 1, 0, 0, 7, 6, 4, 21, 16},
     {50, 36, 32, 1, 0, 0, 1, 24, 36, 128, 32},
     {50, 30, 24, 1, 0, 0, 1, 8, 7, 96, 16},
     {90, 70, 48, 1, 0, 1, 1, 40, 49, 160, 32},
     {16, 12, 16, 0, 2, 1, 1, 1, 0, 1, 28},
     {16, 12, 16, 0, 0, 0, 5, 160, 555, 1, 32},
     {72, 58, 48, 1, 0, 1, 1, 12, 16, 64, 24},
     {72, 58, 48, 1, 2, 1, 1, 108, 108, 64, 132},
     Z,
     Z,
     Z,
     Z,
     Z,
     Z,
     Z,
     Z},
    // 1
    {{24, 12, 20, 0, 0, 0, 7, 3, 1, 15, 16},
     {32, 18, 32, 1, 0, 0, 3, 10, 16, 60, 24},
     {50, 28, 42, 1, 0, 0, 7, 8, 3, 24, 23},
     {46, 26, 42, 1, 0, 0, 1, 16, 24, 160, 32},
     {16, 12, 16, 0, 0, 1, 5, 8, 1, 1, 42},
     {16, 12, 16, 0, 6, 0, 1, 92, 88, 1, 128},
     {16, 12, 0, 0, 4, 0, 1, 8, 36, 0, 43},
     {16, 12, 0, 0, 2, 1, 5, 35, 23, 0, 64},
     Z,
     Z,
     Z,
     Z,
     Z,
     Z,
     Z,
     Z},
    {P, P, P, P, P, P, P, P, P, Z, Z, Z, Z, Z, Z, Z},  // 2
    {P, P, P, P, P, P, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z},  // 3
    {P, P, P, P, P, P, P, P, Z, Z, Z, Z, Z, Z, Z, Z},  // 4
    {P, P, P, P, P, P, P, P, P, Z, Z, Z, Z, Z, Z, Z},  // 5
    {P, P, P, P, P, P, P, P, P, Z, Z, Z, Z, Z, Z, Z},  // 6
    {P, P, P, P, P, P, P, P, P, Z, Z, Z, Z, Z, Z, Z},  // 7
    {P, P, P, P, P, P, P, P, P, P, Z, Z, Z, Z, Z, Z},  // 8
    {P, P, P, P, P, P, P, P, P, P, P, P, P, Z, Z, Z},  // 9
    {P, P, P, P, P, P, P, P, P, P, P, Z, Z, Z, Z, Z},  // 10
    {P, P, P, P, P, P, P, P, Z, Z, Z, Z, Z, Z, Z, Z},  // 11
    {P, P, P, P, P, P, P, P, P, Z, Z, Z, Z, Z, Z, Z},  // 12
    {P, P, P, P, P, P, P, P, P, P, Z, Z, Z, Z, Z, Z},  // 13
    {P, P, P, P, P, P, P, P, P, P, P, Z, Z, Z, Z, Z},  // 14
    {P, P, P, P, P, P, P, P, P, P, P, P, Z, Z, Z, Z},  // 15
    // neutral
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
     {16, 12, 0, 0, 6, 1, 5, 7, 8, 0, 16},
     Z,
     Z,
     Z,
     Z},
};

const int kBlockMoveCounts[17] = {8, 8, 9, 6, 8, 9, 9, 9, 10, 13, 11, 8, 9, 10, 11, 12, 12};

namespace {

void CopyBlock(int owner, int block) {
  for (int r = 0; r < kMovesPerBlock; ++r)
    MoveTable[owner * 16 + 1 + r] = CharacterMoveBlocks[block][r];
}

}  // namespace

void InstallMoveTable() {
  int count = PlayerCountUpToFour();
  for (int p = 0; p < count; ++p) {
    int id = g_players[p].kind;
    if (id > 15) continue;
    CopyBlock(p, id);
  }
  CopyBlock(kNobody, kNeutralBlock);
}

}  // namespace veyrdale
