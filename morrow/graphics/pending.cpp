// Entry points of the graphics core standing in until their components exist.
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/mask.h"

namespace morrow {

// TEMPORARY: replaced by the mask screen component
int DeleteMaskBuffer() {
  return 0;
}
// TEMPORARY: replaced by the mask screen component
int SetMaskEnabled(int) {
  return -1;
}
// TEMPORARY: replaced by the mask screen component
platform::Surface* GetMaskSurface() {
  return nullptr;
}
// TEMPORARY: replaced by the mask screen component
int ApplyMaskBeforeDraw(int, int, int, int, platform::Surface*) {
  return 0;
}
// TEMPORARY: replaced by the mask screen component
int ApplyMaskAfterDraw(int, int, int, int, platform::Surface*) {
  return 0;
}
// TEMPORARY: replaced by the mask screen component
int ReleaseMaskSurface() {
  return 0;
}
// TEMPORARY: replaced by the mask screen component
int RecreateMaskSurface() {
  return 0;
}

}  // namespace morrow
