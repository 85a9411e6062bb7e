// The reference, SSE2 and AVX2 paths draw the same frames: seeded random piece draws, stretched
// draws, boxes, filled circles and plain triangles (sizes, places off every edge, mirrors, every
// mode, the parameters at their edges, bright, key, alpha map, MMX flag on and off), run once on
// each path the machine has from the same start, must leave targets of equal CRC. The path
// chosen at start is the widest the processor and the setting allow.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <random>
#include <vector>

#include "morrow/device/screen_state.h"
#include "morrow/raster/raster_path.h"
#include "morrow/raster/simd_avx2.h"
#include "morrow/softdraw/raster.h"
#include "tests/morrow/softdraw/raster_fixture.h"

namespace {

using morrow::raster::RasterPath;
using testsupport::RasterFixture;

struct ParityCase {
  const char* name;
  int depth;
  const char* layout;
  bool videoMemory;
};

void PrintTo(const ParityCase& c, std::ostream* os) {
  *os << c.name;
}

constexpr int kDraws = 400;
constexpr uint32_t kKey = 0x00FF00;

class Parity : public RasterFixture, public ::testing::WithParamInterface<ParityCase> {
 protected:
  void SetUp() override {
    RasterFixture::SetUp();
    if (!morrow::raster::Sse2Available()) GTEST_SKIP() << "no SSE2 on this machine";
  }
  void TearDown() override {
    morrow::raster::SetRasterPath(RasterPath::kReference);
    RasterFixture::TearDown();
  }

  // The target back to the same seeded noise and the draw state to its start.
  void Restart(uint32_t seed) {
    std::mt19937 noise(seed);
    Paint(Back(), [&](int, int) { return static_cast<uint32_t>(noise()); });
    morrow::SetClipRect(0, 0, 640, 480);
    morrow::SetBlendMode(0, 0);
    morrow::SetModulationColor(255, 255, 255);
  }

  // Sixteen graphs of 1 to 48 pixels a side, a third with an alpha channel: opaque, transparent
  // and partial alpha bytes, and some key-coloured pixels.
  std::vector<morrow::ResourceHandle> RandomGraphs(uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<morrow::ResourceHandle> graphs;
    for (int i = 0; i < 16; ++i) {
      const int w = 1 + static_cast<int>(rng() % 48), h = 1 + static_cast<int>(rng() % 48);
      const bool alpha = i % 3 == 0;
      const uint32_t pixels = rng();
      morrow::GetDrawState().keyColor = kKey;
      graphs.push_back(PatternGraph(w, h, alpha, [pixels](int x, int y) {
        std::mt19937 pixel(pixels + static_cast<uint32_t>(y * 131 + x));
        const uint32_t v = pixel();
        static constexpr uint32_t kAlphas[] = {0, 255, 255, 1, 128, 254, 77};
        const uint32_t a = kAlphas[v % 7];
        return a << 24 | (v % 5 == 0 ? kKey : v >> 8 & 0xFFFFFF);
      }));
    }
    return graphs;
  }

  static void RandomState(std::mt19937& rng) {
    static constexpr int kModes[] = {0, 1, 2, 3, 4, 8};
    testsupport::RandomDrawState(rng, kModes, 8);
  }

  // A place for a piece of w x h: inside, across any edge, or far outside.
  static int Coordinate(std::mt19937& rng, int extent, int size) {
    switch (rng() % 6) {
      case 0:
        return -size + 1 + static_cast<int>(rng() % static_cast<uint32_t>(size));  // across 0
      case 1:
        return extent - static_cast<int>(rng() % static_cast<uint32_t>(size));  // across the end
      case 2:
        return rng() % 2 == 0 ? -100000 : 2147483000;  // far away
      default:
        return static_cast<int>(rng() % static_cast<uint32_t>(extent));
    }
  }

  // draw() run on the reference path and on each vector path, each time from Restart(seed): every
  // path leaves the same frame, and not the frame it started from.
  template <class Draw>
  void ExpectTheSameFrameOnEveryPath(uint32_t seed, Draw&& draw) {
    auto run = [&](RasterPath path) {
      EXPECT_TRUE(morrow::raster::SetRasterPath(path));
      Restart(seed);
      draw();
      return Checksum(Back());
    };
    const uint32_t start = (Restart(seed), Checksum(Back()));
    const uint32_t reference = run(RasterPath::kReference);
    EXPECT_NE(reference, start);
    for (RasterPath path : testsupport::VectorPaths()) {
      EXPECT_EQ(run(path), reference) << morrow::raster::RasterPathName(path);
    }
    ExpectNothingHeld();
  }

  void DrawPieces(const std::vector<morrow::ResourceHandle>& graphs) {
    std::mt19937 rng(1234);
    for (int i = 0; i < kDraws; ++i) {
      RandomState(rng);
      morrow::GetScreenState().mmxEnabled = static_cast<int32_t>(rng() % 2);
      const morrow::ResourceHandle g = graphs[rng() % graphs.size()];
      const morrow::GraphRecord* record = morrow::GetGraphRecord(g);
      const int x = Coordinate(rng, 640, record->width);
      const int y = Coordinate(rng, 480, record->height);
      EXPECT_EQ(morrow::DrawGraph(x, y, g, static_cast<int>(rng() % 2)), 0);
    }
  }

  // Stretched draws of 1 to 300 pixels a side, mirrored on either axis or both, across every
  // edge, in every mode from -1 to 9, key flags 0 to 2.
  void DrawStretches(const std::vector<morrow::ResourceHandle>& graphs) {
    std::mt19937 rng(5678);
    for (int i = 0; i < kDraws; ++i) {
      RandomState(rng);
      if (rng() % 4 == 0) morrow::SetBlendMode(static_cast<int>(rng() % 11) - 1, 128);
      const morrow::ResourceHandle g = graphs[rng() % graphs.size()];
      const int w = 1 + static_cast<int>(rng() % 300), h = 1 + static_cast<int>(rng() % 300);
      const int x = Coordinate(rng, 640, w), y = Coordinate(rng, 480, h);
      const int x2 = static_cast<int>(std::min<int64_t>(int64_t{x} + w, 2147483647));
      const int y2 = static_cast<int>(std::min<int64_t>(int64_t{y} + h, 2147483647));
      const bool flipX = rng() % 3 == 0, flipY = rng() % 3 == 0;
      const int keyFlag = static_cast<int>(rng() % 3);
      morrow::DrawExtendGraph(flipX ? x2 : x, flipY ? y2 : y, flipX ? x : x2, flipY ? y : y2, g,
                              keyFlag);
    }
  }

  void DrawBoxes() {
    std::mt19937 rng(4321);
    const uint32_t pixelMask = GetParam().depth == 32   ? 0xFFFFFFFFu
                               : GetParam().depth == 16 ? 0xFFFFu
                                                        : 0xFFu;
    for (int i = 0; i < kDraws; ++i) {
      RandomState(rng);
      if (rng() % 10 == 0) morrow::SetBlendMode(static_cast<int>(rng() % 8), 128);
      const int w = 1 + static_cast<int>(rng() % 80), h = 1 + static_cast<int>(rng() % 80);
      const int x = Coordinate(rng, 640, w), y = Coordinate(rng, 480, h);
      // Corners in either order.
      const bool flip = rng() % 2 == 0;
      const int x2 =
          static_cast<int>(static_cast<int64_t>(x) + w > 2147483647 ? 2147483647 : x + w);
      EXPECT_EQ(morrow::G_DDraw_DrawFillBox(flip ? x2 : x, y, flip ? x : x2, y + h,
                                            static_cast<uint32_t>(rng()) & pixelMask),
                0);
    }
  }
};

using PieceParity = Parity;
using SolidParity = Parity;
using StretchParity = Parity;

TEST_P(PieceParity, GivesTheSameFrameOnEveryPath) {
  StartAt(GetParam().depth, GetParam().layout, GetParam().videoMemory);
  const std::vector<morrow::ResourceHandle> graphs = RandomGraphs(99);
  ExpectTheSameFrameOnEveryPath(77, [&] { DrawPieces(graphs); });
  for (morrow::ResourceHandle g : graphs) {
    platform::Surface* source = SurfaceOf(g)->surface.get();
    platform::LockedRect r;
    EXPECT_EQ(source->Lock(nullptr, &r), platform::DisplayResult::kOk);
    source->Unlock();
  }
}

TEST_P(StretchParity, GivesTheSameFrameOnEveryPath) {
  StartAt(GetParam().depth, GetParam().layout, GetParam().videoMemory);
  const std::vector<morrow::ResourceHandle> graphs = RandomGraphs(98);
  ExpectTheSameFrameOnEveryPath(79, [&] { DrawStretches(graphs); });
}

// Stretched draws and upright quadrilaterals of the sizes and places the vector loops cut up
// differently, the same rectangle drawn both ways in the same state: one pixel; 127 x 129, whose
// rows end between groups and read near the picture's edge; a column of 480; a row of 640 and
// 530 x 7, past one strip of cached columns; and twice the picture's size, source pixels two by
// two. Pictures of one pixel, one column, one row, 64 x 64 with key-coloured pixels and 63 x 65
// with an alpha map; at the top-left corner, across the left and top edges, across the right and
// bottom edges, and inside a clip of odd margins; either way round on either axis; every blend
// mode with its parameter at 1, 128 and 255, bright on and off, key flags 0 to 2.
TEST_P(StretchParity, OddSizesEdgesAndClipsGiveTheSameFrameOnEveryPath) {
  StartAt(GetParam().depth, GetParam().layout, GetParam().videoMemory);
  morrow::GetDrawState().keyColor = kKey;
  auto picture = [&](int w, int h, bool alpha) {
    return PatternGraph(w, h, alpha, [](int x, int y) {
      const uint32_t v = static_cast<uint32_t>(x * 2654435761u ^ y * 40503u);
      static constexpr uint32_t kAlphas[] = {0, 255, 128, 1, 254};
      return kAlphas[v % 5] << 24 | ((x / 4 + y / 4) % 3 == 0 ? kKey : v >> 8 & 0xFFFFFF);
    });
  };
  const morrow::ResourceHandle pictures[] = {picture(1, 1, false), picture(1, 37, false),
                                             picture(37, 1, false), picture(64, 64, false),
                                             picture(63, 65, true)};
  struct Size {
    int w, h;  // 0: twice the picture's
  };
  constexpr Size kSizes[] = {{1, 1}, {127, 129}, {1, 480}, {640, 1}, {530, 7}, {0, 0}};
  static constexpr int kModes[] = {0, 1, 2, 3, 4, 8};
  static constexpr int kParams[] = {1, 128, 255};
  ExpectTheSameFrameOnEveryPath(81, [&] {
    int c = 0;
    for (const Size& size : kSizes) {
      for (const morrow::ResourceHandle g : pictures) {
        int w = size.w, h = size.h;
        if (w == 0) {
          morrow::QueryGraphSize(g, &w, &h);
          w *= 2;
          h *= 2;
        }
        for (int place = 0; place < 4; ++place) {
          for (int flip = 0; flip < 4; ++flip, ++c) {
            // Each place and way round meets every state in turn.
            const int state = c / 4;
            morrow::SetBlendMode(kModes[state % 6], kParams[state / 6 % 3]);
            const int keyFlag = state / 18 % 3;
            if (state / 54 % 2 == 0) {
              morrow::SetModulationColor(255, 255, 255);
            } else {
              morrow::SetModulationColor(200, 90, 100);
            }
            int x = 0, y = 0;
            morrow::SetClipRect(0, 0, 640, 480);
            if (place == 1) {
              x = -w / 3;
              y = -h / 3;
            } else if (place == 2) {
              x = 640 - 2 * w / 3;
              y = 480 - 2 * h / 3;
            } else if (place == 3) {
              x = 50;
              y = 40;
              morrow::SetClipRect(x + 1, y + 2, x + w - 1, y + h - 3);
            }
            const int x1 = (flip & 1) != 0 ? x + w : x, x2 = (flip & 1) != 0 ? x : x + w;
            const int y1 = (flip & 2) != 0 ? y + h : y, y2 = (flip & 2) != 0 ? y : y + h;
            morrow::DrawExtendGraph(x1, y1, x2, y2, g, keyFlag);
            EXPECT_EQ(morrow::DrawModiGraph(x1, y1, x2, y1, x2, y2, x1, y2, g, keyFlag), 0);
          }
        }
      }
    }
  });
}

TEST_P(SolidParity, GivesTheSameFrameOnEveryPath) {
  StartAt(GetParam().depth, GetParam().layout, GetParam().videoMemory);
  ExpectTheSameFrameOnEveryPath(78, [&] { DrawBoxes(); });
}

// Filled circles and plain triangles, whose spans take the SSE2 kernels at 32 and 16 bits: radii
// from 0 to past the screen, corners across every edge.
using ShapeParity = Parity;

TEST_P(ShapeParity, GivesTheSameFrameOnEveryPath) {
  StartAt(GetParam().depth, GetParam().layout, GetParam().videoMemory);
  ExpectTheSameFrameOnEveryPath(79, [&] {
    std::mt19937 rng(3131);
    for (int i = 0; i < kDraws; ++i) {
      RandomState(rng);
      const uint32_t colour = static_cast<uint32_t>(rng());
      const int x = Coordinate(rng, 640, 100), y = Coordinate(rng, 480, 100);
      if (rng() % 2 == 0) {
        const int r = static_cast<int>(rng() % (rng() % 8 == 0 ? 700 : 60));
        EXPECT_EQ(morrow::G_DDraw_DrawCircle(x, y, r, colour, 1), 0);
      } else {
        auto near = [&](int v) { return v + static_cast<int>(rng() % 300) - 150; };
        morrow::DrawPlainTriangleDDraw(x, y, near(x), near(y), near(x), near(y), colour);
      }
    }
  });
}

INSTANTIATE_TEST_SUITE_P(
    Depths, ShapeParity,
    ::testing::Values(ParityCase{"ThirtyTwoBitsVideoMemory", 32, nullptr, true},
                      ParityCase{"ThirtyTwoBitsSystemMemory", 32, nullptr, false},
                      ParityCase{"FiveSixFive", 16, "565", true},
                      ParityCase{"FiveSixFiveSystemMemory", 16, "565", false},
                      ParityCase{"FiveFiveFiveSystemMemory", 16, "555", false},
                      ParityCase{"FourFourFour", 16, "444", true},
                      ParityCase{"FourFourFourSystemMemory", 16, "444", false},
                      ParityCase{"EightBits", 8, nullptr, true}));

// Pieces are blended by software at 32 and 16 bits.
INSTANTIATE_TEST_SUITE_P(ThirtyTwoBits, PieceParity,
                         ::testing::Values(ParityCase{"VideoMemory", 32, nullptr, true},
                                           ParityCase{"SystemMemory", 32, nullptr, false}));

// And at 16 bits in the two fixed layouts and a generic one.
INSTANTIATE_TEST_SUITE_P(SixteenBits, PieceParity,
                         ::testing::Values(ParityCase{"FiveSixFive", 16, "565", true},
                                           ParityCase{"FiveFiveFiveSystemMemory", 16, "555", false},
                                           ParityCase{"FourFourFour", 16, "444", true},
                                           ParityCase{"FourFourFourSystemMemory", 16, "444",
                                                      false}));

// Stretched at 32 bits and in the three 16-bit layouts.
INSTANTIATE_TEST_SUITE_P(
    Depths, StretchParity,
    ::testing::Values(ParityCase{"ThirtyTwoBitsVideoMemory", 32, nullptr, true},
                      ParityCase{"ThirtyTwoBitsSystemMemory", 32, nullptr, false},
                      ParityCase{"FiveSixFive", 16, "565", true},
                      ParityCase{"FiveFiveFiveSystemMemory", 16, "555", false},
                      ParityCase{"FourFourFour", 16, "444", true}));

INSTANTIATE_TEST_SUITE_P(
    Depths, SolidParity,
    ::testing::Values(ParityCase{"ThirtyTwoBitsVideoMemory", 32, nullptr, true},
                      ParityCase{"ThirtyTwoBitsSystemMemory", 32, nullptr, false},
                      ParityCase{"FiveSixFive", 16, "565", true},
                      ParityCase{"FiveFiveFiveSystemMemory", 16, "555", false},
                      ParityCase{"FourFourFour", 16, "444", true},
                      ParityCase{"EightBits", 8, nullptr, true}));

// The start-up choice on faked processors: AVX2 only with SSE2 beside it, each only where the
// build has its loops.
TEST(RasterPathChoice, TakesTheWidestPathTheProcessorHas) {
  using morrow::raster::ChooseRasterPath;
#if defined(MORROW_RASTER_SSE2)
  const RasterPath sse2 = RasterPath::kSse2;
#else
  const RasterPath sse2 = RasterPath::kReference;
#endif
#if defined(MORROW_RASTER_AVX2)
  const RasterPath avx2 = RasterPath::kAvx2;
#else
  const RasterPath avx2 = sse2;
#endif
  EXPECT_EQ(ChooseRasterPath({false, false}), RasterPath::kReference);
  EXPECT_EQ(ChooseRasterPath({false, true}), RasterPath::kReference);
  EXPECT_EQ(ChooseRasterPath({true, false}), sse2);
  EXPECT_EQ(ChooseRasterPath({true, true}), avx2);
  EXPECT_STREQ(morrow::raster::RasterPathName(avx2), avx2 == RasterPath::kAvx2   ? "avx2"
                                                     : sse2 == RasterPath::kSse2 ? "sse2"
                                                                                 : "reference");
  // A path the processor lacks is refused, and the one in use stays.
  const RasterPath before = morrow::raster::CurrentRasterPath();
  EXPECT_EQ(morrow::raster::SetRasterPath(RasterPath::kAvx2), morrow::raster::Avx2Available());
  morrow::raster::SetRasterPath(before);
}

}  // namespace
