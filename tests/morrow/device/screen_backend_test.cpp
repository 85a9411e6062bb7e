// The screen back end on the fake window service and a fake clock under a scripted beam: frames
// of 20 ms whose last 2 ms are the blank. Presentation, blank waits, clearing, painting, target
// selection and the two copy methods.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/system/time.h"
#include "morrow/system/window.h"
#include "platform/display_beam.h"
#include "platform/pixel_layout.h"
#include "tests/morrow/system/library_fixture.h"

namespace {

using morrow::GetScreenState;

constexpr int64_t kFrame = 20000;
constexpr int64_t kBlankStart = 18000;  // within each frame

class ScreenBackend : public testsupport::LibraryFixture {
 protected:
  void SetUp() override {
    LibraryFixture::SetUp();
    morrow::GetDrawState() = morrow::DrawState{};
    platform::InstallBeam(&beam_);
  }
  void TearDown() override {
    LibraryFixture::TearDown();
    platform::InstallBeam(nullptr);
    morrow::GetDrawState() = morrow::DrawState{};
    unsetenv("MORROW_PIXEL16");
  }
  void Start(int window, int depth = 32) {
    fake_.desktop.bitsPerPixel = depth;
    morrow::ChangeWindowMode(window);
    morrow::SelectScreenMode(640, 480, depth, -1);
    ASSERT_EQ(morrow::InitLibrary(), 0);
    ASSERT_EQ(morrow::SelectDrawTarget(morrow::kBackScreen), 0);
    clock_.SetStepPerRead(0);  // from here on time moves only by waits
  }
  // Puts the clock at a point of frame 100.
  void At(int64_t inFrame) { clock_.SetNow(100 * kFrame + inFrame); }
  int64_t Elapsed(int64_t inFrame) const { return clock_.Peek() - (100 * kFrame + inFrame); }
  bool InBlank() const { return platform::CurrentBeam().At(clock_.Peek()).inBlank; }

  static uint32_t Pixel(platform::Surface* s, int x, int y) {
    platform::LockedRect r;
    if (s->Lock(nullptr, &r) != platform::DisplayResult::kOk) return 0xDEADBEEFu;
    const int bytes = static_cast<int>(r.format.bitCount / 8);
    const uint32_t v = platform::ReadPixel(r.bits + y * r.pitch + x * bytes, bytes);
    s->Unlock();
    return v;
  }
  static void Fill(platform::Surface* s, uint32_t colour) {
    platform::BltFx fx;
    fx.fillColor = colour;
    ASSERT_EQ(s->Blt(nullptr, nullptr, nullptr, platform::kBltColorFill | platform::kBltWait, &fx),
              platform::DisplayResult::kOk);
  }
  static morrow::SurfaceRecord* SurfaceOf(int graph) {
    const morrow::GraphRecord* g = morrow::GetGraphRecord(graph);
    const morrow::Surface2DRecord* p = g ? morrow::GetSurface2DRecord(g->pieces[0]) : nullptr;
    return p ? morrow::GetSurfaceRecord(p->surface) : nullptr;
  }

  platform::ScriptedBeam beam_{{kFrame}, 0, kFrame - kBlankStart};
};

struct FlipCase {
  const char* name;
  int vsync;
  int target;
  bool flips;  // the back screen's picture reaches the front
  bool waits;  // the present ends in a blank
};

void PrintTo(const FlipCase& c, std::ostream* os) {
  *os << c.name;
}

class FullScreenPresent : public ScreenBackend, public ::testing::WithParamInterface<FlipCase> {};

TEST_P(FullScreenPresent, FlipsUnlessDrawingGoesToTheFrontAndWaitsOnlyWithVsync) {
  const FlipCase& c = GetParam();
  Start(0);
  morrow::SetDDrawStartFlag(c.vsync);
  ASSERT_EQ(morrow::SelectDrawTarget(c.target), 0);
  Fill(morrow::GetBackSurface(), 0x00FF0000u);
  Fill(morrow::GetPrimarySurface(), 0x000000FFu);
  const uint64_t flips = morrow::GetFlipCounter();
  At(1000);
  EXPECT_EQ(morrow::PresentFrame(), 0);
  EXPECT_EQ(morrow::GetFlipCounter(), flips + 1);
  EXPECT_EQ(Pixel(morrow::GetPrimarySurface(), 5, 5), c.flips ? 0x00FF0000u : 0x000000FFu);
  if (c.waits) {
    EXPECT_TRUE(InBlank());
    EXPECT_GE(Elapsed(1000), kBlankStart - 1000);
  } else {
    EXPECT_LT(Elapsed(1000), kBlankStart - 1000);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FullScreenPresent,
    ::testing::Values(FlipCase{"NoVsync", 0, morrow::kBackScreen, true, false},
                      FlipCase{"Vsync", 1, morrow::kBackScreen, true, true},
                      FlipCase{"FrontNoVsync", 0, morrow::kFrontScreen, false, false},
                      FlipCase{"FrontVsync", 1, morrow::kFrontScreen, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

struct PaceCase {
  const char* name;
  int sleepMs;      // presentSleepMs
  int sinceLastMs;  // how long ago the last present was
  int64_t inFrame;  // where the beam is when presenting
  int64_t endsAt;   // the clock when the present returns, from frame 100's start
};

void PrintTo(const PaceCase& c, std::ostream* os) {
  *os << c.name;
}

class WindowedPresent : public ScreenBackend, public ::testing::WithParamInterface<PaceCase> {};

TEST_P(WindowedPresent, VsyncWaitIsPacedByTheFrameTime) {
  const PaceCase& c = GetParam();
  Start(1);
  morrow::ScreenState& s = GetScreenState();
  s.vsyncWait = 1;
  s.presentSleepMs = c.sleepMs;
  At(c.inFrame);
  s.lastPresentMs = morrow::GetMillisecondCount(0) - c.sinceLastMs;
  EXPECT_EQ(morrow::PresentFrameWindowed(), 0);
  EXPECT_EQ(clock_.Peek() - 100 * kFrame, c.endsAt);
  EXPECT_EQ(s.lastPresentMs, morrow::GetMillisecondCount(0));
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowedPresent,
                         ::testing::Values(
                             // Unmeasured frame time: the blank is tested at once.
                             PaceCase{"UnmeasuredInBlank", -1, 0, 18500, 18500},
                             PaceCase{"UnmeasuredBeforeBlank", -1, 0, 1000, kBlankStart},
                             // Long enough since the last present: the same.
                             PaceCase{"LateInBlank", 10, 12, 18500, 18500},
                             PaceCase{"LateBeforeBlank", 10, 12, 3000, kBlankStart},
                             // Too soon: sleep until the share of the frame has passed, then the
                             // next blank begins, even from inside one.
                             PaceCase{"SoonInBlank", 10, 2, 18500, kFrame + kBlankStart},
                             PaceCase{"SoonBeforeBlank", 10, 2, 1000, kBlankStart}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScreenBackend, WindowedPresentWithoutVsyncNeverWaits) {
  Start(1);
  GetScreenState().vsyncWait = 0;
  At(1000);
  const uint64_t flips = morrow::GetFlipCounter();
  EXPECT_EQ(morrow::PresentFrame(), 0);
  EXPECT_EQ(Elapsed(1000), 0);
  EXPECT_EQ(morrow::GetFlipCounter(), flips + 1);
}

TEST_F(ScreenBackend, WindowedPresentCopiesIntoTheScaledClientArea) {
  Start(1);
  GetScreenState().vsyncWait = 0;
  morrow::HandleWindowMove(100 | (50 << 16));
  // The whole desktop in blue: with the clipper detached, as it is for the front screen.
  morrow::SelectDrawTargetDDraw(morrow::kFrontScreen);
  Fill(morrow::GetPrimarySurface(), 0x000000FFu);
  morrow::SelectDrawTargetDDraw(morrow::kBackScreen);
  Fill(morrow::GetBackSurface(), 0x0000FF00u);
  ASSERT_EQ(morrow::PresentFrameWindowed(), 0);
  platform::Surface* primary = morrow::GetPrimarySurface();
  EXPECT_EQ(Pixel(primary, 100, 50), 0x0000FF00u);
  EXPECT_EQ(Pixel(primary, 739, 529), 0x0000FF00u);
  EXPECT_EQ(Pixel(primary, 740, 529), 0x000000FFu);
  EXPECT_EQ(Pixel(primary, 99, 50), 0x000000FFu);
}

TEST_F(ScreenBackend, WindowedPresentWithTheFrontAsTargetWaitsOneBlank) {
  Start(1);
  GetScreenState().vsyncWait = 0;
  ASSERT_EQ(morrow::SelectDrawTarget(morrow::kFrontScreen), 0);
  At(1000);
  EXPECT_EQ(morrow::PresentFrame(), 0);
  EXPECT_TRUE(InBlank());
  EXPECT_GE(Elapsed(1000), kBlankStart - 1000);
}

struct BlankCase {
  const char* name;
  int64_t inFrame;
  int count;
  int64_t endsAfter;  // the first moment of frame 100 the wait may end
  int64_t endsBefore;
};

void PrintTo(const BlankCase& c, std::ostream* os) {
  *os << c.name;
}

class BlankWait : public ScreenBackend, public ::testing::WithParamInterface<BlankCase> {};

TEST_P(BlankWait, EndsAtTheBlankAsked) {
  const BlankCase& c = GetParam();
  Start(1);
  At(c.inFrame);
  EXPECT_EQ(morrow::WaitVerticalBlank(c.count), 0);
  const int64_t t = clock_.Peek() - 100 * kFrame;
  EXPECT_GE(t, c.endsAfter);
  EXPECT_LE(t, c.endsBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlankWait,
    ::testing::Values(BlankCase{"ZeroInsideABlank", 18500, 0, 18500, 18500},
                      BlankCase{"ZeroBeforeABlank", 1000, 0, kBlankStart, kBlankStart + 200},
                      BlankCase{"Negative", 1000, -1, 1000, 1000},
                      BlankCase{"OneFromInsideABlank", 18500, 1, kFrame + kBlankStart,
                                kFrame + kBlankStart + 200},
                      BlankCase{"OneBeforeABlank", 1000, 1, kBlankStart, kBlankStart + 200},
                      BlankCase{"Two", 1000, 2, kFrame + kBlankStart, kFrame + kBlankStart + 200}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScreenBackend, BlankWaitNeedsTheDisplay) {
  EXPECT_EQ(morrow::WaitVerticalBlank(0), -1);
  EXPECT_EQ(morrow::PresentFrame(), -1);
  EXPECT_EQ(morrow::PresentFrameWindowed(), -1);
  Start(1);
  morrow::GetDrawState().graphicsOff = 1;
  At(1000);
  EXPECT_EQ(morrow::WaitVerticalBlank(3), 0);
  EXPECT_EQ(Elapsed(1000), 0);
  morrow::GetDrawState().graphicsOff = 0;
}

TEST_F(ScreenBackend, FlipCounterStartsAgainAfterAModeChange) {
  Start(1);
  GetScreenState().vsyncWait = 0;
  for (int i = 0; i < 3; ++i) morrow::PresentFrame();
  EXPECT_GE(morrow::GetFlipCounter(), 3u);
  clock_.SetStepPerRead(50);
  ASSERT_EQ(morrow::ChangeScreenMode(-1, -1, -1, 1, -1), 0);
  EXPECT_EQ(morrow::GetFlipCounter(), 0u);
  EXPECT_EQ(morrow::IncrementFlipCounter(), 0);
  EXPECT_EQ(morrow::GetFlipCounter(), 1u);
  morrow::ResetFlipCounter();
  EXPECT_EQ(morrow::GetFlipCounter(), 0u);
}

struct CopyCase {
  const char* name;
  int depth;
  const char* layout;
};

void PrintTo(const CopyCase& c, std::ostream* os) {
  *os << c.name;
}

class SurfaceCopy : public ScreenBackend, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(SurfaceCopy, DeviceContextAndSurfaceCopiesAgree) {
  const CopyCase& c = GetParam();
  setenv("MORROW_PIXEL16", c.layout, 1);
  Start(1, c.depth);
  platform::Display* display = morrow::IsDirectDrawReady();
  auto make = [&] {
    platform::SurfaceDesc d;
    d.flags = platform::kDescCaps | platform::kDescWidth | platform::kDescHeight;
    d.width = 64;
    d.height = 48;
    d.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
    std::shared_ptr<platform::Surface> s;
    EXPECT_EQ(display->CreateSurface(d, &s), platform::DisplayResult::kOk);
    return s;
  };
  auto src = make(), viaSurface = make(), viaContext = make();
  platform::LockedRect r;
  ASSERT_EQ(src->Lock(nullptr, &r), platform::DisplayResult::kOk);
  const int bytes = static_cast<int>(r.format.bitCount / 8);
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      platform::WritePixel(r.bits + y * r.pitch + x * bytes, bytes,
                           static_cast<uint32_t>(x * 2654435761u + y * 40503u) &
                               (bytes == 4 ? 0x00FFFFFFu : 0x7FFFu));
    }
  }
  src->Unlock();
  const morrow::Rect part{3, 5, 40, 30};
  GetScreenState().useGdiCopy = 0;
  EXPECT_EQ(morrow::CopySurfaceRect(viaSurface.get(), src.get(), 7, 9, &part), 0);
  GetScreenState().useGdiCopy = 1;
  EXPECT_EQ(morrow::CopySurfaceRect(viaContext.get(), src.get(), 7, 9, &part), 0);
  int copied = 0;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      const uint32_t a = Pixel(viaSurface.get(), x, y), b = Pixel(viaContext.get(), x, y);
      ASSERT_EQ(a, b) << x << "," << y;
      if (x >= 7 && x < 44 && y >= 9 && y < 34) {
        ASSERT_EQ(a, Pixel(src.get(), x - 4, y - 4)) << x << "," << y;
        ++copied;
      }
    }
  }
  EXPECT_EQ(copied, 37 * 25);
}

INSTANTIATE_TEST_SUITE_P(Layouts, SurfaceCopy,
                         ::testing::Values(CopyCase{"Rgb565", 16, "565"},
                                           CopyCase{"Rgb555", 16, "555"},
                                           CopyCase{"Rgb32", 32, "565"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScreenBackend, ClearFillsTheTargetWithColourZero) {
  Start(1);
  const int graph = morrow::CreateGraph(16, 8, 1, 0);
  platform::Surface* back = morrow::GetBackSurface();
  Fill(back, 0x00FFFFFFu);
  EXPECT_EQ(morrow::ClearDrawTarget(), 0);
  EXPECT_EQ(Pixel(back, 0, 0), 0u);
  EXPECT_EQ(Pixel(back, 639, 479), 0u);
  platform::Surface* pixels = SurfaceOf(graph)->surface.get();
  Fill(pixels, 0x00FFFFFFu);
  ASSERT_EQ(morrow::SelectDrawTarget(graph), 0);
  EXPECT_EQ(morrow::ClearDrawTarget(), 0);
  EXPECT_EQ(Pixel(pixels, 15, 7), 0u);
}

TEST_F(ScreenBackend, ClearOfTheFrontScreenInAWindowCoversTheClientArea) {
  Start(1);
  morrow::HandleWindowMove(100 | (50 << 16));
  ASSERT_EQ(morrow::SelectDrawTarget(morrow::kFrontScreen), 0);
  platform::Surface* primary = morrow::GetPrimarySurface();
  Fill(primary, 0x00FFFFFFu);
  EXPECT_EQ(morrow::ClearDrawTargetDDraw(), 0);
  EXPECT_EQ(Pixel(primary, 100, 50), 0u);
  EXPECT_EQ(Pixel(primary, 739, 529), 0u);
  EXPECT_EQ(Pixel(primary, 740, 529), 0x00FFFFFFu);
  EXPECT_EQ(Pixel(primary, 99, 50), 0x00FFFFFFu);
}

TEST_F(ScreenBackend, ClearIsRefusedOrSkippedWhereItMustNotDraw) {
  Start(1);
  platform::Surface* back = morrow::GetBackSurface();
  Fill(back, 0x00FFFFFFu);
  GetScreenState().drawingSuspended = 1;
  EXPECT_EQ(morrow::ClearDrawTargetDDraw(), -1);
  GetScreenState().drawingSuspended = 0;
  morrow::GetDrawState().graphicsOff = 1;
  EXPECT_EQ(morrow::ClearDrawTargetDDraw(), 0);
  EXPECT_EQ(morrow::ClearDrawTarget(), 0);
  morrow::GetDrawState().graphicsOff = 0;
  EXPECT_EQ(Pixel(back, 3, 3), 0x00FFFFFFu);
  // A graph held as textures is cleared by the 3D side.
  const int graph = morrow::CreateGraph(16, 8, 1, 0);
  platform::Surface* pixels = SurfaceOf(graph)->surface.get();
  Fill(pixels, 0x00FFFFFFu);
  ASSERT_EQ(morrow::SelectDrawTarget(graph), 0);
  morrow::GetGraphRecord(graph)->flags.texture = 1;
  EXPECT_EQ(morrow::ClearDrawTargetDDraw(), 0);
  EXPECT_EQ(Pixel(pixels, 3, 3), 0x00FFFFFFu);
  morrow::GetGraphRecord(graph)->flags.texture = 0;
}

TEST_F(ScreenBackend, PaintFillsEachPieceOfTheGraphOnly) {
  Start(1);
  const int sheet = morrow::CreateGraph(16, 16, 1, 0);
  morrow::GraphRecord* cell = nullptr;
  const int cellGraph = morrow::AddGraphRecord(8, 16, 0, &cell, 0);
  ASSERT_EQ(morrow::DeriveGraphSurface2D(cell, 8, 0, 8, 16, morrow::GetGraphRecord(sheet)), 0);
  const uint32_t red = morrow::PackScreenColor(255, 0, 0);
  const uint32_t blue = morrow::PackScreenColor(0, 0, 255);
  EXPECT_EQ(morrow::PaintGraph(sheet, 255, 0, 0, 255), 0);
  EXPECT_EQ(morrow::PaintGraph(cellGraph, 0, 0, 255, 255), 0);
  platform::Surface* pixels = SurfaceOf(sheet)->surface.get();
  EXPECT_EQ(Pixel(pixels, 7, 15), red);
  EXPECT_EQ(Pixel(pixels, 8, 0), blue);
  EXPECT_EQ(Pixel(pixels, 15, 15), blue);
  // A piece that is no piece stops the paint.
  morrow::GraphRecord broken = *cell;
  broken.pieces[0] = 12345;
  EXPECT_EQ(morrow::PaintGraphDDraw(&broken, 0, 0, 0, 0), -1);
}

TEST_F(ScreenBackend, PaintNeedsTheDisplay) {
  morrow::GraphRecord record{};
  EXPECT_EQ(morrow::PaintGraphDDraw(&record, 1, 2, 3, 4), -1);
}

TEST_F(ScreenBackend, WindowClipperFollowsTheTargetInAWindow) {
  Start(1);
  platform::Surface* primary = morrow::GetPrimarySurface();
  const int graph = morrow::CreateGraph(16, 8, 1, 0);
  EXPECT_EQ(morrow::SelectDrawTargetDDraw(morrow::kFrontScreen), 0);
  EXPECT_EQ(primary->GetClipper(), nullptr);
  EXPECT_EQ(morrow::SelectDrawTargetDDraw(graph), 0);
  EXPECT_EQ(primary->GetClipper(), GetScreenState().clipper);
  EXPECT_EQ(morrow::SelectDrawTargetDDraw(morrow::kFrontScreen), 0);
  EXPECT_EQ(morrow::SelectDrawTargetDDraw(morrow::kBackScreen), 0);
  EXPECT_EQ(primary->GetClipper(), GetScreenState().clipper);
  EXPECT_EQ(morrow::GetDrawTargetSurface(), morrow::GetBackSurface());
  // A graph that is gone leaves the target as it was.
  morrow::FreeGraphHandle(graph, 0);
  EXPECT_EQ(morrow::SelectDrawTargetDDraw(graph), -1);
  EXPECT_EQ(morrow::GetDrawTargetSurface(), morrow::GetBackSurface());
}

TEST_F(ScreenBackend, FullScreenNeverTouchesTheClipper) {
  Start(0);
  platform::Surface* primary = morrow::GetPrimarySurface();
  EXPECT_EQ(morrow::SelectDrawTargetDDraw(morrow::kBackScreen), 0);
  EXPECT_EQ(primary->GetClipper(), nullptr);
  EXPECT_EQ(morrow::SelectDrawTargetDDraw(morrow::kFrontScreen), 0);
  EXPECT_EQ(morrow::GetDrawTargetSurface(), primary);
}

}  // namespace
