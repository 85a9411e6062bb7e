// The mask screen: a per-pixel mask over the draw target that decides which pixels of a drawing
// reach it. It is mask memory (one byte per screen pixel, FillMaskRect its only writer) and a
// mask surface of screen size. While the mask flag is on, the drawing calls run its hooks around
// every draw: before it the target's rectangle is copied into the mask surface, the software
// rasterisers draw into the mask surface instead of the target, and after it exactly the pixels
// whose mask byte is not 0 are copied back onto the target. Without a mask the hooks do nothing.
#pragma once

namespace platform {
class Surface;
}

namespace morrow {

// wantMemory: the mask memory (zero-filled, rows of the screen width raised to a multiple of 4)
// unless it exists; wantSurface: the mask surface unless it exists (failing to make it is fatal).
// 0; -1 before the screen exists.
int CreateMaskBuffer(int wantMemory, int wantSurface);
// Switches the mask off and frees the mask memory and surface. 0.
int DeleteMaskBuffer();
// Stores the mask flag and sets the screen offset for it; the 3D device draws into the mask
// surface while the flag is on. -1 (nothing changed) without mask memory.
int SetMaskEnabled(int flag);
int IsMaskEnabled();
// The surface draws go to while the mask is on; null when there is none.
platform::Surface* GetMaskSurface();
// Sets the mask bytes of the rectangle (right and bottom outside it, clipped to the mask) to the
// low byte of value. -1 without mask memory.
int FillMaskRect(int x1, int y1, int x2, int y2, int value);
// Before a draw: the target's rectangle copied into the mask surface. After it: the pixels of
// the rectangle whose mask byte is not 0 copied from the mask surface onto the target. Both work
// inside the draw area and the mask. 0.
int ApplyMaskBeforeDraw(int x1, int y1, int x2, int y2, platform::Surface* target);
int ApplyMaskAfterDraw(int x1, int y1, int x2, int y2, platform::Surface* target);
// Around a display rebuild: the mask surface released and made again. The mask memory is kept,
// so the mask survives the rebuild. 0.
int ReleaseMaskSurface();
int RecreateMaskSurface();

}  // namespace morrow
