// One worked value of a per-pixel rule: the rule applied to chosen pixels, and what its formula,
// worked by hand, says the result is.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>

namespace testsupport {

struct PixelCase {
  const char* name;
  std::function<uint32_t()> compute;
  uint32_t want;
};

inline void PrintTo(const PixelCase& c, std::ostream* os) {
  *os << c.name;
}

// The 32-bit pixel with v in red, green and blue.
inline uint32_t Grey(uint32_t v) {
  return v << 16 | v << 8 | v;
}

}  // namespace testsupport
