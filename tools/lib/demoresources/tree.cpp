#include "tools/lib/demoresources/tree.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/output_file.h"
#include "tools/lib/demoresources/canvas.h"
#include "tools/lib/demoresources/content.h"
#include "tools/lib/demoresources/inventory.h"

namespace demo {

namespace {

namespace fs = std::filesystem;

bool Fail(std::string* error, const std::string& why) {
  *error = why;
  return false;
}

bool WriteBytes(const std::string& path, const std::string& bytes, std::string* error) {
  return platform::WriteWholeFile(path, bytes.data(), bytes.size(), error);
}

// A folder of DIR that a run builds its tree in, locked for as long as it lives and removed with
// everything in it when it goes.
class Staging {
 public:
  explicit Staging(const fs::path& dir) {
    std::string pattern = (dir / (std::string(kStagingPrefix) + "XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
      error_ = std::strerror(errno);
      return;
    }
    path_ = pattern;
    lock_ = open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock_ < 0 || flock(lock_, LOCK_EX | LOCK_NB) != 0) error_ = std::strerror(errno);
  }
  ~Staging() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
    if (lock_ >= 0) close(lock_);
  }
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;

  const std::string& error() const { return error_; }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
  int lock_ = -1;
  std::string error_;
};

// Staging folders in DIR that no running tool holds: killed runs left them.
void RemoveAbandonedStaging(const fs::path& dir) {
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(kStagingPrefix, 0) != 0 || !entry.is_directory(ec) || entry.is_symlink(ec)) {
      continue;
    }
    const int fd = open(entry.path().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) fs::remove_all(entry.path(), ec);
    close(fd);
  }
}

// Every file of the inventory into root/Resource, then the mark. `stop` is asked between files.
bool WriteTreeFiles(const std::string& root, const std::function<bool()>& stop,
                    std::string* error) {
  std::error_code ec;
  for (const char* folder : {"Resource/SE", "Resource/Bgm", "Resource/Mpd", "Resource/Srd",
                             "Resource/NLG", "Resource/Fnt"}) {
    fs::create_directories(root + "/" + folder, ec);
    if (ec) return Fail(error, "cannot make " + root + "/" + folder + ": " + ec.message());
  }
  auto stopped = [&] { return stop && stop(); };
  // Pictures are most of the work: drawn and compressed on every core, each file by one thread.
  const std::vector<DemoPicture>& pictures = DemoPictures();
  std::atomic<size_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex failure;
  std::string firstError;
  auto work = [&] {
    for (size_t i = next++; i < pictures.size() && !failed && !stopped(); i = next++) {
      std::string why;
      if (!WritePng(root + "/" + pictures[i].file, DrawPicture(pictures[i]), &why)) {
        std::lock_guard<std::mutex> lock(failure);
        if (firstError.empty()) firstError = why;
        failed = true;
      }
    }
  };
  unsigned threads = std::thread::hardware_concurrency();
  if (threads == 0) threads = 1;
  if (threads > 16) threads = 16;
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
  if (failed) return Fail(error, firstError);
  struct Other {
    std::string file;
    std::function<std::string()> make;
  };
  std::vector<Other> others;
  const std::vector<std::string> sounds = DemoSoundFiles();
  for (size_t i = 0; i < sounds.size(); ++i) {
    others.push_back({sounds[i], [i] { return MakeSound(static_cast<int>(i)); }});
  }
  for (int n = 0; n < kMusicCount; ++n)
    others.push_back({MusicFile(n), [n] { return MakeMusic(n); }});
  for (int n = 0; n < kMapCount; ++n) others.push_back({MapFile(n), [n] { return MakeMap(n); }});
  for (const DemoScript& s : DemoScripts()) {
    others.push_back({s.file, [&s] { return MakeScript(s); }});
  }
  others.push_back({kTreeMark, [] { return std::string(kTreeMarkText); }});
  for (const Other& o : others) {
    if (stopped()) return Fail(error, "stopped");
    if (!WriteBytes(root + "/" + o.file, o.make(), error)) return false;
  }
  return !stopped() || Fail(error, "stopped");
}

// The whole content of a file; false when it cannot be read.
bool ReadBytes(const fs::path& path, std::string* out) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  out->clear();
  char buffer[1 << 14];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) out->append(buffer, n);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

// The first entry of DIR/Resource (relative to DIR) that this tool would not have written, or ""
// when there is none: anything but the tree's folders and files, and, once `fresh` (the new tree's
// folder, the one holding Resource/) is given, a file whose bytes are not the first part of its
// new bytes.
std::string ForeignEntry(const fs::path& dir, const fs::path& fresh) {
  std::set<std::string> files;
  std::set<std::string> folders = {"Resource"};
  for (const std::string& f : DemoFiles()) files.insert(f);
  files.insert(kTreeMark);
  for (const std::string& f : files) folders.insert(fs::path(f).parent_path().string());
  std::error_code ec;
  const fs::path tree = dir / "Resource";
  const fs::file_status top = fs::symlink_status(tree, ec);
  if (!fs::is_directory(top)) return "Resource";
  fs::recursive_directory_iterator walk(tree, ec);
  if (ec) return "Resource";
  for (const fs::recursive_directory_iterator end; walk != end; walk.increment(ec)) {
    if (ec) return "Resource";
    const std::string name = fs::relative(walk->path(), dir, ec).generic_string();
    const fs::file_status status = walk->symlink_status(ec);
    if (fs::is_directory(status)) {
      if (folders.count(name) == 0) return name;
      continue;
    }
    if (!fs::is_regular_file(status) || files.count(name) == 0) return name;
    if (fresh.empty()) continue;
    std::string old, made;
    if (!ReadBytes(walk->path(), &old) || !ReadBytes(fresh / name, &made) ||
        made.compare(0, old.size(), old) != 0) {
      return name;
    }
  }
  return ec ? "Resource" : "";
}

// The staged tree takes the name Resource, swapped with the tree there when there is one (which
// then goes with the staging folder).
bool PutInPlace(const fs::path& staged, const fs::path& target, bool replace, std::string* error) {
  const unsigned flags = replace ? RENAME_EXCHANGE : RENAME_NOREPLACE;
  if (renameat2(AT_FDCWD, staged.c_str(), AT_FDCWD, target.c_str(), flags) == 0) return true;
  if (errno == EINVAL && !replace && std::rename(staged.c_str(), target.c_str()) == 0) return true;
  // A file system without the exchange: the old tree is moved into the staging folder first.
  if (errno == EINVAL && replace) {
    const fs::path old = staged.parent_path() / "old";
    if (std::rename(target.c_str(), old.c_str()) == 0) {
      if (std::rename(staged.c_str(), target.c_str()) == 0) return true;
      const int why = errno;
      std::rename(old.c_str(), target.c_str());
      errno = why;
    }
  }
  return Fail(error,
              "cannot put the tree in place as " + target.string() + ": " + std::strerror(errno));
}

}  // namespace

TreeWrite WriteDemoTree(const std::string& dir, std::string* error,
                        const std::function<bool()>& stop) {
  const fs::path root = dir.empty() ? fs::path(".") : fs::path(dir);
  std::error_code ec;
  if (!fs::is_directory(root, ec)) {
    *error = "cannot write into " + root.string() + ": " +
             (fs::exists(root, ec) ? std::string("not a folder") : std::strerror(ENOENT));
    return TreeWrite::kFailed;
  }
  RemoveAbandonedStaging(root);
  const fs::path target = root / "Resource";
  const bool replace = fs::exists(fs::symlink_status(target, ec));
  auto kept = [&](const std::string& entry) {
    *error =
        target.string() +
        (entry == "Resource" ? std::string(": not a folder make-demo-resources wrote")
                             : ": holds " + entry + ", which make-demo-resources did not write") +
        "; left as it is";
    return TreeWrite::kKept;
  };
  // Names first, which costs nothing: most trees that are not this tool's show it at once.
  if (replace) {
    const std::string foreign = ForeignEntry(root, {});
    if (!foreign.empty()) return kept(foreign);
  }
  Staging staging(root);
  if (!staging.error().empty()) {
    *error = "cannot make a staging folder in " + root.string() + ": " + staging.error();
    return TreeWrite::kFailed;
  }
  if (!WriteTreeFiles(staging.path().string(), stop, error)) {
    // The reason names the file by where it was going.
    const std::string staged = staging.path().string();
    if (const size_t at = error->find(staged); at != std::string::npos) {
      error->replace(at, staged.size(), root.string());
    }
    return TreeWrite::kFailed;
  }
  if (replace) {
    const std::string foreign = ForeignEntry(root, staging.path());
    if (!foreign.empty()) return kept(foreign);
  }
  if (!PutInPlace(staging.path() / "Resource", target, replace, error)) return TreeWrite::kFailed;
  return TreeWrite::kDone;
}

}  // namespace demo
