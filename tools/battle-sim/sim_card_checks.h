// The runner's invariants on special moves and spell cards, which need more than one frame's
// state: a special move ends within 600 of the player's own update frames (frames in which
// button 2 holds a charge not counted), a spell card within 1,200, and the declaration marker is
// seen only in the card state.
#pragma once

#include <cstdint>

#include "tools/battle-sim/sim_state.h"

namespace battlesim {

class CardChecks {
 public:
  // After each frame; true with the failure filled in when an invariant broke.
  bool Broken(InvariantFailure* failure);

 private:
  static constexpr int kPlayers = 4;
  int32_t lastState_[kPlayers] = {};
  int frames_[kPlayers] = {};
  int32_t lastHold_[kPlayers] = {};
  int32_t lastFrozen_[kPlayers] = {};
  int32_t lastRoundFrame_ = 0;
  int32_t lastFreeze_ = 0;
};

}  // namespace battlesim
