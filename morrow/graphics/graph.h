// Graphs: the record behind a graph handle, the graph table, and the start and end of the
// graphics core (InitGraphicsSystem and EndGraphicsSystem, declared with the other calls the
// screen set-up makes in morrow/graphics/graph_system.h).
//
// A graph is a picture that can be drawn or drawn into. Its pixels live on one 2D piece of its
// whole size (morrow/graphics/surface2d.h) or, when it is held as textures, on the 3D pieces of
// the hardware path. Graphs derived from another one (the cells of a divided image) have a piece
// that shares the other graph's surface.
#pragma once

#include <cstdint>
#include <string>

#include "morrow/graphics/graph_system.h"
#include "morrow/graphics/handle.h"
#include "morrow/graphics/surface_flags.h"

namespace morrow {

constexpr int kMaxGraphPieces = 16;

// One per graph handle; made value-initialised (all zero, strings empty).
struct GraphRecord {
  uint32_t checkNumber = 0;
  // The library writes 1 through it when the graph is deleted; null = none.
  int* deletedFlag = nullptr;
  ResourceHandle handle = 0;  // the graph's own handle
  SurfaceFlags flags{};
  uint32_t setupValue = 0;  // the last image set-up's value, read again by the restore path
  ResourceHandle pieces[kMaxGraphPieces] = {};  // 2D pieces, or 3D pieces for textures
  int32_t pieceCount = 0;
  // The file the graph was loaded from ("" when none) and the working directory of that load,
  // so that a lost graph can be loaded again. Any length.
  std::string fileName;
  std::string loadDirectory;
  uint16_t sourceX = 0;  // the graph's area inside the loaded image (a cell of a divided image)
  uint16_t sourceY = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  int32_t movieHandle = -1;  // movie playing into this graph, -1 none
  uint32_t awaitingRestore = 0;
};

using GraphTable = HandleTable<GraphRecord, kGraphHandle, kGraphLimit>;

// The graphics core's block.
struct GraphicsState {
  int32_t initialised = 0;
  int32_t direct3DUsable = 0;  // set by InitGraphicsSystem
  GraphTable graphs;
};

GraphicsState& GetGraphicsState();

// Makes the record only, no pixels: the next slot, the next check number and the surface flags
// of new graphs (texture only where the 3D device may draw it; bit depth: the draw state's,
// else 32 with alpha, else the screen's). The record pointer goes to out when given. 0 (no
// record) while graphics is off. A full table, or a record that cannot be allocated, is fatal.
ResourceHandle AddGraphRecord(uint16_t width, uint16_t height, int wantTexture, GraphRecord** out,
                              int alphaChannel);
// A graph with its pixel store. -1 (nothing made, no check number used) for a side outside
// 1..65535; 0 while graphics is off; a pixel store that cannot be made is fatal.
ResourceHandle CreateGraph(int width, int height, int wantTexture, int alphaChannel);
// CreateGraph with the hardware path wanted and the draw state's alpha setting for new graphs.
ResourceHandle CreateEmptyGraph(int width, int height);
// Releases the pixels, logs "グラフィック %s の削除" when logIt, writes 1 through the deleted
// flag and frees the record. 0; -1 for a value that is no graph; 0 while graphics is off.
int FreeGraphHandle(ResourceHandle graph, int logIt);
// Keeps flag (null allowed) and writes 0 through it now. 0 / -1.
int SetGraphDeletedFlag(ResourceHandle graph, int* flag);
// The record of a live graph handle, or null.
GraphRecord* GetGraphRecord(ResourceHandle graph);

}  // namespace morrow
