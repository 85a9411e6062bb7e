// Who enters each story stage, and whether its arena is lit for the fight: the generator's
// scripts run on every stage's set-up through the checker's own code, on every route, and scripts
// spoiled on purpose that the check must name.
#include <cstddef>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/story_stages.h"
#include "tests/support/script_files.h"
#include "tools/lib/demoresources/content.h"
#include "tools/lib/demoresources/inventory.h"
#include "tools/lib/demoresources/story_entries.h"

namespace {

using namespace demo;

// The generator's scripts in a tree made the working folder, with `stem`'s first `from` changed
// to `to`, or left out when `from` is empty.
void WriteScripts(const testsupport::ScriptTree& tree, const std::string& stem = "",
                  const std::string& from = "", const std::string& to = "") {
  for (const DemoScript& s : DemoScripts()) {
    const std::string name = s.file.substr(13, s.file.size() - 17);  // "Resource/Srd/" ".srd"
    std::string bytes = MakeScript(s);
    if (name == stem && from.empty()) continue;
    if (name == stem) bytes.replace(bytes.find(from), from.size(), to);  // throws when missing
    tree.Write(name, bytes);
  }
}

TEST(StoryEntries, EveryFighterOfEveryStageIsBroughtInAndEveryDarkArenaLit) {
  testsupport::ScriptTree tree;
  WriteScripts(tree);
  const StoryEntryReport report = CheckStoryEntries();
  const int stages = veyrdale::StoryStageRows(0) + veyrdale::StoryStageRows(1);
  // The extra story's last fight: the loader starts its stage dark (its ending runs elsewhere).
  EXPECT_EQ(report.darkStages, (std::set<std::pair<int, int>>{{1, 8}}));
  EXPECT_EQ(StoryEntryLines(report),
            (std::vector<std::string>{
                "story stages: " + std::to_string(stages) + ", fighters never brought in: 0",
                "dark stages: 1, lit by their script: 1"}));
  EXPECT_EQ(SpeakerLines(report), std::vector<std::string>{"speakers without a picture: 0"});
  EXPECT_TRUE(report.Passed());
  std::set<std::string> walked, inventory;
  WalkStoryScripts([&](const StageScript& s) { walked.insert(s.file); });
  for (const DemoScript& s : DemoScripts()) inventory.insert(s.file);
  EXPECT_EQ(walked, inventory) << "the walk reaches every script of the tree";
}

// A fighter left out stays out on the stage after, which keeps the counters.
struct Spoil {
  const char* stem;
  std::string from, to;
  bool ends;
  std::vector<std::tuple<int, int, std::string, int>> absent;  // kind, stage, stem, player
  bool dark = false;                                           // extra stage 8 is left dark
};

TEST(StoryEntries, SpoiledScriptsNameTheStageAndPlayer) {
  const Spoil spoils[] = {
      {"01", "\n!1\n", "\n", true, {{0, 1, "01", 0}, {0, 2, "02", 0}, {0, 2, "02b", 0}}},
      // Without a continue the third fighter joins stage 7 and stays for stage 8 on either route.
      {"07", "\n!3\n", "\n", true, {{0, 7, "07", 2}, {0, 8, "08", 2}, {0, 8, "08n", 2}}},
      {"15n", "\n!2\n", "\n!3\n$2\n", true, {{0, 15, "15n", 1}}},  // a wrong one, hidden
      {"ex108", "", "", true, {{1, 8, "ex108", 2}, {1, 8, "ex108", 3}}, true},  // 9: the ending
      {"ex108", "S7", "", true, {}, true},    // the lights command left out
      {"ex108", "S7", "B2", true, {}},        // the lights on without the flash
      {"ex108", "S7", "S6", true, {}, true},  // a flash without the lights
      {"09", "\\_\n", "\\\n", false, {}},
  };
  for (const Spoil& spoil : spoils) {
    SCOPED_TRACE(spoil.stem);
    testsupport::ScriptTree tree;
    WriteScripts(tree, spoil.stem, spoil.from, spoil.to);
    std::set<AbsentFighter> want;
    for (const auto& [kind, stage, stem, player] : spoil.absent) {
      want.insert({kind, stage, "Resource/Srd/" + stem + ".srd", player});
    }
    const StoryEntryReport report = CheckStoryEntries();
    EXPECT_EQ(report.absent, want);
    EXPECT_EQ(report.unended.size(), spoil.ends ? 0u : 1u);
    EXPECT_EQ(report.Passed(), want.empty() && spoil.ends && !spoil.dark);
    std::vector<std::string> closing = {
        "story stages: " + std::to_string(report.stages) +
        ", fighters never brought in: " + std::to_string(want.size())};
    if (spoil.dark) closing.push_back("never lit: extra stage 8 (Resource/Srd/ex108.srd)");
    closing.push_back("dark stages: 1, lit by their script: " +
                      std::string(spoil.dark ? "0" : "1"));
    const std::vector<std::string> lines = StoryEntryLines(report);
    ASSERT_GE(lines.size(), closing.size());
    EXPECT_EQ(std::vector(lines.end() - static_cast<std::ptrdiff_t>(closing.size()), lines.end()),
              closing);
  }
}

// Speakers changed in one script: the page named is the one the reader shows (an entrance keeps
// the page before), by the sheets the stage loads on the route the script runs on.
struct Speaker {
  const char* stem;
  std::string from, to;
  std::vector<std::string> lines;  // before the count
};

// The epilogue's page whose speaker the stage never loads is the checker's own test
// (CheckDemoResources).
TEST(StoryEntries, PagesWhoseSpeakerHasNoPictureAreNamed) {
  const Speaker cases[] = {
      // After player 1's entrance: still the second page.
      {"00",
       ">2P1",
       ">2C1",
       {"speaker without a picture: main stage 0 (Resource/Srd/00.srd) page 2: speaker 2 "
        "(portrait C)"}},
      // A letter past the four sheets on the first page.
      {"05",
       ">1A0",
       ">1Z0",
       {"speaker without a picture: main stage 5 (Resource/Srd/05.srd) page 1: speaker 1 "
        "(portrait Z)"}},
      // Sheet B comes with the third fighter, whom stage 7 brings on the route without a continue
      // (07.srd) and not after one (07n.srd).
      {"07", ">1A0", ">1B0", {}},
      {"07n",
       ">1A0",
       ">1B0",
       {"speaker without a picture: main stage 7 (Resource/Srd/07n.srd) page 1: speaker 1 "
        "(portrait B)"}},
      // The story's end shows its text alone, and a page that clears the portraits has no speaker.
      {"17", ">2B1", ">2D1", {}},
      {"ex110b", ">2P1", "E", {}},
  };
  for (const Speaker& c : cases) {
    SCOPED_TRACE(std::string(c.stem) + ": " + c.to);
    testsupport::ScriptTree tree;
    WriteScripts(tree, c.stem, c.from, c.to);
    const StoryEntryReport report = CheckStoryEntries();
    std::vector<std::string> want = c.lines;
    want.push_back("speakers without a picture: " + std::to_string(c.lines.size()));
    EXPECT_EQ(SpeakerLines(report), want);
    EXPECT_EQ(report.Passed(), c.lines.empty());
  }
}

}  // namespace
