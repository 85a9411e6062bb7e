#include "tools/lib/toolrun/tool_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iterator>
#include <new>

#include "platform/input_file.h"
#include "platform/read_buffer.h"

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

std::terminate_handler g_previousTerminate = nullptr;

// One line on stderr made without allocating, for when memory has run out. A line break in `text`
// becomes a space, and a text too long for the line is cut, so that it stays one line.
void SayWithoutMemory(const char* text) {
  char line[1024];
  size_t n = 0;
  for (const char* part : {g_tool, ": ", text}) {
    for (; *part != '\0' && n + 1 < sizeof line; ++part) {
      line[n++] = *part == '\n' || *part == '\r' ? ' ' : *part;
    }
  }
  line[n++] = '\n';
  while (write(STDERR_FILENO, line, n) < 0 && errno == EINTR) {
  }
}

// Ends the tool with 1 and one line, keeping what it printed before. _exit skips the exit
// handlers, which would run beside threads still working.
[[noreturn]] void EndSaying(const char* text) {
  std::fflush(stdout);
  SayWithoutMemory(text);
  _exit(1);
}

// An exception nothing caught (on any thread, or in a call that may not throw) ends the tool with
// 1 and one line instead of an abort: "out of memory" when memory ran out, else what the exception
// says, or a fixed line for one that says nothing. Nothing here allocates. A terminate with no
// exception behind it is a fault of the program (a thread left joinable) and aborts as it would
// have.
[[noreturn]] void EndOnUncaught() {
  if (const std::exception_ptr uncaught = std::current_exception()) {
    try {
      std::rethrow_exception(uncaught);
    } catch (const std::bad_alloc&) {
      EndSaying("out of memory");
    } catch (const std::exception& e) {
      EndSaying(e.what());
    } catch (...) {
      EndSaying("ended by an exception of an unknown kind");
    }
  }
  if (g_previousTerminate != nullptr) g_previousTerminate();
  std::abort();
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
// What each stop signal did before CatchStopSignals put the recorder in its place, and whether it
// did; for the hand-over to the library.
struct sigaction g_beforeCatch[std::size(kStopSignals)];
bool g_recording[std::size(kStopSignals)] = {};

// Puts the recorder in for the i-th stop signal, unless the tool was started with it ignored.
void RecordFromNow(size_t i) {
  struct sigaction record {};
  record.sa_handler = RecordStopSignal;
  sigemptyset(&record.sa_mask);
  record.sa_flags = SA_RESTART;
  struct sigaction before {};
  if (sigaction(kStopSignals[i], nullptr, &before) == 0 && before.sa_handler != SIG_IGN &&
      before.sa_handler != RecordStopSignal) {
    g_beforeCatch[i] = before;
    g_recording[i] = sigaction(kStopSignals[i], &record, nullptr) == 0;
  }
}

// The stop signals being recorded.
sigset_t Recorded() {
  sigset_t stops;
  sigemptyset(&stops);
  for (size_t i = 0; i < std::size(kStopSignals); ++i) {
    if (g_recording[i]) sigaddset(&stops, kStopSignals[i]);
  }
  return stops;
}

// How often a wait on an input looks at the stop signals: one that comes between the look and the
// wait does not interrupt it, and is seen at the latest then.
constexpr int kWaitSliceMs = 100;

// Waits until `fd` has bytes, or its end, to give: 0; ECANCELED once a stop signal was recorded,
// ETIMEDOUT at `giveUpAt`, or the error of the wait.
int WaitReadable(int fd, WaitClock::time_point giveUpAt) {
  while (true) {
    if (StopSignal() != 0) return ECANCELED;
    const WaitClock::time_point now = WaitClock::now();
    if (now >= giveUpAt) return ETIMEDOUT;
    const int64_t left = std::chrono::ceil<std::chrono::milliseconds>(giveUpAt - now).count();
    pollfd ready{fd, POLLIN, 0};
    const int polled = poll(&ready, 1, static_cast<int>(std::min<int64_t>(left, kWaitSliceMs)));
    // Bytes, the end or an error: the read tells which.
    if (polled > 0) return 0;
    if (polled < 0 && errno != EINTR) return errno;
  }
}

// Appends what `fd` holds up to its end or until *bytes holds `limit` bytes, going on through
// interrupted reads; the buffer never holds much more than `limit` (platform::MakeReadRoom), an
// input that never ends among them. With `giveUpAt`, bytes not there yet are waited for as
// WaitReadable does, which may end the read with its errors; without, there is no wait (a
// regular file). 0, or the errno of what failed.
int ReadUpTo(int fd, size_t limit, const WaitClock::time_point* giveUpAt, std::string* bytes) {
  char chunk[65536];
  while (bytes->size() < limit) {
    if (giveUpAt != nullptr) {
      if (const int error = WaitReadable(fd, *giveUpAt); error != 0) return error;
    }
    const ssize_t n = read(fd, chunk, std::min(sizeof chunk, limit - bytes->size()));
    if (n > 0) {
      platform::MakeReadRoom(bytes, static_cast<size_t>(n), limit);
      bytes->append(chunk, static_cast<size_t>(n));
    } else if (n == 0) {
      return 0;
    } else if (errno != EINTR && errno != EAGAIN) {
      return errno;
    }
  }
  return 0;
}

// All of the open input `fd`, which `name` names in the reason; empty when it was read whole
// within `limit`.
std::string ReadOpenInput(int fd, const std::string& name, size_t limit,
                          WaitClock::time_point giveUpAt, std::string* bytes) {
  bytes->clear();
  struct stat st;
  if (fstat(fd, &st) != 0) return name + ": " + std::strerror(errno);
  // What a look-up by name saw may have been replaced since.
  if (S_ISDIR(st.st_mode)) return name + ": " + platform::NotAFileReason(st.st_mode);
  const std::string larger = LargerThan(name, limit);
  if (S_ISREG(st.st_mode)) {
    // A file says how much is left of it: one past the limit is refused unread.
    const off_t at = lseek(fd, 0, SEEK_CUR);
    const uint64_t left = static_cast<uint64_t>(st.st_size) -
                          static_cast<uint64_t>(std::clamp<off_t>(at, 0, st.st_size));
    if (left > limit) return larger;
    bytes->reserve(static_cast<size_t>(left));
  }
  // One byte past the limit tells an input that goes on beyond it, however long it would go on.
  const int error = ReadUpTo(fd, limit < SIZE_MAX ? limit + 1 : limit, &giveUpAt, bytes);
  std::string refusal;
  if (StopSignal() != 0) {
    refusal = name + ": " + StoppedBy();
  } else if (error == ETIMEDOUT) {
    refusal = name + ": did not end in time";
  } else if (error != 0) {
    refusal = name + ": " + std::strerror(error);
  } else if (bytes->size() > limit) {
    refusal = larger;
  }
  if (!refusal.empty()) bytes->clear();
  return refusal;
}

// `path` opened for reading when it is a regular file, with its status in *st; -1 with the reason,
// naming the path, in *refusal otherwise. The look-up comes first, so that nothing but a regular
// file is ever opened; the open's own look-up then confirms it, in case something else took its
// place in between.
int OpenRegularFile(const std::string& path, struct stat* st, std::string* refusal) {
  if (stat(path.c_str(), st) != 0) {
    *refusal = path + ": " + std::strerror(errno);
    return -1;
  }
  if (!S_ISREG(st->st_mode)) {
    *refusal = path + ": " + platform::NotAFileReason(st->st_mode);
    return -1;
  }
  int error = 0;
  std::string reason;
  const int fd = platform::OpenRegularFile(path, O_RDONLY, 0, &error, &reason, st);
  if (fd < 0) {
    *refusal = path + ": " + reason;
    return -1;
  }
  refusal->clear();
  return fd;
}

// Up to `limit` bytes of the open regular file `fd`, which `path` names and which held `size` bytes
// when it was opened, into *bytes; then closes it. "" or the reason, naming the path.
std::string ReadAndClose(int fd, const std::string& path, uint64_t size, size_t limit,
                         std::string* bytes) {
  bytes->clear();
  bytes->reserve(static_cast<size_t>(std::min<uint64_t>(size, limit)));
  const int error = ReadUpTo(fd, limit, nullptr, bytes);
  close(fd);
  return error != 0 ? path + ": " + std::strerror(error) : std::string();
}

// Says why the input `name` was not read, a stop or the reason; false.
bool SayUnread(const std::string& name, const std::string& refusal) {
  if (StopSignal() != 0) {
    Say(StoppedBy() + " while reading " + name);
  } else {
    Say("cannot read " + refusal);
  }
  return false;
}

}  // namespace

void Begin(const char* tool) {
  g_tool = tool;
  std::atexit(CheckAtExit);
  g_previousTerminate = std::set_terminate(EndOnUncaught);
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

std::string LargerThan(const std::string& name, size_t limit) {
  return name + ": larger than " + std::to_string(limit) + " bytes";
}

bool ReadInputFile(const std::string& path, size_t limit, std::string* bytes, std::string* refusal,
                   WaitClock::time_point giveUpAt) {
  bytes->clear();
  *refusal = InputRefusal(path);
  if (!refusal->empty()) return false;
  // Opened without waiting: a named pipe's wait for its writer is then the first wait for bytes,
  // which a stop signal or the time given ends. It gives no end before a writer has come and gone.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    *refusal = path + ": " + std::strerror(errno);
    return false;
  }
  *refusal = ReadOpenInput(fd, path, limit, giveUpAt, bytes);
  close(fd);
  return refusal->empty();
}

bool ReadWholeFile(const std::string& path, size_t limit, std::string* bytes) {
  std::string refusal;
  return ReadInputFile(path, limit, bytes, &refusal) || SayUnread(path, refusal);
}

bool ReadStandardInput(size_t limit, std::string* bytes) {
  const std::string name = "standard input";
  const std::string refusal = ReadOpenInput(STDIN_FILENO, name, limit, kNoGiveUp, bytes);
  return refusal.empty() || SayUnread(name, refusal);
}

bool ReadRegularFile(const std::string& path, RegularFile* file, std::string* refusal,
                     size_t limit) {
  struct stat st;
  const int fd = OpenRegularFile(path, &st, refusal);
  if (fd < 0) return false;
  file->size = static_cast<uint64_t>(st.st_size);
  *refusal = ReadAndClose(fd, path, file->size, limit, &file->bytes);
  return refusal->empty();
}

bool ReadWholeRegularFile(const std::string& path, size_t limit, std::string* bytes,
                          std::string* refusal) {
  bytes->clear();
  struct stat st;
  const int fd = OpenRegularFile(path, &st, refusal);
  if (fd < 0) return false;
  if (static_cast<uint64_t>(st.st_size) > limit) {
    close(fd);
    *refusal = LargerThan(path, limit);
    return false;
  }
  // One byte past the limit tells a file that grew while it was read.
  *refusal = ReadAndClose(fd, path, static_cast<uint64_t>(st.st_size), limit + 1, bytes);
  if (refusal->empty() && bytes->size() > limit) *refusal = LargerThan(path, limit);
  if (!refusal->empty()) bytes->clear();
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
  for (size_t i = 0; i < std::size(kStopSignals); ++i) RecordFromNow(i);
}

int StopSignal() {
  return g_stopSignal.load();
}

std::string StoppedBy() {
  const int signal = StopSignal();
  const char* name = signal != 0 ? sigabbrev_np(signal) : nullptr;
  return name != nullptr ? std::string("stopped by SIG") + name : std::string("stopped");
}

void ReleaseStopSignals() {
  for (size_t i = 0; i < std::size(kStopSignals); ++i) {
    if (g_recording[i]) sigaction(kStopSignals[i], &g_beforeCatch[i], nullptr);
    g_recording[i] = false;
  }
}

sigset_t HoldStopSignalsForFork() {
  const sigset_t stops = Recorded();
  sigset_t before;
  pthread_sigmask(SIG_BLOCK, &stops, &before);
  return before;
}

void StopSignalsToDefaultsInChild(const sigset_t& before) {
  struct sigaction fresh {};
  fresh.sa_handler = SIG_DFL;
  sigemptyset(&fresh.sa_mask);
  for (size_t i = 0; i < std::size(kStopSignals); ++i) {
    if (g_recording[i]) sigaction(kStopSignals[i], &fresh, nullptr);
  }
  sigprocmask(SIG_SETMASK, &before, nullptr);
}

StopSignalHandOver::StopSignalHandOver() {
  sigemptyset(&holding_);
  const sigset_t stops = Recorded();
  if (sigisemptyset(&stops) || pthread_sigmask(SIG_BLOCK, &stops, &before_) != 0) return;
  holding_ = stops;
  ReleaseStopSignals();
}

StopSignalHandOver::~StopSignalHandOver() {
  for (size_t i = 0; i < std::size(kStopSignals); ++i) {
    struct sigaction now {};
    // The start put in no handler of its own: the tool goes on recording it.
    if (sigismember(&holding_, kStopSignals[i]) == 1 &&
        sigaction(kStopSignals[i], nullptr, &now) == 0 &&
        now.sa_handler == g_beforeCatch[i].sa_handler) {
      RecordFromNow(i);
    }
  }
  if (!sigisemptyset(&holding_)) pthread_sigmask(SIG_SETMASK, &before_, nullptr);
}

}  // namespace toolrun
