// Every mode's own set-up, run through the scene that starts it, reads the maps of the arena it
// chose, and a round started after a set-up that skipped them stops a debug build, naming the
// arena, the map and the mode.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "tests/game/flow/menu_harness.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace veyrdale;
using testsupport::kB1;

struct ModeSetUp {
  const char* mode;  // as the guard names it
  int scene;         // the scene whose set-up starts the battle
  void (*prepare)();
  bool pressesB1;  // player 0 presses button 1 every other frame until the battle
};

const ModeSetUp kModes[] = {
    {"story", kSceneStoryKind, [] { MenuReturnCursor = 0; }, true},
    {"extra story", kSceneStoryKind, [] { MenuReturnCursor = 1; }, true},
    // Arena 7, whose rounds draw one of six maps.
    {"versus", kSceneStageSelect,
     [] {
       g_match.playerCount = 2;
       g_match.stage = 7;
     },
     true},
    {"survival", kSceneCharacterSelect,
     [] {
       g_match.survivalMode = 1;
       g_match.playerCount = 1;
     },
     true},
    // The idle title's next counted frame starts the demonstration.
    {"demo", kSceneTitle, [] { DemoFrames = kDemoStart - 1; }, false},
};

class StageMaps : public testsupport::MenuHarness {
 protected:
  void SetUp() override {
    MenuHarness::SetUp();
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
  }
  void TearDown() override {
    std::filesystem::current_path(old_);
    MenuHarness::TearDown();
  }

  // Every map file, cell (0, 0) of map n holding n + 1.
  void WriteMaps() const {
    std::filesystem::create_directories(dir_.File("Resource/Mpd"));
    for (int n = 0; n < kArenaMapFiles; ++n) {
      const std::string name = (n < 10 ? "Resource/Mpd/0" : "Resource/Mpd/") + std::to_string(n);
      const std::string header = {20, 0, 15, 0};
      testsupport::WriteFile(dir_.File(name + ".mpd"),
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

  testsupport::TempDir dir_;
  std::filesystem::path old_;
};

TEST_F(StageMaps, EachModesSetUpReadsTheMapsOfItsArena) {
  using Kind = ArenaMapImage::Kind;
  for (const bool treeHasMaps : {true, false}) {
    std::filesystem::remove_all(dir_.File("Resource"));
    if (treeHasMaps) WriteMaps();
    for (const ModeSetUp& m : kModes) {
      SCOPED_TRACE(std::string(m.mode) + (treeHasMaps ? ", maps in the tree" : ", no maps"));
      Drive(m);
      ASSERT_EQ(SceneId, kSceneBattle);
      const int arena = g_match.stage;
      const ArenaMapChoice maps = ArenaMapsOf(arena);
      ASSERT_GT(maps.count, 0) << "arena " << arena;
      // Kinds as numbers: 0 not read, 1 unreadable, 2 read.
      const int want = static_cast<int>(treeHasMaps ? Kind::kRead : Kind::kUnreadable);
      bool asWanted = true;
      for (int n = maps.first; n < maps.first + maps.count; ++n) {
        const int kind = static_cast<int>(g_arenaMapFiles[n].kind);
        EXPECT_EQ(kind, want) << "arena " << arena << ", map " << n;
        asWanted = asWanted && kind == want;
      }
      // A map never read would stop the round start below, and the test with it.
      if (!asWanted) continue;
      // The round starts on one of them, or, unreadable, on the grid as it was.
      g_arenaMap.cells[0] = -1;
      StartAllPlayers();
      if (treeHasMaps) {
        EXPECT_GE(g_arenaMap.cells[0], maps.first + 1);
        EXPECT_LE(g_arenaMap.cells[0], maps.first + maps.count);
      } else {
        EXPECT_EQ(g_arenaMap.cells[0], -1);
      }
    }
  }
}

using StageMapsDeathTest = StageMaps;

TEST_F(StageMapsDeathTest, ARoundOnMapsTheSetUpSkippedStopsNamingArenaMapAndMode) {
#ifdef NDEBUG
  GTEST_SKIP() << "the guard is in debug builds only";
#else
  WriteMaps();
  for (const ModeSetUp& m : kModes) {
    SCOPED_TRACE(m.mode);
    Drive(m);
    ASSERT_EQ(SceneId, kSceneBattle);
    // What a set-up that never reads the maps leaves: the table as the program starts.
    for (ArenaMapImage& image : g_arenaMapFiles) image = ArenaMapImage{};
    const int arena = g_match.stage;
    const std::string message = "round start: arena " + std::to_string(arena) + " \\(" + m.mode +
                                "\\) takes map " + std::to_string(ArenaMapsOf(arena).first) +
                                ", which its set-up never read\n";
    EXPECT_DEATH(StartAllPlayers(), message);
  }
#endif
}

}  // namespace
