// The display's common ground: result names, pixel formats, the settings read from the
// environment, the misuse report, reference counting, clippers and palettes. The surfaces, the
// copies, the display itself and the presentation are in display_*.cpp.
#include "platform/display.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/display_internal.h"
#include "platform/env.h"

namespace platform {
namespace {

#ifdef NDEBUG
bool g_misuseFatal = false;
#else
bool g_misuseFatal = true;
#endif

std::function<void(DisplayConfig*)> g_configHook;

}  // namespace

void display_internal::Misuse(const char* what) {
  std::fprintf(stderr, "display: %s\n", what);
  if (g_misuseFatal) std::abort();
}

using display_internal::Misuse;

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
    case DisplayResult::kSceneOpen:
      return "scene open";
    case DisplayResult::kNoScene:
      return "no scene";
    case DisplayResult::kDeviceFault:
      return "device fault";
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
  if (auto v = EnvSetting("MORROW_D3D")) {
    if (!ParseDirect3DSetting(*v, &c.direct3D)) {
      ReportBadSetting("MORROW_D3D", *v,
                       "off, or a comma list of on, hal, nodevice, noz, square, mintex=N, "
                       "maxtex=N");
    }
  }
  if (g_configHook) g_configHook(&c);
  return c;
}

void SetDisplayConfigHook(std::function<void(DisplayConfig*)> hook) {
  g_configHook = std::move(hook);
}

namespace {

// A texture size limit: 0, or a power of two up to 65536.
bool ParseTextureLimit(const std::string& text, uint32_t* out) {
  if (text.empty() || text.size() > 5) return false;
  uint32_t v = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return false;
    v = v * 10 + static_cast<uint32_t>(ch - '0');
  }
  if (v > 65536 || (v & (v - 1)) != 0) return false;
  *out = v;
  return true;
}

}  // namespace

bool ParseDirect3DSetting(const std::string& value, Direct3DConfig* out) {
  if (value == "off") {
    *out = Direct3DConfig{};
    return true;
  }
  Direct3DConfig c;
  c.offered = true;
  size_t start = 0;
  for (;;) {
    const size_t comma = value.find(',', start);
    const std::string item =
        value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (item == "on") {
    } else if (item == "hal") {
      c.hardwareOnly = true;
    } else if (item == "nodevice") {
      c.noDevice = true;
    } else if (item == "noz") {
      c.noDepth16 = true;
    } else if (item == "square") {
      c.squareOnly = true;
    } else if (item.rfind("mintex=", 0) == 0) {
      if (!ParseTextureLimit(item.substr(7), &c.minTextureSize)) return false;
    } else if (item.rfind("maxtex=", 0) == 0) {
      if (!ParseTextureLimit(item.substr(7), &c.maxTextureSize)) return false;
    } else {
      return false;
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  *out = c;
  return true;
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

}  // namespace platform
