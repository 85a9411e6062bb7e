// Digit numbers: which digit pictures are drawn where, for every style; the turned rectangle.
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/directions.h"
#include "game/core/frame_state.h"
#include "game/core/resource_tables.h"
#include "game/view/rota_rect.h"
#include "game/view/view.h"
#include "morrow/recording/library_recorder.h"

namespace {

using namespace veyrdale;
using testsupport::Recorder;

// Stand-in handles that name their table and digit: plain 1000 + d, small 2000 + d, pictures
// 3000 + d.
class Numbers : public ::testing::Test {
 protected:
  void SetUp() override {
    Recorder().Reset();
    for (int d = 0; d < 10; ++d) {
      DigitGraphs[d] = 1000 + d;
      SmallDigitGraphs[d] = 2000 + d;
      PictureSlots[kPictureDigitSlot][d] = 3000 + d;
    }
  }
  void TearDown() override {
    for (int d = 0; d < 10; ++d) {
      DigitGraphs[d] = SmallDigitGraphs[d] = PictureSlots[kPictureDigitSlot][d] = -1;
    }
    Recorder().Reset();
  }
};

struct Digit {
  int x;
  int handle;
};

TEST_F(Numbers, DigitsFromTheRightByStyle) {
  struct Case {
    const char* name;
    int x, value, style;
    uint8_t small;
    std::vector<Digit> digits;  // in drawing order: units first
  } cases[] = {
      {"zero", 100, 0, 0, 0, {{100, 1000}}},
      {"plain 12 apart", 100, 305, 1, 0, {{100, 1005}, {88, 1000}, {76, 1003}}},
      {"frame rate: small 9 apart", 320, 60, 0, 1, {{320, 2000}, {311, 2006}}},
      {"nine digits",
       50,
       0,
       7,
       0,
       {{50, 1000},
        {38, 1000},
        {26, 1000},
        {14, 1000},
        {2, 1000},
        {-10, 1000},
        {-22, 1000},
        {-34, 1000},
        {-46, 1000}}},
      {"nine digits, small",
       200,
       42,
       7,
       1,
       {{200, 2002},
        {191, 2004},
        {182, 2000},
        {173, 2000},
        {164, 2000},
        {155, 2000},
        {146, 2000},
        {137, 2000},
        {128, 2000}}},
      {"centred, three digits", 100, 123, 8, 1, {{108, 2003}, {100, 2002}, {92, 2001}}},
      {"centred, one digit", 100, 7, 8, 1, {{100, 2007}}},
      {"centred needs small", 100, 12, 8, 0, {{100, 1002}, {88, 1001}}},
      {"pictures 12 apart", 64, 98, 9, 0, {{64, 3008}, {52, 3009}}},
      {"pictures ignore small", 64, 98, 9, 1, {{64, 3008}, {52, 3009}}},
      {"negative draws 0", 10, -45, 0, 0, {{10, 1000}}},
      {"most negative",
       10,
       INT_MIN,
       7,
       1,
       {{10, 2000},
        {1, 2000},
        {-8, 2000},
        {-17, 2000},
        {-26, 2000},
        {-35, 2000},
        {-44, 2000},
        {-53, 2000},
        {-62, 2000}}},
      {"ten digits",
       500,
       1000000000,
       0,
       0,
       {{500, 1000},
        {488, 1000},
        {476, 1000},
        {464, 1000},
        {452, 1000},
        {440, 1000},
        {428, 1000},
        {416, 1000},
        {404, 1000},
        {392, 1001}}},
      {"largest",
       500,
       INT_MAX,
       7,
       0,
       {{500, 1007},
        {488, 1004},
        {476, 1006},
        {464, 1003},
        {452, 1008},
        {440, 1004},
        {428, 1007},
        {416, 1004},
        {404, 1001},
        {392, 1002}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder().ClearCalls();
    DrawNumber(c.x, 33, c.value, c.style, c.small);
    std::vector<std::string> got;
    for (const auto& call : Recorder().Calls()) got.push_back(call.Text());
    std::vector<std::string> want;
    for (const Digit& d : c.digits) {
      want.push_back("DrawGraph " + std::to_string(d.x) + " 33 " + std::to_string(d.handle) + " 1");
    }
    EXPECT_EQ(got, want);
  }
}

// The corners DrawModiGraph received, in order: top left, top right, bottom right, bottom left.
std::vector<int64_t> RotaRectCorners(float cx, float cy, float w, float h, int heading) {
  Recorder().ClearCalls();
  DrawRotaRectGraph(cx, cy, w, h, heading, 77);
  std::vector<int64_t> corners;
  const auto calls = Recorder().Named("DrawModiGraph");
  if (calls.size() != 1) return corners;
  EXPECT_EQ(calls[0].Int(8), 77);
  EXPECT_EQ(calls[0].Int(9), 1) << "transparent";
  for (size_t i = 0; i < 8; ++i) corners.push_back(calls[0].Int(i));
  return corners;
}

TEST(RotaRectGraph, AxisAlignedAtHeading0) {
  Recorder().Reset();
  BuildTrigTables();
  struct Case {
    float cx, cy, w, h;
    std::vector<int64_t> corners;
  } cases[] = {
      {320, 240, 100, 50, {270, 215, 370, 215, 370, 265, 270, 265}},
      {0, 0, 10, 10, {-5, -5, 5, -5, 5, 5, -5, 5}},
      // Truncated toward zero, not rounded down.
      {10.75f, -3.5f, 3, 2, {9, -4, 12, -4, 12, -2, 9, -2}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RotaRectCorners(c.cx, c.cy, c.w, c.h, 0), c.corners) << c.cx << " " << c.cy;
    // Only the heading's low 8 bits count.
    EXPECT_EQ(RotaRectCorners(c.cx, c.cy, c.w, c.h, 256), c.corners);
    EXPECT_EQ(RotaRectCorners(c.cx, c.cy, c.w, c.h, -1024), c.corners);
  }
}

TEST(RotaRectGraph, TurnedByTheHeading) {
  Recorder().Reset();
  BuildTrigTables();
  // A corner (x, y) turns to (c x - s y, s x + c y) with s the negated sine: heading 64 sends the
  // top left (-50, -25) to (-25, 50), below the centre on the screen.
  struct Case {
    int heading;
    std::vector<int64_t> corners;
  } cases[] = {
      {64, {295, 290, 295, 190, 345, 190, 345, 290}},
      {-192, {295, 290, 295, 190, 345, 190, 345, 290}},
      {128, {370, 265, 270, 265, 270, 215, 370, 215}},
      {192, {345, 190, 345, 290, 295, 290, 295, 190}},
      {448, {345, 190, 345, 290, 295, 290, 295, 190}},
  };
  for (const Case& c : cases) {
    const std::vector<int64_t> got = RotaRectCorners(320, 240, 100, 50, c.heading);
    ASSERT_EQ(got.size(), 8u) << c.heading;
    // Within a pixel: the tables hold rounded values off the axes.
    for (size_t i = 0; i < 8; ++i) EXPECT_NEAR(got[i], c.corners[i], 1) << c.heading << " " << i;
  }
}

}  // namespace
