// G_DDraw_RenderTexturedTriangle: one triangle of a graph into surfaces its caller has locked.
// The set-up (morrow/raster/triangle.h) turns the vertices into the texture plane and two edge
// chains; the depth's dispatch (turned_loops.h) walks the rows.
#include <cstdint>

#include "morrow/device/screen.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/raster/solid_shapes.h"
#include "morrow/raster/triangle.h"
#include "morrow/raster/turned_loops.h"
#include "morrow/softdraw/frame.h"
#include "morrow/softdraw/raster.h"
#include "morrow/softdraw/solid_frame.h"
#include "morrow/softdraw/turned_source.h"
#include "morrow/softdraw/turned_triangle.h"

namespace morrow::softdraw {
namespace {

// The walk of a triangle of setup inside area, in the surfaces given.
raster::TriangleSpanWalk SpanWalk(const raster::TriangleSetup* setup, const Rect& area,
                                  const TriangleSurfaces& surfaces) {
  raster::TriangleSpanWalk walk;
  walk.setup = setup;
  walk.area = area;
  walk.dest = surfaces.dest;
  walk.destPitch = surfaces.destPitch;
  walk.read = surfaces.read;
  walk.readPitch = surfaces.readPitch;
  return walk;
}

}  // namespace

bool RenderUprightQuad(const raster::TriangleVertex vertices[4], const GraphRecord* graph,
                       int transFlag, const TriangleSurfaces& surfaces, const Rect& area) {
  if (GetScreenState().directDraw == nullptr || GetScreenState().screenBitDepth != 32) return false;
  // Only corners on an upright rectangle can show the graph at an axis-aligned scale. Any other
  // quadrilateral goes to its triangles before anything is set up, so none is set up twice.
  const raster::TriangleVertex* v = vertices;
  if (v[0].y != v[1].y || v[2].y != v[3].y || v[0].x != v[2].x || v[1].x != v[3].x) return false;
  TurnedSource source;
  if (graph == nullptr || FindTurnedSource(graph, &source) != 0) return false;
  raster::TriangleSetup halves[2];
  for (int i = 0; i < 2; ++i) {
    if (raster::SetUpTriangle(&vertices[i], &halves[i]) != raster::TriangleRefusal::kNone) {
      return false;
    }
  }
  return raster::DrawUprightQuad32(
      halves[0], halves[1], SpanWalk(nullptr, area, surfaces),
      TurnedDrawOf(source, transFlag, surfaces.src, surfaces.srcPitch, surfaces.sourceIsTarget));
}

int RenderTexturedTriangle(const raster::TriangleVertex vertices[3], const GraphRecord* graph,
                           int transFlag, const TriangleSurfaces& surfaces, const Rect& area,
                           uint32_t fillColour) {
  const ScreenState& s = GetScreenState();
  if (s.directDraw == nullptr) return -1;
  TurnedSource source;
  if (graph != nullptr && FindTurnedSource(graph, &source) != 0) return -1;
  raster::TriangleSetup setup;
  if (raster::SetUpTriangle(vertices, &setup) != raster::TriangleRefusal::kNone) return -1;

  const raster::TriangleSpanWalk walk = SpanWalk(&setup, area, surfaces);
  const int depth = s.screenBitDepth;
  if (depth != 8 && depth != 16 && depth != 32) return 0;
  if (graph == nullptr) {
    const DrawState& ds = GetDrawState();
    raster::UntexturedDraw plain;
    plain.colour = fillColour;
    plain.mode = ds.blendMode;
    plain.p = BlendParameter();
    plain.bright = ds.drawBright;
    plain.format = ScreenFormatClass();
    plain.generic = ScreenLayout();
    raster::DrawUntexturedTriangle(walk, plain);
    return 0;
  }
  const raster::TurnedDraw draw =
      TurnedDrawOf(source, transFlag, surfaces.src, surfaces.srcPitch, surfaces.sourceIsTarget);
  switch (depth) {
    case 8:
      raster::DrawTriangle8(walk, draw);
      break;
    case 16:
      raster::DrawTriangle16(walk, draw);
      break;
    default:
      raster::DrawTriangle32(walk, draw);
      break;
  }
  return 0;
}

}  // namespace morrow::softdraw

namespace morrow {

int G_DDraw_RenderTexturedTriangle(const int32_t* vertices, const GraphRecord* graph, int transFlag,
                                   uint8_t* dest, int32_t destPitch, const uint8_t* src,
                                   int32_t srcPitch, const uint8_t* read, int32_t readPitch,
                                   uint32_t fillColour) {
  if (GetScreenState().directDraw == nullptr || vertices == nullptr) return -1;
  raster::TriangleVertex corners[3];
  for (int i = 0; i < 3; ++i) {
    corners[i] = {vertices[4 * i], vertices[4 * i + 1], vertices[4 * i + 2], vertices[4 * i + 3]};
  }
  // The draw area, kept inside the surface the caller locked as its destination.
  const platform::Surface* target = softdraw::DestinationSurface();
  Rect area = GetDrawState().drawArea;
  if (target != nullptr) area = softdraw::ClipArea(*target);
  softdraw::TriangleSurfaces surfaces{dest, destPitch, src, srcPitch, read, readPitch, false};
  return softdraw::RenderTexturedTriangle(corners, graph, transFlag, surfaces, area, fillColour);
}

}  // namespace morrow
