#include "morrow/device/screen.h"
#include "platform/frame_dump.h"
#include "tools/lib/toolrun/tool_run.h"

namespace toolrun {

bool WriteLastPicture(const std::string& path) {
  std::string error;
  platform::Display* display = morrow::IsDirectDrawReady();
  if (display == nullptr) {
    error = path + ": the display is not set up";
  } else if (platform::WriteLastPresentedPng(display, path, &error)) {
    return true;
  }
  Say("cannot write " + error);
  return false;
}

}  // namespace toolrun
