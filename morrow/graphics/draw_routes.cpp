#include "morrow/graphics/draw_routes.h"

#include <cstdio>
#include <utility>

#include "morrow/device/direct3d.h"
#include "morrow/device/screen.h"
#include "morrow/softdraw/raster.h"

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
  void Arg(int v) { Add("%d", v); }
  void Arg(double v) { Add("%g", v); }
  void Arg(float v) { Add("%g", static_cast<double>(v)); }
  void Arg(uint32_t v) { Add("0x%x", v); }
  void Arg(const char* v) {
    text_ += ' ';
    text_ += v != nullptr ? v : "(null)";
  }
  // The graph is a pointer that differs from run to run: lines leave it out.
  void Arg(GraphRecord*) {}
  void Emit() {
    if (g_sink) g_sink(text_);
  }

 private:
  template <typename T>
  void Add(const char* format, T v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    text_ += ' ';
    text_ += buf;
  }
  std::string text_;
};

// Stands in front of one entry of the table: writes the line, then calls the routine that was
// there before the layer went in.
template <auto Entry, const char* Name>
struct Tracer;
template <typename... A, int (*DrawRoutes::*Entry)(A...), const char* Name>
struct Tracer<Entry, Name> {
  static int Call(A... args) {
    Line line(Name);
    (line.Arg(args), ...);
    line.Emit();
    return (g_traced.*Entry)(args...);
  }
};

constexpr char kDrawGraphDDraw[] = "DrawGraphDDraw";
constexpr char kDrawExtendGraphDDraw[] = "G_DDraw_DrawExtendGraph";
constexpr char kDrawRotaGraphDDraw[] = "G_DDraw_DrawRotaGraph";
constexpr char kDrawModiGraphDDraw[] = "G_DDraw_DrawModiGraph";
constexpr char kDrawFloatModiGraphDDraw[] = "G_DDraw_DrawFloatModiGraph";
constexpr char kDrawLineDDraw[] = "G_DDraw_DrawLine";
constexpr char kDrawFillBoxDDraw[] = "G_DDraw_DrawFillBox";
constexpr char kDrawFrameBoxDDraw[] = "G_DDraw_DrawFrameBox";
constexpr char kDrawCircleDDraw[] = "G_DDraw_DrawCircle";
constexpr char kPaintGraphDDraw[] = "PaintGraphDDraw";
constexpr char kCopyScreenToGraphDDraw[] = "CopyScreenToGraphDDraw";
constexpr char kRenderTextDDraw[] = "RenderTextDDraw";
constexpr char kDrawGraph3D[] = "G_D3D_DrawGraph";
constexpr char kDrawExtendGraph3D[] = "G_D3D_DrawExtendGraph";
constexpr char kDrawRotaGraph3D[] = "G_D3D_DrawRotaGraph";
constexpr char kDrawModiGraph3D[] = "G_D3D_DrawModiGraph";
constexpr char kDrawFloatModiGraph3D[] = "G_D3D_DrawFloatModiGraph";
constexpr char kDrawLine3D[] = "G_D3D_DrawLine";
constexpr char kDrawFillBox3D[] = "G_D3D_DrawFillBox";
constexpr char kDrawFrameBox3D[] = "G_D3D_DrawFrameBox";
constexpr char kDrawCircle3D[] = "G_D3D_DrawCircle";
constexpr char kPaintGraph3D[] = "PaintGraph3D";
constexpr char kCopyScreenToGraph3D[] = "G_D3D_CopyScreenToGraph";
constexpr char kRenderText3D[] = "RenderTextD3D";

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
  r.drawGraphDDraw = Tracer<&DrawRoutes::drawGraphDDraw, kDrawGraphDDraw>::Call;
  r.drawExtendGraphDDraw = Tracer<&DrawRoutes::drawExtendGraphDDraw, kDrawExtendGraphDDraw>::Call;
  r.drawRotaGraphDDraw = Tracer<&DrawRoutes::drawRotaGraphDDraw, kDrawRotaGraphDDraw>::Call;
  r.drawModiGraphDDraw = Tracer<&DrawRoutes::drawModiGraphDDraw, kDrawModiGraphDDraw>::Call;
  r.drawFloatModiGraphDDraw =
      Tracer<&DrawRoutes::drawFloatModiGraphDDraw, kDrawFloatModiGraphDDraw>::Call;
  r.drawLineDDraw = Tracer<&DrawRoutes::drawLineDDraw, kDrawLineDDraw>::Call;
  r.drawFillBoxDDraw = Tracer<&DrawRoutes::drawFillBoxDDraw, kDrawFillBoxDDraw>::Call;
  r.drawFrameBoxDDraw = Tracer<&DrawRoutes::drawFrameBoxDDraw, kDrawFrameBoxDDraw>::Call;
  r.drawCircleDDraw = Tracer<&DrawRoutes::drawCircleDDraw, kDrawCircleDDraw>::Call;
  r.paintGraphDDraw = Tracer<&DrawRoutes::paintGraphDDraw, kPaintGraphDDraw>::Call;
  r.copyScreenToGraphDDraw =
      Tracer<&DrawRoutes::copyScreenToGraphDDraw, kCopyScreenToGraphDDraw>::Call;
  r.renderTextDDraw = Tracer<&DrawRoutes::renderTextDDraw, kRenderTextDDraw>::Call;
  r.drawGraph3D = Tracer<&DrawRoutes::drawGraph3D, kDrawGraph3D>::Call;
  r.drawExtendGraph3D = Tracer<&DrawRoutes::drawExtendGraph3D, kDrawExtendGraph3D>::Call;
  r.drawRotaGraph3D = Tracer<&DrawRoutes::drawRotaGraph3D, kDrawRotaGraph3D>::Call;
  r.drawModiGraph3D = Tracer<&DrawRoutes::drawModiGraph3D, kDrawModiGraph3D>::Call;
  r.drawFloatModiGraph3D = Tracer<&DrawRoutes::drawFloatModiGraph3D, kDrawFloatModiGraph3D>::Call;
  r.drawLine3D = Tracer<&DrawRoutes::drawLine3D, kDrawLine3D>::Call;
  r.drawFillBox3D = Tracer<&DrawRoutes::drawFillBox3D, kDrawFillBox3D>::Call;
  r.drawFrameBox3D = Tracer<&DrawRoutes::drawFrameBox3D, kDrawFrameBox3D>::Call;
  r.drawCircle3D = Tracer<&DrawRoutes::drawCircle3D, kDrawCircle3D>::Call;
  r.paintGraph3D = Tracer<&DrawRoutes::paintGraph3D, kPaintGraph3D>::Call;
  r.copyScreenToGraph3D = Tracer<&DrawRoutes::copyScreenToGraph3D, kCopyScreenToGraph3D>::Call;
  r.renderText3D = Tracer<&DrawRoutes::renderText3D, kRenderText3D>::Call;
}

}  // namespace morrow
