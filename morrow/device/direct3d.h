// The 3D device as the drawing calls and the screen back end see it: the scene bracket every
// surface access ends first, the draw state handed over as it changes, and the hardware-path
// drawing routines of texture graphs and shapes. The device itself, its set-up and its records
// are in morrow/device/device3d.h; graphs held as textures in morrow/device/pieces3d.h.
#pragma once

#include <cstdint>

#include "morrow/system/rect.h"

namespace morrow {

struct GraphRecord;

// The scene bracket: the batch drawn, and the scene ended (the scene stays open after a flush).
// 0; -1 without a 3D device.
int EndScene3D();
int Flush3DVertexBatch();
// 1 when a 3D device exists and reports its state.
int HasDirect3DDevice();

// The draw state handed to the 3D device. -1 without one (SetBlendMode3D: always 0).
int SelectDrawTarget3D(int target);
int SetClipRect3D(const Rect* area);
// useMask 1: the device draws into the mask surface (when there is one), so that the mask's
// hooks choose which of its pixels reach the target; 0: into the draw target again. The
// viewport follows. 0; -1 without a 3D device.
int SetClipViewport3D(int useMask);
// The blend table on the current device: modes -11 to 8, 7 switching the texture's alpha.
int SetBlendMode3D(int mode, int parameter);
// 0 point, 1 linear; -1 for any other mode.
int SetFilterMode3D(int mode);
int SetBackFaceCulling3D(int flag);
int ClearDrawTarget3D();

// The hardware-path routines; each returns what it drew with, -1 without a 3D device.
int G_D3D_DrawGraph(int x, int y, GraphRecord* graph, int transparent);
int G_D3D_DrawExtendGraph(int x1, int y1, int x2, int y2, GraphRecord* graph, int transparent);
int G_D3D_DrawRotaGraph(int x, int y, double scale, double angle, GraphRecord* graph,
                        int transparent, int turn);
// Corners top-left, top-right, bottom-left, bottom-right.
int G_D3D_DrawModiGraph(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
                        GraphRecord* graph, int transparent);
int G_D3D_DrawFloatModiGraph(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                             float y4, GraphRecord* graph, int transparent);
int G_D3D_DrawLine(int x1, int y1, int x2, int y2, uint32_t colour);
int G_D3D_DrawFillBox(int x1, int y1, int x2, int y2, uint32_t colour);
int G_D3D_DrawFrameBox(int x1, int y1, int x2, int y2, uint32_t colour);
int G_D3D_DrawCircle(int x, int y, int radius, uint32_t colour, int filled);
int PaintGraph3D(GraphRecord* graph, int r, int g, int b, int a);
int G_D3D_CopyScreenToGraph(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag);
int RenderTextD3D(int x, int y, const char* text, uint32_t colour, int font, uint32_t edgeColour,
                  int vertical);

}  // namespace morrow
