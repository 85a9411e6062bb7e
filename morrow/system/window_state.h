// The window-system state block, shared by the start and end (library.cpp) and the window and
// pump (window.cpp). One thread; no locking.
#pragma once

#include <cstdint>
#include <vector>

#include "morrow/system/window.h"

namespace morrow {

struct WindowSystemState {
  // Settings made before the start; they survive the clear at the window set-up.
  int windowMode = 0;  // 1 window, 0 full screen
  int styleMode = 0;   // row of the style tables; 0 in this system
  char title[256] = {};
  int iconId = 0;

  // Everything below is cleared when the window is set up.
  WindowHandle window = 0;
  int initialised = 0;
  int closePosted = 0;
  int destroyed = 0;
  int active = 0;
  int modeChanging = 0;
  int displayChanged = 0;
  int surfacesLost = 0;
  int creating = 0;
  int styleApplied = 0;
  double scale = 0.0;  // not above 0 reads as 1.0
  int cursorRequest = 0;
  int cursorState = 0;
  int desktopWidth = 0;
  int desktopHeight = 0;
  int desktopDepth = 0;
  int client[4] = {};  // left, top, right, bottom in desktop coordinates
  int drawArea[4] = {};
  int64_t counterFrequency = 0;
  int useCounter = 0;
  int leadByteSelector = 0;
  int timerMinimumPeriod = 0;

  Menu* menu = nullptr;
  int menuInUse = 0;
  int menuHiddenByRequest = 0;
  int menuShown = 0;
  int mouseNearTop = 0;
  std::vector<MenuItemRecord> menuItems;

  Region* region = nullptr;
  int pumpGuard = 0;
};

WindowSystemState& WindowState();

// Clears the block but for the settings made before the start.
void ClearWindowStateForStart();

// The style-table row for a style mode, as the window system's style bits.
struct WindowStyleRow {
  uint32_t windowStyle;
  uint32_t windowExStyle;
  uint32_t fullStyle;
  uint32_t fullExStyle;
};
WindowStyleRow StyleRow(int styleMode);

// The DirectX level word measured by the start (0x70000 when the display service exists).
int LibraryDirectXLevel();

// The library's own window: made and removed by the start and end.
inline constexpr WindowHandle kMainWindowHandle = 1;

// Sends a message to the procedure at once (as the window system does for the messages it sends
// rather than posts).
int64_t SendToWindow(uint32_t message, uint64_t wParam = 0, int64_t lParam = 0);
// Posts a message for the window.
void PostToWindow(uint32_t message, uint64_t wParam = 0, int64_t lParam = 0);
// Removes the window: its procedure receives the destroy message first.
void DestroyWindowNow();

}  // namespace morrow
