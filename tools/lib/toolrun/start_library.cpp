#include "morrow/system/library.h"
#include "platform/instance_lock.h"
#include "platform/window.h"
#include "tools/lib/toolrun/tool_run.h"

#include <cstdlib>

namespace toolrun {

int StartLibrary(int refusedStatus) {
  // The library ends a second instance itself, with success; a tool must not claim work it did
  // not do, so it asks first. The lock is named after the library's window class.
  if (platform::InstanceLock::HeldElsewhere("Morrow")) {
    Say("nothing done: another instance holds the library's lock");
    std::exit(kLockHeld);
  }
  if (!platform::CurrentWindowService().StartVideo()) {
    Say("the library did not start: no display service (headless runs set "
        "SDL_VIDEODRIVER=dummy)");
    std::exit(refusedStatus);
  }
  if (morrow::InitLibrary() != 0) {
    Say("the library did not start (AppLog.txt says why)");
    return -1;
  }
  return 0;
}

}  // namespace toolrun
