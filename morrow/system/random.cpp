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

void Refill(RandomState& r) {
  uint32_t* mt = r.state;
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
    r.output[k] = y;
  }
  r.next = 0;
}

void Seed(RandomState& r, uint32_t seed) {
  uint32_t x = seed;
  for (int i = 0; i < kN; ++i) {
    uint32_t word = x & 0xFFFF0000u;
    x = 69069u * x + 1u;
    word |= x >> 16;
    x = 69069u * x + 1u;
    r.state[i] = word;
  }
  r.seeded = true;
  Refill(r);
}

// Makes the next word ready: what a draw does first once the words made are used up.
void MakeReady(RandomState& r) {
  if (r.next < kN) return;
  if (!r.seeded) {
    Seed(r, 4357);
  } else {
    Refill(r);
  }
}

uint32_t NextWord(RandomState& r) {
  MakeReady(r);
  return r.output[r.next++];
}

int Scale(uint64_t w, int max) {
  int64_t factor = static_cast<int64_t>(max) + 1;
  // The product of an unsigned word and a signed factor, as a signed 64-bit value; its upper
  // half is the draw.
  int64_t product = static_cast<int64_t>(w) * factor;
  return static_cast<int>(product >> 32);
}

}  // namespace

int SeedRandom(uint32_t seed) {
  Seed(g_random, seed);
  return 0;
}

uint32_t NextRandomWord() {
  return NextWord(g_random);
}

int GetRandomNumber(int max) {
  return Scale(NextRandomWord(), max);
}

int PeekRandomNumber(int max, int ahead) {
  if (ahead < 0) return 0;
  // The next draw would make its words first anyway; making them now changes no number, and spares
  // a look ahead from a whole generator's copy (a debug build looks ahead every drawn frame).
  MakeReady(g_random);
  const int at = g_random.next + ahead;
  if (g_random.seeded && at < kN) return Scale(g_random.output[at], max);
  // Past the words already made: a copy of the generator runs ahead, the generator stays.
  RandomState copy = g_random;
  for (int i = 0; i < ahead; ++i) NextWord(copy);
  return Scale(NextWord(copy), max);
}

}  // namespace morrow
