// The dispatch of SelectCharaFrame and what the sixteen sheet rules share: the start every rule
// makes, the hit tints, the replacement tables, the walk cycles, the common cell shapes and the
// side-effect steps.
#include "game/view/chara_frame.h"

#include <algorithm>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/drawn_frame.h"
#include "game/battle/player_control.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/numeric.h"
#include "game/view/view.h"
#include "morrow/graphics/draw.h"

namespace veyrdale {

int SelectCharaFrame(BattleObject* player, int suppressTurn) {
  switch (player->kind) {
    case 0:
      return SelectFrameChara0(player, suppressTurn);
    case 1:
      return SelectFrameChara1(player);
    case 2:
      return SelectFrameChara2(player);
    case 3:
      return SelectFrameChara3(player);
    case 4:
      return SelectFrameChara4(player, suppressTurn);
    case 5:
      return SelectFrameChara5(player);
    case 6:
      return SelectFrameChara6(player);
    case 7:
      return SelectFrameChara7(player);
    case 8:
      return SelectFrameChara8(player);
    case 9:
      return SelectFrameChara9(player);
    case 10:
      return SelectFrameChara10(player, suppressTurn);
    case 11:
      return SelectFrameChara11(player);
    case 12:
      return SelectFrameChara12(player);
    case 13:
      return SelectFrameChara13(player);
    case 14:
      return SelectFrameChara14(player);
    case 15:
      return SelectFrameChara15(player);
    default:
      // No sheet: the answer is the caller's own flag, which the draw takes as a cell.
      return suppressTurn;
  }
}

namespace charaframe {

namespace {

constexpr int32_t kLastState = kStateGhostFollowThrough;

struct Colour {
  int r, g, b;
};
constexpr Colour kRed{255, 0, 0};
constexpr Colour kPaleRed{255, 160, 160};

// Per character: the row width W of its sheet, the tint of hit-stun (every third scene frame) and
// of knock-back and knock-out (every third frame of the player's own timer, or of the scene for
// the one character whose knock-down cells do not follow its timer).
struct SheetLook {
  int width;
  Colour hitStun;
  Colour knockDown;
  bool knockDownBySceneFrame;
};
constexpr SheetLook kLooks[16] = {
    {50, kPaleRed, kRed, false},    {40, kRed, kPaleRed, false}, {40, kRed, kPaleRed, false},
    {40, kPaleRed, kRed, false},    {30, kPaleRed, kRed, false}, {40, kPaleRed, kRed, false},
    {30, kRed, kPaleRed, false},    {30, kRed, kRed, false},     {30, kRed, kPaleRed, false},
    {30, kPaleRed, kPaleRed, true}, {50, kPaleRed, kRed, false}, {30, kRed, kPaleRed, false},
    {50, kPaleRed, kRed, false},    {30, kPaleRed, kRed, false}, {40, kPaleRed, kRed, false},
    {50, kPaleRed, kRed, false},
};

int HeadingRow(int32_t heading) {
  return (heading & 255) / 32;
}

// The tint is left set: the caller draws the player with it and then sets white again.
void Tint(const Selection& s, const SheetLook& look) {
  if (s.state == kStateHitStun) {
    if (SceneFrame % 3 == 0) {
      morrow::SetModulationColor(look.hitStun.r, look.hitStun.g, look.hitStun.b);
    }
  } else if (IsKnockDownState(s.state)) {
    const Cell clock = look.knockDownBySceneFrame ? SceneFrame : s.t;
    if (clock % 3 == 0) {
      morrow::SetModulationColor(look.knockDown.r, look.knockDown.g, look.knockDown.b);
    }
  }
}

}  // namespace

bool IsStandState(int32_t state) {
  return state == kStateStand || state == kStateGhost;
}
bool IsWalkState(int32_t state) {
  return state == kStateWalk || state == kStateGhostMove;
}
bool IsAttackState(int32_t state) {
  return (state >= kStateAttackStanding && state <= kStateFollowThrough) ||
         (state >= kStateGhostAttackStanding && state <= kStateGhostFollowThrough);
}
bool IsKnockDownState(int32_t state) {
  return state == kStateKnockBack || state == kStateKnockedOut;
}

int Select(BattleObject* player, int id, int suppressTurn, Cell (*rule)(Selection&)) {
  g_drawnFrame.CheckBegun();
  if (player->state < 0 || player->state > kLastState) return kFallbackCell;
  // The owner field reaches the per-player arrays and the owner's record: the drawn frame's copy.
  const BattleObject* record = PlayerOrNull(player->owner);
  if (record == nullptr) return kFallbackCell;
  const BattleObject* owner = &g_drawnFrame.players[record - g_players];
  const int p = player->owner;
  const SheetLook& look = kLooks[id];
  const Cell length = MoveRow(p, g_playerState.currentMove[p]).moveLength;
  Selection s{};
  s.record = player;
  s.owner = owner;
  s.p = p;
  s.suppressTurn = suppressTurn;
  s.width = look.width;
  s.state = player->state;
  s.t = player->stateTimer;
  s.q = player->recovery;
  s.z = player->z;
  s.vz = player->vz;
  s.heading = player->heading & 255;
  s.row = HeadingRow(player->heading);
  s.attackRow = HeadingRow(player->pushHeading);
  s.pose = g_playerState.poseClass[p];
  s.e = length - s.t;
  s.card = g_playerState.cardChoice[p];
  s.special = g_playerState.specialMode[p];
  Tint(s, look);
  return SaturateToInt(rule(s));
}

Cell Remap(Cell c, std::initializer_list<Swap> swaps) {
  for (const Swap& swap : swaps) {
    if (c >= swap.lo && c <= swap.hi) return swap.to;
  }
  return c;
}

Cell Clamp(Cell v, Cell lo, Cell hi) {
  return std::clamp(v, lo, hi);
}

Cell CycleOf4(const Cell (&cells)[4], Cell v, Cell n) {
  const Cell k = (v / n) % 4;
  return cells[k < 0 ? k + 4 : k];
}

Cell WalkColumn(Cell t, Cell n) {
  static constexpr Cell kColumns[4] = {0, 1, 2, 1};
  return CycleOf4(kColumns, t, n);
}

Cell WalkColumnB(Cell t, Cell n) {
  static constexpr Cell kColumns[4] = {0, 1, 0, 2};
  return CycleOf4(kColumns, t, n);
}

Cell HitStun(const Selection& s, Cell first) {
  return s.Col((16 - s.t) / 9 + first);
}

Cell Lying(const Selection& s, Cell div, Cell count, Cell first) {
  return s.Col((s.q / div) % count + first);
}

Cell KnockBackFall(const Selection& s, Cell div, Cell base, std::initializer_list<Swap> swaps,
                   Cell early) {
  return s.Col(s.t > 64 ? early : Remap((64 - s.t) / div + base, swaps));
}

bool DirectionHeld(const Selection& s) {
  for (int input = kInputDown; input <= kInputRight; ++input) {
    if (HeldFrameCounts[input][s.p] > 0) return true;
  }
  return false;
}

bool MayTurn(const Selection& s) {
  return DrawnFrame::FreeAndUnheld(s.p) && s.suppressTurn == 0;
}

Cell JumpPose(Selection& s, Cell falling, Cell ground) {
  Cell c = ground;
  if (s.vz < 0.0f) {
    c = 16;
  } else if (s.z < 0.0f) {
    c = falling;
  }
  g_drawnFrame.Jump(s.p);
  return s.Col(c);
}

void SpinStep(Selection& s) {
  DrawnFrame::Spin(*s.record, s.q);
  s.heading = s.record->heading;
  s.row = HeadingRow(s.record->heading);
}

}  // namespace charaframe
}  // namespace veyrdale
