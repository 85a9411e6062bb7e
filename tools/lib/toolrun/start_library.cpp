#include "morrow/system/library.h"
#include "platform/window.h"
#include "tools/lib/toolrun/tool_run.h"

#include <cstdlib>
#include <string>

namespace toolrun {

void ClaimLibraryLock() {
  // Held through the window service, so that the library's own claim, when the tool starts it,
  // finds the lock held by this process. The lock is named after the library's window class.
  if (platform::CurrentWindowService().AcquireInstance("Morrow")) return;
  Say(kLockHeldLine);
  std::exit(kLockHeld);
}

int StartLibrary(int refusedStatus) {
  // The library ends a second instance itself, with success, and a tool must not claim work it
  // did not do. Taking the lock here, before the library asks for it, leaves no moment for
  // another start to slip in between.
  ClaimLibraryLock();
  // The start puts in the handlers by which a stop signal closes the library's window; a
  // recorder the tool put in first would keep them out. One that comes during the start waits
  // for the window, so that it closes it.
  const StopSignalHandOver handOver;
  // Without a display the library ends the process with 255 and a message box's words.
  platform::WindowService& video = platform::CurrentWindowService();
  if (!video.StartVideo()) {
    const std::string& why = video.VideoRefusal();
    Say(std::string(kNoDisplayLine) + " (" +
        (why.empty() ? std::string("headless runs set SDL_VIDEODRIVER=dummy") : why) + ")");
    std::exit(refusedStatus);
  }
  return morrow::InitLibrary() == 0 ? 0 : -1;
}

}  // namespace toolrun
