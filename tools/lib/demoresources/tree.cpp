#include "tools/lib/demoresources/tree.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <thread>
#include <vector>

#include "platform/output_file.h"
#include "tools/lib/demoresources/canvas.h"
#include "tools/lib/demoresources/content.h"
#include "tools/lib/demoresources/inventory.h"
#include "tools/lib/toolrun/workers.h"

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
    std::string pattern =
        (dir / (std::string(kStagingPrefix) + std::string(platform::kRandomLetters, 'X'))).string();
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
    if (!path_.empty() && !keep_) fs::remove_all(path_, ec);
    if (lock_ >= 0) close(lock_);
  }
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;

  const std::string& error() const { return error_; }
  const fs::path& path() const { return path_; }
  // The folder stays when the run ends, for what it holds is no longer the run's alone.
  void Keep() { keep_ = true; }

 private:
  fs::path path_;
  int lock_ = -1;
  bool keep_ = false;
  std::string error_;
};

// DIR held for the whole of a run (flock), so that two runs in one DIR take turns: the later one
// waits here until the earlier has put its tree in place or given up, and then finds that tree.
// The wait asks `stop` as it goes.
class Turn {
 public:
  Turn() = default;
  ~Turn() {
    // A turn taken through a handed folder ends with the run as one of its own would, although
    // whoever handed it keeps the folder open.
    if (fd_ >= 0 && handed_) flock(fd_, LOCK_UN);
    if (fd_ >= 0) close(fd_);
  }
  Turn(const Turn&) = delete;
  Turn& operator=(const Turn&) = delete;

  bool Take(const fs::path& dir, const std::function<bool()>& stop, std::string* error) {
    fd_ = Handed(dir);
    handed_ = fd_ >= 0;
    if (!handed_) fd_ = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder the user may write and enter but not list cannot be locked: the tree is written
    // there all the same, as it always was, only without waiting for another run.
    if (fd_ < 0 && errno == EACCES) return true;
    if (fd_ < 0) return Fail(error, "cannot lock " + dir.string() + ": " + std::strerror(errno));
    while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) {
        return Fail(error, "cannot lock " + dir.string() + ": " + std::strerror(errno));
      }
      if (stop && stop()) return Fail(error, "stopped");
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }

 private:
  // Standard input, when it is DIR itself as whoever started the run opened it: a lock taken
  // through that very open folder is the one its opener may already hold, not another that would
  // wait for it. So a caller that holds DIR's turn hands it on, and cannot be overtaken between
  // its look at the tree and the run.
  static int Handed(const fs::path& dir) {
    struct stat in {};
    struct stat folder {};
    if (fstat(STDIN_FILENO, &in) != 0 || !S_ISDIR(in.st_mode) || stat(dir.c_str(), &folder) != 0 ||
        in.st_dev != folder.st_dev || in.st_ino != folder.st_ino) {
      return -1;
    }
    return fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
  }

  int fd_ = -1;
  bool handed_ = false;
};

// Staging folders in DIR that no running tool holds: killed runs left them. Only folders of the
// staging folders' own naming go, so a user's folder that merely begins like one stays.
void RemoveAbandonedStaging(const fs::path& dir) {
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
    if (!IsStagingName(entry.path().filename().string()) || !entry.is_directory(ec) ||
        entry.is_symlink(ec)) {
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
// keeps in memory is bounded by the number of threads. A thread that cannot start throws
// toolrun::ThreadNotStarted once the others have finished the index each held.
size_t OnEveryCore(size_t count, const std::function<bool(size_t)>& work) {
  std::atomic<size_t> next{0};
  std::atomic<size_t> lowest{count};
  auto run = [&](size_t) {
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
  const std::string reason = toolrun::RunAtOnce(threads, run, [&] { lowest.store(0); });
  if (!reason.empty()) throw toolrun::ThreadNotStarted(reason);
  return lowest;
}

// Every file of the inventory into root/Resource, then the mark. `stop` is asked between files.
// A reason names the path it could not write, under root.
bool WriteTreeFiles(const std::string& root, const std::function<bool()>& stop,
                    std::string* error) {
  std::error_code ec;
  for (const char* folder : {"Resource/SE", "Resource/Bgm", "Resource/Mpd", "Resource/Srd",
                             "Resource/NLG", "Resource/Fnt"}) {
    fs::create_directories(root + "/" + folder, ec);
    if (ec) return Fail(error, root + "/" + folder + ": " + ec.message());
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

// What keeps a tree at DIR/Resource from being replaced: an entry of it (relative to DIR), "" when
// nothing does.
struct Hold {
  std::string entry;
  int denied = 0;        // errno: the process may not write the entry or remove it
  bool removed = false;  // a file compared is gone since
};

// The line for a tree kept as it is.
std::string KeptLine(const fs::path& target, const Hold& hold) {
  std::string why;
  if (hold.denied != 0) {
    why = "cannot replace " + hold.entry + ": " + std::strerror(hold.denied);
  } else if (hold.removed) {
    why = hold.entry + " was removed while the new tree was built";
  } else if (hold.entry == "Resource") {
    why = "not a folder make-demo-resources wrote";
  } else {
    why = "holds " + hold.entry + ", which make-demo-resources did not write";
  }
  return target.string() + ": " + why + "; left as it is";
}

// Why DIR/Resource may not be replaced, by its entries' names, kinds and permissions alone:
// nothing is opened but folders. The first entry this tool would not have written (anything but
// the tree's folders and regular files), else the first the process could not have written or
// removed, as a plain write and removal would meet it: DIR itself or a folder it may not write and
// enter (so not build in, or not empty), a file it may not write, an entry of a sticky folder
// where neither is its own.
Hold LookAtNames(const fs::path& dir) {
  std::set<std::string> files;
  std::set<std::string> folders = {"Resource"};
  for (const std::string& f : DemoFiles()) files.insert(f);
  files.insert(kTreeMark);
  for (const std::string& f : files) folders.insert(fs::path(f).parent_path().string());
  const uid_t me = geteuid();
  Hold denied;
  // The folders met so far, for their entries' removal.
  std::map<std::string, struct stat> met;
  auto mayReplace = [&](const std::string& name, const fs::path& path, const struct stat& st,
                        const struct stat& in) {
    if (!denied.entry.empty()) return;
    const bool stuck = (in.st_mode & S_ISVTX) != 0 && me != 0 && st.st_uid != me && in.st_uid != me;
    const int need = S_ISDIR(st.st_mode) ? W_OK | X_OK : W_OK;
    if (stuck) {
      denied = {name, EACCES};
    } else if (faccessat(AT_FDCWD, path.c_str(), need, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0) {
      denied = {name, errno};
    }
  };
  const fs::path tree = dir / "Resource";
  struct stat top {};
  struct stat above {};
  if (lstat(tree.c_str(), &top) != 0 || !S_ISDIR(top.st_mode)) return {"Resource"};
  if (stat(dir.c_str(), &above) != 0) return {"Resource", errno};
  // The new tree is built beside the old one and takes its name there: DIR is written too.
  if (faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) != 0) denied = {"Resource", errno};
  mayReplace("Resource", tree, top, above);
  met[tree.string()] = top;
  std::error_code ec;
  fs::recursive_directory_iterator walk(tree, ec);
  if (ec) return {"Resource"};
  for (const fs::recursive_directory_iterator end; walk != end; walk.increment(ec)) {
    if (ec) return {"Resource"};
    const fs::path& path = walk->path();
    const std::string name = path.lexically_relative(dir).generic_string();
    struct stat st {};
    const auto in = met.find(path.parent_path().string());
    if (lstat(path.c_str(), &st) != 0 || in == met.end()) return {name};
    if (S_ISDIR(st.st_mode)) {
      if (folders.count(name) == 0) return {name};
      met[path.string()] = st;
    } else if (!S_ISREG(st.st_mode) || files.count(name) == 0) {
      return {name};
    }
    mayReplace(name, path, st, in->second);
  }
  return ec ? Hold{"Resource"} : denied;
}

enum class Holds { kOwn, kForeign, kFailed };

// A file of the old tree as its bytes were compared: missing, or which file it was (device and
// inode), its kind, size and times of change. A file written, replaced or removed since, or put
// where none was, differs in one of them.
struct Seen {
  bool there = false;
  dev_t device = 0;
  ino_t inode = 0;
  mode_t mode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};
};

Seen SeenOf(const struct stat& st) {
  return {true, st.st_dev, st.st_ino, st.st_mode, st.st_size, st.st_mtim, st.st_ctim};
}

bool operator==(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool operator==(const Seen& a, const Seen& b) {
  return a.there == b.there && a.device == b.device && a.inode == b.inode && a.mode == b.mode &&
         a.size == b.size && a.modified == b.modified && a.changed == b.changed;
}

// A file of the tree (relative to DIR) and how it was when compared.
struct SeenFile {
  std::string file;
  Seen seen;
};

// Whether `path` holds what this tool writes there: nothing, or `file`'s new bytes or their first
// part. The bytes are made only for a file that is there and not empty, and read as far as they
// go. The file is opened without following a link and without waiting, so a pipe or a device that
// took a checked file's place is not the tool's and is never read. *seen is how the file stood
// when it was opened, so that a change made while or after it was read shows later.
Holds CompareFile(const fs::path& path, const TreeFile& file, Seen* seen, std::string* error) {
  *seen = {};
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
  *seen = SeenOf(st);
  return holds;
}

// Sets `foreign` to the first file of DIR/Resource, in the order the check takes them (the cheap
// files first, the pictures last), whose bytes are not the tool's, or "" when every one is; the
// names must have passed LookAtNames. Nothing is written: each file's new bytes are made in
// memory, one file a thread at a time. False when `stop` said so or bytes could not be made. When
// every file is the tool's, *seen holds how each file of the inventory stood when compared.
bool ForeignContent(const fs::path& dir, const std::function<bool()>& stop, std::string* foreign,
                    std::vector<SeenFile>* seen, std::string* error) {
  foreign->clear();
  seen->clear();
  auto stopped = [&] { return stop && stop(); };
  // The maps are made from the game's own tables, which are not to be shared between threads;
  // these files are few and quick, so they go on one thread, as when they are written.
  for (const TreeFile& f : OtherFiles()) {
    if (stopped()) return Fail(error, "stopped");
    seen->push_back({f.file, {}});
    const Holds holds = CompareFile(dir / f.file, f, &seen->back().seen, error);
    if (holds == Holds::kFailed) return false;
    if (holds == Holds::kForeign) {
      *foreign = f.file;
      return true;
    }
  }
  const std::vector<DemoPicture>& pictures = DemoPictures();
  std::vector<Holds> holds(pictures.size(), Holds::kOwn);
  std::vector<std::string> why(pictures.size());
  std::vector<Seen> seenPictures(pictures.size());
  const size_t first = OnEveryCore(pictures.size(), [&](size_t i) {
    const DemoPicture& p = pictures[i];
    if (stopped()) {
      holds[i] = Holds::kFailed;
      why[i] = "stopped";
    } else {
      const TreeFile file = {p.file, [&p](std::string* bytes, std::string* reason) {
                               return EncodePng(DrawPicture(p), bytes, reason);
                             }};
      holds[i] = CompareFile(dir / p.file, file, &seenPictures[i], &why[i]);
    }
    return holds[i] == Holds::kOwn;
  });
  if (first == pictures.size()) {
    for (size_t i = 0; i < pictures.size(); ++i)
      seen->push_back({pictures[i].file, seenPictures[i]});
    return true;
  }
  if (holds[first] == Holds::kFailed) return Fail(error, why[first]);
  *foreign = pictures[first].file;
  return true;
}

// The first file of `seen` under DIR that no longer stands as it did when compared, with whether
// it is gone; none when every one does. One lstat a file: nothing is opened or read again.
Hold ChangedSince(const fs::path& dir, const std::vector<SeenFile>& seen) {
  for (const SeenFile& f : seen) {
    struct stat st {};
    Seen now;
    if (lstat((dir / f.file).c_str(), &st) == 0) {
      now = SeenOf(st);
    } else if (errno != ENOENT && errno != ENOTDIR) {
      // What cannot be looked at cannot be told to be the file compared.
      return {f.file};
    }
    if (now == f.seen) continue;
    return {.entry = f.file, .removed = f.seen.there && !now.there};
  }
  return {};
}

// The staged tree takes the name Resource, exchanged with the tree there when there is one, which
// then has the staged name (and goes with the staging folder).
bool PutInPlace(const fs::path& staged, const fs::path& target, bool replace, std::string* error) {
  const unsigned flags = replace ? RENAME_EXCHANGE : RENAME_NOREPLACE;
  if (renameat2(AT_FDCWD, staged.c_str(), AT_FDCWD, target.c_str(), flags) == 0) return true;
  if (errno == EINVAL && !replace && std::rename(staged.c_str(), target.c_str()) == 0) return true;
  // A file system without the exchange: the old tree is moved into the staging folder first.
  if (errno == EINVAL && replace) {
    const fs::path old = staged.parent_path() / "old";
    if (std::rename(target.c_str(), old.c_str()) == 0) {
      if (std::rename(staged.c_str(), target.c_str()) == 0) {
        return std::rename(old.c_str(), staged.c_str()) == 0 ||
               Fail(error,
                    "cannot move the old tree to " + staged.string() + ": " + std::strerror(errno));
      }
      const int why = errno;
      std::rename(old.c_str(), target.c_str());
      errno = why;
    }
  }
  return Fail(error,
              "cannot put the tree in place as " + target.string() + ": " + std::strerror(errno));
}

}  // namespace

bool IsStagingName(const std::string& name) {
  return platform::IsRandomNameOf(name, kStagingPrefix);
}

TreeWrite WriteDemoTree(const std::string& dir, std::string* error,
                        const std::function<bool()>& stop,
                        const std::function<void(TreeMoment)>& at, const TreeBuilder& build) {
  const fs::path root = dir.empty() ? fs::path(".") : fs::path(dir);
  std::error_code ec;
  if (!fs::is_directory(root, ec)) {
    *error = "cannot write into " + root.string() + ": " +
             (fs::exists(root, ec) ? std::string("not a folder") : std::strerror(ENOENT));
    return TreeWrite::kFailed;
  }
  Turn turn;
  if (!turn.Take(root, stop, error)) return TreeWrite::kFailed;
  RemoveAbandonedStaging(root);
  const fs::path target = root / "Resource";
  const bool replace = fs::exists(fs::symlink_status(target, ec));
  auto kept = [&](const Hold& hold) {
    *error = KeptLine(target, hold);
    return TreeWrite::kKept;
  };
  auto moment = [&](TreeMoment m) {
    if (at) at(m);
  };
  // Whether the tree there is this tool's and the process's to replace is settled before anything
  // is written, so real resources cost neither room nor time: names and permissions first, which
  // cost nothing and show most trees that are not this tool's, then the bytes of each file.
  std::vector<SeenFile> seen;
  if (replace) {
    Hold hold = LookAtNames(root);
    if (hold.entry.empty() && !ForeignContent(root, stop, &hold.entry, &seen, error)) {
      return TreeWrite::kFailed;
    }
    if (!hold.entry.empty()) return kept(hold);
  }
  Staging staging(root);
  if (!staging.error().empty()) {
    *error = "cannot make a staging folder in " + root.string() + ": " + staging.error();
    return TreeWrite::kFailed;
  }
  const TreeBuilder& writeFiles = build ? build : WriteTreeFiles;
  if (!writeFiles(staging.path().string(), stop, error)) {
    if (stop && stop()) return TreeWrite::kFailed;
    // The reason names the file within the staging folder, which goes with it: the tree in place
    // was not written to, and no file of it is named.
    const std::string staged = staging.path().string() + "/";
    if (error->rfind(staged, 0) == 0) error->erase(0, staged.size());
    *error = "cannot write the new tree in " + staging.path().string() + ": " + *error;
    return TreeWrite::kFailed;
  }
  moment(TreeMoment::kBuilt);
  const fs::path staged = staging.path() / "Resource";
  if (!replace) {
    return PutInPlace(staged, target, false, error) ? TreeWrite::kDone : TreeWrite::kFailed;
  }
  // Whatever happened to the old tree while the new one was built is not exchanged away with it.
  // Its names are walked first, the longest part, then each file compared must still be the very
  // file it was, each one missing still missing, and the exchange follows the last of them.
  Hold hold = LookAtNames(root);
  if (hold.entry.empty()) {
    moment(TreeMoment::kNamesSeen);
    hold = ChangedSince(root, seen);
  }
  if (!hold.entry.empty()) return kept(hold);
  moment(TreeMoment::kLooked);
  if (!PutInPlace(staged, target, true, error)) return TreeWrite::kFailed;
  moment(TreeMoment::kExchanged);
  // A change that reached the old tree after its look, or since through a file or folder of it
  // held open, shows at the staging name: the trees are exchanged back, the change in place.
  hold = ChangedSince(staging.path(), seen);
  if (hold.entry.empty()) hold = LookAtNames(staging.path());
  if (hold.entry.empty()) return TreeWrite::kDone;
  if (!PutInPlace(staged, target, fs::exists(fs::symlink_status(target, ec)), error)) {
    staging.Keep();
    *error += "; the old tree, where " + hold.entry + " changed, is left as " + staged.string();
    return TreeWrite::kFailed;
  }
  return kept(hold);
}

}  // namespace demo
