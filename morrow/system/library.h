// The library's start and end.
//
// InitLibrary brings every component up in one fixed order and EndLibrary takes them down
// again; the game calls the first once after its configuration calls (window mode, title,
// screen mode) and the second once after its frame loop. A failed start has already passed
// through EndLibrary, and EndLibrary may be called again after it.
#pragma once

#include "morrow/system/window.h"

namespace morrow {

// 0, or -1 when the start failed, said in one line on stderr; or -1 without a line when there is
// no display but one that draws nowhere, which the user did not choose: LibraryNoDisplayReason
// then says why, for the caller to tell. A second instance and a machine whose display service
// fails outright end the process instead, each with its line on stderr.
int InitLibrary();
// Why the last InitLibrary found no display, in words the user can act on; "" when it did not.
const char* LibraryNoDisplayReason();
// Always 0.
int EndLibrary();

// Dispatches pending window messages and runs the per-frame work of the components.
// 0 while the window lives, -1 once it is gone.
int PumpMessages();
// 1 once the main window has been destroyed.
int IsWindowDestroyed();
// 1 while the main window exists.
int HasMainWindow();

int CreateMainWindow();
int DestroyMainWindow();
int InitCom();
int EndCom();
// Writes the machine's description; ends the process when there is no display.
void LogSystemInfo();
int StartDisplay(WindowHandle window);
int EndDisplay();
// Sizes the window so its client area is the screen size times the window scale.
void AdjustWindowToClientSize();
void ForceForegroundWindow(WindowHandle window, int topmost);

}  // namespace morrow
