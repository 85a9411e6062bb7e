// The label a picture cell falls back to when the generator has no art for it: the cell's number
// and the picture's name in the canvas's small letters, on a box. A player must never see one, so
// the checker looks for it in every cell of a tree's pictures, whoever wrote them.
//
// A background's file name, small in its bottom corner (under the status bar's band in a battle),
// is not such a label: it names a screen without covering anything a player follows.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/lib/demoresources/canvas.h"
#include "tools/lib/demoresources/inventory.h"

namespace demo {

// One line of the label, from the cell's corner.
struct LabelLine {
  int x, y;
  std::string text;
  int scale;
};

// The lines of the label of cell `index` of picture `name`, w x h: the number, and the name under
// it where it fits. Empty for a cell too small to hold even the number.
std::vector<LabelLine> FallbackLabel(int w, int h, int index, const std::string& name);

// The colour of pixel (x, y) of a picture.
using PixelAt = std::function<Rgb(int x, int y)>;

// Whether the cell at (x, y), w x h, shows its fallback label: every pixel of the label's letters
// one colour, and no other pixel of the lines' boxes that colour.
bool ShowsFallbackLabel(const PixelAt& at, int x, int y, int w, int h, int index,
                        const std::string& name);

// The cells of picture `p` that show their label, read through `at`.
std::vector<int> LabelledCells(const DemoPicture& p, const PixelAt& at);

struct LabelledPicture {
  std::string file;  // "Resource/green.dat"
  std::vector<int> cells;
};

// The pictures of the tree under `root` (which holds Resource/) that show a fallback label
// anywhere, in inventory order. A picture that is missing or does not read is left to the load
// check.
std::vector<LabelledPicture> LabelledPlaceholders(const std::string& root);

}  // namespace demo
