// The screen: the display object and its window clipper, the screen mode (size, depth, refresh,
// window or full screen), the screen surfaces (primary, back and two work surfaces), the 8-bit
// palette, the choice of copy method, the measured frame time and the blend product table.
//
// Everything lives in the ScreenState record (morrow/device/screen_state.h). The library start
// calls InitDirectDraw and the end TerminateDirectDraw; the game picks its mode before the start
// with SelectScreenMode. The display underneath is platform::Display (platform/display.h).
// Presentation and draw targets belong to the screen back end; until it exists a minimal
// selection, clear and windowed present stand in (morrow/device/pending.cpp).
#pragma once

#include <cstdint>

#include "morrow/device/color_format.h"
#include "morrow/device/screen_state.h"
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

// Presentation of the back screen into the window (screen back end).
int PresentFrameWindowed();
// Draw target of the display side: -4 front screen, -2 back screen. 0 / -1.
int SelectDrawTargetDDraw(int screen);
// Fills the draw target with colour 0. 0 / -1.
int ClearDrawTargetDDraw();
// count 0: until a blank has begun; n > 0: n blanks. 0 / -1.
int WaitVerticalBlank(int count);

// The 3D device: the display offers none, so the start stops after asking for it.
int InitDirect3D();
int TerminateDirect3D();

// The 3D pieces of texture graphs. -1 without the 3D device, which is how the graphics start
// learns whether the 3D device can be used.
struct GraphRecord;
int DeleteAll3DGraphs();
int Create3DGraphForGraph(GraphRecord* graph);
int Delete3DGraphsOfGraph(GraphRecord* graph);

// Movies playing into graphs.
int PlayAllMovies();
int PauseAllMovies();
int ReleaseAllMovies();

}  // namespace morrow
