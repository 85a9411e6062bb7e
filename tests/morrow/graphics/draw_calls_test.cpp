// The public drawing calls against a recording routing table: what reaches which routine, with
// which arguments and which mask rectangle, and what is refused before anything is drawn.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_routes.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/surface2d.h"
#include "tests/morrow/graphics/graphics_fixture.h"
#include "tests/morrow/graphics/route_recorder.h"

namespace {

using Lines = std::vector<std::string>;
using testsupport::RouteRecorder;

constexpr uint32_t kColour = 0xff123456u;

class DrawCalls : public testsupport::GraphicsFixture {
 protected:
  void SetUp() override {
    GraphicsFixture::SetUp();
    Start(1, 32);
    graph_ = morrow::CreateGraph(8, 6, 1, 0);
    ASSERT_NE(morrow::GetGraphRecord(graph_), nullptr);
    stale_ = morrow::CreateGraph(4, 4, 1, 0);
    ASSERT_EQ(morrow::FreeGraphHandle(stale_, 0), 0);
    recorder_.Install();
  }
  void TearDown() override {
    recorder_.Remove();
    morrow::GetDrawState().graphicsOff = 0;
    GraphicsFixture::TearDown();
  }
  // Holds the graph as textures, as the 3D path would, and opens the 3D path for shapes.
  void UseHardwarePath() {
    morrow::GetGraphRecord(graph_)->flags.texture = 1;
    morrow::GetGraphicsState().direct3DUsable = 1;
  }

  int graph_ = -1;
  int stale_ = -1;
  RouteRecorder recorder_;
};

// One drawing call with the graph it is given.
struct CallCase {
  const char* name;
  std::function<int(int graph)> call;
  Lines software;  // what reaches the table on the software path
  Lines hardware;  // with a texture graph and the 3D path open (shapes: without the shape option)
  bool usesGraph;
  bool offWhenAreaEmpty;
};

const CallCase kCalls[] = {
    {"DrawGraph",
     [](int g) { return morrow::DrawGraph(10, 20, g, 1); },
     {"MaskBeforeDraw 10 20 18 26", "DrawGraphDDraw 10 20 1", "MaskAfterDraw 10 20 18 26"},
     {"MaskBeforeDraw 10 20 18 26", "G_D3D_DrawGraph 10 20 1", "MaskAfterDraw 10 20 18 26"},
     true,
     true},
    {"DrawExtendGraph",
     [](int g) { return morrow::DrawExtendGraph(30, 40, 10, 20, g, 0); },
     {"MaskBeforeDraw 10 20 30 40", "G_DDraw_DrawExtendGraph 30 40 10 20 0",
      "MaskAfterDraw 10 20 30 40"},
     {"MaskBeforeDraw 10 20 30 40", "G_D3D_DrawExtendGraph 30 40 10 20 0",
      "MaskAfterDraw 10 20 30 40"},
     true,
     true},
    // 8 x 6 at scale 2: corners -8..8 and -6..6 about the centre, widened by 5.
    {"DrawRotaGraph",
     [](int g) { return morrow::DrawRotaGraph(100, 100, 2.0, 0.0, g, 1, 1); },
     {"MaskBeforeDraw 87 89 113 111", "G_DDraw_DrawRotaGraph 100 100 2 0 1 1",
      "MaskAfterDraw 87 89 113 111"},
     {"MaskBeforeDraw 87 89 113 111", "G_D3D_DrawRotaGraph 100 100 2 0 1 1",
      "MaskAfterDraw 87 89 113 111"},
     true,
     true},
    // A quarter turn swaps the half-widths: x spans -3..3, y spans -4..4.
    {"DrawRotaGraphTurned",
     [](int g) { return morrow::DrawRotaGraph(50, 60, 1.0, M_PI / 2, g, 0, 0); },
     {"MaskBeforeDraw 42 51 58 69", "G_DDraw_DrawRotaGraph 50 60 1 1.5708 0 0",
      "MaskAfterDraw 42 51 58 69"},
     {"MaskBeforeDraw 42 51 58 69", "G_D3D_DrawRotaGraph 50 60 1 1.5708 0 0",
      "MaskAfterDraw 42 51 58 69"},
     true,
     true},
    // Clockwise corners in, rows out: the third and fourth corners change places.
    {"DrawModiGraph",
     [](int g) { return morrow::DrawModiGraph(1, 2, 30, 4, 28, 40, 3, 38, g, 1); },
     {"MaskBeforeDraw 1 2 30 40", "G_DDraw_DrawModiGraph 1 2 30 4 3 38 28 40 1",
      "MaskAfterDraw 1 2 30 40"},
     {"MaskBeforeDraw 1 2 30 40", "G_D3D_DrawModiGraph 1 2 30 4 3 38 28 40 1",
      "MaskAfterDraw 1 2 30 40"},
     true,
     true},
    {"DrawFloatModiGraph",
     [](int g) {
       return morrow::DrawFloatModiGraph(1.5f, 2.25f, 30.5f, 4, 28, 40.75f, 3, 38, g, 0);
     },
     {"MaskBeforeDraw 1 2 30 40", "G_DDraw_DrawFloatModiGraph 1.5 2.25 30.5 4 3 38 28 40.75 0",
      "MaskAfterDraw 1 2 30 40"},
     {"MaskBeforeDraw 1 2 30 40", "G_D3D_DrawFloatModiGraph 1.5 2.25 30.5 4 3 38 28 40.75 0",
      "MaskAfterDraw 1 2 30 40"},
     true,
     true},
    {"DrawMirroredGraph",
     [](int g) { return morrow::DrawMirroredGraph(10, 20, g, 1); },
     {"MaskBeforeDraw 10 20 18 26", "G_DDraw_DrawExtendGraph 18 20 10 26 1",
      "MaskAfterDraw 10 20 18 26"},
     {"MaskBeforeDraw 10 20 18 26", "G_D3D_DrawExtendGraph 18 20 10 26 1",
      "MaskAfterDraw 10 20 18 26"},
     true,
     true},
    {"PaintGraph",
     [](int g) { return morrow::PaintGraph(g, 1, 2, 3, 4); },
     {"PaintGraphDDraw 1 2 3 4"},
     {"PaintGraph3D 1 2 3 4"},
     true,
     true},
    {"CopyScreenToGraph",
     [](int g) { return morrow::CopyScreenToGraph(0, 0, 8, 6, g, 1); },
     {"CopyScreenToGraphDDraw 0 0 8 6 1"},
     {"G_D3D_CopyScreenToGraph 0 0 8 6 1"},
     true,
     false},
    {"DrawLine",
     [](int) { return morrow::DrawLine(50, 60, 10, 5, kColour); },
     {"MaskBeforeDraw 10 5 50 60", "G_DDraw_DrawLine 50 60 10 5 0xff123456",
      "MaskAfterDraw 10 5 50 60"},
     {"MaskBeforeDraw 10 5 50 60", "G_DDraw_DrawLine 50 60 10 5 0xff123456",
      "MaskAfterDraw 10 5 50 60"},
     false,
     true},
    {"DrawFillBox",
     [](int) { return morrow::DrawFillBox(5, 6, 1, 2, kColour); },
     {"MaskBeforeDraw 1 2 5 6", "G_DDraw_DrawFillBox 5 6 1 2 0xff123456", "MaskAfterDraw 1 2 5 6"},
     {"MaskBeforeDraw 1 2 5 6", "G_D3D_DrawFillBox 5 6 1 2 0xff123456", "MaskAfterDraw 1 2 5 6"},
     false,
     true},
    {"DrawFrameBox",
     [](int) { return morrow::DrawFrameBox(1, 2, 5, 6, kColour); },
     {"MaskBeforeDraw 1 2 5 6", "G_DDraw_DrawFrameBox 1 2 5 6 0xff123456", "MaskAfterDraw 1 2 5 6"},
     {"MaskBeforeDraw 1 2 5 6", "G_DDraw_DrawFrameBox 1 2 5 6 0xff123456", "MaskAfterDraw 1 2 5 6"},
     false,
     true},
    {"DrawRectangleOutline",
     [](int) { return morrow::DrawRectangle(1, 2, 5, 6, kColour, 0); },
     {"MaskBeforeDraw 1 2 5 6", "G_DDraw_DrawFrameBox 1 2 5 6 0xff123456", "MaskAfterDraw 1 2 5 6"},
     {"MaskBeforeDraw 1 2 5 6", "G_DDraw_DrawFrameBox 1 2 5 6 0xff123456", "MaskAfterDraw 1 2 5 6"},
     false,
     true},
    {"DrawRectangleFilled",
     [](int) { return morrow::DrawRectangle(1, 2, 5, 6, kColour, 2); },
     {"MaskBeforeDraw 1 2 5 6", "G_DDraw_DrawFillBox 1 2 5 6 0xff123456", "MaskAfterDraw 1 2 5 6"},
     {"MaskBeforeDraw 1 2 5 6", "G_D3D_DrawFillBox 1 2 5 6 0xff123456", "MaskAfterDraw 1 2 5 6"},
     false,
     true},
    {"DrawCircle",
     [](int) { return morrow::DrawCircle(100, 50, 10, kColour, 1); },
     {"MaskBeforeDraw 89 39 111 61", "G_DDraw_DrawCircle 100 50 10 0xff123456 1",
      "MaskAfterDraw 89 39 111 61"},
     {"MaskBeforeDraw 89 39 111 61", "G_D3D_DrawCircle 100 50 10 0xff123456 1",
      "MaskAfterDraw 89 39 111 61"},
     false,
     true},
};

void PrintTo(const CallCase& c, std::ostream* os) {
  *os << c.name;
}

class DrawCallRouting : public DrawCalls, public ::testing::WithParamInterface<CallCase> {};

TEST_P(DrawCallRouting, SoftwarePathReceivesTheCallsArguments) {
  const CallCase& c = GetParam();
  RouteRecorder::result = 7;  // whatever the routine answers comes back unchanged
  EXPECT_EQ(c.call(graph_), 7);
  EXPECT_EQ(RouteRecorder::calls, c.software);
}

TEST_P(DrawCallRouting, TextureGraphsAndShapesTakeTheHardwarePath) {
  const CallCase& c = GetParam();
  UseHardwarePath();
  RouteRecorder::result = -1;
  EXPECT_EQ(c.call(graph_), -1);
  EXPECT_EQ(RouteRecorder::calls, c.hardware);
}

TEST_P(DrawCallRouting, NothingIsDrawnWhileGraphicsIsOff) {
  morrow::GetDrawState().graphicsOff = 1;
  EXPECT_EQ(GetParam().call(graph_), 0);
  EXPECT_TRUE(RouteRecorder::calls.empty());
}

TEST_P(DrawCallRouting, AnEmptyDrawAreaStopsTheDrawingCalls) {
  const CallCase& c = GetParam();
  ASSERT_EQ(morrow::SetClipRect(5, 5, 5, 50), 0);
  RouteRecorder::result = 3;
  EXPECT_EQ(c.call(graph_), c.offWhenAreaEmpty ? 0 : 3);
  EXPECT_EQ(RouteRecorder::calls.empty(), c.offWhenAreaEmpty);
}

TEST_P(DrawCallRouting, WithoutTheMaskFlagNoHookRuns) {
  const CallCase& c = GetParam();
  morrow::GetDrawState().maskOn = 0;
  c.call(graph_);
  Lines expected;
  for (const std::string& line : c.software) {
    if (line.rfind("Mask", 0) != 0) expected.push_back(line);
  }
  EXPECT_EQ(RouteRecorder::calls, expected);
}

INSTANTIATE_TEST_SUITE_P(Calls, DrawCallRouting, ::testing::ValuesIn(kCalls),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DrawCalls, StaleGraphHandlesAreRefused) {
  for (const CallCase& c : kCalls) {
    if (!c.usesGraph) continue;
    for (int bad : {stale_, -1, -4, 0, graph_ & 0x07FFFFFF}) {
      EXPECT_EQ(c.call(bad), -1) << c.name << " " << bad;
    }
  }
  EXPECT_TRUE(RouteRecorder::calls.empty());
}

TEST_F(DrawCalls, LinesAndOutlinesNeedTheHardwareShapeOption) {
  UseHardwarePath();
  morrow::SetHardwareShapeDrawFlag(1);
  EXPECT_EQ(morrow::DrawLine(1, 2, 3, 4, kColour), 0);
  EXPECT_EQ(morrow::DrawFrameBox(1, 2, 3, 4, kColour), 0);
  morrow::SetHardwareShapeDrawFlag(0);
  EXPECT_EQ(RouteRecorder::calls,
            (Lines{"MaskBeforeDraw 1 2 3 4", "G_D3D_DrawLine 1 2 3 4 0xff123456",
                   "MaskAfterDraw 1 2 3 4", "MaskBeforeDraw 1 2 3 4",
                   "G_D3D_DrawFrameBox 1 2 3 4 0xff123456", "MaskAfterDraw 1 2 3 4"}));
}

TEST_F(DrawCalls, ShapesStayInSoftwareWhenTheHardwareIsNotWanted) {
  UseHardwarePath();
  morrow::GetDrawState().useDirect3D = 0;
  morrow::GetDrawState().maskOn = 0;
  morrow::DrawFillBox(1, 2, 3, 4, kColour);
  morrow::DrawCircle(1, 2, 3, kColour, 0);
  EXPECT_EQ(RouteRecorder::calls, (Lines{"G_DDraw_DrawFillBox 1 2 3 4 0xff123456",
                                         "G_DDraw_DrawCircle 1 2 3 0xff123456 0"}));
}

struct RotaCase {
  const char* name;
  double scale;
  double angle;
  const char* mask;
};

void PrintTo(const RotaCase& c, std::ostream* os) {
  *os << c.name;
}

class RotaRectangle : public DrawCalls, public ::testing::WithParamInterface<RotaCase> {};

TEST_P(RotaRectangle, StaysARectangleForAnyScaleAndAngle) {
  const RotaCase& c = GetParam();
  RouteRecorder::result = 0;
  EXPECT_EQ(morrow::DrawRotaGraph(100, 100, c.scale, c.angle, graph_, 1, 0), 0);
  ASSERT_EQ(RouteRecorder::calls.size(), 3u);
  EXPECT_EQ(RouteRecorder::calls[0], std::string("MaskBeforeDraw ") + c.mask);
  EXPECT_EQ(RouteRecorder::calls[2], std::string("MaskAfterDraw ") + c.mask);
}

const double kNan = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Scales, RotaRectangle,
    ::testing::Values(RotaCase{"Plain", 1.0, 0.0, "91 92 109 108"},
                      // Whole turns are taken off first.
                      RotaCase{"ThreeTurns", 1.0, 6 * M_PI, "91 92 109 108"},
                      RotaCase{"ZeroScale", 0.0, 0.0, "95 95 105 105"},
                      RotaCase{"Huge", 1e300, 0.0, "-1073741829 -1073741829 1073741829 1073741829"},
                      RotaCase{"HugeNegative", -1e300, 0.0,
                               "-1073741829 -1073741829 1073741829 1073741829"},
                      RotaCase{"NanScale", kNan, 0.0, "0 0 0 0"},
                      RotaCase{"NanAngle", 1.0, kNan, "0 0 0 0"},
                      RotaCase{"InfiniteAngle", 1.0, kInf, "0 0 0 0"},
                      RotaCase{"InfiniteScale", kInf, 0.0, "0 0 0 0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DrawCalls, RectanglesNearTheEndsOfTheRangeSaturate) {
  morrow::DrawCircle(0, INT_MIN, INT_MAX, kColour, 1);
  morrow::DrawGraph(INT_MAX - 2, INT_MIN, graph_, 0);
  morrow::DrawFloatModiGraph(-1e30f, 0, 1e30f, 0, 1, 1, std::nanf(""), 0, graph_, 0);
  EXPECT_EQ(RouteRecorder::calls[0], "MaskBeforeDraw -2147483648 -2147483648 2147483647 0");
  EXPECT_EQ(RouteRecorder::calls[3],
            "MaskBeforeDraw 2147483645 -2147483648 2147483647 -2147483642");
  EXPECT_EQ(RouteRecorder::calls[6], "MaskBeforeDraw 0 0 0 0");
}

TEST_F(DrawCalls, NegativeRadiusDrawsNothing) {
  RouteRecorder::result = 5;
  EXPECT_EQ(morrow::DrawCircle(10, 10, -1, kColour, 1), 0);
  EXPECT_EQ(morrow::DrawCircle(10, 10, INT_MIN, kColour, 0), 0);
  EXPECT_TRUE(RouteRecorder::calls.empty());
  EXPECT_EQ(morrow::DrawCircle(10, 10, 0, kColour, 0), 5);
}

struct PartCase {
  const char* name;
  morrow::Rect area;  // before the call
  int x, y, srcX, srcY, width, height, turn;
  const char* draw;     // the routine's line
  morrow::Rect during;  // the draw area the routine sees
};

void PrintTo(const PartCase& c, std::ostream* os) {
  *os << c.name;
}

class GraphPart : public DrawCalls, public ::testing::WithParamInterface<PartCase> {};

TEST_P(GraphPart, DrawsTheWholeGraphInsideANarrowedAreaAndPutsTheAreaBack) {
  const PartCase& c = GetParam();
  morrow::GetDrawState().maskOn = 0;
  morrow::SetClipRect(c.area.left, c.area.top, c.area.right, c.area.bottom);
  const morrow::Rect before = morrow::GetDrawState().drawArea;
  RouteRecorder::result = 9;
  EXPECT_EQ(morrow::DrawGraphPart(c.x, c.y, c.srcX, c.srcY, c.width, c.height, graph_, 1, c.turn),
            9);
  EXPECT_EQ(RouteRecorder::calls, Lines{c.draw});
  ASSERT_EQ(RouteRecorder::areas.size(), 1u);
  EXPECT_EQ(RouteRecorder::areas[0], c.during);
  EXPECT_EQ(morrow::GetDrawState().drawArea, before);
}

INSTANTIATE_TEST_SUITE_P(
    Parts, GraphPart,
    ::testing::Values(PartCase{"Plain",
                               {0, 0, 640, 480},
                               100,
                               50,
                               2,
                               1,
                               4,
                               3,
                               0,
                               "DrawGraphDDraw 98 49 1",
                               {100, 50, 104, 53}},
                      // Mirrored: the graph's right part lands on the left of the destination.
                      PartCase{"Turned",
                               {0, 0, 640, 480},
                               100,
                               50,
                               2,
                               1,
                               4,
                               3,
                               1,
                               "G_DDraw_DrawExtendGraph 106 49 98 55 1",
                               {100, 50, 104, 53}},
                      // Only a turn of exactly 1 mirrors.
                      PartCase{"TurnTwo",
                               {0, 0, 640, 480},
                               100,
                               50,
                               2,
                               1,
                               4,
                               3,
                               2,
                               "DrawGraphDDraw 98 49 1",
                               {100, 50, 104, 53}},
                      PartCase{"ClampedIntoTheArea",
                               {0, 0, 102, 52},
                               100,
                               50,
                               2,
                               1,
                               4,
                               3,
                               0,
                               "DrawGraphDDraw 98 49 1",
                               {100, 50, 102, 52}},
                      PartCase{"ClampedTurned",
                               {101, 0, 640, 52},
                               100,
                               50,
                               2,
                               1,
                               4,
                               3,
                               1,
                               "G_DDraw_DrawExtendGraph 106 49 98 55 1",
                               {101, 50, 104, 52}},
                      PartCase{"OutsideTheArea",
                               {200, 200, 300, 300},
                               100,
                               50,
                               0,
                               0,
                               8,
                               6,
                               0,
                               "DrawGraphDDraw 100 50 1",
                               {200, 200, 200, 200}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DrawCalls, GraphPartWithABadHandlePutsTheAreaBackOnBothPaths) {
  morrow::SetClipRect(3, 4, 300, 400);
  const morrow::Rect before = morrow::GetDrawState().drawArea;
  for (int turn : {0, 1}) {
    EXPECT_EQ(morrow::DrawGraphPart(10, 10, 0, 0, 4, 4, stale_, 0, turn), -1) << turn;
    EXPECT_EQ(morrow::GetDrawState().drawArea, before) << turn;
  }
  EXPECT_TRUE(RouteRecorder::calls.empty());
}

TEST_F(DrawCalls, OutlineIsFourLinesThatMeetWithoutOverlap) {
  recorder_.Install(/*keepFrameBox=*/true);
  morrow::GetDrawState().maskOn = 0;
  EXPECT_EQ(morrow::DrawFrameBox(10, 20, 50, 60, kColour), 0);
  EXPECT_EQ(morrow::DrawFrameBox(INT_MIN, INT_MAX, INT_MIN, INT_MAX, kColour), 0);
  EXPECT_EQ(
      RouteRecorder::calls,
      (Lines{"G_DDraw_DrawFrameBox 10 20 50 60 0xff123456",
             "G_DDraw_DrawLine 10 20 50 20 0xff123456", "G_DDraw_DrawLine 49 21 49 60 0xff123456",
             "G_DDraw_DrawLine 10 59 49 59 0xff123456", "G_DDraw_DrawLine 10 21 10 59 0xff123456",
             "G_DDraw_DrawFrameBox -2147483648 2147483647 -2147483648 2147483647 "
             "0xff123456",
             "G_DDraw_DrawLine -2147483648 2147483647 -2147483648 2147483647 0xff123456",
             "G_DDraw_DrawLine -2147483648 2147483647 -2147483648 2147483647 0xff123456",
             "G_DDraw_DrawLine -2147483648 2147483646 -2147483648 2147483646 0xff123456",
             "G_DDraw_DrawLine -2147483648 2147483647 -2147483648 2147483646 "
             "0xff123456"}));
}

TEST_F(DrawCalls, TextWithABadFontIsLoggedAndRefused) {
  EXPECT_EQ(morrow::RenderTextToHandle(0, 0, nullptr, kColour, 12345, 0, 0), 0);
  EXPECT_EQ(morrow::RenderTextToHandle(0, 0, "", kColour, 12345, 0, 0), 0);
  EXPECT_EQ(Count("フォントハンドル値が異常です\n"), 0);
  EXPECT_EQ(morrow::RenderTextToHandle(0, 0, "abc", kColour, 12345, 0, 0), -1);
  EXPECT_EQ(Count("フォントハンドル値が異常です\n"), 1);
  morrow::GetDrawState().graphicsOff = 1;
  EXPECT_EQ(morrow::RenderTextToHandle(0, 0, "abc", kColour, 12345, 0, 0), 0);
  EXPECT_EQ(Count("フォントハンドル値が異常です\n"), 1);
  EXPECT_TRUE(RouteRecorder::calls.empty());
  morrow::GetDrawState().graphicsOff = 0;
  // The start made the default font (size 16): RenderText hands it to the text routine, the
  // mask rectangle reaching the draw area's right and the font's size + 3 down.
  EXPECT_EQ(morrow::RenderText(5, 7, "abc", kColour, 0), 0);
  EXPECT_EQ(RouteRecorder::calls, (Lines{"MaskBeforeDraw 5 7 640 26",
                                         "RenderTextDDraw 5 7 abc 0xff123456 536870912 0x0 0",
                                         "MaskAfterDraw 5 7 640 26"}));
}

TEST_F(DrawCalls, PictureThatCannotBeLoadedIsNotDrawn) {
  EXPECT_EQ(morrow::LoadAndDrawGraphFile(0, 0, "missing.bmp", 1), -1);
  morrow::GetDrawState().graphicsOff = 1;
  EXPECT_EQ(morrow::LoadAndDrawGraphFile(0, 0, "missing.bmp", 1), 0);
  EXPECT_TRUE(RouteRecorder::calls.empty());
}

TEST_F(DrawCalls, RemovingTheTraceLayerKeepsTheRoutinesUnderIt) {
  morrow::GetDrawState().maskOn = 0;
  morrow::TraceDrawRoutes(nullptr);
  RouteRecorder::result = 4;
  EXPECT_EQ(morrow::DrawGraph(1, 2, graph_, 0), 4);
  EXPECT_TRUE(RouteRecorder::calls.empty());
  EXPECT_EQ(RouteRecorder::areas.size(), 1u);
  morrow::ResetDrawRoutes();
  EXPECT_EQ(morrow::GetDrawRoutes().drawGraphDDraw, morrow::DefaultDrawRoutes().drawGraphDDraw);
}

}  // namespace
