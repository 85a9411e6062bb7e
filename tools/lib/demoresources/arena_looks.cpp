// Screens and the arenas. A screen is a quiet pattern of two close shades with its file's name
// small in a corner, so that the figures over it stand out. An arena's block sheet and overlay
// hold stone obstacles exactly where the battle cuts its blocks from them, and green everywhere
// else but for thin borders at the screen's edges: nothing of them stands between a player and
// the eye.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "game/core/match_setup.h"
#include "game/flow/resource_lists.h"
#include "game/view/arena_draw.h"
#include "tools/lib/demoresources/looks.h"
#include "tools/lib/demoresources/palette.h"

namespace demo {

namespace {

using veyrdale::view::StripSource;

// Where an arena takes a picture from: its block sheet, its third background, or the whole
// picture of row 164.
struct Use {
  int arena;
  StripSource source;
};

std::vector<Use> UsesOf(const std::string& label) {
  std::vector<Use> uses;
  for (int a = 0; a < veyrdale::kArenaCount; ++a) {
    const veyrdale::ArenaPictures& arena = veyrdale::kArenaPictures[a];
    const char* const* bg = arena.backgrounds;
    if (bg[1] != nullptr && label == bg[1]) uses.push_back({a, StripSource::kBlockSheet});
    if (bg[2] != nullptr && label == bg[2]) uses.push_back({a, StripSource::kThirdBackground});
    for (int i = 0; i < arena.count; ++i) {
      const veyrdale::ArenaPicture& picture = arena.pictures[i];
      if (picture.whole && picture.slot == 164 && label == picture.grid.name)
        uses.push_back({a, StripSource::kRow164Part});
    }
  }
  return uses;
}

// The arenas that add a background over the whole screen (their glowing props): obstacles cut
// from such a picture are glowing stones, or the glow would show them again, large, across the
// arena.
bool AddedOverTheScreen(const Use& use) {
  return (use.arena == 4 && use.source == StripSource::kBlockSheet) ||
         (use.arena == 6 && use.source == StripSource::kThirdBackground) ||
         (use.arena == 8 && use.source == StripSource::kThirdBackground) ||
         (use.arena == 9 && use.source == StripSource::kBlockSheet);
}

// Arena 7 fades its first and third backgrounds into each other: the third is a screen too.
bool IsSecondScreen(const Use& use) {
  return use.arena == 7 && use.source == StripSource::kThirdBackground;
}

// A band of stone along one edge of a box of the picture.
void Border(Canvas* c, int x, int y, int w, int h) {
  c->Fill(x, y, w, h, Darker(kStone, 0.55));
  c->Fill(x + 1, y + 1, std::max(w - 2, 0), std::max(h - 2, 0), kStone);
}

// The parts of a third background the arena draws over the players: keep them to thin borders.
void DrawOverlayBorders(Canvas* c, const Use& use) {
  if (use.source != StripSource::kThirdBackground) return;
  if (use.arena == 0 || use.arena == 1) {
    // Drawn at the top (0, 0, 320 x 160) and the bottom (0, 320, 320 x 96) of the screen's middle.
    Border(c, 0, 0, 320, 8);
    Border(c, 0, 320 + 96 - 8, 320, 8);
  } else if (use.arena == 9) {
    // The left edge, the top edge and the right edge of the screen.
    Border(c, 0, 0, 8, 480);
    Border(c, 16, 0, 544, 8);
    Border(c, 480 + 64 - 8, 32, 8, 448);
  }
}

}  // namespace

void DrawQuietScreen(Canvas* c, const DemoPicture& p) {
  // A muted colour of its own per screen, two shades a few steps apart.
  const uint32_t h = NameHash(p.label);
  const double hue = (h % 360) * std::numbers::pi / 180;
  const int kind = static_cast<int>((h >> 9) % 3);
  const Rgb base = {static_cast<uint8_t>(84 + 14 * std::cos(hue)),
                    static_cast<uint8_t>(84 + 14 * std::cos(hue - 2.1)),
                    static_cast<uint8_t>(92 + 14 * std::cos(hue + 2.1))};
  const Rgb other = Lighter(base, 0.06);
  c->Fill(0, 0, c->width(), c->height(), base);
  for (int y = 0; y < c->height(); ++y) {
    for (int x = 0; x < c->width(); ++x) {
      bool second = false;
      switch (kind) {
        case 0:  // diagonal stripes
          second = ((x + y) / 24) % 2 == 1;
          break;
        case 1:  // large squares
          second = (x / 40 + y / 40) % 2 == 1;
          break;
        default:  // rows of dots
          second = (x % 32 - 16) * (x % 32 - 16) + (y % 32 - 16) * (y % 32 - 16) < 36;
          break;
      }
      if (second) c->Fill(x, y, 1, 1, other);
    }
  }
  const std::string name = p.file.substr(p.file.rfind('/') + 1);
  const int x = c->width() - Canvas::TextWidth(name, 1) - 3, y = c->height() - 8;
  c->EdgedText(x, y, name, 1, Lighter(base, 0.45), Darker(base, 0.5));
}

namespace {

// The standing height of an obstacle's frame: whole for the first half of the frames, then
// sinking into rubble.
double Standing(int frame, int frames) {
  const int half = std::max(frames / 2, 1);
  return frame < half ? 1.0 : 1.0 - 0.75 * (frame - half + 1) / (frames - half);
}

void Rubble(Canvas* c, int x, int y, int w, int h, Rgb edge, Rgb stone) {
  for (int k = 0; k < 5; ++k) {
    const double rx = x + w * (0.15 + 0.17 * k), ry = y + h - 3 - (k % 2) * 3;
    c->Disc(rx, ry, std::max(1.5, w * 0.06), edge);
    c->Disc(rx, ry, std::max(1.0, w * 0.06 - 1), stone);
  }
}

void Cracks(Canvas* c, int bx, int by, int bw, int bh, int frame, Rgb edge) {
  for (int k = 0; k < std::min(frame, 3); ++k) {
    const double cx = bx + bw * (0.3 + 0.2 * k);
    c->Line(cx, by + 1, cx + bw * 0.12, by + bh * 0.4, 1.5, edge);
    c->Line(cx + bw * 0.12, by + bh * 0.4, cx - bw * 0.05, by + bh * 0.7, 1.5, edge);
  }
}

// A dark stone with a faint glow at its heart and no straight line inside it: the picture it is
// cut from is also added over the whole screen, twice its size, where a lit block would show
// again as a large ghost of itself. Added, it gives only soft round glows.
void DrawGlowingStone(Canvas* c, int x, int y, int w, int h, int frame, int frames) {
  // The edge and the rim are all but black, so that nothing of the box's outline adds up.
  const Rgb edge = {4, 4, 6}, heart = {62, 56, 78};
  const double standing = Standing(frame, frames);
  const int bh = std::max(4, static_cast<int>((h - 2) * standing));
  const int bx = x + 1, by = y + h - 1 - bh, bw = w - 2;
  c->Fill(bx, by, bw, bh, edge);
  const double cx = bx + bw / 2.0, cy = by + bh / 2.0;
  const double rx = std::max(bw / 2.0 - 1, 1.0), ry = std::max(bh / 2.0 - 1, 1.0);
  for (int py = by + 1; py < by + bh - 1; ++py) {
    for (int px = bx + 1; px < bx + bw - 1; ++px) {
      const double d = std::hypot((px + 0.5 - cx) / rx, (py + 0.5 - cy) / ry);
      const double t = std::clamp(1.0 - d, 0.0, 1.0);
      c->Fill(px, py, 1, 1, Mix(edge, heart, t * t));
    }
  }
  Cracks(c, bx, by, bw, bh, frame, edge);
  if (standing < 1.0) Rubble(c, x, y, w, h, edge, Mix(edge, heart, 0.3));
}

}  // namespace

void DrawObstacle(Canvas* c, int x, int y, int w, int h, int frame, int frames, bool glowing) {
  if (glowing) {
    DrawGlowingStone(c, x, y, w, h, frame, frames);
    return;
  }
  const Rgb stone = kStone, top = Lighter(kStone, 0.3);
  const Rgb edge = Darker(kStone, 0.65), seam = Darker(kStone, 0.25);
  // Whole for the first half of the frames, cracked more at each, then sinking into rubble.
  const double standing = Standing(frame, frames);
  const int bh = std::max(4, static_cast<int>((h - 2) * standing));
  const int bx = x + 1, by = y + h - 1 - bh, bw = w - 2;
  c->Fill(bx, by, bw, bh, edge);
  c->Fill(bx + 1, by + 1, bw - 2, bh - 2, stone);
  const int topH = std::min(bh / 3, h / 3);
  c->Fill(bx + 1, by + 1, bw - 2, std::max(topH - 1, 1), top);
  for (int row = by + topH + 8, n = 0; row < by + bh - 2; row += 8, ++n) {
    c->Fill(bx + 1, row, bw - 2, 1, seam);
    const int offset = n % 2 == 0 ? bw / 2 : bw / 4;
    c->Fill(bx + offset, row + 1, 1, std::min(7, by + bh - 2 - row), seam);
  }
  Cracks(c, bx, by, bw, bh, frame, edge);
  if (standing < 1.0) Rubble(c, x, y, w, h, edge, stone);
}

void DrawArenaLayer(Canvas* c, const DemoPicture& p) {
  const std::vector<Use> uses = UsesOf(p.label);
  for (const Use& use : uses) {
    if (IsSecondScreen(use)) {
      DrawQuietScreen(c, p);
      return;
    }
  }
  for (const Use& use : uses) {
    DrawOverlayBorders(c, use);
    for (int kind : {1, 2, 3, 5}) {
      const int frames = veyrdale::view::BlockStripCut(kind, use.arena, 0).frames;
      for (int f = 0; f < frames; ++f) {
        const veyrdale::view::StripCut cut = veyrdale::view::BlockStripCut(kind, use.arena, f);
        if (cut.source != use.source) break;
        DrawObstacle(c, cut.x, cut.y, cut.width, cut.height, f, frames, AddedOverTheScreen(use));
      }
    }
  }
}

namespace {

// How an arena object's picture is drawn: most stand still and fire without turning, a stone
// with one glowing eye; the two that walk a way are turrets whose barrel points where they go.
struct ObjectLook {
  const char* name;
  bool turret;
  int cellsPerFacing;  // a turret: 0 faces right in every cell (the game mirrors it), else the
                       // cells of one facing in turn: right, up, left, down
  int litFrom, litTo;  // cells drawn while it acts: the eye wide and bright
  int glowFrom;        // cells from here are a glow added over the body: the eye's light alone
};
constexpr ObjectLook kObjectLooks[] = {
    {"en00", false, 0, 7, 8, 99},   // arenas 0 and 1: cells 7 and 8 while it fires
    {"en01", true, 0, 99, 99, 99},  // arena 4's walker
    {"en02", false, 0, 6, 11, 12},  // arena 5's corner objects, their glow from cell 12
    {"en03", true, 5, 99, 99, 99},  // arena 5's pacer, five cells a facing
    {"en04", false, 0, 1, 3, 99},   // arena 6's object, cells 1-3 while it fires
};

ObjectLook LookOf(const std::string& name) {
  for (const ObjectLook& l : kObjectLooks) {
    if (name == l.name) return l;
  }
  return {nullptr, false, 0, 99, 99, 99};
}

// A round stone with a rim of four studs and, in the middle, one almond eye with an upright slit:
// the same turned half round, so nothing in it reads as a face looking somewhere.
void DrawEyeStone(Canvas* c, double cx, double cy, double r, bool lit) {
  const Rgb rim = Darker(kStone, 0.65), body = Lighter(kStone, 0.1);
  c->Disc(cx, cy, r + 1.5, rim);
  c->Disc(cx, cy, r, body);
  c->Ring(cx, cy, r * 0.78, r * 0.84, Darker(kStone, 0.3));
  for (int k = 0; k < 4; ++k) {
    const double a = std::numbers::pi / 4 + k * std::numbers::pi / 2;
    c->Disc(cx + std::cos(a) * r * 0.66, cy + std::sin(a) * r * 0.66, r * 0.09, rim);
  }
  const double eye = r * (lit ? 0.62 : 0.5);
  c->Ellipse(cx, cy, eye + 1.5, eye * 0.55 + 1.5, 0, rim);
  c->Ellipse(cx, cy, eye, eye * 0.55, 0, lit ? Lighter(kNeutralGlow, 0.5) : kNeutralGlow);
  c->Ellipse(cx, cy, eye * 0.14, eye * 0.45, 0, kInk);
}

// A square stone base with cut corners, a dome and a barrel toward angle a.
void DrawTurret(Canvas* c, double cx, double cy, double r, double a) {
  const Rgb rim = Darker(kStone, 0.65), body = Lighter(kStone, 0.1);
  const double s = r * 0.8, cut = r * 0.3;
  auto octagon = [&](double half, Rgb colour) {
    c->Fill(static_cast<int>(cx - half + cut), static_cast<int>(cy - half),
            static_cast<int>(2 * (half - cut)), static_cast<int>(2 * half), colour);
    c->Fill(static_cast<int>(cx - half), static_cast<int>(cy - half + cut),
            static_cast<int>(2 * half), static_cast<int>(2 * (half - cut)), colour);
    for (double sx : {-1.0, 1.0}) {
      for (double sy : {-1.0, 1.0}) {
        c->Triangle(cx + sx * half, cy + sy * (half - cut), cx + sx * (half - cut), cy + sy * half,
                    cx + sx * (half - cut), cy + sy * (half - cut), colour);
      }
    }
  };
  octagon(s + 1.5, rim);
  octagon(s, body);
  const double dx = std::cos(a), dy = -std::sin(a);
  c->Line(cx, cy, cx + dx * r * 1.25, cy + dy * r * 1.25, r * 0.42, rim);
  c->Line(cx, cy, cx + dx * r * 1.2, cy + dy * r * 1.2, r * 0.3, Darker(kStone, 0.25));
  c->Disc(cx, cy, r * 0.5, rim);
  c->Disc(cx, cy, r * 0.45, Lighter(kStone, 0.3));
  c->Disc(cx + dx * r * 0.15, cy + dy * r * 0.15, r * 0.14, kNeutralGlow);
}

}  // namespace

// The arenas' own objects: stones with one glowing eye, and turrets for the two that walk.
void DrawArenaObject(Canvas* c, const DemoPicture& p) {
  const ObjectLook look = LookOf(p.label);
  ForEachCell(p, [&](int i, int x, int y, int w, int h) {
    const double cx = x + w / 2.0, cy = y + h / 2.0, r = std::min(w, h) * 0.34;
    if (i >= look.glowFrom) {
      c->Disc(cx, cy, r * 0.5, Darker(kNeutralGlow, 0.5));
      c->Disc(cx, cy, r * 0.3, kNeutralGlow);
      return;
    }
    if (look.turret) {
      const int facing = look.cellsPerFacing > 0 ? (i / look.cellsPerFacing) % 4 : 0;
      DrawTurret(c, cx, cy, r, facing * std::numbers::pi / 2);
      return;
    }
    DrawEyeStone(c, cx, cy, r, i >= look.litFrom && i <= look.litTo);
  });
}

void DrawArenaProp(Canvas* c, const DemoPicture& p) {
  const std::string& name = p.label;
  ForEachCell(p, [&](int i, int x, int y, int w, int h) {
    if (name == "tree" || name == "treeb") {
      // Drawn at both sides of the screen with most of it off screen: the middle columns show at
      // the edges. Cell 0 is drawn over the players (sparse leaves), cell 1 under them (trunk).
      const double mid = x + w / 2.0;
      if (i == 0) {
        for (int k = 0; k < 7; ++k)
          c->Disc(mid + ((k * 5) % 9 - 4) * 0.75, y + 20 + k * 26, 5, {70, 84, 104});
      } else {
        c->Fill(static_cast<int>(mid) - 7, y, 14, h, {72, 60, 52});
        c->Fill(static_cast<int>(mid) - 5, y, 10, h, {104, 88, 72});
      }
    } else if (name == "wall") {
      // Drawn over the players at the left (cell 0) and right (cell 1) edges of the screen.
      Border(c, i == 0 ? x : x + w - 10, y, 10, h);
    } else if (name == "box" || name == "bg08d") {
      // Block frames of arena 8.
      DrawObstacle(c, x, y, w, h, i, p.grid.cells, false);
    } else {
      c->Ellipse(x + w / 2.0, y + h / 2.0, w * 0.36, h * 0.36, 0, Darker(kStone, 0.6));
      c->Ellipse(x + w / 2.0, y + h / 2.0, w * 0.33, h * 0.33, 0, kStone);
      c->Ellipse(x + w / 2.0, y + h / 2.0, w * 0.16, h * 0.16, 0, Lighter(kStone, 0.3));
    }
  });
}

}  // namespace demo
