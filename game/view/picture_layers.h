// One layer of a shot or an effect: a picture cell drawn centred and turned, with its blend, its
// scale and its angle each fixed or following the object's timer. Shots and effects describe
// their looks as rows of these layers, so that the per-move and per-kind tables stay data.
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale::view {

// Picture rows by the file they are loaded from.
constexpr int16_t ShotRow(int n) {
  if (n <= 40) return static_cast<int16_t>(16 + n);  // shot01, shot02, shot04 .. shot40
  if (n <= 47) return static_cast<int16_t>(104 + n);
  if (n <= 59) return static_cast<int16_t>(9 + n);
  return static_cast<int16_t>(4 + n);  // shot65 .. shot68
}
constexpr int16_t kShot02bRow = 19;
constexpr int16_t EfRow(int n) {
  return static_cast<int16_t>(n <= 12 ? 82 + n : 81 + n);
}

enum class CellRule : uint8_t {
  kFixed,
  kDirection,  // eight 45-degree cells after `cell` x 8
  kAnimation,  // (timer / 2) mod 8 after `cell`
  kFlicker,    // kAnimation, plus 8 on alternate 4-frame periods of the scene frame
};

enum class ParamRule : uint8_t {
  kFixed,         // value
  kPulse,         // 128 + 16 x (timer mod 8): the glows' "var"
  kFadeDown,      // timer x 0.0625 x value: 16 frames from full to nothing as the timer runs out
  kFadeUp,        // (16 - timer) x 0.0625 x value below timer 16, then nothing
  kHold16Fade32,  // value below timer 16, then (32 - timer) x 0.0625 x 255
  kHold16Drop,    // 255 below timer 16, then 511 - 16 x timer
  kLate40Fade48,  // value, then (48 - timer) x 0.125 x 255 above timer 40
  kHold5Fade,     // value below timer 5, then 16 less a frame
  kPhaseDim,      // 255 - 16 x (timer mod 8)
};

enum class AngleRule : uint8_t {
  kNone,
  kTurn,      // the turning angle of the heading
  kReversed,  // the turning angle of the heading turned by 128
  kSpin,      // the turning angle of heading + 4 x timer
};

enum class ScaleRule : uint8_t {
  kFixed,     // scale
  kPerTimer,  // scale + per x timer
  kPerPhase,  // scale + per x (timer mod 8)
  kBurst,     // scale + per x (16 - timer) over the last 16 frames, scale before them
};

struct Layer {
  int16_t row = -1;
  int8_t cell = 0;
  CellRule cellRule = CellRule::kFixed;
  int8_t blend = 2;
  ParamRule param = ParamRule::kFixed;
  int16_t value = 255;
  AngleRule angle = AngleRule::kNone;
  ScaleRule scaleRule = ScaleRule::kFixed;
  double scale = 1.0;
  double per = 0.0;
};

// What a layer computes for one object at one frame.
struct LayerLook {
  int32_t graph;
  int blend;
  int param;
  double scale;
  double angle;
};

// The turning angle (256 - heading) steps, in radians, for any int heading.
double TurningAngle(int64_t heading);

LayerLook LookOf(const Layer& layer, int32_t timer, int32_t heading);

// Sets the layer's blend and draws it centred on (x, y).
void DrawLayer(const LayerLook& look, double x, double y);

// The shot and effect entries of the draw list (DrawShotEntry and DrawEffectEntry).
void DrawShot(const BattleObject& shot, int shake);
void DrawEffect(const BattleObject& effect, int shake);

}  // namespace veyrdale::view
