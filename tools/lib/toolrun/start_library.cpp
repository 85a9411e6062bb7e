#include "morrow/system/library.h"
#include "platform/window.h"
#include "tools/lib/toolrun/tool_run.h"

#include <cstdlib>

namespace toolrun {

int StartLibrary(int refusedStatus) {
  // The library ends a second instance itself, with success, and a tool must not claim work it
  // did not do. Taking the lock here, before the library asks for it, leaves no moment for
  // another start to slip in between; the library's own claim then finds it held by this process.
  // The lock is named after the library's window class.
  platform::WindowService& service = platform::CurrentWindowService();
  if (!service.AcquireInstance("Morrow")) {
    Say(kLockHeldLine);
    std::exit(kLockHeld);
  }
  // The start puts in the handlers by which a stop signal closes the library's window; a
  // recorder the tool put in first would keep them out. One that comes during the start waits
  // for the window, so that it closes it.
  const StopSignalHandOver handOver;
  // Without a display the library ends the process with 255 and a message box's words.
  if (!service.StartVideo()) {
    Say("the library did not start: no display service (headless runs set "
        "SDL_VIDEODRIVER=dummy)");
    std::exit(refusedStatus);
  }
  return morrow::InitLibrary() == 0 ? 0 : -1;
}

}  // namespace toolrun
