// The tools' shared start, end and writes, seen from outside: standard output that cannot take
// what was printed, a held lock, no display service and a start the library ends itself each give
// a status and one line (through morrow-probe); outputs are whole regular files or nothing, and a
// failure leaves the target as it was (through the tools that write one).
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/instance_lock.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wave_writer.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

namespace fs = std::filesystem;

TEST(ToolRun, EachEndGivesItsStatusAndOneLine) {
  const struct {
    const char* args;
    const char* env;
    bool lockHeld;
    int status;
    std::string err;  // the start of its one line; "" for none
  } cases[] = {
      {"rng 1 3 >/dev/null", "", false, 0, ""},
      {"rng 1 3 >/dev/full", "", false, 1,
       "morrow-probe: cannot write standard output: No space left on device\n"},
      // The probe flushes its lines itself: the failure is found before the end.
      {"text --events text:a >/dev/full", "", false, 1,
       "morrow-probe: cannot write standard output: an earlier write failed\n"},
      {"start-end --window", "", true, 2,
       "morrow-probe: nothing done: another instance holds the library's lock\n"},
      {"start-end --window", "SDL_VIDEODRIVER=none", false, 1,
       "morrow-probe: the library did not start: no display service"},
      {"start-end --window", "MORROW_DESKTOP=320x200x32", false, 255,
       "morrow: ended with an error: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args + std::string(c.lockHeld ? " under a held lock " : " ") + c.env);
    // The program shares this test's runtime folder, where the lock is held for it.
    testsupport::TempDir dir;
    platform::InstanceLock held;
    if (c.lockHeld) {
      ASSERT_TRUE(held.Acquire("Morrow"));
    }
    const testsupport::ProgramRun run = testsupport::RunProgram(
        dir.path(), MORROW_PROBE, c.args,
        std::string("SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy MORROW_CLOCK=virtual "
                    "XDG_RUNTIME_DIR='") +
            getenv("XDG_RUNTIME_DIR") + "' " + c.env);
    EXPECT_EQ(run.exitCode, c.status);
    EXPECT_EQ(run.err.substr(0, c.err.size()), c.err);
    EXPECT_EQ(run.err.find('\n'), c.err.empty() ? std::string::npos : run.err.size() - 1)
        << run.err;
  }
}

TEST(ToolRun, OnlyADashAndMoreIsAnOption) {
  for (const char* option : {"-x", "--name"}) EXPECT_TRUE(toolrun::IsOption(option)) << option;
  for (const char* path : {"-", "", "file", "a-b"}) EXPECT_FALSE(toolrun::IsOption(path)) << path;
  EXPECT_FALSE(toolrun::IsOption(nullptr));
}

// What stands at a path, and the names in its folder, as one text to compare before and after.
std::string Describe(const std::string& path) {
  std::string text;
  for (const auto& e : fs::directory_iterator(fs::path(path).parent_path())) {
    text += e.path().filename().string() + " ";
  }
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return text + "nothing";
  if (S_ISREG(st.st_mode)) return text + "file " + testsupport::ReadFile(path);
  return text + "kind " + std::to_string(st.st_mode & S_IFMT);
}

// On a full file system gfxprobe's dump, devshot's picture and snddump's PCM leave the old file
// as it was; netprobe's port file replaces nothing but a regular file.
TEST(ToolRun, AFailedWriteLeavesTheTargetAsItWas) {
  const std::string serve = std::string(NETPROBE) + " serve --expect 1 --port-file OUT";
  const struct {
    const char* tool;
    std::string command;  // OUT stands for the output
    std::string target;  // "full" (a full file system over an old file), "folder", "link", "device"
    const char* says;
  } cases[] = {
      {"gfxprobe", std::string(GFXPROBE) + " fill:1,2,3 dump:OUT", "full", "File too large"},
      {"devshot", std::string(DEVSHOT) + " --script boxes --out OUT", "full", "File too large"},
      {"snddump", std::string(SNDDUMP) + " in.wav --raw OUT", "full", "File too large"},
      {"netprobe", serve, "folder", "is a folder"},
      {"netprobe", serve, "link", "is a symbolic link"},
      {"netprobe", serve, "device", "is a device"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.tool) + " " + c.target);
    // The tool runs in run/ (its log and lock there) and writes into files/.
    testsupport::TempDir dir;
    const std::string run = dir.File("run"), out = dir.File("files/out");
    fs::create_directories(run);
    fs::create_directories(dir.File("files"));
    testsupport::WriteFile(run + "/in.wav",
                           testsupport::PcmWave(1, 22050, 16, std::string(4000, 1)));
    if (c.target == "full") testsupport::WriteFile(out, "old bytes");
    if (c.target == "folder") fs::create_directory(out);
    if (c.target == "link") fs::create_symlink(dir.File("files/elsewhere"), out);
    if (c.target == "device") {
      ASSERT_EQ(mknod(out.c_str(), S_IFCHR | 0600, makedev(1, 7)), 0) << "run as root";
    }
    const std::string before = Describe(out);
    std::string command = c.command;
    command.replace(command.find("OUT"), 3, "'" + out + "'");
    // A limit of one block: the one or two lines on stderr fit, nothing else does.
    const testsupport::ProgramRun r = testsupport::RunProgram(
        run, "sh", "-c \"" + command + "\"",
        std::string(c.target == "full" ? "trap '' XFSZ; ulimit -f 1; " : "") +
            "SDL_VIDEODRIVER=dummy XDG_RUNTIME_DIR='" + run + "'");
    EXPECT_EQ(r.exitCode, 1);
    // A full disk may cost the library its log too, which it says in a line of its own.
    const std::string line = std::string(c.tool) + ": cannot write " + out + ": " + c.says;
    EXPECT_NE(r.err.find(line), std::string::npos) << r.err;
    EXPECT_EQ(Describe(out), before);
  }
}

}  // namespace
