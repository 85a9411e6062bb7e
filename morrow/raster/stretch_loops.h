// The pixel loops of the stretched draw, as its frame (softdraw/stretch_frame.cpp) hands them
// over: the frame clips, builds the column and row tables, stages and locks, fills a StretchDraw
// and calls DrawStretch. One decision function turns the draw into one loop (a rule, the layout it
// runs on and whether it tests the key), and the family's one loop table (loop_table.h) maps the
// loop to an instantiation of StretchWalk with its gates and rule (stretch_rules.h), in reference
// and, for the 32-bit modes 0 to 3 and the 16-bit modes 0 to 2 without alpha map, SSE2 form.
#pragma once

#include <cstdint>

#include "morrow/raster/pixel_format.h"
#include "morrow/raster/turned_rules32.h"
#include "morrow/raster/walkers.h"

namespace morrow::raster {

struct StretchDraw {
  StretchSurfaces walk;  // pointers at the depth's bytes per pixel, alpha map when it has one
  uint32_t key = 0;      // PackScreenColor of the surface's colour key (8 bits: index 0)
  int keyFlag = 0;
  int32_t mode = 0;   // the draw state's blend mode (8 bits: not read)
  TurnedBlend blend;  // parameter, bright and the screen's channel maxima
  bool alphaChannel = false;
  FormatClass format = FormatClass::k32;
  const ColorFormat* screenFormat = nullptr;  // 16 bits: the layout's masks, shifts and widths
  const uint32_t (*products)[256] = nullptr;  // 16 bits: the blend product table
  // The source lies on the target surface itself: only the reference loops keep the order in
  // which a pixel that is both read and written is visited.
  bool sourceIsTarget = false;
};

enum class StretchRule : uint8_t {
  kNothing,  // p = 0 in modes 1 to 3, modes without a rule
  kCopy,     // the source pixel whole; keyed on keyFlag's lowest bit
  kTint,     // the bright store
  kCover,    // mode 0, alpha map: a 255 the source, else the coverage blend by a
  kCoverTint,
  kBlend,  // mode 1: P(x) + Q(d) with the complement 255 - p
  kBlendTint,
  kAlphaBlend,  // mode 1, alpha map: a 255 the blend, else the coverage blend by (a p) >> 8
  kAlphaBlendTint,
  kAdd,  // mode 2: the term P(x) added
  kAddTint,
  kAlphaAdd,  // mode 2, alpha map: a 255 the term, else the term scaled by a
  kAlphaAddTint,
  kSub,
  kSubTint,
  kAlphaSub,
  kAlphaSubTint,
  kMultiply,  // mode 4: no key, no alpha map
  kMultiplyTint,
  kCount
};

enum class StretchLayout : uint8_t { k32, k8, k565, k555, kGeneric, kCount };

struct StretchLoop {
  StretchRule rule = StretchRule::kNothing;
  StretchLayout layout = StretchLayout::k32;
  bool keyed = false;

  bool operator==(const StretchLoop&) const = default;
};

// "AlphaAddTint", ...; "32", "8", "565", "555", "Generic".
const char* StretchRuleName(StretchRule rule);
const char* StretchLayoutName(StretchLayout layout);

// The decision, in the order of the tests: mode 0 by alpha channel and bright; mode 1 draws
// nothing at p = 0 and as mode 0 at p = 255; modes 2 and 3 nothing at p = 0; mode 4 by bright only
// and never keyed; any other mode nothing. A 16-bit generic layout (format kGeneric16) brightens
// only surfaces with an alpha channel. keyFlag non-zero keys every loop but the copy, which keys
// on its lowest bit, and multiply. At 8 bits every draw is the copy, whatever the mode. bright:
// the draw bright is not 0xFFFFFFFF.
StretchLoop ChooseStretchLoop(FormatClass format, int32_t mode, uint32_t p, bool alphaChannel,
                              bool bright, int keyFlag);

// The loop exists in the table (reference form), and has a vector form.
bool StretchLoopHasReference(const StretchLoop& loop);
bool StretchLoopHasVector(const StretchLoop& loop);

// Runs the draw's loop; a format without loops draws nothing.
void DrawStretch(const StretchDraw& draw);

}  // namespace morrow::raster
