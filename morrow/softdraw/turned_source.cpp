#include "morrow/softdraw/turned_source.h"

#include <algorithm>

#include "morrow/device/color_format.h"
#include "morrow/device/screen.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/softdraw/frame.h"

namespace morrow::softdraw {
namespace {

uint32_t ChannelMax(uint8_t width) {
  return width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1;
}

}  // namespace

int FindTurnedSource(const GraphRecord* graph, TurnedSource* out) {
  if (graph == nullptr) return -1;
  const Surface2DRecord* piece = GetSurface2DRecord(graph->pieces[0]);
  if (piece == nullptr) return -1;
  SurfaceRecord* surface = GetSurfaceRecord(piece->surface);
  if (surface == nullptr || surface->surface == nullptr) return -1;
  const platform::Surface& pixels = *surface->surface;
  const bool alphaChannel = surface->flags.alphaChannel != 0;
  if (piece->xOnSurface + piece->width > pixels.width() ||
      piece->yOnSurface + piece->height > pixels.height() ||
      (alphaChannel && (surface->alphaBuffer == nullptr ||
                        surface->alphaPitch < static_cast<uint32_t>(pixels.width())))) {
    return -1;
  }
  TurnedSource s;
  s.piece = piece;
  s.surface = surface;
  s.width = std::min<uint32_t>(graph->width, piece->width);
  s.height = std::min<uint32_t>(graph->height, piece->height);
  s.alphaChannel = alphaChannel;
  if (alphaChannel) {
    s.alphaPitch = static_cast<int32_t>(surface->alphaPitch);
    s.alpha = surface->alphaBuffer + static_cast<size_t>(piece->yOnSurface) * surface->alphaPitch +
              piece->xOnSurface;
  }
  const uint32_t key = surface->keyColor;
  s.key = PackScreenColor(key >> 16 & 0xFF, key >> 8 & 0xFF, key & 0xFF);
  *out = s;
  return 0;
}

raster::TurnedBlend CurrentTurnedBlend() {
  const DrawState& ds = GetDrawState();
  const ColorFormat& f = GetScreenState().screenFormat;
  raster::TurnedBlend b;
  b.p = static_cast<uint32_t>(std::clamp(ds.blendParam, 0, 255));
  b.bright = ds.drawBright;
  b.max[0] = ChannelMax(f.redWidth);
  b.max[1] = ChannelMax(f.greenWidth);
  b.max[2] = ChannelMax(f.blueWidth);
  return b;
}

raster::TurnedDraw TurnedDrawOf(const TurnedSource& source, int keyFlag, const uint8_t* src,
                                int32_t srcPitch, bool sourceIsTarget) {
  raster::TurnedDraw draw;
  draw.texture.src = src;
  draw.texture.pitch = srcPitch;
  draw.texture.width = source.width;
  draw.texture.height = source.height;
  draw.texture.alpha = source.alpha;
  draw.texture.alphaPitch = source.alphaPitch;
  draw.key = source.key;
  draw.keyFlag = keyFlag;
  draw.mode = GetDrawState().blendMode;
  draw.blend = CurrentTurnedBlend();
  draw.alphaChannel = source.alphaChannel;
  draw.format = ScreenFormatClass();
  draw.screenFormat = &GetScreenState().screenFormat;
  draw.sourceIsTarget = sourceIsTarget;
  draw.products = GetBlendProductTable();
  return draw;
}

}  // namespace morrow::softdraw
