// The generator and the checker together: a fresh tree passes, and a tree damaged on purpose, or
// at random, fails with exactly the damaged files named; pictures that show their fallback label
// are named too. The checker runs the game's loader over
// the damaged files with the real library, under the sanitizers of the ci preset.
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/instance_lock.h"
#include "tests/support/temp_dir.h"
#include "tools/lib/demoresources/canvas.h"
#include "tools/lib/demoresources/content.h"
#include "tools/lib/demoresources/inventory.h"

namespace {

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

struct ToolRun {
  int status;
  std::vector<std::string> lines;
};

ToolRun Execute(const std::string& command) {
  ToolRun run{-1, {}};
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::string text = line;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    run.lines.push_back(text);
  }
  int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

std::string Summary(int failures) {
  return "554 pictures, 85 sounds, 28 music, 13 maps, 44 scripts; load failures: " +
         std::to_string(failures);
}

// The story's lines: the fighters never brought in and their count, the scripts that leave extra
// stage 8 dark and the count of dark stages lit, then the pages whose speaker has no picture and
// their count.
std::vector<std::string> StoryLines(const std::vector<std::string>& absent = {},
                                    const std::vector<std::string>& unlit = {},
                                    const std::vector<std::string>& speakers = {}) {
  std::vector<std::string> lines = absent;
  lines.push_back("story stages: 29, fighters never brought in: " + std::to_string(absent.size()));
  for (const std::string& file : unlit) lines.push_back("never lit: extra stage 8 (" + file + ")");
  lines.push_back("dark stages: 1, lit by their script: " + std::to_string(unlit.empty() ? 1 : 0));
  lines.insert(lines.end(), speakers.begin(), speakers.end());
  lines.push_back("speakers without a picture: " + std::to_string(speakers.size()));
  return lines;
}

// Headless, on the virtual clock, with the single-instance lock in the tree's folder.
ToolRun Check(const TempDir& dir) {
  return Execute(
      "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy MORROW_CLOCK=virtual XDG_RUNTIME_DIR='" +
      dir.path() + "' " + CHECKER + " '" + dir.path() + "'");
}

void Generate(const TempDir& dir) {
  ToolRun made = Execute(std::string(GENERATOR) + " " + dir.path());
  ASSERT_EQ(made.status, 0);
  ASSERT_TRUE(made.lines.empty());
}

std::vector<std::string> FailedLines(const std::set<std::string>& files) {
  std::vector<std::string> lines;
  for (const std::string& f : files) lines.push_back("failed: " + f);
  return lines;
}

// The checker's output must name exactly the damaged files, sorted, and count them, then give the
// story's lines (`story`; when it is empty, whatever damaged scripts leave), then the pictures that
// show a fallback label, in inventory order.
void ExpectFailures(const ToolRun& run, const std::set<std::string>& damaged,
                    const std::vector<std::string>& story = StoryLines(),
                    const std::vector<std::string>& labelled = {}) {
  std::vector<std::string> want = FailedLines(damaged);
  want.push_back(Summary(static_cast<int>(damaged.size())));
  want.insert(want.end(), story.begin(), story.end());
  std::vector<std::string> got = run.lines;
  if (story.empty()) {
    got.resize(std::min(got.size(), want.size()));
  } else {
    for (const std::string& file : labelled) want.push_back("labelled: " + file);
    want.push_back("labelled placeholders: " + std::to_string(labelled.size()));
  }
  EXPECT_EQ(got, want);
  // Only a story whose lines are its two counts alone has every fighter in and every arena lit.
  EXPECT_EQ(run.status, damaged.empty() && story == StoryLines() && labelled.empty() ? 0 : 1);
}

// Writes a picture as the generator would without art: every cell a box with its label.
void PlantLabels(const TempDir& dir, const std::string& file) {
  for (demo::DemoPicture p : demo::DemoPictures()) {
    if (p.file != file) continue;
    p.style = demo::PictureStyle::kCells;  // no words by these names
    std::string error;
    ASSERT_TRUE(demo::WritePng(dir.File(file), demo::DrawPicture(p), &error)) << error;
  }
}

// A fresh tree passes, unless another instance holds the library's lock: the checker then says,
// in its one line, that it did nothing, and fails.
TEST(CheckDemoResources, AFreshTreePassesWhenTheLibraryStarts) {
  TempDir dir;
  Generate(dir);
  ExpectFailures(Check(dir), {});
  const char* old = std::getenv("XDG_RUNTIME_DIR");
  const std::string saved = old != nullptr ? old : "";
  setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
  platform::InstanceLock held;
  const bool holding = held.Acquire("Morrow");
  if (old != nullptr) {
    setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
  } else {
    unsetenv("XDG_RUNTIME_DIR");
  }
  ASSERT_TRUE(holding && held.held());
  const ToolRun run = Check(dir);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.lines, std::vector<std::string>{
                           "check-demo-resources: nothing done: another instance holds the "
                           "library's lock"});
}

// A missing sound and a truncated picture fail to load; a script that no longer brings a fighter
// in, one that leaves the last extra fight dark, an epilogue page whose speaker's sheet the stage
// never loads, and labels planted in two pictures, load well but fail the check. Each is named.
TEST(CheckDemoResources, DamagedFilesAMissingEntryAndPlantedLabelsAreNamed) {
  TempDir dir;
  Generate(dir);
  std::filesystem::remove(dir.File("Resource/SE/zan.wav"));
  std::filesystem::resize_file(dir.File("Resource/ef09.dat"), 100);
  // A well-formed script that no longer brings player 0 in: stage 2 keeps it absent.
  std::string script = ReadFile(dir.File("Resource/Srd/01.srd"));
  const size_t entry = script.find("\n!1\n");
  ASSERT_NE(entry, std::string::npos);
  WriteFile(dir.File("Resource/Srd/01.srd"), script.erase(entry + 1, 3));
  const std::string dark = "Resource/Srd/ex108.srd";
  script = ReadFile(dir.File(dark));
  const size_t lights = script.find("S7");
  ASSERT_NE(lights, std::string::npos);
  WriteFile(dir.File(dark), script.erase(lights, 2));
  const std::string epilogue = "Resource/Srd/ex110b.srd";
  script = ReadFile(dir.File(epilogue));
  const size_t speaker = script.find(">2P1");
  ASSERT_NE(speaker, std::string::npos);
  WriteFile(dir.File(epilogue), script.replace(speaker, 4, ">2B1"));
  PlantLabels(dir, "Resource/star.dat");
  PlantLabels(dir, "Resource/green.dat");
  ExpectFailures(Check(dir), {"Resource/SE/zan.wav", "Resource/ef09.dat"},
                 StoryLines({"never brought in: main stage 1 (Resource/Srd/01.srd): player 0",
                             "never brought in: main stage 2 (Resource/Srd/02.srd): player 0",
                             "never brought in: main stage 2 (Resource/Srd/02b.srd): player 0"},
                            {dark},
                            {"speaker without a picture: extra stage 10 (" + epilogue +
                             ") page 2: speaker 2 (portrait B)"}),
                 {"Resource/green.dat", "Resource/star.dat"});
}

// Ways to spoil a file.
enum class Damage { kRemove, kTruncate, kGarbage, kEmpty, kSmallerPicture, kSilentWave };

std::string DamageFile(const std::string& path, const std::string& file, Damage d,
                       std::mt19937* rng) {
  std::string bytes = ReadFile(path);
  switch (d) {
    case Damage::kRemove:
      std::filesystem::remove(path);
      return "removed";
    case Damage::kTruncate:
      WriteFile(path, bytes.substr(0, (*rng)() % bytes.size()));
      return "truncated";
    case Damage::kGarbage: {
      std::string junk(1 + (*rng)() % 4096, '\0');
      for (char& c : junk) c = static_cast<char>((*rng)() & 0xFF);
      WriteFile(path, junk);
      return "garbage";
    }
    case Damage::kEmpty:
      WriteFile(path, "");
      return "empty";
    case Damage::kSmallerPicture: {
      // A good picture, one pixel short of the grid it is cut by.
      for (const demo::DemoPicture& p : demo::DemoPictures()) {
        if (p.file != file) continue;
        demo::Canvas small(veyrdale::GridWidth(p.grid) - 1, veyrdale::GridHeight(p.grid),
                           {9, 9, 9});
        std::string error;
        demo::WritePng(path, small, &error);
      }
      return "smaller";
    }
    case Damage::kSilentWave:
      // A well-formed header with no sound in it.
      WriteFile(path, demo::MakeSound(0).substr(0, 40) + std::string(4, '\0'));
      return "no samples";
  }
  return "";
}

// Twelve files drawn by each of three seeds, each spoilt in a way drawn with it, all in one tree:
// every one is named, and no other file. One tree is checked once, as a run of the checker loads
// every set the game can ask for, which under the sanitizers takes minutes.
TEST(CheckDemoResources, RandomDamageIsFoundFileByFile) {
  const std::vector<std::string> files = demo::DemoFiles();
  TempDir dir;
  Generate(dir);
  std::set<std::string> damaged;
  std::string spoilt;  // each file and what was done to it
  for (unsigned seed : {1u, 2u, 3u}) {
    std::mt19937 rng(seed);
    for (int drawn = 0; drawn < 12;) {
      const std::string& file = files[rng() % files.size()];
      if (damaged.count(file) != 0) continue;
      bool picture =
          file.find(".dat") != std::string::npos || file.find(".nlg") != std::string::npos;
      bool wave = file.find(".wav") != std::string::npos;
      std::vector<Damage> kinds = {Damage::kRemove, Damage::kTruncate, Damage::kGarbage,
                                   Damage::kEmpty};
      if (picture) kinds.push_back(Damage::kSmallerPicture);
      if (wave) kinds.push_back(Damage::kSilentWave);
      Damage d = kinds[rng() % kinds.size()];
      spoilt += "\n" + file + " " + DamageFile(dir.File(file), file, d, &rng);
      damaged.insert(file);
      ++drawn;
    }
  }
  SCOPED_TRACE(spoilt);
  ExpectFailures(Check(dir), damaged, {});  // a damaged script may leave fighters out
}

TEST(CheckDemoResources, UsageErrors) {
  EXPECT_EQ(Execute(CHECKER).status, 2);
  EXPECT_EQ(Execute(std::string(CHECKER) + " /nonexistent/folder").status, 2);
  EXPECT_EQ(Execute(GENERATOR).status, 2);
  TempDir dir;
  WriteFile(dir.File("Resource"), "a file where the folder belongs");
  ToolRun run = Execute(std::string(GENERATOR) + " " + dir.path());
  EXPECT_EQ(run.status, 3);  // not the generator's: left as it is
  ASSERT_FALSE(run.lines.empty());
}

}  // namespace
