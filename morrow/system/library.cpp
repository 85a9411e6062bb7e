// Start, end and pump before the main window exists.
// TEMPORARY: replaced by the main-window and message-pump component.
#include "morrow/system/library.h"

namespace morrow {

int InitLibrary() { return -1; }
int EndLibrary() { return 0; }
int PumpMessages() { return 0; }
int IsWindowDestroyed() { return 0; }
int HasMainWindow() { return 0; }

}  // namespace morrow
