// G_DDraw_DrawGraph and DrawGraphDDraw on a started library: clipping, the block-copy routes
// that lock nothing, the staged copies, the worked pixels of every mode with both formula sets,
// targets larger than the screen and bad handles (the fatal lock texts: lock_death_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "morrow/device/screen_state.h"
#include "morrow/softdraw/raster.h"
#include "tests/morrow/softdraw/raster_fixture.h"

namespace {

using morrow::ResourceHandle;
using testsupport::RasterFixture;

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;
const uint32_t kQuad[4] = {kRed, kGreen, kBlue, kWhite};

class PieceFrame : public RasterFixture {
 protected:
  static platform::Surface* Work(int i) {
    morrow::ScreenState& s = morrow::GetScreenState();
    return (i == 0 ? s.workSurface : s.workSurface2).get();
  }
  static void ResetStateAfterRun() {
    morrow::EndLibrary();
    morrow::GetDrawState() = morrow::DrawState{};
    unsetenv("MORROW_VIDMEM");
  }
};

// Which path a clipped draw takes: the block copy, the tint, or the alpha map.
struct ClipCase {
  const char* name;
  int bright;  // blue byte of the bright, 255 for none
  int alpha;   // -1: no alpha channel
  std::function<uint32_t(uint32_t rgb)> pixel;
};

void PrintTo(const ClipCase& c, std::ostream* os) {
  *os << c.name;
}

class PieceFrameClip : public PieceFrame, public ::testing::WithParamInterface<ClipCase> {};

// Drawn at (0, -4) into the area from (4, 4): screen (x, y) shows the graph's (x, y + 4).
TEST_P(PieceFrameClip, ClippedLeftAndTopDrawsTheInnerPart) {
  const ClipCase& c = GetParam();
  StartAt(32);
  PaintBack(0);
  const ResourceHandle g = QuadGraph(16, 16, kQuad, c.alpha);
  morrow::SetClipRect(4, 4, 640, 480);
  morrow::SetModulationColor(255, 255, c.bright);
  EXPECT_EQ(morrow::DrawGraph(0, -4, g, 0), 0);
  EXPECT_EQ(At(4, 4), c.pixel(kBlue));
  EXPECT_EQ(At(7, 11), c.pixel(kBlue));
  EXPECT_EQ(At(8, 4), c.pixel(kWhite));
  EXPECT_EQ(At(15, 11), c.pixel(kWhite));
  EXPECT_EQ(At(4, 3), 0u);
  EXPECT_EQ(At(3, 4), 0u);
  EXPECT_EQ(At(16, 11), 0u);
  EXPECT_EQ(At(15, 12), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PieceFrameClip,
    ::testing::Values(ClipCase{"BlockCopy", 255, -1,
                               [](uint32_t rgb) { return testsupport::ScreenRgb(rgb); }},
                      // T of 255 is 254 at bright 255, 253 at 254; the fourth byte is 0.
                      ClipCase{"Tint", 254, -1,
                               [](uint32_t rgb) {
                                 return (rgb & 0xFF0000u ? 0xFE0000u : 0) |
                                        (rgb & 0xFF00u ? 0xFE00u : 0) | (rgb & 0xFFu ? 0xFDu : 0);
                               }},
                      ClipCase{"OpaqueAlphaMap", 255, 255,
                               [](uint32_t rgb) { return testsupport::ScreenRgb(rgb); }}));

TEST_F(PieceFrame, ADrawOutsideTheAreaLocksNothing) {
  StartAt(32);
  const ResourceHandle g = SolidGraph(16, 16, kRed, 128);
  platform::Surface* source = SurfaceOf(g)->surface.get();
  morrow::SetBlendMode(1, 128);
  const uint32_t before = Checksum(Back());
  const uint64_t locks[4] = {Back()->LockCount(), Work(0)->LockCount(), Work(1)->LockCount(),
                             source->LockCount()};
  const int at[][2] = {{640, 10},     {10, 480},          {-16, 10},
                       {10, -16},     {-16, -16},         {INT_MAX - 5, 10},
                       {10, INT_MAX}, {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}};
  for (const auto& p : at) {
    EXPECT_EQ(morrow::G_DDraw_DrawGraph(p[0], p[1], FirstPiece(g), 1), 0) << p[0] << "," << p[1];
  }
  EXPECT_EQ(Back()->LockCount(), locks[0]);
  EXPECT_EQ(Work(0)->LockCount(), locks[1]);
  EXPECT_EQ(Work(1)->LockCount(), locks[2]);
  EXPECT_EQ(source->LockCount(), locks[3]);
  EXPECT_EQ(Checksum(Back()), before);
}

// Mode 0 without bright or alpha channel is a block copy that locks nothing, keyed when asked;
// mode 1 at 255 locks, hands the piece over, and copies it the same way.
TEST_F(PieceFrame, PlainDrawsAreBlockCopies) {
  StartAt(32);
  morrow::GetDrawState().keyColor = kGreen;
  const ResourceHandle g = QuadGraph(8, 8, kQuad);
  platform::Surface* source = SurfaceOf(g)->surface.get();
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    PaintBack(Screen(0x123456));
    morrow::SetBlendMode(mode, 255);
    const uint64_t back = Back()->LockCount(), src = source->LockCount();
    EXPECT_EQ(morrow::G_DDraw_DrawGraph(10, 10, FirstPiece(g), 0), 0);
    EXPECT_EQ(morrow::G_DDraw_DrawGraph(30, 10, FirstPiece(g), 1), 0);
    EXPECT_EQ(Back()->LockCount(), back + (mode == 0 ? 0 : 2));
    EXPECT_EQ(source->LockCount(), src);  // the source is staged, never locked itself
    EXPECT_EQ(At(10, 10), Screen(kRed));
    EXPECT_EQ(At(14, 10), Screen(kGreen));
    EXPECT_EQ(At(30, 10), Screen(kRed));
    EXPECT_EQ(At(34, 10), Screen(0x123456));  // keyed
    EXPECT_EQ(At(37, 17), Screen(kWhite));
  }
}

// With the device-context copy chosen, a source in video memory and a target in system memory,
// unkeyed pieces go by that copy; keyed pieces smaller than the screen by the unclipped keyed
// copy; a keyed piece as large as the screen through the work surface, whose key is pixel 0.
TEST_F(PieceFrame, DeviceContextRoutes) {
  StartAt(32);
  morrow::GetScreenState().useGdiCopy = 1;
  morrow::GetDrawState().keyColor = kGreen;
  const uint32_t colours[4] = {kGreen, kRed, kRed, 0};
  const ResourceHandle small = QuadGraph(320, 240, colours);
  const ResourceHandle large = QuadGraph(640, 480, colours);
  ASSERT_EQ(SurfaceOf(large)->flags.systemMemory, 0);
  morrow::GetDrawState().targetInVideoMemory = 0;
  platform::Surface* work = Work(0);

  PaintBack(Screen(0x123456));
  EXPECT_EQ(morrow::G_DDraw_DrawGraph(0, 0, FirstPiece(small), 0), 0);
  EXPECT_EQ(At(0, 0), Screen(kGreen));
  PaintBack(Screen(0x123456));
  Paint(work, [](int, int) { return 0x11111111u; });
  EXPECT_EQ(morrow::G_DDraw_DrawGraph(0, 0, FirstPiece(small), 1), 0);
  EXPECT_EQ(At(0, 0), Screen(0x123456));
  EXPECT_EQ(At(200, 0), Screen(kRed));
  EXPECT_EQ(SurfacePixel(work, 0, 0), 0x11111111u);

  PaintBack(Screen(0x123456));
  EXPECT_EQ(morrow::G_DDraw_DrawGraph(0, 0, FirstPiece(large), 1), 0);
  EXPECT_EQ(SurfacePixel(work, 0, 0), Screen(kGreen));  // staged there
  EXPECT_EQ(At(0, 0), Screen(kGreen));                  // the piece's key is not the work surface's
  EXPECT_EQ(At(400, 0), Screen(kRed));
  // Black carries the fill bits of the screen format, so even it is no pixel value 0.
  EXPECT_EQ(At(639, 479), Screen(0x000000));
}

struct ModeCase {
  const char* name;
  uint32_t background;  // 0x00RRGGBB
  uint32_t source;      // 0x00RRGGBB
  int alpha;            // -1: no alpha channel
  int mode;
  int p;
  int key;         // 1: the source colour is the key colour and the draw is keyed
  uint32_t mmx;    // the pixel with the MMX flag set
  uint32_t table;  // and clear
};

void PrintTo(const ModeCase& c, std::ostream* os) {
  *os << c.name;
}

class PieceFrameModes : public PieceFrame, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(PieceFrameModes, GiveTheWorkedPixel) {
  const ModeCase& c = GetParam();
  for (bool video : {true, false}) {
    for (int mmx : {1, 0}) {
      SCOPED_TRACE(::testing::Message() << (video ? "video" : "system") << " mmx " << mmx);
      StartAt(32, nullptr, video);
      morrow::GetScreenState().mmxEnabled = mmx;
      if (c.key != 0) morrow::GetDrawState().keyColor = c.source;
      const ResourceHandle g = SolidGraph(8, 8, c.source, c.alpha);
      PaintBack(Screen(c.background));
      morrow::SetBlendMode(c.mode, c.p);
      EXPECT_EQ(morrow::G_DDraw_DrawGraph(4, 4, FirstPiece(g), c.key), 0);
      const uint32_t want = mmx != 0 ? c.mmx : c.table;
      EXPECT_EQ(At(4, 4), want);
      EXPECT_EQ(At(11, 11), want);
      EXPECT_EQ(At(12, 11), Screen(c.background));
      ResetStateAfterRun();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    ThirtyTwoBits, PieceFrameModes,
    ::testing::Values(
        // One rounding keeps equal whites at 255 in all four bytes; the table loses one.
        ModeCase{"AlphaWhiteOnWhite", kWhite, kWhite, -1, 1, 128, 0, 0xFFFFFFFFu, 0x00FEFEFEu},
        ModeCase{"AlphaHalf", 0x646464, 0xC86432, -1, 1, 128, 0, 0xFF96644Bu, 0x0096644Bu},
        ModeCase{"AddHalf", 0x646464, 0xC86432, -1, 2, 128, 0, 0xFFC8967Du, 0x00C8967Du},
        ModeCase{"AddWhiteOnWhiteAt255", kWhite, kWhite, -1, 2, 255, 0, 0xFFFFFFFFu, 0x01FFFFFFu},
        ModeCase{"SubtractBlack", 0x646464, 0x000000, -1, 3, 255, 0, 0x00656564u, 0x00656564u},
        ModeCase{"MultiplyWhite", 0x123456, kWhite, -1, 4, 0, 0, 0x00123456u, 0x00123456u},
        ModeCase{"AlphaMapHalfOverBlack", 0x000000, 0xC86432, 128, 0, 0, 0, 0x00643219u,
                 0x00643219u},
        ModeCase{"AlphaMapOpaqueCopiesTheWord", 0x000000, 0xC86432, 255, 0, 0, 0, 0xFFC86432u,
                 0xFFC86432u},
        ModeCase{"AlphaMapZeroInEveryBlend", 0x102030, kWhite, 0, 2, 128, 0, 0xFF102030u,
                 0xFF102030u},
        ModeCase{"AlphaAtZeroDrawsNothing", 0x102030, kWhite, -1, 1, 0, 0, 0xFF102030u,
                 0xFF102030u},
        ModeCase{"ModeFiveDrawsNothing", 0x102030, kWhite, -1, 5, 128, 0, 0xFF102030u, 0xFF102030u},
        ModeCase{"KeyedAddLeavesThePixel", 0x102030, 0x00FF00, -1, 2, 255, 1, 0xFF102030u,
                 0xFF102030u},
        // Multiply tests neither the key nor the alpha byte.
        ModeCase{"KeyedMultiplyStillMultiplies", 0x102030, 0x808080, 0, 4, 0, 1, 0x00081018u,
                 0x00081018u}));

// Draws onto a graph taller than the screen: both work surfaces grow to the staged rectangles.
TEST_F(PieceFrame, TargetLargerThanTheScreen) {
  StartAt(32);
  const ResourceHandle tall = SolidGraph(600, 1000, 0x404040);
  const ResourceHandle big = SolidGraph(600, 1000, 0x202020, 255);
  ASSERT_EQ(SurfaceOf(big)->flags.systemMemory, 0);
  ASSERT_EQ(morrow::SelectDrawTarget(tall), 0);
  morrow::SetBlendMode(2, 255);
  EXPECT_EQ(morrow::G_DDraw_DrawGraph(0, 0, FirstPiece(big), 0), 0);
  platform::Surface* surface = SurfaceOf(tall)->surface.get();
  // 0x40 + (0x20 * 255 >> 8 = 0x1F).
  EXPECT_EQ(SurfacePixel(surface, 599, 999), 0x005F5F5Fu);
  EXPECT_EQ(SurfacePixel(surface, 0, 0), 0x005F5F5Fu);
  EXPECT_GE(Work(0)->height(), 1000);
  EXPECT_GE(Work(1)->height(), 1000);
  EXPECT_TRUE(surface->CanaryIntact());
  EXPECT_TRUE(Work(0)->CanaryIntact());
  EXPECT_TRUE(Work(1)->CanaryIntact());
}

// Out of video memory the destination is copied to (0, 0) of the work surface and the source to
// (0, 0) of the second; in system memory both are read in place, except that an alpha map always
// reads a copy of the destination.
TEST_F(PieceFrame, VideoMemoryDecidesTheStagedCopies) {
  for (bool video : {true, false}) {
    for (int alpha : {-1, 128}) {
      SCOPED_TRACE(::testing::Message() << (video ? "video" : "system") << " alpha " << alpha);
      StartAt(32, nullptr, video);
      morrow::GetScreenState().mmxEnabled = 0;  // the table add, which clears the fourth byte
      const ResourceHandle g = SolidGraph(8, 8, 0x808080, alpha);
      PaintBack(Screen(0x102030));
      Paint(Work(0), [](int, int) { return 0x11111111u; });
      Paint(Work(1), [](int, int) { return 0x22222222u; });
      morrow::SetBlendMode(2, 255);
      EXPECT_EQ(morrow::G_DDraw_DrawGraph(100, 50, FirstPiece(g), 0), 0);
      const bool destCopied = video || alpha >= 0;
      EXPECT_EQ(SurfacePixel(Work(0), 0, 0), destCopied ? Screen(0x102030) : 0x11111111u);
      EXPECT_EQ(SurfacePixel(Work(0), 8, 0), 0x11111111u);
      EXPECT_EQ(SurfacePixel(Work(1), 0, 0), video ? Screen(0x808080) : 0x22222222u);
      // (0x80 * 255) >> 8 = 0x7F added, or half of it under alpha 128 (a' = 127).
      const uint32_t add = alpha < 0 ? 0x7F : (0x80 * 127) >> 8;
      EXPECT_EQ(At(100, 50), (0x10 + add) << 16 | (0x20 + add) << 8 | (0x30 + add));
      ResetStateAfterRun();
    }
  }
}

TEST_F(PieceFrame, FrontScreenWithItsOffset) {
  StartAt(32);
  morrow::SelectDrawTarget(morrow::kFrontScreen);
  const morrow::Rect offset = morrow::GetDrawState().screenOffset;
  ASSERT_GT(offset.left, 0);
  morrow::GetScreenState().mmxEnabled = 0;
  platform::Surface* front = morrow::GetPrimarySurface();
  Paint(front, [](int, int) { return 0u; });
  const ResourceHandle g = SolidGraph(8, 8, 0x808080);
  morrow::SetBlendMode(2, 255);
  EXPECT_EQ(morrow::G_DDraw_DrawGraph(-4, -4, FirstPiece(g), 0), 0);
  EXPECT_EQ(SurfacePixel(front, offset.left, offset.top), 0x007F7F7Fu);
  EXPECT_EQ(SurfacePixel(front, offset.left + 3, offset.top + 3), 0x007F7F7Fu);
  EXPECT_EQ(SurfacePixel(front, offset.left + 4, offset.top + 3), 0u);
  EXPECT_EQ(SurfacePixel(front, offset.left - 1, offset.top), 0u);
}

// A piece drawn onto its own surface shares the target's lock instead of failing to lock twice.
TEST_F(PieceFrame, APieceDrawnOntoItsOwnSurface) {
  StartAt(32);
  morrow::GetDrawState().newGraphSystemMemory = 1;
  morrow::GetScreenState().mmxEnabled = 0;
  const ResourceHandle g = SolidGraph(16, 16, 0x202020);
  ASSERT_EQ(SurfaceOf(g)->flags.systemMemory, 1);
  ASSERT_EQ(morrow::SelectDrawTarget(g), 0);
  morrow::SetBlendMode(2, 255);
  EXPECT_EQ(morrow::G_DDraw_DrawGraph(0, 0, FirstPiece(g), 0), 0);
  EXPECT_EQ(SurfacePixel(SurfaceOf(g)->surface.get(), 5, 5), 0x003F3F3Fu);
}

// MORROW_MMX=0 reaches the screen's flag through the processor check, which says so in the log.
TEST_F(PieceFrame, NoMmxFromTheEnvironment) {
  setenv("MORROW_MMX", "0", 1);
  StartAt(32);
  unsetenv("MORROW_MMX");
  EXPECT_EQ(morrow::GetScreenState().mmxEnabled, 0);
  const std::vector<std::string> lines = Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "ＭＭＸは使えません"), lines.end()) << Log();
  const ResourceHandle g = SolidGraph(8, 8, kWhite);
  PaintBack(Screen(kWhite));
  morrow::SetBlendMode(1, 128);
  EXPECT_EQ(morrow::G_DDraw_DrawGraph(0, 0, FirstPiece(g), 0), 0);
  EXPECT_EQ(At(0, 0), 0x00FEFEFEu);  // the table blend
}

TEST_F(PieceFrame, EightBitsCopiesWhateverTheMode) {
  StartAt(8);
  const ResourceHandle g = SolidGraph(8, 8, kRed);
  platform::Surface* source = SurfaceOf(g)->surface.get();
  PaintBack(0);
  morrow::SetBlendMode(2, 128);
  morrow::SetModulationColor(10, 20, 30);
  const uint64_t locks = Back()->LockCount();
  EXPECT_EQ(morrow::G_DDraw_DrawGraph(2, 2, FirstPiece(g), 0), 0);
  EXPECT_EQ(Back()->LockCount(), locks);
  EXPECT_EQ(At(2, 2), SurfacePixel(source, 0, 0));
}

TEST_F(PieceFrame, OnlyTheFirstPieceOfAGraph) {
  StartAt(32);
  const ResourceHandle a = SolidGraph(8, 8, kRed);
  const ResourceHandle b = SolidGraph(8, 8, kBlue);
  morrow::GraphRecord* record = morrow::GetGraphRecord(a);
  record->pieces[1] = FirstPiece(b);
  record->pieceCount = 2;
  PaintBack(0);
  EXPECT_EQ(morrow::DrawGraphDDraw(3, 3, record, 0), 0);
  record->pieceCount = 1;
  record->pieces[1] = 0;
  EXPECT_EQ(At(3, 3), Screen(kRed));
  EXPECT_EQ(At(10, 10), Screen(kRed));
  EXPECT_EQ(At(11, 11), 0u);
  EXPECT_EQ(morrow::DrawGraphDDraw(3, 3, nullptr, 0), -1);
}

TEST_F(PieceFrame, ValuesThatAreNoPiece) {
  EXPECT_EQ(morrow::G_DDraw_DrawGraph(0, 0, 0x28000000, 0), -1);  // no display
  StartAt(32);
  const ResourceHandle g = SolidGraph(8, 8, kRed);
  const ResourceHandle gone = SolidGraph(8, 8, kRed);
  const ResourceHandle gonePiece = FirstPiece(gone);
  morrow::FreeGraphHandle(gone, 0);
  const ResourceHandle piece = FirstPiece(g);
  const ResourceHandle bad[] = {g,  // a graph handle is no piece
                                gonePiece,
                                -1,
                                0,
                                piece | static_cast<ResourceHandle>(0x80000000u),
                                (piece & ~0xFFFF) | 29999,
                                (piece & ~0xFFFF) | 0xFFFF,
                                piece ^ 0x00010000};
  morrow::SetBlendMode(1, 128);
  const uint64_t locks = Back()->LockCount();
  for (ResourceHandle h : bad) EXPECT_EQ(morrow::G_DDraw_DrawGraph(0, 0, h, 0), -1) << h;
  EXPECT_EQ(Back()->LockCount(), locks);
}

// A live piece whose surface record is gone draws nothing and says so, on both paths.
TEST_F(PieceFrame, APieceWhoseSurfaceIsGone) {
  StartAt(32);
  const ResourceHandle g = SolidGraph(8, 8, kRed);
  ASSERT_EQ(morrow::DeleteSurface(PieceOf(g)->surface), 0);
  const uint64_t locks = Back()->LockCount();
  for (int mode : {0, 1}) {
    morrow::SetBlendMode(mode, 128);
    EXPECT_EQ(morrow::G_DDraw_DrawGraph(0, 0, FirstPiece(g), 0), -1) << mode;
  }
  EXPECT_EQ(Back()->LockCount(), locks);
}

}  // namespace
