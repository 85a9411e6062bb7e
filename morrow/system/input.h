// Keyboard and game pads.
//
// The game reads each player's controls once per frame as a set of direction and button bits,
// the keyboard OR-ed into the first player's, and tests single keys by their key code (the
// 256-entry key table's index: Escape 0x01, Z 0x2C, left arrow 0xCB, ...). Devices are found at
// start; a device is read at most once per millisecond unless it reported a change.
#pragma once

#include <cstdint>

namespace morrow {

// 0 on success (or when already started), -1 when the input system cannot be made, 1 when the
// keyboard works without its change notification.
int InitDirectInput();
int TerminateDirectInput();
// Takes one controller found at the start (the service's number); 1 to go on with the next, 0
// once the eighth pad has been added.
int EnumJoypadCallback(int device);
// 1 while the key is down, else 0.
int IsKeyPressed(int key);
int GetPadCount();
// device: pad 1 to 8 (0 none), plus 0x1000 to OR in the keyboard's bits.
int GetPadInputBits(int device);
// 1 when the state was read, 0 when it was left as it was.
int UpdateKeyboardState();
// 0, or -1 when the window closed during a retry.
int UpdateJoypadState(int pad);
int ClearKeyboardBuffer();

}  // namespace morrow
