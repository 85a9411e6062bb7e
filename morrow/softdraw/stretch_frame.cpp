// G_DDraw_DrawExtendGraph: a whole graph stretched, shrunk or mirrored onto a rectangle by
// software. Corners in falling order mirror that axis; a rectangle of the graph's own size and
// direction is the unscaled draw's. The frame clips, works out which source column and row each
// visible destination pixel shows (StretchSteps, walkers.h), stages the destination and the
// source span it reads where they would be read from video memory, locks, and hands the pixels
// to the family's loops (stretch_loops.h).
//
// Sizes and ratios are computed in 64 bits. A rectangle 65536 or more pixels wide or high, or
// one that would show a source pixel over 32768 or more destination pixels, is refused with -1
// and nothing locked: the 16.16 steps cannot hold it.
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/device/direct3d.h"
#include "morrow/device/screen.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/raster/stretch_loops.h"
#include "morrow/raster/walkers.h"
#include "morrow/softdraw/frame.h"
#include "morrow/softdraw/raster.h"
#include "morrow/softdraw/turned_source.h"

namespace morrow {
namespace {

constexpr const char* kTargetLockFailed =
    "転送先サーフェスのロックに失敗しました in G_DDraw_DrawExtendGraph ";
constexpr const char* kSourceLockFailed =
    "転送元サーフェス１のロックに失敗しました in G_DDraw_DrawExtendGraph ";
constexpr const char* kWorkLockFailed =
    "転送元サーフェス２のロックに失敗しました in G_DDraw_DrawExtendGraph ";

constexpr int64_t kSizeLimit = 65536;  // pixels across, exclusive
constexpr uint64_t kRatioLimit = uint64_t{32768}
                                 << 16;  // 16.16 destination pixels per source pixel

// One axis of the draw: which source pixels the visible destination pixels show, as offsets
// from the first source pixel read, and the span of source pixels read.
struct Axis {
  std::vector<int32_t> steps;  // per visible destination pixel
  int32_t first = 0;           // the span read, in the graph's pixels
  int32_t count = 0;
};

// skip: destination pixels clipped away before the first visible one; size: the graph's pixels
// along the axis; mirrored: counted from the graph's far edge.
Axis MakeAxis(int64_t skip, int32_t visible, uint32_t ratio, int32_t size, bool mirrored) {
  Axis a;
  a.steps.resize(static_cast<size_t>(visible));
  raster::StretchSteps(skip, visible, ratio, a.steps.data());
  // The steps rise from the first visible pixel to the last: the span runs between them.
  const int32_t low = a.steps.front(), high = a.steps.back();
  a.first = mirrored ? size - 1 - high : low;
  a.count = high - low + 1;
  for (int32_t& s : a.steps) s = mirrored ? (size - 1 - s) - a.first : s - a.first;
  return a;
}

}  // namespace

int G_DDraw_DrawExtendGraph(int x1, int y1, int x2, int y2, GraphRecord* graph, int keyFlag) {
  Flush3DVertexBatch();
  platform::Surface* target = softdraw::DestinationSurface();
  const ScreenState& s = GetScreenState();
  if (s.directDraw == nullptr) return -1;
  softdraw::EndSceneBeforeLock();
  const bool mirrorX = x1 > x2, mirrorY = y1 > y2;
  if (mirrorX) std::swap(x1, x2);
  if (mirrorY) std::swap(y1, y2);
  softdraw::TurnedSource source;
  if (softdraw::FindTurnedSource(graph, &source) != 0 || target == nullptr) return -1;
  // The draw reads the graph's whole size from its first piece: a record that says otherwise is
  // not read.
  if (source.width < graph->width || source.height < graph->height) return -1;
  const int64_t w = int64_t{x2} - x1, h = int64_t{y2} - y1;
  if (w == 0 || h == 0) return -1;
  if (w >= kSizeLimit || h >= kSizeLimit || graph->width == 0 || graph->height == 0) return -1;
  if (w == graph->width && h == graph->height && !mirrorX && !mirrorY) {
    return DrawGraphDDraw(x1, y1, graph, keyFlag);
  }
  const uint64_t xRatio = (static_cast<uint64_t>(w) << 16) / graph->width;
  const uint64_t yRatio = (static_cast<uint64_t>(h) << 16) / graph->height;
  if (xRatio >= kRatioLimit || yRatio >= kRatioLimit) return -1;

  Rect clipped{x1, y1, x2, y2};
  const Rect area = softdraw::ClipArea(*target);
  ClipRectToRect(&clipped, &area);
  if (clipped.Empty()) return -1;
  const int32_t width = clipped.Width(), height = clipped.Height();
  const Axis columns = MakeAxis(int64_t{clipped.left} - x1, width, static_cast<uint32_t>(xRatio),
                                graph->width, mirrorX);
  const Axis rows = MakeAxis(int64_t{clipped.top} - y1, height, static_cast<uint32_t>(yRatio),
                             graph->height, mirrorY);

  const DrawState& ds = GetDrawState();
  const int depth = s.screenBitDepth;
  const int32_t mode = ds.blendMode;
  const int32_t destX = ds.screenOffset.left + clipped.left;
  const int32_t destY = ds.screenOffset.top + clipped.top;
  // Blending reads the destination from a copy when it lies in video memory, and always under an
  // alpha channel; at 8 bits nothing is blended.
  platform::Surface* work = nullptr;
  if (mode != 0 && depth != 8 && (softdraw::DestinationInVideoMemory() || source.alphaChannel)) {
    work = GetWorkSurfaceCovering(0, width, height);
    if (work == nullptr) return -1;
    const Rect onTarget{destX, destY, destX + width, destY + height};
    CopySurfaceRect(work, target, 0, 0, &onTarget);
  }
  // A source in video memory is read from a copy of the span the draw reads, when that fits the
  // screen.
  platform::Surface* pieceSurface = source.surface->surface.get();
  const Rect span{source.piece->xOnSurface + columns.first, source.piece->yOnSurface + rows.first,
                  source.piece->xOnSurface + columns.first + columns.count,
                  source.piece->yOnSurface + rows.first + rows.count};
  int screenWidth = 0, screenHeight = 0;
  GetScreenSize(&screenWidth, &screenHeight);
  platform::Surface* read = pieceSurface;
  bool staged = false;
  if (source.surface->flags.systemMemory == 0 && columns.count <= screenWidth &&
      rows.count <= screenHeight) {
    read = GetWorkSurfaceCovering(1, columns.count, rows.count);
    if (read == nullptr) return -1;
    CopySurfaceRect(read, pieceSurface, 0, 0, &span);
    staged = true;
  }

  const softdraw::HeldSurfaces held = softdraw::LockDrawSurfaces(
      target, read, work, {kTargetLockFailed, kSourceLockFailed, kWorkLockFailed});
  const softdraw::LockedSurface& dest = held.dest;
  const softdraw::LockedSurface& src = held.src;
  const softdraw::LockedSurface& copy = held.read;

  const uint32_t bits = static_cast<uint32_t>(depth);
  // Surfaces of another depth than the screen's (none is made so) are not touched.
  if ((depth == 8 || depth == 16 || depth == 32) && dest.bitsPerPixel == bits &&
      src.bitsPerPixel == bits && copy.bitsPerPixel == bits) {
    raster::StretchDraw draw;
    raster::StretchSurfaces& walk = draw.walk;
    walk.dest = dest.At(destX, destY);
    walk.destPitch = dest.pitch;
    walk.read = work != nullptr ? copy.At(0, 0) : walk.dest;
    walk.readPitch = copy.pitch;
    walk.src = staged ? src.At(0, 0) : src.At(span.left, span.top);
    walk.srcPitch = src.pitch;
    if (source.alphaChannel) {
      // The alpha map stays with the piece's own surface, also when its colours were staged.
      walk.alpha = source.alpha + int64_t{rows.first} * source.alphaPitch + columns.first;
      walk.alphaPitch = source.alphaPitch;
    }
    walk.columns = columns.steps.data();
    walk.rows = rows.steps.data();
    walk.width = width;
    walk.height = height;
    draw.key = source.key;
    draw.keyFlag = keyFlag;
    draw.mode = mode;
    draw.blend = softdraw::CurrentTurnedBlend();
    draw.alphaChannel = source.alphaChannel;
    draw.format = softdraw::ScreenFormatClass();
    draw.screenFormat = &s.screenFormat;
    draw.products = GetBlendProductTable();
    draw.sourceIsTarget = held.sourceIsTarget;
    raster::DrawStretch(draw);
  }
  softdraw::UnlockDrawSurfaces(held);
  return 0;
}

}  // namespace morrow
