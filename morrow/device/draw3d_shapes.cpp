// Shapes through the 3D device (untextured, drawn at once except the filled box, which goes
// through the vertex batch like an image quad), graph filling, the draw-target selection that
// decides when 3D drawing is suspended, clearing and the clip viewport. While drawing is
// suspended the shapes fall back to the software rasterisers with the same arguments.
#include <algorithm>
#include <cmath>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/device/device3d.h"
#include "morrow/device/direct3d.h"
#include "morrow/device/draw3d_internal.h"
#include "morrow/device/pieces3d.h"
#include "morrow/device/screen.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/font.h"
#include "morrow/graphics/font_record.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/mask.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/raster/walkers.h"
#include "morrow/softdraw/raster.h"
#include "morrow/system/log.h"

namespace morrow {
namespace {

// The untextured vertex (format 0x44).
struct ShapeVertex {
  float x, y, z, rhw;
  uint32_t diffuse;
};
static_assert(sizeof(ShapeVertex) == 20);

constexpr int kPointBuffer = 40;

uint32_t ShapeDiffuse(uint32_t colour) {
  const DrawState& ds = GetDrawState();
  int r = 0, g = 0, b = 0;
  UnpackScreenColor(colour, &r, &g, &b);
  const uint32_t alpha =
      ds.blendMode != 0 ? static_cast<uint32_t>(std::clamp(ds.blendParam, 0, 255)) : 255u;
  const auto channel = [&](int shift, int c) {
    return ((ds.drawBright >> shift) & 0xFFu) * static_cast<uint32_t>(std::clamp(c, 0, 255)) / 255u;
  };
  return alpha << 24 | channel(16, r) << 16 | channel(8, g) << 8 | channel(0, b);
}

// The scene, no texture and the draw state's blend mode; null when the device cannot draw.
Direct3DDeviceRecord* BeginShape() {
  Direct3DDeviceRecord* r = CurrentRecord();
  if (r == nullptr) return nullptr;
  if (BeginScene3D(GetDirect3DState().currentDevice) != 0) return nullptr;
  SetTexture3D(*r, nullptr);
  // An image's texture-alpha hand-over may have left another mode on the device.
  const DrawState& ds = GetDrawState();
  SetBlendMode3D(ds.blendMode, ds.blendParam);
  return r;
}

ShapeVertex At(double x, double y, uint32_t diffuse) {
  return {static_cast<float>(x), static_cast<float>(y), 0.0f, 1.0f, diffuse};
}

void Draw(Direct3DDeviceRecord& r, platform::PrimitiveType type, const ShapeVertex* v, int n) {
  if (n > 0) {
    r.device->DrawPrimitive(type, platform::kVertexColoured, v, static_cast<uint32_t>(n), 0);
  }
}

// A truncated coordinate that stays an int whatever a steep slope makes of it.
int TruncToInt(double v) {
  if (!(v > -2147483648.0)) return std::numeric_limits<int>::min();
  if (!(v < 2147483647.0)) return std::numeric_limits<int>::max();
  return static_cast<int>(v);
}

}  // namespace

void SetTexture3D(Direct3DDeviceRecord& r, const std::shared_ptr<platform::Surface>& texture) {
  if (r.texture == texture) return;
  Flush3DVertexBatch();
  r.device->SetTexture(0, texture);
  r.texture = texture;
}

int G_D3D_DrawFillBox(int x1, int y1, int x2, int y2, uint32_t colour) {
  if (CurrentRecord() == nullptr) return -1;
  if (GetDirect3DState().drawingSuspended != 0) return G_DDraw_DrawFillBox(x1, y1, x2, y2, colour);
  Rect box{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  ClipRectToRect(&box, &GetDrawState().drawArea);
  if (box.left >= box.right || box.top >= box.bottom) return 0;
  Direct3DDeviceRecord* r = BeginShape();
  if (r == nullptr) return -1;
  const uint32_t diffuse = ShapeDiffuse(colour);
  Vertex3D* v = r->vertices + r->vertexCount;
  for (int i = 0; i < 4; ++i) {
    v[i] = Vertex3D{static_cast<float>((i & 1) != 0 ? box.right : box.left),
                    static_cast<float>((i & 2) != 0 ? box.bottom : box.top),
                    0.0f,
                    1.0f,
                    diffuse,
                    0.0f,
                    0.0f};
  }
  SubmitQuad3D(GetDirect3DState().currentDevice, v, IsDrawTargetFront());
  return EndDraw3D();
}

int G_D3D_DrawLine(int x1, int y1, int x2, int y2, uint32_t colour) {
  if (Flush3DVertexBatch() != 0) return -1;
  if (GetDirect3DState().drawingSuspended != 0) return G_DDraw_DrawLine(x1, y1, x2, y2, colour);
  if (x2 < x1 || y2 < y1) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const Rect& area = GetDrawState().drawArea;
  if (!(area.left <= std::max(x1, x2) && area.top <= std::max(y1, y2) &&
        std::min(x1, x2) <= area.right && std::min(y1, y2) <= area.bottom)) {
    return 0;
  }
  // A vertical or horizontal line has no slope on one axis: there only the varying coordinate
  // is clamped.
  const double dx = static_cast<double>(x2) - x1, dy = static_cast<double>(y2) - y1;
  const bool slopedX = dx != 0.0, slopedY = dy != 0.0;
  const double ky = slopedX ? dy / dx : 0.0, kx = slopedY ? dx / dy : 0.0;
  const double cy = std::trunc(y1 - x1 * ky), cx = std::trunc(x1 - y1 * kx);
  int* xs[2] = {&x1, &x2};
  int* ys[2] = {&y1, &y2};
  for (int e = 0; e < 2; ++e) {
    if (*xs[e] < area.left) {
      *xs[e] = area.left;
      if (slopedX) *ys[e] = TruncToInt(area.left * ky + cy);
    } else if (*xs[e] >= area.right) {
      *xs[e] = area.right;
      if (slopedX) *ys[e] = TruncToInt(area.right * ky + cy);
    }
  }
  for (int e = 0; e < 2; ++e) {
    if (*ys[e] < area.top) {
      *ys[e] = area.top;
      if (slopedY) *xs[e] = TruncToInt(area.top * kx + cx);
    } else if (*ys[e] >= area.bottom) {
      *ys[e] = area.bottom;
      if (slopedY) *xs[e] = TruncToInt(area.bottom * kx + cx);
    }
  }
  if (x1 == x2 && y1 == y2) return 0;
  Direct3DDeviceRecord* r = BeginShape();
  if (r == nullptr) return -1;
  const uint32_t diffuse = ShapeDiffuse(colour);
  const Rect& off = GetDrawState().screenOffset;
  const double ox = IsDrawTargetFront() != 0 ? off.left : 0,
               oy = IsDrawTargetFront() != 0 ? off.top : 0;
  const ShapeVertex v[2] = {At(x1 + ox, y1 + oy, diffuse), At(x2 + ox, y2 + oy, diffuse)};
  Draw(*r, platform::PrimitiveType::kLineStrip, v, 2);
  return EndDraw3D();
}

int G_D3D_DrawFrameBox(int x1, int y1, int x2, int y2, uint32_t colour) {
  if (Flush3DVertexBatch() != 0) return -1;
  if (GetDirect3DState().drawingSuspended != 0) {
    return G_DDraw_DrawFrameBox(x1, y1, x2, y2, colour);
  }
  if (x2 < x1 || y2 < y1) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  Direct3DDeviceRecord* r = BeginShape();
  if (r == nullptr) return -1;
  const uint32_t diffuse = ShapeDiffuse(colour);
  const Rect& off = GetDrawState().screenOffset;
  const bool front = IsDrawTargetFront() != 0;
  const double l = static_cast<double>(x1) + (front ? off.left : 0);
  const double t = static_cast<double>(y1) + (front ? off.top : 0);
  const double rr = static_cast<double>(x2) + (front ? off.left : 0);
  const double b = static_cast<double>(y2) + (front ? off.top : 0);
  const ShapeVertex v[8] = {At(l, t, diffuse),          At(rr - 1, t, diffuse),
                            At(rr - 1, t + 1, diffuse), At(rr - 1, b - 2, diffuse),
                            At(l + 1, b - 1, diffuse),  At(rr - 1, b - 1, diffuse),
                            At(l, t + 1, diffuse),      At(l, b - 1, diffuse)};
  Draw(*r, platform::PrimitiveType::kLineList, v, 8);
  return EndDraw3D();
}

int G_D3D_DrawCircle(int x, int y, int radius, uint32_t colour, int filled) {
  if (Flush3DVertexBatch() != 0) return -1;
  if (GetDirect3DState().drawingSuspended != 0) {
    return G_DDraw_DrawCircle(x, y, radius, colour, filled);
  }
  Direct3DDeviceRecord* r = BeginShape();
  if (r == nullptr) return -1;
  const DrawState& ds = GetDrawState();
  const bool front = IsDrawTargetFront() != 0;
  const int64_t ox = front ? ds.screenOffset.left : 0, oy = front ? ds.screenOffset.top : 0;
  const uint32_t diffuse = ShapeDiffuse(colour);
  raster::CircleWalk walk;
  walk.x = x + ox;
  walk.y = y + oy;
  walk.r = radius;
  walk.left = ds.drawArea.left + ox;
  walk.top = ds.drawArea.top + oy;
  walk.right = ds.drawArea.right + ox - 1;
  walk.bottom = ds.drawArea.bottom + oy - 1;
  if (filled != 0) {
    // One mark a row of the moved area: the first span offered for a row is the one drawn.
    std::vector<uint8_t> marks(
        static_cast<size_t>(std::max<int64_t>(walk.bottom - walk.top + 1, 0)));
    walk.marks = marks.data();
    walk.ForEachClippedSpan([&](int64_t row, int64_t a, int64_t b) {
      const ShapeVertex v[2] = {At(static_cast<double>(a), static_cast<double>(row), diffuse),
                                At(static_cast<double>(b), static_cast<double>(row), diffuse)};
      Draw(*r, platform::PrimitiveType::kLineList, v, 2);
    });
  } else {
    ShapeVertex points[kPointBuffer];
    int n = 0;
    walk.ForEachVisiblePoint([&](int64_t column, int64_t row) {
      points[n++] = At(static_cast<double>(column), static_cast<double>(row), diffuse);
      if (n == kPointBuffer) {
        Draw(*r, platform::PrimitiveType::kPointList, points, n);
        n = 0;
      }
    });
    Draw(*r, platform::PrimitiveType::kPointList, points, n);
  }
  return EndDraw3D();
}

int PaintGraph3D(GraphRecord* graph, int r, int g, int b, int a) {
  if (CurrentRecord() == nullptr) return -1;
  if (GetDirect3DState().drawingSuspended != 0 || graph == nullptr) return 0;
  for (int i = 0; i < graph->pieceCount && i < kMaxGraphPieces; ++i) {
    const Surface3DRecord* p = Get3DGraphRecord(graph->pieces[i]);
    if (p == nullptr || FillSurface(p->surface, r, g, b, a) != 0) return -1;
  }
  return 0;
}

int SelectDrawTarget3D(int screen) {
  Direct3DState& d = GetDirect3DState();
  Direct3DDeviceRecord* r = CurrentRecord();
  if (r == nullptr) return -1;
  EndScene3D();
  Flush3DVertexBatch();
  SetRenderTargetOfDevice3D(nullptr, d.currentDevice);
  SetTexture3D(*r, nullptr);
  ScreenState& s = GetScreenState();
  if (screen == kFrontScreen || screen == kBackScreen) {
    const bool front = screen == kFrontScreen;
    SetRenderTargetOfDevice3D(front ? s.primarySurface : s.backSurface, d.currentDevice);
    d.drawingSuspended = 0;
    d.endSceneAfterDraw = front ? 1 : 0;
    return 0;
  }
  GraphRecord* g = GetGraphRecord(screen);
  if (g == nullptr) return -1;
  if (g->pieceCount != 1) return 0;
  std::shared_ptr<platform::Surface> target;
  if (g->flags.texture == 0) {
    const Surface2DRecord* p = GetSurface2DRecord(g->pieces[0]);
    const SurfaceRecord* surface = p != nullptr ? GetSurfaceRecord(p->surface) : nullptr;
    if (surface == nullptr) return -1;
    if (surface->flags.systemMemory != 0) {
      d.drawingSuspended = 1;
      return -1;
    }
    target = surface->surface;
  } else {
    const Surface3DRecord* p = Get3DGraphRecord(g->pieces[0]);
    const SurfaceRecord* surface = p != nullptr ? GetSurfaceRecord(p->surface) : nullptr;
    if (surface == nullptr || surface->flags.drawValid != 1) return -1;
    target = surface->surface;
  }
  SetRenderTargetOfDevice3D(target, d.currentDevice);
  d.drawingSuspended = 0;
  d.endSceneAfterDraw = 0;
  return 0;
}

int SetClipRect3D(const Rect* area) {
  Direct3DState& d = GetDirect3DState();
  if (CurrentRecord() == nullptr || area == nullptr) return -1;
  if (d.drawingSuspended != 0) return 0;
  if (area->left == area->right || area->top == area->bottom) return -1;
  const Rect& off = GetDrawState().screenOffset;
  platform::Viewport v;
  v.x = static_cast<uint32_t>(area->left + off.left);
  v.y = static_cast<uint32_t>(area->top + off.top);
  v.width = static_cast<uint32_t>(area->right - area->left);
  v.height = static_cast<uint32_t>(area->bottom - area->top);
  SetViewportOfDevice3D(v, d.currentDevice);
  return 0;
}

int SetClipViewport3D(int useMask) {
  Direct3DState& d = GetDirect3DState();
  if (CurrentRecord() == nullptr) return -1;
  Flush3DVertexBatch();
  // A mask without its surface leaves the software draws on the target, and the device with
  // them.
  platform::Surface* mask = useMask != 0 ? GetMaskSurface() : nullptr;
  const std::shared_ptr<platform::Surface> target =
      mask != nullptr ? mask->shared_from_this() : GetScreenState().drawTargetSurface;
  if (target == nullptr) return -1;
  SetRenderTargetOfDevice3D(target, d.currentDevice);
  const DrawState& ds = GetDrawState();
  if (mask == nullptr) {
    SetClipRect3D(&ds.drawArea);
    return 0;
  }
  const bool front = IsDrawTargetFront() != 0;
  if (front) d.drawingSuspended = 0;
  if (d.drawingSuspended != 0 || ds.drawArea.Empty()) return 0;
  // The mask has the screen's size: a larger target is drawn on it only as far as it reaches,
  // as the software draws into it are.
  const int64_t dx = front ? 0 : ds.screenOffset.left, dy = front ? 0 : ds.screenOffset.top;
  const auto into = [](int64_t v, int limit) {
    return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, limit));
  };
  platform::Viewport v;
  v.x = into(ds.drawArea.left + dx, target->width());
  v.y = into(ds.drawArea.top + dy, target->height());
  v.width = into(ds.drawArea.right + dx, target->width()) - v.x;
  v.height = into(ds.drawArea.bottom + dy, target->height()) - v.y;
  SetViewportOfDevice3D(v, d.currentDevice);
  return 0;
}

int RenderTextD3D(int x, int y, const char* text, uint32_t colour, int font, uint32_t edgeColour,
                  int vertical) {
  const FontRecord* r = GetFontRecord(font);
  if (r == nullptr) return -1;
  if (r->textureCache != 1) {
    return RenderTextDDraw(x, y, text, colour, font, edgeColour, vertical);
  }
  if (CurrentRecord() == nullptr || GetDirect3DState().drawingSuspended != 0) return -1;
  SetupFontCacheSurface(font);
  const Rect area = GetDrawState().drawArea;
  FontCacheStringDraw(1, x, y, text, colour, nullptr, nullptr, 0, &area, GetScreenBitDepth(), 1,
                      font, edgeColour, -1, vertical, nullptr);
  return 0;
}

int ClearDrawTarget3D() {
  const DrawState& ds = GetDrawState();
  if (ds.graphicsOff != 0) return 0;
  if (CurrentRecord() == nullptr) return -1;
  Flush3DVertexBatch();
  EndScene3D();
  // The screens' colour is cleared on the display side.
  GraphRecord* g = GetGraphRecord(ds.drawScreen);
  if (g == nullptr || g->flags.texture != 1 || g->pieceCount < 1) return 0;
  const Surface3DRecord* p = Get3DGraphRecord(g->pieces[0]);
  const SurfaceRecord* s = p != nullptr ? GetSurfaceRecord(p->surface) : nullptr;
  if (s == nullptr || s->surface == nullptr) return 0;
  const platform::Rect all{0, 0, s->width, s->height};
  platform::BltFx fx;
  if (s->zBuffer != nullptr) {
    fx.fillDepth = 65535;
    s->zBuffer->Blt(&all, nullptr, nullptr, platform::kBltDepthFill | platform::kBltWait, &fx);
  }
  fx.fillColor = 0;
  s->surface->Blt(&all, nullptr, nullptr, platform::kBltColorFill | platform::kBltWait, &fx);
  return 0;
}

}  // namespace morrow
