// The main window, its procedure and the message pump.
//
// The library owns one window, class "Morrow", in a window mode or a full-screen mode. Its
// procedure turns window messages into library state (active, closing, display changed,
// character codes) and hands sound and socket notifications to their components. PumpMessages,
// called once per frame by the game and in the loop of every library wait, dispatches a few
// messages and then runs the periodic work of every component in a fixed order, so the whole
// library runs on one thread.
#pragma once

#include <cstdint>

namespace morrow {

// A window's identity as the library hands it around; 0 = no window.
using WindowHandle = uintptr_t;

// The window procedure. lParam carries a pointer for the sizing and moving messages.
int64_t MainWindowProc(WindowHandle window, uint32_t message, uint64_t wParam, int64_t lParam);

int PumpMessages();
// Holds the caller in the pump while the window is inactive, then restores lost graphs.
void WaitActiveAndRestore();

int ChangeWindowMode(int flag);
int SetWindowModeFlag(int flag);
int ApplyWindowStyle();
// Copies at most 255 bytes of GBK text; applied to the window when it exists.
int SetWindowTitle(const char* text);
int SetWindowIcon(int resourceId);
int SetMouseVisible(int flag);
int GetMousePosition(int* x, int* y);
int UpdateCursorAndMenu();
void HandleWindowMove(int64_t lParam);
int StoreDrawArea(const int area[4]);

WindowHandle GetMainWindow();
int IsWindowMode();
int GetWindowClientScreenRect(int out[4]);
int GetDesktopScreenInfo(int* width, int* height, int* depth);
int GetDefaultCursorVisible();
int GetLibraryVersion(int* version, int* directXLevel, int* osNumber);
int GetDisplayValue();
int IsClosePosted();
int HasWindowRegion();
double GetWindowScale();
int IsMenuInUse();

// Menus: kept as state; nothing in this system shows a menu bar.
struct Menu;
struct MenuItemInfo {
  uint16_t identifier;
  char text[128];
  Menu* subMenu;
};
// A menu of the library's own making, for RegisterMenuItems and ReadMenuItem.
Menu* CreateMenu();
// Adds an item (a null text makes a separator); texts longer than 127 bytes are cut.
int AppendMenuItem(Menu* menu, uint16_t identifier, const char* text, Menu* subMenu);
void DestroyMenu(Menu* menu);

int SetMenuInUse(int flag);
int SetMenuVisible(int flag);
int IsMenuShownByRequest();
int ShouldShowMenu();
int GetMenuItemText(uint16_t identifier, char text[128]);
// 0 for an item, 1 for a separator, -1 when there is no item at that position.
int ReadMenuItem(const Menu* menu, int position, MenuItemInfo* info);
int RegisterMenuItems(const Menu* menu);
struct MenuItemRecord {
  const Menu* menu;
  uint16_t position;
  uint16_t identifier;
  char text[128];
};
// By text, or with a null text by identifier; null when absent.
const MenuItemRecord* FindMenuItem(const char* name, uint16_t identifier);

// Window regions: kept as state and recorded for the window.
struct Region;
// One rectangle of height 1 for every run of opaque pixels, row by row. A pixel is transparent
// when all its bytes are 0. Null for bad arguments.
Region* CreateRegionFromPixels(int width, int height, const void* pixels, int pitch,
                               int bytesPerPixel);
void DeleteRegion(Region* region);
// The rectangles (left, top, right, bottom) of a region.
int GetRegionRectCount(const Region* region);
int GetRegionRect(const Region* region, int index, int out[4]);
// Takes ownership; null removes the region.
int SetWindowRegion(Region* region);
int SetWindowRegionFromGraph(int graph);

}  // namespace morrow
