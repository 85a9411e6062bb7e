#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace

std::string ReplaceRefusal(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return {};  // nothing there, or the open will say why
  if (S_ISREG(st.st_mode)) return {};
  if (S_ISDIR(st.st_mode)) return path + ": is a folder, not a file";
  if (S_ISLNK(st.st_mode)) return path + ": is a symbolic link, not a file";
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return path + ": is a device, not a file";
  return path + ": is not a regular file";
}

OutputFile::~OutputFile() {
  Abandon();
}

bool OutputFile::Open(const std::string& path, std::string* error) {
  Abandon();
  std::string refusal = path.empty() ? std::string("an empty file name") : ReplaceRefusal(path);
  if (!refusal.empty()) {
    if (error != nullptr) *error = refusal;
    return false;
  }
  std::vector<char> name(path.begin(), path.end());
  const char suffix[] = ".tmp-XXXXXX";
  name.insert(name.end(), suffix, suffix + sizeof suffix);  // with its terminating zero
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    if (error != nullptr) *error = Reason(path, errno);
    return false;
  }
  fchmod(fd, NewFileMode());
  stream_ = fdopen(fd, "wb");
  if (stream_ == nullptr) {
    const int e = errno;
    close(fd);
    unlink(name.data());
    if (error != nullptr) *error = Reason(path, e);
    return false;
  }
  target_ = path;
  temporary_ = name.data();
  writeError_ = 0;
  return true;
}

bool OutputFile::Write(const void* data, size_t size) {
  if (stream_ == nullptr) return false;
  if (writeError_ != 0) return false;
  if (size > 0 && std::fwrite(data, 1, size, stream_) != size) {
    writeError_ = errno != 0 ? errno : EIO;
    return false;
  }
  return true;
}

std::FILE* OutputFile::HandOverStream() {
  std::FILE* stream = stream_;
  stream_ = nullptr;
  handedOver_ = stream != nullptr;
  return stream;
}

bool OutputFile::Commit(std::string* error) {
  if (stream_ == nullptr && !handedOver_) {
    if (error != nullptr)
      *error = (target_.empty() ? std::string("output") : target_) + ": not open";
    return false;
  }
  int failure = writeError_;
  if (stream_ != nullptr) {
    errno = 0;  // so that a failure that sets none is not blamed on an older one
    if (failure == 0 && std::fflush(stream_) != 0) failure = errno != 0 ? errno : EIO;
    // A writer that went around Write() (libpng, fprintf) leaves its failure in the error flag.
    if (failure == 0 && std::ferror(stream_)) failure = EIO;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (failure == 0 && !closed) failure = errno != 0 ? errno : EIO;
  }
  handedOver_ = false;
  // The target may have been replaced by something else while the bytes were written.
  std::string refusal = failure == 0 ? ReplaceRefusal(target_) : std::string();
  if (failure == 0 && refusal.empty() && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    failure = errno;
  }
  if (failure == 0 && refusal.empty()) {
    temporary_.clear();
    return true;
  }
  unlink(temporary_.c_str());
  temporary_.clear();
  if (error != nullptr) *error = refusal.empty() ? Reason(target_, failure) : refusal;
  return false;
}

void OutputFile::Abandon() {
  if (stream_ != nullptr) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (!temporary_.empty()) {
    unlink(temporary_.c_str());
    temporary_.clear();
  }
  writeError_ = 0;
  handedOver_ = false;
}

bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string* error) {
  OutputFile out;
  if (!out.Open(path, error)) return false;
  out.Write(data, size);
  return out.Commit(error);
}

}  // namespace platform
