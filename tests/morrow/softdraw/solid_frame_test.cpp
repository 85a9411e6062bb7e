// G_DDraw_DrawFillBox on a started library: the worked values of every mode at every depth and
// layout, the ordered and clipped rectangle, what is locked and what is staged, targets larger
// than the screen (the fatal lock texts: lock_death_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <ostream>
#include <string>

#include "morrow/softdraw/raster.h"
#include "tests/morrow/softdraw/raster_fixture.h"

namespace {

using testsupport::RasterFixture;

// How many pixels of the surface hold value.
int CountPixels(platform::Surface* s, uint32_t value) {
  platform::LockedRect r;
  if (s->Lock(nullptr, &r) != platform::DisplayResult::kOk) return -1;
  const int bytes = static_cast<int>(r.format.bitCount / 8);
  int n = 0;
  for (int y = 0; y < r.height; ++y) {
    for (int x = 0; x < r.width; ++x) {
      n += platform::ReadPixel(r.bits + y * r.pitch + x * bytes, bytes) == value ? 1 : 0;
    }
  }
  s->Unlock();
  return n;
}

struct ModeCase {
  const char* name;
  uint32_t background;  // 0x00RRGGBB
  int mode;
  int p;
  int bright[3];    // -1: none
  uint32_t colour;  // 0x00RRGGBB
  uint32_t want;    // the raw pixel; 0 with keep: the background stays
  bool keep = false;
};

void PrintTo(const ModeCase& c, std::ostream* os) {
  *os << c.name;
}

class SolidFrameModes : public RasterFixture, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(SolidFrameModes, GiveTheWorkedPixelWithAndWithoutVideoMemory) {
  const ModeCase& c = GetParam();
  for (bool video : {true, false}) {
    SCOPED_TRACE(video ? "video memory" : "system memory");
    StartAt(32, nullptr, video);
    PaintBack(Screen(c.background));
    morrow::SetBlendMode(c.mode, c.p);
    if (c.bright[0] >= 0) morrow::SetModulationColor(c.bright[0], c.bright[1], c.bright[2]);
    EXPECT_EQ(morrow::G_DDraw_DrawFillBox(10, 10, 20, 20, Screen(c.colour)), 0);
    const uint32_t want = c.keep ? Screen(c.background) : c.want;
    EXPECT_EQ(At(10, 10), want);
    EXPECT_EQ(At(19, 19), want);
    EXPECT_EQ(At(20, 19), Screen(c.background));
    EXPECT_EQ(At(9, 10), Screen(c.background));
    morrow::EndLibrary();
    morrow::GetDrawState() = morrow::DrawState{};
    unsetenv("MORROW_VIDMEM");
  }
}

INSTANTIATE_TEST_SUITE_P(
    ThirtyTwoBits, SolidFrameModes,
    ::testing::Values(
        ModeCase{"PlainKeepsTheFillBits", 0x646464, 0, 0, {-1}, 0xFF0000, 0xFFFF0000u},
        // (50 * 255) >> 8 = 49 taken through the guard bits: (53, 53, 51).
        ModeCase{"SubtractFiftyAt255", 0x646464, 3, 255, {-1}, 0x323232, 0x00353533u},
        ModeCase{"AlphaAt254OfWhiteOnWhite", 0xFFFFFF, 1, 254, {-1}, 0xFFFFFF, 0x00FDFDFDu},
        ModeCase{"AlphaAt255IsThePlainColour", 0x646464, 1, 255, {-1}, 0x102030, 0xFF102030u},
        ModeCase{"AlphaAtZeroDrawsNothing", 0x646464, 1, 0, {-1}, 0xFF0000, 0, true},
        ModeCase{"AddWhiteOnWhiteCarriesIntoTheFourthByte",
                 0xFFFFFF,
                 2,
                 255,
                 {-1},
                 0xFFFFFF,
                 0x01FFFFFFu},
        ModeCase{"AddAtZeroDrawsNothing", 0x646464, 2, 0, {-1}, 0xFFFFFF, 0, true},
        ModeCase{"SubtractAtZeroDrawsNothing", 0x646464, 3, 0, {-1}, 0xFFFFFF, 0, true},
        ModeCase{"SubtractingMoreGivesZero", 0x102030, 3, 255, {-1}, 0xFFFFFF, 0x00000000u},
        // 200 * 128 / 255, 100 * 64 / 255, 50 * 255 / 255; p is not consulted.
        ModeCase{"MultiplyAtZero", 0xC86432, 4, 0, {-1}, 0x8040FF, 0x00641932u},
        ModeCase{"ModeFiveDrawsNothing", 0x646464, 5, 128, {-1}, 0xFF0000, 0, true},
        ModeCase{"ModeEightDrawsNothing", 0x646464, 8, 128, {-1}, 0xFF0000, 0, true},
        // A bright of 0 in green empties green before anything else.
        ModeCase{"BrightEmptiesAChannel", 0x000000, 0, 0, {255, 0, 255}, 0xFFFFFF, 0xFFFF00FFu},
        // 255 * 128 / 255 = 128, then (128 * 128) >> 8 = 64 over black.
        ModeCase{
            "BrightBeforeTheBlend", 0x000000, 1, 128, {128, 128, 128}, 0xFFFFFF, 0x00404040u}));

struct LayoutCase {
  const char* name;
  int depth;
  const char* layout;
  uint32_t background;  // raw pixels of the layout
  int mode;
  int p;
  uint32_t colour;
  uint32_t want;
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
  *os << c.name;
}

class SolidFrameLayouts : public RasterFixture, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(SolidFrameLayouts, GiveTheWorkedPixel) {
  const LayoutCase& c = GetParam();
  StartAt(c.depth, c.layout);
  PaintBack(c.background);
  morrow::SetBlendMode(c.mode, c.p);
  EXPECT_EQ(morrow::G_DDraw_DrawFillBox(4, 4, 12, 12, c.colour), 0);
  EXPECT_EQ(At(4, 4), c.want);
  EXPECT_EQ(At(11, 11), c.want);
  EXPECT_EQ(At(12, 11), c.background);
}

INSTANTIATE_TEST_SUITE_P(
    SixteenBits, SolidFrameLayouts,
    ::testing::Values(
        LayoutCase{"SubtractBlackFromBlack565", 16, "565", 0x0000, 3, 255, 0x0000, 0x0800},
        LayoutCase{"SubtractBlackFromWhite565", 16, "565", 0xFFFF, 3, 255, 0x0000, 0xFFDF},
        LayoutCase{"Add565", 16, "565", 0x7BEF, 2, 255, 0x8410, 0xEFBE},
        LayoutCase{"Alpha565", 16, "565", 0xFFFF, 1, 128, 0x8000, 0xBBEF},
        LayoutCase{"Multiply565", 16, "565", 0xFFFF, 4, 0, 0x8410, 0x8410},
        LayoutCase{"SubtractBlackFromBlack555", 16, "555", 0x0000, 3, 255, 0x0000, 0x0420},
        LayoutCase{"AddWhiteOnWhite555SetsBit15", 16, "555", 0x7FFF, 2, 255, 0x7FFF, 0xFFFF},
        LayoutCase{"Multiply555", 16, "555", 0x7FFF, 4, 9, 0x4210, 0x4210},
        // 4:4:4 takes the per-channel forms; the unused top nibble stays clear in results.
        LayoutCase{"ChannelBlend444", 16, "444", 0x00F0, 1, 128, 0x0F00, 0x0770},
        LayoutCase{"ChannelAdd444", 16, "444", 0x0F20, 2, 255, 0x0F40, 0x0F50},
        LayoutCase{"ChannelSub444", 16, "444", 0x0190, 3, 255, 0x0F40, 0x0050},
        LayoutCase{"Divide444", 16, "444", 0x0F3F, 4, 0, 0x0888, 0x0818},
        // 8-bit screens fill with the plain index whatever the mode.
        LayoutCase{"EightBitsBlendedFills", 8, nullptr, 0x00, 1, 128, 0x07, 0x07},
        LayoutCase{"EightBitsMultiplyFills", 8, nullptr, 0x03, 4, 0, 0x05, 0x05}));

class SolidFrame : public RasterFixture {};

struct CornerCase {
  int x1, y1, x2, y2;
  int filled;
};

// Corners in any order, empty boxes and coordinates at the ends of the int range, on the plain
// and on the blended path. Empty boxes lock nothing.
TEST_F(SolidFrame, OrdersClipsAndCountsPixels) {
  StartAt(32);
  const CornerCase cases[] = {
      {10, 10, 20, 20, 100},
      {20, 20, 10, 10, 100},
      {20, 10, 10, 20, 100},
      {10, 10, 10, 20, 0},
      {5, 5, 5, 5, 0},
      {INT_MIN, INT_MIN, INT_MAX, INT_MAX, 640 * 480},
      {INT_MAX, 0, INT_MAX - 1, 10, 0},
      {INT_MIN, INT_MIN, INT_MIN + 1, INT_MIN + 1, 0},
      {-10, -10, 3, 2, 6},
      {630, 470, INT_MAX, INT_MAX, 100},
      {700, 10, 800, 20, 0},
  };
  for (int mode : {0, 2}) {
    for (const CornerCase& c : cases) {
      SCOPED_TRACE(::testing::Message() << "mode " << mode << " box " << c.x1 << "," << c.y1 << ","
                                        << c.x2 << "," << c.y2);
      PaintBack(0);
      morrow::SetBlendMode(mode, 255);
      const uint64_t locks = Back()->LockCount();
      EXPECT_EQ(morrow::G_DDraw_DrawFillBox(c.x1, c.y1, c.x2, c.y2, Screen(0x808080)), 0);
      if (c.filled == 0 || mode == 0) {
        EXPECT_EQ(Back()->LockCount(), locks);
      }
      // Added onto black at 255: (128 * 255) >> 8 = 127 per channel.
      const uint32_t want = mode == 0 ? Screen(0x808080) : 0x007F7F7Fu;
      EXPECT_EQ(CountPixels(Back(), want), c.filled);
    }
  }
}

TEST_F(SolidFrame, ABoxOutsideTheAreaLocksNothing) {
  StartAt(32);
  morrow::SetClipRect(100, 100, 200, 200);
  morrow::SetBlendMode(2, 128);
  const uint64_t back = Back()->LockCount(), work = morrow::GetWorkSurface()->LockCount();
  EXPECT_EQ(morrow::G_DDraw_DrawFillBox(0, 0, 100, 300, Screen(0xFFFFFF)), 0);
  EXPECT_EQ(morrow::G_DDraw_DrawFillBox(200, 0, 300, 300, Screen(0xFFFFFF)), 0);
  EXPECT_EQ(Back()->LockCount(), back);
  EXPECT_EQ(morrow::GetWorkSurface()->LockCount(), work);
  EXPECT_EQ(CountPixels(Back(), 0), 640 * 480);
}

// Blending out of video memory reads a copy in the work surface, placed without the screen
// offset; in system memory the target is read directly and the work surface stays untouched.
TEST_F(SolidFrame, VideoMemoryDecidesTheStagedCopy) {
  for (bool video : {true, false}) {
    SCOPED_TRACE(video ? "video memory" : "system memory");
    StartAt(32, nullptr, video);
    ASSERT_EQ(morrow::GetDrawState().targetInVideoMemory != 0, video);
    PaintBack(Screen(0x203040));
    platform::Surface* work = morrow::GetWorkSurface();
    RasterFixture::Paint(work, [](int, int) { return 0x11223344u; });
    const uint64_t workLocks = work->LockCount();
    morrow::SetBlendMode(2, 255);
    EXPECT_EQ(morrow::G_DDraw_DrawFillBox(30, 40, 50, 60, Screen(0x010101)), 0);
    EXPECT_EQ(At(30, 40), 0x00203040u);  // 0x01 * 255 >> 8 adds nothing
    if (video) {
      EXPECT_EQ(SurfacePixel(work, 30, 40), Screen(0x203040));
      EXPECT_EQ(SurfacePixel(work, 49, 59), Screen(0x203040));
      EXPECT_EQ(SurfacePixel(work, 50, 60), 0x11223344u);
    } else {
      EXPECT_EQ(work->LockCount(), workLocks);
      EXPECT_EQ(SurfacePixel(work, 30, 40), 0x11223344u);
    }
    morrow::EndLibrary();
    morrow::GetDrawState() = morrow::DrawState{};
    unsetenv("MORROW_VIDMEM");
  }
}

// The front screen of a window lies at the client area's place on the desktop-sized primary:
// the box is cut to the draw area first and then moved by the offset as a whole.
TEST_F(SolidFrame, FrontScreenCutBeforeTheOffset) {
  StartAt(32);
  morrow::SelectDrawTarget(morrow::kFrontScreen);
  const morrow::Rect offset = morrow::GetDrawState().screenOffset;
  ASSERT_GT(offset.left, 0);
  platform::Surface* front = morrow::GetPrimarySurface();
  Paint(front, [](int, int) { return 0u; });
  morrow::SetClipRect(0, 0, 100, 100);
  EXPECT_EQ(morrow::G_DDraw_DrawFillBox(-20, -20, 30, 30, Screen(0x00FF00)), 0);
  morrow::SetBlendMode(2, 255);
  EXPECT_EQ(morrow::G_DDraw_DrawFillBox(90, 90, 130, 130, Screen(0x0000FF)), 0);
  const int ox = offset.left, oy = offset.top;
  EXPECT_EQ(SurfacePixel(front, ox, oy), Screen(0x00FF00));
  EXPECT_EQ(SurfacePixel(front, ox + 29, oy + 29), Screen(0x00FF00));
  EXPECT_EQ(SurfacePixel(front, ox + 30, oy + 30), 0u);
  EXPECT_EQ(SurfacePixel(front, ox - 1, oy), 0u);
  EXPECT_EQ(SurfacePixel(front, ox + 99, oy + 99), 0x000000FEu);
  EXPECT_EQ(SurfacePixel(front, ox + 100, oy + 99), 0u);
  EXPECT_EQ(CountPixels(front, 0x000000FEu), 100);
}

// A graph taller than the screen as the target: the work surface grows to hold the staged
// rectangle, and the pixels at the bottom blend like any others.
TEST_F(SolidFrame, TargetLargerThanTheScreen) {
  StartAt(32);
  const morrow::ResourceHandle tall = SolidGraph(600, 1000, 0x404040);
  ASSERT_EQ(morrow::SelectDrawTarget(tall), 0);
  ASSERT_NE(morrow::GetDrawState().targetInVideoMemory, 0u);
  morrow::SetBlendMode(2, 255);
  EXPECT_EQ(morrow::G_DDraw_DrawFillBox(0, 900, 600, 1000, Screen(0x404040)), 0);
  platform::Surface* surface = SurfaceOf(tall)->surface.get();
  // 0x40 + (0x40 * 255 >> 8 = 0x3F).
  EXPECT_EQ(SurfacePixel(surface, 599, 999), 0x007F7F7Fu);
  EXPECT_EQ(SurfacePixel(surface, 0, 899), Screen(0x404040));
  EXPECT_GE(morrow::GetWorkSurface()->height(), 1000);
  EXPECT_TRUE(surface->CanaryIntact());
  EXPECT_TRUE(morrow::GetWorkSurface()->CanaryIntact());
}

TEST_F(SolidFrame, ColourOutsideThePaletteIsBlackAtEightBits) {
  StartAt(8);
  morrow::SetBlendMode(1, 128);
  const uint64_t locks = Back()->LockCount();
  EXPECT_EQ(morrow::G_DDraw_DrawFillBox(0, 0, 8, 8, 300), 0);
  EXPECT_EQ(Back()->LockCount(), locks);
  PaintBack(0xFF);
  EXPECT_EQ(morrow::G_DDraw_DrawFillBox(0, 0, 8, 8, 300), 0);
  EXPECT_EQ(At(3, 3), morrow::PackScreenColor(0, 0, 0));
}

TEST_F(SolidFrame, NothingWithoutADisplay) {
  EXPECT_EQ(morrow::G_DDraw_DrawFillBox(0, 0, 8, 8, 0), -1);
}

}  // namespace
