#include "tools/lib/toolrun/tool_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return path + ": " + std::strerror(errno);
  struct stat st;
  std::string refusal;
  if (fstat(fd, &st) != 0) {
    refusal = path + ": " + std::strerror(errno);
  } else if (S_ISDIR(st.st_mode)) {
    refusal = path + ": is a folder, not a file";
  }
  close(fd);
  return refusal;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  std::string refusal = InputRefusal(path);
  FILE* in = refusal.empty() ? std::fopen(path.c_str(), "rb") : nullptr;
  if (in == nullptr && refusal.empty()) refusal = path + ": " + std::strerror(errno);
  if (in != nullptr) {
    bytes->clear();
    char chunk[65536];
    errno = 0;
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) bytes->append(chunk, n);
    if (std::ferror(in)) refusal = path + ": " + std::strerror(errno != 0 ? errno : EIO);
    std::fclose(in);
  }
  if (refusal.empty()) return true;
  Say("cannot read " + refusal);
  return false;
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

std::string InputProblem(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return path + ": " + std::strerror(errno);
  struct stat st;
  const bool folder = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
  close(fd);
  return folder ? path + ": is a folder, not a file" : std::string();
}

void CatchStopSignals() {
  struct sigaction record {};
  record.sa_handler = RecordStopSignal;
  sigemptyset(&record.sa_mask);
  record.sa_flags = SA_RESTART;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
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
