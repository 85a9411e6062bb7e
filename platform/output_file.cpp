#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace platform {
namespace {

std::string Reason(const std::string& path, int error) {
  return path + ": " + std::strerror(error);
}

// The mode a file made by open() with 0666 would get. The mask is read once: reading it means
// setting it, and a second thread must never see the zero in between.
mode_t NewFileMode() {
  static const mode_t mode = [] {
    const mode_t mask = umask(0);
    umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
  }();
  return mode;
}

constexpr char kTemporarySuffix[] = ".tmp-";

// At the commit the temporary file takes over what a plain write into the target would have kept,
// as the target is then (`target` its status; no regular file when there is none): its owner and
// group where the process may give them (a refused change leaves the process's own), then its
// mode, set last because a change of owner clears the set-id bits. A new target gets the mode a
// plain creation would. Until then the file is private, as mkostemp makes it: a target made
// private while the bytes are written was never readable through its temporary.
void TakeOverAttributes(int fd, const struct stat& target) {
  if (!S_ISREG(target.st_mode)) {
    fchmod(fd, NewFileMode());
    return;
  }
  if (fchown(fd, target.st_uid, target.st_gid) != 0 &&
      fchown(fd, static_cast<uid_t>(-1), target.st_gid) != 0) {
    // Neither owner nor group may be given: the file is the process's, as a new one would be.
  }
  fchmod(fd, target.st_mode & 07777);
  // A plain write opens the file truncating it, which clears the set-id bits unless the process
  // may keep them; cutting the new file to its own length does the same and keeps its bytes.
  struct stat own;
  if ((target.st_mode & (S_ISUID | S_ISGID)) != 0 && fstat(fd, &own) == 0 &&
      ftruncate(fd, own.st_size) != 0) {
    // A cut to the file's own length: no failure that would matter.
  }
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes a rename inside a folder durable; a folder that cannot be opened is left as it is, since
// the rename itself has already been done.
void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// ReplaceRefusal, which also gives in *found what stands at `path` when it answers empty: the
// regular file it opened there, or nothing (a mode of 0).
std::string LookAtTarget(const std::string& path, struct stat* found) {
  constexpr const char* kLink = ": is a symbolic link, not a file";
  struct stat st;
  *found = {};
  if (lstat(path.c_str(), &st) != 0) return {};  // nothing there, or the open will say why
  if (S_ISLNK(st.st_mode)) return path + kLink;
  if (!S_ISREG(st.st_mode)) return path + ": " + NotAFileReason(st.st_mode);
  // A rename needs only the folder's permission, but a file the process could not have written
  // into is not its to replace: the open a plain write would make decides, without truncating,
  // creating or following anything, and without waiting on a lease.
  const int fd = open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return {};  // gone since the look-up: nothing is taken from anyone
    return errno == ELOOP ? path + kLink : Reason(path, errno);
  }
  // Something else may have taken the name since the look-up.
  const bool looked = fstat(fd, &st) == 0;
  const int error = errno;
  close(fd);
  if (!looked) return Reason(path, error);
  if (!S_ISREG(st.st_mode)) return path + ": " + NotAFileReason(st.st_mode);
  *found = st;
  return {};
}

}  // namespace

std::string NotAFileReason(mode_t mode) {
  if (S_ISDIR(mode)) return "is a folder, not a file";
  if (S_ISFIFO(mode)) return "is a named pipe, not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a file";
  return "is not a regular file";
}

std::string ReplaceRefusal(const std::string& path) {
  struct stat found;
  return LookAtTarget(path, &found);
}

OutputFile::~OutputFile() {
  Abandon();
}

bool OutputFile::Open(const std::string& path, std::string* error, Durability durability) {
  Abandon();
  std::string refusal = path.empty() ? std::string("an empty file name") : ReplaceRefusal(path);
  if (!refusal.empty()) {
    if (error != nullptr) *error = refusal;
    return false;
  }
  std::vector<char> name(path.begin(), path.end());
  name.insert(name.end(), kTemporarySuffix, kTemporarySuffix + sizeof kTemporarySuffix - 1);
  name.insert(name.end(), kRandomLetters, 'X');
  name.push_back('\0');
  // Made exclusively: a link or anything else already at the name makes mkostemp try another.
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    if (error != nullptr) *error = Reason(path, errno);
    return false;
  }
  // The stream gets a descriptor of its own: the writer keeps one for the commit, which sets the
  // attributes also after whoever the stream was handed over to has closed it.
  const int streamFd = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  stream_ = streamFd < 0 ? nullptr : fdopen(streamFd, "wb");
  if (stream_ == nullptr) {
    const int e = errno;
    if (streamFd >= 0) close(streamFd);
    close(fd);
    unlink(name.data());
    if (error != nullptr) *error = Reason(path, e);
    return false;
  }
  fd_ = fd;
  target_ = path;
  temporary_ = name.data();
  writeError_ = 0;
  durability_ = durability;
  return true;
}

bool OutputFile::Write(const void* data, size_t size) {
  if (stream_ == nullptr || handedOver_) return false;
  if (writeError_ != 0) return false;
  if (size > 0 && std::fwrite(data, 1, size, stream_) != size) {
    writeError_ = errno != 0 ? errno : EIO;
    return false;
  }
  return true;
}

std::FILE* OutputFile::HandOverStream() {
  handedOver_ = stream_ != nullptr;
  return stream_;
}

bool OutputFile::Commit(std::string* error) {
  if (stream_ == nullptr) {
    if (error != nullptr)
      *error = (target_.empty() ? std::string("output") : target_) + ": not open";
    return false;
  }
  int failure = writeError_;
  // A stream handed over is its new owner's to close.
  if (!handedOver_) {
    errno = 0;  // so that a failure that sets none is not blamed on an older one
    if (failure == 0 && std::fflush(stream_) != 0) failure = errno != 0 ? errno : EIO;
    // A writer that went around Write() (libpng, fprintf) leaves its failure in the error flag.
    if (failure == 0 && std::ferror(stream_)) failure = EIO;
    if (failure == 0 && durability_ == Durability::kSynced && fsync(fileno(stream_)) != 0) {
      failure = errno;
    }
    const bool closed = std::fclose(stream_) == 0;
    if (failure == 0 && !closed) failure = errno != 0 ? errno : EIO;
  }
  stream_ = nullptr;
  handedOver_ = false;
  // The target may have been replaced by something else, or its mode or owner changed, while the
  // bytes were written: it is looked at again just before the rename, and what it is then is what
  // the new file takes over.
  std::string refusal;
  if (failure == 0) {
    struct stat found;
    refusal = LookAtTarget(target_, &found);
    if (refusal.empty()) {
      TakeOverAttributes(fd_, found);
      if (std::rename(temporary_.c_str(), target_.c_str()) != 0) failure = errno;
    }
  }
  if (failure == 0 && refusal.empty()) {
    temporary_.clear();
    // The attributes were set after the bytes went to the disk: they follow with the rename.
    if (durability_ == Durability::kSynced) {
      fsync(fd_);
      SyncFolder(FolderOf(target_));
    }
    close(fd_);
    fd_ = -1;
    return true;
  }
  close(fd_);
  fd_ = -1;
  unlink(temporary_.c_str());
  temporary_.clear();
  if (error != nullptr) *error = refusal.empty() ? Reason(target_, failure) : refusal;
  return false;
}

void OutputFile::Abandon() {
  if (stream_ != nullptr && !handedOver_) std::fclose(stream_);
  stream_ = nullptr;
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) {
    unlink(temporary_.c_str());
    temporary_.clear();
  }
  writeError_ = 0;
  handedOver_ = false;
  durability_ = Durability::kPlain;
}

bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string* error,
                    Durability durability) {
  OutputFile out;
  if (!out.Open(path, error, durability)) return false;
  out.Write(data, size);
  return out.Commit(error);
}

bool IsRandomNameOf(const std::string& name, const std::string& stem) {
  if (name.size() != stem.size() + kRandomLetters || name.compare(0, stem.size(), stem) != 0) {
    return false;
  }
  return std::all_of(name.end() - kRandomLetters, name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  });
}

bool IsTemporaryNameOf(const std::string& name, const std::string& target) {
  const size_t slash = target.find_last_of('/');
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  return !base.empty() && IsRandomNameOf(name, base + kTemporarySuffix);
}

}  // namespace platform
