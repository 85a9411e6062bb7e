// Which cell of a player's character sheet the battle draw shows, and the tints left for the
// caller's next draw. Where a cell goes with a motion (turns, jumps, glides, aims, spins, lifts,
// jitter, the dash of character 8, the swing's shakes), the selection applies the battle's rule of
// motion on drawn frames (DrawnFrame, game/battle/drawn_frame.h) to the record passed in and to
// the owner's copy in g_drawnFrame, for the battle to carry out after the draw. SelectCharaFrame
// (declared in view.h) switches on the record's character to one SelectFrameCharaN per sheet
// layout; this header holds what those share.
//
// A sheet's first eight rows face the eight heading rows (row r holds headings 32r to 32r + 31, W
// cells wide); cells from 8W on face no direction. Every answer is a cell number: 39 is the
// fallback of a state or pose that a character does not draw, 999 or more hides the player. The
// answer is not range-checked here: the drawers check it against the sheet.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <limits>

#include "game/core/records.h"

namespace veyrdale {

// Characters 0, 4 and 10 take the caller's suppressTurn (1 while a companion is drawn with its
// owner's own copy in g_drawnFrame, so that the owner turns once a frame); the others turn
// regardless.
int SelectFrameChara0(BattleObject* player, int suppressTurn);
int SelectFrameChara1(BattleObject* player);
int SelectFrameChara2(BattleObject* player);
int SelectFrameChara3(BattleObject* player);
int SelectFrameChara4(BattleObject* player, int suppressTurn);
int SelectFrameChara5(BattleObject* player);
int SelectFrameChara6(BattleObject* player);
int SelectFrameChara7(BattleObject* player);
int SelectFrameChara8(BattleObject* player);
int SelectFrameChara9(BattleObject* player);
int SelectFrameChara10(BattleObject* player, int suppressTurn);
int SelectFrameChara11(BattleObject* player);
int SelectFrameChara12(BattleObject* player);
int SelectFrameChara13(BattleObject* player);
int SelectFrameChara14(BattleObject* player);
int SelectFrameChara15(BattleObject* player);

namespace charaframe {

// Cells are computed in 64 bits, so that no timer, counter or move length of any value overflows
// on its way to a cell; the answer is then held inside the int range.
using Cell = int64_t;

constexpr int kFallbackCell = 39;
constexpr int kHiddenCell = 999;        // the player is not drawn this frame
constexpr int kSpellFirstFrame = 9999;  // the state timer on a spell card's first frame
constexpr int kCardWaiting = 8888;      // a declaration that has not started yet

// What one selection reads, taken once from the record passed in (a draw-list copy or a real
// player record) and from its owner's arrays, before any side effect.
struct Selection {
  BattleObject* record;       // the record passed in
  const BattleObject* owner;  // the owner's copy in g_drawnFrame, read only
  int p;                      // the owner, 0-3
  int suppressTurn;
  int width;  // W: the cells of one heading row
  int32_t state;
  Cell t;  // state timer
  Cell q;  // recovery counter
  float z, vz;
  int heading;    // h: the heading of the record passed in, 0-255
  int row;        // R: its heading row
  int attackRow;  // the heading row stored when the attack started
  int pose;       // P: the owner's attack pose
  Cell e;         // L - t: frames elapsed in the owner's current move
  int32_t card;   // K: the owner's spell-card choice
  Cell special;   // S: the owner's special-move counter

  // Cell n of the record's heading row, and of the attack heading's row.
  Cell Col(Cell n) const { return n + static_cast<Cell>(row) * width; }
  Cell AttackCol(Cell n) const { return n + static_cast<Cell>(attackRow) * width; }
};

// The states every sheet draws by group: standing (0, 14), walking (1, 15), attacking (2-4 and
// 16-18) and knocked down (11, 13).
bool IsStandState(int32_t state);
bool IsWalkState(int32_t state);
bool IsAttackState(int32_t state);
bool IsKnockDownState(int32_t state);
constexpr float kLowKnockDown = 8.0f;  // z at or below: the player lies or spins

// Runs character `id`'s rule on `player`: the shared start (a state outside 0-18, or an owner who
// is no player, gives 39 and changes nothing), the tints of states 10, 11 and 13, then `rule`,
// whose cell is held inside the int range.
int Select(BattleObject* player, int id, int suppressTurn, Cell (*rule)(Selection&));

// A replacement x→y of a computed cell: values lo..hi become `to`. Lists of them are tried in
// order and the first that matches wins, so 10→0 followed by "below 12→12" leaves 0 as 0.
struct Swap {
  Cell lo, hi, to;
};
constexpr Cell kLowest = std::numeric_limits<Cell>::min();
constexpr Cell kHighest = std::numeric_limits<Cell>::max();
constexpr Swap Is(Cell x, Cell to) {
  return {x, x, to};
}
constexpr Swap Above(Cell x, Cell to) {
  return {x + 1, kHighest, to};
}
constexpr Swap AtLeast(Cell x, Cell to) {
  return {x, kHighest, to};
}
constexpr Swap Below(Cell x, Cell to) {
  return {kLowest, x - 1, to};
}
constexpr Swap Between(Cell lo, Cell hi, Cell to) {
  return {lo, hi, to};
}
Cell Remap(Cell c, std::initializer_list<Swap> swaps);
Cell Clamp(Cell v, Cell lo, Cell hi);

// The walk cycles: 4-step(n) shows columns 0, 1, 2, 1 as (t/n)%4 runs 0-3 (a negative step, from
// a negative timer, is taken four steps on, so that the cycle never leaves its table); 4-step-b(n)
// shows 0, 1, 0, 2.
Cell WalkColumn(Cell t, Cell n);
Cell WalkColumnB(Cell t, Cell n);
// Four cells of a cycle by (v/n)%4, with the same rule for a negative step.
Cell CycleOf4(const Cell (&cells)[4], Cell v, Cell n);

// Cell shapes that many sheets share, each in the record's heading row.
// Hit-stun: two cells from `first`, the second in the stun's last eight frames.
Cell HitStun(const Selection& s, Cell first);
// Lying after a knock-back: the cycle of `count` cells from `first` by the recovery counter.
Cell Lying(const Selection& s, Cell div, Cell count, Cell first);
// Knocked back above z 8: the cells of the fall by (64 - t)/div + base with the sheet's
// replacements; before the fall (t above 64) the first cell `early`.
Cell KnockBackFall(const Selection& s, Cell div, Cell base, std::initializer_list<Swap> swaps,
                   Cell early);

// Whether the owner holds any of the four directions.
bool DirectionHeld(const Selection& s);

// A turn: only while the owner is free and unheld (DrawnFrame::FreeAndUnheld) and the caller does
// not suppress it.
bool MayTurn(const Selection& s);
// The cell of the jumping pose (characters 0 and 10, attack pose 2), chosen before the jump
// (DrawnFrame::Jump) moves the owner: 16 while the record rises, `falling` while it comes down,
// `ground` on the ground.
Cell JumpPose(Selection& s, Cell falling, Cell ground);
// Spin (DrawnFrame::Spin) of the record passed in; the selection's heading row becomes the new
// heading's.
void SpinStep(Selection& s);

}  // namespace charaframe
}  // namespace veyrdale
