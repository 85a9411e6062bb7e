// The characters' own pictures: their sheets of figures, their portraits, their corner panels and
// the pictures with one figure per character. Everything wears the character's colour on green:
// figures and faces stand on the transparent ground, never on a block of colour.
#include <algorithm>
#include <string>

#include "tools/lib/demoresources/figures.h"
#include "tools/lib/demoresources/looks.h"
#include "tools/lib/demoresources/palette.h"

namespace demo {

namespace {

Rgb ColourOf(int id) {
  return kCharacterColours[static_cast<size_t>(std::clamp(id, 0, kCharacters - 1))];
}

// The moods of the ten portrait cells, one expression each.
constexpr Mood kPortraitMoods[10] = {Mood::kCalm,      Mood::kGlad,   Mood::kAngry,   Mood::kSad,
                                     Mood::kSurprised, Mood::kHurt,   Mood::kCasting, Mood::kGlad,
                                     Mood::kAngry,     Mood::kCasting};

// Panel cells by the player's state: standing, hit, casting, the round won.
constexpr Mood kPanelMoods[4] = {Mood::kCalm, Mood::kHurt, Mood::kCasting, Mood::kGlad};

}  // namespace

bool PlateColour(const DemoPicture& p, int index, Rgb* plate) {
  // Plates of a character's words, a deep shade of its colour under light words: its card names,
  // and the names, name plates and selection cards of one cell per character.
  if (p.owner >= 0) {
    *plate = Darker(ColourOf(p.owner), 0.35);
  } else if (p.label == "name" || p.label == "names") {
    *plate = Darker(ColourOf(index % 16), 0.35);
  } else if (p.label == "p_num") {
    // The player tags; the last is the computer player's.
    *plate = index < 4 ? kPlayerColours[static_cast<size_t>(index)] : kStone;
  } else {
    return false;
  }
  return true;
}

void DrawSheet(Canvas* c, const DemoPicture& p) {
  const bool second = p.style == PictureStyle::kSecondSheet;
  const std::vector<CellLook>& looks = SheetLooks(p.owner, second);
  const Rgb colour = ColourOf(p.owner);
  const Rgb accent = SlotShade(colour, p.tint);
  // Character 6's second sheet is added over the body: only the glow around it.
  const FigureStyle style = !second        ? FigureStyle::kPlain
                            : p.owner == 6 ? FigureStyle::kEdgeOnly
                                           : FigureStyle::kPowered;
  ForEachCell(p, [&](int i, int x, int y, int w, int h) {
    if (static_cast<size_t>(i) >= looks.size()) return;
    DrawFigure(c, x + w / 2.0, y + h / 2.0 + 2, w / 64.0, colour, accent,
               looks[static_cast<size_t>(i)], style);
  });
}

void DrawPortrait(Canvas* c, const DemoPicture& p) {
  ForEachCell(p, [&](int i, int x, int y, int w, int h) {
    DrawFace(c, x + w / 2.0, y + h * 0.4, w * 0.26, ColourOf(p.owner), kPortraitMoods[i % 10]);
  });
}

// A disc in the corner: the character's face in a ring of its colour, brighter while its card
// runs; the rest of the cell shows the arena.
void DrawPanel(Canvas* c, const DemoPicture& p) {
  const Rgb colour = ColourOf(p.owner);
  ForEachCell(p, [&](int i, int x, int y, int, int h) {
    const int state = (i % 12) % 4;
    const bool card = (i % 12) >= 8;
    const double cx = x + 24, cy = y + h / 2.0, r = h / 2.0 - 3;
    c->Disc(cx, cy, r + 1, kInk);
    c->Ring(cx, cy, r - 4, r, card ? Lighter(colour, 0.6) : colour);
    c->Disc(cx, cy, r - 4, Darker(colour, 0.7));
    DrawFace(c, cx, cy - r * 0.15, r * 0.45, colour, kPanelMoods[state]);
  });
}

void DrawByCharacter(Canvas* c, const DemoPicture& p) {
  ForEachCell(p, [&](int i, int x, int y, int w, int h) {
    const Rgb colour = ColourOf(i % 16);
    if (p.label == "symbol") {
      // The spell gauge's tick: a diamond.
      const double cx = x + w / 2.0, cy = y + h / 2.0, r = w / 2.0 - 1;
      c->Triangle(cx - r, cy, cx + r, cy, cx, cy - r, kInk);
      c->Triangle(cx - r, cy, cx + r, cy, cx, cy + r, kInk);
      c->Triangle(cx - r + 2.5, cy, cx + r - 2.5, cy, cx, cy - r + 2.5, colour);
      c->Triangle(cx - r + 2.5, cy, cx + r - 2.5, cy, cx, cy + r - 2.5, colour);
      return;
    }
    if (p.label == "font06") {
      // The selection's panel beside the bust: the figure the battle will show, standing and
      // facing the viewer, twice its battle size. It keeps to the middle of the panel above the
      // name plates, which reach 46 pixels into it from either side from y 179.
      const double scale = 2.0;
      DrawFigure(c, x + w / 2.0, y + 88, scale, colour, colour, CellLook{}, FigureStyle::kPlain);
      return;
    }
    if (p.label == "c_bg") {
      // The results' column: a small face at the top right, beside the player tag (8-60 across,
      // 20-31 down) and above the numbers, which start 55 pixels down.
      DrawFace(c, x + w - 24, y + 22, 11, colour, Mood::kCalm);
      return;
    }
    // A bust: the face, as large as the cell allows, left of the selection's card and clear of
    // the colour numbers.
    DrawFace(c, x + w * 0.4, y + h * 0.4, std::min(w * 0.3, h * 0.22), colour, Mood::kCalm);
  });
}

}  // namespace demo
