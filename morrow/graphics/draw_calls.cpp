// The public drawing calls. Each one checks the draw state and its graph, waits while the window
// is inactive, works out the rectangle it may touch for the mask screen's hooks, and hands the
// draw to one entry of the routing table, whose result it returns unchanged.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "morrow/device/color_format.h"
#include "morrow/device/device3d.h"
#include "morrow/device/direct3d.h"
#include "morrow/device/movie.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_routes.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/font.h"
#include "morrow/graphics/font_record.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_load.h"
#include "morrow/system/log.h"
#include "morrow/system/window.h"

namespace morrow {
namespace {

// Affected rectangles are kept to this range, so that huge scales and far corners stay
// rectangles instead of overflowing.
constexpr double kCoordinateLimit = 1073741824.0;  // 2^30

bool Off() {
  const DrawState& ds = GetDrawState();
  return ds.graphicsOff != 0 || ds.emptyArea != 0;
}

bool IsTexture(const GraphRecord* g) {
  return g->flags.texture == 1;
}

// Shapes go to the 3D device when it is wanted and usable; lines and outlines also need the
// hardware-shape option.
bool ShapesOnHardware(bool outline) {
  return GetDrawState().useDirect3D != 0 && GetGraphicsState().direct3DUsable != 0 &&
         GetSoftwareOnlyFlag() == 0 && (!outline || GetHardwareShapeDrawFlag() != 0);
}

// The rectangle spanned by two corners in any order, computed in 64 bits.
Rect Span(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  return Rect{SaturateToInt(std::min(x1, x2)), SaturateToInt(std::min(y1, y2)),
              SaturateToInt(std::max(x1, x2)), SaturateToInt(std::max(y1, y2))};
}

// The bounding box of points given as reals, truncated toward zero and widened by widen on
// every side; any NaN makes it empty.
Rect Bounds(const double* xs, const double* ys, int n, int widen) {
  double left = xs[0], right = xs[0], top = ys[0], bottom = ys[0];
  for (int i = 0; i < n; ++i) {
    if (std::isnan(xs[i]) || std::isnan(ys[i])) return Rect{};
    left = std::min(left, xs[i]);
    right = std::max(right, xs[i]);
    top = std::min(top, ys[i]);
    bottom = std::max(bottom, ys[i]);
  }
  auto limit = [](double v) {
    return static_cast<int64_t>(std::clamp(v, -kCoordinateLimit, kCoordinateLimit));
  };
  return Rect{SaturateToInt(limit(left) - widen), SaturateToInt(limit(top) - widen),
              SaturateToInt(limit(right) + widen), SaturateToInt(limit(bottom) + widen)};
}

// The turned and scaled image's corners about (x, y), widened by 5 pixels.
Rect RotaArea(int x, int y, double scale, double angle, int width, int height) {
  const double a = std::fmod(angle, 2.0 * std::numbers::pi);
  const double c = std::cos(a) * scale, s = std::sin(a) * scale;
  const double cornersX[2] = {static_cast<double>(-(width / 2)),
                              static_cast<double>(width - width / 2)};
  const double cornersY[2] = {static_cast<double>(-(height / 2)),
                              static_cast<double>(height - height / 2)};
  double xs[4], ys[4];
  for (int i = 0; i < 4; ++i) {
    const double px = cornersX[i & 1], py = cornersY[i >> 1];
    xs[i] = x + px * c - py * s;
    ys[i] = y + px * s + py * c;
  }
  return Bounds(xs, ys, 4, 5);
}

// The mask hooks around a draw: the mask screen keeps the rectangle's pixels before the draw and
// decides afterwards which of the new ones stay.
template <typename Draw>
int WithMaskHooks(const Rect& area, Draw draw) {
  const bool mask = GetDrawState().maskOn != 0;
  if (mask) GetDrawRoutes().maskBeforeDraw(area.left, area.top, area.right, area.bottom);
  const int result = draw(area);
  if (mask) GetDrawRoutes().maskAfterDraw(area.left, area.top, area.right, area.bottom);
  return result;
}

// Subtraction through the 3D device, which has no subtracting blend: the target is inverted
// over the area (a white fill in mode 3), the drawing added (mode 5) and the target inverted
// back, leaving the target less the drawing.
template <typename Draw>
int SubtractOn3D(const Rect& area, Draw draw) {
  DrawState& ds = GetDrawState();
  const uint32_t bright = ds.drawBright;
  const uint32_t white = PackScreenColor(255, 255, 255);
  const auto invert = [&] {
    ds.drawBright = 0xFFFFFFFFu;
    ds.blendMode = 3;
    GetDrawRoutes().drawFillBox3D(area.left, area.top, area.right, area.bottom, white);
    ds.drawBright = bright;
  };
  invert();
  ds.blendMode = 5;
  const int result = draw();
  invert();
  return result;
}

// The 3D routine or the software one; the 3D one in mode 3 through the subtract sequence.
template <typename Hardware, typename Software>
int Route(bool onHardware, const Rect& area, Hardware hardware, Software software) {
  if (!onHardware) return software();
  // While 3D drawing is suspended the routines fall back to software, which subtracts itself.
  if (GetDrawState().blendMode == 3 && GetDirect3DState().drawingSuspended == 0) {
    return SubtractOn3D(area, hardware);
  }
  return hardware();
}

// The steps every image call starts with: off, handle, wait. The record is looked up again
// after the wait, which may have run the message pump.
GraphRecord* ImagePrologue(int graph, int* result) {
  *result = 0;
  if (Off()) return nullptr;
  *result = -1;
  if (GetGraphRecord(graph) == nullptr) return nullptr;
  WaitActiveAndRestore();
  return GetGraphRecord(graph);
}

// A movie playing into the graph brings its newest frame first. True when the movie shows through
// an overlay instead: the overlay is placed at (x, y) enlarged factor times and nothing is drawn.
bool ShowMovie(const GraphRecord* g, int x, int y, int factor) {
  if (g->movieHandle == -1) return false;
  UpdateMovieFrame(g->handle);
  if (IsMovieOnOverlay(g->movieHandle) == 0) return false;
  DrawImageScaled(x, y, factor, GetMovieRecord(g->movieHandle), 1);
  return true;
}

// The same for the calls that never show an overlay.
void UpdateMovie(const GraphRecord* g) {
  if (g->movieHandle != -1) UpdateMovieFrame(g->handle);
}

}  // namespace

int DrawGraph(int x, int y, int graph, int transparent) {
  int result = 0;
  GraphRecord* g = ImagePrologue(graph, &result);
  if (g == nullptr) return result;
  const Rect area = Span(x, y, int64_t{x} + g->width, int64_t{y} + g->height);
  if (ShowMovie(g, x, y, 1)) return -1;
  return WithMaskHooks(area, [&](const Rect& box) {
    const DrawRoutes& r = GetDrawRoutes();
    return Route(
        IsTexture(g), box, [&] { return r.drawGraph3D(x, y, g, transparent); },
        [&] { return r.drawGraphDDraw(x, y, g, transparent); });
  });
}

int DrawExtendGraph(int x1, int y1, int x2, int y2, int graph, int transparent) {
  int result = 0;
  GraphRecord* g = ImagePrologue(graph, &result);
  if (g == nullptr) return result;
  if (ShowMovie(g, x1, y1, SaturateToInt((int64_t{x2} - x1) / std::max<int>(g->width, 1)))) {
    return -1;
  }
  return WithMaskHooks(Span(x1, y1, x2, y2), [&](const Rect& box) {
    const DrawRoutes& r = GetDrawRoutes();
    return Route(
        IsTexture(g), box, [&] { return r.drawExtendGraph3D(x1, y1, x2, y2, g, transparent); },
        [&] { return r.drawExtendGraphDDraw(x1, y1, x2, y2, g, transparent); });
  });
}

int DrawRotaGraph(int x, int y, double scale, double angle, int graph, int transparent, int turn) {
  int result = 0;
  GraphRecord* g = ImagePrologue(graph, &result);
  if (g == nullptr) return result;
  const Rect area = RotaArea(x, y, scale, angle, g->width, g->height);
  UpdateMovie(g);
  return WithMaskHooks(area, [&](const Rect& box) {
    const DrawRoutes& r = GetDrawRoutes();
    return Route(
        IsTexture(g), box,
        [&] { return r.drawRotaGraph3D(x, y, scale, angle, g, transparent, turn); },
        [&] { return r.drawRotaGraphDDraw(x, y, scale, angle, g, transparent, turn); });
  });
}

int DrawModiGraph(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, int graph,
                  int transparent) {
  int result = 0;
  GraphRecord* g = ImagePrologue(graph, &result);
  if (g == nullptr) return result;
  const Rect area{std::min({x1, x2, x3, x4}), std::min({y1, y2, y3, y4}),
                  std::max({x1, x2, x3, x4}), std::max({y1, y2, y3, y4})};
  UpdateMovie(g);
  // The routines take the corners row by row: the public third and fourth corners swap places.
  return WithMaskHooks(area, [&](const Rect& box) {
    const DrawRoutes& r = GetDrawRoutes();
    return Route(
        IsTexture(g), box,
        [&] { return r.drawModiGraph3D(x1, y1, x2, y2, x4, y4, x3, y3, g, transparent); },
        [&] { return r.drawModiGraphDDraw(x1, y1, x2, y2, x4, y4, x3, y3, g, transparent); });
  });
}

int DrawFloatModiGraph(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                       float y4, int graph, int transparent) {
  int result = 0;
  GraphRecord* g = ImagePrologue(graph, &result);
  if (g == nullptr) return result;
  const double xs[4] = {x1, x2, x3, x4}, ys[4] = {y1, y2, y3, y4};
  UpdateMovie(g);
  return WithMaskHooks(Bounds(xs, ys, 4, 0), [&](const Rect& box) {
    const DrawRoutes& r = GetDrawRoutes();
    return Route(
        IsTexture(g), box,
        [&] { return r.drawFloatModiGraph3D(x1, y1, x2, y2, x4, y4, x3, y3, g, transparent); },
        [&] { return r.drawFloatModiGraphDDraw(x1, y1, x2, y2, x4, y4, x3, y3, g, transparent); });
  });
}

int DrawMirroredGraph(int x, int y, int graph, int transparent) {
  const GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr) return -1;
  return DrawExtendGraph(SaturateToInt(int64_t{x} + g->width), y, x,
                         SaturateToInt(int64_t{y} + g->height), graph, transparent);
}

int DrawGraphPart(int x, int y, int srcX, int srcY, int width, int height, int graph,
                  int transparent, int turn) {
  DrawState& ds = GetDrawState();
  const Rect saved = ds.drawArea;
  // Only the stored words change: the narrowing lasts for this one draw.
  Rect part{x, y, SaturateToInt(int64_t{x} + width), SaturateToInt(int64_t{y} + height)};
  ClipRectToRect(&part, &saved);
  ds.drawArea = part;
  int result = -1;
  const int drawY = SaturateToInt(int64_t{y} - srcY);
  if (turn == 1) {
    if (const GraphRecord* g = GetGraphRecord(graph)) {
      const int64_t drawX = int64_t{x} - g->width + srcX + width;
      result = DrawMirroredGraph(SaturateToInt(drawX), drawY, graph, transparent);
    }
  } else {
    result = DrawGraph(SaturateToInt(int64_t{x} - srcX), drawY, graph, transparent);
  }
  ds.drawArea = saved;
  return result;
}

int PaintGraph(int graph, int r, int g, int b, int a) {
  if (Off()) return 0;
  if (GetGraphRecord(graph) == nullptr) return -1;
  WaitActiveAndRestore();
  GraphRecord* record = GetGraphRecord(graph);
  if (record == nullptr) return -1;
  const DrawRoutes& routes = GetDrawRoutes();
  return IsTexture(record) ? routes.paintGraph3D(record, r, g, b, a)
                           : routes.paintGraphDDraw(record, r, g, b, a);
}

int DrawLine(int x1, int y1, int x2, int y2, uint32_t colour) {
  if (Off()) return 0;
  WaitActiveAndRestore();
  return WithMaskHooks(Span(x1, y1, x2, y2), [&](const Rect& box) {
    const DrawRoutes& r = GetDrawRoutes();
    return Route(
        ShapesOnHardware(true), box, [&] { return r.drawLine3D(x1, y1, x2, y2, colour); },
        [&] { return r.drawLineDDraw(x1, y1, x2, y2, colour); });
  });
}

int DrawFillBox(int x1, int y1, int x2, int y2, uint32_t colour) {
  if (Off()) return 0;
  WaitActiveAndRestore();
  return WithMaskHooks(Span(x1, y1, x2, y2), [&](const Rect& box) {
    const DrawRoutes& r = GetDrawRoutes();
    return Route(
        ShapesOnHardware(false), box, [&] { return r.drawFillBox3D(x1, y1, x2, y2, colour); },
        [&] { return r.drawFillBoxDDraw(x1, y1, x2, y2, colour); });
  });
}

int DrawFrameBox(int x1, int y1, int x2, int y2, uint32_t colour) {
  if (Off()) return 0;
  WaitActiveAndRestore();
  return WithMaskHooks(Span(x1, y1, x2, y2), [&](const Rect& box) {
    const DrawRoutes& r = GetDrawRoutes();
    return Route(
        ShapesOnHardware(true), box, [&] { return r.drawFrameBox3D(x1, y1, x2, y2, colour); },
        [&] { return r.drawFrameBoxDDraw(x1, y1, x2, y2, colour); });
  });
}

int DrawRectangle(int x1, int y1, int x2, int y2, uint32_t colour, int filled) {
  if (Off()) return 0;
  WaitActiveAndRestore();
  return filled == 0 ? DrawFrameBox(x1, y1, x2, y2, colour) : DrawFillBox(x1, y1, x2, y2, colour);
}

int DrawCircle(int x, int y, int radius, uint32_t colour, int filled) {
  if (Off() || radius < 0) return 0;
  WaitActiveAndRestore();
  const int64_t reach = int64_t{radius} + 1;
  return WithMaskHooks(Span(x - reach, y - reach, x + reach, y + reach), [&](const Rect& box) {
    const DrawRoutes& r = GetDrawRoutes();
    return Route(
        ShapesOnHardware(false), box, [&] { return r.drawCircle3D(x, y, radius, colour, filled); },
        [&] { return r.drawCircleDDraw(x, y, radius, colour, filled); });
  });
}

int RenderText(int x, int y, const char* text, uint32_t colour, uint32_t edgeColour) {
  GetDefaultFontHandle();
  return RenderTextToHandle(x, y, text, colour, GetDefaultFontHandleValue(), edgeColour, 0);
}

int RenderTextToHandle(int x, int y, const char* text, uint32_t colour, int font,
                       uint32_t edgeColour, int vertical) {
  if (Off()) return 0;
  if (text == nullptr || text[0] == '\0') return 0;
  if (IsValidFontHandle(font) == 0) return WriteLog("フォントハンドル値が異常です\n");
  WaitActiveAndRestore();
  const DrawState& ds = GetDrawState();
  const int64_t size = std::max(GetFontSizeOfHandle(font), 0);
  const Rect area = Span(x, y, ds.drawArea.right, int64_t{y} + size + 3);
  auto draw = [&](const Rect& box) {
    const DrawRoutes& r = GetDrawRoutes();
    const bool hardware = ds.useDirect3D != 0 && GetGraphicsState().direct3DUsable != 0;
    return Route(
        hardware, box,
        [&] { return r.renderText3D(x, y, text, colour, font, edgeColour, vertical); },
        [&] { return r.renderTextDDraw(x, y, text, colour, font, edgeColour, vertical); });
  };
  // Glyphs held as textures are drawn as graphs, whose own calls apply the mask.
  const FontRecord* record = GetFontRecord(font);
  if (record != nullptr && record->textureCache == 1) return draw(area);
  return WithMaskHooks(area, draw);
}

int CopyScreenToGraph(int x1, int y1, int x2, int y2, int graph, int flag) {
  if (GetDrawState().graphicsOff != 0) return 0;
  if (GetGraphRecord(graph) == nullptr) return -1;
  WaitActiveAndRestore();
  GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr) return -1;
  EndScene3D();
  const DrawRoutes& r = GetDrawRoutes();
  return IsTexture(g) ? r.copyScreenToGraph3D(x1, y1, x2, y2, g, flag)
                      : r.copyScreenToGraphDDraw(x1, y1, x2, y2, g, flag);
}

int ClearDrawTarget() {
  if (GetDrawState().graphicsOff != 0) return 0;
  WaitActiveAndRestore();
  if (GetGraphicsState().direct3DUsable != 0) ClearDrawTarget3D();
  ClearDrawTargetDDraw();
  return 0;
}

int LoadAndDrawGraphFile(int x, int y, const char* path, int transparent) {
  if (GetDrawState().graphicsOff != 0) return 0;
  const int graph = LoadImageAsGraph(path);
  if (graph == -1) return -1;
  DrawGraph(x, y, graph, transparent);
  FreeGraphHandle(graph, 0);
  return 0;
}

}  // namespace morrow
