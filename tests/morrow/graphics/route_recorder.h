// A routing table whose routines draw nothing: each call is written down as the trace layer
// formats it, with the draw area and the draw tint in force at that moment, and answers a
// chosen result. The mask
// hooks are written down as "MaskBeforeDraw L T R B" and "MaskAfterDraw L T R B".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "morrow/graphics/draw_routes.h"
#include "morrow/graphics/draw_state.h"

namespace testsupport {

class RouteRecorder {
 public:
  // Replaces every routine; with keepFrameBox the outline routine stays the real one, so that
  // the lines it draws are written down.
  void Install(bool keepFrameBox = false) {
    calls.clear();
    areas.clear();
    tints.clear();
    result = 0;
    morrow::ResetDrawRoutes();
    morrow::DrawRoutes& r = morrow::GetDrawRoutes();
    const auto frameBox = r.drawFrameBoxDDraw;
    r.drawGraphDDraw = Stub;
    r.drawExtendGraphDDraw = Stub;
    r.drawRotaGraphDDraw = Stub;
    r.drawModiGraphDDraw = Stub;
    r.drawFloatModiGraphDDraw = Stub;
    r.drawLineDDraw = Stub;
    r.drawFillBoxDDraw = Stub;
    r.drawFrameBoxDDraw = Stub;
    if (keepFrameBox) r.drawFrameBoxDDraw = frameBox;
    r.drawCircleDDraw = Stub;
    r.paintGraphDDraw = Stub;
    r.copyScreenToGraphDDraw = Stub;
    r.renderTextDDraw = Stub;
    r.drawGraph3D = Stub;
    r.drawExtendGraph3D = Stub;
    r.drawRotaGraph3D = Stub;
    r.drawModiGraph3D = Stub;
    r.drawFloatModiGraph3D = Stub;
    r.drawLine3D = Stub;
    r.drawFillBox3D = Stub;
    r.drawFrameBox3D = Stub;
    r.drawCircle3D = Stub;
    r.paintGraph3D = Stub;
    r.copyScreenToGraph3D = Stub;
    r.renderText3D = Stub;
    r.maskBeforeDraw = [](int a, int b, int c, int d) {
      return Hook("MaskBeforeDraw", a, b, c, d);
    };
    r.maskAfterDraw = [](int a, int b, int c, int d) { return Hook("MaskAfterDraw", a, b, c, d); };
    morrow::TraceDrawRoutes([](const std::string& line) { calls.push_back(line); });
  }
  void Remove() { morrow::ResetDrawRoutes(); }

  static inline std::vector<std::string> calls;
  static inline std::vector<morrow::Rect> areas;  // the draw area at each routine call
  static inline std::vector<uint32_t> tints;      // the draw tint at each routine call
  static inline int result = 0;

 private:
  template <typename... Args>
  static int Stub(Args...) {
    areas.push_back(morrow::GetDrawState().drawArea);
    tints.push_back(morrow::GetDrawState().drawBright);
    return result;
  }
  static int Hook(const char* name, int a, int b, int c, int d) {
    calls.push_back(std::string(name) + " " + std::to_string(a) + " " + std::to_string(b) + " " +
                    std::to_string(c) + " " + std::to_string(d));
    return 0;
  }
};

}  // namespace testsupport
