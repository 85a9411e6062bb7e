#include "platform/clock.h"

#include <gtest/gtest.h>

namespace {

using platform::LocalDateTime;

TEST(FakeClock, MovesOnlyWhenTold) {
  platform::FakeClock clock(1000);
  EXPECT_EQ(clock.NowMicroseconds(), 1000);
  EXPECT_EQ(clock.NowMicroseconds(), 1000);
  clock.SleepMicroseconds(2500);
  EXPECT_EQ(clock.NowMicroseconds(), 3500);
  clock.SleepMicroseconds(-5);
  EXPECT_EQ(clock.NowMicroseconds(), 3500);
  clock.Advance(10);
  EXPECT_EQ(clock.NowMicroseconds(), 3510);
}

TEST(FakeClock, StepPerReadAdvancesEveryRead) {
  platform::FakeClock clock(0, 50);
  EXPECT_EQ(clock.NowMicroseconds(), 0);
  EXPECT_EQ(clock.NowMicroseconds(), 50);
  EXPECT_EQ(clock.NowMicroseconds(), 100);
}

TEST(FakeClock, DateFollowsFakeTime) {
  platform::FakeClock clock;
  clock.SetDate(LocalDateTime{2024, 2, 28, 23, 59, 30});
  clock.Advance(int64_t{86400 + 45} * 1000000);
  LocalDateTime d = clock.LocalNow();
  EXPECT_EQ(d.year, 2024);
  EXPECT_EQ(d.month, 3);
  EXPECT_EQ(d.day, 1);
  EXPECT_EQ(d.hour, 0);
  EXPECT_EQ(d.minute, 0);
  EXPECT_EQ(d.second, 15);
}

TEST(InstallClock, InstalledClockServesTheFreeFunctions) {
  platform::FakeClock clock(42);
  platform::InstallClock(&clock);
  EXPECT_EQ(platform::NowMicroseconds(), 42);
  platform::SleepMilliseconds(3);
  EXPECT_EQ(platform::NowMicroseconds(), 3042);
  platform::InstallClock(nullptr);
  // The real clock is monotonic.
  int64_t a = platform::NowMicroseconds();
  int64_t b = platform::NowMicroseconds();
  EXPECT_LE(a, b);
}

// A sleep to a deadline ends at it on the fake clock and never before it on the real one; a
// deadline already passed returns at once.
TEST(SleepUntil, NeverWakesBeforeTheDeadline) {
  platform::FakeClock fake(1000);
  fake.SleepUntilMicroseconds(5000);
  EXPECT_EQ(fake.NowMicroseconds(), 5000);
  fake.SleepUntilMicroseconds(4000);
  EXPECT_EQ(fake.NowMicroseconds(), 5000);
  EXPECT_EQ(fake.sleeps(), 2);

  for (int64_t ahead : {-1000, 0, 1, 700, 3000}) {
    const int64_t deadline = platform::NowMicroseconds() + ahead;
    platform::SleepUntilMicroseconds(deadline);
    EXPECT_GE(platform::NowMicroseconds(), deadline) << ahead;
  }
}

TEST(ParseDateTime, AcceptsAndRejects) {
  struct Case {
    const char* text;
    bool ok;
  } cases[] = {
      {"2024-01-01T12:00:00", true},
      {"2000-02-29T23:59:59", true},
      {"2024-13-01T00:00:00", false},
      {"2024-01-32T00:00:00", false},
      {"2024-01-01T24:00:00", false},
      {"2024-01-01", false},
      {"2024-01-01T12:00:00Z", false},
      {"", false},
      // February 29th exists only in leap years.
      {"2001-02-29T00:00:00", false},
      {"1900-02-29T00:00:00", false},
      {"2024-02-29T00:00:00", true},
      {"2023-04-31T00:00:00", false},
  };
  for (const Case& c : cases) {
    LocalDateTime d;
    EXPECT_EQ(platform::ParseDateTime(c.text, &d), c.ok) << c.text;
  }
  LocalDateTime d;
  ASSERT_TRUE(platform::ParseDateTime("2024-01-01T12:34:56", &d));
  EXPECT_EQ(d.year, 2024);
  EXPECT_EQ(d.minute, 34);
  EXPECT_EQ(d.second, 56);
}

TEST(AddSeconds, CrossesYearsBothWays) {
  LocalDateTime d = platform::AddSeconds(LocalDateTime{1999, 12, 31, 23, 59, 59}, 1);
  EXPECT_EQ(d.year, 2000);
  EXPECT_EQ(d.month, 1);
  EXPECT_EQ(d.day, 1);
  EXPECT_EQ(d.hour, 0);
  d = platform::AddSeconds(LocalDateTime{2000, 3, 1, 0, 0, 0}, -1);
  EXPECT_EQ(d.month, 2);
  EXPECT_EQ(d.day, 29);
  EXPECT_EQ(d.second, 59);
}

}  // namespace
