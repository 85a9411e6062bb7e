#include "tools/battle-sim/sim_dash_checks.h"

#include <cstdio>

#include "game/battle/arena.h"
#include "game/battle/dash.h"
#include "game/battle/player_control.h"
#include "game/core/frame_state.h"
#include "game/core/numeric.h"
#include "game/core/records.h"

namespace battlesim {

namespace {

constexpr int kLongestDash = 200;

bool AnyFallbackCellFree(int p, bool avoidPlayers) {
  for (int c = veyrdale::kWayOutFirstColumn; c <= veyrdale::kWayOutLastColumn; ++c) {
    for (int r = veyrdale::kWayOutFirstRow; r <= veyrdale::kWayOutLastRow; ++r) {
      const float x = static_cast<float>(veyrdale::kCellPixels * c + veyrdale::kCellPixels / 2);
      const float y = static_cast<float>(veyrdale::kCellPixels * r);
      if (veyrdale::WayOutSpotFree(x, y, p, avoidPlayers)) return true;
    }
  }
  return false;
}

bool Fail(InvariantFailure* failure, const char* name, const char* detail) {
  failure->name = name;
  failure->detail = detail;
  return true;
}

}  // namespace

bool DashChecks::Broken(InvariantFailure* failure) {
  // The players were updated this frame when the battle stepped outside a spell-card freeze;
  // a player still held by a shot was not. The dash counter moves on every frame the dash routine
  // runs, so a moved counter counts as well.
  const bool stepped = veyrdale::RoundFrame != lastRoundFrame_ && lastFreeze_ == 0;
  lastRoundFrame_ = veyrdale::RoundFrame;
  lastFreeze_ = veyrdale::FreezeFrames;
  for (int p = 0; p < kPlayers; ++p) {
    const veyrdale::BattleObject& player = veyrdale::g_players[p];
    const bool updated = (stepped && lastHold_[p] <= 0) || player.stateTimer != lastTimer_[p];
    if (player.state != veyrdale::kStateDash) {
      dashFrames_[p] = 0;
    } else if (lastState_[p] != veyrdale::kStateDash) {
      dashFrames_[p] = 1;
    } else if (updated) {
      ++dashFrames_[p];
    }
    lastState_[p] = player.state;
    lastTimer_[p] = player.stateTimer;
    lastHold_[p] = veyrdale::g_playerState.holdTimer[p];
    if (dashFrames_[p] > kLongestDash) {
      char detail[64];
      std::snprintf(detail, sizeof detail, "player %d frames %d", p, dashFrames_[p]);
      return Fail(failure, "dash-length", detail);
    }

    const veyrdale::WayOutNote& note = veyrdale::g_lastWayOuts[p];
    if (note.count == waysOutSeen_[p]) continue;
    waysOutSeen_[p] = note.count;
    const bool inBox = note.x >= veyrdale::kWayOutLeft && note.x <= veyrdale::kWayOutRight &&
                       note.y >= veyrdale::kWayOutTop && note.y <= veyrdale::kWayOutBottom;
    const bool onWall =
        veyrdale::MapCellAt(veyrdale::TruncToInt(note.x), veyrdale::TruncToInt(note.y), 32, 32, 16,
                            nullptr, nullptr) != 0;
    if (!inBox || (onWall && AnyFallbackCellFree(p, note.avoidPlayers))) {
      char detail[96];
      std::snprintf(detail, sizeof detail, "player %d at %.9g %.9g", p, note.x, note.y);
      return Fail(failure, "way-out", detail);
    }
  }
  return false;
}

}  // namespace battlesim
