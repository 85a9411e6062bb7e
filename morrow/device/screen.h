// The screen: the display object and its window clipper, the screen mode (size, depth, refresh,
// window or full screen), the screen surfaces (primary, back and two work surfaces), the 8-bit
// palette, the choice of copy method, the measured frame time and the blend product table.
//
// Everything lives in the ScreenState record (morrow/device/screen_state.h). The library start
// calls InitDirectDraw and the end TerminateDirectDraw; the game picks its mode before the start
// with SelectScreenMode. The display underneath is platform::Display (platform/display.h).
// Presentation and draw targets are the screen back end's, below.
#pragma once

#include <cstdint>

#include "morrow/device/color_format.h"
#include "morrow/device/screen_state.h"
#include "morrow/system/rect.h"
#include "morrow/system/window.h"
#include "platform/display.h"

namespace morrow {

// Brings up the display object, the clipper, the mode, the surfaces, the graphics core and the
// blend product table. -1 at once when a display object exists; failures inside are fatal.
int InitDirectDraw();
// Takes all of it down again; nothing without a display object. Always 0.
int TerminateDirectDraw();

// Any argument -1 keeps its current value. 0: the mode equals the request; -2: it fell back to
// 640 x 480 x 16 at refresh 0; -1: anything else. Before the start only the values are stored.
int SelectScreenMode(int width, int height, int bitDepth, int refreshRate);
// -1 keeps a value; with force 0 an unchanged request returns 0 at once. 0, -1 or -2. Like any
// change of the display, a change of the display mode is announced to the main window with a
// display-change message (platform::msg::kDisplayChange): the window-mode switch pumps until it
// has arrived.
int ChangeScreenMode(int width, int height, int bitDepth, int force, int refreshRate);
// The mode as the library sets it: a window takes the desktop's depth (24 bits refused), full
// screen sets the display mode. -1 when the mode cannot be had; a window larger than the desktop
// is fatal.
int SetDisplayMode(platform::Display* display, int desktopWidth, int desktopHeight, int width,
                   int height, int bitDepth, int* bitDepthOut, uint32_t* cooperativeFlagsOut,
                   int windowMode, int* displayModeChangedFlag, WindowHandle window);
// Reads the display's pixel format into the screen format, logs its masks and takes its depth.
int LogColorFormat();
int CreateDirectDrawObject(std::shared_ptr<platform::Display>* out);
int CreateScreenSurfaces();
int ReleaseScreenSurfaces();
// The pair the graphics rebuild runs around a display loss.
int ReleaseDirectDrawDevice();
int SetupDirectDrawDevice();
int RebuildPalette();
// For the primary and then the back surface: restored when lost. -1 without a display.
int RestoreScreenSurfaces();

// The duration of one display frame in ms by the beam: the first of four measured frames equal
// to a later one, tried up to five times; -1 when none repeats. Each wait gives up after 100 ms,
// which fails its try. The four values of the last try go to values (-1 where not measured).
int MeasureFrameTime(int32_t values[4]);

int SetDDrawStartFlag(int flag);
int SetSoftwareDrawStartFlag(int flag);
int SetLowPrecisionBlendFlag(int flag);
int SetDirect3DFlushFlag(int flag);

// Plain reads. The size reads 640 x 480 and the depth 16 while no mode is stored.
int GetScreenSize(int* width, int* height);
int GetScreenBitDepth();
ColorFormat* GetScreenColorFormat();
platform::Surface* GetDrawTargetSurface();
platform::Surface* GetPrimarySurface();
platform::Surface* GetBackSurface();
platform::Surface* GetWorkSurface();
// The work surface (index 0) or the second work surface (1), replaced by a larger one when it
// does not cover width x height (a draw target larger than the screen stages larger
// rectangles). Null without a display, for another index, or when the larger surface cannot be
// had (the old one stays).
platform::Surface* GetWorkSurfaceCovering(int index, int width, int height);
// The display object (non-null once set up).
platform::Display* IsDirectDrawReady();
int IsDrawTargetFront();
int GetSoftwareOnlyFlag();
int GetKeepDirectDrawFlag();
int GetDisplayModeChangedFlag();
// The usable overlay format on a screen of at least 640 x 400, else null.
const platform::PixelFormat* GetOverlayPixelFormat();
int CopyDriverCaps(void* dest);

// Entry [a][b] = (a * b) >> 8, built at the end of InitDirectDraw.
using BlendProductRow = uint32_t[256];
const BlendProductRow* GetBlendProductTable();

// ---- the screen back end ----
// Shows the finished frame: in a window (or with a menu) PresentFrameWindowed; in full screen a
// flip, waiting for the blank when the vertical-sync option is set. With the front screen as the
// draw target nothing is flipped: the frame is counted and, with the option set, one blank is
// waited for. 0 / -1.
int PresentFrame();
// A frame that presents nothing and keeps the last picture (a paused game's pass). While a script
// drives the input it counts as a frame for the script and the frame limit, as a present does;
// otherwise it does nothing. Always 0.
int HoldFrame();
// Copies the back screen into the window's client area (scaled by the window scale), or in full
// screen onto the primary; with the vertical-sync option it first waits, paced by the measured
// frame time, for the blank. The front screen as the draw target: counts the frame and waits one
// blank. 0 / -1.
int PresentFrameWindowed();
// Draw target of the display side: -4 front screen, -2 back screen or a graph handle; attaches
// or detaches the window clipper and notes whether the target lies in video memory. 0 / -1.
int SelectDrawTargetDDraw(int screen);
// Fills the draw target with colour 0 (the front screen in a window: the client area), and the
// depth buffer of a graph target with the farthest depth. 0 / -1.
int ClearDrawTargetDDraw();
// count 0: until a blank has begun; n > 0: n whole blanks; negative: at once. 0 / -1.
int WaitVerticalBlank(int count);
// Every piece of the graph in one colour. -1 without a display or at a piece that is not live.
struct GraphRecord;
int PaintGraphDDraw(GraphRecord* graph, int r, int g, int b, int a);
// The mask screen's hooks around a draw, with the rectangle the draw may touch. 0.
int MaskBeforeDraw(int x1, int y1, int x2, int y2);
int MaskAfterDraw(int x1, int y1, int x2, int y2);
// Copies srcRect of src to (x, y) of dest by the copy method the start measured (device-context
// copy or unclipped surface copy). Results of the copies are not examined: 0.
int CopySurfaceRect(platform::Surface* dest, platform::Surface* src, int x, int y,
                    const Rect* srcRect);
// Text from a font's glyph cache into the draw target.
int RenderTextDDraw(int x, int y, const char* text, uint32_t colour, int font, uint32_t edgeColour,
                    int vertical);
// Frames presented since the last screen-mode change.
int ResetFlipCounter();
int IncrementFlipCounter();
uint64_t GetFlipCounter();
// The window clipper, made when none exists (the rebuild after a display loss). 0 / -1.
int SetupWindowClipper();

// Movies playing into graphs.
int PlayAllMovies();
int PauseAllMovies();
int ReleaseAllMovies();

}  // namespace morrow
