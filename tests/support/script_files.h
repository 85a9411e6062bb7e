// Scenario scripts for tests that follow which script the game loads: a temporary tree whose
// Resource/Srd files each hold one page that spells the file's own name in full-width letters,
// made the working directory while it lives.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "game/flow/glyph_text.h"
#include "game/flow/scenario.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

// The full-width form of an ASCII letter or digit, as two GBK bytes.
inline std::string FullWidth(const std::string& ascii) {
  std::string out;
  for (char c : ascii) {
    const unsigned code = 0xA3A1 + static_cast<unsigned char>(c) - 0x21;
    out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
  }
  return out;
}

class ScriptTree {
 public:
  ScriptTree() {
    std::filesystem::create_directories(dir_.File("Resource/Srd"));
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
  }
  ~ScriptTree() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
  }
  ScriptTree(const ScriptTree&) = delete;
  ScriptTree& operator=(const ScriptTree&) = delete;

  // Resource/Srd/<stem>.srd holding `bytes`.
  void Write(const std::string& stem, const std::string& bytes) const {
    WriteFile(dir_.File("Resource/Srd/" + stem + ".srd"), bytes);
  }
  // Resource/Srd/<stem>.srd whose page spells the stem.
  void WriteNamed(const std::string& stem) const { Write(stem, FullWidth(stem) + "\\_"); }
  // Every script name the story can ask for.
  void WriteAllNamed() const {
    char stem[16];
    for (int n = 0; n < 50; ++n) {
      std::snprintf(stem, sizeof stem, "%02d", n);
      WriteNamed(stem);
      std::snprintf(stem, sizeof stem, "%02dn", n);
      WriteNamed(stem);
      std::snprintf(stem, sizeof stem, "ex1%02d", n);
      WriteNamed(stem);
      std::snprintf(stem, sizeof stem, "ex1%02db", n);
      WriteNamed(stem);
    }
    WriteNamed("02b");
  }
  const TempDir& dir() const { return dir_; }
  // The stem of a main-story script by its number.
  static std::string Stem(int number) {
    char stem[16];
    std::snprintf(stem, sizeof stem, "%02d", number);
    return stem;
  }

 private:
  TempDir dir_;
  std::filesystem::path old_;
};

// The stem a named script of ScriptTree spells, read from the loaded script's first bytes; empty
// when the buffer holds no such page.
inline std::string LoadedScriptName() {
  std::string stem;
  for (int i = 0; i + 1 < veyrdale::kScriptBytes; i += 2) {
    const unsigned code = veyrdale::ScriptBuffer[i] << 8 | veyrdale::ScriptBuffer[i + 1];
    if (code < 0xA3A1 || code > 0xA3FE) break;
    stem.push_back(static_cast<char>(code - 0xA3A1 + 0x21));
  }
  return stem;
}

// The same, read from the first row of the message window after a page has run.
inline std::string ShownPage() {
  std::string stem;
  for (int c = 0; c < veyrdale::kMessageColumns; ++c) {
    const uint32_t code = veyrdale::MessageGrid[c * veyrdale::kMessageRows];
    if (code < 0xA3A1 || code > 0xA3FE) break;
    stem.push_back(static_cast<char>(code - 0xA3A1 + 0x21));
  }
  return stem;
}

}  // namespace testsupport
