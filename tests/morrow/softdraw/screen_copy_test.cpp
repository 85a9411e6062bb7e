// CopyScreenToGraphDDraw on a started library: the refusals, each piece filled at its full size
// from the corner and cut only where the source ends, pieces beyond the bounds left alone, a bad
// piece after a good one, desktop coordinates for the front screen of a window, and a graph
// captured while it is the draw target (a copy within one surface, by block copy and through the
// device contexts).
#include <gtest/gtest.h>

#include <cstdint>

#include "morrow/device/screen.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/softdraw/raster.h"
#include "tests/morrow/softdraw/turned_fixture.h"

namespace {

using morrow::ResourceHandle;

constexpr uint32_t kOld = 0x00ABCDEFu;  // what a graph holds before a copy

// A pixel that tells its place.
uint32_t Place(int x, int y) {
  return static_cast<uint32_t>(x) << 12 | static_cast<uint32_t>(y);
}

class ScreenCopy : public testsupport::TurnedFixture {
 protected:
  ResourceHandle OldGraph(int w, int h) {
    return PatternGraph(w, h, false, [](int, int) { return kOld; });
  }
  static platform::Surface* Pixels(ResourceHandle g) { return SurfaceOf(g)->surface.get(); }
  // Pixels of the graph's piece that differ from want(x, y).
  static int Wrong(ResourceHandle g, int w, int h, uint32_t (*want)(int, int, const void*),
                   const void* context = nullptr) {
    int bad = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        if ((SurfacePixel(Pixels(g), x, y) & 0xFFFFFF) != (want(x, y, context) & 0xFFFFFF) &&
            ++bad <= 3) {
          ADD_FAILURE() << "graph pixel " << x << "," << y;
        }
      }
    }
    return bad;
  }
};

struct Refusal {
  int x1, y1, x2, y2;
};

TEST_F(ScreenCopy, RefusesRectanglesAndCopiesNothing) {
  morrow::GraphRecord none{};
  EXPECT_EQ(morrow::CopyScreenToGraphDDraw(0, 0, 1, 1, &none, 1), -1);  // no display
  StartAt(32);
  Paint(Back(), [](int x, int y) { return Place(x, y); });
  const ResourceHandle g = OldGraph(32, 16);
  for (const Refusal& r :
       {Refusal{-1, 0, 4, 4}, Refusal{0, -1, 4, 4}, Refusal{5, 0, 5, 4}, Refusal{0, 5, 4, 5},
        Refusal{6, 0, 5, 4}, Refusal{0, 6, 4, 5}, Refusal{641, 0, 642, 4}, Refusal{0, 481, 4, 482},
        Refusal{0, 0, 33, 4}, Refusal{0, 0, 4, 17}, Refusal{10, 0, INT32_MIN, 4}}) {
    SCOPED_TRACE(::testing::Message() << r.x1 << "," << r.y1 << "-" << r.x2 << "," << r.y2);
    EXPECT_EQ(morrow::CopyScreenToGraph(r.x1, r.y1, r.x2, r.y2, g, 1), -1);
  }
  // At the far edge the rectangle is accepted, and the piece cut to nothing.
  EXPECT_EQ(morrow::CopyScreenToGraph(640, 480, 672, 496, g, 1), 0);
  EXPECT_EQ(Wrong(g, 32, 16, [](int, int, const void*) { return kOld; }), 0);
  EXPECT_EQ(morrow::CopyScreenToGraphDDraw(0, 0, 1, 1, nullptr, 1), -1);
  // A piece whose surface record is gone.
  morrow::Surface2DRecord* piece = morrow::GetSurface2DRecord(Record(g)->pieces[0]);
  const ResourceHandle surface = piece->surface;
  piece->surface = -1;
  EXPECT_EQ(morrow::CopyScreenToGraph(0, 0, 4, 4, g, 1), -1);
  piece->surface = surface;
}

// Whatever the rectangle's far corner, the piece is filled at its size from (x1, y1), cut at the
// screen's edge; a piece in system memory goes through the surface copy, one in video memory by
// block copy.
TEST_F(ScreenCopy, FillsEachPieceAtItsFullSize) {
  for (bool system : {false, true}) {
    SCOPED_TRACE(system ? "system" : "video");
    StartAt(32);
    morrow::GetDrawState().newGraphSystemMemory = system ? 1 : 0;
    Paint(Back(), [](int x, int y) { return Place(x, y); });
    const ResourceHandle g = OldGraph(32, 16);
    EXPECT_EQ(morrow::CopyScreenToGraph(48, 40, 50, 42, g, 1), 0);
    EXPECT_EQ(Wrong(g, 32, 16, [](int x, int y, const void*) { return Place(48 + x, 40 + y); }), 0);
    // Near the corner only 20 x 10 pixels exist; the rest keeps what it held.
    const ResourceHandle cut = OldGraph(32, 16);
    EXPECT_EQ(morrow::CopyScreenToGraph(620, 470, 630, 471, cut, 1), 0);
    EXPECT_EQ(Wrong(cut, 32, 16,
                    [](int x, int y, const void*) {
                      return x < 20 && y < 10 ? Place(620 + x, 470 + y) : kOld;
                    }),
              0);
    ExpectNothingHeld();
    ResetStateAfterRun();
  }
}

// A graph of two pieces, the second at (0, 20) of the graph: a rectangle starting lower than
// H - 20 copies the first piece only, the second keeps its pixels; a second piece that is no
// piece fails the call after the first was copied.
TEST_F(ScreenCopy, PiecesBeyondTheBoundsKeepTheirContents) {
  StartAt(32);
  Paint(Back(), [](int x, int y) { return Place(x, y); });
  const ResourceHandle g = OldGraph(16, 40);
  const ResourceHandle other = OldGraph(16, 20);
  morrow::GraphRecord* record = Record(g);
  morrow::Surface2DRecord* second = morrow::GetSurface2DRecord(Record(other)->pieces[0]);
  second->yInGraph = 20;
  record->pieces[1] = Record(other)->pieces[0];
  record->pieceCount = 2;
  EXPECT_EQ(morrow::CopyScreenToGraph(100, 461, 101, 462, g, 1), 0);
  EXPECT_EQ(Wrong(g, 16, 19, [](int x, int y, const void*) { return Place(100 + x, 461 + y); }), 0);
  EXPECT_EQ(Wrong(other, 16, 20, [](int, int, const void*) { return kOld; }), 0);
  // Starting higher, the second piece is filled from 20 rows further down.
  EXPECT_EQ(morrow::CopyScreenToGraph(100, 400, 101, 401, g, 1), 0);
  EXPECT_EQ(Wrong(other, 16, 20, [](int x, int y, const void*) { return Place(100 + x, 420 + y); }),
            0);
  // A stale second piece: -1, the first already copied.
  record->pieces[1] = Record(other)->pieces[0] ^ 0x00010000;
  EXPECT_EQ(morrow::CopyScreenToGraph(200, 10, 201, 11, g, 1), -1);
  EXPECT_EQ(Wrong(g, 16, 20, [](int x, int y, const void*) { return Place(200 + x, 10 + y); }), 0);
  record->pieceCount = 1;
  ExpectNothingHeld();
}

// In a window, flag 0 reads the front screen in desktop coordinates, bounded by the desktop;
// flag 1 reads it at the client area's place, bounded by the screen.
TEST_F(ScreenCopy, FlagZeroReadsTheDesktop) {
  StartAt(32);
  ASSERT_EQ(morrow::SelectDrawTarget(morrow::kFrontScreen), 0);
  const morrow::Rect offset = morrow::GetDrawState().screenOffset;
  ASSERT_GT(offset.left, 0);
  platform::Surface* primary = morrow::GetPrimarySurface();
  ASSERT_GT(primary->width(), 640);
  Paint(primary, [](int x, int y) { return Place(x, y); });
  const ResourceHandle g = OldGraph(8, 8);
  EXPECT_EQ(morrow::CopyScreenToGraph(10, 20, 11, 21, g, 0), 0);
  EXPECT_EQ(SurfacePixel(Pixels(g), 0, 0) & 0xFFFFFF, Place(10, 20));
  EXPECT_EQ(morrow::CopyScreenToGraph(10, 20, 11, 21, g, 1), 0);
  EXPECT_EQ(SurfacePixel(Pixels(g), 0, 0) & 0xFFFFFF, Place(offset.left + 10, offset.top + 20));
  EXPECT_EQ(morrow::CopyScreenToGraph(700, 20, 701, 21, g, 0), 0);
  EXPECT_EQ(SurfacePixel(Pixels(g), 0, 0) & 0xFFFFFF, Place(700, 20));
  EXPECT_EQ(morrow::CopyScreenToGraph(700, 20, 701, 21, g, 1), -1);
}

// A graph captured while it is the draw target copies within its own surface as if through a
// temporary: every pixel shows what the source held before the copy began, by block copy, by
// the surface copy and by the surface copy through the device contexts.
TEST_F(ScreenCopy, AGraphCapturedWhileItIsTheDrawTarget) {
  for (int way = 0; way < 3; ++way) {
    SCOPED_TRACE(way);
    StartAt(32);
    morrow::GetDrawState().newGraphSystemMemory = way == 0 ? 0 : 1;
    morrow::GetScreenState().useGdiCopy = way == 2 ? 1 : 0;
    const ResourceHandle g = PatternGraph(32, 32, false, [](int x, int y) { return Place(x, y); });
    ASSERT_EQ(morrow::SelectDrawTarget(g), 0);
    // Down and right by 5 and 3, overlapping itself, then back up.
    EXPECT_EQ(morrow::CopyScreenToGraph(5, 3, 6, 4, g, 1), 0);
    EXPECT_EQ(Wrong(g, 27, 29, [](int x, int y, const void*) { return Place(5 + x, 3 + y); }), 0);
    EXPECT_EQ(Wrong(g, 32, 32,
                    [](int x, int y, const void*) {
                      return x < 27 && y < 29 ? Place(5 + x, 3 + y) : Place(x, y);
                    }),
              0);
    ExpectNothingHeld();
    ResetStateAfterRun();
  }
}

}  // namespace
