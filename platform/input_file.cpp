#include "platform/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <set>

#include "platform/output_file.h"
#include "platform/read_buffer.h"

namespace platform {

int OpenRegularFile(const std::string& path, int flags, mode_t mode, int* error,
                    std::string* reason, struct stat* st) {
  struct stat own {};
  struct stat* seen = st != nullptr ? st : &own;
  // O_NONBLOCK: a named pipe opens at once instead of waiting for its other end, a device
  // without waiting for a carrier; O_NOCTTY: a terminal never becomes the process's own.
  const int fd = open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
  if (fd < 0) {
    *error = errno;
    // A pipe without a reader, a socket or a folder opened for writing fails for what it is,
    // which says more than the call's error.
    if (stat(path.c_str(), seen) == 0 && !S_ISREG(seen->st_mode)) {
      *error = 0;
      *reason = NotAFileReason(seen->st_mode);
    } else {
      *reason = std::strerror(*error);
    }
    return -1;
  }
  if (fstat(fd, seen) != 0) {
    *error = errno;
    *reason = std::strerror(*error);
  } else if (!S_ISREG(seen->st_mode)) {
    *error = 0;
    *reason = NotAFileReason(seen->st_mode);
  } else {
    const int status = fcntl(fd, F_GETFL);
    if (status >= 0 && fcntl(fd, F_SETFL, status & ~O_NONBLOCK) == 0) {
      *error = 0;
      reason->clear();
      return fd;
    }
    *error = errno;
    *reason = std::strerror(*error);
  }
  close(fd);
  return -1;
}

bool InputFile::Open(const std::string& path, uint64_t limit) {
  Close();
  limit_ = limit;
  struct stat st {};
  fd_ = OpenRegularFile(path, O_RDONLY, 0, &error_, &reason_, &st);
  if (fd_ < 0) return false;
  size_ = static_cast<uint64_t>(st.st_size);
  if (size_ > limit) {
    Close();
    reason_ = "larger than " + std::to_string(limit) + " bytes";
    return false;
  }
  return true;
}

bool InputFile::ReadAll(std::string* bytes) {
  // One byte past the limit tells a file that goes on beyond it, also one that grows while it is
  // read; neither the reads nor the buffer go further.
  const size_t stop = limit_ >= SIZE_MAX ? SIZE_MAX : static_cast<size_t>(limit_) + 1;
  char buffer[65536];
  while (bytes->size() < stop) {
    const ssize_t n = read(fd_, buffer, std::min(sizeof buffer, stop - bytes->size()));
    if (n > 0) {
      MakeReadRoom(bytes, static_cast<size_t>(n), stop);
      bytes->append(buffer, static_cast<size_t>(n));
    } else if (n == 0) {
      return true;
    } else if (errno != EINTR) {
      error_ = errno;
      reason_ = std::strerror(error_);
      return false;
    }
  }
  error_ = 0;
  reason_ = "larger than " + std::to_string(limit_) + " bytes";
  return false;
}

void InputFile::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  size_ = 0;
}

int InputFile::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

std::FILE* InputFile::ReleaseStream() {
  if (fd_ < 0) return nullptr;
  std::FILE* stream = fdopen(fd_, "rb");
  if (stream == nullptr) {
    error_ = errno;
    reason_ = std::strerror(error_);
    Close();
    return nullptr;
  }
  fd_ = -1;
  return stream;
}

void SayInputRefused(const std::string& what, const std::string& path, const std::string& reason) {
  static std::mutex mutex;
  static std::set<std::string> said;
  const std::string line = "morrow: cannot read the " + what + " " + path + ": " + reason + "\n";
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (!said.insert(line).second) return;
  }
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

void SayRefusedUnlessMissing(const InputFile& file, const std::string& what,
                             const std::string& path) {
  if (file.Error() != ENOENT) SayInputRefused(what, path, file.Reason());
}

}  // namespace platform
