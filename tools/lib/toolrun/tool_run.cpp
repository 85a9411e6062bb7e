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

// 0 when everything printed reached standard output, else the errno of the failure.
int CloseStandardOutput() {
  int failure = 0;
  if (std::fflush(stdout) != 0) failure = errno != 0 ? errno : EIO;
  if (failure == 0 && std::ferror(stdout)) failure = EIO;
  if (std::fclose(stdout) != 0 && failure == 0) failure = errno != 0 ? errno : EIO;
  return failure;
}

void CheckAtExit() {
  if (g_ended) return;
  g_ended = true;
  if (const int failure = CloseStandardOutput(); failure != 0) {
    std::fprintf(stderr, "%s: cannot write standard output: %s\n", g_tool, std::strerror(failure));
    std::fflush(stderr);
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
  if (const int failure = CloseStandardOutput(); failure != 0) {
    Say(std::string("cannot write standard output: ") + std::strerror(failure));
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
