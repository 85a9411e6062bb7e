// G_DDraw_DrawGraph and DrawGraphDDraw: one 2D piece drawn unscaled by software. The frame finds
// the piece and its surface, clips, hands plain pieces to the block copy without locking
// anything, stages video-memory rectangles in the work surfaces, locks, and hands the pixels to
// the depth's dispatch (piece_loops.h).
#include <algorithm>

#include "morrow/device/color_format.h"
#include "morrow/device/direct3d.h"
#include "morrow/device/screen.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/mask.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/raster/piece_loops.h"
#include "morrow/softdraw/frame.h"
#include "morrow/softdraw/raster.h"

namespace morrow {
namespace {

constexpr const char* kTargetLockFailed =
    "転送先サーフェスのロックに失敗しました in G_DDraw_DrawGraph ";
constexpr const char* kSourceLockFailed =
    "転送元１サーフェスのロックに失敗しました in G_DDraw_DrawGraph ";
constexpr const char* kWorkLockFailed =
    "転送元２サーフェスのロックに失敗しました in G_DDraw_DrawGraph ";

// The clipped rectangle of one draw: where it lands on the target surface and where its pixels
// lie on the piece's surface.
struct Placement {
  int32_t destX = 0;  // target surface coordinates, screen offset included
  int32_t destY = 0;
  Rect source;  // on the piece's surface
  int32_t width = 0;
  int32_t height = 0;
};

// The block copy of a piece that needs no blending; nothing is locked.
int PlainCopy(platform::Surface* target, const SurfaceRecord& surface, const Placement& at,
              int keyFlag) {
  const DrawState& ds = GetDrawState();
  const ScreenState& s = GetScreenState();
  platform::Surface* source = surface.surface.get();
  const uint32_t keyed =
      keyFlag != 0 ? platform::kBltFastSrcColorKey : platform::kBltFastNoColorKey;
  const bool maskInVideo = ds.maskOn != 0 && GetMaskSurface() != nullptr && ds.maskInVideoMemory;
  if (maskInVideo || ds.targetInVideoMemory != 0 || surface.flags.systemMemory != 0 ||
      s.useGdiCopy == 0) {
    target->BltFast(at.destX, at.destY, source, &at.source, keyed);
    return 0;
  }
  // The device-context copy, from video memory into a target in system memory. It knows no
  // colour key: a keyed piece smaller than the screen goes by the unclipped copy, one at least
  // as large through the work surface, whose key is pixel value 0.
  if (keyFlag == 0) {
    CopySurfaceRect(target, source, at.destX, at.destY, &at.source);
    return 0;
  }
  int screenWidth = 0, screenHeight = 0;
  GetScreenSize(&screenWidth, &screenHeight);
  if (at.width < screenWidth || at.height < screenHeight) {
    target->BltFast(at.destX, at.destY, source, &at.source, platform::kBltFastSrcColorKey);
    return 0;
  }
  platform::Surface* work = GetWorkSurfaceCovering(0, at.width, at.height);
  if (work == nullptr) return -1;
  CopySurfaceRect(work, source, 0, 0, &at.source);
  const Rect staged{0, 0, at.width, at.height};
  target->BltFast(at.destX, at.destY, work, &staged, platform::kBltFastSrcColorKey);
  return 0;
}

}  // namespace

int G_DDraw_DrawGraph(int x, int y, ResourceHandle pieceHandle, int keyFlag) {
  platform::Surface* target = softdraw::DestinationSurface();
  const ScreenState& s = GetScreenState();
  if (s.directDraw == nullptr) return -1;
  softdraw::EndSceneBeforeLock();
  const Surface2DRecord* piece = GetSurface2DRecord(pieceHandle);
  if (piece == nullptr) return -1;
  SurfaceRecord* surface = GetSurfaceRecord(piece->surface);
  if (surface == nullptr || surface->surface == nullptr || target == nullptr) return -1;
  // A piece reaching outside its surface, or an alpha channel without its map, is a broken
  // record: nothing of it is read.
  platform::Surface* source = surface->surface.get();
  const bool alphaChannel = surface->flags.alphaChannel != 0;
  if (piece->xOnSurface + piece->width > source->width() ||
      piece->yOnSurface + piece->height > source->height() ||
      (alphaChannel && (surface->alphaBuffer == nullptr ||
                        surface->alphaPitch < static_cast<uint32_t>(source->width())))) {
    return -1;
  }

  const DrawState& ds = GetDrawState();
  Rect clipped{x, y, SaturateToInt(int64_t{x} + piece->width),
               SaturateToInt(int64_t{y} + piece->height)};
  const Rect area = softdraw::ClipArea(*target);
  ClipRectToRect(&clipped, &area);
  if (clipped.Empty()) return 0;
  // Both lie within the piece's size once the rectangle is not empty.
  const int32_t clipX = static_cast<int32_t>(int64_t{clipped.left} - x);
  const int32_t clipY = static_cast<int32_t>(int64_t{clipped.top} - y);
  Placement at;
  at.width = clipped.Width();
  at.height = clipped.Height();
  at.destX = ds.screenOffset.left + clipped.left;
  at.destY = ds.screenOffset.top + clipped.top;
  at.source = Rect{piece->xOnSurface + clipX, piece->yOnSurface + clipY,
                   piece->xOnSurface + clipX + at.width, piece->yOnSurface + clipY + at.height};

  const int depth = s.screenBitDepth;
  const int32_t mode = ds.blendMode;
  const uint32_t bright = ds.drawBright;
  if ((mode == 0 && bright == 0xFFFFFFFFu && !alphaChannel) || depth == 8) {
    return PlainCopy(target, *surface, at, keyFlag);
  }

  // Blending reads the destination from a copy when it lies in video memory, and always under
  // an alpha channel; a source in video memory is read from a copy too.
  platform::Surface* work = nullptr;
  if ((softdraw::DestinationInVideoMemory() && mode != 0) || alphaChannel) {
    work = GetWorkSurfaceCovering(0, at.width, at.height);
    if (work == nullptr) return -1;
    const Rect onTarget{at.destX, at.destY, at.destX + at.width, at.destY + at.height};
    CopySurfaceRect(work, target, 0, 0, &onTarget);
  }
  platform::Surface* read = source;
  bool staged = false;
  if (surface->flags.systemMemory == 0) {
    read = GetWorkSurfaceCovering(1, at.width, at.height);
    if (read == nullptr) return -1;
    CopySurfaceRect(read, source, 0, 0, &at.source);
    staged = true;
  }

  const softdraw::HeldSurfaces held = softdraw::LockDrawSurfaces(
      target, read, work, {kTargetLockFailed, kSourceLockFailed, kWorkLockFailed});
  const softdraw::LockedSurface& dest = held.dest;
  const softdraw::LockedSurface& src = held.src;
  const softdraw::LockedSurface& copy = held.read;

  raster::PieceOutcome outcome = raster::PieceOutcome::kDrawn;
  const uint32_t bits = static_cast<uint32_t>(depth);
  // Surfaces of another depth than the screen's (none is made so) are not touched.
  if ((depth == 16 || depth == 32) && dest.bitsPerPixel == bits && src.bitsPerPixel == bits &&
      copy.bitsPerPixel == bits) {
    const int bytes = depth / 8;
    const int rowBytes = at.width * bytes;
    raster::PieceDraw draw;
    raster::RectSurfaces& walk = draw.walk;
    walk.width = at.width;
    walk.height = at.height;
    walk.dest = dest.At(at.destX, at.destY);
    walk.destSkip = dest.pitch - rowBytes;
    walk.src = staged ? src.At(0, 0) : src.At(at.source.left, at.source.top);
    walk.srcSkip = src.pitch - rowBytes;
    walk.read = work != nullptr ? copy.At(0, 0) : walk.dest;
    walk.readSkip = copy.pitch - rowBytes;
    if (alphaChannel) {
      // The alpha map stays with the piece's own surface, also when its colours were staged.
      walk.alpha = surface->alphaBuffer + static_cast<size_t>(at.source.top) * surface->alphaPitch +
                   at.source.left;
      walk.alphaSkip = static_cast<int>(surface->alphaPitch) - at.width;
    }
    const uint32_t key = surface->keyColor;
    draw.key = PackScreenColor(key >> 16 & 0xFF, key >> 8 & 0xFF, key & 0xFF);
    draw.keyFlag = keyFlag;
    draw.mode = mode;
    draw.blend.p = static_cast<uint32_t>(std::clamp(ds.blendParam, 0, 255));
    draw.blend.bright = bright;
    draw.alphaChannel = alphaChannel;
    draw.mmx = s.mmxEnabled != 0;
    draw.format = softdraw::ScreenFormatClass();
    draw.screenFormat = &s.screenFormat;
    draw.products = GetBlendProductTable();
    draw.sourceIsTarget = held.sourceIsTarget;
    outcome = depth == 32 ? raster::DrawPiece32(draw) : raster::DrawPiece16(draw);
  }
  softdraw::UnlockDrawSurfaces(held);
  if (outcome == raster::PieceOutcome::kPlainCopy) return PlainCopy(target, *surface, at, keyFlag);
  return 0;
}

int DrawGraphDDraw(int x, int y, GraphRecord* graph, int keyFlag) {
  Flush3DVertexBatch();
  if (graph == nullptr) return -1;
  return G_DDraw_DrawGraph(x, y, graph->pieces[0], keyFlag);
}

}  // namespace morrow
