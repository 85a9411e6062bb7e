// The routing table: the one place where the drawing calls (morrow/graphics/draw.h) meet their
// back ends. Every drawing call hands its work to one entry of this table, the software routines
// (morrow/softdraw/raster.h, the screen back end of morrow/device/screen.h) or the hardware-path
// routines (morrow/device/direct3d.h), and returns that entry's result unchanged; the mask hooks
// run through it too.
//
// The entries start out as those routines. A test or a tool may replace entries (to record what
// reaches them) and put the defaults back with ResetDrawRoutes; TraceDrawRoutes puts a
// formatting layer in front of every drawing routine.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace morrow {

struct GraphRecord;

struct DrawRoutes {
  // Software path.
  int (*drawGraphDDraw)(int x, int y, GraphRecord* graph, int transparent);
  int (*drawExtendGraphDDraw)(int x1, int y1, int x2, int y2, GraphRecord* graph, int transparent);
  int (*drawRotaGraphDDraw)(int x, int y, double scale, double angle, GraphRecord* graph,
                            int transparent, int turn);
  // The quadrilateral routines take their corners as top-left, top-right, bottom-left,
  // bottom-right.
  int (*drawModiGraphDDraw)(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
                            GraphRecord* graph, int transparent);
  int (*drawFloatModiGraphDDraw)(float x1, float y1, float x2, float y2, float x3, float y3,
                                 float x4, float y4, GraphRecord* graph, int transparent);
  int (*drawLineDDraw)(int x1, int y1, int x2, int y2, uint32_t colour);
  int (*drawFillBoxDDraw)(int x1, int y1, int x2, int y2, uint32_t colour);
  int (*drawFrameBoxDDraw)(int x1, int y1, int x2, int y2, uint32_t colour);
  int (*drawCircleDDraw)(int x, int y, int radius, uint32_t colour, int filled);
  int (*paintGraphDDraw)(GraphRecord* graph, int r, int g, int b, int a);
  int (*copyScreenToGraphDDraw)(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag);
  int (*renderTextDDraw)(int x, int y, const char* text, uint32_t colour, int font,
                         uint32_t edgeColour, int vertical);
  // Hardware path.
  int (*drawGraph3D)(int x, int y, GraphRecord* graph, int transparent);
  int (*drawExtendGraph3D)(int x1, int y1, int x2, int y2, GraphRecord* graph, int transparent);
  int (*drawRotaGraph3D)(int x, int y, double scale, double angle, GraphRecord* graph,
                         int transparent, int turn);
  int (*drawModiGraph3D)(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
                         GraphRecord* graph, int transparent);
  int (*drawFloatModiGraph3D)(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                              float y4, GraphRecord* graph, int transparent);
  int (*drawLine3D)(int x1, int y1, int x2, int y2, uint32_t colour);
  int (*drawFillBox3D)(int x1, int y1, int x2, int y2, uint32_t colour);
  int (*drawFrameBox3D)(int x1, int y1, int x2, int y2, uint32_t colour);
  int (*drawCircle3D)(int x, int y, int radius, uint32_t colour, int filled);
  int (*paintGraph3D)(GraphRecord* graph, int r, int g, int b, int a);
  int (*copyScreenToGraph3D)(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag);
  int (*renderText3D)(int x, int y, const char* text, uint32_t colour, int font,
                      uint32_t edgeColour, int vertical);
  // The mask hooks around every draw, with the rectangle the draw may touch.
  int (*maskBeforeDraw)(int x1, int y1, int x2, int y2);
  int (*maskAfterDraw)(int x1, int y1, int x2, int y2);
};

// The table the drawing calls use.
DrawRoutes& GetDrawRoutes();
// The routines the table starts with.
DrawRoutes DefaultDrawRoutes();
void ResetDrawRoutes();

// Puts a layer in front of every drawing routine of the current table (not the mask hooks) that
// hands sink one line per call: the routine's name, then its arguments separated by blanks,
// without record pointers, integers in decimal, reals as %g, colours as 0x%x and text as given.
// The layer then calls the routine it replaced. An empty sink removes the layer again.
void TraceDrawRoutes(std::function<void(const std::string&)> sink);

}  // namespace morrow
