// The five Data files: each record walked word by word in its file order, read from the front of
// its file and written through a temporary file that replaces the old one only when complete.
#include "game/core/data_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "game/core/numeric.h"
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
      for (int c = 0; c < 16; ++c) {
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

void Clamp(int32_t& value, int32_t low, int32_t high) {
  value = std::clamp(value, low, high);
}

// The words that become indices and menu positions; the spare words, the display settings, the
// key masks and the scores are used as they stand.
void ClampRecord(Record record) {
  if (record == Record::kOptions) {
    OptionSettings& o = g_options;
    Clamp(o.difficulty, 0, 3);
    Clamp(o.winCount, 0, 2);
    Clamp(o.timeLimit, 0, 2);
    Clamp(o.effectLevel, 0, 1);
    Clamp(o.meleeLevel, 0, 1);
    Clamp(o.stunRingDisplay, 0, 1);
    Clamp(o.obstacleStrength, 0, 2);
    Clamp(o.musicVolume, 0, 20);
    Clamp(o.soundVolume, 0, 20);
  } else if (record == Record::kScores) {
    Clamp(g_scores.unlockLevel, 0, kMaxUnlockLevel);
  }
}

bool MapPath(const char* path, std::string* mapped) {
  return path != nullptr && morrow::MapGamePath(path, mapped) && !mapped->empty();
}

// Writes all bytes, flushes them to the disk and closes the file; false on any failure (the file
// is closed in every case).
bool WriteAndClose(FILE* file, const unsigned char* bytes, size_t size) {
  bool ok = std::fwrite(bytes, 1, size, file) == size;
  ok = ok && std::fflush(file) == 0;
  ok = ok && fsync(fileno(file)) == 0;
  return std::fclose(file) == 0 && ok;
}

// Makes a rename inside a folder durable; a folder that cannot be opened is left as it is.
void SyncFolder(const std::filesystem::path& folder) {
  int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
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
  struct stat st;
  // A folder or a device in the file's place is no record.
  if (stat(mapped.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  FILE* file = std::fopen(mapped.c_str(), "rb");
  if (file == nullptr) return -1;
  int32_t* words[kMaxWords];
  const int count = RecordWords(record, words);
  bool ok = true;
  for (int i = 0; i < count; ++i) {
    unsigned char b[4];
    if (std::fread(b, 1, 4, file) != 4) {
      ok = std::ferror(file) == 0;
      break;
    }
    const uint32_t u =
        uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
    *words[i] = static_cast<int32_t>(u);
  }
  std::fclose(file);
  ClampRecord(record);
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

  const std::filesystem::path target(mapped);
  const std::filesystem::path folder = target.parent_path();
  std::error_code ec;
  if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
    std::filesystem::create_directories(folder, ec);
    if (ec) return -1;
  }
  const std::string temporary = mapped + ".tmp";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return -1;  // nothing was written, so nothing is removed
  if (!WriteAndClose(file, bytes, static_cast<size_t>(count) * 4) ||
      std::rename(temporary.c_str(), mapped.c_str()) != 0) {
    std::remove(temporary.c_str());
    return -1;
  }
  SyncFolder(folder);
  return 0;
}

}  // namespace veyrdale
