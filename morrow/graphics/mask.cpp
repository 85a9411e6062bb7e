#include "morrow/graphics/mask.h"

#include <cstring>
#include <memory>
#include <vector>

#include "morrow/device/direct3d.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/system/log.h"
#include "morrow/system/window.h"
#include "platform/display.h"

namespace morrow {
namespace {

struct MaskState {
  std::shared_ptr<platform::Surface> surface;
  std::vector<uint8_t> memory;  // empty: no mask memory
  int pitch = 0;                // the screen width raised to a multiple of 4
  int width = 0;
  int height = 0;
  // The surface's source key; the copy back chooses pixels by their mask byte, never by colour.
  uint32_t keyColour = 0;
  int made = 0;
};

MaskState g_mask;

bool HasMemory() {
  return !g_mask.memory.empty();
}

void ReleaseSurface() {
  if (g_mask.surface == nullptr) return;
  if (!g_mask.surface->IsDead()) g_mask.surface->Release();
  g_mask.surface.reset();
}

void MakeSurface() {
  int w = 0, h = 0;
  GetScreenSize(&w, &h);
  platform::SurfaceDesc d;
  d.flags = platform::kDescCaps | platform::kDescWidth | platform::kDescHeight;
  d.width = w;
  d.height = h;
  d.caps = platform::kCapsOffscreenPlain |
           (GetSoftwareOnlyFlag() != 0 ? platform::kCapsSystemMemory : platform::kCaps3DDevice);
  if (IsDirectDrawReady()->CreateSurface(d, &g_mask.surface) != platform::DisplayResult::kOk) {
    g_mask.surface.reset();
    ExitWithError("マスク用サーフェスの作成に失敗しました");
  }
  const platform::ColorKey key{g_mask.keyColour, g_mask.keyColour};
  g_mask.surface->SetColorKey(platform::kColorKeySrcBlt, &key);
  uint32_t caps = 0;
  g_mask.surface->GetCaps(&caps);
  GetDrawState().maskInVideoMemory = (caps & platform::kCapsVideoMemory) != 0 ? 1 : 0;
}

// The screen offset for the mask state: the client position where drawing goes straight to the
// front screen in a window, else the target's origin and size.
void SetScreenOffset() {
  DrawState& ds = GetDrawState();
  if (DrawsAtClientPosition(ds.drawScreen)) {
    ds.screenOffset = ClientRectOnDesktop();
  } else {
    ds.screenOffset = Rect{0, 0, ds.targetWidth, ds.targetHeight};
  }
}

// Where a hook works: the rectangle on the mask, and where it lies on the target.
struct HookArea {
  Rect onMask;
  int targetX = 0;
  int targetY = 0;
};

// The rectangle inside the draw area, the mask and (moved by the client position when the front
// screen in a window is the target) the target surface. False when nothing is left.
bool FindHookArea(int x1, int y1, int x2, int y2, const platform::Surface& target, bool memory,
                  HookArea* out) {
  const DrawState& ds = GetDrawState();
  Rect r{x1, y1, x2, y2};
  ClipRectToRect(&r, &ds.drawArea);
  Rect mask{0, 0, g_mask.surface->width(), g_mask.surface->height()};
  if (memory) mask = Intersect(mask, Rect{0, 0, g_mask.width, g_mask.height});
  r = Intersect(r, mask);
  int64_t dx = 0, dy = 0;
  if (ds.drawScreen == kFrontScreen && IsWindowMode()) {
    int client[4] = {};
    GetWindowClientScreenRect(client);
    dx = client[0];
    dy = client[1];
  }
  // The target's own bounds, in mask coordinates.
  const Rect onTarget{SaturateToInt(-dx), SaturateToInt(-dy),
                      SaturateToInt(int64_t{target.width()} - dx),
                      SaturateToInt(int64_t{target.height()} - dy)};
  r = Intersect(r, onTarget);
  if (r.Empty()) return false;
  out->onMask = r;
  out->targetX = static_cast<int>(r.left + dx);
  out->targetY = static_cast<int>(r.top + dy);
  return true;
}

// A lost mask surface gets its memory back; its pixels are copied in before every draw.
bool SurfaceUsable() {
  if (g_mask.surface == nullptr || g_mask.surface->IsDead()) return false;
  if (g_mask.surface->IsLost() == platform::DisplayResult::kSurfaceLost) {
    return g_mask.surface->Restore() == platform::DisplayResult::kOk;
  }
  return true;
}

// Copies the pixels of the area whose mask byte is not 0 from the locked mask surface onto the
// locked target, runs of them at a time.
void CopyMaskedPixels(const HookArea& a, const platform::LockedRect& mask,
                      const platform::LockedRect& target) {
  const int bytes = static_cast<int>(mask.format.bitCount / 8);
  const Rect& r = a.onMask;
  for (int y = r.top; y < r.bottom; ++y) {
    const uint8_t* m = g_mask.memory.data() + static_cast<size_t>(y) * g_mask.pitch;
    const uint8_t* from = mask.bits + static_cast<ptrdiff_t>(y) * mask.pitch;
    uint8_t* to = target.bits + static_cast<ptrdiff_t>(a.targetY + (y - r.top)) * target.pitch +
                  static_cast<ptrdiff_t>(a.targetX - r.left) * bytes;
    int x = r.left;
    while (x < r.right) {
      while (x < r.right && m[x] == 0) ++x;
      const int start = x;
      while (x < r.right && m[x] != 0) ++x;
      if (x > start) {
        std::memcpy(to + static_cast<ptrdiff_t>(start) * bytes,
                    from + static_cast<ptrdiff_t>(start) * bytes,
                    static_cast<size_t>(x - start) * bytes);
      }
    }
  }
}

}  // namespace

int CreateMaskBuffer(int wantMemory, int wantSurface) {
  // The mask has the screen's size and format: there is none before the screen exists.
  if (IsDirectDrawReady() == nullptr) return -1;
  if (wantMemory != 0 && !HasMemory()) {
    int w = 0, h = 0;
    GetScreenSize(&w, &h);
    g_mask.pitch = (w + 3) / 4 * 4;
    g_mask.width = w;
    g_mask.height = h;
    g_mask.memory.assign(static_cast<size_t>(g_mask.pitch) * static_cast<size_t>(h), 0);
    g_mask.made = 1;
  }
  if (wantSurface != 0 && g_mask.surface == nullptr) {
    MakeSurface();
    g_mask.made = 1;
    // Draws now go to the mask surface, which lies at the target's origin.
    if (GetDrawState().maskOn != 0) SetScreenOffset();
  }
  return 0;
}

int DeleteMaskBuffer() {
  if (!HasMemory() && g_mask.surface == nullptr) {
    g_mask.made = 0;
    return 0;
  }
  WaitActiveAndRestore();
  if (GetDrawState().maskOn != 0) SetMaskEnabled(0);
  ReleaseSurface();
  g_mask.memory = std::vector<uint8_t>();
  g_mask.pitch = g_mask.width = g_mask.height = 0;
  g_mask.made = 0;
  return 0;
}

int ReleaseMaskSurface() {
  ReleaseSurface();
  return 0;
}

int RecreateMaskSurface() {
  CreateMaskBuffer(g_mask.made, g_mask.made);
  if (GetDrawState().maskOn != 0) SetMaskEnabled(1);
  return 0;
}

int SetMaskEnabled(int flag) {
  if (!HasMemory()) return -1;
  DrawState& ds = GetDrawState();
  ds.maskOn = flag;
  SetScreenOffset();
  if (GetGraphicsState().direct3DUsable != 0) SetClipViewport3D(flag);
  return 0;
}

int IsMaskEnabled() {
  return GetDrawState().maskOn;
}

platform::Surface* GetMaskSurface() {
  return g_mask.surface.get();
}

int FillMaskRect(int x1, int y1, int x2, int y2, int value) {
  if (!HasMemory()) return -1;
  const Rect r = Intersect(Rect{x1, y1, x2, y2}, Rect{0, 0, g_mask.width, g_mask.height});
  if (r.Empty()) return 0;
  for (int y = r.top; y < r.bottom; ++y) {
    std::memset(g_mask.memory.data() + static_cast<size_t>(y) * g_mask.pitch + r.left, value & 0xFF,
                static_cast<size_t>(r.Width()));
  }
  return 0;
}

int ApplyMaskBeforeDraw(int x1, int y1, int x2, int y2, platform::Surface* target) {
  if (g_mask.surface == nullptr || target == nullptr) return 0;
  EndScene3D();
  if (!SurfaceUsable()) return 0;
  HookArea a;
  if (!FindHookArea(x1, y1, x2, y2, *target, false, &a)) return 0;
  const Rect from{a.targetX, a.targetY, a.targetX + a.onMask.Width(),
                  a.targetY + a.onMask.Height()};
  g_mask.surface->BltFast(a.onMask.left, a.onMask.top, target, &from, platform::kBltFastNoColorKey);
  return 0;
}

int ApplyMaskAfterDraw(int x1, int y1, int x2, int y2, platform::Surface* target) {
  if (g_mask.surface == nullptr || target == nullptr || !HasMemory()) return 0;
  EndScene3D();
  if (!SurfaceUsable()) return 0;
  HookArea a;
  if (!FindHookArea(x1, y1, x2, y2, *target, true, &a)) return 0;
  platform::LockedRect mask, onTarget;
  if (g_mask.surface->Lock(nullptr, &mask) != platform::DisplayResult::kOk) return 0;
  if (target->Lock(nullptr, &onTarget) != platform::DisplayResult::kOk) {
    g_mask.surface->Unlock();
    return 0;
  }
  if (mask.format.bitCount == onTarget.format.bitCount) CopyMaskedPixels(a, mask, onTarget);
  target->Unlock();
  g_mask.surface->Unlock();
  return 0;
}

}  // namespace morrow
