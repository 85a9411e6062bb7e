// G_DDraw_DrawLine: a one-pixel line by software. The line is clipped to the draw area before
// anything is locked (solid_shapes.h, ClipLine), so the walk runs without a bounds test; its end
// point is never drawn. Blended lines read the rectangle the walk touches from a staged copy
// when the destination lies in video memory.
#include <cstdint>
#include <cstdlib>

#include "morrow/device/direct3d.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/raster/solid_shapes.h"
#include "morrow/softdraw/frame.h"
#include "morrow/softdraw/raster.h"
#include "morrow/softdraw/solid_frame.h"

namespace morrow {
namespace {

constexpr const char* kDestinationLockFailed =
    "転送先サーフェスのロックに失敗しました in G_DDraw_DrawLine ";
constexpr const char* kReadLockFailed =
    "転送元サーフェスのロックに失敗しました in G_DDraw_DrawLine";

bool Within(int32_t v, int32_t low, int32_t high) {
  return v >= low && v < high;
}

// The columns (or rows) from `from` toward `to` that the walk touches: `count` of them, at least
// one, going down when to lies below from.
void Touched(int64_t from, int64_t to, int64_t count, int32_t* low, int32_t* high) {
  const int64_t n = count > 0 ? count : 1;
  const int64_t first = to >= from ? from : to + 1;
  *low = static_cast<int32_t>(first);
  *high = static_cast<int32_t>(first + n);
}

}  // namespace

int G_DDraw_DrawLine(int x1, int y1, int x2, int y2, uint32_t colour) {
  Flush3DVertexBatch();
  // Only a line with an end inside the area in one of the axes is drawn, even where a line
  // with both ends outside would cross it.
  const Rect& a = GetDrawState().drawArea;
  if (!Within(x1, a.left, a.right) && !Within(x2, a.left, a.right) &&
      !Within(y1, a.top, a.bottom) && !Within(y2, a.top, a.bottom)) {
    return 0;
  }
  uint32_t prepared = 0;
  platform::Surface* dest = softdraw::BeginSolidDraw(colour, &prepared);
  if (dest == nullptr) return -1;

  const raster::LineEnds line = raster::ClipLine(x1, y1, x2, y2, softdraw::ClipArea(*dest));
  if (!line.ok) return 0;
  const int64_t dx = int64_t{line.x2} - line.x1, dy = int64_t{line.y2} - line.y1;
  const int64_t adx = std::llabs(dx), ady = std::llabs(dy);
  Rect touched;
  Touched(line.x1, line.x2, adx, &touched.left, &touched.right);
  Touched(line.y1, line.y2, ady, &touched.top, &touched.bottom);

  softdraw::SolidLocks locks;
  if (!softdraw::StageAndLockSolid(dest, touched, kDestinationLockFailed, kReadLockFailed,
                                   &locks)) {
    return -1;
  }
  const raster::ShapeLoop loop = softdraw::ChooseShapeLoopFor(locks);
  if (loop != raster::ShapeLoop::kNothing) {
    const DrawState& ds = GetDrawState();
    const int64_t bytes = locks.target.bitsPerPixel / 8;
    const int64_t sx = dx < 0 ? -bytes : bytes;
    const int64_t destSy = dy < 0 ? -int64_t{locks.target.pitch} : locks.target.pitch;
    const int64_t readSy = dy < 0 ? -int64_t{locks.read.pitch} : locks.read.pitch;
    raster::LineSurfaces walk;
    walk.dest = locks.target.At(line.x1 + ds.screenOffset.left, line.y1 + ds.screenOffset.top);
    walk.read = locks.work != nullptr ? locks.read.At(line.x1, line.y1) : walk.dest;
    const bool xMajor = adx >= ady;  // a tie goes to x
    walk.major = xMajor ? adx : ady;
    walk.minor = xMajor ? ady : adx;
    walk.destMajor = xMajor ? sx : destSy;
    walk.destMinor = xMajor ? destSy : sx;
    walk.readMajor = xMajor ? sx : readSy;
    walk.readMinor = xMajor ? readSy : sx;
    raster::DrawLineLoop(loop, walk, {prepared, softdraw::BlendParameter()},
                         softdraw::ScreenLayout());
  }
  softdraw::UnlockSolid(locks);
  return 0;
}

}  // namespace morrow
