// Game-wide frame state: the current scene, the frame counters and the requests that the scenes
// and the battle leave for the frame loop. Zero at program start unless noted.
#pragma once

#include <cstdint>

namespace veyrdale {

extern int32_t SceneId;     // a SceneNumber (scenes.h); starts at the opening pictures
extern int32_t SceneFrame;  // frames in the current scene; negative schedules a change
// Every loop iteration, never reset. Counted without overflow: after 2^31 - 1 frames (414 days at
// 60 a second) it wraps to negative values.
extern int32_t FrameCount;
extern int32_t FreezeFrames;      // spell-card freeze; SceneFrame holds while it runs
extern int32_t ExitRequested;     // the loop ends before its next iteration
extern int32_t SlowMotionFrames;  // each frame waits longer while it runs
extern int32_t CaptureGraph;      // graph handle of the last presented screen, for cross-fades
extern uint8_t FadeCaptureRequest;
extern int32_t FadeFrames;
extern uint8_t SpellCaptureRequest;
extern int32_t SpellFadeFrames;
extern uint8_t ReversedControlsActive;  // a reversing spell card is in force
extern int64_t FrameStartTime;          // microseconds, taken at the top of the iteration

// Digit pictures 0 to 9, cut at start-up from "Resource\font00.dat" (11 x 16), font00s.dat
// (10 x 13) and font00b.dat (15 x 25). -1 where nothing is loaded.
extern int32_t DigitGraphs[10];
extern int32_t SmallDigitGraphs[10];
extern int32_t BigDigitGraphs[10];

}  // namespace veyrdale
