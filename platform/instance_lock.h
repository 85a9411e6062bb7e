// The single-instance claim: an exclusive advisory lock on a file named after the window class,
// in $XDG_RUNTIME_DIR (or, when that is unset, a per-user file in the temporary directory). The
// system drops the lock when the process ends, however it ends.
#pragma once

#include <string>

namespace platform {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock() { Release(); }
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // false only when another process holds the lock; the caller says so (a game and a tool say it
  // differently). true when this process holds it now, and also when no lock can be made at all
  // (reported on stderr): starting beats refusing to.
  bool Acquire(const std::string& name);
  void Release();
  bool held() const { return fd_ >= 0; }

  // Where the lock of a name lives.
  static std::string PathFor(const std::string& name);

 private:
  int fd_ = -1;
};

}  // namespace platform
