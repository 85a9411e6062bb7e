// Digit numbers: which digit pictures are drawn where, for every style.
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/entry_points.h"
#include "game/flow/frame_state.h"
#include "game/flow/resource_tables.h"
#include "tests/support/library_recorder.h"

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

}  // namespace
