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
#include "morrow/softdraw/solid_frame.h"

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
  uint32_t prepared = 0;
  platform::Surface* dest = softdraw::BeginSolidDraw(colour, &prepared);
  if (dest == nullptr) return -1;
  const ScreenState& s = GetScreenState();

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
  softdraw::SolidLocks locks;
  if (!softdraw::StageAndLockSolid(dest, box, kDestinationLockFailed, kReadLockFailed, &locks)) {
    return -1;
  }

  const uint32_t p = softdraw::BlendParameter();
  const raster::SolidLoop loop = raster::ChooseSolidLoop(softdraw::ScreenFormatClass(), mode, p);
  if (loop == raster::SolidLoop::kColourFill) {
    softdraw::UnlockSolid(locks);
    ColourFill(dest, onSurface, prepared);
    return 0;
  }
  if (loop != raster::SolidLoop::kNothing && softdraw::SolidLocksMatchDepth(locks, depth)) {
    raster::SolidSurfaces walk;
    walk.width = box.Width();
    walk.height = box.Height();
    const int rowBytes = walk.width * (depth / 8);
    walk.dest = locks.target.At(onSurface.left, onSurface.top);
    walk.destSkip = locks.target.pitch - rowBytes;
    walk.read = locks.work != nullptr ? locks.read.At(box.left, box.top) : walk.dest;
    walk.readSkip = locks.read.pitch - rowBytes;
    const raster::SolidParams params{prepared, p};
    raster::DrawSolidLoop(loop, walk, params, softdraw::ScreenLayout());
  }
  softdraw::UnlockSolid(locks);
  return 0;
}

}  // namespace morrow

namespace morrow::softdraw {

platform::Surface* BeginSolidDraw(uint32_t colour, uint32_t* prepared) {
  platform::Surface* dest = DestinationSurface();
  if (GetScreenState().directDraw == nullptr) return nullptr;
  EndSceneBeforeLock();
  *prepared = PrepareColour(colour);
  return dest;  // null while the screen surfaces are being made again
}

bool StageAndLockSolid(platform::Surface* dest, const Rect& touched, const char* destText,
                       const char* readText, SolidLocks* out) {
  const DrawState& ds = GetDrawState();
  SolidLocks locks;
  locks.dest = dest;
  if (ds.blendMode != 0 && GetScreenState().screenBitDepth != 8 && DestinationInVideoMemory()) {
    locks.work = GetWorkSurfaceCovering(0, touched.right, touched.bottom);
    if (locks.work == nullptr) return false;
    const Rect onSurface{touched.left + ds.screenOffset.left, touched.top + ds.screenOffset.top,
                         touched.right + ds.screenOffset.left,
                         touched.bottom + ds.screenOffset.top};
    CopySurfaceRect(locks.work, dest, touched.left, touched.top, &onSurface);
  }
  locks.target = LockWholeOrExit(dest, destText, {});
  locks.read = locks.target;
  if (locks.work != nullptr) locks.read = LockWholeOrExit(locks.work, readText, {dest});
  *out = locks;
  return true;
}

void UnlockSolid(const SolidLocks& locks) {
  UnlockInOrder({locks.dest, locks.work});
}

bool SolidLocksMatchDepth(const SolidLocks& locks, int depth) {
  const uint32_t bits = static_cast<uint32_t>(depth);
  return locks.target.bitsPerPixel == bits && locks.read.bitsPerPixel == bits;
}

raster::ShapeLoop ChooseShapeLoopFor(const SolidLocks& locks) {
  if (!SolidLocksMatchDepth(locks, GetScreenState().screenBitDepth)) {
    return raster::ShapeLoop::kNothing;
  }
  return raster::ChooseShapeLoop(ScreenFormatClass(), GetDrawState().blendMode, BlendParameter());
}

uint32_t BlendParameter() {
  return static_cast<uint32_t>(std::clamp(GetDrawState().blendParam, 0, 255));
}

raster::FGeneric16 ScreenLayout() {
  return raster::FGeneric16::From(GetScreenState().screenFormat);
}

}  // namespace morrow::softdraw
