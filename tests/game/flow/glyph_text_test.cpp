// Glyph-sheet text on the recording stand-in of the library: the cells of codes, the sheets'
// loads and frees, the string draw and the message window.
#include "game/flow/glyph_text.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/core/data_files.h"
#include "morrow/recording/library_recorder.h"
#include "morrow/system/library.h"
#include "tests/support/battle_state.h"
#include "tests/support/script_files.h"

namespace {

using namespace veyrdale;
using testsupport::RecordedCall;
using testsupport::Recorder;

// One drawn glyph: where, from which sheet handle and source corner, and the tint it had.
struct Drawn {
  int x, y, sheet, sourceX, sourceY;
  bool black;
};

class GlyphText : public ::testing::Test {
 protected:
  void SetUp() override {
    Recorder().Reset();
    testsupport::ResetBattleState();
    morrow::InitLibrary();
    LoadFontSheets(0);
    Recorder().ClearCalls();
  }
  void TearDown() override {
    Recorder().Reset();
    testsupport::ResetBattleState();
  }

  // The glyphs drawn since the calls were last cleared, with the tint in force for each.
  static std::vector<Drawn> Glyphs() {
    std::vector<Drawn> out;
    bool black = false;
    for (const RecordedCall& call : Recorder().Calls()) {
      if (call.name == "SetModulationColor") black = call.Int(0) == 0;
      if (call.name != "DrawGraphPart") continue;
      EXPECT_EQ(call.Int(4), 24);
      EXPECT_EQ(call.Int(5), 24);
      EXPECT_EQ(call.Int(7), 1) << "transparency on";
      EXPECT_EQ(call.Int(8), 0) << "never turned";
      out.push_back({static_cast<int>(call.Int(0)), static_cast<int>(call.Int(1)),
                     static_cast<int>(call.Int(6)), static_cast<int>(call.Int(2)),
                     static_cast<int>(call.Int(3)), black});
    }
    return out;
  }
  static std::vector<Drawn> White(const std::vector<Drawn>& all) {
    std::vector<Drawn> out;
    for (const Drawn& d : all) {
      if (!d.black) out.push_back(d);
    }
    return out;
  }
};

// A text in a buffer of exactly its bytes and terminator, so a read past it is caught.
std::vector<char> Text(const std::string& bytes) {
  std::vector<char> text(bytes.begin(), bytes.end());
  text.push_back('\0');
  return text;
}

TEST(GlyphTextCells, CodesMapToSheetsAndCells) {
  struct Case {
    uint32_t code;
    bool drawable;
    int sheet, x, y;
  } cases[] = {
      {0x8140, true, 0, 2, 2},
      {0x8140 + 1, true, 0, 26, 2},
      {0x8140 + 41, true, 0, 986, 2},
      {0x8140 + 42, true, 0, 2, 26},
      {0x8140 + 43, true, 0, 26, 26},
      {0x8140 + 1763, true, 0, 986, 986},
      {0x8140 + 1764, true, 1, 2, 2},
      {0xFD47, true, 17, 986, 986},
      {0x813F, false, 0, 0, 0},
      {0xFD48, false, 0, 0, 0},
      {0, false, 0, 0, 0},
      {0x41, false, 0, 0, 0},
      {0xFFFF, false, 0, 0, 0},
      {0xFFFFFFFF, false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    GlyphCell cell{-1, -1, -1};
    ASSERT_EQ(FindGlyphCell(c.code, &cell), c.drawable);
    if (!c.drawable) continue;
    EXPECT_EQ(cell.sheet, c.sheet);
    EXPECT_EQ(cell.sourceX, c.x);
    EXPECT_EQ(cell.sourceY, c.y);
  }
}

TEST_F(GlyphText, SheetsLoadBySetAndAreFreedBeforeTheyAreReplaced) {
  // SetUp loaded both sets.
  for (int i = 0; i < kGlyphSheetCount; ++i) {
    EXPECT_TRUE(Recorder().IsLiveGraph(GlyphSheetsA[i]));
    EXPECT_TRUE(Recorder().IsLiveGraph(GlyphSheetsB[i]));
  }
  const int live = Recorder().LiveGraphs();
  EXPECT_EQ(live, 2 * kGlyphSheetCount);

  struct Case {
    int mode;
    int loads;
    const char* first;
    const char* second;
  } cases[] = {{999, 18, "Resource\\Fnt\\fnt_b0.dat", "Resource\\Fnt\\fnt_b1.dat"},
               {5, 36, "Resource\\Fnt\\fnt_b0.dat", "Resource\\Fnt\\fnt_a0.dat"},
               {0, 36, "Resource\\Fnt\\fnt_b0.dat", "Resource\\Fnt\\fnt_a0.dat"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    Recorder().ClearCalls();
    const int32_t oldB = GlyphSheetsB[17];
    const int32_t oldA = GlyphSheetsA[17];
    LoadFontSheets(c.mode);
    const std::vector<RecordedCall> loads = Recorder().Named("LoadImageAsGraph");
    ASSERT_EQ(static_cast<int>(loads.size()), c.loads);
    EXPECT_EQ(loads[0].args[0], c.first);
    EXPECT_EQ(loads[1].args[0], c.second);
    EXPECT_EQ(loads.back().args[0],
              c.mode == 999 ? "Resource\\Fnt\\fnt_b17.dat" : "Resource\\Fnt\\fnt_a17.dat");
    EXPECT_FALSE(Recorder().IsLiveGraph(oldB)) << "the sheet held before is freed";
    EXPECT_EQ(Recorder().IsLiveGraph(oldA), c.mode == 999) << "set A stays as it was";
    EXPECT_EQ(Recorder().LiveGraphs(), live) << "no sheet is lost";
  }

  DeleteFontSheets();
  EXPECT_EQ(Recorder().LiveGraphs(), 0);
  for (int i = 0; i < kGlyphSheetCount; ++i) {
    EXPECT_EQ(GlyphSheetsA[i], -1);
    EXPECT_EQ(GlyphSheetsB[i], -1);
  }
  // Freeing again asks the library to free nothing that is live.
  Recorder().ClearCalls();
  DeleteFontSheets();
  for (const RecordedCall& call : Recorder().Named("FreeGraphHandle")) EXPECT_EQ(call.Int(0), -1);
}

TEST_F(GlyphText, ManyLoadsKeepTheGraphCountFlat) {
  const int live = Recorder().LiveGraphs();
  for (int i = 0; i < 200; ++i) LoadFontSheets(i % 2 == 0 ? 999 : i);
  EXPECT_EQ(Recorder().LiveGraphs(), live);
}

TEST_F(GlyphText, AMissingSheetDrawsNothingOfItsCodes) {
  DeleteFontSheets();
  Recorder().missingFiles = {"Resource\\Fnt\\fnt_b1.dat"};
  LoadFontSheets(999);
  EXPECT_EQ(GlyphSheetsB[1], -1);
  EXPECT_NE(GlyphSheetsB[0], -1);
  Recorder().ClearCalls();
  // 0x8140 + 1764 = 0x8824 lies on sheet 1.
  const std::vector<char> text = Text("\x88\x24\x81\x40");
  DrawSheetString(0, 0, text.data());
  int answered = 0;
  for (const RecordedCall& call : Recorder().Named("DrawGraphPart")) {
    if (call.Int(6) == -1) {
      EXPECT_EQ(call.answer, -1) << "the library refuses the handle";
    } else {
      ++answered;
    }
  }
  EXPECT_EQ(answered, 2) << "the second character and its shadow";
}

TEST_F(GlyphText, StringDrawsShadowThenGlyphAndLeavesTheTintWhite) {
  const std::vector<char> text = Text("\x81\x40\x81\x6B");  // 0x8140 and 0x8140 + 43
  DrawSheetString(100, 50, text.data());
  const std::vector<Drawn> drawn = Glyphs();
  ASSERT_EQ(drawn.size(), 4u);
  const Drawn expected[] = {{101, 51, GlyphSheetsB[0], 2, 2, true},
                            {100, 50, GlyphSheetsB[0], 2, 2, false},
                            {125, 51, GlyphSheetsB[0], 26, 26, true},
                            {124, 50, GlyphSheetsB[0], 26, 26, false}};
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(drawn[i].x, expected[i].x);
    EXPECT_EQ(drawn[i].y, expected[i].y);
    EXPECT_EQ(drawn[i].sheet, expected[i].sheet);
    EXPECT_EQ(drawn[i].sourceX, expected[i].sourceX);
    EXPECT_EQ(drawn[i].sourceY, expected[i].sourceY);
    EXPECT_EQ(drawn[i].black, expected[i].black);
  }
  EXPECT_EQ(Recorder().Named("SetModulationColor").back().Text(), "SetModulationColor 255 255 255");
  EXPECT_EQ(Recorder().Named("SetFilterMode").back().Text(), "SetFilterMode 1");
}

TEST_F(GlyphText, StringLengthsAndEnds) {
  const std::string a = "\xB0\xA1";  // one character
  struct Case {
    const char* name;
    std::string text;
    std::vector<int> whiteX;  // x of each glyph drawn (over its shadow)
  } cases[] = {
      {"empty", "", {}},
      {"tilde first", "~" + a, {}},
      {"tilde ends", a + a + "~" + a, {0, 24}},
      {"thirty characters draw 24", std::string(), {}},
      {"odd length: a lone lead byte at the end", a + "\xB0", {0}},
      {"a code without a cell keeps its place", "\x80\x40" + a, {24}},
      {"a control byte pairs with the next", std::string("\x01") + "\x41" + a, {24}},
      {"ascii mixed in stays aligned", "A" + a + "1", {0, 24, 48}},
  };
  std::string thirty;
  for (int i = 0; i < 30; ++i) thirty += a;
  cases[3].text = thirty;
  for (int k = 0; k < 24; ++k) cases[3].whiteX.push_back(24 * k);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder().ClearCalls();
    const std::vector<char> text = Text(c.text);
    DrawSheetString(0, 0, text.data());
    const std::vector<Drawn> drawn = Glyphs();
    EXPECT_EQ(drawn.size(), 2 * c.whiteX.size()) << "a shadow for every glyph";
    const std::vector<Drawn> white = White(drawn);
    ASSERT_EQ(white.size(), c.whiteX.size());
    for (size_t i = 0; i < white.size(); ++i) EXPECT_EQ(white[i].x, c.whiteX[i]);
  }
  Recorder().ClearCalls();
  DrawSheetString(0, 0, nullptr);
  EXPECT_TRUE(Glyphs().empty());
}

TEST_F(GlyphText, AsciiInALabelDrawsItsFullWidthForm) {
  // The key-configuration label: an ideographic space and seven ASCII letters.
  const std::vector<char> text = Text("\xA1\xA1Tolvane");
  DrawSheetString(40, 10, text.data());
  const std::vector<Drawn> white = White(Glyphs());
  ASSERT_EQ(white.size(), 8u);
  const std::string expectedCodes = "\xA1\xA1" + testsupport::FullWidth("Tolvane");
  for (size_t k = 0; k < 8; ++k) {
    SCOPED_TRACE(k);
    const uint32_t code = static_cast<uint8_t>(expectedCodes[2 * k]) << 8 |
                          static_cast<uint8_t>(expectedCodes[2 * k + 1]);
    GlyphCell cell;
    ASSERT_TRUE(FindGlyphCell(code, &cell));
    EXPECT_EQ(white[k].x, 40 + 24 * static_cast<int>(k));
    EXPECT_EQ(white[k].y, 10);
    EXPECT_EQ(white[k].sheet, GlyphSheetsB[cell.sheet]);
    EXPECT_EQ(white[k].sourceX, cell.sourceX);
    EXPECT_EQ(white[k].sourceY, cell.sourceY);
  }
  // A space of its own is the ideographic space.
  Recorder().ClearCalls();
  const std::vector<char> space = Text(" ");
  DrawSheetString(0, 0, space.data());
  GlyphCell ideographicSpace;
  ASSERT_TRUE(FindGlyphCell(0xA1A1, &ideographicSpace));
  ASSERT_EQ(White(Glyphs()).size(), 1u);
  EXPECT_EQ(White(Glyphs())[0].sourceX, ideographicSpace.sourceX);
  EXPECT_EQ(White(Glyphs())[0].sourceY, ideographicSpace.sourceY);
}

TEST_F(GlyphText, MessageWindowRowsSetsAndShadows) {
  // Row 0: four characters and a 0 code, then a fifth that must not show; row 1 full; row 2: one.
  auto put = [](int r, int c, uint32_t code) { MessageGrid[c * kMessageRows + r] = code; };
  for (int c = 0; c < 4; ++c) put(0, c, 0x8140 + c);
  put(0, 5, 0x8140);
  for (int c = 0; c < 24; ++c) put(1, c, 0xB0A1);
  put(2, 0, 0x8140 + 1764);
  put(2, 1, 0x20);  // no cell: skipped, the next keeps its column
  put(2, 2, 0x8140);

  struct Case {
    int effectLevel;
    int speaker;
  } cases[] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "effect " << c.effectLevel << " speaker " << c.speaker);
    g_options.effectLevel = c.effectLevel;
    SpeakerSlot = c.speaker;
    Recorder().ClearCalls();
    DrawMessageWindow();
    const std::vector<Drawn> drawn = Glyphs();
    const std::vector<Drawn> white = White(drawn);
    ASSERT_EQ(white.size(), 4u + 24u + 2u);
    EXPECT_EQ(drawn.size(), c.effectLevel == 0 ? 2 * white.size() : white.size());
    if (c.effectLevel == 1) {
      EXPECT_EQ(Recorder().Count("SetModulationColor"), 0) << "the tint is left alone";
    }
    const int32_t* sheets = c.speaker == 1 ? GlyphSheetsB : GlyphSheetsA;
    EXPECT_EQ(white[0].x, 30);
    EXPECT_EQ(white[0].y, 340);
    EXPECT_EQ(white[3].x, 30 + 72);
    EXPECT_EQ(white[4].x, 30);
    EXPECT_EQ(white[4].y, 364);
    EXPECT_EQ(white[27].x, 30 + 24 * 23);
    EXPECT_EQ(white[28].y, 388);
    EXPECT_EQ(white[28].sheet, sheets[1]);
    EXPECT_EQ(white[29].x, 30 + 48);
    EXPECT_EQ(white[29].sheet, sheets[0]);
    if (c.effectLevel == 0) {
      EXPECT_TRUE(drawn[0].black);
      EXPECT_EQ(drawn[0].x, 31);
      EXPECT_EQ(drawn[0].y, 341);
    }
  }
}

}  // namespace
