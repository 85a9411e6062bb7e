// The render state of the 3D device records: the cached setters, the blend table, the render
// target and viewport, the scene bracket with its forced re-apply, and the vertex batch flush.
#include "morrow/device/device3d.h"
#include "morrow/device/direct3d.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/system/log.h"

namespace morrow {
namespace {

using platform::DisplayResult;
using platform::RenderState;
using platform::StageState;

bool Ok(DisplayResult r) {
  return r == DisplayResult::kOk;
}

// A record whose device can take states, or null.
Direct3DDeviceRecord* Usable(int device) {
  Direct3DState& d = GetDirect3DState();
  if (d.direct3D == nullptr || device < 0 || device >= kDevice3DRecords) return nullptr;
  Direct3DDeviceRecord& r = d.devices[device];
  return r.inUse != 0 && r.device != nullptr ? &r : nullptr;
}

void Flush(Direct3DDeviceRecord& r) {
  if (r.vertexCount == 0 || r.device == nullptr) return;
  r.device->DrawPrimitive(platform::PrimitiveType::kTriangleList, platform::kVertexTextured,
                          r.vertices, static_cast<uint32_t>(r.vertexCount), 0);
  r.vertexCount = 0;
}

DisplayResult Send(Direct3DDeviceRecord& r, RenderState s, uint32_t v) {
  return r.device->SetRenderState(s, v);
}

DisplayResult Send(Direct3DDeviceRecord& r, StageState s, uint32_t v) {
  return r.device->SetTextureStageState(0, s, v);
}

bool Unchanged(const Direct3DDeviceRecord& r, int32_t cached, int32_t wanted) {
  return cached == wanted && r.forceStates == 0;
}

// The source and destination factors of the blend modes that set both.
struct Factors {
  uint32_t src, dest;
};
bool FactorsOf(int mode, Factors* f) {
  switch (mode) {
    case -11:
    case 2:
    case 5:
      *f = {platform::kBlendSrcAlpha, platform::kBlendOne};
      return true;
    case 1:
      *f = {platform::kBlendSrcAlpha, platform::kBlendInvSrcAlpha};
      return true;
    case 3:
      *f = {platform::kBlendInvDestColor, platform::kBlendZero};
      return true;
    case 4:
      *f = {platform::kBlendZero, platform::kBlendSrcColor};
      return true;
    default:
      return false;
  }
}

void SendFactors(Direct3DDeviceRecord& r, int mode) {
  Factors f{};
  if (!FactorsOf(mode, &f)) return;
  // Mode -11 has always sent its destination first.
  if (mode == -11) {
    Send(r, RenderState::kDestBlend, f.dest);
    Send(r, RenderState::kSrcBlend, f.src);
    return;
  }
  Send(r, RenderState::kSrcBlend, f.src);
  Send(r, RenderState::kDestBlend, f.dest);
}

void SendNoBlend(Direct3DDeviceRecord& r) {
  Send(r, RenderState::kAlphaBlendEnable, 0);
  Send(r, StageState::kAlphaOp, platform::kOpSelectArg1);
  Send(r, StageState::kAlphaArg1, platform::kArgDiffuse);
}

// Modes 0 and 8 both leave blending off: a mode that needs it switches it on after either.
bool NoBlendMode(const Direct3DDeviceRecord& r) {
  return r.blendMode == 0 || r.blendMode == 8;
}

// Blending switched on where no mode was set (or while forced).
void Enable(Direct3DDeviceRecord& r) {
  if (!NoBlendMode(r) && r.forceStates == 0) return;
  Flush(r);
  Send(r, RenderState::kAlphaBlendEnable, 1);
}

// Forced, with the mode the record holds: every state of that mode goes to the device again,
// the record keeps its mode and parameter.
void ResendMode(Direct3DDeviceRecord& r) {
  Flush(r);
  if (r.blendMode == 0 || r.blendMode == 8) {
    SendNoBlend(r);
    return;
  }
  if (r.blendMode != -11) Send(r, RenderState::kAlphaBlendEnable, 1);
  SendFactors(r, r.blendMode);
}

// Mode 7: the texture's alpha multiplied in (parameter non-zero) or not. The blend mode held
// stays, except that with none set it becomes mode 1 with parameter 256.
void SetTextureAlpha(Direct3DDeviceRecord& r, int param) {
  const bool forced = r.forceStates != 0;
  if (param == r.textureAlpha && !NoBlendMode(r) && !forced) return;
  Flush(r);
  Send(r, RenderState::kSrcBlend,
       r.blendMode == 4 ? platform::kBlendZero : platform::kBlendSrcAlpha);
  const bool noMode = NoBlendMode(r) && param != 0;
  if (noMode || forced) {
    Flush(r);
    Send(r, RenderState::kAlphaBlendEnable, 1);
    Send(r, RenderState::kDestBlend, platform::kBlendInvSrcAlpha);
    if (noMode) {
      GetDrawState().blendParam = 256;
      r.blendMode = 1;
      r.blendParam = 256;
    }
  }
  if (param != r.textureAlpha || forced) {
    Send(r, StageState::kAlphaArg1, param != 0 ? platform::kArgTexture : platform::kArgDiffuse);
    Send(r, StageState::kAlphaArg2, platform::kArgDiffuse);
    Send(r, StageState::kAlphaOp, param != 0 ? platform::kOpModulate : platform::kOpSelectArg2);
    r.textureAlpha = param;
  }
}

void ApplyFixedStates3D(Direct3DDeviceRecord& r) {
  Flush(r);
  Send(r, StageState::kColorOp, platform::kOpModulate);
  Send(r, StageState::kColorArg1, platform::kArgTexture);
  Send(r, StageState::kColorArg2, platform::kArgDiffuse);
  if (r.textureAlpha != 0) {
    Send(r, StageState::kAlphaOp, platform::kOpModulate);
    Send(r, StageState::kAlphaArg1, platform::kArgTexture);
  } else {
    Send(r, StageState::kAlphaOp, platform::kOpSelectArg2);
  }
  Send(r, StageState::kAlphaArg2, platform::kArgDiffuse);
  Send(r, RenderState::kColorKeyBlendEnable, 0);
  Send(r, RenderState::kLastPixel, 1);
  Send(r, StageState::kAddress, static_cast<uint32_t>(r.textureAddress));
  Send(r, RenderState::kTexturePerspective, static_cast<uint32_t>(r.perspective));
  Send(r, RenderState::kShadeMode, static_cast<uint32_t>(r.shadeMode));
  Send(r, RenderState::kLighting, static_cast<uint32_t>(r.lighting));
  Send(r, RenderState::kDitherEnable, 0);
}

void ReapplyDeviceStates3D(int device) {
  Direct3DDeviceRecord& r = *Usable(device);
  r.forceStates = 1;
  SetViewportOfDevice3D(r.viewport, device);
  SetColorKeyEnableOfDevice3D(r.colorKeyEnable, device);
  ApplyFixedStates3D(r);
  SetFilterModeOfDevice3D(r.filterMode, device);
  SetBlendStateOfDevice3D(r.blendMode, r.blendParam, device);
  Send(r, RenderState::kZEnable, static_cast<uint32_t>(r.zEnable));
  SetTextureAddressModeOfDevice3D(r.textureAddress, device);
  r.forceStates = 0;
}

int CurrentDevice() {
  return GetDirect3DState().currentDevice;
}

}  // namespace

int SetFilterModeOfDevice3D(int mode, int device) {
  Direct3DDeviceRecord* r = Usable(device);
  if (r == nullptr) return -1;
  if (Unchanged(*r, r->filterMode, mode)) return 0;
  Flush(*r);
  if (mode != 0 && mode != 1) return -1;
  const uint32_t filter = mode == 1 ? platform::kFilterLinear : platform::kFilterPoint;
  Send(*r, StageState::kMagFilter, filter);
  Send(*r, StageState::kMinFilter, filter);
  r->filterMode = mode;
  return 0;
}

int SetFilterMode3D(int mode) {
  return SetFilterModeOfDevice3D(mode, CurrentDevice());
}

int SetBlendStateOfDevice3D(int mode, int param, int device) {
  Direct3DDeviceRecord* rp = Usable(device);
  if (rp == nullptr) return -1;
  Direct3DDeviceRecord& r = *rp;
  const bool forced = r.forceStates != 0;
  if (!forced && mode == r.blendMode && param == r.blendParam) return 0;
  if (mode < -11 || mode > 8) return 0;
  if (forced && mode == r.blendMode && mode != 7) {
    ResendMode(r);
    return 0;
  }
  switch (mode) {
    case -11:
      Flush(r);
      SendFactors(r, mode);
      break;
    case 0:
    case 8:
      Flush(r);
      if (r.blendMode == mode) return 0;
      SendNoBlend(r);
      r.textureAlpha = 0;
      r.blendMode = mode;
      r.blendParam = -1;
      return 0;
    case 1:
    case 2:
    case 4:
      Enable(r);
      if (r.blendMode == mode) {
        r.blendParam = param;
        return 0;
      }
      Flush(r);
      SendFactors(r, mode);
      break;
    case 3:
      Flush(r);
      Enable(r);
      if (r.blendMode == 3) return 0;
      SendFactors(r, mode);
      break;
    case 5:
      if (r.blendMode == 5) return 0;
      Flush(r);
      Send(r, RenderState::kAlphaBlendEnable, 1);
      SendFactors(r, mode);
      r.blendMode = 5;
      return 0;
    case 7:
      SetTextureAlpha(r, param);
      return 0;
    default:  // -10 .. -1 and 6 change nothing
      return 0;
  }
  r.blendMode = mode;
  r.blendParam = param;
  return 0;
}

int SetBlendMode3D(int mode, int parameter) {
  SetBlendStateOfDevice3D(mode, parameter, CurrentDevice());
  return 0;
}

int SetTextureAddressModeOfDevice3D(int mode, int device) {
  Direct3DDeviceRecord* r = Usable(device);
  if (r == nullptr) return -1;
  if (Unchanged(*r, r->textureAddress, mode)) return 0;
  Flush(*r);
  if (!Ok(Send(*r, StageState::kAddress, static_cast<uint32_t>(mode)))) return -1;
  r->textureAddress = mode;
  return 0;
}

int SetTextureAddressMode3D(int mode) {
  return SetTextureAddressModeOfDevice3D(mode, CurrentDevice());
}

int SetBackFaceCullingOfDevice3D(int flag, int device) {
  Direct3DDeviceRecord* r = Usable(device);
  if (r == nullptr) return -1;
  const int32_t mode = flag != 0 ? kCullModeOn : kCullModeOff;
  if (Unchanged(*r, r->cullMode, mode)) return 0;
  Flush(*r);
  if (!Ok(Send(*r, RenderState::kCullMode, static_cast<uint32_t>(mode)))) return -1;
  r->cullMode = mode;
  return 0;
}

int SetBackFaceCulling3D(int flag) {
  return SetBackFaceCullingOfDevice3D(flag, CurrentDevice());
}

int SetColorKeyEnableOfDevice3D(int enable, int device) {
  Direct3DDeviceRecord* r = Usable(device);
  if (r == nullptr) return -1;
  const int32_t value = enable != 0 ? 1 : 0;
  if (Unchanged(*r, r->colorKeyEnable, value)) return 0;
  Flush(*r);
  if (!Ok(Send(*r, RenderState::kColorKeyEnable, static_cast<uint32_t>(value)))) return -1;
  r->colorKeyEnable = value;
  return 0;
}

int SetRenderTargetOfDevice3D(const std::shared_ptr<platform::Surface>& surface, int device) {
  Direct3DDeviceRecord* r = Usable(device);
  if (r == nullptr) return -1;
  const std::shared_ptr<platform::Surface>& target = surface != nullptr ? surface : r->ownTarget;
  if (surface == nullptr && r->renderTarget == nullptr) return 0;
  Flush(*r);
  if (!Ok(r->device->SetRenderTarget(target))) return -1;
  r->renderTarget = target;
  // A new target starts with a viewport of its whole size: the record follows, so that the scene
  // start never sends a viewport the target cannot hold.
  r->device->GetViewport(&r->viewport);
  return 0;
}

int SetViewportOfDevice3D(const platform::Viewport& viewport, int device) {
  Direct3DDeviceRecord* r = Usable(device);
  if (r == nullptr) return -1;
  Flush(*r);
  if (!Ok(r->device->SetViewport(viewport))) ExitWithError("ビューポートのセットに失敗しました");
  r->viewport = viewport;
  return 0;
}

int BeginScene3D(int device) {
  Direct3DDeviceRecord* r = Usable(device);
  if (r == nullptr) return -1;
  if (r->insideScene != 0) return 0;
  if (!Ok(r->device->BeginScene())) return -1;
  r->insideScene = 1;
  ReapplyDeviceStates3D(device);
  return 0;
}

int EndSceneOfDevice3D(int device) {
  Direct3DDeviceRecord* r = Usable(device);
  if (r == nullptr) return -1;
  if (r->insideScene == 0) return 0;
  Flush(*r);
  r->device->EndScene();
  r->insideScene = 0;
  return 0;
}

int Flush3DVertexBatch() {
  Direct3DDeviceRecord* r = Usable(CurrentDevice());
  if (r == nullptr) return -1;
  Flush(*r);
  return 0;
}

int EndScene3D() {
  return EndSceneOfDevice3D(CurrentDevice());
}

}  // namespace morrow
