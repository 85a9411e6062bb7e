// Arena map files for the probes' tests: 20 x 15 cells after their two counts, column by column.
#pragma once

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>

#include "tests/support/temp_dir.h"

namespace testsupport {

// A map whose cells are all `fill`, with the given cells (column, row) set to `other`.
inline std::string MapFile(char fill, std::initializer_list<std::pair<int, int>> cells = {},
                           char other = 0) {
  std::string bytes = std::string("\x14\x00\x0f\x00", 4) + std::string(300, fill);
  for (const auto& [c, r] : cells) bytes[4 + c * 15 + r] = other;
  return bytes;
}

// Every arena map file, Resource/Mpd/00.mpd to 12.mpd, into `dir`: map n is `map(n)`, by default
// one without a wall, so that `match` and `story` read whole maps that leave the arena open.
inline void WriteArenaMaps(
    const TempDir& dir, std::string (*map)(int n) = [](int) { return MapFile('\x00'); }) {
  std::filesystem::create_directories(dir.File("Resource/Mpd"));
  for (int n = 0; n < 13; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "Resource/Mpd/%02d.mpd", n);
    WriteFile(dir.File(name), map(n));
  }
}

}  // namespace testsupport
