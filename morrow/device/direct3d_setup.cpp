// The 3D set-up: the 3D interface of the display, the choice of device, depth-buffer format and
// texture formats, the device records, the end, and the release and re-creation of the objects
// around a display rebuild.
#include <algorithm>

#include "morrow/device/color_format.h"
#include "morrow/device/device3d.h"
#include "morrow/device/direct3d.h"
#include "morrow/device/pieces3d.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/surface.h"
#include "morrow/system/log.h"

namespace morrow {
namespace {

using platform::DisplayResult;
using platform::RenderState;
using platform::StageState;

bool Ok(DisplayResult r) {
  return r == DisplayResult::kOk;
}

// A record as a new device leaves it; the vertex batch keeps its bytes, its count is 0.
void ResetRecord(Direct3DDeviceRecord* r) {
  r->inUse = 0;
  r->device.reset();
  r->ownTarget.reset();
  r->renderTarget.reset();
  r->texture.reset();
  r->filterMode = 0;
  r->blendMode = 0;
  r->blendParam = 0;
  r->insideScene = 0;
  r->textureAlpha = 0;
  r->zEnable = 0;
  r->shadeMode = 1;
  r->textureAddress = 3;
  r->perspective = 0;
  r->lighting = 0;
  r->colorKeyEnable = 0;
  r->forceStates = 0;
  r->batching = 0;
  r->vertexCount = 0;
  r->viewport = platform::Viewport{};
  r->cullMode = kCullModeOn;
}

// Everything before the device records, and what the set-up fills outside the block: the piece
// table, the texture presets and the depth-buffer format.
void ClearSetUp(Direct3DState* d) {
  d->direct3D.reset();
  d->currentDevice = 0;
  d->deviceDesc = platform::DeviceDesc{};
  d->minTextureSize = 0;
  d->maxTextureSize = 0;
  d->endSceneAfterDraw = 0;
  d->drawingSuspended = 0;
  d->captureMethod[0] = d->captureMethod[1] = 0;
  d->initialised = 0;
  // Records a set-up that never ended left in use would keep their slots for good.
  for (Direct3DDeviceRecord& r : d->devices) ResetRecord(&r);
  ClearSurface3DTable();
  ClearTextureFormatPresets();
  *GetZBufferPixelFormat() = platform::PixelFormat{0, 0, 0, 0, 0, 0, 0, 0};
}

// A failed set-up leaves nothing behind: no device, no interface, no formats.
int FailSetUp(bool devicesMade) {
  if (devicesMade) DeleteAllDevices3D();
  Direct3DState& d = GetDirect3DState();
  d.direct3D.reset();
  ClearTextureFormatPresets();
  *GetZBufferPixelFormat() = platform::PixelFormat{0, 0, 0, 0, 0, 0, 0, 0};
  return -1;
}

// The hardware devices that draw at the screen's depth; the one with transform and lighting
// ends the listing, a later hardware device replaces an earlier one.
bool EnumDeviceCallback(const platform::DeviceDesc& desc, bool* found) {
  if (desc.kind != platform::DeviceKind::kHal && desc.kind != platform::DeviceKind::kTnLHal) {
    return true;
  }
  const int depth = GetScreenBitDepth();
  const uint32_t needed = depth == 16   ? platform::kDeviceDepth16
                          : depth == 32 ? platform::kDeviceDepth32
                                        : 0;
  if ((desc.renderBitDepths & needed) == 0) return true;
  GetDirect3DState().deviceDesc = desc;
  *found = true;
  return desc.kind != platform::DeviceKind::kTnLHal;
}

// The first format of 16 bits of depth alone.
bool EnumZBufferFormatCallback(const platform::PixelFormat& f, bool* found) {
  if (f.flags != platform::kPixelZBuffer || f.bitCount != 16) return true;
  *GetZBufferPixelFormat() = f;
  *found = true;
  return false;
}

void TakePreset(int index, const platform::PixelFormat& pf, const ColorFormat& cf) {
  TextureFormatPreset* p = GetPresetColorFormatRecord(index);
  p->pixelFormat = pf;
  p->format = cf;
}

bool PresetEmpty(int index) {
  return GetPresetColorFormatRecord(index)->pixelFormat.bitCount == 0;
}

// Sorts each listed format into the presets; a 16-bit format without alpha makes the listing a
// success.
void EnumTextureFormatCallback(const platform::PixelFormat& f, bool* usable) {
  const uint32_t kinds =
      platform::kPixelLuminance | platform::kPixelBumpLuminance | platform::kPixelBumpDuDv;
  if ((f.flags & kinds) != 0 || (f.flags & platform::kPixelFourCC) != 0 ||
      (f.flags & platform::kPixelAlphaOnly) != 0) {
    return;
  }
  ColorFormat cf{};
  if (GetSurfaceColorFormat(&f, &cf) != 0) return;
  if (cf.alphaWidth != 0) {
    if (cf.alphaMask == 0xF000u) {
      TakePreset(2, f, cf);
    } else if (cf.alphaMask == 0x8000u) {
      TakePreset(4, f, cf);
    } else if (cf.alphaMask == 0xFF000000u) {
      TakePreset(3, f, cf);
      TakePreset(5, f, cf);
    }
    return;
  }
  const int index = cf.bitsPerPixel == 16 ? 0 : cf.bitsPerPixel == 32 ? 1 : -1;
  if (index < 0) return;
  if (PresetEmpty(index) || CompareColorFormat(&cf, GetScreenColorFormat()) != 0) {
    TakePreset(index, f, cf);
  }
  if (index == 0) *usable = true;
}

void FillEmptyPresets() {
  const int pairs[4][2] = {{1, 0}, {3, 2}, {4, 2}, {5, 3}};
  for (const auto& pair : pairs) {
    if (PresetEmpty(pair[0]))
      *GetPresetColorFormatRecord(pair[0]) = *GetPresetColorFormatRecord(pair[1]);
  }
}

void LogPresets(const platform::DeviceDesc& desc) {
  const Direct3DState& d = GetDirect3DState();
  IncreaseLogIndent();
  WriteLogFormat("テクスチャ最大幅:%u 最小幅:%u ", static_cast<unsigned>(d.maxTextureSize),
                 static_cast<unsigned>(d.minTextureSize));
  WriteLogFormat("描画制限: D_D3DPTEXTURECAPS_POW2 = %d  D_D3DPTEXTURECAPS_SQUAREONLY = %d ",
                 (desc.textureCaps & platform::kTextureCapsPow2) != 0 ? 1 : 0,
                 (desc.textureCaps & platform::kTextureCapsSquareOnly) != 0 ? 1 : 0);
  WriteLog("テクスチャピクセルフォーマット\n");
  WriteLog("\t通常グラフィック用\n");
  for (int i : {0, 1}) {
    const ColorFormat& f = *GetPresetColorFormat(i);
    WriteLogFormat("\t\t BIT:%u  RED:%u  GREEN:%u  BLUE:%u ", unsigned{f.bitsPerPixel},
                   unsigned{f.redWidth}, unsigned{f.greenWidth}, unsigned{f.blueWidth});
    WriteLogFormat("\t\t RED:%06x GREEN:%06x BLUE:%06x ", f.redMask, f.greenMask, f.blueMask);
  }
  WriteLog("\tアルファチャンネル付きグラフィック用\n");
  for (int i : {2, 3}) {
    const ColorFormat& f = *GetPresetColorFormat(i);
    WriteLogFormat("\t\t BIT:%u  ALPHA:%u  RED:%u  GREEN:%u  BLUE:%u ", unsigned{f.bitsPerPixel},
                   unsigned{f.alphaWidth}, unsigned{f.redWidth}, unsigned{f.greenWidth},
                   unsigned{f.blueWidth});
    WriteLogFormat("\t\t ALPHA:%08x RED:%08x GREEN:%08x BLUE:%08x ", f.alphaMask, f.redMask,
                   f.greenMask, f.blueMask);
  }
  DecreaseLogIndent();
}

// Every 3D piece's texture object, released or made again with its colour key.
void ReleasePieceTextures() {
  Surface3DTable& t = GetSurface3DTable();
  for (int i = 0; i < t.highWater; ++i) {
    if (t.slots[i] != nullptr) ReleaseSurfaceObject(t.slots[i]->surface);
  }
}

void RecreatePieceTextures() {
  Surface3DTable& t = GetSurface3DTable();
  for (int i = 0; i < t.highWater; ++i) {
    if (t.slots[i] != nullptr && CreateSurfaceObject(t.slots[i]->surface) == 0) {
      SetSurfaceColorKey(t.slots[i]->surface);
    }
  }
}

Direct3DDeviceRecord* RecordOf(int device) {
  if (device < 0 || device >= kDevice3DRecords) return nullptr;
  return &GetDirect3DState().devices[device];
}

}  // namespace

Direct3DState& GetDirect3DState() {
  static Direct3DState state;
  return state;
}

int InitDirect3D() {
  Direct3DState& d = GetDirect3DState();
  if (d.direct3D != nullptr) return -1;
  WriteLogFormat("Direct3D 関連の初期化を行います");
  ClearSetUp(&d);
  WriteLogFormat("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得します");
  ScreenState& s = GetScreenState();
  if (s.directDraw == nullptr || !Ok(s.directDraw->QueryDirect3D(&d.direct3D))) {
    d.direct3D.reset();
    return WriteLogFormat("Direct3Dオブジェクトの作成に失敗しました");
  }
  WriteLogFormat("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得しました");

  bool found = false;
  d.direct3D->EnumDevices(
      [&found](const platform::DeviceDesc& desc) { return EnumDeviceCallback(desc, &found); });
  if (!found) {
    WriteLogFormat("現在の画面モードで使用できる描画デバイスが見つかりませんでした");
    return FailSetUp(false);
  }
  bool zFound = false;
  d.direct3D->EnumZBufferFormats(
      platform::DeviceKind::kHal,
      [&zFound](const platform::PixelFormat& f) { return EnumZBufferFormatCallback(f, &zFound); });
  if (!zFound) {
    WriteLogFormat("使用可能なＺバッファが見つかりませんでした");
    return FailSetUp(true);
  }
  const int device = CreateDevice3D(s.primarySurface);
  if (device == -1) return FailSetUp(true);
  d.currentDevice = device;
  Direct3DDeviceRecord& r = d.devices[device];
  r.batching = 1;
  if (!Ok(r.device->SetTextureStageState(0, StageState::kAddress, platform::kAddressClamp))) {
    return FailSetUp(true);
  }
  ClearTextureFormatPresets();
  bool usable = false;
  r.device->EnumTextureFormats([&usable](const platform::PixelFormat& f) {
    EnumTextureFormatCallback(f, &usable);
    return true;
  });
  if (!usable) {
    WriteLogFormat("使用可能なテクスチャフォーマットが見つかりませんでした");
    return FailSetUp(true);
  }
  FillEmptyPresets();

  d.endSceneAfterDraw = 1;
  const platform::DeviceDesc& desc = d.deviceDesc;
  const uint32_t minSide = std::min(desc.minTextureWidth, desc.minTextureHeight);
  const uint32_t maxSide = std::min(desc.maxTextureWidth, desc.maxTextureHeight);
  d.minTextureSize = minSide == 0 ? 32 : static_cast<int32_t>(std::min<uint32_t>(minSide, 65536));
  d.maxTextureSize = maxSide == 0 ? 256 : static_cast<int32_t>(std::min<uint32_t>(maxSide, 65536));
  d.captureMethod[0] = d.captureMethod[1] = -1;
  d.drawingSuspended = 0;
  LogPresets(desc);
  WriteLogFormat("Direct3D 関連の初期化は正常に終了しました");
  d.initialised = 1;
  return 0;
}

int TerminateDirect3D() {
  Direct3DState& d = GetDirect3DState();
  if (d.direct3D == nullptr) return -1;
  WriteLogFormat("Direct3D 関連の終了処理を行います");
  EndScene3D();
  d.endSceneAfterDraw = 0;
  Direct3DDeviceRecord& r = d.devices[d.currentDevice];
  if (r.texture != nullptr) {
    Flush3DVertexBatch();
    if (r.device != nullptr) r.device->SetTexture(0, nullptr);
    r.texture.reset();
  }
  DeleteAllSurface3DData();
  DeleteAllDevices3D();
  d.direct3D.reset();
  WriteLogFormat("Direct3D 関連の終了処理は正常に終了しました");
  d.initialised = 0;
  return 0;
}

int CreateDevice3D(const std::shared_ptr<platform::Surface>& surface) {
  Direct3DState& d = GetDirect3DState();
  if (d.direct3D == nullptr) return -1;
  int index = -1;
  for (int i = 0; i < kDevice3DRecords && index < 0; ++i) {
    if (d.devices[i].inUse == 0) index = i;
  }
  if (index < 0) return -1;
  WriteLog("３Ｄデバイスを作成します... ");
  std::shared_ptr<platform::Device3D> device;
  if (!Ok(d.direct3D->CreateDevice(d.deviceDesc.kind, surface, &device))) {
    return WriteLogFormat("３Ｄデバイスの作成に失敗しました");
  }
  device->SetTextureStageState(0, StageState::kAddress, platform::kAddressClamp);
  device->SetTextureStageState(0, StageState::kMagFilter, platform::kFilterPoint);
  device->SetTextureStageState(0, StageState::kMinFilter, platform::kFilterPoint);
  device->SetRenderState(RenderState::kLastPixel, 1);
  device->SetRenderState(RenderState::kColorKeyBlendEnable, 0);
  device->SetRenderState(RenderState::kLighting, 1);
  device->SetRenderState(RenderState::kTexturePerspective, 0);
  device->SetRenderState(RenderState::kShadeMode, platform::kShadeFlat);
  device->SetRenderState(RenderState::kAlphaBlendEnable, 0);
  device->SetTextureStageState(0, StageState::kColorOp, platform::kOpModulate);
  device->SetTextureStageState(0, StageState::kColorArg1, platform::kArgTexture);
  device->SetTextureStageState(0, StageState::kColorArg2, platform::kArgDiffuse);
  device->SetTextureStageState(0, StageState::kAlphaOp, platform::kOpSelectArg2);
  device->SetTextureStageState(0, StageState::kAlphaArg2, platform::kArgDiffuse);
  device->SetRenderState(RenderState::kDitherEnable, 0);
  Direct3DDeviceRecord& r = d.devices[index];
  ResetRecord(&r);
  r.inUse = 1;
  r.device = std::move(device);
  r.ownTarget = surface;
  // The viewport the device starts with is the last one set: the whole target.
  r.device->GetViewport(&r.viewport);
  WriteLogFormat("３Ｄデバイスの作成に成功しました");
  return index;
}

int DeleteDevice3D(int device) {
  Direct3DDeviceRecord* r = RecordOf(device);
  if (r == nullptr) return -1;
  ResetRecord(r);
  WriteLogFormat("３Ｄデバイスの削除は正常に終了しました");
  return 0;
}

int DeleteAllDevices3D() {
  for (int i = 0; i < kDevice3DRecords; ++i) {
    if (GetDirect3DState().devices[i].inUse != 0) DeleteDevice3D(i);
  }
  return 0;
}

int ReleaseDeviceObjects3D(int device) {
  Direct3DDeviceRecord* r = RecordOf(device);
  if (r == nullptr) return -1;
  EndSceneOfDevice3D(device);
  ReleasePieceTextures();
  r->device.reset();
  r->texture.reset();
  r->insideScene = 0;
  r->vertexCount = 0;
  WriteLogFormat("Ｄｉｒｅｃｔ３Ｄデバイスを削除しました");
  return 0;
}

int RecreateDevice3D(int device) {
  Direct3DState& d = GetDirect3DState();
  Direct3DDeviceRecord* r = RecordOf(device);
  if (r == nullptr || r->inUse == 0 || d.direct3D == nullptr) return -1;
  if (r->device != nullptr) return 0;
  WriteLog("３Ｄデバイスを作成します... ");
  std::shared_ptr<platform::Device3D> made;
  if (!Ok(d.direct3D->CreateDevice(d.deviceDesc.kind, r->ownTarget, &made))) {
    return WriteLogFormat("３Ｄデバイスの作成に失敗しました");
  }
  made->SetRenderState(RenderState::kDitherEnable, 0);
  WriteLogFormat("３Ｄデバイスの作成に成功しました");
  r->device = std::move(made);
  r->forceStates = 1;
  if (r->renderTarget != nullptr && r->renderTarget != r->ownTarget) {
    SetRenderTargetOfDevice3D(r->renderTarget, device);
  }
  SetBlendStateOfDevice3D(r->blendMode, r->blendParam, device);
  SetFilterModeOfDevice3D(r->filterMode, device);
  r->texture.reset();
  SetColorKeyEnableOfDevice3D(r->colorKeyEnable, device);
  // The culling is kept in the record, or a device made again would cull by its own default.
  SetBackFaceCullingOfDevice3D(r->cullMode == kCullModeOn ? 1 : 0, device);
  SetClipRect3D(&GetDrawState().drawArea);
  RecreatePieceTextures();
  r->forceStates = 0;
  return 0;
}

int CreateDirect3DObject() {
  Direct3DState& d = GetDirect3DState();
  if (d.initialised == 0) return 0;
  WriteLogFormat("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得します");
  if (d.direct3D != nullptr) {
    WriteLogFormat("Ｄｉｒｅｃｔ３Ｄオブジェクトは既に取得されていますn");
    return 0;
  }
  ScreenState& s = GetScreenState();
  if (s.directDraw == nullptr || !Ok(s.directDraw->QueryDirect3D(&d.direct3D))) {
    d.direct3D.reset();
    return WriteLogFormat("Direct3Dオブジェクトの作成に失敗しました");
  }
  WriteLogFormat("Ｄｉｒｅｃｔ３Ｄオブジェクトは正常に取得されました");
  Direct3DDeviceRecord& r = d.devices[d.currentDevice];
  r.ownTarget = s.primarySurface;
  r.renderTarget = s.drawTargetSurface;
  return RecreateDevice3D(d.currentDevice);
}

int ReleaseDirect3DObject() {
  Direct3DState& d = GetDirect3DState();
  if (d.initialised == 0) return -1;
  ReleaseDeviceObjects3D(d.currentDevice);
  WriteLogFormat("Ｄｉｒｅｃｔ３Ｄオブジェクトを解放します");
  if (d.direct3D != nullptr) {
    d.direct3D.reset();
    WriteLogFormat("Ｄｉｒｅｃｔ３Ｄオブジェクトを解放しました");
  } else {
    WriteLogFormat("Ｄｉｒｅｃｔ３Ｄオブジェクトは既に解放されています");
  }
  return 0;
}

platform::Device3D* GetCurrentDevice3D() {
  const Direct3DState& d = GetDirect3DState();
  const Direct3DDeviceRecord& r = d.devices[d.currentDevice];
  return r.inUse != 0 ? r.device.get() : nullptr;
}

int HasDirect3DDevice() {
  return GetCurrentDevice3D() != nullptr ? 1 : 0;
}

}  // namespace morrow
