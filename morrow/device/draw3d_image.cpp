// Images of texture graphs through the 3D device: each piece becomes a quad in the current
// device's vertex batch, drawn as one triangle list when the batch is full or a state changes.
// Plain and stretched draws clip their quads to the draw area; rotated and free quadrilaterals
// leave clipping to the viewport.
#include <algorithm>
#include <cmath>
#include <vector>

#include "morrow/device/device3d.h"
#include "morrow/device/direct3d.h"
#include "morrow/device/draw3d_internal.h"
#include "morrow/device/pieces3d.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/surface.h"

namespace morrow {
namespace {

constexpr int kMaxGridIndices = 1000;
constexpr int kGridSide = 8;

void DrawBatch(Direct3DDeviceRecord& r) {
  r.device->DrawPrimitive(platform::PrimitiveType::kTriangleList, platform::kVertexTextured,
                          r.vertices, static_cast<uint32_t>(r.vertexCount), 0);
  r.vertexCount = 0;
}

uint32_t ImageDiffuse() {
  const DrawState& ds = GetDrawState();
  // After the texture-alpha hand-over the parameter reads 256; the vertex carries a byte.
  const uint32_t alpha =
      ds.blendMode != 0 ? static_cast<uint32_t>(std::clamp(ds.blendParam, 0, 255)) : 255u;
  return alpha << 24 | (ds.drawBright & 0x00FFFFFFu);
}

struct ImageSetup {
  Direct3DDeviceRecord* record = nullptr;
  uint32_t diffuse = 0;
};

// The steps every image routine takes before its pieces: the scene, the colour key, the blend
// state and the texture's alpha. 1 to draw, 0 while drawing is suspended, -1 otherwise.
int BeginImage(GraphRecord* graph, int trans, ImageSetup* out) {
  Direct3DState& d = GetDirect3DState();
  Direct3DDeviceRecord* r = CurrentRecord();
  if (r == nullptr || graph == nullptr) return -1;
  if (d.drawingSuspended != 0) return 0;
  if (BeginScene3D(d.currentDevice) != 0) return -1;
  if (graph->pieceCount < 1) return -1;
  const Surface3DRecord* first = Get3DGraphRecord(graph->pieces[0]);
  if (first == nullptr) return -1;
  const SurfaceRecord* s = GetSurfaceRecord(first->surface);
  if (s == nullptr) return -1;
  SetColorKeyEnableOfDevice3D(s->flags.alphaTest == 1 ? 0 : trans, d.currentDevice);
  const DrawState& ds = GetDrawState();
  SetBlendMode3D(ds.blendMode, ds.blendParam);
  const int textureAlpha = (s->flags.alphaChannel | s->flags.alphaTest) != 0 ? 1 : 0;
  if (textureAlpha != r->textureAlpha) {
    SetBlendMode3D(
        7, s->flags.alphaTest != 0 ? (trans != 0 ? 1 : 0) : (s->flags.alphaChannel != 0 ? 1 : 0));
  }
  out->record = r;
  out->diffuse = ImageDiffuse();
  return 1;
}

// The piece's texture on stage 0, sent only when it changes. The piece, or null.
const Surface3DRecord* UsePiece(Direct3DDeviceRecord& r, ResourceHandle handle) {
  const Surface3DRecord* p = Get3DGraphRecord(handle);
  if (p == nullptr) return nullptr;
  const SurfaceRecord* s = GetSurfaceRecord(p->surface);
  if (s == nullptr || s->surface == nullptr) return nullptr;
  SetTexture3D(r, s->surface);
  return p;
}

// The four vertices at the batch end, with the piece's quad and the diffuse colour.
Vertex3D* StartQuad(Direct3DDeviceRecord& r, const Surface3DRecord& p, uint32_t diffuse) {
  Vertex3D* v = r.vertices + r.vertexCount;
  for (int i = 0; i < 4; ++i) {
    v[i] = p.quad[i];
    v[i].diffuse = diffuse;
  }
  return v;
}

bool AllBelow(const float* a, float limit) {
  return a[0] < limit && a[1] < limit && a[2] < limit && a[3] < limit;
}
bool AllAbove(const float* a, float limit) {
  return a[0] > limit && a[1] > limit && a[2] > limit && a[3] > limit;
}

// Clips one coordinate of a vertex to [low, high], moving its texture coordinate by the clipped
// distance over perUnit (texture pixels per target pixel times the texture's side).
void ClipAxis(float* pos, float* tex, float low, float high, float perUnit) {
  if (*pos < low) {
    *tex += (low - *pos) / perUnit;
    *pos = low;
  } else if (*pos > high) {
    *tex -= (*pos - high) / perUnit;
    *pos = high;
  }
}

struct TextureSide {
  float width, height;
};
TextureSide SideOf(const Surface3DRecord& p) {
  const SurfaceRecord* s = GetSurfaceRecord(p.surface);
  return {static_cast<float>(s->width), static_cast<float>(s->height)};
}

void ClipQuad(Vertex3D* v, const Surface3DRecord& p, float shift, float sx, float sy) {
  const Rect& area = GetDrawState().drawArea;
  const TextureSide side = SideOf(p);
  for (int i = 0; i < 4; ++i) {
    ClipAxis(&v[i].x, &v[i].u, static_cast<float>(area.left) + shift,
             static_cast<float>(area.right) + shift, side.width * sx);
    ClipAxis(&v[i].y, &v[i].v, static_cast<float>(area.top) + shift,
             static_cast<float>(area.bottom) + shift, side.height * sy);
  }
}

bool HasArea(const Vertex3D* v) {
  return v[0].x != v[3].x && v[0].y != v[3].y;
}

void Swap12(Vertex3D* v) {
  std::swap(v[1], v[2]);
}

bool Finite(double v) {
  return std::isfinite(v);
}

}  // namespace

Direct3DDeviceRecord* CurrentRecord() {
  Direct3DState& d = GetDirect3DState();
  if (d.direct3D == nullptr) return nullptr;
  Direct3DDeviceRecord& r = d.devices[d.currentDevice];
  return r.inUse != 0 && r.device != nullptr ? &r : nullptr;
}

int EndDraw3D() {
  Direct3DState& d = GetDirect3DState();
  if (d.endSceneAfterDraw == 1) EndSceneOfDevice3D(d.currentDevice);
  return 0;
}

int SubmitQuad3D(int device, Vertex3D* vertices, int addOffset) {
  Direct3DState& d = GetDirect3DState();
  if (d.direct3D == nullptr || device < 0 || device >= kDevice3DRecords) return -1;
  Direct3DDeviceRecord& r = d.devices[device];
  if (r.inUse == 0 || r.device == nullptr) return -1;
  Vertex3D* v = r.vertices + r.vertexCount;
  if (vertices != v) std::copy(vertices, vertices + 4, v);
  if (addOffset != 0) {
    const Rect& off = GetDrawState().screenOffset;
    for (int i = 0; i < 4; ++i) {
      v[i].x += static_cast<float>(off.left);
      v[i].y += static_cast<float>(off.top);
    }
  }
  v[4] = v[2];
  v[5] = v[1];
  r.vertexCount += 6;
  if (r.vertexCount >= kVertexBatchSize) DrawBatch(r);
  return 0;
}

int DrawVertexGrid3D(const Vertex3D* vertices, int columns, int rows, int device) {
  Direct3DState& d = GetDirect3DState();
  if (columns < 2 || rows < 2) return -1;
  // 16-bit indices reach 65536 vertices.
  if (static_cast<int64_t>(columns) * rows > 65536) return -1;
  if (d.direct3D == nullptr || device < 0 || device >= kDevice3DRecords) return -1;
  Direct3DDeviceRecord& r = d.devices[device];
  if (r.inUse == 0 || r.device == nullptr) return -1;
  if (r.vertexCount != 0) DrawBatch(r);
  const uint32_t count = static_cast<uint32_t>(columns * rows);
  std::vector<uint16_t> indices;
  indices.reserve(kMaxGridIndices + 2);
  const auto draw = [&]() {
    if (indices.empty()) return;
    r.device->DrawIndexedPrimitive(platform::PrimitiveType::kTriangleStrip,
                                   platform::kVertexTextured, vertices, count, indices.data(),
                                   static_cast<uint32_t>(indices.size()), 0);
    indices.clear();
  };
  for (int row = 0; row + 1 < rows; ++row) {
    const size_t join = indices.empty() ? 0 : 2;
    if (indices.size() + join + 2 * static_cast<size_t>(columns) > kMaxGridIndices) draw();
    if (!indices.empty()) {
      indices.push_back(indices.back());
      indices.push_back(static_cast<uint16_t>((row + 1) * columns));
    }
    for (int c = 0; c < columns; ++c) {
      indices.push_back(static_cast<uint16_t>((row + 1) * columns + c));
      indices.push_back(static_cast<uint16_t>(row * columns + c));
    }
  }
  draw();
  return 0;
}

int DrawPieceQuad3D(const float* xs, const float* ys, const Surface3DRecord& piece,
                    uint32_t diffuse) {
  Direct3DDeviceRecord* r = CurrentRecord();
  if (r == nullptr) return -1;
  const int device = GetDirect3DState().currentDevice;
  const float topX = xs[1] - xs[0], topY = ys[1] - ys[0];
  const float bottomX = xs[3] - xs[2], bottomY = ys[3] - ys[2];
  const float leftX = xs[2] - xs[0], leftY = ys[2] - ys[0];
  const float rightX = xs[3] - xs[1], rightY = ys[3] - ys[1];
  const bool parallelogram = std::fabs(topX - bottomX) < 1.0f && std::fabs(topY - bottomY) < 1.0f &&
                             std::fabs(leftX - rightX) < 1.0f && std::fabs(leftY - rightY) < 1.0f;
  if (parallelogram) {
    Vertex3D* v = StartQuad(*r, piece, diffuse);
    for (int i = 0; i < 4; ++i) {
      v[i].x = xs[i];
      v[i].y = ys[i];
    }
    const float c1 = (ys[2] - ys[0]) * (xs[1] - xs[0]) - (xs[2] - xs[0]) * (ys[1] - ys[0]);
    const float c2 = (ys[1] - ys[3]) * (xs[2] - xs[3]) - (ys[2] - ys[3]) * (xs[1] - xs[3]);
    if (c1 <= 0.0f && c2 <= 0.0f) Swap12(v);
    return SubmitQuad3D(device, v, 0);
  }
  Vertex3D grid[kGridSide * kGridSide];
  const Vertex3D& tl = piece.quad[0];
  const Vertex3D& br = piece.quad[3];
  constexpr float kSteps = kGridSide - 1;
  for (int i = 0; i < kGridSide; ++i) {
    const float t = static_cast<float>(i) / kSteps;
    const float lx = xs[0] + t * (xs[2] - xs[0]), ly = ys[0] + t * (ys[2] - ys[0]);
    const float rx = xs[1] + t * (xs[3] - xs[1]), ry = ys[1] + t * (ys[3] - ys[1]);
    for (int j = 0; j < kGridSide; ++j) {
      const float s = static_cast<float>(j) / kSteps;
      Vertex3D& g = grid[i * kGridSide + j];
      g.x = lx + s * (rx - lx) - 0.5f;
      g.y = ly + s * (ry - ly) - 0.5f;
      g.z = 0.0f;
      g.rhw = 1.0f;
      g.diffuse = diffuse;
      g.u = tl.u + s * (br.u - tl.u);
      g.v = tl.v + t * (br.v - tl.v);
    }
  }
  return DrawVertexGrid3D(grid, kGridSide, kGridSide, device);
}

int G_D3D_DrawGraph(int x, int y, GraphRecord* graph, int trans) {
  ImageSetup set;
  const int ready = BeginImage(graph, trans, &set);
  if (ready <= 0) return ready;
  Direct3DDeviceRecord& r = *set.record;
  const int addOffset = IsDrawTargetFront();
  const float dx = static_cast<float>(x) - 0.5f, dy = static_cast<float>(y) - 0.5f;
  for (int i = 0; i < graph->pieceCount && i < kMaxGraphPieces; ++i) {
    const Surface3DRecord* p = UsePiece(r, graph->pieces[i]);
    if (p == nullptr) return -1;
    Vertex3D* v = StartQuad(r, *p, set.diffuse);
    for (int k = 0; k < 4; ++k) {
      v[k].x += dx;
      v[k].y += dy;
    }
    ClipQuad(v, *p, 0.0f, 1.0f, 1.0f);
    if (HasArea(v)) SubmitQuad3D(GetDirect3DState().currentDevice, v, addOffset);
  }
  return EndDraw3D();
}

int G_D3D_DrawExtendGraph(int x1, int y1, int x2, int y2, GraphRecord* graph, int trans) {
  if (CurrentRecord() == nullptr || graph == nullptr) return -1;
  if (GetDirect3DState().drawingSuspended != 0) return 0;
  const int64_t w = static_cast<int64_t>(x2) - x1, h = static_cast<int64_t>(y2) - y1;
  if (w == graph->width && h == graph->height) return G_D3D_DrawGraph(x1, y1, graph, trans);
  if (w == 0 || h == 0 || graph->width == 0 || graph->height == 0) return 0;
  ImageSetup set;
  const int ready = BeginImage(graph, trans, &set);
  if (ready <= 0) return ready;
  Direct3DDeviceRecord& r = *set.record;
  const float sx = static_cast<float>(w) / static_cast<float>(graph->width);
  const float sy = static_cast<float>(h) / static_cast<float>(graph->height);
  const int addOffset = IsDrawTargetFront();
  for (int i = 0; i < graph->pieceCount && i < kMaxGraphPieces; ++i) {
    const Surface3DRecord* p = UsePiece(r, graph->pieces[i]);
    if (p == nullptr) return -1;
    Vertex3D* v = StartQuad(r, *p, set.diffuse);
    for (int k = 0; k < 4; ++k) {
      v[k].x = sx * v[k].x + static_cast<float>(x1) - 0.5f;
      v[k].y = sy * v[k].y + static_cast<float>(y1) - 0.5f;
    }
    ClipQuad(v, *p, -0.5f, sx, sy);
    if ((sx < 0.0f) != (sy < 0.0f)) Swap12(v);
    if (HasArea(v)) SubmitQuad3D(GetDirect3DState().currentDevice, v, addOffset);
  }
  return EndDraw3D();
}

int G_D3D_DrawRotaGraph(int x, int y, double scale, double angle, GraphRecord* graph, int trans,
                        int turn) {
  if (CurrentRecord() == nullptr || graph == nullptr) return -1;
  if (scale == 0.0) return 0;
  // Vertices made of a non-finite scale or angle would be NaN.
  if (!Finite(scale) || !Finite(angle)) return -1;
  ImageSetup set;
  const int ready = BeginImage(graph, trans, &set);
  if (ready <= 0) return ready;
  Direct3DDeviceRecord& r = *set.record;
  const double mirror = turn == 1 ? -1.0 : 1.0;
  const int w = graph->width, h = graph->height;
  double cx = w * 0.5, cy = h * 0.5, ox = x - 0.5, oy = y - 0.5;
  if (scale == 1.0) {
    const bool evenW = w % 2 == 0, evenH = h % 2 == 0;
    if (evenW && evenH) {
      cx = w / 2;
      cy = h / 2;
    } else {
      ox = x;
      oy = y;
      if (evenW != evenH) {
        if (evenW) cx -= 0.5;
        if (evenH) cy -= 0.5;
      }
    }
  }
  const double c = std::cos(angle), s = std::sin(angle);
  const DrawState& ds = GetDrawState();
  const float tw = static_cast<float>(ds.targetWidth), th = static_cast<float>(ds.targetHeight);
  const int addOffset = IsDrawTargetFront();
  for (int i = 0; i < graph->pieceCount && i < kMaxGraphPieces; ++i) {
    const Surface3DRecord* p = UsePiece(r, graph->pieces[i]);
    if (p == nullptr) return -1;
    Vertex3D* v = StartQuad(r, *p, set.diffuse);
    float xs[4], ys[4];
    for (int k = 0; k < 4; ++k) {
      const double a = (v[k].x - cx) * mirror * scale, b = (v[k].y - cy) * scale;
      v[k].x = xs[k] = static_cast<float>(a * c - b * s + ox);
      v[k].y = ys[k] = static_cast<float>(a * s + b * c + oy);
    }
    if (turn != 0) Swap12(v);
    if (AllBelow(xs, 0.0f) || AllAbove(xs, tw) || AllBelow(ys, 0.0f) || AllAbove(ys, th)) {
      continue;
    }
    SubmitQuad3D(GetDirect3DState().currentDevice, v, addOffset);
  }
  return EndDraw3D();
}

int G_D3D_DrawModiGraph(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
                        GraphRecord* graph, int trans) {
  if (x1 == x3 && x2 == x4 && y1 == y2 && y3 == y4) {
    return G_D3D_DrawExtendGraph(x1, y1, x4, y4, graph, trans);
  }
  return G_D3D_DrawFloatModiGraph(static_cast<float>(x1), static_cast<float>(y1),
                                  static_cast<float>(x2), static_cast<float>(y2),
                                  static_cast<float>(x3), static_cast<float>(y3),
                                  static_cast<float>(x4), static_cast<float>(y4), graph, trans);
}

int G_D3D_DrawFloatModiGraph(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                             float y4, GraphRecord* graph, int trans) {
  if (CurrentRecord() == nullptr || graph == nullptr) return -1;
  float xs[4] = {x1, x2, x3, x4}, ys[4] = {y1, y2, y3, y4};
  for (int k = 0; k < 4; ++k) {
    if (!std::isfinite(xs[k]) || !std::isfinite(ys[k])) return -1;
  }
  ImageSetup set;
  const int ready = BeginImage(graph, trans, &set);
  if (ready <= 0) return ready;
  Direct3DDeviceRecord& r = *set.record;
  const DrawState& ds = GetDrawState();
  float left = 0.0f, top = 0.0f;
  float width = static_cast<float>(ds.targetWidth), height = static_cast<float>(ds.targetHeight);
  if (IsDrawTargetFront() != 0) {
    left = static_cast<float>(ds.screenOffset.left);
    top = static_cast<float>(ds.screenOffset.top);
    width += left;
    height += top;
    for (int k = 0; k < 4; ++k) {
      xs[k] += left;
      ys[k] += top;
    }
  }
  if (AllBelow(xs, left) || AllAbove(xs, width) || AllBelow(ys, top) || AllAbove(ys, height)) {
    return EndDraw3D();
  }
  const int count = std::min<int>(graph->pieceCount, kMaxGraphPieces);
  const float gw = static_cast<float>(graph->width), gh = static_cast<float>(graph->height);
  for (int i = 0; i < count; ++i) {
    const Surface3DRecord* p = UsePiece(r, graph->pieces[i]);
    if (p == nullptr) return -1;
    if (count == 1) {
      DrawPieceQuad3D(xs, ys, *p, set.diffuse);
      continue;
    }
    float px[4], py[4];
    for (int k = 0; k < 4; ++k) {
      const float t = p->quad[k].y / gh, s = p->quad[k].x / gw;
      const float lx = xs[0] + t * (xs[2] - xs[0]), ly = ys[0] + t * (ys[2] - ys[0]);
      const float rx = xs[1] + t * (xs[3] - xs[1]), ry = ys[1] + t * (ys[3] - ys[1]);
      px[k] = lx + s * (rx - lx);
      py[k] = ly + s * (ry - ly);
    }
    DrawPieceQuad3D(px, py, *p, set.diffuse);
  }
  return EndDraw3D();
}

}  // namespace morrow
