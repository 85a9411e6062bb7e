#include "platform/clock.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <string>

#include <sched.h>
#include <time.h>

#include "platform/env.h"

namespace platform {
namespace {

void SleepForReal(int64_t us) {
  if (us <= 0) {
    sched_yield();
    return;
  }
  timespec ts{static_cast<time_t>(us / 1000000), static_cast<long>((us % 1000000) * 1000)};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

class RealClock : public Clock {
 public:
  int64_t NowMicroseconds() override {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    // Seconds and nanoseconds are combined separately, so nothing overflows for centuries.
    return int64_t{ts.tv_sec} * 1000000 + ts.tv_nsec / 1000;
  }
  void SleepMicroseconds(int64_t us) override { SleepForReal(us); }
  void SleepUntilMicroseconds(int64_t deadline) override {
    if (deadline < 0) return;
    const timespec ts{static_cast<time_t>(deadline / 1000000),
                      static_cast<long>((deadline % 1000000) * 1000)};
    // An absolute wait on the clock NowMicroseconds reads: a signal that interrupts it resumes the
    // same wait, and it never ends before the deadline.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
  }
  void Yield() override { sched_yield(); }
  LocalDateTime LocalNow() override {
    time_t t = time(nullptr);
    tm parts{};
    localtime_r(&t, &parts);
    return LocalDateTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                         parts.tm_hour,        parts.tm_min,     parts.tm_sec};
  }
};

// Every read moves time on by 50 microseconds; every sleep by its full length, at once.
constexpr int64_t kVirtualStepPerRead = 50;

// The virtual clock: a fake clock stepped on every read, whose idle waits also pass in real time.
class VirtualClock : public FakeClock {
 public:
  VirtualClock() : FakeClock(0, kVirtualStepPerRead) {}
  void Idle(int64_t us) override {
    SleepMicroseconds(us);
    SleepForReal(us);
  }
};

Clock* EnvironmentClock() {
  static RealClock real;
  static VirtualClock virtualClock;
  static Clock* chosen = []() -> Clock* {
    auto v = EnvSetting("MORROW_CLOCK");
    if (!v) return &real;
    std::string s = *v;
    if (s == "virtual") return &virtualClock;
    if (s.rfind("virtual:", 0) == 0) {
      LocalDateTime d;
      if (ParseDateTime(s.c_str() + 8, &d)) {
        virtualClock.SetDate(d);
        return &virtualClock;
      }
    }
    ReportBadSetting("MORROW_CLOCK", s, "virtual or virtual:YYYY-MM-DDThh:mm:ss");
    return &real;
  }();
  return chosen;
}

Clock* g_installed = nullptr;

int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int* y, int* m, int* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yoe + era * 400 + (*m <= 2));
}

}  // namespace

Clock& CurrentClock() {
  return g_installed != nullptr ? *g_installed : *EnvironmentClock();
}

void InstallClock(Clock* clock) {
  g_installed = clock;
}

LocalDateTime FakeClock::LocalNow() {
  int64_t seconds = now_ >= 0 ? now_ / 1000000 : -((-now_ + 999999) / 1000000);
  return AddSeconds(date_, seconds);
}

bool ParseDateTime(const char* text, LocalDateTime* out) {
  int y, mo, d, h, mi, s;
  char tail;
  if (std::sscanf(text, "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6) {
    return false;
  }
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || mo < 1 || mo > 12 || d < 1 || d > kDays[mo - 1] || h < 0 || h > 23 || mi < 0 ||
      mi > 59 || s < 0 || s > 59) {
    return false;
  }
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (mo == 2 && d == 29 && !leap) return false;
  *out = LocalDateTime{y, mo, d, h, mi, s};
  return true;
}

LocalDateTime AddSeconds(const LocalDateTime& d, int64_t seconds) {
  int64_t total = DaysFromCivil(d.year, d.month, d.day) * 86400 + d.hour * 3600 + d.minute * 60 +
                  d.second + seconds;
  int64_t days = total >= 0 ? total / 86400 : -((-total + 86399) / 86400);
  int64_t rest = total - days * 86400;
  LocalDateTime r;
  CivilFromDays(days, &r.year, &r.month, &r.day);
  r.hour = static_cast<int>(rest / 3600);
  r.minute = static_cast<int>(rest / 60 % 60);
  r.second = static_cast<int>(rest % 60);
  return r;
}

}  // namespace platform
