// The MT19937 generator with the 1998 seeding (two steps of the 69069 congruential generator per
// state word), producing 624 tempered words at a time.
#include <cstdint>

#include "morrow/system/time.h"

namespace morrow {
namespace {

constexpr int kN = 624;
constexpr int kM = 397;
constexpr uint32_t kMatrixA = 0x9908B0DFu;
constexpr uint32_t kUpperMask = 0x80000000u;
constexpr uint32_t kLowerMask = 0x7FFFFFFFu;

struct RandomState {
  uint32_t state[kN + 1];  // one scratch word after the state, read by the refill
  uint32_t output[kN];
  int next = kN;
  bool seeded = false;
};
RandomState g_random;

void Refill() {
  uint32_t* mt = g_random.state;
  mt[kN] = mt[0];
  for (int k = 0; k < kN; ++k) {
    uint32_t y = (mt[k] & kUpperMask) | (mt[k + 1] & kLowerMask);
    int far = k + kM < kN ? k + kM : k + kM - kN;
    // Words past kN - kM read the new values of the first words, as the sequential update does.
    mt[k] = mt[far] ^ (y >> 1) ^ ((y & 1u) ? kMatrixA : 0u);
    if (k == 0) mt[kN] = mt[0];
  }
  for (int k = 0; k < kN; ++k) {
    uint32_t y = mt[k];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    g_random.output[k] = y;
  }
  g_random.next = 0;
}

}  // namespace

int SeedRandom(uint32_t seed) {
  uint32_t x = seed;
  for (int i = 0; i < kN; ++i) {
    uint32_t word = x & 0xFFFF0000u;
    x = 69069u * x + 1u;
    word |= x >> 16;
    x = 69069u * x + 1u;
    g_random.state[i] = word;
  }
  g_random.seeded = true;
  Refill();
  return 0;
}

uint32_t NextRandomWord() {
  if (g_random.next >= kN) {
    if (!g_random.seeded) {
      SeedRandom(4357);
    } else {
      Refill();
    }
  }
  return g_random.output[g_random.next++];
}

int GetRandomNumber(int max) {
  uint64_t w = NextRandomWord();
  int64_t factor = static_cast<int64_t>(max) + 1;
  // The product of an unsigned word and a signed factor, as a signed 64-bit value; its upper
  // half is the draw.
  int64_t product = static_cast<int64_t>(w) * factor;
  return static_cast<int>(product >> 32);
}

}  // namespace morrow
