// A started library for the graph, surface and piece tests, with images made in memory.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <functional>

#include "morrow/device/screen.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_image.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/system/window.h"
#include "platform/pixel_layout.h"
#include "tests/morrow/system/library_fixture.h"

namespace testsupport {

class GraphicsFixture : public LibraryFixture {
 protected:
  void SetUp() override {
    LibraryFixture::SetUp();
    morrow::GetDrawState() = morrow::DrawState{};
  }
  void TearDown() override {
    LibraryFixture::TearDown();
    morrow::GetDrawState() = morrow::DrawState{};
    unsetenv("MORROW_VIDMEM");
  }
  // window 1: the screen takes the desktop's depth; 0: full screen at depth.
  void Start(int window, int depth, int desktopBits = 32) {
    fake_.desktop.bitsPerPixel = desktopBits;
    morrow::ChangeWindowMode(window);
    morrow::SelectScreenMode(640, 480, depth, -1);
    ASSERT_EQ(morrow::InitLibrary(), 0);
  }

  // The piece, surface record and display surface behind a graph's first piece.
  static morrow::Surface2DRecord* PieceOf(morrow::ResourceHandle graph) {
    morrow::GraphRecord* g = morrow::GetGraphRecord(graph);
    return g != nullptr && g->pieceCount > 0 ? morrow::GetSurface2DRecord(g->pieces[0]) : nullptr;
  }
  static morrow::SurfaceRecord* SurfaceOf(morrow::ResourceHandle graph) {
    morrow::Surface2DRecord* p = PieceOf(graph);
    return p != nullptr ? morrow::GetSurfaceRecord(p->surface) : nullptr;
  }

  // Reads pixel (x, y) of a surface through a lock of the whole surface.
  static uint32_t SurfacePixel(platform::Surface* s, int x, int y) {
    platform::LockedRect r;
    if (s->Lock(nullptr, &r) != platform::DisplayResult::kOk) return 0xDEADBEEFu;
    const int bytes = static_cast<int>(r.format.bitCount / 8);
    uint32_t v = platform::ReadPixel(r.bits + y * r.pitch + x * bytes, bytes);
    s->Unlock();
    return v;
  }
};

// An image in memory whose pixels come from colour(x, y) (written as the format's bytes).
inline morrow::GraphImage MakeImage(int width, int height, int bits, uint32_t red, uint32_t green,
                                    uint32_t blue, uint32_t alpha,
                                    const std::function<uint32_t(int, int)>& colour) {
  morrow::GraphImage image{};
  morrow::InitColorFormatFromMasks(&image.format, bits, red, green, blue, alpha);
  image.width = width;
  image.height = height;
  image.pitch = width * (bits / 8);
  image.pixels = std::malloc(static_cast<size_t>(image.pitch) * height);
  auto* p = static_cast<uint8_t*>(image.pixels);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      platform::WritePixel(p + y * image.pitch + x * (bits / 8), bits / 8, colour(x, y));
    }
  }
  return image;
}

}  // namespace testsupport
