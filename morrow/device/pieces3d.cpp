// The 3D piece table, the cut of graphs into textures, and the pieces of graphs made, derived and
// deleted.
#include "morrow/device/pieces3d.h"

#include <algorithm>

#include "morrow/device/direct3d.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/record_memory.h"
#include "morrow/graphics/surface.h"
#include "morrow/system/log.h"

namespace morrow {
namespace {

bool Ready() {
  return GetDirect3DState().direct3D != nullptr;
}

void BuildQuad(Surface3DRecord* r, int textureWidth, int textureHeight) {
  for (int i = 0; i < 4; ++i) {
    const int dx = (i & 1) != 0 ? r->width : 0, dy = (i & 2) != 0 ? r->height : 0;
    Vertex3D& v = r->quad[i];
    v.x = static_cast<float>(r->graphX + dx);
    v.y = static_cast<float>(r->graphY + dy);
    v.z = 0.0f;
    v.rhw = 1.0f;
    v.diffuse = 0xFFFFFFFFu;
    v.u = static_cast<float>(r->textureX + dx) / static_cast<float>(textureWidth);
    v.v = static_cast<float>(r->textureY + dy) / static_cast<float>(textureHeight);
  }
}

bool FitsU16(int v) {
  return v >= 0 && v <= 65535;
}

int PieceCountOf(const GraphRecord& g) {
  return std::clamp(g.pieceCount, 0, kMaxGraphPieces);
}

}  // namespace

Surface3DTable& GetSurface3DTable() {
  static Surface3DTable table;
  return table;
}

void ClearSurface3DTable() {
  Surface3DTable& t = GetSurface3DTable();
  for (int i = 0; i < Surface3DTable::kLimit; ++i) FreeRecord(t.slots[i]);
  t.Clear();
}

ResourceHandle AddSurface3DData(int textureWidth, int textureHeight, int graphX, int graphY,
                                int width, int height, int sourceX, int sourceY,
                                ResourceHandle owner, const Surface3DRecord* shareWith,
                                int textureX, int textureY, const SurfaceFlags* flags) {
  if (!Ready()) return WriteLog("３Ｄグラフィックエンジンが初期化されていません\n");
  Surface3DTable& t = GetSurface3DTable();
  if (t.Full()) return WriteLog("３Ｄグラフィックの数が許容量を越えました。\n");
  // Every position and size is a 16-bit field of the record.
  for (int v : {graphX, graphY, width, height, sourceX, sourceY, textureX, textureY}) {
    if (!FitsU16(v)) return -1;
  }
  if (width < 1 || height < 1) return -1;
  if (shareWith == nullptr &&
      (textureWidth < 1 || textureWidth > 65535 || textureHeight < 1 || textureHeight > 65535)) {
    return -1;
  }
  const int slot = t.FreeSlot();
  Surface3DRecord* r = NewRecord<Surface3DRecord>();
  if (r == nullptr) return WriteLog("メモリの確保に失敗しました in AddSurface3DData \n");
  if (shareWith != nullptr) {
    if (AddSurfaceRef(shareWith->surface) < 0) {
      FreeRecord(r);
      return -1;
    }
    r->surface = shareWith->surface;
  } else {
    r->surface = AddSurface(1, static_cast<uint16_t>(textureWidth),
                            static_cast<uint16_t>(textureHeight), GetDrawState().keyColor, flags);
    if (r->surface == -1) {
      FreeRecord(r);
      return -1;
    }
  }
  r->graphX = static_cast<uint16_t>(graphX);
  r->graphY = static_cast<uint16_t>(graphY);
  r->width = static_cast<uint16_t>(width);
  r->height = static_cast<uint16_t>(height);
  r->sourceX = static_cast<uint16_t>(sourceX);
  r->sourceY = static_cast<uint16_t>(sourceY);
  r->textureX = static_cast<uint16_t>(textureX);
  r->textureY = static_cast<uint16_t>(textureY);
  r->owner = owner;
  const ResourceHandle handle = t.Insert(slot, r);
  // A piece reaching past its texture would let uploads and draws leave the pixels.
  const SurfaceRecord* s = GetSurfaceRecord(r->surface);
  if (textureX + width > s->width || textureY + height > s->height) {
    DeleteSurface3DData(handle);
    return -1;
  }
  BuildQuad(r, s->width, s->height);
  return handle;
}

int DeleteSurface3DData(ResourceHandle piece) {
  Surface3DTable& t = GetSurface3DTable();
  Surface3DRecord* r = t.Get(piece);
  if (r == nullptr) return -1;
  if (GetSurfaceRecord(r->surface) != nullptr && ReleaseSurfaceRef(r->surface) <= 0) {
    // Quads of this texture may still wait in the batch (a picture drawn and deleted at once, as
    // the loading sign is): they are drawn now, while the texture is still there to draw them.
    Flush3DVertexBatch();
    DeleteSurface(r->surface);
  }
  t.Remove(piece);
  if (r->lostFlag != nullptr) *r->lostFlag = 1;
  FreeRecord(r);
  return 0;
}

int DeleteAllSurface3DData() {
  if (!Ready()) return -1;
  Surface3DTable& t = GetSurface3DTable();
  for (int i = 0; i < t.highWater; ++i) {
    if (t.slots[i] != nullptr) {
      DeleteSurface3DData(MakeHandle(kSurface3DHandle, t.slots[i]->checkNumber, i));
    }
  }
  return 0;
}

int DeleteAll3DGraphs() {
  if (DeleteAllSurface3DData() != 0) return -1;
  GraphTable& graphs = GetGraphicsState().graphs;
  for (int i = 0; i < graphs.highWater; ++i) {
    if (graphs.slots[i] != nullptr && graphs.slots[i]->flags.texture == 1) {
      graphs.slots[i]->pieceCount = 0;
    }
  }
  return 0;
}

Surface3DRecord* Get3DGraphRecord(ResourceHandle piece) {
  return GetSurface3DTable().Get(piece);
}

int SplitTextureSizes(int length, int* sizes, int singleFlag) {
  if (sizes == nullptr || length < 1) return -1;
  const Direct3DState& d = GetDirect3DState();
  const int minTexture = d.minTextureSize, maxTexture = d.maxTextureSize;
  const int low = std::max(minTexture, 32);
  if (length <= low) {
    int size = low;
    while (size > minTexture && size / 2 >= length) size /= 2;
    sizes[0] = size;
    return 1;
  }
  int limit = maxTexture;
  if (singleFlag != 1) {
    int screenWidth = 0;
    GetScreenSize(&screenWidth, nullptr);
    const int wanted = std::min(screenWidth, maxTexture);
    limit = 8;
    while (limit < wanted) limit *= 2;
  }
  int size = limit;
  while (size > low && size > length) size /= 2;
  if (singleFlag == 1 && 2 * size <= limit) {
    sizes[0] = size >= length ? size : 2 * size;
    return 1;
  }
  int count = 0;
  for (int remaining = length;;) {
    if (count == kMaxTextureSizes) return -1;
    sizes[count++] = size;
    remaining -= size;
    if (remaining <= 0) break;
    if (remaining > 3 * size / 4 && size < limit) {
      sizes[count - 1] = 2 * size;
      break;
    }
    while (remaining < size && size > low) size /= 2;
  }
  // Two equal pieces at the end become one, where the device can hold it.
  if (count >= 2 && sizes[count - 1] == sizes[count - 2] && 2 * sizes[count - 1] <= maxTexture) {
    sizes[count - 2] *= 2;
    --count;
  }
  return count;
}

int Plan3DGraphPieces(int width, int height, int drawValid, TexturePlan* plan) {
  if (plan == nullptr) return -1;
  int columns[kMaxTextureSizes], rows[kMaxTextureSizes];
  const int single = drawValid != 0 ? 1 : 0;
  const int nc = SplitTextureSizes(width, columns, single);
  const int nr = SplitTextureSizes(height, rows, single);
  if (nc < 1 || nr < 1 || nc * nr > kMaxGraphPieces) return -1;
  const int maxTexture = GetDirect3DState().maxTextureSize;
  for (int i = 0; i < std::max(nc, nr); ++i) {
    if ((i < nc && columns[i] > maxTexture) || (i < nr && rows[i] > maxTexture)) return -1;
  }
  TexturePlan p;
  for (int r = 0, y = 0; r < nr; y += rows[r++]) {
    for (int c = 0, x = 0; c < nc; x += columns[c++]) {
      p.pieces[p.count++] = TexturePiece{x, y, columns[c], rows[r]};
    }
  }
  if ((GetDirect3DState().deviceDesc.textureCaps & platform::kTextureCapsSquareOnly) != 0) {
    const int original = p.count;
    for (int i = 0; i < original; ++i) {
      TexturePiece& piece = p.pieces[i];
      if (piece.textureW == piece.textureH) continue;
      const bool wide = piece.textureW > piece.textureH;
      const int side = std::min(piece.textureW, piece.textureH);
      const int squares = std::max(piece.textureW, piece.textureH) / side;
      const TexturePiece first{piece.x, piece.y, side, side};
      piece = first;
      for (int k = 1; k < squares; ++k) {
        const int x = first.x + (wide ? k * side : 0), y = first.y + (wide ? 0 : k * side);
        // Squares that would begin past the graph's edge hold nothing of it.
        if (x >= width || y >= height) continue;
        if (p.count == kMaxGraphPieces) return -1;
        p.pieces[p.count++] = TexturePiece{x, y, side, side};
      }
    }
  }
  *plan = p;
  return 0;
}

int Create3DGraphForGraph(GraphRecord* graph) {
  if (!Ready() || graph == nullptr) return -1;
  TexturePlan plan;
  if (Plan3DGraphPieces(graph->width, graph->height, graph->flags.drawValid, &plan) != 0) {
    return -1;
  }
  for (int i = 0; i < plan.count; ++i) {
    const TexturePiece& piece = plan.pieces[i];
    const int w = std::min(piece.textureW, graph->width - piece.x);
    const int h = std::min(piece.textureH, graph->height - piece.y);
    const ResourceHandle handle =
        AddSurface3DData(piece.textureW, piece.textureH, piece.x, piece.y, w, h, piece.x, piece.y,
                         graph->handle, nullptr, 0, 0, &graph->flags);
    if (handle == -1) {
      // No piece is left without a graph that lists it.
      for (int k = 0; k < i; ++k) DeleteSurface3DData(graph->pieces[k]);
      return -1;
    }
    graph->pieces[i] = handle;
  }
  graph->pieceCount = plan.count;
  return 0;
}

int Create3DGraphFromParent(GraphRecord* graph, int x, int y, int width, int height,
                            const GraphRecord* parent) {
  if (!Ready() || graph == nullptr || parent == nullptr) return -1;
  int count = 0;
  const int64_t right = int64_t{x} + width, bottom = int64_t{y} + height;
  for (int i = 0; i < PieceCountOf(*parent); ++i) {
    const Surface3DRecord* p = Get3DGraphRecord(parent->pieces[i]);
    if (p == nullptr) break;
    const int64_t left = std::max<int64_t>(x, p->graphX), top = std::max<int64_t>(y, p->graphY);
    const int64_t r = std::min<int64_t>(right, p->graphX + p->width);
    const int64_t b = std::min<int64_t>(bottom, p->graphY + p->height);
    if (r <= left || b <= top) continue;
    // The texture position follows the parent piece's own, so that a cell of a cell shows its
    // own pixels.
    const ResourceHandle handle = AddSurface3DData(
        0, 0, static_cast<int>(left - x), static_cast<int>(top - y), static_cast<int>(r - left),
        static_cast<int>(b - top), static_cast<int>(left), static_cast<int>(top), graph->handle, p,
        static_cast<int>(p->textureX + (left - p->graphX)),
        static_cast<int>(p->textureY + (top - p->graphY)), &graph->flags);
    if (handle == -1) {
      for (int k = 0; k < count; ++k) DeleteSurface3DData(graph->pieces[k]);
      return -1;
    }
    graph->pieces[count++] = handle;
  }
  graph->pieceCount = count;
  return 0;
}

int Delete3DGraphsOfGraph(GraphRecord* graph) {
  if (graph == nullptr) return -1;
  // The pieces go even while the 3D interface is away, or their textures would stay behind.
  for (int i = 0; i < PieceCountOf(*graph); ++i) DeleteSurface3DData(graph->pieces[i]);
  graph->pieceCount = 0;
  return Ready() ? 0 : -1;
}

int Check3DGraphLost(GraphRecord* graph) {
  if (!Ready() || graph == nullptr) return -1;
  int result = 0;
  for (int i = 0; i < PieceCountOf(*graph); ++i) {
    const Surface3DRecord* p = Get3DGraphRecord(graph->pieces[i]);
    if (p == nullptr) return -1;
    result |= CheckSurfaceLost(p->surface);
  }
  return result;
}

int LockSurface3D(ResourceHandle piece, int* pitch, void** pixels, int writeOnly,
                  const Rect* area) {
  const Surface3DRecord* p = Get3DGraphRecord(piece);
  if (p == nullptr) return -1;
  return LockSurface(p->surface, pitch, pixels, writeOnly, area);
}

int UnlockSurface3D(ResourceHandle piece) {
  const Surface3DRecord* p = Get3DGraphRecord(piece);
  if (p == nullptr) return -1;
  return UnlockSurface(p->surface);
}

}  // namespace morrow
