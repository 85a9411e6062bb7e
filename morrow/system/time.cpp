#include "morrow/system/time.h"

#include "morrow/system/library.h"
#include "platform/clock.h"

namespace morrow {

int32_t GetMillisecondCount(int /*useTsc*/) {
  return static_cast<int32_t>(static_cast<uint32_t>(platform::NowMicroseconds() / 1000));
}

int64_t GetHighResolutionCount(int /*useTsc*/) {
  return platform::NowMicroseconds();
}

int WaitMilliseconds(int ms) {
  // Measured in microseconds, so a wait never ends early because its start fell late inside a
  // millisecond.
  int64_t start = GetHighResolutionCount(0);
  if (PumpMessages() != 0) return 0;
  while (GetHighResolutionCount(0) - start < int64_t{ms} * 1000) {
    platform::SleepMilliseconds(1);
    if (PumpMessages() != 0) break;
  }
  return 0;
}

int SleepThread(int ms) {
  if (ms <= 0) {
    platform::YieldThread();
  } else {
    platform::IdleMilliseconds(ms);
  }
  return 0;
}

int SleepUntilHighResolutionCount(int64_t count) {
  platform::SleepUntilMicroseconds(count);
  return 0;
}

int GetLocalDateTime(int32_t out[6]) {
  platform::LocalDateTime d = platform::LocalNow();
  out[0] = d.year;
  out[1] = d.month;
  out[2] = d.day;
  out[3] = d.hour;
  out[4] = d.minute;
  out[5] = d.second;
  return 0;
}

}  // namespace morrow
