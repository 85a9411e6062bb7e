// The sheet rules of characters 0 to 7: per state (and in attacks per pose, in spell cards per
// card) the cell a player is drawn with, and the side effects some of them carry.
#include <algorithm>
#include <cstdint>

#include "game/battle/drawn_frame.h"
#include "game/battle/player_control.h"
#include "game/core/records.h"
#include "game/view/chara_frame.h"

namespace veyrdale {

namespace {

using namespace charaframe;

// ----- Character 0 -----

constexpr Cell kChara0Steps[4] = {4, 5, 4, 6};

Cell Chara0Attack(Selection& s) {
  switch (s.pose) {
    case 0:
      return s.Col(std::min<Cell>(s.e / 4 + 11, 13));
    case 1: {
      const Cell c = Clamp(s.e / 3 + 20, 21, 25);
      if (c == 25 && s.t >= 17 && MayTurn(s)) g_drawnFrame.Turn(s.p, +1);
      return s.Col(c);
    }
    case 2:
      return JumpPose(s, std::min<Cell>((70 - s.t) / 4 + 17, 18),
                      std::min<Cell>((54 - s.t) / 4 + 19, 20));
    default:
      return s.Col(kFallbackCell);
  }
}

Cell Chara0Card(const Selection& s) {
  const Cell t = s.t;
  if (s.card == 1) {
    if (t == kSpellFirstFrame) return s.Col(42);
    if (t >= 142) return s.Col((180 - t) / 24 + 42);
    if (t >= 138) return s.Col((141 - t) / 3 + 44);
    return s.Col(46);
  }
  if (t == kSpellFirstFrame) return s.Col(36);
  if (t >= 126) return s.Col((t / 4) % 2 + 37);
  if (t <= 122) return s.Col(std::min<Cell>((122 - t) / 6 + 40, 41));
  return s.Col(39);
}

Cell Chara0(Selection& s) {
  const Cell t = s.t;
  if (IsStandState(s.state)) return s.Col((t / 10) % 3 + 1);
  if (IsWalkState(s.state)) return s.Col(CycleOf4(kChara0Steps, t, 6));
  if (IsAttackState(s.state)) return Chara0Attack(s);
  switch (s.state) {
    case kStateDashSpin:
    case kStateGuardStance:
      return s.Col(std::min<Cell>(t / 4 + 8, 10));
    case kStateSpecialMove:
      if (!DirectionHeld(s)) return s.Col((s.special / 10) % 3 + 1);
      return s.Col(CycleOf4(kChara0Steps, s.special, 6));
    case kStateSpellCard:
      return Chara0Card(s);
    case kStateHitStun:
      return s.Col((16 - t) / 5 + 26);
    case kStateKnockBack:
    case kStateKnockedOut:
      if (s.z <= kLowKnockDown) return Lying(s, 8, 4, 29);
      return KnockBackFall(s, 4, 33, {Is(37, 34), Above(35, 35)}, 33);
    default:
      return kFallbackCell;
  }
}

// ----- Character 1 -----

Cell Chara1Attack(const Selection& s) {
  switch (s.pose) {
    case 0:
      return s.AttackCol(std::min<Cell>(s.e / 3 + 9, 12));
    case 1:
      return s.Col(std::min<Cell>(s.e / 6 + 9, 12));
    case 2:
      return s.Col(Remap(s.e / 7 + 5, {Is(5, 6), Is(6, 7), Above(9, 9)}));
    case 3: {
      Cell c = s.e / 7 + 8;
      if (c <= 9) c += 1;
      return s.Col(std::min<Cell>(c, 12));
    }
    default:
      return kFallbackCell;
  }
}

Cell Chara1Card(const Selection& s) {
  const Cell t = s.t;
  if (s.card == 1) {
    if (t == kSpellFirstFrame) return s.Col(7);
    return s.Col(std::min<Cell>((120 - t) / 7 + 7, 9));
  }
  if (t == kSpellFirstFrame) return s.Col(24);
  if (t >= 220) return s.Col((240 - t) / 7 + 24);
  return s.Col((t / 4) % 5 + 27);
}

// Knocked back or out, as characters 1 and 2 draw it.
Cell Chara1KnockDown(const Selection& s) {
  if (s.z <= kLowKnockDown) return Lying(s, 6, 5, 17);
  return KnockBackFall(s, 5, 22, {Above(23, 22)}, 22);
}

Cell Chara1(Selection& s) {
  const Cell t = s.t;
  if (IsStandState(s.state)) return s.Col(WalkColumn(t, 8));
  if (IsWalkState(s.state) || s.state == kStateDash) return s.Col(std::min<Cell>(t / 6 + 3, 5));
  if (IsAttackState(s.state)) return Chara1Attack(s);
  switch (s.state) {
    case kStateSpecialMove:
      return s.Col(7);
    case kStateSpellCard:
      return Chara1Card(s);
    case kStateHitStun:
      return HitStun(s, 14);
    case kStateKnockBack:
    case kStateKnockedOut:
      return Chara1KnockDown(s);
    default:
      return kFallbackCell;
  }
}

// ----- Character 2 -----

Cell Chara2Card(const Selection& s) {
  const Cell t = s.t;
  if (s.card == 0) {
    if (t == kSpellFirstFrame) return s.Col(24);
    if (t < 220) return s.Col((t / 4) % 3 + 29);
    return s.Col((280 - t) / 10 + 24);
  }
  if (t == kSpellFirstFrame) return s.Col(4);
  if (t > 100) return s.Col(5);
  if (t == 100) return Lying(s, 6, 5, 17);
  return s.Col(Remap((100 - t) / 5 + 22, {AtLeast(24, 22)}));
}

Cell Chara2(Selection& s) {
  const Cell t = s.t;
  if (IsStandState(s.state)) return s.Col(WalkColumn(t, 8));
  if (IsWalkState(s.state)) return s.Col(std::min<Cell>(t / 6 + 3, 5));
  if (IsAttackState(s.state)) return s.Col(std::min<Cell>(s.e / 4 + 9, 12));
  switch (s.state) {
    case kStateDash:
      return s.Col(std::min<Cell>(t / 4 + 6, 8));
    case kStateSpecialMove:
      if (s.z <= kLowKnockDown) return Lying(s, 6, 5, 17);
      return s.Col(Remap(t / 5 + 22, {AtLeast(24, 22)}));
    case kStateSpellCard:
      return Chara2Card(s);
    case kStateHitStun:
      return HitStun(s, 14);
    case kStateKnockBack:
    case kStateKnockedOut:
      return Chara1KnockDown(s);
    default:
      return kFallbackCell;
  }
}

// ----- Character 3 -----

Cell Chara3Dash(const Selection& s) {
  const Cell t = s.t;
  if (t >= 40) return s.Col(Remap((60 - t) / 4 + 7, {Is(7, 8), Above(12, 12)}));
  if (t >= 19) return kFallbackCell;
  return s.Col(std::max<Cell>(12 - (20 - t) / 4, 8));
}

// The second card turns the player to face down the screen before it flies; only a heading on
// the 16-step grid ever lands on 192 exactly.
Cell Chara3SecondCard(const Selection& s) {
  constexpr int32_t kFacingDown = 192;
  const Cell t = s.t;
  if (t == kSpellFirstFrame) return s.Col(0);
  if (t >= 304) {
    if (s.owner->heading != kFacingDown && MayTurn(s)) g_drawnFrame.Turn(s.p, -1);
    return s.Col(0);
  }
  if (t >= 240) return Clamp((320 - t) / 4 + 317, 320, 322);
  if (s.z < 0.0f) return std::max<Cell>((140 - t) / 8 + 320, 323);
  const Cell c = (140 - t) / 8 + 320;
  return c <= 329 ? c : s.Col(0);
}

Cell Chara3Card(const Selection& s) {
  const Cell t = s.t;
  if (s.card != 0) return Chara3SecondCard(s);
  if (t == kSpellFirstFrame) return s.Col(0);
  if (t < 196) return s.Col((t / 4) % 2 + 26);
  return s.Col((200 - t) / 5 + 25);
}

Cell Chara3(Selection& s) {
  const Cell t = s.t;
  if (IsStandState(s.state)) return s.Col(t == kCardWaiting ? 34 : (t / 8) % 6);
  if (IsWalkState(s.state)) return s.Col(std::min<Cell>(t / 6 + 5, 7));
  if (IsAttackState(s.state)) {
    if (s.pose != 0 && s.pose != 1) return s.Col(kFallbackCell);
    const Cell c = s.e / 3 + (s.pose == 0 ? 12 : 9);
    return s.Col(Remap(c, {Below(13, 0), Above(15, 15)}));
  }
  switch (s.state) {
    case kStateDash:
      return Chara3Dash(s);
    case kStateSpecialMove:
      if (t >= 64) return s.Col(std::min<Cell>((t - 64) / 3 + 31, 34));
      return s.Col(std::min<Cell>(t / 6 + 28, 30));
    case kStateSpellCard:
      return Chara3Card(s);
    case kStateHitStun:
      return HitStun(s, 16);
    case kStateKnockBack:
    case kStateKnockedOut:
      if (s.z <= kLowKnockDown) return Lying(s, 6, 5, 17);
      return KnockBackFall(s, 5, 22, {Above(24, 24)}, 22);
    default:
      return kFallbackCell;
  }
}

// ----- Character 4 -----

Cell Chara4Attack(Selection& s) {
  const Cell t = s.t;
  switch (s.pose) {
    case 0:
      return s.Col(std::min<Cell>(s.e / 6 + 16, 17));
    case 1:
      return s.Col(Remap(s.e / 4 + 9, {Below(12, 12), Is(14, 13), Above(14, 14)}));
    case 2:
      return s.Col(Clamp(s.e / 3 + 9, 16, 17));
    case 3:
      if (t < 24) return s.Col(14);
      if (t < 59) {
        if (MayTurn(s)) g_drawnFrame.Turn(s.p, -1);
        return s.Col(13);
      }
      return s.Col(12);
    default:
      return s.Col(kFallbackCell);
  }
}

Cell Chara4Dash(const Selection& s) {
  const Cell t = s.t;
  if (t >= 500) {
    const Cell c = 10 - (520 - t) / 6;
    return s.Col(c >= 9 ? c : 11);
  }
  if (t >= 42) return s.Col(11);
  return s.Col(std::min<Cell>((42 - t) / 6 + 9, 10));
}

Cell Chara4Card(const Selection& s) {
  const Cell t = s.t;
  if (s.card != 1) {
    if (t == kSpellFirstFrame) return s.Col(12);
    return s.Col((t / 4) % 2 + 24);
  }
  if (t < 98) return s.Col(Clamp((98 - t) / 2 + 23, 26, 28));
  if (t < 230) return s.Col(13);
  return s.Col(12);
}

Cell Chara4(Selection& s) {
  const Cell t = s.t;
  if (IsStandState(s.state)) return s.Col(WalkColumn(t, 8));
  if (IsWalkState(s.state)) return s.Col(std::min<Cell>(t / 6 + 3, 5));
  if (IsAttackState(s.state)) return Chara4Attack(s);
  switch (s.state) {
    case kStateDash:
      return Chara4Dash(s);
    case kStateSpecialMove:
      return s.Col(std::min<Cell>(t / 6 + 22, 23));
    case kStateSpellCard:
      return Chara4Card(s);
    case kStateHitStun:
      return HitStun(s, 7);
    case kStateKnockBack:
    case kStateKnockedOut:
      if (s.z <= kLowKnockDown) {
        SpinStep(s);
        return s.Col(18);
      }
      return KnockBackFall(s, 5, 19, {Above(21, 21)}, 19);
    default:
      return kFallbackCell;
  }
}

// ----- Character 5 -----

// The first card's timed sequence: frame lengths, and the cell shown while each runs (the last
// once they have all passed), from cell 320 on.
constexpr int16_t kChara5CardFrames[23] = {6, 16, 11, 9, 16, 11, 9, 16, 11, 9,  18, 9,
                                           9, 8,  8,  9, 8,  8,  9, 9,  9,  11, 11};
constexpr Cell kChara5CardCells[24] = {1,  2,  3,  4, 5,  6,  7,  2,  3,  4,  5,  8,
                                       10, 11, 10, 9, 10, 11, 12, 13, 14, 15, 16, 17};

Cell Chara5FirstCard(Cell t) {
  if (t == kSpellFirstFrame) return 240;
  const Cell elapsed = 400 - t;
  int16_t sum = 0;  // summed as a 16-bit value
  int i = 0;
  for (; i < 23; ++i) {
    sum = static_cast<int16_t>(sum + kChara5CardFrames[i]);
    if (sum > elapsed) break;
  }
  return 319 + kChara5CardCells[i];
}

Cell Chara5SecondCard(const Selection& s) {
  const Cell t = s.t;
  if (t == kSpellFirstFrame) return s.Col(26);
  if (s.record->modifierHeld == 1) return s.Col(Clamp((123 - t) / 8 + 31, 32, 34));
  if (s.z != 0.0f && t == 125) return s.Col(std::min<Cell>((100 - s.q) / 12 + 27, 28));
  return s.Col(Remap((124 - t) / 5 + 29, {AtLeast(35, 31), Is(34, 30), Between(32, 33, 31)}));
}

Cell Chara5Special(const Selection& s) {
  const Cell t = s.t;
  if (s.special >= 8000) return s.Col(std::min<Cell>(t / 8 + 32, 35));
  if (s.special >= 6666) {
    g_drawnFrame.Jitter(*s.record);
    return s.Col(6);
  }
  if (s.special >= 5000) return s.Col(std::min<Cell>(t / 6 + 24, 26));
  if (s.q != 0) return s.Col(std::min<Cell>(s.q / 6 + 15, 17));
  return s.Col(15);
}

Cell Chara5(Selection& s) {
  const Cell t = s.t;
  if (IsStandState(s.state)) return s.Col(WalkColumn(t, 8));
  if (IsWalkState(s.state) || s.state == kStateDash) return s.Col(std::min<Cell>(t / 8 + 3, 5));
  if (IsAttackState(s.state)) {
    if (s.pose == 0) return s.Col(Remap(s.e / 4 + 7, {Is(7, 0), Above(11, 11)}));
    if (s.pose == 1) {
      return s.Col(Remap(s.e / 6 + 10, {Is(10, 0), Below(12, 12), Above(14, 14)}));
    }
    return s.Col(kFallbackCell);
  }
  switch (s.state) {
    case kStateSpecialMove:
      return Chara5Special(s);
    case kStateSpellCard:
      return s.card == 0 ? Chara5FirstCard(t) : Chara5SecondCard(s);
    case kStateHitStun:
      return HitStun(s, 6);
    case kStateKnockBack:
    case kStateKnockedOut:
      if (s.z <= kLowKnockDown) return Lying(s, 6, 5, 18);
      return KnockBackFall(s, 5, 22, {Above(23, 23)}, 22);
    default:
      return kFallbackCell;
  }
}

// ----- Character 6 -----

Cell Chara6Attack(const Selection& s) {
  const Cell e = s.e;
  switch (s.pose) {
    case 0:
      return s.Col(Remap(e / 4 + 7, {Below(9, 0), Above(11, 11)}));
    case 1:
      return s.Col(Remap(e / 6 + 11, {Is(11, 0), Above(13, 13)}));
    case 2:
      return s.Col(Remap(e / 4 + 11, {Below(14, 0), Above(16, 16)}));
    case 3:
      return s.Col(Remap(e / 4 + 5, {Below(9, 0), Above(11, 11)}));
    default:
      return kFallbackCell;
  }
}

Cell Chara6Special(const Selection& s) {
  const Cell t = s.t;
  if (s.special < 5000) {
    if (t < 24) return s.Col(0);
    return std::min<Cell>((t - 24) / 4 + 248, 252);
  }
  if (t >= 8) return s.Col(std::min<Cell>((t - 8) / 6 + 27, 29));
  return s.Col(0);
}

Cell Chara6Card(const Selection& s) {
  const Cell t = s.t;
  if (s.card != 0) {
    if (t == kSpellFirstFrame) return s.Col(23);
    return s.Col((t / 4) % 2 + (t < 116 ? 25 : 23));
  }
  if (t == kSpellFirstFrame) return 252;
  if (t > 132) return ((220 - t) / 4) % 3 + 253;
  return std::min<Cell>((132 - t) / 4 + 256, 258);
}

// Lying after a knock-back, as characters 6 and 7 draw it: eight spinning cells that face no
// direction.
Cell SpinningOnGround(const Selection& s) {
  return (s.q / 2) % 8 + 240;
}

Cell Chara6(Selection& s) {
  const Cell t = s.t;
  if (IsStandState(s.state)) return s.Col(t == kCardWaiting ? 29 : (t / 6) % 3);
  if (IsWalkState(s.state)) return s.Col(Remap(t / 6 + 3, {Is(3, 0), Above(5, 5)}));
  if (IsAttackState(s.state)) return Chara6Attack(s);
  switch (s.state) {
    case kStateDash:
      return s.Col(Remap(t / 6 + 5, {Is(5, 0), Above(8, 8)}));
    case kStateSpecialMove:
      return Chara6Special(s);
    case kStateSpellCard:
      return Chara6Card(s);
    case kStateHitStun:
      return HitStun(s, 17);
    case kStateKnockBack:
    case kStateKnockedOut:
      if (s.z <= kLowKnockDown) return SpinningOnGround(s);
      return KnockBackFall(s, 4, 19, {Above(22, 21)}, 21);
    default:
      return kFallbackCell;
  }
}

// ----- Character 7 -----

// Poses 1 and 2 are drawn as character 1 draws them.
Cell Chara7Attack(const Selection& s) {
  switch (s.pose) {
    case 0:
      return s.Col(std::min<Cell>(s.e / 3 + 9, 14));
    case 1:
    case 2:
      return Chara1Attack(s);
    default:
      return kFallbackCell;
  }
}

Cell Chara7Card(const Selection& s) {
  const Cell t = s.t;
  if (t == kSpellFirstFrame) return 275;
  if (s.card == 1) return std::min<Cell>((125 - t) / 4 + 275, 279);
  if (t >= 360) return std::min<Cell>((400 - t) / 4 + 275, 279);
  if (!DirectionHeld(s)) return s.Col(WalkColumn(t, 8));
  return s.Col(std::min<Cell>(t / 6 + 3, 5));
}

Cell Chara7(Selection& s) {
  const Cell t = s.t;
  if (IsStandState(s.state)) return s.Col(WalkColumn(t, 8));
  if (IsWalkState(s.state)) return s.Col(std::min<Cell>(t / 6 + 3, 5));
  if (IsAttackState(s.state)) return Chara7Attack(s);
  switch (s.state) {
    case kStateDash:
      // The dash cells face the heading the dash started with.
      if (t < 2000) return 250 + s.attackRow;
      return s.Col(std::min<Cell>((t - 2000) / 6 + 20, 22));
    case kStateSpecialMove:
      if (t == 0) return s.Col(0);
      return std::min<Cell>(t / 2 + 260, 275);
    case kStateSpellCard:
      return Chara7Card(s);
    case kStateHitStun:
      return HitStun(s, 6);
    case kStateKnockBack:
    case kStateKnockedOut:
      if (s.z <= kLowKnockDown) return SpinningOnGround(s);
      return KnockBackFall(s, 5, 15, {Above(18, 18)}, 15);
    default:
      return kFallbackCell;
  }
}

}  // namespace

int SelectFrameChara0(BattleObject* player, int suppressTurn) {
  return Select(player, 0, suppressTurn, Chara0);
}
int SelectFrameChara1(BattleObject* player) {
  return Select(player, 1, 0, Chara1);
}
int SelectFrameChara2(BattleObject* player) {
  return Select(player, 2, 0, Chara2);
}
int SelectFrameChara3(BattleObject* player) {
  return Select(player, 3, 0, Chara3);
}
int SelectFrameChara4(BattleObject* player, int suppressTurn) {
  return Select(player, 4, suppressTurn, Chara4);
}
int SelectFrameChara5(BattleObject* player) {
  return Select(player, 5, 0, Chara5);
}
int SelectFrameChara6(BattleObject* player) {
  return Select(player, 6, 0, Chara6);
}
int SelectFrameChara7(BattleObject* player) {
  return Select(player, 7, 0, Chara7);
}

}  // namespace veyrdale
