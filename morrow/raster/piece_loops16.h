// The loops of the 16-bit piece draw (piece_loops16.cpp): a loop is a rule, the layout it is
// instantiated for and whether it tests the colour key. DrawPiece16 (piece_loops.h) takes the
// draw's loop from ChoosePieceLoop16 and runs its instantiation from its loop table (loop_table.h).
#pragma once

#include <cstdint>

#include "morrow/raster/pixel_format.h"

namespace morrow::raster {

enum class Rule16 : uint8_t {
  kNothing,          // p = 0 in modes 1 to 3, modes without a rule
  kPlainCopy,        // handed to the block copy (after unlocking)
  kXor,              // mode 8
  kTintCoverage,     // mode 0, alpha map, bright: a 255 T, else rule 2 with a
  kInPlace,          // mode 0, alpha map: a 255 s, else the in-place blend with a
  kTint,             // mode 0 with bright (and mode 1 at p = 255)
  kWeighted,         // mode 1, alpha map, bright: rule 4 with a'
  kAlphaTableBlend,  // mode 1, alpha map: a 255 P[s_c] + Q[d_c], else the in-place blend with a'
  kTintTableBlend,   // mode 1, bright: P[T_c[s_c]] + Q[d_c]
  kTableBlend,       // mode 1: P[s_c] + Q[d_c]
  kMmxBlend,         // mode 1 with the MMX flag
  kAddTintWeighted,  // mode 2, alpha map, bright
  kAddAlpha,         // mode 2, alpha map
  kAddTint,          // mode 2, bright
  kAdd,              // mode 2: the plain term, or the generic term on a generic layout
  kMmxAdd,           // mode 2 with the MMX flag
  kSubTintWeighted,  // mode 3, alpha map, bright
  kSubAlpha,         // mode 3, alpha map
  kSubTint,          // mode 3, bright
  kSub,              // mode 3: the plain term, or the generic term on a generic layout
  kMultiplyTint,     // mode 4, bright
  kMultiply,         // mode 4
  kCount
};

enum class Layout16 : uint8_t { k565, k555, kGeneric, kCount };

struct PieceLoop16 {
  Rule16 rule = Rule16::kNothing;
  Layout16 layout = Layout16::k565;
  bool keyed = false;

  bool operator==(const PieceLoop16&) const = default;
};

// "TableBlend", "MmxAdd", ...; "565", "555", "Generic".
const char* Rule16Name(Rule16 rule);
const char* Layout16Name(Layout16 layout);

// The decision of the 16-bit rules, in their order of tests. The mode is compared unsigned:
// 0, 1, 2, 3, 4 and 8 have rules, any other value draws nothing. A generic layout (format
// kGeneric16) ignores bright and the alpha channel wherever its rows say so. keyFlag non-zero
// picks the keyed loop of every member but multiply's. bright: the draw bright is not
// 0xFFFFFFFF.
PieceLoop16 ChoosePieceLoop16(int32_t mode, uint32_t p, bool alphaChannel, bool bright, bool mmx,
                              int keyFlag, FormatClass format);

// The loop exists in the table (reference form), and has a vector form.
bool PieceLoop16HasReference(const PieceLoop16& loop);
bool PieceLoop16HasVector(const PieceLoop16& loop);

}  // namespace morrow::raster
