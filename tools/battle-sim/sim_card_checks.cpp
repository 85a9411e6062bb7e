#include "tools/battle-sim/sim_card_checks.h"

#include <cstdio>

#include "game/battle/player_control.h"
#include "game/battle/spell_card.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/records.h"

namespace battlesim {

namespace {

constexpr int kLongestSpecialMove = 600;
constexpr int kLongestCard = 1200;

bool Fail(InvariantFailure* failure, const char* name, int p, int frames) {
  char detail[64];
  std::snprintf(detail, sizeof detail, "player %d frames %d", p, frames);
  failure->name = name;
  failure->detail = detail;
  return true;
}

// A charge that button 2 holds may last as long as the button is held.
bool HeldCharge(const veyrdale::BattleObject& player, int p) {
  const int c = player.kind;
  const bool charges =
      c == 0 || c == 10 ||
      ((c == 5 || c == 9 || c == 15) && veyrdale::g_playerState.specialMode[p] < 5000);
  return charges && veyrdale::HeldFrameCounts[veyrdale::kInputButton2][p] > 0;
}

}  // namespace

bool CardChecks::Broken(InvariantFailure* failure) {
  // As for dashes: the players were updated when the battle stepped outside a freeze.
  const bool stepped = veyrdale::RoundFrame != lastRoundFrame_ && lastFreeze_ == 0;
  lastRoundFrame_ = veyrdale::RoundFrame;
  lastFreeze_ = veyrdale::FreezeFrames;
  for (int p = 0; p < kPlayers; ++p) {
    const veyrdale::BattleObject& player = veyrdale::g_players[p];
    const int32_t state = player.state;
    if (player.stateTimer == veyrdale::spell_card::kDeclaredMarker &&
        state != veyrdale::kStateSpellCard) {
      return Fail(failure, "card-marker", p, state);
    }
    const bool tracked = state == veyrdale::kStateSpecialMove || state == veyrdale::kStateSpellCard;
    bool updated = stepped && lastHold_[p] <= 0;
    if (state == veyrdale::kStateSpellCard) updated = updated && lastFrozen_[p] <= 0;
    if (state == veyrdale::kStateSpecialMove && HeldCharge(player, p)) updated = false;
    if (!tracked || state != lastState_[p]) {
      frames_[p] = 0;
    } else if (updated) {
      ++frames_[p];
    }
    lastState_[p] = state;
    lastHold_[p] = veyrdale::g_playerState.holdTimer[p];
    lastFrozen_[p] = veyrdale::g_playerState.freezeTimer[p];
    if (state == veyrdale::kStateSpecialMove && frames_[p] > kLongestSpecialMove) {
      return Fail(failure, "special-move-length", p, frames_[p]);
    }
    if (state == veyrdale::kStateSpellCard && frames_[p] > kLongestCard) {
      return Fail(failure, "card-length", p, frames_[p]);
    }
  }
  return false;
}

}  // namespace battlesim
