// G_DDraw_DrawGraph on 16-bit screens: the worked pixels of every mode in the three layouts with
// both formula sets, the hand-overs to the block copy, key before alpha, every mode number from
// -1 to 9 on clipped pieces of odd sizes, and the unkeyed XOR's rows at odd places.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <vector>

#include "morrow/device/screen_state.h"
#include "morrow/softdraw/raster.h"
#include "tests/morrow/softdraw/raster_fixture.h"

namespace {

using morrow::ResourceHandle;
using testsupport::RasterFixture;

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000;
constexpr int kNone = -1;
// Expected pixels that depend on how the layout stores what is not computed: the target's own
// pixel (nothing drawn) and the piece's pixel (copied whole).
constexpr uint32_t kBackground = 0xFFFFFFFEu, kSourcePixel = 0xFFFFFFFFu;

class PieceFrame16 : public RasterFixture {
 protected:
  static void ResetStateAfterRun() {
    morrow::EndLibrary();
    morrow::GetDrawState() = morrow::DrawState{};
    unsetenv("MORROW_VIDMEM");
    unsetenv("MORROW_PIXEL16");
  }
  static void SetBright(uint32_t rgb) {
    morrow::SetModulationColor(static_cast<int>(rgb >> 16 & 0xFF),
                               static_cast<int>(rgb >> 8 & 0xFF), static_cast<int>(rgb & 0xFF));
  }
};

struct WorkedCase {
  const char* name;
  const char* layout;
  uint32_t background;  // 0x00RRGGBB
  uint32_t source;      // 0x00RRGGBB
  int alpha;            // the alpha map's value, kNone: no alpha channel
  uint32_t bright;      // 0x00RRGGBB; kWhite is none
  int mode;
  int p;
  uint32_t mmx;    // the pixel with the MMX flag set
  uint32_t table;  // and clear
};

void PrintTo(const WorkedCase& c, std::ostream* os) {
  *os << c.name;
}

class DrawGraph16Modes : public PieceFrame16, public ::testing::WithParamInterface<WorkedCase> {};

// Each case on a target in video memory (the blends read a staged copy) and in system memory.
TEST_P(DrawGraph16Modes, GiveTheWorkedPixel) {
  const WorkedCase& c = GetParam();
  for (bool video : {true, false}) {
    for (int mmx : {1, 0}) {
      SCOPED_TRACE(::testing::Message() << (video ? "video" : "system") << " mmx " << mmx);
      StartAt(16, c.layout, video);
      morrow::GetScreenState().mmxEnabled = mmx;
      const ResourceHandle g = SolidGraph(9, 7, c.source, c.alpha);
      PaintBack(Screen(c.background));
      morrow::SetBlendMode(c.mode, c.p);
      SetBright(c.bright);
      EXPECT_EQ(morrow::G_DDraw_DrawGraph(5, 4, FirstPiece(g), 0), 0);
      uint32_t want = mmx != 0 ? c.mmx : c.table;
      if (want == kBackground) want = Screen(c.background);
      if (want == kSourcePixel) want = SurfacePixel(SurfaceOf(g)->surface.get(), 0, 0);
      EXPECT_EQ(At(5, 4), want);
      EXPECT_EQ(At(13, 10), want);
      EXPECT_EQ(At(14, 10), Screen(c.background));
      EXPECT_EQ(At(13, 11), Screen(c.background));
      ExpectNothingHeld();
      ResetStateAfterRun();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    SixteenBits, DrawGraph16Modes,
    ::testing::Values(
        // 0x8410 scaled by P to 0x7BEF onto 0x7BEF; the wide-register add keeps every bit.
        WorkedCase{"AddHalfGrey565", "565", 0x787C78, 0x808080, kNone, kWhite, 2, 255, 0xF7DE,
                   0xEFBE},
        WorkedCase{"AddWhiteOntoWhite555", "555", kWhite, kWhite, kNone, kWhite, 2, 255, 0x7FFF,
                   0xFFFF},
        // 4:4:4: 8 + 14 saturates either way; the guard add's carry out of red stays in bit 12.
        WorkedCase{"AddWhite444", "444", 0x888888, kWhite, kNone, kWhite, 2, 255, 0x0FFF, 0x1FFF},
        WorkedCase{"SubtractBlack565", "565", kBlack, kBlack, kNone, kWhite, 3, 255, 0x0800,
                   0x0800},
        WorkedCase{"SubtractBlack555", "555", kBlack, kBlack, kNone, kWhite, 3, 255, 0x0420,
                   0x0420},
        WorkedCase{"SubtractBlackFromWhite565", "565", kWhite, kBlack, kNone, kWhite, 3, 128,
                   0xFFDF, 0xFFDF},
        // (1 * 128 + 2 * 127) >> 8 = 1 in one rounding; P[1] + Q[2] = 0 in two.
        WorkedCase{"AlphaOfOneOverTwo565", "565", 0x100810, 0x080408, kNone, kWhite, 1, 128, 0x0821,
                   0x0000},
        WorkedCase{"AlphaOfOneOverTwo555", "555", 0x101010, 0x080808, kNone, kWhite, 1, 128, 0x0421,
                   0x0000},
        // Bright (255, 255, 254) darkens 31 to 30 and 63 to 62.
        WorkedCase{"TintNearWhite", "565", kBlack, kWhite, kNone, 0xFFFFFE, 0, 0, 0xF7DE, 0xF7DE},
        // The tint at p = 255, and the tinted table blend below it.
        WorkedCase{"AlphaTintAt255", "555", kBlack, kWhite, kNone, 0xFFFFFE, 1, 255, 0x7BDE,
                   0x7BDE},
        WorkedCase{"AlphaTintAt128", "565", kBlack, kWhite, kNone, 0xFFFFFE, 1, 128, 0x7BEF,
                   0x7BEF},
        // The alpha map: a = 128 in place over black; a = 255 with p = 254 and bright weighs
        // 253: 30 -> 29, 62 -> 61.
        WorkedCase{"AlphaMapHalfOverBlack", "565", kBlack, kWhite, 128, kWhite, 0, 0, 0x7BEF,
                   0x7BEF},
        WorkedCase{"AlphaMapOpaqueWithBrightAt254", "565", kBlack, kWhite, 255, 0xFFFFFE, 1, 254,
                   0xEFBD, 0xEFBD},
        WorkedCase{"AlphaMapZeroLeavesThePixel", "555", 0x102030, kWhite, 0, 0x808080, 3, 255,
                   kBackground, kBackground},
        // Multiply tests no p: by mid grey at p = 0.
        WorkedCase{"MultiplyAtZero", "565", kWhite, 0x808080, kNone, kWhite, 4, 0, 0x8410, 0x8410},
        WorkedCase{"MultiplyTinted", "555", kWhite, kWhite, kNone, 0xFFFFFE, 4, 0, 0x7BDE, 0x7BDE},
        WorkedCase{"Xor", "565", 0xC86432, 0x080408, kNone, 0x123456, 8, 77, 0xC307, 0xC307},
        // A generic layout: mode 0 is the block copy without bright; mode 1 ignores bright and
        // the alpha map (a = 0 would skip, bright black would darken).
        WorkedCase{"GenericModeZeroCopies", "444", kBlack, 0xFF0000, kNone, 0x808080, 0, 0,
                   kSourcePixel, kSourcePixel},
        WorkedCase{"GenericModeZeroWithAlphaMapCopies", "444", kBlack, 0xFF0000, 0, kWhite, 0, 0,
                   kSourcePixel, kSourcePixel},
        WorkedCase{"GenericAlphaIgnoresBrightAndMap", "444", kBlack, kWhite, 0, kBlack, 1, 128,
                   0x0777, 0x0777},
        WorkedCase{"GenericMultiply", "444", 0xAAAAAA, 0x555555, kNone, kBlack, 4, 9, 0x0333,
                   0x0333},
        // p = 0 draws nothing in modes 1 to 3; modes without a rule draw nothing.
        WorkedCase{"AlphaAtZero", "565", 0x102030, kWhite, kNone, kWhite, 1, 0, kBackground,
                   kBackground},
        WorkedCase{"AddAtZero", "555", 0x102030, kWhite, 128, kWhite, 2, 0, kBackground,
                   kBackground},
        WorkedCase{"SubtractAtZero", "444", 0x102030, kWhite, kNone, kWhite, 3, 0, kBackground,
                   kBackground},
        WorkedCase{"ModeSix", "565", 0x102030, kWhite, kNone, kWhite, 6, 128, kBackground,
                   kBackground}));

// The hand-overs to the block copy, after unlocking: mode 1 at p = 255 on a plain piece copies
// (keyed when asked), also where the work surface was locked for the alpha map of a generic
// layout.
TEST_F(PieceFrame16, AlphaAtTwoFiftyFiveIsTheBlockCopy) {
  for (const char* layout : {"565", "555", "444"}) {
    SCOPED_TRACE(layout);
    StartAt(16, layout);
    morrow::GetDrawState().keyColor = 0x00FF00;
    const uint32_t colours[4] = {0xFF0000, 0x00FF00, 0x0000FF, kWhite};
    const ResourceHandle plain = QuadGraph(8, 8, colours);
    PaintBack(Screen(0x102030));
    morrow::SetBlendMode(1, 255);
    const uint64_t locks = Back()->LockCount();
    EXPECT_EQ(morrow::G_DDraw_DrawGraph(10, 10, FirstPiece(plain), 1), 0);
    EXPECT_GT(Back()->LockCount(), locks);
    EXPECT_EQ(At(10, 10), Screen(0xFF0000));
    EXPECT_EQ(At(14, 10), Screen(0x102030));  // the key colour is left out
    EXPECT_EQ(At(17, 17), Screen(kWhite));
    EXPECT_EQ(morrow::G_DDraw_DrawGraph(30, 10, FirstPiece(plain), 0), 0);
    EXPECT_EQ(At(34, 10), Screen(0x00FF00));
    ExpectNothingHeld();
    ResetStateAfterRun();
  }
}

// Key before alpha: a source pixel equal to the key is left alone whatever its alpha byte and
// the mode; multiply tests no key.
TEST_F(PieceFrame16, KeyBeforeAlpha) {
  for (const char* layout : {"565", "555"}) {
    for (int mode : {0, 1, 2, 3, 4, 8}) {
      SCOPED_TRACE(::testing::Message() << layout << " mode " << mode);
      StartAt(16, layout);
      morrow::GetDrawState().keyColor = 0x00FF00;
      const ResourceHandle g = SolidGraph(4, 4, 0x00FF00, 255);
      PaintBack(Screen(0x808080));
      morrow::SetBlendMode(mode, 200);
      SetBright(0xF0F0F0);
      EXPECT_EQ(morrow::G_DDraw_DrawGraph(0, 0, FirstPiece(g), 1), 0);
      if (mode == 4) {
        EXPECT_NE(At(1, 1), Screen(0x808080));
      } else {
        EXPECT_EQ(At(1, 1), Screen(0x808080));
      }
      ResetStateAfterRun();
    }
  }
}

// Every mode number from -1 to 9, keyed and not, on pieces of odd sizes clipped on every side:
// nothing outside the drawn rectangle changes, modes without a rule change nothing at all, and
// no surface stays locked.
TEST_F(PieceFrame16, EveryModeNumberOnClippedPieces) {
  for (const char* layout : {"565", "555", "444"}) {
    SCOPED_TRACE(layout);
    StartAt(16, layout, false);
    std::mt19937 rng(3);
    const ResourceHandle plain = PatternGraph(7, 5, false, [&](int, int) { return rng(); });
    const ResourceHandle mapped = PatternGraph(5, 3, true, [&](int, int) { return rng(); });
    struct Place {
      int x, y;
    };
    const Place places[] = {{-3, 10}, {637, 11}, {21, -2}, {33, 478}, {-4, -3}, {635, 476}};
    for (int mode = -1; mode <= 9; ++mode) {
      for (int key : {0, 1}) {
        for (ResourceHandle g : {plain, mapped}) {
          for (const Place& at : places) {
            SCOPED_TRACE(::testing::Message()
                         << "mode " << mode << " key " << key << " at " << at.x << "," << at.y);
            std::mt19937 noise(static_cast<uint32_t>(mode * 100 + at.x));
            Paint(Back(), [&](int, int) { return noise() & 0xFFFF; });
            const uint32_t before = Checksum(Back());
            // Pixels next to the piece's rectangle on the target.
            const int w = morrow::GetGraphRecord(g)->width, h = morrow::GetGraphRecord(g)->height;
            std::vector<std::pair<int, int>> around;
            for (int x = at.x - 1; x <= at.x + w; ++x) {
              around.push_back({x, at.y - 1});
              around.push_back({x, at.y + h});
            }
            for (int y = at.y; y < at.y + h; ++y) {
              around.push_back({at.x - 1, y});
              around.push_back({at.x + w, y});
            }
            std::vector<uint32_t> kept;
            for (auto [x, y] : around) {
              if (x >= 0 && y >= 0 && x < 640 && y < 480) kept.push_back(At(x, y));
            }
            // Straight into the draw state: the setter keeps mode 7 for the 3D device alone.
            morrow::GetDrawState().blendMode = mode;
            morrow::GetDrawState().blendParam = 128;
            SetBright(mode % 2 == 0 ? 0xC0E0A0 : kWhite);
            EXPECT_EQ(morrow::G_DDraw_DrawGraph(at.x, at.y, FirstPiece(g), key), 0);
            size_t i = 0;
            for (auto [x, y] : around) {
              if (x >= 0 && y >= 0 && x < 640 && y < 480) {
                EXPECT_EQ(At(x, y), kept[i++]);
              }
            }
            if (mode < 0 || (mode > 4 && mode != 8)) {
              EXPECT_EQ(Checksum(Back()), before);
            }
          }
        }
      }
    }
    ExpectNothingHeld();
    ResetStateAfterRun();
  }
}

// The unkeyed XOR at every width from 1 to 9 and at even and odd columns (so rows start at
// addresses that are and are not multiples of 4): every pixel of the piece becomes s XOR d,
// and drawing it again restores the target.
TEST_F(PieceFrame16, XorAtOddPlacesAndWidths) {
  StartAt(16, "565");
  std::mt19937 rng(11);
  std::vector<ResourceHandle> pieces;
  for (int w = 1; w <= 9; ++w) {
    pieces.push_back(PatternGraph(w, 3, false, [&](int, int) { return rng(); }));
  }
  Paint(Back(), [&](int x, int y) { return static_cast<uint32_t>(x * 37 + y * 1001) & 0xFFFF; });
  const uint32_t start = Checksum(Back());
  morrow::SetBlendMode(8, 0);
  for (int w = 1; w <= 9; ++w) {
    for (int x : {20, 41}) {
      SCOPED_TRACE(::testing::Message() << "width " << w << " at " << x);
      const ResourceHandle g = pieces[static_cast<size_t>(w - 1)];
      platform::Surface* source = SurfaceOf(g)->surface.get();
      const int y = 3 * w;
      std::vector<uint32_t> want;
      for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < w; ++col) {
          want.push_back(At(x + col, y + row) ^ SurfacePixel(source, col, row));
        }
      }
      const uint32_t left = At(x - 1, y), right = At(x + w, y);
      EXPECT_EQ(morrow::G_DDraw_DrawGraph(x, y, FirstPiece(g), 0), 0);
      size_t i = 0;
      for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < w; ++col) EXPECT_EQ(At(x + col, y + row), want[i++]);
      }
      EXPECT_EQ(At(x - 1, y), left);
      EXPECT_EQ(At(x + w, y), right);
      EXPECT_EQ(morrow::G_DDraw_DrawGraph(x, y, FirstPiece(g), 0), 0);
    }
  }
  EXPECT_EQ(Checksum(Back()), start);
  ExpectNothingHeld();
}

// MORROW_MMX=0 selects the other formula set at 16 bits too.
TEST_F(PieceFrame16, NoMmxFromTheEnvironment) {
  setenv("MORROW_MMX", "0", 1);
  StartAt(16, "565");
  unsetenv("MORROW_MMX");
  EXPECT_EQ(morrow::GetScreenState().mmxEnabled, 0);
  const ResourceHandle g = SolidGraph(4, 4, 0x808080);
  PaintBack(Screen(0x787C78));
  morrow::SetBlendMode(2, 255);
  EXPECT_EQ(morrow::G_DDraw_DrawGraph(0, 0, FirstPiece(g), 0), 0);
  EXPECT_EQ(At(0, 0), 0xEFBEu);
}

}  // namespace
