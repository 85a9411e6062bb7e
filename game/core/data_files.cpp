// The five Data files: each record walked word by word in its file order, read from the front of
// its file and written through a temporary file that replaces the old one only when complete.
#include "game/core/data_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "morrow/system/log.h"
#include "morrow/system/stream.h"

namespace veyrdale {

namespace {

enum class Record { kNone, kDisplay, kOptions, kButtons, kScores, kSurvival };

// The largest record: the unlock level and 120 rows of three words.
constexpr int kMaxWords = 1 + 3 * kScoreRows;

Record RecordToLoad(int kind) {
  switch (kind) {
    case kLoadDisplay:
      return Record::kDisplay;
    case kLoadButtons:
      return Record::kButtons;
    case kLoadScores:
      return Record::kScores;
    case kLoadOptions:
      return Record::kOptions;
    case kLoadSurvival:
      return Record::kSurvival;
    default:
      return Record::kNone;
  }
}

Record RecordToSave(int kind) {
  switch (kind) {
    case kSaveOptions:
      return Record::kOptions;
    case kSaveButtons:
      return Record::kButtons;
    case kSaveScores:
      return Record::kScores;
    case kSaveSurvival:
      return Record::kSurvival;
    default:
      return Record::kNone;
  }
}

// The words of a record in file order; the number of words.
int RecordWords(Record record, int32_t* words[kMaxWords]) {
  int n = 0;
  switch (record) {
    case Record::kDisplay:
      words[n++] = &g_display.windowMode;
      words[n++] = &g_display.use16BitColor;
      words[n++] = &g_display.noVsyncWait;
      words[n++] = &g_display.halfRatePresent;
      break;
    case Record::kOptions: {
      OptionSettings& o = g_options;
      for (int32_t* w : {&o.difficulty, &o.winCount, &o.timeLimit, &o.effectLevel, &o.meleeLevel,
                         &o.stunRingDisplay, &o.obstacleStrength, &o.musicVolume, &o.soundVolume,
                         &o.spare[0], &o.spare[1]}) {
        words[n++] = w;
      }
      break;
    }
    case Record::kButtons:
      for (auto& player : g_buttonMap.masks) {
        for (int32_t& mask : player) words[n++] = &mask;
      }
      break;
    case Record::kScores:
      words[n++] = &g_scores.unlockLevel;
      for (int row = 0; row < kScoreRows; ++row) {
        words[n++] = &g_scores.score[row];
        words[n++] = &g_scores.stage[row];
        words[n++] = &g_scores.cards[row];
      }
      break;
    case Record::kSurvival:
      for (int c = 0; c < kSurvivalRows; ++c) {
        words[n++] = &g_survival.bestScore[c];
        words[n++] = &g_survival.stage[c];
        words[n++] = &g_survival.breaks[c];
      }
      break;
    case Record::kNone:
      break;
  }
  return n;
}

// The bits of the 24 pad buttons a pad read reports (0x10 to 0x8000000); the keyboard's keys
// map onto the first ten of them.
constexpr int32_t kPadButtonBits = 0x0FFFFFF0;

// A button entry is usable when it names at least one pad button and nothing else: no direction,
// no bit a pad never sets. Zero would leave the button dead.
bool UsableButtonMask(int32_t mask) {
  return (mask & kPadButtonBits) != 0 && (mask & ~kPadButtonBits) == 0;
}

struct RangedWord {
  const char* name;
  int32_t OptionSettings::*field;
  int32_t low;
  int32_t high;
};
constexpr RangedWord kOptionRanges[] = {
    {"difficulty", &OptionSettings::difficulty, 0, 3},
    {"winCount", &OptionSettings::winCount, 0, 2},
    {"timeLimit", &OptionSettings::timeLimit, 0, 2},
    {"effectLevel", &OptionSettings::effectLevel, 0, 1},
    {"meleeLevel", &OptionSettings::meleeLevel, 0, 1},
    {"stunRingDisplay", &OptionSettings::stunRingDisplay, 0, 1},
    {"obstacleStrength", &OptionSettings::obstacleStrength, 0, 2},
    {"musicVolume", &OptionSettings::musicVolume, 0, 20},
    {"soundVolume", &OptionSettings::soundVolume, 0, 20},
};

constexpr std::pair<const char*, int32_t DisplaySettings::*> kDisplayWords[] = {
    {"windowMode", &DisplaySettings::windowMode},
    {"use16BitColor", &DisplaySettings::use16BitColor},
    {"noVsyncWait", &DisplaySettings::noVsyncWait},
    {"halfRatePresent", &DisplaySettings::halfRatePresent},
};

// The highest stage word a story run can leave in a row of the score tables. The word is the run's
// round counter, which rises once a fight and keeps the rise only when the run moves on to a later
// stage or ends (a lost fight that is continued takes it back), so no run ends above its story's
// stage count. Tables 0-3 are the main story's, 4-7 the extra story's; 8-11 belong to no story the
// game plays and take the larger bound.
int32_t HighestStoredStage(int row) {
  const int table = row / 10;
  return table >= 4 && table < 8 ? kExtraStoryStages : kMainStoryStages;
}

// A row a story run can have written, or the default row. The score and the broken cards only ever
// grow from 0 during a run and stop at the top; the cards have no lower ceiling than that, since a
// continued fight keeps their count.
bool ScoreRowInReach(int row) {
  const int32_t stage = g_scores.stage[row];
  return g_scores.score[row] >= 0 && stage >= 0 && stage <= HighestStoredStage(row) &&
         g_scores.cards[row] >= 0;
}

// A character's survival row as a run leaves it, or the default row. The result stores the run's
// score, its knock-outs and its stage only for a new best:
// - the score starts at 0 and only grows, so it is never negative;
// - the stage is the number of the fight the run lost, or 31 for a run that won its last round.
//   The round table has 29 rounds (0-28), but round 0 is set up twice (by the selection, and after
//   the first win, as the round end's count is taken back before the next set-up), so a run fights
//   at most 30 times: 1 to 30 for a loss, 31, and 0 where no run was stored;
// - each knock-out adds kKnockOutPoints to the same score, so the breaks are at most the score
//   divided by them. The round table gives no bound of its own: a hit whose damage its move gives
//   back counts a knock-out that leaves the opponent standing, and survival rounds have no clock.
//   A score held at the int32 top stops paying while the knock-outs count on: any breaks then.
bool SurvivalRowInReach(int c) {
  const int32_t score = g_survival.bestScore[c];
  const int32_t stage = g_survival.stage[c];
  const int32_t breaks = g_survival.breaks[c];
  if (score < 0 || stage < 0 || stage > kSurvivalCompletedStage || breaks < 0) return false;
  return score == INT32_MAX || breaks <= score / kKnockOutPoints;
}

bool g_scoreRowRepaired[kScoreRows];

// Rows out of reach of any run take their default rows, whole (`takeDefault`), each noted in
// `repaired` when given; the number of them.
template <typename InReach, typename TakeDefault>
int RepairRows(int rows, InReach inReach, TakeDefault takeDefault, bool* repaired = nullptr) {
  int count = 0;
  for (int row = 0; row < rows; ++row) {
    const bool outOfReach = !inReach(row);
    if (repaired != nullptr) repaired[row] = outOfReach;
    if (!outOfReach) continue;
    takeDefault(row);
    ++count;
  }
  return count;
}

int RepairScoreRows() {
  static constexpr ScoreTable kDefaults;
  return RepairRows(
      kScoreRows, ScoreRowInReach,
      [](int row) {
        g_scores.score[row] = kDefaults.score[row];
        g_scores.stage[row] = kDefaults.stage[row];
        g_scores.cards[row] = kDefaults.cards[row];
      },
      g_scoreRowRepaired);
}

int RepairSurvivalRows() {
  static constexpr SurvivalRecord kDefaults;
  return RepairRows(kSurvivalRows, SurvivalRowInReach, [](int c) {
    g_survival.bestScore[c] = kDefaults.bestScore[c];
    g_survival.stage[c] = kDefaults.stage[c];
    g_survival.breaks[c] = kDefaults.breaks[c];
  });
}

// The log's phrase for `repaired` of `rows` rows of `what` ("score", "survival") that no run of
// `run` ("story", "survival") reaches.
std::string RepairedRowsNote(int repaired, int rows, const char* what, const char* run) {
  return std::to_string(repaired) + " of " + std::to_string(rows) + " " + what +
         " rows held values no " + run + " run reaches and took their defaults";
}

// Puts `replacement` in place of the word and names the change in `changed`; nothing when they
// are equal.
void Replace(const char* name, int32_t& value, int32_t replacement, std::string* changed) {
  if (replacement == value) return;
  changed->append(changed->empty() ? "" : ", ")
      .append(name)
      .append(" ")
      .append(std::to_string(value))
      .append(" -> ")
      .append(std::to_string(replacement));
  value = replacement;
}

// The words that become indices and menu positions are clamped into their ranges, display words
// other than 0 and 1 take their defaults, an unlock level out of range takes the default (a
// damaged record must not open what was never won), score and survival rows no run can have
// written take their default rows, and button entries that name no pad button take their defaults;
// the spare words are used as they stand. What changed, as a phrase for the log ("" for nothing).
std::string RepairRecord(Record record) {
  std::string changed;
  if (record == Record::kOptions) {
    for (const RangedWord& w : kOptionRanges) {
      int32_t& value = g_options.*w.field;
      Replace(w.name, value, std::clamp(value, w.low, w.high), &changed);
    }
  } else if (record == Record::kDisplay) {
    const DisplaySettings defaults;
    for (const auto& [name, field] : kDisplayWords) {
      int32_t& value = g_display.*field;
      Replace(name, value, value == 0 || value == 1 ? value : defaults.*field, &changed);
    }
  } else if (record == Record::kScores) {
    int32_t& level = g_scores.unlockLevel;
    Replace("unlockLevel", level, level >= 0 && level <= kMaxUnlockLevel ? level : 0, &changed);
    if (!changed.empty()) changed = "values out of range replaced: " + changed;
    const int rows = RepairScoreRows();
    if (rows > 0) {
      changed.append(changed.empty() ? "" : "; ")
          .append(RepairedRowsNote(rows, kScoreRows, "score", "story"));
    }
    return changed;
  } else if (record == Record::kSurvival) {
    const int rows = RepairSurvivalRows();
    return rows > 0 ? RepairedRowsNote(rows, kSurvivalRows, "survival", "survival") : "";
  } else if (record == Record::kButtons) {
    const ButtonMap defaults;
    int reset = 0;
    for (int p = 0; p < 4; ++p) {
      for (int b = 0; b < 5; ++b) {
        int32_t& mask = g_buttonMap.masks[p][b];
        if (UsableButtonMask(mask)) continue;
        mask = defaults.masks[p][b];
        ++reset;
      }
    }
    if (reset > 0) {
      changed = "the key settings were reset: " + std::to_string(reset) +
                " of 20 button entries named no pad button and took their defaults";
    }
    return changed;
  }
  if (!changed.empty()) changed = "values out of range replaced: " + changed;
  return changed;
}

// Log lines of the Data files. The files are read before the library starts, when nothing can be
// logged yet: their lines wait until FlushDataFileLog. A file read again with the same damage
// (the options are read at every resource load) is not reported again.
// A line that is also a notice (a failed save) goes to standard error as well, so that a player
// learns of it even where the log cannot be written (a full disk).
struct WaitingLine {
  std::string text;
  bool notice;
};
struct DataFileLog {
  bool live = false;
  std::vector<WaitingLine> waiting;
  std::string lastNote[6];  // by Record
};
DataFileLog g_dataLog;

constexpr size_t kMaxWaitingLines = 32;

void WriteLine(const std::string& line, bool notice) {
  if (notice) {
    morrow::WriteLogNotice(line.c_str());
  } else {
    morrow::WriteLogFormat("%s", line.c_str());
  }
}

void LogLine(const std::string& line, bool notice = false) {
  if (g_dataLog.live) {
    WriteLine(line, notice);
  } else if (g_dataLog.waiting.size() < kMaxWaitingLines) {
    g_dataLog.waiting.push_back({line, notice});
  }
}

// One line about a file the reader could not take as it was; "" says the file was fine.
void NoteLoad(Record record, const char* path, const std::string& note) {
  std::string& last = g_dataLog.lastNote[static_cast<int>(record)];
  if (note == last) return;
  last = note;
  if (!note.empty()) LogLine(morrow::LogText(path) + ": " + note);
}

bool MapPath(const char* path, std::string* mapped) {
  return path != nullptr && morrow::MapGamePath(path, mapped) && !mapped->empty();
}

// The file a save writes: its own path, or, where a link stands there, the file the links lead to,
// as a plain write into the link would reach it. A loop of links ends on a link, which the writer
// refuses. False with the reason when a link cannot be read.
bool SaveTarget(const std::string& mapped, std::filesystem::path* file, std::string* why) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path at = mapped;
  for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(at, ec)); ++hops) {
    const fs::path next = fs::read_symlink(at, ec);
    if (ec) {
      *why = ec.message();
      return false;
    }
    at = next.is_absolute() ? next : at.parent_path() / next;
  }
  *file = at;
  return true;
}

// The writer's reason without the path it starts with: the log line names the save already.
std::string ReasonAlone(const std::string& reason, const std::string& path) {
  const std::string lead = path + ": ";
  return reason.rfind(lead, 0) == 0 ? reason.substr(lead.size()) : reason;
}

}  // namespace

void WriteOptionDefaults() {
  const OptionSettings defaults;
  OptionSettings& o = g_options;
  o.difficulty = defaults.difficulty;
  o.winCount = defaults.winCount;
  o.timeLimit = defaults.timeLimit;
  o.effectLevel = defaults.effectLevel;
  o.meleeLevel = defaults.meleeLevel;
  o.stunRingDisplay = defaults.stunRingDisplay;
  o.obstacleStrength = defaults.obstacleStrength;
  o.musicVolume = defaults.musicVolume;
  o.soundVolume = defaults.soundVolume;
}

int MusicVolumeSetting(double share) {
  return TruncToInt(share * g_options.musicVolume * 0.05 * 255);
}

int LoadDataFile(const char* path, int kind) {
  Record record = RecordToLoad(kind);
  std::string mapped;
  if (record == Record::kNone || !MapPath(path, &mapped)) return -1;
  int error = 0;
  int64_t fileSize = 0;
  FILE* file = morrow::OpenGameInput(mapped, &error, &fileSize);
  if (file == nullptr) {
    // A missing file is the first start: the defaults are what it would hold. A folder, a named
    // pipe or a device in the file's place is no record.
    NoteLoad(record, path,
             error == ENOENT ? ""
             : error == 0
                 ? "is not a file; the defaults stay"
                 : std::string("cannot be read (") + std::strerror(error) + "); the defaults stay");
    return -1;
  }
  int32_t* words[kMaxWords];
  const int count = RecordWords(record, words);
  bool ok = true;
  int whole = 0;
  for (; whole < count; ++whole) {
    unsigned char b[4];
    if (std::fread(b, 1, 4, file) != 4) {
      ok = std::ferror(file) == 0;
      break;
    }
    const uint32_t u =
        uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
    *words[whole] = static_cast<int32_t>(u);
  }
  std::fclose(file);
  const long long expected = 4LL * count;
  std::string note;
  if (!ok) {
    note = "a read failed after " + std::to_string(4LL * whole) + " bytes; the rest is unchanged";
  } else if (fileSize < expected) {
    note = std::to_string(static_cast<long long>(fileSize)) + " of " + std::to_string(expected) +
           " bytes; the rest is unchanged";
  } else if (fileSize > expected) {
    note = std::to_string(static_cast<long long>(fileSize)) + " bytes where " +
           std::to_string(expected) + " were expected; the rest was not read";
  }
  const std::string repaired = RepairRecord(record);
  if (!repaired.empty()) note += (note.empty() ? "" : "; ") + repaired;
  NoteLoad(record, path, note);
  return ok ? 0 : -1;
}

int SaveDataFile(const char* path, int kind) {
  Record record = RecordToSave(kind);
  std::string mapped;
  if (record == Record::kNone || !MapPath(path, &mapped)) return -1;

  int32_t* words[kMaxWords];
  const int count = RecordWords(record, words);
  unsigned char bytes[kMaxWords * 4];
  for (int i = 0; i < count; ++i) {
    const uint32_t u = static_cast<uint32_t>(*words[i]);
    for (int k = 0; k < 4; ++k) bytes[4 * i + k] = static_cast<unsigned char>(u >> (8 * k));
  }

  // What a failure left is said as it is: the old file where there was one, else nothing.
  bool hadFile = false;
  auto failed = [path, &hadFile](const std::string& why) {
    LogLine(morrow::LogText(path) + ": the save failed (" + why + "); " +
                (hadFile ? "the old file is kept" : "nothing was written"),
            true);
    return -1;
  };
  const std::filesystem::path folder = std::filesystem::path(mapped).parent_path();
  std::error_code ec;
  if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
    std::filesystem::create_directories(folder, ec);
    if (ec) return failed(ec.message());
  }
  // The whole-file writer replaces only a file (or nothing) that the process may write, never a
  // folder, a device or a pipe that stands under the save's name nor another user's file it could
  // not have written into, and makes its temporary file where no one can have laid a link for it.
  std::filesystem::path file;
  std::string why;
  if (!SaveTarget(mapped, &file, &why)) return failed(why);
  hadFile = std::filesystem::is_regular_file(std::filesystem::symlink_status(file, ec));
  if (!morrow::WriteWholeGameFile(file.string(), bytes, static_cast<size_t>(count) * 4, &why)) {
    return failed(ReasonAlone(why, file.string()));
  }
  return 0;
}

bool ScoreRowRepaired(int row) {
  return row >= 0 && row < kScoreRows && g_scoreRowRepaired[row];
}

void FlushDataFileLog() {
  g_dataLog.live = true;
  for (const WaitingLine& line : g_dataLog.waiting) WriteLine(line.text, line.notice);
  g_dataLog.waiting.clear();
}

void RemoveStaleSaveFiles() {
  namespace fs = std::filesystem;
  for (const char* path : {kOptionsFile, kButtonsFile, kScoresFile, kSurvivalFile}) {
    std::string mapped, why;
    fs::path file;
    if (!MapPath(path, &mapped) || !SaveTarget(mapped, &file, &why)) continue;
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::error_code ec;
    std::vector<fs::path> stale;
    for (fs::directory_iterator at(folder, ec), end; !ec && at != end; at.increment(ec)) {
      // Only a file named as the writer names its temporary files: a link is neither followed
      // nor removed, and anything else of such a name is not a save's.
      std::error_code statusError;
      if (morrow::IsWholeFileTemporaryOf(at->path().filename().string(), file.string()) &&
          fs::is_regular_file(at->symlink_status(statusError))) {
        stale.push_back(at->path());
      }
    }
    for (const fs::path& temporary : stale) {
      if (!fs::remove(temporary, ec)) continue;
      // Beside the save's own name the log names it as the game does; through a link, as found.
      const std::string shown = file == fs::path(mapped)
                                    ? morrow::LogText(path) + temporary.filename().string().substr(
                                                                  file.filename().string().size())
                                    : temporary.string();
      LogLine(shown + ": left by a save that did not finish; removed");
    }
  }
}

std::vector<std::string> TakeWaitingDataFileLog() {
  std::vector<std::string> lines;
  for (WaitingLine& line : g_dataLog.waiting) lines.push_back(std::move(line.text));
  g_dataLog.waiting.clear();
  return lines;
}

}  // namespace veyrdale
