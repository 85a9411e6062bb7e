#include "tools/lib/toolrun/workers.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace toolrun {

std::string RunAtOnce(size_t count, const std::function<void(size_t)>& work,
                      const std::function<void()>& stop) {
  if (count == 0) return "";
  std::vector<std::thread> started;
  started.reserve(count - 1);
  std::string reason;
  for (size_t k = 0; k + 1 < count && reason.empty(); ++k) {
    try {
      started.emplace_back([&work, k] { work(k); });
    } catch (const std::system_error& e) {
      reason = e.code().message();
    } catch (const std::bad_alloc&) {
      // The thread's own state could not be allocated: the same end, in the same words.
      reason = std::strerror(ENOMEM);
    }
  }
  // A thread left joinable would end the process where it stands: every started one is joined,
  // whatever the calling thread's share threw.
  auto joinAll = [&] {
    for (std::thread& t : started) t.join();
  };
  if (!reason.empty()) {
    if (stop) stop();
    joinAll();
    return reason;
  }
  try {
    work(count - 1);
  } catch (...) {
    if (stop) stop();
    joinAll();
    throw;
  }
  joinAll();
  return "";
}

std::string CannotStartThread(const std::string& reason) {
  return "cannot start a thread: " + reason;
}

}  // namespace toolrun
