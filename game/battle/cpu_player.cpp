// The computer player's decisions and its three modes. Every random draw is made in a fixed order,
// short-circuits included, so that a battle replays exactly from its seed.
#include "game/battle/cpu_player.h"

#include <cstdint>

#include "game/battle/battle.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/scenes.h"
#include "morrow/system/time.h"

namespace veyrdale {

int32_t CpuMode[4] = {};
int32_t CpuCountdown[4] = {};
int32_t CpuTarget[4] = {};

namespace {

constexpr int kNoDistance = 999999;
constexpr int kThreatRadius = 200;
constexpr int kThreatTurn = 32;
constexpr int kEvadeFrames = 40;
constexpr int kWalkStart = 39;      // the countdown at which a walk starts
constexpr int kTurnWhenStuck = 36;  // a blocked walk turns only from this countdown down
constexpr int kAttackChoice = 48;
constexpr int kLowLife = 200;
constexpr int kStoryRoundFrame = 280;
constexpr int kStoryLowLife = 80;
constexpr int kLongHoldCharacter = 12;
constexpr int kChargingCharacter = 9;
constexpr int kChargeLimit = 24;
constexpr int kLowMeter = 300;

// The arena box a chosen heading must not lead out of.
constexpr float kBoxLeft = 96.0f;
constexpr float kBoxTop = 88.0f;
constexpr float kBoxRight = 544.0f;
constexpr float kBoxBottom = 392.0f;

CpuRandomSource g_source = nullptr;

int Rand(int max) {
  return g_source != nullptr ? g_source(max) : morrow::GetRandomNumber(max);
}

// The option may have been written by anything (survival set-up, tests, a corrupted run); the
// ranges drawn from it go negative outside 0-3.
int Difficulty() {
  const int32_t d = g_options.difficulty;
  return d < 0 ? 0 : (d > 3 ? 3 : d);
}

bool ValidIndex(int index) {
  return index >= 0 && index < kPlayerCount;
}

void PressButton(int index, Input button, int frames) {
  PendingPressCounts[button][index] = frames;
  HeldFrameCounts[button][index] = 0;  // so that the press counts as a new one
}

// The directions of a heading that is a multiple of 32; any other heading presses nothing.
void PressDirections(int index, int32_t heading, int frames) {
  if (heading < 0 || heading > 255 || heading % 32 != 0) return;
  const int octant = heading / 32;
  const bool right = octant == 0 || octant == 1 || octant == 7;
  const bool up = octant >= 1 && octant <= 3;
  const bool left = octant >= 3 && octant <= 5;
  const bool down = octant >= 5 && octant <= 7;
  if (down) PendingPressCounts[kInputDown][index] = frames;
  if (up) PendingPressCounts[kInputUp][index] = frames;
  if (left) PendingPressCounts[kInputLeft][index] = frames;
  if (right) PendingPressCounts[kInputRight][index] = frames;
}

bool OneOf(int32_t h, int32_t a, int32_t b, int32_t c) {
  return h == a || h == b || h == c;
}

// A heading that leads out of the arena box turns back; the first test that fires decides.
int32_t TurnBackAtBox(const BattleObject& player, int32_t h) {
  const bool out = (OneOf(h, 96, 128, 160) && player.x < kBoxLeft) ||
                   (OneOf(h, 32, 64, 96) && player.y < kBoxTop) ||
                   (OneOf(h, 0, 32, 224) && player.x > kBoxRight) ||
                   (OneOf(h, 160, 192, 224) && player.y > kBoxBottom);
  return out ? WrapHeading(int64_t{h} + 128) : h;
}

int HeadingToward(const BattleObject& player, const BattleObject& other) {
  return HeadingBetween(player.x, player.y, other.x, other.y);
}

int SquaredDistance(const BattleObject& a, const BattleObject& b) {
  return GetSquaredDistance(TruncToInt(a.x), TruncToInt(a.y), TruncToInt(b.x), TruncToInt(b.y));
}

bool AtNewestSample(const BattleObject& player) {
  return player.x == player.trailX[0] && player.y == player.trailY[0];
}

bool SameTeam(int a, int b) {
  return g_match.teamMode == 1 && g_match.team[a] == g_match.team[b];
}

// First: the frames on which the controller does nothing at all.
bool Idle(const BattleObject& player, int index) {
  return SceneId != kSceneBattle || player.rooted == 1 || g_playerState.freezeTimer[index] > 0 ||
         player.state == kStateKnockedOut || player.state == kStateSpellCard ||
         (player.kind == kChargingCharacter && player.state == kStateSpecialMove &&
          g_playerState.specialMode[index] <= kChargeLimit) ||
         FreezeFrames > 0 || RoundFrame < 10;
}

struct Scan {
  int best = kNoDistance;
  int near = -1;
  int far = 0;
  int threat = -1;
};

// The nearest opponent inside a radius drawn afresh for each, and the nearest of those outside.
void SearchTargets(const BattleObject& player, int index, Scan* scan) {
  int farBest = kNoDistance;
  const int count = PlayersInPlay();
  for (int j = 0; j < count; ++j) {
    const BattleObject& other = g_players[j];
    if (j == index || other.state >= kStateKnockedOut || SameTeam(j, index)) continue;
    const int q = Rand(7) / 5;
    const int r = Rand(5);
    const int radius = (q * r + 25) * 10;
    const int dist = SquaredDistance(player, other);
    if (CheckCircleHit(player.x, player.y, other.x, other.y, radius)) {
      if (dist < scan->best) {
        scan->best = dist;
        scan->near = j;
      }
    } else if (dist < farBest) {
      farBest = dist;
      scan->far = j;
    }
  }
}

// The nearest live shot close by that is not moving away from the player. The difference is not
// taken around the circle (the seam term mends one side only), so a shot just past the 0/255 seam
// can count as a threat: that is the computer's habit.
void ScanThreats(const BattleObject& player, int index, Scan* scan) {
  for (int k = 0; k < kShotCount; ++k) {
    const BattleObject& shot = g_shots[k];
    if (shot.state != 1 || shot.owner == index) continue;
    // A neutral shot (owner 4) is on nobody's team, so it stays a threat.
    if (shot.owner >= 0 && shot.owner < kPlayerCount && SameTeam(shot.owner, index)) continue;
    if (!CheckCircleHit(player.x, player.y, shot.x, shot.y, kThreatRadius)) continue;
    const int64_t toward = HeadingToward(player, shot);
    const int64_t h = shot.heading;
    const int64_t seam = (h > 252 && toward < 4) || (h < 4 && toward > 252) ? 256 : 0;
    int64_t e = h - toward + seam;
    if (e < 0) e = toward - h - seam;
    const int64_t diff = e % 256;
    const int dist = SquaredDistance(player, shot);
    if (diff >= kThreatTurn && dist < scan->best) {
      scan->best = dist;
      scan->threat = k;
    }
  }
}

void PressSpecialPair(int index, int frames) {
  PressButton(index, kInputButton1, frames);
  PressButton(index, kInputButton2, frames);
}

// Attack: one attack button held, and at times the card or the special move.
void ChooseAttack(BattleObject* player, int index, int target, int base) {
  const int d = Difficulty();
  if (player->state < base + 2 && ValidIndex(target)) {
    const int h = HeadingToward(*player, g_players[target]);
    player->heading = 32 * (((h + 15) % 256) / 32);
  }
  const bool longHold = player->kind == kLongHoldCharacter;
  if (Rand(1) == 1) {
    PressButton(index, kInputButton1, Rand(72) + (longHold ? 32 : 8));
  } else {
    PressButton(index, kInputButton2, Rand(72) + (longHold ? 64 : 8));
  }
  if (!(d > 0 || Rand(256) == 77)) return;
  const bool guarded = g_playerState.recoveryGuard[index] > 0;
  if (Rand(48) == 1 || (guarded && Rand(8) == 1)) {
    PressButton(index, kInputButton5, 1);
  } else if (Rand(64) == 1 || (player->life < kLowLife && guarded && Rand(8) == 7)) {
    PressSpecialPair(index, 1);
  }
}

// A player record or a mode array read with an index that is not a player's.
bool Unusable(const BattleObject* player, int index) {
  return player == nullptr || !ValidIndex(index);
}

void PowerUp(int p) {
  const int32_t state = g_players[p].state;
  if (state == kStateSpellCard || state >= kStateKnockedOut) return;
  g_playerState.powerUp[p] = 3;
  g_playerState.cardChoice[p] = 2;  // the special card
}

}  // namespace

void ResetCpuPlayers() {
  for (int p = 0; p < kPlayerCount; ++p) CpuMode[p] = CpuCountdown[p] = CpuTarget[p] = 0;
}

void SetCpuRandomSource(CpuRandomSource source) {
  g_source = source;
}

void UpdateCpuPlayer(BattleObject* player, int index) {
  if (Unusable(player, index) || Idle(*player, index)) return;
  if (g_match.storyMode == 1 && ApplyStoryCpuRules(player, index)) return;
  // The arrays outlive a match: a target left by an earlier match with more players, or a mode
  // that is none of the three, would send the modes after a stale record. Such a frame decides
  // afresh, as does a countdown below 0, which would never run out.
  if (CpuTarget[index] < 0 || CpuTarget[index] >= PlayersInPlay() || CpuMode[index] < kCpuWander ||
      CpuMode[index] > kCpuEvade || CpuCountdown[index] < 0) {
    CpuCountdown[index] = 0;
  }
  const int d = Difficulty();
  Scan scan;
  if (CpuCountdown[index] == 0 && CpuMode[index] != kCpuEvade) {
    SearchTargets(*player, index, &scan);
  } else if ((CpuMode[index] == kCpuEvade ||
              (CpuCountdown[index] > 0 && CpuMode[index] == kCpuWander)) &&
             (player->state == kStateStand || player->state == kStateWalk)) {
    ScanThreats(*player, index, &scan);
  }

  if (CpuCountdown[index] == 0) {
    // The attack waits while the player's own attack delay runs.
    if (scan.near == -1 || scan.best == kNoDistance || player->attackDelay != 0) {
      CpuMode[index] = kCpuWander;
      CpuTarget[index] = scan.far;
      CpuCountdown[index] = Rand(35 - 10 * d) + 40;
    } else {
      CpuMode[index] = kCpuAttack;
      CpuTarget[index] = scan.near;
      CpuCountdown[index] = Rand((6 - d) * 2) + 50;
    }
  } else if (CpuMode[index] != kCpuAttack && scan.threat != -1 && d > 0) {
    // A sidestep: a quarter turn to either side of the threat's own heading.
    const int64_t base = g_shots[scan.threat].heading;
    player->heading = WrapHeading(base + 320 - 128 * int64_t{Rand(1)});
    if (CpuMode[index] != kCpuEvade) {
      CpuMode[index] = kCpuEvade;
      CpuCountdown[index] = kEvadeFrames;
    }
  }
  if (CpuCountdown[index] > 0) --CpuCountdown[index];
  if (player->state == kStateHitStun || player->state == kStateKnockBack) return;
  switch (CpuMode[index]) {
    case kCpuWander:
      CpuWander(player, index, CpuTarget[index]);
      break;
    case kCpuAttack:
      CpuAttack(player, index, CpuTarget[index]);
      break;
    case kCpuEvade:
      CpuEvade(player, index);
      break;
    default:
      break;
  }
}

void CpuWander(BattleObject* player, int index, int target) {
  if (Unusable(player, index)) return;
  if (player->state == kStateDash || player->state == kStateDashSpin ||
      player->state == kStateGuardStance) {
    return;
  }
  const int c = CpuCountdown[index];
  const int d = Difficulty();
  if (c == kWalkStart || (c == 28 && d == 2) || (c == 18 && d == 3)) {
    if (Rand(24) == 0) {
      static constexpr int32_t kRandomHeadings[4] = {64, 192, 128, 0};
      player->heading = kRandomHeadings[Rand(3) & 3];
    } else if (ValidIndex(target)) {
      const int h = HeadingToward(*player, g_players[target]);
      player->heading = 32 * (((h + 31) % 256) / 32);
    }
    player->heading = TurnBackAtBox(*player, player->heading);
  }
  if (c == kWalkStart && d > 0 && Rand(12) == 1) PressButton(index, kInputButton3, 3);
  if (c < 1 || c > kWalkStart) return;
  if (AtNewestSample(*player) && c <= kTurnWhenStuck && SceneFrame % 2 == 0) {
    player->heading = WrapHeading(int64_t{player->heading} + 64);
  }
  PressDirections(index, player->heading, 2);
}

void CpuAttack(BattleObject* player, int index, int target) {
  if (Unusable(player, index)) return;
  const int c = CpuCountdown[index];
  const int d = Difficulty();
  const int base = player->state > kStateKnockedOut ? kGhostBase : 0;
  if (Rand(24) == 1) {
    const int extra = player->kind == kLongHoldCharacter ? 40 : 0;
    PressButton(index, kInputButton4, Rand(32) + 20 + extra);
  }
  if (c == kAttackChoice) ChooseAttack(player, index, target, base);
  if (c <= 9 * d + 1) {
    CpuMode[index] = kCpuWander;
    CpuCountdown[index] = Rand(28 - 8 * d) + 40;
  }
}

void CpuEvade(BattleObject* player, int index) {
  if (Unusable(player, index)) return;
  const int c = CpuCountdown[index];
  const int d = Difficulty();
  if (c == kWalkStart) {
    player->heading = TurnBackAtBox(*player, WrapHeading(player->heading) & ~31);
    PressDirections(index, player->heading, kWalkStart);
    // Short of meter, the harder players keep it for the dash they may need.
    const bool saving = d > 1 && player->meter < kLowMeter;
    if (Rand(4) == 0 && (!saving || Rand(5) >= 3)) PressButton(index, kInputButton4, 38);
    if (Rand(3 * (5 - d)) == 1 && (!saving || Rand(8) >= 3)) PressButton(index, kInputButton3, 3);
  }
  if (player->state == kStateWalk && AtNewestSample(*player) && c <= kTurnWhenStuck) {
    player->heading = WrapHeading(int64_t{player->heading} + 64);
    PressDirections(index, player->heading, kTurnWhenStuck);
  }
  if (c == 0) {
    CpuMode[index] = kCpuWander;
    CpuCountdown[index] = 0;
  }
}

bool ApplyStoryCpuRules(BattleObject* player, int index) {
  if (Unusable(player, index)) return false;
  const int kind = g_match.storyKind;
  const int stage = g_match.storyStage;
  const bool mainStory = kind == 0;
  const bool extraStory = kind == 1;
  if (mainStory && stage == 13) {
    if (RoundFrame == kStoryRoundFrame && Difficulty() > 0) {
      PressSpecialPair(index, 3);
      return true;
    }
    return false;
  }
  if ((mainStory || extraStory) && stage == 16) {
    if (RoundFrame < kStoryRoundFrame || player->life <= 0 || player->life >= kStoryLowLife) {
      return false;
    }
    float& gauge = g_playerState.spellGauge[index];
    const int32_t state = player->state;
    if ((state == kStateHitStun || state == kStateKnockBack) && gauge < 100.0f) {
      gauge += 100.0f;
      return false;
    }
    if ((state == kStateStand || state == kStateWalk) && gauge > 100.0f &&
        g_playerState.powerUp[index] == 0) {
      PressSpecialPair(index, 3);
      return true;
    }
    return false;
  }
  if (extraStory && stage == 0) PowerUp(1);
  if (extraStory && (stage == 2 || stage == 4)) PowerUp(2);
  return false;
}

}  // namespace veyrdale
