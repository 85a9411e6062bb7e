#include "platform/display.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/clock.h"
#include "platform/display_beam.h"
#include "platform/env.h"
#include "platform/frame_dump.h"
#include "platform/pixel_layout.h"

namespace platform {
namespace {

#ifdef NDEBUG
bool g_misuseFatal = false;
#else
bool g_misuseFatal = true;
#endif

std::function<uint64_t(uint64_t)>& PresentHook() {
  static std::function<uint64_t(uint64_t)> hook;
  return hook;
}

// A call on a dead object or a damaged canary is a fault of the caller: say so, and stop a
// debug build where it happened.
void Misuse(const char* what) {
  std::fprintf(stderr, "display: %s\n", what);
  if (g_misuseFatal) std::abort();
}

constexpr int32_t kMaxSide = 16384;         // display modes
constexpr int32_t kMaxSurfaceSide = 65535;  // off-screen surfaces
constexpr uint8_t kCanaryByte = 0xCD;

int32_t PaddedPitch(int32_t width, int32_t bytesPerPixel) {
  int32_t row = width * bytesPerPixel;
  return (row + 15) & ~15;
}

bool InKeyRange(uint32_t v, const ColorKey& k) {
  return v >= k.low && v <= k.high;
}

// One row of a keyed copy of 32-bit pixels. A keyed pixel keeps the destination's own value:
// each pixel is written, either with the source or with what it held, which lets the compiler
// turn the row into a select of whole vectors.
void KeyedRow32(uint8_t* dest, const uint8_t* src, int32_t width, const ColorKey& k) {
  const uint32_t low = k.low, span = k.high - k.low;
  int32_t i = 0;
#if defined(__SSE2__)
  // v - low > span, unsigned, as a signed compare of both sides with the top bit flipped.
  const __m128i lows = _mm_set1_epi32(static_cast<int>(low));
  const __m128i flip = _mm_set1_epi32(static_cast<int>(0x80000000u));
  const __m128i spans = _mm_xor_si128(_mm_set1_epi32(static_cast<int>(span)), flip);
  for (; i + 4 <= width; i += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dest + 4 * i));
    const __m128i keep = _mm_cmpgt_epi32(_mm_xor_si128(_mm_sub_epi32(v, lows), flip), spans);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + 4 * i),
                     _mm_or_si128(_mm_and_si128(keep, v), _mm_andnot_si128(keep, d)));
  }
#endif
  for (; i < width; ++i) {
    uint32_t v, d;
    std::memcpy(&v, src + 4 * i, 4);
    std::memcpy(&d, dest + 4 * i, 4);
    const uint32_t out = v - low <= span ? d : v;
    std::memcpy(dest + 4 * i, &out, 4);
  }
}

class NullPresenter : public Presenter {
 public:
  void Show(const PresentedPicture&) override {}
};

}  // namespace

const char* DisplayResultName(DisplayResult r) {
  switch (r) {
    case DisplayResult::kOk:
      return "ok";
    case DisplayResult::kInvalidParams:
      return "invalid parameters";
    case DisplayResult::kInvalidRect:
      return "invalid rectangle";
    case DisplayResult::kSurfaceBusy:
      return "surface busy";
    case DisplayResult::kNotLocked:
      return "not locked";
    case DisplayResult::kSurfaceLost:
      return "surface lost";
    case DisplayResult::kDeadObject:
      return "dead object";
    case DisplayResult::kOutOfVideoMemory:
      return "out of video memory";
    case DisplayResult::kInvalidPixelFormat:
      return "invalid pixel format";
    case DisplayResult::kInvalidCaps:
      return "invalid caps";
    case DisplayResult::kNoExclusiveMode:
      return "no exclusive mode";
    case DisplayResult::kPrimaryExists:
      return "primary surface exists";
    case DisplayResult::kInvalidMode:
      return "invalid mode";
    case DisplayResult::kNoOverlayHardware:
      return "no overlay hardware";
    case DisplayResult::kNoInterface:
      return "no such interface";
    case DisplayResult::kNotFlippable:
      return "not flippable";
    case DisplayResult::kNotFound:
      return "not found";
    case DisplayResult::kNoColorKey:
      return "no colour key";
    case DisplayResult::kOutOfMemory:
      return "out of memory";
  }
  return "unknown";
}

PixelFormat RgbPixelFormat(uint32_t bits, uint32_t red, uint32_t green, uint32_t blue,
                           uint32_t alpha) {
  PixelFormat f;
  f.flags = kPixelRgb | (alpha != 0 ? kPixelAlphaPixels : 0);
  f.bitCount = bits;
  f.redMask = red;
  f.greenMask = green;
  f.blueMask = blue;
  f.alphaMask = alpha;
  return f;
}

PixelFormat Palette8PixelFormat() {
  PixelFormat f;
  f.flags = kPixelRgb | kPixelPalette8;
  f.bitCount = 8;
  return f;
}

PixelFormat PixelFormatForDepth(int bits, Pixel16Layout layout16) {
  switch (bits) {
    case 8:
      return Palette8PixelFormat();
    case 16:
      switch (layout16) {
        case Pixel16Layout::k555:
          return RgbPixelFormat(16, 0x7C00, 0x03E0, 0x001F);
        case Pixel16Layout::k444:
          return RgbPixelFormat(16, 0x0F00, 0x00F0, 0x000F);
        case Pixel16Layout::k565:
          break;
      }
      return RgbPixelFormat(16, 0xF800, 0x07E0, 0x001F);
    case 24:
      return RgbPixelFormat(24, 0xFF0000, 0xFF00, 0xFF);
    default:
      return RgbPixelFormat(32, 0xFF0000, 0xFF00, 0xFF);
  }
}

bool SamePixelLayout(const PixelFormat& a, const PixelFormat& b) {
  return a.bitCount == b.bitCount && (a.flags & kPixelPalette8) == (b.flags & kPixelPalette8) &&
         a.redMask == b.redMask && a.greenMask == b.greenMask && a.blueMask == b.blueMask &&
         a.alphaMask == b.alphaMask;
}

bool IsSupportedPixelFormat(const PixelFormat& f, bool allowDesktop24) {
  if ((f.flags & (kPixelFourCC | kPixelZBuffer)) != 0 || (f.flags & kPixelRgb) == 0) return false;
  if (f.bitCount == 8) return (f.flags & kPixelPalette8) != 0;
  if ((f.flags & kPixelPalette8) != 0) return false;
  for (int bits : {16, 32}) {
    for (Pixel16Layout l : {Pixel16Layout::k565, Pixel16Layout::k555, Pixel16Layout::k444}) {
      if (SamePixelLayout(f, PixelFormatForDepth(bits, l))) return true;
    }
  }
  return allowDesktop24 && SamePixelLayout(f, PixelFormatForDepth(24, Pixel16Layout::k565));
}

DisplayConfig DisplayConfigFromEnvironment(int desktopWidth, int desktopHeight, int desktopBits) {
  DisplayConfig c;
  c.desktopWidth = desktopWidth;
  c.desktopHeight = desktopHeight;
  c.desktopBits = desktopBits;
  if (auto v = EnvSetting("MORROW_PIXEL16")) {
    if (*v == "565") {
      c.layout16 = Pixel16Layout::k565;
    } else if (*v == "555") {
      c.layout16 = Pixel16Layout::k555;
    } else if (*v == "444") {
      c.layout16 = Pixel16Layout::k444;
    } else {
      ReportBadSetting("MORROW_PIXEL16", *v, "565, 555 or 444");
    }
  }
  int64_t vidmem = EnvInteger("MORROW_VIDMEM", c.videoMemoryBytes);
  if (vidmem < 0) {
    ReportBadSetting("MORROW_VIDMEM", std::to_string(vidmem), "a byte count of 0 or more");
  } else {
    c.videoMemoryBytes = vidmem;
  }
  return c;
}

std::unique_ptr<Presenter> MakeNullPresenter() {
  return std::make_unique<NullPresenter>();
}

void SetPresentHook(std::function<uint64_t(uint64_t)> hook) {
  PresentHook() = std::move(hook);
}

void SetDisplayMisuseFatal(bool fatal) {
  g_misuseFatal = fatal;
}

// ---- reference counting ----

uint32_t DisplayObject::AddRef() {
  if (!Alive("AddRef on a dead object")) return 0;
  return ++refs_;
}

uint32_t DisplayObject::Release() {
  if (!Alive("Release on a dead object")) return 0;
  if (--refs_ == 0) Die();
  return refs_;
}

bool DisplayObject::Alive(const char* call) const {
  if (!dead_) return true;
  Misuse(call);
  return false;
}

// ---- clipper and palette ----

void Clipper::Die() {
  dead_ = true;
  refs_ = 0;
}

DisplayResult Clipper::SetWindow(uintptr_t window) {
  if (!Alive("Clipper::SetWindow on a dead clipper")) return DisplayResult::kDeadObject;
  window_ = window;
  return DisplayResult::kOk;
}

DisplayResult Clipper::GetWindow(uintptr_t* window) const {
  if (!Alive("Clipper::GetWindow on a dead clipper")) return DisplayResult::kDeadObject;
  if (window == nullptr) return DisplayResult::kInvalidParams;
  *window = window_;
  return DisplayResult::kOk;
}

bool Clipper::ClipArea(Rect* out) const {
  std::shared_ptr<Display> d = display_.lock();
  if (window_ == 0 || d == nullptr || d->host_ == nullptr) return false;
  return d->host_->ClientArea(out);
}

void Palette::Die() {
  dead_ = true;
  refs_ = 0;
}

DisplayResult Palette::SetEntries(int start, int count, const PaletteEntry* entries) {
  if (!Alive("Palette::SetEntries on a dead palette")) return DisplayResult::kDeadObject;
  if (entries == nullptr || start < 0 || count < 0 || start + count > 256) {
    return DisplayResult::kInvalidParams;
  }
  std::memcpy(entries_ + start, entries, sizeof(PaletteEntry) * static_cast<size_t>(count));
  return DisplayResult::kOk;
}

DisplayResult Palette::GetEntries(int start, int count, PaletteEntry* out) const {
  if (!Alive("Palette::GetEntries on a dead palette")) return DisplayResult::kDeadObject;
  if (out == nullptr || start < 0 || count < 0 || start + count > 256) {
    return DisplayResult::kInvalidParams;
  }
  std::memcpy(out, entries_ + start, sizeof(PaletteEntry) * static_cast<size_t>(count));
  return DisplayResult::kOk;
}

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
  if (DisplayResult r = Usable("Lock on a dead surface"); r != DisplayResult::kOk) return r;
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

DisplayResult Surface::Blt(const Rect* dest, Surface* src, const Rect* srcRect, uint32_t flags,
                           const BltFx* fx) {
  if (DisplayResult r = Usable("Blt on a dead surface"); r != DisplayResult::kOk) return r;
  if (locked_ || dcOut_) return DisplayResult::kSurfaceBusy;
  if ((flags & kBltDepthFill) != 0) return DisplayResult::kInvalidParams;  // no depth buffers
  Rect d = dest != nullptr ? *dest : Rect{0, 0, width_, height_};
  if (d.Empty()) return DisplayResult::kInvalidRect;
  Rect visible = Intersect(d, Rect{0, 0, width_, height_});
  if (clipper_ != nullptr) {
    if (clipper_->IsDead()) {
      Misuse("Blt through a dead clipper");
      return DisplayResult::kDeadObject;
    }
    Rect area;
    if (clipper_->ClipArea(&area)) visible = Intersect(visible, area);
  } else if (!InsideSize(d, width_, height_)) {
    return DisplayResult::kInvalidRect;
  }
  const int32_t bpp = static_cast<int32_t>(format_.bitCount / 8);

  if ((flags & kBltColorFill) != 0) {
    if (fx == nullptr) return DisplayResult::kInvalidParams;
    if (!visible.Empty()) {
      // The first row is filled by doubling what is already filled, the others copy it: whole
      // screens are filled at the speed of the memory.
      const size_t rowBytes = static_cast<size_t>(visible.Width()) * static_cast<size_t>(bpp);
      uint8_t* first = Pixels() + static_cast<ptrdiff_t>(visible.top) * pitch_ + visible.left * bpp;
      WritePixel(first, bpp, fx->fillColor);
      for (size_t done = static_cast<size_t>(bpp); done < rowBytes; done *= 2) {
        std::memcpy(first + done, first, std::min(done, rowBytes - done));
      }
      for (int32_t y = visible.top + 1; y < visible.bottom; ++y) {
        std::memcpy(Pixels() + static_cast<ptrdiff_t>(y) * pitch_ + visible.left * bpp, first,
                    rowBytes);
      }
      AfterWrite();
      if (std::shared_ptr<Display> disp = display_.lock()) disp->PresentIfDue();
    }
    return DisplayResult::kOk;
  }

  if (src == nullptr) return DisplayResult::kInvalidParams;
  if (DisplayResult r = src->Usable("Blt from a dead surface"); r != DisplayResult::kOk) return r;
  if (src != this && (src->locked_ || src->dcOut_)) return DisplayResult::kSurfaceBusy;
  if (!SamePixelLayout(format_, src->format_)) return DisplayResult::kInvalidPixelFormat;
  Rect s = srcRect != nullptr ? *srcRect : Rect{0, 0, src->width_, src->height_};
  if (!InsideSize(s, src->width_, src->height_)) return DisplayResult::kInvalidRect;
  const bool keyed = (flags & kBltKeySrc) != 0;
  if (keyed && !src->hasKey_) return DisplayResult::kNoColorKey;
  if (visible.Empty()) return DisplayResult::kOk;

  // A copy within one surface reads from a snapshot, so overlapping rectangles stay exact.
  std::vector<uint8_t> snapshot;
  const uint8_t* srcPixels = src->Pixels();
  int32_t srcPitch = src->pitch_;
  if (src->storage_ == storage_) {
    snapshot.assign(Pixels(),
                    Pixels() + static_cast<size_t>(pitch_) * static_cast<size_t>(height_));
    srcPixels = snapshot.data();
  }
  const int64_t dw = d.Width(), dh = d.Height(), sw = s.Width(), sh = s.Height();
  for (int32_t y = visible.top; y < visible.bottom; ++y) {
    int32_t sy = s.top + static_cast<int32_t>((y - d.top) * sh / dh);
    const uint8_t* srow = srcPixels + static_cast<ptrdiff_t>(sy) * srcPitch;
    uint8_t* drow = Pixels() + static_cast<ptrdiff_t>(y) * pitch_;
    for (int32_t x = visible.left; x < visible.right; ++x) {
      int32_t sx = s.left + static_cast<int32_t>((x - d.left) * sw / dw);
      uint32_t v = ReadPixel(srow + sx * bpp, bpp);
      if (keyed && InKeyRange(v, src->key_)) continue;
      WritePixel(drow + x * bpp, bpp, v);
    }
  }
  AfterWrite();
  if (std::shared_ptr<Display> disp = display_.lock()) disp->PresentIfDue();
  return DisplayResult::kOk;
}

DisplayResult Surface::BltFast(int32_t x, int32_t y, Surface* src, const Rect* srcRect,
                               uint32_t flags) {
  if (DisplayResult r = Usable("BltFast on a dead surface"); r != DisplayResult::kOk) return r;
  if (locked_ || dcOut_) return DisplayResult::kSurfaceBusy;
  if (src == nullptr) return DisplayResult::kInvalidParams;
  if (DisplayResult r = src->Usable("BltFast from a dead surface"); r != DisplayResult::kOk) {
    return r;
  }
  if (src != this && (src->locked_ || src->dcOut_)) return DisplayResult::kSurfaceBusy;
  if (!SamePixelLayout(format_, src->format_)) return DisplayResult::kInvalidPixelFormat;
  Rect s = srcRect != nullptr ? *srcRect : Rect{0, 0, src->width_, src->height_};
  if (!InsideSize(s, src->width_, src->height_)) return DisplayResult::kInvalidRect;
  Rect d{x, y, x + s.Width(), y + s.Height()};
  if (!InsideSize(d, width_, height_)) return DisplayResult::kInvalidRect;
  const bool keyed = (flags & kBltFastSrcColorKey) != 0;
  if (keyed && !src->hasKey_) return DisplayResult::kNoColorKey;

  const int32_t bpp = static_cast<int32_t>(format_.bitCount / 8);
  const size_t rowBytes = static_cast<size_t>(s.Width() * bpp);
  std::vector<uint8_t> snapshot;
  const uint8_t* srcPixels = src->Pixels();
  if (src->storage_ == storage_) {
    snapshot.assign(Pixels(),
                    Pixels() + static_cast<size_t>(pitch_) * static_cast<size_t>(height_));
    srcPixels = snapshot.data();
  }
  for (int32_t row = 0; row < s.Height(); ++row) {
    const uint8_t* sp =
        srcPixels + static_cast<ptrdiff_t>(s.top + row) * src->pitch_ + s.left * bpp;
    uint8_t* dp = Pixels() + static_cast<ptrdiff_t>(y + row) * pitch_ + x * bpp;
    if (!keyed) {
      std::memcpy(dp, sp, rowBytes);
    } else if (bpp == 4) {
      KeyedRow32(dp, sp, s.Width(), src->key_);
    } else {
      for (int32_t i = 0; i < s.Width(); ++i) {
        uint32_t v = ReadPixel(sp + i * bpp, bpp);
        if (!InKeyRange(v, src->key_)) WritePixel(dp + i * bpp, bpp, v);
      }
    }
  }
  AfterWrite();
  if (std::shared_ptr<Display> disp = display_.lock()) disp->PresentIfDue();
  return DisplayResult::kOk;
}

DisplayResult Surface::Flip(uint32_t flags) {
  if (DisplayResult r = Usable("Flip on a dead surface"); r != DisplayResult::kOk) return r;
  if (chain_.empty()) return DisplayResult::kNotFlippable;
  if (locked_ || dcOut_) return DisplayResult::kSurfaceBusy;
  for (auto& back : chain_) {
    if (DisplayResult r = back->Usable("Flip onto a dead back buffer"); r != DisplayResult::kOk) {
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

DisplayResult Surface::GetDC(std::shared_ptr<DeviceContext>* out) {
  if (DisplayResult r = Usable("GetDC on a dead surface"); r != DisplayResult::kOk) return r;
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

// ---- device contexts ----

std::shared_ptr<DeviceContext> DeviceContext::ForBitmap(uint8_t* bits, int32_t width,
                                                        int32_t height, int32_t pitch,
                                                        const PixelFormat& format,
                                                        const PaletteEntry* palette) {
  if (bits == nullptr || width < 1 || height < 1) return nullptr;
  uint32_t bpp = format.bitCount / 8;
  if (bpp < 1 || bpp > 4 || format.bitCount % 8 != 0) return nullptr;
  if (pitch < width * static_cast<int32_t>(bpp) && -pitch < width * static_cast<int32_t>(bpp)) {
    return nullptr;
  }
  auto dc = std::make_shared<DeviceContext>();
  dc->bits_ = bits;
  dc->width_ = width;
  dc->height_ = height;
  dc->pitch_ = pitch;
  dc->format_ = format;
  dc->palette_ = palette;
  return dc;
}

bool BitBlt(DeviceContext* dest, int32_t x, int32_t y, int32_t w, int32_t h, DeviceContext* src,
            int32_t sx, int32_t sy) {
  if (dest == nullptr || src == nullptr || dest->released_ || src->released_ ||
      dest->bits_ == nullptr || src->bits_ == nullptr) {
    return false;
  }
  if (w <= 0 || h <= 0) return true;
  // Clip the pair of rectangles against both contexts, moving them together.
  int64_t x0 = x, y0 = y, sx0 = sx, sy0 = sy, ww = w, hh = h;
  if (x0 < 0) {
    sx0 -= x0;
    ww += x0;
    x0 = 0;
  }
  if (y0 < 0) {
    sy0 -= y0;
    hh += y0;
    y0 = 0;
  }
  if (sx0 < 0) {
    x0 -= sx0;
    ww += sx0;
    sx0 = 0;
  }
  if (sy0 < 0) {
    y0 -= sy0;
    hh += sy0;
    sy0 = 0;
  }
  ww = std::min({ww, int64_t{dest->width_} - x0, int64_t{src->width_} - sx0});
  hh = std::min({hh, int64_t{dest->height_} - y0, int64_t{src->height_} - sy0});
  if (ww <= 0 || hh <= 0) return true;

  const int sbpp = static_cast<int>(src->format_.bitCount / 8);
  const int dbpp = static_cast<int>(dest->format_.bitCount / 8);
  LayoutCodec from(src->format_, src->palette_);
  LayoutCodec to(dest->format_, dest->palette_);
  const bool same = SamePixelLayout(src->format_, dest->format_);
  std::vector<uint8_t> snapshot;  // the same pixels on both sides: read from a copy
  const uint8_t* sbits = src->bits_;
  if (src->bits_ == dest->bits_) {
    size_t bytes = static_cast<size_t>(std::abs(src->pitch_)) * static_cast<size_t>(src->height_);
    snapshot.assign(src->bits_, src->bits_ + bytes);
    sbits = snapshot.data();
  }
  for (int64_t row = 0; row < hh; ++row) {
    const uint8_t* sp = sbits + (sy0 + row) * src->pitch_ + sx0 * sbpp;
    uint8_t* dp = dest->bits_ + (y0 + row) * dest->pitch_ + x0 * dbpp;
    for (int64_t i = 0; i < ww; ++i) {
      uint32_t v = ReadPixel(sp + i * sbpp, sbpp);
      if (!same) v = to.Encode(from.Decode(v));
      WritePixel(dp + i * dbpp, dbpp, v);
    }
  }
  if (std::shared_ptr<Surface> written = dest->surface_.lock()) written->AfterWrite();
  return true;
}

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
  if ((caps & (kCapsTexture | kCapsZBuffer | kCapsBackBuffer | kCapsFrontBuffer)) != 0) {
    return DisplayResult::kInvalidCaps;
  }
  if ((caps & kCapsSystemMemory) != 0 && (caps & kCapsVideoMemory) != 0) {
    return DisplayResult::kInvalidCaps;
  }

  if ((caps & kCapsPrimary) == 0) {
    if ((caps & (kCapsFlip | kCapsComplex)) != 0) return DisplayResult::kInvalidCaps;
    if ((desc.flags & kDescWidth) == 0 || (desc.flags & kDescHeight) == 0) {
      return DisplayResult::kInvalidParams;
    }
    PixelFormat format = ModeFormat();
    if ((desc.flags & kDescPixelFormat) != 0) {
      if (!IsSupportedPixelFormat(desc.pixelFormat, false)) {
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

DisplayResult Display::GetScanLine(int32_t* line) const {
  if (!Alive("GetScanLine on a dead display")) return DisplayResult::kDeadObject;
  if (line == nullptr) return DisplayResult::kInvalidParams;
  *line = CurrentBeam().At(NowMicroseconds()).line;
  return DisplayResult::kOk;
}

DisplayResult Display::GetVerticalBlankStatus(bool* inBlank) {
  if (!Alive("GetVerticalBlankStatus on a dead display")) return DisplayResult::kDeadObject;
  if (inBlank == nullptr) return DisplayResult::kInvalidParams;
  *inBlank = CurrentBeam().At(NowMicroseconds()).inBlank;
  if (*inBlank) PresentIfDue();
  return DisplayResult::kOk;
}

DisplayResult Display::WaitForVerticalBlank(uint32_t flags) {
  if (!Alive("WaitForVerticalBlank on a dead display")) return DisplayResult::kDeadObject;
  const Beam& beam = CurrentBeam();
  int64_t now = NowMicroseconds();
  bool inBlank = beam.At(now).inBlank;
  if (flags == kWaitBlankBegin) {
    if (!inBlank) SleepMicroseconds(beam.NextBlankStart(now) - now);
  } else if (flags == kWaitBlankEnd) {
    int64_t end = inBlank ? beam.NextBlankEnd(now) : beam.NextBlankEnd(beam.NextBlankStart(now));
    SleepMicroseconds(end - now);
  } else {
    return DisplayResult::kInvalidParams;
  }
  PresentIfDue();
  return DisplayResult::kOk;
}

DisplayResult Display::QueryDirect3D() const {
  if (!Alive("QueryDirect3D on a dead display")) return DisplayResult::kDeadObject;
  return DisplayResult::kNoInterface;
}

DisplayResult Display::SimulateLoss() {
  if (!Alive("SimulateLoss on a dead display")) return DisplayResult::kDeadObject;
  for (auto& s : surfaces_) s->lost_ = true;
  if (host_ != nullptr) host_->QueueDeactivateActivate();
  return DisplayResult::kOk;
}

void Display::SetPresenter(std::unique_ptr<Presenter> presenter) {
  presenter_ = presenter != nullptr ? std::move(presenter) : MakeNullPresenter();
}

int64_t Display::CurrentFrame() const {
  return CurrentBeam().FrameIndex(NowMicroseconds());
}

void Display::MarkPrimaryChanged(const Surface* s) {
  if (s != nullptr && s == primary_) dirty_ = true;
}

void Display::PresentNow() {
  if (Alive("PresentNow on a dead display")) PresentIfDue(true);
}

void Display::PresentIfDue(bool evenInThisFrame) {
  if (!dirty_ || primary_ == nullptr || primary_->dead_ || primary_->lost_) return;
  int64_t frame = CurrentFrame();
  if (frame == lastPushFrame_ && !evenInThisFrame) return;

  const Surface& p = *primary_;
  Rect area{0, 0, p.width_, p.height_};
  if (primaryInWindow_ && host_ != nullptr) {
    Rect client;
    if (host_->ClientArea(&client) && !client.Empty()) area = client;
  }
  const int32_t bpp = static_cast<int32_t>(p.format_.bitCount / 8);
  const int32_t pitch = area.Width() * bpp;
  lastPicture_.assign(static_cast<size_t>(pitch) * static_cast<size_t>(area.Height()), 0);
  Rect inside = Intersect(area, Rect{0, 0, p.width_, p.height_});
  for (int32_t y = inside.top; y < inside.bottom; ++y) {
    std::memcpy(lastPicture_.data() + static_cast<ptrdiff_t>(y - area.top) * pitch +
                    (inside.left - area.left) * bpp,
                p.Pixels() + static_cast<ptrdiff_t>(y) * p.pitch_ + inside.left * bpp,
                static_cast<size_t>(inside.Width() * bpp));
  }
  lastInfo_ = PresentedPicture{};
  lastInfo_.width = area.Width();
  lastInfo_.height = area.Height();
  lastInfo_.pitch = pitch;
  lastInfo_.format = p.format_;
  lastInfo_.pixels = lastPicture_.data();
  if (p.palette_ != nullptr && !p.palette_->IsDead()) {
    std::copy(p.palette_->Entries(), p.palette_->Entries() + 256, lastPalette_);
  } else {
    for (PaletteEntry& e : lastPalette_) e = PaletteEntry{};
  }
  lastInfo_.palette = bpp == 1 ? lastPalette_ : nullptr;

  dirty_ = false;
  lastPushFrame_ = frame;
  ++presentCount_;
  presenter_->Show(lastInfo_);
  const uint64_t dumpAs = PresentHook() ? PresentHook()(presentCount_) : presentCount_;
  if (dumpAs > 0) DumpFrameIfListed(dumpAs, lastInfo_);
}

bool Display::LastPresentedRgb(int32_t* width, int32_t* height, std::vector<uint8_t>* rgb) const {
  if (presentCount_ == 0) return false;
  PresentedPicture pic = lastInfo_;
  pic.pixels = lastPicture_.data();
  pic.palette = pic.format.bitCount == 8 ? lastPalette_ : nullptr;
  *width = pic.width;
  *height = pic.height;
  *rgb = PictureToRgb(pic);
  return true;
}

}  // namespace platform
