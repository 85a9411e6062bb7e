// The game's one rule for turning computed values into whole numbers. Reals truncate toward zero
// as the game expects; whatever lies outside the target range saturates at its ends, and NaN
// gives 0, so a corrupted field never reaches a conversion whose result is undefined.
#pragma once

#include <cstdint>
#include <limits>
#include <type_traits>

#include "morrow/system/rect.h"

namespace veyrdale {

// A real truncated toward zero into the signed integer type Int, saturated, NaN giving 0.
template <typename Int>
constexpr Int TruncSaturated(double value) {
  static_assert(std::is_integral_v<Int> && std::is_signed_v<Int>);
  // -min is a power of two, so the limit is exact in a double: at or above it nothing fits.
  constexpr double kLimit = -static_cast<double>(std::numeric_limits<Int>::min());
  if (value != value) return 0;
  if (value >= kLimit) return std::numeric_limits<Int>::max();
  if (value <= -kLimit) return std::numeric_limits<Int>::min();
  return static_cast<Int>(value);
}

// The common case: a float or double into an int32.
constexpr int32_t TruncToInt(double value) {
  return TruncSaturated<int32_t>(value);
}

// A whole number computed in 64 bits, held inside the int32 range.
using morrow::SaturateToInt;

}  // namespace veyrdale
