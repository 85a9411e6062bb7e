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
int G_DDraw_DrawLine(int x1, int y1, int x2, int y2, uint32_t colour);
// The outline as four lines: the top row, the right column, the bottom row, the left column.
// -1 without a display.
int G_DDraw_DrawFrameBox(int x1, int y1, int x2, int y2, uint32_t colour);
int G_DDraw_DrawCircle(int x, int y, int radius, uint32_t colour, int filled);

}  // namespace morrow
