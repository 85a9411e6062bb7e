// Entry points of the device layer standing in until their components exist: the 3D side of the
// drawing calls, of the draw target and of the viewport.
#include "morrow/device/direct3d.h"

namespace morrow {

// TEMPORARY: replaced by "Direct3D shapes, text, draw target and viewport"
int ClearDrawTarget3D() {
  return -1;
}
// TEMPORARY: replaced by "Direct3D shapes, text, draw target and viewport"
int RenderTextD3D(int, int, const char*, uint32_t, int, uint32_t, int) {
  return -1;
}

}  // namespace morrow
