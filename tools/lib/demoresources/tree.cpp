#include "tools/lib/demoresources/tree.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
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

// A file of the tree and how its bytes are made: false with a reason when they cannot be.
struct TreeFile {
  std::string file;
  std::function<bool(std::string* bytes, std::string* error)> make;
};

// Every file but the pictures, in the order they are written: the mark last.
std::vector<TreeFile> OtherFiles() {
  auto from = [](std::function<std::string()> make) {
    return [make = std::move(make)](std::string* bytes, std::string*) {
      *bytes = make();
      return true;
    };
  };
  std::vector<TreeFile> files;
  const std::vector<std::string> sounds = DemoSoundFiles();
  for (size_t i = 0; i < sounds.size(); ++i) {
    files.push_back({sounds[i], from([i] { return MakeSound(static_cast<int>(i)); })});
  }
  for (int n = 0; n < kMusicCount; ++n) {
    files.push_back({MusicFile(n), from([n] { return MakeMusic(n); })});
  }
  for (int n = 0; n < kMapCount; ++n) {
    files.push_back({MapFile(n), from([n] { return MakeMap(n); })});
  }
  for (const DemoScript& s : DemoScripts()) {
    files.push_back({s.file, from([&s] { return MakeScript(s); })});
  }
  files.push_back({kTreeMark, from([] { return std::string(kTreeMarkText); })});
  return files;
}

// Runs work(i) for every i below count on every core (up to 16 threads), each index once and
// started in rising order; once work(i) returns false no index above i is started. The lowest i
// for which work returned false, or count. Each thread holds one index at a time, so what work
// keeps in memory is bounded by the number of threads.
size_t OnEveryCore(size_t count, const std::function<bool(size_t)>& work) {
  std::atomic<size_t> next{0};
  std::atomic<size_t> lowest{count};
  auto run = [&] {
    for (size_t i = next++; i < lowest; i = next++) {
      if (work(i)) continue;
      size_t seen = lowest;
      while (i < seen && !lowest.compare_exchange_weak(seen, i)) {
      }
    }
  };
  unsigned threads = std::thread::hardware_concurrency();
  if (threads == 0) threads = 1;
  if (threads > 16) threads = 16;
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t) pool.emplace_back(run);
  run();
  for (std::thread& t : pool) t.join();
  return lowest;
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
  std::vector<std::string> why(pictures.size());
  const size_t failed = OnEveryCore(pictures.size(), [&](size_t i) {
    if (stopped()) return Fail(&why[i], "stopped");
    return WritePng(root + "/" + pictures[i].file, DrawPicture(pictures[i]), &why[i]);
  });
  if (failed < pictures.size()) return Fail(error, why[failed]);
  std::string bytes;
  for (const TreeFile& f : OtherFiles()) {
    if (stopped()) return Fail(error, "stopped");
    if (!f.make(&bytes, error) || !WriteBytes(root + "/" + f.file, bytes, error)) return false;
  }
  return !stopped() || Fail(error, "stopped");
}

// The first entry of DIR/Resource (relative to DIR) whose name or kind this tool would not have
// written, or "" when there is none: anything but the tree's folders and its regular files. Only
// the names and kinds are looked at; nothing is opened but folders.
std::string ForeignEntry(const fs::path& dir) {
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
  }
  return ec ? "Resource" : "";
}

enum class Holds { kOwn, kForeign, kFailed };

// Whether `path` holds what this tool writes there: nothing, or `file`'s new bytes or their first
// part. The bytes are made only for a file that is there and not empty, and read as far as they
// go. The file is opened without following a link and without waiting, so a pipe or a device that
// took a checked file's place is not the tool's and is never read.
Holds CompareFile(const fs::path& path, const TreeFile& file, std::string* error) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? Holds::kOwn : Holds::kForeign;
  struct stat st {};
  Holds holds = Holds::kOwn;
  std::string made;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    holds = Holds::kForeign;
  } else if (st.st_size > 0 && !file.make(&made, error)) {
    *error = path.string() + ": " + *error;
    holds = Holds::kFailed;
  } else if (st.st_size > 0) {
    char buffer[1 << 14];
    for (size_t at = 0;;) {
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n == 0) break;
      if (n < 0 || made.size() - at < static_cast<size_t>(n) ||
          std::memcmp(buffer, made.data() + at, static_cast<size_t>(n)) != 0) {
        holds = Holds::kForeign;
        break;
      }
      at += static_cast<size_t>(n);
    }
  }
  close(fd);
  return holds;
}

// Sets `foreign` to the first file of DIR/Resource, in the order the check takes them (the cheap
// files first, the pictures last), whose bytes are not the tool's, or "" when every one is; the
// names must have passed ForeignEntry. Nothing is written: each file's new bytes are made in
// memory, one file a thread at a time. False when `stop` said so or bytes could not be made.
bool ForeignContent(const fs::path& dir, const std::function<bool()>& stop, std::string* foreign,
                    std::string* error) {
  foreign->clear();
  auto stopped = [&] { return stop && stop(); };
  // The maps are made from the game's own tables, which are not to be shared between threads;
  // these files are few and quick, so they go on one thread, as when they are written.
  for (const TreeFile& f : OtherFiles()) {
    if (stopped()) return Fail(error, "stopped");
    const Holds holds = CompareFile(dir / f.file, f, error);
    if (holds == Holds::kFailed) return false;
    if (holds == Holds::kForeign) {
      *foreign = f.file;
      return true;
    }
  }
  const std::vector<DemoPicture>& pictures = DemoPictures();
  std::vector<Holds> holds(pictures.size(), Holds::kOwn);
  std::vector<std::string> why(pictures.size());
  const size_t first = OnEveryCore(pictures.size(), [&](size_t i) {
    const DemoPicture& p = pictures[i];
    if (stopped()) {
      holds[i] = Holds::kFailed;
      why[i] = "stopped";
    } else {
      const TreeFile file = {p.file, [&p](std::string* bytes, std::string* reason) {
                               return EncodePng(DrawPicture(p), bytes, reason);
                             }};
      holds[i] = CompareFile(dir / p.file, file, &why[i]);
    }
    return holds[i] == Holds::kOwn;
  });
  if (first == pictures.size()) return true;
  if (holds[first] == Holds::kFailed) return Fail(error, why[first]);
  *foreign = pictures[first].file;
  return true;
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
  // Whether the tree there is this tool's is settled before anything is written, so real
  // resources cost neither room nor time: names first, which costs nothing and shows most trees
  // that are not this tool's, then the bytes of each file.
  if (replace) {
    std::string foreign = ForeignEntry(root);
    if (foreign.empty() && !ForeignContent(root, stop, &foreign, error)) {
      return TreeWrite::kFailed;
    }
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
  // Something put into the tree while the new one was built is not swapped away with it; the
  // names are checked again, as they cost nothing.
  if (replace) {
    const std::string foreign = ForeignEntry(root);
    if (!foreign.empty()) return kept(foreign);
  }
  if (!PutInPlace(staging.path() / "Resource", target, replace, error)) return TreeWrite::kFailed;
  return TreeWrite::kDone;
}

}  // namespace demo
