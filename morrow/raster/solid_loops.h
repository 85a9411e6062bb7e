// The pixel loops of a blended filled box, as the frame of G_DDraw_DrawFillBox (solid_frame.cpp)
// hands them over: the decision function turns depth, layout, mode and parameter into a loop id,
// and the loop table (loop_table.h) maps the id to one instantiation of SolidSpan with its solid
// rule (solid_rules.h), in reference and, where the rule has one, SSE2 form.
#pragma once

#include <cstdint>

#include "morrow/raster/pixel_format.h"
#include "morrow/raster/solid_rules.h"
#include "morrow/raster/walkers.h"

namespace morrow::raster {

enum class SolidLoop : uint8_t {
  kNothing,     // p = 0 in modes 1 to 3, modes 5 and up, other depths
  kColourFill,  // the plain colour: the blitter fills (mode 0, 8-bit screens, alpha at p = 255)
  kTable32,
  kAddGuard32,
  kSubGuard32,
  kDivide32,
  kTable565,
  kAddGuard565,
  kSubGuard565,
  kDivide565,
  kTable555,
  kAddGuard555,
  kSubGuard555,
  kDivide555,
  kChannelBlend,
  kChannelAdd,
  kChannelSub,
  kDivideGeneric,
  kCount
};

const char* SolidLoopName(SolidLoop id);

// Mode 0 and 8-bit screens fill, whatever the rest; otherwise by mode: 1 (p 0 nothing, 255
// fill), 2 and 3 (p 0 nothing), 4 whatever p, others nothing; by the screen's class.
SolidLoop ChooseSolidLoop(FormatClass format, int32_t mode, uint32_t p);

// Runs a blending loop (ids from kTable32 on); generic is the screen's layout for the generic
// 16-bit loops.
void DrawSolidLoop(SolidLoop id, const SolidSurfaces& walk, const SolidParams& params,
                   const FGeneric16& generic);

}  // namespace morrow::raster
