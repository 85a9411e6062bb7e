// Key codes of the keyboard table (the PC keyboard's scan codes, as the library numbers keys)
// and the window system's virtual keys they correspond to.
#pragma once

#include <cstdint>

namespace platform {

namespace key {
inline constexpr uint8_t kEscape = 0x01, kQ = 0x10, kW = 0x11, kA = 0x1E, kS = 0x1F, kD = 0x20,
                         kZ = 0x2C, kX = 0x2D, kC = 0x2E, kSpace = 0x39, kF1 = 0x3B, kF2 = 0x3C,
                         kF5 = 0x3F, kNumpad8 = 0x48, kNumpad4 = 0x4B, kNumpad6 = 0x4D,
                         kNumpad2 = 0x50, kUp = 0xC8, kLeft = 0xCB, kRight = 0xCD, kDown = 0xD0;
}  // namespace key

// The virtual key of a key code; 0 for a code without one.
uint8_t VirtualKeyOfKeyCode(uint8_t code);

}  // namespace platform
