// The round clock and the time-up award. Time-up gives the round to the player, or the team, with
// the most life; equal life, or nobody with any, is a draw that ends the round without a winner.
#include "game/battle/round_clock.h"

#include <cstdint>
#include <limits>

#include "game/battle/player_control.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"

namespace veyrdale {

namespace {

constexpr int kFightBegins = 280;  // the round announcement ends here
constexpr int kNoTimeLimit = 2;    // the time-limit option's "no limit"
constexpr int kNobodyWins = -1;

// A count that the award raises; one at its top stays there.
void Raise(int32_t& count) {
  if (count < std::numeric_limits<int32_t>::max()) ++count;
}

// True when `wins` is the win count that takes the match.
bool WinsMatch(int32_t wins) {
  return wins == static_cast<int64_t>(g_options.winCount) + 1;
}

// The one player with the most life; a draw when another has as much, or when the most is none.
int FreeForAllWinner(int inPlay) {
  int best = 0;
  for (int i = 1; i < inPlay; ++i) {
    if (g_players[i].life > g_players[best].life) best = i;
  }
  const int32_t most = g_players[best].life;
  if (most <= 0) return kNobodyWins;
  for (int i = 0; i < inPlay; ++i) {
    if (i != best && g_players[i].life == most) return kNobodyWins;
  }
  return best;
}

// Team 0 or 1 by the members' average life (summed in 64 bits, divided as integers). A team
// nobody plays on cannot win: it leaves the round to the other team, or, both empty, a draw.
int WinningTeam(int inPlay) {
  int64_t sum[2] = {};
  int64_t members[2] = {};
  for (int i = 0; i < inPlay; ++i) {
    const int32_t team = g_match.team[i];
    if (team != 0 && team != 1) continue;
    sum[team] += g_players[i].life;
    ++members[team];
  }
  if (members[0] == 0) return members[1] == 0 ? kNobodyWins : 1;
  if (members[1] == 0) return 0;
  const int64_t average0 = sum[0] / members[0];
  const int64_t average1 = sum[1] / members[1];
  if (average0 == average1) return kNobodyWins;
  return average0 > average1 ? 0 : 1;
}

// The member of `team` with the most life, the earlier of equals. The team has a member.
int BestOfTeam(int team, int inPlay) {
  int best = -1;
  for (int i = 0; i < inPlay; ++i) {
    if (g_match.team[i] != team) continue;
    if (best < 0 || g_players[i].life > g_players[best].life) best = i;
  }
  return best;
}

void AwardFreeForAll(int inPlay) {
  const int winner = FreeForAllWinner(inPlay);
  if (winner == kNobodyWins) return;
  PlayerBattleState& s = g_playerState;
  Raise(s.wins[winner]);
  if (g_match.storyMode != 0 && s.wins[winner] == 1) {
    RoundWinner = winner + 1;
    Raise(s.roundsWonTotal[winner]);
  } else if (WinsMatch(s.wins[winner])) {
    RoundWinner = winner + 1;
  }
}

void AwardTeam(int inPlay) {
  const int team = WinningTeam(inPlay);
  if (team == kNobodyWins) return;
  PlayerBattleState& s = g_playerState;
  for (int i = 0; i < inPlay; ++i) {
    if (g_match.team[i] == team) Raise(s.wins[i]);
  }
  const int best = BestOfTeam(team, inPlay);
  if (g_match.storyMode != 0 && s.wins[best] == 1) {
    // The story's side is player 0's: when it wins, the round is player 0's.
    const int winner = g_match.team[0] == team ? 0 : best;
    RoundWinner = winner + 1;
    Raise(s.roundsWonTotal[winner]);
  } else if (WinsMatch(s.wins[best])) {
    RoundWinner = best + 1;
  }
}

void TimeUp() {
  const int inPlay = PlayersInPlay();
  if (g_match.teamMode == 1) {
    AwardTeam(inPlay);
  } else {
    AwardFreeForAll(inPlay);
  }
  FreezeFrames = 60;
  RoundEndFrames = 120;
  for (int i = 0; i < inPlay; ++i) {
    if (g_players[i].state < kStateKnockedOut) g_playerState.recoveryGuard[i] = 8;
  }
}

}  // namespace

void RunRoundClock() {
  if (RoundEndFrames != 0 || FreezeFrames != 0 || RoundFrame < kFightBegins || FrameBudget <= 0) {
    return;
  }
  if (g_match.survivalMode != 0) return;
  if (g_match.storyMode == 0 && g_options.timeLimit >= kNoTimeLimit) return;
  --FrameBudget;
  if (FrameBudget == 0) TimeUp();
}

}  // namespace veyrdale
