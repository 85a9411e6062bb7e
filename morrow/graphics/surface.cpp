#include "morrow/graphics/surface.h"

#include "morrow/device/color_format.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/record_memory.h"
#include "morrow/system/log.h"
#include "morrow/system/memory.h"

namespace morrow {
namespace {

using platform::DisplayResult;

bool Ok(DisplayResult r) {
  return r == DisplayResult::kOk;
}

// Drops a display object's reference unless its display has already taken it down with itself.
void ReleaseObject(std::shared_ptr<platform::Surface>* s) {
  if (*s != nullptr && !(*s)->IsDead()) (*s)->Release();
  s->reset();
}

void ReleaseRecordObjects(SurfaceRecord* r) {
  FreeMemory(r->alphaBuffer);
  r->alphaBuffer = nullptr;
  r->alphaPitch = 0;
  ReleaseObject(&r->zBuffer);
  if (r->surface != nullptr && r->lockNesting > 0 && !r->surface->IsDead()) r->surface->Unlock();
  ReleaseObject(&r->surface);
  r->lockNesting = 0;
  r->lockedPitch = 0;
  r->lockedPixels = nullptr;
}

int CreateStandardSurface(ResourceHandle handle, SurfaceRecord* r, platform::Display* display) {
  int screenWidth = 0;
  GetScreenSize(&screenWidth, nullptr);
  platform::SurfaceDesc desc;
  desc.flags = platform::kDescCaps | platform::kDescWidth | platform::kDescHeight;
  desc.width = r->width;
  desc.height = r->height;
  const bool system = r->flags.systemMemory == 1 || r->width > screenWidth;
  desc.caps =
      platform::kCapsOffscreenPlain |
      (system ? platform::kCapsSystemMemory : platform::kCapsVideoMemory | platform::kCaps3DDevice);
  std::shared_ptr<platform::Surface> s;
  if (!Ok(display->CreateSurface(desc, &s))) {
    desc.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
    if (!Ok(display->CreateSurface(desc, &s))) {
      return WriteLog("標準サーフェスの作成に失敗しました\n");
    }
  }
  uint32_t caps = 0;
  s->GetCaps(&caps);
  r->flags.systemMemory = (caps & platform::kCapsVideoMemory) != 0 ? 0 : 1;
  r->flags.drawValid = 1;
  if (r->flags.alphaChannel != 0) {
    const size_t bytes = size_t{r->width} * r->height;
    auto* alpha = static_cast<uint8_t*>(AllocateZeroMemory(bytes));
    if (alpha == nullptr) {
      ReleaseObject(&s);
      return WriteLog("αチャンネル用メモリ領域の確保に失敗しました\n");
    }
    r->alphaBuffer = alpha;
    r->alphaPitch = r->width;
  }
  r->surface = std::move(s);
  if (r->zBufferWanted != 0) SetSurfaceZBuffer(handle, 1);
  return 0;
}

int CreateTextureSurface(ResourceHandle handle, SurfaceRecord* r, platform::Display* display) {
  SurfaceFlags& f = r->flags;
  if (f.drawValid == 1) {
    f.alphaChannel = 0;
    f.alphaTest = 0;
  }
  if (f.alphaChannel == 1) f.alphaTest = 0;
  const int preset = GetPresetColorFormatIndex(&f);
  r->texturePreset = static_cast<uint32_t>(preset);
  platform::SurfaceDesc desc;
  desc.flags = platform::kDescCaps | platform::kDescWidth | platform::kDescHeight |
               platform::kDescPixelFormat;
  desc.width = r->width;
  desc.height = r->height;
  if (const TextureFormatPreset* p = GetPresetColorFormatRecord(preset)) {
    desc.pixelFormat = p->pixelFormat;
  }
  desc.caps = platform::kCapsTexture | (f.drawValid == 1 ? platform::kCaps3DDevice : 0);
  std::shared_ptr<platform::Surface> s;
  if (!Ok(display->CreateSurface(desc, &s))) {
    WriteLog("テクスチャサーフェスの作成に失敗しました\n");
    WriteLogFormat("DrawValid:%d  AlphaChFlag%d  AlphaTestFlag:%d  ColorBitDepth:%d", f.drawValid,
                   f.alphaChannel, f.alphaTest, f.bitDepth);
    return -1;
  }
  r->surface = std::move(s);
  if (r->zBufferWanted != 0) SetSurfaceZBuffer(handle, 1);
  return 0;
}

}  // namespace

SurfaceTable& GetSurfaceTable() {
  static SurfaceTable table;
  return table;
}

void ClearSurfaceTable() {
  SurfaceTable& t = GetSurfaceTable();
  for (int i = 0; i < SurfaceTable::kLimit; ++i) {
    if (t.slots[i] == nullptr) continue;
    ReleaseRecordObjects(t.slots[i]);
    FreeRecord(t.slots[i]);
  }
  t.Clear();
}

ResourceHandle AddSurface(int refCount, uint16_t width, uint16_t height, uint32_t keyColor,
                          const SurfaceFlags* flags) {
  SurfaceTable& t = GetSurfaceTable();
  if (t.Full()) return WriteLog("サーフェスのデータ数が許容量を越えました。\n");
  SurfaceRecord* r = NewRecord<SurfaceRecord>();
  if (r == nullptr) return WriteLog("サーフェス用データを保存するメモリ領域の確保に失敗しました\n");
  const ResourceHandle handle = t.Insert(t.FreeSlot(), r);
  r->refCount = refCount;
  r->width = width;
  r->height = height;
  r->keyColor = keyColor;
  if (flags != nullptr) r->flags = *flags;
  if (CreateSurfaceObject(handle) != 0) {
    DeleteSurface(handle);
    return -1;
  }
  SetSurfaceColorKey(handle);
  return handle;
}

int DeleteSurface(ResourceHandle surface) {
  SurfaceTable& t = GetSurfaceTable();
  SurfaceRecord* r = t.Get(surface);
  if (r == nullptr) return -1;
  ReleaseRecordObjects(r);
  if (r->lostFlag != nullptr) *r->lostFlag = 1;
  t.Remove(surface);
  FreeRecord(r);
  return 0;
}

int AddSurfaceRef(ResourceHandle surface) {
  SurfaceRecord* r = GetSurfaceRecord(surface);
  if (r == nullptr) return -1;
  return ++r->refCount;
}

int ReleaseSurfaceRef(ResourceHandle surface) {
  SurfaceRecord* r = GetSurfaceRecord(surface);
  if (r == nullptr) return -1;
  return --r->refCount;
}

SurfaceRecord* GetSurfaceRecord(ResourceHandle surface) {
  return GetSurfaceTable().Get(surface);
}

int CreateSurfaceObject(ResourceHandle surface) {
  SurfaceRecord* r = GetSurfaceRecord(surface);
  if (r == nullptr) return -1;
  if (r->surface != nullptr) return 0;
  platform::Display* display = IsDirectDrawReady();
  if (display == nullptr) return -1;
  return r->flags.texture == 1 ? CreateTextureSurface(surface, r, display)
                               : CreateStandardSurface(surface, r, display);
}

int ReleaseSurfaceObject(ResourceHandle surface) {
  SurfaceRecord* r = GetSurfaceRecord(surface);
  if (r == nullptr) return -1;
  ReleaseRecordObjects(r);
  return 0;
}

int SetSurfaceZBuffer(ResourceHandle surface, int want) {
  SurfaceRecord* r = GetSurfaceRecord(surface);
  if (r == nullptr) return -1;
  if ((r->zBuffer != nullptr) == (want != 0)) return 0;
  if (want == 0) {
    ReleaseObject(&r->zBuffer);
    r->zBufferWanted = 0;
    return 0;
  }
  // Only a video-memory surface that may be drawn into can have a depth buffer.
  platform::Display* display = IsDirectDrawReady();
  if (display == nullptr || r->surface == nullptr || r->flags.systemMemory != 0 ||
      r->flags.drawValid == 0) {
    return -1;
  }
  platform::SurfaceDesc desc;
  desc.flags = platform::kDescCaps | platform::kDescWidth | platform::kDescHeight |
               platform::kDescPixelFormat;
  desc.width = r->width;
  desc.height = r->height;
  desc.caps = platform::kCapsZBuffer | platform::kCapsVideoMemory;
  desc.pixelFormat = *GetZBufferPixelFormat();
  std::shared_ptr<platform::Surface> z;
  if (!Ok(display->CreateSurface(desc, &z))) {
    return WriteLogFormat("Ｚバッファの作成に失敗しました");
  }
  r->zBuffer = std::move(z);
  r->zBufferWanted = 1;
  return 0;
}

int SetSurfaceColorKey(ResourceHandle surface) {
  SurfaceRecord* r = GetSurfaceRecord(surface);
  if (r == nullptr || r->surface == nullptr) return -1;
  const int red = static_cast<int>((r->keyColor >> 16) & 0xFF);
  const int green = static_cast<int>((r->keyColor >> 8) & 0xFF);
  const int blue = static_cast<int>(r->keyColor & 0xFF);
  const bool texture = r->flags.texture == 1;
  uint32_t key = 0;
  if (!texture) {
    key = r->flags.bitDepth == 8 ? 0 : PackScreenColor(red, green, blue);
  } else {
    key = PackFormatColor(GetPresetColorFormat(static_cast<int>(r->texturePreset)), red, green,
                          blue, 255);
  }
  const platform::ColorKey ck{key, key};
  if (!Ok(r->surface->SetColorKey(platform::kColorKeySrcBlt, &ck))) {
    return WriteLog(texture ? "テクスチャサーフェスのカラーキーの設定に失敗しました\n"
                            : "標準サーフェスのカラーキーの設定に失敗しました\n");
  }
  return 0;
}

int CheckSurfaceLost(ResourceHandle surface) {
  SurfaceRecord* r = GetSurfaceRecord(surface);
  if (r == nullptr || r->surface == nullptr) return -1;
  if (r->surface->IsLost() != DisplayResult::kSurfaceLost) return 0;
  r->surface->Restore();
  return -1;
}

int LockSurface(ResourceHandle surface, int* pitch, void** pixels, int writeOnly,
                const Rect* area) {
  (void)writeOnly;  // the display has no write-only locks
  SurfaceRecord* r = GetSurfaceRecord(surface);
  if (r == nullptr) return -1;
  if (r->lockNesting > 0) {
    if (pitch != nullptr && pixels != nullptr) {
      *pitch = r->lockedPitch;
      *pixels = r->lockedPixels;
    }
    ++r->lockNesting;
    return -2;
  }
  platform::LockedRect locked;
  if (r->surface == nullptr || !Ok(r->surface->Lock(area, &locked))) {
    return WriteLogFormat("グラフィックのロックに失敗しました");
  }
  r->lockedPitch = locked.pitch;
  r->lockedPixels = locked.bits;
  r->lockNesting = 1;
  if (pitch != nullptr) *pitch = r->lockedPitch;
  if (pixels != nullptr) *pixels = r->lockedPixels;
  return 0;
}

int UnlockSurface(ResourceHandle surface) {
  SurfaceRecord* r = GetSurfaceRecord(surface);
  if (r == nullptr || r->lockNesting <= 0) return -1;
  if (--r->lockNesting == 0) {
    if (r->surface != nullptr) r->surface->Unlock();
    r->lockedPitch = 0;
    r->lockedPixels = nullptr;
  }
  return 0;
}

int FillSurface(ResourceHandle surface, int r, int g, int b, int a) {
  return FillSurfaceArea(surface, nullptr, r, g, b, a);
}

int FillSurfaceArea(ResourceHandle surface, const Rect* area, int r, int g, int b, int a) {
  if (IsDirectDrawReady() == nullptr) return -1;
  SurfaceRecord* rec = GetSurfaceRecord(surface);
  if (rec == nullptr || rec->surface == nullptr) return -1;
  const ColorFormat* format = rec->flags.texture == 1
                                  ? GetPresetColorFormat(static_cast<int>(rec->texturePreset))
                                  : GetScreenColorFormat();
  platform::BltFx fx;
  fx.fillColor = PackFormatColor(format, r, g, b, a);
  const DisplayResult result =
      rec->surface->Blt(area, nullptr, nullptr, platform::kBltColorFill | platform::kBltWait, &fx);
  return Ok(result) ? 0 : -1;
}

}  // namespace morrow
