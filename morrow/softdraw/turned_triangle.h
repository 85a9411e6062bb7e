// The textured triangle as the quadrilateral draw hands it over: two triangles drawn into
// surfaces the quadrilateral has staged and locked once.
#pragma once

#include <cstdint>

#include "morrow/raster/triangle.h"
#include "morrow/system/rect.h"

namespace morrow {
struct GraphRecord;
}  // namespace morrow

namespace morrow::softdraw {

// The surfaces one textured triangle is drawn into, locked by its caller: pixel (0, 0) of the
// draw area's coordinates in the destination and in the read surface (the destination itself or
// a staged copy of it), texel (0, 0) of the graph's first piece, and their pitches in bytes.
struct TriangleSurfaces {
  uint8_t* dest = nullptr;
  int32_t destPitch = 0;
  const uint8_t* src = nullptr;
  int32_t srcPitch = 0;
  const uint8_t* read = nullptr;
  int32_t readPitch = 0;
  // The source lies on the destination surface itself.
  bool sourceIsTarget = false;
};

// G_DDraw_RenderTexturedTriangle drawing only inside area, which must lie inside every surface
// given: the quadrilateral draw passes the box it staged and locked.
int RenderTexturedTriangle(const raster::TriangleVertex vertices[3], const GraphRecord* graph,
                           int transFlag, const TriangleSurfaces& surfaces, const Rect& area,
                           uint32_t fillColour);

// The quadrilateral draw's two triangles, vertices 0 to 2 and 1 to 3 of a graph's corners, as one
// stretched draw where that writes the same pixels (raster::DrawUprightQuad32): true when drawn
// so, false when the triangles are to be drawn.
bool RenderUprightQuad(const raster::TriangleVertex vertices[4], const GraphRecord* graph,
                       int transFlag, const TriangleSurfaces& surfaces, const Rect& area);

}  // namespace morrow::softdraw
