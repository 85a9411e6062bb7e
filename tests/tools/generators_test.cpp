// make-demo-resources as a program: it puts a tree in place whole or not at all, and only over one
// of its own, by the rule scripts/play.sh goes through (scripts/demo-resources.sh).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "tests/support/program_run.h"

namespace {

namespace fs = std::filesystem;
using testsupport::Listing;
using testsupport::ProgramRun;
using testsupport::ReadFile;
using testsupport::RunProgram;
using testsupport::RunWords;
using testsupport::TempDir;
using testsupport::WriteFile;

// Every entry under `folder` by its relative name: a file's bytes, "/" for a folder, "|" for a
// pipe (which is not read).
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> entries;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    entries[fs::relative(e.path(), folder)] = e.is_directory() ? "/"
                                              : e.is_fifo()    ? "|"
                                                               : ReadFile(e.path());
  }
  return entries;
}

// Real resources under the demo tree's names: every file of `tree` with bytes of its own, and no
// mark of a finished tree.
void MakeReal(const std::string& tree) {
  fs::remove(tree + "/Resource/.make-demo-resources");
  for (const auto& e : fs::recursive_directory_iterator(tree)) {
    if (e.is_regular_file()) WriteFile(e.path(), "real " + e.path().filename().string());
  }
}

// What DIR holds before the run: a run that fails leaves it so, one that succeeds leaves the tree.
// The tool is "$0" of a shell script: a full disk is a file size limit, a stop a signal sent once
// the run has its staging folder.
TEST(MakeDemoResources, PutsATreeInPlaceWholeOrNotAtAll) {
  TempDir made;
  fs::create_directory(made.File("out"));
  ASSERT_EQ(RunProgram(made.path(), MAKE_DEMO_RESOURCES, "out").exitCode, 0);
  const std::string full = "trap \"\" XFSZ; prlimit --fsize=4096 -- \"$0\" out";
  // A shell starts what runs beside it with SIGINT ignored; env takes that back.
  auto stop = [](const std::string& signal) {
    return "env --default-signal=INT \"$0\" out & until ls -A out | grep -q make-demo; do "
           "sleep 0.01; done; kill -" +
           signal + " $!; wait $!";
  };
  // The real trees are told from the tool's before a byte is written, so a full disk does not
  // stop them: kRealPicture parts from the tool's bytes only at a picture's last byte.
  enum Before {
    kNothing,
    kTree,
    kRealFile,
    kRealPicture,
    kLongerMap,
    kRealTree,
    kPipe,
    kCutTree,
    kDeadStaging
  };
  const struct {
    Before before;
    std::string script;
    int status;
    const char* says;
  } cases[] = {{kNothing, full, 1, "out/Resource/"},
               {kTree, full, 1, "out/Resource/"},
               {kNothing, stop("TERM"), 1, "by SIGTERM"},
               {kTree, stop("INT"), 1, "by SIGINT"},
               {kRealFile, "\"$0\" out", 3, "holds Resource/SE/zan.wav, which"},
               {kRealFile, full, 3, "holds Resource/SE/zan.wav, which"},
               {kRealPicture, full, 3, "holds Resource/wall.dat, which"},
               {kLongerMap, full, 3, "holds Resource/Mpd/12.mpd, which"},
               {kRealTree, full, 3, "as it is\n"},
               {kPipe, "\"$0\" out", 3, "holds Resource/SE/zan.wav, which"},
               {kCutTree, "\"$0\" out", 0, ""},
               {kDeadStaging, "\"$0\" out", 0, ""},
               {kNothing, "\"$0\" --help", 2, "usage"}};
  for (const auto& c : cases) {
    TempDir dir;
    fs::create_directory(dir.File("out"));
    if (c.before != kNothing && c.before != kDeadStaging) {
      fs::copy(made.path() + "/out", dir.File("out"), fs::copy_options::recursive);
    }
    if (c.before == kRealFile) WriteFile(dir.File("out/Resource/SE/zan.wav"), "real");
    if (c.before == kRealPicture) {
      std::string picture = ReadFile(dir.File("out/Resource/wall.dat"));
      picture.back() ^= 1;
      WriteFile(dir.File("out/Resource/wall.dat"), picture);
    }
    if (c.before == kLongerMap) {
      WriteFile(dir.File("out/Resource/Mpd/12.mpd"),
                ReadFile(dir.File("out/Resource/Mpd/12.mpd")) + '\0');
    }
    if (c.before == kRealTree) MakeReal(dir.File("out"));
    if (c.before == kPipe) {
      fs::remove(dir.File("out/Resource/SE/zan.wav"));
      ASSERT_EQ(mkfifo(dir.File("out/Resource/SE/zan.wav").c_str(), 0600), 0);
    }
    if (c.before == kCutTree) WriteFile(dir.File("out/Resource/ef09.dat"), "\x89PNG");
    if (c.before == kDeadStaging) fs::create_directories(dir.File("out/.make-demo-resources-d/R"));
    const auto was = Snapshot(dir.File("out"));
    const ProgramRun run =
        RunProgram(dir.path(), "/bin/sh", "-c '" + c.script + "' " MAKE_DEMO_RESOURCES, "", 120);
    EXPECT_EQ(run.exitCode, c.status) << c.script << " over " << c.before;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), c.status == 0 ? 0 : 1) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_TRUE(Snapshot(dir.File("out")) == (c.status == 0 ? Snapshot(made.File("out")) : was));
  }
}

// The rule, with a stand-in for the tool that notes its runs and exits with the status in the
// file beside it, writing a finished tree on 0; what the tool said shows, but not when the game
// starts on a tree it kept. Staging folders that no run holds go whatever the tree, one a live run
// holds (here the test) stays; a pipe at the mark's name is no mark, and is never waited on.
TEST(PlayRule, WritesATreeOnlyWhereNoneOfTheToolsIsFinished) {
  TempDir tool, dir;
  const std::string stub = tool.File("tool"), mark = dir.File("Resource/.make-demo-resources");
  const std::string staging = dir.File(".make-demo-resources-Xq3v9Z");
  WriteFile(
      stub,
      "#!/bin/sh\necho >> $0.runs\n[ $(cat $0.status) != 0 ] || { mkdir -p Resource;"
      " echo complete > Resource/.make-demo-resources; }\necho said\nexit $(cat $0.status)\n");
  fs::permissions(stub, fs::perms::owner_all);
  const char* const kPipe = "|";
  enum Staging { kNone, kDead, kHeld };
  const struct {
    const char* mark;  // nullptr: no Resource/; "": a Resource/ without the mark; kPipe: a pipe
    int toolStatus, runs, status;
    Staging staging = kNone;
  } cases[] = {{nullptr, 0, 1, 0},
               {"complete\n", 0, 0, 0},
               {"", 0, 1, 0},
               {"compl", 0, 1, 0},
               {"", 3, 1, 0},  // 3: not the tool's tree, the game starts
               {nullptr, 1, 1, 1},
               {kPipe, 3, 1, 0},
               {"complete\n", 0, 0, 0, kDead},
               {"complete\n", 0, 0, 0, kHeld},
               {nullptr, 0, 1, 0, kDead}};
  for (const auto& c : cases) {
    const std::string trace = std::string(c.mark == nullptr ? "no tree" : c.mark) + ", staging " +
                              std::to_string(c.staging) + ", tool " + std::to_string(c.toolStatus);
    fs::remove_all(dir.File("Resource"));
    fs::remove_all(staging);
    if (c.mark != nullptr) fs::create_directories(dir.File("Resource"));
    if (c.mark == kPipe) {
      ASSERT_EQ(mkfifo(mark.c_str(), 0600), 0);
    } else if (c.mark != nullptr && *c.mark != '\0') {
      WriteFile(mark, c.mark);
    }
    int held = -1;
    if (c.staging != kNone) {
      fs::create_directories(staging + "/Resource/SE");
      WriteFile(staging + "/Resource/SE/zan.wav", "half");
    }
    if (c.staging == kHeld) {
      held = open(staging.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    }
    WriteFile(stub + ".status", std::to_string(c.toolStatus));
    WriteFile(stub + ".runs", "");
    const ProgramRun run = RunProgram(
        dir.path(), "/bin/bash", SOURCE_DIR "/scripts/demo-resources.sh " + stub + " .", "", 30);
    if (held >= 0) close(held);
    EXPECT_EQ(run.exitCode, c.status) << trace << "\n" << run.err;
    EXPECT_EQ(ReadFile(stub + ".runs").size(), static_cast<size_t>(c.runs)) << trace;
    EXPECT_EQ(run.err, c.runs == 1 && c.toolStatus != 3 ? "said\n" : "") << trace;
    EXPECT_EQ(fs::exists(staging), c.staging == kHeld) << trace;
  }
}

// The rule as play.sh runs it, on a disk too full for most of the tree: real resources under the
// demo tree's names (all of them, or one file's bytes alone) start the game with nothing written,
// no staging folder either, where the tool used to fail building a tree it threw away.
TEST(PlayRule, RealResourcesStartTheGameOnAFullDisk) {
  TempDir made;
  ASSERT_EQ(RunProgram(made.path(), MAKE_DEMO_RESOURCES, ".").exitCode, 0);
  for (bool wholeTree : {true, false}) {
    TempDir dir;
    fs::copy(made.File("Resource"), dir.File("Resource"), fs::copy_options::recursive);
    fs::remove(dir.File("Resource/.make-demo-resources"));
    if (wholeTree) {
      MakeReal(dir.path());
    } else {
      WriteFile(dir.File("Resource/SE/zan.wav"), "real");
    }
    const std::vector<std::string> before = Listing(dir.path());
    testsupport::WordsRun words;
    words.words = {SOURCE_DIR "/scripts/demo-resources.sh", MAKE_DEMO_RESOURCES, "."};
    words.fullAt = 2048;  // the glyph sheets alone are a hundred times that
    const ProgramRun run = RunWords(dir.path(), "/bin/bash", words, 120);
    EXPECT_EQ(run.exitCode, 0) << wholeTree << "\n" << run.err;
    EXPECT_EQ(run.err, "") << wholeTree;
    EXPECT_EQ(Listing(dir.path()), before) << wholeTree;
  }
}

}  // namespace
