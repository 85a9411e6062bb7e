// Characters drawn from the CJK font the platform gives the library's font handles: the ink of a
// line of text, its painting with a dark edge, and the glyph sheets the game cuts its texts from.
//
// The writer draws pictures on several threads. Each call here borrows a font of its own for the
// time it renders (the platform's fonts are not shared between threads), so every call is safe
// from any thread and gives the same pixels on every run on a machine with the same font.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "tools/lib/demoresources/canvas.h"

namespace demo {

// Coverage of a font's strokes: levels 0 (none) to 16 (full), as the platform's grey glyphs give
// them, in rows of width.
struct Ink {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> level;
  int At(int x, int y) const;  // 0 outside
  bool empty() const { return width == 0 || height == 0; }
};

// True when the platform's font holds CJK characters. Asked once; false when there is no font at
// all or only one without them.
bool HaveCjkFont();

// The ink of a text of GBK bytes (one-byte ASCII and two-byte characters; "\n" starts a new line)
// at an em of `size` pixels, cut to the strokes' columns and to the rows from the capitals' top on
// the first line to the descenders' foot on the last (or beyond, where strokes reach), so that
// texts of one size share height and baseline; centreLines centres each line on the widest.
// Empty without a font, and for a text that inks nothing.
Ink TextInk(std::string_view gbk, int size, bool centreLines = false);

// Paints ink with its top-left corner at (x, y), inside the box (clipX, clipY, clipW, clipH) of
// the canvas: a covered pixel takes a colour between edge and colour by its coverage, and the
// uncovered pixels within `ring` pixels of a stroke take the edge; the rest is left as it was.
struct InkStyle {
  Rgb colour;
  Rgb edge;
  int ring;
};
void PaintInk(Canvas* canvas, int x, int y, const Ink& ink, const InkStyle& style, int clipX,
              int clipY, int clipW, int clipH);

// The ink of a glyph sheet: a mid grey, so that the scenes' additive second draw of a line
// brightens it.
inline constexpr InkStyle kGlyphStyle = {{160, 160, 160}, {0, 0, 0}, 1};

// The 24 x 24 cell of a GBK code as the sheets hold it: the character centred on the line the
// game's 24-pixel advance expects, its strokes and edge inside the cell. False for a code that is
// no character, or one the font lacks.
bool GlyphCellInk(uint32_t code, Ink* cell);

// Glyph sheet n (0-17) on a canvas of the sheet's size: every code of the sheet in its cell, as
// the game finds it (FindGlyphCell); the rest of the sheet, and the cells of codes that are no
// characters, stay transparent green. Without a CJK font each cell shows its code in hex digits.
void DrawGlyphSheet(Canvas* canvas, int sheet);

}  // namespace demo
