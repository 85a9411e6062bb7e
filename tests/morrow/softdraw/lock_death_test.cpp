// A surface lock that fails inside a software draw ends the process with the draw's own text, for
// every lock each draw takes: the target, the graph's surface or its staged copy, and the staged
// destination (boxes, lines, circles and plain triangles have no graph).
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/softdraw/raster.h"
#include "tests/morrow/softdraw/turned_fixture.h"

namespace {

using morrow::ResourceHandle;

enum class Draw { kPiece, kSolid, kRota, kModi, kExtend, kLine, kCircle, kTriangle };

struct LockCase {
  const char* name;
  Draw draw;
  int alpha;          // the graph's alpha channel: -1 none
  bool systemMemory;  // the graph's surface
  int failing;        // 0 target, 1 the graph's surface, 2 work surface, 3 second work surface
  platform::DisplayResult error;
  const char* text;
};

void PrintTo(const LockCase& c, std::ostream* os) {
  *os << c.name;
}

class LockDeathTest : public testsupport::TurnedFixture,
                      public ::testing::WithParamInterface<LockCase> {};

TEST_P(LockDeathTest, AFailedLockEndsWithItsText) {
  const LockCase& c = GetParam();
  StartAt(32);
  morrow::GetDrawState().newGraphSystemMemory = c.systemMemory ? 1 : 0;
  const ResourceHandle g = SolidGraph(8, 8, 0xFF0000, c.alpha);
  morrow::SetBlendMode(1, 128);
  platform::Surface* failing[4] = {Back(), SurfaceOf(g)->surface.get(), Work(0), Work(1)};
  EXPECT_EXIT(
      {
        failing[c.failing]->FailNextLock(c.error);
        switch (c.draw) {
          case Draw::kPiece:
            morrow::G_DDraw_DrawGraph(0, 0, FirstPiece(g), 0);
            break;
          case Draw::kSolid:
            morrow::G_DDraw_DrawFillBox(0, 0, 8, 8, 0);
            break;
          case Draw::kLine:
            morrow::G_DDraw_DrawLine(0, 0, 8, 3, 0);
            break;
          case Draw::kCircle:
            morrow::G_DDraw_DrawCircle(10, 10, 4, 0, 1);
            break;
          case Draw::kTriangle:
            morrow::DrawPlainTriangleDDraw(0, 0, 8, 0, 0, 8, 0);
            break;
          case Draw::kRota:
          case Draw::kModi:
            morrow::DrawRotaGraph(20, 20, 1.0, 0.3, g, 0, c.draw == Draw::kModi ? 1 : 0);
            break;
          case Draw::kExtend:
            morrow::DrawExtendGraph(0, 0, 16, 12, g, 0);
            break;
        }
      },
      ::testing::ExitedWithCode(255), "");
  const std::vector<std::string> lines = Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), c.text), lines.end()) << Log();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "ソフトをエラー終了します");
}

constexpr platform::DisplayResult kLost = platform::DisplayResult::kSurfaceLost;
constexpr platform::DisplayResult kBusy = platform::DisplayResult::kSurfaceBusy;

INSTANTIATE_TEST_SUITE_P(
    Texts, LockDeathTest,
    ::testing::Values(
        LockCase{"PieceTarget", Draw::kPiece, -1, false, 0, kLost,
                 "転送先サーフェスのロックに失敗しました in G_DDraw_DrawGraph "},
        LockCase{"PieceSourceInSystemMemory", Draw::kPiece, -1, true, 1, kLost,
                 "転送元１サーフェスのロックに失敗しました in G_DDraw_DrawGraph "},
        LockCase{"PieceStagedSource", Draw::kPiece, -1, false, 3, kLost,
                 "転送元１サーフェスのロックに失敗しました in G_DDraw_DrawGraph "},
        LockCase{"PieceStagedDestination", Draw::kPiece, 128, false, 2, kLost,
                 "転送元２サーフェスのロックに失敗しました in G_DDraw_DrawGraph "},
        LockCase{"SolidDestination", Draw::kSolid, -1, false, 0, kBusy,
                 "転送先サーフェスのロックに失敗しました in G_DDraw_DrawFillBox "},
        LockCase{"SolidStagedCopy", Draw::kSolid, -1, false, 2, kBusy,
                 "転送元サーフェスのロックに失敗しました in G_DDraw_DrawFillBox "},
        LockCase{"LineDestination", Draw::kLine, -1, false, 0, kBusy,
                 "転送先サーフェスのロックに失敗しました in G_DDraw_DrawLine "},
        LockCase{"LineStagedCopy", Draw::kLine, -1, false, 2, kLost,
                 "転送元サーフェスのロックに失敗しました in G_DDraw_DrawLine"},
        LockCase{"CircleDestination", Draw::kCircle, -1, false, 0, kLost,
                 "転送先サーフェスのロックに失敗しました in G_DDraw_DrawCircle "},
        LockCase{"CircleStagedCopy", Draw::kCircle, -1, false, 2, kBusy,
                 "転送元サーフェスのロックに失敗しました in G_DDraw_DrawCircle"},
        LockCase{"PlainTriangleTarget", Draw::kTriangle, -1, false, 0, kLost,
                 "転送先サーフェスのロックに失敗しました in DrawPlainTriangleDDraw "},
        LockCase{"PlainTriangleStagedCopy", Draw::kTriangle, -1, false, 2, kLost,
                 "転送元サーフェスのロックに失敗しました in DrawPlainTriangleDDraw "},
        LockCase{"RotaTarget", Draw::kRota, -1, false, 0, kLost,
                 "転送先サーフェスのロックに失敗しました in G_DDraw_DrawRotaGraph "},
        LockCase{"RotaSourceInSystemMemory", Draw::kRota, -1, true, 1, kLost,
                 "転送元サーフェス１のロックに失敗しました in G_DDraw_DrawRotaGraph "},
        LockCase{"RotaStagedSource", Draw::kRota, -1, false, 3, kLost,
                 "転送元サーフェス１のロックに失敗しました in G_DDraw_DrawRotaGraph "},
        LockCase{"RotaStagedDestination", Draw::kRota, 128, false, 2, kLost,
                 "転送元サーフェス２のロックに失敗しました in G_DDraw_DrawPloly "},
        LockCase{"ModiTarget", Draw::kModi, -1, false, 0, kLost,
                 "転送先サーフェスのロックに失敗しました in G_DDraw_DrawModiGraph "},
        LockCase{"ModiSourceInSystemMemory", Draw::kModi, -1, true, 1, kLost,
                 "転送元サーフェス１のロックに失敗しました in G_DDraw_DrawModiGraph "},
        LockCase{"ModiStagedSource", Draw::kModi, -1, false, 3, kLost,
                 "転送元サーフェス１のロックに失敗しました in G_DDraw_DrawModiGraph "},
        LockCase{"ModiStagedDestination", Draw::kModi, 128, false, 2, kLost,
                 "転送元サーフェス２のロックに失敗しました in G_DDraw_DrawModiGraph "},
        LockCase{"ExtendTarget", Draw::kExtend, -1, false, 0, kBusy,
                 "転送先サーフェスのロックに失敗しました in G_DDraw_DrawExtendGraph "},
        LockCase{"ExtendSourceInSystemMemory", Draw::kExtend, -1, true, 1, kLost,
                 "転送元サーフェス１のロックに失敗しました in G_DDraw_DrawExtendGraph "},
        LockCase{"ExtendStagedSource", Draw::kExtend, -1, false, 3, kLost,
                 "転送元サーフェス１のロックに失敗しました in G_DDraw_DrawExtendGraph "},
        LockCase{"ExtendStagedDestination", Draw::kExtend, 128, false, 2, kLost,
                 "転送元サーフェス２のロックに失敗しました in G_DDraw_DrawExtendGraph "}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
