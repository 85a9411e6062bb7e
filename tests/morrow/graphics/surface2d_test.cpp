// 2D pieces on a started library: shared surfaces, image copies with their alpha planes and
// colour keys, clipping at the edges of images and pieces, loss, the 8-bit device-context copy,
// derived pieces, full tables and bad handles.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/graphics/record_memory.h"
#include "tests/morrow/graphics/graphics_fixture.h"

namespace {

using morrow::GetGraphRecord;
using morrow::GraphImage;
using morrow::ResourceHandle;
using testsupport::MakeImage;

class Pieces : public testsupport::GraphicsFixture {
 protected:
  void TearDown() override {
    for (GraphImage& i : images_) morrow::FreeGraphImage(&i);
    GraphicsFixture::TearDown();
  }
  // A 24-bit image: (x, y) -> red x * 16, green y * 16, blue 200.
  GraphImage* Rgb24(int w, int h) {
    images_.push_back(MakeImage(w, h, 24, 0xFF0000, 0xFF00, 0xFF, 0, [](int x, int y) {
      return static_cast<uint32_t>((x * 16 & 255) << 16 | (y * 16 & 255) << 8 | 200);
    }));
    return &images_.back();
  }
  static uint32_t Expected(int x, int y) {
    return morrow::PackScreenColor(x * 16 & 255, y * 16 & 255, 200);
  }
  std::deque<GraphImage> images_;  // pointers to its images stay valid as it grows
};

TEST_F(Pieces, ASharedSurfaceGoesWithItsLastPiece) {
  Start(1, 16);
  const ResourceHandle base = morrow::CreateGraph(32, 16, 0, 0);
  ResourceHandle cells[2];
  for (int i = 0; i < 2; ++i) {
    cells[i] = morrow::AddGraphRecord(16, 16, 0, nullptr, 0);
    ASSERT_EQ(morrow::DeriveGraphSurface2D(GetGraphRecord(cells[i]), i * 16, 0, 16, 16,
                                           GetGraphRecord(base)),
              0);
  }
  const ResourceHandle surface = PieceOf(base)->surface;
  EXPECT_EQ(PieceOf(cells[1])->surface, surface);
  EXPECT_EQ(PieceOf(cells[1])->xOnSurface, 16);
  EXPECT_EQ(morrow::GetSurfaceRecord(surface)->refCount, 3);
  auto display = morrow::GetSurfaceRecord(surface)->surface;
  morrow::FreeGraphHandle(base, 0);
  morrow::FreeGraphHandle(cells[0], 0);
  ASSERT_NE(morrow::GetSurfaceRecord(surface), nullptr);
  EXPECT_EQ(morrow::GetSurfaceRecord(surface)->refCount, 1);
  EXPECT_FALSE(display->IsDead());
  morrow::FreeGraphHandle(cells[1], 0);
  EXPECT_EQ(morrow::GetSurfaceRecord(surface), nullptr);
  EXPECT_TRUE(display->IsDead());
}

TEST_F(Pieces, ImagePixelsArriveConvertedWithTheKeyColour) {
  Start(1, 16, 16);
  morrow::SetDrawStateKeyColor(0x00FF00);
  const ResourceHandle g = morrow::CreateGraph(12, 7, 0, 0);
  ASSERT_EQ(morrow::BltGraphImageToGraph(0, 0, GetGraphRecord(g), Rgb24(12, 7), nullptr), 0);
  platform::Surface* s = SurfaceOf(g)->surface.get();
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 12; ++x) EXPECT_EQ(SurfacePixel(s, x, y), Expected(x, y)) << x << "," << y;
  }
  platform::ColorKey key;
  s->GetColorKey(platform::kColorKeySrcBlt, &key);
  EXPECT_EQ(key.low, morrow::PackScreenColor(0, 255, 0));
  EXPECT_EQ(SurfaceOf(g)->lockNesting, 0);
}

struct AlphaCase {
  const char* name;
  bool ownAlpha;    // the image is 32-bit with alpha
  bool alphaImage;  // a second image whose red channel is the alpha
  bool alphaGraph;  // the graph has an alpha buffer
  int expect;       // -1: from the image as computed below
};

class PieceAlpha : public Pieces, public ::testing::WithParamInterface<AlphaCase> {};

TEST_P(PieceAlpha, ComesFromTheImageTheAlphaImageOrIsOpaque) {
  const AlphaCase& c = GetParam();
  Start(1, 16);
  GraphImage* rgb = Rgb24(6, 5);
  if (c.ownAlpha) {
    images_.push_back(MakeImage(6, 5, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, [](int x, int y) {
      return static_cast<uint32_t>((x * 40 + y) << 24 | 0x102030);
    }));
    rgb = &images_.back();
  }
  GraphImage* alpha = nullptr;
  if (c.alphaImage) {
    // A 16-bit 5:6:5 image: red 5 bits, widened to 8.
    images_.push_back(MakeImage(6, 5, 16, 0xF800, 0x7E0, 0x1F, 0, [](int x, int y) {
      return static_cast<uint32_t>((x * 5 + y) << 11 | 0x7FF);
    }));
    alpha = &images_.back();
  }
  const ResourceHandle g = morrow::CreateGraph(6, 5, 0, c.alphaGraph ? 1 : 0);
  ASSERT_EQ(morrow::BltGraphImageToGraph(0, 0, GetGraphRecord(g), rgb, alpha), 0);
  morrow::SurfaceRecord* s = SurfaceOf(g);
  if (!c.alphaGraph) {
    EXPECT_EQ(s->alphaBuffer, nullptr);
    return;
  }
  ASSERT_NE(s->alphaBuffer, nullptr);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 6; ++x) {
      int want = c.expect;
      if (want < 0 && c.ownAlpha) want = x * 40 + y;
      if (want < 0) want = static_cast<int>(morrow::ConvertChannelWidth(x * 5 + y, 5, 8));
      EXPECT_EQ(s->alphaBuffer[y * s->alphaPitch + x], want) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, PieceAlpha,
                         ::testing::Values(AlphaCase{"OwnChannel", true, false, true, -1},
                                           AlphaCase{"OwnChannelBeatsTheAlphaImage", true, true,
                                                     true, -1},
                                           AlphaCase{"AlphaImageRed", false, true, true, -1},
                                           AlphaCase{"NeitherIsOpaque", false, false, true, 255},
                                           AlphaCase{"NoAlphaBuffer", true, true, false, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Pieces, AGraphLargerThanItsImageIsFilledOnlyWhereTheImageReaches) {
  Start(1, 16);
  const ResourceHandle g = morrow::CreateGraph(10, 9, 0, 1);
  morrow::SurfaceRecord* s = SurfaceOf(g);
  morrow::FillSurface(PieceOf(g)->surface, 1, 2, 3, 0);
  const uint32_t untouched = SurfacePixel(s->surface.get(), 9, 8);
  // A 4 x 3 image read from (2, 1): only 2 x 2 pixels exist there.
  ASSERT_EQ(morrow::BltGraphImageToGraph(2, 1, GetGraphRecord(g), Rgb24(4, 3), nullptr), 0);
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool copied = x < 2 && y < 2;
      EXPECT_EQ(SurfacePixel(s->surface.get(), x, y), copied ? Expected(x + 2, y + 1) : untouched)
          << x << "," << y;
      // Without an alpha source every alpha byte is opaque.
      EXPECT_EQ(s->alphaBuffer[y * s->alphaPitch + x], 255);
    }
  }
  EXPECT_TRUE(s->surface->CanaryIntact());
}

struct ClipCase {
  const char* name;
  morrow::Rect src;
  int destX, destY;      // on the surface
  morrow::Rect written;  // the surface pixels that change
};

class PieceClip : public Pieces, public ::testing::WithParamInterface<ClipCase> {};

TEST_P(PieceClip, NeverReadsOrWritesOutside) {
  const ClipCase& c = GetParam();
  Start(1, 16);
  const ResourceHandle g = morrow::CreateGraph(8, 6, 0, 1);
  morrow::SurfaceRecord* s = SurfaceOf(g);
  morrow::FillSurface(PieceOf(g)->surface, 0, 0, 0, 0);
  const uint32_t black = SurfacePixel(s->surface.get(), 0, 0);
  ASSERT_EQ(morrow::BltImageToSurface2D(&c.src, c.destX, c.destY, GetGraphRecord(g)->pieces[0],
                                        Rgb24(5, 4), nullptr),
            0);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool in =
          x >= c.written.left && x < c.written.right && y >= c.written.top && y < c.written.bottom;
      const uint32_t want =
          in ? Expected(x - c.destX + c.src.left, y - c.destY + c.src.top) : black;
      EXPECT_EQ(SurfacePixel(s->surface.get(), x, y), want) << x << "," << y;
    }
  }
  EXPECT_TRUE(s->surface->CanaryIntact());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PieceClip,
    ::testing::Values(ClipCase{"Inside", {1, 1, 4, 3}, 2, 2, {2, 2, 5, 4}},
                      ClipCase{"PastTheImage", {3, 2, 9, 9}, 0, 0, {0, 0, 2, 2}},
                      ClipCase{"BeforeTheImage", {-2, -1, 2, 2}, 0, 0, {2, 1, 4, 3}},
                      ClipCase{"PastThePiece", {0, 0, 5, 4}, 6, 4, {6, 4, 8, 6}},
                      ClipCase{"BeforeThePiece", {0, 0, 5, 4}, -3, -2, {0, 0, 2, 2}},
                      ClipCase{"Nowhere", {0, 0, 5, 4}, 100, 0, {0, 0, 0, 0}},
                      ClipCase{"Reversed", {4, 3, 1, 1}, 0, 0, {0, 0, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Pieces, ARectangleGoesToThePartOfTheGraphItCovers) {
  Start(1, 16);
  const ResourceHandle g = morrow::CreateGraph(8, 8, 0, 0);
  morrow::FillSurface(PieceOf(g)->surface, 0, 0, 0, 0);
  platform::Surface* s = SurfaceOf(g)->surface.get();
  const uint32_t black = SurfacePixel(s, 0, 0);
  const morrow::Rect src{1, 2, 4, 4};
  ASSERT_EQ(morrow::BltRectToGraph(&src, 6, 3, GetGraphRecord(g), Rgb24(5, 5), nullptr), 0);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool in = x >= 6 && y >= 3 && y < 5;
      EXPECT_EQ(SurfacePixel(s, x, y), in ? Expected(x - 5, y - 1) : black) << x << "," << y;
    }
  }
}

TEST_F(Pieces, ACellOfACellShowsItsOwnPixels) {
  Start(1, 16);
  const ResourceHandle base = morrow::CreateGraph(16, 16, 0, 0);
  ASSERT_EQ(morrow::BltGraphImageToGraph(0, 0, GetGraphRecord(base), Rgb24(16, 16), nullptr), 0);
  const ResourceHandle cell = morrow::AddGraphRecord(8, 8, 0, nullptr, 0);
  ASSERT_EQ(morrow::DeriveGraphSurface2D(GetGraphRecord(cell), 8, 4, 8, 8, GetGraphRecord(base)),
            0);
  const ResourceHandle inner = morrow::AddGraphRecord(2, 2, 0, nullptr, 0);
  ASSERT_EQ(morrow::DeriveGraphSurface2D(GetGraphRecord(inner), 3, 1, 2, 2, GetGraphRecord(cell)),
            0);
  EXPECT_EQ(PieceOf(inner)->xOnSurface, 11);
  EXPECT_EQ(PieceOf(inner)->yOnSurface, 5);
  // Rectangles that leave the source are refused.
  const int bad[][4] = {{7, 0, 2, 2}, {0, 7, 2, 2}, {-1, 0, 2, 2}, {0, 0, 0, 2}, {0, 0, 9, 1}};
  for (const auto& b : bad) {
    const ResourceHandle g = morrow::AddGraphRecord(2, 2, 0, nullptr, 0);
    EXPECT_EQ(morrow::DeriveGraphSurface2D(GetGraphRecord(g), b[0], b[1], b[2], b[3],
                                           GetGraphRecord(cell)),
              -1);
    EXPECT_EQ(GetGraphRecord(g)->pieceCount, 0);
  }
}

TEST_F(Pieces, TheLossHookMakesIsGraphLostReportAndRestore) {
  Start(1, 16);
  const ResourceHandle g = morrow::CreateGraph(8, 8, 0, 0);
  EXPECT_EQ(morrow::IsGraphLost(GetGraphRecord(g)), 0);
  morrow::IsDirectDrawReady()->SimulateLoss();
  EXPECT_EQ(SurfaceOf(g)->surface->IsLost(), platform::DisplayResult::kSurfaceLost);
  EXPECT_EQ(morrow::IsGraphLost(GetGraphRecord(g)), -1);
  EXPECT_EQ(SurfaceOf(g)->surface->IsLost(), platform::DisplayResult::kOk);
  EXPECT_EQ(morrow::IsGraphLost(GetGraphRecord(g)), 0);
  // A graph whose piece is gone reports -1.
  morrow::DeleteSurface2D(GetGraphRecord(g)->pieces[0]);
  EXPECT_EQ(morrow::IsGraphLost(GetGraphRecord(g)), -1);
}

TEST_F(Pieces, EightBitScreensTakeTheNearestPaletteEntry) {
  Start(0, 8);
  const ResourceHandle g = morrow::CreateGraph(6, 4, 0, 0);
  ASSERT_EQ(morrow::BltGraphImageToGraph(0, 0, GetGraphRecord(g), Rgb24(6, 4), nullptr), 0);
  platform::Surface* s = SurfaceOf(g)->surface.get();
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_EQ(SurfacePixel(s, x, y), Expected(x, y)) << x << "," << y;
  }
}

TEST_F(Pieces, TheImageConversionOptionDithers) {
  Start(1, 16, 16);
  // Red and blue between two 5-bit steps: plain conversion drops them, dithering raises some.
  images_.push_back(
      MakeImage(8, 8, 24, 0xFF0000, 0xFF00, 0xFF, 0, [](int, int) { return uint32_t{0x060006}; }));
  GraphImage* grey = &images_.back();
  int raised[2] = {};
  for (int dither = 0; dither < 2; ++dither) {
    morrow::GetDrawState().imageConvertFlag = dither;
    const ResourceHandle g = morrow::CreateGraph(8, 8, 0, 0);
    ASSERT_EQ(morrow::BltGraphImageToGraph(0, 0, GetGraphRecord(g), grey, nullptr), 0);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        if (SurfacePixel(SurfaceOf(g)->surface.get(), x, y) != 0) ++raised[dither];
      }
    }
  }
  EXPECT_EQ(raised[0], 0);
  EXPECT_GT(raised[1], 0);
  EXPECT_LT(raised[1], 64);
}

TEST_F(Pieces, ReleaseAndRecreateKeepTheRecords) {
  Start(1, 16);
  morrow::SetDrawStateKeyColor(0xFF0000);
  const ResourceHandle g = morrow::CreateGraph(8, 8, 0, 1);
  const ResourceHandle surface = PieceOf(g)->surface;
  EXPECT_EQ(morrow::ReleaseAllSurface2DObjects(), 0);
  EXPECT_EQ(morrow::GetSurfaceRecord(surface)->surface, nullptr);
  EXPECT_EQ(morrow::GetSurfaceRecord(surface)->alphaBuffer, nullptr);
  EXPECT_EQ(morrow::RecreateAllSurface2DObjects(), 0);
  morrow::SurfaceRecord* s = morrow::GetSurfaceRecord(surface);
  ASSERT_NE(s->surface, nullptr);
  EXPECT_NE(s->alphaBuffer, nullptr);
  platform::ColorKey key;
  ASSERT_EQ(s->surface->GetColorKey(platform::kColorKeySrcBlt, &key), platform::DisplayResult::kOk);
  EXPECT_EQ(key.low, morrow::PackScreenColor(255, 0, 0));
}

TEST_F(Pieces, TheDisplayRebuildPairTakesThePiecesAcrossDisplays) {
  Start(1, 16);
  morrow::SetDrawStateKeyColor(0x0000FF);
  const ResourceHandle g = morrow::CreateGraph(8, 8, 0, 0);
  auto before = SurfaceOf(g)->surface;
  // As the graphics rebuild runs it: the screen surfaces go first and come back last.
  morrow::ReleaseScreenSurfaces();
  ASSERT_EQ(morrow::ReleaseDirectDrawDevice(), 0);
  EXPECT_TRUE(before->IsDead());
  EXPECT_EQ(SurfaceOf(g)->surface, nullptr);
  ASSERT_EQ(morrow::SetupDirectDrawDevice(), 0);
  morrow::CreateScreenSurfaces();
  morrow::SurfaceRecord* s = SurfaceOf(g);
  ASSERT_NE(s->surface, nullptr);
  EXPECT_FALSE(s->surface->IsDead());
  platform::ColorKey key;
  ASSERT_EQ(s->surface->GetColorKey(platform::kColorKeySrcBlt, &key), platform::DisplayResult::kOk);
  EXPECT_EQ(key.low, morrow::PackScreenColor(0, 0, 255));
  ASSERT_EQ(morrow::BltGraphImageToGraph(0, 0, GetGraphRecord(g), Rgb24(8, 8), nullptr), 0);
  EXPECT_EQ(SurfacePixel(s->surface.get(), 3, 5), Expected(3, 5));
}

TEST_F(Pieces, DeletedFlagAndBadHandles) {
  Start(1, 16);
  const int pieces = morrow::GetSurface2DTable().count;  // the start's fonts' draw screens
  const ResourceHandle g = morrow::CreateGraph(8, 8, 0, 0);
  const ResourceHandle piece = GetGraphRecord(g)->pieces[0];
  int flag = 3;
  EXPECT_EQ(morrow::SetSurface2DDeletedFlag(piece, &flag), 0);
  EXPECT_EQ(flag, 0);
  const ResourceHandle bad[] = {
      -1,
      static_cast<ResourceHandle>((piece & ~0x78000000) | morrow::kSurfaceHandle),
      static_cast<ResourceHandle>(morrow::kSurface2DHandle | 30000),
      static_cast<ResourceHandle>(morrow::kSurface2DHandle | 999),
      static_cast<ResourceHandle>(piece + (4 << 16)),
  };
  const std::string before = Log();
  const morrow::Rect r{0, 0, 2, 2};
  for (ResourceHandle h : bad) {
    int other = 8;
    EXPECT_EQ(morrow::GetSurface2DRecord(h), nullptr);
    EXPECT_EQ(morrow::SetSurface2DDeletedFlag(h, &other), -1);
    EXPECT_EQ(other, 8);
    EXPECT_EQ(morrow::BltImageToSurface2D(&r, 0, 0, h, Rgb24(2, 2), nullptr), -1);
    EXPECT_EQ(morrow::DeleteSurface2D(h), 0);  // a bad handle deletes nothing, and says 0
  }
  EXPECT_EQ(Log(), before);
  EXPECT_EQ(morrow::GetSurface2DTable().count, pieces + 1);
  EXPECT_EQ(morrow::DeleteSurface2D(piece), 0);
  EXPECT_EQ(flag, 1);
}

TEST_F(Pieces, BadImagesAreRefused) {
  Start(1, 16);
  const ResourceHandle g = morrow::CreateGraph(8, 8, 0, 0);
  GraphImage noPixels = *Rgb24(4, 4);
  noPixels.pixels = nullptr;
  GraphImage shortPitch = *Rgb24(4, 4);
  shortPitch.pitch = 11;
  GraphImage oddBits = *Rgb24(4, 4);
  oddBits.format.bitsPerPixel = 12;
  for (GraphImage* image : {static_cast<GraphImage*>(nullptr), &noPixels, &shortPitch, &oddBits}) {
    EXPECT_EQ(morrow::BltGraphImageToGraph(0, 0, GetGraphRecord(g), image, nullptr), -1);
  }
  EXPECT_EQ(morrow::BltGraphImageToGraph(0, 0, nullptr, Rgb24(4, 4), nullptr), -1);
  EXPECT_EQ(morrow::BltRectToGraph(nullptr, 0, 0, GetGraphRecord(g), Rgb24(4, 4), nullptr), -1);
}

TEST_F(Pieces, AFullTableLogsAndRefuses) {
  Start(1, 16);
  morrow::Surface2DTable& t = morrow::GetSurface2DTable();
  // The start's fonts keep a draw screen each.
  const int pieces = t.count, surfaces = morrow::GetSurfaceTable().count;
  std::vector<ResourceHandle> fillers;
  while (!t.Full()) {
    fillers.push_back(t.Insert(t.FreeSlot(), morrow::NewRecord<morrow::Surface2DRecord>()));
  }
  EXPECT_EQ(morrow::AddSurface2D(4, 4, 0, 0, 0, nullptr, 0, 0, nullptr), -1);
  EXPECT_EQ(Count("２Ｄグラフィックの量が許容量を越えました\n"), 1);
  EXPECT_EQ(morrow::GetSurfaceTable().count, surfaces);
  for (ResourceHandle h : fillers) morrow::DeleteSurface2D(h);
  EXPECT_EQ(t.count, pieces);
}

TEST_F(Pieces, WithoutADisplayNothingIsMade) {
  Start(1, 16);
  ASSERT_EQ(morrow::EndLibrary(), 0);
  EXPECT_EQ(morrow::AddSurface2D(4, 4, 0, 0, 0, nullptr, 0, 0, nullptr), -1);
  EXPECT_EQ(Count("Morrowが初期化されていません\n"), 1);
  EXPECT_EQ(morrow::GetSurface2DTable().count, 0);
  EXPECT_EQ(morrow::ResetSurface2DTable(), -1);
  EXPECT_EQ(morrow::DeleteAllSurface2D(), -1);
}

}  // namespace
