// A started library for the rotated, quadrilateral and triangle tests: the raster fixture with
// graphs whose every texel is distinct, the work surfaces, lock counts, and the expected
// pixels of a mapping from screen to texel.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <functional>

#include "morrow/device/screen_state.h"
#include "morrow/softdraw/raster.h"
#include "tests/morrow/softdraw/raster_fixture.h"

namespace testsupport {

class TurnedFixture : public RasterFixture {
 protected:
  static platform::Surface* Work(int i) {
    morrow::ScreenState& s = morrow::GetScreenState();
    return (i == 0 ? s.workSurface : s.workSurface2).get();
  }
  static morrow::GraphRecord* Record(morrow::ResourceHandle g) { return morrow::GetGraphRecord(g); }

  // Texel (x, y) of an indexed graph: red x * 16 + 1, green y * 16 + 1, blue 0x80.
  static uint32_t IndexedTexel(int x, int y) {
    return static_cast<uint32_t>(x * 16 + 1) << 16 | static_cast<uint32_t>(y * 16 + 1) << 8 | 0x80;
  }
  morrow::ResourceHandle IndexedGraph(int w, int h) {
    return PatternGraph(w, h, false, [](int x, int y) { return IndexedTexel(x, y); });
  }

  // Compares every pixel of the rectangle with want(x, y): the screen pixel of a texel, or the
  // background when want gives a negative value. Returns the number of mismatches (and reports
  // the first few).
  int Mismatches(int x0, int y0, int x1, int y1, uint32_t background,
                 const std::function<int64_t(int, int)>& want) {
    int bad = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        const int64_t w = want(x, y);
        const uint32_t expected = w < 0 ? background : static_cast<uint32_t>(w);
        const uint32_t got = At(x, y);
        if (got != expected && ++bad <= 5) {
          ADD_FAILURE() << "pixel " << x << "," << y << ": 0x" << std::hex << got << " != 0x"
                        << expected;
        }
      }
    }
    return bad;
  }

  static uint64_t Locks() {
    return Back()->LockCount() + Work(0)->LockCount() + Work(1)->LockCount();
  }

  static void ResetStateAfterRun() {
    morrow::EndLibrary();
    morrow::GetDrawState() = morrow::DrawState{};
    unsetenv("MORROW_VIDMEM");
  }
};

}  // namespace testsupport
