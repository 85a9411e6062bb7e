// Waiting on the state a test is about, never on the clock: the state is looked at again and
// again until it is there. The bound only keeps a fault from holding the suite, and a test that
// meets it fails with a line saying what it waited for. It is generous: a busy machine many times
// slower than a quiet one still sees the state long before it, so meeting it means a fault.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace testsupport {

inline constexpr std::chrono::seconds kSeenWithin{120};

// The line of a test that did not see `what` within `bound`.
inline std::string NotSeen(const std::string& what, std::chrono::seconds bound = kSeenWithin) {
  return what + " was not seen within " + std::to_string(bound.count()) + " s";
}

// Looks at `seen` until it holds, `pause` between looks (none when zero); a failure saying what
// it waited for once `bound` has passed without it.
inline ::testing::AssertionResult SeenWithin(
    const std::string& what, const std::function<bool()>& seen,
    std::chrono::seconds bound = kSeenWithin,
    std::chrono::microseconds pause = std::chrono::milliseconds(1)) {
  const auto giveUp = std::chrono::steady_clock::now() + bound;
  while (!seen()) {
    if (std::chrono::steady_clock::now() >= giveUp) {
      return ::testing::AssertionFailure() << NotSeen(what, bound);
    }
    if (pause.count() > 0) std::this_thread::sleep_for(pause);
  }
  return ::testing::AssertionSuccess();
}

}  // namespace testsupport
