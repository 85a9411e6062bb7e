// The words the game shows as pictures: menu items and their captions and descriptions, the
// choices of the player-count, team and continue menus, result headings, the names of the
// characters and of their cards, the round and knock-out banners, the loading sign. Each cell says
// what the scene that draws it uses it for; where the scenes only name a cell's use, it says that
// use in short. Characters and arenas are named by their numbers (0-15, 0-9), players 1P-4P.
#pragma once

#include <string>
#include <string_view>

#include "tools/lib/demoresources/canvas.h"
#include "tools/lib/demoresources/inventory.h"

namespace demo {

enum class Align { kLeft, kCentre };

// Where a cell's words stand, from the cell's corner: a width or height of 0 reaches the cell's
// far edge. maxSize caps the em, so that the cells of one picture keep one size.
struct WordPlace {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  Align align = Align::kCentre;
  int maxSize = 48;
};

// The words of cell `cell` of the picture named `label` (a file name without its extension) and
// where they stand. False for a cell without words; an empty text marks a cell that stays clear.
bool CellWords(const std::string& label, int cell, std::string* words, WordPlace* place);

// A UTF-8 text (lines split at "\n") in the box (x, y, w, h): light ink with a dark edge, as large
// as fits with its edge up to maxSize, centred from top to bottom and placed left or centred. On a
// plate (the box filled with `plate`) the ink that reads on it (InkOn) without an edge instead: a
// dark edge on a dark plate would leave the strokes' thin light middles alone. Drawn with the
// platform's CJK font, or the canvas's 3 x 5 font when there is none.
void DrawWords(Canvas* canvas, int x, int y, int w, int h, std::string_view utf8, Align align,
               int maxSize, const Rgb* plate = nullptr);

// Cell `cell` of the picture at (x, y), w x h: when it has words, the cell becomes the plate
// colour (transparent green when `plate` is null or the cell's words are empty) with the words on
// it and the result is true. False leaves the cell to the caller.
bool DrawCellWords(Canvas* canvas, const DemoPicture& picture, int cell, int x, int y, int w, int h,
                   const Rgb* plate = nullptr);

}  // namespace demo
