#include "tools/lib/toolrun/tool_run.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace toolrun {
namespace {

const char* g_tool = "tool";
bool g_ended = false;

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

}  // namespace toolrun
