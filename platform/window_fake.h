// A window service for tests: no window system, every call recorded in order, the desktop and
// the display's presence chosen by the test, events injected through the queue or a hook that
// runs on every poll.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/window.h"

namespace platform {

class FakeWindowService : public WindowService {
 public:
  bool AcquireInstance(const char*) override {
    Record("acquire");
    if (otherInstanceRunning) return false;
    instanceHeld = true;
    return true;
  }
  void ReleaseInstance() override {
    if (instanceHeld) Record("release");
    instanceHeld = false;
  }
  bool StartVideo() override {
    videoRefusal_ = noDisplay;
    if (!videoAvailable || !noDisplay.empty()) return false;
    videoStarted = true;
    return true;
  }
  void StopVideo() override {
    if (window) DestroyMainWindow();
    videoStarted = false;
  }
  bool Desktop(DesktopInfo* out) override {
    if (!videoAvailable) return false;
    *out = desktop;
    return true;
  }
  bool CreateMainWindow(const std::string& t, const ClientRect& c, WindowKind k) override {
    Record("create " + t);
    if (failCreate || !videoAvailable) return false;
    window = true;
    title = t;
    client = c;
    kind = k;
    queue_.Clear();
    return true;
  }
  void DestroyMainWindow() override {
    if (!window) return;
    Record("destroy");
    window = false;
    queue_.DropWindowMessages();
  }
  bool HasWindow() const override { return window; }
  void Show() override { Record("show"); }
  void Raise() override { Record("raise"); }
  void SetTopmost(bool t) override {
    Record(t ? "topmost" : "not topmost");
    topmost = t;
  }
  void SetTitle(const std::string& t) override {
    Record("title " + t);
    title = t;
  }
  void SetKind(WindowKind k) override {
    Record(k == WindowKind::kFullScreen ? "kind full" : "kind window");
    kind = k;
  }
  void SetClientRect(const ClientRect& c) override {
    Record("client " + std::to_string(c.x) + "," + std::to_string(c.y) + " " +
           std::to_string(c.width) + "x" + std::to_string(c.height));
    client = c;
  }
  ClientRect GetClientRect() override { return client; }
  void SetCursorShown(bool s) override {
    Record(s ? "cursor shown" : "cursor hidden");
    cursorShown = s;
  }
  bool MousePosition(int* x, int* y) override {
    if (!window) return false;
    *x = mouseX;
    *y = mouseY;
    return true;
  }
  void PaintBlack() override { Record("paint black"); }
  void ShowMessageBox(const char* caption, const char* text) override {
    Record(std::string("box ") + caption + ": " + text);
  }
  void PollEvents() override {
    ++polls;
    if (onPoll) onPoll(queue_);
  }

  int CandidateList(void* out, int size) override {
    const int bytes = static_cast<int>(candidates.size());
    if (size == 0) return bytes;
    if (candidateFetchFails || out == nullptr || size < bytes) return 0;
    std::memcpy(out, candidates.data(), candidates.size());
    return bytes;
  }

  void Record(const std::string& call) { calls.push_back(call); }

  // Chosen by the test.
  bool videoAvailable = true;
  // When set, the video start is refused for want of a display, with this as the reason.
  std::string noDisplay;
  bool otherInstanceRunning = false;
  bool failCreate = false;
  DesktopInfo desktop{1024, 768, 32};
  int mouseX = 0;
  int mouseY = 0;
  std::function<void(MessageQueue&)> onPoll;
  // The input method's candidate list; with candidateFetchFails its size is told but no copy is
  // made.
  std::vector<uint8_t> candidates;
  bool candidateFetchFails = false;

  // Observed.
  std::vector<std::string> calls;
  bool instanceHeld = false;
  bool videoStarted = false;
  bool window = false;
  std::string title;
  ClientRect client;
  WindowKind kind = WindowKind::kWindowed;
  bool topmost = false;
  bool cursorShown = true;
  int polls = 0;
};

}  // namespace platform
