// Entry points of the character input and input method component that the start, end, pump and
// window procedure call.
#pragma once

#include <cstdint>

namespace morrow {

int InitCharCodeBuffer();
int DeleteAllKeyInputs();
// Run by every pump, with the pump's nesting guard set.
int ProcessKeyInput();
// 0, or -1 when the ring is full (the byte is dropped).
int PutCharCode(int code);
// 1 when the character-code ring has no room.
int IsCharCodeRingFull();
// The window procedure's result for the input-method messages.
int64_t HandleImeMessage(uintptr_t window, uint32_t message, uint64_t wParam, int64_t lParam);

}  // namespace morrow
