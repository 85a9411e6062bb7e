// The screen back end: the display side of the drawing calls that are not rasterising (filling a
// graph, selecting and clearing the draw target, the mask hooks, surface-to-surface copies),
// waiting for the vertical blank, and presenting the finished frame with its counter.
#include <memory>

#include "morrow/device/direct3d.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_system.h"
#include "morrow/graphics/mask.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/system/library.h"
#include "morrow/system/log.h"
#include "morrow/system/time.h"
#include "morrow/system/window.h"
#include "platform/clock.h"
#include "platform/input.h"

namespace morrow {
namespace {

ScreenState& S() {
  return GetScreenState();
}

// A side of the screen times the window scale, truncated; kept inside the int range.
int ScaledSide(int side, double scale) {
  const double v = side * scale;
  if (!(v > 0)) return 0;
  return v >= 1073741824.0 ? 1073741824 : static_cast<int>(v);
}

// Between two polls of the beam.
void Nap() {
  platform::SleepMicroseconds(100);
}

// 1 in the blank, 0 outside it, -1 when the display went away meanwhile (a rebuild that ran
// inside the pump), which ends every wait.
int BlankState() {
  platform::Display* display = S().directDraw.get();
  if (display == nullptr) return -1;
  bool blank = false;
  display->GetVerticalBlankStatus(&blank);
  return blank ? 1 : 0;
}

// The surface record behind a graph's first piece, when the graph is held on display surfaces.
SurfaceRecord* FirstPieceSurface(const GraphRecord* graph, const Surface2DRecord** pieceOut) {
  if (graph->pieceCount < 1) return nullptr;
  const Surface2DRecord* piece = GetSurface2DRecord(graph->pieces[0]);
  if (piece == nullptr) return nullptr;
  if (pieceOut != nullptr) *pieceOut = piece;
  return GetSurfaceRecord(piece->surface);
}

void AttachWindowClipper(bool attach) {
  ScreenState& s = S();
  if (s.primarySurface == nullptr || !(IsWindowMode() || IsMenuInUse())) return;
  s.primarySurface->SetClipper(attach ? s.clipper : nullptr);
}

// The on-screen log over the frame, drawn with the whole screen as area and no blending.
void DrawScreenLogOver() {
  if (GetScreenLogState() == 0) return;
  DrawState& ds = GetDrawState();
  ScreenState& s = S();
  const Rect area = ds.drawArea;
  const int mode = ds.blendMode, param = ds.blendParam, lowPrecision = s.lowPrecisionBlend;
  int w = 0, h = 0;
  GetScreenSize(&w, &h);
  ds.drawArea = Rect{0, 0, w, h};
  ds.blendMode = 0;
  ds.blendParam = 0;
  DrawScreenLog();
  ds.drawArea = area;
  ds.blendMode = mode;
  ds.blendParam = param;
  s.lowPrecisionBlend = lowPrecision;
}

// The pacing wait of windowed presentation: sleep until the measured share of a frame has
// passed since the last present, then wait for the blank to begin.
void WaitForPresentSlot() {
  ScreenState& s = S();
  const int32_t sinceLast = GetMillisecondCount(0) - s.lastPresentMs;
  if (sinceLast >= s.presentSleepMs) {
    if (BlankState() == 0) s.directDraw->WaitForVerticalBlank(platform::kWaitBlankBegin);
  } else {
    while (GetMillisecondCount(0) - s.lastPresentMs < s.presentSleepMs) {
      platform::SleepMilliseconds(1);
    }
    s.directDraw->WaitForVerticalBlank(platform::kWaitBlankBegin);
  }
  s.lastPresentMs = GetMillisecondCount(0);
}

}  // namespace

int PaintGraphDDraw(GraphRecord* graph, int r, int g, int b, int a) {
  ScreenState& s = S();
  if (s.directDraw == nullptr || graph == nullptr) return -1;
  if (s.flushDirect3DFirst) EndScene3D();
  for (int i = 0; i < graph->pieceCount && i < kMaxGraphPieces; ++i) {
    const Surface2DRecord* piece = GetSurface2DRecord(graph->pieces[i]);
    if (piece == nullptr) return -1;
    const SurfaceRecord* surface = GetSurfaceRecord(piece->surface);
    if (surface == nullptr) return -1;
    // A cell of a divided picture shares its surface with the other cells: only its own part
    // is painted.
    const Rect area{piece->xOnSurface, piece->yOnSurface, piece->xOnSurface + piece->width,
                    piece->yOnSurface + piece->height};
    const bool whole = area.left == 0 && area.top == 0 && area.right == surface->width &&
                       area.bottom == surface->height;
    if (FillSurfaceArea(piece->surface, whole ? nullptr : &area, r, g, b, a) != 0) return -1;
  }
  return 0;
}

int SelectDrawTargetDDraw(int screen) {
  ScreenState& s = S();
  std::shared_ptr<platform::Surface> target;
  if (screen == kFrontScreen) {
    target = s.primarySurface;
    s.drawTargetSurface = target;
    s.drawingSuspended = 0;
    AttachWindowClipper(false);
  } else if (screen == kBackScreen) {
    target = s.backSurface;
    s.drawTargetSurface = target;
    s.drawingSuspended = 0;
    AttachWindowClipper(true);
  } else {
    const GraphRecord* graph = GetGraphRecord(screen);
    if (graph == nullptr) return -1;
    // A texture graph draws through its 3D piece, and 3D pieces exist only with a 3D device.
    if (graph->flags.texture == 1) return -1;
    const SurfaceRecord* surface = FirstPieceSurface(graph, nullptr);
    if (surface == nullptr) return -1;
    target = surface->surface;
    s.drawTargetSurface = target;
    s.drawingSuspended = 0;
    AttachWindowClipper(true);
  }
  s.selectedTarget = screen;
  uint32_t caps = 0;
  if (target != nullptr) target->GetCaps(&caps);
  GetDrawState().targetInVideoMemory = caps & platform::kCapsVideoMemory;
  return 0;
}

int ClearDrawTargetDDraw() {
  ScreenState& s = S();
  if (s.drawingSuspended || s.directDraw == nullptr) return -1;
  if (IsGraphicsOff()) return 0;
  if (s.flushDirect3DFirst) EndScene3D();
  const int target = s.selectedTarget;
  if (target != kFrontScreen && target != kBackScreen) {
    const GraphRecord* graph = GetGraphRecord(target);
    if (graph == nullptr) return -1;
    if (graph->flags.texture == 1) return 0;  // the 3D side clears those
    const SurfaceRecord* surface = FirstPieceSurface(graph, nullptr);
    if (surface == nullptr || surface->surface == nullptr) return -1;
    const platform::Rect r{0, 0, surface->width, surface->height};
    if (surface->zBuffer != nullptr) {
      platform::BltFx depth;
      depth.fillDepth = 65535;
      surface->zBuffer->Blt(&r, nullptr, nullptr, platform::kBltDepthFill | platform::kBltWait,
                            &depth);
    }
    platform::BltFx fill;
    fill.fillColor = 0;
    surface->surface->Blt(&r, nullptr, nullptr, platform::kBltColorFill | platform::kBltWait,
                          &fill);
    return 0;
  }
  if (s.drawTargetSurface == nullptr) return -1;
  int w = 0, h = 0;
  GetScreenSize(&w, &h);
  platform::Rect r{0, 0, w, h};
  if (target == kFrontScreen && IsWindowMode()) {
    int client[4] = {};
    GetWindowClientScreenRect(client);
    r = platform::Rect{client[0], client[1], client[0] + w, client[1] + h};
  }
  platform::BltFx fill;
  fill.fillColor = 0;
  s.drawTargetSurface->Blt(&r, nullptr, nullptr, platform::kBltColorFill, &fill);
  return 0;
}

int MaskBeforeDraw(int x1, int y1, int x2, int y2) {
  ApplyMaskBeforeDraw(x1, y1, x2, y2, S().drawTargetSurface.get());
  return 0;
}

int MaskAfterDraw(int x1, int y1, int x2, int y2) {
  ApplyMaskAfterDraw(x1, y1, x2, y2, S().drawTargetSurface.get());
  return 0;
}

int CopySurfaceRect(platform::Surface* dest, platform::Surface* src, int x, int y,
                    const Rect* srcRect) {
  if (dest == nullptr || src == nullptr || srcRect == nullptr) return 0;
  if (S().useGdiCopy == 1) {
    // A copy within one surface reads and writes through its one device context.
    std::shared_ptr<platform::DeviceContext> destDc, srcDc;
    dest->GetDC(&destDc);
    if (src != dest) src->GetDC(&srcDc);
    platform::BitBlt(destDc.get(), x, y, srcRect->Width(), srcRect->Height(),
                     src != dest ? srcDc.get() : destDc.get(), srcRect->left, srcRect->top);
    if (srcDc != nullptr) src->ReleaseDC(srcDc);
    if (destDc != nullptr) dest->ReleaseDC(destDc);
  } else {
    dest->BltFast(x, y, src, srcRect, platform::kBltFastNoColorKey);
  }
  return 0;
}

int WaitVerticalBlank(int count) {
  if (S().directDraw == nullptr) return -1;
  if (IsGraphicsOff()) return 0;
  WaitActiveAndRestore();
  if (count < 0) return 0;
  if (count == 0) {
    while (PumpMessages() == 0 && BlankState() == 0) Nap();
    return 0;
  }
  for (int i = 0; i < count; ++i) {
    int pumped = 0;
    int blank = 1;
    // Out of the blank in progress, then into the next one.
    while ((pumped = PumpMessages()) == 0 && (blank = BlankState()) == 1) Nap();
    while (pumped == 0 && blank != -1 && (pumped = PumpMessages()) == 0 &&
           (blank = BlankState()) == 0) {
      Nap();
    }
    if (pumped < 0) return -1;
    if (blank == -1) return 0;
  }
  return 0;
}

int PresentFrame() {
  ScreenState& s = S();
  if (s.directDraw == nullptr) return -1;
  WaitActiveAndRestore();
  if (s.directDraw == nullptr) return -1;
  if (IsWindowMode() || IsMenuInUse()) return PresentFrameWindowed();
  DrawScreenLogOver();
  // Drawing goes straight to the visible buffer: a flip would show the stale back buffer.
  if (s.selectedTarget == kFrontScreen) {
    IncrementFlipCounter();
    return s.vsyncWait ? WaitVerticalBlank(1) : 0;
  }
  EndScene3D();
  if (s.primarySurface != nullptr) {
    s.primarySurface->Flip(s.vsyncWait ? platform::kFlipWait
                                       : platform::kFlipWait | platform::kFlipNoVsync);
  }
  // Every frame presented is one present of the display, which the frame count follows.
  s.directDraw->PresentNow();
  IncrementFlipCounter();
  return 0;
}

int HoldFrame() {
  platform::NotifyHeldFrame();
  return 0;
}

int PresentFrameWindowed() {
  ScreenState& s = S();
  if (s.directDraw == nullptr) return -1;
  DrawScreenLogOver();
  if (s.selectedTarget == kFrontScreen) {
    IncrementFlipCounter();
    return WaitVerticalBlank(1);
  }
  EndScene3D();
  if (s.primarySurface == nullptr || s.backSurface == nullptr) return -1;
  int w = 0, h = 0;
  GetScreenSize(&w, &h);
  const platform::Rect source{0, 0, w, h};
  if (IsWindowMode()) {
    int client[4] = {};
    GetWindowClientScreenRect(client);
    const double scale = GetWindowScale();
    const platform::Rect dest{client[0], client[1], client[0] + ScaledSide(w, scale),
                              client[1] + ScaledSide(h, scale)};
    if (s.vsyncWait) WaitForPresentSlot();
    s.primarySurface->Blt(&dest, s.backSurface.get(), &source, platform::kBltWait, nullptr);
  } else if (!IsMenuInUse()) {
    if (s.vsyncWait) WaitForPresentSlot();
    s.primarySurface->BltFast(0, 0, s.backSurface.get(), &source, platform::kBltFastWait);
  } else {
    if (s.vsyncWait) WaitForPresentSlot();
    s.primarySurface->Blt(nullptr, s.backSurface.get(), nullptr, platform::kBltWait, nullptr);
  }
  // Every frame presented is one present of the display, which the frame count follows.
  s.directDraw->PresentNow();
  IncrementFlipCounter();
  return 0;
}

int ResetFlipCounter() {
  S().flipCount = 0;
  return 0;
}

int IncrementFlipCounter() {
  ++S().flipCount;
  return 0;
}

uint64_t GetFlipCounter() {
  return S().flipCount;
}

}  // namespace morrow
