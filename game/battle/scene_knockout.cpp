// Knock-outs and the award of a round: the knock-out test after a hit reaction, the knocked-out
// state with its sparks, who wins the round alone or as a team, and the players out of the round,
// who drift as ghosts and drain the meter of those they pass through.
#include <cstdint>

#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/battle/scene_parts.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/sound_entries.h"
#include "morrow/system/time.h"

namespace veyrdale::battle_scene {

namespace {

bool AllOfTeamOut(int team, int outFrom) {
  const int inPlay = PlayersInPlay();
  bool any = false;
  for (int i = 0; i < inPlay; ++i) {
    if (g_match.team[i] != team) continue;
    any = true;
    if (g_players[i].state < outFrom) return false;
  }
  // A team nobody plays on cannot be knocked out.
  return any;
}

// The round is decided when, counting players in state outFrom or above as out, one player is
// left (or, with teams, one team is all out), and the player `p` is in state `own`.
bool RoundDecided(int p, int outFrom, int own) {
  if (g_players[p].state != own) return false;
  if (g_match.teamMode == 1) return AllOfTeamOut(0, outFrom) || AllOfTeamOut(1, outFrom);
  const int inPlay = PlayersInPlay();
  int left = 0;
  for (int i = 0; i < inPlay; ++i) {
    if (g_players[i].state < outFrom) ++left;
  }
  return left == 1;
}

void AwardFreeForAll() {
  const int inPlay = PlayersInPlay();
  for (int i = 0; i < inPlay; ++i) {
    if (g_players[i].state >= kStateKnockedOut) continue;
    int32_t& wins = S().wins[i];
    ++wins;
    if (g_match.survivalMode != 0 || (g_match.storyMode != 0 && wins == 1) ||
        wins == g_options.winCount + 1) {
      RoundWinner = i + 1;
      ++S().roundsWonTotal[i];
    }
  }
}

// The member of a team with the most life; the first of equals; player 0 when nobody has any.
int BestOfTeam(int team) {
  const int inPlay = PlayersInPlay();
  int best = 0;
  int32_t bestLife = 0;
  for (int i = 0; i < inPlay; ++i) {
    if (g_match.team[i] == team && g_players[i].life > bestLife) {
      best = i;
      bestLife = g_players[i].life;
    }
  }
  return best;
}

// The winning team's players each win the round; `storyWinner` is the story's winner number.
void AwardTeam(int team, int storyWinner) {
  const int inPlay = PlayersInPlay();
  const int best = BestOfTeam(team);
  for (int i = 0; i < inPlay; ++i) {
    if (g_match.team[i] != team) continue;
    int32_t& wins = S().wins[i];
    ++wins;
    bool won = false;
    if (g_match.survivalMode != 0 || wins == g_options.winCount + 1) {
      RoundWinner = best + 1;
      won = true;
    }
    if (g_match.storyMode != 0 && wins == 1) {
      RoundWinner = storyWinner;
      won = true;
    }
    if (won) ++S().roundsWonTotal[i];
  }
}

void AwardRound() {
  if (g_match.teamMode != 1) {
    AwardFreeForAll();
    return;
  }
  if (AllOfTeamOut(0, kStateGhost)) AwardTeam(1, 3);
  if (AllOfTeamOut(1, kStateGhost)) AwardTeam(0, 1);
}

void StartSparks(const BattleObject& player, int p) {
  for (int k = 0; k < kSparkCount; ++k) {
    KnockOutSpark& spark = g_knockOutSparks[p][k];
    const int heading = morrow::GetRandomNumber(63) + 64 * (k % 4);
    const float speed = static_cast<float>((morrow::GetRandomNumber(30) * 0.1 + 1.0) * 1.5);
    spark.x = player.x;
    spark.y = player.y;
    spark.vx = CosOf(heading) / 256.0f * speed;
    spark.vy = NegSinOf(heading) / 256.0f * speed;
  }
}

}  // namespace

void KnockOutTest(BattleObject& player, int p, int fromState) {
  if (player.life > 0) return;
  ScreenShake = 20;
  player.life = 0;
  player.state = kStateKnockedOut;
  player.stateTimer = 120;
  if (fromState == kStateHitStun) {
    player.guard = 2;
  } else {
    S().recoveryGuard[p] = 2;
  }
  const int inPlay = PlayersInPlay();
  if (RoundDecided(p, kStateKnockedOut, kStateKnockedOut)) {
    FreezeFrames = 60;
    RoundEndFrames = 120;
    for (int i = 0; i < inPlay; ++i) {
      if (g_players[i].state >= kStateKnockedOut) continue;
      if (fromState == kStateHitStun) {
        S().recoveryGuard[i] = 8;
      } else {
        g_players[i].guard = 1;
      }
    }
  }
  // In the story and in survival the round ends with player 0.
  if (StoryOrSurvival() && p == 0) {
    FreezeFrames = 60;
    RoundEndFrames = 120;
    for (int i = 0; i < inPlay; ++i) {
      if (g_players[i].state < kStateKnockedOut) g_players[i].guard = 1;
    }
  }
}

bool UpdateKnockedOut(BattleObject& player, int p) {
  player.vx = 0.0f;
  player.vy = 0.0f;
  S().airborne[p] = 0;
  S().recoveryGuard[p] = 2;
  if (player.z < 0.0f && player.stateTimer > 4) {
    player.vz = static_cast<float>(player.vz + 0.1);
    player.z += player.vz;
    if (player.z > 0.0f) player.z = 0.0f;
  }
  if (player.stateTimer == 120) {
    PlaySoundEntry(kSoundOut);
    FlashFrames = 10;
    FlashLength = 20;
    StartSparks(player, p);
  }
  for (KnockOutSpark& spark : g_knockOutSparks[p]) {
    spark.vx = static_cast<float>(spark.vx * 0.98);
    spark.vy = static_cast<float>(spark.vy * 0.98);
    spark.x += spark.vx;
    spark.y += spark.vy;
  }
  --player.stateTimer;
  if (player.stateTimer != 0) return true;
  LastKnockedOut = player.kind;
  player.state = kStateGhost;
  player.rooted = 0;
  S().specialMode[p] = 0;
  // A knock-out that ends between rounds awards nothing.
  if (RoundFrame < 0) return false;
  if (RoundDecided(p, kStateGhost, kStateGhost)) AwardRound();
  if (StoryOrSurvival() && p == 0) {
    RoundWinner = 2;
    ++S().wins[1];
  }
  return true;
}

void UpdateGhost(BattleObject& player, int p) {
  S().recoveryGuard[p] = 2;
  if (StoryPreFight != 0) return;
  const int heading = HeldDirection(p);
  float tx = 0.0f;
  float ty = 0.0f;
  if (heading != kNoDirection) {
    if (player.state < kStateGhostAttackStanding) player.state = kStateGhostMove;
    tx = static_cast<float>(CosOf(heading) / 256.0f * 1.2);
    ty = static_cast<float>(NegSinOf(heading) / 256.0f * 1.2);
  } else if (player.state < kStateGhostAttackStanding) {
    player.state = kStateGhost;
  }
  if (player.rooted == 1) {
    tx = ty = 0.0f;
  } else if (heading != kNoDirection) {
    player.heading = heading;
  }
  BlendVelocity(&player.vx, &player.vy, tx, ty, 5, 1);
  Advance(player);
  // A ghost drains the meter of the players it passes through.
  const int inPlay = PlayersInPlay();
  for (int i = 0; i < inPlay; ++i) {
    BattleObject& other = g_players[i];
    if (i == p || other.guard > 0) continue;
    if (CheckCircleHit(player.x, player.y, other.x, other.y, 64)) other.meter -= 2.0f;
  }
  if (player.state == kStateGhostMove) {
    ++player.stateTimer;
  } else if (player.state == kStateGhost) {
    player.stateTimer = 0;
  }
  if (RoundFrame > 280 || RoundFrame < 0) UpdateAttackInput(&player, p);
}

}  // namespace veyrdale::battle_scene
