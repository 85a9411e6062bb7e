// How a graph's pixels are held. Embedded in every graph record and copied into every surface
// record made for it; the colour-format presets are chosen from it.
#pragma once

#include <cstdint>

namespace morrow {

struct SurfaceFlags {
  uint8_t texture;       // 1: held as textures and drawn by the 3D device; 0: display surfaces
  uint8_t alphaChannel;  // the pixels carry an alpha channel
  uint8_t drawValid;     // the surface may serve as a draw target (always 0 for graphs)
  uint8_t systemMemory;  // create the surface in system memory
  uint8_t alphaTest;     // texture format with 1-bit alpha
  uint8_t bitDepth;      // 16 or 32
};

}  // namespace morrow
