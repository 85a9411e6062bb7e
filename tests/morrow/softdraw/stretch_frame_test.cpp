// G_DDraw_DrawExtendGraph on a started library: every pixel of stretched, shrunk, mirrored and
// clipped draws against the columns and rows floor(i * 65536 / ratio) shows, the hand-over of
// the unscaled draw, the refusals with nothing locked (zero sizes, rectangles outside the area,
// sizes and ratios the steps cannot hold, corners near 2^31), every mode under the sanitizers,
// the 8-bit copy, the staged and unstaged sources and targets larger than the screen (the fatal
// lock texts: lock_death_test.cpp; both paths: parity_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/softdraw/raster.h"
#include "tests/morrow/softdraw/turned_fixture.h"

namespace {

using morrow::ResourceHandle;
using testsupport::TurnedFixture;

constexpr uint32_t kBackground = 0x102030;

class StretchFrame : public TurnedFixture {
 protected:
  // The texel of a w x h indexed graph that a draw onto (x1, y1)-(x2, y2) shows at (px, py): the
  // column floor(i * 65536 / ratio) of the destination column i counted from the rectangle's left,
  // from the graph's right edge when the x corners fall; rows likewise. -1 outside.
  static int64_t Shown(int px, int py, int x1, int y1, int x2, int y2, int w, int h) {
    auto source = [](int p, int a, int b, int size) -> int64_t {
      const int64_t lo = std::min(a, b), hi = std::max(a, b);
      if (p < lo || p >= hi) return -1;
      const int64_t ratio = ((hi - lo) << 16) / size;
      const int64_t i = ((p - lo) * 65536) / ratio;
      return a > b ? size - 1 - i : i;
    };
    const int64_t u = source(px, x1, x2, w), v = source(py, y1, y2, h);
    if (u < 0 || v < 0) return -1;
    return Screen(IndexedTexel(static_cast<int>(u), static_cast<int>(v)));
  }
};

struct Rectangle {
  int x1, y1, x2, y2;
};

// Magnified, reduced, mirrored on either axis or both, each also clipped on every edge: every
// pixel of the area shows the texel of its column and row, and nothing outside it changes.
TEST_F(StretchFrame, EveryPixelShowsTheTexelOfItsColumnAndRow) {
  StartAt(32);
  const int w = 7, h = 5;
  const ResourceHandle g = IndexedGraph(w, h);
  const Rectangle rects[] = {
      {100, 100, 123, 111}, {100, 100, 104, 103}, {100, 100, 102, 101},  // larger, smaller
      {123, 100, 100, 111}, {100, 111, 123, 100}, {123, 111, 100, 100},  // mirrored
      {130, 100, 100, 102}, {100, 100, 107, 140},                        // one axis only
  };
  for (const Rectangle& r : rects) {
    for (bool clip : {false, true}) {
      SCOPED_TRACE(::testing::Message() << r.x1 << "," << r.y1 << "-" << r.x2 << "," << r.y2
                                        << (clip ? " clipped" : ""));
      PaintBack(Screen(kBackground));
      // The clip cuts a few pixels off every edge of the rectangle.
      const int cx1 = clip ? 103 : 0, cy1 = clip ? 102 : 0, cx2 = clip ? 119 : 640,
                cy2 = clip ? 108 : 480;
      morrow::SetClipRect(cx1, cy1, cx2, cy2);
      const bool inside = !clip || (std::max(r.x1, r.x2) > cx1 && std::max(r.y1, r.y2) > cy1);
      EXPECT_EQ(morrow::DrawExtendGraph(r.x1, r.y1, r.x2, r.y2, g, 0), inside ? 0 : -1);
      EXPECT_EQ(Mismatches(90, 90, 150, 150, Screen(kBackground),
                           [&](int x, int y) -> int64_t {
                             if (x < cx1 || x >= cx2 || y < cy1 || y >= cy2) return -1;
                             return Shown(x, y, r.x1, r.y1, r.x2, r.y2, w, h);
                           }),
                0);
    }
  }
  ExpectNothingHeld();
}

// A rectangle of the graph's own size in rising order is the plain draw's, result included; the
// same rectangle mirrored, or one pixel larger, is drawn here, and refused outside the area.
TEST_F(StretchFrame, TheUnscaledDrawIsThePlainDraw) {
  StartAt(32);
  const ResourceHandle g = IndexedGraph(6, 4);
  morrow::SetBlendMode(1, 128);
  PaintBack(Screen(kBackground));
  EXPECT_EQ(morrow::DrawGraph(50, 60, g, 0), 0);
  const uint32_t plain = Checksum(Back());
  PaintBack(Screen(kBackground));
  EXPECT_EQ(morrow::DrawExtendGraph(50, 60, 56, 64, g, 0), 0);
  EXPECT_EQ(Checksum(Back()), plain);
  // Outside the area the plain draw answers 0 and the stretched one -1.
  EXPECT_EQ(morrow::DrawExtendGraph(700, 60, 706, 64, g, 0), 0);
  EXPECT_EQ(morrow::DrawExtendGraph(700, 60, 707, 64, g, 0), -1);
  EXPECT_EQ(morrow::DrawExtendGraph(706, 60, 700, 64, g, 0), -1);
  // The mirrored draw of the public call is the stretched draw from (x + w, y) to (x, y + h).
  morrow::SetBlendMode(0, 0);
  PaintBack(Screen(kBackground));
  EXPECT_EQ(morrow::DrawMirroredGraph(50, 60, g, 0), 0);
  EXPECT_EQ(At(50, 60), Screen(IndexedTexel(5, 0)));
  EXPECT_EQ(At(55, 63), Screen(IndexedTexel(0, 3)));
  // So is the turned part: columns 1 to 3 of rows 1 and 2, mirrored, at (200, 60).
  PaintBack(Screen(kBackground));
  EXPECT_EQ(morrow::DrawGraphPart(200, 60, 1, 1, 3, 2, g, 0, 1), 0);
  EXPECT_EQ(Mismatches(195, 55, 210, 70, Screen(kBackground),
                       [](int x, int y) -> int64_t {
                         if (x < 200 || x >= 203 || y < 60 || y >= 62) return -1;
                         return Screen(IndexedTexel(203 - x, y - 59));
                       }),
            0);
}

// Refused with -1, nothing locked and nothing drawn: a zero width or height, a rectangle wholly
// outside the area, sizes of 65536 or more, ratios of 32768 or more destination pixels per
// source pixel (a 1 x 1 graph stretched to 32768, 65535 and 65536), corners far apart or near
// the ends of the int range in either order. Just inside the limits the draw goes on.
TEST_F(StretchFrame, RefusesWhatTheStepsCannotHold) {
  StartAt(32);
  const ResourceHandle g = IndexedGraph(7, 5);
  const ResourceHandle dot = IndexedGraph(1, 1);
  morrow::SetBlendMode(2, 200);
  struct Case {
    Rectangle r;
    ResourceHandle graph;
    int want;
  };
  const Case cases[] = {
      {{100, 100, 100, 120}, g, -1},
      {{100, 100, 120, 100}, g, -1},
      {{-30, 100, -1, 120}, g, -1},
      {{640, 100, 700, 120}, g, -1},
      {{100, -30, 120, 0}, g, -1},
      {{100, 480, 120, 500}, g, -1},
      {{0, 0, 32768, 1}, dot, -1},
      {{0, 0, 65535, 1}, dot, -1},
      {{0, 0, 1, 65536}, dot, -1},
      {{-40000, 0, 30000, 10}, g, -1},
      {{INT_MAX, 0, INT_MIN, 10}, g, -1},
      {{0, INT_MIN, 10, INT_MAX}, g, -1},
      {{INT_MIN, INT_MIN, INT_MIN + 9, INT_MIN + 6}, g, -1},
      {{INT_MAX, INT_MAX, INT_MAX - 7, INT_MAX - 5}, g, -1},
      {{INT_MAX - 3, 10, INT_MAX - 1, 20}, g, -1},
      {{-16000, 0, 16767, 2}, dot, 0},  // 32767 pixels per source pixel: drawn
      {{-65000, 0, 535, 2}, g, 0},      // 65535 pixels wide: drawn
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.r.x1 << "," << c.r.y1 << "-" << c.r.x2 << "," << c.r.y2);
    PaintBack(Screen(kBackground));
    const uint32_t sum = Checksum(Back());
    const uint64_t locks = Locks();
    EXPECT_EQ(morrow::DrawExtendGraph(c.r.x1, c.r.y1, c.r.x2, c.r.y2, c.graph, 0), c.want);
    if (c.want == -1) {
      EXPECT_EQ(Locks(), locks);
      EXPECT_EQ(Checksum(Back()), sum);
    } else {
      EXPECT_NE(Checksum(Back()), sum);
    }
  }
  ExpectNothingHeld();
}

// Every mode from -1 to 9 with and without the alpha map, key flags 0 to 2 and a bright, onto
// rectangles across every edge of a narrowed area: the draws answer 0 and nothing is written
// outside the area or the surfaces (the canaries hold).
TEST_F(StretchFrame, EveryModeStaysInsideTheArea) {
  for (int depth : {32, 16}) {
    StartAt(depth, depth == 16 ? "444" : nullptr);
    const ResourceHandle plain = IndexedGraph(9, 6);
    const ResourceHandle alpha =
        PatternGraph(5, 7, true, [](int x, int y) { return (x * 60u) << 24 | (y * 30u) << 8; });
    const uint32_t background = Screen(kBackground);
    for (int mode = -1; mode <= 9; ++mode) {
      for (int keyFlag = 0; keyFlag <= 2; ++keyFlag) {
        SCOPED_TRACE(::testing::Message() << depth << " mode " << mode << " key " << keyFlag);
        PaintBack(background);
        morrow::SetClipRect(40, 30, 80, 70);
        morrow::SetBlendMode(mode, 100);
        morrow::SetModulationColor(200, 255, 100);
        for (const Rectangle& r : {Rectangle{30, 20, 90, 80}, Rectangle{90, 80, 30, 20},
                                   Rectangle{35, 60, 45, 75}, Rectangle{79, 29, 81, 31}}) {
          EXPECT_EQ(morrow::DrawExtendGraph(r.x1, r.y1, r.x2, r.y2, plain, keyFlag), 0);
          EXPECT_EQ(morrow::DrawExtendGraph(r.x1, r.y1, r.x2, r.y2, alpha, keyFlag), 0);
        }
        EXPECT_EQ(Mismatches(30, 20, 90, 80, background,
                             [&](int x, int y) -> int64_t {
                               if (x >= 40 && x < 80 && y >= 30 && y < 70) return At(x, y);
                               return -1;
                             }),
                  0);
      }
    }
    ExpectNothingHeld();
    ResetStateAfterRun();
  }
}

// At 8 bits each source byte is copied whatever the blend state; index 0 is left out when the
// key flag's lowest bit is set.
TEST_F(StretchFrame, EightBitsCopiesBytesKeyedOnTheLowestBit) {
  StartAt(8);
  const ResourceHandle g = SolidGraph(3, 1, 0xFF0000);
  Paint(SurfaceOf(g)->surface.get(), [](int x, int) { return x == 0 ? 0u : 7u + x; });
  morrow::SetBlendMode(2, 0);
  morrow::SetModulationColor(10, 10, 10);
  for (int keyFlag : {0, 1, 2, 3, -1}) {
    SCOPED_TRACE(keyFlag);
    PaintBack(0x55);
    EXPECT_EQ(morrow::DrawExtendGraph(10, 10, 16, 12, g, keyFlag), 0);
    const uint32_t zero = (keyFlag & 1) != 0 ? 0x55u : 0u;
    EXPECT_EQ(At(10, 10), zero);
    EXPECT_EQ(At(11, 11), zero);
    EXPECT_EQ(At(12, 10), 8u);
    EXPECT_EQ(At(15, 11), 9u);
    EXPECT_EQ(At(16, 10), 0x55u);
  }
}

// The same draws give the same pixels whether the graph lies in video memory (its span read
// from a copy when it fits the screen, else in place) or in system memory, and onto a graph
// target larger than the screen, whose destination copy needs a larger work surface.
TEST_F(StretchFrame, StagedAndUnstagedSourcesAgree) {
  uint32_t sums[2][2] = {};
  for (int video = 0; video < 2; ++video) {
    StartAt(32, nullptr, video == 1);
    morrow::GetDrawState().newGraphSystemMemory = video == 1 ? 0 : 1;
    const ResourceHandle small = PatternGraph(
        12, 9, true, [](int x, int y) { return (40u + x * 17) << 24 | IndexedTexel(x, y); });
    // Surfaces wider than the screen lie in system memory: a tall one can be too tall to stage.
    const ResourceHandle tall = PatternGraph(
        3, 1500, false, [](int x, int y) { return static_cast<uint32_t>(y * 2654435761u ^ x); });
    ASSERT_EQ(SurfaceOf(tall)->flags.systemMemory, video == 1 ? 0 : 1);
    const ResourceHandle big = morrow::CreateGraph(1000, 700, 0, 0);
    for (int onBig = 0; onBig < 2; ++onBig) {
      ASSERT_EQ(morrow::SelectDrawTarget(onBig == 1 ? big : morrow::kBackScreen), 0);
      platform::Surface* target = onBig == 1 ? SurfaceOf(big)->surface.get() : Back();
      Paint(target, [](int x, int y) { return static_cast<uint32_t>(x * 31 + y * 7); });
      morrow::SetBlendMode(1, 200);
      EXPECT_EQ(morrow::DrawExtendGraph(950, 650, 10, 20, small, 1), 0);
      morrow::SetBlendMode(2, 255);
      EXPECT_EQ(morrow::DrawExtendGraph(100, 0, 110, 470, tall, 0), 0);     // 1500 rows read
      EXPECT_EQ(morrow::DrawExtendGraph(200, -400, 204, 100, tall, 0), 0);  // 300 rows read
      sums[video][onBig] = Checksum(target);
    }
    morrow::SelectDrawTarget(morrow::kBackScreen);
    ExpectNothingHeld();
    ResetStateAfterRun();
  }
  EXPECT_EQ(sums[1][0], sums[0][0]);
  EXPECT_EQ(sums[1][1], sums[0][1]);
}

// A graph in system memory drawn stretched onto itself shares the target's lock.
TEST_F(StretchFrame, OntoItsOwnSurface) {
  StartAt(32);
  morrow::GetDrawState().newGraphSystemMemory = 1;
  const ResourceHandle g = IndexedGraph(8, 8);
  ASSERT_EQ(morrow::SelectDrawTarget(g), 0);
  EXPECT_EQ(morrow::DrawExtendGraph(8, 0, 0, 8, g, 0), 0);  // mirrored in place
  EXPECT_EQ(SurfacePixel(SurfaceOf(g)->surface.get(), 0, 0), Screen(IndexedTexel(7, 0)));
  ExpectNothingHeld();
}

TEST_F(StretchFrame, NoDisplayOrNoPiece) {
  morrow::GraphRecord none{};
  EXPECT_EQ(morrow::G_DDraw_DrawExtendGraph(0, 0, 9, 9, &none, 0), -1);
  StartAt(32);
  const ResourceHandle g = IndexedGraph(8, 8);
  morrow::GraphRecord copy = *Record(g);
  const uint64_t locks = Locks();
  for (ResourceHandle bad :
       {ResourceHandle{-1}, ResourceHandle{0}, g, Record(g)->pieces[0] ^ 0x00010000}) {
    copy.pieces[0] = bad;
    EXPECT_EQ(morrow::G_DDraw_DrawExtendGraph(10, 10, 30, 30, &copy, 0), -1);
  }
  EXPECT_EQ(morrow::G_DDraw_DrawExtendGraph(10, 10, 30, 30, nullptr, 0), -1);
  // A record that claims more than its piece holds, or a piece without its surface record.
  copy = *Record(g);
  copy.width = 9;
  EXPECT_EQ(morrow::G_DDraw_DrawExtendGraph(10, 10, 30, 30, &copy, 0), -1);
  morrow::Surface2DRecord* piece = morrow::GetSurface2DRecord(Record(g)->pieces[0]);
  const morrow::ResourceHandle surface = piece->surface;
  piece->surface = -1;
  EXPECT_EQ(morrow::G_DDraw_DrawExtendGraph(10, 10, 30, 30, Record(g), 0), -1);
  piece->surface = surface;
  EXPECT_EQ(Locks(), locks);
}

}  // namespace
