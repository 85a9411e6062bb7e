// Graphs made from picture files: whole pictures, pictures cut into cells, and the reload of
// every graph from its file after the display was lost.
//
// A picture is read through the image loaders (morrow/graphics/image_loader.h) into a GraphImage,
// with an optional alpha image from its companion file ("x.png" -> "x_a.png", whose red channel
// is the alpha of x.png). A graph of the picture's size is made and filled. A divided picture
// becomes one graph per cell; the cells share the pixels of one whole-picture graph, which is
// deleted once the cells hold them. Every graph keeps its file name and the working directory of
// its load, so that RestoreAllGraph (morrow/graphics/draw.h) can load it again: the cells of one
// sheet are restored from a single read of the file.
//
// Paths are the game's (GBK bytes, '\' separators). Picture files and companions are untrusted:
// a file that shrank or changed since a graph was loaded from it is skipped, never read outside.
#pragma once

#include <string>

#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_image.h"
#include "morrow/system/rect.h"

namespace morrow {

// A path as the game writes it ("Resource\\title.bmp"). A graph handle, or -1: a missing file
// logs "グラフィックファイル %s がありません", a file no image loader or movie accepts
// "右記のグラフィックファイルのロードに失敗しました：%s"; no graph is left behind.
int LoadImageAsGraph(const char* path);
// Cuts the picture row by row (left to right, then down) into count cells of cellWidth by
// cellHeight and writes one graph handle per cell into handles (count of them). 0; -1, and
// handles untouched, when the picture cannot be loaded; -1 when a cell cannot be cut (a grid
// larger than the picture), with every graph made deleted again. Cells past the grid's
// xCount * yCount get -1.
int LoadDividedGraph(const char* path, int count, int xCount, int yCount, int cellWidth,
                     int cellHeight, int* handles);

// The graph loader behind LoadImageAsGraph: wantTexture asks for the hardware path, reverse 1
// mirrors the picture left to right, movieOption goes to the movie a non-picture opens as.
int LoadGraphFile(const char* path, int wantTexture, int reverse, int movieOption);
// The divided loader behind LoadDividedGraph; reverse 1 mirrors the picture and takes each row's
// cells from the right, so that every cell shows its own part of the picture mirrored.
int LoadDividedGraphFile(const char* path, int count, int xCount, int yCount, int cellWidth,
                         int cellHeight, int* handles, int wantTexture, int reverse);

// The companion of path: the text before the last '.' of its last component (after the last
// '\' or '/', read character by character so that a GBK trail byte 0x5C is no separator), then
// "_a", then the '.' and what follows. A last component without '.' gets "_a" appended.
std::string MakeAlphaCompanionName(const char* path);

// Reads the file path (or, with fromMemory 1, the image bytes) into rgb, and an alpha image:
// alphaMode 0 from path's companion file, 1 from the alphaImage bytes (none given: no alpha),
// anything else none. -1 (both records empty) when rgb cannot be had; 0 when the alpha image was
// loaded too; 1 when only rgb exists (a companion that is missing or no picture counts as none).
// convert 1 widens rgb to 24 bits (32 with alpha when its format has alpha) when it is narrower.
int LoadImageFileToGraphImage(const char* path, const void* image, int imageSize, int fromMemory,
                              const void* alphaImage, int alphaSize, int alphaMode, GraphImage* rgb,
                              GraphImage* alpha, int convert);

// A graph of rgb's size with an alpha channel when rgb's format has alpha or alpha is given. -1
// for an alpha image of another size, or a size no graph can take.
int CreateGraphForImage(GraphImage* rgb, GraphImage* alpha, int wantTexture);
// Makes a graph of rgb's size and fills it from rgb and alpha (null: none); with mirrorHere and
// reverse both 1 the images are mirrored for the copy and back again. A graph, or -1 (nothing
// left behind).
int BuildGraphFromGraphImage(GraphImage* rgb, GraphImage* alpha, int wantTexture, int reverse,
                             int mirrorHere);
// Stores name (SetGraphFileName), setupValue and (srcX, srcY) in the graph's record and copies
// the image area at (srcX, srcY) of the graph's size into it. 0 while graphics is off; -1 for a
// handle that is no graph, a position outside 0..65535 or a failed copy.
int SetupGraphFromGraphImage(const char* name, GraphImage* rgb, GraphImage* alpha, int srcX,
                             int srcY, int graph, int setupValue);
// The same for the rectangle src of the image, copied to (destX, destY) of the graph; the
// rectangle's left and top become the record's source position.
int SetupGraphFromFile(const char* name, GraphImage* rgb, GraphImage* alpha, const Rect* src,
                       int destX, int destY, int graph, int setupValue);
// Stores the current directory and path ("" when null) in the graph's record. 0 / -1.
int SetGraphFileName(int graph, const char* path);

// Cuts rgb into count graphs, row by row, at most xCount cells a row and yCount rows; reverse 1
// takes each row from its right end. A cell that cannot be made logs
// "グラフィックの分割に失敗しました in CreateDivGraphFromGraphImage", deletes the cells made and
// the whole-picture graph and gives -1 (handles then hold deleted handles). Otherwise 0, with -1
// in the handles past the grid; count below 1 makes no cell.
int CreateDivGraphFromGraphImage(GraphImage* rgb, GraphImage* alpha, int count, int xCount,
                                 int yCount, int cellWidth, int cellHeight, int* handles,
                                 int wantTexture, int reverse, int mirrorHere);
// A graph that shows the rectangle (srcX, srcY, width, height) of source, cut at its right and
// bottom edges, sharing its pixels and carrying its file name, directory and set-up value. -1
// for a source that is no graph, a position outside it, or a width or height below 1; 0 while
// graphics is off. A piece that cannot be made is fatal.
int DeriveSubGraph(int srcX, int srcY, int width, int height, int source);

// The default restore: every graph awaiting restore that has a file name is loaded again from
// its file, in its directory. Always 0.
int RestoreGraphFromFile();
// The graph's lost pixel stores made again (empty). 0 while graphics is off; -1 for a handle
// that is no graph.
int RestoreGraphSurfaces(int graph);

}  // namespace morrow
