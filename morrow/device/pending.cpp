// Entry points of the device layer that the library's start, end and window procedure call,
// standing in until their components exist.
#include "morrow/device/screen.h"

#include "morrow/system/window.h"
#include "platform/window.h"

namespace morrow {
namespace {
int g_ready = 0;
}  // namespace

// TEMPORARY: replaced by "Screen: colour formats, display surfaces and presentation"
int InitDirectDraw() {
  g_ready = 1;
  return 0;
}

// TEMPORARY: replaced by "Screen: colour formats, display surfaces and presentation"
int TerminateDirectDraw() {
  g_ready = 0;
  return 0;
}

// TEMPORARY: replaced by "Screen: colour formats, display surfaces and presentation"
int GetScreenBitDepth() {
  return 32;
}

// TEMPORARY: replaced by "Screen: colour formats, display surfaces and presentation"
int GetScreenSize(int* width, int* height) {
  if (width != nullptr) *width = 640;
  if (height != nullptr) *height = 480;
  return 0;
}

// TEMPORARY: replaced by "Screen: colour formats, display surfaces and presentation"
int IsDirectDrawReady() {
  return g_ready;
}

// TEMPORARY: replaced by "Screen: colour formats, display surfaces and presentation"
int SetDDrawStartFlag(int) {
  return 0;
}

// TEMPORARY: replaced by "Screen: colour formats, display surfaces and presentation"
// A mode change is announced to the window like any change of the display, which is what ends
// the window-mode switch's wait.
int ChangeScreenMode(int, int, int, int, int) {
  if (GetMainWindow() != 0) {
    platform::CurrentWindowService().Queue().Post(
        platform::WindowMessage{platform::msg::kDisplayChange, 32, 640 | (480 << 16), false});
  }
  return 0;
}

// TEMPORARY: replaced by "Screen: colour formats, display surfaces and presentation"
int GetDisplayModeChangedFlag() {
  return 0;
}

// TEMPORARY: replaced by "Screen: colour formats, display surfaces and presentation"
int LogColorFormat() {
  return 0;
}

// TEMPORARY: replaced by "Draw state, drawing calls and the screen back end"
int PresentFrameWindowed() {
  return 0;
}

// TEMPORARY: replaced by the movie component
int PlayAllMovies() {
  return 0;
}
// TEMPORARY: replaced by the movie component
int PauseAllMovies() {
  return 0;
}
// TEMPORARY: replaced by the movie component
int ReleaseAllMovies() {
  return 0;
}

}  // namespace morrow
