// The solid colour's shapes besides the filled box: lines (softdraw/line_frame.cpp), circles
// (softdraw/circle_frame.cpp) and the untextured half of the triangle draw
// (softdraw/turned_triangle.cpp). One set of loop ids serves all three; a decision function
// turns depth, layout, mode and parameter into an id, and one loop table per shape (loop_table.h)
// maps it to its walker (walkers.h: LineWalk, CirclePoints, the spans of a filled circle or of a
// triangle) with a solid rule (solid_rules.h). The span shapes have SSE2 forms for the rules
// that offer them; lines and outlines are scalar.
#pragma once

#include <cstdint>

#include "morrow/raster/pixel_format.h"
#include "morrow/raster/solid_rules.h"
#include "morrow/raster/turned_walkers.h"
#include "morrow/raster/walkers.h"
#include "platform/rect.h"

namespace morrow::raster {

// The blending ids stand in the order of the filled box's (solid_loops.h), from kTable32 on.
enum class ShapeLoop : uint8_t {
  kNothing,  // p = 0 in modes 1 to 3, modes outside 0 to 4, other depths
  kFill32,   // the colour whole
  kFill16,   // the colour's low 16 bits, every 16-bit layout
  kFill8,    // the colour's low byte
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
  kGenericTable,
  kGenericAdd,
  kGenericSub,
  kDivideGeneric,
  kCount
};

const char* ShapeLoopName(ShapeLoop id);

// Lines and circles choose as the filled box does, with a plain write of the screen's depth where
// the box fills: 8-bit screens write the colour whatever the mode; otherwise mode 0 and mode 1 at
// p = 255 write it, modes 1 to 3 draw nothing at p = 0, mode 4 divides whatever p is, and any
// other mode (negative ones too), or another depth, draws nothing.
ShapeLoop ChooseShapeLoop(FormatClass format, int32_t mode, uint32_t p);

// The untextured triangle: the same, except that mode 4 draws nothing at 16 and 32 bits.
ShapeLoop ChooseUntexturedLoop(FormatClass format, int32_t mode, uint32_t p);

// The colour an untextured triangle's loop takes: with a draw bright (any word but 0xFFFFFFFF)
// each channel of a 32-bit, 5:6:5 or 5:5:5 colour becomes (bright_c * c) >> 8 at the channel's own
// width, the other bits 0; other layouts, and no bright, keep the colour as it is.
uint32_t UntexturedColour(FormatClass format, uint32_t colour, uint32_t bright);

// ---- lines ----

// The ends of a line after clipping to area: the first is drawn, the second is where the walk
// would stop; ok is false when nothing is drawn.
struct LineEnds {
  bool ok = false;
  int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// Clips the line (x1, y1)-(x2, y2) to area as the line draw does: the box reject, then the
// start and the end cut to the area in x and then in y along the line's equations (in double
// precision, each result truncated toward zero), then the ends clamped to the area (the start
// inside it, the end at most one pixel outside). Differences are taken in 64 bits, and every
// value is kept inside the 32-bit range before it is truncated. Nothing is left for an area
// without pixels, a line outside it, or ends that come out equal.
LineEnds ClipLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const platform::Rect& area);

void DrawLineLoop(ShapeLoop id, const LineSurfaces& walk, const SolidParams& params,
                  const FGeneric16& generic);

// ---- circles ----

// The outline's points (filled false) or the filled circle's spans. generic is the screen's
// layout for the generic 16-bit loops.
void DrawCircleLoop(ShapeLoop id, bool filled, const CircleWalk& walk, const SolidParams& params,
                    const FGeneric16& generic);

// ---- the untextured triangle ----

struct UntexturedDraw {
  uint32_t colour = 0;  // a pixel of the screen format
  int32_t mode = 0;
  uint32_t p = 0;
  uint32_t bright = 0xFFFFFFFF;
  FormatClass format = FormatClass::k32;
  FGeneric16 generic;  // the screen's layout
};

// The triangle's rows filled with the colour by the draw's mode.
void DrawUntexturedTriangle(const TriangleSpanWalk& walk, const UntexturedDraw& draw);

}  // namespace morrow::raster
