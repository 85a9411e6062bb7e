// The font table on the fixed-geometry font: handles, slots and check numbers, the settling of
// arguments, the character-set retries, the cache layouts of both paths, the default font, and
// malformed arguments of every kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/font.h"
#include "morrow/graphics/font_record.h"
#include "morrow/graphics/graph.h"
#include "platform/font.h"
#include "tests/morrow/graphics/graphics_fixture.h"

namespace {

using morrow::CreateFontToHandle;
using morrow::FontRecord;
using morrow::GetFontRecord;

constexpr const char* kCreateFailed = "フォントの作成に失敗しました\n";

class Fonts : public testsupport::GraphicsFixture {
 protected:
  void SetUp() override {
    GraphicsFixture::SetUp();
    platform::InstallFontFactory(platform::CreateFakeFont);
  }
  void TearDown() override {
    GraphicsFixture::TearDown();
    platform::InstallFontFactory(nullptr);
    for (int i = 0; i < morrow::kTextureFormatPresetCount; ++i) {
      *morrow::GetPresetColorFormatRecord(i) = morrow::TextureFormatPreset{};
    }
  }
  // Plain fonts of the fake service at size 16: one font per call.
  static int Plain() { return CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, -1, -1); }

  // Every live handle of the table, in slot order.
  static std::vector<int> LiveFonts() {
    std::vector<int> live;
    for (int slot = 0; slot < morrow::kFontLimit; ++slot) {
      for (uint32_t check = 0; check <= morrow::kMaxCheckNumber; ++check) {
        const int h = morrow::MakeHandle(morrow::kFontHandle, check, slot);
        if (morrow::IsValidFontHandle(h)) live.push_back(h);
      }
    }
    return live;
  }

  // Fills the two texture presets the texture cache needs (or breaks one of them).
  static void FillPresets(bool alphaFits, bool testFits) {
    morrow::ColorFormat* alpha = morrow::SelectPresetColorFormat(1, 0, 0, 0);
    morrow::ColorFormat* test = morrow::SelectPresetColorFormat(0, 1, 0, 0);
    morrow::InitColorFormatFromMasks(alpha, 16, 0x0F00, 0x00F0, 0x000F,
                                     alphaFits ? 0xF000u : 0x8000u);
    morrow::InitColorFormatFromMasks(test, 16, 0x7C00, 0x03E0, 0x001F,
                                     testFits ? 0x8000u : 0xF000u);
  }
};

TEST_F(Fonts, TheStartMakesTheDefaultAndTheScreenLogFont) {
  Start(1, 32);
  EXPECT_EQ(LiveFonts(), (std::vector<int>{0x20000000, 0x20010001}));
  EXPECT_EQ(morrow::GetDefaultFontHandleValue(), 0x20000000);
  const FontRecord* log = GetFontRecord(0x20010001);
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(log->fontType, 1);
  EXPECT_EQ(log->thickness, 4);
  EXPECT_EQ(Count("フォントの初期化を行います\n"), 1);
  EXPECT_EQ(Count("フォントの初期化は正常に終了しました\n"), 1);
}

TEST_F(Fonts, SlotsCheckNumbersAndRefresh) {
  Start(1, 32);
  const int a = Plain(), b = Plain(), c = Plain();
  EXPECT_EQ(b, 0x20030003);
  ASSERT_EQ(morrow::DeleteFontHandle(b), 0);
  // The lowest free slot is taken again, with the next check number.
  const int d = Plain();
  EXPECT_EQ(d, 0x20050003);
  // A stale handle is refused by every call.
  int flag = 7, size = 0;
  char name[256];
  EXPECT_EQ(morrow::IsValidFontHandle(b), 0);
  EXPECT_EQ(GetFontRecord(b), nullptr);
  EXPECT_EQ(morrow::GetFontInfo(name, &size, nullptr, b), -1);
  EXPECT_EQ(morrow::SetFontLostNotify(b, &flag), -1);
  EXPECT_EQ(morrow::GetFontSizeOfHandle(b), -1);
  EXPECT_EQ(morrow::DeleteFontHandle(b), -1);
  EXPECT_EQ(morrow::RenderTextToHandle(0, 0, "a", 0, b, 0, 0), -1);
  EXPECT_EQ(flag, 7);

  // A refresh makes every font again under the same handle, type and edge; a lost flag stays
  // registered and reads 0.
  const int edged = CreateFontToHandle(nullptr, 16, 6, 3, -1, 2, -1, -1);
  const int aa = CreateFontToHandle(nullptr, 16, 6, 2, -1, -1, -1, -1);
  const int bare = CreateFontToHandle(nullptr, 16, 6, 0, -1, 0, -1, -1);
  ASSERT_EQ(morrow::SetFontLostNotify(aa, &flag), 0);
  const std::vector<int> before = LiveFonts();
  std::vector<std::vector<int>> kept;
  for (int h : before) {
    const FontRecord* r = GetFontRecord(h);
    kept.push_back({r->fontType, r->edgeSize, r->size, r->cellSize});
  }
  ASSERT_EQ(morrow::RefreshAllFonts(), 0);
  EXPECT_EQ(LiveFonts(), before);
  for (size_t i = 0; i < before.size(); ++i) {
    const FontRecord* r = GetFontRecord(before[i]);
    EXPECT_EQ((std::vector<int>{r->fontType, r->edgeSize, r->size, r->cellSize}), kept[i])
        << std::hex << before[i];
  }
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(GetFontRecord(bare)->edgeSize, 0);
  ASSERT_EQ(morrow::DeleteFontHandle(aa), 0);
  EXPECT_EQ(flag, 1);
  for (int h : {a, c, d, edged, bare}) EXPECT_EQ(morrow::DeleteFontHandle(h), 0);
}

TEST_F(Fonts, TheCheckNumberCounterWrapsAfter2047) {
  Start(1, 32);
  int last = -1;
  for (int i = 2; i <= 2047; ++i) {
    last = Plain();
    ASSERT_EQ(morrow::DeleteFontHandle(last), 0);
  }
  EXPECT_EQ(last, 0x27ff0002);
  EXPECT_EQ(Plain(), 0x20000002);
}

TEST_F(Fonts, ArgumentsAreSettledAsGiven) {
  Start(1, 32);
  struct Case {
    int size, type, edge;
    int wantType, wantEdge, wantSize;
  };
  const Case cases[] = {
      {16, 0, 3, 1, 3, 16},  {16, 2, 0, 2, 0, 16},   {-1, 0, -1, 0, 1, 16},
      {-2, 0, -1, 0, 1, -2}, {16, 2, -4, 2, -4, 16}, {16, -1, 2, 1, 2, 16},
  };
  for (const Case& c : cases) {
    const int h = CreateFontToHandle(nullptr, c.size, 6, c.type, -1, c.edge, -1, -1);
    const FontRecord* r = GetFontRecord(h);
    ASSERT_NE(r, nullptr) << c.size << " " << c.type << " " << c.edge;
    EXPECT_EQ(r->fontType, c.wantType);
    EXPECT_EQ(r->edgeSize, c.wantEdge);
    EXPECT_EQ(r->size, c.wantSize);
    EXPECT_EQ(r->charSetIndex, 1);
    morrow::DeleteFontHandle(h);
  }
  // Size -2 is two pixels: its cell and line are raised to 2 rather than dividing by nothing.
  const int tiny = CreateFontToHandle(nullptr, -2, 6, 1, -1, -3, -1, -1);
  ASSERT_NE(GetFontRecord(tiny), nullptr);
  EXPECT_EQ(GetFontRecord(tiny)->cellSize, 2);
  EXPECT_EQ(GetFontRecord(tiny)->lineHeight, 2);
}

TEST_F(Fonts, AnEightBitScreenTakesTheAntialiasingAway) {
  Start(0, 8);
  for (auto [type, want] : {std::pair{2, 0}, {3, 1}, {1, 1}}) {
    const int h = CreateFontToHandle(nullptr, 16, 6, type, -1, -1, -1, -1);
    ASSERT_NE(GetFontRecord(h), nullptr);
    EXPECT_EQ(GetFontRecord(h)->fontType, want);
  }
  // The default is compared after that adjustment: type 3 is made again on every call.
  morrow::SetDefaultFontType(3);
  const int first = morrow::GetDefaultFontHandleValue();
  morrow::GetDefaultFontHandle();
  EXPECT_NE(morrow::GetDefaultFontHandleValue(), first);
  EXPECT_EQ(GetFontRecord(morrow::GetDefaultFontHandleValue())->fontType, 1);
}

TEST_F(Fonts, FailedServiceRetriesOtherCharacterSets) {
  Start(1, 32);
  std::vector<int> asked;
  platform::InstallFontFactory([&](const platform::FontRequest& r) {
    asked.push_back(r.charset);
    return std::unique_ptr<platform::Font>();
  });
  EXPECT_EQ(CreateFontToHandle("Face", 16, 6, 0, -1, -1, -1, -1), -1);
  EXPECT_EQ(asked, (std::vector<int>{134, 1, 128}));
  asked.clear();
  EXPECT_EQ(CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, -1, -1), -1);
  EXPECT_EQ(asked, (std::vector<int>{134, 1}));
  asked.clear();
  EXPECT_EQ(CreateFontToHandle(nullptr, 16, 6, 0, 2, -1, -1, -1), -1);
  EXPECT_EQ(asked, (std::vector<int>{129, 1}));
  const std::vector<std::string> lines = LogLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "指定のフォントの作成に失敗しました"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "フォントの作成に失敗しました"), 2);
  // Nothing is left behind, and the check numbers taken stay taken.
  EXPECT_EQ(LiveFonts().size(), 2u);
  platform::InstallFontFactory(platform::CreateFakeFont);
  EXPECT_EQ(Plain(), 0x20050002);
}

TEST_F(Fonts, TheFortyFirstFontIsRefused) {
  Start(1, 32);
  for (int i = 2; i < morrow::kFontLimit; ++i) ASSERT_NE(Plain(), -1);
  EXPECT_EQ(Plain(), -1);
  EXPECT_EQ(Count("作成できるフォントハンドル数 40 の限界を超えました\n"), 1);
}

// Cache layouts of both paths, worked from the layout rules, and every entry's cell inside.
TEST_F(Fonts, CacheLayoutsHoldEveryEntry) {
  struct Case {
    int size, type, edge, cell;
    int dd[4];       // software path: width, height, rows, entries
    int texture[4];  // texture path
  };
  const Case cases[] = {
      {-2, 0, -1, 2, {2, 4048, 2024, 2024}, {512, 512, 256, 2024}},
      {16, 0, -1, 16, {16, 16384, 1024, 1024}, {512, 512, 32, 1024}},
      {16, 1, 1, 18, {36, 9099, 505, 1010}, {512, 512, 28, 784}},
      {20, 0, 3, 26, {26, 12584, 484, 484}, {512, 512, 19, 361}},
      {128, 2, 0, 128, {128, 2560, 20, 20}, {512, 512, 4, 16}},
      {300, 3, 1, 302, {302, 6040, 20, 20}, {2048, 1024, 3, 18}},
      {1024, 0, -1, 1024, {1024, 16384, 16, 16}, {4096, 4096, 4, 16}},
      {1022, 3, 1, 1024, {2048, 10240, 10, 20}, {4096, 4096, 4, 16}},
  };
  Start(1, 32);
  for (bool texture : {false, true}) {
    if (texture) FillPresets(true, true);
    for (const Case& c : cases) {
      const int h = CreateFontToHandle(nullptr, c.size, 6, c.type, -1, c.edge, -1, -1);
      const FontRecord* r = GetFontRecord(h);
      ASSERT_NE(r, nullptr) << c.cell;
      const int* want = texture ? c.texture : c.dd;
      EXPECT_EQ(r->textureCache, texture ? 1 : 0);
      EXPECT_EQ(r->cellSize, c.cell);
      EXPECT_EQ((std::vector<int>{r->cacheWidth, r->cacheHeight, r->rowsPerColumn, r->entryCount}),
                (std::vector<int>(want, want + 4)))
          << "cell " << c.cell << (texture ? " texture" : "");
      for (int n = 0; n < r->entryCount; ++n) {
        const int column = n / r->rowsPerColumn, row = n % r->rowsPerColumn;
        ASSERT_LE((column + 1) * r->cellSize, r->cacheWidth) << n;
        ASSERT_LE((row + 1) * r->cellSize, r->cacheHeight) << n;
      }
      if (!texture) {
        const int bits = r->fontType == 0 ? 1 : r->fontType == 3 ? 16 : 8;
        EXPECT_EQ(r->cacheBits, bits);
        EXPECT_EQ(r->cachePitch % 4, 0);
        EXPECT_GE(int64_t{r->cachePitch} * 8, int64_t{r->cacheWidth} * bits);
      }
      morrow::DeleteFontHandle(h);
    }
  }
}

TEST_F(Fonts, TheTextureCacheNeedsBothPresetsAndTheHardwarePreference) {
  Start(1, 32);
  struct Case {
    bool alphaFits, testFits;
    int hardware;
    int want;
  };
  for (const Case& c : {Case{true, true, 1, 1}, Case{false, true, 1, 0}, Case{true, false, 1, 0},
                        Case{true, true, 0, 0}, Case{false, false, 1, 0}}) {
    FillPresets(c.alphaFits, c.testFits);
    morrow::GetDrawState().useDirect3D = c.hardware;
    const int h = Plain();
    ASSERT_NE(GetFontRecord(h), nullptr);
    EXPECT_EQ(GetFontRecord(h)->textureCache, c.want) << c.alphaFits << c.testFits << c.hardware;
    morrow::DeleteFontHandle(h);
  }
}

TEST_F(Fonts, DefaultFontFollowsItsSettings) {
  Start(1, 32);
  EXPECT_EQ(morrow::SetDefaultFontSize(15), 0);
  EXPECT_EQ(morrow::GetDefaultFontHandleValue(), 0x20020000);
  EXPECT_EQ(morrow::SetDefaultFontThickness(6), 0);  // unchanged: kept
  EXPECT_EQ(morrow::GetDefaultFontHandleValue(), 0x20020000);
  EXPECT_EQ(morrow::SetDefaultFontType(3), 0);
  const FontRecord* r = GetFontRecord(morrow::GetDefaultFontHandleValue());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(morrow::GetDefaultFontHandleValue(), 0x20030000);
  EXPECT_EQ((std::vector<int>{r->fontType, r->size, r->edgeSize, r->cellSize, r->lineHeight}),
            (std::vector<int>{3, 15, 1, 18, 18}));
  morrow::SetDefaultFontSize(-2);
  EXPECT_EQ(GetFontRecord(morrow::GetDefaultFontHandleValue())->size, -2);
  morrow::SetDefaultFontSize(-1);
  EXPECT_EQ(GetFontRecord(morrow::GetDefaultFontHandleValue())->size, 16);
  // A screen-mode change makes the default again from its size and thickness alone.
  morrow::SetDefaultFontSize(20);
  ASSERT_EQ(morrow::SelectScreenMode(800, 600, -1, -1), 0);
  r = GetFontRecord(morrow::GetDefaultFontHandleValue());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ((std::vector<int>{r->size, r->thickness, r->fontType}), (std::vector<int>{20, 6, 0}));
  // Drawing off: the size-and-thickness setter refuses, the others go on.
  morrow::GetDrawState().graphicsOff = 1;
  EXPECT_EQ(morrow::SetDefaultFontSizeThickness(0, 12, 6), -1);
  EXPECT_EQ(CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, -1, -1), -1);
  EXPECT_EQ(morrow::InitFontSystem(), -1);
  morrow::GetDrawState().graphicsOff = 0;
}

TEST_F(Fonts, LeadBytesByCharacterSet) {
  for (int index = -1; index <= 3; ++index) {
    const unsigned char b80 = 0x80, bff = 0xFF, b7f = 0x7F;
    EXPECT_EQ(morrow::IsLeadByte(&b80, index) != 0, index == 2) << index;
    EXPECT_NE(morrow::IsLeadByte(&bff, index), 0) << index;
    EXPECT_EQ(morrow::IsLeadByte(&b7f, index), 0) << index;
  }
}

// Malformed arguments of every kind: a refusal or a font, never a read outside a table.
TEST_F(Fonts, MalformedArgumentsAreRefused) {
  Start(1, 32);
  const std::string longFace(300, 'x');
  const char invalidGbk[] = "\xff\xff\x81\x20\x80";
  int made = 0;
  for (const char* face : {static_cast<const char*>(nullptr), "", longFace.c_str(), invalidGbk}) {
    for (int size : {0, -2, 100000}) {
      for (int thickness : {0, 1000}) {
        const int h = CreateFontToHandle(face, size, thickness, -1, -1, -1, -1, -1);
        if (size == 100000) {
          EXPECT_EQ(h, -1);
          continue;
        }
        ASSERT_NE(GetFontRecord(h), nullptr) << size << " " << thickness;
        EXPECT_LT(std::string(GetFontRecord(h)->faceName).size(), 256u);
        ++made;
        morrow::DeleteFontHandle(h);
      }
    }
  }
  EXPECT_EQ(made, 16);
  for (int type = -3; type <= 9; ++type) {
    for (int charset = -3; charset <= 9; ++charset) {
      const int h = CreateFontToHandle(nullptr, 12, 6, type, charset, -1, -1, -1);
      const bool good = type >= -1 && type <= 3 && charset >= -1 && charset <= 2;
      EXPECT_EQ(h != -1, good) << type << " " << charset;
      if (h != -1) morrow::DeleteFontHandle(h);
    }
  }
  for (auto [slot, check] : {std::pair{-2, -1}, {40, -1}, {5, 2048}, {5, -5}, {65535, -1}}) {
    EXPECT_EQ(CreateFontToHandle(nullptr, 12, 6, 0, -1, -1, slot, check), -1) << slot << check;
  }
  // A slot in use is refused without a word; a free one with a check number is taken as asked.
  EXPECT_EQ(CreateFontToHandle(nullptr, 12, 6, 0, -1, -1, 0, -1), -1);
  EXPECT_EQ(CreateFontToHandle(nullptr, 12, 6, 0, -1, -1, 39, 2047), 0x27ff0027);
  // Huge edges make a cell past the limit: refused, the check number taken.
  EXPECT_EQ(CreateFontToHandle(nullptr, 12, 6, 0, -1, 0x7fffffff, -1, -1), -1);
  // Handles of every other kind, and values of no kind.
  for (int h : {-1, 0, 0x08000000, 0x28000000, 0x38000000, 0x20000028, 0x2000ffff, 0x7fffffff,
                static_cast<int>(0x80000000u)}) {
    EXPECT_EQ(morrow::IsValidFontHandle(h), 0) << std::hex << h;
    EXPECT_EQ(morrow::DeleteFontHandle(h), -1);
    EXPECT_EQ(morrow::SetFontLostNotify(h, nullptr), -1);
    EXPECT_EQ(morrow::GetFontInfo(nullptr, nullptr, nullptr, h), -1);
  }
}

TEST_F(Fonts, AFontFileThatCannotBeReadFailsEveryFont) {
  platform::InstallFontFactory(nullptr);
  setenv("MORROW_FONT", (dir_.path() + "/missing.ttf").c_str(), 1);
  Start(1, 32);
  EXPECT_EQ(morrow::IsValidFontHandle(morrow::GetDefaultFontHandleValue()), 0);
  EXPECT_GE(Count(kCreateFailed), 2);
  EXPECT_EQ(morrow::RenderText(0, 0, "a", 0, 0), -1);
  unsetenv("MORROW_FONT");
}

}  // namespace
