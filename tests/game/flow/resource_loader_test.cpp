// The resource loader on the recording stand-in of the library: the calls of each mode, the
// pictures a match's characters and arena load, the story's arenas and skipped sheets, the
// set-up every load makes, and tables that never keep a handle of a freed graph.
#include "game/flow/resource_loader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/access.h"
#include "game/battle/directions.h"
#include "game/core/data_files.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/core/sound_entries.h"
#include "game/flow/flow.h"
#include "game/flow/move_table.h"
#include "game/flow/resource_lists.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_load.h"
#include "morrow/recording/library_recorder.h"
#include "morrow/system/library.h"
#include "morrow/system/time.h"
#include "platform/directory.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace veyrdale;
using testsupport::RecordedCall;
using testsupport::Recorder;

// Every handle entry of the loader's tables, with a name for messages.
struct Entry {
  int32_t* handle;
  std::string where;
};
std::vector<Entry> AllEntries() {
  std::vector<Entry> all;
  for (int s = 0; s < kPictureSlots; ++s) {
    for (int c = 0; c < kPictureCells; ++c) {
      all.push_back({&PictureSlots[s][c], "slot " + std::to_string(s) + "." + std::to_string(c)});
    }
  }
  for (int b = 0; b < 3; ++b)
    all.push_back({&StageBackgrounds[b], "background " + std::to_string(b)});
  for (int p = 0; p < 4; ++p) {
    for (int c = 0; c < 400; ++c) {
      all.push_back({&CharacterSheetCells[p][c], "sheet " + std::to_string(p)});
      all.push_back({&CharacterSheetCellsB[p][c], "second sheet " + std::to_string(p)});
    }
  }
  return all;
}

class ResourceLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::GetCurrentDirectory(&old_));
    ASSERT_TRUE(platform::SetCurrentDirectory(dir_.path()));
    Fresh();
  }
  void TearDown() override { platform::SetCurrentDirectory(old_); }

  // The library started afresh and every table and record as before any load.
  void Fresh() {
    Recorder().Reset();
    ASSERT_EQ(morrow::InitLibrary(), 0);
    for (const Entry& e : AllEntries()) *e.handle = -1;
    for (int32_t& h : SoundHandles) h = -1;
    g_match = MatchSetup{};
    g_options = OptionSettings{};
    for (BattleObject& p : g_players) p = BattleObject{};
    RoundNumber = 0;
    ArenaBlackout = 0;
    Recorder().ClearCalls();
  }

  // A match of these characters in these colour slots on an arena.
  void Match(std::vector<int> characters, std::vector<int> colours, int arena) {
    g_match.playerCount = static_cast<int>(characters.size());
    for (size_t p = 0; p < characters.size() && p < 4; ++p) {
      g_players[p].kind = static_cast<uint16_t>(characters[p]);
      g_match.colourSlot[p] = p < colours.size() ? colours[p] : 0;
    }
    g_match.stage = arena;
  }

  // The paths of the pictures the last call loaded, in order.
  std::vector<std::string> Loaded() const {
    std::vector<std::string> paths;
    for (const RecordedCall& c : Recorder().Calls()) {
      if (c.name == "LoadDividedGraph" || c.name == "LoadImageAsGraph") paths.push_back(c.args[0]);
    }
    return paths;
  }
  bool LoadedPath(const std::string& path) const {
    std::vector<std::string> paths = Loaded();
    return std::find(paths.begin(), paths.end(), path) != paths.end();
  }

  testsupport::TempDir dir_;
  std::string old_;
};

std::string ReadGolden(const char* name) {
  std::ifstream in(std::string(GOLDEN_DIR) + "/" + name);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---------------------------------------------------------------------------------------------
// The calls of a load

TEST_F(ResourceLoader, MenuLoadCallsTheLibraryInOrderAndCutsTheGoldenList) {
  LoadGameResources(kMenuResources);
  std::string pictures;
  std::vector<std::string> order;
  for (const RecordedCall& c : Recorder().Calls()) {
    if (c.name == "LoadDividedGraph") pictures += c.Text() + "\n";
    if (order.empty() || order.back() != c.name) order.push_back(c.name);
  }
  std::string golden = ReadGolden("resource_loader_menu.txt");
  ASSERT_FALSE(golden.empty());
  if (pictures != golden) {
    std::ofstream(std::string(old_) + "/resource_loader_menu.actual.txt") << pictures;
  }
  EXPECT_EQ(pictures, golden);
  // The set-up calls first; the handles were all -1, so nothing is freed; then the pictures and
  // the sounds, each loaded and set to its volume.
  std::vector<std::string> want = {"SetKeyColor", "GetLocalDateTime", "SetImageConvertFlag",
                                   "DeleteAllSounds", "LoadDividedGraph"};
  for (int i = 0; i < kSoundCount; ++i) {
    want.push_back("LoadSoundFile");
    want.push_back("SetSoundVolume");
  }
  EXPECT_EQ(order, want);
  EXPECT_EQ(Recorder().Named("SetKeyColor")[0].Text(), "SetKeyColor 0 255 0");
  EXPECT_EQ(Recorder().Named("SetImageConvertFlag")[0].Text(), "SetImageConvertFlag 0");
  EXPECT_EQ(Recorder().Named("DeleteAllSounds")[0].Text(), "DeleteAllSounds 0");
  for (int k = 0; k < kMenuListSize; ++k) {
    for (int c = 0; c < kMenuList[k].cells; ++c) {
      EXPECT_TRUE(Recorder().IsLiveGraph(PictureSlots[k][c])) << k << "." << c;
    }
  }
}

TEST_F(ResourceLoader, SoundsLoadInEntryOrderAtTheOptionVolume) {
  struct Case {
    int volume, expected;
  } cases[] = {{19, 9500}, {20, 10000}, {0, 0}, {1, 500}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.volume);
    Recorder().ClearCalls();
    g_options.soundVolume = c.volume;
    g_match.survivalMode = 1;  // keeps the options from being read again
    LoadGameResources(3);
    std::vector<RecordedCall> loads = Recorder().Named("LoadSoundFile");
    std::vector<RecordedCall> volumes = Recorder().Named("SetSoundVolume");
    ASSERT_EQ(loads.size(), 85u);
    ASSERT_EQ(volumes.size(), 85u);
    for (int i = 0; i < kSoundCount; ++i) {
      EXPECT_EQ(loads[i].args[0], std::string("Resource\\SE\\") + kSoundNames[i] + ".wav");
      EXPECT_EQ(volumes[i].Int(0), c.expected);
      EXPECT_EQ(volumes[i].Int(1), SoundHandles[i]);
      EXPECT_TRUE(Recorder().IsLiveSound(SoundHandles[i])) << i;
    }
    EXPECT_EQ(Recorder().LiveSounds(), 85) << "the earlier call's sounds were deleted";
  }
}

TEST_F(ResourceLoader, ModesWithoutPicturesLoadOnlySounds) {
  Match({0, 1, 2, 3}, {}, 0);
  LoadGameResources(kBattleResources);
  for (int mode : {3, -1, 99}) {
    SCOPED_TRACE(mode);
    Recorder().ClearCalls();
    LoadGameResources(mode);
    EXPECT_TRUE(Loaded().empty());
    EXPECT_EQ(Recorder().Count("LoadSoundFile"), 85);
    EXPECT_EQ(Recorder().LiveGraphs(), 0) << "every picture of the battle was freed";
  }
}

TEST_F(ResourceLoader, EndingLoadsItsSixteenPictures) {
  LoadGameResources(kEndingResources);
  std::vector<std::string> paths = Loaded();
  ASSERT_EQ(paths.size(), 16u);
  EXPECT_EQ(paths.front(), "Resource\\logo00.dat");
  EXPECT_EQ(paths.back(), "Resource\\stf04.dat");
  for (int k = 16; k < 19; ++k) EXPECT_EQ(PictureSlots[k][0], -1) << k;
}

// ---------------------------------------------------------------------------------------------
// Battle pictures by character, colour slot and arena

std::set<int> SlotsLoaded() {
  std::set<int> slots;
  for (int k = 0; k < kBattleListSize; ++k) {
    if (PictureSlots[k][0] != -1) slots.insert(k);
  }
  return slots;
}

TEST_F(ResourceLoader, OnlyCharacterFifteenLoadsItsOwnAndTheSharedPictures) {
  Match({15}, {2}, 10);
  LoadGameResources(kBattleResources);
  std::set<int> want = {0, 1, 69, 70, 71};
  for (int k = 0; k < kBattleListSize; ++k) {
    if (kBattleList[k].characters == kAllCharacters) want.insert(k);
  }
  EXPECT_EQ(SlotsLoaded(), want);
  EXPECT_TRUE(LoadedPath("Resource\\c_qk02.dat"));
  EXPECT_TRUE(LoadedPath("Resource\\c_qk02b.dat"));
  EXPECT_TRUE(LoadedPath("Resource\\b_qk.dat"));
  EXPECT_TRUE(LoadedPath("Resource\\face_15.dat"));
  EXPECT_TRUE(LoadedPath("Resource\\fonts15.dat"));
}

TEST_F(ResourceLoader, EachBattleEntryLoadsForExactlyTheCharactersOfItsSet) {
  for (int id = 0; id < 16; ++id) {
    SCOPED_TRACE(id);
    Fresh();
    Match({id}, {}, 10);
    LoadGameResources(kBattleResources);
    for (int k = 0; k < kBattleListSize; ++k) {
      const char* name = kBattleList[k].grid.name;
      bool wanted = (kBattleList[k].characters >> id) & 1;
      EXPECT_EQ(LoadedPath(std::string("Resource\\") + name + ".dat"), wanted) << name;
      // Slot 64 also holds the last cells of slot 63's picture.
      if (k != 64 || id != 13) {
        EXPECT_EQ(PictureSlots[k][0] != -1, wanted) << name;
      }
    }
  }
}

TEST_F(ResourceLoader, SheetsFollowTheColourSlotOfEachPlayer) {
  struct Case {
    const char* name;
    std::vector<int> characters, colours;
    std::vector<std::string> sheets;  // in load order
  } cases[] = {
      {"two of character 3", {3, 3}, {4, 6}, {"c_qv04", "c_qv04b", "c_qv06", "c_qv06b"}},
      {"character 8 shares one second sheet",
       {8, 8, 8},
       {0, 5, 7},
       {"c_zw00", "c_zw00b", "c_zw05", "c_zw00b", "c_zw07", "c_zw00b"}},
      {"characters without a second sheet", {0, 10}, {1, 3}, {"c_qz01", "c_jv03"}},
      {"second sheets of 9, 12 and 15",
       {9, 12, 15},
       {0, 0, 7},
       {"c_jx00", "c_jx00b", "c_xw00", "c_xw00b", "c_qk07", "c_qk07b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    Match(c.characters, c.colours, 10);
    LoadGameResources(kBattleResources);
    std::vector<std::string> sheets;
    for (const std::string& path : Loaded()) {
      if (path.rfind("Resource\\c_", 0) == 0) sheets.push_back(path.substr(9, path.size() - 13));
    }
    EXPECT_EQ(sheets, c.sheets);
    for (size_t p = 0; p < c.characters.size(); ++p) {
      const CharacterSheets& s = kCharacterSheets[c.characters[p]];
      for (int i = 0; i < 400; ++i) {
        EXPECT_EQ(Recorder().IsLiveGraph(CharacterSheetCells[p][i]), i < s.cells) << p << "." << i;
        EXPECT_EQ(Recorder().IsLiveGraph(CharacterSheetCellsB[p][i]), i < s.secondCells)
            << p << "." << i;
      }
    }
  }
  // The grid of each sheet: ten 64 x 64 cells to a row, or the second sheet's own.
  Fresh();
  Match({8, 15}, {3, 3}, 10);
  LoadGameResources(kBattleResources);
  std::vector<std::string> grids;
  for (const RecordedCall& c : Recorder().Named("LoadDividedGraph")) {
    if (c.args[0].rfind("Resource\\c_", 0) == 0) grids.push_back(c.Text());
  }
  EXPECT_EQ(grids, (std::vector<std::string>{
                       "LoadDividedGraph Resource\\c_zw03.dat 270 10 27 64 64",
                       "LoadDividedGraph Resource\\c_zw00b.dat 16 4 4 64 64",
                       "LoadDividedGraph Resource\\c_qk03.dat 400 10 40 64 64",
                       "LoadDividedGraph Resource\\c_qk03b.dat 16 8 2 64 64",
                   }));
}

TEST_F(ResourceLoader, PlayerSheetsGoToThePlayersBlocks) {
  Match({5, 14}, {}, 10);
  LoadGameResources(kBattleResources);
  std::vector<std::string> sheets;
  for (const RecordedCall& c : Recorder().Named("LoadDividedGraph")) {
    const std::string& path = c.args[0];
    if (path.rfind("Resource\\b_", 0) == 0 || path.rfind("Resource\\face_", 0) == 0 ||
        path.rfind("Resource\\fonts", 0) == 0) {
      sheets.push_back(c.Text());
    }
  }
  EXPECT_EQ(sheets, (std::vector<std::string>{
                        "LoadDividedGraph Resource\\b_zj.dat 10 5 2 360 480",
                        "LoadDividedGraph Resource\\face_05.dat 24 12 2 64 48",
                        "LoadDividedGraph Resource\\fonts05.dat 4 1 4 256 16",
                        "LoadDividedGraph Resource\\b_zk.dat 10 5 2 360 480",
                        "LoadDividedGraph Resource\\face_14.dat 24 12 2 64 48",
                        "LoadDividedGraph Resource\\fonts14.dat 4 1 4 256 16",
                    }));
  struct Case {
    int slot, cells;
  } cases[] = {{168, 24}, {169, 4},  {170, 10}, {171, 0}, {176, 24},
               {177, 4},  {178, 10}, {179, 0},  {184, 0}, {192, 0}};
  for (const Case& c : cases) {
    for (int i = 0; i < kPictureCells; ++i) {
      EXPECT_EQ(Recorder().IsLiveGraph(PictureSlots[c.slot][i]), i < c.cells) << c.slot << "." << i;
    }
  }
}

TEST_F(ResourceLoader, ArenaPicturesByArenaNumber) {
  struct Case {
    int arena;
    std::vector<std::string> backgrounds;
    std::map<int, int> slotCells;  // arena slot -> cells
  } cases[] = {
      {0, {"bg00", "bg00b", "bg00a"}, {{160, 30}, {161, 1}, {162, 4}, {163, 1}, {164, 2}}},
      {1, {"bg07", "bg07b", "bg07a"}, {{160, 30}, {161, 1}, {162, 4}, {163, 1}, {164, 2}}},
      {2, {"bg01", "bg01b", "bg01a"}, {{160, 2}}},
      {3, {"bg02", "bg02b", "bg02a"}, {{160, 2}}},
      {4, {"bg03", "bg03a", "bg03b"}, {{160, 63}, {161, 1}}},
      {5, {"bg04", "bg04a"}, {{160, 18}, {161, 25}, {162, 1}, {163, 1}}},
      {6, {"bg05", "bg05a", "bg05b"}, {{160, 4}}},
      {7, {"bg06", "bg06a", "bg06b"}, {}},
      {8,
       {"bg08", "bg08a", "bg08b"},
       {{160, 2}, {161, 12}, {162, 24}, {163, 8}, {164, 6}, {165, 1}, {166, 4}}},
      {9,
       {"bg09", "ef56", "bg09b"},
       {{160, 24}, {161, 32}, {162, 8}, {163, 6}, {164, 1}, {165, 2}}},
      {10, {}, {}},
      {-1, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arena);
    Fresh();
    Match({2}, {}, c.arena);
    LoadGameResources(kBattleResources);
    std::vector<std::string> whole;
    for (const RecordedCall& call : Recorder().Named("LoadImageAsGraph")) {
      whole.push_back(call.args[0]);
    }
    std::vector<std::string> want;
    for (const std::string& b : c.backgrounds) want.push_back("Resource\\" + b + ".dat");
    if (c.arena == 9) want.push_back("Resource\\bg00b.dat");  // slot 164, one whole picture
    EXPECT_EQ(whole, want);
    for (size_t b = 0; b < 3; ++b) {
      EXPECT_EQ(Recorder().IsLiveGraph(StageBackgrounds[b]), b < c.backgrounds.size()) << b;
    }
    for (int slot = 160; slot < 168; ++slot) {
      int cells = c.slotCells.count(slot) != 0 ? c.slotCells.at(slot) : 0;
      for (int i = 0; i < kPictureCells; ++i) {
        EXPECT_EQ(Recorder().IsLiveGraph(PictureSlots[slot][i]), i < cells) << slot << "." << i;
      }
    }
  }
}

TEST_F(ResourceLoader, NoPlayersLoadsTheArenaAndTheSoundsOnly) {
  Match({}, {}, 0);
  LoadGameResources(kBattleResources);
  std::vector<std::string> paths = Loaded();
  ASSERT_EQ(paths.size(), 3u + 5u);
  for (const std::string& p : paths) {
    EXPECT_TRUE(p == "Resource\\bg00.dat" || p == "Resource\\bg00b.dat" ||
                p == "Resource\\bg00a.dat" || p == "Resource\\en00.dat" ||
                p == "Resource\\shot61.dat" || p == "Resource\\shot62.dat" ||
                p == "Resource\\ef13.dat" || p == "Resource\\tree.dat")
        << p;
  }
  EXPECT_EQ(Recorder().Count("LoadSoundFile"), 85);
}

// A script may push the player count past four, and a record may hold no character.
TEST_F(ResourceLoader, PlayerCountAndCharactersOutOfRangeStayInside) {
  struct Case {
    const char* name;
    int playerCount;
    int characters[4];
    std::vector<std::string> sheets;
  } cases[] = {
      {"count past four", 9, {0, 1, 2, 3}, {"c_qz00", "c_qj00", "c_qx00", "c_qv00", "c_qv00b"}},
      {"negative count", -2, {0, 1, 2, 3}, {}},
      {"character 16", 2, {16, 4, 0, 0}, {"c_qw00"}},
      {"character 65535", 1, {65535, 0, 0, 0}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    g_match.playerCount = c.playerCount;
    g_match.stage = 10;
    for (int p = 0; p < 4; ++p) g_players[p].kind = static_cast<uint16_t>(c.characters[p]);
    LoadGameResources(kBattleResources);
    std::vector<std::string> sheets;
    for (const std::string& path : Loaded()) {
      if (path.rfind("Resource\\c_", 0) == 0) sheets.push_back(path.substr(9, path.size() - 13));
    }
    EXPECT_EQ(sheets, c.sheets);
  }
}

// ---------------------------------------------------------------------------------------------
// Story, survival and the set-up of every load

TEST_F(ResourceLoader, StoryStagesChooseTheArenaAndSkipSheets) {
  struct Case {
    int kind, stage;
    int arena;
    int skipped;  // player, or -1
    int blackout;
  } cases[] = {
      {0, 0, 2, 1, 0},   {0, 1, 0, -1, 0},  {0, 4, 0, -1, 0},  {0, 5, 0, 2, 0},   {0, 6, 0, 2, 0},
      {0, 7, 3, -1, 0},  {0, 10, 5, -1, 0}, {0, 11, 4, -1, 0}, {0, 15, 6, -1, 0}, {0, 17, 7, -1, 0},
      {0, 18, 9, -1, 0}, {1, 0, 4, -1, 0},  {1, 3, 5, 3, 0},   {1, 5, 3, -1, 0},  {1, 7, 4, -1, 0},
      {1, 8, 8, -1, 1},  {1, 9, 8, -1, 1},  {1, 10, 9, -1, 0}, {2, 0, 9, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.kind) + "/" + std::to_string(c.stage));
    Fresh();
    Match({0, 1, 2, 3}, {}, 9);  // stages outside the table keep arena 9
    g_match.storyMode = 1;
    g_match.storyKind = c.kind;
    g_match.storyStage = c.stage;
    ArenaBlackout = 1;  // cleared by every load unless the stage sets it
    PortraitSkipFlags[0] = 1;
    LoadGameResources(kBattleResources);
    EXPECT_EQ(g_match.stage, c.arena);
    EXPECT_EQ(ArenaBlackout, c.blackout);
    EXPECT_EQ(StoryStageStartsDark(c.kind, c.stage), c.blackout == 1);
    for (int p = 0; p < 4; ++p) {
      bool skipped = p == c.skipped;
      EXPECT_EQ(PortraitSkipFlags[p], skipped ? 1 : 0) << p;
      for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(PictureSlots[168 + 8 * p + s][0] == -1, skipped) << p << "+" << s;
      }
    }
  }
}

TEST_F(ResourceLoader, OutsideTheStoryTheArenaStaysAndNothingIsSkipped) {
  Match({0, 1}, {}, 6);
  g_match.storyKind = 1;
  g_match.storyStage = 8;
  PortraitSkipFlags[1] = 1;
  ArenaBlackout = 1;
  LoadGameResources(kBattleResources);
  EXPECT_EQ(g_match.stage, 6);
  EXPECT_EQ(ArenaBlackout, 0);
  EXPECT_EQ(PortraitSkipFlags[1], 0);
  EXPECT_TRUE(LoadedPath("Resource\\b_qj.dat"));
}

TEST_F(ResourceLoader, SurvivalDifficultyFollowsTheRoundWhateverTheOptionsFileHolds) {
  // An options file that says difficulty 0.
  ASSERT_TRUE(platform::SetCurrentDirectory(dir_.path()));
  std::filesystem::create_directories(dir_.File("Data"));
  int32_t words[11] = {0, 1, 1, 0, 0, 0, 1, 20, 7, 0, 0};
  testsupport::WriteFile(dir_.File("Data/config.sav"),
                         std::string(reinterpret_cast<const char*>(words), sizeof words));
  struct Case {
    int round, difficulty;
  } cases[] = {{0, 0},  {2, 0},  {3, 1},  {9, 1},  {10, 2},
               {12, 2}, {14, 2}, {15, 3}, {40, 3}, {-5, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.round);
    g_match.survivalMode = 1;
    RoundNumber = c.round;
    g_options.difficulty = 1;
    g_options.soundVolume = 20;
    LoadGameResources(3);
    EXPECT_EQ(g_options.difficulty, c.difficulty);
    EXPECT_EQ(g_options.soundVolume, 20) << "the file is not read in a survival run";
  }
  // Outside the survival run the options come from the file again.
  g_match.survivalMode = 0;
  RoundNumber = 12;
  Recorder().ClearCalls();
  LoadGameResources(3);
  EXPECT_EQ(g_options.difficulty, 0);
  EXPECT_EQ(g_options.soundVolume, 7);
  EXPECT_EQ(Recorder().Named("SetSoundVolume")[0].Int(0), 3500);
}

TEST_F(ResourceLoader, EveryLoadSeedsTheRandomNumbersWithTheSecond) {
  for (int second : {0, 7, 59}) {
    SCOPED_TRACE(second);
    platform::LocalDateTime date{};
    date.year = 2004;
    date.month = 8;
    date.day = 15;
    date.hour = 21;
    date.minute = 30;
    date.second = second;
    Recorder().clock.SetDate(date);
    LoadGameResources(3);
    EXPECT_EQ(LocalDateTime[0], 2004);
    EXPECT_EQ(LocalDateTime[1], 8);
    EXPECT_EQ(LocalDateTime[5], second);
    int drawn[8];
    for (int& d : drawn) d = morrow::GetRandomNumber(1000000);
    morrow::SeedRandom(static_cast<uint32_t>(second));
    for (int d : drawn) EXPECT_EQ(morrow::GetRandomNumber(1000000), d);
  }
}

TEST_F(ResourceLoader, EveryLoadBuildsTheTablesTheBattleReads) {
  // Move table: two players of character 9, the neutral block for nobody.
  Match({9, 9}, {}, 10);
  for (MoveTableEntry& row : MoveTable) row = MoveTableEntry{99, 99, 99, 1, 9, 1, 9, 9, 9, 9, 9};
  g_match.storyMode = 1;
  g_match.storyKind = 1;
  g_match.storyStage = 20;  // outside the arena table: the arena stays
  for (int32_t& t : StageTypeTable) t = -7;
  g_trig.cos[0] = 0;
  LoadGameResources(kBattleResources);
  for (int move = 1; move <= 16; ++move) {
    const MoveTableEntry& a = MoveRow(0, move);
    const MoveTableEntry& b = MoveRow(1, move);
    EXPECT_EQ(a.moveLength, b.moveLength);
    EXPECT_EQ(a.damage, b.damage);
    EXPECT_EQ(a.moveLength == 0, move > 13) << move;
    EXPECT_EQ(MoveRow(2, move).moveLength, 99) << "owners past the count keep their rows";
    EXPECT_EQ(MoveRow(4, move).damage, CharacterMoveBlocks[kNeutralBlock][move - 1].damage);
  }
  // Stage types of the extra story, and the direction tables.
  EXPECT_EQ(StageTypeTable[0], 1);
  EXPECT_EQ(StageTypeTable[1], 0);
  EXPECT_EQ(g_match.storyStageCount, 9);
  EXPECT_FLOAT_EQ(g_trig.cos[0], 256.0f);
}

// ---------------------------------------------------------------------------------------------
// Handles

TEST_F(ResourceLoader, SlotsACallDoesNotFillHoldMinusOne) {
  struct Step {
    int mode;
    std::vector<int> characters;
    int arena;
  } steps[] = {
      {kBattleResources, {0, 13, 12, 8}, 9}, {kMenuResources, {}, 0},
      {kBattleResources, {15}, 8},           {kEndingResources, {}, 0},
      {kBattleResources, {3, 5}, 0},         {3, {}, 0},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.mode);
    Match(s.characters, {}, s.arena);
    LoadGameResources(s.mode);
    // What the call should have filled, by the loader's own list of its loads.
    std::set<int32_t*> filled;
    ForEachPictureLoad(
        s.mode,
        [](const PictureLoad& load, void* context) {
          auto* set = static_cast<std::set<int32_t*>*>(context);
          for (int i = 0; i < (load.whole ? 1 : load.cells); ++i) set->insert(load.handles + i);
        },
        &filled);
    int live = 0;
    for (const Entry& e : AllEntries()) {
      if (filled.count(e.handle) != 0) {
        EXPECT_TRUE(Recorder().IsLiveGraph(*e.handle)) << e.where;
        ++live;
      } else {
        ASSERT_EQ(*e.handle, -1) << e.where;
      }
    }
    EXPECT_EQ(Recorder().LiveGraphs(), live) << "no graph outside the tables";
  }
}

// Every free names a graph of the previous call: a handle kept after its graph was freed could
// by then name another graph.
TEST_F(ResourceLoader, TheFreeSweepFreesOnlyWhatTheLastCallLoaded) {
  Match({0, 1, 2, 3}, {}, 8);
  LoadGameResources(kBattleResources);
  int loaded = Recorder().LiveGraphs();
  LoadGameResources(kMenuResources);
  int menu = Recorder().LiveGraphs();
  // Graphs of others: the capture graph, digit sheets and the like, made between loads.
  int capture = morrow::CreateEmptyGraph(640, 480);
  ASSERT_TRUE(Recorder().IsLiveGraph(capture));
  Recorder().ClearCalls();
  LoadGameResources(kMenuResources);
  std::vector<RecordedCall> frees = Recorder().Named("FreeGraphHandle");
  EXPECT_EQ(static_cast<int>(frees.size()), menu);
  for (const RecordedCall& f : frees) EXPECT_EQ(f.answer, 0) << f.Text();
  EXPECT_TRUE(Recorder().IsLiveGraph(capture));
  EXPECT_GT(loaded, menu);
}

// Slot 63's picture has 96 cells: the last 32 run on into slot 64. A picture loaded into slot 64
// afterwards replaces them, and the graphs it replaces are freed.
TEST_F(ResourceLoader, APictureLargerThanItsSlotRunsIntoTheNext) {
  Match({13}, {}, 10);
  LoadGameResources(kBattleResources);
  for (int i = 0; i < 96; ++i) {
    EXPECT_TRUE(Recorder().IsLiveGraph(PictureSlots[63][i])) << i;
  }
  int spilled = PictureSlots[64][0];
  Match({13, 12}, {}, 10);
  LoadGameResources(kBattleResources);
  std::vector<RecordedCall> loads = Recorder().Named("LoadDividedGraph");
  EXPECT_NE(PictureSlots[64][0], spilled);
  EXPECT_TRUE(Recorder().IsLiveGraph(PictureSlots[64][0])) << "shot55";
  EXPECT_TRUE(Recorder().IsLiveGraph(PictureSlots[64][1])) << "shot54's cell 65";
  // Every graph in the tables is named once: none was overwritten and left behind.
  std::set<int32_t> named;
  for (const Entry& e : AllEntries()) {
    if (*e.handle != -1) named.insert(*e.handle);
  }
  EXPECT_EQ(static_cast<int>(named.size()), Recorder().LiveGraphs());
}

TEST_F(ResourceLoader, MissingFilesLeaveMinusOneAndTheRestLoads) {
  Recorder().missingFiles = {"Resource\\ef09.dat", "Resource\\SE\\zan.wav", "Resource\\bg00b.dat",
                             "Resource\\c_qz00.dat"};
  Match({0}, {}, 0);
  LoadGameResources(kBattleResources);
  for (int i = 0; i < kPictureCells; ++i) EXPECT_EQ(PictureSlots[91][i], -1) << i;
  EXPECT_EQ(StageBackgrounds[1], -1);
  EXPECT_TRUE(Recorder().IsLiveGraph(StageBackgrounds[0]));
  EXPECT_TRUE(Recorder().IsLiveGraph(StageBackgrounds[2]));
  EXPECT_EQ(CharacterSheetCells[0][0], -1);
  EXPECT_EQ(SoundHandles[kSoundZan], -1);
  EXPECT_TRUE(Recorder().IsLiveSound(SoundHandles[kSoundOut]));
  EXPECT_TRUE(Recorder().IsLiveGraph(PictureSlots[92][0])) << "ef10 after the missing ef09";
}

TEST_F(ResourceLoader, WithoutASoundDeviceEverySoundIsMinusOne) {
  Recorder().Reset();
  Recorder().soundDevice = false;
  ASSERT_EQ(morrow::InitLibrary(), 0);
  LoadGameResources(kMenuResources);
  for (int32_t h : SoundHandles) EXPECT_EQ(h, -1);
  EXPECT_TRUE(Recorder().IsLiveGraph(PictureSlots[0][0]));
}

}  // namespace
