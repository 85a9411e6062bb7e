// Surfaces: the record behind a surface handle, which owns one display surface (a standard
// off-screen surface with an optional alpha buffer of its own, or a texture surface) and counts
// the 2D pieces that use it. The display surface may be released and made again around a display
// rebuild while the record stays. The software rasterisers lock surfaces through LockSurface.
#pragma once

#include <cstdint>
#include <memory>

#include "morrow/graphics/handle.h"
#include "morrow/graphics/surface_flags.h"
#include "morrow/system/rect.h"
#include "platform/display.h"

namespace morrow {

// One per surface handle; made value-initialised.
struct SurfaceRecord {
  uint32_t checkNumber = 0;
  int* lostFlag = nullptr;  // written 1 when the surface is deleted; null = none
  // Copied from the creator; the memory actually used and drawValid are read back on creation.
  SurfaceFlags flags{};
  uint32_t texturePreset = 0;  // texture surfaces: index of the texture format preset
  uint32_t zBufferWanted = 0;
  std::shared_ptr<platform::Surface> surface;  // null while released
  std::shared_ptr<platform::Surface> zBuffer;
  uint8_t* alphaBuffer = nullptr;  // standard surfaces with an alpha channel: one byte a pixel
  uint32_t alphaPitch = 0;         // = width
  uint32_t keyColor = 0;           // 0x00RRGGBB
  uint16_t width = 0;
  uint16_t height = 0;
  int32_t refCount = 0;  // 2D pieces using the surface
  int32_t lockedPitch = 0;
  void* lockedPixels = nullptr;  // from the outermost lock
  int32_t lockNesting = 0;       // 0 = not locked
};

using SurfaceTable = HandleTable<SurfaceRecord, kSurfaceHandle, kSurfaceLimit>;

SurfaceTable& GetSurfaceTable();
// Releases and frees every surface record and empties the table (the graphics start).
void ClearSurfaceTable();

// A new record with refCount references and its display surface, colour key set. -1 with a log
// line for a full table, a failed allocation or a failed display surface (record removed).
ResourceHandle AddSurface(int refCount, uint16_t width, uint16_t height, uint32_t keyColor,
                          const SurfaceFlags* flags);
// Releases the display surface, writes 1 through the lost flag, frees the record. 0 / -1.
int DeleteSurface(ResourceHandle surface);
// The new reference count / -1.
int AddSurfaceRef(ResourceHandle surface);
int ReleaseSurfaceRef(ResourceHandle surface);
SurfaceRecord* GetSurfaceRecord(ResourceHandle surface);
// Makes the display surface (0 at once when it exists; -1 without a display). Standard surfaces
// go to system memory when asked or wider than the screen, else to video memory, with one retry
// in system memory; the memory used is read back into the flags.
int CreateSurfaceObject(ResourceHandle surface);
// Frees the alpha buffer, the depth buffer and the display surface; the record stays.
int ReleaseSurfaceObject(ResourceHandle surface);
// Attaches (want 1) or removes (want 0) a depth buffer. 0 / -1.
int SetSurfaceZBuffer(ResourceHandle surface, int want);
// The source colour key from the record's key colour: the screen's packing (0 at 8 bits) for
// standard surfaces, the texture preset's with alpha 255 for textures. 0 / -1.
int SetSurfaceColorKey(ResourceHandle surface);
// 0 when not lost; a lost surface is restored (empty) and -1 returned; -1 for a bad handle.
int CheckSurfaceLost(ResourceHandle surface);
// Locks area (null: the whole surface). 0 with pitch and pixels; -2 when already locked, with
// the outermost lock's pitch and pixels (nesting + 1); -1 with "グラフィックのロックに失敗しました"
// when the display refuses (a rectangle outside the surface among others).
int LockSurface(ResourceHandle surface, int* pitch, void** pixels, int writeOnly, const Rect* area);
// Nesting - 1, the display surface unlocked at 0. -1 when not locked.
int UnlockSurface(ResourceHandle surface);
// The whole surface in one colour, packed in the surface's format. 0 / -1.
int FillSurface(ResourceHandle surface, int r, int g, int b, int a);
// The same on a rectangle of the surface (null: all of it). -1 for a rectangle outside it.
int FillSurfaceArea(ResourceHandle surface, const Rect* area, int r, int g, int b, int a);

}  // namespace morrow
