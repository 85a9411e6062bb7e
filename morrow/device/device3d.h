// The 3D device of the hardware path: the set-up that finds a device, a depth-buffer format and
// the texture formats on the display's 3D interface (platform/device3d.h), the device records
// with their cached render states and vertex batch, the render target, the viewport, culling,
// and the scene bracket.
//
// Every cached setter returns 0 at once when the value asked for is the one the record holds
// and forceStates is 0; otherwise it flushes the vertex batch, sends the state and keeps it. A
// device made again after a display rebuild gets every state back from its record.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/device3d.h"
#include "platform/display.h"

namespace morrow {

// A pre-transformed vertex as the device takes it (format 0x144).
struct Vertex3D {
  float x, y, z, rhw;
  uint32_t diffuse;  // ARGB
  float u, v;
};
static_assert(sizeof(Vertex3D) == 28);

constexpr int kVertexBatchSize = 3000;
constexpr int kDevice3DRecords = 4;

// Cached state values as the records keep them.
constexpr int32_t kCullModeOn = 3;   // counter-clockwise triangles dropped
constexpr int32_t kCullModeOff = 1;  // none dropped

struct Direct3DDeviceRecord {
  int32_t inUse = 0;
  std::shared_ptr<platform::Device3D> device;  // null while released
  std::shared_ptr<platform::Surface> ownTarget;
  std::shared_ptr<platform::Surface> renderTarget;  // null: ownTarget
  std::shared_ptr<platform::Surface> texture;       // stage 0; null: none
  int32_t filterMode = 0;                           // 0 point, 1 linear
  int32_t blendMode = 0;
  int32_t blendParam = 0;  // -1 after modes 0 and 8
  int32_t insideScene = 0;
  int32_t textureAlpha = 0;  // the texture's alpha is multiplied in (blend mode 7)
  int32_t zEnable = 0;
  int32_t shadeMode = 1;       // flat
  int32_t textureAddress = 3;  // clamp
  int32_t perspective = 0;
  int32_t lighting = 0;
  int32_t colorKeyEnable = 0;
  int32_t forceStates = 0;  // 1: every state is sent whatever the record holds
  int32_t batching = 0;
  Vertex3D vertices[kVertexBatchSize];
  int32_t vertexCount = 0;
  platform::Viewport viewport;
  int32_t cullMode = kCullModeOn;  // the device's own default until set
};

struct Direct3DState {
  std::shared_ptr<platform::Direct3D> direct3D;  // null: not set up (or released)
  int32_t currentDevice = 0;
  platform::DeviceDesc deviceDesc{};
  int32_t minTextureSize = 0;
  int32_t maxTextureSize = 0;
  int32_t endSceneAfterDraw = 0;  // 1: each 3D drawing routine ends the scene when it returns
  int32_t drawingSuspended = 0;   // 1: the render target cannot be drawn by the 3D device
  int32_t captureMethod[2] = {0, 0};
  int32_t initialised = 0;
  Direct3DDeviceRecord devices[kDevice3DRecords];
};

Direct3DState& GetDirect3DState();

// ---- set-up and end (the screen-mode change, the end of the display, the graphics rebuild) ----
// -1 at once when the 3D interface exists; every failure logs, releases what was made and
// returns -1, and the screen then runs without 3D.
int InitDirect3D();
// -1 without the 3D interface.
int TerminateDirect3D();
// Around a display rebuild: the device records and 3D pieces stay, their device and texture
// objects are released and made again. Before InitDirect3D: 0 and -1.
int CreateDirect3DObject();
int ReleaseDirect3DObject();
int ReleaseDeviceObjects3D(int device);
int RecreateDevice3D(int device);
// The current record's device, null when there is none.
platform::Device3D* GetCurrentDevice3D();

// ---- devices ----
// The first free record, made on surface. Index / -1.
int CreateDevice3D(const std::shared_ptr<platform::Surface>& surface);
int DeleteDevice3D(int device);
int DeleteAllDevices3D();

// ---- render state; each -1 without the 3D interface or for a record not in use ----
// -1 also for a mode other than 0 (point) and 1 (linear).
int SetFilterModeOfDevice3D(int mode, int device);
int SetBlendStateOfDevice3D(int mode, int parameter, int device);
// -1 when the device refuses the state.
int SetTextureAddressModeOfDevice3D(int mode, int device);
int SetTextureAddressMode3D(int mode);
int SetBackFaceCullingOfDevice3D(int flag, int device);
int SetColorKeyEnableOfDevice3D(int enable, int device);
// A surface, or null for the device's own target.
int SetRenderTargetOfDevice3D(const std::shared_ptr<platform::Surface>& surface, int device);
// A viewport the device refuses is fatal.
int SetViewportOfDevice3D(const platform::Viewport& viewport, int device);

// ---- scenes ----
// Opens a scene and sends every state of the record again.
int BeginScene3D(int device);
int EndSceneOfDevice3D(int device);

}  // namespace morrow
