// Screen pixels into graphs held as textures. Ways of moving screen pixels into textures differ
// by driver: they are tried in a fixed order, and the first that works is remembered for plain
// textures and for textures with alpha.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>

#include "morrow/device/color_format.h"
#include "morrow/device/device3d.h"
#include "morrow/device/direct3d.h"
#include "morrow/device/draw3d_internal.h"
#include "morrow/device/pieces3d.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_image.h"
#include "morrow/graphics/surface.h"
#include "morrow/system/log.h"
#include "morrow/system/time.h"
#include "morrow/system/window.h"

namespace morrow {
namespace {

using platform::DisplayResult;

// Where a capture reads: the draw target, its size for the checks, and the offset added to the
// rectangle.
struct CaptureSource {
  platform::Surface* surface = nullptr;
  int width = 0, height = 0;
  int offsetX = 0, offsetY = 0;
};

// The draw target; with flag 0 in a window on the front screen, the whole desktop without an
// offset.
bool SourceOf(int flag, CaptureSource* out) {
  const DrawState& ds = GetDrawState();
  out->surface = GetDrawTargetSurface();
  if (out->surface == nullptr) return false;
  if (flag == 0 && IsWindowMode() != 0 && ds.drawScreen == kFrontScreen) {
    out->width = out->surface->width();
    out->height = out->surface->height();
    return true;
  }
  if (QueryGraphSize(ds.drawScreen, &out->width, &out->height) != 0) return false;
  out->offsetX = ds.screenOffset.left;
  out->offsetY = ds.screenOffset.top;
  return true;
}

bool Checked(int x1, int y1, int x2, int y2, const GraphRecord& g, const CaptureSource& s) {
  return x1 >= 0 && x1 < x2 && y1 >= 0 && y1 < y2 && x1 <= s.width && y1 <= s.height &&
         x2 - x1 <= g.width && y2 - y1 <= g.height;
}

// The source area a piece receives, cut at the source; empty when there is nothing to copy.
Rect PieceArea(int x1, int y1, const Surface3DRecord& p, const CaptureSource& s) {
  const int64_t left = int64_t{x1} + p.graphX + s.offsetX;
  const int64_t top = int64_t{y1} + p.graphY + s.offsetY;
  const int64_t limitX = std::min<int64_t>(int64_t{s.width} + s.offsetX, s.surface->width());
  const int64_t limitY = std::min<int64_t>(int64_t{s.height} + s.offsetY, s.surface->height());
  Rect r{SaturateToInt(left), SaturateToInt(top),
         SaturateToInt(std::min<int64_t>(left + p.width, limitX)),
         SaturateToInt(std::min<int64_t>(top + p.height, limitY))};
  if (left >= limitX || top >= limitY || r.right <= r.left || r.bottom <= r.top) return Rect{};
  return r;
}

// Every piece's area, out of the screen's work surface, into its texture, re-keyed. The work
// surface receives exactly the union of the areas the pieces read, clamped to the source, so no
// piece converts pixels that were not copied.
int Function5(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag) {
  CaptureSource s;
  if (!SourceOf(flag, &s) || !Checked(x1, y1, x2, y2, *graph, s)) return -1;
  const int count = std::clamp(graph->pieceCount, 0, kMaxGraphPieces);
  Rect areas[kMaxGraphPieces] = {};
  Rect all{};
  for (int i = 0; i < count; ++i) {
    const Surface3DRecord* p = Get3DGraphRecord(graph->pieces[i]);
    if (p == nullptr) return -1;
    areas[i] = PieceArea(x1, y1, *p, s);
    if (areas[i].Empty()) continue;
    all = all.Empty()
              ? areas[i]
              : Rect{std::min(all.left, areas[i].left), std::min(all.top, areas[i].top),
                     std::max(all.right, areas[i].right), std::max(all.bottom, areas[i].bottom)};
  }
  if (all.Empty()) return 0;
  platform::Surface* work = GetWorkSurfaceCovering(0, all.Width(), all.Height());
  if (work == nullptr) return -1;
  CopySurfaceRect(work, s.surface, 0, 0, &all);
  platform::LockedRect l;
  const DisplayResult locked = work->Lock(nullptr, &l);
  if (locked != DisplayResult::kOk) {
    return WriteLogFormat(
        "Error  G_D3D_GetDrawScreenGraphFunction5 "
        "　作業用テクスチャサーフェスのロックに失敗しました  "
        "Lock  ReturnValue:%d",
        static_cast<int>(locked));
  }
  const GraphImage view = ViewOfLockedSurface(l);
  int result = 0;
  for (int i = 0; i < count && result == 0; ++i) {
    if (areas[i].Empty()) continue;
    const Surface3DRecord* p = Get3DGraphRecord(graph->pieces[i]);
    const Rect src{areas[i].left - all.left, areas[i].top - all.top, areas[i].right - all.left,
                   areas[i].bottom - all.top};
    if (UploadImageToSurface3D(&view, nullptr, &src, p->textureX, p->textureY, graph->pieces[i]) !=
        0) {
      result = WriteLogFormat(
          "Error  G_D3D_GetDrawScreenGraphFunction5 "
          "　転送先テクスチャサーフェスのロックに失敗しました  "
          "Lock  ReturnValue:%d",
          -1);
      break;
    }
    SetSurfaceColorKey(p->surface);
  }
  work->Unlock();
  return result;
}

// Each piece copied straight from the source into its texture.
int Function1(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag) {
  CaptureSource s;
  if (!SourceOf(flag, &s) || !Checked(x1, y1, x2, y2, *graph, s)) return -1;
  for (int i = 0; i < std::clamp(graph->pieceCount, 0, kMaxGraphPieces); ++i) {
    const Surface3DRecord* p = Get3DGraphRecord(graph->pieces[i]);
    if (p == nullptr) return -1;
    const Rect area = PieceArea(x1, y1, *p, s);
    if (area.Empty()) continue;
    const SurfaceRecord* texture = GetSurfaceRecord(p->surface);
    if (texture == nullptr || texture->surface == nullptr) return -1;
    const DisplayResult r =
        texture->surface->BltFast(p->textureX, p->textureY, s.surface, &area, 0);
    if (r != DisplayResult::kOk) {
      return WriteLogFormat("Error G_D3D_GetDrawScreenGraphFunction1  BltFast ReturnValue:%d",
                            static_cast<int>(r));
    }
    SetSurfaceColorKey(p->surface);
  }
  return 0;
}

// The log texts of one method that copies through device contexts, in the order of its steps.
struct DeviceContextTexts {
  const char* sourceDc;
  const char* createWork;  // unused by a method that copies straight into the texture
  const char* workDc;
  const char* copy;
  const char* releaseDc;
};

constexpr DeviceContextTexts kFunction2Texts = {
    "Error  G_D3D_GetDrawScreenGraphFunction2  ＤＣ取得に失敗しました  GetDC ReturnValue:%d",
    nullptr,
    "Error  G_D3D_GetDrawScreenGraphFunction2 "
    "　作業用テクスチャサーフェスのＤＣ取得に失敗しました  GetDC ReturnValue:%d",
    "Error  G_D3D_GetDrawScreenGraphFunction2 "
    "　作業用テクスチャサーフェスへのイメージ転送に失敗しました  BitBlt  ErrorCode:%x",
    "Error  G_D3D_GetDrawScreenGraphFunction2 "
    "　作業用テクスチャサーフェスのＤＣ解放に失敗しました  ReleaseDC ReturnValue:%d",
};
constexpr DeviceContextTexts kFunction3Texts = {
    "Error  G_D3D_GetDrawScreenGraphFunction3 　ＤＣ取得に失敗しました  GetDC  ReturnValue:%d",
    "Error  G_D3D_GetDrawScreenGraphFunction3 "
    "　作業用テクスチャサーフェスの作成に失敗しました  CreateSurface  ReturnValue:%d",
    "Error  G_D3D_GetDrawScreenGraphFunction3 "
    "　作業用テクスチャサーフェスのＤＣ取得に失敗しました  GetDC  ReturnValue:%d",
    "Error  G_D3D_GetDrawScreenGraphFunction3 "
    "　作業用テクスチャサーフェスへのイメージ転送に失敗しました  BitBlt  ErrorCode:%x",
    "Error  G_D3D_GetDrawScreenGraphFunction3 "
    "　作業用テクスチャサーフェスのＤＣ解放に失敗しました  ReleaseDC  ReturnValue:%d",
};
constexpr DeviceContextTexts kFunction4Texts = {
    "Error  G_D3D_GetDrawScreenGraphFunction4 　ＤＣ取得に失敗しました  GetDC  ReturnValue:%d",
    "Error  G_D3D_GetDrawScreenGraphFunction4 "
    "　作業用テクスチャサーフェスの作成に失敗しました  CreateSurface  ReturnValue:%d",
    "Error  G_D3D_GetDrawScreenGraphFunction4 "
    "　作業用テクスチャサーフェスのＤＣ取得に失敗しました  GetDC  ReturnValue:%d",
    "Error  G_D3D_GetDrawScreenGraphFunction4 "
    "　作業用テクスチャサーフェスへのイメージ転送に失敗しました  BitBlt  ErrorCode:%x",
    "Error  G_D3D_GetDrawScreenGraphFunction4 "
    "　作業用テクスチャサーフェスのＤＣ解放に失敗しました  ReleaseDC  ReturnValue:%d",
};

// A piece being filled: its record, its texture, the texture's preset and the source area.
struct PieceCopy {
  const Surface3DRecord* piece;
  SurfaceRecord* texture;
  const TextureFormatPreset* preset;
  Rect area;
};

// Where the piece's area lands in its texture (and in a work texture of its size).
Rect PlaceInTexture(const PieceCopy& c) {
  return Rect{c.piece->textureX, c.piece->textureY, c.piece->textureX + c.area.Width(),
              c.piece->textureY + c.area.Height()};
}

// Rows of bits (locked at the texture's origin) that a device-context copy wrote at the piece's
// place take their alpha as an upload gives it: the key colour transparent, the rest opaque.
// The copy writes no alpha, so without this a texture with alpha bits would show nothing.
void KeyToAlpha(uint8_t* bits, int pitch, const PieceCopy& c) {
  const ColorFormat& f = c.preset->format;
  if (f.alphaWidth == 0 || (f.bytesPerPixel != 2 && f.bytesPerPixel != 4)) return;
  const uint32_t colour = f.redMask | f.greenMask | f.blueMask;
  const uint32_t key = c.texture->keyColor;
  const uint32_t packed =
      PackFormatColor(&f, (key >> 16) & 255, (key >> 8) & 255, key & 255, 0) & colour;
  const Rect at = PlaceInTexture(c);
  for (int y = at.top; y < at.bottom; ++y) {
    uint8_t* row = bits + static_cast<ptrdiff_t>(y) * pitch +
                   static_cast<ptrdiff_t>(at.left) * f.bytesPerPixel;
    for (int x = 0; x < at.Width(); ++x) {
      uint8_t* at = row + static_cast<ptrdiff_t>(x) * f.bytesPerPixel;
      uint32_t v = 0;
      std::memcpy(&v, at, f.bytesPerPixel);
      v = (v & colour) == packed ? v & ~f.alphaMask : v | f.alphaMask;
      std::memcpy(at, &v, f.bytesPerPixel);
    }
  }
}

// KeyToAlpha on a surface of the texture's size and format, through a lock of it. 0 / -1.
int KeyToAlphaThroughLock(platform::Surface* s, const PieceCopy& c) {
  if (c.preset->format.alphaWidth == 0) return 0;
  platform::LockedRect l;
  if (s->Lock(nullptr, &l) != DisplayResult::kOk) return -1;
  KeyToAlpha(l.bits, l.pitch, c);
  s->Unlock();
  return 0;
}

// The source area through device contexts to the piece's place in dest; the source context is
// taken first. 0, or -1 after the log line of the failing step.
int CopyThroughDeviceContexts(platform::Surface* dest, platform::Surface* source,
                              const PieceCopy& c, const DeviceContextTexts& t) {
  std::shared_ptr<platform::DeviceContext> from, to;
  DisplayResult r = source->GetDC(&from);
  if (r != DisplayResult::kOk) return WriteLogFormat(t.sourceDc, static_cast<int>(r));
  r = dest->GetDC(&to);
  if (r != DisplayResult::kOk) {
    source->ReleaseDC(from);
    return WriteLogFormat(t.workDc, static_cast<int>(r));
  }
  const bool copied =
      platform::BitBlt(to.get(), c.piece->textureX, c.piece->textureY, c.area.Width(),
                       c.area.Height(), from.get(), c.area.left, c.area.top);
  source->ReleaseDC(from);
  r = dest->ReleaseDC(to);
  // The copy fails only for a context that is gone; there is no further error code.
  if (!copied) return WriteLogFormat(t.copy, 0u);
  if (r != DisplayResult::kOk) return WriteLogFormat(t.releaseDc, static_cast<int>(r));
  return 0;
}

// A system-memory texture of the piece's texture size and format holding the source area at the
// piece's place; null after the log line of the failing step.
std::shared_ptr<platform::Surface> WorkTexture(platform::Surface* source, const PieceCopy& c,
                                               const DeviceContextTexts& t) {
  platform::SurfaceDesc desc;
  desc.flags = platform::kDescCaps | platform::kDescHeight | platform::kDescWidth |
               platform::kDescPixelFormat;
  desc.caps = platform::kCapsTexture | platform::kCapsSystemMemory;
  desc.width = c.texture->width;
  desc.height = c.texture->height;
  desc.pixelFormat = c.preset->pixelFormat;
  std::shared_ptr<platform::Surface> work;
  platform::Display* display = IsDirectDrawReady();
  const DisplayResult made =
      display != nullptr ? display->CreateSurface(desc, &work) : DisplayResult::kDeadObject;
  if (made != DisplayResult::kOk) {
    WriteLogFormat(t.createWork, static_cast<int>(made));
    return nullptr;
  }
  if (CopyThroughDeviceContexts(work.get(), source, c, t) != 0) {
    work->Release();
    return nullptr;
  }
  return work;
}

// Calls fill(copy) for every piece with something to copy, re-keying its texture after it; the
// first failure ends the capture with -1.
template <typename Fill>
int ForEachPiece(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag, Fill fill) {
  CaptureSource s;
  if (!SourceOf(flag, &s) || !Checked(x1, y1, x2, y2, *graph, s)) return -1;
  for (int i = 0; i < std::clamp(graph->pieceCount, 0, kMaxGraphPieces); ++i) {
    const Surface3DRecord* p = Get3DGraphRecord(graph->pieces[i]);
    if (p == nullptr) return -1;
    PieceCopy c{p, GetSurfaceRecord(p->surface), nullptr, PieceArea(x1, y1, *p, s)};
    if (c.area.Empty()) continue;
    if (c.texture == nullptr || c.texture->surface == nullptr) return -1;
    c.preset = GetPresetColorFormatRecord(static_cast<int>(c.texture->texturePreset));
    if (c.preset == nullptr || c.preset->format.bitsPerPixel == 0) return -1;
    if (fill(s.surface, c) != 0) return -1;
    SetSurfaceColorKey(p->surface);
  }
  return 0;
}

// Each piece copied through device contexts straight into its texture.
int Function2(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag) {
  return ForEachPiece(x1, y1, x2, y2, graph, flag,
                      [](platform::Surface* source, const PieceCopy& c) {
                        platform::Surface* texture = c.texture->surface.get();
                        if (CopyThroughDeviceContexts(texture, source, c, kFunction2Texts) != 0)
                          return -1;
                        return KeyToAlphaThroughLock(texture, c);
                      });
}

// Each piece copied through device contexts into a work texture, then converted into its
// texture through locks.
int Function3(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag) {
  return ForEachPiece(
      x1, y1, x2, y2, graph, flag, [](platform::Surface* source, const PieceCopy& c) {
        std::shared_ptr<platform::Surface> work = WorkTexture(source, c, kFunction3Texts);
        if (work == nullptr) return -1;
        platform::LockedRect from, to;
        DisplayResult r = work->Lock(nullptr, &from);
        if (r != DisplayResult::kOk) {
          work->Release();
          return WriteLogFormat(
              "Error  G_D3D_GetDrawScreenGraphFunction3 "
              "　作業用テクスチャサーフェスのロックに失敗しました  Lock  ReturnValue:%d",
              static_cast<int>(r));
        }
        platform::Surface* texture = c.texture->surface.get();
        r = texture->Lock(nullptr, &to);
        if (r != DisplayResult::kOk) {
          work->Unlock();
          work->Release();
          return WriteLogFormat(
              "Error  G_D3D_GetDrawScreenGraphFunction3 "
              "　転送先テクスチャサーフェスのロックに失敗しました  Lock  ReturnValue:%d",
              static_cast<int>(r));
        }
        const ColorFormat& f = c.preset->format;
        const Rect at = PlaceInTexture(c);
        ConvertColorFormatBlt(to.bits, to.pitch, &f, from.bits, from.pitch, &f, nullptr, 0, nullptr,
                              at.left, at.top, &at, 0, 0, 0, 0, 0);
        KeyToAlpha(to.bits, to.pitch, c);
        texture->Unlock();
        work->Unlock();
        work->Release();
        return 0;
      });
}

// Each piece copied through device contexts into a work texture, then into its texture by the
// device's Load, which is tried again after restoring a lost texture.
int Function4(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag) {
  return ForEachPiece(
      x1, y1, x2, y2, graph, flag, [](platform::Surface* source, const PieceCopy& c) {
        std::shared_ptr<platform::Surface> work = WorkTexture(source, c, kFunction4Texts);
        if (work == nullptr) return -1;
        int result = KeyToAlphaThroughLock(work.get(), c);
        platform::Device3D* device = GetCurrentDevice3D();
        if (device == nullptr) result = -1;
        const Rect at = PlaceInTexture(c);
        for (int attempt = 1; result == 0; ++attempt) {
          const DisplayResult r = device->Load(c.texture->surface, at.left, at.top, work, &at, 0);
          if (r == DisplayResult::kOk) break;
          if (r != DisplayResult::kSurfaceLost || attempt == 10) {
            result = -1;
            break;
          }
          c.texture->surface->Restore();
          WaitMilliseconds(1);
        }
        work->Release();
        return result;
      });
}

constexpr CaptureMethod3D kCaptureMethods[] = {Function5, Function1, Function3,
                                               Function2, Function4, nullptr};

}  // namespace

CaptureMethod3D GetCaptureMethod3D(int index) {
  constexpr int count = static_cast<int>(std::size(kCaptureMethods));
  return index >= 0 && index < count ? kCaptureMethods[index] : nullptr;
}

int G_D3D_CopyScreenToGraph(int x1, int y1, int x2, int y2, GraphRecord* graph, int flag) {
  Direct3DState& d = GetDirect3DState();
  if (d.direct3D == nullptr || graph == nullptr) return -1;
  Flush3DVertexBatch();
  EndScene3D();
  if (graph->pieceCount < 1) return -1;
  const Surface3DRecord* first = Get3DGraphRecord(graph->pieces[0]);
  const SurfaceRecord* s = first != nullptr ? GetSurfaceRecord(first->surface) : nullptr;
  if (s == nullptr) return -1;
  int32_t& remembered = d.captureMethod[(s->flags.alphaChannel | s->flags.alphaTest) != 0 ? 1 : 0];
  if (remembered >= 0 && kCaptureMethods[remembered] != nullptr) {
    const int result = kCaptureMethods[remembered](x1, y1, x2, y2, graph, flag);
    if (result >= 0) return result;
  }
  int result = -1;
  for (remembered = 0; kCaptureMethods[remembered] != nullptr; ++remembered) {
    result = kCaptureMethods[remembered](x1, y1, x2, y2, graph, flag);
    if (result == 0) return 0;
  }
  remembered = -1;
  return result;
}

}  // namespace morrow
