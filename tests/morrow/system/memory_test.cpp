#include "morrow/system/memory.h"

#include <cstring>

#include <gtest/gtest.h>

namespace {

TEST(Memory, ZeroMemoryIsZero) {
  auto* p = static_cast<unsigned char*>(morrow::AllocateZeroMemory(257));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 257; ++i) ASSERT_EQ(p[i], 0);
  morrow::FreeMemory(p);
  void* q = morrow::AllocateMemory(0);
  EXPECT_NE(q, nullptr);
  morrow::FreeMemory(q);
}

TEST(Strings, CopyAndAppendAreBounded) {
  struct Case {
    const char* start;
    const char* src;
    bool append;
    size_t size;
    const char* want;
    int result;
  } cases[] = {
      {"", "abc", false, 8, "abc", 0},           {"xyz", "", false, 8, "", 0},
      {"", "abcdefgh", false, 8, "abcdefg", -1}, {"", "abcdefg", false, 8, "abcdefg", 0},
      {"ab", "cd", true, 8, "abcd", 0},          {"abcd", "efghij", true, 8, "abcdefg", -1},
      {"abcdefg", "x", true, 8, "abcdefg", -1},  {"", "abc", false, 1, "", -1},
  };
  for (const Case& c : cases) {
    char buf[16];
    std::memset(buf, 'Z', sizeof buf);
    std::strcpy(buf, c.start);
    int r = c.append ? morrow::AppendString(buf, c.size, c.src)
                     : morrow::CopyString(buf, c.size, c.src);
    EXPECT_EQ(r, c.result) << c.start << " + " << c.src;
    EXPECT_STREQ(buf, c.want);
    EXPECT_EQ(buf[c.size], 'Z') << "wrote past the destination";
  }
  EXPECT_EQ(morrow::CopyString(nullptr, 4, "a"), -1);
}

TEST(Strings, AppendToAnUnterminatedBufferTerminatesIt) {
  char buf[5] = {'a', 'b', 'c', 'd', 'e'};
  EXPECT_EQ(morrow::AppendString(buf, sizeof buf, "x"), -1);
  EXPECT_STREQ(buf, "abcd");
}

}  // namespace
