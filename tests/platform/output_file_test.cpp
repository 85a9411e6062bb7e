#include "platform/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class OutputFileTest : public ::testing::Test {
 protected:
  std::string Path(const char* name) const { return dir_.File(name); }
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
// committing alike.
TEST_F(OutputFileTest, AReplacedFileKeepsItsModeOwnerAndGroup) {
  const std::string target = Path("kept.bin");
  std::string error;
  for (Durability durability : {Durability::kPlain, Durability::kSynced}) {
    for (mode_t mode : {0600, 0640, 0444, 02755}) {
      SCOPED_TRACE(std::to_string(mode) + (durability == Durability::kSynced ? " synced" : ""));
      ASSERT_TRUE(WriteWholeFile(target, "old", 3, &error)) << error;
      const bool superuser = geteuid() == 0;
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

}  // namespace
}  // namespace platform
