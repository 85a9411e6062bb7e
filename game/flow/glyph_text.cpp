// Glyph sheets, the string draw and the message window.
#include "game/flow/glyph_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "game/core/data_files.h"
#include "game/core/numeric.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_load.h"

namespace veyrdale {

uint32_t MessageGrid[kMessageColumns * kMessageRows] = {};
int32_t SpeakerSlot = 0;
int32_t GlyphSheetsA[kGlyphSheetCount] = {-1, -1, -1, -1, -1, -1, -1, -1, -1,
                                          -1, -1, -1, -1, -1, -1, -1, -1, -1};
int32_t GlyphSheetsB[kGlyphSheetCount] = {-1, -1, -1, -1, -1, -1, -1, -1, -1,
                                          -1, -1, -1, -1, -1, -1, -1, -1, -1};

namespace {

constexpr int kCellsPerRow = 42;
constexpr int kSheetMargin = 2;
constexpr int kMaxStringCharacters = 24;
constexpr int kNoSheetsMode = 999;  // loads set B only

// The full-width forms of printable ASCII: "!" is 0xA3A1 and the rest follow in order; the space
// is the ideographic space.
constexpr uint32_t kFullWidthExclamation = 0xA3A1;
constexpr uint32_t kFullWidthSpace = 0xA1A1;

// Frees what a slot holds before something else is stored in it, so a handle is never lost.
void FreeSheet(int32_t* slot) {
  if (*slot != -1) morrow::FreeGraphHandle(*slot, 0);
  *slot = -1;
}

void LoadSheet(int32_t* slot, const char* pattern, int number) {
  char path[40];
  std::snprintf(path, sizeof path, pattern, number);
  FreeSheet(slot);
  *slot = morrow::LoadImageAsGraph(path);
}

// One glyph cell of a sheet at (x, y); a code without a cell draws nothing.
void DrawGlyph(const int32_t* sheets, uint32_t code, int x, int y) {
  GlyphCell cell;
  if (!FindGlyphCell(code, &cell)) return;
  morrow::DrawGraphPart(x, y, cell.sourceX, cell.sourceY, kGlyphSize, kGlyphSize,
                        sheets[cell.sheet], 1, 0);
}

}  // namespace

bool FindGlyphCell(uint32_t code, GlyphCell* cell) {
  if (code < kFirstGlyphCode || code > kLastGlyphCode) return false;
  const uint32_t index = code - kFirstGlyphCode;
  const int r = static_cast<int>(index % kGlyphCellsPerSheet);
  cell->sheet = static_cast<int>(index / kGlyphCellsPerSheet);
  cell->sourceX = (r % kCellsPerRow) * kGlyphSize + kSheetMargin;
  cell->sourceY = (r / kCellsPerRow) * kGlyphSize + kSheetMargin;
  return true;
}

void LoadFontSheets(int mode) {
  for (int i = 0; i < kGlyphSheetCount; ++i) {
    LoadSheet(&GlyphSheetsB[i], "Resource\\Fnt\\fnt_b%d.dat", i);
    if (mode != kNoSheetsMode) LoadSheet(&GlyphSheetsA[i], "Resource\\Fnt\\fnt_a%d.dat", i);
  }
}

void DeleteFontSheets() {
  for (int i = 0; i < kGlyphSheetCount; ++i) {
    morrow::FreeGraphHandle(GlyphSheetsA[i], 0);
    GlyphSheetsA[i] = -1;
    morrow::FreeGraphHandle(GlyphSheetsB[i], 0);
    GlyphSheetsB[i] = -1;
  }
}

namespace {

// The next character of a sheet text from byte `at`: its code, with `at` moved past it; false at
// the text's end. A printable ASCII byte is one character (labels mix ASCII into their text): its
// full-width form, so the characters after it keep their places. A lead byte just before the end
// has no second byte: the text ends with it.
bool NextSheetCharacter(const unsigned char* bytes, size_t* at, uint32_t* code) {
  const unsigned char first = bytes[*at];
  if (first == 0 || first == '~') return false;
  if (first >= 0x20 && first <= 0x7E) {
    *code = first == ' ' ? kFullWidthSpace : kFullWidthExclamation + (first - 0x21);
    *at += 1;
    return true;
  }
  const unsigned char second = bytes[*at + 1];
  if (second == 0) return false;
  *code = static_cast<uint32_t>(first) << 8 | second;
  *at += 2;
  return true;
}

}  // namespace

int SheetStringLength(const char* text) {
  if (text == nullptr) return 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  size_t at = 0;
  uint32_t code;
  int count = 0;
  while (count < kMaxStringCharacters && NextSheetCharacter(bytes, &at, &code)) ++count;
  return count;
}

int SheetStringAdvanceToFit(const char* text, int x, int right) {
  const int count = SheetStringLength(text);
  if (count < 2) return kGlyphSize;
  // The last glyph's shadow reaches one pixel past the glyph.
  const int64_t room = int64_t{right} - x - (kGlyphSize + 1);
  return static_cast<int>(std::clamp<int64_t>(room / (count - 1), 1, kGlyphSize));
}

void DrawSheetString(int x, int y, const char* text) {
  DrawSheetStringSpaced(x, y, text, kGlyphSize);
}

void DrawSheetStringSpaced(int x, int y, const char* text, int advance) {
  if (text == nullptr) return;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  size_t at = 0;
  uint32_t code;
  for (int k = 0; k < kMaxStringCharacters && NextSheetCharacter(bytes, &at, &code); ++k) {
    GlyphCell cell;
    if (!FindGlyphCell(code, &cell)) continue;  // no glyph: its place stays empty
    const int left = SaturateToInt(int64_t{x} + int64_t{advance} * k);
    morrow::SetModulationColor(0, 0, 0);
    DrawGlyph(GlyphSheetsB, code, SaturateToInt(int64_t{left} + 1), SaturateToInt(int64_t{y} + 1));
    morrow::SetModulationColor(255, 255, 255);
    DrawGlyph(GlyphSheetsB, code, left, y);
    morrow::SetFilterMode(1);
  }
}

void DrawMessageWindow() {
  const int32_t* sheets = SpeakerSlot == 1 ? GlyphSheetsB : GlyphSheetsA;
  const bool shadow = g_options.effectLevel == 0;
  for (int r = 0; r < kMessageRows; ++r) {
    const int y = 340 + kGlyphSize * r;
    for (int c = 0; c < kMessageColumns; ++c) {
      const uint32_t code = MessageGrid[c * kMessageRows + r];
      if (code == 0) break;
      const int x = 30 + kGlyphSize * c;
      GlyphCell cell;
      if (!FindGlyphCell(code, &cell)) continue;
      if (shadow) {
        morrow::SetModulationColor(0, 0, 0);
        DrawGlyph(sheets, code, x + 1, y + 1);
        morrow::SetModulationColor(255, 255, 255);
      }
      DrawGlyph(sheets, code, x, y);
    }
  }
}

}  // namespace veyrdale
