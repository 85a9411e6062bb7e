// The recording decorator of the 3D service: every call passed on, and written as one line (see
// SetDirect3DRecorder in platform/device3d.h); and the names of states, values and kinds.
#include <cstdio>
#include <mutex>
#include <utility>

#include "platform/device3d.h"
#include "platform/display_internal.h"

namespace platform {
namespace {

using Sink = std::function<void(const std::string&)>;

std::mutex g_recorderMutex;
Sink g_recorder;

const char* BlendName(uint32_t v) {
  static const char* const kNames[] = {"ZERO",      "ONE",         "SRCCOLOR",  "INVSRCCOLOR",
                                       "SRCALPHA",  "INVSRCALPHA", "DESTALPHA", "INVDESTALPHA",
                                       "DESTCOLOR", "INVDESTCOLOR"};
  return v >= 1 && v <= 10 ? kNames[v - 1] : nullptr;
}

std::string Named(const char* name, uint32_t value) {
  return name != nullptr ? std::string(name) : std::to_string(value);
}

std::string SurfaceText(const std::shared_ptr<Surface>& s) {
  if (s == nullptr) return "null";
  return std::to_string(s->width()) + "x" + std::to_string(s->height());
}

std::string Hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", v);
  return text;
}

// The line of a call, with the result's name after " -> " when it failed.
std::string Outcome(std::string line, DisplayResult r) {
  if (r != DisplayResult::kOk) line += std::string(" -> ") + DisplayResultName(r);
  return line;
}

class RecordingDevice3D : public Device3D {
 public:
  RecordingDevice3D(std::shared_ptr<Device3D> inner, Sink sink)
      : inner_(std::move(inner)), sink_(std::move(sink)) {}
  ~RecordingDevice3D() override { sink_("Release Device3D"); }

  DisplayResult SetRenderState(RenderState state, uint32_t value) override {
    return Log(inner_->SetRenderState(state, value),
               std::string(RenderStateName(state)) + "=" + RenderStateValueName(state, value));
  }
  DisplayResult GetRenderState(RenderState state, uint32_t* value) const override {
    return inner_->GetRenderState(state, value);
  }
  DisplayResult SetTextureStageState(uint32_t stage, StageState state, uint32_t value) override {
    return Log(inner_->SetTextureStageState(stage, state, value),
               "TSS" + std::to_string(stage) + "." + StageStateName(state) + "=" +
                   StageStateValueName(state, value));
  }
  DisplayResult GetTextureStageState(uint32_t stage, StageState state,
                                     uint32_t* value) const override {
    return inner_->GetTextureStageState(stage, state, value);
  }
  DisplayResult SetTexture(uint32_t stage, const std::shared_ptr<Surface>& texture) override {
    return Log(inner_->SetTexture(stage, texture),
               "SetTexture " + std::to_string(stage) + " " + SurfaceText(texture));
  }
  DisplayResult SetRenderTarget(const std::shared_ptr<Surface>& target) override {
    return Log(inner_->SetRenderTarget(target), "SetRenderTarget " + SurfaceText(target));
  }
  DisplayResult SetViewport(const Viewport& v) override {
    return Log(inner_->SetViewport(v), "SetViewport " + std::to_string(v.x) + " " +
                                           std::to_string(v.y) + " " + std::to_string(v.width) +
                                           " " + std::to_string(v.height));
  }
  DisplayResult GetViewport(Viewport* out) const override { return inner_->GetViewport(out); }
  DisplayResult BeginScene() override { return Log(inner_->BeginScene(), "BeginScene"); }
  DisplayResult EndScene() override { return Log(inner_->EndScene(), "EndScene"); }
  DisplayResult DrawPrimitive(PrimitiveType type, uint32_t vertexFormat, const void* vertices,
                              uint32_t count, uint32_t flags) override {
    return Log(inner_->DrawPrimitive(type, vertexFormat, vertices, count, flags),
               std::string("DrawPrimitive ") + PrimitiveTypeName(type) + " " + Hex(vertexFormat) +
                   " " + std::to_string(count));
  }
  DisplayResult DrawIndexedPrimitive(PrimitiveType type, uint32_t vertexFormat,
                                     const void* vertices, uint32_t vertexCount,
                                     const uint16_t* indices, uint32_t indexCount,
                                     uint32_t flags) override {
    return Log(inner_->DrawIndexedPrimitive(type, vertexFormat, vertices, vertexCount, indices,
                                            indexCount, flags),
               std::string("DrawIndexedPrimitive ") + PrimitiveTypeName(type) + " " +
                   Hex(vertexFormat) + " " + std::to_string(vertexCount) + " " +
                   std::to_string(indexCount));
  }
  DisplayResult Load(const std::shared_ptr<Surface>& dest, int32_t x, int32_t y,
                     const std::shared_ptr<Surface>& src, const Rect* srcRect,
                     uint32_t flags) override {
    const Rect r = srcRect != nullptr ? *srcRect
                   : src != nullptr   ? Rect{0, 0, src->width(), src->height()}
                                      : Rect{};
    return Log(inner_->Load(dest, x, y, src, srcRect, flags),
               "Load " + SurfaceText(dest) + " " + std::to_string(x) + "," + std::to_string(y) +
                   " " + std::to_string(r.Width()) + "x" + std::to_string(r.Height()));
  }
  DisplayResult EnumTextureFormats(const std::function<bool(const PixelFormat&)>& fn) override {
    return Log(inner_->EnumTextureFormats(fn), "EnumTextureFormats");
  }

 private:
  DisplayResult Log(DisplayResult r, std::string line) const {
    sink_(Outcome(std::move(line), r));
    return r;
  }
  std::shared_ptr<Device3D> inner_;
  Sink sink_;
};

class RecordingDirect3D : public Direct3D {
 public:
  RecordingDirect3D(std::shared_ptr<Direct3D> inner, Sink sink)
      : inner_(std::move(inner)), sink_(std::move(sink)) {}
  ~RecordingDirect3D() override { sink_("Release Direct3D"); }

  DisplayResult EnumDevices(const std::function<bool(const DeviceDesc&)>& fn) override {
    const DisplayResult r = inner_->EnumDevices(fn);
    sink_(Outcome("EnumDevices", r));
    return r;
  }
  DisplayResult EnumZBufferFormats(DeviceKind kind,
                                   const std::function<bool(const PixelFormat&)>& fn) override {
    const DisplayResult r = inner_->EnumZBufferFormats(kind, fn);
    sink_(Outcome(std::string("EnumZBufferFormats ") + DeviceKindName(kind), r));
    return r;
  }
  DisplayResult CreateDevice(DeviceKind kind, const std::shared_ptr<Surface>& target,
                             std::shared_ptr<Device3D>* out) override {
    std::shared_ptr<Device3D> device;
    const DisplayResult r = inner_->CreateDevice(kind, target, &device);
    sink_(Outcome(std::string("CreateDevice ") + DeviceKindName(kind) + " " + SurfaceText(target),
                  r));
    if (r == DisplayResult::kOk && out != nullptr) {
      *out = std::make_shared<RecordingDevice3D>(std::move(device), sink_);
    }
    return r;
  }

 private:
  std::shared_ptr<Direct3D> inner_;
  Sink sink_;
};

}  // namespace

const char* DeviceKindName(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::kRgb:
      return "RGB";
    case DeviceKind::kHal:
      return "HAL";
    case DeviceKind::kTnLHal:
      return "TNLHAL";
  }
  return "?";
}

const char* RenderStateName(RenderState state) {
  switch (state) {
    case RenderState::kTexturePerspective:
      return "TEXTUREPERSPECTIVE";
    case RenderState::kZEnable:
      return "ZENABLE";
    case RenderState::kShadeMode:
      return "SHADEMODE";
    case RenderState::kLastPixel:
      return "LASTPIXEL";
    case RenderState::kSrcBlend:
      return "SRCBLEND";
    case RenderState::kDestBlend:
      return "DESTBLEND";
    case RenderState::kCullMode:
      return "CULLMODE";
    case RenderState::kDitherEnable:
      return "DITHERENABLE";
    case RenderState::kAlphaBlendEnable:
      return "ALPHABLENDENABLE";
    case RenderState::kColorKeyEnable:
      return "COLORKEYENABLE";
    case RenderState::kLighting:
      return "LIGHTING";
    case RenderState::kColorKeyBlendEnable:
      return "COLORKEYBLENDENABLE";
  }
  return "RENDERSTATE";
}

const char* StageStateName(StageState state) {
  switch (state) {
    case StageState::kColorOp:
      return "COLOROP";
    case StageState::kColorArg1:
      return "COLORARG1";
    case StageState::kColorArg2:
      return "COLORARG2";
    case StageState::kAlphaOp:
      return "ALPHAOP";
    case StageState::kAlphaArg1:
      return "ALPHAARG1";
    case StageState::kAlphaArg2:
      return "ALPHAARG2";
    case StageState::kAddress:
      return "ADDRESS";
    case StageState::kMagFilter:
      return "MAGFILTER";
    case StageState::kMinFilter:
      return "MINFILTER";
  }
  return "STAGESTATE";
}

std::string RenderStateValueName(RenderState state, uint32_t value) {
  switch (state) {
    case RenderState::kSrcBlend:
    case RenderState::kDestBlend:
      return Named(BlendName(value), value);
    case RenderState::kCullMode: {
      static const char* const kNames[] = {"NONE", "CW", "CCW"};
      return Named(value >= 1 && value <= 3 ? kNames[value - 1] : nullptr, value);
    }
    case RenderState::kShadeMode: {
      static const char* const kNames[] = {"FLAT", "GOURAUD", "PHONG"};
      return Named(value >= 1 && value <= 3 ? kNames[value - 1] : nullptr, value);
    }
    default:
      return std::to_string(value);
  }
}

std::string StageStateValueName(StageState state, uint32_t value) {
  switch (state) {
    case StageState::kColorOp:
    case StageState::kAlphaOp: {
      static const char* const kNames[] = {"DISABLE", "SELECTARG1", "SELECTARG2", "MODULATE"};
      return Named(value >= 1 && value <= 4 ? kNames[value - 1] : nullptr, value);
    }
    case StageState::kAddress: {
      static const char* const kNames[] = {"WRAP", "MIRROR", "CLAMP", "BORDER"};
      return Named(value >= 1 && value <= 4 ? kNames[value - 1] : nullptr, value);
    }
    case StageState::kMagFilter:
    case StageState::kMinFilter: {
      static const char* const kNames[] = {"POINT", "LINEAR"};
      return Named(value >= 1 && value <= 2 ? kNames[value - 1] : nullptr, value);
    }
    default: {
      static const char* const kNames[] = {"DIFFUSE", "CURRENT", "TEXTURE"};
      return Named(value <= 2 ? kNames[value] : nullptr, value);
    }
  }
}

const char* PrimitiveTypeName(PrimitiveType type) {
  switch (type) {
    case PrimitiveType::kPointList:
      return "POINTLIST";
    case PrimitiveType::kLineList:
      return "LINELIST";
    case PrimitiveType::kLineStrip:
      return "LINESTRIP";
    case PrimitiveType::kTriangleList:
      return "TRIANGLELIST";
    case PrimitiveType::kTriangleStrip:
      return "TRIANGLESTRIP";
  }
  return "PRIMITIVE";
}

void SetDirect3DRecorder(Sink sink) {
  std::lock_guard<std::mutex> lock(g_recorderMutex);
  g_recorder = std::move(sink);
}

std::shared_ptr<Direct3D> MakeRecordingDirect3D(std::shared_ptr<Direct3D> inner, Sink sink) {
  return std::make_shared<RecordingDirect3D>(std::move(inner), std::move(sink));
}

std::shared_ptr<Direct3D> display_internal::WrapForRecorder(std::shared_ptr<Direct3D> d3d) {
  Sink sink;
  {
    std::lock_guard<std::mutex> lock(g_recorderMutex);
    sink = g_recorder;
  }
  if (!sink || d3d == nullptr) return d3d;
  sink("QueryDirect3D");
  return MakeRecordingDirect3D(std::move(d3d), std::move(sink));
}

}  // namespace platform
