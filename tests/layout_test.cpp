// The layering of the tree, read from the sources themselves: every quoted include and every
// include of SDL's headers is checked against the folders that may not reach it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Rule {
  const char* folder;     // sources under this folder ...
  const char* forbidden;  // ... include nothing that starts with this
};

// Arrows point down only: core < battle < view < flow; the library never reaches the game, the
// tools or the tests; the platform knows nothing above it; the pure kernels read no draw frame.
const Rule kRules[] = {
    {"game/core/", "game/battle/"},
    {"game/core/", "game/view/"},
    {"game/core/", "game/flow/"},
    {"game/battle/", "game/view/"},
    {"game/battle/", "game/flow/"},
    {"game/view/", "game/flow/"},
    {"morrow/", "game/"},
    {"morrow/", "tools/"},
    {"morrow/", "tests/"},
    {"game/", "tools/"},
    {"game/", "tests/"},
    {"tools/", "tests/"},
    {"platform/", "morrow/"},
    {"platform/", "game/"},
    {"platform/", "tools/"},
    {"platform/", "tests/"},
    {"morrow/raster/", "morrow/softdraw/"},
    {"morrow/raster/", "morrow/graphics/"},
    {"morrow/raster/", "morrow/device/screen"},
};

// Only the platform layer sees SDL, FreeType and fontconfig; the benchmarks (SDL is a peer there)
// and tests that drive SDL themselves are outside the product.
const char* const kSdlFolders[] = {"morrow/", "game/", "tools/"};
const char* const kPlatformOnlyHeaders[] = {"SDL", "ft2build", "freetype/", "fontconfig/"};

struct Include {
  std::string file;  // relative to the source root
  std::string target;
  bool angled;
};

// `#include "x"` or `#include <x>`, with any spaces a line may hold around the hash.
bool ParseInclude(const std::string& line, Include* out) {
  size_t i = line.find_first_not_of(" \t");
  if (i == std::string::npos || line[i] != '#') return false;
  i = line.find_first_not_of(" \t", i + 1);
  if (i == std::string::npos || line.compare(i, 7, "include") != 0) return false;
  i = line.find_first_not_of(" \t", i + 7);
  if (i == std::string::npos || (line[i] != '"' && line[i] != '<')) return false;
  const char close = line[i] == '"' ? '"' : '>';
  const size_t end = line.find(close, i + 1);
  if (end == std::string::npos) return false;
  out->angled = close == '>';
  out->target = line.substr(i + 1, end - i - 1);
  return true;
}

std::vector<Include> ScanIncludes() {
  std::vector<Include> found;
  const fs::path root = SOURCE_DIR;
  for (const char* top : {"game", "morrow", "platform", "tools"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
      const std::string ext = entry.path().extension().string();
      if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
      std::ifstream in(entry.path());
      std::string text;
      while (std::getline(in, text)) {
        Include inc;
        if (ParseInclude(text, &inc)) {
          inc.file = fs::relative(entry.path(), root).generic_string();
          found.push_back(inc);
        }
      }
    }
  }
  return found;
}

bool StartsWith(const std::string& s, const char* prefix) {
  return s.rfind(prefix, 0) == 0;
}

TEST(Layout, IncludesPointDownOnly) {
  const std::vector<Include> includes = ScanIncludes();
  ASSERT_GT(includes.size(), 1000u) << "the scan found too few sources under " << SOURCE_DIR;
  for (const Include& inc : includes) {
    if (inc.angled) continue;
    for (const Rule& rule : kRules) {
      EXPECT_FALSE(StartsWith(inc.file, rule.folder) && StartsWith(inc.target, rule.forbidden))
          << inc.file << " includes \"" << inc.target << "\"";
    }
  }
}

TEST(Layout, OnlyThePlatformSeesSdlAndTheFontLibraries) {
  for (const Include& inc : ScanIncludes()) {
    if (!inc.angled) continue;
    for (const char* header : kPlatformOnlyHeaders) {
      if (!StartsWith(inc.target, header)) continue;
      for (const char* folder : kSdlFolders) {
        EXPECT_FALSE(StartsWith(inc.file, folder))
            << inc.file << " includes <" << inc.target << ">";
      }
    }
  }
}

}  // namespace
