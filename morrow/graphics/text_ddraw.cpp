// RenderTextDDraw: text drawn by software from a font's glyph cache. Plain and edged text without
// a blend goes straight into the destination; anything blended or anti-aliased is drawn into the
// font's draw screen first and blended onto the destination as a piece.
#include <algorithm>

#include "morrow/device/color_format.h"
#include "morrow/device/direct3d.h"
#include "morrow/device/screen.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/font.h"
#include "morrow/graphics/font_record.h"
#include "morrow/graphics/mask.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/softdraw/raster.h"

namespace morrow {

int RenderTextDDraw(int x, int y, const char* text, uint32_t colour, int font, uint32_t edgeColour,
                    int vertical) {
  FontRecord* r = GetFontRecord(font);
  if (r != nullptr && r->textureCache == 1) {
    return RenderTextD3D(x, y, text, colour, font, edgeColour, vertical);
  }
  ScreenState& s = GetScreenState();
  if (s.drawingSuspended != 0) return -1;
  Flush3DVertexBatch();
  if (s.flushDirect3DFirst != 0) EndScene3D();
  DrawState& ds = GetDrawState();
  platform::Surface* dest = s.drawTargetSurface.get();
  if (ds.maskOn != 0 && GetMaskSurface() != nullptr) dest = GetMaskSurface();
  if (ds.graphicsOff != 0) return 0;
  if (r == nullptr) return -1;
  const int depth = GetScreenBitDepth();
  const bool antialiased = (r->fontType & kFontTypeAntialiased) != 0;

  if ((ds.blendMode == 0 || depth == 8) && !antialiased) {
    Rect clip = ds.drawArea;
    clip.left = SaturateToInt(int64_t{clip.left} + ds.screenOffset.left);
    clip.right = SaturateToInt(int64_t{clip.right} + ds.screenOffset.left);
    clip.top = SaturateToInt(int64_t{clip.top} + ds.screenOffset.top);
    clip.bottom = SaturateToInt(int64_t{clip.bottom} + ds.screenOffset.top);
    const int drawn =
        FontCacheStringDraw(1, SaturateToInt(int64_t{x} + ds.screenOffset.left),
                            SaturateToInt(int64_t{y} + ds.screenOffset.top), text, colour, dest,
                            nullptr, 0, &clip, depth, 1, font, edgeColour, -1, vertical, nullptr);
    return drawn == -1 ? -1 : 0;
  }

  // Through the draw screen, keyed by a colour that is neither the text's nor the edge's.
  SetupFontCacheSurface(font);
  const Surface2DRecord* piece = GetSurface2DRecord(r->drawScreen);
  SurfaceRecord* work = piece != nullptr ? GetSurfaceRecord(piece->surface) : nullptr;
  if (work == nullptr || work->surface == nullptr) return -1;
  const ColorFormat* screen = GetScreenColorFormat();
  uint32_t key = 0;
  if (ds.blendMode == 1 || antialiased) {
    const uint32_t k = ~(colour + edgeColour + 100u);
    const uint32_t packed =
        depth == 8 ? 0
                   : PackScreenColor(static_cast<int>(k >> 16 & 0xFF),
                                     static_cast<int>(k >> 8 & 0xFF), static_cast<int>(k & 0xFF));
    key = packed & (screen->redMask | screen->greenMask | screen->blueMask);
  }
  work->keyColor = key;
  SetSurfaceColorKey(piece->surface);
  const uint32_t fill =
      depth == 8 ? 0
                 : PackScreenColor(static_cast<int>(key >> 16 & 0xFF),
                                   static_cast<int>(key >> 8 & 0xFF), static_cast<int>(key & 0xFF));
  int size[2] = {0, 0};
  FontCacheStringDraw(0, 0, 0, text, 0, nullptr, nullptr, 0, nullptr, 0, 0, font, 0, -1, vertical,
                      size);
  int screenWidth = 0, screenHeight = 0;
  GetScreenSize(&screenWidth, &screenHeight);
  Rect box{0, 0, size[0], size[1]};
  const Rect screenRect{0, 0, screenWidth, screenHeight};
  ClipRectToRect(&box, &screenRect);
  if (!box.Empty()) {
    platform::BltFx fx;
    fx.fillColor = fill;
    work->surface->Blt(&box, nullptr, nullptr, platform::kBltColorFill, &fx);
  }
  FontCacheStringDraw(1, 0, 0, text, colour, work->surface.get(), work->alphaBuffer,
                      static_cast<int>(work->alphaPitch), &box, depth, 1, font, edgeColour, -1,
                      vertical, nullptr);

  const Rect keptArea = ds.drawArea;
  const uint32_t keptBright = ds.drawBright;
  ds.drawBright = 0xFFFFFFFFu;
  Rect area{x, y, SaturateToInt(int64_t{x} + size[0]), SaturateToInt(int64_t{y} + size[1])};
  ClipRectToRect(&area, &keptArea);
  ds.drawArea = area;
  G_DDraw_DrawGraph(x, y, r->drawScreen, ds.blendMode == 1 || antialiased ? 1 : 0);
  ds.drawArea = keptArea;
  ds.drawBright = keptBright;
  return 0;
}

}  // namespace morrow
