// The draw state's setters, the draw area and the draw target, and the rebuild after a display
// loss, on a started library.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/system/window.h"
#include "tests/morrow/graphics/graphics_fixture.h"

namespace {

using morrow::GetDrawState;
using morrow::Rect;

class DrawStateTest : public testsupport::GraphicsFixture {
 protected:
  void TearDown() override {
    GetDrawState().graphicsOff = 0;
    GraphicsFixture::TearDown();
  }
  // Moves the window's client area to (x, y) on the desktop, as the window procedure does.
  static void MoveWindow(int x, int y) {
    morrow::HandleWindowMove(static_cast<int64_t>(static_cast<uint16_t>(x)) |
                             static_cast<int64_t>(static_cast<uint16_t>(y)) << 16);
  }
};

struct BlendStep {
  int mode, param;
  int storedMode, storedParam;
};

TEST_F(DrawStateTest, BlendModeClampsItsParameterAndKeepsUnknownModes) {
  Start(1, 32);
  const BlendStep steps[] = {
      {1, 300, 1, 255}, {1, 300, 1, 255}, {2, -5, 2, 0},      {7, 99, 2, 0},  // 7 is never stored
      {3, 128, 3, 128}, {99, 17, 99, 17}, {-1, 256, -1, 255}, {0, 0, 0, 0},
  };
  for (const BlendStep& s : steps) {
    EXPECT_EQ(morrow::SetBlendMode(s.mode, s.param), 0);
    EXPECT_EQ(GetDrawState().blendMode, s.storedMode) << s.mode << "," << s.param;
    EXPECT_EQ(GetDrawState().blendParam, s.storedParam) << s.mode << "," << s.param;
  }
  GetDrawState().graphicsOff = 1;
  EXPECT_EQ(morrow::SetBlendMode(2, 10), 0);
  EXPECT_EQ(GetDrawState().blendMode, 0);
}

struct BrightCase {
  int r, g, b;
  uint32_t bright;
};

TEST_F(DrawStateTest, ModulationColourClampsEachChannelAndWhiteMeansNone) {
  Start(1, 32);
  const BrightCase cases[] = {
      {255, 255, 255, 0xFFFFFFFFu}, {0, 0, 0, 0xFF000000u},       {128, 64, 32, 0xFF804020u},
      {300, -1, 128, 0xFFFF0080u},  {255, 255, 254, 0xFFFFFFFEu},
  };
  for (const BrightCase& c : cases) {
    EXPECT_EQ(morrow::SetModulationColor(c.r, c.g, c.b), 0);
    EXPECT_EQ(GetDrawState().drawBright, c.bright) << c.r << "," << c.g << "," << c.b;
  }
  GetDrawState().graphicsOff = 1;
  morrow::SetModulationColor(1, 2, 3);
  EXPECT_EQ(GetDrawState().drawBright, 0xFFFFFFFEu);
}

TEST_F(DrawStateTest, FilterModeIsStoredUnlessGraphicsIsOff) {
  Start(1, 32);
  EXPECT_EQ(morrow::SetFilterMode(1), 0);
  EXPECT_EQ(GetDrawState().drawMode, 1);
  GetDrawState().graphicsOff = 1;
  EXPECT_EQ(morrow::SetFilterMode(0), 0);
  EXPECT_EQ(GetDrawState().drawMode, 1);
}

TEST_F(DrawStateTest, KeyColourPacksRedGreenBlueAndIsIgnoredAtEightBits) {
  Start(1, 32);
  EXPECT_EQ(morrow::SetKeyColor(0x12, 0x34, 0x56), 0);
  EXPECT_EQ(GetDrawState().keyColor, 0x00123456u);
  EXPECT_EQ(morrow::SetKeyColor(0x1FF, -1, 0x100), 0);  // the low byte of each
  EXPECT_EQ(GetDrawState().keyColor, 0x00FFFF00u);
  morrow::EndLibrary();
  GetDrawState().keyColor = 0;
  Start(1, 8, 8);
  ASSERT_EQ(morrow::GetScreenBitDepth(), 8);
  EXPECT_EQ(morrow::SetKeyColor(1, 2, 3), 0);
  EXPECT_EQ(GetDrawState().keyColor, 0u);
}

TEST_F(DrawStateTest, GraphCreationSettingsAreStoredAsGiven) {
  struct VideoCase {
    int flag, systemMemory, read;
  };
  for (const VideoCase& c :
       {VideoCase{1, 0, 1}, VideoCase{0, 1, 0}, VideoCase{2, 1, 0}, VideoCase{-1, 1, 0}}) {
    EXPECT_EQ(morrow::SetGraphVideoMemoryFlag(c.flag), 0);
    EXPECT_EQ(GetDrawState().newGraphSystemMemory, c.systemMemory) << c.flag;
    EXPECT_EQ(morrow::GetGraphVideoMemoryFlag(), c.read) << c.flag;
  }
  morrow::SetGraphBitDepth(16);
  morrow::SetGraphAlphaChannelFlag(1);
  morrow::SetGraphAlphaTestFlag(0);
  morrow::SetImageConvertFlag(1);
  EXPECT_EQ(morrow::GetGraphBitDepth(), 16);
  EXPECT_EQ(morrow::QueryGraphBitDepth(), 16);
  EXPECT_EQ(morrow::GetGraphAlphaChannelFlag(), 1);
  EXPECT_EQ(morrow::QueryGraphAlphaChannelFlag(), 1);
  EXPECT_EQ(morrow::GetGraphAlphaTestFlag(), 0);
  EXPECT_EQ(morrow::GetImageConvertFlag(), 1);
}

TEST_F(DrawStateTest, HardwarePreferenceBeforeTheStartDecidesWhetherTheDeviceStarts) {
  morrow::SetUseHardwareDrawFlag(0);
  EXPECT_EQ(morrow::GetScreenState().noDirect3DAtStart, 1);
  morrow::SetUseHardwareDrawFlag(1);
  EXPECT_EQ(morrow::GetScreenState().noDirect3DAtStart, 0);
  Start(1, 32);
  morrow::SetUseHardwareDrawFlag(0);
  EXPECT_EQ(GetDrawState().useDirect3D, 0);
  EXPECT_EQ(morrow::GetScreenState().noDirect3DAtStart, 0);  // the display exists
  EXPECT_EQ(morrow::IsDirect3DUsable(), 0);
}

TEST_F(DrawStateTest, HardwareShapeOptionOutlivesTheGraphicsStart) {
  morrow::SetHardwareShapeDrawFlag(1);
  Start(1, 32);
  EXPECT_EQ(morrow::GetHardwareShapeDrawFlag(), 1);
  morrow::SetHardwareShapeDrawFlag(0);
}

struct ClipCase {
  const char* name;
  int x1, y1, x2, y2;
  Rect area;
  int empty;
};

void PrintTo(const ClipCase& c, std::ostream* os) {
  *os << c.name;
}

class ClipRect : public DrawStateTest, public ::testing::WithParamInterface<ClipCase> {};

TEST_P(ClipRect, CornersAreOrderedAndClampedIntoTheTarget) {
  const ClipCase& c = GetParam();
  Start(1, 32);
  ASSERT_EQ(morrow::SelectDrawTarget(morrow::kBackScreen), 0);
  EXPECT_EQ(morrow::SetClipRect(c.x1, c.y1, c.x2, c.y2), 0);
  EXPECT_EQ(GetDrawState().drawArea, c.area);
  EXPECT_EQ(GetDrawState().emptyArea, c.empty);
  // The area a graph target of 32 x 16 allows.
  const int graph = morrow::CreateGraph(32, 16, 1, 0);
  ASSERT_EQ(morrow::SelectDrawTarget(graph), 0);
  morrow::SetClipRect(c.x1, c.y1, c.x2, c.y2);
  EXPECT_LE(GetDrawState().drawArea.right, 32);
  EXPECT_LE(GetDrawState().drawArea.bottom, 16);
  EXPECT_GE(GetDrawState().drawArea.left, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Areas, ClipRect,
    ::testing::Values(ClipCase{"Reversed", 100, 100, 10, 10, {10, 10, 100, 100}, 0},
                      ClipCase{"ZeroWidth", 5, 5, 5, 50, {5, 5, 5, 50}, 1},
                      ClipCase{"ZeroHeight", 5, 50, 60, 50, {5, 50, 60, 50}, 1},
                      ClipCase{"Outside", -20, -30, 700, 500, {0, 0, 640, 480}, 0},
                      ClipCase{"AllLeftOfTheTarget", -50, 10, -10, 20, {0, 10, 0, 20}, 1},
                      ClipCase{
                          "Extremes", INT_MAX, INT_MIN, INT_MIN, INT_MAX, {0, 0, 640, 480}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DrawStateTest, EmptyAreaLastsUntilANonEmptyOneIsSet) {
  Start(1, 32);
  morrow::SetClipRect(5, 5, 5, 50);
  EXPECT_EQ(GetDrawState().emptyArea, 1);
  EXPECT_EQ(morrow::DrawLine(0, 0, 10, 10, 0xFFFFFFFFu), 0);
  morrow::SetClipRect(0, 0, 1, 1);
  EXPECT_EQ(GetDrawState().emptyArea, 0);
}

struct WindowClipCase {
  const char* name;
  int windowX, windowY;
  Rect area;  // for SetClipRect(0, 0, 640, 480) on the front screen
};

void PrintTo(const WindowClipCase& c, std::ostream* os) {
  *os << c.name;
}

class FrontScreenClip : public DrawStateTest,
                        public ::testing::WithParamInterface<WindowClipCase> {};

TEST_P(FrontScreenClip, OnlyThePartOfTheClientAreaOnTheDesktopIsDrawn) {
  const WindowClipCase& c = GetParam();
  Start(1, 32);  // the desktop is 1024 x 768
  ASSERT_EQ(morrow::SelectDrawTarget(morrow::kFrontScreen), 0);
  MoveWindow(c.windowX, c.windowY);
  morrow::SetClipRect(0, 0, 640, 480);
  EXPECT_EQ(GetDrawState().drawArea, c.area);
  // The screen offset follows the client area while the front screen is the target.
  EXPECT_EQ(GetDrawState().screenOffset.left, c.windowX);
  EXPECT_EQ(GetDrawState().screenOffset.top, c.windowY);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, FrontScreenClip,
    ::testing::Values(WindowClipCase{"Inside", 100, 50, {0, 0, 640, 480}},
                      WindowClipCase{"LeftAndAbove", -10, -20, {10, 20, 640, 480}},
                      WindowClipCase{"RightAndBelow", 500, 400, {0, 0, 524, 368}},
                      WindowClipCase{"FarRight", 2000, 0, {0, 0, 0, 480}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DrawStateTest, ClipRectToRectClampsEachEdge) {
  struct Case {
    Rect r, clip, out;
  };
  const Case cases[] = {
      {{-5, -5, 700, 500}, {0, 0, 640, 480}, {0, 0, 640, 480}},
      {{10, 20, 30, 40}, {0, 0, 640, 480}, {10, 20, 30, 40}},
      {{30, 40, 10, 20}, {15, 25, 640, 480}, {30, 40, 15, 25}},  // stays reversed
      {{10, 10, 20, 20}, {50, 50, 40, 40}, {50, 50, 50, 50}},    // a reversed clip holds one point
  };
  for (const Case& c : cases) {
    Rect r = c.r;
    EXPECT_EQ(morrow::ClipRectToRect(&r, &c.clip), 0);
    EXPECT_EQ(r, c.out);
  }
  EXPECT_EQ(morrow::ClipRectToRect(nullptr, &cases[0].clip), -1);
}

TEST_F(DrawStateTest, TargetOfTheSameSizeKeepsTheAreaAnotherSizeResetsIt) {
  Start(1, 32);
  ASSERT_EQ(morrow::SelectDrawTarget(morrow::kBackScreen), 0);
  morrow::SetClipRect(10, 10, 20, 20);
  const int screenSized = morrow::CreateGraph(640, 480, 1, 0);
  const int small = morrow::CreateGraph(32, 16, 1, 0);
  ASSERT_EQ(morrow::SelectDrawTarget(screenSized), 0);
  EXPECT_EQ(GetDrawState().drawArea, (Rect{10, 10, 20, 20}));
  EXPECT_EQ(morrow::SelectDrawTarget(small), 0);
  EXPECT_EQ(GetDrawState().drawArea, (Rect{0, 0, 32, 16}));
  EXPECT_EQ(GetDrawState().targetWidth, 32);
  EXPECT_EQ(GetDrawState().targetHeight, 16);
  EXPECT_EQ(morrow::GetDrawTargetHandle(), small);
  EXPECT_EQ(morrow::GetDrawTargetSurface(), SurfaceOf(small)->surface.get());
  EXPECT_EQ(morrow::SelectDrawTarget(morrow::kFrontScreen), 0);
  EXPECT_EQ(GetDrawState().drawArea, (Rect{0, 0, 640, 480}));
  EXPECT_EQ(morrow::GetDrawTargetSurface(), morrow::GetPrimarySurface());
}

TEST_F(DrawStateTest, ScreenOffsetIsTheClientAreaOnlyForTheFrontScreenInAWindow) {
  Start(1, 32);
  MoveWindow(30, 40);
  morrow::SelectDrawTarget(morrow::kFrontScreen);
  int client[4] = {};
  morrow::GetWindowClientScreenRect(client);
  EXPECT_EQ(GetDrawState().screenOffset, (Rect{client[0], client[1], client[2], client[3]}));
  morrow::SelectDrawTarget(morrow::kBackScreen);
  EXPECT_EQ(GetDrawState().screenOffset, Rect{});
}

TEST_F(DrawStateTest, StaleTargetKeepsThePreviousTargetAndItsArea) {
  Start(1, 32);
  const int graph = morrow::CreateGraph(32, 16, 1, 0);
  const int stale = morrow::CreateGraph(8, 8, 1, 0);
  morrow::FreeGraphHandle(stale, 0);
  ASSERT_EQ(morrow::SelectDrawTarget(graph), 0);
  morrow::SetClipRect(1, 2, 3, 4);
  for (int bad : {stale, 0, -1, 12345}) {
    EXPECT_EQ(morrow::SelectDrawTarget(bad), 0) << bad;
    EXPECT_EQ(morrow::GetDrawTargetHandle(), graph) << bad;
    EXPECT_EQ(GetDrawState().drawArea, (Rect{1, 2, 3, 4})) << bad;
    EXPECT_EQ(morrow::GetDrawTargetSurface(), SurfaceOf(graph)->surface.get()) << bad;
  }
}

TEST_F(DrawStateTest, WhenThePreviousTargetIsGoneTooTheBackScreenIsSelected) {
  Start(1, 32);
  const int graph = morrow::CreateGraph(32, 16, 1, 0);
  const int stale = morrow::CreateGraph(8, 8, 1, 0);
  morrow::FreeGraphHandle(stale, 0);
  ASSERT_EQ(morrow::SelectDrawTarget(graph), 0);
  morrow::SetClipRect(1, 2, 3, 4);
  // The graph's pixels go while its record stays: it cannot be drawn into any more.
  ASSERT_EQ(morrow::DeleteGraphSurface2D(morrow::GetGraphRecord(graph)), 0);
  EXPECT_EQ(morrow::SelectDrawTarget(stale), 0);
  EXPECT_EQ(morrow::GetDrawTargetHandle(), morrow::kBackScreen);
  EXPECT_EQ(GetDrawState().drawArea, (Rect{0, 0, 640, 480}));
  EXPECT_EQ(GetDrawState().targetWidth, 640);
  EXPECT_EQ(morrow::GetDrawTargetSurface(), morrow::GetBackSurface());
}

TEST_F(DrawStateTest, DeletingTheTargetSelectsTheBackScreenFirst) {
  platform::SetDisplayMisuseFatal(true);  // drawing into a released surface would stop the test
  Start(1, 32);
  const int graph = morrow::CreateGraph(32, 16, 1, 0);
  ASSERT_EQ(morrow::SelectDrawTarget(graph), 0);
  EXPECT_EQ(morrow::FreeGraphHandle(graph, 0), 0);
  EXPECT_EQ(morrow::GetDrawTargetHandle(), morrow::kBackScreen);
  EXPECT_EQ(morrow::GetDrawTargetSurface(), morrow::GetBackSurface());
  EXPECT_EQ(GetDrawState().drawArea, (Rect{0, 0, 640, 480}));
  EXPECT_EQ(morrow::ClearDrawTarget(), 0);
}

TEST_F(DrawStateTest, TargetSelectionNeedsTheGraphicsStartAndDoesNothingWhileOff) {
  EXPECT_EQ(morrow::SelectDrawTarget(morrow::kBackScreen), -1);
  Start(1, 32);
  ASSERT_EQ(morrow::SelectDrawTarget(morrow::kBackScreen), 0);
  GetDrawState().graphicsOff = 1;
  EXPECT_EQ(morrow::SelectDrawTarget(morrow::kFrontScreen), 0);
  EXPECT_EQ(morrow::GetDrawTargetHandle(), morrow::kBackScreen);
  EXPECT_EQ(morrow::SetClipRect(1, 1, 2, 2), 0);
  EXPECT_EQ(GetDrawState().drawArea, (Rect{0, 0, 640, 480}));
}

TEST_F(DrawStateTest, TargetInVideoMemoryFollowsTheTargetsSurface) {
  Start(1, 32);
  morrow::SetGraphVideoMemoryFlag(0);
  const int system = morrow::CreateGraph(16, 16, 1, 0);
  morrow::SetGraphVideoMemoryFlag(1);
  const int video = morrow::CreateGraph(16, 16, 1, 0);
  ASSERT_EQ(SurfaceOf(system)->flags.systemMemory, 1);
  ASSERT_EQ(SurfaceOf(video)->flags.systemMemory, 0);
  morrow::SelectDrawTarget(system);
  EXPECT_EQ(GetDrawState().targetInVideoMemory, 0u);
  morrow::SelectDrawTarget(video);
  EXPECT_EQ(GetDrawState().targetInVideoMemory, 0x4000u);
}

TEST_F(DrawStateTest, GraphSizeOfScreensAndGraphs) {
  Start(1, 32);
  const int graph = morrow::CreateGraph(40, 30, 1, 0);
  int w = 0, h = 0;
  EXPECT_EQ(morrow::QueryGraphSize(morrow::kFrontScreen, &w, &h), 0);
  EXPECT_EQ(w * 10000 + h, 640 * 10000 + 480);
  EXPECT_EQ(morrow::QueryGraphSize(graph, &w, nullptr), 0);
  EXPECT_EQ(w, 40);
  EXPECT_EQ(morrow::QueryGraphSize(graph, nullptr, &h), 0);
  EXPECT_EQ(h, 30);
  morrow::FreeGraphHandle(graph, 0);
  w = -7;
  EXPECT_EQ(morrow::QueryGraphSize(graph, &w, &h), -1);
  EXPECT_EQ(w, -7);
}

TEST_F(DrawStateTest, RebuildAfterTheLossHookReleasesEachObjectOnceAndRestoresTheTarget) {
  platform::SetDisplayMisuseFatal(true);  // a second release would stop the test
  Start(0, 32);
  const int graph = morrow::CreateGraph(16, 16, 1, 0);
  ASSERT_EQ(morrow::SelectDrawTarget(morrow::kBackScreen), 0);
  platform::Display* before = morrow::IsDirectDrawReady();
  const uint64_t flips = morrow::GetFlipCounter();
  ASSERT_EQ(before->SimulateLoss(), platform::DisplayResult::kOk);
  // Deactivation and activation in full screen: the window procedure rebuilds.
  EXPECT_EQ(morrow::PumpMessages(), 0);
  // The new display may well sit at the old one's address (the allocator reuses it), so the
  // rebuild shows in a back surface that is no longer lost, not in the pointer.
  ASSERT_NE(morrow::IsDirectDrawReady(), nullptr);
  EXPECT_NE(morrow::GetScreenState().clipper, nullptr);
  EXPECT_EQ(morrow::GetDrawTargetSurface(), morrow::GetBackSurface());
  EXPECT_EQ(morrow::GetBackSurface()->IsLost(), platform::DisplayResult::kOk);
  EXPECT_EQ(morrow::GetFlipCounter(), flips + 1);  // the rebuild presents once
  ASSERT_NE(SurfaceOf(graph), nullptr);
  EXPECT_NE(SurfaceOf(graph)->surface, nullptr);
  EXPECT_EQ(morrow::RebuildGraphicsDevice(), 0);  // and again, straight
  EXPECT_NE(morrow::IsDirectDrawReady(), nullptr);
  EXPECT_EQ(morrow::GetDrawTargetSurface(), morrow::GetBackSurface());
}

}  // namespace
