// G_DDraw_DrawLine, G_DDraw_DrawFrameBox, G_DDraw_DrawCircle and the plain triangle
// (DrawPlainTriangleDDraw) on a started library: the pixels of the edge cases, every point or
// span once or twice as the walks make them (counted by an add that grows blue by one a visit),
// the worked values of the modes and layouts, and bad input (ends of the int range, one-pixel
// areas, every mode from -1 to 9) that never touches a pixel outside the draw area.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "morrow/raster/triangle.h"
#include "morrow/softdraw/raster.h"
#include "tests/morrow/softdraw/raster_fixture.h"

namespace {

using testsupport::RasterFixture;
using Pt = std::pair<int, int>;

constexpr uint32_t kWhite = 0xFFFFFFFFu;  // the packed 32-bit white, fill bits included

// A draw that adds 1 to blue a visit at 32 bits (S = T[255][2] = 1 per channel; green and red
// take the lowest bit by OR and stay at 1).
void CountVisits() {
  morrow::SetBlendMode(2, 255);
}
constexpr uint32_t kCounter = 0x020202;

class ShapeFrame : public RasterFixture {
 protected:
  // Every pixel of the back screen.
  static std::vector<uint32_t> Snapshot() {
    std::vector<uint32_t> out;
    platform::LockedRect r;
    if (Back()->Lock(nullptr, &r) != platform::DisplayResult::kOk) return out;
    const int bytes = static_cast<int>(r.format.bitCount / 8);
    for (int y = 0; y < r.height; ++y) {
      for (int x = 0; x < r.width; ++x) {
        out.push_back(platform::ReadPixel(r.bits + y * r.pitch + x * bytes, bytes));
      }
    }
    Back()->Unlock();
    return out;
  }
  // The bytes of every row of the back screen, padding left out.
  static std::vector<uint8_t> RawRows() {
    std::vector<uint8_t> out;
    platform::LockedRect r;
    if (Back()->Lock(nullptr, &r) != platform::DisplayResult::kOk) return out;
    const size_t row = static_cast<size_t>(r.width) * (r.format.bitCount / 8);
    for (int y = 0; y < r.height; ++y)
      out.insert(out.end(), r.bits + y * r.pitch, r.bits + y * r.pitch + row);
    Back()->Unlock();
    return out;
  }
  // The pixels that differ from background, with their values.
  static std::map<Pt, uint32_t> Changed(uint32_t background) {
    std::map<Pt, uint32_t> out;
    const std::vector<uint32_t> all = Snapshot();
    const int width = Back()->width();
    for (size_t i = 0; i < all.size(); ++i) {
      if (all[i] != background)
        out[{static_cast<int>(i) % width, static_cast<int>(i) / width}] = all[i];
    }
    return out;
  }
  static void ResetAfterRun() {
    morrow::EndLibrary();
    morrow::GetDrawState() = morrow::DrawState{};
    unsetenv("MORROW_VIDMEM");
    unsetenv("MORROW_PIXEL16");
  }
  // Runs check on a target in video memory (blending reads a staged copy) and on one in system
  // memory (blending reads in place), each on a library of its own.
  template <class Check>
  void InBothMemories(int depth, const char* layout, Check&& check) {
    for (bool video : {true, false}) {
      SCOPED_TRACE(video ? "video memory" : "system memory");
      StartAt(depth, layout, video);
      check(video);
      ExpectNothingHeld();
      ResetAfterRun();
    }
  }
  static std::vector<Pt> Keys(const std::map<Pt, uint32_t>& m) {
    std::vector<Pt> out;
    for (const auto& [p, v] : m) out.push_back(p);
    return out;
  }
  // Visits per pixel from a counting draw onto black.
  static std::map<Pt, int> Visits() {
    std::map<Pt, int> out;
    for (const auto& [p, v] : Changed(0)) out[p] = static_cast<int>(v & 0xFF);
    return out;
  }
};

std::vector<Pt> Run(int x, int y, int sx, int sy, int n) {
  std::vector<Pt> out;
  for (int k = 0; k < n; ++k) out.push_back({x + sx * k, y + sy * k});
  std::sort(out.begin(), out.end());
  return out;
}

struct LineCase {
  const char* name;
  int x1, y1, x2, y2;
  std::vector<Pt> want;
};

void PrintTo(const LineCase& c, std::ostream* os) {
  *os << c.name;
}

class LineFrame : public ShapeFrame, public ::testing::WithParamInterface<LineCase> {};

TEST_P(LineFrame, DrawsThePixelsOfThePart) {
  const LineCase& c = GetParam();
  InBothMemories(32, nullptr, [&](bool) {
    PaintBack(0);
    EXPECT_EQ(morrow::G_DDraw_DrawLine(c.x1, c.y1, c.x2, c.y2, kWhite), 0);
    std::vector<Pt> want = c.want;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(Keys(Changed(0)), want);
    // Blended, each pixel is visited once.
    PaintBack(0);
    CountVisits();
    EXPECT_EQ(morrow::G_DDraw_DrawLine(c.x1, c.y1, c.x2, c.y2, Screen(kCounter)), 0);
    for (const auto& [p, n] : Visits()) EXPECT_EQ(n, 1);
  });
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, LineFrame,
    ::testing::Values(
        LineCase{"HalfSlope",
                 0,
                 0,
                 10,
                 5,
                 {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {6, 3}, {7, 3}, {8, 4}, {9, 4}}},
        LineCase{"Leftward", 10, 0, 0, 0, Run(10, 0, -1, 0, 10)}, LineCase{"Point", 5, 5, 5, 5, {}},
        LineCase{"ErrorTermStartsAtZero", 0, 0, 10, 1, Run(0, 0, 1, 0, 10)},
        LineCase{"TieIsXMajor", 0, 0, 5, 5, Run(0, 0, 1, 1, 5)},
        LineCase{"Steep", 2, 0, 3, 4, {{2, 0}, {2, 1}, {2, 2}, {2, 3}}},
        LineCase{"AcrossTheArea", -10, 240, 700, 240, Run(0, 240, 1, 0, 640)},
        LineCase{"QuickReject", -10, -10, 700, 500, {}},
        LineCase{"ClippedBothWays", -10, 100, 100, -10, Run(0, 90, 1, -1, 91)},
        LineCase{"EndOnTheRightEdge", 630, 5, 640, 5, Run(630, 5, 1, 0, 10)},
        LineCase{"EndOnTheBottomEdge", 5, 470, 5, 480, Run(5, 470, 0, 1, 10)},
        LineCase{"EndOnTheLeftEdge", 10, 3, 0, 3, Run(10, 3, -1, 0, 10)},
        LineCase{"EndOnTheTopEdge", 3, 10, 3, 0, Run(3, 10, 0, -1, 10)},
        LineCase{"EndPastTheLeftEdge", 3, 7, -1, 7, Run(3, 7, -1, 0, 4)},
        LineCase{"StartOnTheRightEdge", 640, 7, 630, 7, Run(639, 7, -1, 0, 9)},
        LineCase{"DiagonalIntoTheCorner", 635, 475, 645, 485, Run(635, 475, 1, 1, 5)},
        LineCase{"AcrossTheIntRange", INT_MIN, 240, INT_MAX, 240, Run(0, 240, 1, 0, 640)},
        LineCase{"DownTheIntRange", 0, INT_MIN, 1, INT_MAX, Run(0, 0, 0, 1, 480)},
        LineCase{"CornerToCornerOfTheIntRange", INT_MIN, INT_MIN, INT_MAX, INT_MAX, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShapeFrame, OutlinesVisitTheirPixelsAsThePartCounts) {
  StartAt(32, nullptr, false);
  struct OutlineCase {
    int x1, y1, x2, y2;
    std::map<Pt, int> want;
  };
  std::map<Pt, int> square;
  for (int k = 0; k < 10; ++k) {
    for (Pt p : {Pt{10 + k, 10}, Pt{10 + k, 19}, Pt{10, 10 + k}, Pt{19, 10 + k}}) square[p] = 1;
  }
  std::map<Pt, int> narrow{{{10, 10}, 1}, {{10, 19}, 1}};
  for (int y = 11; y <= 18; ++y) narrow[{10, y}] = 2;
  std::map<Pt, int> flat{{{19, 10}, 1}, {{10, 11}, 1}};
  for (int x = 10; x <= 18; ++x) flat[{x, 10}] = 2;
  const OutlineCase cases[] = {
      {10, 10, 20, 20, square}, {10, 10, 11, 20, narrow}, {10, 10, 20, 11, flat}};
  for (const OutlineCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.x1 << "," << c.y1 << "," << c.x2 << "," << c.y2);
    PaintBack(0);
    CountVisits();
    EXPECT_EQ(morrow::G_DDraw_DrawFrameBox(c.x1, c.y1, c.x2, c.y2, Screen(kCounter)), 0);
    EXPECT_EQ(Visits(), c.want);
  }
  EXPECT_EQ(square.size(), 36u);
  // Reversed corners are not ordered: the four lines run as given, 10 + 11 + 11 + 12 visits.
  PaintBack(0);
  EXPECT_EQ(morrow::G_DDraw_DrawFrameBox(20, 20, 10, 10, Screen(kCounter)), 0);
  int visits = 0;
  for (const auto& [p, n] : Visits()) {
    visits += n;
    EXPECT_TRUE(p.first >= 9 && p.first <= 20 && p.second >= 9 && p.second <= 21);
  }
  EXPECT_EQ(visits, 44);
  // Alpha at 0 changes nothing.
  PaintBack(0);
  morrow::SetBlendMode(1, 0);
  EXPECT_EQ(morrow::G_DDraw_DrawLine(0, 0, 100, 50, kWhite), 0);
  EXPECT_EQ(morrow::G_DDraw_DrawFrameBox(10, 10, 20, 20, kWhite), 0);
  EXPECT_TRUE(Changed(0).empty());
}

TEST_F(ShapeFrame, CirclesCoverTheirPixels) {
  StartAt(32);
  const std::pair<int, size_t> filled[] = {{0, 1}, {1, 5}, {3, 37}, {5, 97}};
  for (auto [r, n] : filled) {
    PaintBack(0);
    EXPECT_EQ(morrow::G_DDraw_DrawCircle(100, 100, r, kWhite, 1), 0);
    EXPECT_EQ(Changed(0).size(), n) << "r " << r;
  }
  // A filled circle blends each of its pixels once, wherever it reads.
  PaintBack(0);
  CountVisits();
  EXPECT_EQ(morrow::G_DDraw_DrawCircle(100, 100, 10, Screen(kCounter), 1), 0);
  for (const auto& [p, n] : Visits()) EXPECT_EQ(n, 1);
  // Its centre left of the area: every row that reaches in starts at the area's left edge.
  morrow::SetBlendMode(0, 0);
  morrow::SetClipRect(100, 0, 640, 100);
  PaintBack(0);
  EXPECT_EQ(morrow::G_DDraw_DrawCircle(90, 90, 20, kWhite, 1), 0);
  const std::map<Pt, uint32_t> cut = Changed(0);
  EXPECT_EQ(cut.count({100, 90}), 1u);
  EXPECT_EQ(cut.count({110, 90}), 1u);
  EXPECT_EQ(cut.count({111, 90}), 0u);
  // Crossing the bottom: rows 70 to 99 only.
  for (const auto& [p, v] : cut) EXPECT_TRUE(p.first >= 100 && p.second >= 70 && p.second < 100);
  EXPECT_EQ(cut.count({100, 99}), 1u);
}

// Outline points the walk makes twice (r = 3: (x +- 2, y +- 2)) blend twice over themselves when
// the target is read in place and once from a staged copy.
TEST_F(ShapeFrame, RepeatedOutlinePointsDependOnTheReadSurface) {
  InBothMemories(32, nullptr, [&](bool video) {
    PaintBack(0);
    CountVisits();
    EXPECT_EQ(morrow::G_DDraw_DrawCircle(100, 100, 3, Screen(kCounter), 0), 0);
    const std::map<Pt, int> visits = Visits();
    EXPECT_EQ(visits.size(), 16u);
    int twice = 0;
    for (const auto& [p, n] : visits) twice += n == 2 ? 1 : 0;
    EXPECT_EQ(twice, video ? 0 : 4);
    EXPECT_EQ(visits.at({98, 102}), video ? 1 : 2);
  });
}

// r = 0, alpha at 128, white onto black at 5:6:5: four visits over themselves, or the once-blended
// value from the staged copy.
TEST_F(ShapeFrame, PointCircleBlendsFourTimesInPlace) {
  InBothMemories(16, "565", [&](bool video) {
    PaintBack(0);
    morrow::SetBlendMode(1, 128);
    EXPECT_EQ(morrow::G_DDraw_DrawCircle(50, 50, 0, 0xFFFF, 0), 0);
    EXPECT_EQ(At(50, 50), video ? 0x7BEFu : 0xDF3Bu);
    EXPECT_EQ(Changed(0).size(), 1u);
  });
}

struct ModeCase {
  const char* name;
  int depth;
  const char* layout;
  uint32_t background;
  int mode;
  int p;
  uint32_t colour;               // packed
  uint32_t want;                 // the background where nothing is drawn
  int bright[3] = {-1, -1, -1};  // -1: none
};

void PrintTo(const ModeCase& c, std::ostream* os) {
  *os << c.name;
}

class ShapeModes : public ShapeFrame, public ::testing::WithParamInterface<ModeCase> {};

// The line's pixel, the filled circle's and the outline's single point give the same worked value
// in every mode and layout.
TEST_P(ShapeModes, GiveTheWorkedPixel) {
  const ModeCase& c = GetParam();
  StartAt(c.depth, c.layout);
  PaintBack(c.background);
  morrow::SetBlendMode(c.mode, c.p);
  if (c.bright[0] >= 0) morrow::SetModulationColor(c.bright[0], c.bright[1], c.bright[2]);
  EXPECT_EQ(morrow::G_DDraw_DrawLine(10, 10, 11, 10, c.colour), 0);
  EXPECT_EQ(morrow::G_DDraw_DrawCircle(30, 30, 2, c.colour, 1), 0);
  EXPECT_EQ(morrow::G_DDraw_DrawCircle(50, 50, 1, c.colour, 0), 0);
  EXPECT_EQ(At(10, 10), c.want);
  EXPECT_EQ(At(28, 30), c.want);
  EXPECT_EQ(At(51, 50), c.want);
  EXPECT_EQ(At(50, 50), c.background);
  EXPECT_EQ(At(11, 10), c.background);
}

INSTANTIATE_TEST_SUITE_P(
    Worked, ShapeModes,
    ::testing::Values(
        ModeCase{"Plain32", 32, nullptr, 0, 0, 0, 0xFF102030, 0xFF102030},
        ModeCase{"AlphaAt255IsPlain32", 32, nullptr, 0, 1, 255, 0xFF102030, 0xFF102030},
        ModeCase{"AlphaAt254WhiteOnWhite32", 32, nullptr, 0xFFFFFF, 1, 254, kWhite, 0x00FDFDFD},
        ModeCase{"AddWhiteOnBlack32", 32, nullptr, 0, 2, 255, kWhite, 0x00FEFEFE},
        ModeCase{"AddWhiteOnWhite32", 32, nullptr, 0xFFFFFF, 2, 255, kWhite, 0x01FFFFFF},
        ModeCase{"SubtractGuardBits32", 32, nullptr, 0x646464, 3, 255, 0xFF323232, 0x00353533},
        ModeCase{"MultiplyAtZero32", 32, nullptr, 0xC86432, 4, 0, 0xFF8040FF, 0x00641932},
        ModeCase{"AlphaAtZeroNothing32", 32, nullptr, 0x646464, 1, 0, kWhite, 0x646464},
        ModeCase{"ModeFiveNothing32", 32, nullptr, 0x646464, 5, 128, kWhite, 0x646464},
        ModeCase{"ModeMinusOneNothing32", 32, nullptr, 0x646464, -1, 128, kWhite, 0x646464},
        // The colour is brightened before the blend: 255 * 128 / 255 = 128, then 64 over black.
        ModeCase{
            "BrightBeforeTheBlend32", 32, nullptr, 0, 1, 128, kWhite, 0x00404040, {128, 128, 128}},
        ModeCase{"AlphaWhiteOverWhite565", 16, "565", 0xFFFF, 1, 128, 0xFFFF, 0xF7DE},
        ModeCase{"AddWhiteOntoBlack565", 16, "565", 0x0000, 2, 255, 0xFFFF, 0xF7DE},
        ModeCase{"SubtractWhiteFromWhite565", 16, "565", 0xFFFF, 3, 255, 0xFFFF, 0x0801},
        ModeCase{"MultiplyAtZero565", 16, "565", 0x8410, 4, 0, 0x8410, 0x4208},
        ModeCase{"ModeSixNothing565", 16, "565", 0x1234, 6, 128, 0xFFFF, 0x1234},
        ModeCase{"SubtractBlackFromBlack555", 16, "555", 0x0000, 3, 255, 0x8000, 0x0420},
        ModeCase{"AddWhiteOnWhite555", 16, "555", 0x7FFF, 2, 255, 0xFFFF, 0xFFFF},
        ModeCase{"Add444", 16, "444", 0x0888, 2, 255, 0x0888, 0x0FFF},
        ModeCase{"Subtract444", 16, "444", 0x0888, 3, 255, 0x0888, 0x0331},
        ModeCase{"Alpha444", 16, "444", 0x0FFF, 1, 128, 0x0808, 0x0B7B},
        ModeCase{"Multiply444", 16, "444", 0x0F3F, 4, 0, 0x0888, 0x0818},
        ModeCase{"EightBitsIgnoreTheMode", 8, nullptr, 0x03, 1, 0, 0x07, 0x07},
        ModeCase{"EightBitsIgnoreModeNine", 8, nullptr, 0x03, 9, 0, 0x05, 0x05}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the plain triangle ----

class PlainTriangle : public ShapeFrame, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(PlainTriangle, GivesTheWorkedPixelWithAndWithoutVideoMemory) {
  const ModeCase& c = GetParam();
  InBothMemories(c.depth, c.layout, [&](bool) {
    PaintBack(c.background);
    morrow::SetBlendMode(c.mode, c.p);
    if (c.bright[0] >= 0) morrow::SetModulationColor(c.bright[0], c.bright[1], c.bright[2]);
    EXPECT_EQ(morrow::DrawPlainTriangleDDraw(10, 10, 30, 10, 10, 30, c.colour), 0);
    EXPECT_EQ(At(10, 10), c.want);
    EXPECT_EQ(At(20, 12), c.want);
    EXPECT_EQ(At(10, 30), c.background);
  });
}

// S = T[255][c]: 0x21 gives 0x20, 0x11 gives 0x10, 6 gives 5.
INSTANTIATE_TEST_SUITE_P(
    Worked, PlainTriangle,
    ::testing::Values(
        ModeCase{"Add32", 32, nullptr, 0x101010, 2, 255, 0x212121, 0x00303030},
        ModeCase{"AddCarriesIntoBit24", 32, nullptr, 0xF0F0F0, 2, 255, 0x212121, 0x01FFFFFF},
        ModeCase{"Subtract32", 32, nullptr, 0x808080, 3, 255, 0x111111, 0x00717170},
        ModeCase{"SubtractBorrows32", 32, nullptr, 0x040404, 3, 255, 0x060606, 0x00010000},
        ModeCase{"PlainKeepsTheTopByte", 32, nullptr, 0, 0, 0, 0xAB102030, 0xAB102030},
        ModeCase{"BrightClearsTheTopByte",
                 32,
                 nullptr,
                 0,
                 0,
                 0,
                 0xAB102030,
                 0x000F1F2F,
                 {254, 255, 255}},
        ModeCase{"AlphaAt255IsPlain", 32, nullptr, 0, 1, 255, 0xAB102030, 0xAB102030},
        // T[128][T[128][255]] = 63 plus T[127][255] = 126.
        ModeCase{"AlphaWithBright",
                 32,
                 nullptr,
                 0xFFFFFF,
                 1,
                 128,
                 0xFFFFFF,
                 0x00BDBDBD,
                 {128, 128, 128}},
        ModeCase{"MultiplyDrawsNothing", 32, nullptr, 0x123456, 4, 0, 0xFFFFFF, 0x123456},
        ModeCase{"ModeSixDrawsNothing", 32, nullptr, 0x123456, 6, 128, 0xFFFFFF, 0x123456},
        ModeCase{"SubtractAtZeroDrawsNothing", 32, nullptr, 0x123456, 3, 0, 0xFFFFFF, 0x123456},
        // S = 0x0821 from 0x1042 at 255.
        ModeCase{"Subtract565", 16, "565", 0xFFFF, 3, 255, 0x1042, 0xFFDE},
        ModeCase{"Add565", 16, "565", 0xFFFF, 2, 255, 0x1042, 0xFFFF},
        ModeCase{"Bright565", 16, "565", 0, 0, 0, 0xFFFF, 0x7BEF, {128, 128, 128}},
        ModeCase{"Multiply565DrawsNothing", 16, "565", 0x1234, 4, 9, 0xFFFF, 0x1234},
        ModeCase{"GenericIgnoresTheBright", 16, "444", 0, 0, 0, 0x0ABC, 0x0ABC, {0, 0, 0}},
        // A generic layout saturates by red's width: S = 0x0700 onto red 15 gives 15 and keeps
        // red's carry in bit 12, green untouched.
        ModeCase{"GenericAddSaturates444", 16, "444", 0x0F00, 2, 255, 0x0800, 0x1F00},
        // S = 0x0900, its red taken as 8: red 3 less 8 is below 0 and becomes 0 (a shift of 5
        // would leave red 1 and clear green); green 8, its lowest bit counted as 1, gives 9.
        ModeCase{"GenericSubtractClears444", 16, "444", 0x0388, 3, 255, 0x0A00, 0x0098},
        ModeCase{"EightBitsFillWithTheLowByte", 8, nullptr, 0x03, 4, 0, 0x1207, 0x07}),
    [](const auto& info) { return std::string(info.param.name); });

// The rows the set-up walks: each pixel of every row once, nothing else.
TEST_F(ShapeFrame, PlainTrianglesCoverTheRowsOfTheSetUp) {
  StartAt(32, nullptr, false);  // read in place: a row the walk visits twice is blended twice
  std::mt19937 rng(107);
  for (int n = 0; n < 20; ++n) {
    const morrow::raster::TriangleVertex v[3] = {
        {static_cast<int32_t>(rng() % 700) - 30, static_cast<int32_t>(rng() % 540) - 30, 0, 0},
        {static_cast<int32_t>(rng() % 700) - 30, static_cast<int32_t>(rng() % 540) - 30, 0, 0},
        {static_cast<int32_t>(rng() % 700) - 30, static_cast<int32_t>(rng() % 540) - 30, 0, 0}};
    const morrow::Rect area{static_cast<int32_t>(rng() % 100), static_cast<int32_t>(rng() % 100),
                            640 - static_cast<int32_t>(rng() % 100), 480};
    morrow::raster::TriangleSetup t;
    if (morrow::raster::SetUpTriangle(v, &t) != morrow::raster::TriangleRefusal::kNone) continue;
    std::map<Pt, int> want;
    morrow::raster::WalkTriangleRows(t, area,
                                     [&](int32_t y, int32_t lx, int32_t count, uint32_t, uint32_t) {
                                       for (int i = 0; i < count; ++i) ++want[{lx + i, y}];
                                     });
    PaintBack(0);
    morrow::SetClipRect(area.left, area.top, area.right, area.bottom);
    CountVisits();
    EXPECT_EQ(morrow::DrawPlainTriangleDDraw(v[0].x, v[0].y, v[1].x, v[1].y, v[2].x, v[2].y,
                                             Screen(kCounter)),
              0);
    EXPECT_EQ(Visits(), want) << n;
  }
}

TEST_F(ShapeFrame, PlainTrianglesThatCannotBeDrawn) {
  StartAt(32);
  PaintBack(0);
  // Collinear and repeated corners have no area; corners beyond the 14.18 range are refused.
  EXPECT_EQ(morrow::DrawPlainTriangleDDraw(0, 0, 5, 5, 10, 10, kWhite), -1);
  EXPECT_EQ(morrow::DrawPlainTriangleDDraw(3, 3, 3, 3, 9, 1, kWhite), -1);
  EXPECT_EQ(morrow::DrawPlainTriangleDDraw(3, 3, 3, 3, 3, 3, kWhite), -1);
  EXPECT_EQ(morrow::DrawPlainTriangleDDraw(0, 0, 8192, 0, 0, 10, kWhite), -1);
  // Wholly outside: nothing to lock.
  const uint64_t locks = Back()->LockCount();
  EXPECT_EQ(morrow::DrawPlainTriangleDDraw(700, 10, 800, 10, 700, 100, kWhite), 0);
  EXPECT_EQ(Back()->LockCount(), locks);
  EXPECT_TRUE(Changed(0).empty());
  // Straddling the left edge: the rows start at the edge.
  morrow::SetClipRect(100, 0, 640, 480);
  EXPECT_EQ(morrow::DrawPlainTriangleDDraw(50, 100, 150, 100, 50, 200, kWhite), 0);
  const std::map<Pt, uint32_t> drawn = Changed(0);
  EXPECT_EQ(drawn.count({100, 100}), 1u);
  EXPECT_EQ(drawn.count({150, 100}), 1u);
  for (const auto& [p, v] : drawn) EXPECT_GE(p.first, 100);
}

TEST_F(ShapeFrame, NothingWithoutADisplay) {
  morrow::GetDrawState().drawArea = morrow::Rect{0, 0, 640, 480};
  EXPECT_EQ(morrow::G_DDraw_DrawLine(0, 0, 8, 8, 0), -1);
  EXPECT_EQ(morrow::G_DDraw_DrawLine(-5, -5, -1, -1, 0), 0);  // rejected before the display
  EXPECT_EQ(morrow::G_DDraw_DrawFrameBox(0, 0, 8, 8, 0), -1);
  EXPECT_EQ(morrow::G_DDraw_DrawCircle(4, 4, 3, 0, 1), -1);
  EXPECT_EQ(morrow::DrawPlainTriangleDDraw(0, 0, 8, 0, 0, 8, 0), -1);
}

// Lines, outlines, circles and triangles at the ends of the int range, with radii near 2^31,
// in every mode from -1 to 9 and in draw areas down to one pixel, at every depth: nothing
// outside the area changes and every surface keeps its guard bytes.
TEST_F(ShapeFrame, BadInputStaysInsideTheArea) {
  struct Depth {
    int depth;
    const char* layout;
    bool video;
  };
  for (const Depth& d : {Depth{32, nullptr, true}, Depth{16, "565", false}, Depth{16, "444", true},
                         Depth{8, nullptr, true}}) {
    SCOPED_TRACE(::testing::Message() << "depth " << d.depth);
    StartAt(d.depth, d.layout, d.video);
    std::mt19937 rng(2024);
    std::mt19937 noise(5);
    Paint(Back(), [&](int, int) { return static_cast<uint32_t>(noise()); });
    const int32_t extremes[] = {INT_MIN, INT_MIN + 1, -1073741824, -1,          0,
                                1,       319,         639,         640,         641,
                                479,     480,         1073741824,  INT_MAX - 1, INT_MAX};
    // Near the area's top-left corner, or at an extreme.
    auto pick = [&](int corner) {
      return rng() % 3 != 0 ? corner + static_cast<int32_t>(rng() % 240) - 20
                            : extremes[rng() % std::size(extremes)];
    };
    int drew = 0;
    for (int n = 0; n < 150; ++n) {
      if (rng() % 3 == 0) {
        morrow::SetBlendMode(static_cast<int>(rng() % 11) - 1, static_cast<int>(rng() % 256));
      } else {
        morrow::SetBlendMode(static_cast<int>(rng() % 5), 1 + static_cast<int>(rng() % 255));
      }
      const int x = static_cast<int>(rng() % 640), y = static_cast<int>(rng() % 480);
      const int w = rng() % 4 == 0 ? 1 : 1 + static_cast<int>(rng() % 200);
      const int h = rng() % 4 == 0 ? 1 : 1 + static_cast<int>(rng() % 200);
      morrow::SetClipRect(x, y, x + w, y + h);
      int c[6];
      for (int k = 0; k < 6; ++k) c[k] = pick(k % 2 == 0 ? x : y);
      const morrow::Rect area = morrow::GetDrawState().drawArea;
      const std::vector<uint8_t> before = RawRows();
      const uint32_t colour = static_cast<uint32_t>(rng());
      switch (rng() % 4) {
        case 0:
          EXPECT_EQ(morrow::G_DDraw_DrawLine(c[0], c[1], c[2], c[3], colour), 0);
          break;
        case 1:
          EXPECT_EQ(morrow::G_DDraw_DrawFrameBox(c[0], c[1], c[2], c[3], colour), 0);
          break;
        case 2: {
          const int r = rng() % 2 == 0 ? INT_MAX - static_cast<int>(rng() % 3)
                                       : static_cast<int>(rng() % 700);
          EXPECT_EQ(morrow::G_DDraw_DrawCircle(c[0], c[1], r, colour, rng() % 2), 0);
          break;
        }
        default:
          morrow::DrawPlainTriangleDDraw(c[0], c[1], c[2], c[3], c[4], c[5], colour);
          break;
      }
      const std::vector<uint8_t> after = RawRows();
      ASSERT_EQ(after.size(), before.size());
      const size_t bytes = static_cast<size_t>(d.depth / 8);
      const size_t row = static_cast<size_t>(Back()->width()) * bytes;
      for (size_t y = 0; y * row < after.size(); ++y) {
        const uint8_t* a = after.data() + y * row;
        const uint8_t* b = before.data() + y * row;
        const bool across = static_cast<int>(y) >= area.top && static_cast<int>(y) < area.bottom;
        const size_t left = across ? static_cast<size_t>(area.left) * bytes : row;
        const size_t right = across ? static_cast<size_t>(area.right) * bytes : row;
        ASSERT_TRUE(std::memcmp(a, b, left) == 0 &&
                    std::memcmp(a + right, b + right, row - right) == 0)
            << "draw " << n << " row " << y;
      }
      drew += after != before ? 1 : 0;
    }
    EXPECT_GT(drew, 30);  // the draws reach their areas
    ExpectNothingHeld();
    ResetAfterRun();
  }
}

}  // namespace
