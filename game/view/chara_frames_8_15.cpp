// The sheet rules of characters 8 to 15: per state (and in attacks per pose, in spell cards per
// card) the cell a player is drawn with, and the side effects some of them carry.
#include <algorithm>
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/drawn_frame.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/view/chara_frame.h"
#include "game/view/view.h"

namespace veyrdale {

namespace {

using namespace charaframe;

// The first cells of a walk, a step or a guard: from `v`/6, the first of them the standing cell.
Cell StepOff(Cell v) {
  return Remap(v / 6 + 2, {Is(2, 0), Above(4, 4)});
}

// A thrust that holds its last cells: 0, 11, then 12-14 by thirds of the move.
Cell Thrust(Cell e) {
  return Remap(e / 3 + 5, {Is(5, 0), Is(6, 11), Below(13, 12), Above(14, 14)});
}

// An attack pose whose cells run by thirds of the move from `base`, held inside lo-hi.
struct PoseRun {
  Cell base, lo, hi;
};
Cell Run(const Selection& s, const PoseRun& run) {
  return s.Col(Clamp(s.e / 3 + run.base, run.lo, run.hi));
}
// The same after three frames of the standing cell.
Cell OpenThenRun(const Selection& s, const PoseRun& run) {
  return s.e / 3 == 0 ? s.Col(0) : Run(s, run);
}

// ----- Character 8 -----

// Cells 17-18 rising from `from` down by thirds, and the return to 15-18 by quarters.
Cell Chara8Rise(const Selection& s, Cell from) {
  return s.Col(std::min<Cell>((from - s.t) / 3 + 17, 18));
}
Cell Chara8Settle(const Selection& s, Cell from) {
  return s.Col(Remap(18 - (from - s.t) / 4, {Below(16, 15)}));
}

// The cells 256-263 that face the heading row, row 7 first.
Cell Chara8Facing(const Selection& s) {
  return Remap(s.row + 257, {Is(264, 256)});
}

Cell Chara8Glide(const Selection& s) {
  const Cell t = s.t;
  Cell c;
  if (t > 40) {
    c = s.Col(std::min<Cell>(s.e / 7 + 15, 16));
  } else if (t >= 24) {
    c = Chara8Rise(s, 40);
  } else {
    c = Chara8Settle(s, 24);
  }
  g_drawnFrame.Glide(s.p, s.heading, s.z);
  return c;
}

// Pose 3 is a dash: in its middle frames the sheet turns through sixteen headings, two cells for
// each odd sixteenth of a turn (cells 240-255), and faces the row on the even ones.
Cell Chara8DashCell(const Selection& s) {
  const Cell t = s.t;
  if (t > 80) return s.Col(0);
  if (t >= 53) return Chara8Rise(s, 80);
  if (t < 42) return Chara8Settle(s, 42);
  const int sixteenth = s.heading / 16;
  if (sixteenth % 2 == 0) return Chara8Rise(s, 52);
  const Cell d = std::min<Cell>((52 - t) / 3, 1);
  if (sixteenth >= 5 && sixteenth <= 13) return d + sixteenth + 235;
  if (sixteenth == 15) return d + 250;
  return d + sixteenth + 251;
}

Cell Chara8Attack(Selection& s) {
  switch (s.pose) {
    case 0:
      return s.Col(Remap(s.e / 3 + 5, {Is(5, 0), Is(6, 7), Is(7, 8), Above(10, 10)}));
    case 1:
      return s.Col(Thrust(s.e));
    case 2:
      return Chara8Glide(s);
    case 3: {
      const Cell c = Chara8DashCell(s);
      g_drawnFrame.Dash(s.p, s.t, s.heading, *s.record);
      return c;
    }
    default:
      return kFallbackCell;
  }
}

Cell Chara8Card(const Selection& s) {
  const Cell t = s.t;
  if (s.card == 1) {
    if (t == kSpellFirstFrame || t < 31) return s.Col(8);
    if (t <= 250) return 29;
    Cell v;
    if (t > 302) {
      v = (350 - t) / 6;
    } else if (t >= 271) {
      v = (302 - t) / 4;
    } else {
      v = (270 - t) / 2;
    }
    return 256 + v % 8;
  }
  if (t == kSpellFirstFrame) return s.Col(0);
  if (t >= 247) return Chara8Facing(s);
  if (t >= 243) return 264;
  if (t >= 240) return 265;
  if (t < 60) return std::max<Cell>(264 - (60 - t) / 8, 263);
  return Remap((t / 4) % 4 + 265, {Is(267, 265), Is(268, 267)});
}

Cell Chara8(Selection& s) {
  const Cell t = s.t;
  if (IsStandState(s.state)) return s.Col(WalkColumnB(t, 6));
  if (IsWalkState(s.state)) return s.Col(StepOff(t));
  if (IsAttackState(s.state)) return Chara8Attack(s);
  switch (s.state) {
    case kStateDash:
      if (t >= 45) return s.Col(17);
      if (t >= 31) return 269;
      return Chara8Settle(s, 31);
    case kStateSpecialMove:
      return s.special < 8000 ? s.Col(16) : Chara8Facing(s);
    case kStateSpellCard:
      return Chara8Card(s);
    case kStateHitStun:
      return HitStun(s, 19);
    case kStateKnockBack:
    case kStateKnockedOut:
      if (s.z <= kLowKnockDown) return Lying(s, 6, 5, 22);
      return KnockBackFall(s, 5, 27, {Above(28, 28)}, 28);
    default:
      return kFallbackCell;
  }
}

// ----- Character 9 -----

// The dash vanishes in its middle: cells past 16 become hidden (in the row, still 999 or more).
Cell Chara9Dash(const Selection& s) {
  const Cell t = s.t;
  if (t < 36) return s.Col(Remap(15 - (36 - t) / 3, {Above(13, 13), Below(11, 0)}));
  return s.Col(Remap((80 - t) / 3 + 11, {Above(16, kHiddenCell)}));
}

Cell Chara9Special(const Selection& s) {
  const Cell t = s.t;
  const Cell level = s.special;
  if (level >= 8000) return std::min<Cell>(t / 8 + 32, 35);
  if (level >= 6666) {
    g_drawnFrame.Jitter(*s.record);
    return 6;
  }
  if (level >= 5000) return std::min<Cell>(t / 6 + 240, 249);
  if (level < 25) return s.Col(Remap(level / 4 + 4, {Is(4, 0), Above(7, 7)}));
  if (!DirectionHeld(s)) return s.Col(WalkColumn(level, 8));
  return s.Col(std::min<Cell>(level / 8 + 3, 4));
}

// Both cards vanish for long stretches; the first blinks in 40-frame spans before it ends.
Cell Chara9Card(const Selection& s) {
  const Cell t = s.t;
  if (s.card != 0) {
    if (t == kSpellFirstFrame) return s.Col(0);
    if (t > 584) return std::min<Cell>((644 - t) / 6 + 240, 249);
    if (t >= 49) return kHiddenCell;
    return std::min<Cell>(t / 5 + 240, 249);
  }
  if (t == kSpellFirstFrame) return 249;
  if (t > 280) return kHiddenCell;
  if (t > 240) return 249;
  if (t > 200) return kHiddenCell;
  if (t > 160) return 249;
  if (t > 120) return kHiddenCell;
  if (t > 80) return 249;
  return std::min<Cell>(t / 6 + 240, 249);
}

Cell Chara9KnockDown(const Selection& s) {
  const Cell t = s.t;
  if (s.z <= kLowKnockDown) return Lying(s, 8, 5, 17);
  const Cell c = (64 - t) / 3 + 21;
  if (c < 30) return s.Col(t > 64 ? 23 : c);
  if (t < 24) return s.Col(Remap(16 - (24 - t) / 3, {Below(11, 0)}));
  return kHiddenCell;
}

Cell Chara9(Selection& s) {
  const Cell t = s.t;
  if (IsStandState(s.state)) return s.Col(WalkColumn(t, 8));
  if (IsWalkState(s.state)) return s.Col(std::min<Cell>(t / 8 + 3, 4));
  if (IsAttackState(s.state)) {
    if (s.pose == 0) return s.Col(3);
    if (s.pose == 1) return s.Col(Remap(s.e / 4 + 4, {Is(4, 0), Above(7, 7)}));
    return s.Col(kFallbackCell);
  }
  switch (s.state) {
    case kStateDash:
      return Chara9Dash(s);
    case kStateSpecialMove:
      return Chara9Special(s);
    case kStateSpellCard:
      return Chara9Card(s);
    case kStateHitStun:
      return HitStun(s, 8);
    case kStateKnockBack:
    case kStateKnockedOut:
      return Chara9KnockDown(s);
    default:
      return kFallbackCell;
  }
}

// ----- Character 10 -----

// Pose 1 is a swing: the screen shakes as it lands (t 51 and 50), and past its last cell the owner
// turns with it.
Cell Chara10Swing(const Selection& s) {
  const Cell t = s.t;
  g_drawnFrame.SwingShake(t);
  const Cell c = s.e / 4 + 13;
  if (c > 20 && t >= 16 && MayTurn(s)) g_drawnFrame.Turn(s.p, +1);
  return s.Col(Remap(c, {Is(13, 0), Is(14, 16), Between(15, 16, 17), Above(20, 20)}));
}

Cell Chara10Attack(Selection& s) {
  const Cell t = s.t;
  switch (s.pose) {
    case 0:
      return s.Col(t > 40 ? 8 : (t / 4) % 2 + 9);
    case 1:
      return Chara10Swing(s);
    case 2:
      return JumpPose(s, std::min<Cell>((60 - t) / 4 + 17, 18), 13);
    case 3:
      if (t < 35) return s.Col(std::min<Cell>(s.e / 4 + 10, 12));
      return s.Col(Remap(s.e / 4 + 7, {Is(7, 0), Above(10, 9)}));
    default:
      return s.Col(kFallbackCell);
  }
}

Cell Chara10Card(const Selection& s) {
  const Cell t = s.t;
  if (s.card == 1) {
    if (t == kSpellFirstFrame || t >= 142) return s.Col(36);
    return s.Col(t >= 136 ? 37 : 38);
  }
  if (t == kSpellFirstFrame) return s.Col(8);
  return s.Col((t / 4) % 2 + 9);
}

Cell Chara10(Selection& s) {
  const Cell t = s.t;
  if (IsStandState(s.state)) return s.Col(WalkColumn(t, 8));
  if (IsWalkState(s.state)) return s.Col(StepOff(t));
  if (IsAttackState(s.state)) return Chara10Attack(s);
  switch (s.state) {
    case kStateDashSpin:
      return s.Col(Remap(t / 4 + 4, {Is(4, 0), Above(6, 6)}));
    case kStateGuardStance:
      return s.Col(std::min<Cell>(t / 4 + 5, 7));
    case kStateSpecialMove:
      if (!DirectionHeld(s)) return s.Col(WalkColumn(s.special, 8));
      return s.Col(StepOff(s.special));
    case kStateSpellCard:
      return Chara10Card(s);
    case kStateHitStun:
      return s.Col((16 - t) / 5 + 21);
    case kStateKnockBack:
    case kStateKnockedOut:
      if (s.z <= kLowKnockDown) return Lying(s, 16, 4, 24);
      return s.Col(t < 9 ? (8 - t) / 4 + 28 : 26);
    default:
      return kFallbackCell;
  }
}

// ----- Character 11 -----

Cell Chara11Attack(const Selection& s) {
  const Cell t = s.t;
  switch (s.pose) {
    case 0:
      return s.Col(Remap(s.e / 3 + 4, {Is(4, 5), Above(8, 8)}));
    case 1:
      return s.Col(Remap(s.e / 3 + 1, {Below(5, 0), Above(7, 7)}));
    case 2: {
      // The move's second phase, its last `timing` frames, has cells of its own.
      const Cell second = MoveRow(s.p, g_playerState.currentMove[s.p]).timing;
      if (t <= second) return s.Col(Remap((second - t) / 6 + 12, {Above(13, 12)}));
      return s.Col(std::min<Cell>(s.e / 3 + 9, 12));
    }
    case 3:
      return s.Col(Thrust(s.e));
    default:
      return kFallbackCell;
  }
}

Cell Chara11Special(const Selection& s) {
  const Cell t = s.t;
  if (s.special < 5000) {
    if (t < 36) return s.Col(0);
    return s.Col(std::min<Cell>((t - 48) / 12 + 26, 29));
  }
  if (t < 16) return s.Col(0);
  if (t >= 72) return s.Col(Remap((t - 72) / 6 + 21, {Is(21, 0), Above(23, 23)}));
  return s.Col(std::min<Cell>((t - 16) / 6 + 26, 29));
}

Cell Chara11Card(const Selection& s) {
  const Cell t = s.t;
  if (s.card == 0) {
    if (t == kSpellFirstFrame || t > 292) return s.Col(29);
    // Eight cells by the nearest of the eight headings.
    return ((s.heading + 16) / 32) % 8 + 240;
  }
  if (t == kSpellFirstFrame) return s.Col(23);
  if (t < 51) return s.Col(0);
  return s.Col(std::min<Cell>((180 - t) / 6 + 23, 25));
}

Cell Chara11(Selection& s) {
  const Cell t = s.t;
  if (IsStandState(s.state)) return s.Col(WalkColumnB(t, 6));
  if (IsWalkState(s.state)) return s.Col(StepOff(t));
  if (IsAttackState(s.state)) return Chara11Attack(s);
  switch (s.state) {
    case kStateDash:
      if (t > 60) return s.Col(Remap((72 - t) / 4 + 25, {Is(25, 0)}));
      if (t >= 47) return s.AttackCol(6);
      return s.Col(std::min<Cell>((46 - t) / 6 + 3, 4));
    case kStateSpecialMove:
      return Chara11Special(s);
    case kStateSpellCard:
      return Chara11Card(s);
    case kStateHitStun:
      return HitStun(s, 14);
    case kStateKnockBack:
    case kStateKnockedOut:
      if (s.z <= kLowKnockDown) return Lying(s, 6, 5, 15);
      return s.Col(21);
    default:
      return kFallbackCell;
  }
}

// ----- Character 12 -----

// Poses 0 and 1 end on two cells that alternate every second frame.
Cell Chara12Flicker(Cell t) {
  return (t / 2) % 2 + 15;
}

Cell Chara12Attack(const Selection& s) {
  const Cell t = s.t;
  Cell c;
  switch (s.pose) {
    case 0:
      c = s.e / 3 + 10;
      if (c >= 16) c = Chara12Flicker(t);
      return s.Col(c);
    case 1:
      c = s.e / 3 + 8;
      if (c < 11) {
        c += 2;
      } else if (c <= 15) {
        c = 13;
      } else {
        c -= 2;
        if (c >= 16) c = Chara12Flicker(t);
      }
      return s.Col(c);
    case 2:
      c = s.e / 4 + 15;
      if (c < 19) c += 2;
      c = Remap(c, {Is(19, 20), Above(22, 22)});
      break;
    case 3:
      c = s.e / 4 + 12;
      if (c < 16) {
        c = std::min<Cell>(c + 5, 22);
      } else {
        c = Remap(c, {Between(16, 19, 20), Above(22, 22)});
      }
      break;
    default:
      return s.Col(kFallbackCell);
  }
  // Poses 2 and 3 end on the same cell.
  return s.Col(t < 6 ? 23 : c);
}

// The strong specials, cells 33-39 (and 49) of the row.
Cell Chara12Strong(const Selection& s) {
  const Cell t = s.t;
  if (t < 32) return s.Col(33);
  if (t >= 90) return s.Col(std::max<Cell>(39 - (t - 90) / 3, 33));
  return s.Col(Remap((t - 32) / 3 + 34, {Above(39, 49)}));
}

// Cells from 500 on are those of the second sheet.
constexpr Cell kSecondSheet = 500;

Cell Chara12Special(const Selection& s) {
  const Cell t = s.t;
  if (s.special >= 8000) return Chara12Strong(s);
  if (s.special >= 5000) {
    if (t >= 108) return kSecondSheet + std::min<Cell>((t - 108) / 4 + 30, 32);
    return Chara12Strong(s);
  }
  if (t < 56) return s.Col(24);
  if (t < 84) return s.Col(t / 4 + 26);
  if (t >= 204) return std::min<Cell>((t - 204) / 4 + 508, 510);
  if (t >= 138) return std::min<Cell>((t - 128) / 5 + 498, 507);
  return kSecondSheet;
}

Cell Chara12FirstCard(const Selection& s) {
  const Cell t = s.t;
  if (t == kSpellFirstFrame) return 510;
  if (t > 640) return std::min<Cell>((666 - t) / 4 + 510, 513);
  if (t > 500) return 514;
  if (s.z < 0.0f) {
    // The height in whole steps of 90 pixels (the factor is a little under 1/90), compared as a
    // whole number: as a real, "exactly 1" would almost never hold.
    const int32_t w = TruncToInt(s.z * -0.011111111);
    if (w >= 2) return 515;
    return w == 1 ? 516 : 517;
  }
  if (t < 81) return std::min<Cell>((80 - t) / 6 + 521, 528);
  return std::min<Cell>((140 - t) / 6 + 518, 520);
}

Cell Chara12SecondCard(const Selection& s) {
  const Cell t = s.t;
  if (t == kSpellFirstFrame || t >= 291) return 532;
  if (t >= 231) return kSecondSheet + std::min<Cell>((290 - t) / 3 + 32, 36);
  if (t >= 151) return kSecondSheet + std::min<Cell>((230 - t) / 4 + 36, 41);
  if (t >= 101) return kSecondSheet + std::min<Cell>((150 - t) / 4 + 41, 43);
  if (t >= 31) return kSecondSheet + std::min<Cell>((100 - t) / 3 + 43, 48);
  return s.Col(std::max<Cell>(39 - (30 - t) / 3, 33));
}

Cell Chara12KnockDown(Selection& s) {
  if (s.z <= kLowKnockDown) return s.Col(Remap(s.q / 2 + 18, {Below(24, 24), Above(30, 31)}));
  DrawnFrame::Lift(*s.record);
  return KnockBackFall(
      s, 4, 22, {Below(32, 31), Is(32, 30), Is(33, 29), Is(34, 28), Is(35, 32), AtLeast(36, 24)},
      31);
}

Cell Chara12(Selection& s) {
  const Cell t = s.t;
  if (IsStandState(s.state)) return s.Col(WalkColumn(t, 8));
  if (IsWalkState(s.state) || s.state == kStateDash) return s.Col(std::min<Cell>(t / 8 + 3, 5));
  if (IsAttackState(s.state)) return Chara12Attack(s);
  switch (s.state) {
    case kStateSpecialMove:
      return Chara12Special(s);
    case kStateSpellCard:
      return s.card == 0 ? Chara12FirstCard(s) : Chara12SecondCard(s);
    case kStateHitStun:
      if (t != 0 && 22 - t > 6) return s.Col((21 - t) % 3 + 7);
      return s.Col(6);
    case kStateKnockBack:
    case kStateKnockedOut:
      return Chara12KnockDown(s);
    default:
      return kFallbackCell;
  }
}

// ----- Character 13 -----

constexpr PoseRun kChara13Poses[4] = {{8, 12, 14}, {9, 15, 17}, {7, 15, 17}, {11, 15, 17}};

// The second card's catch record: 9 while nobody is caught, else the caught player.
constexpr int32_t kNobodyCaught = 9;

Cell Chara13SecondCard(const Selection& s) {
  const Cell t = s.t;
  if (t == kSpellFirstFrame) return s.Col(12);
  if (t >= 525) return s.Col(Clamp((560 - t) / 3 + 12, 12, 14));
  if (g_markerPoints[s.p].player == kNobodyCaught) return s.Col(14);
  if (t >= 380) return 0;
  if (t >= 366) return s.Col(std::max<Cell>(11 - (380 - t) / 3, 8));
  if (t >= 220) return s.Col(8);
  if (t >= 150) return s.Col(25);
  return s.Col(std::min<Cell>((150 - t) / 4 + 25, 28));
}

Cell Chara13Card(const Selection& s) {
  const Cell t = s.t;
  if (s.card != 0) return Chara13SecondCard(s);
  if (t == kSpellFirstFrame) return 240;
  if (t >= 170) return ((360 - t) / 4) % 4 + 241;
  if (t < 130) return ((130 - t) / 4) % 4 + 249;
  return std::min<Cell>((170 - t) / 4 + 244, 248);
}

Cell Chara13(Selection& s) {
  const Cell t = s.t;
  if (IsStandState(s.state)) return s.Col(WalkColumnB(t, 7));
  if (IsWalkState(s.state)) {
    const Cell c = t / 6 + 4;
    if (c <= 5) return s.Col(c);
    return s.Col((t / 4) % 2 == 1 ? 5 : 4);
  }
  if (IsAttackState(s.state)) {
    if (s.pose > 3) return s.Col(kFallbackCell);
    return OpenThenRun(s, kChara13Poses[s.pose]);
  }
  switch (s.state) {
    case kStateDash:
      if (t >= 75) return s.Col(Remap((95 - t) / 4 + 6, {Above(11, 29)}));
      if (t >= 24) return 29;
      return s.Col(std::max<Cell>(11 - (25 - t) / 4, 6));
    case kStateSpecialMove:
      return s.Col(s.special < 5000 && t >= 3 ? 12 : 0);
    case kStateSpellCard:
      return Chara13Card(s);
    case kStateHitStun:
      return HitStun(s, 18);
    case kStateKnockBack:
    case kStateKnockedOut:
      if (s.z <= kLowKnockDown) return s.Col(s.q / 6 + 18);
      return KnockBackFall(s, 5, 22, {Above(24, 24)}, 22);
    default:
      return kFallbackCell;
  }
}

// ----- Character 14 -----

constexpr PoseRun kChara14Poses[5] = {
    {12, 15, 18}, {16, 19, 22}, {7, 15, 17}, {11, 15, 17}, {30, 34, 38}};

// In flight (the dash, and the second card before it strikes) the cells face the heading the
// move started with: 9 in the air, else `ground`.
Cell Chara14Flight(const Selection& s, Cell ground) {
  return s.AttackCol(s.z < 0.0f ? 9 : ground);
}

Cell Chara14Attack(const Selection& s) {
  if (s.pose > 4) return s.Col(kFallbackCell);
  // Pose 0 holds its last cell while the recovery counter runs.
  if (s.pose == 0 && s.q > 0) return s.Col(18);
  return OpenThenRun(s, kChara14Poses[s.pose]);
}

Cell Chara14Card(const Selection& s) {
  const Cell t = s.t;
  if (s.card == 0) return s.Col(33);
  if (t == kSpellFirstFrame) return s.Col(8);
  if (t < 2000) return Chara14Flight(s, std::min<Cell>((60 - t) / 4 + 10, 14));
  if (t >= 2172) return kFallbackCell;
  if (t >= 2111) return Clamp((2172 - t) / 3 + 316, 320, 326);
  return Clamp((2110 - t) / 5 + 322, 326, 329);
}

Cell Chara14(Selection& s) {
  const Cell t = s.t;
  if (IsStandState(s.state)) return s.Col((t / 6) % 6);
  if (IsWalkState(s.state)) return s.Col(std::min<Cell>(t / 6 + 6, 7));
  if (IsAttackState(s.state)) return Chara14Attack(s);
  switch (s.state) {
    case kStateDash:
      if (t < 5) return s.Col(8);
      return Chara14Flight(s, std::min<Cell>((t - 2000) / 4 + 10, 14));
    case kStateSpecialMove:
      if (s.special >= 5000) return s.Col(8);
      return s.Col(Clamp(t / 4 + 22, 30, 33));
    case kStateSpellCard:
      return Chara14Card(s);
    case kStateHitStun:
      return HitStun(s, 23);
    case kStateKnockBack:
    case kStateKnockedOut:
      if (s.z <= kLowKnockDown) {
        SpinStep(s);
        return s.Col(26);
      }
      return KnockBackFall(s, 4, 26, {Above(29, 29)}, 26);
    default:
      return kFallbackCell;
  }
}

// ----- Character 15 -----

constexpr PoseRun kChara15Poses[4] = {{19, 21, 24}, {21, 25, 28}, {15, 21, 24}, {20, 25, 28}};

// The cells 508-515 of the second sheet that face the heading row.
Cell Chara15Facing(const Selection& s) {
  return s.row + 508;
}

// Cells 37-44 by quarters of `v`.
Cell Chara15Gather(const Selection& s, Cell v) {
  return s.Col(Clamp(v / 4 + 36, 37, 44));
}

Cell Chara15Special(const Selection& s) {
  const Cell t = s.t;
  if (s.special >= 8000) return Chara15Gather(s, t);
  if (s.special >= 5000) return t >= 56 ? Chara15Facing(s) : Chara15Gather(s, t);
  if (s.q != 0) return s.Col(std::min<Cell>(s.q / 3 + 25, 28));
  return s.Col(s.special < 4 ? 0 : 25);
}

Cell Chara15Card(const Selection& s) {
  const Cell t = s.t;
  if (s.card != 0) {
    if (t == kSpellFirstFrame || t > 229) return s.Col(0);
    return 500 + std::min<Cell>((229 - t) / 3 + 4, 6);
  }
  if (t == kCardWaiting) return Chara15Facing(s);
  if (t == kSpellFirstFrame) return s.Col(0);
  if (t < 81) return s.Col(std::min<Cell>((80 - t) / 3 + 11, 20));
  if (t >= 500 && t <= 525) return Chara15Gather(s, t - 500);
  return Chara15Facing(s);
}

Cell Chara15(Selection& s) {
  const Cell t = s.t;
  if (IsStandState(s.state)) return s.Col(t == kCardWaiting ? 44 : (t / 6) % 7);
  if (IsWalkState(s.state)) {
    const Cell c = t / 8 + 6;
    if (c == 6) return s.Col(0);
    return s.Col(c > 9 ? (t / 4) % 2 + 9 : c);
  }
  if (IsAttackState(s.state)) {
    if (s.pose > 3) return s.Col(kFallbackCell);
    return Run(s, kChara15Poses[s.pose]);
  }
  switch (s.state) {
    case kStateDash:
      if (t < 16) return s.Col(Remap(t / 4, {Above(1, 21)}));
      return s.Col(Remap((t - 16) / 4 + 14, {Is(14, 15), Above(20, 20)}));
    case kStateSpecialMove:
      return Chara15Special(s);
    case kStateSpellCard:
      return Chara15Card(s);
    case kStateHitStun:
      return s.Col(std::min<Cell>((16 - t) / 4 + 11, 14));
    case kStateKnockBack:
    case kStateKnockedOut:
      if (s.z <= kLowKnockDown) return s.Col(s.q / 6 + 29);
      return KnockBackFall(s, 5, 34, {Above(36, 36)}, 34);
    default:
      return kFallbackCell;
  }
}

}  // namespace

int SelectFrameChara8(BattleObject* player) {
  return Select(player, 8, 0, Chara8);
}
int SelectFrameChara9(BattleObject* player) {
  return Select(player, 9, 0, Chara9);
}
int SelectFrameChara10(BattleObject* player, int suppressTurn) {
  return Select(player, 10, suppressTurn, Chara10);
}
int SelectFrameChara11(BattleObject* player) {
  return Select(player, 11, 0, Chara11);
}
int SelectFrameChara12(BattleObject* player) {
  return Select(player, 12, 0, Chara12);
}
int SelectFrameChara13(BattleObject* player) {
  return Select(player, 13, 0, Chara13);
}
int SelectFrameChara14(BattleObject* player) {
  return Select(player, 14, 0, Chara14);
}
int SelectFrameChara15(BattleObject* player) {
  return Select(player, 15, 0, Chara15);
}

}  // namespace veyrdale
