#include "morrow/device/screen_state.h"

namespace morrow {

ScreenState& GetScreenState() {
  static ScreenState state;
  return state;
}

}  // namespace morrow
