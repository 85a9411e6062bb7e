// The scripts under scripts/ keep the rules the tools keep: an unknown option is a usage error
// (2), a standard output that cannot be written fails the run, and the fixtures they write are
// made whole or not at all, so a failed run (a full disk) leaves them as they were and leaves no
// temporary file behind. Each case runs a copy of the script in a folder of its own, where the
// copy's fixtures are written instead of the repository's.
#include <sys/resource.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/child_run.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ChildRun;
using testsupport::Describe;
using testsupport::ReadFile;
using testsupport::WriteFile;

constexpr int kAnyFailure = -1;
constexpr const char* kOldBytes = "old bytes";

// A script, the fixture folder it writes (empty for none) and one of its fixtures.
struct Script {
  const char* file;
  const char* fixtures;
  const char* sample;
};

constexpr Script kCheckFormat = {"check-format.sh", "", ""};
constexpr Script kBattleSoak = {"battle-soak.sh", "", ""};
constexpr Script kSoundSeeds = {"make-sound-seeds.sh", "tests/data/sound", "pcm16_mono.wav"};
constexpr Script kScriptSeeds = {"make-script-seeds.py", "tests/data/scripts", "full.srd"};

struct ScriptCase {
  const char* name;
  Script script;
  std::vector<std::string> args;
  std::vector<std::string> environment = {};
  bool stdoutFull = false;
  rlim_t fileSizeLimit = RLIM_INFINITY;
  int status = 0;              // or kAnyFailure
  const char* says = nullptr;  // what a line on stderr says
  bool rewrites = false;       // the fixtures are made anew; else they are left as they were
};

void PrintTo(const ScriptCase& c, std::ostream* os) {
  *os << c.name;
}

const ScriptCase kCases[] = {
    {"check_format_unknown_option",
     kCheckFormat,
     {"--check"},
     {},
     false,
     RLIM_INFINITY,
     2,
     "usage"},
    {"check_format_extra_argument",
     kCheckFormat,
     {"--fix", "src"},
     {},
     false,
     RLIM_INFINITY,
     2,
     "usage"},
    {"battle_soak_unknown_option", kBattleSoak, {"--help"}, {}, false, RLIM_INFINITY, 2, "usage"},
    {"battle_soak_range_not_a_range",
     kBattleSoak,
     {"1-100", "500"},
     {},
     false,
     RLIM_INFINITY,
     2,
     "usage"},
    {"battle_soak_jobs_not_a_count", kBattleSoak, {}, {"JOBS=0"}, false, RLIM_INFINITY, 2, "usage"},
    {"sound_seeds_unknown_option", kSoundSeeds, {"--force"}, {}, false, RLIM_INFINITY, 2, "usage"},
    {"sound_seeds_full_disk", kSoundSeeds, {}, {}, false, 20000, kAnyFailure},
    {"sound_seeds_stdout_full",
     kSoundSeeds,
     {},
     {},
     true,
     RLIM_INFINITY,
     kAnyFailure,
     "write error",
     true},
    {"sound_seeds_rewrite", kSoundSeeds, {}, {}, false, RLIM_INFINITY, 0, nullptr, true},
    {"script_seeds_unknown_option",
     kScriptSeeds,
     {"--force"},
     {},
     false,
     RLIM_INFINITY,
     2,
     "usage"},
    {"script_seeds_full_disk", kScriptSeeds, {}, {}, false, 32768, 1, "cannot write"},
    {"script_seeds_stdout_full",
     kScriptSeeds,
     {},
     {},
     true,
     RLIM_INFINITY,
     1,
     "make-script-seeds: cannot write standard output: ",
     true},
    {"script_seeds_rewrite", kScriptSeeds, {}, {}, false, RLIM_INFINITY, 0, nullptr, true},
};

// Every entry under a folder with its size, sorted.
std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> entries;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::string entry = it->path().lexically_relative(folder).string();
    if (it->is_regular_file(ec)) entry += " " + std::to_string(it->file_size(ec));
    entries.push_back(entry);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The copy of a script in a tree of its own: ROOT/scripts/FILE, its fixtures under ROOT, and
// ROOT/tmp as its temporary folder.
class ScriptCopy {
 public:
  explicit ScriptCopy(const Script& script) : script_(script) {
    fs::create_directories(dir_.File("scripts"));
    fs::create_directories(dir_.File("tmp"));
    fs::copy_file(std::string(SOURCE_DIR) + "/scripts/" + script.file,
                  dir_.File("scripts/") + script.file);
    if (*script.fixtures != '\0') {
      fs::create_directories(Fixtures());
      WriteFile(Fixtures() + "/" + script.sample, kOldBytes);
    }
  }
  std::string Fixtures() const { return dir_.File(script_.fixtures); }
  std::string Root() const { return dir_.path(); }

  ChildRun Run(const ScriptCase& c) const {
    testsupport::ChildLaunch launch;
    launch.program = "/usr/bin/env";
    const std::string file = script_.file;
    launch.args = {file.ends_with(".py") ? "python3" : "bash", dir_.File("scripts/") + file};
    launch.args.insert(launch.args.end(), c.args.begin(), c.args.end());
    launch.folder = dir_.path();
    launch.environment = c.environment;
    launch.environment.push_back("TMPDIR=" + dir_.File("tmp"));
    launch.stdoutFull = c.stdoutFull;
    launch.fileSizeLimit = c.fileSizeLimit;
    return testsupport::RunChild(launch);
  }

 private:
  Script script_;
  testsupport::TempDir dir_;
};

class ScriptFailures : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(ScriptFailures, Hold) {
  const ScriptCase& c = GetParam();
  const ScriptCopy copy(c.script);
  const std::vector<std::string> before = Listing(copy.Root());
  const ChildRun run = copy.Run(c);
  if (c.status == kAnyFailure) {
    EXPECT_GT(run.status, 0) << Describe(run);
  } else {
    EXPECT_EQ(run.status, c.status) << Describe(run);
  }
  if (c.says != nullptr) {
    EXPECT_NE(run.err.find(c.says), std::string::npos) << Describe(run);
  }
  EXPECT_TRUE(fs::is_empty(copy.Root() + "/tmp")) << "a temporary file was left";
  if (!c.rewrites) {
    EXPECT_EQ(Listing(copy.Root()), before);
    if (*c.script.fixtures != '\0') {
      EXPECT_EQ(ReadFile(copy.Fixtures() + "/" + c.script.sample), kOldBytes);
    }
    return;
  }
  // Made anew: the files the repository holds, and nothing beside them.
  const std::string committed = std::string(SOURCE_DIR) + "/" + c.script.fixtures;
  EXPECT_EQ(Names(copy.Fixtures()), Names(committed));
  EXPECT_NE(ReadFile(copy.Fixtures() + "/" + c.script.sample), kOldBytes);
  EXPECT_EQ(Names(copy.Root() + "/tests/data"),
            std::vector<std::string>{fs::path(committed).filename().string()});
}

INSTANTIATE_TEST_SUITE_P(EveryScript, ScriptFailures, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ScriptCase>& info) {
                           return std::string(info.param.name);
                         });

// The corpus of malformed scripts comes from a fixed seed: a run makes the committed bytes again.
TEST(ScriptSeeds, MakeTheCommittedCorpusAgain) {
  const ScriptCopy copy(kScriptSeeds);
  const ChildRun run = copy.Run({"rewrite", kScriptSeeds, {}});
  ASSERT_EQ(run.status, 0) << Describe(run);
  const std::string committed = std::string(SOURCE_DIR) + "/tests/data/scripts";
  for (const std::string& name : Names(committed)) {
    EXPECT_EQ(ReadFile(copy.Fixtures() + "/" + name), ReadFile(committed + "/" + name)) << name;
  }
}

// In a checkout of its own: the check names the file it would change and fails; --fix formats it,
// and the check passes after.
TEST(CheckFormat, NamesTheFileItWouldChangeAndFixes) {
  const ScriptCopy copy(kCheckFormat);
  fs::copy_file(std::string(SOURCE_DIR) + "/.clang-format", copy.Root() + "/.clang-format");
  WriteFile(copy.Root() + "/bad.cpp", "int   f( ) {return 1 ;}\n");
  auto git = [&](std::vector<std::string> args) {
    testsupport::ChildLaunch launch;
    launch.program = "/usr/bin/env";
    launch.args = {"git", "-c", "safe.directory=*"};
    launch.args.insert(launch.args.end(), args.begin(), args.end());
    launch.folder = copy.Root();
    return testsupport::RunChild(launch);
  };
  ASSERT_EQ(git({"init", "-q"}).status, 0);
  ASSERT_EQ(git({"add", "bad.cpp"}).status, 0);
  struct Step {
    std::vector<std::string> args;
    int status;
    const char* says;
  };
  for (const Step& step : {Step{{}, 1, "check-format: not formatted: bad.cpp\n"},
                           Step{{"--fix"}, 0, ""}, Step{{}, 0, ""}}) {
    SCOPED_TRACE(step.args.empty() ? "check" : step.args[0]);
    const ChildRun run = copy.Run({"check", kCheckFormat, step.args});
    EXPECT_EQ(run.status, step.status) << Describe(run);
    EXPECT_EQ(run.err, step.says);
  }
  EXPECT_EQ(ReadFile(copy.Root() + "/bad.cpp"), "int f() {\n  return 1;\n}\n");
}

}  // namespace
