// Surfaces on a started library: where they are made, their alpha buffer and colour key, locks
// and their nesting, fills, loss, the texture and depth-buffer paths without a 3D device, full
// tables and bad handles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/graphics/record_memory.h"
#include "tests/morrow/graphics/graphics_fixture.h"

namespace {

using morrow::ResourceHandle;
using morrow::SurfaceFlags;

class Surfaces : public testsupport::GraphicsFixture {
 protected:
  static ResourceHandle Make(int w, int h, SurfaceFlags flags, uint32_t key = 0) {
    return morrow::AddSurface(1, static_cast<uint16_t>(w), static_cast<uint16_t>(h), key, &flags);
  }
};

struct PlaceCase {
  const char* name;
  int width;
  uint8_t systemMemory;
  const char* vidmem;  // MORROW_VIDMEM, null = default
  uint8_t inSystem;    // expected
};

class SurfacePlace : public Surfaces, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(SurfacePlace, LiesWhereAskedOrWhereItFits) {
  const PlaceCase& c = GetParam();
  if (c.vidmem != nullptr) setenv("MORROW_VIDMEM", c.vidmem, 1);
  Start(1, 16, 16);
  SurfaceFlags f{};
  f.systemMemory = c.systemMemory;
  f.bitDepth = 16;
  const ResourceHandle s = Make(c.width, 4, f);
  morrow::SurfaceRecord* r = morrow::GetSurfaceRecord(s);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->flags.systemMemory, c.inSystem);
  EXPECT_EQ(r->flags.drawValid, 1);
  uint32_t caps = 0;
  r->surface->GetCaps(&caps);
  EXPECT_EQ((caps & platform::kCapsSystemMemory) != 0, c.inSystem == 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SurfacePlace,
    ::testing::Values(PlaceCase{"VideoMemory", 640, 0, nullptr, 0},
                      PlaceCase{"AskedForSystemMemory", 64, 1, nullptr, 1},
                      PlaceCase{"WiderThanTheScreen", 641, 0, nullptr, 1},
                      // The video memory is used up: the retry goes to system memory.
                      PlaceCase{"NoVideoMemoryLeft", 64, 0, "1", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Surfaces, AlphaBufferIsZeroFilledAndOneBytePerPixel) {
  Start(1, 16);
  SurfaceFlags f{};
  f.alphaChannel = 1;
  const ResourceHandle s = Make(13, 5, f);
  morrow::SurfaceRecord* r = morrow::GetSurfaceRecord(s);
  ASSERT_NE(r->alphaBuffer, nullptr);
  EXPECT_EQ(r->alphaPitch, 13u);
  for (int i = 0; i < 13 * 5; ++i) EXPECT_EQ(r->alphaBuffer[i], 0) << i;
  EXPECT_EQ(morrow::ReleaseSurfaceObject(s), 0);
  EXPECT_EQ(r->alphaBuffer, nullptr);
  EXPECT_EQ(r->surface, nullptr);
  EXPECT_EQ(morrow::CreateSurfaceObject(s), 0);
  EXPECT_NE(r->alphaBuffer, nullptr);
}

struct KeyCase {
  const char* name;
  int window, depth;
  uint32_t key;
};

class SurfaceKey : public Surfaces, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(SurfaceKey, IsTheKeyColourInTheScreenFormat) {
  const KeyCase& c = GetParam();
  Start(c.window, c.depth, 16);
  SurfaceFlags f{};
  f.bitDepth = static_cast<uint8_t>(morrow::GetScreenBitDepth());
  const ResourceHandle s = Make(4, 4, f, c.key);
  platform::ColorKey key;
  ASSERT_EQ(morrow::GetSurfaceRecord(s)->surface->GetColorKey(platform::kColorKeySrcBlt, &key),
            platform::DisplayResult::kOk);
  const uint32_t want =
      c.depth == 8 ? 0
                   : morrow::PackScreenColor((c.key >> 16) & 255, (c.key >> 8) & 255, c.key & 255);
  EXPECT_EQ(key.low, want);
  EXPECT_EQ(key.high, want);
}

INSTANTIATE_TEST_SUITE_P(Cases, SurfaceKey,
                         ::testing::Values(KeyCase{"Green16", 1, 16, 0x00FF00},
                                           KeyCase{"Odd16", 1, 16, 0x123456},
                                           KeyCase{"Magenta32", 0, 32, 0xFF00FF},
                                           KeyCase{"EightBitsIsZero", 0, 8, 0x00FF00}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Surfaces, NestedLocksNeedAsManyUnlocks) {
  Start(1, 16);
  const ResourceHandle s = Make(16, 16, SurfaceFlags{});
  platform::Surface* display = morrow::GetSurfaceRecord(s)->surface.get();
  int pitch = 0, pitch2 = 0;
  void* pixels = nullptr;
  void* pixels2 = nullptr;
  EXPECT_EQ(morrow::LockSurface(s, &pitch, &pixels, 0, nullptr), 0);
  EXPECT_EQ(morrow::LockSurface(s, &pitch2, &pixels2, 0, nullptr), -2);
  EXPECT_EQ(pitch2, pitch);
  EXPECT_EQ(pixels2, pixels);
  EXPECT_EQ(morrow::LockSurface(s, nullptr, nullptr, 1, nullptr), -2);
  EXPECT_EQ(morrow::GetSurfaceRecord(s)->lockNesting, 3);
  platform::LockedRect probe;
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(morrow::UnlockSurface(s), 0);
    EXPECT_EQ(display->Lock(nullptr, &probe), platform::DisplayResult::kSurfaceBusy);
  }
  EXPECT_EQ(morrow::UnlockSurface(s), 0);
  ASSERT_EQ(display->Lock(nullptr, &probe), platform::DisplayResult::kOk);
  display->Unlock();
  EXPECT_EQ(morrow::UnlockSurface(s), -1);
}

TEST_F(Surfaces, ALockRectangleOutsideTheSurfaceFails) {
  Start(1, 16);
  const ResourceHandle s = Make(16, 8, SurfaceFlags{});
  const morrow::Rect rects[] = {
      {0, 0, 17, 8}, {-1, 0, 4, 4}, {4, 4, 4, 8}, {10, 2, 5, 6}, {0, 8, 16, 9}};
  for (const morrow::Rect& r : rects) {
    int pitch = 123;
    void* pixels = &pitch;
    EXPECT_EQ(morrow::LockSurface(s, &pitch, &pixels, 0, &r), -1);
    EXPECT_EQ(pitch, 123);
    EXPECT_EQ(pixels, &pitch);
  }
  EXPECT_EQ(Count("グラフィックのロックに失敗しました\n"), static_cast<int>(std::size(rects)));
  EXPECT_EQ(morrow::UnlockSurface(s), -1);
  // A rectangle inside gives its top-left pixel.
  int pitch = 0;
  void* whole = nullptr;
  void* part = nullptr;
  const morrow::Rect inside{3, 2, 16, 8};
  ASSERT_EQ(morrow::LockSurface(s, &pitch, &part, 0, &inside), 0);
  morrow::UnlockSurface(s);
  ASSERT_EQ(morrow::LockSurface(s, &pitch, &whole, 0, nullptr), 0);
  morrow::UnlockSurface(s);
  EXPECT_EQ(static_cast<uint8_t*>(part) - static_cast<uint8_t*>(whole),
            2 * pitch + 3 * (morrow::GetScreenBitDepth() / 8));
}

TEST_F(Surfaces, FillIsTheColourInTheSurfaceFormat) {
  Start(0, 32);
  const ResourceHandle s = Make(5, 3, SurfaceFlags{});
  ASSERT_EQ(morrow::FillSurface(s, 200, 100, 50, 255), 0);
  platform::Surface* display = morrow::GetSurfaceRecord(s)->surface.get();
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(SurfacePixel(display, x, y), morrow::PackScreenColor(200, 100, 50));
    }
  }
}

TEST_F(Surfaces, ALostSurfaceIsRestoredAndReported) {
  Start(1, 16);
  const ResourceHandle s = Make(8, 8, SurfaceFlags{});
  EXPECT_EQ(morrow::CheckSurfaceLost(s), 0);
  morrow::IsDirectDrawReady()->SimulateLoss();
  EXPECT_EQ(morrow::CheckSurfaceLost(s), -1);
  EXPECT_EQ(morrow::CheckSurfaceLost(s), 0);
}

TEST_F(Surfaces, TexturesAndDepthBuffersNeedThe3DDevice) {
  Start(1, 16);
  SurfaceFlags f{};
  f.texture = 1;
  f.alphaChannel = 1;
  f.alphaTest = 1;
  f.bitDepth = 16;
  const int before = morrow::GetSurfaceTable().count;
  EXPECT_EQ(Make(64, 64, f), -1);
  EXPECT_EQ(morrow::GetSurfaceTable().count, before);
  EXPECT_EQ(Count("テクスチャサーフェスの作成に失敗しました\n"), 1);
  // An alpha channel takes the place of the alpha test.
  EXPECT_EQ(Count("DrawValid:0  AlphaChFlag1  AlphaTestFlag:0  ColorBitDepth:16\n"), 1);

  const ResourceHandle s = Make(16, 16, SurfaceFlags{});
  ASSERT_EQ(morrow::GetSurfaceRecord(s)->flags.systemMemory, 0);
  EXPECT_EQ(morrow::SetSurfaceZBuffer(s, 1), -1);
  EXPECT_EQ(Count("Ｚバッファの作成に失敗しました\n"), 1);
  EXPECT_EQ(morrow::SetSurfaceZBuffer(s, 0), 0);  // none attached: nothing to do
}

TEST_F(Surfaces, ReferenceCountsAndDeletion) {
  Start(1, 16);
  const ResourceHandle s = Make(8, 8, SurfaceFlags{});
  EXPECT_EQ(morrow::AddSurfaceRef(s), 2);
  EXPECT_EQ(morrow::ReleaseSurfaceRef(s), 1);
  int lost = 0;
  morrow::GetSurfaceRecord(s)->lostFlag = &lost;
  auto display = morrow::GetSurfaceRecord(s)->surface;
  EXPECT_EQ(morrow::DeleteSurface(s), 0);
  EXPECT_EQ(lost, 1);
  EXPECT_TRUE(display->IsDead());
  EXPECT_EQ(morrow::GetSurfaceRecord(s), nullptr);
  EXPECT_EQ(morrow::DeleteSurface(s), -1);
}

TEST_F(Surfaces, BadHandlesAreRefusedWithoutALogLine) {
  Start(1, 16);
  const ResourceHandle live = Make(8, 8, SurfaceFlags{});
  const ResourceHandle gone = Make(8, 8, SurfaceFlags{});
  morrow::DeleteSurface(gone);
  const ResourceHandle bad[] = {
      -1,
      static_cast<ResourceHandle>((live & ~0x78000000) | morrow::kGraphHandle),
      static_cast<ResourceHandle>(morrow::kSurfaceHandle | 65535),
      gone,
      static_cast<ResourceHandle>(live + (9 << 16)),
  };
  const std::string before = Log();
  for (ResourceHandle h : bad) {
    int pitch = 0;
    void* pixels = nullptr;
    EXPECT_EQ(morrow::GetSurfaceRecord(h), nullptr);
    EXPECT_EQ(morrow::AddSurfaceRef(h), -1);
    EXPECT_EQ(morrow::ReleaseSurfaceRef(h), -1);
    EXPECT_EQ(morrow::CreateSurfaceObject(h), -1);
    EXPECT_EQ(morrow::ReleaseSurfaceObject(h), -1);
    EXPECT_EQ(morrow::SetSurfaceZBuffer(h, 1), -1);
    EXPECT_EQ(morrow::SetSurfaceColorKey(h), -1);
    EXPECT_EQ(morrow::CheckSurfaceLost(h), -1);
    EXPECT_EQ(morrow::LockSurface(h, &pitch, &pixels, 0, nullptr), -1);
    EXPECT_EQ(morrow::UnlockSurface(h), -1);
    EXPECT_EQ(morrow::FillSurface(h, 1, 2, 3, 4), -1);
    EXPECT_EQ(morrow::DeleteSurface(h), -1);
    EXPECT_EQ(pixels, nullptr);
  }
  EXPECT_EQ(Log(), before);
  EXPECT_EQ(morrow::GetSurfaceRecord(live)->refCount, 1);
}

TEST_F(Surfaces, AFullTableLogsAndRefuses) {
  Start(1, 16);
  morrow::SurfaceTable& t = morrow::GetSurfaceTable();
  const int fonts = t.count;  // the draw screens of the start's fonts
  // Records without display surfaces fill the table quickly.
  std::vector<ResourceHandle> fillers;
  while (!t.Full())
    fillers.push_back(t.Insert(t.FreeSlot(), morrow::NewRecord<morrow::SurfaceRecord>()));
  EXPECT_EQ(Make(4, 4, SurfaceFlags{}), -1);
  EXPECT_EQ(Count("サーフェスのデータ数が許容量を越えました。\n"), 1);
  for (ResourceHandle h : fillers) morrow::DeleteSurface(h);
  EXPECT_EQ(t.count, fonts);
}

TEST_F(Surfaces, WithoutADisplayNothingIsMade) {
  // Surfaces made on an earlier start stay in the table until the next start clears it.
  const int before = morrow::GetSurfaceTable().count;
  SurfaceFlags f{};
  EXPECT_EQ(Make(4, 4, f), -1);
  EXPECT_EQ(morrow::GetSurfaceTable().count, before);
}

}  // namespace
