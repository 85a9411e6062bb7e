// Headings and distances.
//
// A heading is a whole number 0-255 per turn: 0 right, 64 up the screen, 128 left, 192 down. An
// object moving n pixels a frame along heading h moves by (cos[h] x n / 256, negsin[h] x n / 256).
// The tables are built once per resource load; every lookup masks its heading with & 255, so a sum
// of headings or a heading a behaviour wrote out of range still reads the table.
#pragma once

#include <cstdint>

namespace veyrdale {

struct TrigTables {
  float cos[256];      // cosine x 256
  float negsin[256];   // negated sine x 256
  uint16_t atan[513];  // entry i: the heading of slope i / 512, 0-32
};

extern TrigTables g_trig;

void BuildTrigTables();

// The table entries of a heading (any int; only its low 8 bits count).
inline float CosOf(int h) {
  return g_trig.cos[h & 255];
}
inline float NegSinOf(int h) {
  return g_trig.negsin[h & 255];
}

// (x1 - x2)^2 + (y1 - y2)^2, saturated at INT32_MAX for far-off points.
int GetSquaredDistance(int x1, int y1, int x2, int y2);
// The same without the saturation at INT32_MAX (saturated only at UINT64_MAX).
uint64_t GetSquaredDistance64(int x1, int y1, int x2, int y2);

// The direction from point 1 to point 2 measured toward screen-down: 0 right, 64 down, 128 left,
// 192 up. Integer only; equal points give 0. Callers wanting a heading use (257 - r) & 255.
int GetDirectionToPoint(int x1, int y1, int x2, int y2);

}  // namespace veyrdale
