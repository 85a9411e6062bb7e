// A working folder of a fuzz target's own, for targets whose reader takes files from the working
// directory: made once under the temporary directory with the subfolders asked for, removed when
// the program ends. The fuzzer reads its corpus by paths that may be relative, so the folder is
// the working directory only while an InFuzzFolder lives.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>

namespace fuzzsupport {

inline std::string& FuzzFolderPath() {
  static std::string path;
  return path;
}

inline void RemoveFuzzFolder() {
  std::error_code ec;
  std::filesystem::remove_all(FuzzFolderPath(), ec);
}

// The folder, made at the first call (name is the prefix of its name).
inline const std::string& FuzzFolder(const char* name,
                                     std::initializer_list<const char*> subfolders) {
  std::string& path = FuzzFolderPath();
  if (!path.empty()) return path;
  std::string pattern = (std::filesystem::temp_directory_path() / name).string() + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  path = pattern;
  for (const char* sub : subfolders) std::filesystem::create_directories(path + "/" + sub);
  std::atexit(RemoveFuzzFolder);
  return path;
}

class InFuzzFolder {
 public:
  InFuzzFolder() : back_(std::filesystem::current_path()) {
    std::filesystem::current_path(FuzzFolderPath());
  }
  ~InFuzzFolder() { std::filesystem::current_path(back_); }
  InFuzzFolder(const InFuzzFolder&) = delete;
  InFuzzFolder& operator=(const InFuzzFolder&) = delete;

 private:
  std::filesystem::path back_;
};

}  // namespace fuzzsupport
