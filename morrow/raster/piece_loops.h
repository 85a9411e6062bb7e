// The pixel loops of an unscaled piece draw, as the frame of G_DDraw_DrawGraph (piece_frame.cpp)
// hands them over: the frame clips, stages and locks, fills a PieceDraw, and calls the dispatch
// of the screen's depth. Each dispatch turns the draw into one loop id by a small decision
// function (testable on its own), and the depth's loop table (loop_table.h) maps the id to one
// instantiation of RectWalk with its gates and rule (reference and, where the rule has one, SSE2
// form).
//
// Adding a depth or a rule: add ids and table rows next to the existing ones; the frame does not
// change.
#pragma once

#include <cstdint>

#include "morrow/raster/piece_rules32.h"
#include "morrow/raster/pixel_format.h"
#include "morrow/raster/walkers.h"

namespace morrow::raster {

struct PieceDraw {
  RectSurfaces walk;  // pointers at the depth's bytes per pixel, alpha map when it has one
  uint32_t key = 0;   // PackScreenColor of the surface's colour key
  int keyFlag = 0;    // non-zero: source words equal to key are left out
  int32_t mode = 0;   // the draw state's blend mode
  BlendParams blend;  // blend parameter and draw bright
  bool alphaChannel = false;
  bool mmx = false;  // the screen's MMX flag
  FormatClass format = FormatClass::k32;
  const ColorFormat* screenFormat = nullptr;
  // The screen's blend product table, rows of (a * b) >> 8: the 16-bit rules read it.
  const uint32_t (*products)[256] = nullptr;
  // The source lies on the target surface itself: only the reference loops keep the order in
  // which a pixel that is both read and written is visited.
  bool sourceIsTarget = false;
};

// What the frame does after the loop: nothing more, or hand the piece to the block copy (after
// unlocking) as a plain draw.
enum class PieceOutcome : uint8_t { kDrawn, kPlainCopy };

// The loops of the 32-bit piece draw; *Key ids test the colour key.
enum class PieceLoop32 : uint8_t {
  kNothing,    // p = 0 in modes 1 to 3, a mode without a rule
  kPlainCopy,  // a plain piece: the block copy draws it
  kTint,
  kTintKey,
  kCoverage,  // mode 0, alpha map and bright: T or V(T, a, 256)
  kCoverageKey,
  kShiftedDiff,  // mode 0, alpha map: s or W(a)
  kShiftedDiffKey,
  kTableBlend,
  kTableBlendKey,
  kMmxBlend,
  kMmxBlendKey,
  kTintTableBlend,
  kTintTableBlendKey,
  kAlphaTableBlend,  // mode 1, alpha map: P + Q or W(a')
  kAlphaTableBlendKey,
  kAlphaCoverage,  // mode 1, alpha map and bright: V(T, a', 255)
  kAlphaCoverageKey,
  kAdd,
  kAddKey,
  kMmxAdd,
  kMmxAddKey,
  kTintAdd,
  kTintAddKey,
  kAlphaAdd,
  kAlphaAddKey,
  kAlphaTintAdd,
  kAlphaTintAddKey,
  kSub,
  kSubKey,
  kTintSub,
  kTintSubKey,
  kAlphaSub,
  kAlphaSubKey,
  kAlphaTintSub,
  kAlphaTintSubKey,
  kMultiply,
  kTintMultiply,
  kCount
};

const char* PieceLoop32Name(PieceLoop32 id);

// The decision of the 32-bit rules, in their order of tests: mode 1 tests p = 0, then the alpha
// channel, then p = 255 and bright; modes 2 and 3 the alpha channel, then p = 0, then bright;
// mode 0 the alpha channel, then bright; mode 4 bright only. The MMX flag is tested after bright
// in modes 1 and 2 without alpha channel and bright; keyFlag (non-zero) picks the keyed loop in
// every variant but multiply's. bright: the draw bright is not 0xFFFFFFFF.
PieceLoop32 ChoosePieceLoop32(int32_t mode, uint32_t p, bool alphaChannel, bool bright, bool mmx,
                              int keyFlag);

PieceOutcome DrawPiece32(const PieceDraw& draw);
PieceOutcome DrawPiece16(const PieceDraw& draw);

}  // namespace morrow::raster
