#include "game/flow/frame_steps.h"

#include "game/core/frame_state.h"

namespace veyrdale {

namespace {

// Counters that run for ever wrap instead of overflowing.
void Increment(int32_t& counter) {
  counter = static_cast<int32_t>(static_cast<uint32_t>(counter) + 1u);
}

}  // namespace

void AdvanceFrameCounters() {
  if (FreezeFrames == 0) {
    Increment(SceneFrame);
  } else if (FreezeFrames > 0) {
    --FreezeFrames;
  }
  Increment(FrameCount);
}

bool TakeCaptureRequests() {
  bool capture = FadeCaptureRequest == 1 || SpellCaptureRequest == 1;
  if (FadeCaptureRequest == 1) FadeFrames = 30;
  if (SpellCaptureRequest == 1) SpellFadeFrames = 20;
  FadeCaptureRequest = 0;
  SpellCaptureRequest = 0;
  return capture;
}

}  // namespace veyrdale
