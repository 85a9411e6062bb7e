// What the drawing of the draw list's entries shares: blend modes by name, the angle of one
// heading step, the sine and cosine tables read as fractions, and the one way a picture cell is
// looked up.
//
// Pictures are drawn transparent and not turned unless their drawing says otherwise. Scales,
// angles and blend parameters are computed in double and truncated toward zero where the library
// takes an int.
#pragma once

#include <cstdint>

#include "game/battle/directions.h"
#include "game/core/resource_tables.h"

namespace veyrdale::view {

constexpr int kBlendNone = 0;
constexpr int kBlendAlpha = 1;
constexpr int kBlendAdd = 2;
constexpr int kBlendSubtract = 3;
constexpr int kBlendMultiply = 4;
constexpr int kOpaque = 255;

// A heading step, 1/256 of a turn, in radians.
constexpr double kRadiansPerStep = 0.0245436875;

// A frame counter or timer as the unsigned value a table index is built from: products of it wrap
// instead of overflowing, and only the low eight bits of the index count.
constexpr uint32_t Unsigned(int32_t value) {
  return static_cast<uint32_t>(value);
}

// The tables' sine and cosine of an index, as fractions of 1 (the negated-sine table negated).
inline double Sin(uint32_t index) {
  return -static_cast<double>(NegSinOf(static_cast<int>(index & 255u))) * 0.00390625;
}
inline double Cos(uint32_t index) {
  return static_cast<double>(CosOf(static_cast<int>(index & 255u))) * 0.00390625;
}

// The graph of cell `cell` of picture row `row`, or -1 (which draws nothing) for a row outside
// 0-199 or a cell outside 0-63: a computed cell never reaches into the next row.
inline int32_t PictureCell(int64_t row, int64_t cell) {
  if (row < 0 || row >= kPictureSlots || cell < 0 || cell >= kPictureCells) return -1;
  return PictureSlots[static_cast<int>(row)][static_cast<int>(cell)];
}

}  // namespace veyrdale::view
