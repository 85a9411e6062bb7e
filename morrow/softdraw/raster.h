// The software drawing routines: graphs held on display surfaces drawn into the locked draw
// target (or the mask surface while a mask exists), and boxes, lines and circles in packed
// screen colours. Each reads the draw state (morrow/graphics/draw_state.h), clips to its draw
// area, and returns its result to the drawing call unchanged (0 / -1). The drawing calls reach
// them through the routing table (morrow/graphics/draw_routes.h).
#pragma once

#include <cstdint>

#include "morrow/graphics/handle.h"

namespace morrow {

struct GraphRecord;

// One 2D piece with its top-left corner at (x, y), blended by the draw state (morrow/softdraw/
// piece_frame.cpp); a non-zero transparent leaves the pixels equal to the piece surface's colour
// key untouched. Plain pieces, and every piece on an 8-bit screen, are block copies that lock
// nothing. -1 without a display, for a value that is no live piece or a piece without its
// surface; a failed surface lock ends the process.
int G_DDraw_DrawGraph(int x, int y, ResourceHandle piece, int transparent);
// The graph's first piece at (x, y), after the 3D batch is flushed.
int DrawGraphDDraw(int x, int y, GraphRecord* graph, int transparent);
// Stretched onto the rectangle.
int G_DDraw_DrawExtendGraph(int x1, int y1, int x2, int y2, GraphRecord* graph, int transparent);
// Turned and scaled about (x, y), mirrored when turn is non-zero.
int G_DDraw_DrawRotaGraph(int x, int y, double scale, double angle, GraphRecord* graph,
                          int transparent, int turn);
// Onto a quadrilateral with corners top-left, top-right, bottom-left, bottom-right.
int G_DDraw_DrawModiGraph(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
                          GraphRecord* graph, int transparent);
int G_DDraw_DrawFloatModiGraph(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                               float y4, GraphRecord* graph, int transparent);
// Copies the rectangle of the draw target into the graph's pieces.
int CopyScreenToGraphDDraw(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag);

// One triangle of the graph's first piece (null graph: of fillColour) into surfaces the caller
// has locked: vertices are three records of x, y (draw-area pixels) and u, v (texels); dest and
// read address pixel (0, 0) of the draw area's coordinates, src texel (0, 0). -1 without a
// display, for a graph whose first piece is no piece, and for a triangle of zero area or with a
// coordinate beyond +-8191.
int G_DDraw_RenderTexturedTriangle(const int32_t* vertices, const GraphRecord* graph, int transFlag,
                                   uint8_t* dest, int32_t destPitch, const uint8_t* src,
                                   int32_t srcPitch, const uint8_t* read, int32_t readPitch,
                                   uint32_t fillColour);

// The box between the corners (each pair in any order, the larger one outside) in a packed
// screen colour, brightened and blended by the draw state (morrow/softdraw/solid_frame.cpp). The
// plain colour, and every box on an 8-bit screen, is the blitter's colour fill. -1 without a
// display; a failed surface lock ends the process.
int G_DDraw_DrawFillBox(int x1, int y1, int x2, int y2, uint32_t colour);
// The line from (x1, y1) toward (x2, y2), its end left out: clipped to the draw area, brightened
// and blended by the draw state; only a line with an end inside the area's columns or rows is
// drawn. -1 without a display; a failed surface lock ends the process.
int G_DDraw_DrawLine(int x1, int y1, int x2, int y2, uint32_t colour);
// The outline as four lines: the top row, the right column, the bottom row, the left column.
// -1 without a display.
int G_DDraw_DrawFrameBox(int x1, int y1, int x2, int y2, uint32_t colour);
// The circle about (x, y), filled or as its outline, clipped span by span or point by point;
// a radius below 0 draws nothing. -1 without a display; a failed surface lock, or no memory for
// a filled circle's row marks, ends the process.
int G_DDraw_DrawCircle(int x, int y, int radius, uint32_t colour, int filled);

// The triangle with corners (x1, y1), (x2, y2), (x3, y3) in a packed screen colour, blended by
// the draw state as G_DDraw_RenderTexturedTriangle fills it without a graph, inside the frame
// the quadrilateral draw gives its triangles (morrow/softdraw/untextured_frame.cpp). No drawing
// call reaches it; devshot's `tri` does. -1 without a display, for corners beyond +-8191 and
// for a triangle of zero area.
int DrawPlainTriangleDDraw(int x1, int y1, int x2, int y2, int x3, int y3, uint32_t colour);

}  // namespace morrow
