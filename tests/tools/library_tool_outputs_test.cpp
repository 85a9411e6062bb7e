// The files the library's tools write (gfxprobe's dump, devshot's picture, snddump's PCM,
// netprobe's port file) are written whole or not at all: a missing folder, a folder, a symbolic
// link, a device node and a full file system at the target each end in a status, a line naming
// the target, and the target as it was, with no temporary file left beside it.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "tests/support/wave_writer.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

struct Outcome {
  int status = -1;
  std::string err;
};

// Runs the command in `folder` (its runtime folder too) with standard error taken through a pipe,
// which a file size limit (`limit`, in the shell's blocks; -1 for none) does not touch.
Outcome RunIn(const std::string& folder, const std::string& command, int limit) {
  const std::string ulimit =
      limit < 0 ? "" : "trap '' XFSZ; ulimit -f " + std::to_string(limit) + "; ";
  const std::string full = "cd '" + folder + "' && (" + ulimit +
                           "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy MORROW_CLOCK=virtual "
                           "XDG_RUNTIME_DIR='" +
                           folder + "' " + command + " 2>&1 >/dev/null)";
  Outcome o;
  FILE* p = popen(full.c_str(), "r");
  if (p == nullptr) return o;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) o.err.append(buffer, n);
  const int status = pclose(p);
  o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return o;
}

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename());
  return names;
}

enum class Target { kMissingFolder, kFolder, kLink, kDevice, kFullDisk };

TEST(LibraryToolOutputs, NothingButAWholeRegularFileIsEverWritten) {
  const struct {
    const char* tool;
    std::string command;  // TARGET stands for the output
  } tools[] = {
      {"gfxprobe", std::string(GFXPROBE) + " fill:1,2,3 dump:TARGET"},
      {"devshot", std::string(DEVSHOT) + " --script boxes --out TARGET"},
      {"snddump", std::string(SNDDUMP) + " in.wav --raw TARGET"},
      {"netprobe", std::string(NETPROBE) + " serve --expect 1 --port-file TARGET"},
  };
  const struct {
    Target kind;
    const char* says;
  } targets[] = {{Target::kMissingFolder, "No such file or directory"},
                 {Target::kFolder, "is a folder"},
                 {Target::kLink, "is a symbolic link"},
                 {Target::kDevice, "is a device"},
                 {Target::kFullDisk, "File too large"}};
  for (const auto& t : tools) {
    for (const auto& target : targets) {
      SCOPED_TRACE(std::string(t.tool) + " " + target.says);
      // The tool runs in run/ and writes into files/, which holds nothing else.
      TempDir dir;
      const std::string run = dir.File("run"), files = dir.File("files");
      fs::create_directory(run);
      fs::create_directory(files);
      testsupport::WriteFile(run + "/in.wav",
                             testsupport::PcmWave(1, 22050, 16, std::string(4000, '\x10')));
      const std::string out = files + (target.kind == Target::kMissingFolder ? "/no/out" : "/out");
      if (target.kind == Target::kFolder) fs::create_directory(out);
      if (target.kind == Target::kLink) fs::create_symlink(files + "/elsewhere", out);
      if (target.kind == Target::kFullDisk) testsupport::WriteFile(out, "old bytes");
      if (target.kind == Target::kDevice) {
        ASSERT_EQ(mknod(out.c_str(), S_IFCHR | 0600, makedev(1, 7)), 0) << "run as root";
      }
      const std::set<std::string> before = Names(files);
      std::string command = t.command;
      command.replace(command.find("TARGET"), 6, "'" + out + "'");
      const Outcome o = RunIn(run, command, target.kind == Target::kFullDisk ? 0 : -1);
      EXPECT_EQ(o.status, 1);
      const std::string line = std::string(t.tool) + ": cannot write " + out + ": " + target.says;
      EXPECT_NE(o.err.find(line), std::string::npos) << o.err;
      // A full disk may cost the library its log too, which it says in a line of its own.
      if (target.kind != Target::kFullDisk) {
        EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
      }
      EXPECT_EQ(Names(files), before);
      struct stat st;
      switch (target.kind) {
        case Target::kMissingFolder:
          EXPECT_FALSE(fs::exists(files + "/no"));
          break;
        case Target::kFolder:
          EXPECT_TRUE(fs::is_empty(out));
          break;
        case Target::kLink:
          EXPECT_TRUE(fs::is_symlink(out));
          EXPECT_FALSE(fs::exists(files + "/elsewhere"));
          break;
        case Target::kDevice:
          ASSERT_EQ(lstat(out.c_str(), &st), 0);
          EXPECT_TRUE(S_ISCHR(st.st_mode));
          break;
        case Target::kFullDisk:
          EXPECT_EQ(testsupport::ReadFile(out), "old bytes");
          break;
      }
    }
  }
}

}  // namespace
