#include "morrow/system/stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/directory.h"
#include "tests/support/pipe_watch.h"
#include "tests/support/temp_dir.h"

namespace {

using morrow::MemoryStream;

TEST(MemoryStream, ReadsWholeItemsThenTheTailAsOneItem) {
  const unsigned char data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  MemoryStream* s = morrow::CreateMemoryStream(data, sizeof data);
  ASSERT_NE(s, nullptr);
  unsigned char buf[16];
  std::memset(buf, 0xEE, sizeof buf);
  EXPECT_EQ(morrow::MemoryStreamRead(buf, 4, 3, s), 2u);
  EXPECT_EQ(morrow::GetThirdRecordWord(s), 8);
  EXPECT_EQ(buf[7], 7);
  EXPECT_EQ(buf[8], 0xEE);
  std::memset(buf, 0xEE, sizeof buf);
  EXPECT_EQ(morrow::MemoryStreamRead(buf, 4, 1, s), 1u);
  EXPECT_EQ(buf[0], 8);
  EXPECT_EQ(buf[1], 9);
  EXPECT_EQ(buf[2], 0) << "the missing tail of the last item is zeroed";
  EXPECT_EQ(buf[3], 0);
  EXPECT_EQ(buf[4], 0xEE);
  EXPECT_EQ(morrow::MemoryStreamEof(s), 0) << "the end shows only after a read at the end";
  EXPECT_EQ(morrow::MemoryStreamRead(buf, 4, 1, s), 0u);
  EXPECT_EQ(morrow::MemoryStreamEof(s), 1);
  EXPECT_EQ(morrow::CloseMemoryStream(s), 0);
}

TEST(MemoryStream, SeekClampsAndClearsTheEnd) {
  const unsigned char data[10] = {};
  MemoryStream* s = morrow::CreateMemoryStream(data, sizeof data);
  struct Case {
    int64_t offset;
    int origin;
    int64_t want;
  } cases[] = {{-1, 2, 9}, {5, 2, 10}, {3, 0, 3}, {4, 1, 7}, {-100, 1, 0}, {6, 9, 6}, {99, 0, 10}};
  for (const Case& c : cases) {
    s->end = 1;
    EXPECT_EQ(morrow::MemoryStreamSeek(s, c.offset, c.origin), 0);
    EXPECT_EQ(morrow::GetThirdRecordWord(s), c.want) << c.offset << "," << c.origin;
    EXPECT_EQ(s->end, 0);
  }
  morrow::CloseMemoryStream(s);
}

TEST(MemoryStream, HugeRequestsCannotWrapTheBound) {
  const unsigned char data[10] = {};
  MemoryStream* s = morrow::CreateMemoryStream(data, sizeof data);
  unsigned char buf[16];
  // 3 x (SIZE_MAX / 3 + 2) wraps to a small number in 64 bits.
  EXPECT_EQ(morrow::MemoryStreamRead(buf, 3, SIZE_MAX / 3 + 2, s), 3u);
  EXPECT_EQ(morrow::GetThirdRecordWord(s), 9);
  morrow::MemoryStreamSeek(s, 0, 0);
  EXPECT_EQ(morrow::MemoryStreamRead(buf, 2, SIZE_MAX / 2 + 2, s), 5u);
  EXPECT_EQ(morrow::MemoryStreamRead(buf, 4, 0, s), 0u);
  morrow::CloseMemoryStream(s);
}

class FileAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::GetCurrentDirectory(&old_));
    ASSERT_TRUE(platform::SetCurrentDirectory(dir_.path()));
    morrow::SetFileAccessTable(nullptr);
  }
  void TearDown() override {
    platform::SetCurrentDirectory(old_);
    morrow::SetFileAccessTable(nullptr);
  }
  std::string ReadAll(const char* path) {
    morrow::StreamSource src;
    if (!morrow::OpenFileStreamSource(path, &src)) return "<none>";
    std::string out;
    char buf[64];
    size_t n;
    while ((n = src.functions.read(buf, 1, sizeof buf, src.handle)) > 0) out.append(buf, n);
    src.functions.close(src.handle);
    return out;
  }
  testsupport::TempDir dir_;
  std::string old_;
};

TEST_F(FileAccessTest, WindowsPathsMapToThisSystem) {
  ASSERT_EQ(mkdir("Resource", 0755), 0);
  ASSERT_EQ(mkdir("Resource/SE", 0755), 0);
  testsupport::WriteFile("Resource/SE/Hit.WAV", "hit");
  testsupport::WriteFile("Resource/\xe6\x95\xb0.dat", "gbk-5c");          // 数 = GBK 0xCAFD
  testsupport::WriteFile(dir_.File("Resource/\xe7\xa5\x9e.dat"), "god");  // 神 = GBK 0xC9F1
  struct Case {
    const char* path;
    const char* want;
  } cases[] = {
      {"Resource\\SE\\Hit.WAV", "hit"},
      {"Resource\\SE\\hit.wav", "hit"},
      {"resource\\se\\HIT.wav", "hit"},
      {"Resource/SE/hit.wav", "hit"},
      {"Resource\\\xca\xfd.dat", "gbk-5c"},
      {"Resource\\\xc9\xf1.DAT", "god"},
      {"Resource\\SE\\missing.wav", "<none>"},
      {"Resource\\SE", "<none>"},
      {"", "<none>"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadAll(c.path), c.want) << c.path;
}

TEST_F(FileAccessTest, TrailByte5CIsNotASeparator) {
  // GBK 0x955C is one character whose second byte is '\\'.
  std::string name;
  ASSERT_TRUE(morrow::MapGamePath("\x95\x5c.bin", &name));
  EXPECT_EQ(name.find('/'), std::string::npos);
  testsupport::WriteFile(name, "trail");
  EXPECT_EQ(ReadAll("\x95\x5c.bin"), "trail");
  std::string nested;
  ASSERT_TRUE(morrow::MapGamePath("a\\\x95\x5c\\b", &nested));
  EXPECT_EQ(std::count(nested.begin(), nested.end(), '/'), 2);
}

TEST_F(FileAccessTest, OverlongPathsAreRefused) {
  std::string longPath(morrow::kMaxPathBytes, 'a');
  std::string out;
  EXPECT_FALSE(morrow::MapGamePath(longPath.c_str(), &out));
  EXPECT_EQ(morrow::StreamOpen(longPath.c_str(), 0, 1), nullptr);
  char small[4];
  EXPECT_EQ(morrow::GetCurrentDir(small, sizeof small), -1);
  char big[morrow::kMaxPathBytes];
  EXPECT_EQ(morrow::GetCurrentDir(big, sizeof big), 0);
  EXPECT_EQ(std::string(big), dir_.path());
}

// The library and the game read regular files only, opened without waiting: a named pipe with no
// writer, a device or a folder in a file's place opens nothing, at once, and the game's own reads
// learn whether nothing was there or something else.
TEST_F(FileAccessTest, OnlyRegularFilesOpenAndNoneWaits) {
  struct Case {
    std::string name;
    int error;
    const char* bytes;
  };
  testsupport::WriteFile("file.wav", "wave");
  std::vector<Case> cases = {{"missing.wav", ENOENT, "<none>"}, {"file.wav", 0, "wave"}};
  for (const testsupport::NotAFile& n : testsupport::kNotAFile) {
    cases.push_back({std::string(n.name) + ".wav", 0, "<none>"});
    n.make(cases.back().name);
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string read;
    int error = -1;
    int64_t size = -1;
    FILE* file = nullptr;
    EXPECT_TRUE(testsupport::ReturnsWithoutThePipesOtherEnd(dir_.File(c.name), [&] {
      read = ReadAll(c.name.c_str());
      file = morrow::OpenGameInput(c.name, &error, &size);
    })) << "an open waited for a writer";
    EXPECT_EQ(read, c.bytes);
    EXPECT_EQ(file != nullptr, read != "<none>");
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(size, file != nullptr ? 4 : 0);
    if (file != nullptr) std::fclose(file);
  }
}

int g_opens = 0;
void* CountingOpen(const char* path, int, int) {
  ++g_opens;
  return std::fopen(path, "rb");
}
int OtherIdle(void*) {
  return 1;
}

TEST_F(FileAccessTest, ReplaceableTableAndDefaultTest) {
  EXPECT_EQ(morrow::IsDefaultFileAccess(), 1);
  testsupport::WriteFile("x.bin", "xyz");
  morrow::FileAccessFunctions t{};
  t.open = CountingOpen;
  t.close = [](void* h) { return std::fclose(static_cast<FILE*>(h)); };
  t.tell = [](void* h) -> int64_t { return std::ftell(static_cast<FILE*>(h)); };
  t.seek = [](void* h, int64_t o, int w) { return std::fseek(static_cast<FILE*>(h), o, w); };
  t.read = [](void* b, size_t s, size_t c, void* h) {
    return std::fread(b, s, c, static_cast<FILE*>(h));
  };
  t.eof = [](void* h) { return std::feof(static_cast<FILE*>(h)); };
  t.idle = OtherIdle;
  t.setDirectory = [](const char*) { return 0; };
  t.getDirectory = [](char*, size_t) { return -1; };
  morrow::SetFileAccessTable(&t);
  EXPECT_EQ(morrow::IsDefaultFileAccess(), 0);
  g_opens = 0;
  EXPECT_EQ(ReadAll("x.bin"), "xyz");
  EXPECT_EQ(g_opens, 1);
  morrow::SetFileAccessTable(nullptr);
  EXPECT_EQ(morrow::IsDefaultFileAccess(), 1);
}

}  // namespace
