// The records behind the game's five Data files: the display settings, the options, the button
// map, the story score tables and the survival records. Each is a set of int32 words that live for
// the whole run; the values here are what they hold before any file is read.
//
// A file is the plain image of its record: little-endian int32 words, no header. One reader and
// one writer move a whole record between its file and the globals, each with its own numbering of
// the records (the options are read as kind 3 and written as kind 0).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veyrdale {

struct DisplaySettings {
  int32_t windowMode = 0;
  int32_t use16BitColor = 0;
  int32_t noVsyncWait = 0;
  int32_t halfRatePresent = 0;  // non-zero: present only every second frame
};

struct OptionSettings {
  int32_t difficulty = 1;        // 0-3
  int32_t winCount = 1;          // 0-2: rounds needed to win a match, less one
  int32_t timeLimit = 1;         // 0-2
  int32_t effectLevel = 0;       // 0-1
  int32_t meleeLevel = 0;        // 0-1
  int32_t stunRingDisplay = 0;   // 0-1
  int32_t obstacleStrength = 1;  // 0-2
  int32_t musicVolume = 20;      // 0-20
  int32_t soundVolume = 19;      // 0-20
  int32_t spare[2] = {};         // read by nothing; kept and saved as they are
};

// Per player, the pad-state bits that count as each game button 1 to 5: a button is held while the
// pad state has any bit of its mask. The default is pad buttons 0 to 4 for every player.
struct ButtonMap {
  int32_t masks[4][5] = {{0x10, 0x20, 0x40, 0x80, 0x100},
                         {0x10, 0x20, 0x40, 0x80, 0x100},
                         {0x10, 0x20, 0x40, 0x80, 0x100},
                         {0x10, 0x20, 0x40, 0x80, 0x100}};
};

// Twelve tables of ten rows, best first: table t holds rows 10t to 10t + 9. The story uses table
// difficulty + 4 x story kind; tables 8 to 11 are carried unchanged. The file interleaves the
// three columns row by row.
constexpr int kScoreRows = 120;
constexpr int kMaxUnlockLevel = 3;
struct ScoreTable {
  int32_t unlockLevel = 0;  // 0-3: what the menus open
  int32_t score[kScoreRows];
  int32_t stage[kScoreRows] = {};
  int32_t cards[kScoreRows] = {};  // spell cards used
  constexpr ScoreTable() {
    for (int row = 0; row < kScoreRows; ++row) score[row] = 100000 - 10000 * (row % 10);
  }
};

// The stage the survival result stores for a run that won its last round; a lost run stores the
// number of the fight it lost, counted from 1.
constexpr int32_t kSurvivalCompletedStage = 31;

// The best survival run of each character.
constexpr int kSurvivalRows = 16;
struct SurvivalRecord {
  int32_t bestScore[kSurvivalRows];
  int32_t stage[kSurvivalRows] = {};
  int32_t breaks[kSurvivalRows] = {};
  constexpr SurvivalRecord() {
    for (int32_t& s : bestScore) s = 100000;
  }
};

extern DisplaySettings g_display;
extern OptionSettings g_options;
extern ButtonMap g_buttonMap;
extern ScoreTable g_scores;
extern SurvivalRecord g_survival;

// The music volume of the options as the library takes it, scaled by `share` (a fade-out passes
// the part still to be heard).
int MusicVolumeSetting(double share = 1.0);

// Record kinds of the reader.
enum LoadKind : int {
  kLoadDisplay = 0,
  kLoadButtons = 1,
  kLoadScores = 2,
  kLoadOptions = 3,
  kLoadSurvival = 4,
};
// Record kinds of the writer. The display settings are never written.
enum SaveKind : int {
  kSaveOptions = 0,
  kSaveButtons = 1,
  kSaveScores = 2,
  kSaveSurvival = 4,
};

// The files, as the game names them.
inline constexpr const char kDisplayFile[] = "Data\\cnf.dat";
inline constexpr const char kOptionsFile[] = "Data\\config.sav";
inline constexpr const char kButtonsFile[] = "Data\\key.inf";
inline constexpr const char kScoresFile[] = "Data\\score.sav";
inline constexpr const char kSurvivalFile[] = "Data\\score_s.sav";

// The option defaults that start-up writes before any file is read (words 0 to 8; the two spare
// words keep their values).
void WriteOptionDefaults();

// Reads the record of `kind` from the file, word by word, from the front: a short file fills
// what it holds, and a word the file holds only in part keeps its value. The option words 0-8 are
// then clamped into their ranges, so an edited file cannot push an index out of a table; a
// display word other than 0 or 1 and an unlock level outside 0-3 take their defaults, so a
// damaged record never unlocks anything; a score row that no story run can have written (a
// negative score or card count, a stage below 0 or above its story's stage count) and a survival
// row that no survival run can have written (a negative score, a stage outside 0-31, a break count
// below 0 or above what its score paid for) take their default rows; and a button entry that names
// no pad button (zero, a direction, a bit no pad sets) takes its default, so no button is left
// dead; everything else stays as read. A file that is there but cannot be read, is not a file, is
// shorter or longer than its record or held values that were replaced gets one log line with its
// name (the same damage read again is not logged again). 0, or -1 when the file cannot be read (the
// record is unchanged) or the kind is unknown.
int LoadDataFile(const char* path, int kind);

// Whether the last read of the score file gave row `row` (0-119) its default row in place of what
// the file held; false for any other row.
bool ScoreRowRepaired(int row);

// Writes the record of `kind` through the whole-file writer (a temporary file beside the file,
// renamed over it once every word is on the disk), creating the file's folder when it is missing.
// A symbolic link under the file's name is followed to the file it names, which is the one
// replaced; a folder, a device or a pipe there is left as it is and the save fails, and so does a
// file the process may not write (another user's private file: "Permission denied"), as a plain
// write into it would. A failure removes the temporary file, leaves the old file as it was and
// says so in one line naming the file, its reason and "the old file is kept" ("nothing was
// written" where there was no file): in the log and on standard error once the log runs, else
// among the waiting lines. An unknown kind is refused before anything is opened. 0, or -1 on any
// failure.
int SaveDataFile(const char* path, int kind);

// The Data files are read before the library starts and its log with it: their log lines wait
// until this is called, once the log runs; from then on they are written at once.
void FlushDataFileLog();

// Removes the temporary files that saves killed before their rename left beside the four files
// the game writes, each with a log line. Run at start, once this instance holds the single-
// instance lock: every program that saves holds that lock while it runs (the game, and the tool
// datafiles for its save), so no running save's file is taken.
void RemoveStaleSaveFiles();

// The log lines of the Data files still waiting for the log (FlushDataFileLog not yet called),
// handed over and forgotten: a tool that never starts the log says them itself, on standard
// error, where none of them has been said before.
std::vector<std::string> TakeWaitingDataFileLog();

}  // namespace veyrdale
