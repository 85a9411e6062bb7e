// How each style of demo picture is drawn (content.cpp picks the style): the characters' own
// pictures, the battle's shots, effects, rings, items and display, and the arenas' screens,
// layers and scenery.
#pragma once

#include <string>
#include <vector>

#include "tools/lib/demoresources/canvas.h"
#include "tools/lib/demoresources/inventory.h"

namespace demo {

// Calls visit(index, x, y, w, h) for every taken cell of the picture's grid.
template <typename Visit>
void ForEachCell(const DemoPicture& p, Visit visit) {
  const veyrdale::PictureGrid& g = p.grid;
  for (int i = 0; i < g.cells && i < g.columns * g.rows; ++i) {
    visit(i, (i % g.columns) * g.cellWidth, (i / g.columns) * g.cellHeight, g.cellWidth,
          g.cellHeight);
  }
}

// The plate under a cell's words or label: a deep shade of its character's colour, its player's
// colour for the player tags. False for a picture whose cells have no plate of their own.
bool PlateColour(const DemoPicture& p, int index, Rgb* plate);

// Character pictures (character_looks.cpp).
void DrawSheet(Canvas* c, const DemoPicture& p);  // first and second sheets
void DrawPortrait(Canvas* c, const DemoPicture& p);
void DrawPanel(Canvas* c, const DemoPicture& p);
void DrawByCharacter(Canvas* c, const DemoPicture& p);

// The battle's pictures (battle_looks.cpp).
void DrawShot(Canvas* c, const DemoPicture& p);
void DrawGlow(Canvas* c, const DemoPicture& p);
void DrawEffect(Canvas* c, const DemoPicture& p);
void DrawRing(Canvas* c, const DemoPicture& p);
void DrawShadow(Canvas* c, const DemoPicture& p);
void DrawItem(Canvas* c, const DemoPicture& p);
void DrawFamiliar(Canvas* c, const DemoPicture& p);
void DrawFrame(Canvas* c, const DemoPicture& p);
void DrawBar(Canvas* c, const DemoPicture& p);

// A player's ring ("shadow" cell 0-3; cell 4 the second team's, whose mark is "2" as the first
// team's cell 0 says "1"): a band in the player's colour with four beads on it, a pair below the
// middle and a pair above, each holding the mark upright in dark ink. The corner badges of the top
// corners show the lower pair below the name plates, those of the bottom corners the upper pair
// above them; of each pair one stands clear of the corner panel on either side.
struct RingBead {
  double cx, cy;       // from the cell's corner
  int digitX, digitY;  // the mark's corner
};
struct RingLook {
  Rgb colour;
  double inner, outer;  // the band
  double beadRadius;
  std::string mark;
  std::vector<RingBead> beads;
};
inline constexpr int kRingDigitScale = 2;
RingLook RingLookOf(int cell, int w, int h);

// The scenes' plates, bars, frames and stars (ornament_looks.cpp).
void DrawOrnament(Canvas* c, const DemoPicture& p);

// Screens and the arenas (arena_looks.cpp).
void DrawQuietScreen(Canvas* c, const DemoPicture& p);
void DrawArenaLayer(Canvas* c, const DemoPicture& p);
void DrawArenaObject(Canvas* c, const DemoPicture& p);
void DrawArenaProp(Canvas* c, const DemoPicture& p);
// An obstacle filling the box: stone, cracked more at each frame up to `frames`, crumbling in
// the last ones; `glowing` draws a dark stone with a faint round glow at its heart instead, for a
// picture that is also added over the whole screen.
void DrawObstacle(Canvas* c, int x, int y, int w, int h, int frame, int frames, bool glowing);

}  // namespace demo
