// Attack input: a player's held buttons become the character's basic moves. It chooses an attack
// code from buttons 1, 2 and 4, starts the move, fires the move's shots inside its window while
// the recovery and the meter allow, chains the follow-up moves of characters 4 and 13, hands the
// special move to the characters that charge with button 2, and at the end of the move returns
// the player to its base state with a delay before the next attack.
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/characters.h"
#include "game/battle/player_control.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"

namespace veyrdale {

namespace {

// Extra shots per move while powered up: [code - 1][character].
constexpr uint8_t kPowerUpExtras[4][16] = {
    {10, 3, 20, 3, 6, 12, 0, 0, 0, 0, 2, 1, 16, 4, 0, 2},
    {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0},
    {2, 3, 14, 5, 16, 4, 0, 4, 0, 0, 4, 1, 2, 16, 0, 2},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 1, 24, 0, 0, 0},
};

constexpr int32_t kWaitingMarker = 8888;

PlayerBattleState& S() {
  return g_playerState;
}

bool Held(Input input, int p) {
  return HeldFrameCounts[input][p] > 0;
}

int AttackCode(const BattleObject& player, int p) {
  if (StoryPreFight != 0) return 0;
  const bool modifier = Held(kInputButton4, p);
  // A released charge of characters 0 and 10 always attacks with button 2's moves.
  if (FightsLikeCharacter0(player.kind) && S().specialMode[p] > 0) return modifier ? 4 : 2;
  const bool b1 = Held(kInputButton1, p);
  const bool b2 = Held(kInputButton2, p);
  if (modifier) return b1 ? 3 : (b2 ? 4 : 0);
  return b1 ? 1 : (b2 ? 2 : 0);
}

// Characters that charge their special move with button 2 instead of attacking.
bool ChargesInstead(int character, int code) {
  if (code != 2 && code != 4) return false;
  if (character == 0 || character == 5 || character == 10) return true;
  return (character == 9 || character == 15) && code == 4;
}

void AttackStateByVelocity(BattleObject& player, int base) {
  player.state = base + (player.vx == 0.0f ? kStateAttackStanding : kStateAttackMoving);
}

int16_t DelayAfter(const BattleObject& player, int p, int base, const MoveTableEntry& row) {
  int64_t delay = row.afterDelay;
  if (S().powerUp[p] > 0) {
    switch (player.kind) {
      case 0:
      case 5:
      case 7:
      case 12:
      case 13:
        delay = delay * 2 / 3;
        break;
      case 11:
        delay = delay * 4 / 5;
        break;
      case 14:
        delay = 24;
        break;
      default:
        break;
    }
  }
  if (g_match.storyMode != 0 && StrongerInStory(player.kind)) delay /= 2;
  if (base == kGhostBase) delay *= 6;
  return static_cast<int16_t>(delay > INT16_MAX ? INT16_MAX : delay);
}

}  // namespace

int PowerUpExtraShots(int character, int move) {
  if (character < 0 || character >= 16 || move < 1 || move > 4) return 0;
  return kPowerUpExtras[move - 1][character];
}

void UpdateAttackInput(BattleObject* player, int p) {
  if (player == nullptr || p < 0 || p >= kPlayerCount) {
    ++IndexMisses;
    return;
  }
  BattleObject& self = *player;
  // Dashes, special moves, spell cards and the waiting marker take no attack input.
  const int32_t state = self.state;
  if (state == kStateDash || state == kStateDashSpin || state == kStateSpecialMove ||
      state == kStateSpellCard || self.stateTimer == kWaitingMarker) {
    return;
  }
  // The attack pressed; outside an attack, nothing pressed ends the current move. Ghost states
  // count from their own base.
  const int base = state > kStateKnockedOut ? kGhostBase : 0;
  const int code = AttackCode(self, p);
  if (self.state < base + kStateAttackStanding && code == 0) S().currentMove[p] = 0;
  const int cur = S().currentMove[p];
  const MoveTableEntry& curRow = MoveRow(p, cur);
  // The extra shots a power-up allows, for the pressed move and for the current one.
  const bool poweredUp = S().powerUp[p] > 0;
  const int extraStart = poweredUp ? PowerUpExtraShots(self.kind, code) : 0;
  const int extraFire = poweredUp ? PowerUpExtraShots(self.kind, cur) : 0;
  // A new move (or a charge instead) when none runs, the delay is over and the meter pays.
  const MoveTableEntry& codeRow = MoveRow(p, code);
  if (S().currentMove[p] == 0 && code != 0 && self.attackDelay == 0 &&
      self.state < base + kStateAttackStanding && self.meter >= codeRow.meterCost) {
    if (base == 0 && S().specialMode[p] == 0 && ChargesInstead(self.kind, code)) {
      // Character 5 charges only from the press itself.
      if (self.kind != 5 || HeldFrameCounts[kInputButton2][p] == 1) self.state = kStateSpecialMove;
      return;
    }
    if (S().moveShotCount[p] < codeRow.shotLimit + extraStart) {
      self.stateTimer = codeRow.moveLength;
      S().currentMove[p] = static_cast<int16_t>(code);
      if (codeRow.rootFlag == 1) self.rooted = 1;
      StartCharaMove(player, code);
    }
    if (self.state != kStateFollowThrough && self.state != kStateGhostFollowThrough) {
      AttackStateByVelocity(self, base);
    }
  }
  // Outside an attack nothing more happens.
  if (self.state < base + kStateAttackStanding) return;
  // A shot of the current move while its window is open, its recovery is over and the meter and
  // the shot limit allow it.
  if (self.stateTimer > 0 && self.stateTimer < curRow.timing && self.recovery == 0 &&
      self.state < base + kStateFollowThrough && self.meter >= curRow.meterCost &&
      S().moveShotCount[p] < curRow.shotLimit + extraFire) {
    CreateShot(player, static_cast<int16_t>(cur), p);
    if (HasCompanion(self.kind) && poweredUp)
      CreateShot(&g_companions[p], static_cast<int16_t>(cur), p);
    ++S().moveShotCount[p];
    self.meter -= curRow.meterCost;
    if (self.meter < 0.0f) self.meter = 0.0f;
    S().meterRegenPause[p] = 60;
    const int32_t hitClass = curRow.hitClass;
    if (code == cur || hitClass == 1 || hitClass == 3 || hitClass == 4) {
      self.stateTimer = curRow.timing - 1;  // the window stays open for the next shot
    } else {
      self.state = base + kStateFollowThrough;
    }
  }
  // Characters 13 and 4 turn a late press in pose 2 into their moves 8 and 7.
  const uint16_t pose = S().poseClass[p];
  if (self.kind == 13 && pose == 2 && self.stateTimer < 34 && self.meter >= 16.0f) {
    if (cur != 8) {
      if (code == 2 || code == 4) {
        S().currentMove[p] = 8;
        self.stateTimer = 47;
        self.rooted = 1;
        StartCharaMove(player, 8);
        S().moveShotCount[p] = 0;
      } else if (code == 1 || code == 3) {
        self.stateTimer = 1;  // the move ends next frame
      }
    }
    AttackStateByVelocity(self, base);
  } else if (self.kind == 4 && pose == 2 && self.stateTimer < 28 && self.meter >= 64.0f) {
    if (cur != 7 && code == 4) {
      S().currentMove[p] = 7;
      self.stateTimer = 64;
      self.rooted = 1;
      StartCharaMove(player, 7);
      S().moveShotCount[p] = 0;
    }
    AttackStateByVelocity(self, base);
  }
  // The move's timers count down; the move ends at 0.
  if (self.stateTimer > 0) --self.stateTimer;
  if (self.recovery > 0) --self.recovery;
  // A timer some other routine left below 0 ends the move too, rather than never.
  if (self.stateTimer > 0) return;
  // Character 14 finishes its recovery before the move may end.
  if (self.kind == 14 && self.recovery > 0) return;
  self.attackDelay = DelayAfter(self, p, base, curRow);
  self.state = base;
  S().moveShotCount[p] = 0;
  self.z = 0.0f;
  self.rooted = 0;
}

}  // namespace veyrdale
