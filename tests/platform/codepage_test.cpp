#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

TEST(Codepage, GbkRoundTrip) {
  const std::string gbk = "\xc4\xe3\xba\xc3";  // 你好
  EXPECT_EQ(platform::GbkToUtf8(gbk), "你好");
  EXPECT_EQ(platform::Utf8ToGbk("你好"), gbk);
  EXPECT_EQ(platform::GbkToUtf8("plain ascii"), "plain ascii");
}

TEST(Codepage, TrailByteBackslashStaysInsideItsCharacter) {
  // 0x955C has 0x5C ('\\') as its second byte; it must convert as one character.
  std::string utf8 = platform::GbkToUtf8("\x95\x5c");
  EXPECT_EQ(utf8.find('\\'), std::string::npos);
  EXPECT_EQ(platform::Utf8ToGbk(utf8), "\x95\x5c");
}

TEST(Codepage, InvalidBytesBecomeQuestionMarks) {
  EXPECT_EQ(platform::GbkToUtf8("a\xff"
                                "b"),
            "a?b");
  EXPECT_EQ(platform::GbkToUtf8("x\x81"), "x?");  // a lone lead byte at the end
  EXPECT_EQ(platform::Utf8ToGbk("a\xc3"), "a?");  // a cut UTF-8 sequence
}

}  // namespace
