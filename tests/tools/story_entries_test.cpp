// Who enters each story stage: the generator's scripts run on every stage's set-up through the
// checker's own code, on every route, and scripts spoiled on purpose that the check must name.
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/story_stages.h"
#include "tests/support/script_files.h"
#include "tools/lib/demoresources/content.h"
#include "tools/lib/demoresources/inventory.h"
#include "tools/lib/demoresources/story_entries.h"

namespace {

using namespace demo;

std::string Stem(const std::string& file) {
  const size_t slash = file.rfind('/') + 1;
  return file.substr(slash, file.rfind('.') - slash);
}

std::string Generated(const std::string& file) {
  for (const DemoScript& s : DemoScripts()) {
    if (s.file == file) return MakeScript(s);
  }
  ADD_FAILURE() << "no script " << file;
  return "";
}

void WriteGenerated(const testsupport::ScriptTree& tree) {
  for (const DemoScript& s : DemoScripts()) tree.Write(Stem(s.file), MakeScript(s));
}

std::string Joined(const StoryEntryReport& report) {
  std::string text;
  for (const std::string& line : StoryEntryLines(report)) text += line + "\n";
  return text;
}

TEST(StoryEntries, EveryFighterOfEveryStageIsBroughtIn) {
  testsupport::ScriptTree tree;
  WriteGenerated(tree);
  const StoryEntryReport report = CheckStoryEntries();
  const int stages = veyrdale::StoryStageRows(0) + veyrdale::StoryStageRows(1);
  EXPECT_EQ(report.stages, stages);
  EXPECT_TRUE(report.Passed()) << Joined(report);
  EXPECT_EQ(StoryEntryLines(report),
            std::vector<std::string>{"story stages: " + std::to_string(stages) +
                                     ", fighters never brought in: 0"});

  // The walk reaches every script of the tree, and the entrants it finds are what the scripts
  // hold: some stage leaves someone absent, and each such script enters each player once.
  std::set<std::string> walked;
  WalkStoryScripts([&](const StageScript& s) { walked.insert(s.file); });
  std::set<std::string> inventory;
  for (const DemoScript& s : DemoScripts()) inventory.insert(s.file);
  EXPECT_EQ(walked, inventory);
  int entries = 0;
  for (const auto& [file, players] : ScriptEntrants()) {
    const std::string script = Generated(file);
    for (int p = 0; p < 4; ++p) {
      const std::string command = "\n!" + std::to_string(p + 1) + "\n";
      const size_t at = script.find(command);
      EXPECT_EQ(at != std::string::npos, players.count(p) == 1) << file << " player " << p;
      if (at != std::string::npos) {
        EXPECT_EQ(script.find(command, at + 1), std::string::npos) << "entered twice";
      }
    }
    entries += static_cast<int>(players.size());
  }
  EXPECT_GT(entries, 0);
}

// A script with its text changed from `from` to `to` (the first time), or removed when `from` is
// empty. A fighter left out stays absent on the stage after, which keeps the counters.
struct Absent {
  int kind, stage;
  const char* stem;
  std::vector<int> players;
};
struct Spoil {
  const char* stem;
  std::string from, to;
  std::vector<Absent> absent;
  std::set<std::string> unended;
};

TEST(StoryEntries, SpoiledScriptsNameTheStageAndPlayer) {
  const Spoil spoils[] = {
      {"01", "\n!1\n", "\n", {{0, 1, "01", {0}}, {0, 2, "02", {0}}, {0, 2, "02b", {0}}}, {}},
      // Without a continue before it the third fighter joins stage 7; stage 8 keeps it on both
      // routes.
      {"07", "\n!3\n", "\n", {{0, 7, "07", {2}}, {0, 8, "08", {2}}, {0, 8, "08n", {2}}}, {}},
      {"03", "\n!3\n", "\n!2\n", {{0, 3, "03", {2}}, {0, 4, "04", {2}}}, {}},
      // Brought in, then hidden again by a hold; the next stage brings everyone in anew.
      {"15n", "\n!2\n", "\n!2\n$2\n", {{0, 15, "15n", {1}}}, {}},
      {"ex106",
       "",
       "",
       {{1, 6, "ex106", {1, 2, 3}}, {1, 7, "ex107", {1, 2, 3}}, {1, 7, "ex107b", {1, 2, 3}}},
       {}},
      {"09", "\\_\n", "\\\n", {}, {"Resource/Srd/09.srd"}},
  };
  for (const Spoil& spoil : spoils) {
    SCOPED_TRACE(spoil.stem);
    testsupport::ScriptTree tree;
    WriteGenerated(tree);
    const std::string file = "Resource/Srd/" + std::string(spoil.stem) + ".srd";
    if (spoil.from.empty()) {
      std::filesystem::remove(tree.dir().File(file));
    } else {
      std::string bytes = Generated(file);
      const size_t at = bytes.find(spoil.from);
      ASSERT_NE(at, std::string::npos);
      tree.Write(spoil.stem, bytes.replace(at, spoil.from.size(), spoil.to));
    }
    std::set<AbsentFighter> want;
    for (const Absent& a : spoil.absent) {
      for (int p : a.players) {
        want.insert({a.kind, a.stage, "Resource/Srd/" + std::string(a.stem) + ".srd", p});
      }
    }
    const StoryEntryReport report = CheckStoryEntries();
    EXPECT_EQ(report.absent, want) << Joined(report);
    EXPECT_EQ(report.unended, spoil.unended);
    EXPECT_FALSE(report.Passed());
    EXPECT_EQ(StoryEntryLines(report).back(),
              "story stages: " + std::to_string(report.stages) +
                  ", fighters never brought in: " + std::to_string(want.size()));
  }
}

}  // namespace
