// Images of texture graphs through the CPU 3D device, seen by the recording decorator and in the
// vertex batch: batching, the geometry of plain, stretched, rotated and free-quadrilateral draws,
// the grid of a non-parallelogram, suspended drawing and geometry that cannot be drawn.
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
#include "morrow/graphics/surface.h"
#include "tests/morrow/device/direct3d_fixture.h"

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

}  // namespace
