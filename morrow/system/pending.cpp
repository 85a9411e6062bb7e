// Entry points of the character input and input method component, standing in until it exists:
// no text input is kept.
#include "morrow/system/char_input.h"

namespace morrow {

// TEMPORARY: replaced by the character input and input method component
int InitCharCodeBuffer() {
  return 0;
}
// TEMPORARY: replaced by the character input and input method component
int DeleteAllKeyInputs() {
  return 0;
}
// TEMPORARY: replaced by the character input and input method component
int ProcessKeyInput() {
  return 0;
}
// TEMPORARY: replaced by the character input and input method component
int PutCharCode(int) {
  return 0;
}
// TEMPORARY: replaced by the character input and input method component
int IsCharCodeRingFull() {
  return 0;
}
// TEMPORARY: replaced by the character input and input method component
int64_t HandleImeMessage(uintptr_t, uint32_t, uint64_t, int64_t) {
  return 0;
}

}  // namespace morrow
