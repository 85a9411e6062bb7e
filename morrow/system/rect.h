// The library's pixel rectangle (left and top inside, right and bottom outside).
#pragma once

#include <cstdint>
#include <limits>

#include "platform/rect.h"

namespace morrow {

using Rect = platform::Rect;

// A coordinate computed in 64 bits, saturated into the 32-bit range: x + width near the ends
// of the range stays a coordinate instead of wrapping.
constexpr int32_t SaturateToInt(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

}  // namespace morrow
