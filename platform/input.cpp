#include "platform/input.h"

#include <memory>

#include "platform/env.h"
#include "platform/input_script.h"

namespace platform {

InputService& SdlInputServiceInstance();  // input_sdl.cpp

namespace {

InputService* g_installed = nullptr;

struct FrameCount {
  bool counting = false;
  uint64_t pumps = 0;
  uint64_t presents = 0;
};
FrameCount g_frames;

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
  g_frames = FrameCount{true, 0, 0};
}

void EndInputFrames() {
  g_frames.counting = false;
}

void NotifyPump() {
  if (g_frames.counting) ++g_frames.pumps;
}

void NotifyPresent() {
  if (g_frames.counting) ++g_frames.presents;
}

uint64_t CompletedInputFrames() {
  return g_frames.presents > 0 ? g_frames.presents : g_frames.pumps;
}

}  // namespace platform
