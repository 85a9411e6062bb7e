#include "morrow/softdraw/frame.h"

#include <algorithm>

#include "morrow/device/color_format.h"
#include "morrow/device/direct3d.h"
#include "morrow/device/screen.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/mask.h"
#include "morrow/system/log.h"

namespace morrow::softdraw {

platform::Surface* DestinationSurface() {
  if (GetDrawState().maskOn != 0) {
    if (platform::Surface* mask = GetMaskSurface()) return mask;
  }
  return GetScreenState().drawTargetSurface.get();
}

bool DestinationInVideoMemory() {
  const DrawState& ds = GetDrawState();
  const bool maskInVideo = ds.maskOn != 0 && GetMaskSurface() != nullptr && ds.maskInVideoMemory;
  return maskInVideo || ds.targetInVideoMemory != 0;
}

void EndSceneBeforeLock() {
  if (GetScreenState().flushDirect3DFirst != 0) EndScene3D();
}

uint32_t PrepareColour(uint32_t colour) {
  int r = 0, g = 0, b = 0;
  if (UnpackScreenColor(colour, &r, &g, &b) != 0) r = g = b = 0;
  const uint32_t bright = GetDrawState().drawBright;
  const auto scale = [](int channel, uint32_t byte) {
    return static_cast<int>(static_cast<uint32_t>(channel) * byte / 255);
  };
  return PackScreenColor(scale(r, bright >> 16 & 0xFF), scale(g, bright >> 8 & 0xFF),
                         scale(b, bright & 0xFF));
}

Rect ClipArea(const platform::Surface& dest) {
  const DrawState& ds = GetDrawState();
  // The surface in draw-target coordinates; offsets are desktop positions, far from the ends of
  // the int range, but the sums are made in 64 bits all the same.
  // Draw-target coordinates below 0 exist on no target; a staged copy is placed at them.
  const Rect surface{std::max(0, SaturateToInt(-int64_t{ds.screenOffset.left})),
                     std::max(0, SaturateToInt(-int64_t{ds.screenOffset.top})),
                     SaturateToInt(int64_t{dest.width()} - ds.screenOffset.left),
                     SaturateToInt(int64_t{dest.height()} - ds.screenOffset.top)};
  Rect area = ds.drawArea;
  ClipRectToRect(&area, &surface);
  return area;
}

raster::FormatClass ScreenFormatClass() {
  const ScreenState& s = GetScreenState();
  return raster::ClassifyScreenFormat(s.screenBitDepth, s.screenFormat);
}

LockedSurface LockWholeOrExit(platform::Surface* surface, const char* text,
                              std::initializer_list<platform::Surface*> held) {
  platform::LockedRect locked;
  if (surface == nullptr || surface->Lock(nullptr, &locked) != platform::DisplayResult::kOk) {
    UnlockInOrder(held);
    ExitWithError(text);
  }
  return LockedSurface{locked.bits, locked.pitch, locked.format.bitCount};
}

void UnlockInOrder(std::initializer_list<platform::Surface*> surfaces) {
  for (platform::Surface* s : surfaces) {
    if (s != nullptr) s->Unlock();
  }
}

HeldSurfaces LockDrawSurfaces(platform::Surface* target, platform::Surface* source,
                              platform::Surface* work, const LockTexts& texts) {
  HeldSurfaces h;
  h.target = target;
  h.sourceIsTarget = source == target;
  h.source = h.sourceIsTarget ? nullptr : source;
  h.work = work;
  h.dest = LockWholeOrExit(target, texts.target, {});
  h.src = h.sourceIsTarget ? h.dest : LockWholeOrExit(source, texts.source, {target});
  h.read = work != nullptr ? LockWholeOrExit(work, texts.work, {h.source, target}) : h.dest;
  return h;
}

void UnlockDrawSurfaces(const HeldSurfaces& held) {
  UnlockInOrder({held.target, held.source, held.work});
}

}  // namespace morrow::softdraw
