// Work shared out between threads that start together, where a thread that cannot start (a
// process limit reached, no room left for its stack) is a failure the tool ends with, never an
// abort: the threads already started are told to end and are joined first.
#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>

namespace toolrun {

// Runs work(k) for every k below `count` at once: each on a thread of its own, but the last,
// which runs on the calling thread once every other has started. "" once all have returned. When
// a thread cannot start, none more is started and the calling thread's share is not begun: stop()
// is called so that the shares under way end soon, their threads are joined, and the reason comes
// back in the system's words ("Resource temporarily unavailable"). Nothing falls back to fewer
// threads: the tool ends with the line CannotStartThread(reason) and status 1.
std::string RunAtOnce(size_t count, const std::function<void(size_t)>& work,
                      const std::function<void()>& stop);

// "cannot start a thread: <reason>".
std::string CannotStartThread(const std::string& reason);

// For work whose callers cannot hand a reason back: thrown once RunAtOnce has joined what it
// started, so that everything the run made goes as it unwinds. what() is CannotStartThread's line;
// the tool catches it, says it and ends with status 1.
class ThreadNotStarted : public std::runtime_error {
 public:
  explicit ThreadNotStarted(const std::string& reason)
      : std::runtime_error(CannotStartThread(reason)) {}
};

}  // namespace toolrun
