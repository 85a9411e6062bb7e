// make-demo-resources as a program: it puts a tree in place whole or not at all, and only over one
// of its own, by the rule scripts/play.sh goes through (scripts/demo-resources.sh).
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/other_user.h"
#include "tests/support/program_run.h"

namespace {

namespace fs = std::filesystem;
using testsupport::Describe;
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

// Whether `folder` holds a staging folder of the tool.
bool HasStaging(const std::string& folder) {
  std::error_code error;
  for (fs::directory_iterator e(folder, error); !error && e != fs::directory_iterator();
       e.increment(error)) {
    if (e->path().filename().string().starts_with(".make-demo-resources-")) return true;
  }
  return false;
}

// What DIR holds before the run: a run that fails leaves it so, one that succeeds leaves the tree.
// The tool is "$0" of a shell script: a full disk is a file size limit. A stop is a signal sent
// once the run has its staging folder. No line names a file of out/Resource/: a write that fails
// names the staging folder it was writing in.
TEST(MakeDemoResources, PutsATreeInPlaceWholeOrNotAtAll) {
  TempDir made;
  fs::create_directory(made.File("out"));
  ASSERT_EQ(RunProgram(made.path(), MAKE_DEMO_RESOURCES, "out").exitCode, 0);
  const std::string full = "trap \"\" XFSZ; prlimit --fsize=4096 -- \"$0\" out";
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
    int signal = 0;  // when given, the tool on its own instead, stopped by it
  } cases[] = {{kNothing, full, 1, "cannot write the new tree in out/.make-demo-resources-"},
               {kTree, full, 1, "cannot write the new tree in out/.make-demo-resources-"},
               {kCutTree, full, 1, "cannot write the new tree in out/.make-demo-resources-"},
               {kNothing, "", 1, "by SIGTERM", SIGTERM},
               {kTree, "", 1, "by SIGINT", SIGINT},
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
    if (c.before == kDeadStaging) {
      fs::create_directories(dir.File("out/.make-demo-resources-d4Xz9Q/R"));
    }
    const auto was = Snapshot(dir.File("out"));
    ::testing::AssertionResult stopped = ::testing::AssertionSuccess();
    // env gives SIGINT back its default, should the tests run with it ignored.
    const ProgramRun run =
        c.signal == 0
            ? RunProgram(dir.path(), "/bin/sh", "-c '" + c.script + "' " MAKE_DEMO_RESOURCES)
            : RunWords(dir.path(), "env",
                       {.words = {"--default-signal=INT", MAKE_DEMO_RESOURCES, "out"},
                        .settings = "",
                        .extras = {.during = [&](pid_t pid) {
                          stopped = testsupport::SignalOnceSeen(
                              pid, c.signal, "make-demo-resources with its staging folder in out",
                              [&] { return HasStaging(dir.File("out")); });
                        }}});
    ASSERT_TRUE(stopped) << c.says << " over " << c.before;
    EXPECT_EQ(run.exitCode, c.status) << c.script << " over " << c.before;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), c.status == 0 ? 0 : 1) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("out/Resource/"), std::string::npos) << run.err;
    EXPECT_TRUE(Snapshot(dir.File("out")) == (c.status == 0 ? Snapshot(made.File("out")) : was));
  }
}

// The rule, with a stand-in for the tool that notes its runs and exits with the status in the
// file beside it, writing a finished tree on 0; what the tool said shows, also when the game
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
    const ProgramRun run =
        RunProgram(dir.path(), "/bin/bash", SOURCE_DIR "/scripts/demo-resources.sh " + stub + " .");
    if (held >= 0) close(held);
    EXPECT_EQ(run.exitCode, c.status) << trace << "\n" << run.err;
    EXPECT_EQ(ReadFile(stub + ".runs").size(), static_cast<size_t>(c.runs)) << trace;
    EXPECT_EQ(run.err, c.runs == 1 ? "said\n" : "") << trace;
    EXPECT_EQ(fs::exists(staging), c.staging == kHeld) << trace;
  }
}

// The rule as play.sh runs it, on a disk too full for most of the tree: real resources under the
// demo tree's names (all of them, or one file's bytes alone) or beside them start the game with
// nothing written, no staging folder either, where the tool used to fail building a tree it threw
// away; the tool's line naming the first file it did not write shows.
TEST(PlayRule, RealResourcesStartTheGameOnAFullDisk) {
  TempDir made;
  ASSERT_EQ(RunProgram(made.path(), MAKE_DEMO_RESOURCES, ".").exitCode, 0);
  enum Real { kWholeTree, kOneFile, kReadmeOnly };
  for (const Real real : {kWholeTree, kOneFile, kReadmeOnly}) {
    TempDir dir;
    if (real == kReadmeOnly) {
      fs::create_directory(dir.File("Resource"));
      WriteFile(dir.File("Resource/readme.txt"), "hi\n");
    } else {
      fs::copy(made.File("Resource"), dir.File("Resource"), fs::copy_options::recursive);
      fs::remove(dir.File("Resource/.make-demo-resources"));
    }
    if (real == kWholeTree) MakeReal(dir.path());
    if (real == kOneFile) WriteFile(dir.File("Resource/SE/zan.wav"), "real");
    const std::vector<std::string> before = Listing(dir.path());
    testsupport::WordsRun words;
    words.words = {SOURCE_DIR "/scripts/demo-resources.sh", MAKE_DEMO_RESOURCES, "."};
    words.fullAt = 2048;  // the glyph sheets alone are a hundred times that
    const ProgramRun run = RunWords(dir.path(), "/bin/bash", words);
    EXPECT_EQ(run.exitCode, 0) << real << "\n" << run.err;
    const std::string named = real == kReadmeOnly ? "Resource/readme.txt"
                              : real == kOneFile  ? "Resource/SE/zan.wav"
                                                  : "Resource/SE/";
    EXPECT_EQ(run.err.rfind("make-demo-resources: ./Resource: holds " + named, 0), 0u) << run.err;
    EXPECT_TRUE(run.err.ends_with(", which make-demo-resources did not write; left as it is\n"))
        << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(Listing(dir.path()), before) << real;
  }
}

// The rule run by another user in the superuser's folder of mode 0755: a tree there that anyone
// may write, cut short, is one the tool cannot replace (it cannot build beside it), so the tool's
// line shows and the game starts on the tree as it is; with no tree there the tool cannot write
// one, and its failure and status pass through, so the game does not start.
TEST(PlayRule, AFolderTheUserMayNotWriteStartsTheGameOnlyOnATreeThere) {
  if (geteuid() != 0) GTEST_SKIP() << "the superuser's folder and a run as another user";
  TempDir made;
  ASSERT_EQ(RunProgram(made.path(), MAKE_DEMO_RESOURCES, ".").exitCode, 0);
  fs::remove(made.File("Resource/.make-demo-resources"));
  fs::remove(made.File("Resource/SE/zan.wav"));
  const struct {
    bool tree;
    int status;
    const char* said;
  } cases[] = {
      {true, 0,
       "make-demo-resources: ./Resource: cannot replace Resource: Permission denied; left as it "
       "is\n"},
      {false, 1, "make-demo-resources: cannot make a staging folder in .: Permission denied\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tree ? "a tree there" : "no tree");
    TempDir dir;
    if (c.tree) {
      fs::copy(made.File("Resource"), dir.File("Resource"), fs::copy_options::recursive);
      for (const auto& e : fs::recursive_directory_iterator(dir.File("Resource"))) {
        ASSERT_EQ(chmod(e.path().c_str(), e.is_directory() ? 0777 : 0666), 0);
      }
      ASSERT_EQ(chmod(dir.File("Resource").c_str(), 0777), 0);
    }
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    const std::vector<std::string> before = Listing(dir.path());
    const std::map<std::string, std::string> held =
        c.tree ? Snapshot(dir.File("Resource")) : std::map<std::string, std::string>{};
    const std::optional<std::string> said = testsupport::AsUnprivileged([&] {
      const ProgramRun run =
          RunProgram(dir.path(), "/bin/bash",
                     SOURCE_DIR "/scripts/demo-resources.sh " MAKE_DEMO_RESOURCES " .");
      return std::to_string(run.exitCode) + " " + run.err;
    });
    ASSERT_TRUE(said.has_value()) << "the run as another user did not end";
    EXPECT_EQ(*said, std::to_string(c.status) + " " + c.said);
    EXPECT_EQ(Listing(dir.path()), before) << "nothing made, no staging folder left";
    if (c.tree) {
      EXPECT_EQ(Snapshot(dir.File("Resource")), held) << "the tree as it was";
    }
  }
}

// Only folders of the staging folders' exact naming (the prefix and six letters or digits) that
// no run holds are taken for what killed runs left, by the tool beside a tree it keeps and by the
// rule beside a finished tree (the tool not run) and a cut one (it is): a user's folder that
// merely begins the same way stays, and so do a link under an exact name with the folder it
// names, a file under one, and a folder a live run holds.
TEST(MakeDemoResources, OnlyStagingFoldersOfItsExactNamingGo) {
  TempDir tool;
  const std::string stub = tool.File("tool");
  WriteFile(stub,
            "#!/bin/sh\necho >> $0.runs\nmkdir -p Resource\n"
            "echo complete > Resource/.make-demo-resources\n");
  fs::permissions(stub, fs::perms::owner_all);
  enum Kind { kFolder, kLink, kFile, kHeld };
  const struct {
    const char* name;
    Kind kind;
    bool goes;
  } cases[] = {
      {".make-demo-resources-Ab12Cd", kFolder, true},
      {".make-demo-resources-009zaA", kFolder, true},
      {".make-demo-resources-keep", kFolder, false},
      {".make-demo-resources-ABCDEFG", kFolder, false},
      {".make-demo-resources-AbC12", kFolder, false},
      {".make-demo-resources-Ab_12c", kFolder, false},
      {".make-demo-resources-", kFolder, false},
      {"make-demo-resources-Ab12Cd", kFolder, false},
      {".make-demo-resources-Lnk123", kLink, false},
      {".make-demo-resources-File12", kFile, false},
      {".make-demo-resources-Held12", kHeld, false},
  };
  enum Runner { kToolKeepingATree, kRuleOverAFinishedTree, kRuleOverACutTree };
  for (const Runner runner : {kToolKeepingATree, kRuleOverAFinishedTree, kRuleOverACutTree}) {
    SCOPED_TRACE(runner);
    TempDir dir;
    if (runner == kToolKeepingATree) {
      WriteFile(dir.File("Resource"), "real");  // not the tool's: kept after the clean-up
    } else {
      fs::create_directories(dir.File("Resource/SE"));
    }
    if (runner == kRuleOverAFinishedTree) {
      WriteFile(dir.File("Resource/.make-demo-resources"), "complete\n");
    }
    fs::create_directory(dir.File("elsewhere"));
    WriteFile(dir.File("elsewhere/notes.txt"), "notes");
    int held = -1;
    for (const auto& c : cases) {
      const std::string place = dir.File(c.name);
      if (c.kind == kLink) {
        fs::create_directory_symlink("elsewhere", place);
      } else if (c.kind == kFile) {
        WriteFile(place, "notes");
      } else {
        fs::create_directory(place);
        WriteFile(place + "/notes.txt", "notes");
      }
      if (c.kind == kHeld) {
        held = open(place.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
      }
    }
    WriteFile(stub + ".runs", "");
    const ProgramRun run = runner == kToolKeepingATree
                               ? RunProgram(dir.path(), MAKE_DEMO_RESOURCES, ".")
                               : RunProgram(dir.path(), "/bin/bash",
                                            SOURCE_DIR "/scripts/demo-resources.sh " + stub + " .");
    close(held);
    EXPECT_EQ(run.exitCode, runner == kToolKeepingATree ? 3 : 0) << run.err;
    EXPECT_EQ(ReadFile(stub + ".runs").size(), runner == kRuleOverACutTree ? 1u : 0u);
    for (const auto& c : cases) {
      EXPECT_EQ(fs::exists(fs::symlink_status(dir.File(c.name))), !c.goes) << c.name;
    }
    EXPECT_EQ(ReadFile(dir.File(".make-demo-resources-Lnk123/notes.txt")), "notes");
    EXPECT_EQ(ReadFile(dir.File(".make-demo-resources-keep/notes.txt")), "notes");
  }
}

// How many waits for a lock on the file of inode `inode` the system's list of locks shows.
int LockWaiters(uint64_t inode) {
  std::istringstream locks(ReadFile("/proc/locks"));
  int waiting = 0;
  for (std::string line; std::getline(locks, line);) {
    if (line.find("-> FLOCK") != std::string::npos &&
        line.find(":" + std::to_string(inode) + " ") != std::string::npos) {
      ++waiting;
    }
  }
  return waiting;
}

// Two runs in one folder take turns, as rules or as the tool itself, on an empty folder or over a
// cut tree: both end 0 with one whole tree and no staging folder. They are started while the
// first is building, or, rules, both waiting for the folder that is then let go at once. A rule
// that comes second finds the tree the first finished and does not run the tool; a second tool
// waits, then replaces the finished tree with the same bytes.
TEST(MakeDemoResources, TwoRunsInOneFolderTakeTurns) {
  TempDir made, bin;
  fs::create_directory(made.File("out"));
  ASSERT_EQ(RunProgram(made.path(), MAKE_DEMO_RESOURCES, "out").exitCode, 0);
  const auto whole = Snapshot(made.File("out"));
  const std::string tool = bin.File("tool"), rule = bin.File("rule");
  WriteFile(tool,
            "#!/bin/sh\necho >> " + bin.File("runs") + "\nexec " MAKE_DEMO_RESOURCES " \"$@\"\n");
  WriteFile(rule,
            "#!/bin/sh\nexec bash " SOURCE_DIR "/scripts/demo-resources.sh " + tool + " \"$@\"\n");
  fs::permissions(tool, fs::perms::owner_all);
  fs::permissions(rule, fs::perms::owner_all);
  enum Start { kWhileBuilding, kAtOnce };
  const struct {
    const std::string& run;
    Start start;
    bool cut;
    size_t runs;
  } cases[] = {{rule, kWhileBuilding, false, 1},
               {rule, kWhileBuilding, true, 1},
               {tool, kWhileBuilding, true, 2},
               {rule, kAtOnce, false, 1},
               {rule, kAtOnce, true, 1}};
  for (const auto& c : cases) {
    TempDir dir;
    const std::string out = dir.File("out");
    fs::create_directory(out);
    if (c.cut) {
      fs::copy(made.File("out"), out, fs::copy_options::recursive);
      fs::remove(dir.File("out/Resource/.make-demo-resources"));
      WriteFile(dir.File("out/Resource/ef09.dat"), "\x89PNG");
    }
    WriteFile(bin.File("runs"), "");
    const std::string trace = c.run + (c.start == kAtOnce ? " at once" : " while building") +
                              (c.cut ? " over a cut tree" : " on an empty folder");
    auto runOver = [&](const testsupport::RunExtras& extras) {
      return RunWords(dir.path(), c.run, {.words = {"out"}, .settings = "", .extras = extras});
    };
    ProgramRun first, second;
    ::testing::AssertionResult started = ::testing::AssertionSuccess();
    if (c.start == kWhileBuilding) {
      // The second starts once the first has its staging folder.
      first = runOver({.during = [&](pid_t pid) {
        started = testsupport::SeenWithin("the first run's staging folder in out", [&] {
          return HasStaging(out) || testsupport::Ended(pid);
        });
        if (started && !HasStaging(out)) {
          started = ::testing::AssertionFailure() << "the first run ended before it was building";
        }
        second = runOver({});
      }});
    } else {
      // Both wait for the folder the test holds (the system's list of locks shows them waiting),
      // which it then lets go.
      const int held = open(out.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      ASSERT_EQ(flock(held, LOCK_EX), 0);
      std::thread one([&] { first = runOver({}); });
      std::thread other([&] { second = runOver({}); });
      struct stat folder {};
      stat(out.c_str(), &folder);
      started = testsupport::SeenWithin("both runs waiting for out", [&] {
        return LockWaiters(static_cast<uint64_t>(folder.st_ino)) == 2;
      });
      close(held);
      one.join();
      other.join();
    }
    EXPECT_TRUE(started) << trace;
    EXPECT_EQ(first.exitCode, 0) << trace << "\n" << Describe(first);
    EXPECT_EQ(second.exitCode, 0) << trace << "\n" << Describe(second);
    EXPECT_EQ(first.err + second.err, "") << trace;
    EXPECT_EQ(ReadFile(bin.File("runs")).size(), c.runs) << trace;
    EXPECT_EQ(testsupport::Names(out), std::vector<std::string>{"Resource"}) << trace;
    EXPECT_TRUE(Snapshot(out) == whole) << trace;
  }
}

}  // namespace
