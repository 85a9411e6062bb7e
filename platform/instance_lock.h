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

  // false only when another process holds the lock, said in one line on stderr that names the
  // lock file. true when this process holds it now, and also when no lock can be made at all
  // (reported on stderr): starting beats refusing to.
  bool Acquire(const std::string& name);
  void Release();
  bool held() const { return fd_ >= 0; }

  // Where the lock of a name lives.
  static std::string PathFor(const std::string& name);
  // Whether another process holds the lock of a name now; says nothing. For programs that must
  // know before a start that would end them.
  static bool HeldElsewhere(const std::string& name);

 private:
  int fd_ = -1;
};

}  // namespace platform
