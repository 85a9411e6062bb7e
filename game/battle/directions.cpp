#include "game/battle/directions.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace veyrdale {

TrigTables g_trig;

namespace {

// Radians per heading step: 3.141592 / 128, as the game always had it (not pi / 128), and the
// headings per radian, its reciprocal. Both stay as written so that every table entry is the same.
constexpr long double kStep = 0.0245436875;
constexpr long double kHeadingsPerRadian = 40.743673908005874;

// Heading bases of the eight octants of GetDirectionToPoint; 256 stands for 0 in 8 bits.
constexpr int kOctantBase[8] = {0, 128, 256, 128, 64, 64, 192, 192};

}  // namespace

void BuildTrigTables() {
  for (int h = 0; h < 256; ++h) {
    long double angle = h * kStep;
    g_trig.cos[h] = static_cast<float>(std::cos(angle) * 256.0L);
    g_trig.negsin[h] = static_cast<float>(std::sin(angle) * 256.0L * -1.0L);
  }
  // The axes come out exact so that straight motion has no drift from rounding.
  g_trig.negsin[64] = -256.0f;
  g_trig.negsin[192] = 256.0f;
  g_trig.cos[128] = -256.0f;
  for (int i = 0; i <= 512; ++i) {
    g_trig.atan[i] = static_cast<uint16_t>(std::atan(i * 0.001953125L) * kHeadingsPerRadian);
  }
}

uint64_t GetSquaredDistance64(int x1, int y1, int x2, int y2) {
  // Each difference fits in 33 bits and its square in 64 bits unsigned; only the sum can overflow.
  uint64_t dx = static_cast<uint64_t>(std::llabs(static_cast<int64_t>(x1) - x2));
  uint64_t dy = static_cast<uint64_t>(std::llabs(static_cast<int64_t>(y1) - y2));
  uint64_t sx = dx * dx;
  uint64_t sy = dy * dy;
  return sx > UINT64_MAX - sy ? UINT64_MAX : sx + sy;
}

int GetSquaredDistance(int x1, int y1, int x2, int y2) {
  uint64_t d = GetSquaredDistance64(x1, y1, x2, y2);
  return d > static_cast<uint64_t>(INT32_MAX) ? INT32_MAX : static_cast<int>(d);
}

int GetDirectionToPoint(int x1, int y1, int x2, int y2) {
  int64_t dx = static_cast<int64_t>(x2) - x1;
  int64_t dy = static_cast<int64_t>(y2) - y1;
  int sign = 1;
  int octant = 0;
  if (dx < 0) {
    octant = 1;
    sign = -1;
    dx = -dx;
  }
  if (dy < 0) {
    octant += 2;
    sign = -sign;
    dy = -dy;
  }
  int64_t major = dx;
  int64_t minor = dy;
  if (dx < dy) {
    major = dy;
    minor = dx;
    octant += 4;
    sign = -sign;
  }
  if (major == 0) return 0;
  // minor <= major, so the index is 0-512; 64 bits keep minor x 512 exact for any int input.
  int a = g_trig.atan[minor * 512 / major];
  return (a * sign + kOctantBase[octant]) & 255;
}

}  // namespace veyrdale
