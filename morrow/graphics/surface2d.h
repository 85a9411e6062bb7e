// 2D pieces: the rectangles of graphs held on surfaces. A graph on the software path has one
// piece of its whole size on a surface of its own; a graph derived from it (a cell of a divided
// image) has one piece that shares that surface at an offset. Image pixels reach the pieces
// through BltImageToSurface2D, converted into the surface's format with their alpha plane.
// DeleteAllSurface2D and the release and re-creation of every piece's surface are declared with
// the screen set-up's other calls in morrow/graphics/graph_system.h.
#pragma once

#include <cstdint>

#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_image.h"
#include "morrow/graphics/handle.h"
#include "morrow/graphics/surface_flags.h"
#include "morrow/system/rect.h"

namespace morrow {

// One per piece handle; made value-initialised.
struct Surface2DRecord {
  uint32_t checkNumber = 0;
  int* lostFlag = nullptr;  // written 1 when the piece is deleted; null = none
  uint32_t zero = 0;
  uint16_t xInGraph = 0;  // where the piece lies inside its graph
  uint16_t yInGraph = 0;
  uint16_t xOnSurface = 0;  // where its pixels lie on the surface
  uint16_t yOnSurface = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  ResourceHandle owner = 0;    // the graph that made it
  ResourceHandle surface = 0;  // the surface that holds it
};

using Surface2DTable = HandleTable<Surface2DRecord, kSurface2DHandle, kSurface2DLimit>;

Surface2DTable& GetSurface2DTable();

// A piece on sharedFrom's surface (one reference more) or, without it, on a new surface of its
// size with the draw state's key colour. -1 with a log line without a display, for a full table,
// a failed allocation or a surface that cannot be had.
ResourceHandle AddSurface2D(uint16_t width, uint16_t height, uint16_t xInGraph, uint16_t yInGraph,
                            ResourceHandle owner, const Surface2DRecord* sharedFrom,
                            uint16_t xOnSurface, uint16_t yOnSurface, const SurfaceFlags* flags);
// Drops the piece's reference (the surface goes with the last one), writes 1 through the lost
// flag and frees the record. 0, also for a value that is no piece.
int DeleteSurface2D(ResourceHandle piece);
// Keeps flag (null allowed) and writes 0 through it now. 0 / -1.
int SetSurface2DDeletedFlag(ResourceHandle piece, int* flag);
Surface2DRecord* GetSurface2DRecord(ResourceHandle piece);
// DeleteAllSurface2D when the display is up, else -1.
int ResetSurface2DTable();

// One piece of the graph's whole size at (0, 0) on a new surface from its flags. 0 / -1.
int CreateGraphSurface2D(GraphRecord* graph);
// One piece of w x h in graph that shows the rectangle at (srcX, srcY) of source's first piece,
// sharing its surface. -1 when the rectangle is not inside that piece.
int DeriveGraphSurface2D(GraphRecord* graph, int srcX, int srcY, int w, int h,
                         const GraphRecord* source);
// DeleteSurface2D on each piece; -1 without a display.
int DeleteGraphSurface2D(GraphRecord* graph);

// Copies one rectangle of rgb (alpha from rgb's own channel, else from alpha's red channel,
// else 255) to (destX, destY) of the piece's surface, clipped to both images and to the piece.
// A lock that fails is fatal. 0 / -1.
int BltImageToSurface2D(const Rect* src, int destX, int destY, ResourceHandle piece,
                        const GraphImage* rgb, const GraphImage* alpha);
// For each piece, the image area at (piece x in graph + srcX, piece y in graph + srcY) of the
// piece's size onto the piece. -1 at the first bad piece or failed copy.
int BltGraphImageToGraph(int srcX, int srcY, GraphRecord* graph, const GraphImage* rgb,
                         const GraphImage* alpha);
// The image rectangle src to (destX, destY) of the graph: each piece that the destination meets
// receives the part that falls on it. 0 / -1.
int BltRectToGraph(const Rect* src, int destX, int destY, GraphRecord* graph, const GraphImage* rgb,
                   const GraphImage* alpha);
// OR of CheckSurfaceLost over the pieces (lost surfaces are restored); -1 without a display or
// at a bad piece.
int IsGraphLost(GraphRecord* graph);

}  // namespace morrow
