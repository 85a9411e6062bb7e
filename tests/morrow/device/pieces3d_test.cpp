// 3D pieces on the CPU device: the cut of sides and graphs into textures, uploads against the
// reference conversion, rectangle uploads and their clipping, the piece table, the temporary
// texture, derived graphs, lost and rebuilt textures, and the glyph cache held as textures.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/font.h"
#include "morrow/graphics/font_record.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_load.h"
#include "morrow/graphics/surface.h"
#include "platform/font.h"
#include "tests/morrow/device/direct3d_fixture.h"
#include "tests/morrow/graphics/image_writers.h"
#include "tests/support/temp_dir.h"

namespace {

using morrow::GetDirect3DState;
using morrow::GetDrawState;
using morrow::Rect;
using morrow::Surface3DRecord;
using morrow::SurfaceRecord;
using Lines = std::vector<std::string>;

class Pieces : public testsupport::Direct3DFixture {
 protected:
  void TearDown() override {
    Direct3DFixture::TearDown();
    platform::InstallFontFactory(nullptr);
  }
  static Surface3DRecord* Piece(int graph, int i) {
    morrow::GraphRecord* g = morrow::GetGraphRecord(graph);
    return g != nullptr && i < g->pieceCount ? morrow::Get3DGraphRecord(g->pieces[i]) : nullptr;
  }
  static SurfaceRecord* TextureOf(const Surface3DRecord* p) {
    return p != nullptr ? morrow::GetSurfaceRecord(p->surface) : nullptr;
  }
  // "WxH@X,Y:wxh": texture size, place in the graph and size of each piece.
  static Lines Describe(int graph) {
    Lines out;
    const morrow::GraphRecord* g = morrow::GetGraphRecord(graph);
    for (int i = 0; g != nullptr && i < g->pieceCount; ++i) {
      const Surface3DRecord* p = Piece(graph, i);
      const SurfaceRecord* s = TextureOf(p);
      out.push_back(std::to_string(s->width) + "x" + std::to_string(s->height) + "@" +
                    std::to_string(p->graphX) + "," + std::to_string(p->graphY) + ":" +
                    std::to_string(p->width) + "x" + std::to_string(p->height));
    }
    return out;
  }
  static uint32_t Texel(const SurfaceRecord* s, int x, int y) {
    return SurfacePixel(s->surface.get(), x, y);
  }
  // Pixels of every kind, and the key colour (green) in every seventh.
  static morrow::GraphImage Picture(int w, int h, int bits, uint32_t alpha = 0) {
    return testsupport::MakeImage(w, h, bits, 0xFF0000, 0xFF00, 0xFF, alpha, [](int x, int y) {
      if ((x + 3 * y) % 7 == 0) return 0xFF00FF00u;
      return static_cast<uint32_t>(x * 2654435761u ^ y * 40503u) | 0x01000000u;
    });
  }
};

// ---- the cut ----

TEST_F(Pieces, SidesAreSplitIntoPowerOfTwoTextures) {
  Start3D();
  struct Case {
    int minTexture, maxTexture, length, single;
    std::vector<int> sizes;  // empty: refused
  } cases[] = {
      {32, 1024, 100, 0, {64, 64}},
      {32, 2048, 640, 0, {512, 128}},
      {1, 256, 300, 0, {256, 64}},
      {32, 1024, 112, 0, {64, 64}},
      {32, 1024, 113, 0, {128}},
      {1, 2048, 10, 0, {16}},
      {64, 2048, 10, 0, {64}},
      {1, 2048, 480, 0, {512}},
      {1, 2048, 2000, 0, {2048}},
      {1, 2048, 300, 1, {512}},
      {1, 2048, 3000, 1, {2048, 1024}},
      {1, 1, 1, 0, {1}},
      // Two equal last pieces merge only where the device holds the merged size.
      {1, 1024, 2000, 0, {1024, 1024}},
      // 64 sizes fit; a 65th is refused.
      {1, 256, 16384, 0, std::vector<int>(64, 256)},
      {1, 256, 16385, 0, {}},
      {1, 256, 65535, 0, {}},
  };
  morrow::Direct3DState& d = GetDirect3DState();
  const int keptMin = d.minTextureSize, keptMax = d.maxTextureSize;
  for (const Case& c : cases) {
    d.minTextureSize = c.minTexture;
    d.maxTextureSize = c.maxTexture;
    int sizes[morrow::kMaxTextureSizes];
    const int n = morrow::SplitTextureSizes(c.length, sizes, c.single);
    if (c.sizes.empty()) {
      EXPECT_EQ(n, -1) << c.length;
      continue;
    }
    ASSERT_GT(n, 0) << c.length;
    EXPECT_EQ(std::vector<int>(sizes, sizes + n), c.sizes) << c.length << " max " << c.maxTexture;
  }
  d.minTextureSize = keptMin;
  d.maxTextureSize = keptMax;
}

TEST_F(Pieces, GraphsAreCutAsPlannedOrRefusedBeforeTheirRecord) {
  struct Case {
    const char* option;
    int w, h;
    Lines pieces;  // empty: refused
  } cases[] = {
      {"on", 640, 480, {"512x512@0,0:512x480", "128x512@512,0:128x480"}},
      {"on",
       100,
       100,
       {"64x64@0,0:64x64", "64x64@64,0:36x64", "64x64@0,64:64x36", "64x64@64,64:36x36"}},
      {"on", 1, 1, {"1x1@0,0:1x1"}},
      {"maxtex=256",
       640,
       480,
       {"256x256@0,0:256x256", "256x256@256,0:256x256", "128x256@512,0:128x256",
        "256x128@0,256:256x128", "256x128@256,256:256x128", "128x128@512,256:128x128",
        "256x64@0,384:256x64", "256x64@256,384:256x64", "128x64@512,384:128x64",
        "256x32@0,448:256x32", "256x32@256,448:256x32", "128x32@512,448:128x32"}},
      {"maxtex=1024", 2000, 16, {"1024x16@0,0:1024x16", "1024x16@1024,0:976x16"}},
      {"square",
       256,
       64,
       {"64x64@0,0:64x64", "64x64@64,0:64x64", "64x64@128,0:64x64", "64x64@192,0:64x64"}},
      // Squares that would begin past the graph's right edge are not made.
      {"square",
       100,
       16,
       {"16x16@0,0:16x16", "16x16@64,0:16x16", "16x16@16,0:16x16", "16x16@32,0:16x16",
        "16x16@48,0:16x16", "16x16@80,0:16x16", "16x16@96,0:4x16"}},
      {"maxtex=256", 5000, 5000, {}},
      {"on", 65535, 1, {}},
      {"maxtex=256", 16385, 1, {}},
      {"mintex=4096", 8, 8, {}},  // textures past the device's maximum
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.option) + " " + std::to_string(c.w) + "x" + std::to_string(c.h));
    Start3D(c.option);
    const morrow::GraphTable& table = morrow::GetGraphicsState().graphs;
    const int count = table.count;
    const uint32_t counter = table.checkCounter;
    const int graph = morrow::CreateGraph(c.w, c.h, 1, 0);
    if (c.pieces.empty()) {
      EXPECT_EQ(graph, -1);
      EXPECT_EQ(table.count, count);
      EXPECT_EQ(table.checkCounter, counter);
    } else {
      EXPECT_EQ(Describe(graph), c.pieces);
    }
    GraphicsFixture::TearDown();
    GraphicsFixture::SetUp();
  }
}

TEST_F(Pieces, EachPieceCarriesItsQuad) {
  Start3D();
  const int graph = morrow::CreateGraph(640, 480, 1, 0);
  const Surface3DRecord* p = Piece(graph, 1);  // 128 x 480 of a 128 x 512 texture, at 512
  ASSERT_NE(p, nullptr);
  const float expected[4][4] = {
      {512, 0, 0, 0}, {640, 0, 1, 0}, {512, 480, 0, 0.9375f}, {640, 480, 1, 0.9375f}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(p->quad[i].x, expected[i][0]) << i;
    EXPECT_EQ(p->quad[i].y, expected[i][1]) << i;
    EXPECT_EQ(p->quad[i].u, expected[i][2]) << i;
    EXPECT_EQ(p->quad[i].v, expected[i][3]) << i;
    EXPECT_EQ(p->quad[i].rhw, 1.0f);
    EXPECT_EQ(p->quad[i].diffuse, 0xFFFFFFFFu);
  }
}

// ---- uploads ----

struct UploadCase {
  const char* name;
  int bitDepth;   // for new graphs, 0 automatic
  int alphaTest;  // for new graphs
  int imageBits;
  uint32_t imageAlpha;
  bool alphaImage;
  uint32_t presetAlpha;  // the texture format's alpha mask
};

class Uploads : public Pieces, public ::testing::WithParamInterface<UploadCase> {};

TEST_P(Uploads, TexturesHoldTheConvertedPixels) {
  const UploadCase& c = GetParam();
  Start3D();
  GetDrawState().newGraphBitDepth = c.bitDepth;
  GetDrawState().newGraphAlphaTest = c.alphaTest;
  GetDrawState().keyColor = 0x00FF00;
  morrow::GraphImage rgb = Picture(100, 70, c.imageBits, c.imageAlpha);
  morrow::GraphImage alpha = testsupport::MakeImage(
      100, 70, 8, 0xFF, 0xFF, 0xFF, 0,
      [](int x, int y) { return static_cast<uint32_t>(x * 3 + y * 5) & 0xFFu; });
  const int graph =
      morrow::BuildGraphFromGraphImage(&rgb, c.alphaImage ? &alpha : nullptr, 1, 0, 0);
  const morrow::GraphRecord* g = morrow::GetGraphRecord(graph);
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(g->flags.texture, 1);
  ASSERT_EQ(g->pieceCount, 4);
  const morrow::ColorFormat* format =
      morrow::GetPresetColorFormat(static_cast<int>(TextureOf(Piece(graph, 0))->texturePreset));
  EXPECT_EQ(format->alphaMask, c.presetAlpha);
  const int bytes = format->bytesPerPixel;
  for (int i = 0; i < 4; ++i) {
    const Surface3DRecord* p = Piece(graph, i);
    const SurfaceRecord* s = TextureOf(p);
    // The reference: the per-channel conversion alone, into a buffer of the texture's size.
    std::vector<uint8_t> want(static_cast<size_t>(s->width) * s->height * bytes);
    morrow::ColorFormat readAlpha = alpha.format;
    for (uint32_t k = 0; k < 256; ++k) readAlpha.palette[k] = k;
    const Rect area{p->graphX, p->graphY, p->graphX + p->width, p->graphY + p->height};
    ASSERT_EQ(
        morrow::ConvertColorFormatBltGeneral(
            want.data(), s->width * bytes, format, static_cast<uint8_t*>(rgb.pixels), rgb.pitch,
            &rgb.format, c.alphaImage ? static_cast<uint8_t*>(alpha.pixels) : nullptr, alpha.pitch,
            &readAlpha, p->textureX, p->textureY, &area, 0, 1, 0x00FF00, 0, 0),
        0);
    for (int y = 0; y < p->height; ++y) {
      for (int x = 0; x < p->width; ++x) {
        const uint8_t* w =
            want.data() + (static_cast<size_t>(y) * s->width + x) * static_cast<size_t>(bytes);
        ASSERT_EQ(Texel(s, x, y), platform::ReadPixel(w, bytes)) << i << " " << x << "," << y;
      }
    }
  }
  // A key-coloured pixel (0, 0) is transparent where the texture has alpha and nothing else
  // supplies it.
  if (!c.alphaImage && c.imageAlpha == 0 && c.presetAlpha != 0) {
    EXPECT_EQ(Texel(TextureOf(Piece(graph, 0)), 0, 0) & c.presetAlpha, 0u);
    EXPECT_EQ(Texel(TextureOf(Piece(graph, 0)), 1, 0) & c.presetAlpha, c.presetAlpha);
  }
  morrow::FreeGraphImage(&rgb);
  morrow::FreeGraphImage(&alpha);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Uploads,
    ::testing::Values(UploadCase{"Plain16", 16, 0, 24, 0, false, 0},
                      UploadCase{"AlphaTest16", 16, 1, 24, 0, false, 0x8000},
                      UploadCase{"AlphaTest32", 32, 1, 32, 0, false, 0xFF000000u},
                      UploadCase{"AlphaChannel16", 16, 1, 32, 0xFF000000u, false, 0xF000},
                      UploadCase{"AlphaImage32", 0, 1, 24, 0, true, 0xFF000000u}),
    [](const ::testing::TestParamInfo<UploadCase>& i) { return std::string(i.param.name); });

TEST_F(Pieces, RectangleUploadsTouchOnlyWhatTheyOverlap) {
  Start3D();
  GetDrawState().newGraphAlphaTest = 0;
  const int graph = morrow::CreateGraph(100, 100, 1, 0);
  morrow::GraphRecord* g = morrow::GetGraphRecord(graph);
  ASSERT_EQ(g->pieceCount, 4);
  for (int i = 0; i < 4; ++i) morrow::FillSurface(Piece(graph, i)->surface, 0, 0, 8, 0);
  const uint32_t sentinel = Texel(TextureOf(Piece(graph, 0)), 0, 0);
  morrow::GraphImage image = testsupport::MakeImage(
      20, 20, 16, 0xF800, 0x07E0, 0x001F, 0, [](int x, int y) { return 0x8000u | (x << 5) | y; });
  // Image (5, 5)-(15, 15) to graph (60, 5): columns 60-63 of piece 0, 0-5 of piece 1.
  const Rect src{5, 5, 15, 15};
  ASSERT_EQ(morrow::Set3DGraphImageRect(g, &src, 60, 5, &image, nullptr), 0);
  for (int i = 0; i < 4; ++i) {
    const Surface3DRecord* p = Piece(graph, i);
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) {
        const int gx = p->graphX + x, gy = p->graphY + y;
        const bool written = gx >= 60 && gx < 70 && gy >= 5 && gy < 15;
        const uint32_t want = written ? 0x8000u | ((gx - 55) << 5) | (gy - 0) : sentinel;
        ASSERT_EQ(Texel(TextureOf(p), x, y), want) << i << " " << x << "," << y;
      }
    }
  }
  // Rectangles past every edge of the image, the graph and the integers are cut, not followed.
  const struct {
    Rect src;
    int x, y;
  } wild[] = {{{-50, -50, 200, 200}, -20, 90},
              {{0, 0, 20, 20}, INT_MAX - 5, 0},
              {{0, 0, 20, 20}, -1000, -1000},
              {{15, 15, 5, 5}, 0, 0},
              {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 0, 0},
              {{18, 0, 40, 20}, 96, 96}};
  for (const auto& w : wild) {
    EXPECT_GE(morrow::Set3DGraphImageRect(g, &w.src, w.x, w.y, &image, nullptr), -1);
  }
  EXPECT_EQ(morrow::Set3DGraphImage(g, -30, 90, &image, nullptr), 0);
  EXPECT_EQ(morrow::Set3DGraphImage(g, INT_MAX, INT_MIN, &image, nullptr), 0);
  const Rect whole{0, 0, 20, 20};
  const Surface3DRecord* p0 = Piece(graph, 0);
  EXPECT_EQ(morrow::UploadImageToSurface3D(&image, nullptr, &whole, 60, 60, g->pieces[0]), 0);
  EXPECT_EQ(Texel(TextureOf(p0), 63, 63), 0x8000u | (3 << 5) | 3u);
  morrow::FreeGraphImage(&image);
}

// ---- the table ----

TEST_F(Pieces, TheHighWaterMarkFallsPastEmptySlots) {
  Start3D();
  morrow::Surface3DTable& t = morrow::GetSurface3DTable();
  const int base = t.highWater;
  morrow::SurfaceFlags flags{1, 0, 0, 0, 0, 16};
  const int a = morrow::AddSurface3DData(16, 16, 0, 0, 16, 16, 0, 0, -1, nullptr, 0, 0, &flags);
  const int b = morrow::AddSurface3DData(0, 0, 0, 0, 8, 8, 0, 0, -1, morrow::Get3DGraphRecord(a), 8,
                                         8, &flags);
  const int c = morrow::AddSurface3DData(32, 32, 0, 0, 8, 8, 0, 0, -1, nullptr, 0, 0, &flags);
  ASSERT_NE(a, -1);
  ASSERT_NE(b, -1);
  ASSERT_NE(c, -1);
  EXPECT_EQ(t.highWater, base + 3);
  const int texture = morrow::Get3DGraphRecord(a)->surface;
  EXPECT_EQ(morrow::GetSurfaceRecord(texture)->refCount, 2);
  // A piece reaching past its texture is not made.
  EXPECT_EQ(morrow::AddSurface3DData(0, 0, 0, 0, 10, 10, 0, 0, -1, morrow::Get3DGraphRecord(a), 10,
                                     0, &flags),
            -1);
  EXPECT_EQ(morrow::GetSurfaceRecord(texture)->refCount, 2);
  EXPECT_EQ(t.highWater, base + 3);
  int lost = 0;
  morrow::Get3DGraphRecord(b)->lostFlag = &lost;
  EXPECT_EQ(morrow::DeleteSurface3DData(b), 0);
  EXPECT_EQ(lost, 1);
  EXPECT_EQ(t.highWater, base + 3);
  EXPECT_EQ(morrow::GetSurfaceRecord(texture)->refCount, 1);
  EXPECT_EQ(morrow::DeleteSurface3DData(c), 0);
  EXPECT_EQ(t.highWater, base + 1);
  EXPECT_EQ(morrow::DeleteSurface3DData(a), 0);
  EXPECT_EQ(t.highWater, base);
  EXPECT_EQ(morrow::GetSurfaceRecord(texture), nullptr);
  EXPECT_EQ(morrow::DeleteSurface3DData(a), -1);
  EXPECT_EQ(morrow::Get3DGraphRecord(a), nullptr);
}

TEST_F(Pieces, WithoutTheDeviceNoPieceIsMade) {
  Start3D("off");
  morrow::SurfaceFlags flags{1, 0, 0, 0, 0, 16};
  EXPECT_EQ(morrow::AddSurface3DData(16, 16, 0, 0, 16, 16, 0, 0, -1, nullptr, 0, 0, &flags), -1);
  EXPECT_EQ(Count("３Ｄグラフィックエンジンが初期化されていません\n"), 1);
  EXPECT_EQ(morrow::DeleteAll3DGraphs(), -1);
  EXPECT_EQ(morrow::GetGraphRecord(morrow::CreateEmptyGraph(640, 480))->flags.texture, 0);
}

TEST_F(Pieces, ATextureThatCannotBeLockedIsFilledThroughATemporaryOne) {
  Start3D();
  GetDrawState().newGraphAlphaTest = 0;
  const int graph = morrow::CreateGraph(64, 64, 1, 0);
  morrow::GraphRecord* g = morrow::GetGraphRecord(graph);
  morrow::GraphImage image = Picture(64, 64, 24);
  SurfaceRecord* s = TextureOf(Piece(graph, 0));
  auto expectImage = [&] {
    for (int y = 0; y < 64; y += 7) {
      for (int x = 0; x < 64; x += 5) {
        const uint32_t c = morrow::GetGraphImagePixel(&image, x, y);
        const uint32_t want = (c >> 8 & 0xF800u) | (c >> 5 & 0x07E0u) | (c >> 3 & 0x001Fu);
        ASSERT_EQ(Texel(s, x, y), want) << x << "," << y;
      }
    }
  };
  for (platform::DisplayResult failure :
       {platform::DisplayResult::kSurfaceBusy, platform::DisplayResult::kSurfaceLost}) {
    if (failure == platform::DisplayResult::kSurfaceLost) {
      morrow::IsDirectDrawReady()->SimulateLoss();
    } else {
      s->surface->FailNextLock(failure);
    }
    calls_.clear();
    ASSERT_EQ(morrow::Set3DGraphImage(g, 0, 0, &image, nullptr), 0);
    EXPECT_EQ(calls_, Lines{"Load 64x64 0,0 64x64"});
    expectImage();
    EXPECT_EQ(s->lockNesting, 0);
  }
  EXPECT_EQ(Count("グラフィックのロックに失敗しました\n"), 2);
  morrow::FreeGraphImage(&image);
}

TEST_F(Pieces, ASurfaceIsCopiedIntoEachPieceFromItsSourcePlace) {
  Start3D();
  GetDrawState().newGraphAlphaTest = 0;
  const int graph = morrow::CreateGraph(100, 100, 1, 0);
  platform::SurfaceDesc desc;
  desc.flags = platform::kDescWidth | platform::kDescHeight | platform::kDescCaps;
  desc.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
  desc.width = desc.height = 100;
  std::shared_ptr<platform::Surface> frame;
  ASSERT_EQ(morrow::IsDirectDrawReady()->CreateSurface(desc, &frame), platform::DisplayResult::kOk);
  platform::LockedRect l;
  ASSERT_EQ(frame->Lock(nullptr, &l), platform::DisplayResult::kOk);
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 100; ++x) {
      platform::WritePixel(l.bits + y * l.pitch + 2 * x, 2, static_cast<uint32_t>(x << 8 | y));
    }
  }
  frame->Unlock();
  ASSERT_EQ(morrow::Update3DGraphFromSurface(frame.get(), morrow::GetGraphRecord(graph)), 0);
  for (int i = 0; i < 4; ++i) {
    const Surface3DRecord* p = Piece(graph, i);
    EXPECT_EQ(Texel(TextureOf(p), 5, 7),
              static_cast<uint32_t>((p->sourceX + 5) << 8 | (p->sourceY + 7)))
        << i;
  }
  EXPECT_EQ(morrow::Update3DGraphFromSurface(nullptr, morrow::GetGraphRecord(graph)), -1);
  frame->Release();
}

// ---- derived graphs ----

TEST_F(Pieces, DerivedGraphsShareTheirParentsTextures) {
  Start3D();
  morrow::GraphImage image = Picture(128, 64, 24);
  int cells[8];
  ASSERT_EQ(morrow::CreateDivGraphFromGraphImage(&image, nullptr, 8, 4, 2, 32, 32, cells, 1, 0, 0),
            0);
  const Surface3DRecord* cell = Piece(cells[5], 0);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(Describe(cells[5]), Lines{"128x64@0,0:32x32"});
  EXPECT_EQ(cell->textureX, 32);
  EXPECT_EQ(cell->textureY, 32);
  EXPECT_EQ(cell->surface, Piece(cells[0], 0)->surface);
  EXPECT_EQ(morrow::GetSurfaceRecord(cell->surface)->refCount, 8);
  // A cell of a cell lies where its parent lies in the texture.
  const int inner = morrow::DeriveSubGraph(8, 8, 16, 16, cells[5]);
  const Surface3DRecord* p = Piece(inner, 0);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->textureX, 40);
  EXPECT_EQ(p->textureY, 40);
  EXPECT_EQ(p->sourceX, 8);
  EXPECT_EQ(p->quad[0].u, 40.0f / 128);
  EXPECT_EQ(p->quad[3].v, 56.0f / 64);
  for (int i = 0; i < 8; ++i) morrow::FreeGraphHandle(cells[i], 0);
  EXPECT_EQ(morrow::GetSurfaceRecord(p->surface)->refCount, 1);

  // A parent of several pieces: one piece for each it overlaps.
  const int parent = morrow::CreateGraph(100, 100, 1, 0);
  const int part = morrow::DeriveSubGraph(50, 50, 30, 30, parent);
  EXPECT_EQ(Describe(part), (Lines{"64x64@0,0:14x14", "64x64@14,0:16x14", "64x64@0,14:14x16",
                                   "64x64@14,14:16x16"}));
  const int offsets[4][2] = {{50, 50}, {0, 50}, {50, 0}, {0, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Piece(part, i)->textureX, offsets[i][0]) << i;
    EXPECT_EQ(Piece(part, i)->textureY, offsets[i][1]) << i;
    EXPECT_EQ(Piece(part, i)->surface, Piece(parent, i)->surface) << i;
  }
  morrow::FreeGraphImage(&image);
}

// ---- loss and rebuild ----

TEST_F(Pieces, LostTexturesAreRestoredAndFilledAgain) {
  Start3D();
  const imagetest::Picture picture = imagetest::MakePicture(100, 100, 7);
  testsupport::WriteFile(dir_.File("pic.bmp"),
                         imagetest::WriteBmp(picture, imagetest::BmpOptions{}));
  const int graph = morrow::LoadImageAsGraph("pic.bmp");
  ASSERT_EQ(morrow::GetGraphRecord(graph)->pieceCount, 4);
  auto texels = [&] {
    std::vector<uint32_t> all;
    for (int i = 0; i < 4; ++i) {
      const Surface3DRecord* p = Piece(graph, i);
      for (int y = 0; y < p->height; y += 3) {
        for (int x = 0; x < p->width; x += 3) all.push_back(Texel(TextureOf(p), x, y));
      }
    }
    return all;
  };
  const std::vector<uint32_t> loaded = texels();
  const morrow::ResourceHandle first = morrow::GetGraphRecord(graph)->pieces[0];

  // Lost inside a scene: the scene still ends, the textures come back empty, the file fills them.
  ASSERT_EQ(morrow::BeginScene3D(0), 0);
  morrow::IsDirectDrawReady()->SimulateLoss();
  EXPECT_EQ(morrow::EndScene3D(), 0);
  EXPECT_EQ(morrow::Check3DGraphLost(morrow::GetGraphRecord(graph)), -1);
  EXPECT_EQ(morrow::Check3DGraphLost(morrow::GetGraphRecord(graph)), 0);
  EXPECT_NE(texels(), loaded);
  ASSERT_EQ(morrow::RestoreAllGraph(), 0);
  EXPECT_EQ(texels(), loaded);

  // A rebuild of the display keeps the pieces and makes their textures again.
  calls_.clear();
  ASSERT_EQ(morrow::RebuildGraphicsDevice(), 0);
  EXPECT_EQ(morrow::GetGraphRecord(graph)->pieces[0], first);
  EXPECT_EQ(morrow::HasDirect3DDevice(), 1);
  EXPECT_EQ(texels(), loaded);
  EXPECT_TRUE(Called("Release Device3D"));
}

// ---- the glyph cache ----

TEST_F(Pieces, TheGlyphCacheIsHeldAsTextures) {
  platform::InstallFontFactory(platform::CreateFakeFont);
  Start3D();
  const int font = morrow::CreateFontToHandle(nullptr, 16, 6, 2, -1, -1, -1, -1);
  morrow::FontRecord* r = morrow::GetFontRecord(font);
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(r->textureCache, 1);
  const morrow::GraphRecord* cache = morrow::GetGraphRecord(r->cacheGraph);
  ASSERT_EQ(cache->flags.texture, 1);
  const char* zhong = "\xd6\xd0";
  morrow::FontCacheStringDraw(0, 0, 0, zhong, 0, nullptr, nullptr, 0, nullptr, 16, 0, font, 0, -1,
                              0, nullptr);
  const morrow::GlyphCacheEntry* e = r->codes[0xD0D6].entry;
  ASSERT_NE(e, nullptr);
  const int cx = e->cellNumber / r->rowsPerColumn * r->cellSize;
  const int cy = e->cellNumber % r->rowsPerColumn * r->cellSize;
  const Surface3DRecord* p = Piece(r->cacheGraph, 0);
  ASSERT_LT(cx, p->width);
  // The glyph's box in full level, nothing at the cell's far corner (4:4:4:4 texels).
  EXPECT_EQ(Texel(TextureOf(p), cx, cy) & 0xF000u, 0xF000u);
  EXPECT_EQ(Texel(TextureOf(p), cx + r->cellSize - 1, cy + r->cellSize - 1) & 0xF000u, 0u);
}

}  // namespace
