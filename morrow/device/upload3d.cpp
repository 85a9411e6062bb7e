// Image pixels into the textures of 3D pieces: converted into the texture's format through a lock,
// or through a temporary texture and the device's Load when the texture cannot be locked.
#include <algorithm>
#include <memory>

#include "morrow/device/color_format.h"
#include "morrow/device/direct3d.h"
#include "morrow/device/pieces3d.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph_image.h"
#include "morrow/graphics/surface.h"
#include "morrow/system/log.h"

namespace morrow {
namespace {

// A system-memory texture of the texture's size and format, locked. Its creation failing is
// fatal; null when it cannot be locked.
std::shared_ptr<platform::Surface> LockedTemporary(const SurfaceRecord& s,
                                                   const platform::PixelFormat& format,
                                                   platform::LockedRect* locked) {
  platform::Display* display = IsDirectDrawReady();
  platform::SurfaceDesc desc;
  desc.flags = platform::kDescCaps | platform::kDescWidth | platform::kDescHeight |
               platform::kDescPixelFormat;
  desc.caps = platform::kCapsTexture | platform::kCapsSystemMemory;
  desc.width = s.width;
  desc.height = s.height;
  desc.pixelFormat = format;
  std::shared_ptr<platform::Surface> temporary;
  if (display == nullptr ||
      display->CreateSurface(desc, &temporary) != platform::DisplayResult::kOk) {
    ExitWithError("テンポラリテクスチャサーフェスの作成に失敗しました");
  }
  if (temporary->Lock(nullptr, locked) != platform::DisplayResult::kOk) {
    temporary->Release();
    return nullptr;
  }
  return temporary;
}

}  // namespace

int UploadImageToSurface3D(const GraphImage* rgb, const GraphImage* alpha, const Rect* src,
                           int destX, int destY, ResourceHandle piece) {
  Flush3DVertexBatch();
  const Surface3DRecord* p = Get3DGraphRecord(piece);
  if (p == nullptr || src == nullptr || !ImageUsable(rgb)) return -1;
  SurfaceRecord* s = GetSurfaceRecord(p->surface);
  if (s == nullptr || s->surface == nullptr) return -1;
  const TextureFormatPreset* preset =
      GetPresetColorFormatRecord(static_cast<int>(s->texturePreset));
  if (preset == nullptr || preset->format.bitsPerPixel == 0) return -1;
  const ColorFormat& destFormat = preset->format;
  if (!ImageUsable(alpha)) alpha = nullptr;
  const bool alphaPlane =
      destFormat.alphaWidth != 0 && rgb->format.alphaWidth == 0 && alpha != nullptr;

  // Neither image is read, nor the texture written, outside its own pixels or the piece.
  Rect readable{0, 0, rgb->width, rgb->height};
  if (alphaPlane) readable = Intersect(readable, Rect{0, 0, alpha->width, alpha->height});
  const Rect pieceArea =
      Intersect(Rect{p->textureX, p->textureY, p->textureX + p->width, p->textureY + p->height},
                Rect{0, 0, s->width, s->height});
  Rect from = *src;
  if (!ClipImageCopy(&from, &destX, &destY, readable, pieceArea)) return 0;

  int pitch = 0;
  void* bits = nullptr;
  std::shared_ptr<platform::Surface> temporary;
  const int locked = LockSurface3D(piece, &pitch, &bits, 1, nullptr);
  if (locked == -2) UnlockSurface3D(piece);  // held by another lock: not written through it
  if (locked != 0) {
    platform::LockedRect l;
    temporary = LockedTemporary(*s, preset->pixelFormat, &l);
    if (temporary == nullptr) return -1;
    pitch = l.pitch;
    bits = l.bits;
  }
  // Into a texture with alpha bits and no alpha in either image, the conversion supplies the
  // alpha itself: the key colour becomes transparent.
  const ColorFormat srcFormat = ReadFormatOf(*rgb);
  const ColorFormat planeFormat = alphaPlane ? ReadFormatOf(*alpha) : ColorFormat{};
  ConvertColorFormatBlt(
      static_cast<uint8_t*>(bits), pitch, &destFormat, static_cast<const uint8_t*>(rgb->pixels),
      rgb->pitch, &srcFormat, alphaPlane ? static_cast<const uint8_t*>(alpha->pixels) : nullptr,
      alphaPlane ? alpha->pitch : 0, alphaPlane ? &planeFormat : nullptr, destX, destY, &from, 0, 1,
      s->keyColor, GetDrawState().imageConvertFlag != 0 ? 1 : 0, 0);
  if (temporary == nullptr) {
    UnlockSurface3D(piece);
  } else {
    temporary->Unlock();
    s->surface->Restore();
    platform::Device3D* device = GetCurrentDevice3D();
    const Rect area{destX, destY, destX + from.Width(), destY + from.Height()};
    if (device == nullptr || device->Load(s->surface, destX, destY, temporary, &area, 0) !=
                                 platform::DisplayResult::kOk) {
      ExitWithError(
          "作業用テクスチャサーフェスから描画用テクスチャサーフェスへの画像転送に失敗しました");
    }
    temporary->Release();
  }
  SetSurfaceColorKey(p->surface);
  return 0;
}

int Set3DGraphImage(GraphRecord* graph, int x, int y, const GraphImage* rgb,
                    const GraphImage* alpha) {
  if (graph == nullptr) return -1;
  for (int i = 0; i < std::clamp(graph->pieceCount, 0, kMaxGraphPieces); ++i) {
    const Surface3DRecord* p = Get3DGraphRecord(graph->pieces[i]);
    if (p == nullptr) return -1;
    const Rect src{SaturateToInt(int64_t{x} + p->graphX), SaturateToInt(int64_t{y} + p->graphY),
                   SaturateToInt(int64_t{x} + p->graphX + p->width),
                   SaturateToInt(int64_t{y} + p->graphY + p->height)};
    if (UploadImageToSurface3D(rgb, alpha, &src, p->textureX, p->textureY, graph->pieces[i]) != 0) {
      return -1;
    }
  }
  return 0;
}

int Set3DGraphImageRect(GraphRecord* graph, const Rect* src, int destX, int destY,
                        const GraphImage* rgb, const GraphImage* alpha) {
  if (graph == nullptr || src == nullptr) return -1;
  if (src->Empty()) return 0;
  // A rectangle may span more than the 32-bit range: its size is taken in 64 bits.
  const int64_t right = int64_t{destX} + (int64_t{src->right} - src->left);
  const int64_t bottom = int64_t{destY} + (int64_t{src->bottom} - src->top);
  for (int i = 0; i < std::clamp(graph->pieceCount, 0, kMaxGraphPieces); ++i) {
    const Surface3DRecord* p = Get3DGraphRecord(graph->pieces[i]);
    if (p == nullptr) return -1;
    const int64_t left = std::max<int64_t>(destX, p->graphX);
    const int64_t top = std::max<int64_t>(destY, p->graphY);
    const int64_t r = std::min<int64_t>(right, p->graphX + p->width);
    const int64_t b = std::min<int64_t>(bottom, p->graphY + p->height);
    if (r <= left || b <= top) continue;
    const Rect part{SaturateToInt(src->left + (left - destX)),
                    SaturateToInt(src->top + (top - destY)), SaturateToInt(src->left + (r - destX)),
                    SaturateToInt(src->top + (b - destY))};
    if (UploadImageToSurface3D(
            rgb, alpha, &part, static_cast<int>(p->textureX + (left - p->graphX)),
            static_cast<int>(p->textureY + (top - p->graphY)), graph->pieces[i]) != 0) {
      return -1;
    }
  }
  return 0;
}

GraphImage ViewOfLockedSurface(const platform::LockedRect& l) {
  GraphImage view{};
  GetSurfaceColorFormat(&l.format, &view.format);
  view.width = l.width;
  view.height = l.height;
  view.pitch = l.pitch;
  view.pixels = l.bits;
  return view;
}

int Update3DGraphFromSurface(platform::Surface* source, GraphRecord* graph) {
  if (source == nullptr || graph == nullptr) return -1;
  platform::LockedRect l;
  if (source->Lock(nullptr, &l) != platform::DisplayResult::kOk) return -1;
  const GraphImage view = ViewOfLockedSurface(l);
  int result = 0;
  for (int i = 0; i < std::clamp(graph->pieceCount, 0, kMaxGraphPieces) && result == 0; ++i) {
    const Surface3DRecord* p = Get3DGraphRecord(graph->pieces[i]);
    if (p == nullptr) {
      result = -1;
      break;
    }
    const Rect area{p->sourceX, p->sourceY, p->sourceX + p->width, p->sourceY + p->height};
    result =
        UploadImageToSurface3D(&view, nullptr, &area, p->textureX, p->textureY, graph->pieces[i]);
  }
  source->Unlock();
  return result;
}

}  // namespace morrow
