// The options scene, the key configuration and the texts they show. Every text is GBK, spelled here
// byte by byte with its UTF-8 form beside it.
#include "game/flow/options_menu.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/numeric.h"
#include "game/core/option_cursors.h"
#include "game/core/scenes.h"
#include "game/core/sound_entries.h"
#include "game/flow/glyph_text.h"
#include "game/flow/menu_common.h"
#include "game/flow/resource_lists.h"
#include "game/view/draw_conventions.h"
#include "morrow/graphics/draw.h"
#include "morrow/sound/music.h"
#include "morrow/sound/sound.h"
#include "morrow/system/input.h"

namespace veyrdale {

namespace {

using view::kBlendAdd;
constexpr int kHeaderPiece = 12;  // of "font01"
constexpr int kCaptionPiece = 8;  // of "font04"
constexpr int kCaptionX = 100;
constexpr int kLabelX = 172;
constexpr int kPointerX = 360;
constexpr int kValueX = 400;
constexpr int kFirstLineY = 100;
constexpr int kLineStep = 32;
constexpr int kValueLines = 9;  // lines 0-8 hold a value
constexpr int kPointerPulse = 30;
constexpr int kMaxVolume = 20;
constexpr int kTitleReturnFrame = 450;
constexpr int kKeyHeaderAlpha = 64;
constexpr int kKeyColumnX = 54;
constexpr int kKeyColumnStep = 150;
constexpr int kKeyHeadY = 108;
constexpr int kKeyFirstLineY = 160;
constexpr int kKeyLineStep = 48;
constexpr int kKeyBackY = 424;
constexpr int kAssignableButtons = 9;  // pad buttons 0x10 to 0x1000

constexpr char kPointer[] = "\xA3\xBE";           // ＞
constexpr char kBackText[] = "\xB7\xB5\xBB\xD8";  // 返回
constexpr char kWideSpace[] = "\xA1\xA1";         // the ideographic space
constexpr char kPlayerSign[] = "\xA3\xD0";        // Ｐ

// The full-width form of a number written in decimal: "０" is 0xA3B0 and the digits follow.
template <size_t N>
constexpr std::array<char, N> FullWidthNumber(int value) {
  char digits[10] = {};
  int count = 0;
  do {
    digits[count++] = static_cast<char>(value % 10);
    value /= 10;
  } while (value > 0);
  std::array<char, N> text{};
  for (int i = 0; i < count; ++i) {
    text[2 * i] = static_cast<char>(0xA3);
    text[2 * i + 1] = static_cast<char>(0xB0 + digits[count - 1 - i]);
  }
  return text;
}

// A volume level shows as level x 5: "０", "５", "１０" ... "１００".
constexpr auto kVolumeTexts = [] {
  std::array<std::array<char, 7>, kMaxVolume + 1> texts{};
  for (int level = 0; level <= kMaxVolume; ++level) texts[level] = FullWidthNumber<7>(level * 5);
  return texts;
}();

// "１" to "９": the pad button n that holds the mask 0x10 << (n - 1), and the player numbers.
constexpr auto kWideOneToNine = [] {
  std::array<std::array<char, 3>, 9> texts{};
  for (int n = 1; n <= 9; ++n) texts[n - 1] = FullWidthNumber<3>(n);
  return texts;
}();

constexpr const char* kDifficultyTexts[] = {
    "\xA3\xC5\xA3\xE1\xA3\xF3\xA3\xF9",                          // Ｅａｓｙ
    "\xA3\xCE\xA3\xEF\xA3\xF2\xA3\xED\xA3\xE1\xA3\xEC",          // Ｎｏｒｍａｌ
    "\xA3\xC8\xA3\xE1\xA3\xF2\xA3\xE4",                          // Ｈａｒｄ
    "\xA3\xCC\xA3\xF5\xA3\xEE\xA3\xE1\xA3\xF4\xA3\xE9\xA3\xE3",  // Ｌｕｎａｔｉｃ
};
constexpr const char* kWinCountTexts[] = {"\xA3\xB1", "\xA3\xB2", "\xA3\xB3"};  // １ ２ ３
constexpr const char* kTimeLimitTexts[] = {
    "\xA3\xB6\xA3\xB0",  // ６０
    "\xA3\xB9\xA3\xB9",  // ９９
    "\xCE\xDE\xCF\xDE",  // 无限
};
constexpr const char* kEffectTexts[] = {"\xBB\xAA\xC0\xF6", "\xBC\xF2\xD2\xD7"};  // 华丽 简易
constexpr const char* kMeleeTexts[] = {"\xB9\xFD\xBC\xA4", "\xC6\xBD\xCE\xC8"};   // 过激 平稳
constexpr const char* kStunRingTexts[] = {"\xD3\xD0", "\xCE\xDE"};                // 有 无
constexpr const char* kObstacleTexts[] = {"\xC8\xED", "\xC6\xD5", "\xD3\xB2"};    // 软 普 硬

// How a line's value moves: one step within 0..high, or set to 1 by right and 0 by left.
enum class Change { kNone, kStep, kSet };

struct OptionLine {
  const char* label;
  int32_t OptionSettings::*field;
  int32_t high;
  Change change;
  std::span<const char* const> values;  // empty: a volume level
};

// The labels: 难易度, 胜利数, 时间限制, 演出程度, 混战程度, 硬直环显示, 障碍物强度, ＢＧＭ, ＳＥ,
// 按键设定, 返回.
constexpr OptionLine kLines[kOptionLines] = {
    {"\xC4\xD1\xD2\xD7\xB6\xC8", &OptionSettings::difficulty, 3, Change::kStep, kDifficultyTexts},
    {"\xCA\xA4\xC0\xFB\xCA\xFD", &OptionSettings::winCount, 2, Change::kStep, kWinCountTexts},
    {"\xCA\xB1\xBC\xE4\xCF\xDE\xD6\xC6", &OptionSettings::timeLimit, 2, Change::kStep,
     kTimeLimitTexts},
    {"\xD1\xDD\xB3\xF6\xB3\xCC\xB6\xC8", &OptionSettings::effectLevel, 1, Change::kSet,
     kEffectTexts},
    {"\xBB\xEC\xD5\xBD\xB3\xCC\xB6\xC8", &OptionSettings::meleeLevel, 1, Change::kSet, kMeleeTexts},
    {"\xD3\xB2\xD6\xB1\xBB\xB7\xCF\xD4\xCA\xBE", &OptionSettings::stunRingDisplay, 1, Change::kSet,
     kStunRingTexts},
    {"\xD5\xCF\xB0\xAD\xCE\xEF\xC7\xBF\xB6\xC8", &OptionSettings::obstacleStrength, 2,
     Change::kStep, kObstacleTexts},
    {"\xA3\xC2\xA3\xC7\xA3\xCD", &OptionSettings::musicVolume, kMaxVolume, Change::kStep, {}},
    {"\xA3\xD3\xA3\xC5", &OptionSettings::soundVolume, kMaxVolume, Change::kStep, {}},
    {"\xB0\xB4\xBC\xFC\xC9\xE8\xB6\xA8", nullptr, 0, Change::kNone, {}},
    {kBackText, nullptr, 0, Change::kNone, {}},
};

// The game's five buttons as the key configuration names them. The ASCII letters are drawn as
// their full-width glyphs.
constexpr const char* kButtonLabels[5] = {
    "\xB9\xA5\xBB\xF7\xBC\xD7",  // 攻击甲
    "\xB9\xA5\xBB\xF7\xD2\xD2",  // 攻击乙
    "\xA1\xA1\xC1\xE9\xCD\xFE",  // 　灵威
    "\xA1\xA1Tolvane",           // 　Tolvane
    "\xB7\xFB\xBF\xA8",          // 符卡
};

bool ValidLine(int32_t line) {
  return line >= 0 && line < kOptionLines;
}

int LineY(int line) {
  return kFirstLineY + kLineStep * line;
}

// One step of a cursor over `lines` lines, wrapping at both ends; a cursor outside the lines
// comes back into them.
int32_t StepCursor(int32_t cursor, int step, int lines) {
  return PositiveModulo(PositiveModulo(cursor, lines) + step, lines);
}

void MoveCursor() {
  if (Pressed(kInputUp, 0)) {
    OptionCursor = StepCursor(OptionCursor, -1, kOptionLines);
    PlayCursorSound();
  }
  if (Pressed(kInputDown, 0)) {
    OptionCursor = StepCursor(OptionCursor, 1, kOptionLines);
    PlayCursorSound();
  }
  if (Pressed(kInputButton2, 0)) {
    OptionCursor = kOptionBackLine;
    PlayCancelSound();
  }
}

// The labels, the values of lines 0-8 and the pulsing pointer; the cursor's line again in
// additive blending.
void DrawLines() {
  const int32_t cursor = OptionCursor;
  SetAlphaDrawing(kMenuTextAlpha);
  for (int i = 0; i < kOptionLines; ++i) DrawSheetString(kLabelX, LineY(i), kLines[i].label);
  morrow::SetBlendMode(kBlendAdd, 255);
  if (ValidLine(cursor)) DrawSheetString(kLabelX, LineY(cursor), kLines[cursor].label);

  SetAlphaDrawing(kMenuTextAlpha);
  for (int i = 0; i < kValueLines; ++i) {
    const char* text = OptionValueText(i, g_options.*kLines[i].field);
    if (text != nullptr) DrawSheetString(kValueX, LineY(i), text);
  }
  if (cursor < 0 || cursor >= kValueLines) return;
  morrow::SetBlendMode(kBlendAdd, 255);
  const char* text = OptionValueText(cursor, g_options.*kLines[cursor].field);
  if (text != nullptr) DrawSheetString(kValueX, LineY(cursor), text);
  const int pulse = PositiveModulo(SceneFrame, kPointerPulse);
  morrow::SetBlendMode(kBlendAdd, TruncToInt(pulse / static_cast<double>(kPointerPulse) * 255));
  DrawSheetString(kPointerX, LineY(cursor), kPointer);
}

// One right (+1) or left (-1) press on a value line. The volumes follow at once: the music with
// its level already back within 0-20, so the library never gets more than full volume or less
// than none; every sound with the stepped level, which the library holds within 0-10000.
void ChangeValue(int line, int direction) {
  const OptionLine& l = kLines[line];
  int32_t& value = g_options.*l.field;
  PlayCursorSound();
  if (l.change == Change::kSet) {
    value = direction > 0 ? 1 : 0;
    return;
  }
  const int64_t stepped = int64_t{value} + direction;
  if (l.field == &OptionSettings::soundVolume) {
    for (int32_t handle : SoundHandles) {
      morrow::SetSoundVolume(SaturateToInt(stepped * 500), handle);
    }
  }
  value = static_cast<int32_t>(std::clamp<int64_t>(stepped, 0, l.high));
  if (l.field == &OptionSettings::musicVolume) morrow::SetMusicVolume(MusicVolumeSetting());
}

void ActOnLine() {
  const int32_t line = OptionCursor;
  if (line >= 0 && line < kValueLines) {
    if (Pressed(kInputRight, 0)) ChangeValue(line, 1);
    if (Pressed(kInputLeft, 0)) ChangeValue(line, -1);
    return;
  }
  if (!Pressed(kInputButton1, 0)) return;
  if (line == kOptionKeyConfigLine) {
    PlayAcceptSound();
    SceneId = kSceneKeyConfig;
    for (int32_t& c : KeyConfigCursors) c = 0;
    FadeCaptureRequest = 1;
  } else if (line == kOptionBackLine) {
    PlayCancelSound();
    SceneId = kSceneTitle;
    SceneFrame = kTitleReturnFrame;
    OptionCursor = 0;
    FadeCaptureRequest = 1;
    SaveDataFile(kOptionsFile, kSaveOptions);
    DeleteFontSheets();
  }
}

// ---- Key configuration ---------------------------------------------------------------------

// Every pad button held on the column's cursor line L takes that line, in the order 0x10 to
// 0x1000: a line that held the button gets L's mask in exchange, so the last held button ends on
// L. Direction bits and bits from 0x2000 up are never taken.
void AssignHeldButtons(int player, int line, int bits) {
  int32_t* masks = g_buttonMap.masks[player];
  for (int n = 0; n < kAssignableButtons; ++n) {
    const int32_t button = kPadButton0 << n;
    if ((bits & button) == 0) continue;
    for (int j = 0; j < 5; ++j) {
      if (j != line && masks[j] == button) masks[j] = masks[line];
    }
    masks[line] = button;
  }
}

// Line j of a column: the button's label, then a wide space and the number of the pad button it
// holds, or the label alone when its mask names no single pad button. A line too long for its
// column at the glyphs' own advance is drawn closer, so that it ends before the next column's
// text (the last column's before the screen's edge) and its digit stays readable.
void DrawButtonLine(int player, int line) {
  char text[32];
  const char* digit = ButtonDigitText(g_buttonMap.masks[player][line]);
  std::snprintf(text, sizeof text, "%s%s%s", kButtonLabels[line],
                digit != nullptr ? kWideSpace : "", digit != nullptr ? digit : "");
  const int x = kKeyColumnX + kKeyColumnStep * player;
  const int right = std::min(x + kKeyColumnStep, kScreenWidth);
  DrawSheetStringSpaced(x, kKeyFirstLineY + kKeyLineStep * line, text,
                        SheetStringAdvanceToFit(text, x, right));
}

void RunKeyColumn(int player, bool input) {
  int32_t& cursor = KeyConfigCursors[player];
  if (input) {
    if (Pressed(kInputDown, player)) {
      cursor = StepCursor(cursor, 1, kKeyConfigLines);
      PlayCursorSound();
    }
    if (Pressed(kInputUp, player)) {
      cursor = StepCursor(cursor, -1, kKeyConfigLines);
      PlayCursorSound();
    }
    const int bits = PadBitsOrNone(morrow::GetPadInputBits(kPlayerDevice[player]));
    if (cursor >= 0 && cursor < kKeyConfigBackLine) AssignHeldButtons(player, cursor, bits);
  }
  if (cursor == kKeyConfigBackLine) {
    if (input && Pressed(kInputButton1, player)) {
      SceneId = kSceneOptions;
      PlayCancelSound();
      FadeCaptureRequest = 1;
      SaveDataFile(kButtonsFile, kSaveButtons);
    }
    morrow::SetBlendMode(kBlendAdd, 255);
    DrawSheetString(kKeyColumnX, kKeyBackY, kBackText);
  }

  SetAlphaDrawing(kMenuTextAlpha);
  for (int j = 0; j < kKeyConfigBackLine; ++j) DrawButtonLine(player, j);
  if (cursor >= 0 && cursor < kKeyConfigBackLine) {
    morrow::SetBlendMode(kBlendAdd, 255);
    DrawButtonLine(player, cursor);
  }
  char head[8];
  std::snprintf(head, sizeof head, "%s%s", kWideOneToNine[player].data(), kPlayerSign);
  SetPlainDrawing();
  DrawSheetString(kKeyColumnX + kKeyColumnStep * player, kKeyHeadY, head);
}

}  // namespace

const char* OptionValueText(int line, int32_t value) {
  if (line < 0 || line >= kValueLines || value < 0 || value > kLines[line].high) return nullptr;
  const std::span<const char* const> values = kLines[line].values;
  if (values.empty()) return kVolumeTexts[value].data();
  return static_cast<size_t>(value) < values.size() ? values[value] : nullptr;
}

const char* ButtonDigitText(int32_t mask) {
  for (int n = 0; n < kAssignableButtons; ++n) {
    if (mask == kPadButton0 << n) return kWideOneToNine[n].data();
  }
  return nullptr;
}

void RunOptionMenu() {
  BeginMenuFrame();
  DrawMenuHeader(kHeaderPiece, kCaptionPiece, 255, kCaptionX);
  const bool input = SceneFrame >= kMenuFirstInputFrame;
  if (input) MoveCursor();
  DrawLines();
  if (input) ActOnLine();
  if (SceneId != kSceneQuit) DrawCrossFade();
}

void RunKeyConfig() {
  BeginMenuFrame();
  morrow::DrawGraph(0, 0, MenuPicture(kPicBgt02, 0), 1);
  DrawMenuHeader(kHeaderPiece, kCaptionPiece, kKeyHeaderAlpha, kCaptionX, kKeyHeaderAlpha);
  SetAlphaDrawing(kMenuTextAlpha);
  DrawSheetString(kKeyColumnX, kKeyBackY, kBackText);
  const bool input = SceneFrame >= kMenuFirstInputFrame;
  for (int p = 0; p < 4; ++p) RunKeyColumn(p, input);
  DrawCrossFade();
}

}  // namespace veyrdale
