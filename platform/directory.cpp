#include "platform/directory.h"

#include <cerrno>
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

}  // namespace platform
