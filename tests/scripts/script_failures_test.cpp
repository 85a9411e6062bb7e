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

#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::Describe;
using testsupport::Names;
using testsupport::ProgramRun;
using testsupport::ReadFile;
using testsupport::WriteFile;

constexpr int kAnyFailure = -1;
constexpr const char* kOldBytes = "old bytes";

// A script, the fixture folder it writes (empty for none) and one of its fixtures; whether a run
// makes the committed bytes again (the script corpus comes from a fixed seed; the sound encoders
// stamp their own versions and serial numbers).
struct Script {
  const char* file;
  const char* fixtures;
  const char* sample;
  bool sameBytes = false;
};

constexpr Script kCheckFormat = {"check-format.sh", "", ""};
constexpr Script kBattleSoak = {"battle-soak.sh", "", ""};
constexpr Script kSoundSeeds = {"make-sound-seeds.sh", "tests/data/sound", "pcm16_mono.wav"};
constexpr Script kScriptSeeds = {"make-script-seeds.py", "tests/data/scripts", "full.srd", true};

struct ScriptCase {
  const char* name;
  Script script;
  std::vector<std::string> args = {};
  std::vector<std::string> environment = {};
  bool stdoutFull = false;
  rlim_t fullAt = RLIM_INFINITY;  // a file size limit, as on a full disk
  int status = 0;                 // or kAnyFailure
  const char* says = nullptr;     // what a line on stderr says
  bool rewrites = false;          // the fixtures are made anew; else they are left as they were
};

void PrintTo(const ScriptCase& c, std::ostream* os) {
  *os << c.name;
}

// An unknown option or a bad argument: a usage error.
ScriptCase Usage(const char* name, Script script, std::vector<std::string> args,
                 std::vector<std::string> environment = {}) {
  return {.name = name,
          .script = script,
          .args = args,
          .environment = environment,
          .status = 2,
          .says = "usage"};
}

// A run on a full disk, or with its standard output on one; a run that makes its fixtures anew.
ScriptCase FullDisk(const char* name, Script script, rlim_t at, int status, const char* says) {
  return {.name = name, .script = script, .fullAt = at, .status = status, .says = says};
}
ScriptCase StdoutFull(const char* name, Script script, int status, const char* says) {
  return {.name = name,
          .script = script,
          .stdoutFull = true,
          .status = status,
          .says = says,
          .rewrites = true};
}
ScriptCase Rewrite(const char* name, Script script) {
  return {.name = name, .script = script, .rewrites = true};
}

const ScriptCase kCases[] = {
    Usage("check_format_unknown_option", kCheckFormat, {"--check"}),
    Usage("check_format_extra_argument", kCheckFormat, {"--fix", "src"}),
    Usage("battle_soak_unknown_option", kBattleSoak, {"--help"}),
    Usage("battle_soak_range_not_a_range", kBattleSoak, {"1-100", "500"}),
    Usage("battle_soak_jobs_not_a_count", kBattleSoak, {}, {"JOBS=0"}),
    Usage("sound_seeds_unknown_option", kSoundSeeds, {"--force"}),
    Usage("script_seeds_unknown_option", kScriptSeeds, {"--force"}),
    FullDisk("sound_seeds_full_disk", kSoundSeeds, 20000, kAnyFailure, nullptr),
    FullDisk("script_seeds_full_disk", kScriptSeeds, 32768, 1, "cannot write"),
    StdoutFull("sound_seeds_stdout_full", kSoundSeeds, kAnyFailure, "write error"),
    StdoutFull("script_seeds_stdout_full", kScriptSeeds, 1,
               "make-script-seeds: cannot write standard output: "),
    Rewrite("sound_seeds_rewrite", kSoundSeeds),
    Rewrite("script_seeds_rewrite", kScriptSeeds),
};

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

  ProgramRun Run(const ScriptCase& c) const {
    const std::string file = script_.file;
    std::vector<std::string> words = {dir_.File("scripts/") + file};
    words.insert(words.end(), c.args.begin(), c.args.end());
    std::string settings = "TMPDIR='" + dir_.File("tmp") + "'";
    for (const std::string& e : c.environment) settings += " " + e;
    return testsupport::RunWords(
        dir_.path(), file.ends_with(".py") ? "python3" : "bash",
        {.words = words, .settings = settings, .stdoutFull = c.stdoutFull, .fullAt = c.fullAt});
  }

 private:
  Script script_;
  testsupport::TempDir dir_;
};

class ScriptFailures : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(ScriptFailures, Hold) {
  const ScriptCase& c = GetParam();
  const ScriptCopy copy(c.script);
  const std::vector<std::string> before = testsupport::Listing(copy.Root());
  const ProgramRun run = copy.Run(c);
  if (c.status == kAnyFailure) {
    EXPECT_GT(run.exitCode, 0) << Describe(run);
  } else {
    EXPECT_EQ(run.exitCode, c.status) << Describe(run);
  }
  if (c.says != nullptr) {
    EXPECT_NE(run.err.find(c.says), std::string::npos) << Describe(run);
  }
  EXPECT_TRUE(fs::is_empty(copy.Root() + "/tmp")) << "a temporary file was left";
  if (!c.rewrites) {
    EXPECT_EQ(testsupport::Listing(copy.Root()), before);
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
  if (!c.script.sameBytes) return;
  for (const std::string& name : Names(committed)) {
    EXPECT_EQ(ReadFile(copy.Fixtures() + "/" + name), ReadFile(committed + "/" + name)) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(EveryScript, ScriptFailures, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ScriptCase>& info) {
                           return std::string(info.param.name);
                         });

// In a checkout of its own: the check names the file it would change and fails; --fix formats it,
// and the check passes after.
TEST(CheckFormat, NamesTheFileItWouldChangeAndFixes) {
  const ScriptCopy copy(kCheckFormat);
  fs::copy_file(std::string(SOURCE_DIR) + "/.clang-format", copy.Root() + "/.clang-format");
  WriteFile(copy.Root() + "/bad.cpp", "int   f( ) {return 1 ;}\n");
  auto git = [&](const char* args) {
    return testsupport::RunProgram(copy.Root(), "git", std::string("-c 'safe.directory=*' ") + args)
        .exitCode;
  };
  ASSERT_EQ(git("init -q"), 0);
  ASSERT_EQ(git("add bad.cpp"), 0);
  struct Step {
    std::vector<std::string> args;
    int status;
    const char* says;
  };
  for (const Step& step : {Step{{}, 1, "check-format: not formatted: bad.cpp\n"},
                           Step{{"--fix"}, 0, ""}, Step{{}, 0, ""}}) {
    SCOPED_TRACE(step.args.empty() ? "check" : step.args[0]);
    const ProgramRun run = copy.Run({.name = "check", .script = kCheckFormat, .args = step.args});
    EXPECT_EQ(run.exitCode, step.status) << Describe(run);
    EXPECT_EQ(run.err, step.says);
  }
  EXPECT_EQ(ReadFile(copy.Root() + "/bad.cpp"), "int f() {\n  return 1;\n}\n");
}

}  // namespace
