// 3D pieces: a graph held as textures is cut into power-of-two textures, and each texture-backed
// rectangle of it is a piece (kind 0x30000000) that knows where it lies in the graph and in its
// texture and carries a ready quad. Here the pieces are made and deleted, the cut is decided and
// image pixels are uploaded into the textures.
#pragma once

#include <cstdint>

#include "morrow/device/device3d.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/handle.h"
#include "morrow/graphics/surface_flags.h"
#include "morrow/system/rect.h"
#include "platform/display.h"

namespace morrow {

struct GraphImage;

// One per piece handle; made value-initialised.
struct Surface3DRecord {
  uint32_t checkNumber = 0;
  int* lostFlag = nullptr;              // written 1 when the piece is deleted; null = none
  uint16_t graphX = 0, graphY = 0;      // top-left inside the graph
  uint16_t textureX = 0, textureY = 0;  // top-left inside its texture
  uint16_t sourceX = 0, sourceY = 0;    // top-left inside its image (a derived graph: its parent)
  uint16_t width = 0, height = 0;
  // Top-left, top-right, bottom-left, bottom-right in graph pixels, z 0, rhw 1, white, with the
  // piece's texture coordinates.
  Vertex3D quad[4] = {};
  ResourceHandle owner = 0;    // the graph
  ResourceHandle surface = 0;  // its texture; pieces may share one
};

using Surface3DTable = HandleTable<Surface3DRecord, kSurface3DHandle, kSurface3DLimit>;

Surface3DTable& GetSurface3DTable();
// Frees every record left and empties the table (the 3D set-up).
void ClearSurface3DTable();

// A piece of width x height at (graphX, graphY) of the graph, at (textureX, textureY) of
// shareWith's texture (one reference more) or of a new texture of textureWidth x textureHeight
// with the draw state's key colour. -1 with a log line without the 3D device, for a full table or
// a failed allocation; -1 when the texture cannot be had or the piece would reach past it.
ResourceHandle AddSurface3DData(int textureWidth, int textureHeight, int graphX, int graphY,
                                int width, int height, int sourceX, int sourceY,
                                ResourceHandle owner, const Surface3DRecord* shareWith,
                                int textureX, int textureY, const SurfaceFlags* flags);
// Drops the piece's texture reference (the texture goes with the last), writes 1 through the
// lost flag and frees the record. 0 / -1.
int DeleteSurface3DData(ResourceHandle piece);
// -1 without the 3D device.
int DeleteAllSurface3DData();
// Every piece deleted and every graph's piece list emptied; -1 without the 3D device, which is
// how the graphics start learns whether the 3D device can be used.
int DeleteAll3DGraphs();
Surface3DRecord* Get3DGraphRecord(ResourceHandle piece);

// The texture sizes one side of a graph is cut into, in order, into sizes (room for
// kMaxTextureSizes). singleFlag 1: a render target, one texture where the device allows.
// -1 when more than kMaxTextureSizes would be needed.
constexpr int kMaxTextureSizes = 64;
int SplitTextureSizes(int length, int* sizes, int singleFlag);

// How a graph of width x height is cut: at most kMaxGraphPieces pieces in row-major order (on a
// square-only device non-square pieces become squares, the extra ones after the others).
struct TexturePiece {
  int x, y;                // in the graph
  int textureW, textureH;  // the texture's size
};
struct TexturePlan {
  int count = 0;
  TexturePiece pieces[kMaxGraphPieces];
};
// -1 when the graph would need more pieces than a graph holds or textures the device cannot
// make; 0 with the plan.
int Plan3DGraphPieces(int width, int height, int drawValid, TexturePlan* plan);

// The pieces of a new graph by its plan. 0 / -1 (pieces made so far deleted).
int Create3DGraphForGraph(GraphRecord* graph);
// Pieces of graph that show the rectangle (x, y, width, height) of parent's pixels, sharing its
// textures. 0 / -1.
int Create3DGraphFromParent(GraphRecord* graph, int x, int y, int width, int height,
                            const GraphRecord* parent);
int Delete3DGraphsOfGraph(GraphRecord* graph);

// The image area at (x + graphX, y + graphY) of each piece's size into each piece; -1 at the
// first bad piece or failed upload.
int Set3DGraphImage(GraphRecord* graph, int x, int y, const GraphImage* rgb,
                    const GraphImage* alpha);
// The image rectangle src placed at (destX, destY) of the graph into the pieces it overlaps,
// each the overlapping part.
int Set3DGraphImageRect(GraphRecord* graph, const Rect* src, int destX, int destY,
                        const GraphImage* rgb, const GraphImage* alpha);
// The rectangle src of rgb (alpha from rgb's own channel, else from alpha's red channel; into a
// texture with alpha bits and neither, the key colour becomes alpha 0 and every other pixel
// opaque) to (destX, destY) of the piece's texture, clipped to both images and to the piece.
// Through a temporary texture and the device's Load when the texture cannot be locked. 0 / -1.
int UploadImageToSurface3D(const GraphImage* rgb, const GraphImage* alpha, const Rect* src,
                           int destX, int destY, ResourceHandle piece);
// OR of the lost test over the pieces (lost textures are restored); -1 at a bad piece or
// without the 3D device.
int Check3DGraphLost(GraphRecord* graph);
// The pixels of a locked surface as an image (not owning them).
GraphImage ViewOfLockedSurface(const platform::LockedRect& locked);
// Each piece's area of source (at its source position) into the piece. 0 / -1.
int Update3DGraphFromSurface(platform::Surface* source, GraphRecord* graph);

int LockSurface3D(ResourceHandle piece, int* pitch, void** pixels, int writeOnly, const Rect* area);
int UnlockSurface3D(ResourceHandle piece);

}  // namespace morrow
