// What the display's parts share: the report of a caller's misuse and the canary byte around
// every surface's pixels. Internal to platform_display: display.cpp holds the results, pixel
// formats, settings, reference counting, clippers and palettes; display_surface.cpp the
// surfaces; display_blit.cpp the copies and colour fills; display_screen.cpp the display with its
// modes and the objects it makes; display_present.cpp the blank waits and the presentation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/display.h"
#include "platform/vector_support.h"

namespace platform::display_internal {

// A call on a dead object or a damaged canary is a fault of the caller: say so, and stop a
// debug build where it happened (SetDisplayMisuseFatal).
void Misuse(const char* what);

constexpr uint8_t kCanaryByte = 0xCD;

// The keyed copy of height rows of width 32-bit pixels: a source pixel inside the key's range
// leaves the destination's as it was. level says which vector forms may run; all of them write
// the same pixels.
void KeyedRows32(uint8_t* dest, ptrdiff_t destPitch, const uint8_t* src, ptrdiff_t srcPitch,
                 int32_t width, int32_t height, const ColorKey& k, VectorSupport level);

// Whether a format is one the display's 3D device lists and can hold: a texture format (RGB, 16
// or 32 bits, none of the kinds it cannot hold), a depth-buffer format.
bool IsTextureFormatOf(const Direct3DConfig& config, const PixelFormat& f);
bool IsDepthFormatOf(const Direct3DConfig& config, const PixelFormat& f);
// The Direct3D object as handed out: wrapped by the recorder when one is set.
std::shared_ptr<Direct3D> WrapForRecorder(std::shared_ptr<Direct3D> d3d);

// What the 3D device reads and writes of a surface behind its public calls: the pixels of its
// render target and textures, a texture's colour key, and the scene mark.
struct SurfaceAccess {
  // Null for a dead or lost surface.
  static uint8_t* Pixels(Surface& s) { return s.dead_ || s.lost_ ? nullptr : s.Pixels(); }
  static bool Dead(const Surface& s) { return s.dead_; }
  static bool Lost(const Surface& s) { return s.lost_; }
  static uint32_t Caps(const Surface& s) { return s.caps_; }
  static bool Busy(const Surface& s) { return s.locked_ || s.dcOut_; }
  static const ColorKey* Key(const Surface& s) { return s.hasKey_ ? &s.key_ : nullptr; }
  static void SetSceneOpen(Surface& s, bool open) { s.sceneOpen_ = open; }
  static void Written(Surface& s) { s.AfterWrite(); }
  static std::shared_ptr<Display> DisplayOf(const Surface& s) { return s.display_.lock(); }
};

}  // namespace platform::display_internal
