// Every mode's own set-up, run through the scene that starts it, reads the maps of the arena it
// chose, and so do the set-ups that lead on without a menu (survival's next round after a won one,
// the story's next stage) for the rounds they start; a round started after a set-up that skipped
// them stops a debug build, naming the arena, the map and the mode.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/battle/player_control.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "tests/game/flow/menu_harness.h"
#include "tests/support/script_files.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace veyrdale;
using testsupport::kB1;

// The later rounds a mode's first round leads to, one letter each: 'S' a won fight's way on to a
// set-up of its own, which the flow makes without a menu; 'M' a won round's way on to the same
// match's next round, and 'C' a lost story fight's continue, both on the maps their set-up read.
struct ModeSetUp {
  const char* mode;  // as the guard names it
  int scene;         // the scene whose set-up starts the battle
  void (*prepare)();
  bool pressesB1;  // player 0 presses button 1 now and then
  const char* later;
};

const ModeSetUp kModes[] = {
    // Stage 0 is all dialogue and leads straight on to stage 1 (arena 2, then arena 0); stage 1's
    // fight leads through stage 2's dialogue and the result scene to stage 3, on arena 0 again,
    // whose lost fight the player continues.
    {"story", kSceneStoryKind, [] { MenuReturnCursor = 0; }, true, "SSC"},
    // Stage 0's fight, stage 1's dialogue and the result scene, then stage 2 (arena 4, then 5).
    {"extra story", kSceneStoryKind, [] { MenuReturnCursor = 1; }, true, "S"},
    // Arena 7, whose rounds draw one of six maps; two won rounds take the match.
    {"versus", kSceneStageSelect,
     [] {
       g_match.playerCount = 2;
       g_match.stage = 7;
       g_options.winCount = 1;
     },
     true, "M"},
    // Round 1 on arena 0, round 2 on arena 1: both take map 0.
    {"survival", kSceneCharacterSelect,
     [] {
       g_match.survivalMode = 1;
       g_match.playerCount = 1;
     },
     true, "S"},
    // The idle title's next counted frame starts the demonstration.
    {"demo", kSceneTitle, [] { DemoFrames = kDemoStart - 1; }, false, ""},
};

constexpr int kFightBegins = 280;     // the round's announcement is over
constexpr int kNoRoundYet = -1;       // player 3's wins at the round start, before any start
constexpr uint8_t kEarlierMap = 200;  // cell (0, 0) of every map as the first round left it

// In a working directory of the story's scripts, with the arena maps or without.
class StageMaps : public testsupport::MenuHarness {
 protected:
  void SetUp() override {
    MenuHarness::SetUp();
    tree_.WriteAllNamed();
  }

  void TreeWithMaps(bool maps) const {
    std::filesystem::remove_all(tree_.dir().File("Resource/Mpd"));
    if (maps) WriteMaps();
  }

  // Every map file, cell (0, 0) of map n holding n + 1.
  void WriteMaps() const {
    const testsupport::TempDir& dir = tree_.dir();
    std::filesystem::create_directories(dir.File("Resource/Mpd"));
    for (int n = 0; n < kArenaMapFiles; ++n) {
      const std::string name = (n < 10 ? "Resource/Mpd/0" : "Resource/Mpd/") + std::to_string(n);
      const std::string header = {20, 0, 15, 0};
      testsupport::WriteFile(dir.File(name + ".mpd"),
                             header + static_cast<char>(n + 1) + std::string(299, '\0'));
    }
  }

  // From program start through the mode's scene into the battle, as a player gets there.
  void Drive(const ModeSetUp& m) {
    Fresh();
    g_scores.unlockLevel = 3;
    g_match.versusStageCount = kArenaCount;
    m.prepare();
    Enter(m.scene);
    UntilSceneFrame(kMenuFirstInputFrame);
    for (int f = 0; f < 200 && SceneId != kSceneBattle; ++f) {
      Frame({m.pressesB1 && f % 2 == 0 ? kB1 : 0, 0, 0, 0});
    }
  }

  // Frames until a round starts; once the fight runs, player 0's opponents are knocked out, or with
  // `lose` player 0. False when none started. Player 0 presses on every third frame: a press on
  // every second one meets the end of each 32-frame slide of the dialogue, which closes the
  // one-page script before the dialogue counts as begun, and the slide starts again.
  bool UntilRoundStarts(const ModeSetUp& m, bool lose = false) {
    int32_t& started = g_playerState.winsAtRoundStart[kPlayerCount - 1];
    started = kNoRoundYet;
    for (int f = 0; f < 4000 && started == kNoRoundYet; ++f) {
      const bool fighting = SceneId == kSceneBattle && StoryPreFight == 0 &&
                            RoundFrame >= kFightBegins && RoundEndFrames == 0;
      for (int p = 0; fighting && p < g_match.playerCount; ++p) {
        if ((p == 0) == lose && g_players[p].state < kStateHitStun) testsupport::KnockOut(p);
      }
      Frame({m.pressesB1 && f % 3 == 0 ? kB1 : 0, 0, 0, 0});
    }
    return started != kNoRoundYet;
  }

  // The maps of the arena of the match as a set-up read them from the tree (cell (0, 0) of map n
  // holding n + 1, or unreadable and empty), or with `readAgain` false as the first round left them
  // (kEarlierMap); false when one is not.
  bool MapsAsRead(bool treeHasMaps, bool readAgain) const {
    const int arena = g_match.stage;
    const ArenaMapChoice maps = ArenaMapsOf(arena);
    EXPECT_GT(maps.count, 0) << "arena " << arena;
    // Kinds as numbers: 0 not read, 1 unreadable, 2 read.
    const int kind = static_cast<int>(treeHasMaps ? Kind::kRead : Kind::kUnreadable);
    bool asRead = maps.count > 0;
    for (int n = maps.first; n < maps.first + maps.count; ++n) {
      const ArenaMapImage& image = g_arenaMapFiles[n];
      const int cell = !readAgain ? kEarlierMap : treeHasMaps ? n + 1 : 0;
      EXPECT_EQ(static_cast<int>(image.kind), kind) << "arena " << arena << ", map " << n;
      EXPECT_EQ(image.cells[0], cell) << "arena " << arena << ", map " << n;
      asRead = asRead && static_cast<int>(image.kind) == kind && image.cells[0] == cell;
    }
    return asRead;
  }

  // The round started on one of those maps, or, unreadable, on the grid as it was (cell (0, 0) set
  // to -1 before).
  static void ExpectRoundOnThem(bool treeHasMaps, bool readAgain) {
    const ArenaMapChoice maps = ArenaMapsOf(g_match.stage);
    if (!treeHasMaps) {
      EXPECT_EQ(g_arenaMap.cells[0], -1);
    } else if (!readAgain) {
      EXPECT_EQ(g_arenaMap.cells[0], kEarlierMap);
    } else {
      EXPECT_GE(g_arenaMap.cells[0], maps.first + 1);
      EXPECT_LE(g_arenaMap.cells[0], maps.first + maps.count);
    }
  }

  using Kind = ArenaMapImage::Kind;
  testsupport::ScriptTree tree_;
};

// Each mode's first round starts on the maps its set-up read; from there player 0 wins every
// fight: each later round starts on the maps its own set-up read, or, in the same match, on those
// its first round took.
TEST_F(StageMaps, EveryRoundStartsOnTheMapsItsOwnSetUpRead) {
  for (const bool treeHasMaps : {true, false}) {
    TreeWithMaps(treeHasMaps);
    for (const ModeSetUp& m : kModes) {
      SCOPED_TRACE(std::string(m.mode) + (treeHasMaps ? ", maps in the tree" : ", no maps"));
      Drive(m);
      ASSERT_EQ(SceneId, kSceneBattle);
      // A map never read would stop the round start below, and the test with it.
      if (!MapsAsRead(treeHasMaps, true)) continue;
      g_arenaMap.cells[0] = -1;
      ASSERT_TRUE(UntilRoundStarts(m)) << "the first round";
      ExpectRoundOnThem(treeHasMaps, true);
      for (const char* later = m.later; *later != '\0'; ++later) {
        SCOPED_TRACE(std::string("later round ") + *later);
        const int stage = g_match.storyStage;
        const int round = RoundNumber;
        for (ArenaMapImage& image : g_arenaMapFiles) image.cells[0] = kEarlierMap;
        g_arenaMap.cells[0] = -1;
        ASSERT_TRUE(UntilRoundStarts(m, *later == 'C'));
        const bool readAgain = *later == 'S';
        if (readAgain) {
          EXPECT_TRUE(g_match.storyStage != stage || RoundNumber != round) << "no later set-up";
        }
        MapsAsRead(treeHasMaps, readAgain);
        ExpectRoundOnThem(treeHasMaps, readAgain);
      }
    }
  }
}

using StageMapsDeathTest = StageMaps;

TEST_F(StageMapsDeathTest, ARoundOnMapsTheSetUpSkippedStopsNamingArenaMapAndMode) {
#ifdef NDEBUG
  GTEST_SKIP() << "the guard is in debug builds only";
#else
  // What a set-up that skips the read leaves: the table as the program starts, or the maps of the
  // mode's own earlier match, which a round took.
  const struct {
    void (*leave)();
    const char* which;
  } kSkips[] = {
      {[] { std::fill(std::begin(g_arenaMapFiles), std::end(g_arenaMapFiles), ArenaMapImage{}); },
       "its set-up never read"},
      {[] { StartAllPlayers(); }, "an earlier set-up left"},
  };
  TreeWithMaps(true);
  for (const auto& skip : kSkips) {
    for (const ModeSetUp& m : kModes) {
      SCOPED_TRACE(std::string(m.mode) + ", " + skip.which);
      Drive(m);
      ASSERT_EQ(SceneId, kSceneBattle);
      skip.leave();
      const int arena = g_match.stage;
      const std::string message = "round start: arena " + std::to_string(arena) + " \\(" + m.mode +
                                  "\\) takes map " + std::to_string(ArenaMapsOf(arena).first) +
                                  ", which " + skip.which + "\n";
      EXPECT_DEATH(StartAllPlayers(), message);
    }
  }
#endif
}

}  // namespace
