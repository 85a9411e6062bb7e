// The draw state's setters and getters and the public drawing calls, with the entry points of the
// graphics core that the window procedure and the library start call: the draw target and draw
// area, the restore of lost graphs and the rebuild after a display change.
//
// Graphs are named by their handles (morrow/graphics/handle.h); the screens are -4 (front) and -2
// (back). Colours are packed screen colours (PackScreenColor, morrow/device/color_format.h).
// A drawing call made while the graphics-off word is set, or while the draw area is empty,
// returns 0 and draws nothing; a graph handle that is not live gives -1 and draws nothing;
// otherwise the call returns what the back end that drew returned (morrow/graphics/draw_routes.h).
#pragma once

#include <cstdint>

#include "morrow/graphics/graph_image.h"
#include "morrow/system/rect.h"

namespace morrow {

using GraphReloadCallback = void (*)();

// The function the restore of every graph calls; null puts the default (reload each graph from
// its file) back.
int SetGraphReloadCallback(GraphReloadCallback callback);
// The game's callback, or null while the default is in force.
GraphReloadCallback GetGraphReloadCallback();
// 1: a restore callback is in force (the default counts).
int IsRestoreCallbackSet();
// Sets every graph's awaiting-restore flag and runs the restore callback. 0.
int RestoreAllGraph();
// After a device loss or display change: every display object released and made again, the
// draw target selected again, the screen cleared and shown, the graphs restored. 0.
int RebuildGraphicsDevice();
int RestoreLostGraphs();
int GetScreenSizeAndDepth(int* width, int* height, int* depth);
// -4 front screen, -2 back screen, or a graph handle.
int GetDrawTargetHandle();
// Makes target (-4, -2 or a graph handle) the draw target. A target that cannot be selected
// leaves the previous one selected (or, when that is gone too, the back screen with the whole
// screen as draw area); the result is 0 all the same. -1 before the graphics start.
int SelectDrawTarget(int target);
// left, top, right, bottom: copied into the draw state's screen offset.
int SetScreenRect(const int rect[4]);
// 1 when drawing into target is offset by the window's client position: the front screen in a
// window while no mask surface is in use (the mask surface lies at the screen's origin).
int DrawsAtClientPosition(int target);
// The window's client area on the desktop (left, top, right, bottom).
Rect ClientRectOnDesktop();
// The draw area: corners ordered and clamped into the target (for the front screen in a window,
// into the part of the client area that lies on the desktop). 0.
int SetClipRect(int x1, int y1, int x2, int y2);
// Clamps r's left and right into clip's left..right and its top and bottom into top..bottom. 0.
int ClipRectToRect(Rect* r, const Rect* clip);
// A copy of a graph's pixels for a window region; -1 when it cannot be made.
int CopyGraphForRegion(int graph, GraphImage* out);

// Settings of graphs made later.
// flag 1: video memory; anything else keeps new graphs in system memory.
int SetGraphVideoMemoryFlag(int flag);
int GetGraphVideoMemoryFlag();
int SetGraphAlphaTestFlag(int flag);
int GetGraphAlphaTestFlag();
// 0 automatic, 16 or 32.
int SetGraphBitDepth(int depth);
int GetGraphBitDepth();
int QueryGraphBitDepth();
int SetGraphAlphaChannelFlag(int flag);
int GetGraphAlphaChannelFlag();
int QueryGraphAlphaChannelFlag();
int SetImageConvertFlag(int value);
int GetImageConvertFlag();
// The transparent colour of surfaces made later; ignored on an 8-bit screen.
int SetKeyColor(int r, int g, int b);
// The preference for drawing through the 3D device; before the display exists it also decides
// whether the screen set-up starts the 3D device at all.
int SetUseHardwareDrawFlag(int flag);
// 1 lets lines and box outlines take the hardware path. Kept across the graphics start.
int SetHardwareShapeDrawFlag(int flag);
int GetHardwareShapeDrawFlag();
int SetBackFaceCulling(int flag);
// 1 when draws can go through the 3D device; 0 while it does not exist.
int IsDirect3DUsable();

// The draw state.
// Mode 0 none, 1 alpha, 2 add, 3 subtract, 4 multiply (8 XOR on the software path); the
// parameter is clamped to 0..255. Mode 7 only switches the 3D device's texture alpha.
int SetBlendMode(int mode, int parameter);
// Multiplied into every drawn pixel; each channel clamped to 0..255; 255, 255, 255 is neutral.
int SetModulationColor(int r, int g, int b);
// Sampling of scaled and rotated draws: 0 nearest, 1 bilinear.
int SetFilterMode(int mode);
// -4 or -2: the screen size; a graph: its size into the pointers that are not null. -1 for a
// handle that is not live.
int QueryGraphSize(int target, int* width, int* height);
// The size of a font (-1 for a font handle that is not live).
int GetFontSizeOfHandle(int font);

// Drawing calls.
// transparent 1 skips the transparent colour (or honours the alpha channel).
int DrawGraph(int x, int y, int graph, int transparent);
// Stretched onto the rectangle; reversed corners mirror.
int DrawExtendGraph(int x1, int y1, int x2, int y2, int graph, int transparent);
// Centred on (x, y), scaled, turned by angle radians, mirrored left to right when turn is 1.
int DrawRotaGraph(int x, int y, double scale, double angle, int graph, int transparent, int turn);
// Onto the quadrilateral with corners top-left, top-right, bottom-right, bottom-left.
int DrawModiGraph(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, int graph,
                  int transparent);
int DrawFloatModiGraph(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                       float y4, int graph, int transparent);
// Mirrored left to right with its top-left corner at (x, y).
int DrawMirroredGraph(int x, int y, int graph, int transparent);
// The part (srcX, srcY, width, height) of a graph with its top-left corner at (x, y); turn 1
// mirrors it. Never draws outside that rectangle or the draw area, which it leaves as it was.
int DrawGraphPart(int x, int y, int srcX, int srcY, int width, int height, int graph,
                  int transparent, int turn);
// The whole graph in one colour.
int PaintGraph(int graph, int r, int g, int b, int a);
int DrawLine(int x1, int y1, int x2, int y2, uint32_t colour);
// A box, filled when filled is non-zero, else its outline.
int DrawRectangle(int x1, int y1, int x2, int y2, uint32_t colour, int filled);
int DrawFillBox(int x1, int y1, int x2, int y2, uint32_t colour);
int DrawFrameBox(int x1, int y1, int x2, int y2, uint32_t colour);
// A negative radius draws nothing and returns 0.
int DrawCircle(int x, int y, int radius, uint32_t colour, int filled);
// GBK text in the default font (morrow/graphics/font.h).
int RenderText(int x, int y, const char* text, uint32_t colour, uint32_t edgeColour);
// Null or empty text: 0. A font handle that is not live: "フォントハンドル値が異常です" in the
// log and -1.
int RenderTextToHandle(int x, int y, const char* text, uint32_t colour, int font,
                       uint32_t edgeColour, int vertical);
// Copies a rectangle of the current target into a graph.
int CopyScreenToGraph(int x1, int y1, int x2, int y2, int graph, int flag);
// Clears the whole current target to colour 0. 0.
int ClearDrawTarget();
// Loads a picture, draws it with its top-left corner at (x, y) and deletes it again.
int LoadAndDrawGraphFile(int x, int y, const char* path, int transparent);

}  // namespace morrow
