// The figures of the sixteen characters: what each cell of a character sheet shows (the pose and
// the way the figure faces), found by asking the game's own frame selection, and the drawing of a
// figure seen from above and of a face seen from the front.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/lib/demoresources/canvas.h"

namespace demo {

enum class Pose : uint8_t {
  kStand,
  kWalk,
  kAttack,
  kDash,
  kGuard,    // the dash's spin and the guard stance
  kSpecial,  // a special move
  kSpell,    // a spell card
  kHit,      // hit stun
  kFly,      // knocked into the air
  kDown,     // lying after a knock-back
};

// One cell of a sheet: its pose, the heading row it faces (0-7, row r facing heading 32r; -1 for
// a cell that faces no direction, drawn toward the viewer), and its place among the cells of its
// pose (phase of phases), which moves the limbs from cell to cell.
struct CellLook {
  Pose pose = Pose::kStand;
  int8_t row = -1;
  uint8_t phase = 0;
  uint8_t phases = 1;
  bool used = false;  // some state of the game shows this cell
};

// The cells of character `id`'s first sheet (second = false) or of its second sheet, as many as
// the sheet holds. Cells no state shows face their heading row (or the viewer) and stand.
const std::vector<CellLook>& SheetLooks(int id, bool second);

// How a figure is drawn: plainly, powered up (a pale edge all round: the second sheets that stand
// in for the body), or as that edge alone (a second sheet added over the body).
enum class FigureStyle : uint8_t { kPlain, kPowered, kEdgeOnly };

// A figure seen from above, centred on (cx, cy) in a cell of 64 x 64 pixels times `scale`: its
// body in `colour`, head and hands in `accent`.
void DrawFigure(Canvas* c, double cx, double cy, double scale, Rgb colour, Rgb accent,
                const CellLook& look, FigureStyle style);

// A face seen from the front: a head of radius r on shoulders, looking at the viewer.
enum class Mood : uint8_t { kCalm, kHurt, kCasting, kGlad, kAngry, kSad, kSurprised };
void DrawFace(Canvas* c, double cx, double cy, double r, Rgb colour, Mood mood);

}  // namespace demo
