#include "tools/lib/toolrun/tool_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace toolrun {
namespace {

const char* g_tool = "tool";
bool g_ended = false;
// Written by the signal handler and read by every thread: it must be lock-free.
std::atomic<int> g_stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void RecordStopSignal(int signal) {
  g_stopSignal.store(signal);
}

// Empty when everything printed reached standard output, else why it did not.
std::string CloseStandardOutput() {
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  const int flushError = errno != 0 ? errno : EIO;
  // A flush the tool made itself may have met the failure already: the error flag stays, its
  // reason is gone.
  const bool lostEarlier = std::ferror(stdout) != 0;
  errno = 0;
  const bool closed = std::fclose(stdout) == 0;
  const int closeError = errno != 0 ? errno : EIO;
  if (!flushed) return std::strerror(flushError);
  if (lostEarlier) return "an earlier write failed";
  if (!closed) return std::strerror(closeError);
  return {};
}

void CheckAtExit() {
  if (g_ended) return;
  g_ended = true;
  if (const std::string failure = CloseStandardOutput(); !failure.empty()) {
    Say("cannot write standard output: " + failure);
    _exit(1);
  }
}

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// For as long as it lives, the stop signals the tool records interrupt a call that waits instead
// of restarting it, so that a wait on a pipe ends with the stop.
class StopsInterrupt {
 public:
  StopsInterrupt() {
    for (size_t i = 0; i < std::size(kStopSignals); ++i) {
      struct sigaction now {};
      if (sigaction(kStopSignals[i], nullptr, &now) != 0 || now.sa_handler != RecordStopSignal) {
        continue;
      }
      saved_[i] = now;
      changed_[i] = true;
      now.sa_flags &= ~SA_RESTART;
      sigaction(kStopSignals[i], &now, nullptr);
    }
  }
  ~StopsInterrupt() {
    for (size_t i = 0; i < std::size(kStopSignals); ++i) {
      if (changed_[i]) sigaction(kStopSignals[i], &saved_[i], nullptr);
    }
  }
  StopsInterrupt(const StopsInterrupt&) = delete;
  StopsInterrupt& operator=(const StopsInterrupt&) = delete;

 private:
  struct sigaction saved_[std::size(kStopSignals)] = {};
  bool changed_[std::size(kStopSignals)] = {};
};

// Appends what `fd` holds up to its end or until *bytes holds `limit` bytes, going on through
// interrupted reads; when `stoppable`, a stop signal the tool recorded ends it as well. 0, or the
// errno of the read that failed.
int ReadUpTo(int fd, size_t limit, bool stoppable, std::string* bytes) {
  char chunk[65536];
  while (bytes->size() < limit && !(stoppable && StopSignal() != 0)) {
    const ssize_t n = read(fd, chunk, std::min(sizeof chunk, limit - bytes->size()));
    if (n > 0) {
      bytes->append(chunk, static_cast<size_t>(n));
    } else if (n == 0) {
      return 0;
    } else if (errno != EINTR) {
      return errno;
    }
  }
  return 0;
}

}  // namespace

void Begin(const char* tool) {
  g_tool = tool;
  std::atexit(CheckAtExit);
}

const char* ToolName() {
  return g_tool;
}

int End(int status) {
  if (g_ended) return status;
  g_ended = true;
  if (const std::string failure = CloseStandardOutput(); !failure.empty()) {
    Say("cannot write standard output: " + failure);
    return status != 0 ? status : 1;
  }
  return status;
}

void Say(const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", g_tool, text.c_str());
  std::fflush(stderr);
}

bool IsOption(const char* arg) {
  return arg != nullptr && arg[0] == '-' && arg[1] != '\0';
}

std::string InputRefusal(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return path + ": " + std::strerror(errno);
  if (S_ISDIR(st.st_mode)) return path + ": " + platform::NotAFileReason(st.st_mode);
  // A named pipe is left to the read: an open here would meet a writer already waiting, and what
  // it wrote would go with the close.
  if (S_ISFIFO(st.st_mode)) return {};
  // Whether it opens at all; O_NONBLOCK, so that no device holds the tool here.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return path + ": " + std::strerror(errno);
  close(fd);
  return {};
}

bool ReadInputFile(const std::string& path, std::string* bytes, std::string* refusal) {
  *refusal = InputRefusal(path);
  if (!refusal->empty()) return false;
  const StopsInterrupt stops;
  // The open waits for a pipe's writer as cat's does; the signals that stop the tool end it.
  int fd = -1;
  while (StopSignal() == 0 && (fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY)) < 0 &&
         errno == EINTR) {
  }
  if (fd < 0 && StopSignal() == 0) *refusal = path + ": " + std::strerror(errno);
  // What the look-up saw may have been replaced since.
  struct stat st;
  if (fd >= 0 && fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    *refusal = path + ": " + platform::NotAFileReason(st.st_mode);
    close(fd);
    fd = -1;
  }
  bytes->clear();
  if (fd >= 0) {
    if (const int error = ReadUpTo(fd, SIZE_MAX, true, bytes); error != 0) {
      *refusal = path + ": " + std::strerror(error);
    }
    close(fd);
  }
  if (StopSignal() != 0) *refusal = path + ": " + StoppedBy();
  return refusal->empty();
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  std::string refusal;
  if (ReadInputFile(path, bytes, &refusal)) return true;
  Say("cannot read " + refusal);
  return false;
}

bool ReadRegularFile(const std::string& path, RegularFile* file, std::string* refusal,
                     size_t limit) {
  // The look-up comes first, so that nothing but a regular file is ever opened; the open's own
  // look-up then confirms it, in case something else took its place in between.
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    *refusal = path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    *refusal = path + ": " + platform::NotAFileReason(st.st_mode);
    return false;
  }
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    *refusal = path + ": " + std::strerror(errno);
    return false;
  }
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *refusal = path + ": " +
               (S_ISREG(st.st_mode) ? std::strerror(errno) : platform::NotAFileReason(st.st_mode));
    close(fd);
    return false;
  }
  file->size = static_cast<uint64_t>(st.st_size);
  file->bytes.clear();
  refusal->clear();
  if (const int error = ReadUpTo(fd, limit, false, &file->bytes); error != 0) {
    *refusal = path + ": " + std::strerror(error);
  }
  close(fd);
  return refusal->empty();
}

std::string RegularFileRefusal(const std::string& path) {
  RegularFile file;
  std::string refusal;
  ReadRegularFile(path, &file, &refusal, 0);
  return refusal;
}

bool WriteFile(const std::string& path, const void* data, size_t size) {
  std::string error;
  if (platform::WriteWholeFile(path, data, size, &error)) return true;
  Say("cannot write " + error);
  return false;
}

bool Open(platform::OutputFile& out, const std::string& path) {
  std::string error;
  if (out.Open(path, &error)) return true;
  Say("cannot write " + error);
  return false;
}

bool Commit(platform::OutputFile& out) {
  std::string error;
  if (out.Commit(&error)) return true;
  Say("cannot write " + error);
  return false;
}

void CatchStopSignals() {
  struct sigaction record {};
  record.sa_handler = RecordStopSignal;
  sigemptyset(&record.sa_mask);
  record.sa_flags = SA_RESTART;
  for (const int signal : kStopSignals) {
    struct sigaction before {};
    if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN) {
      sigaction(signal, &record, nullptr);
    }
  }
}

int StopSignal() {
  return g_stopSignal.load();
}

std::string StoppedBy() {
  const int signal = StopSignal();
  const char* name = signal != 0 ? sigabbrev_np(signal) : nullptr;
  return name != nullptr ? std::string("stopped by SIG") + name : std::string("stopped");
}

}  // namespace toolrun
