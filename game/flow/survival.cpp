// The survival run's rounds and its result.
#include "game/flow/survival.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <numbers>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "game/flow/frame_loop.h"
#include "game/flow/menu_common.h"
#include "game/flow/result_number.h"
#include "game/flow/result_pictures.h"
#include "game/flow/story_results.h"
#include "game/view/draw_conventions.h"
#include "morrow/graphics/draw.h"
#include "morrow/sound/music.h"
#include "morrow/sound/sound.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

constexpr int kLastRound = 28;
constexpr int kRoundBonus = 1000;
constexpr int kRoundFrameBudget = 9900;
constexpr int kFirstRoundOfAll = 19;  // characters 10-13 join the random pool from here

using view::kBlendAdd;
constexpr int kFirstLeaveFrame = 191;
constexpr int kLeaveFrames = 80;

enum class Opponents : uint8_t { kRandom, kPair, kTriple, kFixed };

struct RoundRow {
  int players;
  bool teams;  // player 0 against the rest
  Opponents opponents;
  int fixed[3];  // players 1-3 of a fixed round
  int arena;     // -1: the next arena of the cycle
  int boss;      // SurvivalBossRound
  int variant;   // ArenaVariant
};

constexpr RoundRow kRandom3 = {3, false, Opponents::kRandom, {}, -1, 0, 0};
constexpr RoundRow kRandom4 = {4, false, Opponents::kRandom, {}, -1, 0, 0};
constexpr RoundRow kPairRound = {3, true, Opponents::kPair, {}, -1, 0, 2};
constexpr RoundRow kTripleRound = {4, true, Opponents::kTriple, {}, -1, 0, 2};

constexpr RoundRow kRounds[kLastRound + 1] = {
    kRandom3,
    kRandom3,
    kRandom3,                                     // 0-2
    {2, false, Opponents::kFixed, {0}, 2, 1, 1},  // 3
    kRandom4,
    kRandom4,
    kRandom4,
    kRandom4,                                     // 4-7
    {2, false, Opponents::kFixed, {6}, 0, 1, 1},  // 8
    kRandom4,
    kRandom4,
    kPairRound,
    kRandom4,                                     // 9-12
    {2, false, Opponents::kFixed, {5}, 3, 1, 1},  // 13
    kPairRound,
    kRandom4,
    kPairRound,
    kRandom4,                                     // 14-17
    {2, false, Opponents::kFixed, {7}, 5, 1, 1},  // 18
    kPairRound,
    kPairRound,
    kPairRound,
    kRandom4,                                       // 19-22
    {3, true, Opponents::kFixed, {3, 8}, 6, 1, 2},  // 23
    kTripleRound,
    kTripleRound,
    kTripleRound,
    kTripleRound,                                        // 24-27
    {4, true, Opponents::kFixed, {10, 11, 9}, 7, 1, 2},  // 28
};

constexpr int kPairs[11][2] = {{1, 2}, {1, 4}, {1, 9}, {2, 5}, {2, 7}, {3, 2},
                               {3, 4}, {3, 8}, {3, 2}, {5, 6}, {7, 5}};
constexpr int kTriples[5][3] = {{5, 1, 4}, {1, 5, 7}, {1, 2, 3}, {0, 4, 9}, {8, 7, 5}};

// The arena cycle visits 0-6 and 8; 7 is the last round's alone.
constexpr int kSkippedArena = 7;
constexpr int kLastCycleArena = 8;

// A row of a random table, never the row drawn last time: a repeat takes the row before it (row 1
// for row 0).
int DrawTableRow(int lastRow) {
  int v = morrow::GetRandomNumber(lastRow);
  if (v == SurvivalLastPick) v = v == 0 ? 1 : v - 1;
  SurvivalLastPick = v;
  return v;
}

// A character no random opponent of the run has been yet, 10-13 left out before round 19; once
// every allowed one has been, they all may be again.
int DrawPoolOpponent(int r) {
  const auto allowed = [r](int c) { return r >= kFirstRoundOfAll || c < 10 || c > 13; };
  int candidates[16];
  int count = 0;
  for (int c = 0; c < 16; ++c) {
    if (allowed(c) && SurvivalOpponentUsed[c] == 0) candidates[count++] = c;
  }
  if (count == 0) {
    for (int c = 0; c < 16; ++c) {
      if (!allowed(c)) continue;
      SurvivalOpponentUsed[c] = 0;
      candidates[count++] = c;
    }
  }
  const int pick = candidates[std::clamp(morrow::GetRandomNumber(count - 1), 0, count - 1)];
  SurvivalOpponentUsed[pick] = 1;
  return pick;
}

// Colour slot 0 of the character when free, else 1 when free, else 2 whatever holds it.
void TakeColour(int p) {
  int32_t* taken = g_match.colourTaken[g_players[p].kind];
  const int slot = taken[0] == 0 ? 0 : (taken[1] == 0 ? 1 : 2);
  g_match.colourSlot[p] = slot;
  taken[slot] = 1;
}

void ChooseOpponents(const RoundRow& row, int r) {
  const int opponents = row.players - 1;
  int row3[3] = {};
  switch (row.opponents) {
    case Opponents::kPair: {
      const int v = DrawTableRow(static_cast<int>(std::size(kPairs)) - 1);
      row3[0] = kPairs[v][0];
      row3[1] = kPairs[v][1];
      break;
    }
    case Opponents::kTriple: {
      const int v = DrawTableRow(static_cast<int>(std::size(kTriples)) - 1);
      std::copy(std::begin(kTriples[v]), std::end(kTriples[v]), row3);
      break;
    }
    case Opponents::kFixed:
      std::copy(std::begin(row.fixed), std::end(row.fixed), row3);
      break;
    case Opponents::kRandom:
      break;
  }
  for (int i = 0; i < opponents; ++i) {
    const int p = i + 1;
    const int c = row.opponents == Opponents::kRandom ? DrawPoolOpponent(r) : row3[i];
    g_players[p].kind = static_cast<uint16_t>(c);
    g_match.cpuFlag[p] = 1;
    if (row.teams) g_match.team[p] = 1;
    TakeColour(p);
  }
}

// The round's arena: the cycle's next, or the round's own, after which the cycle skips the arena
// just shown.
int NextArena(const RoundRow& row) {
  // A cycle value no run reaches (an edited counter) starts the cycle again.
  if (SurvivalArenaCycle < 0 || SurvivalArenaCycle > kLastCycleArena) SurvivalArenaCycle = 0;
  int arena = SurvivalArenaCycle;
  ++SurvivalArenaCycle;
  if (row.arena >= 0) arena = row.arena;
  if (arena == SurvivalArenaCycle) ++SurvivalArenaCycle;
  if (SurvivalArenaCycle == kSkippedArena) SurvivalArenaCycle = kLastCycleArena;
  if (SurvivalArenaCycle > kLastCycleArena) SurvivalArenaCycle = 0;
  return arena;
}

void StartRoundMusic() {
  morrow::SetMusicVolume(MusicVolumeSetting());
}

void EndRun() {
  LoadGameResources(0);
  morrow::StopMusicPlayback();
  morrow::StartMusicPlayback("Resource\\Bgm\\02.bgm", 1);
  StartRoundMusic();
  SceneId = kSceneSurvivalResult;
}

void ClearColourTable() {
  for (auto& row : g_match.colourTaken) std::fill(std::begin(row), std::end(row), 0);
}

// ---- Scene 29 -----------------------------------------------------------------------------

void StoreNewBest() {
  if (!SurvivalNewBest()) return;
  const int c = g_players[0].kind;
  g_survival.bestScore[c] = g_playerState.score[0];
  g_survival.breaks[c] = g_playerState.knockOuts[0];
  g_survival.stage[c] =
      RoundWinner == 1 ? kSurvivalCompletedStage : SaturateToInt(int64_t{RoundNumber} + 1);
  SaveDataFile(kSurvivalFile, kSaveSurvival);
}

void RunLeave() {
  if (SceneFrame >= kFirstLeaveFrame && SurvivalLeaveCountdown == 0 && Pressed(kInputButton1, 0)) {
    SurvivalLeaveCountdown = kLeaveFrames;
  }
  if (!StepLeaveCountdown(SurvivalLeaveCountdown)) return;
  StoreNewBest();
  // The run is over: the selection and the menus after it show and play the player's difficulty.
  RestorePlayerDifficulty();
  ClearColourTable();
  g_match.playerCount = 1;
  SceneId = kSceneCharacterSelect;
  SceneFrame = 0;
  g_match.teamMode = 0;
  for (int p = 0; p < 4; ++p) g_match.cpuFlag[p] = g_match.colourSlot[p] = 0;
  PlayerBattleState& s = g_playerState;
  s.score[0] = s.roundsWonTotal[0] = s.shotsFired[0] = s.shotsHit[0] = s.knockOuts[0] = 0;
  s.obstaclesBroken[0] = s.damageDealt[0] = s.powerUp[0] = s.itemCount[0] = 0;
  morrow::StopMusicPlayback();
  morrow::StartMusicPlayback("Resource\\Bgm\\01.bgm", 3);
  StartRoundMusic();
}

// The portrait slides in from the left with player 0's numbers, and the header
// slides in over 60 frames.
void DrawRunPanel(int f) {
  if (f >= 101) {
    morrow::SetFilterMode(1);
    const int c = g_players[0].kind;
    if (f < 110) {
      SetAlphaDrawing(TruncToInt((f - 100) * 0.1 * 255));
      DrawCentred(2 * f - 20, 200, ResultPortrait(0, 0));
    } else {
      SetPlainDrawing();
      DrawCentred(200, 200, ResultPortrait(0, 0));
    }
    DrawCentred(130, 410, c < 16 ? MenuPicture(kPicName, c) : -1);
    morrow::DrawGraph(360, 260, MenuPicture(kPicFont02, 6), 1);
    morrow::DrawGraph(360, 290, MenuPicture(kPicFont02, 7), 1);
    morrow::DrawGraph(360, 338, MenuPicture(kPicFont09, 0), 1);
    DrawResultNumber(488, 265, SaturateToInt(int64_t{RoundNumber} + 1), 0);
    DrawResultNumber(488, 295, g_playerState.knockOuts[0], 0);
    DrawBigNumber(542, 375, g_playerState.score[0]);
    morrow::SetFilterMode(0);
  }
  if (f >= 100) {
    if (f < 160) {
      const double s = (f - 100) / 60.0;
      SetAlphaDrawing(TruncToInt(255 * s));
      morrow::DrawGraph(TruncToInt(-16 * (1 - s)), 0, MenuPicture(kPicFont01, 9), 1);
      morrow::DrawGraph(TruncToInt(-480 * (1 - s)), 54, MenuPicture(kPicLine, 0), 1);
    } else {
      SetPlainDrawing();
      morrow::DrawGraph(0, 0, MenuPicture(kPicFont01, 9), 1);
      morrow::DrawGraph(0, 54, MenuPicture(kPicLine, 0), 1);
    }
    morrow::DrawGraph(170, 24, MenuPicture(kPicFont04, 5), 1);
  }
}

// The new-best sign grows in over 16 frames, then pulses every 64.
void DrawNewBestSign(int f) {
  if (f < 160 || !SurvivalNewBest()) return;
  double scale = 1;
  int strength;
  if (f < 176) {
    const double s = (f - 160) / 16.0;
    strength = TruncToInt(255 * s);
    scale = 1 + 2 * (1 - s);
  } else {
    const int phase = PositiveModulo(4 * f, 256);
    strength = 128 - TruncToInt(127 * std::sin(2 * std::numbers::pi * phase / 256));
  }
  morrow::SetBlendMode(kBlendAdd, strength);
  morrow::DrawRotaGraph(484, 416, scale, 0.0, MenuPicture(kPicFont15, 0), 1, 0);
}

}  // namespace

void SetupSurvivalRound() {
  const int r = RoundNumber;
  int32_t& score = g_playerState.score[0];
  if (g_match.storyStage >= 0) score = SaturateToInt(int64_t{score} + kRoundBonus);
  SurvivalBossRound = 0;
  ArenaVariant = 0;
  g_match.playerCount = r < 3 ? 3 : 4;
  g_match.teamMode = 0;
  std::fill(std::begin(g_match.team), std::end(g_match.team), 0);
  if (r > kLastRound) {
    EndRun();
    return;
  }
  // A negative counter (never set by a run) plays the first round's kind.
  const RoundRow& row = kRounds[r < 0 ? 0 : r];
  g_match.playerCount = row.players;
  if (row.teams) g_match.teamMode = 1;
  SurvivalBossRound = row.boss;
  ArenaVariant = row.variant;
  ChooseOpponents(row, r);
  g_match.stage = NextArena(row);

  PlayerBattleState& s = g_playerState;
  std::fill(std::begin(s.wins), std::end(s.wins), 0);
  RoundWinner = 0;
  FrameBudget = kRoundFrameBudget;
  RoundNumber = SaturateToInt(int64_t{RoundNumber} + 1);
  for (int p = 0; p < PlayerCountUpToFour(); ++p) {
    s.itemCount[p] = 0;
    g_match.startGaugeLevel[p] = 1;
    g_match.handicap[p] = 2;
  }
  ClearColourTable();
  const int own = g_players[0].kind;
  const int colour = g_match.colourSlot[0];
  if (own < 16 && colour >= 0 && colour < 8) g_match.colourTaken[own][colour] = 1;
  LoadGameResources(1);
  morrow::StopMusicPlayback();
  PlayStageBgm(g_match.stage, 0);
  DeleteLoadingPicture();
  cardsBroken = 0;
  StartRoundMusic();
}

bool SurvivalNewBest() {
  const int c = g_players[0].kind;
  if (c >= 16) return false;
  return static_cast<uint32_t>(g_survival.bestScore[c]) <
         static_cast<uint32_t>(g_playerState.score[0]);
}

void SurvivalResultScene() {
  const int f = SceneFrame;
  RunLeave();
  morrow::SetFilterMode(0);
  morrow::SetModulationColor(24, 160, 96);
  SetPlainDrawing();
  morrow::DrawGraph(0, 0, CaptureGraph, 1);
  morrow::SetModulationColor(255, 255, 255);
  const bool completed = RoundNumber == kLastRound + 1 && RoundWinner == 1;
  DrawSpinningEmblem(f, MenuPicture(kPicKak, completed ? 2 : 1), 460, 160, true);
  if (f == 100) LoadResultPortrait(0);
  DrawRunPanel(f);
  DrawNewBestSign(f);
  const int c = SurvivalLeaveCountdown;
  if (c > 0) {
    if (c > 20) {
      SetAlphaDrawing((kLeaveFrames - c) * 255 / 60);
    } else {
      SetPlainDrawing();
    }
    DrawScreenBox(0, 0, 0);
  }
  DrawResultCrossFade();
}

}  // namespace veyrdale
