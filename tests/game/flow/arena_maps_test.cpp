// The arena maps as the flow reads them: hostile files change only the grid and are logged, and
// a stage's set-up reads every map its round starts can choose from, so no round reads a file.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/flow/flow.h"
#include "morrow/system/log.h"
#include "tests/support/temp_dir.h"

namespace {

using veyrdale::g_arenaMap;

std::string Header(int columns, int rows) {
  std::string h;
  h += static_cast<char>(columns & 0xFF);
  h += static_cast<char>(columns >> 8);
  h += static_cast<char>(rows & 0xFF);
  h += static_cast<char>(rows >> 8);
  return h;
}

// columns x rows cells, byte (c x rows + r) & 0xFF at column c, row r, as the file orders them.
std::string Counting(int columns, int rows) {
  std::string body;
  for (int c = 0; c < columns; ++c) {
    for (int r = 0; r < rows; ++r) body += static_cast<char>((c * rows + r) & 0xFF);
  }
  return Header(columns, rows) + body;
}

constexpr int32_t kBefore = 1000;

// Every cell and side table holds a value no file byte can produce.
void FillSentinels() {
  for (int i = 0; i < veyrdale::kMapCells; ++i) {
    g_arenaMap.cells[i] = kBefore + i;
    g_arenaMap.cellState[i] = -1 - i;
    g_arenaMap.openTimer[i] = -5000 - i;
  }
}

class MapFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    morrow::SetLogDirectory(dir_.path());
    morrow::StartLogFile();
    FillSentinels();
  }
  void TearDown() override { morrow::SetLogDirectory(""); }

  // Loads a file holding bytes and checks each cell: the file's byte where want gives one, else
  // the sentinel. The side tables never change.
  void Load(const char* what, const std::string& bytes, int (*want)(int c, int r)) {
    std::string path = dir_.File("map.mpd");
    testsupport::WriteFile(path, bytes);
    veyrdale::LoadArenaMap(path.c_str());
    for (int r = 0; r < veyrdale::kMapStorageRows; ++r) {
      for (int c = 0; c < veyrdale::kMapColumns; ++c) {
        int i = c + 20 * r;
        int expected = want(c, r);
        ASSERT_EQ(g_arenaMap.cells[i], expected < 0 ? kBefore + i : expected)
            << what << ": cell " << c << "," << r;
        ASSERT_EQ(g_arenaMap.cellState[i], -1 - i) << what;
        ASSERT_EQ(g_arenaMap.openTimer[i], -5000 - i) << what;
      }
    }
  }

  int MapLogLines() {
    std::string log = testsupport::ReadFile(dir_.File("AppLog.txt"));
    int lines = 0;
    for (size_t at = log.find("Arena map"); at != std::string::npos;
         at = log.find("Arena map", at + 1)) {
      ++lines;
    }
    return lines;
  }

  testsupport::TempDir dir_;
};

int Unchanged(int, int) {
  return -1;
}

constexpr int16_t kNoCount = -7;  // a breakable-cell count no map can give

TEST_F(MapFiles, HostileFilesChangeOnlyTheGrid) {
  struct Case {
    const char* what;
    std::string bytes;
    int (*want)(int c, int r);
    int logLines;
    int breakable;  // cells of value 1-3 in the 20 x 15 field; kNoCount: a file without a header
  } cases[] = {
      {"empty", "", Unchanged, 1, kNoCount},
      {"two bytes", Header(20, 15).substr(0, 2), Unchanged, 1, kNoCount},
      {"three bytes", Header(20, 15).substr(0, 3), Unchanged, 1, kNoCount},
      {"header only", Header(20, 15), Unchanged, 1, 0},
      {"0 x 15", Header(0, 15) + std::string(300, '\1'), Unchanged, 0, 0},
      {"20 x 0", Header(20, 0) + std::string(300, '\1'), Unchanged, 0, 0},
      {"truncated", Header(20, 15) + std::string(10, '\2'),
       [](int c, int r) { return c == 0 && r < 10 ? 2 : -1; }, 1, 10},
      // Values 1-3 and 257-259 (stored as their low byte).
      {"whole arena", Counting(20, 15),
       [](int c, int r) { return r < 15 ? (c * 15 + r) & 0xFF : -1; }, 0, 6},
      {"fewer rows keep the lower rows", Counting(5, 10),
       [](int c, int r) { return c < 5 && r < 10 ? c * 10 + r : -1; }, 0, 3},
      {"40 x 40", Header(40, 40) + std::string(1600, '\7'), [](int, int) { return 7; }, 1, 0},
      // Rows 15-24 are stored but lie outside the field: 257-259 fall there, 513-515 do not.
      {"20 x 30", Counting(20, 30), [](int c, int r) { return (c * 30 + r) & 0xFF; }, 1, 6},
      {"255 x 255", Counting(255, 255), [](int c, int r) { return (c * 255 + r) & 0xFF; }, 1, 39},
      {"258 x 1, little-endian", Counting(258, 1), [](int c, int r) { return r == 0 ? c : -1; }, 1,
       3},
  };
  for (const Case& c : cases) {
    FillSentinels();
    veyrdale::DestructibleCells = kNoCount;
    int before = MapLogLines();
    Load(c.what, c.bytes, c.want);
    EXPECT_EQ(MapLogLines() - before, c.logLines) << c.what;
    EXPECT_EQ(veyrdale::DestructibleCells, c.breakable) << c.what;
  }
}

TEST_F(MapFiles, MissingOrNotAFileChangesNothingAndIsLogged) {
  veyrdale::LoadArenaMap(dir_.File("absent.mpd").c_str());
  veyrdale::LoadArenaMap(dir_.path().c_str());
  veyrdale::LoadArenaMap(nullptr);
  veyrdale::LoadArenaMap(std::string(5000, 'a').c_str());
  for (int i = 0; i < veyrdale::kMapCells; ++i) ASSERT_EQ(g_arenaMap.cells[i], kBefore + i);
  // The missing file and the folder are logged with their paths, as every resource is.
  EXPECT_EQ(MapLogLines(), 2);
  const std::string log = testsupport::ReadFile(dir_.File("AppLog.txt"));
  EXPECT_NE(log.find("Arena map " + dir_.File("absent.mpd") + " cannot be read"), std::string::npos)
      << log;
}

// Each arena's set-up reads the maps its round starts choose from (arena 7 one of six) and
// forgets the others; a map that cannot be read is logged there. Its rounds then read no file.
// The files' names differ from the game's paths in case, as a tree copied from elsewhere may.
TEST_F(MapFiles, TheStageSetUpReadsTheMapsItsRoundsChooseFrom) {
  using veyrdale::ArenaMapImage;
  std::filesystem::create_directories(dir_.File("resource/MPD"));
  for (int n = 0; n < veyrdale::kArenaMapFiles; ++n) {
    // Cell (0, 0) of map n holds n + 1; map 10 is missing.
    const std::string name = (n < 10 ? "resource/MPD/0" : "resource/MPD/") + std::to_string(n);
    if (n != 10) {
      testsupport::WriteFile(dir_.File(name + ".Mpd"),
                             Header(20, 15) + static_cast<char>(n + 1) + std::string(299, '\0'));
    }
  }
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(dir_.path().c_str()), 0);
  const struct {
    int arena;
    int first, count;
  } cases[] = {{0, 0, 1}, {1, 0, 1},  {2, 1, 1},  {3, 1, 1},  {4, 2, 1},  {5, 3, 1}, {6, 4, 1},
               {7, 5, 6}, {8, 11, 1}, {9, 12, 1}, {10, 0, 0}, {-1, 0, 0}, {2, 1, 1}};
  for (const auto& c : cases) {
    for (ArenaMapImage& image : veyrdale::g_arenaMapFiles) image.kind = ArenaMapImage::Kind::kRead;
    veyrdale::ReadStageArenaMaps(c.arena);
    for (int n = 0; n < veyrdale::kArenaMapFiles; ++n) {
      const ArenaMapImage& image = veyrdale::g_arenaMapFiles[n];
      const bool wanted = n >= c.first && n < c.first + c.count;
      const ArenaMapImage::Kind kind = !wanted   ? ArenaMapImage::Kind::kNotRead
                                       : n == 10 ? ArenaMapImage::Kind::kUnreadable
                                                 : ArenaMapImage::Kind::kRead;
      EXPECT_EQ(image.kind, kind) << "arena " << c.arena << ", map " << n;
      EXPECT_EQ(image.cells[0], kind == ArenaMapImage::Kind::kRead ? n + 1 : 0) << n;
    }
  }
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_EQ(MapLogLines(), 1) << "10.mpd, once";
  // The last set-up's arena (2) with its files gone: its rounds take the map read.
  std::filesystem::remove_all(dir_.File("resource"));
  g_arenaMap.cells[0] = 77;
  veyrdale::g_match.stage = 2;
  for (int p = 0; p < 4; ++p) veyrdale::StartRound(&veyrdale::g_players[p], p);
  EXPECT_EQ(g_arenaMap.cells[0], 2);
  EXPECT_EQ(MapLogLines(), 1);
}

}  // namespace
