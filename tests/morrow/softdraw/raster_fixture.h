// A started library for the software rasteriser tests: graphs of solid colours and quadrants,
// direct reads and paints of display surfaces that bypass the rasterisers, and a checksum of a
// surface's pixels.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/device/screen.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_image.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/raster/raster_path.h"
#include "platform/pixel_layout.h"
#include "tests/morrow/graphics/graphics_fixture.h"

namespace testsupport {

// The vector paths this machine can run, each to be compared with the reference path.
inline std::vector<morrow::raster::RasterPath> VectorPaths() {
  std::vector<morrow::raster::RasterPath> paths;
  if (morrow::raster::Sse2Available()) paths.push_back(morrow::raster::RasterPath::kSse2);
  if (morrow::raster::Avx2Available()) paths.push_back(morrow::raster::RasterPath::kAvx2);
  return paths;
}

// Between seeded random draws: a blend mode from `modes` with a parameter at its edges or between,
// a bright or none, and once in `clipOdds` draws a narrower draw area (else, one in four, the
// whole screen again).
template <size_t N>
void RandomDrawState(std::mt19937& rng, const int (&modes)[N], unsigned clipOdds) {
  static constexpr int kParams[] = {0, 1, 128, 254, 255};
  morrow::SetBlendMode(modes[rng() % N], kParams[rng() % 5]);
  if (rng() % 2 == 0) {
    morrow::SetModulationColor(255, 255, 255);
  } else {
    morrow::SetModulationColor(static_cast<int>(rng() % 256), static_cast<int>(rng() % 256),
                               static_cast<int>(rng() % 256));
  }
  if (rng() % clipOdds == 0) {
    const int x = static_cast<int>(rng() % 320), y = static_cast<int>(rng() % 240);
    morrow::SetClipRect(x, y, x + 1 + static_cast<int>(rng() % 320),
                        y + 1 + static_cast<int>(rng() % 240));
  } else if (rng() % 4 == 0) {
    morrow::SetClipRect(0, 0, 640, 480);
  }
}

// The screen pixel of an 0x00RRGGBB colour.
inline uint32_t ScreenRgb(uint32_t rgb) {
  return morrow::PackScreenColor(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
}

class RasterFixture : public GraphicsFixture {
 protected:
  void TearDown() override {
    unsetenv("MORROW_PIXEL16");
    GraphicsFixture::TearDown();
  }

  // A window at 32 bits, or full screen at 8 or 16 bits in the given 16-bit layout.
  void StartAt(int depth, const char* layout16 = nullptr, bool videoMemory = true) {
    if (layout16 != nullptr) setenv("MORROW_PIXEL16", layout16, 1);
    if (!videoMemory) setenv("MORROW_VIDMEM", "0", 1);
    if (depth == 32) {
      Start(1, 32);
    } else {
      Start(0, depth);
    }
    morrow::SelectDrawTarget(morrow::kBackScreen);
  }

  static platform::Surface* Back() { return morrow::GetBackSurface(); }
  static uint32_t At(int x, int y) { return SurfacePixel(Back(), x, y); }

  // Every pixel of the surface from colour(x, y), written through a lock of its own.
  static void Paint(platform::Surface* s, const std::function<uint32_t(int, int)>& colour) {
    platform::LockedRect r;
    ASSERT_EQ(s->Lock(nullptr, &r), platform::DisplayResult::kOk);
    const int bytes = static_cast<int>(r.format.bitCount / 8);
    for (int y = 0; y < r.height; ++y) {
      for (int x = 0; x < r.width; ++x) {
        platform::WritePixel(r.bits + y * r.pitch + x * bytes, bytes, colour(x, y));
      }
    }
    s->Unlock();
  }
  static void PaintBack(uint32_t pixel) {
    Paint(Back(), [pixel](int, int) { return pixel; });
  }

  // CRC-32 of the rows of the surface, padding left out.
  static uint32_t Checksum(platform::Surface* s) {
    platform::LockedRect r;
    if (s->Lock(nullptr, &r) != platform::DisplayResult::kOk) return 0;
    uLong crc = crc32(0, nullptr, 0);
    const uInt rowBytes = static_cast<uInt>(r.width) * (r.format.bitCount / 8);
    for (int y = 0; y < r.height; ++y) crc = crc32(crc, r.bits + y * r.pitch, rowBytes);
    s->Unlock();
    return static_cast<uint32_t>(crc);
  }

  // A graph whose four quadrants take the colours (0x00RRGGBB) top-left, top-right, bottom-left,
  // bottom-right; with alpha >= 0 it carries an alpha channel of that value (or alphaAt(x, y)).
  morrow::ResourceHandle QuadGraph(int w, int h, const uint32_t colours[4], int alpha = -1,
                                   std::function<uint32_t(int, int)> alphaAt = nullptr) {
    const morrow::ResourceHandle g = morrow::CreateGraph(w, h, 0, alpha >= 0 ? 1 : 0);
    morrow::GraphRecord* record = morrow::GetGraphRecord(g);
    EXPECT_NE(record, nullptr);
    if (record == nullptr) return -1;
    const uint32_t amask = alpha >= 0 ? 0xFF000000u : 0;
    morrow::GraphImage image =
        MakeImage(w, h, 32, 0xFF0000u, 0xFF00u, 0xFFu, amask, [&](int x, int y) {
          const int q = (y < h / 2 ? 0 : 2) + (x < w / 2 ? 0 : 1);
          const uint32_t a = alphaAt ? alphaAt(x, y) : static_cast<uint32_t>(alpha);
          return colours[q] | (alpha >= 0 ? a << 24 : 0);
        });
    EXPECT_EQ(morrow::BltGraphImageToGraph(0, 0, record, &image, nullptr), 0);
    morrow::FreeGraphImage(&image);
    return g;
  }
  // A graph whose pixels come from argb(x, y); the alpha byte goes to its alpha channel when it
  // has one.
  morrow::ResourceHandle PatternGraph(int w, int h, bool alpha,
                                      const std::function<uint32_t(int, int)>& argb) {
    const morrow::ResourceHandle g = morrow::CreateGraph(w, h, 0, alpha ? 1 : 0);
    morrow::GraphRecord* record = morrow::GetGraphRecord(g);
    EXPECT_NE(record, nullptr);
    if (record == nullptr) return -1;
    morrow::GraphImage image =
        MakeImage(w, h, 32, 0xFF0000u, 0xFF00u, 0xFFu, alpha ? 0xFF000000u : 0, argb);
    EXPECT_EQ(morrow::BltGraphImageToGraph(0, 0, record, &image, nullptr), 0);
    morrow::FreeGraphImage(&image);
    return g;
  }
  morrow::ResourceHandle SolidGraph(int w, int h, uint32_t colour, int alpha = -1) {
    const uint32_t colours[4] = {colour, colour, colour, colour};
    return QuadGraph(w, h, colours, alpha);
  }

  static morrow::ResourceHandle FirstPiece(morrow::ResourceHandle graph) {
    return morrow::GetGraphRecord(graph)->pieces[0];
  }
  static uint32_t Screen(uint32_t rgb) { return ScreenRgb(rgb); }

  // No surface a draw uses is left locked, and none was written outside its pixels.
  static void ExpectNothingHeld() {
    morrow::ScreenState& s = morrow::GetScreenState();
    for (platform::Surface* surface :
         {Back(), s.workSurface.get(), s.workSurface2.get(), s.primarySurface.get()}) {
      platform::LockedRect r;
      EXPECT_EQ(surface->Lock(nullptr, &r), platform::DisplayResult::kOk);
      surface->Unlock();
      EXPECT_TRUE(surface->CanaryIntact());
    }
  }

  // The log's lines as written, without time stamps and indents.
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    for (std::string line : LogLines()) {
      const size_t start = line.find_first_not_of('\t');
      out.push_back(start == std::string::npos ? "" : line.substr(start));
    }
    return out;
  }
};

}  // namespace testsupport
