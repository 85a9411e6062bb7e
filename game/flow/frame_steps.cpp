#include "game/flow/frame_steps.h"

#include "game/flow/frame_state.h"

namespace veyrdale {

void AdvanceFrameCounters() {
  if (FreezeFrames == 0) {
    ++SceneFrame;
  } else if (FreezeFrames > 0) {
    --FreezeFrames;
  }
  ++FrameCount;
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
