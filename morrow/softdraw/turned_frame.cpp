#include "morrow/softdraw/turned_frame.h"

#include <algorithm>

#include "morrow/device/color_format.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"

namespace morrow::softdraw {

bool StageAndLock(platform::Surface* target, const TurnedSource& source, const Rect& box,
                  bool stageDestination, const TurnedLockTexts& texts, TurnedSurfaces* out) {
  const DrawState& ds = GetDrawState();
  TurnedSurfaces s;
  s.target = target;
  if (stageDestination) {
    s.work = GetWorkSurfaceCovering(0, box.right, box.bottom);
    if (s.work == nullptr) return false;
    const Rect onTarget{box.left + ds.screenOffset.left, box.top + ds.screenOffset.top,
                        box.right + ds.screenOffset.left, box.bottom + ds.screenOffset.top};
    CopySurfaceRect(s.work, target, box.left, box.top, &onTarget);
  }
  if (source.surface == nullptr) {
    // No piece (the plain triangle): the target and the staged copy are all there is to lock.
    s.sourceIsTarget = true;
    s.dest = LockWholeOrExit(target, texts.target, {});
    s.src = s.dest;
    s.read = s.work != nullptr ? LockWholeOrExit(s.work, texts.work, {target}) : s.dest;
    *out = s;
    return true;
  }
  platform::Surface* pieceSurface = source.surface->surface.get();
  const Surface2DRecord& piece = *source.piece;
  int screenWidth = 0, screenHeight = 0;
  GetScreenSize(&screenWidth, &screenHeight);
  platform::Surface* src = pieceSurface;
  if (source.surface->flags.systemMemory == 0 && piece.width <= screenWidth &&
      piece.height <= screenHeight) {
    src = GetWorkSurfaceCovering(1, piece.width, piece.height);
    if (src == nullptr) return false;
    const Rect onPiece{piece.xOnSurface, piece.yOnSurface, piece.xOnSurface + piece.width,
                       piece.yOnSurface + piece.height};
    CopySurfaceRect(src, pieceSurface, 0, 0, &onPiece);
    s.sourceStaged = true;
  }
  const HeldSurfaces held = LockDrawSurfaces(target, src, s.work, texts);
  s.sourceIsTarget = held.sourceIsTarget;
  s.source = held.source;
  s.dest = held.dest;
  s.src = held.src;
  s.read = held.read;
  *out = s;
  return true;
}

Rect CornersBox(std::initializer_list<int> xs, std::initializer_list<int> ys, const Rect& area) {
  const auto [minX, maxX] = std::minmax(xs);
  const auto [minY, maxY] = std::minmax(ys);
  Rect box{SaturateToInt(int64_t{minX} - 2), SaturateToInt(int64_t{minY} - 2),
           SaturateToInt(int64_t{maxX} + 4), SaturateToInt(int64_t{maxY} + 4)};
  ClipRectToRect(&box, &area);
  return box;
}

void UnlockTurnedSurfaces(const TurnedSurfaces& s) {
  UnlockInOrder({s.target, s.source, s.work});
}

bool SurfacesMatchDepth(const TurnedSurfaces& s, int depth) {
  const uint32_t bits = static_cast<uint32_t>(depth);
  return s.dest.bitsPerPixel == bits && s.src.bitsPerPixel == bits && s.read.bitsPerPixel == bits;
}

}  // namespace morrow::softdraw
