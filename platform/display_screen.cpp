// The display itself: its life and the death of everything made from it, the cooperative level
// and display modes, the making of surfaces (flip chains included, within the video memory
// budget), clippers and palettes, what it reports about itself, and simulated loss.
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/device3d.h"
#include "platform/display.h"
#include "platform/display_internal.h"

namespace platform {
namespace {

using display_internal::kCanaryByte;

constexpr int32_t kMaxSide = 16384;         // display modes
constexpr int32_t kMaxSurfaceSide = 65535;  // off-screen surfaces

int32_t PaddedPitch(int32_t width, int32_t bytesPerPixel) {
  int32_t row = width * bytesPerPixel;
  return (row + 15) & ~15;
}

}  // namespace

// ---- the display ----

Display::Display(const DisplayConfig& config, DisplayHost* host)
    : config_(config), host_(host), presenter_(MakeNullPresenter()) {}

std::shared_ptr<Display> Display::Create(const DisplayConfig& config, DisplayHost* host) {
  return std::shared_ptr<Display>(new Display(config, host));
}

Display::~Display() {
  if (!dead_) {
    // The owner dropped the display without releasing it: its objects die all the same.
    for (auto& s : std::vector<std::shared_ptr<Surface>>(surfaces_)) {
      if (!s->dead_) s->Die();
    }
    for (auto& c : clippers_) c->Die();
    for (auto& p : palettes_) p->Die();
  }
}

void Display::Die() {
  std::shared_ptr<Display> self = shared_from_this();
  for (auto& s : std::vector<std::shared_ptr<Surface>>(surfaces_)) {
    if (!s->dead_) s->Die();
  }
  surfaces_.clear();
  for (auto& c : clippers_) c->Die();
  clippers_.clear();
  for (auto& p : palettes_) p->Die();
  palettes_.clear();
  presenter_ = MakeNullPresenter();
  if (modeSet_) {
    // A display that goes takes its mode with it, as a driver gives the desktop back.
    modeSet_ = false;
    AnnounceMode();
  }
  coop_ = 0;
  primary_ = nullptr;
  dead_ = true;
  refs_ = 0;
}

void Display::Forget(Surface* s) {
  if (primary_ == s) {
    primary_ = nullptr;
    dirty_ = false;
  }
  for (size_t i = 0; i < surfaces_.size(); ++i) {
    if (surfaces_[i].get() == s) {
      surfaces_.erase(surfaces_.begin() + static_cast<ptrdiff_t>(i));
      break;
    }
  }
}

PixelFormat Display::ModeFormat() const {
  return PixelFormatForDepth(modeSet_ ? modeBits_ : config_.desktopBits, config_.layout16);
}

DisplayResult Display::SetCooperativeLevel(uintptr_t /*window*/, uint32_t flags) {
  if (!Alive("SetCooperativeLevel on a dead display")) return DisplayResult::kDeadObject;
  const uint32_t fullscreen = kCoopFullscreen | kCoopExclusive;
  if (flags != kCoopNormal && flags != fullscreen) return DisplayResult::kInvalidParams;
  coop_ = flags;
  return DisplayResult::kOk;
}

DisplayResult Display::SetDisplayMode(int32_t width, int32_t height, int32_t bits,
                                      int32_t refresh) {
  if (!Alive("SetDisplayMode on a dead display")) return DisplayResult::kDeadObject;
  if ((coop_ & kCoopExclusive) == 0) return DisplayResult::kNoExclusiveMode;
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide ||
      (bits != 8 && bits != 16 && bits != 32) || (refresh != 0 && refresh != 60)) {
    return DisplayResult::kInvalidMode;
  }
  modeSet_ = true;
  modeWidth_ = width;
  modeHeight_ = height;
  modeBits_ = bits;
  modeRefresh_ = refresh;
  AnnounceMode();
  return DisplayResult::kOk;
}

DisplayResult Display::RestoreDisplayMode() {
  if (!Alive("RestoreDisplayMode on a dead display")) return DisplayResult::kDeadObject;
  if (modeSet_) {
    modeSet_ = false;
    AnnounceMode();
  }
  return DisplayResult::kOk;
}

void Display::AnnounceMode() {
  if (host_ == nullptr) return;
  if (modeSet_) {
    host_->DisplayChanged(modeBits_, modeWidth_, modeHeight_);
  } else {
    host_->DisplayChanged(config_.desktopBits, config_.desktopWidth, config_.desktopHeight);
  }
}

DisplayResult Display::GetDisplayMode(SurfaceDesc* out) const {
  if (!Alive("GetDisplayMode on a dead display")) return DisplayResult::kDeadObject;
  if (out == nullptr) return DisplayResult::kInvalidParams;
  *out = SurfaceDesc{};
  out->flags = kDescWidth | kDescHeight | kDescPitch | kDescPixelFormat | kDescRefreshRate;
  out->width = modeSet_ ? modeWidth_ : config_.desktopWidth;
  out->height = modeSet_ ? modeHeight_ : config_.desktopHeight;
  out->refreshRate = modeSet_ ? modeRefresh_ : 60;
  out->pixelFormat = ModeFormat();
  out->pitch = PaddedPitch(out->width, static_cast<int32_t>(out->pixelFormat.bitCount / 8));
  return DisplayResult::kOk;
}

DisplayResult Display::Alloc(int32_t width, int32_t height, const PixelFormat& format,
                             uint32_t caps, bool mayUseVideo, std::shared_ptr<Surface>* out) {
  if (width < 1 || height < 1 || width > kMaxSurfaceSide || height > kMaxSurfaceSide) {
    return DisplayResult::kInvalidParams;
  }
  const int32_t bpp = static_cast<int32_t>(format.bitCount / 8);
  const int32_t pitch = PaddedPitch(width, bpp);
  const int64_t bytes = int64_t{pitch} * height;
  if (bytes > kMaxSurfaceBytes) return DisplayResult::kOutOfMemory;
  bool video = false;
  if ((caps & kCapsSystemMemory) == 0 && mayUseVideo) {
    video = videoUsed_ + bytes <= config_.videoMemoryBytes;
    if (!video && (caps & kCapsVideoMemory) != 0) return DisplayResult::kOutOfVideoMemory;
  }
  auto s = std::shared_ptr<Surface>(new Surface());
  s->display_ = weak_from_this();
  s->width_ = width;
  s->height_ = height;
  s->pitch_ = pitch;
  s->format_ = format;
  s->caps_ = (caps & ~(kCapsSystemMemory | kCapsVideoMemory)) |
             (video ? kCapsVideoMemory : kCapsSystemMemory);
  try {
    s->storage_ = std::make_shared<std::vector<uint8_t>>(
        static_cast<size_t>(bytes) + 2 * Surface::kCanaryBytes, uint8_t{0});
  } catch (const std::bad_alloc&) {
    return DisplayResult::kOutOfMemory;
  }
  std::memset(s->storage_->data(), kCanaryByte, Surface::kCanaryBytes);
  std::memset(s->storage_->data() + Surface::kCanaryBytes + bytes, kCanaryByte,
              Surface::kCanaryBytes);
  if (video) {
    s->videoBytes_ = bytes;
    videoUsed_ += bytes;
  }
  surfaces_.push_back(s);
  *out = std::move(s);
  return DisplayResult::kOk;
}

DisplayResult Display::CreateSurface(const SurfaceDesc& desc, std::shared_ptr<Surface>* out) {
  if (!Alive("CreateSurface on a dead display")) return DisplayResult::kDeadObject;
  if (out == nullptr) return DisplayResult::kInvalidParams;
  const uint32_t caps = (desc.flags & kDescCaps) != 0 ? desc.caps : 0;
  if ((caps & kCapsOverlay) != 0) return DisplayResult::kNoOverlayHardware;
  if ((caps & kCapsSystemMemory) != 0 && (caps & kCapsVideoMemory) != 0) {
    return DisplayResult::kInvalidCaps;
  }
  if ((caps & (kCapsTexture | kCapsZBuffer)) != 0) return Create3DSurface(desc, caps, out);
  if ((caps & (kCapsBackBuffer | kCapsFrontBuffer)) != 0) return DisplayResult::kInvalidCaps;

  if ((caps & kCapsPrimary) == 0) {
    if ((caps & (kCapsFlip | kCapsComplex)) != 0) return DisplayResult::kInvalidCaps;
    if ((desc.flags & kDescWidth) == 0 || (desc.flags & kDescHeight) == 0) {
      return DisplayResult::kInvalidParams;
    }
    PixelFormat format = ModeFormat();
    if ((desc.flags & kDescPixelFormat) != 0) {
      if (!IsSupportedPixelFormat(desc.pixelFormat, (caps & kCapsSystemMemory) != 0)) {
        return DisplayResult::kInvalidPixelFormat;
      }
      format = desc.pixelFormat;
    } else if (format.bitCount == 24) {
      return DisplayResult::kInvalidPixelFormat;  // 24 bits exist for the desktop only
    }
    return Alloc(desc.width, desc.height, format, caps, true, out);
  }

  if (primary_ != nullptr) return DisplayResult::kPrimaryExists;
  if ((desc.flags & (kDescWidth | kDescHeight | kDescPixelFormat)) != 0) {
    return DisplayResult::kInvalidParams;
  }
  const bool flip = (caps & kCapsFlip) != 0;
  int32_t backs = 0;
  if (flip) {
    if ((caps & kCapsComplex) == 0 || (desc.flags & kDescBackBufferCount) == 0) {
      return DisplayResult::kInvalidCaps;
    }
    if ((coop_ & kCoopExclusive) == 0) return DisplayResult::kNoExclusiveMode;
    backs = desc.backBufferCount;
    if (backs < 1 || backs > 3) return DisplayResult::kInvalidParams;
  }
  const bool exclusiveMode = modeSet_ && (coop_ & kCoopExclusive) != 0;
  const int32_t w = exclusiveMode ? modeWidth_ : config_.desktopWidth;
  const int32_t h = exclusiveMode ? modeHeight_ : config_.desktopHeight;
  const PixelFormat format =
      PixelFormatForDepth(exclusiveMode ? modeBits_ : config_.desktopBits, config_.layout16);
  std::shared_ptr<Surface> front;
  DisplayResult r = Alloc(w, h, format, caps | (flip ? kCapsFrontBuffer : 0), true, &front);
  if (r != DisplayResult::kOk) return r;
  for (int32_t i = 0; i < backs; ++i) {
    std::shared_ptr<Surface> back;
    uint32_t backCaps = (caps & ~(kCapsPrimary | kCapsVideoMemory | kCapsSystemMemory)) |
                        kCapsBackBuffer | (front->caps_ & (kCapsVideoMemory | kCapsSystemMemory));
    r = Alloc(w, h, format, backCaps, (front->caps_ & kCapsVideoMemory) != 0, &back);
    if (r != DisplayResult::kOk) {
      front->Die();
      return r;
    }
    back->head_ = front.get();
    front->chain_.push_back(back);
  }
  primary_ = front.get();
  primaryInWindow_ = (coop_ & kCoopExclusive) == 0;
  dirty_ = false;
  *out = std::move(front);
  return DisplayResult::kOk;
}

DisplayResult Display::Create3DSurface(const SurfaceDesc& desc, uint32_t caps,
                                       std::shared_ptr<Surface>* out) {
  const Direct3DConfig& d3d = config_.direct3D;
  const bool texture = (caps & kCapsTexture) != 0;
  if (!d3d.offered || (texture && (caps & kCapsZBuffer) != 0) ||
      (caps & (kCapsPrimary | kCapsFlip | kCapsComplex | kCapsBackBuffer | kCapsFrontBuffer)) !=
          0) {
    return DisplayResult::kInvalidCaps;
  }
  const uint32_t needed = kDescWidth | kDescHeight | kDescPixelFormat;
  if ((desc.flags & needed) != needed) return DisplayResult::kInvalidParams;
  const PixelFormat& f = desc.pixelFormat;
  if (texture) {
    if (!display_internal::IsTextureFormatOf(d3d, f)) return DisplayResult::kInvalidPixelFormat;
    for (int32_t side : {desc.width, desc.height}) {
      if (side < 1 || (side & (side - 1)) != 0) return DisplayResult::kInvalidParams;
      if (d3d.minTextureSize != 0 && static_cast<uint32_t>(side) < d3d.minTextureSize) {
        return DisplayResult::kInvalidParams;
      }
      if (d3d.maxTextureSize != 0 && static_cast<uint32_t>(side) > d3d.maxTextureSize) {
        return DisplayResult::kInvalidParams;
      }
    }
    if (d3d.squareOnly && desc.width != desc.height) return DisplayResult::kInvalidParams;
  } else if (!display_internal::IsDepthFormatOf(d3d, f)) {
    return DisplayResult::kInvalidPixelFormat;
  }
  return Alloc(desc.width, desc.height, f, caps, true, out);
}

DisplayResult Display::CreateClipper(std::shared_ptr<Clipper>* out) {
  if (!Alive("CreateClipper on a dead display")) return DisplayResult::kDeadObject;
  if (out == nullptr) return DisplayResult::kInvalidParams;
  auto c = std::shared_ptr<Clipper>(new Clipper());
  c->display_ = weak_from_this();
  clippers_.push_back(c);
  *out = std::move(c);
  return DisplayResult::kOk;
}

DisplayResult Display::CreatePalette(const PaletteEntry* entries, std::shared_ptr<Palette>* out) {
  if (!Alive("CreatePalette on a dead display")) return DisplayResult::kDeadObject;
  if (out == nullptr) return DisplayResult::kInvalidParams;
  auto p = std::shared_ptr<Palette>(new Palette());
  if (entries != nullptr) std::memcpy(p->entries_, entries, sizeof(p->entries_));
  palettes_.push_back(p);
  *out = std::move(p);
  return DisplayResult::kOk;
}

DisplayResult Display::GetCaps(DisplayCaps* driver, DisplayCaps* emulation) const {
  if (!Alive("GetCaps on a dead display")) return DisplayResult::kDeadObject;
  if (driver == nullptr && emulation == nullptr) return DisplayResult::kInvalidParams;
  for (DisplayCaps* c : {driver, emulation}) {
    if (c != nullptr && c->size != sizeof(DisplayCaps)) return DisplayResult::kInvalidParams;
  }
  for (DisplayCaps* c : {driver, emulation}) {
    if (c == nullptr) continue;
    *c = DisplayCaps{};
    c->size = sizeof(DisplayCaps);
  }
  return DisplayResult::kOk;
}

DisplayResult Display::GetDeviceIdentifier(DeviceIdentifier* out) const {
  if (!Alive("GetDeviceIdentifier on a dead display")) return DisplayResult::kDeadObject;
  if (out == nullptr) return DisplayResult::kInvalidParams;
  *out = DeviceIdentifier{};
  std::snprintf(out->driver, sizeof(out->driver), "%s", "morrow-display");
  std::snprintf(out->description, sizeof(out->description), "%s", "Morrow memory display");
  out->driverVersion = uint64_t{1} << 48;
  return DisplayResult::kOk;
}

DisplayResult Display::GetAvailableVidMem(uint32_t /*caps*/, int64_t* total, int64_t* free) const {
  if (!Alive("GetAvailableVidMem on a dead display")) return DisplayResult::kDeadObject;
  if (total == nullptr && free == nullptr) return DisplayResult::kInvalidParams;
  if (total != nullptr) *total = config_.videoMemoryBytes;
  if (free != nullptr) *free = config_.videoMemoryBytes - videoUsed_;
  return DisplayResult::kOk;
}

DisplayResult Display::QueryDirect3D(std::shared_ptr<Direct3D>* out) {
  if (!Alive("QueryDirect3D on a dead display")) return DisplayResult::kDeadObject;
  if (out == nullptr) return DisplayResult::kInvalidParams;
  if (!config_.direct3D.offered) return DisplayResult::kNoInterface;
  *out = display_internal::WrapForRecorder(MakeCpuDirect3D(shared_from_this(), config_.direct3D));
  return DisplayResult::kOk;
}

DisplayResult Display::SimulateLoss() {
  if (!Alive("SimulateLoss on a dead display")) return DisplayResult::kDeadObject;
  for (auto& s : surfaces_) s->lost_ = true;
  if (host_ != nullptr) host_->QueueDeactivateActivate();
  return DisplayResult::kOk;
}

}  // namespace platform
