#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/env.h"

namespace platform {

std::string InstanceLock::PathFor(const std::string& name) {
  if (auto runtime = EnvSetting("XDG_RUNTIME_DIR")) return *runtime + "/" + name + ".lock";
  std::string tmp = EnvSetting("TMPDIR").value_or("/tmp");
  return tmp + "/" + name + "-" + std::to_string(static_cast<unsigned long>(getuid())) + ".lock";
}

bool InstanceLock::Acquire(const std::string& name) {
  if (fd_ >= 0) return true;
  std::string path = PathFor(name);
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    // Without a lock file the check cannot be made; starting is better than refusing to.
    std::fprintf(stderr, "morrow: cannot open %s: %s\n", path.c_str(), std::strerror(errno));
    return true;
  }
  int r;
  do {
    r = flock(fd, LOCK_EX | LOCK_NB);
  } while (r != 0 && errno == EINTR);
  if (r != 0) {
    int err = errno;
    close(fd);
    if (err == EWOULDBLOCK) return false;
    std::fprintf(stderr, "morrow: cannot lock %s: %s\n", path.c_str(), std::strerror(err));
    return true;
  }
  fd_ = fd;
  return true;
}

void InstanceLock::Release() {
  if (fd_ < 0) return;
  flock(fd_, LOCK_UN);
  close(fd_);
  fd_ = -1;
}

}  // namespace platform
