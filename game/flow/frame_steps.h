// Steps of the frame loop that also run outside it (headless battle runs).
#pragma once

namespace veyrdale {

// After the scene: SceneFrame advances unless a spell-card freeze runs, which counts down
// instead; FrameCount always advances.
void AdvanceFrameCounters();

// Takes this frame's capture requests: a cross-fade request starts FadeFrames at 30, a spell-card
// request SpellFadeFrames at 20, and both requests are cleared. True when the frame is to be
// copied into CaptureGraph.
bool TakeCaptureRequests();

}  // namespace veyrdale
