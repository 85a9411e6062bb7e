// Graphs made from picture files.
#pragma once

namespace morrow {

// A path as the game writes it ("Resource\\title.bmp"). A graph handle, or -1.
int LoadImageAsGraph(const char* path);
// Cuts the picture row by row (left to right, then down) into count cells of cellWidth by
// cellHeight and writes one graph handle per cell into handles. -1, and handles untouched, when
// the picture cannot be loaded.
int LoadDividedGraph(const char* path, int count, int xCount, int yCount, int cellWidth,
                     int cellHeight, int* handles);

}  // namespace morrow
