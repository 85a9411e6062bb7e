// The draw target and the draw area, and the rebuild of the graphics after a display loss.
#include <algorithm>

#include "morrow/device/device3d.h"
#include "morrow/device/direct3d.h"
#include "morrow/device/movie.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_system.h"
#include "morrow/graphics/mask.h"
#include "morrow/system/input.h"
#include "morrow/system/window.h"

namespace morrow {
namespace {

bool Direct3DUsable() {
  return GetGraphicsState().direct3DUsable != 0;
}

// The rectangle drawing may use on a target, before the requested area is clamped into it.
struct TargetBounds {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

TargetBounds BoundsOf(int target) {
  const DrawState& ds = GetDrawState();
  TargetBounds b;
  if (target == kFrontScreen) {
    GetScreenSize(&b.right, &b.bottom);
    if (IsWindowMode()) {
      // Only the part of the client area that lies on the desktop can be drawn.
      int client[4] = {};
      GetWindowClientScreenRect(client);
      int desktopWidth = 0, desktopHeight = 0;
      GetDesktopScreenInfo(&desktopWidth, &desktopHeight, nullptr);
      if (client[0] < 0) b.left = -client[0];
      if (client[1] < 0) b.top = -client[1];
      if (client[0] + b.right > desktopWidth) b.right = desktopWidth - client[0];
      if (client[1] + b.bottom > desktopHeight) b.bottom = desktopHeight - client[1];
      b.right = std::max(b.right, b.left);
      b.bottom = std::max(b.bottom, b.top);
    }
  } else if (target == kBackScreen) {
    GetScreenSize(&b.right, &b.bottom);
  } else if (QueryGraphSize(target, &b.right, &b.bottom) != 0) {
    b.right = ds.targetWidth;
    b.bottom = ds.targetHeight;
  }
  return b;
}

// drawScreen, the screen offset and both back ends for one target; false when the display side
// cannot draw into it.
bool SelectInBackEnds(int target) {
  DrawState& ds = GetDrawState();
  ds.drawScreen = target;
  ds.screenOffset = Rect{};
  if (DrawsAtClientPosition(target)) ds.screenOffset = ClientRectOnDesktop();
  if (Direct3DUsable()) SelectDrawTarget3D(target);
  return SelectDrawTargetDDraw(target) == 0;
}

// The size of the newly selected target; the area is kept when the size did not change.
void ApplyTargetSize(int target, int previousWidth, int previousHeight) {
  DrawState& ds = GetDrawState();
  int w = 0, h = 0;
  if (QueryGraphSize(target, &w, &h) != 0) return;
  ds.targetWidth = w;
  ds.targetHeight = h;
  if (w == previousWidth && h == previousHeight) {
    const Rect area = ds.drawArea;
    SetClipRect(area.left, area.top, area.right, area.bottom);
  } else {
    SetClipRect(0, 0, w, h);
  }
}

}  // namespace

int DrawsAtClientPosition(int target) {
  const DrawState& ds = GetDrawState();
  return target == kFrontScreen && IsWindowMode() &&
         (GetMaskSurface() == nullptr || ds.maskOn == 0);
}

Rect ClientRectOnDesktop() {
  int client[4] = {};
  GetWindowClientScreenRect(client);
  return Rect{client[0], client[1], client[2], client[3]};
}

int ClipRectToRect(Rect* r, const Rect* clip) {
  if (r == nullptr || clip == nullptr) return -1;
  r->left = std::clamp(r->left, clip->left, std::max(clip->left, clip->right));
  r->right = std::clamp(r->right, clip->left, std::max(clip->left, clip->right));
  r->top = std::clamp(r->top, clip->top, std::max(clip->top, clip->bottom));
  r->bottom = std::clamp(r->bottom, clip->top, std::max(clip->top, clip->bottom));
  return 0;
}

int SetClipRect(int x1, int y1, int x2, int y2) {
  DrawState& ds = GetDrawState();
  if (ds.graphicsOff != 0) return 0;
  WaitActiveAndRestore();
  const int requested[4] = {x1, y1, x2, y2};
  StoreDrawArea(requested);
  const TargetBounds b = BoundsOf(ds.drawScreen);
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  ds.drawArea = Rect{std::clamp(x1, b.left, b.right), std::clamp(y1, b.top, b.bottom),
                     std::clamp(x2, b.left, b.right), std::clamp(y2, b.top, b.bottom)};
  if (ds.drawArea.left != ds.drawArea.right && ds.drawArea.top != ds.drawArea.bottom) {
    ds.emptyArea = 0;
    if (Direct3DUsable()) SetClipRect3D(&ds.drawArea);
  } else {
    ds.emptyArea = 1;
  }
  return 0;
}

int SelectDrawTarget(int target) {
  if (GetGraphicsState().initialised == 0) return -1;
  DrawState& ds = GetDrawState();
  if (ds.graphicsOff != 0) return 0;
  WaitActiveAndRestore();
  const int savedMask = ds.maskOn;
  SetMaskEnabled(0);
  const int previous = ds.drawScreen;
  const int previousWidth = ds.targetWidth, previousHeight = ds.targetHeight;
  if (SelectInBackEnds(target)) {
    ApplyTargetSize(target, previousWidth, previousHeight);
  } else if (SelectInBackEnds(previous)) {
    // The target that was selected before is kept, with its area.
    ApplyTargetSize(previous, previousWidth, previousHeight);
  } else {
    // Neither can be drawn into (the previous one was deleted meanwhile): the back screen is
    // always there.
    SelectInBackEnds(kBackScreen);
    GetScreenSize(&ds.targetWidth, &ds.targetHeight);
    SetClipRect(0, 0, ds.targetWidth, ds.targetHeight);
  }
  SetMaskEnabled(savedMask);
  return 0;
}

int RebuildGraphicsDevice() {
  ScreenState& s = GetScreenState();
  // The 3D device and its textures are released and made again; the records and the pieces of
  // the texture graphs stay, and the graph restore below uploads their pixels again.
  ReleaseDirect3DObject();
  ReleaseMaskSurface();
  ReleaseScreenSurfaces();
  TerminateDirectInput();
  ReleaseAllSurface2DObjects();
  if (s.clipper != nullptr) {
    if (!s.clipper->IsDead()) s.clipper->Release();
    s.clipper.reset();
  }
  if (GetKeepDirectDrawFlag() == 0) {
    ReleaseDirectDrawDevice();
    SetupDirectDrawDevice();
  } else if (s.directDraw != nullptr) {
    // The kept display object takes the mode again; a new one was given it by its set-up.
    int desktopWidth = 0, desktopHeight = 0;
    GetDesktopScreenInfo(&desktopWidth, &desktopHeight, nullptr);
    int w = 0, h = 0;
    GetScreenSize(&w, &h);
    SetDisplayMode(s.directDraw.get(), desktopWidth, desktopHeight, w, h, GetScreenBitDepth(),
                   nullptr, &s.cooperativeFlags, IsWindowMode(), &s.displayModeChanged,
                   GetMainWindow());
  }
  RecreateAllSurface2DObjects();
  SetupWindowClipper();
  CreateScreenSurfaces();
  RebuildPalette();
  SelectDrawTargetDDraw(GetDrawState().drawScreen);
  CreateDirect3DObject();
  ClearDrawTarget();
  PresentFrame();
  RestoreAllGraph();
  ReopenAllMovies();
  RecreateMaskSurface();
  return 0;
}

}  // namespace morrow
