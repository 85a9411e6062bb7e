// Clocks, waits and the local date.
//
// The library measures frames in microseconds, stamps its log in milliseconds and sleeps in
// between. Three back ends stand behind one interface: the real monotonic clock, a fake clock
// that tests advance by hand, and a virtual clock (MORROW_CLOCK=virtual) that makes whole runs
// reproducible: it advances a little on every read and by the full length of every wait, which
// returns at once.
#pragma once

#include <cstdint>

namespace platform {

struct LocalDateTime {
  int year = 2000;  // four digits
  int month = 1;    // 1-12
  int day = 1;      // 1-31
  int hour = 0;     // 0-23
  int minute = 0;
  int second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic time in microseconds from an arbitrary origin; never decreases.
  virtual int64_t NowMicroseconds() = 0;
  virtual void SleepMicroseconds(int64_t us) = 0;
  // Sleeps until NowMicroseconds() reaches the deadline: never wakes before it, and a deadline
  // already passed returns at once. A wait to a deadline does not drift by the time it took to
  // get there.
  virtual void SleepUntilMicroseconds(int64_t deadline) = 0;
  // Gives the processor away without asking for a minimum delay.
  virtual void Yield() = 0;
  // A sleep of a loop that waits on the world outside (a key, the window) rather than on time.
  // It counts as SleepMicroseconds; the virtual clock, whose waits return at once, also really
  // sleeps here, so such a loop does not spin a processor.
  virtual void Idle(int64_t us) { SleepMicroseconds(us); }
  virtual LocalDateTime LocalNow() = 0;
};

// The clock in use: one a test installed, else the one MORROW_CLOCK selects (real when unset).
Clock& CurrentClock();
// Installs a clock (not owned); nullptr goes back to the environment's choice.
void InstallClock(Clock* clock);

inline int64_t NowMicroseconds() {
  return CurrentClock().NowMicroseconds();
}
inline void SleepMicroseconds(int64_t us) {
  CurrentClock().SleepMicroseconds(us);
}
inline void SleepUntilMicroseconds(int64_t deadline) {
  CurrentClock().SleepUntilMicroseconds(deadline);
}
inline void SleepMilliseconds(int ms) {
  CurrentClock().SleepMicroseconds(int64_t{ms} * 1000);
}
inline void IdleMilliseconds(int ms) {
  CurrentClock().Idle(int64_t{ms} * 1000);
}
inline void YieldThread() {
  CurrentClock().Yield();
}
inline LocalDateTime LocalNow() {
  return CurrentClock().LocalNow();
}

// A clock whose time moves only when told: by Advance, by sleeps (which advance by their
// length) and, when a step is set, by every read.
class FakeClock : public Clock {
 public:
  explicit FakeClock(int64_t startMicroseconds = 0, int64_t stepPerRead = 0)
      : now_(startMicroseconds), step_(stepPerRead) {}
  int64_t NowMicroseconds() override {
    int64_t t = now_;
    now_ += step_;
    return t;
  }
  void SleepMicroseconds(int64_t us) override {
    if (us > 0) now_ += us;
    ++sleeps_;
  }
  void SleepUntilMicroseconds(int64_t deadline) override {
    if (deadline > now_) now_ = deadline;
    ++sleeps_;
  }
  void Yield() override { ++yields_; }
  LocalDateTime LocalNow() override;

  void Advance(int64_t us) { now_ += us; }
  void SetNow(int64_t us) { now_ = us; }
  int64_t Peek() const { return now_; }
  void SetStepPerRead(int64_t us) { step_ = us; }
  // The local time at fake time 0; it follows the fake time from there.
  void SetDate(const LocalDateTime& d) { date_ = d; }
  int sleeps() const { return sleeps_; }
  int yields() const { return yields_; }

 private:
  int64_t now_;
  int64_t step_;
  LocalDateTime date_{};
  int sleeps_ = 0;
  int yields_ = 0;
};

// Parses "YYYY-MM-DDThh:mm:ss"; false when malformed or out of range.
bool ParseDateTime(const char* text, LocalDateTime* out);
// The given date moved on by a number of whole seconds (proleptic Gregorian, no time zones).
LocalDateTime AddSeconds(const LocalDateTime& d, int64_t seconds);

}  // namespace platform
