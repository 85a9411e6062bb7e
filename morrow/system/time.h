// Time, waits, the local date and the random generator.
#pragma once

#include <cstdint>

namespace morrow {

// Milliseconds of the monotonic clock, wrapping in 32 bits. useTsc selects the time-stamp path,
// which on this system reads the same clock.
int32_t GetMillisecondCount(int useTsc);
// Microseconds of the monotonic clock.
int64_t GetHighResolutionCount(int useTsc);
// Waits while pumping messages; returns early when the window is closing. Always 0.
int WaitMilliseconds(int ms);
// Gives the processor away for at least ms milliseconds without pumping messages, on the virtual
// clock too (which also moves on by ms); 0 or less only yields to whatever else is ready to run.
// Always 0.
int SleepThread(int ms);
// Gives the processor away until the high-resolution count reaches `count`, without pumping
// messages; never returns before it. A count already reached returns at once. Always 0.
int SleepUntilHighResolutionCount(int64_t count);
// Year, month, day, hour, minute, second of the local time. Always 0.
int GetLocalDateTime(int32_t out[6]);

// 0..max inclusive for max >= 0 (max + 1 is a signed factor, so -1 and 0 both give 0 and -2
// gives -1 or 0). The generator seeds itself with 4357 when it was never seeded.
int GetRandomNumber(int max);
int SeedRandom(uint32_t seed);
// The next raw 32-bit word of the generator.
uint32_t NextRandomWord();
// What GetRandomNumber(max) will answer `ahead` draws from now (0 the next), without drawing: the
// generator is left as it was. A negative `ahead` answers 0.
int PeekRandomNumber(int max, int ahead);

}  // namespace morrow
