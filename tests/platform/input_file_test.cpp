// Inputs opened by the project: what stands at a path (nothing, a folder, a named pipe without a
// writer, a device, a sparse file of 4 GiB, a regular file) against what the open gives, for
// reading and for the log's writing, each refused at once for what it is.
#include "platform/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/pipe_watch.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::kFourGiB;

void Sparse(const std::string& path) {
  ASSERT_TRUE(testsupport::MakeSparseFile(path)) << std::strerror(errno);
}
void Text(const std::string& path) {
  testsupport::WriteFile(path, "some bytes\n");
}

struct Standing {
  const char* name;
  void (*make)(const std::string& path);
  int error;           // Error() after a refusal
  const char* reason;  // Reason(); null when the file opens
};

std::vector<Standing> Standings() {
  std::vector<Standing> all = {
      {"missing", [](const std::string&) {}, ENOENT, "No such file or directory"}};
  for (const testsupport::NotAFile& n : testsupport::kNotAFile) {
    all.push_back({n.name, n.make, 0, n.reason});
  }
  all.push_back({"sparse", Sparse, 0, nullptr});
  all.push_back({"text", Text, 0, nullptr});
  return all;
}

TEST(InputFile, OpensOnlyARegularFileAndNeverWaits) {
  for (const Standing& s : Standings()) {
    SCOPED_TRACE(s.name);
    testsupport::TempDir dir;
    const std::string path = dir.File("input");
    s.make(path);
    platform::InputFile file;
    bool opened = false;
    EXPECT_TRUE(testsupport::ReturnsWithoutThePipesOtherEnd(path, [&] {
      opened = file.Open(path);
    })) << "the open waited for a writer";
    EXPECT_EQ(opened, s.reason == nullptr);
    EXPECT_EQ(file.Error(), s.error);
    EXPECT_EQ(file.Reason(), s.reason != nullptr ? s.reason : "");
    if (!opened) {
      EXPECT_EQ(file.Descriptor(), -1);
      continue;
    }
    // A sparse file of 4 GiB is opened, not read.
    EXPECT_EQ(file.Size(), static_cast<uint64_t>(std::filesystem::file_size(path)));
    const int status = fcntl(file.Descriptor(), F_GETFL);
    EXPECT_EQ(status & O_NONBLOCK, 0) << "reads would not wait for the disk";
    EXPECT_NE(fcntl(file.Descriptor(), F_GETFD) & FD_CLOEXEC, 0);
    std::FILE* stream = file.ReleaseStream();
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(file.Descriptor(), -1) << "the stream owns it now";
    char head[4] = {};
    EXPECT_EQ(std::fread(head, 1, sizeof head, stream), sizeof head);
    EXPECT_EQ(std::string(head, sizeof head), s.make == Text ? "some" : std::string(4, '\0'));
    std::fclose(stream);
  }
}

TEST(InputFile, RefusesAFileOverItsLimitAndTakesOneAtIt) {
  testsupport::TempDir dir;
  const std::string path = dir.File("input");
  Text(path);
  platform::InputFile file;
  EXPECT_FALSE(file.Open(path, 10));
  EXPECT_EQ(file.Reason(), "larger than 10 bytes");
  std::string bytes;
  ASSERT_TRUE(file.Open(path, 11));
  EXPECT_TRUE(file.ReadAll(&bytes));
  EXPECT_EQ(bytes, "some bytes\n");
  Sparse(path);
  EXPECT_FALSE(file.Open(path, kFourGiB - 1));
  EXPECT_EQ(file.Reason(), "larger than 4294967295 bytes");
  EXPECT_EQ(file.Error(), 0);
  EXPECT_EQ(file.Descriptor(), -1);
  ASSERT_TRUE(file.Open(path, kFourGiB));
  const int fd = file.Release();
  EXPECT_EQ(file.Descriptor(), -1);
  EXPECT_GE(fd, 0);
  close(fd);
}

// The log's open, which appends to the log as the game runs rather than write it whole: made when
// missing, a regular file written, anything else refused at once, a named pipe whatever end it
// has.
TEST(InputFile, WritingOpensOnlyARegularFileAndNeverWaits) {
  for (const Standing& s : Standings()) {
    if (s.make == Sparse) continue;
    SCOPED_TRACE(s.name);
    testsupport::TempDir dir;
    const std::string path = dir.File("log");
    s.make(path);
    int fd = -1, error = -1;
    std::string reason;
    EXPECT_TRUE(testsupport::ReturnsWithoutThePipesOtherEnd(path, [&] {
      fd = platform::OpenRegularFile(path, O_WRONLY | O_CREAT | O_APPEND, 0600, &error, &reason);
    })) << "the open waited for a reader";
    const bool made = s.error == ENOENT || s.make == Text;
    EXPECT_EQ(fd >= 0, made) << reason;
    if (!made) {
      EXPECT_EQ(error, 0);
      EXPECT_EQ(reason, s.reason);
      continue;
    }
    ASSERT_EQ(write(fd, "end\n", 4), 4);
    close(fd);
    EXPECT_EQ(testsupport::ReadFile(path), s.make == Text ? "some bytes\nend\n" : "end\n");
  }
}

}  // namespace
