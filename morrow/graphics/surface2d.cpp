#include "morrow/graphics/surface2d.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "morrow/device/color_format.h"
#include "morrow/device/screen.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph_system.h"
#include "morrow/graphics/record_memory.h"
#include "morrow/graphics/surface.h"
#include "morrow/system/log.h"
#include "platform/pixel_layout.h"

namespace morrow {
namespace {

// Undoes a piece record whose surface could not be had.
void DropPiece(ResourceHandle piece, Surface2DRecord* r) {
  GetSurface2DTable().Remove(piece);
  FreeRecord(r);
}

uint32_t PixelValue(const ColorFormat& f, const GraphImage& image, int x, int y) {
  const int bytes = f.bitsPerPixel / 8;
  const uint8_t* p = static_cast<const uint8_t*>(image.pixels) +
                     static_cast<ptrdiff_t>(y) * image.pitch + static_cast<ptrdiff_t>(x) * bytes;
  return bytes == 1 ? f.palette[*p] : platform::ReadPixel(p, bytes);
}

uint8_t Channel8(uint32_t value, uint32_t mask, uint8_t shift, uint8_t width) {
  return static_cast<uint8_t>(ConvertChannelWidth((value & mask) >> shift, width, 8));
}

platform::PixelFormat PixelFormatOf(const ColorFormat& f) {
  if (f.bitsPerPixel == 8) return platform::Palette8PixelFormat();
  return platform::RgbPixelFormat(f.bitsPerPixel, f.redMask, f.greenMask, f.blueMask, f.alphaMask);
}

// 8-bit screens: the surface takes the image through its device context, which maps every
// colour to the nearest entry of the screen palette.
int CopyThroughDeviceContext(const Rect& src, int destX, int destY, SurfaceRecord* s,
                             const GraphImage& rgb) {
  platform::PaletteEntry palette[256];
  const bool indexed = rgb.format.bitsPerPixel == 8 && rgb.format.redMask != 0xFFu;
  for (int i = 0; i < 256; ++i) {
    const uint32_t c = rgb.format.palette[i];
    palette[i] = platform::PaletteEntry{static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                        static_cast<uint8_t>(c), 0};
  }
  auto image = platform::DeviceContext::ForBitmap(static_cast<uint8_t*>(rgb.pixels), rgb.width,
                                                  rgb.height, rgb.pitch, PixelFormatOf(rgb.format),
                                                  indexed ? palette : nullptr);
  if (image == nullptr) ExitWithError("GraphImage を BMP に変換する処理が失敗しました");
  const ScreenState& screen = GetScreenState();
  if (s->surface->GetPalette() == nullptr && screen.palette != nullptr) {
    s->surface->SetPalette(screen.palette);
  }
  std::shared_ptr<platform::DeviceContext> dc;
  if (s->surface->GetDC(&dc) != platform::DisplayResult::kOk) {
    ExitWithError("２Ｄサーフェスのロックに失敗しました");
  }
  const bool copied = platform::BitBlt(dc.get(), destX, destY, src.Width(), src.Height(),
                                       image.get(), src.left, src.top);
  s->surface->ReleaseDC(dc);
  if (!copied) ExitWithError("ＢＭＰデータからＢＭＰハンドルを作成する処理が失敗しました");
  return 0;
}

void CopyAlpha(const Rect& src, int destX, int destY, SurfaceRecord* s, const GraphImage& rgb,
               const GraphImage* alpha) {
  if (rgb.format.alphaWidth == 0 && alpha == nullptr) {
    std::memset(s->alphaBuffer, 255, size_t{s->alphaPitch} * s->height);
    return;
  }
  const bool own = rgb.format.alphaWidth != 0;
  const GraphImage& from = own ? rgb : *alpha;
  const ColorFormat f = ReadFormatOf(from);
  for (int y = 0; y < src.Height(); ++y) {
    uint8_t* row = s->alphaBuffer + static_cast<size_t>(destY + y) * s->alphaPitch + destX;
    for (int x = 0; x < src.Width(); ++x) {
      const uint32_t v = PixelValue(f, from, src.left + x, src.top + y);
      row[x] = own ? Channel8(v, f.alphaMask, f.alphaShift, f.alphaWidth)
                   : Channel8(v, f.redMask, f.redShift, f.redWidth);
    }
  }
}

}  // namespace

Surface2DTable& GetSurface2DTable() {
  static Surface2DTable table;
  return table;
}

ResourceHandle AddSurface2D(uint16_t width, uint16_t height, uint16_t xInGraph, uint16_t yInGraph,
                            ResourceHandle owner, const Surface2DRecord* sharedFrom,
                            uint16_t xOnSurface, uint16_t yOnSurface, const SurfaceFlags* flags) {
  if (IsDirectDrawReady() == nullptr) return WriteLog("Morrowが初期化されていません\n");
  Surface2DTable& t = GetSurface2DTable();
  if (t.Full()) return WriteLog("２Ｄグラフィックの量が許容量を越えました\n");
  Surface2DRecord* r = NewRecord<Surface2DRecord>();
  if (r == nullptr) return WriteLog("メモリの確保に失敗しました in AddSurface2D \n");
  const ResourceHandle piece = t.Insert(t.FreeSlot(), r);
  r->xInGraph = xInGraph;
  r->yInGraph = yInGraph;
  r->xOnSurface = xOnSurface;
  r->yOnSurface = yOnSurface;
  r->width = width;
  r->height = height;
  r->owner = owner;
  if (sharedFrom != nullptr) {
    if (AddSurfaceRef(sharedFrom->surface) < 0) {
      DropPiece(piece, r);
      return -1;
    }
    r->surface = sharedFrom->surface;
  } else {
    r->surface = AddSurface(1, width, height, GetDrawState().keyColor, flags);
    if (r->surface == -1) {
      DropPiece(piece, r);
      return -1;
    }
  }
  // A piece reaching past its surface would let copies and draws leave the pixels.
  const SurfaceRecord* s = GetSurfaceRecord(r->surface);
  if (int{xOnSurface} + width > s->width || int{yOnSurface} + height > s->height) {
    DeleteSurface2D(piece);
    return -1;
  }
  return piece;
}

int DeleteSurface2D(ResourceHandle piece) {
  Surface2DTable& t = GetSurface2DTable();
  Surface2DRecord* r = t.Get(piece);
  if (r == nullptr) return 0;
  if (GetSurfaceRecord(r->surface) != nullptr && ReleaseSurfaceRef(r->surface) <= 0) {
    DeleteSurface(r->surface);
  }
  if (r->lostFlag != nullptr) *r->lostFlag = 1;
  t.Remove(piece);
  FreeRecord(r);
  return 0;
}

int SetSurface2DDeletedFlag(ResourceHandle piece, int* flag) {
  Surface2DRecord* r = GetSurface2DRecord(piece);
  if (r == nullptr) return -1;
  r->lostFlag = flag;
  if (flag != nullptr) *flag = 0;
  return 0;
}

Surface2DRecord* GetSurface2DRecord(ResourceHandle piece) {
  return GetSurface2DTable().Get(piece);
}

int ResetSurface2DTable() {
  if (IsDirectDrawReady() == nullptr) return -1;
  return DeleteAllSurface2D();
}

int DeleteAllSurface2D() {
  if (IsDirectDrawReady() == nullptr) return -1;
  Surface2DTable& t = GetSurface2DTable();
  for (int i = 0; i < t.highWater; ++i) {
    if (t.slots[i] != nullptr) {
      DeleteSurface2D(MakeHandle(kSurface2DHandle, t.slots[i]->checkNumber, i));
    }
  }
  return 0;
}

int ReleaseAllSurface2DObjects() {
  Surface2DTable& t = GetSurface2DTable();
  for (int i = 0; i < t.highWater; ++i) {
    if (t.slots[i] != nullptr) ReleaseSurfaceObject(t.slots[i]->surface);
  }
  return 0;
}

int RecreateAllSurface2DObjects() {
  Surface2DTable& t = GetSurface2DTable();
  for (int i = 0; i < t.highWater; ++i) {
    if (t.slots[i] == nullptr) continue;
    if (CreateSurfaceObject(t.slots[i]->surface) == 0) SetSurfaceColorKey(t.slots[i]->surface);
  }
  return 0;
}

int CreateGraphSurface2D(GraphRecord* graph) {
  if (IsDirectDrawReady() == nullptr || graph == nullptr) return -1;
  const ResourceHandle piece =
      AddSurface2D(graph->width, graph->height, 0, 0, graph->handle, nullptr, 0, 0, &graph->flags);
  if (piece == -1) return -1;
  graph->pieces[0] = piece;
  graph->pieceCount = 1;
  return 0;
}

int DeriveGraphSurface2D(GraphRecord* graph, int srcX, int srcY, int w, int h,
                         const GraphRecord* source) {
  if (graph == nullptr || source == nullptr || source->pieceCount < 1) return -1;
  const Surface2DRecord* from = GetSurface2DRecord(source->pieces[0]);
  if (from == nullptr) return -1;
  if (srcX < 0 || srcY < 0 || w < 1 || h < 1 || srcX > from->width - w || srcY > from->height - h) {
    return -1;
  }
  // The source piece may itself lie at an offset on the shared surface (a cell of a cell).
  const ResourceHandle piece =
      AddSurface2D(static_cast<uint16_t>(w), static_cast<uint16_t>(h), 0, 0, graph->handle, from,
                   static_cast<uint16_t>(from->xOnSurface + srcX),
                   static_cast<uint16_t>(from->yOnSurface + srcY), &graph->flags);
  if (piece == -1) return -1;
  graph->pieces[0] = piece;
  graph->pieceCount = 1;
  return 0;
}

int DeleteGraphSurface2D(GraphRecord* graph) {
  if (IsDirectDrawReady() == nullptr || graph == nullptr) return -1;
  const int count = std::clamp(graph->pieceCount, 0, kMaxGraphPieces);
  int result = 0;
  for (int i = 0; i < count; ++i) result |= DeleteSurface2D(graph->pieces[i]);
  graph->pieceCount = 0;
  return result;
}

int BltImageToSurface2D(const Rect* src, int destX, int destY, ResourceHandle piece,
                        const GraphImage* rgb, const GraphImage* alpha) {
  const Surface2DRecord* p = GetSurface2DRecord(piece);
  if (p == nullptr || src == nullptr || !ImageUsable(rgb)) return -1;
  SurfaceRecord* s = GetSurfaceRecord(p->surface);
  if (s == nullptr || s->surface == nullptr) return -1;
  if (!ImageUsable(alpha)) alpha = nullptr;
  const bool alphaFromImage =
      s->alphaBuffer != nullptr && rgb->format.alphaWidth == 0 && alpha != nullptr;

  // Neither image is read, nor the surface written, outside its own pixels or the piece.
  Rect readable{0, 0, rgb->width, rgb->height};
  if (alphaFromImage) readable = Intersect(readable, Rect{0, 0, alpha->width, alpha->height});
  const Rect pieceArea = Intersect(
      Rect{p->xOnSurface, p->yOnSurface, p->xOnSurface + p->width, p->yOnSurface + p->height},
      Rect{0, 0, s->width, s->height});
  Rect from = *src;
  if (!ClipImageCopy(&from, &destX, &destY, readable, pieceArea)) return 0;

  if (GetScreenBitDepth() == 8) {
    CopyThroughDeviceContext(from, destX, destY, s, *rgb);
  } else {
    const Rect area{destX, destY, destX + from.Width(), destY + from.Height()};
    int pitch = 0;
    void* bits = nullptr;
    const int locked = LockSurface(p->surface, &pitch, &bits, 1, &area);
    if (locked == -2) {
      // Held by another lock whose area is not this one: the copy is refused.
      UnlockSurface(p->surface);
      return -1;
    }
    if (locked != 0) ExitWithError("２Ｄサーフェスのロックに失敗しました");
    platform::PixelFormat pf;
    ColorFormat destFormat{};
    s->surface->GetPixelFormat(&pf);
    GetSurfaceColorFormat(&pf, &destFormat);
    const ColorFormat srcFormat = ReadFormatOf(*rgb);
    const int converted = ConvertColorFormatBlt(
        static_cast<uint8_t*>(bits), pitch, &destFormat, static_cast<const uint8_t*>(rgb->pixels),
        rgb->pitch, &srcFormat, nullptr, 0, nullptr, 0, 0, &from, 0, 0, 0,
        GetDrawState().imageConvertFlag != 0 ? 1 : 0, 0);
    UnlockSurface(p->surface);
    if (converted != 0) return -1;
  }
  if (s->alphaBuffer != nullptr) {
    CopyAlpha(from, destX, destY, s, *rgb, alphaFromImage ? alpha : nullptr);
  }
  SetSurfaceColorKey(p->surface);
  return 0;
}

int BltGraphImageToGraph(int srcX, int srcY, GraphRecord* graph, const GraphImage* rgb,
                         const GraphImage* alpha) {
  if (graph == nullptr) return -1;
  const int count = std::clamp(graph->pieceCount, 0, kMaxGraphPieces);
  for (int i = 0; i < count; ++i) {
    const Surface2DRecord* p = GetSurface2DRecord(graph->pieces[i]);
    if (p == nullptr) return -1;
    const int64_t left = int64_t{p->xInGraph} + srcX;
    const int64_t top = int64_t{p->yInGraph} + srcY;
    if (left < INT32_MIN || top < INT32_MIN || left + p->width > INT32_MAX ||
        top + p->height > INT32_MAX) {
      return -1;
    }
    const Rect src{static_cast<int32_t>(left), static_cast<int32_t>(top),
                   static_cast<int32_t>(left + p->width), static_cast<int32_t>(top + p->height)};
    if (BltImageToSurface2D(&src, p->xOnSurface, p->yOnSurface, graph->pieces[i], rgb, alpha) !=
        0) {
      return -1;
    }
  }
  return 0;
}

int BltRectToGraph(const Rect* src, int destX, int destY, GraphRecord* graph, const GraphImage* rgb,
                   const GraphImage* alpha) {
  if (graph == nullptr || src == nullptr) return -1;
  if (src->Empty()) return 0;
  const int64_t right = int64_t{destX} + src->Width();
  const int64_t bottom = int64_t{destY} + src->Height();
  const int count = std::clamp(graph->pieceCount, 0, kMaxGraphPieces);
  for (int i = 0; i < count; ++i) {
    const Surface2DRecord* p = GetSurface2DRecord(graph->pieces[i]);
    if (p == nullptr) return -1;
    const int64_t left = std::max<int64_t>(destX, p->xInGraph);
    const int64_t top = std::max<int64_t>(destY, p->yInGraph);
    const int64_t r = std::min<int64_t>(right, p->xInGraph + p->width);
    const int64_t b = std::min<int64_t>(bottom, p->yInGraph + p->height);
    if (r <= left || b <= top) continue;
    const Rect part{static_cast<int32_t>(src->left + (left - destX)),
                    static_cast<int32_t>(src->top + (top - destY)),
                    static_cast<int32_t>(src->left + (r - destX)),
                    static_cast<int32_t>(src->top + (b - destY))};
    if (BltImageToSurface2D(&part, static_cast<int>(p->xOnSurface + (left - p->xInGraph)),
                            static_cast<int>(p->yOnSurface + (top - p->yInGraph)), graph->pieces[i],
                            rgb, alpha) != 0) {
      return -1;
    }
  }
  return 0;
}

int IsGraphLost(GraphRecord* graph) {
  if (IsDirectDrawReady() == nullptr || graph == nullptr) return -1;
  const int count = std::clamp(graph->pieceCount, 0, kMaxGraphPieces);
  int result = 0;
  for (int i = 0; i < count; ++i) {
    const Surface2DRecord* p = GetSurface2DRecord(graph->pieces[i]);
    if (p == nullptr) return -1;
    result |= CheckSurfaceLost(p->surface);
  }
  return result;
}

}  // namespace morrow
