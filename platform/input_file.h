// Files the project reads, opened by the project itself. A library handed a name opens it its own
// way, and a plain open of a named pipe waits for a writer that may never come (no signal ends that
// wait), so every input is opened here without waiting, and what was opened is looked at through
// its descriptor: a regular file only, within its limit. Nothing can take the file's place between
// that look and the use, since the look is of the very file that is then read. A library gets the
// descriptor, a stream or the bytes.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

// No limit on an input's size: it is read in parts as needed, never whole.
inline constexpr uint64_t kNoSizeLimit = UINT64_MAX;

// Opens `path` with `flags` (O_RDONLY, or O_WRONLY with O_CREAT or O_APPEND; never O_TRUNC, which
// would cut whatever stands there before the look) and O_NONBLOCK, O_NOCTTY and
// O_CLOEXEC; keeps the descriptor only when what was opened is a regular file, and then clears
// O_NONBLOCK. -1 otherwise, with *error the errno of the failed call (0 when it was something
// other than a regular file) and *reason why ("No such file or directory", "is a named pipe, not
// a file"). A new file gets `mode` as open() gives it. *st, when given, is the opened file's.
int OpenRegularFile(const std::string& path, int flags, mode_t mode, int* error,
                    std::string* reason, struct stat* st = nullptr);

// One input opened for reading, held until it is closed, released or destroyed.
class InputFile {
 public:
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile() { Close(); }

  // Opens `path` for reading as OpenRegularFile does; a file of more than `limit` bytes is refused
  // too ("larger than N bytes"). False with Error() and Reason().
  bool Open(const std::string& path, uint64_t limit = kNoSizeLimit);
  // The rest of the open file into *bytes, read to its end whatever its size said, but never more
  // than one byte past the limit: false with Reason() past it ("larger than N bytes") or when a
  // read fails (Error() then tells).
  bool ReadAll(std::string* bytes);
  void Close();

  int Descriptor() const { return fd_; }
  // The size the file had when it was opened.
  uint64_t Size() const { return size_; }
  // The errno of a failed open or look: ENOENT when nothing is there. 0 when the file is open, or
  // was refused for what it is or for its size.
  int Error() const { return error_; }
  // Why the last Open failed, without the path; empty when it did not.
  const std::string& Reason() const { return reason_; }
  // The descriptor, now the caller's to close; -1 when none is open.
  int Release();
  // The file as a stdio stream ("rb"), now the caller's to close; null when none is open or no
  // stream could be made (the descriptor is closed then).
  std::FILE* ReleaseStream();

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
  uint64_t limit_ = kNoSizeLimit;
  int error_ = 0;
  std::string reason_;
};

// Says on standard error that the library will not read `path`, the `what` it was to be:
// "morrow: cannot read the WHAT PATH: REASON". Each such line once a process, however often the
// library tries the same input again.
void SayInputRefused(const std::string& what, const std::string& path, const std::string& reason);
// Says so, as SayInputRefused does, of the input `file` failed to open or read at `path`, unless
// nothing was there: an input that is not installed is passed over quietly.
void SayRefusedUnlessMissing(const InputFile& file, const std::string& what,
                             const std::string& path);

}  // namespace platform
