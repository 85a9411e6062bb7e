#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "morrow/sound/music_internal.h"
#include "morrow/system/stream.h"

namespace {

// "表" in GBK: its second byte is the separator's byte.
const std::string kTable = "\x95\x5C";

struct FullCase {
  const char* name;
  std::string path;
  std::string base;
  std::string expected;  // empty: the call fails
};

std::string Full(const std::string& path, const std::string& base, int* result) {
  char out[morrow::kFullPathBytes];
  std::memset(out, 'Z', sizeof out);
  *result = morrow::MakeFullPath(path.c_str(), out, base.c_str());
  return *result == 0 ? std::string(out) : std::string();
}

TEST(MusicPath, FullPathsAgainstABase) {
  const FullCase cases[] = {
      {"file name", "a.mid", "/tmp/base", "/tmp/base\\a.mid"},
      {"directory, up, file", "dir\\..\\a.mid", "/tmp/base", "/tmp/base\\a.mid"},
      {"slashes too", "dir/../a.mid", "/tmp/base", "/tmp/base\\a.mid"},
      {"current directory skipped", ".\\Resource\\.\\Bgm\\00.bgm", "/g",
       "/g\\Resource\\Bgm\\00.bgm"},
      {"up into the base", "..\\x.mid", "/tmp/base", "/tmp\\x.mid"},
      {"up past the root stays at the root", "..\\..\\..\\..\\x", "/tmp/base", "\\x"},
      {"base with its separator", "a", "/tmp/base/", "/tmp/base\\a"},
      {"base of the game's form", "a", "C:\\game\\", "C:\\game\\a"},
      {"from the root of this system", "\\x\\y.mid", "/tmp/base", "\\x\\y.mid"},
      {"slash root", "/x", "/tmp/base", "\\x"},
      {"from the root of a drive base", "\\x", "C:\\game", "C:\\x"},
      {"own drive", "D:\\m\\..\\n.mid", "/tmp/base", "D:\\n.mid"},
      {"up never removes the drive", "D:\\..\\..\\n", "/tmp/base", "D:\\n"},
      {"last component as it is", "a\\..", "/b", "/b\\a\\.."},
      {"trailing separator", "a\\", "/b", "/b\\a\\"},
      {"empty path", "", "/b", "/b\\"},
      {"two-byte character ending in the separator byte", kTable + "\\a.mid", "/b",
       "/b\\" + kTable + "\\a.mid"},
      {"up over a two-byte name", "x\\" + kTable + "\\..\\a", "/b", "/b\\x\\a"},
      {"base ending in a two-byte character", "a", "/b/" + kTable, "/b/" + kTable + "\\a"},
      {"lone lead byte at the end", "a\\\x81", "/b", "/b\\a\\\x81"},
      {"lead byte 0x81 pairs with the separator byte", "\x81\\a\\..\\c", "/b", "/b\\c"},
      {"two separators", "a\\\\b.mid", "/b", ""},
      {"two slashes", "a//b.mid", "/b", ""},
      {"two separators after the root", "\\\\x", "/b", ""},
  };
  for (const FullCase& c : cases) {
    int result = 0;
    std::string got = Full(c.path, c.base, &result);
    EXPECT_EQ(result, c.expected.empty() ? -1 : 0) << c.name;
    EXPECT_EQ(got, c.expected) << c.name;
  }
}

TEST(MusicPath, LengthLimit) {
  std::string base = "/" + std::string(100, 'b');
  int result = 0;
  // Exactly the room there is, terminator included.
  std::string fits(morrow::kFullPathBytes - 1 - base.size() - 1, 'f');
  EXPECT_EQ(Full(fits, base, &result).size(), morrow::kFullPathBytes - 1);
  EXPECT_EQ(result, 0);
  Full(fits + "f", base, &result);
  EXPECT_EQ(result, -1) << "one byte more";
  // A long path that comes back within the room is a path.
  Full(std::string(5000, 'x') + "\\..\\a", base, &result);
  EXPECT_EQ(result, 0);
  Full("a", std::string(5000, 'b'), &result);
  EXPECT_EQ(result, -1) << "a base beyond the room";
  char out[morrow::kFullPathBytes];
  EXPECT_EQ(morrow::MakeFullPath(nullptr, out, "/b"), -1);
  EXPECT_EQ(morrow::MakeFullPath("a", nullptr, "/b"), -1);
}

TEST(MusicPath, NullBaseIsTheCurrentDirectory) {
  char current[morrow::kFullPathBytes];
  ASSERT_EQ(morrow::GetCurrentDir(current, sizeof current), 0);
  char out[morrow::kFullPathBytes];
  ASSERT_EQ(morrow::MakeFullPath("sub\\..\\x.mid", out, nullptr), 0);
  std::string base = current;
  if (base.size() > 1 && base.back() == '/') base.pop_back();
  EXPECT_EQ(std::string(out), base + "\\x.mid");
}

TEST(MusicPath, SplitNeverCutsACharacter) {
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"a\\b\\c.mid", "c.mid", "a\\b"}, {"a/b/c.mid", "c.mid", "a/b"}, {"c.mid", "c.mid", ""},
      {"C:c.mid", "c.mid", "C"},        {"dir\\", "", "dir"},          {"", "", ""},
      {"d\\" + kTable, kTable, "d"},  // the character's second byte is no separator
      {kTable + "x", kTable + "x", ""}, {"d\\x\x81", "x\x81", "d"},  // a lone lead byte at the end
  };
  for (const auto& [path, name, directory] : cases) {
    char n[64];
    char d[64];
    std::memset(n, 'Z', sizeof n);
    std::memset(d, 'Z', sizeof d);
    ASSERT_EQ(morrow::SplitPath(path.c_str(), n, d), 0) << path;
    EXPECT_EQ(std::string(n), name) << path;
    EXPECT_EQ(std::string(d), directory) << path;
  }
  char n[8];
  EXPECT_EQ(morrow::SplitPath("a\\b", n, nullptr), 0);
  EXPECT_STREQ(n, "b");
  EXPECT_EQ(morrow::SplitPath(nullptr, n, nullptr), -1);
}

}  // namespace
