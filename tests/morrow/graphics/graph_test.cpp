// The graph table on a started library: record flags, refused sizes, deletion and its flag,
// delete-all over holes, the graphics-off word, bad handles and the fatal exits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "morrow/graphics/graph.h"
#include "tests/morrow/graphics/graphics_fixture.h"

namespace {

using morrow::GetGraphRecord;
using morrow::GraphRecord;
using morrow::ResourceHandle;

class Graphs : public testsupport::GraphicsFixture {};

struct FlagCase {
  const char* name;
  int desktopBits;  // window mode: the screen's depth
  int alpha;
  int newGraphBitDepth;
  int systemMemory, alphaTest;
  int bitDepth;  // expected
};

class GraphFlags : public testsupport::GraphicsFixture,
                   public ::testing::WithParamInterface<FlagCase> {};

TEST_P(GraphFlags, FollowTheDrawStateAndTheScreen) {
  const FlagCase& c = GetParam();
  Start(1, 16, c.desktopBits);
  morrow::DrawState& ds = morrow::GetDrawState();
  ds.newGraphBitDepth = c.newGraphBitDepth;
  ds.newGraphSystemMemory = c.systemMemory;
  ds.newGraphAlphaTest = c.alphaTest;
  GraphRecord* r = nullptr;
  // The hardware path is wanted, but no 3D device exists.
  const ResourceHandle h = morrow::AddGraphRecord(12, 34, 1, &r, c.alpha);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(GetGraphRecord(h), r);
  EXPECT_EQ(r->handle, h);
  EXPECT_EQ(r->width, 12);
  EXPECT_EQ(r->height, 34);
  EXPECT_EQ(r->movieHandle, -1);
  EXPECT_EQ(r->deletedFlag, nullptr);
  EXPECT_EQ(r->flags.texture, 0);
  EXPECT_EQ(r->flags.alphaChannel, c.alpha);
  EXPECT_EQ(r->flags.drawValid, 0);
  EXPECT_EQ(r->flags.systemMemory, c.systemMemory);
  EXPECT_EQ(r->flags.alphaTest, c.alphaTest);
  EXPECT_EQ(r->flags.bitDepth, c.bitDepth);
}

INSTANTIATE_TEST_SUITE_P(Cases, GraphFlags,
                         ::testing::Values(FlagCase{"ScreenDepth16", 16, 0, 0, 0, 1, 16},
                                           FlagCase{"AlphaIs32OnA16BitScreen", 16, 1, 0, 1, 1, 32},
                                           FlagCase{"SettingWins", 16, 0, 32, 0, 0, 32},
                                           FlagCase{"SettingWinsOverAlpha", 16, 1, 16, 1, 0, 16},
                                           FlagCase{"ScreenDepth32", 32, 0, 0, 0, 1, 32}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Graphs, SidesOutside1To65535MakeNothing) {
  Start(1, 16);
  const std::string before = Log();
  const int sizes[][2] = {{0, 5},     {5, 0},     {-1, 1},    {1, -1},
                          {70000, 1}, {1, 65536}, {65536, 1}, {-65535, 7}};
  for (const auto& s : sizes) {
    EXPECT_EQ(morrow::CreateGraph(s[0], s[1], 0, 0), -1) << s[0] << "x" << s[1];
    EXPECT_EQ(morrow::CreateEmptyGraph(s[0], s[1]), -1) << s[0] << "x" << s[1];
  }
  EXPECT_EQ(Log(), before);
  EXPECT_EQ(morrow::GetGraphicsState().graphs.count, 0);
  // No check number was used up.
  EXPECT_EQ(morrow::CreateGraph(1, 1, 0, 0), morrow::kGraphHandle);
}

TEST_F(Graphs, EverySideFrom1To65535IsMadeAndDeleted) {
  Start(1, 16, 16);
  // The fonts the start made keep a draw screen each.
  const int surfaces = morrow::GetSurfaceTable().count, pieces = morrow::GetSurface2DTable().count;
  const int sizes[][2] = {{1, 1}, {65535, 1}, {1, 65535}, {640, 480}, {641, 2}};
  for (const auto& s : sizes) {
    const ResourceHandle g = morrow::CreateGraph(s[0], s[1], 0, 0);
    ASSERT_NE(GetGraphRecord(g), nullptr) << s[0] << "x" << s[1];
    morrow::Surface2DRecord* p = PieceOf(g);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->width, s[0]);
    EXPECT_EQ(p->height, s[1]);
    EXPECT_EQ(p->owner, g);
    morrow::SurfaceRecord* s2 = SurfaceOf(g);
    ASSERT_NE(s2, nullptr);
    EXPECT_EQ(s2->surface->width(), s[0]);
    EXPECT_EQ(s2->surface->height(), s[1]);
    // Wider than the 640-pixel screen lies in system memory.
    EXPECT_EQ(s2->flags.systemMemory, s[0] > 640 ? 1 : 0);
    EXPECT_EQ(morrow::FreeGraphHandle(g, 0), 0);
    EXPECT_EQ(GetGraphRecord(g), nullptr);
  }
  EXPECT_EQ(morrow::GetSurfaceTable().count, surfaces);
  EXPECT_EQ(morrow::GetSurface2DTable().count, pieces);
}

TEST_F(Graphs, DeletedFlagIsWrittenOnce) {
  Start(1, 16);
  const ResourceHandle g = morrow::CreateGraph(8, 8, 0, 0);
  int flag = 7;
  EXPECT_EQ(morrow::SetGraphDeletedFlag(g, &flag), 0);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(morrow::FreeGraphHandle(g, 0), 0);
  EXPECT_EQ(flag, 1);
  flag = 9;
  EXPECT_EQ(morrow::FreeGraphHandle(g, 0), -1);
  EXPECT_EQ(flag, 9);
  const ResourceHandle h = morrow::CreateGraph(8, 8, 0, 0);
  EXPECT_EQ(morrow::SetGraphDeletedFlag(h, nullptr), 0);
  EXPECT_EQ(morrow::FreeGraphHandle(h, 0), 0);
}

TEST_F(Graphs, DeleteAllGraphsGoesOverHoles) {
  Start(1, 16);
  const int surfaces = morrow::GetSurfaceTable().count, pieces = morrow::GetSurface2DTable().count;
  std::vector<ResourceHandle> g;
  int flags[6] = {};
  for (int i = 0; i < 6; ++i) {
    g.push_back(morrow::CreateGraph(4 + i, 4, 0, i % 2));
    morrow::SetGraphDeletedFlag(g.back(), &flags[i]);
  }
  GetGraphRecord(g[2])->fileName = "Resource\\a.png";
  for (int i : {1, 4, 5}) morrow::FreeGraphHandle(g[i], 0);
  EXPECT_EQ(morrow::GetGraphicsState().graphs.highWater, 4);
  EXPECT_EQ(morrow::DeleteAllGraphs(1), 0);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(flags[i], 1) << i;
    EXPECT_EQ(GetGraphRecord(g[i]), nullptr) << i;
  }
  EXPECT_EQ(morrow::GetGraphicsState().graphs.count, 0);
  EXPECT_EQ(morrow::GetGraphicsState().graphs.highWater, 0);
  EXPECT_EQ(morrow::GetSurfaceTable().count, surfaces);
  EXPECT_EQ(morrow::GetSurface2DTable().count, pieces);
  EXPECT_EQ(Count("グラフィック  の削除\n"), 2);
  EXPECT_EQ(Count("グラフィック Resource\\a.png の削除\n"), 1);
}

TEST_F(Graphs, GraphicsOffTurnsCreatorsAndDeletersIntoNothing) {
  Start(1, 16);
  const ResourceHandle g = morrow::CreateGraph(8, 8, 0, 0);
  morrow::GetDrawState().graphicsOff = 1;
  GraphRecord* r = nullptr;
  EXPECT_EQ(morrow::AddGraphRecord(8, 8, 0, &r, 0), 0);
  EXPECT_EQ(r, nullptr);
  EXPECT_EQ(morrow::CreateGraph(8, 8, 0, 0), 0);
  EXPECT_EQ(morrow::FreeGraphHandle(g, 0), 0);
  EXPECT_EQ(morrow::DeleteAllGraphs(0), 0);
  EXPECT_NE(GetGraphRecord(g), nullptr);
  EXPECT_EQ(morrow::GetGraphicsState().graphs.count, 1);
  morrow::GetDrawState().graphicsOff = 0;
  EXPECT_EQ(GetGraphRecord(0), nullptr);  // the answer of a call while off is no handle
  EXPECT_EQ(morrow::FreeGraphHandle(g, 0), 0);
}

TEST_F(Graphs, BadHandlesAreRefusedWithoutALogLine) {
  Start(1, 16);
  const ResourceHandle live = morrow::CreateGraph(8, 8, 0, 0);
  const ResourceHandle gone = morrow::CreateGraph(8, 8, 0, 0);
  morrow::FreeGraphHandle(gone, 0);
  const ResourceHandle bad[] = {
      -1,
      -4,
      static_cast<ResourceHandle>((live & ~0x78000000) | morrow::kSurfaceHandle),
      static_cast<ResourceHandle>(morrow::kGraphHandle | 30000),
      gone,
      static_cast<ResourceHandle>(live + (3 << 16)),
  };
  const std::string before = Log();
  for (ResourceHandle h : bad) {
    int flag = 5;
    EXPECT_EQ(GetGraphRecord(h), nullptr) << std::hex << h;
    EXPECT_EQ(morrow::SetGraphDeletedFlag(h, &flag), -1) << std::hex << h;
    EXPECT_EQ(morrow::FreeGraphHandle(h, 1), -1) << std::hex << h;
    EXPECT_EQ(flag, 5);
  }
  EXPECT_EQ(Log(), before);
  EXPECT_NE(GetGraphRecord(live), nullptr);
}

TEST_F(Graphs, AFullTableGivesItsLowestFreeSlot) {
  Start(1, 16);
  std::vector<ResourceHandle> made;
  for (int i = 0; i < morrow::kGraphLimit; ++i)
    made.push_back(morrow::AddGraphRecord(1, 1, 0, nullptr, 0));
  morrow::FreeGraphHandle(made[12000], 0);
  morrow::FreeGraphHandle(made[7], 0);
  EXPECT_EQ(morrow::GetGraphicsState().graphs.highWater, morrow::kGraphLimit);
  EXPECT_EQ(morrow::AddGraphRecord(1, 1, 0, nullptr, 0) & 0xFFFF, 7);
  EXPECT_EQ(morrow::AddGraphRecord(1, 1, 0, nullptr, 0) & 0xFFFF, 12000);
}

using GraphsDeathTest = Graphs;

TEST_F(GraphsDeathTest, AFullTableIsFatal) {
  Start(1, 16);
  EXPECT_EXIT(
      {
        for (int i = 0; i <= morrow::kGraphLimit; ++i) morrow::AddGraphRecord(1, 1, 0, nullptr, 0);
      },
      ::testing::ExitedWithCode(255), "");
  EXPECT_EQ(Count("グラフィックの数が許容量を越えました終了します\n"), 1);
  EXPECT_EQ(Count("ソフトをエラー終了します"), 1);
}

TEST_F(GraphsDeathTest, APixelStoreThatCannotBeMadeIsFatal) {
  Start(1, 16);
  // Sixteen gigabytes of pixels: more than any surface can hold.
  EXPECT_EXIT(morrow::CreateGraph(65535, 65535, 0, 0), ::testing::ExitedWithCode(255), "");
  EXPECT_EQ(Count("標準サーフェスの作成に失敗しました\n"), 1);
  EXPECT_EQ(Count("グラフィックの作成に失敗しました終了します\n"), 1);
}

TEST_F(Graphs, BeforeTheStartNoGraphIsMade) {
  EXPECT_EQ(morrow::CreateGraph(8, 8, 0, 0), -1);
  EXPECT_EQ(morrow::GetGraphicsState().graphs.count, 0);
}

TEST_F(Graphs, StartAndEndLogTheirLinesAndEndDeletesEverything) {
  Start(1, 16);
  const ResourceHandle g = morrow::CreateGraph(8, 8, 0, 1);
  EXPECT_EQ(morrow::GetGraphicsState().initialised, 1);
  EXPECT_EQ(morrow::GetGraphicsState().direct3DUsable, 0);
  EXPECT_EQ(morrow::GetDrawState().drawScreen, morrow::kFrontScreen);
  EXPECT_EQ(morrow::GetDrawState().drawArea, (morrow::Rect{0, 0, 640, 480}));
  ASSERT_EQ(morrow::EndLibrary(), 0);
  EXPECT_EQ(morrow::GetGraphicsState().initialised, 0);
  EXPECT_EQ(GetGraphRecord(g), nullptr);
  EXPECT_EQ(morrow::GetSurfaceTable().count, 0);
  EXPECT_EQ(morrow::GetSurface2DTable().count, 0);
  EXPECT_EQ(Count("グラフィック管理系の初期化を行います\n"), 1);
  EXPECT_EQ(Count("\t３Ｄグラフィック描画機能は使用しません\n"), 1);
  EXPECT_EQ(Count("グラフィック管理系の初期化は正常に終了しました\n"), 1);
  EXPECT_EQ(Count("グラフィック管理系の終了処理は正常に終了しました\n"), 1);
}

TEST_F(Graphs, ScreenModeChangeStartsTheGraphicsAgainKeepingTheKeyColour) {
  Start(1, 16);
  morrow::SetDrawStateKeyColor(0x00FF00);
  morrow::GetDrawState().newGraphBitDepth = 32;
  const ResourceHandle g = morrow::CreateGraph(8, 8, 0, 0);
  ASSERT_EQ(morrow::SelectScreenMode(320, 240, -1, -1), 0);
  EXPECT_EQ(GetGraphRecord(g), nullptr);
  EXPECT_EQ(morrow::GetDrawStateKeyColor(), 0x00FF00u);
  EXPECT_EQ(morrow::GetDrawState().newGraphBitDepth, 0);
  EXPECT_EQ(morrow::GetDrawState().drawArea, (morrow::Rect{0, 0, 320, 240}));
  EXPECT_EQ(Count("グラフィック管理系の初期化は正常に終了しました\n"), 2);
  EXPECT_EQ(Count("グラフィック管理系の終了処理は正常に終了しました\n"), 1);
}

}  // namespace
