// The display service: memory surfaces that the library draws into, a virtual 60 Hz display
// that paces flips and blank waits, and the hand-over of the visible picture to a presenter.
//
// The library was designed over a hardware display driver. This stand-in keeps only what the
// library relies on, with our own classes and result codes:
//   Display      one per screen set-up; owns every surface, clipper and palette made from it.
//                When it is released they die with it: any later call on them fails with
//                kDeadObject (and stops a debug build, see SetDisplayMisuseFatal).
//   Surface      pixels in 8-bit palette, 5:6:5, 5:5:5, 4:4:4 (16-bit), 24-bit (the desktop
//                and system-memory surfaces only) or X8R8G8B8 layout. Rows are padded to 16 bytes;
//                16 canary bytes sit before and after the pixels and are checked at every Unlock.
//                Lock/Unlock, colour fill, copy and nearest-neighbour stretch (Blt, clipped by an
//                attached clipper), unclipped same-format copies (BltFast), colour keys, flip
//                chains, loss and restore, and a device context for the converting GDI-style copy.
//   Clipper      bound to the main window: Blt into its surface stays inside the client area.
//   Palette      256 entries for 8-bit surfaces.
//   Direct3D     only when the configuration offers it (MORROW_D3D): the CPU reference device of
//                platform/device3d.h, with texture and depth-buffer surfaces in the formats it
//                lists. Otherwise QueryDirect3D answers kNoInterface and textures and depth
//                buffers are refused, as on a display without 3D hardware.
// Objects are counted like the driver objects they replace: Create* and GetAttachedSurface hand
// out one reference, Release drops one, and the object dies at zero. The C++ objects are held by
// shared_ptr, so a pointer kept after the death stays safe to call (and reports kDeadObject).
//
// Time: the beam runs 525 lines per 1/60 s with the blank from line 480, on the platform clock
// (platform/clock.h), so a fake clock makes blank waits and flips deterministic. Tests can
// install a scripted beam (platform/display_beam.h).
//
// Presentation: the primary surface (in a window: the desktop-sized surface, of which the main
// window's client area is shown; full screen: the front buffer of the flip chain) is handed to
// the presenter when it changed, at most once per virtual frame, on flips, blits into the
// primary and blank waits. Each hand-over is one "present": it is counted, goes to the frame
// dump (platform/frame_dump.h) and to the present hook.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rect.h"

namespace platform {

enum class DisplayResult : int {
  kOk = 0,
  kInvalidParams,       // null output, bad flags, a size of 0 or too large
  kInvalidRect,         // a rectangle empty, reversed or outside the surface
  kSurfaceBusy,         // the surface is locked or its device context is out
  kNotLocked,           // Unlock of a surface that is not locked
  kSurfaceLost,         // the surface lost its pixels; Restore brings it back
  kDeadObject,          // the object, or the display that owned it, was released
  kOutOfVideoMemory,    // the video memory budget cannot hold the surface
  kInvalidPixelFormat,  // a layout this display does not have, or a blit across two layouts
  kInvalidCaps,         // capability bits that cannot be honoured
  kNoExclusiveMode,     // display modes and flip chains need full-screen exclusive mode
  kPrimaryExists,       // a second primary surface
  kInvalidMode,         // a display mode this display cannot show
  kNoOverlayHardware,   // overlays do not exist here
  kNoInterface,         // the 3D interface does not exist here
  kNotFlippable,        // Flip on a surface that heads no flip chain
  kNotFound,            // no attached surface of that kind
  kNoColorKey,          // GetColorKey on a surface without one
  kOutOfMemory,         // the pixels of the surface cannot be had
  kSceneOpen,           // the surface is the render target of an open 3D scene
  kNoScene,             // a 3D scene call out of order (drawing outside a scene, nesting)
  kDeviceFault,         // the 3D device was told to fail this call (tests)
};

const char* DisplayResultName(DisplayResult r);

// A 32-byte pixel-format record.
struct PixelFormat {
  uint32_t size = 32;
  uint32_t flags = 0;
  uint32_t fourCC = 0;
  uint32_t bitCount = 0;
  uint32_t redMask = 0;
  uint32_t greenMask = 0;
  uint32_t blueMask = 0;
  uint32_t alphaMask = 0;
};
static_assert(sizeof(PixelFormat) == 32);

constexpr uint32_t kPixelAlphaPixels = 0x1;
constexpr uint32_t kPixelFourCC = 0x4;
constexpr uint32_t kPixelPalette8 = 0x20;
constexpr uint32_t kPixelRgb = 0x40;
constexpr uint32_t kPixelZBuffer = 0x400;

constexpr uint32_t MakeFourCC(char a, char b, char c, char d) {
  return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
         static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

// Layouts of a 16-bit display.
enum class Pixel16Layout { k565, k555, k444 };

PixelFormat RgbPixelFormat(uint32_t bits, uint32_t red, uint32_t green, uint32_t blue,
                           uint32_t alpha = 0);
PixelFormat Palette8PixelFormat();
// The display's layout for a depth: 8 palette, 16 by the layout, 24 R8G8B8, 32 X8R8G8B8.
PixelFormat PixelFormatForDepth(int bits, Pixel16Layout layout16);
// True for the layouts a surface of this display can have (24 bits only when allowDesktop24).
bool IsSupportedPixelFormat(const PixelFormat& f, bool allowDesktop24);
bool SamePixelLayout(const PixelFormat& a, const PixelFormat& b);

struct PaletteEntry {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t flags = 0;
};

// Surface capability bits.
constexpr uint32_t kCapsBackBuffer = 0x4;
constexpr uint32_t kCapsComplex = 0x8;
constexpr uint32_t kCapsFlip = 0x10;
constexpr uint32_t kCapsFrontBuffer = 0x20;
constexpr uint32_t kCapsOffscreenPlain = 0x40;
constexpr uint32_t kCapsOverlay = 0x80;
constexpr uint32_t kCapsPrimary = 0x200;
constexpr uint32_t kCapsSystemMemory = 0x800;
constexpr uint32_t kCapsTexture = 0x1000;
constexpr uint32_t kCaps3DDevice = 0x2000;
constexpr uint32_t kCapsVideoMemory = 0x4000;
constexpr uint32_t kCapsZBuffer = 0x20000;

// Which fields of a SurfaceDesc are given.
constexpr uint32_t kDescCaps = 0x1;
constexpr uint32_t kDescHeight = 0x2;
constexpr uint32_t kDescWidth = 0x4;
constexpr uint32_t kDescPitch = 0x8;
constexpr uint32_t kDescBackBufferCount = 0x20;
constexpr uint32_t kDescRefreshRate = 0x40000;
constexpr uint32_t kDescPixelFormat = 0x1000;

struct SurfaceDesc {
  uint32_t flags = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t pitch = 0;
  int32_t backBufferCount = 0;
  int32_t refreshRate = 0;
  uint32_t caps = 0;
  PixelFormat pixelFormat{};
};

// Blt flags.
constexpr uint32_t kBltColorFill = 0x400;
constexpr uint32_t kBltKeySrc = 0x8000;
constexpr uint32_t kBltWait = 0x1000000;
constexpr uint32_t kBltDepthFill = 0x2000000;
// BltFast flags.
constexpr uint32_t kBltFastNoColorKey = 0x0;
constexpr uint32_t kBltFastSrcColorKey = 0x1;
constexpr uint32_t kBltFastWait = 0x10;
// Flip flags.
constexpr uint32_t kFlipWait = 0x1;
constexpr uint32_t kFlipNoVsync = 0x8;
// Colour-key kinds.
constexpr uint32_t kColorKeySrcBlt = 0x8;
// Overlay updates.
constexpr uint32_t kOverlayHide = 0x200;
constexpr uint32_t kOverlayShow = 0x4000;
// Vertical-blank waits.
constexpr uint32_t kWaitBlankBegin = 0x1;
constexpr uint32_t kWaitBlankEnd = 0x4;
// Cooperative levels.
constexpr uint32_t kCoopFullscreen = 0x1;
constexpr uint32_t kCoopNormal = 0x8;
constexpr uint32_t kCoopExclusive = 0x10;

struct ColorKey {
  uint32_t low = 0;
  uint32_t high = 0;
};

struct BltFx {
  uint32_t fillColor = 0;
  uint32_t fillDepth = 0;
};

struct LockedRect {
  uint8_t* bits = nullptr;  // the top-left pixel of the locked rectangle
  int32_t pitch = 0;
  int32_t width = 0;
  int32_t height = 0;
  PixelFormat format{};
};

// The driver capability record, 380 bytes. This display reports every field as zero: no
// overlays, no hardware stretching.
struct DisplayCaps {
  uint32_t size = 0;
  uint32_t caps = 0;
  uint32_t caps2 = 0;
  uint32_t colorKeyCaps = 0;
  uint32_t videoMemoryTotal = 0;
  uint32_t videoMemoryFree = 0;
  uint32_t minOverlayStretch = 0;
  uint32_t maxOverlayStretch = 0;
  // Overlay rectangles: their left edges on multiples of the boundaries and their widths in
  // multiples of the sizes (0 or 1: no rule).
  uint32_t alignBoundarySrc = 0;
  uint32_t alignSizeSrc = 0;
  uint32_t alignBoundaryDest = 0;
  uint32_t alignSizeDest = 0;
  uint32_t reserved[83] = {};
};
static_assert(sizeof(DisplayCaps) == 380);

struct DeviceIdentifier {
  char driver[512] = {};
  char description[512] = {};
  uint64_t driverVersion = 0;  // four 16-bit parts, the most significant first
};

// What the display's 3D device offers (platform/device3d.h).
struct Direct3DConfig {
  bool offered = false;                     // false: no 3D interface at all
  bool hardwareOnly = false;                // the transform-and-lighting device is not listed
  bool noDevice = false;                    // only the software rasteriser is listed
  bool noDepth16 = false;                   // only the depth format with stencil is listed
  bool squareOnly = false;                  // textures must be square
  uint32_t minTextureSize = 1;              // reported as given; 0 reports no minimum
  uint32_t maxTextureSize = 2048;           // reported as given; 0 reports no maximum
  std::vector<PixelFormat> textureFormats;  // listed in order; empty: the standard six
  std::string failCall;  // tests: every device or Direct3D call of this name fails
};

// Where the display stands: the desktop, the 16-bit layout, the video memory budget and the 3D
// device.
struct DisplayConfig {
  int desktopWidth = 1024;
  int desktopHeight = 768;
  int desktopBits = 32;
  Pixel16Layout layout16 = Pixel16Layout::k565;
  int64_t videoMemoryBytes = 64ll << 20;
  Direct3DConfig direct3D;
};

// The desktop as given, with MORROW_PIXEL16 (565, 555 or 444), MORROW_VIDMEM (bytes) and
// MORROW_D3D read from the environment; a malformed value keeps the default and reports itself
// on stderr.
DisplayConfig DisplayConfigFromEnvironment(int desktopWidth, int desktopHeight, int desktopBits);
// Tests: every configuration DisplayConfigFromEnvironment makes passes through hook last (a 3D
// device that fails a call, or lists other texture formats). An empty hook removes it.
void SetDisplayConfigHook(std::function<void(DisplayConfig*)> hook);
// MORROW_D3D: unset or "off": not offered; else a comma list of "on", "hal", "nodevice", "noz",
// "square", "mintex=N" and "maxtex=N" (N 0 or a power of two up to 65536), any of which offers
// the device. False (and *out untouched) for a malformed value.
bool ParseDirect3DSetting(const std::string& value, Direct3DConfig* out);

// The largest surface the display makes; a larger one is kOutOfMemory, as a machine that cannot
// hold it would answer.
constexpr int64_t kMaxSurfaceBytes = int64_t{1} << 30;

// What the display needs from the window it serves.
class DisplayHost {
 public:
  virtual ~DisplayHost() = default;
  // The main window's client area in desktop coordinates; false when there is none.
  virtual bool ClientArea(Rect* out) = 0;
  // Queues a deactivation of the main window followed by its activation (the loss hook).
  virtual void QueueDeactivateActivate() = 0;
  // The mode in force changed (set, restored, or dropped with its display): the window is told,
  // as every window is told of a change of the display.
  virtual void DisplayChanged(int bitsPerPixel, int width, int height) {
    (void)bitsPerPixel;
    (void)width;
    (void)height;
  }
};

// One picture handed to the presenter; valid only during the call.
struct PresentedPicture {
  int32_t width = 0;
  int32_t height = 0;
  int32_t pitch = 0;
  PixelFormat format{};
  const uint8_t* pixels = nullptr;
  const PaletteEntry* palette = nullptr;  // 256 entries for 8-bit pictures, else null
};

class Presenter {
 public:
  virtual ~Presenter() = default;
  virtual void Show(const PresentedPicture& picture) = 0;
};

// A presenter that shows nothing: no video device.
std::unique_ptr<Presenter> MakeNullPresenter();

// Called after every present with the number of presents made so far (1 for the first). Its
// answer is the frame number the present is dumped as (platform/frame_dump.h), 0 for none;
// without a hook a present is dumped as its own number.
void SetPresentHook(std::function<uint64_t(uint64_t)> hook);

// Whether a call on a dead object or a damaged canary stops the process (default: in builds
// without NDEBUG). Tests that check the reported error turn it off.
void SetDisplayMisuseFatal(bool fatal);

class Display;
class Surface;
class Clipper;
class Palette;
class DeviceContext;
class Direct3D;
namespace display_internal {
struct SurfaceAccess;
}

// Reference counting shared by every display object.
class DisplayObject {
 public:
  virtual ~DisplayObject() = default;
  uint32_t AddRef();
  // Drops one reference; the object dies at zero. Returns the references left (0 when dead).
  uint32_t Release();
  bool IsDead() const { return dead_; }

 protected:
  // False (after reporting misuse) when the object is dead.
  bool Alive(const char* call) const;
  virtual void Die() = 0;
  uint32_t refs_ = 1;
  bool dead_ = false;
};

class Clipper : public DisplayObject {
 public:
  // Binds the clipper to a window (0 unbinds): blits are then kept inside its client area.
  DisplayResult SetWindow(uintptr_t window);
  DisplayResult GetWindow(uintptr_t* window) const;
  // The area blits are kept in: the bound window's client area, or everything when unbound.
  bool ClipArea(Rect* out) const;

 private:
  friend class Display;
  void Die() override;
  std::weak_ptr<Display> display_;
  uintptr_t window_ = 0;
};

class Palette : public DisplayObject {
 public:
  DisplayResult SetEntries(int start, int count, const PaletteEntry* entries);
  DisplayResult GetEntries(int start, int count, PaletteEntry* out) const;
  const PaletteEntry* Entries() const { return entries_; }

 private:
  friend class Display;
  void Die() override;
  PaletteEntry entries_[256] = {};
};

class Surface : public DisplayObject, public std::enable_shared_from_this<Surface> {
 public:
  // The whole surface (rect null) or a rectangle inside it. kSurfaceBusy when locked.
  DisplayResult Lock(const Rect* rect, LockedRect* out);
  DisplayResult Unlock();
  // Colour fill (kBltColorFill with fx->fillColor) or a copy from src (null rectangles mean the
  // whole surface), stretched to the destination by nearest pixel, skipping src's source key
  // with kBltKeySrc. An attached clipper clips the destination; without one a destination
  // outside the surface is kInvalidRect. Both surfaces must have the same layout. A depth
  // buffer takes kBltDepthFill with fx->fillDepth instead.
  DisplayResult Blt(const Rect* dest, Surface* src, const Rect* srcRect, uint32_t flags,
                    const BltFx* fx);
  // An unclipped, unstretched copy of srcRect (null: all of src) to (x, y), with or without
  // src's source key. Both surfaces must have the same layout.
  DisplayResult BltFast(int32_t x, int32_t y, Surface* src, const Rect* srcRect, uint32_t flags);
  // Shows the next back buffer: the pixels rotate through the chain. Waits for the blank
  // unless kFlipNoVsync. Only the head of a flip chain flips.
  DisplayResult Flip(uint32_t flags);
  // Shows (kOverlayShow) or hides (kOverlayHide) an overlay surface's srcRect at destRect of
  // dest. No overlay surface exists on this display: always kNoOverlayHardware.
  DisplayResult UpdateOverlay(const Rect* srcRect, Surface* dest, const Rect* destRect,
                              uint32_t flags);
  // The first back buffer of a chain head (one reference handed out).
  DisplayResult GetAttachedSurface(uint32_t caps, std::shared_ptr<Surface>* out);
  DisplayResult EnumAttachedSurfaces(
      const std::function<void(const std::shared_ptr<Surface>&)>& fn);
  // kColorKeySrcBlt only; key null removes it.
  DisplayResult SetColorKey(uint32_t kind, const ColorKey* key);
  DisplayResult GetColorKey(uint32_t kind, ColorKey* out) const;
  DisplayResult SetClipper(const std::shared_ptr<Clipper>& clipper);
  DisplayResult SetPalette(const std::shared_ptr<Palette>& palette);
  std::shared_ptr<Palette> GetPalette() const { return palette_; }
  std::shared_ptr<Clipper> GetClipper() const { return clipper_; }
  DisplayResult GetCaps(uint32_t* caps) const;
  DisplayResult GetSurfaceDesc(SurfaceDesc* out) const;
  DisplayResult GetPixelFormat(PixelFormat* out) const;
  // kSurfaceLost while lost, else kOk.
  DisplayResult IsLost() const;
  // Gives a lost surface its memory back, filled with garbage.
  DisplayResult Restore();
  // A device context over the pixels; the surface is busy until ReleaseDC.
  DisplayResult GetDC(std::shared_ptr<DeviceContext>* out);
  DisplayResult ReleaseDC(const std::shared_ptr<DeviceContext>& dc);

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int32_t pitch() const { return pitch_; }
  const PixelFormat& format() const { return format_; }
  // Both canaries are as written at creation.
  bool CanaryIntact() const;
  // Tests: the next Lock of this surface answers result instead of locking (once).
  void FailNextLock(DisplayResult result) { failNextLock_ = result; }
  // Tests: the locks granted so far.
  uint64_t LockCount() const { return lockCount_; }

 private:
  friend class Display;
  friend class DeviceContext;
  friend struct display_internal::SurfaceAccess;
  friend bool BitBlt(DeviceContext*, int32_t, int32_t, int32_t, int32_t, DeviceContext*, int32_t,
                     int32_t);
  void Die() override;
  uint8_t* Pixels() { return storage_ ? storage_->data() + kCanaryBytes : nullptr; }
  const uint8_t* Pixels() const { return storage_ ? storage_->data() + kCanaryBytes : nullptr; }
  DisplayResult Usable(const char* call) const;
  // Usable, and not the render target of an open 3D scene.
  DisplayResult Writable(const char* call) const;
  void AfterWrite();
  void FillGarbage();

  static constexpr int kCanaryBytes = 16;
  std::weak_ptr<Display> display_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t pitch_ = 0;
  uint32_t caps_ = 0;
  PixelFormat format_{};
  std::shared_ptr<std::vector<uint8_t>> storage_;  // canary, rows, canary; rotated by Flip
  bool locked_ = false;
  DisplayResult failNextLock_ = DisplayResult::kOk;
  uint64_t lockCount_ = 0;
  bool dcOut_ = false;
  bool lost_ = false;
  bool hasKey_ = false;
  ColorKey key_{};
  std::shared_ptr<Clipper> clipper_;
  std::shared_ptr<Palette> palette_;
  std::vector<std::shared_ptr<Surface>> chain_;  // the back buffers of a chain head
  Surface* head_ = nullptr;                      // the chain head of a back buffer
  int64_t videoBytes_ = 0;
  bool sceneOpen_ = false;  // the render target of an open 3D scene
};

// A GDI-style device context: a view of pixels that BitBlt reads and writes.
class DeviceContext {
 public:
  // A context over memory the caller owns (an image), for copies into surfaces.
  static std::shared_ptr<DeviceContext> ForBitmap(uint8_t* bits, int32_t width, int32_t height,
                                                  int32_t pitch, const PixelFormat& format,
                                                  const PaletteEntry* palette);
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  // Bits per pixel times planes, as a screen context reports its depth.
  int32_t BitsPerPixel() const { return static_cast<int32_t>(format_.bitCount); }

 private:
  friend class Surface;
  friend bool BitBlt(DeviceContext*, int32_t, int32_t, int32_t, int32_t, DeviceContext*, int32_t,
                     int32_t);
  uint8_t* bits_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t pitch_ = 0;
  PixelFormat format_{};
  const PaletteEntry* palette_ = nullptr;
  std::weak_ptr<Surface> surface_;
  bool released_ = false;
};

// Copies w x h pixels from (sx, sy) of src to (x, y) of dest, converting between layouts
// (channels widened or narrowed; into 8 bits the nearest palette entry). Clipped to both.
// False when a context is null or released.
bool BitBlt(DeviceContext* dest, int32_t x, int32_t y, int32_t w, int32_t h, DeviceContext* src,
            int32_t sx, int32_t sy);

class Display : public DisplayObject, public std::enable_shared_from_this<Display> {
 public:
  // A display over the given desktop; host may be null (no window).
  static std::shared_ptr<Display> Create(const DisplayConfig& config, DisplayHost* host);
  ~Display() override;

  DisplayResult SetCooperativeLevel(uintptr_t window, uint32_t flags);
  uint32_t CooperativeLevel() const { return coop_; }
  // 8, 16 or 32 bits at any size from 1 to 16384, refresh 0 or 60; exclusive mode only.
  DisplayResult SetDisplayMode(int32_t width, int32_t height, int32_t bits, int32_t refresh);
  DisplayResult RestoreDisplayMode();
  // The mode in force: the one set, else the desktop's.
  DisplayResult GetDisplayMode(SurfaceDesc* out) const;
  // Off-screen surfaces have sides of 1 to 65535 and at most kMaxSurfaceBytes of pixels.
  // Textures (kCapsTexture) and depth buffers (kCapsZBuffer) exist only where 3D is offered,
  // in a format the 3D device lists; a texture's sides must be powers of two within the
  // device's minimum and maximum (and equal on a square-only device).
  DisplayResult CreateSurface(const SurfaceDesc& desc, std::shared_ptr<Surface>* out);
  DisplayResult CreateClipper(std::shared_ptr<Clipper>* out);
  DisplayResult CreatePalette(const PaletteEntry* entries, std::shared_ptr<Palette>* out);
  // Zero-fills a record whose size field is right; kInvalidParams (record untouched) otherwise.
  DisplayResult GetCaps(DisplayCaps* driver, DisplayCaps* emulation) const;
  DisplayResult GetDeviceIdentifier(DeviceIdentifier* out) const;
  DisplayResult GetAvailableVidMem(uint32_t caps, int64_t* total, int64_t* free) const;
  DisplayResult GetScanLine(int32_t* line) const;
  // Polling the blank is a blank wait: a change of the primary may be presented.
  DisplayResult GetVerticalBlankStatus(bool* inBlank);
  DisplayResult WaitForVerticalBlank(uint32_t flags);
  // The 3D interface when the configuration offers one (a recorder set with
  // SetDirect3DRecorder wraps it); else kNoInterface.
  DisplayResult QueryDirect3D(std::shared_ptr<Direct3D>* out);
  int32_t DesktopBitsPerPixel() const { return config_.desktopBits; }
  const DisplayConfig& config() const { return config_; }

  // The loss hook: every surface is marked lost and the window gets a deactivate/activate pair.
  DisplayResult SimulateLoss();

  // Presentation. The presenter receives every present; the display keeps the last picture.
  void SetPresenter(std::unique_ptr<Presenter> presenter);
  uint64_t PresentCount() const { return presentCount_; }
  // True while a change of the primary waits for its present.
  bool PresentPending() const { return dirty_; }
  // Presents a pending change of the primary at once, even in the virtual frame of the last
  // present: a frame the library presents is one present, so that presents count frames.
  void PresentNow();
  // The last presented picture as 8-bit RGB rows (width * 3 bytes each); false before any.
  bool LastPresentedRgb(int32_t* width, int32_t* height, std::vector<uint8_t>* rgb) const;
  // The virtual frame number at the current time.
  int64_t CurrentFrame() const;

 private:
  friend class Surface;
  friend class Clipper;
  Display(const DisplayConfig& config, DisplayHost* host);
  void Die() override;
  DisplayResult Alloc(int32_t width, int32_t height, const PixelFormat& format, uint32_t caps,
                      bool mayUseVideo, std::shared_ptr<Surface>* out);
  DisplayResult Create3DSurface(const SurfaceDesc& desc, uint32_t caps,
                                std::shared_ptr<Surface>* out);
  void Forget(Surface* s);
  void MarkPrimaryChanged(const Surface* s);
  void PresentIfDue(bool evenInThisFrame = false);
  void AnnounceMode();
  PixelFormat ModeFormat() const;

  DisplayConfig config_;
  DisplayHost* host_;
  uint32_t coop_ = 0;
  bool modeSet_ = false;
  int32_t modeWidth_ = 0, modeHeight_ = 0, modeBits_ = 0, modeRefresh_ = 0;
  int64_t videoUsed_ = 0;
  std::vector<std::shared_ptr<Surface>> surfaces_;
  std::vector<std::shared_ptr<Clipper>> clippers_;
  std::vector<std::shared_ptr<Palette>> palettes_;
  Surface* primary_ = nullptr;
  bool primaryInWindow_ = false;
  bool dirty_ = false;
  int64_t lastPushFrame_ = -1;
  uint64_t presentCount_ = 0;
  std::unique_ptr<Presenter> presenter_;
  std::vector<uint8_t> lastPicture_;
  PresentedPicture lastInfo_{};
  PaletteEntry lastPalette_[256] = {};
};

}  // namespace platform
