// Surfaces: their death with their chain, locks checked by the canary, flip chains, colour keys,
// the clipper and palette they carry, what they report, loss and restore, and the device
// context lent out for the converting copy.
#include <cstring>

#include "platform/clock.h"
#include "platform/display.h"
#include "platform/display_beam.h"
#include "platform/display_internal.h"

namespace platform {

using display_internal::kCanaryByte;
using display_internal::Misuse;

// ---- surfaces ----

void Surface::Die() {
  std::shared_ptr<Surface> self = shared_from_this();  // Forget may drop the last owner
  for (auto& back : chain_) {
    if (!back->dead_) back->Die();
  }
  chain_.clear();
  std::shared_ptr<Display> d = display_.lock();
  if (d != nullptr) {
    d->videoUsed_ -= videoBytes_;
    d->Forget(this);
  }
  videoBytes_ = 0;
  storage_.reset();
  clipper_.reset();
  palette_.reset();
  head_ = nullptr;
  locked_ = false;
  dcOut_ = false;
  dead_ = true;
  refs_ = 0;
}

DisplayResult Surface::Usable(const char* call) const {
  if (!Alive(call)) return DisplayResult::kDeadObject;
  if (lost_) return DisplayResult::kSurfaceLost;
  return DisplayResult::kOk;
}

DisplayResult Surface::Writable(const char* call) const {
  if (DisplayResult r = Usable(call); r != DisplayResult::kOk) return r;
  return sceneOpen_ ? DisplayResult::kSceneOpen : DisplayResult::kOk;
}

bool Surface::CanaryIntact() const {
  if (!storage_) return true;
  const std::vector<uint8_t>& s = *storage_;
  for (int i = 0; i < kCanaryBytes; ++i) {
    if (s[static_cast<size_t>(i)] != kCanaryByte ||
        s[s.size() - 1 - static_cast<size_t>(i)] != kCanaryByte) {
      return false;
    }
  }
  return true;
}

void Surface::AfterWrite() {
  if (std::shared_ptr<Display> d = display_.lock()) d->MarkPrimaryChanged(this);
}

void Surface::FillGarbage() {
  // A fixed scramble, so a restored surface visibly holds nothing it held before.
  uint32_t x = 0x9E3779B9u;
  uint8_t* p = Pixels();
  size_t n = static_cast<size_t>(pitch_) * static_cast<size_t>(height_);
  for (size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    p[i] = static_cast<uint8_t>(x);
  }
}

DisplayResult Surface::Lock(const Rect* rect, LockedRect* out) {
  if (DisplayResult r = Writable("Lock on a dead surface"); r != DisplayResult::kOk) return r;
  if (out == nullptr) return DisplayResult::kInvalidParams;
  if (failNextLock_ != DisplayResult::kOk) {
    const DisplayResult r = failNextLock_;
    failNextLock_ = DisplayResult::kOk;
    return r;
  }
  if (locked_ || dcOut_) return DisplayResult::kSurfaceBusy;
  Rect area = rect != nullptr ? *rect : Rect{0, 0, width_, height_};
  if (!InsideSize(area, width_, height_)) return DisplayResult::kInvalidRect;
  int32_t bpp = static_cast<int32_t>(format_.bitCount / 8);
  out->bits = Pixels() + static_cast<ptrdiff_t>(area.top) * pitch_ + area.left * bpp;
  out->pitch = pitch_;
  out->width = area.Width();
  out->height = area.Height();
  out->format = format_;
  locked_ = true;
  ++lockCount_;
  return DisplayResult::kOk;
}

DisplayResult Surface::Unlock() {
  if (!Alive("Unlock on a dead surface")) return DisplayResult::kDeadObject;
  if (!locked_) return DisplayResult::kNotLocked;
  locked_ = false;
  if (!CanaryIntact()) Misuse("a write outside the pixels of a locked surface");
  AfterWrite();
  return DisplayResult::kOk;
}

// ---- overlays ----

DisplayResult Surface::UpdateOverlay(const Rect*, Surface*, const Rect*, uint32_t) {
  if (!Alive("UpdateOverlay on a dead surface")) return DisplayResult::kDeadObject;
  return DisplayResult::kNoOverlayHardware;
}

// ---- flip chains ----

DisplayResult Surface::Flip(uint32_t flags) {
  if (DisplayResult r = Writable("Flip on a dead surface"); r != DisplayResult::kOk) return r;
  if (chain_.empty()) return DisplayResult::kNotFlippable;
  if (locked_ || dcOut_) return DisplayResult::kSurfaceBusy;
  for (auto& back : chain_) {
    if (DisplayResult r = back->Writable("Flip onto a dead back buffer"); r != DisplayResult::kOk) {
      return r;
    }
    if (back->locked_ || back->dcOut_) return DisplayResult::kSurfaceBusy;
  }
  std::shared_ptr<Display> d = display_.lock();
  if (d == nullptr) return DisplayResult::kDeadObject;
  if ((flags & kFlipNoVsync) == 0) {
    int64_t now = NowMicroseconds();
    if (!CurrentBeam().At(now).inBlank) SleepMicroseconds(CurrentBeam().NextBlankStart(now) - now);
  }
  // The front takes the first back buffer's pixels, each back buffer the next one's, and the
  // last back buffer the old front's.
  std::shared_ptr<std::vector<uint8_t>> old = storage_;
  storage_ = chain_[0]->storage_;
  for (size_t i = 0; i + 1 < chain_.size(); ++i) chain_[i]->storage_ = chain_[i + 1]->storage_;
  chain_.back()->storage_ = old;
  d->MarkPrimaryChanged(this);
  d->PresentIfDue();
  return DisplayResult::kOk;
}

DisplayResult Surface::GetAttachedSurface(uint32_t caps, std::shared_ptr<Surface>* out) {
  if (!Alive("GetAttachedSurface on a dead surface")) return DisplayResult::kDeadObject;
  if (out == nullptr) return DisplayResult::kInvalidParams;
  if (chain_.empty() || (caps & kCapsBackBuffer) == 0) return DisplayResult::kNotFound;
  chain_[0]->AddRef();
  *out = chain_[0];
  return DisplayResult::kOk;
}

DisplayResult Surface::EnumAttachedSurfaces(
    const std::function<void(const std::shared_ptr<Surface>&)>& fn) {
  if (!Alive("EnumAttachedSurfaces on a dead surface")) return DisplayResult::kDeadObject;
  std::vector<std::shared_ptr<Surface>> chain = chain_;
  for (auto& s : chain) fn(s);
  return DisplayResult::kOk;
}

// ---- colour keys, clipper, palette, description ----

DisplayResult Surface::SetColorKey(uint32_t kind, const ColorKey* key) {
  if (!Alive("SetColorKey on a dead surface")) return DisplayResult::kDeadObject;
  if (kind != kColorKeySrcBlt) return DisplayResult::kInvalidParams;
  hasKey_ = key != nullptr;
  if (key != nullptr) key_ = *key;
  return DisplayResult::kOk;
}

DisplayResult Surface::GetColorKey(uint32_t kind, ColorKey* out) const {
  if (!Alive("GetColorKey on a dead surface")) return DisplayResult::kDeadObject;
  if (kind != kColorKeySrcBlt || out == nullptr) return DisplayResult::kInvalidParams;
  if (!hasKey_) return DisplayResult::kNoColorKey;
  *out = key_;
  return DisplayResult::kOk;
}

DisplayResult Surface::SetClipper(const std::shared_ptr<Clipper>& clipper) {
  if (!Alive("SetClipper on a dead surface")) return DisplayResult::kDeadObject;
  if (clipper != nullptr && clipper->IsDead()) {
    Misuse("SetClipper with a dead clipper");
    return DisplayResult::kDeadObject;
  }
  clipper_ = clipper;
  return DisplayResult::kOk;
}

DisplayResult Surface::SetPalette(const std::shared_ptr<Palette>& palette) {
  if (!Alive("SetPalette on a dead surface")) return DisplayResult::kDeadObject;
  if (palette != nullptr && palette->IsDead()) {
    Misuse("SetPalette with a dead palette");
    return DisplayResult::kDeadObject;
  }
  if (palette != nullptr && (format_.flags & kPixelPalette8) == 0) {
    return DisplayResult::kInvalidPixelFormat;
  }
  palette_ = palette;
  if (std::shared_ptr<Display> d = display_.lock()) d->MarkPrimaryChanged(this);
  return DisplayResult::kOk;
}

DisplayResult Surface::GetCaps(uint32_t* caps) const {
  if (!Alive("GetCaps on a dead surface")) return DisplayResult::kDeadObject;
  if (caps == nullptr) return DisplayResult::kInvalidParams;
  *caps = caps_;
  return DisplayResult::kOk;
}

DisplayResult Surface::GetSurfaceDesc(SurfaceDesc* out) const {
  if (!Alive("GetSurfaceDesc on a dead surface")) return DisplayResult::kDeadObject;
  if (out == nullptr) return DisplayResult::kInvalidParams;
  *out = SurfaceDesc{};
  out->flags = kDescCaps | kDescWidth | kDescHeight | kDescPitch | kDescPixelFormat;
  out->width = width_;
  out->height = height_;
  out->pitch = pitch_;
  out->caps = caps_;
  out->pixelFormat = format_;
  if (!chain_.empty()) {
    out->flags |= kDescBackBufferCount;
    out->backBufferCount = static_cast<int32_t>(chain_.size());
  }
  return DisplayResult::kOk;
}

DisplayResult Surface::GetPixelFormat(PixelFormat* out) const {
  if (!Alive("GetPixelFormat on a dead surface")) return DisplayResult::kDeadObject;
  if (out == nullptr) return DisplayResult::kInvalidParams;
  *out = format_;
  return DisplayResult::kOk;
}

// ---- loss and restore ----

DisplayResult Surface::IsLost() const {
  if (!Alive("IsLost on a dead surface")) return DisplayResult::kDeadObject;
  return lost_ ? DisplayResult::kSurfaceLost : DisplayResult::kOk;
}

DisplayResult Surface::Restore() {
  if (!Alive("Restore on a dead surface")) return DisplayResult::kDeadObject;
  if (lost_) {
    lost_ = false;
    FillGarbage();
  }
  for (auto& back : chain_) {
    if (back->lost_) {
      back->lost_ = false;
      back->FillGarbage();
    }
  }
  return DisplayResult::kOk;
}

// ---- device contexts ----

DisplayResult Surface::GetDC(std::shared_ptr<DeviceContext>* out) {
  if (DisplayResult r = Writable("GetDC on a dead surface"); r != DisplayResult::kOk) return r;
  if (out == nullptr) return DisplayResult::kInvalidParams;
  if (locked_ || dcOut_) return DisplayResult::kSurfaceBusy;
  auto dc = std::make_shared<DeviceContext>();
  dc->bits_ = Pixels();
  dc->width_ = width_;
  dc->height_ = height_;
  dc->pitch_ = pitch_;
  dc->format_ = format_;
  dc->palette_ = palette_ != nullptr ? palette_->Entries() : nullptr;
  dc->surface_ = shared_from_this();
  dcOut_ = true;
  *out = std::move(dc);
  return DisplayResult::kOk;
}

DisplayResult Surface::ReleaseDC(const std::shared_ptr<DeviceContext>& dc) {
  if (!Alive("ReleaseDC on a dead surface")) return DisplayResult::kDeadObject;
  if (dc == nullptr || !dcOut_ || dc->released_ || dc->surface_.lock().get() != this) {
    return DisplayResult::kInvalidParams;
  }
  dc->released_ = true;
  dc->bits_ = nullptr;
  dcOut_ = false;
  if (!CanaryIntact()) Misuse("a write outside the pixels through a device context");
  return DisplayResult::kOk;
}

}  // namespace platform
