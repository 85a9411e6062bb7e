// The options and the key configuration on the recording stand-in: each option line's change at
// both ends, the volumes, the lines that leave and what they save, the texts both scenes draw
// (read back from the glyph cells drawn), the key configuration's assignment per column, and
// values and masks of any size from files or held pads.
#include "game/flow/options_menu.h"

#include <climits>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/option_cursors.h"
#include "game/core/scenes.h"
#include "game/core/sound_entries.h"
#include "game/flow/glyph_text.h"
#include "platform/codepage.h"
#include "platform/directory.h"
#include "tests/game/flow/menu_harness.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace veyrdale;
using testsupport::kB1;
using testsupport::kB2;
using testsupport::kDown;
using testsupport::kLeft;
using testsupport::kRight;
using testsupport::kUp;
using testsupport::Pads;
using testsupport::RecordedCall;
using testsupport::Recorder;

constexpr int kFirstInputFrame = 31;

class OptionScenes : public testsupport::MenuHarness {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::GetCurrentDirectory(&old_));
    ASSERT_TRUE(platform::SetCurrentDirectory(dir_.path()));
    MenuHarness::SetUp();
    Reset();
  }
  void TearDown() override {
    MenuHarness::TearDown();
    platform::SetCurrentDirectory(old_);
  }
  // A fresh program with the glyph sheets loaded, as the title leaves them for the options.
  void Reset() {
    Fresh();
    LoadFontSheets(999);
    OptionCursor = 0;
    for (int32_t& c : KeyConfigCursors) c = 0;
    std::filesystem::remove_all("Data");
    Recorder().ClearCalls();
  }
  // Scene 15 or 16 at the first frame that reads input.
  void Open(int scene) {
    Enter(scene);
    UntilSceneFrame(kFirstInputFrame);
    Recorder().ClearCalls();
  }

  // One frame in which the pads hold `pads`, read by the counting step and by the key
  // configuration's own pad reads alike.
  void PadFrame(const Pads& pads) {
    Recorder().SetKeyboardBits(0);
    for (int p = 0; p < 4; ++p) Recorder().SetPadBits(p + 1, pads[p]);
    Frame(pads);
    for (int p = 0; p < 4; ++p) Recorder().SetPadBits(p + 1, 0);
  }
  void PadPress(int p, int bits) {
    Pads pads{};
    pads[p] = bits;
    PadFrame(pads);
    Frame();
  }

  int SoundsPlayed(int entry) const {
    int n = 0;
    for (const RecordedCall& call : Recorder().Named("PlaySoundHandle")) {
      n += call.Int(0) == SoundHandles[entry] ? 1 : 0;
    }
    return n;
  }

  // The texts drawn from the glyph sheets, in order, as "x y mode parameter text": each run of
  // glyphs at most 24 pixels apart on one row, read back from the cells drawn (the black shadows
  // left out) and turned into UTF-8.
  std::vector<std::string> DrawnTexts() const {
    std::vector<std::string> out;
    std::string blend = "?";
    bool shadow = false;
    std::string gbk;
    std::string head;
    int lastX = INT_MIN;
    int row = INT_MIN;
    auto flush = [&] {
      if (!gbk.empty()) out.push_back(head + platform::GbkToUtf8(gbk));
      gbk.clear();
    };
    for (const RecordedCall& call : Recorder().Calls()) {
      if (call.name == "SetBlendMode") blend = call.args[0] + " " + call.args[1];
      if (call.name == "SetModulationColor") shadow = call.Text() == "SetModulationColor 0 0 0";
      if (call.name != "DrawGraphPart" || shadow) continue;
      int sheet = -1;
      for (int i = 0; i < kGlyphSheetCount; ++i) {
        if (call.Int(6) == GlyphSheetsB[i]) sheet = i;
      }
      if (sheet < 0) continue;
      const int x = static_cast<int>(call.Int(0));
      const int y = static_cast<int>(call.Int(1));
      if (y != row || x <= lastX || x > lastX + kGlyphSize) {
        flush();
        head = std::to_string(x) + " " + std::to_string(y) + " " + blend + " ";
      }
      const int cell = static_cast<int>((call.Int(3) - 2) / 24 * 42 + (call.Int(2) - 2) / 24);
      const uint32_t code =
          kFirstGlyphCode + static_cast<uint32_t>(sheet * kGlyphCellsPerSheet + cell);
      gbk += static_cast<char>(code >> 8);
      gbk += static_cast<char>(code & 0xFF);
      lastX = x;
      row = y;
    }
    flush();
    return out;
  }

  static std::string Words(const std::vector<int32_t>& words) {
    std::string bytes;
    for (int32_t w : words) {
      for (int k = 0; k < 4; ++k) bytes += static_cast<char>(static_cast<uint32_t>(w) >> (8 * k));
    }
    return bytes;
  }
  static std::vector<int32_t> OptionWords() {
    const OptionSettings& o = g_options;
    return {o.difficulty,  o.winCount,        o.timeLimit,        o.effectLevel,
            o.meleeLevel,  o.stunRingDisplay, o.obstacleStrength, o.musicVolume,
            o.soundVolume, o.spare[0],        o.spare[1]};
  }
  static std::vector<int32_t> ButtonWords() {
    std::vector<int32_t> words;
    for (const auto& column : g_buttonMap.masks) words.insert(words.end(), column, column + 5);
    return words;
  }

  testsupport::TempDir dir_;
  std::string old_;
};

// ---- Options ------------------------------------------------------------------------------

TEST_F(OptionScenes, EachValueLineStopsAtBothEndsAndEveryPressSounds) {
  struct Case {
    int line;
    int32_t OptionSettings::*field;
    int32_t high;
    bool sets;  // right sets 1, left sets 0
  } cases[] = {
      {0, &OptionSettings::difficulty, 3, false},
      {1, &OptionSettings::winCount, 2, false},
      {2, &OptionSettings::timeLimit, 2, false},
      {3, &OptionSettings::effectLevel, 1, true},
      {4, &OptionSettings::meleeLevel, 1, true},
      {5, &OptionSettings::stunRingDisplay, 1, true},
      {6, &OptionSettings::obstacleStrength, 2, false},
      {7, &OptionSettings::musicVolume, 20, false},
      {8, &OptionSettings::soundVolume, 20, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Reset();
    Open(kSceneOptions);
    OptionCursor = c.line;
    int32_t& value = g_options.*c.field;
    value = 0;
    Press(0, kLeft);
    EXPECT_EQ(value, 0) << "left at the bottom stays";
    Press(0, kRight);
    EXPECT_EQ(value, 1);
    Press(0, kRight);
    EXPECT_EQ(value, c.sets ? 1 : 2) << "a second right";
    value = c.high;
    Press(0, kRight);
    EXPECT_EQ(value, c.high) << "right at the top stays";
    Press(0, kLeft);
    EXPECT_EQ(value, c.sets ? 0 : c.high - 1);
    EXPECT_EQ(SoundsPlayed(kSoundSelect), 5) << "also the presses at an end";
    EXPECT_EQ(OptionCursor, c.line);
    EXPECT_EQ(SceneId, kSceneOptions);
  }
}

// The music follows with the level already within 0-20; every sound follows with the stepped
// level, which the library holds within 0-10000.
TEST_F(OptionScenes, VolumesFollowAtOnce) {
  struct Case {
    int line;
    int32_t before;
    int bits;
    int32_t after;
    int music;  // -1: none set
    int sound;  // -1: none set
  } cases[] = {
      {7, 10, kRight, 11, 140, -1}, {7, 20, kRight, 20, 255, -1}, {7, 0, kLeft, 0, 0, -1},
      {7, 1, kLeft, 0, 0, -1},      {8, 8, kRight, 9, -1, 4500},  {8, 20, kRight, 20, -1, 10500},
      {8, 0, kLeft, 0, -1, -500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.line << " " << c.before);
    Reset();
    Open(kSceneOptions);
    OptionCursor = c.line;
    (c.line == 7 ? g_options.musicVolume : g_options.soundVolume) = c.before;
    Press(0, c.bits);
    EXPECT_EQ(c.line == 7 ? g_options.musicVolume : g_options.soundVolume, c.after);
    const auto music = Recorder().Named("SetMusicVolume");
    const auto sounds = Recorder().Named("SetSoundVolume");
    if (c.music >= 0) {
      ASSERT_EQ(music.size(), 1u);
      EXPECT_EQ(music[0].Int(0), c.music);
    } else {
      EXPECT_TRUE(music.empty());
    }
    if (c.sound == -1) {
      EXPECT_TRUE(sounds.empty());
      continue;
    }
    ASSERT_EQ(sounds.size(), static_cast<size_t>(kSoundCount));
    for (int i = 0; i < kSoundCount; ++i) {
      EXPECT_EQ(sounds[i].Int(0), c.sound);
      EXPECT_EQ(sounds[i].Int(1), SoundHandles[i]) << "every sound, in order";
    }
  }
}

TEST_F(OptionScenes, CursorWrapsAndButtonTwoJumpsToTheBackLine) {
  Open(kSceneOptions);
  // Before frame 31 nothing is read.
  Enter(kSceneOptions);
  UntilSceneFrame(kFirstInputFrame - 3);
  Press(0, kUp);
  Press(0, kB2);
  EXPECT_EQ(OptionCursor, 0);
  EXPECT_EQ(SoundsPlayed(kSoundSelect) + SoundsPlayed(kSoundCancel), 0);

  Press(0, kUp);
  EXPECT_EQ(OptionCursor, 10) << "up from 0 wraps";
  Press(0, kDown);
  EXPECT_EQ(OptionCursor, 0) << "down from 10 wraps";
  Press(1, kDown);
  EXPECT_EQ(OptionCursor, 0) << "only player 0 moves it";
  OptionCursor = 4;
  Press(0, kB2);
  EXPECT_EQ(OptionCursor, 10);
  EXPECT_EQ(SceneId, kSceneOptions) << "without leaving";
  EXPECT_TRUE(captures_.empty());
  EXPECT_EQ(SoundsPlayed(kSoundSelect), 2);
  EXPECT_EQ(SoundsPlayed(kSoundCancel), 1);
}

TEST_F(OptionScenes, LinesNineAndTenLeave) {
  // Line 9: the key configuration with every column on its first line; nothing is saved.
  Open(kSceneOptions);
  OptionCursor = 9;
  for (int32_t& c : KeyConfigCursors) c = 3;
  const int32_t frame = SceneFrame;
  PressOnly(0, kB1);
  EXPECT_EQ(SceneId, kSceneKeyConfig);
  EXPECT_EQ(SceneFrame, frame + 1) << "the frame count runs on";
  for (int32_t c : KeyConfigCursors) EXPECT_EQ(c, 0);
  EXPECT_EQ(OptionCursor, 9) << "kept for the way back";
  EXPECT_TRUE(LastFrameCaptured());
  EXPECT_EQ(SoundsPlayed(kSoundEnter), 1);
  EXPECT_FALSE(std::filesystem::exists("Data"));

  // Line 10: the title at its frame 450, the options saved, the glyph sheets freed.
  for (bool saveFails : {false, true}) {
    SCOPED_TRACE(saveFails);
    Reset();
    // A file where the folder should be: the save fails, and nothing says so.
    if (saveFails) testsupport::WriteFile("Data", "");
    g_options.difficulty = 3;
    g_options.spare[1] = -7;
    Open(kSceneOptions);
    OptionCursor = 10;
    PressOnly(0, kB1);
    EXPECT_EQ(SceneId, kSceneTitle);
    EXPECT_EQ(SceneFrame, 451);
    EXPECT_EQ(OptionCursor, 0);
    EXPECT_TRUE(LastFrameCaptured());
    EXPECT_EQ(SoundsPlayed(kSoundCancel), 1);
    for (int i = 0; i < kGlyphSheetCount; ++i) EXPECT_EQ(GlyphSheetsB[i], -1);
    EXPECT_EQ(g_options.difficulty, 3) << "the settings stay in memory";
    if (saveFails) continue;
    EXPECT_EQ(testsupport::ReadFile("Data/config.sav"), Words(OptionWords()));
    EXPECT_EQ(testsupport::ReadFile("Data/config.sav").size(), 44u);
    EXPECT_FALSE(std::filesystem::exists("Data/key.inf"));
  }
}

// The frame's texts: labels with alpha 224, the cursor's label, value and the pulsing pointer
// again additively.
TEST_F(OptionScenes, LabelsValuesAndPointer) {
  Enter(kSceneOptions);
  UntilSceneFrame(45);
  OptionCursor = 2;
  Recorder().ClearCalls();
  Frame();
  const std::vector<std::string> expected = {
      "172 100 1 224 难易度",       "172 132 1 224 胜利数",   "172 164 1 224 时间限制",
      "172 196 1 224 演出程度",     "172 228 1 224 混战程度", "172 260 1 224 硬直环显示",
      "172 292 1 224 障碍物强度",   "172 324 1 224 ＢＧＭ",   "172 356 1 224 ＳＥ",
      "172 388 1 224 按键设定",     "172 420 1 224 返回",     "172 164 2 255 时间限制",
      "400 100 1 224 Ｎｏｒｍａｌ", "400 132 1 224 ２",       "400 164 1 224 ９９",
      "400 196 1 224 华丽",         "400 228 1 224 过激",     "400 260 1 224 有",
      "400 292 1 224 普",           "400 324 1 224 １００",   "400 356 1 224 ９５",
      "400 164 2 255 ９９",         "360 164 2 127 ＞",
  };
  EXPECT_EQ(DrawnTexts(), expected);
  // The header slides in until frame 60 and is plain afterwards; its title sits at (100, 24).
  EXPECT_EQ(CountPrefix("SetBlendMode 1 191"), 1);
  EXPECT_EQ(Count("DrawGraph 100 24 font04:8 1"), 1);
  EXPECT_EQ(Count("DrawGraph -4 0 font01:12 1"), 1);
}

// Values from an edited file are brought within their ranges when read; a value that is still
// outside its line's table, whatever put it there, shows the label alone, and any cursor value
// draws and moves within the lines.
TEST_F(OptionScenes, ValuesOutsideTheirTablesShowTheLabelAlone) {
  std::filesystem::create_directories("Data");
  testsupport::WriteFile("Data/config.sav",
                         Words({INT_MIN, INT_MAX, -1, 2, -2, 7, 3, 21, -100, 5, 6}));
  LoadDataFile(kOptionsFile, kLoadOptions);
  Open(kSceneOptions);
  Frame();
  EXPECT_EQ(DrawnTexts().size(), 23u) << "a value on every line";

  int32_t OptionSettings::*const fields[] = {
      &OptionSettings::difficulty,       &OptionSettings::winCount,
      &OptionSettings::timeLimit,        &OptionSettings::effectLevel,
      &OptionSettings::meleeLevel,       &OptionSettings::stunRingDisplay,
      &OptionSettings::obstacleStrength, &OptionSettings::musicVolume,
      &OptionSettings::soundVolume};
  const int32_t highs[] = {3, 2, 2, 1, 1, 1, 2, 20, 20};
  for (int32_t bad : {INT_MIN, -1, 4, 21, INT_MAX}) {
    SCOPED_TRACE(bad);
    for (int line = 0; line < 9; ++line) {
      g_options.*fields[line] = bad >= 0 && bad <= highs[line] ? highs[line] + 1 : bad;
    }
    for (int32_t cursor : {INT_MIN, -1, 11, INT_MAX}) {
      OptionCursor = cursor;
      Recorder().ClearCalls();
      Frame();
      EXPECT_EQ(DrawnTexts().size(), 11u) << "labels only";
    }
    for (int line = 0; line < 9; ++line) {
      EXPECT_EQ(OptionValueText(line, g_options.*fields[line]), nullptr);
      OptionCursor = line;
      Press(0, g_options.*fields[line] < 0 ? kLeft : kRight);
      const int32_t v = g_options.*fields[line];
      EXPECT_TRUE(v >= 0 && v <= highs[line]) << line << ": " << v;
    }
    OptionCursor = INT_MIN;
    Press(0, kUp);
    EXPECT_TRUE(OptionCursor >= 0 && OptionCursor < 11);
  }
}

// ---- Key configuration --------------------------------------------------------------------

TEST_F(OptionScenes, HeldPadButtonTakesTheCursorLine) {
  constexpr int kAllNine = 0x1FF0;
  struct Case {
    const char* name;
    int line;
    int held;
    int frames;
    std::vector<int32_t> masks;  // column 0 afterwards; the others keep the defaults
  } cases[] = {
      {"swaps with the line that held it", 0, 0x40, 1, {0x40, 0x20, 0x10, 0x80, 0x100}},
      {"held on, stays", 0, 0x40, 5, {0x40, 0x20, 0x10, 0x80, 0x100}},
      {"two at once: the last wins", 0, 0x30, 1, {0x20, 0x10, 0x40, 0x80, 0x100}},
      {"a button no line held", 1, 0x200, 1, {0x10, 0x200, 0x40, 0x80, 0x100}},
      {"every button at once", 4, kAllNine, 1, {0x80, 0x10, 0x20, 0x40, 0x1000}},
      {"directions and high bits never",
       2,
       0xF | 0x2000 | 0x40000000,
       3,
       {0x10, 0x20, 0x40, 0x80, 0x100}},
      {"the back line assigns nothing", 5, 0x40, 1, {0x10, 0x20, 0x40, 0x80, 0x100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    Open(kSceneKeyConfig);
    KeyConfigCursors[0] = c.line;
    Pads pads{};
    pads[0] = c.held;
    for (int f = 0; f < c.frames; ++f) PadFrame(pads);
    EXPECT_EQ(ButtonWords(), [&] {
      std::vector<int32_t> want = c.masks;
      for (int p = 1; p < 4; ++p) want.insert(want.end(), {0x10, 0x20, 0x40, 0x80, 0x100});
      return want;
    }());
    EXPECT_EQ(SceneId, kSceneKeyConfig);
  }
}

TEST_F(OptionScenes, EachPlayerActsOnlyInItsColumn) {
  Open(kSceneKeyConfig);
  PadPress(1, kDown);
  PadPress(1, kDown);
  EXPECT_EQ(KeyConfigCursors[1], 2);
  for (int p : {0, 2, 3}) EXPECT_EQ(KeyConfigCursors[p], 0);
  Pads pads{};
  pads[1] = 0x10;
  PadFrame(pads);
  EXPECT_EQ(g_buttonMap.masks[1][2], 0x10);
  EXPECT_EQ(g_buttonMap.masks[1][0], 0x40);
  EXPECT_EQ(g_buttonMap.masks[0][0], 0x10) << "column 0 holds its own";
  EXPECT_EQ(g_buttonMap.masks[2][0], 0x10);
  PadPress(1, kUp);
  PadPress(1, kUp);
  PadPress(1, kUp);
  EXPECT_EQ(KeyConfigCursors[1], 5) << "up from 0 wraps to the back line";
  PadPress(0, 0x10);
  EXPECT_EQ(SceneId, kSceneKeyConfig) << "player 0 is not on its back line";
  // Player 1's button 1 is now pad button 3 (0x40).
  PadPress(1, 0x40);
  EXPECT_EQ(SceneId, kSceneOptions);
  EXPECT_EQ(SoundsPlayed(kSoundSelect), 5);
  EXPECT_EQ(SoundsPlayed(kSoundCancel), 1);
  EXPECT_EQ(captures_.size(), 1u);
  // Only the button map is saved.
  EXPECT_EQ(testsupport::ReadFile("Data/key.inf"), Words(ButtonWords()));
  EXPECT_FALSE(std::filesystem::exists("Data/config.sav"));
}

TEST_F(OptionScenes, ColumnsShowTheirLabelsAndPadButtonNumbers) {
  const int32_t columns[4][5] = {{0x10, 0x20, 0x40, 0x80, 0x100},
                                 {0x1000, 0x800, 0x30, 0, -1},
                                 {0x8, 0x2000, INT_MIN, 0x400, 0x200},
                                 {0x100, 0x100, 0x80, 0x40, 0x20}};
  for (int p = 0; p < 4; ++p) {
    for (int b = 0; b < 5; ++b) g_buttonMap.masks[p][b] = columns[p][b];
  }
  Enter(kSceneKeyConfig);
  UntilSceneFrame(70);
  KeyConfigCursors[0] = 5;
  KeyConfigCursors[1] = 3;
  Recorder().ClearCalls();
  Frame();
  const std::vector<std::string> expected = {
      "54 424 1 224 返回",
      "54 424 2 255 返回",
      "54 160 1 224 攻击甲　１",
      "54 208 1 224 攻击乙　２",
      "54 256 1 224 　灵威　３",
      "54 304 1 224 　Ｔｏｌｖａｎｅ　４",
      "54 352 1 224 符卡　５",
      "54 108 0 255 １Ｐ",
      "204 160 1 224 攻击甲　９",
      "204 208 1 224 攻击乙　８",
      "204 256 1 224 　灵威",
      "204 304 1 224 　Ｔｏｌｖａｎｅ",
      "204 352 1 224 符卡",
      "204 304 2 255 　Ｔｏｌｖａｎｅ",
      "204 108 0 255 ２Ｐ",
      "354 160 1 224 攻击甲",
      "354 208 1 224 攻击乙",
      "354 256 1 224 　灵威",
      "354 304 1 224 　Ｔｏｌｖａｎｅ　７",
      "354 352 1 224 符卡　６",
      "354 160 2 255 攻击甲",
      "354 108 0 255 ３Ｐ",
      "504 160 1 224 攻击甲　５",
      "504 208 1 224 攻击乙　５",
      "504 256 1 224 　灵威　４",
      "504 304 1 224 　Ｔｏｌｖａｎｅ　３",
      "504 352 1 224 符卡　２",
      "504 160 2 255 攻击甲　５",
      "504 108 0 255 ４Ｐ",
  };
  EXPECT_EQ(DrawnTexts(), expected);
  // The "T" is the full-width cell 0xA3D4, one byte of the label, at the second place.
  EXPECT_EQ(CountPrefix("DrawGraphPart 67 304 770 2 24 24"), 1);
  // The background plain, the header at alpha 64 from frame 60 on.
  EXPECT_EQ(Count("DrawGraph 0 0 bgt02:0 1"), 1);
  EXPECT_EQ(Count("SetBlendMode 1 64"), 1);
}

// The button-4 line, "　Ｔｏｌｖａｎｅ" and a digit, is ten glyphs: 240 pixels at the glyphs' own
// advance, in columns 150 apart. It is drawn closer so that its digit and the digit's shadow end
// before the next column, the last column's before the screen's edge: (150 - 25) / 9 leaves 13
// pixels a glyph, (640 - 504 - 25) / 9 leaves 12. The lines that fit keep 24.
TEST_F(OptionScenes, TheLongestKeyLineEndsInsideItsColumn) {
  const int right[4] = {204, 354, 504, 640}, advance[4] = {13, 13, 13, 12};
  const char* const digits[9] = {"１", "２", "３", "４", "５", "６", "７", "８", "９"};
  for (int n = 0; n < 9; ++n) {
    for (auto& column : g_buttonMap.masks) column[3] = 0x10 << n;
    Enter(kSceneKeyConfig);
    UntilSceneFrame(70);
    Recorder().ClearCalls();
    Frame();
    std::vector<std::string> lines, expected;
    for (const std::string& text : DrawnTexts()) {
      if (text.find(" 304 1 224 ") != std::string::npos) lines.push_back(text);
    }
    for (int p = 0; p < 4; ++p) {
      const int x = 54 + 150 * p, digitX = x + 9 * advance[p];
      expected.push_back(std::to_string(x) + " 304 1 224 　Ｔｏｌｖａｎｅ　" + digits[n]);
      EXPECT_LE(digitX + 24 + 1, right[p]);
      EXPECT_EQ(CountPrefix("DrawGraphPart " + std::to_string(digitX) + " 304 "), 1) << p;
      EXPECT_EQ(CountPrefix("DrawGraphPart " + std::to_string(x + 96) + " 160 "), 2) << p;
    }
    EXPECT_EQ(lines, expected) << n;
  }
}

// Masks of any value, cursors anywhere and every pad bit held on every column while the cursors
// run over all lines: each line shows its label with the number of its pad button only when its
// mask is one of the nine, and nothing reads outside a table.
TEST_F(OptionScenes, AnyMasksAndEveryBitHeld) {
  const char* const labels[5] = {"攻击甲", "攻击乙", "　灵威", "　Ｔｏｌｖａｎｅ", "符卡"};
  const char* const digits[9] = {"１", "２", "３", "４", "５", "６", "７", "８", "９"};
  std::mt19937 random(33);
  const int32_t odd[] = {0, -1, INT_MIN, INT_MAX, 0x30, 0x1010, 0xF, 0x2000, 0x8000000, 0x400};
  for (auto& column : g_buttonMap.masks) {
    for (int32_t& mask : column) mask = odd[random() % std::size(odd)];
  }
  Enter(kSceneKeyConfig);
  UntilSceneFrame(kFirstInputFrame);
  KeyConfigCursors[0] = INT_MIN;
  KeyConfigCursors[1] = INT_MAX;
  KeyConfigCursors[2] = -7;
  KeyConfigCursors[3] = 6;
  for (int f = 0; f < 24; ++f) {
    Pads pads;
    // Down is pressed every third frame; every other bit stays held.
    pads.fill(INT_MAX & ~kUp & ~(f % 3 == 0 ? 0 : kDown));
    Recorder().ClearCalls();
    PadFrame(pads);
    SceneId = kSceneKeyConfig;  // a back line that was left is entered again
    std::vector<std::string> expected;
    for (int p = 0; p < 4; ++p) {
      for (int j = 0; j < 5; ++j) {
        std::string text = std::to_string(54 + 150 * p) + " " + std::to_string(160 + 48 * j) +
                           " 1 224 " + labels[j];
        for (int n = 0; n < 9; ++n) {
          if (g_buttonMap.masks[p][j] == 0x10 << n) text += std::string("　") + digits[n];
        }
        expected.push_back(text);
      }
    }
    std::vector<std::string> lines;
    for (const std::string& text : DrawnTexts()) {
      if (text.find(" 1 224 ") != std::string::npos && text.rfind("54 424", 0) != 0) {
        lines.push_back(text);
      }
    }
    EXPECT_EQ(lines, expected) << "frame " << f;
  }
  for (int32_t cursor : KeyConfigCursors) EXPECT_TRUE(cursor >= 0 && cursor < 6) << cursor;
}

}  // namespace
