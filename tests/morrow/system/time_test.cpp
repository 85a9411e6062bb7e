#include "morrow/system/time.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace {

TEST(Time, ClocksFollowThePlatformClock) {
  platform::FakeClock clock(int64_t{4'294'967'296} * 1000 + 1500);  // just past a 32-bit wrap
  platform::InstallClock(&clock);
  EXPECT_EQ(morrow::GetHighResolutionCount(0), int64_t{4'294'967'296} * 1000 + 1500);
  EXPECT_EQ(morrow::GetMillisecondCount(0), 1);
  clock.Advance(1000);
  EXPECT_EQ(morrow::GetMillisecondCount(1), 2);
  platform::InstallClock(nullptr);
}

TEST(Time, FakeWaitIsInstantAndExact) {
  platform::FakeClock clock(int64_t{0xFFFFFFF0} * 1000);  // the wait crosses the wrap
  platform::InstallClock(&clock);
  EXPECT_EQ(morrow::WaitMilliseconds(51), 0);
  EXPECT_EQ(clock.Peek(), int64_t{0xFFFFFFF0} * 1000 + 51'000);
  EXPECT_EQ(clock.sleeps(), 51);
  morrow::WaitMilliseconds(0);
  morrow::WaitMilliseconds(-5);
  EXPECT_EQ(clock.sleeps(), 51);
  platform::InstallClock(nullptr);
}

TEST(Time, SleepThreadSleepsOrOnlyYields) {
  struct Case {
    int ms;
    int64_t advanced;
    int sleeps;
    int yields;
  } cases[] = {{5, 5000, 1, 0}, {1, 1000, 1, 0}, {0, 0, 0, 1}, {-3, 0, 0, 1}};
  for (const Case& c : cases) {
    platform::FakeClock clock(777);
    platform::InstallClock(&clock);
    EXPECT_EQ(morrow::SleepThread(c.ms), 0);
    EXPECT_EQ(clock.Peek() - 777, c.advanced) << c.ms;
    EXPECT_EQ(clock.sleeps(), c.sleeps) << c.ms;
    EXPECT_EQ(clock.yields(), c.yields) << c.ms;
  }
  platform::InstallClock(nullptr);
}

TEST(Time, RealWaitLastsAtLeastItsLength) {
  int64_t start = platform::NowMicroseconds();
  morrow::WaitMilliseconds(51);
  EXPECT_GE(platform::NowMicroseconds() - start, 51'000);
}

TEST(Time, LocalDateTimeComesFromTheClock) {
  platform::FakeClock clock;
  clock.SetDate(platform::LocalDateTime{2024, 1, 1, 12, 0, 0});
  clock.Advance(int64_t{61} * 1000000);
  platform::InstallClock(&clock);
  int32_t d[6];
  EXPECT_EQ(morrow::GetLocalDateTime(d), 0);
  EXPECT_EQ(d[0], 2024);
  EXPECT_EQ(d[1], 1);
  EXPECT_EQ(d[2], 1);
  EXPECT_EQ(d[3], 12);
  EXPECT_EQ(d[4], 1);
  EXPECT_EQ(d[5], 1);
  platform::InstallClock(nullptr);
}

}  // namespace
