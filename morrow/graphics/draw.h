// Entry points of the graphics core that the window procedure and the library start call: the
// draw target and draw area, the restore of lost graphs and the rebuild after a display change.
#pragma once

#include "morrow/graphics/graph_image.h"

namespace morrow {

using GraphReloadCallback = void (*)();

// Null puts the default (reload from the graph's file) back.
int SetGraphReloadCallback(GraphReloadCallback callback);
int IsRestoreCallbackSet();
int RebuildGraphicsDevice();
int RestoreLostGraphs();
int GetScreenSizeAndDepth(int* width, int* height, int* depth);
// -4 front screen, -2 back screen, or a graph handle.
int GetDrawTargetHandle();
// Makes target (-4, -2 or a graph handle) the draw target. -1 before the graphics start.
int SelectDrawTarget(int target);
// left, top, right, bottom
int SetScreenRect(const int rect[4]);
int SetClipRect(int x1, int y1, int x2, int y2);
// A copy of a graph's pixels for a window region; -1 when it cannot be made.
int CopyGraphForRegion(int graph, GraphImage* out);

}  // namespace morrow
