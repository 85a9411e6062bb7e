// G_DDraw_DrawFillBox: a filled box by software. The plain colour (mode 0, and every box on an
// 8-bit screen) is left to the blitter's colour fill and locks nothing; blended boxes lock the
// destination (and its staged copy) and run one solid loop (solid_loops.h).
#include <algorithm>

#include "morrow/device/direct3d.h"
#include "morrow/device/screen.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/raster/solid_loops.h"
#include "morrow/softdraw/frame.h"
#include "morrow/softdraw/raster.h"

namespace morrow {
namespace {

constexpr const char* kDestinationLockFailed =
    "転送先サーフェスのロックに失敗しました in G_DDraw_DrawFillBox ";
constexpr const char* kReadLockFailed =
    "転送元サーフェスのロックに失敗しました in G_DDraw_DrawFillBox ";

// The colour fill of the rectangle r (surface coordinates), without waiting for the blitter;
// whatever the blitter answers, the box is done.
void ColourFill(platform::Surface* dest, const Rect& r, uint32_t colour) {
  platform::BltFx fx;
  fx.fillColor = colour;
  dest->Blt(&r, nullptr, nullptr, platform::kBltColorFill, &fx);
}

}  // namespace

int G_DDraw_DrawFillBox(int x1, int y1, int x2, int y2, uint32_t colour) {
  Flush3DVertexBatch();
  platform::Surface* dest = softdraw::DestinationSurface();
  const ScreenState& s = GetScreenState();
  if (s.directDraw == nullptr) return -1;
  softdraw::EndSceneBeforeLock();
  const uint32_t prepared = softdraw::PrepareColour(colour);
  if (dest == nullptr) return -1;  // the screen surfaces are being made again

  const DrawState& ds = GetDrawState();
  Rect box{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  const Rect area = softdraw::ClipArea(*dest);
  ClipRectToRect(&box, &area);
  if (box.Empty()) return 0;
  const Rect onSurface{box.left + ds.screenOffset.left, box.top + ds.screenOffset.top,
                       box.right + ds.screenOffset.left, box.bottom + ds.screenOffset.top};

  const int depth = s.screenBitDepth;
  const int32_t mode = ds.blendMode;
  if (mode == 0 || depth == 8) {
    ColourFill(dest, onSurface, prepared);
    return 0;
  }

  // Blending reads the present pixels; out of video memory they are read from a copy in the
  // work surface, placed without the screen offset.
  platform::Surface* work = nullptr;
  if (softdraw::DestinationInVideoMemory()) {
    work = GetWorkSurfaceCovering(0, box.right, box.bottom);
    if (work == nullptr) return -1;
    CopySurfaceRect(work, dest, box.left, box.top, &onSurface);
  }
  const softdraw::LockedSurface target =
      softdraw::LockWholeOrExit(dest, kDestinationLockFailed, {});
  softdraw::LockedSurface read = target;
  if (work != nullptr) read = softdraw::LockWholeOrExit(work, kReadLockFailed, {dest});

  const uint32_t p = static_cast<uint32_t>(std::clamp(ds.blendParam, 0, 255));
  const raster::SolidLoop loop = raster::ChooseSolidLoop(softdraw::ScreenFormatClass(), mode, p);
  const uint32_t bits = static_cast<uint32_t>(depth);
  if (loop == raster::SolidLoop::kColourFill) {
    softdraw::UnlockInOrder({dest, work});
    ColourFill(dest, onSurface, prepared);
    return 0;
  }
  // Surfaces of another depth than the screen's (none is made so) are not written.
  if (loop != raster::SolidLoop::kNothing && target.bitsPerPixel == bits &&
      read.bitsPerPixel == bits) {
    raster::SolidSurfaces walk;
    walk.width = box.Width();
    walk.height = box.Height();
    const int rowBytes = walk.width * (depth / 8);
    walk.dest = target.At(onSurface.left, onSurface.top);
    walk.destSkip = target.pitch - rowBytes;
    walk.read = work != nullptr ? read.At(box.left, box.top) : walk.dest;
    walk.readSkip = read.pitch - rowBytes;
    const raster::SolidParams params{prepared, p};
    raster::DrawSolidLoop(loop, walk, params, raster::FGeneric16::From(s.screenFormat));
  }
  softdraw::UnlockInOrder({dest, work});
  return 0;
}

}  // namespace morrow
