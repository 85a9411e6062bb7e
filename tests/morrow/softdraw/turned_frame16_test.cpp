// The rotated and quadrilateral draws on 16-bit screens given every mode from -1 to 9 with every
// parameter at each layout, geometry across, beyond and at the limits of the area, and graphs
// wider than their first piece: nothing is written outside the area. (Their worked pixels:
// turned_modi_test.cpp.)
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "morrow/device/screen_state.h"
#include "morrow/softdraw/raster.h"
#include "tests/morrow/softdraw/turned_fixture.h"

namespace {

using morrow::ResourceHandle;
using testsupport::TurnedFixture;

constexpr uint32_t kKey = 0x00FF00;

class TurnedBadInput16 : public TurnedFixture {};

// Geometry the draws refuse or clip to nothing, and geometry at the edges of what they take.
struct Geometry {
  int x, y;
  double scale, angle;
};
constexpr Geometry kLimits[] = {{8000, 8000, 1e-7, 0.3}, {100, 100, 3000, 0.3}, {8191, 100, 1, 0},
                                {-8191, -8191, 1, 2},    {8192, 100, 1, 0},     {100, 100, 0, 0.5},
                                {320, 240, 1e-3, 1},     {320, 240, -250, 0.1}};

// Every mode from -1 to 9 and every parameter at each layout: rotated, mirrored and
// quadrilateral draws of graphs with and without alpha maps (one claiming more than its first
// piece) across, beyond and at the limits of a narrowed draw area. Each call returns 0 or -1,
// no surface is left locked or written past its pixels, and nothing outside the area changes.
TEST_F(TurnedBadInput16, EveryModeAndParameterStaysInsideTheArea) {
  constexpr int kLeft = 100, kTop = 80, kRight = 540, kBottom = 400;
  for (const char* layout : {"565", "555", "444"}) {
    SCOPED_TRACE(layout);
    StartAt(16, layout, std::string(layout) != "555");
    std::mt19937 rng(35);
    morrow::GetDrawState().keyColor = kKey;
    std::vector<ResourceHandle> graphs;
    for (int i = 0; i < 6; ++i) {
      const int w = 1 + static_cast<int>(rng() % 16), h = 1 + static_cast<int>(rng() % 16);
      const uint32_t seed = rng();
      graphs.push_back(PatternGraph(w, h, i % 2 == 0, [seed](int x, int y) {
        std::mt19937 pixel(seed + static_cast<uint32_t>(y * 31 + x));
        const uint32_t v = pixel();
        static constexpr uint32_t kAlphas[] = {0, 255, 255, 1, 128, 254};
        return kAlphas[v % 6] << 24 | (v % 5 == 0 ? kKey : v >> 8 & 0xFFFFFF);
      }));
    }
    morrow::GraphRecord* wide = Record(graphs[5]);
    wide->width = static_cast<uint16_t>(wide->width + 20);
    wide->height = static_cast<uint16_t>(wide->height + 9);
    std::mt19937 noise(7);
    Paint(Back(), [&](int, int) { return static_cast<uint32_t>(noise()) & 0xFFFF; });
    std::vector<uint32_t> outside;
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) {
        if (x < kLeft || x >= kRight || y < kTop || y >= kBottom) outside.push_back(At(x, y));
      }
    }
    morrow::SetClipRect(kLeft, kTop, kRight, kBottom);
    auto coordinate = [&](int lo, int hi) {
      return lo - 30 + static_cast<int>(rng() % static_cast<uint32_t>(hi - lo + 60));
    };
    for (int mode = -1; mode <= 9; ++mode) {
      for (int p = 0; p < 256; ++p) {
        morrow::SetBlendMode(mode, p);
        if (rng() % 2 == 0) {
          morrow::SetModulationColor(255, 255, 255);
        } else {
          morrow::SetModulationColor(static_cast<int>(rng() % 256), static_cast<int>(rng() % 256),
                                     static_cast<int>(rng() % 256));
        }
        const ResourceHandle g = graphs[rng() % graphs.size()];
        const int keyFlag = static_cast<int>(rng() % 3);
        int result = 0;
        switch (rng() % 4) {
          case 0: {
            const Geometry& l = kLimits[rng() % std::size(kLimits)];
            result = morrow::DrawRotaGraph(l.x, l.y, l.scale, l.angle, g, keyFlag, 0);
            break;
          }
          case 1:
          case 2:
            result = morrow::DrawRotaGraph(
                coordinate(kLeft, kRight), coordinate(kTop, kBottom), 0.25 + (rng() % 100) / 40.0,
                (static_cast<int>(rng() % 700) - 350) / 50.0, g, keyFlag, rng() % 4 == 0 ? 1 : 0);
            break;
          default: {
            // Wholly left of the area, across it, or wholly right of it.
            const int shift = static_cast<int>(rng() % 3) * (kRight - kLeft) - (kRight - kLeft);
            int c[8];
            for (int k = 0; k < 8; k += 2) {
              c[k] = coordinate(kLeft, kRight) + shift;
              c[k + 1] = coordinate(kTop, kBottom);
            }
            result = morrow::G_DDraw_DrawModiGraph(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7],
                                                   Record(g), keyFlag);
            break;
          }
        }
        ASSERT_TRUE(result == 0 || result == -1) << mode << " " << p;
      }
    }
    ExpectNothingHeld();
    size_t i = 0, changed = 0;
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) {
        if (x < kLeft || x >= kRight || y < kTop || y >= kBottom)
          changed += At(x, y) != outside[i++];
      }
    }
    EXPECT_EQ(changed, 0u);
    ResetStateAfterRun();
  }
}

}  // namespace
