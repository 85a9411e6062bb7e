// The mask screen: a per-pixel mask over the draw target that decides which pixels of a drawing
// reach it. The drawing calls run its hooks around every draw while the mask flag is on; they do
// nothing while no mask surface exists, and no call makes one yet.
#pragma once

namespace platform {
class Surface;
}

namespace morrow {

// Switches the mask off and frees the mask memory and surface. 0.
int DeleteMaskBuffer();
// Stores the mask flag and sets the screen offset for it. -1 (nothing changed) without mask
// memory.
int SetMaskEnabled(int flag);
// The surface draws go to while the mask is on; null when there is none.
platform::Surface* GetMaskSurface();
// Before a draw: the target's rectangle copied into the mask surface. After it: the masked
// pixels made transparent and the rectangle copied back onto the target. 0.
int ApplyMaskBeforeDraw(int x1, int y1, int x2, int y2, platform::Surface* target);
int ApplyMaskAfterDraw(int x1, int y1, int x2, int y2, platform::Surface* target);
// Around a display rebuild: the mask memory and surface released and made again. 0.
int ReleaseMaskSurface();
int RecreateMaskSurface();

}  // namespace morrow
