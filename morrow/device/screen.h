// The screen: display set-up, mode, depth and size, and the entry points of the device layer
// that the library's start, end and window procedure call.
#pragma once

namespace morrow {

int InitDirectDraw();
int TerminateDirectDraw();
// The selected screen depth in bits per pixel.
int GetScreenBitDepth();
// Either pointer may be null.
int GetScreenSize(int* width, int* height);
// Non-zero once the display is set up.
int IsDirectDrawReady();
int SetDDrawStartFlag(int flag);
// -1 keeps a value. 0, -1 or -2. Like any change of the display, a mode change is announced to
// the main window with a display-change message (platform::msg::kDisplayChange): the window-mode
// switch pumps until that message has arrived.
int ChangeScreenMode(int width, int height, int bitDepth, int force, int refreshRate);
int GetDisplayModeChangedFlag();
int LogColorFormat();

// Presentation of the back screen into the window.
int PresentFrameWindowed();

// Movies playing into graphs.
int PlayAllMovies();
int PauseAllMovies();
int ReleaseAllMovies();

}  // namespace morrow
