// The arena maps, read when a stage is set up: every map its round starts can choose from goes into
// the battle's table, so that no round reads a file.
#include <cstdint>
#include <cstdio>
#include <string>

#include "game/battle/arena.h"
#include "game/core/match_setup.h"
#include "game/flow/flow.h"
#include "morrow/system/log.h"
#include "morrow/system/stream.h"

namespace veyrdale {

namespace {

// Reads one little-endian u16 byte by byte; false at the end of the file.
bool ReadU16(FILE* file, uint32_t* out) {
  int lo = std::fgetc(file);
  if (lo == EOF) return false;
  int hi = std::fgetc(file);
  if (hi == EOF) return false;
  *out = static_cast<uint32_t>(lo) | (static_cast<uint32_t>(hi) << 8);
  return true;
}

// The cells of an opened map file into `image`, its header already read. Cells beyond column 19
// or row 24 have no storage: they are read past and dropped, and since nothing after column 19 is
// kept the walk ends there.
void ReadCells(FILE* file, const char* path, uint32_t columns, uint32_t rows,
               ArenaMapImage* image) {
  const bool clipped =
      columns > static_cast<uint32_t>(kMapColumns) || rows > static_cast<uint32_t>(kMapStorageRows);
  const uint32_t keptColumns = columns < static_cast<uint32_t>(kMapColumns) ? columns : kMapColumns;
  const uint32_t wanted = keptColumns * rows;
  uint32_t read = 0;
  bool shortFile = false;
  for (uint32_t c = 0; c < keptColumns && !shortFile; ++c) {
    for (uint32_t r = 0; r < rows; ++r) {
      const int byte = std::fgetc(file);
      if (byte == EOF) {
        shortFile = true;
        break;
      }
      ++read;
      if (r < static_cast<uint32_t>(kMapStorageRows)) {
        image->cells[c + kMapColumns * r] = static_cast<uint8_t>(byte);
        image->rows[c] = static_cast<uint8_t>(r + 1);
      }
    }
  }
  if (shortFile) {
    morrow::WriteLogFormat("Arena map %s: %u x %u cells%s, the file ends after %u of %u",
                           morrow::LogText(path).c_str(), columns, rows,
                           clipped ? " (clipped to 20 x 25)" : "", read, wanted);
  } else if (clipped) {
    morrow::WriteLogFormat("Arena map %s: %u x %u cells, clipped to 20 x 25",
                           morrow::LogText(path).c_str(), columns, rows);
  }
}

}  // namespace

void ReadArenaMap(const char* path, ArenaMapImage* image) {
  *image = ArenaMapImage{};
  image->kind = ArenaMapImage::Kind::kUnreadable;
  std::string mapped;
  if (path == nullptr || !morrow::MapGamePath(path, &mapped)) return;
  // Only regular files: a directory or a device is no map, and a pipe must not hold the set-up.
  FILE* file = morrow::OpenGameInput(mapped);
  if (file == nullptr) {
    // A map that cannot be read leaves the arena open, and the log says which.
    morrow::WriteLogFormat("Arena map %s cannot be read", morrow::LogText(path).c_str());
    return;
  }
  uint32_t columns = 0;
  uint32_t rows = 0;
  if (ReadU16(file, &columns) && ReadU16(file, &rows)) {
    image->kind = ArenaMapImage::Kind::kRead;
    ReadCells(file, path, columns, rows, image);
  } else {
    morrow::WriteLogFormat("Arena map %s: the file ends inside its header",
                           morrow::LogText(path).c_str());
  }
  std::fclose(file);
}

void LoadArenaMap(const char* path) {
  ArenaMapImage image;
  ReadArenaMap(path, &image);
  ApplyArenaMap(image);
}

void ReadStageArenaMaps(int arena) {
  // Maps of another stage are forgotten: a round of this stage must never take one of them.
  for (ArenaMapImage& image : g_arenaMapFiles) image = ArenaMapImage{};
  const ArenaMapChoice maps = ArenaMapsOf(arena);
  for (int n = maps.first; n < maps.first + maps.count; ++n) {
    ReadArenaMap(ArenaMapPath(n).c_str(), &g_arenaMapFiles[n]);
  }
}

std::string ArenaMapPath(int n) {
  char path[32];
  std::snprintf(path, sizeof path, "Resource\\Mpd\\%02d.mpd", n);
  return path;
}

}  // namespace veyrdale
