// The circle's walk on its own: the pixels of small radii, the points the outline makes twice,
// and, on seeded random circles and areas (radii up to four million), the same points and spans
// in the same order as the midpoint walk taken step by step from the start; radii near 2^31
// draw the pixels their arc has in the area. And the line's clip at the ends of the int range.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "morrow/raster/solid_shapes.h"
#include "morrow/raster/walkers.h"

namespace {

using morrow::raster::CircleWalk;
using morrow::raster::ClipLine;
using morrow::raster::LineEnds;
using platform::Rect;

struct Point {
  int64_t x, y;
  bool operator==(const Point&) const = default;
  bool operator<(const Point& o) const { return std::tie(y, x) < std::tie(o.y, o.x); }
};
struct Span {
  int64_t row, first, last;
  bool operator==(const Span&) const = default;
};

// The clip limits (inclusive) as one byte a pixel; the walk's pointers are turned back into
// positions.
class Canvas {
 public:
  Canvas(int64_t left, int64_t top, int64_t right, int64_t bottom)
      : left_(left),
        top_(top),
        pitch_(right >= left ? right - left + 1 : 0),
        pixels_(static_cast<size_t>(pitch_ * (bottom >= top ? bottom - top + 1 : 0)) + 1),
        marks_(static_cast<size_t>(bottom >= top ? bottom - top + 1 : 0) + 1) {
    walk_.left = left;
    walk_.top = top;
    walk_.right = right;
    walk_.bottom = bottom;
    walk_.dest = pixels_.data();
    walk_.read = pixels_.data();
    walk_.destPitch = walk_.readPitch = pitch_;
    walk_.destOrigin = walk_.readOrigin = -top * pitch_ - left;
    walk_.marks = marks_.data();
  }

  std::vector<Point> Points(int64_t x, int64_t y, int64_t r) {
    Place(x, y, r);
    std::vector<Point> out;
    walk_.ForEachPoint<1>([&](uint8_t* dest, const uint8_t* read) {
      EXPECT_EQ(dest, read);
      out.push_back(At(dest));
    });
    return out;
  }
  std::vector<Span> Spans(int64_t x, int64_t y, int64_t r) {
    Place(x, y, r);
    std::fill(marks_.begin(), marks_.end(), 0);
    std::vector<Span> out;
    walk_.ForEachSpan<1>([&](const morrow::raster::SolidSurfaces& s) {
      EXPECT_EQ(s.height, 1);
      const Point p = At(s.dest);
      out.push_back({p.y, p.x, p.x + s.width - 1});
    });
    return out;
  }

 private:
  void Place(int64_t x, int64_t y, int64_t r) {
    walk_.x = x;
    walk_.y = y;
    walk_.r = r;
  }
  Point At(const uint8_t* p) const {
    const int64_t offset = p - pixels_.data();
    EXPECT_GE(offset, 0);
    EXPECT_LT(offset, static_cast<int64_t>(pixels_.size()) - 1);
    return {left_ + offset % pitch_, top_ + offset / pitch_};
  }

  int64_t left_, top_, pitch_;
  std::vector<uint8_t> pixels_;
  std::vector<uint8_t> marks_;
  CircleWalk walk_;
};

// The walk as written: every step from the start, every span offered and every point made,
// the limits and the row marks applied to each.
struct Limits {
  int64_t left, top, right, bottom;
};

template <class Step>
void StepByStep(int64_t r, Step&& step) {
  int64_t d = 3 - 2 * r, j = r;
  for (int64_t i = 0;; ++i) {
    if (i > 0 && j < i) return;
    const bool shrink = d >= 0;
    step(i, j, shrink);
    if (shrink) {
      d += 4 * (i - j) + 10;
      --j;
    } else {
      d += 4 * i + 6;
    }
  }
}

std::vector<Point> OutlineAsWritten(int64_t x, int64_t y, int64_t r, const Limits& l) {
  std::vector<Point> out;
  auto point = [&](int64_t px, int64_t py) {
    if (px >= l.left && px <= l.right && py >= l.top && py <= l.bottom) out.push_back({px, py});
  };
  StepByStep(r, [&](int64_t i, int64_t j, bool) {
    if (i == 0) {
      point(x - r, y);
      point(x + r, y);
      point(x, y + r);
      point(x, y - r);
      return;
    }
    for (auto [px, py] : {std::pair{x - j, y + i},
                          {x + j, y + i},
                          {x - j, y - i},
                          {x + j, y - i},
                          {x - i, y + j},
                          {x + i, y + j},
                          {x - i, y - j},
                          {x + i, y - j}}) {
      point(px, py);
    }
  });
  return out;
}

std::vector<Span> FilledAsWritten(int64_t x, int64_t y, int64_t r, const Limits& l) {
  std::vector<Span> out;
  // As written, an area without columns would pass spans whose first column lies past the last.
  if (l.right < l.left || l.bottom < l.top) return out;
  std::set<int64_t> marked;
  auto offer = [&](int64_t row, int64_t a, int64_t b) {
    if (b < l.left || a > l.right || row < l.top || row > l.bottom || marked.count(row) != 0) {
      return;
    }
    marked.insert(row);
    out.push_back({row, std::max(a, l.left), std::min(b, l.right)});
  };
  StepByStep(r, [&](int64_t i, int64_t j, bool shrink) {
    if (i == 0) {
      offer(y, x - r, x + r);
      if (shrink) {
        offer(y + r, x, x);
        offer(y - r, x, x);
      }
      return;
    }
    offer(y + i, x - j, x + j);
    offer(y - i, x - j, x + j);
    if (shrink) {
      offer(y + j, x - i, x + i);
      offer(y - j, x - i, x + i);
    }
  });
  return out;
}

TEST(CircleWalk, FilledRadiiCoverTheirPixelsOnceARow) {
  Canvas canvas(0, 0, 99, 99);
  const std::pair<int, int> want[] = {{0, 1}, {1, 5}, {2, 21}, {3, 37}, {5, 97}};
  for (auto [r, pixels] : want) {
    int covered = 0;
    std::set<int64_t> rows;
    for (const Span& s : canvas.Spans(50, 50, r)) {
      EXPECT_TRUE(rows.insert(s.row).second) << "r " << r << " row " << s.row;
      covered += static_cast<int>(s.last - s.first + 1);
    }
    EXPECT_EQ(covered, pixels) << "r " << r;
    EXPECT_EQ(rows.size(), static_cast<size_t>(2 * r + 1));
  }
  // Rows y +- 2 of r = 2 run from x - 1 to x + 1; rows y +- 10 of r = 10 from x - 3 to x + 3.
  const std::vector<Span> two = canvas.Spans(50, 50, 2);
  EXPECT_NE(std::find(two.begin(), two.end(), Span{52, 49, 51}), two.end());
  EXPECT_NE(std::find(two.begin(), two.end(), Span{48, 49, 51}), two.end());
  const std::vector<Span> ten = canvas.Spans(50, 50, 10);
  EXPECT_NE(std::find(ten.begin(), ten.end(), Span{40, 47, 53}), ten.end());
  EXPECT_NE(std::find(ten.begin(), ten.end(), Span{60, 47, 53}), ten.end());
}

TEST(CircleWalk, OutlineVisitsAndPixels) {
  Canvas canvas(0, 0, 99, 99);
  const std::tuple<int, size_t, size_t> want[] = {
      {0, 4, 1}, {1, 4, 4}, {2, 12, 12}, {3, 20, 16}, {4, 28, 24}, {5, 28, 28}, {10, 60, 56}};
  for (auto [r, visits, pixels] : want) {
    const std::vector<Point> points = canvas.Points(50, 50, r);
    EXPECT_EQ(points.size(), visits) << "r " << r;
    EXPECT_EQ(std::set<Point>(points.begin(), points.end()).size(), pixels) << "r " << r;
  }
  // r = 1 leaves the centre alone; r = 3 visits (x +- 2, y +- 2) twice, four apart.
  const std::vector<Point> one = canvas.Points(50, 50, 1);
  EXPECT_EQ(std::count(one.begin(), one.end(), Point{50, 50}), 0);
  const std::vector<Point> three = canvas.Points(50, 50, 3);
  const std::vector<Point> last(three.end() - 8, three.end());
  EXPECT_EQ(last,
            (std::vector<Point>{
                {48, 52}, {52, 52}, {48, 48}, {52, 48}, {48, 52}, {52, 52}, {48, 48}, {52, 48}}));
}

// Random centres, radii and areas, many of them far larger than the area or far from it.
TEST(CircleWalk, GivesThePointsAndSpansOfTheWalkAsWritten) {
  std::mt19937 rng(31);
  int hugeAndSeen = 0;
  for (int n = 0; n < 200; ++n) {
    const int64_t left = static_cast<int64_t>(rng() % 400) - 200;
    const int64_t top = static_cast<int64_t>(rng() % 400) - 200;
    const int64_t right = left + static_cast<int64_t>(rng() % 300) - 3;  // sometimes empty
    const int64_t bottom = top + static_cast<int64_t>(rng() % 300);
    int64_t r = 0, x = 0, y = 0;
    switch (rng() % 4) {
      case 0:  // small, around the area
        r = rng() % 40;
        break;
      case 1:
        r = rng() % 3000;
        break;
      default:  // huge, its arc placed across the area
        r = 50000 + rng() % (rng() % 16 == 0 ? 4000000 : 200000);
        break;
    }
    const double angle = (rng() % 6283) / 1000.0;
    x = left + static_cast<int64_t>(rng() % 300) - static_cast<int64_t>(r * std::cos(angle));
    y = top + static_cast<int64_t>(rng() % 300) - static_cast<int64_t>(r * std::sin(angle));
    if (rng() % 5 == 0) x = left + static_cast<int64_t>(rng() % 300);
    SCOPED_TRACE(::testing::Message() << "circle " << x << "," << y << " r " << r << " area "
                                      << left << "," << top << "," << right << "," << bottom);
    Canvas canvas(left, top, right, bottom);
    const Limits limits{left, top, right, bottom};
    const std::vector<Point> points = canvas.Points(x, y, r);
    ASSERT_EQ(points, OutlineAsWritten(x, y, r, limits));
    ASSERT_EQ(canvas.Spans(x, y, r), FilledAsWritten(x, y, r, limits));
    if (r >= 50000 && !points.empty()) ++hugeAndSeen;
  }
  // The huge circles are not all out of sight.
  EXPECT_GT(hugeAndSeen, 40);
}

// r = 2^31 - 1 with its rightmost column at 637: for hundreds of rows around the centre the arc
// stands in that one column (j stays r while i * i < r - 1/2), so the outline is that column
// and the filled circle every row up to it.
TEST(CircleWalk, RadiusNearTwoToTheThirtyOne) {
  const int64_t r = INT32_MAX;
  const int64_t x = 637 - r;
  Canvas canvas(0, 0, 639, 479);
  const std::vector<Point> points = canvas.Points(x, 100, r);
  ASSERT_EQ(points.size(), 480u);
  for (const Point& p : points) EXPECT_EQ(p.x, 637);
  EXPECT_EQ(std::set<Point>(points.begin(), points.end()).size(), 480u);
  const std::vector<Span> spans = canvas.Spans(x, 100, r);
  ASSERT_EQ(spans.size(), 480u);
  for (const Span& s : spans) EXPECT_EQ(std::make_pair(s.first, s.last), std::make_pair(0l, 637l));
  // Centred on the area, its outline is nowhere near and its inside covers everything.
  EXPECT_TRUE(canvas.Points(320, 240, r).empty());
  const std::vector<Span> inside = canvas.Spans(320, 240, r);
  ASSERT_EQ(inside.size(), 480u);
  for (const Span& s : inside) EXPECT_EQ(std::make_pair(s.first, s.last), std::make_pair(0l, 639l));
  // The walk's own limits at the ends of the int range.
  EXPECT_TRUE(canvas.Points(INT32_MIN, INT32_MIN, r).empty());
  EXPECT_EQ(canvas.Spans(INT32_MAX, 240, r).size(), 480u);
}

TEST(CircleWalk, NoRadiusOrNoAreaVisitsNothing) {
  Canvas canvas(0, 0, 99, 99);
  EXPECT_TRUE(canvas.Points(50, 50, -1).empty());
  EXPECT_TRUE(canvas.Spans(50, 50, INT32_MIN).empty());
  Canvas empty(10, 10, 9, 20);
  EXPECT_TRUE(empty.Points(10, 15, 0).empty());
  EXPECT_TRUE(empty.Spans(10, 15, 5).empty());
  Canvas one(7, 7, 7, 7);
  EXPECT_EQ(one.Spans(7, 7, 3), (std::vector<Span>{{7, 7, 7}}));
  EXPECT_EQ(one.Points(7, 7, 0).size(), 4u);
}

struct ClipCase {
  int32_t x1, y1, x2, y2;
  LineEnds want;
};

// With the area 0, 0, 640, 480.
TEST(LineClip, EndsAtTheEdgesAndTheEndsOfTheRange) {
  const Rect area{0, 0, 640, 480};
  const ClipCase cases[] = {
      {-10, 240, 700, 240, {true, 0, 240, 640, 240}},
      {-10, 100, 100, -10, {true, 0, 90, 91, -1}},
      {0, 0, 640, 0, {true, 0, 0, 640, 0}},
      {639, 479, 640, 480, {true, 639, 479, 640, 480}},
      {640, 0, 0, 0, {true, 639, 0, 0, 0}},
      {5, 5, 5, 5, {}},
      {-10, -10, 700, 500, {true, 3, 0, 640, 456}},  // the frame's quick reject refuses it
      {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, {true, 0, 0, 480, 480}},
      // y = -x - 1 passes by the area's corner; only the clamps bring its ends in.
      {INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, {true, 0, 0, -1, 0}},
      {INT32_MIN, 0, INT32_MAX, 1, {true, 0, 0, 640, 0}},
      {INT32_MIN, 479, INT32_MAX, 479, {true, 0, 479, 640, 479}},
      {0, INT32_MIN, 1, INT32_MAX, {true, 0, 0, 0, 480}},
      {INT32_MAX, INT32_MAX, INT32_MAX - 1, INT32_MAX, {}},
      {700, 10, 800, 20, {}},
  };
  for (const ClipCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2);
    const LineEnds got = ClipLine(c.x1, c.y1, c.x2, c.y2, area);
    EXPECT_EQ(got.ok, c.want.ok);
    if (!got.ok || !c.want.ok) continue;
    EXPECT_EQ(std::tie(got.x1, got.y1, got.x2, got.y2),
              std::tie(c.want.x1, c.want.y1, c.want.x2, c.want.y2));
  }
  EXPECT_FALSE(ClipLine(0, 0, 10, 10, Rect{5, 5, 5, 9}).ok);
}

// Whatever the ends, the start lies inside the area and the end at most one pixel outside.
TEST(LineClip, KeepsTheStartInsideForAnyEnds) {
  std::mt19937 rng(8);
  const Rect area{3, 4, 17, 9};
  const int32_t picks[] = {INT32_MIN, INT32_MIN + 1, -1000000,      -1,       0, 2, 3, 4, 9, 16, 17,
                           18,        1000000,       INT32_MAX - 1, INT32_MAX};
  for (int n = 0; n < 20000; ++n) {
    auto pick = [&] {
      return rng() % 3 == 0 ? static_cast<int32_t>(rng()) : picks[rng() % std::size(picks)];
    };
    const int32_t x1 = pick(), y1 = pick(), x2 = pick(), y2 = pick();
    const LineEnds e = ClipLine(x1, y1, x2, y2, area);
    if (!e.ok) continue;
    ASSERT_TRUE(e.x1 >= 3 && e.x1 < 17 && e.y1 >= 4 && e.y1 < 9)
        << x1 << "," << y1 << " " << x2 << "," << y2;
    ASSERT_TRUE(e.x2 >= 2 && e.x2 <= 17 && e.y2 >= 3 && e.y2 <= 9);
    ASSERT_FALSE(e.x1 == e.x2 && e.y1 == e.y2);
  }
}

}  // namespace
