// What the display's parts share: the report of a caller's misuse and the canary byte around
// every surface's pixels. Internal to platform_display: display.cpp holds the results, pixel
// formats, settings, reference counting, clippers and palettes; display_surface.cpp the
// surfaces; display_blit.cpp the copies and colour fills; display_screen.cpp the display with its
// modes and the objects it makes; display_present.cpp the blank waits and the presentation.
#pragma once

#include <cstdint>

namespace platform::display_internal {

// A call on a dead object or a damaged canary is a fault of the caller: say so, and stop a
// debug build where it happened (SetDisplayMisuseFatal).
void Misuse(const char* what);

constexpr uint8_t kCanaryByte = 0xCD;

}  // namespace platform::display_internal
