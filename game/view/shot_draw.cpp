// Shots (draw tag 2): each character's moves as rows of picture layers, glow before body, with
// fading trails from the shot's position history while effects are at full level, and character
// 15's shock ring of circles.
#include <algorithm>
#include <cstdint>
#include <initializer_list>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/view/arena_draw.h"
#include "game/view/draw_conventions.h"
#include "game/view/picture_layers.h"
#include "game/view/view.h"
#include "morrow/device/color_format.h"
#include "morrow/graphics/draw.h"

namespace veyrdale::view {

double TurningAngle(int64_t heading) {
  return static_cast<double>(256 - heading) * kRadiansPerStep;
}

namespace {

int64_t CellOf(const Layer& layer, int64_t timer, int32_t heading) {
  switch (layer.cellRule) {
    case CellRule::kFixed:
      return layer.cell;
    case CellRule::kDirection:
      // A behaviour may leave the heading outside 0-255: only its low eight bits name a cell.
      return layer.cell * 8 + (heading & 255) / 32;
    case CellRule::kAnimation:
      return layer.cell + Wrap(timer / 2, 8);
    case CellRule::kFlicker:
      return layer.cell + Wrap(timer / 2, 8) + 8 * Wrap(SceneFrame / 4, 2);
  }
  return -1;
}

double ParamOf(const Layer& layer, int64_t t) {
  const double v = layer.value;
  switch (layer.param) {
    case ParamRule::kFixed:
      return v;
    case ParamRule::kPulse:
      return static_cast<double>(128 + 16 * Wrap(t, 8));
    case ParamRule::kFadeDown:
      return static_cast<double>(t) * 0.0625 * v;
    case ParamRule::kFadeUp:
      return t < 16 ? static_cast<double>(16 - t) * 0.0625 * v : 0.0;
    case ParamRule::kHold16Fade32:
      return t < 16 ? v : static_cast<double>(32 - t) * 0.0625 * 255;
    case ParamRule::kHold16Drop:
      return t < 16 ? 255.0 : static_cast<double>(511 - 16 * t);
    case ParamRule::kLate40Fade48:
      return t > 40 ? static_cast<double>(48 - t) * 0.125 * 255 : v;
    case ParamRule::kHold5Fade:
      return t < 5 ? v : v - static_cast<double>(16 * (t - 5));
    case ParamRule::kPhaseDim:
      return static_cast<double>(255 - 16 * Wrap(t, 8));
  }
  return 0.0;
}

constexpr int64_t kBurstFrames = 16;

double ScaleOf(const Layer& layer, int64_t t) {
  switch (layer.scaleRule) {
    case ScaleRule::kFixed:
      return layer.scale;
    case ScaleRule::kPerTimer:
      return layer.scale + layer.per * static_cast<double>(t);
    case ScaleRule::kPerPhase:
      return layer.scale + layer.per * static_cast<double>(Wrap(t, 8));
    case ScaleRule::kBurst:
      // Many effects live far longer than the 16-frame burst (some for hundreds of frames): until
      // their last 16 frames they keep the starting size. Counted from the whole timer, such an
      // effect would start at a large negative scale, its picture turned about and blown up
      // until each of its pixels covered a square of the screen.
      return layer.scale +
             layer.per * static_cast<double>(kBurstFrames - std::min<int64_t>(t, kBurstFrames));
  }
  return 1.0;
}

double AngleOf(const Layer& layer, int64_t t, int64_t h) {
  switch (layer.angle) {
    case AngleRule::kNone:
      return 0.0;
    case AngleRule::kTurn:
      return TurningAngle(h);
    case AngleRule::kReversed:
      return TurningAngle(h + 128);
    case AngleRule::kSpin:
      return TurningAngle(h + 4 * t);
  }
  return 0.0;
}

}  // namespace

LayerLook LookOf(const Layer& layer, int32_t timer, int32_t heading) {
  return {PictureCell(layer.row, CellOf(layer, timer, heading)), layer.blend,
          TruncToInt(ParamOf(layer, timer)), ScaleOf(layer, timer), AngleOf(layer, timer, heading)};
}

void DrawLayer(const LayerLook& look, double x, double y) {
  morrow::SetBlendMode(look.blend, look.param);
  morrow::DrawRotaGraph(TruncToInt(x), TruncToInt(y), look.scale, look.angle, look.graph, 1, 0);
}

namespace {

constexpr int kNeutral = 51;
constexpr int kTrailLimit = 5;  // the position history's length

struct Trail {
  uint8_t step = 0;  // 0: no trail; kTimedStep: the step follows the timer
  double base = 1.0;
  double per = 0.0;   // image k's scale is the body's x (base + per x (k + 1))
  int8_t blend = -1;  // -1: the body's, alpha for an opaque body
};
constexpr uint8_t kTimedStep = 255;

struct ShotMove {
  uint8_t character = 0;
  uint8_t move = 0;
  uint8_t layerCount = 0;
  Layer layers[4] = {};
  Trail trail = {};
  bool ring = false;
};

constexpr Layer Fix(int16_t row, int cell, int blend, int value, AngleRule angle = AngleRule::kNone,
                    double scale = 1.0) {
  Layer l;
  l.row = row;
  l.cell = static_cast<int8_t>(cell);
  l.blend = static_cast<int8_t>(blend);
  l.value = static_cast<int16_t>(value);
  l.angle = angle;
  l.scale = scale;
  return l;
}
constexpr Layer Var(int16_t row, int cell, int blend, AngleRule angle = AngleRule::kNone,
                    double scale = 1.0) {
  Layer l = Fix(row, cell, blend, 0, angle, scale);
  l.param = ParamRule::kPulse;
  return l;
}
constexpr Layer Dir(int16_t row, int cell, int blend, int value) {
  Layer l = Fix(row, cell, blend, value);
  l.cellRule = CellRule::kDirection;
  return l;
}
constexpr Layer With(Layer l, ParamRule param, ScaleRule scale = ScaleRule::kFixed,
                     double per = 0.0) {
  l.param = param;
  l.scaleRule = scale;
  l.per = per;
  return l;
}
constexpr Layer Spun(Layer l) {
  l.angle = AngleRule::kSpin;
  return l;
}

constexpr AngleRule kTurn = AngleRule::kTurn;

constexpr ShotMove M(int character, int move, std::initializer_list<Layer> layers,
                     Trail trail = {}) {
  ShotMove m;
  m.character = static_cast<uint8_t>(character);
  m.move = static_cast<uint8_t>(move);
  for (const Layer& l : layers) m.layers[m.layerCount++] = l;
  m.trail = trail;
  return m;
}
// A glow of the body's picture half as large again, then the body.
constexpr ShotMove Glow(int character, int move, int16_t row, int cell, int glowBlend, Layer body,
                        Trail trail = {}) {
  return M(character, move, {Var(row, cell, glowBlend, body.angle, body.scale * 1.5), body}, trail);
}
constexpr Trail T(int step, double base = 1.0, double per = 0.0, int blend = -1) {
  return {static_cast<uint8_t>(step), base, per, static_cast<int8_t>(blend)};
}
// Two images of one picture, cells 0 and 1.
constexpr ShotMove Two(int character, int move, Layer first) {
  Layer second = first;
  second.cell = static_cast<int8_t>(first.cell + 1);
  return M(character, move, {first, second});
}
constexpr ShotMove Ring(int character, int move) {
  ShotMove m = M(character, move, {});
  m.ring = true;
  return m;
}

constexpr Layer kChar0Move7 = With(Fix(ShotRow(18), 0, 2, 255, kTurn), ParamRule::kHold16Fade32);
constexpr Layer kChar0Move8 = With(Fix(ShotRow(21), 0, 2, 255), ParamRule::kHold16Drop);
constexpr Layer FlickerBody(int16_t row) {
  Layer l = Fix(row, 0, 1, 255);
  l.cellRule = CellRule::kFlicker;
  return l;
}
constexpr Layer EfGlowLayer(int cell, double scale) {
  return Var(EfRow(42), cell, 2, kTurn, scale);
}
constexpr ShotMove Char9Orb(int move, int cell) {
  return M(9, move,
           {EfGlowLayer(cell, 1.125), Fix(EfRow(42), cell, 2, 128, kTurn, 0.75),
            Fix(ShotRow(52), cell, 0, 255, kTurn, 0.75)},
           T(48));
}
constexpr ShotMove Flame(int character, int move) {
  return M(character, move, {Var(EfRow(30), 0, 2, kTurn), Var(ShotRow(37), 0, 2, kTurn)});
}
constexpr ShotMove Twin(int character, int move, int16_t glowRow, int16_t bodyRow, int glow,
                        double scale = 1.0) {
  return M(character, move,
           {Fix(glowRow, 0, 2, glow, kTurn, scale), Fix(bodyRow, 0, 0, 255, kTurn, scale)});
}

// Character 15's glows and bodies both follow the timer.
constexpr ShotMove Char15(int move, int16_t row, int cell) {
  return M(15, move, {Var(row, cell, 2, kTurn, 1.5), Var(row, cell, 1, kTurn)}, T(kTimedStep));
}

constexpr ShotMove kShotMoves[] = {
    Glow(0, 1, ShotRow(26), 7, 2, Fix(ShotRow(26), 7, 1, 224, kTurn), T(64, 0.4, 0.2)),
    Glow(0, 2, ShotRow(17), 0, 2, Fix(ShotRow(17), 0, 2, 255, kTurn), T(64, 0.4, 0.2)),
    Glow(0, 3, ShotRow(26), 0, 2, Fix(ShotRow(26), 0, 1, 224, kTurn), T(64, 0.4, 0.2)),
    M(0, 4, {Dir(ShotRow(17), 0, 2, 255)}),
    M(0, 5, {Fix(ShotRow(22), 0, 2, 192, kTurn)}),
    M(0, 7, {kChar0Move7}),
    Two(0, 8, kChar0Move8),

    M(1, 1, {Dir(ShotRow(1), 0, 0, 255)}),
    M(1, 2, {FlickerBody(ShotRow(2))}, T(24, 0.0, 0.2, 1)),
    M(1, 3, {Fix(ShotRow(12), 0, 2, 255, kTurn)}),
    M(1, 4, {FlickerBody(kShot02bRow)}, T(24, 0.0, 0.2, 1)),
    Glow(1, 5, ShotRow(10), 0, 2, Fix(ShotRow(10), 0, 2, 255, kTurn), T(48)),
    M(1, 7, {Fix(ShotRow(43), 0, 2, 192, kTurn)}),
    M(1, 8, {Fix(ShotRow(9), 0, 2, 255, kTurn)}),

    M(2, 1, {Dir(ShotRow(4), 0, 2, 104)}),
    M(2, 2, {Dir(ShotRow(5), 0, 2, 255)}),
    M(2, 3, {Fix(ShotRow(4), 0, 2, 160, kTurn, 1.5)}),
    M(2, 4, {Dir(ShotRow(6), 0, 2, 255)}),
    M(2, 5, {Dir(ShotRow(4), 0, 2, 104)}),
    M(2, 6, {Fix(ShotRow(6), 1, 2, 255, kTurn, 2.0)}),
    Two(2, 7, Fix(ShotRow(8), 0, 2, 255, kTurn)),
    Two(2, 8, Fix(ShotRow(9), 0, 2, 255, kTurn)),
    M(2, 9,
      {Spun(With(Fix(ShotRow(15), 1, 2, 255, AngleRule::kNone, 2.0), ParamRule::kLate40Fade48,
                 ScaleRule::kPerTimer, 0.02))}),

    Glow(3, 1, ShotRow(11), 3, 2, Fix(ShotRow(11), 3, 0, 255, kTurn), T(32)),
    Glow(3, 2, ShotRow(11), 1, 2, Fix(ShotRow(11), 1, 0, 255, kTurn), T(32)),
    Glow(3, 3, ShotRow(11), 3, 2, Fix(ShotRow(11), 3, 0, 255, kTurn), T(32)),
    Glow(3, 4, ShotRow(11), 0, 2, Fix(ShotRow(11), 0, 0, 255, kTurn), T(32)),
    Glow(3, 5, ShotRow(11), 2, 2, Fix(ShotRow(11), 2, 0, 255, kTurn), T(48)),
    Glow(3, 6, ShotRow(44), 0, 2, Fix(ShotRow(44), 0, 0, 255), T(48)),

    M(4, 1, {Dir(ShotRow(23), 0, 2, 255)}),
    M(4, 2, {Fix(ShotRow(13), 0, 2, 255, kTurn)}),
    M(4, 3, {Dir(ShotRow(23), 1, 2, 255)}),
    M(4, 4, {Dir(ShotRow(14), 0, 2, 255)}),
    M(4, 6, {Fix(ShotRow(13), 0, 2, 255, AngleRule::kReversed)}),
    M(4, 7, {Fix(ShotRow(13), 0, 2, 255, kTurn)}),
    M(4, 8, {Dir(ShotRow(19), 0, 2, 255)}),

    M(5, 1, {Dir(ShotRow(24), 0, 1, 192)}),
    M(5, 2, {Fix(ShotRow(25), 0, 1, 192, kTurn)}),
    M(5, 3, {Dir(ShotRow(24), 0, 1, 192)}),
    M(5, 4, {Var(ShotRow(25), 0, 1, kTurn, 0.5)}, T(24)),
    M(5, 7, {Fix(ShotRow(25), 0, 1, 192, kTurn)}),
    M(5, 8, {Fix(ShotRow(25), 0, 1, 192, kTurn, 0.5)}),
    Two(5, 9, Var(ShotRow(25), 0, 1, kTurn)),

    M(6, 1, {Fix(ShotRow(39), 0, 1, 224), Var(ShotRow(39), 0, 2)}),
    M(6, 3, {Fix(ShotRow(38), 0, 1, 224), Var(ShotRow(38), 0, 2)}),
    Glow(6, 4, ShotRow(40), 0, 2, Fix(ShotRow(40), 0, 1, 224, kTurn)),
    Glow(6, 5, ShotRow(49), 0, 2, Fix(ShotRow(49), 0, 1, 224)),
    Glow(6, 6, ShotRow(40), 0, 2, Fix(ShotRow(40), 0, 1, 224, kTurn)),
    Glow(6, 7, EfRow(37), 0, 2, Fix(EfRow(37), 0, 1, 224, kTurn)),
    M(6, 8, {Fix(ShotRow(38), 0, 1, 224), Var(ShotRow(38), 0, 2)}),

    M(7, 1, {Fix(ShotRow(32), 0, 2, 224)}),
    M(7, 2,
      {With(Fix(EfRow(30), 0, 2, 255, AngleRule::kNone, 0.5), ParamRule::kFadeUp,
            ScaleRule::kPerTimer, 0.1)}),
    Glow(7, 3, ShotRow(33), 0, 2, Fix(ShotRow(33), 0, 1, 224, kTurn, 0.75), T(12)),
    M(7, 4, {Fix(ShotRow(34), 0, 0, 255)}),
    M(7, 7,
      {With(Fix(EfRow(30), 0, 2, 160, AngleRule::kNone, 0.5), ParamRule::kFadeUp,
            ScaleRule::kPerTimer, 0.15)}),
    M(7, 8, {Fix(ShotRow(34), 0, 0, 255)}),
    M(7, 9, {Fix(ShotRow(34), 0, 0, 255)}),

    Glow(8, 1, ShotRow(28), 0, 2, Fix(ShotRow(28), 0, 2, 255, kTurn, 0.75), T(12)),
    Glow(8, 2, ShotRow(27), 0, 2, Fix(ShotRow(27), 0, 2, 255, kTurn, 1.25), T(24)),
    Glow(8, 3, ShotRow(28), 0, 2, Fix(ShotRow(28), 0, 2, 255, kTurn, 0.5), T(12)),
    Glow(8, 4, ShotRow(27), 0, 2, Fix(ShotRow(27), 0, 2, 255, kTurn, 1.25), T(24)),
    M(8, 5, {With(Fix(ShotRow(45), 0, 2, 224), ParamRule::kHold5Fade)}),
    Glow(8, 7, ShotRow(28), 0, 2, Fix(ShotRow(28), 0, 2, 255, kTurn, 0.5), T(12)),
    M(8, 9, {Fix(ShotRow(29), 0, 2, 255)}),
    Glow(8, 10, ShotRow(28), 0, 2, Fix(ShotRow(28), 0, 2, 255, kTurn), T(12)),

    M(9, 1, {Dir(ShotRow(51), 0, 0, 255)}),
    Char9Orb(2, 0),
    Glow(9, 3, ShotRow(50), 0, 2, Fix(ShotRow(50), 0, 2, 255, kTurn, 2.0), T(24)),
    Char9Orb(4, 1),
    Glow(9, 5, EfRow(42), 0, 2, Fix(EfRow(42), 0, 2, 192, kTurn), T(24)),
    Char9Orb(7, 1),
    Glow(9, 8, EfRow(42), 0, 2, Fix(EfRow(42), 0, 2, 192, kTurn), T(24)),
    M(9, 9, {Var(ShotRow(25), 0, 2, kTurn), Fix(ShotRow(25), 1, 2, 255, kTurn)}),
    Char9Orb(10, 0),
    Char9Orb(11, 1),
    M(9, 12, {Dir(ShotRow(11), 3, 0, 255)}),

    Glow(10, 1, ShotRow(31), 0, 2, Fix(ShotRow(31), 0, 2, 128, kTurn), T(16)),
    Glow(10, 2, ShotRow(17), 0, 2, Fix(ShotRow(17), 0, 2, 255, kTurn), T(64)),
    M(10, 4, {Dir(ShotRow(17), 0, 2, 255)}),
    M(10, 5, {Fix(ShotRow(22), 0, 2, 192, kTurn)}),
    M(10, 7, {kChar0Move7}),
    Two(10, 8, kChar0Move8),
    Glow(10, 9, ShotRow(22), 0, 2, Fix(ShotRow(22), 0, 2, 192, kTurn), T(48)),
    Glow(10, 10, ShotRow(31), 0, 2, Fix(ShotRow(31), 0, 2, 128, kTurn, 0.5), T(16)),

    Glow(11, 1, ShotRow(15), 0, 2, Fix(ShotRow(15), 0, 2, 255, kTurn), T(12)),
    M(11, 2, {Fix(ShotRow(36), 0, 2, 255, kTurn)}, T(12)),
    Glow(11, 3, ShotRow(15), 0, 2, Fix(ShotRow(15), 0, 2, 255, kTurn), T(12)),
    M(11, 4, {Fix(ShotRow(36), 0, 2, 255, AngleRule::kNone, 2.0)}, T(12)),
    M(11, 5, {Fix(ShotRow(37), 0, 2, 224, kTurn)}),
    Flame(11, 6),
    Flame(11, 7),
    M(11, 8, {Dir(ShotRow(47), 0, 2, 255)}),
    M(11, 9, {Fix(EfRow(21), 7, 2, 255)}),
    Glow(11, 10, ShotRow(28), 0, 2, Fix(ShotRow(28), 0, 2, 255, kTurn), T(12)),

    Glow(12, 1, ShotRow(24), 0, 1, Fix(ShotRow(24), 0, 0, 255, kTurn), T(12)),
    M(12, 2, {Fix(ShotRow(55), 0, 0, 255)}),
    Glow(12, 3, ShotRow(24), 0, 1, Fix(ShotRow(24), 0, 0, 255, kTurn), T(12)),
    Glow(12, 4, ShotRow(56), 0, 1, Fix(ShotRow(56), 0, 0, 255, kTurn), T(24)),
    Flame(12, 7),
    M(12, 8, {Dir(ShotRow(11), 3, 0, 255)}),
    M(12, 9, {Fix(EfRow(21), 7, 2, 255)}),
    Glow(12, 10, ShotRow(28), 0, 2, Fix(ShotRow(28), 0, 2, 255, kTurn), T(12)),

    Twin(13, 1, EfRow(44), ShotRow(53), 128),
    Twin(13, 2, EfRow(44), ShotRow(53), 128),
    Twin(13, 3, EfRow(44), ShotRow(53), 128),
    Twin(13, 4, EfRow(44), ShotRow(53), 192, 2.0),
    Twin(13, 5, EfRow(44), ShotRow(53), 128),
    Twin(13, 6, EfRow(44), ShotRow(53), 128),
    Twin(13, 7, EfRow(44), ShotRow(53), 128),
    Twin(13, 8, EfRow(44), ShotRow(53), 192, 2.0),
    Twin(13, 9, EfRow(44), ShotRow(54), 128),
    M(13, 10,
      {Fix(EfRow(38), 2, 3, 128, kTurn), Var(EfRow(30), 0, 2, kTurn),
       Fix(ShotRow(37), 0, 2, 255, kTurn)}),

    Glow(14, 1, ShotRow(15), 0, 2, Fix(ShotRow(15), 0, 2, 255, kTurn), T(12)),
    M(14, 2, {Fix(ShotRow(59), 0, 2, 255, kTurn, 2.0)}),
    M(14, 3, {Dir(ShotRow(46), 0, 2, 160)}),
    M(14, 4, {Fix(ShotRow(58), 0, 2, 255, kTurn, 0.5)}),
    M(14, 5,
      {Var(EfRow(51), 0, 2, kTurn), Var(EfRow(54), 0, 2, kTurn), Var(EfRow(52), 0, 2, kTurn)}),
    M(14, 6, {Fix(ShotRow(58), 0, 2, 255, kTurn, 0.5)}),
    Flame(14, 7),
    M(14, 8, {Fix(ShotRow(47), 0, 2, 255, kTurn, 2.0)}),
    M(14, 9, {Fix(ShotRow(59), 0, 2, 255, kTurn, 2.0)}),
    Glow(14, 10, ShotRow(28), 0, 2, Fix(ShotRow(28), 0, 2, 255, kTurn), T(12)),

    Char15(1, ShotRow(65), 0),
    Char15(2, ShotRow(66), 0),
    Char15(3, ShotRow(66), 1),
    Char15(4, ShotRow(66), 1),
    M(15, 5, {Fix(ShotRow(67), 0, 2, 255, kTurn)}),
    Char15(6, ShotRow(66), 1),
    Char15(7, ShotRow(65), 0),
    Char15(8, ShotRow(66), 1),
    Ring(15, 9),
    Ring(15, 10),
    Char15(12, ShotRow(66), 1),

    M(kNeutral, 1,
      {With(Fix(163, 0, 2, 255, kTurn, 0.8), ParamRule::kPhaseDim, ScaleRule::kPerPhase, 0.1),
       Fix(162, 0, 2, 255)}),
    M(kNeutral, 2, {Fix(161, 0, 2, 128)}),
    M(kNeutral, 3, {Fix(160, 0, 0, 255)}),
    M(kNeutral, 5, {Fix(ShotRow(35), 0, 2, 104, kTurn)}, T(12)),
    M(kNeutral, 6, {Var(163, 0, 2)}),
    M(kNeutral, 7, {Var(ShotRow(31), 0, 2)}, T(16)),
    M(kNeutral, 8, {Var(ShotRow(31), 0, 2, AngleRule::kNone, 0.4)}, T(16)),
    M(kNeutral, 11,
      {Var(EfRow(30), 0, 2), Var(ShotRow(37), 0, 2), Var(ShotRow(37), 1, 2),
       Var(ShotRow(37), 2, 2)}),
};

const ShotMove* FindMove(int character, int32_t move) {
  for (const ShotMove& m : kShotMoves) {
    if (m.character == character && m.move == move) return &m;
  }
  return nullptr;
}

// The older positions of a trailing move, faintest first, before its body.
void DrawTrail(const BattleObject& shot, const ShotMove& m, int shake) {
  const Layer& bodyLayer = m.layers[m.layerCount - 1];
  const LayerLook body = LookOf(bodyLayer, shot.stateTimer, shot.heading);
  const int64_t step =
      m.trail.step == kTimedStep ? 24 + 8 * Wrap(shot.stateTimer, 4) : m.trail.step;
  // The images stop before their parameter would reach the body's.
  const int64_t images =
      std::clamp<int64_t>((static_cast<int64_t>(body.param) - 1) / step, 0, kTrailLimit);
  const int m8 = m.character == 1 || m.character == 3 || m.character == 9 ? 8 : 6;
  LayerLook look = body;
  look.blend =
      m.trail.blend >= 0 ? m.trail.blend : (body.blend == kBlendNone ? kBlendAlpha : body.blend);
  for (int64_t k = 0; k < images; ++k) {
    if (shot.stateTimer <= m8 - k) continue;
    const int64_t older = images - 1 - k;
    look.param = static_cast<int>(step * (k + 1));
    look.scale = body.scale * (m.trail.base + m.trail.per * static_cast<double>(k + 1));
    DrawLayer(look, shot.trailX[older], static_cast<double>(shot.trailY[older]) - shake);
  }
}

// Character 15's shock ring: a red disc multiplied in, then a white outline added.
void DrawShockRing(const BattleObject& shot, int shake) {
  const int64_t t = shot.stateTimer;
  int64_t radius = 0;
  if (t >= 28) {
    radius = (32 - t) * 42 / 4;
  } else if (4 * t > 38) {
    radius = (t - 10) / 4 + 38;
  } else {
    radius = 4 * t;
  }
  const int x = TruncToInt(shot.x);
  const int y = TruncToInt(static_cast<double>(shot.y) - shake);
  const int r = SaturateToInt(radius);
  morrow::SetBlendMode(kBlendMultiply, kOpaque);
  morrow::DrawCircle(x, y, r, morrow::PackScreenColor(255, 0, 0), 1);
  morrow::SetBlendMode(kBlendAdd, t < 24 ? 128 : SaturateToInt((32 - t) * 128 / 8));
  morrow::DrawCircle(x, y, r, morrow::PackScreenColor(255, 255, 255), 0);
}

}  // namespace

void DrawShot(const BattleObject& shot, int shake) {
  if (shot.state != 1) return;
  const ShotMove* m = FindMove(shot.kind, shot.move);
  if (m == nullptr) return;
  morrow::SetFilterMode(1);
  if (m->ring) {
    DrawShockRing(shot, shake);
  } else {
    if (m->trail.step != 0 && g_options.effectLevel == 0) DrawTrail(shot, *m, shake);
    const double y = static_cast<double>(shot.y) - shake;
    for (int i = 0; i < m->layerCount; ++i) {
      DrawLayer(LookOf(m->layers[i], shot.stateTimer, shot.heading), shot.x, y);
    }
  }
  morrow::SetFilterMode(0);
}

}  // namespace veyrdale::view

namespace veyrdale {

void DrawShotEntry(const BattleObject* entry, int shake, int /*dark*/) {
  view::DrawShot(*entry, shake);
}

}  // namespace veyrdale
