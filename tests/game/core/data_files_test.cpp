// The five Data files: their byte images, the reader's and the writer's kinds, the clamps, files
// of every length, and saves that fail without losing the old file.
#include "game/core/data_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "morrow/recording/library_recorder.h"
#include "platform/directory.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace veyrdale;
using testsupport::ReadFile;
using testsupport::Recorder;
using testsupport::WriteFile;

// Little-endian words as file bytes.
std::string Bytes(const std::vector<int32_t>& words) {
  std::string bytes;
  for (int32_t w : words) {
    uint32_t u = static_cast<uint32_t>(w);
    for (int k = 0; k < 4; ++k) bytes += static_cast<char>((u >> (8 * k)) & 0xFF);
  }
  return bytes;
}

// The records as the file lays them out, read back from the globals.
std::vector<int32_t> DisplayWords() {
  const DisplaySettings& d = g_display;
  return {d.windowMode, d.use16BitColor, d.noVsyncWait, d.halfRatePresent};
}
std::vector<int32_t> OptionWords() {
  const OptionSettings& o = g_options;
  return {o.difficulty,  o.winCount,        o.timeLimit,        o.effectLevel,
          o.meleeLevel,  o.stunRingDisplay, o.obstacleStrength, o.musicVolume,
          o.soundVolume, o.spare[0],        o.spare[1]};
}
std::vector<int32_t> ButtonWords() {
  std::vector<int32_t> words;
  for (auto& player : g_buttonMap.masks) words.insert(words.end(), player, player + 5);
  return words;
}
std::vector<int32_t> ScoreWords() {
  std::vector<int32_t> words = {g_scores.unlockLevel};
  for (int r = 0; r < kScoreRows; ++r) {
    words.push_back(g_scores.score[r]);
    words.push_back(g_scores.stage[r]);
    words.push_back(g_scores.cards[r]);
  }
  return words;
}
std::vector<int32_t> SurvivalWords() {
  std::vector<int32_t> words;
  for (int c = 0; c < 16; ++c) {
    words.push_back(g_survival.bestScore[c]);
    words.push_back(g_survival.stage[c]);
    words.push_back(g_survival.breaks[c]);
  }
  return words;
}

// The highest stage word of each score table: the main story's stage count for tables 0-3, the
// extra story's for 4-7, the larger again for the four tables no story uses.
constexpr int32_t kStageCeiling[12] = {17, 17, 17, 17, 9, 9, 9, 9, 17, 17, 17, 17};

// The score words as the reader must leave them: a row no story run reaches (a negative score or
// card count, a stage outside 0 to its table's ceiling) becomes its default row. The rows replaced.
int ScoreRowsModel(std::vector<int32_t>* words) {
  int replaced = 0;
  for (int row = 0; row < 120; ++row) {
    int32_t* w = &(*words)[1 + 3 * row];
    if (w[0] >= 0 && w[2] >= 0 && w[1] >= 0 && w[1] <= kStageCeiling[row / 10]) continue;
    std::copy_n(std::vector<int32_t>{100000 - 10000 * (row % 10), 0, 0}.begin(), 3, w);
    ++replaced;
  }
  return replaced;
}

// The survival words as the reader must leave them: a row no survival run reaches (a negative
// score or break count, a stage outside 0-31, more breaks than the score paid 5000 points each for
// unless the score is at the int32 top) becomes 100000, 0, 0. The rows replaced.
int SurvivalRowsModel(std::vector<int32_t>* words) {
  int replaced = 0;
  for (int c = 0; c < 16; ++c) {
    int32_t* w = &(*words)[3 * c];
    const bool paid = w[0] == INT_MAX || int64_t{w[2]} * 5000 <= w[0];
    if (w[0] >= 0 && w[1] >= 0 && w[1] <= 31 && w[2] >= 0 && paid) continue;
    std::copy_n(std::vector<int32_t>{100000, 0, 0}.begin(), 3, w);
    ++replaced;
  }
  return replaced;
}

void ResetRecords() {
  g_display = DisplaySettings{};
  g_options = OptionSettings{};
  g_buttonMap = ButtonMap{};
  g_scores = ScoreTable{};
  g_survival = SurvivalRecord{};
}

struct RecordCase {
  const char* file;  // as the game names it
  const char* local;
  int loadKind;
  int saveKind;  // -1: never written
  std::vector<int32_t> (*words)();
};

// Each test runs inside a fresh folder, as the game runs in its own.
class DataFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::GetCurrentDirectory(&old_));
    ASSERT_TRUE(platform::SetCurrentDirectory(dir_.path()));
    // The log runs, and no file's damage from an earlier test is remembered: a missing file is
    // no damage.
    FlushDataFileLog();
    for (int kind = 0; kind < 5; ++kind) LoadDataFile(kOptionsFile, kind);
    ResetRecords();
    Recorder().ClearCalls();
  }
  void TearDown() override {
    platform::SetCurrentDirectory(old_);
    ResetRecords();
  }
  std::string Path(const std::string& name) const { return dir_.File(name); }
  bool Exists(const std::string& name) const {
    std::error_code ec;
    return std::filesystem::exists(Path(name), ec);
  }

  // The log lines that name a file, said on standard error too (`notices`) or only in the log.
  std::vector<std::string> LogLinesNaming(const std::string& name, bool notices = false) const {
    std::vector<std::string> lines;
    for (const auto& call : Recorder().Named(notices ? "WriteLogNotice" : "WriteLog")) {
      if (call.args[0].find(name) != std::string::npos) lines.push_back(call.args[0]);
    }
    return lines;
  }

  // The record's file written with `file` and read twice: each read leaves `want` (and passes
  // `check`), one log line in all names the file with `note`, and the file stays as it was; then
  // the game's save writes `want`.
  template <typename Check>
  void ReadTwiceThenSave(const RecordCase& r, const std::vector<int32_t>& file,
                         const std::vector<int32_t>& want, const std::string& note, Check check) {
    ASSERT_EQ(mkdir("Data", 0755), 0);
    WriteFile(Path(r.local), Bytes(file));
    for (int read = 0; read < 2; ++read) {
      ASSERT_EQ(LoadDataFile(r.file, r.loadKind), 0);
      EXPECT_EQ(r.words(), want);
      check();
      const std::vector<std::string> lines = LogLinesNaming(r.file);
      ASSERT_EQ(lines.size(), 1u);
      EXPECT_NE(lines[0].find(std::string(r.file) + ": " + note), std::string::npos) << lines[0];
      EXPECT_EQ(ReadFile(Path(r.local)), Bytes(file));
    }
    ASSERT_EQ(SaveDataFile(r.file, r.saveKind), 0);
    EXPECT_EQ(ReadFile(Path(r.local)), Bytes(want));
  }

  testsupport::TempDir dir_;
  std::string old_;
};

const RecordCase kRecords[] = {
    {kDisplayFile, "Data/cnf.dat", kLoadDisplay, -1, DisplayWords},
    {kOptionsFile, "Data/config.sav", kLoadOptions, kSaveOptions, OptionWords},
    {kButtonsFile, "Data/key.inf", kLoadButtons, kSaveButtons, ButtonWords},
    {kScoresFile, "Data/score.sav", kLoadScores, kSaveScores, ScoreWords},
    {kSurvivalFile, "Data/score_s.sav", kLoadSurvival, kSaveSurvival, SurvivalWords},
};

TEST_F(DataFiles, DefaultImagesByteForByte) {
  std::vector<int32_t> scores = {0};
  for (int r = 0; r < 120; ++r) {
    scores.push_back(100000 - 10000 * (r % 10));
    scores.push_back(0);
    scores.push_back(0);
  }
  std::vector<int32_t> survival;
  for (int c = 0; c < 16; ++c) survival.insert(survival.end(), {100000, 0, 0});
  std::vector<int32_t> buttons;
  for (int p = 0; p < 4; ++p) buttons.insert(buttons.end(), {0x10, 0x20, 0x40, 0x80, 0x100});
  struct Case {
    const char* file;
    const char* local;
    int kind;
    std::vector<int32_t> words;
    size_t size;
  } cases[] = {
      {kOptionsFile, "Data/config.sav", kSaveOptions, {1, 1, 1, 0, 0, 0, 1, 20, 19, 0, 0}, 44},
      {kButtonsFile, "Data/key.inf", kSaveButtons, buttons, 80},
      {kScoresFile, "Data/score.sav", kSaveScores, scores, 1444},
      {kSurvivalFile, "Data/score_s.sav", kSaveSurvival, survival, 192},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.local);
    ASSERT_EQ(SaveDataFile(c.file, c.kind), 0);
    const std::string bytes = ReadFile(Path(c.local));
    EXPECT_EQ(bytes.size(), c.size);
    EXPECT_EQ(bytes, Bytes(c.words));
  }
  // Nothing but the four saves: no temporary file stays beside them.
  EXPECT_EQ(testsupport::Names(Path("Data")),
            (std::vector<std::string>{"config.sav", "key.inf", "score.sav", "score_s.sav"}));
}

TEST_F(DataFiles, SaveThenLoadRestoresEveryWord) {
  for (const RecordCase& c : kRecords) {
    if (c.saveKind < 0) continue;
    SCOPED_TRACE(c.local);
    // Values inside every clamp range, and extremes where nothing clamps.
    ResetRecords();
    g_options = OptionSettings{3, 0, 2, 1, 1, 1, 0, 0, 20, {INT_MIN, INT_MAX}};
    g_buttonMap.masks[3][4] = 0x8000000;  // pad button 24, the last a pad read reports
    g_buttonMap.masks[0][0] = 0x30;
    g_scores.unlockLevel = 3;
    g_scores.score[119] = INT_MAX;
    g_scores.stage[39] = 17;  // the last main-story table's lowest row
    g_scores.stage[40] = 9;   // the first extra-story table's best row
    g_scores.cards[0] = INT_MAX;
    g_survival.bestScore[14] = 355000;  // 71 knock-outs' worth
    g_survival.stage[14] = 31;
    g_survival.breaks[14] = 71;
    g_survival.bestScore[15] = INT_MAX;  // a score at the top, where the breaks count on
    g_survival.breaks[15] = INT_MAX;
    const std::vector<int32_t> saved = c.words();
    ASSERT_EQ(SaveDataFile(c.file, c.saveKind), 0);
    ResetRecords();
    ASSERT_EQ(LoadDataFile(c.file, c.loadKind), 0);
    EXPECT_EQ(c.words(), saved);
  }
}

TEST_F(DataFiles, OptionsAreReadAsThreeAndWrittenAsZero) {
  g_options.spare[0] = 77;
  g_options.spare[1] = -78;
  g_options.difficulty = 0;
  // The writer's 3 and the reader's 0 are other records, or none.
  EXPECT_EQ(SaveDataFile(kOptionsFile, 3), -1);
  EXPECT_FALSE(Exists("Data"));
  ASSERT_EQ(SaveDataFile(kOptionsFile, kSaveOptions), 0);
  ResetRecords();
  ASSERT_EQ(LoadDataFile(kOptionsFile, kLoadOptions), 0);
  EXPECT_EQ(g_options.spare[0], 77);
  EXPECT_EQ(g_options.spare[1], -78);
  EXPECT_EQ(g_options.difficulty, 0);
  // Read as kind 0 the same file is taken as display settings.
  ASSERT_EQ(LoadDataFile(kOptionsFile, kLoadDisplay), 0);
  EXPECT_EQ(DisplayWords(), (std::vector<int32_t>{0, 1, 1, 0}));
}

TEST_F(DataFiles, FourByteScoreFileSetsOnlyTheUnlockLevel) {
  ASSERT_EQ(mkdir("Data", 0755), 0);
  WriteFile(Path("Data/score.sav"), Bytes({2}));
  const std::vector<int32_t> before = ScoreWords();
  ASSERT_EQ(LoadDataFile(kScoresFile, kLoadScores), 0);
  std::vector<int32_t> want = before;
  want[0] = 2;
  EXPECT_EQ(ScoreWords(), want);
}

TEST_F(DataFiles, OutOfRangeWordsAreClampedOnLoad) {
  ASSERT_EQ(mkdir("Data", 0755), 0);
  struct Case {
    const char* name;
    std::vector<int32_t> file;
    std::vector<int32_t> options;
  } cases[] = {
      {"above", {7, 3, 5, 2, 9, 2, 3, 99, 21, 123, -5}, {3, 2, 2, 1, 1, 1, 2, 20, 20, 123, -5}},
      {"below",
       {-1, -1, -9, -2, -9, -1, -3, -4, -20, INT_MIN, INT_MAX},
       {0, 0, 0, 0, 0, 0, 0, 0, 0, INT_MIN, INT_MAX}},
      {"extremes",
       {INT_MAX, INT_MIN, INT_MAX, INT_MIN, INT_MAX, INT_MIN, INT_MAX, INT_MIN, INT_MAX, 0, 0},
       {3, 0, 2, 0, 1, 0, 2, 0, 20, 0, 0}},
      {"inside", {2, 1, 0, 1, 0, 1, 1, 13, 7, 9, 10}, {2, 1, 0, 1, 0, 1, 1, 13, 7, 9, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(Path("Data/config.sav"), Bytes(c.file));
    ASSERT_EQ(LoadDataFile(kOptionsFile, kLoadOptions), 0);
    EXPECT_EQ(OptionWords(), c.options);
  }
  struct Unlock {
    int32_t file;
    int32_t level;
  } unlocks[] = {{9, 0}, {-1, 0}, {INT_MIN, 0}, {INT_MAX, 0}, {2, 2}, {3, 3}, {4, 0}};
  for (const Unlock& u : unlocks) {
    WriteFile(Path("Data/score.sav"), Bytes({u.file, 250000, 16, 7}));
    ASSERT_EQ(LoadDataFile(kScoresFile, kLoadScores), 0);
    EXPECT_EQ(g_scores.unlockLevel, u.level) << u.file;
    // A row a run can have written stays as read.
    EXPECT_EQ(g_scores.score[0], 250000);
    EXPECT_EQ(g_scores.stage[0], 16);
    EXPECT_EQ(g_scores.cards[0], 7);
  }
  // A display word other than 0 or 1 takes its default, and one log line names the file.
  WriteFile(Path("Data/cnf.dat"), Bytes({INT_MIN, 1, 7, 1}));
  ASSERT_EQ(LoadDataFile(kDisplayFile, kLoadDisplay), 0);
  EXPECT_EQ(DisplayWords(), (std::vector<int32_t>{0, 1, 0, 1}));
  const std::vector<std::string> lines = LogLinesNaming("Data\\cnf.dat");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("noVsyncWait 7 -> 0"), std::string::npos) << lines[0];
}

// A key entry must name pad buttons and nothing else: zero, a direction or a bit no pad read
// reports would leave the button dead or fire it with a direction. Such an entry takes its
// default, and one log line says the key settings were reset.
TEST_F(DataFiles, KeyEntriesThatNameNoPadButtonTakeTheirDefaults) {
  ASSERT_EQ(mkdir("Data", 0755), 0);
  struct Entry {
    int32_t file;
    bool usable;
  } entries[] = {
      {0x10, true},        {0x1000, true},      {0x8000000, true},   {0x30, true},
      {0x0FFFFFF0, true},  {0, false},          {0x1, false},        {0x8, false},
      {0x11, false},       {0x10000000, false}, {-1, false},         {INT_MIN, false},
      {-16, false},        {0x0F, false},       {0x200, true},       {0x4000, true},
      {0x20000000, false}, {0x100, true},       {0x7FFFFFF0, false}, {0x2000, true},
  };
  std::vector<int32_t> file;
  for (const Entry& e : entries) file.push_back(e.file);
  WriteFile(Path("Data/key.inf"), Bytes(file));
  ASSERT_EQ(LoadDataFile(kButtonsFile, kLoadButtons), 0);
  int reset = 0;
  for (int i = 0; i < 20; ++i) {
    const int32_t want = entries[i].usable ? entries[i].file : 0x10 << (i % 5);
    EXPECT_EQ(g_buttonMap.masks[i / 5][i % 5], want) << i;
    reset += entries[i].usable ? 0 : 1;
  }
  const std::vector<std::string> lines = LogLinesNaming("Data\\key.inf");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("the key settings were reset: " + std::to_string(reset) + " of 20"),
            std::string::npos)
      << lines[0];
  // Read again with the same damage (the title and every resource load read the options again):
  // not logged again. The file is not rewritten.
  ASSERT_EQ(LoadDataFile(kButtonsFile, kLoadButtons), 0);
  EXPECT_EQ(LogLinesNaming("key.inf").size(), 1u);
  EXPECT_EQ(ReadFile(Path("Data/key.inf")), Bytes(file));
}

// Every Data file in every damaged form: the game starts with what it can use and defaults for
// the rest, logs one line naming the file, and leaves the file as it found it.
TEST_F(DataFiles, DamagedFilesKeepDefaultsAndNameTheFile) {
  enum Form { kEmpty, kTruncated, kRandom, kHuge, kFolder, kUnreadable };
  const char* const kFormNames[] = {"empty", "truncated", "random", "10 MB", "folder", "loop"};
  for (const RecordCase& r : kRecords) {
    for (Form form : {kEmpty, kTruncated, kRandom, kHuge, kFolder, kUnreadable}) {
      SCOPED_TRACE(std::string(r.local) + " " + kFormNames[form]);
      std::filesystem::remove_all(Path("Data"));
      ASSERT_EQ(mkdir("Data", 0755), 0);
      ResetRecords();
      const std::vector<int32_t> defaults = r.words();
      const std::string image = Bytes(defaults);
      std::string bytes;
      switch (form) {
        case kEmpty:
          break;
        case kTruncated:
          bytes = image.substr(0, image.size() / 2 + 2);
          break;
        case kRandom:
          for (size_t i = 0; i < image.size(); ++i)
            bytes += static_cast<char>((i * 2654435761u) >> 13);
          break;
        case kHuge:
          bytes = image + std::string(10 * 1024 * 1024 - image.size(), '\x7F');
          break;
        case kFolder:
          ASSERT_EQ(mkdir(r.local, 0755), 0);
          break;
        case kUnreadable:
          // A link to itself: no reading it.
          ASSERT_EQ(symlink(std::filesystem::path(r.local).filename().c_str(), r.local), 0);
          break;
      }
      if (form != kFolder && form != kUnreadable) WriteFile(Path(r.local), bytes);
      Recorder().ClearCalls();
      const int loaded = LoadDataFile(r.file, r.loadKind);
      EXPECT_EQ(loaded, form == kFolder || form == kUnreadable ? -1 : 0);
      const std::vector<int32_t> after = r.words();
      if (form == kRandom) {
        // Values used as they stand where any value serves; the others in their ranges.
        const int32_t* w = after.data();
        if (r.loadKind == kLoadOptions) {
          EXPECT_TRUE(w[0] >= 0 && w[0] <= 3 && w[7] <= 20);
        } else if (r.loadKind == kLoadScores || r.loadKind == kLoadDisplay) {
          EXPECT_TRUE(w[0] >= 0 && w[0] <= (r.loadKind == kLoadScores ? 3 : 1));
          std::vector<int32_t> rows = after;
          EXPECT_TRUE(r.loadKind != kLoadScores || ScoreRowsModel(&rows) == 0);
        } else if (r.loadKind == kLoadButtons) {
          EXPECT_EQ(after, defaults);
        }
      } else {
        EXPECT_EQ(after, defaults);
      }
      const std::string name = std::string(r.file).substr(5);
      EXPECT_EQ(LogLinesNaming(name).size(), 1u);
      // Nothing was written: the file, folder or link is as it was.
      if (form == kFolder) {
        EXPECT_TRUE(std::filesystem::is_directory(Path(r.local)));
      } else if (form == kUnreadable) {
        EXPECT_TRUE(std::filesystem::is_symlink(Path(r.local)));
      } else {
        EXPECT_EQ(ReadFile(Path(r.local)), bytes);
      }
    }
  }
}

// Files of 0 to 2,000 bytes: every whole word the file holds is read (then clamped), a word held
// only in part and every word after it keep their values, and nothing is read past the record.
TEST_F(DataFiles, FilesOfEveryLengthFillFromTheFront) {
  ASSERT_EQ(mkdir("Data", 0755), 0);
  std::string pattern;
  for (int i = 0; i < 2000; ++i) pattern += static_cast<char>((i * 151 + 7) & 0xFF);
  for (const RecordCase& c : kRecords) {
    SCOPED_TRACE(c.local);
    for (size_t size = 0; size <= pattern.size(); size += (size < 200 ? 1 : 13)) {
      ResetRecords();
      const std::vector<int32_t> before = c.words();
      WriteFile(Path(c.local), pattern.substr(0, size));
      ASSERT_EQ(LoadDataFile(c.file, c.loadKind), 0) << size;
      const std::vector<int32_t> after = c.words();
      // The reference: the raw words, then the clamps of the loader applied to them.
      std::vector<int32_t> want = before;
      for (size_t w = 0; w < want.size() && 4 * w + 4 <= size; ++w) {
        uint32_t u = 0;
        for (int k = 0; k < 4; ++k)
          u |= uint32_t{static_cast<uint8_t>(pattern[4 * w + k])} << 8 * k;
        want[w] = static_cast<int32_t>(u);
      }
      if (c.loadKind == kLoadOptions) {
        const int32_t high[] = {3, 2, 2, 1, 1, 1, 2, 20, 20};
        for (int w = 0; w < 9; ++w) want[w] = std::clamp(want[w], 0, high[w]);
      }
      if (c.loadKind == kLoadScores) {
        if (want[0] < 0 || want[0] > 3) want[0] = 0;
        ScoreRowsModel(&want);
      }
      if (c.loadKind == kLoadDisplay) {
        for (int32_t& w : want) w = w == 0 || w == 1 ? w : 0;
      }
      if (c.loadKind == kLoadSurvival) SurvivalRowsModel(&want);
      if (c.loadKind == kLoadButtons) {
        for (size_t w = 0; w < want.size(); ++w) {
          if (want[w] == 0 || (want[w] & ~0x0FFFFFF0) != 0) want[w] = 0x10 << (w % 5);
        }
      }
      ASSERT_EQ(after, want) << size;
    }
  }
}

TEST_F(DataFiles, UnreadableFilesAndUnknownKindsChangeNothing) {
  ASSERT_EQ(mkdir("Data", 0755), 0);
  ASSERT_EQ(mkdir("Data/config.sav", 0755), 0);  // a folder in the file's place
  g_options.difficulty = 2;
  struct Case {
    const char* name;
    const char* path;
    int kind;
  } cases[] = {
      {"missing file", kScoresFile, kLoadScores},
      {"folder in place", kOptionsFile, kLoadOptions},
      {"null path", nullptr, kLoadDisplay},
      {"kind 5", kOptionsFile, 5},
      {"kind -1", kOptionsFile, -1},
      {"kind 99", kOptionsFile, 99},
  };
  const std::vector<int32_t> options = OptionWords();
  const std::vector<int32_t> scores = ScoreWords();
  for (const Case& c : cases) {
    EXPECT_EQ(LoadDataFile(c.path, c.kind), -1) << c.name;
    EXPECT_EQ(OptionWords(), options) << c.name;
    EXPECT_EQ(ScoreWords(), scores) << c.name;
  }
}

TEST_F(DataFiles, UnknownWriterKindsAreRefusedBeforeOpening) {
  ASSERT_EQ(SaveDataFile(kOptionsFile, kSaveOptions), 0);
  const std::string old = ReadFile(Path("Data/config.sav"));
  for (int kind : {3, 5, -1, 100, INT_MIN}) {
    EXPECT_EQ(SaveDataFile(kOptionsFile, kind), -1) << kind;
    EXPECT_EQ(ReadFile(Path("Data/config.sav")), old) << kind;
    EXPECT_EQ(testsupport::Names(Path("Data")), std::vector<std::string>{"config.sav"}) << kind;
  }
  EXPECT_EQ(SaveDataFile(nullptr, kSaveOptions), -1);
}

TEST_F(DataFiles, MissingDataFolderIsMade) {
  EXPECT_FALSE(Exists("Data"));
  ASSERT_EQ(SaveDataFile(kSurvivalFile, kSaveSurvival), 0);
  EXPECT_EQ(ReadFile(Path("Data/score_s.sav")).size(), 192u);
}

// A save that fails on a full disk keeps what stood at its name and leaves no temporary file
// behind. It says why once, in the log and on standard error alike (where a disk too full for the
// log still shows it), and what it left: the old file, or nothing written where there was none
// (it never claims an old file it did not have).
TEST_F(DataFiles, FailedSaveKeepsTheOldFile) {
  namespace fs = std::filesystem;
  const std::string old = Bytes({7, -1, 5, 2, 9, 1, 3, 99, -4, 123, -5});
  enum Stood { kFile, kNothing, kFolder };
  const struct {
    Stood stood;
    const char* said;
  } cases[] = {{kFile, "File too large); the old file is kept"},
               {kNothing, "File too large); nothing was written"},
               {kFolder, "is a folder, not a file); nothing was written"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.said);
    fs::remove_all(Path("Data"));
    ASSERT_EQ(mkdir("Data", 0755), 0);
    if (c.stood == kFile) WriteFile(Path("Data/config.sav"), old);
    if (c.stood == kFolder) {
      ASSERT_EQ(mkdir("Data/config.sav", 0755), 0);
    }
    Recorder().ClearCalls();
    {
      testsupport::FileSizeLimit full(20);
      EXPECT_EQ(SaveDataFile(kOptionsFile, kSaveOptions), -1);
    }
    const std::vector<std::string> lines = LogLinesNaming("Data\\config.sav", true);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], std::string("Data\\config.sav: the save failed (") + c.said);
    EXPECT_TRUE(LogLinesNaming("Data\\config.sav").empty()) << "said twice in the log";
    EXPECT_EQ(testsupport::Names(Path("Data")), c.stood == kNothing
                                                    ? std::vector<std::string>{}
                                                    : std::vector<std::string>{"config.sav"});
    if (c.stood == kFile) {
      EXPECT_EQ(ReadFile(Path("Data/config.sav")), old);
    }
  }
}

// Whatever stands at the one name a save's temporary file could be guessed to have, the fixed name
// an older writer used, before the game's start and between two saves: the save is whole, a file
// and not a link, and what was planted is neither followed nor touched. (The writer's own names
// are random; what the start's clean-up does with them is the next test's.)
TEST_F(DataFiles, NothingPlantedAtATemporaryNameIsFollowed) {
  namespace fs = std::filesystem;
  struct Plant {
    const char* name;
    void (*make)(const std::string& at);
  } plants[] = {
      {"link", [](const std::string& at) { fs::create_symlink("../victim", at); }},
      {"folder", [](const std::string& at) { fs::create_directory(at); }},
      {"pipe", [](const std::string& at) { ASSERT_EQ(mkfifo(at.c_str(), 0600), 0); }},
      {"file", [](const std::string& at) { WriteFile(at, "half a save"); }},
  };
  const std::vector<int32_t> options = {2, 1, 1, 0, 0, 0, 1, 20, 19, 0, 0};
  const std::string at = Path("Data/config.sav.tmp");
  for (const Plant& p : plants) {
    for (bool betweenSaves : {false, true}) {
      SCOPED_TRACE(std::string(p.name) + (betweenSaves ? ", between saves" : ", before the start"));
      fs::remove_all(Path("Data"));
      ASSERT_EQ(mkdir("Data", 0755), 0);
      WriteFile(Path("victim"), "precious");
      if (betweenSaves) {
        ASSERT_EQ(SaveDataFile(kOptionsFile, kSaveOptions), 0);
      }
      p.make(at);
      const fs::file_type planted = fs::symlink_status(at).type();
      // Before the first save the game's start cleans up first; between two saves nothing does.
      if (!betweenSaves) RemoveStaleSaveFiles();
      g_options.difficulty = 2;
      ASSERT_EQ(SaveDataFile(kOptionsFile, kSaveOptions), 0);
      EXPECT_EQ(ReadFile(Path("victim")), "precious");
      EXPECT_EQ(fs::symlink_status(Path("Data/config.sav")).type(), fs::file_type::regular);
      EXPECT_EQ(ReadFile(Path("Data/config.sav")), Bytes(options));
      EXPECT_EQ(fs::symlink_status(at).type(), planted);
      EXPECT_EQ(testsupport::Names(Path("Data")),
                (std::vector<std::string>{"config.sav", "config.sav.tmp"}));
      ResetRecords();
    }
  }
}

// Only a file is replaced: a folder or a pipe under the save's name stays as it is and the save
// fails; a link is written through to the file it names (as writing into it would), so the link
// stays; a loop of links leads to no file.
TEST_F(DataFiles, OnlyAFileIsReplacedAndALinkIsWrittenThrough) {
  namespace fs = std::filesystem;
  struct Case {
    const char* name;
    void (*prepare)();
    int result;
    const char* written;  // the file that must hold the save afterwards
  } cases[] = {
      {"folder", [] { mkdir("Data/key.inf", 0755); }, -1, nullptr},
      {"pipe", [] { mkfifo("Data/key.inf", 0600); }, -1, nullptr},
      {"loop of links", [] { symlink("key.inf", "Data/key.inf"); }, -1, nullptr},
      {"link to a file",
       [] {
         mkdir("elsewhere", 0755);
         WriteFile("elsewhere/keys", "old");
         symlink("../elsewhere/keys", "Data/key.inf");
       },
       0, "elsewhere/keys"},
      {"link to nothing yet",
       [] {
         mkdir("elsewhere", 0755);
         symlink("../elsewhere/keys", "Data/key.inf");
       },
       0, "elsewhere/keys"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Path("Data"));
    fs::remove_all(Path("elsewhere"));
    ASSERT_EQ(mkdir("Data", 0755), 0);
    c.prepare();
    const fs::file_type before = fs::symlink_status(Path("Data/key.inf")).type();
    EXPECT_EQ(SaveDataFile(kButtonsFile, kSaveButtons), c.result);
    EXPECT_EQ(fs::symlink_status(Path("Data/key.inf")).type(), before);
    if (c.written != nullptr) {
      EXPECT_EQ(ReadFile(Path(c.written)).size(), 80u);
    }
    // No temporary file stays, beside the save's name or beside the file a link leads to.
    EXPECT_EQ(testsupport::Names(Path("Data")), std::vector<std::string>{"key.inf"});
    if (Exists("elsewhere")) {
      EXPECT_EQ(testsupport::Names(Path("elsewhere")), std::vector<std::string>{"keys"});
    }
  }
  // A file where the folder should be: nothing can be made.
  fs::remove_all(Path("Data"));
  WriteFile(Path("Data"), "not a folder");
  EXPECT_EQ(SaveDataFile(kButtonsFile, kSaveButtons), -1);
  EXPECT_EQ(ReadFile(Path("Data")), "not a folder");
}

TEST_F(DataFiles, UnwritableDataFolderKeepsTheOldFile) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  ASSERT_EQ(mkdir("Data", 0755), 0);
  WriteFile(Path("Data/score.sav"), Bytes({1}));
  ASSERT_EQ(chmod("Data", 0555), 0);
  EXPECT_EQ(SaveDataFile(kScoresFile, kSaveScores), -1);
  chmod("Data", 0755);
  EXPECT_EQ(ReadFile(Path("Data/score.sav")), Bytes({1}));
  EXPECT_EQ(testsupport::Names(Path("Data")), std::vector<std::string>{"score.sav"});
}

// A save killed between writing its temporary file and the rename leaves it beside the file the
// save writes; the next start removes it, and only a file of the writer's own naming for one of
// the four saves: never a link (nor what it names), a folder, a pipe, or a name of another kind.
TEST_F(DataFiles, StaleTemporaryFilesAreRemovedAtStart) {
  namespace fs = std::filesystem;
  ASSERT_EQ(mkdir("Data", 0755), 0);
  ASSERT_EQ(mkdir("elsewhere", 0755), 0);
  WriteFile(Path("victim"), "precious");
  fs::create_symlink("../elsewhere/keys", Path("Data/key.inf"));
  const char* removed[] = {"Data/config.sav.tmp-Ab12Z9", "Data/score_s.sav.tmp-000000",
                           "Data/score.sav.tmp-zzzzzz", "elsewhere/keys.tmp-q1W2e3"};
  for (const char* name : removed) WriteFile(Path(name), "half a sa");
  const std::vector<std::string> keptFiles = {
      "Data/cnf.dat.tmp-abcdef",     // the game never writes cnf.dat
      "Data/config.sav.tmp",         // not the writer's naming
      "Data/config.sav.tmp-abc",     // nor this
      "Data/config.sav.tmp-abc.de",  // nor this
      "Data/key.inf.tmp-Ab12Z9",     // key.inf is a link: its save writes elsewhere
      "Data/config.sav.tmp-\xff\xfe\xfd\xfc\xfb\xfa"};
  for (const std::string& name : keptFiles) WriteFile(Path(name), "someone's");
  ASSERT_EQ(mkdir("Data/score.sav.tmp-FOLDER", 0755), 0);
  ASSERT_EQ(mkfifo("Data/score.sav.tmp-PIPE00", 0600), 0);
  fs::create_symlink("../victim", Path("Data/score_s.sav.tmp-LINK00"));
  RemoveStaleSaveFiles();
  for (const char* name : removed) EXPECT_FALSE(Exists(name)) << name;
  for (const std::string& name : keptFiles) EXPECT_EQ(ReadFile(Path(name)), "someone's") << name;
  EXPECT_TRUE(fs::is_directory(Path("Data/score.sav.tmp-FOLDER")));
  EXPECT_TRUE(fs::is_fifo(Path("Data/score.sav.tmp-PIPE00")));
  EXPECT_TRUE(fs::is_symlink(Path("Data/score_s.sav.tmp-LINK00")));
  EXPECT_EQ(ReadFile(Path("victim")), "precious");
  // One line each, naming what was removed: the save's own name with the writer's suffix, or the
  // path a link led to.
  EXPECT_EQ(LogLinesNaming("left by a save that did not finish; removed").size(), 4u);
  EXPECT_EQ(LogLinesNaming("Data\\config.sav.tmp-Ab12Z9: left by").size(), 1u);
  EXPECT_EQ(LogLinesNaming("elsewhere/keys.tmp-q1W2e3: left by").size(), 1u);
  RemoveStaleSaveFiles();
  EXPECT_EQ(LogLinesNaming("left by a save").size(), 4u);
}

TEST_F(DataFiles, OptionDefaultsLeaveTheSpareWords) {
  g_options = OptionSettings{0, 0, 0, 1, 1, 1, 0, 0, 0, {5, 6}};
  WriteOptionDefaults();
  EXPECT_EQ(OptionWords(), (std::vector<int32_t>{1, 1, 1, 0, 0, 0, 1, 20, 19, 5, 6}));
}

// Each bound just inside and just outside, in both stories' tables and the spare ones: a row
// outside takes its whole default row, one log line names the file with the count, a second read
// logs nothing, and only the game's own save writes the file.
TEST_F(DataFiles, ScoreRowsOutOfReachTakeTheirDefaultRows) {
  struct Planted {
    int row;
    int32_t score, stage, cards;
    bool inReach;
  } planted[] = {
      {0, 0, 0, 0, true},     {1, -1, 0, 0, false},       {2, INT_MIN, 3, 1, false},
      {9, 5, 18, 0, false},   {12, 5, -1, 0, false},      {3, INT_MAX, 17, INT_MAX, true},
      {25, 5, 1, -1, false},  {26, 5, 1, INT_MIN, false}, {40, 1, 9, 2, true},
      {41, 1, 10, 2, false},  {70, 9, 17, 0, false},      {80, 7, 17, 7, true},
      {119, 7, 18, 7, false}, {100, 7, INT_MAX, 7, false}};
  std::vector<int32_t> file = {2};
  for (int row = 0; row < 120; ++row) file.insert(file.end(), {1000 + row, row % 10, row});
  std::vector<int32_t> want = file;
  int replaced = 0;
  for (const Planted& p : planted) {
    std::copy_n(std::vector<int32_t>{p.score, p.stage, p.cards}.begin(), 3, &file[1 + 3 * p.row]);
    const std::vector<int32_t> row = {p.inReach ? p.score : 100000 - 10000 * (p.row % 10),
                                      p.inReach ? p.stage : 0, p.inReach ? p.cards : 0};
    std::copy_n(row.begin(), 3, &want[1 + 3 * p.row]);
    replaced += p.inReach ? 0 : 1;
  }
  ReadTwiceThenSave(kRecords[3], file, want, std::to_string(replaced) + " of 120 score rows", [&] {
    for (const Planted& p : planted) EXPECT_EQ(ScoreRowRepaired(p.row), !p.inReach) << p.row;
  });
}

// Each bound of a survival row just inside and just outside: a row outside is shown and compared
// as the default row, one log line names the file with the count, a second read logs nothing, and
// only a save writes the file, with the rows as they are shown.
TEST_F(DataFiles, SurvivalRowsNoRunCanLeaveTakeTheirDefaultRows) {
  struct Row {
    int32_t score, stage, breaks;
    bool inReach;
  } rows[] = {{100000, 0, 0, true},
              {-1, 5, 0, false},
              {INT_MIN, 0, 0, false},
              {0, 0, 0, true},
              {200000, 31, 40, true},
              {200000, 32, 0, false},
              {200000, -1, 0, false},
              {200000, 30, 41, false},
              {200000, 1, -1, false},
              {INT_MAX, 31, INT_MAX, true},
              {2147483646, 31, INT_MAX, false},
              {4999, 1, 0, true},
              {4999, 1, 1, false},
              {123456, INT_MAX, 2, false},
              {5000, 30, 1, true},
              {987654321, 12, 197530, true}};
  std::vector<int32_t> file, want;
  int replaced = 0;
  for (const Row& r : rows) {
    file.insert(file.end(), {r.score, r.stage, r.breaks});
    if (r.inReach) {
      want.insert(want.end(), {r.score, r.stage, r.breaks});
    } else {
      want.insert(want.end(), {100000, 0, 0});
    }
    replaced += r.inReach ? 0 : 1;
  }
  ReadTwiceThenSave(kRecords[4], file, want, std::to_string(replaced) + " of 16 survival rows",
                    [] {});
}

}  // namespace
