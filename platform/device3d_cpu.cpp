// The CPU reference Direct3D and its device: what it lists, the states it keeps and checks, the
// scene bracket and the render target's scene mark, the assembly of primitives for the
// rasteriser (platform/device3d_raster.h), and Load.
#include <array>
#include <cstring>
#include <vector>

#include "platform/device3d.h"
#include "platform/device3d_raster.h"
#include "platform/display_internal.h"

namespace platform {
namespace {

using display_internal::Misuse;
using display_internal::SurfaceAccess;

bool SameFormat(const PixelFormat& a, const PixelFormat& b) {
  return a.flags == b.flags && a.fourCC == b.fourCC && a.bitCount == b.bitCount &&
         a.redMask == b.redMask && a.greenMask == b.greenMask && a.blueMask == b.blueMask &&
         a.alphaMask == b.alphaMask;
}

std::vector<PixelFormat> TextureFormatsOf(const Direct3DConfig& c) {
  return c.textureFormats.empty() ? StandardTextureFormats() : c.textureFormats;
}

std::vector<PixelFormat> DepthFormatsOf(const Direct3DConfig& c) {
  std::vector<PixelFormat> formats = StandardDepthFormats();
  if (c.noDepth16) formats.pop_back();
  return formats;
}

// A surface the device can draw into: 16 or 32 bits of RGB; a texture only when made for it.
bool RenderableTarget(const Surface& s) {
  const PixelFormat& f = s.format();
  if ((f.flags & kPixelRgb) == 0 || (f.flags & (kPixelPalette8 | kPixelFourCC)) != 0) return false;
  if (f.bitCount != 16 && f.bitCount != 32) return false;
  const uint32_t caps = SurfaceAccess::Caps(s);
  return (caps & kCapsTexture) == 0 || (caps & kCaps3DDevice) != 0;
}

constexpr std::array<RenderState, 12> kRenderStates = {
    RenderState::kTexturePerspective, RenderState::kZEnable,
    RenderState::kShadeMode,          RenderState::kLastPixel,
    RenderState::kSrcBlend,           RenderState::kDestBlend,
    RenderState::kCullMode,           RenderState::kDitherEnable,
    RenderState::kAlphaBlendEnable,   RenderState::kColorKeyEnable,
    RenderState::kLighting,           RenderState::kColorKeyBlendEnable};
constexpr std::array<StageState, 9> kStageStates = {
    StageState::kColorOp, StageState::kColorArg1, StageState::kColorArg2,
    StageState::kAlphaOp, StageState::kAlphaArg1, StageState::kAlphaArg2,
    StageState::kAddress, StageState::kMagFilter, StageState::kMinFilter};

int IndexOf(RenderState s) {
  for (size_t i = 0; i < kRenderStates.size(); ++i) {
    if (kRenderStates[i] == s) return static_cast<int>(i);
  }
  return -1;
}

int IndexOf(StageState s) {
  for (size_t i = 0; i < kStageStates.size(); ++i) {
    if (kStageStates[i] == s) return static_cast<int>(i);
  }
  return -1;
}

bool ValidRenderValue(RenderState s, uint32_t v) {
  switch (s) {
    case RenderState::kShadeMode:
      return v == kShadeFlat || v == kShadeGouraud;
    case RenderState::kSrcBlend:
    case RenderState::kDestBlend:
      return v == kBlendZero || v == kBlendOne || v == kBlendSrcColor || v == kBlendSrcAlpha ||
             v == kBlendInvSrcAlpha || v == kBlendInvDestColor;
    case RenderState::kCullMode:
      return v >= kCullNone && v <= kCullCcw;
    default:
      return v <= 1;
  }
}

bool ValidStageValue(StageState s, uint32_t v) {
  switch (s) {
    case StageState::kColorOp:
    case StageState::kAlphaOp:
      return v >= kOpDisable && v <= kOpModulate;
    case StageState::kAddress:
      return v == kAddressWrap || v == kAddressClamp;
    case StageState::kMagFilter:
    case StageState::kMinFilter:
      return v == kFilterPoint || v == kFilterLinear;
    default:
      return v <= kArgTexture;
  }
}

class CpuDevice3D : public Device3D {
 public:
  CpuDevice3D(std::weak_ptr<Display> display, Direct3DConfig config,
              std::shared_ptr<Surface> target)
      : display_(std::move(display)), config_(std::move(config)), target_(std::move(target)) {
    const uint32_t render[] = {1, 0, kShadeGouraud, 1, kBlendOne, kBlendZero, kCullCcw, 0, 0, 0,
                               1, 0};
    for (size_t i = 0; i < render_.size(); ++i) render_[i] = render[i];
    const uint32_t stage[] = {kOpModulate, kArgTexture,  kArgCurrent,  kOpSelectArg1, kArgTexture,
                              kArgCurrent, kAddressWrap, kFilterPoint, kFilterPoint};
    for (size_t i = 0; i < stage_.size(); ++i) stage_[i] = stage[i];
    viewport_ = WholeTarget();
  }
  ~CpuDevice3D() override {
    if (inScene_ && target_ != nullptr) SurfaceAccess::SetSceneOpen(*target_, false);
  }

  DisplayResult SetRenderState(RenderState state, uint32_t value) override {
    if (DisplayResult r = Check("SetRenderState"); r != DisplayResult::kOk) return r;
    const int i = IndexOf(state);
    if (i < 0 || !ValidRenderValue(state, value)) return DisplayResult::kInvalidParams;
    render_[static_cast<size_t>(i)] = value;
    return DisplayResult::kOk;
  }
  DisplayResult GetRenderState(RenderState state, uint32_t* value) const override {
    const int i = IndexOf(state);
    if (i < 0 || value == nullptr) return DisplayResult::kInvalidParams;
    *value = render_[static_cast<size_t>(i)];
    return DisplayResult::kOk;
  }
  DisplayResult SetTextureStageState(uint32_t stage, StageState state, uint32_t value) override {
    if (DisplayResult r = Check("SetTextureStageState"); r != DisplayResult::kOk) return r;
    const int i = IndexOf(state);
    if (stage != 0 || i < 0 || !ValidStageValue(state, value)) {
      return DisplayResult::kInvalidParams;
    }
    stage_[static_cast<size_t>(i)] = value;
    return DisplayResult::kOk;
  }
  DisplayResult GetTextureStageState(uint32_t stage, StageState state,
                                     uint32_t* value) const override {
    const int i = IndexOf(state);
    if (stage != 0 || i < 0 || value == nullptr) return DisplayResult::kInvalidParams;
    *value = stage_[static_cast<size_t>(i)];
    return DisplayResult::kOk;
  }
  DisplayResult SetTexture(uint32_t stage, const std::shared_ptr<Surface>& texture) override {
    if (DisplayResult r = Check("SetTexture"); r != DisplayResult::kOk) return r;
    if (stage != 0) return DisplayResult::kInvalidParams;
    if (texture != nullptr) {
      if (SurfaceAccess::Dead(*texture)) {
        Misuse("SetTexture with a dead surface");
        return DisplayResult::kDeadObject;
      }
      if ((SurfaceAccess::Caps(*texture) & kCapsTexture) == 0) return DisplayResult::kInvalidParams;
    }
    texture_ = texture;
    return DisplayResult::kOk;
  }
  DisplayResult SetRenderTarget(const std::shared_ptr<Surface>& target) override {
    if (DisplayResult r = Check("SetRenderTarget"); r != DisplayResult::kOk) return r;
    if (target == nullptr) return DisplayResult::kInvalidParams;
    if (SurfaceAccess::Dead(*target)) {
      Misuse("SetRenderTarget with a dead surface");
      return DisplayResult::kDeadObject;
    }
    if (!RenderableTarget(*target)) return DisplayResult::kInvalidPixelFormat;
    if (inScene_) {
      SurfaceAccess::SetSceneOpen(*target_, false);
      SurfaceAccess::SetSceneOpen(*target, true);
    }
    target_ = target;
    viewport_ = WholeTarget();
    return DisplayResult::kOk;
  }
  DisplayResult SetViewport(const Viewport& v) override {
    if (DisplayResult r = Check("SetViewport"); r != DisplayResult::kOk) return r;
    if (uint64_t{v.x} + v.width > static_cast<uint64_t>(target_->width()) ||
        uint64_t{v.y} + v.height > static_cast<uint64_t>(target_->height())) {
      return DisplayResult::kInvalidParams;
    }
    viewport_ = v;
    return DisplayResult::kOk;
  }
  DisplayResult GetViewport(Viewport* out) const override {
    if (out == nullptr) return DisplayResult::kInvalidParams;
    *out = viewport_;
    return DisplayResult::kOk;
  }
  DisplayResult BeginScene() override {
    if (DisplayResult r = Check("BeginScene"); r != DisplayResult::kOk) return r;
    if (inScene_) return DisplayResult::kNoScene;
    if (SurfaceAccess::Lost(*target_)) return DisplayResult::kSurfaceLost;
    if (SurfaceAccess::Busy(*target_)) return DisplayResult::kSurfaceBusy;
    inScene_ = true;
    SurfaceAccess::SetSceneOpen(*target_, true);
    return DisplayResult::kOk;
  }
  DisplayResult EndScene() override {
    if (DisplayResult r = Check("EndScene"); r != DisplayResult::kOk) return r;
    if (!inScene_) return DisplayResult::kNoScene;
    inScene_ = false;
    SurfaceAccess::SetSceneOpen(*target_, false);
    return DisplayResult::kOk;
  }
  DisplayResult DrawPrimitive(PrimitiveType type, uint32_t vertexFormat, const void* vertices,
                              uint32_t count, uint32_t /*flags*/) override {
    if (DisplayResult r = Check("DrawPrimitive"); r != DisplayResult::kOk) return r;
    return Draw(type, vertexFormat, vertices, nullptr, count);
  }
  DisplayResult DrawIndexedPrimitive(PrimitiveType type, uint32_t vertexFormat,
                                     const void* vertices, uint32_t vertexCount,
                                     const uint16_t* indices, uint32_t indexCount,
                                     uint32_t /*flags*/) override {
    if (DisplayResult r = Check("DrawIndexedPrimitive"); r != DisplayResult::kOk) return r;
    if (type != PrimitiveType::kTriangleList && type != PrimitiveType::kTriangleStrip) {
      return DisplayResult::kInvalidParams;
    }
    if (indexCount > 0 && indices == nullptr) return DisplayResult::kInvalidParams;
    for (uint32_t i = 0; i < indexCount; ++i) {
      if (indices[i] >= vertexCount) return DisplayResult::kInvalidParams;
    }
    return Draw(type, vertexFormat, vertices, indices, indexCount);
  }
  DisplayResult Load(const std::shared_ptr<Surface>& dest, int32_t x, int32_t y,
                     const std::shared_ptr<Surface>& src, const Rect* srcRect,
                     uint32_t /*flags*/) override {
    if (DisplayResult r = Check("Load"); r != DisplayResult::kOk) return r;
    if (dest == nullptr || src == nullptr) return DisplayResult::kInvalidParams;
    for (const Surface* s : {dest.get(), src.get()}) {
      if (SurfaceAccess::Dead(*s)) {
        Misuse("Load with a dead surface");
        return DisplayResult::kDeadObject;
      }
      if ((SurfaceAccess::Caps(*s) & kCapsTexture) == 0) return DisplayResult::kInvalidParams;
      if (SurfaceAccess::Lost(*s)) return DisplayResult::kSurfaceLost;
      if (SurfaceAccess::Busy(*s)) return DisplayResult::kSurfaceBusy;
    }
    if (!SamePixelLayout(dest->format(), src->format())) return DisplayResult::kInvalidPixelFormat;
    const Rect from = srcRect != nullptr ? *srcRect : Rect{0, 0, src->width(), src->height()};
    if (!InsideSize(from, src->width(), src->height())) return DisplayResult::kInvalidRect;
    const int64_t right = int64_t{x} + from.Width(), bottom = int64_t{y} + from.Height();
    if (x < 0 || y < 0 || right > dest->width() || bottom > dest->height()) {
      return DisplayResult::kInvalidRect;
    }
    const int32_t bytes = static_cast<int32_t>(dest->format().bitCount / 8);
    const uint8_t* sp = SurfaceAccess::Pixels(*src);
    uint8_t* dp = SurfaceAccess::Pixels(*dest);
    for (int32_t row = 0; row < from.Height(); ++row) {
      std::memmove(dp + static_cast<ptrdiff_t>(y + row) * dest->pitch() + x * bytes,
                   sp + static_cast<ptrdiff_t>(from.top + row) * src->pitch() + from.left * bytes,
                   static_cast<size_t>(from.Width() * bytes));
    }
    return DisplayResult::kOk;
  }
  DisplayResult EnumTextureFormats(const std::function<bool(const PixelFormat&)>& fn) override {
    if (DisplayResult r = Check("EnumTextureFormats"); r != DisplayResult::kOk) return r;
    if (!fn) return DisplayResult::kInvalidParams;
    for (const PixelFormat& f : TextureFormatsOf(config_)) {
      if (!fn(f)) break;
    }
    return DisplayResult::kOk;
  }

 private:
  uint32_t Render(RenderState s) const { return render_[static_cast<size_t>(IndexOf(s))]; }
  uint32_t Stage(StageState s) const { return stage_[static_cast<size_t>(IndexOf(s))]; }

  Viewport WholeTarget() const {
    Viewport v;
    v.width = static_cast<uint32_t>(target_->width());
    v.height = static_cast<uint32_t>(target_->height());
    return v;
  }

  // The display is alive, and the call is not one the configuration fails.
  DisplayResult Check(const char* call) const {
    std::shared_ptr<Display> d = display_.lock();
    if (d == nullptr || d->IsDead() || SurfaceAccess::Dead(*target_)) {
      Misuse("a call on a 3D device whose display or render target is gone");
      return DisplayResult::kDeadObject;
    }
    if (config_.failCall == call) return DisplayResult::kDeviceFault;
    return DisplayResult::kOk;
  }

  // count vertices, or count indices into vertices when indices is given (checked already).
  DisplayResult Draw(PrimitiveType type, uint32_t vertexFormat, const void* vertices,
                     const uint16_t* indices, uint32_t count) {
    if (!inScene_) return DisplayResult::kNoScene;
    if (vertexFormat != kVertexTextured && vertexFormat != kVertexColoured) {
      return DisplayResult::kInvalidParams;
    }
    if (type < PrimitiveType::kPointList || type > PrimitiveType::kTriangleStrip) {
      return DisplayResult::kInvalidParams;
    }
    if (count == 0) return DisplayResult::kOk;
    if (vertices == nullptr) return DisplayResult::kInvalidParams;
    if (SurfaceAccess::Lost(*target_)) return DisplayResult::kSurfaceLost;
    device3d_internal::RasterImage texture;
    const ColorKey* key = nullptr;
    if (texture_ != nullptr) {
      if (SurfaceAccess::Dead(*texture_)) {
        Misuse("a draw with a dead texture");
        return DisplayResult::kDeadObject;
      }
      if (SurfaceAccess::Lost(*texture_)) return DisplayResult::kSurfaceLost;
      if (SurfaceAccess::Busy(*texture_)) return DisplayResult::kSurfaceBusy;
      texture = Image(*texture_);
      key = SurfaceAccess::Key(*texture_);
    }
    device3d_internal::RasterState s;
    s.cullMode = Render(RenderState::kCullMode);
    s.lastPixel = Render(RenderState::kLastPixel);
    s.alphaBlend = Render(RenderState::kAlphaBlendEnable);
    s.srcBlend = Render(RenderState::kSrcBlend);
    s.destBlend = Render(RenderState::kDestBlend);
    s.colorKey = Render(RenderState::kColorKeyEnable);
    s.colorOp = Stage(StageState::kColorOp);
    s.colorArg1 = Stage(StageState::kColorArg1);
    s.colorArg2 = Stage(StageState::kColorArg2);
    s.alphaOp = Stage(StageState::kAlphaOp);
    s.alphaArg1 = Stage(StageState::kAlphaArg1);
    s.alphaArg2 = Stage(StageState::kAlphaArg2);
    s.address = Stage(StageState::kAddress);
    s.magFilter = Stage(StageState::kMagFilter);
    const Rect scissor{static_cast<int32_t>(viewport_.x), static_cast<int32_t>(viewport_.y),
                       static_cast<int32_t>(viewport_.x + viewport_.width),
                       static_cast<int32_t>(viewport_.y + viewport_.height)};
    device3d_internal::Rasteriser raster(s, Image(*target_), scissor, texture, key,
                                         vertexFormat == kVertexTextured);

    const size_t stride = vertexFormat == kVertexTextured ? 28 : 20;
    const auto* bytes = static_cast<const uint8_t*>(vertices);
    auto vertex = [&](uint32_t n) {
      const uint32_t i = indices != nullptr ? indices[n] : n;
      const uint8_t* p = bytes + i * stride;
      device3d_internal::RasterVertex v;
      std::memcpy(&v.x, p, 4);
      std::memcpy(&v.y, p + 4, 4);
      std::memcpy(&v.diffuse, p + 16, 4);
      if (stride == 28) {
        std::memcpy(&v.u, p + 20, 4);
        std::memcpy(&v.v, p + 24, 4);
      }
      return v;
    };
    switch (type) {
      case PrimitiveType::kPointList:
        for (uint32_t i = 0; i < count; ++i) raster.Point(vertex(i));
        break;
      case PrimitiveType::kLineList:
        for (uint32_t i = 0; i + 1 < count; i += 2) {
          const auto a = vertex(i);
          raster.Line(a, vertex(i + 1), a.diffuse);
        }
        break;
      case PrimitiveType::kLineStrip:
        for (uint32_t i = 0; i + 1 < count; ++i) {
          const auto a = vertex(i);
          raster.Line(a, vertex(i + 1), a.diffuse);
        }
        break;
      case PrimitiveType::kTriangleList:
        for (uint32_t i = 0; i + 2 < count; i += 3) {
          const auto a = vertex(i);
          raster.Triangle(a, vertex(i + 1), vertex(i + 2), a.diffuse);
        }
        break;
      case PrimitiveType::kTriangleStrip:
        // Every other triangle runs its first two corners the other way round, so that all keep
        // the strip's turning sense.
        for (uint32_t i = 0; i + 2 < count; ++i) {
          const auto a = vertex(i), b = vertex(i + 1), c = vertex(i + 2);
          if (i % 2 == 0) {
            raster.Triangle(a, b, c, a.diffuse);
          } else {
            raster.Triangle(b, a, c, a.diffuse);
          }
        }
        break;
    }
    SurfaceAccess::Written(*target_);
    return DisplayResult::kOk;
  }

  static device3d_internal::RasterImage Image(Surface& s) {
    device3d_internal::RasterImage image;
    image.pixels = SurfaceAccess::Pixels(s);
    image.pitch = s.pitch();
    image.width = s.width();
    image.height = s.height();
    image.format = s.format();
    return image;
  }

  std::weak_ptr<Display> display_;
  Direct3DConfig config_;
  std::shared_ptr<Surface> target_;
  std::shared_ptr<Surface> texture_;
  std::array<uint32_t, kRenderStates.size()> render_{};
  std::array<uint32_t, kStageStates.size()> stage_{};
  Viewport viewport_;
  bool inScene_ = false;
};

class CpuDirect3D : public Direct3D {
 public:
  CpuDirect3D(std::weak_ptr<Display> display, Direct3DConfig config)
      : display_(std::move(display)), config_(std::move(config)) {}

  DisplayResult EnumDevices(const std::function<bool(const DeviceDesc&)>& fn) override {
    if (DisplayResult r = Check("EnumDevices"); r != DisplayResult::kOk) return r;
    if (!fn) return DisplayResult::kInvalidParams;
    for (DeviceKind kind : {DeviceKind::kRgb, DeviceKind::kHal, DeviceKind::kTnLHal}) {
      if (!Listed(kind)) continue;
      DeviceDesc d;
      d.kind = kind;
      d.renderBitDepths = kDeviceDepth16 | kDeviceDepth32;
      d.textureCaps = kTextureCapsPow2 | (config_.squareOnly ? kTextureCapsSquareOnly : 0);
      d.minTextureWidth = d.minTextureHeight = config_.minTextureSize;
      d.maxTextureWidth = d.maxTextureHeight = config_.maxTextureSize;
      if (!fn(d)) break;
    }
    return DisplayResult::kOk;
  }
  DisplayResult EnumZBufferFormats(DeviceKind /*kind*/,
                                   const std::function<bool(const PixelFormat&)>& fn) override {
    if (DisplayResult r = Check("EnumZBufferFormats"); r != DisplayResult::kOk) return r;
    if (!fn) return DisplayResult::kInvalidParams;
    for (const PixelFormat& f : DepthFormatsOf(config_)) {
      if (!fn(f)) break;
    }
    return DisplayResult::kOk;
  }
  DisplayResult CreateDevice(DeviceKind kind, const std::shared_ptr<Surface>& target,
                             std::shared_ptr<Device3D>* out) override {
    if (DisplayResult r = Check("CreateDevice"); r != DisplayResult::kOk) return r;
    if (out == nullptr || target == nullptr || kind == DeviceKind::kRgb || !Listed(kind)) {
      return DisplayResult::kInvalidParams;
    }
    if (SurfaceAccess::Dead(*target)) {
      Misuse("CreateDevice on a dead surface");
      return DisplayResult::kDeadObject;
    }
    if (!RenderableTarget(*target)) return DisplayResult::kInvalidPixelFormat;
    *out = std::make_shared<CpuDevice3D>(display_, config_, target);
    return DisplayResult::kOk;
  }

 private:
  bool Listed(DeviceKind kind) const {
    if (kind == DeviceKind::kRgb) return true;
    if (config_.noDevice) return false;
    return kind == DeviceKind::kHal || !config_.hardwareOnly;
  }
  DisplayResult Check(const char* call) const {
    std::shared_ptr<Display> d = display_.lock();
    if (d == nullptr || d->IsDead()) {
      Misuse("a call on a Direct3D object whose display is gone");
      return DisplayResult::kDeadObject;
    }
    if (config_.failCall == call) return DisplayResult::kDeviceFault;
    return DisplayResult::kOk;
  }

  std::weak_ptr<Display> display_;
  Direct3DConfig config_;
};

}  // namespace

PixelFormat DepthPixelFormat(uint32_t bits, uint32_t depthMask, uint32_t stencilBits,
                             uint32_t stencilMask) {
  PixelFormat f;
  f.flags = kPixelZBuffer | (stencilBits != 0 ? kPixelStencilBuffer : 0);
  f.bitCount = bits;
  f.redMask = stencilBits;
  f.greenMask = depthMask;
  f.blueMask = stencilMask;
  return f;
}

std::vector<PixelFormat> StandardTextureFormats() {
  return {RgbPixelFormat(16, 0xF800, 0x07E0, 0x001F),
          RgbPixelFormat(16, 0x7C00, 0x03E0, 0x001F),
          RgbPixelFormat(16, 0x7C00, 0x03E0, 0x001F, 0x8000),
          RgbPixelFormat(16, 0x0F00, 0x00F0, 0x000F, 0xF000),
          RgbPixelFormat(32, 0xFF0000, 0xFF00, 0xFF),
          RgbPixelFormat(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u)};
}

std::vector<PixelFormat> StandardDepthFormats() {
  return {DepthPixelFormat(32, 0xFFFFFF00u, 8, 0xFF), DepthPixelFormat(16, 0xFFFF, 0, 0)};
}

std::shared_ptr<Direct3D> MakeCpuDirect3D(const std::shared_ptr<Display>& display,
                                          const Direct3DConfig& config) {
  return std::make_shared<CpuDirect3D>(display, config);
}

namespace display_internal {

bool IsTextureFormatOf(const Direct3DConfig& config, const PixelFormat& f) {
  const uint32_t unheld = kPixelFourCC | kPixelPalette8 | kPixelZBuffer | kPixelAlphaOnly |
                          kPixelStencilBuffer | kPixelLuminance | kPixelBumpLuminance |
                          kPixelBumpDuDv;
  if ((f.flags & kPixelRgb) == 0 || (f.flags & unheld) != 0) return false;
  if (f.bitCount != 16 && f.bitCount != 32) return false;
  for (const PixelFormat& listed : TextureFormatsOf(config)) {
    if (SameFormat(listed, f)) return true;
  }
  return false;
}

bool IsDepthFormatOf(const Direct3DConfig& config, const PixelFormat& f) {
  for (const PixelFormat& listed : DepthFormatsOf(config)) {
    if (SameFormat(listed, f)) return true;
  }
  return false;
}

}  // namespace display_internal

}  // namespace platform
