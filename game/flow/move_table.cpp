#include "game/flow/move_table.h"

#include "game/core/match_setup.h"
#include "game/core/records.h"

namespace veyrdale {

namespace {

// Fields in order: moveLength, timing, afterDelay, rootFlag, hitClass, hitTag, shotLimit, damage,
// stunDamage, meterCost, hitRadius.
constexpr MoveTableEntry kZero{};

// The moves of characters 8-15 are shaped like the neutral rows until their launchers are designed
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
    // 2: a fast stream (1), a slow swelling shot (2), a faster stream with recoil (3), a slow
    // overhead shot that bursts as it goes (4); moves 5-9 are its card and special shots.
    {{30, 24, 20, 0, 0, 0, 7, 4, 3, 14, 16},
     {48, 34, 32, 1, 0, 1, 1, 28, 40, 120, 28},
     {40, 30, 28, 1, 0, 0, 6, 5, 4, 20, 18},
     {60, 44, 40, 1, 2, 1, 1, 36, 48, 150, 36},
     {16, 12, 16, 0, 0, 0, 1, 6, 6, 1, 18},
     {16, 12, 16, 0, 3, 1, 1, 20, 24, 1, 24},
     {16, 12, 0, 0, 4, 1, 1, 24, 30, 0, 48},
     {16, 12, 0, 0, 4, 1, 1, 24, 30, 0, 48},
     {16, 12, 16, 0, 2, 0, 1, 6, 8, 1, 24},
     Z,
     Z,
     Z,
     Z,
     Z,
     Z,
     Z},
    // 3: a turning stream that bounces (1), a homing pair (2), offset pairs that bounce (3), a
    // fan (4); 5 the turning pair of its special, 6 a shot falling from above.
    {{30, 24, 20, 0, 1, 0, 7, 5, 3, 16, 16},
     {44, 30, 30, 1, 0, 0, 2, 10, 12, 80, 20},
     {40, 28, 24, 1, 1, 0, 4, 6, 6, 40, 18},
     {56, 40, 40, 1, 0, 0, 1, 12, 16, 150, 20},
     {16, 12, 16, 0, 4, 0, 1, 8, 10, 1, 20},
     {16, 12, 0, 0, 5, 1, 1, 14, 20, 0, 32},
     Z,
     Z,
     Z,
     Z,
     Z,
     Z,
     Z,
     Z,
     Z,
     Z},
    // 4: companion shots (1, 3), cuts (2, 4 and the follow-up 7); 5 the dash cut whose damage
    // grows with speed, 6 and 8 card cuts and shots.
    {{32, 24, 24, 0, 0, 0, 5, 6, 4, 24, 18},
     {36, 24, 28, 1, 0, 0, 1, 26, 36, 110, 30},
     {40, 30, 28, 0, 0, 0, 6, 5, 4, 25, 18},
     {48, 34, 36, 1, 5, 0, 1, 36, 48, 150, 32},
     {16, 12, 16, 0, 6, 0, 1, 40, 60, 1, 40},
     {16, 12, 16, 0, 0, 0, 1, 30, 40, 1, 36},
     {30, 20, 24, 1, 0, 0, 1, 24, 30, 60, 36},
     {16, 12, 16, 0, 0, 0, 1, 20, 24, 1, 24},
     Z,
     Z,
     Z,
     Z,
     Z,
     Z,
     Z,
     Z},
    // 5: a jittered stream (1), a shrinking shot (2), a spray of twelve (3), a large homing shot
    // (4); 5 the charged shot, 6-9 its hops and follow-ups.
    {{30, 24, 20, 0, 0, 0, 7, 5, 3, 16, 16},
     {50, 36, 32, 1, 0, 1, 1, 30, 40, 128, 30},
     {48, 34, 32, 1, 0, 0, 1, 4, 4, 120, 16},
     {70, 50, 40, 1, 6, 1, 1, 40, 49, 160, 36},
     {16, 12, 16, 0, 6, 1, 1, 48, 40, 1, 28},
     {16, 12, 16, 0, 6, 0, 1, 20, 30, 1, 32},
     {16, 12, 0, 0, 0, 1, 1, 30, 30, 0, 40},
     {16, 12, 0, 0, 6, 1, 1, 40, 40, 0, 40},
     {16, 12, 16, 0, 0, 0, 1, 16, 20, 1, 24},
     Z,
     Z,
     Z,
     Z,
     Z,
     Z,
     Z},
    // 6: falling ice in four directions (1), a slow shot (2), ice waves (3), a bouncing shot (4);
    // 5-9 its special and card shots, 8 the wave a wave sends on.
    {{44, 30, 30, 1, 2, 1, 1, 10, 12, 100, 24},
     {40, 28, 28, 1, 0, 0, 2, 14, 16, 60, 22},
     {48, 32, 32, 1, 4, 1, 1, 16, 20, 100, 28},
     {50, 36, 36, 1, 1, 0, 2, 18, 24, 75, 20},
     {16, 12, 16, 0, 6, 0, 1, 8, 10, 1, 18},
     {16, 12, 16, 0, 6, 1, 1, 40, 60, 1, 48},
     {16, 12, 0, 0, 0, 0, 1, 6, 8, 0, 18},
     {16, 12, 0, 0, 4, 1, 1, 12, 16, 0, 40},
     {16, 12, 0, 0, 0, 0, 1, 8, 10, 0, 18},
     Z,
     Z,
     Z,
     Z,
     Z,
     Z,
     Z},
    // 7: a single shot (1), a burst far ahead (2), mirroring pairs (3), a ring of eight (4); 5 the
    // arena-wide burst, 6 a falling shot, 7 its card, 8 and 9 the follow-ups of 4 and 8.
    {{30, 24, 24, 0, 0, 0, 7, 5, 4, 18, 16},
     {50, 36, 32, 1, 2, 1, 1, 30, 40, 128, 48},
     {46, 32, 30, 1, 0, 0, 3, 8, 8, 40, 18},
     {72, 58, 48, 1, 4, 1, 1, 6, 10, 160, 36},
     {16, 12, 16, 0, 6, 1, 1, 40, 60, 1, 96},
     {16, 12, 16, 0, 2, 1, 1, 20, 24, 1, 32},
     {16, 12, 0, 0, 4, 1, 1, 14, 20, 0, 40},
     {16, 12, 0, 0, 0, 1, 1, 6, 8, 0, 24},
     {16, 12, 0, 0, 0, 1, 1, 5, 6, 0, 24},
     Z,
     Z,
     Z,
     Z,
     Z,
     Z,
     Z},
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
