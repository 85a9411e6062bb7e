#include "morrow/system/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/directory.h"
#include "tests/support/pipe_watch.h"
#include "tests/support/temp_dir.h"

namespace {

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::InstallClock(&clock_);
    platform::SetDebugOutputSink([this](std::string_view t) { mirror_ += t; });
    morrow::SetLogDirectory(dir_.path());
  }
  void TearDown() override {
    morrow::SetLogDirectory("");
    platform::SetDebugOutputSink({});
    platform::InstallClock(nullptr);
  }
  std::string Log() const { return testsupport::ReadFile(dir_.File("AppLog.txt")); }

  platform::FakeClock clock_{5'000'000};
  testsupport::TempDir dir_;
  std::string mirror_;
};

TEST_F(LogTest, StampsTabsAndContinuedLines) {
  morrow::WriteLog("before");  // a stale file from an earlier run is truncated at start
  clock_.Advance(1000);
  ASSERT_EQ(morrow::StartLogFile(), 0);
  mirror_.clear();
  clock_.Advance(12'000);
  EXPECT_EQ(morrow::WriteLog("first "), -1);
  clock_.Advance(3'000);
  EXPECT_EQ(morrow::WriteLog("continued\n"), -1);
  morrow::IncreaseLogIndent();
  morrow::IncreaseLogIndent();
  clock_.Advance(500);
  morrow::WriteLog("indented\n");
  morrow::DecreaseLogIndent();
  morrow::DecreaseLogIndent();
  morrow::DecreaseLogIndent();  // stays at 0
  morrow::WriteLog("");
  morrow::WriteLog("after empty\n");
  EXPECT_EQ(morrow::WriteLogFormat("%d-%s", 7, "x"), -1);
  EXPECT_EQ(Log(), "12:first continued\n15:\t\tindented\n15:after empty\n15:7-x\n");
  // The debugger copy gets the tabs and texts but never the stamps.
  EXPECT_EQ(mirror_, "first continued\n\t\tindented\nafter empty\n7-x\n");
}

TEST_F(LogTest, SilentBeforeTheDirectoryIsSet) {
  morrow::SetLogDirectory("");
  EXPECT_EQ(morrow::WriteLog("nothing\n"), -1);
  EXPECT_TRUE(mirror_.empty());
}

TEST_F(LogTest, UnwritableDirectoryDropsTheTextAndKeepsRunning) {
  if (geteuid() == 0) {
    // root writes anywhere; use a path that cannot be a directory instead
    morrow::SetLogDirectory(dir_.File("no/such/dir"));
  } else {
    chmod(dir_.path().c_str(), 0500);
  }
  std::string before;
  ASSERT_TRUE(platform::GetCurrentDirectory(&before));
  EXPECT_EQ(morrow::StartLogFile(), 0);
  EXPECT_EQ(morrow::WriteLog("lost\n"), -1);
  EXPECT_EQ(morrow::WriteLogFormat("%s", "lost too"), -1);
  EXPECT_TRUE(mirror_.empty());
  std::string after;
  ASSERT_TRUE(platform::GetCurrentDirectory(&after));
  EXPECT_EQ(before, after);
}

// A named pipe at the log's name is never written: a start neither waits for a reader nor, with
// one there, gives it a byte; and the pipe stays.
TEST_F(LogTest, ANamedPipeInTheLogsPlaceIsNotWritten) {
  const std::string log = dir_.File("AppLog.txt");
  ASSERT_EQ(mkfifo(log.c_str(), 0600), 0);
  const auto startAndWrite = [] {
    morrow::StartLogFile();
    morrow::WriteLog("lost\n");
  };
  EXPECT_TRUE(testsupport::ReturnsWithoutThePipesOtherEnd(log, startAndWrite))
      << "the log's open waited for a reader";
  const int reader = open(log.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  startAndWrite();
  char byte = 0;
  EXPECT_EQ(read(reader, &byte, 1), 0) << "the pipe was given bytes";
  close(reader);
  struct stat st {};
  ASSERT_EQ(lstat(log.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(LogTest, LongDirectoryPath) {
  std::string deep = dir_.path();
  while (deep.size() < 600) {
    deep += "/abcdefghijklmnopqrstuvwxyz0123456789";
    ASSERT_EQ(mkdir(deep.c_str(), 0700), 0);
  }
  morrow::SetLogDirectory(deep);
  morrow::StartLogFile();
  morrow::WriteLog("deep\n");
  EXPECT_EQ(testsupport::ReadFile(deep + "/AppLog.txt"), "0:deep\n");
}

TEST_F(LogTest, FormatIsBoundedAndKeepsItsNewline) {
  morrow::StartLogFile();
  std::string huge(5000, 'a');
  morrow::WriteLogFormat("%s%s", huge.c_str(), huge.c_str());
  std::string log = Log();
  ASSERT_EQ(log.substr(0, 2), "0:");
  EXPECT_EQ(log.size(), 2u + 1023u);
  EXPECT_EQ(log.back(), '\n');
  EXPECT_EQ(log.find('\n'), log.size() - 1);
}

TEST_F(LogTest, TruncationNeverSplitsACharacter) {
  morrow::StartLogFile();
  // Each "あ" is three bytes, so 1022 bytes of room ends in the middle of one.
  std::string text;
  for (int i = 0; i < 400; ++i) text += "あ";
  morrow::WriteLogFormat("%s", text.c_str());
  std::string body = Log().substr(2);
  ASSERT_EQ(body.back(), '\n');
  body.pop_back();
  EXPECT_EQ(body.size() % 3, 0u);
  EXPECT_EQ(body.size(), 1020u);
}

TEST_F(LogTest, LogTextConvertsGbkNames) {
  EXPECT_EQ(morrow::LogText("\xc4\xe3.bmp"), "你.bmp");
  EXPECT_EQ(morrow::LogText(nullptr), "");
}

using LogDeathTest = LogTest;

TEST_F(LogDeathTest, ExitWithErrorWritesItsReasonAndExitsWithMinusOne) {
  morrow::StartLogFile();
  EXPECT_EXIT(morrow::ExitWithError("broken"), ::testing::ExitedWithCode(255), "");
  EXPECT_EQ(Log(), "0:broken\n0:ソフトをエラー終了します");
}

TEST_F(LogDeathTest, ExitWithErrorFormat) {
  morrow::StartLogFile();
  EXPECT_EXIT(morrow::ExitWithErrorFormat("code %d", 42), ::testing::ExitedWithCode(255), "");
  EXPECT_EQ(Log(), "0:code 42\n0:ソフトをエラー終了します");
}

}  // namespace
