// G_DDraw_DrawRotaGraph on a started library: the identity and the quarter turn pixel by pixel,
// the first column and row covering twice, the box and its margins, the mirrored draw handed to
// the quadrilateral draw, a negative scale, 8-bit index 0, the worked pixels of every mode next
// to the quadrilateral draw's, absurd geometry refused, graphs wider than their first piece, the
// staged copies (the fatal lock texts: lock_death_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "morrow/device/screen_state.h"
#include "morrow/softdraw/raster.h"
#include "tests/morrow/softdraw/turned_fixture.h"

namespace {

using morrow::ResourceHandle;
using testsupport::TurnedFixture;

constexpr double kPi = 3.141592653589793;
constexpr uint32_t kBackground = 0x102030;

class TurnedRota : public TurnedFixture {};

// At scale 1 and angle 0 pixel (px, py) shows texel (px - x + w / 2, py - y + h / 2), the sizes
// halved with truncation, and nothing else changes.
TEST_F(TurnedRota, IdentityAtScaleOneAndAngleZero) {
  StartAt(32);
  for (const auto& [w, h] : {std::pair{8, 8}, std::pair{7, 5}, std::pair{1, 1}}) {
    SCOPED_TRACE(::testing::Message() << w << "x" << h);
    PaintBack(Screen(kBackground));
    const ResourceHandle g = IndexedGraph(w, h);
    EXPECT_EQ(morrow::DrawRotaGraph(100, 60, 1.0, 0.0, g, 0, 0), 0);
    EXPECT_EQ(Mismatches(80, 40, 120, 80, Screen(kBackground),
                         [&](int x, int y) -> int64_t {
                           const int u = x - 100 + w / 2, v = y - 60 + h / 2;
                           if (u < 0 || u >= w || v < 0 || v >= h) return -1;
                           return Screen(IndexedTexel(u, v));
                         }),
              0);
  }
}

// A quarter turn clockwise: the source column grows downward and the source row leftward, so
// pixel (px, py) shows texel (py - y + w / 2, x - px + h / 2); the top-right corner lands at the
// lower right.
TEST_F(TurnedRota, QuarterTurn) {
  StartAt(32);
  PaintBack(Screen(kBackground));
  const int w = 8, h = 6;
  const ResourceHandle g = IndexedGraph(w, h);
  EXPECT_EQ(morrow::DrawRotaGraph(200, 100, 1.0, kPi / 2, g, 0, 0), 0);
  EXPECT_EQ(Mismatches(180, 80, 220, 120, Screen(kBackground),
                       [&](int x, int y) -> int64_t {
                         const int u = y - 100 + w / 2, v = 200 - x + h / 2;
                         if (u < 0 || u >= w || v < 0 || v >= h) return -1;
                         return Screen(IndexedTexel(u, v));
                       }),
            0);
  EXPECT_EQ(At(203, 103), Screen(IndexedTexel(w - 1, 0)));
}

// At scale 2 the source moves half a texel per pixel. Positions from -1 to 0 still read column
// and row 0, so those cover three pixels where every other texel covers two.
TEST_F(TurnedRota, FirstColumnAndRowCoverUpToTwice) {
  StartAt(32);
  PaintBack(Screen(kBackground));
  const ResourceHandle g = IndexedGraph(4, 4);
  EXPECT_EQ(morrow::DrawRotaGraph(100, 100, 2.0, 0.0, g, 0, 0), 0);
  std::vector<int> columns(4, 0), rows(4, 0);
  for (int i = 80; i < 120; ++i) {
    for (int u = 0; u < 4; ++u) {
      if (At(i, 101) == Screen(IndexedTexel(u, 2))) ++columns[u];
      if (At(101, i) == Screen(IndexedTexel(2, u))) ++rows[u];
    }
  }
  EXPECT_EQ(columns, (std::vector<int>{3, 2, 2, 2}));
  EXPECT_EQ(rows, (std::vector<int>{3, 2, 2, 2}));
  EXPECT_EQ(At(95, 101), Screen(IndexedTexel(0, 2)));  // source position -0.5
  EXPECT_EQ(At(94, 101), Screen(kBackground));         // -1.0 is outside
  EXPECT_EQ(At(104, 101), Screen(kBackground));        // 4.0 is outside
}

// The corners of an 8 x 8 graph at (100, 100) span 96 to 104, so the box runs from 94 to 108
// (exclusive): an area that meets only the margin still locks, one beyond it does not.
TEST_F(TurnedRota, BoxMarginsDecideWhetherAnythingIsLocked) {
  StartAt(32);
  const ResourceHandle g = IndexedGraph(8, 8);
  morrow::SetBlendMode(1, 128);
  struct Area {
    int x1, y1, x2, y2;
    bool locks;
  };
  const Area areas[] = {{107, 0, 640, 480, true}, {108, 0, 640, 480, false},
                        {0, 0, 95, 480, true},    {0, 0, 94, 480, false},
                        {0, 107, 640, 480, true}, {0, 108, 640, 480, false},
                        {0, 0, 640, 95, true},    {0, 0, 640, 94, false}};
  for (const Area& a : areas) {
    SCOPED_TRACE(::testing::Message() << a.x1 << "," << a.y1 << "," << a.x2 << "," << a.y2);
    PaintBack(Screen(kBackground));
    morrow::SetClipRect(a.x1, a.y1, a.x2, a.y2);
    const uint64_t before = Back()->LockCount();
    const uint32_t sum = Checksum(Back());
    EXPECT_EQ(morrow::DrawRotaGraph(100, 100, 1.0, 0.0, g, 0, 0), 0);
    EXPECT_EQ(Back()->LockCount() > before + 1, a.locks);  // the checksum takes one lock
    EXPECT_EQ(Checksum(Back()), sum);  // only the margin was inside: nothing drawn
  }
}

// With the mirror flag the draw hands the corners, as top-right, top-left, bottom-right and
// bottom-left, to the quadrilateral draw: the same pixels as calling it with them directly.
TEST_F(TurnedRota, MirrorIsTheQuadrilateralOfTheTurnedCorners) {
  StartAt(32);
  const ResourceHandle g = IndexedGraph(12, 8);
  morrow::GraphRecord* record = Record(g);
  for (const auto& [scale, angle] :
       {std::pair{1.0, 0.0}, std::pair{1.5, 0.5}, std::pair{0.75, -2.0}, std::pair{2.0, kPi / 2}}) {
    SCOPED_TRACE(::testing::Message() << scale << " " << angle);
    const int x = 300, y = 200;
    // The corners in 14.18 as the draw computes them, truncated to whole pixels.
    const int64_t c = static_cast<int32_t>(std::cos(angle) * 262144.0);
    const int64_t s = static_cast<int32_t>(std::sin(angle) * 262144.0);
    const int64_t w = static_cast<int64_t>(12 * scale * 0.5),
                  h = static_cast<int64_t>(8 * scale * 0.5);
    const int64_t cx = int64_t{x} << 18, cy = int64_t{y} << 18;
    auto whole = [](int64_t v) { return static_cast<int>(v / 262144); };
    const int p0x = whole(cx - w * c + h * s), p0y = whole(cy - w * s - h * c);
    const int p1x = whole(cx - w * c - h * s), p1y = whole(cy - w * s + h * c);
    const int p2x = whole(cx + w * c - h * s), p2y = whole(cy + w * s + h * c);
    const int p3x = whole(cx + w * c + h * s), p3y = whole(cy + w * s - h * c);
    PaintBack(Screen(kBackground));
    EXPECT_EQ(morrow::G_DDraw_DrawRotaGraph(x, y, scale, angle, record, 0, 1), 0);
    const uint32_t mirrored = Checksum(Back());
    PaintBack(Screen(kBackground));
    EXPECT_EQ(morrow::G_DDraw_DrawModiGraph(p3x, p3y, p0x, p0y, p2x, p2y, p1x, p1y, record, 0), 0);
    EXPECT_EQ(Checksum(Back()), mirrored);
    PaintBack(Screen(kBackground));
    EXPECT_NE(Checksum(Back()), mirrored);
  }
  // Unturned, the mirror shows the graph's last column at the left.
  PaintBack(Screen(kBackground));
  EXPECT_EQ(morrow::DrawRotaGraph(100, 100, 1.0, 0.0, g, 0, 1), 0);
  // Column 94 maps to texel column 12, which is outside: the picture starts one pixel in.
  EXPECT_EQ(At(95, 97), Screen(IndexedTexel(11, 1)));
  EXPECT_EQ(At(94, 97), Screen(kBackground));
}

// A negative scale turns the picture half round, as the angle pi does.
TEST_F(TurnedRota, NegativeScaleIsAHalfTurn) {
  StartAt(32);
  const ResourceHandle g = IndexedGraph(9, 6);
  PaintBack(Screen(kBackground));
  EXPECT_EQ(morrow::DrawRotaGraph(100, 100, -1.0, 0.0, g, 0, 0), 0);
  const uint32_t negative = Checksum(Back());
  // Texel (0, 0) lands at (x + w / 2, y + h / 2).
  EXPECT_EQ(At(104, 103), Screen(IndexedTexel(0, 0)));
  PaintBack(Screen(kBackground));
  EXPECT_EQ(morrow::DrawRotaGraph(100, 100, 1.0, kPi, g, 0, 0), 0);
  EXPECT_EQ(Checksum(Back()), negative);
}

// At 8 bits the texel byte is copied; any non-zero keyFlag leaves index 0 out, whatever the
// blend mode and the colour key.
TEST_F(TurnedRota, EightBitsLeavesIndexZeroOut) {
  StartAt(8);
  const ResourceHandle g = SolidGraph(4, 4, 0xFF0000);
  Paint(SurfaceOf(g)->surface.get(), [](int x, int) { return x == 0 ? 0u : 7u + x; });
  morrow::SetBlendMode(2, 0);
  for (int keyFlag : {0, 1, 2, -1}) {
    SCOPED_TRACE(keyFlag);
    PaintBack(0x55);
    EXPECT_EQ(morrow::DrawRotaGraph(50, 50, 1.0, 0.0, g, keyFlag, 0), 0);
    EXPECT_EQ(At(48, 49), keyFlag != 0 ? 0x55u : 0u);
    EXPECT_EQ(At(49, 49), 8u);
    EXPECT_EQ(At(51, 51), 10u);
    EXPECT_EQ(At(52, 51), 0x55u);
  }
}

// What a draw refuses: -1 with nothing locked and nothing drawn. A scale of 0 draws nothing
// and succeeds.
TEST_F(TurnedRota, AbsurdGeometryIsRefused) {
  StartAt(32);
  const ResourceHandle g = IndexedGraph(8, 8);
  const ResourceHandle wide = IndexedGraph(20000, 1);
  morrow::SetBlendMode(1, 128);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  // mirrored: what the mirrored draw gives, which hands over before the steps are made.
  struct Case {
    int x, y;
    double scale, angle;
    ResourceHandle graph;
    int want;
    int mirrored;
  };
  const Case cases[] = {{100, 100, nan, 0, g, -1, -1},
                        {100, 100, 1, nan, g, -1, -1},
                        {100, 100, inf, 0, g, -1, -1},
                        {100, 100, -inf, 0, g, -1, -1},
                        {100, 100, 1, inf, g, -1, -1},
                        {8000, 8000, 1e-7, 0.3, g, -1, 0},    // steps beyond the range
                        {100, 100, 3000, 0.3, g, -1, -1},     // half extent beyond it
                        {100, 100, 1e300, 0.3, g, -1, -1},    // half extent not even an int
                        {INT_MAX - 5, 100, 1, 0, g, -1, -1},  // positions near 2^31
                        {100, INT_MIN, 1, 0, g, -1, -1},
                        {8192, 100, 1, 0, g, -1, -1},
                        {100, -8192, 1, 0, g, -1, -1},
                        {8100, 100, 30, 0, g, -1, -1},   // a corner beyond the range
                        {100, 100, 1, 0, wide, -1, -1},  // a graph too wide for 14.18
                        {100, 100, 0, 0.5, g, 0, 0},
                        {100, 100, -0.0, nan, g, -1, -1},
                        {8000, 8000, 1, 0, g, 0, 0},  // in range, outside the area
                        {-8000, 100, 1, 1e300, g, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.x << "," << c.y << " " << c.scale << " " << c.angle);
    PaintBack(Screen(kBackground));
    const uint32_t sum = Checksum(Back());
    const uint64_t locks = Locks();
    EXPECT_EQ(morrow::DrawRotaGraph(c.x, c.y, c.scale, c.angle, c.graph, 0, 0), c.want);
    EXPECT_EQ(morrow::DrawRotaGraph(c.x, c.y, c.scale, c.angle, c.graph, 0, 1), c.mirrored);
    EXPECT_EQ(Locks(), locks);
    EXPECT_EQ(Checksum(Back()), sum);
  }
}

// A graph whose record claims more than its first piece holds reads only the piece.
TEST_F(TurnedRota, AGraphWiderThanItsFirstPieceReadsOnlyThePiece) {
  for (bool video : {true, false}) {
    SCOPED_TRACE(video ? "video" : "system");
    StartAt(32, nullptr, video);
    const ResourceHandle g = IndexedGraph(8, 8);
    morrow::GraphRecord* record = Record(g);
    record->width = 24;
    record->height = 16;
    PaintBack(Screen(kBackground));
    EXPECT_EQ(morrow::DrawRotaGraph(100, 100, 1.0, 0.0, g, 0, 0), 0);
    // The centre texel is (12, 8): texel (u, v) lands at (88 + u, 92 + v).
    EXPECT_EQ(Mismatches(80, 80, 120, 120, Screen(kBackground),
                         [&](int x, int y) -> int64_t {
                           const int u = x - 88, v = y - 92;
                           if (u < 0 || u >= 8 || v < 0 || v >= 8) return -1;
                           return Screen(IndexedTexel(u, v));
                         }),
              0);
    record->width = 8;
    record->height = 8;
    ResetStateAfterRun();
  }
}

TEST_F(TurnedRota, NoDisplayOrNoPiece) {
  morrow::GraphRecord none{};
  EXPECT_EQ(morrow::G_DDraw_DrawRotaGraph(0, 0, 1.0, 0.0, &none, 0, 0), -1);
  StartAt(32);
  const ResourceHandle g = IndexedGraph(8, 8);
  morrow::GraphRecord copy = *Record(g);
  const uint64_t locks = Locks();
  for (ResourceHandle bad :
       {ResourceHandle{-1}, ResourceHandle{0}, g, Record(g)->pieces[0] ^ 0x00010000}) {
    copy.pieces[0] = bad;
    EXPECT_EQ(morrow::G_DDraw_DrawRotaGraph(10, 10, 1.0, 0.0, &copy, 0, 0), -1);
    EXPECT_EQ(morrow::G_DDraw_DrawRotaGraph(10, 10, 1.0, 0.0, &copy, 0, 1), -1);
  }
  EXPECT_EQ(morrow::G_DDraw_DrawRotaGraph(10, 10, 1.0, 0.0, nullptr, 0, 0), -1);
  EXPECT_EQ(Locks(), locks);
}

// Blending reads a copy of the destination box, placed at the box's own coordinates in the
// work surface, when the target lies in video memory or the graph has an alpha channel; a source
// in video memory is read from a copy at (0, 0) of the second work surface.
TEST_F(TurnedRota, VideoMemoryDecidesTheStagedCopies) {
  for (bool video : {true, false}) {
    for (int alpha : {-1, 128}) {
      SCOPED_TRACE(::testing::Message() << (video ? "video" : "system") << " alpha " << alpha);
      StartAt(32, nullptr, video);
      const ResourceHandle g = SolidGraph(8, 8, 0x808080, alpha);
      PaintBack(Screen(kBackground));
      Paint(Work(0), [](int, int) { return 0x11111111u; });
      Paint(Work(1), [](int, int) { return 0x22222222u; });
      morrow::SetBlendMode(2, 255);
      EXPECT_EQ(morrow::DrawRotaGraph(100, 50, 1.0, 0.0, g, 0, 0), 0);
      const bool destCopied = video || alpha >= 0;
      // The box runs from (94, 44) to (108, 58).
      EXPECT_EQ(SurfacePixel(Work(0), 94, 44), destCopied ? Screen(kBackground) : 0x11111111u);
      EXPECT_EQ(SurfacePixel(Work(0), 93, 44), 0x11111111u);
      EXPECT_EQ(SurfacePixel(Work(0), 0, 0), 0x11111111u);
      EXPECT_EQ(SurfacePixel(Work(1), 0, 0), video ? Screen(0x808080) : 0x22222222u);
      // (0x80 * 255) >> 8 = 0x7F added, or that scaled by 128 under the alpha map: 0x3F.
      const uint32_t add = alpha < 0 ? 0x7F : (0x7F * 128) >> 8;
      EXPECT_EQ(At(100, 50), (0x10 + add) << 16 | (0x20 + add) << 8 | (0x30 + add));
      ResetStateAfterRun();
    }
  }
}

TEST_F(TurnedRota, FrontScreenWithItsOffset) {
  StartAt(32);
  morrow::SelectDrawTarget(morrow::kFrontScreen);
  const morrow::Rect offset = morrow::GetDrawState().screenOffset;
  ASSERT_GT(offset.left, 0);
  platform::Surface* front = morrow::GetPrimarySurface();
  Paint(front, [](int, int) { return 0u; });
  const ResourceHandle g = IndexedGraph(8, 8);
  EXPECT_EQ(morrow::DrawRotaGraph(0, 0, 1.0, 0.0, g, 0, 0), 0);
  EXPECT_EQ(SurfacePixel(front, offset.left, offset.top), Screen(IndexedTexel(4, 4)));
  EXPECT_EQ(SurfacePixel(front, offset.left + 3, offset.top + 3), Screen(IndexedTexel(7, 7)));
  EXPECT_EQ(SurfacePixel(front, offset.left + 4, offset.top), 0u);
  EXPECT_EQ(SurfacePixel(front, offset.left - 1, offset.top), 0u);
}

// A graph in system memory drawn turned onto itself shares the target's lock.
TEST_F(TurnedRota, OntoItsOwnSurface) {
  StartAt(32);
  morrow::GetDrawState().newGraphSystemMemory = 1;
  const ResourceHandle g = SolidGraph(16, 16, 0x202020);
  ASSERT_EQ(SurfaceOf(g)->flags.systemMemory, 1);
  ASSERT_EQ(morrow::SelectDrawTarget(g), 0);
  morrow::SetBlendMode(2, 255);
  EXPECT_EQ(morrow::DrawRotaGraph(8, 8, 1.0, 0.0, g, 0, 0), 0);
  EXPECT_EQ(SurfacePixel(SurfaceOf(g)->surface.get(), 5, 5), 0x003F3F3Fu);
}

}  // namespace
