#include "morrow/graphics/draw_routes.h"

#include <cstdio>
#include <utility>

#include "morrow/device/direct3d.h"
#include "morrow/device/screen.h"
#include "morrow/raster/raster.h"

namespace morrow {
namespace {

DrawRoutes MakeDefaults() {
  DrawRoutes r{};
  r.drawGraphDDraw = DrawGraphDDraw;
  r.drawExtendGraphDDraw = G_DDraw_DrawExtendGraph;
  r.drawRotaGraphDDraw = G_DDraw_DrawRotaGraph;
  r.drawModiGraphDDraw = G_DDraw_DrawModiGraph;
  r.drawFloatModiGraphDDraw = G_DDraw_DrawFloatModiGraph;
  r.drawLineDDraw = G_DDraw_DrawLine;
  r.drawFillBoxDDraw = G_DDraw_DrawFillBox;
  r.drawFrameBoxDDraw = G_DDraw_DrawFrameBox;
  r.drawCircleDDraw = G_DDraw_DrawCircle;
  r.paintGraphDDraw = PaintGraphDDraw;
  r.copyScreenToGraphDDraw = CopyScreenToGraphDDraw;
  r.renderTextDDraw = RenderTextDDraw;
  r.drawGraph3D = G_D3D_DrawGraph;
  r.drawExtendGraph3D = G_D3D_DrawExtendGraph;
  r.drawRotaGraph3D = G_D3D_DrawRotaGraph;
  r.drawModiGraph3D = G_D3D_DrawModiGraph;
  r.drawFloatModiGraph3D = G_D3D_DrawFloatModiGraph;
  r.drawLine3D = G_D3D_DrawLine;
  r.drawFillBox3D = G_D3D_DrawFillBox;
  r.drawFrameBox3D = G_D3D_DrawFrameBox;
  r.drawCircle3D = G_D3D_DrawCircle;
  r.paintGraph3D = PaintGraph3D;
  r.copyScreenToGraph3D = G_D3D_CopyScreenToGraph;
  r.renderText3D = RenderTextD3D;
  r.maskBeforeDraw = MaskBeforeDraw;
  r.maskAfterDraw = MaskAfterDraw;
  return r;
}

DrawRoutes g_routes = MakeDefaults();

// The trace layer: the routines it stands in front of, and where its lines go.
DrawRoutes g_traced{};
std::function<void(const std::string&)> g_sink;

class Line {
 public:
  explicit Line(const char* name) : text_(name) {}
  Line& Int(int v) { return Add("%d", v); }
  Line& Real(double v) { return Add("%g", v); }
  Line& Colour(uint32_t v) { return Add("0x%x", v); }
  Line& Text(const char* v) {
    text_ += ' ';
    text_ += v != nullptr ? v : "(null)";
    return *this;
  }
  void Emit() {
    if (g_sink) g_sink(text_);
  }

 private:
  template <typename T>
  Line& Add(const char* format, T v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    text_ += ' ';
    text_ += buf;
    return *this;
  }
  std::string text_;
};

int TraceDrawGraphDDraw(int x, int y, GraphRecord* g, int t) {
  Line("DrawGraphDDraw").Int(x).Int(y).Int(t).Emit();
  return g_traced.drawGraphDDraw(x, y, g, t);
}
int TraceDrawExtendGraphDDraw(int x1, int y1, int x2, int y2, GraphRecord* g, int t) {
  Line("G_DDraw_DrawExtendGraph").Int(x1).Int(y1).Int(x2).Int(y2).Int(t).Emit();
  return g_traced.drawExtendGraphDDraw(x1, y1, x2, y2, g, t);
}
int TraceDrawRotaGraphDDraw(int x, int y, double s, double a, GraphRecord* g, int t, int turn) {
  Line("G_DDraw_DrawRotaGraph").Int(x).Int(y).Real(s).Real(a).Int(t).Int(turn).Emit();
  return g_traced.drawRotaGraphDDraw(x, y, s, a, g, t, turn);
}
int TraceDrawModiGraphDDraw(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
                            GraphRecord* g, int t) {
  Line("G_DDraw_DrawModiGraph")
      .Int(x1)
      .Int(y1)
      .Int(x2)
      .Int(y2)
      .Int(x3)
      .Int(y3)
      .Int(x4)
      .Int(y4)
      .Int(t)
      .Emit();
  return g_traced.drawModiGraphDDraw(x1, y1, x2, y2, x3, y3, x4, y4, g, t);
}
int TraceDrawFloatModiGraphDDraw(float x1, float y1, float x2, float y2, float x3, float y3,
                                 float x4, float y4, GraphRecord* g, int t) {
  Line("G_DDraw_DrawFloatModiGraph")
      .Real(x1)
      .Real(y1)
      .Real(x2)
      .Real(y2)
      .Real(x3)
      .Real(y3)
      .Real(x4)
      .Real(y4)
      .Int(t)
      .Emit();
  return g_traced.drawFloatModiGraphDDraw(x1, y1, x2, y2, x3, y3, x4, y4, g, t);
}
int TraceDrawLineDDraw(int x1, int y1, int x2, int y2, uint32_t c) {
  Line("G_DDraw_DrawLine").Int(x1).Int(y1).Int(x2).Int(y2).Colour(c).Emit();
  return g_traced.drawLineDDraw(x1, y1, x2, y2, c);
}
int TraceDrawFillBoxDDraw(int x1, int y1, int x2, int y2, uint32_t c) {
  Line("G_DDraw_DrawFillBox").Int(x1).Int(y1).Int(x2).Int(y2).Colour(c).Emit();
  return g_traced.drawFillBoxDDraw(x1, y1, x2, y2, c);
}
int TraceDrawFrameBoxDDraw(int x1, int y1, int x2, int y2, uint32_t c) {
  Line("G_DDraw_DrawFrameBox").Int(x1).Int(y1).Int(x2).Int(y2).Colour(c).Emit();
  return g_traced.drawFrameBoxDDraw(x1, y1, x2, y2, c);
}
int TraceDrawCircleDDraw(int x, int y, int r, uint32_t c, int fill) {
  Line("G_DDraw_DrawCircle").Int(x).Int(y).Int(r).Colour(c).Int(fill).Emit();
  return g_traced.drawCircleDDraw(x, y, r, c, fill);
}
int TracePaintGraphDDraw(GraphRecord* g, int r, int gr, int b, int a) {
  Line("PaintGraphDDraw").Int(r).Int(gr).Int(b).Int(a).Emit();
  return g_traced.paintGraphDDraw(g, r, gr, b, a);
}
int TraceCopyScreenToGraphDDraw(int x1, int y1, int x2, int y2, GraphRecord* g, int flag) {
  Line("CopyScreenToGraphDDraw").Int(x1).Int(y1).Int(x2).Int(y2).Int(flag).Emit();
  return g_traced.copyScreenToGraphDDraw(x1, y1, x2, y2, g, flag);
}
int TraceRenderTextDDraw(int x, int y, const char* s, uint32_t c, int font, uint32_t e, int v) {
  Line("RenderTextDDraw").Int(x).Int(y).Text(s).Colour(c).Int(font).Colour(e).Int(v).Emit();
  return g_traced.renderTextDDraw(x, y, s, c, font, e, v);
}
int TraceDrawGraph3D(int x, int y, GraphRecord* g, int t) {
  Line("G_D3D_DrawGraph").Int(x).Int(y).Int(t).Emit();
  return g_traced.drawGraph3D(x, y, g, t);
}
int TraceDrawExtendGraph3D(int x1, int y1, int x2, int y2, GraphRecord* g, int t) {
  Line("G_D3D_DrawExtendGraph").Int(x1).Int(y1).Int(x2).Int(y2).Int(t).Emit();
  return g_traced.drawExtendGraph3D(x1, y1, x2, y2, g, t);
}
int TraceDrawRotaGraph3D(int x, int y, double s, double a, GraphRecord* g, int t, int turn) {
  Line("G_D3D_DrawRotaGraph").Int(x).Int(y).Real(s).Real(a).Int(t).Int(turn).Emit();
  return g_traced.drawRotaGraph3D(x, y, s, a, g, t, turn);
}
int TraceDrawModiGraph3D(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
                         GraphRecord* g, int t) {
  Line("G_D3D_DrawModiGraph")
      .Int(x1)
      .Int(y1)
      .Int(x2)
      .Int(y2)
      .Int(x3)
      .Int(y3)
      .Int(x4)
      .Int(y4)
      .Int(t)
      .Emit();
  return g_traced.drawModiGraph3D(x1, y1, x2, y2, x3, y3, x4, y4, g, t);
}
int TraceDrawFloatModiGraph3D(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                              float y4, GraphRecord* g, int t) {
  Line("G_D3D_DrawFloatModiGraph")
      .Real(x1)
      .Real(y1)
      .Real(x2)
      .Real(y2)
      .Real(x3)
      .Real(y3)
      .Real(x4)
      .Real(y4)
      .Int(t)
      .Emit();
  return g_traced.drawFloatModiGraph3D(x1, y1, x2, y2, x3, y3, x4, y4, g, t);
}
int TraceDrawLine3D(int x1, int y1, int x2, int y2, uint32_t c) {
  Line("G_D3D_DrawLine").Int(x1).Int(y1).Int(x2).Int(y2).Colour(c).Emit();
  return g_traced.drawLine3D(x1, y1, x2, y2, c);
}
int TraceDrawFillBox3D(int x1, int y1, int x2, int y2, uint32_t c) {
  Line("G_D3D_DrawFillBox").Int(x1).Int(y1).Int(x2).Int(y2).Colour(c).Emit();
  return g_traced.drawFillBox3D(x1, y1, x2, y2, c);
}
int TraceDrawFrameBox3D(int x1, int y1, int x2, int y2, uint32_t c) {
  Line("G_D3D_DrawFrameBox").Int(x1).Int(y1).Int(x2).Int(y2).Colour(c).Emit();
  return g_traced.drawFrameBox3D(x1, y1, x2, y2, c);
}
int TraceDrawCircle3D(int x, int y, int r, uint32_t c, int fill) {
  Line("G_D3D_DrawCircle").Int(x).Int(y).Int(r).Colour(c).Int(fill).Emit();
  return g_traced.drawCircle3D(x, y, r, c, fill);
}
int TracePaintGraph3D(GraphRecord* g, int r, int gr, int b, int a) {
  Line("PaintGraph3D").Int(r).Int(gr).Int(b).Int(a).Emit();
  return g_traced.paintGraph3D(g, r, gr, b, a);
}
int TraceCopyScreenToGraph3D(int x1, int y1, int x2, int y2, GraphRecord* g, int flag) {
  Line("G_D3D_CopyScreenToGraph").Int(x1).Int(y1).Int(x2).Int(y2).Int(flag).Emit();
  return g_traced.copyScreenToGraph3D(x1, y1, x2, y2, g, flag);
}
int TraceRenderText3D(int x, int y, const char* s, uint32_t c, int font, uint32_t e, int v) {
  Line("RenderTextD3D").Int(x).Int(y).Text(s).Colour(c).Int(font).Colour(e).Int(v).Emit();
  return g_traced.renderText3D(x, y, s, c, font, e, v);
}

// Copies every drawing routine (not the mask hooks) from one table to another.
void CopyDrawingEntries(const DrawRoutes& from, DrawRoutes* to) {
  const auto maskBefore = to->maskBeforeDraw;
  const auto maskAfter = to->maskAfterDraw;
  *to = from;
  to->maskBeforeDraw = maskBefore;
  to->maskAfterDraw = maskAfter;
}

}  // namespace

DrawRoutes& GetDrawRoutes() {
  return g_routes;
}

DrawRoutes DefaultDrawRoutes() {
  return MakeDefaults();
}

void ResetDrawRoutes() {
  g_routes = MakeDefaults();
  g_sink = nullptr;
  g_traced = DrawRoutes{};
}

void TraceDrawRoutes(std::function<void(const std::string&)> sink) {
  const bool layered = static_cast<bool>(g_sink);
  if (!sink) {
    if (layered) CopyDrawingEntries(g_traced, &g_routes);
    g_sink = nullptr;
    return;
  }
  g_sink = std::move(sink);
  if (layered) return;  // the layer is in place; only its sink changed
  g_traced = g_routes;
  DrawRoutes& r = g_routes;
  r.drawGraphDDraw = TraceDrawGraphDDraw;
  r.drawExtendGraphDDraw = TraceDrawExtendGraphDDraw;
  r.drawRotaGraphDDraw = TraceDrawRotaGraphDDraw;
  r.drawModiGraphDDraw = TraceDrawModiGraphDDraw;
  r.drawFloatModiGraphDDraw = TraceDrawFloatModiGraphDDraw;
  r.drawLineDDraw = TraceDrawLineDDraw;
  r.drawFillBoxDDraw = TraceDrawFillBoxDDraw;
  r.drawFrameBoxDDraw = TraceDrawFrameBoxDDraw;
  r.drawCircleDDraw = TraceDrawCircleDDraw;
  r.paintGraphDDraw = TracePaintGraphDDraw;
  r.copyScreenToGraphDDraw = TraceCopyScreenToGraphDDraw;
  r.renderTextDDraw = TraceRenderTextDDraw;
  r.drawGraph3D = TraceDrawGraph3D;
  r.drawExtendGraph3D = TraceDrawExtendGraph3D;
  r.drawRotaGraph3D = TraceDrawRotaGraph3D;
  r.drawModiGraph3D = TraceDrawModiGraph3D;
  r.drawFloatModiGraph3D = TraceDrawFloatModiGraph3D;
  r.drawLine3D = TraceDrawLine3D;
  r.drawFillBox3D = TraceDrawFillBox3D;
  r.drawFrameBox3D = TraceDrawFrameBox3D;
  r.drawCircle3D = TraceDrawCircle3D;
  r.paintGraph3D = TracePaintGraph3D;
  r.copyScreenToGraph3D = TraceCopyScreenToGraph3D;
  r.renderText3D = TraceRenderText3D;
}

}  // namespace morrow
