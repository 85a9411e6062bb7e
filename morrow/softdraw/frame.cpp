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

namespace morrow::raster {

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

FormatClass ScreenFormatClass() {
  const ScreenState& s = GetScreenState();
  return ClassifyScreenFormat(s.screenBitDepth, s.screenFormat);
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

FormatClass ClassifyScreenFormat(int depth, const ColorFormat& format) {
  switch (depth) {
    case 8:
      return FormatClass::k8;
    case 32:
      return FormatClass::k32;
    case 16:
      // Red decides which class is possible; green and blue must then match that class.
      if (format.redMask == F565::kMask[0]) {
        return format.greenMask == F565::kMask[1] && format.blueMask == F565::kMask[2]
                   ? FormatClass::k565
                   : FormatClass::kGeneric16;
      }
      if (format.redMask == F555::kMask[0]) {
        return format.greenMask == F555::kMask[1] && format.blueMask == F555::kMask[2]
                   ? FormatClass::k555
                   : FormatClass::kGeneric16;
      }
      return FormatClass::kGeneric16;
    default:
      return FormatClass::kOther;
  }
}

}  // namespace morrow::raster
