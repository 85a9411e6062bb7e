// The dashes: the pieces the sixteen characters' dash routines share (the trigger, the terms of
// motion, sounds, effects and shots) and the one way out of walls that the warps end with.
//
// The dash routines themselves (UpdateDashChara0-9 and 11-15) are declared at the end.
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale {

// The box a way out leaves a player in: x 28..612, y 36..440.
constexpr float kWayOutLeft = 28.0f;
constexpr float kWayOutRight = 612.0f;
constexpr float kWayOutTop = 36.0f;
constexpr float kWayOutBottom = 440.0f;
// Draw pairs a way out may spend before it falls back to the nearest free cell.
constexpr int kWayOutMaxDraws = 256;
// A block of cells to fall back to, the player box at (32c + 16, 32r) covering exactly cell
// (c, r).
struct CellSpan {
  int firstColumn, lastColumn, firstRow, lastRow;
};
// The cells a way out falls back to: columns 1-18 and rows 2-13.
constexpr int kWayOutFirstColumn = 1;
constexpr int kWayOutLastColumn = 18;
constexpr int kWayOutFirstRow = 2;
constexpr int kWayOutLastRow = 13;
constexpr CellSpan kWayOutCells{kWayOutFirstColumn, kWayOutLastColumn, kWayOutFirstRow,
                                kWayOutLastRow};

// Moves player p (0-3) out of walls, and with `avoidPlayers` off every other player in play. It
// always ends, inside the box above.
void WayOutOfWalls(BattleObject* player, int p, bool avoidPlayers);

// True when a player box at (x, y) is on no wall and, with `avoidPlayers`, overlaps no player in
// play other than p.
bool WayOutSpotFree(float x, float y, int p, bool avoidPlayers);

// The free spot of the span nearest (fromX, fromY), written to *x and *y; false, leaving them, when
// no cell of the span is free.
bool NearestFreeCell(float fromX, float fromY, int p, bool avoidPlayers, const CellSpan& span,
                     float* x, float* y);

// The terms the dash routines are written in. Each takes the dashing player's record; p is its
// index 0-3, already checked.
namespace dash {

// v along h at s: the velocity of s pixels a frame along heading h.
void Along(BattleObject& player, int h, float s);
// Blend to the velocity of s along heading h at weight w (BlendVelocity with new weight 1).
void BlendAlong(BattleObject& player, int h, float s, int w);
// Slow at w: a blend to a standing velocity.
void Slow(BattleObject& player, int w);
// Both velocity components scaled.
void ScaleVelocity(BattleObject& player, double factor);
// The held heading of player p: with a direction held the heading follows it and the answer is
// true; with none the heading stays and the answer is false (the steering target is then 0).
bool FollowHeld(BattleObject& player, int p);
// Blend toward s along the held heading (toward 0 with nothing held) at w; the heading follows.
void BlendHeld(BattleObject& player, int p, float s, int w);
void Sound(int entry);
void Effect(BattleObject& player, int kind);
// An effect made at a point of the player's, as if the player stood there.
void EffectAt(const BattleObject& player, int p, float x, float y, int kind);
void Shot(BattleObject& player, int p, int move);
// Button 3 (or another input) pressed this frame.
bool Pressed(int input, int p);
// The dash over: state 0, t 0.
void EndDash(BattleObject& player);
// The frame's count of a dash whose t counts down; false once it reached 0 and ended the dash.
bool CountDown(BattleObject& player);
// The frame's common trigger of every routine but character 0's: true when the dash started
// (the cost paid, the start actions run and the state 5); the phases then wait for the next frame.
bool Trigger(BattleObject& player, int p, int character);
// The index of a dash routine's call, counted as a miss when it is no player.
bool ValidDasher(const BattleObject* player, int p);

}  // namespace dash

// What each player's last way out did, for the runner's checks and the tests; not battle state.
struct WayOutNote {
  int64_t count;  // ways out so far
  bool avoidPlayers;
  int drawPairs;  // random pairs drawn, at most kWayOutMaxDraws
  float x, y;     // where it left the player
};
extern WayOutNote g_lastWayOuts[kPlayerCount];

// The dash routines, chosen by the player's character. Characters 0 and 10 share UpdateDashChara0.
void UpdateDashChara0(BattleObject* player, int index);
void UpdateDashChara1(BattleObject* player, int index);
void UpdateDashChara2(BattleObject* player, int index);
void UpdateDashChara3(BattleObject* player, int index);
void UpdateDashChara4(BattleObject* player, int index);
void UpdateDashChara5(BattleObject* player, int index);
void UpdateDashChara6(BattleObject* player, int index);
void UpdateDashChara7(BattleObject* player, int index);
void UpdateDashChara8(BattleObject* player, int index);
void UpdateDashChara9(BattleObject* player, int index);
void UpdateDashChara11(BattleObject* player, int index);
void UpdateDashChara12(BattleObject* player, int index);
void UpdateDashChara13(BattleObject* player, int index);
void UpdateDashChara14(BattleObject* player, int index);
void UpdateDashChara15(BattleObject* player, int index);

}  // namespace veyrdale
