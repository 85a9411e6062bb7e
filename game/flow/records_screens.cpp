// The records menu and its pages. Every text is GBK, spelled byte by byte with its UTF-8 form
// beside it.
#include "game/flow/records_screens.h"

#include <cstdint>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/option_cursors.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "game/flow/glyph_text.h"
#include "game/flow/menu_common.h"
#include "game/view/draw_conventions.h"
#include "game/view/view.h"
#include "morrow/device/color_format.h"
#include "morrow/graphics/draw.h"

namespace veyrdale {

namespace {

using view::kBlendAdd;
constexpr int kHeaderPiece = 11;  // of "font01"
constexpr int kCaptionPiece = 7;  // of "font04"
constexpr int kCaptionX = 164;
constexpr int kItemX = 64;
constexpr int kFirstItemY = 100;
constexpr int kItemStep = 32;
constexpr int kItems = 4;
constexpr int kSurvivalItem = 2;
constexpr int kBackItem = 3;
constexpr int kSurvivalUnlock = 3;
constexpr int kTitleReturnFrame = 450;
constexpr int kNumberStyle = 1;
constexpr int kNineDigitStyle = 7;

constexpr const char* kItemTexts[kItems] = {
    // 战绩一览　Ｍａｉｎ
    "\xD5\xBD\xBC\xA8\xD2\xBB\xC0\xC0\xA1\xA1\xA3\xCD\xA3\xE1\xA3\xE9\xA3\xEE",
    // 战绩一览　Ｅｘｔｒａ
    "\xD5\xBD\xBC\xA8\xD2\xBB\xC0\xC0\xA1\xA1\xA3\xC5\xA3\xF8\xA3\xF4\xA3\xF2\xA3\xE1",
    // 战绩一览　Ｓｕｒｖｉｖａｌ
    "\xD5\xBD\xBC\xA8\xD2\xBB\xC0\xC0\xA1\xA1\xA3\xD3\xA3\xF5\xA3\xF2\xA3\xF6\xA3\xE9\xA3\xF6\xA3"
    "\xE1\xA3\xEC",
    "\xB7\xB5\xBB\xD8",  // 返回
};

constexpr const char* kDifficultyTexts[4] = {
    "\xA3\xC5\xA3\xE1\xA3\xF3\xA3\xF9",                          // Ｅａｓｙ
    "\xA3\xCE\xA3\xEF\xA3\xF2\xA3\xED\xA3\xE1\xA3\xEC",          // Ｎｏｒｍａｌ
    "\xA3\xC8\xA3\xE1\xA3\xF2\xA3\xE4",                          // Ｈａｒｄ
    "\xA3\xCC\xA3\xF5\xA3\xEE\xA3\xE1\xA3\xF4\xA3\xE9\xA3\xE3",  // Ｌｕｎａｔｉｃ
};

// Two numbers of a row stay at least kNumberGap pixels apart, clearly more than the 1 pixel between
// the digits of one number (font00's 11-pixel cells, 12 apart), so that no two read as one. A
// column that a kept record can overflow shows at most the digits that fit and a larger value as
// all nines; the records and every comparison keep the value itself.
constexpr int kNumberGap = 6;
constexpr int kDigitStep = 12;
constexpr int kDigitWidth = 11;

// The most digits a number whose last digit is drawn at x can show, when the number to its left
// draws its last digit at `left`.
constexpr int DigitsAfter(int left, int x) {
  return (x - (left + kDigitWidth + kNumberGap)) / kDigitStep + 1;
}

constexpr int32_t AllNines(int digits) {
  int32_t nines = 0;
  for (int k = 0; k < digits; ++k) nines = 10 * nines + 9;
  return nines;
}

// `value` as a column of `digits` digits shows it.
constexpr int32_t ShownIn(int digits, int32_t value) {
  return value > AllNines(digits) ? AllNines(digits) : value;
}

// The score pages' columns: rank (at most 10), score and cards (any count a run can reach, up to
// the int32 top) and the stage, counted from 1 (at most 18, past the main story's 17 stages).
constexpr int kRankX = 318;
constexpr int kScoreX = 435;
constexpr int kStageX = 514;
constexpr int kCardsX = 594;
constexpr int kScoreDigits = DigitsAfter(kRankX, kScoreX);
constexpr int kCardsDigits = DigitsAfter(kStageX, kCardsX);
static_assert(kScoreDigits == 9 && kCardsDigits == 6);
static_assert(kMainStoryStages + 1 <= AllNines(DigitsAfter(kScoreX, kStageX)) &&
              kExtraStoryStages <= kMainStoryStages);

// The survival page's columns: the best score (nine digits at least, ten at the int32 top, with
// only a picture to its left; under the last row the frame rate's digits end at 330, 7 pixels short
// of ten digits), the stage (at most 31) and the breaks (any count at the top score).
constexpr int kBestScoreX = 445;
constexpr int kSurvivalStageX = 513;
constexpr int kBreaksX = 585;
constexpr int kBreaksDigits = DigitsAfter(kSurvivalStageX, kBreaksX);
static_assert(kBreaksDigits == 5);
static_assert(kSurvivalCompletedStage <= AllNines(DigitsAfter(kBestScoreX, kSurvivalStageX)));

struct ColumnHead {
  int x;
  const char* text;
};
constexpr ColumnHead kScoreHeads[] = {{286, "Rank"}, {390, "Score"}, {470, "Stage"}, {560, "Card"}};
constexpr ColumnHead kSurvivalHeads[] = {
    {200, "Character"}, {380, "HiScore"}, {470, "Stage"}, {542, "Break"}};

// The menu's input waits out the first 30 frames, as every menu's does.
bool Pressing(Input input) {
  return SceneFrame >= kMenuFirstInputFrame && Pressed(input, 0);
}

void BeginRecordsFrame() {
  BeginMenuFrame();
  DrawMenuHeader(kHeaderPiece, kCaptionPiece, 255, kCaptionX);
}

void EndRecordsFrame() {
  if (SceneId != kSceneQuit) DrawCrossFade();
}

template <size_t N>
void DrawColumnHeads(const ColumnHead (&heads)[N], int y) {
  const uint32_t white = morrow::PackScreenColor(255, 255, 255);
  const uint32_t edge = morrow::PackScreenColor(0, 0, 0);
  for (const ColumnHead& h : heads) morrow::RenderText(h.x, y, h.text, white, edge);
}

// The list of texts at the menu's rows, each at alpha 224 but the hidden one, then the cursor's
// again lit additively.
void DrawList(const char* const* texts, int count, int cursor, int hidden) {
  SetAlphaDrawing(kMenuTextAlpha);
  for (int i = 0; i < count; ++i) {
    if (i != hidden) DrawSheetString(kItemX, kFirstItemY + kItemStep * i, texts[i]);
  }
  if (cursor >= 0 && cursor < count) {
    morrow::SetBlendMode(kBlendAdd, 255);
    DrawSheetString(kItemX, kFirstItemY + kItemStep * cursor, texts[cursor]);
  }
}

// A page's button 2: back to the records menu on `item`. The pages and the menu run on one frame
// count: only the way in from the title starts it again.
void LeavePageOnCancel(int item) {
  if (!Pressing(kInputButton2)) return;
  SceneId = kSceneRecordsMenu;
  RecordsMenuCursor = item;
  FadeCaptureRequest = 1;
  PlayCancelSound();
}

void MoveRecordsCursor() {
  const bool locked = g_scores.unlockLevel < kSurvivalUnlock;
  int32_t& cursor = RecordsMenuCursor;
  if (Pressing(kInputUp)) {
    --cursor;
    PlayCursorSound();
    if (cursor < 0) cursor = kBackItem;
    if (cursor == kSurvivalItem && locked) cursor = 1;
  }
  if (Pressing(kInputDown)) {
    ++cursor;
    PlayCursorSound();
    if (cursor > kBackItem) cursor = 0;
    if (cursor == kSurvivalItem && locked) cursor = kBackItem;
  }
  if (Pressing(kInputButton2)) {
    PlayCancelSound();
    cursor = kBackItem;
  }
}

void OpenRecordsItem() {
  if (!Pressing(kInputButton1)) return;
  constexpr int kPages[kItems - 1] = {kSceneMainStoryScores, kSceneExtraStoryScores,
                                      kSceneSurvivalRecords};
  const int item = RecordsMenuCursor;
  if (item >= 0 && item < kBackItem) {
    SceneId = kPages[item];
    FadeCaptureRequest = 1;
    PlayAcceptSound();
  } else if (item == kBackItem) {
    SceneId = kSceneTitle;
    SceneFrame = kTitleReturnFrame;
    RecordsMenuCursor = 0;
    FadeCaptureRequest = 1;
    PlayCancelSound();
    DeleteFontSheets();
  }
}

}  // namespace

void RecordsMenuScene() {
  BeginRecordsFrame();
  MoveRecordsCursor();
  const int hidden = g_scores.unlockLevel < kSurvivalUnlock ? kSurvivalItem : -1;
  DrawList(kItemTexts, kItems, RecordsMenuCursor, hidden);
  OpenRecordsItem();
  EndRecordsFrame();
}

void ScoreTableScene(int extra) {
  BeginRecordsFrame();
  int32_t& cursor = ScoreTableCursor;
  if (Pressing(kInputUp)) {
    --cursor;
    PlayCursorSound();
  }
  if (Pressing(kInputDown)) {
    ++cursor;
    PlayCursorSound();
  }
  if (cursor > 3) cursor = 0;
  if (cursor < 0) cursor = 3;
  DrawList(kDifficultyTexts, 4, cursor, -1);
  SetPlainDrawing();
  DrawColumnHeads(kScoreHeads, 96);
  // Tables 0-3 of the main story, 4-7 of the extra.
  const int first = 10 * (cursor + 4 * (extra != 0 ? 1 : 0));
  const ScoreTable& t = g_scores;
  for (int i = 0; i < 10; ++i) {
    const int row = first + i;
    const int y = 128 + 24 * i;
    DrawNumber(kRankX, y, i + 1, kNumberStyle, 0);
    DrawNumber(kScoreX, y, ShownIn(kScoreDigits, t.score[row]), kNumberStyle, 0);
    DrawNumber(kStageX, y, SaturateToInt(int64_t{t.stage[row]} + 1), kNumberStyle, 0);
    DrawNumber(kCardsX, y, ShownIn(kCardsDigits, t.cards[row]), kNumberStyle, 0);
  }
  LeavePageOnCancel(0);
  EndRecordsFrame();
}

void SurvivalRecordScene() {
  BeginRecordsFrame();
  SetPlainDrawing();
  DrawColumnHeads(kSurvivalHeads, 70);
  const SurvivalRecord& s = g_survival;
  for (int c = 0; c < 16; ++c) {
    const int y = 94 + 24 * c;
    morrow::DrawGraph(200, y + 4, MenuPicture(kPicNames, c), 1);
    DrawNumber(kBestScoreX, y, s.bestScore[c], kNineDigitStyle, 0);
    DrawNumber(kSurvivalStageX, y, s.stage[c], kNumberStyle, 0);
    DrawNumber(kBreaksX, y, ShownIn(kBreaksDigits, s.breaks[c]), kNumberStyle, 0);
  }
  LeavePageOnCancel(0);
  EndRecordsFrame();
}

void PictureScene() {
  BeginRecordsFrame();
  LeavePageOnCancel(1);
  EndRecordsFrame();
}

}  // namespace veyrdale
