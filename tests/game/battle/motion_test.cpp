#include "game/battle/motion.h"

#include <climits>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

TEST(BlendVelocity, WeightsPullTowardTheTarget) {
  struct Case {
    float vx, vy, tx, ty;
    int wOld, wNew;
    float wantX, wantY;
  } cases[] = {
      {0, 0, 3.5f, 0, 5, 1, 0.583333313f, 0},
      {1, -2, 4, 8, 0, 1, 4, 8},             // (0, 1) takes the target
      {1, -2, 4, 8, 1, 0, 1, -2},            // (1, 0) keeps the velocity
      {2, 2, 0, 0, 0, 0, 2, 2},              // no weight at all: unchanged
      {2, 2, 9, 9, -3, 2, 2, 2},             // a negative sum: unchanged
      {2, 2, 9, 9, 3, -3, 2, 2},             // a zero sum: unchanged
      {2, 4, 4, 8, INT_MAX, INT_MAX, 3, 6},  // the sum does not overflow
      {10, 0, 0, 10, 3, 1, 7.5f, 2.5f},
  };
  for (const Case& c : cases) {
    float vx = c.vx;
    float vy = c.vy;
    veyrdale::BlendVelocity(&vx, &vy, c.tx, c.ty, c.wOld, c.wNew);
    EXPECT_EQ(vx, c.wantX) << c.wOld << "/" << c.wNew;
    EXPECT_EQ(vy, c.wantY) << c.wOld << "/" << c.wNew;
  }
}

TEST(HitTests, CircleComparesTruncatedPoints) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    float x1, y1, x2, y2;
    int r;
    bool want;
  } cases[] = {
      {0, 0, 10, 0, 10, false},  // exactly on the radius
      {0, 0, 9.9f, 0, 10, true},
      {3, 3, 3, 3, 0, false},   // radius 0 never hits
      {3, 3, 3, 3, -2, false},  // nor a negative one
      {3, 3, 3, 3, 1, true},
      {-0.9f, 0, 0.9f, 0, 1, true},  // both truncate to 0
      {-1.5f, 0, 0, 0, 1, false},    // -1.5 truncates to -1, not -2
      {0, 0, 6, 8, 11, true},
      {0, 0, 1e9f, 0, INT_MAX, true},
      // Truncation saturates: 4e9 apart is more than INT_MAX, though the 32-bit distance is capped.
      {-2e9f, 0, 2e9f, 0, INT_MAX, false},
      {nan, 0, 0, 0, 1, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(veyrdale::CheckCircleHit(c.x1, c.y1, c.x2, c.y2, c.r), c.want)
        << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2 << " r" << c.r;
  }
}

TEST(HitTests, BoxesOverlapOnlyStrictly) {
  struct Case {
    float x1, y1, x2, y2;
    int w, h;
    bool want;
  } cases[] = {
      {0, 0, 10, 0, 5, 5, false},  // edges touch
      {0, 0, 9.5f, 0, 5, 5, true},    {0, 0, -9.5f, 0, 5, 5, true}, {0, 0, -10, 0, 5, 5, false},
      {0, 0, 0, 9.5f, 5, 5, true},    {0, 0, 0, 10, 5, 5, false},   {0, 0, 0, -10, 5, 5, false},
      {0, 0, 9.5f, 9.5f, 5, 5, true}, {0, 0, 0, 0, 0, 0, false},  // empty boxes never overlap
  };
  for (const Case& c : cases) {
    EXPECT_EQ(veyrdale::CheckBoxHit(c.x1, c.y1, c.x2, c.y2, c.w, c.h), c.want)
        << c.x2 << "," << c.y2 << " " << c.w << "x" << c.h;
  }
}

}  // namespace
