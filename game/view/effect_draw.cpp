// Effects (draw tag 3), in the top layer and in the late list alike: each kind 0-133 as one row of
// picture layers, most of them added in and fading as their timer runs out, some drawn onto
// turned rectangles, as lines, a multiplied circle or plain pictures.
#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>

#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/view/draw_conventions.h"
#include "game/view/picture_layers.h"
#include "game/view/rota_rect.h"
#include "game/view/view.h"
#include "morrow/device/color_format.h"
#include "morrow/graphics/draw.h"

namespace veyrdale::view {

namespace {

enum class Shape : uint8_t {
  kNothing,
  kLayers,     // the layers, centred and turned
  kRect,       // the first layer's picture on a turned rectangle
  kRectLine,   // kRect, then a line along the heading
  kLine,       // a line along the heading
  kCircle,     // a multiplied disc
  kCorner,     // DrawGraph from the corner
  kStretched,  // DrawExtendGraph about the point
  kPart,       // DrawGraphPart, revealed as the timer runs down
  kMirrored,   // DrawMirroredGraph from the corner
  kOwnerRing,  // the layers, the picture's cell naming the effect's player
};

constexpr int kKinds = 134;
constexpr int kOwnerRow = 79;  // "shadow": a ring in each player's colour

struct EffectKind {
  Shape shape = Shape::kNothing;
  uint8_t layerCount = 0;
  Layer layers[2] = {};
  // Rectangles: width w0 + w1 x t and height h0 + h1 x t. Lines: length w0 + w1 x t.
  float w0 = 0, w1 = 0, h0 = 0, h1 = 0;
};

// An effect layer: added in, fading with the timer, upright, scale 1 unless given.
constexpr Layer E(int16_t row, int cell = 0) {
  Layer l;
  l.row = row;
  l.cell = static_cast<int8_t>(cell);
  l.param = ParamRule::kFadeDown;
  return l;
}
constexpr Layer Blend(Layer l, int blend, int value, ParamRule rule = ParamRule::kFixed) {
  l.blend = static_cast<int8_t>(blend);
  l.value = static_cast<int16_t>(value);
  l.param = rule;
  return l;
}
constexpr Layer Opaque(Layer l) {
  return Blend(l, kBlendNone, kOpaque);
}
constexpr Layer Burst(Layer l, double base = 0.2, double per = 0.15) {
  l.scaleRule = ScaleRule::kBurst;
  l.scale = base;
  l.per = per;
  return l;
}
constexpr Layer Turned(Layer l) {
  l.angle = AngleRule::kTurn;
  return l;
}
constexpr Layer Spinning(Layer l) {
  l.angle = AngleRule::kSpin;
  return l;
}
constexpr Layer Scaled(Layer l, double scale) {
  l.scale = scale;
  return l;
}
constexpr Layer Animated(Layer l) {
  l.cellRule = CellRule::kAnimation;
  return l;
}

struct Group {
  std::initializer_list<int> kinds;
  EffectKind look;
};

constexpr EffectKind L(std::initializer_list<Layer> layers, Shape shape = Shape::kLayers) {
  EffectKind k;
  k.shape = shape;
  for (const Layer& l : layers) k.layers[k.layerCount++] = l;
  return k;
}
constexpr EffectKind Rect(Layer l, float w0, float w1, float h0, float h1,
                          Shape shape = Shape::kRect) {
  EffectKind k = L({l}, shape);
  k.w0 = w0;
  k.w1 = w1;
  k.h0 = h0;
  k.h1 = h1;
  return k;
}

constexpr int16_t kDotRow = 3;
constexpr int16_t kShadowRow = 79;
constexpr int16_t kHitRow = 80;
constexpr int16_t kFont06sRow = 142;
constexpr int16_t kGrvRRow = 155;

constexpr std::array<EffectKind, kKinds> BuildKinds() {
  const Layer white = Blend(E(-1), kBlendAdd, 255, ParamRule::kFadeDown);
  const Group groups[] = {
      {{0, 2}, L({Burst(E(EfRow(2)))})},
      {{1, 58}, L({Burst(E(EfRow(3)))})},
      {{83, 115}, L({Burst(Blend(E(EfRow(3)), kBlendSubtract, 255, ParamRule::kFadeDown))})},
      {{3}, L({E(kDotRow, 25)})},
      {{4}, L({Animated(E(EfRow(9), 16))})},
      {{5, 13}, L({Burst(E(kDotRow), 0.5, 0.1)})},
      {{6}, L({Burst(E(EfRow(11)))})},
      {{7}, Rect(Blend(E(EfRow(14)), kBlendAdd, 255), 576, -20, 0, 9)},
      {{8}, Rect(E(EfRow(14)), 576, -20, 0, 4)},
      {{9, 39}, L({Burst(E(EfRow(17)))})},
      {{10, 12}, L({Spinning(E(EfRow(20)))})},
      {{11}, L({Turned(E(ShotRow(18)))})},
      {{14, 15, 17, 18, 20}, L({Turned(E(ShotRow(25)))})},
      {{16, 22, 111}, L({Burst(E(EfRow(22)))})},
      {{19}, L({Turned(E(ShotRow(25))), Burst(E(EfRow(22)))})},
      {{21}, L({Spinning(E(EfRow(24)))})},
      {{23}, L({Spinning(E(EfRow(25)))})},
      {{24, 25}, L({Turned(E(ShotRow(28)))})},
      {{26, 27}, L({Burst(Blend(E(kOwnerRow), kBlendAdd, 255))}, Shape::kOwnerRing)},
      {{28}, L({Animated(E(EfRow(27), 16))})},
      {{29}, L({Spinning(E(EfRow(29)))})},
      {{30}, L({Animated(E(EfRow(21), 20))})},
      {{31, 32, 37}, L({Turned(E(ShotRow(7)))})},
      {{33}, L({Burst(E(EfRow(4)))})},
      {{34}, L({Turned(E(ShotRow(41)))})},
      {{35}, L({Turned(E(ShotRow(42)))})},
      {{36, 46}, L({Blend(E(kShadowRow, 2), kBlendSubtract, 128), E(kShadowRow, 1)})},
      {{38, 131}, L({Burst(E(EfRow(15)))})},
      {{40, 44, 121}, L({Turned(E(ShotRow(15)))})},
      {{41}, L({Turned(E(ShotRow(15), 1))})},
      {{42}, L({Burst(E(EfRow(19)))})},
      {{43}, L({Turned(E(ShotRow(16)))})},
      {{45}, L({Turned(E(ShotRow(22)))})},
      {{47}, L({Opaque(E(EfRow(23)))})},
      {{48}, Rect(E(ShotRow(46)), 64, 0, 0, 4)},
      {{49, 50}, L({Opaque(Animated(E(EfRow(26))))})},
      {{51}, Rect(E(ShotRow(30)), 0, 16, 32, 0)},
      {{52}, L({Burst(E(EfRow(28)))})},
      {{53, 67}, L({Scaled(Blend(E(kOwnerRow), kBlendAlpha, 72), 1.5)}, Shape::kOwnerRing)},
      {{54}, L({Turned(E(ShotRow(32), 1))})},
      {{55}, L({E(EfRow(21), 2), Burst(E(EfRow(30)))})},
      {{56, 59}, L({Burst(E(EfRow(31)))})},
      {{57}, L({Turned(E(ShotRow(34), 2))})},
      {{60}, L({Burst(E(EfRow(32)))})},
      {{61}, L({Burst(E(EfRow(33)))})},
      {{62}, L({Spinning(E(EfRow(34)))})},
      {{63}, L({Burst(E(EfRow(35)))})},
      {{64}, L({Spinning(E(163))})},
      {{65, 66}, L({Turned(E(ShotRow(36)))})},
      {{68, 69}, L({Burst(E(EfRow(36)))})},
      {{70}, L({Burst(E(EfRow(36))), Turned(E(ShotRow(37)))})},
      {{71}, Rect(Blend(white, kBlendAdd, 255, ParamRule::kFadeDown), 640, 0, 0, 0, Shape::kLine)},
      {{72}, L({Blend(E(kShadowRow), kBlendSubtract, 128, ParamRule::kFadeDown)})},
      {{73}, L({Turned(E(ShotRow(39)))})},
      {{74}, L({Burst(E(EfRow(38)))})},
      {{75}, L({Burst(E(EfRow(39)))})},
      {{76}, L({Burst(E(EfRow(37)))})},
      {{77}, L({Spinning(E(EfRow(41)))})},
      {{78}, Rect(E(EfRow(40)), 640, 0, 0, 2)},
      {{79, 87}, L({Opaque(Turned(E(ShotRow(52))))})},
      {{80, 88}, L({Opaque(Turned(E(ShotRow(52), 1)))})},
      {{81}, L({Burst(E(EfRow(42)))})},
      {{82}, L({Burst(E(EfRow(42), 1))})},
      {{84}, L({Burst(E(EfRow(43)))})},
      {{116}, L({Burst(Blend(E(EfRow(43)), kBlendSubtract, 255, ParamRule::kFadeDown))})},
      {{85}, Rect(E(EfRow(14)), 640, 0, 0, 3, Shape::kRectLine)},
      {{86}, L({Opaque(E(kHitRow))}, Shape::kCorner)},
      {{89}, L({Opaque(E(kHitRow))}, Shape::kStretched)},
      {{90}, L({Opaque(E(kHitRow, 1))}, Shape::kStretched)},
      {{91}, L({E(EfRow(42), 2), E(EfRow(42), 3)})},
      {{93}, L({Scaled(Blend(E(kOwnerRow), kBlendAlpha, 96), 2.0)}, Shape::kOwnerRing)},
      {{94}, L({Burst(E(EfRow(6)))})},
      {{95, 98},
       L({Blend(E(kFont06sRow), kBlendAlpha, 255, ParamRule::kFadeDown),
          Blend(E(kFont06sRow), kBlendAdd, 128, ParamRule::kFadeDown)},
         Shape::kOwnerRing)},
      {{96, 97, 99}, L({E(kFont06sRow)})},
      {{100, 101}, L({Blend(E(165), kBlendSubtract, 64), Opaque(E(165, 1))})},
      {{133}, L({Opaque(E(165, 1))})},
      {{102}, L({Opaque(E(166))})},
      {{103}, L({Opaque(E(kGrvRRow))})},
      {{104, 105}, L({Opaque(E(162))})},
      {{132}, L({E(161)})},
      {{106}, L({Burst(E(EfRow(44)))})},
      {{107, 109}, L({Blend(E(EfRow(44)), kBlendAdd, 128), Opaque(E(ShotRow(54), 48))})},
      {{108}, L({E(EfRow(45)), E(EfRow(45), 1)})},
      {{110}, L({Turned(E(ShotRow(56)))})},
      {{112}, L({Blend(E(ShotRow(55)), kBlendSubtract, 255, ParamRule::kFadeDown), E(EfRow(3))})},
      {{113}, L({Blend(E(EfRow(46)), kBlendSubtract, 255, ParamRule::kFadeDown)})},
      {{114}, L({Burst(E(EfRow(47)))})},
      {{117}, L({E(ShotRow(57))}, Shape::kPart)},
      {{119}, L({Blend(E(EfRow(48)), kBlendSubtract, 255, ParamRule::kFadeDown)})},
      {{120}, Rect(Blend(white, kBlendAdd, 255, ParamRule::kFadeDown), 0, 8, 0, 0, Shape::kLine)},
      {{122}, L({Burst(E(EfRow(54))), E(EfRow(53))})},
      {{123}, L({Burst(E(EfRow(55)))})},
      {{124}, L({Blend(E(-1), kBlendMultiply, kOpaque)}, Shape::kCircle)},
      {{125}, L({Opaque(E(0))})},
      {{126}, L({E(1)}, Shape::kMirrored)},
      {{127, 128}, L({Turned(E(ShotRow(67)))})},
      {{130}, Rect(E(ShotRow(67), 63), 0, 12, 24, 0)},
  };
  std::array<EffectKind, kKinds> kinds{};
  for (const Group& g : groups) {
    for (int kind : g.kinds) kinds[kind] = g.look;
  }
  return kinds;
}

constexpr std::array<EffectKind, kKinds> kEffectKinds = BuildKinds();

// The colour of the lines.
uint32_t LineColour() {
  return morrow::PackScreenColor(255, 255, 255);
}

void DrawLine(const LayerLook& look, double x, double y, int32_t heading, double length) {
  morrow::SetBlendMode(look.blend, look.param);
  const auto h = Unsigned(heading);
  morrow::DrawLine(TruncToInt(x), TruncToInt(y), TruncToInt(x + Cos(h) * length),
                   TruncToInt(y - Sin(h) * length), LineColour());
}

void DrawKind(const BattleObject& e, const EffectKind& k, int shake) {
  const int32_t t = e.stateTimer;
  const double x = e.x;
  const double y = static_cast<double>(e.y) - shake;
  const double td = t;
  const double w = k.w0 + k.w1 * td;
  const double h = k.h0 + k.h1 * td;
  LayerLook first = LookOf(k.layers[0], t, e.heading);
  switch (k.shape) {
    case Shape::kNothing:
      return;
    case Shape::kOwnerRing: {
      // The effect's player names the cell; only 0-3 name a player.
      if (e.owner < 0 || e.owner > 3) return;
      for (int i = 0; i < k.layerCount; ++i) {
        Layer l = k.layers[i];
        l.cell = static_cast<int8_t>(e.owner);
        DrawLayer(LookOf(l, t, e.heading), x, y);
      }
      return;
    }
    case Shape::kLayers:
      for (int i = 0; i < k.layerCount; ++i) DrawLayer(LookOf(k.layers[i], t, e.heading), x, y);
      return;
    case Shape::kRect:
    case Shape::kRectLine:
      morrow::SetBlendMode(first.blend, first.param);
      DrawRotaRectGraph(static_cast<float>(x), static_cast<float>(y), static_cast<float>(w),
                        static_cast<float>(h), e.heading, first.graph);
      if (k.shape == Shape::kRectLine) DrawLine(first, x, y, e.heading, w / 2);
      return;
    case Shape::kLine:
      DrawLine(first, x, y, e.heading, w);
      return;
    case Shape::kCircle: {
      morrow::SetBlendMode(first.blend, first.param);
      const int radius = SaturateToInt(4 * static_cast<int64_t>(16 - static_cast<int64_t>(t)));
      morrow::DrawCircle(TruncToInt(x), TruncToInt(y), radius,
                         morrow::PackScreenColor(255, 128, 128), 1);
      return;
    }
    case Shape::kCorner:
      morrow::SetBlendMode(first.blend, first.param);
      morrow::DrawGraph(TruncToInt(x - 16), TruncToInt(y - 16), first.graph, 1);
      return;
    case Shape::kStretched: {
      morrow::SetBlendMode(first.blend, first.param);
      const double half = 2.0 * td;
      morrow::DrawExtendGraph(TruncToInt(x - half), TruncToInt(y - half), TruncToInt(x + half),
                              TruncToInt(y + half), first.graph, 1);
      return;
    }
    case Shape::kPart: {
      morrow::SetBlendMode(first.blend, first.param);
      // The picture is uncovered from the left as the timer runs down.
      const int64_t width = std::clamp<int64_t>(4 * (32 - static_cast<int64_t>(t)), 0, 64);
      morrow::DrawGraphPart(TruncToInt(x - 32), TruncToInt(y - 8), 0, 0, static_cast<int>(width),
                            16, first.graph, 1, 0);
      return;
    }
    case Shape::kMirrored:
      morrow::SetBlendMode(first.blend, first.param);
      morrow::DrawMirroredGraph(TruncToInt(x - 32), TruncToInt(y - 32), first.graph, 1);
      return;
  }
}

}  // namespace

void DrawEffect(const BattleObject& effect, int shake) {
  morrow::SetFilterMode(1);
  if (effect.kind < kKinds) DrawKind(effect, kEffectKinds[effect.kind], shake);
  morrow::SetFilterMode(0);
}

}  // namespace veyrdale::view

namespace veyrdale {

void DrawEffectEntry(const BattleObject* entry, int shake, int /*dark*/) {
  view::DrawEffect(*entry, shake);
}

}  // namespace veyrdale
