// The one global record of the screen: the display object, its clipper and palette, the mode,
// the screen surfaces, the choice of copy method and the measured frame time.
//
// Written by the screen set-up (morrow/device/screen.h) and by presentation; read by the colour
// packing (morrow/device/color_format.h), the surfaces and the software rasterisers. Objects are
// released and nulled together, so a stale pointer is never called.
#pragma once

#include <cstdint>
#include <memory>

#include "morrow/device/color_format.h"
#include "platform/display.h"

namespace morrow {

struct ScreenState {
  std::shared_ptr<platform::Display> directDraw;  // non-null: the display is up
  std::shared_ptr<platform::Clipper> clipper;     // bound to the main window
  std::shared_ptr<platform::Palette> palette;     // 8-bit modes only
  platform::DisplayCaps driverCaps{};
  ColorFormat screenFormat{};
  platform::PixelFormat screenPixelFormat{};
  int32_t screenWidth = 0;  // 0 reads as 640, 480 and 16
  int32_t screenHeight = 0;
  int32_t screenBitDepth = 0;
  int32_t refreshRate = 0;  // 0: the display's default
  uint32_t cooperativeFlags = 0;
  int32_t overlayFormatIndex = 0;  // -1: no usable overlay format
  std::shared_ptr<platform::Surface> primarySurface;
  std::shared_ptr<platform::Surface> backSurface;
  std::shared_ptr<platform::Surface> workSurface;
  std::shared_ptr<platform::Surface> workSurface2;
  std::shared_ptr<platform::Surface> drawTargetSurface;
  // What drawTargetSurface belongs to: -4 front, -2 back or a graph handle. The start selects a
  // screen on this side alone, before the draw state names a target.
  int32_t selectedTarget = -4;
  platform::PaletteEntry paletteEntries[256]{};
  int32_t displayModeChanged = 0;  // a full-screen mode set here is in force
  int32_t vsyncWait = 0;
  int32_t noDirect3DAtStart = 0;
  int32_t flushDirect3DFirst = 0;
  int32_t mmxEnabled = 0;
  int32_t lowPrecisionBlend = 0;
  int32_t softwareOnly = 0;  // no call sets these three
  int32_t keepDirectDraw = 0;
  int32_t multithreaded = 0;
  int32_t useGdiCopy = 0;        // 1: surface copies through the device-context copy
  int32_t drawingSuspended = 0;  // nothing sets it; cleared by every target selection
  int32_t directDrawReady = 0;
  int32_t frameTimeMs = 0;     // -1: the measurement failed
  int32_t presentSleepMs = 0;  // (2 * frameTimeMs - 4) / 3, or -1
  int32_t lastModeChangeMs = 0;
  int32_t lastPresentMs = 0;
  uint64_t flipCount = 0;
};

ScreenState& GetScreenState();

}  // namespace morrow
