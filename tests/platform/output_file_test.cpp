#include "platform/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/file_size_limit.h"
#include "tests/support/other_user.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

using testsupport::AsUnprivileged;
using testsupport::kNobody;

// What a test compares of a file: its mode; its bytes, owner and mode.
std::string ModeOf(const std::string& path) {
  struct stat st;
  char text[8] = "nothing";
  if (lstat(path.c_str(), &st) == 0) {
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(st.st_mode & 07777));
  }
  return text;
}
std::string FileState(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return "nothing";
  return testsupport::ReadFile(path) + ", user " + std::to_string(st.st_uid) + ", mode " +
         ModeOf(path);
}

class OutputFileTest : public ::testing::Test {
 protected:
  std::string Path(const char* name) const { return dir_.File(name); }
  // A folder anyone may write in, as a shared game folder can be.
  void OpenToAll() { ASSERT_EQ(chmod(dir_.path().c_str(), 0777), 0); }
  // The names in the folder: a failure must leave no temporary file beside the target.
  std::vector<std::string> Names() const { return testsupport::Names(dir_.path()); }
  testsupport::TempDir dir_;
};

TEST_F(OutputFileTest, WritesTheWholeFileAndLeavesNoTemporary) {
  const std::string target = Path("out.bin");
  std::string error;
  ASSERT_TRUE(WriteWholeFile(target, "first", 5, &error)) << error;
  ASSERT_TRUE(WriteWholeFile(target, "second!", 7, &error)) << error;
  EXPECT_EQ(testsupport::ReadFile(target), "second!");
  EXPECT_EQ(Names(), std::vector<std::string>{"out.bin"});
  // The mode a plain creation would give, not the temporary file's private one.
  const mode_t mask = umask(0);
  umask(mask);
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

// A file replaced keeps what a plain write into it would have kept: its mode, set-id bits among
// them, and its owner and group where the process may give them (a superuser may); both ways of
// committing alike. A read-only file and set-id bits are the superuser's here: anyone else may not
// write the one and does not keep the others (the tests below).
TEST_F(OutputFileTest, AReplacedFileKeepsItsModeOwnerAndGroup) {
  const std::string target = Path("kept.bin");
  std::string error;
  const bool superuser = geteuid() == 0;
  const std::vector<mode_t> modes =
      superuser ? std::vector<mode_t>{0600, 0640, 0444, 02755} : std::vector<mode_t>{0600, 0640};
  for (Durability durability : {Durability::kPlain, Durability::kSynced}) {
    for (mode_t mode : modes) {
      SCOPED_TRACE(std::to_string(mode) + (durability == Durability::kSynced ? " synced" : ""));
      ASSERT_TRUE(WriteWholeFile(target, "old", 3, &error)) << error;
      if (superuser) {
        ASSERT_EQ(chown(target.c_str(), 4321, 8765), 0);
      }
      ASSERT_EQ(chmod(target.c_str(), mode), 0);
      ASSERT_TRUE(WriteWholeFile(target, "new bytes", 9, &error, durability)) << error;
      struct stat st;
      ASSERT_EQ(stat(target.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, mode);
      if (superuser) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 8765u);
      }
      EXPECT_EQ(testsupport::ReadFile(target), "new bytes");
      chmod(target.c_str(), 0600);
    }
  }
  EXPECT_EQ(Names(), std::vector<std::string>{"kept.bin"});
}

// The temporary file is made under the writer's own naming, and only such a name is taken for
// one: the start's clean-up of the saves removes nothing else.
TEST_F(OutputFileTest, TheTemporaryFileIsNamedAsTheWriterNamesThem) {
  OutputFile out;
  std::string error;
  ASSERT_TRUE(out.Open(Path("out.bin"), &error)) << error;
  const std::string temporary = fs::path(out.TemporaryPath()).filename().string();
  EXPECT_TRUE(IsTemporaryNameOf(temporary, Path("out.bin"))) << temporary;
  struct Case {
    const char* name;
    const char* target;
    bool ours;
  } cases[] = {
      {"a.sav.tmp-Ab12Z9", "Data/a.sav", true},
      {"a.sav.tmp-000000", "a.sav", true},
      {"a.sav.tmp", "a.sav", false},
      {"a.sav.tmp-Ab12Z", "a.sav", false},
      {"a.sav.tmp-Ab12Z99", "a.sav", false},
      {"a.sav.tmp-Ab.2Z9", "a.sav", false},
      {"b.sav.tmp-Ab12Z9", "Data/a.sav", false},
      {"xa.sav.tmp-Ab12Z9", "a.sav", false},
      {".tmp-Ab12Z9", "Data/", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsTemporaryNameOf(c.name, c.target), c.ours) << c.name << " of " << c.target;
  }
}

TEST_F(OutputFileTest, AFailedWriteKeepsTheOldFileAndRemovesTheTemporary) {
  const std::string target = Path("keep.bin");
  std::string error;
  ASSERT_TRUE(WriteWholeFile(target, "old bytes", 9, &error));
  const std::string big(1 << 16, 'x');
  struct Case {
    const char* name;
    bool throughStream;  // a writer that bypasses Write, as libpng and fprintf do
  };
  for (const Case& c : {Case{"Write", false}, Case{"stream", true}}) {
    SCOPED_TRACE(c.name);
    OutputFile out;
    ASSERT_TRUE(out.Open(target, &error)) << error;
    {
      testsupport::FileSizeLimit limit(4096);
      if (c.throughStream) {
        std::fwrite(big.data(), 1, big.size(), out.Stream());
      } else {
        EXPECT_FALSE(out.Write(big.data(), big.size()));
      }
      EXPECT_FALSE(out.Commit(&error));
    }
    EXPECT_NE(error.find(target), std::string::npos) << error;
    EXPECT_EQ(testsupport::ReadFile(target), "old bytes");
    EXPECT_EQ(Names(), std::vector<std::string>{"keep.bin"});
  }
}

// A close that fails after every write went through: the file may not hold the bytes, so the
// target keeps its old ones. The descriptor is closed behind the stream's back, as a file system
// that reports its write errors only at the close would.
TEST_F(OutputFileTest, AFailedCloseKeepsTheOldFile) {
  const std::string target = Path("keep.bin");
  std::string error;
  ASSERT_TRUE(WriteWholeFile(target, "old bytes", 9, &error));
  OutputFile out;
  ASSERT_TRUE(out.Open(target, &error)) << error;
  EXPECT_TRUE(out.Write("new", 3));
  ASSERT_EQ(std::fflush(out.Stream()), 0);
  close(fileno(out.Stream()));
  EXPECT_FALSE(out.Commit(&error));
  EXPECT_NE(error.find(target), std::string::npos) << error;
  EXPECT_EQ(testsupport::ReadFile(target), "old bytes");
  EXPECT_EQ(Names(), std::vector<std::string>{"keep.bin"});
}

TEST_F(OutputFileTest, RefusesEverythingButARegularFile) {
  fs::create_directory(Path("folder"));
  fs::create_symlink(Path("elsewhere"), Path("link"));
  ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
  struct Case {
    std::string target;
    const char* says;
  };
  for (const Case& c :
       {Case{Path("folder"), "folder"}, Case{Path("link"), "symbolic link"},
        Case{Path("pipe"), "is a named pipe, not a file"}, Case{"/dev/null", "device"},
        Case{Path("missing/out.bin"), "No such file"}, Case{"", "empty"}}) {
    SCOPED_TRACE(c.target);
    std::string error;
    EXPECT_FALSE(WriteWholeFile(c.target, "x", 1, &error));
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
  }
  EXPECT_TRUE(fs::is_directory(Path("folder")));
  EXPECT_TRUE(fs::is_symlink(Path("link")));
  EXPECT_FALSE(fs::exists(Path("elsewhere")));
  EXPECT_EQ(Names(), (std::vector<std::string>{"folder", "link", "pipe"}));
}

TEST_F(OutputFileTest, AnAbandonedOrDroppedOutputLeavesNothing) {
  const std::string target = Path("never.bin");
  std::string error;
  {
    OutputFile out;
    ASSERT_TRUE(out.Open(target, &error));
    EXPECT_TRUE(out.Write("abc", 3));
    EXPECT_TRUE(fs::exists(out.TemporaryPath()));
  }
  OutputFile out;
  ASSERT_TRUE(out.Open(target, &error));
  out.Abandon();
  EXPECT_FALSE(out.Commit(&error));
  EXPECT_TRUE(Names().empty());
}

// A target that turns into something else while the bytes are written is not replaced either.
TEST_F(OutputFileTest, ATargetThatBecameAFolderIsNotReplaced) {
  const std::string target = Path("late");
  OutputFile out;
  std::string error;
  ASSERT_TRUE(out.Open(target, &error));
  out.Write("abc", 3);
  fs::create_directory(target);
  EXPECT_FALSE(out.Commit(&error));
  EXPECT_NE(error.find("folder"), std::string::npos) << error;
  EXPECT_EQ(Names(), std::vector<std::string>{"late"});
}

// The writer takes only what a plain write could: a file the process may not open for writing is
// refused at the open, before anything is made, with the open's own reason, and stays as it was
// (bytes, owner, mode), even in a folder where anyone may rename and create files; one it may
// write is replaced, as the process's own when it may not give it away. Another user's file is
// the superuser's, so only a superuser's test can make one.
TEST_F(OutputFileTest, OnlyAFileThatMayBeWrittenIsReplaced) {
  OpenToAll();
  const bool superuser = geteuid() == 0;
  const std::string target = Path("kept.bin");
  const std::string nobody = std::to_string(kNobody);
  struct Case {
    const char* name;
    bool anotherUsers;
    mode_t mode;
    std::string answer;  // what the run as nobody says
    std::string after;   // the target's state afterwards, when not as it was
  } cases[] = {
      {"another user's private file", true, 0600, target + ": Permission denied", ""},
      {"another user's read-only file", true, 0444, target + ": Permission denied", ""},
      {"its own read-only file", false, 0444, target + ": Permission denied", ""},
      {"another user's file anyone may write", true, 0666, "written",
       "new, user " + nobody + ", mode 0666"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.anotherUsers && !superuser) continue;
    fs::remove(target);
    testsupport::WriteFile(target, "old bytes");
    if (!c.anotherUsers && superuser) {
      ASSERT_EQ(chown(target.c_str(), kNobody, kNobody), 0);
    }
    ASSERT_EQ(chmod(target.c_str(), c.mode), 0);
    const std::string before = FileState(target);
    // A refusal comes from the open, before anything is written.
    const std::optional<std::string> answer = AsUnprivileged([&] {
      OutputFile out;
      std::string error;
      if (!out.Open(target, &error)) return error;
      out.Write("new", 3);
      return out.Commit(&error) ? std::string("written") : "at the commit: " + error;
    });
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, c.answer);
    EXPECT_EQ(FileState(target), c.after.empty() ? before : c.after);
    EXPECT_EQ(Names(), std::vector<std::string>{"kept.bin"});
  }
}

// The target is looked at again just before the rename, and what it is then is what the new file
// takes over: a mode or owner set while the bytes are written holds, as it would had they been
// written into the file itself, and the temporary file stays private meanwhile. A file that may
// no longer be written is refused and kept, as a plain write would leave it; the superuser may
// write it. Owners are the superuser's to give.
TEST_F(OutputFileTest, AModeOrOwnerSetDuringTheWriteIsTheNewFilesOwn) {
  OpenToAll();
  const std::string folder = dir_.path();
  struct Case {
    const char* name;
    mode_t mode;
    bool givenAway;  // to user 4321 and group 8765
  };
  const Case cases[] = {{"made private", 0600, false},
                        {"opened to the group", 0660, false},
                        {"made read-only", 0444, false},
                        {"given away", 0640, true}};
  // For each case: the temporary's mode during the write, then the new file's mode and owner, or
  // the refusal.
  const auto outcome = [folder](const Case& c) {
    const std::string target = folder + "/changed.bin";
    std::string error;
    fs::remove(target);
    if (!WriteWholeFile(target, "old", 3, &error)) return error;
    chmod(target.c_str(), 0644);
    OutputFile out;
    if (!out.Open(target, &error)) return error;
    const std::string during = ModeOf(out.TemporaryPath());
    out.Write("new bytes", 9);
    if (chmod(target.c_str(), c.mode) != 0 ||
        (c.givenAway && chown(target.c_str(), 4321, 8765) != 0)) {
      return std::string("the change could not be made");
    }
    if (!out.Commit(&error)) return during + " | " + error + ", " + testsupport::ReadFile(target);
    struct stat st;
    if (stat(target.c_str(), &st) != 0) return std::string("no file");
    return during + " | " + ModeOf(target) + " " + std::to_string(st.st_uid) + ":" +
           std::to_string(st.st_gid) + " " + testsupport::ReadFile(target);
  };
  const auto written = [](mode_t mode, uid_t user, gid_t group) {
    char text[64];
    std::snprintf(text, sizeof text, "0600 | %04o %u:%u new bytes", static_cast<unsigned>(mode),
                  static_cast<unsigned>(user), static_cast<unsigned>(group));
    return std::string(text);
  };
  const bool superuser = geteuid() == 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (superuser) {
      EXPECT_EQ(outcome(c),
                c.givenAway ? written(c.mode, 4321, 8765) : written(c.mode, geteuid(), getegid()));
    }
    if (c.givenAway) continue;
    const std::optional<std::string> unprivileged = AsUnprivileged([&] { return outcome(c); });
    ASSERT_TRUE(unprivileged.has_value());
    EXPECT_EQ(*unprivileged, c.mode == 0444
                                 ? "0600 | " + folder + "/changed.bin: Permission denied, old"
                             : superuser ? written(c.mode, kNobody, kNobody)
                                         : written(c.mode, geteuid(), getegid()));
  }
  EXPECT_EQ(Names(), std::vector<std::string>{"changed.bin"});
}

// Set-id bits fare as on a plain write into the file, whatever it then holds (nothing among it):
// kept by the superuser, cleared for anyone else (the group's only where the group may execute
// the file).
TEST_F(OutputFileTest, SetIdBitsFareAsOnAPlainWrite) {
  OpenToAll();
  const std::string folder = dir_.path();
  // The modes after a plain write and after the writer, in files of the runner's own.
  const auto outcome = [folder](const std::string& runner) {
    const std::string plain = folder + "/" + runner + "-plain";
    const std::string whole = folder + "/" + runner + "-whole";
    std::string modes[2];
    for (const std::string bytes : {"", "new bytes"}) {
      for (mode_t mode : {04755, 02755, 02644}) {
        for (const std::string& path : {plain, whole}) {
          fs::remove(path);
          testsupport::WriteFile(path, "old");
          chmod(path.c_str(), mode);
        }
        testsupport::WriteFile(plain, bytes);  // opened truncating, then written
        std::string error;
        if (!WriteWholeFile(whole, bytes.data(), bytes.size(), &error)) return error;
        modes[0] += ModeOf(plain) + " ";
        modes[1] += ModeOf(whole) + " ";
      }
    }
    return modes[0] + "| " + modes[1];
  };
  const std::string kept = "4755 2755 2644 ";
  const std::string cleared = "0755 0755 2644 ";
  if (geteuid() == 0) {
    EXPECT_EQ(outcome("superuser"), kept + kept + "| " + kept + kept);
  }
  const std::optional<std::string> unprivileged = AsUnprivileged([&] { return outcome("user"); });
  ASSERT_TRUE(unprivileged.has_value());
  EXPECT_EQ(*unprivileged, cleared + cleared + "| " + cleared + cleared);
}

}  // namespace
}  // namespace platform
