// Every test program runs with a runtime folder of its own: the library's single-instance lock
// lives there, so a game or another test program running beside this one never holds it.
// Linked into each test program; the folder is made before main and removed after it.
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace {

class RuntimeDir {
 public:
  RuntimeDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "morrow-runtime-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return;
    path_ = pattern;
    setenv("XDG_RUNTIME_DIR", path_.c_str(), 1);
  }
  ~RuntimeDir() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  RuntimeDir(const RuntimeDir&) = delete;
  RuntimeDir& operator=(const RuntimeDir&) = delete;

 private:
  std::string path_;
};

const RuntimeDir g_runtimeDir;

}  // namespace
