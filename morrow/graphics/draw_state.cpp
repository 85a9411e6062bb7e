#include "morrow/graphics/draw_state.h"

#include "morrow/graphics/graph_system.h"

namespace morrow {

DrawState& GetDrawState() {
  static DrawState state;
  return state;
}

uint32_t GetDrawStateKeyColor() {
  return GetDrawState().keyColor;
}

int SetDrawStateKeyColor(uint32_t keyColor) {
  GetDrawState().keyColor = keyColor & 0x00FFFFFFu;
  return 0;
}

int IsGraphicsOff() {
  return GetDrawState().graphicsOff != 0 ? 1 : 0;
}

}  // namespace morrow
