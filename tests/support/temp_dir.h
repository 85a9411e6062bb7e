// A fresh temporary directory for one test, removed with everything in it at the end.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testsupport {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morrow-test-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    path_ = made != nullptr ? made : "";
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes;
  char block[1 << 16];
  while (in.read(block, sizeof block) || in.gcount() > 0) bytes.append(block, in.gcount());
  return bytes;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The names in a folder, sorted: what a run left beside its files.
inline std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Every entry under a folder with its kind and size, sorted: what a run left there. The library's
// log is left out unless asked for.
inline std::vector<std::string> Listing(const std::string& folder, bool withLog = false) {
  namespace fs = std::filesystem;
  std::vector<std::string> entries;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().lexically_relative(folder).string();
    if (!withLog && name == "AppLog.txt") continue;
    const fs::file_status st = it->symlink_status(ec);
    std::string kind = "other";
    if (fs::is_symlink(st)) {
      kind = "link to " + fs::read_symlink(it->path(), ec).string();
    } else if (fs::is_directory(st)) {
      kind = "folder";
    } else if (fs::is_character_file(st)) {
      kind = "device";
    } else if (fs::is_regular_file(st)) {
      kind = "file of " + std::to_string(fs::file_size(it->path(), ec)) + " bytes";
    }
    entries.push_back(name + ": " + kind);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

}  // namespace testsupport
