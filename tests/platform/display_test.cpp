// The display stand-in: surfaces, locks, blits, flips, clippers, palettes, loss, presentation.
#include "platform/display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "platform/clock.h"
#include "platform/device3d.h"
#include "platform/display_beam.h"
#include "platform/display_internal.h"
#include "platform/frame_dump.h"
#include "platform/pixel_layout.h"

namespace {

using platform::Display;
using platform::DisplayResult;
using platform::PixelFormat;
using platform::Rect;
using platform::Surface;

class FakeHost : public platform::DisplayHost {
 public:
  bool ClientArea(Rect* out) override {
    if (!hasWindow) return false;
    *out = client;
    return true;
  }
  void QueueDeactivateActivate() override { ++pairs; }
  void DisplayChanged(int bits, int w, int h) override { changes.push_back({bits, w, h}); }
  Rect client{100, 50, 420, 290};
  std::vector<std::array<int, 3>> changes;
  bool hasWindow = true;
  int pairs = 0;
};

class RecordingPresenter : public platform::Presenter {
 public:
  explicit RecordingPresenter(std::vector<platform::PresentedPicture>* shown,
                              std::vector<std::vector<uint8_t>>* rgb)
      : shown_(shown), rgb_(rgb) {}
  void Show(const platform::PresentedPicture& p) override {
    shown_->push_back(p);
    rgb_->push_back(platform::PictureToRgb(p));
  }

 private:
  std::vector<platform::PresentedPicture>* shown_;
  std::vector<std::vector<uint8_t>>* rgb_;
};

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::InstallClock(&clock_);
    platform::SetDisplayMisuseFatal(false);
    config_.desktopWidth = 1024;
    config_.desktopHeight = 768;
    config_.desktopBits = 16;
    display_ = Display::Create(config_, &host_);
    display_->SetPresenter(std::make_unique<RecordingPresenter>(&shown_, &shownRgb_));
  }
  void TearDown() override {
    if (display_ != nullptr && !display_->IsDead()) display_->Release();
    display_.reset();
    platform::SetDisplayMisuseFatal(true);
    platform::InstallBeam(nullptr);
    platform::InstallClock(nullptr);
  }
  std::shared_ptr<Surface> Offscreen(int w, int h, uint32_t caps = 0,
                                     const PixelFormat* format = nullptr) {
    platform::SurfaceDesc d;
    d.flags = platform::kDescWidth | platform::kDescHeight | platform::kDescCaps;
    d.width = w;
    d.height = h;
    d.caps = platform::kCapsOffscreenPlain | caps;
    if (format != nullptr) {
      d.flags |= platform::kDescPixelFormat;
      d.pixelFormat = *format;
    }
    std::shared_ptr<Surface> s;
    EXPECT_EQ(display_->CreateSurface(d, &s), DisplayResult::kOk);
    return s;
  }
  std::shared_ptr<Surface> Primary(int backs = 0, DisplayResult expect = DisplayResult::kOk) {
    platform::SurfaceDesc d;
    d.flags = platform::kDescCaps;
    d.caps = platform::kCapsPrimary;
    if (backs > 0) {
      d.flags |= platform::kDescBackBufferCount;
      d.backBufferCount = backs;
      d.caps |= platform::kCapsFlip | platform::kCapsComplex;
    }
    std::shared_ptr<Surface> s;
    EXPECT_EQ(display_->CreateSurface(d, &s), expect);
    return s;
  }
  void FullScreen(int w, int h, int bits) {
    ASSERT_EQ(
        display_->SetCooperativeLevel(1, platform::kCoopFullscreen | platform::kCoopExclusive),
        DisplayResult::kOk);
    ASSERT_EQ(display_->SetDisplayMode(w, h, bits, 0), DisplayResult::kOk);
  }
  static uint32_t Pixel(Surface* s, int x, int y) {
    platform::LockedRect l;
    Rect r{x, y, x + 1, y + 1};
    EXPECT_EQ(s->Lock(&r, &l), DisplayResult::kOk);
    uint32_t v = platform::ReadPixel(l.bits, static_cast<int>(l.format.bitCount / 8));
    s->Unlock();
    return v;
  }
  static void Fill(Surface* s, uint32_t colour, const Rect* r = nullptr) {
    platform::BltFx fx;
    fx.fillColor = colour;
    EXPECT_EQ(s->Blt(r, nullptr, nullptr, platform::kBltColorFill, &fx), DisplayResult::kOk);
  }

  platform::FakeClock clock_{1000};
  platform::DisplayConfig config_;
  FakeHost host_;
  std::shared_ptr<Display> display_;
  std::vector<platform::PresentedPicture> shown_;
  std::vector<std::vector<uint8_t>> shownRgb_;
};

TEST_F(DisplayTest, PitchIsRowBytesRoundedTo16) {
  struct Case {
    int width;
    PixelFormat format;
    int pitch;
  } cases[] = {
      {1, platform::PixelFormatForDepth(16, platform::Pixel16Layout::k565), 16},
      {8, platform::PixelFormatForDepth(16, platform::Pixel16Layout::k555), 16},
      {9, platform::PixelFormatForDepth(16, platform::Pixel16Layout::k444), 32},
      {640, platform::PixelFormatForDepth(32, platform::Pixel16Layout::k565), 2560},
      {3, platform::PixelFormatForDepth(32, platform::Pixel16Layout::k565), 16},
      {17, platform::Palette8PixelFormat(), 32},
  };
  for (const Case& c : cases) {
    auto s = Offscreen(c.width, 3, 0, &c.format);
    ASSERT_NE(s, nullptr);
    platform::LockedRect l;
    ASSERT_EQ(s->Lock(nullptr, &l), DisplayResult::kOk);
    EXPECT_EQ(l.pitch, c.pitch) << c.width;
    EXPECT_EQ(s->pitch(), c.pitch);
    s->Unlock();
    s->Release();
  }
}

TEST_F(DisplayTest, CanaryCatchesAWritePastThePixels) {
  auto s = Offscreen(5, 4);
  platform::LockedRect l;
  ASSERT_EQ(s->Lock(nullptr, &l), DisplayResult::kOk);
  // Writing every row up to its pitch is fine; one byte past the last row is not.
  for (int y = 0; y < 4; ++y) std::memset(l.bits + y * l.pitch, 0x11, static_cast<size_t>(l.pitch));
  EXPECT_EQ(s->Unlock(), DisplayResult::kOk);
  EXPECT_TRUE(s->CanaryIntact());
  ASSERT_EQ(s->Lock(nullptr, &l), DisplayResult::kOk);
  l.bits[4 * l.pitch] = 0;
  EXPECT_EQ(s->Unlock(), DisplayResult::kOk);
  EXPECT_FALSE(s->CanaryIntact());
  ASSERT_EQ(s->Lock(nullptr, &l), DisplayResult::kOk);
  l.bits[-1] = 0;
  s->Unlock();
  EXPECT_FALSE(s->CanaryIntact());
  s->Release();
}

TEST_F(DisplayTest, DamagedCanaryStopsADebugRun) {
  platform::SetDisplayMisuseFatal(true);
  auto s = Offscreen(5, 4);
  platform::LockedRect l;
  ASSERT_EQ(s->Lock(nullptr, &l), DisplayResult::kOk);
  l.bits[4 * l.pitch + 3] = 0;
  EXPECT_DEATH(s->Unlock(), "outside the pixels");
  l.bits[4 * l.pitch + 3] = 0xCD;  // repaired, so this process ends the test quietly
  EXPECT_EQ(s->Unlock(), DisplayResult::kOk);
  s->Release();
}

TEST_F(DisplayTest, LocksAreExclusiveAndStayInside) {
  auto s = Offscreen(32, 16);
  struct Case {
    Rect rect;
    DisplayResult result;
  } cases[] = {
      {{0, 0, 32, 16}, DisplayResult::kOk},
      {{31, 15, 32, 16}, DisplayResult::kOk},
      {{0, 0, 33, 16}, DisplayResult::kInvalidRect},
      {{-1, 0, 4, 4}, DisplayResult::kInvalidRect},
      {{0, 15, 4, 17}, DisplayResult::kInvalidRect},
      {{4, 4, 4, 8}, DisplayResult::kInvalidRect},  // empty
      {{8, 4, 2, 8}, DisplayResult::kInvalidRect},  // reversed
  };
  for (const Case& c : cases) {
    platform::LockedRect l;
    EXPECT_EQ(s->Lock(&c.rect, &l), c.result)
        << c.rect.left << "," << c.rect.top << "," << c.rect.right << "," << c.rect.bottom;
    if (c.result == DisplayResult::kOk) {
      EXPECT_EQ(l.width, c.rect.Width());
      platform::LockedRect again;
      EXPECT_EQ(s->Lock(nullptr, &again), DisplayResult::kSurfaceBusy);
      EXPECT_EQ(s->Blt(nullptr, nullptr, nullptr, platform::kBltColorFill, nullptr),
                DisplayResult::kSurfaceBusy);
      std::shared_ptr<platform::DeviceContext> dc;
      EXPECT_EQ(s->GetDC(&dc), DisplayResult::kSurfaceBusy);
      EXPECT_EQ(s->Unlock(), DisplayResult::kOk);
    }
  }
  EXPECT_EQ(s->Unlock(), DisplayResult::kNotLocked);
  // The locked pointer points at the rectangle's first pixel.
  Fill(s.get(), 0);
  platform::LockedRect l;
  Rect r{3, 2, 5, 4};
  ASSERT_EQ(s->Lock(&r, &l), DisplayResult::kOk);
  platform::WritePixel(l.bits, 2, 0x1234);
  s->Unlock();
  EXPECT_EQ(Pixel(s.get(), 3, 2), 0x1234u);
  EXPECT_EQ(Pixel(s.get(), 2, 2), 0u);
  s->Release();
}

TEST_F(DisplayTest, BltFillsCopiesStretchesAndKeys) {
  auto dest = Offscreen(8, 8);
  auto src = Offscreen(4, 4);
  Fill(dest.get(), 0x1111);
  Fill(src.get(), 0x00FF);
  Rect corner{0, 0, 2, 2};
  Fill(src.get(), 0x0F0F, &corner);
  // Stretch 4x4 onto 8x8: every source pixel becomes a 2x2 block.
  ASSERT_EQ(dest->Blt(nullptr, src.get(), nullptr, 0, nullptr), DisplayResult::kOk);
  EXPECT_EQ(Pixel(dest.get(), 3, 3), 0x0F0Fu);
  EXPECT_EQ(Pixel(dest.get(), 4, 3), 0x00FFu);
  // With the source key 0x00FF only the corner arrives.
  Fill(dest.get(), 0x1111);
  platform::ColorKey key{0x00FF, 0x00FF};
  ASSERT_EQ(src->SetColorKey(platform::kColorKeySrcBlt, &key), DisplayResult::kOk);
  Rect to{4, 4, 8, 8};
  ASSERT_EQ(dest->Blt(&to, src.get(), nullptr, platform::kBltKeySrc | platform::kBltWait, nullptr),
            DisplayResult::kOk);
  EXPECT_EQ(Pixel(dest.get(), 4, 4), 0x0F0Fu);
  EXPECT_EQ(Pixel(dest.get(), 7, 7), 0x1111u);

  struct Case {
    const char* name;
    Rect dest, src;
    DisplayResult result;
  } cases[] = {
      {"dest outside", {6, 6, 10, 10}, {0, 0, 4, 4}, DisplayResult::kInvalidRect},
      {"dest reversed", {4, 4, 2, 2}, {0, 0, 4, 4}, DisplayResult::kInvalidRect},
      {"src outside", {0, 0, 4, 4}, {1, 1, 5, 5}, DisplayResult::kInvalidRect},
      {"src negative", {0, 0, 4, 4}, {-1, 0, 3, 4}, DisplayResult::kInvalidRect},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dest->Blt(&c.dest, src.get(), &c.src, 0, nullptr), c.result) << c.name;
  }
  PixelFormat x888 = platform::PixelFormatForDepth(32, platform::Pixel16Layout::k565);
  auto wide = Offscreen(4, 4, 0, &x888);
  EXPECT_EQ(dest->Blt(nullptr, wide.get(), nullptr, 0, nullptr),
            DisplayResult::kInvalidPixelFormat);
  EXPECT_EQ(dest->BltFast(0, 0, wide.get(), nullptr, 0), DisplayResult::kInvalidPixelFormat);
  EXPECT_TRUE(dest->CanaryIntact());
  wide->Release();
  src->Release();
  dest->Release();
}

TEST_F(DisplayTest, BltWithinOneSurfaceReadsTheOldPixels) {
  auto s = Offscreen(4, 1);
  for (int x = 0; x < 4; ++x) {
    Rect r{x, 0, x + 1, 1};
    Fill(s.get(), static_cast<uint32_t>(x + 1), &r);
  }
  Rect from{0, 0, 3, 1}, to{1, 0, 4, 1};
  ASSERT_EQ(s->Blt(&to, s.get(), &from, 0, nullptr), DisplayResult::kOk);
  EXPECT_EQ(Pixel(s.get(), 3, 0), 3u);
  ASSERT_EQ(s->BltFast(0, 0, s.get(), &to, 0), DisplayResult::kOk);
  EXPECT_EQ(Pixel(s.get(), 0, 0), 1u);
  EXPECT_EQ(Pixel(s.get(), 2, 0), 3u);
  s->Release();
}

TEST_F(DisplayTest, BltFastCopiesWithOrWithoutKeyAndNeverClips) {
  auto dest = Offscreen(6, 6);
  auto src = Offscreen(3, 3);
  Fill(dest.get(), 7);
  Fill(src.get(), 5);
  Rect mid{1, 1, 2, 2};
  Fill(src.get(), 9, &mid);
  platform::ColorKey key{5, 5};
  src->SetColorKey(platform::kColorKeySrcBlt, &key);
  struct Case {
    int x, y;
    uint32_t flags;
    DisplayResult result;
    uint32_t atCorner, atMiddle;
  } cases[] = {
      {3, 3, platform::kBltFastNoColorKey | platform::kBltFastWait, DisplayResult::kOk, 5, 9},
      {3, 3, platform::kBltFastSrcColorKey, DisplayResult::kOk, 7, 9},
      {4, 4, 0, DisplayResult::kInvalidRect, 7, 7},
      {-1, 0, 0, DisplayResult::kInvalidRect, 7, 7},
  };
  for (const Case& c : cases) {
    Fill(dest.get(), 7);
    EXPECT_EQ(dest->BltFast(c.x, c.y, src.get(), nullptr, c.flags), c.result) << c.x;
    EXPECT_EQ(Pixel(dest.get(), 3, 3), c.atCorner) << c.x << " flags " << c.flags;
    EXPECT_EQ(Pixel(dest.get(), 4, 4), c.atMiddle) << c.x;
  }
  src->SetColorKey(platform::kColorKeySrcBlt, nullptr);
  EXPECT_EQ(dest->BltFast(0, 0, src.get(), nullptr, platform::kBltFastSrcColorKey),
            DisplayResult::kNoColorKey);
  src->Release();
  dest->Release();
}

// An unscaled Blt (every windowed present) copies as BltFast does, with or without the key, in
// 16 and 32 bits.
TEST_F(DisplayTest, UnscaledBltMatchesBltFast) {
  PixelFormat x888 = platform::PixelFormatForDepth(32, platform::Pixel16Layout::k565);
  for (PixelFormat* format : {static_cast<PixelFormat*>(nullptr), &x888}) {
    for (bool keyed : {false, true}) {
      SCOPED_TRACE(testing::Message() << (format ? 32 : 16) << (keyed ? " keyed" : ""));
      auto src = Offscreen(5, 4, 0, format);
      auto a = Offscreen(9, 7, 0, format);
      auto b = Offscreen(9, 7, 0, format);
      for (int i = 0; i < 20; ++i) {
        Rect r{i % 5, i / 5, i % 5 + 1, i / 5 + 1};
        Fill(src.get(), static_cast<uint32_t>(i % 3 == 0 ? 0x22 : 0x100 + i), &r);
      }
      platform::ColorKey key{0x22, 0x22};
      src->SetColorKey(platform::kColorKeySrcBlt, &key);
      Fill(a.get(), 0x77);
      Fill(b.get(), 0x77);
      Rect from{1, 1, 5, 4}, to{3, 2, 7, 5};
      ASSERT_EQ(a->Blt(&to, src.get(), &from, keyed ? platform::kBltKeySrc : 0, nullptr),
                DisplayResult::kOk);
      ASSERT_EQ(b->BltFast(3, 2, src.get(), &from,
                           keyed ? platform::kBltFastSrcColorKey : platform::kBltFastNoColorKey),
                DisplayResult::kOk);
      for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x)
          EXPECT_EQ(Pixel(a.get(), x, y), Pixel(b.get(), x, y)) << x << "," << y;
      }
      src->Release();
      a->Release();
      b->Release();
    }
  }
}

TEST_F(DisplayTest, ClipperKeepsBlitsInsideTheClientArea) {
  auto primary = Primary();
  ASSERT_NE(primary, nullptr);
  EXPECT_EQ(primary->width(), 1024);  // a window's primary is the whole desktop
  std::shared_ptr<platform::Clipper> clipper;
  ASSERT_EQ(display_->CreateClipper(&clipper), DisplayResult::kOk);
  ASSERT_EQ(clipper->SetWindow(42), DisplayResult::kOk);
  ASSERT_EQ(primary->SetClipper(clipper), DisplayResult::kOk);
  host_.client = Rect{100, 50, 200, 150};
  Rect big{50, 0, 250, 400};  // larger than the client area, partly off nothing
  Fill(primary.get(), 0xABCD, &big);
  EXPECT_EQ(Pixel(primary.get(), 100, 50), 0xABCDu);
  EXPECT_EQ(Pixel(primary.get(), 199, 149), 0xABCDu);
  EXPECT_EQ(Pixel(primary.get(), 99, 60), 0u);
  EXPECT_EQ(Pixel(primary.get(), 150, 150), 0u);
  // With a clipper a destination beyond the surface is clipped, not refused.
  Rect beyond{-50, -50, 2000, 2000};
  Fill(primary.get(), 0x1111, &beyond);
  EXPECT_EQ(Pixel(primary.get(), 120, 60), 0x1111u);
  EXPECT_TRUE(primary->CanaryIntact());
  // Unbound, the clipper keeps only the surface's own edges.
  clipper->SetWindow(0);
  Fill(primary.get(), 0x2222, &beyond);
  EXPECT_EQ(Pixel(primary.get(), 0, 0), 0x2222u);
  EXPECT_TRUE(primary->CanaryIntact());
  primary->Release();
  clipper->Release();
}

TEST_F(DisplayTest, ObjectsDieWithTheirDisplay) {
  auto s = Offscreen(4, 4);
  std::shared_ptr<platform::Clipper> clipper;
  std::shared_ptr<platform::Palette> palette;
  display_->CreateClipper(&clipper);
  display_->CreatePalette(nullptr, &palette);
  EXPECT_EQ(display_->Release(), 0u);
  EXPECT_TRUE(display_->IsDead());
  platform::LockedRect l;
  platform::PaletteEntry e[1];
  struct Case {
    const char* name;
    DisplayResult result;
  } cases[] = {
      {"clipper", clipper->SetWindow(1)},
      {"palette", palette->GetEntries(0, 1, e)},
      {"lock", s->Lock(nullptr, &l)},
      {"blt", s->Blt(nullptr, nullptr, nullptr, platform::kBltColorFill, nullptr)},
      {"surface", display_->CreateSurface(platform::SurfaceDesc{}, &s)},
      {"mode", display_->SetDisplayMode(640, 480, 16, 0)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, DisplayResult::kDeadObject) << c.name;
  EXPECT_EQ(clipper->Release(), 0u);
  EXPECT_EQ(s->Release(), 0u);
}

TEST_F(DisplayTest, CallOnADeadClipperStopsADebugRun) {
  std::shared_ptr<platform::Clipper> clipper;
  display_->CreateClipper(&clipper);
  display_->Release();
  platform::SetDisplayMisuseFatal(true);
  EXPECT_DEATH(clipper->SetWindow(1), "dead clipper");
}

TEST_F(DisplayTest, ReleasedSurfaceReportsAndFreesItsVideoMemory) {
  int64_t total = 0, before = 0, after = 0;
  display_->GetAvailableVidMem(platform::kCapsVideoMemory, &total, &before);
  auto s = Offscreen(100, 10, platform::kCapsVideoMemory);
  display_->GetAvailableVidMem(platform::kCapsVideoMemory, nullptr, &after);
  EXPECT_EQ(before - after, 208 * 10);
  EXPECT_EQ(s->Release(), 0u);
  display_->GetAvailableVidMem(platform::kCapsVideoMemory, nullptr, &after);
  EXPECT_EQ(after, before);
  platform::LockedRect l;
  EXPECT_EQ(s->Lock(nullptr, &l), DisplayResult::kDeadObject);
}

TEST_F(DisplayTest, MemoryPlacementWithinTheBudget) {
  display_->Release();
  config_.videoMemoryBytes = 4096;
  display_ = Display::Create(config_, &host_);
  struct Case {
    uint32_t caps;
    DisplayResult result;
    uint32_t placed;
  } cases[] = {
      {0, DisplayResult::kOk, platform::kCapsVideoMemory},  // 32x32x2 = 2048 fits
      {platform::kCapsVideoMemory, DisplayResult::kOk, platform::kCapsVideoMemory},  // 4096 used
      {platform::kCapsVideoMemory, DisplayResult::kOutOfVideoMemory, 0},
      {0, DisplayResult::kOk, platform::kCapsSystemMemory},  // falls back
      {platform::kCapsSystemMemory, DisplayResult::kOk, platform::kCapsSystemMemory},
      {platform::kCapsSystemMemory | platform::kCapsVideoMemory, DisplayResult::kInvalidCaps, 0},
  };
  std::vector<std::shared_ptr<Surface>> made;
  for (const Case& c : cases) {
    platform::SurfaceDesc d;
    d.flags = platform::kDescWidth | platform::kDescHeight | platform::kDescCaps;
    d.width = d.height = 32;
    d.caps = platform::kCapsOffscreenPlain | c.caps;
    std::shared_ptr<Surface> s;
    EXPECT_EQ(display_->CreateSurface(d, &s), c.result) << c.caps;
    if (s == nullptr) continue;
    uint32_t caps = 0;
    s->GetCaps(&caps);
    EXPECT_EQ(caps & (platform::kCapsVideoMemory | platform::kCapsSystemMemory), c.placed);
    made.push_back(s);
  }
  for (auto& s : made) s->Release();
}

TEST_F(DisplayTest, SurfaceKindsAndFormats) {
  PixelFormat x888 = platform::PixelFormatForDepth(32, platform::Pixel16Layout::k565);
  PixelFormat rgb24 = platform::PixelFormatForDepth(24, platform::Pixel16Layout::k565);
  PixelFormat argb = platform::RgbPixelFormat(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
  PixelFormat yuy2{};
  yuy2.flags = platform::kPixelFourCC;
  yuy2.fourCC = platform::MakeFourCC('Y', 'U', 'Y', '2');
  struct Case {
    const char* name;
    uint32_t flags, caps;
    int width;
    PixelFormat format;
    DisplayResult result;
    int height = 4;
  } cases[] = {
      {"32-bit", platform::kDescPixelFormat, 0, 8, x888, DisplayResult::kOk},
      {"24-bit is the desktop's", platform::kDescPixelFormat, 0, 8, rgb24,
       DisplayResult::kInvalidPixelFormat},
      {"and system memory's", platform::kDescPixelFormat, platform::kCapsSystemMemory, 8, rgb24,
       DisplayResult::kOk},
      {"alpha layouts do not exist", platform::kDescPixelFormat, 0, 8, argb,
       DisplayResult::kInvalidPixelFormat},
      {"overlay", platform::kDescPixelFormat, platform::kCapsOverlay, 16, yuy2,
       DisplayResult::kNoOverlayHardware},
      {"texture", 0, platform::kCapsTexture, 8, x888, DisplayResult::kInvalidCaps},
      {"no size", 0, 0, 0, x888, DisplayResult::kInvalidParams},
      {"wider than any mode", 0, 0, 65535, x888, DisplayResult::kOk},
      {"too wide", 0, 0, 65536, x888, DisplayResult::kInvalidParams},
      {"too tall", 0, 0, 8, x888, DisplayResult::kInvalidParams, 65536},
      {"more pixels than a machine holds", 0, 0, 65535, x888, DisplayResult::kOutOfMemory, 65535},
  };
  for (const Case& c : cases) {
    platform::SurfaceDesc d;
    d.flags = platform::kDescCaps | c.flags |
              (c.width > 0 ? platform::kDescWidth | platform::kDescHeight : 0);
    d.width = c.width;
    d.height = c.height;
    d.caps = platform::kCapsOffscreenPlain | c.caps;
    d.pixelFormat = c.format;
    std::shared_ptr<Surface> s;
    EXPECT_EQ(display_->CreateSurface(d, &s), c.result) << c.name;
    if (s != nullptr) s->Release();
  }
}

TEST_F(DisplayTest, ModesNeedExclusiveLevel) {
  platform::SurfaceDesc mode;
  display_->GetDisplayMode(&mode);
  EXPECT_EQ(mode.width, 1024);
  EXPECT_EQ(mode.pixelFormat.bitCount, 16u);
  EXPECT_EQ(mode.pixelFormat.redMask, 0xF800u);
  EXPECT_EQ(display_->SetDisplayMode(640, 480, 16, 0), DisplayResult::kNoExclusiveMode);
  ASSERT_EQ(display_->SetCooperativeLevel(1, platform::kCoopFullscreen | platform::kCoopExclusive),
            DisplayResult::kOk);
  EXPECT_EQ(display_->SetCooperativeLevel(1, platform::kCoopFullscreen),
            DisplayResult::kInvalidParams);
  struct Case {
    int w, h, bits, refresh;
    DisplayResult result;
  } cases[] = {
      {640, 480, 16, 0, DisplayResult::kOk},
      {800, 600, 32, 60, DisplayResult::kOk},
      {123, 45, 8, 0, DisplayResult::kOk},
      {640, 480, 24, 0, DisplayResult::kInvalidMode},
      {640, 480, 16, 75, DisplayResult::kInvalidMode},
      {0, 480, 16, 0, DisplayResult::kInvalidMode},
      {640, 20000, 16, 0, DisplayResult::kInvalidMode},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(display_->SetDisplayMode(c.w, c.h, c.bits, c.refresh), c.result) << c.w << "x" << c.h;
  }
  display_->GetDisplayMode(&mode);
  EXPECT_EQ(mode.width, 123);
  EXPECT_EQ(mode.pixelFormat.bitCount, 8u);
  display_->RestoreDisplayMode();
  display_->GetDisplayMode(&mode);
  EXPECT_EQ(mode.width, 1024);
  // Each mode set and the return to the desktop are announced to the window; a restore with
  // no mode set is not a change.
  display_->RestoreDisplayMode();
  using Change = std::array<int, 3>;
  EXPECT_EQ(host_.changes,
            (std::vector<Change>{{16, 640, 480}, {32, 800, 600}, {8, 123, 45}, {16, 1024, 768}}));
  // A display released while its mode is in force gives the desktop back as well.
  display_->SetDisplayMode(320, 200, 32, 0);
  display_->Release();
  EXPECT_EQ(host_.changes.back(), (Change{16, 1024, 768}));
  EXPECT_EQ(host_.changes.size(), 6u);
}

TEST_F(DisplayTest, SixteenBitLayoutFollowsTheConfiguration) {
  struct Case {
    platform::Pixel16Layout layout;
    uint32_t red;
  } cases[] = {{platform::Pixel16Layout::k565, 0xF800},
               {platform::Pixel16Layout::k555, 0x7C00},
               {platform::Pixel16Layout::k444, 0x0F00}};
  for (const Case& c : cases) {
    config_.layout16 = c.layout;
    auto d = Display::Create(config_, nullptr);
    auto s = std::shared_ptr<Surface>();
    platform::SurfaceDesc desc;
    desc.flags = platform::kDescWidth | platform::kDescHeight;
    desc.width = desc.height = 2;
    ASSERT_EQ(d->CreateSurface(desc, &s), DisplayResult::kOk);
    EXPECT_EQ(s->format().redMask, c.red);
    d->Release();
  }
}

TEST_F(DisplayTest, PrimaryRules) {
  EXPECT_EQ(Primary(2, DisplayResult::kNoExclusiveMode), nullptr);
  auto p = Primary();
  EXPECT_EQ(Primary(0, DisplayResult::kPrimaryExists), nullptr);
  EXPECT_EQ(p->Flip(platform::kFlipNoVsync), DisplayResult::kNotFlippable);
  p->Release();
  // 24-bit desktops exist for the window's primary only.
  display_->Release();
  config_.desktopBits = 24;
  display_ = Display::Create(config_, &host_);
  p = Primary();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->format().bitCount, 24u);
  p->Release();
}

TEST_F(DisplayTest, FlipChainsRotateAndWaitForTheBlank) {
  FullScreen(320, 200, 16);
  auto front = Primary(2);
  ASSERT_NE(front, nullptr);
  EXPECT_EQ(front->width(), 320);
  std::shared_ptr<Surface> back;
  ASSERT_EQ(front->GetAttachedSurface(platform::kCapsBackBuffer, &back), DisplayResult::kOk);
  std::vector<std::shared_ptr<Surface>> chain;
  front->EnumAttachedSurfaces([&](const std::shared_ptr<Surface>& s) { chain.push_back(s); });
  ASSERT_EQ(chain.size(), 2u);
  EXPECT_EQ(chain[0], back);
  Fill(front.get(), 1);
  Fill(chain[0].get(), 2);
  Fill(chain[1].get(), 3);

  const platform::Beam& beam = platform::CurrentBeam();
  clock_.SetNow(1000);  // line 31: not in the blank
  ASSERT_EQ(front->Flip(platform::kFlipWait), DisplayResult::kOk);
  EXPECT_EQ(clock_.Peek(), beam.NextBlankStart(1000));
  EXPECT_TRUE(beam.At(clock_.Peek()).inBlank);
  EXPECT_EQ(Pixel(front.get(), 0, 0), 2u);
  EXPECT_EQ(Pixel(back.get(), 0, 0), 3u);
  EXPECT_EQ(Pixel(chain[1].get(), 0, 0), 1u);

  clock_.SetNow(20000);
  ASSERT_EQ(front->Flip(platform::kFlipWait | platform::kFlipNoVsync), DisplayResult::kOk);
  EXPECT_EQ(clock_.Peek(), 20000);
  EXPECT_EQ(Pixel(front.get(), 0, 0), 3u);

  // Releasing the handed-out back buffer leaves the chain whole; the head takes it along.
  EXPECT_EQ(back->Release(), 1u);
  EXPECT_EQ(front->Flip(platform::kFlipNoVsync), DisplayResult::kOk);
  EXPECT_EQ(front->Release(), 0u);
  EXPECT_TRUE(back->IsDead());
}

TEST_F(DisplayTest, LossHookMarksEverySurfaceAndRestoreFillsGarbage) {
  auto p = Primary();
  auto s = Offscreen(16, 16);
  Fill(s.get(), 0x5555);
  ASSERT_EQ(display_->SimulateLoss(), DisplayResult::kOk);
  EXPECT_EQ(host_.pairs, 1);
  EXPECT_EQ(p->IsLost(), DisplayResult::kSurfaceLost);
  EXPECT_EQ(s->IsLost(), DisplayResult::kSurfaceLost);
  platform::LockedRect l;
  EXPECT_EQ(s->Lock(nullptr, &l), DisplayResult::kSurfaceLost);
  EXPECT_EQ(s->Blt(nullptr, nullptr, nullptr, platform::kBltColorFill, nullptr),
            DisplayResult::kSurfaceLost);
  EXPECT_EQ(p->BltFast(0, 0, s.get(), nullptr, 0), DisplayResult::kSurfaceLost);
  ASSERT_EQ(s->Restore(), DisplayResult::kOk);
  EXPECT_EQ(s->IsLost(), DisplayResult::kOk);
  int same = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) same += Pixel(s.get(), x, y) == 0x5555u;
  EXPECT_LT(same, 4);
  EXPECT_TRUE(s->CanaryIntact());
  s->Release();
  p->Release();
}

TEST_F(DisplayTest, PaletteEntriesAndAttachment) {
  std::vector<platform::PaletteEntry> ramp(256);
  for (int i = 0; i < 256; ++i) ramp[static_cast<size_t>(i)] = {uint8_t(i), uint8_t(255 - i), 7, 0};
  std::shared_ptr<platform::Palette> pal;
  ASSERT_EQ(display_->CreatePalette(ramp.data(), &pal), DisplayResult::kOk);
  platform::PaletteEntry e[2];
  ASSERT_EQ(pal->GetEntries(10, 2, e), DisplayResult::kOk);
  EXPECT_EQ(e[1].red, 11);
  EXPECT_EQ(e[1].green, 244);
  EXPECT_EQ(pal->SetEntries(255, 2, e), DisplayResult::kInvalidParams);
  EXPECT_EQ(pal->GetEntries(-1, 1, e), DisplayResult::kInvalidParams);
  auto rgb = Offscreen(2, 2);
  EXPECT_EQ(rgb->SetPalette(pal), DisplayResult::kInvalidPixelFormat);
  PixelFormat p8 = platform::Palette8PixelFormat();
  auto indexed = Offscreen(2, 2, 0, &p8);
  EXPECT_EQ(indexed->SetPalette(pal), DisplayResult::kOk);
  EXPECT_EQ(indexed->GetPalette(), pal);
  indexed->Release();
  rgb->Release();
  pal->Release();
}

TEST_F(DisplayTest, DeviceContextCopiesConvert) {
  PixelFormat x888 = platform::PixelFormatForDepth(32, platform::Pixel16Layout::k565);
  auto s = Offscreen(4, 2, 0, &x888);
  Fill(s.get(), 0);
  // A 5:6:5 bitmap of the caller's, white and pure red.
  uint16_t bits[2 * 2] = {0xFFFF, 0xF800, 0x001F, 0x07E0};
  auto src = platform::DeviceContext::ForBitmap(
      reinterpret_cast<uint8_t*>(bits), 2, 2, 4,
      platform::PixelFormatForDepth(16, platform::Pixel16Layout::k565), nullptr);
  ASSERT_NE(src, nullptr);
  std::shared_ptr<platform::DeviceContext> dc;
  ASSERT_EQ(s->GetDC(&dc), DisplayResult::kOk);
  EXPECT_EQ(dc->BitsPerPixel(), 32);
  platform::LockedRect l;
  EXPECT_EQ(s->Lock(nullptr, &l), DisplayResult::kSurfaceBusy);
  // Placed at (3, 1): only the top-left source pixel fits.
  EXPECT_TRUE(platform::BitBlt(dc.get(), 3, 1, 2, 2, src.get(), 0, 0));
  EXPECT_TRUE(platform::BitBlt(dc.get(), 0, 0, 2, 2, src.get(), 0, 0));
  ASSERT_EQ(s->ReleaseDC(dc), DisplayResult::kOk);
  EXPECT_FALSE(platform::BitBlt(dc.get(), 0, 0, 1, 1, src.get(), 0, 0));  // released
  EXPECT_EQ(Pixel(s.get(), 3, 1), 0x00FFFFFFu);
  EXPECT_EQ(Pixel(s.get(), 1, 0), 0x00FF0000u);
  EXPECT_EQ(Pixel(s.get(), 0, 1), 0x000000FFu);
  EXPECT_EQ(Pixel(s.get(), 1, 1), 0x0000FF00u);
  EXPECT_EQ(Pixel(s.get(), 2, 0), 0u);
  EXPECT_TRUE(s->CanaryIntact());

  // Into 8 bits: the nearest palette entry, the first of equal distance.
  platform::PaletteEntry pal[256] = {};
  pal[1] = {255, 0, 0, 0};
  pal[2] = {250, 0, 0, 0};
  pal[3] = {255, 255, 255, 0};
  pal[4] = {255, 255, 255, 0};
  uint8_t indexed[2] = {9, 9};
  auto dest8 =
      platform::DeviceContext::ForBitmap(indexed, 2, 1, 2, platform::Palette8PixelFormat(), pal);
  EXPECT_TRUE(platform::BitBlt(dest8.get(), 0, 0, 2, 1, src.get(), 0, 0));
  EXPECT_EQ(indexed[0], 3);
  EXPECT_EQ(indexed[1], 1);
  s->Release();
}

TEST_F(DisplayTest, CapsIdentifierAndThe3DRefusal) {
  platform::DisplayCaps caps;
  caps.caps = 77;
  EXPECT_EQ(display_->GetCaps(&caps, nullptr), DisplayResult::kInvalidParams);  // size not set
  EXPECT_EQ(caps.caps, 77u);
  caps.size = sizeof(caps);
  ASSERT_EQ(display_->GetCaps(&caps, nullptr), DisplayResult::kOk);
  EXPECT_EQ(caps.caps, 0u);
  EXPECT_EQ(caps.minOverlayStretch, 0u);
  platform::DeviceIdentifier id;
  ASSERT_EQ(display_->GetDeviceIdentifier(&id), DisplayResult::kOk);
  EXPECT_STRNE(id.driver, "");
  std::shared_ptr<platform::Direct3D> d3d;
  EXPECT_EQ(display_->QueryDirect3D(&d3d), DisplayResult::kNoInterface);
  EXPECT_EQ(d3d, nullptr);
  int64_t total = 0;
  display_->GetAvailableVidMem(0, &total, nullptr);
  EXPECT_EQ(total, 64ll << 20);
  EXPECT_EQ(display_->DesktopBitsPerPixel(), 16);
}

TEST_F(DisplayTest, PresentNowDoesNotWaitForTheNextFrame) {
  auto p = Primary();
  host_.client = Rect{0, 0, 4, 2};
  clock_.SetNow(100);
  Rect inside{0, 0, 4, 2};
  Fill(p.get(), 0xF800, &inside);
  ASSERT_EQ(shown_.size(), 1u);
  Fill(p.get(), 0x001F, &inside);
  EXPECT_EQ(shown_.size(), 1u) << "an ordinary change waits for the next frame";
  display_->PresentNow();
  ASSERT_EQ(shown_.size(), 2u);
  EXPECT_EQ(shownRgb_[1][2], 255);
  EXPECT_EQ(display_->PresentCount(), 2u);
  EXPECT_FALSE(display_->PresentPending());
  // Nothing pending: nothing presented.
  display_->PresentNow();
  EXPECT_EQ(shown_.size(), 2u);
  p->Release();
}

TEST_F(DisplayTest, PrimaryReachesThePresenterOncePerFrame) {
  uint64_t hooked = 0;
  platform::SetPresentHook([&](uint64_t n) {
    hooked = n;
    return n;
  });
  auto p = Primary();
  host_.client = Rect{100, 50, 104, 52};
  clock_.SetNow(100);
  Rect inside{100, 50, 104, 52};
  Fill(p.get(), 0xF800, &inside);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].width, 4);
  EXPECT_EQ(shown_[0].height, 2);
  EXPECT_EQ(shownRgb_[0][0], 255);  // red, widened
  EXPECT_EQ(hooked, 1u);
  // The same frame: the change waits.
  Fill(p.get(), 0x001F, &inside);
  EXPECT_EQ(shown_.size(), 1u);
  // A blank wait in a later frame brings it.
  clock_.SetNow(17000);
  ASSERT_EQ(display_->WaitForVerticalBlank(platform::kWaitBlankBegin), DisplayResult::kOk);
  ASSERT_EQ(shown_.size(), 2u);
  EXPECT_EQ(shownRgb_[1][2], 255);  // blue
  EXPECT_EQ(display_->PresentCount(), 2u);
  // Nothing changed: nothing shown.
  clock_.SetNow(40000);
  display_->WaitForVerticalBlank(platform::kWaitBlankBegin);
  EXPECT_EQ(shown_.size(), 2u);
  // Writes outside the primary are not presents.
  auto other = Offscreen(4, 4);
  clock_.SetNow(60000);
  Fill(other.get(), 1);
  EXPECT_EQ(shown_.size(), 2u);
  int32_t w = 0, h = 0;
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(display_->LastPresentedRgb(&w, &h, &rgb));
  EXPECT_EQ(w, 4);
  EXPECT_EQ(rgb[2], 255);
  platform::SetPresentHook(nullptr);
  other->Release();
  p->Release();
}

TEST_F(DisplayTest, PresentedWindowPartOffTheDesktopIsBlack) {
  auto p = Primary();
  host_.client = Rect{1022, 10, 1026, 11};
  Fill(p.get(), 0xFFFF);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].width, 4);
  EXPECT_EQ(std::vector<uint8_t>(shownRgb_[0].begin(), shownRgb_[0].begin() + 12),
            std::vector<uint8_t>({255, 255, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0}));
  p->Release();
}

TEST(DisplayBeam, VirtualBeamRunsSixtyFramesOf525Lines) {
  platform::VirtualBeam beam;
  struct Case {
    int64_t us;
    int line;
    bool blank;
    int64_t frame;
  } cases[] = {
      {0, 0, false, 0},       {31, 0, false, 0},       {32, 1, false, 0},
      {15238, 479, false, 0}, {15239, 480, true, 0},   {16666, 524, true, 0},
      {16667, 0, false, 1},   {1000000, 0, false, 60}, {-1, 524, true, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(beam.At(c.us).line, c.line) << c.us;
    EXPECT_EQ(beam.At(c.us).inBlank, c.blank) << c.us;
    EXPECT_EQ(beam.FrameIndex(c.us), c.frame) << c.us;
  }
  EXPECT_EQ(beam.NextBlankStart(0), 15239);
  EXPECT_EQ(beam.NextBlankStart(15239), 31905);  // line 1005 = 1005 * 2000 / 63, rounded up
  EXPECT_EQ(beam.NextBlankStart(16000), 31905);
  EXPECT_EQ(beam.NextBlankEnd(16000), 16667);
  EXPECT_EQ(beam.NextBlankEnd(100), 16667);
}

TEST(DisplayBeam, ScriptedBeamUsesTheGivenFrameLengths) {
  platform::ScriptedBeam beam({10000, 20000}, 500, 2000);
  struct Case {
    int64_t us;
    int line;
    bool blank;
    int64_t frame;
  } cases[] = {
      {500, 0, false, 0},    {4500, 240, false, 0}, {8499, 479, false, 0},  {8500, 480, true, 0},
      {10499, 524, true, 0}, {10500, 0, false, 1},  {28499, 479, false, 1}, {28500, 480, true, 1},
      {30500, 0, false, 2},  {499, 524, true, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(beam.At(c.us).line, c.line) << c.us;
    EXPECT_EQ(beam.At(c.us).inBlank, c.blank) << c.us;
    EXPECT_EQ(beam.FrameIndex(c.us), c.frame) << c.us;
  }
  // Blanks begin one frame length apart.
  EXPECT_EQ(beam.NextBlankStart(500), 8500);
  EXPECT_EQ(beam.NextBlankStart(8500), 28500);
  EXPECT_EQ(beam.NextBlankStart(28500), 38500);
  EXPECT_EQ(beam.NextBlankEnd(12000), 30500);
}

TEST(DisplayConfigTest, EnvironmentSettings) {
  struct Case {
    const char* pixel16;
    const char* vidmem;
    platform::Pixel16Layout layout;
    int64_t bytes;
  } cases[] = {
      {nullptr, nullptr, platform::Pixel16Layout::k565, 64ll << 20},
      {"555", "1048576", platform::Pixel16Layout::k555, 1048576},
      {"444", "0", platform::Pixel16Layout::k444, 0},
      {"565x", "lots", platform::Pixel16Layout::k565, 64ll << 20},
      {"", "-5", platform::Pixel16Layout::k565, 64ll << 20},
  };
  for (const Case& c : cases) {
    if (c.pixel16 != nullptr)
      setenv("MORROW_PIXEL16", c.pixel16, 1);
    else
      unsetenv("MORROW_PIXEL16");
    if (c.vidmem != nullptr)
      setenv("MORROW_VIDMEM", c.vidmem, 1);
    else
      unsetenv("MORROW_VIDMEM");
    platform::DisplayConfig d = platform::DisplayConfigFromEnvironment(800, 600, 32);
    EXPECT_EQ(d.layout16, c.layout) << (c.pixel16 ? c.pixel16 : "unset");
    EXPECT_EQ(d.videoMemoryBytes, c.bytes) << (c.vidmem ? c.vidmem : "unset");
    EXPECT_EQ(d.desktopWidth, 800);
  }
  unsetenv("MORROW_PIXEL16");
  unsetenv("MORROW_VIDMEM");
}

// The keyed copy's rows give the same pixels on every vector form the processor has: seeded
// rectangles of 0 to 40 pixels a row between rows left alone, single keys and key ranges,
// sources full of keyed pixels. Pixels between the rows are never touched.
TEST(KeyedRows, EveryVectorFormCopiesWhatTheScalarOneCopies) {
  std::vector<platform::VectorSupport> levels = {{true, false}};
  if (__builtin_cpu_supports("avx2") != 0) levels.push_back({true, true});
  std::mt19937 rng(4242);
  constexpr ptrdiff_t kPitch = 48 * 4;
  for (int draw = 0; draw < 300; ++draw) {
    const int width = static_cast<int>(rng() % 41), height = 1 + static_cast<int>(rng() % 6);
    const uint32_t low = rng() % 8 == 0 ? 0 : static_cast<uint32_t>(rng() % 4);
    const uint32_t high = rng() % 3 == 0 ? low + static_cast<uint32_t>(rng() % 3) : low;
    const platform::ColorKey key{low, high};
    std::vector<uint8_t> src(static_cast<size_t>(kPitch) * height);
    for (size_t i = 0; i < src.size(); i += 4) {
      const uint32_t v = rng() % 2 == 0 ? rng() % 5 : static_cast<uint32_t>(rng());
      std::memcpy(&src[i], &v, 4);
    }
    std::vector<uint8_t> start(src.size());
    for (uint8_t& b : start) b = static_cast<uint8_t>(rng());
    std::vector<uint8_t> want = start;
    platform::display_internal::KeyedRows32(want.data(), kPitch, src.data(), kPitch, width, height,
                                            key, platform::VectorSupport{});
    for (int y = 0; y < height; ++y) {
      const ptrdiff_t row = kPitch * y;
      for (ptrdiff_t i = 0; i < int64_t{width} * 4; i += 4) {
        uint32_t v, was, d;
        std::memcpy(&v, &src[row + i], 4);
        std::memcpy(&was, &start[row + i], 4);
        std::memcpy(&d, &want[row + i], 4);
        EXPECT_EQ(d, v - key.low <= key.high - key.low ? was : v);
      }
      ASSERT_TRUE(std::equal(want.begin() + row + width * 4, want.begin() + row + kPitch,
                             start.begin() + row + width * 4));
    }
    for (const platform::VectorSupport& level : levels) {
      std::vector<uint8_t> got = start;
      platform::display_internal::KeyedRows32(got.data(), kPitch, src.data(), kPitch, width, height,
                                              key, level);
      ASSERT_EQ(got, want) << "draw " << draw << (level.avx2 ? " avx2" : " sse2");
    }
  }
}

}  // namespace
