// The library's start and end, and the message pump that every wait runs.
#pragma once

namespace morrow {

int InitLibrary();
int EndLibrary();

// Dispatches pending window messages and runs the per-frame work of the components.
// 0 while the window lives, -1 once it is gone.
int PumpMessages();
// 1 once the main window has been destroyed.
int IsWindowDestroyed();
// 1 while the main window exists.
int HasMainWindow();

}  // namespace morrow
