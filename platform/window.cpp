#include "platform/window.h"

#include <cerrno>
#include <cstdlib>

#include "platform/env.h"

namespace platform {

WindowService& SdlWindowServiceInstance();  // window_sdl.cpp

namespace {
WindowService* g_installed = nullptr;
}  // namespace

bool MessageQueue::TakeHead(WindowMessage* out) {
  if (q_.empty()) return false;
  *out = q_.front();
  q_.pop_front();
  return true;
}

bool MessageQueue::TakeFirst(bool thread, WindowMessage* out) {
  for (auto it = q_.begin(); it != q_.end(); ++it) {
    if (it->thread == thread) {
      *out = *it;
      q_.erase(it);
      return true;
    }
  }
  return false;
}

bool MessageQueue::TakeThread(WindowMessage* out) {
  return TakeFirst(true, out);
}
bool MessageQueue::TakeWindow(WindowMessage* out) {
  return TakeFirst(false, out);
}

void MessageQueue::DropWindowMessages() {
  std::erase_if(q_, [](const WindowMessage& m) { return !m.thread; });
}

void WindowService::EnableInputMethod(bool on) {
  ime_.enabled = on;
  if (on) return;
  ime_.composing = false;
  ime_.composition.clear();
  ime_.cursor = 0;
  ime_.clauses.clear();
  ime_.result.clear();
}

WindowService& CurrentWindowService() {
  return g_installed != nullptr ? *g_installed : SdlWindowServiceInstance();
}

void InstallWindowService(WindowService* service) {
  g_installed = service;
}

bool ParseDesktopSetting(const std::string& text, DesktopInfo* out) {
  long v[3];
  const char* p = text.c_str();
  for (int i = 0; i < 3; ++i) {
    if (*p < '0' || *p > '9') return false;
    char* end = nullptr;
    errno = 0;
    v[i] = std::strtol(p, &end, 10);
    if (errno != 0) return false;
    p = end;
    if (i < 2) {
      if (*p != 'x') return false;
      ++p;
    }
  }
  if (*p != '\0') return false;
  if (v[0] < 1 || v[0] > 16384 || v[1] < 1 || v[1] > 16384) return false;
  if (v[2] != 8 && v[2] != 16 && v[2] != 24 && v[2] != 32) return false;
  *out = DesktopInfo{static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2])};
  return true;
}

bool DesktopFromEnvironment(DesktopInfo* out) {
  auto v = EnvSetting("MORROW_DESKTOP");
  if (!v) return false;
  if (ParseDesktopSetting(*v, out)) return true;
  ReportBadSetting("MORROW_DESKTOP", *v, "WIDTHxHEIGHTxBPP with BPP 8, 16, 24 or 32");
  return false;
}

}  // namespace platform
