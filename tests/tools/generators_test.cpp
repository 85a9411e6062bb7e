// make-demo-resources as a program: it puts a tree in place whole or not at all, and only over one
// of its own, by the rule scripts/play.sh goes through (scripts/demo-resources.sh).
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "tests/support/program_run.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ProgramRun;
using testsupport::ReadFile;
using testsupport::RunProgram;
using testsupport::TempDir;
using testsupport::WriteFile;

// Every entry under `folder` by its relative name: a file's bytes, "/" for a folder.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> entries;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    entries[fs::relative(e.path(), folder)] = e.is_directory() ? "/" : ReadFile(e.path());
  return entries;
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
  enum Before { kNothing, kTree, kRealFile, kCutTree, kDeadStaging };
  const struct {
    Before before;
    std::string script;
    int status;
    const char* says;
  } cases[] = {{kNothing, full, 1, "out/Resource/"},       {kTree, full, 1, "out/Resource/"},
               {kNothing, stop("TERM"), 1, "by SIGTERM"},  {kTree, stop("INT"), 1, "by SIGINT"},
               {kRealFile, "\"$0\" out", 3, "as it is\n"}, {kCutTree, "\"$0\" out", 0, ""},
               {kDeadStaging, "\"$0\" out", 0, ""},        {kNothing, "\"$0\" --help", 2, "usage"}};
  for (const auto& c : cases) {
    TempDir dir;
    fs::create_directory(dir.File("out"));
    if (c.before != kNothing && c.before != kDeadStaging) {
      fs::copy(made.path() + "/out", dir.File("out"), fs::copy_options::recursive);
    }
    if (c.before == kRealFile) WriteFile(dir.File("out/Resource/SE/zan.wav"), "real");
    if (c.before == kCutTree) WriteFile(dir.File("out/Resource/ef09.dat"), "\x89PNG");
    if (c.before == kDeadStaging) fs::create_directories(dir.File("out/.make-demo-resources-d/R"));
    const auto was = Snapshot(dir.File("out"));
    const ProgramRun run =
        RunProgram(dir.path(), "/bin/sh", "-c '" + c.script + "' " MAKE_DEMO_RESOURCES);
    EXPECT_EQ(run.exitCode, c.status) << c.script;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), c.status == 0 ? 0 : 1) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_TRUE(Snapshot(dir.File("out")) == (c.status == 0 ? Snapshot(made.File("out")) : was));
  }
}

// The rule, with a stand-in for the tool that notes its runs and exits with the status in the
// file beside it, writing a finished tree on 0; what the tool said shows, but not when the game
// starts on a tree it kept.
TEST(PlayRule, WritesATreeOnlyWhereNoneOfTheToolsIsFinished) {
  TempDir tool, dir;
  const std::string stub = tool.File("tool"), mark = dir.File("Resource/.make-demo-resources");
  WriteFile(
      stub,
      "#!/bin/sh\necho >> $0.runs\n[ $(cat $0.status) != 0 ] || { mkdir -p Resource;"
      " echo complete > Resource/.make-demo-resources; }\necho said\nexit $(cat $0.status)\n");
  fs::permissions(stub, fs::perms::owner_all);
  const struct {
    const char* mark;  // nullptr: no Resource/; "": a Resource/ without the mark
    int toolStatus, runs, status;
  } cases[] = {{nullptr, 0, 1, 0}, {"complete\n", 0, 0, 0}, {"", 0, 1, 0}, {"compl", 0, 1, 0},
               {"", 3, 1, 0},      {nullptr, 1, 1, 1}};  // 3: not the tool's tree, the game starts
  for (const auto& c : cases) {
    fs::remove_all(dir.File("Resource"));
    if (c.mark != nullptr) fs::create_directories(dir.File("Resource"));
    if (c.mark != nullptr && *c.mark != '\0') WriteFile(mark, c.mark);
    WriteFile(stub + ".status", std::to_string(c.toolStatus));
    WriteFile(stub + ".runs", "");
    const ProgramRun run =
        RunProgram(dir.path(), "/bin/bash", SOURCE_DIR "/scripts/demo-resources.sh " + stub + " .");
    EXPECT_EQ(run.exitCode, c.status) << c.toolStatus;
    EXPECT_EQ(ReadFile(stub + ".runs").size(), static_cast<size_t>(c.runs)) << c.toolStatus;
    EXPECT_EQ(run.err, c.runs == 1 && c.toolStatus != 3 ? "said\n" : "") << c.toolStatus;
  }
}

}  // namespace
