// G_DDraw_DrawCircle: a circle, filled or as an outline, by software. Unlike the box and the
// line it has no early clip: the surfaces are locked (and a filled circle's row marks taken)
// whatever is visible, and each span or point is clipped on its own by the walk (walkers.h,
// CircleWalk), which also keeps radii near 2^31 to the steps that reach the area.
#include <algorithm>
#include <cstdint>

#include "morrow/device/direct3d.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/raster/solid_shapes.h"
#include "morrow/softdraw/frame.h"
#include "morrow/softdraw/raster.h"
#include "morrow/softdraw/solid_frame.h"
#include "morrow/system/log.h"
#include "morrow/system/memory.h"

namespace morrow {
namespace {

constexpr const char* kDestinationLockFailed =
    "転送先サーフェスのロックに失敗しました in G_DDraw_DrawCircle ";
constexpr const char* kReadLockFailed =
    "転送元サーフェスのロックに失敗しました in G_DDraw_DrawCircle";
constexpr const char* kMarksFailed = "メモリの確保に失敗しました in G_DDraw_DrawCircle";

}  // namespace

int G_DDraw_DrawCircle(int x, int y, int radius, uint32_t colour, int filled) {
  Flush3DVertexBatch();
  uint32_t prepared = 0;
  platform::Surface* dest = softdraw::BeginSolidDraw(colour, &prepared);
  if (dest == nullptr) return -1;

  // The circle's box with one pixel more to the left and above, cut to the area; none for a
  // radius below 0, which no caller passes and which draws nothing.
  const Rect area = softdraw::ClipArea(*dest);
  const int64_t reach = std::max<int64_t>(radius, -1) + 1;
  Rect touched{SaturateToInt(x - reach), SaturateToInt(y - reach), SaturateToInt(x + reach),
               SaturateToInt(y + reach)};
  ClipRectToRect(&touched, &area);
  softdraw::SolidLocks locks;
  if (!softdraw::StageAndLockSolid(dest, touched, kDestinationLockFailed, kReadLockFailed,
                                   &locks)) {
    return -1;
  }

  // One mark a row of the area.
  uint8_t* marks = nullptr;
  if (filled != 0) {
    const size_t rows = static_cast<size_t>(std::max(area.Height(), 0));
    marks = static_cast<uint8_t*>(AllocateZeroMemory(rows));
    if (marks == nullptr) {
      softdraw::UnlockSolid(locks);
      ExitWithError(kMarksFailed);
    }
  }

  const raster::ShapeLoop loop = softdraw::ChooseShapeLoopFor(locks);
  if (loop != raster::ShapeLoop::kNothing) {
    const DrawState& ds = GetDrawState();
    raster::CircleWalk walk;
    walk.x = x;
    walk.y = y;
    walk.r = radius;
    walk.left = area.left;
    walk.top = area.top;
    walk.right = int64_t{area.right} - 1;
    walk.bottom = int64_t{area.bottom} - 1;
    const int64_t bytes = locks.target.bitsPerPixel / 8;
    walk.dest = locks.target.bits;
    walk.destPitch = locks.target.pitch;
    walk.destOrigin = int64_t{ds.screenOffset.top} * walk.destPitch + ds.screenOffset.left * bytes;
    walk.read = locks.read.bits;
    walk.readPitch = locks.read.pitch;
    walk.readOrigin = locks.work != nullptr ? 0 : walk.destOrigin;
    walk.marks = marks;
    raster::DrawCircleLoop(loop, filled != 0, walk, {prepared, softdraw::BlendParameter()},
                           softdraw::ScreenLayout());
  }
  FreeMemory(marks);
  softdraw::UnlockSolid(locks);
  return 0;
}

}  // namespace morrow
