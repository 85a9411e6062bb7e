#include "platform/directory.h"

#include <cerrno>
#include <string>
#include <vector>

#include <unistd.h>

namespace platform {

bool GetCurrentDirectory(std::string* out) {
  std::vector<char> buf(4096);
  for (;;) {
    if (getcwd(buf.data(), buf.size()) != nullptr) {
      out->assign(buf.data());
      return true;
    }
    if (errno != ERANGE || buf.size() > (1u << 20)) return false;
    buf.resize(buf.size() * 2);
  }
}

bool SetCurrentDirectory(const std::string& path) {
  return chdir(path.c_str()) == 0;
}

bool GetStreamPath(std::FILE* stream, std::string* out) {
  const int fd = stream != nullptr ? fileno(stream) : -1;
  if (fd < 0) return false;
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  std::vector<char> buf(4096);
  const ssize_t n = readlink(link.c_str(), buf.data(), buf.size());
  if (n <= 0 || static_cast<size_t>(n) >= buf.size()) return false;
  out->assign(buf.data(), static_cast<size_t>(n));
  return true;
}

}  // namespace platform
