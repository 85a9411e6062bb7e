// Text drawn from glyph sheets: two sets of 18 pictures of 24 x 24 glyphs, addressed by the
// two-byte GBK code, the one-line string draw of the menus and the three-row message window of the
// story dialogue.
//
// A sheet holds 42 x 42 cells in rows of 42, each with a 2-pixel margin at its top and left; the
// 18 sheets cover the codes 0x8140-0xFD47 in order. Any other code has no cell and is skipped.
#pragma once

#include <cstdint>

namespace veyrdale {

constexpr int kGlyphSheetCount = 18;
constexpr int kGlyphCellsPerSheet = 1764;
constexpr int kGlyphSize = 24;
constexpr uint32_t kFirstGlyphCode = 0x8140;
constexpr uint32_t kLastGlyphCode = kFirstGlyphCode + kGlyphSheetCount * kGlyphCellsPerSheet - 1;

// The message window: 24 columns by 3 rows stored column by column (row r of column c is element
// c x 3 + r); a code of 0 ends its row.
constexpr int kMessageColumns = 24;
constexpr int kMessageRows = 3;
extern uint32_t MessageGrid[kMessageColumns * kMessageRows];
// The portrait slot (0 or 1) of who speaks the current page: 1 draws the window from set B.
extern int32_t SpeakerSlot;

// Graph handles of the sheets, -1 where none is held. Set B draws every menu text.
extern int32_t GlyphSheetsA[kGlyphSheetCount];
extern int32_t GlyphSheetsB[kGlyphSheetCount];

struct GlyphCell {
  int sheet;    // 0-17
  int sourceX;  // top-left corner of the 24 x 24 cell in its sheet
  int sourceY;
};
// The cell of a code; false for a code outside 0x8140-0xFD47.
bool FindGlyphCell(uint32_t code, GlyphCell* cell);

// Loads sheet i of set B and, unless mode is 999, of set A, for every i; a sheet already held in
// a slot being loaded is freed first.
void LoadFontSheets(int mode);
// Frees every sheet of both sets; the slots hold -1 afterwards.
void DeleteFontSheets();

// At most 24 characters of a GBK text from set B at (x, y), each over a black shadow one pixel
// right and down, 24 pixels apart. The text ends at a 0 byte or "~". A printable ASCII byte is
// drawn as its full-width form and takes one byte. Leaves the tint white and filter mode 1.
void DrawSheetString(int x, int y, const char* text);
// The same with the characters `advance` pixels apart.
void DrawSheetStringSpaced(int x, int y, const char* text, int advance);
// The number of characters DrawSheetString draws of a text (places without a glyph included).
int SheetStringLength(const char* text);
// The advance at which a text drawn from x ends at or before `right`, its last shadow included:
// 24 when it fits at 24, else the widest that fits, never below 1 (nor, for a text of one
// character, other than 24).
int SheetStringAdvanceToFit(const char* text, int x, int right);

// The MessageGrid's rows at (30 + 24c, 340 + 24r), from the set of SpeakerSlot; with effect level
// 0 each glyph has a black shadow.
void DrawMessageWindow();

}  // namespace veyrdale
