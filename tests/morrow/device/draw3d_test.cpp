// Images of texture graphs through the CPU 3D device, seen by the recording decorator and in the
// vertex batch: batching, the geometry of plain, stretched, rotated and free-quadrilateral draws,
// the grid of a non-parallelogram, suspended drawing and geometry that cannot be drawn; every
// capture method against the first, and the mask surface as the device's target.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/device/direct3d.h"
#include "morrow/device/draw3d_internal.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_load.h"
#include "morrow/graphics/mask.h"
#include "morrow/graphics/surface.h"
#include "tests/morrow/device/direct3d_fixture.h"
#include "tests/morrow/graphics/graphics_fixture.h"

namespace {

using morrow::GetDirect3DState;
using morrow::GetDrawState;
using morrow::Rect;
using morrow::Vertex3D;
using Lines = std::vector<std::string>;

class Draw3D : public testsupport::Direct3DFixture {
 protected:
  // Started on the back screen with the scene kept open between draws, and a plain texture graph
  // of w x h.
  morrow::GraphRecord* StartWithGraph(int w, int h) {
    Start3D("on", 32, nullptr);
    morrow::SetGraphAlphaTestFlag(0);
    morrow::SelectDrawTarget(morrow::kBackScreen);
    EXPECT_EQ(GetDirect3DState().endSceneAfterDraw, 0);
    morrow::GraphRecord* g = morrow::GetGraphRecord(morrow::CreateGraph(w, h, 1, 0));
    EXPECT_NE(g, nullptr);
    EXPECT_EQ(g->flags.texture, 1);
    calls_.clear();
    return g;
  }
  // The last quad in the batch: its four corners as the two triangles give them.
  static std::vector<Vertex3D> LastQuad() {
    const morrow::Direct3DDeviceRecord& r = Record();
    const Vertex3D* v = r.vertices + r.vertexCount - 6;
    return {v[0], v[1], v[2], v[3]};
  }
  // The texel of the graph's first piece at (x, y) of the graph, as 0xRRGGBB.
  static uint32_t GraphTexel(morrow::GraphRecord* g, int x, int y) {
    const morrow::Surface3DRecord* p = morrow::Get3DGraphRecord(g->pieces[0]);
    platform::Surface* s = morrow::GetSurfaceRecord(p->surface)->surface.get();
    return SurfacePixel(s, p->textureX + x, p->textureY + y) & 0xFFFFFFu;
  }
  Lines Draws() const {
    Lines out;
    for (const std::string& c : calls_) {
      if (c.rfind("Draw", 0) == 0) out.push_back(c);
    }
    return out;
  }
};

TEST_F(Draw3D, QuadsOfOneStateShareTheBatchUntilItIsFull) {
  morrow::GraphRecord* g = StartWithGraph(1, 1);
  for (int quads : {499, 500, 501}) {
    calls_.clear();
    for (int i = 0; i < quads; ++i) ASSERT_EQ(morrow::G_D3D_DrawGraph(i, 300, g, 0), 0);
    EXPECT_EQ(Record().vertexCount, quads * 6 % 3000) << quads;
    morrow::EndScene3D();
    Lines want;
    if (quads >= 500) want.push_back("DrawPrimitive TRIANGLELIST 0x144 3000");
    if (quads != 500) {
      want.push_back("DrawPrimitive TRIANGLELIST 0x144 " + std::to_string(quads % 500 * 6));
    }
    EXPECT_EQ(Draws(), want) << quads;
  }
}

TEST_F(Draw3D, PlainStretchedAndRotatedGeometry) {
  morrow::GraphRecord* g = StartWithGraph(3, 3);
  struct Corner {
    float x, y, u, v;
  };
  auto corners = [] {
    std::vector<Corner> out;
    for (const Vertex3D& v : LastQuad()) out.push_back({v.x, v.y, v.u, v.v});
    return out;
  };
  auto same = [](const std::vector<Corner>& a, const std::vector<Corner>& b) {
    for (size_t i = 0; i < a.size(); ++i) {
      if (a[i].x != b[i].x || a[i].y != b[i].y || a[i].u != b[i].u || a[i].v != b[i].v) {
        return false;
      }
    }
    return a.size() == b.size();
  };
  ASSERT_EQ(morrow::G_D3D_DrawGraph(20, 30, g, 0), 0);
  const std::vector<Corner> plain = corners();
  EXPECT_EQ(plain[0].x, 19.5f);
  EXPECT_EQ(plain[3].y, 32.5f);
  ASSERT_EQ(morrow::G_D3D_DrawExtendGraph(20, 30, 23, 33, g, 0), 0);
  EXPECT_TRUE(same(corners(), plain));

  // One mirror: vertices 1 and 2 change places so that the triangles keep their winding.
  ASSERT_EQ(morrow::G_D3D_DrawExtendGraph(26, 30, 20, 36, g, 0), 0);
  std::vector<Corner> c = corners();
  EXPECT_EQ(c[0].x, 25.5f);
  EXPECT_EQ(c[2].x, 19.5f);  // graph's top-right, now second
  EXPECT_EQ(c[1].y, 35.5f);
  ASSERT_EQ(morrow::G_D3D_DrawExtendGraph(26, 36, 20, 30, g, 0), 0);
  c = corners();
  EXPECT_EQ(c[1].x, 19.5f);
  EXPECT_EQ(c[1].y, 35.5f);

  // Clipping to the draw area moves u and v with the cut.
  morrow::SetClipRect(21, 0, 640, 480);
  ASSERT_EQ(morrow::G_D3D_DrawGraph(20, 30, g, 0), 0);
  c = corners();
  EXPECT_EQ(c[0].x, 21.0f);
  EXPECT_FLOAT_EQ(c[0].u, plain[0].u + 1.5f * (plain[1].u - plain[0].u) / 3.0f);
  EXPECT_EQ(c[1].x, plain[1].x);
  morrow::SetClipRect(0, 0, 640, 480);

  // A 3 x 3 graph turned by 0 at (10, 10): corners on 8.5 and 11.5.
  ASSERT_EQ(morrow::G_D3D_DrawRotaGraph(10, 10, 1.0, 0.0, g, 0, 0), 0);
  c = corners();
  EXPECT_EQ(c[0].x, 8.5f);
  EXPECT_EQ(c[0].y, 8.5f);
  EXPECT_EQ(c[3].x, 11.5f);
  EXPECT_EQ(c[3].y, 11.5f);
  const int before = Record().vertexCount;
  EXPECT_EQ(morrow::G_D3D_DrawRotaGraph(-100, 10, 1.0, 0.0, g, 0, 0), 0);  // off the target
  EXPECT_EQ(Record().vertexCount, before);
  morrow::EndScene3D();
}

TEST_F(Draw3D, AParallelogramIsOneQuadATrapezoidAGrid) {
  morrow::GraphRecord* g = StartWithGraph(8, 8);
  ASSERT_EQ(morrow::G_D3D_DrawModiGraph(10, 10, 30, 12, 5, 30, 25, 32, g, 0), 0);
  EXPECT_EQ(Record().vertexCount, 6);
  EXPECT_EQ(LastQuad()[0].x, 10.0f);  // exactly the corners given
  ASSERT_EQ(morrow::G_D3D_DrawModiGraph(10, 10, 30, 10, 0, 30, 40, 30, g, 0), 0);
  EXPECT_EQ(Record().vertexCount, 0);
  // Upright: a stretch.
  ASSERT_EQ(morrow::G_D3D_DrawModiGraph(10, 10, 26, 10, 10, 26, 26, 26, g, 0), 0);
  EXPECT_EQ(LastQuad()[0].x, 9.5f);
  morrow::EndScene3D();
  EXPECT_EQ(Draws(), (Lines{"DrawPrimitive TRIANGLELIST 0x144 6",
                            "DrawIndexedPrimitive TRIANGLESTRIP 0x144 64 124",
                            "DrawPrimitive TRIANGLELIST 0x144 6"}));

  // A grid whose indices pass 1000 is drawn in pieces of whole row pairs.
  std::vector<Vertex3D> grid(40 * 40, Vertex3D{0, 0, 0, 1, 0xFFFFFFFFu, 0, 0});
  morrow::BeginScene3D(0);
  calls_.clear();
  ASSERT_EQ(morrow::DrawVertexGrid3D(grid.data(), 40, 40, 0), 0);
  EXPECT_EQ(morrow::DrawVertexGrid3D(grid.data(), 1, 40, 0), -1);
  Lines want;
  for (int pairs : {12, 12, 12, 3}) {
    want.push_back("DrawIndexedPrimitive TRIANGLESTRIP 0x144 1600 " +
                   std::to_string(pairs * 80 + (pairs - 1) * 2));
  }
  EXPECT_EQ(Draws(), want);
  morrow::EndScene3D();
}

TEST_F(Draw3D, SuspendedAndUndrawableInput) {
  morrow::GraphRecord* g = StartWithGraph(4, 4);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const float fnan = std::numeric_limits<float>::quiet_NaN();
  const int far = 1 << 30;
  EXPECT_EQ(morrow::G_D3D_DrawRotaGraph(10, 10, nan, 0.0, g, 0, 0), -1);
  EXPECT_EQ(morrow::G_D3D_DrawRotaGraph(10, 10, 1.0, INFINITY, g, 0, 0), -1);
  EXPECT_EQ(morrow::G_D3D_DrawFloatModiGraph(0, 0, fnan, 0, 0, 4, 4, 4, g, 0), -1);
  EXPECT_EQ(morrow::G_D3D_DrawGraph(far, -far, g, 0), 0);
  EXPECT_EQ(morrow::G_D3D_DrawExtendGraph(-far, -far, far, far, g, 0), 0);
  EXPECT_EQ(morrow::G_D3D_DrawRotaGraph(far, far, 1e9, 1.0, g, 0, 1), 0);
  EXPECT_EQ(morrow::G_D3D_DrawModiGraph(-far, -far, far, -far, -far, far, far / 2, far, g, 0), 0);
  morrow::EndScene3D();
  calls_.clear();
  GetDirect3DState().drawingSuspended = 1;
  EXPECT_EQ(morrow::G_D3D_DrawGraph(10, 10, g, 0), 0);
  EXPECT_EQ(morrow::G_D3D_DrawRotaGraph(10, 10, 2.0, 1.0, g, 0, 0), 0);
  EXPECT_EQ(Record().vertexCount, 0);
  EXPECT_TRUE(calls_.empty());
  GetDirect3DState().drawingSuspended = 0;
}

TEST_F(Draw3D, CapturesRememberTheFirstMethodThatWorks) {
  morrow::GraphRecord* g = StartWithGraph(32, 32);
  int32_t* remembered = GetDirect3DState().captureMethod;
  morrow::SetGraphAlphaTestFlag(1);
  morrow::GraphRecord* keyed = morrow::GetGraphRecord(morrow::CreateGraph(16, 16, 1, 0));
  ASSERT_NE(keyed, nullptr);
  EXPECT_EQ(remembered[0], -1);
  morrow::DrawFillBox(0, 0, 640, 480, morrow::PackScreenColor(10, 20, 30));
  morrow::DrawFillBox(0, 0, 64, 64, morrow::PackScreenColor(200, 100, 50));
  // The rectangle bounds the checks only: each piece receives its whole area from (x1, y1).
  ASSERT_EQ(morrow::CopyScreenToGraph(48, 48, 50, 50, g->handle, 1), 0);
  EXPECT_EQ(remembered[0], 0);
  EXPECT_EQ(remembered[1], -1);
  EXPECT_EQ(GraphTexel(g, 15, 15), 0xC86432u);
  EXPECT_EQ(GraphTexel(g, 16, 15), 0x0A141Eu);
  ASSERT_EQ(morrow::CopyScreenToGraph(0, 0, 16, 16, keyed->handle, 1), 0);
  EXPECT_EQ(remembered[1], 0);

  // Refused everywhere: the index is forgotten and the next call searches again.
  for (const Rect& r :
       {Rect{0, 0, 33, 10}, Rect{5, 5, 5, 10}, Rect{-1, 0, 10, 10}, Rect{641, 0, 650, 10}}) {
    EXPECT_EQ(morrow::CopyScreenToGraph(r.left, r.top, r.right, r.bottom, g->handle, 1), -1);
    EXPECT_EQ(remembered[0], -1);
  }
  // Pieces reaching past the screen take what there is.
  ASSERT_EQ(morrow::CopyScreenToGraph(630, 470, 640, 480, g->handle, 1), 0);
  EXPECT_EQ(remembered[0], 0);
  EXPECT_EQ(GraphTexel(g, 9, 9), 0x0A141Eu);

  // With flag 0 on the front screen of a window the rectangle is in desktop coordinates.
  morrow::SelectDrawTarget(morrow::kFrontScreen);
  const Rect off = GetDrawState().screenOffset;
  ASSERT_GT(off.left, 0);
  morrow::DrawFillBox(0, 0, 8, 8, morrow::PackScreenColor(255, 0, 0));
  ASSERT_EQ(morrow::CopyScreenToGraph(off.left, off.top, off.left + 8, off.top + 8, g->handle, 0),
            0);
  EXPECT_EQ(GraphTexel(g, 7, 7), 0xFF0000u);
  ASSERT_EQ(morrow::CopyScreenToGraph(0, 0, 8, 8, g->handle, 1), 0);
  EXPECT_EQ(GraphTexel(g, 7, 7), 0xFF0000u);
  EXPECT_NE(GraphTexel(g, 8, 8), 0xFF0000u);

  // Suspended drawing does not stop a capture, which works on surfaces alone.
  GetDirect3DState().drawingSuspended = 1;
  EXPECT_EQ(morrow::CopyScreenToGraph(0, 0, 8, 8, g->handle, 1), 0);
  GetDirect3DState().drawingSuspended = 0;
}

TEST_F(Draw3D, SubtractionOnTheDeviceIsExactAtTheExtremes) {
  morrow::GraphRecord* g = StartWithGraph(4, 4);
  morrow::GraphRecord* white = morrow::GetGraphRecord(morrow::CreateGraph(4, 4, 1, 0));
  ASSERT_EQ(morrow::PaintGraph(g->handle, 0, 0, 0, 255), 0);
  ASSERT_EQ(morrow::PaintGraph(white->handle, 255, 255, 255, 255), 0);
  struct Case {
    uint32_t target;
    morrow::GraphRecord* graph;  // null: a filled box of white
    uint32_t want;
  } cases[] = {
      {0xFFFFFF, g, 0xFFFFFF},       {0x000000, g, 0x000000},     {0xFFFFFF, white, 0x000000},
      {0x000000, white, 0x000000},   {0x804020, white, 0x000000}, {0x804020, g, 0x804020},
      {0xFFFFFF, nullptr, 0x000000},
  };
  int x = 0;
  for (const Case& c : cases) {
    morrow::SetBlendMode(0, 0);
    morrow::DrawFillBox(
        x, 0, x + 4, 4,
        morrow::PackScreenColor(c.target >> 16, (c.target >> 8) & 0xFF, c.target & 0xFF));
    morrow::SetBlendMode(3, 255);
    if (c.graph != nullptr) {
      morrow::DrawGraph(x, 0, c.graph->handle, 0);
    } else {
      morrow::DrawFillBox(x, 0, x + 4, 4, morrow::PackScreenColor(255, 255, 255));
    }
    morrow::EndScene3D();
    EXPECT_EQ(SurfacePixel(morrow::GetBackSurface(), x + 1, 1) & 0xFFFFFFu, c.want) << x;
    EXPECT_EQ(GetDrawState().blendMode, 3);
    x += 8;
  }
  morrow::SetBlendMode(0, 0);
}

// Keyed pictures drawn enlarged, reduced and turned with filtering on, through either kind of
// texture (alpha from the key, or the key discarded) at either depth and in the plain,
// translucent and additive modes: picture and screen hold no green, so no pixel may take any.
// A picture all of the key colour draws nothing; an opaque one keeps the pixels (their hash) it
// drew before filtering weighed texels by how much they show.
TEST_F(Draw3D, FilteringNeverShowsTheKeyColour) {
  Start3D("on", 32, nullptr);
  morrow::SelectDrawTarget(morrow::kBackScreen);
  morrow::SetKeyColor(0, 255, 0);
  auto graph = [](int side, int alphaTest, int depth, auto colour) {
    GetDrawState().newGraphAlphaTest = alphaTest;
    GetDrawState().newGraphBitDepth = depth;
    morrow::GraphImage image = testsupport::MakeImage(
        side, side, 32, 0xFF0000, 0xFF00, 0xFF, 0,
        [&](int x, int y) { return 0xFF000000u | static_cast<uint32_t>(colour(x, y)); });
    const int g = morrow::BuildGraphFromGraphImage(&image, nullptr, 1, 0, 0);
    morrow::FreeGraphImage(&image);
    return g;
  };
  // The screen filled with 0x500078, the graph drawn twice, then a hash of the area drawn and
  // the count of its pixels with any green and of those changed.
  struct Seen {
    uint64_t hash = 1469598103934665603ull;
    int green = 0, changed = 0;
  };
  auto draw = [](int g, int mode) {
    morrow::SetBlendMode(0, 0);
    morrow::DrawFillBox(0, 0, 640, 480, morrow::PackScreenColor(0x50, 0, 0x78));
    morrow::SetFilterMode(1);
    morrow::SetBlendMode(mode, mode == 1 ? 200 : 255);
    morrow::DrawRotaGraph(310, 230, 2.7, 0.7, g, 1, 0);
    morrow::DrawRotaGraph(240, 320, 0.6, -2.3, g, 1, 0);
    morrow::SetBlendMode(0, 0);
    morrow::SetFilterMode(0);
    morrow::EndScene3D();
    Seen seen;
    platform::LockedRect l;
    EXPECT_EQ(morrow::GetBackSurface()->Lock(nullptr, &l), platform::DisplayResult::kOk);
    for (int y = 120; y < 360; ++y) {
      for (int x = 200; x < 440; ++x) {
        const uint32_t p = platform::ReadPixel(l.bits + y * l.pitch + x * 4, 4) & 0xFFFFFFu;
        seen.hash = (seen.hash ^ p) * 1099511628211ull;
        seen.green += (p & 0xFF00u) != 0;
        seen.changed += p != 0x500078u;
      }
    }
    morrow::GetBackSurface()->Unlock();
    return seen;
  };
  // A red-to-blue ring with the key outside it, in its hole and in a stripe across it.
  auto ring = [](int x, int y) {
    const int dx = 2 * x - 39, dy = 2 * y - 39, d = dx * dx + dy * dy;
    if (d > 38 * 38 || d < 16 * 16 || (y >= 18 && y <= 20)) return 0x00FF00;
    return (255 - 6 * x) << 16 | 6 * y;
  };
  auto opaque = [](int x, int y) {
    const int c = static_cast<int>((x * 2654435761u ^ y * 40503u) & 0xFFFFFFu);
    return c == 0x00FF00 ? 0x00FE00 : c;
  };
  const uint64_t opaqueHash[3] = {14392416449284476912ull, 1417486007562992764ull,
                                  8103700625944875227ull};
  for (int alphaTest : {1, 0}) {
    for (int depth : {16, 32}) {
      const int keyed = graph(40, alphaTest, depth, ring);
      const int allKey = graph(40, alphaTest, depth, [](int, int) { return 0x00FF00; });
      const int plain = graph(32, alphaTest, 32, opaque);
      for (int mode : {0, 1, 2}) {
        SCOPED_TRACE(testing::Message() << alphaTest << " " << depth << " " << mode);
        const Seen k = draw(keyed, mode), none = draw(allKey, mode);
        EXPECT_EQ(k.green, 0);
        EXPECT_GT(k.changed, 4000) << "the ring is drawn";
        EXPECT_EQ(none.changed, 0);
        EXPECT_EQ(draw(plain, mode).hash, opaqueHash[mode]);
      }
      for (int g : {keyed, allKey, plain}) morrow::FreeGraphHandle(g, 0);
    }
  }
}

// A picture drawn and deleted at once (the loading sign) still shows: its quads wait in the batch,
// and a texture deleted under them must not take them along, whatever draw flushes the batch
// next. A graph that shares its texture with another leaves it, and the batch, alone.
TEST_F(Draw3D, AGraphDeletedWhileItsQuadsWaitIsStillDrawn) {
  morrow::GraphRecord* g = StartWithGraph(4, 4);
  ASSERT_EQ(morrow::PaintGraph(g->handle, 40, 200, 90, 255), 0);
  const int cell = morrow::DeriveSubGraph(0, 0, 2, 2, g->handle);
  ASSERT_NE(cell, -1);
  morrow::DrawGraph(10, 10, cell, 0);
  ASSERT_EQ(morrow::FreeGraphHandle(cell, 0), 0);
  EXPECT_EQ(Record().vertexCount, 6) << "the parent still holds the texture";
  morrow::DrawGraph(20, 10, g->handle, 0);
  ASSERT_EQ(morrow::FreeGraphHandle(g->handle, 0), 0);
  EXPECT_EQ(Record().vertexCount, 0);
  morrow::DrawFillBox(0, 0, 2, 2, morrow::PackScreenColor(255, 0, 0));
  morrow::EndScene3D();
  for (int x : {11, 21, 23}) {
    EXPECT_EQ(SurfacePixel(morrow::GetBackSurface(), x, 11) & 0xFFFFFFu, 0x28C85Au) << x;
  }
  EXPECT_EQ(SurfacePixel(morrow::GetBackSurface(), 1, 1) & 0xFFFFFFu, 0xFF0000u);
}

// Every capture method fills a texture graph with the texels the first one gives, on one screen
// of sixteen colour columns crossed by a band of the key colour: plain, alpha-test and
// alpha-channel textures, a graph cut into several textures, at 16 and 32 bits.
class CaptureMethods : public Draw3D, public ::testing::WithParamInterface<int> {
 protected:
  // Every texel of every piece, row by row.
  static std::vector<uint32_t> Texels(morrow::GraphRecord* g) {
    std::vector<uint32_t> out;
    for (int i = 0; i < g->pieceCount; ++i) {
      const morrow::Surface3DRecord* p = morrow::Get3DGraphRecord(g->pieces[i]);
      platform::Surface* s = morrow::GetSurfaceRecord(p->surface)->surface.get();
      platform::LockedRect l;
      EXPECT_EQ(s->Lock(nullptr, &l), platform::DisplayResult::kOk);
      const int bytes = static_cast<int>(l.format.bitCount / 8);
      for (int y = 0; y < p->height; ++y) {
        for (int x = 0; x < p->width; ++x) {
          out.push_back(platform::ReadPixel(
              l.bits + (p->textureY + y) * l.pitch + (p->textureX + x) * bytes, bytes));
        }
      }
      s->Unlock();
    }
    return out;
  }
  // The stored texel of the first piece at (x, y) of the graph.
  static uint32_t PieceTexel(morrow::GraphRecord* g, int x, int y) {
    const morrow::Surface3DRecord* p = morrow::Get3DGraphRecord(g->pieces[0]);
    platform::Surface* s = morrow::GetSurfaceRecord(p->surface)->surface.get();
    return SurfacePixel(s, p->textureX + x, p->textureY + y);
  }
};

TEST_P(CaptureMethods, EachGivesTheTexelsOfTheFirst) {
  const int depth = GetParam();
  Start3D("on", depth, nullptr);
  morrow::SelectDrawTarget(morrow::kBackScreen);
  morrow::SetKeyColor(0, 255, 0);
  morrow::DrawFillBox(0, 0, 640, 480, morrow::PackScreenColor(10, 20, 30));
  for (int i = 0; i < 16; ++i) {
    morrow::DrawFillBox(i * 20, 0, i * 20 + 20, 300,
                        morrow::PackScreenColor(i * 17, 100 + i * 9, 255 - i * 16));
  }
  morrow::DrawFillBox(0, 100, 640, 110, morrow::PackScreenColor(0, 255, 0));
  morrow::EndScene3D();
  struct Kind {
    const char* name;
    int alphaTest, alphaChannel;
    // Worked texels at (0, 0) (screen (5, 90), column 0) and (0, 15) (the key band), as stored
    // at 16 and at 32 bits.
    uint32_t column16, key16, column32, key32;
    // The screen's layout: the straight copy of the second method needs it.
    bool screenLayout;
  } kinds[] = {
      {"plain", 0, 0, 0x033F, 0x07E0, 0xFF0064FF, 0xFF00FF00, true},
      {"alpha test", 1, 0, 0x819F, 0x03E0, 0xFF0064FF, 0x0000FF00, false},
      {"alpha channel", 0, 1, 0xFF0065FF, 0x0000FF00, 0xFF0064FF, 0x0000FF00, false},
  };
  for (const Kind& k : kinds) {
    morrow::SetGraphAlphaTestFlag(k.alphaTest);
    morrow::GraphRecord* g =
        morrow::GetGraphRecord(morrow::CreateGraph(300, 40, 1, k.alphaChannel));
    ASSERT_NE(g, nullptr) << k.name;
    ASSERT_GT(g->pieceCount, 1) << k.name;
    std::vector<uint32_t> first;
    for (int m = 0; morrow::GetCaptureMethod3D(m) != nullptr; ++m) {
      const morrow::CaptureMethod3D method = morrow::GetCaptureMethod3D(m);
      // Refused by the common checks: wider than the graph, empty, left of the source.
      EXPECT_EQ(method(5, 90, 306, 130, g, 1), -1) << k.name << " " << m;
      EXPECT_EQ(method(5, 90, 5, 130, g, 1), -1) << k.name << " " << m;
      EXPECT_EQ(method(-1, 90, 5, 130, g, 1), -1) << k.name << " " << m;
      ASSERT_EQ(morrow::PaintGraph(g->handle, 1, 2, 3, 4), 0);
      if (m == 1 && !k.screenLayout) {
        EXPECT_EQ(method(5, 90, 305, 130, g, 1), -1) << k.name;
        continue;
      }
      ASSERT_EQ(method(5, 90, 305, 130, g, 1), 0) << k.name << " " << m;
      const std::vector<uint32_t> texels = Texels(g);
      if (m == 0) {
        first = texels;
        EXPECT_EQ(PieceTexel(g, 0, 0), depth == 16 ? k.column16 : k.column32) << k.name;
        EXPECT_EQ(PieceTexel(g, 0, 15), depth == 16 ? k.key16 : k.key32) << k.name;
      } else {
        EXPECT_EQ(texels, first) << k.name << " " << m;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, CaptureMethods, ::testing::Values(16, 32));

// A method that cannot have its device contexts logs its own line and gives way; Function4's
// Load failing gives -1 without one.
TEST_F(Draw3D, CaptureMethodsThatFailSayWhy) {
  Start3D("on", 32, nullptr, [](platform::DisplayConfig* c) { c->direct3D.failCall = "Load"; });
  morrow::SelectDrawTarget(morrow::kBackScreen);
  morrow::GraphRecord* g = morrow::GetGraphRecord(morrow::CreateGraph(16, 16, 1, 0));
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(morrow::GetCaptureMethod3D(4)(0, 0, 16, 16, g, 1), -1);
  EXPECT_EQ(Log().find("G_D3D_GetDrawScreenGraphFunction4"), std::string::npos);
  platform::LockedRect l;
  ASSERT_EQ(morrow::GetBackSurface()->Lock(nullptr, &l), platform::DisplayResult::kOk);
  const char* texts[] = {
      "Error  G_D3D_GetDrawScreenGraphFunction3 　ＤＣ取得に失敗しました  GetDC  ReturnValue:3",
      "Error  G_D3D_GetDrawScreenGraphFunction2  ＤＣ取得に失敗しました  GetDC ReturnValue:3",
      "Error  G_D3D_GetDrawScreenGraphFunction4 　ＤＣ取得に失敗しました  GetDC  ReturnValue:3",
  };
  for (int m = 2; m <= 4; ++m) {
    EXPECT_EQ(morrow::GetCaptureMethod3D(m)(0, 0, 16, 16, g, 1), -1) << m;
    EXPECT_NE(Log().find(texts[m - 2]), std::string::npos) << m;
  }
  morrow::GetBackSurface()->Unlock();
}

// The device's Load into a texture that lost its pixels is tried again after restoring it.
TEST_F(Draw3D, TheLoadingCaptureRestoresALostTexture) {
  morrow::GraphRecord* g = StartWithGraph(16, 16);
  ASSERT_EQ(morrow::IsDirectDrawReady()->SimulateLoss(), platform::DisplayResult::kOk);
  platform::Surface* back = morrow::GetBackSurface();
  ASSERT_EQ(back->Restore(), platform::DisplayResult::kOk);
  ASSERT_EQ(morrow::GetCaptureMethod3D(4)(0, 0, 16, 16, g, 1), 0);
  Lines loads;
  for (const std::string& c : calls_) {
    if (c.rfind("Load", 0) == 0) loads.push_back(c);
  }
  ASSERT_EQ(loads.size(), 2u);
  EXPECT_NE(loads[0].find("-> "), std::string::npos) << loads[0];
  EXPECT_EQ(loads[1].find("-> "), std::string::npos) << loads[1];
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(GraphTexel(g, i, 15 - i), SurfacePixel(back, i, 15 - i) & 0xFFFFFFu) << i;
  }
}

// While the mask is on the device draws into the mask surface, and the mask bytes choose which
// of its pixels reach the target; with the mask off it draws on the target again. A target
// taller than the screen keeps the device's viewport inside the mask.
TEST_F(Draw3D, TheMaskSurfaceTakesTheDevicesDrawsWhileTheMaskIsOn) {
  StartWithGraph(4, 4);
  const uint32_t red = morrow::PackScreenColor(255, 0, 0);
  const uint32_t blue = morrow::PackScreenColor(0, 0, 255);
  platform::Surface* back = morrow::GetBackSurface();
  morrow::DrawFillBox(0, 0, 640, 480, morrow::PackScreenColor(10, 20, 30));
  ASSERT_EQ(morrow::CreateMaskBuffer(1, 1), 0);
  platform::Surface* mask = morrow::GetMaskSurface();
  ASSERT_EQ(morrow::SetMaskEnabled(1), 0);
  EXPECT_EQ(Record().renderTarget.get(), mask);
  ASSERT_EQ(morrow::G_D3D_DrawFillBox(10, 10, 20, 20, red), 0);
  morrow::EndScene3D();
  EXPECT_EQ(SurfacePixel(mask, 15, 15) & 0xFFFFFFu, 0xFF0000u);
  EXPECT_EQ(SurfacePixel(back, 15, 15) & 0xFFFFFFu, 0x0A141Eu);
  ASSERT_EQ(morrow::FillMaskRect(30, 10, 35, 20, 1), 0);
  morrow::DrawFillBox(30, 10, 40, 20, blue);
  morrow::EndScene3D();
  EXPECT_EQ(SurfacePixel(back, 32, 15) & 0xFFFFFFu, 0x0000FFu);
  EXPECT_EQ(SurfacePixel(back, 37, 15) & 0xFFFFFFu, 0x0A141Eu);

  ASSERT_EQ(morrow::SetMaskEnabled(0), 0);
  EXPECT_EQ(Record().renderTarget.get(), back);
  ASSERT_EQ(morrow::G_D3D_DrawFillBox(50, 10, 60, 20, red), 0);
  morrow::EndScene3D();
  EXPECT_EQ(SurfacePixel(back, 55, 15) & 0xFFFFFFu, 0xFF0000u);

  const morrow::ResourceHandle tall = morrow::CreateGraph(64, 1024, 0, 0);
  ASSERT_EQ(morrow::SetMaskEnabled(1), 0);
  ASSERT_EQ(morrow::SelectDrawTarget(tall), 0);
  EXPECT_EQ(Record().renderTarget.get(), mask);
  EXPECT_EQ(Record().viewport.height, 480u);
  ASSERT_EQ(morrow::G_D3D_DrawFillBox(0, 470, 64, 1000, blue), 0);
  morrow::EndScene3D();
  EXPECT_EQ(SurfacePixel(mask, 5, 479) & 0xFFFFFFu, 0x0000FFu);
  ASSERT_EQ(morrow::SetMaskEnabled(0), 0);
  morrow::SelectDrawTarget(morrow::kBackScreen);
  morrow::DeleteMaskBuffer();
}

}  // namespace
