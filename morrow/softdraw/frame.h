// The frame the software draws share around their pixel loops: where they draw, the colour
// brightened by the draw bright, the clip rectangle, whole-surface locks that end the process
// when they fail, and the staging of video-memory rectangles in the work surfaces.
//
// A draw keeps nothing between calls: every lock it takes is released before it returns, in the
// order the locks were taken (the target, then the source, then the staged copy of the target),
// except on the fatal path, where a failed lock releases the surfaces already held as its caller
// lists them and ends the process.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "morrow/raster/pixel_format.h"
#include "morrow/system/rect.h"
#include "platform/display.h"

namespace morrow::softdraw {

// The mask surface while the mask is on and one exists, else the draw-target surface.
platform::Surface* DestinationSurface();

// Blending must read the destination from a staged copy: the draw target lies in video memory,
// or the mask is on with a mask surface in video memory.
bool DestinationInVideoMemory();

// Ends the 3D scene when the screen asks for it before surfaces are locked.
void EndSceneBeforeLock();

// The colour argument, a pixel of the screen format, with each channel times the draw bright's
// byte / 255 (truncating), packed again. A colour the 8-bit palette does not have counts as
// black.
uint32_t PrepareColour(uint32_t colour);

// The draw area, kept inside the destination surface as the screen offset places the draw
// target on it (and at coordinates of 0 or more), so that no rectangle that passed it addresses
// a pixel outside the surface.
Rect ClipArea(const platform::Surface& dest);

// The screen's format class at its depth.
raster::FormatClass ScreenFormatClass();

struct LockedSurface {
  uint8_t* bits = nullptr;
  int32_t pitch = 0;
  uint32_t bitsPerPixel = 0;

  uint8_t* At(int32_t x, int32_t y) const {
    return bits + static_cast<int64_t>(y) * pitch + static_cast<int64_t>(x) * (bitsPerPixel / 8);
  }
};

// Locks the whole surface. When the lock fails, the surfaces of held are unlocked in their
// order and the process ends through ExitWithError with text; it does not return.
LockedSurface LockWholeOrExit(platform::Surface* surface, const char* text,
                              std::initializer_list<platform::Surface*> held);

// Unlocks each surface that is not null, in order.
void UnlockInOrder(std::initializer_list<platform::Surface*> surfaces);

// The texts a draw ends with when one of its locks fails.
struct LockTexts {
  const char* target;
  const char* source;
  const char* work;
};

// The surfaces of one draw, locked.
struct HeldSurfaces {
  platform::Surface* target = nullptr;
  platform::Surface* source = nullptr;  // null when it is the target, whose lock it shares
  platform::Surface* work = nullptr;    // null when the destination was not staged
  LockedSurface dest;                   // the target
  LockedSurface src;                    // the source
  LockedSurface read;                   // the staged destination, or the target again
  bool sourceIsTarget = false;
};

// Locks the target, then the source (a graph drawn onto its own surface shares the target's
// lock), then the work surface when there is one, each whole; a failed lock ends the process
// with its text after unlocking what was held.
HeldSurfaces LockDrawSurfaces(platform::Surface* target, platform::Surface* source,
                              platform::Surface* work, const LockTexts& texts);

// The target, then the source, then the work surface.
void UnlockDrawSurfaces(const HeldSurfaces& held);

}  // namespace morrow::softdraw
