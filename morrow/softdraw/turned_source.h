// What the turned draws (rotated, quadrilateral, triangle) read of a graph: its first piece, the
// piece's surface, the texels that really exist there, the alpha map and the key value, and the
// blend values of the draw state.
#pragma once

#include <cstdint>

#include "morrow/raster/turned_loops.h"
#include "morrow/raster/turned_rules32.h"

namespace morrow {
struct GraphRecord;
struct Surface2DRecord;
struct SurfaceRecord;
}  // namespace morrow

namespace morrow::softdraw {

struct TurnedSource {
  const Surface2DRecord* piece = nullptr;
  SurfaceRecord* surface = nullptr;
  // The texels a draw may read: the smaller of the graph's and its first piece's size, so that a
  // graph larger than its first piece never reads past the piece.
  uint32_t width = 0;
  uint32_t height = 0;
  bool alphaChannel = false;
  const uint8_t* alpha = nullptr;  // the alpha byte of the piece's top-left texel
  int32_t alphaPitch = 0;
  uint32_t key = 0;  // PackScreenColor of the surface's colour key
};

// 0 with out filled; -1 when the graph is null, its first piece is not live, the piece's surface
// record or display surface is missing, or the records disagree (a piece reaching outside its
// surface, an alpha channel without its map): nothing of such a graph is read.
int FindTurnedSource(const GraphRecord* graph, TurnedSource* out);

// The draw state's parameter (0 to 255) and bright, and the screen format's channel maxima.
raster::TurnedBlend CurrentTurnedBlend();

// The turned draw of source's texels, read from src (its top-left texel) with srcPitch, by the
// draw state and the screen's format; sourceIsTarget: they lie on the surface drawn to.
raster::TurnedDraw TurnedDrawOf(const TurnedSource& source, int keyFlag, const uint8_t* src,
                                int32_t srcPitch, bool sourceIsTarget);

}  // namespace morrow::softdraw
