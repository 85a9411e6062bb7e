#include "platform/input.h"

#include <memory>

#include "platform/env.h"
#include "platform/input_script.h"
#include "platform/window.h"

namespace platform {

InputService& SdlInputServiceInstance();  // input_sdl.cpp

namespace {

InputService* g_installed = nullptr;

struct FrameCount {
  bool counting = false;
  uint64_t pumps = 0;
  uint64_t presents = 0;
  bool closePosted = false;
};
FrameCount g_frames;

struct FrameLimitSetting {
  bool overridden = false;  // set by SetFrameLimit rather than the environment
  uint64_t frames = 0;
};
FrameLimitSetting g_limit;

void ReadFrameLimit() {
  if (g_limit.overridden) return;
  // A value that is no frame count sets no limit and is reported (a malformed one by EnvInteger);
  // 0 too: it would end the run before its first frame, which no one asks for on purpose.
  g_limit.frames = 0;
  auto text = EnvSetting("MORROW_MAX_FRAMES");
  if (!text) return;
  const int64_t n = EnvInteger("MORROW_MAX_FRAMES", 0);
  if (n < 1) {
    ReportBadSetting("MORROW_MAX_FRAMES", *text, "a frame count of 1 or more");
    return;
  }
  g_limit.frames = static_cast<uint64_t>(n);
}

// The end of a frame: past the limit the window is asked to close, as its close button would.
void FrameDone() {
  if (g_limit.frames == 0 || g_frames.closePosted || CompletedInputFrames() < g_limit.frames) {
    return;
  }
  g_frames.closePosted = true;
  CurrentWindowService().Queue().Post(WindowMessage{msg::kClose, 0, 0, false});
}

InputService* EnvironmentService() {
  static std::unique_ptr<ScriptInputService> script;
  static InputService* chosen = []() -> InputService* {
    auto path = EnvSetting("MORROW_INPUT_SCRIPT");
    if (!path) return &SdlInputServiceInstance();
    ScriptInputService* loaded = nullptr;
    bool ok = ScriptInputService::LoadFile(*path, &loaded);
    script.reset(loaded);
    return ok ? static_cast<InputService*>(script.get()) : &SdlInputServiceInstance();
  }();
  return chosen;
}

}  // namespace

InputService& CurrentInputService() {
  return g_installed != nullptr ? *g_installed : *EnvironmentService();
}

void InstallInputService(InputService* service) {
  g_installed = service;
}

void BeginInputFrames() {
  ReadFrameLimit();
  g_frames = FrameCount{true, 0, 0, false};
}

void EndInputFrames() {
  g_frames.counting = false;
}

void NotifyPump() {
  if (!g_frames.counting) return;
  ++g_frames.pumps;
  FrameDone();
}

uint64_t NotifyPresent() {
  if (!g_frames.counting) return 0;
  ++g_frames.presents;
  FrameDone();
  return g_frames.presents;
}

uint64_t NotifyHeldFrame() {
  if (dynamic_cast<ScriptInputService*>(&CurrentInputService()) == nullptr) return 0;
  return NotifyPresent();
}

uint64_t CompletedInputFrames() {
  return g_frames.presents > 0 ? g_frames.presents : g_frames.pumps;
}

void SetFrameLimit(uint64_t frames) {
  g_limit.overridden = true;
  g_limit.frames = frames;
}

void ClearFrameLimit() {
  g_limit = FrameLimitSetting{};
}

uint64_t FrameLimit() {
  ReadFrameLimit();
  return g_limit.frames;
}

}  // namespace platform
