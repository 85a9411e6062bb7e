// The triangle set-up and edge walk on their own: refusals, the fill convention (flat top drawn,
// flat bottom not, both span ends drawn), independence of vertex order, the left clip with the
// plane evaluated at the clipped column, the row visited twice after a negative top, and edges
// across the whole coordinate range without wrapping.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <ostream>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "morrow/raster/triangle.h"

namespace {

using morrow::raster::SetUpTriangle;
using morrow::raster::TriangleRefusal;
using morrow::raster::TriangleSetup;
using morrow::raster::TriangleVertex;
using morrow::raster::WalkTriangleRows;
using platform::Rect;

struct Row {
  int32_t y;
  int32_t lx;
  int32_t count;
  uint32_t u;
  uint32_t v;
};

const Rect kWide{-10000, -10000, 10000, 10000};

std::vector<Row> Rows(const TriangleVertex (&v)[3], const Rect& area = kWide) {
  TriangleSetup t;
  std::vector<Row> rows;
  if (SetUpTriangle(v, &t) != TriangleRefusal::kNone) return rows;
  WalkTriangleRows(t, area, [&](int32_t y, int32_t lx, int32_t count, uint32_t u, uint32_t w) {
    rows.push_back({y, lx, count, u, w});
  });
  return rows;
}

// Every pixel the rows cover, with how often.
std::map<std::pair<int, int>, int> Pixels(const std::vector<Row>& rows) {
  std::map<std::pair<int, int>, int> out;
  for (const Row& r : rows) {
    for (int i = 0; i < r.count; ++i) ++out[{r.lx + i, r.y}];
  }
  return out;
}

struct RefusalCase {
  const char* name;
  TriangleVertex v[3];
  TriangleRefusal want;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
  *os << c.name;
}

class TriangleSetUp : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(TriangleSetUp, RefusesWhatItCannotDraw) {
  TriangleSetup t;
  EXPECT_EQ(SetUpTriangle(GetParam().v, &t), GetParam().want);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TriangleSetUp,
    ::testing::Values(
        RefusalCase{
            "Collinear", {{0, 0, 0, 0}, {2, 2, 1, 0}, {5, 5, 0, 1}}, TriangleRefusal::kZeroArea},
        RefusalCase{
            "Horizontal", {{0, 3, 0, 0}, {9, 3, 1, 0}, {4, 3, 0, 1}}, TriangleRefusal::kZeroArea},
        RefusalCase{
            "TwoEqual", {{1, 1, 0, 0}, {1, 1, 4, 0}, {6, 3, 0, 4}}, TriangleRefusal::kZeroArea},
        RefusalCase{
            "AllEqual", {{7, 7, 0, 0}, {7, 7, 4, 0}, {7, 7, 0, 4}}, TriangleRefusal::kZeroArea},
        RefusalCase{
            "XBeyond", {{8192, 0, 0, 0}, {0, 4, 4, 0}, {0, 0, 0, 4}}, TriangleRefusal::kOutOfRange},
        RefusalCase{
            "YBelow", {{0, -8192, 0, 0}, {4, 0, 4, 0}, {0, 4, 0, 4}}, TriangleRefusal::kOutOfRange},
        RefusalCase{
            "UBeyond", {{0, 0, 8192, 0}, {4, 0, 4, 0}, {0, 4, 0, 4}}, TriangleRefusal::kOutOfRange},
        RefusalCase{"VFarBelow",
                    {{0, 0, 0, INT_MIN}, {4, 0, 4, 0}, {0, 4, 0, 4}},
                    TriangleRefusal::kOutOfRange},
        RefusalCase{"CollinearButOutOfRangeFirst",
                    {{0, 0, 0, 0}, {1, 1, 0, 0}, {INT_MAX, 2, 0, 0}},
                    TriangleRefusal::kOutOfRange},
        RefusalCase{"AtTheLimits",
                    {{-8191, -8191, -8191, 8191}, {8191, -8191, 0, 0}, {0, 8191, 8191, -8191}},
                    TriangleRefusal::kNone}),
    [](const auto& info) { return std::string(info.param.name); });

// Rows 0 to 3; each row's right end is the edge from (4, 0) to (0, 4) at x = 4.5 - y, truncated,
// so 5, 4, 3 and 2 pixels.
TEST(TriangleRows, SmallRightTriangleCoversRowsZeroToThree) {
  const TriangleVertex v[3] = {{0, 0, 0, 0}, {4, 0, 4, 0}, {0, 4, 0, 4}};
  const std::vector<Row> rows = Rows(v);
  ASSERT_EQ(rows.size(), 4u);
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(rows[y].y, y);
    EXPECT_EQ(rows[y].lx, 0);
    EXPECT_EQ(rows[y].count, 5 - y);
    // The identity mapping: texel (0, y) at the row's left end.
    EXPECT_EQ(rows[y].u >> 18, 0u);
    EXPECT_EQ(rows[y].v >> 18, static_cast<uint32_t>(y));
  }
}

TEST(TriangleRows, FlatTopIsDrawnAndFlatBottomIsNot) {
  const TriangleVertex flatTop[3] = {{0, 0, 0, 0}, {8, 0, 1, 0}, {4, 6, 0, 1}};
  const TriangleVertex flatBottom[3] = {{4, 0, 0, 0}, {0, 6, 1, 0}, {8, 6, 0, 1}};
  const std::vector<Row> top = Rows(flatTop), bottom = Rows(flatBottom);
  ASSERT_FALSE(top.empty());
  ASSERT_FALSE(bottom.empty());
  EXPECT_EQ(top.front().y, 0);
  EXPECT_EQ(top.front().count, 9);  // columns 0 to 8, both ends
  EXPECT_EQ(top.back().y, 5);
  EXPECT_EQ(bottom.front().y, 0);
  EXPECT_EQ(bottom.back().y, 5);  // row 6, the flat bottom, is not visited
}

// Any of the six orders, and either winding, covers the same pixels.
TEST(TriangleRows, VertexOrderDoesNotChangeThePixels) {
  std::mt19937 rng(5);
  for (int n = 0; n < 200; ++n) {
    TriangleVertex v[3];
    for (TriangleVertex& p : v) {
      p = {static_cast<int32_t>(rng() % 41) - 20, static_cast<int32_t>(rng() % 41) - 20,
           static_cast<int32_t>(rng() % 16), static_cast<int32_t>(rng() % 16)};
    }
    // Ties in x or y as well as general positions.
    if (n % 4 == 1) v[1].y = v[0].y;
    if (n % 4 == 2) v[2].x = v[1].x;
    const auto want = Pixels(Rows(v));
    int order[3] = {0, 1, 2};
    do {
      const TriangleVertex w[3] = {v[order[0]], v[order[1]], v[order[2]]};
      EXPECT_EQ(Pixels(Rows(w)), want) << "triangle " << n;
    } while (std::next_permutation(order, order + 3));
  }
}

// Both span ends are drawn: the two triangles of the square (0, 0), (4, 0), (0, 4), (4, 4),
// split along (4, 0)-(0, 4), both visit the pixel on that diagonal in row 1, column 3.
TEST(TriangleRows, TheSharedDiagonalIsVisitedByBoth) {
  const TriangleVertex corners[4] = {{0, 0, 0, 0}, {4, 0, 4, 0}, {0, 4, 0, 4}, {4, 4, 4, 4}};
  const TriangleVertex first[3] = {corners[0], corners[1], corners[2]};
  const TriangleVertex second[3] = {corners[1], corners[2], corners[3]};
  const auto a = Pixels(Rows(first)), b = Pixels(Rows(second));
  std::set<int> firstRow1, secondRow1;
  for (const auto& [p, n] : a) {
    if (p.second == 1) firstRow1.insert(p.first);
  }
  for (const auto& [p, n] : b) {
    if (p.second == 1) secondRow1.insert(p.first);
  }
  EXPECT_EQ(firstRow1, (std::set<int>{0, 1, 2, 3}));
  EXPECT_EQ(secondRow1, (std::set<int>{3, 4}));
  // Together the two cover rows 0 to 3 and columns 0 to 4: column 4 maps to texel 4, which a
  // 4-texel graph does not have.
  std::set<std::pair<int, int>> all;
  for (const auto& [p, n] : a) all.insert(p);
  for (const auto& [p, n] : b) all.insert(p);
  EXPECT_EQ(all.size(), 20u);
  for (const auto& p : all) {
    EXPECT_GE(p.second, 0);
    EXPECT_LT(p.second, 4);
  }
}

// A span across the area's left edge starts at the edge with u taken from the plane there; a
// span wholly left of it draws nothing.
TEST(TriangleRows, LeftClipStartsAtTheEdgeWithThePlaneThere) {
  // The identity mapping; the area starts at column 10.
  const TriangleVertex v[3] = {{0, 0, 0, 0}, {20, 0, 20, 0}, {0, 8, 0, 8}};
  const Rect area{10, 0, 640, 480};
  const std::vector<Row> rows = Rows(v, area);
  ASSERT_FALSE(rows.empty());
  for (const Row& r : rows) {
    EXPECT_EQ(r.lx, 10) << r.y;
    EXPECT_EQ(r.u >> 18, 10u) << r.y;
    EXPECT_EQ(r.v >> 18, static_cast<uint32_t>(r.y)) << r.y;
  }
  // The right end x = 20.5 - 2.5 y falls left of column 10 from row 5 on.
  EXPECT_EQ(rows.back().y, 4);
  EXPECT_EQ(rows.back().count, 1);
  const TriangleVertex left[3] = {{0, 0, 0, 0}, {8, 0, 8, 0}, {0, 8, 0, 8}};
  EXPECT_TRUE(Rows(left, area).empty());
}

// A reference vertex left of column 0 sits at -9.5 for x = -10 and becomes column -9: texels
// are sampled relative to that whole pixel.
TEST(TriangleRows, NegativeReferenceTruncatesTowardZero) {
  const TriangleVertex v[3] = {{-10, 0, 0, 0}, {10, 0, 20, 0}, {-10, 8, 0, 8}};
  const std::vector<Row> rows = Rows(v, Rect{0, 0, 640, 480});
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.front().lx, 0);
  EXPECT_EQ(rows.front().u >> 18, 9u);
}

TEST(TriangleRows, TheRightEdgeOfTheAreaEndsTheSpan) {
  const TriangleVertex v[3] = {{0, 0, 0, 0}, {20, 0, 20, 0}, {0, 4, 0, 4}};
  const std::vector<Row> rows = Rows(v, Rect{0, 0, 7, 480});
  ASSERT_EQ(rows.size(), 4u);
  // The right end 20.5 - 5 y truncated, cut at column 6.
  const int32_t want[4] = {7, 7, 7, 6};
  for (int y = 0; y < 4; ++y) EXPECT_EQ(rows[y].count, want[y]) << y;
}

// A top vertex at row -3 sits at -2.5 in fixed point and becomes row -2; at the middle vertex
// (row 2, on the left) the walk restarts at that row, so row 2 is visited by both segments.
TEST(TriangleRows, NegativeTopRestartsAtTheMiddleRow) {
  const TriangleVertex v[3] = {{10, -3, 0, 0}, {0, 2, 0, 0}, {20, 10, 0, 0}};
  std::vector<int32_t> ys;
  for (const Row& r : Rows(v)) ys.push_back(r.y);
  std::vector<int32_t> want = {-2, -1, 0, 1, 2};
  for (int y = 2; y < 10; ++y) want.push_back(y);
  EXPECT_EQ(ys, want);
}

// An edge from -8191 to 8191 over two rows moves more than 2^31 in fixed point; it is walked
// without wrapping.
TEST(TriangleRows, EdgesAcrossTheWholeRangeDoNotWrap) {
  const TriangleVertex v[3] = {{-8191, 0, 0, 0}, {8000, 0, 0, 0}, {8191, 2, 0, 0}};
  const std::vector<Row> rows = Rows(v);
  ASSERT_EQ(rows.size(), 2u);
  // -8190.5 truncates toward zero.
  EXPECT_EQ(rows[0].lx, -8190);
  EXPECT_EQ(rows[0].count, 8000 + 8190 + 1);
  // Left: -8190.5 + (16382 / 2) = 0.5; right: 8000.5 + 191 / 2 = 8096.
  EXPECT_EQ(rows[1].lx, 0);
  EXPECT_EQ(rows[1].count, 8096 + 1);
}

// The gradients of a mapping that doubles u and mirrors v: 2 texels per pixel to the right, -1
// per row down.
TEST(TriangleSetUp, GradientsFollowTheMapping) {
  const TriangleVertex v[3] = {{0, 0, 0, 8}, {8, 0, 16, 8}, {0, 8, 0, 0}};
  TriangleSetup t;
  ASSERT_EQ(SetUpTriangle(v, &t), TriangleRefusal::kNone);
  EXPECT_EQ(t.uStep, 2u << 18);
  EXPECT_EQ(t.uRow, 0u);
  EXPECT_EQ(t.vStep, 0u);
  EXPECT_EQ(static_cast<int32_t>(t.vRow), -(1 << 18));
  for (const Row& r : Rows(v)) {
    EXPECT_EQ(r.u >> 18, 2u * static_cast<uint32_t>(r.lx));
    EXPECT_EQ(static_cast<int32_t>(r.v) >> 18, 8 - r.y);
  }
}

}  // namespace
