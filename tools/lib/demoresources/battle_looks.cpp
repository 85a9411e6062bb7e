// The battle's own pictures. Everything drawn over the arena leaves green wherever the arena should
// show: shots and effects are shapes with green between them, the players' rings are rings, and
// the status bar's frame keeps to the screen's edges.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "tools/lib/demoresources/looks.h"
#include "tools/lib/demoresources/palette.h"

namespace demo {

namespace {

Rgb OwnerColour(const DemoPicture& p) {
  return p.owner >= 0 ? kCharacterColours[static_cast<size_t>(p.owner)] : kNeutralGlow;
}

// Cell i of a picture of several cells points at heading 32 (i mod 8): the direction cells of the
// shots are picked by heading, and cell 0 points along heading 0, the way a turned picture faces.
double CellAngle(int i) {
  return (i % 8) * std::numbers::pi / 4;
}

}  // namespace

RingLook RingLookOf(int cell, int w, int h) {
  RingLook look;
  look.colour = kPlayerColours[static_cast<size_t>(std::clamp(cell, 0, 4))];
  const double r = std::min(w, h) / 2.0 - 2;
  look.inner = r - 5;
  look.outer = r - 1;
  look.beadRadius = 7;
  look.mark = std::string(1, static_cast<char>('1' + (cell == 4 ? 1 : std::clamp(cell, 0, 3))));
  // A pair of beads below the middle and a pair above it, 8 pixels either side of the vertical
  // and 20 from the middle.
  constexpr double kAlong = 20, kAside = 8;
  const int dw = Canvas::TextWidth(look.mark, kRingDigitScale) - kRingDigitScale;
  const int dh = Canvas::TextHeight(kRingDigitScale);
  for (double down : {1.0, -1.0}) {
    for (double side : {-1.0, 1.0}) {
      RingBead b;
      b.cx = w / 2.0 + side * kAside;
      b.cy = h / 2.0 + down * kAlong;
      b.digitX = static_cast<int>(std::lround(b.cx - dw / 2.0));
      b.digitY = static_cast<int>(std::lround(b.cy - dh / 2.0));
      look.beads.push_back(b);
    }
  }
  return look;
}

void DrawShot(Canvas* c, const DemoPicture& p) {
  const Rgb colour = OwnerColour(p);
  ForEachCell(p, [&](int i, int x, int y, int w, int h) {
    const double cx = x + w / 2.0, cy = y + h / 2.0;
    if (std::max(w, h) > 2 * std::min(w, h)) {
      // A beam or a wave: an ellipse along the cell's long side.
      const double a = w >= h ? 0.0 : std::numbers::pi / 2;
      const double rx = std::max(w, h) * 0.46, ry = std::min(w, h) * 0.4;
      c->Ellipse(cx, cy, rx, ry, a, Darker(colour, 0.3));
      c->Ellipse(cx, cy, rx * 0.92, ry * 0.7, a, colour);
      c->Ellipse(cx, cy, rx * 0.8, ry * 0.3, a, Lighter(colour, 0.75));
      return;
    }
    // A drop: a round head toward its heading, a tail behind.
    const double r = std::min(w, h) * 0.26, a = CellAngle(i);
    const double dx = std::cos(a), dy = -std::sin(a);
    const double hx = cx + dx * r * 0.5, hy = cy + dy * r * 0.5;
    const double tx = cx - dx * r * 1.8, ty = cy - dy * r * 1.8;
    c->Triangle(tx, ty, hx - dy * r, hy + dx * r, hx + dy * r, hy - dx * r, Darker(colour, 0.3));
    c->Disc(hx, hy, r, Darker(colour, 0.3));
    c->Triangle(tx + dx * 2, ty + dy * 2, hx - dy * (r - 2), hy + dx * (r - 2), hx + dy * (r - 2),
                hy - dx * (r - 2), colour);
    c->Disc(hx, hy, r - 1.5, colour);
    c->Disc(hx + dx * r * 0.2, hy + dy * r * 0.2, r * 0.5, Lighter(colour, 0.75));
  });
}

// A glow that stays where it was made: round, brightest at the heart, pointing nowhere.
void DrawGlow(Canvas* c, const DemoPicture& p) {
  const Rgb colour = OwnerColour(p);
  ForEachCell(p, [&](int, int x, int y, int w, int h) {
    const double cx = x + w / 2.0, cy = y + h / 2.0, r = std::min(w, h) * 0.3;
    c->Disc(cx, cy, r, Darker(colour, 0.3));
    c->Disc(cx, cy, r - 1.5, colour);
    c->Disc(cx, cy, r * 0.55, Lighter(colour, 0.75));
  });
}

void DrawEffect(Canvas* c, const DemoPicture& p) {
  // Effects are mostly added to the screen, many at once: a colour short of full keeps a burst of
  // them from washing the arena out.
  const Rgb colour = Darker(OwnerColour(p), 0.3);
  const int cells = std::max(p.grid.cells, 1);
  ForEachCell(p, [&](int i, int x, int y, int w, int h) {
    // A ring that widens from cell to cell, a fainter one inside it and short rays outside.
    const double grow = cells > 1 ? static_cast<double>(i) / (cells - 1) : 0.6;
    const double cx = x + w / 2.0, cy = y + h / 2.0, half = std::min(w, h) / 2.0;
    const double sx = w / (2.0 * half), sy = h / (2.0 * half);  // stretched to the cell
    const double r = half * (0.35 + 0.45 * grow), width = std::max(1.5, half * 0.07);
    c->Ellipse(cx, cy, (r + width) * sx, (r + width) * sy, 0, colour);
    c->Ellipse(cx, cy, r * sx, r * sy, 0, kGreen);
    const double inner = r * 0.55;
    c->Ellipse(cx, cy, (inner + width * 0.6) * sx, (inner + width * 0.6) * sy, 0,
               Darker(colour, 0.35));
    c->Ellipse(cx, cy, inner * sx, inner * sy, 0, kGreen);
    for (int k = 0; k < 8; ++k) {
      const double a = k * std::numbers::pi / 4 + grow * 0.4;
      const double r0 = r + width * 2, r1 = std::min(r + half * 0.18, half * 0.97);
      c->Line(cx + r0 * sx * std::cos(a), cy + r0 * sy * std::sin(a), cx + r1 * sx * std::cos(a),
              cy + r1 * sy * std::sin(a), width, Lighter(colour, 0.5));
    }
  });
}

void DrawRing(Canvas* c, const DemoPicture& p) {
  ForEachCell(p, [&](int i, int x, int y, int w, int h) {
    const RingLook look = RingLookOf(i, w, h);
    const double cx = x + w / 2.0, cy = y + h / 2.0;
    c->Ring(cx, cy, look.inner, look.outer, look.colour);
    // The marks stand upright on the still badges; on the turning ground ring they go round.
    for (const RingBead& bead : look.beads) {
      c->Disc(x + bead.cx, y + bead.cy, look.beadRadius, look.colour);
      c->Text(x + bead.digitX, y + bead.digitY, look.mark, kRingDigitScale, kInk);
    }
  });
}

void DrawShadow(Canvas* c, const DemoPicture& p) {
  ForEachCell(p, [&](int, int x, int y, int w, int h) {
    c->Ellipse(x + w / 2.0, y + h / 2.0, w * 0.44, h * 0.44, 0, {72, 72, 72});
    c->Ellipse(x + w / 2.0, y + h / 2.0, w * 0.3, h * 0.3, 0, {104, 104, 104});
  });
}

// Items are silver tokens, a shape per kind; cards silver cards with a star.
void DrawItem(Canvas* c, const DemoPicture& p) {
  const bool cards = p.label == "card";
  ForEachCell(p, [&](int i, int x, int y, int w, int h) {
    const double cx = x + w / 2.0, cy = y + h / 2.0, r = std::min(w, h) / 2.0 - 0.5;
    const Rgb dark = Darker(kItemSilver, 0.7);
    if (cards) {
      const double tilt = (i % 4 - 1.5) * 0.12;
      c->Ellipse(cx, cy, r * 0.62, r * 0.9, tilt, dark);
      c->Ellipse(cx, cy, r * 0.52, r * 0.8, tilt, kItemSilver);
      c->Triangle(cx, cy - r * 0.45, cx - r * 0.35, cy + r * 0.3, cx + r * 0.35, cy + r * 0.3,
                  dark);
      return;
    }
    // Kinds 0-2 spin over six cells each; the later kinds take three.
    const int kind = i < 18 ? i / 6 : 3 + (i - 18) / 3;
    const int frame = i < 18 ? i % 6 : (i - 18) % 3;
    const double squeeze = 1.0 - 0.15 * (frame % 3);
    c->Ellipse(cx, cy, r * squeeze, r, 0, dark);
    c->Ellipse(cx, cy, r * squeeze - 1.5, r - 1.5, 0, kItemSilver);
    const double m = r * 0.45;
    switch (kind % 4) {
      case 0:
        c->Disc(cx, cy, m * 0.7, dark);
        break;
      case 1:
        c->Line(cx - m, cy, cx + m, cy, 2, dark);
        c->Line(cx, cy - m, cx, cy + m, 2, dark);
        break;
      case 2:
        c->Triangle(cx, cy - m, cx - m, cy + m * 0.8, cx + m, cy + m * 0.8, dark);
        break;
      default:
        c->Fill(static_cast<int>(cx - m * 0.7), static_cast<int>(cy - m * 0.7),
                static_cast<int>(m * 1.4) + 1, static_cast<int>(m * 1.4) + 1, dark);
        break;
    }
  });
}

// A character's companions: small diamonds in its colour, looking the way their cell faces.
void DrawFamiliar(Canvas* c, const DemoPicture& p) {
  const Rgb colour = OwnerColour(p);
  ForEachCell(p, [&](int i, int x, int y, int w, int h) {
    const double cx = x + w / 2.0, cy = y + h / 2.0, r = std::min(w, h) * 0.36;
    const Rgb edge = Darker(colour, 0.7);
    c->Triangle(cx - r - 1.5, cy, cx + r + 1.5, cy, cx, cy - r - 1.5, edge);
    c->Triangle(cx - r - 1.5, cy, cx + r + 1.5, cy, cx, cy + r + 1.5, edge);
    c->Triangle(cx - r, cy, cx + r, cy, cx, cy - r, Darker(colour, 0.15));
    c->Triangle(cx - r, cy, cx + r, cy, cx, cy + r, Darker(colour, 0.15));
    const double a = CellAngle(i), dx = std::cos(a), dy = -std::sin(a);
    for (double side : {-1.0, 1.0}) {
      const double ex = cx + dx * r * 0.3 - dy * side * r * 0.25;
      const double ey = cy + dy * r * 0.3 + dx * side * r * 0.25;
      c->Disc(ex, ey, std::max(1.5, r * 0.14), {250, 250, 250});
      c->Disc(ex + dx, ey + dy, std::max(0.8, r * 0.07), kInk);
    }
  });
}

// The status bar's halves: bands along the top and the bottom under the life bars, and strips on
// the outer sides under the meters. Nothing down the middle: cell 0 is the left half of the
// screen, cell 1 the right half.
void DrawFrame(Canvas* c, const DemoPicture& p) {
  const Rgb band = {44, 48, 64}, edge = {96, 104, 136}, trough = {20, 22, 30};
  ForEachCell(p, [&](int i, int x, int y, int w, int h) {
    const bool left = i % 2 == 0;
    constexpr int kBand = 15, kSide = 13, kSideTop = 90, kSideBottom = 390;
    for (int top : {0, h - kBand}) {
      c->Fill(x, y + top, w, kBand, band);
      c->Fill(x, y + (top == 0 ? kBand - 1 : top), w, 1, edge);
    }
    const int sideX = left ? x : x + w - kSide;
    c->Fill(sideX, y + kSideTop, kSide, kSideBottom - kSideTop, band);
    c->Fill(left ? sideX + kSide - 1 : sideX, y + kSideTop, 1, kSideBottom - kSideTop, edge);
    // The troughs the life bars and the meter fill.
    const int barX = left ? x + 68 : x + 6, barW = 246;
    c->Fill(barX, y + 2, barW, 11, trough);
    c->Fill(barX, y + h - 12, barW, 11, trough);
    c->Fill(left ? x + 1 : x + w - 12, y + 94, 11, 292, trough);
  });
}

// The life bars (cell 0 the life above half, cell 1 the base bar) and the meter.
void DrawBar(Canvas* c, const DemoPicture& p) {
  ForEachCell(p, [&](int i, int x, int y, int w, int h) {
    const bool meter = h > w;
    const Rgb colour = meter ? Rgb{80, 176, 255} : i == 0 ? Rgb{255, 236, 112} : Rgb{240, 128, 40};
    c->Fill(x, y, w, h, Darker(colour, 0.4));
    c->Fill(x + 1, y + 1, w - 2, h - 2, colour);
    if (meter) {
      c->Fill(x + 3, y + 1, 2, h - 2, Lighter(colour, 0.5));
    } else {
      c->Fill(x + 1, y + 3, w - 2, 2, Lighter(colour, 0.5));
    }
  });
}

}  // namespace demo
