#include "tools/lib/demoresources/figures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numbers>
#include <set>
#include <vector>

#include "game/battle/drawn_frame.h"
#include "game/battle/player_control.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/records.h"
#include "game/flow/resource_lists.h"
#include "game/view/view.h"
#include "morrow/graphics/draw.h"
#include "tools/lib/demoresources/palette.h"

namespace demo {

namespace {

using veyrdale::BattleObject;

constexpr int kPoses = 10;
// When one cell serves several poses, the first of this order names it: a standing cell that a
// special move also shows stays a standing cell.
constexpr Pose kPriority[kPoses] = {Pose::kStand,   Pose::kWalk, Pose::kAttack, Pose::kHit,
                                    Pose::kDown,    Pose::kFly,  Pose::kDash,   Pose::kGuard,
                                    Pose::kSpecial, Pose::kSpell};

// Second sheets by how the battle draws them: characters 3 and 5 draw their body from it and 6
// adds it over the body, cell for cell of the first sheet; 12 and 15 draw the cells the selection
// numbers from 500 from it.
bool SecondSheetMirrorsFirst(int id) {
  return id == 3 || id == 5 || id == 6;
}
constexpr int kSecondSheetFrom = 500;
bool SecondSheetFrom500(int id) {
  return id == 12 || id == 15;
}

// What the selection answered for one situation of one pose.
struct Votes {
  std::array<bool, kPoses> poses{};
  std::set<int> rows;  // heading rows the cell answered for, when it depends on the heading
};

struct SheetVotes {
  int width = 0;                    // W: the cells of one heading row
  std::map<int, Votes> columns;     // directional columns 0..W-1
  std::map<int, Votes> absolute;    // cells with no row added, first sheet
  std::map<int, Votes> fromSecond;  // cells of the second sheet (answers from 500)
};

// A situation the selection is asked about: the record's and the owner's values that choose a
// cell.
struct Situation {
  int32_t state = 0, timer = 0, recovery = 0;
  float z = 0, vz = 0;
  uint8_t flag = 0;
  uint16_t pose = 0;
  int32_t card = 0, special = 0;
  bool held = false;  // a direction held
};

Pose PoseOfState(const Situation& s) {
  using namespace veyrdale;
  switch (s.state) {
    case kStateStand:
    case kStateGhost:
    case kStateInert:
      return Pose::kStand;
    case kStateWalk:
    case kStateGhostMove:
      return Pose::kWalk;
    case kStateDash:
      return Pose::kDash;
    case kStateDashSpin:
    case kStateGuardStance:
      return Pose::kGuard;
    case kStateSpecialMove:
      return Pose::kSpecial;
    case kStateSpellCard:
      return Pose::kSpell;
    case kStateHitStun:
      return Pose::kHit;
    case kStateKnockBack:
    case kStateKnockedOut:
      return s.z > 8.0f ? Pose::kFly : Pose::kDown;
    default:
      return Pose::kAttack;
  }
}

// Asks the game's frame selection about every situation of every state, on the drawn frame's
// copy of player 0, so that what a selection changes or asks for (turns, jitter, sounds) is never
// carried out; a running freeze keeps turns, jumps and glides from moving the heading asked about.
// Every piece of game state it sets up is put back.
class Probe {
 public:
  Probe() : player_(veyrdale::g_players[0]), state_(veyrdale::g_playerState) {
    using namespace veyrdale;
    std::copy(std::begin(MoveTable), std::end(MoveTable), moves_.begin());
    std::copy(&HeldFrameCounts[0][0], &HeldFrameCounts[0][0] + kHeld, held_.begin());
    freeze_ = FreezeFrames;
    shake_ = ScreenShake;
    halfRate_ = g_display.halfRatePresent;
    FreezeFrames = 1;
    g_display.halfRatePresent = 0;
    g_playerState = PlayerBattleState{};
    g_playerState.currentMove[0] = 1;
    MoveTable[1].moveLength = kMoveLength;
    MoveTable[1].timing = kMoveLength / 2;
  }
  ~Probe() {
    using namespace veyrdale;
    g_players[0] = player_;
    g_playerState = state_;
    std::copy(moves_.begin(), moves_.end(), std::begin(MoveTable));
    std::copy(held_.begin(), held_.end(), &HeldFrameCounts[0][0]);
    FreezeFrames = freeze_;
    ScreenShake = shake_;
    g_display.halfRatePresent = halfRate_;
    morrow::SetModulationColor(255, 255, 255);
  }

  SheetVotes Run(int id) {
    SheetVotes v;
    Situation standing;
    v.width = Ask(id, standing, 1) - Ask(id, standing, 0);
    if (v.width <= 0) return v;
    ForEachSituation([&](const Situation& s) { Record(id, s, &v); });
    return v;
  }

 private:
  static constexpr int kMoveLength = 64;
  static constexpr int kHeld = veyrdale::kInputCount * 4;

  // The cell for heading row `row` (a heading inside the row, clear of its edges).
  int Ask(int id, const Situation& s, int row) {
    using namespace veyrdale;
    BattleObject& r = g_players[0];
    r = BattleObject{};
    r.kind = static_cast<uint16_t>(id);
    r.owner = 0;
    r.x = 320;
    r.y = 240;
    r.state = s.state;
    r.stateTimer = s.timer;
    r.recovery = s.recovery;
    r.z = s.z;
    r.vz = s.vz;
    r.modifierHeld = s.flag;
    r.heading = 32 * row + 8;
    r.pushHeading = r.heading;
    g_playerState.poseClass[0] = s.pose;
    g_playerState.cardChoice[0] = s.card;
    g_playerState.specialMode[0] = s.special;
    for (int input = kInputDown; input <= kInputRight; ++input)
      HeldFrameCounts[input][0] = s.held ? 1 : 0;
    g_drawnFrame.Begin(0, 0);
    return SelectCharaFrame(&g_drawnFrame.players[0], 1);
  }

  static void Vote(std::map<int, Votes>* cells, int cell, Pose pose, int row) {
    Votes& votes = (*cells)[cell];
    votes.poses[static_cast<int>(pose)] = true;
    if (row >= 0) votes.rows.insert(row);
  }

  void Record(int id, const Situation& s, SheetVotes* v) {
    const Pose pose = PoseOfState(s);
    const int a0 = Ask(id, s, 0), a1 = Ask(id, s, 1);
    if (a0 >= 0 && a0 < v->width && a1 == a0 + v->width) {
      Vote(&v->columns, a0, pose, -1);
      return;
    }
    int answers[8];
    bool turns = false;
    for (int row = 0; row < 8; ++row) {
      answers[row] = row == 0 ? a0 : row == 1 ? a1 : Ask(id, s, row);
      turns = turns || answers[row] != a0;
    }
    for (int row = 0; row < 8; ++row) {
      const int a = answers[row];
      if (a < 0 || a >= veyrdale::kSheetCellLimit + kSecondSheetFrom) continue;
      const int faces = turns ? row : -1;
      if (SecondSheetFrom500(id) && a >= kSecondSheetFrom) {
        Vote(&v->fromSecond, a - kSecondSheetFrom, pose, faces);
      } else if (a < veyrdale::kSheetCellLimit) {
        Vote(&v->absolute, a, pose, faces);
      }
    }
  }

  // The state timers each pose runs through: a move counts down from its length, a hit stun from
  // 16, a knock-back from 64 and more; dashes, special moves and spell cards run longer, some from
  // 2000, and a spell card marks its first frame and its wait by 9999 and 8888.
  static std::vector<int32_t> TimersOf(Pose pose) {
    std::vector<int32_t> times;
    auto span = [&](int32_t from, int32_t to) {
      for (int32_t t = from; t <= to; ++t) times.push_back(t);
    };
    switch (pose) {
      case Pose::kAttack:
        span(0, kMoveLength);
        break;
      case Pose::kHit:
        span(0, 16);
        break;
      case Pose::kGuard:
        span(0, 60);
        break;
      case Pose::kFly:
      case Pose::kDown:
        span(0, 80);
        break;
      case Pose::kDash:
        span(0, 600);
        span(1990, 2150);
        break;
      case Pose::kSpecial:
        span(0, 700);
        break;
      case Pose::kSpell:
        span(0, 700);
        span(1990, 2200);
        break;
      default:
        span(0, 130);
        break;
    }
    times.push_back(8888);
    times.push_back(9999);
    return times;
  }

  template <typename Visit>
  static void ForEachSituation(Visit visit) {
    using namespace veyrdale;
    for (int32_t state = kStateStand; state <= kStateGhostFollowThrough; ++state) {
      Situation s;
      s.state = state;
      for (int32_t t : TimersOf(PoseOfState(s))) {
        s.timer = t;
        switch (PoseOfState(s)) {
          case Pose::kAttack:
            for (uint16_t pose = 0; pose <= 4; ++pose) {
              for (float z : {0.0f, -10.0f}) {
                for (float vz : {-1.0f, 1.0f}) {
                  for (int32_t q : {0, 1}) {
                    Situation a = s;
                    a.pose = pose, a.z = z, a.vz = vz, a.recovery = q;
                    visit(a);
                  }
                }
              }
            }
            break;
          case Pose::kDash:
            for (float z : {0.0f, -10.0f}) {
              for (uint8_t flag : {0, 1}) {
                Situation a = s;
                a.z = z, a.flag = flag;
                visit(a);
              }
            }
            break;
          case Pose::kSpecial:
            for (int32_t special : {0, 3, 4, 24, 100, 161, 5000, 5500, 6666, 7000, 8000, 9000}) {
              for (bool held : {false, true}) {
                for (int32_t q : {0, 6, 12, 18}) {
                  Situation a = s;
                  a.special = special, a.held = held, a.recovery = q;
                  visit(a);
                }
              }
            }
            break;
          case Pose::kSpell:
            for (int32_t card : {0, 1, 2}) {
              for (float z : {0.0f, -100.0f, -200.0f}) {
                for (int32_t q : {0, 50}) {
                  for (uint8_t flag : {0, 1}) {
                    Situation a = s;
                    a.card = card, a.z = z, a.recovery = q, a.flag = flag;
                    visit(a);
                  }
                }
              }
            }
            break;
          case Pose::kDown:
            for (int32_t q = 0; q < 64; ++q) {
              Situation a = s;
              a.recovery = q;
              visit(a);
            }
            s.z = 20.0f;  // and once in the air
            visit(s);
            s.z = 0.0f;
            break;
          default:
            visit(s);
            break;
        }
      }
    }
  }

  BattleObject player_;
  veyrdale::PlayerBattleState state_;
  std::array<veyrdale::MoveTableEntry, veyrdale::kMoveRowCount> moves_;
  std::array<int32_t, kHeld> held_;
  int32_t freeze_, shake_, halfRate_;
};

Pose Named(const Votes& votes) {
  for (Pose p : kPriority) {
    if (votes.poses[static_cast<int>(p)]) return p;
  }
  return Pose::kStand;
}

// Numbers the cells of each pose in order: the limbs move with the phase.
void Phase(std::map<int, CellLook>* looks) {
  std::map<Pose, int> counts;
  for (auto& [cell, look] : *looks) look.phase = static_cast<uint8_t>(counts[look.pose]++);
  for (auto& [cell, look] : *looks) look.phases = static_cast<uint8_t>(counts[look.pose]);
}

std::map<int, CellLook> LooksOf(const std::map<int, Votes>& cells) {
  std::map<int, CellLook> out;
  for (const auto& [cell, votes] : cells) {
    CellLook look;
    look.pose = Named(votes);
    look.used = true;
    look.row = votes.rows.size() == 1 ? static_cast<int8_t>(*votes.rows.begin()) : -1;
    out[cell] = look;
  }
  Phase(&out);
  return out;
}

struct CharacterLooks {
  std::vector<CellLook> first, second;
};

std::array<CharacterLooks, kCharacters> BuildAll() {
  std::array<CharacterLooks, kCharacters> all;
  Probe probe;
  for (int id = 0; id < kCharacters; ++id) {
    const SheetVotes votes = probe.Run(id);
    const std::map<int, CellLook> columns = LooksOf(votes.columns);
    const std::map<int, CellLook> absolute = LooksOf(votes.absolute);
    const std::map<int, CellLook> second = LooksOf(votes.fromSecond);
    const veyrdale::CharacterSheets& sheets = veyrdale::kCharacterSheets[id];
    const int w = std::max(votes.width, 1);
    CharacterLooks& out = all[id];
    out.first.resize(static_cast<size_t>(sheets.cells));
    for (int cell = 0; cell < sheets.cells; ++cell) {
      CellLook& look = out.first[static_cast<size_t>(cell)];
      if (cell < 8 * w) {
        auto found = columns.find(cell % w);
        if (found != columns.end()) look = found->second;
        look.row = static_cast<int8_t>(cell / w);
      }
      auto found = absolute.find(cell);
      if (found != absolute.end() && !look.used) {
        const int8_t row = look.row;
        look = found->second;
        // In the first eight rows a cell faces its row, whatever heading chose it.
        if (cell < 8 * w) look.row = row;
      }
    }
    out.second.resize(static_cast<size_t>(sheets.secondCells));
    for (int cell = 0; cell < sheets.secondCells; ++cell) {
      CellLook& look = out.second[static_cast<size_t>(cell)];
      if (SecondSheetMirrorsFirst(id) && cell < sheets.cells) {
        look = out.first[static_cast<size_t>(cell)];
      } else if (auto found = second.find(cell); found != second.end()) {
        look = found->second;
      } else {
        look.row = static_cast<int8_t>(cell % 8);  // unused: each of the eight headings in turn
      }
    }
  }
  return all;
}

// ----- Drawing -----

struct Frame {
  double cx, cy, k;  // centre and scale
  double dx, dy;     // unit vector the figure faces, in screen coordinates
  double px, py;     // unit vector to its left
  double X(double forward, double left) const { return cx + k * (forward * dx + left * px); }
  double Y(double forward, double left) const { return cy + k * (forward * dy + left * py); }
};

// A disc with a dark edge.
void Blob(Canvas* c, const Frame& f, double forward, double left, double r, Rgb fill, Rgb edge) {
  c->Disc(f.X(forward, left), f.Y(forward, left), f.k * (r + 1.2), edge);
  c->Disc(f.X(forward, left), f.Y(forward, left), f.k * r, fill);
}

void Limb(Canvas* c, const Frame& f, double fromF, double fromL, double toF, double toL,
          double width, Rgb fill, Rgb edge) {
  c->Line(f.X(fromF, fromL), f.Y(fromF, fromL), f.X(toF, toL), f.Y(toF, toL), f.k * (width + 2.4),
          edge);
  c->Line(f.X(fromF, fromL), f.Y(fromF, fromL), f.X(toF, toL), f.Y(toF, toL), f.k * width, fill);
}

void Eyes(Canvas* c, const Frame& f, double forward, bool crossed) {
  for (double side : {-1.0, 1.0}) {
    const double x = f.X(forward, side * 3.2), y = f.Y(forward, side * 3.2);
    if (crossed) {
      const double r = 1.8 * f.k;
      c->Line(x - r, y - r, x + r, y + r, f.k * 1.1, kInk);
      c->Line(x - r, y + r, x + r, y - r, f.k * 1.1, kInk);
    } else {
      c->Disc(x, y, f.k * 2.5, {250, 250, 250});
      c->Disc(f.X(forward + 1, side * 3.2), f.Y(forward + 1, side * 3.2), f.k * 1.3, kInk);
    }
  }
}

// A short star of four rays, for impacts and sparks.
void Spark(Canvas* c, double x, double y, double r, double width, Rgb colour) {
  for (int i = 0; i < 4; ++i) {
    const double a = i * std::numbers::pi / 4;
    c->Line(x - r * std::cos(a), y - r * std::sin(a), x + r * std::cos(a), y + r * std::sin(a),
            width, colour);
  }
}

}  // namespace

const std::vector<CellLook>& SheetLooks(int id, bool second) {
  static const std::array<CharacterLooks, kCharacters> all = BuildAll();
  const CharacterLooks& looks = all[static_cast<size_t>(std::clamp(id, 0, kCharacters - 1))];
  return second ? looks.second : looks.first;
}

void DrawFigure(Canvas* c, double cx, double cy, double scale, Rgb colour, Rgb accent,
                const CellLook& look, FigureStyle style) {
  // Heading row r faces heading 32r; 64 is up the screen. A cell that faces no way faces the
  // viewer: down the screen.
  const double angle = look.row >= 0 ? look.row * std::numbers::pi / 4 : -std::numbers::pi / 2;
  Frame f{cx, cy, scale, std::cos(angle), -std::sin(angle), 0, 0};
  f.px = f.dy;
  f.py = -f.dx;
  const Rgb edge = Darker(colour, 0.75);
  const Rgb limbs = Darker(colour, 0.3);
  const Rgb head = Lighter(accent, 0.25);
  const double t = look.phases > 1 ? static_cast<double>(look.phase) / (look.phases - 1) : 0.0;
  // The limbs swing from one side (-1) to the other (+1) over the cells of a pose: a cycle of the
  // cells 0, 1, 2, 1 sways back and forth.
  const double swing = look.phases > 1 ? 2 * t - 1 : 0;

  if (style != FigureStyle::kPlain) {
    // A pale edge a few pixels out from the figure: the body's glow.
    const Rgb glow = style == FigureStyle::kPowered ? Lighter(colour, 0.7) : Darker(colour, 0.2);
    c->Ring(cx, cy, scale * 16.5, scale * 20, glow);
    if (style == FigureStyle::kEdgeOnly) return;
  }

  switch (look.pose) {
    case Pose::kDown: {
      // Flat on the ground across the way it faced, eyes crossed.
      c->Ellipse(cx, cy, scale * 18, scale * 10, angle + std::numbers::pi / 2, edge);
      c->Ellipse(cx, cy, scale * 16.5, scale * 8.5, angle + std::numbers::pi / 2, colour);
      Blob(c, f, 0, 13 + 2 * swing, 6.5, head, edge);
      Eyes(c, f, 2, true);
      Blob(c, f, 6, -10, 3.2, limbs, edge);
      Blob(c, f, -6, -10, 3.2, limbs, edge);
      return;
    }
    case Pose::kFly: {
      // Thrown back: limbs spread, eyes crossed, the body tilted.
      for (double a : {45.0, 135.0, 225.0, 315.0}) {
        const double r = a * std::numbers::pi / 180;
        Limb(c, f, 0, 0, 17 * std::cos(r), 17 * std::sin(r), 4, limbs, edge);
      }
      c->Ellipse(cx, cy, scale * 14.5, scale * 12, angle + 0.6 * (t - 0.5), edge);
      c->Ellipse(cx, cy, scale * 13, scale * 10.5, angle + 0.6 * (t - 0.5), colour);
      Blob(c, f, -3, 0, 7, head, edge);
      Eyes(c, f, -1, true);
      return;
    }
    default:
      break;
  }

  double lean = 0;  // the body's shift along the way it faces
  double handF[2] = {2, 2}, handL[2] = {13, -13};
  switch (look.pose) {
    case Pose::kWalk:
      // Feet stride out in front and behind, the hands swinging against them.
      handF[0] = 7 * swing, handF[1] = -7 * swing;
      for (double side : {-1.0, 1.0}) Blob(c, f, -side * swing * 15, side * 7, 4, limbs, edge);
      break;
    case Pose::kAttack:
      // The right hand strikes forward, further at each step of the attack.
      handF[1] = 12 + 12 * t, handL[1] = -4;
      lean = 2;
      break;
    case Pose::kDash: {
      lean = 3;
      handF[0] = handF[1] = -10, handL[0] = 10, handL[1] = -10;
      const Rgb streak = Lighter(colour, 0.5);
      for (double side : {-7.0, 0.0, 7.0})
        c->Line(f.X(-14, side), f.Y(-14, side), f.X(-27 + std::abs(side), side),
                f.Y(-27 + std::abs(side), side), scale * 2, streak);
      break;
    }
    case Pose::kGuard:
      handF[0] = handF[1] = 13, handL[0] = 4, handL[1] = -4;
      break;
    case Pose::kSpecial:
      handF[0] = handF[1] = 12 + 3 * std::sin(t * 6), handL[0] = 10, handL[1] = -10;
      break;
    case Pose::kSpell:
      handF[0] = handF[1] = 9, handL[0] = 15, handL[1] = -15;
      c->Ring(cx, cy, scale * 22, scale * 24, Lighter(colour, 0.6));
      break;
    case Pose::kHit:
      lean = -4;
      handF[0] = handF[1] = -6, handL[0] = 16, handL[1] = -16;
      Spark(c, f.X(17, 0), f.Y(17, 0), scale * 6, scale * 2, {255, 255, 255});
      break;
    default:
      handF[0] = 1 + swing, handF[1] = 1 - swing;
      break;
  }
  for (int i = 0; i < 2; ++i)
    Limb(c, f, lean, handL[i] * 0.6, handF[i], handL[i], 3.5, limbs, edge);
  Blob(c, f, lean, 0, 13.5, colour, edge);
  // A pale nose points the way the figure faces; the head sits forward on the body.
  const double tip = lean + 27, base = lean + 11;
  c->Triangle(f.X(tip + 2, 0), f.Y(tip + 2, 0), f.X(base, 7.5), f.Y(base, 7.5), f.X(base, -7.5),
              f.Y(base, -7.5), edge);
  c->Triangle(f.X(tip, 0), f.Y(tip, 0), f.X(base, 5.5), f.Y(base, 5.5), f.X(base, -5.5),
              f.Y(base, -5.5), Lighter(colour, 0.7));
  Blob(c, f, lean + 7, 0, 8, head, edge);
  Eyes(c, f, lean + 9, look.pose == Pose::kHit);
  for (int i = 0; i < 2; ++i) Blob(c, f, handF[i], handL[i], 3.8, head, edge);
  if (look.pose == Pose::kAttack && t > 0.5)
    Spark(c, f.X(handF[1] + 5, handL[1]), f.Y(handF[1] + 5, handL[1]), scale * 4, scale * 1.5,
          {255, 255, 255});
}

void DrawFace(Canvas* c, double cx, double cy, double r, Rgb colour, Mood mood) {
  const Rgb edge = Darker(colour, 0.75), body = Darker(colour, 0.15);
  const double w = std::max(1.0, r / 12);
  // Shoulders, then the head on them.
  c->Ellipse(cx, cy + 1.5 * r, 1.35 * r + w, 0.8 * r + w, 0, edge);
  c->Ellipse(cx, cy + 1.5 * r, 1.35 * r, 0.8 * r, 0, body);
  c->Disc(cx, cy, r + w, edge);
  c->Disc(cx, cy, r, Lighter(colour, 0.2));
  const double ex = 0.38 * r, ey = -0.1 * r, er = 0.17 * r;
  for (double side : {-1.0, 1.0}) {
    const double x = cx + side * ex, y = cy + ey;
    if (mood == Mood::kHurt) {
      c->Line(x - er, y - er, x + er, y + er, w * 1.5, kInk);
      c->Line(x - er, y + er, x + er, y - er, w * 1.5, kInk);
      continue;
    }
    const double open = mood == Mood::kGlad ? 0.45 : mood == Mood::kSurprised ? 1.25 : 1.0;
    c->Ellipse(x, y, er, er * open, 0, {250, 250, 250});
    if (mood != Mood::kGlad) c->Disc(x, y + er * 0.2, er * 0.5, kInk);
    if (mood == Mood::kAngry) {
      c->Line(x - side * er * 1.2, y - er * 1.8, x + side * er * 1.2, y - er * 1.1, w * 1.5, edge);
    } else if (mood == Mood::kSad) {
      c->Line(x - side * er * 1.2, y - er * 1.1, x + side * er * 1.2, y - er * 1.8, w * 1.5, edge);
    }
  }
  const double my = cy + 0.45 * r, mw = 0.3 * r;
  switch (mood) {
    case Mood::kGlad:
      c->Ellipse(cx, my, mw, 0.16 * r, 0, edge);
      c->Fill(static_cast<int>(cx - mw - 1), static_cast<int>(my - 0.2 * r),
              static_cast<int>(2 * mw + 3), static_cast<int>(0.2 * r), Lighter(colour, 0.2));
      break;
    case Mood::kSurprised:
    case Mood::kCasting:
      c->Disc(cx, my, 0.12 * r, edge);
      break;
    case Mood::kSad:
    case Mood::kHurt:
      c->Ellipse(cx, my + 0.05 * r, mw, 0.08 * r, 0, edge);
      break;
    default:
      c->Line(cx - mw * 0.8, my, cx + mw * 0.8, my, w * 1.5, edge);
      break;
  }
  if (mood == Mood::kCasting) c->Ring(cx, cy, 1.25 * r, 1.25 * r + 2 * w, Lighter(colour, 0.6));
}

}  // namespace demo
