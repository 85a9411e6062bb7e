// The mask screen on the started library: every kind of draw goes through the mask surface and
// back, showing exactly the pixels whose mask byte is set, whatever their colour.
#include "morrow/graphics/mask.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph_load.h"
#include "tests/morrow/graphics/graphics_fixture.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

using Pixels = std::vector<uint32_t>;

Pixels Snapshot(platform::Surface* s, int width, int height) {
  Pixels out(static_cast<size_t>(width) * height);
  platform::LockedRect r;
  if (s->Lock(nullptr, &r) != platform::DisplayResult::kOk) return {};
  const int bytes = static_cast<int>(r.format.bitCount / 8);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      out[static_cast<size_t>(y) * width + x] =
          platform::ReadPixel(r.bits + y * r.pitch + x * bytes, bytes);
    }
  }
  s->Unlock();
  return out;
}

// The mask bytes as the test keeps them, filled as FillMaskRect fills the mask.
struct MaskModel {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(static_cast<size_t>(kWidth) * kHeight, 0);
  void Fill(int x1, int y1, int x2, int y2, int value) {
    for (int y = std::max(0, y1); y < std::min(kHeight, y2); ++y) {
      for (int x = std::max(0, x1); x < std::min(kWidth, x2); ++x) {
        bytes[static_cast<size_t>(y) * kWidth + x] = static_cast<uint8_t>(value);
      }
    }
  }
};

struct DrawCase {
  const char* name;
  std::function<int(int graph)> draw;
};

uint32_t Colour(int r, int g, int b) {
  return morrow::PackScreenColor(r, g, b);
}

const DrawCase kDraws[] = {
    {"FilledBox", [](int) { return morrow::DrawFillBox(40, 30, 300, 250, Colour(200, 30, 40)); }},
    // Black is the mask surface's key colour: it must show where the mask is set all the same.
    {"BlackBox", [](int) { return morrow::DrawFillBox(90, 60, 330, 210, Colour(0, 0, 0)); }},
    {"FrameBox", [](int) { return morrow::DrawFrameBox(20, 20, 420, 300, Colour(0, 255, 0)); }},
    {"Line", [](int) { return morrow::DrawLine(10, 400, 600, 15, Colour(255, 255, 0)); }},
    {"FilledCircle", [](int) { return morrow::DrawCircle(200, 180, 120, Colour(0, 120, 255), 1); }},
    {"Circle", [](int) { return morrow::DrawCircle(330, 240, 150, Colour(255, 0, 255), 0); }},
    {"Graph", [](int g) { return morrow::DrawGraph(70, 50, g, 0); }},
    {"RotatedGraph", [](int g) { return morrow::DrawRotaGraph(250, 200, 2.5, 0.7, g, 0, 0); }},
    {"AddedBox",
     [](int) {
       morrow::SetBlendMode(2, 128);
       const int r = morrow::DrawFillBox(0, 0, 500, 400, Colour(40, 90, 200));
       morrow::SetBlendMode(0, 0);
       return r;
     }},
};

class MaskScreen : public testsupport::GraphicsFixture, public ::testing::WithParamInterface<int> {
 protected:
  void StartAt(int depth, int window = 1) {
    Start(window, depth, depth);
    ASSERT_EQ(morrow::SelectDrawTarget(morrow::kBackScreen), 0);
    graph_ = MakeGraph();
    ASSERT_NE(graph_, -1);
  }
  void TearDown() override {
    morrow::DeleteMaskBuffer();
    GraphicsFixture::TearDown();
  }

  // A graph of four colours, black among them.
  static int MakeGraph() {
    const int g = morrow::CreateGraph(96, 64, 1, 0);
    morrow::GraphRecord* record = morrow::GetGraphRecord(g);
    if (record == nullptr) return -1;
    morrow::GraphImage image =
        testsupport::MakeImage(96, 64, 32, 0xFF0000u, 0xFF00u, 0xFFu, 0, [](int x, int y) {
          static const uint32_t kQuarters[4] = {0x000000u, 0xFF8000u, 0x20C0E0u, 0xFFFFFFu};
          return kQuarters[(y < 32 ? 0 : 2) + (x < 48 ? 0 : 1)];
        });
    const int result = morrow::BltGraphImageToGraph(0, 0, record, &image, nullptr);
    morrow::FreeGraphImage(&image);
    return result == 0 ? g : -1;
  }

  // The back screen in one colour, drawn with the mask off.
  void Paint(uint32_t colour) {
    const int on = morrow::IsMaskEnabled();
    morrow::SetMaskEnabled(0);
    morrow::DrawFillBox(0, 0, kWidth, kHeight, colour);
    morrow::SetMaskEnabled(on);
  }
  Pixels Back() { return Snapshot(morrow::GetBackSurface(), kWidth, kHeight); }

  // Every pixel of got: the drawing where the mask is set, the background elsewhere.
  static int Wrong(const Pixels& got, const Pixels& drawn, const Pixels& background,
                   const MaskModel& mask) {
    int wrong = 0;
    for (size_t i = 0; i < got.size(); ++i) {
      if (got[i] != (mask.bytes[i] != 0 ? drawn[i] : background[i])) ++wrong;
    }
    return wrong;
  }

  int graph_ = -1;
};

// Each draw once without a mask and once through a mask of seeded rectangles (values 1 to 255
// and some zeroed again): the second shows the first exactly where the mask is set. Blending
// reads the target's pixels through the mask surface.
TEST_P(MaskScreen, EveryDrawShowsExactlyWhereTheMaskIsSet) {
  StartAt(GetParam());
  const uint32_t background = Colour(10, 20, 30);
  for (const DrawCase& c : kDraws) {
    SCOPED_TRACE(c.name);
    Paint(background);
    const Pixels before = Back();
    ASSERT_EQ(c.draw(graph_), 0);
    const Pixels drawn = Back();
    ASSERT_NE(drawn, before);

    ASSERT_EQ(morrow::CreateMaskBuffer(1, 1), 0);
    ASSERT_EQ(morrow::SetMaskEnabled(1), 0);
    MaskModel model;
    std::mt19937 random(7);
    for (int i = 0; i < 40; ++i) {
      const int x = static_cast<int>(random() % 700) - 30,
                y = static_cast<int>(random() % 540) - 30;
      const int w = static_cast<int>(random() % 160), h = static_cast<int>(random() % 120);
      const int value = i % 5 == 4 ? 0 : static_cast<int>(random() % 255) + 1;
      ASSERT_EQ(morrow::FillMaskRect(x, y, x + w, y + h, value), 0);
      model.Fill(x, y, x + w, y + h, value);
    }
    Paint(background);
    ASSERT_EQ(c.draw(graph_), 0);
    EXPECT_EQ(Wrong(Back(), drawn, before, model), 0);
    ASSERT_EQ(morrow::DeleteMaskBuffer(), 0);
    EXPECT_EQ(morrow::GetMaskSurface(), nullptr);
  }
}

TEST_P(MaskScreen, AnAllZeroMaskLeavesTheTargetUnchanged) {
  StartAt(GetParam());
  ASSERT_EQ(morrow::CreateMaskBuffer(1, 1), 0);
  ASSERT_EQ(morrow::SetMaskEnabled(1), 0);
  Paint(Colour(10, 20, 30));
  const Pixels before = Back();
  for (const DrawCase& c : kDraws) EXPECT_EQ(c.draw(graph_), 0) << c.name;
  EXPECT_EQ(Back(), before);
}

INSTANTIATE_TEST_SUITE_P(Depths, MaskScreen, ::testing::Values(16, 32),
                         [](const auto& info) { return std::to_string(info.param) + "Bits"; });

class Mask : public MaskScreen {};

TEST_F(Mask, WithoutMemoryTheFlagCannotBeSetAndDrawsReachTheTarget) {
  StartAt(32);
  EXPECT_EQ(morrow::IsMaskEnabled(), 1);  // on since the start, with nothing to mask
  EXPECT_EQ(morrow::SetMaskEnabled(0), -1);
  EXPECT_EQ(morrow::IsMaskEnabled(), 1);
  EXPECT_EQ(morrow::FillMaskRect(0, 0, 10, 10, 1), -1);
  EXPECT_EQ(morrow::GetMaskSurface(), nullptr);
  Paint(Colour(10, 20, 30));
  ASSERT_EQ(morrow::DrawFillBox(5, 5, 9, 9, Colour(255, 0, 0)), 0);
  EXPECT_EQ(Back()[6 * kWidth + 6], Colour(255, 0, 0));
  // The mask memory alone makes the flag settable; deleting it switches the mask off.
  ASSERT_EQ(morrow::CreateMaskBuffer(1, 0), 0);
  EXPECT_EQ(morrow::SetMaskEnabled(1), 0);
  EXPECT_EQ(morrow::GetMaskSurface(), nullptr);
  EXPECT_EQ(morrow::DeleteMaskBuffer(), 0);
  EXPECT_EQ(morrow::IsMaskEnabled(), 0);
  EXPECT_EQ(morrow::SetMaskEnabled(1), -1);
}

// The mask memory outlives the display: the loss hook in full screen (which rebuilds the display
// when the window is active again) and a rebuild of its own both leave the mask as it was
// filled.
TEST_F(Mask, TheMaskSurvivesTheLossHookAndTheRebuild) {
  StartAt(32, 0);
  ASSERT_EQ(morrow::CreateMaskBuffer(1, 1), 0);
  ASSERT_EQ(morrow::FillMaskRect(100, 100, 200, 200, 1), 0);
  for (int way = 0; way < 2; ++way) {
    SCOPED_TRACE(way == 0 ? "loss" : "rebuild");
    if (way == 0) {
      ASSERT_EQ(morrow::IsDirectDrawReady()->SimulateLoss(), platform::DisplayResult::kOk);
      ASSERT_EQ(morrow::PumpMessages(), 0);
    } else {
      ASSERT_EQ(morrow::RebuildGraphicsDevice(), 0);
    }
    ASSERT_NE(morrow::GetMaskSurface(), nullptr);
    Paint(Colour(10, 20, 30));
    ASSERT_EQ(morrow::DrawFillBox(50, 50, 250, 250, Colour(255, 0, 0)), 0);
    const Pixels p = Back();
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p[150 * kWidth + 150], Colour(255, 0, 0));
    EXPECT_EQ(p[150 * kWidth + 99], Colour(10, 20, 30));
    EXPECT_EQ(p[60 * kWidth + 60], Colour(10, 20, 30));
  }
}

// Rectangles beyond every edge fill only what lies on the mask, and a graph target larger than
// the screen is drawn only where the mask reaches.
TEST_F(Mask, RectanglesAndTargetsBeyondTheMaskStayInsideIt) {
  StartAt(32);
  ASSERT_EQ(morrow::CreateMaskBuffer(1, 1), 0);
  const int far = 1 << 30;
  const int edges[][4] = {{-far, -far, far, far}, {-50, -50, 0, 0},    {640, 0, 700, 480},
                          {0, 480, 640, 900},     {-far, 10, -5, 20},  {10, -far, 20, -far + 5},
                          {630, 470, far, far},   {300, 300, 200, 200}};
  for (const auto& r : edges) EXPECT_EQ(morrow::FillMaskRect(r[0], r[1], r[2], r[3], 7), 0);
  for (int value = -300; value < 600; value += 37) {
    EXPECT_EQ(morrow::FillMaskRect(0, 0, 640, 480, value), 0);
  }
  ASSERT_EQ(morrow::FillMaskRect(0, 0, 640, 480, 1), 0);

  const int big = morrow::CreateGraph(900, 700, 1, 0);
  ASSERT_NE(morrow::GetGraphRecord(big), nullptr);
  platform::Surface* pixels = SurfaceOf(big)->surface.get();
  const int width = pixels->width(), height = pixels->height();
  ASSERT_GT(width, kWidth);
  ASSERT_GT(height, kHeight);
  ASSERT_EQ(morrow::SelectDrawTarget(big), 0);
  ASSERT_EQ(morrow::SetMaskEnabled(0), 0);
  ASSERT_EQ(morrow::DrawFillBox(0, 0, width, height, Colour(0, 0, 255)), 0);
  ASSERT_EQ(morrow::SetMaskEnabled(1), 0);
  ASSERT_EQ(morrow::DrawFillBox(-10, -10, width + 10, height + 10, Colour(0, 255, 0)), 0);
  const Pixels p = Snapshot(pixels, width, height);
  EXPECT_EQ(p[0], Colour(0, 255, 0));
  EXPECT_EQ(p[static_cast<size_t>(kHeight - 1) * width + kWidth - 1], Colour(0, 255, 0));
  EXPECT_EQ(p[static_cast<size_t>(kHeight - 1) * width + kWidth], Colour(0, 0, 255));
  EXPECT_EQ(p[static_cast<size_t>(height) * width - 1], Colour(0, 0, 255));
  EXPECT_TRUE(pixels->CanaryIntact());
  EXPECT_TRUE(morrow::GetMaskSurface()->CanaryIntact());
}

// The front screen in a window: the mask lies over the client area wherever the window is, also
// after it moved.
TEST_F(Mask, TheFrontScreenInAWindowIsMaskedAtTheClientPosition) {
  StartAt(32);
  ASSERT_EQ(morrow::CreateMaskBuffer(1, 1), 0);
  ASSERT_EQ(morrow::FillMaskRect(10, 10, 20, 20, 1), 0);
  ASSERT_EQ(morrow::SelectDrawTarget(morrow::kFrontScreen), 0);
  platform::Surface* primary = morrow::GetPrimarySurface();
  for (int move = 0; move < 2; ++move) {
    SCOPED_TRACE(move);
    if (move == 1) morrow::HandleWindowMove(300 | (200 << 16));
    int client[4] = {};
    morrow::GetWindowClientScreenRect(client);
    ASSERT_EQ(morrow::SetMaskEnabled(0), 0);
    ASSERT_EQ(morrow::DrawFillBox(0, 0, 30, 30, Colour(0, 0, 255)), 0);
    ASSERT_EQ(morrow::SetMaskEnabled(1), 0);
    ASSERT_EQ(morrow::DrawFillBox(0, 0, 30, 30, Colour(255, 0, 0)), 0);
    EXPECT_EQ(SurfacePixel(primary, client[0] + 15, client[1] + 15), Colour(255, 0, 0));
    EXPECT_EQ(SurfacePixel(primary, client[0] + 25, client[1] + 15), Colour(0, 0, 255));
    EXPECT_EQ(SurfacePixel(primary, client[0] + 5, client[1] + 5), Colour(0, 0, 255));
  }
}

}  // namespace
