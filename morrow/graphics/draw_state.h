// The draw state: the one record every drawing call, both back ends and the software rasterisers
// read. The member initialisers are the values the graphics start leaves; the graphics start sets
// the drawing words again each time it runs, while the graph-creation settings a game makes
// before the library starts (system memory, alpha channel, key colour, image conversion) keep
// their values across it.
#pragma once

#include <cstdint>

#include "morrow/graphics/handle.h"
#include "morrow/system/rect.h"

namespace morrow {

struct DrawState {
  // Current draw target: a graph handle, kFrontScreen or kBackScreen.
  ResourceHandle drawScreen = kFrontScreen;
  // The video-memory capability bit (0x4000) of the current display target, else 0.
  uint32_t targetInVideoMemory = 0;
  // The window's client area on the desktop while the front screen is the target in a window
  // without a mask; left and top are added to positions by the hardware path and text drawing.
  Rect screenOffset{};
  // Every draw is clipped to it (right and bottom outside).
  Rect drawArea{};
  int32_t targetWidth = 0;
  int32_t targetHeight = 0;
  int32_t drawMode = 0;    // sampling: 0 point, 1 linear
  int32_t blendMode = 0;   // 0 none, 1 alpha, 2 add, 3 subtract, 4 multiply, 5 add, 8 XOR
  int32_t blendParam = 0;  // 0..255
  // Modulation colour: byte 0 blue, 1 green, 2 red, 3 stays 0xFF; 0xFFFFFFFF = none.
  uint32_t drawBright = 0xFFFFFFFFu;
  int32_t maskOn = 1;  // without a mask surface it has no effect
  int32_t maskInVideoMemory = 0;
  int32_t newGraphBitDepth = 0;  // 0 automatic, 16 or 32
  int32_t useDirect3D = 1;       // preference for drawing through the 3D device
  int32_t newGraphDrawValid = 0;
  int32_t newGraphAlphaChannel = 0;  // read by CreateEmptyGraph
  int32_t newGraphAlphaTest = 1;
  int32_t newGraphSystemMemory = 0;
  uint32_t keyColor = 0;         // 0x00RRGGBB, transparent colour of new surfaces
  int32_t imageConvertFlag = 0;  // dithers image copies into surfaces
  // While non-zero every creating, deleting and drawing call returns 0 at once (the device layer
  // sets it while it rebuilds the display).
  int32_t graphicsOff = 0;
  int32_t emptyArea = 0;  // the draw area is empty: drawing calls return 0
};

DrawState& GetDrawState();

}  // namespace morrow
