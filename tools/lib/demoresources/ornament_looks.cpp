// The scenes' ornaments: what they draw under their words and numbers (the menus' highlight bar,
// the survival record's panel, the declared card's panel, the frame over the credits) and the
// stars of the settings panel. Plates are dark, so that the light words over them read.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "tools/lib/demoresources/looks.h"
#include "tools/lib/demoresources/palette.h"

namespace demo {

namespace {

constexpr Rgb kPlate = {34, 40, 66};
constexpr Rgb kPlateEdge = {120, 136, 190};

// A plate with a one-pixel light edge and its corners cut by `cut` pixels.
void Plate(Canvas* c, int x, int y, int w, int h, int cut, Rgb fill, Rgb edge) {
  for (int row = 0; row < h; ++row) {
    const int fromEnd = std::min(row, h - 1 - row);
    const int inset = std::max(cut - fromEnd, 0);
    const bool rim = row == 0 || row == h - 1;
    c->Fill(x + inset, y + row, w - 2 * inset, 1, rim ? edge : fill);
    c->Fill(x + inset, y + row, 1, 1, edge);
    c->Fill(x + w - 1 - inset, y + row, 1, 1, edge);
  }
}

// The highlight bar under a menu's chosen item: a band whose right end slants away, brighter
// along its top.
void HighlightBar(Canvas* c, int x, int y, int w, int h) {
  const Rgb band = {52, 72, 128}, top = {132, 160, 228}, bottom = {28, 36, 70};
  for (int row = 0; row < h; ++row) {
    const int end = w - 1 - (h - 1 - row);  // the slant
    const Rgb colour = row < 2 ? top : row >= h - 2 ? bottom : band;
    c->Fill(x, y + row, end, 1, colour);
  }
  c->Fill(x, y, 3, h, top);  // the cap at the left
}

// A five-pointed star filling the cell, with a dark edge.
void Star(Canvas* c, int x, int y, int w, int h, Rgb colour) {
  const double cx = x + w / 2.0, cy = y + h / 2.0 + 0.5;
  auto draw = [&](double outer, Rgb fill) {
    const double inner = outer * 0.42;
    for (int k = 0; k < 5; ++k) {
      const double a = -std::numbers::pi / 2 + k * 2 * std::numbers::pi / 5;
      const double b0 = a - std::numbers::pi / 5, b1 = a + std::numbers::pi / 5;
      c->Triangle(cx + outer * std::cos(a), cy + outer * std::sin(a), cx + inner * std::cos(b0),
                  cy + inner * std::sin(b0), cx + inner * std::cos(b1), cy + inner * std::sin(b1),
                  fill);
    }
    c->Disc(cx, cy, inner * 1.05, fill);
  };
  const double r = std::min(w, h) / 2.0 - 0.5;
  draw(r, Darker(colour, 0.7));
  draw(r - 2.2, colour);
}

// The frame over the credits' column: bands at the top and bottom that the credits scroll under,
// thin sides, the middle clear.
void CreditsFrame(Canvas* c, int x, int y, int w, int h) {
  constexpr int kBand = 36, kSide = 3;
  for (int top : {0, h - kBand}) c->Fill(x, y + top, w, kBand, kPlate);
  c->Fill(x, y + kBand - 1, w, 1, kPlateEdge);
  c->Fill(x, y + h - kBand, w, 1, kPlateEdge);
  c->Fill(x, y, kSide, h, kPlate);
  c->Fill(x + w - kSide, y, kSide, h, kPlate);
  c->Fill(x + kSide, y + kBand, 1, h - 2 * kBand, kPlateEdge);
  c->Fill(x + w - kSide - 1, y + kBand, 1, h - 2 * kBand, kPlateEdge);
}

}  // namespace

void DrawOrnament(Canvas* c, const DemoPicture& p) {
  const std::string& name = p.label;
  ForEachCell(p, [&](int i, int x, int y, int w, int h) {
    if (name == "green") {
      HighlightBar(c, x, y, w, h);
    } else if (name == "star") {
      // The start gauge's stars gold, the handicap's blue.
      Star(c, x, y, w, h, i == 0 ? Rgb{255, 208, 64} : Rgb{128, 190, 255});
    } else if (name == "bgs2") {
      CreditsFrame(c, x, y, w, h);
    } else {
      // The survival record's panel and the declared card's panel.
      Plate(c, x, y, w, h, std::min(w, h) / 6, kPlate, kPlateEdge);
    }
  });
}

}  // namespace demo
