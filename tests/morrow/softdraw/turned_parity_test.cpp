// The reference, SSE2 and AVX2 paths draw the same turned frames: seeded random rotated, mirrored
// and quadrilateral draws (angles, scales, places across every edge, every mode, parameters at
// their edges, bright, key flags 0, 1 and 2, alpha maps), among them upright rectangles scaled
// and mirrored (some at whole multiples of their size), whose rows read one texel row, run once on
// each path the machine has from the same start, must leave targets of equal CRC, at 32 bits and at
// 16 bits in 5:6:5, 5:5:5 and 4:4:4.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <vector>

#include "morrow/raster/raster_path.h"
#include "morrow/softdraw/raster.h"
#include "tests/morrow/softdraw/turned_fixture.h"

namespace {

using morrow::raster::RasterPath;
using testsupport::TurnedFixture;

struct ParityCase {
  const char* name;
  bool videoMemory;
  int depth = 32;
  const char* layout16 = nullptr;
};

void PrintTo(const ParityCase& c, std::ostream* os) {
  *os << c.name;
}

constexpr int kDraws = 300;
constexpr uint32_t kKey = 0x00FF00;

class TurnedParity : public TurnedFixture, public ::testing::WithParamInterface<ParityCase> {
 protected:
  void SetUp() override {
    TurnedFixture::SetUp();
    if (!morrow::raster::Sse2Available()) GTEST_SKIP() << "no SSE2 on this machine";
  }
  void TearDown() override {
    morrow::raster::SetRasterPath(RasterPath::kReference);
    TurnedFixture::TearDown();
  }

  void Restart() {
    std::mt19937 noise(55);
    Paint(Back(), [&](int, int) { return static_cast<uint32_t>(noise()); });
    morrow::SetClipRect(0, 0, 640, 480);
    morrow::SetBlendMode(0, 0);
    morrow::SetModulationColor(255, 255, 255);
  }

  static void RandomState(std::mt19937& rng) {
    static constexpr int kModes[] = {0, 1, 1, 2, 3, 4, 6};
    testsupport::RandomDrawState(rng, kModes, 6);
  }

  static int Coordinate(std::mt19937& rng, int extent) {
    return static_cast<int>(rng() % static_cast<uint32_t>(extent + 120)) - 60;
  }

  uint32_t Run(RasterPath path, const std::vector<morrow::ResourceHandle>& graphs) {
    EXPECT_TRUE(morrow::raster::SetRasterPath(path));
    Restart();
    std::mt19937 rng(808);
    for (int i = 0; i < kDraws; ++i) {
      RandomState(rng);
      const morrow::ResourceHandle g = graphs[rng() % graphs.size()];
      const int keyFlag = static_cast<int>(rng() % 3);
      const int kind = static_cast<int>(rng() % 4);
      if (kind == 3) {
        // An upright rectangle, magnified or shrunk, mirrored on either axis or both; one in two
        // a whole multiple of the picture's size, whose rows step whole texels every few pixels.
        const int x1 = Coordinate(rng, 640), y1 = Coordinate(rng, 480);
        int x2 = x1 + static_cast<int>(rng() % 400) - 200;
        int y2 = y1 + static_cast<int>(rng() % 300) - 150;
        if (rng() % 2 == 0) {
          int w = 0, h = 0;
          morrow::QueryGraphSize(g, &w, &h);
          x2 = x1 + w * (static_cast<int>(rng() % 9) - 4);
          y2 = y1 + h * (static_cast<int>(rng() % 9) - 4);
        }
        EXPECT_EQ(morrow::DrawModiGraph(x1, y1, x2, y1, x2, y2, x1, y2, g, keyFlag), 0);
      } else if (kind != 0) {
        double scale = 0.25 + (rng() % 1000) / 250.0;
        double angle = (static_cast<int>(rng() % 2000) - 1000) / 150.0;
        if (rng() % 4 == 0) {  // upright or upside down, at a whole scale
          scale = 1 + rng() % 3;
          angle = (rng() % 2) * 3.141592653589793;
        }
        EXPECT_EQ(morrow::DrawRotaGraph(Coordinate(rng, 640), Coordinate(rng, 480), scale, angle, g,
                                        keyFlag, rng() % 5 == 0 ? 1 : 0),
                  0);
      } else {
        int c[8];
        for (int k = 0; k < 8; k += 2) {
          c[k] = Coordinate(rng, 640);
          c[k + 1] = Coordinate(rng, 480);
        }
        EXPECT_EQ(morrow::DrawModiGraph(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], g, keyFlag),
                  0);
      }
    }
    return Checksum(Back());
  }
};

TEST_P(TurnedParity, GivesTheSameFrameOnEveryPath) {
  StartAt(GetParam().depth, GetParam().layout16, GetParam().videoMemory);
  std::mt19937 rng(31);
  std::vector<morrow::ResourceHandle> graphs;
  for (int i = 0; i < 12; ++i) {
    const int w = 1 + static_cast<int>(rng() % 64), h = 1 + static_cast<int>(rng() % 64);
    const bool alpha = i % 3 == 0;
    const uint32_t seed = rng();
    morrow::GetDrawState().keyColor = kKey;
    graphs.push_back(PatternGraph(w, h, alpha, [seed](int x, int y) {
      std::mt19937 pixel(seed + static_cast<uint32_t>(y * 131 + x));
      const uint32_t v = pixel();
      static constexpr uint32_t kAlphas[] = {0, 255, 255, 1, 128, 254, 77};
      return kAlphas[v % 7] << 24 | (v % 5 == 0 ? kKey : v >> 8 & 0xFFFFFF);
    }));
  }
  const uint32_t start = (Restart(), Checksum(Back()));
  const uint32_t reference = Run(RasterPath::kReference, graphs);
  EXPECT_NE(reference, start);
  for (RasterPath path : testsupport::VectorPaths()) {
    EXPECT_EQ(Run(path, graphs), reference) << morrow::raster::RasterPathName(path);
  }
}

INSTANTIATE_TEST_SUITE_P(ThirtyTwoBits, TurnedParity,
                         ::testing::Values(ParityCase{"VideoMemory", true},
                                           ParityCase{"SystemMemory", false}),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(SixteenBits, TurnedParity,
                         ::testing::Values(ParityCase{"VideoMemory565", true, 16, "565"},
                                           ParityCase{"SystemMemory565", false, 16, "565"},
                                           ParityCase{"VideoMemory555", true, 16, "555"},
                                           ParityCase{"SystemMemory555", false, 16, "555"},
                                           ParityCase{"VideoMemory444", true, 16, "444"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
