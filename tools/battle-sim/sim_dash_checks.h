// The runner's invariants on dashes, which need more than one frame's state: a dash ends within
// 200 of the player's own update frames, and a way out of walls leaves the player in the box and
// off walls.
#pragma once

#include <cstdint>

#include "tools/battle-sim/sim_state.h"

namespace battlesim {

class DashChecks {
 public:
  // After each frame; true with the failure filled in when an invariant broke.
  bool Broken(InvariantFailure* failure);

 private:
  static constexpr int kPlayers = 4;
  int32_t lastState_[kPlayers] = {};
  int32_t lastTimer_[kPlayers] = {};
  int dashFrames_[kPlayers] = {};
  int32_t lastHold_[kPlayers] = {};
  int32_t lastRoundFrame_ = 0;
  int32_t lastFreeze_ = 0;
  int64_t waysOutSeen_[kPlayers] = {};
};

}  // namespace battlesim
