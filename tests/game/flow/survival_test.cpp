// The survival run on the recording stand-in: a whole run of round set-ups from a fixed seed, the
// random tables' neighbour rule, the colour slots of equal opponents, counters from nowhere, and
// the result scene with the record it keeps.
#include "game/flow/survival.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "morrow/system/time.h"
#include "tests/game/flow/result_harness.h"

namespace {

using namespace veyrdale;
using testsupport::kB1;
using testsupport::Recorder;

class SurvivalRun : public testsupport::ResultHarness {
 protected:
  // Player 0 on character 3 in colour 0, as the selection leaves a run's start.
  void StartRun() {
    g_match.survivalMode = 1;
    g_players[0].kind = 3;
    g_match.colourSlot[0] = 0;
    g_match.colourTaken[3][0] = 1;
    RoundNumber = 0;
    g_playerState.score[0] = 0;
  }
  std::vector<int> Opponents() const {
    std::vector<int> out;
    for (int p = 1; p < g_match.playerCount; ++p) out.push_back(g_players[p].kind);
    return out;
  }
};

bool PoolAllows(int round, int c) {
  return round >= 19 || c < 10 || c > 13;
}

TEST_F(SurvivalRun, TwentyNineRoundsFromAFixedSeed) {
  struct Round {
    int arena, players, boss, variant;
    bool teams;
    std::vector<int> fixed;  // empty: drawn
  };
  const Round random3 = {-1, 3, 0, 0, false, {}};
  const Round random4 = {-1, 4, 0, 0, false, {}};
  const Round pair = {-1, 3, 0, 2, true, {}};
  const Round triple = {-1, 4, 0, 2, true, {}};
  std::vector<Round> rounds = {random3, random3, random3, {2, 2, 1, 1, false, {0}},       random4,
                               random4, random4, random4, {0, 2, 1, 1, false, {6}},       random4,
                               random4, pair,    random4, {3, 2, 1, 1, false, {5}},       pair,
                               random4, pair,    random4, {5, 2, 1, 1, false, {7}},       pair,
                               pair,    pair,    random4, {6, 3, 1, 2, true, {3, 8}},     triple,
                               triple,  triple,  triple,  {7, 4, 1, 2, true, {10, 11, 9}}};
  const int arenas[29] = {0, 1, 2, 2, 4, 5, 6, 8, 0, 1, 2, 3, 4, 3, 6,
                          8, 0, 1, 5, 3, 4, 5, 6, 6, 0, 1, 2, 3, 7};
  StartRun();
  morrow::SeedRandom(47);
  std::set<int> used;  // the pool's draws since its last refill
  int refills = 0;
  for (int r = 0; r < 29; ++r) {
    SCOPED_TRACE("round " + std::to_string(r));
    const Round& want = rounds[r];
    SetupSurvivalRound();
    EXPECT_EQ(RoundNumber, r + 1);
    EXPECT_EQ(g_playerState.score[0], 1000 * (r + 1));
    EXPECT_EQ(g_match.stage, arenas[r]);
    EXPECT_EQ(g_match.playerCount, want.players);
    EXPECT_EQ(SurvivalBossRound, want.boss);
    EXPECT_EQ(ArenaVariant, want.variant);
    EXPECT_EQ(g_match.teamMode, want.teams ? 1 : 0);
    EXPECT_EQ(FrameBudget, 9900);
    EXPECT_EQ(SceneId, kSceneBattle);
    const std::vector<int> opponents = Opponents();
    if (!want.fixed.empty()) {
      EXPECT_EQ(opponents, want.fixed);
    }
    for (int i = 0; i < want.players - 1; ++i) {
      const int p = i + 1;
      const int c = opponents[i];
      EXPECT_EQ(g_match.cpuFlag[p], 1);
      EXPECT_EQ(g_match.team[p], want.teams ? 1 : 0);
      // Player 0's own colour and the earlier opponents of the character push it on, to 2 at most.
      int before = c == 3 ? 1 : 0;
      for (int j = 0; j < i; ++j) before += opponents[j] == c ? 1 : 0;
      EXPECT_EQ(g_match.colourSlot[p], std::min(before, 2)) << "opponent " << p;
      if (want.fixed.empty() && want.variant == 0) {
        EXPECT_TRUE(PoolAllows(r, c)) << c;
        bool left = false;
        for (int k = 0; k < 16; ++k) left = left || (PoolAllows(r, k) && used.count(k) == 0);
        if (!left) {
          std::erase_if(used, [r](int k) { return PoolAllows(r, k); });
          ++refills;
        }
        EXPECT_EQ(used.count(c), 0u) << "a pool draw repeats " << c << " before the refill";
        used.insert(c);
      }
    }
    EXPECT_EQ(g_match.colourTaken[3][0], 1);
    int taken = 0;
    for (const auto& row : g_match.colourTaken)
      taken += static_cast<int>(std::count(row, row + 8, 1));
    EXPECT_EQ(taken, 1) << "the table holds player 0's colour alone";
  }
  EXPECT_GE(refills, 2);
  SetupSurvivalRound();
  EXPECT_EQ(SceneId, kSceneSurvivalResult);
  EXPECT_EQ(RoundNumber, 29);
  EXPECT_EQ(g_playerState.score[0], 30000) << "the run's last won round pays its bonus too";
  EXPECT_EQ(Recorder().Named("StartMusicPlayback").back().Text(),
            "StartMusicPlayback Resource\\Bgm\\02.bgm 1");
}

TEST_F(SurvivalRun, ARepeatedTableRowTakesItsNeighbour) {
  const int pairs[11][2] = {{1, 2}, {1, 4}, {1, 9}, {2, 5}, {2, 7}, {3, 2},
                            {3, 4}, {3, 8}, {3, 2}, {5, 6}, {7, 5}};
  const int triples[5][3] = {{5, 1, 4}, {1, 5, 7}, {1, 2, 3}, {0, 4, 9}, {8, 7, 5}};
  for (const int round : {11, 24}) {
    const int last = round == 11 ? 10 : 4;
    bool sawZero = false, sawOther = false;
    for (uint32_t seed = 0; seed < 400 && !(sawZero && sawOther); ++seed) {
      morrow::SeedRandom(seed);
      const int v = morrow::GetRandomNumber(last);
      if ((v == 0 && sawZero) || (v != 0 && sawOther)) continue;
      (v == 0 ? sawZero : sawOther) = true;
      for (const bool repeat : {false, true}) {
        SCOPED_TRACE("round " + std::to_string(round) + " draw " + std::to_string(v) +
                     (repeat ? " repeated" : ""));
        Restart();
        StartRun();
        RoundNumber = round;
        SurvivalLastPick = repeat ? v : v + 1;
        morrow::SeedRandom(seed);
        SetupSurvivalRound();
        const int row = !repeat ? v : (v == 0 ? 1 : v - 1);
        EXPECT_EQ(SurvivalLastPick, row);
        std::vector<int> want = round == 11 ? std::vector<int>(pairs[row], pairs[row] + 2)
                                            : std::vector<int>(triples[row], triples[row] + 3);
        EXPECT_EQ(Opponents(), want);
      }
    }
    EXPECT_TRUE(sawZero && sawOther);
  }
}

TEST_F(SurvivalRun, TwoRandomOpponentsOfOneCharacterTakeTheNextColours) {
  // Only character 5 is left in the pool: the first opponent takes it, the second refills the
  // pool and may draw it again.
  for (const int own : {3, 5}) {
    SCOPED_TRACE("player 0 on " + std::to_string(own));
    bool seen = false;
    for (uint32_t seed = 0; seed < 2000 && !seen; ++seed) {
      Restart();
      StartRun();
      g_players[0].kind = static_cast<uint16_t>(own);
      g_match.colourTaken[3][0] = 0;
      g_match.colourTaken[own][0] = 1;
      std::fill(std::begin(SurvivalOpponentUsed), std::end(SurvivalOpponentUsed), 1);
      SurvivalOpponentUsed[5] = 0;
      morrow::SeedRandom(seed);
      SetupSurvivalRound();
      ASSERT_EQ(g_players[1].kind, 5);
      if (g_players[2].kind != 5) continue;
      seen = true;
      EXPECT_EQ(g_match.colourSlot[1], own == 5 ? 1 : 0);
      EXPECT_EQ(g_match.colourSlot[2], own == 5 ? 2 : 1);
    }
    EXPECT_TRUE(seen);
  }
}

TEST_F(SurvivalRun, CountersFromNowhereStayInTheirTables) {
  const int32_t rounds[] = {INT_MIN, -1, 18, 28, 29, INT_MAX};
  const int32_t picks[] = {INT_MIN, -1, 0, 99};
  const int32_t cycles[] = {INT_MIN, -3, 7, 9, INT_MAX};
  int n = 0;
  for (int32_t r : rounds) {
    for (int32_t pick : picks) {
      Restart();
      StartRun();
      g_players[0].kind = static_cast<uint16_t>(n % 2 == 0 ? 200 : 15);
      g_match.colourSlot[0] = n % 3 == 0 ? -4 : 99;
      RoundNumber = r;
      SurvivalLastPick = pick;
      SurvivalArenaCycle = cycles[n % 5];
      for (int c = 0; c < 16; ++c) SurvivalOpponentUsed[c] = (c * 7 + n) % 3 - 1;
      ++n;
      SetupSurvivalRound();
      if (SceneId == kSceneSurvivalResult) continue;
      EXPECT_GE(g_match.stage, 0);
      EXPECT_LE(g_match.stage, 8 + (r == 28 ? 1 : 0));
      for (int p = 1; p < g_match.playerCount; ++p) EXPECT_LT(g_players[p].kind, 16);
      EXPECT_GE(SurvivalArenaCycle, 0);
      EXPECT_LE(SurvivalArenaCycle, 8);
    }
  }
}

// ---- Scene 29 -----------------------------------------------------------------------------

std::vector<int32_t> ReadWords(const char* file) {
  std::vector<int32_t> words;
  if (FILE* f = std::fopen(file, "rb")) {
    int32_t w;
    while (std::fread(&w, 4, 1, f) == 1) words.push_back(w);
    std::fclose(f);
  }
  return words;
}

TEST_F(SurvivalRun, TheResultKeepsANewBestAndReturnsToTheSelection) {
  struct Case {
    const char* name;
    int32_t round, winner, score, stored;
    bool fromFile;  // the stored best read from a file with damaged rows
    const char* emblem;
    bool written;
    int32_t stage;  // stored when written
  } cases[] = {
      {"completed run", 29, 1, 500000, 100000, false, "kak:2", true, 31},
      {"lost at round 12", 12, 2, 123456, 100000, false, "kak:1", true, 13},
      {"round 29 lost", 29, 2, 123456, 100000, false, "kak:1", true, 30},
      {"equal score", 12, 2, 100000, 100000, false, "kak:1", false, 0},
      {"below an unsigned best", 12, 2, 999999, -1, false, "kak:1", false, 0},
      // Read, that best is the default row's, which the run beats.
      {"a negative best from the file", 12, 2, 123456, -1, true, "kak:1", true, 13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    std::remove("Data/score_s.sav");
    StartRun();
    g_survival.bestScore[3] = c.stored;
    if (c.fromFile) {  // with a row of character 7 that no run leaves either
      g_survival.stage[7] = 99;
      ASSERT_EQ(SaveDataFile(kSurvivalFile, kSaveSurvival), 0);
      ASSERT_EQ(LoadDataFile(kSurvivalFile, kLoadSurvival), 0);
    }
    RoundNumber = c.round;
    RoundWinner = c.winner;
    g_playerState.score[0] = c.score;
    g_playerState.knockOuts[0] = 7;
    g_playerState.roundsWonTotal[0] = g_playerState.powerUp[0] = 5;
    g_match.cpuFlag[2] = 1;
    g_match.teamMode = 1;
    Enter(kSceneSurvivalResult);
    UntilSceneFrame(180);
    Recorder().ClearCalls();
    Frame();
    EXPECT_EQ(Count("DrawRotaGraph 460 160 1 0 " + std::string(c.emblem) + " 1 0"), 1);
    EXPECT_EQ(CountContaining("font15:0"), c.written ? 1 : 0) << "the new-best sign";
    Recorder().ClearCalls();
    Press(0, kB1);
    EXPECT_EQ(SurvivalLeaveCountdown, 0) << "no leave before frame 191";
    UntilSceneFrame(191);
    Press(0, kB1);
    Frames(77);
    EXPECT_EQ(SceneId, kSceneSurvivalResult);
    EXPECT_TRUE(LastFrameCaptured());
    Frames(1);
    EXPECT_EQ(SceneId, kSceneCharacterSelect);
    EXPECT_EQ(g_match.playerCount, 1);
    EXPECT_EQ(g_match.teamMode, 0);
    EXPECT_EQ(g_match.cpuFlag[2], 0);
    EXPECT_EQ(g_playerState.score[0] + g_playerState.knockOuts[0] +
                  g_playerState.roundsWonTotal[0] + g_playerState.powerUp[0],
              0);
    EXPECT_EQ(g_match.colourTaken[3][0], 0);
    EXPECT_EQ(Recorder().Named("StartMusicPlayback").back().Text(),
              "StartMusicPlayback Resource\\Bgm\\01.bgm 3");
    const std::vector<int32_t> words = ReadWords("Data/score_s.sav");
    if (!c.written) {
      EXPECT_TRUE(words.empty()) << "no file for no new best";
      continue;
    }
    ASSERT_EQ(words.size(), 48u);
    EXPECT_EQ(words[9], c.score);
    EXPECT_EQ(words[10], c.stage);
    EXPECT_EQ(words[11], 7);
    EXPECT_EQ(words[0], 100000) << "the other characters as they were";
    EXPECT_EQ(words[22], 0) << "character 7's row as it was shown";
  }
}

}  // namespace
