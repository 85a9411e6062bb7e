// Screen pixels into graphs held as textures. Ways of moving screen pixels into textures differ
// by driver: they are tried in a fixed order, and the first that works is remembered for plain
// textures and for textures with alpha.
#include <algorithm>

#include "morrow/device/color_format.h"
#include "morrow/device/device3d.h"
#include "morrow/device/direct3d.h"
#include "morrow/device/pieces3d.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_image.h"
#include "morrow/graphics/surface.h"
#include "morrow/system/log.h"
#include "morrow/system/window.h"

namespace morrow {
namespace {

using platform::DisplayResult;

// Where a capture reads: the draw target, its size for the checks, and the offset added to the
// rectangle.
struct CaptureSource {
  platform::Surface* surface = nullptr;
  int width = 0, height = 0;
  int offsetX = 0, offsetY = 0;
};

// The draw target; with flag 0 in a window on the front screen, the whole desktop without an
// offset.
bool SourceOf(int flag, CaptureSource* out) {
  const DrawState& ds = GetDrawState();
  out->surface = GetDrawTargetSurface();
  if (out->surface == nullptr) return false;
  if (flag == 0 && IsWindowMode() != 0 && ds.drawScreen == kFrontScreen) {
    out->width = out->surface->width();
    out->height = out->surface->height();
    return true;
  }
  if (QueryGraphSize(ds.drawScreen, &out->width, &out->height) != 0) return false;
  out->offsetX = ds.screenOffset.left;
  out->offsetY = ds.screenOffset.top;
  return true;
}

bool Checked(int x1, int y1, int x2, int y2, const GraphRecord& g, const CaptureSource& s) {
  return x1 >= 0 && x1 < x2 && y1 >= 0 && y1 < y2 && x1 <= s.width && y1 <= s.height &&
         x2 - x1 <= g.width && y2 - y1 <= g.height;
}

// The source area a piece receives, cut at the source; empty when there is nothing to copy.
Rect PieceArea(int x1, int y1, const Surface3DRecord& p, const CaptureSource& s) {
  const int64_t left = int64_t{x1} + p.graphX + s.offsetX;
  const int64_t top = int64_t{y1} + p.graphY + s.offsetY;
  const int64_t limitX = std::min<int64_t>(int64_t{s.width} + s.offsetX, s.surface->width());
  const int64_t limitY = std::min<int64_t>(int64_t{s.height} + s.offsetY, s.surface->height());
  Rect r{SaturateToInt(left), SaturateToInt(top),
         SaturateToInt(std::min<int64_t>(left + p.width, limitX)),
         SaturateToInt(std::min<int64_t>(top + p.height, limitY))};
  if (left >= limitX || top >= limitY || r.right <= r.left || r.bottom <= r.top) return Rect{};
  return r;
}

// Every piece's area, out of the screen's work surface, into its texture, re-keyed. The work
// surface receives exactly the union of the areas the pieces read, clamped to the source, so no
// piece converts pixels that were not copied.
int Function5(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag) {
  CaptureSource s;
  if (!SourceOf(flag, &s) || !Checked(x1, y1, x2, y2, *graph, s)) return -1;
  const int count = std::clamp(graph->pieceCount, 0, kMaxGraphPieces);
  Rect areas[kMaxGraphPieces] = {};
  Rect all{};
  for (int i = 0; i < count; ++i) {
    const Surface3DRecord* p = Get3DGraphRecord(graph->pieces[i]);
    if (p == nullptr) return -1;
    areas[i] = PieceArea(x1, y1, *p, s);
    if (areas[i].Empty()) continue;
    all = all.Empty()
              ? areas[i]
              : Rect{std::min(all.left, areas[i].left), std::min(all.top, areas[i].top),
                     std::max(all.right, areas[i].right), std::max(all.bottom, areas[i].bottom)};
  }
  if (all.Empty()) return 0;
  platform::Surface* work = GetWorkSurfaceCovering(0, all.Width(), all.Height());
  if (work == nullptr) return -1;
  CopySurfaceRect(work, s.surface, 0, 0, &all);
  platform::LockedRect l;
  const DisplayResult locked = work->Lock(nullptr, &l);
  if (locked != DisplayResult::kOk) {
    return WriteLogFormat(
        "Error  G_D3D_GetDrawScreenGraphFunction5 "
        "　作業用テクスチャサーフェスのロックに失敗しました  "
        "Lock  ReturnValue:%d",
        static_cast<int>(locked));
  }
  const GraphImage view = ViewOfLockedSurface(l);
  int result = 0;
  for (int i = 0; i < count && result == 0; ++i) {
    if (areas[i].Empty()) continue;
    const Surface3DRecord* p = Get3DGraphRecord(graph->pieces[i]);
    const Rect src{areas[i].left - all.left, areas[i].top - all.top, areas[i].right - all.left,
                   areas[i].bottom - all.top};
    if (UploadImageToSurface3D(&view, nullptr, &src, p->textureX, p->textureY, graph->pieces[i]) !=
        0) {
      result = WriteLogFormat(
          "Error  G_D3D_GetDrawScreenGraphFunction5 "
          "　転送先テクスチャサーフェスのロックに失敗しました  "
          "Lock  ReturnValue:%d",
          -1);
      break;
    }
    SetSurfaceColorKey(p->surface);
  }
  work->Unlock();
  return result;
}

// Each piece copied straight from the source into its texture.
int Function1(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag) {
  CaptureSource s;
  if (!SourceOf(flag, &s) || !Checked(x1, y1, x2, y2, *graph, s)) return -1;
  for (int i = 0; i < std::clamp(graph->pieceCount, 0, kMaxGraphPieces); ++i) {
    const Surface3DRecord* p = Get3DGraphRecord(graph->pieces[i]);
    if (p == nullptr) return -1;
    const Rect area = PieceArea(x1, y1, *p, s);
    if (area.Empty()) continue;
    const SurfaceRecord* texture = GetSurfaceRecord(p->surface);
    if (texture == nullptr || texture->surface == nullptr) return -1;
    const DisplayResult r =
        texture->surface->BltFast(p->textureX, p->textureY, s.surface, &area, 0);
    if (r != DisplayResult::kOk) {
      return WriteLogFormat("Error G_D3D_GetDrawScreenGraphFunction1  BltFast ReturnValue:%d",
                            static_cast<int>(r));
    }
    SetSurfaceColorKey(p->surface);
  }
  return 0;
}

using CaptureMethod = int (*)(int, int, int, int, GraphRecord*, int);
constexpr CaptureMethod kCaptureMethods[] = {Function5, Function1, nullptr};

}  // namespace

int G_D3D_CopyScreenToGraph(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag) {
  Direct3DState& d = GetDirect3DState();
  if (d.direct3D == nullptr || graph == nullptr) return -1;
  Flush3DVertexBatch();
  EndScene3D();
  if (graph->pieceCount < 1) return -1;
  const Surface3DRecord* first = Get3DGraphRecord(graph->pieces[0]);
  const SurfaceRecord* s = first != nullptr ? GetSurfaceRecord(first->surface) : nullptr;
  if (s == nullptr) return -1;
  int32_t& remembered = d.captureMethod[(s->flags.alphaChannel | s->flags.alphaTest) != 0 ? 1 : 0];
  if (remembered >= 0 && kCaptureMethods[remembered] != nullptr) {
    const int result = kCaptureMethods[remembered](x1, y1, x2, y2, graph, flag);
    if (result >= 0) return result;
  }
  int result = -1;
  for (remembered = 0; kCaptureMethods[remembered] != nullptr; ++remembered) {
    result = kCaptureMethods[remembered](x1, y1, x2, y2, graph, flag);
    if (result == 0) return 0;
  }
  remembered = -1;
  return result;
}

}  // namespace morrow
