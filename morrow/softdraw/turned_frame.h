// The part of the frame the rotated and quadrilateral draws share: staging the destination box
// and the source piece in the work surfaces, and locking target, source and work surface in that
// order with each draw's own texts.
#pragma once

#include <initializer_list>

#include "morrow/softdraw/frame.h"
#include "morrow/softdraw/turned_source.h"
#include "morrow/system/rect.h"
#include "platform/display.h"

namespace morrow::softdraw {

using TurnedLockTexts = LockTexts;

struct TurnedSurfaces {
  platform::Surface* target = nullptr;
  platform::Surface* source = nullptr;  // locked by this frame: null when it is the target
  platform::Surface* work = nullptr;    // null when the destination was not staged
  LockedSurface dest;                   // the target
  LockedSurface src;                    // the piece's surface, or the second work surface
  LockedSurface read;                   // the work surface, or the target again
  bool sourceStaged = false;            // the piece sits at (0, 0) of src
  bool sourceIsTarget = false;
};

// Stages and locks for a draw that touches box (draw-area coordinates, inside the area, so at 0
// or more): with stageDestination the box of the target, moved by the screen offset, is copied
// to the box's own place in the work surface; a piece in video memory that fits the screen is
// copied to (0, 0) of the second work surface. false, with nothing locked, when a work surface
// cannot be had. A failed lock ends the process with its text after unlocking what it held. A
// source without a surface record (the plain triangle's) stages and locks nothing of its own.
bool StageAndLock(platform::Surface* target, const TurnedSource& source, const Rect& box,
                  bool stageDestination, const TurnedLockTexts& texts, TurnedSurfaces* out);

// The box of the corners widened by 2 to the left and above and by 4 to the right and below (so
// that every pixel a triangle of those corners draws lies inside it), cut to area.
Rect CornersBox(std::initializer_list<int> xs, std::initializer_list<int> ys, const Rect& area);

// The target, then the source, then the work surface.
void UnlockTurnedSurfaces(const TurnedSurfaces& s);

// The locked surfaces all hold pixels of the screen's depth (none are made otherwise; a draw
// leaves alone any that do not).
bool SurfacesMatchDepth(const TurnedSurfaces& s, int depth);

}  // namespace morrow::softdraw
