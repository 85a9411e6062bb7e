// The part of the frame the solid colour's draws share (the filled box, the line, the circle):
// the blend values of the draw state, and the destination locked with, where blending must read
// a staged copy, the work surface holding the rectangle the draw touches.
#pragma once

#include <cstdint>

#include "morrow/raster/pixel_format.h"
#include "morrow/raster/solid_shapes.h"
#include "morrow/softdraw/frame.h"
#include "morrow/system/rect.h"
#include "platform/display.h"

namespace morrow::softdraw {

// What every solid draw does after its flush: finds the destination surface (nothing without a
// display), ends the 3D scene and brightens the colour into *prepared. Null (the draw
// fails with -1) without a display or while the screen surfaces are being made again.
platform::Surface* BeginSolidDraw(uint32_t colour, uint32_t* prepared);

struct SolidLocks {
  platform::Surface* dest = nullptr;
  platform::Surface* work = nullptr;  // null when the destination is read in place
  LockedSurface target;
  LockedSurface read;  // the work surface, or the target again
};

// Stages and locks. With a blend mode other than 0 on a screen deeper than 8 bits and the
// destination in video memory, the rectangle touched (draw-target coordinates, inside the
// surface as ClipArea keeps it) is copied, moved by the screen offset, from the destination to
// its own place in the work surface, which is then locked after the destination. false, with
// nothing locked, when the work surface cannot be had. A failed lock ends the process with its
// text after unlocking what it held.
bool StageAndLockSolid(platform::Surface* dest, const Rect& touched, const char* destText,
                       const char* readText, SolidLocks* out);

// The destination, then the work surface.
void UnlockSolid(const SolidLocks& locks);

// Both locked surfaces hold pixels of the screen's depth (none are made otherwise; a draw
// leaves alone any that do not).
bool SolidLocksMatchDepth(const SolidLocks& locks, int depth);

// The loop of a line or circle for the draw state's mode and parameter on the screen's format;
// nothing where the locked surfaces do not hold the screen's depth.
raster::ShapeLoop ChooseShapeLoopFor(const SolidLocks& locks);

// The draw state's blend parameter, kept to 0..255.
uint32_t BlendParameter();

// The screen's 16-bit layout, as the generic 16-bit loops take it.
raster::FGeneric16 ScreenLayout();

}  // namespace morrow::softdraw
