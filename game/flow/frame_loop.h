// The program's run: start-up, one loop iteration per frame of 1/60 s, shut-down; the quit scene;
// the frame-rate count, the pause key and the big digit numbers.
#pragma once

#include <cstdint>

namespace veyrdale {

// The whole run. The program takes no arguments. 0 after a normal end, -1 when the library does
// not start (nothing else has then been done); 1 when it does not start for want of a display,
// after one line that says what to set.
int WinMain();

// The work of one loop iteration, without the pause, the capture copy, presentation, the wait or
// the pump: clears the draw target, counts the four players' input, swaps the directions while a
// reversing card runs, runs the scene of SceneId, resets the blend mode, draws the frame rate,
// advances the counters and takes the capture requests. Human players' input comes from their
// pads, or, when padBits is given, from its four pad words through the same counting step
// (headless runs). True when the frame asked for a capture: the loop then copies it into
// CaptureGraph and presents it whatever the rate.
bool RunFrameBody(const int* padBits);

// Runs the scene of `scene`; a number without a scene runs nothing.
void RunScene(int scene);

// Scene 6: one frame of the quit sequence. The captured last menu frame glows out while it grows;
// graphs and sounds go at frame 118 and the loop ends after frame 120.
void QuitScene();

// Counts one frame and returns the frame rate of the last completed second (1 during the first).
uint32_t CountFramesPerSecond();
struct FrameRateCounter {
  uint32_t frames = 0;     // counted since the last update
  uint32_t lastValue = 0;  // what is shown
  int64_t lastUpdateMs = 0;
  bool updated = false;  // false until the first call, which always closes a period
};
extern FrameRateCounter g_frameRate;

// The number of separate presses of F5 so far; odd means paused. Holding F5 counts once.
int32_t PollPauseKey();
struct PauseKeyState {
  int32_t framesHeld = 0;
  int32_t presses = 0;
};
extern PauseKeyState g_pauseKey;

// Nine digits of BigDigitGraphs, right-aligned with the last digit at x, 16 pixels apart, leading
// zeros drawn. A negative value draws as 0.
void DrawBigNumber(int x, int y, int value);

// The frame time: no frame ends before this many microseconds have passed since its start.
inline constexpr double kFrameMicroseconds = 16666.666666666668;
// The last part of the frame time that is spun on the clock instead of slept: a sleep's wake-up
// comes some tens of microseconds late.
inline constexpr int64_t kFrameSpinMicroseconds = 250;
// Holds the frame until kFrameMicroseconds have passed since `start` (microseconds of the
// library's high-resolution count): one sleep to a deadline kFrameSpinMicroseconds before the
// end, then clock reads until the time is up, so an idle game costs little processor time and
// the frame rate does not drift with the sleep's lateness.
void WaitForFrameEnd(int64_t start);

}  // namespace veyrdale
